// The control classes (Controls.h tells what they are).
//
// Sections: published enumerations and helpers; TControl (peer, parent, bounds, alignment and
// anchors, visibility, cursor, mouse capture, painting, message dispatch, mouse messages);
// TWinControl (children and tab order, focus, border and bevel, alignment of the children,
// scroll bars, invalidation and the paint cycle, keys, timers); TCustomControl.
//
// Call flow: a control's peer is made when it first needs one (HandleNeeded, CreateWnd) and
// follows its bounds (LayoutPeer). Qt's events reach WndProc as messages from the peer; WMSize
// re-aligns the children (AlignControls, by alignment, then anchors), WMPaint paints through
// BeginPaint and EndPaint into the window's image or a buffer, and the scroll bars, laid out
// by the control, send their positions back as scroll messages.
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
KV_PUBLISH_ENUM(TAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient");
KV_PUBLISH_ENUM(TAnchorKind, "akLeft", "akTop", "akRight", "akBottom");
KV_PUBLISH_ENUM(TBevelEdge, "beLeft", "beTop", "beRight", "beBottom");
KV_PUBLISH_ENUM(TBevelCut, "bvNone", "bvLowered", "bvRaised", "bvSpace");
KV_PUBLISH_ENUM(TBevelKind, "bkNone", "bkTile", "bkSoft", "bkFlat");

// Position and size, which form files keep for every control placed other than its class places it.
KV_PUBLISH(TControl, TComponent)
    .Property("Left", &TControl::GetLeft, &TControl::SetLeft).Stored(&TControl::IsBoundsStored)
    .Property("Top", &TControl::GetTop, &TControl::SetTop).Stored(&TControl::IsBoundsStored)
    .Property("Width", &TControl::GetWidth, &TControl::SetWidth).Stored(&TControl::IsBoundsStored)
    .Property("Height", &TControl::GetHeight, &TControl::SetHeight).Stored(&TControl::IsBoundsStored);

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

// A window's position is that of its frame, so that its title bar opens on the screen; a
// child's is that of its client area inside the parent.
void PlacePeer(QWidget* peer, int left, int top, int width, int height)
{
    if (peer->isWindow()) {
        peer->resize(width, height);
        peer->move(left, top);
    } else {
        peer->setGeometry(left, top, width, height);
    }
}

// True when a goes before b among controls aligned the same way: the one nearer the edge.
bool AlignsBefore(const TControl* a, const TControl* b, TAlign align)
{
    switch (align) {
    case alTop: return a->GetTop() < b->GetTop();
    case alBottom: return a->GetTop() + a->GetHeight() > b->GetTop() + b->GetHeight();
    case alLeft: return a->GetLeft() < b->GetLeft();
    case alRight: return a->GetLeft() + a->GetWidth() > b->GetLeft() + b->GetWidth();
    default: return false;
    }
}

// Places the aligned controls of the list inside client (top, bottom, left, right, then
// client), control first among those aligned as it is; present tells which are still there.
void AlignInto(const std::vector<TControl*>& children, TControl* control, const TRect& client,
               const std::function<bool(TControl*)>& present)
{
    TRect rest = client;
    for (const TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TControl*> list;
        if (control && present(control) && control->GetAlign() == align && control->GetVisible())
            list.push_back(control);
        for (TControl* c : children) {
            if (c == control || c->GetAlign() != align || !c->GetVisible() || !present(c))
                continue;
            const auto at = std::find_if(list.begin(), list.end(),
                                         [c, align](const TControl* other) { return AlignsBefore(c, other, align); });
            list.insert(at, c);
        }
        for (TControl* c : list) {
            if (!present(c))
                continue;
            const int w = std::max(0, rest.Width());
            const int h = std::max(0, rest.Height());
            switch (align) {
            case alTop:
                c->SetBounds(rest.Left, rest.Top, w, c->GetHeight());
                rest.Top = std::min(rest.Bottom, rest.Top + c->GetHeight());
                break;
            case alBottom:
                c->SetBounds(rest.Left, rest.Bottom - c->GetHeight(), w, c->GetHeight());
                rest.Bottom = std::max(rest.Top, rest.Bottom - c->GetHeight());
                break;
            case alLeft:
                c->SetBounds(rest.Left, rest.Top, c->GetWidth(), h);
                rest.Left = std::min(rest.Right, rest.Left + c->GetWidth());
                break;
            case alRight:
                c->SetBounds(rest.Right - c->GetWidth(), rest.Top, c->GetWidth(), h);
                rest.Right = std::max(rest.Left, rest.Right - c->GetWidth());
                break;
            default: c->SetBounds(rest.Left, rest.Top, w, h); break;
            }
        }
    }
}

} // namespace

