// The expression language: lexer, recursive-descent parser, expression tree, runtime.
//
// Sections: token kinds; conversions; character tables; lexer (one token ahead, scanners by
// first character); nodes (each evaluates itself); parser; runtime.
//
// Call flow: TKvExpressionParser::Parse runs the lexer over the text and builds the tree by
// the grammar's levels (Expression: a comparison or "in"; SimpleExpression: sums and "or";
// Term: products and "and"; Factor: literals, identifiers, indexers, "not", signs,
// parentheses); a syntax error raises TKvSyntaxError. TKvExpressionTree::Evaluate asks the
// root node, which asks its operands: an identifier resolves its key once per runtime
// (IsIdentifier) and reads its value through the runtime (EvaluateIdent, EvaluateIndexer). A
// comparison of values that have no order stops the evaluation; Evaluate then raises,
// EvaluateOrdered answers false.
#include "model/KvGrids.Expressions.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Trace.h"

#include <array>
#include <atomic>
#include <limits>

namespace kv {

// --- token kinds ----------------------------------------------------------------------------

QString TokenKindName(TKvTokenKind kind)
{
    static const char* const names[] = {
        "TokenAdd",          "TokenSlash",       "TokenStar",         "TokenMinus",      "TokenPlus",
        "TokenIdentifier",   "TokenAnd",         "TokenIn",           "TokenNot",        "TokenDiv",
        "TokenMod",          "TokenShl",         "TokenShr",          "TokenOr",         "TokenXor",
        "TokenBraceClose",   "TokenBraceOpen",   "TokenComma",        "TokenCRLF",       "TokenEqual",
        "TokenGreater",      "TokenGreaterEqual", "TokenLower",       "TokenLowerEqual", "TokenNotEqual",
        "TokenString",       "TokenStringConst", "TokenAscill",       "TokenFloat",      "TokenIntegerConst",
        "TokenPoint",        "TokenRoundOpen",   "TokenRoundClose",   "TokenDotDot",     "TokenBracketOpen",
        "TokenBracketClose", "TokenSpace",       "TokenSymbol",       "TokenUnknown"};
    static_assert(sizeof(names) / sizeof(names[0]) == TokenUnknown + 1);
    if (kind < TokenAdd || kind > TokenUnknown)
        return QString::number(static_cast<int>(kind));
    return QString::fromLatin1(names[kind]);
}

TKvSyntaxError::TKvSyntaxError(const QString& format, std::initializer_list<QString> args)
    : Exception(format)
{
    QString text = format;
    for (const QString& a : args)
        text = text.arg(a);
    SetMessage(text);
}

// --- conversions ----------------------------------------------------------------------------

int StrToInt(const QString& text)
{
    const QString t = text.trimmed();
    bool ok = false;
    qlonglong v = 0;
    if (t.startsWith(QLatin1Char('$'))) {
        // Hexadecimal up to 32 bits, read as a two's complement Integer.
        const QStringView digits = QStringView(t).mid(1);
        if (!digits.isEmpty() && digits.size() <= 8) {
            v = digits.toLongLong(&ok, 16);
            if (ok && !digits.startsWith(QLatin1Char('-')) && !digits.startsWith(QLatin1Char('+')))
                return static_cast<int>(static_cast<std::uint32_t>(v));
        }
        ok = false;
    } else {
        v = t.toLongLong(&ok, 10);
        ok = ok && v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
    }
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return static_cast<int>(v);
}

double StrToFloat(const QString& text)
{
    double d = 0;
    if (!TryStrToFloat(text, d))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return d;
}

// --- character tables -----------------------------------------------------------------------

namespace {

// Scanning procedure of each character code.
enum TScanProc : std::uint8_t {
    ProcUnknown,
    ProcSpace,
    ProcLineFeed,
    ProcReturn,
    ProcIdent,
    ProcNumber,
    ProcHex,
    ProcString,
    ProcRoundOpen,
    ProcRoundClose,
    ProcBracketOpen,
    ProcBracketClose,
    ProcStar,
    ProcPlus,
    ProcComma,
    ProcMinus,
    ProcSlash,
    ProcEqual,
    ProcPoint,
    ProcLower,
    ProcGreater,
    ProcSymbol,
};

struct TCharTables
{
    std::array<bool, KV_LEXER_CHAR_COUNT> Ident{};
    std::array<std::uint8_t, KV_LEXER_CHAR_COUNT> Procs{};

