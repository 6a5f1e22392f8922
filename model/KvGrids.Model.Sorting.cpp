// Sorting a range of items, or data rows before their items exist, by several fields.
//
// Call flow: RunKeys reads the range's data rows once and hands them to OrderRows, which
// takes a field's order keys from a provider that keeps it by kind (GetOrderKeys: packed whole
// numbers, doubles, texts ranked once over the provider's table of distinct texts), else
// reads each field's cells once (ReadKey), in place when the data provider keeps a field in
// one array, or the keys the provider writes for a field it compares its own way
// (GetSortKeys). A field becomes one or two unsigned key columns that preserve the total
// variant order: a family rank (Null, numbers, text) and a value within the family (integers
// offset by their minimum, doubles by their bits, text by its rank among the distinct texts;
// each text is hashed once and told apart by its code units, and the distinct texts are
// ranked by code unit order). The key columns are packed into as few 64-bit words as their
// bit widths allow and sorted by least significant digit (stable, so ties keep their order),
// a single word of few bits by one counting pass, or by comparison for short ranges. A field
// that cannot be keyed (arrays, integers beyond 2^53 beside doubles, a provider comparing
// without keys) sorts the whole range by comparison, CompareValue for the provider's own
// fields. The provider then takes the new order in one step.
#include "model/KvGrids.Model.Sorting.h"
#include "model/KvGrids.Data.Column.h"
#include "platform/rtl/LargeBlocks.h"

#include <QtCore/QHash>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numeric>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kv {

