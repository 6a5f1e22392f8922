// Sections: grid view editor (verbs, styles submenu, style commands) · provider editors ·
// renderer and editor kinds of a column · style sets, columns and collections.
//
// Call flow: the designer asks GetComponentEditor for a component's editor and builds its
// context menu from GetVerb/PrepareItem; a click runs ExecuteVerb or, for a styles submenu
// item, OnEditStyles, which finds the style-set property by name among the chosen area
// object's properties and calls its editor's Edit. Property editors are made by
// GetComponentProperties for the object inspector.
#include "design/KvGrids.Design.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Internals.h"
#include "grid/KvGrids.Renderers.h"
#include "grid/KvGrids.View.h"
#include "model/KvGrids.Data.Files.h"
#include "model/KvGrids.Data.Vantrel.h"
#include "components/KvGrids.Data.BDE.h"
#include "components/KvGrids.ListView.h"
#include "components/KvGrids.Styles.Archive.h"
#include "components/KvGrids.Vantrel.h"
#include "design/KvGrids.ColumnsEditor.h"
#include "design/KvGrids.StyleInspector.h"
#include "platform/design/DesignDialogs.h"
#include "platform/rtl/Collections.h"
#include "platform/rtl/DateUtils.h"
#include "platform/ui/MessageBox.h"

