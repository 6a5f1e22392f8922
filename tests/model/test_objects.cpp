#include "TestSupport.h"
#include "ModelTestSupport.h"

#include "model/KvGrids.Data.Objects.h"
#include "model/KvGrids.Model.h"
#include "platform/rtl/Collections.h"
#include "platform/rtl/Streaming.h"

using namespace kv;
using kvtest::TDataRecorder;

namespace objtest {

enum TPersonKind { KindChild, KindAdult };

class TPerson : public TPersistent
{
public:
    QString GetName() const { return FName; }
    void SetName(const QString& v) { FName = v; }
    int GetAge() const { return FAge; }
    void SetAge(int v) { FAge = v; }

private:
    QString FName;
    int FAge = 0;
};

// Adds a Boolean, an enumeration and a read-only value.
class TEmployee : public TPerson
{
public:
    bool GetActive() const { return FActive; }
    void SetActive(bool v) { FActive = v; }
    TPersonKind GetKind() const { return FKind; }
    void SetKind(TPersonKind v) { FKind = v; }
    int GetId() const { return 17; }

private:
    bool FActive = true;
    TPersonKind FKind = KindAdult;
};

// Only read-only values.
class TSnapshot : public TPersistent
{
public:
    int GetTotal() const { return 3; }
};

class TPersonItem : public TCollectionItem
{
public:
    using TCollectionItem::TCollectionItem;
    QString GetName() const { return FName; }
    void SetName(const QString& v) { FName = v; }
    int GetAge() const { return FAge; }
    void SetAge(int v) { FAge = v; }

private:
    QString FName;
    int FAge = 0;
};

// A component that owns an item consumer and streams it, as a grid does.
class THost : public TComponent
{
public:
    using TComponent::TComponent;
    void AfterConstruction() override
    {
        TComponent::AfterConstruction();
        if (!IsLoading())
            Consumer = Create<TKvGridItemConsumer>(this);
    }
    void GetChildren(const TGetChildProc& proc, TComponent* root) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            proc(GetComponent(i));
    }
    TKvGridItemConsumer* Consumer = nullptr;
};

// A component that owns a collection.
class TTeam : public TComponent
{
public:
    using TComponent::TComponent;
    void AfterConstruction() override
    {
        TComponent::AfterConstruction();
        FMembers.reset(Create<TOwnedCollection>(this, ClassInfo<TPersonItem>()));
    }
    TOwnedCollection* GetMembers() const { return FMembers.get(); }

private:
    TOwned<TOwnedCollection> FMembers;
};

class TForm : public TComponent
{
public:
    using TComponent::TComponent;
    void GetChildren(const TGetChildProc& proc, TComponent* root) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            if (!GetComponent(i)->HasParent())
                proc(GetComponent(i));
    }
};

KV_PUBLISH_ENUM(TPersonKind, "KindChild", "KindAdult");
KV_PUBLISH(TPerson, TPersistent)
    .Property("Name", &TPerson::GetName, &TPerson::SetName)
    .Property("Age", &TPerson::GetAge, &TPerson::SetAge);
KV_PUBLISH(TEmployee, TPerson)
    .Property("Active", &TEmployee::GetActive, &TEmployee::SetActive)
    .Property("Kind", &TEmployee::GetKind, &TEmployee::SetKind)
    .Property("Id", &TEmployee::GetId);
KV_PUBLISH(TSnapshot, TPersistent).Property("Total", &TSnapshot::GetTotal);
KV_PUBLISH(TPersonItem, TCollectionItem)
    .Property("Name", &TPersonItem::GetName, &TPersonItem::SetName)
    .Property("Age", &TPersonItem::GetAge, &TPersonItem::SetAge);
KV_PUBLISH(THost, TComponent);
KV_PUBLISH(TForm, TComponent);

TPerson* MakePerson(const QString& name, int age)
{
    auto* p = Create<TPerson>();
    p->SetName(name);
    p->SetAge(age);
    return p;
}

