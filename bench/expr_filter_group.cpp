// Filtering and grouping a million rows: an expression filter over one numeric column
// (against QSortFilterProxyModel with a range filter), and grouping by a text column of
// 1,000 distinct values with a sum and a mean per group, at 1M and 4M rows, on texts shared
// from 1,000 strings and on texts that are each their own string (as read from a file).
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "model/KvGrids.Model.Proxy.Group.h"

#include <QtCore/QAbstractTableModel>
#include <QtCore/QCoreApplication>
#include <QtCore/QSortFilterProxyModel>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sys/resource.h>
#include <random>

using namespace kv;

namespace {

constexpr int kRows = 1'000'000;
constexpr const char* kFilter = "(value > 500) and (value < 900)";

struct TBenchData
{
    TOwned<TKvSimpleDataProvider> Table;
    std::vector<int> Ints; // the same integers for the Qt model

    explicit TBenchData(int rows = kRows, bool unshared = false)
    {
        Table = MakeOwned<TKvSimpleDataProvider>(nullptr);
        Table->InsertColumns(0, 4, "Id,Amount,Code,When", "n,n,s,d");
        std::mt19937 rng(42);
        std::uniform_int_distribution<int> value(0, 999);
        std::vector<QString> codes;
        for (int i = 0; i < 1000; ++i)
            codes.push_back(QStringLiteral("CODE-%1").arg(i * 7919 % 100000, 7, 10, QLatin1Char('0')));
        Table->BeginUpdate();
        Ints.reserve(static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            const int v = value(rng);
            Ints.push_back(v);
            const QString& code = codes[static_cast<size_t>(value(rng))];
            Table->InsertRow(r, {v, v * 1.25, unshared ? QString(code.constData(), code.size()) : code,
                                 Variant::DateTime(45000.0 + r / 1440.0)});
        }
        Table->EndUpdate(false);
    }
};

TBenchData& Data(int rows = kRows, bool unshared = false)
{
    static std::map<std::pair<int, bool>, std::unique_ptr<TBenchData>> cache;
    auto& data = cache[{rows, unshared}];
    if (!data)
        data = std::make_unique<TBenchData>(rows, unshared);
    return *data;
}

// The data of a grouping benchmark: its rows and whether the texts are shared.
TBenchData& Data(const benchmark::State& state) { return Data(static_cast<int>(state.range(0)), state.range(1) != 0); }

// Suffix of a grouping benchmark's record: "" for 1M shared rows.
std::string DataName(const benchmark::State& state)
{
    return (state.range(0) == kRows ? std::string() : "@" + std::to_string(state.range(0) / 1000000) + "M") +
           (state.range(1) ? "/unshared" : "");
}

std::map<std::string, double> gSeconds; // per-iteration wall time of each benchmark

void Record(benchmark::State& state, const std::string& name, double seconds)
{
    gSeconds[name] = seconds / static_cast<double>(state.iterations());
}

// --- evaluation of a parsed tree over one column --------------------------------------------

void BM_EvaluateFilterTree(benchmark::State& state)
{
    TKvSimpleDataProvider* table = Data().Table.get();
    auto tree = TKvExpressionParser::Parse(kFilter);
    TKvColumnFilterExpressionRuntime runtime;
    double total = 0;
    int passing = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        passing = 0;
        for (int r = 0; r < kRows; ++r) {
            runtime.SetData(table, r, 0);
            passing += tree->Evaluate(&runtime).ToBoolean() ? 1 : 0;
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(passing);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    state.counters["passing"] = passing;
    Record(state, "tree", total);
}
BENCHMARK(BM_EvaluateFilterTree)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- the filtered item provider --------------------------------------------------------------

// Seconds spent applying the filters, over all iterations.
double TimeFilters(benchmark::State& state, TKvGridFilteredItemProvider* filtered)
{
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        filtered->ApplyFilters(true);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(filtered->GetItemCount());
    }
    return total;
}

void BM_FilteredProvider(benchmark::State& state)
{
    TOwned<TKvDefaultGridItemProvider> sourceOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& source = *sourceOwner;
    source.SetDataSource(Data().Table.get());
    auto filtered = MakeOwned<TKvGridFilteredItemProvider>(&source);
    filtered->AddFilter(0, kFilter);
    const double total = TimeFilters(state, filtered.get());
    state.SetItemsProcessed(state.iterations() * kRows);
    state.counters["passing"] = filtered->GetItemCount();
    Record(state, "filtered", total);
}
BENCHMARK(BM_FilteredProvider)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- the same range filter in Qt --------------------------------------------------------------

class TIntTableModel : public QAbstractTableModel
{
public:
    explicit TIntTableModel(const std::vector<int>* values) : FValues(values) {}
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(FValues->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || index.column() != 0)
            return {};
        return (*FValues)[static_cast<size_t>(index.row())];
    }

private:
    const std::vector<int>* FValues;
};