namespace {

// Large blocks whose entries a resize leaves as they come (every user writes each entry it
// reads); an explicit value still initialises.
template <typename T>
struct TUnsetAllocator : TLargeBlockAllocator<T>
{
    using value_type = T;
    template <typename U>
    struct rebind
    {
        using other = TUnsetAllocator<U>;
    };
    TUnsetAllocator() = default;
    template <typename U>
    TUnsetAllocator(const TUnsetAllocator<U>&) noexcept
    {
    }
    template <typename U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// Arrays of a million entries and more: in large blocks (few page faults when first touched).
template <typename T>
using TBigArray = std::vector<T, TUnsetAllocator<T>>;

// Order-preserving unsigned keys in [0, 2^Bits).
struct KeyColumn
{
    TBigArray<std::uint64_t> Keys;
    int Bits = 0;
    int Level = 0; // the sort field it keys
};

int BitsFor(std::uint64_t maxValue) { return maxValue == 0 ? 0 : 64 - std::countl_zero(maxValue); }

// The keys of typed columns, so that both ways of reading a field give the same order.
std::uint64_t DoubleBits(double d) { return DoubleOrderKey(d); }

std::uint64_t IntBits(std::int64_t i) { return IntOrderKey(i); }

// A hash of a text's code units, read eight bytes at a time.
inline std::uint64_t TextHash(const QChar* data, qsizetype size) noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    size_t bytes = static_cast<size_t>(size) * sizeof(QChar);
    auto mix = [](std::uint64_t a, std::uint64_t b) {
        const unsigned __int128 m = static_cast<unsigned __int128>(a ^ b) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::uint64_t>(m) ^ static_cast<std::uint64_t>(m >> 64);
    };
    std::uint64_t h = 0xA0761D6478BD642Full ^ bytes;
    for (; bytes >= 8; bytes -= 8, p += 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h = mix(h, w);
    }
    if (bytes) {
        std::uint64_t w = 0;
        std::memcpy(&w, p, bytes);
        h = mix(h, w ^ 0xE7037ED1A0B428DBull);
    }
    return h;
}

// Distinct texts numbered in order of first appearance. Each text is hashed once and found by
// its hash and its code units. Strings that share their data are found by address before
// their text is read; when addresses rarely repeat (every text its own string, as read from a
// file) that look-up stops.
class TTextIds
{
public:
    std::uint32_t Id(const QString& s)
    {
        if (FByAddress && ++FLookups == FNextCheck) {
            FNextCheck *= 2;
            if (FHits * 2 < FLookups) {
                FByAddress = false;
                FSlots = {};
            }
        }
        if (!FByAddress)
            return ByText(s);
        const void* p = s.constData();
        const auto size = static_cast<std::uint64_t>(s.size());
        if (FSlots.empty())
            Grow(1024);
        for (size_t i = Slot(p); ; i = (i + 1) & FMask) {
            TSlot& slot = FSlots[i];
            if (slot.Data == p && slot.Size == size) {
                ++FHits;
                return slot.Id;
            }
            if (!slot.Data) {
                const std::uint32_t id = ByText(s);
                slot = {p, size, id};
                if (++FUsed * 2 > FSlots.size())
                    Grow(FSlots.size() * 2);
                return id;
            }
        }
    }
    const std::vector<QString>& Texts() const { return FTexts; }
    bool ByAddress() const { return FByAddress; }

private:
    struct TSlot
    {
        const void* Data = nullptr;
        std::uint64_t Size = 0;
        std::uint32_t Id = 0;
    };
    // A distinct text: its hash, where its code units are, and its number plus one (0: free).
    struct TText
    {
        std::uint64_t Hash = 0;
        const QChar* Data = nullptr;
        qsizetype Size = 0;
        std::uint32_t Id = 0;
    };
    size_t Slot(const void* p) const
    {
        return static_cast<size_t>((reinterpret_cast<std::uintptr_t>(p) * 0x9E3779B97F4A7C15ull) >> 20) & FMask;
    }
    std::uint32_t ByText(const QString& s)
    {
        const QChar* data = s.constData();
        const qsizetype size = s.size();
        const std::uint64_t hash = TextHash(data, size);
        if (FTable.empty())
            GrowTable(1024);
        for (size_t i = static_cast<size_t>(hash >> 32) & FTableMask; ; i = (i + 1) & FTableMask) {
            TText& t = FTable[i];
            if (!t.Id) {
                const auto id = static_cast<std::uint32_t>(FTexts.size());
                t = {hash, data, size, id + 1};
                FTexts.push_back(s);
                if (FTexts.size() * 2 > FTable.size())
                    GrowTable(FTable.size() * 2);
                return id;
            }
            if (t.Hash == hash && t.Size == size && std::memcmp(t.Data, data, size_t(size) * sizeof(QChar)) == 0)
                return t.Id - 1;
        }
    }
    void GrowTable(size_t capacity)
    {
        std::vector<TText> old = std::move(FTable);
        FTable.assign(capacity, TText{});
        FTableMask = capacity - 1;
        for (const TText& t : old)
            if (t.Id) {
                size_t i = static_cast<size_t>(t.Hash >> 32) & FTableMask;
                while (FTable[i].Id)
                    i = (i + 1) & FTableMask;
                FTable[i] = t;
            }
    }
    void Grow(size_t capacity)
    {
        std::vector<TSlot> old = std::move(FSlots);
        FSlots.assign(capacity, TSlot{});
        FMask = capacity - 1;
        for (const TSlot& slot : old)
            if (slot.Data) {
                size_t i = Slot(slot.Data);
                while (FSlots[i].Data)
                    i = (i + 1) & FMask;
                FSlots[i] = slot;
            }
    }
    std::vector<TSlot> FSlots;
    size_t FMask = 0;
    size_t FUsed = 0;
    bool FByAddress = true;
    size_t FLookups = 0, FHits = 0, FNextCheck = 4096;
    std::vector<TText> FTable;
    size_t FTableMask = 0;
    std::vector<QString> FTexts;
};

// The cells of one field for the range's rows, read in place when the provider allows it.
class TCells
{
public:
    TCells(const TKvGridDataProvider* source, TKvRowIndices rows, int field) : FRows(rows)
    {
        // Rows outside the table (data changed under an update) are read the checked way.
        const int rowCount = source->GetRowCount();
        const bool inTable = std::all_of(rows.begin(), rows.end(), [&](int r) { return r >= 0 && r < rowCount; });
        if (inTable && source->GetSortKeyKind(field) == SortKeyOwn) {
            FCopies.resize(rows.size());
            source->GetSortKeys(field, TKvRowIndices(rows), FCopies.data());
            return;
        }
        if (inTable)
            FColumn = source->GetKeptFieldValues(field);
        if (!FColumn && inTable) {
            FCopies.resize(rows.size());
            source->GetCells(field, TKvRowIndices(rows), FCopies.data());
        } else if (!FColumn) {
            FCopies.reserve(rows.size());
            for (int row : rows)
                FCopies.push_back(source->GetData(row, field));
        }
    }
    const Variant& operator[](size_t i) const
    {
        return FColumn ? FColumn[static_cast<size_t>(FRows[i])] : FCopies[i];
    }
    size_t Size() const { return FRows.size(); }
    // Texts lie anywhere in memory (every text its own string): their code units are fetched ahead.
    void PrefetchText(size_t i) const
    {
        if (i < FRows.size())
            if (const Variant& v = (*this)[i]; v.IsString())
                __builtin_prefetch(v.StringUnchecked().constData());
    }

private:
    TKvRowIndices FRows;
    const Variant* FColumn = nullptr;
    std::vector<Variant> FCopies;
};

// The family of a kind in the total variant order: Null, numbers, text, arrays.
inline std::uint8_t FamilyOf(TVarKind kind) noexcept
{
    switch (kind) {
    case TVarKind::Null: return 0;
    case TVarKind::String: return 2;
    case TVarKind::Array: return 3;
    default: return 1;
    }
}

// What one pass over a field's cells found: each cell's family and its value within the family
// (integers as integer keys, doubles as double keys, texts as their number among the distinct
// texts), and the ranges of the numbers.
struct TKeyScan
{
    explicit TKeyScan(size_t n) : Sub(n, 0), Family(n) {}
    TBigArray<std::uint64_t> Sub;
    TBigArray<std::uint8_t> Family;
    bool AnyIntLike = false, AnyDouble = false;
    bool Present[3] = {false, false, false};
    std::int64_t MinInt = std::numeric_limits<std::int64_t>::max(), MaxInt = std::numeric_limits<std::int64_t>::min();
    std::uint64_t MinDouble = std::numeric_limits<std::uint64_t>::max(), MaxDouble = 0;
    TTextIds Ids;
};

// The one pass over the cells; false at an array, which cannot be keyed. The loop keeps its
// ranges in locals (stores into the keys could alias the scan's fields).
bool ScanCells(const TCells& cells, TKeyScan& scan)
{
    const size_t n = cells.Size();
    std::uint64_t* sub = scan.Sub.data();
    std::uint8_t* family = scan.Family.data();
    TTextIds& ids = scan.Ids;
    bool anyIntLike = false, anyDouble = false;
    bool present[3] = {false, false, false};
    std::int64_t minInt = std::numeric_limits<std::int64_t>::max(), maxInt = std::numeric_limits<std::int64_t>::min();
    std::uint64_t minDouble = std::numeric_limits<std::uint64_t>::max(), maxDouble = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!ids.ByAddress())
            cells.PrefetchText(i + 8);
        const Variant& v = cells[i];
        const TVarKind kind = v.Kind();
        std::int64_t value = 0;
        switch (kind) {
        case TVarKind::Null: break;
        case TVarKind::Integer: value = v.IntUnchecked(); [[fallthrough]];
        case TVarKind::Empty:
        case TVarKind::Boolean:
            if (kind == TVarKind::Boolean)
                value = v.BoolUnchecked() ? 1 : 0;
            anyIntLike = true;
            minInt = std::min(minInt, value);
            maxInt = std::max(maxInt, value);
            sub[i] = IntBits(value);
            break;
        case TVarKind::Double:
        case TVarKind::DateTime: {
            anyDouble = true;
            const std::uint64_t k = DoubleBits(v.DoubleUnchecked());
            minDouble = std::min(minDouble, k);
            maxDouble = std::max(maxDouble, k);
            sub[i] = k;
            break;
        }
        case TVarKind::String: sub[i] = ids.Id(v.StringUnchecked()); break;
        case TVarKind::Array: return false;
        }
        const std::uint8_t f = FamilyOf(kind);
        family[i] = f;
        present[f] = true;
    }
    scan.AnyIntLike = anyIntLike;
    scan.AnyDouble = anyDouble;
    std::copy(std::begin(present), std::end(present), std::begin(scan.Present));
    scan.MinInt = minInt;
    scan.MaxInt = maxInt;
    scan.MinDouble = minDouble;
    scan.MaxDouble = maxDouble;
    return true;
}

