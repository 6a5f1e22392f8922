// Lexer and parser of the expression language.
#include "model/KvGrids.Expressions.h"
#include "platform/rtl/Trace.h"
#include "TestSupport.h"

#include <QtCore/QLocale>

using namespace kv;

namespace {

struct TToken
{
    TKvTokenKind Kind;
    QString Text;
};

std::vector<TToken> Scan(const QString& text)
{
    TKvExpressionLexer lexer;
    lexer.SetOrigin(reinterpret_cast<const char16_t*>(text.utf16()));
    std::vector<TToken> out;
    for (int guard = 0; guard < 1000; ++guard) {
        lexer.NextNoSpace();
        if (lexer.GetTokenLen() == 0)
            break;
        out.push_back({lexer.GetTokenId(), lexer.GetToken()});
    }
    return out;
}

std::vector<TKvTokenKind> Kinds(const QString& text)
{
    std::vector<TKvTokenKind> kinds;
    for (const auto& t : Scan(text))
        kinds.push_back(t.Kind);
    return kinds;
}

} // namespace

TEST(ExprLexer, KeywordsAreCaseInsensitiveAndIdentifiersKeepTheirSpelling)
{
    EXPECT_EQ(Kinds("AND And and OR xor NOT div MOD shl SHR in"),
              (std::vector<TKvTokenKind>{TokenAnd, TokenAnd, TokenAnd, TokenOr, TokenXor, TokenNot, TokenDiv,
                                         TokenMod, TokenShl, TokenShr, TokenIn}));
    const auto tokens = Scan("Value value android _x1");
    ASSERT_EQ(tokens.size(), 4u);
    for (const auto& t : tokens)
        EXPECT_EQ(t.Kind, TokenIdentifier);
    EXPECT_EQ(tokens[0].Text, "Value");
    EXPECT_EQ(tokens[1].Text, "value");
    EXPECT_EQ(tokens[2].Text, "android");
    // Characters above the classified range read as identifier text.
    const auto wide = Scan(QString(QChar(0xFF21)) + "b");
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0].Kind, TokenIdentifier);
}

TEST(ExprLexer, NumbersHexRangesAndOperators)
{
    auto t = Scan("$FF 1.5 12 1..2 3e2");
    ASSERT_EQ(t.size(), 7u);
    EXPECT_EQ(t[0].Kind, TokenIntegerConst);
    EXPECT_EQ(t[0].Text, "$FF");
    EXPECT_EQ(t[1].Kind, TokenFloat);
    EXPECT_EQ(t[2].Kind, TokenIntegerConst);
    EXPECT_EQ(t[3].Kind, TokenIntegerConst);
    EXPECT_EQ(t[3].Text, "1");
    EXPECT_EQ(t[4].Kind, TokenDotDot);
    EXPECT_EQ(t[5].Text, "2");
    EXPECT_EQ(t[6].Kind, TokenFloat);
    EXPECT_EQ(Kinds("( ) [ ] * + , - / = . < <= <> > >= ! ; ~ #"),
              (std::vector<TKvTokenKind>{TokenRoundOpen, TokenRoundClose, TokenBracketOpen, TokenBracketClose,
                                         TokenStar, TokenPlus, TokenComma, TokenMinus, TokenSlash, TokenEqual,
                                         TokenPoint, TokenLower, TokenLowerEqual, TokenNotEqual, TokenGreater,
                                         TokenGreaterEqual, TokenSymbol, TokenSymbol, TokenSymbol, TokenUnknown}));
}

