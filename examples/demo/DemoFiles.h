// The demo's file options: a style archive loaded into the grid, the grid exported as a workbook.
#pragma once

#include <QtCore/QString>

namespace kv {
class TKvGridView;
}

namespace demo {

// Loads a style archive (".vts") into the grid; false, with the reason on standard error,
// when it cannot.
bool LoadStyles(kv::TKvGridView* Grid, const QString& Path);
// Writes the rows the grid shows as a spreadsheet workbook (XML Spreadsheet 2003); false,
// with the reason on standard error, when it cannot.
bool ExportWorkbook(kv::TKvGridView* Grid, const QString& Path);

} // namespace demo
