// Controls and their Qt peers: input translation, scroll bars, invalidation and synchronous
// painting, timers and the lifetime of peers.
#include "platform/ui/Controls.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/PaintSupport.h"
#include "platform/ui/Timers.h"

#include "TestSupport.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QPointer>
#include <QtGui/QCursor>
#include <QtGui/QFocusEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QScreen>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QWidget>

#include <gtest/gtest.h>

using namespace kv;

namespace {

struct TInput
{
    std::string Kind;
    int Button = -1;
    TShiftState Shift;
    int X = 0;
    int Y = 0;
    int Key = 0;
};

class TProbeControl : public TCustomControl
{
public:
    using TCustomControl::TCustomControl;

    std::vector<TInput> Inputs;
    std::vector<TRect> PaintClips;
    std::vector<std::pair<int, int>> Scrolls; // (bar, code)
    std::vector<std::uintptr_t> Timers;
    std::vector<TSize> Sizes;
    std::intptr_t DlgCode = 0;
    unsigned FillRgb = 0x2040C0;
    std::function<void()> OnMouseDownHook;
    bool ThrowInHandlers = false;
    // A paint raises this message, when set.
    QString PaintFailure;

    using TWinControl::GetUpdateRect;

protected:
    void Paint() override
    {
        const TRect clip = GetCanvasClipRect(GetCanvas());
        PaintClips.push_back(clip);
        // Blue-green-red: 0xC04020 is red C0, green 40, blue 20.
        GetCanvas()->FillRect(clip, static_cast<TColor>(FillRgb));
        if (!PaintFailure.isEmpty())
            throw Exception(PaintFailure);
    }
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override
    {
        Inputs.push_back({"down", button, shift, x, y});
        if (OnMouseDownHook)
            OnMouseDownHook();
    }
    void MouseMove(TShiftState shift, int x, int y) override { Inputs.push_back({"move", -1, shift, x, y}); }
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override
    {
        Inputs.push_back({"up", button, shift, x, y});
    }
    bool DoMouseWheel(TShiftState shift, int delta, TPoint pos) override
    {
        Inputs.push_back({"wheel", -1, shift, pos.X, pos.Y, delta});
        return true;
    }
    void KeyDown(std::uint16_t& key, TShiftState shift) override { Inputs.push_back({"keydown", -1, shift, 0, 0, key}); }
    void KeyUp(std::uint16_t& key, TShiftState shift) override { Inputs.push_back({"keyup", -1, shift, 0, 0, key}); }
    void KeyPress(QChar& key) override { Inputs.push_back({"char", -1, {}, 0, 0, key.unicode()}); }
    void MouseLeave() override { Inputs.push_back({"leave", -1, {}}); }
    void WMScroll(TMessage& m) override
    {
        Scrolls.emplace_back(m.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LoWordSigned(m.WParam));
        ThrowIfAsked();
    }
    void WMTimer(TMessage& m) override { Timers.push_back(static_cast<std::uintptr_t>(m.WParam)); }
    void Resize() override
    {
        Sizes.push_back(TSize{GetClientWidth(), GetClientHeight()});
        ThrowIfAsked();
    }
    void ThrowIfAsked()
    {
        if (ThrowInHandlers)
            throw Exception(QStringLiteral("handler failed"));
    }
    void WndProc(TMessage& m) override
    {
        if (m.Msg == WM_GETDLGCODE) {
            m.Result = DlgCode;
            return;
        }
        TCustomControl::WndProc(m);
    }
};

void SendMouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), button, buttons, mods);
    QCoreApplication::sendEvent(w, &e);
}

void SendKey(QWidget* w, QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text = QString())
{
    QKeyEvent e(type, key, mods, text);
    QCoreApplication::sendEvent(w, &e);
}

// The widget that receives a control's input: the client area inside the frame.
QWidget* ClientOf(TControl* c)
{
    return c->Widget()->focusProxy();
}

QImage WindowImage(QWidget* w)
{
    return w->screen()->grabWindow(w->winId()).toImage();
}

