// The grid's input tools: the tool base, the edit requests a press derives from the element
// under the mouse, the default selection tool (mouse, hover and focus feedback, keys) and the
// drag trackers it runs (resizing, selecting with auto-scroll, cell buttons).
//
// Call flow: the grid view hands every key and mouse event to its active tool (KvGrids.View.
// Input.cpp). A press asks GetEditRequest for the cell under the point, moves focus and
// selection, and GetDragTracker turns the request into a tracker that lives until the release.
// Keys are in KvGrids.Tool.Keys.cpp, the trackers in KvGrids.Tool.Trackers.cpp.
//
// Sections: edit requests; tools (base, selection tool); drag trackers.
#pragma once

#include "grid/KvGrids.GridTool.h"
#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.Options.h"
#include "platform/graphics/Types.h"

#include <functional>
#include <memory>

namespace kv {

class TKvGridView;
class TKvGridObject;
class TKvGridSelectionItem;
class TKvGridSelectionManager;
class TKvGridDragTracker;

// Seams of the input tools: the screen cursor position and the periodic callback of the
// auto-scroll. Tests install their own; the defaults are the desktop's cursor and a timer.
class TKvGridTimer
{
public:
    virtual ~TKvGridTimer() = default;
    virtual void Start(unsigned IntervalMs, std::function<void()> Tick) = 0;
    virtual void Stop() = 0;
};

struct TKvGridInput
{
    static std::function<TPoint()> CursorPos;
    static std::function<std::unique_ptr<TKvGridTimer>()> NewTimer;
    // The extra information of the mouse message being handled (a closing drop-down tags the
    // press it sends on).
    static std::function<std::intptr_t()> MessageExtraInfo;
    // The defaults again.
    static void Reset();
};

// The cursor position in the grid's client coordinates.
TPoint GridCursorPos(TKvGridView* Grid);

// ---- edit requests -----------------------------------------------------------------------

class IKvGridEditRequest : public virtual IInterface
{
public:
    virtual TCursor GetCursor() const = 0;
    virtual TObject* GetSource() const = 0;
    virtual bool CanFocus() const = 0;
};

class TKvGridEditRequest : public TInterfacedObject, public IKvGridEditRequest
{
public:
    TCursor GetCursor() const override { return crDefault; }
    TObject* GetSource() const override { return nullptr; }
    bool CanFocus() const override { return true; }
};

class TKvCellRequest : public TKvGridEditRequest
{
public:
    explicit TKvCellRequest(TKvGridCellElement* Cell) : FCell(Cell) {}
    TObject* GetSource() const override { return FCell; }
    TKvGridCellElement* GetCell() const { return FCell; }

protected:
    TKvGridCellElement* FCell;
};

class TKvDataCellRequest : public TKvGridEditRequest
{
public:
    explicit TKvDataCellRequest(const TKvGridCellIndex& Index) : FIndex(Index) {}
    const TKvGridCellIndex& GetIndex() const { return FIndex; }

protected:
    TKvGridCellIndex FIndex;
};

class TKvColumnResizeRequest : public TKvCellRequest
{
public:
    using TKvCellRequest::TKvCellRequest;
    TCursor GetCursor() const override { return crHSplit; }
    bool CanFocus() const override { return false; }
    TKvGridHeaderCellElement* GetHeaderCell() const { return dynamic_cast<TKvGridHeaderCellElement*>(FCell); }
};

class TKvRowResizeRequest : public TKvGridEditRequest
{
public:
    explicit TKvRowResizeRequest(int Index) : FIndex(Index) {}
    TCursor GetCursor() const override { return crVSplit; }
    bool CanFocus() const override { return false; }
    int GetIndex() const { return FIndex; }

private:
    int FIndex;
};

class TKvHeaderResizeRequest : public TKvGridEditRequest
{
public:
    TCursor GetCursor() const override { return crVSplit; }
    bool CanFocus() const override { return false; }
};

class TKvFooterResizeRequest : public TKvGridEditRequest
{
public:
    TCursor GetCursor() const override { return crVSplit; }
    bool CanFocus() const override { return false; }
};

class TKvGridSelectRequest : public TKvGridEditRequest
{
public:
    TKvGridSelectRequest(const TKvGridCellIndex& Index, TKvGridSelectionStyle Style, TShiftState Shift,
                         IKvGridEditRequest* SyncRequest)
        : FIndex(Index), FSelectStyle(Style), FShift(Shift), FSyncRequest(SyncRequest)
    {
    }
    const TKvGridCellIndex& GetIndex() const { return FIndex; }
    TKvGridSelectionStyle GetSelectStyle() const { return FSelectStyle; }
    TShiftState GetShift() const { return FShift; }
    IKvGridEditRequest* GetSyncRequest() const { return FSyncRequest.get(); }

private:
    TKvGridCellIndex FIndex;
    TKvGridSelectionStyle FSelectStyle;
    TShiftState FShift;
    IntfPtr<IKvGridEditRequest> FSyncRequest;
};

class TKvCellButtonRequest : public TKvDataCellRequest
{
public:
    explicit TKvCellButtonRequest(TKvGridDataCellElement* Cell)
        : TKvDataCellRequest(Cell->GetIndex()), FGrid(Cell->GetGrid())
    {
    }
    TKvGridView* GetGrid() const { return FGrid; }

protected:
    TKvGridView* FGrid;
};

class TKvEditButtonRequest : public TKvCellButtonRequest
{
public:
    using TKvCellButtonRequest::TKvCellButtonRequest;
};

class TKvCellEditRequest : public TKvDataCellRequest
{
public:
    TKvCellEditRequest(const TKvGridCellIndex& Index, TCursor Cursor) : TKvDataCellRequest(Index), FCursor(Cursor) {}
    TCursor GetCursor() const override { return FCursor; }

private:
    TCursor FCursor;
};

// ---- tools ---------------------------------------------------------------------------------

class TKvAbstractGridTool : public TInterfacedObject, public IKvGridTool
{
public:
    explicit TKvAbstractGridTool(TKvGridView* Owner) : FOwner(Owner) {}

