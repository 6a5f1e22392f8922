// The QWidget peer of a control: forwards Qt's events to the control as messages and holds
// the scroll bars and the painter of a paint in progress. Internal to the control layer.
#pragma once

#include "platform/ui/Controls.h"

#include <QtGui/QPainter>
#include <QtGui/QRegion>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QWidget>

#include <memory>
#include <optional>

namespace kv {

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

    QScrollBar* Bar(int bar) const { return FBars[bar]; }
    QScrollBar* EnsureBar(int bar);

    // The paint in progress (paintEvent), or null.
    const QRegion* PaintRegion() const { return FPaintRegion; }
    TCanvas* OpenPaintCanvas(const QPoint& origin, const QRegion& clip);
    void ClosePaintCanvas();

    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    void SendMouse(std::uint32_t msg, QMouseEvent* e);
    void PaintFrame(const QRegion& region);

    TControl* FControl;
    int FDepth = 0;
    QScrollBar* FBars[2] = {nullptr, nullptr};
    const QRegion* FPaintRegion = nullptr;
    std::optional<QPainter> FPainter;
    std::unique_ptr<TCanvas> FCanvas;
};

// Qt's key code and modifiers as a virtual-key code (0 for keys without one).
std::uint16_t VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

} // namespace kv
