// Item providers at the edges of their bookkeeping: fixed rows beside groups and sorts, checks
// of rows without items, value runs a sort left behind after the data or the order changed,
// data rows outside the items, row states in a sorted list, removed filters, and rows joining
// a group in place.
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "model/KvGrids.Model.Proxy.Group.h"
#include "TestSupport.h"
#include "test_proxy_support.h"

using namespace kv;
using namespace kvtest;

namespace {

// Every row below the fixed ones, asked for its parent before its group listed it, answers
// the group of its own value; the fixed rows answer none.
void ExpectRowsInTheirGroups(const TKvGridItemProvider& Source, int Fixed, int Field)
{
    for (int i = 0; i < Source.GetItemCount(); ++i) {
        const TKvGridItem* item = Source.GetItem(i);
        auto* parent = dynamic_cast<const TKvGridGroupItemImpl*>(item->GetParent());
        if (i < Fixed) {
            EXPECT_EQ(parent, nullptr) << "fixed row " << i;
            continue;
        }
        ASSERT_NE(parent, nullptr) << "row " << i;
        EXPECT_EQ(parent->GetKey().ToString(), item->GetData(Field).ToString()) << "row " << i;
    }
}

// The group keys in order, each with the values of its rows.
QStringList GroupsWithRows(TKvGridGroupedItemProvider& Grouped, int Field)
{
    QStringList out;
    TKvGridGroupItem* root = Grouped.GetRootItem();
    for (int g = 0; g < root->GetCount(); ++g) {
        auto* group = dynamic_cast<TKvGridGroupItemImpl*>(root->GetItem(g));
        if (!group)
            continue;
        QStringList rows;
        for (int i = 0; i < group->GetCount(); ++i)
            if (group->GetItem(i)->GetDataRow() >= 0)
                rows << group->GetItem(i)->GetData(Field).ToString();
        out << group->GetKey().ToString() + ":" + rows.join(',');
    }
    return out;
}

} // namespace

TEST(Pins, PendingRowsBelowFixedRowsAnswerTheirOwnGroup)
{
    auto data = MakeTable("Name,Cat", "s,s",
                          {{"f0", "Z"}, {"f1", "Z"}, {"a1", "A"}, {"b1", "B"}, {"a2", "A"}, {"c1", "C"}, {"b2", "B"}});
    TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
    source->SetDataSource(data.get());
    source->SetFixed(2, false, false);
    source->OrderBy({1}, {SortAscending});
    ASSERT_EQ(Texts(*source, 1), QStringList({"Z", "Z", "A", "A", "B", "B", "C"}));
    TOwned<TKvGridGroupedItemProvider> grouped = MakeOwned<TKvGridGroupedItemProvider>(source.get());
    // Collapsed: no group has made its rows its children yet.
    grouped->GroupBy({1});
    ASSERT_EQ(grouped->GetRootItem()->GetCount(), 3);
    ExpectRowsInTheirGroups(*source, 2, 1);

    // Asked from the last row up, each row still finds its own group.
    grouped->GroupBy({});
    grouped->GroupBy({1});
    for (int i = source->GetItemCount() - 1; i >= 2; --i) {
        const TKvGridItem* item = source->GetItem(i);
        auto* parent = dynamic_cast<const TKvGridGroupItemImpl*>(item->GetParent());
        ASSERT_NE(parent, nullptr) << "row " << i;
        EXPECT_EQ(parent->GetKey().ToString(), item->GetData(1).ToString()) << "row " << i;
    }
    grouped.reset();
    source.reset();
}

// Checks kept for rows whose items are not made yet follow their rows when an earlier row is
// removed or inserted.
TEST(Pins, ChecksOfRowsWithoutItemsFollowTheirRows)
{
    auto data = MakeTable("Name", "s", {{"r0"}, {"r1"}, {"r2"}, {"r3"}, {"r4"}, {"r5"}});
    TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
    provider->SetDataSource(data.get());
    provider->CheckItem(3, true);
    provider->CheckItem(5, true);
    ASSERT_EQ(provider->GetLiveItemCount(), 0);
    auto checked = [&] {
        QStringList out;
        for (int i = 0; i < provider->GetItemCount(); ++i)
            if (provider->GetItem(i)->GetChecked())
                out << provider->GetItem(i)->GetData(0).ToString();
        return out;
    };

    data->RemoveRow(1);
    ASSERT_EQ(provider->GetLiveItemCount(), 0);
    data->InsertRow(0, {"n0"});
    ASSERT_EQ(provider->GetLiveItemCount(), 0);
    EXPECT_EQ(checked(), QStringList({"r3", "r5"}));

    // Unchecking a row whose item is now made clears it there.
    provider->CheckItem(3, false);
    EXPECT_EQ(checked(), QStringList({"r5"}));
    provider.reset();
}