    TKvGridView* GetOwner() const { return FOwner; }
    bool GetActive() const { return FActive; }

    void Activate() override;
    void Deactivate() override;
    void GridLayoutChanged() override;
    void KeyDown(std::uint16_t& Key, TShiftState Shift) override { DoKeyDown(Key, Shift); }
    void KeyPress(QChar& Key) override { DoKeyPress(Key); }
    void KeyUp(std::uint16_t& Key, TShiftState Shift) override { DoKeyUp(Key, Shift); }
    void DblClick(int X, int Y) override { DoDblClick(X, Y); }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override { DoMouseDown(Button, Shift, X, Y); }
    void MouseMove(TShiftState Shift, int X, int Y) override { DoMouseMove(Shift, X, Y); }
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override { DoMouseUp(Button, Shift, X, Y); }
    bool GetHovering() const override;
    void SetHovering(bool Value) override;
    TCursor GetDesignCursor(int X, int Y) override { return crDefault; }
    bool IsDesignHit(int X, int Y) override { return false; }
    void ResetFocusedView() override {}
    void ResetHoverView() override {}

protected:
    virtual void DoActivate() {}
    virtual void DoDeactivate() {}
    virtual void DoGridLayoutChanged() {}
    virtual void DoKeyDown(std::uint16_t& Key, TShiftState Shift) {}
    virtual void DoKeyPress(QChar& Key) {}
    virtual void DoKeyUp(std::uint16_t& Key, TShiftState Shift) {}
    virtual void DoDblClick(int X, int Y) {}
    virtual void DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {}
    virtual void DoMouseMove(TShiftState Shift, int X, int Y) {}
    virtual void DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {}
    virtual void HoveringChanged() {}

    // Forwards to the grid view.
    bool AddFeedback(TKvSprite* Sprite);
    bool RemoveFeedback(TKvSprite* Sprite);
    bool ContainsFeedback(TKvSprite* Sprite) const;
    bool AddSelectionView(TKvSprite* Sprite);
    bool RemoveSelectionView(TKvSprite* Sprite);
    bool AddFocusView(TKvSprite* Sprite);
    bool RemoveFocusView(TKvSprite* Sprite);
    void SetGridLayoutLock(bool Value);
    static void SetMouseEntered(TKvGridCellElement* Cell, bool Value);
    static void SetPushed(TKvGridCellElement* Cell, bool Value);
    void OwnerCellClicked(const TKvGridCellIndex& Index);
    void OwnerCellDblClicked(const TKvGridCellIndex& Index);
    void OwnerCheckedCellClicked(int Index);
    void OwnerCellButtonClicked(const TKvGridCellIndex& Index);
    // FNoCancel := NoCancel, SetFocusedIndex(Index, Select), one-row blit allowed, then the
    // cell is scrolled into view.
    void OwnerSetFocused(const TKvGridCellIndex& Index, bool Select, bool NoCancel);
    TSize GetEditorSize() const;
    void ShowHint(int X, int Y, const QString& Text, const TObject* Source);
    void HideHint();
    void ScrollWindow(int Delta);
    TKvGridCellElement* GetCellView(TKvGridObject* Area, const TKvGridCellIndex& Index) const;

