#include "grid/KvGrids.Runtime.Grid.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Renderer.h"
#include "model/KvGrids.Model.h"
#include "platform/rtl/SysUtils.h"

#include <initializer_list>

namespace kv {

namespace {

int DataIndexOf(const TKvGridColumn* column)
{
    auto* data = dynamic_cast<const TKvGridDataColumn*>(column);
    return data ? data->GetDataIndex() : -1;
}

Variant TextLength(const Variant& value) { return Variant(static_cast<int>(value.ToString().size())); }

// Registers the names under the keys 0, 1, 2, ... in order.
void AddIdents(TKvExpressionRuntime* runtime, std::initializer_list<const char*> names)
{
    int key = 0;
    for (const char* name : names)
        runtime->AddIdent(key++, QLatin1String(name));
}

} // namespace

Variant ItemValueOf(const TKvGridItem* item, const Variant& field)
{
    if (!item)
        return Variant();
    int index = -1;
    if (field.IsNumeric()) {
        index = field.ToInt();
    } else {
        TKvGridDataProvider* source = item->GetDataSource();
        index = source ? source->GetFieldIndex(field.ToString()) : -1;
    }
    return item->GetData(index);
}

bool KnowsDataCellIdentifier(const QString& Name)
{
    static const TOwned<TKvDataCellExpressionRuntime> runtime = MakeOwned<TKvDataCellExpressionRuntime>();
    int key = -1;
    return runtime->IsIdentifier(Name, key, false);
}

bool KnowsDataRowIdentifier(const QString& Name)
{
    static const TOwned<TKvDataRowExpressionRuntime> runtime = MakeOwned<TKvDataRowExpressionRuntime>();
    int key = -1;
    return runtime->IsIdentifier(Name, key, false);
}

// ---- data cell -------------------------------------------------------------------------

TKvDataCellExpressionRuntime::TKvDataCellExpressionRuntime()
{
    AddIdents(this, {"value", "prev", "row", "datarow", "index", "column", "checked", "len"});
}

Variant TKvDataCellExpressionRuntime::EvaluateIdent(int Key)
{
    if (Key < IdValue || Key > IdLen)
        return TKvExpressionRuntime::EvaluateIdent(Key);
    if (!FCell)
        return Variant();
    const TKvGridCellIndex index = FCell->GetIndex();
    TKvGridItem* item = FCell->GetItem();
    switch (Key) {
    case IdValue:
    case IdPrev: return FCell->GetValue();
    case IdRow: return Variant(index.ItemIndex);
    case IdDataRow: return item ? Variant(item->GetDataRow()) : Variant();
    case IdIndex: return index.Column ? Variant(index.Column->GetIndex()) : Variant();
    case IdColumn: return index.Column ? Variant(DataIndexOf(index.Column)) : Variant();
    case IdChecked: return item ? Variant(item->GetChecked()) : Variant();
    default: return TextLength(FCell->GetValue());
    }
}

Variant TKvDataCellExpressionRuntime::EvaluateIndexer(int Key, const Variant& Index)
{
    if (Key != IdValue)
        return TKvExpressionRuntime::EvaluateIndexer(Key, Index);
    return ItemValueOf(FCell ? FCell->GetItem() : nullptr, Index);
}

// ---- data row --------------------------------------------------------------------------

TKvDataRowExpressionRuntime::TKvDataRowExpressionRuntime()
{
    AddIdents(this, {"row", "datarow", "checked", "value"});
}

void TKvDataRowExpressionRuntime::SetItem(int Index, TKvGridItem* Item)
{
    KV_ASSERT(Item != nullptr, QStringLiteral("item is nil"));
    FIndex = Index;
    FItem = Item;
}

Variant TKvDataRowExpressionRuntime::EvaluateIdent(int Key)
{
    switch (Key) {
    case IdRow: return Variant(FIndex);
    case IdDataRow: return FItem ? Variant(FItem->GetDataRow()) : Variant();
    case IdChecked: return FItem ? Variant(FItem->GetChecked()) : Variant();
    default: return TKvExpressionRuntime::EvaluateIdent(Key);
    }
}

Variant TKvDataRowExpressionRuntime::EvaluateIndexer(int Key, const Variant& Index)
{
    if (Key != IdValue)
        return TKvExpressionRuntime::EvaluateIndexer(Key, Index);
    return ItemValueOf(FItem, Index);
}

// ---- summaries -------------------------------------------------------------------------

TKvSummaryExpressionRuntime::TKvSummaryExpressionRuntime()
{
    AddIdents(this, {"row", "sum", "max", "min", "mean", "var", "stdev"});
}

Variant TKvSummaryExpressionRuntime::EvaluateIdent(int Key)
{
    switch (Key) {
    case IdRow: return Variant(GetCount());
    case IdSum: return GetSum();
    case IdMax: return GetMax();
    case IdMin: return GetMin();
    case IdMean: return GetMean();
    case IdVar: return GetVar();
    case IdStdev: return GetStdev();
    default: return TKvExpressionRuntime::EvaluateIdent(Key);
    }
}

int TKvColumnSummaryRuntime::Field() const { return FColumn ? FColumn->GetDataIndex() : -1; }

int TKvColumnSummaryRuntime::GetCount() { return FDataSource ? FDataSource->GetRowCount() : 0; }

Variant TKvColumnSummaryRuntime::GetSum() { return FDataSource ? FDataSource->GetSum(Field()) : Variant(); }

Variant TKvColumnSummaryRuntime::GetMax() { return FDataSource ? FDataSource->GetMax(Field()) : Variant(); }

Variant TKvColumnSummaryRuntime::GetMin() { return FDataSource ? FDataSource->GetMin(Field()) : Variant(); }

Variant TKvColumnSummaryRuntime::GetMean() { return FDataSource ? FDataSource->GetMean(Field()) : Variant(); }

Variant TKvColumnSummaryRuntime::GetVar() { return FDataSource ? FDataSource->GetVar(Field()) : Variant(); }

Variant TKvColumnSummaryRuntime::GetStdev() { return FDataSource ? FDataSource->GetStdev(Field()) : Variant(); }

template <typename F>
Variant TKvRowGroupSummaryRuntime::Aggregate(F f)
{
    auto* group = dynamic_cast<TKvGridGroupItem*>(FItem);
    if (!FDataSource || !group)
        return Variant();
    return Variant(static_cast<double>(f(group, Field())));
}

int TKvRowGroupSummaryRuntime::GetCount()
{
    auto* group = dynamic_cast<TKvGridGroupItem*>(FItem);
    return group ? group->GetRowCount() : 0;
}

Variant TKvRowGroupSummaryRuntime::GetSum() { return Aggregate([](TKvGridGroupItem* g, int f) { return g->GetSum(f); }); }

Variant TKvRowGroupSummaryRuntime::GetMax() { return Aggregate([](TKvGridGroupItem* g, int f) { return g->GetMax(f); }); }

Variant TKvRowGroupSummaryRuntime::GetMin() { return Aggregate([](TKvGridGroupItem* g, int f) { return g->GetMin(f); }); }

Variant TKvRowGroupSummaryRuntime::GetMean() { return Aggregate([](TKvGridGroupItem* g, int f) { return g->GetMean(f); }); }

Variant TKvRowGroupSummaryRuntime::GetVar() { return Aggregate([](TKvGridGroupItem* g, int f) { return g->GetVar(f); }); }

Variant TKvRowGroupSummaryRuntime::GetStdev() { return Aggregate([](TKvGridGroupItem* g, int f) { return g->GetStdev(f); }); }

// ---- cell validation -------------------------------------------------------------------

TKvDataCellValidationRuntime::TKvDataCellValidationRuntime()
{
    AddIdents(this, {"value", "prev", "row", "datarow", "index", "column", "len"});
}

void TKvDataCellValidationRuntime::SetIndex(const TKvGridCellIndex& CellIndex)
{
    FIndex = CellIndex;
    TKvGridItem* item = FIndex.GetItem();
    FValue = item ? item->GetData(DataIndexOf(FIndex.Column)) : Variant();
}

Variant TKvDataCellValidationRuntime::EvaluateIdent(int Key)
{
    switch (Key) {
    case IdValue:
    case IdPrev: return FValue;
    case IdRow: return Variant(FIndex.ItemIndex);
    case IdDataRow: {
        TKvGridItem* item = FIndex.GetItem();
        return item ? Variant(item->GetDataRow()) : Variant();
    }
    case IdIndex: return FIndex.Column ? Variant(FIndex.Column->GetIndex()) : Variant();
    case IdColumn: return FIndex.Column ? Variant(DataIndexOf(FIndex.Column)) : Variant();
    case IdLen: return TextLength(FValue);
    default: return TKvExpressionRuntime::EvaluateIdent(Key);
    }
}

Variant TKvDataCellValidationRuntime::EvaluateIndexer(int Key, const Variant& Index)
{
    if (Key != IdValue)
        return TKvExpressionRuntime::EvaluateIndexer(Key, Index);
    return ItemValueOf(FIndex.GetItem(), Index);
}

} // namespace kv
