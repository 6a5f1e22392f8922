// Value criteria and arithmetic over variants, built as object trees (no text parsing).
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Variant.h"

#include <memory>
#include <vector>

namespace kv {

class TKvExpression : public TObject
{
public:
    virtual Variant Evaluate() = 0;
};

class TKvImmediateExpression : public TKvExpression
{
public:
    explicit TKvImmediateExpression(const Variant& Value) : FValue(Value) {}
    Variant Evaluate() override { return FValue; }

private:
    Variant FValue;
};

// Folds its operands left to right; without operands it evaluates to unassigned.
class TKvArithmeticExpression : public TKvExpression
{
public:
    // Takes ownership; nil raises EArgumentNilException "expression".
    void AddOperand(TKvExpression* Expression);
    int OperandCount() const { return static_cast<int>(FOperands.size()); }
    Variant Evaluate() override;

protected:
    virtual Variant Combine(const Variant& Left, const Variant& Right) const = 0;

private:
    std::vector<TOwned<TKvExpression>> FOperands;
};

class TKvAdditionExpression : public TKvArithmeticExpression
{
protected:
    Variant Combine(const Variant& L, const Variant& R) const override { return VarAdd(L, R); }
};
class TKvSubtractionExpression : public TKvArithmeticExpression
{
protected:
    Variant Combine(const Variant& L, const Variant& R) const override { return VarSub(L, R); }
};
class TKvMultiplicationExpression : public TKvArithmeticExpression
{
protected:
    Variant Combine(const Variant& L, const Variant& R) const override { return VarMul(L, R); }
};
class TKvDivisionExpression : public TKvArithmeticExpression
{
protected:
    Variant Combine(const Variant& L, const Variant& R) const override { return VarDiv(L, R); }
};
class TKvModularExpression : public TKvArithmeticExpression
{
protected:
    Variant Combine(const Variant& L, const Variant& R) const override { return VarMod(L, R); }
};

class TKvCriteria : public TObject
{
public:
    explicit TKvCriteria(const Variant& Value = Variant()) : FValue(Value) {}
    virtual bool Evaluate(const Variant& Value) = 0;
    const Variant& GetOperand() const { return FValue; }

protected:
    Variant FValue;
};

// Members are not owned.
class TKvGroupCriteria : public TKvCriteria
{
public:
    using TKvCriteria::TKvCriteria;
    // Nil raises EArgumentNilException "criteria"; a member already present is not added again.
    void Add(TKvCriteria* Criteria);
    int Count() const { return static_cast<int>(FItems.size()); }

protected:
    std::vector<TKvCriteria*> FItems;
};

class TKvOrCriteria : public TKvGroupCriteria
{
public:
    using TKvGroupCriteria::TKvGroupCriteria;
    bool Evaluate(const Variant& Value) override;
};

class TKvAndCriteria : public TKvGroupCriteria
{
public:
    using TKvGroupCriteria::TKvGroupCriteria;
    bool Evaluate(const Variant& Value) override;
};

// Comparisons of the given value with the stored operand by the variant relation;
// values that cannot be ordered are only "not equal".
#define KV_COMPARISON_CRITERIA(Name)                            \
    class Name : public TKvCriteria                             \
    {                                                           \
    public:                                                     \
        using TKvCriteria::TKvCriteria;                         \
        bool Evaluate(const Variant& Value) override;           \
    };
KV_COMPARISON_CRITERIA(TKvEqCriteria)
KV_COMPARISON_CRITERIA(TKvNotEqCriteria)
KV_COMPARISON_CRITERIA(TKvLessThanCriteria)
KV_COMPARISON_CRITERIA(TKvLessThanEqCriteria)
KV_COMPARISON_CRITERIA(TKvGreaterThanCriteria)
KV_COMPARISON_CRITERIA(TKvGreaterThanEqCriteria)
#undef KV_COMPARISON_CRITERIA

} // namespace kv
