// Sections: the open editor, the notification, construction (window, actions, images),
// loading and finding nodes, selection and enabled states, commands.
//
// Call flow: a verb or property editor calls Execute(grid, designer), which makes the editor,
// SetGrid (free notification, LoadColumns, caption) and shows it. Every tree change runs
// TreeChanged: the designer's selection follows the tree (SetSelection) and the actions'
// enabled states are recomputed. Commands change the grid inside BeginUpdate/EndUpdate, touch
// the tree and report Modified to the designer. Closing the window, the grid's removal and
// the designer's closing all end in the editor being freed.
#include "design/KvGrids.ColumnsEditor.h"

#include "design/KvGrids.ColumnDlg.h"
#include "design/KvGrids.ColumnGroupDlg.h"
#include "design/KvGrids.StyleInspector.h"
#include "graphics/KvGrids.Common.Drawing.h"
#include "grid/KvGrids.Editors.h"
#include "platform/rtl/ScopeGuard.h"

#include <QtCore/QTimer>

namespace kv {

// --- The open editor --------------------------------------------------------------------

namespace {
TKvColumnsEditorForm* gEditor = nullptr;
// Counts the editors made, so that a deferred free finds the editor it was meant for.
unsigned gGeneration = 0;
unsigned gEditorGeneration = 0;
} // namespace

TKvColumnsEditorForm* TKvColumnsEditorForm::Current() { return gEditor; }

void TKvColumnsEditorForm::FreeEditor()
{
    if (gEditor)
        gEditor->Free();
}

void TKvColumnsEditorForm::Execute(TKvGridView* grid, IDesigner* designer)
{
    if (!grid)
        return;
    if (gEditor && gEditor->FGrid == grid && !gEditor->FClosing) {
        gEditor->FDesigner = designer;
        gEditor->FWindow->SetOwnerWindow(designer ? designer->GetWindow() : nullptr);
        gEditor->FWindow->BringToFront();
        return;
    }
    FreeEditor();
    TKvColumnsEditorForm* editor = Create<TKvColumnsEditorForm>(nullptr);
    editor->FDesigner = designer;
    editor->SetGrid(grid);
    // A tool window of the designer's window: it stays above it.
    editor->FWindow->SetOwnerWindow(designer ? designer->GetWindow() : nullptr);
    editor->FWindow->CenterOnScreen();
    editor->FWindow->Show();
}

void TKvColumnsEditorForm::RefreshEditor(TKvGridView* grid)
{
    if (gEditor && grid && gEditor->FGrid == grid)
        gEditor->LoadColumns();
}

// --- The notification -------------------------------------------------------------------

void TKvDesignNotification::ItemsModified(IDesigner* designer)
{
    if (!FEditor || !FEditor->FRoot)
        return;
    for (TDesignTreeNode* node : FEditor->tvMain->AllNodes())
        if (node != FEditor->FRoot)
            node->SetText(static_cast<TKvGridColumn*>(node->GetData())->GetDisplayName());
}

void TKvDesignNotification::ItemDeleted(IDesigner* designer, TPersistent* item)
{
    // A column freed elsewhere must not stay behind in the tree.
    if (FEditor && item != FEditor->FGrid && FEditor->FindNode(dynamic_cast<TKvGridColumn*>(item)))
        FEditor->LoadColumns();
}

void TKvDesignNotification::DesignerClosed(IDesigner* designer, bool goingDormant)
{
    if (FEditor && designer == FEditor->FDesigner)
        FEditor->Free();
}

// --- Construction -----------------------------------------------------------------------

namespace {

// The tree's images: a grid, a column group and a data column, 16 pixels square.
std::unique_ptr<TBitmap> MakeImage(int kind)
{
    auto bitmap = std::make_unique<TBitmap>(16, 16);
    {
        TKvDrawingContext context(bitmap->GetCanvas());
        context.DrawRect(TKvFill::White(), nullptr, TRect{0, 0, 16, 16});
        TKvSolidBrush* head = TKvSolidBrush::Temp(TKvColor(0xFF4682B4u));
        switch (kind) {
        case TKvColumnsEditorForm::ImageGrid:
            context.DrawRect(TKvFill::White(), TKvStroke::DimGray(), TRect{1, 2, 15, 14});
            context.DrawRect(head, nullptr, TRect{2, 3, 14, 6});
            context.DrawLine(TKvStroke::Gray(), 2, 9, 14, 9);
            context.DrawLine(TKvStroke::Gray(), 6, 6, 6, 13);
            context.DrawLine(TKvStroke::Gray(), 10, 6, 10, 13);
            break;
        case TKvColumnsEditorForm::ImageGroup:
            context.DrawRect(head, TKvStroke::DimGray(), TRect{1, 2, 15, 6});
            context.DrawRect(TKvFill::White(), TKvStroke::DimGray(), TRect{1, 6, 8, 14});
            context.DrawRect(TKvFill::White(), TKvStroke::DimGray(), TRect{8, 6, 15, 14});
            break;
        default:
            context.DrawRect(head, TKvStroke::DimGray(), TRect{4, 2, 12, 6});
            context.DrawRect(TKvFill::White(), TKvStroke::DimGray(), TRect{4, 6, 12, 14});
            break;
        }
    }
    bitmap->ReleaseCanvas();
    return bitmap;
}

} // namespace

TKvColumnsEditorForm::TKvColumnsEditorForm(TComponent* owner) : TComponent(owner) {}

TKvColumnsEditorForm::~TKvColumnsEditorForm() = default;

void TKvColumnsEditorForm::AfterConstruction()
{
    TComponent::AfterConstruction();
    FWindow = std::make_unique<TDesignWindow>(QStringLiteral("Columns"), fkToolWindow, this);
    TDesignWindow* w = FWindow.get();
    tbarMain = w->Add<TDesignToolBar>();
    tvMain = w->Add<TDesignTreeView>();
    popMain = w->Add<TDesignMenu>();
    tbarMain->SetName(QStringLiteral("tbarMain"));
    tvMain->SetName(QStringLiteral("tvMain"));
    for (int kind = ImageGrid; kind <= ImageColumn; ++kind)
        FImages.push_back(MakeImage(kind));
    tvMain->SetImages({FImages[0].get(), FImages[1].get(), FImages[2].get()});
    tvMain->SetPopupMenu(popMain);
    CreateActions();

    TDesignContainer* body = w->Body();
    body->SetMargins(0);
    body->Place(tbarMain, 0, 0);
    body->Place(tvMain, 1, 0);
    body->SetRowStretch(1, 1);
    w->SetClientSize(260, 380);

    tvMain->OnChange = [this](TDesignTreeView*) { TreeChanged(); };
    tvMain->OnMouseDown = [this](TDesignTreeView* sender, int x, int y) {
        if (!sender->GetNodeAt(x, y))
            sender->ClearSelection();
    };
    w->OnActivate = [this](TDesignWindow*) {
        if (FDesigner)
            FDesigner->Activate();
        SetSelection();
    };
    w->OnClose = [this](TDesignWindow*) { Close(); };

    FNoti = MakeIntf<TKvDesignNotification>(this);
    RegisterDesignNotification(FNoti);
    gEditor = this;
    gEditorGeneration = ++gGeneration;
}

void TKvColumnsEditorForm::BeforeDestruction()
{
    if (FNoti) {
        FNoti->FEditor = nullptr;
        UnregisterDesignNotification(FNoti);
        FNoti = nullptr;
    }
    if (gEditor == this)
        gEditor = nullptr;
    FGrid = nullptr;
    FRoot = nullptr;
    if (tvMain)
        tvMain->OnChange = nullptr;
    FWindow.reset();
    TComponent::BeforeDestruction();
}

void TKvColumnsEditorForm::CreateActions()
{
    TDesignWindow* w = FWindow.get();
    const auto action = [w](const char* caption, const char* hint, std::function<void()> run) {
        TDesignAction* a = w->Add<TDesignAction>(QString::fromLatin1(caption), QString::fromLatin1(hint));
        a->OnExecute = [run](TDesignAction*) { run(); };
        return a;
    };
    actAddColumn = action("Add DataColumn", "New Data Column", [this] { AddColumnExecute(); });
    actAddGroup = action("Add ColumnGroup", "New Column Group", [this] { AddGroupExecute(); });
    actDelete = action("Delete", "Delete", [this] { DeleteExecute(); });
    actClear = action("Clear", "Clear", [this] { ClearExecute(); });
    actMoveUp = action("Move Up", "Move Up", [this] { MoveExecute(-1); });
    actMoveDown = action("Move Down", "Move Down", [this] { MoveExecute(1); });
    actStyles = action("Styles...", "Styles...", [this] { StylesExecute(0); });
    actHeaderStyles = action("Header Styles...", "", [this] { StylesExecute(1); });
    actFooterStyles = action("Footer Styles...", "", [this] { StylesExecute(2); });

    tbarMain->AddAction(actAddColumn);
    tbarMain->AddAction(actAddGroup);
    tbarMain->AddAction(actDelete);
    tbarMain->AddSeparator();
    tbarMain->AddAction(actMoveUp);
    tbarMain->AddAction(actMoveDown);
    tbarMain->AddSeparator();
    tbarMain->AddAction(actStyles);

    popMain->AddAction(actAddColumn);
    popMain->AddAction(actAddGroup);
    popMain->AddSeparator();
    popMain->AddAction(actDelete);
    popMain->AddAction(actClear);
    popMain->AddSeparator();
    popMain->AddAction(actMoveUp);
    popMain->AddAction(actMoveDown);
    popMain->AddSeparator();
    popMain->AddAction(actStyles);
    popMain->AddAction(actHeaderStyles);
    popMain->AddAction(actFooterStyles);
}

void TKvColumnsEditorForm::Close()
{
    if (FClosing)
        return;
    FClosing = true;
    if (FWindow && FWindow->IsShowing()) {
        FWindow->OnClose = nullptr;
        FWindow->Close();
    }
    // Freed once the window's event that closed it has returned.
    const unsigned generation = gEditorGeneration;
    TKvColumnsEditorForm* self = this;
    QTimer::singleShot(0, [self, generation] {
        if (gEditor == self && gEditorGeneration == generation)
            self->Free();
    });
}

void TKvColumnsEditorForm::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FGrid) {
        FGrid = nullptr;
        FRoot = nullptr;
        tvMain->OnChange = nullptr;
        tvMain->Clear();
        Close();
    }
}

