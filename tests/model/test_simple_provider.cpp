#include "ModelTestSupport.h"
#include "TestSupport.h"

#include <cmath>
#include <limits>
#include <random>

using namespace kv;
using namespace kvtest;

TEST(SimpleProvider, ColumnsFromText)
{
    TOwned<TKvSimpleDataProvider> t(Create<TKvSimpleDataProvider>(nullptr));
    t->InsertColumns(0, 2, QStringLiteral("Name,Value"), QString());
    EXPECT_EQ(t->GetFieldNames(), (QStringList{QStringLiteral("Name"), QStringLiteral("Value")}));
    EXPECT_EQ(t->GetValueType(0), ValueTypeText);
    EXPECT_EQ(t->GetValueType(1), ValueTypeText);
    EXPECT_EQ(t->GetFieldIndex(QStringLiteral("name")), 0);
    EXPECT_EQ(t->GetFieldIndex(QStringLiteral("nothing")), -1);
    EXPECT_EQ(t->GetFieldName(5), QString());
    EXPECT_EQ(t->GetValueType(5), ValueTypeText);

    TOwned<TKvSimpleDataProvider> n(Create<TKvSimpleDataProvider>(nullptr));
    n->InsertColumns(0, 3, QStringLiteral("a;b;c"), QStringLiteral("n"));
    for (int f = 0; f < 3; ++f)
        EXPECT_EQ(n->GetValueType(f), ValueTypeNumeric);
    n->InsertColumns(1, 2, QStringLiteral(" X , when "), QStringLiteral("B,D"));
    EXPECT_EQ(n->GetFieldNames(), (QStringList{"a", "X", "when", "b", "c"}));
    EXPECT_EQ(n->GetValueType(1), ValueTypeBool);
    EXPECT_EQ(n->GetValueType(2), ValueTypeDateTime);
    // Duplicate names: the last column wins.
    n->InsertColumns(5, 1, QStringLiteral("A"), QString());
    EXPECT_EQ(n->GetFieldIndex(QStringLiteral("a")), 5);

    KV_EXPECT_THROW_MSG(n->InsertColumns(0, 3, QStringLiteral("a,,b"), QString()), Exception,
                        "Field name should not be empty[1]: ");
    KV_EXPECT_THROW_MSG(n->InsertColumns(0, 3, QStringLiteral("a,b"), QString()), EArgumentException,
                        "headers count must be larger than or equals to count.");
    KV_EXPECT_THROW_MSG(n->InsertColumns(7, 1, QStringLiteral("z"), QString()), EArgumentOutOfRangeException,
                        "Column 7 is invalid index.");
    EXPECT_EQ(n->GetFieldCount(), 6);

    // Columns from names and types: a missing type repeats the one before it.
    TOwned<TKvSimpleDataProvider> a(Create<TKvSimpleDataProvider>(nullptr));
    a->InsertRow(0, {});
    a->InsertColumns(0, QStringList{"Count", "Total", "When"}, {ValueTypeNumeric});
    EXPECT_EQ(a->GetValueType(2), ValueTypeNumeric);
    a->InsertColumns(0, QStringList{"Name"}, {});
    EXPECT_EQ(a->GetValueType(0), ValueTypeText);
    EXPECT_EQ(a->GetFieldNames(), (QStringList{"Name", "Count", "Total", "When"}));
    EXPECT_TRUE(a->GetData(0, 3).IsEmpty());
    KV_EXPECT_THROW_MSG(a->InsertColumns(1, QStringList{"ok", " "}, {}), Exception, "Field name should not be empty[1]:  ");
    KV_EXPECT_THROW_MSG(a->InsertColumns(5, QStringList{"late"}, {}), EArgumentOutOfRangeException,
                        "Column 5 is invalid index.");
    EXPECT_EQ(a->GetFieldCount(), 4);
}

