// Cell addresses: navigation of a cell index over the column tree, ranges, the current cell.
//
// Sections: TKvGridCellIndex (look-ups, item moves, column neighbours); TKvGridRange;
// TKvGridCurrent.
//
// Call flow: tools, selection and editing derive new indexes from the focused one; column
// neighbours ask the column tree first (GetRight, GetNext ...) and then scan the top-level
// columns. Ranges order their columns by the layout positions that the grid's column-index
// reset gives the data roots; nothing here searches the tree.
#include "grid/KvGrids.Index.h"

#include "grid/KvGrids.View.h"
#include "model/KvGrids.Model.h"

#include <algorithm>
#include <cstdint>

namespace kv {

namespace {

// Columns compare by the place of their data roots in the layout; -1 for none.
int LayoutKey(const TKvGridColumn* column) { return column ? column->GetLayoutPosition() : -1; }

int Clamp(std::int64_t value, int count)
{
    if (count <= 0)
        return -1;
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, count - 1));
}

// The group whose visible children are the index's top-level columns.
TKvGridColumnGroup* RootGroupOf(const TKvGridView* grid, const TKvGridColumn* column)
{
    if (grid)
        return grid->GetRootGroup();
    if (!column)
        return nullptr;
    return column->GetRoot()->GetParentGroup();
}

TKvGridColumn* EdgeLeaf(TKvGridColumn* column, bool first)
{
    if (auto* group = dynamic_cast<TKvGridColumnGroup*>(column))
        return first ? static_cast<TKvGridColumn*>(group->First()) : group->Last();
    return column;
}

} // namespace

// --- TKvGridCellIndex -----------------------------------------------------------------------

TKvGridCellIndex::TKvGridCellIndex(TKvGridColumn* column) : Grid(column ? column->GetGrid() : nullptr), Column(column) {}

TKvGridCellIndex TKvGridCellIndex::Create(int itemIndex, TKvGridColumn* column)
{
    if (!column)
        throw EArgumentNilException(QStringLiteral("column is nil"));
    return TKvGridCellIndex(column->GetGrid(), itemIndex, column);
}

bool operator<(const TKvGridCellIndex& a, const TKvGridCellIndex& b)
{
    if (a.ItemIndex != b.ItemIndex)
        return a.ItemIndex < b.ItemIndex;
    return a.GetColumnIndex() < b.GetColumnIndex();
}

TKvGridDataColumn* TKvGridCellIndex::GetDataColumn() const { return dynamic_cast<TKvGridDataColumn*>(Column); }

TKvGridItem* TKvGridCellIndex::GetItem() const
{
    TKvGridItemProvider* provider = Grid ? Grid->GetItemProvider() : nullptr;
    if (!provider || ItemIndex < 0 || ItemIndex >= provider->GetItemCount())
        return nullptr;
    return provider->GetItem(ItemIndex);
}

int TKvGridCellIndex::GetDataField() const
{
    const TKvGridDataColumn* column = GetDataColumn();
    return column ? column->GetDataIndex() : -1;
}

QString TKvGridCellIndex::GetFieldName() const
{
    const TKvGridDataColumn* column = GetDataColumn();
    if (!column)
        return QString();
    TKvGridItemProvider* provider = Grid ? Grid->GetItemProvider() : nullptr;
    TKvGridDataProvider* source = provider ? provider->GetDataSource() : nullptr;
    const int field = column->GetDataIndex();
    if (!source || field < 0 || field >= source->GetFieldCount())
        return column->GetFieldName();
    return source->GetFieldName(field);
}

int TKvGridCellIndex::GetDataRow() const
{
    const TKvGridItem* item = GetItem();
    return item ? item->GetDataRow() : -1;
}

int TKvGridCellIndex::ItemCount() const { return Grid ? Grid->GetItemCount() : 0; }

bool TKvGridCellIndex::IsValid(const TKvGridView* grid) const
{
    return grid && grid == Grid && ItemIndex >= 0 && ItemIndex < ItemCount() && Column;
}

TKvGridCellIndex TKvGridCellIndex::Normalize() const
{
    return Grid ? WithItem(Clamp(ItemIndex, ItemCount())) : *this;
}

TKvGridCellIndex TKvGridCellIndex::ItemBy(int delta) const
{
    return Grid ? WithItem(Clamp(std::int64_t(ItemIndex) + delta, ItemCount())) : *this;
}

TKvGridCellIndex TKvGridCellIndex::FirstItem() const { return Grid ? WithItem(0) : *this; }

TKvGridCellIndex TKvGridCellIndex::LastItem() const { return Grid ? WithItem(ItemCount() - 1) : *this; }

TKvGridCellIndex TKvGridCellIndex::FirstColumn() const
{
    TKvGridColumnGroup* root = RootGroupOf(Grid, Column);
    if (!root || root->VisibleCount() == 0)
        return *this;
    return WithColumn(EdgeLeaf(root->GetVisible(0), true));
}

