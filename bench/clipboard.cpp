// Copying 100,000 rows by 12 columns to the clipboard: the grid's copy (tab-separated text
// and cell block in one walk, put on the clipboard) against Qt string joins of the same
// values put on the clipboard through QMimeData.
#include <memory>
#include "BenchData.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Model.Default.h"

#include <QtCore/QMimeData>
#include <QtGui/QClipboard>
#include <QtWidgets/QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

using namespace kv;

namespace {

constexpr int kRows = 100000;
constexpr int kFields = 12;

struct TCopyGrid
{
    TOwned<TKvSimpleDataProvider> Data{Create<TKvSimpleDataProvider>(nullptr)};
    TOwned<TKvGridView> Grid = MakeOwned<TKvGridView>(nullptr);

    TCopyGrid()
    {
        const kvbench::TColumns source = kvbench::MakeColumns(kRows);
        QStringList names;
        QStringList types;
        for (int f = 0; f < kFields; ++f) {
            names << QStringLiteral("F%1").arg(f);
            types << (f % 3 == 2 ? QStringLiteral("s") : QStringLiteral("n"));
        }
        Data->InsertColumns(0, kFields, names.join(','), types.join(','));
        TKvGridDataRow row(kFields);
        for (int r = 0; r < kRows; ++r) {
            for (int f = 0; f < kFields; ++f)
                row[size_t(f)] = f % 3 == 0   ? Variant(source.Ints[size_t(r)] + f)
                                 : f % 3 == 1 ? Variant(source.Floats[size_t(r)])
                                              : Variant(source.Texts[size_t(r)]);
            Data->InsertRow(r, row);
        }
        for (int f = 0; f < kFields; ++f)
            Grid->AddDataColumn()->SetFieldIndex(f);
        static_cast<TKvDefaultGridItemProvider*>(Grid->GetItemProvider())->SetDataSource(Data.get());
        Grid->GetSelections()->ClearAndAdd(Grid->GetIndex(0, 0), Grid->GetIndex(kRows - 1, 0), SelectRows);
    }
    ~TCopyGrid() { static_cast<TKvDefaultGridItemProvider*>(Grid->GetItemProvider())->SetDataSource(nullptr); }
};

// Freed before the application goes.
std::unique_ptr<TCopyGrid> gShared;

TCopyGrid& Shared()
{
    if (!gShared)
        gShared = std::make_unique<TCopyGrid>();
    return *gShared;
}

void BM_GridCopy(benchmark::State& state)
{
    TCopyGrid& g = Shared();
    for (auto _ : state)
        g.Grid->GetClipboardManager()->Copy();
    state.SetItemsProcessed(state.iterations() * kRows);
}
KV_BENCHMARK(BM_GridCopy)->Unit(benchmark::kMillisecond);

void BM_QtJoinCopy(benchmark::State& state)
{
    TCopyGrid& g = Shared();
    for (auto _ : state) {
        QStringList lines;
        QStringList xmlLines;
        QStringList fields;
        QStringList cells;
        for (int r = 0; r < kRows; ++r) {
            fields.clear();
            cells.clear();
            for (int f = 0; f < kFields; ++f) {
                const QString text = g.Data->GetData(r, f).ToString();
                fields << text;
                cells << QStringLiteral("<c>") + text.toHtmlEscaped() + QStringLiteral("</c>");
            }
            lines << fields.join('\t');
            xmlLines << QStringLiteral("<r>") + cells.join(QString()) + QStringLiteral("</r>");
        }
        auto* mime = new QMimeData;
        mime->setText(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
        mime->setData(QStringLiteral("application/x-bench-cells"),
                      (QStringLiteral("<?xml version=\"1.0\"?><cells>") + xmlLines.join(QStringLiteral("\r\n")) +
                       QStringLiteral("\r\n</cells>"))
                          .toUtf8());
        QGuiApplication::clipboard()->setMimeData(mime);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
KV_BENCHMARK(BM_QtJoinCopy)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    kvbench::RunAndPrintRatios(&argc, argv, {{"BM_GridCopy", "BM_QtJoinCopy"}});
    gShared.reset();
    return 0;
}
