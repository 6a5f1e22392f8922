#include "model/KvGrids.Criteria.h"

#include <algorithm>

namespace kv {

void TKvArithmeticExpression::AddOperand(TKvExpression* Expression)
{
    if (!Expression)
        throw EArgumentNilException(QStringLiteral("expression"));
    FOperands.emplace_back(Expression);
}

Variant TKvArithmeticExpression::Evaluate()
{
    if (FOperands.empty())
        return Variant();
    Variant result = FOperands.front()->Evaluate();
    for (size_t i = 1; i < FOperands.size(); ++i)
        result = Combine(result, FOperands[i]->Evaluate());
    return result;
}

void TKvGroupCriteria::Add(TKvCriteria* Criteria)
{
    if (!Criteria)
        throw EArgumentNilException(QStringLiteral("criteria"));
    if (std::find(FItems.begin(), FItems.end(), Criteria) == FItems.end())
        FItems.push_back(Criteria);
}

bool TKvOrCriteria::Evaluate(const Variant& Value)
{
    if (FItems.empty())
        return true;
    return std::any_of(FItems.begin(), FItems.end(), [&](TKvCriteria* c) { return c->Evaluate(Value); });
}

bool TKvAndCriteria::Evaluate(const Variant& Value)
{
    return std::all_of(FItems.begin(), FItems.end(), [&](TKvCriteria* c) { return c->Evaluate(Value); });
}

bool TKvEqCriteria::Evaluate(const Variant& Value)
{
    return VarRelate(Value, FValue) == TVarRelation::Equal;
}

bool TKvNotEqCriteria::Evaluate(const Variant& Value)
{
    return VarRelate(Value, FValue) != TVarRelation::Equal;
}

bool TKvLessThanCriteria::Evaluate(const Variant& Value)
{
    return VarRelate(Value, FValue) == TVarRelation::Less;
}

bool TKvLessThanEqCriteria::Evaluate(const Variant& Value)
{
    const TVarRelation r = VarRelate(Value, FValue);
    return r == TVarRelation::Less || r == TVarRelation::Equal;
}

bool TKvGreaterThanCriteria::Evaluate(const Variant& Value)
{
    return VarRelate(Value, FValue) == TVarRelation::Greater;
}

bool TKvGreaterThanEqCriteria::Evaluate(const Variant& Value)
{
    const TVarRelation r = VarRelate(Value, FValue);
    return r == TVarRelation::Greater || r == TVarRelation::Equal;
}

} // namespace kv
