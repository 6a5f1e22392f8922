// The expression language: any text either parses or raises the library's syntax or
// conversion error; a tree that parses evaluates to a value or raises the library's error,
// and evaluates to the same value again.
#include "FuzzSupport.h"

#include "model/KvGrids.Expressions.h"

using namespace kv;
using namespace kvfuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TFuzzRuntime runtime;
    const QString text = Text(data, size);
    std::unique_ptr<TKvExpressionTree> tree;
    if (!Refusable([&] { tree = TKvExpressionParser::Parse(text); }))
        return 0;
    Check(tree != nullptr, "parse returned no tree", text);
    Variant first;
    Variant second;
    const bool ok = Refusable([&] { first = tree->Evaluate(&runtime); });
    const bool again = Refusable([&] { second = tree->Evaluate(&runtime); });
    Check(ok == again, "evaluation is not repeatable", text);
    if (ok)
        Check(first.Kind() == second.Kind() && VarCompareTotal(first, second) == 0, "evaluation gives another value",
              text);
    // Without a runtime identifiers cannot be read; that too is a clean refusal.
    (void)Refusable([&] { (void)tree->Evaluate(nullptr); });
    return 0;
}
