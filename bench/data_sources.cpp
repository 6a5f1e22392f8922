// Data sources at a million rows.
//  - CSV: a file of 1,000,000 rows by 10 fields of Korean and Latin text (about 107 MB),
//    written to disk once and read from disk by every run. Load (create, load, free), load
//    and read every cell through GetData(...).ToString() and through GetData(...).AsString()
//    (freeing the provider included), sort by the numeric
//    field through the default item provider, an unchanged save (checked byte-identical).
//    Floors: the file read and split into lines; the file read, split into lines and fields
//    and every field decoded to a QString; the file's bytes written through QSaveFile. Each
//    save starts after a sync.
//    Peak memory of load and save is measured in a child process (this program run with
//    --peak): the peak resident size minus the resident size before, as a multiple of the file.
//  - Typed column store: appending 1,000,000 rows by 8 fields, a range sum over every row,
//    removing 100,000 scattered rows. Peer: an in-memory SQLite table (C API) filled with the
//    same rows by a prepared insert in one transaction, summed, and thinned by rowid.
#include "BenchData.h"
#include "model/KvGrids.Data.Files.h"
#include "model/KvGrids.Data.Vantrel.h"
#include "model/KvGrids.Model.Default.h"
#include "platform/rtl/DateUtils.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QCryptographicHash>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QSaveFile>
#include <QtCore/QTemporaryDir>
#include <cstring>
#include <fstream>
#include <numeric>
#include <sqlite3.h>
#include <unistd.h>

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

// The rise of the peak resident size over the size before, in bytes, of running fn.
template <typename F>
qint64 PeakRise(F&& fn)
{
    std::ofstream("/proc/self/clear_refs") << "5"; // the high-water mark back to the current size
    const qint64 before = StatusKb("VmRSS");
    fn();
    return (StatusKb("VmHWM") - before) * 1024;
}

// --- the CSV file -------------------------------------------------------------------------

struct TCsvFixture
{
    QTemporaryDir Dir;
    QString Path;
    qint64 Size = 0;
    QByteArray Hash;
    // Loaded once, for the sort and the save.
    TOwned<TKvCsvDataProvider> Provider;
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

QByteArray FileHash(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&file);
    return hash.result();
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
    f.Hash = FileHash(f.Path);
    // Written back now, so that no timed run pays for it.
    ::sync();
    return f;
}

TOwned<TKvCsvDataProvider> NewCsv(const QString& path)
{
    TOwned<TKvCsvDataProvider> p = MakeOwned<TKvCsvDataProvider>(nullptr);
    p->SetAutoLoad(false);
    p->SetAutoSave(false);
    p->SetTypeLine(1);
    p->SetFileName(path);
    return p;
}

TKvCsvDataProvider& Loaded()
{
    TCsvFixture& f = Csv();
    if (!f.Provider) {
        f.Provider = NewCsv(f.Path);
        f.Provider->Load();
    }
    return *f.Provider;
}

// Create, load, free.
void BM_CsvLoad(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    int rows = 0;
    for (auto _ : state) {
        TOwned<TKvCsvDataProvider> p = NewCsv(f.Path);
        p->Load();
        rows = p->GetRowCount();
    }
    state.SetBytesProcessed(state.iterations() * f.Size);
    state.counters["rows"] = rows;
}

// The floor of the load: the file read and split into lines.
void BM_BareReadSplit(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    size_t count = 0;
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
        count = lines.size();
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(state.iterations() * f.Size);
    state.counters["lines"] = static_cast<double>(count);
}

// Create, load, read every cell, free: through ToString, as a caller that takes any value as
// text does, or through AsString, for a caller that knows the cells are text.
template <bool ByToString>
void CsvLoadAndReadAll(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    qint64 chars = 0;
    for (auto _ : state) {
        chars = 0;
        TOwned<TKvCsvDataProvider> p = NewCsv(f.Path);
        p->Load();
        const int rows = p->GetRowCount(), fields = p->GetFieldCount();
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < fields; ++c)
                if constexpr (ByToString)
                    chars += p->GetData(r, c).ToString().size();
                else
                    chars += p->GetData(r, c).AsString().size();
    }
    state.counters["chars"] = static_cast<double>(chars);
}

void BM_CsvLoadAndReadAll(benchmark::State& state) { CsvLoadAndReadAll<true>(state); }
void BM_CsvLoadAndReadAllAsString(benchmark::State& state) { CsvLoadAndReadAll<false>(state); }