    TKvGridView* FOwner;
    bool FActive = false;
    bool FHovering = true;
};

class TKvGridSelectionTool : public TKvAbstractGridTool
{
public:
    explicit TKvGridSelectionTool(TKvGridView* Owner);
    ~TKvGridSelectionTool() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;

    TCursor GetDesignCursor(int X, int Y) override;
    bool IsDesignHit(int X, int Y) override;
    void ResetFocusedView() override;
    void ResetHoverView() override;
    void ViewsDropping() override;

    TKvGridDragTracker* GetDragTracker() const { return FDragTracker.get(); }
    // The mouse left the grid's window: no cell stays hovered (a drag keeps its state).
    void MouseLeft();
    TKvGridCellElement* GetHoveredCell() const { return FHoveredCell; }
    bool GetHoverLock() const { return FHoverLock; }
    TKvSprite* GetHoverFeedback() const { return FHoverFeedback; }
    TKvSprite* GetFocusedView() const { return FFocusedView; }
    TKvSprite* GetRowHeaderMask() const { return FRowHeaderMask; }
    int GetLastCheckIndex() const { return FLastCheckIndex; }

    // The request for the point (grid coordinates) on the cell, or nil; Probe is true when
    // only a cursor is wanted.
    virtual IntfPtr<IKvGridEditRequest> GetEditRequest(TKvGridCellElement* Cell, TShiftState Shift, int X, int Y,
                                                       bool Probe);
    virtual std::unique_ptr<TKvGridDragTracker> MakeDragTracker(IKvGridEditRequest* Request);

protected:
    class THoverFeedback;
    class TFocusedView;
    class TFocusedMask;
    class TSelectionListener;
    friend class TSelectionListener;

    void DoActivate() override;
    void DoDeactivate() override;
    void DoGridLayoutChanged() override;
    void DoKeyDown(std::uint16_t& Key, TShiftState Shift) override;
    void DoDblClick(int X, int Y) override;
    void DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DoMouseMove(TShiftState Shift, int X, int Y) override;
    void DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void HoveringChanged() override { SetHoveredCell(nullptr); }

    // Hooks for descendants.
    virtual void ColumnHeaderClicked(TKvGridColumn* Column) {}
    virtual void CheckCellClicked(int Index) { OwnerCheckedCellClicked(Index); }
    virtual void GridObjectHeaderClicked(TKvGridVisualObject* Object);
    virtual void GridObjectFooterClicked(TKvGridVisualObject* Object) {}
    virtual void CellHandleClicked(TKvGridCellHandle* Handle) {}
    // CellClicked for the pressed cell when (X, Y) is still on it.
    void ReleasedOnPressedCell(int X, int Y);
    // Raise the grid's OnCellClick / OnCellDblClick; descendants call these when they override.
    virtual void CellClicked(const TKvGridCellIndex& Index) { OwnerCellClicked(Index); }
    virtual void CellDblClicked(const TKvGridCellIndex& Index) { OwnerCellDblClicked(Index); }
    virtual void DoSelectionItemAdded(TKvGridSelectionItem* Item) {}
    virtual void DoSelectionItemRemoved(TKvGridSelectionItem* Item) {}
    virtual void DoSelectionItemChanged(TKvGridSelectionItem* Item) {}
    virtual void DoSelectionCleared() {}

