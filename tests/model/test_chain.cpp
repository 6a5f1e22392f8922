// The full chain: editable over grouped over filtered over default over a simple data
// provider, edited, filtered, grouped, expanded and collapsed while the data changes.
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "model/KvGrids.Model.Proxy.Group.h"
#include "TestSupport.h"
#include "test_proxy_support.h"

using namespace kv;
using namespace kvtest;

namespace {

struct TChainFixture : ::testing::Test
{
    TOwned<TKvSimpleDataProvider> Data = MakeTable("Name,Cat,Value", "s,s,n",
                                                            {{"a", "B", 5},
                                                             {"b", "A", 1},
                                                             {"c", "C", 7},
                                                             {"d", "A", 4},
                                                             {"e", "B", 3},
                                                             {"f", "C", 9},
                                                             {"g", "A", 6}});
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridFilteredItemProvider> Filtered;
    TOwned<TKvGridGroupedItemProvider> Grouped;
    TOwned<TKvGridEditableItemProvider> Editable;
    TRecorder Recorder;

    void SetUp() override
    {
        Default->SetDataSource(Data.get());
        Default->OrderBy({1, 0}, {});
        Filtered = MakeOwned<TKvGridFilteredItemProvider>(Default.get());
        Grouped = MakeOwned<TKvGridGroupedItemProvider>(Filtered.get());
        Grouped->SetExpandWhenGrouping(true);
        Grouped->SetExpandedStyle(ExpandedHeader);
        Editable = MakeOwned<TKvGridEditableItemProvider>(Grouped.get());
        Editable->AddListener(&Recorder);
    }
    void TearDown() override
    {
        Editable.reset();
        Grouped.reset();
        Filtered.reset();
        Default.reset();
    }

    QStringList Top() const
    {
        QStringList out;
        for (int i = 0; i < Editable->GetItemCount(); ++i) {
            const TKvGridItem* item = Editable->GetItem(i);
            if (auto* g = dynamic_cast<const TKvGridGroupItemImpl*>(item))
                out << "[" + g->GetKey().ToString() + "]";
            else if (auto* f = dynamic_cast<const TKvGridGroupFooterImpl*>(item))
                out << "/" + f->GetGroup()->GetKey().ToString();
            else if (item == Editable->GetEditingItem())
                out << "*" + Editable->GetData(i, 0).ToString();
            else
                out << Editable->GetData(i, 0).ToString();
        }
        return out;
    }
    // Every listed data row shows its own values, and ItemOfData finds it again.
    void ExpectConsistent() const
    {
        for (int i = 0; i < Editable->GetItemCount(); ++i) {
            const TKvGridItem* item = Editable->GetItem(i);
            const int row = item->GetDataRow();
            if (row < 0 || item == Editable->GetEditingItem())
                continue;
            ASSERT_LT(row, Data->GetRowCount());
            EXPECT_EQ(Editable->GetData(i, 0), Data->GetData(row, 0));
            EXPECT_EQ(Editable->ItemOfData(row), i);
            EXPECT_EQ(item->GetParent() ? item->GetParent()->GetItem(0)->GetProvider() : nullptr,
                      item->GetParent() ? static_cast<TKvGridItemProvider*>(Default.get()) : nullptr);
        }
    }
};

} // namespace

