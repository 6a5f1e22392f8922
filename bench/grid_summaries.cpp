// Footer and row-group summaries on the paint path: the texts of one frame of summary cells
// (the column footer and the group footers shown) over 200,000 rows in 100 groups, painted
// again with unchanged data and after one value changed, against a bare loop that sums the same rows per frame (what
// evaluating the summaries on every paint costs at the least).
#include "BenchData.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Group.h"

#include <QtWidgets/QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

using namespace kv;

namespace {

constexpr int kRows = 200000;
constexpr int kGroups = 100;
constexpr int kShownGroups = 12; // group footers on one screen

struct TSummaryGrid
{
    TOwned<TKvSimpleDataProvider> Data{Create<TKvSimpleDataProvider>(nullptr)};
    TOwned<TKvGridView> Grid = MakeOwned<TKvGridView>(nullptr);
    TKvDefaultGridItemProvider* Items = nullptr;
    TOwned<TKvGridGroupedItemProvider> Grouped;
    TKvGridDataColumn* Value = nullptr;
    std::vector<int> Footers; // item indices of the group footers on screen
    std::vector<int> Keys;
    std::vector<double> Values;

    TSummaryGrid()
    {
        const kvbench::TColumns columns = kvbench::MakeColumns(kRows);
        Data->InsertColumns(0, 2, QStringLiteral("Key,Value"), QStringLiteral("n,n"));
        for (int r = 0; r < kRows; ++r) {
            Keys.push_back(static_cast<int>(columns.Ints[r] % kGroups));
            Values.push_back(columns.Floats[r]);
            Data->InsertRow(r, TKvGridDataRow(2));
            Data->SetData(r, 0, Variant(Keys.back()));
            Data->SetData(r, 1, Variant(Values.back()));
        }
        Items = static_cast<TKvDefaultGridItemProvider*>(Grid->GetOwnedItemProvider());
        Items->SetDataSource(Data.get());
        Items->OrderBy({0}, {});
        Grouped = MakeOwned<TKvGridGroupedItemProvider>(Items);
        Grouped->SetExpandWhenGrouping(true);
        Grouped->SetExpandedStyle(ExpandedFooter);
        Grouped->GroupBy({0});
        Grid->SetItemSource(Grouped.get());
        Value = Grid->AddDataColumn();
        Value->SetFieldName(QStringLiteral("Value"));
        Grid->ResetColumnIndicies();
        Value->GetFooter()->SetExpression(QStringLiteral("sum / row"));
        Value->GetFooter()->SetGroupExpression(QStringLiteral("sum"));
        Value->GetFooter()->GetStyles()->SetNumberFormat(QStringLiteral("#,##0.00"));
        for (int i = 0; i < Grouped->GetItemCount() && static_cast<int>(Footers.size()) < kShownGroups; ++i)
            if (dynamic_cast<TKvGridGroupFooter*>(Grouped->GetItem(i)))
                Footers.push_back(i);
    }
    ~TSummaryGrid()
    {
        // The grouped provider listens to the grid's own provider: it goes first.
        Grid->SetItemSource(nullptr);
        Grouped.reset();
        Grid.reset();
    }

    void PaintFrame()
    {
        benchmark::DoNotOptimize(Grid->GetFooter()->GetCell(TKvGridCellIndex(Value))->GetDisplayText());
        for (int index : Footers)
            benchmark::DoNotOptimize(Grid->GetRowGroup()->GetFooterCell(Grid->GetIndex(index, Value))->GetDisplayText());
    }
};

TSummaryGrid* gGrid = nullptr;

TSummaryGrid& Shared() { return *gGrid; }

void BM_SummaryFrameCached(benchmark::State& state)
{
    TSummaryGrid& grid = Shared();
    grid.PaintFrame();
    for (auto _ : state)
        grid.PaintFrame();
}
KV_BENCHMARK(BM_SummaryFrameCached);

// One value changes between frames: the summaries are evaluated again once.
void BM_SummaryFrameAfterChange(benchmark::State& state)
{
    TSummaryGrid& grid = Shared();
    double value = 0;
    for (auto _ : state) {
        grid.Data->SetData(0, 1, Variant(value += 1));
        grid.PaintFrame();
    }
}
KV_BENCHMARK(BM_SummaryFrameAfterChange);

// What a paint would cost if every summary were evaluated again: the sums of the shown
// groups and of the column, from contiguous arrays.
void BM_BareSumsPerFrame(benchmark::State& state)
{
    TSummaryGrid& grid = Shared();
    for (auto _ : state) {
        double total = 0;
        std::vector<double> sums(kGroups, 0.0);
        for (int r = 0; r < kRows; ++r) {
            total += grid.Values[static_cast<size_t>(r)];
            if (grid.Keys[static_cast<size_t>(r)] < kShownGroups)
                sums[static_cast<size_t>(grid.Keys[static_cast<size_t>(r)])] += grid.Values[static_cast<size_t>(r)];
        }
        benchmark::DoNotOptimize(total / kRows);
        benchmark::DoNotOptimize(sums.data());
    }
}
KV_BENCHMARK(BM_BareSumsPerFrame);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    kvbench::TRatioReporter reporter;
    gGrid = new TSummaryGrid;
    if (gGrid->Footers.size() != static_cast<size_t>(kShownGroups) ||
        gGrid->Grid->GetRowGroup()->GetFooterCell(gGrid->Grid->GetIndex(gGrid->Footers[0], gGrid->Value))->GetDisplayText().isEmpty()) {
        std::fprintf(stderr, "no group footers to paint\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    delete gGrid;
    benchmark::Shutdown();
    reporter.PrintRatio("BM_SummaryFrameCached", "BM_BareSumsPerFrame");
    reporter.PrintRatio("BM_SummaryFrameAfterChange", "BM_BareSumsPerFrame");
    return 0;
}
