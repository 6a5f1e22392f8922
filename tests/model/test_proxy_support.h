// Shared helpers of the item-provider tests: a table builder and recording listeners.
#pragma once

#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.h"

#include <QtCore/QStringList>
#include <memory>
#include <ostream>

namespace kvtest {

using namespace kv;

// A simple provider with the columns of Headers/Types and the given rows.
inline std::unique_ptr<TKvSimpleDataProvider> MakeTable(const QString& Headers, const QString& Types,
                                                        const std::vector<TKvGridDataRow>& Rows)
{
    auto table = std::make_unique<TKvSimpleDataProvider>(nullptr);
    const int count = static_cast<int>(Headers.split(QLatin1Char(',')).size());
    table->InsertColumns(0, count, Headers, Types);
    table->BeginUpdate();
    for (const auto& row : Rows)
        table->InsertRow(table->GetRowCount(), row);
    table->EndUpdate(false);
    return table;
}

// Records item notifications as text: "Reset", "Refresh", "Inserted(3)" ...
class TRecorder : public TKvGridItemChangeListener
{
public:
    QStringList Events;
    void Reset() override { Events << "Reset"; }
    void Refresh() override { Events << "Refresh"; }
    void ItemInserted(int Index) override { Events << QStringLiteral("Inserted(%1)").arg(Index); }
    void ItemDeleted(int Index) override { Events << QStringLiteral("Deleted(%1)").arg(Index); }
    void ItemUpdated(int Index) override { Events << QStringLiteral("Updated(%1)").arg(Index); }
    void ItemChecked(int Index) override { Events << QStringLiteral("Checked(%1)").arg(Index); }
    void ItemStateChanged(int Index) override { Events << QStringLiteral("StateChanged(%1)").arg(Index); }
    QStringList Take()
    {
        QStringList out = Events;
        Events.clear();
        return out;
    }
};

// The data rows of a provider's items in order (-1 for items without one).
inline std::vector<int> DataRows(const TKvGridItemProvider& Provider)
{
    std::vector<int> rows;
    for (int i = 0; i < Provider.GetItemCount(); ++i)
        rows.push_back(Provider.GetItem(i)->GetDataRow());
    return rows;
}

// The values of one field over the items (unassigned for items without a data row).
inline QStringList Texts(const TKvGridItemProvider& Provider, int Field)
{
    QStringList out;
    for (int i = 0; i < Provider.GetItemCount(); ++i) {
        const TKvGridItem* item = Provider.GetItem(i);
        out << (item->GetDataRow() >= 0 ? item->GetData(Field).ToString() : QStringLiteral("-"));
    }
    return out;
}

} // namespace kvtest
