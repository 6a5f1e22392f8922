#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Data.Vantrel.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/ScopeGuard.h"

using namespace kv;
using namespace kvtest;

namespace {

TOwned<TKvVantrelDataProvider> MakeStore()
{
    TOwned<TKvVantrelDataProvider> p = MakeOwned<TKvVantrelDataProvider>(nullptr);
    p->GetFields()->Add(QStringLiteral("name"), vdtText);
    p->GetFields()->Add(QStringLiteral("qty"), vdtInt);
    p->GetFields()->Add(QStringLiteral("price"), vdtFloat);
    return p;
}

QStringList Texts(const TKvVantrelDataPool& pool)
{
    QStringList out;
    for (int r = 0; r < pool.GetCount(); ++r)
        out << (pool.GetNull(r) ? QStringLiteral("-") : pool.GetText(r));
    return out;
}

} // namespace

TEST(VantrelPool, ConversionsPerType)
{
    TKvVantrelDataPool ints(vdtInt, 0), bytes(vdtByte, 0), text(vdtText, 0), bools(vdtBool, 0), dates(vdtDate, 0),
        floats(vdtFloat, 0), big(vdtInt64, 0);
    for (TKvVantrelDataPool* p : {&ints, &bytes, &text, &bools, &dates, &floats, &big})
        p->SetCount(2);

    // A new record is null and reads as the type's zero.
    EXPECT_TRUE(ints.GetNull(0));
    EXPECT_EQ(ints.GetInt(0), 0);
    EXPECT_EQ(text.GetText(0), QString());
    EXPECT_TRUE(ints.GetValue(0).IsNull());

    // Empty text clears a typed record but stores the empty text in a text field.
    ints.SetValue(0, 5);
    ints.SetValue(0, QString());
    EXPECT_TRUE(ints.GetNull(0));
    text.SetValue(0, QString());
    EXPECT_FALSE(text.GetNull(0));

    // Floats round half to even into integer fields.
    ints.SetFloat(0, 2.6);
    EXPECT_EQ(ints.GetInt(0), 3);
    ints.SetValue(1, 2.5);
    EXPECT_EQ(ints.GetInt(1), 2);
    ints.SetText(1, QStringLiteral("41"));
    EXPECT_EQ(ints.GetValue(1), Variant(41));

    // Narrowing that does not fit raises and keeps the record.
    bytes.SetInt(0, 200);
    EXPECT_THROW(bytes.SetInt(0, 300), EConvertError);
    EXPECT_THROW(bytes.SetFloat(0, -1.0), EConvertError);
    EXPECT_EQ(bytes.GetInt(0), 200);
    big.SetInt64(0, 5000000000LL);
    EXPECT_EQ(big.GetInt64(0), 5000000000LL);
    EXPECT_THROW(big.GetInt(0), EConvertError);
    EXPECT_THROW(ints.SetValue(0, 1e12), EConvertError);
    EXPECT_EQ(ints.GetInt(0), 3);

    // Other conversions.
    text.SetText(1, QStringLiteral("12.5"));
    EXPECT_DOUBLE_EQ(text.GetFloat(1), 12.5);
    EXPECT_EQ(text.GetInt(1), 0); // not an integer text
    text.SetInt(1, 7);
    EXPECT_EQ(text.GetText(1), QStringLiteral("7"));
    bools.SetText(0, QStringLiteral("TRUE"));
    EXPECT_TRUE(bools.GetBool(0));
    EXPECT_EQ(bools.GetText(0), QStringLiteral("-1"));
    EXPECT_THROW(bools.SetText(1, QStringLiteral("maybe")), EConvertError);
    EXPECT_TRUE(bools.GetNull(1));
    floats.SetValue(0, QStringLiteral("1.25"));
    EXPECT_EQ(floats.GetValue(0), Variant(1.25));
    EXPECT_TRUE(floats.GetBool(0));
    dates.SetText(0, QStringLiteral("2024-01-31"));
    EXPECT_EQ(dates.GetDate(0), EncodeDate(2024, 1, 31));
    EXPECT_EQ(dates.GetText(0), QStringLiteral("2024-01-31"));
    EXPECT_EQ(dates.GetValue(0), Variant::DateTime(EncodeDate(2024, 1, 31)));

    // SetNull(False) gives the zero value; getters check their row.
    ints.SetNull(1, false);
    EXPECT_FALSE(ints.GetNull(1));
    EXPECT_EQ(ints.GetInt(1), 41);
    ints.SetNull(1, true);
    ints.SetNull(1, false);
    EXPECT_EQ(ints.GetValue(1), Variant(0));
    KV_EXPECT_THROW_MSG(ints.GetInt(2), EArgumentOutOfRangeException, "Row index is out of bounds: 2");
    KV_EXPECT_THROW_MSG(ints.GetValue(-1), EArgumentOutOfRangeException, "Row index is out of bounds: -1");
}