// Numbers from 0: their lowest key, and the highest value above it. Integers beside doubles are
// read again as doubles.
void OffsetNumbers(const TCells& cells, TKeyScan& scan, std::uint64_t& low, std::uint64_t& numberMax)
{
    low = 0;
    numberMax = 0;
    if (scan.AnyDouble && scan.AnyIntLike) {
        low = std::numeric_limits<std::uint64_t>::max();
        std::uint64_t high = 0;
        for (size_t i = 0, n = cells.Size(); i < n; ++i) {
            if (scan.Family[i] != 1)
                continue;
            switch (const Variant& v = cells[i]; v.Kind()) {
            case TVarKind::Integer: scan.Sub[i] = DoubleBits(static_cast<double>(v.IntUnchecked())); break;
            case TVarKind::Boolean: scan.Sub[i] = DoubleBits(v.BoolUnchecked() ? 1 : 0); break;
            case TVarKind::Empty: scan.Sub[i] = DoubleBits(0); break;
            default: break;
            }
            low = std::min(low, scan.Sub[i]);
            high = std::max(high, scan.Sub[i]);
        }
        numberMax = high - low;
    } else if (scan.AnyDouble) {
        low = scan.MinDouble;
        numberMax = scan.MaxDouble - scan.MinDouble;
    } else if (scan.AnyIntLike) {
        low = IntBits(scan.MinInt);
        numberMax = IntBits(scan.MaxInt) - low;
    }
}

