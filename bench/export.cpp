// Spreadsheet export of the demo's grid (12 columns under a two-level column-group header,
// grouped by region, row numbers shown) to a file on disk at 100,000 and 1,000,000 rows,
// beside the floor: a plain writer of the identical bytes (the same grid values read the same
// way, formatted with to_chars and snprintf, escaped byte by byte, appended to a std::string
// flushed with fwrite). Before timing, both files are compared byte for byte. The peak memory
// each adds is measured in a child process and printed against the file's size. Then a full
// style archive saved and loaded.
//
//   kv_bench_export [--rows N] [benchmark flags]
//   kv_bench_export --peak ours|floor ROWS    (the child: prints the added peak in bytes)
//   kv_bench_export --profile N               (N exports of 100,000 rows alone, for a profiler)
#include "../examples/demo/DemoData.h"
#include "BenchData.h"
#include "components/KvGrids.Converter.Excel.h"
#include "components/KvGrids.Styles.Archive.h"
#include "grid/KvGrids.h"
#include "grid/KvGrids.Utils.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Proxy.Group.h"
#include "platform/rtl/DateUtils.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtWidgets/QApplication>
#include <benchmark/benchmark.h>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

using namespace kv;

namespace {

// The demo's grid: its table, column tree and row groups.
struct TDemoLikeGrid
{
    TOwned<TKvSimpleDataProvider> Table = MakeOwned<TKvSimpleDataProvider>(nullptr);
    TOwned<TKvGridViewImpl> Grid = MakeOwned<TKvGridViewImpl>(nullptr);
    TOwned<TKvGridGroupedItemProvider> Grouped;

