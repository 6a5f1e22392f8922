// The column tree.
//
// Sections: grid hooks; publishing; TKvGridColumn; TKvGridDataColumn;
// TKvGridColumnCollection; TKvGridColumnGroup (look-ups, neighbours, widths, levels, index
// resets); grid-level column operations; the Columns facade. Headers, footers, filters and
// validations are in KvGrids.Columns.Parts.cpp.
//
// Call flow: setters end in Changed(all) -> grid ColumnsChanged. The grid's column-index reset
// calls ResetIndicies (data indices, visibles, sort states) and ResetDataRoots (levels, data
// roots, layout positions) on the root; the layout calls ResetVisibles and ResetColumnWidths.
// Look-ups by data index and field name go through hash tables built once per tree change.
#include "grid/KvGrids.Columns.h"

#include "grid/KvGrids.EditorBase.h"
#include "grid/KvGrids.Internals.h"
#include "grid/KvGrids.Renderer.h"
#include "grid/KvGrids.Runtime.Grid.h"
#include "grid/KvGrids.View.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/TypInfo.h"

#include <algorithm>
#include <cstdint>

namespace kv {

// --- grid hooks -----------------------------------------------------------------------------

namespace {

bool Alive(const TKvGridView* grid) { return grid && !grid->IsDestroying(); }

TKvGridDataProvider* DataSourceOf(const TKvGridView* grid)
{
    if (!grid)
        return nullptr;
    TKvGridItemProvider* provider = grid->GetItemProvider();
    return provider ? provider->GetDataSource() : nullptr;
}

bool Designing(const TKvGridView* grid) { return grid && grid->IsDesigning(); }

// Every change of any column tree moves this stamp; look-up tables built under another stamp
// are rebuilt on their next use.
std::uint64_t TreeStamp = 1;
void TouchTrees() { ++TreeStamp; }

int IndexOfText(const QStringList& list, const QString& text)
{
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list.at(i).compare(text, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

} // namespace

// --- publishing -----------------------------------------------------------------------------

KV_PUBLISH_ENUM(TKvGridColumnsOrientation, "ColumnsHorizontal", "ColumnsVertical");
KV_PUBLISH_ENUM(TKvGridClickBehavior, "ClickNone", "ClickSort");
KV_PUBLISH_ENUM(TKvGridCellButton, "ButtonNone", "ButtonAction", "ButtonPopup");
KV_PUBLISH_ENUM(TKvLookupCase, "LookupSensitive", "LookupInsensitive", "LookupLower", "LookupUpper");
KV_PUBLISH_ENUM(TKvGridValidationMode, "ValidationModeAlways", "ValidationModeInsert", "ValidationModeUpdate");
KV_PUBLISH_ENUM(TImeMode, "imDisable", "imClose", "imOpen", "imDontCare", "imSAlpha", "imAlpha", "imHira", "imSKata",
                "imKata", "imChinese", "imSHanguel", "imHanguel");

KV_PUBLISH(TKvGridColumn, TComponent)
    .Property("Header", &TKvGridColumn::GetHeader, &TKvGridColumn::SetHeader)
    .Property("Styles", &TKvGridColumn::GetStyles, &TKvGridColumn::SetStyles)
    .Property("Width", &TKvGridColumn::GetWidth, &TKvGridColumn::SetWidth)
    .Default(100)
    .Minimum(0)
    .Property("Visible", &TKvGridColumn::GetVisible, &TKvGridColumn::SetVisible)
    .Default(true)
    .Property("Resizable", &TKvGridColumn::GetResizable, &TKvGridColumn::SetResizable)
    .Default(true)
    .Property("Movable", &TKvGridColumn::GetMovable, &TKvGridColumn::SetMovable)
    .Default(true)
    .Property("Focusable", &TKvGridColumn::GetFocusable, &TKvGridColumn::SetFocusable)
    .Default(true);

using D = TKvGridDataColumn;
KV_PUBLISH(TKvGridDataColumn, TKvGridColumn)
    .Property("Footer", &D::GetFooter, &D::SetFooter)
    .Property("FieldName", &D::GetFieldName, &D::SetFieldName)
    .Property("FieldIndex", &D::GetFieldIndex, &D::SetFieldIndex)
    .Default(-1)
    .Property("Button", &D::GetButton, &D::SetButton)
    .Default(ButtonNone)
    .Property("AlwaysShowButton", &D::GetAlwaysShowButton, &D::SetAlwaysShowButton)
    .Default(false)
    .Property("AlwaysShowEditButton", &D::GetAlwaysShowEditButton, &D::SetAlwaysShowEditButton)
    .Default(false)
    .Property("Editable", &D::GetEditable, &D::SetEditable)
    .Default(true)
    .Property("Sortable", &D::GetSortable, &D::SetSortable)
    .Default(true)
    .Property("ImeMode", &D::GetImeMode, &D::SetImeMode)
    .Default(imDontCare)
    .Property("ImeName", &D::GetImeName, &D::SetImeName)
    .Property("DefaultValue", &D::GetDefaultValue, &D::SetDefaultValue)
    .Property("DynamicStyles", &D::GetDynamicStyles, &D::SetDynamicStyles)
    .Property("Filters", &D::GetFilters, &D::SetFilters)
    .Property("Renderer", &D::GetRenderer, &D::SetRenderer)
    .Property("Editor", &D::GetEditor, &D::SetEditor)
    .Property("AutoEdit", &D::GetAutoEdit, &D::SetAutoEdit)
    .Default(true)
    .Property("LookupCase", &D::GetLookupCase, &D::SetLookupCase)
    .Default(LookupSensitive)
    .Property("LookupDisplay", &D::GetLookupDisplay, &D::SetLookupDisplay)
    .Default(false)
    .Property("Required", &D::GetRequired, &D::SetRequired)
    .Default(false)
    .Property("Validations", &D::GetValidations, &D::SetValidations)
    .Property("PopupMenu", &D::GetPopupMenu, &D::SetPopupMenu)
    .Property("ImageList", &D::GetImageList, &D::SetImageList);

KV_PUBLISH(TKvGridViewColumns, TPersistent);

using TDerived = TKvGridDerivedColumn;
KV_PUBLISH(TKvGridDerivedColumn, TKvGridColumn)
    .Property("Footer", &TDerived::GetFooter, &TDerived::SetFooter)
    .Property("Sortable", &TDerived::GetSortable, &TDerived::SetSortable)
    .Default(true)
    .Property("DynamicStyles", &TDerived::GetDynamicStyles, &TDerived::SetDynamicStyles)
    .Property("Filters", &TDerived::GetFilters, &TDerived::SetFilters)
    .Property("Renderer", &TDerived::GetRenderer, &TDerived::SetRenderer);

KV_PUBLISH(TKvGridColumnGroup, TKvGridColumn)
    .Property("Orientation", &TKvGridColumnGroup::GetOrientation, &TKvGridColumnGroup::SetOrientation)
    .Default(ColumnsHorizontal)
    .Property("HideChildHeaders", &TKvGridColumnGroup::GetHideChildHeaders, &TKvGridColumnGroup::SetHideChildHeaders)
    .Default(false);

// --- TKvGridColumn --------------------------------------------------------------------------

class TKvGridColumn::TStyleChangeListener : public TKvGridViewStyleChangeListener
{
public:
    explicit TStyleChangeListener(TKvGridColumn* owner) : FOwner(owner) {}
    void StyleChanged(TKvGridStyleBag*, TKvGridViewStyleEntry entry) override { FOwner->StyleChanged(entry); }

private:
    TKvGridColumn* FOwner;
};

TKvGridColumn::TKvGridColumn(TComponent* owner)
    : TComponent(owner),
      FStyles(std::make_unique<TKvGridViewStyles>(this, QStringLiteral("columnStyles"))),
      FStyleListener(std::make_unique<TStyleChangeListener>(this))
{
}

TKvGridColumn::~TKvGridColumn()
{
    // Reached without BeforeDestruction only by a plain delete: still leave the tree.
    if (FGroup)
        FGroup->FColumns->Remove(this);
    if (FStyles && FStyleListener)
        FStyles->RemoveListener(FStyleListener.get());
}

void TKvGridColumn::AfterConstruction()
{
    TComponent::AfterConstruction();
    FHeader.reset(CreateHeader());
    FHeader->OnChanged = [this](TObject* sender) { HeaderChanged(sender); };
    FStyles->AddListener(FStyleListener.get());
}

void TKvGridColumn::BeforeDestruction()
{
    TKvGridView* grid = GetGrid();
    TComponent::BeforeDestruction();
    SetHeaderRenderer(nullptr);
    if (FGroup)
        FGroup->FColumns->Remove(this);
    FStyles->RemoveListener(FStyleListener.get());
    TouchTrees();
    if (Alive(grid)) {
        if (grid->GetFocusedIndex().Column == this)
            grid->SetFocusedIndex(TKvGridCellIndex::Null(), true);
        grid->ColumnsChanged(nullptr);
    }
}

TKvGridView* TKvGridColumn::GetGrid() const { return FGroup ? FGroup->GetGrid() : nullptr; }

TKvGridColumnGroup* TKvGridColumn::GetGroup() const
{
    return FGroup && !FGroup->FIsRoot ? FGroup : nullptr;
}

bool TKvGridColumn::IsTopLevel() const { return !FGroup || FGroup->FIsRoot; }

TKvGridColumn* TKvGridColumn::GetRoot() const
{
    const TKvGridColumn* c = this;
    while (!c->IsTopLevel())
        c = c->FGroup;
    return const_cast<TKvGridColumn*>(c);
}

int TKvGridColumn::GetLayoutPosition() const
{
    const TKvGridColumn* root = FDataRoot ? FDataRoot : this;
    return root->FLayoutPos;
}

bool TKvGridColumn::Move(int index)
{
    if (!FGroup)
        return false;
    TKvGridColumnCollection* siblings = FGroup->FColumns.get();
    const int current = siblings->IndexOf(this);
    index = std::clamp(index, 0, siblings->Count() - 1);
    if (index == current)
        return false;
    siblings->Move(current, index);
    return true;
}

int TKvGridColumn::GetOffset() const
{
    int offset = 0;
    for (const TKvGridColumn* c = this; !c->IsTopLevel(); c = c->FGroup)
        offset += c->FGroupOffset;
    return offset;
}

std::int64_t TKvGridColumn::GetDistance() const
{
    const TKvGridColumn* root = FDataRoot ? FDataRoot : this;
    return std::int64_t(GetRoot()->FDisplayIndex) * 1000000 + std::int64_t(root->FDisplayIndex) * 10000 + FDisplayIndex;
}

void TKvGridColumn::SetHeader(TKvGridColumnHeader* value)
{
    if (value && value != FHeader.get())
        FHeader->Assign(value);
}

void TKvGridColumn::SetStyles(TKvGridViewStyles* value)
{
    if (!value || value == FStyles.get())
        return;
    FStyles->Assign(value);
    Changed(true);
}

void TKvGridColumn::SetWidth(int value)
{
    if (!ChangeField(FWidth, value))
        return;
    // A column's share of its group follows its width again.
    if (!IsTopLevel())
        FGroupWidth = -1;
    // In a designer the width typed is the width drawn: the groups above fit their columns.
    if (TKvGridColumnGroup* group = GetGroup(); group && IsDesigning() && !IsLoading())
        group->FitToColumns(this);
    Changed(true);
}

void TKvGridColumn::SetVisible(bool value)
{
    if (ChangeField(FVisible, value))
        Changed(true);
}

void TKvGridColumn::SetResizable(bool value)
{
    if (ChangeField(FResizable, value))
        Changed(false);
}

void TKvGridColumn::SetMovable(bool value)
{
    if (ChangeField(FMovable, value))
        Changed(false);
}

void TKvGridColumn::SetFocusable(bool value)
{
    if (ChangeField(FFocusable, value))
        Changed(false);
}

void TKvGridColumn::SetHeaderRenderer(TKvGridCellRenderer* value)
{
    if (ChangeReference(FHeaderRenderer, value))
        Changed(false);
}

bool TKvGridColumn::Silent() const
{
    const TKvGridView* grid = GetGrid();
    return !Alive(grid) || IsDestroying();
}

void TKvGridColumn::Changed(bool all)
{
    if (Silent())
        return;
    GetGrid()->ColumnsChanged(all ? nullptr : this);
}

void TKvGridColumn::StyleChanged(TKvGridViewStyleEntry) { Changed(false); }

void TKvGridColumn::HeaderChanged(TObject*) { Changed(false); }

TComponent* TKvGridColumn::GetParentComponent() const
{
    if (TKvGridColumnGroup* group = GetGroup())
        return group;
    return GetGrid();
}

void TKvGridColumn::ReadState(TReader& reader)
{
    TComponent::ReadState(reader);
    TComponent* parent = reader.GetParent();
    if (auto* group = dynamic_cast<TKvGridColumnGroup*>(parent))
        group->FColumns->Add(this);
    else if (auto* grid = dynamic_cast<TKvGridView*>(parent)) {
        grid->GetRootGroup()->FColumns->Add(this);
        FreeNotification(grid);
    } else if (parent) {
        // Only groups and grids hold columns; anywhere else the column would be lost.
        throw Exception(QStringLiteral("A column cannot be placed in %1").arg(parent->ClassName()));
    }
}

void TKvGridColumn::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component && component == FHeaderRenderer)
        SetHeaderRenderer(nullptr);
}

// --- TKvGridDataColumn ----------------------------------------------------------------------

TKvGridDataColumn::TKvGridDataColumn(TComponent* owner)
    : TKvGridColumn(owner),
      FDynamicStyles(std::make_unique<TKvGridDynamicStyleCollection>(this)),
      FFilters(std::make_unique<TKvGridColumnFilterCollection>(this)),
      FFooter(Create<TKvGridColumnFooter>(this)),
      FValidations(std::make_unique<TKvGridValidationCollection>(this))
{
    FFooter->OnChanged = [this](TObject* sender) { FooterChanged(sender); };
    FDynamicStyles->SetKnowsIdentifier(&KnowsDataCellIdentifier);
}

TKvGridDataColumn::~TKvGridDataColumn()
{
    // Also reached by a plain delete: the renderer's list of its columns lets go of this one.
    if (FRenderer)
        FRenderer->RemoveColumn(this);
}

void TKvGridDataColumn::BeforeDestruction()
{
    SetRenderer(nullptr);
    SetFooterRenderer(nullptr);
    SetEditor(nullptr);
    SetImageList(nullptr);
    SetPopupMenu(nullptr);
    FFooter->OnChanged = nullptr;
    TKvGridColumn::BeforeDestruction();
}

QString TKvGridDataColumn::GetDisplayName() const
{
    if (!FFieldName.isEmpty())
        return FFieldName;
    if (!GetHeader()->GetCaption().isEmpty())
        return GetHeader()->GetCaption();
    return GetName();
}

TKvGridColumnHeader* TKvGridDataColumn::CreateHeader() { return Create<TKvGridColumnHeader>(this); }

void TKvGridDataColumn::SetDataIndex(int value)
{
    if (ChangeField(FDataIndex, value))
        TouchTrees();
}

void TKvGridDataColumn::SetFooter(TKvGridColumnFooter* value)
{
    if (value && value != FFooter.get())
        FFooter->Assign(value);
}

void TKvGridDataColumn::SetFieldName(const QString& value)
{
    if (value == FFieldName)
        return;
    const QString old = FFieldName;
    FFieldName = value;
    TouchTrees();
    if (Designing(GetGrid()) && GetHeader()->GetCaption() == old)
        GetHeader()->SetCaption(value);
    Changed(true);
}

void TKvGridDataColumn::SetFieldIndex(int value)
{
    if (ChangeField(FFieldIndex, value))
        Changed(true);
}

TKvGridValueType TKvGridDataColumn::GetValueType() const
{
    TKvGridDataProvider* source = DataSourceOf(GetGrid());
    if (!source || FDataIndex < 0 || FDataIndex >= source->GetFieldCount())
        return ValueTypeText;
    return source->GetValueType(FDataIndex);
}

void TKvGridDataColumn::SetValueType(TKvGridValueType value)
{
    if (ChangeField(FValueType, value))
        Changed(false);
}

#define KV_COLUMN_SETTER(Name, Field, All) \
    void TKvGridDataColumn::Set##Name(decltype(Field) value) \
    {                                                       \
        if (ChangeField(Field, value))                      \
            Changed(All);                                   \
    }

KV_COLUMN_SETTER(Button, FButton, false)
KV_COLUMN_SETTER(AlwaysShowButton, FAlwaysShowButton, false)
KV_COLUMN_SETTER(AlwaysShowEditButton, FAlwaysShowEditButton, false)
KV_COLUMN_SETTER(Editable, FEditable, false)
KV_COLUMN_SETTER(Sortable, FSortable, false)
KV_COLUMN_SETTER(ImeMode, FImeMode, false)
KV_COLUMN_SETTER(Required, FRequired, false)
KV_COLUMN_SETTER(AutoEdit, FAutoEdit, true)
KV_COLUMN_SETTER(LookupCase, FLookupCase, true)
KV_COLUMN_SETTER(LookupDisplay, FLookupDisplay, true)
#undef KV_COLUMN_SETTER

void TKvGridDataColumn::SetImeName(const QString& value)
{
    if (ChangeField(FImeName, value))
        Changed(false);
}

void TKvGridDataColumn::SetLookupValues(const QStringList& value)
{
    if (ChangeField(FLookupValues, value))
        Changed(true);
}

void TKvGridDataColumn::SetLookupLabels(const QStringList& value)
{
    if (ChangeField(FLookupLabels, value))
        Changed(true);
}

void TKvGridDataColumn::SetRenderer(TKvGridCellRenderer* value)
{
    if (value == FRenderer)
        return;
    if (FRenderer)
        FRenderer->RemoveColumn(this);
    FRenderer = value;
    if (value)
        value->AddColumn(this);
    Changed(false);
}

void TKvGridDataColumn::SetFooterRenderer(TKvGridCellRenderer* value)
{
    if (ChangeReference(FFooterRenderer, value))
        Changed(false);
}

void TKvGridDataColumn::SetEditor(TKvGridCellEditor* value)
{
    FEditor = value;
}

void TKvGridDataColumn::SetImageList(TCustomImageList* value)
{
    FImageList = value;
}

void TKvGridDataColumn::SetPopupMenu(TComponent* value)
{
    FPopupMenu = value;
}

void TKvGridDataColumn::Notification(TComponent* component, TOperation operation)
{
    TKvGridColumn::Notification(component, operation);
    if (operation != opRemove || !component)
        return;
    if (component == FRenderer)
        SetRenderer(nullptr);
    if (component == FFooterRenderer)
        SetFooterRenderer(nullptr);
}

bool TKvGridDataColumn::GetLookupValue(const Variant& value, Variant& result) const
{
    result = value;
    const int index = IndexOfText(FLookupValues, value.ToString());
    if (index < 0 || index >= FLookupLabels.size())
        return false;
    result = Variant(FLookupLabels.at(index));
    return true;
}

Variant TKvGridDataColumn::GetSourceValue(const QString& label) const
{
    const int index = IndexOfText(FLookupLabels, label);
    if (index >= 0 && index < FLookupValues.size())
        return Variant(FLookupValues.at(index));
    const int own = IndexOfText(FLookupValues, label);
    if (own >= 0)
        return Variant(FLookupValues.at(own));
    return Variant();
}

void TKvGridDataColumn::ValidateInsertRow(TKvExpressionRuntime* runtime) const
{
    FValidations->Validate(ValidationModeInsert, runtime);
}

void TKvGridDataColumn::ValidateUpdateRow(TKvExpressionRuntime* runtime) const
{
    FValidations->Validate(ValidationModeUpdate, runtime);
}

void TKvGridDataColumn::FooterChanged(TObject*) { Changed(false); }

void TKvGridDataColumn::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    if (FRenderer && FRenderer->GetOwner() == root)
        proc(FRenderer);
    if (FEditor && FEditor->GetOwner() == root)
        proc(FEditor);
}

