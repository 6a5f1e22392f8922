// Scrolling a shown grid: clamps, the wheel, whole thumb positions past 16 bits, making
// cells visible, the one-row window scroll, focused cell marks and selection rectangles.
#include "GridTestSupport.h"
#include "TestSupport.h"

#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.GridTool.h"
#include "grid/KvGrids.Layout.h"

#include <QtTest/QTest>
#include <QtWidgets/QScrollBar>

using namespace kv;
using namespace kvtest;

namespace {

QScrollBar* Bar(TShownGrid& g, Qt::Orientation o)
{
    for (QScrollBar* sb : g.Grid->Widget()->findChildren<QScrollBar*>())
        if (sb->orientation() == o)
            return sb;
    return nullptr;
}

TScrollInfo Info(TShownGrid& g, int bar)
{
    TScrollInfo info;
    info.fMask = SIF_ALL;
    g.Grid->GetScrollInfo(bar, info);
    return info;
}

void Drag(QScrollBar* sb, int pos)
{
    sb->setSliderDown(true);
    sb->setSliderPosition(pos);
    sb->setSliderDown(false);
}

} // namespace

TEST(GridScroll, PositionsClampToTheBarsAndTheWheelMovesTwoRows)
{
    TShownGrid g;
    g.Fill(100, 8, 100);
    g.Show(400, 300);
    const TScrollInfo v = Info(g, SB_VERT);
    const int lastTop = v.nMax - (static_cast<int>(v.nPage) - 1);
    g.Grid->SetTopIndex(-5);
    EXPECT_EQ(g.Grid->GetTopIndex(), 0);
    g.Grid->SetTopIndex(1000);
    EXPECT_EQ(g.Grid->GetTopIndex(), lastTop);
    EXPECT_EQ(g.Grid->GetScrollPos(SB_VERT), lastTop);
    const TScrollInfo h = Info(g, SB_HORZ);
    g.Grid->SetLeftPos(1 << 20);
    EXPECT_EQ(g.Grid->GetLeftPos(), h.nMax - (static_cast<int>(h.nPage) - 1));
    g.Grid->SetLeftPos(-1);
    EXPECT_EQ(g.Grid->GetLeftPos(), 0);

    g.Grid->SetTopIndex(10);
    TMessage wheel{WM_MOUSEWHEEL, MakeLParam(0, -120), MakeLParam(10, 10), 0};
    g.Grid->WndProc(wheel);
    EXPECT_EQ(g.Grid->GetTopIndex(), 12);
    wheel.WParam = MakeLParam(0, 240);
    g.Grid->WndProc(wheel);
    EXPECT_EQ(g.Grid->GetTopIndex(), 8);

    // Line and page steps through the bar itself.
    QScrollBar* sb = Bar(g, Qt::Vertical);
    ASSERT_NE(sb, nullptr);
    sb->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(g.Grid->GetTopIndex(), 9);
    sb->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(g.Grid->GetTopIndex(), 9 + g.Layout()->FullItemCount());
    sb->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(g.Grid->GetTopIndex(), 0);
}

TEST(GridScroll, ThumbPositionsPastSixteenBitsArriveWhole)
{
    TShownGrid tall;
    tall.Fill(40000, 2, 100);
    tall.Show(400, 300);
    QScrollBar* v = Bar(tall, Qt::Vertical);
    ASSERT_NE(v, nullptr);
    Drag(v, 35000);
    EXPECT_EQ(tall.Grid->GetTopIndex(), 35000);

    TShownGrid wide;
    wide.Fill(3, 400, 100); // 40,000 pixels of columns
    wide.Show(400, 300);
    QScrollBar* h = Bar(wide, Qt::Horizontal);
    ASSERT_NE(h, nullptr);
    Drag(h, 33000);
    EXPECT_EQ(wide.Grid->GetLeftPos(), 33000);
    wide.Paint();
    EXPECT_EQ(wide.Layout()->FirstCol(), 330);
}

