// Resetting and sorting the default item provider over the simple data provider, against
// QSortFilterProxyModel sorting the same data by the same two fields (text, then integer);
// sorting a numeric column holding some text against the same column of numbers only.
#include "BenchData.h"
#include "model/KvGrids.Model.Default.h"

#include <QtCore/QCoreApplication>
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

TFixture& Data(int rows)
{
    static std::map<int, TFixture> cache;
    auto it = cache.find(rows);
    if (it == cache.end()) {
        TFixture f;
        f.Columns = MakeColumns(rows);
        f.Provider.reset(MakeProvider(f.Columns));
        it = cache.emplace(rows, std::move(f)).first;
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
void BM_KvSortTwoFields(benchmark::State& state)
{
    TFixture& d = Data(static_cast<int>(state.range(0)));
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

void BM_QtProxySortTwoFields(benchmark::State& state)
{
    TFixture& d = Data(static_cast<int>(state.range(0)));
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

void Sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_KvReset)->Apply(Sizes);
BENCHMARK(BM_KvSortTwoFields)->Apply(Sizes);
BENCHMARK(BM_QtProxySortTwoFields)->Apply(Sizes)->Iterations(2);
BENCHMARK(BM_KvSortMixedColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvSortNumberColumn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IsTrueOnText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvItemOfData)->Arg(1000000)->Unit(benchmark::kNanosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* n : {"1000", "100000", "1000000"})
        reporter.PrintRatio(std::string("BM_KvSortTwoFields/") + n, std::string("BM_QtProxySortTwoFields/") + n);
    reporter.PrintRatio("BM_KvSortNumberColumn", "BM_KvSortMixedColumn");
    // Heap taken by the row items of 1,000,000 rows: unsorted, then sorted with the reverse index.
    auto heap = [] {
        const struct mallinfo2 m = mallinfo2();
        return static_cast<double>(m.uordblks + m.hblkhd);
    };
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
    benchmark::Shutdown();
    return 0;
}