TEST(ExprLexer, StringsLinesAndPositions)
{
    auto t = Scan("'it''s' \"say \"\"hi\"\"\" 'a\"b'");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].Kind, TokenStringConst);
    EXPECT_EQ(t[0].Text, "'it''s'");
    EXPECT_EQ(t[1].Text, "\"say \"\"hi\"\"\"");
    EXPECT_EQ(t[2].Text, "'a\"b'");

    for (const char* bad : {"'abc", "\"abc''", "'ab\ncd'"}) {
        const QString text = QString::fromUtf8(bad);
        try {
            Scan(text);
            ADD_FAILURE() << bad;
        } catch (const TKvSyntaxError& e) {
            EXPECT_EQ(e.Message(), "Unterminated string");
            EXPECT_EQ(e.GetTokenPos().Line, 0);
            EXPECT_EQ(e.GetTokenPos().Column, 0);
        }
    }

    const QString text = "a\r\n  b\nc 'x";
    TKvExpressionLexer lexer;
    lexer.SetOrigin(reinterpret_cast<const char16_t*>(text.utf16()));
    lexer.Next();
    EXPECT_TRUE(lexer.FirstInLine());
    lexer.Next();
    EXPECT_EQ(lexer.GetTokenId(), TokenCRLF);
    EXPECT_EQ(lexer.GetTokenLen(), 2);
    lexer.Next();
    EXPECT_TRUE(lexer.GetIsSpace());
    EXPECT_EQ(lexer.CharAhead(), u'b');
    lexer.Next();
    EXPECT_EQ(lexer.GetToken(), "b");
    EXPECT_EQ(lexer.GetTokenLoc().Line, 1);
    EXPECT_EQ(lexer.GetTokenLoc().Column, 2);
    EXPECT_TRUE(lexer.FirstInLine());
    lexer.NextId(TokenIdentifier);
    EXPECT_EQ(lexer.GetToken(), "c");
    EXPECT_EQ(lexer.GetTokenLoc().Line, 2);
    try {
        lexer.NextNoSpace();
        ADD_FAILURE();
    } catch (const TKvSyntaxError& e) {
        EXPECT_EQ(e.GetTokenPos().Line, 2);
        EXPECT_EQ(e.GetTokenPos().Column, 2);
    }
    // The end of the text is never passed.
    TKvExpressionLexer end;
    const QString one = "x";
    end.SetOrigin(reinterpret_cast<const char16_t*>(one.utf16()));
    end.NextId(TokenComma);
    EXPECT_TRUE(end.AtEnd());
    end.Next();
    end.Next();
    EXPECT_EQ(end.GetTokenId(), TokenUnknown);
    EXPECT_EQ(end.GetTokenLen(), 0);
}

TEST(ExprParser, PrecedenceAndTheSingleComparison)
{
    // "and" binds tighter than ">": value > (10 and len); "< 3" is left unread.
    auto tree = TKvExpressionParser::Parse("value > 10 and len < 3");
    auto* root = dynamic_cast<TExpressionNode*>(tree->GetRoot());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetOperator(), TokenGreater);
    auto* right = dynamic_cast<TSimpleExpressionNode*>(root->GetRightExpr());
    ASSERT_NE(right, nullptr);
    ASSERT_EQ(right->GetCount(), 1);
    auto* term = dynamic_cast<TTermNode*>(right->GetOperand(0));
    ASSERT_NE(term, nullptr);
    ASSERT_EQ(term->GetCount(), 2);
    EXPECT_EQ(term->GetOperator(0), TokenAnd);
    EXPECT_NE(dynamic_cast<TIdentifierNode*>(term->GetOperand(1)), nullptr);

    // a < b < c stops after a < b.
    tree = TKvExpressionParser::Parse("a < b < c");
    root = dynamic_cast<TExpressionNode*>(tree->GetRoot());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetOperator(), TokenLower);
    auto* rs = dynamic_cast<TSimpleExpressionNode*>(root->GetRightExpr());
    ASSERT_NE(rs, nullptr);
    EXPECT_EQ(rs->GetCount(), 1);

    // Terms and factors: 1 - 2 + 3 or 4 has four terms.
    tree = TKvExpressionParser::Parse("1 - 2 + 3 or 4 xor 5");
    root = dynamic_cast<TExpressionNode*>(tree->GetRoot());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetRightExpr(), nullptr);
    auto* simple = dynamic_cast<TSimpleExpressionNode*>(root->GetLeftExpr());
    ASSERT_NE(simple, nullptr);
    ASSERT_EQ(simple->GetCount(), 5);
    EXPECT_EQ(simple->GetOperator(0), TokenMinus);
    EXPECT_EQ(simple->GetOperator(1), TokenPlus);
    EXPECT_EQ(simple->GetOperator(2), TokenOr);
    EXPECT_EQ(simple->GetOperator(3), TokenXor);
}