void TKvColumnsEditorForm::SetGrid(TKvGridView* grid)
{
    if (FGrid == grid)
        return;
    FGrid = grid;
    LoadColumns();
    const QString name = FGrid ? FGrid->GetName() : QString();
    FWindow->SetCaption(name.isEmpty() ? QStringLiteral("Columns") : QStringLiteral("Columns - ") + name);
}

// --- Loading and finding nodes ------------------------------------------------------------

TDesignTreeNode* TKvColumnsEditorForm::AddColumnNode(TDesignTreeNode* parent, TKvGridColumn* column, int index)
{
    const bool group = dynamic_cast<TKvGridColumnGroup*>(column) != nullptr;
    return tvMain->AddNode(parent, column->GetDisplayName(), column, group ? ImageGroup : ImageColumn, index);
}

void TKvColumnsEditorForm::AddColumnNodes(TDesignTreeNode* parent, TKvGridColumnGroup* group)
{
    for (int i = 0; i < group->Count(); ++i) {
        TKvGridColumn* column = group->GetItem(i);
        TDesignTreeNode* node = AddColumnNode(parent, column, -1);
        if (auto* child = dynamic_cast<TKvGridColumnGroup*>(column))
            AddColumnNodes(node, child);
    }
}

void TKvColumnsEditorForm::LoadColumns()
{
    // Rebuilding the tree is no change of the user's selection.
    TEventBlocker block(tvMain);
    tvMain->Clear();
    FRoot = nullptr;
    if (FGrid) {
        FRoot = tvMain->AddNode(nullptr, FGrid->GetName(), FGrid, ImageGrid);
        AddColumnNodes(FRoot, FGrid->GetRootGroup());
        for (TDesignTreeNode* node : tvMain->AllNodes())
            node->Expand();
    }
    UpdateActions();
}