TEST(SimpleProvider, RowsAndNotifications)
{
    auto t = MakeTable(QStringLiteral("A,B,C"), QStringLiteral("s,n,s"), {});
    TDataRecorder rec;
    t->AddListener(&rec);
    t->InsertRow(0, {QStringLiteral("x"), 1});
    EXPECT_TRUE(t->GetData(0, 2).IsEmpty());
    t->InsertRow(1, {QStringLiteral("y"), 2, QStringLiteral("z")});
    t->InsertRow(0, {QStringLiteral("w"), 0, QString()});
    t->SetData(1, 1, 1); // same value: nothing
    t->SetData(1, 1, 5);
    t->SetData(1, 1, 5.0); // an equal value of another kind is a change
    t->SetData(1, 1, 5.0);
    t->UpdateRow(2, {QStringLiteral("Y")});
    t->RemoveRow(0);
    EXPECT_EQ(rec.Events, (QStringList{"inserted 0", "inserted 1", "inserted 0", "value 1,1", "value 1,1",
                                       "updated 2", "removed 0"}));
    EXPECT_TRUE(t->GetData(0, 1).IsDouble());
    EXPECT_EQ(t->GetRow(1), (TKvGridDataRow{QStringLiteral("Y"), 2, QStringLiteral("z")}));
    t->UpdateRow(1, {});
    EXPECT_TRUE(t->GetData(1, 0).IsEmpty());

    KV_EXPECT_THROW_MSG(t->GetData(2, 0), EArgumentOutOfRangeException, "Row 2 is invalid index.");
    KV_EXPECT_THROW_MSG(t->GetData(0, 3), EArgumentOutOfRangeException, "Column 3 is invalid index.");
    KV_EXPECT_THROW_MSG(t->SetData(-1, 0, 1), EArgumentOutOfRangeException, "Row -1 is invalid index.");
    KV_EXPECT_THROW_MSG(t->InsertRow(3, {}), EArgumentOutOfRangeException, "Row 3 is invalid index.");

    rec.Events.clear();
    t->InsertRow(2, {QStringLiteral("a")});
    t->InsertRow(3, {QStringLiteral("b")});
    t->RemoveRows({3, 0, 3});
    EXPECT_EQ(rec.Events.last(), QStringLiteral("rows removed 0,3"));
    EXPECT_EQ(t->GetRowCount(), 2);
    t->ClearRows();
    EXPECT_EQ(rec.Events.last(), QStringLiteral("reset"));
    EXPECT_EQ(t->GetRowCount(), 0);
    t->RemoveRow(0); // empty table: nothing happens
    EXPECT_EQ(t->GetFieldCount(), 3);
    t->RemoveListener(&rec);
}

TEST(SimpleProvider, SumsFollowValueChangesAndSkipNulls)
{
    auto t = MakeTable(QStringLiteral("N,T"), QStringLiteral("n,s"), {{Variant(), QStringLiteral("a")}, {Variant(), QStringLiteral("b")}, {Variant(), QString()}});
    TDataRecorder rec;
    t->AddListener(&rec);
    t->SetData(0, 0, 10);
    t->SetData(1, 0, 2.5);
    t->SetData(0, 0, 4);
    EXPECT_DOUBLE_EQ(t->GetSum(0).ToDouble(), 6.5);
    // A value that is not a number still lands and is announced.
    t->SetData(2, 0, QStringLiteral("n/a"));
    EXPECT_EQ(rec.Events.last(), QStringLiteral("value 2,0"));
    t->SetData(2, 0, Variant::Null());
    EXPECT_DOUBLE_EQ(t->GetSum(0).ToDouble(), 6.5);
    const int rows[] = {0, 1, 2};
    EXPECT_DOUBLE_EQ(t->GetRangeSum(0, rows).ToDouble(), 6.5);
    EXPECT_TRUE(t->GetRangeSum(1, rows) == Variant(0));
    // Integers stay integers until they overflow; text that reads as a number adds as one.
    const std::int64_t big = std::numeric_limits<std::int64_t>::max() - 1;
    t->SetData(0, 0, big);
    t->SetData(1, 0, 1);
    const int two[] = {0, 1};
    EXPECT_TRUE(t->GetRangeSum(0, two) == Variant(big + 1));
    t->SetData(1, 0, 5);
    EXPECT_DOUBLE_EQ(t->GetRangeSum(0, two).ToDouble(), double(big) + 5);
    t->SetData(0, 0, 2);
    t->SetData(2, 0, QStringLiteral("3"));
    EXPECT_TRUE(t->GetRangeSum(0, rows) == Variant(10));
    t->SetData(2, 0, QStringLiteral("three"));
    EXPECT_THROW(t->GetRangeSum(0, rows), EVariantError);
    EXPECT_TRUE(t->GetMax(0) == Variant(0));
    t->RemoveListener(&rec);
}

