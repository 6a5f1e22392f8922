#include "platform/ui/Controls.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/ControlPeer.h"
#include "platform/ui/PaintSupport.h"
#include "platform/rtl/TypInfo.h"

#include <QtCore/QSignalBlocker>
#include <QtGui/QCursor>
#include <QtWidgets/QApplication>
#include <QtWidgets/QStyle>

#include <algorithm>
#include <utility>
#include <cstdint>

namespace kv {

KV_PUBLISH_ENUM(TBorderStyle, "bsNone", "bsSingle");

bool NewStyleControls = true;
bool Ctl3D = true;

namespace {

TControl* gCaptureControl = nullptr;

Qt::CursorShape CursorShapeOf(TCursor cursor)
{
    switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crDrag: return Qt::DragMoveCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crMultiDrag: return Qt::DragCopyCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

// The last position a scroll bar may take: nMax - max(nPage - 1, 0), never below nMin.
int MaxScrollPos(const TScrollInfo& info)
{
    const std::int64_t page = info.nPage > 0 ? static_cast<std::int64_t>(info.nPage) - 1 : 0;
    return static_cast<int>(std::max<std::int64_t>(info.nMin, static_cast<std::int64_t>(info.nMax) - page));
}

bool CanScroll(const TScrollInfo& info)
{
    return MaxScrollPos(info) > info.nMin;
}

QRect ToQRect(const TRect& r)
{
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

} // namespace

int GetSystemMetrics(int index)
{
    QStyle* style = qApp ? QApplication::style() : nullptr;
    switch (index) {
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return style ? style->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
    case SM_CXMENUCHECK: return style ? style->pixelMetric(QStyle::PM_IndicatorWidth) : 13;
    case SM_CYMENUCHECK: return style ? style->pixelMetric(QStyle::PM_IndicatorHeight) : 13;
    default: return 0;
    }
}

// --- TControl -----------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl()
{
    *FLiving = false;
    if (gCaptureControl == this)
        gCaptureControl = nullptr;
    DestroyWnd();
    if (FParent)
        FParent->RemoveControl(this);
}

void TControl::AfterConstruction()
{
    TComponent::AfterConstruction();
    FCreateParams = TCreateParams();
    CreateParams(FCreateParams);
    ParamsChanged();
}

void TControl::BeforeDestruction()
{
    TComponent::BeforeDestruction();
    // The window goes first, while the whole object can still answer its messages.
    if (gCaptureControl == this)
        SetMouseCapture(false);
    DestroyWnd();
}

QWidget* TControl::Widget()
{
    HandleNeeded();
    return FPeer;
}

TPoint TControl::ClientToScreen(const TPoint& point)
{
    HandleNeeded();
    if (!FPeer)
        return point;
    const QPoint p = FPeer->Client()->mapToGlobal(QPoint(point.X, point.Y));
    return TPoint{p.x(), p.y()};
}

void TControl::HandleNeeded()
{
    if (!FPeer && !IsDestroying())
        CreateWnd();
}

TControlPeer* TControl::CreatePeer()
{
    return new TControlPeer(this);
}

void TControl::CreateWnd()
{
    QWidget* parentWidget = nullptr;
    if (FParent) {
        FParent->HandleNeeded();
        if (FParent->Peer())
            parentWidget = FParent->Peer()->Client();
    }
    FPeer = CreatePeer();
    if (parentWidget)
        FPeer->setParent(parentWidget);
    FPeer->setGeometry(FLeft, FTop, FWidth, FHeight);
    FPeer->setEnabled(FEnabled);
    if (FCursor != crDefault)
        FPeer->Client()->setCursor(QCursor(CursorShapeOf(FCursor)));
    PeerCreated();
    LayoutPeer();
    if (FParent && FVisible)
        FPeer->show();
}

void TControl::DestroyWnd()
{
    TControlPeer* peer = FPeer;
    if (!peer)
        return;
    FPeer = nullptr;
    peer->Detach();
    bool busy = peer->InDispatch();
    for (QWidget* w : peer->findChildren<QWidget*>())
        if (auto* child = dynamic_cast<TControlPeer*>(w))
            busy = busy || child->InDispatch();
    if (busy) {
        // Qt is inside one of its event handlers: free it once the handler has returned.
        peer->hide();
        peer->deleteLater();
    } else {
        delete peer;
    }
}

void TControl::LayoutPeer()
{
    if (FPeer)
        FPeer->Client()->setGeometry(0, 0, FWidth, FHeight);
}

void TControl::PeerDestroyed()
{
    FPeer = nullptr;
    if (gCaptureControl == this)
        gCaptureControl = nullptr;
}

void TControl::RecreateWnd()
{
    FCreateParams = TCreateParams();
    CreateParams(FCreateParams);
    ParamsChanged();
    if (FPeer) {
        PeerCreated();
        LayoutPeer();
        TMessage m{WM_SIZE, 0, MakeLParam(GetClientWidth(), GetClientHeight()), 0};
        WndProc(m);
        FPeer->update();
    }
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == FParent)
        return;
    if (parent == this)
        throw EComponentError(QStringLiteral("A control cannot have itself as its parent"));
    if (FParent)
        FParent->RemoveControl(this);
    FParent = parent;
    if (parent)
        parent->InsertControl(this);
    if (FPeer) {
        FPeer->setParent(parent && parent->HandleAllocated() ? parent->Peer()->Client() : nullptr);
        FPeer->setGeometry(FLeft, FTop, FWidth, FHeight);
        if (parent && FVisible)
            FPeer->show();
    } else if (parent && parent->HandleAllocated()) {
        HandleNeeded();
    }
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight)
        return;
    const bool resized = width != FWidth || height != FHeight;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (FPeer)
        FPeer->setGeometry(left, top, width, height);
    if (resized) {
        LayoutPeer();
        TMessage m{WM_SIZE, 0, MakeLParam(GetClientWidth(), GetClientHeight()), 0};
        WndProc(m);
    }
}

void TControl::PeerResized(int width, int height)
{
    if (width == FWidth && height == FHeight)
        return;
    FWidth = width;
    FHeight = height;
    LayoutPeer();
    TMessage m{WM_SIZE, 0, MakeLParam(GetClientWidth(), GetClientHeight()), 0};
    WndProc(m);
}

void TControl::SetVisible(bool value)
{
    FVisible = value;
    if (value) {
        HandleNeeded();
        if (FPeer)
            FPeer->show();
    } else if (FPeer) {
        FPeer->hide();
    }
}

void TControl::BringToFront()
{
    HandleNeeded();
    if (FPeer)
        FPeer->raise();
}

void TControl::SendToBack()
{
    HandleNeeded();
    if (FPeer)
        FPeer->lower();
}

bool TControl::IsShowing() const
{
    return FPeer && FPeer->isVisible();
}

void TControl::SetEnabled(bool value)
{
    if (value == FEnabled)
        return;
    FEnabled = value;
    if (FPeer)
        FPeer->setEnabled(value);
}

void TControl::SetCursor(TCursor value)
{
    if (value == FCursor)
        return;
    FCursor = value;
    if (!FPeer)
        return;
    if (value == crDefault)
        FPeer->Client()->unsetCursor();
    else
        FPeer->Client()->setCursor(QCursor(CursorShapeOf(value)));
}

bool TControl::GetMouseCapture() const
{
    return gCaptureControl == this;
}

void TControl::SetMouseCapture(bool value)
{
    if (value) {
        if (gCaptureControl && gCaptureControl != this)
            gCaptureControl->SetMouseCapture(false);
        gCaptureControl = this;
    } else if (gCaptureControl == this) {
        gCaptureControl = nullptr;
    }
}

void TControl::Invalidate()
{
    if (FPeer)
        FPeer->Client()->update();
}

void TControl::Update()
{
    if (FPeer && FPeer->isVisible() && !FPeer->PaintRegion())
        FPeer->Client()->repaint();
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

std::intptr_t TControl::Perform(std::uint32_t msg, std::intptr_t wParam, std::intptr_t lParam)
{
    TMessage m{msg, wParam, lParam, 0};
    WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_PAINT: WMPaint(message); break;
    case WM_SIZE: WMSize(message); break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: WMMouse(message); break;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: WMMouseWheel(message); break;
    case WM_MOUSELEAVE: WMMouseLeave(message); break;
    default: DefaultHandler(message); break;
    }
}

void TControl::WMPaint(TMessage& message)
{
    DefaultHandler(message);
}

void TControl::WMSize(TMessage& message)
{
    Resize();
}

void TControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

namespace {

// A handler may free the control whose message it handles, shown or not: the share of its
// living flag outlasts it.
struct TStillAlive
{
    std::shared_ptr<const bool> Living;
    bool operator()() const { return *Living; }
};

} // namespace

void TControl::WMMouse(TMessage& message)
{
    const TStillAlive alive{Living()};
    const TShiftState shift = ShiftStateOf(message.WParam);
    const int x = LoWordSigned(message.LParam);
    const int y = HiWordSigned(message.LParam);
    const bool capture = FControlStyle.Contains(csCaptureMouse);
    auto down = [&](TMouseButton button) {
        MouseDown(button, shift, x, y);
        if (alive() && OnMouseDown)
            OnMouseDown(this, button, shift, x, y);
    };
    auto up = [&](TMouseButton button) {
        MouseUp(button, shift, x, y);
        if (alive() && OnMouseUp)
            OnMouseUp(this, button, shift, x, y);
    };
    switch (message.Msg) {
    case WM_MOUSEMOVE:
        MouseMove(shift, x, y);
        if (alive() && OnMouseMove)
            OnMouseMove(this, shift, x, y);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (capture)
            SetMouseCapture(true);
        FClicking = message.Msg == WM_LBUTTONDOWN && FControlStyle.Contains(csClickEvents);
        if (message.Msg == WM_LBUTTONDBLCLK && FControlStyle.Contains(csDoubleClicks) && OnDblClick)
            OnDblClick(this);
        if (alive())
            down(mbLeft);
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: down(mbRight); break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: down(mbMiddle); break;
    case WM_LBUTTONUP: {
        if (capture)
            SetMouseCapture(false);
        const bool click = std::exchange(FClicking, false) && GetClientRect().Contains(TPoint{x, y});
        up(mbLeft);
        if (click && alive() && OnClick)
            OnClick(this);
        break;
    }
    case WM_RBUTTONUP: up(mbRight); break;
    case WM_MBUTTONUP: up(mbMiddle); break;
    default: break;
    }
}

void TControl::WMMouseWheel(TMessage& message)
{
    const TShiftState shift = ShiftStateOf(LoWordSigned(message.WParam) & 0xFFFF);
    const int delta = HiWordSigned(message.WParam);
    const TPoint pos{LoWordSigned(message.LParam), HiWordSigned(message.LParam)};
    const bool handled = message.Msg == WM_MOUSEHWHEEL ? DoMouseHWheel(shift, delta, pos) : DoMouseWheel(shift, delta, pos);
    message.Result = handled ? 1 : 0;
}

void TControl::WMMouseLeave(TMessage& message)
{
    MouseLeave();
}

// --- TWinControl --------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl()
{
    // Children leave first so that their peers are not freed with ours.
    while (!FControls.empty())
        FControls.back()->SetParent(nullptr);
    if (Peer())
        Peer()->Detach();
}

TControl* TWinControl::GetControl(int index) const
{
    if (index < 0 || index >= GetControlCount())
        RaiseListIndexError(index, GetControlCount());
    return FControls[static_cast<size_t>(index)];
}

void TWinControl::InsertControl(TControl* control)
{
    if (std::find(FControls.begin(), FControls.end(), control) == FControls.end())
        FControls.push_back(control);
}

void TWinControl::RemoveControl(TControl* control)
{
    const auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it != FControls.end())
        FControls.erase(it);
}

