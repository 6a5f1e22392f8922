// The item-provider chain of the top-level grid: an editable top over a grouped provider
// over a filtered provider over the default provider, which reads the data provider.
// The top owns the three lower links; sorting, filtering and grouping go to the link that
// does them, and grouping keeps the group fields as the leading sort keys.
#pragma once

#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "model/KvGrids.Model.Proxy.Group.h"

namespace kv {

class TKvVantrelItemProvider : public TKvGridEditableItemProvider
{
protected:
    friend class TCreateAccess;
    TKvVantrelItemProvider() : TKvGridEditableItemProvider(nullptr) {}

public:
    // Builds default, filtered over it, grouped over that, and takes the grouped one as source.
    void AfterConstruction() override;
    // Drops the source, then frees grouped, filtered and default, in that order.
    void BeforeDestruction() override;

    TKvDefaultGridItemProvider* GetItemProvider() const { return FItemProvider.get(); }
    TKvGridFilteredItemProvider* GetFilteredProvider() const { return FFilteredProvider.get(); }
    TKvGridGroupedItemProvider* GetGroupedProvider() const { return FGroupedProvider.get(); }

    // The data provider, at the bottom of the chain.
    void SetDataSource(TKvGridDataProvider* Provider);
    TKvGridDataProvider* GetDataSource() const override;
    TVariantArray GetFieldDomain(int Field) const;
    TKvIntegerArray GetSortFields() const;
    TKvGridSortDirections GetSortDirections() const;

    // Filtering (the filtered provider).
    bool IsFiltered(int Field) const;
    TKvColumnFilter* AddFilter(int Field, const QString& Expression);
    void RemoveFilter(int Field, TKvColumnFilter* Filter);
    void ClearFilters(int Field);
    void ClearAllFilters();
    // Filter changes between these rebuild once, at the end.
    void BeginFiltering();
    void EndFiltering();

    // Grouping (the grouped provider).
    bool IsGrouped() const;
    int GetGroupLevels() const;
    bool IsGroupedField(int Field) const;
    TKvIntegerArray GetGroupByFields() const;
    void SetExpandWhenGrouping(bool Value);
    void SetGroupedStyle(TKvGridGroupExpandedStyle Expanded, TKvGridGroupCollapsedStyle Collapsed);
    TKvGridItems GetAllItems() const override;
    int FindItem(const TKvIntegerArray& Fields, const TVariantArray& Values, TKvGridSearchOptions Options,
                 int StartIndex, int EndIndex) const override;
    using TKvGridItemProvider::FindItem;
    // The grouped provider's items emptied, or built again; neither sends a notification.
    void ClearItems() override;
    void PopulateItems() override;

    // Sorts the default provider; while grouped the group fields stay the leading keys.
    void OrderBy(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions);
    void GroupBy(const TKvIntegerArray& Fields, bool Sort, TKvGridSortDirection Direction);
    // Inserts the field as level Index (clamped); a field already grouped changes nothing.
    void AddGroupBy(int Index, int Field);
    // A field that is not grouped changes nothing.
    void RemoveGroupBy(int Field);

    bool GetGroupSorting() const { return FGroupSorting; }
    TKvGridSortDirection GetGroupSortDirection() const { return FGroupSortDirection; }

private:
    // Sorts the bottom by the group fields (when group sorting), re-filters, then groups.
    void Regroup(const TKvIntegerArray& Fields);

    TOwned<TKvDefaultGridItemProvider> FItemProvider;
    TOwned<TKvGridFilteredItemProvider> FFilteredProvider;
    TOwned<TKvGridGroupedItemProvider> FGroupedProvider;
    bool FGroupSorting = true;
    TKvGridSortDirection FGroupSortDirection = SortAscending;
};

} // namespace kv
