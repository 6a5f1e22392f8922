// The tool base and the mouse half of the selection tool.
//
// Sections: seams; tool base; feedback sprites; selection tool life; edit requests; press,
// move, release and double click; drags; hovering and focus feedback; design state.
//
// Call flow: DoMouseDown hit-tests the press, asks GetEditRequest, clears the selection as
// the mode says, moves the focus and starts the request's tracker; DoMouseMove hovers or
// feeds the tracker; DoMouseUp stops it (accepted when the tracker agrees) or reports the
// click. The selection listener ends a drag whose selection item went away.
#include "grid/KvGrids.Tool.h"

#include <QtCore/QScopeGuard>
#include "platform/ui/Popups.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.Hints.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Selection.h"
#include "grid/KvGrids.View.h"
#include "graphics/KvGrids.Common.Drawing.h"
#include "model/KvGrids.Common.h"
#include "model/KvGrids.Model.Default.h"
#include "platform/ui/Services.h"
#include "platform/ui/Timers.h"

#include <cstdlib>

namespace kv {

// ---- seams -------------------------------------------------------------------------------

namespace {

class TPlatformGridTimer : public TKvGridTimer
{
public:
    void Start(unsigned IntervalMs, std::function<void()> Tick) override
    {
        FTimer.reset(Create<TTimer>(nullptr));
        FTimer->SetInterval(IntervalMs);
        FTimer->OnTimer = [tick = std::move(Tick)](TObject*) { tick(); };
        FTimer->SetEnabled(true);
    }
    void Stop() override { FTimer.reset(); }

private:
    TOwned<TTimer> FTimer;
};

} // namespace

std::function<TPoint()> TKvGridInput::CursorPos = [] { return GetCursorPos(); };
std::function<std::unique_ptr<TKvGridTimer>()> TKvGridInput::NewTimer = [] {
    return std::unique_ptr<TKvGridTimer>(new TPlatformGridTimer());
};
std::function<std::intptr_t()> TKvGridInput::MessageExtraInfo = [] { return GetMessageExtraInfo(); };

void TKvGridInput::Reset()
{
    CursorPos = [] { return GetCursorPos(); };
    NewTimer = [] { return std::unique_ptr<TKvGridTimer>(new TPlatformGridTimer()); };
    MessageExtraInfo = [] { return GetMessageExtraInfo(); };
}

TPoint GridCursorPos(TKvGridView* Grid)
{
    const TPoint screen = TKvGridInput::CursorPos();
    const TPoint origin = Grid->ClientToScreen(TPoint{0, 0});
    return TPoint{screen.X - origin.X, screen.Y - origin.Y};
}

// ---- tool base -----------------------------------------------------------------------------

void TKvAbstractGridTool::Activate()
{
    if (FActive)
        return;
    DoActivate();
    FActive = true;
}

void TKvAbstractGridTool::Deactivate()
{
    if (!FActive)
        return;
    DoDeactivate();
    FActive = false;
}

void TKvAbstractGridTool::GridLayoutChanged()
{
    DoGridLayoutChanged();
    ResetFocusedView();
    ResetHoverView();
}

// Hovering follows local data only: a remote source would fetch on every move.
bool TKvAbstractGridTool::GetHovering() const
{
    if (FOwner->IsDesignTime() || !FHovering)
        return false;
    TKvGridItemProvider* provider = FOwner->GetItemProvider();
    if (!provider || !provider->GetDataSource())
        return true;
    return provider->GetDataSource()->IsLocal();
}

void TKvAbstractGridTool::SetHovering(bool Value)
{
    if (Value == FHovering)
        return;
    FHovering = Value;
    HoveringChanged();
}

bool TKvAbstractGridTool::AddFeedback(TKvSprite* Sprite) { return FOwner->AddFeedbackElement(Sprite); }
bool TKvAbstractGridTool::RemoveFeedback(TKvSprite* Sprite) { return FOwner->RemoveFeedbackElement(Sprite); }
bool TKvAbstractGridTool::ContainsFeedback(TKvSprite* Sprite) const { return FOwner->ContainsFeedbackElement(Sprite); }
bool TKvAbstractGridTool::AddSelectionView(TKvSprite* Sprite) { return FOwner->AddSelectionElement(Sprite); }
bool TKvAbstractGridTool::RemoveSelectionView(TKvSprite* Sprite) { return FOwner->RemoveSelectionElement(Sprite); }
bool TKvAbstractGridTool::AddFocusView(TKvSprite* Sprite) { return FOwner->AddFocusElement(Sprite); }
bool TKvAbstractGridTool::RemoveFocusView(TKvSprite* Sprite) { return FOwner->RemoveFocusElement(Sprite); }
void TKvAbstractGridTool::SetGridLayoutLock(bool Value) { FOwner->SetLayoutLock(Value); }

void TKvAbstractGridTool::SetMouseEntered(TKvGridCellElement* Cell, bool Value)
{
    if (Cell)
        Cell->SetMouseEntered(Value);
}

void TKvAbstractGridTool::SetPushed(TKvGridCellElement* Cell, bool Value)
{
    if (Cell)
        Cell->SetPushed(Value);
}

void TKvAbstractGridTool::OwnerCellClicked(const TKvGridCellIndex& Index)
{
    if (FOwner->OnCellClick)
        FOwner->OnCellClick(FOwner, Index);
}

void TKvAbstractGridTool::OwnerCellDblClicked(const TKvGridCellIndex& Index)
{
    if (FOwner->OnCellDblClick)
        FOwner->OnCellDblClick(FOwner, Index);
}

void TKvAbstractGridTool::OwnerCheckedCellClicked(int Index) { FOwner->DoCheckedCellClicked(Index); }

void TKvAbstractGridTool::OwnerCellButtonClicked(const TKvGridCellIndex& Index) { FOwner->CellButtonClicked(Index); }

void TKvAbstractGridTool::OwnerSetFocused(const TKvGridCellIndex& Index, bool Select, bool NoCancel)
{
    FOwner->SetNoCancel(NoCancel);
    FOwner->SetFocusedIndex(Index, Select);
    FOwner->FCheckScrolling = true;
    FOwner->MakeCellVisible(Index);
}

TSize TKvAbstractGridTool::GetEditorSize() const { return FOwner->GetEditorSize(); }

void TKvAbstractGridTool::ShowHint(int X, int Y, const QString& Text, const TObject* Source)
{
    if (FOwner->GetHintManager())
        FOwner->GetHintManager()->ShowBesidePointer(X, Y, Text, Source);
}

void TKvAbstractGridTool::HideHint()
{
    if (FOwner->GetHintManager())
        FOwner->GetHintManager()->Hide();
}

void TKvAbstractGridTool::ScrollWindow(int Delta) { FOwner->ScrollWindow(Delta); }

TKvGridCellElement* TKvAbstractGridTool::GetCellView(TKvGridObject* Area, const TKvGridCellIndex& Index) const
{
    return FOwner->GetCellView(Area, Index);
}

// ---- feedback sprites ------------------------------------------------------------------------

namespace {

bool IsFixedColumn(TKvGridView* grid, TKvGridColumn* column)
{
    TKvAbstractGridLayoutManager* layout = grid->GetLayoutManager();
    if (!column || !layout)
        return false;
    for (int i = 0, n = layout->FixedColCount(); i < n; ++i)
        if (layout->GetColumn(i) == column->GetRoot())
            return true;
    return false;
}

// Clips to the body (scrolling cells) or to the whole cell area (fixed cells), in the
// sprite's own coordinates.
void ClipFeedback(TKvDrawingContext* context, TKvGridView* grid, TKvSprite* sprite, bool bodyOnly)
{
    TKvAbstractGridLayoutManager* layout = grid->GetLayoutManager();
    if (!layout)
        return;
    const TRect b = bodyOnly ? layout->BodyBounds() : layout->GridBounds();
    const TRectF r = sprite->ContainerToSprite(TRectF(b.Left, b.Top, b.Right, b.Bottom));
    context->SetClip(double(r.Left), double(r.Top), double(r.Width()), double(r.Height()));
}

} // namespace

class TKvGridSelectionTool::THoverFeedback : public TKvLayerElement
{
public:
    THoverFeedback(TKvGridView* grid) : TKvLayerElement(grid, QStringLiteral("hoverFeedback")), FGrid(grid)
    {
        SetSmoothing(SmoothingTrue);
    }
    bool FFixed = false;

protected:
    void DoDraw(TKvDrawingContext* context) override
    {
        TKvGridHoveringOptions* options = FGrid->GetHoveringOptions();
        if (!options || !options->GetMaskVisible())
            return;
        const TKvDrawingState state(context);
        ClipFeedback(context, FGrid, this, !FFixed);
        context->DrawRect(options->GetFill(), options->GetStroke(), 0.0, 0.0, GetWidth() - 1.0, GetHeight() - 1.0);
    }

private:
    TKvGridView* FGrid;
};

class TKvGridSelectionTool::TFocusedView : public TKvLayerElement
{
public:
    TFocusedView(TKvGridView* grid) : TKvLayerElement(grid, QStringLiteral("focusedView")), FGrid(grid)
    {
        SetSmoothing(SmoothingFalse);
    }
    bool FFixed = false;
    bool FOverflow = false;

protected:
    void DoDraw(TKvDrawingContext* context) override
    {
        TKvGridFocusOptions* options = FGrid->GetFocusOptions();
        if (!options)
            return;
        const TKvDrawingState state(context);
        if (!FOverflow)
            ClipFeedback(context, FGrid, this, !FFixed);
        context->DrawRect(nullptr, options->GetStroke(), 0.0, 0.0, GetWidth() - 1.0, GetHeight() - 1.0);
    }

private:
    TKvGridView* FGrid;
};

class TKvGridSelectionTool::TFocusedMask : public TKvLayerElement
{
public:
    TFocusedMask(TKvGridView* grid, const QString& name)
        : TKvLayerElement(grid, name), FFill(TKvFill::CreateSolid(TKvColor(0x1F000000u)))
    {
    }

protected:
    void DoDraw(TKvDrawingContext* context) override
    {
        context->DrawRect(FFill.get(), nullptr, 0.0, 0.0, double(GetWidth()), double(GetHeight()));
    }

private:
    std::unique_ptr<TKvFill> FFill;
};

// The selection manager's notices reach the tool's hooks; a drag whose item went away ends.
class TKvGridSelectionTool::TSelectionListener : public TKvGridSelectionChangeListener
{
public:
    explicit TSelectionListener(TKvGridSelectionTool* tool) : FTool(tool) {}
    void ItemAdded(TKvGridSelectionManager*, TKvGridSelectionItem* item) override { FTool->DoSelectionItemAdded(item); }
    void ItemRemoved(TKvGridSelectionManager*, TKvGridSelectionItem* item) override
    {
        if (FTool->FDragTracker)
            FTool->FDragTracker->ItemGone(item);
        FTool->DoSelectionItemRemoved(item);
    }
    void ItemChanged(TKvGridSelectionManager*, TKvGridSelectionItem* item) override
    {
        FTool->DoSelectionItemChanged(item);
    }
    void Cleared(TKvGridSelectionManager*) override
    {
        if (FTool->FDragTracker)
            FTool->FDragTracker->ItemGone(nullptr);
        FTool->DoSelectionCleared();
    }

private:
    TKvGridSelectionTool* FTool;
};

// ---- selection tool life ---------------------------------------------------------------------

TKvGridSelectionTool::TKvGridSelectionTool(TKvGridView* Owner) : TKvAbstractGridTool(Owner) {}

TKvGridSelectionTool::~TKvGridSelectionTool() = default;

void TKvGridSelectionTool::AfterConstruction()
{
    TKvAbstractGridTool::AfterConstruction();
    FSelectionListener = std::make_unique<TSelectionListener>(this);
    FHoverFeedback = Create<THoverFeedback>(FOwner);
    FFocusedView = Create<TFocusedView>(FOwner);
    FColumnHeaderMask = Create<TFocusedMask>(FOwner, QStringLiteral("columnHeaderMask"));
    FColumnFooterMask = Create<TFocusedMask>(FOwner, QStringLiteral("columnFooterMask"));
    FRowHeaderMask = Create<TFocusedMask>(FOwner, QStringLiteral("rowHeaderMask"));
    for (TKvSprite* s : {FFocusedView, FColumnHeaderMask, FColumnFooterMask, FRowHeaderMask})
        s->SetVisible(false);
}

void TKvGridSelectionTool::BeforeDestruction()
{
    FDragTracker.reset();
    FDragRequest = nullptr;
    for (TKvSprite** s : {&FHoverFeedback, &FFocusedView, &FColumnHeaderMask, &FColumnFooterMask, &FRowHeaderMask})
        if (TKvSprite* sprite = std::exchange(*s, nullptr))
            sprite->Free();
    TKvAbstractGridTool::BeforeDestruction();
}

void TKvGridSelectionTool::DoActivate()
{
    if (FOwner->GetSelections())
        FOwner->GetSelections()->AddChangeListener(FSelectionListener.get());
    AddFocusView(FColumnHeaderMask);
    AddFocusView(FColumnFooterMask);
    AddFocusView(FRowHeaderMask);
    AddFocusView(FFocusedView);
}

void TKvGridSelectionTool::DoDeactivate()
{
    FDragTracker.reset();
    FDragRequest = nullptr;
    RemoveFeedback(FHoverFeedback);
    RemoveFocusView(FFocusedView);
    RemoveFocusView(FRowHeaderMask);
    RemoveFocusView(FColumnFooterMask);
    RemoveFocusView(FColumnHeaderMask);
    if (FOwner->GetSelections())
        FOwner->GetSelections()->RemoveChangeListener(FSelectionListener.get());
    // The views pointed to belong to the grid's delegate, which may be going.
    FHoveredCell = nullptr;
    FHoveredButtonCell = nullptr;
    FClickCell = nullptr;
    FClickElement = nullptr;
    FClickGroup = nullptr;
    FClickHandle = nullptr;
}

void TKvGridSelectionTool::DoGridLayoutChanged() { LockHover(); }

void TKvGridSelectionTool::ViewsDropping()
{
    // A drag or resize ends unaccepted while its column is still whole.
    if (FDragTracker)
        StopDrag(FClickPos.X, FClickPos.Y, false);
    FClickRequest = nullptr;
    HideHint();
    SetHoveredButtonCell(nullptr);
    SetHoveredCell(nullptr);
    FClickCell = nullptr;
    FClickElement = nullptr;
    FClickGroup = nullptr;
    FClickHandle = nullptr;
}

void TKvGridSelectionTool::LockHover()
{
    FHoverLock = true;
    FHoverLockPos = TKvGridInput::CursorPos();
}

void TKvGridSelectionTool::GridObjectHeaderClicked(TKvGridVisualObject* Object)
{
    if (auto* bar = dynamic_cast<TKvGridCheckBar*>(Object))
        bar->CheckAll(!bar->GetAllChecked());
}

// ---- edit requests ---------------------------------------------------------------------------

namespace {

TKvGridDataCellRenderer* DataRenderer(TKvGridView* grid, const TKvGridCellIndex& index)
{
    TKvGridDelegate* d = grid->GetGridDelegate();
    return d ? dynamic_cast<TKvGridDataCellRenderer*>(d->GetCellRenderer(index)) : nullptr;
}

TPoint CellPoint(TKvSprite* cell, int x, int y)
{
    const TPointF p = cell->ContainerToSprite(TPointF{float(x), float(y)});
    return TPoint{int(std::floor(p.X)), int(std::floor(p.Y))};
}

// The item a row-resize probe looks at: bar cells by their index, data cells by their item.
int ItemUnder(TKvGridCellElement* cell)
{
    if (auto* bar = dynamic_cast<TKvGridItemCellElement*>(cell))
        return bar->GetIndex();
    if (auto* data = dynamic_cast<TKvGridDataCellElement*>(cell))
        return data->GetIndex().ItemIndex;
    return -1;
}

} // namespace

IntfPtr<IKvGridEditRequest> TKvGridSelectionTool::GetEditRequest(TKvGridCellElement* Cell, TShiftState Shift, int X,
                                                                 int Y, bool Probe)
{
    TKvGridView* grid = FOwner;
    TKvAbstractGridLayoutManager* layout = grid->GetLayoutManager();
    TKvGridDisplayOptions* display = grid->GetDisplayOptions();
    const bool design = grid->IsDesignTime();
    const TKvGridSelectionMode mode = grid->GetSelectOptions()->GetMode();

    // Resize bands left of the columns.
    if (layout && grid->GetLayouted()) {
        int w = layout->IndicatorBounds().Width();
        if (w <= 0)
            w = layout->StatesBarBounds().Width();
        if (w <= 0)
            w = layout->CheckBarBounds().Width();
        if (w <= 0 && (layout->FixedColCount() > 0 || grid->GetColumnCount() > 0))
            w = 20;
        if (w > 0 && X < w) {
            const TRect header = layout->HeaderBounds();
            if (display->GetHeaderResizable() && !header.IsEmpty() && Y >= header.Bottom - 3 && Y <= header.Bottom)
                return IntfPtr<IKvGridEditRequest>(new TKvHeaderResizeRequest());
            const TRect footer = layout->FooterBounds();
            if (display->GetFooterResizable() && !footer.IsEmpty() && Y >= footer.Top && Y <= footer.Top + 2)
                return IntfPtr<IKvGridEditRequest>(new TKvFooterResizeRequest());
            const int under = ItemUnder(Cell);
            if (display->GetRowResizable() && under >= 0) {
                // Only the first data row offers the band: fixed rows first, else visible rows.
                auto band = [&](int item, int position, int above, int below) -> IntfPtr<IKvGridEditRequest> {
                    if (item != under)
                        return nullptr;
                    const TRect r = layout->ItemRect(position);
                    if (Y >= r.Bottom - above && Y <= r.Bottom + below)
                        return IntfPtr<IKvGridEditRequest>(new TKvRowResizeRequest(item));
                    return nullptr;
                };
                const int fixed = layout->FixedItemCount();
                for (int i = 0; i < fixed; ++i)
                    if (dynamic_cast<TKvGridRow*>(grid->GetItem(i))) {
                        if (auto r = band(i, i, 3, 1))
                            return r;
                        goto noRowBand;
                    }
                for (int k = 0, top = grid->GetTopItem(); k < layout->ItemCount(); ++k)
                    if (dynamic_cast<TKvGridRow*>(grid->GetItem(top + k))) {
                        if (auto r = band(top + k, fixed + k, 2, 2))
                            return r;
                        break;
                    }
            noRowBand:;
            }
        }
    }
    if (!Cell)
        return nullptr;
    const TPoint p = CellPoint(Cell, X, Y);

    if (auto* header = dynamic_cast<TKvGridHeaderCellElement*>(Cell)) {
        if (!design && (Shift.Contains(ssShift) || Shift.Contains(ssCtrl)) && mode != SelectNone)
            return IntfPtr<IKvGridEditRequest>(new TKvGridSelectRequest(header->GetIndex(), SelectColumns, Shift, nullptr));
        TKvGridColumn* column = header->GetColumn();
        const TKvGridFitStyle fit = display->GetFitStyle();
        const int n = grid->GetVisibleColumnCount();
        const bool last = n > 0 && column && column->GetRoot() == grid->GetVisibleColumn(n - 1) &&
                          TKvGridCellIndex(grid, -1, column).LastColumn().Column == column;
        const int width = int(std::lround(Cell->GetWidth()));
        if (display->GetColumnResizable() && column && column->GetResizable() &&
            ((fit != FitEven && fit != FitLastFill) || !last) && p.X >= width - 3 && p.X <= width + 1)
            return IntfPtr<IKvGridEditRequest>(new TKvColumnResizeRequest(Cell));
        return nullptr;
    }
    if (auto* indicator = dynamic_cast<TKvGridIndicatorCellElement*>(Cell)) {
        if (design || Probe || mode == SelectNone)
            return nullptr;
        return IntfPtr<IKvGridEditRequest>(
            new TKvGridSelectRequest(TKvGridCellIndex(grid, indicator->GetIndex(), nullptr), SelectRows, Shift, nullptr));
    }
    if (auto* data = dynamic_cast<TKvGridDataCellElement*>(Cell)) {
        if (data->PtInButton(p))
            return IntfPtr<IKvGridEditRequest>(new TKvCellButtonRequest(data));
        if (data->PtInEditorButton(p))
            return IntfPtr<IKvGridEditRequest>(new TKvEditButtonRequest(data));
        if (!grid->GetEditing())
            if (TKvGridDataCellRenderer* renderer = DataRenderer(grid, data->GetIndex()))
                if (renderer->IsClickable(TRectF(0, 0, data->GetWidth(), data->GetHeight()), p.X, p.Y, Shift))
                    return IntfPtr<IKvGridEditRequest>(new TKvCellEditRequest(data->GetIndex(), renderer->GetCursor()));
        if (!design && !Probe && mode != SelectNone)
            return IntfPtr<IKvGridEditRequest>(
                new TKvGridSelectRequest(data->GetIndex(), grid->GetSelectOptions()->GetStyle(), Shift, nullptr));
    }
    return nullptr;
}

std::unique_ptr<TKvGridDragTracker> TKvGridSelectionTool::MakeDragTracker(IKvGridEditRequest* Request)
{
    if (auto* r = dynamic_cast<TKvColumnResizeRequest*>(Request))
        return std::make_unique<TKvColumnResizeTracker>(FOwner, r);
    if (auto* r = dynamic_cast<TKvRowResizeRequest*>(Request))
        return std::make_unique<TKvRowResizeTracker>(FOwner, r);
    if (dynamic_cast<TKvHeaderResizeRequest*>(Request))
        return std::make_unique<TKvHeaderResizeTracker>(FOwner);
    if (dynamic_cast<TKvFooterResizeRequest*>(Request))
        return std::make_unique<TKvFooterResizeTracker>(FOwner);
    if (auto* r = dynamic_cast<TKvGridSelectRequest*>(Request)) {
        switch (r->GetSelectStyle()) {
        case SelectRows: return std::make_unique<TKvRowsSelectTracker>(r);
        case SelectColumns: return std::make_unique<TKvColumnsSelectTracker>(r);
        case SelectBlock: return std::make_unique<TKvRangeSelectTracker>(r);
        }
    }
    if (auto* r = dynamic_cast<TKvCellButtonRequest*>(Request))
        return std::make_unique<TKvCellButtonTracker>(r);
    return nullptr;
}

// A clickable renderer's click at the grid point (a check box toggles); shared by the range
// tracker's release and the release without selection.
void ClickDataCell(TKvGridView* grid, const TKvGridCellIndex& index, int x, int y)
{
    TKvGridDataCellRenderer* renderer = DataRenderer(grid, index);
    TKvGridCellElement* cell = grid->GetCellView(grid->GetBody(), index);
    if (!renderer || !renderer->GetEditWhenClick() || !cell)
        return;
    const TPoint p = CellPoint(cell, x, y);
    renderer->Click(TRectF(0, 0, cell->GetWidth(), cell->GetHeight()), p.X, p.Y, index);
}

// ---- press, move, release and double click ---------------------------------------------------

void TKvGridSelectionTool::DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TKvGridView* grid = FOwner;
    HideHint();
    const std::intptr_t extra = TKvGridInput::MessageExtraInfo();
    StopDrag(X, Y, false);
    FClickHandle = nullptr;
    FClickGroup = nullptr;
    FClickCell = nullptr;
    FClickRequest = nullptr;
    FClickPos = TPoint{X, Y};

