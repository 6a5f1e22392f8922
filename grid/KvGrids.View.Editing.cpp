// The grid view's side of in-place editing: the edit controller, which editor a cell gets,
// where it goes, and the edit notifications and events.
#include "grid/KvGrids.View.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Editing.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Options.h"

#include "platform/ui/Popups.h"

#include <QtCore/QString>

namespace kv {

namespace {

// One line of the grid's font and a little room.
int EditRowHeight(const TKvGridView* grid)
{
    TFont font;
    if (TKvFont* f = grid->GetStyles()->GetFont())
        f->ToFont(&font);
    return FontTextHeight(&font) + 4;
}

} // namespace

TKvGridEditController* TKvGridView::CreateEditController() { return new TKvDefaultGridEditController(this); }

void TKvGridView::EditorRemoved(TKvGridCellEditor* Editor)
{
    if (Editor == FDefaultEditor)
        FDefaultEditor = nullptr;
    if (FEditController)
        FEditController->EditorRemoved(Editor);
}

TKvGridCellEditor* TKvGridView::GetCellEditor(const TKvGridCellIndex& Index)
{
    auto* column = dynamic_cast<TKvGridDataColumn*>(Index.Column);
    if (!column)
        return nullptr;
    if (column->GetEditor())
        return column->GetEditor();
    if (!FDefaultEditor && !IsDestroying())
        FDefaultEditor = Create<TKvLineCellEditor>(this);
    return FDefaultEditor;
}

TKvGridCellEditor* TKvGridView::CreateCellEditor(TComponent* Owner, const QString& Key)
{
    if (Key.compare(QLatin1String("text"), Qt::CaseInsensitive) == 0)
        return Create<TKvLineCellEditor>(Owner);
    if (Key.compare(QLatin1String("lookup"), Qt::CaseInsensitive) == 0)
        return Create<TKvLookupCellEditor>(Owner);
    if (Key.compare(QLatin1String("number"), Qt::CaseInsensitive) == 0)
        return Create<TKvNumberCellEditor>(Owner);
    if (Key.compare(QLatin1String("list"), Qt::CaseInsensitive) == 0)
        return Create<TKvListCellEditor>(Owner);
    if (Key.compare(QLatin1String("date"), Qt::CaseInsensitive) == 0)
        return Create<TKvDateTimeCellEditor>(Owner);
    return nullptr;
}

// Without a layout the cell lies at the sum of the visible column widths before it and one
// text line per row below the top row.
TRect TKvGridView::GetEditBounds(const TKvGridCellIndex& Index)
{
    if (!Index.Column)
        return TRect{};
    int left = 0;
    for (int i = 0; i < GetVisibleColumnCount(); ++i) {
        TKvGridColumn* column = GetVisibleColumn(i);
        if (column == Index.Column)
            break;
        left += column->GetWidth();
    }
    const int rowHeight = EditRowHeight(this);
    const int top = (Index.ItemIndex - GetTopIndex()) * rowHeight;
    return TRect::Bounds(left - GetLeftPos(), top, Index.Column->GetWidth(), rowHeight);
}

void TKvGridView::DoEnter()
{
    TKvSpriteControl::DoEnter();
    if (FEditController)
        FEditController->SetFocus();
}

// The item edit opens with the first change of an editor.
void TKvGridView::DoEditorStarted(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index)
{
    auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(FItemProvider);
    if (editable && Index.ItemIndex >= 0 && !editable->IsEditing(Index.ItemIndex)) {
        // A row still open elsewhere is finished first.
        if (editable->GetEditingState() != ItemNormal)
            editable->Commit();
        editable->Edit(Index.ItemIndex);
    }
    if (OnEditStart)
        OnEditStart(this, Editor, Index);
}

void TKvGridView::DoEditorChanged(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index, const Variant& Value)
{
    if (OnEdit)
        OnEdit(this, Editor, Index, Value);
}

// A row edit that nothing was written to ends with the cell edit.
void TKvGridView::DoEditorCanceled(const TKvGridCellIndex& Index)
{
    auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(FItemProvider);
    if (editable && Index.ItemIndex >= 0 && editable->GetEditingState() != ItemNormal &&
        editable->IsEditing(Index.ItemIndex) && !FItemEdited)
        editable->Cancel();
    if (OnEditCancel)
        OnEditCancel(this, Index);
}

void TKvGridView::DoEditorCommit(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index, const Variant& Value)
{
    if (OnEditCommit)
        OnEditCommit(this, Editor, Index, Value);
}

void TKvGridView::DoEditorCompleted(const TKvGridCellIndex& Index)
{
    if (OnEditComplete)
        OnEditComplete(this, Index);
}

} // namespace kv