void AlignControlsIn(const std::vector<TControl*>& controls, const TRect& client)
{
    AlignInto(controls, nullptr, client, [](TControl*) { return true; });
}

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
    if (FParent) {
        FParent->RemoveControl(this);
        if (FAlign != alNone && !FParent->IsDestroying())
            FParent->AlignControls();
    }
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
        // The parent's new window brought those of its visible children, this one among them:
        // a second peer would be left behind pointing here.
        if (FPeer)
            return;
        if (FParent->Peer())
            parentWidget = FParent->Peer()->Client();
    }
    FPeer = CreatePeer();
    if (parentWidget)
        FPeer->setParent(parentWidget);
    PlacePeer(FPeer, FLeft, FTop, FWidth, FHeight);
    FPeer->setEnabled(FEnabled);
    if (FCursor != crDefault)
        FPeer->Client()->setCursor(QCursor(CursorShapeOf(FCursor)));
    PeerCreated();
    LayoutPeer();
    if (FParent && FVisible)
        FPeer->show();
    // Visible children get their windows with their parent's.
    if (auto* self = dynamic_cast<TWinControl*>(this)) {
        const std::vector<TControl*> children = self->FControls;
        for (TControl* child : children)
            if (child->FVisible && FPeer)
                child->HandleNeeded();
    }
    if (FParent)
        FParent->ApplyTabOrder();
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
    const TRect oldClient = GetClientRect();
    FCreateParams = TCreateParams();
    CreateParams(FCreateParams);
    ParamsChanged();
    if (FPeer)
        PeerCreated();
    FrameChanged(oldClient);
}

void TControl::FrameChanged(const TRect& oldClient)
{
    if (FPeer)
        LayoutPeer();
    if (FPeer || GetClientRect() != oldClient) {
        TMessage m{WM_SIZE, 0, MakeLParam(GetClientWidth(), GetClientHeight()), 0};
        WndProc(m);
    }
    if (FPeer)
        FPeer->update();
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == FParent)
        return;
    if (parent == this)
        throw EComponentError(QStringLiteral("A control cannot have itself as its parent"));
    if (TWinControl* old = FParent) {
        old->RemoveControl(this);
        FParent = nullptr;
        if (FAlign != alNone && !old->IsDestroying())
            old->AlignControls();
    }
    FParent = parent;
    if (parent)
        parent->InsertControl(this);
    if (FPeer) {
        FPeer->setParent(parent && parent->HandleAllocated() ? parent->Peer()->Client() : nullptr);
        PlacePeer(FPeer, FLeft, FTop, FWidth, FHeight);
        if (parent && FVisible)
            FPeer->show();
        if (parent)
            parent->ApplyTabOrder();
    } else if (parent && parent->HandleAllocated()) {
        HandleNeeded();
    }
    if (parent) {
        if (FAlign != alNone)
            parent->AlignControls(this);
        else
            UpdateAnchorRules();
    }
}

void TControl::SetAlign(TAlign value)
{
    if (value == FAlign)
        return;
    FAlign = value;
    if (value == alNone)
        UpdateAnchorRules();
    if (FParent)
        FParent->AlignControls(this);
}

void TControl::SetAnchors(TAnchors value)
{
    FAnchors = value;
    UpdateAnchorRules();
}

