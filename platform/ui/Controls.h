// Controls: TControl, TWinControl and TCustomControl. Each control is a component that owns
// a QWidget peer (Widget()), which forwards Qt's events to the control as messages through
// WndProc. Client coordinates exclude the border, the bevel and the scroll bars, which the
// control lays out itself so that the client size is right as soon as a bar is shown or
// hidden. A window control places its aligned and anchored children whenever its client size
// changes, and keeps its window children in tab order.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/graphics/Graphics.h"
#include "platform/ui/Messages.h"
#include "platform/ui/UiTypes.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QImage;
class QWidget;

namespace kv {

class TWinControl;
class TControlPeer;

enum TCursor : int {
    crDefault = 0,
    crNone = -1,
    crArrow = -2,
    crCross = -3,
    crIBeam = -4,
    crSizeNESW = -6,
    crSizeNS = -7,
    crSizeNWSE = -8,
    crSizeWE = -9,
    crUpArrow = -10,
    crHourGlass = -11,
    crDrag = -12,
    crNoDrop = -13,
    crHSplit = -14,
    crVSplit = -15,
    crMultiDrag = -16,
    crNo = -18,
    crAppStart = -19,
    crHelp = -20,
    crHandPoint = -21,
    crSizeAll = -22
};

enum TBorderStyle { bsNone, bsSingle };

// Where a control sits in its parent's client area: docked to an edge (keeping its height
// for top and bottom, its width for left and right) or filling what the docked ones leave.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// The parent edges whose distance a control without alignment keeps when the parent resizes.
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;

// The bevel drawn between a control's border and its client area: on which edges, the cut of
// its outer and inner ring, the look of the rings (none: no bevel), and the width of a ring.
enum TBevelEdge { beLeft, beTop, beRight, beBottom };
using TBevelEdges = TSet<TBevelEdge>;
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBevelKind { bkNone, bkTile, bkSoft, bkFlat };

// csInputMethod: the control takes input-method text (WM_IME_STARTCOMPOSITION, then WM_CHAR).
enum TControlStyleItem { csOpaque, csCaptureMouse, csClickEvents, csDoubleClicks, csParentFont, csParentColor, csInputMethod };
using TControlStyle = TSet<TControlStyleItem>;

// Window styles read by CreateWnd.
enum : unsigned {
    WS_BORDER = 0x00800000u,
    WS_EX_CLIENTEDGE = 0x00000200u,
    CS_VREDRAW = 0x0001u,
    CS_HREDRAW = 0x0002u
};

struct TCreateParams
{
    unsigned Style = 0;
    unsigned ExStyle = 0;
    unsigned WindowClassStyle = CS_HREDRAW | CS_VREDRAW;
};

// Scroll-bar state as the platform keeps it: a range nMin..nMax, a page, a position that
// stays within nMin..nMax - max(nPage - 1, 0), and the thumb position while it is dragged.
struct TScrollInfo
{
    unsigned fMask = 0;
    int nMin = 0;
    int nMax = 0;
    unsigned nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

// System metrics the controls and painters use.
enum : int { SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CXMENUCHECK = 71, SM_CYMENUCHECK = 72 };
int GetSystemMetrics(int index);

// Look of borders: with both on, a single border is drawn as a sunken client edge.
extern bool NewStyleControls;
extern bool Ctl3D;

using TNotifyEvent = std::function<void(TObject* sender)>;
// Control events: a handler that sets key to 0 keeps it from the control's own handling.
using TKeyEvent = std::function<void(TObject* sender, std::uint16_t& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, QChar& key)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;

class TControl;

// Lays the aligned controls of the list out inside client as a parent lays out its aligned
// children; the others keep their bounds. For hosts that place controls without a parent.
void AlignControlsIn(const std::vector<TControl*>& controls, const TRect& client);

// Change events follow the rule of TEventSource (UiTypes.h).
class TControl : public TComponent, public TEventSource
{
protected:
    friend class TCreateAccess;
    explicit TControl(TComponent* owner);

public:
    ~TControl() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;
    // Run by Create once construction is complete: the bounds the class gives its controls.
    void Constructed() { FConstructedBounds = GetBoundsRect(); }
    // Form files keep bounds that are not the class's own, so an unchanged form saves as read.
    bool IsBoundsStored() const { return GetBoundsRect() != FConstructedBounds; }