    TCharTables()
    {
        for (int c = '0'; c <= '9'; ++c)
            Ident[c] = true;
        for (int c = 'A'; c <= 'Z'; ++c)
            Ident[c] = true;
        for (int c = 'a'; c <= 'z'; ++c)
            Ident[c] = true;
        Ident['_'] = true;

        Procs.fill(ProcUnknown);
        for (int c = 1; c <= 32; ++c)
            Procs[c] = ProcSpace;
        Procs[10] = ProcLineFeed;
        Procs[13] = ProcReturn;
        for (int c = 'A'; c <= 'Z'; ++c)
            Procs[c] = ProcIdent;
        for (int c = 'a'; c <= 'z'; ++c)
            Procs[c] = ProcIdent;
        Procs['_'] = ProcIdent;
        for (int c = '0'; c <= '9'; ++c)
            Procs[c] = ProcNumber;
        Procs['$'] = ProcHex;
        Procs['"'] = ProcString;
        Procs['\''] = ProcString;
        Procs['('] = ProcRoundOpen;
        Procs[')'] = ProcRoundClose;
        Procs['['] = ProcBracketOpen;
        Procs[']'] = ProcBracketClose;
        Procs['*'] = ProcStar;
        Procs['+'] = ProcPlus;
        Procs[','] = ProcComma;
        Procs['-'] = ProcMinus;
        Procs['/'] = ProcSlash;
        Procs['='] = ProcEqual;
        Procs['.'] = ProcPoint;
        Procs['<'] = ProcLower;
        Procs['>'] = ProcGreater;
        for (int c : {33, 37, 38, 58, 59, 63, 64, 92, 94, 96, 126})
            Procs[c] = ProcSymbol;
    }
};

// Filled when the module loads.
const TCharTables gCharTables;

const QHash<QString, TKvTokenKind>& KeywordMap()
{
    static const QHash<QString, TKvTokenKind> map = {
        {QStringLiteral("and"), TokenAnd}, {QStringLiteral("in"), TokenIn},   {QStringLiteral("mod"), TokenMod},
        {QStringLiteral("or"), TokenOr},   {QStringLiteral("div"), TokenDiv}, {QStringLiteral("shl"), TokenShl},
        {QStringLiteral("shr"), TokenShr}, {QStringLiteral("not"), TokenNot}, {QStringLiteral("xor"), TokenXor}};
    return map;
}

const char16_t gEmptyText[1] = {0};

inline bool IsBlank(char16_t c) { return c >= 1 && c <= 32 && c != 10 && c != 13; }

// Steps over c when it stands at run.
inline bool SkipChar(const char16_t* origin, int& run, char16_t c)
{
    if (origin[run] != c)
        return false;
    ++run;
    return true;
}

} // namespace

bool IsIdentChar(char16_t c) { return c < KV_LEXER_CHAR_COUNT && gCharTables.Ident[c]; }

// --- lexer ----------------------------------------------------------------------------------

TKvExpressionLexer::TKvExpressionLexer()
    : FProcTable(gCharTables.Procs.data()), FIdentMap(&KeywordMap()), FOrigin(gEmptyText)
{
}

void TKvExpressionLexer::SetOrigin(const char16_t* origin)
{
    FOrigin = origin ? origin : gEmptyText;
    FRun = 0;
    FRunAhead = 0;
    FLineNumber = 0;
    FLinePos = 0;
    FTokenPos = 0;
    FTokenLine = 0;
    FTokenLinePos = 0;
    FTokenId = TokenUnknown;
}

void TKvExpressionLexer::InitFrom(const TKvExpressionLexer& other)
{
    FOrigin = other.FOrigin;
    FLineNumber = other.FLineNumber;
    FLinePos = other.FLinePos;
    FRun = other.FRun;
}

QString TKvExpressionLexer::GetToken() const
{
    return QString::fromUtf16(FOrigin + FTokenPos, FRun - FTokenPos);
}

void TKvExpressionLexer::Next()
{
    FTokenPos = FRun;
    FTokenLine = FLineNumber;
    FTokenLinePos = FLinePos;
    const char16_t c = FOrigin[FRun];
    if (c >= KV_LEXER_CHAR_COUNT) {
        ScanIdent();
        return;
    }
    switch (FProcTable[c]) {
    case ProcSpace: ScanSpace(); break;
    case ProcLineFeed: ScanLineFeed(); break;
    case ProcReturn: ScanReturn(); break;
    case ProcIdent: ScanIdent(); break;
    case ProcNumber: ScanNumber(); break;
    case ProcHex: ScanHex(); break;
    case ProcString: ScanString(); break;
    case ProcRoundOpen: FTokenId = TokenRoundOpen; ++FRun; break;
    case ProcRoundClose: FTokenId = TokenRoundClose; ++FRun; break;
    case ProcBracketOpen: FTokenId = TokenBracketOpen; ++FRun; break;
    case ProcBracketClose: FTokenId = TokenBracketClose; ++FRun; break;
    case ProcStar: FTokenId = TokenStar; ++FRun; break;
    case ProcPlus: FTokenId = TokenPlus; ++FRun; break;
    case ProcComma: FTokenId = TokenComma; ++FRun; break;
    case ProcMinus: FTokenId = TokenMinus; ++FRun; break;
    case ProcSlash: FTokenId = TokenSlash; ++FRun; break;
    case ProcEqual: FTokenId = TokenEqual; ++FRun; break;
    case ProcPoint: ScanPoint(); break;
    case ProcLower: ScanLower(); break;
    case ProcGreater: ScanGreater(); break;
    case ProcSymbol: FTokenId = TokenSymbol; ++FRun; break;
    default:
        FTokenId = TokenUnknown;
        // The terminating zero is never passed: the text ends there for every later call.
        if (c != 0)
            ++FRun;
        break;
    }
}

void TKvExpressionLexer::NextNoJunk() { NextNoSpace(); }

void TKvExpressionLexer::NextNoSpace()
{
    do
        Next();
    while (FTokenId == TokenSpace);
}

void TKvExpressionLexer::NextId(TKvTokenKind kind)
{
    do
        Next();
    while (FTokenId != kind && !(FTokenId == TokenUnknown && AtEnd()));
}

char16_t TKvExpressionLexer::CharAhead()
{
    FRunAhead = FRun;
    while (FOrigin[FRunAhead] >= 1 && FOrigin[FRunAhead] <= 32)
        ++FRunAhead;
    return FOrigin[FRunAhead];
}

bool TKvExpressionLexer::FirstInLine() const
{
    for (int i = FTokenPos - 1; i >= 0; --i) {
        const char16_t c = FOrigin[i];
        if (c == 10 || c == 13)
            return true;
        if (!IsBlank(c))
            return false;
    }
    return true;
}

void TKvExpressionLexer::ScanSpace()
{
    FTokenId = TokenSpace;
    while (IsBlank(FOrigin[FRun]))
        ++FRun;
}

void TKvExpressionLexer::ScanLineFeed()
{
    FTokenId = TokenCRLF;
    ++FRun;
    ++FLineNumber;
    FLinePos = FRun;
}

void TKvExpressionLexer::ScanReturn()
{
    FTokenId = TokenCRLF;
    ++FRun;
    if (FOrigin[FRun] == 10)
        ++FRun;
    ++FLineNumber;
    FLinePos = FRun;
}

void TKvExpressionLexer::ScanIdent()
{
    for (;;) {
        const char16_t c = FOrigin[FRun];
        if (c >= KV_LEXER_CHAR_COUNT || (c != 0 && gCharTables.Ident[c]))
            ++FRun;
        else
            break;
    }
    FTokenId = TokenIdentifier;
    // Every keyword has two or three letters.
    const int len = FRun - FTokenPos;
    if (len >= 2 && len <= 3) {
        const auto it = FIdentMap->constFind(GetToken().toLower());
        if (it != FIdentMap->constEnd())
            FTokenId = it.value();
    }
}

void TKvExpressionLexer::ScanNumber()
{
    FTokenId = TokenIntegerConst;
    for (;;) {
        const char16_t c = FOrigin[FRun];
        if (c >= '0' && c <= '9') {
            ++FRun;
        } else if (c == '.') {
            if (FOrigin[FRun + 1] == '.')
                break; // a range "1..2"
            FTokenId = TokenFloat;
            ++FRun;
        } else if (c == 'E' || c == 'e') {
            // An exponent makes the number a float as a decimal point does.
            FTokenId = TokenFloat;
            ++FRun;
        } else {
            break;
        }
    }
}

void TKvExpressionLexer::ScanHex()
{
    FTokenId = TokenIntegerConst;
    ++FRun;
    for (;;) {
        const char16_t c = FOrigin[FRun];
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))
            ++FRun;
        else
            break;
    }
}