    explicit TDemoLikeGrid(int rows)
    {
        demo::FillTable(Table.get(), rows);
        // Every text its own string, as after reading a file.
        for (int f : {demo::FieldNameKo, demo::FieldNameEn, demo::FieldCity, demo::FieldPhoto})
            for (int r = 0; r < rows; ++r) {
                const QString text = Table->GetData(r, f).ToString();
                Table->SetData(r, f, QString(text.constData(), text.size()));
            }
        Grid->SetName(QStringLiteral("Demo"));
        Grid->BeginUpdate();
        auto add = [&](TKvGridColumnGroup* group, int field, int width) {
            TKvGridDataColumn* c = Grid->AddDataColumn(group);
            c->SetFieldName(demo::FieldNames()[field]);
            c->SetWidth(width);
        };
        auto group = [&](TKvGridColumnGroup* parent, const QString& caption) {
            TKvGridColumnGroup* g = Grid->AddColumnGroup(parent);
            g->GetHeader()->SetCaption(caption);
            return g;
        };
        add(nullptr, demo::FieldNo, 80);
        TKvGridColumnGroup* customer = group(nullptr, QStringLiteral("Customer · 고객"));
        add(customer, demo::FieldRegion, 70);
        TKvGridColumnGroup* name = group(customer, QStringLiteral("Name"));
        add(name, demo::FieldNameKo, 80);
        add(name, demo::FieldNameEn, 120);
        add(customer, demo::FieldCity, 80);
        TKvGridColumnGroup* order = group(nullptr, QStringLiteral("Order · 주문"));
        for (int f : {demo::FieldOrdered, demo::FieldQuantity, demo::FieldPrice, demo::FieldAmount})
            add(order, f, 90);
        for (int f : {demo::FieldProgress, demo::FieldPaid, demo::FieldPhoto})
            add(nullptr, f, 80);
        Grid->EndUpdate();
        Grid->SetDataProvider(Table.get());
        Grouped = MakeOwned<TKvGridGroupedItemProvider>(Grid->GetItemSourceImpl());
        Grouped->SetExpandWhenGrouping(true);
        Grouped->SetExpandedStyle(ExpandedHeader);
        Grouped->GroupBy({demo::FieldRegion});
        Grid->SetItemSource(Grouped.get());
        Grid->ResetColumnIndicies();
    }
    ~TDemoLikeGrid()
    {
        Grid->SetItemSource(nullptr);
        Grouped.reset();
        Grid.reset();
        Table.reset();
    }
};

QString FilePath(const char* what, int rows)
{
    return QDir::temp().filePath(QStringLiteral("kv_bench_export_%1_%2_%3.xml")
                                     .arg(QLatin1String(what))
                                     .arg(rows)
                                     .arg(QCoreApplication::applicationPid()));
}

void ExportOurs(TDemoLikeGrid& g, TKvGridExcelConverter* converter, const QString& path)
{
    converter->SetAutoSave(true);
    converter->SetRowNumVisible(true);
    converter->SetFileName(path);
    converter->Convert(g.Grid.get(), false);
}

// The floor. Its fixed parts (workbook, styles, columns, header rows; the footer row and the
// closing tags) are literal text, taken once from a reference export.
struct TFloorLayout
{
    std::string Head;
    std::string Tail;
};

class TPlainWriter
{
public:
    // Durable: written beside the path, flushed to the disk and renamed over it, as the
    // exporter replaces its file.
    TPlainWriter(const QString& path, bool durable)
        : Path(QFile::encodeName(path).toStdString()), Durable(durable),
          F(std::fopen((durable ? Path + ".tmp" : Path).c_str(), "wb"))
    {
        if (!F)
            std::abort();
        B.reserve(1 << 17);
    }
    ~TPlainWriter()
    {
        Flush();
        if (Durable && (std::fflush(F) != 0 || fdatasync(fileno(F)) != 0))
            std::abort();
        std::fclose(F);
        if (Durable && std::rename((Path + ".tmp").c_str(), Path.c_str()) != 0)
            std::abort();
    }
    void Put(std::string_view s)
    {
        B.append(s);
        if (B.size() >= (1 << 16))
            Flush();
    }
    void Flush()
    {
        if (std::fwrite(B.data(), 1, B.size(), F) != B.size())
            std::abort();
        B.clear();
    }
    // UTF-8 with markup escaped and the characters XML refuses left out.
    void Text(const QString& s)
    {
        const QByteArray u = s.toUtf8();
        for (char ch : u) {
            const auto c = static_cast<unsigned char>(ch);
            switch (c) {
            case '&': B += "&amp;"; break;
            case '<': B += "&lt;"; break;
            case '>': B += "&gt;"; break;
            case '\r': B += "&#13;"; break;
            default:
                if (c >= 0x20 || c == '\t' || c == '\n')
                    B += ch;
            }
        }
    }

private:
    std::string Path;
    bool Durable;
    std::FILE* F;
    std::string B;
};

void ExportFloor(TDemoLikeGrid& g, const TFloorLayout& layout, const QString& path, bool durable = false)
{
    TPlainWriter out(path, durable);
    out.Put(layout.Head);
    // Per data column: its field, type and the cell's opening text.
    struct TCol
    {
        int Field;
        TKvGridValueType Type;
        std::string Open;
    };
    std::vector<TCol> cols;
    const std::vector<TKvGridColumn*> leaves = TKvGridViewHelper::GetLeafColumns(g.Grid.get(), true);
    int at = 3;
    for (size_t i = 0; i < leaves.size(); ++i)
        if (auto* data = dynamic_cast<TKvGridDataColumn*>(leaves[i])) {
            const char* type = data->GetValueType() == ValueTypeNumeric    ? "Number"
                               : data->GetValueType() == ValueTypeDateTime ? "DateTime"
                               : data->GetValueType() == ValueTypeBool     ? "Boolean"
                                                                           : "String";
            cols.push_back({data->GetDataIndex(), data->GetValueType(),
                            "<Cell ss:Index=\"" + std::to_string(at++) +
                                "\" ss:MergeAcross=\"0\" ss:MergeDown=\"0\" ss:StyleID=\"Demo_cell_" + std::to_string(i) +
                                "\"><Data ss:Type=\"" + type + "\">"});
        }
    const std::string groupOpen = "<Row><Cell ss:Index=\"1\" ss:MergeDown=\"0\" ss:StyleID=\"rownum_style\"/>"
                                  "<Cell ss:Index=\"2\" ss:MergeDown=\"0\" ss:StyleID=\"group_expander_style_0\"/>"
                                  "<Cell ss:Index=\"3\" ss:MergeAcross=\"" + std::to_string(cols.size() - 1) +
                                  "\" ss:MergeDown=\"0\" ss:StyleID=\"group_header_style_0\"><Data ss:Type=\"String\">";
    const std::string_view rowOpen = "<Row><Cell ss:Index=\"1\" ss:MergeDown=\"0\" ss:StyleID=\"rownum_style\">"
                                     "<Data ss:Type=\"Number\">";
    const std::string_view indicator =
        "</Data></Cell><Cell ss:Index=\"2\" ss:MergeDown=\"0\" ss:StyleID=\"group_indicator_style_0\"/>";
    char digits[64];
    long long number = 1;
    TKvGridItemProvider* items = g.Grid->GetItemProvider();
    for (int i = 0, n = g.Grid->GetItemCount(); i < n; ++i) {
        TKvGridItem* item = items->GetItem(i);
        if (dynamic_cast<TKvGridGroupItem*>(item)) {
            out.Put(groupOpen);
            out.Text(g.Grid->GetRowGroup()->GetHeaderCell(item)->GetDisplayText());
            out.Put("</Data></Cell></Row>");
            continue;
        }
        out.Put(rowOpen);
        out.Put(std::string_view(digits, size_t(std::to_chars(digits, digits + 64, number++).ptr - digits)));
        out.Put(indicator);
        for (const TCol& c : cols) {
            out.Put(c.Open);
            const Variant v = item->GetData(c.Field);
            int len = 0;
            switch (c.Type) {
            case ValueTypeNumeric:
                len = int((v.IsInteger() ? std::to_chars(digits, digits + 64, v.IntUnchecked())
                                         : std::to_chars(digits, digits + 64, v.ToDouble()))
                              .ptr -
                          digits);
                break;
            case ValueTypeDateTime: {
                const QDateTime dt = DateTimeToQDateTime(v.DoubleUnchecked());
                int y = 0, m = 0, d = 0;
                dt.date().getDate(&y, &m, &d);
                const QTime t = dt.time();
                len = std::snprintf(digits, 64, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", y, m, d, t.hour(), t.minute(),
                                    t.second(), t.msec());
                break;
            }
            case ValueTypeBool: {
                bool b = false;
                v.TryToBoolean(b);
                digits[0] = b ? '1' : '0';
                len = 1;
                break;
            }
            default: out.Text(v.IsString() ? v.StringUnchecked() : v.ToString());
            }
            out.Put(std::string_view(digits, size_t(len)));
            out.Put("</Data></Cell>");
        }
        out.Put("</Row>");
    }
    out.Put(layout.Tail);
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

// Shared by the cases; freed before the application goes.
std::map<int, std::unique_ptr<TDemoLikeGrid>> gGrids;
TFloorLayout gLayout;
std::map<int, long long> gFileBytes;

TDemoLikeGrid& Grid(int rows)
{
    auto& g = gGrids[rows];
    if (!g)
        g = std::make_unique<TDemoLikeGrid>(rows);
    return *g;
}

// The floor's literal parts from a reference export: everything before the first item row,
// and the footer row on.
TFloorLayout Layout(TDemoLikeGrid& g)
{
    const QString path = FilePath("layout", 0);
    TOwned<TKvGridExcelConverter> converter = MakeOwned<TKvGridExcelConverter>(nullptr);
    ExportOurs(g, converter.get(), path);
    const QByteArray text = ReadAll(path);
    QFile::remove(path);
    const qsizetype items = text.indexOf("<Row><Cell ss:Index=\"1\" ss:MergeDown=\"0\" ss:StyleID=\"rownum_style\"");
    const qsizetype footer = text.lastIndexOf("<Row>");
    if (items < 0 || footer < items)
        std::abort();
    return TFloorLayout{text.left(items).toStdString(), text.mid(footer).toStdString()};
}

// Both files once, byte for byte.
void CheckSameBytes(int rows)
{
    TDemoLikeGrid& g = Grid(rows);
    const QString ours = FilePath("check_ours", rows), floor = FilePath("check_floor", rows);
    {
        TOwned<TKvGridExcelConverter> converter = MakeOwned<TKvGridExcelConverter>(nullptr);
        ExportOurs(g, converter.get(), ours);
    }
    ExportFloor(g, gLayout, floor);
    const QByteArray a = ReadAll(ours), b = ReadAll(floor);
    QFile::remove(ours);
    QFile::remove(floor);
    if (a.isEmpty() || a != b) {
        qsizetype at = 0;
        while (at < a.size() && at < b.size() && a[at] == b[at])
            ++at;
        std::fprintf(stderr, "%d rows: the floor's bytes differ from the export's at byte %lld:\n  ours:  %s\n  floor: %s\n",
                     rows, static_cast<long long>(at), a.mid(std::max<qsizetype>(0, at - 80), 200).constData(),
                     b.mid(std::max<qsizetype>(0, at - 80), 200).constData());
        std::exit(1);
    }
    gFileBytes[rows] = a.size();
}

// Every run writes a new file: the last one is removed while the clock stands.
template <typename F>
void RunWrites(benchmark::State& state, const char* what, F write)
{
    const int rows = int(state.range(0));
    TDemoLikeGrid& g = Grid(rows);
    const QString path = FilePath(what, rows);
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
        write(g, path);
    }
    QFile::remove(path);
    state.SetBytesProcessed(state.iterations() * gFileBytes[rows]);
}

void BM_Export(benchmark::State& state)
{
    TOwned<TKvGridExcelConverter> converter = MakeOwned<TKvGridExcelConverter>(nullptr);
    RunWrites(state, "ours", [&](TDemoLikeGrid& g, const QString& path) { ExportOurs(g, converter.get(), path); });
}
KV_BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->Arg(100'000);
KV_BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->Arg(1'000'000)->Iterations(1);

void BM_PlainWriterFloor(benchmark::State& state)
{
    RunWrites(state, "floor", [&](TDemoLikeGrid& g, const QString& path) { ExportFloor(g, gLayout, path); });
}
KV_BENCHMARK(BM_PlainWriterFloor)->Unit(benchmark::kMillisecond)->Arg(100'000);
KV_BENCHMARK(BM_PlainWriterFloor)->Unit(benchmark::kMillisecond)->Arg(1'000'000)->Iterations(1);

// The same plain writer replacing its file durably (to the disk, then renamed), as the export does.
void BM_PlainWriterDurableFloor(benchmark::State& state)
{
    RunWrites(state, "durable", [&](TDemoLikeGrid& g, const QString& path) { ExportFloor(g, gLayout, path, true); });
}
KV_BENCHMARK(BM_PlainWriterDurableFloor)->Unit(benchmark::kMillisecond)->Arg(100'000);
KV_BENCHMARK(BM_PlainWriterDurableFloor)->Unit(benchmark::kMillisecond)->Arg(1'000'000)->Iterations(1);

// A full style archive: every archived set holding values.
void BM_StyleArchiveSaveLoad(benchmark::State& state)
{
    TOwned<TKvGridViewImpl> grid = MakeOwned<TKvGridViewImpl>(nullptr);
    for (TKvGridStyleBag* bag : std::initializer_list<TKvGridStyleBag*>{
             grid->GetStyles(), grid->GetPanel()->GetStyles(), grid->GetBody()->GetStyles(), grid->GetBody()->GetEmptyStyles(),
             grid->GetHeader()->GetStyles(), grid->GetHeader()->GetGroupStyles(), grid->GetFooter()->GetStyles(),
             grid->GetRowGroup()->GetHeaderStyles(), grid->GetRowGroup()->GetFooterStyles(),
             grid->GetIndicator()->GetStyles(), grid->GetCheckBar()->GetStyles(), grid->GetStatesBar()->GetStyles()}) {
        bag->SetValue(QStringLiteral("Background"), QStringLiteral("linear,#ff336699,#ffffffff,90"));
        bag->SetValue(QStringLiteral("Font"), QStringLiteral("DejaVu Sans,10,bold"));
        bag->SetValue(QStringLiteral("BorderBottom"), QStringLiteral("#ff808080,1"));
        bag->SetValue(QStringLiteral("TextAlignment"), QStringLiteral("AlignCenter"));
        bag->SetValue(QStringLiteral("PaddingLeft"), QStringLiteral("4"));
        bag->SetValue(QStringLiteral("Prefix"), QStringLiteral("합계 "));
    }
    TOwned<TKvGridViewImpl> target = MakeOwned<TKvGridViewImpl>(nullptr);
    TKvGridStylesJsonArchive archive;
    for (auto _ : state) {
        const QString text = archive.SaveGrid(grid.get());
        archive.LoadGrid(text, target.get());
    }
}
KV_BENCHMARK(BM_StyleArchiveSaveLoad)->Unit(benchmark::kMicrosecond);

// Resident memory now, or its peak since the last reset (Linux), in bytes.
long long StatusBytes(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(std::strlen(key))).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

// The child: builds the grid, walks it once through the other writer (so that the items the
// providers make on first use are there), then reports the peak memory one export adds.
int PeakChild(const std::string& which, int rows)
{
    TDemoLikeGrid& g = Grid(rows);
    gLayout = Layout(g);
    const QString path = FilePath("peak", rows);
    TOwned<TKvGridExcelConverter> converter = MakeOwned<TKvGridExcelConverter>(nullptr);
    if (which == "ours")
        ExportFloor(g, gLayout, path);
    else
        ExportOurs(g, converter.get(), path);
    converter.reset();
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        return 2;
    clear.close();
    const long long before = StatusBytes("VmRSS:");
    if (which == "ours") {
        TOwned<TKvGridExcelConverter> ours = MakeOwned<TKvGridExcelConverter>(nullptr);
        ExportOurs(g, ours.get(), path);
    } else {
        ExportFloor(g, gLayout, path);
    }
    const long long peak = StatusBytes("VmHWM:");
    std::printf("%lld\n", peak - before);
    QFile::remove(path);
    gGrids.clear();
    return 0;
}

long long RunPeakChild(const char* which, int rows)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--peak"), QLatin1String(which), QString::number(rows)});
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return -1;
    return p.readAllStandardOutput().trimmed().toLongLong();
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc == 4 && std::string(argv[1]) == "--peak")
        return PeakChild(argv[2], std::atoi(argv[3]));
    if (argc == 3 && std::string(argv[1]) == "--profile") {
        // Repeated exports alone, for a profiler.
        TDemoLikeGrid& g = Grid(100'000);
        TOwned<TKvGridExcelConverter> converter = MakeOwned<TKvGridExcelConverter>(nullptr);
        for (int i = 0, n = std::atoi(argv[2]); i < n; ++i)
            ExportOurs(g, converter.get(), FilePath("profile", 100'000));
        QFile::remove(FilePath("profile", 100'000));
        gGrids.clear();
        return 0;
    }

    // --rows N: only that size is checked and measured for memory (filter the timed cases to match).
    std::vector<int> sizes{100'000, 1'000'000};
    if (argc >= 3 && std::string(argv[1]) == "--rows") {
        sizes = {std::atoi(argv[2])};
        argv[2] = argv[0];
        argc -= 2;
        argv += 2;
    }
    gLayout = Layout(Grid(1000));
    gGrids.clear();
    for (int rows : sizes) {
        CheckSameBytes(rows);
        std::printf("%d rows: the floor's bytes equal the export's, %lld bytes\n", rows,
                    static_cast<long long>(gFileBytes[rows]));
    }

    benchmark::Initialize(&argc, argv);
    kvbench::TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.PrintRatio("BM_Export/100000", "BM_PlainWriterFloor/100000");
    reporter.PrintRatio("BM_Export/1000000", "BM_PlainWriterFloor/1000000");
    reporter.PrintRatio("BM_Export/100000", "BM_PlainWriterDurableFloor/100000");
    reporter.PrintRatio("BM_Export/1000000", "BM_PlainWriterDurableFloor/1000000");
    gGrids.clear();

    for (int rows : sizes) {
        const double file = double(gFileBytes[rows]);
        const long long ours = RunPeakChild("ours", rows), floor = RunPeakChild("floor", rows);
        std::printf("peak memory an export adds, %d rows, %.1f MB file: export %.1f MB (%.3fx the file), "
                    "floor %.1f MB (%.3fx the file)\n",
                    rows, file / 1e6, double(ours) / 1e6, double(ours) / file, double(floor) / 1e6, double(floor) / file);
    }
    kvbench::PrintProcessCpuAndLoad();
    std::fflush(stdout);
    return 0;
}
