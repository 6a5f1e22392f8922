// Index
//   1. Pool: records, growth, conversions, statistics
//   2. Field and field collection
//   3. Provider: data-provider contract, rows, states, sums
//   4. Cell
//
// Call flow: the provider's SetData and every cell setter run WriteValue (OnValueUpdating,
// the pool's SetValue, DoValueChanged, OnValueUpdate). Row operations move the records of
// every field's pool together with the row-state list. Pools keep their running sum as values
// come and go; the smallest and largest value are recomputed lazily after a removal.
#include "model/KvGrids.Data.Vantrel.h"

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/TypInfo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace kv {

// --- 1. Pool ------------------------------------------------------------------------------

namespace {

const char* const kTypeNames[] = {"Text", "Bool", "Byte", "Int16", "Int", "Int64", "Float", "Date"};
constexpr int kWidths[] = {0, 1, 1, 2, 4, 8, 8, 8};
constexpr std::uint8_t kHasValue = 255;

[[noreturn]] void RaiseRange(const QString& value, TKvVantrelDataType type)
{
    throw EConvertError(QStringLiteral("%1 is out of range for %2").arg(value, QLatin1String(kTypeNames[type])));
}

// The integer range of an integer type.
void IntRange(TKvVantrelDataType type, std::int64_t& lo, std::int64_t& hi)
{
    switch (type) {
    case vdtByte: lo = 0; hi = 255; break;
    case vdtInt16: lo = std::numeric_limits<std::int16_t>::min(); hi = std::numeric_limits<std::int16_t>::max(); break;
    case vdtInt: lo = std::numeric_limits<std::int32_t>::min(); hi = std::numeric_limits<std::int32_t>::max(); break;
    default: lo = std::numeric_limits<std::int64_t>::min(); hi = std::numeric_limits<std::int64_t>::max(); break;
    }
}

std::int64_t CheckInt(std::int64_t value, TKvVantrelDataType type)
{
    std::int64_t lo, hi;
    IntRange(type, lo, hi);
    if (value < lo || value > hi)
        RaiseRange(QString::number(value), type);
    return value;
}

// Rounds half to even; a value outside the type (or not a number) raises.
std::int64_t RoundToInt(long double value, TKvVantrelDataType type)
{
    const long double r = std::nearbyintl(value);
    if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L))
        RaiseRange(FloatToStr(static_cast<double>(value)), type);
    return CheckInt(static_cast<std::int64_t>(r), type);
}

bool TextToBool(const QString& text, bool& out)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        out = true;
        return true;
    }
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        out = false;
        return true;
    }
    double d = 0;
    if (TryStrToFloat(t, d)) {
        out = d != 0;
        return true;
    }
    return false;
}

double TextToDate(const QString& text)
{
    double d = 0;
    if (TryStrToDateTime(text, d) || TryStrToFloat(text, d))
        return d;
    return 0;
}

} // namespace

TKvVantrelDataPool::TKvVantrelDataPool(TKvVantrelDataType DataType, unsigned Length) { Init(DataType, Length); }

void TKvVantrelDataPool::Init(TKvVantrelDataType DataType, unsigned Length)
{
    FDataType = DataType;
    FLength = Length;
    FSize = 1 + kWidths[DataType];
    FBuff = std::make_unique<std::uint8_t[]>(static_cast<size_t>(FSize));
    if (DataType == vdtText)
        FStrings = std::make_unique<std::vector<QString>>();
    else
        FStrings.reset();
    FValues.reset();
    FCount = 0;
    FCapacity = 0;
    SetCapacity(16);
    ResetStatistics();
}

void TKvVantrelDataPool::ResetStatistics()
{
    FSum.Clear();
    FWhole = 0;
    FMean = FVariance = 0;
    FPositiveInfinities = FNegativeInfinities = FNaNs = 0;
    FMinimum = std::numeric_limits<long double>::max();
    FMaximum = std::numeric_limits<long double>::lowest();
    FRangeValid = true;
}

void TKvVantrelDataPool::CheckRow(int Row, int Limit) const
{
    if (Row < 0 || Row >= Limit)
        throw EArgumentOutOfRangeException(QStringLiteral("Row index is out of bounds: %1").arg(Row));
}

void TKvVantrelDataPool::SetCapacity(int Value)
{
    Value = std::max(Value, 0);
    if (Value < FCount)
        SetCount(Value);
    if (Value == FCapacity)
        return;
    auto block = std::make_unique<std::uint8_t[]>(static_cast<size_t>(Value) * static_cast<size_t>(FSize)); // zeroed
    if (FCount > 0)
        std::memcpy(block.get(), FValues.get(), static_cast<size_t>(FCount) * static_cast<size_t>(FSize));
    FValues = std::move(block);
    FCapacity = Value;
    if (FStrings)
        FStrings->reserve(static_cast<size_t>(Value));
}

void TKvVantrelDataPool::Grow(int Need)
{
    if (Need <= FCapacity)
        return;
    // Geometric growth, at least 16 records at a time.
    const int grown = FCapacity == 0 ? Need : std::max(Need, FCapacity + std::max(16, FCapacity / 2));
    SetCapacity(grown);
}

void TKvVantrelDataPool::SetCount(int Value)
{
    Value = std::max(Value, 0);
    if (Value > FCapacity)
        SetCapacity(Value);
    if (Value < FCount) {
        for (int row = Value; row < FCount; ++row)
            Forget(row);
        std::memset(Record(Value), 0, static_cast<size_t>(FCount - Value) * static_cast<size_t>(FSize));
    }
    FCount = Value;
    if (FStrings)
        FStrings->resize(static_cast<size_t>(Value));
}

