#include "TestSupport.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/ScopeGuard.h"

#include <stdexcept>

using namespace kv;

namespace {

class TTarget : public TComponent
{
public:
    using TComponent::TComponent;
};

// Holds a reference to a component and writes down what it sees of it while it goes.
class THolder : public TComponent
{
public:
    using TComponent::TComponent;
    ~THolder() override
    {
        if (SeenAtDestroy)
            *SeenAtDestroy = Ref.Get();
    }
    void BeforeDestruction() override
    {
        if (SeenAtBeforeDestruction)
            *SeenAtBeforeDestruction = Ref.Get();
        TComponent::BeforeDestruction();
    }

    TComponentRef<TTarget> Ref{TNotifyHolder{this}};
    TComponentRef<TTarget> Other{TNotifyHolder{this}};
    // What Notification found: the component, and what the reference pointed to then.
    std::vector<std::pair<TComponent*, TTarget*>> Told;
    TTarget** SeenAtDestroy = nullptr;
    TTarget** SeenAtBeforeDestruction = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove && (component == Ref || component == Other))
            Told.emplace_back(component, Ref.Get());
    }
};

// A holder that is no component.
struct TPlainHolder
{
    TComponentRef<TTarget> Ref;
};

} // namespace

TEST(ComponentRef, ClearsWhenTheComponentIsFreedFirst)
{
    TTarget* target = Create<TTarget>(nullptr);
    THolder* holder = Create<THolder>(nullptr);
    auto plain = std::make_unique<TPlainHolder>();
    holder->Ref = target;
    plain->Ref = target;
    EXPECT_EQ(holder->Ref.Get(), target);
    EXPECT_EQ(plain->Ref.Get(), target);
    EXPECT_TRUE(plain->Ref);

    target->Free();
    EXPECT_EQ(holder->Ref.Get(), nullptr);
    EXPECT_EQ(plain->Ref.Get(), nullptr);
    EXPECT_FALSE(plain->Ref);
    // The holder was told once, while its reference still pointed at the component.
    ASSERT_EQ(holder->Told.size(), 1u);
    EXPECT_EQ(holder->Told[0].first, static_cast<TComponent*>(target));
    EXPECT_EQ(holder->Told[0].second, target);

    // A plain delete clears as well.
    TTarget* deleted = Create<TTarget>(nullptr);
    plain->Ref = deleted;
    delete deleted;
    EXPECT_EQ(plain->Ref.Get(), nullptr);
    holder->Free();
}

TEST(ComponentRef, HolderFreedFirstLeavesNothingBehind)
{
    // Under the address sanitizer, a reference left in the component's list would be written
    // to when the component is freed after its holders.
    TTarget* target = Create<TTarget>(nullptr);
    THolder* holder = Create<THolder>(nullptr);
    holder->Ref = target;
    holder->Other = target;
    {
        TPlainHolder plain;
        plain.Ref = target;
        auto heap = std::make_unique<TPlainHolder>();
        heap->Ref = target;
    }
    holder->Free();
    // The component no longer tells the freed holder either.
    THolder* second = Create<THolder>(nullptr);
    second->Ref = target;
    target->Free();
    EXPECT_EQ(second->Ref.Get(), nullptr);
    EXPECT_EQ(second->Told.size(), 1u);
    second->Free();
}

TEST(ComponentRef, OwnerFreesHolderAndComponentInEitherOrder)
{
    for (const bool holderFirst : {true, false}) {
        SCOPED_TRACE(holderFirst ? "holder made first" : "component made first");
        TComponent* owner = Create<TTarget>(nullptr);
        THolder* holder = nullptr;
        TTarget* target = nullptr;
        if (holderFirst) {
            holder = Create<THolder>(owner);
            target = Create<TTarget>(owner);
        } else {
            target = Create<TTarget>(owner);
            holder = Create<THolder>(owner);
        }
        holder->Ref = target;
        holder->Other = target;
        TTarget* seenAtBeforeDestruction = reinterpret_cast<TTarget*>(1);
        TTarget* seenAtDestroy = reinterpret_cast<TTarget*>(1);
        holder->SeenAtBeforeDestruction = &seenAtBeforeDestruction;
        holder->SeenAtDestroy = &seenAtDestroy;
        // The owner frees the last made first.
        owner->Free();
        if (holderFirst) {
            // The component went first: the holder saw nothing of it any more.
            EXPECT_EQ(seenAtBeforeDestruction, nullptr);
            EXPECT_EQ(seenAtDestroy, nullptr);
        } else {
            // The holder went first, with the component still there.
            EXPECT_EQ(seenAtBeforeDestruction, target);
            EXPECT_EQ(seenAtDestroy, target);
        }
    }

    // A holder that owns what it points to, and a component that owns its holder.
    THolder* parent = Create<THolder>(nullptr);
    parent->Ref = Create<TTarget>(parent);
    parent->Free();
    TTarget* container = Create<TTarget>(nullptr);
    THolder* inner = Create<THolder>(container);
    inner->Ref = container;
    container->Free();
}