TEST(VantrelPool, GrowthAndTextAlignment)
{
    TKvVantrelDataPool pool(vdtText, 0);
    EXPECT_EQ(pool.GetCapacity(), 16);
    EXPECT_EQ(pool.GetSize(), 1);
    EXPECT_EQ(TKvVantrelDataPool(vdtInt16, 0).GetSize(), 3);
    EXPECT_EQ(TKvVantrelDataPool(vdtDate, 0).GetSize(), 9);
    for (int i = 0; i < 16; ++i)
        pool.SetText(pool.Add(), QString::number(i));
    EXPECT_EQ(pool.GetCapacity(), 16);
    pool.SetText(pool.Add(), QStringLiteral("16"));
    EXPECT_EQ(pool.GetCapacity(), 32);
    pool.SetCount(4);
    EXPECT_EQ(Texts(pool), QStringList({"0", "1", "2", "3"}));

    pool.Insert(1);
    EXPECT_EQ(Texts(pool), QStringList({"0", "-", "1", "2", "3"}));
    pool.Exchange(0, 4);
    EXPECT_EQ(Texts(pool), QStringList({"3", "-", "1", "2", "0"}));
    pool.Move(0, 3);
    EXPECT_EQ(Texts(pool), QStringList({"-", "1", "2", "3", "0"}));
    pool.Move(4, 1);
    EXPECT_EQ(Texts(pool), QStringList({"-", "0", "1", "2", "3"}));
    pool.Delete(1, 10); // bounded by what lies after the row
    EXPECT_EQ(Texts(pool), QStringList({"-"}));
    KV_EXPECT_THROW_MSG(pool.Insert(2), EArgumentOutOfRangeException, "Row index is out of bounds: 2");
    KV_EXPECT_THROW_MSG(pool.Move(0, 1), EArgumentOutOfRangeException, "Row index is out of bounds: 1");
    pool.SetCapacity(0);
    EXPECT_EQ(pool.GetCount(), 0);
    pool.Add();
    EXPECT_EQ(pool.GetCapacity(), 1); // an empty capacity jumps to the need

    // Typed records move whole through the same operations.
    TKvVantrelDataPool ints(vdtInt64, 0);
    for (int i = 0; i < 5; ++i)
        ints.SetInt64(ints.Add(), 10000000000LL + i);
    ints.Move(0, 4);
    ints.Exchange(0, 1);
    ints.Insert(2);
    EXPECT_EQ(Texts(ints), QStringList({"10000000002", "10000000001", "-", "10000000003", "10000000004", "10000000000"}));
}

