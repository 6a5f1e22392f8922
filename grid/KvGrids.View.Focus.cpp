// The grid view's focus, scrolling, row commands, validation, sorting, search and selection
// views. Key and mouse routing is in KvGrids.View.Input.cpp.
//
// Sections: selection listener; focus; scrolling; cells and items; row commands;
// validation; editor notifications and check cells; sorting and cell buttons; search;
// selection views.
//
// Call flow: tools, the edit controller and applications call SetFocusedIndex and the row
// commands. SetFocusedIndex raises the changing events, commits or cancels the pending row
// edit when the row changes (and finds its target row again by its data row), stores the
// focus and resets the selection when asked. Row commands go through the editable item
// provider, whose notices come back through the grid's item-edit listener (KvGrids.View.cpp);
// Commit then moves the focus after the saved row. Selection notices re-lay out the selection
// sprites.
#include "grid/KvGrids.View.h"
#include "grid/KvGrids.EditorBase.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.GridTool.h"
#include "grid/KvGrids.Hints.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.Runtime.Grid.h"
#include "grid/KvGrids.Selection.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Trace.h"
#include "platform/ui/Messages.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/PopupMenu.h"

#include <algorithm>

namespace kv {

// ---- selection listener ----------------------------------------------------------------

class TKvGridView::TSelectionListener : public TKvGridSelectionChangeListener
{
public:
    explicit TSelectionListener(TKvGridView* grid) : FGrid(grid) {}
    void ItemAdded(TKvGridSelectionManager*, TKvGridSelectionItem* item) override { FGrid->DoSelectionItemAdded(item); }
    void ItemRemoved(TKvGridSelectionManager*, TKvGridSelectionItem* item) override
    {
        FGrid->DoSelectionItemRemoved(item);
    }
    void ItemChanged(TKvGridSelectionManager*, TKvGridSelectionItem* item) override
    {
        FGrid->DoSelectionItemChanged(item);
    }
    void Cleared(TKvGridSelectionManager*) override { FGrid->DoSelectionCleared(); }

private:
    TKvGridView* FGrid;
};

namespace {
const QString kSelTrace = QStringLiteral(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>> ");
} // namespace

void TKvGridView::CreateSelectionManager()
{
    FSelections.reset(Create<TKvDefaultGridSelectionManager>(this));
    FSelectionListner = std::make_unique<TSelectionListener>(this);
    FSelections->AddChangeListener(FSelectionListner.get());
}

void TKvGridView::FreeSelectionManager()
{
    // Mapped views go back to the delegate, which frees its pool.
    ClearSelectionViews();
    if (FSelections)
        FSelections->RemoveChangeListener(FSelectionListner.get());
    FSelections.reset();
    FSelectionListner.reset();
    FSelectionViewMap.clear();
}

void TKvGridView::DoSelectionItemAdded(TKvGridSelectionItem* Item)
{
    if (TraceEnabled())
        trace(kSelTrace + QStringLiteral("Selected: ") + Item->ToString());
    SelectionViewsChanged();
}

void TKvGridView::DoSelectionItemRemoved(TKvGridSelectionItem* Item)
{
    // A view mapped to the item must not outlive it.
    RemoveSelectionView(Item);
    SelectionViewsChanged();
}

void TKvGridView::DoSelectionItemChanged(TKvGridSelectionItem* Item)
{
    if (TraceEnabled())
        trace(kSelTrace + QStringLiteral("Selection item changed: ") + Item->ToString());
    SelectionViewsChanged();
}

void TKvGridView::DoSelectionCleared()
{
    ClearSelectionViews();
    if (TraceEnabled())
        trace(kSelTrace + QStringLiteral("Selection cleared"));
    SelectionViewsChanged();
}

// Only the selection layer shows the selection: the mask marks where it was drawn and where
// it is drawn now.
void TKvGridView::SelectionViewsChanged()
{
    if (!FLayouted || !FSelectionMask) {
        if (FSelectionMask && FSelections)
            FSelectionMask->SetSingleCell(FSelections->IsSingleCell());
        LayoutSelectionViews(FLayoutManager.get());
        Invalidate();
        return;
    }
    InvalidateElement(FSelectionMask);
    if (FSelections)
        FSelectionMask->SetSingleCell(FSelections->IsSingleCell());
    LayoutSelectionViews(FLayoutManager.get());
    InvalidateElement(FSelectionMask);
}

// ---- focus -----------------------------------------------------------------------------

// Rows removed under the selection: a range reaching past the items goes back to the focused cell.
void TKvGridView::KeepSelectionInItems()
{
    if (!FSelections)
        return;
    const int count = GetItemCount();
    for (int i = 0; i < FSelections->GetCount(); ++i) {
        const TKvGridRange r = FSelections->GetItem(i)->GetBounds();
        if (std::max(r.R1, r.R2) < count)
            continue;
        FSelections->Clear();
        if (FFocusedIndex.IsValid(this) && count > 0 && GetVisibleColumnCount() > 0)
            FSelections->Add(FFocusedIndex, FFocusedIndex, FSelectOptions->GetStyle());
        return;
    }
}

namespace {
bool Committing(TKvGridItemProvider* provider)
{
    auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(provider);
    return editable && editable->GetCommitting();
}
} // namespace

void TKvGridView::MoveFocusedRow(int To)
{
    const TKvGridCellIndex old = FFocusedIndex;
    if (old.ItemIndex < 0 || To < 0 || To == old.ItemIndex)
        return;
    MarkFocusedCell(old, false);
    FFocusedIndex.ItemIndex = To;
    MarkFocusedCell(FFocusedIndex, true);
    if (FEditController)
        FEditController->ItemMoved(old.ItemIndex, To);
    if (FSelections && FSelections->GetCount() == 1) {
        const TKvGridRange r = FSelections->GetItem(0)->GetBounds();
        if (r.R1 == old.ItemIndex && r.R2 == old.ItemIndex && r.C1 == old.Column && r.C2 == old.Column) {
            FSelections->Clear();
            FSelections->Add(FFocusedIndex, FFocusedIndex, FSelectOptions->GetStyle());
        }
    }
}

// A row the source inserted or removed before the focused one moves the focused row along.
// The commit's own write is not such a row: the commit places the focus.
void TKvGridView::ShiftItems(int First, int Delta)
{
    if (IsDestroying() || Committing(FItemProvider))
        return;
    if (FPendingItem >= First)
        FPendingItem += Delta;
    if (FFocusedIndex.ItemIndex >= First)
        MoveFocusedRow(FFocusedIndex.ItemIndex + Delta);
}

// Sorting, grouping or a filter moved the pending row the focus was on: the focus goes along.
void TKvGridView::FollowPendingRow()
{
    if (IsDestroying() || Committing(FItemProvider))
        return;
    auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(FItemProvider);
    const int pending = editable ? editable->GetEditingIndex() : -1;
    if (!FMovingFocus && FPendingItem >= 0 && pending >= 0 && pending != FPendingItem &&
        FFocusedIndex.ItemIndex == FPendingItem)
        MoveFocusedRow(pending);
    FPendingItem = pending;
}

void TKvGridView::DoItemSourceItemInserted(int Index)
{
    if (Index >= 0)
        ShiftItems(Index, 1);
    RefreshView(false);
}

void TKvGridView::DoItemSourceItemDelete(int Index)
{
    if (Index >= 0)
        ShiftItems(Index + 1, -1);
    RefreshView(false);
}

// The focus leaves its row: the row's edit is committed, or cancelled unless FNoCancel says
// otherwise, and Index is moved to where its target row now is (a saved row that moves, or a
// dropped new row, shifts the rows around it; a row that went takes its place with it).
void TKvGridView::LeaveFocusedRow(const TKvGridCellIndex& Old, TKvGridCellIndex& Index)
{
    const int current = FFocusedIndex.IsValid(this) ? FFocusedIndex.ItemIndex : -1;
    // The target by its data row.
    TKvGridItem* target = current >= 0 && Index.ItemIndex >= 0 && Index.ItemIndex < GetItemCount() &&
                                  !IsItemEditing(Index.ItemIndex)
                              ? GetItem(Index.ItemIndex)
                              : nullptr;
    const int targetRow = target ? target->GetDataRow() : -1;
    TScopeExit clearNoCancel([this] { FNoCancel = false; });
    TRestore<bool> moving(FMovingFocus, true);
    bool ended = false;
    if (current >= 0) {
        if (CanCommit(current))
            ended = Commit();
        else if (!FNoCancel && CanCancel(current))
            ended = Cancel();
    }
    if (ended && FFocusedIndex == Old) {
        const int moved = targetRow >= 0 && FItemProvider ? FItemProvider->ItemOfData(targetRow) : -1;
        if (moved >= 0 && moved < GetItemCount())
            Index.ItemIndex = moved;
    }
    if (!FNoCancel)
        LeavePendingRow(Index);
    // A new row dropped, or one committed that the view does not show.
    const int count = GetItemCount();
    if (count == 0)
        Index = TKvGridCellIndex::Null();
    else if (Index.ItemIndex >= count)
        Index.ItemIndex = count - 1;
}

// Moves the focus mark from Old to Index and tells the edit controller; the focused column sets
// whether typed text may come through an input method.
void TKvGridView::StoreFocusedIndex(const TKvGridCellIndex& Old, const TKvGridCellIndex& Index)
{
    if (FFocusedIndex.IsValid(this))
        MarkFocusedCell(FFocusedIndex, false);
    // The bars at the left mark the focused row: theirs are drawn anew on both rows.
    if (Old.ItemIndex != Index.ItemIndex) {
        InvalidateItemBars(Old.ItemIndex);
        InvalidateItemBars(Index.ItemIndex);
    }
    FFocusedIndex = Index;
    FFocusedIndex.Grid = this;
    FocusedIndexChanged(FFocusedIndex);
    if (FEditController)
        FEditController->DoFocusedIndexChanged(FFocusedIndex);
    if (FFocusedIndex.IsValid(this)) {
        MarkFocusedCell(FFocusedIndex, true);
        // The focused column decides whether typed text may come through an input method.
        auto* data = dynamic_cast<TKvGridDataColumn*>(FFocusedIndex.Column);
        if (data && HandleAllocated() && data->GetImeMode() != imDontCare) {
            const bool open = data->GetImeMode() != imDisable && data->GetImeMode() != imClose;
            SetControlStyle(open ? GetControlStyle() + csInputMethod : GetControlStyle() - csInputMethod);
        }
    }
}

void TKvGridView::SetFocusedIndex(const TKvGridCellIndex& Index, bool Reselect)
{
    if (IsDestroying() || !FCurrent)
        return;
    // A column of another grid cannot take this grid's focus.
    if (Index.Column && Index.Column->GetGrid() != this)
        return;
    const TKvGridCellIndex old = FFocusedIndex;
    TKvGridCellIndex index = Index;
    if (!index.Grid && (index.Column || index.ItemIndex >= 0))
        index.Grid = this;
    index = index.Normalize();
    if (GetItemCount() == 0)
        index.ItemIndex = -1;
    if (index == FFocusedIndex) {
        if (Reselect)
            KeepSelectionInItems();
        return;
    }

    const bool itemChanged = old.ItemIndex != index.ItemIndex;
    const bool columnChanged = old.Column != index.Column;
    if (itemChanged && OnCurrentItemChanging)
        OnCurrentItemChanging(this, old.ItemIndex, index.ItemIndex);
    if (columnChanged && OnCurrentColumnChanging)
        OnCurrentColumnChanging(this, old.Column, index.Column);
    FCurrent->DoChanging(index);

    bool cancel = false;
    FocusedIndexChanging(index, cancel);
    if (cancel)
        return;
    if (index.IsValid(this) && !index.Column->GetFocusable())
        return;
    if (FFocusedIndex == index)
        return;

    // An open cell edit is written before its row is committed.
    if (FEditController)
        FEditController->DoFocusedIndexChanging();
    if (itemChanged)
        LeaveFocusedRow(old, index);
    if (!(FFocusedIndex == old))
        return;

    StoreFocusedIndex(old, index);

    if (Reselect && FSelections) {
        FSelections->Clear();
        if (FFocusedIndex.IsValid(this) && GetItemCount() > 0 && GetVisibleColumnCount() > 0)
            FSelections->Add(FFocusedIndex, FFocusedIndex, FSelectOptions->GetStyle());
    }
    FCurrent->DoChanged();
    if (itemChanged && OnCurrentItemChange)
        OnCurrentItemChange(this);
    if (columnChanged && OnCurrentColumnChange)
        OnCurrentColumnChange(this);
}

// ---- scrolling -------------------------------------------------------------------------

// Clamps the value to the bar's range, stores it in Pos and moves the bar; false when the
// position stays.
bool TKvGridView::MoveScrollPos(int Bar, int Value, int& Pos)
{
    if (!HandleAllocated() || !FLayouted)
        return false;
    TScrollInfo info;
    info.fMask = SIF_ALL;
    GetScrollInfo(Bar, info);
    const int last = info.nMax - std::max(static_cast<int>(info.nPage) - 1, 0);
    const int value = std::max(info.nMin, std::min(Value, last));
    if (value == Pos)
        return false;
    Pos = value;
    TScrollInfo pos;
    pos.fMask = SIF_POS;
    pos.nPos = value;
    SetScrollInfo(Bar, pos, true);
    return true;
}

void TKvGridView::SetTopIndex(int Value)
{
    const int old = FTopIndex;
    if (!MoveScrollPos(SB_VERT, Value, FTopIndex))
        return;
    if (ScrollRows(old)) {
        FCheckScrolling = false;
        return;
    }
    RefreshView(false);
    if (FCheckScrolling) {
        FCheckScrolling = false;
        if (old == FTopIndex + 1)
            ScrollWindow(-1);
        else if (old == FTopIndex - 1)
            ScrollWindow(1);
    }
}

void TKvGridView::SetLeftPos(int Value)
{
    const int old = FLeftPos;
    if (MoveScrollPos(SB_HORZ, Value, FLeftPos) && !ScrollColumns(old))
        RefreshView(false);
}

// The thumb position is read whole from the bar (not the message's 16 bits), so bodies of
// more than 32,767 pixels or rows scroll to where the thumb is.
void TKvGridView::WMScroll(TMessage& message)
{
    if (!HandleAllocated())
        return;
    // The bar takes the focus to the grid; the grid or the editor it waits with keeps it.
    if (CanFocus() && GetTabStop() && !IsDesigning() && !ContainsFocus())
        SetFocus();
    const bool vertical = message.Msg == WM_VSCROLL;
    TScrollInfo info;
    info.fMask = SIF_ALL;
    GetScrollInfo(vertical ? SB_VERT : SB_HORZ, info);
    const int code = LoWordSigned(message.WParam);
    if (vertical) {
        int value = info.nPos;
        switch (code) {
        case SB_LINEUP: value -= 1; break;
        case SB_LINEDOWN: value += 1; break;
        case SB_PAGEUP: value -= PageItemCount(); break;
        case SB_PAGEDOWN: value += PageItemCount(); break;
        case SB_THUMBTRACK: value = info.nTrackPos; break;
        case SB_TOP: value = 0; break;
        case SB_BOTTOM: value = info.nMax; break;
        default: break;
        }
        FCheckScrolling = true;
        SetTopIndex(value);
        return;
    }
    switch (code) {
    case SB_LINELEFT: SetLeftPos(FLeftPos - FHorzScrollStep); break;
    case SB_LINERIGHT: SetLeftPos(FLeftPos + FHorzScrollStep); break;
    case SB_PAGELEFT: PageLeft(); break;
    case SB_PAGERIGHT: SetLeftCol(FLayoutManager ? FLayoutManager->FirstCol() + 1 : 0); break;
    case SB_THUMBTRACK: SetLeftPos(info.nTrackPos); break;
    default: break;
    }
}

// ---- cells and items -------------------------------------------------------------------

TKvGridItem* TKvGridView::GetItem(int Index) const { return FItemProvider ? FItemProvider->GetItem(Index) : nullptr; }

TKvGridColumn* TKvGridView::GetFirstVisibleColumn() const { return FRootGroup ? FRootGroup->First() : nullptr; }

Variant TKvGridView::GetCellData(const TKvGridCellIndex& Index) const
{
    TKvGridDataColumn* column = Index.GetDataColumn();
    if (!column || column->GetDataIndex() < 0 || !FItemProvider || Index.ItemIndex < 0 ||
        Index.ItemIndex >= FItemProvider->GetItemCount())
        return Variant();
    return FItemProvider->GetData(Index.ItemIndex, column->GetDataIndex());
}

TKvGridItems TKvGridView::GetAllItems() const { return FItemProvider ? FItemProvider->GetAllItems() : TKvGridItems(); }

bool TKvGridView::HasFilters(TKvGridColumn* Column) const
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    return data && data->GetFilters() && data->GetFilters()->Count() > 0;
}

bool TKvGridView::HasActiveFilters(TKvGridColumn* Column) const
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    if (!data || !data->GetFilters())
        return false;
    for (int i = 0; i < data->GetFilters()->Count(); ++i)
        if (data->GetFilters()->GetFilter(i)->GetActive())
            return true;
    return false;
}

