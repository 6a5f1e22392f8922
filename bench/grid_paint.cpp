// Painting a 1,920 by 1,080 grid of 12 columns over 1,000 and 1,000,000 rows into its
// offscreen buffer, beside a QTableView over a QAbstractTableModel of the same data and size:
// a full frame, a frame after scrolling one row, a frame after moving the focus one cell, and
// the time from setting the data to the first frame; and fitting a column over every row. Both read values computed from the row
// and column, so neither holds a copy of the data. The QTableView gets our row height and
// shows as many rows as ours. Ratios of wall time and of process CPU time (all threads) are
// printed at the end with the machine's load.
#include "BenchData.h"
#include "grid/KvGrids.h"
#include "grid/KvGrids.LayoutManager.h"
#include "model/KvGrids.Data.h"
#include "platform/ui/PaintBuffer.h"

#include <QtCore/QAbstractTableModel>
#include <QtCore/QElapsedTimer>
#include <QtGui/QFontMetrics>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTableView>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

using namespace kv;

namespace {

// Lets the offscreen windows appear before they are painted.
void Settle()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 200)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

constexpr int Width = 1920;
constexpr int Height = 1080;
constexpr int Fields = 12;

// Integers, decimals and words, computed from row and column.
QVariant Value(int row, int field)
{
    switch (field % 3) {
    case 0: return QVariant(row * 31 + field);
    case 1: return QVariant(QString::number((row % 997) * 1.25 + field, 'f', 2));
    default: return QVariant(QStringLiteral("word %1").arg((row * 7919 + field) % 1000));
    }
}

class TGeneratedData : public TKvGridDataProvider
{
public:
    TGeneratedData(TComponent* owner, int rows) : TKvGridDataProvider(owner), FRows(rows) {}
    int GetRowCount() const override { return FRows; }
    int GetFieldCount() const override { return Fields; }
    QStringList GetFieldNames() const override
    {
        QStringList names;
        for (int f = 0; f < Fields; ++f)
            names << GetFieldName(f);
        return names;
    }
    QString GetFieldName(int field) const override { return QStringLiteral("Field%1").arg(field); }
    int GetFieldIndex(const QString& name) const override { return GetFieldNames().indexOf(name); }
    Variant GetData(int row, int field) const override
    {
        const QVariant v = Value(row, field);
        return v.typeId() == QMetaType::Int ? Variant(v.toInt()) : Variant(v.toString());
    }
    void SetData(int, int, const Variant&) override {}
    TKvGridDataRow GetRow(int row) const override
    {
        TKvGridDataRow values;
        for (int f = 0; f < Fields; ++f)
            values.push_back(GetData(row, f));
        return values;
    }
    TKvGridDataRowState GetRowState(int) const override { return RowStateNone; }
    void InsertRow(int, const TKvGridDataRow&) override {}
    void RemoveRow(int) override {}
    void RemoveRows(const TKvIntegerArray&) override {}
    void UpdateRow(int, const TKvGridDataRow&) override {}
    bool IsLocal() const override { return true; }

private:
    int FRows;
};

class TGeneratedModel : public QAbstractTableModel
{
public:
    explicit TGeneratedModel(int rows) : FRows(rows) {}
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : FRows; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : Fields; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        return role == Qt::DisplayRole ? Value(index.row(), index.column()) : QVariant();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return QVariant();
        return orientation == Qt::Horizontal ? QVariant(QStringLiteral("Field%1").arg(section)) : QVariant(section + 1);
    }

private:
    int FRows;
};

struct TOurs
{
    TOwned<TGeneratedData> Data;
    TOwned<TKvGridViewImpl> Grid = MakeOwned<TKvGridViewImpl>(nullptr);

    explicit TOurs(int rows) : Data(Create<TGeneratedData>(nullptr, rows))
    {
        Grid->GetFixedCols()->SetCount(1);
        Grid->GetFooter()->SetVisible(true);
        for (int f = 0; f < Fields; ++f) {
            TKvGridDataColumn* column = Grid->AddDataColumn();
            column->SetFieldName(QStringLiteral("Field%1").arg(f));
            column->SetWidth(150);
        }
        Grid->SetBounds(0, 0, Width, Height);
        Grid->Show();
        Settle();
        Grid->SetDataProvider(Data.get());
        Grid->ResetColumnIndicies();
        Frame();
    }
    ~TOurs()
    {
        Grid.reset();
        Data.reset();
    }
    // A full refresh: layout and paint of the whole window.
    void Frame()
    {
        Grid->RefreshView(false);
        Grid->Update();
    }
};

