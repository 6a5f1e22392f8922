// Sorting a range of items by several fields.
//
// Call flow: RunKeys reads the range's data rows once, then each field's cells once
// (ReadKey), in place when the data provider keeps a field in one array, or the keys the
// provider writes for a field it compares its own way (GetSortKeys). A field becomes
// one or two unsigned key columns that preserve the total variant order: a family rank
// (Null, numbers, text) and a value within the family (integers offset by their minimum,
// doubles by their bits, text by its rank among the distinct texts). The key columns are
// packed into as few 64-bit words as their bit widths allow and sorted by least significant
// digit (stable, so ties keep their order), or by comparison for short ranges. A field that
// cannot be keyed (arrays, integers beyond 2^53 beside doubles, a provider comparing without
// keys) sorts the whole range by comparison, CompareValue for the provider's own fields.
// The provider then takes the new order in one step.
#include "model/KvGrids.Model.Sorting.h"

#include <QtCore/QHash>
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>

namespace kv {

namespace {

// Order-preserving unsigned keys in [0, 2^Bits).
struct KeyColumn
{
    std::vector<std::uint64_t> Keys;
    int Bits = 0;
};

int BitsFor(std::uint64_t maxValue) { return maxValue == 0 ? 0 : 64 - std::countl_zero(maxValue); }

std::uint64_t DoubleBits(double d)
{
    if (std::isnan(d))
        return std::numeric_limits<std::uint64_t>::max();
    if (d == 0)
        d = 0; // -0 sorts with 0
    const auto b = std::bit_cast<std::uint64_t>(d);
    return (b >> 63) ? ~b : b | (std::uint64_t(1) << 63);
}

std::uint64_t IntBits(std::int64_t i) { return static_cast<std::uint64_t>(i) ^ (std::uint64_t(1) << 63); }

// Distinct texts numbered in order of first appearance. Strings that share their data are
// found by address before their text is hashed; when addresses rarely repeat (every text its
// own string, as read from a file) the texts are hashed straight away.
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

private:
    struct TSlot
    {
        const void* Data = nullptr;
        std::uint64_t Size = 0;
        std::uint32_t Id = 0;
    };
    size_t Slot(const void* p) const
    {
        return static_cast<size_t>((reinterpret_cast<std::uintptr_t>(p) * 0x9E3779B97F4A7C15ull) >> 20) & FMask;
    }
    std::uint32_t ByText(const QString& s)
    {
        const auto it = FByText.constFind(s);
        if (it != FByText.constEnd())
            return it.value();
        const auto id = static_cast<std::uint32_t>(FTexts.size());
        FByText.insert(s, id);
        FTexts.push_back(s);
        return id;
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
    QHash<QString, std::uint32_t> FByText;
    std::vector<QString> FTexts;
};

// The cells of one field for the range's rows, read in place when the provider allows it.
class TCells
{
public:
    TCells(const TKvGridDataProvider* source, const std::vector<int>& rows, int field) : FRows(rows)
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
            FColumn = source->GetFieldValues(field);
        if (!FColumn) {
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

private:
    const std::vector<int>& FRows;
    const Variant* FColumn = nullptr;
    std::vector<Variant> FCopies;
};

// Appends the key columns of one field; false when the field cannot be keyed.
bool ReadKey(const TCells& cells, bool descending, std::vector<KeyColumn>& out)
{
    const size_t n = cells.Size();
    bool anyNull = false, anyNumber = false, anyDouble = false, anyText = false;
    std::int64_t minInt = std::numeric_limits<std::int64_t>::max(), maxInt = std::numeric_limits<std::int64_t>::min();
    for (size_t i = 0; i < n; ++i) {
        const Variant& v = cells[i];
        switch (v.Kind()) {
        case TVarKind::Null: anyNull = true; break;
        case TVarKind::Integer:
            anyNumber = true;
            minInt = std::min(minInt, v.IntUnchecked());
            maxInt = std::max(maxInt, v.IntUnchecked());
            break;
        case TVarKind::Empty:
        case TVarKind::Boolean:
            anyNumber = true;
            minInt = std::min<std::int64_t>(minInt, 0);
            maxInt = std::max<std::int64_t>(maxInt, 1);
            break;
        case TVarKind::Double:
        case TVarKind::DateTime: anyNumber = anyDouble = true; break;
        case TVarKind::String: anyText = true; break;
        case TVarKind::Array: return false;
        }
    }
    constexpr std::int64_t exact = std::int64_t(1) << 53;
    if (anyDouble && minInt <= maxInt && (minInt < -exact || maxInt > exact))
        return false; // such integers and doubles do not share one key exactly

    // Values within the family: numbers and text each from 0.
    std::vector<std::uint64_t> sub(n, 0);
    std::uint64_t numberMax = 0, textMax = 0;
    if (anyNumber) {
        std::uint64_t low = std::numeric_limits<std::uint64_t>::max(), high = 0;
        for (size_t i = 0; i < n; ++i) {
            const Variant& v = cells[i];
            std::uint64_t k;
            switch (v.Kind()) {
            case TVarKind::Integer:
                k = anyDouble ? DoubleBits(static_cast<double>(v.IntUnchecked())) : IntBits(v.IntUnchecked());
                break;
            case TVarKind::Boolean: k = anyDouble ? DoubleBits(v.BoolUnchecked() ? 1 : 0) : IntBits(v.BoolUnchecked()); break;
            case TVarKind::Empty: k = anyDouble ? DoubleBits(0) : IntBits(0); break;
            case TVarKind::Double:
            case TVarKind::DateTime: k = DoubleBits(v.DoubleUnchecked()); break;
            default: continue;
            }
            sub[i] = k;
            low = std::min(low, k);
            high = std::max(high, k);
        }
        for (size_t i = 0; i < n; ++i)
            if (VarKeyFamily(cells[i].Kind()) == 1)
                sub[i] -= low;
        numberMax = high - low;
    }
    if (anyText) {
        TTextIds ids;
        std::vector<std::uint32_t> id(n, 0);
        for (size_t i = 0; i < n; ++i)
            if (cells[i].IsString())
                id[i] = ids.Id(cells[i].StringUnchecked());
        const std::vector<QString>& texts = ids.Texts();
        std::vector<std::uint32_t> byText(texts.size());
        std::iota(byText.begin(), byText.end(), 0u);
        std::sort(byText.begin(), byText.end(), [&](std::uint32_t a, std::uint32_t b) {
            return texts[a].compare(texts[b], Qt::CaseSensitive) < 0;
        });
        std::vector<std::uint32_t> rank(texts.size());
        for (size_t r = 0; r < byText.size(); ++r)
            rank[byText[r]] = static_cast<std::uint32_t>(r);
        for (size_t i = 0; i < n; ++i)
            if (cells[i].IsString())
                sub[i] = rank[id[i]];
        textMax = texts.empty() ? 0 : texts.size() - 1;
    }

    // The family rank among the families present, above the value.
    int familyOf[3] = {0, 0, 0};
    int families = 0;
    for (int f = 0; f < 3; ++f)
        if ((f == 0 && anyNull) || (f == 1 && anyNumber) || (f == 2 && anyText))
            familyOf[f] = families++;
    const int familyBits = BitsFor(static_cast<std::uint64_t>(families > 0 ? families - 1 : 0));
    const int subBits = BitsFor(std::max(numberMax, textMax));
    auto finish = [&](KeyColumn& key) {
        if (key.Bits == 0)
            return; // one value: nothing to order
        if (descending) {
            const std::uint64_t top = key.Bits == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << key.Bits) - 1;
            for (std::uint64_t& k : key.Keys)
                k = top - k;
        }
        out.push_back(std::move(key));
    };
    if (familyBits + subBits <= 64) {
        KeyColumn key;
        key.Bits = familyBits + subBits;
        key.Keys = std::move(sub);
        if (familyBits > 0)
            for (size_t i = 0; i < n; ++i)
                key.Keys[i] |= static_cast<std::uint64_t>(familyOf[VarKeyFamily(cells[i].Kind())]) << subBits;
        finish(key);
        return true;
    }
    KeyColumn family;
    family.Bits = familyBits;
    family.Keys.resize(n);
    for (size_t i = 0; i < n; ++i)
        family.Keys[i] = static_cast<std::uint64_t>(familyOf[VarKeyFamily(cells[i].Kind())]);
    finish(family);
    KeyColumn value;
    value.Bits = subBits;
    value.Keys = std::move(sub);
    finish(value);
    return true;
}

// Stable sort of positions by 64-bit words, most significant first.
std::vector<int> SortWords(const std::vector<std::vector<std::uint64_t>>& words, const std::vector<int>& wordBits,
                           size_t n)
{
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    if (words.empty())
        return order;
    if (n < 512) {
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            for (const auto& w : words)
                if (w[size_t(a)] != w[size_t(b)])
                    return w[size_t(a)] < w[size_t(b)];
            return a < b;
        });
        return order;
    }
    constexpr int kDigit = 11;
    constexpr size_t kBuckets = size_t(1) << kDigit;
    std::vector<size_t> counts;
    // Least significant word first; each pass is a stable counting sort of one digit.
    for (size_t w = words.size(); w-- > 0;) {
        const std::vector<std::uint64_t>& word = words[w];
        const int bits = wordBits[w];
        const int passes = (bits + kDigit - 1) / kDigit;
        counts.assign(kBuckets * static_cast<size_t>(passes), 0);
        if (bits <= 32) {
            // Key and position in one word: every pass moves 8 bytes.
            std::vector<std::uint64_t> a(n), b(n);
            for (size_t i = 0; i < n; ++i) {
                a[i] = (word[size_t(order[i])] << 32) | static_cast<std::uint32_t>(order[i]);
                for (int p = 0; p < passes; ++p)
                    ++counts[size_t(p) * kBuckets + ((a[i] >> (32 + p * kDigit)) & (kBuckets - 1))];
            }
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
            continue;
        }
        std::vector<std::uint64_t> keys(n), keys2(n);
        std::vector<int> order2(n);
        for (size_t i = 0; i < n; ++i) {
            keys[i] = word[size_t(order[i])];
            for (int p = 0; p < passes; ++p)
                ++counts[size_t(p) * kBuckets + ((keys[i] >> (p * kDigit)) & (kBuckets - 1))];
        }
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
    }
    return order;
}