// ---- row commands ----------------------------------------------------------------------

namespace {
TKvGridEditableItemProvider* Editable(TKvGridItemProvider* provider)
{
    return dynamic_cast<TKvGridEditableItemProvider*>(provider);
}
} // namespace

bool TKvGridView::CanUpdate(int ItemIndex, int Field) const
{
    return !FEditOptions->GetReadOnly() && FEditOptions->GetEditable() && FItemProvider &&
           FItemProvider->CanUpdate(ItemIndex, Field);
}

bool TKvGridView::CanAppend() const
{
    return !FEditOptions->GetReadOnly() && FEditOptions->GetAppendable() && GetVisibleColumnCount() >= 1 &&
           FItemProvider && FItemProvider->CanInsert(FItemProvider->GetItemCount());
}

bool TKvGridView::CanInsert(int ItemIndex) const
{
    return !FEditOptions->GetReadOnly() && FEditOptions->GetInsertable() && GetVisibleColumnCount() >= 1 &&
           FItemProvider && FItemProvider->CanInsert(ItemIndex);
}

bool TKvGridView::CanDelete(int ItemIndex) const
{
    return !FEditOptions->GetReadOnly() && FEditOptions->GetDeletable() && FItemProvider &&
           FItemProvider->CanDelete(ItemIndex);
}

