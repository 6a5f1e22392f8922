// Expression runtimes bound to data: the column-filter runtime reads one cell of a data provider.
#pragma once

#include "model/KvGrids.Data.h"
#include "model/KvGrids.Expressions.h"

namespace kv {

// Identifiers: "value" (the cell), "len" (its length as text), "max", "min", "mean" (0).
class TKvColumnFilterExpressionRuntime : public TKvExpressionRuntime
{
public:
    enum { IdValue = 0, IdLen = 1, IdMax = 2, IdMin = 3, IdMean = 4 };

    TKvColumnFilterExpressionRuntime();

    void SetData(TKvGridDataProvider* DataSource, int Row, int Field)
    {
        FDataSource = DataSource;
        FRow = Row;
        FColumn = Field;
        FValueRead = false;
    }
    TKvGridDataProvider* GetDataSource() const { return FDataSource; }
    int GetRow() const { return FRow; }
    int GetColumn() const { return FColumn; }

    Variant EvaluateIdent(int Key) override;
    // The cell, read once per SetData.
    const Variant& Value();

private:

    TKvGridDataProvider* FDataSource = nullptr;
    int FColumn = -1;
    int FRow = -1;
    Variant FValue;
    bool FValueRead = false;
};

} // namespace kv
