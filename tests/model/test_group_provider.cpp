// The grouped item provider: group building, visible list styles, expansion, summaries.
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Group.h"
#include "TestSupport.h"
#include "test_proxy_support.h"

#include <cmath>

using namespace kv;
using namespace kvtest;

namespace {

struct TGroupFixture : ::testing::Test
{
    // Name, Cat, Sub, Value (numeric); the rows are not in group order.
    TOwned<TKvSimpleDataProvider> Data = MakeTable("Name,Cat,Sub,Value", "s,s,s,n",
                                                            {{"r0", "B", "q", 5},
                                                             {"r1", "A", "p", 1},
                                                             {"r2", "B", "p", 4},
                                                             {"r3", "A", "q", 3},
                                                             {"r4", "B", "q", 6},
                                                             {"r5", "A", "p", 2},
                                                             {"r6", "B", "q", 8}});
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridGroupedItemProvider> Grouped;
    TRecorder Recorder;

    void SetUp() override
    {
        Default->SetDataSource(Data.get());
        Default->OrderBy({1, 2, 3}, {});
        Grouped = MakeOwned<TKvGridGroupedItemProvider>(Default.get());
        Grouped->AddListener(&Recorder);
    }
    void TearDown() override
    {
        Grouped.reset();
        Default.reset();
    }

    // "A" for a group, "/A" for its footer ("/A*" when it expands the group), the row's name.
    QString Describe(const TKvGridItem* item) const
    {
        if (auto* g = dynamic_cast<const TKvGridGroupItemImpl*>(item))
            return g->GetKey().ToString();
        if (auto* f = dynamic_cast<const TKvGridGroupFooterImpl*>(item))
            return "/" + f->GetGroup()->GetKey().ToString() + (f->GetExpandable() ? "*" : "");
        return item->GetData(0).ToString();
    }
    QStringList Visible() const
    {
        QStringList out;
        for (int i = 0; i < Grouped->GetItemCount(); ++i)
            out << Describe(Grouped->GetItem(i));
        return out;
    }
    TKvGridGroupItemImpl* Group(int index) const
    {
        return dynamic_cast<TKvGridGroupItemImpl*>(Grouped->GetRootItem()->GetItem(index));
    }
    // Every group's stored visible index matches the list.
    void ExpectIndicesConsistent() const
    {
        for (int i = 0; i < Grouped->GetItemCount(); ++i) {
            const TKvGridItem* item = Grouped->GetItem(i);
            if (auto* g = dynamic_cast<const TKvGridGroupItemImpl*>(item)) {
                EXPECT_EQ(g->GetVIndex(), i) << Describe(item).toStdString();
            }
            if (auto* f = dynamic_cast<const TKvGridGroupFooterImpl*>(item); f && f->GetExpandable()) {
                EXPECT_EQ(f->GetGroup()->GetVIndex(), i);
            }
            EXPECT_EQ(Grouped->IndexOfItem(item), i) << Describe(item).toStdString();
        }
    }
};

} // namespace

