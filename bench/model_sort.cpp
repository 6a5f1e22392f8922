// Resetting and sorting the default item provider over the simple data provider, against
// QSortFilterProxyModel sorting the same data by the same two fields (text, then integer
// descending) and against the floor of a hand-written sort (each text hashed once, the distinct
// texts ranked, one radix sort of the packed keys), on texts shared from 1,000 strings and on
// texts that are each their own string; sorting a numeric column holding some text against the
// same column of numbers only. Ratios are ours / theirs, from medians of five runs.
#include "BenchData.h"
#include "model/KvGrids.Model.Default.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QHash>
#include <bit>
#include <limits>
#include <numeric>
#include <string_view>
#include <algorithm>
#include <malloc.h>
#include <QtCore/QSortFilterProxyModel>

using namespace kv;
using namespace kvbench;

namespace {

struct TFixture
{
    TColumns Columns;
    TOwned<TKvSimpleDataProvider> Provider;
};

TFixture& Data(int rows, bool unshared = false)
{
    static std::map<std::pair<int, bool>, TFixture> cache;
    auto it = cache.find({rows, unshared});
    if (it == cache.end()) {
        TFixture f;
        f.Columns = MakeColumns(rows, 42, unshared);
        f.Provider.reset(MakeProvider(f.Columns));
        it = cache.emplace(std::make_pair(rows, unshared), std::move(f)).first;
    }
    return it->second;
}

void BM_KvReset(benchmark::State& state)
{
    TFixture& d = Data(static_cast<int>(state.range(0)));
    TOwned<TKvDefaultGridItemProvider> providerOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& provider = *providerOwner;
    provider.SetDataSource(d.Provider.get());
    for (auto _ : state) {
        provider.ResetItems();
        benchmark::DoNotOptimize(provider.GetItemCount());
    }
    provider.SetDataSource(nullptr);
}

// Sort by text ascending, then integer descending.
void SortTwoFields(benchmark::State& state, bool unshared)
{
    TFixture& d = Data(static_cast<int>(state.range(0)), unshared);
    TOwned<TKvDefaultGridItemProvider> providerOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& provider = *providerOwner;
    provider.SetDataSource(d.Provider.get());
    for (auto _ : state) {
        provider.OrderBy({2, 0}, {SortAscending, SortDescending}, false);
        benchmark::DoNotOptimize(provider.GetItem(0));
        state.PauseTiming();
        provider.OrderBy({}, {}, false);
        state.ResumeTiming();
    }
    provider.SetDataSource(nullptr);
}

void BM_KvSortTwoFields(benchmark::State& state) { SortTwoFields(state, false); }
void BM_KvSortTwoFieldsUnshared(benchmark::State& state) { SortTwoFields(state, true); }

// Stable LSD radix sort of 64-bit words by their upper 32 bits, 11 bits a pass; the lower
// 32 bits carry the row.
void RadixByHighHalf(std::vector<std::uint64_t>& a, int keyBits)
{
    constexpr int kDigit = 11;
    constexpr size_t kBuckets = size_t(1) << kDigit;
    std::vector<std::uint64_t> b(a.size());
    for (int shift = 32; shift < 32 + keyBits; shift += kDigit) {
        std::vector<size_t> count(kBuckets + 1, 0);
        for (const std::uint64_t w : a)
            ++count[((w >> shift) & (kBuckets - 1)) + 1];
        for (size_t k = 1; k <= kBuckets; ++k)
            count[k] += count[k - 1];
        for (const std::uint64_t w : a)
            b[count[(w >> shift) & (kBuckets - 1)]++] = w;
        a.swap(b);
    }
}

int BitsFor(std::uint64_t v) { return v == 0 ? 0 : 64 - std::countl_zero(v); }

// The floor: each text hashed once into a flat table of the distinct texts (equal by hash and
// code units), the distinct texts ranked with the library's comparison (code unit order),
// the integers offset by their minimum and inverted for descending order, and one radix sort
// of (text rank, integer) keys with the row beside them.
void SortFloor(benchmark::State& state, bool unshared)
{
    const TColumns& c = Data(static_cast<int>(state.range(0)), unshared).Columns;
    const size_t n = static_cast<size_t>(c.Size());
    for (auto _ : state) {
        struct TSlot
        {
            size_t Hash = 0;
            std::uint32_t Id = 0; // id + 1; 0 is free
        };
        std::vector<TSlot> table(2048);
        size_t mask = table.size() - 1;
        std::vector<QStringView> texts;
        std::vector<std::uint32_t> id(n);
        qint64 low = std::numeric_limits<qint64>::max(), high = std::numeric_limits<qint64>::min();
        for (size_t i = 0; i < n; ++i) {
            low = std::min(low, c.Ints[i]);
            high = std::max(high, c.Ints[i]);
            const QStringView text(c.Texts[i]);
            const size_t h = qHash(text);
            size_t slot = h & mask;
            while (table[slot].Id && !(table[slot].Hash == h && texts[table[slot].Id - 1] == text))
                slot = (slot + 1) & mask;
            if (!table[slot].Id) {
                texts.push_back(text);
                table[slot] = {h, static_cast<std::uint32_t>(texts.size())};
                if (texts.size() * 2 > table.size()) {
                    std::vector<TSlot> old(table.size() * 2);
                    old.swap(table);
                    mask = table.size() - 1;
                    for (const TSlot& s : old)
                        if (s.Id) {
                            size_t k = s.Hash & mask;
                            while (table[k].Id)
                                k = (k + 1) & mask;
                            table[k] = s;
                        }
                }
            }
            id[i] = table[slot].Id - 1;
        }
        std::vector<std::uint32_t> byText(texts.size()), rank(texts.size());
        std::iota(byText.begin(), byText.end(), 0u);
        std::sort(byText.begin(), byText.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return texts[a].compare(texts[b], Qt::CaseSensitive) < 0; });
        for (size_t r = 0; r < byText.size(); ++r)
            rank[byText[r]] = static_cast<std::uint32_t>(r);
        const int intBits = BitsFor(static_cast<std::uint64_t>(high - low));
        const int keyBits = BitsFor(texts.size() - 1) + intBits;
        std::vector<std::uint64_t> keys(n);
        for (size_t i = 0; i < n; ++i)
            keys[i] = (((std::uint64_t(rank[id[i]]) << intBits) | std::uint64_t(high - c.Ints[i])) << 32) | i;
        RadixByHighHalf(keys, keyBits);
        benchmark::DoNotOptimize(keys.front());
    }
}