bool TKvGridView::IsItemEditing(int ItemIndex) const
{
    TKvGridEditableItemProvider* editable = Editable(FItemProvider);
    return editable && editable->IsEditing(ItemIndex);
}

bool TKvGridView::CanCommit(int ItemIndex) const
{
    return IsItemEditing(ItemIndex) && (FItemEdited || FEditOptions->GetCommitWhenNoEdit());
}

bool TKvGridView::CanCancel(int ItemIndex) const { return IsItemEditing(ItemIndex); }

TKvGridDataRow TKvGridView::NewRowValues() const
{
    TKvGridDataRow values;
    TKvGridDataProvider* data = FItemProvider ? FItemProvider->GetDataSource() : nullptr;
    if (!data)
        return values;
    values.resize(static_cast<size_t>(data->GetFieldCount()));
    for (int f = 0; f < data->GetFieldCount(); ++f)
        values[static_cast<size_t>(f)] = data->GetDefaultValue(f);
    for (TKvGridDataColumn* column : GetDataColumns()) {
        const int field = column->GetDataIndex();
        if (field >= 0 && field < static_cast<int>(values.size()) && !column->GetDefaultValue().IsEmpty())
            values[static_cast<size_t>(field)] = column->GetDefaultValue();
    }
    return values;
}

