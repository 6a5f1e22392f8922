// The top-level grid's tool, its requests and trackers.
//
// Sections: requests; tracker base; column move; chips and row grouping; panel cells; the
// older column move; the tool.
//
// Call flow: TKvGridSelectionTool's press asks GetEditRequest; a press on a movable header
// makes a column-move request, a press on a chip a panel-cell request. MakeDragTracker turns
// them into trackers, which the base starts after 3 pixels of movement, feeds with Drag and
// stops on release (Stop: DoCompleted or DoCanceled, then DoEnded). A column-move drag that
// reaches the panel answers false from DoDrag; the base then asks GetNextRequest and starts
// the row-grouping tracker in its place.
#include "components/KvGrids.Vantrel.Tool.h"

#include "components/KvGrids.Vantrel.h"
#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Options.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Trace.h"

#include <cmath>

namespace kv {

namespace {

TKvGridColumnGroup* ParentGroupOf(TKvGridColumn* column)
{
    return column ? column->GetParentGroup() : nullptr;
}

// The cursor of the grid for the lifetime of a scope, the default again at its end.
struct TCursorScope
{
    TKvGridView* Grid;
    TCursorScope(TKvGridView* grid, TCursor cursor) : Grid(grid) { Grid->SetCursor(cursor); }
    ~TCursorScope() { Grid->SetCursor(crDefault); }
};

} // namespace

// ---- requests --------------------------------------------------------------------------------

TKvGridDataColumn* TKvRowGroupingRequest::GetColumn() const
{
    auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(FCell);
    return cell ? dynamic_cast<TKvGridDataColumn*>(cell->GetColumn()) : nullptr;
}

TKvGridColumn* TKvPanelCellRequest::GetColumn() const { return FCell ? FCell->AdapterAs<TKvGridColumn>() : nullptr; }

// ---- tracker base ----------------------------------------------------------------------------

TKvVantrel* TKvVantrelDragTracker::GetVantrel() const { return dynamic_cast<TKvVantrel*>(FGrid); }

TKvGridPanelElement* TKvVantrelDragTracker::GetPanelView() const
{
    TKvVantrel* grid = GetVantrel();
    return grid ? grid->GetGroupingPanel() : nullptr;
}

bool TKvVantrelDragTracker::InPanelRange(int Y) const
{
    if (!FGrid->GetPanel()->GetVisible() || !GetPanelView())
        return false;
    const TRect panel = FGrid->GetLayoutManager()->PanelBounds();
    return Y >= panel.Top && Y < panel.Bottom;
}

// ---- column move -----------------------------------------------------------------------------

void TKvColumnMoveTracker2::TSourceFeedback::DoDraw(TKvDrawingContext* Context)
{
    if (!FSource || !FSource->GetRenderer())
        return;
    if (TKvGridCell* model = FSource->GetModel())
        FSource->GetRenderer()->Render(model, Context, TRectF(0, 0, GetWidth(), GetHeight()));
}

void TKvColumnMoveTracker2::TTargetFeedback::DoDraw(TKvDrawingContext* Context)
{
    if (!FTarget || !FSource)
        return;
    const float w = std::round(GetWidth());
    const float h = std::round(GetHeight());
    TKvGridColumn* source = FSource->GetColumn();
    TKvGridColumn* target = FTarget->GetColumn();
    auto* sourceGroup = dynamic_cast<TKvGridColumnGroup*>(source);
    if (FTarget == FSource || (sourceGroup && target && sourceGroup->IsAncestorOf(target))) {
        Context->DrawRect(TKvSolidBrush::Temp(0x33000000u), TKvSolidPen::Temp(0xAA000000u, 1, DashStyleSolid),
                          TRectF(0, 0, w - 1, h - 1));
        return;
    }
    const TRectF s = FSource->BoundsByContainer();
    const TRectF t = FTarget->BoundsByContainer();
    TKvFill* fill = TKvSolidBrush::Temp(0xFF000000u);
    TKvStroke* tick = TKvSolidPen::Temp(0xFF000000u, 2, DashStyleSolid);
    TKvGridColumnGroup* group = ParentGroupOf(target);
    if (group && !group->IsRootGroup() && group->GetOrientation() == ColumnsVertical) {
        const bool below = t.Top > s.Top;
        const float y = below ? h - 3 : 0;
        Context->DrawRect(fill, nullptr, TRectF(1, y, w - 2, y + 3));
        const float y1 = below ? h - 7 : 0;
        Context->DrawLine(tick, 1.0, y1, 1.0, y1 + 7.0);
        Context->DrawLine(tick, w - 2.0, y1, w - 2.0, y1 + 7.0);
        return;
    }
    const bool right = t.Left > s.Left;
    const float x = right ? w - 3 : 0;
    Context->DrawRect(fill, nullptr, TRectF(x, 1, x + 3, h - 2));
    const float x1 = right ? w - 7 : 0;
    Context->DrawLine(tick, x1, 1.0, x1 + 7.0, 1.0);
    Context->DrawLine(tick, x1, h - 2.0, x1 + 7.0, h - 2.0);
}

TKvColumnMoveTracker2::TKvColumnMoveTracker2(TKvColumnMoveRequest* Request)
    : TKvVantrelDragTracker(Request->GetHeaderCell()->GetGrid()), FRequest(Request), FCell(Request->GetHeaderCell()),
      FSourceFeedback(MakeOwned<TSourceFeedback>(nullptr, QStringLiteral("columnMoveTrackerSourceFeedback"))),
      FTargetFeedback(MakeOwned<TTargetFeedback>(nullptr, QStringLiteral("columnMoveTrackerSourceFeedback"))),
      FOrgPos(static_cast<int>(std::lround(FCell->BoundsByContainer().Left)))
{
    FSourceFeedback->FSource = FCell;
    FTargetFeedback->SetVisible(false);
}

TKvColumnMoveTracker2::~TKvColumnMoveTracker2()
{
    FGrid->RemoveFeedbackElement(FSourceFeedback.get());
    FGrid->RemoveFeedbackElement(FTargetFeedback.get());
}

bool TKvColumnMoveTracker2::DoStart(int X, int Y)
{
    FGrid->AddFeedbackElement(FSourceFeedback.get());
    FGrid->AddFeedbackElement(FTargetFeedback.get());
    FSourceFeedback->SetBounds(FCell->BoundsByContainer());
    return true;
}

TKvGridIndexedCellElement* TKvColumnMoveTracker2::FindTarget(int X, int Y) const
{
    TKvGridColumn* pressed = FCell->GetColumn();
    const TPointF point{static_cast<float>(X), static_cast<float>(Y)};
    // Inside the group cell of the pressed column's group (for a pressed group's caption,
    // its own group cell is skipped), else in the header.
    TKvGridColumnGroup* group = pressed ? pressed->GetGroup() : nullptr;
    if (group) {
        for (TKvSprite* s = FCell->GetParent(); s; s = s->GetParent())
            if (auto* cell = dynamic_cast<TKvGridGroupCellElement*>(s); cell && cell->GetColumn() == group) {
                const TPointF p = cell->ContainerToSprite(point);
                return cell->GetCellAt(p.X, p.Y, false);
            }
        return nullptr;
    }
    for (TKvGridHeaderElement* header : {FGrid->GetHeaderView(), FGrid->GetFixedHeaderView()}) {
        if (!header || !header->GetVisible())
            continue;
        const TPointF p = header->ContainerToSprite(point);
        if (p.X < 0 || p.Y < 0 || p.X >= header->GetWidth() || p.Y >= header->GetHeight())
            continue;
        TKvGridIndexedCellElement* cell = header->GetCellAt(p.X, p.Y);
        // A column group's caption stands for its group.
        if (cell && cell->GetParent())
            if (auto* owner = dynamic_cast<TKvGridHeaderGroupCellElement*>(cell->GetParent());
                owner && owner->GetCaptionCell() == cell)
                return owner;
        return cell;
    }
    return nullptr;
}

bool TKvColumnMoveTracker2::DoDrag(int X, int Y)
{
    if (InPanelRange(Y))
        return false;
    FSourceFeedback->SetLeft(static_cast<float>(FOrgPos + X - FStartPos.X));
    FSourceFeedback->Invalidate();
    TKvGridIndexedCellElement* cell = FindTarget(X, Y);
    TKvGridColumn* pressed = FCell->GetColumn();
    if (cell && cell != FCell && ParentGroupOf(cell->GetColumn()) != ParentGroupOf(pressed))
        return true;
    SetTarget(cell);
    return true;
}

void TKvColumnMoveTracker2::SetTarget(TKvGridIndexedCellElement* Value)
{
    if (Value == FTarget)
        return;
    FTargetFeedback->Invalidate();
    FTarget = Value;
    if (FTarget) {
        FTargetFeedback->FSource = FCell;
        FTargetFeedback->FTarget = FTarget;
        FTargetFeedback->SetBounds(FTarget->BoundsByContainer());
        FTargetFeedback->SetVisible(true);
    } else {
        FTargetFeedback->FTarget = nullptr;
        FTargetFeedback->SetVisible(false);
    }
    FTargetFeedback->Invalidate();
}

IntfPtr<IKvGridEditRequest> TKvColumnMoveTracker2::GetNextRequest(int X, int Y)
{
    if (dynamic_cast<TKvGridDataColumn*>(FCell->GetColumn()) && FGrid->GetGroupingOptions()->GetEnabled() &&
        InPanelRange(Y))
        return IntfPtr<IKvGridEditRequest>(new TKvRowGroupingRequest(FCell));
    return nullptr;
}

void TKvColumnMoveTracker2::DoCompleted(int X, int Y)
{
    if (!FTarget)
        return;
    TKvGridColumn* pressed = FCell->GetColumn();
    TKvGridColumn* target = FTarget->GetColumn();
    if (!pressed || !target || pressed == target || ParentGroupOf(pressed) != ParentGroupOf(target))
        return;
    // Collection indices: hidden columns in between count too.
    FGrid->SetColumnIndex(pressed->GetGroup(), pressed->GetIndex(), target->GetIndex());
}

void TKvColumnMoveTracker2::DoEnded()
{
    FGrid->RemoveFeedbackElement(FSourceFeedback.get());
    FGrid->RemoveFeedbackElement(FTargetFeedback.get());
}

// ---- chips and row grouping ------------------------------------------------------------------

void TColumnView::SetAcceptable(bool Value)
{
    if (Value == FAcceptable)
        return;
    FAcceptable = Value;
    Invalidate();
}

TSize TColumnView::Measure()
{
    TKvGridView* grid = FIndex.Grid;
    if (!FRenderer || !grid)
        return TSize{0, 0};
    return FRenderer->Measure(grid->GetHeader()->GetCell(FIndex), 10000, 0);
}

void TColumnView::DoDraw(TKvDrawingContext* Context)
{
    const float w = GetWidth();
    const float h = GetHeight();
    Context->DrawRect(TKvFill::White(), nullptr, TRectF(0, 0, w, h));
    if (FRenderer && FIndex.Grid && FIndex.Column)
        FRenderer->Render(FIndex.Grid->GetHeader()->GetCell(FIndex), Context, TRectF(1, 1, w - 1, h - 1));
    Context->DrawRect(nullptr, TKvStroke::Gray(), TRectF(0, 0, w - 1, h - 1));
    if (!FAcceptable) {
        const bool old = Context->GetSmoothing();
        Context->SetSmoothing(true);
        TKvStroke* cross = TKvSolidPen::Temp(0x88000000u, 3, DashStyleSolid);
        Context->DrawLine(cross, 1.0, 2.0, w - 1.0, h - 2.0);
        Context->DrawLine(cross, 1.0, h - 2.0, w - 1.0, 2.0);
        Context->SetSmoothing(old);
    }
}

namespace {

// The chip follows the mouse, a little left of and above it.
TRectF ChipBounds(int x, int y) { return TRectF::Bounds(float(x - 10), float(y - 4), 100, 20); }

void MoveChip(TKvSprite* chip, int x, int y)
{
    chip->Invalidate();
    chip->SetBounds(ChipBounds(x, y));
    chip->Invalidate();
}

TColumnView* NewChip(TKvGridView* grid, const TKvGridCellIndex& index, TPoint at)
{
    auto* chip = Create<TColumnView>(nullptr, QStringLiteral("columnView"));
    TKvGridDelegate* delegate = grid->GetGridDelegate();
    chip->SetRenderer(delegate ? delegate->GetHeaderCellRenderer() : nullptr);
    chip->SetIndex(index);
    chip->SetBounds(ChipBounds(at.X, at.Y));
    return chip;
}

} // namespace

TKvRowGroupingTracker::TKvRowGroupingTracker(TKvRowGroupingRequest* Request)
    : TKvVantrelDragTracker(Request ? Request->GetCell()->GetGrid() : nullptr),
      FRequest(Request)
{
    if (!Request)
        throw EArgumentNilException(QStringLiteral("request"));
}

TKvRowGroupingTracker::~TKvRowGroupingTracker()
{
    // Freed without Stop (the tool went inactive): the panel is normal again.
    if (FStarted)
        if (TKvGridPanelElement* panel = GetPanelView())
            panel->SetState(PanelNormal);
}

TKvSprite* TKvRowGroupingTracker::GetFeedback()
{
    if (!FColumnView) {
        auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(FRequest->GetCell());
        FColumnView = NewChip(FGrid, cell ? cell->GetIndex() : TKvGridCellIndex(), FStartPos);
        FColumnView->SetAcceptable(InPanel(FStartPos.X, FStartPos.Y) && !FGrid->IsGroupedColumn(FRequest->GetColumn()));
    }
    return FColumnView;
}

bool TKvRowGroupingTracker::InPanel(int X, int Y) const
{
    if (!InPanelRange(Y))
        return false;
    const TRect panel = FGrid->GetLayoutManager()->PanelBounds();
    return X >= panel.Left && X < panel.Right;
}

bool TKvRowGroupingTracker::CanAccept(int X, int Y) { return InPanel(X, Y); }

bool TKvRowGroupingTracker::DoStart(int X, int Y)
{
    if (!FRequest->GetColumn() || !GetPanelView())
        return false;
    GetPanelView()->SetState(PanelGrouping);
    FStarted = true;
    FGrid->SetCursor(crDrag);
    return true;
}

bool TKvRowGroupingTracker::DoDrag(int X, int Y)
{
    const bool inside = InPanel(X, Y);
    if (FColumnView)
        FColumnView->SetAcceptable(inside && !FGrid->IsGroupedColumn(FRequest->GetColumn()));
    FGrid->SetCursor(inside ? crDrag : crNo);
    return true;
}

void TKvRowGroupingTracker::DoMoveFeedback(TKvSprite* Feedback, int X, int Y) { MoveChip(Feedback, X, Y); }

void TKvRowGroupingTracker::DoCompleted(int X, int Y)
{
    TKvVantrel* grid = GetVantrel();
    TKvGridDataColumn* column = FRequest->GetColumn();
    if (!grid || !column || grid->IsGrouped(column))
        return;
    TCursorScope hourglass(grid, crHourGlass);
    grid->AddGroupBy(GetPanelView()->GetGroupingIndex(), column);
}

void TKvRowGroupingTracker::DoEnded()
{
    if (TKvGridPanelElement* panel = GetPanelView())
        panel->SetState(PanelNormal);
    FStarted = false;
    FGrid->SetCursor(crDefault);
}

// ---- panel cells -----------------------------------------------------------------------------

namespace {

TKvPanelCellRequest* PanelCellRequest(IKvGridEditRequest* request)
{
    auto* r = dynamic_cast<TKvPanelCellRequest*>(request);
    if (!r)
        throw EArgumentException(QStringLiteral("request is not TKvPanelCellRequest"));
    return r;
}

TKvColumnMoveRequest* ColumnMoveRequest(IKvGridEditRequest* request)
{
    auto* r = dynamic_cast<TKvColumnMoveRequest*>(request);
    if (!r || !r->GetHeaderCell())
        throw EArgumentException(QStringLiteral("request is not TKvColumnMoveRquest"));
    return r;
}

} // namespace

TKvPanelCellTracker::TKvPanelCellTracker(IKvGridEditRequest* Request)
    : TKvVantrelDragTracker(PanelCellRequest(Request)->GetCell()->GetGrid()), FRequest(PanelCellRequest(Request))
{
}

TKvSprite* TKvPanelCellTracker::GetFeedback()
{
    if (!FColumnView)
        FColumnView = NewChip(FGrid, TKvGridCellIndex(FGrid, -1, FRequest->GetColumn()), FStartPos);
    return FColumnView;
}

void TKvPanelCellTracker::DoMoveFeedback(TKvSprite* Feedback, int X, int Y) { MoveChip(Feedback, X, Y); }

void TKvPanelCellTracker::DoCompleted(int X, int Y)
{
    TKvVantrel* grid = GetVantrel();
    if (!grid || Y < grid->GetLayoutManager()->PanelBounds().Bottom)
        return;
    grid->RemoveGroupBy(FRequest->GetColumn());
}

// ---- the older column move -------------------------------------------------------------------

TKvColumnMoveTracker::TKvColumnMoveTracker(IKvGridEditRequest* Request)
    : TKvVantrelDragTracker(ColumnMoveRequest(Request)->GetHeaderCell()->GetGrid()), FRequest(ColumnMoveRequest(Request)),
      FCell(FRequest->GetHeaderCell())
{
}

bool TKvColumnMoveTracker::AbovePressedCell(int Y) const
{
    return FGrid->GetPanel()->GetVisible() && Y < FCell->BoundsByContainer().Top;
}

bool TKvColumnMoveTracker::DoStart(int X, int Y)
{
    FOrgPos = TPointF{FCell->GetLeft(), FCell->GetTop()};
    FSiblings.clear();
    if (TKvSpriteElement* parent = FCell->GetParent()) {
        for (int i = 0; i < parent->GetChildCount(); ++i)
            if (auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(parent->GetChild(i));
                cell && cell != FCell && cell->GetVisible() && cell->GetColumn())
                FSiblings.emplace_back(cell, cell->GetLeft());
        parent->BringToFront(FCell);
    }
    FTargetIndex = -1;
    return true;
}

bool TKvColumnMoveTracker::DoDrag(int X, int Y)
{
    if (AbovePressedCell(Y))
        return false;
    const float left = FOrgPos.X + static_cast<float>(X - FStartPos.X);
    FCell->SetLeft(left);
    const float width = FCell->GetWidth();
    const float centre = left + width / 2;
    TKvGridColumn* pressed = FCell->GetColumn();
    FTargetIndex = -1;
    for (auto& [cell, orgLeft] : FSiblings) {
        TKvGridColumn* column = cell->GetColumn();
        const float middle = orgLeft + cell->GetWidth() / 2;
        float place = orgLeft;
        if (orgLeft > FOrgPos.X && centre > middle) {
            place = orgLeft - width;
            FTargetIndex = std::max(FTargetIndex, column->GetIndex());
        } else if (orgLeft < FOrgPos.X && centre < middle) {
            place = orgLeft + width;
            if (FTargetIndex < 0 || column->GetIndex() < FTargetIndex)
                FTargetIndex = column->GetIndex();
        }
        cell->SetLeft(place);
    }
    if (FTargetIndex == pressed->GetIndex())
        FTargetIndex = -1;
    FGrid->Invalidate();
    return true;
}

IntfPtr<IKvGridEditRequest> TKvColumnMoveTracker::GetNextRequest(int X, int Y)
{
    if (AbovePressedCell(Y))
        return IntfPtr<IKvGridEditRequest>(new TKvRowGroupingRequest(FCell));
    return nullptr;
}

void TKvColumnMoveTracker::DoCompleted(int X, int Y)
{
    if (FTargetIndex >= 0)
        FGrid->MoveColumn(FCell->GetColumn()->GetIndex(), FTargetIndex);
}

void TKvColumnMoveTracker::DoEnded()
{
    FCell->SetLeft(FOrgPos.X);
    for (auto& [cell, orgLeft] : FSiblings)
        cell->SetLeft(orgLeft);
    FSiblings.clear();
    FGrid->RefreshView(true);
}

// ---- the tool --------------------------------------------------------------------------------

IntfPtr<IKvGridEditRequest> TKvVantrelSelectionTool::GetEditRequest(TKvGridCellElement* Cell, TShiftState Shift, int X,
                                                                    int Y, bool Probe)
{
    IntfPtr<IKvGridEditRequest> request = TKvGridSelectionTool::GetEditRequest(Cell, Shift, X, Y, Probe);
    if (request || !Cell)
        return request;
    TKvGridView* grid = FOwner;
    if (!Probe)
        if (auto* header = dynamic_cast<TKvGridHeaderCellElement*>(Cell))
            if (grid->GetDisplayOptions()->GetColumnMovable() && header->GetColumn() &&
                header->GetColumn()->GetMovable())
                return IntfPtr<IKvGridEditRequest>(new TKvColumnMoveRequest(Cell));
    // Also while hovering, so that a chip shows the hand-point cursor.
    if (grid->GetPanel()->GetVisible() && grid->GetLayoutManager() &&
        Y < grid->GetLayoutManager()->PanelBounds().Bottom)
        if (auto* column = dynamic_cast<TKvGridDataColumn*>(Cell->AdapterAs<TKvGridColumn>());
            column && column->GetDataIndex() >= 0)
            return IntfPtr<IKvGridEditRequest>(new TKvPanelCellRequest(Cell));
    return nullptr;
}

std::unique_ptr<TKvGridDragTracker> TKvVantrelSelectionTool::MakeDragTracker(IKvGridEditRequest* Request)
{
    if (auto* move = dynamic_cast<TKvColumnMoveRequest*>(Request)) {
        if (FOwner->GetVisibleColumnCount() > 1)
            return std::make_unique<TKvColumnMoveTracker2>(move);
    } else if (auto* grouping = dynamic_cast<TKvRowGroupingRequest*>(Request)) {
        return std::make_unique<TKvRowGroupingTracker>(grouping);
    } else if (dynamic_cast<TKvPanelCellRequest*>(Request)) {
        return std::make_unique<TKvPanelCellTracker>(Request);
    }
    return TKvGridSelectionTool::MakeDragTracker(Request);
}

void TKvVantrelSelectionTool::CancelDrag()
{
    if (!FDragTracker)
        return;
    const TPoint p = GridCursorPos(FOwner);
    StopDrag(p.X, p.Y, false);
}

void TKvVantrelSelectionTool::DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && !FDragTracker)
        if (TKvSprite* sprite = FOwner->FindElementAt(X, Y))
            if (auto* filter = dynamic_cast<TKvGridHeaderFilterHandle*>(sprite); filter && filter->GetVisible()) {
                HideHint();
                CellHandleClicked(filter);
                return;
            }
    TKvGridSelectionTool::DoMouseDown(Button, Shift, X, Y);
}

