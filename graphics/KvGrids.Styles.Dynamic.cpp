#include "graphics/KvGrids.Styles.Dynamic.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/TypInfo.h"

namespace kv {

std::unique_ptr<TKvExpressionTree> ParsePropertyExpression(const QString& property, const QString& text, bool whole)
{
    if (text.isEmpty())
        return nullptr;
    try {
        return whole ? TKvExpressionParser::ParseAll(text) : TKvExpressionParser::Parse(text);
    } catch (const TKvSyntaxError& e) {
        const TKvTokenPos pos = e.GetTokenPos();
        QString where;
        if (pos.Line == 0 && pos.Column >= 0)
            where = QStringLiteral(" at position %1").arg(pos.Column + 1);
        else if (pos.Line > 0 && pos.Column >= 0)
            where = QStringLiteral(" at line %1, column %2").arg(pos.Line + 1).arg(pos.Column + 1);
        throw TKvSyntaxError(QStringLiteral("%1 \"%2\" does not parse: %3%4").arg(property, text, e.Message(), where),
                             pos);
    } catch (const EConvertError& e) {
        throw EConvertError(QStringLiteral("%1 \"%2\" does not parse: %3").arg(property, text, e.Message()));
    }
}

namespace {

// A published value of a cell's style set outside the style table, which the bag's text
// access writes.
bool IsStyleSetProperty(const QString& name)
{
    const TPropInfo* prop = ClassInfo<TKvGridViewStyles>().FindProperty(name);
    return prop && !prop->Indexed && prop->Writable && !prop->IsObjectKind();
}

} // namespace

namespace {

const TComponent* OwningComponent(const TPersistent* object)
{
    for (const TPersistent* p = object; p; p = p->GetOwner())
        if (const auto* component = dynamic_cast<const TComponent*>(p))
            return component;
    return nullptr;
}

} // namespace

bool IsOwnerLoading(const TPersistent* object)
{
    const TComponent* component = OwningComponent(object);
    return component && (component->IsLoading() || (component->GetOwner() && component->GetOwner()->IsLoading()));
}

// --- item ---------------------------------------------------------------------------------

TKvGridDynamicStyle::TKvGridDynamicStyle(TCollection* collection) : TCollectionItem(collection) {}

TKvGridDynamicStyle::~TKvGridDynamicStyle() = default;

void TKvGridDynamicStyle::SetActive(bool value)
{
    if (ChangeField(FActive, value))
        Changed(false);
}

void TKvGridDynamicStyle::SetCriteria(const QString& value)
{
    if (value == FCriteria)
        return;
    std::unique_ptr<TKvExpressionTree> tree = ParseCriteria(value, !IsOwnerLoading(this));
    FCriteria = value;
    FExprTree = std::move(tree);
    CheckIdentifiers();
    Changed(false);
}

void TKvGridDynamicStyle::SetStyles(const QString& value)
{
    // Text given to a component's dynamic styles is refused here, unless the component is
    // being read from a form: what a form holds is reported when it is applied, as is
    // everything of a collection that no component owns (it may style any kind of bag).
    StoreStyles(value, OwningComponent(this) && !IsOwnerLoading(this));
}

void TKvGridDynamicStyle::StoreStyles(const QString& value, bool check)
{
    if (value == FStyles)
        return;
    std::unique_ptr<TStyleMap> map = ParseStyles(value);
    if (check)
        for (const TStyleValue& style : *map) {
            const QString error = style.Property ? TKvStyleProperties::TextError(*style.Property, style.Text) : QString();
            if (!error.isEmpty())
                throw EConvertError(QStringLiteral("Styles \"%1\": %2").arg(value, error));
            if (!style.Property && !IsStyleSetProperty(style.Name))
                throw EConvertError(
                    QStringLiteral("Styles \"%1\": \"%2\" is not the name of a style").arg(value, style.Name));
        }
    FStyles = value;
    FStyleMap = std::move(map);
    FReported = false;
    Changed(false);
}

void TKvGridDynamicStyle::BuildExpression()
{
    FExprTree = ParseCriteria(FCriteria, false);
    CheckIdentifiers();
}

namespace {

// The first identifier under node that knows does not know; empty when there is none.
QString UnknownIdentifier(TKvExpressionNode* node, const TKvGridDynamicStyleCollection::TKnowsIdentifier& knows)
{
    if (!node)
        return QString();
    if (auto* ident = dynamic_cast<TIdentifierNode*>(node)) {
        if (!knows(ident->GetLiteral()))
            return ident->GetLiteral();
        if (auto* indexer = dynamic_cast<TIndexerNode*>(node))
            return UnknownIdentifier(indexer->GetIndexer(), knows);
        return QString();
    }
    if (auto* binary = dynamic_cast<TExpressionNode*>(node)) {
        QString name = UnknownIdentifier(binary->GetLeftExpr(), knows);
        return name.isEmpty() ? UnknownIdentifier(binary->GetRightExpr(), knows) : name;
    }
    if (auto* list = dynamic_cast<TKvOperandListNode*>(node)) {
        for (int i = 0; i < list->GetCount(); ++i) {
            QString name = UnknownIdentifier(list->GetOperand(i), knows);
            if (!name.isEmpty())
                return name;
        }
        return QString();
    }
    if (auto* unary = dynamic_cast<TKvUnaryNode*>(node))
        return UnknownIdentifier(unary->GetOperand(), knows);
    return QString();
}

} // namespace

void TKvGridDynamicStyle::CheckIdentifiers()
{
    FReported = false;
    FCriteriaError.clear();
    const auto* owner = dynamic_cast<const TKvGridDynamicStyleCollection*>(GetCollection());
    if (!owner || !owner->GetKnowsIdentifier() || !FExprTree)
        return;
    const QString name = UnknownIdentifier(FExprTree->GetRoot(), owner->GetKnowsIdentifier());
    // The message the runtime raises when it meets the name.
    if (!name.isEmpty())
        FCriteriaError = QStringLiteral("Token is a not valid Identifier: ") + name;
}

void TKvGridDynamicStyle::BuildStyles() { FStyleMap = ParseStyles(FStyles); }

std::unique_ptr<TKvExpressionTree> TKvGridDynamicStyle::ParseCriteria(const QString& text, bool whole)
{
    // An empty criteria is an empty tree, which never holds.
    if (text.trimmed().isEmpty())
        return std::make_unique<TKvExpressionTree>();
    return ParsePropertyExpression(QStringLiteral("Criteria"), text, whole);
}

std::unique_ptr<TKvGridDynamicStyle::TStyleMap> TKvGridDynamicStyle::ParseStyles(const QString& text)
{
    auto map = std::make_unique<TStyleMap>();
    if (text.isEmpty())
        return map;
    for (const QString& part : text.split(QLatin1Char(';'))) {
        // Blank parts (a trailing ";", or ";;") add nothing.
        if (part.trimmed().isEmpty())
            continue;
        // The value is everything after the first '=' (it may hold '=' itself).
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        TStyleValue value;
        value.Name = (eq < 0 ? part : part.left(eq)).trimmed();
        if (eq >= 0)
            value.Text = part.mid(eq + 1).trimmed();
        for (const TStyleValue& earlier : *map)
            if (earlier.Name == value.Name)
                throw EListError(QStringLiteral("Duplicates not allowed"));

        // Converted once here, so that applying it to a cell parses nothing and makes nothing.
        value.Property = TKvStyleProperties::FindText(value.Name);
        if (value.Property) {
            try {
                switch (value.Property->Kind) {
                case svkEnumeration: value.Ordinal = TKvStyleProperties::TextToOrdinal(*value.Property, value.Text); break;
                case svkInteger: value.Ordinal = TKvStyleProperties::TextToInteger(value.Text); break;
                case svkString: value.String = value.Text; break;
                case svkFill: value.Graphic = TKvGridStyleBag::MakeShared(TKvFill::CreateFrom(value.Text)); break;
                case svkStroke: value.Graphic = TKvGridStyleBag::MakeShared(TKvStroke::CreateFrom(value.Text)); break;
                case svkFont: value.Graphic = TKvGridStyleBag::MakeShared(TKvFont::CreateFrom(value.Text)); break;
                }
            } catch (const Exception& e) {
                value.Error = e.Message();
            }
        }
        map->push_back(std::move(value));
    }
    return map;
}

std::vector<std::pair<QString, QString>> TKvGridDynamicStyle::GetStylePairs() const
{
    std::vector<std::pair<QString, QString>> pairs;
    if (FStyleMap)
        for (const TStyleValue& value : *FStyleMap)
            pairs.emplace_back(value.Name, value.Text);
    return pairs;
}

void TKvGridDynamicStyle::Apply(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag) { Write(runtime, bag, true); }

bool TKvGridDynamicStyle::TryApply(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag)
{
    return Write(runtime, bag, false);
}

bool TKvGridDynamicStyle::PaintApply(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag, QString& report)
{
    if (!FStyleMap || FStyleMap->empty() || !bag)
        return true;
    QString error = FCriteriaError;
    if (error.isEmpty()) {
        try {
            // Once reported, the failure is not built again.
            if (FReported)
                return TryApply(runtime, bag);
            Apply(runtime, bag);
            return true;
        } catch (const Exception& e) {
            error = e.Message();
        } catch (const std::exception& e) {
            error = QString::fromUtf8(e.what());
        }
    }
    if (!FReported) {
        FReported = true;
        report = error;
    }
    return false;
}

bool TKvGridDynamicStyle::Write(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag, bool raise)
{
    if (!FStyleMap || FStyleMap->empty() || !bag)
        return true;
    Variant result;
    if (FExprTree && !FExprTree->EvaluateOrdered(runtime, result)) {
        if (raise)
            runtime->RaiseUnordered();
        return false;
    }
    if (!result.IsBoolean() || !result.BoolUnchecked())
        return true;
    for (const TStyleValue& value : *FStyleMap) {
        if (!value.Property) {
            // Not a style table name: the bag's text access finds it or raises.
            if (!raise) {
                const TPropInfo* prop = FindPropInfo(bag, value.Name);
                if (!prop || prop->Indexed || !prop->Writable || prop->Kind == pkObject || prop->Kind == pkComponent
                    || prop->Kind == pkCollection)
                    return false;
                try {
                    bag->SetValue(value.Name, value.Text);
                } catch (const Exception&) {
                    return false;
                }
                continue;
            }
            bag->SetValue(value.Name, value.Text);
            continue;
        }
        if (!value.Error.isEmpty()) {
            if (raise)
                throw EConvertError(value.Error);
            return false;
        }
        switch (value.Property->Kind) {
        case svkEnumeration:
            if (value.Ordinal >= 0)
                bag->SetOrdinal(value.Property->Entry, value.Ordinal);
            break;
        case svkInteger: bag->SetOrdinal(value.Property->Entry, value.Ordinal); break;
        case svkString: bag->SetString(value.Property->Entry, value.String); break;
        default: bag->SetGraphic(value.Property->Entry, value.Graphic); break;
        }
    }
    return true;
}

void TKvGridDynamicStyle::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TKvGridDynamicStyle*>(source)) {
        SetCriteria(other->FCriteria);
        // The copy holds what the original holds, reported as the original's is.
        StoreStyles(other->FStyles, false);
        SetActive(other->FActive);
        return;
    }
    TCollectionItem::Assign(source);
}

