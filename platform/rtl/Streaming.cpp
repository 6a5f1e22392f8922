// Form streaming: the text form-file reader and writer.
//
// Sections
//   form tree      TFormValue, TFormProperty, TFormObject: a parsed form text, with lines
//   reader guard   follows the components a read made, so that freed ones are not touched
//   parser         TParser: objects, properties and values over a small scanner
//   value helpers  value-type names, float texts, component paths, ReadStep
//   quoted strings QuotedFormString
//   TReader        creation and roll-back, components, properties, collections, fix-ups,
//                  defined-property values
//   (TWriter is in Streaming.Writer.cpp)
//   entry points   Read/WriteComponentText and their file forms
//
// Call flow. Reading: ReadComponentText parses the whole text into a form tree first (syntax
// errors raise before any component exists), then TReader::Read makes or takes the root and
// calls its ReadState, which calls ReadData: properties (ReadProperty -> ReadPropValue, or
// the component's DefineProperties for unpublished names), then each child through
// ReadComponent -> ReadState. References are collected as fix-ups and resolved when the tree
// is read; Loaded runs last. Any failure rolls back what the read made (RollBack).
// Writing: WriteComponentText -> WriteComponent -> the component's WriteState -> WriteData:
// WriteProperties (published, then DefineProperties), then the children from GetChildren.

#include "platform/rtl/Streaming.h"

#include "platform/rtl/Collections.h"
#include "platform/rtl/ScopeGuard.h"

#include <QtCore/QFile>
#include <QtCore/QSaveFile>
#include <algorithm>
#include <cmath>

namespace kv {

namespace detail {

// --- form tree ----------------------------------------------------------------------------

struct TFormProperty;

struct TFormValue
{
    TValueType Type = vaNull;
    int Line = 0;
    std::int64_t Int = 0;
    double Float = 0;
    QString Text;                                   // string, identifier
    QStringList Names;                              // set
    std::vector<TFormValue> List;                   // list
    std::vector<std::vector<TFormProperty>> Items;  // collection
    std::vector<int> ItemLines;
};

struct TFormProperty
{
    QString Name;
    int Line = 0;
    TFormValue Value;
};

struct TFormObject
{
    QString Name;
    QString ClassName;
    int Line = 0;
    std::vector<TFormProperty> Properties;
    std::vector<TFormObject> Children;
};

// --- reader guard -------------------------------------------------------------------------

// Follows the components a reader made, so that one freed meanwhile is not touched again.
class TReaderGuard : public TComponent
{
public:
    explicit TReaderGuard(TReader* reader) : TComponent(nullptr), FReader(reader) {}

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove && FReader)
            FReader->Untrack(component);
    }

private:
    friend class kv::TReader;
    TReader* FReader;
};

// The reader's error: "<message> on line N".
[[noreturn]] void FailAt(int line, const QString& message)
{
    throw EReadError(QStringLiteral("%1 on line %2").arg(message).arg(line));
}

// --- parser -------------------------------------------------------------------------------

enum TTokenKind { tkEof, tkIdent, tkInteger, tkFloat, tkString, tkSymbol };

struct TToken
{
    TTokenKind Kind = tkEof;
    int Line = 1;
    QString Text;
    std::int64_t Int = 0;
    double Float = 0;
    QChar Symbol;
};

class TParser
{
public:
    explicit TParser(const QString& text) : FText(text) { Next(); }

    TFormObject ParseRoot()
    {
        TFormObject root = ParseObject();
        if (FToken.Kind != tkEof)
            Fail(FToken.Line, QStringLiteral("Unexpected %1 after the end of the object").arg(Describe(FToken)));
        return root;
    }

private:
    [[noreturn]] static void Fail(int line, const QString& message) { FailAt(line, message); }

    static QString Describe(const TToken& token)
    {
        switch (token.Kind) {
        case tkEof:
            return QStringLiteral("end of file");
        case tkSymbol:
            return QStringLiteral("'%1'").arg(token.Symbol);
        case tkString:
            return QStringLiteral("string");
        default:
            return QStringLiteral("'%1'").arg(token.Text);
        }
    }

