// The demo's grid: columns, groups, styles, footer and row groups over the generated table.
#pragma once

#include "grid/KvGrids.Impl.h"
#include "grid/KvGrids.Layout.h"
#include "grid/KvGrids.Loaders.h"
#include "grid/KvGrids.Renderers.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Editing.h"
#include "model/KvGrids.Model.Proxy.Group.h"

namespace demo {

// The stock grid view, laid out with its row-group bar while the grouped provider groups.
class TDemoGridView : public kv::TKvGridViewImpl
{
public:
    explicit TDemoGridView(kv::TComponent* Owner) : kv::TKvGridViewImpl(Owner) {}
    void SetGrouping(kv::TKvGridGroupedItemProvider* Value) { FGrouping = Value; }
    kv::TKvGridGroupedItemProvider* GetGrouping() const { return FGrouping; }

protected:
    kv::TKvAbstractGridLayoutManager* CreateLayoutManager() override;

private:
    kv::TKvGridGroupedItemProvider* FGrouping = nullptr;
};

// Owns the table and the providers stacked on the grid's own default item provider:
// default -> grouped (by region) -> editable -> grid.
class TDemoGrid
{
public:
    explicit TDemoGrid(int Rows);
    ~TDemoGrid();
    TDemoGrid(const TDemoGrid&) = delete;
    TDemoGrid& operator=(const TDemoGrid&) = delete;

    TDemoGridView* Grid() const { return FGrid.get(); }
    kv::TKvSimpleDataProvider* Table() const { return FTable.get(); }
    // Milliseconds spent generating the table and binding it to the grid.
    qint64 GetFillTime() const { return FFillTime; }
    qint64 GetBindTime() const { return FBindTime; }

private:
    void AddColumns();
    void AddStyles();

    kv::TOwned<kv::TKvSimpleDataProvider> FTable;
    kv::TOwned<kv::TKvSimpleImageLoader> FPictures;
    kv::TOwned<kv::TKvBarCellRenderer> FBar;
    kv::TOwned<kv::TKvCheckCellRenderer> FCheck;
    kv::TOwned<kv::TKvImageCellRenderer> FImage;
    kv::TOwned<TDemoGridView> FGrid;
    kv::TOwned<kv::TKvGridGroupedItemProvider> FGrouped;
    kv::TOwned<kv::TKvGridEditableItemProvider> FEditable;
    qint64 FFillTime = 0;
    qint64 FBindTime = 0;
};

} // namespace demo