// --- collection ---------------------------------------------------------------------------

TKvGridDynamicStyleCollection::TKvGridDynamicStyleCollection(TPersistent* owner)
    : TOwnedCollection(owner, ClassInfo<TKvGridDynamicStyle>())
{
}

TKvGridDynamicStyle* TKvGridDynamicStyleCollection::Add(const QString& criteria, const QString& styles)
{
    TKvGridDynamicStyle* item = Add();
    {
        TScopeExit freeItem([&] { item->Free(); });
        item->SetCriteria(criteria);
        item->SetStyles(styles);
        freeItem.Dismiss();
    }
    return item;
}

void TKvGridDynamicStyleCollection::Update(TCollectionItem* item)
{
    if (!item)
        ResetStyles();
}

void TKvGridDynamicStyleCollection::ResetStyles()
{
    for (int i = Count() - 1; i >= 0; --i)
        GetItem(i)->BuildExpression();
}

void TKvGridDynamicStyleCollection::Prepare()
{
    FActiveCount = 0;
    for (int i = 0; i < Count(); ++i)
        if (GetItem(i)->GetActive())
            ++FActiveCount;
}

void TKvGridDynamicStyleCollection::ApplyTo(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag)
{
    for (int i = 0; i < Count(); ++i) {
        TKvGridDynamicStyle* item = GetItem(i);
        if (item->GetActive())
            item->Apply(runtime, bag);
    }
}