void TKvExpressionLexer::ScanString()
{
    FTokenId = TokenStringConst;
    const char16_t quote = FOrigin[FRun];
    ++FRun;
    for (;;) {
        const char16_t c = FOrigin[FRun];
        if (c == 0 || c == 10 || c == 13)
            throw TKvSyntaxError(QStringLiteral("Unterminated string"), GetTokenLoc());
        if (c == quote) {
            if (FOrigin[FRun + 1] == quote) {
                FRun += 2; // an escaped quote
                continue;
            }
            ++FRun;
            return;
        }
        ++FRun;
    }
}

void TKvExpressionLexer::ScanPoint()
{
    ++FRun;
    FTokenId = SkipChar(FOrigin, FRun, '.') ? TokenDotDot : TokenPoint;
}

void TKvExpressionLexer::ScanLower()
{
    ++FRun;
    FTokenId = SkipChar(FOrigin, FRun, '=')   ? TokenLowerEqual
               : SkipChar(FOrigin, FRun, '>') ? TokenNotEqual
                                              : TokenLower;
}

void TKvExpressionLexer::ScanGreater()
{
    ++FRun;
    FTokenId = SkipChar(FOrigin, FRun, '=') ? TokenGreaterEqual : TokenGreater;
}

// --- nodes ----------------------------------------------------------------------------------

