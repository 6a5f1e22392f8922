// The demo's grid: columns, groups, styles, footer and row groups over the generated table.
#pragma once

#include "components/KvGrids.Vantrel.h"
#include "grid/KvGrids.Loaders.h"
#include "grid/KvGrids.Renderers.h"
#include "model/KvGrids.Data.Simple.h"

namespace demo {

// Owns the table and the top-level grid over it: grouping panel on, grouped by region,
// filter handles with their drop-down, sortable headers and movable columns.
class TDemoGrid
{
public:
    explicit TDemoGrid(int Rows);
    ~TDemoGrid();
    TDemoGrid(const TDemoGrid&) = delete;
    TDemoGrid& operator=(const TDemoGrid&) = delete;

    kv::TKvVantrel* Grid() const { return FGrid.get(); }
    kv::TKvSimpleDataProvider* Table() const { return FTable.get(); }
    // Milliseconds spent generating the table and binding it to the grid.
    qint64 GetFillTime() const { return FFillTime; }
    qint64 GetBindTime() const { return FBindTime; }

private:
    void AddColumns();
    void AddStyles();
    void AddFilters();

    kv::TOwned<kv::TKvSimpleDataProvider> FTable;
    kv::TOwned<kv::TKvSimpleImageLoader> FPictures;
    kv::TOwned<kv::TKvBarCellRenderer> FBar;
    kv::TOwned<kv::TKvCheckCellRenderer> FCheck;
    kv::TOwned<kv::TKvImageCellRenderer> FImage;
    kv::TOwned<kv::TKvVantrel> FGrid;
    qint64 FFillTime = 0;
    qint64 FBindTime = 0;
};

} // namespace demo
