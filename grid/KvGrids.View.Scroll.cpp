// The grid view's geometry-bound parts of focus and scrolling: cell rectangles, making a
// cell visible, the left column, the one-row window scroll, focused cell marks and the
// selection rectangles of the selection mask.
//
// Call flow: SetFocusedIndex marks the focused data cell; Search and the tools call
// MakeCellVisible; SetTopIndex asks ScrollWindow to move the rows' pixels after a one-row
// scroll message; UpdateLayout ends in LayoutSelectionViews.
#include "grid/KvGrids.View.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Renderer.h"
#include "grid/KvGrids.Selection.h"

#include "platform/rtl/Trace.h"

#include <QtCore/QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

TRect Rounded(const TRectF& r)
{
    return TRect{static_cast<int>(std::lround(r.Left)), static_cast<int>(std::lround(r.Top)),
                 static_cast<int>(std::lround(r.Right)), static_cast<int>(std::lround(r.Bottom))};
}

TRect Intersect(const TRect& a, const TRect& b)
{
    const TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                  std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? TRect{} : r;
}

} // namespace

// ---- cells -----------------------------------------------------------------------------

TRect TKvGridView::GetCellBounds(const TKvGridCellIndex& Index) const
{
    TKvGridCellElement* view = GetCellView(FBody.get(), Index);
    return view ? Rounded(view->BoundsByContainer()) : TRect{};
}

TRect TKvGridView::GetFocusedRect() const
{
    if (!FFocusedIndex.IsValid(this))
        return TRect{};
    TRect r = GetCellBounds(FFocusedIndex);
    const TKvAbstractGridLayoutManager* m = FLayoutManager.get();
    if (r.IsEmpty() || !m || !FLayouted || !FFocusedIndex.Column)
        return r;
    // A scrolled cell shows only right of the fixed columns, as it is painted.
    TKvGridColumn* root = FFocusedIndex.Column->GetRoot();
    for (int i = 0; i < m->FixedColCount(); ++i)
        if (m->GetColumn(i) == root)
            return r;
    const int fixedEnd = m->GridBounds().Left + m->FixedWidth();
    r.Left = std::max(r.Left, fixedEnd);
    r.Right = std::max(r.Right, r.Left);
    return r;
}

TRect TKvGridView::GetSelectionClipBounds() const
{
    return FLayoutManager && FLayouted ? FLayoutManager->GridBounds() : TRect{};
}

void TKvGridView::MarkFocusedCell(const TKvGridCellIndex& Index, bool Focused)
{
    if (auto* view = dynamic_cast<TKvGridDataCellElement*>(GetCellView(FBody.get(), Index))) {
        view->SetFocused(Focused);
        view->Invalidate();
    } else {
        InvalidateItem(Index.ItemIndex);
    }
}

TKvGridSelectionView* TKvGridView::BorrowSelectionView()
{
    if (FGridDelegate)
        if (auto* view = dynamic_cast<TKvGridSelectionView*>(FGridDelegate->BorrowSelectionView(nullptr)))
            return view;
    return Create<TKvGridSelectionView>(nullptr);
}

void TKvGridView::ReturnSelectionView(TKvSprite* View)
{
    if (auto* selection = dynamic_cast<TKvGridSelectionView*>(View))
        selection->SetModel(nullptr);
    if (FGridDelegate)
        FGridDelegate->ReturnSelectionView(View);
    else
        FreeObject(View);
}

TKvGridCellIndex TKvGridView::MouseToIndex(int X, int Y) const
{
    return FLayoutManager ? FLayoutManager->MouseToIndex(X, Y) : TKvGridCellIndex::Null();
}

TRect TKvGridView::GetEditBounds(const TKvGridCellIndex& Index) const
{
    TRect r = GetCellBounds(Index);
    bool taken = false;
    if (FGridDelegate) {
        TKvGridDataColumn* column = Index.GetDataColumn();
        if (column && column->GetButton() != ButtonNone)
            if (TKvGridCellButtonRenderer* button = FGridDelegate->GetCellButtonRenderer(Index)) {
                r.Right -= button->Measure(Index, r.Width(), r.Height()).cx;
                taken = true;
            }
        TKvGridCellEditor* editor = FGridDelegate->GetCellEditor(Index);
        if (editor && FGridDelegate->EditorHasButton(editor))
            if (TKvGridCellButtonRenderer* button = FGridDelegate->GetEditButtonRenderer(Index)) {
                r.Right -= button->Measure(Index, r.Width(), r.Height()).cx;
                taken = true;
            }
    }
    if (!taken)
        r.Right = std::max(r.Left, r.Right - 1);
    r.Bottom = std::max(r.Top, r.Bottom - 1);
    r.Inflate(-1, -1);
    if (FLayoutManager && FLayoutManager->GridBounds().Left < r.Right)
        r.Left = std::max(r.Left, FLayoutManager->GridBounds().Left);
    r.Right = std::max(r.Right, r.Left + 1);
    r.Bottom = std::max(r.Bottom, r.Top + 1);
    return r;
}

void TKvGridView::InvalidateItem(int ItemIndex)
{
    if (FUpdateLock > 0 || !FLayoutManager)
        return;
    const int row = ItemIndex - FTopIndex;
    if (row < 0 || row >= FLayoutManager->ItemCount())
        return;
    TRect r = FLayoutManager->ItemRect(row);
    r.Left = 0;
    InvalidateRect(&r);
}