bool TKvGridView::Append()
{
    TKvGridEditableItemProvider* editable = Editable(FItemProvider);
    if (!CanAppend() || !editable)
        return false;
    TKvGridDataRow values = NewRowValues();
    GetItemDefaults(GetItemCount(), values);
    editable->Append(values);
    Update();
    return true;
}

bool TKvGridView::Insert(int ItemIndex)
{
    if (ItemIndex >= GetItemCount())
        return Append();
    TKvGridEditableItemProvider* editable = Editable(FItemProvider);
    if (!CanInsert(ItemIndex) || !editable)
        return false;
    TKvGridDataRow values = NewRowValues();
    GetItemDefaults(ItemIndex, values);
    editable->Insert(ItemIndex, values);
    Update();
    return true;
}

bool TKvGridView::Edit(const TKvGridCellIndex& Index)
{
    if (Index.ItemIndex < 0 || Index.ItemIndex >= GetItemCount())
        return false;
    if (dynamic_cast<TKvGridDataColumn*>(Index.Column) && !CanUpdate(Index.ItemIndex, Index.GetDataField()))
        return false;
    TKvGridEditableItemProvider* editable = Editable(FItemProvider);
    if (!editable)
        return false;
    TKvGridCellIndex at = Index;
    LeavePendingRow(at);
    if (!(at == Index) || (editable->GetEditingIndex() >= 0 && !editable->IsEditing(Index.ItemIndex)))
        return false;
    editable->Edit(Index.ItemIndex);
    return true;
}