// The same rows served from the same data provider.
class TProviderTableModel : public QAbstractTableModel
{
public:
    explicit TProviderTableModel(TKvGridDataProvider* data) : FData(data) {}
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : FData->GetRowCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || index.column() != 0)
            return {};
        const Variant v = FData->GetData(index.row(), index.column());
        return v.IsInteger() ? QVariant(static_cast<int>(v.AsInt())) : QVariant(v.ToString());
    }

private:
    TKvGridDataProvider* FData;
};

class TRangeFilterProxy : public QSortFilterProxyModel
{
public:
    int Low = 500;
    int High = 900;
    void Apply() { invalidateFilter(); }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const int v = sourceModel()->data(sourceModel()->index(row, 0, parent), Qt::DisplayRole).toInt();
        return v > Low && v < High;
    }
};

// Filters the model through a proxy each iteration; the mapping is built on first use.
void RunRangeFilterProxy(benchmark::State& state, QAbstractItemModel& model, const char* key)
{
    TRangeFilterProxy proxy;
    proxy.setSourceModel(&model);
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        proxy.Apply();
        const int count = proxy.rowCount();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    state.counters["passing"] = proxy.rowCount();
    Record(state, key, total);
}

void BM_QSortFilterProxyModel(benchmark::State& state)
{
    TIntTableModel model(&Data().Ints);
    RunRangeFilterProxy(state, model, "qt");
}
BENCHMARK(BM_QSortFilterProxyModel)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QSortFilterProxyModelOverProvider(benchmark::State& state)
{
    TProviderTableModel model(Data().Table.get());
    RunRangeFilterProxy(state, model, "qtprovider");
}
BENCHMARK(BM_QSortFilterProxyModelOverProvider)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- 200,000 rows: a column with some text, and appends under an active filter ------------

constexpr int kSmallRows = 200'000;

// Integers, every tenth row (with withText) a distinct text that does not read as a number.
TOwned<TKvSimpleDataProvider> MakeSmallTable(bool withText)
{
    auto table = MakeOwned<TKvSimpleDataProvider>(nullptr);
    table->InsertColumns(0, 1, "value", "n");
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> value(0, 999);
    table->BeginUpdate();
    for (int r = 0; r < kSmallRows; ++r) {
        if (withText && r % 10 == 0)
            table->InsertRow(r, {QStringLiteral("code %1").arg(r)});
        else
            table->InsertRow(r, {value(rng)});
    }
    table->EndUpdate(false);
    return table;
}

// The small table under "value > 500".
struct TSmallChain
{
    TOwned<TKvSimpleDataProvider> Table;
    TOwned<TKvDefaultGridItemProvider> SourceOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& Source = *SourceOwner;
    TOwned<TKvGridFilteredItemProvider> Filtered;
    explicit TSmallChain(bool withText) : Table(MakeSmallTable(withText))
    {
        Source.SetDataSource(Table.get());
        Filtered = MakeOwned<TKvGridFilteredItemProvider>(&Source);
        Filtered->AddFilter(0, "value > 500");
    }
    ~TSmallChain()
    {
        Filtered.reset();
        Source.SetDataSource(nullptr);
    }
};