void TKvGridView::InvalidateItems(int From, int To)
{
    if (FUpdateLock > 0 || !FLayoutManager || FLayoutManager->ItemCount() < 1)
        return;
    const int last = FLayoutManager->ItemCount() - 1;
    const int a = std::max(0, std::min(From - FTopIndex, last));
    const int b = std::max(0, std::min(To - FTopIndex, last));
    TRect r = FLayoutManager->ItemRect(std::min(a, b));
    r.Bottom = FLayoutManager->ItemRect(std::max(a, b)).Bottom;
    r.Left = 0;
    InvalidateRect(&r);
}

void TKvGridView::RefreshDataCell(const TKvGridCellIndex& Index)
{
    if (TKvGridCellElement* view = GetCellView(FBody.get(), Index))
        view->Invalidate();
}

void TKvGridView::FitColumnWidth(TKvGridColumn* Column)
{
    if (!FLayoutManager)
        return;
    QElapsedTimer timer;
    timer.start();
    // The layout manager checks the column before it is touched.
    const int width = FLayoutManager->FitColumnWidth(Column);
    // The width path of a dragged border: a column inside a group is as wide as its share.
    const int shown = Column->IsTopLevel() || Column->GetGroupWidth() < 0 ? Column->GetWidth() : Column->GetGroupWidth();
    TKvGridColumnGroup::SetWidth(Column, width - shown);
    if (TraceEnabled())
        trace(QStringLiteral(">>>>>>>>>>>>>>>>>>>>>>>>>> FitColumnWidth: %1").arg(timer.elapsed()));
}

// ---- scrolling -------------------------------------------------------------------------

int TKvGridView::PageItemCount() const { return FLayoutManager ? std::max(1, FLayoutManager->FullItemCount()) : 1; }

void TKvGridView::SetLeftCol(int Column)
{
    if (!FLayoutManager)
        return;
    const int position = std::max(0, std::min(Column, FLayoutManager->ColumnCount() - 1));
    SetLeftPos(FLayoutManager->ColumnBounds(FLayoutManager->FixedColCount() + position).Left);
}

void TKvGridView::PageLeft()
{
    if (!FLayoutManager)
        return;
    const int first = FLayoutManager->FirstCol();
    if (FLayoutManager->ColumnBounds(first).Left >= FLeftPos)
        SetLeftCol(first - 1);
    else
        SetLeftCol(first);
}

void TKvGridView::MakeCellVisible(const TKvGridCellIndex& Index)
{
    if (!FLayouted || !FLayoutManager)
        return;
    TKvAbstractGridLayoutManager* m = FLayoutManager.get();
    const int item = Index.ItemIndex;
    if (item >= m->FixedItemCount()) {
        const int n = m->FullItemCount();
        const int top = GetTopItem();
        if (item < top || item >= top + n) {
            const int target = item >= top + n ? item - n + 1 : item;
            SetTopItem(std::max(0, target));
        }
    }
    if (Index.Column && Index.Column->GetRoot()->GetDisplayIndex() >= m->FixedColCount()) {
        const TRect r = m->DataColumnRect(Index.Column);
        const TRect b = m->BodyBounds();
        const TRect g = m->GridBounds();
        if (r.Left - b.Left < FLeftPos)
            SetLeftPos(r.Left - b.Left);
        else if (r.Right - FLeftPos > g.Right)
            SetLeftPos(r.Right - g.Right);
    }
}

void TKvGridView::ScrollWindow(int Delta)
{
    if (!FLayoutManager || !FLayouted)
        return;
    TKvAbstractGridLayoutManager* m = FLayoutManager.get();
    const TRect scroll = m->ScrollBounds();
    const int rows = m->ItemCount();
    if (scroll.IsEmpty() || rows < 1)
        return;
    // The row that scrolled in: the first one after a step up, the last one after a step down.
    const int fixed = m->FixedItemCount();
    const TRect row = Delta < 0 ? m->ItemBounds(fixed) : m->ItemBounds(fixed + rows - 1);
    const int height = row.Height();
    if (height <= 0)
        return;
    TRect in = row;
    in.Left = scroll.Left;
    in.Right = scroll.Right;
    in.Offset(0, m->BodyBounds().Top);
    SetScrollWindow(scroll, Delta < 0 ? height : -height, Intersect(in, scroll));
}

// ---- selection mask --------------------------------------------------------------------

void TKvGridView::LayoutSelectionViews(TKvAbstractGridLayoutManager* LayoutManager)
{
    if (!FLayouted || !LayoutManager || !FSelectionMask || !FSelections)
        return;
    if (FSelectionMask->GetWidth() != float(GetClientWidth()) || FSelectionMask->GetHeight() != float(GetClientHeight()))
        FSelectionMask->SetBounds(0.0f, 0.0f, float(GetClientWidth()), float(GetClientHeight()));
    FSelectionMask->Clear();
    FSelectionMask->SetSingleCell(FSelections->IsSingleCell());
    for (int i = FSelections->GetCount() - 1; i >= 0; --i) {
        TKvGridSelectionItem* item = FSelections->GetItem(i);
        const TKvGridRange range = item->GetBounds();
        TRect rect;
        bool shown = false;
        if (item->GetStyle() == SelectRows)
            shown = RowsSelectionRect(range.R1, range.R2, rect);
        else if (item->GetStyle() == SelectColumns)
            shown = ColumnsSelectionRect(range.C1, range.C2, rect);
        else
            shown = BlockSelectionRect(range, rect);
        if (shown)
            FSelectionMask->Add(rect);
    }
}

} // namespace kv