    FClickElement = grid->FindElementAt(X, Y);
    if (FClickElement) {
        auto* handle = FClickElement->AdapterAs<TKvGridCellHandle>();
        // Handles answer the left button; the right one is for a context menu.
        if (handle && handle->GetClickable() && Button == mbLeft) {
            FClickHandle = handle;
            CellHandleClicked(handle);
            FClickHandle = nullptr;
            FClickElement = nullptr;
            return;
        }
        FClickGroup = FClickElement->FindAdapter<TKvGridRowGroupHeaderElement>();
        if (!FClickGroup)
            FClickCell = FClickElement->FindAdapter<TKvGridCellElement>();
    }

    if (Button == mbLeft && !EndEditForClick(Shift, X, Y))
        return;
    IntfPtr<IKvGridEditRequest> request;
    if (Button == mbLeft)
        request = GetEditRequest(FClickCell, Shift, X, Y, false);
    if (dynamic_cast<TKvCellButtonRequest*>(request.get()) && extra == std::intptr_t(CLOSEUP_MESSAGE))
        return;

    // Shift+press in extended mode extends the selection from the focused cell, which stays.
    const bool extend = Button == mbLeft && Shift.Contains(ssShift) &&
                        grid->GetSelectOptions()->GetMode() == SelectExtended &&
                        dynamic_cast<TKvGridSelectRequest*>(request.get());
    if (Button == mbLeft && (!request || request->CanFocus())) {
        const TKvGridSelectionMode mode = grid->GetSelectOptions()->GetMode();
        TKvGridSelectionManager* selections = grid->GetSelections();
        if (selections &&
            (mode != SelectExtended || !(Shift.Contains(ssShift) || Shift.Contains(ssCtrl))))
            selections->Clear();
        if (FClickCell) {
            if (!grid->IsDesignTime())
                SetPushed(FClickCell, true);
            if (auto* data = dynamic_cast<TKvGridDataCellElement*>(FClickCell)) {
                const TKvGridCellIndex index = data->GetIndex();
                const bool focused = index == grid->GetFocusedIndex();
                bool wrapped = false;
                if (auto* edit = dynamic_cast<TKvCellEditRequest*>(request.get())) {
                    TKvGridDataCellRenderer* renderer = DataRenderer(grid, index);
                    const TPoint p = CellPoint(data, X, Y);
                    if (renderer && renderer->IsClickable(TRectF(0, 0, data->GetWidth(), data->GetHeight()), p.X, p.Y, Shift) &&
                        (renderer->GetEditWhenClick() || focused)) {
                        if (mode != SelectNone) {
                            request = IntfPtr<IKvGridEditRequest>(
                                new TKvGridSelectRequest(index, grid->GetSelectOptions()->GetStyle(), Shift, edit));
                            wrapped = true;
                        } else {
                            // Without selection no tracker runs: the release clicks it.
                            FClickRequest = request;
                        }
                    }
                }
                if (!wrapped && !dynamic_cast<TKvCellButtonRequest*>(request.get()) && focused && !grid->GetEditing() &&
                    grid->GetFocusedIndex().IsValid(grid) && grid->GetEditOptions()->GetEditWhenClickFocused()) {
                    grid->ShowEditor(false);
                    return;
                }
                if (!extend)
                    SetFocused(index, false, false);
            } else if (auto* indicator = dynamic_cast<TKvGridIndicatorCellElement*>(FClickCell)) {
                if (!(mode == SelectExtended && Shift.Contains(ssShift))) {
                    TKvGridColumn* column = grid->GetFocusedIndex().Column;
                    if (!column)
                        column = grid->GetFirstVisibleColumn();
                    SetFocused(TKvGridCellIndex(grid, indicator->GetIndex(), column), false, false);
                }
            } else if (auto* header = dynamic_cast<TKvGridHeaderCellElement*>(FClickCell); header && !extend) {
                SetFocused(TKvGridCellIndex(grid, grid->GetFocusedIndex().ItemIndex, header->GetColumn()), false, false);
            }
        }
    }
    if (request) {
        FDragTracker = MakeDragTracker(request.get());
        FDragRequest = request;
        if (FDragTracker && (FDragTracker->CanStartWhenCreated() || extend))
            StartDrag(X, Y);
    }
    SetHoveredCell(FClickCell);
}

