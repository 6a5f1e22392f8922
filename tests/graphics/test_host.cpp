// The sprite host control on a real offscreen window: mapping under scale and scroll,
// double-buffered painting, invalidation, scroll bars and dragging with simulated input.
#include "test_sprites_support.h"
#include <gtest/gtest.h>

#include "platform/ui/PaintBuffer.h"

#include <cmath>

#include <QtGui/QImage>
#include <QtGui/QScreen>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QWidget>

using namespace kv;
using namespace kvtest;

namespace {

TOwned<TTestHost> MakeHost(int w, int h)
{
    TOwned<TTestHost> host(Create<TTestHost>(nullptr));
    host->SetBounds(0, 0, w, h);
    host->Show();
    WaitUntil([&] { return host->Paints > 0; }, "the shown host is painted");
    return host;
}

QWidget* ClientOf(TControl* c)
{
    return c->Widget()->focusProxy();
}

QImage WindowImage(TControl* c)
{
    QWidget* w = c->Widget();
    return w->screen()->grabWindow(w->winId()).toImage();
}

unsigned Rgb(const QImage& img, int x, int y)
{
    return img.pixel(x, y) & 0xFFFFFFu;
}

// Unsmoothed, on white: a column of ten 10-pixel bands across 0..100, green and blue in turn.
std::vector<TBox*> AddBands(TTestHost* host)
{
    static const auto white = TKvFill::CreateSolid(0xFFFFFFFFu);
    host->SetSmoothing(false);
    host->SetBackground(white.get());
    std::vector<TBox*> bands;
    for (int i = 0; i < 10; ++i) {
        TBox* b = MakeBox(host, QStringLiteral("band%1").arg(i), 0, i * 10.0f, 100, 10,
                          i % 2 ? 0xFF0000FFu : 0xFF00FF00u);
        b->SetUpdateInflation(0);
        host->AddElement(b);
        bands.push_back(b);
    }
    return bands;
}

} // namespace

TEST(SpriteHost, ScaleScrollAndDeviceToWorldMapping)
{
    TOwned<TTestHost> host(Create<TTestHost>(nullptr));
    EXPECT_EQ(host->GetVScrollStep(), 4);
    EXPECT_EQ(host->GetHScrollStep(), 4);
    EXPECT_TRUE(host->GetFocusable());
    EXPECT_EQ(host->GetRoot()->GetName(), QStringLiteral("Root"));

    const int updates = host->Updates;
    host->SetScrollX(-5);
    EXPECT_EQ(host->GetScrollX(), 0);
    EXPECT_EQ(host->Updates, updates); // the same value: nothing to repaint
    EXPECT_EQ(host->AdapterAs<TComponent>(), nullptr);
    host->SetScale(0, 0);
    EXPECT_FLOAT_EQ(host->GetScaleX(), 0.1f);
    EXPECT_FLOAT_EQ(host->GetScaleY(), 0.1f);
    host->SetScale(std::nanf(""), 3);
    EXPECT_FLOAT_EQ(host->GetScaleX(), 0.1f);
    EXPECT_FLOAT_EQ(host->GetScaleY(), 3.0f);

    host->SetScale(2, 2);
    host->SetScrollX(10);
    host->SetScrollY(20);
    TBox* box = MakeBox(host.get(), "box", 30, 40, 20, 20);
    host->AddElement(box);
    // Device (40, 40) is world (40 / 2 + 10, 40 / 2 + 20) = (30, 40).
    EXPECT_EQ(host->FindElementAt(40, 40), box);
    EXPECT_EQ(host->FindElementAt(39, 40), nullptr);
    EXPECT_EQ(host->FindClickableElementAt(79, 79), box);
    EXPECT_EQ(host->FindElementAt(80, 80), nullptr);

    // Update bounds (30, 40, 50, 60) invalidate device (40, 40, 80, 80).
    box->SetUpdateInflation(0);
    EXPECT_EQ(box->UpdateBounds(), (TRect{30, 40, 50, 60}));
    EXPECT_EQ(host->GetInvalidateRect(box), (TRect{40, 40, 80, 80}));
    // Left and top truncate, right and bottom round to even.
    host->SetScale(1.25f, 1.25f);
    host->SetScrollX(0);
    host->SetScrollY(0);
    box->SetBounds(1.0f, 1.0f, 1.0f, 1.0f); // update bounds (1, 1, 2, 2)
    EXPECT_EQ(host->GetInvalidateRect(box), (TRect{1, 1, 2, 2})); // 1.25 -> 1, 2.5 -> 2
}