    bool IsKeyword(const char* word) const
    {
        return FToken.Kind == tkIdent && FToken.Text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool IsSymbol(char c) const { return FToken.Kind == tkSymbol && FToken.Symbol == QLatin1Char(c); }

    [[noreturn]] void Unexpected(const QString& expected) const
    {
        if (FToken.Kind == tkEof)
            Fail(FToken.Line, QStringLiteral("Unexpected end of file (%1 expected)").arg(expected));
        Fail(FToken.Line, QStringLiteral("%1 expected but %2 found").arg(expected, Describe(FToken)));
    }

    QString ExpectIdent(bool dotted)
    {
        if (FToken.Kind != tkIdent || (!dotted && FToken.Text.contains(QLatin1Char('.'))))
            Unexpected(QStringLiteral("Identifier"));
        QString text = FToken.Text;
        Next();
        return text;
    }

    void ExpectSymbol(char c)
    {
        if (!IsSymbol(c))
            Unexpected(QStringLiteral("'%1'").arg(QLatin1Char(c)));
        Next();
    }

    // Objects, lists and collections nest no deeper than this, so that a damaged or hostile
    // text cannot exhaust the stack.
    static constexpr int MaxDepth = 200;

    struct TNesting
    {
        explicit TNesting(TParser& parser) : FParser(parser)
        {
            if (++FParser.FDepth > MaxDepth)
                Fail(FParser.FToken.Line, QStringLiteral("Nesting too deep"));
        }
        ~TNesting() { --FParser.FDepth; }
        TParser& FParser;
    };

    TFormObject ParseObject()
    {
        const TNesting nesting(*this);
        TFormObject object;
        object.Line = FToken.Line;
        if (IsKeyword("inherited") || IsKeyword("inline"))
            Fail(FToken.Line, QStringLiteral("'%1' objects are not supported").arg(FToken.Text));
        if (!IsKeyword("object"))
            Unexpected(QStringLiteral("'object'"));
        Next();
        const QString first = ExpectIdent(false);
        if (IsSymbol(':')) {
            Next();
            object.Name = first;
            object.ClassName = ExpectIdent(false);
        } else {
            object.ClassName = first;
        }
        for (;;) {
            if (IsKeyword("end")) {
                Next();
                return object;
            }
            if (IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline")) {
                object.Children.push_back(ParseObject());
                continue;
            }
            if (FToken.Kind != tkIdent)
                Unexpected(QStringLiteral("'end'"));
            object.Properties.push_back(ParseProperty());
        }
    }

    TFormProperty ParseProperty()
    {
        TFormProperty prop;
        prop.Line = FToken.Line;
        prop.Name = ExpectIdent(true);
        ExpectSymbol('=');
        prop.Value = ParseValue();
        return prop;
    }

    TFormValue ParseValue()
    {
        TFormValue value;
        value.Line = FToken.Line;
        switch (FToken.Kind) {
        case tkInteger:
            value.Type = vaInt;
            value.Int = FToken.Int;
            Next();
            return value;
        case tkFloat:
            value.Type = vaFloat;
            value.Float = FToken.Float;
            Next();
            return value;
        case tkString:
            value.Type = vaString;
            value.Text = FToken.Text;
            Next();
            while (IsSymbol('+')) {
                Next();
                if (FToken.Kind != tkString)
                    Unexpected(QStringLiteral("String"));
                value.Text += FToken.Text;
                Next();
            }
            return value;
        case tkIdent:
            value.Text = FToken.Text;
            if (IsKeyword("True"))
                value.Type = vaTrue;
            else if (IsKeyword("False"))
                value.Type = vaFalse;
            else if (IsKeyword("Null"))
                value.Type = vaNull;
            else if (IsKeyword("nil"))
                value.Type = vaNil;
            else
                value.Type = vaIdent;
            Next();
            return value;
        case tkSymbol:
            break;
        case tkEof:
            Unexpected(QStringLiteral("Value"));
        }
        const TNesting nesting(*this);
        if (IsSymbol('[')) {
            value.Type = vaSet;
            Next();
            if (!IsSymbol(']')) {
                for (;;) {
                    value.Names << ExpectIdent(false);
                    if (IsSymbol(']'))
                        break;
                    ExpectSymbol(',');
                }
            }
            Next();
            return value;
        }
        if (IsSymbol('(')) {
            value.Type = vaList;
            Next();
            while (!IsSymbol(')'))
                value.List.push_back(ParseValue());
            Next();
            return value;
        }
        if (IsSymbol('<')) {
            value.Type = vaCollection;
            Next();
            while (!IsSymbol('>')) {
                if (!IsKeyword("item"))
                    Unexpected(QStringLiteral("'item'"));
                value.ItemLines.push_back(FToken.Line);
                Next();
                std::vector<TFormProperty> props;
                while (!IsKeyword("end")) {
                    if (FToken.Kind != tkIdent)
                        Unexpected(QStringLiteral("'end'"));
                    props.push_back(ParseProperty());
                }
                Next();
                value.Items.push_back(std::move(props));
            }
            Next();
            return value;
        }
        if (IsSymbol('{'))
            Fail(FToken.Line, QStringLiteral("Binary data is not supported"));
        Unexpected(QStringLiteral("Value"));
    }

    // --- scanner ---

    QChar Peek(qsizetype ahead = 0) const
    {
        const qsizetype i = FPos + ahead;
        return i < FText.size() ? FText.at(i) : QChar();
    }

    static bool IsIdentStart(QChar c) { return c.isLetter() || c == QLatin1Char('_'); }
    static bool IsIdentChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }
    static bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

