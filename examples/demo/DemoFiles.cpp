#include "DemoFiles.h"

#include "components/KvGrids.Converter.Excel.h"
#include "components/KvGrids.Styles.Archive.h"
#include "grid/KvGrids.View.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <cstdio>

using namespace kv;

namespace demo {

bool LoadStyles(TKvGridView* Grid, const QString& Path)
{
    try {
        TKvGridStylesJsonArchive().LoadGridFromFile(Path, Grid);
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kv_demo: cannot load styles from %s: %s\n", qPrintable(Path), e.what());
        return false;
    }
}

bool ExportWorkbook(TKvGridView* Grid, const QString& Path)
{
    try {
        QElapsedTimer timer;
        timer.start();
        TOwned<TKvGridExcelConverter> converter = MakeOwned<TKvGridExcelConverter>(nullptr);
        converter->SetFileName(Path);
        converter->SetRowNumVisible(true);
        converter->Convert(Grid, false);
        std::printf("exported %d items to %s in %lld ms\n", Grid->GetItemCount(),
                    qPrintable(QDir::current().absoluteFilePath(Path)), static_cast<long long>(timer.elapsed()));
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kv_demo: cannot export to %s: %s\n", qPrintable(Path), e.what());
        return false;
    }
}

} // namespace demo