TEST(ComponentRef, ReassignmentCopiesAndNull)
{
    TTarget* a = Create<TTarget>(nullptr);
    TTarget* b = Create<TTarget>(nullptr);
    THolder* holder = Create<THolder>(nullptr);
    EXPECT_EQ(holder->Ref.Get(), nullptr);
    holder->Ref = nullptr;
    EXPECT_FALSE(ChangeReference(holder->Ref, nullptr));

    EXPECT_TRUE(ChangeReference(holder->Ref, a));
    EXPECT_FALSE(ChangeReference(holder->Ref, a));
    EXPECT_TRUE(ChangeReference(holder->Ref, b));
    // The reference left a: freeing a touches it not, nor tells the holder.
    a->Free();
    EXPECT_EQ(holder->Ref.Get(), b);
    EXPECT_TRUE(holder->Told.empty());

    // Two references of one holder to one component: letting go of one keeps the notice of
    // the other.
    holder->Other = b;
    holder->Ref = nullptr;
    TComponentRef<TTarget> copy(holder->Other);
    std::vector<TComponentRef<TTarget>> many;
    for (int i = 0; i < 20; ++i)
        many.push_back(copy);
    TComponentRef<TTarget> assigned;
    assigned = copy;
    EXPECT_EQ(copy.Get(), b);
    EXPECT_EQ(assigned.Get(), b);
    b->Free();
    ASSERT_EQ(holder->Told.size(), 1u);
    EXPECT_EQ(holder->Other.Get(), nullptr);
    EXPECT_EQ(copy.Get(), nullptr);
    EXPECT_EQ(assigned.Get(), nullptr);
    for (const auto& ref : many)
        EXPECT_EQ(ref.Get(), nullptr);
    holder->Free();
}

TEST(ScopeGuard, RunsOnExceptionAndOnNormalExit)
{
    int ended = 0;
    {
        TScopeExit end([&] { ++ended; });
    }
    EXPECT_EQ(ended, 1);
    EXPECT_THROW(
        {
            TScopeExit end([&] { ++ended; });
            throw std::runtime_error("work failed");
        },
        std::runtime_error);
    EXPECT_EQ(ended, 2);
    {
        TScopeExit end([&] { ++ended; });
        end.Dismiss();
    }
    EXPECT_EQ(ended, 2);

    // Left normally, the action's exception reaches the caller; left by an exception, the first
    // exception is the one that leaves.
    EXPECT_THROW({ TScopeExit end([] { throw std::logic_error("end failed"); }); }, std::logic_error);
    try {
        TScopeExit end([] { throw std::logic_error("end failed"); });
        throw std::runtime_error("work failed");
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "work failed");
    }

    QString name = QStringLiteral("old");
    EXPECT_THROW(
        {
            TRestore<QString> restore(name, QStringLiteral("new"));
            EXPECT_EQ(name, QStringLiteral("new"));
            throw std::runtime_error("load failed");
        },
        std::runtime_error);
    EXPECT_EQ(name, QStringLiteral("old"));
    {
        TRestore<QString> restore(name, QStringLiteral("new"));
        restore.Commit();
    }
    EXPECT_EQ(name, QStringLiteral("new"));
    bool busy = false;
    {
        TRestore<bool> restore(busy, true);
        EXPECT_TRUE(busy);
    }
    EXPECT_FALSE(busy);
}