    void Next()
    {
        // Skip white space.
        while (FPos < FText.size()) {
            const QChar c = FText.at(FPos);
            if (c == QLatin1Char('\n'))
                ++FLine;
            else if (!c.isSpace())
                break;
            ++FPos;
        }
        FToken = TToken();
        FToken.Line = FLine;
        if (FPos >= FText.size())
            return;
        const QChar c = FText.at(FPos);
        if (IsIdentStart(c)) {
            const qsizetype start = FPos;
            while (IsIdentChar(Peek()))
                ++FPos;
            while (Peek() == QLatin1Char('.') && IsIdentStart(Peek(1))) {
                ++FPos;
                while (IsIdentChar(Peek()))
                    ++FPos;
            }
            FToken.Kind = tkIdent;
            FToken.Text = FText.mid(start, FPos - start);
            return;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('#')) {
            ScanString();
            return;
        }
        if (IsDigit(c) || c == QLatin1Char('$') ||
            ((c == QLatin1Char('-') || c == QLatin1Char('+')) && (IsDigit(Peek(1)) || Peek(1) == QLatin1Char('$')))) {
            ScanNumber();
            return;
        }
        if (QStringLiteral("=:[](),<>+{}").contains(c)) {
            FToken.Kind = tkSymbol;
            FToken.Symbol = c;
            ++FPos;
            return;
        }
        Fail(FLine, QStringLiteral("Invalid character '%1'").arg(c));
    }

    void ScanString()
    {
        QString text;
        for (;;) {
            const QChar c = Peek();
            if (c == QLatin1Char('\'')) {
                ++FPos;
                for (;;) {
                    if (FPos >= FText.size() || Peek() == QLatin1Char('\n') || Peek() == QLatin1Char('\r'))
                        Fail(FLine, QStringLiteral("Unterminated string"));
                    const QChar s = FText.at(FPos++);
                    if (s == QLatin1Char('\'')) {
                        if (Peek() == QLatin1Char('\'')) {
                            text += s;
                            ++FPos;
                            continue;
                        }
                        break;
                    }
                    text += s;
                }
            } else if (c == QLatin1Char('#')) {
                ++FPos;
                const qsizetype start = FPos;
                while (IsDigit(Peek()))
                    ++FPos;
                bool ok = false;
                const uint code = FText.mid(start, FPos - start).toUInt(&ok);
                if (!ok || code > 0x10FFFF)
                    Fail(FLine, QStringLiteral("Invalid character code"));
                if (code > 0xFFFF) {
                    const char32_t ucs = code;
                    text += QString::fromUcs4(&ucs, 1);
                } else {
                    text += QChar(static_cast<char16_t>(code));
                }
            } else {
                break;
            }
        }
        FToken.Kind = tkString;
        FToken.Text = text;
    }

    void ScanNumber()
    {
        const qsizetype start = FPos;
        bool negative = false;
        if (Peek() == QLatin1Char('-') || Peek() == QLatin1Char('+')) {
            negative = Peek() == QLatin1Char('-');
            ++FPos;
        }
        if (Peek() == QLatin1Char('$')) {
            ++FPos;
            const qsizetype digits = FPos;
            while (Peek().isDigit() || QStringLiteral("abcdefABCDEF").contains(Peek()))
                ++FPos;
            bool ok = false;
            const qulonglong v = FText.mid(digits, FPos - digits).toULongLong(&ok, 16);
            if (!ok || IsIdentChar(Peek()))
                Fail(FLine, QStringLiteral("Invalid number"));
            FToken.Kind = tkInteger;
            FToken.Text = FText.mid(start, FPos - start);
            // 64 hexadecimal bits, negated as unsigned: $FFFFFFFFFFFFFFFF is -1.
            FToken.Int = static_cast<std::int64_t>(negative ? 0 - v : v);
            return;
        }
        bool isFloat = false;
        while (IsDigit(Peek()))
            ++FPos;
        if (Peek() == QLatin1Char('.') && IsDigit(Peek(1))) {
            isFloat = true;
            ++FPos;
            while (IsDigit(Peek()))
                ++FPos;
        }
        if (Peek() == QLatin1Char('e') || Peek() == QLatin1Char('E')) {
            qsizetype ahead = 1;
            if (Peek(1) == QLatin1Char('+') || Peek(1) == QLatin1Char('-'))
                ahead = 2;
            if (IsDigit(Peek(ahead))) {
                isFloat = true;
                FPos += ahead;
                while (IsDigit(Peek()))
                    ++FPos;
            }
        }
        if (IsIdentChar(Peek()) || Peek() == QLatin1Char('.'))
            Fail(FLine, QStringLiteral("Invalid number"));
        const QString text = FText.mid(start, FPos - start);
        FToken.Text = text;
        bool ok = false;
        if (isFloat) {
            FToken.Kind = tkFloat;
            FToken.Float = text.toDouble(&ok); // the C locale
        } else {
            FToken.Kind = tkInteger;
            FToken.Int = text.toLongLong(&ok, 10);
        }
        if (!ok)
            Fail(FLine, QStringLiteral("Invalid number"));
    }