namespace {

void DefineStrings(TFiler& filer, const QString& name, QStringList& list, const std::function<void(const QStringList&)>& set)
{
    filer.DefineProperty(
        name,
        [set](TReader& reader) {
            QStringList items;
            reader.ReadListBegin();
            while (!reader.EndOfList())
                items << reader.ReadString();
            reader.ReadListEnd();
            set(items);
        },
        [&list](TWriter& writer) {
            writer.WriteListBegin();
            for (const QString& item : list)
                writer.WriteString(item);
            writer.WriteListEnd();
        },
        !list.isEmpty());
}

} // namespace

void TKvGridDataColumn::DefineProperties(TFiler& filer)
{
    TKvGridColumn::DefineProperties(filer);
    DefineStrings(filer, QStringLiteral("LookupValues"), FLookupValues,
                  [this](const QStringList& items) { SetLookupValues(items); });
    DefineStrings(filer, QStringLiteral("LookupLabels"), FLookupLabels,
                  [this](const QStringList& items) { SetLookupLabels(items); });
}

// --- TKvGridColumnCollection ----------------------------------------------------------------

TKvGridColumn* TKvGridColumnCollection::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        throw EArgumentOutOfRangeException(QStringLiteral("index"));
    return FItems[static_cast<size_t>(index)];
}

