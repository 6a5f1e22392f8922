// The grid view's edit commands as the input tools use them: they forward to the edit
// controller.
#include "grid/KvGrids.View.h"

#include "grid/KvGrids.EditorBase.h"
#include "grid/KvGrids.Tool.h"

namespace kv {

bool TKvGridView::GetEditing() const { return FEditController && FEditController->GetEditing(); }

void TKvGridView::ShowEditor(bool Select)
{
    if (FEditController)
        FEditController->ShowEditor(Select);
}

void TKvGridView::CommitEditor(bool Select)
{
    if (FEditController)
        FEditController->CommitEditor(Select);
    Invalidate();
}

void TKvGridView::CancelEditor(bool Select)
{
    if (FEditController)
        FEditController->CancelEditor(Select);
    Invalidate();
}

TSize TKvGridView::GetEditorSize() const { return FEditController ? FEditController->GetEditorSize() : TSize{0, 0}; }

// The mouse left the window: the hover feedback goes with it.
void TKvGridView::MouseLeave()
{
    TKvSpriteControl::MouseLeave();
    if (auto* tool = dynamic_cast<TKvGridSelectionTool*>(FActiveTool.get()))
        tool->MouseLeft();
}

} // namespace kv
