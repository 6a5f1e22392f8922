// The QWidget peer of a control: forwards Qt's events to the control as messages and holds
// the scroll bars and the painter of a paint in progress. Internal to the control layer.
#pragma once

#include "platform/ui/Controls.h"

#include <QtGui/QImage>
#include <QtGui/QInputMethodEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QPainter>
#include <QtGui/QRegion>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kv {

class TControlClient;

// The frame: border, scroll bars and the client widget, which fills the rest and receives
// paint, mouse, wheel, key and focus events in client coordinates.
class TControlPeer : public QWidget
{
public:
    explicit TControlPeer(TControl* control);
    ~TControlPeer() override;

    TControl* Control() const { return FControl; }
    // The control is gone: forward nothing more.
    void Detach() { FControl = nullptr; }
    bool InDispatch() const { return FDepth > 0; }

    // Sends a message to the control; false when the control has gone meanwhile.
    bool Send(TMessage& message);
    // Hands an event to a widget inside the frame (a text widget) as the control's own input,
    // then runs after: what they raise is reported like any message's.
    void DeliverToChild(QWidget* child, QEvent* event, const std::function<void()>& after);
    // True when the last message sent raised an exception, which was reported.
    bool Raised() const { return FRaised; }

    QWidget* Client() const;
    QScrollBar* Bar(int bar) const { return FBars[bar]; }
    QScrollBar* EnsureBar(int bar);

    // Marked for repainting and not yet painted (client coordinates).
    void AddDirty(const QRect& rect);
    const QRegion& Dirty() const { return FDirty; }
    // Paints the marked region now.
    void UpdateNow();
    // Moves the client's pixels inside rect by dx, dy (Qt's widget scroll) and marks the
    // uncovered part and the moved part of the marked region. False when the client cannot
    // move its pixels (hidden, not opaque, painting).
    bool ScrollClient(const QRect& rect, int dx, int dy);

    // The paint in progress (client coordinates), or null.
    const QRegion* PaintRegion() const { return FPaintRegion; }
    TCanvas* OpenPaintCanvas(const QRegion& clip);
    void ClosePaintCanvas();
    // The window's raster image under the client, as an image sharing its pixels (opaque
    // 32-bit, unscaled, the client wholly inside), or a null image. During a paint only when
    // the paint canvas draws into that image (not into a grab), and then writable; outside a
    // paint read-only: the picture the window shows.
    QImage ClientImage() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    friend class TControlClient;
    // Runs a handler of the control; an exception must not cross Qt's event dispatch, so it
    // is reported and dropped.
    template <typename F>
    // False when the handler raised (the exception is reported).
    bool Dispatch(F&& handler);
    // Scroll-bar input: false when the control went during the message.
    bool SendScroll(TWinControl* win, int bar, int code, int pos);
    // The end of a thumb drag: SB_THUMBPOSITION at the track position, then SB_ENDSCROLL.
    void ThumbReleased(TWinControl* win, int bar);
    void PaintFrame(const QRegion& region);
    void ClientPaint(QPaintEvent* e);
    // A handler's failure waits for the outermost handler of the control to end (a paint a
    // handler asked for at once is part of its action): each message of one action is
    // reported once, then.
    void NoteFailure(const QString& Message);
    void ReportFailures();

    TControl* FControl;
    int FDepth = 0;
    bool FRaised = false;
    struct TFailure
    {
        QString Message;
        bool InPaint;
    };
    std::vector<TFailure> FFailures;
    // The last failure reported: a paint failing alike is not reported again until the user's
    // input goes through (the same failure would otherwise come back with every paint).
    QString FShownFailure;
    TControlClient* FClient;
    QScrollBar* FBars[2] = {nullptr, nullptr};
    const QRegion* FPaintRegion = nullptr;
    QRegion FDirty;
    std::optional<QPainter> FPainter;
    std::unique_ptr<TCanvas> FCanvas;
};

// A key press sent as WM_KEYDOWN and then WM_CHAR per character: which of them the control
// consumed (a key set to 0, a character set to 0), or whether the control went meanwhile.
struct TKeyResult
{
    bool KeyConsumed = false;
    bool CharConsumed = false;
    bool Gone = false;
};
TKeyResult SendKeyPress(TControlPeer* peer, QKeyEvent* e);
// WM_IME_STARTCOMPOSITION when a composition begins; composing tracks it. False when the
// control went.
bool SendInputMethod(TControlPeer* peer, QInputMethodEvent* e, bool& composing);

// Qt's key code and modifiers as a virtual-key code (0 for keys without one).
std::uint16_t VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

} // namespace kv