bool TKvGridSelectionTool::EndEditForClick(TShiftState Shift, int X, int Y)
{
    TKvGridView* grid = FOwner;
    auto* data = dynamic_cast<TKvGridDataCellElement*>(FClickCell);
    if (!data || !grid->GetEditing() || data->GetIndex() == grid->GetFocusedIndex() || grid->IsDesignTime())
        return true;
    const TKvGridCellIndex index = data->GetIndex();
    TKvGridDataCellRenderer* renderer = DataRenderer(grid, index);
    const TPoint p = CellPoint(data, X, Y);
    const TRectF rect(0, 0, data->GetWidth(), data->GetHeight());
    if (!renderer || !renderer->GetEditWhenClick() || data->PtInButton(p) || data->PtInEditorButton(p) ||
        !renderer->IsClickable(rect, p.X, p.Y, Shift))
        return true;
    const TKvGridCellIndex old = grid->GetFocusedIndex();
    // A save that raises leaves no pressed cell behind for the release.
    FClickElement = nullptr;
    FClickCell = nullptr;
    SetFocused(index, false, false);
    const TKvGridCellIndex now = grid->GetFocusedIndex();
    if (now == old || grid->GetEditing())
        return false; // refused: the box stays as it was
    if (now == index) {
        // The press goes on as one on a cell that is not being edited.
        FClickElement = grid->FindElementAt(X, Y);
        FClickCell = FClickElement ? FClickElement->FindAdapter<TKvGridCellElement>() : nullptr;
        if (auto* again = dynamic_cast<TKvGridDataCellElement*>(FClickCell); again && again->GetIndex() == index)
            return true;
        FClickElement = nullptr;
        FClickCell = nullptr;
    }
    // The saved row moved the clicked one: its box toggles where it went.
    if (now.Column == index.Column)
        renderer->Click(rect, p.X, p.Y, now);
    return false;
}

