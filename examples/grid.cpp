// The README's example: a grid over a small table with an edit transaction on top. With a
// display it opens the grid in a window; without one it prints what the grid holds.
#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"

#include <QtCore/QTextStream>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

using namespace kv;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);

    TOwned<TKvSimpleDataProvider> table = MakeOwned<TKvSimpleDataProvider>(nullptr);
    table->InsertColumns(0, 2, "City,Units", "s,n");
    table->InsertRow(0, {"Oslo", 12});
    table->InsertRow(1, {"Lima", 40});

    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    items->SetDataSource(table.get());
    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(items.get());

    TOwned<TKvGridView> grid = MakeOwned<TKvGridView>(nullptr);
    // The program's own texts in place of the library's.
    grid->GetEditOptions()->SetDeleteRowsMessage("Delete the selected rows?");
    grid->GetBody()->SetEmptyMessage("No data to show");
    for (const char* field : {"City", "Units"})
        grid->AddDataColumn()->SetFieldName(field);
    grid->SetItemSource(editable.get());
    QWidget* widget = grid->Widget();

    int result = 0;
    if (QGuiApplication::platformName() == QLatin1String("offscreen") || !qEnvironmentVariableIsSet("DISPLAY")) {
        // The first frame, painted offscreen: the texts of the cells it laid out, row by row.
        widget->resize(400, 200);
        widget->show();
        QCoreApplication::processEvents();
        grid->Update();
        QTextStream out(stdout);
        out << grid->GetItemCount() << " rows in " << grid->GetColumnCount() << " columns\n";
        for (int item = 0; item < grid->GetItemCount(); ++item) {
            QStringList texts;
            for (int c = 0; c < grid->GetVisibleColumnCount(); ++c) {
                const TKvGridCellIndex index(grid.get(), item, grid->GetVisibleColumn(c));
                if (grid->GetCellView(grid->GetBody(), index))
                    texts << grid->GetBody()->GetCell(index)->GetDisplayText();
            }
            out << texts.join(QLatin1Char(' ')) << "\n";
        }
    } else {
        widget->resize(400, 200);
        widget->show();
        result = app.exec();
    }
    grid->SetItemSource(nullptr);
    return result;
}