// Refuses sources it cannot show.
class TPickyProvider : public TKvObjectDataProvider
{
public:
    using TKvObjectDataProvider::TKvObjectDataProvider;

protected:
    TKvObjectDataAdapter* CreateAdapter(TObject* Source) override
    {
        if (dynamic_cast<TSnapshot*>(Source))
            throw EInvalidOperation(QStringLiteral("Snapshots are not shown"));
        return TKvObjectDataProvider::CreateAdapter(Source);
    }
};

struct TProviderFixture
{
    TOwned<TKvObjectDataProvider> Provider{Create<TKvObjectDataProvider>(nullptr)};
    TDataRecorder Recorder;
    TProviderFixture() { Provider->AddListener(&Recorder); }
    ~TProviderFixture()
    {
        if (Provider)
            Provider->RemoveListener(&Recorder);
    }
};

} // namespace objtest

using namespace objtest;

TEST(ObjectDataProvider, SingleObjectIsOneRowOfItsReadableProperties)
{
    TProviderFixture f;
    TOwned<TEmployee> employee(Create<TEmployee>());
    employee->SetName(QStringLiteral("Kim"));
    employee->SetAge(41);
    f.Provider->SetSource(employee.get());
    EXPECT_EQ(f.Recorder.Events, QStringList{"reset"});
    EXPECT_NE(dynamic_cast<TKvGridObjectDataAdapter*>(f.Provider->GetAdapter()), nullptr);
    EXPECT_EQ(f.Provider->GetRowCount(), 1);
    EXPECT_EQ(f.Provider->GetFieldNames(), (QStringList{"Name", "Age", "Active", "Kind", "Id"}));
    EXPECT_EQ(f.Provider->GetFieldCount(), 5);
    EXPECT_EQ(f.Provider->GetFieldName(1), QStringLiteral("Age"));
    EXPECT_EQ(f.Provider->GetFieldName(5), QString());
    EXPECT_EQ(f.Provider->GetFieldIndex(QStringLiteral("kind")), 3);
    EXPECT_EQ(f.Provider->GetFieldIndex(QStringLiteral("Salary")), -1);
    EXPECT_EQ(f.Provider->GetData(0, 0), Variant(QStringLiteral("Kim")));
    EXPECT_EQ(f.Provider->GetData(0, 1), Variant(41));
    EXPECT_EQ(f.Provider->GetData(0, 2), Variant(true)) << "Booleans stay Booleans";
    EXPECT_EQ(f.Provider->GetData(0, 3), Variant(QStringLiteral("KindAdult")));
    EXPECT_EQ(f.Provider->GetData(0, 4), Variant(17));
    EXPECT_EQ(f.Provider->GetRow(0).size(), 5u);
    EXPECT_EQ(f.Provider->GetRowState(0), RowStateNone);
    EXPECT_TRUE(f.Provider->IsLocal());
    EXPECT_FALSE(f.Provider->CanAppendRow());
    EXPECT_FALSE(f.Provider->CanDeleteRow(0));
    KV_EXPECT_THROW_MSG(f.Provider->GetData(1, 0), EListError, "List index out of bounds (1).  List count is 1");
    KV_EXPECT_THROW_MSG(f.Provider->GetData(0, 5), EArgumentOutOfRangeException, "Column 5 is invalid index.");

    // The same source again changes nothing.
    f.Provider->SetSource(employee.get());
    EXPECT_EQ(f.Recorder.Events, QStringList{"reset"});
}

