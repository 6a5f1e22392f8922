// Column headers and footers, column filters and validation rules.
//
// Sections: helpers; published properties; header (and the group header); footer; filters
// and their collection; validations and their collection.
//
// Call flow: a header or footer setter (or a change of its styles) fires OnChanged, which
// the owning column turns into Changed(false) and so a refresh of the grid. A footer parses
// its expressions when they are set; the footer and row-group areas call Evaluate and
// EvaluateGroup with the summary runtime. A filter's change reaches its collection's Update,
// which calls the grid's ColumnFiltersChanged. Validations parse their criteria when set; the
// grid's ValidateColumn and ValidateRow (KvGrids.View.Focus.cpp) call the collection's Validate
// with the mode of the edit, and a rule that does not hold raises its message.
#include "grid/KvGrids.Columns.h"

#include "grid/KvGrids.View.h"
#include "platform/rtl/TypInfo.h"

namespace kv {

// --- helpers --------------------------------------------------------------------------------

namespace {

// The parsed tree of an expression property's text; nil for empty text. Raises, naming the
// property and the position, for text that does not parse.
std::unique_ptr<TKvExpressionTree> ParseExpression(const QString& property, const QString& text, bool whole = false)
{
    return ParsePropertyExpression(property, text, whole);
}

// A style change of a header's or footer's styles fires its OnChanged.
template <typename TOwner>
class TChangeOnStyle : public TKvGridViewStyleChangeListener
{
public:
    explicit TChangeOnStyle(TOwner* owner) : FOwner(owner) {}
    void StyleChanged(TKvGridStyleBag*, TKvGridViewStyleEntry) override { FOwner->Changed(); }

private:
    TOwner* FOwner;
};

void FiltersChanged(TKvGridColumn* column)
{
    TKvGridView* grid = column ? column->GetGrid() : nullptr;
    if (grid && !grid->IsDestroying())
        grid->ColumnFiltersChanged();
}

} // namespace

// --- published properties -------------------------------------------------------------------

KV_PUBLISH(TKvGridColumnHeader, TPersistent)
    .Property("Caption", &TKvGridColumnHeader::GetCaption, &TKvGridColumnHeader::SetCaption)
    .Property("ClickBehvior", &TKvGridColumnHeader::GetClickBehavior, &TKvGridColumnHeader::SetClickBehavior)
    .Default(ClickSort)
    .Property("Styles", &TKvGridColumnHeader::GetStyles, &TKvGridColumnHeader::SetStyles)
    .Event("OnChanged", &TKvGridColumnHeader::OnChanged);

KV_PUBLISH(TKvGridColumnGroupHeader, TKvGridColumnHeader)
    .Property("Visible", &TKvGridColumnGroupHeader::GetVisible, &TKvGridColumnGroupHeader::SetVisible)
    .Default(true);

KV_PUBLISH(TKvGridColumnFooter, TPersistent)
    .Property("Styles", &TKvGridColumnFooter::GetStyles, &TKvGridColumnFooter::SetStyles)
    .Property("Caption", &TKvGridColumnFooter::GetCaption, &TKvGridColumnFooter::SetCaption)
    .Property("Expression", &TKvGridColumnFooter::GetExpression, &TKvGridColumnFooter::SetExpression)
    .Property("GroupCaption", &TKvGridColumnFooter::GetGroupCaption, &TKvGridColumnFooter::SetGroupCaption)
    .Property("GroupExpression", &TKvGridColumnFooter::GetGroupExpression, &TKvGridColumnFooter::SetGroupExpression)
    .Event("OnChanged", &TKvGridColumnFooter::OnChanged);

KV_PUBLISH(TKvGridColumnFilter, TCollectionItem)
    .Property("Name", &TKvGridColumnFilter::GetName, &TKvGridColumnFilter::SetName)
    .Property("Criteria", &TKvGridColumnFilter::GetCriteria, &TKvGridColumnFilter::SetCriteria)
    .Property("Description", &TKvGridColumnFilter::GetDescription, &TKvGridColumnFilter::SetDescription)
    .Property("Active", &TKvGridColumnFilter::GetActive, &TKvGridColumnFilter::SetActive)
    .Default(false);

KV_PUBLISH(TKvGridColumnFilterCollection, TOwnedCollection);

KV_PUBLISH(TKvGridValidation, TCollectionItem)
    .Property("Name", &TKvGridValidation::GetName, &TKvGridValidation::SetName)
    .Property("Active", &TKvGridValidation::GetActive, &TKvGridValidation::SetActive)
    .Default(true)
    .Property("Mode", &TKvGridValidation::GetMode, &TKvGridValidation::SetMode)
    .Default(ValidationModeAlways)
    .Property("Criteria", &TKvGridValidation::GetCriteria, &TKvGridValidation::SetCriteria)
    .Property("Message", &TKvGridValidation::GetMessage, &TKvGridValidation::SetMessage)
    .Property("Description", &TKvGridValidation::GetDescription, &TKvGridValidation::SetDescription);

KV_PUBLISH(TKvGridValidationCollection, TOwnedCollection);

// --- header ---------------------------------------------------------------------------------

class TKvGridColumnHeader::TStyleChangeListener : public TChangeOnStyle<TKvGridColumnHeader>
{
    using TChangeOnStyle::TChangeOnStyle;
};

TKvGridColumnHeader::TKvGridColumnHeader(TKvGridColumn* column)
    : FColumn(column),
      FStyles(std::make_unique<TKvGridViewStyles>(this, QStringLiteral("columnHeaderStyles"))),
      FStyleListener(std::make_unique<TStyleChangeListener>(this))
{
    FStyles->AddListener(FStyleListener.get());
}

TKvGridColumnHeader::~TKvGridColumnHeader() { FStyles->RemoveListener(FStyleListener.get()); }

TPersistent* TKvGridColumnHeader::GetOwner() const { return FColumn; }

void TKvGridColumnHeader::SetCaption(const QString& value)
{
    if (ChangeField(FCaption, value))
        Changed();
}

void TKvGridColumnHeader::SetClickBehavior(TKvGridClickBehavior value)
{
    if (ChangeField(FClickBehavior, value))
        Changed();
}

void TKvGridColumnHeader::SetStyles(TKvGridViewStyles* value)
{
    if (!value || value == FStyles.get())
        return;
    FStyles->Assign(value);
    TKvGridView* grid = FColumn ? FColumn->GetGrid() : nullptr;
    if (grid && !grid->IsDestroying())
        grid->RefreshView(false);
}

QString TKvGridColumnHeader::GetDisplayName() const
{
    if (FCaption.isEmpty())
        if (auto* data = dynamic_cast<const TKvGridDataColumn*>(FColumn))
            return data->GetFieldName();
    return FCaption;
}

void TKvGridColumnHeader::Changed()
{
    if (OnChanged)
        OnChanged(this);
}

void TKvGridColumnHeader::Assign(const TPersistent* source)
{
    auto* header = dynamic_cast<const TKvGridColumnHeader*>(source);
    if (!header) {
        TPersistent::Assign(source);
        return;
    }
    if (header == this)
        return;
    FCaption = header->FCaption;
    FClickBehavior = header->FClickBehavior;
    FStyles->Assign(header->FStyles.get());
    Changed();
}

void TKvGridColumnGroupHeader::SetVisible(bool value)
{
    if (ChangeField(FVisible, value))
        Changed();
}

void TKvGridColumnGroupHeader::Assign(const TPersistent* source)
{
    if (auto* header = dynamic_cast<const TKvGridColumnGroupHeader*>(source))
        FVisible = header->FVisible;
    TKvGridColumnHeader::Assign(source);
}

// --- footer ---------------------------------------------------------------------------------

class TKvGridColumnFooter::TStyleChangeListener : public TChangeOnStyle<TKvGridColumnFooter>
{
    using TChangeOnStyle::TChangeOnStyle;
};

TKvGridColumnFooter::TKvGridColumnFooter(TKvGridColumn* column)
    : FColumn(column),
      FStyles(std::make_unique<TKvGridViewStyles>(this, QStringLiteral("columnFooterStyles"))),
      FStyleListener(std::make_unique<TStyleChangeListener>(this))
{
    FStyles->AddListener(FStyleListener.get());
}

TKvGridColumnFooter::~TKvGridColumnFooter() { FStyles->RemoveListener(FStyleListener.get()); }

TPersistent* TKvGridColumnFooter::GetOwner() const { return FColumn; }

void TKvGridColumnFooter::SetStyles(TKvGridViewStyles* value)
{
    if (value && value != FStyles.get())
        FStyles->Assign(value);
}

void TKvGridColumnFooter::SetCaption(const QString& value)
{
    if (ChangeField(FCaption, value))
        Changed();
}

void TKvGridColumnFooter::SetGroupCaption(const QString& value)
{
    if (ChangeField(FGroupCaption, value))
        Changed();
}

void TKvGridColumnFooter::SetExpression(const QString& value)
{
    if (value == FExpression)
        return;
    FExprTree = ParseExpression(QStringLiteral("Expression"), value, !IsOwnerLoading(this));
    FExpression = value;
    Changed();
}

void TKvGridColumnFooter::SetGroupExpression(const QString& value)
{
    if (value == FGroupExpression)
        return;
    FGroupExprTree = ParseExpression(QStringLiteral("GroupExpression"), value, !IsOwnerLoading(this));
    FGroupExpression = value;
    Changed();
}

Variant TKvGridColumnFooter::Evaluate(TKvExpressionRuntime* runtime) const
{
    return FExprTree ? FExprTree->Evaluate(runtime) : Variant();
}

Variant TKvGridColumnFooter::EvaluateGroup(TKvExpressionRuntime* runtime) const
{
    return FGroupExprTree ? FGroupExprTree->Evaluate(runtime) : Variant();
}

void TKvGridColumnFooter::Changed()
{
    if (OnChanged)
        OnChanged(this);
}

void TKvGridColumnFooter::Assign(const TPersistent* source)
{
    auto* footer = dynamic_cast<const TKvGridColumnFooter*>(source);
    if (!footer) {
        TPersistent::Assign(source);
        return;
    }
    if (footer == this)
        return;
    // Parse both before changing anything.
    auto tree = ParseExpression(QStringLiteral("Expression"), footer->FExpression);
    auto groupTree = ParseExpression(QStringLiteral("GroupExpression"), footer->FGroupExpression);
    FExprTree = std::move(tree);
    FGroupExprTree = std::move(groupTree);
    FExpression = footer->FExpression;
    FGroupExpression = footer->FGroupExpression;
    FCaption = footer->FCaption;
    FGroupCaption = footer->FGroupCaption;
    FStyles->Assign(footer->FStyles.get());
    Changed();
}

// --- filters --------------------------------------------------------------------------------

void TKvGridColumnFilter::SetName(const QString& value)
{
    if (ChangeField(FName, value))
        Changed(false);
}

void TKvGridColumnFilter::SetCriteria(const QString& value)
{
    if (ChangeField(FCriteria, value))
        Changed(false);
}

void TKvGridColumnFilter::SetDescription(const QString& value)
{
    if (ChangeField(FDescription, value))
        Changed(false);
}

void TKvGridColumnFilter::SetActive(bool value)
{
    if (ChangeField(FActive, value))
        Changed(false);
}

QString TKvGridColumnFilter::GetDisplayName() const
{
    return FName.isEmpty() ? TCollectionItem::GetDisplayName() : FName;
}

void TKvGridColumnFilter::Assign(const TPersistent* source)
{
    auto* filter = dynamic_cast<const TKvGridColumnFilter*>(source);
    if (!filter) {
        TPersistent::Assign(source);
        return;
    }
    FName = filter->FName;
    FCriteria = filter->FCriteria;
    FDescription = filter->FDescription;
    FActive = filter->FActive;
    Changed(false);
}

TKvGridColumnFilterCollection::TKvGridColumnFilterCollection(TKvGridColumn* column)
    : TOwnedCollection(column, ClassInfo<TKvGridColumnFilter>()), FColumn(column)
{
}

TKvGridColumnFilter* TKvGridColumnFilterCollection::Find(const QString& name) const
{
    for (int i = Count() - 1; i >= 0; --i)
        if (GetFilter(i)->GetName() == name)
            return GetFilter(i);
    return nullptr;
}

void TKvGridColumnFilterCollection::Update(TCollectionItem*)
{
    if (!FColumn || FColumn->IsDestroying())
        return;
    FListeners.Notify([this](TKvGridColumnFilterListener* listener) { listener->FiltersChanged(this); });
    FiltersChanged(FColumn);
}

// --- validations ----------------------------------------------------------------------------

TKvGridValidation::~TKvGridValidation() = default;

void TKvGridValidation::SetName(const QString& value)
{
    if (ChangeField(FName, value))
        Changed(false);
}

void TKvGridValidation::SetActive(bool value)
{
    if (ChangeField(FActive, value))
        Changed(false);
}

void TKvGridValidation::SetMode(TKvGridValidationMode value)
{
    if (ChangeField(FMode, value))
        Changed(false);
}

void TKvGridValidation::SetCriteria(const QString& value)
{
    if (value == FCriteria)
        return;
    FExprTree = ParseExpression(QStringLiteral("Criteria"), value, !IsOwnerLoading(this));
    FCriteria = value;
    Changed(false);
}

void TKvGridValidation::SetMessage(const QString& value)
{
    if (ChangeField(FMessage, value))
        Changed(false);
}

void TKvGridValidation::SetDescription(const QString& value)
{
    if (ChangeField(FDescription, value))
        Changed(false);
}

QString TKvGridValidation::GetDisplayName() const
{
    return FName.isEmpty() ? TCollectionItem::GetDisplayName() : FName;
}

void TKvGridValidation::Validate(TKvExpressionRuntime* runtime) const
{
    if (!FExprTree)
        return;
    if (FExprTree->Evaluate(runtime).IsTrue())
        return;
    if (!FMessage.isEmpty())
        throw Exception(FMessage);
    QString what = FDescription;
    if (what.isEmpty())
        what = FName;
    if (what.isEmpty())
        what = FCriteria;
    throw Exception(QStringLiteral("Validation failed on ") + what);
}

void TKvGridValidation::Assign(const TPersistent* source)
{
    auto* validation = dynamic_cast<const TKvGridValidation*>(source);
    if (!validation) {
        TPersistent::Assign(source);
        return;
    }
    FExprTree = ParseExpression(QStringLiteral("Criteria"), validation->FCriteria);
    FCriteria = validation->FCriteria;
    FName = validation->FName;
    FActive = validation->FActive;
    FMode = validation->FMode;
    FMessage = validation->FMessage;
    FDescription = validation->FDescription;
    Changed(false);
}

TKvGridValidationCollection::TKvGridValidationCollection(TPersistent* owner)
    : TOwnedCollection(owner, ClassInfo<TKvGridValidation>())
{
}

TKvGridValidation* TKvGridValidationCollection::Add(const QString& name, const QString& criteria, const QString& message)
{
    // Parse first, so that a criteria that does not parse adds nothing.
    ParseExpression(QStringLiteral("Criteria"), criteria, true);
    TKvGridValidation* validation = Add();
    validation->SetName(name);
    validation->SetMessage(message);
    validation->SetCriteria(criteria);
    return validation;
}

void TKvGridValidationCollection::Validate(TKvGridValidationMode mode, TKvExpressionRuntime* runtime) const
{
    for (int i = 0; i < Count(); ++i) {
        const TKvGridValidation* validation = GetValidation(i);
        if (validation->GetActive() && validation->GetExprTree() &&
            (validation->GetMode() == mode || validation->GetMode() == ValidationModeAlways))
            validation->Validate(runtime);
    }
}

} // namespace kv
