// The grid view's views, layout passes and delegate.
//
// Sections: views and layers; factories; row views; delegate and tool; layout passes; scroll
// information.
//
// Call flow: CreateElements adds the area views and layers in drawing order. The host's paint
// calls DoLayoutElements, which runs UpdateLayout only when a refresh asked for it: renderers
// are reset, the layout manager runs once (or up to three times while the scroll bars are
// decided), then the lines overlay, the selection views and the active tool hear of it.
#include "grid/KvGrids.View.h"
#include "grid/KvGrids.EditorBase.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.Impl.h"
#include "grid/KvGrids.Layout.h"
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.Selection.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Messages.h"

namespace kv {

// ---- views and layers ------------------------------------------------------------------------

void TKvGridView::CreateViews()
{
    auto add = [this](auto* view) {
        AddElement(view);
        return view;
    };
    FBodyView = add(Create<TKvGridBodyElement>(FBody.get(), QStringLiteral("bodyView"), false));
    FFixedBodyView = add(Create<TKvGridBodyElement>(FBody.get(), QStringLiteral("fixedBodyView"), true));
    FPanelView = CreatePanelView();
    if (FPanelView)
        add(FPanelView);
    FIndicatorView = add(Create<TKvGridIndicatorElement>(FIndicator.get(), QStringLiteral("indicatorView")));
    FStatesBarView = add(Create<TKvGridStatesBarElement>(FStatesBar.get(), QStringLiteral("statesBarView")));
    FCheckBarView = add(Create<TKvGridCheckBarElement>(FCheckBar.get(), QStringLiteral("checkBarView")));
    FRowGroupView = add(Create<TKvGridRowGroupElement>(FRowGroup.get(), QStringLiteral("rowGroupView")));
    FIndicatorHeadView = add(Create<TKvGridObjectHeaderElement>(FIndicator.get(), QStringLiteral("headerIndicatorView")));
    FStatesBarHeadView = add(Create<TKvGridObjectHeaderElement>(FStatesBar.get(), QStringLiteral("headerStatesView")));
    FCheckBarHeadView = add(Create<TKvGridObjectHeaderElement>(FCheckBar.get(), QStringLiteral("headerCheckView")));
    FIndicatorFootView = add(Create<TKvGridObjectFooterElement>(FIndicator.get(), QStringLiteral("footerIndicatorView")));
    FStatesBarFootView = add(Create<TKvGridObjectFooterElement>(FStatesBar.get(), QStringLiteral("footerStatesView")));
    FCheckBarFootView = add(Create<TKvGridObjectFooterElement>(FCheckBar.get(), QStringLiteral("footerCheckView")));
    FHeaderView = add(CreateHeaderView(FHeader.get(), QStringLiteral("headerView"), false));
    FFixedHeaderView = add(CreateHeaderView(FHeader.get(), QStringLiteral("fixedHeaderView"), true));
    FEditBarView = add(Create<TKvGridEditBarElement>(FEditBar.get(), QStringLiteral("editBarView")));
    FEditBarView->SetVisible(false);
    FEditBarHeadView = add(Create<TKvGridObjectHeaderElement>(FEditBar.get(), QString()));
    FEditBarHeadView->SetVisible(false);
    FFooterView = add(Create<TKvGridFooterElement>(FFooter.get(), QStringLiteral("footerView"), false));
    FFixedFooterView = add(Create<TKvGridFooterElement>(FFooter.get(), QStringLiteral("fixedFooterView"), true));
    FLinesLayer = add(Create<TKvGridLinesElementImpl>(this, QStringLiteral("linesView")));
    FSelectionLayer = add(Create<TKvLayerElement>(this, QStringLiteral("selectionLayer")));
    FSelectionMask = Create<TKvGridSelectionMask>(this);
    FSelectionLayer->Add(FSelectionMask);
    FFocusLayer = add(Create<TKvLayerElement>(this, QStringLiteral("focusLayer")));
    FFeedbackLayer = add(Create<TKvLayerElement>(this, QStringLiteral("feedbackLayer")));
    if (FGridDelegate)
        SetActiveTool(FGridDelegate->GetDefaultTool().get());
}

// The host owns the views; they go here, while the area objects they show still exist.
void TKvGridView::FreeViews()
{
    SetActiveTool(nullptr);
    ClearItemViews();
    ClearRowGroupBodyViews();
    auto drop = [](auto*& view) {
        if (auto* sprite = view) {
            view = nullptr;
            sprite->Free();
        }
    };
    drop(FFeedbackLayer);
    drop(FFocusLayer);
    drop(FSelectionLayer);
    drop(FLinesLayer);
    drop(FFixedFooterView);
    drop(FFooterView);
    drop(FEditBarHeadView);
    drop(FEditBarView);
    drop(FFixedHeaderView);
    drop(FHeaderView);
    drop(FCheckBarFootView);
    drop(FStatesBarFootView);
    drop(FIndicatorFootView);
    drop(FCheckBarHeadView);
    drop(FStatesBarHeadView);
    drop(FIndicatorHeadView);
    drop(FRowGroupView);
    drop(FCheckBarView);
    drop(FStatesBarView);
    drop(FIndicatorView);
    drop(FPanelView);
    drop(FFixedBodyView);
    drop(FBodyView);
}

void TKvGridView::ColumnLeaving(TKvGridColumn* Column)
{
    if (!Column)
        return;
    if (FActiveTool)
        FActiveTool->ViewsDropping();
    // Selection ranges name their corner columns.
    ClearSelections();
    // The editor and the focus follow the focused cell: neither stays on a leaving column.
    for (TKvGridColumn* c = FFocusedIndex.Column; c; c = c->GetGroup())
        if (c == Column) {
            if (GetEditing())
                CancelEditor(false);
            if (IsDestroying())
                FFocusedIndex = TKvGridCellIndex::Null();
            else
                SetFocusedIndex(TKvGridCellIndex::Null(), true);
            break;
        }
    for (TKvGridColumnBandElement* band :
         {static_cast<TKvGridColumnBandElement*>(FHeaderView), static_cast<TKvGridColumnBandElement*>(FFixedHeaderView),
          static_cast<TKvGridColumnBandElement*>(FFooterView), static_cast<TKvGridColumnBandElement*>(FFixedFooterView)})
        if (band)
            band->DropColumn(Column);
    for (TKvGridBodyElement* body : {FBodyView, FFixedBodyView})
        if (body)
            body->DropColumn(Column);
    if (FRowGroupView)
        FRowGroupView->DropColumn(Column);
    if (FGridDelegate)
        FGridDelegate->DropColumnViews(Column);
    InvalidateLayout();
}

// ---- factories -------------------------------------------------------------------------------

TOwned<TKvGridDelegate> TKvGridView::CreateGridDelegate() { return MakeOwned<TKvGridDelegate>(this); }

TOwned<TKvAbstractGridLayoutManager> TKvGridView::CreateLayoutManager() { return MakeOwned<TKvGridLayoutManager>(this); }

TKvGridHeaderElement* TKvGridView::CreateHeaderView(TKvGridHeader* Header, const QString& Name, bool Fixed)
{
    return Create<TKvGridHeaderElement>(Header, Name, Fixed);
}

// ---- row views -------------------------------------------------------------------------------

void TKvGridView::ClearItemViews()
{
    if (FBodyView)
        FBodyView->ClearItems();
    if (FFixedBodyView)
        FFixedBodyView->ClearItems();
}

TKvGridRowElement* TKvGridView::AddRowView(int Index, bool Fixed)
{
    KV_ASSERT(Index >= 0 && Index < GetItemCount(), "index error in TKvGridView.AddRowView");
    return (Fixed ? FFixedBodyView : FBodyView)->AddItem(Index);
}

TKvGridRowElement* TKvGridView::GetRowView(int Index, bool Fixed) const
{
    TKvGridBodyElement* body = Fixed ? FFixedBodyView : FBodyView;
    return body ? body->FindByItem(Index) : nullptr;
}

void TKvGridView::AddRowGroupHeaderView(int Index)
{
    if (FRowGroupView)
        FRowGroupView->AddHeader(Index);
}

void TKvGridView::AddRowGroupFooterView(int Index)
{
    if (FRowGroupView)
        FRowGroupView->AddFooter(Index);
}

void TKvGridView::ClearRowGroupBodyViews()
{
    if (FRowGroupView)
        FRowGroupView->ClearBody();
}

TKvGridCellElement* TKvGridView::GetCellView(TKvGridObject* Area, const TKvGridCellIndex& Index) const
{
    if (!Index.Column || !FLayoutManager)
        return nullptr;
    const int fixedCols = FLayoutManager->FixedColCount();
    bool fixed = false;
    for (int i = 0; i < fixedCols; ++i)
        if (FLayoutManager->GetColumn(i) == Index.Column->GetRoot())
            fixed = true;
    if (Area == FBody.get()) {
        TKvGridRowElement* row = GetRowView(Index.ItemIndex, fixed);
        return row ? row->GetCells(Index.Column) : nullptr;
    }
    TKvGridColumnBandElement* band = nullptr;
    if (Area == FHeader.get())
        band = fixed ? FFixedHeaderView : FHeaderView;
    else if (Area == FFooter.get())
        band = fixed ? static_cast<TKvGridColumnBandElement*>(FFixedFooterView) : FFooterView;
    if (!band)
        return nullptr;
    TKvGridIndexedCellElement* top = band->GetCells(Index.Column->GetRoot());
    if (top && Index.Column != Index.Column->GetRoot())
        if (auto* group = dynamic_cast<TKvGridGroupCellElement*>(top))
            return group->FindCell(Index.Column);
    return top;
}

// ---- delegate and tool -----------------------------------------------------------------------

void TKvGridView::SetGridDelegate(TKvGridDelegate* Delegate)
{
    if (!Delegate)
        throw EArgumentNilException(QStringLiteral("Delegate is nil"));
    if (Delegate == FGridDelegate.get())
        return;
    if (Delegate->GetOwner() != this)
        throw EArgumentException(QStringLiteral("Delegate is already use by another grid"));
    // Nothing that the old delegate made or lends stays in use: the laid-out rows go back to
    // their pools and the tool changes before the old delegate is freed.
    ClearItemViews();
    ClearRowGroupBodyViews();
    TOwned<TKvGridDelegate> old = std::move(FGridDelegate);
    FGridDelegate.reset(Delegate);
    SetActiveTool(FGridDelegate->GetDefaultTool().get());
    old.reset();
    RefreshView(false);
}

IKvGridTool* TKvGridView::GetActiveTool() const { return FActiveTool.get(); }

void TKvGridView::SetActiveTool(IKvGridTool* Tool)
{
    if (Tool == FActiveTool.get())
        return;
    IntfPtr<IKvGridTool> old = std::move(FActiveTool);
    FActiveTool = IntfPtr<IKvGridTool>(Tool);
    if (old)
        old->Deactivate();
    old = nullptr;
    if (Tool)
        Tool->Activate();
}

bool TKvGridView::GetHovering() const { return FActiveTool && FActiveTool->GetHovering(); }

void TKvGridView::SetHovering(bool Value)
{
    if (FActiveTool)
        FActiveTool->SetHovering(Value);
}

int TKvGridView::GetTopItem() const { return (FLayoutManager ? FLayoutManager->FixedItemCount() : 0) + FTopIndex; }

// ---- layout passes ---------------------------------------------------------------------------

void TKvGridView::ResetRenderers()
{
    TKvGridDelegate* d = FGridDelegate.get();
    if (!d)
        return;
    FBodyView->SetRenderer(d->GetBodyRenderer());
    FBodyView->SetEmptyRenderer(d->GetEmptyRenderer());
    FFixedBodyView->SetRenderer(d->GetFixedBodyRenderer());
    FFixedBodyView->SetEmptyRenderer(d->GetEmptyRenderer());
    FIndicatorView->SetRenderer(d->GetIndicatorRenderer());
    FIndicatorView->SetCellRenderer(d->GetIndicatorCellRenderer());
    FStatesBarView->SetRenderer(d->GetStatesBarRenderer());
    FStatesBarView->SetCellRenderer(d->GetStatesCellRenderer());
    FCheckBarView->SetRenderer(d->GetCheckBarRenderer());
    FCheckBarView->SetCellRenderer(d->GetCheckCellRenderer());
    FIndicatorHeadView->SetRenderer(d->GetIndicatorHeadRenderer());
    FStatesBarHeadView->SetRenderer(d->GetStatesBarHeadRenderer());
    FCheckBarHeadView->SetRenderer(d->GetCheckBarHeadRenderer());
    FIndicatorFootView->SetRenderer(d->GetIndicatorFootRenderer());
    FStatesBarFootView->SetRenderer(d->GetStatesBarFootRenderer());
    FCheckBarFootView->SetRenderer(d->GetCheckBarFootRenderer());
    FHeaderView->SetRenderer(d->GetHeaderRenderer());
    FHeaderView->SetCellRenderer(d->GetHeaderCellRenderer());
    FHeaderView->SetCellHoverRenderer(d->GetHeaderCellHoverRenderer());
    FFixedHeaderView->SetRenderer(d->GetFixedHeaderRenderer());
    FFixedHeaderView->SetCellRenderer(d->GetHeaderCellRenderer());
    FFixedHeaderView->SetCellHoverRenderer(d->GetHeaderCellHoverRenderer());
    FFooterView->SetRenderer(d->GetFooterRenderer());
    FFooterView->SetCellRenderer(d->GetFooterCellRenderer());
    FFixedFooterView->SetRenderer(d->GetFixedFooterRenderer());
    FFixedFooterView->SetCellRenderer(d->GetFooterCellRenderer());
}

void TKvGridView::DoLayoutElements()
{
    if (!FLayoutNeeded || FLayoutLock)
        return;
    UpdateLayout();
    // The open editor follows its cell; with EditWhenFocused the focused cell's editor opens.
    if (FEditController) {
        if (FEditOptions->GetEditWhenFocused() && !FEditController->GetEditing())
            FEditController->ShowEditor(false);
        else
            FEditController->ResetEditor(false);
    }
    FLayoutNeeded = false;
}

void TKvGridView::UpdateLayout()
{
    KV_ASSERT(FLayoutManager, "Grid layout manager is nil");
    LinkStyles();
    FRootGroup->ResetVisibles();
    ResetRenderers();
    for (int i = 0, n = FRootGroup->VisibleCount(); i < n; ++i)
        if (auto* group = dynamic_cast<TKvGridColumnGroup*>(FRootGroup->GetVisible(i))) {
            group->SetGroupWidth(group->GetWidth());
            group->ResetColumnWidths();
        }

    // Where the rows and columns start in this pass.
    const int topIndex = FTopIndex;
    const int leftPos = FLeftPos;
    const int barWidth = GetSystemMetrics(SM_CXVSCROLL);
    const int barHeight = GetSystemMetrics(SM_CYHSCROLL);
    int w = GetClientWidth() + (FVScrolled ? barWidth : 0);
    int h = GetClientHeight() + (FHScrolled ? barHeight : 0);
    FHScrolled = false;
    FVScrolled = false;
    TKvAbstractGridLayoutManager* m = FLayoutManager.get();
    // The bars are decided by the measures alone; the views are placed once, in the room the
    // bars leave.
    m->Measure(TRect{0, 0, w, h});

    const TKvGridFitStyle fit = FDisplayOptions->GetFitStyle();
    const int vw = FDisplayOptions->GetVScrollBar() ? barWidth : 0;
    const int hh = FDisplayOptions->GetHScrollBar() && fit != FitEven ? barHeight : 0;
    auto available = [&](int width) {
        return width - m->IndicatorBounds().Width() - m->StatesBarBounds().Width() - m->CheckBarBounds().Width() -
               static_cast<int>(m->RowGroupBarWidth()) - m->FixedWidth();
    };
    const int availableWidth = available(w);
    const int availableHeight = h - m->PanelBounds().Height() - m->HeaderBounds().Height() - m->FooterBounds().Height();
    const TRect body = m->BodyBounds();
    const bool vNeeded = body.Height() > availableHeight - hh || FTopIndex > 0 ||
                         m->FullItemCount() + m->FixedItemCount() < GetItemCount();
    if (body.Width() > availableWidth - vw && vNeeded) {
        m->Layout(TRect{0, 0, w - vw, h - hh});
        w -= vw;
        h -= hh;
        SetScrollInfos(true, available(w));
        SetScrollInfos(false, available(w));
        FHScrolled = true;
        FVScrolled = true;
    } else {
        SetScrollInfos(false, available(w));
        SetScrollInfos(true, available(w));
        const int cw = GetClientWidth();
        const int ch = GetClientHeight();
        if (cw == w && ch == h) {
            // The measures hold unless the bars moved the rows or columns.
            if (FTopIndex == topIndex && FLeftPos == leftPos)
                m->LayoutMeasured(TRect{0, 0, w, h});
            else
                m->Layout(TRect{0, 0, w, h});
        } else {
            // The window added a bar: lay out again in what is left.
            if (cw != w) {
                w -= vw;
                FVScrolled = true;
            }
            if (ch != h) {
                h -= hh;
                FHScrolled = true;
            }
            m->Layout(GetClientRect());
            SetScrollInfos(true, available(GetClientWidth()));
            SetScrollInfos(false, available(GetClientWidth()));
        }
    }

    // The flags say which bars are shown; the next pass takes back only their room.
    FVScrolled = IsScrollBarVisible(SB_VERT);
    FHScrolled = IsScrollBarVisible(SB_HORZ);
    FLayouted = true;
    // Room left below the last row or right of the last column (a larger window, fewer rows or
    // columns): the top index moves up and the left position left to fill the body, and the
    // pass runs again from there. A bar that came or went above has resized the window, whose
    // refresh may have moved them already, after this pass measured its rows.
    const bool rows = !FRefilling && (MoveScrollPos(SB_VERT, FTopIndex, FTopIndex) || FTopIndex != topIndex);
    const bool columns = !FRefilling && (MoveScrollPos(SB_HORZ, FLeftPos, FLeftPos) || FLeftPos != leftPos);
    if (rows || columns) {
        TRestore<bool> refilling(FRefilling, true);
        UpdateLayout();
        return;
    }
    FLinesLayer->PrepareLines(this, m, TRect{0, 0, w, h});
    FLinesLayer->SetBounds(TRect{0, 0, w, h});
    LayoutSelectionViews(m);
    if (FActiveTool)
        FActiveTool->GridLayoutChanged();
}

bool TKvGridView::RowsSelectionRect(int R1, int R2, TRect& Rect) const
{
    const TKvAbstractGridLayoutManager* m = FLayoutManager.get();
    if (!FLayouted || !m)
        return false;
    if (R1 > R2)
        std::swap(R1, R2);
    const int fixed = m->FixedItemCount();
    const int top = GetTopItem();
    // Laid-out rows: the fixed ones, then the scrolled ones from the top item.
    auto position = [&](int item) { return item < fixed ? item : item - top + fixed; };
    auto laidOut = [&](int item) { return (item >= 0 && item < fixed) || (item >= top && item < top + m->ItemCount()); };
    int first = R1;
    if (!laidOut(first))
        first = first < fixed ? fixed : std::max(first, top);
    int last = R2;
    if (!laidOut(last))
        last = last >= top + m->ItemCount() ? top + m->ItemCount() - 1 : std::min(last, fixed - 1);
    if (first > last || !laidOut(first) || !laidOut(last))
        return false;
    const TRect a = m->ItemBounds(position(first));
    const TRect b = m->ItemBounds(position(last));
    const TRect body = m->BodyBounds();
    Rect = TRect{0, a.Top + body.Top, body.Right - FLeftPos, std::min(b.Bottom + body.Top, m->FooterBounds().Top)};
    return !Rect.IsEmpty();
}

bool TKvGridView::ColumnsSelectionRect(TKvGridColumn* C1, TKvGridColumn* C2, TRect& Rect) const
{
    const TKvAbstractGridLayoutManager* m = FLayoutManager.get();
    if (!FLayouted || !m || !C1 || !C2)
        return false;
    auto extent = [&](TKvGridColumn* column) {
        TRect r = m->DataColumnRect(column);
        bool fixed = false;
        for (int i = 0; i < m->FixedColCount(); ++i)
            fixed = fixed || m->GetColumn(i) == column->GetRoot();
        if (!fixed)
            r.Offset(-FLeftPos, 0);
        return r;
    };
    const TRect a = extent(C1);
    const TRect b = extent(C2);
    if (a.Right <= a.Left || b.Right <= b.Left)
        return false;
    const TRect body = m->BodyBounds();
    const int left = std::max(std::min(a.Left, b.Left), m->GridBounds().Left);
    const int right = std::min(std::max(a.Right, b.Right), std::min(body.Right - FLeftPos, GetClientWidth()));
    Rect = TRect{left, body.Top, right, m->FooterBounds().Top};
    return !Rect.IsEmpty();
}

bool TKvGridView::BlockSelectionRect(const TKvGridRange& Range, TRect& Rect) const
{
    TRect rows, columns;
    if (!RowsSelectionRect(Range.R1, Range.R2, rows) || !ColumnsSelectionRect(Range.C1, Range.C2, columns))
        return false;
    Rect = TRect{columns.Left, rows.Top, columns.Right, rows.Bottom};
    return !Rect.IsEmpty();
}

// ---- scroll information ----------------------------------------------------------------------

void TKvGridView::SetScrollInfos(bool Vertical, int Width)
{
    TScrollInfo info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = 0;
    if (Vertical) {
        info.nMax = FDisplayOptions->GetVScrollBar() ? GetItemCount() - FLayoutManager->FixedItemCount() - 1 : 0;
        info.nPage = static_cast<unsigned>(std::max(1, FLayoutManager->AvaliableItemCount()));
    } else {
        const bool scrolls = FDisplayOptions->GetHScrollBar() && FDisplayOptions->GetFitStyle() != FitEven;
        info.nMax = scrolls ? FLayoutManager->BodyBounds().Width() - 1 : 0;
        info.nPage = static_cast<unsigned>(std::max(1, Width));
    }
    info.nMax = std::max(0, info.nMax);
    SetScrollInfo(Vertical ? SB_VERT : SB_HORZ, info, true);
}

} // namespace kv
