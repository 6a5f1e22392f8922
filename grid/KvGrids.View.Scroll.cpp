// The grid view's geometry-bound parts of focus and scrolling: cell rectangles, making a
// cell visible, the one-row window scroll, selection sprites and expression validation.
#include "grid/KvGrids.View.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Selection.h"

#include <algorithm>

namespace kv {

void TKvGridView::MakeCellVisible(const TKvGridCellIndex& Index) {}

void TKvGridView::ScrollWindow(int Delta) {}

TRect TKvGridView::GetCellRect(const TKvGridCellIndex& Index) const { return TRect{}; }

int TKvGridView::CellButtonWidth() const { return 0; }

int TKvGridView::PageItemCount() const
{
    TScrollInfo info;
    info.fMask = SIF_PAGE;
    GetScrollInfo(SB_VERT, info);
    return std::max(1, static_cast<int>(info.nPage));
}

TRect TKvGridView::GetSelectionClipBounds() const { return TRect{}; }

TRect TKvGridView::GetFocusedRect() const { return TRect{}; }

TKvGridSelectionView* TKvGridView::BorrowSelectionView() { return Create<TKvGridSelectionView>(this); }

void TKvGridView::ReturnSelectionView(TKvSprite* View) { FreeObject(View); }


} // namespace kv
