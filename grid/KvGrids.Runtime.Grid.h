// Expression runtimes bound to grid data: a cell, a row, a column's summary, a group's
// summary and the two validations. The grid view owns one of each and points it at the
// cell, item or column before it evaluates a dynamic style, a summary or a validation.
#pragma once

#include "grid/KvGrids.Index.h"
#include "model/KvGrids.Expressions.h"
#include "model/KvGrids.Runtime.h"

namespace kv {

class TKvGridCell;
class TKvGridItem;
class TKvGridDataColumn;
class TKvGridDataProvider;

// value[f] of an item: unassigned without an item; a number is the field index, any other
// value a field name of the item's data source.
Variant ItemValueOf(const TKvGridItem* item, const Variant& field);

// Whether the data-cell runtime, or the data-row runtime, knows a name (any letter case).
bool KnowsDataCellIdentifier(const QString& Name);
bool KnowsDataRowIdentifier(const QString& Name);

// Identifiers: "value", "prev", "row", "datarow", "index", "column", "checked", "len";
// indexer value[f].
class TKvDataCellExpressionRuntime : public TKvExpressionRuntime
{
public:
    enum { IdValue = 0, IdPrev = 1, IdRow = 2, IdDataRow = 3, IdIndex = 4, IdColumn = 5, IdChecked = 6, IdLen = 7 };

    TKvDataCellExpressionRuntime();
    TKvGridCell* GetCell() const { return FCell; }
    void SetCell(TKvGridCell* Cell) { FCell = Cell; }

    Variant EvaluateIdent(int Key) override;
    Variant EvaluateIndexer(int Key, const Variant& Index) override;

private:
    TKvGridCell* FCell = nullptr;
};

// Identifiers: "row", "datarow", "checked"; "value" only as the indexer value[f].
class TKvDataRowExpressionRuntime : public TKvExpressionRuntime
{
public:
    enum { IdRow = 0, IdDataRow = 1, IdChecked = 2, IdValue = 3 };

    TKvDataRowExpressionRuntime();
    int GetIndex() const { return FIndex; }
    TKvGridItem* GetItem() const { return FItem; }
    // Asserts that Item is not nil ("item is nil").
    virtual void SetItem(int Index, TKvGridItem* Item);

    Variant EvaluateIdent(int Key) override;
    Variant EvaluateIndexer(int Key, const Variant& Index) override;

protected:
    int FIndex = -1;
    TKvGridItem* FItem = nullptr;
};

// Identifiers: "row" (the count), "sum", "max", "min", "mean", "var", "stdev".
class TKvSummaryExpressionRuntime : public TKvExpressionRuntime
{
public:
    enum { IdRow = 0, IdSum = 1, IdMax = 2, IdMin = 3, IdMean = 4, IdVar = 5, IdStdev = 6 };

    TKvSummaryExpressionRuntime();

    virtual int GetCount() { return 0; }
    virtual Variant GetSum() { return Variant(); }
    virtual Variant GetMax() { return Variant(); }
    virtual Variant GetMin() { return Variant(); }
    virtual Variant GetMean() { return Variant(); }
    virtual Variant GetVar() { return Variant(); }
    virtual Variant GetStdev() { return Variant(); }

    Variant EvaluateIdent(int Key) override;
};

// Aggregates of a column's field over every row of the data source.
class TKvColumnSummaryRuntime : public TKvSummaryExpressionRuntime
{
public:
    TKvGridDataColumn* GetColumn() const { return FColumn; }
    TKvGridDataProvider* GetDataSource() const { return FDataSource; }
    void SetColumn(TKvGridDataColumn* Column, TKvGridDataProvider* DataSource)
    {
        FColumn = Column;
        FDataSource = DataSource;
    }

    int GetCount() override;
    Variant GetSum() override;
    Variant GetMax() override;
    Variant GetMin() override;
    Variant GetMean() override;
    Variant GetVar() override;
    Variant GetStdev() override;

protected:
    int Field() const;

    TKvGridDataColumn* FColumn = nullptr;
    TKvGridDataProvider* FDataSource = nullptr;
};

// Aggregates of a column's field over the rows of one group item.
class TKvRowGroupSummaryRuntime : public TKvColumnSummaryRuntime
{
public:
    TKvGridItem* GetItem() const { return FItem; }
    void SetItem(TKvGridItem* Item) { FItem = Item; }

    int GetCount() override;
    Variant GetSum() override;
    Variant GetMax() override;
    Variant GetMin() override;
    Variant GetMean() override;
    Variant GetVar() override;
    Variant GetStdev() override;

private:
    template <typename F>
    Variant Aggregate(F f);

    TKvGridItem* FItem = nullptr;
};

// Identifiers: "value", "prev", "row", "datarow", "index", "column", "len"; indexer value[f].
class TKvDataCellValidationRuntime : public TKvExpressionRuntime
{
public:
    enum { IdValue = 0, IdPrev = 1, IdRow = 2, IdDataRow = 3, IdIndex = 4, IdColumn = 5, IdLen = 6 };

    TKvDataCellValidationRuntime();
    const TKvGridCellIndex& GetIndex() const { return FIndex; }
    // Copies the index and reads the value its item holds for the column's field.
    void SetIndex(const TKvGridCellIndex& CellIndex);
    const Variant& GetValue() const { return FValue; }

    Variant EvaluateIdent(int Key) override;
    Variant EvaluateIndexer(int Key, const Variant& Index) override;

private:
    TKvGridCellIndex FIndex;
    Variant FValue;
};

// The row runtime without the nil-item assertion.
class TKvDataRowValidationRuntime : public TKvDataRowExpressionRuntime
{
public:
    void SetItem(int Index, TKvGridItem* Item) override
    {
        FIndex = Index;
        FItem = Item;
    }
};

} // namespace kv
