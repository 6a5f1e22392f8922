// Data sources at a million rows.
//  - CSV: a generated file of 1,000,000 rows by 10 fields of Korean and Latin text (about
//    100 MB): load, sort by the numeric field through the default item provider, an unchanged
//    save (checked byte-identical), and the peak memory of load and save as a multiple of the
//    file. Peers: a bare QFile::readAll with line splitting (the floor), and the sqlite3
//    shell importing the same file into an in-memory table.
//  - Typed column store: appending 1,000,000 rows by 8 fields, a range sum over every row,
//    removing 100,000 scattered rows. Peer: an in-memory SQLite table (sqlite3 shell) filled
//    with the same rows, summed and thinned the same way.
#include "BenchData.h"
#include "model/KvGrids.Data.Files.h"
#include "model/KvGrids.Data.Vantrel.h"
#include "model/KvGrids.Model.Default.h"
#include "platform/rtl/DateUtils.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QCryptographicHash>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <cstring>
#include <fstream>
#include <numeric>

using namespace kv;
using namespace kvbench;

namespace {

constexpr int kRows = 1000000;

// --- process memory -----------------------------------------------------------------------

qint64 StatusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0 && line[n] == ':')
            return std::stoll(line.substr(n + 1));
    return 0;
}

// Starts a new peak: the high-water mark goes back to the current size.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Bytes the peak rose above the size at the start (the largest of the iterations is kept).
struct TPeak
{
    qint64 Start = StatusKb("VmRSS");
    TPeak() { ResetPeak(); }
    qint64 Rise() const { return (StatusKb("VmHWM") - Start) * 1024; }
};

// --- the CSV file -------------------------------------------------------------------------

struct TCsvFixture
{
    QTemporaryDir Dir;
    QString Path;
    qint64 Size = 0;
    QByteArray Hash;
    TOwned<TKvCsvDataProvider> Provider;
    double LoadPeak = 0, SavePeak = 0;
    bool Identical = false;
};

QString Hangul(std::mt19937& rng, int syllables)
{
    std::uniform_int_distribution<int> d(0xAC00, 0xD7A3);
    QString s;
    for (int i = 0; i < syllables; ++i)
        s.append(QChar(d(rng)));
    return s;
}