void TControl::UpdateAnchorRules()
{
    FAnchorBounds = GetBoundsRect();
    FAnchorParentSize = FParent ? TSize{FParent->GetClientWidth(), FParent->GetClientHeight()} : TSize{};
}

TRect TControl::AnchoredBounds(int parentWidth, int parentHeight) const
{
    TRect r = FAnchorBounds;
    const int dx = parentWidth - FAnchorParentSize.cx;
    const int dy = parentHeight - FAnchorParentSize.cy;
    if (FAnchors.Contains(akRight)) {
        if (FAnchors.Contains(akLeft))
            r.Right += dx;
        else
            r.Offset(dx, 0);
    } else if (!FAnchors.Contains(akLeft)) {
        r.Offset(dx / 2, 0);
    }
    if (FAnchors.Contains(akBottom)) {
        if (FAnchors.Contains(akTop))
            r.Bottom += dy;
        else
            r.Offset(0, dy);
    } else if (!FAnchors.Contains(akTop)) {
        r.Offset(0, dy / 2);
    }
    return r;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    const bool changed = left != FLeft || top != FTop || width != FWidth || height != FHeight;
    if (changed) {
        const bool resized = width != FWidth || height != FHeight;
        FLeft = left;
        FTop = top;
        FWidth = width;
        FHeight = height;
        if (FPeer)
            PlacePeer(FPeer, left, top, width, height);
        if (resized) {
            LayoutPeer();
            TMessage m{WM_SIZE, 0, MakeLParam(GetClientWidth(), GetClientHeight()), 0};
            WndProc(m);
        }
    }
    // Placed by code, not by the parent's layout: anchors measure from here, and aligned
    // siblings make room.
    if (FParent && FParent->FAligning == 0) {
        UpdateAnchorRules();
        if (changed && FAlign != alNone)
            FParent->AlignControls(this);
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
    const bool changed = value != FVisible;
    FVisible = value;
    if (value) {
        HandleNeeded();
        if (FPeer)
            FPeer->show();
    } else if (FPeer) {
        FPeer->hide();
    }
    if (changed && FParent && FAlign != alNone)
        FParent->AlignControls(this);
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
    if (TWinControl* parent = GetParent())
        std::erase(parent->FTabList, this);
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
    if (std::find(FControls.begin(), FControls.end(), control) != FControls.end())
        return;
    FControls.push_back(control);
    auto* win = dynamic_cast<TWinControl*>(control);
    if (!win)
        return;
    // A control that asks for a place goes there, and before the siblings that asked for a
    // later one, so that controls read in any order keep their numbers.
    size_t pos = FTabList.size();
    if (const int wish = win->FTabOrder; wish >= 0) {
        pos = std::min(pos, static_cast<size_t>(wish));
        for (size_t i = 0; i < FTabList.size(); ++i) {
            const int other = FTabList[i]->FTabOrder >= 0 ? FTabList[i]->FTabOrder : static_cast<int>(i);
            if (other > wish) {
                pos = std::min(pos, i);
                break;
            }
        }
    }
    FTabList.insert(FTabList.begin() + static_cast<std::ptrdiff_t>(pos), win);
}

void TWinControl::RemoveControl(TControl* control)
{
    const auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it != FControls.end())
        FControls.erase(it);
    std::erase_if(FTabList, [control](TWinControl* w) { return static_cast<TControl*>(w) == control; });
}

int TWinControl::GetTabOrder() const
{
    if (!GetParent())
        return FTabOrder;
    const auto& list = GetParent()->FTabList;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value)
{
    TWinControl* parent = GetParent();
    if (!parent) {
        FTabOrder = std::max(-1, value);
        return;
    }
    auto& list = parent->FTabList;
    std::erase(list, this);
    const size_t pos = value < 0 ? list.size() : std::min(list.size(), static_cast<size_t>(value));
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(pos), this);
    for (size_t i = 0; i < list.size(); ++i)
        list[i]->FTabOrder = static_cast<int>(i);
    parent->ApplyTabOrder();
}

