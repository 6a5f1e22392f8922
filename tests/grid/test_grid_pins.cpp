// A cell marked for painting and then moved by a pixel scroll before the paint is painted where
// it landed: the window's picture equals the client painted anew.
#include "GridTestSupport.h"

#include <QtCore/QDeadlineTimer>
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

QWidget* Client(TKvGridView* grid)
{
    return grid->Widget()->focusProxy();
}

// The client as the window shows it: its image as the paints left it.
QImage Shown(TKvGridView* grid)
{
    QWidget* client = Client(grid);
    QWidget* w = client->window();
    const QImage all = w->screen()->grabWindow(w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    return all.copy(QRect(client->mapTo(w, QPoint(0, 0)), client->size()));
}

// The client painted whole into a picture of its own, the window left as it is.
QImage Repainted(TKvGridView* grid)
{
    return Client(grid)->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The event loop paints what is marked: delivered until nothing is (a time-out fails).
void Settle(TKvGridView* grid)
{
    QDeadlineTimer deadline(5000);
    while (!grid->GetUpdateRect().IsEmpty() && !deadline.hasExpired()) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ASSERT_TRUE(grid->GetUpdateRect().IsEmpty()) << "still marked for painting";
    // A paint may post another (a scroll bar's new range).
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

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
    grid->SetBounds(40, 40, 520, 300);
    grid->Show();
    QWidget* window = grid->Widget()->window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    grid->SetFocus();
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