// The floor of a load with every cell read: the file read, split into lines and every line
// into its fields, each decoded to a QString.
void BM_BareReadSplitDecode(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    qint64 chars = 0;
    for (auto _ : state) {
        chars = 0;
        QFile file(f.Path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        const char* p = bytes.constData();
        const char* end = p + bytes.size();
        int line = 0;
        while (p < end) {
            const auto* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            const char* stop = nl ? nl : end;
            const char* lineEnd = stop - (stop > p && stop[-1] == '\r' ? 1 : 0);
            // The header and type lines are not cells.
            if (line++ < 2) {
                p = stop + 1;
                continue;
            }
            while (p <= lineEnd) {
                const auto* comma = static_cast<const char*>(std::memchr(p, ',', static_cast<size_t>(lineEnd - p)));
                const char* valueEnd = comma ? comma : lineEnd;
                chars += QString::fromUtf8(p, valueEnd - p).size();
                p = valueEnd + 1;
            }
            p = stop + 1;
        }
    }
    state.counters["chars"] = static_cast<double>(chars);
}

// Sorts by the numeric amount field; checks that the order is by value, not by text.
void BM_CsvSortNumeric(benchmark::State& state)
{
    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    items->SetDataSource(&Loaded());
    bool byValue = true;
    for (auto _ : state) {
        items->OrderBy({4}, {SortAscending}, false);
        benchmark::DoNotOptimize(items->GetItem(0));
        state.PauseTiming();
        for (int i = 1; i < items->GetItemCount() && byValue; i += 997)
            byValue = items->GetData(i - 1, 4).AsString().toDouble() <= items->GetData(i, 4).AsString().toDouble();
        items->OrderBy({}, {}, false);
        state.ResumeTiming();
    }
    state.counters["ordered_by_value"] = byValue ? 1 : 0;
    items->SetDataSource(nullptr);
}

void BM_CsvSaveUnchanged(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    TKvCsvDataProvider& p = Loaded();
    for (auto _ : state) {
        // Every run starts with no dirty pages, so that none pays for the writeback of another.
        state.PauseTiming();
        ::sync();
        state.ResumeTiming();
        p.Save();
    }
    f.Identical = FileHash(f.Path) == f.Hash;
    state.SetBytesProcessed(state.iterations() * f.Size);
    state.counters["identical"] = f.Identical ? 1 : 0;
}

// The floor of the save: the file's bytes, in memory, written through QSaveFile.
void BM_BareSave(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    QFile in(f.Path);
    in.open(QIODevice::ReadOnly);
    const QByteArray bytes = in.readAll();
    const QString path = f.Dir.filePath(QStringLiteral("copy.csv"));
    for (auto _ : state) {
        state.PauseTiming();
        ::sync();
        state.ResumeTiming();
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
            state.SkipWithError("cannot write");
    }
    state.SetBytesProcessed(state.iterations() * f.Size);
}

// In the child process: the peak rise of a load ("load"), of an unchanged save after a load
// ("save") or of the load's floor ("floor"), printed in bytes.
int PeakChild(const QString& what, const QString& path)
{
    qint64 rise = 0;
    if (what == QLatin1String("floor")) {
        rise = PeakRise([&] {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            const QByteArray bytes = file.readAll();
            std::vector<QByteArrayView> lines;
            lines.reserve(static_cast<size_t>(bytes.size() / 64));
            for (qsizetype at = 0; at < bytes.size();) {
                qsizetype nl = bytes.indexOf('\n', at);
                if (nl < 0)
                    nl = bytes.size();
                lines.emplace_back(bytes.constData() + at, nl - at);
                at = nl + 1;
            }
            benchmark::DoNotOptimize(lines.data());
        });
    } else {
        TOwned<TKvCsvDataProvider> p = NewCsv(path);
        const qint64 load = PeakRise([&] { p->Load(); });
        rise = what == QLatin1String("save") ? PeakRise([&] { p->Save(); }) : load;
    }
    std::printf("%lld\n", static_cast<long long>(rise));
    return 0;
}

double PeakTimesFile(const QString& what)
{
    const TCsvFixture& f = Csv();
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peak"), what, f.Path});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return -1;
    return child.readAllStandardOutput().trimmed().toDouble() / static_cast<double>(f.Size);
}

// --- the typed column store ---------------------------------------------------------------

struct TStoreFixture
{
    TOwned<TKvVantrelDataProvider> Store;
    std::vector<int> AllRows;
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

void NewStore(TStoreFixture& f)
{
    f.Store = MakeOwned<TKvVantrelDataProvider>(nullptr);
    TKvVantrelDataFieldCollection* fields = f.Store->GetFields();
    const TKvVantrelDataType types[] = {vdtText, vdtBool, vdtByte, vdtInt16, vdtInt, vdtInt64, vdtFloat, vdtDate};
    for (int k = 0; k < 8; ++k)
        fields->Add(QStringLiteral("f%1").arg(k), types[k]);
}

void FillStore(TStoreFixture& f)
{
    for (int i = 0; i < kRows; ++i)
        f.Store->AppendRow(StoreRow(i, StoreText(i)));
    f.AllRows.resize(kRows);
    std::iota(f.AllRows.begin(), f.AllRows.end(), 0);
}

void BM_StoreAppend(benchmark::State& state)
{
    TStoreFixture& f = Store();
    for (auto _ : state) {
        state.PauseTiming();
        NewStore(f);
        state.ResumeTiming();
        FillStore(f);
    }
}

void BM_StoreRangeSum(benchmark::State& state)
{
    TStoreFixture& f = Store();
    if (!f.Store) {
        NewStore(f);
        FillStore(f);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(f.Store->GetRangeSum(6, f.AllRows));
}

// Every run removes from a store of all the rows.
void BM_StoreRemoveScattered(benchmark::State& state)
{
    TStoreFixture& f = Store();
    TKvIntegerArray rows;
    for (int i = 0; i < kRows; i += 10)
        rows.push_back(i);
    for (auto _ : state) {
        state.PauseTiming();
        NewStore(f);
        FillStore(f);
        state.ResumeTiming();
        f.Store->RemoveRows(rows);
    }
    state.counters["rows_left"] = f.Store->GetRowCount();
}

// The same rows in an in-memory SQLite table, through the C API.
struct TSqliteFixture
{
    sqlite3* Db = nullptr;
    ~TSqliteFixture() { sqlite3_close(Db); }
};

TSqliteFixture& Sqlite()
{
    static TSqliteFixture f;
    return f;
}

// Runs one statement without results; false (and the error on the state) on failure.
bool Exec(benchmark::State& state, sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    state.SkipWithError(sqlite3_errmsg(db));
    return false;
}

sqlite3_stmt* Prepare(benchmark::State& state, sqlite3* db, const char* sql)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        state.SkipWithError(sqlite3_errmsg(db));
    return stmt;
}

bool NewTable(benchmark::State& state, TSqliteFixture& f)
{
    sqlite3_close(f.Db);
    f.Db = nullptr;
    sqlite3_open(":memory:", &f.Db);
    return Exec(state, f.Db, "CREATE TABLE t(a TEXT, b INT, c INT, d INT, e INT, f INT, g REAL, h REAL)");
}

// A prepared insert of every row inside one transaction.
bool FillTable(benchmark::State& state, TSqliteFixture& f)
{
    static const std::vector<QByteArray> texts = [] {
        std::vector<QByteArray> t;
        for (int k = 0; k < 1000; ++k)
            t.push_back(StoreText(k).toUtf8());
        return t;
    }();
    sqlite3_stmt* insert = Prepare(state, f.Db, "INSERT INTO t VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    if (!insert || !Exec(state, f.Db, "BEGIN"))
        return false;
    for (int i = 0; i < kRows; ++i) {
        const QByteArray& text = texts[static_cast<size_t>(i % 1000)];
        sqlite3_bind_text(insert, 1, text.constData(), static_cast<int>(text.size()), SQLITE_STATIC);
        sqlite3_bind_int(insert, 2, i % 2 == 0);
        sqlite3_bind_int(insert, 3, i % 256);
        sqlite3_bind_int(insert, 4, i % 30000);
        sqlite3_bind_int(insert, 5, i);
        sqlite3_bind_int64(insert, 6, static_cast<sqlite3_int64>(i) * 1000003);
        sqlite3_bind_double(insert, 7, i * 0.25);
        sqlite3_bind_double(insert, 8, 45000 + i % 3650);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            state.SkipWithError(sqlite3_errmsg(f.Db));
            sqlite3_finalize(insert);
            return false;
        }
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    return Exec(state, f.Db, "COMMIT");
}

void BM_SqliteAppend(benchmark::State& state)
{
    TSqliteFixture& f = Sqlite();
    for (auto _ : state) {
        state.PauseTiming();
        if (!NewTable(state, f))
            return;
        state.ResumeTiming();
        if (!FillTable(state, f))
            return;
    }
}

void BM_SqliteRangeSum(benchmark::State& state)
{
    TSqliteFixture& f = Sqlite();
    if (!f.Db && (!NewTable(state, f) || !FillTable(state, f)))
        return;
    sqlite3_stmt* sum = Prepare(state, f.Db, "SELECT sum(g) FROM t");
    if (!sum)
        return;
    for (auto _ : state) {
        sqlite3_step(sum);
        benchmark::DoNotOptimize(sqlite3_column_double(sum, 0));
        sqlite3_reset(sum);
    }
    sqlite3_finalize(sum);
}

// The rows the store removes (every tenth from the first), deleted by rowid in one
// transaction; every run deletes from a table of all the rows.
void BM_SqliteDeleteScattered(benchmark::State& state)
{
    TSqliteFixture& f = Sqlite();
    for (auto _ : state) {
        state.PauseTiming();
        if (!NewTable(state, f) || !FillTable(state, f))
            return;
        sqlite3_stmt* del = Prepare(state, f.Db, "DELETE FROM t WHERE rowid = ?");
        state.ResumeTiming();
        if (!del || !Exec(state, f.Db, "BEGIN"))
            return;
        for (int i = 0; i < kRows; i += 10) {
            sqlite3_bind_int64(del, 1, i + 1);
            sqlite3_step(del);
            sqlite3_reset(del);
        }
        sqlite3_finalize(del);
        if (!Exec(state, f.Db, "COMMIT"))
            return;
    }
    sqlite3_stmt* count = Prepare(state, f.Db, "SELECT count(*) FROM t");
    if (count && sqlite3_step(count) == SQLITE_ROW)
        state.counters["rows_left"] = static_cast<double>(sqlite3_column_int64(count, 0));
    sqlite3_finalize(count);
}

KV_BENCHMARK(BM_CsvLoad)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_BareReadSplit)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_CsvLoadAndReadAll)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_CsvLoadAndReadAllAsString)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_BareReadSplitDecode)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_CsvSortNumeric)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_CsvSaveUnchanged)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_BareSave)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_StoreAppend)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_SqliteAppend)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_StoreRangeSum)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_SqliteRangeSum)->Unit(benchmark::kMillisecond);
KV_BENCHMARK(BM_StoreRemoveScattered)->Unit(benchmark::kMillisecond)->Iterations(1);
KV_BENCHMARK(BM_SqliteDeleteScattered)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--peak") == 0)
        return PeakChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto has = [&reporter](const char* name) { return reporter.Find(name) > 0; };
    if (has("BM_CsvLoad") || has("BM_CsvLoadAndReadAll") || has("BM_CsvLoadAndReadAllAsString") ||
        has("BM_CsvSaveUnchanged")) {
        const TCsvFixture& csv = Csv();
        std::printf("CSV file: %.1f MB\n", static_cast<double>(csv.Size) / 1e6);
        reporter.PrintRatio("BM_CsvLoad", "BM_BareReadSplit");
        reporter.PrintRatio("BM_CsvLoadAndReadAll", "BM_BareReadSplitDecode");
        reporter.PrintRatio("BM_CsvLoadAndReadAllAsString", "BM_BareReadSplitDecode");
        reporter.PrintRatio("BM_CsvSaveUnchanged", "BM_BareSave");
        if (has("BM_CsvSaveUnchanged"))
            std::printf("CSV unchanged save byte-identical: %s\n", csv.Identical ? "yes" : "NO");
        std::printf("CSV peak memory (child process, rise over the size before): load %.2fx, save %.2fx the file; "
                    "the load's floor %.2fx\n",
                    PeakTimesFile(QStringLiteral("load")), PeakTimesFile(QStringLiteral("save")),
                    PeakTimesFile(QStringLiteral("floor")));
    }
    reporter.PrintRatio("BM_StoreAppend", "BM_SqliteAppend");
    reporter.PrintRatio("BM_StoreRangeSum", "BM_SqliteRangeSum");
    reporter.PrintRatio("BM_StoreRemoveScattered", "BM_SqliteDeleteScattered");
    std::fflush(stdout);
    Csv().Provider.reset();
    benchmark::Shutdown();
    return 0;
}