bool IsRelationToken(TKvTokenKind kind)
{
    switch (kind) {
    case TokenEqual:
    case TokenNotEqual:
    case TokenLower:
    case TokenLowerEqual:
    case TokenGreater:
    case TokenGreaterEqual: return true;
    default: return false;
    }
}

namespace {
// A comparison of values that have no order marks the runtime (or raises without one).
inline bool CompareValues(TKvExpressionRuntime* runtime, const Variant& left, const Variant& right, int& c)
{
    if (left.IsInteger() && right.IsInteger()) {
        const std::int64_t x = left.IntUnchecked(), y = right.IntUnchecked();
        c = x < y ? -1 : x > y ? 1 : 0;
        return true;
    }
    switch (VarRelate(left, right)) {
    case TVarRelation::Less: c = -1; return true;
    case TVarRelation::Equal: c = 0; return true;
    case TVarRelation::Greater: c = 1; return true;
    case TVarRelation::Unordered: break;
    }
    if (!runtime)
        VarCompare(left, right); // raises
    runtime->SetUnordered(left.Kind(), right.Kind());
    return false;
}

// True when an operand met an unordered comparison: the caller returns at once.
inline bool Stopped(const TKvExpressionRuntime* runtime) { return runtime && runtime->GetUnordered(); }
} // namespace

