// Recording listeners and table builders for the model tests.
#pragma once

#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.h"

#include <QtCore/QStringList>

namespace kvtest {

using namespace kv;

// Records data notifications as text, e.g. "value 2,1".
class TDataRecorder : public TKvGridDataChangeListener
{
public:
    QStringList Events;
    std::function<void()> OnDispose;
    void OnDataDispose() override
    {
        Events << QStringLiteral("dispose");
        if (OnDispose)
            OnDispose();
    }
    void OnDataReset() override { Events << QStringLiteral("reset"); }
    void OnDataRefresh() override { Events << QStringLiteral("refresh"); }
    void OnDataRowStateChanged(int Row) override { Events << QStringLiteral("state %1").arg(Row); }
    void OnDataRowInserted(int Row) override { Events << QStringLiteral("inserted %1").arg(Row); }
    void OnDataRowRemoved(int Row) override { Events << QStringLiteral("removed %1").arg(Row); }
    void OnDataRowsRemoved(const TKvIntegerArray& Rows) override
    {
        QStringList rows;
        for (int r : Rows)
            rows << QString::number(r);
        Events << QStringLiteral("rows removed ") + rows.join(QLatin1Char(','));
    }
    void OnDataRowUpdated(int Row) override { Events << QStringLiteral("updated %1").arg(Row); }
    void OnDataValueChanged(int Row, int Field) override { Events << QStringLiteral("value %1,%2").arg(Row).arg(Field); }
};

// Records item notifications as text, e.g. "inserted 3".
class TItemRecorder : public TKvGridItemChangeListener
{
public:
    QStringList Events;
    void Reset() override { Events << QStringLiteral("reset"); }
    void Refresh() override { Events << QStringLiteral("refresh"); }
    void ItemInserted(int Index) override { Events << QStringLiteral("inserted %1").arg(Index); }
    void ItemDeleted(int Index) override { Events << QStringLiteral("deleted %1").arg(Index); }
    void ItemUpdated(int Index) override { Events << QStringLiteral("updated %1").arg(Index); }
    void ItemChecked(int Index) override { Events << QStringLiteral("checked %1").arg(Index); }
    void ItemStateChanged(int Index) override { Events << QStringLiteral("state %1").arg(Index); }
};

// A table with the given headers and types, filled row by row.
inline TOwned<TKvSimpleDataProvider> MakeTable(const QString& headers, const QString& types,
                                               const std::vector<TKvGridDataRow>& rows)
{
    TOwned<TKvSimpleDataProvider> table(Create<TKvSimpleDataProvider>(nullptr));
    table->InsertColumns(0, static_cast<int>(headers.split(QLatin1Char(',')).size()), headers, types);
    for (const TKvGridDataRow& row : rows)
        table->InsertRow(table->GetRowCount(), row);
    return table;
}

} // namespace kvtest
