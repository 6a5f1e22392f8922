#include "graphics/KvGrids.Effect.h"

#include "graphics/KvGrids.Common.Sprites.h"
#include "platform/ui/Timers.h"

#include <QtCore/QElapsedTimer>

#include <algorithm>

namespace kv {

namespace {

std::int64_t SteadyMilliseconds()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

} // namespace

// --- TKvGridAnimation ---------------------------------------------------------------------

TKvGridAnimation::TKvGridAnimation(const QString& name, std::uint32_t startDelay, std::uint32_t duration)
    : FName(name), FStartDelay(startDelay), FDuration(std::max<std::uint32_t>(duration, 1))
{
}

void TKvGridAnimation::SetStartDelay(std::uint32_t value)
{
    if (value != FStartDelay)
        FStartDelay = value;
}

void TKvGridAnimation::SetDuration(std::uint32_t value)
{
    value = std::max<std::uint32_t>(value, 1);
    if (value != FDuration)
        FDuration = value;
}

void TKvGridAnimation::Start()
{
    DoPrepare();
    DoStart();
}

void TKvGridAnimation::Animate(double progress)
{
    DoAnimate(progress);
}

void TKvGridAnimation::Stop()
{
    DoStop();
}

// --- TKvGridAnimator ----------------------------------------------------------------------

// Hears when the grid is freed.
class TKvGridAnimator::TOwnerLink : public TComponent
{
public:
    TOwnerLink(TKvGridAnimator* animator, TComponent* owner) : TComponent(nullptr), FAnimator(animator), FWatched(owner)
    {
        owner->FreeNotification(this);
    }
    ~TOwnerLink() override
    {
        if (FWatched)
            FWatched->RemoveFreeNotification(this);
    }

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == FWatched) {
            FWatched = nullptr;
            FAnimator->OwnerFreed();
        }
    }

private:
    TKvGridAnimator* FAnimator;
    TComponent* FWatched;
};

TKvGridAnimator::TKvGridAnimator(TKvSpriteControl* grid, TKvAnimationClock clock)
    : FOwner(grid), FClock(clock ? std::move(clock) : TKvAnimationClock(&SteadyMilliseconds))
{
    if (grid)
        FOwnerLink = MakeOwned<TOwnerLink>(this, grid);
}

TKvGridAnimator::~TKvGridAnimator()
{
    *FAlive = false;
    FreeTimer();
    FOwnerLink.reset();
}

void TKvGridAnimator::OwnerFreed()
{
    // The grid is going: no more ticks, and nothing reaches it any more. The animations are
    // not told to stop, as they may point into the grid that is being freed.
    FOwner = nullptr;
    FreeTimer();
}

void TKvGridAnimator::FreeTimer()
{
    if (!FTimer)
        return;
    // Cleared before it goes, so that GetRunning is false while the timer is freed.
    const TOwned<TTimer> timer = std::move(FTimer);
    timer->SetEnabled(false);
}

TKvGridAnimator::TRunInfo* TKvGridAnimator::Find(IKvGridAnimation* animation, size_t hint)
{
    if (hint < FItems.size() && FItems[hint].Animation.get() == animation)
        return &FItems[hint];
    for (TRunInfo& info : FItems)
        if (info.Animation.get() == animation)
            return &info;
    return nullptr;
}

bool TKvGridAnimator::Contains(IKvGridAnimation* animation) const
{
    return const_cast<TKvGridAnimator*>(this)->Find(animation) != nullptr;
}

TKvGridAnimator::TRunState TKvGridAnimator::GetState(IKvGridAnimation* animation) const
{
    const TRunInfo* info = const_cast<TKvGridAnimator*>(this)->Find(animation);
    return info ? info->State : Stopped;
}

void TKvGridAnimator::Add(const IntfPtr<IKvGridAnimation>& animation)
{
    if (!animation)
        throw EArgumentNilException(QStringLiteral("animation is nil"));
    if (Find(animation.get()))
        return;
    FItems.push_back(TRunInfo{animation, FClock(), Ready});
}

void TKvGridAnimator::Remove(IKvGridAnimation* animation)
{
    const auto it = std::find_if(FItems.begin(), FItems.end(),
                                 [&](const TRunInfo& info) { return info.Animation.get() == animation; });
    if (it != FItems.end())
        FItems.erase(it);
}

void TKvGridAnimator::Clear()
{
    FItems.clear();
}

void TKvGridAnimator::Start()
{
    if (FTimer)
        Stop();
    ++FRun;
    FStarted = FClock();
    for (TRunInfo& info : FItems) {
        info.Stamp = FStarted;
        info.State = Ready;
    }
    FTimer = MakeOwned<TTimer>(nullptr);
    FTimer->SetInterval(Interval);
    FTimer->OnTimer = [this](TObject*) { DoTimer(); };
}

void TKvGridAnimator::Stop()
{
    if (!FTimer)
        return;
    FreeTimer();
    ++FRun;
    const std::shared_ptr<bool> alive = FAlive;
    std::vector<IntfPtr<IKvGridAnimation>> animations;
    for (const TRunInfo& info : FItems)
        animations.push_back(info.Animation);
    for (const auto& animation : animations) {
        animation->Stop();
        if (!*alive)
            return;
    }
}

void TKvGridAnimator::DoTimer()
{
    const std::shared_ptr<bool> alive = FAlive;
    const unsigned run = FRun;
    // A hook that frees, stops or restarts the animator ends the tick.
    const auto over = [&] { return !*alive || FRun != run; };
    // A snapshot keeps every animation alive while its hooks run; one removed meanwhile
    // is skipped.
    std::vector<IntfPtr<IKvGridAnimation>> animations;
    animations.reserve(FItems.size());
    for (const TRunInfo& info : FItems)
        animations.push_back(info.Animation);
    bool changed = false;
    for (size_t i = 0; i < animations.size(); ++i) {
        const IntfPtr<IKvGridAnimation>& animation = animations[i];
        TRunInfo* info = Find(animation.get(), i);
        if (!info)
            continue;
        const std::int64_t now = FClock();
        const std::int64_t m = std::max<std::int64_t>(0, now - info->Stamp);
        switch (info->State) {
        case Ready:
            if (m >= static_cast<std::int64_t>(animation->GetStartDelay())) {
                animation->Start();
                if (over())
                    return;
                if ((info = Find(animation.get(), i))) {
                    info->Stamp = FClock();
                    info->State = Running;
                }
                changed = true;
            }
            break;
        case Running: {
            const std::int64_t duration = std::max<std::uint32_t>(animation->GetDuration(), 1);
            if (m < duration) {
                const double t = static_cast<double>(m) / static_cast<double>(duration);
                animation->Animate(t * t);
            } else {
                animation->Stop();
                if (over())
                    return;
                if ((info = Find(animation.get(), i)))
                    info->State = Stopped;
                changed = true;
            }
            break;
        }
        case Stopped: break;
        }
        if (over())
            return;
    }
    if (changed && FOwner)
        FOwner->Update();
}

} // namespace kv