Variant TExpressionNode::Evaluate(TKvExpressionRuntime* runtime)
{
    if (!FRight)
        return FLeft->Evaluate(runtime);
    const Variant left = FLeft->Evaluate(runtime);
    if (Stopped(runtime))
        return Variant();
    const Variant right = FRight->Evaluate(runtime);
    if (Stopped(runtime))
        return Variant();
    if (!IsRelationToken(FOperator))
        throw TKvSyntaxError(QStringLiteral("Unknown expression operator: ") + TokenKindName(FOperator));
    int c = 0;
    if (!CompareValues(runtime, left, right, c))
        return Variant();
    switch (FOperator) {
    case TokenEqual: return Variant(c == 0);
    case TokenGreater: return Variant(c > 0);
    case TokenGreaterEqual: return Variant(c >= 0);
    case TokenLower: return Variant(c < 0);
    case TokenLowerEqual: return Variant(c <= 0);
    default: return Variant(c != 0);
    }
}

void TKvOperandListNode::Add(TKvTokenKind op, TKvExpressionNodePtr operand)
{
    if (!FOperands.empty())
        FOperators.push_back(op);
    FTargets.push_back(operand->Target());
    FOperands.push_back(std::move(operand));
    FTarget = FTargets.size() == 1 ? FTargets.front() : nullptr;
}

Variant TSimpleExpressionNode::Evaluate(TKvExpressionRuntime* runtime)
{
    if (FTargets.empty())
        return Variant();
    if (FTargets.size() == 1)
        return FTargets[0]->Evaluate(runtime);
    Variant value = FTargets[0]->Evaluate(runtime);
    for (size_t i = 1; i < FTargets.size(); ++i) {
        if (Stopped(runtime))
            return Variant();
        const Variant operand = FTargets[i]->Evaluate(runtime);
        if (Stopped(runtime))
            return Variant();
        switch (FOperators[i - 1]) {
        case TokenMinus: value = VarSub(value, operand); break;
        case TokenPlus: value = VarAdd(value, operand); break;
        case TokenOr:
            if (value.IsBoolean() && operand.IsBoolean())
                value = Variant(value.AsBool() || operand.AsBool());
            else
                value = VarOr(value, operand);
            break;
        case TokenXor: value = VarXor(value, operand); break;
        default:
            throw TKvSyntaxError(QStringLiteral("Unknown expression operator: ") + TokenKindName(FOperators[i - 1]));
        }
    }
    return value;
}

namespace {
Variant ApplyTermOperator(TKvTokenKind op, const Variant& value, const Variant& operand)
{
    switch (op) {
    case TokenSlash: return VarDiv(value, operand);
    case TokenStar: return VarMul(value, operand);
    case TokenAnd:
        if (value.IsBoolean() && operand.IsBoolean())
            return Variant(value.AsBool() && operand.AsBool());
        return VarAnd(value, operand);
    case TokenDiv: return VarIntDiv(value, operand);
    case TokenMod: return VarMod(value, operand);
    case TokenShl: return VarShl(value, operand);
    case TokenShr: return VarShr(value, operand);
    default: throw TKvSyntaxError(QStringLiteral("Unknown expression operator: ") + TokenKindName(op));
    }
}
} // namespace

Variant TTermNode::Evaluate(TKvExpressionRuntime* runtime)
{
    switch (FTargets.size()) {
    case 0: return Variant();
    case 1: return FTargets[0]->Evaluate(runtime);
    case 2: {
        const Variant first = FTargets[0]->Evaluate(runtime);
        if (Stopped(runtime))
            return Variant();
        const Variant second = FTargets[1]->Evaluate(runtime);
        if (Stopped(runtime))
            return Variant();
        return ApplyTermOperator(FOperators[0], first, second);
    }
    default: break;
    }
    Variant value = FTargets[0]->Evaluate(runtime);
    for (size_t i = 1; i < FTargets.size(); ++i) {
        if (Stopped(runtime))
            return Variant();
        const Variant operand = FTargets[i]->Evaluate(runtime);
        if (Stopped(runtime))
            return Variant();
        value = ApplyTermOperator(FOperators[i - 1], value, operand);
    }
    return value;
}

Variant TNotNode::Evaluate(TKvExpressionRuntime* runtime)
{
    const Variant operand = FOperandTarget->Evaluate(runtime);
    return Stopped(runtime) ? Variant() : VarNot(operand);
}