void TWinControl::SetTabStop(bool value)
{
    if (value == FTabStop)
        return;
    FTabStop = value;
    if (Peer())
        Peer()->Client()->setFocusPolicy(value ? Qt::TabFocus : Qt::NoFocus);
}

bool TWinControl::CanFocus() const
{
    for (const TControl* c = this; c; c = c->GetParent())
        if (!c->GetVisible() || !c->GetEnabled())
            return false;
    return true;
}

bool TWinControl::Focused() const
{
    return Peer() && Peer()->Client()->hasFocus();
}

void TWinControl::SetFocus()
{
    HandleNeeded();
    if (Peer())
        Peer()->Client()->setFocus(Qt::OtherFocusReason);
}

void TWinControl::SetBorderStyle(TBorderStyle value)
{
    if (ChangeField(FBorderStyle, value))
        RecreateWnd();
}

void TWinControl::CreateParams(TCreateParams& params)
{
    if (FBorderStyle == bsSingle) {
        if (NewStyleControls && Ctl3D)
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
}

void TWinControl::ParamsChanged()
{
    if (FCreateParams.ExStyle & WS_EX_CLIENTEDGE)
        FBorderWidth = 2;
    else if (FCreateParams.Style & WS_BORDER)
        FBorderWidth = 1;
    else
        FBorderWidth = 0;
}

void TWinControl::PeerCreated()
{
    TControlPeer* peer = Peer();
    peer->Client()->setFocusPolicy(FTabStop ? Qt::TabFocus : Qt::NoFocus);
    peer->Client()->setAttribute(Qt::WA_OpaquePaintEvent, GetControlStyle().Contains(csOpaque));
    peer->Client()->setAttribute(Qt::WA_InputMethodEnabled, GetControlStyle().Contains(csInputMethod));
    for (int bar = SB_HORZ; bar <= SB_VERT; ++bar)
        if (FBars[bar].Visible)
            ApplyScrollBar(bar);
}

void TWinControl::PeerDestroyed()
{
    FTimers.clear();
    FUpdateRect = TRect{};
    TControl::PeerDestroyed();
}

TRect TWinControl::GetClientRect() const
{
    const int b = FBorderWidth;
    int w = GetWidth() - 2 * b;
    int h = GetHeight() - 2 * b;
    if (FBars[SB_VERT].Visible)
        w -= GetSystemMetrics(SM_CXVSCROLL);
    if (FBars[SB_HORZ].Visible)
        h -= GetSystemMetrics(SM_CYHSCROLL);
    return TRect{0, 0, std::max(0, w), std::max(0, h)};
}

void TWinControl::LayoutPeer()
{
    TControlPeer* peer = Peer();
    if (!peer)
        return;
    const int b = FBorderWidth;
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    const bool v = FBars[SB_VERT].Visible;
    const bool h = FBars[SB_HORZ].Visible;
    const TRect client = GetClientRect();
    peer->Client()->setGeometry(b, b, client.Width(), client.Height());
    if (v || peer->Bar(SB_VERT)) {
        QScrollBar* sb = peer->EnsureBar(SB_VERT);
        sb->setGeometry(GetWidth() - b - cx, b, cx, std::max(0, GetHeight() - 2 * b - (h ? cy : 0)));
        sb->setVisible(v);
    }
    if (h || peer->Bar(SB_HORZ)) {
        QScrollBar* sb = peer->EnsureBar(SB_HORZ);
        sb->setGeometry(b, GetHeight() - b - cy, std::max(0, GetWidth() - 2 * b - (v ? cx : 0)), cy);
        sb->setVisible(h);
    }
}

void TWinControl::ApplyScrollBar(int bar)
{
    TControlPeer* peer = Peer();
    if (!peer)
        return;
    QScrollBar* sb = peer->EnsureBar(bar);
    const TBarState& state = FBars[bar];
    const QSignalBlocker block(sb);
    sb->setRange(state.Info.nMin, MaxScrollPos(state.Info));
    sb->setPageStep(std::max(1, static_cast<int>(std::min<unsigned>(state.Info.nPage, 0x7FFFFFFF))));
    sb->setEnabled(CanScroll(state.Info));
    if (!state.Tracking)
        sb->setSliderPosition(state.Info.nPos);
}

int TWinControl::SetScrollInfo(int bar, const TScrollInfo& info, bool redraw)
{
    if (bar != SB_HORZ && bar != SB_VERT)
        return 0;
    TScrollInfo& s = FBars[bar].Info;
    if (info.fMask & SIF_RANGE) {
        s.nMin = info.nMin;
        s.nMax = std::max(info.nMin, info.nMax);
    }
    if (info.fMask & SIF_PAGE)
        s.nPage = info.nPage;
    const std::int64_t range = static_cast<std::int64_t>(s.nMax) - s.nMin + 1;
    if (static_cast<std::int64_t>(s.nPage) > range)
        s.nPage = static_cast<unsigned>(range);
    if (info.fMask & SIF_POS)
        s.nPos = info.nPos;
    s.nPos = std::clamp(s.nPos, s.nMin, MaxScrollPos(s));

    const bool wasVisible = FBars[bar].Visible;
    FBars[bar].Visible = CanScroll(s) || (FBars[bar].Visible && (info.fMask & SIF_DISABLENOSCROLL));
    ApplyScrollBar(bar);
    if (wasVisible != FBars[bar].Visible) {
        // The client area changed: lay out now and tell the control, as a resize does.
        LayoutPeer();
        TMessage m{WM_SIZE, 0, MakeLParam(GetClientWidth(), GetClientHeight()), 0};
        WndProc(m);
        Invalidate();
    } else if (redraw && Peer() && Peer()->Bar(bar)) {
        Peer()->Bar(bar)->update();
    }
    return FBars[bar].Info.nPos;
}

bool TWinControl::GetScrollInfo(int bar, TScrollInfo& info) const
{
    if (bar != SB_HORZ && bar != SB_VERT)
        return false;
    const TBarState& state = FBars[bar];
    if (info.fMask & SIF_RANGE) {
        info.nMin = state.Info.nMin;
        info.nMax = state.Info.nMax;
    }
    if (info.fMask & SIF_PAGE)
        info.nPage = state.Info.nPage;
    if (info.fMask & SIF_POS)
        info.nPos = state.Info.nPos;
    if (info.fMask & SIF_TRACKPOS)
        info.nTrackPos = ScrollBarTrackPos(bar);
    return true;
}

int TWinControl::GetScrollPos(int bar) const
{
    return bar == SB_HORZ || bar == SB_VERT ? FBars[bar].Info.nPos : 0;
}

bool TWinControl::IsScrollBarVisible(int bar) const
{
    return (bar == SB_HORZ || bar == SB_VERT) && FBars[bar].Visible;
}

void TWinControl::ScrollBarMessage(int bar, int code, int pos)
{
    if (code == SB_THUMBTRACK) {
        FBars[bar].Tracking = true;
        FBars[bar].Info.nTrackPos = pos;
    }
    TMessage m{bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL, MakeLParam(code, pos), 0, 0};
    WndProc(m);
}

void TWinControl::ScrollBarSync(int bar, bool endDrag)
{
    if (endDrag)
        FBars[bar].Tracking = false;
    ApplyScrollBar(bar);
}

int TWinControl::ScrollBarTrackPos(int bar) const
{
    const TBarState& state = FBars[bar];
    return state.Tracking ? state.Info.nTrackPos : state.Info.nPos;
}

void TWinControl::InvalidateRect(const TRect* rect)
{
    TControlPeer* peer = Peer();
    if (!peer)
        return;
    const TRect client = GetClientRect();
    const TRect r = rect ? IntersectRect(*rect, client) : client;
    if (r.IsEmpty())
        return;
    FUpdateRect = UnionRect(FUpdateRect, r);
    peer->AddDirty(ToQRect(r));
    peer->Client()->update(ToQRect(r));
}

void TWinControl::Invalidate()
{
    InvalidateRect(nullptr);
}

void TWinControl::Update()
{
    if (TControlPeer* peer = Peer())
        peer->UpdateNow();
}

TRect TWinControl::GetUpdateRect() const
{
    return FUpdateRect;
}

bool TWinControl::BeginPaint(TPaintStruct& ps)
{
    TControlPeer* peer = Peer();
    if (!peer || !peer->PaintRegion())
        return false;
    const QRegion region = *peer->PaintRegion() & ToQRect(GetClientRect());
    const QRect box = region.boundingRect();
    ps.rcPaint = box.isEmpty() ? TRect{} : TRect::Bounds(box.left(), box.top(), box.width(), box.height());
    ps.Rects.clear();
    for (const QRect& r : region)
        ps.Rects.push_back(TRect::Bounds(r.left(), r.top(), r.width(), r.height()));
    ps.Canvas = peer->OpenPaintCanvas(region);
    // What stays marked is what this paint does not cover.
    const QRect rest = peer->Dirty().boundingRect();
    FUpdateRect = rest.isEmpty() ? TRect{} : TRect::Bounds(rest.left(), rest.top(), rest.width(), rest.height());
    return true;
}

void TWinControl::EndPaint(TPaintStruct& ps)
{
    if (Peer())
        Peer()->ClosePaintCanvas();
    ps.Canvas = nullptr;
}

void TWinControl::WMPaint(TMessage& message)
{
    if (message.WParam != 0) {
        PaintHandler(message);
        return;
    }
    TPaintStruct ps;
    if (!BeginPaint(ps))
        return;
    {
        TScopeExit endPaint([&] { EndPaint(ps); });
        TMessage erase{WM_ERASEBKGND, reinterpret_cast<std::intptr_t>(ps.Canvas), 0, 0};
        WndProc(erase);
        TMessage paint{WM_PAINT, reinterpret_cast<std::intptr_t>(ps.Canvas), 0, 0};
        PaintHandler(paint);
    }
}

void TWinControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL: WMScroll(message); break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: WMKey(message); break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: WMFocus(message); break;
    case WM_TIMER: WMTimer(message); break;
    case WM_ERASEBKGND:
        if (!GetControlStyle().Contains(csOpaque) && message.WParam != 0) {
            auto* canvas = reinterpret_cast<TCanvas*>(message.WParam);
            canvas->FillRect(GetCanvasClipRect(canvas), 0xF0F0F0);
        }
        message.Result = 1;
        break;
    default: TControl::WndProc(message); break;
    }
}