TDesignTreeNode* TKvColumnsEditorForm::FindNode(TKvGridColumn* column) const
{
    if (!column)
        return nullptr;
    for (TDesignTreeNode* node : tvMain->AllNodes())
        if (node->GetData() == column)
            return node;
    return nullptr;
}

void TKvColumnsEditorForm::SelectColumn(TKvGridColumn* column)
{
    if (TDesignTreeNode* node = FindNode(column))
        tvMain->Select(node);
}

// --- Selection and enabled states ---------------------------------------------------------

void TKvColumnsEditorForm::TreeChanged()
{
    SetSelection();
    UpdateActions();
    if (FOnChange)
        FOnChange(this);
}

void TKvColumnsEditorForm::SetSelection()
{
    if (!FDesigner)
        return;
    const std::vector<TDesignTreeNode*> nodes = tvMain->Selections();
    if (nodes.size() < 2) {
        TDesignTreeNode* node = tvMain->GetSelected();
        FDesigner->SelectComponent(node ? static_cast<TPersistent*>(static_cast<TComponent*>(node->GetData())) : nullptr);
        return;
    }
    TDesignerSelections list;
    for (TDesignTreeNode* node : nodes)
        if (node != FRoot)
            list.Add(static_cast<TKvGridColumn*>(node->GetData()));
    FDesigner->SetSelections(list);
}

