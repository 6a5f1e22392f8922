// A cell marked for painting and then moved by a pixel scroll before the paint is painted where
// it landed; the focus and the selection follow rows the data inserts and removes.
#include "EditTestSupport.h"
#include "GridTestSupport.h"
#include "WindowPictureSupport.h"

#include "grid/KvGrids.Selection.h"

#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <QtWidgets/QScrollBar>

using namespace kv;
using namespace kvtest;

namespace {

// The stock cell drawing with a fill over one cell, counting the cells it draws.
class TMarkRenderer : public TKvGridDataCellRenderer
{
public:
    using TKvGridDataCellRenderer::TKvGridDataCellRenderer;
    TKvFill* Fill = nullptr;
    int Marked = -1;
    TKvGridColumn* MarkedColumn = nullptr;
    int Draws = 0;
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override
    {
        ++Draws;
        TKvGridDataCellRenderer::DoDraw(cell, context, rect);
        if (cell->GetIndex().ItemIndex == Marked && cell->GetIndex().Column == MarkedColumn)
            context->DrawRect(Fill, nullptr, TRectF(rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom - 2));
    }
};

} // namespace

TEST(GridPins, ACellMarkedBeforeAPixelScrollIsPaintedWhereItLanded)
{
    TShownGrid g;
    g.Fill(200, 8, 90);
    TKvGridView* grid = g.Grid.get();
    constexpr QRgb mark = 0xFFE02020u;
    auto red = TKvFill::CreateSolid(mark);
    TOwned<TMarkRenderer> renderer(Create<TMarkRenderer>(nullptr));
    renderer->Fill = red.get();
    for (TKvGridDataColumn* c : g.Columns)
        c->SetRenderer(renderer.get());
    ShowFocused(grid, 520, 300);
    g.Paint();
    Settle(grid);
    ASSERT_EQ(PictureDifference(Shown(grid), Repainted(grid)), "") << "first frame";
    const int cells = g.Layout()->ItemCount() * static_cast<int>(g.Columns.size());
    auto markedCellShowsTheFill = [&](int item, TKvGridDataColumn* column) {
        const TRect r = grid->GetCellBounds(TKvGridCellIndex(grid, item, column));
        const QImage shown = Shown(grid);
        return !r.IsEmpty() && shown.pixel(r.Left + 4, r.Top + 4) == mark;
    };

    struct TStep
    {
        const char* What;
        int Item;
        int Column;
        std::function<void()> Scroll;
    };
    QScrollBar* vertical = nullptr;
    for (QScrollBar* sb : grid->Widget()->findChildren<QScrollBar*>())
        if (sb->orientation() == Qt::Vertical)
            vertical = sb;
    ASSERT_NE(vertical, nullptr);
    const std::vector<TStep> steps{
        {"one row down", 4, 1, [&] { grid->SetTopIndex(grid->GetTopIndex() + 1); }},
        {"one row up", 6, 2, [&] { grid->SetTopIndex(grid->GetTopIndex() - 1); }},
        {"the bar's arrow down", 3, 0, [&] { vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd); }},
        {"one column right", 5, 2, [&] { grid->SetLeftCol(1); }},
        {"one column left", 5, 3, [&] { grid->SetLeftCol(0); }},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.What);
        // The cell changes and is marked; the rows or columns move before the paint.
        const TRect cell = grid->GetCellBounds(TKvGridCellIndex(grid, step.Item, g.Columns[size_t(step.Column)]));
        ASSERT_FALSE(cell.IsEmpty());
        renderer->Marked = step.Item;
        renderer->MarkedColumn = g.Columns[size_t(step.Column)];
        renderer->Draws = 0;
        grid->InvalidateRect(&cell);
        step.Scroll();
        // The mark moved with the pixels: where the cell landed is marked, and the event loop
        // paints it and leaves nothing marked.
        const TRect landed = grid->GetCellBounds(TKvGridCellIndex(grid, step.Item, g.Columns[size_t(step.Column)]));
        ASSERT_NE(landed, cell);
        EXPECT_EQ(UnionRect(grid->GetUpdateRect(), landed), grid->GetUpdateRect()) << "the landed cell is not marked";
        Settle(grid);
        // The pixels moved: far fewer cells than shown were drawn.
        EXPECT_GT(renderer->Draws, 0);
        EXPECT_LT(renderer->Draws, cells / 2);
        EXPECT_TRUE(markedCellShowsTheFill(step.Item, g.Columns[size_t(step.Column)]));
        EXPECT_EQ(PictureDifference(Shown(grid), Repainted(grid)), "");
        // The mark taken off the same way, as the next step's start.
        renderer->Marked = -1;
        grid->InvalidateRect(&landed);
        Settle(grid);
        ASSERT_EQ(PictureDifference(Shown(grid), Repainted(grid)), "");
    }
    for (TKvGridDataColumn* c : g.Columns)
        c->SetRenderer(nullptr);
}

