// Spreadsheet export of the demo's grid (12 columns under a two-level column-group header,
// grouped by region, row numbers shown) at 100,000 and 1,000,000 rows: time, MB/s of XML
// written and the peak memory the export adds, beside the same rows written by a plain
// QXmlStreamWriter loop (the floor of writing this format). Then a full style archive saved
// and loaded.
//
//   kv_bench_export [--rows N ...]
#include "../examples/demo/DemoData.h"
#include "components/KvGrids.Converter.Excel.h"
#include "components/KvGrids.Styles.Archive.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Proxy.Group.h"
#include "platform/rtl/DateUtils.h"

#include <QtCore/QDateTime>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QXmlStreamWriter>
#include <QtWidgets/QApplication>
#include <sys/resource.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

using namespace kv;

namespace {

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Resident memory now and the peak since the last reset, in bytes (Linux).
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

void ResetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

// The demo's grid: its table, column tree and row groups.
struct TDemoLikeGrid
{
    TOwned<TKvSimpleDataProvider> Table = MakeOwned<TKvSimpleDataProvider>(nullptr);
    TOwned<TKvGridViewImpl> Grid = MakeOwned<TKvGridViewImpl>(nullptr);
    TOwned<TKvGridGroupedItemProvider> Grouped;

    explicit TDemoLikeGrid(int rows)
    {
        demo::FillTable(Table.get(), rows);
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

// The same rows and cells with the same attributes and value texts, through Qt's writer.
QString PeerExport(TDemoLikeGrid& g)
{
    QString out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument();
    w.writeProcessingInstruction(QStringLiteral("mso-application"), QStringLiteral("progid=\"Excel.Sheet\""));
    w.writeStartElement(QStringLiteral("Workbook"));
    w.writeAttribute(QStringLiteral("xmlns:ss"), QStringLiteral("urn:schemas-microsoft-com:office:spreadsheet"));
    w.writeStartElement(QStringLiteral("Worksheet"));
    w.writeAttribute(QStringLiteral("ss:Name"), QStringLiteral("Vantrel"));
    w.writeStartElement(QStringLiteral("Table"));
    const QString index = QStringLiteral("ss:Index"), across = QStringLiteral("ss:MergeAcross"),
                  down = QStringLiteral("ss:MergeDown"), style = QStringLiteral("ss:StyleID"),
                  type = QStringLiteral("ss:Type"), cellName = QStringLiteral("Cell"), dataName = QStringLiteral("Data"),
                  rowName = QStringLiteral("Row"), zero = QStringLiteral("0");
    const std::vector<TKvGridDataColumn*> columns = g.Grid->GetDataColumns();
    std::vector<int> fields;
    std::vector<TKvGridValueType> types;
    QStringList styles, indices;
    for (size_t c = 0; c < columns.size(); ++c) {
        fields.push_back(columns[c]->GetDataIndex());
        types.push_back(columns[c]->GetValueType());
        styles << QStringLiteral("Demo_cell_%1").arg(c);
        indices << QString::number(c + 3);
    }
    qint64 number = 1;
    TKvGridItemProvider* items = g.Grid->GetItemProvider();
    auto cell = [&](const QString& at, const QString& st) {
        w.writeStartElement(cellName);
        w.writeAttribute(index, at);
        w.writeAttribute(across, zero);
        w.writeAttribute(down, zero);
        w.writeAttribute(style, st);
    };
    for (int i = 0, n = items->GetItemCount(); i < n; ++i) {
        TKvGridItem* item = items->GetItem(i);
        w.writeStartElement(rowName);
        if (auto* group = dynamic_cast<TKvGridGroupItem*>(item)) {
            cell(QStringLiteral("1"), QStringLiteral("rownum_style"));
            w.writeEndElement();
            cell(QStringLiteral("2"), QStringLiteral("group_header_style_0"));
            w.writeStartElement(dataName);
            w.writeAttribute(type, QStringLiteral("String"));
            w.writeCharacters(g.Grid->GetRowGroup()->GetHeaderCell(group)->GetDisplayText());
            w.writeEndElement();
            w.writeEndElement();
        } else {
            cell(QStringLiteral("1"), QStringLiteral("rownum_style"));
            w.writeStartElement(dataName);
            w.writeAttribute(type, QStringLiteral("Number"));
            w.writeCharacters(QString::number(number++));
            w.writeEndElement();
            w.writeEndElement();
            cell(QStringLiteral("2"), QStringLiteral("group_indicator_style_0"));
            w.writeEndElement();
            for (size_t c = 0; c < fields.size(); ++c) {
                const Variant v = item->GetData(fields[c]);
                cell(indices[qsizetype(c)], styles[qsizetype(c)]);
                w.writeStartElement(dataName);
                switch (types[c]) {
                case ValueTypeNumeric:
                    w.writeAttribute(type, QStringLiteral("Number"));
                    w.writeCharacters(v.IsInteger() ? QString::number(v.AsInt())
                                                    : QString::number(v.ToDouble(), 'g', QLocale::FloatingPointShortest));
                    break;
                case ValueTypeDateTime:
                    w.writeAttribute(type, QStringLiteral("DateTime"));
                    w.writeCharacters(
                        DateTimeToQDateTime(v.ToDateTime()).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")));
                    break;
                case ValueTypeBool:
                    w.writeAttribute(type, QStringLiteral("Boolean"));
                    w.writeCharacters(v.IsTrue() ? QStringLiteral("1") : QStringLiteral("0"));
                    break;
                default:
                    w.writeAttribute(type, QStringLiteral("String"));
                    w.writeCharacters(v.ToString());
                }
                w.writeEndElement();
                w.writeEndElement();
            }
        }
        w.writeEndElement();
    }
    w.writeEndDocument();
    return out;
}

struct TResult
{
    double Seconds = 0;
    double Cpu = 0;
    qsizetype Chars = 0;
    qsizetype Utf8 = 0;
    long long PeakAdded = -1;
};

template <typename F>
TResult Measure(F run)
{
    TResult r;
    ResetPeak();
    const long long before = StatusBytes("VmRSS:");
    const double cpu = CpuSeconds();
    QElapsedTimer t;
    t.start();
    {
        const QString text = run();
        r.Seconds = double(t.nsecsElapsed()) / 1e9;
        r.Cpu = CpuSeconds() - cpu;
        const long long peak = StatusBytes("VmHWM:");
        r.PeakAdded = before >= 0 && peak >= 0 ? peak - before : -1;
        r.Chars = text.size();
        r.Utf8 = text.toUtf8().size();
    }
    return r;
}

void Print(const char* what, int rows, const TResult& r)
{
    std::printf("%-8s %9d rows: %8.3f s (cpu %.3f s), %7.1f MB UTF-8 / %7.1f MB as text, %6.1f MB/s, peak +%.1f MB "
                "(%.2fx the text)\n",
                what, rows, r.Seconds, r.Cpu, r.Utf8 / 1e6, r.Chars * 2 / 1e6, r.Utf8 / 1e6 / r.Seconds,
                r.PeakAdded / 1e6, double(r.PeakAdded) / double(r.Chars * 2));
}

void LoadAverage()
{
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        std::printf("load average: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--rows")
            sizes.push_back(std::atoi(argv[i + 1]));
    if (sizes.empty())
        sizes = {100'000, 1'000'000};

    LoadAverage();
    std::vector<double> perRow;
    for (int rows : sizes) {
        TDemoLikeGrid g(rows);
        TOwned<TKvGridExcelConverter> converter = MakeOwned<TKvGridExcelConverter>(nullptr);
        converter->SetAutoSave(false);
        converter->SetRowNumVisible(true);
        const TResult ours = Measure([&] {
            converter->Convert(g.Grid.get(), false);
            QString text = converter->GetOutput();
            converter->Convert(TKvGridRange(0, 0, g.Grid->GetColumn(0), g.Grid->GetColumn(0))); // lets go of Output
            return text;
        });
        const TResult peer = Measure([&] { return PeerExport(g); });
        Print("export", rows, ours);
        Print("peer", rows, peer);
        std::printf("export / QXmlStreamWriter peer: %.2fx the time (target at most 1.5x)\n", ours.Seconds / peer.Seconds);
        perRow.push_back(ours.Seconds / rows * 1e9);
    }
    if (perRow.size() > 1)
        std::printf("cost per row: %.0f ns at %d rows, %.0f ns at %d rows (linear: equal)\n", perRow.front(),
                    sizes.front(), perRow.back(), sizes.back());

    // A full style archive: every archived set holding values.
    {
        TOwned<TKvGridViewImpl> grid = MakeOwned<TKvGridViewImpl>(nullptr);
        for (TKvGridStyleBag* bag :
             std::initializer_list<TKvGridStyleBag*>{grid->GetStyles(), grid->GetPanel()->GetStyles(), grid->GetBody()->GetStyles(),
              grid->GetBody()->GetEmptyStyles(), grid->GetHeader()->GetStyles(), grid->GetHeader()->GetGroupStyles(),
              grid->GetFooter()->GetStyles(), grid->GetRowGroup()->GetHeaderStyles(),
              grid->GetRowGroup()->GetFooterStyles(), grid->GetIndicator()->GetStyles(),
              grid->GetCheckBar()->GetStyles(), grid->GetStatesBar()->GetStyles()}) {
            bag->SetValue(QStringLiteral("Background"), QStringLiteral("linear,#ff336699,#ffffffff,90"));
            bag->SetValue(QStringLiteral("Font"), QStringLiteral("DejaVu Sans,10,bold"));
            bag->SetValue(QStringLiteral("BorderBottom"), QStringLiteral("#ff808080,1"));
            bag->SetValue(QStringLiteral("TextAlignment"), QStringLiteral("AlignCenter"));
            bag->SetValue(QStringLiteral("PaddingLeft"), QStringLiteral("4"));
            bag->SetValue(QStringLiteral("Prefix"), QStringLiteral("합계 "));
        }
        TOwned<TKvGridViewImpl> target = MakeOwned<TKvGridViewImpl>(nullptr);
        TKvGridStylesJsonArchive archive;
        constexpr int runs = 200;
        QString text;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < runs; ++i)
            text = archive.SaveGrid(grid.get());
        const double save = double(t.nsecsElapsed()) / runs / 1e6;
        t.restart();
        for (int i = 0; i < runs; ++i)
            archive.LoadGrid(text, target.get());
        const double load = double(t.nsecsElapsed()) / runs / 1e6;
        std::printf("style archive (%lld bytes): save %.3f ms, load %.3f ms (target under 1 ms each)\n",
                    static_cast<long long>(text.size()), save, load);
    }
    std::printf("process cpu time: %.2f s\n", CpuSeconds());
    LoadAverage();
    return 0;
}
