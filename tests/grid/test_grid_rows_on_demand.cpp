// A shown grid over many rows makes row items only for what it shows and what the user
// touches: going to the last row, checking every row and sorting keep the rows
// the user sees right and the items few.
#include "GridTestSupport.h"
#include "ToolTestSupport.h"
#include "TestSupport.h"

#include <QtGui/QWindow>
#include <QtTest/QTest>

using namespace kv;
using namespace kvtest;

namespace {

struct GridRowsOnDemand : GridTool
{
    TKvDefaultGridItemProvider* Items() const
    {
        return dynamic_cast<TKvDefaultGridItemProvider*>(g.Grid->GetOwnedItemProvider());
    }
    QString FocusedText() const
    {
        const TKvGridCellIndex focus = g.Grid->GetFocusedIndex();
        return g.Grid->GetItem(focus.ItemIndex)->GetData(0).ToString();
    }
};

} // namespace

TEST_F(GridRowsOnDemand, TheLastRowTheChecksAndASortShowTheRightRowsWithFewItems)
{
    Make(20000, 3, 10);
    TKvDefaultGridItemProvider* items = Items();
    ASSERT_NE(items, nullptr);
    const int shown = Layout()->FullItemCount();
    EXPECT_GT(shown, 5);
    EXPECT_LE(items->GetLiveItemCount(), shown + 2);

    // A click on a row, then Ctrl+End: the last row has the focus and is on screen.
    const TRect cell = CellRect(2, 0);
    Press(Center(cell));
    Release(Center(cell));
    EXPECT_EQ(FocusedText(), "r2c0");
    QTest::keyClick(Win(), Qt::Key_End, Qt::ControlModifier);
    g.Paint();
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 19999);
    EXPECT_EQ(FocusedText(), "r19999c0");
    const TRect last = IndicatorRect(19999);
    EXPECT_GT(last.Bottom, last.Top);
    EXPECT_LE(items->GetLiveItemCount(), 3 * shown + 4);

    // Checking every row makes no items; the rows on screen show as checked.
    g.Grid->GetCheckBar()->CheckAll(true);
    EXPECT_LE(items->GetLiveItemCount(), 3 * shown + 4);
    EXPECT_TRUE(g.Grid->GetItem(19999)->GetChecked());
    EXPECT_TRUE(g.Grid->GetItem(12345)->GetChecked());

    // Sorted by the first column, descending by text: the rows the user sees follow it.
    items->OrderBy({0}, {SortDescending});
    g.Paint();
    EXPECT_EQ(g.Grid->GetItem(0)->GetData(0).ToString(), "r9c0");
    EXPECT_EQ(g.Grid->GetItem(19999)->GetData(0).ToString(), "r0c0");
    EXPECT_LE(items->GetLiveItemCount(), 4 * shown + 8);
}