Variant TMinusNode::Evaluate(TKvExpressionRuntime* runtime)
{
    const Variant operand = FOperandTarget->Evaluate(runtime);
    return Stopped(runtime) ? Variant() : VarNeg(operand);
}

Variant TPlusNode::Evaluate(TKvExpressionRuntime* runtime) { return FOperandTarget->Evaluate(runtime); }

TIntegerLiteralNode::TIntegerLiteralNode(const QString& text) : FValue(StrToInt(text)) {}

TFloatLiteralNode::TFloatLiteralNode(const QString& text) : FValue(StrToFloat(text)) {}

TStringLiteralNode::TStringLiteralNode(const QString& token)
{
    QString text = token;
    if (text.size() >= 2) {
        const QChar quote = text.at(0);
        text = text.mid(1, text.size() - 2);
        text.replace(QString(2, quote), QString(quote));
    }
    FValue = Variant(std::move(text));
}

int TIdentifierNode::ResolveKey(TKvExpressionRuntime* runtime)
{
    if (!runtime) // no runtime knows any name
        throw TKvSyntaxError(QStringLiteral("Token is a not valid Identifier: ") + FLiteral);
    if (FIdKey == UnresolvedKey || FResolvedBy != runtime->GetSerial()) {
        int key = -1;
        runtime->IsIdentifier(FLiteral, key, true);
        FIdKey = key;
        FResolvedBy = runtime->GetSerial();
    }
    return FIdKey;
}

Variant TIdentifierNode::Evaluate(TKvExpressionRuntime* runtime)
{
    const int key = ResolveKey(runtime);
    return runtime->EvaluateIdent(key);
}

Variant TIndexerNode::Evaluate(TKvExpressionRuntime* runtime)
{
    const int key = ResolveKey(runtime);
    const Variant index = FIndexer->Target()->Evaluate(runtime);
    if (Stopped(runtime))
        return Variant();
    return runtime->EvaluateIndexer(key, index);
}

bool TKvExpressionTree::EvaluateOrdered(TKvExpressionRuntime* runtime, Variant& result)
{
    if (!FRoot) {
        result = Variant();
        return true;
    }
    if (runtime)
        runtime->ClearUnordered();
    result = FRoot->Target()->Evaluate(runtime);
    if (!Stopped(runtime))
        return true;
    runtime->ClearUnordered();
    result = Variant();
    return false;
}

Variant TKvExpressionTree::Evaluate(TKvExpressionRuntime* runtime)
{
    Variant result;
    if (!EvaluateOrdered(runtime, result))
        runtime->RaiseUnordered();
    return result;
}

// --- parser ---------------------------------------------------------------------------------

TKvExpressionParser::TKvExpressionParser() : FLexer(std::make_unique<TKvExpressionLexer>()) {}

TKvExpressionParser::~TKvExpressionParser() = default;

std::unique_ptr<TKvExpressionTree> TKvExpressionParser::Parse(const QString& text)
{
    auto tree = std::make_unique<TKvExpressionTree>();
    TKvExpressionParser parser;
    parser.Parse(reinterpret_cast<const char16_t*>(text.utf16()), tree.get());
    return tree;
}

std::unique_ptr<TKvExpressionTree> TKvExpressionParser::ParseAll(const QString& text)
{
    auto tree = std::make_unique<TKvExpressionTree>();
    TKvExpressionParser parser;
    parser.Parse(reinterpret_cast<const char16_t*>(text.utf16()), tree.get());
    // Line breaks at the end are no text.
    while (parser.FLexer->GetTokenId() == TokenCRLF)
        parser.Next();
    if (!(parser.FLexer->AtEnd() && parser.FLexer->GetTokenId() == TokenUnknown))
        parser.SyntaxError(QStringLiteral("Unexpected text after the expression: ") + parser.FLexer->GetToken());
    return tree;
}

