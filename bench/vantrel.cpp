// The top-level grid over 1,000,000 rows of the demo's table (plus a text column of 1,000
// distinct codes), driven through its tool as a mouse would, each step timed to the next
// painted 1,280 by 720 frame:
//   - a header click that sorts (beside QSortFilterProxyModel::sort and a QTableView frame
//     over the same data);
//   - a header dropped into the grouping panel (grouping by the code column);
//   - its chip dragged out of the panel (ungrouping);
//   - ApplyFilters with two active column filters;
//   - one row scrolled and painted while grouped, over 1,000,000 and over 10,000 rows.
// Ratios, the process CPU time and the load average are printed at the end.
#include "BenchData.h"

#include "DemoData.h"
#include "components/KvGrids.Vantrel.h"
#include "components/KvGrids.Vantrel.Tool.h"
#include "grid/KvGrids.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QSortFilterProxyModel>
#include <QtWidgets/QApplication>
#include <QtWidgets/QTableView>

#include <sys/resource.h>
#include <cstdlib>
#include <map>
#include <memory>

using namespace kv;
using namespace kvbench;

namespace {

constexpr int Width = 1280;
constexpr int Height = 720;
constexpr int BigRows = 1000000;

void Settle()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 200)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The demo's table with a last column "Code" of 1,000 distinct texts.
TKvSimpleDataProvider* MakeDemoTable(int rows)
{
    auto* table = Create<TKvSimpleDataProvider>(nullptr);
    demo::FillTable(table, rows);
    const int field = table->GetFieldCount();
    table->InsertColumns(field, 1, QStringLiteral("Code"), QStringLiteral("s"));
    std::vector<Variant> codes;
    for (int i = 0; i < 1000; ++i)
        codes.emplace_back(QStringLiteral("K%1").arg(i * 7919 % 1000, 4, 10, QLatin1Char('0')));
    table->BeginUpdate();
    for (int r = 0; r < rows; ++r)
        table->SetData(r, field, codes[static_cast<size_t>((static_cast<unsigned>(r) * 2654435761u) % 1000u)]);
    table->EndUpdate(false);
    return table;
}

int CodeField(TKvGridDataProvider* data) { return data->GetFieldCount() - 1; }

struct TOurs
{
    TOwned<TKvSimpleDataProvider> Data;
    TOwned<TKvVantrel> Grid = MakeOwned<TKvVantrel>(nullptr);

    explicit TOurs(int rows) : Data(MakeDemoTable(rows))
    {
        Grid->SetDataProvider(Data.get());
        Grid->GenerateDataColumns(true);
        for (TKvGridDataColumn* column : Grid->GetDataColumns())
            column->SetWidth(90);
        Grid->GetPanel()->SetVisible(true);
        Grid->SetBounds(0, 0, Width, Height);
        Grid->Show();
        Settle();
        Grid->Update();
    }
    ~TOurs()
    {
        Grid.reset();
        Data.reset();
    }
    IKvGridTool* Tool() const { return Grid->GetActiveTool(); }
    TPoint HeaderCenter(int field) const
    {
        TKvGridCellElement* cell = Grid->GetCellView(Grid->GetHeader(), TKvGridCellIndex(Grid->GetDataColumn(field)));
        const TRectF r = cell->BoundsByContainer();
        return TPoint{int((r.Left + r.Right) / 2), int((r.Top + r.Bottom) / 2)};
    }
    TPoint PanelPoint() const
    {
        const TRect r = Grid->GetLayoutManager()->PanelBounds();
        return TPoint{r.Right - 100, (r.Top + r.Bottom) / 2};
    }
    TPoint BodyPoint() const
    {
        const TRect r = Grid->GetLayoutManager()->BodyBounds();
        return TPoint{(r.Left + r.Right) / 2, r.Top + 100};
    }
    void Press(TPoint p) { Tool()->MouseDown(mbLeft, TShiftState{ssLeft}, p.X, p.Y); }
    void MoveTo(TPoint from, TPoint to)
    {
        for (int i = 1; i <= 6; ++i)
            Tool()->MouseMove(TShiftState{ssLeft}, from.X + (to.X - from.X) * i / 6, from.Y + (to.Y - from.Y) * i / 6);
    }
    void Release(TPoint p) { Tool()->MouseUp(mbLeft, TShiftState{}, p.X, p.Y); }
    void Frame() { Grid->Update(); }
};

// A Qt model reading the same table.
class TDemoModel : public QAbstractTableModel
{
public:
    explicit TDemoModel(TKvGridDataProvider* data) : FData(data) {}
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : FData->GetRowCount(); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : FData->GetFieldCount(); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return {};
        const Variant v = FData->GetData(index.row(), index.column());
        if (v.IsNumeric())
            return v.ToDouble();
        return v.ToString();
    }

private:
    TKvGridDataProvider* FData;
};

struct TPeer
{
    TOwned<TKvSimpleDataProvider> Data{MakeDemoTable(BigRows)};
    TDemoModel Model{Data.get()};
    QSortFilterProxyModel Proxy;
    QTableView View;
    TPeer()
    {
        Proxy.setSourceModel(&Model);
        View.setModel(&Proxy);
        View.resize(Width, Height);
        View.show();
        Settle();
    }
};