bool TKvVantrelDataPool::GetNull(int Row) const
{
    CheckRow(Row, FCount);
    return Record(Row)[0] != kHasValue;
}

void TKvVantrelDataPool::SetNull(int Row, bool IsNull)
{
    if (IsNull) {
        ClearValue(Row);
    } else if (GetNull(Row)) {
        if (FDataType == vdtText)
            WriteText(Row, QString());
        else
            WriteReal(Row, 0);
    }
}

void TKvVantrelDataPool::Forget(int Row)
{
    if (IsNumeric() && Record(Row)[0] == kHasValue)
        Account(StoredReal(Row), true);
}

void TKvVantrelDataPool::ClearValue(int Row)
{
    CheckRow(Row, FCount);
    std::uint8_t* rec = Record(Row);
    if (rec[0] != kHasValue)
        return;
    Forget(Row);
    std::memset(rec, 0, static_cast<size_t>(FSize));
    if (FStrings)
        (*FStrings)[static_cast<size_t>(Row)] = QString();
}

long double TKvVantrelDataPool::StoredReal(int Row) const
{
    const std::uint8_t* v = Record(Row) + 1;
    switch (FDataType) {
    case vdtBool:
    case vdtByte: return *v;
    case vdtInt16: { std::int16_t x; std::memcpy(&x, v, 2); return x; }
    case vdtInt: { std::int32_t x; std::memcpy(&x, v, 4); return x; }
    case vdtInt64: { std::int64_t x; std::memcpy(&x, v, 8); return static_cast<long double>(x); }
    case vdtFloat:
    case vdtDate: { double x; std::memcpy(&x, v, 8); return x; }
    default: return 0;
    }
}

void TKvVantrelDataPool::Account(long double Value, bool Removing)
{
    if (!IsNumeric())
        return;
    if (!std::isfinite(Value)) {
        int& count = std::isnan(Value) ? FNaNs : Value > 0 ? FPositiveInfinities : FNegativeInfinities;
        count += Removing ? -1 : 1;
    } else if (FDataType == vdtFloat) {
        FSum.AddLong(Value, Removing ? -1 : 1);
    } else {
        // A whole number of at most 64 bits, held exactly as a long double.
        const auto whole = static_cast<__int128>(static_cast<std::int64_t>(Value));
        FWhole += Removing ? -whole : whole;
    }
    if (Removing) {
        if (FRangeValid && (Value <= FMinimum || Value >= FMaximum))
            FRangeValid = false;
    } else {
        if (FRangeValid) {
            FMinimum = std::min(FMinimum, Value);
            FMaximum = std::max(FMaximum, Value);
        }
    }
}

void TKvVantrelDataPool::RecomputeRange() const
{
    FMinimum = std::numeric_limits<long double>::max();
    FMaximum = std::numeric_limits<long double>::lowest();
    for (int row = 0; row < FCount; ++row)
        if (Record(row)[0] == kHasValue) {
            const long double v = StoredReal(row);
            FMinimum = std::min(FMinimum, v);
            FMaximum = std::max(FMaximum, v);
        }
    FRangeValid = true;
}

long double TKvVantrelDataPool::GetSum() const
{
    if (FNaNs > 0 || (FPositiveInfinities > 0 && FNegativeInfinities > 0))
        return std::numeric_limits<long double>::quiet_NaN();
    if (FPositiveInfinities > 0)
        return std::numeric_limits<long double>::infinity();
    if (FNegativeInfinities > 0)
        return -std::numeric_limits<long double>::infinity();
    if (FDataType != vdtFloat)
        return static_cast<long double>(FWhole);
    if (FSum.Overflowed()) {
        FSum.Clear();
        for (int row = 0; row < FCount; ++row)
            if (Record(row)[0] == kHasValue)
                if (const long double v = StoredReal(row); std::isfinite(v))
                    FSum.AddLong(v);
    }
    return FSum.Value();
}

long double TKvVantrelDataPool::GetMinimum() const
{
    if (!FRangeValid)
        RecomputeRange();
    return FMinimum;
}

long double TKvVantrelDataPool::GetMaximum() const
{
    if (!FRangeValid)
        RecomputeRange();
    return FMaximum;
}

// Value must already fit the pool's type (integers rounded and range-checked).
void TKvVantrelDataPool::WriteReal(int Row, long double Value)
{
    CheckRow(Row, FCount);
    std::uint8_t* rec = Record(Row);
    Forget(Row);
    std::uint8_t* v = rec + 1;
    switch (FDataType) {
    case vdtBool: *v = Value != 0 ? 1 : 0; break;
    case vdtByte: *v = static_cast<std::uint8_t>(Value); break;
    case vdtInt16: { const auto x = static_cast<std::int16_t>(Value); std::memcpy(v, &x, 2); break; }
    case vdtInt: { const auto x = static_cast<std::int32_t>(Value); std::memcpy(v, &x, 4); break; }
    case vdtInt64: { const auto x = static_cast<std::int64_t>(Value); std::memcpy(v, &x, 8); break; }
    case vdtFloat:
    case vdtDate: { const auto x = static_cast<double>(Value); std::memcpy(v, &x, 8); break; }
    case vdtText: break;
    }
    rec[0] = kHasValue;
    if (IsNumeric())
        Account(StoredReal(Row), false);
}

void TKvVantrelDataPool::WriteText(int Row, const QString& Value)
{
    CheckRow(Row, FCount);
    (*FStrings)[static_cast<size_t>(Row)] = Value;
    Record(Row)[0] = kHasValue;
}