void TKvGridSelectionTool::DoMouseMove(TShiftState Shift, int X, int Y)
{
    TKvGridView* grid = FOwner;
    if (FHoverLock) {
        const TPoint p = TKvGridInput::CursorPos();
        if (std::abs(p.X - FHoverLockPos.X) >= 6 || std::abs(p.Y - FHoverLockPos.Y) >= 6) {
            FHoverLock = false;
            // The cell under the mouse is hovered anew, now with its feedback.
            SetHoveredCell(nullptr);
        }
    }
    // The selection item of the drag went away: the gesture is over.
    if (FDragTracker && FDragTracker->GetStopped())
        StopDrag(X, Y, false);
    if (!FDragTracker) {
        TKvSprite* sprite = grid->FindElementAt(X, Y);
        TKvGridCellElement* cell = sprite ? sprite->FindAdapter<TKvGridCellElement>() : nullptr;
        auto* data = dynamic_cast<TKvGridDataCellElement*>(cell);
        if (data && !grid->GetEditing() && grid->GetEditOptions()->GetHintOnError() && !data->GetError().isEmpty())
            ShowHint(X, Y, data->GetError(), data);
        else
            HideHint();
        SetHoveredCell(cell);
        SetHoveredButtonCell(data && data->PtInButton(CellPoint(data, X, Y)) ? data : nullptr);
        IntfPtr<IKvGridEditRequest> request = GetEditRequest(cell, Shift, X, Y, true);
        grid->SetCursor(request ? request->GetCursor() : crDefault);
        return;
    }
    if (!FDragTracker->GetActivated()) {
        if (std::abs(X - FClickPos.X) >= 3 || std::abs(Y - FClickPos.Y) >= 3)
            StartDrag(FClickPos.X, FClickPos.Y);
        return;
    }
    if (!FDragTracker->Drag(X, Y)) {
        IntfPtr<IKvGridEditRequest> next = FDragTracker->GetNextRequest(X, Y);
        if (next) {
            StopDrag(X, Y, false);
            FDragTracker = MakeDragTracker(next.get());
            FDragRequest = next;
            if (FDragTracker)
                StartDrag(X, Y);
        }
    }
}