void FilterSmallTable(benchmark::State& state, bool withText, const char* name)
{
    TSmallChain chain(withText);
    auto& filtered = chain.Filtered;
    const double total = TimeFilters(state, filtered.get());
    state.counters["passing"] = filtered->GetItemCount();
    Record(state, name, total);
}

void BM_FilterWithText(benchmark::State& state) { FilterSmallTable(state, true, "filtertext"); }
BENCHMARK(BM_FilterWithText)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_FilterNumbersOnly(benchmark::State& state) { FilterSmallTable(state, false, "filternumbers"); }
BENCHMARK(BM_FilterNumbersOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// 20 rows appended to the data while the filter is active.
void BM_AppendUnderFilter(benchmark::State& state)
{
    TSmallChain chain(false);
    auto& table = chain.Table;
    auto& filtered = chain.Filtered;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 20; ++i)
            table->InsertRow(table->GetRowCount(), {i * 50});
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        table->BeginUpdate();
        for (int i = 0; i < 20; ++i)
            table->RemoveRow(table->GetRowCount() - 1);
        table->EndUpdate(false);
        filtered->ApplyFilters(false);
        state.ResumeTiming();
    }
    state.counters["passing"] = filtered->GetItemCount();
    Record(state, "append", total);
}
BENCHMARK(BM_AppendUnderFilter)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- grouping by the text column --------------------------------------------------------------

struct TGroupChain
{
    TOwned<TKvDefaultGridItemProvider> SourceOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& Source = *SourceOwner;
    TOwned<TKvGridGroupedItemProvider> Grouped;
    explicit TGroupChain(TBenchData& data)
    {
        Source.SetDataSource(data.Table.get());
        Grouped = MakeOwned<TKvGridGroupedItemProvider>(&Source);
    }
    ~TGroupChain() { Grouped.reset(); }
};

// 1M and 4M rows of shared texts, 1M of texts in their own strings.
void GroupData(benchmark::internal::Benchmark* b)
{
    b->Args({kRows, 0})->Args({4 * kRows, 0})->Args({kRows, 1});
}

// Groups by the text column and reads a sum and a mean of every group.
double GroupWithSumAndMean(TGroupChain& chain)
{
    chain.Grouped->GroupBy({2});
    TKvGridGroupItemImpl* root = chain.Grouped->GetRootItem();
    double checksum = 0;
    for (int g = 0; g < root->GetCount(); ++g) {
        auto* group = static_cast<TKvGridGroupItem*>(root->GetItem(g));
        checksum += group->GetSum(1) + group->GetMean(1);
    }
    return checksum;
}

// Sorting the source by the group field, as the owner of the chain does before grouping.
void BM_SortByText(benchmark::State& state)
{
    TGroupChain chain(Data(state));
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        chain.Source.OrderBy({2}, {}, true);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        chain.Source.OrderBy({}, {}, false);
        state.ResumeTiming();
    }
    Record(state, "sort" + DataName(state), total);
}
BENCHMARK(BM_SortByText)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Apply(GroupData);

void BM_GroupWithSumAndMean(benchmark::State& state)
{
    TGroupChain chain(Data(state));
    chain.Source.OrderBy({2}, {}, false);
    double total = 0;
    double checksum = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        checksum = GroupWithSumAndMean(chain);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        chain.Grouped->GroupBy({});
        state.ResumeTiming();
    }
    state.counters["groups"] = 0;
    chain.Grouped->GroupBy({2});
    state.counters["groups"] = chain.Grouped->GetRootItem()->GetCount();
    benchmark::DoNotOptimize(checksum);
    Record(state, "group" + DataName(state), total);
}
BENCHMARK(BM_GroupWithSumAndMean)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Apply(GroupData);

