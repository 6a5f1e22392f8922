// Painting a 1,920 by 1,080 grid of 12 columns over 1,000 to 10,000,000 rows, beside a
// QTableView over a QAbstractTableModel of the same data and size: a full frame (a repaint of the
// whole widget through Qt's normal paint path, flushed to its window), a frame after scrolling
// one row by the scroll bar's arrow, after one wheel notch and after Down on the last row shown
// (also printed as shares of our full frame), a frame after moving the focus one cell, and the time from setting the data to the
// first frame; and fitting a column over every row. Both read values computed from the row and
// column, so neither holds a copy of the data. The QTableView gets our font, our row height and
// as many shown rows as ours. Ratios of the medians of five runs, of wall time and of process
// CPU time (all threads), are printed at the end with the machine's load.
#include "grid/KvGrids.h"
#include "grid/KvGrids.LayoutManager.h"
#include "model/KvGrids.Data.h"
#include "platform/graphics/VectorGraphics.h"
#include "platform/ui/PaintBuffer.h"

#include "BenchData.h"

#include <QtCore/QAbstractTableModel>
#include <QtCore/QElapsedTimer>
#include <QtGui/QFontMetrics>
#include <QtGui/QKeyEvent>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTableView>
#include <QtGui/QFont>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

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

// A full frame: every widget of the window marked for painting, then painted and flushed in
// one pass (a repaint of the window alone does not repaint its children).
void RepaintWindow(QWidget* window)
{
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isVisible())
            w->update();
    window->repaint();
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
    // A full frame: the whole window repainted and flushed, as an application's update of it.
    void Frame() { RepaintWindow(Grid->Widget()); }
};

