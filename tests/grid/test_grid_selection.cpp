// The selection manager: items, notices, normalising, ranges, and the grid's selection views.
#include "TestSupport.h"

#include "../model/ModelTestSupport.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"

#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

namespace {

struct TRecorder : TKvGridSelectionChangeListener
{
    QStringList Log;
    TKvGridSelectionManager* Manager = nullptr;
    void ItemAdded(TKvGridSelectionManager*, TKvGridSelectionItem* item) override { Log << "added " + item->ToString(); }
    void ItemRemoved(TKvGridSelectionManager* m, TKvGridSelectionItem* item) override
    {
        Log << "removed " + item->ToString() + (m->Holds(item) ? " held" : "");
    }
    void ItemChanged(TKvGridSelectionManager*, TKvGridSelectionItem* item) override { Log << "changed " + item->ToString(); }
    void Cleared(TKvGridSelectionManager* m) override { Log << QStringLiteral("cleared %1").arg(m->GetCount()); }
};

struct TSelectionFixture : ::testing::Test
{
    TOwned<TKvSimpleDataProvider> Data =
        MakeTable("A,B,C", "s,n,n", {{"a", 1, 10}, {"b", 2, 20}, {"c", 3, 30}, {"d", 4, 40}, {"e", 5, 50}});
    TOwned<TKvGridView> Grid = MakeOwned<TKvGridView>(nullptr);
    TKvGridDataColumn* Cols[3] = {};
    TRecorder Rec;

    void SetUp() override
    {
        for (int i = 0; i < 3; ++i) {
            Cols[i] = Grid->AddDataColumn();
            Cols[i]->SetFieldIndex(i);
        }
        static_cast<TKvDefaultGridItemProvider*>(Grid->GetItemProvider())->SetDataSource(Data.get());
        Grid->GetSelections()->AddChangeListener(&Rec);
        Grid->GetSelections()->Clear();
        Rec.Log.clear();
    }
    void TearDown() override
    {
        Grid->GetSelections()->RemoveChangeListener(&Rec);
        static_cast<TKvDefaultGridItemProvider*>(Grid->GetItemProvider())->SetDataSource(nullptr);
    }
    TKvGridCellIndex Cell(int item, int col) { return TKvGridCellIndex(Grid.get(), item, Cols[col]); }
    TKvGridSelectionManager* Sel() { return Grid->GetSelections(); }
};

} // namespace

TEST_F(TSelectionFixture, ItemsContainResizeAndName)
{
    // A rows item dragged upward still holds every row in between; resizing clamps.
    auto* rows = Sel()->Add(Cell(3, 0), Cell(1, 0), SelectRows);
    EXPECT_EQ(rows->GetStyle(), SelectRows);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(rows->Contains(Cell(i, 2)), i >= 1 && i <= 3) << i;
    EXPECT_EQ(rows->ToString(), QStringLiteral("SEL(R:3,1)"));
    EXPECT_EQ(rows->GetBounds().R1, 1);
    EXPECT_EQ(rows->GetBounds().R2, 3);
    EXPECT_EQ(rows->GetBounds().C1, Cols[0]);
    EXPECT_EQ(rows->GetBounds().C2, Cols[2]);
    rows->Resize(Cell(99, 0));
    EXPECT_EQ(rows->GetLastIndex().ItemIndex, 4);
    rows->Resize(Cell(-7, 0));
    EXPECT_EQ(rows->GetLastIndex().ItemIndex, 0);
    rows->Resize(Cell(-1, 0)); // no change: no notice
    EXPECT_EQ(Rec.Log, (QStringList{"added SEL(R:3,1)", "changed SEL(R:3,4)", "changed SEL(R:3,0)"}));

    // A block is a single cell until its moving end leaves the anchor.
    auto* block = Sel()->Add(Cell(2, 2), Cell(2, 2), SelectBlock);
    EXPECT_TRUE(block->IsSingleCell());
    block->Resize(Cell(0, 1));
    EXPECT_FALSE(block->IsSingleCell());
    EXPECT_TRUE(block->Contains(Cell(1, 1)));
    EXPECT_TRUE(block->Contains(Cell(0, 2)));
    EXPECT_FALSE(block->Contains(Cell(1, 0)));
    EXPECT_FALSE(block->Contains(Cell(3, 1)));
    EXPECT_EQ(block->GetBounds().C1, Cols[1]);

    // Columns hold whole columns between their ends, in either drag direction.
    auto* columns = Sel()->Add(Cell(0, 2), Cell(3, 1), SelectColumns);
    EXPECT_TRUE(columns->Contains(Cell(4, 1)));
    EXPECT_FALSE(columns->Contains(Cell(4, 0)));
    EXPECT_EQ(columns->GetBounds().C1, Cols[1]);
    EXPECT_EQ(columns->GetBounds().R2, 4);
    EXPECT_EQ(columns->GetLastIndex().Column, Cols[1]);
    EXPECT_EQ(columns->ToString(), QStringLiteral("SEL(H:2,1)"));
    EXPECT_FALSE(Sel()->IsSingleCell());
}