TEST_F(TGroupFixture, OneLevelGroupsOfRuns)
{
    EXPECT_FALSE(Grouped->GetGrouped());
    EXPECT_EQ(Grouped->GetItemCount(), 7);
    Grouped->GroupBy({1});
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));
    EXPECT_TRUE(Grouped->GetGrouped());
    EXPECT_EQ(Grouped->GetGroupCount(), 1);
    EXPECT_TRUE(Grouped->IsGroupedField(1));
    EXPECT_FALSE(Grouped->IsGroupedField(2));
    // Groups start collapsed unless asked otherwise.
    EXPECT_EQ(Visible(), QStringList({"A", "B"}));
    EXPECT_EQ(Grouped->GetRowCount(), 7);

    TKvGridGroupItemImpl* a = Group(0);
    TKvGridGroupItemImpl* b = Group(1);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(Grouped->GetRootItem()->GetCount(), 2); // the root has no footer
    EXPECT_EQ(a->GetDescendantCount(), 3);
    EXPECT_EQ(b->GetRowCount(), 4);
    EXPECT_EQ(a->GetCount(), 4); // three rows and the footer
    EXPECT_EQ(a->GetField(), 1);
    EXPECT_FALSE(a->GetLeaf());
    EXPECT_EQ(a->GetDataRow(), -1);
    EXPECT_EQ(a->GetRowState(), RowStateNone);
    EXPECT_EQ(a->GetLevel(), 1);
    EXPECT_EQ(a->GetItem(0)->GetLevel(), 2);
    EXPECT_EQ(a->GetFirstItem(), Default->GetItem(0));
    EXPECT_EQ(a->GetItem(3), a->GetFooter());
    EXPECT_EQ(a->GetFooter()->GetParent(), a);
    KV_EXPECT_THROW_MSG(a->GetItem(4), EArgumentNilException, "index");
    EXPECT_FALSE(a->GetItem(0)->CanVisible());

    a->SetExpanded(true);
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));
    EXPECT_EQ(Visible(), QStringList({"A", "r1", "r5", "r3", "/A", "B"}));
    EXPECT_TRUE(a->GetItem(0)->CanVisible());
    ExpectIndicesConsistent();
    a->SetExpanded(true); // unchanged: nothing sent
    EXPECT_TRUE(Recorder.Take().isEmpty());
    // Data rows inside collapsed groups have no position.
    EXPECT_EQ(Grouped->ItemOfData(3), 3);
    EXPECT_EQ(Grouped->ItemOfData(2), -1);
    b->GetItem(1)->MakeVisible();
    EXPECT_TRUE(b->GetExpanded());
    EXPECT_EQ(Grouped->ItemOfData(2), 6);
    ExpectIndicesConsistent();

    Grouped->GroupBy({});
    EXPECT_FALSE(Grouped->GetGrouped());
    EXPECT_EQ(Grouped->GetItemCount(), 7);
    // No row keeps a parent from the freed tree.
    for (int i = 0; i < Default->GetItemCount(); ++i) {
        EXPECT_EQ(Default->GetItem(i)->GetParent(), nullptr);
        EXPECT_EQ(Default->GetItem(i)->GetLevel(), 0);
    }
}

