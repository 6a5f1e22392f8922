#include "model/KvGrids.Data.Column.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace kv {

// --- TKvByteArray ---------------------------------------------------------------------------

TKvByteArray::TKvByteArray(TKvByteArray&& Other) noexcept
    : FData(std::exchange(Other.FData, nullptr)), FSize(std::exchange(Other.FSize, 0)),
      FCapacity(std::exchange(Other.FCapacity, 0))
{
}

TKvByteArray& TKvByteArray::operator=(TKvByteArray&& Other) noexcept
{
    if (this != &Other) {
        std::free(FData);
        FData = std::exchange(Other.FData, nullptr);
        FSize = std::exchange(Other.FSize, 0);
        FCapacity = std::exchange(Other.FCapacity, 0);
    }
    return *this;
}

TKvByteArray::~TKvByteArray() { std::free(FData); }

void TKvByteArray::Reserve(size_t Count)
{
    if (Count <= FCapacity)
        return;
    const size_t capacity = std::max({Count, FCapacity + FCapacity / 2, size_t(64)});
    auto* data = static_cast<unsigned char*>(std::realloc(FData, capacity));
    if (!data)
        throw std::bad_alloc();
    FData = data;
    FCapacity = capacity;
}

void TKvByteArray::InsertGap(size_t At, size_t Count)
{
    Reserve(FSize + Count);
    if (At < FSize)
        std::memmove(FData + At + Count, FData + At, FSize - At);
    FSize += Count;
}

void TKvByteArray::Erase(size_t At, size_t Count)
{
    if (At + Count < FSize)
        std::memmove(FData + At, FData + At + Count, FSize - At - Count);
    FSize -= Count;
}

void TKvByteArray::Resize(size_t Count)
{
    Reserve(Count);
    FSize = Count;
}

void TKvByteArray::EraseElements(const std::vector<int>& Rows, size_t Width)
{
    size_t out = static_cast<size_t>(Rows.empty() ? 0 : Rows.front()) * Width;
    for (size_t k = 0; k < Rows.size(); ++k) {
        const size_t from = (static_cast<size_t>(Rows[k]) + 1) * Width;
        const size_t to = k + 1 < Rows.size() ? static_cast<size_t>(Rows[k + 1]) * Width : FSize;
        if (to > from)
            std::memmove(FData + out, FData + from, to - from);
        out += to - from;
    }
    if (!Rows.empty())
        FSize = out;
}

void TKvByteArray::Clear()
{
    std::free(FData);
    FData = nullptr;
    FSize = 0;
    FCapacity = 0;
}

// --- TKvPackedInts --------------------------------------------------------------------------

int TKvPackedInts::WidthOf(std::int64_t Value)
{
    if (Value >= std::numeric_limits<std::int8_t>::min() && Value <= std::numeric_limits<std::int8_t>::max())
        return 1;
    if (Value >= std::numeric_limits<std::int16_t>::min() && Value <= std::numeric_limits<std::int16_t>::max())
        return 2;
    if (Value >= std::numeric_limits<std::int32_t>::min() && Value <= std::numeric_limits<std::int32_t>::max())
        return 4;
    return 8;
}

namespace {

template <typename T>
std::int64_t Load(const unsigned char* At)
{
    T value;
    std::memcpy(&value, At, sizeof(T));
    return value;
}

template <typename T>
void Save(unsigned char* At, std::int64_t Value)
{
    const auto value = static_cast<T>(Value);
    std::memcpy(At, &value, sizeof(T));
}

std::int64_t LoadWidth(const unsigned char* Data, size_t Index, int Width)
{
    switch (Width) {
    case 1: return Load<std::int8_t>(Data + Index);
    case 2: return Load<std::int16_t>(Data + Index * 2);
    case 4: return Load<std::int32_t>(Data + Index * 4);
    default: return Load<std::int64_t>(Data + Index * 8);
    }
}

void SaveWidth(unsigned char* Data, size_t Index, int Width, std::int64_t Value)
{
    switch (Width) {
    case 1: Save<std::int8_t>(Data + Index, Value); break;
    case 2: Save<std::int16_t>(Data + Index * 2, Value); break;
    case 4: Save<std::int32_t>(Data + Index * 4, Value); break;
    default: Save<std::int64_t>(Data + Index * 8, Value); break;
    }
}

} // namespace