// A sort records where its values change; a change to the data after it makes grouping read
// the values again, so the groups follow the new values.
TEST(Pins, GroupingAfterANotifiedChangeReadsTheNewValues)
{
    auto data = MakeTable("Name,Cat", "s,s", {{"r0", "B"}, {"r1", "A"}, {"r2", "B"}, {"r3", "A"}, {"r4", "C"}});
    TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
    source->SetDataSource(data.get());
    source->OrderBy({1}, {SortAscending});
    ASSERT_EQ(Texts(*source, 1), QStringList({"A", "A", "B", "B", "C"}));
    TOwned<TKvGridGroupedItemProvider> grouped = MakeOwned<TKvGridGroupedItemProvider>(source.get());

    // SetData: the second A becomes B, in place (no re-sort): A | B B B | C.
    data->SetData(3, 1, "B");
    ASSERT_EQ(Texts(*source, 1), QStringList({"A", "B", "B", "B", "C"}));
    grouped->GroupBy({1});
    EXPECT_EQ(GroupsWithRows(*grouped, 1), QStringList({"A:A", "B:B,B,B", "C:C"}));
    grouped->GroupBy({});

    // A whole-row update the same way: the C becomes B.
    source->OrderBy({1}, {SortAscending});
    ASSERT_EQ(Texts(*source, 1), QStringList({"A", "B", "B", "B", "C"}));
    data->UpdateRow(4, {"r4", "B"});
    ASSERT_EQ(Texts(*source, 1), QStringList({"A", "B", "B", "B", "B"}));
    grouped->GroupBy({1});
    EXPECT_EQ(GroupsWithRows(*grouped, 1), QStringList({"A:A", "B:B,B,B,B"}));
    grouped.reset();
    source.reset();
}

// With the fixed rows kept out of the sort, the rows below them are sorted down to two.
TEST(Pins, TwoRowsBelowUnsortedFixedRowsAreSorted)
{
    for (int below = 1; below <= 3; ++below) {
        std::vector<TKvGridDataRow> rows{{50}, {60}};
        for (int i = below; i >= 1; --i)
            rows.push_back({i});
        auto data = MakeTable("N", "n", rows);
        TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
        provider->SetFixed(2, false, false);
        provider->SetDataSource(data.get());
        provider->OrderBy({0}, {SortAscending});
        QStringList expected{"50", "60"};
        for (int i = 1; i <= below; ++i)
            expected << QString::number(i);
        EXPECT_EQ(Texts(*provider, 0), expected) << below << " rows below";
        provider.reset();
    }
}

// A data row just past the items, or before them, has no item, sorted or not.
TEST(Pins, DataRowsOutsideTheItemsHaveNoItem)
{
    auto data = MakeTable("N", "n", {{3}, {1}, {2}});
    TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
    provider->SetDataSource(data.get());
    for (bool sorted : {false, true}) {
        if (sorted)
            provider->OrderBy({0}, {SortAscending});
        EXPECT_EQ(provider->ItemOfData(-1), -1) << sorted;
        EXPECT_EQ(provider->ItemOfData(3), -1) << sorted;
        EXPECT_EQ(provider->ItemOfData(0), sorted ? 2 : 0) << sorted;
    }
    provider.reset();
}

// Rows put in another order by hand after a sort group by the order they are in.
TEST(Pins, GroupingAfterExchangeOrApplyOrderFollowsTheNewOrder)
{
    auto data = MakeTable("Name,Cat", "s,s", {{"r0", "B"}, {"r1", "A"}, {"r2", "B"}, {"r3", "A"}, {"r4", "C"}});
    TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
    source->SetDataSource(data.get());
    TOwned<TKvGridGroupedItemProvider> grouped = MakeOwned<TKvGridGroupedItemProvider>(source.get());

    source->OrderBy({1}, {SortAscending});
    source->Exchange(1, 4); // A C B B A
    ASSERT_EQ(Texts(*source, 1), QStringList({"A", "C", "B", "B", "A"}));
    grouped->GroupBy({1});
    EXPECT_EQ(GroupsWithRows(*grouped, 1), QStringList({"A:A", "C:C", "B:B,B", "A:A"}));
    grouped->GroupBy({});

    source->OrderBy({1}, {SortAscending});
    source->ApplyOrder(0, {2, 0, 1, 3, 4}); // B A A B C
    ASSERT_EQ(Texts(*source, 1), QStringList({"B", "A", "A", "B", "C"}));
    grouped->GroupBy({1});
    EXPECT_EQ(GroupsWithRows(*grouped, 1), QStringList({"B:B", "A:A,A", "B:B", "C:C"}));
    grouped.reset();
    source.reset();
}

