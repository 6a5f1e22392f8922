#include "platform/ui/Popups.h"

#include "platform/graphics/Graphics.h"
#include "platform/ui/ControlPeer.h"

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QFontMetrics>
#include <QtGui/QGuiApplication>
#include <QtGui/QInputMethodEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

namespace kv {

namespace {

std::intptr_t gExtraInfo = 0;

// The tag lasts for the dispatch of one press: cleared once the event loop runs again.
void TagPress(std::intptr_t extraInfo)
{
    gExtraInfo = extraInfo;
    if (extraInfo != 0)
        QTimer::singleShot(0, [] { gExtraInfo = 0; });
}

} // namespace

void MakeDropDownWindow(TControl* control)
{
    QWidget* w = control->Widget();
    if (w->parentWidget())
        w->setParent(nullptr);
    // A tool-tip window is never activated: the window that dropped it down keeps the keyboard.
    w->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    w->setAttribute(Qt::WA_ShowWithoutActivating, true);
    w->setFocusPolicy(Qt::NoFocus);
    for (QWidget* child : w->findChildren<QWidget*>())
        child->setFocusPolicy(Qt::NoFocus);
}

void ShowDropDown(TControl* control, const TRect& screenBounds)
{
    QWidget* w = control->Widget();
    control->SetBounds(screenBounds.Left, screenBounds.Top, screenBounds.Width(), screenBounds.Height());
    w->setGeometry(screenBounds.Left, screenBounds.Top, screenBounds.Width(), screenBounds.Height());
    control->SetVisible(true);
    w->show();
}

void HideDropDown(TControl* control)
{
    control->SetVisible(false);
    if (control->HandleAllocated())
        control->Widget()->hide();
}

TRect DropDownBounds(TControl* control)
{
    const QRect r = control->Widget()->geometry();
    return TRect::Bounds(r.left(), r.top(), r.width(), r.height());
}

std::intptr_t GetMessageExtraInfo() { return gExtraInfo; }

void ResendMousePress(TPoint screenPos, std::intptr_t extraInfo)
{
    const QPoint global(screenPos.X, screenPos.Y);
    QWindow* window = QGuiApplication::topLevelAt(global);
    if (!window)
        return;
    const QPointF local = window->mapFromGlobal(global);
    QPointer<QWindow> guard(window);
    TagPress(extraInfo);
    QMouseEvent press(QEvent::MouseButtonPress, local, QPointF(global), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &press);
    if (!guard)
        return;
    QMouseEvent release(QEvent::MouseButtonRelease, local, QPointF(global), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &release);
}

class TOutsidePressWatcher::TFilter : public QObject
{
public:
    QPointer<QWidget> Popup;
    std::intptr_t ExtraInfo = 0;
    std::function<void(TPoint)> OnOutside;
    bool Active = false;

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (!Active || (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick))
            return false;
        // Widgets only: a press reaches its window first and its widget next.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() != Qt::LeftButton)
            return false;
        if (Popup && widget->window() == Popup->window())
            return false;
        const QPoint global = me->globalPosition().toPoint();
        Active = false;
        auto callback = OnOutside;
        if (callback)
            callback(TPoint{global.x(), global.y()});
        TagPress(ExtraInfo);
        return false;
    }
};

TOutsidePressWatcher::TOutsidePressWatcher() : FFilter(std::make_unique<TFilter>()) {}

TOutsidePressWatcher::~TOutsidePressWatcher()
{
    Stop();
}

void TOutsidePressWatcher::Start(TControl* popup, std::intptr_t extraInfo, std::function<void(TPoint)> onOutside)
{
    FFilter->Popup = popup->Widget();
    FFilter->ExtraInfo = extraInfo;
    FFilter->OnOutside = std::move(onOutside);
    if (!FFilter->Active && qApp)
        qApp->installEventFilter(FFilter.get());
    FFilter->Active = true;
}

void TOutsidePressWatcher::Stop()
{
    FFilter->Active = false;
    if (qApp)
        qApp->removeEventFilter(FFilter.get());
}

bool TOutsidePressWatcher::Active() const { return FFilter->Active; }

class TDropDownKeyGrab::TFilter : public QObject
{
public:
    QPointer<QWidget> Popup;
    bool Active = false;

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (!Active)
            return false;
        const QEvent::Type type = e->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride &&
            type != QEvent::InputMethod)
            return false;
        // Widgets only: a key reaches its window first and the focused widget next.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !Popup || !Popup->isVisible() || widget->window() == Popup->window())
            return false;
        if (type == QEvent::ShortcutOverride) {
            // Taken as a key press, which comes here next.
            e->accept();
            return true;
        }
        auto* peer = dynamic_cast<TControlPeer*>(Popup.data());
        QWidget* target = peer && peer->Client() ? peer->Client() : Popup.data();
        if (type == QEvent::InputMethod) {
            auto* im = static_cast<QInputMethodEvent*>(e);
            QInputMethodEvent copy(im->preeditString(), im->attributes());
            copy.setCommitString(im->commitString(), im->replacementStart(), im->replacementLength());
            QCoreApplication::sendEvent(target, &copy);
            return true;
        }
        auto* ke = static_cast<QKeyEvent*>(e);
        QKeyEvent copy(type, ke->key(), ke->modifiers(), ke->text(), ke->isAutoRepeat(), static_cast<ushort>(ke->count()));
        QCoreApplication::sendEvent(target, &copy);
        return true;
    }
};

TDropDownKeyGrab::TDropDownKeyGrab() : FFilter(std::make_unique<TFilter>()) {}

TDropDownKeyGrab::~TDropDownKeyGrab()
{
    Stop();
}

void TDropDownKeyGrab::Start(TControl* popup)
{
    FFilter->Popup = popup->Widget();
    if (!FFilter->Active && qApp)
        qApp->installEventFilter(FFilter.get());
    FFilter->Active = true;
}

void TDropDownKeyGrab::Stop()
{
    FFilter->Active = false;
    if (qApp)
        qApp->removeEventFilter(FFilter.get());
}

bool TDropDownKeyGrab::Active() const { return FFilter->Active; }

int FontTextHeight(const TFont* font)
{
    return QFontMetrics(font->ToQFont()).height();
}

TSize FontTextBounds(const TFont* font, const QString& text, int maxWidth, bool wordBreak)
{
    const QFontMetrics fm(font->ToQFont());
    const int flags = Qt::AlignLeft | Qt::AlignTop | (wordBreak ? Qt::TextWordWrap : 0);
    const QRect r = fm.boundingRect(QRect(0, 0, std::max(1, maxWidth), 1 << 20), flags, text.isEmpty() ? QStringLiteral(" ") : text);
    return TSize{r.width(), r.height()};
}

int FontAverageCharWidth(const TFont* font)
{
    return QFontMetrics(font->ToQFont()).averageCharWidth();
}

} // namespace kv