struct TPeer
{
    TGeneratedModel Model;
    QTableView View;
    // Our row height and as many shown rows as ours.
    TPeer(int rows, int rowHeight, int shownRows) : Model(rows)
    {
        View.resize(Width, Height);
        View.horizontalHeader()->setDefaultSectionSize(150);
        View.verticalHeader()->setMinimumSectionSize(1);
        View.verticalHeader()->setDefaultSectionSize(rowHeight);
        View.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        View.setModel(&Model);
        View.show();
        Settle();
        View.resize(Width, Height - View.viewport()->height() + rowHeight * shownRows);
        Settle();
        Frame();
    }
    // The cells and both headers, as ours.
    void Frame()
    {
        View.viewport()->repaint();
        View.horizontalHeader()->viewport()->repaint();
        View.verticalHeader()->viewport()->repaint();
    }
};

std::map<int, std::unique_ptr<TOurs>> gOurs;
std::map<int, std::unique_ptr<TPeer>> gPeers;
TOurs& Ours(int rows)
{
    auto& p = gOurs[rows];
    if (!p)
        p = std::make_unique<TOurs>(rows);
    return *p;
}
TPeer& Peer(int rows)
{
    auto& p = gPeers[rows];
    if (!p) {
        TKvAbstractGridLayoutManager* layout = Ours(rows).Grid->GetLayoutManager();
        const int fixed = layout->FixedItemCount();
        p = std::make_unique<TPeer>(rows, layout->ItemBounds(fixed).Height(), layout->FullItemCount());
    }
    return *p;
}

void BM_OursFullFrame(benchmark::State& state)
{
    TOurs& o = Ours(static_cast<int>(state.range(0)));
    for (auto _ : state)
        o.Frame();
}

void BM_PeerFullFrame(benchmark::State& state)
{
    TPeer& p = Peer(static_cast<int>(state.range(0)));
    for (auto _ : state)
        p.Frame();
}

void BM_OursScrollOneRow(benchmark::State& state)
{
    TOurs& o = Ours(static_cast<int>(state.range(0)));
    int top = 0;
    for (auto _ : state) {
        top = (top + 1) % 100;
        o.Grid->SetTopIndex(top);
        o.Frame();
    }
    o.Grid->SetTopIndex(0);
}

void BM_PeerScrollOneRow(benchmark::State& state)
{
    TPeer& p = Peer(static_cast<int>(state.range(0)));
    int top = 0;
    for (auto _ : state) {
        top = (top + 1) % 100;
        p.View.verticalScrollBar()->setValue(top);
        p.Frame();
    }
}

void BM_OursFocusOneCell(benchmark::State& state)
{
    TOurs& o = Ours(static_cast<int>(state.range(0)));
    int column = 0;
    for (auto _ : state) {
        column = (column + 1) % Fields;
        o.Grid->SetFocusedIndex(o.Grid->GetIndex(3, column));
        o.Frame();
    }
}

void BM_PeerFocusOneCell(benchmark::State& state)
{
    TPeer& p = Peer(static_cast<int>(state.range(0)));
    int column = 0;
    for (auto _ : state) {
        column = (column + 1) % Fields;
        p.View.setCurrentIndex(p.Model.index(3, column));
        p.Frame();
    }
}

