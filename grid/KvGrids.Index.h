// Cell addresses of a grid view: the cell index with its navigation over the column tree,
// the cell range, and the current-cell accessor.
#pragma once

#include "grid/KvGrids.Columns.h"

#include <QtCore/QString>

namespace kv {

class TKvGridView;
class TKvGridItem;

// (grid, item index, column); a value, copied and never owned.
struct TKvGridCellIndex
{
    TKvGridView* Grid = nullptr;
    int ItemIndex = -1;
    TKvGridColumn* Column = nullptr;

    TKvGridCellIndex() = default;
    TKvGridCellIndex(TKvGridView* grid, int itemIndex, TKvGridColumn* column)
        : Grid(grid), ItemIndex(itemIndex), Column(column)
    {
    }
    // (the column's grid, -1, column).
    explicit TKvGridCellIndex(TKvGridColumn* column);

    static TKvGridCellIndex Create(TKvGridView* grid, int itemIndex, TKvGridColumn* column)
    {
        return TKvGridCellIndex(grid, itemIndex, column);
    }
    // Takes the grid from the column; raises EArgumentNilException "column is nil".
    static TKvGridCellIndex Create(int itemIndex, TKvGridColumn* column);
    // The empty index (nil, -1, nil).
    static TKvGridCellIndex Null() { return TKvGridCellIndex(); }
    static TKvGridCellIndex Def() { return TKvGridCellIndex(); }

    // Equal item index and column; the grid is not compared.
    friend bool operator==(const TKvGridCellIndex& a, const TKvGridCellIndex& b)
    {
        return a.ItemIndex == b.ItemIndex && a.Column == b.Column;
    }
    // Item index first, then the column's display index.
    friend bool operator<(const TKvGridCellIndex& a, const TKvGridCellIndex& b);
    friend bool operator>(const TKvGridCellIndex& a, const TKvGridCellIndex& b) { return b < a; }
    friend bool operator<=(const TKvGridCellIndex& a, const TKvGridCellIndex& b) { return a < b || a == b; }
    friend bool operator>=(const TKvGridCellIndex& a, const TKvGridCellIndex& b) { return b < a || a == b; }

    TKvGridDataColumn* GetDataColumn() const;
    TKvGridItem* GetItem() const;
    int GetColumnIndex() const { return Column ? Column->GetDisplayIndex() : -1; }
    int GetDataField() const;
    QString GetFieldName() const;
    int GetDataRow() const;

    bool IsValid(const TKvGridView* grid) const;
    // An area object (header or footer) and a column.
    bool IsValid(const TObject* area) const { return area && Column; }
    bool IsNull() const { return ItemIndex < 0 && !Column; }

    // Derived copies; the index itself is unchanged.
    TKvGridCellIndex Normalize() const;
    // ItemIndex + delta clamped to the items (0 .. count - 1).
    TKvGridCellIndex ItemBy(int delta) const;
    TKvGridCellIndex FirstItem() const;
    TKvGridCellIndex LastItem() const;
    TKvGridCellIndex FirstColumn() const;
    TKvGridCellIndex LastColumn() const;
    TKvGridCellIndex RightColumn() const;
    TKvGridCellIndex LeftColumn() const;
    TKvGridCellIndex NextColumn() const;
    TKvGridCellIndex PrevColumn() const;
    TKvGridCellIndex UpperColumn() const;
    TKvGridCellIndex LowerColumn() const;
    bool IsTop() const;
    bool IsBottom() const;

    // "(I:" item ", C:" display index ")".
    QString ToString() const;

private:
    int ItemCount() const;
    TKvGridCellIndex WithItem(int itemIndex) const { return TKvGridCellIndex(Grid, itemIndex, Column); }
    TKvGridCellIndex WithColumn(TKvGridColumn* column) const { return TKvGridCellIndex(Grid, ItemIndex, column); }
    TKvGridCellIndex Neighbour(bool forward, bool horizontalOnly) const;
};

// Rows R1..R2 and columns C1..C2, C1 being the leftmost in the layout.
struct TKvGridRange
{
    int R1 = -1;
    int R2 = -1;
    TKvGridColumn* C1 = nullptr;
    TKvGridColumn* C2 = nullptr;

    TKvGridRange() = default;
    TKvGridRange(int r1, int r2, TKvGridColumn* c1, TKvGridColumn* c2) : R1(r1), R2(r2), C1(c1), C2(c2) {}
    // The one-cell range.
    TKvGridRange(const TKvGridCellIndex& index)
        : R1(index.ItemIndex), R2(index.ItemIndex), C1(index.Column), C2(index.Column)
    {
    }
    // The range spanned by two corners in any drag direction: rows in order, columns in
    // layout order.
    static TKvGridRange Create(const TKvGridCellIndex& a, const TKvGridCellIndex& b);

    // Equal rows; the columns are not compared.
    friend bool operator==(const TKvGridRange& a, const TKvGridRange& b) { return a.R1 == b.R1 && a.R2 == b.R2; }
    friend bool operator<(const TKvGridRange& a, const TKvGridRange& b);
    friend bool operator>(const TKvGridRange& a, const TKvGridRange& b) { return b < a; }
    friend bool operator<=(const TKvGridRange& a, const TKvGridRange& b) { return a < b || a == b; }
    friend bool operator>=(const TKvGridRange& a, const TKvGridRange& b) { return b < a || a == b; }

    bool IsValid(const TKvGridView* grid) const;
    bool Contains(int itemIndex, const TKvGridColumn* column) const;
    bool Contains(const TKvGridCellIndex& index) const { return Contains(index.ItemIndex, index.Column); }
    bool Contains(const TKvGridRange& range) const;
    // True when the two ranges share a cell.
    bool Intersects(const TKvGridRange& range) const;
};

// The grid's focused cell, read and written through the grid.
class TKvGridCurrent : public TComponent
{
public:
    // Raises Exception "owner is nil" for a nil grid.
    explicit TKvGridCurrent(TKvGridView* grid);

    TKvGridView* GetGrid() const { return FGrid; }
    TKvGridCellIndex GetIndex() const;
    void SetIndex(const TKvGridCellIndex& value);
    int GetItemIndex() const;
    void SetItemIndex(int value);
    TKvGridColumn* GetColumn() const;
    void SetColumn(TKvGridColumn* value);
    int GetColumnIndex() const;
    int GetDataField() const;
    QString GetFieldName() const;
    TKvGridItem* GetItem() const;
    TKvGridItemProvider* GetItemSource() const;
    int GetDataRow() const;
    // Focuses the item showing the data row (clamped to the rows), keeping the column; no
    // item when the provider has no rows.
    void SetDataRow(int value);

    Variant GetValue() const;
    void SetValue(const Variant& value);
    Variant GetColumnValue(const TKvGridDataColumn* column) const;
    void SetColumnValue(const TKvGridDataColumn* column, const Variant& value);
    Variant GetFieldValue(const QString& fieldName) const;
    void SetFieldValue(const QString& fieldName, const Variant& value);

protected:
    friend class TKvGridView;
    virtual void DoChanging(const TKvGridCellIndex& index) {}
    virtual void DoChanged() {}

private:
    int RequireField(const QString& fieldName) const;

    TKvGridView* FGrid;
};

} // namespace kv