TEST(SpriteHost, PaintsDoubleBufferedUnderScaleAndScroll)
{
    auto host = MakeHost(200, 150);
    auto background = TKvFill::CreateSolid(0xFFFFFFFFu);
    host->SetBackground(background.get());
    host->SetSmoothing(false);
    TBox* red = MakeBox(host.get(), "red", 0, 0, 50, 50, 0xFFFF0000u);
    TBox* green = MakeBox(host.get(), "green", 60, 0, 50, 50, 0xFF00FF00u);
    TBox* blue = MakeBox(host.get(), "blue", 10, 10, 20, 20, 0xFF0000FFu); // inside green
    host->AddElement(red);
    host->AddElement(green);
    green->Add(blue);
    host->Update();

    QImage img = WindowImage(host.get());
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(Rgb(img, 25, 25), 0xFF0000u);
    EXPECT_EQ(Rgb(img, 65, 5), 0x00FF00u);
    EXPECT_EQ(Rgb(img, 75, 15), 0x0000FFu);
    EXPECT_EQ(Rgb(img, 150, 100), 0xFFFFFFu);
    // The buffer holds what the window shows.
    const QImage& buffer = host->GetBuffer().GetImage();
    ASSERT_GE(buffer.width(), 200);
    EXPECT_EQ(Rgb(buffer, 75, 15), 0x0000FFu);

    // Scale 2 and scroll (30, 0): world x 60 (green's left) is device (60 - 30) * 2 = 60.
    host->SetScrollX(30);
    host->SetScale(2, 2);
    img = WindowImage(host.get());
    EXPECT_EQ(Rgb(img, 39, 10), 0xFF0000u); // red ends at world 50, device (50 - 30) * 2 = 40
    EXPECT_EQ(Rgb(img, 41, 10), 0xFFFFFFu);
    EXPECT_EQ(Rgb(img, 59, 10), 0xFFFFFFu);
    EXPECT_EQ(Rgb(img, 61, 10), 0x00FF00u);
    EXPECT_EQ(Rgb(img, (75 - 30) * 2, 15 * 2), 0x0000FFu);
    EXPECT_EQ(host->GetDrawingContext(), nullptr);
    EXPECT_FALSE(host->GetPainting());
}

TEST(SpriteHost, InvalidationRepaintsOnlyWhatChanged)
{
    auto host = MakeHost(300, 100);
    std::vector<TBox*> boxes;
    for (int i = 0; i < 5; ++i) {
        TBox* b = MakeBox(host.get(), QStringLiteral("b%1").arg(i), i * 60.0f, 0, 50, 50, 0xFF000000u | (i * 40u));
        host->AddElement(b);
        boxes.push_back(b);
    }
    host->Invalidate();
    host->Update();
    for (TBox* b : boxes)
        EXPECT_EQ(b->Draws, 1);

    // One box changes: only it (and neighbours meeting its grown bounds) repaint.
    boxes[2]->Color = 0xFFFF00FFu;
    boxes[2]->Invalidate();
    EXPECT_EQ(host->GetUpdateRect(), (TRect{118, 0, 172, 52})); // grown by 2, cut to the client
    const int paints = host->Paints;
    host->Update();
    EXPECT_EQ(host->Paints, paints + 1);
    EXPECT_EQ(boxes[2]->Draws, 2);
    EXPECT_EQ(boxes[0]->Draws, 1);
    EXPECT_EQ(boxes[4]->Draws, 1);
    EXPECT_EQ(Rgb(WindowImage(host.get()), 145, 25), 0xFF00FFu);
    // The buffer kept the rest: the window still shows the other boxes.
    EXPECT_EQ(Rgb(WindowImage(host.get()), 25, 25), 0x000000u);

    // Invalidation from inside a paint is ignored (no endless repainting).
    boxes[1]->OnDraw = [&] {
        boxes[1]->Invalidate();
        host->Invalidate();
    };
    boxes[1]->SetTop(1);
    host->Update();
    EXPECT_TRUE(host->GetUpdateRect().IsEmpty());

    // Moving a sprite invalidates where it was and where it is.
    boxes[1]->OnDraw = nullptr;
    boxes[0]->SetLeft(200);
    EXPECT_EQ(host->GetUpdateRect(), (TRect{0, 0, 252, 52}));
}