    const QString& FText;
    qsizetype FPos = 0;
    int FLine = 1;
    int FDepth = 0;
    TToken FToken;
};

// --- value helpers ------------------------------------------------------------------------

QString ValueTypeName(TValueType type)
{
    switch (type) {
    case vaNull:
        return QStringLiteral("Null");
    case vaNil:
        return QStringLiteral("nil");
    case vaInt:
        return QStringLiteral("integer");
    case vaFloat:
        return QStringLiteral("float");
    case vaString:
        return QStringLiteral("string");
    case vaIdent:
        return QStringLiteral("identifier");
    case vaFalse:
    case vaTrue:
        return QStringLiteral("boolean");
    case vaSet:
        return QStringLiteral("set");
    case vaList:
        return QStringLiteral("list");
    case vaCollection:
        return QStringLiteral("collection");
    }
    return QString();
}

[[noreturn]] void InvalidValue(const TFormValue& value)
{
    throw EPropertyConvertError(QStringLiteral("Invalid property value (%1)").arg(ValueTypeName(value.Type)));
}

QString FloatText(double value)
{
    if (!std::isfinite(value))
        throw EPropertyConvertError(QStringLiteral("Invalid floating point value"));
    QString text = FloatToStr(value);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')) && !text.contains(QLatin1Char('E')))
        text += QLatin1String(".0");
    return text;
}

QString ComponentPath(const TComponent* component)
{
    if (!component)
        return QString();
    return component->GetName().isEmpty() ? component->ClassName() : component->GetName();
}

// Runs one step of reading a component; an error of the component's own code becomes a read
// error naming the component and the line of its object block.
template <typename F>
void ReadStep(const TComponent* component, int line, F&& step)
{
    try {
        step();
    } catch (const EReadError&) {
        throw;
    } catch (const Exception& e) {
        FailAt(line, QStringLiteral("Error reading %1: %2").arg(ComponentPath(component), e.Message()));
    }
}

} // namespace detail

using namespace detail;

// --- quoted strings -----------------------------------------------------------------------

QString QuotedFormString(const QString& value)
{
    if (value.isEmpty())
        return QStringLiteral("''");
    QString result;
    bool open = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        bool plain = c.unicode() >= 32 && c.unicode() != 127;
        if (c.isHighSurrogate())
            plain = i + 1 < value.size() && value.at(i + 1).isLowSurrogate();
        else if (c.isLowSurrogate())
            plain = i > 0 && value.at(i - 1).isHighSurrogate();
        if (plain) {
            if (!open) {
                result += QLatin1Char('\'');
                open = true;
            }
            result += c;
            if (c == QLatin1Char('\''))
                result += c;
        } else {
            if (open) {
                result += QLatin1Char('\'');
                open = false;
            }
            result += QLatin1Char('#') + QString::number(c.unicode());
        }
    }
    if (open)
        result += QLatin1Char('\'');
    return result;
}

// --- TReader ------------------------------------------------------------------------------

TReader::TReader() = default;

TReader::~TReader()
{
    if (FGuard) {
        for (TComponent* c : FCreated)
            FGuard->RemoveFreeNotification(c);
        for (TComponent* c : FLoaded)
            FGuard->RemoveFreeNotification(c);
        FGuard->FReader = nullptr;
        FGuard->Free();
    }
}

void TReader::Fail(int line, const QString& message)
{
    FailAt(line, message);
}

void TReader::Track(TComponent* component)
{
    FGuard->FreeNotification(component);
}

void TReader::Untrack(TComponent* component)
{
    FCreated.erase(std::remove(FCreated.begin(), FCreated.end(), component), FCreated.end());
    FLoaded.erase(std::remove(FLoaded.begin(), FLoaded.end(), component), FLoaded.end());
    for (auto& fixup : FFixups)
        if (fixup.Base == component)
            fixup.Base = nullptr;
    if (FPathBase == component)
        FPathBase = nullptr;
}

void TReader::RollBack()
{
    // Last made first, so that nothing is freed twice: freeing an owner frees what it owns,
    // and the guard drops those from the list.
    while (!FCreated.empty()) {
        TComponent* component = FCreated.back();
        FCreated.pop_back();
        FLoaded.erase(std::remove(FLoaded.begin(), FLoaded.end(), component), FLoaded.end());
        FGuard->RemoveFreeNotification(component);
        component->Free();
    }
    for (TComponent* component : FLoaded) {
        component->FComponentState.Exclude(csLoading);
        component->FComponentState.Exclude(csReading);
    }
}

TComponent* TReader::CreateLoading(const TClassInfo& info, TComponent* owner, bool designing)
{
    // The component is in the loading state from its constructor on.
    struct TFlag
    {
        explicit TFlag(bool designing)
        {
            TComponent::FCreatingForReader = true;
            TComponent::FDesigningForReader = designing;
        }
        ~TFlag()
        {
            TComponent::FCreatingForReader = false;
            TComponent::FDesigningForReader = false;
        }
    } flag(designing);
    return info.CreateComponent(owner);
}