TEST(ObjectDataProvider, WritesGoThroughTheSettersAndNothingIsLost)
{
    TProviderFixture f;
    TOwned<TEmployee> employee(Create<TEmployee>());
    f.Provider->SetSource(employee.get());
    f.Recorder.Events.clear();
    EXPECT_TRUE(f.Provider->CanUpdateRow(0));
    EXPECT_FALSE(f.Provider->CanUpdateRow(1));
    EXPECT_TRUE(f.Provider->CanUpdateField(0));
    EXPECT_FALSE(f.Provider->CanUpdateField(4)) << "Id is read-only";
    EXPECT_FALSE(f.Provider->CanUpdateField(9));

    f.Provider->SetData(0, 1, Variant(30));
    EXPECT_EQ(employee->GetAge(), 30);
    f.Provider->SetData(0, 1, Variant(30));
    f.Provider->SetData(0, 3, Variant(QStringLiteral("KindChild")));
    EXPECT_EQ(employee->GetKind(), KindChild);
    EXPECT_EQ(f.Recorder.Events, (QStringList{"value 0,1", "value 0,3"}));
    KV_EXPECT_THROW_MSG(f.Provider->SetData(0, 4, Variant(1)), EPropertyError, "Property Id is read-only");
    KV_EXPECT_THROW_MSG(f.Provider->SetData(0, 1, Variant(QStringLiteral("old"))), EPropertyConvertError,
                        "Invalid property value 'old' for Age");
    EXPECT_EQ(employee->GetAge(), 30);

    // A whole row: writable fields that differ; read-only ones are left alone.
    f.Recorder.Events.clear();
    f.Provider->UpdateRow(0, {Variant(QStringLiteral("Lee")), Variant(52), Variant(false), Variant(QStringLiteral("KindAdult")),
                              Variant(99)});
    EXPECT_EQ(employee->GetName(), QStringLiteral("Lee"));
    EXPECT_EQ(employee->GetAge(), 52);
    EXPECT_FALSE(employee->GetActive());
    EXPECT_EQ(employee->GetKind(), KindAdult);
    EXPECT_EQ(f.Recorder.Events, QStringList{"updated 0"});
    // All or nothing: a bad value puts back what was written before it.
    f.Recorder.Events.clear();
    EXPECT_THROW(f.Provider->UpdateRow(0, {Variant(QStringLiteral("Park")), Variant(60), Variant(true),
                                           Variant(QStringLiteral("KindNone"))}),
                 EPropertyConvertError);
    EXPECT_EQ(employee->GetName(), QStringLiteral("Lee"));
    EXPECT_EQ(employee->GetAge(), 52);
    EXPECT_FALSE(employee->GetActive());
    EXPECT_TRUE(f.Recorder.Events.isEmpty());
    // Row operations the provider does not offer are refused by its permissions.
    f.Provider->InsertRow(0, {});
    f.Provider->RemoveRow(0);
    EXPECT_EQ(f.Provider->GetRowCount(), 1);

    // An object with nothing writable cannot be edited at all.
    TOwned<TSnapshot> snapshot(Create<TSnapshot>());
    f.Provider->SetSource(snapshot.get());
    EXPECT_EQ(f.Provider->GetFieldNames(), QStringList{"Total"});
    EXPECT_FALSE(f.Provider->CanUpdateRow(0));
    EXPECT_FALSE(f.Provider->CanUpdateField(0));
}

TEST(ObjectDataProvider, CollectionItemsAreRows)
{
    TProviderFixture f;
    TOwnedCollection people(nullptr, ClassInfo<TPersonItem>());
    const char* names[] = {"Ann", "Bo", "Cy"};
    for (int i = 0; i < 3; ++i) {
        auto* item = static_cast<TPersonItem*>(people.Add());
        item->SetName(QLatin1String(names[i]));
        item->SetAge(20 + i);
    }
    f.Provider->SetSource(&people);
    EXPECT_NE(dynamic_cast<TKvGridCollectionDataAdapter*>(f.Provider->GetAdapter()), nullptr);
    EXPECT_EQ(f.Provider->GetRowCount(), 3);
    EXPECT_EQ(f.Provider->GetFieldIndex(QStringLiteral("name")), 0);
    EXPECT_EQ(f.Provider->GetFieldNames(), (QStringList{"Name", "Age"}));
    EXPECT_EQ(f.Provider->GetData(2, 0), Variant(QStringLiteral("Cy")));
    EXPECT_EQ(f.Provider->GetData(1, 1), Variant(21));
    f.Provider->SetData(1, 0, Variant(QStringLiteral("Bea")));
    EXPECT_EQ(static_cast<TPersonItem*>(people.GetItem(1))->GetName(), QStringLiteral("Bea"));
    // The rows follow the collection.
    people.Delete(0);
    EXPECT_EQ(f.Provider->GetRowCount(), 2);
    KV_EXPECT_THROW_MSG(f.Provider->GetData(2, 0), EListError, "List index out of bounds (2).  List count is 2");
    f.Provider->SetSource(nullptr);
}

