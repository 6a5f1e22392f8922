#include "components/KvGrids.Vantrel.Model.h"

#include "platform/rtl/ScopeGuard.h"

#include <algorithm>

namespace kv {

TKvGridItemProvider* TKvVantrelItemProvider::StackLinks(TKvGridFilteredItemProvider* Filtered)
{
    FGroupedProvider = MakeOwned<TKvGridGroupedItemProvider>(Filtered);
    return FGroupedProvider.get();
}

void TKvVantrelItemProvider::FreeLinks()
{
    FGroupedProvider.reset();
    TKvGridChainItemProvider::FreeLinks();
}

// ---- grouping forwarders ---------------------------------------------------------------------

bool TKvVantrelItemProvider::IsGrouped() const { return FGroupedProvider && FGroupedProvider->GetGrouped(); }
int TKvVantrelItemProvider::GetGroupLevels() const { return FGroupedProvider ? FGroupedProvider->GetGroupCount() : 0; }

bool TKvVantrelItemProvider::IsGroupedField(int Field) const
{
    return FGroupedProvider && FGroupedProvider->IsGroupedField(Field);
}

TKvIntegerArray TKvVantrelItemProvider::GetGroupByFields() const
{
    return FGroupedProvider ? FGroupedProvider->GetGroupByFields() : TKvIntegerArray{};
}

void TKvVantrelItemProvider::SetExpandWhenGrouping(bool Value)
{
    if (FGroupedProvider)
        FGroupedProvider->SetExpandWhenGrouping(Value);
}

void TKvVantrelItemProvider::SetGroupedStyle(TKvGridGroupExpandedStyle Expanded, TKvGridGroupCollapsedStyle Collapsed)
{
    if (!FGroupedProvider)
        return;
    FGroupedProvider->SetExpandedStyle(Expanded);
    FGroupedProvider->SetCollapsedStyle(Collapsed);
}

TKvGridItems TKvVantrelItemProvider::GetAllItems() const
{
    return FGroupedProvider ? FGroupedProvider->GetAllItems() : TKvGridItems{};
}

int TKvVantrelItemProvider::FindItem(const TKvIntegerArray& Fields, const TVariantArray& Values,
                                     TKvGridSearchOptions Options, int StartIndex, int EndIndex) const
{
    return FGroupedProvider ? FGroupedProvider->FindItem(Fields, Values, Options, StartIndex, EndIndex) : -1;
}

// ---- sorting and grouping --------------------------------------------------------------------

void TKvVantrelItemProvider::OrderBy(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions)
{
    TKvDefaultGridItemProvider* bottom = GetItemProvider();
    if (!bottom)
        return;
    auto direction = [&](size_t i) { return i < Directions.size() ? Directions[i] : SortAscending; };
    if (!IsGrouped()) {
        TKvGridSortDirections directions(Fields.size());
        for (size_t i = 0; i < Fields.size(); ++i)
            directions[i] = direction(i);
        Transact([&] { bottom->OrderBy(Fields, directions, true); });
        return;
    }
    // The group fields lead, in level order, keeping the directions they are sorted by now.
    TKvIntegerArray fields = GetGroupByFields();
    const TKvIntegerArray current = bottom->GetSortFields();
    const TKvGridSortDirections currentDirections = bottom->GetSortDirections();
    TKvGridSortDirections directions(fields.size(), FGroupSortDirection);
    for (size_t p = 0; p < fields.size(); ++p) {
        const auto it = std::find(current.begin(), current.end(), fields[p]);
        const size_t at = static_cast<size_t>(it - current.begin());
        if (it != current.end() && at < currentDirections.size())
            directions[p] = currentDirections[at];
    }
    for (size_t i = 0; i < Fields.size(); ++i) {
        const auto it = std::find(fields.begin(), fields.end(), Fields[i]);
        if (it != fields.end()) {
            directions[static_cast<size_t>(it - fields.begin())] = direction(i);
        } else {
            fields.push_back(Fields[i]);
            directions.push_back(direction(i));
        }
    }
    Transact([&] { bottom->OrderBy(fields, directions, true); });
}

void TKvVantrelItemProvider::Transact(const std::function<void()>& Change)
{
    TKvDefaultGridItemProvider* bottom = GetItemProvider();
    TKvGridFilteredItemProvider* filtered = GetFilteredProvider();
    if (!bottom || !filtered || !FGroupedProvider) {
        Change();
        return;
    }
    TKvDefaultGridItemProvider::TOrderState order = bottom->SaveOrder();
    std::vector<int> passing = filtered->GetPassingItems();
    // Nothing reads the groups until the change builds them again.
    std::unique_ptr<TKvGridGroupedItemProvider::TGroupsState> groups = FGroupedProvider->TakeGroups();
    TScopeExit restore([&] {
        bottom->RestoreOrder(std::move(order));
        filtered->RestorePassingItems(std::move(passing));
        FGroupedProvider->RestoreGroups(std::move(groups));
    });
    Change();
    restore.Dismiss();
}

void TKvVantrelItemProvider::Regroup(const TKvIntegerArray& Fields)
{
    if (!FGroupedProvider)
        return;
    // A field the data does not have is refused before the rows are re-sorted.
    if (TKvGridDataProvider* data = GetDataSource())
        for (int field : Fields)
            if (field < 0 || field >= data->GetFieldCount())
                throw EArgumentOutOfRangeException(QStringLiteral("field: ") + QString::number(field));
    Transact([&] {
        if (FGroupSorting) {
            GetItemProvider()->OrderBy(Fields, TKvGridSortDirections(Fields.size(), FGroupSortDirection), false);
            // The filtered list holds positions of the bottom's items: the re-sort moved them.
            GetFilteredProvider()->ApplyFilters(false);
        }
        FGroupedProvider->GroupBy(Fields);
    });
}

void TKvVantrelItemProvider::GroupBy(const TKvIntegerArray& Fields, bool Sort, TKvGridSortDirection Direction)
{
    TRestore<bool> sorting(FGroupSorting, Sort);
    TRestore<TKvGridSortDirection> direction(FGroupSortDirection, Direction);
    Regroup(Fields);
    sorting.Commit();
    direction.Commit();
}

void TKvVantrelItemProvider::AddGroupBy(int Index, int Field)
{
    if (IsGroupedField(Field))
        return;
    TKvIntegerArray fields = IsGrouped() ? GetGroupByFields() : TKvIntegerArray{};
    Index = std::clamp(Index, 0, static_cast<int>(fields.size()));
    fields.insert(fields.begin() + Index, Field);
    Regroup(fields);
}

void TKvVantrelItemProvider::RemoveGroupBy(int Field)
{
    if (!IsGrouped())
        return;
    TKvIntegerArray fields = GetGroupByFields();
    const auto it = std::find(fields.rbegin(), fields.rend(), Field);
    if (it == fields.rend())
        return;
    fields.erase(std::next(it).base());
    Regroup(fields);
}

} // namespace kv
