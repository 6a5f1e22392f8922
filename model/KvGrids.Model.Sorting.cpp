#include "model/KvGrids.Model.Sorting.h"

#include <QtCore/QHash>
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>

namespace kv {

namespace {

// One sort key per item of the range. Columns of one kind family become order-preserving
// 64-bit integers; mixed columns keep their variants and use the total variant order.
struct KeyColumn
{
    bool Descending = false;
    std::vector<std::int64_t> Ints;
    std::vector<Variant> Mixed;

    int Compare(size_t a, size_t b) const
    {
        int c;
        if (!Ints.empty())
            c = Ints[a] < Ints[b] ? -1 : Ints[a] > Ints[b] ? 1 : 0;
        else
            c = VarCompareTotal(Mixed[a], Mixed[b]);
        return Descending ? -c : c;
    }
};

constexpr std::int64_t kNullKey = std::numeric_limits<std::int64_t>::min();

std::int64_t DoubleKey(double d)
{
    if (std::isnan(d))
        return std::numeric_limits<std::int64_t>::max();
    if (d == 0)
        d = 0; // -0 sorts with 0
    auto bits = std::bit_cast<std::int64_t>(d);
    return bits < 0 ? bits ^ std::numeric_limits<std::int64_t>::max() : bits;
}

KeyColumn ReadKeys(const TKvGridDataProvider* source, const std::vector<int>& rows, int field, bool descending)
{
    KeyColumn key;
    key.Descending = descending;
    const size_t n = rows.size();
    std::vector<Variant> values;
    values.reserve(n);
    bool anyString = false, anyNumber = false, anyDouble = false, anyOther = false;
    for (int row : rows) {
        values.push_back(source->GetData(row, field));
        switch (values.back().Kind()) {
        case TVarKind::Null: break;
        case TVarKind::Empty: break;
        case TVarKind::String: anyString = true; break;
        case TVarKind::Double:
        case TVarKind::DateTime: anyDouble = anyNumber = true; break;
        case TVarKind::Array: anyOther = true; break;
        default: anyNumber = true; break;
        }
    }
    if (anyOther || (anyString && anyNumber)) {
        key.Mixed = std::move(values);
        return key;
    }
    key.Ints.resize(n);
    if (anyString) {
        // Rank the distinct strings once; Empty reads as ''.
        QHash<QString, std::int64_t> rank;
        for (const Variant& v : values)
            if (v.IsString())
                rank.insert(v.AsString(), 0);
            else if (v.IsEmpty())
                rank.insert(QString(), 0);
        std::vector<QString> distinct;
        distinct.reserve(static_cast<size_t>(rank.size()));
        for (auto it = rank.cbegin(); it != rank.cend(); ++it)
            distinct.push_back(it.key());
        std::sort(distinct.begin(), distinct.end(),
                  [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseSensitive) < 0; });
        for (size_t i = 0; i < distinct.size(); ++i)
            rank[distinct[i]] = static_cast<std::int64_t>(i);
        for (size_t i = 0; i < n; ++i) {
            const Variant& v = values[i];
            key.Ints[i] = v.IsNull() ? kNullKey : rank.value(v.IsString() ? v.AsString() : QString());
        }
        return key;
    }
    for (size_t i = 0; i < n; ++i) {
        const Variant& v = values[i];
        if (v.IsNull())
            key.Ints[i] = kNullKey;
        else if (anyDouble)
            key.Ints[i] = DoubleKey(v.IsEmpty() ? 0.0 : v.ToDouble());
        else
            key.Ints[i] = v.IsEmpty() ? 0 : (v.IsBoolean() ? (v.AsBool() ? 1 : 0) : v.AsInt());
    }
    if (!anyDouble) {
        // A real integer equal to the null key would sort with nulls; lift nulls below it.
        for (size_t i = 0; i < n; ++i)
            if (values[i].IsInteger() && values[i].AsInt() == kNullKey) {
                key.Mixed = std::move(values);
                key.Ints.clear();
                break;
            }
    }
    return key;
}

// Moves the items of First..Last so that position First + i holds the item that was at
// First + order[i], with the fewest exchanges (one per element of every cycle but one).
void ApplyOrder(TKvGridItemProvider* provider, std::vector<int>& order, int first)
{
    const int n = static_cast<int>(order.size());
    // where[k]: current offset of the item that started at offset k.
    std::vector<int> where(static_cast<size_t>(n)), at(static_cast<size_t>(n));
    std::iota(where.begin(), where.end(), 0);
    std::iota(at.begin(), at.end(), 0); // at[p]: original offset of the item now at p
    for (int i = 0; i < n; ++i) {
        const int want = order[static_cast<size_t>(i)];
        const int from = where[static_cast<size_t>(want)];
        if (from == i)
            continue;
        provider->Exchange(first + i, first + from);
        const int displaced = at[static_cast<size_t>(i)];
        at[static_cast<size_t>(i)] = want;
        at[static_cast<size_t>(from)] = displaced;
        where[static_cast<size_t>(want)] = i;
        where[static_cast<size_t>(displaced)] = from;
    }
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
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(Last - First + 1));
    for (int i = First; i <= Last; ++i)
        rows.push_back(Provider->GetItem(i)->GetDataRow());
    std::vector<KeyColumn> keys;
    keys.reserve(levels);
    for (size_t k = 0; k < levels; ++k) {
        const bool desc = k < Directions.size() && Directions[k] == SortDescending;
        keys.push_back(ReadKeys(source, rows, Fields[k], desc));
    }
    std::vector<int> order(rows.size());
    const bool allInts = std::all_of(keys.begin(), keys.end(), [](const KeyColumn& k) { return !k.Ints.empty(); });
    if (allInts && levels <= 2) {
        // Contiguous (key, key, position) records: the position breaks ties, so an unstable
        // sort gives the stable order. Descending keys are complemented (order-reversing).
        struct Entry
        {
            std::int64_t K0, K1;
            int Pos;
        };
        std::vector<Entry> entries(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            const std::int64_t k0 = keys[0].Ints[i];
            const std::int64_t k1 = levels > 1 ? keys[1].Ints[i] : 0;
            entries[i] = {keys[0].Descending ? ~k0 : k0, levels > 1 && keys[1].Descending ? ~k1 : k1, static_cast<int>(i)};
        }
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            if (a.K0 != b.K0)
                return a.K0 < b.K0;
            if (a.K1 != b.K1)
                return a.K1 < b.K1;
            return a.Pos < b.Pos;
        });
        for (size_t i = 0; i < entries.size(); ++i)
            order[i] = entries[i].Pos;
    } else {
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            for (const KeyColumn& key : keys) {
                const int c = key.Compare(size_t(a), size_t(b));
                if (c != 0)
                    return c < 0;
            }
            return false;
        });
    }
    ApplyOrder(Provider, order, First);
}

IKvGridItemSorter* GetSharedQuickSorter()
{
    static const IntfPtr<IKvGridItemSorter> shared(MakeIntf<TKvGridItemQuickSorter>());
    return shared.get();
}

} // namespace kv