Variant TKvVantrelDataPool::GetValue(int Row) const
{
    if (GetNull(Row))
        return Variant::Null();
    switch (FDataType) {
    case vdtText: return Variant((*FStrings)[static_cast<size_t>(Row)]);
    case vdtBool: return Variant(Record(Row)[1] != 0);
    case vdtFloat: return Variant(GetFloat(Row));
    case vdtDate: return Variant::DateTime(GetDate(Row));
    default: return Variant(GetInt64(Row));
    }
}

void TKvVantrelDataPool::SetValue(int Row, const Variant& Value)
{
    CheckRow(Row, FCount);
    // Only text (and arrays) can have an empty text form; numbers never do.
    const bool emptyText = Value.IsString() ? Value.AsString().isEmpty() : !Value.IsNumeric() && Value.ToString().isEmpty();
    if (Value.IsClear() || (FDataType != vdtText && emptyText)) {
        ClearValue(Row);
        return;
    }
    switch (FDataType) {
    case vdtText: SetText(Row, Value.ToString()); break;
    case vdtBool: SetBool(Row, Value.ToBoolean()); break;
    case vdtByte:
    case vdtInt16:
    case vdtInt:
    case vdtInt64:
        if (Value.IsDouble() || Value.IsDateTime())
            SetExtended(Row, Value.AsDouble());
        else
            SetInt64(Row, Value.ToInt64());
        break;
    case vdtFloat: SetExtended(Row, Value.ToDouble()); break;
    case vdtDate: SetDate(Row, Value.ToDateTime()); break;
    }
}

QString TKvVantrelDataPool::GetText(int Row) const
{
    if (GetNull(Row))
        return QString();
    switch (FDataType) {
    case vdtText: return (*FStrings)[static_cast<size_t>(Row)];
    case vdtBool: return GetBool(Row) ? QStringLiteral("-1") : QStringLiteral("0");
    case vdtFloat: return FloatToStr(GetFloat(Row));
    case vdtDate: return DateTimeToStr(GetDate(Row));
    default: return QString::number(GetInt64(Row));
    }
}

bool TKvVantrelDataPool::GetBool(int Row) const
{
    if (GetNull(Row))
        return false;
    if (FDataType == vdtText) {
        bool b = false;
        return TextToBool((*FStrings)[static_cast<size_t>(Row)], b) && b;
    }
    return StoredReal(Row) != 0;
}

std::int64_t TKvVantrelDataPool::GetInt64(int Row) const
{
    if (GetNull(Row))
        return 0;
    switch (FDataType) {
    case vdtText: {
        std::int64_t i = 0;
        return TryStrToInt64((*FStrings)[static_cast<size_t>(Row)].trimmed(), i) ? i : 0;
    }
    case vdtInt64: {
        std::int64_t x;
        std::memcpy(&x, Record(Row) + 1, 8);
        return x;
    }
    case vdtFloat:
    case vdtDate: return RoundToInt(StoredReal(Row), vdtInt64);
    default: return static_cast<std::int64_t>(StoredReal(Row));
    }
}

std::uint8_t TKvVantrelDataPool::GetByte(int Row) const { return static_cast<std::uint8_t>(CheckInt(GetInt64(Row), vdtByte)); }

std::int16_t TKvVantrelDataPool::GetInt16(int Row) const { return static_cast<std::int16_t>(CheckInt(GetInt64(Row), vdtInt16)); }

int TKvVantrelDataPool::GetInt(int Row) const { return static_cast<int>(CheckInt(GetInt64(Row), vdtInt)); }

long double TKvVantrelDataPool::GetExtended(int Row) const
{
    if (GetNull(Row))
        return 0;
    if (FDataType == vdtText) {
        double d = 0;
        return TryStrToFloat((*FStrings)[static_cast<size_t>(Row)], d) ? d : 0;
    }
    return StoredReal(Row);
}

double TKvVantrelDataPool::GetFloat(int Row) const { return static_cast<double>(GetExtended(Row)); }

double TKvVantrelDataPool::GetDate(int Row) const
{
    if (FDataType == vdtText && !GetNull(Row))
        return TextToDate((*FStrings)[static_cast<size_t>(Row)]);
    return GetFloat(Row);
}

void TKvVantrelDataPool::SetText(int Row, const QString& Value)
{
    CheckRow(Row, FCount);
    switch (FDataType) {
    case vdtText: WriteText(Row, Value); break;
    case vdtBool: {
        bool b = false;
        if (!TextToBool(Value, b))
            throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(Value));
        WriteReal(Row, b ? 1 : 0);
        break;
    }
    case vdtFloat: {
        double d = 0;
        WriteReal(Row, TryStrToFloat(Value, d) ? d : 0);
        break;
    }
    case vdtDate: WriteReal(Row, TextToDate(Value)); break;
    default: {
        std::int64_t i = 0;
        const QString text = Value.trimmed();
        if (!TryStrToInt64(text, i)) {
            // An integer too long for 64 bits is out of range, not zero.
            const qsizetype digits = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0;
            if (text.size() > digits && std::all_of(text.begin() + digits, text.end(), [](QChar c) { return c.isDigit(); }))
                RaiseRange(text, FDataType);
        }
        WriteReal(Row, static_cast<long double>(CheckInt(i, FDataType)));
        break;
    }
    }
}

void TKvVantrelDataPool::SetBool(int Row, bool Value)
{
    if (FDataType == vdtText)
        SetText(Row, Value ? QStringLiteral("-1") : QStringLiteral("0"));
    else
        WriteReal(Row, Value ? 1 : 0);
}