TKvGridColumn* TKvGridColumnCollection::GetVisible(int index) const
{
    if (index < 0 || index >= VisibleCount())
        throw EArgumentOutOfRangeException(QStringLiteral("index"));
    return FVisibles[static_cast<size_t>(index)];
}

int TKvGridColumnCollection::IndexOf(const TKvGridColumn* column) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), column);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TKvGridColumnCollection::Insert(int index, TKvGridColumn* column)
{
    if (!column || column == FOwner || IndexOf(column) >= 0)
        return;
    if (auto* group = dynamic_cast<TKvGridColumnGroup*>(column); group && group->IsAncestorOf(FOwner))
        return;
    if (column->FGroup)
        column->FGroup->FColumns->Remove(column);
    index = std::clamp(index, 0, Count());
    FItems.insert(FItems.begin() + index, column);
    column->FGroup = FOwner;
    Changed();
}

void TKvGridColumnCollection::Remove(TKvGridColumn* column)
{
    if (IndexOf(column) < 0)
        return;
    if (TKvGridView* grid = FOwner->GetGrid())
        grid->ColumnLeaving(column);
    const int index = IndexOf(column);
    if (index < 0)
        return;
    FItems.erase(FItems.begin() + index);
    std::erase(FVisibles, column);
    if (column->FGroup == FOwner)
        column->FGroup = nullptr;
    Changed();
}

