// The typed column store under the in-memory table: a column of cell values kept by kind.
//
// Sections: TKvByteArray (bytes grown in place); TKvPackedInts (whole numbers in the fewest
// bits, widened as values need); TKvValueColumn (the cells by mode: reading, gathering, sort
// keys, writing, erasing).
//
// Call flow: the table's SetData and InsertRow reach Set and Insert, both Put: a column's first
// value picks its mode (ModeFor), a value that does not fit it turns the column into variants
// (ToVariants), and a text column whose texts are mostly distinct turns too. Get and Gather
// read cells back as the variants stored; the sorters ask OrderKeys for unsigned keys in the
// variant order (doubles and whole numbers by value, texts by their rank in the text table),
// which a variant column cannot give. EraseRows removes many rows in one pass.
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

void TKvByteArray::Grow(size_t Count)
{
    const size_t capacity = std::max({Count, FCapacity + FCapacity / 2, size_t(64)});
    auto* data = static_cast<unsigned char*>(std::realloc(FData, capacity));
    if (!data)
        throw std::bad_alloc();
    FData = data;
    FCapacity = capacity;
}

void TKvByteArray::Erase(size_t At, size_t Count)
{
    if (At + Count < FSize)
        std::memmove(FData + At, FData + At + Count, FSize - At - Count);
    FSize -= Count;
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

void TKvPackedInts::Widen(int Bits)
{
    TKvPackedInts wider;
    wider.FBits = Bits;
    wider.FBytes.Resize(wider.BytesFor(FCount));
    for (size_t i = 0; i < FCount; ++i)
        wider.Store(i, Get(i));
    FBytes = std::move(wider.FBytes);
    FBits = Bits;
}

void TKvPackedInts::Set(size_t Index, std::int64_t Value)
{
    if (const int bits = BitsOf(Value); bits > FBits)
        Widen(bits);
    Store(Index, Value);
}

void TKvPackedInts::Insert(size_t Index, std::int64_t Value)
{
    if (const int bits = BitsOf(Value); bits > FBits)
        Widen(bits);
    FBytes.Resize(BytesFor(FCount + 1));
    if (Index < FCount && FBits % 8 == 0) {
        const size_t width = static_cast<size_t>(FBits / 8);
        std::memmove(FBytes.Data() + (Index + 1) * width, FBytes.Data() + Index * width, (FCount - Index) * width);
    } else {
        for (size_t i = FCount; i > Index; --i)
            Store(i, Get(i - 1));
    }
    ++FCount;
    Store(Index, Value);
}

void TKvPackedInts::Erase(size_t Index)
{
    if (FBits % 8 == 0) {
        const size_t width = static_cast<size_t>(FBits / 8);
        std::memmove(FBytes.Data() + Index * width, FBytes.Data() + (Index + 1) * width, (FCount - Index - 1) * width);
    } else {
        for (size_t i = Index; i + 1 < FCount; ++i)
            Store(i, Get(i + 1));
    }
    --FCount;
    FBytes.Resize(BytesFor(FCount));
}

void TKvPackedInts::EraseRows(const std::vector<int>& Rows)
{
    size_t next = 0, out = 0;
    for (size_t i = 0; i < FCount; ++i) {
        if (next < Rows.size() && static_cast<size_t>(Rows[next]) == i) {
            ++next;
            continue;
        }
        if (out != i)
            Store(out, Get(i));
        ++out;
    }
    FCount = out;
    FBytes.Resize(BytesFor(FCount));
}

void TKvPackedInts::Clear()
{
    FBytes.Clear();
    FCount = 0;
    FBits = 1;
}

// --- TKvValueColumn -------------------------------------------------------------------------

namespace {
double LoadDouble(const TKvByteArray& Bytes, size_t Row)
{
    double value;
    std::memcpy(&value, Bytes.Data() + Row * sizeof(double), sizeof(double));
    return value;
}
} // namespace

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

void TKvValueColumn::Gather(std::span<const int> Rows, Variant* Cells) const
{
    switch (FMode) {
    case ModeEmpty:
        for (size_t i = 0; i < Rows.size(); ++i)
            Cells[i] = Variant();
        break;
    case ModeInts: FInts.ForRows(Rows, [&](size_t i, std::int64_t v) { Cells[i] = Variant(v); }); break;
    case ModeBools: FInts.ForRows(Rows, [&](size_t i, std::int64_t v) { Cells[i] = Variant(v != 0); }); break;
    case ModeTexts:
        FInts.ForRows(Rows, [&](size_t i, std::int64_t v) { Cells[i] = Variant(FTexts[static_cast<size_t>(v)]); });
        break;
    case ModeDoubles:
        for (size_t i = 0; i < Rows.size(); ++i)
            Cells[i] = Variant(DoubleAt(static_cast<size_t>(Rows[i])));
        break;
    case ModeDates:
        for (size_t i = 0; i < Rows.size(); ++i)
            Cells[i] = Variant::DateTime(DoubleAt(static_cast<size_t>(Rows[i])));
        break;
    default:
        for (size_t i = 0; i < Rows.size(); ++i)
            Cells[i] = FVariants[static_cast<size_t>(Rows[i])];
        break;
    }
}

bool TKvValueColumn::OrderKeys(std::span<const int> Rows, std::uint64_t* Keys, std::uint64_t& Max) const
{
    const size_t n = Rows.size();
    // Keys offset by the lowest one.
    auto fromLowest = [&] {
        std::uint64_t low = std::numeric_limits<std::uint64_t>::max(), high = 0;
        for (size_t i = 0; i < n; ++i) {
            low = std::min(low, Keys[i]);
            high = std::max(high, Keys[i]);
        }
        for (size_t i = 0; i < n; ++i)
            Keys[i] -= low;
        Max = n ? high - low : 0;
    };
    switch (FMode) {
    case ModeEmpty:
        std::fill(Keys, Keys + n, std::uint64_t(0));
        Max = 0;
        return true;
    case ModeInts:
    case ModeBools:
        FInts.ForRows(Rows, [&](size_t i, std::int64_t v) { Keys[i] = IntOrderKey(v); });
        fromLowest();
        return true;
    case ModeDoubles:
    case ModeDates:
        for (size_t i = 0; i < n; ++i)
            Keys[i] = DoubleOrderKey(DoubleAt(static_cast<size_t>(Rows[i])));
        fromLowest();
        return true;
    case ModeTexts: {
        // The texts the rows use, ranked once in code unit order (the variant order of texts).
        if (FTexts.size() > 4 * n + 4096)
            return false;
        // The texts used are found by reading the packed numbers alone (every text of a table
        // much smaller than the rows is taken as used: keys may then skip a text no row has);
        // the keys are then written once, as ranks.
        std::vector<std::uint32_t> rank(FTexts.size(), 0);
        if (FTexts.size() * 16 <= n)
            std::fill(rank.begin(), rank.end(), 1);
        else
            FInts.ForRows(Rows, [&](size_t, std::int64_t v) { rank[static_cast<size_t>(v)] = 1; });
        std::vector<std::uint32_t> used;
        for (size_t t = 0; t < rank.size(); ++t)
            if (rank[t])
                used.push_back(static_cast<std::uint32_t>(t));
        std::sort(used.begin(), used.end(), [&](std::uint32_t a, std::uint32_t b) {
            return FTexts[a].compare(FTexts[b], Qt::CaseSensitive) < 0;
        });
        for (size_t r = 0; r < used.size(); ++r)
            rank[used[r]] = static_cast<std::uint32_t>(r);
        FInts.ForRows(Rows, [&](size_t i, std::int64_t v) { Keys[i] = rank[static_cast<size_t>(v)]; });
        Max = used.empty() ? 0 : used.size() - 1;
        return true;
    }
    default: return false;
    }
}

namespace {
// A 64 x 64 -> 128-bit product folded to 64 bits.
std::uint64_t Mix(std::uint64_t A, std::uint64_t B)
{
    __extension__ const unsigned __int128 product = static_cast<unsigned __int128>(A) * B;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

// Keys of the text hash, drawn from the process's hash seed.
struct TTextKeys
{
    std::uint64_t K0, K1, K2;
};

const TTextKeys& TextKeys()
{
    static const TTextKeys keys = [] {
        const std::uint64_t seed = QHashSeed::globalSeed();
        const std::uint64_t k0 = Mix(seed ^ 0xa0761d6478bd642fULL, 0xe7037ed1a0b428dbULL) | 1;
        const std::uint64_t k1 = Mix(k0 ^ 0x8ebc6af09c88c6e3ULL, 0x589965cc75374cc3ULL) | 1;
        const std::uint64_t k2 = Mix(k1 ^ 0x1d8e4e27c47d124fULL, 0xa0761d6478bd642fULL) | 1;
        return TTextKeys{k0, k1, k2};
    }();
    return keys;
}

std::uint64_t Load8(const unsigned char* Bytes)
{
    std::uint64_t word;
    std::memcpy(&word, Bytes, 8);
    return word;
}

// A seeded hash of the code units, 16 bytes a step (as wyhash mixes), the length folded in last.
std::uint64_t HashText(const QChar* Chars, qsizetype Size)
{
    const TTextKeys& k = TextKeys();
    const auto* bytes = reinterpret_cast<const unsigned char*>(Chars);
    const size_t n = static_cast<size_t>(Size) * sizeof(QChar);
    std::uint64_t h = k.K0;
    size_t i = 0;
    for (; i + 16 <= n; i += 16)
        h = Mix(Load8(bytes + i) ^ k.K1, Load8(bytes + i + 8) ^ h);
    if (i < n) {
        std::uint64_t a = 0, b = 0;
        const size_t rest = n - i;
        std::memcpy(&a, bytes + i, std::min<size_t>(rest, 8));
        if (rest > 8)
            std::memcpy(&b, bytes + i + 8, rest - 8);
        h = Mix(a ^ k.K1, b ^ h);
    }
    return Mix(h ^ k.K2, n ^ k.K1);
}
} // namespace

// Texts of equal code units have one number; a text that shares the characters of a known one
// is found without comparing them.
std::int64_t TKvValueColumn::TextIndex(const QString& Text)
{
    const QChar* chars = Text.constData();
    const qsizetype size = Text.size();
    const auto hash = static_cast<std::uint32_t>(HashText(chars, size));
    if (FTextSlots.empty())
        FTextSlots.resize(16);
    size_t mask = FTextSlots.size() - 1;
    size_t i = hash & mask;
    for (; FTextSlots[i].Number; i = (i + 1) & mask) {
        const TTextSlot& slot = FTextSlots[i];
        if (slot.Hash == hash && slot.Size == size &&
            (slot.Chars == chars || std::memcmp(slot.Chars, chars, static_cast<size_t>(size) * sizeof(QChar)) == 0))
            return slot.Number - 1;
    }
    FTexts.push_back(Text);
    const auto number = static_cast<std::uint32_t>(FTexts.size());
    if (2 * FTexts.size() > FTextSlots.size()) {
        GrowTextSlots();
        mask = FTextSlots.size() - 1;
        i = hash & mask;
        while (FTextSlots[i].Number)
            i = (i + 1) & mask;
    }
    // The kept copy shares the characters of Text.
    FTextSlots[i] = {FTexts.back().constData(), size, hash, number};
    return number - 1;
}

void TKvValueColumn::GrowTextSlots()
{
    std::vector<TTextSlot> grown(FTextSlots.size() * 2);
    const size_t mask = grown.size() - 1;
    for (const TTextSlot& slot : FTextSlots)
        if (slot.Number) {
            size_t i = slot.Hash & mask;
            while (grown[i].Number)
                i = (i + 1) & mask;
            grown[i] = slot;
        }
    FTextSlots = std::move(grown);
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
    if (FMode == ModeTexts && FSize >= kTextTableRows && FTexts.size() > FSize / 2)
        ToVariants();
}

void TKvValueColumn::Set(size_t Row, const Variant& Value) { Put(Row, Value, false); }

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
    FTextSlots = {};
    FVariants = {};
}

} // namespace kv