namespace kv {

// ---- grid view editor ---------------------------------------------------------------------

namespace {

const char* const GridVerbs[] = {"Columns...",          "Generate Columns",     "Clear and Generate Columns",
                                 "-",                   "Styles",               "Load Styles...",
                                 "Save Styles...",      "Load Styles from Quenmark...", "Register Styles..."};
constexpr int GridVerbCount = 9;
constexpr int StylesVerb = 4;

const char* const StyleCaptions[] = {
    "Default...",   "Panel...",          "Body...",          "Body Empty...",    "-",
    "Indicator...", "Indicator Head...", "Indicator Foot...", "-",               "CheckBar...",
    "CheckBar Head...", "CheckBar Foot...", "-",              "StatesBar...",     "StatesBar Head...",
    "StatesBar Foot...", "-",            "Header...",        "Header Group...",  "Footer...",
    "RowGroup Header...", "RowGroup Footer..."};

bool StartsWith(const QString& caption, const char* prefix)
{
    return caption.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

bool Has(const QString& caption, const char* part)
{
    return caption.contains(QLatin1String(part), Qt::CaseInsensitive);
}

// Head and foot styles of a bar object by caption.
QString BarStyleName(const QString& caption)
{
    if (Has(caption, "Head"))
        return QStringLiteral("HeadStyles");
    if (Has(caption, "Foot"))
        return QStringLiteral("FootStyles");
    return QStringLiteral("Styles");
}

} // namespace

QStringList TKvGridViewEditor::StyleMenuCaptions()
{
    QStringList captions;
    for (const char* c : StyleCaptions)
        captions << QString::fromLatin1(c);
    return captions;
}

TKvGridView* TKvGridViewEditor::GetGrid() const
{
    return dynamic_cast<TKvGridView*>(GetComponent());
}

int TKvGridViewEditor::GetVerbCount()
{
    return GridVerbCount;
}

QString TKvGridViewEditor::GetVerb(int index)
{
    return index >= 0 && index < GridVerbCount ? QString::fromLatin1(GridVerbs[index]) : QString();
}

void TKvGridViewEditor::PrepareItem(int index, TDesignMenuItem* item)
{
    if (index != StylesVerb || !item)
        return;
    for (const QString& caption : StyleMenuCaptions()) {
        if (caption == QLatin1String("-"))
            item->AddLine();
        else
            item->AddItem(caption, [this](TObject* sender) { OnEditStyles(sender); });
    }
}

namespace {

struct TColumnWork
{
    int Columns = 0;
    int Groups = 0;
    int Renderers = 0;
    int Editors = 0;
    int Styles = 0;
};

bool HasOwnValues(const TKvGridStyleBag* bag)
{
    if (!bag)
        return false;
    for (const TKvStylePropertyRecord* rec : TKvStyleProperties::List())
        if (bag->HasValue(rec->Entry))
            return true;
    return false;
}

void CountWork(const TKvGridColumnGroup* group, TColumnWork& work)
{
    for (int i = 0; i < group->Count(); ++i) {
        TKvGridColumn* column = group->GetItem(i);
        if (HasOwnValues(column->GetStyles()) || HasOwnValues(column->GetHeader()->GetStyles()))
            ++work.Styles;
        if (auto* sub = dynamic_cast<TKvGridColumnGroup*>(column)) {
            ++work.Groups;
            CountWork(sub, work);
        } else if (auto* data = dynamic_cast<TKvGridDataColumn*>(column)) {
            ++work.Columns;
            if (data->GetRenderer())
                ++work.Renderers;
            if (data->GetEditor())
                ++work.Editors;
        }
    }
}

QString Counted(int count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

// Asks before the columns of grid go; true when there are none or the user agrees.
bool ConfirmClearColumns(TKvGridView* grid)
{
    TColumnWork work;
    CountWork(grid->GetRootGroup(), work);
    if (work.Columns == 0 && work.Groups == 0)
        return true;
    QStringList lost;
    if (work.Columns > 0)
        lost << Counted(work.Columns, "column", "columns");
    if (work.Groups > 0)
        lost << Counted(work.Groups, "column group", "column groups");
    if (work.Renderers > 0)
        lost << Counted(work.Renderers, "renderer", "renderers");
    if (work.Editors > 0)
        lost << Counted(work.Editors, "editor", "editors");
    if (work.Styles > 0)
        lost << Counted(work.Styles, "column with its own styles", "columns with their own styles");
    const QString list = lost.size() == 1 ? lost.front()
                                          : lost.mid(0, lost.size() - 1).join(QStringLiteral(", ")) +
                                                QStringLiteral(" and ") + lost.back();
    return MessageBox(QStringLiteral("Clear the columns of %1 and generate them again? This deletes %2.")
                          .arg(grid->GetName(), list),
                      QStringLiteral("Clear and Generate Columns"), MB_YESNO | MB_ICONWARNING) == IDYES;
}

} // namespace

void TKvGridViewEditor::GenerateColumns(bool clear)
{
    TKvGridView* grid = GetGrid();
    auto* vantrel = dynamic_cast<TKvVantrel*>(grid);
    auto* list = dynamic_cast<TKvListView*>(grid);
    if (!vantrel && !list)
        throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    if (clear && !ConfirmClearColumns(grid))
        return;
    if (vantrel)
        vantrel->GenerateDataColumns(clear);
    else
        list->GenerateDataColumns(clear);
    TKvColumnsEditorForm::RefreshEditor(grid);
    if (GetDesigner())
        GetDesigner()->Modified();
}

namespace {
const QString StylesFilter = QStringLiteral("VantrelPlus Styles(*.vts)|*.vts|All Files (*.*)|*.*");
}

void TKvGridViewEditor::LoadStyles()
{
    TKvGridView* grid = GetGrid();
    TOpenDialog dialog;
    dialog.SetDefaultExt(QStringLiteral("vts"));
    dialog.SetFilter(StylesFilter);
    if (!grid || !dialog.Execute())
        return;
    TKvGridStylesJsonArchive archive;
    // The form changes only when the archive changed a style.
    const QString before = archive.SaveGrid(grid);
    archive.LoadGrid(TKvGridViewStylesArchive::LoadFromFile(dialog.GetFileName()), grid);
    if (GetDesigner() && archive.SaveGrid(grid) != before)
        GetDesigner()->Modified();
}

void TKvGridViewEditor::SaveStyles()
{
    TKvGridView* grid = GetGrid();
    TSaveDialog dialog;
    dialog.SetDefaultExt(QStringLiteral("vts"));
    dialog.SetFilter(StylesFilter);
    if (!grid || !dialog.Execute())
        return;
    TKvGridStylesJsonArchive archive;
    TKvGridViewStylesArchive::SaveToFile(dialog.GetFileName(), archive.SaveGrid(grid));
}

void TKvGridViewEditor::ExecuteVerb(int index)
{
    switch (index) {
    case 0:
        if (TKvGridView* grid = GetGrid())
            TKvColumnsEditorForm::Execute(grid, GetDesigner());
        break;
    case 1:
        GenerateColumns(false);
        break;
    case 2:
        GenerateColumns(true);
        break;
    case 5:
        LoadStyles();
        break;
    case 6:
        SaveStyles();
        break;
    default:
        // The separator, the "Styles" submenu and the two commands without behaviour.
        break;
    }
}

void TKvGridViewEditor::OnEditStyles(TObject* sender)
{
    auto* item = dynamic_cast<TDesignMenuItem*>(sender);
    TKvGridView* grid = GetGrid();
    if (!item || !grid)
        return;
    const QString caption = item->GetCaption();
    TPersistent* target = nullptr;
    QString name = QStringLiteral("Styles");
    if (StartsWith(caption, "Default"))
        target = grid;
    else if (StartsWith(caption, "Panel"))
        target = grid->GetPanel();
    else if (StartsWith(caption, "Body")) {
        target = grid->GetBody();
        if (Has(caption, "Empty"))
            name = QStringLiteral("EmptyStyles");
    } else if (StartsWith(caption, "Indicator")) {
        target = grid->GetIndicator();
        name = BarStyleName(caption);
    } else if (StartsWith(caption, "CheckBar")) {
        target = grid->GetCheckBar();
        name = BarStyleName(caption);
    } else if (StartsWith(caption, "StatesBar")) {
        target = grid->GetStatesBar();
        name = BarStyleName(caption);
    } else if (StartsWith(caption, "Header")) {
        target = grid->GetHeader();
        if (Has(caption, "Group"))
            name = QStringLiteral("GroupStyles");
    } else if (StartsWith(caption, "Footer"))
        target = grid->GetFooter();
    else if (StartsWith(caption, "RowGroup")) {
        target = grid->GetRowGroup();
        name = Has(caption, "Footer") ? QStringLiteral("FooterStyles") : QStringLiteral("HeaderStyles");
    }
    if (!target)
        return;
    FStyleName = name;
    TDesignerSelections selections;
    selections.Add(target);
    const TClassInfo& stylesClass = ClassInfo<TKvGridViewStyles>();
    GetComponentProperties(
        selections, tkClassKinds, GetDesigner(),
        [this](const IntfPtr<IProperty>& prop) {
            if (prop->GetName().compare(FStyleName, Qt::CaseInsensitive) == 0)
                prop->Edit();
        },
        [&stylesClass](const IntfPtr<IProperty>& prop) {
            const TPropInfo* info = prop->GetPropInfo();
            return info && info->ClassType && info->ClassType->InheritsFrom(stylesClass);
        });
}

// ---- provider editors ---------------------------------------------------------------------

QString TKvCsvDataProviderEditor::GetVerb(int index)
{
    return index == 0 ? QStringLiteral("Import Columns...") : QString();
}

void TKvCsvDataProviderEditor::ExecuteVerb(int index)
{
    auto* provider = dynamic_cast<TKvFileDataProvider*>(GetComponent());
    if (index != 0 || !provider)
        return;
    TOpenDialog dialog;
    if (dialog.Execute())
        provider->Load(dialog.GetFileName());
}

QString TKvFieldsProviderEditor::GetVerb(int index)
{
    return index == 0 ? QStringLiteral("Fields...") : QString();
}

void TKvFieldsProviderEditor::ExecuteVerb(int index)
{
    if (index != 0 || !GetComponent())
        return;
    TDesignerSelections selections;
    selections.Add(GetComponent());
    const TClassInfo& fields = FieldCollectionClass();
    GetComponentProperties(
        selections, tkClassKinds, GetDesigner(), [](const IntfPtr<IProperty>& prop) { prop->Edit(); },
        [&fields](const IntfPtr<IProperty>& prop) {
            const TPropInfo* info = prop->GetPropInfo();
            return info && info->ClassType == &fields;
        });
}

const TClassInfo& TKvVantrelDataProviderEditor::FieldCollectionClass() const
{
    return ClassInfo<TKvVantrelDataFieldCollection>();
}

const TClassInfo& TKvBDEDataProviderEditor::FieldCollectionClass() const
{
    return ClassInfo<TKvBDEDataFieldCollection>();
}

// ---- renderer and editor kinds of a column ------------------------------------------------

namespace {

// The display name of a class, asked of a short-lived instance once.
template <typename T>
QString DisplayNameOf()
{
    static const QString name = [] {
        TOwned<T> probe(Create<T>(nullptr));
        return probe->GetDisplayName();
    }();
    return name;
}

const QString KindDefault = QStringLiteral("default");
const QString KindCustom = QStringLiteral("custom");

} // namespace

TPropertyAttributes TKvColumnPartPropertyEditor::GetAttributes()
{
    return {paValueList, paSubProperties, paSortList, paReadOnly, paVolatileSubProperties, paValueEditable};
}

bool TKvColumnPartPropertyEditor::DoFilter(const IntfPtr<IProperty>& prop)
{
    const QString name = prop->GetName();
    return name.compare(QLatin1String("Name"), Qt::CaseInsensitive) != 0 &&
           name.compare(QLatin1String("Tag"), Qt::CaseInsensitive) != 0;
}

void TKvColumnPartPropertyEditor::GetProperties(const TGetPropProc& proc)
{
    TDesignerSelections parts;
    for (int i = 0; i < GetPropCount(); ++i)
        if (auto* column = dynamic_cast<TKvGridDataColumn*>(GetComponent(i)))
            parts.Add(GetPart(column));
    if (parts.Count() > 0)
        GetComponentProperties(parts, tkProperties, FDesigner, proc, &TKvColumnPartPropertyEditor::DoFilter);
}

QString TKvColumnPartPropertyEditor::CurrentText(TKvGridDataColumn* column) const
{
    TComponent* part = GetPart(column);
    if (!part)
        return KindDefault;
    const QString kind = KindOf(part);
    return kind.isEmpty() ? KindCustom : kind;
}

QString TKvColumnPartPropertyEditor::GetValue()
{
    auto* column = dynamic_cast<TKvGridDataColumn*>(GetComponent(0));
    return column ? CurrentText(column) : QString();
}

void TKvColumnPartPropertyEditor::GetValues(const TGetStrProc& proc)
{
    proc(KindDefault);
    for (const QString& kind : KindNames())
        proc(kind);
    proc(KindCustom);
}

void TKvColumnPartPropertyEditor::NameNew(TComponent* part) const
{
    if (part && part->GetName().isEmpty() && FDesigner)
        part->SetName(FDesigner->UniqueName(part->ClassName()));
}

void TKvColumnPartPropertyEditor::SetValue(const QString& value)
{
    // The text names a kind, or nothing changes.
    const QStringList kinds = KindNames();
    int kind = -1;
    QString text;
    for (int i = 0; i < kinds.size(); ++i)
        if (kinds[i].compare(value.trimmed(), Qt::CaseInsensitive) == 0) {
            kind = i;
            text = kinds[i];
        }
    if (kind < 0) {
        if (value.trimmed().compare(KindDefault, Qt::CaseInsensitive) == 0)
            text = KindDefault;
        else if (value.trimmed().compare(KindCustom, Qt::CaseInsensitive) == 0)
            text = KindCustom;
        else
            return;
    }
    bool changed = false;
    for (int i = 0; i < GetPropCount(); ++i) {
        auto* column = dynamic_cast<TKvGridDataColumn*>(GetComponent(i));
        if (!column || CurrentText(column) == text)
            continue;
        // The column's own component goes; one shared with other columns is only detached.
        TComponent* old = GetPart(column);
        AssignPart(column, nullptr);
        if (old && IsOwnPart(old, column))
            old->Free();
        TComponent* made = nullptr;
        if (kind >= 0)
            made = CreatePart(kind, column);
        else if (text == KindCustom)
            made = CreateProxy(column);
        NameNew(made);
        AssignPart(column, made);
        changed = true;
    }
    if (changed)
        Modified();
}

QStringList TKvRendererPropertyEditor::KindNames() const
{
    return {DisplayNameOf<TKvBarCellRenderer>(), DisplayNameOf<TKvCheckCellRenderer>(),
            DisplayNameOf<TKvImageCellRenderer>()};
}

TComponent* TKvRendererPropertyEditor::GetPart(TKvGridDataColumn* column) const
{
    return column->GetRenderer();
}

QString TKvRendererPropertyEditor::KindOf(TComponent* part) const
{
    if (dynamic_cast<TKvBarCellRenderer*>(part) || dynamic_cast<TKvCheckCellRenderer*>(part) ||
        dynamic_cast<TKvImageCellRenderer*>(part))
        return static_cast<TKvGridCellRenderer*>(part)->GetDisplayName();
    return QString();
}

bool TKvRendererPropertyEditor::IsOwnPart(TComponent* part, TKvGridDataColumn* column) const
{
    auto* renderer = static_cast<TKvGridCellRenderer*>(part);
    return renderer->IsInternal() && renderer->GetParentColumn() == column;
}

TComponent* TKvRendererPropertyEditor::CreatePart(int kind, TKvGridDataColumn* column) const
{
    TComponent* owner = column->GetOwner();
    switch (kind) {
    case 0: {
        auto* r = Create<TKvInternalBarCellRenderer>(owner);
        r->SetInternalColumn(column);
        return r;
    }
    case 1: {
        auto* r = Create<TKvInternalCheckCellRenderer>(owner);
        r->SetInternalColumn(column);
        return r;
    }
    default: {
        auto* r = Create<TKvInternalImageCellRenderer>(owner);
        r->SetInternalColumn(column);
        return r;
    }
    }
}

TComponent* TKvRendererPropertyEditor::CreateProxy(TKvGridDataColumn* column) const
{
    return Create<TKvProxyCellRenderer>(column->GetOwner());
}

void TKvRendererPropertyEditor::AssignPart(TKvGridDataColumn* column, TComponent* part) const
{
    column->SetRenderer(static_cast<TKvGridCellRenderer*>(part));
}

QStringList TKvEditorPropertyEditor::KindNames() const
{
    return {DisplayNameOf<TKvLineCellEditor>(),  DisplayNameOf<TKvLookupCellEditor>(),
            DisplayNameOf<TKvNumberCellEditor>(), DisplayNameOf<TKvListCellEditor>(),
            DisplayNameOf<TKvDateTimeCellEditor>(), DisplayNameOf<TKvMultiLineCellEditor>()};
}

TComponent* TKvEditorPropertyEditor::GetPart(TKvGridDataColumn* column) const
{
    return column->GetEditor();
}

QString TKvEditorPropertyEditor::KindOf(TComponent* part) const
{
    // The line editor's descendants (button, drop-down, image ...) name other kinds; only an
    // editor whose name is one of the six counts.
    if (!dynamic_cast<TKvLineCellEditor*>(part) && !dynamic_cast<TKvNumberCellEditor*>(part) &&
        !dynamic_cast<TKvDateTimeCellEditor*>(part) && !dynamic_cast<TKvMultiLineCellEditor*>(part))
        return QString();
    const QString name = static_cast<TKvGridCellEditor*>(part)->GetDisplayName();
    return KindNames().contains(name) ? name : QString();
}

bool TKvEditorPropertyEditor::IsOwnPart(TComponent* part, TKvGridDataColumn* column) const
{
    auto* editor = static_cast<TKvGridCellEditor*>(part);
    return editor->IsInternal() && editor->GetParentColumn() == column;
}

namespace {

template <typename T>
TComponent* MakeInternalEditor(TKvGridDataColumn* column)
{
    auto* e = Create<T>(column->GetOwner());
    e->SetInternalColumn(column);
    return e;
}

} // namespace

TComponent* TKvEditorPropertyEditor::CreatePart(int kind, TKvGridDataColumn* column) const
{
    switch (kind) {
    case 0:
        return MakeInternalEditor<TKvInternalLineCellEditor>(column);
    case 1:
        return MakeInternalEditor<TKvInternalLookupCellEditor>(column);
    case 2:
        return MakeInternalEditor<TKvInternalNumberCellEditor>(column);
    case 3:
        return MakeInternalEditor<TKvInternalListCellEditor>(column);
    case 4:
        return MakeInternalEditor<TKvInternalDateTimeCellEditor>(column);
    default:
        return MakeInternalEditor<TKvInternalMultiLineCellEditor>(column);
    }
}

TComponent* TKvEditorPropertyEditor::CreateProxy(TKvGridDataColumn* column) const
{
    return Create<TKvProxyCellEditor>(column->GetOwner());
}

void TKvEditorPropertyEditor::AssignPart(TKvGridDataColumn* column, TComponent* part) const
{
    column->SetEditor(static_cast<TKvGridCellEditor*>(part));
}

// ---- style sets, columns and collections --------------------------------------------------

void TKvStyleBagPropertyEditor::Edit()
{
    if (TKvStyleInspectorForm::Execute(dynamic_cast<TKvGridStyleBag*>(GetObjectValue())))
        Modified();
}

TPropertyAttributes TKvStyleBagPropertyEditor::GetAttributes()
{
    return {paDialog, paReadOnly, paValueEditable};
}

TPropertyAttributes TKvStylesPropertyEditor::GetAttributes()
{
    return {paSubProperties, paDialog, paReadOnly, paValueEditable};
}

bool TKvStylesPropertyEditor::DoFilter(const IntfPtr<IProperty>& prop)
{
    return prop->GetName().compare(QLatin1String("Reference"), Qt::CaseInsensitive) == 0;
}

void TKvStylesPropertyEditor::GetProperties(const TGetPropProc& proc)
{
    TDesignerSelections sets;
    for (int i = 0; i < GetPropCount(); ++i)
        sets.Add(dynamic_cast<TPersistent*>(GetObjectValue(i)));
    if (sets.Count() > 0)
        GetComponentProperties(sets, tkProperties, FDesigner, proc, &TKvStylesPropertyEditor::DoFilter);
}

TPropertyAttributes TKvColumnsPropertyEditor::GetAttributes()
{
    return {paDialog, paReadOnly};
}

void TKvColumnsPropertyEditor::Edit()
{
    auto* columns = dynamic_cast<TKvGridViewColumns*>(GetObjectValue());
    TKvGridView* grid = columns ? columns->GetGrid() : dynamic_cast<TKvGridView*>(GetComponent(0));
    if (grid)
        TKvColumnsEditorForm::Execute(grid, FDesigner);
}

QString TKvColumnsPropertyEditor::GetValue()
{
    return QStringLiteral("(Columns Editor)");
}

namespace {

// The nearest component up the owner chain of a persistent.
TComponent* OwningComponent(TPersistent* object)
{
    for (TPersistent* p = object; p; p = p->GetOwner())
        if (auto* c = dynamic_cast<TComponent*>(p))
            return c;
    return nullptr;
}

void EditNamedCollection(TPropertyEditor& editor, const QString& name)
{
    auto* collection = dynamic_cast<TCollection*>(editor.GetObjectValue());
    if (collection)
        ShowCollectionEditor(editor.GetDesigner(), OwningComponent(collection), collection, name);
}

} // namespace

TPropertyAttributes TKvRowGroupLevelsPropertyEditor::GetAttributes()
{
    return {paDialog, paReadOnly, paValueEditable};
}

void TKvRowGroupLevelsPropertyEditor::Edit()
{
    EditNamedCollection(*this, QStringLiteral("Levels"));
}

TPropertyAttributes TKvDynamicStyleCollectionPropertyEditor::GetAttributes()
{
    return {paDialog, paReadOnly, paValueEditable};
}

void TKvDynamicStyleCollectionPropertyEditor::Edit()
{
    EditNamedCollection(*this, QStringLiteral("Dynamic Styles"));
}

// ---- dates ----------------------------------------------------------------------------------

QString TKvDatePropertyEditor::GetValue()
{
    const Variant value = GetVarValue();
    return value.IsClear() ? QString() : DateTimeToStr(value.AsDouble());
}

void TKvDatePropertyEditor::SetValue(const QString& value)
{
    TDateTime date = 0;
    if (!TryStrToDateTime(value.trimmed(), date))
        throw EConvertError(QStringLiteral("'%1' is not a date for %2: type it as yyyy-mm-dd, for example 2026-01-31")
                                .arg(value.trimmed(), GetName()));
    SetVarValue(Variant(date));
}

} // namespace kv
