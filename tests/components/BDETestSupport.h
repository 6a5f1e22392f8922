// A SQLite table of people with a dataset, a data source and a dataset provider over it.
#pragma once

#include "components/KvGrids.Data.BDE.h"
#include "model/ModelTestSupport.h"
#include "platform/data/DataSet.h"

namespace kvtest {

using namespace kv;

inline const char* const kPeople =
    "CREATE TABLE people(id INTEGER PRIMARY KEY, name TEXT NOT NULL, age INTEGER, score REAL,"
    " born DATE, misc);"
    "INSERT INTO people(name, age, score, born, misc) VALUES"
    " ('Ann', 30, 1.5, '2001-02-03', x'00ff'), ('Bob', 40, 2.5, NULL, 7),"
    " ('Cid', 50, 4.0, 20200101, 'm'), ('Dan', 60, 8.0, NULL, NULL);";

// A database with the people table, a dataset over it, a data source and a provider.
struct TPeople
{
    TOwned<TSQLiteDatabase> Db{MakeOwned<TSQLiteDatabase>(nullptr)};
    TOwned<TSQLiteDataSet> Set{MakeOwned<TSQLiteDataSet>(nullptr)};
    TOwned<TDataSource> Source{MakeOwned<TDataSource>(nullptr)};
    TOwned<TKvBDEDataProvider> Provider{MakeOwned<TKvBDEDataProvider>(nullptr)};
    TDataRecorder Recorder;

    explicit TPeople(const QString& file = QStringLiteral(":memory:"), bool create = true)
    {
        Db->Open(file);
        if (create)
            Db->ExecSQL(QString::fromUtf8(kPeople));
        Set->SetDatabase(Db.get());
        Set->SetTableName(QStringLiteral("people"));
        Source->SetDataSet(Set.get());
        Provider->SetDataSource(Source.get());
        Provider->AddListener(&Recorder);
    }
    ~TPeople() { Provider->RemoveListener(&Recorder); }

    // The table as stored, read by a second dataset.
    QStringList Stored(const QString& column)
    {
        TOwned<TSQLiteDataSet> check(MakeOwned<TSQLiteDataSet>(nullptr));
        check->SetDatabase(Db.get());
        check->SetTableName(QStringLiteral("people"));
        check->Open();
        QStringList out;
        for (check->First(); !check->Eof(); check->Next())
            out << check->FieldByName(column)->GetAsString();
        return out;
    }
};

} // namespace kvtest