TEST(ObjectDataProvider, ListsPlainAndGeneric)
{
    TProviderFixture f;
    TOwned<TPerson> ann(MakePerson(QStringLiteral("Ann"), 30));
    TOwned<TEmployee> bo(Create<TEmployee>());
    bo->SetName(QStringLiteral("Bo"));
    TList list;
    list.Add(ann.get());
    list.Add(bo.get());
    list.Add(nullptr);
    f.Provider->SetSource(&list);
    EXPECT_NE(dynamic_cast<TKvGridListDataAdapter*>(f.Provider->GetAdapter()), nullptr);
    EXPECT_EQ(f.Provider->GetRowCount(), 3);
    EXPECT_EQ(f.Provider->GetFieldNames(), (QStringList{"Name", "Age"})) << "from the first entry";
    EXPECT_EQ(f.Provider->GetData(0, 0), Variant(QStringLiteral("Ann")));
    EXPECT_EQ(f.Provider->GetData(1, 0), Variant(QStringLiteral("Bo"))) << "a descendant's own property";
    EXPECT_TRUE(f.Provider->GetData(2, 0).IsNull()) << "a nil entry";
    KV_EXPECT_THROW_MSG(f.Provider->SetData(2, 0, Variant(QStringLiteral("x"))), EInvalidOperation,
                        "The row has no object");
    // Entries of mixed classes: a property that an entry's class lacks reads Null and is not written.
    TList mixed;
    mixed.Add(bo.get());
    mixed.Add(ann.get());
    f.Provider->SetSource(&mixed);
    EXPECT_EQ(f.Provider->GetFieldIndex(QStringLiteral("Active")), 2);
    EXPECT_EQ(f.Provider->GetData(0, 2), Variant(true));
    EXPECT_TRUE(f.Provider->GetData(1, 2).IsNull());
    KV_EXPECT_THROW_MSG(f.Provider->SetData(1, 2, Variant(false)), EPropertyError, "Property Active does not exist");
    f.Provider->SetData(1, 1, Variant(31));
    EXPECT_EQ(ann->GetAge(), 31);

    // An empty list: no fields, no rows, no error.
    TList empty;
    f.Recorder.Events.clear();
    EXPECT_NO_THROW(f.Provider->SetSource(&empty));
    EXPECT_EQ(f.Recorder.Events, QStringList{"reset"});
    EXPECT_EQ(f.Provider->GetRowCount(), 0);
    EXPECT_EQ(f.Provider->GetFieldCount(), 0);
    EXPECT_FALSE(f.Provider->CanUpdateRow(0));

    // A generic list: rows from its Count, elements from Items, fields from the element class.
    generics::TObjectList<TPerson> people;
    people.Add(MakePerson(QStringLiteral("Cy"), 5));
    people.Add(MakePerson(QStringLiteral("Di"), 6));
    f.Provider->SetSource(&people);
    auto* generic = dynamic_cast<TKvGenericListDataAdapter*>(f.Provider->GetAdapter());
    ASSERT_NE(generic, nullptr);
    EXPECT_EQ(generic->GetInstanceClass(), QStringLiteral("TPerson"));
    EXPECT_EQ(f.Provider->GetRowCount(), 2);
    EXPECT_EQ(f.Provider->GetFieldNames(), (QStringList{"Name", "Age"}));
    EXPECT_EQ(f.Provider->GetData(1, 0), Variant(QStringLiteral("Di")));
    EXPECT_EQ(f.Provider->GetData(0, 2), Variant(QStringLiteral("<ERROR>")));
    EXPECT_EQ(f.Provider->GetData(0, -1), Variant(QStringLiteral("<ERROR>")));
    f.Provider->SetData(0, 1, Variant(7));
    EXPECT_EQ(people.Get(0)->GetAge(), 7);
    EXPECT_TRUE(f.Provider->CanUpdateRow(1));

    // A generic list of a class without published properties has no element class.
    generics::TList<TList> lists;
    lists.Add(&list);
    f.Provider->SetSource(&lists);
    EXPECT_EQ(f.Provider->GetRowCount(), 1);
    EXPECT_EQ(f.Provider->GetFieldCount(), 1) << "TList publishes Count";
    struct TBare : public TObject
    {
    };
    generics::TList<TBare> bare;
    f.Provider->SetSource(&bare);
    EXPECT_TRUE(static_cast<TKvGenericListDataAdapter*>(f.Provider->GetAdapter())->GetInstanceClass().isEmpty());
    EXPECT_EQ(f.Provider->GetData(0, 0), Variant(QStringLiteral("<ERROR>")));
    EXPECT_FALSE(f.Provider->CanUpdateRow(0));
    f.Provider->SetSource(nullptr);
}

