#include "TestSupport.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Interfaces.h"
#include "platform/rtl/Listeners.h"
#include "platform/rtl/Sets.h"
#include "platform/rtl/Trace.h"

#include <QtCore/QFile>
#include <stdexcept>

using namespace kv;

namespace {

std::vector<QString>* gLog = nullptr;

class TProbe : public TComponent
{
public:
    using TComponent::TComponent;
    ~TProbe() override
    {
        if (gLog)
            gLog->push_back(QStringLiteral("destroy ") + GetName());
    }
    void AfterConstruction() override
    {
        if (gLog)
            gLog->push_back(QStringLiteral("construct ") + ClassName());
    }
    std::vector<std::pair<QString, TOperation>> Seen;
    TComponent* Peer = nullptr;

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        Seen.emplace_back(c->GetName(), op);
        if (op == opRemove && c == Peer)
            Peer = nullptr;
    }
};

class TCounted : public TInterfacedObject
{
public:
    explicit TCounted(bool* freed) : FFreed(freed) {}
    ~TCounted() override { *FFreed = true; }
    // Takes and drops a reference to itself while being freed.
    void BeforeDestruction() override { IntfPtr<TCounted> self(this); }

private:
    bool* FFreed;
};

struct TListener
{
    int Calls = 0;
};

} // namespace

TEST(Components, OwnershipNamesAndNotification)
{
    std::vector<QString> log;
    gLog = &log;
    TProbe* root = Create<TProbe>(nullptr);
    root->SetName(QStringLiteral("Root"));
    TProbe* a = Create<TProbe>(root);
    a->SetName(QStringLiteral("A"));
    TProbe* b = Create<TProbe>(root);
    b->SetName(QStringLiteral("B"));
    EXPECT_EQ(log.front(), QStringLiteral("construct TProbe"));
    EXPECT_EQ(root->GetComponentCount(), 2);
    EXPECT_EQ(root->FindComponent(QStringLiteral("b")), b);
    EXPECT_EQ(b->GetComponentIndex(), 1);
    KV_EXPECT_THROW_MSG(b->SetName(QStringLiteral("a")), EComponentError, "A component named a already exists");
    EXPECT_THROW(b->SetName(QStringLiteral("1x")), EComponentError);
    EXPECT_EQ(b->GetName(), QStringLiteral("B"));

    // A free-notified peer outside the owner hears of the freeing and clears its link.
    TProbe* watcher = Create<TProbe>(nullptr);
    watcher->Peer = a;
    watcher->FreeNotification(a);
    a->Free();
    EXPECT_EQ(watcher->Peer, nullptr);
    EXPECT_EQ(root->GetComponentCount(), 1);
    // The owner heard the removal too.
    ASSERT_FALSE(root->Seen.empty());
    EXPECT_EQ(root->Seen.back().first, QStringLiteral("A"));
    EXPECT_EQ(root->Seen.back().second, opRemove);

    // Freeing the owner frees what it owns after its own destructor body has run.
    log.clear();
    root->Free();
    EXPECT_EQ(log, (std::vector<QString>{QStringLiteral("destroy Root"), QStringLiteral("destroy B")}));
    watcher->Free();
    gLog = nullptr;
}

TEST(Components, DestroyingStateAndPlainDelete)
{
    TProbe* owner = Create<TProbe>(nullptr);
    TProbe* child = Create<TProbe>(owner);
    TProbe* other = Create<TProbe>(nullptr);
    other->Peer = child;
    child->FreeNotification(other);
    // Deleting without Free still unlinks peers and owner.
    delete child;
    EXPECT_EQ(owner->GetComponentCount(), 0);
    EXPECT_EQ(other->Peer, nullptr);
    owner->BeforeDestruction();
    EXPECT_TRUE(owner->IsDestroying());
    delete owner;
    other->Free();
}

TEST(Components, AssignErrorNamesBothClasses)
{
    TOwned<TProbe> a(Create<TProbe>(nullptr));
    TOwned<TProbe> b(Create<TProbe>(nullptr));
    KV_EXPECT_THROW_MSG(a->Assign(b.get()), EConvertError, "Cannot assign a TProbe to a TProbe");
}

TEST(Interfaces, CountedObjectsFreeAtZero)
{
    bool freed = false;
    {
        auto p = MakeIntf<TCounted>(&freed);
        IntfPtr<IInterface> q = p;
        EXPECT_EQ(p->RefCount(), 2);
        p = nullptr;
        EXPECT_FALSE(freed);
    }
    EXPECT_TRUE(freed);
}