// Each distinct text's rank among them, in code unit order.
std::vector<std::uint32_t> RankTexts(const std::vector<QString>& texts)
{
    std::vector<std::uint32_t> rank(texts.size());
    if (texts.empty())
        return rank;
    std::vector<std::uint32_t> byText(texts.size());
    std::iota(byText.begin(), byText.end(), 0u);
    std::sort(byText.begin(), byText.end(), [&](std::uint32_t a, std::uint32_t b) {
        return texts[a].compare(texts[b], Qt::CaseSensitive) < 0;
    });
    for (size_t r = 0; r < byText.size(); ++r)
        rank[byText[r]] = static_cast<std::uint32_t>(r);
    return rank;
}

// Appends the key columns of one field; false when the field cannot be keyed.
bool ReadKey(const TCells& cells, bool descending, std::vector<KeyColumn>& out)
{
    const size_t n = cells.Size();
    TKeyScan scan(n);
    if (!ScanCells(cells, scan))
        return false;
    constexpr std::int64_t exact = std::int64_t(1) << 53;
    if (scan.AnyDouble && scan.AnyIntLike && (scan.MinInt < -exact || scan.MaxInt > exact))
        return false; // such integers and doubles do not share one key exactly
    std::uint64_t low = 0, numberMax = 0;
    OffsetNumbers(cells, scan, low, numberMax);
    const std::vector<QString>& texts = scan.Ids.Texts();
    const std::vector<std::uint32_t> rank = RankTexts(texts);
    const std::uint64_t textMax = texts.empty() ? 0 : texts.size() - 1;
    TBigArray<std::uint64_t>& sub = scan.Sub;
    const TBigArray<std::uint8_t>& family = scan.Family;

    // The family rank among the families present, above the value.
    std::uint64_t familyRank[3] = {0, 0, 0};
    int families = 0;
    for (int f = 0; f < 3; ++f)
        if (scan.Present[f])
            familyRank[f] = static_cast<std::uint64_t>(families++);
    const int familyBits = BitsFor(static_cast<std::uint64_t>(families > 0 ? families - 1 : 0));
    const int subBits = BitsFor(std::max(numberMax, textMax));
    auto valueOf = [&](size_t i) -> std::uint64_t {
        switch (family[i]) {
        case 1: return sub[i] - low;
        case 2: return rank[sub[i]];
        default: return 0;
        }
    };
    auto topOf = [](int bits) { return bits == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << bits) - 1; };
    if (familyBits + subBits <= 64) {
        KeyColumn key;
        key.Bits = familyBits + subBits;
        if (key.Bits == 0)
            return true; // one value: nothing to order
        // Family, value and direction in one pass, in place.
        const std::uint64_t top = descending ? topOf(key.Bits) : 0;
        for (size_t i = 0; i < n; ++i) {
            const std::uint64_t k = (familyBits ? familyRank[family[i]] << subBits : 0) | valueOf(i);
            sub[i] = descending ? top - k : k;
        }
        key.Keys = std::move(sub);
        out.push_back(std::move(key));
        return true;
    }
    // Family and value in two columns (64-bit values of more than one family).
    KeyColumn familyKey;
    familyKey.Bits = familyBits;
    familyKey.Keys.resize(n);
    const std::uint64_t familyTop = descending ? topOf(familyBits) : 0;
    for (size_t i = 0; i < n; ++i)
        familyKey.Keys[i] = descending ? familyTop - familyRank[family[i]] : familyRank[family[i]];
    out.push_back(std::move(familyKey));
    KeyColumn value;
    value.Bits = subBits;
    const std::uint64_t valueTop = descending ? topOf(subBits) : 0;
    for (size_t i = 0; i < n; ++i)
        sub[i] = descending ? valueTop - valueOf(i) : valueOf(i);
    value.Keys = std::move(sub);
    out.push_back(std::move(value));
    return true;
}