    void StartDrag(int X, int Y);
    void StopDrag(int X, int Y, bool Accept);
    void SetHoveredCell(TKvGridCellElement* Cell);
    void SetHoveredButtonCell(TKvGridDataCellElement* Cell);
    void SetFocused(const TKvGridCellIndex& Index, bool Select, bool NoCancel);
    // A press on another cell's clickable part (a check box) while a cell is being edited:
    // the focus moves first, writing the edit and saving the row it leaves. False when the
    // press is done with (refused, or the box toggled where its saved row moved).
    bool EndEditForClick(TShiftState Shift, int X, int Y);
    void LockHover();
    // Keys (KvGrids.Tool.Keys.cpp).
    bool NavigateKey(std::uint16_t Key, TShiftState Shift, TKvGridCellIndex& F, bool& Appended);
    void ExtendSelectionByKey(std::uint16_t Key, bool Ctrl, int Page, const TKvGridCellIndex& F);
    TKvGridCellIndex ExitLastCell(const TKvGridCellIndex& Focused, TKvGridCellIndex Candidate, bool& Appended);
    void MoveFocus(const TKvGridCellIndex& F, bool Appended);

    std::unique_ptr<TSelectionListener> FSelectionListener;
    TPoint FClickPos;
    TKvSprite* FClickElement = nullptr;
    TKvGridCellHandle* FClickHandle = nullptr;
    TKvGridCellElement* FClickCell = nullptr;
    TKvGridRowGroupHeaderElement* FClickGroup = nullptr;
    std::unique_ptr<TKvGridDragTracker> FDragTracker;
    IntfPtr<IKvGridEditRequest> FDragRequest;
    // A clickable cell pressed while nothing is selected: the release clicks it.
    IntfPtr<IKvGridEditRequest> FClickRequest;
    bool FHoverLock = false;
    TPoint FHoverLockPos;
    TKvGridCellElement* FHoveredCell = nullptr;
    TKvSprite* FHoverFeedback = nullptr;
    TKvGridDataCellElement* FHoveredButtonCell = nullptr;
    TKvSprite* FFocusedView = nullptr;
    TKvSprite* FColumnHeaderMask = nullptr;
    TKvSprite* FColumnFooterMask = nullptr;
    TKvSprite* FRowHeaderMask = nullptr;
    int FLastCheckIndex = -1;
};

// ---- drag trackers ---------------------------------------------------------------------------

class TKvGridDragTracker : public TObject
{
public:
    explicit TKvGridDragTracker(TKvGridView* Grid) : FGrid(Grid) {}
    ~TKvGridDragTracker() override;

    TKvGridView* GetGrid() const { return FGrid; }
    bool GetActivated() const { return FActivated; }
    bool Start(int X, int Y);
    bool Drag(int X, int Y);
    void Stop(int X, int Y, bool Accept);

    virtual bool CanStartWhenCreated() const { return false; }
    virtual bool NeedGridLayoutLock() const { return false; }
    virtual bool CanAccept(int X, int Y) { return true; }
    virtual IntfPtr<IKvGridEditRequest> GetNextRequest(int X, int Y) { return nullptr; }
    // The selection item being resized went away (cleared or removed): the drag ends.
    virtual void ItemGone(TKvGridSelectionItem* Item) {}
    virtual bool GetStopped() const { return false; }

protected:
    virtual bool DoStart(int X, int Y) { return true; }
    virtual bool DoDrag(int X, int Y) { return true; }
    virtual void DoCompleted(int X, int Y) {}
    virtual void DoCanceled(int X, int Y) {}
    virtual void DoEnded() {}
    virtual void DoMoveFeedback(TKvSprite* Feedback, int X, int Y) {}
    virtual TKvSprite* GetFeedback() { return nullptr; }
    void ShowFeedback();
    void HideFeedback();

    TKvGridView* FGrid;
    bool FActivated = false;
    TKvSprite* FFeedback = nullptr;
    TPoint FStartPos;
    TPoint FCurrent{-(1 << 20), -(1 << 20)}; // no drag point yet
};

class TKvColumnResizeTracker : public TKvGridDragTracker
{
public:
    TKvColumnResizeTracker(TKvGridView* Grid, TKvColumnResizeRequest* Request);
    TKvColumnResizeRequest* GetRequest() const { return FRequest.get(); }

protected:
    bool DoStart(int X, int Y) override;
    bool DoDrag(int X, int Y) override;

    IntfPtr<TKvColumnResizeRequest> FRequest;
    TKvGridHeaderCellElement* FCell;
    int FStartWidth;
    int FOffset = 0;
};

class TKvRowResizeTracker : public TKvGridDragTracker
{
public:
    TKvRowResizeTracker(TKvGridView* Grid, TKvRowResizeRequest* Request);

protected:
    bool DoStart(int X, int Y) override;
    bool DoDrag(int X, int Y) override;