void TKvGridColumnCollection::Delete(int index) { Remove(GetItem(index)); }

void TKvGridColumnCollection::Clear()
{
    if (TKvGridView* grid = FOwner->GetGrid())
        for (TKvGridColumn* column : std::vector<TKvGridColumn*>(FItems))
            grid->ColumnLeaving(column);
    for (TKvGridColumn* column : FItems)
        if (column->FGroup == FOwner)
            column->FGroup = nullptr;
    FItems.clear();
    FVisibles.clear();
    Changed();
}

void TKvGridColumnCollection::Move(int from, int to)
{
    TKvGridColumn* column = GetItem(from);
    to = std::clamp(to, 0, Count() - 1);
    if (from == to)
        return;
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, column);
    Changed();
}

TKvGridDataColumn* TKvGridColumnCollection::GetDataColumn(int dataIndex) const { return FOwner->GetDataColumn(dataIndex); }

TKvGridDataColumn* TKvGridColumnCollection::GetDataColumn(const QString& fieldName) const
{
    return FOwner->GetDataColumn(fieldName);
}

void TKvGridColumnCollection::ResetVisibles(bool designing)
{
    FVisibles.clear();
    for (TKvGridColumn* column : FItems) {
        if (column->FVisible || designing) {
            column->FDisplayIndex = static_cast<int>(FVisibles.size());
            FVisibles.push_back(column);
        } else {
            column->FDisplayIndex = -1;
        }
        if (auto* group = dynamic_cast<TKvGridColumnGroup*>(column))
            group->FColumns->ResetVisibles(designing);
    }
}

void TKvGridColumnCollection::Changed()
{
    TouchTrees();
    if (FOwner->IsDestroying())
        return;
    TKvGridView* grid = FOwner->GetGrid();
    if (Alive(grid))
        grid->ColumnsChanged(nullptr);
}

// --- TKvGridColumnGroup ---------------------------------------------------------------------

namespace {

// Field names hash and compare without letter case, and without making folded copies.
struct TFoldedHash
{
    size_t operator()(const QString& text) const noexcept
    {
        size_t h = 1469598103934665603ull;
        for (QChar c : text)
            h = (h ^ QChar::toCaseFolded(c.unicode())) * 1099511628211ull;
        return h;
    }
};

struct TFoldedEqual
{
    bool operator()(const QString& a, const QString& b) const noexcept
    {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    }
};

} // namespace

// Data columns by data index and by field name, each in depth-first order.
struct TKvGridColumnGroup::TLookups
{
    std::uint64_t Stamp = 0;
    std::unordered_map<int, std::vector<TKvGridDataColumn*>> ByIndex;
    std::unordered_map<QString, std::vector<TKvGridDataColumn*>, TFoldedHash, TFoldedEqual> ByName;
};

TKvGridColumnGroup::TKvGridColumnGroup(TComponent* owner)
    : TKvGridColumn(owner), FColumns(std::make_unique<TKvGridColumnCollection>(this))
{
}

TKvGridColumnGroup::~TKvGridColumnGroup()
{
    if (FColumns) {
        for (TKvGridColumn* column : FColumns->FItems)
            if (column->FGroup == this)
                column->FGroup = nullptr;
    }
}

void TKvGridColumnGroup::BeforeDestruction()
{
    SetComponentState(csDestroying, true);
    FColumns->Clear();
    TKvGridColumn::BeforeDestruction();
}

QString TKvGridColumnGroup::GetDisplayName() const
{
    return GetHeader()->GetCaption().isEmpty() ? GetName() : GetHeader()->GetCaption();
}

TKvGridColumnHeader* TKvGridColumnGroup::CreateHeader() { return Create<TKvGridColumnGroupHeader>(this); }

TKvGridColumnGroupHeader* TKvGridColumnGroup::GetGroupHeader() const
{
    return static_cast<TKvGridColumnGroupHeader*>(GetHeader());
}

void TKvGridColumnGroup::SetOrientation(TKvGridColumnsOrientation value)
{
    if (ChangeField(FOrientation, value))
        Changed(true);
}

void TKvGridColumnGroup::SetHideChildHeaders(bool value)
{
    if (ChangeField(FHideChildHeaders, value))
        Changed(true);
}

bool TKvGridColumnGroup::IsAncestorOf(const TKvGridColumn* column) const
{
    for (const TKvGridColumn* c = column ? column->FGroup : nullptr; c; c = c->FGroup)
        if (c == this)
            return true;
    return false;
}

