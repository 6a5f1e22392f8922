// Helpers of the item-provider tests, over the shared model test support.
#pragma once

#include "ModelTestSupport.h"

namespace kvtest {

// An item recorder whose events can be taken as a batch.
class TRecorder : public TItemRecorder
{
public:
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

// The values of one field over the items ("-" for items without a data row).
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