TComponent* TReader::Read(const TFormObject& node, TComponent* instance, TComponent* owner)
{
    FGuard = Create<TReaderGuard>(this);
    TComponent* root = instance;
    const QString oldName = instance ? instance->GetName() : QString();
    try {
        if (!root) {
            const TClassInfo* info = GetClass(node.ClassName);
            if (!info)
                Fail(node.Line, QStringLiteral("Class %1 not found").arg(node.ClassName));
            if (!info->CanCreateComponent())
                Fail(node.Line, QStringLiteral("Class %1 is not a component class").arg(node.ClassName));
            root = CreateLoading(*info, owner, FDesigning);
            FCreated.push_back(root);
            Track(root);
        } else {
            Track(root);
        }
        FRoot = root;
        FLoaded.push_back(root);
        root->FComponentState.Include(csLoading);
        root->FComponentState.Include(csReading);
        if (!node.Name.isEmpty() && node.Name != root->GetName()) {
            try {
                root->SetName(node.Name);
            } catch (const Exception& e) {
                Fail(node.Line, e.Message());
            }
        }
        FNode = &node;
        FOwner = root;
        FParent = nullptr;
        FLines[root] = node.Line;
        ReadStep(root, node.Line, [&] { root->ReadState(*this); });
        ResolveFixups();
        // Loaded may free components (the guard drops them); walk a copy and check membership.
        const std::vector<TComponent*> loaded = FLoaded;
        for (TComponent* component : loaded)
            if (std::find(FLoaded.begin(), FLoaded.end(), component) != FLoaded.end())
                ReadStep(component, FLines[component], [component] { component->Loaded(); });
    } catch (...) {
        RollBack();
        if (instance && instance->GetName() != oldName) {
            try {
                instance->SetName(oldName);
            } catch (...) {
            }
        }
        throw;
    }
    return root;
}

void TReader::ReadData(TComponent* instance)
{
    const TFormObject* node = FNode;
    if (!node)
        throw EReadError(QStringLiteral("ReadData is only called while reading a component"));
    const QString context = ComponentPath(instance);
    TComponent* oldBase = FPathBase;
    FPathBase = instance;
    FPath.clear();
    for (const TFormProperty& prop : node->Properties)
        ReadProperty(instance, prop, context);
    FPathBase = oldBase;

    TComponent* oldOwner = FOwner;
    TComponent* oldParent = FParent;
    FParent = instance->GetChildParent();
    FOwner = instance->GetChildOwner();
    if (!FOwner)
        FOwner = FRoot;
    int order = 0;
    for (const TFormObject& child : node->Children)
        ReadComponent(child, order++);
    FOwner = oldOwner;
    FParent = oldParent;
    FNode = node;
}

void TReader::ReadComponent(const TFormObject& node, int order)
{
    const TClassInfo* info = GetClass(node.ClassName);
    if (!info)
        Fail(node.Line, QStringLiteral("Class %1 not found").arg(node.ClassName));
    if (!info->CanCreateComponent())
        Fail(node.Line, QStringLiteral("Class %1 is not a component class").arg(node.ClassName));
    TComponent* component = nullptr;
    try {
        component = CreateLoading(*info, FOwner, FDesigning);
    } catch (const EReadError&) {
        throw;
    } catch (const Exception& e) {
        Fail(node.Line, QStringLiteral("Cannot create %1: %2").arg(node.ClassName, e.Message()));
    }
    FCreated.push_back(component);
    Track(component);
    component->FComponentState.Include(csLoading);
    component->FComponentState.Include(csReading);
    FLoaded.push_back(component);
    try {
        if (!node.Name.isEmpty())
            component->SetName(node.Name);
        if (component->HasParent() && FParent)
            component->SetParentComponent(FParent);
    } catch (const EReadError&) {
        throw;
    } catch (const Exception& e) {
        Fail(node.Line, QStringLiteral("Error reading %1: %2").arg(node.Name.isEmpty() ? node.ClassName : node.Name, e.Message()));
    }
    FLines[component] = node.Line;
    const TFormObject* oldNode = FNode;
    FNode = &node;
    ReadStep(component, node.Line, [&] {
        component->ReadState(*this);
        if (FParent && std::find(FLoaded.begin(), FLoaded.end(), component) != FLoaded.end())
            FParent->SetChildOrder(component, order);
    });
    FNode = oldNode;
}

