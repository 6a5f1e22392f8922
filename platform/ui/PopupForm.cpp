#include "platform/ui/PopupForm.h"

#include "platform/ui/ControlPeer.h"

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

namespace kv {

// Watches the form's window: keys pressed anywhere in it (key preview) and Qt hiding it.
class TPopupForm::TWatcher : public QObject
{
public:
    explicit TWatcher(TPopupForm* form) : FForm(form) {}

    void Start(QWidget* window)
    {
        FWindow = window;
        window->installEventFilter(this);
        if (qApp)
            qApp->installEventFilter(this);
    }
    void Stop()
    {
        if (FWindow)
            FWindow->removeEventFilter(this);
        if (qApp)
            qApp->removeEventFilter(this);
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
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != FWindow.data())
            return false;
        // A key that an ignoring child passes on to its parent is the same event: once only.
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke == FLastKey && ke->timestamp() == FLastStamp)
            return false;
        FLastKey = ke;
        FLastStamp = ke->timestamp();
        const std::uint16_t key = VirtualKeyFromQt(ke->key(), ke->modifiers());
        if (key == 0)
            return false;
        return FForm->PreviewKey(key, ShiftStateFromQt(ke->modifiers(), Qt::NoButton));
    }

private:
    TPopupForm* FForm;
    QPointer<QWidget> FWindow;
    const QKeyEvent* FLastKey = nullptr;
    quint64 FLastStamp = 0;
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
