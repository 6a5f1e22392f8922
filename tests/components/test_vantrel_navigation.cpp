// Entering rows into the top-level grid by keyboard, and where the focus goes when a saved row
// moves under sorting, grouping or a filter; a shown grid driven by window-level keys.
#include "VantrelTestSupport.h"
#include "TestSupport.h"

#include "grid/EditTestSupport.h"

using namespace kv;
using namespace kvtest;

namespace {

struct VantrelEntry : ::testing::Test
{
    TLocaleScope Locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    TShownVantrel g;

    QWindow* Win() const { return g.Win(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(Win(), key, mods);
        DeliverPosted();
        g.Paint();
    }
    void TypeKeys(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(Win(), c.toLatin1());
        DeliverPosted();
    }
    TKvGridCellIndex Cell(int item, int column) const
    {
        return TKvGridCellIndex(g.Grid.get(), item, g.Columns[static_cast<size_t>(column)]);
    }
    void ClickCell(int item, int column)
    {
        const TRect r = g.Grid->GetCellBounds(Cell(item, column));
        QTest::mouseClick(Win(), Qt::LeftButton, {}, g.At(TShownVantrel::Center(r)));
        DeliverPosted();
        g.Paint();
    }
    // The data row under the focus; -1 on a group row or without a focus.
    int FocusedRow() const
    {
        TKvGridItem* item = g.Grid->GetItem(g.Grid->GetFocusedIndex().ItemIndex);
        return item ? item->GetDataRow() : -1;
    }
    // The item that shows a data row.
    int ItemOf(int row) const
    {
        for (int i = 0; i < g.Grid->GetItemCount(); ++i)
            if (g.Grid->GetItem(i)->GetDataRow() == row)
                return i;
        return -1;
    }
};

} // namespace

TEST_F(VantrelEntry, DownAfterTypingIntoANewRowStartsTheNext)
{
    g.Fill(3);
    g.Show(460, 320);
    ClickCell(0, FCity);
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    ASSERT_EQ(g.Grid->GetItemCount(), 4);
    TypeKeys("Alpha");
    Key(Qt::Key_Down);
    TypeKeys("Beta");
    Key(Qt::Key_Down);
    TypeKeys("Gamma");
    Key(Qt::Key_Down);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 6);
    Key(Qt::Key_Escape);
    ASSERT_EQ(g.Data->GetRowCount(), 6);
    EXPECT_EQ(g.Data->GetData(3, FCity).ToString(), "Alpha");
    EXPECT_EQ(g.Data->GetData(4, FCity).ToString(), "Beta");
    EXPECT_EQ(g.Data->GetData(5, FCity).ToString(), "Gamma");
    EXPECT_EQ(g.Grid->GetItemCount(), 6);
}

// A saved row that sorting or grouping places elsewhere takes the focus with it; a move to
// another row out of an edited one lands on the row the user moved to.
TEST_F(VantrelEntry, TheFocusFollowsASavedRowThatMoves)
{
    g.Fill(12); // Qty = data row
    g.Grid->MoveColumn(FRegion, 2); // City, Qty, Region
    g.Show(460, 420);
    g.Grid->GetEditOptions()->SetCommitWhenExitLastCell(true);

    // Sorted by quantity: a new row with the smallest one goes first, and the focus with it.
    g.Grid->SortItems({FQty}, {SortAscending});
    g.Paint();
    ClickCell(0, FQty);
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    ASSERT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 12);
    TypeKeys("-1");
    Key(Qt::Key_Tab); // leaving the cell writes it; Tab walks on to the last cell
    ASSERT_FALSE(g.Grid->GetEditing());
    Key(Qt::Key_Return); // Enter on the last cell saves the row
    ASSERT_FALSE(g.Chain()->IsEditing(-1));
    ASSERT_EQ(g.Data->GetRowCount(), 13);
    EXPECT_TRUE(g.Data->GetData(12, FQty) == Variant(-1));
    EXPECT_EQ(FocusedRow(), 12);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 0);

    // Grouped by region: a row moved into another group takes the focus along.
    g.Grid->GroupBy({FRegion});
    g.Paint();
    const int row = 4;
    const QString other = RegionOf(row) == "West" ? "East" : "West";
    ClickCell(ItemOf(row), FRegion);
    TypeKeys(other);
    Key(Qt::Key_Return);
    EXPECT_EQ(g.Data->GetData(row, FRegion).ToString(), other);
    EXPECT_EQ(FocusedRow(), row);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, ItemOf(row));

    // Down out of a row moved to another group lands on the row that was below it.
    int moved = -1, below = -1;
    for (int i = 0; i + 1 < g.Grid->GetItemCount() && moved < 0; ++i) {
        const int a = g.Grid->GetItem(i)->GetDataRow(), b = g.Grid->GetItem(i + 1)->GetDataRow();
        if (a >= 0 && b >= 0 && g.Data->GetData(a, FRegion).ToString() != "West") {
            moved = a;
            below = b;
        }
    }
    ASSERT_GE(moved, 0);
    ClickCell(ItemOf(moved), FRegion);
    TypeKeys("West");
    Key(Qt::Key_Down);
    EXPECT_EQ(g.Data->GetData(moved, FRegion).ToString(), "West");
    EXPECT_EQ(FocusedRow(), below);
    EXPECT_EQ(g.Grid->GetFocusedIndex().Column, g.Columns[FRegion]);
}

// A saved row that the filter no longer lets through leaves the focus on its place.
TEST_F(VantrelEntry, ARowSavedOutOfTheFilterLeavesTheFocusOnItsPlace)
{
    g.Fill(12);
    g.Grid->MoveColumn(FRegion, 2);
    auto* filter = static_cast<TKvGridColumnFilter*>(g.Columns[FQty]->GetFilters()->Add());
    filter->SetCriteria(QStringLiteral("value >= 4"));
    filter->SetActive(true);
    g.Show(460, 420);
    g.Grid->GetEditOptions()->SetCommitWhenExitLastCell(true);
    ASSERT_EQ(g.Grid->GetItemCount(), 8);
    ClickCell(3, FRegion); // data row 7
    ASSERT_EQ(FocusedRow(), 7);
    Key(Qt::Key_Left);
    TypeKeys("1");
    Key(Qt::Key_Tab);
    Key(Qt::Key_Return);
    EXPECT_TRUE(g.Data->GetData(7, FQty) == Variant(1));
    EXPECT_EQ(g.Grid->GetItemCount(), 7);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 3);
    EXPECT_EQ(FocusedRow(), 8);

    // Down out of a row that leaves the filter: the row that was below it.
    ASSERT_EQ(g.Grid->GetItemCount(), 7);
    ClickCell(1, FQty); // data row 5; row 6 below
    TypeKeys("0");
    Key(Qt::Key_Down);
    EXPECT_TRUE(g.Data->GetData(5, FQty) == Variant(0));
    EXPECT_EQ(g.Grid->GetItemCount(), 6);
    EXPECT_EQ(FocusedRow(), 6);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 1);

    // The last row leaves: the focus stays on the last place, on the row now there.
    Key(Qt::Key_End, Qt::ControlModifier);
    ASSERT_EQ(FocusedRow(), 11);
    ASSERT_EQ(g.Grid->GetFocusedIndex().Column, g.Columns[FQty]);
    TypeKeys("2");
    Key(Qt::Key_Tab);
    Key(Qt::Key_Return);
    EXPECT_EQ(g.Grid->GetItemCount(), 5);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 4);
    EXPECT_EQ(FocusedRow(), 10);
    EXPECT_EQ(g.Grid->GetFocusedIndex().Column, g.Columns[FRegion]);
}