TEST_F(TGroupFixture, TwoLevelsWithEveryStyle)
{
    Grouped->SetExpandWhenGrouping(true);
    Grouped->GroupBy({1, 2});
    EXPECT_EQ(Grouped->GetGroupCount(), 2);
    EXPECT_EQ(Grouped->GetGroupByFields(), (TKvIntegerArray{1, 2}));
    EXPECT_EQ(Visible(), QStringList({"A", "p", "r1", "r5", "/p", "q", "r3", "/q", "/A", "B", "p", "r2", "/p", "q",
                                      "r0", "r4", "r6", "/q", "/B"}));
    EXPECT_EQ(Group(0)->GetItem(0)->GetLevel(), 2);
    EXPECT_EQ(dynamic_cast<TKvGridGroupItem*>(Group(0)->GetItem(0))->GetItem(0)->GetLevel(), 3);
    ExpectIndicesConsistent();

    Grouped->SetExpandedStyle(ExpandedHeader);
    EXPECT_EQ(Visible(), QStringList({"A", "p", "r1", "r5", "q", "r3", "B", "p", "r2", "q", "r0", "r4", "r6"}));
    Grouped->SetExpandedStyle(ExpandedFooter);
    EXPECT_EQ(Visible(), QStringList({"/A*", "/p*", "r1", "r5", "/q*", "r3", "/B*", "/p*", "r2", "/q*", "r0", "r4",
                                      "r6"}));
    ExpectIndicesConsistent();

    auto* bq = dynamic_cast<TKvGridGroupItemImpl*>(Group(1)->GetItem(1));
    ASSERT_NE(bq, nullptr);
    for (auto [style, expected] : std::vector<std::pair<TKvGridGroupCollapsedStyle, QStringList>>{
             {CollapsedHeader, {"/A*", "/p*", "r1", "r5", "/q*", "r3", "/B*", "/p*", "r2", "q"}},
             {CollapsedFooter, {"/A*", "/p*", "r1", "r5", "/q*", "r3", "/B*", "/p*", "r2", "/q*"}},
             {CollapsedBoth, {"/A*", "/p*", "r1", "r5", "/q*", "r3", "/B*", "/p*", "r2", "q", "/q"}}}) {
        Grouped->SetCollapsedStyle(style);
        Grouped->Collapse(bq);
        EXPECT_EQ(Visible(), expected) << style;
        ExpectIndicesConsistent();
        Grouped->Expand(bq->GetFooter(), false); // a footer stands for its group
        EXPECT_EQ(Visible().size(), 13);
        ExpectIndicesConsistent();
    }

    Grouped->SetExpandedStyle(ExpandedBoth);
    Grouped->SetCollapsedStyle(CollapsedBoth);
    Recorder.Take();
    // Collapsing a top group removes its deeper entries.
    Grouped->Collapse(Group(0));
    EXPECT_EQ(Visible(), QStringList({"A", "/A", "B", "p", "r2", "/p", "q", "r0", "r4", "r6", "/q", "/B"}));
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));
    ExpectIndicesConsistent();
    Grouped->Collapse(Group(0));
    EXPECT_TRUE(Recorder.Take().isEmpty());
    // A hidden group changes state only; it shows so when its parent expands.
    auto* ap = dynamic_cast<TKvGridGroupItemImpl*>(Group(0)->GetItem(0));
    Grouped->Collapse(ap);
    EXPECT_FALSE(ap->GetExpanded());
    EXPECT_EQ(Visible().size(), 12);
    Grouped->Expand(Group(0), false);
    EXPECT_EQ(Visible(), QStringList({"A", "p", "/p", "q", "r3", "/q", "/A", "B", "p", "r2", "/p", "q", "r0", "r4",
                                      "r6", "/q", "/B"}));
    ExpectIndicesConsistent();
    // Recursive expansion opens the collapsed sub-groups too.
    Grouped->Collapse(Group(0));
    Grouped->Expand(Group(0), true);
    EXPECT_TRUE(ap->GetExpanded());
    EXPECT_EQ(Visible().size(), 19);
    ExpectIndicesConsistent();
    Grouped->Collapse(ap);
    Grouped->Expand(Group(0), true); // already expanded: the collapsed sub-group opens
    EXPECT_EQ(Visible().size(), 19);

    // Every item, as if all were expanded, without changing any state.
    Grouped->Collapse(Group(1));
    Grouped->Collapse(Group(0));
    const TKvGridItems all = Grouped->GetAllItems();
    EXPECT_EQ(all.size(), 19u);
    EXPECT_EQ(all[2], Default->GetItem(0));
    EXPECT_FALSE(Group(0)->GetExpanded());
    EXPECT_EQ(Visible(), QStringList({"A", "/A", "B", "/B"}));

    Grouped->RemoveGroupBy(1);
    EXPECT_EQ(Grouped->GetGroupByFields(), (TKvIntegerArray{2}));
    Grouped->AddGroupBy(5, 1);
    EXPECT_EQ(Grouped->GetGroupByFields(), (TKvIntegerArray{2, 1}));
    Grouped->AddGroupBy(0, 2); // already grouped
    EXPECT_EQ(Grouped->GetGroupByFields(), (TKvIntegerArray{2, 1}));
    Grouped->AddGroupBy(-3, 0);
    EXPECT_EQ(Grouped->GetGroupByFields(), (TKvIntegerArray{0, 2, 1}));
    KV_EXPECT_THROW_MSG(Grouped->GroupBy({9}), EArgumentOutOfRangeException, "field: 9");
    EXPECT_EQ(Grouped->GetGroupByFields(), (TKvIntegerArray{0, 2, 1}));
}