    // The peer widget, created on first use. Embed it in any Qt application; when Qt frees
    // it (with its Qt parent) the control simply has no window until it needs one again.
    QWidget* Widget();
    bool HandleAllocated() const { return FPeer != nullptr; }
    void HandleNeeded();

    TWinControl* GetParent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int GetLeft() const { return FLeft; }
    int GetTop() const { return FTop; }
    int GetWidth() const { return FWidth; }
    int GetHeight() const { return FHeight; }
    void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
    void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
    void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
    void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect GetBoundsRect() const { return TRect::Bounds(FLeft, FTop, FWidth, FHeight); }

    // A parent lays out its aligned children (top, bottom, left, right, then client) whenever
    // its client area or a child's alignment, size or visibility changes.
    TAlign GetAlign() const { return FAlign; }
    void SetAlign(TAlign value);
    // Left and top by default. A control without alignment keeps its distance to each anchored
    // edge of the parent's client area as the parent resizes; anchored left and right (top and
    // bottom) it stretches, anchored on neither side it keeps its centre.
    TAnchors GetAnchors() const { return FAnchors; }
    void SetAnchors(TAnchors value);

    // The client area, in client coordinates (origin 0, 0).
    virtual TRect GetClientRect() const { return TRect{0, 0, FWidth, FHeight}; }
    int GetClientWidth() const { return GetClientRect().Width(); }
    int GetClientHeight() const { return GetClientRect().Height(); }
    // Where the client area starts inside the peer widget.
    virtual TPoint GetClientOrigin() const { return TPoint(); }
    // A client point in screen coordinates (the peer is made when needed).
    TPoint ClientToScreen(const TPoint& point);

    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible, and the peer shown.
    bool IsShowing() const;
    // Places the control above (below) its sibling controls.
    void BringToFront();
    void SendToBack();

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);

    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor value);

    TControlStyle GetControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle value) { FControlStyle = value; }

    // Mouse capture. Qt already sends every mouse event to the pressed widget until the
    // button is released; the flag marks the control that holds the capture.
    bool GetMouseCapture() const;
    void SetMouseCapture(bool value);

    // Marks the whole client area for repainting.
    virtual void Invalidate();
    // Paints what is marked for repainting now.
    virtual void Update();
    void Repaint();

    // Sends a message to WndProc and returns its result.
    std::intptr_t Perform(std::uint32_t msg, std::intptr_t wParam = 0, std::intptr_t lParam = 0);
    virtual void WndProc(TMessage& message);

    TNotifyEvent OnResize;
    // Raised after the control's own MouseDown / MouseMove / MouseUp.
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    // A left press and release on the control; a left double click.
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;

protected:
    friend class TControlPeer;
    friend class TWinControl;

    // Creates the peer; descendants that need another widget override CreatePeer.
    virtual void CreateWnd();
    virtual void DestroyWnd();
    virtual TControlPeer* CreatePeer();
    virtual void CreateParams(TCreateParams& params) {}
    // Runs CreateParams again and applies it to the existing peer (border, layout), keeping
    // the peer itself so that an application embedding it keeps its widget; repaints.
    void RecreateWnd();
    // Called when the peer exists, after CreateWnd made it.
    virtual void PeerCreated() {}

    // Dispatch of the messages that TControl knows; everything else reaches DefaultHandler.
    virtual void DefaultHandler(TMessage& message) {}
    virtual void WMPaint(TMessage& message);
    virtual void WMSize(TMessage& message);
    void WMMouse(TMessage& message);
    virtual void WMMouseWheel(TMessage& message);
    virtual void WMMouseLeave(TMessage& message);

    virtual void Resize();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y) {}
    virtual void MouseMove(TShiftState shift, int x, int y) {}
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y) {}
    // True when the wheel was handled.
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) { return false; }
    // The horizontal wheel; a positive delta scrolls towards the left.
    virtual bool DoMouseHWheel(TShiftState shift, int wheelDelta, TPoint mousePos) { return false; }
    virtual void MouseLeave() {}

    // Lays out the peer's children (scroll bars) and frame for the current size.
    virtual void LayoutPeer();
    // FCreateParams changed (CreateParams ran again).
    virtual void ParamsChanged() {}
    virtual void PeerDestroyed();
    void PeerResized(int width, int height);

    TControlPeer* Peer() const { return FPeer; }
    // False once the control is freed; a share of it outlives the control.
    const std::shared_ptr<bool>& Living() const { return FLiving; }
    // The frame (border, bevel) changed: the peer is laid out and repainted, and the control
    // hears WM_SIZE when its client area changed or it has a window.
    void FrameChanged(const TRect& oldClient);

    TCreateParams FCreateParams;