void TKvGridView::LeavePendingRow(TKvGridCellIndex& Next)
{
    // A row a program appended or inserted away from the focus: committed (or dropped) before
    // another row is focused or edited, as if the focus had left it.
    TKvGridEditableItemProvider* editable = Editable(FItemProvider);
    const int pending = editable ? editable->GetEditingIndex() : -1;
    if (pending < 0 || pending == Next.ItemIndex || pending == FFocusedIndex.ItemIndex)
        return;
    const int count = GetItemCount();
    if (CanCommit(pending))
        CommitItem(TKvGridCellIndex(this, pending, Next.Column));
    else
        editable->Cancel();
    // A pending row above the next one that went takes its place with it.
    if (Next.ItemIndex > pending && GetItemCount() < count)
        --Next.ItemIndex;
}

std::function<bool(TKvGridView*, const QString&, const QString&)> TKvGridView::ConfirmDelete =
    [](TKvGridView*, const QString& text, const QString& caption) {
        return MessageBox(text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
    };

bool TKvGridView::Delete()
{
    TKvGridEditableItemProvider* editable = Editable(FItemProvider);
    if (!FEditOptions->GetDeletable() || FFocusedIndex.ItemIndex < 0 || !editable || !FSelections)
        return false;
    TKvIntegerArray indices;
    const int count = GetItemCount();
    for (int k = 0; k < FSelections->GetCount(); ++k) {
        TKvGridSelectionItem* selection = FSelections->GetItem(k);
        if (selection->GetStyle() != SelectRows)
            continue;
        const TKvGridRange range = selection->GetBounds();
        // Group headers and footers are not rows of the data.
        for (int i = std::max(range.R1, 0); i <= std::min(range.R2, count - 1); ++i)
            if (TKvGridItem* item = FItemProvider->GetItem(i); item && item->GetDataRow() >= 0)
                indices.push_back(i);
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (indices.empty() || !CanDelete(indices.front()))
        return false;
    if (FEditOptions->GetDeleteRowsConfirm() && ConfirmDelete &&
        !ConfirmDelete(this, FEditOptions->GetDeleteRowsMessage(), QStringLiteral("Delete")))
        return false;
    editable->Delete(indices);
    ClearSelections();
    return true;
}

bool TKvGridView::Commit() { return CommitItem(FFocusedIndex); }

bool TKvGridView::CommitItem(const TKvGridCellIndex& Index)
{
    TKvGridEditableItemProvider* editable = Editable(FItemProvider);
    if (!editable || !editable->IsEditing(Index.ItemIndex))
        return false;
    // The open cell's text belongs to the row being committed: write it first. An editor on
    // another row keeps its text for its own row.
    if (GetEditing() && FFocusedIndex.ItemIndex == Index.ItemIndex)
        CommitEditor(false);
    if (!editable->IsEditing(Index.ItemIndex))
        return false;
    TKvGridItem* item = GetItem(Index.ItemIndex);
    ValidateRow(Index, item && item->GetItemState() == ItemInserting);
    const TKvGridCellIndex at = Index;
    editable->Commit();
    if (!FMovingFocus && at.ItemIndex == FFocusedIndex.ItemIndex && !editable->IsEditing(-1))
        FollowCommittedRow(editable->GetCommittedRow(), at);
    return true;
}

// Sorting, grouping or a filter may have placed the saved row elsewhere: the focus goes with
// it, or stays on its place when the row is no longer shown.
void TKvGridView::FollowCommittedRow(int DataRow, const TKvGridCellIndex& At)
{
    if (IsDestroying() || !FItemProvider || !At.Column || At.Column->GetGrid() != this)
        return;
    const int count = GetItemCount();
    int item = DataRow >= 0 ? FItemProvider->ItemOfData(DataRow) : -1;
    if (item < 0 || item >= count)
        item = std::min(At.ItemIndex, count - 1);
    if (item < 0)
        return;
    const TKvGridCellIndex index(this, item, At.Column);
    if (FFocusedIndex == index)
        return;
    SetFocusedIndex(index, true);
    MakeCellVisible(FFocusedIndex);
}

bool TKvGridView::Cancel()
{
    TKvGridEditableItemProvider* editable = Editable(FItemProvider);
    if (!editable || !editable->IsEditing(FFocusedIndex.ItemIndex))
        return false;
    editable->Cancel();
    // A cancelled appended row is gone: the focus goes back to the last row, where it came from.
    const int count = GetItemCount();
    if (!FMovingFocus && FFocusedIndex.ItemIndex >= count)
        SetFocusedIndex(count > 0 ? TKvGridCellIndex(this, count - 1, FFocusedIndex.Column) : TKvGridCellIndex::Null(), true);
    return true;
}

void TKvGridView::ClearSelections()
{
    if (FSelections)
        FSelections->Clear();
}

// ---- validation ------------------------------------------------------------------------

void TKvGridView::ValidateColumn(TKvGridDataColumn* Column, int ItemIndex, bool Inserting)
{
    KV_ASSERT(Column, "column is nil in TKvGridView.ValidateColumn()");
    const TKvGridCellIndex index(this, ItemIndex, Column);
    TKvGridItem* item = GetItem(ItemIndex);
    const Variant value = item ? item->GetData(Column->GetDataIndex()) : Variant();
    if (Column->GetRequired() && (value.IsEmpty() || value.IsNull() || value.ToString().isEmpty()))
        throw Exception(QStringLiteral("Value is required: ") + Column->GetFieldName());
    ValidateColumnExpressions(Column, index, Inserting);
}

void TKvGridView::ValidateRow(const TKvGridCellIndex& Index, bool Inserting)
{
    std::function<void(TKvGridColumnGroup*)> walk = [&](TKvGridColumnGroup* group) {
        for (int i = 0; i < group->Count(); ++i) {
            TKvGridColumn* column = group->GetItem(i);
            if (auto* child = dynamic_cast<TKvGridColumnGroup*>(column))
                walk(child);
            else if (auto* data = dynamic_cast<TKvGridDataColumn*>(column); data && data->GetDataIndex() >= 0)
                ValidateColumn(data, Index.ItemIndex, Inserting);
        }
    };
    if (FRootGroup)
        walk(FRootGroup.get());
    ValidateRowExpressions(Index, Inserting);
}

void TKvGridView::ValidateColumnExpressions(TKvGridDataColumn* Column, const TKvGridCellIndex& Index, bool Inserting)
{
    if (!FColumnValidationRuntime)
        return;
    FColumnValidationRuntime->SetIndex(Index);
    if (Inserting)
        Column->ValidateInsertRow(FColumnValidationRuntime.get());
    else
        Column->ValidateUpdateRow(FColumnValidationRuntime.get());
}

void TKvGridView::ValidateRowExpressions(const TKvGridCellIndex& Index, bool Inserting)
{
    if (!FRowValidationRuntime || !FValidations)
        return;
    FRowValidationRuntime->SetItem(Index.ItemIndex, GetItem(Index.ItemIndex));
    FValidations->Validate(Inserting ? ValidationModeInsert : ValidationModeUpdate, FRowValidationRuntime.get());
}

// ---- editor notifications and check cells ----------------------------------------------

void TKvGridView::DoEditorStarted(TObject* Editor, const TKvGridCellIndex& Index)
{
    if (FHintManager)
        FHintManager->Hide();
    if (Edit(Index) && OnEditStart)
        OnEditStart(this, Index);
}

void TKvGridView::DoEditorChanged(TObject* Editor, const TKvGridCellIndex& Index, const Variant& Value)
{
    FItemEdited = true;
    if (OnEdit)
        OnEdit(this, Index, Value);
}

void TKvGridView::DoEditorCanceled(const TKvGridCellIndex& Index)
{
    if (OnEditCancel)
        OnEditCancel(this, Index);
}

void TKvGridView::DoEditorCommit(TObject* Editor, const TKvGridCellIndex& Index, const Variant& Value)
{
    TKvGridDataColumn* column = Index.GetDataColumn();
    if (FEditOptions->GetValidateOnEdited() && column) {
        try {
            TKvGridItem* item = GetItem(Index.ItemIndex);
            ValidateColumn(column, Index.ItemIndex, item && item->GetItemState() == ItemInserting);
            column->SetError(QString());
        } catch (const std::exception& e) {
            column->SetError(ExceptionMessage(e));
        }
    }
    if (OnEditCommit)
        OnEditCommit(this, Index, Value);
}

void TKvGridView::DoEditorCompleted(const TKvGridCellIndex& Index)
{
    if (OnEditComplete)
        OnEditComplete(this, Index);
}

void TKvGridView::ResetCheckStates()
{
    TKvGridDataProvider* data = FItemProvider ? FItemProvider->GetDataSource() : nullptr;
    if (!data || IsLoading() || IsDesigning() || !FCheckBar || FCheckBar->GetResetField().isEmpty())
        return;
    const int field = data->GetFieldIndex(FCheckBar->GetResetField());
    if (field >= 0)
        FItemProvider->ResetItemsChecked(field, false);
}

void TKvGridView::DoCheckedCellClicked(int ItemIndex)
{
    TKvGridItem* item = GetItem(ItemIndex);
    if (!item)
        return;
    FItemProvider->CheckItem(ItemIndex, !item->GetChecked());
    if (OnCheckCellClick)
        OnCheckCellClick(this, ItemIndex);
}

// ---- sorting and cell buttons ----------------------------------------------------------

void TKvGridView::OrderBy(const std::vector<TKvGridDataColumn*>& Columns, const TKvGridSortDirections& Directions)
{
    TKvIntegerArray fields;
    fields.reserve(Columns.size());
    for (TKvGridDataColumn* column : Columns)
        fields.push_back(column ? column->GetDataIndex() : -1);
    SortItems(fields, Directions);
}

void TKvGridView::SortColumn(TKvGridColumn* Column) { SortColumn(FSortingOptions->GetStyle(), Column); }

void TKvGridView::UnsortColumn(TKvGridColumn* Column) { UnsortColumn(FSortingOptions->GetStyle(), Column); }

namespace {
// The column's direction in the current sort; -1 when it is not sorted.
int SortState(const TKvIntegerArray& fields, const TKvGridSortDirections& directions, int field)
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i] == field)
            return i < directions.size() ? directions[i] : SortAscending;
    return -1;
}
} // namespace