void BM_SortFloor(benchmark::State& state) { SortFloor(state, false); }
void BM_SortFloorUnshared(benchmark::State& state) { SortFloor(state, true); }

// A one-field table of integers (the binding benchmark's data).
TKvSimpleDataProvider* IntTable(int rows)
{
    static std::map<int, TOwned<TKvSimpleDataProvider>> cache;
    auto& p = cache[rows];
    if (!p) {
        p.reset(Create<TKvSimpleDataProvider>(nullptr));
        p->InsertColumns(0, 1, QStringLiteral("value"), QStringLiteral("n"));
        p->BeginUpdate();
        for (int i = 0; i < rows; ++i)
            p->InsertRow(i, {i % 1000});
        p->EndUpdate(false);
    }
    return p.get();
}

long MinorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Binding a fresh default item provider to a table (its row items built).
void BM_KvBind(benchmark::State& state)
{
    TKvSimpleDataProvider* table = IntTable(static_cast<int>(state.range(0)));
    long faults = 0;
    for (auto _ : state) {
        const long before = MinorFaults();
        TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
        provider->SetDataSource(table);
        benchmark::DoNotOptimize(provider->GetItem(0));
        state.PauseTiming();
        faults += MinorFaults() - before;
        provider.reset();
        state.ResumeTiming();
    }
    // Page faults are a load-independent share of the cost.
    state.counters["faults_per_1k_rows"] = 1000.0 * static_cast<double>(faults) /
                                          static_cast<double>(state.iterations() * state.range(0));
}