    IntfPtr<TKvRowResizeRequest> FRequest;
    int FRowTop = 0;
    int FRowBottom = 0;
    int FOffset = 0;
};

class TKvHeaderResizeTracker : public TKvGridDragTracker
{
public:
    explicit TKvHeaderResizeTracker(TKvGridView* Grid);

protected:
    bool DoStart(int X, int Y) override;
    bool DoDrag(int X, int Y) override;

    int FHeaderTop = 0;
    int FHeaderBottom = 0;
    int FOffset = 0;
};

class TKvFooterResizeTracker : public TKvGridDragTracker
{
public:
    explicit TKvFooterResizeTracker(TKvGridView* Grid);

protected:
    bool DoStart(int X, int Y) override;
    bool DoDrag(int X, int Y) override;

    int FFooterTop = 0;
    int FFooterBottom = 0;
    int FOffset = 0;
};

class TKvGridSelectTracker : public TKvGridDragTracker
{
public:
    explicit TKvGridSelectTracker(TKvGridSelectRequest* Request);
    ~TKvGridSelectTracker() override;
    bool CanStartWhenCreated() const override { return true; }
    TKvGridSelectionItem* GetItem() const { return FItem; }
    void ItemGone(TKvGridSelectionItem* Item) override;
    bool GetStopped() const override { return FStopped; }
    // One auto-scroll tick (the timer calls it).
    void TimerHandler();
    bool GetTimerRunning() const { return static_cast<bool>(FTimer); }
    int GetInterval() const { return FInterval; }

protected:
    bool DoStart(int X, int Y) override;
    void DoCompleted(int X, int Y) override;
    void DoEnded() override { StopTimer(); }
    void StartTimer();
    void StopTimer();
    // Resizes the item to the point when it lies in the band of the item's kind; false when
    // the point is outside (the timer runs).
    bool TrackRows(int X, int Y);
    bool TrackColumns(int X, int Y);
    bool TrackBlock(int X, int Y);
    // One scroll step of an axis when its loop counter allows; the new target index.
    bool ScrollRows(int Y, TKvGridCellIndex& Target);
    bool ScrollColumns(int X, TKvGridCellIndex& Target);
    TKvGridSelectionManager* Selections() const;

    IntfPtr<TKvGridSelectRequest> FRequest;
    TKvGridSelectionItem* FItem = nullptr;
    std::unique_ptr<TKvGridTimer> FTimer;
    int FRowPrevLoop = 0;
    int FRowLoop = 0;
    int FColPrevLoop = 0;
    int FColLoop = 0;
    int FInterval = 1;
    bool FStopped = false;
};

class TKvColumnsSelectTracker : public TKvGridSelectTracker
{
public:
    using TKvGridSelectTracker::TKvGridSelectTracker;

protected:
    bool DoStart(int X, int Y) override;
    bool DoDrag(int X, int Y) override;
};

class TKvRowsSelectTracker : public TKvGridSelectTracker
{
public:
    using TKvGridSelectTracker::TKvGridSelectTracker;

protected:
    bool DoStart(int X, int Y) override;
    bool DoDrag(int X, int Y) override;
};

class TKvRangeSelectTracker : public TKvGridSelectTracker
{
public:
    using TKvGridSelectTracker::TKvGridSelectTracker;

protected:
    bool DoStart(int X, int Y) override;
    bool DoDrag(int X, int Y) override;
};

// A clickable renderer's click at the grid point X, Y (a check box toggles).
void ClickDataCell(TKvGridView* Grid, const TKvGridCellIndex& Index, int X, int Y);

class TKvCellButtonTracker : public TKvGridDragTracker
{
public:
    explicit TKvCellButtonTracker(TKvCellButtonRequest* Request);
    bool CanStartWhenCreated() const override { return true; }
    bool CanAccept(int X, int Y) override;
    TKvCellButtonRequest* GetRequest() const { return FRequest.get(); }

protected:
    bool DoStart(int X, int Y) override;
    bool DoDrag(int X, int Y) override;
    void DoEnded() override;
    TKvGridDataCellElement* Cell() const;
    bool InButton(int X, int Y) const;

    IntfPtr<TKvCellButtonRequest> FRequest;
};

} // namespace kv
