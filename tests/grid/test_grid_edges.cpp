// Exact boundaries of the shown grid: a body that holds exactly N rows, the pixel between two
// rows, Shift with the page and line keys, and the header's default minimum height.
#include "ToolTestSupport.h"

using namespace kv;
using namespace kvtest;

namespace {

struct GridEdges : GridTool
{
    // The smallest grid height at which rows whole rows show.
    int HeightForWholeRows(int rows)
    {
        // Below rows row heights no body holds them.
        for (int h = rows * Layout()->ItemBounds(0).Height(); h < 2000; ++h) {
            g.Show(Grid()->GetWidth(), h);
            if (Layout()->FullItemCount() >= rows)
                return h;
        }
        ADD_FAILURE() << "no height shows " << rows << " whole rows";
        return 0;
    }
    int PageDownFromTop()
    {
        Grid()->SetTopIndex(0);
        Grid()->SetFocusedIndex(Index(0, 0), true);
        g.Paint();
        Key(Qt::Key_PageDown);
        return Grid()->GetFocusedIndex().ItemIndex;
    }
};

} // namespace

TEST_F(GridEdges, PageSizeOfABodyExactlyFittingItsRows)
{
    Make(60, 2, 8);
    const int rowHeight = Layout()->ItemBounds(0).Height();
    const int seven = HeightForWholeRows(7);
    // Exactly seven rows fit: a page is seven rows.
    EXPECT_EQ(Layout()->FullItemCount(), 7);
    EXPECT_EQ(PageDownFromTop(), 7);
    // One pixel less cuts the seventh row: a page is six.
    g.Show(Grid()->GetWidth(), seven - 1);
    EXPECT_EQ(Layout()->FullItemCount(), 6);
    EXPECT_EQ(PageDownFromTop(), 6);
    // One row more of height is exactly one more whole row.
    EXPECT_EQ(HeightForWholeRows(8), seven + rowHeight);
    g.Show(Grid()->GetWidth(), seven + rowHeight - 1);
    EXPECT_EQ(Layout()->FullItemCount(), 7);
}

TEST_F(GridEdges, ThePixelBetweenTwoRows)
{
    Make(20, 2);
    const TRect upper = CellRect(2, 1);
    const TRect lower = CellRect(3, 1);
    ASSERT_EQ(upper.Bottom, lower.Top);
    const int x = Center(lower).X;
    // The first pixel of a row belongs to it; the one above belongs to the row above.
    Click(TPoint{x, lower.Top});
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(3, 1));
    Click(TPoint{x, lower.Top - 1});
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(2, 1));
    EXPECT_EQ(Grid()->MouseToIndex(x, lower.Top).ItemIndex, 3);
    EXPECT_EQ(Grid()->MouseToIndex(x, upper.Bottom - 1).ItemIndex, 2);
}

TEST_F(GridEdges, ShiftWithPageAndLineKeysExtendsTheSelection)
{
    Make(60, 3);
    const int page = Layout()->FullItemCount();
    ASSERT_GT(page, 2);
    Grid()->SetFocusedIndex(Index(20, 1), true);
    ASSERT_EQ(Sel()->GetCount(), 1);
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(Sel()->GetCurrent()->GetLastIndex(), Index(19, 1));
    Key(Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(Sel()->GetCurrent()->GetLastIndex(), Index(19 + page, 1));
    Key(Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(Sel()->GetCurrent()->GetLastIndex(), Index(19, 1));
    Key(Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(Sel()->GetCurrent()->GetLastIndex(), Index(std::max(0, 19 - page), 1));
    Key(Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(Sel()->GetCurrent()->GetLastIndex(), Index(std::max(0, 19 - page), 0));
    // The focus stays where the selection began, and one item spans the whole range.
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(20, 1));
    EXPECT_EQ(Sel()->GetCount(), 1);
    const TKvGridRange r = Range(0);
    EXPECT_EQ(std::min(r.R1, r.R2), std::max(0, 19 - page));
    EXPECT_EQ(std::max(r.R1, r.R2), 20);
}

TEST_F(GridEdges, HeaderDefaultMinimumHeight)
{
    Make(5, 2);
    TKvGridHeader* header = Grid()->GetHeader();
    EXPECT_EQ(header->GetMinHeight(), 23);
    const int withDefault = Layout()->HeaderBounds().Height();
    // Without a minimum the header is as high as its font needs.
    header->SetMinHeight(0);
    g.Paint();
    const int fromFont = Layout()->HeaderBounds().Height();
    EXPECT_GT(fromFont, 0);
    EXPECT_EQ(withDefault, std::max(23, fromFont));
    // A minimum above the font's height wins, and a negative one stores zero.
    header->SetMinHeight(fromFont * 3);
    g.Paint();
    EXPECT_EQ(Layout()->HeaderBounds().Height(), fromFont * 3);
    header->SetMinHeight(-5);
    EXPECT_EQ(header->GetMinHeight(), 0);
}


// A body exactly N row heights tall, by the font's row height under a header of known height,
// holds N whole rows and a page is N rows; one pixel less holds N - 1.
TEST_F(GridEdges, ABodyNRowHeightsTallHoldsNRows)
{
    Make(60, 2);
    const int unit = BodyRowUnit(Grid());
    Grid()->GetHeader()->SetMinHeight(unit * 2);
    const int frame = Grid()->GetHeight() - Grid()->GetClientHeight();
    for (int n : {4, 7}) {
        const int height = frame + unit * 2 + n * unit;
        Show(Grid()->GetWidth(), height);
        ASSERT_EQ(Layout()->HeaderBounds().Height(), unit * 2);
        EXPECT_EQ(Layout()->FullItemCount(), n);
        EXPECT_EQ(PageDownFromTop(), n);
        Show(Grid()->GetWidth(), height - 1);
        EXPECT_EQ(Layout()->FullItemCount(), n - 1);
        EXPECT_EQ(PageDownFromTop(), n - 1);
    }
}

namespace {

// Items that report more fixed rows than there are items.
class TOverFixedItems : public TKvDefaultGridItemProvider
{
protected:
    friend class kv::TCreateAccess;
    using TKvDefaultGridItemProvider::TKvDefaultGridItemProvider;

public:
    int GetFixedCount() const override { return GetItemCount() + 5; }
};

} // namespace

// More fixed rows reported than there are items: the items are all fixed, and the grid lays
// out, paints and moves its focus over them.
TEST_F(GridEdges, MoreFixedRowsReportedThanItems)
{
    Make(3, 2);
    TOwned<TKvDefaultGridItemProvider> items(Create<TOverFixedItems>());
    items->SetDataSource(g.Data.get());
    Grid()->SetItemSource(items.get());
    g.Paint();
    EXPECT_EQ(Layout()->FixedItemCount(), 3);
    EXPECT_EQ(Layout()->ItemCount(), 0);
    Grid()->SetFocusedIndex(Index(0, 0), true);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    g.Paint();
    EXPECT_EQ(Grid()->GetFocusedIndex().ItemIndex, 2);
    Grid()->SetItemSource(nullptr);
}