void TWinControl::WMKey(TMessage& message)
{
    const TShiftState shift = ShiftStateOf(message.LParam);
    const TStillAlive alive{Living()};
    if (message.Msg == WM_CHAR) {
        QChar c(static_cast<char16_t>(message.WParam));
        if (OnKeyPress)
            OnKeyPress(this, c);
        if (!c.isNull() && alive())
            KeyPress(c);
        message.WParam = c.unicode();
        return;
    }
    std::uint16_t key = static_cast<std::uint16_t>(message.WParam);
    const TKeyEvent& event = message.Msg == WM_KEYDOWN ? OnKeyDown : OnKeyUp;
    if (event)
        event(this, key, shift);
    if (key != 0 && alive()) {
        if (message.Msg == WM_KEYDOWN)
            KeyDown(key, shift);
        else
            KeyUp(key, shift);
    }
    message.WParam = key;
    message.Result = key == 0 ? 1 : 0;
}

void TWinControl::WMFocus(TMessage& message)
{
    if (message.Msg == WM_SETFOCUS)
        DoEnter();
    else
        DoExit();
}

void TWinControl::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit)
        OnExit(this);
}

bool TWinControl::SetTimer(std::uintptr_t id, unsigned intervalMs)
{
    HandleNeeded();
    TControlPeer* peer = Peer();
    if (!peer)
        return false;
    KillTimer(id);
    const int qtId = peer->startTimer(static_cast<int>(std::min<unsigned>(intervalMs, 0x7FFFFFFF)));
    if (qtId == 0)
        return false;
    FTimers[id] = qtId;
    return true;
}

bool TWinControl::KillTimer(std::uintptr_t id)
{
    const auto it = FTimers.find(id);
    if (it == FTimers.end())
        return false;
    if (Peer())
        Peer()->killTimer(it->second);
    FTimers.erase(it);
    return true;
}

// --- TCustomControl -----------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

void TCustomControl::PaintHandler(TMessage& message)
{
    PaintWindow(reinterpret_cast<TCanvas*>(message.WParam));
}

void TCustomControl::PaintWindow(TCanvas* canvas)
{
    TCanvas* previous = FCanvas;
    FCanvas = canvas;
    {
        TScopeExit restore([&] { FCanvas = previous; });
        Paint();
    }
}

} // namespace kv