TKvGridColumn* TKvColumnsEditorForm::SelectedColumn() const
{
    TDesignTreeNode* node = tvMain->GetSelected();
    return node && node != FRoot ? static_cast<TKvGridColumn*>(node->GetData()) : nullptr;
}

void TKvColumnsEditorForm::UpdateActions()
{
    TDesignTreeNode* node = tvMain->GetSelected();
    TKvGridColumn* column = SelectedColumn();
    const bool isGroup = dynamic_cast<TKvGridColumnGroup*>(column) != nullptr;
    const bool isData = dynamic_cast<TKvGridDataColumn*>(column) != nullptr;
    actAddColumn->SetEnabled(FGrid != nullptr);
    actAddGroup->SetEnabled(FGrid && (!node || node == FRoot || isGroup));
    actDelete->SetEnabled(column != nullptr);
    actClear->SetEnabled(FRoot && FRoot->Count() > 0);
    actMoveUp->SetEnabled(column && node->GetIndex() > 0);
    actMoveDown->SetEnabled(column && node->GetParent() && node->GetIndex() < node->GetParent()->Count() - 1);
    actStyles->SetEnabled(FGrid && ((node && node == FRoot) || isData));
    actHeaderStyles->SetEnabled(isData);
    actFooterStyles->SetEnabled(isData);
}

void TKvColumnsEditorForm::Modified()
{
    if (FDesigner)
        FDesigner->Modified();
}

QString TKvColumnsEditorForm::UniqueColumnName(const QString& suffix) const
{
    const QString base = FGrid->GetName() + suffix;
    const TComponent* owner = FGrid->GetOwner();
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? base : base + QString::number(n);
        if (IsUniqueGlobalComponentName(name) && !(owner && owner->FindComponent(name)))
            return name;
    }
}

// --- Commands -----------------------------------------------------------------------------

