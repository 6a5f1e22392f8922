// The QWidget peer of a control and its client widget (ControlPeer.h tells what they are).
//
// Sections: the peer's scroll bars; the client widget; the peer (dirty region, scrolling,
// dispatch, scroll bars, the paint canvas and the window's image); the client's events
// (paint, mouse, wheel, keys, input method, focus); timers.
//
// Call flow: a Qt event reaches the client widget, which builds a TMessage and sends it to the
// control (Send: WndProc) inside Dispatch; an exception a handler lets through stops there and
// is shown by ShowException. A paint opens a canvas over the window's raster image where it
// can (else over a buffer) for the control's WMPaint, then closes it. A scroll bar's moves come
// back to the control as scroll messages (SendScroll).
#include "platform/ui/ControlPeer.h"

#include "platform/rtl/SysUtils.h"
#include "platform/ui/MessageBox.h"

#include <QtCore/QPointer>
#include <QtGui/QBackingStore>
#include <QtGui/QPaintEngine>
#include <QtGui/QInputMethodEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPaintEvent>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionSlider>

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

namespace kv {

namespace {

// Keys, buttons, wheels and scroll bars: what the user does, as against paints, moves and
// focus changes.
bool IsUserInput(std::uint32_t msg)
{
    return msg == WM_KEYDOWN || msg == WM_CHAR || (msg >= WM_LBUTTONDOWN && msg <= WM_MBUTTONDBLCLK) ||
           msg == WM_MOUSEWHEEL || msg == WM_MOUSEHWHEEL || msg == WM_HSCROLL || msg == WM_VSCROLL;
}

// An exception must not cross Qt's event dispatch: the user sees its message and the event
// is dropped.
QString FailureMessage(const std::exception* e)
{
    return e ? ExceptionMessage(*e) : QStringLiteral("Unknown exception in a control");
}

// A control's scroll bar: a move of the position repaints where the thumb was and where it
// is, nothing when the thumb stays on its pixels (a long range), and the whole bar when the
// position reaches or leaves an end (styles draw the arrows by it).
class TPeerScrollBar : public QScrollBar
{
public:
    TPeerScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {}

protected:
    void sliderChange(SliderChange change) override
    {
        const QRect thumb = Thumb();
        const bool atEnd = value() == minimum() || value() == maximum();
        const bool partial = change == SliderValueChange && FPainted && !atEnd && !FAtEnd && thumb.isValid() &&
                             FThumb.isValid() && !style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this);
        if (!partial)
            QScrollBar::sliderChange(change);
        else if (thumb != FThumb)
            update((thumb | FThumb).adjusted(-ThumbEdge, -ThumbEdge, ThumbEdge, ThumbEdge));
        FThumb = thumb;
        FAtEnd = atEnd;
    }
    void paintEvent(QPaintEvent* e) override
    {
        QScrollBar::paintEvent(e);
        FPainted = true;
        FThumb = Thumb();
        FAtEnd = value() == minimum() || value() == maximum();
    }
    void changeEvent(QEvent* e) override
    {
        // A new style or state draws the bar anew: the next move repaints it whole.
        FPainted = false;
        QScrollBar::changeEvent(e);
    }
    void resizeEvent(QResizeEvent* e) override
    {
        FPainted = false;
        QScrollBar::resizeEvent(e);
    }

private:
    // Styles draw the thumb's outline a pixel beyond its rectangle.
    static constexpr int ThumbEdge = 2;

    QRect Thumb() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    }

    QRect FThumb;
    bool FAtEnd = true;
    bool FPainted = false;
};

} // namespace

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState shift;
    if (modifiers & Qt::ShiftModifier)
        shift.Include(ssShift);
    if (modifiers & Qt::ControlModifier)
        shift.Include(ssCtrl);
    if (modifiers & Qt::AltModifier)
        shift.Include(ssAlt);
    if (buttons & Qt::LeftButton)
        shift.Include(ssLeft);
    if (buttons & Qt::RightButton)
        shift.Include(ssRight);
    if (buttons & Qt::MiddleButton)
        shift.Include(ssMiddle);
    return shift;
}