namespace {

// A grid shown with the keyboard, painted, for the user's clicks and keys.
struct TUserGrid
{
    TShownGrid g;
    TUserGrid(int rows, int cols)
    {
        g.Fill(rows, cols, 90);
        TKvGridView* grid = g.Grid.get();
        ShowFocused(grid, 520, 300);
        g.Paint();
        Settle(grid);
    }
    QWindow* Win() const { return g.Grid->Widget()->window()->windowHandle(); }
    QPoint At(const TRect& r) const
    {
        const TPoint o = g.Grid->GetClientOrigin();
        return g.Grid->Widget()->mapTo(g.Grid->Widget()->window(), QPoint(o.X + r.Left + 5, o.Y + r.Top + 5));
    }
    void ClickCell(int item, int column, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const TRect r = g.Grid->GetCellBounds(TKvGridCellIndex(g.Grid.get(), item, g.Columns[size_t(column)]));
        ASSERT_FALSE(r.IsEmpty());
        QTest::mouseClick(Win(), Qt::LeftButton, mods, At(r));
        Settle(g.Grid.get());
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(Win(), key, mods);
        Settle(g.Grid.get());
    }
    // The text of the focused cell.
    QString Focused() const
    {
        const TKvGridCellIndex f = g.Grid->GetFocusedIndex();
        return f.ItemIndex < 0 ? QString() : g.Grid->GetCellData(f).ToString();
    }
};

} // namespace

// Rows inserted or removed by the data, at the focused row or before it, leave the focus on
// the row it was on, or on the row that took the place of a removed one.
TEST(GridPins, TheFocusStaysOnItsRowWhenRowsComeAndGo)
{
    TUserGrid u(12, 3);
    TKvGridView* grid = u.g.Grid.get();
    u.ClickCell(4, 1);
    ASSERT_EQ(u.Focused(), "r4c1");

    // A row inserted at the focused row's place, and one before it.
    u.g.Data->InsertRow(4, {Variant("n0"), Variant("n1"), Variant("n2")});
    u.g.Paint();
    EXPECT_EQ(u.Focused(), "r4c1");
    u.g.Data->InsertRow(0, {Variant("m0"), Variant("m1"), Variant("m2")});
    u.g.Paint();
    EXPECT_EQ(u.Focused(), "r4c1");
    EXPECT_EQ(grid->GetFocusedIndex().ItemIndex, 6);
    // The selected cell is the focused one still.
    const TKvGridRanges ranges = grid->GetSelections()->GetRanges();
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].R1, 6);
    EXPECT_EQ(ranges[0].R2, 6);

    // The focused row removed: the row after it takes the focus; a row before it removed.
    u.g.Data->RemoveRow(6);
    u.g.Paint();
    EXPECT_EQ(u.Focused(), "r5c1");
    u.g.Data->RemoveRow(0);
    u.g.Paint();
    EXPECT_EQ(u.Focused(), "r5c1");

    // The keys go on from there.
    u.Key(Qt::Key_Down);
    EXPECT_EQ(u.Focused(), "r6c1");
}

// A selection reaching the last row, left past the rows when a row before it goes, falls back
// to the focused cell.
TEST(GridPins, ASelectionPastTheRowsFallsBackToTheFocusedCell)
{
    TUserGrid u(8, 3);
    TKvGridView* grid = u.g.Grid.get();
    u.ClickCell(5, 0);
    u.ClickCell(7, 1, Qt::ShiftModifier);
    TKvGridRanges ranges = grid->GetSelections()->GetRanges();
    ASSERT_EQ(ranges.size(), 1u);
    ASSERT_EQ(std::max(ranges[0].R1, ranges[0].R2), 7);
    const QString focused = u.Focused();

    u.g.Data->RemoveRow(0);
    u.g.Paint();
    EXPECT_EQ(u.Focused(), focused);
    ranges = grid->GetSelections()->GetRanges();
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_LT(std::max(ranges[0].R1, ranges[0].R2), grid->GetItemCount());
    EXPECT_EQ(ranges[0].R1, grid->GetFocusedIndex().ItemIndex);
    EXPECT_EQ(ranges[0].R2, grid->GetFocusedIndex().ItemIndex);
}