void TKvColumnsEditorForm::AddColumnExecute()
{
    if (!FGrid)
        return;
    TKvColumnDialog dialog;
    if (!dialog.Execute())
        return;
    TDesignTreeNode* selected = tvMain->GetSelected();
    TKvGridColumn* column = SelectedColumn();
    TKvGridColumnGroup* group = nullptr;
    TDesignTreeNode* parentNode = FRoot;
    int index = -1;
    if (auto* g = dynamic_cast<TKvGridColumnGroup*>(column)) {
        group = g;
        parentNode = selected;
        index = g->Count();
    } else if (column) {
        // After the selected column, so that columns added one after another keep their order.
        group = column->GetGroup();
        parentNode = selected->GetParent();
        index = selected->GetIndex() + 1;
    } else {
        index = FGrid->GetRootGroup()->Count();
    }
    TKvGridDataColumn* added = nullptr;
    FGrid->BeginUpdate();
    {
        TScopeExit endUpdate([&] { FGrid->EndUpdate(); });
        added = FGrid->InsertDataColumn(group, index);
        added->SetFieldName(dialog.GetFieldName());
        added->GetHeader()->SetCaption(dialog.GetHeader());
        // The group widens to hold the new column at its width.
        if (group)
            group->FitToColumns();
        if (FGrid->IsDesigning()) {
            const QString field = dialog.GetFieldName();
            added->SetName(UniqueColumnName(IsValidIdent(field) ? field : QStringLiteral("column")));
        }
    }
    TKvGridColumnGroup* parentGroup = added->GetParentGroup();
    tvMain->Select(AddColumnNode(parentNode, added, parentGroup ? parentGroup->GetColumns()->IndexOf(added) : -1));
    parentNode->Expand();
    Modified();
}

void TKvColumnsEditorForm::AddGroupExecute()
{
    if (!FGrid || !actAddGroup->GetEnabled())
        return;
    TKvColumnGroupDialog dialog;
    if (!dialog.Execute())
        return;
    TDesignTreeNode* selected = tvMain->GetSelected();
    auto* group = dynamic_cast<TKvGridColumnGroup*>(SelectedColumn());
    TDesignTreeNode* parentNode = group ? selected : FRoot;
    TKvGridColumnGroup* added = nullptr;
    FGrid->BeginUpdate();
    {
        TScopeExit endUpdate([&] { FGrid->EndUpdate(); });
        added = FGrid->AddColumnGroup(group);
        added->GetHeader()->SetCaption(dialog.GetHeader());
        added->SetOrientation(dialog.GetVertical() ? ColumnsVertical : ColumnsHorizontal);
        added->GetGroupHeader()->SetVisible(dialog.GetHeaderVisible());
        if (group)
            group->FitToColumns();
        if (FGrid->IsDesigning())
            added->SetName(UniqueColumnName(QStringLiteral("group")));
    }
    tvMain->Select(AddColumnNode(parentNode, added, -1));
    parentNode->Expand();
    Modified();
}

namespace {

// The column-owned renderers and editors of a column and its descendants: they belong to the
// form, so they go with the column.
void CollectOwnParts(TKvGridColumn* column, std::vector<TComponent*>& parts)
{
    if (auto* group = dynamic_cast<TKvGridColumnGroup*>(column)) {
        for (int i = 0; i < group->Count(); ++i)
            CollectOwnParts(group->GetItem(i), parts);
        return;
    }
    auto* data = dynamic_cast<TKvGridDataColumn*>(column);
    if (!data)
        return;
    for (TKvGridCellRenderer* renderer : {data->GetRenderer(), data->GetFooterRenderer()})
        if (renderer && renderer->IsInternal() && renderer->GetParentColumn() == column)
            parts.push_back(renderer);
    if (TKvGridCellEditor* editor = data->GetEditor())
        if (editor->IsInternal() && editor->GetParentColumn() == column)
            parts.push_back(editor);
}

// Ends an open edit, empties the selection (its ranges name columns) and takes the grid's
// focus off the columns about to go (the column, or every column when it is nil), so that
// nothing of the grid keeps a freed column.
void ReleaseColumns(TKvGridView* grid, TKvGridColumn* column)
{
    if (grid->GetEditing())
        grid->CancelEditor(false);
    grid->ClearSelection();
    const TKvGridCellIndex focused = grid->GetFocusedIndex();
    for (TKvGridColumn* c = focused.Column; c; c = c->GetParentGroup()) {
        if (!column || c == column) {
            grid->SetFocusedIndex(TKvGridCellIndex(grid, focused.ItemIndex, nullptr));
            break;
        }
    }
}

// Frees components unless something freed them meanwhile.
class TPartReaper : public TComponent
{
public:
    explicit TPartReaper(const std::vector<TComponent*>& parts) : TComponent(nullptr), FParts(parts.begin(), parts.end()) {}
    void FreeAll()
    {
        while (!FParts.empty()) {
            TComponent* part = FParts.back();
            FParts.pop_back();
            if (part)
                part->Free();
        }
    }

private:
    // Each clears itself when something else frees its part first.
    std::vector<TComponentRef<TComponent>> FParts;
};

} // namespace