void TKvVantrelDataPool::SetInt64(int Row, std::int64_t Value)
{
    switch (FDataType) {
    case vdtText: SetText(Row, QString::number(Value)); break;
    case vdtBool: WriteReal(Row, Value != 0 ? 1 : 0); break;
    case vdtFloat:
    case vdtDate: WriteReal(Row, static_cast<long double>(Value)); break;
    default: {
        CheckRow(Row, FCount);
        const std::int64_t v = CheckInt(Value, FDataType);
        if (FDataType == vdtInt64) {
            // Stored exactly, past the 64-bit mantissa of the statistics.
            Forget(Row);
            std::memcpy(Record(Row) + 1, &v, 8);
            Record(Row)[0] = kHasValue;
            Account(static_cast<long double>(v), false);
        } else {
            WriteReal(Row, static_cast<long double>(v));
        }
    }
    }
}

void TKvVantrelDataPool::SetByte(int Row, std::uint8_t Value) { SetInt64(Row, Value); }

void TKvVantrelDataPool::SetInt16(int Row, std::int16_t Value) { SetInt64(Row, Value); }

void TKvVantrelDataPool::SetInt(int Row, int Value) { SetInt64(Row, Value); }

void TKvVantrelDataPool::SetExtended(int Row, long double Value)
{
    switch (FDataType) {
    case vdtText: SetText(Row, FloatToStr(static_cast<double>(Value))); break;
    case vdtBool: WriteReal(Row, Value != 0 ? 1 : 0); break;
    case vdtFloat:
    case vdtDate: WriteReal(Row, Value); break;
    default: CheckRow(Row, FCount); SetInt64(Row, RoundToInt(Value, FDataType)); break;
    }
}

void TKvVantrelDataPool::SetFloat(int Row, double Value) { SetExtended(Row, Value); }

void TKvVantrelDataPool::SetDate(int Row, double Value)
{
    if (FDataType == vdtText)
        SetText(Row, DateTimeToStr(Value));
    else
        SetExtended(Row, Value);
}

int TKvVantrelDataPool::Add()
{
    Insert(FCount);
    return FCount - 1;
}

void TKvVantrelDataPool::Insert(int Row)
{
    CheckRow(Row, FCount + 1);
    Grow(FCount + 1);
    const auto size = static_cast<size_t>(FSize);
    std::memmove(Record(Row + 1), Record(Row), static_cast<size_t>(FCount - Row) * size);
    std::memset(Record(Row), 0, size);
    if (FStrings)
        FStrings->insert(FStrings->begin() + Row, QString());
    ++FCount;
}

void TKvVantrelDataPool::Delete(int Row, int Count)
{
    CheckRow(Row, FCount);
    Count = std::clamp(Count, 0, FCount - Row);
    if (Count == 0)
        return;
    for (int r = Row; r < Row + Count; ++r)
        Forget(r);
    const auto size = static_cast<size_t>(FSize);
    std::memmove(Record(Row), Record(Row + Count), static_cast<size_t>(FCount - Row - Count) * size);
    std::memset(Record(FCount - Count), 0, static_cast<size_t>(Count) * size);
    if (FStrings)
        FStrings->erase(FStrings->begin() + Row, FStrings->begin() + Row + Count);
    FCount -= Count;
}

void TKvVantrelDataPool::DeleteSorted(const std::vector<int>& Rows)
{
    if (Rows.empty())
        return;
    for (int row : Rows) {
        CheckRow(row, FCount);
        Forget(row);
    }
    // One compaction pass: keep every record between the deleted ones.
    const auto size = static_cast<size_t>(FSize);
    int out = Rows[0];
    for (size_t i = 0; i < Rows.size(); ++i) {
        const int from = Rows[i] + 1;
        const int to = i + 1 < Rows.size() ? Rows[i + 1] : FCount;
        if (to > from) {
            std::memmove(Record(out), Record(from), static_cast<size_t>(to - from) * size);
            if (FStrings)
                std::move(FStrings->begin() + from, FStrings->begin() + to, FStrings->begin() + out);
            out += to - from;
        }
    }
    std::memset(Record(out), 0, static_cast<size_t>(FCount - out) * size);
    if (FStrings)
        FStrings->resize(static_cast<size_t>(out));
    FCount = out;
}

void TKvVantrelDataPool::Exchange(int Row1, int Row2)
{
    CheckRow(Row1, FCount);
    CheckRow(Row2, FCount);
    if (Row1 == Row2)
        return;
    const auto size = static_cast<size_t>(FSize);
    std::memcpy(FBuff.get(), Record(Row1), size);
    std::memcpy(Record(Row1), Record(Row2), size);
    std::memcpy(Record(Row2), FBuff.get(), size);
    if (FStrings)
        std::swap((*FStrings)[static_cast<size_t>(Row1)], (*FStrings)[static_cast<size_t>(Row2)]);
}

void TKvVantrelDataPool::Move(int FromRow, int ToRow)
{
    CheckRow(FromRow, FCount);
    CheckRow(ToRow, FCount);
    if (FromRow == ToRow)
        return;
    const auto size = static_cast<size_t>(FSize);
    std::memcpy(FBuff.get(), Record(FromRow), size);
    if (FromRow < ToRow)
        std::memmove(Record(FromRow), Record(FromRow + 1), static_cast<size_t>(ToRow - FromRow) * size);
    else
        std::memmove(Record(ToRow + 1), Record(ToRow), static_cast<size_t>(FromRow - ToRow) * size);
    std::memcpy(Record(ToRow), FBuff.get(), size);
    if (FStrings) {
        auto& s = *FStrings;
        if (FromRow < ToRow)
            std::rotate(s.begin() + FromRow, s.begin() + FromRow + 1, s.begin() + ToRow + 1);
        else
            std::rotate(s.begin() + ToRow, s.begin() + FromRow, s.begin() + FromRow + 1);
    }
}