TEST(SimpleProvider, RemoveColumnsKeepsNamesTypesAndValuesAligned)
{
    auto t = MakeTable(QStringLiteral("A,B,C,D"), QStringLiteral("s,n,b,d"),
                       {{QStringLiteral("a"), 1, true, Variant::DateTime(2)}});
    t->RemoveColumns(1, 2);
    EXPECT_EQ(t->GetFieldCount(), 2);
    EXPECT_EQ(t->GetFieldNames(), (QStringList{"A", "D"}));
    EXPECT_EQ(t->GetValueType(1), ValueTypeDateTime);
    EXPECT_TRUE(t->GetData(0, 1).IsDateTime());
    EXPECT_EQ(t->GetFieldIndex(QStringLiteral("B")), -1);
    t->RemoveColumns(1, 10);
    EXPECT_EQ(t->GetFieldCount(), 1);
    KV_EXPECT_THROW_MSG(t->RemoveColumns(1, 1), EArgumentOutOfRangeException, "Column 1 is invalid index.");
    EXPECT_TRUE(t->CanUpdateRow(0));
    t->SetUpdatable(false);
    EXPECT_FALSE(t->CanUpdateRow(0));
}

// Every write path keeps the running sums of numeric columns equal to a recount.
TEST(SimpleProvider, SumsStayExactOverEveryWritePath)
{
    auto t = MakeTable(QStringLiteral("Q,T,P"), QStringLiteral("n,s,n"),
                       {{3, QStringLiteral("a"), 1.5}, {4, QStringLiteral("b"), Variant()}});
    EXPECT_DOUBLE_EQ(t->GetSum(0).ToDouble(), 7);
    EXPECT_DOUBLE_EQ(t->GetSum(2).ToDouble(), 1.5);
    auto recount = [&](int field) {
        double sum = 0;
        for (int r = 0; r < t->GetRowCount(); ++r) {
            double v = 0;
            t->GetData(r, field).TryToDouble(v);
            sum += v;
        }
        return sum;
    };
    std::mt19937 random(21);
    auto number = [&]() -> Variant {
        const int pick = int(random() % 6);
        if (pick == 0)
            return Variant();
        if (pick == 1)
            return Variant(QStringLiteral("n/a"));
        if (pick == 2)
            return Variant(int(random() % 200) - 100) ;
        return Variant(double(int(random() % 400) - 200) / 4.0);
    };
    for (int step = 0; step < 2000; ++step) {
        const int rows = t->GetRowCount();
        switch (random() % 6) {
        case 0:
            t->InsertRow(int(random() % (rows + 1)), {number(), QStringLiteral("x"), number()});
            break;
        case 1:
            if (rows > 0)
                t->SetData(int(random() % rows), random() % 2 ? 0 : 2, number());
            break;
        case 2:
            if (rows > 0)
                t->UpdateRow(int(random() % rows), random() % 4 ? TKvGridDataRow{number(), QStringLiteral("u"), number()}
                                                                : TKvGridDataRow{});
            break;
        case 3:
            if (rows > 0)
                t->RemoveRow(int(random() % rows));
            break;
        case 4:
            if (rows > 2)
                t->RemoveRows({int(random() % rows), int(random() % rows)});
            break;
        default:
            if (step % 500 == 499)
                t->ClearRows();
            break;
        }
        double q = 0, p = 0;
        t->GetSum(0).TryToDouble(q);
        t->GetSum(2).TryToDouble(p);
        ASSERT_DOUBLE_EQ(q, recount(0)) << "step " << step;
        ASSERT_DOUBLE_EQ(p, recount(2)) << "step " << step;
    }
    EXPECT_TRUE(t->GetSum(1).IsClear());
}