TEST_F(TGroupFixture, SummariesPerGroup)
{
    Grouped->GroupBy({1});
    TKvGridGroupItemImpl* a = Group(0); // values 1, 2, 3
    TKvGridGroupItemImpl* b = Group(1); // values 4, 5, 6, 8
    // The mean summarizes first.
    EXPECT_DOUBLE_EQ(a->GetMean(3), 2.0);
    EXPECT_TRUE(a->GetSummarized());
    EXPECT_DOUBLE_EQ(a->GetSum(3), 6.0);
    EXPECT_DOUBLE_EQ(b->GetSum(3), 23.0);
    EXPECT_DOUBLE_EQ(b->GetMean(3), 5.75);
    EXPECT_DOUBLE_EQ(a->GetVar(3), 1.0);
    EXPECT_DOUBLE_EQ(a->GetStdev(3), 1.0);
    EXPECT_NEAR(b->GetVar(3), 2.9166666666666665, 1e-12);
    EXPECT_NEAR(b->GetStdev(3), std::sqrt(2.9166666666666665), 1e-12);
    EXPECT_DOUBLE_EQ(Grouped->GetRootItem()->GetSum(3), 29.0);
    EXPECT_DOUBLE_EQ(a->GetSum(0), 0.0); // a text column sums to 0
    KV_EXPECT_THROW_MSG(a->GetSum(4), EArgumentOutOfRangeException, "field: 4");

    // Summaries follow the data.
    Data->SetData(Default->GetItem(0)->GetDataRow(), 3, 10);
    EXPECT_DOUBLE_EQ(a->GetSum(3), 15.0);
    EXPECT_DOUBLE_EQ(a->GetMean(3), 5.0);
    EXPECT_DOUBLE_EQ(Grouped->GetRootItem()->GetSum(3), 38.0);

    // A one-row group answers with the row's own value.
    Grouped->GroupBy({1, 2});
    auto* bp = dynamic_cast<TKvGridGroupItemImpl*>(Group(1)->GetItem(0));
    ASSERT_NE(bp, nullptr);
    EXPECT_EQ(bp->GetRowCount(), 1);
    EXPECT_DOUBLE_EQ(bp->GetSum(3), 4.0);
    EXPECT_DOUBLE_EQ(bp->GetMean(3), 4.0);
    EXPECT_DOUBLE_EQ(bp->GetMax(3), 4.0);
    EXPECT_DOUBLE_EQ(bp->GetVar(3), 0.0);
    EXPECT_DOUBLE_EQ(Group(1)->GetSum(3), 23.0);
}

TEST_F(TGroupFixture, FixedItemsStayOutsideTheGroups)
{
    Default->SetFixed(1, false, false);
    Grouped->SetExpandWhenGrouping(true);
    Grouped->SetExpandedStyle(ExpandedHeader);
    Grouped->GroupBy({1});
    // r0 stays first and belongs to no group; the rest is sorted.
    EXPECT_EQ(Visible(), QStringList({"r0", "A", "r1", "r5", "r3", "B", "r2", "r4", "r6"}));
    EXPECT_EQ(Grouped->GetItem(0)->GetParent(), nullptr);
    EXPECT_EQ(Grouped->GetRowCount(), 6);
    EXPECT_EQ(Grouped->ItemOfData(0), 0);
    EXPECT_EQ(Grouped->GetAllItems().size(), 9u);
    ExpectIndicesConsistent();
}

