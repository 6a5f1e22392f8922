// The grid view's side of in-place editing: the edit controller it makes, the focus it hands
// to the waiting editor, and the tool's focus feedback after an editor moved.
#include "grid/KvGrids.View.h"

#include "grid/KvGrids.Editing.h"
#include "grid/KvGrids.GridTool.h"

namespace kv {

TOwned<TKvGridEditController> TKvGridView::CreateEditController()
{
    return TOwned<TKvGridEditController>(new TKvDefaultGridEditController(this));
}

void TKvGridView::EditorRemoved(TKvGridCellEditor* Editor)
{
    if (FEditController)
        FEditController->EditorRemoved(Editor);
}

void TKvGridView::DoItemCommitting(int Index)
{
    if (FEditController && !IsDestroying())
        FEditController->ItemCommitting(Index);
}

void TKvGridView::ResetFocusedView()
{
    if (IKvGridTool* tool = GetActiveTool())
        tool->ResetFocusedView();
    else
        Invalidate();
}

// The grid's focus goes on to the editor waiting over the focused cell.
void TKvGridView::DoEnter()
{
    TKvSpriteControl::DoEnter();
    if (FEditController)
        FEditController->SetFocus();
}

} // namespace kv
