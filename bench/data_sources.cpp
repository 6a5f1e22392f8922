// Data sources at a million rows.
//  - CSV: a generated file of 1,000,000 rows by 10 fields of Korean and Latin text (about
//    100 MB): load, sort by the numeric field through the default item provider, an unchanged
//    save (checked byte-identical), and the peak memory of load and save as a multiple of the
//    file; a load followed by reading every cell. Peers: a bare QFile::readAll with line
//    splitting (the load's floor), and the same with every field split out and decoded (the
//    floor of loading and reading every cell).
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
#include <QtCore/QTemporaryDir>
#include <cstring>
#include <fstream>
#include <numeric>
#include <sqlite3.h>

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

// A load, then every cell read once.
void BM_CsvLoadAndReadAll(benchmark::State& state)
{
    Csv();
    qint64 chars = 0;
    for (auto _ : state) {
        TOwned<TKvCsvDataProvider> p = NewCsv();
        p->Load();
        const int rows = p->GetRowCount(), fields = p->GetFieldCount();
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < fields; ++c)
                chars += p->GetData(r, c).StringUnchecked().size();
        state.PauseTiming();
        p.reset();
        state.ResumeTiming();
    }
    state.counters["chars"] = static_cast<double>(chars / std::max<qint64>(1, state.iterations()));
}

// Sorts by the numeric amount field; checks that the order is by value, not by text.
void BM_CsvSortNumeric(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    items->SetDataSource(f.Provider.get());
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

// The floor of a load with every cell read: the file read, split into lines and every line
// into its fields, each decoded to a string.
void BM_BareReadSplitDecode(benchmark::State& state)
{
    TCsvFixture& f = Csv();
    qint64 chars = 0;
    for (auto _ : state) {
        QFile file(f.Path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        const char* p = bytes.constData();
        const char* end = p + bytes.size();
        while (p < end) {
            const auto* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            const char* stop = nl ? nl : end;
            const char* lineEnd = stop - (stop > p && stop[-1] == '\r' ? 1 : 0);
            while (p <= lineEnd) {
                const auto* comma = static_cast<const char*>(std::memchr(p, ',', static_cast<size_t>(lineEnd - p)));
                const char* valueEnd = comma ? comma : lineEnd;
                chars += QString::fromUtf8(p, valueEnd - p).size();
                p = valueEnd + 1;
            }
            p = stop + 1;
        }
    }
    state.counters["chars"] = static_cast<double>(chars / std::max<qint64>(1, state.iterations()));
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

// A prepared insert of every row inside one transaction.
void BM_SqliteAppend(benchmark::State& state)
{
    TSqliteFixture& f = Sqlite();
    std::vector<QByteArray> texts;
    for (int k = 0; k < 1000; ++k)
        texts.push_back(StoreText(k).toUtf8());
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3_close(f.Db);
        f.Db = nullptr;
        sqlite3_open(":memory:", &f.Db);
        if (!Exec(state, f.Db, "CREATE TABLE t(a TEXT, b INT, c INT, d INT, e INT, f INT, g REAL, h REAL)"))
            return;
        state.ResumeTiming();
        sqlite3_stmt* insert = Prepare(state, f.Db, "INSERT INTO t VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        if (!insert || !Exec(state, f.Db, "BEGIN"))
            return;
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
                return;
            }
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        if (!Exec(state, f.Db, "COMMIT"))
            return;
    }
}

void BM_SqliteRangeSum(benchmark::State& state)
{
    TSqliteFixture& f = Sqlite();
    sqlite3_stmt* sum = f.Db ? Prepare(state, f.Db, "SELECT sum(g) FROM t") : nullptr;
    if (!sum) {
        state.SkipWithError("no table");
        return;
    }
    for (auto _ : state) {
        sqlite3_step(sum);
        benchmark::DoNotOptimize(sqlite3_column_double(sum, 0));
        sqlite3_reset(sum);
    }
    sqlite3_finalize(sum);
}

// The rows the store removes (every tenth from the first), deleted by rowid in one transaction.
void BM_SqliteDeleteScattered(benchmark::State& state)
{
    TSqliteFixture& f = Sqlite();
    sqlite3_stmt* del = f.Db ? Prepare(state, f.Db, "DELETE FROM t WHERE rowid = ?") : nullptr;
    if (!del) {
        state.SkipWithError("no table");
        return;
    }
    for (auto _ : state) {
        if (!Exec(state, f.Db, "BEGIN"))
            break;
        for (int i = 0; i < kRows; i += 10) {
            sqlite3_bind_int64(del, 1, i + 1);
            sqlite3_step(del);
            sqlite3_reset(del);
        }
        if (!Exec(state, f.Db, "COMMIT"))
            break;
    }
    sqlite3_finalize(del);
    sqlite3_stmt* count = Prepare(state, f.Db, "SELECT count(*) FROM t");
    if (count && sqlite3_step(count) == SQLITE_ROW)
        state.counters["rows_left"] = static_cast<double>(sqlite3_column_int64(count, 0));
    sqlite3_finalize(count);
}

BENCHMARK(BM_CsvLoad)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CsvSortNumeric)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CsvSaveUnchanged)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BareReadSplit)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CsvLoadAndReadAll)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_BareReadSplitDecode)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_StoreAppend)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_StoreRangeSum)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreRemoveScattered)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SqliteAppend)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SqliteRangeSum)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteDeleteScattered)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const TCsvFixture& csv = Csv();
    const auto ms = [&reporter](const char* name) { return reporter.Find(name); };
    const double load = ms("BM_CsvLoad"), bare = ms("BM_BareReadSplit");
    if (load > 0) {
        std::printf("CSV file: %.1f MB; load %.0f MB/s\n", csv.Size / 1e6, csv.Size / 1e6 / (load / 1e3));
        if (bare > 0)
            std::printf("CSV load takes %.2fx the time of the bare read and line split\n", load / bare);
        std::printf("CSV peak memory: load %.2fx, save %.2fx the file; unchanged save byte-identical: %s\n",
                    csv.LoadPeak, csv.SavePeak, csv.Identical ? "yes" : "NO");
        const double readAll = ms("BM_CsvLoadAndReadAll"), decoded = ms("BM_BareReadSplitDecode");
        if (readAll > 0 && decoded > 0)
            std::printf("CSV load and every cell read takes %.2fx the time of the bare read with every field decoded\n",
                        readAll / decoded);
        std::printf("CSV sort of the numeric field: %.0f ms\n", ms("BM_CsvSortNumeric"));
    }
    const double append = ms("BM_StoreAppend"), sum = ms("BM_StoreRangeSum"), remove = ms("BM_StoreRemoveScattered");
    const double sqlAppend = ms("BM_SqliteAppend"), sqlSum = ms("BM_SqliteRangeSum"), sqlDelete = ms("BM_SqliteDeleteScattered");
    if (append > 0 && sqlAppend > 0)
        std::printf("Store append is %.1fx faster than filling the SQLite table\n", sqlAppend / append);
    if (sum > 0 && sqlSum > 0)
        std::printf("Store range sum is %.1fx faster than SQLite's sum\n", sqlSum / sum);
    if (remove > 0 && sqlDelete > 0)
        std::printf("Store scattered removal is %.1fx faster than SQLite's delete\n", sqlDelete / remove);
    benchmark::Shutdown();
    return 0;
}