// What a user waits for: sorting by the group field, grouping, a sum and a mean per group.
void BM_SortAndGroup(benchmark::State& state)
{
    TGroupChain chain(Data(state));
    double total = 0;
    double checksum = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        chain.Source.OrderBy({2}, {}, false);
        checksum = GroupWithSumAndMean(chain);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        chain.Grouped->GroupBy({});
        chain.Source.OrderBy({}, {}, false);
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(checksum);
    Record(state, "sortgroup" + DataName(state), total);
}
BENCHMARK(BM_SortAndGroup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Apply(GroupData);

void BM_ExpandCollapseOneGroup(benchmark::State& state)
{
    TGroupChain chain(Data(state));
    chain.Source.OrderBy({2}, {}, false);
    chain.Grouped->SetExpandWhenGrouping(true);
    chain.Grouped->GroupBy({2});
    TKvGridGroupItem* group = static_cast<TKvGridGroupItem*>(chain.Grouped->GetRootItem()->GetItem(500));
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        chain.Grouped->Collapse(group);
        chain.Grouped->Expand(group, false);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["visible"] = chain.Grouped->GetItemCount();
    Record(state, "toggle", total);
}
BENCHMARK(BM_ExpandCollapseOneGroup)->Unit(benchmark::kMicrosecond)->UseRealTime()->Args({kRows, 0});

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Data();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto rate = [](const char* name) { return gSeconds.count(name) ? kRows / gSeconds[name] : 0.0; };
    std::printf("\nparsed tree: %.1f M rows/s (target 10 M rows/s: ratio %.2f)\n", rate("tree") / 1e6,
                rate("tree") / 10e6);
    std::printf("filtered provider: %.1f M rows/s; QSortFilterProxyModel over a vector of ints: %.1f M rows/s; ratio %.2f\n",
                rate("filtered") / 1e6, rate("qt") / 1e6, rate("qt") > 0 ? rate("filtered") / rate("qt") : 0.0);
    std::printf("QSortFilterProxyModel over a model serving the same data provider: %.1f M rows/s; ratio %.2f\n",
                rate("qtprovider") / 1e6, rate("qtprovider") > 0 ? rate("filtered") / rate("qtprovider") : 0.0);
    std::printf("group 1,000,000 rows by text with a sum and a mean per group: %.1f ms (target 300 ms: ratio %.2f)\n",
                gSeconds["group"] * 1e3, gSeconds["group"] * 1e3 / 300.0);
    std::printf("sorting the source by the text column first: %.1f ms\n", gSeconds["sort"] * 1e3);
    std::printf("sort, group, sum and mean together: %.1f ms\n", gSeconds["sortgroup"] * 1e3);
    for (const char* name : {"sort", "group", "sortgroup"}) {
        const double one = gSeconds[name], four = gSeconds[std::string(name) + "@4M"],
                     unshared = gSeconds[std::string(name) + "/unshared"];
        std::printf("%s: 4M rows take %.2fx the time of 1M (linear: 4.0); 1M texts in their own strings %.1f ms "
                    "(%.2fx shared)\n",
                    name, one > 0 ? four / one : 0.0, unshared * 1e3, one > 0 ? unshared / one : 0.0);
    }
    std::printf("filter 200,000 rows, 10%% text: %.2f ms; numbers only: %.2f ms; ratio %.2f\n",
                gSeconds["filtertext"] * 1e3, gSeconds["filternumbers"] * 1e3,
                gSeconds["filternumbers"] > 0 ? gSeconds["filtertext"] / gSeconds["filternumbers"] : 0.0);
    std::printf("20 appends under an active filter over 200,000 rows: %.3f ms\n", gSeconds["append"] * 1e3);
    std::printf("collapse and expand one group of 1,000 rows: %.1f us\n", gSeconds["toggle"] * 1e6);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("process CPU time (all threads) %.1f s; load average %.2f %.2f %.2f\n",
                double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6,
                load[0], load[1], load[2]);
    return 0;
}