TEST(GridScroll, MakeCellVisibleAndOneRowWindowScroll)
{
    TShownGrid g;
    g.Fill(100, 8, 100);
    g.Show(400, 300);
    TKvGridLayoutManager* m = g.Layout();
    const int full = m->FullItemCount();
    g.Grid->MakeCellVisible(TKvGridCellIndex(g.Grid.get(), 50, g.Columns[0]));
    EXPECT_EQ(g.Grid->GetTopIndex(), 50 - full + 1);
    g.Grid->MakeCellVisible(TKvGridCellIndex(g.Grid.get(), 52 - full, g.Columns[0])); // already shown
    EXPECT_EQ(g.Grid->GetTopIndex(), 50 - full + 1);
    g.Grid->MakeCellVisible(TKvGridCellIndex(g.Grid.get(), 3, g.Columns[0]));
    EXPECT_EQ(g.Grid->GetTopIndex(), 3);
    g.Paint();
    g.Grid->MakeCellVisible(TKvGridCellIndex(g.Grid.get(), 3, g.Columns[7]));
    EXPECT_EQ(g.Grid->GetLeftPos(), m->DataColumnRect(g.Columns[7]).Right - m->GridBounds().Right);
    g.Paint();
    g.Grid->MakeCellVisible(TKvGridCellIndex(g.Grid.get(), 3, g.Columns[0]));
    EXPECT_EQ(g.Grid->GetLeftPos(), 0);

    // A one-row step of the bar, or of the top index, moves the rows' pixels at once and marks
    // only a few rows for painting (test_grid_scroll_pixels.cpp checks the pictures).
    g.Paint();
    Bar(g, Qt::Vertical)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(g.Grid->GetTopIndex(), 4);
    EXPECT_FALSE(g.Grid->GetScrollWindowArmed());
    g.Paint();
    g.Grid->SetTopIndex(5);
    EXPECT_FALSE(g.Grid->GetScrollWindowArmed());

    EXPECT_EQ(g.Grid->MouseToIndex(m->DataColumnRect(g.Columns[1]).Left + 2, m->BodyBounds().Top + m->ItemBounds(0).Top + 2),
              TKvGridCellIndex(g.Grid.get(), g.Grid->GetTopIndex(), g.Columns[1]));
}

TEST(GridScroll, FocusedCellMarkAndSelectionRectangles)
{
    TShownGrid g;
    g.Fill(30, 4, 80);
    g.Show(400, 300);
    TKvGridLayoutManager* m = g.Layout();
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 2, g.Columns[1]), true);
    g.Paint();
    auto* cell = dynamic_cast<TKvGridDataCellElement*>(
        g.Grid->GetCellView(g.Grid->GetBody(), TKvGridCellIndex(g.Grid.get(), 2, g.Columns[1])));
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->GetFocused());
    EXPECT_EQ(g.Grid->GetFocusedRect(), g.Grid->GetCellBounds(g.Grid->GetFocusedIndex()));
    // The editor sits one pixel inside the cell, and left of a cell button.
    const TRect bounds = g.Grid->GetCellBounds(g.Grid->GetFocusedIndex());
    EXPECT_EQ(g.Grid->GetEditBounds(g.Grid->GetFocusedIndex()),
              (TRect{bounds.Left + 1, bounds.Top + 1, bounds.Right - 2, bounds.Bottom - 2}));
    g.Columns[1]->SetButton(ButtonAction);
    g.Paint();
    EXPECT_LT(g.Grid->GetEditBounds(g.Grid->GetFocusedIndex()).Right, bounds.Right - 2);
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 3, g.Columns[1]), true);
    EXPECT_FALSE(cell->GetFocused());

    // The focused column's input-method mode reaches the window.
    g.Columns[0]->SetImeMode(imDisable);
    g.Columns[2]->SetImeMode(imHanguel);
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 3, g.Columns[0]));
    EXPECT_FALSE(g.Grid->GetControlStyle().Contains(csInputMethod));
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 3, g.Columns[2]));
    EXPECT_TRUE(g.Grid->GetControlStyle().Contains(csInputMethod));
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 3, g.Columns[1])); // don't care: as it was
    EXPECT_TRUE(g.Grid->GetControlStyle().Contains(csInputMethod));

    // Rows 1..3 and a block over columns 2..3 of row 5 become two mask rectangles.
    TKvGridSelectionManager* sel = g.Grid->GetSelections();
    sel->ClearAndAdd(TKvGridCellIndex(g.Grid.get(), 1, g.Columns[0]), TKvGridCellIndex(g.Grid.get(), 3, g.Columns[0]),
                     SelectRows);
    sel->Add(TKvGridCellIndex(g.Grid.get(), 5, g.Columns[2]), TKvGridCellIndex(g.Grid.get(), 5, g.Columns[3]),
             SelectBlock);
    g.Paint();
    const auto& rects = g.Grid->GetSelectionMask()->GetSelections();
    ASSERT_EQ(rects.size(), 2u);
    const int body = m->BodyBounds().Top;
    EXPECT_EQ(rects[1], (TRect{0, body + m->ItemBounds(1).Top, m->BodyBounds().Right, body + m->ItemBounds(3).Bottom}));
    EXPECT_EQ(rects[0], (TRect{m->DataColumnRect(g.Columns[2]).Left, body + m->ItemBounds(5).Top,
                               m->DataColumnRect(g.Columns[3]).Right, body + m->ItemBounds(5).Bottom}));
    // Scrolled past, the rows range goes; the block stays.
    g.Grid->SetTopIndex(4);
    g.Paint();
    ASSERT_EQ(g.Grid->GetSelectionMask()->GetSelections().size(), 1u);
}