TEST(VantrelPool, SumsMinAndMaxAfterEveryChange)
{
    TKvVantrelDataPool pool(vdtFloat, 0);
    pool.SetCount(4);
    pool.SetFloat(0, 1.5);
    pool.SetFloat(1, 10);
    pool.SetFloat(2, -4);
    EXPECT_EQ(pool.GetSum(), 7.5L);
    EXPECT_EQ(pool.GetMinimum(), -4.0L);
    EXPECT_EQ(pool.GetMaximum(), 10.0L);
    pool.SetFloat(1, 2); // replaced
    EXPECT_EQ(pool.GetSum(), -0.5L);
    EXPECT_EQ(pool.GetMaximum(), 2.0L);
    pool.ClearValue(2);
    EXPECT_EQ(pool.GetSum(), 3.5L);
    EXPECT_EQ(pool.GetMinimum(), 1.5L);
    pool.SetFloat(3, 100);
    pool.Exchange(0, 3);
    pool.Move(0, 2);
    EXPECT_EQ(pool.GetSum(), 103.5L);
    pool.Delete(2); // the 100
    EXPECT_EQ(pool.GetSum(), 3.5L);
    EXPECT_EQ(pool.GetMaximum(), 2.0L);
    pool.SetCount(1); // drops the 1.5
    EXPECT_EQ(pool.GetSum(), 2.0L);
    pool.DeleteSorted({0});
    EXPECT_EQ(pool.GetSum(), 0.0L);
    EXPECT_LT(pool.GetMaximum(), pool.GetMinimum()); // no values

    TKvVantrelDataPool bools(vdtBool, 0);
    bools.SetBool(bools.Add(), true);
    EXPECT_EQ(bools.GetSum(), 0.0L); // statistics cover Byte to Float only
}

TEST(VantrelPool, SumsRecoverAfterNonFiniteValuesLeave)
{
    const double inf = std::numeric_limits<double>::infinity();
    TKvVantrelDataPool pool(vdtFloat, 0);
    pool.SetCount(3);
    pool.SetFloat(0, 3);
    pool.SetFloat(1, inf);
    EXPECT_EQ(pool.GetSum(), std::numeric_limits<long double>::infinity());
    pool.ClearValue(1);
    EXPECT_EQ(pool.GetSum(), 3.0L);
    pool.SetFloat(1, std::nan(""));
    pool.SetFloat(2, -inf);
    EXPECT_TRUE(std::isnan(pool.GetSum()));
    pool.SetFloat(1, 4); // the NaN replaced
    EXPECT_EQ(pool.GetSum(), -std::numeric_limits<long double>::infinity());
    pool.SetFloat(0, inf);
    EXPECT_TRUE(std::isnan(pool.GetSum())); // inf and -inf together
    pool.Delete(2);
    pool.SetFloat(0, 3);
    EXPECT_EQ(pool.GetSum(), 7.0L);

    // Through the provider, as a grid's footer reads it.
    auto p = MakeStore();
    p->AppendRow({QStringLiteral("a"), 1, 3.0});
    p->AppendRow({QStringLiteral("b"), 2, 1.5});
    p->SetData(0, 2, inf);
    p->SetData(0, 2, Variant());
    EXPECT_EQ(p->GetSum(2), Variant(1.5));
    p->SetData(1, 2, std::nan(""));
    p->SetData(1, 2, 3.0);
    EXPECT_EQ(p->GetSum(2), Variant(3.0));
}

// A huge value set and corrected leaves the sum as a recount finds it, in the pool and
// through the provider.
TEST(VantrelPool, SumsStayExactAfterAHugeValueIsCorrected)
{
    TKvVantrelDataPool pool(vdtFloat, 0);
    pool.SetCount(3);
    pool.SetFloat(0, 3);
    pool.SetFloat(1, 1.5);
    pool.SetFloat(2, 1e20);
    pool.SetFloat(2, 0.25);
    EXPECT_EQ(pool.GetSum(), 4.75L);
    pool.SetFloat(0, -1e300);
    pool.Delete(0);
    EXPECT_EQ(pool.GetSum(), 1.75L);

    TKvVantrelDataPool ints(vdtInt64, 0);
    ints.SetCount(2);
    ints.SetInt64(0, 7);
    ints.SetInt64(1, std::numeric_limits<std::int64_t>::max());
    ints.SetInt64(1, 5);
    EXPECT_EQ(ints.GetSum(), 12.0L);

    auto p = MakeStore();
    p->AppendRow({QStringLiteral("a"), 1, 3.0});
    p->AppendRow({QStringLiteral("b"), 2, 1.5});
    p->SetData(0, 2, 1e20);
    p->SetData(0, 2, 3.0);
    EXPECT_EQ(p->GetSum(2), Variant(4.5));
}