TEST(SpriteHost, ArmedScrollKeepsOtherInvalidations)
{
    auto host = MakeHost(200, 200);
    // A column of bands in the top area (0..100) and a box in the bottom area.
    std::vector<TBox*> bands = AddBands(host.get());
    TBox* other = MakeBox(host.get(), "other", 120, 150, 40, 40, 0xFF000000u);
    host->AddElement(other);
    host->Invalidate();
    host->Update();
    ASSERT_EQ(Rgb(WindowImage(host.get()), 50, 5), 0x00FF00u);

    // Scroll the top area content up by 10: every band moves up one place, and only the
    // strip uncovered at the bottom (90..100) is painted anew. Meanwhile another sprite
    // changed outside the scrolled area.
    for (TBox* b : bands)
        b->SetTop(b->GetTop() - 10);
    TBox* fresh = MakeBox(host.get(), "fresh", 0, 90, 100, 10, 0xFFFF0000u);
    fresh->SetUpdateInflation(0);
    host->AddElement(fresh);
    other->Color = 0xFFFF00FFu;
    other->Invalidate();
    const int draws = bands[5]->Draws;
    host->SetScrollWindow(TRect{0, 0, 100, 100}, -10, TRect{0, 90, 100, 100});
    EXPECT_TRUE(host->GetScrollWindowArmed());
    host->Update();
    EXPECT_FALSE(host->GetScrollWindowArmed());

    const QImage img = WindowImage(host.get());
    EXPECT_EQ(Rgb(img, 50, 5), 0x0000FFu);  // band 1 moved to 0..10
    EXPECT_EQ(Rgb(img, 50, 85), 0x0000FFu); // band 9 moved to 80..90
    EXPECT_EQ(Rgb(img, 50, 95), 0xFF0000u); // the new strip
    EXPECT_EQ(bands[5]->Draws, draws);       // moved, not repainted
    // The invalidation outside the scrolled block was not lost.
    EXPECT_EQ(Rgb(img, 140, 170), 0xFF00FFu);
}

TEST(SpriteHost, ArmedScrollPaintsLaterChangesAndRefusesASecondRequest)
{
    auto host = MakeHost(200, 200);
    std::vector<TBox*> bands = AddBands(host.get());
    host->Invalidate();
    host->Update();
    const TRect block{0, 0, 100, 100};
    const TRect strip{0, 90, 100, 100};
    const auto moveUp = [&] {
        for (TBox* b : bands)
            b->SetTop(b->GetTop() - 10);
    };

    // A sprite that changes after the scroll was armed is painted at its new place.
    moveUp(); // band i now at (i - 1) * 10
    host->SetScrollWindow(block, -10, strip);
    ASSERT_TRUE(host->GetScrollWindowArmed());
    bands[5]->Color = 0xFFFF0000u;
    bands[5]->Invalidate();
    const int draws6 = bands[6]->Draws;
    host->Update();
    QImage img = WindowImage(host.get());
    EXPECT_EQ(Rgb(img, 50, 45), 0xFF0000u); // band 5, changed
    EXPECT_EQ(Rgb(img, 50, 35), 0x00FF00u); // band 4, moved
    EXPECT_EQ(Rgb(img, 50, 95), 0xFFFFFFu); // the uncovered strip
    EXPECT_EQ(bands[6]->Draws, draws6);

    // Two scrolls before one paint: moving by the last delta alone would be wrong, so the
    // block is painted anew.
    moveUp();
    host->SetScrollWindow(block, -10, strip);
    moveUp(); // band i now at (i - 3) * 10
    host->SetScrollWindow(block, -10, strip);
    EXPECT_FALSE(host->GetScrollWindowArmed());
    host->SetScrollWindow(block, -10, strip); // and nothing is armed until that paint
    EXPECT_FALSE(host->GetScrollWindowArmed());
    host->Update();
    img = WindowImage(host.get());
    EXPECT_GT(bands[6]->Draws, draws6);
    EXPECT_EQ(Rgb(img, 50, 5), 0x0000FFu);  // band 3
    EXPECT_EQ(Rgb(img, 50, 25), 0xFF0000u); // band 5
    EXPECT_EQ(Rgb(img, 50, 55), 0x00FF00u); // band 8
    EXPECT_EQ(Rgb(img, 50, 75), 0xFFFFFFu);

    // A window that is not showing arms nothing: showing it paints everything.
    host->SetScrollWindow(block, -10, strip);
    EXPECT_TRUE(host->GetScrollWindowArmed());
    host->Update();
    host->Hide();
    host->SetScrollWindow(block, -10, strip);
    EXPECT_FALSE(host->GetScrollWindowArmed());
}