const TKvGridColumnGroup* TKvGridColumnGroup::Top() const
{
    const TKvGridColumnGroup* g = this;
    while (g->FGroup)
        g = g->FGroup;
    return g;
}

const TKvGridColumnGroup::TLookups& TKvGridColumnGroup::Lookups() const
{
    if (!FLookups)
        FLookups = std::make_unique<TLookups>();
    if (FLookups->Stamp == TreeStamp)
        return *FLookups;
    FLookups->ByIndex.clear();
    FLookups->ByName.clear();
    const std::function<void(const TKvGridColumnGroup*)> walk = [&](const TKvGridColumnGroup* group) {
        for (TKvGridColumn* column : group->FColumns->FItems) {
            if (auto* data = dynamic_cast<TKvGridDataColumn*>(column)) {
                FLookups->ByIndex[data->GetDataIndex()].push_back(data);
                FLookups->ByName[data->GetFieldName()].push_back(data);
            } else if (auto* child = dynamic_cast<TKvGridColumnGroup*>(column)) {
                walk(child);
            }
        }
    };
    walk(this);
    FLookups->Stamp = TreeStamp;
    return *FLookups;
}

namespace {

template <typename Map, typename Key>
TKvGridDataColumn* FirstBelow(const Map& map, const Key& key, const TKvGridColumnGroup* group, bool top)
{
    const auto it = map.find(key);
    if (it == map.end())
        return nullptr;
    for (TKvGridDataColumn* column : it->second)
        if (top || group->IsAncestorOf(column))
            return column;
    return nullptr;
}

} // namespace

TKvGridDataColumn* TKvGridColumnGroup::GetDataColumn(int dataIndex) const
{
    const TKvGridColumnGroup* top = Top();
    return FirstBelow(top->Lookups().ByIndex, dataIndex, this, top == this);
}

TKvGridDataColumn* TKvGridColumnGroup::GetDataColumn(const QString& fieldName) const
{
    const TKvGridColumnGroup* top = Top();
    return FirstBelow(top->Lookups().ByName, fieldName, this, top == this);
}

namespace {

// The first data column found scanning a group's visible children from `from` in `step`
// direction; a child group answers its First (forward) or Last (backward).
TKvGridDataColumn* Scan(const std::vector<TKvGridColumn*>& visibles, int from, int step)
{
    for (int i = from; i >= 0 && i < static_cast<int>(visibles.size()); i += step) {
        TKvGridColumn* column = visibles[static_cast<size_t>(i)];
        if (auto* data = dynamic_cast<TKvGridDataColumn*>(column))
            return data;
        if (auto* group = dynamic_cast<TKvGridColumnGroup*>(column))
            if (TKvGridDataColumn* found = step > 0 ? group->First() : group->Last())
                return found;
    }
    return nullptr;
}

} // namespace

TKvGridDataColumn* TKvGridColumnGroup::First() const { return Scan(FColumns->FVisibles, 0, 1); }

TKvGridDataColumn* TKvGridColumnGroup::Last() const
{
    return Scan(FColumns->FVisibles, static_cast<int>(FColumns->FVisibles.size()) - 1, -1);
}

int TKvGridColumnGroup::CheckVisible(const TKvGridColumn* column) const
{
    KV_ASSERT(column, "column is nil");
    const int i = column->FDisplayIndex;
    KV_ASSERT(i >= 0 && i < VisibleCount() && FColumns->FVisibles[static_cast<size_t>(i)] == column,
              "column is not a visible group member");
    return i;
}


TKvGridDataColumn* TKvGridColumnGroup::Next(TKvGridColumn* column) const
{
    return Scan(FColumns->FVisibles, CheckVisible(column) + 1, 1);
}

TKvGridDataColumn* TKvGridColumnGroup::Prev(TKvGridColumn* column) const
{
    return Scan(FColumns->FVisibles, CheckVisible(column) - 1, -1);
}

TKvGridDataColumn* TKvGridColumnGroup::Right(TKvGridColumn* column) const
{
    return FOrientation == ColumnsHorizontal ? Next(column) : nullptr;
}

TKvGridDataColumn* TKvGridColumnGroup::Left(TKvGridColumn* column) const
{
    return FOrientation == ColumnsHorizontal ? Prev(column) : nullptr;
}

TKvGridDataColumn* TKvGridColumnGroup::Lower(TKvGridColumn* column) const
{
    return FOrientation == ColumnsVertical ? Next(column) : nullptr;
}

TKvGridDataColumn* TKvGridColumnGroup::Upper(TKvGridColumn* column) const
{
    return FOrientation == ColumnsVertical ? Prev(column) : nullptr;
}

namespace {

using TNeighbour = TKvGridDataColumn* (TKvGridColumnGroup::*)(TKvGridColumn*) const;

TKvGridDataColumn* AskUp(TKvGridColumn* column, TNeighbour ask)
{
    for (TKvGridColumn* c = column; c && c->GetDisplayIndex() >= 0; c = c->GetGroup()) {
        TKvGridColumnGroup* group = c->GetGroup();
        if (!group)
            return nullptr;
        if (TKvGridDataColumn* found = (group->*ask)(c))
            return found;
    }
    return nullptr;
}

} // namespace

TKvGridDataColumn* TKvGridColumnGroup::GetRight(TKvGridColumn* column) { return AskUp(column, &TKvGridColumnGroup::Right); }
TKvGridDataColumn* TKvGridColumnGroup::GetLeft(TKvGridColumn* column) { return AskUp(column, &TKvGridColumnGroup::Left); }
TKvGridDataColumn* TKvGridColumnGroup::GetNext(TKvGridColumn* column) { return AskUp(column, &TKvGridColumnGroup::Next); }
TKvGridDataColumn* TKvGridColumnGroup::GetPrev(TKvGridColumn* column) { return AskUp(column, &TKvGridColumnGroup::Prev); }
TKvGridDataColumn* TKvGridColumnGroup::GetLower(TKvGridColumn* column) { return AskUp(column, &TKvGridColumnGroup::Lower); }
TKvGridDataColumn* TKvGridColumnGroup::GetUpper(TKvGridColumn* column) { return AskUp(column, &TKvGridColumnGroup::Upper); }

bool TKvGridColumnGroup::IsTop(const TKvGridColumn* column)
{
    for (const TKvGridColumn* c = column; c && !c->IsTopLevel(); c = c->FGroup)
        if (c->FGroup->FOrientation == ColumnsVertical && c->FDisplayIndex > 0)
            return false;
    return true;
}

bool TKvGridColumnGroup::IsBottom(const TKvGridColumn* column)
{
    for (const TKvGridColumn* c = column; c && !c->IsTopLevel(); c = c->FGroup)
        if (c->FGroup->FOrientation == ColumnsVertical && c->FDisplayIndex < c->FGroup->VisibleCount() - 1)
            return false;
    return true;
}