bool TKvGridDynamicStyleCollection::PaintApplyTo(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag, QString& report)
{
    for (int i = 0; i < Count(); ++i) {
        TKvGridDynamicStyle* item = GetItem(i);
        if (item->GetActive() && !item->PaintApply(runtime, bag, report))
            return false;
    }
    return true;
}

void TKvGridDynamicStyleCollection::SetKnowsIdentifier(TKnowsIdentifier knows)
{
    FKnowsIdentifier = std::move(knows);
    for (int i = 0; i < Count(); ++i)
        GetItem(i)->CheckIdentifiers();
}

bool TKvGridDynamicStyleCollection::TryApplyTo(TKvExpressionRuntime* runtime, TKvGridStyleBag* bag)
{
    for (int i = 0; i < Count(); ++i) {
        TKvGridDynamicStyle* item = GetItem(i);
        if (item->GetActive() && !item->TryApply(runtime, bag))
            return false;
    }
    return true;
}

KV_PUBLISH(TKvGridDynamicStyle, TCollectionItem)
    .Property("Active", &TKvGridDynamicStyle::GetActive, &TKvGridDynamicStyle::SetActive).Default(true)
    .Property("Criteria", &TKvGridDynamicStyle::GetCriteria, &TKvGridDynamicStyle::SetCriteria)
    .Property("Styles", &TKvGridDynamicStyle::GetStyles, &TKvGridDynamicStyle::SetStyles);

KV_PUBLISH(TKvGridDynamicStyleCollection, TOwnedCollection);

} // namespace kv