TEST_F(TSelectionFixture, ManagerNoticesAndClearing)
{
    Sel()->Clear(); // empty: no notice
    EXPECT_TRUE(Rec.Log.isEmpty());
    EXPECT_TRUE(Sel()->IsSingleCell());

    auto* first = Sel()->Add(Cell(0, 0), Cell(0, 0), SelectBlock);
    EXPECT_TRUE(Sel()->IsSingleCell());
    // Replacing the selection tells the listeners that the old items went.
    auto* second = Sel()->ClearAndAdd(Cell(1, 0), Cell(2, 0), SelectRows);
    EXPECT_FALSE(Sel()->Holds(first));
    EXPECT_TRUE(Sel()->Holds(second));
    EXPECT_EQ(Sel()->GetCurrent(), second);
    Sel()->Add(Cell(0, 0), Cell(1, 1), SelectBlock);
    Sel()->Add(Cell(0, 2), Cell(0, 2), SelectColumns);
    Sel()->Add(Cell(4, 0), Cell(4, 0), SelectRows);
    Rec.Log.clear();
    Sel()->ClearOthers(SelectRows);
    EXPECT_EQ(Rec.Log, (QStringList{"removed SEL(H:2,2)", "removed SEL((I:0, C:0),(I:1, C:1))"}));
    EXPECT_EQ(Sel()->GetCount(), 2);

    Rec.Log.clear();
    Sel()->Remove(second);
    Sel()->Remove(second); // not held any more: nothing
    EXPECT_EQ(Rec.Log, QStringList{"removed SEL(R:1,2)"});
    Sel()->ClearAndAdd(Cell(0, 0), Cell(0, 0), SelectBlock);
    EXPECT_EQ(Rec.Log.mid(1), (QStringList{"cleared 0", "added SEL((I:0, C:0),(I:0, C:0))"}));

    KV_EXPECT_THROW_MSG(Sel()->Intersects(nullptr, Sel()->GetCurrent()), EArgumentNilException, "item1");
    KV_EXPECT_THROW_MSG(Sel()->Merge(Sel()->GetCurrent(), nullptr), EArgumentNilException, "item2");
    EXPECT_EQ(Sel()->Merge(Sel()->GetCurrent(), Sel()->GetCurrent()), Sel()->GetCurrent());
}

