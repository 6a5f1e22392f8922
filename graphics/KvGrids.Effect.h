// Timed cell animations: an animation has a start delay and a duration; an animator drives
// any number of them from one 20 ms timer and repaints its grid when one starts or stops.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Interfaces.h"

#include <QtCore/QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kv {

class TKvSpriteControl;
class TTimer;

class IKvGridAnimation : public virtual IInterface
{
public:
    virtual std::uint32_t GetStartDelay() const = 0;
    virtual void SetStartDelay(std::uint32_t value) = 0;
    virtual std::uint32_t GetDuration() const = 0;
    virtual void SetDuration(std::uint32_t value) = 0;
    virtual void Start() = 0;
    // progress runs from 0 towards 1.
    virtual void Animate(double progress) = 0;
    virtual void Stop() = 0;
};

// Start calls DoPrepare and then DoStart, Animate calls DoAnimate, Stop calls DoStop.
class TKvGridAnimation : public TInterfacedObject, public IKvGridAnimation
{
protected:
    friend class TCreateAccess;
    TKvGridAnimation(const QString& name, std::uint32_t startDelay, std::uint32_t duration);

public:

    const QString& GetName() const { return FName; }
    std::uint32_t GetStartDelay() const override { return FStartDelay; }
    void SetStartDelay(std::uint32_t value) override;
    std::uint32_t GetDuration() const override { return FDuration; }
    // At least 1.
    void SetDuration(std::uint32_t value) override;

    void Start() override;
    void Animate(double progress) override;
    void Stop() override;

protected:
    virtual void DoPrepare() = 0;
    virtual void DoStart() = 0;
    virtual void DoAnimate(double progress) = 0;
    virtual void DoStop() = 0;

private:
    QString FName;
    std::uint32_t FStartDelay;
    std::uint32_t FDuration;
};

class TKvGridCellAnimation : public TKvGridAnimation
{
public:
    using TKvGridAnimation::TKvGridAnimation;
};

class TKvGridCellChangeAnimation : public TKvGridCellAnimation
{
public:
    using TKvGridCellAnimation::TKvGridCellAnimation;
};

class TKvGridCellAlertAnimation : public TKvGridCellAnimation
{
public:
    using TKvGridCellAnimation::TKvGridCellAnimation;
};

// Milliseconds from a steady clock.
using TKvAnimationClock = std::function<std::int64_t()>;

class TKvGridAnimator : public TInterfacedObject
{
protected:
    friend class TCreateAccess;
    explicit TKvGridAnimator(TKvSpriteControl* grid, TKvAnimationClock clock = {});

public:
    enum TRunState : std::uint8_t { Ready = 0, Running = 1, Stopped = 2 };

    // The grid is repainted after a tick that started or stopped an animation. When the grid
    // is freed first, the animator stops its timer and never touches the grid again. The
    // clock defaults to a steady millisecond clock.
    ~TKvGridAnimator() override;

    TKvSpriteControl* GetOwner() const { return FOwner; }
    // Raises EArgumentNilException "animation is nil" for null; a repeat is ignored.
    void Add(const IntfPtr<IKvGridAnimation>& animation);
    void Remove(IKvGridAnimation* animation);
    void Clear();
    int GetCount() const { return static_cast<int>(FItems.size()); }
    bool Contains(IKvGridAnimation* animation) const;
    // The run state of an animation; Stopped for one that is not here.
    TRunState GetState(IKvGridAnimation* animation) const;

    void Start();
    void Stop();
    bool GetRunning() const { return FTimer != nullptr; }

    // One tick of the timer (every 20 ms while running).
    void DoTimer();

    static constexpr unsigned Interval = 20;

private:
    class TOwnerLink;
    struct TRunInfo
    {
        IntfPtr<IKvGridAnimation> Animation;
        std::int64_t Stamp = 0;
        TRunState State = Ready;
    };
    // Looks at index hint first (where a tick expects it), then everywhere.
    TRunInfo* Find(IKvGridAnimation* animation, size_t hint = 0);
    void OwnerFreed();
    void FreeTimer();

    TKvSpriteControl* FOwner;
    std::vector<TRunInfo> FItems;
    std::int64_t FStarted = 0;
    // Counts starts and stops, so that a tick sees one from its hooks.
    unsigned FRun = 0;
    TOwned<TTimer> FTimer;
    TKvAnimationClock FClock;
    TOwned<TOwnerLink> FOwnerLink;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

} // namespace kv
