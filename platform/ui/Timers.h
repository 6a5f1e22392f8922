// TTimer: a component that calls OnTimer every Interval milliseconds while enabled.
#pragma once

#include "platform/rtl/Classes.h"

#include <functional>
#include <memory>

class QTimer;

namespace kv {

class TTimer : public TComponent
{
protected:
    friend class TCreateAccess;
    explicit TTimer(TComponent* owner);

public:
    ~TTimer() override;

    unsigned GetInterval() const { return FInterval; }
    // 0 stops the timer.
    void SetInterval(unsigned value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);

    std::function<void(TObject* sender)> OnTimer;

protected:
    virtual void Timer();

private:
    void UpdateTimer();
    void Tick();

    QTimer* FTimer;
    unsigned FInterval = 1000;
    bool FEnabled = true;
    bool FFiring = false;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

} // namespace kv
