// Resetting and sorting the default item provider over the simple data provider, against
// QSortFilterProxyModel sorting the same data by the same two fields (text, then integer)
// and against the floor of a hand-written sort (texts hashed to ranks, one std::sort of packed
// keys), on texts shared from 1,000 strings and on texts that are each their own string;
// sorting a numeric column holding some text against the same column of numbers only.
#include "BenchData.h"
#include "model/KvGrids.Model.Default.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QHash>
#include <numeric>
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

// The floor: the distinct texts hashed to ids and ranked, then one std::sort of
// (text rank, inverted integer, row) keys.
void SortFloor(benchmark::State& state, bool unshared)
{
    const TColumns& c = Data(static_cast<int>(state.range(0)), unshared).Columns;
    const size_t n = static_cast<size_t>(c.Size());
    for (auto _ : state) {
        QHash<QString, std::uint32_t> ids;
        std::vector<std::uint32_t> id(n);
        std::vector<QString> texts;
        for (size_t i = 0; i < n; ++i) {
            auto it = ids.constFind(c.Texts[i]);
            if (it == ids.constEnd()) {
                it = ids.insert(c.Texts[i], static_cast<std::uint32_t>(texts.size()));
                texts.push_back(c.Texts[i]);
            }
            id[i] = it.value();
        }
        std::vector<std::uint32_t> byText(texts.size()), rank(texts.size());
        std::iota(byText.begin(), byText.end(), 0u);
        std::sort(byText.begin(), byText.end(), [&](std::uint32_t a, std::uint32_t b) { return texts[a] < texts[b]; });
        for (size_t r = 0; r < byText.size(); ++r)
            rank[byText[r]] = static_cast<std::uint32_t>(r);
        std::vector<std::uint64_t> keys(n);
        for (size_t i = 0; i < n; ++i)
            keys[i] = (std::uint64_t(rank[id[i]]) << 42) | (std::uint64_t(1023 - c.Ints[i]) << 22) | i;
        std::sort(keys.begin(), keys.end());
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

BENCHMARK(BM_KvReset)->Apply(Sizes);
BENCHMARK(BM_KvSortTwoFields)->Apply(Sizes);
BENCHMARK(BM_QtProxySortTwoFields)->Apply(Sizes)->Iterations(2);
BENCHMARK(BM_SortFloor)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvSortTwoFieldsUnshared)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtProxySortTwoFieldsUnshared)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SortFloorUnshared)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvSortMixedColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvSortNumberColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IsTrueOnText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvItemOfData)->Arg(1000000)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_KvBind)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(5);

double HeapBytes()
{
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    // Bytes per row at 10,000,000 rows: the one-field table, then the default provider's items.
    {
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
    for (const char* n : {"1000", "100000", "1000000"})
        reporter.PrintRatio(std::string("BM_KvSortTwoFields/") + n, std::string("BM_QtProxySortTwoFields/") + n);
    reporter.PrintRatio("BM_KvSortTwoFieldsUnshared/1000000", "BM_QtProxySortTwoFieldsUnshared/1000000");
    reporter.PrintRatio("BM_SortFloor/1000000", "BM_KvSortTwoFields/1000000");
    reporter.PrintRatio("BM_SortFloorUnshared/1000000", "BM_KvSortTwoFieldsUnshared/1000000");
    reporter.PrintRatio("BM_KvSortNumberColumn", "BM_KvSortMixedColumn");
    for (const int rows : {1000000, 10000000})
        std::printf("binding %d rows: %.2f ms, %.1f ns per row\n", rows, reporter.Find("BM_KvBind/" + std::to_string(rows)),
                    reporter.Find("BM_KvBind/" + std::to_string(rows)) * 1e6 / rows);
    // Heap taken by the row items of 1,000,000 rows: unsorted, then sorted with the reverse index.
    const auto heap = HeapBytes;
    TFixture& d = Data(1000000);
    const double start = heap();
    {
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