namespace {
// Records what reaches the active tool.
class TRecordingTool : public TInterfacedObject, public IKvGridTool
{
public:
    QStringList Log;
    void Activate() override {}
    void Deactivate() override {}
    void GridLayoutChanged() override {}
    void KeyDown(std::uint16_t& Key, TShiftState) override { Log << QStringLiteral("down %1").arg(Key); }
    void KeyPress(QChar& Key) override { Log << QStringLiteral("press ") + Key; }
    void KeyUp(std::uint16_t& Key, TShiftState) override { Log << QStringLiteral("up %1").arg(Key); }
    void DblClick(int X, int Y) override { Log << QStringLiteral("dbl %1,%2").arg(X).arg(Y); }
    void MouseDown(TMouseButton, TShiftState, int X, int Y) override { Log << QStringLiteral("mdown %1,%2").arg(X).arg(Y); }
    void MouseMove(TShiftState, int X, int Y) override { Log << QStringLiteral("move %1,%2").arg(X).arg(Y); }
    void MouseUp(TMouseButton, TShiftState, int X, int Y) override { Log << QStringLiteral("mup %1,%2").arg(X).arg(Y); }
    bool GetHovering() const override { return false; }
    void SetHovering(bool) override {}
    TCursor GetDesignCursor(int, int) override { return TCursor(0); }
    bool IsDesignHit(int, int) override { return false; }
    void ResetFocusedView() override {}
    void ResetHoverView() override {}
};
} // namespace

TEST(GridScroll, InputGoesToTheActiveTool)
{
    TShownGrid g;
    g.Fill(10, 3, 80);
    g.Show(300, 200);
    IntfPtr<TRecordingTool> tool = MakeIntf<TRecordingTool>();
    g.Grid->SetActiveTool(tool.get());
    g.Grid->SetLayoutLock(true);
    QWindow* window = g.Grid->Widget()->window()->windowHandle();
    const QPoint at = g.Grid->Widget()->mapTo(g.Grid->Widget()->window(), QPoint(20, 30));
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    EXPECT_FALSE(g.Grid->GetLayoutLock());
    QTest::mouseMove(window, at + QPoint(5, 0));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at + QPoint(5, 0));
    QTest::mouseDClick(window, Qt::LeftButton, {}, at);
    g.Grid->SetFocus();
    QApplication::processEvents();
    QTest::keyClick(window, Qt::Key_A);
    QApplication::processEvents();
    const int cx = 20 - g.Grid->GetClientOrigin().X;
    const int cy = 30 - g.Grid->GetClientOrigin().Y;
    EXPECT_TRUE(tool->Log.contains(QStringLiteral("mdown %1,%2").arg(cx).arg(cy))) << tool->Log.join(";").toStdString();
    EXPECT_TRUE(tool->Log.contains(QStringLiteral("mup %1,%2").arg(cx + 5).arg(cy)));
    EXPECT_TRUE(tool->Log.contains(QStringLiteral("dbl %1,%2").arg(cx).arg(cy)));
    EXPECT_TRUE(tool->Log.contains(QStringLiteral("press a")));
    EXPECT_TRUE(tool->Log.contains(QStringLiteral("down %1").arg(int('A'))));
    g.Grid->SetActiveTool(nullptr);
}
