// Expression tree evaluation and the runtime's identifier registry.
#include "model/KvGrids.Expressions.h"
#include "TestSupport.h"

#include <map>

using namespace kv;

namespace {

// Answers its identifiers from a map of values, and indexers from a map of lists.
class TMapRuntime : public TKvExpressionRuntime
{
public:
    std::map<int, Variant> Values;
    std::map<int, std::vector<Variant>> Lists;
    int IdentCalls = 0;

    Variant EvaluateIdent(int key) override
    {
        ++IdentCalls;
        const auto it = Values.find(key);
        if (it == Values.end())
            return TKvExpressionRuntime::EvaluateIdent(key);
        return it->second;
    }
    Variant EvaluateIndexer(int key, const Variant& index) override
    {
        const auto it = Lists.find(key);
        if (it == Lists.end())
            return TKvExpressionRuntime::EvaluateIndexer(key, index);
        return it->second.at(static_cast<size_t>(index.ToInt()));
    }
};

Variant Eval(const QString& text, TKvExpressionRuntime* runtime = nullptr)
{
    return TKvExpressionParser::Parse(text)->Evaluate(runtime);
}

} // namespace

TEST(ExprEval, ArithmeticLogicAndComparison)
{
    EXPECT_EQ(Eval("1 + 2 * 3"), Variant(7));
    EXPECT_EQ(Eval("(1 + 2) * 3"), Variant(9));
    EXPECT_EQ(Eval("7 div 2"), Variant(3));
    EXPECT_EQ(Eval("7 / 2"), Variant(3.5));
    EXPECT_EQ(Eval("7 mod 2"), Variant(1));
    EXPECT_EQ(Eval("10 - 2 - 3"), Variant(5));
    EXPECT_EQ(Eval("2 * 3 div 4"), Variant(1));
    EXPECT_EQ(Eval("1 shl 4"), Variant(16));
    EXPECT_EQ(Eval("256 shr 4"), Variant(16));
    EXPECT_EQ(Eval("-3 + +5"), Variant(2));
    EXPECT_EQ(Eval("- - 4"), Variant(4));
    EXPECT_EQ(Eval("'a' + 'b'"), Variant("ab"));
    EXPECT_EQ(Eval("not (1 = 1)"), Variant(false));
    EXPECT_EQ(Eval("6 and 3"), Variant(2));
    EXPECT_EQ(Eval("6 or 3"), Variant(7));
    EXPECT_EQ(Eval("6 xor 3"), Variant(5));
    EXPECT_EQ(Eval("not 0"), Variant(-1));
    EXPECT_EQ(Eval("(1 < 2) and (3 > 2)"), Variant(true));
    EXPECT_EQ(Eval("(1 < 2) and (3 < 2)"), Variant(false));
    EXPECT_EQ(Eval("(1 > 2) or (3 > 2)"), Variant(true));
    EXPECT_EQ(Eval("1.5 * 2"), Variant(3.0));
    EXPECT_EQ(Eval("$10 + 1"), Variant(17));
    for (const auto& [text, expected] : std::vector<std::pair<QString, bool>>{{"1 = 1", true},
                                                                               {"1 <> 1", false},
                                                                               {"1 < 2", true},
                                                                               {"2 <= 2", true},
                                                                               {"3 <= 2", false},
                                                                               {"2 > 1", true},
                                                                               {"1 >= 2", false},
                                                                               {"'b' > 'a'", true},
                                                                               {"'a' = \"a\"", true},
                                                                               {"1.0 = 1", true}})
        EXPECT_EQ(Eval(text), Variant(expected)) << text.toStdString();
    // The trailing comparison of a chain is not read.
    EXPECT_EQ(Eval("1 < 2 < 0"), Variant(true));
}

TEST(ExprEval, EmptyTreeAndEvaluationErrors)
{
    TKvExpressionTree empty;
    EXPECT_TRUE(empty.Evaluate(nullptr).IsEmpty());
    KV_EXPECT_THROW_MSG(Eval("1 in 2"), TKvSyntaxError, "Unknown expression operator: TokenIn");
    // Without a runtime no name is known.
    KV_EXPECT_THROW_MSG(Eval("Price * 2"), TKvSyntaxError, "Token is a not valid Identifier: Price");
    KV_EXPECT_THROW_MSG(Eval("2 + list[0]"), TKvSyntaxError, "Token is a not valid Identifier: list");
    EXPECT_THROW(Eval("1 div 0"), EDivByZero);
    EXPECT_THROW(Eval("'abc' - 1"), EVariantError);
    // A failing tree stays usable.
    auto tree = TKvExpressionParser::Parse("10 div x");
    TMapRuntime rt;
    rt.AddIdent(0, "x");
    rt.Values[0] = 0;
    EXPECT_THROW(tree->Evaluate(&rt), EDivByZero);
    rt.Values[0] = 5;
    EXPECT_EQ(tree->Evaluate(&rt), Variant(2));
}