std::uint16_t VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return static_cast<std::uint16_t>(VK_NUMPAD0 + (key - Qt::Key_0));
        switch (key) {
        case Qt::Key_Asterisk: return VK_MULTIPLY;
        case Qt::Key_Plus: return VK_ADD;
        case Qt::Key_Minus: return VK_SUBTRACT;
        case Qt::Key_Period:
        case Qt::Key_Comma: return VK_DECIMAL;
        case Qt::Key_Slash: return VK_DIVIDE;
        default: break;
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<std::uint16_t>(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::uint16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<std::uint16_t>(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_PRINT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return VK_OEM_1;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return VK_OEM_PLUS;
    case Qt::Key_Comma:
    case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return VK_OEM_MINUS;
    case Qt::Key_Period:
    case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Slash:
    case Qt::Key_Question: return VK_OEM_2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return VK_OEM_3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return VK_OEM_4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return VK_OEM_7;
    case Qt::Key_multiply: return VK_MULTIPLY;
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    default: return 0;
    }
}

// The client area of a peer.
class TControlClient : public QWidget
{
public:
    explicit TControlClient(TControlPeer* frame) : QWidget(frame), FFrame(frame)
    {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent, true);
    }

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override { FFrame->ClientPaint(e); }
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override { SendMouse(WM_MOUSEMOVE, e); }
    void wheelEvent(QWheelEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    bool FComposing = false;
    void SendMouse(std::uint32_t msg, QMouseEvent* e);
    bool Send(TMessage& m) { return FFrame->Send(m); }
    TControl* Control() const { return FFrame->Control(); }

    TControlPeer* FFrame;
};

TControlPeer::TControlPeer(TControl* control) : FControl(control), FClient(new TControlClient(this))
{
    setFocusProxy(FClient);
    FClient->setAttribute(Qt::WA_OpaquePaintEvent, control->GetControlStyle().Contains(csOpaque));
}

QWidget* TControlPeer::Client() const
{
    return FClient;
}

TControlPeer::~TControlPeer()
{
    ClosePaintCanvas();
    TControl* control = FControl;
    FControl = nullptr;
    // The children go while this object is whole: their last events find no control.
    for (QScrollBar*& bar : FBars) {
        delete bar;
        bar = nullptr;
    }
    delete FClient;
    FClient = nullptr;
    // So do other children (a wrapped text widget), while the frame can still answer them.
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        delete w;
    if (control)
        control->PeerDestroyed();
}

void TControlPeer::AddDirty(const QRect& rect)
{
    FDirty += rect;
}

void TControlPeer::UpdateNow()
{
    if (!FDirty.isEmpty() && FClient && FClient->isVisible() && !FPaintRegion)
        FClient->repaint(FDirty);
}

bool TControlPeer::ScrollClient(const QRect& rect, int dx, int dy)
{
    if (!FClient || !FClient->isVisible() || FPaintRegion || !FClient->testAttribute(Qt::WA_OpaquePaintEvent) ||
        !FClient->updatesEnabled() || FClient->testAttribute(Qt::WA_WState_InPaintEvent))
        return false;
    // What is marked and not yet painted moves with the pixels: stale pixels stay marked
    // where they landed, and where they were holds pixels moved in (or is uncovered).
    const QRegion marked = FDirty & rect;
    const QRegion moved = marked.translated(dx, dy) & rect;
    FClient->scroll(dx, dy, rect);
    const QRegion uncovered = QRegion(rect) - QRegion(rect.translated(dx, dy) & rect);
    FDirty -= marked;
    FDirty += uncovered;
    FDirty += moved;
    if (!moved.isEmpty())
        FClient->update(moved);
    return true;
}

template <typename F>
bool TControlPeer::Dispatch(F&& handler)
{
    bool done = false;
    ++FDepth;
    try {
        handler();
        done = true;
    } catch (const std::exception& e) {
        NoteFailure(FailureMessage(&e));
    } catch (...) {
        NoteFailure(FailureMessage(nullptr));
    }
    // Still counted as in a handler: a message box's own events may free the control.
    if (FDepth == 1)
        ReportFailures();
    --FDepth;
    return done;
}

void TControlPeer::NoteFailure(const QString& Message)
{
    const bool inPaint = FPaintRegion != nullptr;
    for (TFailure& failure : FFailures)
        if (failure.Message == Message) {
            failure.InPaint = failure.InPaint && inPaint;
            return;
        }
    FFailures.push_back({Message, inPaint});
}

void TControlPeer::ReportFailures()
{
    // A box shown here runs events whose failures are reported after it.
    while (!FFailures.empty()) {
        const TFailure failure = FFailures.front();
        FFailures.erase(FFailures.begin());
        if (failure.InPaint && failure.Message == FShownFailure)
            continue;
        FShownFailure = failure.Message;
        ShowException(failure.Message);
    }
}

TKeyResult SendKeyPress(TControlPeer* peer, QKeyEvent* e)
{
    TKeyResult result;
    const TShiftState shift = ShiftStateFromQt(e->modifiers(), Qt::NoButton);
    const std::uint16_t vk = VirtualKeyFromQt(e->key(), e->modifiers());
    if (vk != 0) {
        TMessage m{WM_KEYDOWN, vk, ShiftStateBits(shift), 0};
        if (!peer->Send(m)) {
            result.Gone = true;
            return result;
        }
        // A key whose handling raised was answered by the message shown: it goes no further,
        // to the widget's parents or as characters.
        if (peer->Raised()) {
            result.KeyConsumed = true;
            return result;
        }
        result.KeyConsumed = m.Result != 0;
    }
    QString text = e->text();
    // Alt shortcuts type nothing.
    if (shift.Contains(ssAlt) && !shift.Contains(ssCtrl))
        text.clear();
    // Ctrl with a letter types its control character (Ctrl+C is #3), whatever the platform sent.
    if (shift.Contains(ssCtrl) && !shift.Contains(ssAlt) && e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z)
        text = QString(QChar(char16_t(e->key() - Qt::Key_A + 1)));
    for (const QChar c : text) {
        if (c.unicode() == 0x7F) // Delete is a key, not a character
            continue;
        TMessage m{WM_CHAR, c.unicode(), ShiftStateBits(shift), 0};
        if (!peer->Send(m)) {
            result.Gone = true;
            return result;
        }
        if (m.WParam == 0 || peer->Raised()) {
            result.CharConsumed = true;
            if (peer->Raised())
                break;
        }
    }
    return result;
}

bool SendInputMethod(TControlPeer* peer, QInputMethodEvent* e, bool& composing)
{
    if (!composing && (!e->preeditString().isEmpty() || !e->commitString().isEmpty())) {
        TMessage m{WM_IME_STARTCOMPOSITION, 0, 0, 0};
        if (!peer->Send(m))
            return false;
    }
    composing = !e->preeditString().isEmpty();
    return true;
}

bool TControlPeer::Send(TMessage& message)
{
    if (!FControl)
        return false;
    FRaised = !Dispatch([&] { FControl->WndProc(message); });
    // The user's input went through: a failure shown before is news again.
    if (!FRaised && IsUserInput(message.Msg))
        FShownFailure.clear();
    return FControl != nullptr;
}

void TControlPeer::DeliverToChild(QWidget* child, QEvent* event, const std::function<void()>& after)
{
    // Straight to the widget: its filters have run.
    Dispatch([&] {
        static_cast<QObject*>(child)->event(event);
        if (after)
            after();
    });
}

QScrollBar* TControlPeer::EnsureBar(int bar)
{
    if (FBars[bar])
        return FBars[bar];
    auto* sb = new TPeerScrollBar(bar == SB_HORZ ? Qt::Horizontal : Qt::Vertical, this);
    sb->setFocusPolicy(Qt::NoFocus);
    sb->hide();
    FBars[bar] = sb;
    QObject::connect(sb, &QAbstractSlider::actionTriggered, this, [this, bar, sb](int action) {
        auto* win = dynamic_cast<TWinControl*>(FControl);
        if (!win)
            return;
        int code = -1;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
        case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
        case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
        case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
        case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
        case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
        case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
        default: return;
        }
        if (code == SB_THUMBTRACK) {
            if (!SendScroll(win, bar, code, sb->sliderPosition()))
                return;
            // A move without the thumb held (the wheel over the bar) is a whole drag.
            if (!sb->isSliderDown())
                ThumbReleased(win, bar);
            return;
        }
        // The bar shows what the control made of the request, not Qt's own step.
        if (SendScroll(win, bar, code, win->GetScrollPos(bar)))
            win->ScrollBarSync(bar, false);
    });
    QObject::connect(sb, &QAbstractSlider::sliderReleased, this, [this, bar]() {
        if (auto* win = dynamic_cast<TWinControl*>(FControl))
            ThumbReleased(win, bar);
    });
    return sb;
}

