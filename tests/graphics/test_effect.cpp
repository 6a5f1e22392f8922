// Cell animations driven by the animator, on an injected clock and on the real timer.
#include "graphics/KvGrids.Effect.h"

#include "test_sprites_support.h"

#include "TestSupport.h"

using namespace kv;
using namespace kvtest;

namespace {

class TRecordingAnimation : public TKvGridCellChangeAnimation
{
public:
    TRecordingAnimation(const QString& name, std::uint32_t delay, std::uint32_t duration, std::vector<std::string>* log)
        : TKvGridCellChangeAnimation(name, delay, duration), Log(log)
    {
    }
    std::vector<std::string>* Log;
    std::vector<double> Progress;
    std::function<void()> OnStart;

protected:
    void DoPrepare() override { Log->push_back(GetName().toStdString() + ":prepare"); }
    void DoStart() override
    {
        Log->push_back(GetName().toStdString() + ":start");
        if (OnStart)
            OnStart();
    }
    void DoAnimate(double progress) override { Progress.push_back(progress); }
    void DoStop() override { Log->push_back(GetName().toStdString() + ":stop"); }
};

struct TFakeClock
{
    std::int64_t Now = 1000;
    TKvAnimationClock Clock()
    {
        return [this] { return Now; };
    }
};

} // namespace

TEST(Effect, AnimationsRunFromReadyThroughRunningToStopped)
{
    TOwned<TTestHost> grid(Create<TTestHost>(nullptr));
    TFakeClock clock;
    std::vector<std::string> log;
    auto animator = MakeIntf<TKvGridAnimator>(grid.get(), clock.Clock());
    auto now = MakeIntf<TRecordingAnimation>(QStringLiteral("now"), 0, 100, &log);
    auto later = MakeIntf<TRecordingAnimation>(QStringLiteral("later"), 50, 40, &log);
    animator->Add(now);
    animator->Add(later);
    animator->Add(now); // a repeat is ignored
    EXPECT_EQ(animator->GetCount(), 2);
    KV_EXPECT_THROW_MSG(animator->Add(nullptr), EArgumentNilException, "animation is nil");

    animator->Start();
    EXPECT_TRUE(animator->GetRunning());
    const int updates = grid->Updates;

    // First tick: a start delay of 0 starts at once; "later" waits.
    animator->DoTimer();
    EXPECT_EQ(log, (std::vector<std::string>{"now:prepare", "now:start"}));
    EXPECT_EQ(animator->GetState(now.get()), TKvGridAnimator::Running);
    EXPECT_EQ(animator->GetState(later.get()), TKvGridAnimator::Ready);
    EXPECT_EQ(grid->Updates, updates + 1);

    // 50 ms on: "now" is half way, so progress is 0.25; "later" starts.
    clock.Now += 50;
    animator->DoTimer();
    ASSERT_EQ(now->Progress.size(), 1u);
    EXPECT_DOUBLE_EQ(now->Progress[0], 0.25);
    EXPECT_EQ(animator->GetState(later.get()), TKvGridAnimator::Running);
    EXPECT_EQ(grid->Updates, updates + 2);

    // A tick that changes no state does not repaint.
    clock.Now += 10;
    animator->DoTimer();
    EXPECT_EQ(grid->Updates, updates + 2);
    ASSERT_EQ(later->Progress.size(), 1u);
    EXPECT_DOUBLE_EQ(later->Progress[0], 0.0625); // (10 / 40) squared

    // 100 ms after its start "now" stops; 40 ms after its start "later" stops too.
    clock.Now += 40;
    animator->DoTimer();
    EXPECT_EQ(animator->GetState(now.get()), TKvGridAnimator::Stopped);
    EXPECT_EQ(animator->GetState(later.get()), TKvGridAnimator::Stopped);
    EXPECT_EQ(std::count(log.begin(), log.end(), "now:stop"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "later:stop"), 1);
    clock.Now += 1000;
    animator->DoTimer();
    EXPECT_EQ(std::count(log.begin(), log.end(), "now:stop"), 1);

    // Stop tells every animation; Start again makes them Ready.
    animator->Stop();
    EXPECT_FALSE(animator->GetRunning());
    EXPECT_EQ(std::count(log.begin(), log.end(), "now:stop"), 2);
    animator->Start();
    EXPECT_EQ(animator->GetState(now.get()), TKvGridAnimator::Ready);
    animator->Remove(now.get());
    EXPECT_FALSE(animator->Contains(now.get()));
    animator->Clear();
    EXPECT_EQ(animator->GetCount(), 0);
}

TEST(Effect, QueriesLeaveAFreshAnimationAlive)
{
    // A raw pointer becomes a counted reference only when asked, so a query cannot free it.
    static_assert(!std::is_convertible_v<TKvGridAnimation*, IntfPtr<IKvGridAnimation>>);
    static_assert(!std::is_convertible_v<IKvGridAnimation*, IntfPtr<IKvGridAnimation>>);
    TOwned<TTestHost> grid(Create<TTestHost>(nullptr));
    auto animator = MakeIntf<TKvGridAnimator>(grid.get());
    std::vector<std::string> log;
    auto a = MakeIntf<TRecordingAnimation>(QStringLiteral("a"), 0, 10, &log);
    EXPECT_EQ(a->RefCount(), 1);
    EXPECT_FALSE(animator->Contains(a.get()));
    EXPECT_EQ(animator->GetState(a.get()), TKvGridAnimator::Stopped);
    animator->Remove(a.get());
    EXPECT_EQ(a->RefCount(), 1);
    animator->Add(a);
    EXPECT_TRUE(animator->Contains(a.get()));
    EXPECT_EQ(a->RefCount(), 2);
    animator->Remove(a.get());
    EXPECT_EQ(a->RefCount(), 1);
}