std::vector<TKvGridColumnGroup*> TKvGridColumnGroup::GetAncestors(const TKvGridColumn* column)
{
    std::vector<TKvGridColumnGroup*> list;
    for (const TKvGridColumn* c = column; c && !c->IsTopLevel(); c = c->FGroup)
        list.push_back(c->FGroup);
    return list;
}

// --- widths ---------------------------------------------------------------------------------

void TKvGridColumnGroup::ResetColumnWidths()
{
    const auto& items = FColumns->FItems;
    if (items.empty())
        return;
    const int width = FGroupWidth;
    if (FOrientation == ColumnsVertical) {
        for (TKvGridColumn* child : items) {
            child->FGroupWidth = std::max(0, width);
            child->FGroupOffset = 0;
        }
    } else {
        // Shares in proportion to the children's bases; a negative base counts as 0, and
        // children whose bases sum to 0 share equally.
        std::vector<std::int64_t> bases;
        std::int64_t total = 0;
        for (TKvGridColumn* child : items) {
            const std::int64_t base = std::max(0, child->FGroupWidth >= 0 ? child->FGroupWidth : child->FWidth);
            bases.push_back(base);
            total += base;
        }
        const auto count = static_cast<std::int64_t>(items.size());
        std::int64_t running = 0;
        for (size_t i = 0; i + 1 < items.size(); ++i) {
            const std::int64_t w = total > 0 ? bases[i] * width / total : std::int64_t(width) / count;
            items[i]->FGroupWidth = static_cast<int>(std::max<std::int64_t>(0, w));
            items[i]->FGroupOffset = static_cast<int>(std::max<std::int64_t>(0, running));
            running += w;
        }
        items.back()->FGroupWidth = static_cast<int>(std::max<std::int64_t>(0, width - running));
        items.back()->FGroupOffset = static_cast<int>(std::max<std::int64_t>(0, running));
    }
    for (TKvGridColumn* child : items)
        if (auto* group = dynamic_cast<TKvGridColumnGroup*>(child))
            group->ResetColumnWidths();
}

void TKvGridColumnGroup::FitToColumns(TKvGridColumn* changed)
{
    bool fitted = false;
    TKvGridColumn* child = changed;
    for (TKvGridColumnGroup* group = this; group; group = group->GetGroup()) {
        const auto& items = group->FColumns->FItems;
        if (items.empty())
            break;
        int width = 0;
        if (group->FOrientation == ColumnsVertical) {
            // One width for all: the changed column's, else the widest.
            if (child)
                width = child->FWidth;
            else
                for (const TKvGridColumn* c : items)
                    width = std::max(width, c->FWidth);
            for (TKvGridColumn* c : items)
                if (c->FWidth != width) {
                    c->FWidth = width;
                    c->FGroupWidth = -1;
                    fitted = true;
                }
        } else {
            for (const TKvGridColumn* c : items)
                width += std::max(0, c->FWidth);
        }
        if (group->FWidth == width)
            break;
        group->FWidth = width;
        group->FGroupWidth = group->IsTopLevel() ? width : -1;
        fitted = true;
        child = group;
    }
    if (fitted)
        Changed(true);
}

void TKvGridColumnGroup::SetWidth(TKvGridColumn* column, int delta)
{
    if (!column)
        return;
    if (column->IsTopLevel()) {
        column->SetWidth(std::max(0, column->FWidth + delta));
        column->FGroupWidth = column->FWidth;
        if (auto* group = dynamic_cast<TKvGridColumnGroup*>(column))
            group->ResetColumnWidths();
        return;
    }
    column->FGroupWidth = std::max(0, column->FGroupWidth + delta);
    if (auto* group = dynamic_cast<TKvGridColumnGroup*>(column))
        group->ResetColumnWidths();
    TKvGridColumn* c = column;
    while (!c->IsTopLevel()) {
        TKvGridColumnGroup* g = c->FGroup;
        if (g->FOrientation == ColumnsVertical) {
            g->FGroupWidth = c->FGroupWidth;
            for (TKvGridColumn* child : g->FColumns->FItems) {
                if (child != c) {
                    child->FGroupWidth = g->FGroupWidth;
                    if (auto* group = dynamic_cast<TKvGridColumnGroup*>(child))
                        group->ResetColumnWidths();
                }
                child->FGroupOffset = 0;
            }
        } else {
            int running = 0;
            for (TKvGridColumn* child : g->FColumns->FItems) {
                child->FGroupOffset = running;
                running += std::max(0, child->FGroupWidth);
            }
            g->FGroupWidth = running;
        }
        if (g->IsTopLevel()) {
            g->SetWidth(g->FGroupWidth);
            break;
        }
        c = g;
    }
}

// --- levels and hit testing -----------------------------------------------------------------

namespace {

// Over visible children: the largest child-group value (at least 1) when across, else the sum
// with 1 for each plain column.
template <typename F>
int CombineChildren(const std::vector<TKvGridColumn*>& visibles, bool across, F groupValue)
{
    int result = across ? 1 : 0;
    for (TKvGridColumn* child : visibles) {
        auto* group = dynamic_cast<TKvGridColumnGroup*>(child);
        const int value = group ? groupValue(group) : 1;
        if (!across)
            result += value;
        else if (group)
            result = std::max(result, value);
    }
    return result;
}

} // namespace

int TKvGridColumnGroup::CalcHeaderLevels()
{
    const int own = GetGroupHeader()->GetVisible() || Designing(GetGrid()) ? 1 : 0;
    int levels = 0;
    if (!FHideChildHeaders && !FColumns->FVisibles.empty())
        levels = CombineChildren(FColumns->FVisibles, FOrientation == ColumnsHorizontal,
                                 [](TKvGridColumnGroup* g) { return g->CalcHeaderLevels(); });
    FHeaderLevel = own + levels;
    return FHeaderLevel;
}

int TKvGridColumnGroup::CalcDataLevels()
{
    FDataLevel = FColumns->FVisibles.empty()
                     ? 0
                     : CombineChildren(FColumns->FVisibles, FOrientation == ColumnsHorizontal,
                                       [](TKvGridColumnGroup* g) { return g->CalcDataLevels(); });
    return FDataLevel;
}

int TKvGridColumnGroup::CalcHorz() const
{
    if (FColumns->FVisibles.empty())
        return 1;
    return CombineChildren(FColumns->FVisibles, FOrientation == ColumnsVertical,
                           [](TKvGridColumnGroup* g) { return g->CalcHorz(); });
}

TKvGridColumn* TKvGridColumnGroup::GetVisibleColumnAt(int x, int y)
{
    for (TKvGridColumn* child : FColumns->FItems) {
        if (child->FDisplayIndex < 0 || !child->FLayoutRect.Contains(TPoint{x, y}))
            continue;
        if (auto* group = dynamic_cast<TKvGridColumnGroup*>(child))
            return group->GetVisibleColumnAt(x - child->FLayoutRect.Left, y - child->FLayoutRect.Top);
        return child;
    }
    return this;
}

