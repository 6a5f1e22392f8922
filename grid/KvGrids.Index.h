// Cell addresses of the grid: a cell index (grid, item index, column).
#pragma once

namespace kv {

class TKvGridView;
class TKvGridColumn;

struct TKvGridCellIndex
{
    TKvGridView* Grid = nullptr;
    int ItemIndex = -1;
    TKvGridColumn* Column = nullptr;

    static TKvGridCellIndex Null() { return {}; }
    bool IsNull() const { return ItemIndex < 0 && Column == nullptr; }
    friend bool operator==(const TKvGridCellIndex&, const TKvGridCellIndex&) = default;
};

} // namespace kv