void TReader::ReadProperty(TObject* instance, const TFormProperty& prop, const QString& context)
{
    const size_t pathDepth = FPath.size();
    try {
        const QStringList parts = prop.Name.split(QLatin1Char('.'));
        TObject* target = instance;
        for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
            const TPropInfo* info = FindPropInfo(target, parts.at(i));
            if (!info)
                throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(parts.at(i)));
            if (info->Kind != pkObject || info->Indexed)
                throw EPropertyError(QStringLiteral("Property %1 is not an object").arg(parts.at(i)));
            target = info->GetObject(target);
            if (!target)
                throw EPropertyError(QStringLiteral("Property %1 is nil").arg(parts.at(i)));
            FPath.push_back({info->Name, -1});
        }
        const QString name = parts.last();
        const TPropInfo* info = FindPropInfo(target, name);
        if (info && !info->Indexed) {
            if (info->Kind == pkCollection) {
                auto* collection = static_cast<TCollection*>(info->GetObject(target));
                if (!collection)
                    throw EPropertyError(QStringLiteral("Property %1 is nil").arg(name));
                FPath.push_back({info->Name, -1});
                ReadCollection(collection, prop.Value, context + QLatin1Char('.') + prop.Name);
            } else {
                FPath.push_back({info->Name, -1});
                ReadPropValue(target, *info, prop.Value);
            }
        } else {
            auto* persistent = dynamic_cast<TPersistent*>(target);
            FDefineName = name;
            FDefineHandled = false;
            FDefineValue = &prop.Value;
            FCursor.assign(1, TCursor{nullptr, 0});
            if (persistent)
                persistent->DefineProperties(*this);
            const bool handled = FDefineHandled;
            const bool consumed = FCursor.size() == 1 && FCursor.back().Index == 1;
            FDefineName.clear();
            FDefineValue = nullptr;
            FCursor.clear();
            if (!handled)
                throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(name));
            if (!consumed)
                InvalidValue(prop.Value);
        }
    } catch (const EReadError&) {
        FPath.resize(pathDepth);
        throw;
    } catch (const Exception& e) {
        FPath.resize(pathDepth);
        Fail(prop.Line, QStringLiteral("Error reading %1.%2: %3").arg(context, prop.Name, e.Message()));
    }
    FPath.resize(pathDepth);
}

void TReader::ReadPropValue(TObject* instance, const TPropInfo& prop, const TFormValue& value)
{
    if (prop.Kind == pkObject)
        InvalidValue(value);
    if (!prop.Writable)
        throw EPropertyError(QStringLiteral("Property %1 is read-only").arg(prop.Name));
    switch (prop.Kind) {
    case pkInteger:
        if (value.Type != vaInt)
            InvalidValue(value);
        // A stored value below what a user may type reads as the least one.
        SetRawValue(instance, prop, Variant(std::max(value.Int, prop.Least)));
        return;
    case pkFloat:
        if (value.Type == vaInt)
            SetRawValue(instance, prop, Variant(static_cast<double>(value.Int)));
        else if (value.Type == vaFloat)
            SetRawValue(instance, prop, Variant(value.Float));
        else
            InvalidValue(value);
        return;
    case pkBoolean:
        if (value.Type != vaTrue && value.Type != vaFalse)
            InvalidValue(value);
        SetRawValue(instance, prop, Variant(value.Type == vaTrue));
        return;
    case pkEnumeration: {
        if (value.Type != vaIdent)
            InvalidValue(value);
        const int ordinal = prop.EnumType->ValueOf(value.Text);
        if (ordinal < 0)
            throw EPropertyConvertError(QStringLiteral("Invalid property value '%1'").arg(value.Text));
        SetRawValue(instance, prop, Variant(ordinal));
        return;
    }
    case pkSet: {
        if (value.Type != vaSet)
            InvalidValue(value);
        const std::uint64_t bits = NamesToSet(*prop.EnumType, value.Names);
        SetRawValue(instance, prop, Variant(static_cast<std::int64_t>(bits)));
        return;
    }
    case pkString:
        if (value.Type != vaString)
            InvalidValue(value);
        SetRawValue(instance, prop, Variant(value.Text));
        return;
    case pkVariant:
        SetRawValue(instance, prop, ValueToVariant(value));
        return;
    case pkStringList:
        // A list of strings, as DefineProperties wrote string lists before they were published.
        if (value.Type != vaList)
            InvalidValue(value);
        for (const TFormValue& line : value.List)
            if (line.Type != vaString)
                InvalidValue(line);
        SetRawValue(instance, prop, ValueToVariant(value));
        return;
    case pkComponent:
        if (value.Type == vaNil) {
            SetObjectProp(instance, prop, nullptr);
            return;
        }
        if (value.Type != vaIdent)
            InvalidValue(value);
        if (!FPathBase)
            throw EPropertyError(QStringLiteral("Component references are only read inside components"));
        FFixups.push_back(TFixup{FPathBase, FPath, value.Text, ComponentPath(FPathBase), value.Line});
        return;
    case pkMethod:
        if (value.Type == vaNil) {
            SetMethodProp(instance, prop, FRoot, QString());
            return;
        }
        if (value.Type != vaIdent)
            InvalidValue(value);
        SetMethodProp(instance, prop, FRoot, value.Text);
        return;
    default:
        InvalidValue(value);
    }
}

