// Stand-alone items and cells: they drive cell renderers without a grid behind them.
#pragma once

#include "grid/KvGrids.Index.h"
#include "grid/KvGrids.Renderer.h"
#include "model/KvGrids.Model.h"

namespace kv {

class TKvGridViewStyles;

// An item that shows the data row it is given.
class TKvGridItemMock : public TKvGridItem
{
public:
    // Raises Exception "Provider is null" without a provider.
    TKvGridItemMock(TKvGridItemProvider* Provider, int DataIndex) : TKvGridItem(Provider), FDataIndex(DataIndex) {}

    int GetDataRow() const override { return FDataIndex; }
    void SetDataIndex(int Value) { FDataIndex = Value; }

private:
    int FDataIndex;
};

// A cell with a fixed index, item and value; its styles (not owned) are nil unless set.
class TKvGridCellMock : public TKvGridCell
{
public:
    TKvGridCellMock(const TKvGridCellIndex& Index, TKvGridItem* Item, const Variant& Value)
        : FIndex(Index), FItem(Item), FValue(Value)
    {
    }

    TKvGridCellIndex GetIndex() const override { return FIndex; }
    TKvGridItem* GetItem() const override { return FItem; }
    Variant GetValue() const override { return FValue; }
    // The value's text.
    QString GetDisplayText() const override;
    TKvGridViewStyles* GetStyles() const override { return FStyles; }

    void SetIndex(const TKvGridCellIndex& Value) { FIndex = Value; }
    void SetItem(TKvGridItem* Value) { FItem = Value; }
    void SetValue(const Variant& Value) { FValue = Value; }
    void SetStyles(TKvGridViewStyles* Value) { FStyles = Value; }

private:
    TKvGridCellIndex FIndex;
    TKvGridItem* FItem;
    Variant FValue;
    TKvGridViewStyles* FStyles = nullptr;
};

} // namespace kv