struct TPeer
{
    TGeneratedModel Model;
    QTableView View;
    // Our font, our row height and as many shown rows as ours, in a window of our size.
    TPeer(int rows, const QFont& font, int rowHeight, int shownRows) : Model(rows)
    {
        View.setFont(font);
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
    // A full frame: the whole window (cells, headers, scroll bars) repainted and flushed.
    void Frame() { RepaintWindow(&View); }
    int ShownRows() const
    {
        const int h = View.viewport()->height(), r = View.verticalHeader()->defaultSectionSize();
        return (h + r - 1) / r;
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
// Rows the body shows, the last one perhaps in part.
int OursShownRows(TKvAbstractGridLayoutManager* layout)
{
    return layout->ItemCount() - layout->FixedItemCount();
}
int OursRowHeight(TKvAbstractGridLayoutManager* layout)
{
    return layout->ItemBounds(layout->FixedItemCount()).Height();
}
QFont OursFont(TKvGridView* grid)
{
    QFont f;
    gfx::GetFontQFont(grid->GetBody()->GetStyles()->GetFont()->Font(), f);
    return f;
}
TPeer& Peer(int rows)
{
    auto& p = gPeers[rows];
    if (!p) {
        TOurs& o = Ours(rows);
        TKvAbstractGridLayoutManager* layout = o.Grid->GetLayoutManager();
        p = std::make_unique<TPeer>(rows, OursFont(o.Grid.get()), OursRowHeight(layout), OursShownRows(layout));
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

// One line step of the vertical scroll bar, as its arrow gives it, and then what the event
// loop paints of it: the pending updates only, on both sides. The steps go down a hundred
// rows and back up, so every step moves the top row by one.
QScrollBar* VerticalBar(QWidget* widget)
{
    for (QScrollBar* bar : widget->findChildren<QScrollBar*>())
        if (bar->orientation() == Qt::Vertical)
            return bar;
    return nullptr;
}

void LineSteps(benchmark::State& state, QScrollBar* bar)
{
    if (!bar) {
        state.SkipWithError("no vertical scroll bar");
        return;
    }
    QApplication::processEvents();
    int step = 0;
    for (auto _ : state) {
        bar->triggerAction(step++ % 200 < 100 ? QAbstractSlider::SliderSingleStepAdd : QAbstractSlider::SliderSingleStepSub);
        QApplication::processEvents();
    }
}

void BM_OursScrollOneRow(benchmark::State& state)
{
    TOurs& o = Ours(static_cast<int>(state.range(0)));
    o.Grid->SetTopIndex(0);
    LineSteps(state, VerticalBar(o.Grid->Widget()));
    o.Grid->SetTopIndex(0);
    QApplication::processEvents();
}

void BM_PeerScrollOneRow(benchmark::State& state)
{
    TPeer& p = Peer(static_cast<int>(state.range(0)));
    p.View.verticalScrollBar()->setValue(0);
    LineSteps(state, p.View.verticalScrollBar());
    p.View.verticalScrollBar()->setValue(0);
    QApplication::processEvents();
}

// Rows the top row moved, on average per step ("rows" in the output): a check that every step
// scrolls as many rows as it should.
class TRowsMoved
{
public:
    TRowsMoved(benchmark::State& state, std::function<int()> top) : FState(state), FTop(std::move(top)), FLast(FTop()) {}
    ~TRowsMoved()
    {
        FState.counters["rows"] = benchmark::Counter(FRows, benchmark::Counter::kAvgIterations);
    }
    void Step()
    {
        const int now = FTop();
        FRows += std::abs(now - FLast);
        FLast = now;
    }

private:
    benchmark::State& FState;
    std::function<int()> FTop;
    int FLast;
    double FRows = 0;
};

// One notch of the mouse wheel (angle 120) over the middle of the rows, sent to the widget
// that takes the wheel on each side, and then what the event loop paints. Fifty notches go
// down and fifty back up, so every notch scrolls: ours moves two rows a notch, QTableView as
// many as the platform's wheel lines (three).
void WheelNotches(benchmark::State& state, QWidget* target, const std::function<int()>& top)
{
    QApplication::processEvents();
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    TRowsMoved moved(state, top);
    int step = 0;
    for (auto _ : state) {
        const int delta = step++ % 100 < 50 ? -120 : 120;
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
        QApplication::processEvents();
        moved.Step();
    }
}

void BM_OursWheelNotch(benchmark::State& state)
{
    TOurs& o = Ours(static_cast<int>(state.range(0)));
    o.Grid->SetTopIndex(0);
    TKvGridView* grid = o.Grid.get();
    WheelNotches(state, grid->Widget()->focusProxy() ? grid->Widget()->focusProxy() : grid->Widget(),
                 [grid] { return grid->GetTopIndex(); });
    o.Grid->SetTopIndex(0);
    QApplication::processEvents();
}

void BM_PeerWheelNotch(benchmark::State& state)
{
    TPeer& p = Peer(static_cast<int>(state.range(0)));
    p.View.verticalScrollBar()->setValue(0);
    WheelNotches(state, p.View.viewport(), [&p] { return p.View.rowAt(0); });
    p.View.verticalScrollBar()->setValue(0);
    QApplication::processEvents();
}

// Down pressed with the focus on the last fully shown row: the focus moves one row and the
// rows scroll one. A hundred presses go down; then, outside the timing, the focus goes to the
// top row shown and a hundred Up presses scroll back the same way.
void KeyScrolls(benchmark::State& state, QWidget* target, const std::function<void(bool)>& focusEdge,
                const std::function<int()>& top)
{
    focusEdge(true);
    QApplication::processEvents();
    TRowsMoved moved(state, top);
    int step = 0;
    for (auto _ : state) {
        const int phase = step++ % 200;
        if (phase == 0 || phase == 100) {
            state.PauseTiming();
            focusEdge(phase == 0);
            QApplication::processEvents();
            state.ResumeTiming();
        }
        const Qt::Key key = phase < 100 ? Qt::Key_Down : Qt::Key_Up;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
        QApplication::processEvents();
        moved.Step();
    }
}

void BM_OursDownAtBottom(benchmark::State& state)
{
    TOurs& o = Ours(static_cast<int>(state.range(0)));
    TKvGridView* grid = o.Grid.get();
    grid->SetTopIndex(0);
    KeyScrolls(state, grid->Widget()->focusProxy() ? grid->Widget()->focusProxy() : grid->Widget(), [grid](bool bottom) {
        const int top = grid->GetTopItem();
        const int full = grid->GetLayoutManager()->FullItemCount();
        grid->SetFocusedIndex(grid->GetIndex(bottom ? top + full - 1 : top, 1));
    }, [grid] { return grid->GetTopIndex(); });
    grid->SetTopIndex(0);
    grid->SetFocusedIndex(grid->GetIndex(0, 1));
    QApplication::processEvents();
}

void BM_PeerDownAtBottom(benchmark::State& state)
{
    TPeer& p = Peer(static_cast<int>(state.range(0)));
    p.View.verticalScrollBar()->setValue(0);
    KeyScrolls(state, &p.View, [&p](bool bottom) {
        const int top = p.View.rowAt(0);
        const int full = p.View.viewport()->height() / p.View.verticalHeader()->defaultSectionSize();
        p.View.setCurrentIndex(p.Model.index(bottom ? top + full - 1 : top, 1));
    }, [&p] { return p.View.rowAt(0); });
    p.View.verticalScrollBar()->setValue(0);
    p.View.setCurrentIndex(p.Model.index(0, 1));
    QApplication::processEvents();
}

// Right arrow presses across row 3 and Left presses back, each followed by what the event
// loop paints; no column scrolls on either side.
void ArrowSteps(benchmark::State& state, QWidget* target)
{
    QApplication::processEvents();
    int step = 0;
    for (auto _ : state) {
        const Qt::Key key = step++ % 20 < 10 ? Qt::Key_Right : Qt::Key_Left;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
        QApplication::processEvents();
    }
}

void BM_OursFocusOneCell(benchmark::State& state)
{
    TOurs& o = Ours(static_cast<int>(state.range(0)));
    o.Grid->SetTopIndex(0);
    o.Grid->SetFocusedIndex(o.Grid->GetIndex(3, 1));
    ArrowSteps(state, o.Grid->Widget()->focusProxy() ? o.Grid->Widget()->focusProxy() : o.Grid->Widget());
}

void BM_PeerFocusOneCell(benchmark::State& state)
{
    TPeer& p = Peer(static_cast<int>(state.range(0)));
    p.View.verticalScrollBar()->setValue(0);
    p.View.setCurrentIndex(p.Model.index(3, 1));
    ArrowSteps(state, &p.View);
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


constexpr int RowCounts[] = {1000, 10000, 1000000, 10000000};

// Each case at every row count, five runs, medians of wall and process CPU time: ours and
// QTableView's right after each other, so that both meet the machine in the same state; then
// fitting a column.
void RegisterFrameCases()
{
    using TCase = void (*)(benchmark::State&);
    using TSide = std::pair<const char*, TCase>;
    struct TPair
    {
        const char* Kind;
        TCase Ours, Peer;
    };
    const TPair pairs[] = {{"FullFrame", BM_OursFullFrame, BM_PeerFullFrame},
                           {"ScrollOneRow", BM_OursScrollOneRow, BM_PeerScrollOneRow},
                           {"WheelNotch", BM_OursWheelNotch, BM_PeerWheelNotch},
                           {"DownAtBottom", BM_OursDownAtBottom, BM_PeerDownAtBottom},
                           {"FocusOneCell", BM_OursFocusOneCell, BM_PeerFocusOneCell},
                           {"FirstFrame", BM_OursFirstFrame, BM_PeerFirstFrame}};
    for (const TPair& pair : pairs)
        for (int rows : RowCounts)
            for (auto [side, fn] : {TSide{"Ours", pair.Ours}, TSide{"Peer", pair.Peer}})
                benchmark::RegisterBenchmark((std::string("BM_") + side + pair.Kind).c_str(), fn)
                    ->Arg(rows)
                    ->Apply(kvbench::TimedFiveTimes)
                    ->Unit(benchmark::kMillisecond);
    for (auto [name, fn] : {TSide{"BM_OursFitColumnWidth", BM_OursFitColumnWidth},
                            TSide{"BM_PeerFitColumnWidth", BM_PeerFitColumnWidth}})
        benchmark::RegisterBenchmark(name, fn)
            ->Arg(1000000)
            ->Apply(kvbench::TimedFiveTimes)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_FONT_DPI", "96", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RegisterFrameCases();
    kvbench::TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto name = [](const char* side, const char* kind, int rows) {
        return std::string("BM_") + side + kind + "/" + std::to_string(rows);
    };
    std::printf("\nours against QTableView (medians of five runs, ms; process CPU of all threads; ratio below 1 is "
                "faster):\n  %-14s %9s %17s %17s %12s\n",
                "case", "rows", "ours wall/CPU", "peer wall/CPU", "ratio w/CPU");
    for (const char* kind :
         {"FullFrame", "ScrollOneRow", "WheelNotch", "DownAtBottom", "FocusOneCell", "FirstFrame", "FitColumnWidth"})
        for (int rows : RowCounts) {
            const std::string ours = name("Ours", kind, rows), peer = name("Peer", kind, rows);
            const double ow = reporter.Find(ours), oc = reporter.FindCpu(ours);
            const double pw = reporter.Find(peer), pc = reporter.FindCpu(peer);
            if (ow > 0 && pw > 0)
                std::printf("  %-14s %9d %8.2f /%7.2f %8.2f /%7.2f %5.2f /%5.2f\n", kind, rows, ow, oc, pw, pc, ow / pw,
                            pc > 0 ? oc / pc : 0.0);
        }
    // The scroll gestures against our own full frame and against QTableView's gesture; the
    // wheel also per row moved (ours two a notch, QTableView three).
    std::printf("\nscroll gestures (medians, wall): share of our full frame; against QTableView; per row moved\n"
                "  %-14s %9s %10s %12s %12s\n",
                "gesture", "rows", "of frame", "vs QTableView", "per row");
    for (const char* kind : {"ScrollOneRow", "WheelNotch", "DownAtBottom"})
        for (int rows : RowCounts) {
            const double ow = reporter.Find(name("Ours", kind, rows)), pw = reporter.Find(name("Peer", kind, rows));
            const double frame = reporter.Find(name("Ours", "FullFrame", rows));
            if (ow <= 0)
                continue;
            std::printf("  %-14s %9d %10.3f", kind, rows, frame > 0 ? ow / frame : 0.0);
            if (pw > 0)
                std::printf(" %12.3f", ow / pw);
            if (pw > 0 && std::string(kind) == "WheelNotch")
                std::printf(" %12.3f", (ow / 2.0) / (pw / QApplication::wheelScrollLines()));
            std::printf("\n");
        }
    if (!gOurs.empty()) {
        TOurs& o = *gOurs.begin()->second;
        TKvAbstractGridLayoutManager* layout = o.Grid->GetLayoutManager();
        std::printf("window %d x %d, %d columns; shown rows: ours %d", o.Grid->Widget()->width(),
                    o.Grid->Widget()->height(), Fields, OursShownRows(layout));
        if (!gPeers.empty()) {
            const TPeer& p = *gPeers.begin()->second;
            std::printf(", QTableView %d (%d x %d, font %s %.1f pt)", p.ShownRows(), p.View.width(), p.View.height(),
                        qPrintable(p.View.font().family()), p.View.font().pointSizeF());
        }
        std::printf("; row height %d px on both sides\n", OursRowHeight(layout));
    }
    kvbench::PrintProcessCpuAndLoad();
    std::fflush(stdout);
    benchmark::Shutdown();
    // The shared fixtures (the largest hold ten million rows) go before the application.
    gPeers.clear();
    gOurs.clear();
    return 0;
}