bool TControlPeer::SendScroll(TWinControl* win, int bar, int code, int pos)
{
    Dispatch([&] { win->ScrollBarMessage(bar, code, pos); });
    return FControl == win;
}

void TControlPeer::ThumbReleased(TWinControl* win, int bar)
{
    if (!SendScroll(win, bar, SB_THUMBPOSITION, win->ScrollBarTrackPos(bar)))
        return;
    win->ScrollBarSync(bar, true);
    SendScroll(win, bar, SB_ENDSCROLL, 0);
}

QSize TControlPeer::sizeHint() const
{
    if (FControl)
        return QSize(FControl->GetWidth(), FControl->GetHeight());
    return QWidget::sizeHint();
}

TCanvas* TControlPeer::OpenPaintCanvas(const QRegion& clip)
{
    ClosePaintCanvas();
    FPainter.emplace(FClient);
    FPainter->setClipRegion(clip);
    FCanvas = std::make_unique<TCanvas>(&*FPainter);
    return FCanvas.get();
}

QImage TControlPeer::ClientImage() const
{
    if (!FClient || !FClient->isVisible())
        return {};
    QBackingStore* store = FClient->backingStore();
    QPaintDevice* device = store ? store->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return {};
    auto* image = static_cast<QImage*>(device);
    if (image->isNull() || image->format() != QImage::Format_RGB32 || image->devicePixelRatio() != 1.0)
        return {};
    QPoint offset;
    const bool painting = FPaintRegion != nullptr;
    if (painting) {
        // The canvas of this paint draws there, moved by whole pixels only.
        if (!FPainter || !FPainter->isActive() || FPainter->paintEngine()->paintDevice() != device ||
            !image->isDetached())
            return {};
        const QTransform& t = FPainter->deviceTransform();
        if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
            return {};
        offset = QPoint(int(t.dx()), int(t.dy()));
    } else {
        offset = FClient->mapTo(FClient->window(), QPoint(0, 0));
    }
    const QRect r(offset, FClient->size());
    if (r.isEmpty() || !image->rect().contains(r))
        return {};
    const qsizetype stride = image->bytesPerLine();
    const qsizetype at = r.top() * stride + r.left() * 4;
    if (painting)
        return QImage(image->bits() + at, r.width(), r.height(), stride, QImage::Format_RGB32);
    return QImage(image->constBits() + at, r.width(), r.height(), stride, QImage::Format_RGB32);
}

