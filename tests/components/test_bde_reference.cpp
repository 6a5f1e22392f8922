// The dataset provider over SQLite against a plain sqlite3 SELECT on random rows: every value
// read through the provider is the value (and kind) SQLite holds, after an open and after posts.
#include "BDETestSupport.h"
#include "TestSupport.h"

#include <QtCore/QTemporaryDir>
#include <random>
#include <sqlite3.h>

using namespace kv;
using namespace kvtest;

namespace {

// The rows as a plain SELECT reads them: integers, doubles, Null, texts (blobs as Latin-1).
std::vector<std::vector<Variant>> PlainSelect(const QString& file)
{
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT * FROM t ORDER BY rowid", -1, &stmt, nullptr), SQLITE_OK);
    std::vector<std::vector<Variant>> rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::vector<Variant> row;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER: row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(stmt, c))); break;
            case SQLITE_FLOAT: row.emplace_back(sqlite3_column_double(stmt, c)); break;
            case SQLITE_NULL: row.push_back(Variant::Null()); break;
            case SQLITE_BLOB: {
                const QByteArray bytes(static_cast<const char*>(sqlite3_column_blob(stmt, c)), sqlite3_column_bytes(stmt, c));
                row.emplace_back(QString::fromLatin1(bytes));
                break;
            }
            default: {
                const QByteArray text(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)), sqlite3_column_bytes(stmt, c));
                row.emplace_back(QString::fromUtf8(text));
                break;
            }
            }
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

void ExpectSameRows(const TKvBDEDataProvider& p, const std::vector<std::vector<Variant>>& rows, const char* when)
{
    SCOPED_TRACE(when);
    ASSERT_EQ(p.GetRowCount(), static_cast<int>(rows.size()));
    for (int r = 0; r < p.GetRowCount(); ++r) {
        ASSERT_EQ(p.GetFieldCount(), static_cast<int>(rows[size_t(r)].size()));
        for (int f = 0; f < p.GetFieldCount(); ++f) {
            const Variant got = p.GetData(r, f);
            const Variant& want = rows[size_t(r)][size_t(f)];
            ASSERT_EQ(got.Kind(), want.Kind()) << "row " << r << " field " << f << ": " << got.ToString().toStdString();
            ASSERT_EQ(got, want) << "row " << r << " field " << f;
        }
    }
}

QString RandomText(std::mt19937& rng)
{
    static const char* const pieces[] = {"",      "a",          "Ann",  "\xea\xb9\x80\xec\xb2\xa0\xec\x88\x98",
                                         "Caf\xc3\xa9", "\xf0\x9f\x98\x80", " x ", "quote ' and \"",
                                         "12",    "-3.5",       "tab\tline\n"};
    QString text;
    for (unsigned n = rng() % 3; n > 0; --n)
        text += QString::fromUtf8(pieces[rng() % std::size(pieces)]);
    return text;
}

// An SQL literal of any kind: what the columns' affinities make of it is SQLite's business.
QString RandomLiteral(std::mt19937& rng)
{
    switch (rng() % 7) {
    case 0: return QStringLiteral("NULL");
    case 1: return QString::number(static_cast<qint64>(rng()) * static_cast<qint64>(rng() % 5000000) - 3000000000000LL);
    case 2: return QString::number((static_cast<double>(rng()) - 2e9) / 7.0, 'g', 17);
    case 3: return QStringLiteral("x'00ff41'");
    default: return QLatin1Char('\'') + RandomText(rng).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
    }
}

} // namespace

TEST(BDEProvider, RandomRowsReadAsAPlainSelectAndPostsReadBack)
{
    QTemporaryDir dir;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const QString file = dir.filePath(QStringLiteral("t%1.db").arg(seed));
        TOwned<TSQLiteDatabase> db(MakeOwned<TSQLiteDatabase>(nullptr));
        db->Open(file);
        // No waiting for the disk on each commit.
        db->ExecSQL(QStringLiteral("PRAGMA synchronous=OFF"));
        QString sql = QStringLiteral("BEGIN; CREATE TABLE t(id INTEGER PRIMARY KEY, i INTEGER, r REAL, s TEXT, n NUMERIC, b);");
        for (int row = 0; row < 300; ++row) {
            QStringList literals;
            for (int c = 0; c < 5; ++c)
                literals << RandomLiteral(rng);
            sql += QStringLiteral("INSERT INTO t(i, r, s, n, b) VALUES(%1);").arg(literals.join(QLatin1Char(',')));
        }
        db->ExecSQL(sql + QStringLiteral("COMMIT;"));
        TOwned<TSQLiteDataSet> set(MakeOwned<TSQLiteDataSet>(nullptr));
        TOwned<TDataSource> source(MakeOwned<TDataSource>(nullptr));
        TOwned<TKvBDEDataProvider> provider(MakeOwned<TKvBDEDataProvider>(nullptr));
        set->SetDatabase(db.get());
        set->SetTableName(QStringLiteral("t"));
        source->SetDataSet(set.get());
        provider->SetDataSource(source.get());
        set->Open();
        ExpectSameRows(*provider, PlainSelect(file), "opened");

        // Posts of values each field takes, and appended rows; the dataset holds what was stored.
        for (int post = 0; post < 25; ++post) {
            const int row = static_cast<int>(rng() % static_cast<unsigned>(provider->GetRowCount()));
            TKvGridDataRow values{provider->GetData(row, 0),
                                  rng() % 4 ? Variant(static_cast<std::int64_t>(rng()) - 2000000000) : Variant::Null(),
                                  Variant((static_cast<double>(rng()) - 2e9) / 3.0), Variant(RandomText(rng)),
                                  rng() % 2 ? Variant(RandomText(rng)) : Variant(static_cast<std::int64_t>(rng() % 100)),
                                  Variant(RandomText(rng))};
            if (post % 5 == 4) {
                values[0] = Variant::Null();
                provider->InsertRow(provider->GetRowCount(), values);
            } else {
                provider->UpdateRow(row, values);
            }
        }
        ExpectSameRows(*provider, PlainSelect(file), "posted");
        set->Close();
        set->Open();
        ExpectSameRows(*provider, PlainSelect(file), "opened again");
    }
}
