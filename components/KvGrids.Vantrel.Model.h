// The item-provider chain of the top-level grid: an editable top over a grouped provider
// over a filtered provider over the default provider, which reads the data provider. The
// chain base (KvGrids.Chain.Model) holds the filtered and default links and their
// forwarders; this one stacks the grouped link, and grouping keeps the group fields as the
// leading sort keys.
#pragma once

#include "components/KvGrids.Chain.Model.h"
#include "model/KvGrids.Model.Proxy.Group.h"

#include <functional>

namespace kv {

class TKvVantrelItemProvider : public TKvGridChainItemProvider
{
protected:
    friend class TCreateAccess;
    TKvVantrelItemProvider() = default;

public:
    TKvGridGroupedItemProvider* GetGroupedProvider() const { return FGroupedProvider.get(); }

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

    // Sorts the default provider; while grouped the group fields stay the leading keys.
    void OrderBy(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions) override;
    void GroupBy(const TKvIntegerArray& Fields, bool Sort, TKvGridSortDirection Direction);
    // Inserts the field as level Index (clamped); a field already grouped changes nothing.
    void AddGroupBy(int Index, int Field);
    // A field that is not grouped changes nothing.
    void RemoveGroupBy(int Field);

    bool GetGroupSorting() const { return FGroupSorting; }
    TKvGridSortDirection GetGroupSortDirection() const { return FGroupSortDirection; }

protected:
    // The grouped provider over the filtered one.
    TKvGridItemProvider* StackLinks(TKvGridFilteredItemProvider* Filtered) override;
    // Grouped first, then the base's links.
    void FreeLinks() override;

private:
    // Sorts the bottom by the group fields (when group sorting), re-filters, then groups.
    void Regroup(const TKvIntegerArray& Fields);
    // Runs a change of the sort or the grouping; one that fails half-way leaves every link as
    // it was (the bottom's order and sort, the passing items, the groups and their states).
    void Transact(const std::function<void()>& Change);

    TOwned<TKvGridGroupedItemProvider> FGroupedProvider;
    bool FGroupSorting = true;
    TKvGridSortDirection FGroupSortDirection = SortAscending;
};

} // namespace kv