bool TKvVantrelSelectionTool::CommitPending()
{
    TKvGridView* grid = FOwner;
    // The cell edit ends with its value written: the rows may move, and an editor left open
    // would show its text over whichever row comes under it.
    if (grid->GetEditing())
        grid->CommitEditor(true);
    if (grid->GetEditing())
        return false;
    grid->Commit();
    return !grid->GetEditing() && !grid->IsItemEditing(-1);
}

void TKvVantrelSelectionTool::SortColumn(TKvGridColumn* Column)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    if (!data || !data->GetSortable())
        return;
    TKvGridView* grid = FOwner;
    const int left = grid->GetLeftPos();
    grid->SortColumn(data);
    grid->SetLeftPos(left);
}

void TKvVantrelSelectionTool::ColumnHeaderClicked(TKvGridColumn* Column)
{
    // A pending row edit is written to its own row before the rows move.
    if (CommitPending())
        SortColumn(Column);
}

void TKvVantrelSelectionTool::CellHandleClicked(TKvGridCellHandle* Handle)
{
    TKvGridView* grid = FOwner;
    const bool committed = CommitPending();
    if (auto* sort = dynamic_cast<TKvGridHeaderSortHandle*>(Handle)) {
        if (auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(sort->GetCell()); cell && committed)
            SortColumn(cell->GetColumn());
    } else if (auto* filter = dynamic_cast<TKvGridHeaderFilterHandle*>(Handle)) {
        if (TKvGridDelegate* delegate = grid->GetGridDelegate())
            delegate->ShowFilterSelector(filter);
    } else if (dynamic_cast<TKvGridRowGroupExpandHandle*>(Handle)) {
        int index = -1;
        if (auto* expander = dynamic_cast<TKvGridRowGroupIndicatorExpander*>(Handle->GetCell()))
            index = expander->GetIndex();
        else if (auto* cell = dynamic_cast<TKvGridItemCellElement*>(Handle->GetCell()))
            index = cell->GetIndex();
        TKvGridItem* item = index >= 0 && index < grid->GetItemCount() ? grid->GetItem(index) : nullptr;
        TKvGridGroupItem* group = dynamic_cast<TKvGridGroupItem*>(item);
        if (!group && item)
            group = item->GetParent();
        if (group)
            group->SetExpanded(!group->GetExpanded());
    }
}

void TKvVantrelSelectionTool::CellClicked(const TKvGridCellIndex& Index)
{
    if (TraceEnabled())
        trace(QStringLiteral(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>> Cell clicked: ") + Index.ToString());
    TKvGridSelectionTool::CellClicked(Index);
}

void TKvVantrelSelectionTool::CellDblClicked(const TKvGridCellIndex& Index)
{
    if (TraceEnabled())
        trace(QStringLiteral(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>> Cell dblClicked: ") + Index.ToString());
    TKvGridSelectionTool::CellDblClicked(Index);
}

void TKvVantrelSelectionTool::GridObjectFooterClicked(TKvGridVisualObject* Object)
{
    if (TraceEnabled() && Object)
        trace(QStringLiteral(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>> Visual Object Footer clicked: ") + Object->ClassName());
}

} // namespace kv