// The keys a provider keeping the field by kind writes, as one column; false when it has none.
bool ReadOrderKeys(const TKvGridDataProvider* source, TKvRowIndices rows, int field, bool descending,
                   std::vector<KeyColumn>& out)
{
    if (source->GetSortKeyKind(field) != SortKeyValues)
        return false;
    KeyColumn key;
    key.Keys.resize(rows.size());
    std::uint64_t max = 0;
    if (!source->GetOrderKeys(field, TKvRowIndices(rows), key.Keys.data(), max))
        return false;
    key.Bits = BitsFor(max);
    if (key.Bits == 0)
        return true; // one value: nothing to order
    if (descending) {
        const std::uint64_t top = key.Bits == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << key.Bits) - 1;
        for (std::uint64_t& k : key.Keys)
            k = top - k;
    }
    out.push_back(std::move(key));
    return true;
}

// Radix digits of 11 bits.
constexpr int kDigit = 11;
constexpr size_t kBuckets = size_t(1) << kDigit;

// The field of each bit of a single key word, for telling where sorted keys change.
using TBitLevels = std::array<std::uint8_t, 64>;

// Where the sorted keys of one word change, and the field of the highest bit that differs.
template <typename KeyAt>
void FindRuns(size_t n, KeyAt keyAt, const TBitLevels& bitLevels, TKvGridValueRuns& runs)
{
    std::uint64_t previous = n ? keyAt(0) : 0;
    for (size_t i = 1; i < n; ++i) {
        const std::uint64_t k = keyAt(i);
        if (const std::uint64_t x = k ^ previous) {
            runs.Starts.push_back(static_cast<int>(i));
            runs.Levels.push_back(bitLevels[size_t(63 - std::countl_zero(x))]);
        }
        previous = k;
    }
}

// Keys of up to this many bits are sorted by one counting pass.
constexpr int kCountedBits = 16;