void TKvGridView::SortColumn(TKvGridSortStyle Style, TKvGridColumn* Column)
{
    if (!Column)
        throw EArgumentNilException("column");
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    if (!data || data->GetDataIndex() < 0 || Style == SortNone)
        return;
    const int field = data->GetDataIndex();
    TKvIntegerArray fields = GetSortFields();
    TKvGridSortDirections directions = GetSortDirections();
    const int state = SortState(fields, directions, field);
    if (state == SortDescending) {
        if (IsGroupedColumn(Column))
            OrderBy({data}, {SortAscending});
        else
            UnsortColumn(Style, Column);
        return;
    }
    if (Style == SortExclusive) {
        OrderBy({data}, {state == SortAscending ? SortDescending : SortAscending});
        return;
    }
    directions.resize(fields.size(), SortAscending);
    const auto it = std::find(fields.begin(), fields.end(), field);
    if (it != fields.end()) {
        directions[static_cast<size_t>(it - fields.begin())] = SortDescending;
    } else if (Style == SortReverse) {
        fields.insert(fields.begin(), field);
        directions.insert(directions.begin(), SortAscending);
    } else {
        fields.push_back(field);
        directions.push_back(SortAscending);
    }
    SortItems(fields, directions);
}

void TKvGridView::UnsortColumn(TKvGridSortStyle Style, TKvGridColumn* Column)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    if (!data || Style == SortNone)
        return;
    if (Style == SortExclusive) {
        SortItems({}, {});
        return;
    }
    TKvIntegerArray fields = GetSortFields();
    TKvGridSortDirections directions = GetSortDirections();
    directions.resize(fields.size(), SortAscending);
    const auto it = std::find(fields.begin(), fields.end(), data->GetDataIndex());
    if (it == fields.end())
        return;
    directions.erase(directions.begin() + (it - fields.begin()));
    fields.erase(it);
    SortItems(fields, directions);
}

