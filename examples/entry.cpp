// A small data-entry form: a top-level grid over an order table with text, number, list, date
// and check columns, a column and a row validation, footer sums and rows appended at the end.
// With a display it opens the grid in a window; without one it prints what the grid shows.
#include "components/KvGrids.Vantrel.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "ExampleTexts.h"

#include <QtCore/QTextStream>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

using namespace kv;

namespace {

const char* const Names[] = {"Anna",  "Bruno", "Chen",  "Dora",   "Emil",  "Farah", "Goran",
                             "Hana",  "Ivo",   "Jana",  "Karim",  "Lena",  "Milo",  "Nora",
                             "Oskar", "Pia",   "Quinn", "Rosa",   "Sven",  "Tara"};
const QStringList Categories{QStringLiteral("Books"), QStringLiteral("Garden"), QStringLiteral("Music"),
                             QStringLiteral("Tools")};

void Fill(TKvSimpleDataProvider* table)
{
    table->InsertColumns(0, 6, QStringLiteral("Name,Qty,Price,Category,Due,Paid"), QStringLiteral("s,n,n,s,d,b"));
    for (int row = 0; row < 20; ++row)
        table->InsertRow(row, {Variant(QString::fromLatin1(Names[row])), Variant(row % 7 + 1),
                               Variant(1250 * (row + 1)), Variant(Categories[row % Categories.size()]),
                               Variant::DateTime(EncodeDate(2026, row % 12 + 1, row + 1)), Variant(row % 3 == 0)});
}

TKvGridDataColumn* AddColumn(TKvGridView* grid, const QString& field, int width)
{
    TKvGridDataColumn* column = grid->AddDataColumn();
    column->SetFieldName(field);
    column->SetWidth(width);
    return column;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);

    TOwned<TKvSimpleDataProvider> table = MakeOwned<TKvSimpleDataProvider>(nullptr);
    Fill(table.get());
    TOwned<TKvCheckCellRenderer> check = MakeOwned<TKvCheckCellRenderer>(nullptr);

    TOwned<TKvVantrel> grid = MakeOwned<TKvVantrel>(nullptr);
    grid->BeginUpdate();
    SetExampleTexts(grid.get());
    AddColumn(grid.get(), QStringLiteral("Name"), 120);
    // Whole numbers as typed; the footer adds them up.
    TKvGridDataColumn* qty = AddColumn(grid.get(), QStringLiteral("Qty"), 70);
    qty->GetStyles()->SetTextAlignment(AlignFar);
    qty->GetFooter()->SetExpression(QStringLiteral("sum"));
    qty->GetValidations()->Add(QStringLiteral("notNegative"), QStringLiteral("value >= 0"),
                               QStringLiteral("Qty must not be negative"));
    // Amounts with thousands separators, typed in a number editor.
    TKvGridDataColumn* price = AddColumn(grid.get(), QStringLiteral("Price"), 100);
    price->GetStyles()->SetTextAlignment(AlignFar);
    price->GetStyles()->SetNumberFormat(QStringLiteral("#,##0"));
    price->SetEditor(Create<TKvNumberCellEditor>(grid.get()));
    price->GetFooter()->SetExpression(QStringLiteral("sum"));
    price->GetFooter()->GetStyles()->SetNumberFormat(QStringLiteral("#,##0"));
    // A value picked from a drop-down list.
    TKvGridDataColumn* category = AddColumn(grid.get(), QStringLiteral("Category"), 100);
    category->SetLookupValues(Categories);
    category->SetEditor(Create<TKvListCellEditor>(grid.get()));
    AddColumn(grid.get(), QStringLiteral("Due"), 110)->SetEditor(Create<TKvDateTimeCellEditor>(grid.get()));
    AddColumn(grid.get(), QStringLiteral("Paid"), 60)->SetRenderer(check.get());
    // A row is saved only with a name.
    grid->GetValidations()->Add(QStringLiteral("named"), QStringLiteral("value['Name'] <> ''"),
                                QStringLiteral("Name is required"));
    grid->GetFooter()->SetVisible(true);
    grid->GetPanel()->SetVisible(true);
    grid->GetEditOptions()->SetAppendable(true);
    grid->GetEditOptions()->SetDeletable(true);
    grid->EndUpdate();
    grid->SetDataProvider(table.get());
    QWidget* widget = grid->Widget();
    widget->setWindowTitle(QStringLiteral("Orders"));

    int result = 0;
    if (QGuiApplication::platformName() == QLatin1String("offscreen") || !qEnvironmentVariableIsSet("DISPLAY")) {
        // The first frame, painted offscreen: the texts of the cells it laid out, row by row,
        // then the footer.
        widget->resize(700, 700);
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
            if (!texts.isEmpty())
                out << texts.join(QLatin1Char(' ')) << "\n";
        }
        QStringList sums;
        for (TKvGridDataColumn* column : {qty, price})
            sums << column->GetFieldName() + QLatin1Char('=') +
                        grid->GetFooter()->GetCell(TKvGridCellIndex(grid.get(), -1, column))->GetDisplayText();
        out << "sums " << sums.join(QLatin1Char(' ')) << "\n";
        out << "panel " << grid->GetGroupingOptions()->GetPrompt() << "\n";
    } else {
        widget->resize(720, 560);
        widget->show();
        result = app.exec();
    }
    grid->SetDataProvider(nullptr);
    grid.reset();
    return result;
}