TEST(Listeners, OrderDuplicatesAndRemovalDuringNotify)
{
    TListenerList<TListener> list;
    TListener a, b, c;
    EXPECT_TRUE(list.Add(&a));
    EXPECT_FALSE(list.Add(&a));
    EXPECT_FALSE(list.Add(nullptr));
    list.Add(&b);
    list.Add(&c);
    std::vector<TListener*> order;
    list.Notify([&](TListener* l) {
        order.push_back(l);
        if (l == &a)
            list.Remove(&b); // b is skipped, c still reached
    });
    EXPECT_EQ(order, (std::vector<TListener*>{&a, &c}));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.Remove(&b));

    // A listener that throws ends the walk; removals made before it still take effect.
    EXPECT_THROW(list.Notify([&](TListener* l) {
        list.Remove(&a);
        if (l == &a)
            throw std::runtime_error("stop");
    }),
                 std::runtime_error);
    EXPECT_FALSE(list.Contains(&a));
    EXPECT_TRUE(list.Add(&a));
    order.clear();
    list.Notify([&](TListener* l) { order.push_back(l); });
    EXPECT_EQ(order, (std::vector<TListener*>{&c, &a}));

    // A listener added during a notification hears the next one, not this one.
    TListener late;
    order.clear();
    list.Notify([&](TListener* l) {
        order.push_back(l);
        list.Add(&late);
    });
    EXPECT_EQ(order, (std::vector<TListener*>{&c, &a}));
    order.clear();
    list.Notify([&](TListener* l) { order.push_back(l); });
    EXPECT_EQ(order, (std::vector<TListener*>{&c, &a, &late}));
}

TEST(Sets, Operations)
{
    enum E { X, Y, Z };
    TSet<E> s{X, Z};
    EXPECT_TRUE(s.Contains(X));
    EXPECT_FALSE(s.Contains(Y));
    EXPECT_TRUE((s - X) == TSet<E>{Z});
    EXPECT_TRUE((s + Y) == (TSet<E>{X, Y, Z}));
    EXPECT_TRUE((s * TSet<E>{Y, Z}) == TSet<E>{Z});
    EXPECT_TRUE(TSet<E>{X} <= s);
    EXPECT_FALSE(TSet<E>{Y} <= s);
}

TEST(Trace, PrefixAndCapture)
{
    TTraceCapture capture;
    TOwned<TProbe> probe(Create<TProbe>(nullptr));
    trace(static_cast<const TObject*>(nullptr), QStringLiteral("x"));
    trace(probe.get(), QStringLiteral("x"));
    trace("%d rows", 3);
    trace(nullptr, "y");
    trace(probe.get(), "%s of %d", "row", 2);
    trace(0.1);
    ASSERT_EQ(capture.Lines().size(), 6);
    EXPECT_EQ(capture.Lines()[0], QStringLiteral("x"));
    EXPECT_EQ(capture.Lines()[1], QStringLiteral("[TProbe] x"));
    EXPECT_EQ(capture.Lines()[2], QStringLiteral("3 rows"));
    EXPECT_EQ(capture.Lines()[3], QStringLiteral("y"));
    EXPECT_EQ(capture.Lines()[4], QStringLiteral("[TProbe] row of 2"));
    // Floats in their shortest round-trip form.
    EXPECT_EQ(capture.Lines()[5], QStringLiteral("0.1"));
}

TEST(Trace, DisabledByDefault)
{
    // Without KVGRIDS_TRACE=1 and without a capture, tracing is off.
    if (qgetenv("KVGRIDS_TRACE") != "1") {
        EXPECT_FALSE(TraceEnabled());
    }
    {
        TTraceCapture capture;
        EXPECT_TRUE(TraceEnabled());
    }
    if (qgetenv("KVGRIDS_TRACE") != "1") {
        EXPECT_FALSE(TraceEnabled());
    }
}

TEST(Trace, MessagesAreBuiltOnlyWhenTracing)
{
    int built = 0;
    const auto message = [&] {
        ++built;
        return QStringLiteral("row ") + QString::number(built);
    };
    if (!TraceEnabled()) {
        KV_TRACE(message());
        EXPECT_EQ(built, 0);
    }
    TTraceCapture capture;
    KV_TRACE(message());
    KV_TRACE("%d of %d", built, 2);
    EXPECT_EQ(built, 1);
    EXPECT_EQ(capture.Lines(), QStringList({QStringLiteral("row 1"), QStringLiteral("1 of 2")}));
}

TEST(IniFiles, ReadWriteRoundTrip)
{
    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, QStringLiteral("a.ini"), "; comment\n[Main]\nName = Grid\nCount=3\n\n[Other]\nx=1\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadSections(), (QStringList{QStringLiteral("Main"), QStringLiteral("Other")}));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("main")), (QStringList{QStringLiteral("Name"), QStringLiteral("Count")}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Main"), QStringLiteral("name")), QStringLiteral("Grid"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Main"), QStringLiteral("Count")), 3);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Main"), QStringLiteral("Name"), -1), -1);
    ini.WriteString(QStringLiteral("Main"), QStringLiteral("Count"), QStringLiteral("4"));
    ini.WriteString(QStringLiteral("New"), QStringLiteral("k"), QStringLiteral("v"));
    ini.UpdateFile();
    TIniFile again(path);
    EXPECT_EQ(again.ReadInteger(QStringLiteral("Main"), QStringLiteral("Count")), 4);
    EXPECT_EQ(again.ReadString(QStringLiteral("New"), QStringLiteral("k")), QStringLiteral("v"));
    EXPECT_EQ(again.ReadString(QStringLiteral("Other"), QStringLiteral("x")), QStringLiteral("1"));
}