void TKvGridView::CellButtonClicked(const TKvGridCellIndex& Index)
{
    TKvGridDataColumn* column = Index.GetDataColumn();
    if (!column)
        return;
    if (column->GetButton() == ButtonAction) {
        if (OnCellAction)
            OnCellAction(this, Index);
    } else if (column->GetButton() == ButtonPopup) {
        if (OnCellPopup) {
            OnCellPopup(this, Index);
        } else if (auto* menu = dynamic_cast<TPopupMenu*>(column->GetPopupMenu())) {
            const TRect cell = GetCellBounds(Index);
            const TPoint p = ClientToScreen(TPoint{cell.Right - TKvDrawingContext::GetButtonWidth(), cell.Bottom});
            menu->Popup(p.X, p.Y);
        }
    }
}

// ---- search ----------------------------------------------------------------------------

int TKvGridView::Search(const TKvIntegerArray& Fields, const TVariantArray& Values, int Start,
                        TKvGridSearchOptions Options, bool Focus, bool Wrap)
{
    if (!FItemProvider)
        return -1;
    const int count = FItemProvider->GetItemCount();
    const int start = std::max(0, Start);
    int found = start < count ? FItemProvider->FindItem(Fields, Values, Options, start, count - 1) : -1;
    if (found < 0 && start >= 1 && Wrap)
        found = FItemProvider->FindItem(Fields, Values, Options, 0, std::min(start, count) - 1);
    if (found >= 0 && Focus) {
        const TKvGridCellIndex index(this, found, FFocusedIndex.Column);
        SetFocusedIndex(index, true);
        if (FSelections)
            FSelections->Add(index, index, SelectRows);
        MakeCellVisible(index);
    }
    return found;
}

