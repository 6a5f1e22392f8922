#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "platform/rtl/TypInfo.h"

using namespace kv;
using namespace kvtest;

TEST(DataProvider, UpdateFlagIsAFlagNotACounter)
{
    auto table = MakeTable(QStringLiteral("A"), QStringLiteral("n"), {{1}, {2}});
    TDataRecorder rec;
    table->AddListener(&rec);
    table->BeginUpdate();
    table->BeginUpdate();
    table->SetData(0, 0, 10);
    table->InsertRow(0, {5});
    table->EndUpdate(true);
    EXPECT_FALSE(table->GetUpdateLock());
    EXPECT_EQ(rec.Events, QStringList{QStringLiteral("reset")});
    table->EndUpdate(true);
    EXPECT_EQ(rec.Events.size(), 1);

    rec.Events.clear();
    table->BeginUpdate();
    table->SetData(0, 0, 11);
    table->EndUpdate(false);
    EXPECT_TRUE(rec.Events.isEmpty());
    table->RemoveListener(&rec);
}

TEST(DataProvider, ListenersInOrderWithoutDuplicates)
{
    auto table = MakeTable(QStringLiteral("A"), QString(), {{QStringLiteral("x")}});
    QStringList order;
    struct TNamed : TDataRecorder
    {
        QString Name;
        QStringList* Order = nullptr;
        void OnDataValueChanged(int, int) override { *Order << Name; }
    } first, second;
    first.Name = QStringLiteral("first");
    second.Name = QStringLiteral("second");
    first.Order = second.Order = &order;
    table->AddListener(&first);
    table->AddListener(&second);
    table->AddListener(&first);
    table->AddListener(nullptr);
    table->SetData(0, 0, QStringLiteral("y"));
    EXPECT_EQ(order, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    TDataRecorder stranger;
    table->RemoveListener(&stranger);
    table->RemoveListener(nullptr);
    table->RemoveListener(&first);
    table->RemoveListener(&second);
}

TEST(DataProvider, DisposeIsHeardEvenDuringAnUpdate)
{
    TKvSimpleDataProvider* table = Create<TKvSimpleDataProvider>(nullptr);
    table->InsertColumns(0, 1, QStringLiteral("A"), QString());
    TDataRecorder rec;
    int rowsSeenOnDispose = -1;
    rec.OnDispose = [&] { rowsSeenOnDispose = table->GetRowCount(); };
    table->AddListener(&rec);
    table->InsertRow(0, {1});
    table->BeginUpdate();
    table->Free();
    EXPECT_EQ(rec.Events.last(), QStringLiteral("dispose"));
    // The provider was whole when its listeners heard of it.
    EXPECT_EQ(rowsSeenOnDispose, 1);
}

TEST(DataProvider, CompareAndEqualsValue)
{
    auto table = MakeTable(QStringLiteral("N,T"), QStringLiteral("n,s"),
                           {{1, QStringLiteral("a")}, {2, QStringLiteral("b")}, {1, QStringLiteral("10")},
                            {Variant::Null(), QStringLiteral("9")}});
    EXPECT_EQ(table->CompareValue(0, 0, 2), 0);
    EXPECT_EQ(table->CompareValue(0, 0, 1), -1);
    EXPECT_EQ(table->CompareValue(0, 1, 0), 1);
    EXPECT_EQ(table->CompareValue(0, 3, 0), -1); // null below all
    EXPECT_TRUE(table->EqualsValue(0, 0, 2));
    // Text compares as text even when it looks numeric: "10" < "9".
    EXPECT_EQ(table->CompareValue(1, 2, 3), -1);
}

TEST(DataProvider, ValuesByNameAndDefaults)
{
    auto table = MakeTable(QStringLiteral("Name,Flag,Count,When"), QStringLiteral("s,b,n,d"),
                           {{QStringLiteral("a"), true, 1, Variant::DateTime(1)}});
    EXPECT_EQ(table->GetValue(0, QStringLiteral("count")).ToInt(), 1);
    table->SetValue(0, QStringLiteral("Name"), QStringLiteral("b"));
    EXPECT_EQ(table->GetData(0, 0).ToString(), QStringLiteral("b"));
    KV_EXPECT_THROW_MSG(table->GetValue(0, QStringLiteral("Missing")), Exception, "Missing is a invalid field name");
    KV_EXPECT_THROW_MSG(table->SetValue(0, QStringLiteral("Nope"), 1), Exception, "Nope is a invalid field name");

    const TKvGridDataRow defaults = table->CreateDefRowData();
    ASSERT_EQ(defaults.size(), 4u);
    EXPECT_TRUE(defaults[0] == Variant(QString()));
    EXPECT_TRUE(defaults[1] == Variant(false));
    EXPECT_TRUE(defaults[2] == Variant(0));
    EXPECT_TRUE(defaults[3] == Variant(0));
    EXPECT_EQ(table->CreateDefTableData(3).size(), 3u);
    const auto rows = TKvGridDataProvider::CreateTableData(2, {1, QStringLiteral("x")});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[1][1] == Variant(QStringLiteral("x")));
}