void TKvGridSelectionTool::DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TKvGridView* grid = FOwner;
    grid->SetCursor(crDefault);
    SetPushed(FClickCell, false);
    if (FDragTracker) {
        if (FDragTracker->GetActivated() && !FDragTracker->GetStopped()) {
            if (FDragTracker->CanAccept(X, Y)) {
                IntfPtr<IKvGridEditRequest> request = FDragRequest;
                const bool button = dynamic_cast<TKvCellButtonTracker*>(FDragTracker.get()) != nullptr;
                StopDrag(X, Y, true);
                if (button) {
                    if (dynamic_cast<TKvEditButtonRequest*>(request.get()))
                        grid->ShowEditor(true);
                    else if (auto* cellButton = dynamic_cast<TKvCellButtonRequest*>(request.get()))
                        OwnerCellButtonClicked(cellButton->GetIndex());
                } else {
                    // A selection drag that ends on the pressed cell is a click on it.
                    ReleasedOnPressedCell(X, Y);
                }
            } else {
                StopDrag(X, Y, false);
            }
            return;
        }
        StopDrag(X, Y, false);
    }

    TKvSprite* sprite = grid->FindElementAt(X, Y);
    if (sprite && sprite == FClickElement) {
        if (auto* head = dynamic_cast<TKvGridObjectHeaderElement*>(sprite))
            GridObjectHeaderClicked(head->GetModel());
        else if (auto* foot = dynamic_cast<TKvGridObjectFooterElement*>(sprite))
            GridObjectFooterClicked(foot->GetModel());
    }
    TKvGridCellElement* cell = sprite ? sprite->FindAdapter<TKvGridCellElement>() : nullptr;
    if (!cell || cell != FClickCell) {
        FClickRequest = nullptr;
        return;
    }
    SetPushed(cell, false);
    if (auto* header = dynamic_cast<TKvGridHeaderCellElement*>(cell)) {
        // Only the left button sorts; the right one is for a context menu.
        if (Button != mbLeft) {
            FClickRequest = nullptr;
            return;
        }
        IntfPtr<IKvGridEditRequest> request = GetEditRequest(cell, Shift, X, Y, false);
        if (!dynamic_cast<TKvColumnResizeRequest*>(request.get()))
            ColumnHeaderClicked(header->GetColumn());
    } else if (auto* check = dynamic_cast<TKvGridCheckCellElement*>(cell)) {
        CheckCellClicked(check->GetIndex());
        FLastCheckIndex = check->GetIndex();
    } else if (auto* indexed = dynamic_cast<TKvGridIndexedCellElement*>(cell)) {
        if (auto* edit = dynamic_cast<TKvCellEditRequest*>(FClickRequest.get()))
            ClickDataCell(grid, edit->GetIndex(), X, Y);
        CellClicked(indexed->GetIndex());
    }
    FClickRequest = nullptr;
}

