// The dataset-link provider over a 1,000,000-row SQLite file table: opening the dataset
// (which reads every record, fills the link's buffer and tells the provider) and posting one
// changed row through the provider's UpdateRow, beside the floor: a bare prepared
// "SELECT rowid, * FROM t" stepping loop that keeps every record in memory (numbers as they
// are, texts decoded into QStrings) and the same change posted plainly in one transaction
// (an UPDATE by rowid, then the row read back). Two tables: short Latin names, and names as
// users have them (Korean and Latin text of varying length, some NULL). The dataset is closed
// and the floor's records dropped outside the timing, alike.
#include "BenchData.h"
#include "components/KvGrids.Data.BDE.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QTemporaryDir>
#include <sqlite3.h>

using namespace kv;
using namespace kvbench;

namespace {

constexpr int kRows = 1000000;
constexpr int kPostedRow = 500000;

struct TTable
{
    QString File;
    TOwned<TSQLiteDatabase> Db{MakeOwned<TSQLiteDatabase>(nullptr)};
    TOwned<TSQLiteDataSet> Set{MakeOwned<TSQLiteDataSet>(nullptr)};
    TOwned<TDataSource> Source{MakeOwned<TDataSource>(nullptr)};
    TOwned<TKvBDEDataProvider> Provider{MakeOwned<TKvBDEDataProvider>(nullptr)};

    TTable(const QString& file, const QString& names) : File(file)
    {
        Db->Open(File);
        Db->ExecSQL(QStringLiteral(
            "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER, price REAL);"
            "INSERT INTO t(name, qty, price) WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c"
            " WHERE x < %1) SELECT %2, x % 1000, x * 0.25 FROM c;").arg(kRows).arg(names));
        Set->SetDatabase(Db.get());
        Set->SetTableName(QStringLiteral("t"));
        Source->SetDataSet(Set.get());
        Provider->SetDataSource(Source.get());
    }
};

struct TShared
{
    QTemporaryDir Dir;
    TTable Tables[2] = {
        TTable(Dir.filePath(QStringLiteral("plain.db")), QStringLiteral("'name ' || x")),
        TTable(Dir.filePath(QStringLiteral("users.db")),
               QStringLiteral("CASE WHEN x % 17 = 0 THEN NULL WHEN x % 3 = 0 THEN '서울특별시 ' || x || ' 번지'"
                              " WHEN x % 3 = 1 THEN 'Café ' || x ELSE substr('a longer Latin name of a customer', 1,"
                              " 8 + x % 20) || x END"))};
};

TShared& Shared()
{
    static TShared shared;
    return shared;
}

void BM_DataLinkOpenAndPost(benchmark::State& state)
{
    TTable& t = Shared().Tables[state.range(0)];
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        t.Set->Close();
        state.ResumeTiming();
        t.Set->Open();
        t.Provider->UpdateRow(kPostedRow, {Variant(kPostedRow + 1), Variant(QStringLiteral("posted %1").arg(++n))});
    }
    if (t.Provider->GetRowCount() != kRows ||
        t.Provider->GetData(kPostedRow, 1).ToString() != QStringLiteral("posted %1").arg(n))
        state.SkipWithError("wrong row count or post");
}

// Every record as the floor keeps it.
struct TBareRecords
{
    std::vector<std::int64_t> RowIds, Ids, Qtys;
    std::vector<QString> Names;
    std::vector<double> Prices;
    void Clear()
    {
        RowIds.clear(), Ids.clear(), Qtys.clear(), Names.clear(), Prices.clear();
    }
};

void BM_BareSelectAndPost(benchmark::State& state)
{
    TTable& t = Shared().Tables[state.range(0)];
    sqlite3* db = nullptr;
    sqlite3_open_v2(t.File.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    TBareRecords records;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        records.Clear();
        state.ResumeTiming();
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT rowid, * FROM t", -1, &stmt, nullptr);
        records.RowIds.reserve(kRows), records.Ids.reserve(kRows), records.Qtys.reserve(kRows);
        records.Names.reserve(kRows), records.Prices.reserve(kRows);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            records.RowIds.push_back(sqlite3_column_int64(stmt, 0));
            records.Ids.push_back(sqlite3_column_int64(stmt, 1));
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2));
            records.Names.push_back(QString::fromUtf8(text, sqlite3_column_bytes(stmt, 2)));
            records.Qtys.push_back(sqlite3_column_int64(stmt, 3));
            records.Prices.push_back(sqlite3_column_double(stmt, 4));
        }
        sqlite3_finalize(stmt);
        // The post: one UPDATE in one transaction, then the row as stored.
        const QByteArray name = QStringLiteral("posted %1").arg(++n).toUtf8();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db, "UPDATE t SET id=?, name=? WHERE rowid=?", -1, &stmt, nullptr);
        const std::int64_t rowId = records.RowIds[kPostedRow];
        sqlite3_bind_int64(stmt, 1, kPostedRow + 1);
        sqlite3_bind_text(stmt, 2, name.constData(), static_cast<int>(name.size()), SQLITE_STATIC);
        sqlite3_bind_int64(stmt, 3, rowId);
        sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db, "SELECT rowid, * FROM t WHERE rowid=?", -1, &stmt, nullptr);
        sqlite3_bind_int64(stmt, 1, rowId);
        if (sqlite3_step(stmt) == SQLITE_ROW) {
            records.Ids[kPostedRow] = sqlite3_column_int64(stmt, 1);
            records.Names[kPostedRow] = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)),
                                                          sqlite3_column_bytes(stmt, 2));
        }
        sqlite3_finalize(stmt);
    }
    if (records.Names.size() != kRows || records.Names[kPostedRow] != QStringLiteral("posted %1").arg(n))
        state.SkipWithError("the floor did not read or post");
    sqlite3_close(db);
}

KV_BENCHMARK(BM_DataLinkOpenAndPost)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
KV_BENCHMARK(BM_BareSelectAndPost)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    RunAndPrintRatios(&argc, argv,
                      {{"BM_DataLinkOpenAndPost/0", "BM_BareSelectAndPost/0"},
                       {"BM_DataLinkOpenAndPost/1", "BM_BareSelectAndPost/1"}});
    return 0;
}