TKvGridCellIndex TKvGridCellIndex::LastColumn() const
{
    TKvGridColumnGroup* root = RootGroupOf(Grid, Column);
    if (!root || root->VisibleCount() == 0)
        return *this;
    return WithColumn(EdgeLeaf(root->GetVisible(root->VisibleCount() - 1), false));
}

TKvGridCellIndex TKvGridCellIndex::Neighbour(bool forward, bool horizontalOnly) const
{
    if (!Column || Column->GetDisplayIndex() < 0)
        return *this;
    TKvGridColumn* found = nullptr;
    if (horizontalOnly)
        found = forward ? TKvGridColumnGroup::GetRight(Column) : TKvGridColumnGroup::GetLeft(Column);
    else
        found = forward ? TKvGridColumnGroup::GetNext(Column) : TKvGridColumnGroup::GetPrev(Column);
    if (found)
        return WithColumn(found);
    // Scan the top-level columns beyond the column's own top-level ancestor.
    const TKvGridColumn* top = Column->GetRoot();
    TKvGridColumnGroup* root = top->GetParentGroup();
    if (!root || top->GetDisplayIndex() < 0)
        return *this;
    const int step = forward ? 1 : -1;
    for (int p = top->GetDisplayIndex() + step; p >= 0 && p < root->VisibleCount(); p += step)
        if (TKvGridColumn* leaf = EdgeLeaf(root->GetVisible(p), forward))
            return WithColumn(leaf);
    return *this;
}

TKvGridCellIndex TKvGridCellIndex::RightColumn() const { return Neighbour(true, true); }
TKvGridCellIndex TKvGridCellIndex::LeftColumn() const { return Neighbour(false, true); }
TKvGridCellIndex TKvGridCellIndex::NextColumn() const { return Neighbour(true, false); }
TKvGridCellIndex TKvGridCellIndex::PrevColumn() const { return Neighbour(false, false); }

TKvGridCellIndex TKvGridCellIndex::UpperColumn() const
{
    return WithColumn(Column ? TKvGridColumnGroup::GetUpper(Column) : nullptr);
}

TKvGridCellIndex TKvGridCellIndex::LowerColumn() const
{
    return WithColumn(Column ? TKvGridColumnGroup::GetLower(Column) : nullptr);
}

bool TKvGridCellIndex::IsTop() const { return !Column || TKvGridColumnGroup::IsTop(Column); }

bool TKvGridCellIndex::IsBottom() const { return !Column || TKvGridColumnGroup::IsBottom(Column); }

QString TKvGridCellIndex::ToString() const
{
    return QStringLiteral("(I:%1, C:%2)").arg(ItemIndex).arg(GetColumnIndex());
}

// --- TKvGridRange ---------------------------------------------------------------------------

TKvGridRange TKvGridRange::Create(const TKvGridCellIndex& a, const TKvGridCellIndex& b)
{
    TKvGridRange range;
    range.R1 = std::min(a.ItemIndex, b.ItemIndex);
    range.R2 = std::max(a.ItemIndex, b.ItemIndex);
    const bool bFirst = LayoutKey(b.Column) < LayoutKey(a.Column);
    range.C1 = bFirst ? b.Column : a.Column;
    range.C2 = bFirst ? a.Column : b.Column;
    return range;
}

bool operator<(const TKvGridRange& a, const TKvGridRange& b)
{
    if (a.R1 != b.R1)
        return a.R1 < b.R1;
    return LayoutKey(a.C1) < LayoutKey(b.C1);
}

bool TKvGridRange::IsValid(const TKvGridView* grid) const
{
    if (!grid || !C1 || !C2)
        return false;
    const int items = grid->GetItemCount();
    const int columns = grid->GetVisibleColumnCount();
    const auto inside = [](int value, int count) { return value >= 0 && value < count; };
    return inside(R1, items) && inside(R2, items) && inside(C1->GetDisplayIndex(), columns) &&
           inside(C2->GetDisplayIndex(), columns);
}

bool TKvGridRange::Contains(int itemIndex, const TKvGridColumn* column) const
{
    const int key = LayoutKey(column);
    return itemIndex >= R1 && itemIndex <= R2 && key >= 0 && key >= LayoutKey(C1) && key <= LayoutKey(C2);
}

bool TKvGridRange::Contains(const TKvGridRange& range) const
{
    return Contains(range.R1, range.C1) && Contains(range.R2, range.C2);
}

bool TKvGridRange::Intersects(const TKvGridRange& range) const
{
    if (range.R1 > R2 || R1 > range.R2)
        return false;
    const int first = std::max(LayoutKey(C1), LayoutKey(range.C1));
    const int last = std::min(LayoutKey(C2), LayoutKey(range.C2));
    return first >= 0 && first <= last;
}

// --- TKvGridCurrent -------------------------------------------------------------------------