void TKvGridSelectionTool::ReleasedOnPressedCell(int X, int Y)
{
    TKvSprite* sprite = FOwner->FindElementAt(X, Y);
    TKvGridCellElement* cell = sprite ? sprite->FindAdapter<TKvGridCellElement>() : nullptr;
    if (!cell || cell != FClickCell || dynamic_cast<TKvGridHeaderCellElement*>(cell) ||
        dynamic_cast<TKvGridCheckCellElement*>(cell))
        return;
    if (auto* indexed = dynamic_cast<TKvGridIndexedCellElement*>(cell))
        CellClicked(indexed->GetIndex());
}

void TKvGridSelectionTool::DoDblClick(int X, int Y)
{
    // The release that ends a double click is no click of its own.
    const auto forgetClick = qScopeGuard([this] { FClickCell = nullptr; });
    TKvGridView* grid = FOwner;
    if (FDragTracker)
        return;
    if (FClickCell) {
        IntfPtr<IKvGridEditRequest> request = GetEditRequest(FClickCell, TShiftState{}, X, Y, false);
        if (auto* resize = dynamic_cast<TKvColumnResizeRequest*>(request.get())) {
            if (TKvGridHeaderCellElement* header = resize->GetHeaderCell())
                grid->FitColumnWidth(header->GetColumn());
            return;
        }
        if (auto* data = dynamic_cast<TKvGridDataCellElement*>(FClickCell))
            if (data->GetIndex() == grid->GetFocusedIndex() && !grid->GetEditing()) {
                grid->ShowEditor(false);
                if (grid->GetEditing()) {
                    // The double click opened the editor; it is still the cell's double click.
                    CellDblClicked(data->GetIndex());
                    return;
                }
            }
    }
    TKvSprite* sprite = grid->FindElementAt(X, Y);
    if (!sprite)
        return;
    if (auto* indexed = sprite->FindAdapter<TKvGridIndexedCellElement>())
        CellDblClicked(indexed->GetIndex());
    if (dynamic_cast<TKvGridRowGroupExpandHandle*>(sprite))
        return;
    if (sprite->FindAdapter<TKvGridRowGroupHeaderElement>() && FClickGroup) {
        TKvGridItem* item = grid->GetItem(FClickGroup->GetIndex());
        TKvGridGroupItem* group = dynamic_cast<TKvGridGroupItem*>(item);
        if (!group && item)
            group = item->GetParent();
        if (group)
            group->SetExpanded(!group->GetExpanded());
    }
}