TEST(ExprParser, LiteralsIndexersAndUnaryFactors)
{
    auto factorOf = [](TKvExpressionTree* tree) -> TKvExpressionNode* {
        auto* root = dynamic_cast<TExpressionNode*>(tree->GetRoot());
        auto* simple = dynamic_cast<TSimpleExpressionNode*>(root->GetLeftExpr());
        auto* term = dynamic_cast<TTermNode*>(simple->GetOperand(0));
        return term->GetOperand(0);
    };
    auto tree = TKvExpressionParser::Parse("$FF");
    auto* i = dynamic_cast<TIntegerLiteralNode*>(factorOf(tree.get()));
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->GetValue(), 255);
    tree = TKvExpressionParser::Parse("$FFFFFFFF");
    EXPECT_EQ(dynamic_cast<TIntegerLiteralNode*>(factorOf(tree.get()))->GetValue(), -1);
    tree = TKvExpressionParser::Parse("1.5");
    auto* f = dynamic_cast<TFloatLiteralNode*>(factorOf(tree.get()));
    ASSERT_NE(f, nullptr);
    EXPECT_DOUBLE_EQ(f->GetValue(), 1.5);
    tree = TKvExpressionParser::Parse("'it''s'");
    auto* s = dynamic_cast<TStringLiteralNode*>(factorOf(tree.get()));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetValue(), "it's");
    tree = TKvExpressionParser::Parse("\"say \"\"hi\"\"\"");
    EXPECT_EQ(dynamic_cast<TStringLiteralNode*>(factorOf(tree.get()))->GetValue(), "say \"hi\"");
    tree = TKvExpressionParser::Parse("\"it''s\"");
    EXPECT_EQ(dynamic_cast<TStringLiteralNode*>(factorOf(tree.get()))->GetValue(), "it''s");

    tree = TKvExpressionParser::Parse("value[2]");
    auto* ix = dynamic_cast<TIndexerNode*>(factorOf(tree.get()));
    ASSERT_NE(ix, nullptr);
    EXPECT_EQ(ix->GetLiteral(), "value");
    EXPECT_NE(dynamic_cast<TExpressionNode*>(ix->GetIndexer()), nullptr);
    tree = TKvExpressionParser::Parse("Value['Name']");
    ix = dynamic_cast<TIndexerNode*>(factorOf(tree.get()));
    ASSERT_NE(ix, nullptr);
    EXPECT_EQ(ix->GetLiteral(), "Value");

    tree = TKvExpressionParser::Parse("- + not x");
    auto* minus = dynamic_cast<TMinusNode*>(factorOf(tree.get()));
    ASSERT_NE(minus, nullptr);
    auto* plus = dynamic_cast<TPlusNode*>(minus->GetOperand());
    ASSERT_NE(plus, nullptr);
    EXPECT_NE(dynamic_cast<TNotNode*>(plus->GetOperand()), nullptr);
}

TEST(ExprParser, FloatsReadWithAPointWhateverTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto tree = TKvExpressionParser::Parse("2.25");
    QLocale::setDefault(saved);
    EXPECT_EQ(tree->Evaluate(nullptr), Variant(2.25));
}

