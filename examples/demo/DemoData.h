// The demo's table: rows generated from their row number, filled one column at a time.
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace kv {
class TKvSimpleDataProvider;
}

namespace demo {

enum TDemoField
{
    FieldNo,
    FieldRegion,
    FieldNameKo,
    FieldNameEn,
    FieldCity,
    FieldOrdered,
    FieldQuantity,
    FieldPrice,
    FieldAmount,
    FieldProgress,
    FieldPaid,
    FieldPhoto,
    FieldCount
};

// The table's field names, in TDemoField order.
const QStringList& FieldNames();

// The keys of the image column's pictures ("p0".."p5").
QStringList PhotoKeys();

// Fills an empty table with Rows generated rows. Regions come in runs of equal values, so
// grouping by region needs no sort.
void FillTable(kv::TKvSimpleDataProvider* Table, int Rows);

} // namespace demo