void TKvExpressionParser::Parse(const char16_t* chars, TKvExpressionTree* tree)
{
    FTree = tree;
    FNode = nullptr;
    FDepth = 0;
    FLexer->SetOrigin(chars);
    FLexer->Next();
    if (FLexer->GetIsSpace())
        FLexer->Next();
    FTree->SetRoot(Expression());
}

void TKvExpressionParser::Expected(TKvTokenKind kind)
{
    if (FLexer->GetTokenId() != kind)
        throw TKvSyntaxError(QStringLiteral("Token Is not expected token kind: ") + TokenKindName(kind),
                             FLexer->GetTokenLoc());
    Next();
}

void TKvExpressionParser::SyntaxError(const QString& message)
{
    throw TKvSyntaxError(message, FLexer->GetTokenLoc());
}

TKvExpressionNodePtr TKvExpressionParser::Expression()
{
    trace(">>>>>>>> Expression");
    TKvExpressionNodePtr left = SimpleExpression();
    const TKvTokenKind op = FLexer->GetTokenId();
    switch (op) {
    case TokenEqual:
    case TokenGreater:
    case TokenGreaterEqual:
    case TokenLower:
    case TokenLowerEqual:
    case TokenNotEqual:
    case TokenIn: {
        Next();
        TKvExpressionNodePtr right = SimpleExpression();
        auto node = std::make_unique<TExpressionNode>(std::move(left), op, std::move(right));
        FNode = node.get();
        return node;
    }
    default: {
        auto node = std::make_unique<TExpressionNode>(std::move(left), TokenUnknown, nullptr);
        FNode = node.get();
        return node;
    }
    }
}

TKvExpressionNodePtr TKvExpressionParser::SimpleExpression()
{
    trace(">>>>>>>> SimpleExpression");
    auto node = std::make_unique<TSimpleExpressionNode>();
    node->Add(TokenUnknown, Term());
    for (;;) {
        const TKvTokenKind op = FLexer->GetTokenId();
        if (op != TokenMinus && op != TokenPlus && op != TokenOr && op != TokenXor)
            break;
        Next();
        node->Add(op, Term());
    }
    FNode = node.get();
    return node;
}

TKvExpressionNodePtr TKvExpressionParser::Term()
{
    trace(">>>>>>>> Term");
    auto node = std::make_unique<TTermNode>();
    node->Add(TokenUnknown, Factor());
    for (;;) {
        const TKvTokenKind op = FLexer->GetTokenId();
        if (op != TokenSlash && op != TokenStar && op != TokenAnd && op != TokenDiv && op != TokenMod &&
            op != TokenShl && op != TokenShr)
            break;
        Next();
        node->Add(op, Factor());
    }
    FNode = node.get();
    return node;
}

TKvExpressionNodePtr TKvExpressionParser::Factor()
{
    trace(">>>>>>>> Factor");
    // Every nesting (unary operators, parentheses, indexes) passes through here: a bounded depth
    // keeps parsing, evaluating and freeing the tree off the end of the stack.
    ++FDepth;
    TScopeExit depth([this] { --FDepth; });
    if (FDepth > MaxDepth)
        SyntaxError(QStringLiteral("Expression is nested too deeply"));
    TKvExpressionNodePtr node;
    switch (FLexer->GetTokenId()) {
    case TokenMinus:
        Next();
        node = std::make_unique<TMinusNode>(Factor());
        break;
    case TokenPlus:
        Next();
        node = std::make_unique<TPlusNode>(Factor());
        break;
    case TokenNot:
        Next();
        node = std::make_unique<TNotNode>(Factor());
        break;
    case TokenIdentifier: node = Identifier(); break;
    case TokenStringConst: node = CharString(); break;
    case TokenIntegerConst:
    case TokenFloat: node = Number(); break;
    case TokenRoundOpen: node = RoundOpen(); break;
    default:
        // Nothing here starts a factor (an operator at the end of the text, a stray symbol).
        if (FLexer->AtEnd() && FLexer->GetTokenId() == TokenUnknown)
            SyntaxError(QStringLiteral("Unexpected end of expression"));
        SyntaxError(QStringLiteral("Token is not a valid factor: ") + TokenKindName(FLexer->GetTokenId()));
    }
    FNode = node.get();
    return node;
}