void TWinControl::ApplyTabOrder()
{
    // Each child's frame is moved in the chain with everything in it. A frame forwards the
    // focus to its client, whose policy decides whether Tab stops there; the frame's own
    // policy only lets Qt move it, and is set without reaching the client.
    QWidget* previous = nullptr;
    for (TWinControl* control : FTabList) {
        QWidget* frame = control->Peer();
        if (!frame)
            continue;
        if (frame->focusPolicy() == Qt::NoFocus) {
            QWidget* proxy = frame->focusProxy();
            frame->setFocusProxy(nullptr);
            frame->setFocusPolicy(Qt::TabFocus);
            frame->setFocusProxy(proxy);
        }
        if (previous && previous->window() == frame->window())
            QWidget::setTabOrder(previous, frame);
        previous = frame;
    }
}

void TWinControl::SetTabStop(bool value)
{
    if (value == FTabStop)
        return;
    FTabStop = value;
    if (Peer())
        ApplyFocusPolicy();
}

void TWinControl::ApplyFocusPolicy()
{
    if (TControlPeer* peer = Peer())
        peer->Client()->setFocusPolicy(FTabStop ? Qt::TabFocus : Qt::NoFocus);
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

bool TWinControl::ContainsFocus() const
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && Peer() && (focus == Peer() || Peer()->isAncestorOf(focus));
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

void TWinControl::SetCtl3D(bool value)
{
    if (ChangeField(FCtl3D, value))
        RecreateWnd();
}

void TWinControl::SetBevelEdges(TBevelEdges value)
{
    SetBevel(value, FBevelInner, FBevelOuter, FBevelKind, FBevelWidth);
}

void TWinControl::SetBevelInner(TBevelCut value)
{
    SetBevel(FBevelEdges, value, FBevelOuter, FBevelKind, FBevelWidth);
}

void TWinControl::SetBevelOuter(TBevelCut value)
{
    SetBevel(FBevelEdges, FBevelInner, value, FBevelKind, FBevelWidth);
}

void TWinControl::SetBevelKind(TBevelKind value)
{
    SetBevel(FBevelEdges, FBevelInner, FBevelOuter, value, FBevelWidth);
}

void TWinControl::SetBevelWidth(int value)
{
    if (value < 1 || value > kMaxBevelWidth)
        throw EArgumentOutOfRangeException(
            QStringLiteral("Bevel width %1 is out of range (1 to %2)").arg(value).arg(kMaxBevelWidth));
    SetBevel(FBevelEdges, FBevelInner, FBevelOuter, FBevelKind, value);
}

void TWinControl::SetBevel(TBevelEdges edges, TBevelCut inner, TBevelCut outer, TBevelKind kind, int width)
{
    if (edges == FBevelEdges && inner == FBevelInner && outer == FBevelOuter && kind == FBevelKind &&
        width == FBevelWidth)
        return;
    const TRect oldClient = GetClientRect();
    FBevelEdges = edges;
    FBevelInner = inner;
    FBevelOuter = outer;
    FBevelKind = kind;
    FBevelWidth = width;
    FrameChanged(oldClient);
}

int TWinControl::GetBevelSize(TBevelEdge edge) const
{
    if (FBevelKind == bkNone || !FBevelEdges.Contains(edge))
        return 0;
    return (FBevelInner != bvNone ? FBevelWidth : 0) + (FBevelOuter != bvNone ? FBevelWidth : 0);
}

TRect TWinControl::GetFrameWidths() const
{
    const int b = FBorderWidth;
    return TRect{b + GetBevelSize(beLeft), b + GetBevelSize(beTop), b + GetBevelSize(beRight),
                 b + GetBevelSize(beBottom)};
}

TPoint TWinControl::GetClientOrigin() const
{
    const TRect frame = GetFrameWidths();
    return TPoint{frame.Left, frame.Top};
}

void TWinControl::CreateParams(TCreateParams& params)
{
    if (FBorderStyle == bsSingle) {
        if (NewStyleControls && Ctl3D && FCtl3D)
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
    ApplyFocusPolicy();
    peer->Client()->setAttribute(Qt::WA_OpaquePaintEvent, GetControlStyle().Contains(csOpaque));
    peer->Client()->setAttribute(Qt::WA_InputMethodEnabled, GetControlStyle().Contains(csInputMethod));
    for (int bar = SB_HORZ; bar <= SB_VERT; ++bar)
        if (FBars[bar].Visible)
            ApplyScrollBar(bar);
}

void TWinControl::WMSize(TMessage& message)
{
    AlignControls();
    TControl::WMSize(message);
}

void TWinControl::AlignControls(TControl* control)
{
    if (FAligning > 0 || IsDestroying())
        return;
    ++FAligning;
    TScopeExit done([this] { --FAligning; });
    const TRect client = GetClientRect();
    // A handler run by a child's resize may change the children: work on a copy, skipping
    // controls that have left meanwhile.
    const std::vector<TControl*> children = FControls;
    auto present = [this](TControl* c) { return std::find(FControls.begin(), FControls.end(), c) != FControls.end(); };
    for (TControl* c : children) {
        if (!present(c) || c->FAlign != alNone || c->FAnchors == TAnchors{akLeft, akTop})
            continue;
        const TRect r = c->AnchoredBounds(client.Width(), client.Height());
        c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    }
    AlignInto(children, control, client, present);
}

void TWinControl::PeerDestroyed()
{
    FTimers.clear();
    FUpdateRect = TRect{};
    TControl::PeerDestroyed();
}

TRect TWinControl::GetClientRect() const
{
    const TRect frame = GetFrameWidths();
    int w = GetWidth() - frame.Left - frame.Right;
    int h = GetHeight() - frame.Top - frame.Bottom;
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
    const TRect f = GetFrameWidths();
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    const bool v = FBars[SB_VERT].Visible;
    const bool h = FBars[SB_HORZ].Visible;
    const TRect client = GetClientRect();
    peer->Client()->setGeometry(f.Left, f.Top, client.Width(), client.Height());
    if (v || peer->Bar(SB_VERT)) {
        QScrollBar* sb = peer->EnsureBar(SB_VERT);
        sb->setGeometry(GetWidth() - f.Right - cx, f.Top, cx,
                        std::max(0, GetHeight() - f.Top - f.Bottom - (h ? cy : 0)));
        sb->setVisible(v);
    }
    if (h || peer->Bar(SB_HORZ)) {
        QScrollBar* sb = peer->EnsureBar(SB_HORZ);
        sb->setGeometry(f.Left, GetHeight() - f.Bottom - cy, std::max(0, GetWidth() - f.Left - f.Right - (v ? cx : 0)),
                        cy);
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

int TWinControl::SetScrollInfo(int bar, const TScrollInfo& info, bool)
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
    }
    // The bar repaints itself where a change of its range, page or position shows.
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

bool TWinControl::ScrollClientRect(const TRect& rect, int dx, int dy)
{
    TControlPeer* peer = Peer();
    const TRect r = IntersectRect(rect, GetClientRect());
    if (!peer || r.IsEmpty() || (dx == 0 && dy == 0))
        return false;
    if (!peer->ScrollClient(ToQRect(r), dx, dy)) {
        InvalidateRect(&r);
        return false;
    }
    const QRect rest = peer->Dirty().boundingRect();
    FUpdateRect = UnionRect(FUpdateRect, rest.isEmpty() ? TRect{} : TRect::Bounds(rest.left(), rest.top(), rest.width(), rest.height()));
    return true;
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

bool TWinControl::PaintCovers(const TRect& rect) const
{
    const TControlPeer* peer = Peer();
    if (!peer || !peer->PaintRegion())
        return false;
    const TRect shown = IntersectRect(rect, GetClientRect());
    return shown.IsEmpty() || (QRegion(ToQRect(shown)) - *peer->PaintRegion()).isEmpty();
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

QImage TWinControl::GetClientImage() const
{
    TControlPeer* peer = Peer();
    return peer ? peer->ClientImage() : QImage();
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