// Huge values typed and corrected leave no trace in the sums: after random edits the sum is
// the exact total of the values (an integer while every value is whole), never a drifted one.
TEST(SimpleProvider, SumsStayExactWithHugeValues)
{
    auto t = MakeTable(QStringLiteral("Q"), QStringLiteral("n"), {{1}, {2}, {3}, {4}, {5}});
    t->SetData(2, 0, std::int64_t(10000000000000000));
    EXPECT_TRUE(t->GetSum(0) == Variant(std::int64_t(10000000000000012)));
    t->SetData(2, 0, 40);
    EXPECT_TRUE(t->GetSum(0).IsInteger());
    EXPECT_EQ(t->GetSum(0).AsInt(), 52);

    // The exact total of the values: whole parts in 128 bits, the quarters apart (exact).
    auto expected = [&]() -> Variant {
        __extension__ __int128 whole = 0;
        double quarters = 0;
        bool fractions = false;
        for (int r = 0; r < t->GetRowCount(); ++r) {
            const Variant v = t->GetData(r, 0);
            double d = 0;
            if (v.IsInteger())
                whole += v.AsInt();
            else if (!v.IsClear() && v.TryToDouble(d)) {
                if (std::trunc(d) == d)
                    whole += static_cast<__int128>(d);
                else
                    quarters += d, fractions = true;
            }
        }
        if (fractions)
            return Variant(static_cast<double>(static_cast<long double>(whole) + quarters));
        if (whole >= std::numeric_limits<std::int64_t>::min() && whole <= std::numeric_limits<std::int64_t>::max())
            return Variant(static_cast<std::int64_t>(whole));
        return Variant(static_cast<double>(whole));
    };
    std::mt19937 random(7);
    auto number = [&]() -> Variant {
        switch (random() % 9) {
        case 0: return Variant();
        case 1: return Variant(QStringLiteral("n/a"));
        case 2: return Variant(std::int64_t(10000000000000000) * (random() % 2 ? 1 : -1));
        case 3: return Variant(std::int64_t(900000000000000000) + std::int64_t(random() % 1000));
        case 4: return Variant(1e20 * (random() % 2 ? 1 : -1));
        case 5: return Variant(QStringLiteral("10000000000000000"));
        case 6: return Variant(double(int(random() % 400) - 200) / 4.0);
        default: return Variant(int(random() % 2000) - 1000);
        }
    };
    for (int step = 0; step < 3000; ++step) {
        const int rows = t->GetRowCount();
        switch (random() % 5) {
        case 0: t->InsertRow(int(random() % (rows + 1)), {number()}); break;
        case 1:
            if (rows > 0)
                t->UpdateRow(int(random() % rows), {number()});
            break;
        case 2:
            if (rows > 2)
                t->RemoveRow(int(random() % rows));
            break;
        default:
            if (rows > 0)
                t->SetData(int(random() % rows), 0, number());
            break;
        }
        const Variant sum = t->GetSum(0);
        const Variant want = expected();
        ASSERT_EQ(sum.IsInteger(), want.IsInteger()) << "step " << step;
        if (want.IsInteger())
            ASSERT_EQ(sum.AsInt(), want.AsInt()) << "step " << step;
        else
            ASSERT_EQ(sum.ToDouble(), want.ToDouble()) << "step " << step;
    }
}