// A sum read between edits never shifts later sums: the sum is the exact total rounded once.
TEST(VantrelPool, SumReadBetweenEditsStaysTheExactTotal)
{
    TKvVantrelDataPool pool(vdtFloat, 0);
    pool.SetCount(3);
    pool.SetFloat(0, 1234.56);
    pool.SetFloat(1, 0.07);
    pool.SetFloat(2, 123456789012345.67);
    EXPECT_NEAR(static_cast<double>(pool.GetSum()), 123456789013580.3, 0.02);
    pool.SetFloat(2, 0.5);
    TKvVantrelDataPool fresh(vdtFloat, 0);
    for (double v : {1234.56, 0.07, 0.5})
        fresh.SetFloat(fresh.Add(), v);
    EXPECT_EQ(static_cast<double>(pool.GetSum()), static_cast<double>(fresh.GetSum()));
    // The exact total of the three doubles, rounded once.
    EXPECT_EQ(static_cast<double>(pool.GetSum()), 1235.1299999999999);
}

TEST(VantrelProvider, RowsValuesAndNotifications)
{
    auto p = MakeStore();
    TDataRecorder rec;
    p->AddListener(&rec);
    p->GetFields()->GetItem(1)->SetDefaultValue(9);
    EXPECT_EQ(p->AppendRow({QStringLiteral("a"), 1, 1.5}), 0);
    EXPECT_EQ(p->AppendRow({QStringLiteral("b")}), 1); // the rest from defaults
    p->InsertRow(0, {QStringLiteral("c"), Variant(), 3.0});
    EXPECT_EQ(p->GetRowCount(), 3);
    EXPECT_EQ(p->GetData(0, 1), Variant(9));
    EXPECT_TRUE(p->GetData(2, 2).IsNull());
    EXPECT_EQ(p->GetRowState(0), RowStateCreated);
    EXPECT_EQ(p->GetRowState(7), RowStateNone);
    EXPECT_EQ(rec.Events, QStringList({"inserted 0", "inserted 1", "inserted 0"}));

    // A value that does not convert leaves the store as it was.
    EXPECT_THROW(p->InsertRow(1, {QStringLiteral("x"), QStringLiteral("many")}), EVariantError);
    EXPECT_EQ(p->GetRowCount(), 3);
    EXPECT_EQ(p->GetFields()->GetItem(0)->GetPool()->GetCount(), 3);
    EXPECT_THROW(p->UpdateRow(1, {QStringLiteral("z"), 5, QStringLiteral("abc")}), EVariantError);
    EXPECT_EQ(p->GetData(1, 0), Variant(QStringLiteral("a")));
    EXPECT_EQ(p->GetData(1, 1), Variant(1));

    rec.Events.clear();
    std::vector<QString> seen;
    p->OnValueUpdating = [&](TKvVantrelDataField* f, int row, const Variant& v) {
        seen.push_back(QStringLiteral("updating %1 %2 %3").arg(f->GetName()).arg(row).arg(v.ToString()));
    };
    p->OnValueUpdate = [&](TKvVantrelDataField* f, int row) { seen.push_back(QStringLiteral("update %1").arg(row)); };
    p->SetData(1, 1, 4);
    p->GetCellByName(2, QStringLiteral("PRICE"))->SetFloat(2.5);
    EXPECT_EQ(seen, std::vector<QString>({"updating qty 1 4", "update 1", "updating price 2 2.5", "update 2"}));
    p->UpdateRow(1, {QStringLiteral("a2"), 6});
    EXPECT_EQ(p->GetRowState(1), RowStateCreated);
    p->SetRowState(1, RowStateNone);
    p->UpdateRow(1, {});
    EXPECT_EQ(p->GetRowState(1), RowStateUpdated);
    EXPECT_TRUE(p->GetData(1, 0).IsNull());
    p->ClearStates();
    EXPECT_EQ(p->GetRowState(0), RowStateNone);
    EXPECT_EQ(rec.Events, QStringList({"value 1,1", "value 2,2", "updated 1", "state 1", "updated 1", "state 2",
                                       "state 1", "state 0"}));

    KV_EXPECT_THROW_MSG(p->InsertRow(4, {}), EArgumentOutOfRangeException, "Row 4 is invalid inserting index.");
    KV_EXPECT_THROW_MSG(p->UpdateRow(3, {}), EArgumentOutOfRangeException, "Row 3 is invalid index.");
    KV_EXPECT_THROW_MSG(p->RemoveRow(-1), EArgumentOutOfRangeException, "Row -1 is invalid deleting index.");
    KV_EXPECT_THROW_MSG(p->GetDefaultValue(3), EArgumentOutOfRangeException, "Field 3 is invalid index.");
    KV_EXPECT_THROW_MSG(p->GetCell(0, 3), EArgumentOutOfRangeException, "Invalid field index: 3");
    KV_EXPECT_THROW_MSG(p->GetCellByName(0, QStringLiteral("nope")), EArgumentException, "Invalid field name: nope");
    EXPECT_THROW(p->SetData(3, 0, 1), EArgumentOutOfRangeException);
    p->RemoveListener(&rec);
}