// Kept across the benchmarks and freed before the application goes.
std::map<int, std::unique_ptr<TOurs>> gGrids;
std::unique_ptr<TPeer> gPeer;

TOurs& Subject(int rows)
{
    auto& subject = gGrids[rows];
    if (!subject)
        subject = std::make_unique<TOurs>(rows);
    return *subject;
}

TOurs& Big() { return Subject(BigRows); }

void BM_HeaderClickSort(benchmark::State& state)
{
    TOurs& g = Big();
    g.Grid->GroupBy({});
    const TPoint header = g.HeaderCenter(demo::FieldQuantity);
    for (auto _ : state) {
        state.PauseTiming();
        g.Grid->SortItems({}, {});
        g.Frame();
        state.ResumeTiming();
        g.Press(header);
        g.Release(header);
        g.Frame();
    }
}

void BM_QSortFilterProxySortFrame(benchmark::State& state)
{
    if (!gPeer)
        gPeer = std::make_unique<TPeer>();
    TPeer& peer = *gPeer;
    for (auto _ : state) {
        // Back to the source's order, as the header click starts from the unsorted grid.
        state.PauseTiming();
        peer.Proxy.sort(-1);
        peer.View.viewport()->repaint();
        state.ResumeTiming();
        peer.Proxy.sort(demo::FieldQuantity, Qt::AscendingOrder);
        peer.View.viewport()->repaint();
    }
}

void BM_HeaderDropGroups(benchmark::State& state)
{
    TOurs& g = Big();
    const int code = CodeField(g.Data.get());
    for (auto _ : state) {
        state.PauseTiming();
        g.Grid->GroupBy({});
        g.Frame();
        const TPoint header = g.HeaderCenter(code), panel = g.PanelPoint();
        g.Press(header);
        g.MoveTo(header, panel);
        state.ResumeTiming();
        g.Release(panel);
        g.Frame();
    }
    if (g.Grid->GetGroupByFields() != TKvIntegerArray{code})
        state.SkipWithError("the drop did not group");
}

void BM_ChipDragUngroups(benchmark::State& state)
{
    TOurs& g = Big();
    const int code = CodeField(g.Data.get());
    for (auto _ : state) {
        state.PauseTiming();
        g.Grid->GroupBy({code});
        g.Frame();
        const TRectF r = g.Grid->GetGroupingPanel()->GetGroupByView()->GetColumnView(0)->BoundsByContainer();
        const TPoint chip{int((r.Left + r.Right) / 2), int((r.Top + r.Bottom) / 2)}, body = g.BodyPoint();
        g.Press(chip);
        g.MoveTo(chip, body);
        state.ResumeTiming();
        g.Release(body);
        g.Frame();
    }
    if (g.Grid->GetRowGrouped())
        state.SkipWithError("the chip did not ungroup");
}

void BM_ApplyTwoFilters(benchmark::State& state)
{
    TOurs& g = Big();
    g.Grid->GroupBy({});
    auto add = [&](int field, const char* criteria) {
        auto* filter = static_cast<TKvGridColumnFilter*>(g.Grid->GetDataColumn(field)->GetFilters()->Add());
        filter->SetCriteria(QString::fromLatin1(criteria));
        filter->SetActive(true);
    };
    add(demo::FieldQuantity, "value < 60");
    add(demo::FieldAmount, "value >= 100000");
    for (auto _ : state)
        g.Grid->ApplyFilters();
    state.counters["rows shown"] = g.Grid->GetItemCount();
    for (TKvGridDataColumn* column : g.Grid->GetDataColumns())
        column->GetFilters()->Clear();
    g.Grid->ApplyFilters();
}

void BM_GroupedScrollFrame(benchmark::State& state)
{
    TOurs& g = Subject(int(state.range(0)));
    g.Grid->GroupBy({demo::FieldRegion, CodeField(g.Data.get())});
    g.Frame();
    int top = 0;
    for (auto _ : state) {
        top = top + 1 >= 5000 ? 0 : top + 1;
        g.Grid->SetTopIndex(top);
        g.Frame();
    }
    g.Grid->GroupBy({});
}

KV_BENCHMARK(BM_HeaderClickSort)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_QSortFilterProxySortFrame)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_HeaderDropGroups)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_ChipDragUngroups)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_ApplyTwoFilters)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_GroupedScrollFrame)->Arg(10000)->Arg(BigRows)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("BM_HeaderClickSort", "BM_QSortFilterProxySortFrame");
    const double small = reporter.Find("BM_GroupedScrollFrame/10000"), large = reporter.Find("BM_GroupedScrollFrame/1000000");
    if (small > 0 && large > 0)
        std::printf("A grouped frame over 1,000,000 rows takes %.2fx the time of one over 10,000\n", large / small);
    gGrids.clear();
    gPeer.reset();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("process CPU time %.1f s; load average %.2f %.2f %.2f\n", cpu, load[0], load[1], load[2]);
    benchmark::Shutdown();
    return 0;
}