// A sum read between edits (as a footer paint reads it) never shifts later sums: after any
// edits the sum is the exact total of the values, rounded once, as a fresh table gives it.
TEST(SimpleProvider, SumReadBetweenEditsStaysTheExactTotal)
{
    auto t = MakeTable(QStringLiteral("Amount"), QStringLiteral("n"), {{1234.56}, {0.07}, {123456789012345.67}});
    EXPECT_NEAR(t->GetSum(0).ToDouble(), 123456789013580.3, 0.02);
    t->SetData(2, 0, 0.5);
    auto fresh = MakeTable(QStringLiteral("Amount"), QStringLiteral("n"), {{1234.56}, {0.07}, {0.5}});
    EXPECT_EQ(t->GetSum(0).ToDouble(), fresh->GetSum(0).ToDouble());
    EXPECT_NEAR(t->GetSum(0).ToDouble(), 1235.13, 1e-9);

    // Values m * 2^-e (exact doubles with up to 53 bits) have an exact total in 2^-40 units.
    t->ClearRows();
    std::mt19937_64 random(45);
    auto number = [&]() -> Variant {
        if (random() % 7 == 0)
            return Variant(std::int64_t(random() % 2000000) - 1000000);
        const std::int64_t m = std::int64_t(random() % (std::uint64_t(1) << 53)) - (std::int64_t(1) << 52);
        return Variant(std::ldexp(static_cast<double>(m), -int(random() % 40 + 1)));
    };
    auto exact = [&]() {
        __extension__ __int128 units = 0;
        for (int r = 0; r < t->GetRowCount(); ++r)
            units += static_cast<__int128>(std::ldexp(t->GetData(r, 0).ToDouble(), 40));
        return std::ldexp(static_cast<double>(units), -40);
    };
    for (int step = 0; step < 3000; ++step) {
        const int rows = t->GetRowCount();
        switch (random() % 4) {
        case 0: t->InsertRow(int(random() % (rows + 1)), {number()}); break;
        case 1:
            if (rows > 1)
                t->RemoveRow(int(random() % rows));
            break;
        default:
            if (rows > 0)
                t->SetData(int(random() % rows), 0, number());
            break;
        }
        if (random() % 2)
            continue;
        ASSERT_EQ(t->GetSum(0).ToDouble(), exact()) << "step " << step;
    }
}

// Rows appended between reads of the sums count as rows whose sums are read after every
// change: a twin table read after each step gives the same sums, kind and value, and both
// equal a recount, whatever changes (edits of the new rows, inserts, removals, clearing,
// columns added or removed) come between the reads.
TEST(SimpleProvider, RowsAppendedBetweenReadsCountInTheSums)
{
    auto t = MakeTable(QStringLiteral("Q,T,P"), QStringLiteral("n,s,n"), {});
    auto twin = MakeTable(QStringLiteral("Q,T,P"), QStringLiteral("n,s,n"), {});
    EXPECT_TRUE(t->GetSum(0).IsClear());
    std::mt19937 random(5);
    auto number = [&]() -> Variant {
        switch (random() % 6) {
        case 0: return Variant();
        case 1: return Variant(QStringLiteral("2.5"));
        case 2: return Variant(std::int64_t(random() % 2000) - 1000);
        default: return Variant(double(int(random() % 400) - 200) / 4.0);
        }
    };
    auto recount = [](TKvSimpleDataProvider* table, int field) {
        double sum = 0;
        for (int r = 0; r < table->GetRowCount(); ++r) {
            double v = 0;
            if (!table->GetData(r, field).IsClear() && table->GetData(r, field).TryToDouble(v))
                sum += v;
        }
        return sum;
    };
    auto both = [&](auto&& change) {
        change(t.get());
        change(twin.get());
        (void)twin->GetSum(0);
        (void)twin->GetSum(2);
    };
    for (int step = 0; step < 3000; ++step) {
        const int rows = t->GetRowCount();
        const int pick = int(random() % 20);
        const Variant q = number(), p = number();
        const int at = rows > 0 ? int(random() % rows) : 0;
        // Mostly among the rows appended last.
        const int recent = random() % 4 ? std::max(0, rows - 1 - int(random() % 4)) : at;
        if (pick < 12) {
            // Two values for three columns: the last is unassigned.
            if (random() % 3)
                both([&](TKvSimpleDataProvider* x) { x->InsertRow(rows, {q, QStringLiteral("t"), p}); });
            else
                both([&](TKvSimpleDataProvider* x) { x->InsertRow(rows, TKvGridDataRow{q, QStringLiteral("t")}); });
        } else if (pick == 12 && rows > 0) {
            both([&](TKvSimpleDataProvider* x) { x->SetData(recent, 0, q); });
        } else if (pick == 13 && rows > 0) {
            both([&](TKvSimpleDataProvider* x) { x->UpdateRow(recent, {p, QStringLiteral("u"), q}); });
        } else if (pick == 14 && rows > 0) {
            both([&](TKvSimpleDataProvider* x) { x->RemoveRow(recent); });
        } else if (pick == 15 && rows > 2) {
            const int other = int(random() % rows);
            both([&](TKvSimpleDataProvider* x) { x->RemoveRows({recent, other}); });
        } else if (pick == 16) {
            both([&](TKvSimpleDataProvider* x) { x->InsertRow(at, {q, QStringLiteral("m"), p}); });
        } else if (pick == 17 && step % 400 == 17) {
            both([&](TKvSimpleDataProvider* x) { x->ClearRows(); });
        } else if (pick == 18) {
            // A numeric column added while rows wait holds no values, so it has no sum.
            both([&](TKvSimpleDataProvider* x) { x->InsertColumns(1, 1, QStringLiteral("N"), QStringLiteral("n")); });
            ASSERT_TRUE(t->GetSum(1).IsClear()) << "step " << step;
            both([&](TKvSimpleDataProvider* x) { x->RemoveColumns(1, 1); });
        }
        if (random() % 25)
            continue;
        for (int field : {0, 2}) {
            const Variant sum = t->GetSum(field), want = twin->GetSum(field);
            ASSERT_EQ(sum.Kind(), want.Kind()) << "step " << step << " field " << field;
            ASSERT_EQ(sum.ToDouble(), want.ToDouble()) << "step " << step << " field " << field;
            ASSERT_DOUBLE_EQ(sum.ToDouble(), recount(t.get(), field)) << "step " << step;
        }
    }
}