// Stable sort of positions by one word of few distinct keys: each position goes straight to
// its place after the counts of the smaller keys. The values change where a key's positions
// start, so the runs come from the counts. The word is used up.
std::vector<int> CountWord(TBigArray<std::uint64_t>& word, int bits, size_t n, const TBitLevels& bitLevels,
                           TKvGridValueRuns* runs)
{
    std::vector<std::uint32_t> starts((size_t(1) << bits) + 1, 0);
    const std::uint64_t* keys = word.data();
#if defined(__SSE2__)
    const bool lined = n >= (size_t(1) << 18) && bits <= 12;
#else
    const bool lined = false;
#endif
    // Keys that the lines below place are also written as 16-bit numbers at the front of their
    // own block while counted (each behind the keys still to be read), so that placing reads a
    // quarter of the memory.
    auto* const small = reinterpret_cast<unsigned char*>(word.data());
    if (lined) {
        for (size_t i = 0; i < n; ++i) {
            const auto k = static_cast<std::uint16_t>(keys[i]);
            ++starts[size_t(k) + 1];
            std::memcpy(small + 2 * i, &k, sizeof k);
        }
    } else {
        for (size_t i = 0; i < n; ++i)
            ++starts[size_t(keys[i]) + 1];
    }
    std::uint64_t previous = 0;
    bool any = false;
    for (size_t k = 1; k < starts.size(); ++k) {
        if (runs && starts[k] != 0) {
            const std::uint64_t key = k - 1;
            if (any) {
                runs->Starts.push_back(static_cast<int>(starts[k - 1]));
                runs->Levels.push_back(bitLevels[size_t(63 - std::countl_zero(key ^ previous))]);
            }
            previous = key;
            any = true;
        }
        starts[k] += starts[k - 1];
    }
    std::vector<int> order(n);
    int* out = order.data();
#if defined(__SSE2__)
    // An order larger than a core's cache, by keys few enough that a line of each fits it:
    // each key's positions are gathered a cache line at a time and whole lines are written past
    // the caches, so none is read before it is written.
    constexpr size_t kLine = 64 / sizeof(int);
    if (lined) {
        const size_t count = starts.size() - 1;
        std::vector<std::uint32_t> fill(count, 0);
        std::unique_ptr<int[]> lines(new int[count * kLine]);
        for (size_t i = 0; i < n; ++i) {
            std::uint16_t key = 0;
            std::memcpy(&key, small + 2 * i, sizeof key);
            const auto k = size_t(key);
            int* line = &lines[k * kLine];
            std::uint32_t f = fill[k];
            line[f++] = static_cast<int>(i);
            int* at = out + starts[k];
            if ((reinterpret_cast<std::uintptr_t>(at + f) & 63) == 0) {
                if (f == kLine) {
                    auto* to = reinterpret_cast<__m128i*>(at);
                    const auto* from = reinterpret_cast<const __m128i*>(line);
                    for (size_t q = 0; q < 4; ++q)
                        _mm_stream_si128(to + q, _mm_loadu_si128(from + q));
                } else {
                    std::memcpy(at, line, f * sizeof(int));
                }
                starts[k] += f;
                f = 0;
            }
            fill[k] = f;
        }
        _mm_sfence();
        for (size_t k = 0; k < count; ++k)
            std::memcpy(out + starts[k], &lines[k * kLine], fill[k] * sizeof(int));
        word = {};
        return order;
    }
#endif
    for (size_t i = 0; i < n; ++i)
        out[starts[size_t(keys[i])]++] = static_cast<int>(i);
    word = {};
    return order;
}

// Stable sort of positions by 64-bit words, most significant first. The words are used up.
// With runs and a single word, also where the sorted keys change (bitLevels maps its bits).
std::vector<int> SortWords(std::vector<TBigArray<std::uint64_t>>& words, const std::vector<int>& wordBits,
                           size_t n, const TBitLevels& bitLevels, TKvGridValueRuns* runs)
{
    if (words.size() == 1 && n >= 512 && wordBits[0] <= kCountedBits)
        return CountWord(words[0], wordBits[0], n, bitLevels, runs);
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    if (words.empty())
        return order;
    if (runs && words.size() != 1)
        runs = nullptr;
    if (n < 512) {
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            for (const auto& w : words)
                if (w[size_t(a)] != w[size_t(b)])
                    return w[size_t(a)] < w[size_t(b)];
            return a < b;
        });
        if (runs)
            FindRuns(n, [&](size_t i) { return words[0][size_t(order[i])]; }, bitLevels, *runs);
        return order;
    }
    std::vector<size_t> counts;
    // Least significant word first; each pass is a stable counting sort of one digit.
    bool identity = true;
    for (size_t w = words.size(); w-- > 0;) {
        TBigArray<std::uint64_t>& word = words[w];
        const int bits = wordBits[w];
        const int passes = (bits + kDigit - 1) / kDigit;
        counts.assign(kBuckets * static_cast<size_t>(passes), 0);
        if (bits <= 32) {
            // Key and position in one word: every pass moves 8 bytes. While the order is still
            // the positions' own, the word itself becomes the items.
            TBigArray<std::uint64_t> a = identity ? std::move(word) : TBigArray<std::uint64_t>(n);
            for (size_t i = 0; i < n; ++i) {
                a[i] = identity ? (a[i] << 32) | i : (word[size_t(order[i])] << 32) | static_cast<std::uint32_t>(order[i]);
                for (int p = 0; p < passes; ++p)
                    ++counts[size_t(p) * kBuckets + ((a[i] >> (32 + p * kDigit)) & (kBuckets - 1))];
            }
            TBigArray<std::uint64_t> b(n);
            for (int p = 0; p < passes; ++p) {
                size_t* c = &counts[size_t(p) * kBuckets];
                if (*std::max_element(c, c + kBuckets) == n)
                    continue; // one digit value throughout
                size_t sum = 0;
                for (size_t k = 0; k < kBuckets; ++k)
                    sum += std::exchange(c[k], sum);
                const int shift = 32 + p * kDigit;
                for (size_t i = 0; i < n; ++i)
                    b[c[(a[i] >> shift) & (kBuckets - 1)]++] = a[i];
                a.swap(b);
            }
            for (size_t i = 0; i < n; ++i)
                order[i] = static_cast<int>(static_cast<std::uint32_t>(a[i]));
            if (runs)
                FindRuns(n, [&](size_t i) { return a[i] >> 32; }, bitLevels, *runs);
            identity = false;
            word = {};
            continue;
        }
        TBigArray<std::uint64_t> keys(n), keys2(n);
        std::vector<int> order2(n);
        for (size_t i = 0; i < n; ++i) {
            keys[i] = word[size_t(order[i])];
            for (int p = 0; p < passes; ++p)
                ++counts[size_t(p) * kBuckets + ((keys[i] >> (p * kDigit)) & (kBuckets - 1))];
        }
        word = {};
        for (int p = 0; p < passes; ++p) {
            size_t* c = &counts[size_t(p) * kBuckets];
            if (*std::max_element(c, c + kBuckets) == n)
                continue;
            size_t sum = 0;
            for (size_t k = 0; k < kBuckets; ++k)
                sum += std::exchange(c[k], sum);
            const int shift = p * kDigit;
            for (size_t i = 0; i < n; ++i) {
                const size_t to = c[(keys[i] >> shift) & (kBuckets - 1)]++;
                keys2[to] = keys[i];
                order2[to] = order[i];
            }
            keys.swap(keys2);
            order.swap(order2);
        }
        if (runs)
            FindRuns(n, [&](size_t i) { return keys[i]; }, bitLevels, *runs);
        identity = false;
    }
    return order;
}

