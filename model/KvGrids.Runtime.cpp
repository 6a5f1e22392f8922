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

} // namespace kv