// Every column gives its values as one array, whatever kind it keeps them by; after a change
// the array asked for again holds the change.
TEST(SimpleProvider, FieldValuesOfEveryKindOfColumn)
{
    auto t = MakeTable(QStringLiteral("N,F,S,D,B,M"), QStringLiteral("n,n,s,d,b,s"),
                       {{1, 1.5, QStringLiteral("a"), Variant::DateTime(45000.5), true, 1},
                        {2, 2.5, QStringLiteral("b"), Variant::DateTime(45001.25), false, QStringLiteral("x")},
                        {3, Variant(), QStringLiteral("a"), Variant(), true, Variant()}});
    auto values = [&](int field) {
        const Variant* cells = t->GetFieldValues(field);
        TKvGridDataRow out;
        for (int r = 0; cells && r < t->GetRowCount(); ++r)
            out.push_back(cells[r]);
        return out;
    };
    auto rows = [&](int field) {
        TKvGridDataRow out;
        for (int r = 0; r < t->GetRowCount(); ++r)
            out.push_back(t->GetData(r, field));
        return out;
    };
    for (int f = 0; f < t->GetFieldCount(); ++f)
        EXPECT_EQ(values(f), rows(f)) << "field " << f;
    EXPECT_EQ(values(0), (TKvGridDataRow{Variant(1), Variant(2), Variant(3)}));

    t->SetData(1, 0, 20);
    t->InsertRow(0, {Variant(7), 7.5});
    t->RemoveRow(3);
    EXPECT_EQ(values(0), (TKvGridDataRow{Variant(7), Variant(1), Variant(20)}));
    EXPECT_EQ(values(1), (TKvGridDataRow{Variant(7.5), Variant(1.5), Variant(2.5)}));
    t->UpdateRow(0, {Variant(8)});
    EXPECT_EQ(values(0), rows(0));
    t->ClearRows();
    EXPECT_EQ(values(0), TKvGridDataRow());
    EXPECT_EQ(t->GetFieldValues(6), nullptr);
}