// ---- drags -----------------------------------------------------------------------------------

void TKvGridSelectionTool::StartDrag(int X, int Y)
{
    if (!FDragTracker)
        return;
    if (FDragTracker->Start(X, Y)) {
        if (FDragTracker->NeedGridLayoutLock())
            SetGridLayoutLock(true);
    } else {
        FDragTracker.reset();
        FDragRequest = nullptr;
    }
}

void TKvGridSelectionTool::StopDrag(int X, int Y, bool Accept)
{
    SetGridLayoutLock(false);
    // Taken out first: a notice during Stop must not see a half-stopped tracker.
    std::unique_ptr<TKvGridDragTracker> tracker = std::move(FDragTracker);
    FDragRequest = nullptr;
    if (tracker && tracker->GetActivated())
        tracker->Stop(X, Y, Accept && !tracker->GetStopped());
}

// ---- hovering and focus feedback -------------------------------------------------------------

void TKvGridSelectionTool::SetHoveredCell(TKvGridCellElement* Cell)
{
    TKvGridView* grid = FOwner;
    // Nothing is hovered at design time, but a hovered view always goes.
    if (Cell == FHoveredCell || (Cell && grid->IsDesignTime()))
        return;
    if (FHoveredCell) {
        RemoveFeedback(FHoverFeedback);
        SetMouseEntered(FHoveredCell, false);
    }
    FHoveredCell = Cell;
    if (!Cell) {
        grid->SetHovered(nullptr);
        return;
    }
    const bool hovering = GetHovering() && !FHoverLock;
    const bool isData = dynamic_cast<TKvGridDataCellElement*>(Cell) != nullptr;
    if (hovering || !isData) {
        grid->SetHovered(Cell);
        SetMouseEntered(Cell, true);
    } else {
        grid->SetHovered(nullptr);
    }
    auto* indexed = dynamic_cast<TKvGridIndexedCellElement*>(Cell);
    if (indexed && indexed->GetIndex().ItemIndex >= 0 && !(indexed->GetIndex() == grid->GetFocusedIndex()) &&
        (hovering || !isData)) {
        AddFeedback(FHoverFeedback);
        ResetHoverView();
    }
}