// The key columns packed into words, most significant first.
std::vector<int> SortKeys(const std::vector<KeyColumn>& keys, size_t n)
{
    std::vector<std::vector<std::uint64_t>> words;
    std::vector<int> wordBits;
    for (const KeyColumn& key : keys) {
        if (words.empty() || wordBits.back() + key.Bits > 64) {
            words.emplace_back(n, 0);
            wordBits.push_back(0);
        }
        std::vector<std::uint64_t>& word = words.back();
        const int shift = key.Bits;
        for (size_t i = 0; i < n; ++i)
            word[i] = (shift == 64 ? 0 : word[i] << shift) | key.Keys[i];
        wordBits.back() += key.Bits;
    }
    return SortWords(words, wordBits, n);
}

// The range ordered by comparison: the variant order of the values, or the provider's
// CompareValue for a field that has no keys.
std::vector<int> SortCompared(const TKvGridDataProvider* source, const std::vector<int>& rows,
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
    const int fieldCount = source->GetFieldCount();
    // Keys up to the first field that does not exist (a bad first field leaves the range as it is).
    size_t levels = 0;
    while (levels < Fields.size() && Fields[levels] >= 0 && Fields[levels] < fieldCount)
        ++levels;
    if (levels == 0)
        return;
    std::vector<int> rows(static_cast<size_t>(Last - First + 1));
    Provider->GetDataRows(First, static_cast<int>(rows.size()), rows.data());
    std::vector<bool> descending(levels);
    for (size_t k = 0; k < levels; ++k)
        descending[k] = k < Directions.size() && Directions[k] == SortDescending;
    const TKvIntegerArray fields(Fields.begin(), Fields.begin() + std::ptrdiff_t(levels));
    bool keyed = std::none_of(fields.begin(), fields.end(),
                              [&](int f) { return source->GetSortKeyKind(f) == SortKeyCompare; });
    std::vector<KeyColumn> keys;
    for (size_t k = 0; k < levels && keyed; ++k)
        keyed = ReadKey(TCells(source, rows, fields[k]), descending[k], keys);
    const std::vector<int> order = keyed ? SortKeys(keys, rows.size()) : SortCompared(source, rows, fields, descending);
    Provider->ApplyOrder(First, order);
}

IKvGridItemSorter* GetSharedQuickSorter()
{
    static const IntfPtr<IKvGridItemSorter> shared(MakeIntf<TKvGridItemQuickSorter>());
    return shared.get();
}

} // namespace kv