// The key columns packed into words, most significant first; each word takes over the storage
// of its first column. The columns are used up.
std::vector<int> SortKeys(std::vector<KeyColumn>& keys, size_t n, TKvGridValueRuns* runs)
{
    // The field of each bit when every column fits one word (the first column highest).
    TBitLevels bitLevels{};
    int low = 0;
    for (const KeyColumn& key : keys)
        low += key.Bits;
    if (low > 64) {
        runs = nullptr;
    } else {
        for (const KeyColumn& key : keys) {
            for (int b = low - key.Bits; b < low; ++b)
                bitLevels[size_t(b)] = static_cast<std::uint8_t>(key.Level);
            low -= key.Bits;
        }
    }
    std::vector<TBigArray<std::uint64_t>> words;
    std::vector<int> wordBits;
    for (KeyColumn& key : keys) {
        if (words.empty() || wordBits.back() + key.Bits > 64) {
            words.push_back(std::move(key.Keys));
            wordBits.push_back(key.Bits);
            continue;
        }
        TBigArray<std::uint64_t>& word = words.back();
        const int shift = key.Bits; // below 64: the word holds a column already
        for (size_t i = 0; i < n; ++i)
            word[i] = (word[i] << shift) | key.Keys[i];
        wordBits.back() += key.Bits;
        key.Keys = {};
    }
    return SortWords(words, wordBits, n, bitLevels, runs);
}

// The range ordered by comparison: the variant order of the values, or the provider's
// CompareValue for a field that has no keys.
std::vector<int> SortCompared(const TKvGridDataProvider* source, TKvRowIndices rows,
                              const TKvIntegerArray& fields, const std::vector<bool>& descending)
{
    std::vector<std::vector<Variant>> values(descending.size());
    std::vector<bool> byProvider(descending.size());
    for (size_t k = 0; k < descending.size(); ++k) {
        byProvider[k] = source->GetSortKeyKind(fields[k]) != SortKeyValues;
        if (byProvider[k])
            continue;
        values[k].reserve(rows.size());
        for (int row : rows)
            values[k].push_back(source->GetData(row, fields[k]));
    }
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (size_t k = 0; k < values.size(); ++k) {
            const int c = byProvider[k] ? source->CompareValue(fields[k], rows[size_t(a)], rows[size_t(b)])
                                        : VarCompareTotal(values[k][size_t(a)], values[k][size_t(b)]);
            if (c != 0)
                return descending[k] ? c > 0 : c < 0;
        }
        return false;
    });
    return order;
}

} // namespace

