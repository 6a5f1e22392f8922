// The expression language of filters, dynamic styles, summaries and validations:
// lexer, recursive-descent parser, expression tree and the runtime that binds identifiers.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variant.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

namespace kv {

enum TKvTokenKind {
    TokenAdd,
    TokenSlash,
    TokenStar,
    TokenMinus,
    TokenPlus,
    TokenIdentifier,
    TokenAnd,
    TokenIn,
    TokenNot,
    TokenDiv,
    TokenMod,
    TokenShl,
    TokenShr,
    TokenOr,
    TokenXor,
    TokenBraceClose,
    TokenBraceOpen,
    TokenComma,
    TokenCRLF,
    TokenEqual,
    TokenGreater,
    TokenGreaterEqual,
    TokenLower,
    TokenLowerEqual,
    TokenNotEqual,
    TokenString,
    TokenStringConst,
    TokenAscill,
    TokenFloat,
    TokenIntegerConst,
    TokenPoint,
    TokenRoundOpen,
    TokenRoundClose,
    TokenDotDot,
    TokenBracketOpen,
    TokenBracketClose,
    TokenSpace,
    TokenSymbol,
    TokenUnknown
};

// "TokenRoundClose" for TokenRoundClose.
QString TokenKindName(TKvTokenKind kind);
// "=", "<>", "<", "<=", ">" and ">=".
bool IsRelationToken(TKvTokenKind kind);

struct TKvTokenPos
{
    int Line = -1;
    int Column = -1;
};

class TKvSyntaxError : public Exception
{
public:
    explicit TKvSyntaxError(QString message) : Exception(std::move(message)) {}
    // %1, %2 ... of format replaced by args in order.
    TKvSyntaxError(const QString& format, std::initializer_list<QString> args);
    TKvSyntaxError(QString message, TKvTokenPos pos) : Exception(std::move(message)), FTokenPos(pos) {}
    QString ClassName() const override { return QStringLiteral("TKvSyntaxError"); }
    TKvTokenPos GetTokenPos() const { return FTokenPos; }

private:
    TKvTokenPos FTokenPos;
};

// Character codes the lexer classifies one by one; higher codes scan as identifier text.
constexpr int KV_LEXER_CHAR_COUNT = 63736;

// True for "0"-"9", "A"-"Z", "_" and "a"-"z".
bool IsIdentChar(char16_t c);

class TKvExpressionLexer : public TObject
{
public:
    TKvExpressionLexer();

    // Points the lexer at a zero-terminated text (not owned) and rewinds it.
    void SetOrigin(const char16_t* origin);
    void InitFrom(const TKvExpressionLexer& other);

    void Next();
    void NextNoJunk();
    void NextNoSpace();
    // Next until the token is Kind (or the text ends).
    void NextId(TKvTokenKind kind);

    TKvTokenKind GetTokenId() const { return FTokenId; }
    QString GetToken() const;
    int GetTokenLen() const { return FRun - FTokenPos; }
    // Line and column where the current token starts.
    TKvTokenPos GetTokenLoc() const { return {FTokenLine, FTokenPos - FTokenLinePos}; }
    bool GetIsJunk() const { return FTokenId == TokenSpace; }
    bool GetIsSpace() const { return FTokenId == TokenSpace; }
    // The first character at or after the scanning position that is not a blank (codes 1-32).
    char16_t CharAhead();
    bool FirstInLine() const;
    bool AtEnd() const { return FOrigin[FRun] == 0; }

private:
    void ScanSpace();
    void ScanLineFeed();
    void ScanReturn();
    void ScanIdent();
    void ScanNumber();
    void ScanHex();
    void ScanString();
    void ScanPoint();
    void ScanLower();
    void ScanGreater();

