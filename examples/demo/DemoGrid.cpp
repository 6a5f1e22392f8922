#include "DemoGrid.h"

#include "DemoData.h"
#include "DemoPictures.h"
#include "../ExampleTexts.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Model.Default.h"

#include <QtCore/QElapsedTimer>

using namespace kv;

namespace demo {

namespace {

TKvGridDataColumn* AddColumn(TKvGridView* grid, TKvGridColumnGroup* group, TDemoField field, const QString& caption,
                             int width)
{
    TKvGridDataColumn* column = grid->AddDataColumn(group);
    column->SetFieldName(FieldNames()[field]);
    column->GetHeader()->SetCaption(caption);
    column->SetWidth(width);
    return column;
}

// A group is as wide as its children; its width is shared among them in proportion.
void FitGroup(TKvGridColumnGroup* group)
{
    int width = 0;
    for (int i = 0; i < group->Count(); ++i)
        width += group->GetItem(i)->GetWidth();
    group->SetWidth(width);
}

TKvGridColumnGroup* AddGroup(TKvGridView* grid, TKvGridColumnGroup* parent, const QString& caption)
{
    TKvGridColumnGroup* group = grid->AddColumnGroup(parent);
    group->GetHeader()->SetCaption(caption);
    return group;
}

} // namespace

TDemoGrid::TDemoGrid(int Rows)
    : FTable(MakeOwned<TKvSimpleDataProvider>(nullptr)), FGrid(MakeOwned<TKvVantrel>(nullptr))
{
    QElapsedTimer timer;
    timer.start();
    FillTable(FTable.get(), Rows);
    FFillTime = timer.restart();

    FGrid->BeginUpdate();
    SetExampleTexts(FGrid.get());
    AddColumns();
    AddStyles();
    AddFilters();
    FGrid->EndUpdate();

    // The grid's own chain reads the table; the panel shows the region group's chip.
    FGrid->SetDataProvider(FTable.get());
    FGrid->GetPanel()->SetVisible(true);
    // Ctrl+Delete deletes the selected rows, after a question.
    FGrid->GetEditOptions()->SetDeletable(true);
    FGrid->GetRowGroup()->GetLevels()->Add();
    FGrid->GetRowGroup()->SetExpandedStyle(ExpandedBoth);
    FGrid->GroupBy({FieldRegion});
    FBindTime = timer.elapsed();
}

TDemoGrid::~TDemoGrid()
{
    FGrid.reset();
    FImage.reset();
    FCheck.reset();
    FBar.reset();
    FPictures.reset();
    FTable.reset();
}

void TDemoGrid::AddColumns()
{
    TKvGridView* grid = FGrid.get();
    TKvGridDataColumn* no = AddColumn(grid, nullptr, FieldNo, QStringLiteral("No"), 80);
    no->GetFooter()->SetExpression(QStringLiteral("row"));
    no->GetFooter()->GetStyles()->SetNumberFormat(QStringLiteral("#,##0"));
    no->GetFooter()->SetGroupExpression(QStringLiteral("row"));
    grid->GetFixedCols()->SetCount(1);
    grid->GetFooter()->SetVisible(true);

    // Customer: a name group of two levels beside the region and the city.
    TKvGridColumnGroup* customer = AddGroup(grid, nullptr, QStringLiteral("Customer · 고객"));
    AddColumn(grid, customer, FieldRegion, QStringLiteral("Region"), 70);
    TKvGridColumnGroup* name = AddGroup(grid, customer, QStringLiteral("Name"));
    AddColumn(grid, name, FieldNameKo, QStringLiteral("한글"), 80);
    AddColumn(grid, name, FieldNameEn, QStringLiteral("Latin"), 120);
    FitGroup(name);
    AddColumn(grid, customer, FieldCity, QStringLiteral("City"), 80);
    FitGroup(customer);

    TKvGridColumnGroup* order = AddGroup(grid, nullptr, QStringLiteral("Order · 주문"));
    // Dates are edited with a calendar drop-down.
    AddColumn(grid, order, FieldOrdered, QStringLiteral("Ordered"), 112)
        ->SetEditor(Create<TKvDateTimeCellEditor>(grid));
    TKvGridDataColumn* quantity = AddColumn(grid, order, FieldQuantity, QStringLiteral("Qty"), 90);
    quantity->GetStyles()->SetTextAlignment(AlignFar);
    quantity->GetFooter()->SetExpression(QStringLiteral("sum"));
    quantity->GetFooter()->GetStyles()->SetNumberFormat(QStringLiteral("#,##0"));
    TKvGridDataColumn* price = AddColumn(grid, order, FieldPrice, QStringLiteral("Price"), 80);
    price->GetStyles()->SetTextAlignment(AlignFar);
    price->GetStyles()->SetNumberFormat(QStringLiteral("#,##0"));
    TKvGridDataColumn* amount = AddColumn(grid, order, FieldAmount, QStringLiteral("Amount"), 120);
    amount->GetStyles()->SetTextAlignment(AlignFar);
    amount->GetStyles()->SetNumberFormat(QStringLiteral("#,##0"));
    amount->GetFooter()->SetExpression(QStringLiteral("sum"));
    amount->GetFooter()->SetGroupExpression(QStringLiteral("sum"));
    amount->GetFooter()->GetStyles()->SetNumberFormat(QStringLiteral("#,##0"));

    FitGroup(order);

    // Data-cell renderers: a bar, a check box and a picture drawn for the cell's key.
    FBar = MakeOwned<TKvBarCellRenderer>(nullptr);
    FBar->SetMaximum(100);
    AddColumn(grid, nullptr, FieldProgress, QStringLiteral("Progress"), 150)->SetRenderer(FBar.get());
    FCheck = MakeOwned<TKvCheckCellRenderer>(nullptr);
    AddColumn(grid, nullptr, FieldPaid, QStringLiteral("Paid"), 60)->SetRenderer(FCheck.get());
    FPictures = MakePictureLoader();
    FImage = MakeOwned<TKvImageCellRenderer>(nullptr);
    FImage->SetLoader(FPictures.get());
    TKvGridDataColumn* photo = AddColumn(grid, nullptr, FieldPhoto, QStringLiteral("Photo"), 80);
    photo->SetRenderer(FImage.get());
    photo->GetStyles()->SetContentFit(FitAuto);
}

void TDemoGrid::AddStyles()
{
    // Large orders get a tinted row; small quantities show in red.
    FGrid->GetBody()->GetDynamicStyles()->Add(QStringLiteral("value['Amount'] >= 800000"),
                                              QStringLiteral("Background=#fffff4d6"));
    FGrid->GetDataColumn(FieldNames()[FieldQuantity])
        ->GetDynamicStyles()
        ->Add(QStringLiteral("value < 10"), QStringLiteral("Foreground=#ffd32f2f"));
}

void TDemoGrid::AddFilters()
{
    // A filtered column's header shows its handle under the mouse; the drop-down lists the
    // filters to check.
    auto add = [](TKvGridDataColumn* column, const QString& name, const QString& criteria) {
        auto* filter = static_cast<TKvGridColumnFilter*>(column->GetFilters()->Add());
        filter->SetName(name);
        filter->SetCriteria(criteria);
    };
    TKvGridDataColumn* quantity = FGrid->GetDataColumn(FieldNames()[FieldQuantity]);
    add(quantity, QStringLiteral("Small (< 10)"), QStringLiteral("value < 10"));
    add(quantity, QStringLiteral("Large (>= 90)"), QStringLiteral("value >= 90"));
    TKvGridDataColumn* amount = FGrid->GetDataColumn(FieldNames()[FieldAmount]);
    add(amount, QStringLiteral("Over 800,000"), QStringLiteral("value >= 800000"));
    add(amount, QStringLiteral("Under 100,000"), QStringLiteral("value < 100000"));
    TKvGridDataColumn* city = FGrid->GetDataColumn(FieldNames()[FieldCity]);
    add(city, QStringLiteral("Starts with A-M"), QStringLiteral("value < 'N'"));
}

} // namespace demo