void TControlPeer::ClosePaintCanvas()
{
    FCanvas.reset();
    if (FPainter) {
        FPainter->end();
        FPainter.reset();
    }
}

bool TControlClient::event(QEvent* e)
{
    if (e->type() == QEvent::KeyPress && Control()) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
            TMessage m{WM_GETDLGCODE, 0, 0, 0};
            Send(m);
            if (m.Result & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) {
                keyPressEvent(ke);
                return true;
            }
            // Not wanted: Tab moves the focus and never reaches the control.
            focusNextPrevChild(ke->key() == Qt::Key_Tab && !(ke->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QWidget::event(e);
}

namespace {

const QColor kShadow(160, 160, 160);
const QColor kDarkShadow(105, 105, 105);
const QColor kHighlight(255, 255, 255);
const QColor kLight(227, 227, 227);

// One ring of a bevel, `width` pixels deep, on the chosen edges of r; r shrinks by the ring.
// Top and left take the first colour, right and bottom the second.
void PaintBevelRing(QPainter& p, QRect& r, const TBevelEdges& edges, int width, const QColor& topLeft,
                    const QColor& bottomRight)
{
    for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
        if (edges.Contains(beTop))
            p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
        if (edges.Contains(beLeft))
            p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
        if (edges.Contains(beBottom))
            p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        if (edges.Contains(beRight))
            p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
        r.adjust(edges.Contains(beLeft) ? 1 : 0, edges.Contains(beTop) ? 1 : 0, edges.Contains(beRight) ? -1 : 0,
                 edges.Contains(beBottom) ? -1 : 0);
    }
}

// The bevel of a control inside the rectangle its border leaves: the outer ring, then the
// inner one. Flat rings are one line of shadow; tiled ones have the 3D look, soft ones a
// milder version of it; a space is the face colour.
void PaintBevel(QPainter& p, QRect r, const TWinControl* win, const QColor& face)
{
    if (win->GetBevelKind() == bkNone)
        return;
    const TBevelEdges edges = win->GetBevelEdges();
    const int width = win->GetBevelWidth();
    for (const bool outer : {true, false}) {
        const TBevelCut cut = outer ? win->GetBevelOuter() : win->GetBevelInner();
        if (cut == bvNone)
            continue;
        QColor dark;
        QColor light;
        if (cut == bvSpace) {
            dark = light = face;
        } else {
            switch (win->GetBevelKind()) {
            case bkFlat: dark = light = kShadow; break;
            case bkSoft:
                dark = kShadow;
                light = kLight;
                break;
            default:
                dark = outer ? kShadow : kDarkShadow;
                light = outer ? kHighlight : kLight;
                break;
            }
        }
        if (cut == bvLowered)
            PaintBevelRing(p, r, edges, width, dark, light);
        else
            PaintBevelRing(p, r, edges, width, light, dark);
    }
}

} // namespace

void TControlPeer::PaintFrame(const QRegion& region)
{
    auto* win = dynamic_cast<TWinControl*>(FControl);
    if (!win)
        return;
    const int b = win->GetBorderWidth();
    const bool corner = win->IsScrollBarVisible(SB_HORZ) && win->IsScrollBarVisible(SB_VERT);
    const bool bevel = win->GetBevelKind() != bkNone;
    if (b == 0 && !corner && !bevel)
        return;
    QPainter p(this);
    p.setClipRegion(region);
    const int w = width();
    const int h = height();
    if (b == 1) {
        p.setPen(QColor(100, 100, 100));
        p.drawRect(0, 0, w - 1, h - 1);
    } else if (b >= 2) {
        // Sunken client edge.
        p.setPen(QColor(160, 160, 160));
        p.drawLine(0, 0, w - 1, 0);
        p.drawLine(0, 0, 0, h - 1);
        p.setPen(QColor(255, 255, 255));
        p.drawLine(0, h - 1, w - 1, h - 1);
        p.drawLine(w - 1, 0, w - 1, h - 1);
        p.setPen(QColor(105, 105, 105));
        p.drawLine(1, 1, w - 2, 1);
        p.drawLine(1, 1, 1, h - 2);
        p.setPen(QColor(227, 227, 227));
        p.drawLine(1, h - 2, w - 2, h - 2);
        p.drawLine(w - 2, 1, w - 2, h - 2);
    }
    if (bevel)
        PaintBevel(p, QRect(b, b, std::max(0, w - 2 * b), std::max(0, h - 2 * b)), win, palette().button().color());
    if (corner) {
        const QRect v = FBars[SB_VERT]->geometry();
        const QRect hb = FBars[SB_HORZ]->geometry();
        p.fillRect(QRect(v.left(), hb.top(), v.width(), hb.height()), palette().window());
    }
}

void TControlPeer::paintEvent(QPaintEvent* e)
{
    if (FControl)
        PaintFrame(e->region());
}

void TControlPeer::ClientPaint(QPaintEvent* e)
{
    if (!FControl)
        return;
    const QRegion* previous = FPaintRegion;
    FPaintRegion = &e->region();
    // Marks outside the client (it shrank since) are never painted.
    FDirty -= e->region();
    FDirty &= FClient->rect();
    TMessage m{WM_PAINT, 0, 0, 0};
    Send(m);
    FPaintRegion = previous;
    ClosePaintCanvas();
}

void TControlPeer::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (FControl)
        Dispatch([&] { FControl->PeerResized(width(), height()); });
}

