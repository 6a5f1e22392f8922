// Resetting and sorting the default item provider over the simple data provider, against
// QSortFilterProxyModel sorting the same data by the same two fields.
#include "BenchData.h"
#include "model/KvGrids.Model.Default.h"

#include <QtCore/QCoreApplication>
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

// Sort by text ascending, then float descending.
void BM_KvSortTwoFields(benchmark::State& state)
{
    TFixture& d = Data(static_cast<int>(state.range(0)));
    TOwned<TKvDefaultGridItemProvider> providerOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& provider = *providerOwner;
    provider.SetDataSource(d.Provider.get());
    for (auto _ : state) {
        provider.OrderBy({2, 1}, {SortAscending, SortDescending}, false);
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
        return m->index(l.row(), 1).data().toDouble() > m->index(r.row(), 1).data().toDouble();
    }
};

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
    benchmark::Shutdown();
    return 0;
}
