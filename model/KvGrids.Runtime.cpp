#include "model/KvGrids.Runtime.h"

namespace kv {

TKvColumnFilterExpressionRuntime::TKvColumnFilterExpressionRuntime()
{
    AddIdent(IdValue, QStringLiteral("value"));
    AddIdent(IdLen, QStringLiteral("len"));
    AddIdent(IdMin, QStringLiteral("min"));
    AddIdent(IdMax, QStringLiteral("max"));
    AddIdent(IdMean, QStringLiteral("mean"));
}

const Variant& TKvColumnFilterExpressionRuntime::Value()
{
    if (!FValueRead) {
        FValue = FDataSource ? FDataSource->GetData(FRow, FColumn) : Variant();
        FValueRead = true;
    }
    return FValue;
}

Variant TKvColumnFilterExpressionRuntime::EvaluateIdent(int Key)
{
    switch (Key) {
    case IdValue: return Value();
    case IdLen: return Variant(static_cast<int>(Value().ToString().size()));
    case IdMax:
    case IdMin:
    case IdMean: return Variant(0);
    default: return TKvExpressionRuntime::EvaluateIdent(Key);
    }
}

// --- TKvBlockPredicate ----------------------------------------------------------------------

namespace {

struct TNotCompiled
{
};

// The operand that a node passes on, through parentheses and unary plus.
TKvExpressionNode* Through(TKvExpressionNode* node)
{
    node = node->Target();
    while (auto* plus = dynamic_cast<TPlusNode*>(node))
        node = plus->GetOperand()->Target();
    return node;
}

// A leaf: the cell (true) or a constant (false, in Constant).
bool Leaf(TKvExpressionNode* node, Variant& constant)
{
    node = Through(node);
    if (auto* i = dynamic_cast<TIntegerLiteralNode*>(node)) {
        constant = Variant(i->GetValue());
        return false;
    }
    if (auto* f = dynamic_cast<TFloatLiteralNode*>(node)) {
        constant = Variant(f->GetValue());
        return false;
    }
    if (auto* t = dynamic_cast<TStringLiteralNode*>(node)) {
        constant = Variant(t->GetValue());
        return false;
    }
    if (auto* minus = dynamic_cast<TMinusNode*>(node)) {
        Variant inner;
        if (Leaf(minus->GetOperand(), inner) || !inner.IsNumeric())
            throw TNotCompiled();
        constant = VarNeg(inner);
        return false;
    }
    if (typeid(*node) == typeid(TIdentifierNode)) {
        const QString name = static_cast<TIdentifierNode*>(node)->GetLiteral().toLower();
        if (name == QLatin1String("value"))
            return true;
        if (name == QLatin1String("min") || name == QLatin1String("max") || name == QLatin1String("mean")) {
            constant = Variant(0);
            return false;
        }
    }
    throw TNotCompiled();
}

// 0, 1, or 2 for no order, for the relation of left to right.
std::uint8_t Holds(TKvTokenKind op, TVarRelation r)
{
    switch (r) {
    case TVarRelation::Less:
        return op == TokenLower || op == TokenLowerEqual || op == TokenNotEqual;
    case TVarRelation::Equal:
        return op == TokenEqual || op == TokenLowerEqual || op == TokenGreaterEqual;
    case TVarRelation::Greater:
        return op == TokenGreater || op == TokenGreaterEqual || op == TokenNotEqual;
    default: return 2;
    }
}

inline TVarRelation IntRelation(std::int64_t x, std::int64_t y)
{
    return x < y ? TVarRelation::Less : x > y ? TVarRelation::Greater : TVarRelation::Equal;
}

// The relation as an index into a step's table: Less 0, Equal 1, Greater 2, no order 3.
inline int Index(TVarRelation r) { return static_cast<int>(r); }
inline int IntIndex(std::int64_t x, std::int64_t y) { return int(x > y) - int(x < y) + 1; }

} // namespace

TKvBlockPredicate::~TKvBlockPredicate() = default;

std::unique_ptr<TKvBlockPredicate> TKvBlockPredicate::Compile(TKvExpressionTree* Tree)
{
    if (!Tree || !Tree->GetRoot())
        return nullptr;
    auto predicate = std::unique_ptr<TKvBlockPredicate>(new TKvBlockPredicate());
    try {
        predicate->Add(Tree->GetRoot());
    } catch (const TNotCompiled&) {
        return nullptr;
    }
    predicate->FResults.assign(predicate->FSteps.size() * BlockSize, 0);
    return predicate;
}

int TKvBlockPredicate::Add(TKvExpressionNode* Node)
{
    TKvExpressionNode* node = Through(Node);
    TStep step;
    if (auto* e = dynamic_cast<TExpressionNode*>(node)) {
        if (!e->GetRightExpr() || !IsRelationToken(e->GetOperator()))
            throw TNotCompiled();
        Variant left, right;
        const bool cellLeft = Leaf(e->GetLeftExpr(), left);
        const bool cellRight = Leaf(e->GetRightExpr(), right);
        step.Relation = e->GetOperator();
        if (cellLeft == cellRight) {
            if (cellLeft)
                throw TNotCompiled(); // the cell against itself
            step.Op = OpConstant;
            step.Fixed = Holds(step.Relation, left.IsInteger() && right.IsInteger()
                                                  ? IntRelation(left.IntUnchecked(), right.IntUnchecked())
                                                  : VarRelate(left, right));
        } else {
            step.Op = OpCompare;
            step.CellLeft = cellLeft;
            step.Constant = cellLeft ? right : left;
            for (TVarRelation r : {TVarRelation::Less, TVarRelation::Equal, TVarRelation::Greater, TVarRelation::Unordered})
                step.Table[Index(r)] = Holds(step.Relation, r);
        }
    } else if (auto* list = dynamic_cast<TKvOperandListNode*>(node)) {
        const bool term = dynamic_cast<TTermNode*>(node) != nullptr;
        int acc = Add(list->GetOperand(0));
        for (int i = 1; i < list->GetCount(); ++i) {
            const TKvTokenKind op = list->GetOperator(i - 1);
            TStep join;
            if (term && op == TokenAnd)
                join.Op = OpAnd;
            else if (!term && op == TokenOr)
                join.Op = OpOr;
            else if (!term && op == TokenXor)
                join.Op = OpXor;
            else
                throw TNotCompiled();
            join.A = acc;
            join.B = Add(list->GetOperand(i));
            FSteps.push_back(std::move(join));
            acc = static_cast<int>(FSteps.size()) - 1;
        }
        return acc;
    } else if (auto* n = dynamic_cast<TNotNode*>(node)) {
        step.Op = OpNot;
        step.A = Add(n->GetOperand());
    } else {
        throw TNotCompiled(); // a bare value: its conversion to Boolean is left to the tree
    }
    FSteps.push_back(std::move(step));
    return static_cast<int>(FSteps.size()) - 1;
}

void TKvBlockPredicate::Select(const Variant* Cells, const int* Rows, int Count, std::uint8_t* Selected)
{
    const auto n = static_cast<size_t>(Count);
    for (size_t s = 0; s < FSteps.size(); ++s) {
        const TStep& step = FSteps[s];
        std::uint8_t* out = &FResults[s * BlockSize];
        const std::uint8_t* a = step.A >= 0 ? &FResults[static_cast<size_t>(step.A) * BlockSize] : nullptr;
        const std::uint8_t* b = step.B >= 0 ? &FResults[static_cast<size_t>(step.B) * BlockSize] : nullptr;
        switch (step.Op) {
        case OpConstant: std::fill(out, out + n, step.Fixed); break;
        case OpAnd:
            for (size_t i = 0; i < n; ++i)
                out[i] = (a[i] | b[i]) & 2 ? 2 : (a[i] & b[i]);
            break;
        case OpOr:
            for (size_t i = 0; i < n; ++i)
                out[i] = (a[i] | b[i]) & 2 ? 2 : (a[i] | b[i]);
            break;
        case OpXor:
            for (size_t i = 0; i < n; ++i)
                out[i] = (a[i] | b[i]) & 2 ? 2 : (a[i] ^ b[i]);
            break;
        case OpNot:
            for (size_t i = 0; i < n; ++i)
                out[i] = a[i] & 2 ? 2 : (a[i] ^ 1);
            break;
        case OpCompare: {
            const Variant& k = step.Constant;
            const std::uint8_t* table = step.Table;
            if (k.IsInteger()) {
                // The common case: integer cells against an integer, without a call or a branch.
                const std::int64_t y = k.IntUnchecked();
                for (size_t i = 0; i < n; ++i) {
                    const Variant& v = Cells[Rows[i]];
                    if (v.IsInteger()) [[likely]]
                        out[i] = table[step.CellLeft ? IntIndex(v.IntUnchecked(), y) : IntIndex(y, v.IntUnchecked())];
                    else
                        out[i] = table[Index(step.CellLeft ? VarRelate(v, k) : VarRelate(k, v))];
                }
            } else {
                for (size_t i = 0; i < n; ++i) {
                    const Variant& v = Cells[Rows[i]];
                    out[i] = table[Index(step.CellLeft ? VarRelate(v, k) : VarRelate(k, v))];
                }
            }
            break;
        }
        }
    }
    const std::uint8_t* result = &FResults[(FSteps.size() - 1) * BlockSize];
    for (size_t i = 0; i < n; ++i)
        Selected[i] = result[i] == 1;
}

} // namespace kv
