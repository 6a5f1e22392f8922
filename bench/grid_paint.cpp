// Painting a 1,920 by 1,080 grid of 12 columns over 1,000 and 1,000,000 rows into its
// offscreen buffer, beside a QTableView over a QAbstractTableModel of the same data and size:
// a full frame, a frame after scrolling one row, a frame after moving the focus one cell, and
// the time from setting the data to the first frame; and fitting a column over every row. Both read values computed from the row
// and column, so neither holds a copy of the data. Ratios are printed at the end.
#include "grid/KvGrids.h"
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
    explicit TPeer(int rows) : Model(rows)
    {
        View.resize(Width, Height);
        View.horizontalHeader()->setDefaultSectionSize(150);
        View.setModel(&Model);
        View.show();
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
    if (!p)
        p = std::make_unique<TPeer>(rows);
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

void BM_OursFirstFrame(benchmark::State& state)
{
    TOurs& o = Ours(static_cast<int>(state.range(0)));
    TOwned<TGeneratedData> other(Create<TGeneratedData>(nullptr, static_cast<int>(state.range(0))));
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        o.Grid->SetDataProvider(flip ? other.get() : o.Data.get());
        o.Grid->Update();
    }
    o.Grid->SetDataProvider(o.Data.get());
    o.Frame();
}

void BM_PeerFirstFrame(benchmark::State& state)
{
    TPeer& p = Peer(static_cast<int>(state.range(0)));
    TGeneratedModel other(static_cast<int>(state.range(0)));
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        p.View.setModel(flip ? &other : &p.Model);
        p.Frame();
    }
    p.View.setModel(&p.Model);
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
    BENCHMARK(name)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Repetitions(5)->DisplayAggregatesOnly(true)
KV_FRAME_BENCH(BM_OursFullFrame);
KV_FRAME_BENCH(BM_PeerFullFrame);
KV_FRAME_BENCH(BM_OursScrollOneRow);
KV_FRAME_BENCH(BM_PeerScrollOneRow);
KV_FRAME_BENCH(BM_OursFocusOneCell);
KV_FRAME_BENCH(BM_PeerFocusOneCell);
KV_FRAME_BENCH(BM_OursFirstFrame);
KV_FRAME_BENCH(BM_PeerFirstFrame);
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
                Times[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> Times;
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
    auto t = [&](const char* name, int rows) {
        const auto it = reporter.Times.find(std::string(name) + "/" + std::to_string(rows));
        return it == reporter.Times.end() ? 0.0 : it->second;
    };
    std::printf("\nratio to QTableView (ours / theirs; below 1 is faster):\n");
    for (const char* kind : {"FullFrame", "ScrollOneRow", "FocusOneCell", "FirstFrame", "FitColumnWidth"})
        for (int rows : {1000, 1000000}) {
            const double ours = t((std::string("BM_Ours") + kind).c_str(), rows);
            const double peer = t((std::string("BM_Peer") + kind).c_str(), rows);
            if (ours > 0 && peer > 0)
                std::printf("  %-13s %8d rows: %.2f\n", kind, rows, ours / peer);
        }
    std::printf("frame time at 1,000,000 rows over 1,000 rows (ours):\n");
    for (const char* kind : {"FullFrame", "ScrollOneRow", "FocusOneCell", "FirstFrame"}) {
        const double small = t((std::string("BM_Ours") + kind).c_str(), 1000);
        const double large = t((std::string("BM_Ours") + kind).c_str(), 1000000);
        if (small > 0 && large > 0)
            std::printf("  %-13s %.2f\n", kind, large / small);
    }
    benchmark::Shutdown();
    gOurs.clear();
    gPeers.clear();
    return 0;
}