TEST(VantrelProvider, RemoveRowsSumsAndStatistics)
{
    auto p = MakeStore();
    for (int i = 0; i < 6; ++i)
        p->AppendRow({QStringLiteral("r%1").arg(i), i * 10, i + 0.5});
    EXPECT_EQ(p->GetSum(1), Variant(150.0));
    EXPECT_EQ(p->GetMax(1), Variant(50.0));
    TDataRecorder rec;
    p->AddListener(&rec);

    // Each valid row goes once; duplicates and out-of-range indices are ignored.
    p->RemoveRows({4, 1, 4, 9, -2, 1});
    EXPECT_EQ(rec.Events, QStringList({"rows removed 1,4"}));
    QStringList names;
    for (int r = 0; r < p->GetRowCount(); ++r)
        names << p->GetData(r, 0).ToString();
    EXPECT_EQ(names, QStringList({"r0", "r2", "r3", "r5"}));
    EXPECT_EQ(p->GetSum(1), Variant(100.0));
    EXPECT_EQ(p->GetMin(1), Variant(0.0));
    EXPECT_EQ(p->GetMax(1), Variant(50.0));
    p->RemoveRow(3);
    EXPECT_EQ(p->GetSum(1), Variant(50.0));
    EXPECT_EQ(p->GetMax(1), Variant(30.0));
    p->SetRowCount(1); // dropped rows leave the sums
    EXPECT_EQ(p->GetSum(1), Variant(0.0));
    EXPECT_EQ(p->GetSum(2), Variant(0.5));
    EXPECT_EQ(p->GetFields()->GetItem(0)->GetPool()->GetCount(), 1);
    p->SetRowCount(3);
    const int rows[] = {0, 2};
    p->SetData(2, 2, 4);
    EXPECT_EQ(p->GetRangeSum(2, rows), Variant(4.5));
    EXPECT_EQ(p->GetRangeSum(0, rows), Variant(0));
    const int bad[] = {0, 3};
    EXPECT_THROW(p->GetRangeSum(2, bad), EArgumentOutOfRangeException);
    p->RemoveRows({0, 1, 2});
    EXPECT_TRUE(p->GetSum(1).IsEmpty());
    EXPECT_TRUE(p->GetMax(1).IsEmpty());

    // Inside an update the buffers still follow the row count.
    p->BeginUpdate();
    p->SetRowCount(2);
    EXPECT_EQ(p->AppendRow({QStringLiteral("x"), 1}), 2);
    p->EndUpdate(true);
    EXPECT_TRUE(p->GetData(1, 0).IsNull());
    EXPECT_EQ(p->GetSum(1), Variant(1.0));
    p->RemoveListener(&rec);
}

