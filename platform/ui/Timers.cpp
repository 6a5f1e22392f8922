#include "platform/ui/Timers.h"

#include "platform/ui/MessageBox.h"

#include <QtCore/QTimer>

#include <algorithm>
#include <exception>

namespace kv {

TTimer::TTimer(TComponent* owner) : TComponent(owner), FTimer(new QTimer())
{
    FTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(FTimer, &QTimer::timeout, FTimer, [this]() { Tick(); });
    UpdateTimer();
}

TTimer::~TTimer()
{
    *FAlive = false;
    QObject::disconnect(FTimer, nullptr, nullptr, nullptr);
    FTimer->stop();
    if (FFiring)
        FTimer->deleteLater(); // freed from its own tick: Qt is still inside the timer
    else
        delete FTimer;
}

void TTimer::SetInterval(unsigned value)
{
    if (ChangeField(FInterval, value))
        UpdateTimer();
}

void TTimer::SetEnabled(bool value)
{
    if (ChangeField(FEnabled, value))
        UpdateTimer();
}

void TTimer::UpdateTimer()
{
    FTimer->stop();
    if (FEnabled && FInterval > 0)
        FTimer->start(static_cast<int>(std::min<unsigned>(FInterval, 0x7FFFFFFF)));
}

void TTimer::Tick()
{
    // The handler may free this timer; then nothing of it is touched afterwards.
    const std::shared_ptr<bool> alive = FAlive;
    FFiring = true;
    // An exception must not cross Qt's event dispatch: the user sees it and the tick is dropped.
    try {
        Timer();
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(QStringLiteral("Unknown exception in a timer"));
    }
    if (*alive)
        FFiring = false;
}

void TTimer::Timer()
{
    if (OnTimer)
        OnTimer(this);
}

} // namespace kv