// Binding: the grid takes a provider of the same size as the one it shows (they alternate)
// and paints its first frame; the QTableView takes a model of the same size and paints.
// Reported per row as well ("per_row", in seconds).
void BM_OursFirstFrame(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    TOurs& o = Ours(rows);
    TOwned<TGeneratedData> other(Create<TGeneratedData>(nullptr, rows));
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        o.Grid->SetDataProvider(flip ? other.get() : o.Data.get());
        o.Grid->Update();
    }
    o.Grid->SetDataProvider(o.Data.get());
    o.Frame();
    state.counters["per_row"] = benchmark::Counter(rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_PeerFirstFrame(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    TPeer& p = Peer(rows);
    TGeneratedModel other(rows);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        p.View.setModel(flip ? &other : &p.Model);
        p.Frame();
    }
    p.View.setModel(&p.Model);
    state.counters["per_row"] = benchmark::Counter(rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Repeated, and the median kept: the machine is shared and single runs are noisy.
// Fitting a column of words to its content over every row, beside a bare loop that measures
// each row's text with the same font.
void BM_OursFitColumnWidth(benchmark::State& state)
{
    TOurs& o = Ours(static_cast<int>(state.range(0)));
    TKvGridColumn* column = o.Grid->GetVisibleColumn(2);
    for (auto _ : state)
        benchmark::DoNotOptimize(o.Grid->GetLayoutManager()->FitColumnWidth(column));
}

void BM_PeerFitColumnWidth(benchmark::State& state)
{
    TPeer& p = Peer(static_cast<int>(state.range(0)));
    const QFontMetrics metrics(p.View.font());
    for (auto _ : state) {
        int widest = 0;
        for (int row = 0, n = static_cast<int>(state.range(0)); row < n; ++row)
            widest = std::max(widest, metrics.horizontalAdvance(Value(row, 2).toString()));
        benchmark::DoNotOptimize(widest);
    }
}

#define KV_FRAME_BENCH(name) \
    BENCHMARK(name)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Repetitions(5)->DisplayAggregatesOnly(true)->MeasureProcessCPUTime()->UseRealTime()
KV_FRAME_BENCH(BM_OursFullFrame);
KV_FRAME_BENCH(BM_PeerFullFrame);
KV_FRAME_BENCH(BM_OursScrollOneRow);
KV_FRAME_BENCH(BM_PeerScrollOneRow);
KV_FRAME_BENCH(BM_OursFocusOneCell);
KV_FRAME_BENCH(BM_PeerFocusOneCell);
KV_BENCHMARK(BM_OursFirstFrame)->Arg(1000)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_PeerFirstFrame)->Arg(1000)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursFitColumnWidth)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeerFitColumnWidth)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Keeps each benchmark's median time per iteration for the ratios.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate ? run.aggregate_name == "median" : !Times.count(run.run_name.function_name + "/" + run.run_name.args))
            {
                Times[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
                CpuTimes[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedCPUTime();
            }
    }
    std::map<std::string, double> Times;
    std::map<std::string, double> CpuTimes;
};

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_FONT_DPI", "96", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto find = [](const std::map<std::string, double>& times, const std::string& name, int rows) {
        const auto it = times.find(name + "/" + std::to_string(rows));
        return it == times.end() ? 0.0 : it->second;
    };
    auto t = [&](const std::string& name, int rows) { return find(reporter.Times, name, rows); };
    auto cpu = [&](const std::string& name, int rows) { return find(reporter.CpuTimes, name, rows); };
    std::printf("\nratio to QTableView (ours / theirs, wall time and process CPU time of all threads; below 1 is faster):\n");
    for (const char* kind : {"FullFrame", "ScrollOneRow", "FocusOneCell", "FirstFrame", "FitColumnWidth"})
        for (int rows : {1000, 1000000}) {
            const std::string ours = std::string("BM_Ours") + kind;
            const std::string peer = std::string("BM_Peer") + kind;
            if (t(ours, rows) > 0 && t(peer, rows) > 0)
                std::printf("  %-14s %8d rows: %.2f  (CPU %.2f)\n", kind, rows, t(ours, rows) / t(peer, rows),
                            cpu(ours, rows) / cpu(peer, rows));
        }
    std::printf("frame time at 1,000,000 rows over 1,000 rows (ours):\n");
    for (const char* kind : {"FullFrame", "ScrollOneRow", "FocusOneCell", "FirstFrame"}) {
        const double small = t(std::string("BM_Ours") + kind, 1000);
        const double large = t(std::string("BM_Ours") + kind, 1000000);
        if (small > 0 && large > 0)
            std::printf("  %-13s %.2f\n", kind, large / small);
    }
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    if (!gOurs.empty()) {
        TKvAbstractGridLayoutManager* layout = gOurs.begin()->second->Grid->GetLayoutManager();
        std::printf("shown rows: ours %d, QTableView's row height set to ours (%d px)\n", layout->FullItemCount(),
                    layout->ItemBounds(layout->FixedItemCount()).Height());
    }
    benchmark::Shutdown();
    gOurs.clear();
    gPeers.clear();
    return 0;
}
