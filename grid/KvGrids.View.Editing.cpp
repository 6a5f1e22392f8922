// The grid view's side of in-place editing: the edit controller, which editor a cell gets,
// where it goes, and the edit notifications and events.
#include "grid/KvGrids.View.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Editing.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.LayoutManager.h"
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
    if (FEditController)
        FEditController->EditorRemoved(Editor);
}

// The data cell's rectangle from the layout; without a layout manager the cell lies at the
// sum of the visible column widths before it and one text line per row below the top row.
TRect TKvGridView::GetEditBounds(const TKvGridCellIndex& Index)
{
    if (!Index.Column)
        return TRect{};
    if (FLayoutManager) {
        if (FLayoutNeeded || !FLayouted)
            UpdateLayout();
        return FLayoutManager->DataCellRect(Index);
    }
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