TEST_F(TGroupFixture, NotificationsFollowTheGroups)
{
    Grouped->SetExpandWhenGrouping(true);
    Grouped->GroupBy({1});
    Recorder.Take();
    // A value change inside a group keeps it: the index is this provider's.
    const int row5 = 5; // "r5", second row of A: visible at 2
    ASSERT_EQ(Grouped->GetItem(2)->GetDataRow(), row5);
    Data->SetData(row5, 0, "r5x");
    EXPECT_EQ(Recorder.Take(), QStringList({"updated 2"}));
    Default->CheckItem(Default->ItemOfData(2), true);
    EXPECT_EQ(Recorder.Take(), QStringList({"checked 6"}));
    Grouped->Collapse(Group(1));
    Recorder.Take();
    Data->SetData(2, 3, 40); // inside a collapsed group
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));
    // A change of the group value moves the row to its group.
    Data->SetData(1, 1, "B");
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));
    EXPECT_EQ(Visible(), QStringList({"A", "r5x", "r3", "/A", "B", "r1", "r2", "r0", "r4", "r6", "/B"}));
    ExpectIndicesConsistent();
    // Inserts and removals regroup.
    Data->InsertRow(0, {"r7", "C", "p", 1});
    EXPECT_EQ(Visible().last(), "/C");
    Data->RemoveRow(0);
    EXPECT_EQ(Visible().last(), "/B");
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh", "refresh"}));
    // A group field the data no longer has reads as unassigned: one group, nothing raised.
    Grouped->GroupBy({1, 3});
    Data->RemoveColumns(3, 1);
    Data->InsertRow(0, {"r8", "A", "p"});
    EXPECT_EQ(Visible(), QStringList({"A", "", "r8", "r5x", "r3", "/", "/A", "B", "", "r1", "r2", "r0", "r4", "r6",
                                      "/", "/B"}));
    Data->SetData(0, 0, "r8x");
    EXPECT_EQ(Recorder.Take().last(), "updated 2");
    Grouped->GroupBy({1});
    Recorder.Take();
    // A reset of the data rebuilds from new row items; none keeps a freed parent.
    Data->ClearRows();
    EXPECT_EQ(Recorder.Take(), QStringList({"reset"}));
    EXPECT_EQ(Grouped->GetItemCount(), 0);
    Data->InsertRow(0, {"n", "Z", "p", 1});
    EXPECT_EQ(Visible(), QStringList({"Z", "n", "/Z"}));
    Grouped->GroupBy({});
    EXPECT_EQ(Default->GetItem(0)->GetParent(), nullptr);
}

TEST_F(TGroupFixture, FindItemAndAssertions)
{
    EXPECT_EQ(Grouped->FindItem({0}, {Variant("R3")}, {}, 0, -1), 2);
    EXPECT_EQ(Grouped->FindItem({0}, {Variant("R3")}, {SearchCaseSensitive}, 0, -1), -1);
    EXPECT_EQ(Grouped->FindItem({1, 3}, {Variant("b"), Variant(6)}, {}, 0, -1), 5);
    EXPECT_EQ(Grouped->FindItem({0}, {Variant("4")}, {}, 0, -1), -1);
    EXPECT_EQ(Grouped->FindItem({0}, {Variant("6")}, {SearchPartialMatch}, 0, -1), 6);
    EXPECT_EQ(Grouped->FindItem({0}, {Variant("r")}, {SearchPartialMatch}, 2, 3), 2);
    Grouped->SetExpandWhenGrouping(true);
    Grouped->GroupBy({1});
    EXPECT_EQ(Grouped->FindItem({0}, {Variant("r3")}, {}, 0, -1), 3);
    EXPECT_EQ(Grouped->FindItem({0}, {Variant("r3")}, {}, 4, -1), -1);

    EXPECT_THROW(Grouped->Expand(nullptr, false), EAssertionFailed);
    try {
        Grouped->Collapse(nullptr);
        ADD_FAILURE();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.AssertMessage(), "item is nil");
    }
    TKvGridGroupItemImpl* a = Group(0);
    try {
        a->Add(nullptr);
        ADD_FAILURE();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.AssertMessage(), "item is nil in TKvGridGroupItemImpl.Add()");
    }
    try {
        a->Add(a->GetItem(0));
        ADD_FAILURE();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.AssertMessage(), "item is already contained in TKvGridGroupItemImpl.Add()");
    }
    try {
        a->Add(Group(1)->GetItem(0));
        ADD_FAILURE();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.AssertMessage(), "item's parent is not nil");
    }
    TKvGridItem* moved = Group(1)->GetItem(0);
    Group(1)->Remove(moved);
    EXPECT_EQ(moved->GetParent(), nullptr);
    a->Add(moved);
    EXPECT_EQ(moved->GetParent(), a);
    Grouped->GroupBy({});
    EXPECT_EQ(moved->GetParent(), nullptr);
}