TEST_F(TChainFixture, EditFilterGroupWhileTheDataChanges)
{
    EXPECT_EQ(Top(), QStringList({"b", "d", "g", "a", "e", "c", "f"}));
    Filtered->AddFilter(2, "value > 2");
    Grouped->GroupBy({1});
    EXPECT_EQ(Top(), QStringList({"[A]", "d", "g", "[B]", "a", "e", "[C]", "c", "f"}));
    EXPECT_EQ(Editable->GetRowCount(), 6);
    ExpectConsistent();
    Recorder.Take();

    // Collapse and expand through the top.
    Grouped->Collapse(Editable->GetItem(3));
    EXPECT_EQ(Top(), QStringList({"[A]", "d", "g", "[B]", "[C]", "c", "f"}));
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));
    ExpectConsistent();

    // An edit that still passes the filter is written to its row.
    Editable->Edit(2); // "g"
    Editable->SetData(2, 2, 60);
    EXPECT_EQ(Top(), QStringList({"[A]", "d", "*g", "[B]", "[C]", "c", "f"}));
    // Rows inserted above the edited one meanwhile: the commit still writes "g".
    Data->InsertRow(0, {"h", "A", 8});
    Data->InsertRow(0, {"i", "C", 1});
    EXPECT_EQ(Editable->GetEditingItem()->GetDataRow(), 8);
    // The rebuild after the inserts loses the collapsed state: groups start expanded.
    EXPECT_EQ(Top(), QStringList({"[A]", "d", "*g", "h", "[B]", "a", "e", "[C]", "c", "f"}));
    Editable->Commit();
    EXPECT_EQ(Data->GetData(8, 0), Variant("g"));
    EXPECT_EQ(Data->GetData(8, 2), Variant(60));
    ExpectConsistent();

    // An edit that makes the row fail the filter hides it.
    Editable->UpdateData(1, 2, 0); // "d"
    Editable->Commit();
    EXPECT_EQ(Top(), QStringList({"[A]", "g", "h", "[B]", "a", "e", "[C]", "c", "f"}));
    ExpectConsistent();
    Grouped->Collapse(Editable->GetItem(3));

    // A change of the group value underneath moves the row.
    Data->SetData(Data->GetFieldIndex("Name") == 0 ? 7 : 0, 1, "C"); // "f" stays C
    Data->SetData(2, 1, "C");                                        // "a" moves from B to C
    Grouped->Expand(Grouped->GetRootItem()->GetItem(1), false);
    EXPECT_EQ(Top(), QStringList({"[A]", "g", "h", "[B]", "e", "[C]", "a", "c", "f"}));
    ExpectConsistent();

    // Append through the top lands in its group after the commit.
    Editable->Append({"j", "B", 30});
    EXPECT_EQ(Top().last(), "*j");
    Editable->Commit();
    EXPECT_EQ(Top(), QStringList({"[A]", "g", "h", "[B]", "e", "j", "[C]", "a", "c", "f"}));
    ExpectConsistent();

    // Insert before a group header writes at data row 0; the grouping orders it.
    Editable->Insert(3, {"k", "A", 40});
    EXPECT_EQ(Top()[3], "*k");
    EXPECT_EQ(Top()[4], "[B]");
    Editable->Commit();
    EXPECT_EQ(Data->GetData(0, 0), Variant("k"));
    EXPECT_EQ(Top(), QStringList({"[A]", "g", "h", "k", "[B]", "e", "j", "[C]", "a", "c", "f"}));
    ExpectConsistent();

    // Footers and summaries under another style.
    Grouped->SetExpandedStyle(ExpandedBoth);
    EXPECT_EQ(Top(), QStringList({"[A]", "g", "h", "k", "/A", "[B]", "e", "j", "/B", "[C]", "a", "c", "f", "/C"}));
    auto* a = dynamic_cast<TKvGridGroupItemImpl*>(Editable->GetItem(0));
    ASSERT_NE(a, nullptr);
    EXPECT_DOUBLE_EQ(a->GetSum(2), 108.0);
    EXPECT_DOUBLE_EQ(a->GetMean(2), 36.0);
    Data->SetData(Data->GetRowCount() - 1, 2, 35); // "j": not in A
    Data->SetData(0, 2, 42);                       // "k" in A
    EXPECT_DOUBLE_EQ(a->GetSum(2), 110.0);

    // Several rows removed while an update is open on a later row.
    const int eRow = [&] {
        for (int r = 0; r < Data->GetRowCount(); ++r)
            if (Data->GetData(r, 0) == Variant("e"))
                return r;
        return -1;
    }();
    Editable->Edit(Editable->ItemOfData(eRow));
    Editable->SetData(Editable->GetEditingIndex(), 0, "E");
    Editable->Delete(TKvIntegerArray{0, 1, 2}); // the header has no row: "g" and "h"
    EXPECT_EQ(Editable->GetEditingState(), ItemUpdating);
    Editable->Commit();
    EXPECT_EQ(Top(), QStringList({"[A]", "k", "/A", "[B]", "E", "j", "/B", "[C]", "a", "c", "f", "/C"}));
    ExpectConsistent();

    // The filter goes: every row shows again, grouped.
    Filtered->ClearAllFilters();
    EXPECT_EQ(Top(), QStringList({"[A]", "b", "d", "k", "/A", "[B]", "E", "j", "/B", "[C]", "a", "c", "f", "i",
                                  "/C"}));
    ExpectConsistent();
    Grouped->GroupBy({});
    EXPECT_EQ(Top().size(), 9);
    for (int i = 0; i < Default->GetItemCount(); ++i)
        EXPECT_EQ(Default->GetItem(i)->GetParent(), nullptr);
}

TEST_F(TChainFixture, TearingDownInAnyOrderLeavesNoParents)
{
    // A chain cannot lead back to itself.
    KV_EXPECT_THROW_MSG(Filtered->SetSource(Editable.get()), EArgumentException,
                        "An item provider cannot be its own source");
    EXPECT_THROW(Grouped->SetSource(Grouped.get()), EArgumentException);
    EXPECT_EQ(Filtered->GetSource(), Default.get());
    EXPECT_EQ(Grouped->GetSource(), Filtered.get());

    // A grouped provider deleted without Free leaves no parents either.
    auto* other = Create<TKvGridGroupedItemProvider>(Filtered.get());
    other->GroupBy({1});
    EXPECT_NE(Default->GetItem(0)->GetParent(), nullptr);
    delete other;
    for (int i = 0; i < Default->GetItemCount(); ++i)
        EXPECT_EQ(Default->GetItem(i)->GetParent(), nullptr);

    Grouped->GroupBy({1});
    Filtered->AddFilter(2, "value >= 4");
    Editable->Edit(1);
    Editable->SetSource(nullptr); // item providers do not outlive their sources: unhook first
    Grouped.reset();
    for (int i = 0; i < Default->GetItemCount(); ++i)
        EXPECT_EQ(Default->GetItem(i)->GetParent(), nullptr);
}