std::int64_t TKvPackedInts::Get(size_t Index) const { return LoadWidth(FBytes.Data(), Index, FWidth); }

void TKvPackedInts::Store(size_t Index, std::int64_t Value) { SaveWidth(FBytes.Data(), Index, FWidth, Value); }

void TKvPackedInts::Widen(int Width)
{
    TKvByteArray wider;
    wider.Resize(FCount * static_cast<size_t>(Width));
    for (size_t i = 0; i < FCount; ++i)
        SaveWidth(wider.Data(), i, Width, Get(i));
    FBytes = std::move(wider);
    FWidth = Width;
}

void TKvPackedInts::Set(size_t Index, std::int64_t Value)
{
    if (const int width = WidthOf(Value); width > FWidth)
        Widen(width);
    Store(Index, Value);
}

void TKvPackedInts::Insert(size_t Index, std::int64_t Value)
{
    if (const int width = WidthOf(Value); width > FWidth)
        Widen(width);
    FBytes.InsertGap(Index * static_cast<size_t>(FWidth), static_cast<size_t>(FWidth));
    ++FCount;
    Store(Index, Value);
}

void TKvPackedInts::Erase(size_t Index)
{
    FBytes.Erase(Index * static_cast<size_t>(FWidth), static_cast<size_t>(FWidth));
    --FCount;
}

void TKvPackedInts::EraseRows(const std::vector<int>& Rows)
{
    FBytes.EraseElements(Rows, static_cast<size_t>(FWidth));
    FCount -= Rows.size();
}

void TKvPackedInts::Clear()
{
    FBytes.Clear();
    FCount = 0;
    FWidth = 1;
}

// --- TKvValueColumn -------------------------------------------------------------------------

namespace {
// A text column with more distinct texts than this and than half its rows keeps variants.
constexpr size_t kTextTableLimit = 1024;

double LoadDouble(const TKvByteArray& Bytes, size_t Row)
{
    double value;
    std::memcpy(&value, Bytes.Data() + Row * sizeof(double), sizeof(double));
    return value;
}
} // namespace

TKvValueColumn::TMode TKvValueColumn::ModeFor(const Variant& Value)
{
    switch (Value.Kind()) {
    case TVarKind::Empty: return ModeEmpty;
    case TVarKind::Integer: return ModeInts;
    case TVarKind::Double: return ModeDoubles;
    case TVarKind::DateTime: return ModeDates;
    case TVarKind::Boolean: return ModeBools;
    // A null text stays apart from the empty one it equals in the table.
    case TVarKind::String: return Value.StringUnchecked().isNull() ? ModeVariants : ModeTexts;
    default: return ModeVariants;
    }
}

bool TKvValueColumn::Fits(const Variant& Value) const
{
    return FMode == ModeVariants || ModeFor(Value) == FMode;
}

Variant TKvValueColumn::Get(size_t Row) const
{
    switch (FMode) {
    case ModeEmpty: return Variant();
    case ModeInts: return Variant(FInts.Get(Row));
    case ModeDoubles: return Variant(LoadDouble(FDoubles, Row));
    case ModeDates: return Variant::DateTime(LoadDouble(FDoubles, Row));
    case ModeBools: return Variant(FInts.Get(Row) != 0);
    case ModeTexts: return Variant(FTexts[static_cast<size_t>(FInts.Get(Row))]);
    default: return FVariants[Row];
    }
}