TEST(DataProvider, EditOptionsAssign)
{
    TOwned<TKvGridDataEditOptions> a(Create<TKvGridDataEditOptions>());
    TOwned<TKvGridDataEditOptions> b(Create<TKvGridDataEditOptions>());
    a->SetUpadtable(true);
    a->SetDeletable(true);
    b->Assign(a.get());
    EXPECT_TRUE(b->GetUpadtable());
    EXPECT_FALSE(b->GetAppendable());
    EXPECT_FALSE(b->GetInsertable());
    EXPECT_TRUE(b->GetDeletable());
    TOwned<TKvSimpleDataProvider> other(Create<TKvSimpleDataProvider>(nullptr));
    KV_EXPECT_THROW_MSG(other->Assign(a.get()), Exception, "Dest is not a TKvGridDataEditOptions");

    // The four flags are published, False by default, so only set ones are streamed.
    for (const char* name : {"Upadtable", "Appendable", "Insertable", "Deletable"})
        EXPECT_TRUE(GetPropValue(b.get(), QString::fromLatin1(name)).IsBoolean()) << name;
    SetPropValue(b.get(), QStringLiteral("Appendable"), true);
    EXPECT_TRUE(b->GetAppendable());
    EXPECT_FALSE(IsDefaultPropValue(b.get(), GetPropInfo(b.get(), QStringLiteral("Upadtable"))));
    EXPECT_TRUE(IsDefaultPropValue(b.get(), GetPropInfo(b.get(), QStringLiteral("Insertable"))));
}

TEST(DataProvider, CopyValuesBlockClipsToTheOverlap)
{
    auto source = MakeTable(QStringLiteral("A,B,C"), QStringLiteral("n"), {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    auto target = MakeTable(QStringLiteral("X,Y"), QStringLiteral("n"), {{0, 0}, {0, 0}});
    target->CopyValues(source.get(), 1, 100, 1, 100, 0, 0);
    EXPECT_EQ(target->GetRow(0), (TKvGridDataRow{5, 6}));
    EXPECT_EQ(target->GetRow(1), (TKvGridDataRow{8, 9}));

    KV_EXPECT_THROW_MSG(target->CopyValues(source.get(), 3, 1, 0, 1, 0, 0), EArgumentOutOfRangeException,
                        "source row is out of bounds: 3");
    KV_EXPECT_THROW_MSG(target->CopyValues(source.get(), 0, 1, 0, 1, 2, 0), EArgumentOutOfRangeException,
                        "row is out of bounds: 2");
    KV_EXPECT_THROW_MSG(target->CopyValues(nullptr, 0, 1, 0, 1, 0, 0), EArgumentNilException, "source is nil");
    KV_EXPECT_THROW_MSG(target->CopyValues(source.get(), 0, 1, -1, 2, 0, 0), EArgumentOutOfRangeException,
                        "source field is out of bounds: -1");
    KV_EXPECT_THROW_MSG(target->CopyValues(source.get(), 0, 1, 0, 2, 0, -2), EArgumentOutOfRangeException,
                        "field is out of bounds: -2");
    // A field block starting past the last field copies nothing.
    target->CopyValues(source.get(), 0, 1, 3, 1, 0, 0);
    // Nothing to copy is not an error.
    target->CopyValues(nullptr, 0, 0, 0, 1, 0, 0);
    EXPECT_EQ(target->GetRow(0), (TKvGridDataRow{5, 6}));
}

TEST(DataProvider, CopyValuesWithinOneProviderOverlapping)
{
    auto table = MakeTable(QStringLiteral("A"), QStringLiteral("n"), {{1}, {2}, {3}, {4}});
    // Shift rows 0..2 down by one: a cell-by-cell copy would smear row 0 everywhere.
    table->CopyValues(table.get(), 0, 3, 0, 1, 1, 0);
    EXPECT_EQ(table->GetData(1, 0).ToInt(), 1);
    EXPECT_EQ(table->GetData(2, 0).ToInt(), 2);
    EXPECT_EQ(table->GetData(3, 0).ToInt(), 3);
}

TEST(DataProvider, CopyValuesByNameKeepsValuesUnchanged)
{
    auto source = MakeTable(QStringLiteral("Name,Value"), QStringLiteral("s,n"),
                            {{QStringLiteral("alpha"), 1.5}, {QStringLiteral("beta"), 2.5}});
    auto target = MakeTable(QStringLiteral("Value,Name"), QStringLiteral("n,s"), {{0, QString()}, {0, QString()}});
    target->CopyValues(source.get(), 0, 2, QStringList{QStringLiteral("Name"), QStringLiteral("Value")},
                       QStringList{QStringLiteral("Name"), QStringLiteral("Value"), QStringLiteral("Extra")});
    EXPECT_TRUE(target->GetData(0, 1) == Variant(QStringLiteral("alpha")));
    EXPECT_TRUE(target->GetData(1, 0) == Variant(2.5));
    // An unknown name copies nothing at all.
    KV_EXPECT_THROW_MSG(target->CopyValues(source.get(), 0, QStringList{QStringLiteral("Value"), QStringLiteral("Nope")}),
                        Exception, "Nope is a invalid field name");
    EXPECT_TRUE(target->GetData(0, 0) == Variant(1.5));
}
