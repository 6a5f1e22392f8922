// The grid view's input: every key and mouse event goes to the active tool; the grid itself
// interprets none. The edit commands the tools use forward to the edit controller.
#include "grid/KvGrids.View.h"

#include "grid/KvGrids.GridTool.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.LayoutManager.h"
#include "platform/rtl/Trace.h"

#include <QtCore/QElapsedTimer>

namespace kv {

void TKvGridView::DoKeyDown(std::uint16_t& Key, TShiftState Shift)
{
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
    if (!FActiveTool)
        return;
    // The tool may be replaced while it handles the press.
    IntfPtr<IKvGridTool> tool(FActiveTool);
    if (Shift.Contains(ssDouble))
        tool->DblClick(X, Y);
    else
        tool->MouseDown(Button, Shift, X, Y);
}

void TKvGridView::DoMouseMove(TShiftState Shift, int X, int Y)
{
    if (FActiveTool) {
        IntfPtr<IKvGridTool> tool(FActiveTool);
        tool->MouseMove(Shift, X, Y);
    }
}

void TKvGridView::DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FActiveTool) {
        IntfPtr<IKvGridTool> tool(FActiveTool);
        tool->MouseUp(Button, Shift, X, Y);
    }
}

// The edit controller answers these once it exists; until then no editor opens.
bool TKvGridView::GetEditing() const { return false; }

void TKvGridView::ShowEditor(bool Select) {}

void TKvGridView::CommitEditor(bool Select) { Invalidate(); }

void TKvGridView::CancelEditor(bool Select) { Invalidate(); }

TSize TKvGridView::GetEditorSize() const { return TSize{0, 0}; }

void TKvGridView::FitColumnWidth(TKvGridColumn* Column)
{
    if (!FLayoutManager || !Column)
        return;
    QElapsedTimer timer;
    timer.start();
    Column->SetWidth(FLayoutManager->FitColumnWidth(Column));
    if (TraceEnabled())
        trace(QStringLiteral(">>>>>>>>>>>>>>>>>>>>>>>>>> FitColumnWidth: %1").arg(timer.elapsed()));
}

} // namespace kv