TEST(ExprParser, SyntaxAndConversionErrors)
{
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("(a + b"), TKvSyntaxError,
                        "Token Is not expected token kind: TokenRoundClose");
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("value[2 + 1"), TKvSyntaxError,
                        "Token Is not expected token kind: TokenBracketClose");
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("'abc"), TKvSyntaxError, "Unterminated string");
    // A factor that matches nothing is an error, not a missing node.
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("a +"), TKvSyntaxError, "Unexpected end of expression");
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse(""), TKvSyntaxError, "Unexpected end of expression");
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("a * )"), TKvSyntaxError,
                        "Token is not a valid factor: TokenRoundClose");
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("x = and"), TKvSyntaxError,
                        "Token is not a valid factor: TokenAnd");
    try {
        TKvExpressionParser::Parse("1 +\n  ]");
        ADD_FAILURE();
    } catch (const TKvSyntaxError& e) {
        EXPECT_EQ(e.GetTokenPos().Line, 0); // the line break is a token: the factor is at it
    }
    try {
        TKvExpressionParser::Parse("(1 + ;");
        ADD_FAILURE();
    } catch (const TKvSyntaxError& e) {
        EXPECT_EQ(e.GetTokenPos().Line, 0);
        EXPECT_EQ(e.GetTokenPos().Column, 5);
    }
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("99999999999"), EConvertError,
                        "'99999999999' is not a valid integer value");
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("1e"), EConvertError, "'1e' is not a valid floating point value");
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("$"), EConvertError, "'$' is not a valid integer value");
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("$100000000"), EConvertError,
                        "'$100000000' is not a valid integer value");
    // Nesting is bounded: deep texts raise instead of exhausting the stack.
    for (const QString& unit : {QStringLiteral("("), QStringLiteral("-"), QStringLiteral("not "),
                                QStringLiteral("x[")})
        KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse(unit.repeated(100000) + "1"), TKvSyntaxError,
                            "Expression is nested too deeply");
    const int depth = TKvExpressionParser::MaxDepth - 1;
    EXPECT_EQ(TKvExpressionParser::Parse(QStringLiteral("(").repeated(depth) + "7" + QStringLiteral(")").repeated(depth))
                  ->Evaluate(nullptr),
              Variant(7));
    EXPECT_EQ(TKvExpressionParser::Parse(QStringLiteral("- ").repeated(depth - 1) + "7")->Evaluate(nullptr),
              Variant((depth - 1) % 2 == 0 ? 7 : -7));
    // Leading and trailing blanks, and whatever follows a complete expression, are harmless.
    EXPECT_EQ(TKvExpressionParser::Parse("  2 ) junk")->Evaluate(nullptr), Variant(2));
    EXPECT_EQ(TKvExpressionParser::Parse("2147483647")->Evaluate(nullptr), Variant(2147483647));
    EXPECT_EQ(TKvExpressionParser::Parse("-2147483647")->Evaluate(nullptr), Variant(-2147483647));
}

TEST(ExprParser, TraceLineOnEntryToEachGrammarProcedure)
{
    TTraceCapture capture;
    TKvExpressionParser::Parse("(x[1]) = 'a'");
    const QStringList expected = {
        ">>>>>>>> Expression",    ">>>>>>>> SimpleExpression", ">>>>>>>> Term",
        ">>>>>>>> Factor",        ">>>>>>>> RoundOpen : (",    ">>>>>>>> Expression",
        ">>>>>>>> SimpleExpression", ">>>>>>>> Term",          ">>>>>>>> Factor",
        ">>>>>>>> Identifier : x", ">>>>>>>> Expression",      ">>>>>>>> SimpleExpression",
        ">>>>>>>> Term",          ">>>>>>>> Factor",            ">>>>>>>> Number : 1",
        ">>>>>>>> SimpleExpression", ">>>>>>>> Term",          ">>>>>>>> Factor",
        ">>>>>>>> CharString : 'a'"};
    EXPECT_EQ(capture.Lines(), expected);
}
