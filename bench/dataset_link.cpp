// The dataset-link provider over a 1,000,000-row SQLite table: opening the dataset (which
// fills the link's buffer and tells the provider) and posting one row, beside a bare
// "SELECT rowid, *" stepping loop over the same table that reads every column.
#include "BenchData.h"
#include "components/KvGrids.Data.BDE.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QTemporaryDir>
#include <sqlite3.h>

using namespace kv;
using namespace kvbench;

namespace {

constexpr int kRows = 1000000;

struct TShared
{
    QTemporaryDir Dir;
    QString File = Dir.filePath(QStringLiteral("bench.db"));
    TOwned<TSQLiteDatabase> Db{MakeOwned<TSQLiteDatabase>(nullptr)};
    TOwned<TSQLiteDataSet> Set{MakeOwned<TSQLiteDataSet>(nullptr)};
    TOwned<TDataSource> Source{MakeOwned<TDataSource>(nullptr)};
    TOwned<TKvBDEDataProvider> Provider{MakeOwned<TKvBDEDataProvider>(nullptr)};

    TShared()
    {
        Db->Open(File);
        Db->ExecSQL(QStringLiteral(
            "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER, price REAL);"
            "INSERT INTO t(name, qty, price) WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c"
            " WHERE x < %1) SELECT 'name ' || x, x % 1000, x * 0.25 FROM c;").arg(kRows));
        Set->SetDatabase(Db.get());
        Set->SetTableName(QStringLiteral("t"));
        Source->SetDataSet(Set.get());
        Provider->SetDataSource(Source.get());
    }
};

TShared& Shared()
{
    static TShared shared;
    return shared;
}

void BM_DataLinkOpenAndPost(benchmark::State& state)
{
    TShared& s = Shared();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.Set->Close();
        state.ResumeTiming();
        s.Set->Open();
        s.Provider->UpdateRow(500000, {Variant(500001), Variant(QStringLiteral("posted %1").arg(++n))});
    }
    if (s.Provider->GetRowCount() != kRows)
        state.SkipWithError("wrong row count");
}

void BM_BareSelectStep(benchmark::State& state)
{
    TShared& s = Shared();
    sqlite3* db = nullptr;
    sqlite3_open_v2(s.File.toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT rowid, * FROM t", -1, &stmt, nullptr);
        std::int64_t sum = 0;
        size_t bytes = 0;
        double total = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            sum += sqlite3_column_int64(stmt, 0) + sqlite3_column_int64(stmt, 1) + sqlite3_column_int64(stmt, 3);
            bytes += static_cast<size_t>(sqlite3_column_bytes(stmt, 2));
            benchmark::DoNotOptimize(sqlite3_column_text(stmt, 2));
            total += sqlite3_column_double(stmt, 4);
        }
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(bytes);
        benchmark::DoNotOptimize(total);
    }
    sqlite3_close(db);
}

BENCHMARK(BM_DataLinkOpenAndPost)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_BareSelectStep)->Unit(benchmark::kMillisecond)->Iterations(8);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.Find("BM_DataLinkOpenAndPost"), bare = reporter.Find("BM_BareSelectStep");
    if (ours > 0 && bare > 0)
        std::printf("BM_DataLinkOpenAndPost takes %.2fx the time of BM_BareSelectStep (target 2x)\n", ours / bare);
    benchmark::Shutdown();
    return 0;
}