Variant TReader::ValueToVariant(const TFormValue& value) const
{
    switch (value.Type) {
    case vaNull:
        return Variant::Null();
    case vaNil:
        return Variant();
    case vaInt:
        return Variant(value.Int);
    case vaFloat:
        return Variant(value.Float);
    case vaString:
        return Variant(value.Text);
    case vaTrue:
        return Variant(true);
    case vaFalse:
        return Variant(false);
    case vaList: {
        std::vector<Variant> items;
        items.reserve(value.List.size());
        for (const TFormValue& item : value.List)
            items.push_back(ValueToVariant(item));
        return Variant::Array(std::move(items));
    }
    default:
        InvalidValue(value);
    }
}

void TReader::ReadCollection(TCollection* collection, const TFormValue& value, const QString& context)
{
    if (value.Type != vaCollection)
        InvalidValue(value);
    // Fix-ups into the items about to be replaced would point nowhere.
    for (auto& fixup : FFixups)
        if (fixup.Base == FPathBase && fixup.Path.size() >= FPath.size() &&
            std::equal(FPath.begin(), FPath.end() - 1, fixup.Path.begin(),
                       [](const TPathStep& a, const TPathStep& b) { return a.Name == b.Name && a.Index == b.Index; }) &&
            fixup.Path[FPath.size() - 1].Name == FPath.back().Name && fixup.Path.size() > FPath.size())
            fixup.Base = nullptr;
    collection->BeginUpdate();
    {
        TScopeExit endUpdate([&] {
            FPath.back().Index = -1;
            collection->EndUpdate();
        });
        collection->Clear();
        for (size_t i = 0; i < value.Items.size(); ++i) {
            TCollectionItem* item = nullptr;
            try {
                item = collection->Add();
            } catch (const Exception& e) {
                Fail(value.ItemLines[i], QStringLiteral("Error reading %1: %2").arg(context, e.Message()));
            }
            FPath.back().Index = static_cast<int>(i);
            const QString itemContext = QStringLiteral("%1[%2]").arg(context).arg(i);
            for (const TFormProperty& prop : value.Items[i])
                ReadProperty(item, prop, itemContext);
        }
    }
}

TComponent* TReader::FindReference(const QString& name) const
{
    const QStringList parts = name.split(QLatin1Char('.'));
    TComponent* current = nullptr;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (i == 0) {
            current = FRoot->FindComponent(part);
            if (!current && !FRoot->GetName().isEmpty() && FRoot->GetName().compare(part, Qt::CaseInsensitive) == 0)
                current = FRoot;
        } else {
            current = current->FindComponent(part);
        }
        if (!current)
            return nullptr;
    }
    return current;
}

void TReader::ResolveFixups()
{
    for (const TFixup& fixup : FFixups) {
        if (!fixup.Base)
            continue; // the object holding the reference is gone
        TObject* target = fixup.Base;
        const TPropInfo* prop = nullptr;
        bool found = true;
        for (size_t i = 0; i < fixup.Path.size() && found; ++i) {
            const TPathStep& step = fixup.Path[i];
            prop = FindPropInfo(target, step.Name);
            if (!prop) {
                found = false;
                break;
            }
            if (i + 1 == fixup.Path.size())
                break;
            TObject* next = prop->GetObject ? prop->GetObject(target) : nullptr;
            if (next && step.Index >= 0) {
                auto* collection = dynamic_cast<TCollection*>(next);
                next = collection && step.Index < collection->Count() ? collection->GetItem(step.Index) : nullptr;
            }
            if (!next)
                found = false;
            target = next;
        }
        if (!found || !prop)
            continue;
        TComponent* reference = FindReference(fixup.Reference);
        QString path;
        for (const TPathStep& step : fixup.Path) {
            if (!path.isEmpty())
                path += QLatin1Char('.');
            path += step.Name;
            if (step.Index >= 0)
                path += QStringLiteral("[%1]").arg(step.Index);
        }
        if (!reference)
            Fail(fixup.Line, QStringLiteral("Error reading %1.%2: Unresolved component reference %3")
                                 .arg(fixup.Context, path, fixup.Reference));
        try {
            SetObjectProp(target, *prop, reference);
        } catch (const Exception& e) {
            Fail(fixup.Line, QStringLiteral("Error reading %1.%2: %3").arg(fixup.Context, path, e.Message()));
        }
    }
    FFixups.clear();
}

void TReader::DefineProperty(const QString& name, const TReaderProc& readData, const TWriterProc&, bool)
{
    if (FDefineHandled || !readData || FDefineName.isEmpty() ||
        name.compare(FDefineName, Qt::CaseInsensitive) != 0)
        return;
    FDefineHandled = true;
    readData(*this);
}

