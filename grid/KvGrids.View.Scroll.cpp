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
#include "grid/KvGrids.EditorBase.h"
#include "grid/KvGrids.Options.h"
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

bool TKvGridView::ShownItemRect(int ItemIndex, TRect& Rect) const
{
    if (FUpdateLock > 0 || !FLayoutManager)
        return false;
    const int row = ItemIndex - FTopIndex;
    if (row < 0 || row >= FLayoutManager->ItemCount())
        return false;
    Rect = FLayoutManager->ItemRect(row);
    Rect.Left = 0;
    return true;
}

void TKvGridView::InvalidateItem(int ItemIndex)
{
    TRect r;
    if (ShownItemRect(ItemIndex, r))
        InvalidateRect(&r);
}

void TKvGridView::InvalidateItemBars(int ItemIndex)
{
    TRect r;
    if (!FLayouted || !ShownItemRect(ItemIndex, r))
        return;
    r.Right = FLayoutManager->GridBounds().Left;
    if (r.Right > 0)
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

// ---- moving pixels ---------------------------------------------------------------------

namespace {

// What a scroll by whole rows or by pixels of the scrolled columns must leave as it was.
struct TLayoutShape
{
    TRect Client, Body, Grid, Scroll, Panel, Header, Footer, Fixed, Indicator;
    int FixedItems = 0, FixedCols = 0, Columns = 0, FixedWidth = 0;
    bool VBar = false, HBar = false;
    std::vector<TRect> FixedRows, ColumnBounds;
    std::vector<int> Tops, Bottoms; // the scrolled rows, in the body

    bool SameFrame(const TLayoutShape& o) const
    {
        return Client == o.Client && Body == o.Body && Grid == o.Grid && Scroll == o.Scroll && Panel == o.Panel &&
               Header == o.Header && Footer == o.Footer && Fixed == o.Fixed && Indicator == o.Indicator &&
               FixedItems == o.FixedItems && FixedCols == o.FixedCols && Columns == o.Columns &&
               FixedWidth == o.FixedWidth && VBar == o.VBar && HBar == o.HBar && FixedRows == o.FixedRows;
    }
};

TLayoutShape Shape(const TKvAbstractGridLayoutManager* m, const TRect& client, bool vbar, bool hbar)
{
    TLayoutShape s;
    s.Client = client;
    s.Body = m->BodyBounds();
    s.Grid = m->GridBounds();
    s.Scroll = m->ScrollBounds();
    s.Panel = m->PanelBounds();
    s.Header = m->HeaderBounds();
    s.Footer = m->FooterBounds();
    s.Fixed = m->FixedBounds();
    s.Indicator = m->IndicatorBounds();
    s.FixedItems = m->FixedItemCount();
    s.FixedCols = m->FixedColCount();
    s.Columns = m->ColumnCount();
    s.FixedWidth = m->FixedWidth();
    s.VBar = vbar;
    s.HBar = hbar;
    for (int i = 0; i < s.FixedItems; ++i)
        s.FixedRows.push_back(m->ItemBounds(i));
    for (int i = 0; i < s.Columns; ++i)
        s.ColumnBounds.push_back(m->ColumnBounds(i));
    for (int k = 0, n = m->ItemCount(); k < n; ++k) {
        const TRect r = m->ItemBounds(s.FixedItems + k);
        s.Tops.push_back(r.Top);
        s.Bottoms.push_back(r.Bottom);
    }
    return s;
}

// Where the sprites of the upper layers (selection, focus and feedback marks, which the
// layout places) draw.
TKvGridView::TOverlayMarks OverlayRects(std::initializer_list<TKvSpriteElement*> layers)
{
    TKvGridView::TOverlayMarks rects;
    for (TKvSpriteElement* layer : layers)
        if (layer)
            for (int i = 0; i < layer->GetChildCount(); ++i)
                if (TKvSprite* sprite = layer->GetChild(i); sprite && sprite->GetVisible())
                    rects.emplace_back(sprite, sprite->UpdateBounds());
    return rects;
}

bool Inside(const TRect& r, const TRect& area)
{
    return r.Left >= area.Left && r.Top >= area.Top && r.Right <= area.Right && r.Bottom <= area.Bottom;
}

TLayoutShape ShapeOf(const TKvGridView* grid)
{
    return Shape(grid->GetLayoutManager(), grid->GetClientRect(), grid->IsScrollBarVisible(SB_VERT),
                 grid->IsScrollBarVisible(SB_HORZ));
}

// Marks Rect, cut to Area, for painting.
void MarkIn(TKvGridView* grid, TRect rect, const TRect& area)
{
    rect = IntersectRect(rect, area);
    if (!rect.IsEmpty())
        grid->InvalidateRect(&rect);
}

} // namespace

// Pixels move only when nothing but the position changes: a shown, laid-out grid with no
// pending layout and no open editor.
bool TKvGridView::CanScrollPixels() const
{
    if (!FLayouted || FLayoutNeeded || FLayoutLock || FRefilling || !FLayoutManager || GetPainting() ||
        RefreshSkipped() || !HandleAllocated() || !IsShowing())
        return false;
    if (FEditController && (FEditController->GetEditing() || FEditOptions->GetEditWhenFocused()))
        return false;
    return true;
}

// The layout a paint would run, run now: the pixels move before anything is painted.
void TKvGridView::LayoutForScroll()
{
    FollowPendingRow();
    if (!FMovingFocus)
        SetFocusedIndex(GetFocusedIndex(), true);
    InvalidateLayout();
    LayoutElementsUnpainted();
}

// The marks of the upper layers where their pixels were moved to and where they are now, and
// the hovered band (Band: its whole row across Area) at both places. A mark that moved with
// the pixels, wholly inside Area before and after, is where its moved pixels are: not marked.
void TKvGridView::MarkAfterScroll(const TOverlayMarks& Marks, const TRect& Hovered, const TRect& Area, int DX, int DY,
                                  bool Band)
{
    TOverlayMarks now = OverlayRects({FSelectionLayer, FFocusLayer, FFeedbackLayer});
    const TRect client = GetClientRect();
    for (auto [sprite, r] : Marks) {
        const bool inside = Inside(IntersectRect(r, client), Area);
        r.Offset(DX, DY);
        const auto same = std::find(now.begin(), now.end(), std::pair<const TKvSprite*, TRect>(sprite, r));
        if (same != now.end() && inside && Inside(IntersectRect(r, client), Area)) {
            now.erase(same);
            continue;
        }
        MarkIn(this, r, Area);
    }
    for (const auto& [sprite, r] : now)
        MarkIn(this, r, Area);
    if (Hovered.IsEmpty())
        return;
    TRect r = Band ? TRect{Area.Left, Hovered.Top, Area.Right, Hovered.Bottom} : Hovered;
    MarkIn(this, r, Area);
    r.Offset(DX, DY);
    MarkIn(this, r, Area);
}

bool TKvGridView::ScrollRows(int OldTop)
{
    if (!CanScrollPixels())
        return false;
    const TLayoutShape before = ShapeOf(this);
    const int rowsBefore = static_cast<int>(before.Tops.size());
    if (rowsBefore < 2 || std::abs(FTopIndex - OldTop) >= rowsBefore - 1)
        return false;
    const TOverlayMarks masksBefore = OverlayRects({FSelectionLayer, FFocusLayer, FFeedbackLayer});
    TKvSprite* hovered = GetHovered();
    const TRect hoveredRect = hovered ? hovered->UpdateBounds() : TRect{};

    // What a refresh does, but the whole repaint.
    LayoutForScroll();
    const TLayoutShape after = ShapeOf(this);
    const int shift = FTopIndex - OldTop; // rows; positive when the rows moved up
    const int rowsAfter = static_cast<int>(after.Tops.size());
    bool same = !FLayoutNeeded && after.SameFrame(before) && after.ColumnBounds == before.ColumnBounds && shift != 0 &&
                std::abs(shift) < std::min(rowsBefore, rowsAfter) - 1;
    // Every row shown before and after sits where it was, moved by the same pixels.
    int dy = 0;
    if (same)
        dy = shift > 0 ? before.Tops[0] - before.Tops[static_cast<size_t>(shift)]
                       : after.Tops[static_cast<size_t>(-shift)] - after.Tops[0];
    for (int j = 0; same && j < rowsBefore; ++j) {
        const int k = j - shift;
        if (k < 0 || k >= rowsAfter)
            continue;
        same = after.Tops[static_cast<size_t>(k)] == before.Tops[static_cast<size_t>(j)] + dy &&
               after.Bottoms[static_cast<size_t>(k)] == before.Bottoms[static_cast<size_t>(j)] + dy;
    }
    const TRect area = IntersectRect(after.Scroll, after.Client);
    if (!same || dy == 0 || area.IsEmpty() || std::abs(dy) >= area.Height()) {
        Invalidate();
        return true;
    }
    if (!ScrollClientRect(area, 0, dy))
        return true; // the area was marked whole
    const int bodyTop = after.Body.Top;
    auto rowRect = [&](int k) {
        return TRect{area.Left, after.Tops[static_cast<size_t>(k)] + bodyTop, area.Right,
                     after.Bottoms[static_cast<size_t>(k)] + bodyTop};
    };
    auto mark = [&](const TRect& r) { MarkIn(this, r, area); };
    // The rows that came in: at the top after a step up; after a step down, what lies below
    // the last row shown before. Rows are drawn whole and cut only by what is drawn over them
    // or by the window, so the moved pixels of the last row shown before are its own (the
    // part it hid is in the strip the move uncovered, marked by it).
    if (shift < 0)
        mark(TRect{area.Left, area.Top, area.Right, rowRect(-shift).Top});
    mark(TRect{area.Left, rowRect(std::min(rowsBefore - 1 - shift, rowsAfter - 1)).Bottom, area.Right, area.Bottom});
    // Selection rectangles are cut to the shown rows; the hover feedback stays under the mouse
    // while the rows move under it.
    MarkAfterScroll(masksBefore, hoveredRect, area, 0, dy, true);
    return true;
}

bool TKvGridView::ScrollColumns(int OldLeft)
{
    if (!CanScrollPixels())
        return false;
    TKvAbstractGridLayoutManager* m = FLayoutManager.get();
    const TLayoutShape before = ShapeOf(this);
    const TOverlayMarks masksBefore = OverlayRects({FSelectionLayer, FFocusLayer, FFeedbackLayer});
    TKvSprite* hovered = GetHovered();
    const TRect hoveredRect = hovered ? hovered->UpdateBounds() : TRect{};
    const int topBefore = FTopIndex;

    LayoutForScroll();
    TLayoutShape after = ShapeOf(this);
    const int dx = OldLeft - FLeftPos;
    // The body's right end follows the scrolled columns; what lies right of them is drawn anew.
    const int bodyRight = after.Body.Right;
    after.Body.Right = before.Body.Right;
    for (auto [a, b] : {std::pair{&after.Panel, &before.Panel}, {&after.Header, &before.Header}, {&after.Footer, &before.Footer}}) {
        a->Left = b->Left;
        a->Right = b->Right;
    }
    // The scrolled columns from the header to the footer; fixed columns and bars stay.
    const TRect area = IntersectRect(TRect{after.Body.Left, after.Header.Top, after.Grid.Right,
                                           std::max(after.Footer.Bottom, after.Scroll.Bottom)},
                                     after.Client);
    const bool same = !FLayoutNeeded && FTopIndex == topBefore && after.SameFrame(before) &&
                      after.ColumnBounds == before.ColumnBounds && after.Tops == before.Tops &&
                      after.Bottoms == before.Bottoms && dx != 0 && !area.IsEmpty() && std::abs(dx) < area.Width();
    if (!same) {
        Invalidate();
        return true;
    }
    if (!ScrollClientRect(area, dx, 0))
        return true;
    auto mark = [&](const TRect& r) { MarkIn(this, r, area); };
    // The strip that came in, and whatever lies right of the last column.
    const TRect in = dx < 0 ? TRect{area.Right + dx, area.Top, area.Right, area.Bottom}
                            : TRect{area.Left, area.Top, area.Left + dx, area.Bottom};
    mark(in);
    if (after.Columns > after.FixedCols) {
        TRect last = m->ColumnRect(after.Columns - 1);
        last.Offset(-FLeftPos, 0);
        mark(TRect{std::min(last.Right, std::min(bodyRight, before.Body.Right + dx)), area.Top, area.Right, area.Bottom});
    }
    MarkAfterScroll(masksBefore, hoveredRect, area, dx, 0, false);
    return true;
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