private:
    // Remembers the bounds and the parent's client size that anchors measure from.
    void UpdateAnchorRules();
    // The bounds the anchors give for the parent's client size.
    TRect AnchoredBounds(int parentWidth, int parentHeight) const;

    TControlPeer* FPeer = nullptr;
    TWinControl* FParent = nullptr;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    TCursor FCursor = crDefault;
    TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks};
    bool FClicking = false;
    std::shared_ptr<bool> FLiving = std::make_shared<bool>(true);
    TAlign FAlign = alNone;
    TAnchors FAnchors{akLeft, akTop};
    TRect FAnchorBounds;
    TSize FAnchorParentSize;
    TRect FConstructedBounds;
};

// A control that takes the keyboard focus, holds child controls, has scroll bars, timers
// and a border, and repaints rectangles of its client area.
class TWinControl : public TControl
{
protected:
    friend class TCreateAccess;
    explicit TWinControl(TComponent* owner);

public:
    ~TWinControl() override;

    int GetControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* GetControl(int index) const;

    bool GetTabStop() const { return FTabStop; }
    void SetTabStop(bool value);
    // The position among the parent's window controls for Tab and Shift+Tab. Out of range
    // (-1) means after the others; moving one control renumbers the others. Without a parent
    // the value is kept and takes effect when the control gets one.
    int GetTabOrder() const;
    void SetTabOrder(int value);
    // The parent's window controls in tab order.
    const std::vector<TWinControl*>& GetTabList() const { return FTabList; }
    bool CanFocus() const;
    bool Focused() const;
    // The keyboard focus is on this control or on a control inside it.
    bool ContainsFocus() const;
    virtual void SetFocus();

    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    int GetBorderWidth() const { return FBorderWidth; }
    // A single border is a sunken edge with the 3D look (and NewStyleControls), a line without.
    bool GetCtl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);

    TBevelEdges GetBevelEdges() const { return FBevelEdges; }
    void SetBevelEdges(TBevelEdges value);
    TBevelCut GetBevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value);
    TBevelCut GetBevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    TBevelKind GetBevelKind() const { return FBevelKind; }
    void SetBevelKind(TBevelKind value);
    // Width of one ring, 1 to kMaxBevelWidth; other values raise EArgumentOutOfRangeException.
    static constexpr int kMaxBevelWidth = 1000;
    int GetBevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);
    // The bevel's width on one edge: 0 without a bevel there.
    int GetBevelSize(TBevelEdge edge) const;
    // Border and bevel on each side (Left, Top, Right, Bottom hold the widths).
    TRect GetFrameWidths() const;

    TRect GetClientRect() const override;
    TPoint GetClientOrigin() const override;

    // Places the aligned and anchored children in the client area; control, when given, goes
    // first among aligned controls at the same position (it has just been placed there).
    void AlignControls(TControl* control = nullptr);

    // Scroll bars (SB_HORZ, SB_VERT). SetScrollInfo applies the members named by fMask,
    // clamps page and position, shows the bar when it can scroll and hides it otherwise,
    // lays the control out at once and returns the new position.
    int SetScrollInfo(int bar, const TScrollInfo& info, bool redraw = true);
    bool GetScrollInfo(int bar, TScrollInfo& info) const;
    int GetScrollPos(int bar) const;
    bool IsScrollBarVisible(int bar) const;

    // Marks a client rectangle (or the whole client area for nullptr) for repainting.
    virtual void InvalidateRect(const TRect* rect);
    void Invalidate() override;
    void Update() override;
    // The rectangle around everything marked and not yet painted (client coordinates).
    TRect GetUpdateRect() const;
    // The window's own pixels under the client as an image sharing them, or a null image
    // (see TControlPeer::ClientImage): during a paint the image its canvas draws into, else
    // the picture the window shows, read-only.
    QImage GetClientImage() const;
    // A paint in progress draws all of rect that lies in the client area (client coordinates).
    bool PaintCovers(const TRect& rect) const;
    // Moves the shown pixels of rect (client coordinates) by dx, dy on the window itself and
    // marks what the move uncovered, and the moved parts of what was marked, for painting.
    // False when the window cannot move them (not shown, opaque painting off, in a paint):
    // rect is then marked whole.
    bool ScrollClientRect(const TRect& rect, int dx, int dy);

    // Timers deliver WM_TIMER with the id; setting an id again restarts it.
    bool SetTimer(std::uintptr_t id, unsigned intervalMs);
    bool KillTimer(std::uintptr_t id);

    void WndProc(TMessage& message) override;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    // Raised before the control's own KeyDown / KeyPress / KeyUp.
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

