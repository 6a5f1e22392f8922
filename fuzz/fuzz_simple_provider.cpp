// The simple provider's column texts. The input's first line is the headers, the second the
// types, and each further line a row of comma-separated values. Columns that are declared
// describe themselves in a text that declares the same columns again; rows, values, sums and
// column removal answer or raise the library's error.
#include "FuzzSupport.h"

#include "model/KvGrids.Data.Simple.h"

using namespace kv;
using namespace kvfuzz;

namespace {

QString TypeLetter(TKvGridValueType type)
{
    switch (type) {
    case ValueTypeNumeric: return QStringLiteral("n");
    case ValueTypeDateTime: return QStringLiteral("d");
    case ValueTypeBool: return QStringLiteral("b");
    default: return QStringLiteral("t");
    }
}

void CheckDeclaredAgain(const TKvSimpleDataProvider& provider)
{
    QStringList types;
    for (int i = 0; i < provider.GetFieldCount(); ++i)
        types << TypeLetter(provider.GetValueType(i));
    const QString headers = provider.GetFieldNames().join(QLatin1Char(','));
    TOwned<TKvSimpleDataProvider> again(Create<TKvSimpleDataProvider>(nullptr));
    QString error;
    Check(Refusable([&] { again->InsertColumns(0, provider.GetFieldCount(), headers, types.join(QLatin1Char(';'))); }, &error),
          "declared columns do not declare again", headers + QLatin1Char(' ') + error);
    Check(again->GetFieldNames() == provider.GetFieldNames(), "column names change", headers);
    for (int i = 0; i < provider.GetFieldCount(); ++i)
        Check(again->GetValueType(i) == provider.GetValueType(i), "column types change", headers);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int count = data[0] % 9 - 1;   // -1 .. 7
    const int second = data[1] % 5 - 1;  // where a second declaration goes
    const QStringList lines = Text(data + 2, size - 2).split(QLatin1Char('\n'));
    TOwned<TKvSimpleDataProvider> provider(Create<TKvSimpleDataProvider>(nullptr));
    if (!Refusable([&] { provider->InsertColumns(0, count, lines.value(0), lines.value(1)); }))
        return 0;
    Check(provider->GetFieldCount() == std::max(count, 0), "column count", lines.value(0));
    CheckDeclaredAgain(*provider);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        TKvGridDataRow values;
        for (const QString& text : lines.at(i).split(QLatin1Char(',')))
            values.push_back(Variant(text));
        const int row = provider->GetRowCount();
        if (!Refusable([&] { provider->InsertRow(row, values); }))
            continue;
        for (int field = 0; field < provider->GetFieldCount(); ++field) {
            const Variant value = provider->GetData(row, field);
            (void)Refusable([&] { provider->SetData(row, field, Variant(value.IsEmpty() ? QStringLiteral("1") : value.ToString() + QLatin1Char('0'))); });
        }
    }
    std::vector<int> rows;
    for (int r = 0; r < provider->GetRowCount(); ++r)
        rows.push_back(r);
    for (int field = -1; field <= provider->GetFieldCount(); ++field) {
        (void)Refusable([&] { (void)provider->GetSum(field); });
        (void)Refusable([&] { (void)provider->GetRangeSum(field, rows); });
        (void)Refusable([&] { (void)provider->GetFieldIndex(provider->GetFieldName(field)); });
    }
    if (Refusable([&] { provider->InsertColumns(second, count, lines.value(1), lines.value(0)); }))
        CheckDeclaredAgain(*provider);
    (void)Refusable([&] { provider->RemoveColumns(second, count); });
    Check(provider->GetFieldCount() >= 0, "negative column count", lines.value(0));
    for (int r = 0; r < provider->GetRowCount(); ++r)
        Check(static_cast<int>(provider->GetRow(r).size()) == provider->GetFieldCount(), "row width", lines.value(0));
    return 0;
}