void TKvGridItemQuickSorter::Run(TKvGridItemProvider* Provider, int Field, TKvGridSortDirection Direction, int First,
                                 int Last)
{
    RunKeys(Provider, TKvIntegerArray{Field}, TKvGridSortDirections{Direction}, First, Last);
}

void TKvGridItemQuickSorter::RunKeys(TKvGridItemProvider* Provider, const TKvIntegerArray& Fields,
                                     const TKvGridSortDirections& Directions, int First, int Last)
{
    if (!Provider || Last <= First || Fields.empty())
        return;
    TKvGridDataProvider* source = Provider->GetDataSource();
    if (!source)
        return;
    std::vector<int> order;
    TKvGridValueRuns runs;
    {
        // Every entry written by GetDataRows; freed before the order is applied (less memory
        // at the peak). From the C heap: the large blocks kept for reuse go to the keys and
        // the order.
        const auto n = static_cast<size_t>(Last - First + 1);
        const std::unique_ptr<int[]> rows(new int[n]);
        Provider->GetDataRows(First, static_cast<int>(n), rows.get());
        if (!OrderRows(source, TKvRowIndices(rows.get(), n), Fields, Directions, order, &runs))
            return;
    }
    Provider->ApplyOrder(First, order);
    if (!runs.Fields.empty()) {
        runs.First = First;
        Provider->SetValueRuns(std::move(runs));
    }
}

bool TKvGridItemQuickSorter::OrderRows(const TKvGridDataProvider* Source, TKvRowIndices Rows,
                                       const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions,
                                       std::vector<int>& Order, TKvGridValueRuns* Runs)
{
    if (Runs)
        *Runs = {};
    if (!Source || Rows.size() < 2 || Fields.empty())
        return false;
    const int fieldCount = Source->GetFieldCount();
    // Keys up to the first field that does not exist (a bad first field leaves the rows as they are).
    size_t levels = 0;
    while (levels < Fields.size() && Fields[levels] >= 0 && Fields[levels] < fieldCount)
        ++levels;
    if (levels == 0)
        return false;
    std::vector<bool> descending(levels);
    for (size_t k = 0; k < levels; ++k)
        descending[k] = k < Directions.size() && Directions[k] == SortDescending;
    const TKvIntegerArray fields(Fields.begin(), Fields.begin() + std::ptrdiff_t(levels));
    bool keyed = std::none_of(fields.begin(), fields.end(),
                              [&](int f) { return Source->GetSortKeyKind(f) == SortKeyCompare; });
    std::vector<KeyColumn> keys;
    for (size_t k = 0; k < levels && keyed; ++k) {
        const size_t before = keys.size();
        keyed = ReadOrderKeys(Source, Rows, fields[k], descending[k], keys) ||
                ReadKey(TCells(Source, Rows, fields[k]), descending[k], keys);
        for (size_t c = before; c < keys.size(); ++c)
            keys[c].Level = static_cast<int>(k);
    }
    if (!keyed) {
        Order = SortCompared(Source, Rows, fields, descending);
        return true;
    }
    // Equal keys are equal values only where the keys come from the values themselves.
    const bool runs = Runs && levels <= 255 && std::all_of(fields.begin(), fields.end(), [&](int f) {
        return Source->GetSortKeyKind(f) == SortKeyValues;
    });
    TKvGridValueRuns found;
    Order = SortKeys(keys, Rows.size(), runs ? &found : nullptr);
    // Runs are told when every key fitted one word (SortKeys leaves them out otherwise).
    if (runs && (std::accumulate(keys.begin(), keys.end(), 0, [](int s, const KeyColumn& k) { return s + k.Bits; }) <= 64)) {
        found.Fields = fields;
        found.Count = static_cast<int>(Rows.size());
        *Runs = std::move(found);
    }
    return true;
}

IKvGridItemSorter* GetSharedQuickSorter()
{
    static const IntfPtr<IKvGridItemSorter> shared(MakeIntf<TKvGridItemQuickSorter>());
    return shared.get();
}

} // namespace kv