protected:
    friend class TControl;

    struct TPaintStruct
    {
        TRect rcPaint;              // bounding box of the region being painted
        std::vector<TRect> Rects;   // the region as rectangles
        TCanvas* Canvas = nullptr;
    };
    // Opens a canvas on the window during its paint, clipped to the region being painted;
    // false outside a paint of this window.
    bool BeginPaint(TPaintStruct& ps);
    void EndPaint(TPaintStruct& ps);

    void CreateParams(TCreateParams& params) override;
    void PeerCreated() override;
    // Gives the window the focus policy of the tab stop (on creation and when it changes).
    virtual void ApplyFocusPolicy();
    void WMPaint(TMessage& message) override;
    // Paints into the canvas of message.WParam.
    virtual void PaintHandler(TMessage& message) {}
    virtual void WMScroll(TMessage& message) {}
    virtual void WMKey(TMessage& message);
    virtual void WMFocus(TMessage& message);
    virtual void WMTimer(TMessage& message) {}

    virtual void KeyDown(std::uint16_t& key, TShiftState shift) {}
    virtual void KeyPress(QChar& key) {}
    virtual void KeyUp(std::uint16_t& key, TShiftState shift) {}
    virtual void DoEnter();
    virtual void DoExit();

    void LayoutPeer() override;
    void ParamsChanged() override;
    void PeerDestroyed() override;
    void WMSize(TMessage& message) override;
    // Scroll-bar input from the peer: one scroll message (SB_THUMBTRACK also records the
    // track position); the bar made to show the control's position, ending a thumb drag.
    void ScrollBarMessage(int bar, int code, int pos);
    void ScrollBarSync(int bar, bool endDrag);
    int ScrollBarTrackPos(int bar) const;

private:
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void ApplyScrollBar(int bar);
    void SetBevel(TBevelEdges edges, TBevelCut inner, TBevelCut outer, TBevelKind kind, int width);
    // Gives the Qt focus chain of the children's windows the tab order.
    void ApplyTabOrder();

    struct TBarState
    {
        TScrollInfo Info;
        bool Visible = false;
        bool Tracking = false;
    };
    std::vector<TControl*> FControls;
    std::vector<TWinControl*> FTabList;
    TBarState FBars[2];
    bool FTabStop = false;
    int FTabOrder = -1;
    int FAligning = 0;
    TBorderStyle FBorderStyle = bsNone;
    int FBorderWidth = 0;
    bool FCtl3D = true;
    TBevelEdges FBevelEdges{beLeft, beTop, beRight, beBottom};
    TBevelCut FBevelInner = bvRaised;
    TBevelCut FBevelOuter = bvLowered;
    TBevelKind FBevelKind = bkNone;
    int FBevelWidth = 1;
    TRect FUpdateRect;
    std::map<std::uintptr_t, int> FTimers; // our id -> peer timer id
    friend class TControlPeer;
};

// A window control that paints itself: Paint draws on Canvas.
class TCustomControl : public TWinControl
{
protected:
    friend class TCreateAccess;
    explicit TCustomControl(TComponent* owner);

public:

    // The canvas of the paint in progress; null outside Paint.
    TCanvas* GetCanvas() const { return FCanvas; }

protected:
    void PaintHandler(TMessage& message) override;
    virtual void PaintWindow(TCanvas* canvas);
    virtual void Paint() {}

private:
    TCanvas* FCanvas = nullptr;
};

} // namespace kv
