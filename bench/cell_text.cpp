// Cell text on the paint path: the data-cell renderer's text (number format, prefix, postfix)
// for a frame of cells, repainted unchanged and with new values, against Qt formatting the
// same numbers with grouping and two decimals and adding the same prefix and postfix.
#include "BenchData.h"
#include "grid/KvGrids.h"

#include <QtCore/QLocale>
#include <QtWidgets/QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

using namespace kv;

namespace {

constexpr int kCells = 600; // about one frame of visible cells

class TBenchCell : public TKvGridCell
{
public:
    double Value = 0;
    TKvGridViewStyles* Styles = nullptr;
    TKvGridCellIndex GetIndex() const override { return TKvGridCellIndex(); }
    TKvGridItem* GetItem() const override { return nullptr; }
    QString GetDisplayText() const override { return QString(); }
    Variant GetValue() const override { return Variant(Value); }
    TKvGridViewStyles* GetStyles() const override { return Styles; }
};

struct TFrame
{
    TOwned<TKvGridDataCellRenderer> Renderer = MakeOwned<TKvGridDataCellRenderer>(nullptr);
    TKvGridViewStyles Styles{nullptr, "cells"};
    TBenchCell Cell;
    TFrame()
    {
        Styles.SetNumberFormat(QStringLiteral("#,##0.00"));
        Styles.SetPrefix(QStringLiteral("$ "));
        Styles.SetPostfix(QStringLiteral(" USD"));
        Cell.Styles = &Styles;
    }
};

double ValueOf(int cell, std::int64_t frame)
{
    return 1234.5 + cell * 17.25 + double(frame) * 0.01;
}

void RunRenderer(benchmark::State& state, bool changing)
{
    TFrame frame;
    std::int64_t frames = 0;
    for (auto _ : state) {
        for (int i = 0; i < kCells; ++i) {
            frame.Cell.Value = ValueOf(i, changing ? frames : 0);
            benchmark::DoNotOptimize(frame.Renderer->GetText(&frame.Cell));
        }
        ++frames;
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}

void BM_RendererTextUnchangedFrame(benchmark::State& state) { RunRenderer(state, false); }
KV_BENCHMARK(BM_RendererTextUnchangedFrame);

void BM_RendererTextNewValues(benchmark::State& state) { RunRenderer(state, true); }
KV_BENCHMARK(BM_RendererTextNewValues);

void BM_QtTextPerCell(benchmark::State& state)
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    const QString prefix = QStringLiteral("$ ");
    const QString postfix = QStringLiteral(" USD");
    for (auto _ : state)
        for (int i = 0; i < kCells; ++i)
            benchmark::DoNotOptimize(prefix + locale.toString(ValueOf(i, 0), 'f', 2) + postfix);
    state.SetItemsProcessed(state.iterations() * kCells);
}
KV_BENCHMARK(BM_QtTextPerCell);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    kvbench::RunAndPrintRatios(&argc, argv, {{"BM_RendererTextUnchangedFrame", "BM_QtTextPerCell"},
                                             {"BM_RendererTextNewValues", "BM_QtTextPerCell"}});
    return 0;
}
