// Style resolution on the paint path: a fill and a font looked up through a chain of four
// bags, and dynamic styles applied to a runtime style set per cell.
#include "graphics/KvGrids.Styles.Dynamic.h"

#include <QtWidgets/QApplication>
#include "BenchData.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

using namespace kv;

namespace {

constexpr std::int64_t kResolutions = 10'000'000;

std::map<std::string, double> gNsPerOp;

// Four levels (cell, column, body, grid), each with a default bag and a reference object
// that do not assign the value, so that every step of the lookup is taken.
struct TChain
{
    TOwned<TKvGridStyleObject> ReferenceOwner = MakeOwned<TKvGridStyleObject>(nullptr);
    TKvGridStyleObject& Reference = *ReferenceOwner;
    TKvGridStyleBag Defaults[4]{{nullptr, "d0"}, {nullptr, "d1"}, {nullptr, "d2"}, {nullptr, "d3"}};
    TKvGridViewStyles Levels[4]{{nullptr, "cell"}, {nullptr, "column"}, {nullptr, "body"}, {nullptr, "grid"}};

    TChain()
    {
        for (int i = 0; i < 4; ++i) {
            Levels[i].SetDefault(&Defaults[i]);
            Levels[i].SetReference(&Reference);
            Defaults[i].SetPaddingLeft(i);
            if (i < 3)
                Levels[i].SetParent(&Levels[i + 1]);
        }
        Reference.GetStyles()->SetPaddingTop(1);
        Levels[3].SetValue(QStringLiteral("Background"), QStringLiteral("#ff336699"));
        Levels[3].SetValue(QStringLiteral("Font"), QStringLiteral("Sans,9"));
    }
    ~TChain()
    {
        for (TKvGridViewStyles& level : Levels)
            level.SetReference(nullptr);
    }
};

void BM_ResolveFillFourLevels(benchmark::State& state)
{
    TChain chain;
    const TKvGridStyleBag& cell = chain.Levels[0];
    for (auto _ : state)
        for (std::int64_t i = 0; i < kResolutions; ++i)
            benchmark::DoNotOptimize(cell.GetBackground());
    state.SetItemsProcessed(state.iterations() * kResolutions);
}
KV_BENCHMARK(BM_ResolveFillFourLevels)->Unit(benchmark::kMillisecond);

void BM_ResolveFontFourLevels(benchmark::State& state)
{
    TChain chain;
    const TKvGridStyleBag& cell = chain.Levels[0];
    for (auto _ : state)
        for (std::int64_t i = 0; i < kResolutions; ++i)
            benchmark::DoNotOptimize(cell.GetFont());
    state.SetItemsProcessed(state.iterations() * kResolutions);
}
KV_BENCHMARK(BM_ResolveFontFourLevels)->Unit(benchmark::kMillisecond);

class TBenchRuntime : public TKvExpressionRuntime
{
public:
    TBenchRuntime() { AddIdent(1, QStringLiteral("value")); }
    Variant EvaluateIdent(int) override { return Value; }
    Variant Value;
};

// One cell: the runtime styles are cleared, parented to the column and given the dynamic
// styles of two items whose criteria both hold.
void BM_ApplyDynamicStylesPerCell(benchmark::State& state)
{
    TChain chain;
    TKvGridDynamicStyleCollection styles(nullptr);
    styles.Add(QStringLiteral("value > 100"), QStringLiteral("Foreground=#ffff0000; Font=Sans,9,bold; TextAlignment=AlignFar"));
    styles.Add(QStringLiteral("value < 1000"), QStringLiteral("Background=linear,#ffffffff,#ffcccccc,90; PaddingLeft=4"));
    styles.Prepare();
    TBenchRuntime runtime;
    TKvGridViewStyles cell(nullptr, QStringLiteral("runtime"));
    std::int64_t cells = 0;
    // Cells whose values are other objects than the first cell's: each would be a new object.
    std::int64_t newObjects = 0;
    const TKvGraphicsObject* firstFont = nullptr;
    const TKvGraphicsObject* firstBackground = nullptr;
    for (auto _ : state) {
        runtime.Value = Variant(std::int64_t(150 + (cells & 7)));
        cell.ClearValues();
        cell.SetParent(&chain.Levels[1]);
        styles.ApplyTo(&runtime, &cell);
        benchmark::DoNotOptimize(cell.GetForeground());
        if (!cells) {
            firstFont = cell.GetFont();
            firstBackground = cell.GetBackground();
        } else if (cell.GetFont() != firstFont || cell.GetBackground() != firstBackground) {
            ++newObjects;
        }
        ++cells;
    }
    state.SetItemsProcessed(cells);
    state.counters["new_objects"] = double(newObjects);
}
KV_BENCHMARK(BM_ApplyDynamicStylesPerCell)->Unit(benchmark::kNanosecond);

class TNsReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            const double items = run.counters.count("items_per_second") ? double(run.counters.at("items_per_second")) : 0;
            if (items > 0)
                gNsPerOp[run.run_name.function_name] = 1e9 / items;
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TNsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    kvbench::PrintProcessCpuAndLoad();
    for (const auto& [name, ns] : gNsPerOp) {
        if (name.find("Resolve") != std::string::npos)
            std::printf("%s: %.2f ns per resolution (target 20 ns: ratio %.2f)\n", name.c_str(), ns, ns / 20.0);
        else
            std::printf("%s: %.1f ns per cell\n", name.c_str(), ns);
    }
    return 0;
}