// --- 2. Field and field collection ----------------------------------------------------------

TKvVantrelDataField::TKvVantrelDataField(TCollection* Collection)
    : TCollectionItem(Collection), FOwnerCollection(Collection)
{
}

TKvVantrelDataField::~TKvVantrelDataField() = default;

namespace {
TKvVantrelDataField::TFieldDialog gFieldDialog = nullptr;
} // namespace

void TKvVantrelDataField::SetFieldDialog(TFieldDialog Dialog)
{
    gFieldDialog = Dialog;
}

TKvVantrelDataProvider* TKvVantrelDataField::GetProvider() const
{
    const auto* fields = dynamic_cast<const TKvVantrelDataFieldCollection*>(GetCollection() ? GetCollection() : FOwnerCollection);
    return fields ? fields->GetProvider() : nullptr;
}

void TKvVantrelDataField::AfterConstruction()
{
    TKvVantrelDataProvider* provider = GetProvider();
    if (gFieldDialog && provider && provider->IsDesigning() && !provider->IsLoading() && !provider->IsUpdating()
        && !provider->FAddingNamed) {
        QString name;
        TKvVantrelDataType type = vdtText;
        if (!gFieldDialog(provider, name, type))
            throw EAbort(QStringLiteral("Operation aborted"));
        if (const auto* fields = dynamic_cast<const TKvVantrelDataFieldCollection*>(FOwnerCollection))
            fields->CheckUniqueName(name, this);
        FName = name;
        FDataType = type;
    }
    CreatePool();
    TCollectionItem::AfterConstruction();
}

void TKvVantrelDataField::CreatePool()
{
    FPool = std::make_unique<TKvVantrelDataPool>(FDataType, FLength);
    const TKvVantrelDataProvider* provider = GetProvider();
    if (provider && !provider->IsLoading() && !provider->IsDesigning())
        FPool->SetCount(provider->GetRowCount());
}

void TKvVantrelDataField::CheckRebuild(const QString& Message) const
{
    const TKvVantrelDataProvider* provider = GetProvider();
    if (FPool && provider && !provider->IsLoading() && !provider->IsDesigning())
        throw Exception(Message);
}

void TKvVantrelDataField::SetDataType(TKvVantrelDataType Value)
{
    if (Value == FDataType)
        return;
    CheckRebuild(QStringLiteral("Can not change data field's data type"));
    FDataType = Value;
    FPool.reset();
    CreatePool();
    Changed(false);
}

void TKvVantrelDataField::SetLength(unsigned Value)
{
    if (Value == FLength)
        return;
    CheckRebuild(QStringLiteral("Can not change data field's length"));
    FLength = Value;
    FPool.reset();
    CreatePool();
    Changed(false);
}

void TKvVantrelDataField::SetName(const QString& Value)
{
    if (const auto* fields = dynamic_cast<const TKvVantrelDataFieldCollection*>(GetCollection()))
        fields->CheckUniqueName(Value, this);
    FName = Value;
    Changed(false);
}

void TKvVantrelDataField::SetDesignValue(const QString& Value)
{
    FDesignValue = Value;
    Changed(false);
}

void TKvVantrelDataField::Assign(const TPersistent* Source)
{
    const auto* field = dynamic_cast<const TKvVantrelDataField*>(Source);
    if (!field) {
        TCollectionItem::Assign(Source);
        return;
    }
    SetDataType(field->FDataType);
    SetLength(field->FLength);
    FName = field->FName;
    FDesignValue = field->FDesignValue;
    FDefaultValue = field->FDefaultValue;
    Changed(false);
}

TKvVantrelDataFieldCollection::TKvVantrelDataFieldCollection(TKvVantrelDataProvider* Owner)
    : TOwnedCollection(Owner, ClassInfo<TKvVantrelDataField>()), FProvider(Owner)
{
}

void TKvVantrelDataFieldCollection::CheckUniqueName(const QString& Name, const TCollectionItem* Except) const
{
    if (FProvider && FProvider->IsLoading())
        return;
    CheckUniqueFieldName(Name, *this, Except,
                         [](const TCollectionItem* f) { return static_cast<const TKvVantrelDataField*>(f)->GetName(); });
}

TKvVantrelDataField* TKvVantrelDataFieldCollection::Add(const QString& Name, TKvVantrelDataType DataType, unsigned Length)
{
    CheckUniqueName(Name, nullptr);
    BeginUpdate();
    TKvVantrelDataField* field = nullptr;
    const bool adding = FProvider && FProvider->FAddingNamed;
    if (FProvider)
        FProvider->FAddingNamed = true;
    {
        TScopeExit restore([&] {
            if (FProvider)
                FProvider->FAddingNamed = adding;
            EndUpdate();
        });
        field = Add();
        if (FProvider)
            FProvider->FAddingNamed = adding;
        field->FName = Name;
        field->FDataType = DataType;
        field->FLength = Length;
        field->CreatePool();
        restore.Dismiss();
    }
    EndUpdate();
    return field;
}

void TKvVantrelDataFieldCollection::Update(TCollectionItem* Item)
{
    if (FProvider)
        FProvider->FieldsChanged();
}

// --- 3. Provider --------------------------------------------------------------------------