TEST(ExprRuntime, RegistrationAndCaseInsensitiveResolution)
{
    TMapRuntime rt;
    KV_EXPECT_THROW_MSG(rt.AddIdent(0, ""), Exception, "Identifier literal must be not empty");
    rt.AddIdent(0, "value");
    rt.AddIdent(7, "Len");
    KV_EXPECT_THROW_MSG(rt.AddIdent(1, "value"), Exception, "Identifier literal is already registered");
    KV_EXPECT_THROW_MSG(rt.AddIdent(1, "VALUE"), Exception, "Identifier literal is already registered");
    int key = 99;
    EXPECT_TRUE(rt.IsIdentifier("VaLuE", key, false));
    EXPECT_EQ(key, 0);
    EXPECT_TRUE(rt.IsIdentifier("len", key, false));
    EXPECT_EQ(key, 7);
    EXPECT_FALSE(rt.IsIdentifier("price", key, false));
    EXPECT_EQ(key, -1);
    KV_EXPECT_THROW_MSG(rt.IsIdentifier("PriCe", key, true), TKvSyntaxError,
                        "Token is a not valid Identifier: PriCe");
    EXPECT_EQ(rt.GetIdentName(7), "Len");
    EXPECT_EQ(rt.GetIdentName(3), "");

    rt.Values[0] = 150;
    EXPECT_EQ(Eval("Value > 100", &rt), Variant(true));
    KV_EXPECT_THROW_MSG(Eval("len", &rt), Exception, "Invalid identifier key: Len");
    KV_EXPECT_THROW_MSG(Eval("Unknown + 1", &rt), TKvSyntaxError, "Token is a not valid Identifier: Unknown");
    KV_EXPECT_THROW_MSG(Eval("value[0]", &rt), Exception, "Invalid identifier indexer: value");
    KV_EXPECT_THROW_MSG(rt.TKvExpressionRuntime::EvaluateIdent(42), Exception, "Invalid identifier key: 42");
    KV_EXPECT_THROW_MSG(rt.TKvExpressionRuntime::EvaluateIndexer(42, 1), Exception,
                        "Invalid identifier indexer: 42");

    rt.Lists[0] = {Variant("a"), Variant("b"), Variant("c")};
    EXPECT_EQ(Eval("value[1 + 1]", &rt), Variant("c"));
}

TEST(ExprRuntime, ATreeReadsTheIdentifiersOfEachRuntimeThatEvaluatesIt)
{
    TMapRuntime first, second;
    first.AddIdent(0, "a");
    first.AddIdent(1, "b");
    first.Values = {{0, Variant(1)}, {1, Variant(2)}};
    // The same names under other keys.
    second.AddIdent(5, "b");
    second.AddIdent(6, "a");
    second.Values = {{5, Variant(20)}, {6, Variant(10)}};
    auto tree = TKvExpressionParser::Parse("a * 100 + b");
    EXPECT_EQ(tree->Evaluate(&first), Variant(102));
    EXPECT_EQ(tree->Evaluate(&second), Variant(1020));
    EXPECT_EQ(tree->Evaluate(&first), Variant(102));

    TMapRuntime third; // knows only "a"
    third.AddIdent(0, "a");
    third.Values = {{0, Variant(3)}};
    KV_EXPECT_THROW_MSG(tree->Evaluate(&third), TKvSyntaxError, "Token is a not valid Identifier: b");
    EXPECT_EQ(tree->Evaluate(&second), Variant(1020));

    // Indexers too.
    first.Lists[0] = {Variant(7)};
    second.Lists[6] = {Variant(8)};
    auto ix = TKvExpressionParser::Parse("a[0]");
    EXPECT_EQ(ix->Evaluate(&first), Variant(7));
    EXPECT_EQ(ix->Evaluate(&second), Variant(8));
}

TEST(ExprRuntime, SyntaxErrorFormatConstructor)
{
    TKvSyntaxError e(QStringLiteral("%1 at %2"), {QStringLiteral("x"), QStringLiteral("3")});
    EXPECT_EQ(e.Message(), "x at 3");
    EXPECT_EQ(e.GetTokenPos().Line, -1);
    EXPECT_EQ(e.GetTokenPos().Column, -1);
    EXPECT_EQ(TokenKindName(TokenIn), "TokenIn");
    EXPECT_EQ(TokenKindName(TokenUnknown), "TokenUnknown");
    EXPECT_EQ(static_cast<int>(TokenUnknown), 38);
    EXPECT_EQ(static_cast<int>(TokenStringConst), 26);
}

// A comparison without an order stops the evaluation where it used to raise: Evaluate still
// raises the same error, EvaluateOrdered answers false without raising, and every other
// result is the same.
TEST(ExpressionTree, UnorderedComparisonIsAnAnswer)
{
    TMapRuntime runtime;
    runtime.AddIdent(1, QStringLiteral("value"));
    const QStringList expressions = {"value > 5", "not (value > 5)", "(value = 'x') or (value < 3)",
                                     "(value < 3) or (value = 'x')", "-(value >= 1)", "value + 1 > 2",
                                     "(value <> 0) and (1 / value > 0)"};
    for (const Variant& value : {Variant(7), Variant("x"), Variant("4"), Variant::Null(), Variant(), Variant(0)}) {
        runtime.Values[1] = value;
        for (const QString& text : expressions) {
            auto tree = TKvExpressionParser::Parse(text);
            QString raised;
            Variant expected;
            try {
                expected = tree->Evaluate(&runtime);
            } catch (const Exception& e) {
                raised = e.Message();
            }
            Variant result;
            bool ordered = false;
            QString raisedToo;
            try {
                ordered = tree->EvaluateOrdered(&runtime, result);
            } catch (const Exception& e) {
                raisedToo = e.Message();
            }
            const bool compareFailed = raised.contains(QStringLiteral(" compare "));
            EXPECT_EQ(ordered, raised.isEmpty()) << text.toStdString();
            EXPECT_EQ(raisedToo, compareFailed ? QString() : raised) << text.toStdString();
            if (ordered) {
                EXPECT_EQ(result, expected) << text.toStdString();
            }
        }
    }
    KV_EXPECT_THROW_MSG(Eval("'x' > 5", &runtime), EVariantError, "Invalid variant operation (String compare Int64)");
    EXPECT_THROW(Eval("'x' > 5"), EVariantError); // no runtime
}