TEST(VantrelProvider, FieldsTypesAndDesignTime)
{
    auto p = MakeStore();
    EXPECT_EQ(p->GetFieldNames(), QStringList({"name", "qty", "price"}));
    // Names are unique regardless of case (see FieldNamesAreUniqueRegardlessOfCase), and
    // found in any case.
    p->GetFields()->Add(QStringLiteral("Flag"), vdtBool);
    EXPECT_EQ(p->GetFieldIndex(QStringLiteral("QTY")), 1);
    EXPECT_EQ(p->GetFieldIndex(QStringLiteral("flag")), 3);
    EXPECT_EQ(p->GetFieldByName(QStringLiteral("QTY"))->GetIndex(), 1);
    EXPECT_EQ(p->GetValueType(3), ValueTypeBool);
    EXPECT_EQ(p->GetValueType(2), ValueTypeNumeric);
    p->AppendRow({QStringLiteral("a"), 1});
    KV_EXPECT_THROW_MSG(p->GetFields()->GetItem(1)->SetDataType(vdtText), Exception,
                        "Can not change data field's data type");
    KV_EXPECT_THROW_MSG(p->GetFields()->GetItem(1)->SetLength(5), Exception, "Can not change data field's length");
    EXPECT_EQ(p->GetData(0, 1), Variant(1));

    // A field added later is sized to the rows; a field change resets the listeners.
    TDataRecorder rec;
    p->AddListener(&rec);
    p->GetFields()->Add(QStringLiteral("when"), vdtDate);
    EXPECT_TRUE(p->GetData(0, 4).IsNull());
    EXPECT_EQ(rec.Events, QStringList({"reset"}));
    p->RemoveListener(&rec);

    // At design time cells show the design value, and types can change.
    p->SetDesigning(true);
    p->GetFields()->GetItem(0)->SetDesignValue(QStringLiteral("sample"));
    EXPECT_EQ(p->GetData(0, 0), Variant(QStringLiteral("sample")));
    p->GetFields()->GetItem(1)->SetDataType(vdtText);
    EXPECT_EQ(p->GetValueType(1), ValueTypeText);
}

// Without the design package no dialog is installed: a field added at design time comes
// unnamed, as at run time, and the provider goes on.
TEST(VantrelProvider, DesignTimeFieldWithoutTheDesignerIsAddedUnnamed)
{
    auto p = MakeStore();
    p->SetDesigning(true);
    TKvVantrelDataField* field = p->GetFields()->Add();
    EXPECT_EQ(field->GetName(), QString());
    EXPECT_EQ(field->GetDataType(), vdtText);
    EXPECT_EQ(p->GetFieldCount(), 4);
}

TEST(VantrelProvider, FieldsAndRowCountRoundTripThroughAFormFile)
{
    auto p = MakeStore();
    p->SetName(QStringLiteral("Store1"));
    p->GetFields()->GetItem(1)->SetDefaultValue(5);
    p->SetRowCount(3);
    p->SetDeletable(false);
    const QString form = WriteComponentText(p.get());
    auto back = MakeOwned<TKvVantrelDataProvider>(nullptr);
    ReadComponentText(form, back.get());
    EXPECT_EQ(back->GetFieldNames(), QStringList({"name", "qty", "price"}));
    EXPECT_EQ(back->GetFields()->GetItem(2)->GetDataType(), vdtFloat);
    EXPECT_EQ(back->GetDefaultValue(1), Variant(5));
    EXPECT_EQ(back->GetRowCount(), 3);
    EXPECT_FALSE(back->CanDeleteRow(0));
    back->SetData(2, 1, 7.4); // the buffers were sized when loading ended
    EXPECT_EQ(back->GetSum(1), Variant(7.0));
}

