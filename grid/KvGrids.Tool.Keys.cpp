// The keyboard half of the selection tool: focus moves, selection extension with Shift, edit
// and row commands, the clipboard, and the rule for leaving the last cell of a row.
//
// Call flow: DoKeyDown locks the hover feedback, then tests the keys in a fixed order; the
// navigation keys go through NavigateKey; a move ends in MoveFocus (SetFocused with
// selection), whose appended flag keeps a just appended row from being cancelled.
#include "grid/KvGrids.Tool.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.Renderer.h"
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Selection.h"
#include "grid/KvGrids.View.h"
#include "model/KvGrids.Model.Default.h"

namespace kv {

namespace {

bool OnlyCtrl(TShiftState shift)
{
    return shift.Contains(ssCtrl) && !shift.Contains(ssShift) && !shift.Contains(ssAlt);
}

} // namespace

void TKvGridSelectionTool::DoKeyDown(std::uint16_t& Key, TShiftState Shift)
{
    TKvGridView* grid = FOwner;
    LockHover();
    SetHoveredCell(nullptr);
    const TKvGridCellIndex focused = grid->GetFocusedIndex();
    TKvGridCellIndex f = focused;
    bool appended = false;

    switch (Key) {
    // The clipboard manager copies and pastes; the grid's own commands do nothing.
    case 'C':
        if (OnlyCtrl(Shift) && !grid->GetEditing() && grid->GetClipboardManager())
            grid->GetClipboardManager()->Copy();
        return;
    case 'V':
        if (OnlyCtrl(Shift) && grid->GetClipboardManager())
            grid->GetClipboardManager()->Paste();
        return;
    case VK_RETURN:
        if (grid->GetEditing()) {
            grid->CommitEditor(true);
            // A refused value keeps its editor open: the focus stays with it.
            if (!(grid->GetFocusedIndex() == focused) || grid->GetEditing())
                return;
        }
        f = ExitLastCell(focused, f.NextColumn(), appended);
        MoveFocus(f, appended);
        return;
    case VK_TAB:
        if (!f.IsValid(grid)) {
            f = ExitLastCell(focused, grid->GetIndex(0, 0), appended);
        } else if (Shift.Contains(ssShift)) {
            f = f.PrevColumn();
        } else {
            // Forward: leaving the last cell follows the exit rule.
            f = ExitLastCell(focused, f.NextColumn(), appended);
        }
        MoveFocus(f, appended);
        return;
    case VK_DELETE:
        if (OnlyCtrl(Shift) && grid->GetEditOptions()->GetDeletable())
            grid->Delete();
        return;
    case VK_INSERT:
        if (grid->GetItemCount() == 0)
            grid->Append();
        else if (f.IsValid(grid) && dynamic_cast<TKvGridRow*>(f.GetItem()) && grid->CanInsert(f.ItemIndex))
            grid->Insert(f.ItemIndex);
        return;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        if (NavigateKey(Key, Shift, f, appended))
            MoveFocus(f, appended);
        return;
    case VK_F2:
        if (focused.IsValid(grid))
            grid->ShowEditor(false);
        return;
    case VK_ESCAPE:
        if (FDragTracker) {
            const TPoint p = GridCursorPos(grid);
            StopDrag(p.X, p.Y, false);
        }
        if (grid->GetEditing())
            grid->CancelEditor(true);
        else
            grid->Cancel();
        return;
    default:
        // A cell whose renderer takes keys itself (a check cell toggles on Space).
        if (TKvGridDelegate* delegate = grid->GetGridDelegate();
            delegate && focused.IsValid(grid) && !grid->GetEditing())
            if (auto* renderer = dynamic_cast<TKvGridDataCellRenderer*>(delegate->GetCellRenderer(focused)))
                renderer->ProcessKey(Key, Shift, focused);
        return;
    }
}

// Shift with a key: the current selection item's far corner moves; the focus stays on F.
void TKvGridSelectionTool::ExtendSelectionByKey(std::uint16_t Key, bool Ctrl, int Page, const TKvGridCellIndex& F)
{
    TKvGridView* grid = FOwner;
    TKvGridSelectionManager* selections = grid->GetSelections();
    if (grid->IsItemEditing(F.ItemIndex) || !selections || selections->GetCount() == 0)
        return;
    TKvGridSelectionItem* item = selections->GetCurrent();
    // A rows item has no column to move sideways.
    const bool rows = item->GetStyle() == SelectRows;
    TKvGridCellIndex e = item->GetLastIndex();
    switch (Key) {
    case VK_PRIOR: e = e.ItemBy(-Page); break;
    case VK_NEXT: e = e.ItemBy(Page); break;
    case VK_END:
        if (!Ctrl && rows)
            return;
        e = Ctrl ? e.LastItem() : e.LastColumn();
        break;
    case VK_HOME:
        if (!Ctrl && rows)
            return;
        e = Ctrl ? e.FirstItem() : e.FirstColumn();
        break;
    case VK_LEFT:
        if (rows)
            return;
        e = e.LeftColumn();
        break;
    case VK_UP: e = e.ItemBy(-1); break;
    case VK_RIGHT:
        if (rows)
            return;
        e = e.RightColumn();
        break;
    case VK_DOWN: e = e.ItemBy(1); break;
    default: break;
    }
    item->Resize(e);
}

// Computes the new focus into F; false when the key was used up without a move.
bool TKvGridSelectionTool::NavigateKey(std::uint16_t Key, TShiftState Shift, TKvGridCellIndex& F, bool& Appended)
{
    TKvGridView* grid = FOwner;
    const int items = grid->GetItemCount();
    const bool ctrl = Shift.Contains(ssCtrl);
    TKvAbstractGridLayoutManager* layout = grid->GetLayoutManager();
    const int page = layout ? layout->FullItemCount() : 1;

    if (Key == VK_DOWN && items == 0 && grid->GetVisibleColumnCount() > 0 && grid->CanAppend()) {
        grid->Append();
        F = grid->GetIndex(0, 0);
        return true;
    }
    if (!F.IsValid(grid)) {
        F = grid->GetIndex(0, 0);
        return true;
    }
    if (Shift.Contains(ssShift) && !grid->GetEditing()) {
        ExtendSelectionByKey(Key, ctrl, page, F);
        return false;
    }
    const bool last = F.ItemIndex == items - 1;
    if (((Key == VK_DOWN && F.IsBottom()) || Key == VK_NEXT || (Key == VK_END && ctrl)) && last &&
        grid->IsItemEditing(F.ItemIndex)) {
        // An unchanged pending row stays as it is: Down starts no second blank row.
        if (!grid->CanCommit(F.ItemIndex) || !grid->Commit() || grid->IsItemEditing(-1)) {
            grid->MakeCellVisible(grid->GetFocusedIndex());
            return false;
        }
        // Down goes on past the saved row into a new one, like Down on any last row.
        if (Key != VK_DOWN || !grid->CanAppend()) {
            grid->MakeCellVisible(grid->GetFocusedIndex());
            return false;
        }
        F = grid->GetFocusedIndex();
        if (!F.IsValid(grid))
            return false;
        grid->Append();
        F = grid->GetIndex(grid->GetItemCount() - 1, F.Column);
        Appended = true;
        return true;
    }
    const TKvGridCellIndex focused = F;
    switch (Key) {
    case VK_PRIOR: F = F.ItemBy(-page); break;
    case VK_NEXT: F = F.ItemBy(page); break;
    case VK_END: F = ctrl ? F.LastItem() : F.LastColumn(); break;
    case VK_HOME: F = ctrl ? F.FirstItem() : F.FirstColumn(); break;
    case VK_LEFT: F = F.LeftColumn(); break;
    case VK_RIGHT: F = ExitLastCell(focused, F.RightColumn(), Appended); break;
    case VK_UP: F = !F.IsTop() ? F.UpperColumn() : F.ItemBy(-1); break;
    case VK_DOWN:
        if (items > 0 && !last) {
            F = F.IsBottom() ? F.ItemBy(1) : F.LowerColumn();
        } else {
            TKvGridColumn* column = F.Column;
            if (grid->CanCommit(F.ItemIndex)) {
                grid->Commit();
                // The saved row may have moved, and the focus with it.
                F = grid->GetFocusedIndex();
            }
            if (grid->CanAppend()) {
                grid->Append();
                // The new row is the last one, wherever the saved row went.
                F = grid->GetIndex(grid->GetItemCount() - 1, column);
                Appended = true;
            }
        }
        break;
    default: break;
    }
    return true;
}

TKvGridCellIndex TKvGridSelectionTool::ExitLastCell(const TKvGridCellIndex& Focused, TKvGridCellIndex Candidate,
                                                    bool& Appended)
{
    TKvGridView* grid = FOwner;
    if (!(Candidate == Focused) || grid->GetVisibleColumnCount() == 0 || !Candidate.Column)
        return Candidate;
    if (!(Candidate.LastColumn().Column == Candidate.Column))
        return Candidate;
    TKvGridEditOptions* options = grid->GetEditOptions();
    TKvGridItem* item = Candidate.GetItem();
    const TKvGridItemState state = item ? item->GetItemState() : ItemNormal;
    // A saved row may move (sorting, grouping, a filter); the focus went with it.
    if (state == ItemInserting) {
        if (options->GetCommitWhenExitLastCell() && grid->CanCommit(Candidate.ItemIndex)) {
            grid->Commit();
            return grid->GetFocusedIndex();
        }
        return Candidate;
    }
    if (state == ItemUpdating) {
        if (!options->GetCommitWhenExitLastCell() || !grid->CanCommit(Candidate.ItemIndex))
            return Candidate;
        grid->Commit();
        Candidate = grid->GetFocusedIndex();
        if (!Candidate.IsValid(grid))
            return Candidate;
    }
    if (options->GetCrossWhenExitLastCell()) {
        const int items = grid->GetItemCount();
        if (items == 0 || (Candidate.ItemIndex == items - 1 && grid->CanAppend())) {
            grid->Append();
            grid->RefreshView(true);
            Appended = true;
        }
        Candidate = Candidate.ItemBy(1).FirstColumn();
    }
    return Candidate;
}

void TKvGridSelectionTool::MoveFocus(const TKvGridCellIndex& F, bool Appended)
{
    if (!(F == FOwner->GetFocusedIndex()))
        SetFocused(F, true, Appended);
    else
        // The focus stays where it is, maybe scrolled away: the key brings it back into view.
        FOwner->MakeCellVisible(F);
}

} // namespace kv
