// Scrolling by rows or columns moves the shown pixels and paints only what came into view and
// what the change touched; the picture the event loop leaves equals a full repaint.
#include "EditTestSupport.h"
#include "GridTestSupport.h"

#include "grid/KvGrids.Layout.h"

#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionSlider>

#include <functional>
#include <map>
#include <string>
#include <set>

using namespace kv;
using namespace kvtest;

namespace {

// The stock data-cell drawing, counting the cells it draws, in all and per item.
class TCountingRenderer : public TKvGridDataCellRenderer
{
public:
    using TKvGridDataCellRenderer::TKvGridDataCellRenderer;
    int Draws = 0;
    std::set<int> Items;
    std::map<int, int> PerItem;
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override
    {
        ++Draws;
        Items.insert(cell->GetIndex().ItemIndex);
        ++PerItem[cell->GetIndex().ItemIndex];
        TKvGridDataCellRenderer::DoDraw(cell, context, rect);
    }
    void Reset()
    {
        Draws = 0;
        Items.clear();
        PerItem.clear();
    }
};

struct TScrollGrid
{
    TShownGrid g;
    TOwned<TCountingRenderer> Renderer{Create<TCountingRenderer>(nullptr)};

    TScrollGrid(int rows, int cols, int width, int height)
    {
        g.Fill(rows, cols, 90);
        for (TKvGridDataColumn* c : g.Columns)
            c->SetRenderer(Renderer.get());
        ShowFocused(g.Grid.get(), width, height);
        g.Paint();
        DeliverPosted();
        Renderer->Reset();
    }
    ~TScrollGrid()
    {
        for (TKvGridDataColumn* c : g.Columns)
            c->SetRenderer(nullptr);
    }
    QWindow* Win() const { return g.Grid->Widget()->window()->windowHandle(); }
    // What the window shows: the backing store as the last paints left it.
    QImage Shown() const
    {
        QWidget* w = g.Grid->Widget()->window();
        return w->screen()->grabWindow(w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    // Delivers what is posted until nothing is left: a paint may post another (a scroll bar's
    // new range), which a time-boxed loop on a busy machine would leave for later.
    static void Drain() { DeliverPosted(); }
    // Everything laid out and painted anew, the scroll bars too.
    QImage Repainted()
    {
        g.Grid->RefreshView(false);
        for (QScrollBar* sb : g.Grid->Widget()->findChildren<QScrollBar*>())
            sb->update();
        g.Grid->Update();
        Drain();
        return Shown();
    }
    QScrollBar* Bar(Qt::Orientation o) const
    {
        for (QScrollBar* sb : g.Grid->Widget()->findChildren<QScrollBar*>())
            if (sb->orientation() == o)
                return sb;
        return nullptr;
    }
    int Rows() const { return g.Layout()->ItemCount(); }
    int Cols() const { return static_cast<int>(g.Columns.size()); }
};

// The natural picture after the step equals a full repaint, pixel for pixel.
void ExpectSamePicture(TScrollGrid& s, const char* what)
{
    // The event loop paints what is still marked (a layout in a paint may mark more).
    TScrollGrid::Drain();
    WaitUntil([&] { return s.g.Grid->GetUpdateRect().IsEmpty(); }, "the grid has painted what it marked");
    const QImage shown = s.Shown();
    const QImage full = s.Repainted();
    ASSERT_EQ(shown.size(), full.size()) << what;
    int differ = 0;
    QPoint first(-1, -1);
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != full.pixel(x, y) && differ++ == 0)
                first = QPoint(x, y);
    EXPECT_EQ(differ, 0) << what << ": first differing pixel at " << first.x() << "," << first.y();
}

// Rows computed from their number: a million rows without holding them.
class TCountedRows : public TKvGridDataProvider
{
public:
    TCountedRows(TComponent* owner, int rows) : TKvGridDataProvider(owner), FRows(rows) {}
    int GetRowCount() const override { return FRows; }
    int GetFieldCount() const override { return 3; }
    QStringList GetFieldNames() const override { return {QStringLiteral("F0"), QStringLiteral("F1"), QStringLiteral("F2")}; }
    QString GetFieldName(int field) const override { return QStringLiteral("F%1").arg(field); }
    int GetFieldIndex(const QString& name) const override { return GetFieldNames().indexOf(name); }
    Variant GetData(int row, int field) const override { return Variant(row * 10 + field); }
    void SetData(int, int, const Variant&) override {}
    TKvGridDataRow GetRow(int row) const override { return {GetData(row, 0), GetData(row, 1), GetData(row, 2)}; }
    TKvGridDataRowState GetRowState(int) const override { return RowStateNone; }
    void InsertRow(int, const TKvGridDataRow&) override {}
    void RemoveRow(int) override {}
    void RemoveRows(const TKvIntegerArray&) override {}
    void UpdateRow(int, const TKvGridDataRow&) override {}
    bool IsLocal() const override { return true; }

private:
    int FRows;
};

} // namespace

TEST(GridScrollPixels, AMillionRowsShowTheVerticalBarWithItsThumb)
{
    TOwned<TCountedRows> data(Create<TCountedRows>(nullptr, 1000000));
    TOwned<TKvGridViewImpl> grid = MakeOwned<TKvGridViewImpl>(nullptr);
    for (int f = 0; f < 3; ++f) {
        TKvGridDataColumn* column = grid->AddDataColumn();
        column->SetFieldName(QStringLiteral("F%1").arg(f));
        column->SetWidth(200); // wider than the window: both bars
    }
    grid->GetFooter()->SetVisible(true);
    grid->SetDataProvider(data.get());
    grid->ResetColumnIndicies();
    ShowFocused(grid.get(), 460, 300);
    grid->Invalidate();
    grid->Update();
    DeliverPosted();

    QScrollBar* vertical = nullptr;
    QScrollBar* horizontal = nullptr;
    for (QScrollBar* sb : grid->Widget()->findChildren<QScrollBar*>())
        (sb->orientation() == Qt::Vertical ? vertical : horizontal) = sb;
    ASSERT_NE(vertical, nullptr);
    ASSERT_NE(horizontal, nullptr);
    EXPECT_TRUE(grid->IsScrollBarVisible(SB_VERT));
    EXPECT_TRUE(vertical->isVisible());
    EXPECT_TRUE(horizontal->isVisible());
    // Right of the rows, from the top to the horizontal bar, the width the system gives it.
    const QRect client = grid->Widget()->focusProxy()->geometry();
    const QRect v = vertical->geometry();
    EXPECT_EQ(v.left(), client.right() + 1);
    EXPECT_EQ(v.top(), client.top());
    EXPECT_EQ(v.width(), GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(v.bottom() + 1, horizontal->geometry().top());
    EXPECT_LE(v.right(), grid->Widget()->width() - 1);
    EXPECT_EQ(vertical->maximum() + vertical->pageStep(), 1000000); // the rows a page shows

    // The picture: the arrows' glyphs, and the thumb at the top, then at the end.
    auto picture = [&] { return grid->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    auto thumb = [&] {
        QStyleOptionSlider option;
        option.initFrom(vertical);
        option.orientation = Qt::Vertical;
        option.minimum = vertical->minimum();
        option.maximum = vertical->maximum();
        option.sliderPosition = option.sliderValue = vertical->value();
        option.pageStep = vertical->pageStep();
        option.singleStep = vertical->singleStep();
        option.subControls = QStyle::SC_All;
        return vertical->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, vertical)
            .translated(v.topLeft());
    };
    auto differs = [](const QImage& image, const QRect& r, QRgb from) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += image.pixel(x, y) != from;
        return n;
    };
    QImage image = picture();
    const QRect top = thumb();
    ASSERT_TRUE(top.isValid());
    EXPECT_GE(top.height(), 8);
    // The groove well below the thumb, one colour across the bar's middle.
    const QRgb groove = image.pixel(v.center().x(), v.center().y());
    EXPECT_GT(differs(image, top.adjusted(3, 3, -3, -3), groove), top.height()) << "no thumb at the top";
    const QRect upArrow(v.left(), v.top(), v.width(), v.width());
    EXPECT_GT(differs(image, upArrow.adjusted(3, 3, -3, -3), image.pixel(upArrow.left() + 2, upArrow.top() + 2)), 0)
        << "no arrow glyph";
    EXPECT_NE(image.pixel(v.center()), image.pixel(client.center().x(), v.center().y()));

    grid->SetTopIndex(vertical->maximum());
    DeliverPosted();
    image = picture();
    const QRect end = thumb();
    EXPECT_GT(end.top(), v.center().y());
    EXPECT_GT(differs(image, end.adjusted(3, 3, -3, -3), groove), end.height()) << "no thumb at the end";
    EXPECT_EQ(differs(image, top.adjusted(3, 3, -3, -3), groove), 0) << "the thumb stays at the top";
    grid.reset();
}

TEST(GridScrollPixels, OneRowStepsPaintOnlyTheRowsThatCameIn)
{
    TScrollGrid s(300, 5, 520, 320);
    TKvGridView* grid = s.g.Grid.get();
    const int rows = s.Rows();
    ASSERT_GT(rows, 6);
    // At most the rows that came in, the last (cut) row and the one it replaced, the focused
    // row, and the rows whose cells reach a pixel into those (drawn clipped).
    auto expectFew = [&](int cameIn, const char* what) {
        EXPECT_GT(s.Renderer->Draws, 0) << what;
        EXPECT_LE(s.Renderer->Draws, (cameIn + 4 + 3) * s.Cols()) << what;
        EXPECT_LT(s.Renderer->Draws, rows * s.Cols()) << what;
        const int top = grid->GetTopIndex();
        const int focused = grid->GetFocusedIndex().ItemIndex;
        for (int item : s.Renderer->Items) {
            const bool first = item <= top + cameIn;
            const bool last = item >= top + rows - cameIn - 3;
            EXPECT_TRUE(first || last || item == focused || item == focused - 1 || item == focused + 1)
                << what << ": item " << item << " repainted, top " << top;
        }
    };

    // The scroll bar's line arrow, down and up.
    s.Bar(Qt::Vertical)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    DeliverPosted();
    EXPECT_EQ(grid->GetTopIndex(), 1);
    {
        SCOPED_TRACE("line down");
        const int top = grid->GetTopIndex();
        EXPECT_LE(s.Renderer->Draws, 3 * s.Cols());
        for (int item : s.Renderer->Items)
            EXPECT_GE(item, top + rows - 3);
    }
    ExpectSamePicture(s, "line down");
    s.Renderer->Reset();
    s.Bar(Qt::Vertical)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    DeliverPosted();
    EXPECT_EQ(grid->GetTopIndex(), 0);
    expectFew(1, "line up");
    ExpectSamePicture(s, "line up");

    // The wheel, with the mouse over a row: its hover feedback stays under the mouse.
    const TRect cell = grid->GetCellBounds(TKvGridCellIndex(grid, 4, s.g.Columns[1]));
    QTest::mouseMove(s.Win(), WindowPoint(grid, cell.Left + 5, cell.Top + 5));
    DeliverPosted();
    s.Renderer->Reset();
    const QPoint at = s.g.Grid->Widget()->focusProxy()->mapFromGlobal(
        s.Win()->mapToGlobal(WindowPoint(grid, cell.Left + 5, cell.Top + 5)));
    QWheelEvent wheel(at, s.Win()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(s.g.Grid->Widget()->focusProxy(), &wheel);
    DeliverPosted();
    EXPECT_EQ(grid->GetTopIndex(), 2);
    EXPECT_LE(s.Renderer->Draws, (2 + 2 + 2) * s.Cols()); // the two new rows, the cut ones, the hovered ones
    ExpectSamePicture(s, "wheel");

    // Down on the bottom full row moves the focus and the rows.
    const int full = s.g.Layout()->FullItemCount();
    grid->SetFocusedIndex(TKvGridCellIndex(grid, grid->GetTopIndex() + full - 1, s.g.Columns[2]), true);
    s.g.Paint();
    DeliverPosted();
    s.Renderer->Reset();
    const int before = grid->GetTopIndex();
    QTest::keyClick(s.Win(), Qt::Key_Down);
    DeliverPosted();
    EXPECT_EQ(grid->GetTopIndex(), before + 1);
    EXPECT_EQ(grid->GetFocusedIndex().ItemIndex, before + full);
    expectFew(1, "Down");
    ExpectSamePicture(s, "Down at the bottom row");

    // Programmatic steps of the top item.
    s.Renderer->Reset();
    grid->SetTopItem(grid->GetTopItem() + 1);
    DeliverPosted();
    expectFew(1, "SetTopItem down");
    ExpectSamePicture(s, "SetTopItem down");
    s.Renderer->Reset();
    grid->SetTopItem(grid->GetTopItem() - 1);
    DeliverPosted();
    expectFew(1, "SetTopItem up");
    ExpectSamePicture(s, "SetTopItem up");

    // A selection of rows reaching above the shown ones is cut at the top row.
    grid->GetSelections()->ClearAndAdd(TKvGridCellIndex(grid, 0, s.g.Columns[0]),
                                       TKvGridCellIndex(grid, grid->GetTopIndex() + 5, s.g.Columns[0]), SelectRows);
    s.g.Paint();
    DeliverPosted();
    grid->SetTopItem(grid->GetTopItem() + 1);
    DeliverPosted();
    ExpectSamePicture(s, "selected rows");
}

// With a fixed column and a footer over the cut last row, as a grid of many rows is often shown:
// each gesture paints the rows that came in, whole, and of the rows that only moved at most the
// cells under the focus marks (whose grown bounds reach a pixel or two into the next rows),
// and leaves the picture of a full repaint.
TEST(GridScrollPixels, GesturesUnderAFooterPaintOnlyWhatCameInAndTheFocusMarks)
{
    TScrollGrid s(300, 6, 560, 330);
    TKvGridView* grid = s.g.Grid.get();
    grid->GetFixedCols()->SetCount(1);
    grid->GetFooter()->SetVisible(true);
    const int focusColumn = 2;
    grid->SetFocusedIndex(TKvGridCellIndex(grid, 0, s.g.Columns[focusColumn]), true);
    s.g.Paint();
    TScrollGrid::Drain();
    const int rows = s.Rows();
    const int full = s.g.Layout()->FullItemCount();
    ASSERT_GT(rows, 6);
    ASSERT_LT(full, rows) << "the last row shows in part, under the footer";
    const int cols = s.Cols();
    // The fixed column's cell under the row's bar mark, the focused column's cell and its
    // neighbours under the cell's mark.
    const int underMarks = 4;
    auto step = [&](const std::function<void()>& gesture) {
        s.Renderer->Reset();
        gesture();
        TScrollGrid::Drain();
        WaitUntil([&] { return grid->GetUpdateRect().IsEmpty(); }, "the grid has painted what it marked");
    };
    // Items first..last came in, each cell painted once; focused lists where the focus was and
    // is.
    auto expectDrawn = [&](int first, int last, std::initializer_list<int> focused, const char* what) {
        for (int item = first; item <= last; ++item)
            EXPECT_EQ(s.Renderer->PerItem[item], cols) << what << ": item " << item << " came in";
        for (const auto& [item, draws] : s.Renderer->PerItem) {
            if (item >= first && item <= last)
                continue;
            bool nearFocus = false;
            for (int f : focused)
                nearFocus = nearFocus || std::abs(item - f) <= 1;
            EXPECT_TRUE(nearFocus) << what << ": item " << item << " repainted, top " << grid->GetTopIndex();
            EXPECT_LE(draws, underMarks) << what << ": item " << item;
        }
    };
    QScrollBar* bar = s.Bar(Qt::Vertical);
    ASSERT_NE(bar, nullptr);

    // The row that came in below the footer, and the hidden part of the one it pushed up.
    step([&] { bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); });
    ASSERT_EQ(grid->GetTopIndex(), 1);
    expectDrawn(rows - 1, rows, {0}, "line down");
    ExpectSamePicture(s, "line down");
    // The row that came in at the top; the last row, cut now, shows what it showed.
    step([&] { bar->triggerAction(QAbstractSlider::SliderSingleStepSub); });
    ASSERT_EQ(grid->GetTopIndex(), 0);
    expectDrawn(0, 0, {0}, "line up");
    ExpectSamePicture(s, "line up");

    // Two rows a notch, the focus out of view.
    step([&] { grid->SetTopIndex(5); });
    auto notch = [&](int delta) {
        QWidget* client = grid->Widget()->focusProxy();
        const TRect cell = grid->GetCellBounds(TKvGridCellIndex(grid, 8, s.g.Columns[3]));
        const QPointF at(cell.Left + 5, cell.Top + 5);
        QWheelEvent wheel(at, client->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(client, &wheel);
    };
    // A notch down and one back up: each paints only the two rows that came in.
    auto downAndUp = [&](const std::string& how) {
        step([&] { notch(-120); });
        ASSERT_EQ(grid->GetTopIndex(), 7);
        expectDrawn(5 + rows - 1, 7 + rows - 1, {}, ("wheel down" + how).c_str());
        ExpectSamePicture(s, ("wheel down" + how).c_str());
        step([&] { notch(120); });
        ASSERT_EQ(grid->GetTopIndex(), 5);
        expectDrawn(5, 6, {}, ("wheel up" + how).c_str());
        ExpectSamePicture(s, ("wheel up" + how).c_str());
    };
    ASSERT_NO_FATAL_FAILURE(downAndUp(""));
    // With the focus in view its marks move with the rows: nothing more is painted.
    grid->SetFocusedIndex(TKvGridCellIndex(grid, 8, s.g.Columns[focusColumn]), true);
    s.g.Paint();
    TScrollGrid::Drain();
    ASSERT_NO_FATAL_FAILURE(downAndUp(", the focus in view"));

    // Down on the last full row: the focus goes to the row cut by the footer, which moves up
    // with the others, in one step.
    const int bottom = 5 + full - 1;
    grid->SetFocusedIndex(TKvGridCellIndex(grid, bottom, s.g.Columns[focusColumn]), true);
    s.g.Paint();
    TScrollGrid::Drain();
    step([&] { QTest::keyClick(s.Win(), Qt::Key_Down); });
    ASSERT_EQ(grid->GetTopIndex(), 6);
    ASSERT_EQ(grid->GetFocusedIndex().ItemIndex, bottom + 1);
    expectDrawn(5 + rows - 1, 6 + rows - 1, {bottom, bottom + 1}, "Down");
    ExpectSamePicture(s, "Down at the last full row");

    // Up on the top row.
    grid->SetFocusedIndex(TKvGridCellIndex(grid, 6, s.g.Columns[focusColumn]), true);
    s.g.Paint();
    TScrollGrid::Drain();
    step([&] { QTest::keyClick(s.Win(), Qt::Key_Up); });
    ASSERT_EQ(grid->GetTopIndex(), 5);
    ASSERT_EQ(grid->GetFocusedIndex().ItemIndex, 5);
    expectDrawn(5, 5, {6, 5}, "Up");
    ExpectSamePicture(s, "Up at the top row");
}

TEST(GridScrollPixels, ColumnStepsPaintOnlyTheColumnsThatCameIn)
{
    TScrollGrid s(60, 12, 520, 320);
    TKvGridView* grid = s.g.Grid.get();
    s.g.Grid->GetFixedCols()->SetCount(1);
    s.g.Paint();
    DeliverPosted();
    s.Renderer->Reset();
    const int rows = s.Rows();

    QScrollBar* bar = s.Bar(Qt::Horizontal);
    ASSERT_NE(bar, nullptr);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    DeliverPosted();
    EXPECT_GT(grid->GetLeftPos(), 0);
    EXPECT_GT(s.Renderer->Draws, 0);
    // The strip that came in and the column it cuts, never all of them.
    EXPECT_LE(s.Renderer->Draws, 3 * rows);
    ExpectSamePicture(s, "line right");

    s.Renderer->Reset();
    grid->SetLeftCol(2);
    DeliverPosted();
    EXPECT_LE(s.Renderer->Draws, 3 * rows);
    ExpectSamePicture(s, "one column right");
    s.Renderer->Reset();
    grid->SetLeftCol(1);
    DeliverPosted();
    EXPECT_LE(s.Renderer->Draws, 3 * rows);
    ExpectSamePicture(s, "one column left");
}

TEST(GridScrollPixels, ALayoutChangeWithTheScrollRepaintsWhole)
{
    TScrollGrid s(300, 5, 520, 320);
    TKvGridView* grid = s.g.Grid.get();
    // A column resized, then a one-row step before the paint.
    s.g.Columns[1]->SetWidth(140);
    grid->SetTopIndex(1);
    DeliverPosted();
    EXPECT_GT(s.Renderer->Draws, s.Rows() * 2);
    ExpectSamePicture(s, "resize then scroll");

    // A one-row step, then a column resized before the paint.
    s.Renderer->Reset();
    grid->SetTopIndex(2);
    s.g.Columns[2]->SetWidth(40);
    DeliverPosted();
    ExpectSamePicture(s, "scroll then resize");

    // A one-row step, then a cell changed before the paint.
    grid->SetTopIndex(3);
    s.g.Data->SetData(5, 1, Variant(QStringLiteral("changed")));
    DeliverPosted();
    ExpectSamePicture(s, "scroll then a value");
}

TEST(GridScrollPixels, LineStepsLeaveTheFocusInTheWaitingEditor)
{
    TScrollGrid s(300, 5, 520, 320);
    TKvGridView* grid = s.g.Grid.get();
    // A click on a cell: the editor waits over it with the keyboard focus.
    const TRect cell = grid->GetCellBounds(TKvGridCellIndex(grid, 2, s.g.Columns[1]));
    Click(grid, cell.Left + 5, cell.Top + 5);
    DeliverPosted();
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    ASSERT_NE(focus, grid->Widget()->focusProxy()) << "no editor waits with the focus";
    ASSERT_TRUE(grid->Widget()->isAncestorOf(focus));
    for (int step = 1; step <= 3; ++step) {
        SCOPED_TRACE(step);
        s.Renderer->Reset();
        s.Bar(Qt::Vertical)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        DeliverPosted();
        EXPECT_EQ(grid->GetTopIndex(), step);
        EXPECT_EQ(QApplication::focusWidget(), focus);
        // The rows that came in, the cut ones, the hovered ones, never all rows.
        EXPECT_GT(s.Renderer->Draws, 0);
        EXPECT_LE(s.Renderer->Draws, 6 * s.Cols());
        ExpectSamePicture(s, "line down from the editor");
    }
}

// The thumb of the vertical bar over many rows moves by a pixel every few steps: each step
// repaints where it was and where it is (or nothing of the bar), the ends the whole bar; the
// picture equals the bar painted anew.
TEST(GridScrollPixels, TheScrollBarShowsItsThumbWhereThePositionIs)
{
    TScrollGrid s(3000, 5, 520, 320);
    TKvGridView* grid = s.g.Grid.get();
    QScrollBar* bar = s.Bar(Qt::Vertical);
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(bar->isVisible());
    for (int step = 0; step < 12; ++step)
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    DeliverPosted();
    EXPECT_EQ(grid->GetTopIndex(), 12);
    ExpectSamePicture(s, "twelve lines down");
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    DeliverPosted();
    ExpectSamePicture(s, "a page down");
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    DeliverPosted();
    ExpectSamePicture(s, "the end");
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    DeliverPosted();
    ExpectSamePicture(s, "a line up from the end");
    grid->SetTopIndex(0);
    DeliverPosted();
    ExpectSamePicture(s, "the top");
    for (int step = 0; step < 3; ++step) {
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        DeliverPosted();
        ExpectSamePicture(s, "a line down from the top");
    }
}

// A refresh lays out in its paint: the views the layout replaces are drawn by that paint, not
// marked for a second one; and nothing stays marked once the event loop has painted, even
// after the client shrank for the bars.
TEST(GridScrollPixels, ARefreshPaintsEachCellOnce)
{
    TScrollGrid s(300, 8, 520, 320);
    TKvGridView* grid = s.g.Grid.get();
    ASSERT_TRUE(s.Bar(Qt::Vertical)->isVisible());
    ASSERT_TRUE(s.Bar(Qt::Horizontal)->isVisible());
    EXPECT_TRUE(grid->GetUpdateRect().IsEmpty());
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        s.Renderer->Reset();
        grid->RefreshView(false);
        DeliverPosted();
        EXPECT_GT(s.Renderer->Draws, 0);
        // Each shown data cell once.
        EXPECT_LE(s.Renderer->Draws, s.Rows() * s.Cols());
        EXPECT_TRUE(grid->GetUpdateRect().IsEmpty());
    }
    grid->SetTopIndex(40);
    DeliverPosted();
    ExpectSamePicture(s, "a refresh after a jump");
}