namespace {

TKvGridView* RequireGrid(TKvGridView* grid)
{
    if (!grid)
        throw Exception(QStringLiteral("owner is nil"));
    return grid;
}

} // namespace

TKvGridCurrent::TKvGridCurrent(TKvGridView* grid) : TComponent(RequireGrid(grid)), FGrid(grid) {}

TKvGridCellIndex TKvGridCurrent::GetIndex() const { return FGrid->GetFocusedIndex(); }

void TKvGridCurrent::SetIndex(const TKvGridCellIndex& value) { FGrid->SetFocusedIndex(value, true); }

int TKvGridCurrent::GetItemIndex() const { return GetIndex().ItemIndex; }

void TKvGridCurrent::SetItemIndex(int value)
{
    const TKvGridCellIndex index = GetIndex();
    if (value != index.ItemIndex)
        SetIndex(TKvGridCellIndex(FGrid, value, index.Column));
}

TKvGridColumn* TKvGridCurrent::GetColumn() const { return GetIndex().Column; }

void TKvGridCurrent::SetColumn(TKvGridColumn* value)
{
    const TKvGridCellIndex index = GetIndex();
    if (value != index.Column)
        SetIndex(TKvGridCellIndex(FGrid, index.ItemIndex, value));
}

int TKvGridCurrent::GetColumnIndex() const { return GetIndex().GetColumnIndex(); }
int TKvGridCurrent::GetDataField() const { return GetIndex().GetDataField(); }
QString TKvGridCurrent::GetFieldName() const { return GetIndex().GetFieldName(); }
TKvGridItem* TKvGridCurrent::GetItem() const { return GetIndex().GetItem(); }
TKvGridItemProvider* TKvGridCurrent::GetItemSource() const { return FGrid->GetItemProvider(); }
int TKvGridCurrent::GetDataRow() const { return GetIndex().GetDataRow(); }

void TKvGridCurrent::SetDataRow(int value)
{
    TKvGridItemProvider* provider = GetItemSource();
    if (!provider)
        return;
    TKvGridDataProvider* source = provider->GetDataSource();
    const int row = Clamp(value, source ? source->GetRowCount() : 0);
    const int item = row < 0 ? -1 : provider->ItemOfData(row);
    SetIndex(TKvGridCellIndex(FGrid, item, GetColumn()));
}

Variant TKvGridCurrent::GetValue() const
{
    const TKvGridCellIndex index = GetIndex();
    const int field = index.GetDataField();
    if (!index.GetItem() || field < 0)
        return Variant();
    return GetItemSource()->GetData(index.ItemIndex, field);
}

void TKvGridCurrent::SetValue(const Variant& value)
{
    TKvGridItemProvider* provider = GetItemSource();
    if (!provider)
        throw Exception(QStringLiteral("ItemSource is nil"));
    const TKvGridCellIndex index = GetIndex();
    const int field = index.GetDataField();
    if (field < 0)
        throw Exception(QStringLiteral("Column is a invalid DataColumn"));
    provider->SetData(index.ItemIndex, field, value);
}

Variant TKvGridCurrent::GetColumnValue(const TKvGridDataColumn* column) const
{
    const TKvGridCellIndex index = GetIndex();
    if (!column || column->GetDataIndex() < 0 || !index.GetItem())
        return Variant();
    return GetItemSource()->GetData(index.ItemIndex, column->GetDataIndex());
}

void TKvGridCurrent::SetColumnValue(const TKvGridDataColumn* column, const Variant& value)
{
    TKvGridItemProvider* provider = GetItemSource();
    if (!provider)
        throw Exception(QStringLiteral("ItemSource is nil"));
    if (!column)
        throw Exception(QStringLiteral("Column is not a DataColumn"));
    if (column->GetDataIndex() < 0)
        throw Exception(QStringLiteral("Column is a invalid DataColumn"));
    provider->SetData(GetItemIndex(), column->GetDataIndex(), value);
}

int TKvGridCurrent::RequireField(const QString& fieldName) const
{
    TKvGridItemProvider* provider = GetItemSource();
    if (!provider)
        throw Exception(QStringLiteral("ItemSource is nil"));
    TKvGridDataProvider* source = provider->GetDataSource();
    const int field = source ? source->GetFieldIndex(fieldName) : -1;
    if (field < 0)
        throw Exception(QStringLiteral("Field name is invalid: ") + fieldName);
    return field;
}

Variant TKvGridCurrent::GetFieldValue(const QString& fieldName) const
{
    const int field = RequireField(fieldName);
    const TKvGridCellIndex index = GetIndex();
    if (!index.GetItem())
        return Variant();
    return GetItemSource()->GetData(index.ItemIndex, field);
}

void TKvGridCurrent::SetFieldValue(const QString& fieldName, const Variant& value)
{
    const int field = RequireField(fieldName);
    GetItemSource()->SetData(GetItemIndex(), field, value);
}

} // namespace kv
