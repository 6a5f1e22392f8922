// A shown grid paints straight into the window's own image; the picture the window shows after
// the event loop's paints equals the client painted anew through the paint buffer (a grab).
#include "EditTestSupport.h"
#include "GridTestSupport.h"
#include "WindowPictureSupport.h"

#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <QtWidgets/QScrollBar>

using namespace kv;
using namespace kvtest;

// Translucent column, body and cell fills over the window: the first frame, a repaint
// of one cell and a one-row scroll each leave the window showing what the buffer paints; the
// buffer read by its users holds the window's picture.
TEST(GridWindowPaint, WindowPictureEqualsTheBufferedOne)
{
    TShownGrid g;
    g.Fill(200, 5, 90);
    TKvGridView* grid = g.Grid.get();
    auto window = TKvFill::CreateSolid(0xFF336699u);
    auto blue = TKvFill::CreateSolid(0x800000FFu);
    auto half = TKvFill::CreateSolid(0x80FFFF00u);
    auto green = TKvFill::CreateSolid(0x6000FF00u);
    auto red = TKvFill::CreateSolid(0x70FF0000u);
    grid->GetStyles()->SetBackground(window.get());
    grid->GetBody()->GetStyles()->SetBackground(half.get());
    g.Columns[1]->GetStyles()->SetBackground(blue.get());
    TOwned<TOverlayRenderer> overlay(Create<TOverlayRenderer>(nullptr));
    overlay->Fill = green.get();
    overlay->DrawCell = true;
    g.Columns[3]->SetRenderer(overlay.get());
    ShowFocused(grid, 520, 300);
    g.Paint();
    Settle(grid);
    ASSERT_FALSE(grid->GetClientImage().isNull()) << "the window paints on a raster image";

    EXPECT_EQ(PictureDifference(Shown(grid), Repainted(grid)), "") << "first frame";
    const QImage& buffer = g.Image();
    ASSERT_GE(buffer.width(), Client(grid)->width());
    EXPECT_EQ(PictureDifference(buffer.copy(QRect(QPoint(0, 0), Client(grid)->size())), Shown(grid)), "") << "the buffer";

    // One cell marked after its fill changed: only it is painted, and the rest stays.
    const TRect cell = grid->GetCellBounds(TKvGridCellIndex(grid, 2, g.Columns[3]));
    ASSERT_FALSE(cell.IsEmpty());
    overlay->Fill = red.get();
    grid->InvalidateRect(&cell);
    Settle(grid);
    const QImage partial = Shown(grid);
    const QPoint inside(cell.Left + 4, cell.Top + 4);
    const TRect other = grid->GetCellBounds(TKvGridCellIndex(grid, 3, g.Columns[3]));
    const QPoint outside(other.Left + 4, other.Top + 4);
    EXPECT_NE(partial.pixel(inside), partial.pixel(outside)) << "the marked cell shows its new fill alone";
    overlay->Fill = green.get();
    grid->InvalidateRect(&cell);
    Settle(grid);
    EXPECT_EQ(PictureDifference(Shown(grid), Repainted(grid)), "") << "one cell";

    // A click on a cell moves the focus: the two cells are painted.
    Click(grid, other.Left + 5, other.Top + 5);
    Settle(grid);
    EXPECT_EQ(grid->GetFocusedIndex().ItemIndex, 3);
    EXPECT_EQ(PictureDifference(Shown(grid), Repainted(grid)), "") << "focus";

    // One row down by the bar's arrow: the pixels move, the row that came in is painted.
    QScrollBar* bar = nullptr;
    for (QScrollBar* sb : grid->Widget()->findChildren<QScrollBar*>())
        if (sb->orientation() == Qt::Vertical)
            bar = sb;
    ASSERT_NE(bar, nullptr);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Settle(grid);
    EXPECT_EQ(grid->GetTopIndex(), 1);
    EXPECT_EQ(PictureDifference(Shown(grid), Repainted(grid)), "") << "one row down";
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    Settle(grid);
    EXPECT_EQ(grid->GetTopIndex(), 0);
    EXPECT_EQ(PictureDifference(Shown(grid), Repainted(grid)), "") << "one row up";
    EXPECT_EQ(PictureDifference(g.Image().copy(QRect(QPoint(0, 0), Client(grid)->size())), Shown(grid)), "")
        << "the buffer after the scroll";
    g.Columns[3]->SetRenderer(nullptr);
}