std::int64_t TKvValueColumn::TextIndex(const QString& Text)
{
    if (const auto it = FTextIndex.constFind(Text); it != FTextIndex.cend())
        return it.value();
    const auto index = static_cast<int>(FTexts.size());
    FTexts.push_back(Text);
    FTextIndex.insert(Text, index);
    return index;
}

void TKvValueColumn::ToVariants()
{
    std::vector<Variant> values;
    values.reserve(FSize);
    for (size_t row = 0; row < FSize; ++row)
        values.push_back(Get(row));
    const size_t size = FSize;
    Clear();
    FVariants = std::move(values);
    FSize = size;
    FMode = ModeVariants;
}

void TKvValueColumn::Put(size_t Row, const Variant& Value, bool Insert)
{
    if (FSize == 0) {
        Clear();
        FMode = ModeFor(Value);
    } else if (!Fits(Value)) {
        ToVariants();
    }
    switch (FMode) {
    case ModeEmpty:
        break;
    case ModeInts:
    case ModeBools:
    case ModeTexts: {
        const std::int64_t value = FMode == ModeInts    ? Value.IntUnchecked()
                                   : FMode == ModeBools ? std::int64_t(Value.BoolUnchecked())
                                                        : TextIndex(Value.StringUnchecked());
        if (Insert)
            FInts.Insert(Row, value);
        else
            FInts.Set(Row, value);
        break;
    }
    case ModeDoubles:
    case ModeDates: {
        const double value = Value.DoubleUnchecked();
        if (Insert)
            FDoubles.InsertGap(Row * sizeof(double), sizeof(double));
        std::memcpy(FDoubles.Data() + Row * sizeof(double), &value, sizeof(double));
        break;
    }
    default:
        if (Insert)
            FVariants.insert(FVariants.begin() + static_cast<std::ptrdiff_t>(Row), Value);
        else
            FVariants[Row] = Value;
        break;
    }
    if (Insert)
        ++FSize;
    // Mostly distinct texts take less room as variants than in a table.
    if (FMode == ModeTexts && FTexts.size() > kTextTableLimit && FTexts.size() > FSize / 2)
        ToVariants();
}

void TKvValueColumn::Set(size_t Row, const Variant& Value) { Put(Row, Value, false); }

void TKvValueColumn::Insert(size_t Row, const Variant& Value) { Put(Row, Value, true); }

void TKvValueColumn::Erase(size_t Row)
{
    switch (FMode) {
    case ModeEmpty: break;
    case ModeInts:
    case ModeBools:
    case ModeTexts: FInts.Erase(Row); break;
    case ModeDoubles:
    case ModeDates: FDoubles.Erase(Row * sizeof(double), sizeof(double)); break;
    default: FVariants.erase(FVariants.begin() + static_cast<std::ptrdiff_t>(Row)); break;
    }
    if (--FSize == 0)
        Clear();
}

void TKvValueColumn::EraseRows(const std::vector<int>& Rows)
{
    if (Rows.empty())
        return;
    switch (FMode) {
    case ModeEmpty: break;
    case ModeInts:
    case ModeBools:
    case ModeTexts: FInts.EraseRows(Rows); break;
    case ModeDoubles:
    case ModeDates: FDoubles.EraseElements(Rows, sizeof(double)); break;
    default: {
        size_t next = 0, out = 0;
        for (size_t r = 0; r < FVariants.size(); ++r) {
            if (next < Rows.size() && static_cast<size_t>(Rows[next]) == r) {
                ++next;
                continue;
            }
            if (out != r)
                FVariants[out] = std::move(FVariants[r]);
            ++out;
        }
        FVariants.resize(out);
        break;
    }
    }
    FSize -= Rows.size();
    if (FSize == 0)
        Clear();
}

void TKvValueColumn::Clear()
{
    FMode = ModeEmpty;
    FSize = 0;
    FInts.Clear();
    FDoubles.Clear();
    FTexts = {};
    FTextIndex = {};
    FVariants = {};
}

} // namespace kv