    const std::uint8_t* FProcTable;
    const QHash<QString, TKvTokenKind>* FIdentMap;
    TKvTokenKind FTokenId = TokenUnknown;
    int FLineNumber = 0;
    int FLinePos = 0;
    int FRun = 0;
    int FRunAhead = 0;
    const char16_t* FOrigin;
    int FTokenPos = 0;
    int FTokenLine = 0;
    int FTokenLinePos = 0;
};

class TKvExpressionRuntime;

class TKvExpressionNode : public TObject
{
public:
    virtual Variant Evaluate(TKvExpressionRuntime* runtime) = 0;
    // The node that computes this node's value: itself, or, for a node that only passes
    // one operand's value on, that operand's target. Parents evaluate targets directly.
    TKvExpressionNode* Target() { return FTarget ? FTarget : this; }

protected:
    TKvExpressionNode* FTarget = nullptr;
};

using TKvExpressionNodePtr = std::unique_ptr<TKvExpressionNode>;

class TExpressionNode : public TKvExpressionNode
{
public:
    TExpressionNode(TKvExpressionNodePtr left, TKvTokenKind op, TKvExpressionNodePtr right)
        : FLeftExpr(std::move(left)), FRightExpr(std::move(right)), FOperator(op)
    {
        FLeft = FLeftExpr->Target();
        if (FRightExpr)
            FRight = FRightExpr->Target();
        else
            FTarget = FLeft;
    }
    Variant Evaluate(TKvExpressionRuntime* runtime) override;
    TKvExpressionNode* GetLeftExpr() const { return FLeftExpr.get(); }
    TKvExpressionNode* GetRightExpr() const { return FRightExpr.get(); }
    TKvTokenKind GetOperator() const { return FOperator; }

private:
    TKvExpressionNodePtr FLeftExpr;
    TKvExpressionNodePtr FRightExpr;
    TKvTokenKind FOperator;
    TKvExpressionNode* FLeft = nullptr;
    TKvExpressionNode* FRight = nullptr;
};

// Operands joined left to right by operators (one fewer operator than operands).
class TKvOperandListNode : public TKvExpressionNode
{
public:
    void Add(TKvTokenKind op, TKvExpressionNodePtr operand);
    int GetCount() const { return static_cast<int>(FOperands.size()); }
    TKvExpressionNode* GetOperand(int index) const { return FOperands.at(static_cast<size_t>(index)).get(); }
    TKvTokenKind GetOperator(int index) const { return FOperators.at(static_cast<size_t>(index)); }

protected:
    std::vector<TKvExpressionNodePtr> FOperands;
    std::vector<TKvTokenKind> FOperators;
    std::vector<TKvExpressionNode*> FTargets; // the operands' targets
};

class TSimpleExpressionNode : public TKvOperandListNode
{
public:
    Variant Evaluate(TKvExpressionRuntime* runtime) override;
};

class TTermNode : public TKvOperandListNode
{
public:
    Variant Evaluate(TKvExpressionRuntime* runtime) override;
};

class TKvUnaryNode : public TKvExpressionNode
{
public:
    explicit TKvUnaryNode(TKvExpressionNodePtr operand) : FOperand(std::move(operand)), FOperandTarget(FOperand->Target())
    {
    }
    TKvExpressionNode* GetOperand() const { return FOperand.get(); }

protected:
    TKvExpressionNodePtr FOperand;
    TKvExpressionNode* FOperandTarget;
};

class TNotNode : public TKvUnaryNode
{
public:
    using TKvUnaryNode::TKvUnaryNode;
    Variant Evaluate(TKvExpressionRuntime* runtime) override;
};

class TMinusNode : public TKvUnaryNode
{
public:
    using TKvUnaryNode::TKvUnaryNode;
    Variant Evaluate(TKvExpressionRuntime* runtime) override;
};

class TPlusNode : public TKvUnaryNode
{
public:
    using TKvUnaryNode::TKvUnaryNode;
    Variant Evaluate(TKvExpressionRuntime* runtime) override;
};

class TIntegerLiteralNode : public TKvExpressionNode
{
public:
    // Converts the token text ("$" for hexadecimal); raises EConvertError outside 32 bits.
    explicit TIntegerLiteralNode(const QString& text);
    Variant Evaluate(TKvExpressionRuntime*) override { return Variant(FValue); }
    int GetValue() const { return FValue; }

private:
    int FValue;
};

class TFloatLiteralNode : public TKvExpressionNode
{
public:
    // Converts the token text ('.' decimal point); raises EConvertError when it does not read.
    explicit TFloatLiteralNode(const QString& text);
    Variant Evaluate(TKvExpressionRuntime*) override { return Variant(FValue); }
    double GetValue() const { return FValue; }

private:
    double FValue;
};

class TStringLiteralNode : public TKvExpressionNode
{
public:
    // From the token text with its quotes; a doubled quote reads as one.
    explicit TStringLiteralNode(const QString& token);
    Variant Evaluate(TKvExpressionRuntime*) override { return FValue; }
    QString GetValue() const { return FValue.AsString(); }

private:
    Variant FValue;
};

// A name resolved against the runtime that evaluates it. The key is cached per runtime,
// so the same tree evaluated under another runtime reads that runtime's identifiers.
class TIdentifierNode : public TKvExpressionNode
{
public:
    explicit TIdentifierNode(QString literal) : FLiteral(std::move(literal)) {}
    Variant Evaluate(TKvExpressionRuntime* runtime) override;
    const QString& GetLiteral() const { return FLiteral; }

    static constexpr int UnresolvedKey = -651212;

protected:
    int ResolveKey(TKvExpressionRuntime* runtime);

