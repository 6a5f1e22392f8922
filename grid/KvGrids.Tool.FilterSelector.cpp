// The column filter drop-down.
//
// Call flow: DropDown(handle, options) takes the column of the handle's header cell -> the
// drop-down grid refills its object data provider from the column's Filters collection (one
// row per filter, its published "Name" and "Active"), checks the rows of active filters and
// shows itself below the handle. A checked or unchecked row sets Active of the filter behind
// the row's data row; the filtered item provider filters again.
#include "grid/KvGrids.Tool.FilterSelector.h"

#include <cmath>

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.Options.h"
#include "model/KvGrids.Data.Objects.h"
#include "model/KvGrids.Model.Proxy.Filter.h"

namespace kv {

class TKvGridFilterSelector::TFiltersListener : public TKvGridColumnFilterListener
{
public:
    explicit TFiltersListener(TKvGridFilterSelector* selector) : FSelector(selector) {}
    void FiltersChanged(TKvGridColumnFilterCollection*) override { FSelector->FiltersChanged(); }

private:
    TKvGridFilterSelector* FSelector;
};

TKvGridFilterSelector::TKvGridFilterSelector(TComponent* owner) : TKvGridInList(owner) {}

TKvGridFilterSelector::~TKvGridFilterSelector()
{
    if (FColumn && FFiltersListener)
        FColumn->GetFilters()->RemoveListener(FFiltersListener.get());
}

void TKvGridFilterSelector::AfterConstruction()
{
    TKvGridInList::AfterConstruction();
    FListOnly = true;
    SetTag(1111);
    // Each row's check is read from and reset to the row's "Active".
    GetCheckBar()->SetVisible(true);
    GetCheckBar()->SetResetField(QStringLiteral("Active"));
}

void TKvGridFilterSelector::CreateColumns()
{
    TKvGridDataColumn* column = AddDataColumn();
    column->SetFieldName(QStringLiteral("Name"));
    column->GetHeader()->SetCaption(QStringLiteral("Filter"));
    column->GetStyles()->SetBorderRight(nullptr);
    column->GetHeader()->GetStyles()->SetBorderRight(nullptr);
}

TKvGridDataProvider* TKvGridFilterSelector::CreateDataSource() { return Create<TKvObjectDataProvider>(this); }

void TKvGridFilterSelector::ResetData(TKvGridDataProvider* Provider)
{
    if (auto* objects = dynamic_cast<TKvObjectDataProvider*>(Provider))
        objects->SetSource(FColumn ? FColumn->GetFilters() : nullptr);
}

void TKvGridFilterSelector::Notification(TComponent* component, TOperation operation)
{
    TKvGridInList::Notification(component, operation);
    if (operation == opRemove && component == FColumn) {
        if (FFiltersListener)
            FColumn->GetFilters()->RemoveListener(FFiltersListener.get());
        FColumn = nullptr;
    }
}

// Every row is read again, so no row of a filter that went is painted; a change made by the
// list's own check is already shown.
void TKvGridFilterSelector::FiltersChanged()
{
    if (!GetListing() || FFiltering || !FProvider || IsDestroying())
        return;
    if (auto* objects = dynamic_cast<TKvObjectDataProvider*>(FProvider))
        objects->DoReset();
}

TPoint TKvGridFilterSelector::GetLocation()
{
    if (!FToolHandle)
        return TPoint{};
    if (TKvSpriteControl* grid = FToolHandle->GetContainer()) {
        const TPoint bottomLeft = FToolHandle->SpriteToContainer(TPoint{0, int(std::lround(FToolHandle->GetHeight()))});
        return grid->ClientToScreen(bottomLeft);
    }
    TKvGridCellElement* cell = FToolHandle->GetCell();
    TKvGridView* grid = cell ? cell->GetGrid() : nullptr;
    return grid ? grid->ClientToScreen(TPoint{0, 0}) : TPoint{};
}

void TKvGridFilterSelector::DropDown(TKvGridHeaderFilterHandle* Handle, TKvGridFilteringOptions* FilteringOptions)
{
    if (GetListing())
        return;
    auto* cell = Handle ? dynamic_cast<TKvGridHeaderCellElement*>(Handle->GetCell()) : nullptr;
    auto* Column = cell ? dynamic_cast<TKvGridDataColumn*>(cell->GetColumn()) : nullptr;
    if (!Column)
        return;
    FToolHandle = Handle;
    if (!FFiltersListener)
        FFiltersListener = std::make_unique<TFiltersListener>(this);
    if (FColumn != Column) {
        if (FColumn) {
            FColumn->RemoveFreeNotification(this);
            FColumn->GetFilters()->RemoveListener(FFiltersListener.get());
        }
        FColumn = Column;
        if (FColumn) {
            FColumn->FreeNotification(this);
            FColumn->GetFilters()->AddListener(FFiltersListener.get());
        }
    }
    const int count = FilteringOptions ? FilteringOptions->GetDropDownCount() : 8;
    TKvGridInList::DropDown(Handle, count, true);
    // Each row's check follows its filter's "Active".
    if (auto* objects = dynamic_cast<TKvObjectDataProvider*>(FProvider))
        GetItemProvider()->ResetItemsChecked(objects->GetFieldIndex(QStringLiteral("Active")), true);
}

// The filter behind the row is found through the item's data row; a failing filter (its
// criteria does not parse) leaves the flag clear.
void TKvGridFilterSelector::DoItemSourceItemChecked(int Index)
{
    TKvGridInList::DoItemSourceItemChecked(Index);
    TKvGridItemProvider* items = GetItemProvider();
    if (!FColumn || !items || Index < 0 || Index >= items->GetItemCount())
        return;
    SetRowFilterActive(FColumn, items->GetItem(Index), FFiltering);
}

void SetRowFilterActive(TKvGridDataColumn* Column, const TKvGridItem* Item, bool& Filtering)
{
    TKvGridColumnFilterCollection* filters = Column ? Column->GetFilters() : nullptr;
    const int row = Item ? Item->GetDataRow() : -1;
    if (!filters || row < 0 || row >= filters->Count())
        return;
    Filtering = true;
    try {
        filters->GetFilter(row)->SetActive(Item->GetChecked());
    } catch (...) {
        Filtering = false;
        throw;
    }
    Filtering = false;
}

} // namespace kv