TEST(SpriteHost, FarApartChangesRepaintOnlyThemselves)
{
    auto host = MakeHost(300, 300);
    host->SetSmoothing(false);
    TBox* a = MakeBox(host.get(), "a", 0, 0, 20, 20, 0xFF000000u);
    TBox* middle = MakeBox(host.get(), "middle", 100, 100, 100, 100, 0xFF000000u);
    TBox* b = MakeBox(host.get(), "b", 270, 270, 20, 20, 0xFF000000u);
    for (TBox* box : {a, middle, b})
        host->AddElement(box);
    host->Invalidate();
    host->Update();
    const int middleDraws = middle->Draws;
    a->Color = 0xFFFF0000u;
    b->Color = 0xFF0000FFu;
    a->Invalidate();
    b->Invalidate();
    host->Update();
    EXPECT_EQ(middle->Draws, middleDraws); // inside the box around both, but not changed
    EXPECT_EQ(a->Draws, 2);
    EXPECT_EQ(b->Draws, 2);
    const QImage img = WindowImage(host.get());
    EXPECT_EQ(Rgb(img, 10, 10), 0xFF0000u);
    EXPECT_EQ(Rgb(img, 280, 280), 0x0000FFu);
    EXPECT_EQ(Rgb(img, 150, 150), 0x000000u);
}