void TKvGridSelectionTool::SetHoveredButtonCell(TKvGridDataCellElement* Cell)
{
    if (Cell == FHoveredButtonCell)
        return;
    if (FHoveredButtonCell)
        FHoveredButtonCell->SetButtonState(false, false);
    FHoveredButtonCell = Cell;
    if (Cell)
        Cell->SetButtonState(true, false);
}

void TKvGridSelectionTool::SetFocused(const TKvGridCellIndex& Index, bool Select, bool NoCancel)
{
    OwnerSetFocused(Index, Select, NoCancel);
    ResetFocusedView();
    SetHoveredCell(nullptr);
}

void TKvGridSelectionTool::ResetFocusedView()
{
    TKvGridView* grid = FOwner;
    const TKvGridCellIndex focused = grid->GetFocusedIndex();
    auto* view = static_cast<TFocusedView*>(FFocusedView);
    if (!view || !grid->GetFocusOptions()->GetMaskVisible() || !focused.IsValid(grid)) {
        if (view)
            view->SetVisible(false);
        if (FRowHeaderMask)
            FRowHeaderMask->SetVisible(false);
        return;
    }
    TKvGridItemCellElement* bar = nullptr;
    if (TKvGridIndicatorElement* indicator = grid->GetIndicatorView())
        for (int i = 0; i < indicator->GetCellCount() && !bar; ++i)
            if (indicator->GetCell(i)->GetVisible() && indicator->GetCell(i)->GetIndex() == focused.ItemIndex)
                bar = indicator->GetCell(i);
    if (bar) {
        FRowHeaderMask->SetBounds(bar->BoundsByContainer());
        FRowHeaderMask->SetVisible(true);
    } else {
        FRowHeaderMask->SetVisible(false);
    }
    TKvGridCellElement* cell = GetCellView(grid->GetBody(), focused);
    if (!cell) {
        view->SetVisible(false);
        return;
    }
    TRectF r = cell->BoundsByContainer();
    const TSize editor = GetEditorSize();
    view->FOverflow = editor.Width() > r.Width() || editor.Height() > r.Height();
    if (view->FOverflow)
        r = TRectF::Bounds(r.Left, r.Top, std::max<float>(r.Width(), editor.Width()), std::max<float>(r.Height(), editor.Height()));
    view->FFixed = IsFixedColumn(grid, focused.Column);
    view->SetBounds(r);
    view->SetVisible(true);
}

void TKvGridSelectionTool::MouseLeft()
{
    if (FDragTracker)
        return;
    HideHint();
    SetHoveredButtonCell(nullptr);
    SetHoveredCell(nullptr);
}

void TKvGridSelectionTool::ResetHoverView()
{
    if (!FHoveredCell || !ContainsFeedback(FHoverFeedback))
        return;
    TRectF r = FHoveredCell->BoundsByContainer();
    if (TKvAbstractGridLayoutManager* layout = FOwner->GetLayoutManager())
        r.Left = std::max<float>(r.Left, float(layout->IndicatorBounds().Right));
    auto* feedback = static_cast<THoverFeedback*>(FHoverFeedback);
    auto* indexed = dynamic_cast<TKvGridIndexedCellElement*>(FHoveredCell);
    feedback->FFixed = indexed && IsFixedColumn(FOwner, indexed->GetColumn());
    feedback->SetBounds(r);
}

// ---- design state ----------------------------------------------------------------------------

TCursor TKvGridSelectionTool::GetDesignCursor(int X, int Y)
{
    if (dynamic_cast<TKvColumnResizeTracker*>(FDragTracker.get()))
        return FDragRequest ? FDragRequest->GetCursor() : crHSplit;
    TKvSprite* sprite = FOwner->FindElementAt(X, Y);
    IntfPtr<IKvGridEditRequest> request =
        GetEditRequest(sprite ? sprite->FindAdapter<TKvGridCellElement>() : nullptr, TShiftState{}, X, Y, true);
    return dynamic_cast<TKvColumnResizeRequest*>(request.get()) ? request->GetCursor() : crDefault;
}

bool TKvGridSelectionTool::IsDesignHit(int X, int Y)
{
    if (dynamic_cast<TKvColumnResizeTracker*>(FDragTracker.get()))
        return true;
    TKvSprite* sprite = FOwner->FindElementAt(X, Y);
    IntfPtr<IKvGridEditRequest> request =
        GetEditRequest(sprite ? sprite->FindAdapter<TKvGridCellElement>() : nullptr, TShiftState{}, X, Y, true);
    return dynamic_cast<TKvColumnResizeRequest*>(request.get()) != nullptr;
}

} // namespace kv