int TKvGridView::Search(const QStringList& FieldNames, const TVariantArray& Values, int Start,
                        TKvGridSearchOptions Options, bool Focus, bool Wrap)
{
    TKvGridDataProvider* data = FItemProvider ? FItemProvider->GetDataSource() : nullptr;
    if (!data)
        return -1;
    TKvIntegerArray fields;
    fields.reserve(static_cast<size_t>(FieldNames.size()));
    for (const QString& name : FieldNames)
        fields.push_back(data->GetFieldIndex(name));
    return Search(fields, Values, Start, Options, Focus, Wrap);
}

// ---- selection views -------------------------------------------------------------------

namespace {
bool AddTo(TKvLayerElement* layer, TKvSprite* view, const char* nilMessage)
{
    if (!view)
        throw EArgumentNilException(nilMessage);
    if (!layer || layer->Contains(view))
        return false;
    layer->Add(view);
    return true;
}

bool RemoveFrom(TKvLayerElement* layer, TKvSprite* view)
{
    if (!layer || !view || !layer->Contains(view))
        return false;
    layer->Remove(view);
    return true;
}
} // namespace

bool TKvGridView::AddSelectionElement(TKvSprite* View) { return AddTo(FSelectionLayer, View, "view is nil"); }

bool TKvGridView::RemoveSelectionElement(TKvSprite* View) { return RemoveFrom(FSelectionLayer, View); }

bool TKvGridView::AddFocusElement(TKvSprite* View) { return AddTo(FFocusLayer, View, "view is nil"); }

bool TKvGridView::RemoveFocusElement(TKvSprite* View) { return RemoveFrom(FFocusLayer, View); }

bool TKvGridView::AddFeedbackElement(TKvSprite* View) { return AddTo(FFeedbackLayer, View, "feedback is nil"); }

bool TKvGridView::RemoveFeedbackElement(TKvSprite* View) { return RemoveFrom(FFeedbackLayer, View); }

bool TKvGridView::ContainsFeedbackElement(TKvSprite* View) const
{
    return FFeedbackLayer && View && FFeedbackLayer->Contains(View);
}

TKvSprite* TKvGridView::GetSelectionView(TKvGridSelectionItem* Item) const
{
    const auto it = FSelectionViewMap.find(Item);
    return it == FSelectionViewMap.end() ? nullptr : it->second;
}

TKvSprite* TKvGridView::AddSelectionView(TKvGridSelectionItem* Item)
{
    if (TKvSprite* view = GetSelectionView(Item))
        return view;
    auto* view = BorrowSelectionView();
    view->SetModel(Item);
    AddSelectionElement(view);
    FSelectionViewMap[Item] = view;
    return view;
}

void TKvGridView::RemoveSelectionView(TKvGridSelectionItem* Item)
{
    const auto it = FSelectionViewMap.find(Item);
    if (it == FSelectionViewMap.end())
        return;
    TKvSprite* view = it->second;
    FSelectionViewMap.erase(it);
    RemoveSelectionElement(view);
    ReturnSelectionView(view);
}

void TKvGridView::ClearSelectionViews()
{
    auto map = std::move(FSelectionViewMap);
    FSelectionViewMap.clear();
    for (auto& [item, view] : map) {
        RemoveSelectionElement(view);
        ReturnSelectionView(view);
    }
}

} // namespace kv