void TKvColumnsEditorForm::DeleteExecute()
{
    TKvGridColumn* column = SelectedColumn();
    if (!FGrid || !column)
        return;
    TDesignTreeNode* node = tvMain->GetSelected();
    TDesignTreeNode* parent = node->GetParent();
    const int index = node->GetIndex();
    TDesignTreeNode* neighbour = index + 1 < parent->Count() ? parent->Item(index + 1)
                                 : index > 0                 ? parent->Item(index - 1)
                                                             : parent;
    TKvGridColumn* next = neighbour == FRoot ? nullptr : static_cast<TKvGridColumn*>(neighbour->GetData());
    std::vector<TComponent*> parts;
    CollectOwnParts(column, parts);
    TOwned<TPartReaper> reaper{Create<TPartReaper>(parts)};
    // An open editor or drop-down of the column goes first.
    ReleaseColumns(FGrid, column);
    tvMain->ClearSelection();
    TKvGridColumnGroup* group = column->GetGroup();
    FGrid->RemoveColumn(column);
    reaper->FreeAll();
    // The group narrows to the columns it keeps.
    if (group)
        group->FitToColumns();
    LoadColumns();
    Modified();
    if (next)
        SelectColumn(next);
    else
        SetSelection();
}

void TKvColumnsEditorForm::ClearExecute()
{
    if (!FGrid)
        return;
    ReleaseColumns(FGrid, nullptr);
    std::vector<TComponent*> parts;
    for (int i = 0; i < FGrid->GetRootGroup()->Count(); ++i)
        CollectOwnParts(FGrid->GetRootGroup()->GetItem(i), parts);
    TOwned<TPartReaper> reaper{Create<TPartReaper>(parts)};
    tvMain->ClearSelection();
    FGrid->ClearColumns();
    reaper->FreeAll();
    if (FRoot)
        FRoot->DeleteChildren();
    // No freed column may stay selected in the designer.
    SetSelection();
    UpdateActions();
    Modified();
}

void TKvColumnsEditorForm::MoveExecute(int delta)
{
    TKvGridColumn* column = SelectedColumn();
    if (!FGrid || !column)
        return;
    // The node's place is the column's place among its siblings.
    if (!column->Move(tvMain->GetSelected()->GetIndex() + delta))
        return;
    LoadColumns();
    SelectColumn(column);
    Modified();
}

void TKvColumnsEditorForm::StylesExecute(int which)
{
    if (!FGrid)
        return;
    TDesignTreeNode* node = tvMain->GetSelected();
    auto* data = dynamic_cast<TKvGridDataColumn*>(SelectedColumn());
    TKvGridStyleBag* bag = nullptr;
    if (which == 0)
        bag = data ? data->GetStyles() : (node && node == FRoot ? FGrid->GetStyles() : nullptr);
    else if (data)
        bag = which == 1 ? data->GetHeader()->GetStyles() : data->GetFooter()->GetStyles();
    if (bag && TKvStyleInspectorForm::Execute(bag))
        Modified();
}

} // namespace kv