TKvVantrelDataProvider::TKvVantrelDataProvider(TComponent* AOwner)
    : TKvGridDataProvider(AOwner), FFields(std::make_unique<TKvVantrelDataFieldCollection>(this))
{
    FCell.FProvider = this;
}

TKvVantrelDataProvider::~TKvVantrelDataProvider()
{
    if (FFields) {
        FFields->BeforeDestruction();
        FFields.reset();
    }
}

void TKvVantrelDataProvider::FieldsChanged()
{
    if (!IsLoading() && !IsDestroying())
        DoReset();
}

void TKvVantrelDataProvider::SetFields(TKvVantrelDataFieldCollection* Value)
{
    if (Value && Value != FFields.get())
        FFields->Assign(Value);
}

void TKvVantrelDataProvider::Loaded()
{
    TKvGridDataProvider::Loaded();
    if (!IsDesigning() && GetFieldCount() > 0)
        ResizeAll();
}

void TKvVantrelDataProvider::ResizeAll()
{
    for (int i = 0; i < GetFieldCount(); ++i)
        Field(i)->GetPool()->SetCount(FRowCount);
    FRowStates.resize(static_cast<size_t>(FRowCount), RowStateNone);
}

QStringList TKvVantrelDataProvider::GetFieldNames() const
{
    QStringList names;
    for (int i = 0; i < GetFieldCount(); ++i)
        names.append(Field(i)->GetName());
    return names;
}

QString TKvVantrelDataProvider::GetFieldName(int Field) const
{
    CheckField(Field);
    return this->Field(Field)->GetName();
}