TEST(Effect, DurationIsAtLeastOneMillisecond)
{
    std::vector<std::string> log;
    auto a = MakeIntf<TRecordingAnimation>(QStringLiteral("a"), 5, 0, &log);
    EXPECT_EQ(a->GetDuration(), 1u);
    a->SetDuration(300);
    EXPECT_EQ(a->GetDuration(), 300u);
    a->SetDuration(0);
    EXPECT_EQ(a->GetDuration(), 1u);
    a->SetStartDelay(7);
    EXPECT_EQ(a->GetStartDelay(), 7u);
}

TEST(Effect, TheAnimatorNeverTouchesAFreedGrid)
{
    auto* grid = Create<TTestHost>(nullptr);
    TFakeClock clock;
    std::vector<std::string> log;
    auto animator = MakeIntf<TKvGridAnimator>(grid, clock.Clock());
    auto a = MakeIntf<TRecordingAnimation>(QStringLiteral("a"), 0, 10, &log);
    animator->Add(a);
    animator->Start();
    grid->Free();
    EXPECT_EQ(animator->GetOwner(), nullptr);
    EXPECT_FALSE(animator->GetRunning());
    // A tick driven by hand still runs the animations but repaints nothing (ASan checks).
    animator->DoTimer();
    EXPECT_EQ(log, (std::vector<std::string>{"a:prepare", "a:start"}));

    // An animator freed first lets go of the grid's free notification.
    auto* grid2 = Create<TTestHost>(nullptr);
    {
        auto other = MakeIntf<TKvGridAnimator>(grid2);
        other->Start();
    }
    grid2->Free();
}

// An animator over a host with two recorded animations "first" and "second".
struct TwoAnimations : ::testing::Test
{
    TOwned<TTestHost> grid{Create<TTestHost>(nullptr)};
    TFakeClock clock;
    std::vector<std::string> log;
    IntfPtr<TKvGridAnimator> animator = MakeIntf<TKvGridAnimator>(grid.get(), clock.Clock());
    IntfPtr<TRecordingAnimation> first = MakeIntf<TRecordingAnimation>(QStringLiteral("first"), 0, 10, &log);
    IntfPtr<TRecordingAnimation> second = MakeIntf<TRecordingAnimation>(QStringLiteral("second"), 0, 10, &log);
    TKvGridAnimator* raw = animator.get();

    void SetUp() override
    {
        animator->Add(first);
        animator->Add(second);
    }
};

TEST_F(TwoAnimations, HooksMayRemoveAnimationsOrStopTheAnimator)
{
    first->OnStart = [&] { raw->Remove(second.get()); };
    animator->Start();
    animator->DoTimer();
    EXPECT_EQ(log, (std::vector<std::string>{"first:prepare", "first:start"}));

    // The last reference to the animator released from a hook.
    animator->Add(second);
    animator->Start(); // restarting stops first: every animation hears Stop
    EXPECT_EQ(log.back(), "second:stop");
    log.clear();
    second->OnStart = nullptr;
    first->OnStart = [&] { animator = nullptr; };
    raw->DoTimer();
    EXPECT_EQ(log, (std::vector<std::string>{"first:prepare", "first:start"}));
}

TEST_F(TwoAnimations, StoppingFromAHookEndsTheTick)
{
    first->OnStart = [&] { raw->Stop(); };
    animator->Start();
    animator->DoTimer();
    // Both heard Stop; the second was never started after the animator stopped.
    EXPECT_EQ(log, (std::vector<std::string>{"first:prepare", "first:start", "first:stop", "second:stop"}));
    EXPECT_FALSE(animator->GetRunning());
    EXPECT_EQ(animator->GetState(second.get()), TKvGridAnimator::Ready);

    // Restarting from a hook: the new run begins afresh with every animation Ready.
    log.clear();
    first->OnStart = [&] {
        first->OnStart = nullptr;
        raw->Start();
    };
    animator->Start();
    animator->DoTimer();
    EXPECT_TRUE(animator->GetRunning());
    EXPECT_EQ(animator->GetState(first.get()), TKvGridAnimator::Ready);
    EXPECT_EQ(animator->GetState(second.get()), TKvGridAnimator::Ready);
    animator->DoTimer();
    EXPECT_EQ(animator->GetState(first.get()), TKvGridAnimator::Running);
    EXPECT_EQ(animator->GetState(second.get()), TKvGridAnimator::Running);
    animator->Stop();
}

TEST(Effect, TheRealTimerTicksEveryTwentyMilliseconds)
{
    TOwned<TTestHost> grid(Create<TTestHost>(nullptr));
    std::vector<std::string> log;
    auto animator = MakeIntf<TKvGridAnimator>(grid.get());
    auto a = MakeIntf<TRecordingAnimation>(QStringLiteral("a"), 20, 40, &log);
    animator->Add(a);
    animator->Start();
    WaitUntil([&] { return animator->GetState(a.get()) == TKvGridAnimator::Stopped; }, "the animation ran to its end");
    EXPECT_EQ(animator->GetState(a.get()), TKvGridAnimator::Stopped);
    EXPECT_EQ(log, (std::vector<std::string>{"a:prepare", "a:start", "a:stop"}));
    for (double p : a->Progress) {
        EXPECT_GE(p, 0.0);
        EXPECT_LT(p, 1.0);
    }
    animator->Stop();
}
