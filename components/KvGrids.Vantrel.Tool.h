// The top-level grid's mouse tool and its gestures: a header click sorts, a header dragged
// along the header row moves its column, a header dragged into the grouping panel groups by
// its field, a chip dragged out of the panel ungroups.
//
// Call flow: the selection tool base asks GetEditRequest on every press (and hover, for the
// cursor) and MakeDragTracker for the request; a column-move drag that reaches the panel
// answers GetNextRequest with a row-grouping request, and the base swaps the tracker.
#pragma once

#include "grid/KvGrids.Tool.h"

namespace kv {

class TKvVantrel;
class TKvGridPanelElement;
class TKvGridDataColumn;

// ---- requests --------------------------------------------------------------------------------

class TKvColumnMoveRequest : public TKvCellRequest
{
public:
    using TKvCellRequest::TKvCellRequest;
    TKvGridHeaderCellElement* GetHeaderCell() const { return dynamic_cast<TKvGridHeaderCellElement*>(FCell); }
};

class TKvRowGroupingRequest : public TKvCellRequest
{
public:
    using TKvCellRequest::TKvCellRequest;
    TCursor GetCursor() const override { return crDrag; }
    // The pressed cell's column as a data column (nil for a column group).
    TKvGridDataColumn* GetColumn() const;
};

class TKvPanelCellRequest : public TKvCellRequest
{
public:
    using TKvCellRequest::TKvCellRequest;
    TCursor GetCursor() const override { return crHandPoint; }
    // The chip's column.
    TKvGridColumn* GetColumn() const;
};

// ---- trackers --------------------------------------------------------------------------------

class TKvVantrelDragTracker : public TKvGridDragTracker
{
public:
    using TKvGridDragTracker::TKvGridDragTracker;
    TKvVantrel* GetVantrel() const;
    TKvGridPanelElement* GetPanelView() const;

protected:
    // The panel is shown and y lies in its vertical range (top inclusive, bottom exclusive).
    bool InPanelRange(int Y) const;
};

class TKvColumnMoveTracker2 : public TKvVantrelDragTracker
{
public:
    // A copy of the pressed header cell that follows the mouse.
    class TSourceFeedback : public TKvSprite
    {
    public:
        TSourceFeedback(TKvSpriteControl* Control, const QString& Name) : TKvSprite(Control, Name) {}
        TKvGridHeaderCellElement* FSource = nullptr;

    protected:
        void DoDraw(TKvDrawingContext* Context) override;
    };
    // A box over the target cell, or the insertion marker at its edge.
    class TTargetFeedback : public TKvSprite
    {
    public:
        TTargetFeedback(TKvSpriteControl* Control, const QString& Name) : TKvSprite(Control, Name) {}
        TKvGridIndexedCellElement* FSource = nullptr;
        TKvGridIndexedCellElement* FTarget = nullptr;

    protected:
        void DoDraw(TKvDrawingContext* Context) override;
    };

    explicit TKvColumnMoveTracker2(TKvColumnMoveRequest* Request);
    ~TKvColumnMoveTracker2() override;
    IntfPtr<IKvGridEditRequest> GetNextRequest(int X, int Y) override;
    TKvGridIndexedCellElement* GetTarget() const { return FTarget; }
    TSourceFeedback* GetSourceFeedback() const { return FSourceFeedback.get(); }
    TTargetFeedback* GetTargetFeedback() const { return FTargetFeedback.get(); }

protected:
    bool DoStart(int X, int Y) override;
    bool DoDrag(int X, int Y) override;
    void DoCompleted(int X, int Y) override;
    void DoEnded() override;
    void SetTarget(TKvGridIndexedCellElement* Value);
    // The header cell under the point, searched where the pressed column may move.
    TKvGridIndexedCellElement* FindTarget(int X, int Y) const;

    IntfPtr<TKvColumnMoveRequest> FRequest;
    TKvGridHeaderCellElement* FCell;
    TOwned<TSourceFeedback> FSourceFeedback;
    TOwned<TTargetFeedback> FTargetFeedback;
    int FOrgPos;
    TKvGridIndexedCellElement* FTarget = nullptr;
};

// A chip under the mouse: the header cell of the column, crossed out when not acceptable.
class TColumnView : public TKvSpriteElement
{
public:
    TColumnView(TKvSpriteControl* Control, const QString& Name) : TKvSpriteElement(Control, Name) {}
    void SetRenderer(TKvGridCellRenderer* Value) { FRenderer = Value; }
    void SetIndex(const TKvGridCellIndex& Value) { FIndex = Value; }
    const TKvGridCellIndex& GetIndex() const { return FIndex; }
    bool GetAcceptable() const { return FAcceptable; }
    void SetAcceptable(bool Value);
    TSize Measure();

protected:
    void DoDraw(TKvDrawingContext* Context) override;

