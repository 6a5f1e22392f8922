// One auto-scroll tick of a row selection dragged below a 1,280 by 720 grid (scroll one row,
// lay out and paint what is visible, resize the selection) over 1,000 and 1,000,000 rows,
// beside a QTableView of the same data scrolled one row and repainted. A tick costs the same
// whatever the row count. Ratios are printed at the end.
#include "BenchData.h"

#include "grid/KvGrids.h"

#include <QtCore/QElapsedTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTableView>

#include <functional>
#include <memory>

using namespace kv;
using namespace kvbench;

namespace {

constexpr int Width = 1280;
constexpr int Height = 720;

void Settle()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 200)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The clock the benchmark advances itself.
std::function<void()> gTick;
struct TManualTimer : TKvGridTimer
{
    void Start(unsigned, std::function<void()> tick) override { gTick = std::move(tick); }
    void Stop() override { gTick = nullptr; }
};

struct TOurs
{
    TColumns Columns;
    TOwned<TKvSimpleDataProvider> Data;
    TOwned<TKvGridViewImpl> Grid = MakeOwned<TKvGridViewImpl>(nullptr);
    TPoint Cursor;

    explicit TOurs(int rows) : Columns(MakeColumns(rows)), Data(MakeProvider(Columns))
    {
        TKvGridInput::NewTimer = [] { return std::unique_ptr<TKvGridTimer>(new TManualTimer()); };
        TKvGridInput::CursorPos = [this] { return Grid->ClientToScreen(Cursor); };
        Grid->SetDataProvider(Data.get());
        for (const char* name : {"value", "amount", "name", "when"})
            Grid->AddDataColumn()->SetFieldName(QString::fromLatin1(name));
        Grid->ResetColumnIndicies();
        Grid->GetSelectOptions()->SetStyle(SelectRows);
        Grid->SetBounds(0, 0, Width, Height);
        Grid->Show();
        Settle();
        Grid->Update();
        Grab();
    }
    // Presses a row near the top and holds the mouse far below the body: every tick scrolls.
    void Grab()
    {
        TKvAbstractGridLayoutManager* layout = Grid->GetLayoutManager();
        const TRect row = layout->ItemRect(1);
        IKvGridTool* tool = Grid->GetActiveTool();
        tool->MouseUp(mbLeft, TShiftState{}, 0, 0);
        Grid->SetTopIndex(0);
        Grid->Update();
        tool->MouseDown(mbLeft, TShiftState{ssLeft}, layout->BodyBounds().Left + 5, (row.Top + row.Bottom) / 2);
        Cursor = TPoint{layout->BodyBounds().Left + 5, layout->FooterBounds().Top + 200};
        tool->MouseMove(TShiftState{ssLeft}, Cursor.X, Cursor.Y);
    }
    void Tick()
    {
        if (!gTick || Grid->GetTopIndex() + Grid->GetLayoutManager()->ItemCount() + 2 >= Grid->GetItemCount())
            Grab();
        gTick();
        Grid->Update();
    }
    ~TOurs()
    {
        Grid->GetActiveTool()->MouseUp(mbLeft, TShiftState{}, 0, 0);
        Grid.reset();
        Data.reset();
        TKvGridInput::Reset();
    }
};

struct TPeer
{
    TColumns Columns;
    TQtTable Model;
    QTableView View;
    explicit TPeer(int rows) : Columns(MakeColumns(rows)), Model(Columns)
    {
        View.resize(Width, Height);
        View.setModel(&Model);
        View.show();
        Settle();
    }
    void Tick()
    {
        QScrollBar* bar = View.verticalScrollBar();
        bar->setValue(bar->value() + 1 >= bar->maximum() ? 0 : bar->value() + 1);
        View.viewport()->repaint();
    }
};

template <typename T>
void Run(benchmark::State& state)
{
    static std::map<int, std::unique_ptr<T>> cache;
    const int rows = int(state.range(0));
    auto& subject = cache[rows];
    if (!subject)
        subject = std::make_unique<T>(rows);
    for (auto _ : state)
        subject->Tick();
    if (rows == 1000000)
        cache.clear();
}

void BM_AutoScrollTick(benchmark::State& state) { Run<TOurs>(state); }
void BM_QTableViewScrollRow(benchmark::State& state) { Run<TPeer>(state); }

KV_BENCHMARK(BM_AutoScrollTick)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
KV_BENCHMARK(BM_QTableViewScrollRow)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("BM_AutoScrollTick/1000", "BM_QTableViewScrollRow/1000");
    reporter.PrintRatio("BM_AutoScrollTick/1000000", "BM_QTableViewScrollRow/1000000");
    const double small = reporter.Find("BM_AutoScrollTick/1000"), large = reporter.Find("BM_AutoScrollTick/1000000");
    if (small > 0 && large > 0)
        std::printf("A tick over 1,000,000 rows takes %.2fx the time of one over 1,000\n", large / small);
    benchmark::Shutdown();
    return 0;
}
