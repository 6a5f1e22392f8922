// Filtering and grouping a million rows: an expression filter over one numeric column
// (against QSortFilterProxyModel with a range filter), and grouping by a text column of
// 1,000 distinct values with a sum and a mean per group, at 1M and 4M rows, on texts shared
// from 1,000 strings and on texts that are each their own string (as read from a file),
// against the floor of hashing the texts to group numbers and placing each group's rows by
// counting, with their sums and means.
// Every case runs five times; ratios are ours / theirs from the medians.
#include "BenchData.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "model/KvGrids.Model.Proxy.Group.h"

#include <QtCore/QAbstractTableModel>
#include <QtCore/QCoreApplication>
#include <QtCore/QSortFilterProxyModel>
#include <QtCore/QHash>
#include <QtCore/QStringView>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <map>
#include <memory>
#include <numeric>
#include <sys/resource.h>
#include <random>

using namespace kv;
using namespace kvbench;

namespace {

constexpr int kRows = 1'000'000;
constexpr const char* kFilter = "(value > 500) and (value < 900)";

struct TBenchData
{
    TOwned<TKvSimpleDataProvider> Table;
    std::vector<int> Ints; // the same integers for the Qt model
    // The same codes (the table's strings) and amounts for the grouping floor.
    std::vector<QString> Codes;
    std::vector<double> Amounts;

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
            Codes.push_back(unshared ? QString(code.constData(), code.size()) : code);
            Amounts.push_back(v * 1.25);
            Table->InsertRow(r, {v, v * 1.25, Codes.back(), Variant::DateTime(45000.0 + r / 1440.0)});
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

// --- evaluation of a parsed tree over one column --------------------------------------------

void BM_EvaluateFilterTree(benchmark::State& state)
{
    TKvSimpleDataProvider* table = Data().Table.get();
    auto tree = TKvExpressionParser::Parse(kFilter);
    TKvColumnFilterExpressionRuntime runtime;
    int passing = 0;
    for (auto _ : state) {
        passing = 0;
        for (int r = 0; r < kRows; ++r) {
            runtime.SetData(table, r, 0);
            passing += tree->Evaluate(&runtime).ToBoolean() ? 1 : 0;
        }
        benchmark::DoNotOptimize(passing);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    state.counters["passing"] = passing;
}
KV_BENCHMARK(BM_EvaluateFilterTree)->Unit(benchmark::kMillisecond);

// --- the filtered item provider --------------------------------------------------------------

// Applies the filters each iteration.
void TimeFilters(benchmark::State& state, TKvGridFilteredItemProvider* filtered)
{
    for (auto _ : state) {
        filtered->ApplyFilters(true);
        benchmark::DoNotOptimize(filtered->GetItemCount());
    }
}

void BM_FilteredProvider(benchmark::State& state)
{
    TOwned<TKvDefaultGridItemProvider> sourceOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& source = *sourceOwner;
    source.SetDataSource(Data().Table.get());
    auto filtered = MakeOwned<TKvGridFilteredItemProvider>(&source);
    filtered->AddFilter(0, kFilter);
    TimeFilters(state, filtered.get());
    state.SetItemsProcessed(state.iterations() * kRows);
    state.counters["passing"] = filtered->GetItemCount();
}
KV_BENCHMARK(BM_FilteredProvider)->Unit(benchmark::kMillisecond);

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
void RunRangeFilterProxy(benchmark::State& state, QAbstractItemModel& model)
{
    TRangeFilterProxy proxy;
    proxy.setSourceModel(&model);
    for (auto _ : state) {
        proxy.Apply();
        const int count = proxy.rowCount();
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    state.counters["passing"] = proxy.rowCount();
}

void BM_QSortFilterProxyModel(benchmark::State& state)
{
    TIntTableModel model(&Data().Ints);
    RunRangeFilterProxy(state, model);
}
KV_BENCHMARK(BM_QSortFilterProxyModel)->Unit(benchmark::kMillisecond);

void BM_QSortFilterProxyModelOverProvider(benchmark::State& state)
{
    TProviderTableModel model(Data().Table.get());
    RunRangeFilterProxy(state, model);
}
KV_BENCHMARK(BM_QSortFilterProxyModelOverProvider)->Unit(benchmark::kMillisecond);

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

void FilterSmallTable(benchmark::State& state, bool withText)
{
    TSmallChain chain(withText);
    auto& filtered = chain.Filtered;
    TimeFilters(state, filtered.get());
    state.counters["passing"] = filtered->GetItemCount();
}

void BM_FilterWithText(benchmark::State& state) { FilterSmallTable(state, true); }
KV_BENCHMARK(BM_FilterWithText)->Unit(benchmark::kMillisecond);
void BM_FilterNumbersOnly(benchmark::State& state) { FilterSmallTable(state, false); }
KV_BENCHMARK(BM_FilterNumbersOnly)->Unit(benchmark::kMillisecond);

// 20 rows appended to the data while the filter is active.
void BM_AppendUnderFilter(benchmark::State& state)
{
    TSmallChain chain(false);
    auto& table = chain.Table;
    auto& filtered = chain.Filtered;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i)
            table->InsertRow(table->GetRowCount(), {i * 50});
        state.PauseTiming();
        table->BeginUpdate();
        for (int i = 0; i < 20; ++i)
            table->RemoveRow(table->GetRowCount() - 1);
        // A reset tells the chain of the removals (else items of removed rows pile up).
        table->EndUpdate(true);
        filtered->ApplyFilters(false);
        state.ResumeTiming();
    }
    state.counters["passing"] = filtered->GetItemCount();
}
// The untimed clean-up (removals and a refilter) takes far longer than the timed appends: a
// fixed count of iterations keeps the case from running for minutes.
KV_BENCHMARK(BM_AppendUnderFilter)->Unit(benchmark::kMillisecond)->Iterations(2000);

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
    for (auto _ : state) {
        chain.Source.OrderBy({2}, {}, true);
        state.PauseTiming();
        chain.Source.OrderBy({}, {}, false);
        state.ResumeTiming();
    }
}
KV_BENCHMARK(BM_SortByText)->Unit(benchmark::kMillisecond)->Iterations(3)->Apply(GroupData);

void BM_GroupWithSumAndMean(benchmark::State& state)
{
    TGroupChain chain(Data(state));
    chain.Source.OrderBy({2}, {}, false);
    double checksum = 0;
    for (auto _ : state) {
        checksum = GroupWithSumAndMean(chain);
        state.PauseTiming();
        chain.Grouped->GroupBy({});
        state.ResumeTiming();
    }
    chain.Grouped->GroupBy({2});
    state.counters["groups"] = chain.Grouped->GetRootItem()->GetCount();
    benchmark::DoNotOptimize(checksum);
}
KV_BENCHMARK(BM_GroupWithSumAndMean)->Unit(benchmark::kMillisecond)->Iterations(5)->Apply(GroupData);

// What a user waits for: sorting by the group field, grouping, a sum and a mean per group.
void BM_SortAndGroup(benchmark::State& state)
{
    TGroupChain chain(Data(state));
    double checksum = 0;
    for (auto _ : state) {
        chain.Source.OrderBy({2}, {}, false);
        checksum = GroupWithSumAndMean(chain);
        state.PauseTiming();
        chain.Grouped->GroupBy({});
        chain.Source.OrderBy({}, {}, false);
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(checksum);
}
KV_BENCHMARK(BM_SortAndGroup)->Unit(benchmark::kMillisecond)->Iterations(3)->Apply(GroupData);

// Texts numbered in order of first appearance: a flat open-addressing table (QHash with its
// seeded hash is several times slower here), equal by hash and code units.
class TTextNumbers
{
public:
    int Number(QStringView text)
    {
        const size_t hash = qHash(text);
        size_t slot = hash & FMask;
        while (FSlots[slot].Number && !(FSlots[slot].Hash == hash && FTexts[FSlots[slot].Number - 1] == text))
            slot = (slot + 1) & FMask;
        if (FSlots[slot].Number)
            return FSlots[slot].Number - 1;
        FTexts.push_back(text);
        FSlots[slot] = {hash, static_cast<int>(FTexts.size())};
        if (FTexts.size() * 2 > FSlots.size())
            Grow();
        return static_cast<int>(FTexts.size()) - 1;
    }

private:
    struct TSlot
    {
        size_t Hash = 0;
        int Number = 0; // number + 1; 0 is free
    };
    void Grow()
    {
        std::vector<TSlot> old(FSlots.size() * 2);
        old.swap(FSlots);
        FMask = FSlots.size() - 1;
        for (const TSlot& s : old)
            if (s.Number) {
                size_t k = s.Hash & FMask;
                while (FSlots[k].Number)
                    k = (k + 1) & FMask;
                FSlots[k] = s;
            }
    }
    std::vector<TSlot> FSlots = std::vector<TSlot>(2048);
    size_t FMask = 2047;
    std::vector<QStringView> FTexts;
};

// The floor of the same work: each text hashed to its group number, the groups in text order,
// each group's rows in row order placed by counting, its sum (added in row order) and its mean.
void BM_GroupFloor(benchmark::State& state)
{
    const TBenchData& data = Data(state);
    const size_t n = data.Codes.size();
    double checksum = 0;
    for (auto _ : state) {
        TTextNumbers numbers;
        std::unique_ptr<int[]> groupOf(new int[n]);
        std::vector<int> counts;
        std::vector<double> sums;
        std::vector<QStringView> texts;
        for (size_t r = 0; r < n; ++r) {
            const auto g = static_cast<size_t>(numbers.Number(data.Codes[r]));
            if (g == counts.size()) {
                counts.push_back(0);
                sums.push_back(0);
                texts.emplace_back(data.Codes[r]);
            }
            groupOf[r] = static_cast<int>(g);
            ++counts[g];
            sums[g] += data.Amounts[r];
        }
        // The groups in text order; each one's rows from its offset on.
        std::vector<int> groups(counts.size());
        std::iota(groups.begin(), groups.end(), 0);
        std::sort(groups.begin(), groups.end(), [&](int a, int b) { return texts[size_t(a)] < texts[size_t(b)]; });
        std::vector<int> offsets(counts.size());
        int at = 0;
        for (const int g : groups) {
            offsets[size_t(g)] = at;
            at += counts[size_t(g)];
        }
        std::unique_ptr<int[]> rows(new int[n]);
        for (size_t r = 0; r < n; ++r)
            rows[size_t(offsets[size_t(groupOf[r])]++)] = static_cast<int>(r);
        checksum = 0;
        for (const int g : groups)
            checksum += sums[size_t(g)] + sums[size_t(g)] / static_cast<double>(counts[size_t(g)]);
        benchmark::DoNotOptimize(rows.get());
    }
    benchmark::DoNotOptimize(checksum);
}
KV_BENCHMARK(BM_GroupFloor)->Unit(benchmark::kMillisecond)->Iterations(3)->Apply(GroupData);

void BM_ExpandCollapseOneGroup(benchmark::State& state)
{
    TGroupChain chain(Data(state));
    chain.Source.OrderBy({2}, {}, false);
    chain.Grouped->SetExpandWhenGrouping(true);
    chain.Grouped->GroupBy({2});
    TKvGridGroupItem* group = static_cast<TKvGridGroupItem*>(chain.Grouped->GetRootItem()->GetItem(500));
    for (auto _ : state) {
        chain.Grouped->Collapse(group);
        chain.Grouped->Expand(group, false);
    }
    state.counters["visible"] = chain.Grouped->GetItemCount();
}
KV_BENCHMARK(BM_ExpandCollapseOneGroup)->Unit(benchmark::kMicrosecond)->Args({kRows, 0});

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Data();
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // Medians in milliseconds (the toggle in microseconds).
    auto ms = [&](const std::string& name) { return reporter.Find(name); };
    auto rate = [&](const char* name) { return ms(name) > 0 ? kRows / (ms(name) / 1e3) : 0.0; };
    std::printf("\nparsed tree: %.1f M rows/s (target 10 M rows/s: ratio %.2f)\n", rate("BM_EvaluateFilterTree") / 1e6,
                rate("BM_EvaluateFilterTree") / 10e6);
    reporter.PrintRatio("BM_FilteredProvider", "BM_QSortFilterProxyModel");
    reporter.PrintRatio("BM_FilteredProvider", "BM_QSortFilterProxyModelOverProvider");
    const std::string one = "/1000000/0", four = "/4000000/0", own = "/1000000/1";
    std::printf("group 1,000,000 rows by text with a sum and a mean per group: %.1f ms (target 300 ms: ratio %.2f)\n",
                ms("BM_GroupWithSumAndMean" + one), ms("BM_GroupWithSumAndMean" + one) / 300.0);
    for (const std::string& data : {one, four, own}) {
        reporter.PrintRatio("BM_SortAndGroup" + data, "BM_GroupFloor" + data);
        reporter.PrintRatio("BM_GroupWithSumAndMean" + data, "BM_GroupFloor" + data);
    }
    for (const char* name : {"BM_SortByText", "BM_GroupWithSumAndMean", "BM_SortAndGroup", "BM_GroupFloor"}) {
        const double a = ms(name + one), b = ms(name + four), c = ms(name + own);
        std::printf("%s: 4M rows take %.2fx the time of 1M (linear: 4.0); 1M texts in their own strings %.1f ms "
                    "(%.2fx shared)\n",
                    name, a > 0 ? b / a : 0.0, c, a > 0 ? c / a : 0.0);
    }
    // What a user waits for against the floor, at each size, and how each grows from 1M to 4M.
    const double our1 = ms("BM_SortAndGroup" + one), our4 = ms("BM_SortAndGroup" + four);
    const double floor1 = ms("BM_GroupFloor" + one), floor4 = ms("BM_GroupFloor" + four);
    if (our1 > 0 && floor1 > 0 && our4 > 0 && floor4 > 0)
        std::printf("sort + group + sum + mean: 1M %.1f ms (floor %.1f ms, %.2fx); 4M %.1f ms (floor %.1f ms, %.2fx; "
                    "target 1.3x); 4M/1M %.2fx (floor %.2fx; target 4.5x)\n",
                    our1, floor1, our1 / floor1, our4, floor4, our4 / floor4, our4 / our1, floor4 / floor1);
    reporter.PrintRatio("BM_FilterWithText", "BM_FilterNumbersOnly");
    std::printf("20 appends under an active filter over 200,000 rows: %.3f ms\n", ms("BM_AppendUnderFilter"));
    std::printf("collapse and expand one group of 1,000 rows: %.1f us\n", ms("BM_ExpandCollapseOneGroup"));
    PrintProcessCpuAndLoad();
    return 0;
}