TEST(SpriteHost, LeavingTheTreeLeavesNothingBehind)
{
    auto host = MakeHost(300, 300);
    QWidget* w = ClientOf(host.get());
    // A sprite the host does not own, freed by its owner while hovered, selected and dragged.
    auto* loose = Create<TBox>(nullptr, QStringLiteral("loose"));
    loose->SetBounds(10.0f, 10.0f, 50.0f, 50.0f);
    loose->SetDraggable(true);
    host->AddElement(loose);
    SendMouse(w, QEvent::MouseMove, 20, 20, Qt::NoButton, Qt::NoButton);
    SendMouse(w, QEvent::MouseButtonPress, 20, 20, Qt::LeftButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseMove, 30, 30, Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(host->GetHovered(), loose);
    ASSERT_TRUE(host->GetDragging());
    loose->Free();
    EXPECT_EQ(host->GetHovered(), nullptr);
    EXPECT_EQ(host->GetSelected(), nullptr);
    EXPECT_EQ(host->GetDragger(), nullptr);
    SendMouse(w, QEvent::MouseMove, 100, 100, Qt::NoButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, 100, 100, Qt::LeftButton, Qt::NoButton);

    // Clearing the root repaints where its children were, wherever they lie.
    TBox* p = MakeBox(host.get(), "p", 10, 10, 20, 20);
    TBox* q = MakeBox(host.get(), "q", 200, 150, 20, 20);
    host->AddElement(p);
    host->AddElement(q);
    host->Update();
    ASSERT_TRUE(host->GetUpdateRect().IsEmpty());
    const TRect areas[] = {host->GetInvalidateRect(p), host->GetInvalidateRect(q)};
    host->ClearElements();
    for (const TRect& area : areas)
        EXPECT_EQ(IntersectRect(host->GetUpdateRect(), area), area);
}

TEST(SpriteHost, ScrollBarsFollowTheScrollRectangle)
{
    auto host = MakeHost(300, 300);
    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    const int cx = GetSystemMetrics(SM_CXVSCROLL);

    host->SetScrollRect(TRectF(0, 0, 100, 100));
    EXPECT_FALSE(host->IsScrollBarVisible(SB_HORZ));
    EXPECT_FALSE(host->IsScrollBarVisible(SB_VERT));

    // 400 by 100: the horizontal bar shows and the client is lower at once. The vertical
    // page is the height less the horizontal bar; it exceeds the range, so that bar hides.
    host->SetScrollRect(TRectF(0, 0, 400, 100));
    EXPECT_TRUE(host->IsScrollBarVisible(SB_HORZ));
    EXPECT_EQ(host->GetClientHeight(), 300 - cy);
    TScrollInfo v;
    v.fMask = SIF_ALL;
    host->GetScrollInfo(SB_VERT, v);
    EXPECT_EQ(v.nMax, 100);
    EXPECT_EQ(v.nPage, 101u); // asked 300 - cy, cut to the range
    EXPECT_FALSE(host->IsScrollBarVisible(SB_VERT));
    TScrollInfo h;
    h.fMask = SIF_ALL;
    host->GetScrollInfo(SB_HORZ, h);
    EXPECT_EQ(h.nMax, 400);
    EXPECT_EQ(h.nPage, unsigned(300 - cx));

    // Both directions.
    host->SetScrollRect(TRectF(0, 0, 1000, 1000));
    EXPECT_TRUE(host->IsScrollBarVisible(SB_VERT));
    EXPECT_EQ(host->GetClientWidth(), 300 - cx);
    EXPECT_EQ(host->GetClientHeight(), 300 - cy);
    host->GetScrollInfo(SB_VERT, v);
    EXPECT_EQ(v.nMax, 1000);
    EXPECT_EQ(v.nPage, unsigned(300 - cy));

    // Scroll requests.
    host->Perform(WM_VSCROLL, MakeLParam(SB_LINEDOWN, 0));
    EXPECT_EQ(host->GetScrollY(), 4);
    host->Perform(WM_VSCROLL, MakeLParam(SB_PAGEDOWN, 0));
    EXPECT_EQ(host->GetScrollY(), 4 + 300 - cy);
    host->Perform(WM_VSCROLL, MakeLParam(SB_PAGEUP, 0));
    host->Perform(WM_VSCROLL, MakeLParam(SB_PAGEUP, 0));
    EXPECT_EQ(host->GetScrollY(), 0);
    host->Perform(WM_HSCROLL, MakeLParam(SB_LINERIGHT, 0));
    EXPECT_EQ(host->GetScrollX(), 4);
    EXPECT_EQ(host->GetScrollPos(SB_HORZ), 4);
    host->Perform(WM_VSCROLL, MakeLParam(SB_THUMBPOSITION, 200));
    EXPECT_EQ(host->GetScrollY(), 0);
    // Past the end: the bar clamps the position and the host follows.
    host->SetScrollY(5000);
    EXPECT_EQ(host->GetScrollY(), 1000 - (300 - cy) + 1);

    // Dragging the real thumb tracks.
    host->SetScrollY(0);
    QScrollBar* vbar = nullptr;
    for (QScrollBar* sb : host->Widget()->findChildren<QScrollBar*>())
        if (sb->orientation() == Qt::Vertical)
            vbar = sb;
    ASSERT_NE(vbar, nullptr);
    vbar->setSliderDown(true);
    vbar->setSliderPosition(120);
    EXPECT_EQ(host->GetScrollY(), 120);
    vbar->setSliderDown(false);
    EXPECT_EQ(host->GetScrollY(), 120);
    EXPECT_EQ(vbar->value(), 120);

    // The wheel over the bar scrolls, and the bar goes on following the host afterwards.
    QWheelEvent wheel(QPointF(2, 50), vbar->mapToGlobal(QPointF(2, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(vbar, &wheel);
    EXPECT_GT(host->GetScrollY(), 120);
    EXPECT_EQ(vbar->value(), host->GetScrollY());
    host->SetScrollY(10);
    EXPECT_EQ(vbar->value(), 10);

    // Shrinking the rectangle below the control hides both bars and gives the room back.
    host->SetScrollRect(TRectF(0, 0, 10, 10));
    EXPECT_EQ(host->GetClientWidth(), 300);
    EXPECT_EQ(host->GetClientHeight(), 300);
}

TEST(SpriteHost, DragStartsAfterThreePixelsOfSimulatedMouseInput)
{
    auto host = MakeHost(200, 200);
    TBox* box = MakeBox(host.get(), "box", 20, 20, 40, 40);
    TBox* fixed = MakeBox(host.get(), "fixed", 100, 100, 40, 40);
    box->SetDraggable(true);
    host->AddElement(box);
    host->AddElement(fixed);
    QWidget* w = ClientOf(host.get());

    SendMouse(w, QEvent::MouseMove, 30, 30, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(host->GetHovered(), box);
    EXPECT_TRUE(box->GetHovered());

    SendMouse(w, QEvent::MouseButtonPress, 30, 30, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(host->GetSelected(), box);
    ASSERT_NE(host->GetDragger(), nullptr);
    SendMouse(w, QEvent::MouseMove, 32, 32, Qt::NoButton, Qt::LeftButton);
    EXPECT_FALSE(host->GetDragging());
    EXPECT_EQ(box->GetLeft(), 20.0f);
    SendMouse(w, QEvent::MouseMove, 33, 30, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(host->GetDragging());
    EXPECT_EQ(box->GetLeft(), 23.0f);
    EXPECT_EQ(box->GetTop(), 20.0f);
    SendMouse(w, QEvent::MouseMove, 50, 45, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(box->GetDragging());
    EXPECT_EQ(box->GetLeft(), 40.0f);
    EXPECT_EQ(box->GetTop(), 35.0f);
    SendMouse(w, QEvent::MouseButtonRelease, 50, 45, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(host->GetDragging());
    EXPECT_EQ(host->GetDragger(), nullptr);
    EXPECT_FALSE(box->GetDragging());
    ASSERT_FALSE(host->Events.empty());
    EXPECT_EQ(host->Events.back(), "completed box 40,35");

    // A sprite that is not draggable does not drag.
    SendMouse(w, QEvent::MouseButtonPress, 110, 110, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(host->GetSelected(), fixed);
    EXPECT_EQ(host->GetDragger(), nullptr);
    SendMouse(w, QEvent::MouseMove, 130, 130, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(fixed->GetLeft(), 100.0f);
    SendMouse(w, QEvent::MouseButtonRelease, 130, 130, Qt::LeftButton, Qt::NoButton);

    // Freeing the dragged (and hovered, selected) sprite mid-drag leaves nothing dangling.
    SendMouse(w, QEvent::MouseButtonPress, 45, 40, Qt::LeftButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseMove, 55, 40, Qt::NoButton, Qt::LeftButton);
    ASSERT_TRUE(host->GetDragging());
    box->Free();
    EXPECT_EQ(host->GetDragger(), nullptr);
    EXPECT_EQ(host->GetHovered(), nullptr);
    EXPECT_EQ(host->GetSelected(), nullptr);
    SendMouse(w, QEvent::MouseMove, 60, 40, Qt::NoButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, 60, 40, Qt::LeftButton, Qt::NoButton);

    // Starting another drag cancels the active one, which puts its sprite back.
    TBox* second = MakeBox(host.get(), "second", 0, 0, 10, 10);
    second->SetDraggable(true);
    host->AddElement(second);
    SendMouse(w, QEvent::MouseButtonPress, 5, 5, Qt::LeftButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseMove, 15, 5, Qt::NoButton, Qt::LeftButton);
    ASSERT_TRUE(host->GetDragging());
    EXPECT_FALSE(host->StartDragging(fixed, 0, 0)); // not draggable: the drag goes on
    EXPECT_TRUE(host->GetDragging());
    fixed->SetDraggable(true);
    EXPECT_TRUE(host->StartDragging(fixed, 0, 0)); // replaces (and cancels) the active drag
    EXPECT_EQ(host->Events.back(), "canceled second");
    EXPECT_EQ(second->GetLeft(), 0.0f);
}

namespace {

// Counts its dispose steps.
class TDisposeCountingHost : public TKvSpriteControl
{
public:
    TDisposeCountingHost(TComponent* owner, int* disposed) : TKvSpriteControl(owner), FDisposed(disposed) {}

protected:
    void Dispose() override
    {
        ++*FDisposed;
        TKvSpriteControl::Dispose();
    }

private:
    int* FDisposed;
};

TEST(SpriteHost, DisposesOnceAlsoWhenItsOwnerIsFreed)
{
    int disposed = 0;
    TOwned<TComponent> owner(Create<TComponent>(nullptr));
    Create<TDisposeCountingHost>(owner.get(), &disposed);
    owner.reset(); // the owner marks it destroying before freeing it
    EXPECT_EQ(disposed, 1);
    TOwned<TDisposeCountingHost> alone(Create<TDisposeCountingHost>(nullptr, &disposed));
    alone.reset();
    EXPECT_EQ(disposed, 2);
}

} // namespace

// A gradient background spans the client, whatever part of it a paint covers: a partial
// repaint leaves the pixels a full repaint gives.
TEST(SpriteHost, AGradientBackgroundDoesNotDependOnTheRepaintedArea)
{
    auto host = MakeHost(300, 100);
    auto gradient = TKvFill::CreateLinear(0xFFFF0000u, 0xFF0000FFu, 0);
    host->SetBackground(gradient.get());
    host->SetSmoothing(false);
    TBox* clear = MakeBox(host.get(), "clear", 100, 20, 60, 40, 0x00000000u);
    host->AddElement(clear);
    host->Invalidate();
    host->Update();
    const QImage full = WindowImage(host.get());
    ASSERT_FALSE(full.isNull());
    // Red on the left, blue on the right, across the whole client.
    EXPECT_GT(qRed(full.pixel(2, 50)), 200);
    EXPECT_GT(qBlue(full.pixel(297, 50)), 200);

    clear->Invalidate();
    host->Update();
    const QImage partial = WindowImage(host.get());
    // Qt steps a gradient along each span from where the span starts: a unit of rounding apart.
    auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= 1 && std::abs(qGreen(a) - qGreen(b)) <= 1 &&
               std::abs(qBlue(a) - qBlue(b)) <= 1;
    };
    for (int x = 95; x < 165; x += 5)
        for (int y = 15; y < 65; y += 5)
            EXPECT_TRUE(near(partial.pixel(x, y), full.pixel(x, y)))
                << "at " << x << ", " << y << ": " << std::hex << Rgb(partial, x, y) << " against " << Rgb(full, x, y);
}

namespace {

// A box that clips what it draws to itself, as the grid's cells and areas do.
class TClippedBox : public TBox
{
public:
    using TBox::TBox;

protected:
    TRectF GetClipRect() const override { return TRectF(0, 0, GetWidth(), GetHeight()); }
};

} // namespace

// Two changed boxes far enough apart are painted in one pass over the box around both: a box
// between them that meets neither is not drawn, nor is one whose grown update bounds reach a
// changed one while its clip does not; the window shows what a full repaint shows.
TEST(SpriteHost, OnePassOverSeveralChangesDrawsOnlyWhatMeetsThem)
{
    auto host = MakeHost(300, 100);
    static const auto white = TKvFill::CreateSolid(0xFFFFFFFFu);
    host->SetSmoothing(false);
    host->SetBackground(white.get());
    auto add = [&](const char* name, float x, float width, TKvColor color) {
        TBox* b = Create<TClippedBox>(host.get(), QString::fromLatin1(name), color);
        b->SetBounds(x, 0, width, 50);
        host->AddElement(b);
        return b;
    };
    const int grown = 2; // the default update inflation
    TBox* first = add("first", 0, 50, 0xFF000000u);
    TBox* edge = add("edge", 50 + grown, 6, 0xFF00FF00u);     // grown bounds reach into first's
    TBox* between = add("between", 60, 40, 0xFF0000FFu);      // grown bounds meet neither change
    TBox* second = add("second", 110, 40, 0xFF000000u);
    host->Invalidate();
    host->Update();
    for (TBox* b : {first, edge, between, second})
        ASSERT_EQ(b->Draws, 1) << b->GetName().toStdString();

    first->Color = 0xFFFF0000u;
    second->Color = 0xFFFF00FFu;
    first->Invalidate();
    second->Invalidate();
    host->Update();
    EXPECT_EQ(first->Draws, 2);
    EXPECT_EQ(second->Draws, 2);
    EXPECT_EQ(between->Draws, 1);
    EXPECT_EQ(edge->Draws, 1);
    const QImage shown = WindowImage(host.get());
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(Rgb(shown, 25, 25), 0xFF0000u);
    EXPECT_EQ(Rgb(shown, 130, 25), 0xFF00FFu);

    host->Invalidate();
    host->Update();
    const QImage full = WindowImage(host.get());
    ASSERT_EQ(shown.size(), full.size());
    int differ = 0;
    for (int y = 0; y < full.height(); ++y)
        for (int x = 0; x < full.width(); ++x)
            differ += shown.pixel(x, y) != full.pixel(x, y);
    EXPECT_EQ(differ, 0);
}