void TControlClient::SendMouse(std::uint32_t msg, QMouseEvent* e)
{
    if (!Control())
        return;
    const QPoint p = e->position().toPoint();
    TShiftState shift = ShiftStateFromQt(e->modifiers(), e->buttons());
    if (msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK)
        shift.Include(ssDouble);
    TMessage m{msg, ShiftStateBits(shift), MakeLParam(p.x(), p.y()), 0};
    Send(m);
}

static std::uint32_t ButtonMessage(Qt::MouseButton button, std::uint32_t left, std::uint32_t right, std::uint32_t middle)
{
    switch (button) {
    case Qt::LeftButton: return left;
    case Qt::RightButton: return right;
    case Qt::MiddleButton: return middle;
    default: return WM_NULL;
    }
}

void TControlClient::mousePressEvent(QMouseEvent* e)
{
    const std::uint32_t msg = ButtonMessage(e->button(), WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN);
    if (msg != WM_NULL)
        SendMouse(msg, e);
}

void TControlClient::mouseReleaseEvent(QMouseEvent* e)
{
    const std::uint32_t msg = ButtonMessage(e->button(), WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP);
    if (msg != WM_NULL)
        SendMouse(msg, e);
}

void TControlClient::mouseDoubleClickEvent(QMouseEvent* e)
{
    const std::uint32_t msg = ButtonMessage(e->button(), WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK);
    if (msg != WM_NULL)
        SendMouse(msg, e);
}