TEST(ObjectDataProvider, WithoutSource)
{
    TProviderFixture f;
    TOwned<TPerson> person(MakePerson(QStringLiteral("Ann"), 1));
    f.Provider->SetSource(person.get());
    f.Recorder.Events.clear();
    f.Provider->SetSource(nullptr);
    EXPECT_EQ(f.Recorder.Events, QStringList{"reset"});
    EXPECT_EQ(f.Provider->GetAdapter(), nullptr);
    EXPECT_EQ(f.Provider->GetRowCount(), 0);
    EXPECT_EQ(f.Provider->GetFieldCount(), 0);
    EXPECT_EQ(f.Provider->GetFieldIndex(QStringLiteral("Name")), -1);
    EXPECT_FALSE(f.Provider->CanUpdateRow(0));
    const QString message = QStringLiteral("Adapter is not created.");
    KV_EXPECT_THROW_MSG(f.Provider->GetFieldNames(), EInvalidOperation, message);
    KV_EXPECT_THROW_MSG(f.Provider->GetFieldName(0), EInvalidOperation, message);
    KV_EXPECT_THROW_MSG(f.Provider->GetData(0, 0), EInvalidOperation, message);
    KV_EXPECT_THROW_MSG(f.Provider->SetData(0, 0, Variant(1)), EInvalidOperation, message);
    KV_EXPECT_THROW_MSG(f.Provider->GetRow(0), EInvalidOperation, message);
    KV_EXPECT_THROW_MSG(f.Provider->UpdateRow(0, {}), EInvalidOperation, message);
    KV_EXPECT_THROW_MSG(f.Provider->InsertRow(0, {}), EInvalidOperation, message);
    KV_EXPECT_THROW_MSG(f.Provider->RemoveRow(0), EInvalidOperation, message);

    // A source that cannot be shown leaves the provider as it was.
    TOwned<TPickyProvider> picky(Create<TPickyProvider>(nullptr));
    TDataRecorder recorder;
    picky->AddListener(&recorder);
    picky->SetSource(person.get());
    TOwned<TSnapshot> snapshot(Create<TSnapshot>());
    KV_EXPECT_THROW_MSG(picky->SetSource(snapshot.get()), EInvalidOperation, "Snapshots are not shown");
    EXPECT_EQ(picky->GetSource(), person.get());
    EXPECT_EQ(picky->GetData(0, 0), Variant(QStringLiteral("Ann")));
    EXPECT_EQ(recorder.Events, QStringList{"reset"});
    picky->RemoveListener(&recorder);

    // A component source that is freed leaves the provider without a source.
    TOwned<THost> host(Create<THost>(nullptr));
    f.Provider->SetSource(host.get());
    EXPECT_EQ(f.Provider->GetFieldNames(), (QStringList{"Name", "Tag"})); // every published property
    f.Recorder.Events.clear();
    host.reset();
    EXPECT_EQ(f.Provider->GetSource(), nullptr);
    EXPECT_EQ(f.Recorder.Events, QStringList{"reset"});
    // So is a collection whose owning component is freed, and an item of it.
    TOwned<TTeam> team(Create<TTeam>(nullptr));
    f.Provider->SetSource(team->GetMembers());
    f.Recorder.Events.clear();
    team.reset();
    EXPECT_EQ(f.Provider->GetSource(), nullptr);
    EXPECT_EQ(f.Recorder.Events, QStringList{"reset"});
    team.reset(Create<TTeam>(nullptr));
    f.Provider->SetSource(team->GetMembers()->Add());
    EXPECT_EQ(f.Provider->GetFieldNames(), (QStringList{"Name", "Age"}));
    team.reset();
    EXPECT_EQ(f.Provider->GetSource(), nullptr);
}