// A row's state change is told with the row's item index, also in a sorted list.
TEST(Pins, RowStateChangesCarryTheItemIndex)
{
    auto data = MakeTable("N", "n", {{3}, {1}, {2}});
    TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
    provider->SetDataSource(data.get());
    provider->OrderBy({0}, {SortAscending}); // rows 1 2 0
    TRecorder recorder;
    provider->AddListener(&recorder);
    data->DoRowStateChanged(0);
    data->DoRowStateChanged(1);
    EXPECT_EQ(recorder.Take(), QStringList({"state 2", "state 0"}));
    provider->RemoveListener(&recorder);
    provider.reset();
}

// Removing a field's last filter shows every row again.
TEST(Pins, RemovingTheLastFilterOfAFieldShowsEveryRow)
{
    auto data = MakeTable("Name,Qty", "s,n", {{"a", 1}, {"b", 5}, {"c", 9}});
    TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
    source->SetDataSource(data.get());
    TOwned<TKvGridFilteredItemProvider> filtered = MakeOwned<TKvGridFilteredItemProvider>(source.get());
    TKvColumnFilter* big = filtered->AddFilter(1, "value > 4");
    TKvColumnFilter* named = filtered->AddFilter(0, "value = 'c'");
    ASSERT_EQ(Texts(*filtered, 0), QStringList({"c"}));
    filtered->RemoveFilter(0, named);
    EXPECT_FALSE(filtered->HasFilter(0));
    EXPECT_EQ(Texts(*filtered, 0), QStringList({"b", "c"}));
    filtered->RemoveFilter(1, big);
    EXPECT_FALSE(filtered->HasFilter(1));
    EXPECT_EQ(Texts(*filtered, 0), QStringList({"a", "b", "c"}));
    filtered.reset();
    source.reset();
}

// A row inserted at the head of the last group joins it in place: the groups are not built
// again, so one expanded by hand stays expanded.
TEST(Pins, ARowInsertedBeforeTheLastRowJoinsItsGroupInPlace)
{
    auto data = MakeTable("Name,Cat", "s,s", {{"a1", "A"}, {"a2", "A"}, {"b1", "B"}});
    TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
    source->SetDataSource(data.get());
    TOwned<TKvGridGroupedItemProvider> grouped = MakeOwned<TKvGridGroupedItemProvider>(source.get());
    grouped->GroupBy({1});
    auto group = [&](int i) { return dynamic_cast<TKvGridGroupItemImpl*>(grouped->GetRootItem()->GetItem(i)); };
    ASSERT_EQ(grouped->GetRootItem()->GetCount(), 2);
    grouped->Expand(group(1), false);
    ASSERT_TRUE(group(1)->GetExpanded());

    data->InsertRow(2, {"b0", "B"});
    EXPECT_EQ(GroupsWithRows(*grouped, 0), QStringList({"A:a1,a2", "B:b0,b1"}));
    EXPECT_FALSE(group(0)->GetExpanded());
    EXPECT_TRUE(group(1)->GetExpanded());
    grouped.reset();
    source.reset();
}

// On a list without filters, whether the fixed rows are filtered changes nothing: no notice.
TEST(Pins, FixedFilteringOfAnUnfilteredListSendsNothing)
{
    auto data = MakeTable("N", "n", {{3}, {1}, {2}});
    TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
    source->SetDataSource(data.get());
    TOwned<TKvGridFilteredItemProvider> filtered = MakeOwned<TKvGridFilteredItemProvider>(source.get());
    TRecorder recorder;
    filtered->AddListener(&recorder);
    filtered->SetFixed(1, false, true);
    EXPECT_EQ(recorder.Take(), QStringList({"refresh"}));
    filtered->SetFixed(1, false, false);
    EXPECT_EQ(recorder.Take(), QStringList());
    EXPECT_EQ(Texts(*filtered, 0), QStringList({"3", "1", "2"}));
    filtered->RemoveListener(&recorder);
    filtered.reset();
    source.reset();
}
