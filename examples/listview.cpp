// A list view over a small table: a click on a header's text sorts that column, and the Units
// column's filters are listed in the filter selector form opened under its filter handle
// ("--filters" opens it once the window is up). Without a display it prints what it shows.
#include "components/KvGrids.FilterSelector.h"
#include "components/KvGrids.ListView.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Elements.h"
#include "model/KvGrids.Data.Simple.h"
#include "ExampleTexts.h"

#include <QtCore/QTextStream>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

using namespace kv;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);

    TOwned<TKvSimpleDataProvider> table = MakeOwned<TKvSimpleDataProvider>(nullptr);
    table->InsertColumns(0, 2, "City,Units", "s,n");
    const char* cities[] = {"Oslo", "Lima", "Pune", "Kyiv", "Graz", "Baku", "Doha", "Riga"};
    for (int i = 0; i < 8; ++i)
        table->InsertRow(i, {cities[i], (i * 37) % 50});

    TOwned<TKvListView> list = MakeOwned<TKvListView>(nullptr);
    SetExampleTexts(list.get());
    list->AddDataColumn()->SetFieldName("City");
    TKvGridDataColumn* units = list->AddDataColumn();
    units->SetFieldName("Units");
    TKvGridColumnFilter* few = units->GetFilters()->Add();
    few->SetName("Fewer than 20");
    few->SetCriteria("value < 20");
    TKvGridColumnFilter* many = units->GetFilters()->Add();
    many->SetName("40 or more");
    many->SetCriteria("value >= 40");
    list->SetDataProvider(table.get());
    list->SortItems({0}, {SortAscending});

    int result = 0;
    if (QGuiApplication::platformName() == QLatin1String("offscreen") || !qEnvironmentVariableIsSet("DISPLAY")) {
        QTextStream(stdout) << list->GetItemCount() << " rows in " << list->GetColumnCount() << " columns\n";
    } else {
        list->SetBounds(40, 40, 360, 260);
        list->Show();
        if (app.arguments().contains(QStringLiteral("--filters"))) {
            QTimer::singleShot(500, [&] {
                auto* cell = dynamic_cast<TKvGridHeaderCellElement*>(list->GetHeaderView()->GetCells(units));
                if (!cell)
                    return;
                cell->SetMouseEntered(true); // lays out the handles as a hovering mouse does
                TKvFilterSelector::Open(cell->GetFilterHandle());
            });
        }
        result = app.exec();
    }
    list.reset();
    return result;
}