TEST(VantrelPool, EachIntegerTypeTakesItsExactLimitsAndRefusesOneMore)
{
    struct TLimits
    {
        TKvVantrelDataType Type;
        std::int64_t Lo, Hi;
        const char *LoText, *HiText, *BelowText, *AboveText;
    };
    const TLimits limits[] = {
        {vdtByte, 0, 255, "0", "255", "-1", "256"},
        {vdtInt16, -32768, 32767, "-32768", "32767", "-32769", "32768"},
        {vdtInt, -2147483647 - 1, 2147483647, "-2147483648", "2147483647", "-2147483649", "2147483648"},
        {vdtInt64, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
         "-9223372036854775808", "9223372036854775807", "-9223372036854775809", "9223372036854775808"},
    };
    for (const TLimits& l : limits) {
        SCOPED_TRACE(static_cast<int>(l.Type));
        TKvVantrelDataPool pool(l.Type, 0);
        pool.SetCount(1);
        // The exact limits are kept exactly, by number, by text and by value.
        pool.SetInt64(0, l.Hi);
        EXPECT_EQ(pool.GetInt64(0), l.Hi);
        pool.SetInt64(0, l.Lo);
        EXPECT_EQ(pool.GetInt64(0), l.Lo);
        pool.SetText(0, QString::fromLatin1(l.HiText));
        EXPECT_EQ(pool.GetInt64(0), l.Hi);
        EXPECT_EQ(pool.GetText(0), QString::fromLatin1(l.HiText));
        pool.SetText(0, QString::fromLatin1(l.LoText));
        EXPECT_EQ(pool.GetInt64(0), l.Lo);
        pool.SetValue(0, Variant(static_cast<qint64>(l.Hi)));
        EXPECT_EQ(pool.GetInt64(0), l.Hi);

        // One past either end is refused and the record keeps its value.
        if (l.Type != vdtInt64) {
            EXPECT_THROW(pool.SetInt64(0, l.Hi + 1), EConvertError);
            EXPECT_THROW(pool.SetInt64(0, l.Lo - 1), EConvertError);
            EXPECT_THROW(pool.SetValue(0, Variant(static_cast<qint64>(l.Hi + 1))), EConvertError);
        }
        EXPECT_THROW(pool.SetText(0, QString::fromLatin1(l.AboveText)), EConvertError);
        EXPECT_THROW(pool.SetText(0, QString::fromLatin1(l.BelowText)), EConvertError);
        EXPECT_THROW(pool.SetFloat(0, static_cast<double>(l.Hi) + (l.Type == vdtInt64 ? 0 : 1)), EConvertError);
        EXPECT_EQ(pool.GetInt64(0), l.Hi);
        EXPECT_FALSE(pool.GetNull(0));
    }
}

// Field names are unique regardless of case, as the look-up by name is: a second "Amount"
// beside "amount" is refused by every way a name is given, and the fields stay as they were.
TEST(VantrelProvider, FieldNamesAreUniqueRegardlessOfCase)
{
    auto p = MakeStore();
    p->GetFields()->Add(QStringLiteral("amount"), vdtFloat);
    KV_EXPECT_THROW_MSG(p->GetFields()->Add(QStringLiteral("Amount"), vdtFloat), Exception,
                        "Field name 'Amount' is already used by the field 'amount'");
    EXPECT_EQ(p->GetFieldNames(), (QStringList{"name", "qty", "price", "amount"}));
    KV_EXPECT_THROW_MSG(p->GetFields()->GetItem(1)->SetName(QStringLiteral("AMOUNT")), Exception,
                        "Field name 'AMOUNT' is already used by the field 'amount'");
    EXPECT_EQ(p->GetFieldName(1), QStringLiteral("qty"));
    // A field may change the case of its own name; unnamed fields are many.
    p->GetFields()->GetItem(3)->SetName(QStringLiteral("Amount"));
    EXPECT_EQ(p->GetFieldName(3), QStringLiteral("Amount"));
    p->GetFields()->Add(QString(), vdtText);
    p->GetFields()->Add(QString(), vdtText);
    EXPECT_EQ(p->GetFieldCount(), 6);

    // The designer's new-field dialog answering a name in use.
    TKvVantrelDataField::SetFieldDialog([](TKvVantrelDataProvider*, QString& name, TKvVantrelDataType& type) {
        name = QStringLiteral("QTY");
        type = vdtInt;
        return true;
    });
    TScopeExit noDialog([] { TKvVantrelDataField::SetFieldDialog(nullptr); });
    p->SetDesigning(true);
    KV_EXPECT_THROW_MSG(p->GetFields()->Add(), Exception, "Field name 'QTY' is already used by the field 'qty'");
    EXPECT_EQ(p->GetFieldCount(), 6);
}