TOwned<TProbeControl> MakeShown(int w, int h, TBorderStyle border = bsNone)
{
    TOwned<TProbeControl> c(Create<TProbeControl>(nullptr));
    c->SetBorderStyle(border);
    c->SetBounds(0, 0, w, h);
    c->Show();
    return c;
}

// A vertical bar over 0..500 with page 100 at position 40; its Qt widget.
QScrollBar* ShowVerticalBar(TProbeControl& c)
{
    TScrollInfo si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = 500;
    si.nPage = 100;
    si.nPos = 40;
    c.SetScrollInfo(SB_VERT, si);
    return c.Widget()->findChildren<QScrollBar*>().value(0);
}

} // namespace

TEST(UiControls, PackedArgumentsKeepSignedCoordinates)
{
    const std::intptr_t l = MakeLParam(-5, 1234);
    EXPECT_EQ(LoWordSigned(l), -5);
    EXPECT_EQ(HiWordSigned(l), 1234);
    const TShiftState s{ssShift, ssLeft, ssDouble};
    EXPECT_EQ(ShiftStateOf(ShiftStateBits(s)), s);
}

TEST(UiControls, MouseInputArrivesInClientCoordinatesWithShiftState)
{
    auto c = MakeShown(200, 100, bsSingle);
    QWidget* w = ClientOf(c.get());
    ASSERT_NE(w, nullptr);
    const int b = c->GetBorderWidth();
    ASSERT_EQ(b, 2);
    EXPECT_EQ(c->GetClientWidth(), 196);
    EXPECT_EQ(w->geometry(), QRect(b, b, 196, 96));

    SendMouse(w, QEvent::MouseButtonPress, 12, 22, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    SendMouse(w, QEvent::MouseMove, 15, 25, Qt::NoButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, 15, 25, Qt::LeftButton, Qt::NoButton);
    SendMouse(w, QEvent::MouseButtonDblClick, 15, 25, Qt::RightButton, Qt::RightButton);
    ASSERT_EQ(c->Inputs.size(), 4u);
    EXPECT_EQ(c->Inputs[0].Kind, "down");
    EXPECT_EQ(c->Inputs[0].Button, mbLeft);
    EXPECT_EQ(c->Inputs[0].X, 12);
    EXPECT_EQ(c->Inputs[0].Y, 22);
    EXPECT_EQ(c->Inputs[0].Shift, (TShiftState{ssShift, ssLeft}));
    EXPECT_EQ(c->Inputs[1].Kind, "move");
    EXPECT_TRUE(c->Inputs[1].Shift.Contains(ssLeft));
    EXPECT_EQ(c->Inputs[2].Kind, "up");
    EXPECT_FALSE(c->Inputs[2].Shift.Contains(ssLeft));
    EXPECT_EQ(c->Inputs[3].Button, mbRight);
    EXPECT_TRUE(c->Inputs[3].Shift.Contains(ssDouble));

    // The left button captures the mouse until it is released.
    c->Inputs.clear();
    SendMouse(w, QEvent::MouseButtonPress, 5, 5, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(c->GetMouseCapture());
    SendMouse(w, QEvent::MouseButtonRelease, 5, 5, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(c->GetMouseCapture());

    QWheelEvent wheel(QPointF(30, 40), w->mapToGlobal(QPointF(30, 40)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &wheel);
    ASSERT_EQ(c->Inputs.back().Kind, "wheel");
    EXPECT_EQ(c->Inputs.back().Key, -120);
    EXPECT_EQ(c->Inputs.back().X, 30);
    EXPECT_TRUE(c->Inputs.back().Shift.Contains(ssCtrl));

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(w, &leave);
    EXPECT_EQ(c->Inputs.back().Kind, "leave");
}

TEST(UiControls, KeysBecomeVirtualKeysAndCharacters)
{
    auto c = MakeShown(100, 100);
    QWidget* w = ClientOf(c.get());
    SendKey(w, QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"));
    SendKey(w, QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
    SendKey(w, QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    SendKey(w, QEvent::KeyPress, Qt::Key_5, Qt::KeypadModifier, QStringLiteral("5"));
    SendKey(w, QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
    SendKey(w, QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
    std::vector<std::pair<std::string, int>> got;
    for (const TInput& i : c->Inputs)
        got.emplace_back(i.Kind, i.Key);
    const std::vector<std::pair<std::string, int>> want = {
        {"keydown", 'A'},       {"char", 1},          {"keydown", VK_DOWN}, {"keydown", VK_F2},
        {"keydown", VK_NUMPAD0 + 5}, {"char", '5'}, {"keydown", VK_DELETE}, {"keyup", VK_DOWN}};
    EXPECT_EQ(got, want);
    EXPECT_TRUE(c->Inputs[0].Shift.Contains(ssCtrl));
    EXPECT_TRUE(c->Inputs[2].Shift.Contains(ssShift));

    // Tab reaches the control only when it asks for it.
    c->Inputs.clear();
    SendKey(w, QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    EXPECT_TRUE(c->Inputs.empty());
    c->DlgCode = DLGC_WANTTAB;
    SendKey(w, QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    ASSERT_FALSE(c->Inputs.empty());
    EXPECT_EQ(c->Inputs[0].Key, VK_TAB);
}

TEST(UiControls, ScrollInfoClampsAndShowingABarChangesTheClientSizeAtOnce)
{
    auto c = MakeShown(300, 200);
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    ASSERT_GT(cx, 0);
    EXPECT_EQ(c->GetClientWidth(), 300);

    TScrollInfo si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 999;
    si.nPage = 200;
    si.nPos = 5000; // beyond the last position
    c->Sizes.clear();
    EXPECT_EQ(c->SetScrollInfo(SB_VERT, si), 800); // 999 - (200 - 1)
    EXPECT_TRUE(c->IsScrollBarVisible(SB_VERT));
    EXPECT_EQ(c->GetClientWidth(), 300 - cx);
    ASSERT_FALSE(c->Sizes.empty());
    EXPECT_EQ(c->Sizes.back().cx, 300 - cx);
    QScrollBar* bar = c->Widget()->findChildren<QScrollBar*>().value(0);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->geometry(), QRect(300 - cx, 0, cx, 200));
    EXPECT_EQ(bar->maximum(), 800);

    TScrollInfo out;
    out.fMask = SIF_ALL;
    ASSERT_TRUE(c->GetScrollInfo(SB_VERT, out));
    EXPECT_EQ(out.nMax, 999);
    EXPECT_EQ(out.nPage, 200u);
    EXPECT_EQ(out.nPos, 800);
    EXPECT_EQ(out.nTrackPos, 800);

    // A page larger than the range is cut to the range, and the bar goes away.
    si.fMask = SIF_PAGE;
    si.nPage = 5000;
    EXPECT_EQ(c->SetScrollInfo(SB_VERT, si), 0);
    out.fMask = SIF_PAGE;
    c->GetScrollInfo(SB_VERT, out);
    EXPECT_EQ(out.nPage, 1000u);
    EXPECT_FALSE(c->IsScrollBarVisible(SB_VERT));
    EXPECT_EQ(c->GetClientWidth(), 300);
    EXPECT_FALSE(bar->isVisible());

    // Both bars: each leaves room for the other.
    TScrollInfo h;
    h.fMask = SIF_RANGE | SIF_PAGE;
    h.nMax = 1000;
    h.nPage = 100;
    c->SetScrollInfo(SB_HORZ, h);
    c->SetScrollInfo(SB_VERT, h);
    EXPECT_EQ(c->GetClientRect(), (TRect{0, 0, 300 - cx, 200 - cy}));
}

TEST(UiControls, ScrollBarActionsAskTheControlAndShowItsPosition)
{
    auto c = MakeShown(200, 200);
    QScrollBar* bar = ShowVerticalBar(*c);
    ASSERT_NE(bar, nullptr);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_EQ(c->Scrolls.size(), 1u);
    EXPECT_EQ(c->Scrolls[0], std::make_pair(int(SB_VERT), int(SB_LINEDOWN)));
    // The control did not move: neither does the bar.
    EXPECT_EQ(bar->value(), 40);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(c->Scrolls.back().second, SB_PAGEUP);

    // Dragging the thumb reports the track position, then the final position and the end.
    c->Scrolls.clear();
    bar->setSliderDown(true);
    bar->setSliderPosition(120);
    TScrollInfo out;
    out.fMask = SIF_TRACKPOS | SIF_POS;
    c->GetScrollInfo(SB_VERT, out);
    EXPECT_EQ(out.nTrackPos, 120);
    EXPECT_EQ(out.nPos, 40);
    bar->setSliderDown(false);
    ASSERT_EQ(c->Scrolls.size(), 3u);
    EXPECT_EQ(c->Scrolls[0].second, SB_THUMBTRACK);
    EXPECT_EQ(c->Scrolls[1].second, SB_THUMBPOSITION);
    EXPECT_EQ(c->Scrolls[2].second, SB_ENDSCROLL);
    EXPECT_EQ(bar->value(), 40);
}

TEST(UiControls, TheWheelOverAScrollBarIsAWholeThumbDrag)
{
    auto c = MakeShown(200, 200);
    QScrollBar* bar = ShowVerticalBar(*c);
    ASSERT_NE(bar, nullptr);
    QWheelEvent wheel(QPointF(2, 50), bar->mapToGlobal(QPointF(2, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(bar, &wheel);
    ASSERT_EQ(c->Scrolls.size(), 3u);
    EXPECT_EQ(c->Scrolls[0].second, SB_THUMBTRACK);
    EXPECT_EQ(c->Scrolls[1].second, SB_THUMBPOSITION);
    EXPECT_EQ(c->Scrolls[2].second, SB_ENDSCROLL);
    // The drag is over: the bar shows the control's position and follows it.
    EXPECT_EQ(bar->value(), 40);
    TScrollInfo si;
    si.fMask = SIF_POS;
    si.nPos = 100;
    c->SetScrollInfo(SB_VERT, si);
    EXPECT_EQ(bar->value(), 100);
    TScrollInfo out;
    out.fMask = SIF_TRACKPOS;
    c->GetScrollInfo(SB_VERT, out);
    EXPECT_EQ(out.nTrackPos, 100);
}

TEST(UiControls, ExceptionsInHandlersStayOutOfQt)
{
    auto c = MakeShown(200, 200);
    TScrollInfo si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMax = 500;
    si.nPage = 100;
    c->SetScrollInfo(SB_VERT, si);
    QScrollBar* bar = c->Widget()->findChildren<QScrollBar*>().value(0);
    ASSERT_NE(bar, nullptr);
    c->ThrowInHandlers = true;
    // The user is shown each message, through the hook that stands in for the error box.
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& message) { shown << message; });
    TScopeExit restoreHook([old] { SetExceptionHook(old); });
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar->setSliderDown(true);
    bar->setSliderPosition(50);
    bar->setSliderDown(false);
    c->Widget()->resize(150, 120);
    EXPECT_TRUE(shown.contains(QStringLiteral("handler failed")));
    // Every message arrived, the drag ended, and the control took the new size.
    std::vector<int> codes;
    for (const auto& [bar, code] : c->Scrolls)
        codes.push_back(code);
    EXPECT_EQ(codes, (std::vector<int>{SB_LINEDOWN, SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
    TScrollInfo out;
    out.fMask = SIF_TRACKPOS | SIF_POS;
    c->GetScrollInfo(SB_VERT, out);
    EXPECT_EQ(out.nTrackPos, out.nPos);
    EXPECT_EQ(bar->value(), out.nPos);
    EXPECT_EQ(c->GetWidth(), 150);
    EXPECT_EQ(c->GetHeight(), 120);

    // A timer whose handler fails keeps ticking.
    TOwned<TTimer> timer(Create<TTimer>(nullptr));
    timer->SetInterval(5);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) {
        ++ticks;
        throw Exception(QStringLiteral("tick failed"));
    };
    kvtest::WaitUntil([&] { return ticks >= 2; }, "the failing timer ticked twice");
    EXPECT_TRUE(shown.contains(QStringLiteral("tick failed")));
    EXPECT_GE(ticks, 2);
    // Without a hook the error box shows the message, captioned with the application's name.
    SetExceptionHook(nullptr);
    QString text, caption;
    unsigned flags = 0;
    const TMessageBoxHook oldBox = SetMessageBoxHook([&](const QString& t, const QString& c, unsigned f) {
        text = t;
        caption = c;
        flags = f;
        return IDOK;
    });
    TScopeExit restoreBox([oldBox] { SetMessageBoxHook(oldBox); });
    ShowException(EConvertError(QStringLiteral("'abc' is not a valid number")));
    EXPECT_EQ(text, QStringLiteral("'abc' is not a valid number"));
    EXPECT_EQ(caption, QCoreApplication::applicationName());
    EXPECT_EQ(flags, unsigned(MB_OK | MB_ICONERROR));
}

// A failure that a paint asked for by a handler meets, and the handler then, is one failure of
// one user action: shown once. Paints that go on failing alike are not shown again with every
// paint, until the user's input goes through; a handler's failure always is.
TEST(UiControls, OneFailureOfOneUserActionIsShownOnce)
{
    auto c = MakeShown(100, 80);
    QWidget* w = ClientOf(c.get());
    kvtest::WaitUntil([&] { return !c->PaintClips.empty(); }, "the shown control is painted");
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& message) { shown << message; });
    TScopeExit restoreHook([old] { SetExceptionHook(old); });
    auto paint = [&] {
        c->Invalidate();
        c->Update();
    };

    c->PaintFailure = QStringLiteral("boom");
    c->OnMouseDownHook = [&] {
        paint();
        throw Exception(QStringLiteral("boom"));
    };
    SendMouse(w, QEvent::MouseButtonPress, 10, 10, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(shown, QStringList{"boom"});
    paint();
    paint();
    EXPECT_EQ(shown, QStringList{"boom"});
    // Another failure is news, once.
    c->PaintFailure = QStringLiteral("other");
    paint();
    paint();
    EXPECT_EQ(shown, (QStringList{"boom", "other"}));
    // The release went through: the paint's failure is shown again.
    SendMouse(w, QEvent::MouseButtonRelease, 10, 10, Qt::LeftButton, Qt::NoButton);
    paint();
    EXPECT_EQ(shown, (QStringList{"boom", "other", "other"}));
    // Each press that fails is told, alike or not.
    c->PaintFailure.clear();
    c->OnMouseDownHook = [] { throw Exception(QStringLiteral("other")); };
    SendMouse(w, QEvent::MouseButtonPress, 10, 10, Qt::LeftButton, Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, 10, 10, Qt::LeftButton, Qt::NoButton);
    SendMouse(w, QEvent::MouseButtonPress, 10, 10, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(shown, (QStringList{"boom", "other", "other", "other", "other"}));
    SendMouse(w, QEvent::MouseButtonRelease, 10, 10, Qt::LeftButton, Qt::NoButton);
}

TEST(UiControls, FocusAndCursorsReachTheControl)
{
    auto c = MakeShown(100, 100);
    QWidget* w = ClientOf(c.get());
    std::vector<std::string> focus;
    c->OnEnter = [&](TObject* sender) { focus.push_back(sender == c.get() ? "enter" : "?"); };
    c->OnExit = [&](TObject* sender) { focus.push_back(sender == c.get() ? "exit" : "?"); };
    QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(w, &in);
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(w, &out);
    EXPECT_EQ(focus, (std::vector<std::string>{"enter", "exit"}));

    c->SetCursor(crHandPoint);
    EXPECT_EQ(w->cursor().shape(), Qt::PointingHandCursor);
    c->SetCursor(crSizeWE);
    EXPECT_EQ(w->cursor().shape(), Qt::SizeHorCursor);
    c->SetCursor(crDefault);
    EXPECT_FALSE(w->testAttribute(Qt::WA_SetCursor));
    // A cursor set before the window exists is given to it.
    TOwned<TProbeControl> later(Create<TProbeControl>(nullptr));
    later->SetCursor(crIBeam);
    EXPECT_EQ(ClientOf(later.get())->cursor().shape(), Qt::IBeamCursor);
}

TEST(UiControls, UpdatePaintsTheInvalidatedRectangleNow)
{
    auto c = MakeShown(120, 80, bsSingle);
    kvtest::WaitUntil([&] { return !c->PaintClips.empty(); }, "the shown control is painted");
    ASSERT_FALSE(c->PaintClips.empty()) << "the shown control was never painted";
    c->PaintClips.clear();

    // Nothing marked: nothing painted.
    c->Update();
    EXPECT_TRUE(c->PaintClips.empty());

    const TRect r{10, 20, 30, 25};
    c->InvalidateRect(&r);
    EXPECT_EQ(c->GetUpdateRect(), r);
    c->FillRgb = 0x00FF00; // green
    c->Update();
    ASSERT_EQ(c->PaintClips.size(), 1u);
    EXPECT_EQ(c->PaintClips[0], r);
    EXPECT_TRUE(c->GetUpdateRect().IsEmpty());

    // Client coordinates are inside the border: client (10, 20) is window (12, 22).
    const QImage img = WindowImage(c->Widget());
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.pixelColor(12, 22).rgb() & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(img.pixelColor(12 + 19, 22 + 4).rgb() & 0xFFFFFF, 0x00FF00u);
    EXPECT_NE(img.pixelColor(12 + 20, 22).rgb() & 0xFFFFFF, 0x00FF00u);
    EXPECT_NE(img.pixelColor(11, 22).rgb() & 0xFFFFFF, 0x00FF00u);

    // Rectangles outside the client area are dropped.
    const TRect outside{500, 500, 600, 600};
    c->InvalidateRect(&outside);
    EXPECT_TRUE(c->GetUpdateRect().IsEmpty());
}

TEST(UiControls, TimersDeliverTheirIds)
{
    auto c = MakeShown(50, 50);
    ASSERT_TRUE(c->SetTimer(7, 5));
    ASSERT_TRUE(c->SetTimer(9, 5));
    kvtest::WaitUntil([&] {
        return std::count(c->Timers.begin(), c->Timers.end(), 7u) >= 2 &&
               std::count(c->Timers.begin(), c->Timers.end(), 9u) >= 2;
    }, "both timers ticked twice");
    EXPECT_GE(std::count(c->Timers.begin(), c->Timers.end(), 7u), 2);
    EXPECT_GE(std::count(c->Timers.begin(), c->Timers.end(), 9u), 2);
    EXPECT_TRUE(c->KillTimer(7));
    EXPECT_FALSE(c->KillTimer(7));
    c->Timers.clear();
    // Timer 9, as fast, ticks three times meanwhile.
    kvtest::WaitUntil([&] { return std::count(c->Timers.begin(), c->Timers.end(), 9u) >= 3; },
                      "the other timer ticked three times");
    EXPECT_EQ(std::count(c->Timers.begin(), c->Timers.end(), 7u), 0);

    // A timer component may free itself from its own tick.
    TTimer* timer = Create<TTimer>(nullptr);
    timer->SetInterval(5);
    int ticks = 0;
    timer->OnTimer = [&](TObject* sender) {
        ++ticks;
        static_cast<TTimer*>(sender)->Free();
    };
    kvtest::WaitUntil([&] { return ticks > 0; }, "the timer ticked");
    EXPECT_EQ(ticks, 1);
    // A timer as fast ticks three times meanwhile.
    TOwned<TTimer> witness(Create<TTimer>(nullptr));
    witness->SetInterval(5);
    int witnessTicks = 0;
    witness->OnTimer = [&](TObject*) { ++witnessTicks; };
    kvtest::WaitUntil([&] { return witnessTicks >= 3; }, "the witness timer ticked three times");
    EXPECT_EQ(ticks, 1);
}

TEST(UiControls, PeersAndControlsOutliveEachOtherSafely)
{
    // Embedded in an application widget that Qt frees: the control just loses its window.
    auto c = TOwned<TProbeControl>(Create<TProbeControl>(nullptr));
    {
        QWidget host;
        c->Widget()->setParent(&host);
        EXPECT_TRUE(c->HandleAllocated());
    }
    EXPECT_FALSE(c->HandleAllocated());
    c->Invalidate();
    c->Update();
    const TRect r{0, 0, 5, 5};
    c->InvalidateRect(&r);

    // A child control leaves its parent's window before the parent frees it.
    auto parent = MakeShown(100, 100);
    auto* child = Create<TProbeControl>(nullptr);
    child->SetParent(parent.get());
    child->SetBounds(10, 10, 20, 20);
    QPointer<QWidget> childPeer = child->Widget();
    EXPECT_EQ(childPeer->window(), parent->Widget());
    EXPECT_EQ(childPeer->mapTo(parent->Widget(), QPoint(0, 0)), QPoint(10, 10));
    EXPECT_EQ(parent->GetControlCount(), 1);
    parent.reset();
    // The child outlives its parent and its old window, and makes a new one when asked.
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_FALSE(childPeer);
    EXPECT_FALSE(child->HandleAllocated());
    childPeer = child->Widget();
    EXPECT_TRUE(childPeer);
    child->Free();
    EXPECT_FALSE(childPeer);

    // A control freed from its own mouse handler.
    auto* self = Create<TProbeControl>(nullptr);
    self->SetBounds(0, 0, 40, 40);
    self->Show();
    QPointer<QWidget> peer = ClientOf(self);
    self->OnMouseDownHook = [self] { self->Free(); };
    SendMouse(peer, QEvent::MouseButtonPress, 5, 5, Qt::LeftButton, Qt::LeftButton);
    ASSERT_TRUE(peer); // still inside Qt's handler when the control went
    SendMouse(peer, QEvent::MouseButtonRelease, 5, 5, Qt::LeftButton, Qt::NoButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(peer);
}

TEST(UiControls, AControlWithoutAWindowStillTakesKeysAndPresses)
{
    auto c = TOwned<TProbeControl>(Create<TProbeControl>(nullptr));
    c->SetBounds(0, 0, 40, 40);
    ASSERT_FALSE(c->HandleAllocated());
    std::vector<std::string> events;
    c->OnKeyDown = [&](TObject*, std::uint16_t&, TShiftState) { events.push_back("OnKeyDown"); };
    c->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { events.push_back("OnMouseDown"); };
    c->Perform(WM_KEYDOWN, VK_DOWN, 0);
    c->Perform(WM_CHAR, 'a', 0);
    c->Perform(WM_LBUTTONDOWN, 0, MakeLParam(5, 6));
    c->Perform(WM_LBUTTONUP, 0, MakeLParam(5, 6));
    std::vector<std::string> kinds;
    for (const TInput& input : c->Inputs)
        kinds.push_back(input.Kind);
    EXPECT_EQ(kinds, (std::vector<std::string>{"keydown", "char", "down", "up"}));
    ASSERT_EQ(c->Inputs.size(), 4u);
    EXPECT_EQ(c->Inputs[0].Key, VK_DOWN);
    EXPECT_EQ(c->Inputs[1].Key, 'a');
    EXPECT_EQ(c->Inputs[2].X, 5);
    EXPECT_EQ(c->Inputs[2].Y, 6);
    EXPECT_EQ(events, (std::vector<std::string>{"OnKeyDown", "OnMouseDown"}));

    // Freed by its own press handler, still without a window: nothing follows.
    auto* self = Create<TProbeControl>(nullptr);
    bool after = false;
    self->OnMouseDownHook = [self] { self->Free(); };
    self->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { after = true; };
    self->Perform(WM_LBUTTONDOWN, 0, MakeLParam(1, 1));
    EXPECT_FALSE(after);
}