// A page to the left from a column's edge shows the column before it; a left column past the
// last goes as far right as the columns go.
TEST(GridPins, PagingColumnsStopsAtColumnEdges)
{
    TUserGrid u(20, 12);
    TKvGridView* grid = u.g.Grid.get();
    QScrollBar* horizontal = nullptr;
    for (QScrollBar* sb : grid->Widget()->findChildren<QScrollBar*>())
        if (sb->orientation() == Qt::Horizontal)
            horizontal = sb;
    ASSERT_NE(horizontal, nullptr);
    grid->SetLeftCol(2);
    Settle(grid);
    const int second = grid->GetLeftPos();
    grid->SetLeftCol(3);
    Settle(grid);
    ASSERT_GT(grid->GetLeftPos(), second);
    horizontal->triggerAction(QAbstractSlider::SliderPageStepSub);
    Settle(grid);
    EXPECT_EQ(grid->GetLeftPos(), second);

    grid->SetLeftCol(1000);
    Settle(grid);
    EXPECT_EQ(grid->GetLeftPos(), horizontal->maximum());
    EXPECT_GT(grid->GetLeftPos(), second);
}

// A selection of whole columns holds the cells of its first and last column, and no other.
TEST(GridPins, AColumnsSelectionHoldsItsEndColumns)
{
    TUserGrid u(6, 5);
    TKvGridView* grid = u.g.Grid.get();
    auto cell = [&](int item, int column) { return TKvGridCellIndex(grid, item, u.g.Columns[size_t(column)]); };
    TKvGridSelectionItem* item = grid->GetSelections()->ClearAndAdd(cell(0, 1), cell(0, 3), SelectColumns);
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(item->Contains(cell(4, column)), column >= 1 && column <= 3) << column;
    item = grid->GetSelections()->ClearAndAdd(cell(0, 3), cell(0, 1), SelectColumns);
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(item->Contains(cell(2, column)), column >= 1 && column <= 3) << column;
}

// The first pixel of a column, of a fixed column and of a fixed row belongs to it: a click
// there focuses its cell, and the tools find the cell there.
TEST(GridPins, TheFirstPixelOfAColumnOrAFixedRowBelongsToIt)
{
    TUserGrid u(20, 6);
    TKvGridView* grid = u.g.Grid.get();
    grid->GetFixedCols()->SetCount(1);
    grid->GetFixedRows()->SetCount(1);
    u.g.Paint();
    Settle(grid);
    auto index = [&](int item, int column) { return TKvGridCellIndex(grid, item, u.g.Columns[size_t(column)]); };
    auto clickAt = [&](int x, int y) {
        const TPoint o = grid->GetClientOrigin();
        QTest::mouseClick(u.Win(), Qt::LeftButton, {}, grid->Widget()->mapTo(grid->Widget()->window(), QPoint(o.X + x, o.Y + y)));
        Settle(grid);
    };
    auto middle = [](const TRect& r) { return (r.Top + r.Bottom) / 2; };

    const TRect scrolled = grid->GetCellBounds(index(4, 2));
    ASSERT_FALSE(scrolled.IsEmpty());
    clickAt(scrolled.Left, middle(scrolled));
    EXPECT_EQ(grid->GetFocusedIndex(), index(4, 2));
    clickAt(scrolled.Left - 1, middle(scrolled));
    EXPECT_EQ(grid->GetFocusedIndex(), index(4, 1));
    EXPECT_EQ(grid->MouseToIndex(scrolled.Left, middle(scrolled)), index(4, 2));
    EXPECT_EQ(grid->MouseToIndex(scrolled.Left - 1, middle(scrolled)), index(4, 1));

    const TRect fixedColumn = grid->GetCellBounds(index(5, 0));
    ASSERT_FALSE(fixedColumn.IsEmpty());
    clickAt(fixedColumn.Left, middle(fixedColumn));
    EXPECT_EQ(grid->GetFocusedIndex(), index(5, 0));
    EXPECT_EQ(grid->MouseToIndex(fixedColumn.Left, middle(fixedColumn)), index(5, 0));

    const TRect fixedRow = grid->GetCellBounds(index(0, 3));
    ASSERT_FALSE(fixedRow.IsEmpty());
    clickAt((fixedRow.Left + fixedRow.Right) / 2, fixedRow.Top);
    EXPECT_EQ(grid->GetFocusedIndex(), index(0, 3));
    EXPECT_EQ(grid->MouseToIndex((fixedRow.Left + fixedRow.Right) / 2, fixedRow.Top), index(0, 3));
}
