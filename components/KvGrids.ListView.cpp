#include "components/KvGrids.ListView.h"

#include "components/KvGrids.Vantrel.h"
#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Options.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/ui/MessageBox.h"

namespace kv {

namespace {

template <typename T>
void IgnorePart(TKvListView&, T*)
{
}

} // namespace

// Only these parts of the view are published; DataProvider is set in code.
KV_PUBLISH(TKvListView, TKvGridView)
    .Property("Indicator", &TKvListView::GetIndicator, &IgnorePart<TKvGridIndicator>)
    .Property("Header", &TKvListView::GetHeader, &IgnorePart<TKvGridHeader>)
    .Property("DisplayOptions", &TKvListView::GetDisplayOptions, &IgnorePart<TKvGridDisplayOptions>);

void RegisterListViewClasses()
{
    static const bool registered = (RegisterClasses<TKvListView>(), true);
    (void)registered;
}

namespace {
[[maybe_unused]] const bool kListViewRegistered = (RegisterListViewClasses(), true);
} // namespace

// ---- the view --------------------------------------------------------------------------------

TKvListView::TKvListView(TComponent* owner) : TKvGridView(owner) {}

TOwned<TKvGridItemProvider> TKvListView::CreateItemProvider() { return MakeOwned<TKvListViewItemProvider>(); }

TOwned<TKvGridDelegate> TKvListView::CreateGridDelegate() { return MakeOwned<TKvListViewDelegate>(this); }

TKvGridDataProvider* TKvListView::GetDataProvider() const { return FItemSource ? FItemSource->GetDataSource() : nullptr; }

void TKvListView::SetDataProvider(TKvGridDataProvider* Provider)
{
    if (!FItemSource)
        return;
    FItemSource->SetDataSource(Provider);
    // The fields behind the columns may have moved: filters follow them.
    if (CanApplyFilters() && HasAnyActiveFilter())
        ApplyFilters();
}

void TKvListView::GenerateDataColumns(bool Clear)
{
    GenerateGridDataColumns(this, GetDataProvider(), Clear);
}

void TKvListView::SortItems(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions)
{
    if (FItemSource)
        FItemSource->OrderBy(Fields, Directions);
}

TKvIntegerArray TKvListView::GetSortFields() const { return FItemSource ? FItemSource->GetSortFields() : TKvIntegerArray{}; }

TKvGridSortDirections TKvListView::GetSortDirections() const
{
    return FItemSource ? FItemSource->GetSortDirections() : TKvGridSortDirections{};
}

bool TKvListView::IsFiltered(TKvGridColumn* Column) const
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    return FItemSource && data && FItemSource->IsFiltered(data->GetDataIndex());
}

bool TKvListView::CanApplyFilters() const { return !IsLoading() && !IsDestroying() && !IsDesigning(); }

bool TKvListView::HasAnyActiveFilter() const
{
    for (TKvGridDataColumn* column : GetDataColumns())
        if (HasActiveFilters(column))
            return true;
    return false;
}

void TKvListView::ApplyFilters()
{
    if (!FItemSource)
        return;
    try {
        FItemSource->ApplyColumnFilters(GetDataColumns());
    } catch (const EKvFilterError&) {
        SetTopIndex(0);
        throw;
    }
    SetTopIndex(0);
}

void TKvListView::ColumnFiltersChanged()
{
    if (CanApplyFilters())
        ApplyFilters();
}

void TKvListView::Loaded()
{
    TKvGridView::Loaded();
    // Filters read active from the form file take effect; those left out are reported
    // through the application's error path, and the form reads.
    if (CanApplyFilters() && HasAnyActiveFilter()) {
        try {
            ApplyFilters();
        } catch (const EKvFilterError& e) {
            ShowException(e);
        }
    }
}

// ---- delegate and tool -----------------------------------------------------------------------

IntfPtr<IKvGridTool> TKvListViewDelegate::CreateDefaultTool() { return MakeIntf<TKvListViewSelectionTool>(FOwner); }

void TKvListViewSelectionTool::ColumnHeaderClicked(TKvGridColumn* Column)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    if (data && data->GetSortable())
        FOwner->SortColumn(data);
}

} // namespace kv