void BM_KvItemOfData(benchmark::State& state)
{
    TFixture& d = Data(static_cast<int>(state.range(0)));
    TOwned<TKvDefaultGridItemProvider> providerOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& provider = *providerOwner;
    provider.SetDataSource(d.Provider.get());
    provider.OrderBy({2, 1}, {SortAscending, SortDescending}, false);
    const int n = provider.GetItemCount();
    int row = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(provider.ItemOfData(row));
        row = (row + 7919) % n;
    }
    provider.SetDataSource(nullptr);
}

class TTwoFieldProxy : public QSortFilterProxyModel
{
protected:
    bool lessThan(const QModelIndex& l, const QModelIndex& r) const override
    {
        const QAbstractItemModel* m = sourceModel();
        const int c = QString::compare(m->index(l.row(), 2).data().toString(), m->index(r.row(), 2).data().toString());
        if (c != 0)
            return c < 0;
        return m->index(l.row(), 0).data().toLongLong() > m->index(r.row(), 0).data().toLongLong();
    }
};

// A numeric column in which every tenth value is text (half of it numeric text), against the
// same column of numbers only.
TKvSimpleDataProvider* MixedProvider(bool withText)
{
    static std::map<bool, TOwned<TKvSimpleDataProvider>> cache;
    auto& p = cache[withText];
    if (!p) {
        p.reset(Create<TKvSimpleDataProvider>(nullptr));
        p->InsertColumns(0, 1, QStringLiteral("value"), QStringLiteral("n"));
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> dist(0, 99999);
        p->BeginUpdate();
        for (int i = 0; i < 200000; ++i) {
            const int v = dist(rng);
            if (withText && i % 10 == 0)
                p->InsertRow(i, {i % 20 == 0 ? QString::number(v) : QStringLiteral("item %1").arg(v)});
            else
                p->InsertRow(i, {v});
        }
        p->EndUpdate(false);
    }
    return p.get();
}

void SortOneColumn(benchmark::State& state, TKvSimpleDataProvider* data)
{
    TOwned<TKvDefaultGridItemProvider> providerOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& provider = *providerOwner;
    provider.SetDataSource(data);
    for (auto _ : state) {
        provider.OrderBy({0}, {SortAscending}, false);
        benchmark::DoNotOptimize(provider.GetItem(0));
        state.PauseTiming();
        provider.OrderBy({}, {}, false);
        state.ResumeTiming();
    }
    provider.SetDataSource(nullptr);
}

void BM_KvSortMixedColumn(benchmark::State& state) { SortOneColumn(state, MixedProvider(true)); }
void BM_KvSortNumberColumn(benchmark::State& state) { SortOneColumn(state, MixedProvider(false)); }

// The predicate form of 20,000 text cells that are not Booleans.
void BM_IsTrueOnText(benchmark::State& state)
{
    std::vector<Variant> cells;
    for (int i = 0; i < 20000; ++i)
        cells.emplace_back(QStringLiteral("name %1").arg(i));
    for (auto _ : state) {
        int count = 0;
        for (const Variant& v : cells)
            count += v.IsTrue() ? 1 : 0;
        benchmark::DoNotOptimize(count);
    }
}

void QtProxySortTwoFields(benchmark::State& state, bool unshared)
{
    TFixture& d = Data(static_cast<int>(state.range(0)), unshared);
    TQtTable table(d.Columns);
    for (auto _ : state) {
        state.PauseTiming();
        TTwoFieldProxy proxy;
        proxy.setSourceModel(&table);
        state.ResumeTiming();
        proxy.sort(0, Qt::AscendingOrder);
        benchmark::DoNotOptimize(proxy.mapToSource(proxy.index(0, 0)));
        state.PauseTiming();
        proxy.setSourceModel(nullptr);
        state.ResumeTiming();
    }
}