void TKvGridColumnGroup::GetDataRoots(std::vector<TKvGridColumn*>& list)
{
    const std::function<void(TKvGridColumnGroup*)> walk = [&](TKvGridColumnGroup* group) {
        for (TKvGridColumn* child : group->FColumns->FVisibles) {
            if (child->FDataRoot == child)
                list.push_back(child);
            if (auto* sub = dynamic_cast<TKvGridColumnGroup*>(child))
                walk(sub);
        }
    };
    walk(this);
    if (FDataRoot == this)
        list.push_back(this);
    for (size_t i = list.size(); i-- > 1;) {
        const auto earlier = list.begin() + static_cast<std::ptrdiff_t>(i);
        TKvGridColumn* entry = list[i];
        const bool repeated = std::any_of(list.begin(), earlier, [entry](TKvGridColumn* e) {
            return e == entry || e == entry->GetParentGroup();
        });
        if (repeated)
            list.erase(earlier);
    }
}

// --- index resets ---------------------------------------------------------------------------

void TKvGridColumnGroup::ResolveIndices(TKvGridDataProvider* source)
{
    for (int i = 0; i < Count(); ++i) {
        TKvGridColumn* column = GetItem(i);
        column->FIndex = i;
        if (auto* data = dynamic_cast<TKvGridDataColumn*>(column)) {
            int index = -1;
            if (!data->GetFieldName().isEmpty())
                index = source->GetFieldIndex(data->GetFieldName());
            else if (data->GetFieldIndex() >= 0 && data->GetFieldIndex() < source->GetFieldCount())
                index = data->GetFieldIndex();
            data->SetDataIndex(index);
        } else if (auto* sub = dynamic_cast<TKvGridColumnGroup*>(column)) {
            sub->ResolveIndices(source);
        }
    }
}

void TKvGridColumnGroup::ResetIndicies()
{
    TKvGridView* grid = GetGrid();
    if (!Alive(grid))
        return;
    TKvGridDataProvider* source = DataSourceOf(grid);
    if (!source)
        return;
    ResolveIndices(source);
    ResetVisibles();
    ResetStates();
}

void TKvGridColumnGroup::ResetVisibles()
{
    FColumns->ResetVisibles(Designing(GetGrid()));
    const_cast<TKvGridColumnGroup*>(Top())->NumberTree();
}

void TKvGridColumnGroup::ResetStates()
{
    TKvGridView* grid = GetGrid();
    TKvIntegerArray fields;
    TKvGridSortDirections directions;
    if (grid && grid->GetItemProvider()) {
        fields = grid->GetSortFields();
        directions = grid->GetSortDirections();
    }
    const size_t count = std::min(fields.size(), directions.size());
    const std::function<void(TKvGridColumnGroup*)> walk = [&](TKvGridColumnGroup* group) {
        for (TKvGridColumn* child : group->FColumns->FItems) {
            if (auto* data = dynamic_cast<TKvGridDataColumn*>(child)) {
                data->SetSortOrder(-1);
                for (size_t k = 0; k < count; ++k)
                    if (data->GetDataIndex() == fields[k]) {
                        data->SetSortOrder(static_cast<int>(k));
                        data->SetSortDirection(directions[k]);
                    }
            } else if (auto* sub = dynamic_cast<TKvGridColumnGroup*>(child)) {
                walk(sub);
            }
        }
    };
    walk(this);
}

void TKvGridColumnGroup::AssignLevels(int level)
{
    const int childLevel = FOrientation == ColumnsVertical && VisibleCount() >= 2 ? level + 1 : level;
    for (TKvGridColumn* child : FColumns->FVisibles) {
        child->FLevel = childLevel;
        if (auto* group = dynamic_cast<TKvGridColumnGroup*>(child))
            group->AssignLevels(childLevel);
    }
}

void TKvGridColumnGroup::NumberLayout(int& position)
{
    for (TKvGridColumn* child : FColumns->FItems) {
        if (child->FDisplayIndex < 0) {
            // Hidden: no place in the layout, also for its descendants.
            const std::function<void(TKvGridColumn*)> clear = [&](TKvGridColumn* c) {
                c->FDataRoot = nullptr;
                c->FLayoutPos = -1;
                if (auto* g = dynamic_cast<TKvGridColumnGroup*>(c))
                    for (TKvGridColumn* cc : g->FColumns->FItems)
                        clear(cc);
            };
            clear(child);
            continue;
        }
        if (child->FLevel == 0) {
            child->FDataRoot = child;
        } else {
            TKvGridColumn* root = child->FGroup;
            while (root && root->FLevel != 0 && !root->IsTopLevel())
                root = root->FGroup;
            child->FDataRoot = root;
        }
        child->FLayoutPos = child->FDataRoot == child ? position++ : -1;
        if (auto* group = dynamic_cast<TKvGridColumnGroup*>(child))
            group->NumberLayout(position);
    }
}

void TKvGridColumnGroup::ResetDataRoots() { ResetVisibles(); }

void TKvGridColumnGroup::NumberTree()
{
    for (TKvGridColumn* child : FColumns->FVisibles) {
        child->FLevel = 0;
        if (auto* group = dynamic_cast<TKvGridColumnGroup*>(child))
            group->AssignLevels(0);
    }
    int position = 0;
    NumberLayout(position);
}

void TKvGridColumnGroup::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    for (TKvGridColumn* column : FColumns->FItems)
        if (column->GetOwner() == root)
            proc(column);
}

// --- grid-level column operations ----------------------------------------------------------

namespace {

template <typename T>
T* InsertInto(TKvGridView* grid, TKvGridColumnGroup* group, int index)
{
    TKvGridColumnGroup* target = group ? group : grid->GetRootGroup();
    auto* column = Create<T>(grid->GetOwner());
    target->GetColumns()->Insert(std::clamp(index, 0, target->Count()), column);
    column->FreeNotification(grid);
    grid->RefreshView(false);
    return column;
}

} // namespace

TKvGridDataColumn* TKvGridView::InsertDataColumn(TKvGridColumnGroup* Group, int Index)
{
    return InsertInto<TKvGridDataColumn>(this, Group, Index);
}

TKvGridColumnGroup* TKvGridView::InsertColumnGroup(TKvGridColumnGroup* Group, int Index)
{
    return InsertInto<TKvGridColumnGroup>(this, Group, Index);
}

TKvGridDataColumn* TKvGridView::AddDataColumn(TKvGridColumnGroup* Group)
{
    return InsertDataColumn(Group, Group ? Group->Count() : GetRootGroup()->Count());
}