int TKvVantrelDataProvider::GetFieldIndex(const QString& Name) const
{
    for (int i = GetFieldCount() - 1; i >= 0; --i)
        if (Field(i)->GetName().compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TKvVantrelDataProvider::CheckField(int Field) const
{
    if (Field < 0 || Field >= GetFieldCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Field %1 is invalid index.").arg(Field));
}

TKvGridValueType TKvVantrelDataProvider::GetValueType(int Field) const
{
    CheckField(Field);
    switch (this->Field(Field)->GetDataType()) {
    case vdtBool: return ValueTypeBool;
    case vdtDate: return ValueTypeDateTime;
    case vdtText: return ValueTypeText;
    default: return ValueTypeNumeric;
    }
}

Variant TKvVantrelDataProvider::GetDefaultValue(int Field) const
{
    CheckField(Field);
    return this->Field(Field)->GetDefaultValue();
}

Variant TKvVantrelDataProvider::GetData(int Row, int Field) const
{
    CheckField(Field);
    if (IsDesigning())
        return Variant(this->Field(Field)->GetDesignValue());
    return this->Field(Field)->GetPool()->GetValue(Row);
}

void TKvVantrelDataProvider::SetData(int Row, int Field, const Variant& Value)
{
    CheckField(Field);
    WriteValue(this->Field(Field), Row, Value);
}

void TKvVantrelDataProvider::WriteValue(TKvVantrelDataField* Field, int Row, const Variant& Value)
{
    if (Row < 0 || Row >= FRowCount)
        throw EArgumentOutOfRangeException(QStringLiteral("Row index is out of bounds: %1").arg(Row));
    if (OnValueUpdating)
        OnValueUpdating(Field, Row, Value);
    Field->GetPool()->SetValue(Row, Value);
    DoValueChanged(Row, Field->GetIndex());
    if (OnValueUpdate)
        OnValueUpdate(Field, Row);
}

TKvGridDataRowState TKvVantrelDataProvider::GetRowState(int Row) const
{
    return Row >= 0 && static_cast<size_t>(Row) < FRowStates.size() ? FRowStates[static_cast<size_t>(Row)] : RowStateNone;
}

void TKvVantrelDataProvider::InsertRow(int Row, const TKvGridDataRow& Values)
{
    if (Row < 0 || Row > FRowCount)
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid inserting index.").arg(Row));
    const int fields = GetFieldCount();
    if (fields == 0)
        return;
    for (int i = 0; i < fields; ++i)
        Field(i)->GetPool()->Insert(Row);
    {
        TScopeExit rollBack([&] {
            // A value that does not convert leaves the store as it was.
            for (int i = 0; i < fields; ++i)
                Field(i)->GetPool()->Delete(Row);
        });
        for (int i = 0; i < fields; ++i) {
            const auto at = static_cast<size_t>(i);
            const bool given = at < Values.size() && !Values[at].IsEmpty();
            Field(i)->GetPool()->SetValue(Row, given ? Values[at] : Field(i)->GetDefaultValue());
        }
        rollBack.Dismiss();
    }
    FRowStates.insert(FRowStates.begin() + Row, RowStateCreated);
    ++FRowCount;
    DoRowInserted(Row);
    if (OnRowsInsert)
        OnRowsInsert(this, TKvIntegerArray{Row});
}

int TKvVantrelDataProvider::AppendRow(const TKvGridDataRow& Values)
{
    const int row = FRowCount;
    InsertRow(row, Values);
    return row;
}

void TKvVantrelDataProvider::UpdateRow(int Row, const TKvGridDataRow& Values)
{
    if (Row < 0 || Row >= FRowCount)
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid index.").arg(Row));
    const int fields = GetFieldCount();
    if (fields == 0)
        return;
    if (OnRowUpdating)
        OnRowUpdating(this, Row, Values);
    const int n = Values.empty() ? fields : std::min(fields, static_cast<int>(Values.size()));
    TVariantArray old;
    old.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        old.push_back(Field(i)->GetPool()->GetValue(Row));
    int written = 0;
    {
        TScopeExit rollBack([&] {
            for (int i = 0; i < written; ++i)
                Field(i)->GetPool()->SetValue(Row, old[static_cast<size_t>(i)]);
        });
        for (; written < n; ++written)
            Field(written)->GetPool()->SetValue(Row, Values.empty() ? Variant() : Values[static_cast<size_t>(written)]);
        rollBack.Dismiss();
    }
    if (FRowStates[static_cast<size_t>(Row)] == RowStateNone)
        FRowStates[static_cast<size_t>(Row)] = RowStateUpdated;
    DoRowUpdated(Row);
    if (OnRowUpdate)
        OnRowUpdate(this, Row);
}

void TKvVantrelDataProvider::RemoveRow(int Row)
{
    if (Row < 0 || Row >= FRowCount)
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid deleting index.").arg(Row));
    for (int i = GetFieldCount() - 1; i >= 0; --i)
        Field(i)->GetPool()->Delete(Row);
    FRowStates.erase(FRowStates.begin() + Row);
    --FRowCount;
    DoRowRemoved(Row);
    if (OnRowsDelete)
        OnRowsDelete(this, TKvIntegerArray{Row});
}

void TKvVantrelDataProvider::RemoveRows(const TKvIntegerArray& Rows)
{
    TKvIntegerArray rows;
    rows.reserve(Rows.size());
    for (int row : Rows)
        if (row >= 0 && row < FRowCount)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return;
    for (int i = GetFieldCount() - 1; i >= 0; --i)
        Field(i)->GetPool()->DeleteSorted(rows);
    size_t next = 0, out = 0;
    for (size_t r = 0; r < FRowStates.size(); ++r) {
        if (next < rows.size() && static_cast<size_t>(rows[next]) == r) {
            ++next;
            continue;
        }
        FRowStates[out++] = FRowStates[r];
    }
    FRowStates.resize(out);
    FRowCount -= static_cast<int>(rows.size());
    DoRowsRemoved(rows);
    if (OnRowsDelete)
        OnRowsDelete(this, rows);
}

void TKvVantrelDataProvider::SetRowCount(int Value)
{
    Value = std::max(Value, 0);
    if (Value == FRowCount)
        return;
    FRowCount = Value;
    // While loading only the count is kept: Loaded sizes the buffers. Otherwise the buffers
    // always follow, so the store never disagrees with its count.
    if (IsLoading())
        return;
    if (!IsDesigning())
        ResizeAll();
    if (IsUpdating())
        return;
    DoReset();
    if (OnRowCountChange)
        OnRowCountChange(this);
}

void TKvVantrelDataProvider::SetRowState(int Row, TKvGridDataRowState State)
{
    if (Row < 0 || Row >= FRowCount)
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid index.").arg(Row));
    auto& state = FRowStates[static_cast<size_t>(Row)];
    if (state == State)
        return;
    state = State;
    DoRowStateChanged(Row);
    if (OnRowStateChange)
        OnRowStateChange(this, Row);
}

void TKvVantrelDataProvider::ClearStates()
{
    for (int row = FRowCount - 1; row >= 0; --row)
        SetRowState(row, RowStateNone);
    if (OnRowStatesClear)
        OnRowStatesClear(this);
}

Variant TKvVantrelDataProvider::GetSum(int Field) const
{
    CheckField(Field);
    if (FRowCount == 0)
        return Variant();
    return Variant(static_cast<double>(this->Field(Field)->GetPool()->GetSum()));
}

Variant TKvVantrelDataProvider::GetMax(int Field) const
{
    CheckField(Field);
    const TKvVantrelDataPool* pool = this->Field(Field)->GetPool();
    if (FRowCount == 0 || !pool->IsNumeric() || pool->GetMaximum() < pool->GetMinimum())
        return Variant();
    return Variant(static_cast<double>(pool->GetMaximum()));
}

Variant TKvVantrelDataProvider::GetMin(int Field) const
{
    CheckField(Field);
    const TKvVantrelDataPool* pool = this->Field(Field)->GetPool();
    if (FRowCount == 0 || !pool->IsNumeric() || pool->GetMaximum() < pool->GetMinimum())
        return Variant();
    return Variant(static_cast<double>(pool->GetMinimum()));
}

Variant TKvVantrelDataProvider::GetRangeSum(int Field, TKvRowIndices Rows) const
{
    CheckField(Field);
    const TKvVantrelDataPool* pool = this->Field(Field)->GetPool();
    const TKvVantrelDataType type = pool->GetDataType();
    if (type < vdtBool || type > vdtFloat)
        return Variant(0);
    long double sum = 0;
    for (int row : Rows)
        sum += pool->GetExtended(row);
    return Variant(static_cast<double>(sum));
}

TKvVantrelDataField* TKvVantrelDataProvider::GetFieldByName(const QString& Name) const
{
    for (int i = 0; i < GetFieldCount(); ++i)
        if (Field(i)->GetName().compare(Name, Qt::CaseInsensitive) == 0)
            return Field(i);
    return nullptr;
}

TKvVantrelDataCell* TKvVantrelDataProvider::GetCell(int Row, int FieldIndex)
{
    if (FieldIndex < 0 || FieldIndex >= GetFieldCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Invalid field index: %1").arg(FieldIndex));
    FCell.FRow = Row;
    FCell.FField = Field(FieldIndex);
    return &FCell;
}

TKvVantrelDataCell* TKvVantrelDataProvider::GetCellByName(int Row, const QString& Name)
{
    TKvVantrelDataField* field = GetFieldByName(Name);
    if (!field)
        throw EArgumentException(QStringLiteral("Invalid field name: %1").arg(Name));
    FCell.FRow = Row;
    FCell.FField = field;
    return &FCell;
}

// --- 4. Cell ------------------------------------------------------------------------------

bool TKvVantrelDataCell::GetNull() const { return Pool()->GetNull(FRow); }

void TKvVantrelDataCell::SetNull(bool IsNull)
{
    if (IsNull) {
        FProvider->WriteValue(FField, FRow, Variant::Null());
    } else if (GetNull()) {
        const TKvVantrelDataType type = FField->GetDataType();
        const Variant zero = type == vdtText ? Variant(QString()) : type == vdtBool ? Variant(false) : Variant(0);
        FProvider->WriteValue(FField, FRow, zero);
    }
}

Variant TKvVantrelDataCell::GetValue() const { return Pool()->GetValue(FRow); }
void TKvVantrelDataCell::SetValue(const Variant& Value) { FProvider->WriteValue(FField, FRow, Value); }
QString TKvVantrelDataCell::GetText() const { return Pool()->GetText(FRow); }
void TKvVantrelDataCell::SetText(const QString& Value) { FProvider->WriteValue(FField, FRow, Variant(Value)); }
bool TKvVantrelDataCell::GetBool() const { return Pool()->GetBool(FRow); }
void TKvVantrelDataCell::SetBool(bool Value) { FProvider->WriteValue(FField, FRow, Variant(Value)); }
std::uint8_t TKvVantrelDataCell::GetByte() const { return Pool()->GetByte(FRow); }
void TKvVantrelDataCell::SetByte(std::uint8_t Value) { FProvider->WriteValue(FField, FRow, Variant(static_cast<int>(Value))); }
std::int16_t TKvVantrelDataCell::GetInt16() const { return Pool()->GetInt16(FRow); }
void TKvVantrelDataCell::SetInt16(std::int16_t Value) { FProvider->WriteValue(FField, FRow, Variant(static_cast<int>(Value))); }
int TKvVantrelDataCell::GetInt() const { return Pool()->GetInt(FRow); }
void TKvVantrelDataCell::SetInt(int Value) { FProvider->WriteValue(FField, FRow, Variant(Value)); }
std::int64_t TKvVantrelDataCell::GetInt64() const { return Pool()->GetInt64(FRow); }
void TKvVantrelDataCell::SetInt64(std::int64_t Value) { FProvider->WriteValue(FField, FRow, Variant(Value)); }
double TKvVantrelDataCell::GetFloat() const { return Pool()->GetFloat(FRow); }
void TKvVantrelDataCell::SetFloat(double Value) { FProvider->WriteValue(FField, FRow, Variant(Value)); }
double TKvVantrelDataCell::GetDate() const { return Pool()->GetDate(FRow); }
void TKvVantrelDataCell::SetDate(double Value) { FProvider->WriteValue(FField, FRow, Variant::DateTime(Value)); }
void TKvVantrelDataCell::Clear() { Pool()->ClearValue(FRow); }

KV_PUBLISH_ENUM(TKvVantrelDataType, "vdtText", "vdtBool", "vdtByte", "vdtInt16", "vdtInt", "vdtInt64", "vdtFloat", "vdtDate");

KV_PUBLISH(TKvVantrelDataField, TCollectionItem)
    .Property("Name", &TKvVantrelDataField::GetName, &TKvVantrelDataField::SetName)
    .Property("DataType", &TKvVantrelDataField::GetDataType, &TKvVantrelDataField::SetDataType).Default(vdtText)
    .Property("Length", &TKvVantrelDataField::GetLength, &TKvVantrelDataField::SetLength).Default(0)
    .Property("DesignValue", &TKvVantrelDataField::GetDesignValue, &TKvVantrelDataField::SetDesignValue)
    .Property("DefaultValue", &TKvVantrelDataField::GetDefaultValue, &TKvVantrelDataField::SetDefaultValue);

KV_PUBLISH(TKvVantrelDataFieldCollection, TOwnedCollection);

using TVantrel = TKvVantrelDataProvider;
KV_PUBLISH(TKvVantrelDataProvider, TComponent)
    .Property("Fields", &TVantrel::GetFields, &TVantrel::SetFields)
    .Property("RowCount", &TVantrel::GetRowCount, &TVantrel::SetRowCount).Default(0)
    .Property("Insertable", &TVantrel::GetInsertable, &TVantrel::SetInsertable).Default(true)
    .Property("Updatable", &TVantrel::GetUpdatable, &TVantrel::SetUpdatable).Default(true)
    .Property("Deletable", &TVantrel::GetDeletable, &TVantrel::SetDeletable).Default(true)
    .Property("SoftDeleting", &TVantrel::GetSoftDeleting, &TVantrel::SetSoftDeleting).Default(false)
    .Event("OnRowCountChange", &TVantrel::OnRowCountChange)
    .Event("OnRowStatesClear", &TVantrel::OnRowStatesClear)
    .Event("OnRowStateChange", &TVantrel::OnRowStateChange)
    .Event("OnValueUpdating", &TVantrel::OnValueUpdating)
    .Event("OnValueUpdate", &TVantrel::OnValueUpdate)
    .Event("OnRowUpdating", &TVantrel::OnRowUpdating)
    .Event("OnRowUpdate", &TVantrel::OnRowUpdate)
    .Event("OnRowsInsert", &TVantrel::OnRowsInsert)
    .Event("OnRowsDelete", &TVantrel::OnRowsDelete);

} // namespace kv
