// The grid view's input: key and mouse routing to the active tool, and the edit commands as
// the input tools use them.
//
// Sections: input routing; edit commands.
//
// Call flow: the sprite host's KeyDown, KeyPress, KeyUp and MouseDown/Move/Up call DoKeyDown
// ... DoMouseUp here, which run a layout that a change made due (LayoutForInput) and hand the
// event to the active tool (KvGrids.Tool.h; its keys in KvGrids.Tool.Keys.cpp, its mouse in
// KvGrids.Tool.cpp). A double click goes to the tool's DblClick; the wheel scrolls two rows a
// notch, the horizontal wheel (or Shift with the wheel) two horizontal steps; leaving the window
// ends the hover feedback. The tools call ShowEditor, CommitEditor
// and CancelEditor, which forward to the edit controller (KvGrids.Editing).
#include "grid/KvGrids.View.h"

#include "grid/KvGrids.EditorBase.h"
#include "grid/KvGrids.Tool.h"

#include <algorithm>
#include <cstdlib>

namespace kv {

// ---- input routing ---------------------------------------------------------------------

// Input finds cells through the views and the layout: a layout that a change made due (a
// column or row removed since the last paint) runs first.
void TKvGridView::LayoutForInput()
{
    if (FLayouted && FLayoutNeeded && !FLayoutLock && !RefreshSkipped())
        LayoutElements();
}

void TKvGridView::DoKeyDown(std::uint16_t& Key, TShiftState Shift)
{
    LayoutForInput();
    if (Key != 0 && FActiveTool)
        FActiveTool->KeyDown(Key, Shift);
}

void TKvGridView::DoKeyPress(QChar& Key)
{
    if (!Key.isNull() && FActiveTool)
        FActiveTool->KeyPress(Key);
}

void TKvGridView::DoKeyUp(std::uint16_t& Key, TShiftState Shift)
{
    if (FActiveTool)
        FActiveTool->KeyUp(Key, Shift);
}

void TKvGridView::DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    SetLayoutLock(false);
    LayoutForInput();
    if (!FActiveTool)
        return;
    if (Shift.Contains(ssDouble))
        FActiveTool->DblClick(X, Y);
    else
        FActiveTool->MouseDown(Button, Shift, X, Y);
}

void TKvGridView::DoMouseMove(TShiftState Shift, int X, int Y)
{
    LayoutForInput();
    if (FActiveTool)
        FActiveTool->MouseMove(Shift, X, Y);
}

void TKvGridView::DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    LayoutForInput();
    if (FActiveTool)
        FActiveTool->MouseUp(Button, Shift, X, Y);
}

bool TKvGridView::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    if (FInList)
        return true;
    // Shift turns the wheel sideways.
    if (Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt))
        return DoMouseHWheel(Shift, WheelDelta, MousePos);
    const int notches = std::max(1, std::abs(WheelDelta) / 120);
    SetTopIndex(FTopIndex + (WheelDelta < 0 ? 2 : -2) * notches);
    return true;
}

// Two horizontal steps a notch, as the vertical wheel moves two rows; a negative delta goes right.
bool TKvGridView::DoMouseHWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    if (FInList)
        return true;
    const int notches = std::max(1, std::abs(WheelDelta) / 120);
    SetLeftPos(FLeftPos + (WheelDelta < 0 ? 2 : -2) * notches * FHorzScrollStep);
    return true;
}

// The mouse left the window: the hover feedback goes with it.
void TKvGridView::MouseLeave()
{
    TKvSpriteControl::MouseLeave();
    if (auto* tool = dynamic_cast<TKvGridSelectionTool*>(FActiveTool.get()))
        tool->MouseLeft();
}

// ---- edit commands ---------------------------------------------------------------------

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

} // namespace kv