    TKvGridCellRenderer* FRenderer = nullptr;
    TKvGridCellIndex FIndex;
    bool FAcceptable = true;
};

class TKvRowGroupingTracker : public TKvVantrelDragTracker
{
public:
    // Raises EArgumentNilException "request" for nil.
    explicit TKvRowGroupingTracker(TKvRowGroupingRequest* Request);
    ~TKvRowGroupingTracker() override;
    // Only a release inside the panel groups.
    bool CanAccept(int X, int Y) override;
    TColumnView* GetColumnView() const { return FColumnView; }

protected:
    TKvSprite* GetFeedback() override;
    bool DoStart(int X, int Y) override;
    bool DoDrag(int X, int Y) override;
    void DoMoveFeedback(TKvSprite* Feedback, int X, int Y) override;
    void DoCompleted(int X, int Y) override;
    void DoEnded() override;
    bool InPanel(int X, int Y) const;

    IntfPtr<TKvRowGroupingRequest> FRequest;
    TColumnView* FColumnView = nullptr;
    bool FStarted = false;
};

class TKvPanelCellTracker : public TKvVantrelDragTracker
{
public:
    // Raises EArgumentException "request is not TKvPanelCellRequest" for another request.
    explicit TKvPanelCellTracker(IKvGridEditRequest* Request);
    TColumnView* GetColumnView() const { return FColumnView; }

protected:
    TKvSprite* GetFeedback() override;
    void DoMoveFeedback(TKvSprite* Feedback, int X, int Y) override;
    void DoCompleted(int X, int Y) override;

    IntfPtr<TKvPanelCellRequest> FRequest;
    TColumnView* FColumnView = nullptr;
};

// The older column move that drags the header cell itself; nothing creates it.
class TKvColumnMoveTracker : public TKvVantrelDragTracker
{
public:
    // Raises EArgumentException "request is not TKvColumnMoveRquest" for another request.
    explicit TKvColumnMoveTracker(IKvGridEditRequest* Request);
    bool NeedGridLayoutLock() const override { return true; }
    IntfPtr<IKvGridEditRequest> GetNextRequest(int X, int Y) override;
    int GetTargetIndex() const { return FTargetIndex; }

protected:
    bool DoStart(int X, int Y) override;
    bool DoDrag(int X, int Y) override;
    void DoCompleted(int X, int Y) override;
    void DoEnded() override;
    bool AbovePressedCell(int Y) const;

    IntfPtr<TKvColumnMoveRequest> FRequest;
    TKvGridHeaderCellElement* FCell;
    TPointF FOrgPos;
    int FTargetIndex = -1;
    // The other header cells beside the pressed one and their lefts at the start.
    std::vector<std::pair<TKvGridIndexedCellElement*, float>> FSiblings;
};

// ---- the tool --------------------------------------------------------------------------------

class TKvVantrelSelectionTool : public TKvGridSelectionTool
{
public:
    using TKvGridSelectionTool::TKvGridSelectionTool;
    IntfPtr<IKvGridEditRequest> GetEditRequest(TKvGridCellElement* Cell, TShiftState Shift, int X, int Y,
                                               bool Probe) override;
    std::unique_ptr<TKvGridDragTracker> MakeDragTracker(IKvGridEditRequest* Request) override;
    // Ends a running drag without completing it (the grid lost the focus).
    void CancelDrag();

protected:
    // A press on a header's filter handle opens its drop-down (the handle is not clickable
    // for the base tool, which would start a column press instead).
    void DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void ColumnHeaderClicked(TKvGridColumn* Column) override;
    void CellHandleClicked(TKvGridCellHandle* Handle) override;
    void CellClicked(const TKvGridCellIndex& Index) override;
    void CellDblClicked(const TKvGridCellIndex& Index) override;
    void GridObjectFooterClicked(TKvGridVisualObject* Object) override;
    // A sortable data column sorts; the horizontal scroll position stays.
    void SortColumn(TKvGridColumn* Column);
    // The pending cell and row edits are committed first and the editor closes, as the rows
    // may move under it. False when an edit stays open (its value did not commit).
    bool CommitPending();
};

} // namespace kv