void TControlClient::wheelEvent(QWheelEvent* e)
{
    if (!Control())
        return;
    const QPoint p = e->position().toPoint();
    const TShiftState shift = ShiftStateFromQt(e->modifiers(), e->buttons());
    // Each wheel goes as its own message: a turn of both (a touchpad's diagonal) sends two.
    bool handled = false;
    const QPoint angle = e->angleDelta();
    for (const auto& [msg, delta] : {std::pair{WM_MOUSEWHEEL, angle.y()}, std::pair{WM_MOUSEHWHEEL, angle.x()}}) {
        if (delta == 0 || !Control())
            continue;
        TMessage m{msg, MakeLParam(static_cast<int>(ShiftStateBits(shift)), delta), MakeLParam(p.x(), p.y()), 0};
        Send(m);
        handled = handled || m.Result != 0;
    }
    if (handled)
        e->accept();
    else
        e->ignore();
}

void TControlClient::leaveEvent(QEvent* e)
{
    QWidget::leaveEvent(e);
    TMessage m{WM_MOUSELEAVE, 0, 0, 0};
    Send(m);
}

void TControlClient::keyPressEvent(QKeyEvent* e)
{
    if (!Control()) {
        e->ignore();
        return;
    }
    SendKeyPress(FFrame, e);
    e->accept();
}

void TControlClient::keyReleaseEvent(QKeyEvent* e)
{
    const std::uint16_t vk = VirtualKeyFromQt(e->key(), e->modifiers());
    if (vk != 0 && Control()) {
        TMessage m{WM_KEYUP, vk, ShiftStateBits(ShiftStateFromQt(e->modifiers(), Qt::NoButton)), 0};
        Send(m);
    }
}

void TControlClient::inputMethodEvent(QInputMethodEvent* e)
{
    if (!Control() || !SendInputMethod(FFrame, e, FComposing))
        return;
    // The composed text arrives as characters.
    for (const QChar c : e->commitString()) {
        TMessage m{WM_CHAR, c.unicode(), 0, 0};
        if (!Send(m))
            return;
    }
    e->accept();
}

QVariant TControlClient::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImEnabled)
        return Control() && Control()->GetControlStyle().Contains(csInputMethod);
    return QWidget::inputMethodQuery(query);
}

void TControlClient::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    // A pop-up opening or closing leaves the focus where it is.
    if (e->reason() == Qt::PopupFocusReason)
        return;
    TMessage m{WM_SETFOCUS, 0, 0, 0};
    Send(m);
}

void TControlClient::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    if (e->reason() == Qt::PopupFocusReason)
        return;
    TMessage m{WM_KILLFOCUS, 0, 0, 0};
    Send(m);
}

void TControlPeer::timerEvent(QTimerEvent* e)
{
    auto* win = dynamic_cast<TWinControl*>(FControl);
    if (!win)
        return;
    for (const auto& [id, qtId] : win->FTimers) {
        if (qtId == e->timerId()) {
            TMessage m{WM_TIMER, static_cast<std::intptr_t>(id), 0, 0};
            Send(m);
            return;
        }
    }
}

} // namespace kv