TEST_F(TSelectionFixture, NormaliseAndRanges)
{
    // Overlapping rows items become one; the ranges come sorted by their first row.
    Sel()->Add(Cell(3, 0), Cell(4, 0), SelectRows);
    Sel()->Add(Cell(0, 0), Cell(0, 0), SelectRows);
    Sel()->Add(Cell(2, 0), Cell(3, 0), SelectRows);
    Rec.Log.clear();
    Sel()->Normalize();
    EXPECT_EQ(Rec.Log, (QStringList{"changed SEL(R:2,4)", "removed SEL(R:2,3)"}));
    ASSERT_EQ(Sel()->GetCount(), 2);
    const TKvGridRanges ranges = Sel()->GetRanges();
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0].R1, 0);
    EXPECT_EQ(ranges[1].R1, 2);
    EXPECT_EQ(ranges[1].R2, 4);
    EXPECT_TRUE(Sel()->Intersects(Sel()->GetItem(1), Sel()->GetItem(1)));
    EXPECT_FALSE(Sel()->Intersects(Sel()->GetItem(0), Sel()->GetItem(1)));

    // Columns ranges sort by their first column; a block gives its one range.
    Sel()->Clear();
    Sel()->Add(Cell(0, 2), Cell(0, 2), SelectColumns);
    Sel()->Add(Cell(0, 1), Cell(0, 0), SelectColumns);
    EXPECT_EQ(Sel()->GetRanges()[0].C1, Cols[0]);
    EXPECT_EQ(Sel()->GetRanges()[1].C1, Cols[2]);
    Sel()->Add(Cell(0, 1), Cell(0, 2), SelectColumns);
    Sel()->Normalize();
    EXPECT_EQ(Sel()->GetCount(), 1);
    EXPECT_EQ(Sel()->GetRanges()[0].C2, Cols[2]);
    Sel()->ClearAndAdd(Cell(3, 2), Cell(1, 0), SelectBlock);
    ASSERT_EQ(Sel()->GetRanges().size(), 1u);
    EXPECT_EQ(Sel()->GetRanges()[0].R1, 1);
    EXPECT_EQ(Sel()->GetRanges()[0].C2, Cols[2]);
}

TEST_F(TSelectionFixture, GridMapsOneViewPerItemAndMaskMerges)
{
    auto* a = Sel()->Add(Cell(0, 0), Cell(1, 1), SelectBlock);
    auto* b = Sel()->Add(Cell(3, 0), Cell(3, 0), SelectRows);
    TKvSprite* va = Grid->AddSelectionView(a);
    EXPECT_EQ(Grid->AddSelectionView(a), va);
    TKvSprite* vb = Grid->AddSelectionView(b);
    EXPECT_NE(va, vb);
    // A grid freed with mapped views leaves none behind (the sanitizer build checks).
    {
        TOwned<TKvGridView> other = MakeOwned<TKvGridView>(nullptr);
        other->AddDataColumn();
        other->AddSelectionView(other->GetSelections()->Add({}, {}, SelectBlock));
    }
    EXPECT_EQ(va->GetParent()->GetName(), QStringLiteral("selectionLayer"));
    // An item that goes takes its view along.
    Sel()->Remove(a);
    EXPECT_EQ(Grid->GetSelectionView(a), nullptr);
    Sel()->Clear();
    EXPECT_EQ(Grid->GetSelectionView(b), nullptr);
    KV_EXPECT_THROW_MSG(Grid->AddSelectionElement(nullptr), EArgumentNilException, "view is nil");
    KV_EXPECT_THROW_MSG(Grid->AddFeedbackElement(nullptr), EArgumentNilException, "feedback is nil");

    TKvGridSelectionMask* mask = Grid->GetSelectionMask();
    ASSERT_NE(mask, nullptr);
    mask->Add(TRect{0, 0, 10, 10});
    mask->Add(TRect{30, 0, 40, 10});
    mask->Add(TRect{5, 5, 35, 8}); // meets both: all three become one
    ASSERT_EQ(mask->GetSelections().size(), 1u);
    EXPECT_EQ(mask->GetSelections()[0], (TRect{0, 0, 40, 10}));
    mask->Clear();
    EXPECT_TRUE(mask->GetSelections().empty());
}

TEST_F(TSelectionFixture, ABlockResizeSendsOneNoticeAndNoneWhenItsEndStays)
{
    auto* block = Sel()->Add(Cell(1, 0), Cell(1, 0), SelectBlock);
    Rec.Log.clear();
    block->Resize(Cell(3, 2));
    EXPECT_EQ(Rec.Log, QStringList{"changed " + block->ToString()});
    EXPECT_EQ(block->GetLastIndex(), Cell(3, 2));
    // The same end again: nothing changed, nothing told.
    block->Resize(Cell(3, 2));
    EXPECT_EQ(Rec.Log.size(), 1);
    // Back onto the anchor: one notice, a single cell again.
    block->Resize(Cell(1, 0));
    EXPECT_EQ(Rec.Log.size(), 2);
    EXPECT_TRUE(block->IsSingleCell());
}
