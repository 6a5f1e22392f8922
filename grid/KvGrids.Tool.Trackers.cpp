// Drag trackers: one mouse gesture each, from press to release.
//
// Sections: tracker base; resize trackers; selection trackers and auto-scroll; cell buttons.
//
// Call flow: the selection tool makes a tracker from a press's request, starts it (at once
// or after 3 pixels), feeds it the moves (Drag) and stops it on release. The selection
// trackers resize their selection item; outside the body a 30 ms timer scrolls and resizes
// on its own. A selection item that goes away stops the selection tracker (ItemGone).
#include "grid/KvGrids.Tool.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Selection.h"
#include "grid/KvGrids.View.h"

#include <cmath>

namespace kv {

// ---- tracker base ----------------------------------------------------------------------------

TKvGridDragTracker::~TKvGridDragTracker()
{
    HideFeedback();
    if (TKvSprite* feedback = std::exchange(FFeedback, nullptr))
        feedback->Free();
}

bool TKvGridDragTracker::Start(int X, int Y)
{
    if (!DoStart(X, Y))
        return false;
    FActivated = true;
    FStartPos = TPoint{X, Y};
    FFeedback = GetFeedback();
    ShowFeedback();
    return true;
}

bool TKvGridDragTracker::Drag(int X, int Y)
{
    if (FCurrent == TPoint{X, Y})
        return true;
    FCurrent = TPoint{X, Y};
    const bool result = DoDrag(X, Y);
    if (result && FFeedback) {
        DoMoveFeedback(FFeedback, X, Y);
        FGrid->Update();
    }
    return result;
}

void TKvGridDragTracker::Stop(int X, int Y, bool Accept)
{
    HideFeedback();
    if (Accept)
        DoCompleted(X, Y);
    else
        DoCanceled(X, Y);
    DoEnded();
    FActivated = false;
}

void TKvGridDragTracker::ShowFeedback()
{
    if (FFeedback && FGrid->AddFeedbackElement(FFeedback))
        FGrid->Update();
}

void TKvGridDragTracker::HideFeedback()
{
    if (FFeedback && FGrid->RemoveFeedbackElement(FFeedback))
        FGrid->Update();
}

// ---- resize trackers -------------------------------------------------------------------------

TKvColumnResizeTracker::TKvColumnResizeTracker(TKvGridView* Grid, TKvColumnResizeRequest* Request)
    : TKvGridDragTracker(Grid), FRequest(Request), FCell(Request->GetHeaderCell()),
      FStartWidth(FCell ? int(std::lround(FCell->GetWidth())) : 0)
{
}

bool TKvColumnResizeTracker::DoStart(int X, int Y)
{
    if (!FCell)
        return false;
    const TPointF corner = FCell->SpriteToContainer(TPointF(FCell->GetWidth(), 0));
    FOffset = int(std::lround(X - corner.X));
    return true;
}

bool TKvColumnResizeTracker::DoDrag(int X, int Y)
{
    const TPointF p = FCell->ContainerToSprite(TPointF(float(X), float(Y)));
    const int w = int(std::lround(p.X)) - FOffset;
    if (w < 2)
        return true;
    TKvGridColumn* column = FCell->GetColumn();
    if (!column)
        return true;
    if (FGrid->GetDisplayOptions()->GetFitStyle() == FitEven && column->GetParentGroup() == FGrid->GetRootGroup()) {
        // The neighbour gives what the column takes: the total width stays.
        const int delta = w - FStartWidth;
        const int n = FGrid->GetVisibleColumnCount();
        int at = -1;
        for (int i = 0; i < n && at < 0; ++i)
            if (FGrid->GetVisibleColumn(i) == column)
                at = i;
        column->SetWidth(column->GetWidth() + delta / 2);
        if (at >= 0 && at + 1 < n) {
            TKvGridColumn* next = FGrid->GetVisibleColumn(at + 1);
            next->SetWidth(next->GetWidth() - delta / 2);
        }
    } else {
        TKvGridColumnGroup::SetWidth(column, w - FStartWidth);
    }
    FStartWidth = w;
    return true;
}

TKvRowResizeTracker::TKvRowResizeTracker(TKvGridView* Grid, TKvRowResizeRequest* Request)
    : TKvGridDragTracker(Grid), FRequest(Request)
{
    TKvAbstractGridLayoutManager* layout = Grid->GetLayoutManager();
    const int item = Request->GetIndex();
    const int fixed = layout->FixedItemCount();
    const TRect r = layout->ItemRect(item < fixed ? item : item - Grid->GetTopIndex());
    FRowTop = r.Top;
    FRowBottom = r.Bottom;
}

bool TKvRowResizeTracker::DoStart(int X, int Y)
{
    FOffset = Y - FRowBottom;
    return true;
}

bool TKvRowResizeTracker::DoDrag(int X, int Y)
{
    const int h = Y - FOffset - FRowTop;
    if (h >= 2)
        FGrid->GetDisplayOptions()->SetDefaultRowHeight(h);
    return true;
}

TKvHeaderResizeTracker::TKvHeaderResizeTracker(TKvGridView* Grid) : TKvGridDragTracker(Grid)
{
    const TRect r = Grid->GetLayoutManager()->HeaderBounds();
    FHeaderTop = r.Top;
    FHeaderBottom = r.Bottom;
}

bool TKvHeaderResizeTracker::DoStart(int X, int Y)
{
    FOffset = Y - FHeaderBottom;
    return true;
}

bool TKvHeaderResizeTracker::DoDrag(int X, int Y)
{
    const int h = Y - FOffset - FHeaderTop;
    if (h >= 2)
        FGrid->GetHeader()->SetHeight(h);
    return true;
}

TKvFooterResizeTracker::TKvFooterResizeTracker(TKvGridView* Grid) : TKvGridDragTracker(Grid)
{
    const TRect r = Grid->GetLayoutManager()->FooterBounds();
    FFooterTop = r.Top;
    FFooterBottom = r.Bottom;
}

bool TKvFooterResizeTracker::DoStart(int X, int Y)
{
    FOffset = Y - FFooterTop;
    return true;
}

// Dragging up makes the footer taller.
bool TKvFooterResizeTracker::DoDrag(int X, int Y)
{
    const int h = FFooterBottom - Y + FOffset;
    if (h >= 2)
        FGrid->GetFooter()->SetHeight(h);
    return true;
}

// ---- selection trackers and auto-scroll ------------------------------------------------------

TKvGridSelectTracker::TKvGridSelectTracker(TKvGridSelectRequest* Request)
    : TKvGridDragTracker(Request->GetIndex().Grid), FRequest(Request)
{
}

TKvGridSelectTracker::~TKvGridSelectTracker() { StopTimer(); }

TKvGridSelectionManager* TKvGridSelectTracker::Selections() const { return FGrid->GetSelections(); }

void TKvGridSelectTracker::ItemGone(TKvGridSelectionItem* Item)
{
    if (!FItem || (Item && Item != FItem))
        return;
    FItem = nullptr;
    FStopped = true;
    StopTimer();
}

bool TKvGridSelectTracker::DoStart(int X, int Y)
{
    if (Selections())
        Selections()->ClearOthers(FRequest->GetSelectStyle());
    return Selections() != nullptr;
}

// The wrapped cell click runs on release: a check box toggles then, not on the press.
void TKvGridSelectTracker::DoCompleted(int X, int Y)
{
    if (auto* edit = dynamic_cast<TKvCellEditRequest*>(FRequest->GetSyncRequest()))
        ClickDataCell(FGrid, edit->GetIndex(), X, Y);
}

void TKvGridSelectTracker::StartTimer()
{
    if (FTimer)
        return;
    FRowLoop = FRowPrevLoop = FColLoop = FColPrevLoop = 0;
    FInterval = 1;
    FTimer = TKvGridInput::NewTimer();
    FTimer->Start(30, [this] { TimerHandler(); });
}

void TKvGridSelectTracker::StopTimer()
{
    if (std::unique_ptr<TKvGridTimer> timer = std::move(FTimer))
        timer->Stop();
}

bool TKvGridSelectTracker::TrackRows(int X, int Y)
{
    TKvAbstractGridLayoutManager* layout = FGrid->GetLayoutManager();
    if (Y < layout->GridBounds().Top || Y >= layout->FooterBounds().Top)
        return false;
    const TKvGridCellIndex index = layout->MouseToIndex(X, Y);
    const int top = FGrid->GetTopItem();
    const int item = index.ItemIndex;
    if (item >= 0 && item < FGrid->GetItemCount() &&
        (item < layout->FixedItemCount() || (item >= top && item <= top + layout->ItemCount() - 1))) {
        StopTimer();
        FItem->Resize(index);
    }
    return true;
}

bool TKvGridSelectTracker::TrackColumns(int X, int Y)
{
    TKvAbstractGridLayoutManager* layout = FGrid->GetLayoutManager();
    if (X < layout->GridBounds().Left || X >= FGrid->GetClientWidth())
        return false;
    const TKvGridCellIndex index = layout->MouseToIndex(X, Y);
    if (index.Column) {
        StopTimer();
        FItem->Resize(index);
    }
    return true;
}

bool TKvGridSelectTracker::TrackBlock(int X, int Y)
{
    TKvAbstractGridLayoutManager* layout = FGrid->GetLayoutManager();
    const TRect grid = layout->GridBounds();
    if (Y < grid.Top || Y >= layout->FooterBounds().Top || X < grid.Left || X >= FGrid->GetClientWidth())
        return false;
    const TKvGridCellIndex index = layout->MouseToIndex(X, Y);
    if (index.Column && index.ItemIndex >= 0 && index.ItemIndex < FGrid->GetItemCount()) {
        StopTimer();
        FItem->Resize(index);
    }
    return true;
}

namespace {

// Whether the value lies outside [low, high), on which side (-1 before, +1 at or after the
// far edge) and how far from the edge it passed.
struct TOutside
{
    int Side = 0;
    int Distance = 0;
};

TOutside Outside(int value, int low, int high)
{
    if (value < low)
        return {-1, low - value};
    if (value >= high)
        return {1, value - high};
    return {};
}

int IntervalFor(int distance) { return 4 - std::max(0, std::min(3, distance / 50)); }

// Scrolls so that the scrolling column at the layout position comes first.
void SetLeftCol(TKvGridView* grid, int position)
{
    TKvAbstractGridLayoutManager* layout = grid->GetLayoutManager();
    const int last = layout->ColumnCount() - 1;
    if (last < layout->FixedColCount())
        return;
    const int at = std::max(layout->FixedColCount(), std::min(position, last));
    grid->SetLeftPos(layout->ColumnBounds(at).Left);
}

} // namespace

bool TKvGridSelectTracker::ScrollRows(int Y, TKvGridCellIndex& Target)
{
    TKvAbstractGridLayoutManager* layout = FGrid->GetLayoutManager();
    const TOutside o = Outside(Y, layout->GridBounds().Top, layout->FooterBounds().Top);
    if (o.Side == 0)
        return false;
    FInterval = IntervalFor(o.Distance);
    ++FRowLoop;
    if (FRowLoop - FRowPrevLoop < FInterval)
        return false;
    FRowPrevLoop = FRowLoop;
    if (o.Side < 0) {
        FGrid->SetTopIndex(FGrid->GetTopIndex() - 1);
        Target.ItemIndex = FGrid->GetTopItem();
    } else {
        FGrid->SetTopIndex(FGrid->GetTopIndex() + 1);
        // Only what is visible is laid out again, so that the target row exists.
        FGrid->LayoutElements();
        Target.ItemIndex = layout->FixedItemCount() + FGrid->GetTopIndex() + layout->ItemCount() - 1;
    }
    Target.ItemIndex = std::max(0, std::min(Target.ItemIndex, FGrid->GetItemCount() - 1));
    return true;
}

bool TKvGridSelectTracker::ScrollColumns(int X, TKvGridCellIndex& Target)
{
    TKvAbstractGridLayoutManager* layout = FGrid->GetLayoutManager();
    const TOutside o = Outside(X, layout->GridBounds().Left, FGrid->GetClientWidth());
    if (o.Side == 0)
        return false;
    FInterval = IntervalFor(o.Distance);
    ++FColLoop;
    if (FColLoop - FColPrevLoop < 2 * FInterval)
        return false;
    FColPrevLoop = FColLoop;
    SetLeftCol(FGrid, o.Side < 0 ? layout->FirstCol() - 1 : layout->FirstCol() + 2);
    FGrid->LayoutElements();
    TKvGridColumn* column = layout->GetColumn(o.Side < 0 ? layout->FirstCol() : layout->LastCol());
    if (!column)
        return false;
    Target.Column = column;
    return true;
}

void TKvGridSelectTracker::TimerHandler()
{
    if (!FItem || !FTimer)
        return;
    const TPoint p = GridCursorPos(FGrid);
    TKvGridCellIndex target = FItem->GetLastIndex();
    bool moved = false;
    switch (FItem->GetStyle()) {
    case SelectRows: moved = ScrollRows(p.Y, target); break;
    case SelectColumns: moved = ScrollColumns(p.X, target); break;
    case SelectBlock: {
        const bool rows = ScrollRows(p.Y, target);
        const bool columns = ScrollColumns(p.X, target);
        moved = rows || columns;
        break;
    }
    }
    // The scroll may have ended the drag (a refresh that cleared the selection).
    if (moved && FItem)
        FItem->Resize(target);
}

bool TKvColumnsSelectTracker::DoStart(int X, int Y)
{
    if (!TKvGridSelectTracker::DoStart(X, Y))
        return false;
    TKvGridSelectionManager* s = Selections();
    const TKvGridCellIndex pressed = FRequest->GetIndex();
    const TShiftState shift = FRequest->GetShift();
    if (shift.Contains(ssShift)) {
        if (s->GetCount() == 0) {
            const TKvGridCellIndex focused = FGrid->GetFocusedIndex();
            const bool extended = FGrid->GetSelectOptions()->GetMode() == SelectExtended && focused.IsValid(FGrid);
            FItem = s->Add(extended ? focused : pressed, pressed, SelectColumns);
        } else {
            FItem = s->GetCurrent();
            FItem->Resize(pressed);
        }
    } else if (shift.Contains(ssCtrl)) {
        s->Normalize();
        FItem = s->Add(pressed, pressed, SelectColumns);
    }
    return true;
}

// Without a selection item (a plain press) the drag selects nothing.
bool TKvColumnsSelectTracker::DoDrag(int X, int Y)
{
    if (!FItem)
        return true;
    if (!TrackColumns(X, Y))
        StartTimer();
    return true;
}

bool TKvRowsSelectTracker::DoStart(int X, int Y)
{
    if (!TKvGridSelectTracker::DoStart(X, Y))
        return false;
    TKvGridSelectionManager* s = Selections();
    const TKvGridCellIndex pressed(FGrid, FRequest->GetIndex().ItemIndex, nullptr);
    const TShiftState shift = FRequest->GetShift();
    if (shift.Contains(ssShift)) {
        if (s->GetCount() == 0) {
            const TKvGridCellIndex focused = FGrid->GetFocusedIndex();
            const bool extended = FGrid->GetSelectOptions()->GetMode() == SelectExtended && focused.IsValid(FGrid);
            FItem = s->Add(extended ? TKvGridCellIndex(FGrid, focused.ItemIndex, nullptr) : pressed, pressed, SelectRows);
        } else {
            FItem = s->GetCurrent();
            FItem->Resize(pressed);
        }
    } else if (shift.Contains(ssCtrl)) {
        s->Normalize();
        FItem = s->Add(pressed, pressed, SelectRows);
    } else {
        s->Clear();
        FItem = s->Add(pressed, pressed, SelectRows);
    }
    return true;
}

bool TKvRowsSelectTracker::DoDrag(int X, int Y)
{
    if (!FItem)
        return true;
    if (!TrackRows(X, Y))
        StartTimer();
    return true;
}

bool TKvRangeSelectTracker::DoStart(int X, int Y)
{
    if (!TKvGridSelectTracker::DoStart(X, Y))
        return false;
    const TKvGridCellIndex pressed = FRequest->GetIndex();
    TKvGridSelectionManager* s = Selections();
    // Shift in extended mode: the current item, or a new one from the focused cell, reaches
    // the pressed cell.
    if (FRequest->GetShift().Contains(ssShift) && FGrid->GetSelectOptions()->GetMode() == SelectExtended) {
        const TKvGridCellIndex focused = FGrid->GetFocusedIndex();
        if (s->GetCount() > 0) {
            FItem = s->GetCurrent();
            FItem->Resize(pressed);
            return true;
        }
        if (focused.IsValid(FGrid)) {
            FItem = s->Add(focused, pressed, FGrid->GetSelectOptions()->GetStyle());
            return true;
        }
    }
    s->Clear();
    FItem = s->Add(pressed, pressed, FGrid->GetSelectOptions()->GetStyle());
    return true;
}

bool TKvRangeSelectTracker::DoDrag(int X, int Y)
{
    if (!FItem)
        return true;
    bool inside = true;
    switch (FItem->GetStyle()) {
    case SelectRows: inside = TrackRows(X, Y); break;
    case SelectColumns: inside = TrackColumns(X, Y); break;
    case SelectBlock: inside = TrackBlock(X, Y); break;
    }
    if (!inside)
        StartTimer();
    return true;
}

// ---- cell buttons ----------------------------------------------------------------------------

TKvCellButtonTracker::TKvCellButtonTracker(TKvCellButtonRequest* Request)
    : TKvGridDragTracker(Request->GetGrid()), FRequest(Request)
{
}

TKvGridDataCellElement* TKvCellButtonTracker::Cell() const
{
    return dynamic_cast<TKvGridDataCellElement*>(FGrid->GetCellView(FGrid->GetBody(), FRequest->GetIndex()));
}

bool TKvCellButtonTracker::InButton(int X, int Y) const
{
    TKvGridDataCellElement* cell = Cell();
    if (!cell)
        return false;
    const TPointF f = cell->ContainerToSprite(TPointF(float(X), float(Y)));
    const TPoint p{int(std::lround(f.X)), int(std::lround(f.Y))};
    return dynamic_cast<TKvEditButtonRequest*>(FRequest.get()) ? cell->PtInEditorButton(p) : cell->PtInButton(p);
}

bool TKvCellButtonTracker::DoStart(int X, int Y)
{
    if (TKvGridDataCellElement* cell = Cell()) {
        if (dynamic_cast<TKvEditButtonRequest*>(FRequest.get())) {
            cell->SetEditButtonState(true, true);
            cell->SetButtonState(false, false);
        } else {
            cell->SetButtonState(true, true);
            cell->SetEditButtonState(false, false);
        }
    }
    return true;
}

bool TKvCellButtonTracker::DoDrag(int X, int Y)
{
    if (TKvGridDataCellElement* cell = Cell()) {
        const bool inside = InButton(X, Y);
        if (dynamic_cast<TKvEditButtonRequest*>(FRequest.get()))
            cell->SetEditButtonState(true, inside);
        else
            cell->SetButtonState(true, inside);
    }
    return true;
}

bool TKvCellButtonTracker::CanAccept(int X, int Y) { return InButton(X, Y); }

void TKvCellButtonTracker::DoEnded()
{
    if (TKvGridDataCellElement* cell = Cell()) {
        cell->SetButtonState(false, false);
        cell->SetEditButtonState(false, false);
    }
}

} // namespace kv