const TFormValue* TReader::Peek() const
{
    if (FCursor.empty() || !FDefineValue)
        return nullptr;
    const TCursor& cursor = FCursor.back();
    if (!cursor.List)
        return cursor.Index == 0 ? FDefineValue : nullptr;
    return cursor.Index < cursor.List->List.size() ? &cursor.List->List[cursor.Index] : nullptr;
}

const TFormValue& TReader::Take()
{
    const TFormValue* value = Peek();
    if (!value)
        throw EPropertyConvertError(QStringLiteral("Invalid property value (no value)"));
    ++FCursor.back().Index;
    return *value;
}

TValueType TReader::NextValue() const
{
    const TFormValue* value = Peek();
    if (!value)
        throw EPropertyConvertError(QStringLiteral("Invalid property value (no value)"));
    return value->Type;
}

QString TReader::ReadString()
{
    const TFormValue& value = Take();
    if (value.Type != vaString)
        InvalidValue(value);
    return value.Text;
}

std::int64_t TReader::ReadInt64()
{
    const TFormValue& value = Take();
    if (value.Type != vaInt)
        InvalidValue(value);
    return value.Int;
}

int TReader::ReadInteger()
{
    const TFormValue& value = Take();
    if (value.Type != vaInt || value.Int < std::numeric_limits<int>::min() || value.Int > std::numeric_limits<int>::max())
        InvalidValue(value);
    return static_cast<int>(value.Int);
}

double TReader::ReadFloat()
{
    const TFormValue& value = Take();
    if (value.Type == vaInt)
        return static_cast<double>(value.Int);
    if (value.Type != vaFloat)
        InvalidValue(value);
    return value.Float;
}

bool TReader::ReadBoolean()
{
    const TFormValue& value = Take();
    if (value.Type != vaTrue && value.Type != vaFalse)
        InvalidValue(value);
    return value.Type == vaTrue;
}

QString TReader::ReadIdent()
{
    const TFormValue& value = Take();
    if (value.Type != vaIdent && value.Type != vaTrue && value.Type != vaFalse && value.Type != vaNull &&
        value.Type != vaNil)
        InvalidValue(value);
    // The scanner also takes dotted names (references) and non-ASCII letters; only what
    // WriteIdent writes is an identifier value.
    if (!IsValidIdent(value.Text))
        throw EPropertyConvertError(QStringLiteral("Invalid identifier '%1'").arg(value.Text));
    return value.Text;
}

Variant TReader::ReadVariant()
{
    return ValueToVariant(Take());
}

void TReader::ReadListBegin()
{
    const TFormValue& value = Take();
    if (value.Type != vaList)
        InvalidValue(value);
    FCursor.push_back(TCursor{&value, 0});
}

bool TReader::EndOfList() const
{
    return FCursor.size() > 1 && Peek() == nullptr;
}

void TReader::ReadListEnd()
{
    if (FCursor.size() < 2)
        throw EPropertyConvertError(QStringLiteral("Invalid property value (not in a list)"));
    if (Peek())
        InvalidValue(*Peek());
    FCursor.pop_back();
}

// --- entry points -------------------------------------------------------------------------

QString WriteComponentText(TComponent* root)
{
    if (!root)
        throw EArgumentNilException(QStringLiteral("root"));
    TWriter writer(root);
    writer.WriteComponent(root);
    return writer.Text();
}

TComponent* ReadComponentText(const QString& text, TComponent* instance, TComponent* owner)
{
    TParser parser(text);
    const TFormObject root = parser.ParseRoot();
    TReader reader;
    return reader.Read(root, instance, owner);
}

TComponent* ReadDesignComponentText(const QString& text, TComponent* instance, TComponent* owner)
{
    TParser parser(text);
    const TFormObject root = parser.ParseRoot();
    const bool wasDesigning = instance && instance->IsDesigning();
    if (instance && !wasDesigning)
        instance->SetDesigning(true, true);
    TReader reader;
    reader.FDesigning = true;
    {
        TScopeExit restoreDesigning([&] {
            if (instance && !wasDesigning)
                instance->SetDesigning(false, true);
        });
        TComponent* result = reader.Read(root, instance, owner);
        restoreDesigning.Dismiss();
        return result;
    }
}

void WriteComponentFile(const QString& fileName, TComponent* root)
{
    const QByteArray data = WriteComponentText(root).toUtf8();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFilerError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    if (file.write(data) != data.size() || !file.commit())
        throw EFilerError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()));
}

namespace {

QString ReadFormFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFilerError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    QByteArray data = file.readAll();
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    return QString::fromUtf8(data);
}

} // namespace

TComponent* ReadComponentFile(const QString& fileName, TComponent* instance, TComponent* owner)
{
    return ReadComponentText(ReadFormFile(fileName), instance, owner);
}

TComponent* ReadDesignComponentFile(const QString& fileName, TComponent* instance, TComponent* owner)
{
    return ReadDesignComponentText(ReadFormFile(fileName), instance, owner);
}

} // namespace kv