TEST(DynArrayDataProvider, ElementsFromLowToHighBound)
{
    TOwned<TKvDynArrayDataProvider> provider(Create<TKvDynArrayDataProvider>(nullptr));
    TDataRecorder recorder;
    provider->AddListener(&recorder);
    const Variant array = Variant::Array({Variant(QStringLiteral("a")), Variant(2), Variant::Null()}, 1);
    provider->SetSource(array);
    EXPECT_EQ(recorder.Events, QStringList{"reset"});
    EXPECT_EQ(provider->GetRowCount(), 3);
    EXPECT_EQ(provider->GetFieldCount(), 1);
    EXPECT_EQ(provider->GetFieldName(0), QStringLiteral("aaa"));
    EXPECT_TRUE(provider->GetFieldNames().isEmpty());
    EXPECT_EQ(provider->GetData(0, 0), Variant(QStringLiteral("a")));
    EXPECT_EQ(provider->GetData(1, 7), Variant(2)) << "whatever the field";
    EXPECT_TRUE(provider->GetData(2, 0).IsNull());
    KV_EXPECT_THROW_MSG(provider->GetData(3, 0), EArgumentOutOfRangeException, "Row 3 is invalid index.");
    KV_EXPECT_THROW_MSG(provider->GetData(-1, 0), EArgumentOutOfRangeException, "Row -1 is invalid index.");
    EXPECT_FALSE(provider->CanUpdateRow(0));
    provider->SetData(0, 0, Variant(5));
    EXPECT_EQ(provider->GetData(0, 0), Variant(QStringLiteral("a")));

    // The same array again: nothing; anything else: no rows.
    provider->SetSource(array);
    EXPECT_EQ(recorder.Events, QStringList{"reset"});
    provider->SetSource(Variant(QStringLiteral("not an array")));
    EXPECT_EQ(recorder.Events, (QStringList{"reset", "reset"}));
    EXPECT_EQ(provider->GetRowCount(), 0);
    EXPECT_TRUE(provider->GetSource().IsEmpty());
    provider->RemoveListener(&recorder);
}

TEST(ItemConsumer, StreamsAsAChildOfItsOwner)
{
    RegisterClasses<TForm, THost, TKvGridItemConsumer>();
    TOwned<TForm> form(Create<TForm>(nullptr));
    form->SetName(QStringLiteral("Form1"));
    auto* host = Create<THost>(form.get());
    host->SetName(QStringLiteral("Host1"));
    host->Consumer->SetName(QStringLiteral("Consumer1"));
    EXPECT_TRUE(host->Consumer->HasParent());
    EXPECT_EQ(host->Consumer->GetParentComponent(), host);

    const QString text = WriteComponentText(form.get());
    EXPECT_EQ(text, QStringLiteral("object Form1: TForm\n"
                                   "  object Host1: THost\n"
                                   "    object Consumer1: TKvGridItemConsumer\n"
                                   "    end\n"
                                   "  end\n"
                                   "end\n"));
    TOwned<TComponent> copy(ReadComponentText(text));
    auto* readHost = dynamic_cast<THost*>(copy->FindComponent(QStringLiteral("Host1")));
    ASSERT_NE(readHost, nullptr);
    ASSERT_EQ(readHost->GetComponentCount(), 1);
    auto* consumer = dynamic_cast<TKvGridItemConsumer*>(readHost->GetComponent(0));
    ASSERT_NE(consumer, nullptr);
    EXPECT_EQ(consumer->GetName(), QStringLiteral("Consumer1"));
    EXPECT_EQ(consumer->GetParentComponent(), readHost);
    EXPECT_EQ(copy->GetComponentCount(), 1) << "only the host belongs to the form";
    EXPECT_EQ(WriteComponentText(copy.get()), text);
}
