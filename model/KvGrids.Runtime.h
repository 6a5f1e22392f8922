// Expression runtimes bound to data: the column-filter runtime reads one cell of a data provider.
#pragma once

#include "model/KvGrids.Data.h"
#include "model/KvGrids.Expressions.h"

#include <memory>

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

// A column filter expression compiled for blocks of cells: comparisons of the cell
// ("value", and "min", "max", "mean", which read 0) with constants, joined by "and", "or",
// "xor" and "not". Each cell is selected exactly when evaluating the tree for it gives True;
// a comparison without an order selects nothing, as it stops the evaluation.
class TKvBlockPredicate
{
public:
    static constexpr int BlockSize = 1024;

    // Nil when the tree holds anything else.
    static std::unique_ptr<TKvBlockPredicate> Compile(TKvExpressionTree* Tree);
    ~TKvBlockPredicate();

    // Selected[i] = 1 when the cell Cells[Rows[i]] passes, else 0; Count is at most BlockSize.
    void Select(const Variant* Cells, const int* Rows, int Count, std::uint8_t* Selected);

private:
    enum TOp : std::uint8_t { OpCompare, OpConstant, OpAnd, OpOr, OpXor, OpNot };
    // Per cell: 0 false, 1 true, 2 no order (the evaluation stopped).
    struct TStep
    {
        TOp Op;
        TKvTokenKind Relation = TokenEqual; // OpCompare
        bool CellLeft = false;              // OpCompare: the cell on the left, else on the right
        Variant Constant;                   // OpCompare: the other side
        std::uint8_t Table[4] = {};         // OpCompare: the result by relation
        std::uint8_t Fixed = 0;             // OpConstant
        int A = -1, B = -1;                 // operand steps
    };

    int Add(TKvExpressionNode* Node);
    std::vector<TStep> FSteps;
    std::vector<std::uint8_t> FResults; // BlockSize per step
};

} // namespace kv
