#include "platform/ui/PopupForm.h"

#include "platform/ui/ControlPeer.h"

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

namespace kv {

// Watches the form's window (Qt hiding it) and, for the key preview, the widget that keys
// reach first: the window's focus widget, or the window itself when none has the focus. A key
// that an ignoring child passes on to its parents is not seen again.
class TPopupForm::TWatcher : public QObject
{
public:
    explicit TWatcher(TPopupForm* form) : FForm(form) {}

    void Start(QWidget* window)
    {
        Stop();
        FWindow = window;
        window->installEventFilter(this);
        if (qApp)
            FFocusChanged = QObject::connect(qApp, &QApplication::focusChanged, this, [this] { Follow(); });
        Follow();
    }
    void Stop()
    {
        QObject::disconnect(FFocusChanged);
        SetTarget(nullptr);
        if (FWindow)
            FWindow->removeEventFilter(this);
        FWindow = nullptr;
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (!FWindow)
            return false;
        if (watched == FWindow && e->type() == QEvent::Hide) {
            FForm->PeerHidden();
            return false;
        }
        if (e->type() != QEvent::KeyPress || !FForm->FKeyPreview)
            return false;
        // Focus may have moved without telling (a window that was not active).
        Follow();
        if (watched != FTarget)
            return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        const std::uint16_t key = VirtualKeyFromQt(ke->key(), ke->modifiers());
        if (key == 0)
            return false;
        return FForm->PreviewKey(key, ShiftStateFromQt(ke->modifiers(), Qt::NoButton));
    }

private:
    void Follow()
    {
        QWidget* focus = FWindow ? FWindow->focusWidget() : nullptr;
        SetTarget(focus ? focus : FWindow.data());
    }
    void SetTarget(QWidget* target)
    {
        if (target == FTarget)
            return;
        if (FTarget && FTarget != FWindow)
            FTarget->removeEventFilter(this);
        FTarget = target;
        if (FTarget && FTarget != FWindow)
            FTarget->installEventFilter(this);
    }

    TPopupForm* FForm;
    QPointer<QWidget> FWindow;
    QPointer<QWidget> FTarget;
    QMetaObject::Connection FFocusChanged;
};

TPopupForm::TPopupForm(TComponent* owner) : TWinControl(owner), FAlive(std::make_shared<bool>(true)) {}

TPopupForm::~TPopupForm()
{
    if (FWatcher)
        FWatcher->Stop();
}

void TPopupForm::AfterConstruction()
{
    TWinControl::AfterConstruction();
    FWatcher = std::make_unique<TWatcher>(this);
    SetBorderStyle(bsSingle);
    SetVisible(false);
}

void TPopupForm::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    // A thin line, not a sunken edge.
    params.Style |= WS_BORDER;
    params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

void TPopupForm::PeerCreated()
{
    TWinControl::PeerCreated();
    QWidget* w = Widget();
    if (w->parentWidget())
        w->setParent(nullptr);
    w->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

void TPopupForm::ShowPopup(const TRect& screenBounds)
{
    if (FClosing)
        return;
    HandleNeeded();
    QWidget* w = Widget();
    SetBounds(screenBounds.Left, screenBounds.Top, screenBounds.Width(), screenBounds.Height());
    w->setGeometry(screenBounds.Left, screenBounds.Top, screenBounds.Width(), screenBounds.Height());
    FWatcher->Start(w);
    FShowing = true;
    SetVisible(true);
    w->raise();
    w->activateWindow();
}

TRect TPopupForm::GetScreenBounds()
{
    HandleNeeded();
    const QRect r = Widget()->geometry();
    return TRect::Bounds(r.left(), r.top(), r.width(), r.height());
}

void TPopupForm::Close()
{
    if (FClosing)
        return;
    FClosing = true;
    FShowing = false;
    FWatcher->Stop();
    SetVisible(false);
    if (OnClose)
        OnClose(this);
    // Freed once the event that closed it has returned.
    std::weak_ptr<bool> alive = FAlive;
    QTimer::singleShot(0, [alive, this] {
        if (alive.lock())
            Free();
    });
}

void TPopupForm::WndProc(TMessage& message)
{
    if (message.Msg == WM_NCACTIVATE) {
        if (message.WParam == 0)
            Deactivated();
        message.Result = 1;
        return;
    }
    TWinControl::WndProc(message);
}

void TPopupForm::Deactivated() { Close(); }

bool TPopupForm::PreviewKey(std::uint16_t key, TShiftState shift)
{
    std::uint16_t k = key;
    KeyDown(k, shift);
    return k == 0;
}

void TPopupForm::PeerHidden()
{
    if (!FShowing || FClosing)
        return;
    FShowing = false;
    Perform(WM_NCACTIVATE, 0);
}

} // namespace kv