TKvExpressionNodePtr TKvExpressionParser::Identifier()
{
    const QString name = FLexer->GetToken();
    if (TraceEnabled())
        KV_TRACE(QStringLiteral(">>>>>>>> Identifier : ") + name);
    Next();
    if (FLexer->GetTokenId() == TokenBracketOpen) {
        Next();
        TKvExpressionNodePtr index = Expression();
        Expected(TokenBracketClose);
        return std::make_unique<TIndexerNode>(name, std::move(index));
    }
    return std::make_unique<TIdentifierNode>(name);
}

TKvExpressionNodePtr TKvExpressionParser::CharString()
{
    const QString token = FLexer->GetToken();
    if (TraceEnabled())
        KV_TRACE(QStringLiteral(">>>>>>>> CharString : ") + token);
    auto node = std::make_unique<TStringLiteralNode>(token);
    Next();
    return node;
}

TKvExpressionNodePtr TKvExpressionParser::Number()
{
    const QString token = FLexer->GetToken();
    if (TraceEnabled())
        KV_TRACE(QStringLiteral(">>>>>>>> Number : ") + token);
    TKvExpressionNodePtr node;
    if (FLexer->GetTokenId() == TokenFloat)
        node = std::make_unique<TFloatLiteralNode>(token);
    else if (FLexer->GetTokenId() == TokenIntegerConst)
        node = std::make_unique<TIntegerLiteralNode>(token);
    else
        SyntaxError(QStringLiteral("Invalid Number"));
    Next();
    return node;
}

TKvExpressionNodePtr TKvExpressionParser::RoundOpen()
{
    if (TraceEnabled())
        KV_TRACE(QStringLiteral(">>>>>>>> RoundOpen : ") + FLexer->GetToken());
    Next();
    TKvExpressionNodePtr node = Expression();
    Expected(TokenRoundClose);
    return node;
}

// --- runtime --------------------------------------------------------------------------------

namespace {
std::uint64_t NextRuntimeSerial()
{
    static std::uint64_t serial = 0; // GUI thread only
    return ++serial;
}
} // namespace

TKvExpressionRuntime::TKvExpressionRuntime() : FSerial(NextRuntimeSerial()) {}

void TKvExpressionRuntime::AddIdent(int key, const QString& name)
{
    if (name.isEmpty())
        throw Exception(QStringLiteral("Identifier literal must be not empty"));
    const QString lower = name.toLower();
    if (FIdents.contains(lower))
        throw Exception(QStringLiteral("Identifier literal is already registered"));
    FIdents.insert(lower, key);
    if (!FNames.contains(key))
        FNames.insert(key, name);
}

bool TKvExpressionRuntime::IsIdentifier(const QString& name, int& key, bool raiseError) const
{
    const auto it = FIdents.constFind(name.toLower());
    if (it != FIdents.constEnd()) {
        key = it.value();
        return true;
    }
    key = -1;
    if (raiseError)
        throw TKvSyntaxError(QStringLiteral("Token is a not valid Identifier: ") + name);
    return false;
}

QString TKvExpressionRuntime::GetIdentName(int key) const { return FNames.value(key); }

QString TKvExpressionRuntime::KeyText(int key) const
{
    const QString name = GetIdentName(key);
    return name.isEmpty() ? QString::number(key) : name;
}

void TKvExpressionRuntime::RaiseUnordered()
{
    FUnordered = false;
    throw EVariantError(QStringLiteral("Invalid variant operation (%1 compare %2)")
                            .arg(Variant::KindName(FUnorderedKinds[0]), Variant::KindName(FUnorderedKinds[1])));
}

Variant TKvExpressionRuntime::EvaluateIdent(int key)
{
    throw Exception(QStringLiteral("Invalid identifier key: ") + KeyText(key));
}

Variant TKvExpressionRuntime::EvaluateIndexer(int key, const Variant& index)
{
    throw Exception(QStringLiteral("Invalid identifier indexer: ") + KeyText(key));
}

} // namespace kv