    int FIdKey = UnresolvedKey;
    QString FLiteral;
    std::uint64_t FResolvedBy = 0; // serial of the runtime FIdKey belongs to
};

class TIndexerNode : public TIdentifierNode
{
public:
    TIndexerNode(QString literal, TKvExpressionNodePtr indexer)
        : TIdentifierNode(std::move(literal)), FIndexer(std::move(indexer))
    {
    }
    Variant Evaluate(TKvExpressionRuntime* runtime) override;
    TKvExpressionNode* GetIndexer() const { return FIndexer.get(); }

private:
    TKvExpressionNodePtr FIndexer;
};

// The structure is kept as parsed; evaluation skips nodes that only pass a value on.
class TKvExpressionTree : public TObject
{
public:
    TKvExpressionTree() = default;
    // Unassigned for an empty tree. A comparison of values that have no order raises
    // EVariantError ("Invalid variant operation (String compare Int64)").
    Variant Evaluate(TKvExpressionRuntime* runtime);
    // The same without raising for such a comparison: false, and the evaluation stops where
    // Evaluate would have raised. Other failures raise as in Evaluate. With a nil runtime it
    // is Evaluate.
    bool EvaluateOrdered(TKvExpressionRuntime* runtime, Variant& result);
    TKvExpressionNode* GetRoot() const { return FRoot.get(); }
    void SetRoot(TKvExpressionNodePtr root) { FRoot = std::move(root); }

private:
    TKvExpressionNodePtr FRoot;
};

class TKvExpressionParser : public TObject
{
public:
    TKvExpressionParser();
    ~TKvExpressionParser() override;

    // A new tree owned by the caller; raises TKvSyntaxError or EConvertError on bad text.
    static std::unique_ptr<TKvExpressionTree> Parse(const QString& text);
    // Parse, and the whole text must be the expression: text left after it ("sum((") raises
    // TKvSyntaxError at its first token. Parse leaves such text unread.
    static std::unique_ptr<TKvExpressionTree> ParseAll(const QString& text);
    // Parses a zero-terminated text into Tree's root.
    void Parse(const char16_t* chars, TKvExpressionTree* tree);

    void Expected(TKvTokenKind kind);
    [[noreturn]] void SyntaxError(const QString& message);

    // Factors nested deeper than this raise TKvSyntaxError.
    static constexpr int MaxDepth = 256;

private:
    TKvExpressionNodePtr Expression();
    TKvExpressionNodePtr SimpleExpression();
    TKvExpressionNodePtr Term();
    TKvExpressionNodePtr Factor();
    TKvExpressionNodePtr Identifier();
    TKvExpressionNodePtr CharString();
    TKvExpressionNodePtr Number();
    TKvExpressionNodePtr RoundOpen();
    void Next() { FLexer->NextNoSpace(); }

    std::unique_ptr<TKvExpressionLexer> FLexer;
    TKvExpressionTree* FTree = nullptr;
    TKvExpressionNode* FNode = nullptr;
    int FDepth = 0;
};

// Binds identifier names to integer keys; descendants answer the keys.
class TKvExpressionRuntime : public TObject
{
public:
    TKvExpressionRuntime();

    // Raises Exception for an empty name or a name already registered (in any letter case).
    void AddIdent(int key, const QString& name);
    // Case-insensitive; Key = -1 when unknown, or TKvSyntaxError when raiseError.
    bool IsIdentifier(const QString& name, int& key, bool raiseError) const;
    QString GetIdentName(int key) const;

    virtual Variant EvaluateIdent(int key);
    virtual Variant EvaluateIndexer(int key, const Variant& index);

    // Unique per runtime object for the life of the process.
    std::uint64_t GetSerial() const { return FSerial; }

    // Set by a comparison of values that have no order; the nodes above it then return at
    // once, as if it had raised. TKvExpressionTree clears and reads it.
    bool GetUnordered() const { return FUnordered; }
    void SetUnordered(TVarKind left, TVarKind right)
    {
        FUnordered = true;
        FUnorderedKinds[0] = left;
        FUnorderedKinds[1] = right;
    }
    void ClearUnordered() { FUnordered = false; }
    // The error that the comparison stands for.
    [[noreturn]] void RaiseUnordered();

protected:
    QString KeyText(int key) const;

private:
    QHash<QString, int> FIdents;    // lower-cased name -> key
    QHash<int, QString> FNames;     // key -> name as registered
    std::uint64_t FSerial;
    bool FUnordered = false;
    TVarKind FUnorderedKinds[2] = {TVarKind::Empty, TVarKind::Empty};
};

// Platform-style conversions of literal texts.
int StrToInt(const QString& text);
double StrToFloat(const QString& text);

} // namespace kv