TCsvFixture& Csv()
{
    static TCsvFixture f;
    if (!f.Path.isEmpty())
        return f;
    f.Path = f.Dir.filePath(QStringLiteral("data.csv"));
    QFile file(f.Path);
    file.open(QIODevice::WriteOnly);
    const QStringList cities = {"서울", "부산", "대구", "인천", "광주", "대전", "울산", "세종", "수원", "창원"};
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> num(0, 999999);
    QByteArray chunk = "id,name,city,email,amount,qty,day,code,note,flag\r\nN,T,T,T,N,N,D,T,T,B\r\n";
    for (int i = 0; i < kRows; ++i) {
        const int n = num(rng);
        const QString row = QStringLiteral("%1,%2,%3,user%4@example.com,%5.%6,%7,2024-%8-%9,KV-%10-%11,%12 note %13,%14\r\n")
                                .arg(i)
                                .arg(Hangul(rng, 3), cities[n % 10])
                                .arg(n)
                                .arg(n % 100000)
                                .arg(n % 100, 2, 10, QLatin1Char('0'))
                                .arg(n % 500)
                                .arg(n % 12 + 1, 2, 10, QLatin1Char('0'))
                                .arg(n % 28 + 1, 2, 10, QLatin1Char('0'))
                                .arg(Hangul(rng, 2))
                                .arg(n % 9000 + 1000)
                                .arg(Hangul(rng, 3))
                                .arg(n % 1000)
                                .arg(n % 2);
        chunk.append(row.toUtf8());
        if (chunk.size() > (4 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    file.close();
    f.Size = QFileInfo(f.Path).size();
    QFile again(f.Path);
    again.open(QIODevice::ReadOnly);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&again);
    f.Hash = hash.result();
    return f;
}

TOwned<TKvCsvDataProvider> NewCsv()
{
    TOwned<TKvCsvDataProvider> p = MakeOwned<TKvCsvDataProvider>(nullptr);
    p->SetAutoLoad(false);
    p->SetAutoSave(false);
    p->SetTypeLine(1);
    p->SetFileName(Csv().Path);
    return p;
}

void BM_CsvLoad(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    for (auto _ : state) {
        state.PauseTiming();
        f.Provider.reset();
        TOwned<TKvCsvDataProvider> p = NewCsv();
        TPeak peak;
        state.ResumeTiming();
        p->Load();
        state.PauseTiming();
        f.LoadPeak = std::max(f.LoadPeak, static_cast<double>(peak.Rise()) / static_cast<double>(f.Size));
        f.Provider = std::move(p);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * f.Size);
    state.counters["rows"] = f.Provider->GetRowCount();
    state.counters["peak_x_file"] = f.LoadPeak;
}

void BM_CsvSortNumeric(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    items->SetDataSource(f.Provider.get());
    for (auto _ : state) {
        items->OrderBy({4}, {SortAscending}, false);
        benchmark::DoNotOptimize(items->GetItem(0));
        state.PauseTiming();
        items->OrderBy({}, {}, false);
        state.ResumeTiming();
    }
    items->SetDataSource(nullptr);
}

void BM_CsvSaveUnchanged(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    for (auto _ : state) {
        state.PauseTiming();
        TPeak peak;
        state.ResumeTiming();
        f.Provider->Save();
        state.PauseTiming();
        f.SavePeak = std::max(f.SavePeak, static_cast<double>(peak.Rise()) / static_cast<double>(f.Size));
        state.ResumeTiming();
    }
    QFile file(f.Path);
    file.open(QIODevice::ReadOnly);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&file);
    f.Identical = hash.result() == f.Hash;
    state.SetBytesProcessed(state.iterations() * f.Size);
    state.counters["identical"] = f.Identical ? 1 : 0;
    state.counters["peak_x_file"] = f.SavePeak;
}

// The floor: the whole file read and split into lines.
void BM_BareReadSplit(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    for (auto _ : state) {
        QFile file(f.Path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        std::vector<QByteArrayView> lines;
        lines.reserve(static_cast<size_t>(bytes.size() / 64));
        const char* p = bytes.constData();
        const char* end = p + bytes.size();
        while (p < end) {
            const auto* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            const char* stop = nl ? nl : end;
            lines.emplace_back(p, stop - p - (stop > p && stop[-1] == '\r' ? 1 : 0));
            p = stop + 1;
        }
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(state.iterations() * f.Size);
}

// Runs the sqlite3 shell on a script; answers the wall time in seconds and the output.
double RunSqlite(const QString& script, QString* output)
{
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (shell.isEmpty())
        return -1;
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(shell, {QStringLiteral(":memory:")});
    process.write(script.toUtf8());
    process.closeWriteChannel();
    process.waitForFinished(-1);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return seconds;
}

void BM_SqliteShellImport(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    for (auto _ : state) {
        QString out;
        const double seconds = RunSqlite(QStringLiteral(".mode csv\n.import %1 t\nSELECT count(*) FROM t;\n").arg(f.Path), &out);
        if (seconds < 0) {
            state.SkipWithError("sqlite3 shell not found");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["rows"] = out.trimmed().toDouble();
    }
    state.SetBytesProcessed(state.iterations() * f.Size);
}

// --- the typed column store ---------------------------------------------------------------

struct TStoreFixture
{
    TOwned<TKvVantrelDataProvider> Store;
    std::vector<int> AllRows;
    double SqliteFill = 0, SqliteSum = 0, SqliteRemove = 0;
};

TStoreFixture& Store()
{
    static TStoreFixture f;
    return f;
}

TKvGridDataRow StoreRow(int i, const QString& text)
{
    return {text, i % 2 == 0, i % 256, i % 30000, i, static_cast<qint64>(i) * 1000003, i * 0.25,
            Variant::DateTime(45000 + i % 3650)};
}

const QString& StoreText(int i)
{
    static const std::vector<QString> texts = [] {
        std::vector<QString> t;
        for (int k = 0; k < 1000; ++k)
            t.push_back(QStringLiteral("항목-%1").arg(k));
        return t;
    }();
    return texts[static_cast<size_t>(i % 1000)];
}

void BM_StoreAppend(benchmark::State& state)
{
    TStoreFixture& f = Store();
    for (auto _ : state) {
        state.PauseTiming();
        f.Store = MakeOwned<TKvVantrelDataProvider>(nullptr);
        TKvVantrelDataFieldCollection* fields = f.Store->GetFields();
        const TKvVantrelDataType types[] = {vdtText, vdtBool, vdtByte, vdtInt16, vdtInt, vdtInt64, vdtFloat, vdtDate};
        for (int k = 0; k < 8; ++k)
            fields->Add(QStringLiteral("f%1").arg(k), types[k]);
        state.ResumeTiming();
        for (int i = 0; i < kRows; ++i)
            f.Store->AppendRow(StoreRow(i, StoreText(i)));
    }
    f.AllRows.resize(kRows);
    std::iota(f.AllRows.begin(), f.AllRows.end(), 0);
}

void BM_StoreRangeSum(benchmark::State& state)
{
    TStoreFixture& f = Store();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.Store->GetRangeSum(6, f.AllRows));
}

void BM_StoreRemoveScattered(benchmark::State& state)
{
    TStoreFixture& f = Store();
    TKvIntegerArray rows;
    for (int i = 0; i < kRows; i += 10)
        rows.push_back(i);
    for (auto _ : state)
        f.Store->RemoveRows(rows);
    state.counters["rows_left"] = f.Store->GetRowCount();
}

// The same rows in an in-memory SQLite table: filled by the shell's import of a CSV file of
// them (its fastest bulk path), summed, and thinned by 100,000 scattered rows.
void BM_SqliteStore(benchmark::State& state)
{
    TStoreFixture& f = Store();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rows.csv"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QByteArray chunk;
        for (int i = 0; i < kRows; ++i) {
            QStringList texts;
            for (const Variant& v : StoreRow(i, StoreText(i)))
                texts << (v.IsDateTime() ? QString::number(v.AsDouble()) : v.ToString());
            chunk += texts.join(QLatin1Char(',')).toUtf8() + '\n';
            if (chunk.size() > (4 << 20)) {
                file.write(chunk);
                chunk.clear();
            }
        }
        file.write(chunk);
    }
    const double startup = RunSqlite(QStringLiteral("SELECT 1;\n"), nullptr);
    if (startup < 0) {
        state.SkipWithError("sqlite3 shell not found");
        return;
    }
    for (auto _ : state) {
        QString out;
        const double total = RunSqlite(
            QStringLiteral(".mode csv\nCREATE TABLE t(a TEXT, b INT, c INT, d INT, e INT, f INT, g REAL, h REAL);\n"
                           ".import %1 t\n.timer on\nSELECT sum(g) FROM t;\nDELETE FROM t WHERE rowid % 10 = 1;\n")
                .arg(path),
            &out);
        static const QRegularExpression timeLine(QStringLiteral("Run Time: real ([0-9.]+)"));
        std::vector<double> times;
        for (auto it = timeLine.globalMatch(out); it.hasNext();)
            times.push_back(it.next().captured(1).toDouble());
        f.SqliteSum = times.size() > 0 ? times[0] : 0;
        f.SqliteRemove = times.size() > 1 ? times[1] : 0;
        f.SqliteFill = total - startup - f.SqliteSum - f.SqliteRemove;
        state.SetIterationTime(total);
    }
    state.counters["fill_ms"] = f.SqliteFill * 1000;
    state.counters["sum_ms"] = f.SqliteSum * 1000;
    state.counters["remove_ms"] = f.SqliteRemove * 1000;
}

BENCHMARK(BM_CsvLoad)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CsvSortNumeric)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CsvSaveUnchanged)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BareReadSplit)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SqliteShellImport)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
BENCHMARK(BM_StoreAppend)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_StoreRangeSum)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreRemoveScattered)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SqliteStore)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const TCsvFixture& csv = Csv();
    const auto ms = [&reporter](const char* name) { return reporter.Find(name); };
    const double load = ms("BM_CsvLoad"), bare = ms("BM_BareReadSplit"), import = ms("BM_SqliteShellImport");
    if (load > 0) {
        std::printf("CSV file: %.1f MB; load %.0f MB/s\n", csv.Size / 1e6, csv.Size / 1e6 / (load / 1e3));
        if (bare > 0)
            std::printf("CSV load takes %.2fx the time of the bare read and line split\n", load / bare);
        if (import > 0)
            std::printf("CSV load is %.1fx faster than the sqlite3 shell's import\n", import / load);
        std::printf("CSV peak memory: load %.2fx, save %.2fx the file; unchanged save byte-identical: %s\n",
                    csv.LoadPeak, csv.SavePeak, csv.Identical ? "yes" : "NO");
    }
    const TStoreFixture& store = Store();
    const double append = ms("BM_StoreAppend"), sum = ms("BM_StoreRangeSum"), remove = ms("BM_StoreRemoveScattered");
    if (store.SqliteFill > 0) {
        std::printf("Store append is %.1fx faster than filling the SQLite table\n", store.SqliteFill * 1e3 / append);
        std::printf("Store range sum is %.1fx faster than SQLite's sum\n", store.SqliteSum * 1e3 / sum);
        std::printf("Store scattered removal is %.1fx faster than SQLite's delete\n", store.SqliteRemove * 1e3 / remove);
    }
    benchmark::Shutdown();
    return 0;
}