TKvGridColumnGroup* TKvGridView::AddColumnGroup(TKvGridColumnGroup* Group)
{
    return InsertColumnGroup(Group, Group ? Group->Count() : GetRootGroup()->Count());
}

namespace {

// True when the column, or a column under it, has an active filter.
bool Filtering(TKvGridColumn* column)
{
    if (auto* group = dynamic_cast<TKvGridColumnGroup*>(column)) {
        for (int i = 0; i < group->Count(); ++i)
            if (Filtering(group->GetItem(i)))
                return true;
        return false;
    }
    auto* data = dynamic_cast<TKvGridDataColumn*>(column);
    TKvGridColumnFilterCollection* filters = data ? data->GetFilters() : nullptr;
    for (int i = 0; filters && i < filters->Count(); ++i)
        if (filters->GetFilter(i)->GetActive())
            return true;
    return false;
}

} // namespace

void TKvGridView::RemoveColumn(TKvGridColumn* Column)
{
    if (!Column || Column->GetGrid() != this)
        return;
    // Active filters go with their column: the rows they hid show again.
    const bool filtering = !IsDestroying() && Filtering(Column);
    if (auto* group = dynamic_cast<TKvGridColumnGroup*>(Column))
        RemoveChildren(group);
    if (TKvGridColumnGroup* parent = Column->GetParentGroup())
        parent->GetColumns()->Remove(Column);
    Column->RemoveFreeNotification(this);
    // A column whose owner is going is freed by that owner.
    TComponent* owner = Column->GetOwner();
    if (!Column->IsDestroying() && !(owner && owner->IsDestroying()))
        Column->Free();
    if (filtering)
        ColumnFiltersChanged();
    RefreshView(false);
}

void TKvGridView::RemoveChildren(TKvGridColumnGroup* Group)
{
    if (!Group)
        return;
    for (int i = Group->Count() - 1; i >= 0; --i)
        if (i < Group->Count())
            RemoveColumn(Group->GetItem(i));
    RefreshView(false);
}

void TKvGridView::ClearColumns() { RemoveChildren(GetRootGroup()); }

TKvGridColumn* TKvGridView::GetColumn(int Index) const { return GetRootGroup()->GetItem(Index); }

TKvGridColumn* TKvGridView::GetVisibleColumn(int Index) const { return GetRootGroup()->GetVisible(Index); }

TKvGridDataColumn* TKvGridView::GetDataColumn(int DataIndex) const { return GetRootGroup()->GetDataColumn(DataIndex); }

TKvGridDataColumn* TKvGridView::GetDataColumn(const QString& FieldName) const
{
    return GetRootGroup()->GetDataColumn(FieldName);
}

void TKvGridView::MoveColumn(int From, int To) { GetRootGroup()->SetColumnIndex(From, To); }

void TKvGridView::SetColumnIndex(TKvGridColumnGroup* Group, int From, int To)
{
    (Group ? Group : GetRootGroup())->SetColumnIndex(From, To);
}

std::vector<TKvGridDataColumn*> TKvGridView::GetDataColumns() const
{
    std::vector<TKvGridDataColumn*> list;
    const std::function<void(const TKvGridColumnGroup*)> walk = [&](const TKvGridColumnGroup* group) {
        for (int i = 0; i < group->Count(); ++i) {
            TKvGridColumn* column = group->GetItem(i);
            if (auto* data = dynamic_cast<TKvGridDataColumn*>(column))
                list.push_back(data);
            else if (auto* sub = dynamic_cast<TKvGridColumnGroup*>(column))
                walk(sub);
        }
    };
    walk(GetRootGroup());
    return list;
}

TKvGridCellIndex TKvGridView::GetIndex(int ItemIndex, int VisibleColumn)
{
    TKvGridColumn* column = VisibleColumn >= 0 && VisibleColumn < GetVisibleColumnCount() ? GetVisibleColumn(VisibleColumn) : nullptr;
    return TKvGridCellIndex(this, ItemIndex, column);
}

void TKvGridView::GetChildren(const TGetChildProc& Proc, TComponent* Root)
{
    TKvSpriteControl::GetChildren(Proc, Root);
    for (int i = 0; i < GetColumnCount(); ++i)
        if (GetColumn(i)->GetOwner() == Root)
            Proc(GetColumn(i));
    if (FModelConsumer)
        Proc(FModelConsumer);
}

// --- the Columns facade -------------------------------------------------------------------

int TKvGridViewColumns::Count() const { return FGrid->GetRootGroup()->Count(); }

TKvGridColumn* TKvGridViewColumns::GetItem(int index) const { return FGrid->GetRootGroup()->GetItem(index); }

TKvGridDataColumn* TKvGridViewColumns::Add(TKvGridColumnGroup* group) { return FGrid->AddDataColumn(group); }

TKvGridColumnGroup* TKvGridViewColumns::AddGroup(TKvGridColumnGroup* group) { return FGrid->AddColumnGroup(group); }

void TKvGridViewColumns::Remove(TKvGridColumn* column) { FGrid->RemoveColumn(column); }

void TKvGridViewColumns::Clear() { FGrid->ClearColumns(); }

std::vector<TKvGridDataColumn*> TKvGridViewColumns::GetDataColumns() const { return FGrid->GetDataColumns(); }

// ---- derived column --------------------------------------------------------------------------

TKvGridDerivedColumn::TKvGridDerivedColumn(TComponent* owner)
    : TKvGridColumn(owner),
      FFooter(Create<TKvGridColumnFooter>(this)),
      FDynamicStyles(std::make_unique<TKvGridDynamicStyleCollection>(this)),
      FFilters(std::make_unique<TKvGridColumnFilterCollection>(this))
{
}

TKvGridDerivedColumn::~TKvGridDerivedColumn() = default;

TKvGridColumnHeader* TKvGridDerivedColumn::CreateHeader() { return Create<TKvGridColumnHeader>(this); }

void TKvGridDerivedColumn::SetFooter(TKvGridColumnFooter* value)
{
    if (value && value != FFooter.get())
        FFooter->Assign(value);
}

void TKvGridDerivedColumn::SetValueType(TKvGridValueType value)
{
    if (ChangeField(FValueType, value))
        Changed(false);
}

void TKvGridDerivedColumn::SetExpression(const QString& value)
{
    if (ChangeField(FExpression, value))
        Changed(false);
}

void TKvGridDerivedColumn::SetSortable(bool value)
{
    if (ChangeField(FSortable, value))
        Changed(false);
}

void TKvGridDerivedColumn::SetFooterRenderer(TKvGridCellRenderer* value)
{
    if (ChangeReference(FFooterRenderer, value))
        Changed(false);
}

void TKvGridDerivedColumn::SetRenderer(TKvGridCellRenderer* value)
{
    if (value == FRenderer)
        return;
    TKvGridCellRenderer* old = FRenderer;
    FRenderer = value;
    if (old)
        FreeObject(old);
    Changed(false);
}

} // namespace kv