void BM_QtProxySortTwoFields(benchmark::State& state) { QtProxySortTwoFields(state, false); }
void BM_QtProxySortTwoFieldsUnshared(benchmark::State& state) { QtProxySortTwoFields(state, true); }

void Sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
}

KV_BENCHMARK(BM_KvReset)->Apply(Sizes);
KV_BENCHMARK(BM_KvSortTwoFields)->Apply(Sizes);
KV_BENCHMARK(BM_QtProxySortTwoFields)->Apply(Sizes)->Iterations(1);
KV_BENCHMARK(BM_SortFloor)->Apply(Sizes);
KV_BENCHMARK(BM_KvSortTwoFieldsUnshared)->Arg(1000000)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_QtProxySortTwoFieldsUnshared)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_SortFloorUnshared)->Arg(1000000)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_KvSortMixedColumn)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_KvSortNumberColumn)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_IsTrueOnText)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_KvItemOfData)->Arg(1000000)->Unit(benchmark::kNanosecond);
KV_BENCHMARK(BM_KvBind)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(5);

double HeapBytes()
{
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The heap figures are taken on a full run only (a filtered run profiles the cases alone).
    const bool full = std::none_of(argv + 1, argv + argc, [](const char* a) {
        return std::string_view(a).starts_with("--benchmark_filter");
    });
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    // Bytes per row at 10,000,000 rows: the one-field table, then the default provider's items.
    if (full) {
        const double before = HeapBytes();
        TKvSimpleDataProvider* table = IntTable(10000000);
        const double filled = HeapBytes();
        TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
        provider->SetDataSource(table);
        const double bound = HeapBytes();
        std::printf("10,000,000 rows: one-field simple data provider %.1f bytes per row, "
                    "default item provider %.1f bytes per row\n",
                    (filled - before) / 1e7, (bound - filled) / 1e7);
        provider->SetDataSource(nullptr);
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* n : {"1000", "100000", "1000000"}) {
        reporter.PrintRatio(std::string("BM_KvSortTwoFields/") + n, std::string("BM_SortFloor/") + n);
        reporter.PrintRatio(std::string("BM_KvSortTwoFields/") + n, std::string("BM_QtProxySortTwoFields/") + n);
    }
    reporter.PrintRatio("BM_KvSortTwoFieldsUnshared/1000000", "BM_SortFloorUnshared/1000000");
    reporter.PrintRatio("BM_KvSortTwoFieldsUnshared/1000000", "BM_QtProxySortTwoFieldsUnshared/1000000");
    reporter.PrintRatio("BM_KvSortMixedColumn", "BM_KvSortNumberColumn");
    for (const int rows : {1000000, 10000000})
        std::printf("binding %d rows: %.2f ms, %.1f ns per row\n", rows, reporter.Find("BM_KvBind/" + std::to_string(rows)),
                    reporter.Find("BM_KvBind/" + std::to_string(rows)) * 1e6 / rows);
    // Heap taken by the row items of 1,000,000 rows: unsorted, then sorted with the reverse index.
    if (full) {
        const auto heap = HeapBytes;
        TFixture& d = Data(1000000);
        const double start = heap();
        TOwned<TKvDefaultGridItemProvider> providerOwner = MakeOwned<TKvDefaultGridItemProvider>();
        TKvDefaultGridItemProvider& provider = *providerOwner;
        provider.SetDataSource(d.Provider.get());
        const double unsorted = heap();
        provider.OrderBy({2, 0}, {SortAscending, SortDescending}, false);
        benchmark::DoNotOptimize(provider.ItemOfData(0));
        const double sorted = heap();
        std::printf("row items: %.1f bytes per row unsorted, %.1f sorted with the reverse index (1,000,000 rows)\n",
                    (unsorted - start) / 1e6, (sorted - start) / 1e6);
        provider.SetDataSource(nullptr);
    }
    PrintProcessCpuAndLoad();
    benchmark::Shutdown();
    return 0;
}
