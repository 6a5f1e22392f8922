// The layout managers.
//
// Sections: the abstract manager (views, pools, timing); column grouping and heights; column
// points; item points; measure; layout; geometry queries; hit testing; column fitting.
//
// Call flow: TKvGridView::UpdateLayout calls Layout up to three times while it decides on the
// scroll bars. DoLayout runs DoMeasure (heights, fixed and scrolled column points, rows
// measured with pooled views borrowed from the delegate until the body is full, area
// rectangles), then places the area views, the corner cells and the row views (LayoutItems),
// and each view lays out its cells. Tools ask MouseToIndex and DataCellRect afterwards; they
// read only what the last layout computed.
#include "grid/KvGrids.Layout.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.View.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Trace.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QHash>
#include <algorithm>
#include <cmath>
#include <limits>
#include <typeinfo>

namespace kv {

// ---- abstract manager ------------------------------------------------------------------------

TKvAbstractGridLayoutManager::TKvAbstractGridLayoutManager(TKvGridView* Grid) : FGrid(Grid)
{
    if (!Grid)
        throw EArgumentNilException(QStringLiteral("owner is nil"));
}

namespace {
// Runs a layout, timed by a trace line.
template <typename F>
void TracedLayout(F&& Layout)
{
    QElapsedTimer timer;
    timer.start();
    Layout();
    if (TraceEnabled())
        trace(QStringLiteral(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>> Layout: %1").arg(timer.elapsed()));
}
} // namespace

void TKvAbstractGridLayoutManager::Layout(const TRect& Rect)
{
    TracedLayout([&] { DoLayout(Rect); });
}

void TKvAbstractGridLayoutManager::LayoutMeasured(const TRect& Rect)
{
    TracedLayout([&] { DoLayoutMeasured(Rect); });
}

TKvGridRegionElement* TKvAbstractGridLayoutManager::GetPanel() const { return FGrid->GetPanelView(); }
TKvGridIndicatorElement* TKvAbstractGridLayoutManager::GetIndicator() const { return FGrid->GetIndicatorView(); }
TKvGridStatesBarElement* TKvAbstractGridLayoutManager::GetStatesBar() const { return FGrid->GetStatesBarView(); }
TKvGridCheckBarElement* TKvAbstractGridLayoutManager::GetCheckBar() const { return FGrid->GetCheckBarView(); }
TKvGridRowGroupElement* TKvAbstractGridLayoutManager::GetRowGroup() const { return FGrid->GetRowGroupView(); }
TKvGridObjectHeaderElement* TKvAbstractGridLayoutManager::GetHeaderIndicator() const { return FGrid->GetIndicatorHeadView(); }
TKvGridObjectHeaderElement* TKvAbstractGridLayoutManager::GetHeaderStates() const { return FGrid->GetStatesBarHeadView(); }
TKvGridObjectHeaderElement* TKvAbstractGridLayoutManager::GetHeaderCheck() const { return FGrid->GetCheckBarHeadView(); }
TKvGridHeaderElement* TKvAbstractGridLayoutManager::GetHeader() const { return FGrid->GetHeaderView(); }
TKvGridHeaderElement* TKvAbstractGridLayoutManager::GetFixedHeader() const { return FGrid->GetFixedHeaderView(); }
TKvGridObjectFooterElement* TKvAbstractGridLayoutManager::GetFooterStates() const { return FGrid->GetStatesBarFootView(); }
TKvGridObjectFooterElement* TKvAbstractGridLayoutManager::GetFooterCheck() const { return FGrid->GetCheckBarFootView(); }
TKvGridObjectFooterElement* TKvAbstractGridLayoutManager::GetFooterIndicator() const { return FGrid->GetIndicatorFootView(); }
TKvGridFooterElement* TKvAbstractGridLayoutManager::GetFooter() const { return FGrid->GetFooterView(); }
TKvGridFooterElement* TKvAbstractGridLayoutManager::GetFixedFooter() const { return FGrid->GetFixedFooterView(); }
TKvGridBodyElement* TKvAbstractGridLayoutManager::GetBody() const { return FGrid->GetBodyView(); }
TKvGridBodyElement* TKvAbstractGridLayoutManager::GetFixedBody() const { return FGrid->GetFixedBodyView(); }

TKvGridItem* TKvAbstractGridLayoutManager::GetItem(int Index) const
{
    TKvGridItemProvider* items = FGrid->GetItemProvider();
    return items ? items->GetItem(Index) : nullptr;
}

int TKvAbstractGridLayoutManager::GetFixedRowCount() const
{
    TKvGridItemProvider* items = FGrid->GetItemProvider();
    return items ? std::min(items->GetItemCount(), items->GetFixedCount()) : 0;
}

void TKvAbstractGridLayoutManager::ClearItemViews() { FGrid->ClearItemViews(); }
void TKvAbstractGridLayoutManager::ClearRowGroupBodyViews() { FGrid->ClearRowGroupBodyViews(); }
TKvGridRowElement* TKvAbstractGridLayoutManager::AddRowView(int Index, bool Fixed) { return FGrid->AddRowView(Index, Fixed); }
TKvGridRowElement* TKvAbstractGridLayoutManager::GetRowView(int Index, bool Fixed) const { return FGrid->GetRowView(Index, Fixed); }
void TKvAbstractGridLayoutManager::AddRowGroupHeaderView(int Index) { FGrid->AddRowGroupHeaderView(Index); }
void TKvAbstractGridLayoutManager::AddRowGroupFooterView(int Index) { FGrid->AddRowGroupFooterView(Index); }

IKvGridItemRenderer* TKvAbstractGridLayoutManager::GetItemRenderer(TKvGridItem* Item) const
{
    return FGrid->GetGridDelegate()->GetItemRenderer(Item);
}

TKvGridCell* TKvAbstractGridLayoutManager::GetCell(TObject* Object, const TKvGridCellIndex& Index) const
{
    return Object == FGrid->GetBody() ? FGrid->GetBody()->GetCell(Index) : nullptr;
}

// ---- stock manager: grouping and heights -----------------------------------------------------

TKvGridLayoutManager::TKvGridLayoutManager(TKvGridView* Grid) : TKvAbstractGridLayoutManager(Grid) {}

TKvGridColumn* TKvGridLayoutManager::GetColumn(int Index) const
{
    if (Index < 0 || Index >= static_cast<int>(FColumns.size()))
        RaiseListIndexError(Index, static_cast<int>(FColumns.size()));
    return FColumns[static_cast<size_t>(Index)];
}

namespace {

int AtLeastOne(double value) { return std::max(1, static_cast<int>(std::lround(value))); }

// Borders, paddings and the text line of one level of a band.
int BandUnit(TKvGridViewStyles* s, double textHeight)
{
    return static_cast<int>(std::lround(textHeight)) + AtLeastOne(s->GetBorderTop() ? s->GetBorderTop()->GetWidth() : 0) +
           AtLeastOne(s->GetBorderBottom() ? s->GetBorderBottom()->GetWidth() : 0) + std::max(1, s->GetPaddingTop()) +
           std::max(1, s->GetPaddingBottom());
}

} // namespace

void TKvGridLayoutManager::CheckColumnGrouping()
{
    FColumnGrouped = false;
    FHeaderLevels = 1;
    FDataLevels = 1;
    TKvGridColumnGroup* root = FGrid->GetRootGroup();
    for (int i = 0, n = root->VisibleCount(); i < n; ++i)
        if (auto* group = dynamic_cast<TKvGridColumnGroup*>(root->GetVisible(i))) {
            FColumnGrouped = true;
            FHeaderLevels = std::max(FHeaderLevels, group->CalcHeaderLevels());
            FDataLevels = std::max(FDataLevels, group->CalcDataLevels());
        }

    // A level of 0 pixels would make the row measuring walk every item: at least 1.
    const int rowHeight = FGrid->GetDisplayOptions()->GetDefaultRowHeight();
    if (rowHeight >= 1) {
        FCalcedRowHeight = rowHeight;
    } else {
        TKvGridViewStyles* body = FGrid->GetBody()->GetStyles();
        int h = static_cast<int>(std::lround(body->GetFont()->GetHeight() + 2.0));
        if (FGrid->GetIndicator()->GetVisible())
            h = std::max(h, static_cast<int>(std::lround(FGrid->GetIndicator()->GetStyles()->GetFont()->GetHeight())));
        if (FGrid->GetStatesBar()->GetVisible())
            h = std::max(h, static_cast<int>(std::lround(FGrid->GetStatesBar()->GetStyles()->GetFont()->GetHeight())));
        FCalcedRowHeight = std::max(1, FDataLevels * BandUnit(body, h));
    }

    TKvGridHeader* header = FGrid->GetHeader();
    if (header->GetHeight() >= 1)
        FCalcedHeaderHeight = header->GetHeight();
    else {
        TKvGridViewStyles* s = header->GetStyles();
        FCalcedHeaderHeight = std::max(header->GetMinHeight(), FHeaderLevels * (BandUnit(s, s->GetFont()->GetHeight()) + 2));
    }
    TKvGridFooter* footer = FGrid->GetFooter();
    if (footer->GetHeight() >= 1)
        FCalcedFooterHeight = footer->GetHeight();
    else {
        TKvGridViewStyles* s = footer->GetStyles();
        FCalcedFooterHeight = std::max(footer->GetMinHeight(), FDataLevels * (BandUnit(s, s->GetFont()->GetHeight()) + 2));
    }
}

int TKvGridLayoutManager::MeasureClientHeight(int Rows, bool WithHeader)
{
    CheckColumnGrouping();
    return FCalcedRowHeight * Rows + (WithHeader ? FCalcedHeaderHeight : 0);
}

// ---- column points ---------------------------------------------------------------------------

namespace {
// Column extents stay far enough below the int range that offsets added to them cannot
// overflow.
constexpr std::int64_t MaxColumnExtent = std::numeric_limits<int>::max() / 2;

// The next column point: a negative width counts as 0, the sum is clamped.
int NextColumnPoint(int Point, int Width)
{
    return static_cast<int>(std::min<std::int64_t>(MaxColumnExtent, static_cast<std::int64_t>(Point) + std::max(0, Width)));
}
} // namespace

std::vector<int> FitColumnPoints(const std::vector<int>& Widths, TKvGridFitStyle Style, int AreaWidth, int& Length)
{
    const size_t n = Widths.size();
    std::vector<int> points(n + 1, 0);
    for (size_t k = 0; k < n; ++k)
        points[k + 1] = NextColumnPoint(points[k], Widths[k]);
    Length = points[n];
    if (n == 0)
        return points;
    if (Style == FitEven) {
        const std::int64_t sum = points[n];
        // Columns of no width share the area evenly instead of dividing by zero.
        for (size_t k = 1; k < n; ++k)
            points[k] = sum > 0 ? static_cast<int>(static_cast<std::int64_t>(AreaWidth) * points[k] / sum)
                                : static_cast<int>(static_cast<std::int64_t>(AreaWidth) * static_cast<std::int64_t>(k) /
                                                   static_cast<std::int64_t>(n));
        points[n] = AreaWidth;
        Length = AreaWidth;
    } else if (Style == FitLastFill) {
        if (AreaWidth > points[n - 1] && AreaWidth > points[n]) {
            points[n] = AreaWidth;
            Length = AreaWidth;
        }
    }
    return points;
}

void TKvGridLayoutManager::CalcFixedColumnPoints()
{
    FColumnCount = FGrid->GetVisibleColumnCount();
    FFixedCols = std::min(FGrid->GetFixedCols()->GetCount(), FColumnCount);
    FFixedCols = std::max(FFixedCols, 0);
    FColumns.clear();
    FFixedWidth = 0;
    FFixedColumnPoints.assign(static_cast<size_t>(FFixedCols + 1), 0);
    if (FFixedCols < 1) {
        FFixedColumnPoints.clear();
        return;
    }
    for (int i = 0; i < FFixedCols; ++i) {
        TKvGridColumn* column = FGrid->GetVisibleColumn(i);
        FColumns.push_back(column);
        FFixedColumnPoints[static_cast<size_t>(i + 1)] = NextColumnPoint(FFixedColumnPoints[static_cast<size_t>(i)], column->GetWidth());
    }
    FFixedWidth = NextColumnPoint(FFixedColumnPoints.back(), FGrid->GetFixedCols()->GetBarWidth());
}

void TKvGridLayoutManager::CalcColumnPoints(TRect& Rect)
{
    const int n = FColumnCount - FFixedCols;
    FColumnsLength = 0;
    if (n < 1) {
        FColumnPoints.assign(1, 0);
        return;
    }
    std::vector<int> widths;
    widths.reserve(static_cast<size_t>(n));
    for (int i = FFixedCols; i < FColumnCount; ++i) {
        TKvGridColumn* column = FGrid->GetVisibleColumn(i);
        FColumns.push_back(column);
        widths.push_back(column->GetWidth());
    }
    FColumnPoints = FitColumnPoints(widths, FGrid->GetDisplayOptions()->GetFitStyle(), Rect.Width(), FColumnsLength);
    Rect.Right = Rect.Left + FColumnsLength;
}

// ---- item points -----------------------------------------------------------------------------

int TKvGridLayoutManager::MeasureItem(int Index, int Width)
{
    TKvGridItem* item = GetItem(Index);
    TKvGridDelegate* delegate = FGrid->GetGridDelegate();
    TKvGridElement* view = delegate->BorrowItemView(item);
    int height = 0;
    {
        TScopeExit giveBack([&] { delegate->ReturnItemView(view); });
        auto* itemView = static_cast<TKvGridItemElement*>(view);
        itemView->SetIndex(Index);
        itemView->SetRenderer(GetItemRenderer(item));
        height = view->Measure(FGrid, Width, FCalcedRowHeight).cy;
    }
    // A row never measures below 1 pixel, so filling the body always ends.
    return std::max(1, height);
}

void TKvGridLayoutManager::CalcItemPoints(TRect& Rect)
{
    FFixedItems = GetFixedRowCount();
    FFixedItemCount = 0;
    FFixedHeight = 0;
    int y = 0;
    const int height = Rect.Height();
    if (FFixedItems >= 1) {
        FFixedItemPoints.assign(static_cast<size_t>(FFixedItems + 1), 0);
        for (int i = 0; i < FFixedItems && height > y; ++i) {
            y += MeasureItem(i, Rect.Width());
            FFixedItemPoints[static_cast<size_t>(i + 1)] = y;
            ++FFixedItemCount;
        }
        FFixedHeight = y;
        y += FGrid->GetFixedRows()->GetBarHeight();
    } else {
        FFixedItemPoints.clear();
    }

    FItemCount = 0;
    FFullItemCount = 0;
    FAvaliableItemCount = 0;
    const int rows = FGrid->GetItemCount() - FFixedItemCount;
    const int top = FGrid->GetTopIndex();
    if (rows > 0 && height > y) {
        if (FItemPoints.empty())
            FItemPoints.push_back(0);
        FItemPoints[0] = y;
        for (int k = 0; top + k < rows && height > y; ++k) {
            y += MeasureItem(top + k + FFixedItems, Rect.Width());
            if (FItemPoints.size() < static_cast<size_t>(k + 2))
                FItemPoints.push_back(y);
            else
                FItemPoints[static_cast<size_t>(k + 1)] = y;
            ++FItemCount;
        }
        FFullItemCount = y > height ? FItemCount - 1 : FItemCount;
        FAvaliableItemCount = height > y ? (height - y) / std::max(1, FCalcedRowHeight) + FFullItemCount : FFullItemCount;
    }
    Rect.Bottom = Rect.Top + y;
}

// ---- measure ---------------------------------------------------------------------------------

TSize TKvGridLayoutManager::DoMeasure(const TRect& Rect)
{
    ClearRowGroupBodyViews();
    ClearItemViews();
    CheckColumnGrouping();
    CalcFixedColumnPoints();
    TRect r = Rect;

    FPanelBounds = r;
    TSize size{r.Width(), 0};
    if (GetPanel() && FGrid->GetPanel()->GetVisible())
        size = GetPanel()->Measure(FGrid, r.Width(), r.Height());
    FPanelBounds.Bottom = FPanelBounds.Top + size.cy;
    r.Top += size.cy;

    auto bar = [&](TKvGridElement* view, bool visible, TRect& bounds) {
        bounds = r;
        TSize s{0, r.Height()};
        if (visible && view)
            s = view->Measure(FGrid, r.Width(), r.Height());
        bounds.Right = bounds.Left + s.cx;
        bounds.Bottom = bounds.Top + s.cy;
        r.Left += s.cx;
    };
    bar(GetIndicator(), FGrid->GetIndicator()->GetVisible(), FIndicatorBounds);
    bar(GetStatesBar(), FGrid->GetStatesBar()->GetVisible(), FStatesBarBounds);
    bar(GetCheckBar(), FGrid->GetCheckBar()->GetVisible(), FCheckBarBounds);
    bar(GetRowGroup(), IsRowGrouped(), FRowGroupBounds);
    FRowGroupBarWidth = static_cast<unsigned>(std::max(0, FRowGroupBounds.Width()));

    FFixedBounds = r;
    FFixedBounds.Right = FFixedBounds.Left + FFixedWidth;
    r.Left += FFixedWidth;

    FHeaderBounds = r;
    TSize hs{r.Width(), 0};
    if (FGrid->GetHeader()->GetVisible()) {
        hs = GetHeader()->Measure(FGrid, r.Width(), r.Height());
        hs.cy = std::max(hs.cy, FCalcedHeaderHeight);
    }
    FHeaderBounds.Right = FHeaderBounds.Left + hs.cx;
    FHeaderBounds.Bottom = FHeaderBounds.Top + hs.cy;
    FFixedHeaderBounds = TRect{FFixedBounds.Left, FHeaderBounds.Top, FFixedBounds.Right, FHeaderBounds.Bottom};

    TSize fs{r.Width(), 0};
    if (FGrid->GetFooter()->GetVisible()) {
        fs = GetFooter()->Measure(FGrid, r.Width(), r.Height());
        fs.cy = std::max(fs.cy, FCalcedFooterHeight);
    }
    FFooterBounds = TRect{r.Left, r.Bottom - fs.cy, r.Left + fs.cx, r.Bottom};
    FFixedFooterBounds = TRect{FFixedBounds.Left, FFooterBounds.Top, FFixedBounds.Right, FFooterBounds.Bottom};

    FGridBounds = TRect{FFixedBounds.Left, FHeaderBounds.Bottom, Rect.Right, FFooterBounds.Top};
    TRect s{FHeaderBounds.Left, FHeaderBounds.Bottom, FHeaderBounds.Right, FFooterBounds.Top};
    CalcColumnPoints(s);
    CalcItemPoints(s);

    const int leftPos = FGrid->GetLeftPos();
    const int clientWidth = FGrid->GetClientWidth();
    FFirstCol = FFixedCols;
    FLastCol = -1;
    for (int i = FFixedCols; i < FColumnCount; ++i)
        if (ColumnBounds(i).Right - leftPos > 0) {
            FFirstCol = i;
            break;
        }
    // Offsets of the scrolled columns are relative to the body; the client width is compared
    // in the same space.
    const int bodyLeft = FHeaderBounds.Left;
    for (int i = FColumnCount - 1; i >= FFixedCols; --i)
        if (ColumnBounds(i).Left - leftPos < clientWidth - bodyLeft) {
            FLastCol = i;
            break;
        }
    if (TraceEnabled())
        trace(QStringLiteral(">>> firstCol = %1, lastCol = %2").arg(FFirstCol).arg(FLastCol));

    FBodyBounds = s;
    FFixedBounds.Top = s.Top;
    FFixedBounds.Bottom = s.Bottom;
    FRowGroupBounds.Right = s.Right;
    FRowGroupBounds.Bottom = FFooterBounds.Bottom;
    FPanelBounds.Right = s.Right - leftPos;
    FHeaderBounds.Right = s.Right - leftPos;
    FFooterBounds.Right = s.Right - leftPos;
    FIndicatorBounds.Bottom = s.Bottom;
    FStatesBarBounds.Bottom = s.Bottom;
    FCheckBarBounds.Bottom = s.Bottom;
    if (FColumnCount < 1) {
        FBodyBounds.Right = Rect.Right;
        FHeaderBounds.Right = Rect.Right;
        FPanelBounds.Right = Rect.Right;
        FFooterBounds.Right = Rect.Right;
    }
    return TSize{Rect.Width(), Rect.Height()};
}

// ---- layout ----------------------------------------------------------------------------------

namespace {

void Place(TKvGridElement* view, bool visible, const TRect& bounds, TKvAbstractGridLayoutManager* layout)
{
    if (!view)
        return;
    view->SetVisible(visible);
    if (!visible)
        return;
    view->SetBounds(bounds);
    view->LayoutContent(layout);
}

} // namespace

void TKvGridLayoutManager::DoLayout(const TRect& Rect)
{
    DoMeasure(Rect);
    DoLayoutMeasured(Rect);
}

void TKvGridLayoutManager::DoLayoutMeasured(const TRect& Rect)
{
    const bool fixed = FFixedCols > 0;
    const bool headerVisible = FGrid->GetHeader()->GetVisible();
    const bool footerVisible = FGrid->GetFooter()->GetVisible();
    Place(GetPanel(), FGrid->GetPanel()->GetVisible(), FPanelBounds, this);
    Place(GetIndicator(), FGrid->GetIndicator()->GetVisible(), FIndicatorBounds, this);
    Place(GetStatesBar(), FGrid->GetStatesBar()->GetVisible(), FStatesBarBounds, this);
    Place(GetCheckBar(), FGrid->GetCheckBar()->GetVisible(), FCheckBarBounds, this);
    Place(GetRowGroup(), IsRowGrouped(), FRowGroupBounds, this);
    Place(GetHeader(), headerVisible, FHeaderBounds, this);
    Place(GetFixedHeader(), headerVisible && fixed, FFixedHeaderBounds, this);
    Place(GetFooter(), footerVisible, FFooterBounds, this);
    Place(GetFixedFooter(), footerVisible && fixed, FFixedFooterBounds, this);

    // Corner cells above and below the bars.
    const int headTop = FPanelBounds.Bottom;
    const int headHeight = FHeaderBounds.Height();
    const int footTop = FFooterBounds.Top;
    const int footHeight = FFooterBounds.Height();
    auto corners = [&](TKvGridElement* head, TKvGridElement* foot, bool barVisible, int x, int width) {
        if (head) {
            head->SetVisible(barVisible && headerVisible);
            if (head->GetVisible())
                head->SetBounds(TRect::Bounds(x, headTop, width, headHeight));
        }
        if (foot) {
            foot->SetVisible(barVisible && footerVisible);
            if (foot->GetVisible())
                foot->SetBounds(TRect::Bounds(x, footTop, width, footHeight));
        }
    };
    corners(GetHeaderIndicator(), GetFooterIndicator(), FGrid->GetIndicator()->GetVisible(), Rect.Left,
            FIndicatorBounds.Width());
    corners(GetHeaderStates(), GetFooterStates(), FGrid->GetStatesBar()->GetVisible(), FStatesBarBounds.Left,
            FStatesBarBounds.Width());
    corners(GetHeaderCheck(), GetFooterCheck(), FGrid->GetCheckBar()->GetVisible(), FCheckBarBounds.Left,
            FCheckBarBounds.Width());

    TKvGridBodyElement* body = GetBody();
    TKvGridBodyElement* fixedBody = GetFixedBody();
    if (FItemCount + FFixedItemCount < 1) {
        // The empty message spans the whole width.
        if (fixedBody)
            fixedBody->SetVisible(false);
        body->SetVisible(true);
        body->SetBounds(TRect{0, FBodyBounds.Top, FBodyBounds.Right, FFooterBounds.Top});
    } else {
        if (fixedBody) {
            fixedBody->SetVisible(FFixedCols >= 1);
            if (FFixedCols >= 1)
                fixedBody->SetBounds(FFixedBounds);
        }
        body->SetVisible(true);
        body->SetBounds(FBodyBounds);
        LayoutItems(body, FBodyBounds);
    }

    if (FItemPoints.empty() || FItemCount < 1) {
        if (FFixedItemCount > 0)
            FScrollBounds = TRect{0, FFixedItemPoints[static_cast<size_t>(FFixedItemCount)], Rect.Right, FFooterBounds.Top};
        else
            FScrollBounds = TRect{};
    } else {
        FScrollBounds = TRect{0, FItemPoints[0] + FBodyBounds.Top, Rect.Right, FFooterBounds.Top};
    }
}

void TKvGridLayoutManager::LayoutItems(TKvGridBodyElement* BodyView, const TRect& Rect)
{
    auto place = [&](int index, int top, int bottom) {
        TKvGridItem* item = GetItem(index);
        // A plain row is neither kind of group item (asked first: it is what most rows are).
        const bool plain = item && typeid(*item) == typeid(TKvGridRow);
        if (!plain && dynamic_cast<TKvGridGroupItem*>(item)) {
            AddRowGroupHeaderView(index);
            return;
        }
        if (!plain && dynamic_cast<TKvGridGroupFooter*>(item)) {
            AddRowGroupFooterView(index);
            return;
        }
        IKvGridItemRenderer* renderer = GetItemRenderer(item);
        TKvGridRowElement* row = AddRowView(index, false);
        row->SetBounds(TRect{0, top, Rect.Width(), bottom});
        row->SetRenderer(renderer);
        row->LayoutContent(this);
        if (FFixedCols >= 1) {
            TKvGridRowElement* fixedRow = AddRowView(index, true);
            fixedRow->SetBounds(TRect{0, top, FFixedWidth, bottom});
            fixedRow->SetRenderer(renderer);
            fixedRow->LayoutContent(this);
        }
    };
    for (int i = 0; i < FFixedItemCount; ++i)
        place(i, FFixedItemPoints[static_cast<size_t>(i)], FFixedItemPoints[static_cast<size_t>(i + 1)]);
    const int first = FGrid->GetTopIndex() + FFixedItems;
    for (int k = 0; k < FItemCount; ++k)
        place(first + k, FItemPoints[static_cast<size_t>(k)], FItemPoints[static_cast<size_t>(k + 1)]);
    if (IsRowGrouped() && GetRowGroup())
        GetRowGroup()->LayoutContent(this);
}

// ---- geometry queries ------------------------------------------------------------------------

TRect TKvGridLayoutManager::ColumnBounds(int Index) const
{
    const bool scrolled = Index >= FFixedCols;
    const std::vector<int>& points = scrolled ? FColumnPoints : FFixedColumnPoints;
    const int k = scrolled ? Index - FFixedCols : Index;
    if (k < 0 || static_cast<size_t>(k + 1) >= points.size())
        return TRect{};
    return TRect{points[static_cast<size_t>(k)], 0, points[static_cast<size_t>(k + 1)], 0};
}

TRect TKvGridLayoutManager::ColumnRect(int Index) const
{
    TRect r = ColumnBounds(Index);
    r.Offset(Index >= FFixedCols ? FBodyBounds.Left : FGridBounds.Left, 0);
    return r;
}

TRect TKvGridLayoutManager::DataColumnRect(TKvGridColumn* Column) const
{
    if (!Column)
        return TRect{};
    TKvGridColumn* top = Column->GetRoot();
    const auto it = std::find(FColumns.begin(), FColumns.end(), top);
    if (it == FColumns.end())
        return TRect{};
    TRect r = ColumnRect(static_cast<int>(it - FColumns.begin()));
    TKvGridColumn* dataRoot = Column->GetDataRoot();
    if (dataRoot && dataRoot != top) {
        r.Left += dataRoot->GetOffset();
        r.Right = r.Left + dataRoot->GetGroupWidth();
    }
    return r;
}

bool TKvGridLayoutManager::RowSpan(int Index, int& Top, int& Bottom) const
{
    if (Index < 0)
        return false;
    if (Index >= FFixedItemCount) {
        const int k = Index - FFixedItemCount;
        if (k >= FItemCount)
            return false;
        Top = FItemPoints[static_cast<size_t>(k)];
        Bottom = FItemPoints[static_cast<size_t>(k + 1)];
        return true;
    }
    Top = FFixedItemPoints[static_cast<size_t>(Index)];
    Bottom = FFixedItemPoints[static_cast<size_t>(Index + 1)];
    return true;
}

TRect TKvGridLayoutManager::ItemBounds(int Index) const
{
    int top = 0, bottom = 0;
    if (!RowSpan(Index, top, bottom))
        return TRect{};
    return TRect{0, top, FBodyBounds.Right, bottom};
}

// The same row as ItemBounds, moved down by the body top (the two agree with fixed rows).
TRect TKvGridLayoutManager::ItemRect(int Index) const
{
    TRect r = ItemBounds(Index);
    if (r.Bottom == 0 && r.Top == 0)
        return r;
    r.Offset(0, FBodyBounds.Top);
    r.Left = 0;
    return r;
}

TRect TKvGridLayoutManager::DataCellRect(const TKvGridCellIndex& Index)
{
    if (!Index.Column)
        return TRect{};
    TKvGridColumn* top = Index.Column->GetRoot();
    const auto it = std::find(FColumns.begin(), FColumns.end(), top);
    if (it == FColumns.end())
        return TRect{};
    const int position = static_cast<int>(it - FColumns.begin());
    TRect r = ColumnRect(position);
    const int row = Index.ItemIndex - FGrid->GetTopIndex();
    if (row >= 0 && row < FFixedItemCount + FItemCount) {
        const TRect b = ItemBounds(row);
        r.Top = b.Top + FBodyBounds.Top;
        r.Bottom = b.Bottom + FBodyBounds.Top;
    } else {
        const int top0 = FItemPoints.empty() ? 0 : FItemPoints[0];
        r.Top = r.Bottom = top0 + FBodyBounds.Top;
    }
    if (Index.Column != top) {
        const bool fixed = position < FFixedCols;
        if (TKvGridRowElement* rowView = GetRowView(Index.ItemIndex, fixed))
            if (TKvGridIndexedCellElement* cell = rowView->GetCells(Index.Column)) {
                const TRectF cb = cell->BoundsByContainer();
                r = TRect{static_cast<int>(std::lround(cb.Left)), static_cast<int>(std::lround(cb.Top)),
                          static_cast<int>(std::lround(cb.Right)), static_cast<int>(std::lround(cb.Bottom))};
            }
    }
    return r;
}

// ---- hit testing -----------------------------------------------------------------------------

TKvGridCellIndex TKvGridLayoutManager::MouseToIndex(int X, int Y)
{
    TKvGridCellIndex result = TKvGridCellIndex::Null();
    const int bodyTop = FBodyBounds.Top;
    int row = -1;
    int rowTop = 0;
    if (Y >= bodyTop && Y <= FFooterBounds.Top) {
        for (int i = 0; i < FFixedItemCount && row < 0; ++i)
            if (bodyTop + FFixedItemPoints[static_cast<size_t>(i)] <= Y && Y < bodyTop + FFixedItemPoints[static_cast<size_t>(i + 1)]) {
                row = i;
                rowTop = bodyTop + FFixedItemPoints[static_cast<size_t>(i)];
            }
        for (int k = 0; k < FItemCount && row < 0; ++k)
            if (bodyTop + FItemPoints[static_cast<size_t>(k)] <= Y && Y < bodyTop + FItemPoints[static_cast<size_t>(k + 1)]) {
                row = FGrid->GetTopItem() + k;
                rowTop = bodyTop + FItemPoints[static_cast<size_t>(k)];
            }
    }

    int column = -1;
    int dx = 0; // the x offset inside the column found
    if (FGridBounds.Left <= X && X < FGrid->GetClientWidth()) {
        int x = X - FGridBounds.Left;
        for (int i = 0; i < FFixedCols && column < 0; ++i)
            if (FFixedColumnPoints[static_cast<size_t>(i)] <= x && x < FFixedColumnPoints[static_cast<size_t>(i + 1)]) {
                column = i;
                dx = x - FFixedColumnPoints[static_cast<size_t>(i)];
            }
        if (column < 0) {
            x = x - FFixedWidth + FGrid->GetLeftPos();
            for (int i = std::max(FFirstCol, FFixedCols); i <= FLastCol && column < 0; ++i) {
                const TRect b = ColumnBounds(i);
                if (b.Left <= x && x < b.Right) {
                    column = i;
                    dx = x - b.Left;
                }
            }
        }
    }

    result.ItemIndex = row;
    if (column >= 0 && column < FGrid->GetVisibleColumnCount() && column < static_cast<int>(FColumns.size())) {
        TKvGridColumn* c = FColumns[static_cast<size_t>(column)];
        result.Grid = FGrid;
        if (auto* group = dynamic_cast<TKvGridColumnGroup*>(c)) {
            if (row < 0)
                result.Column = HeaderLeafAt(group, column < FFixedCols, X, Y, dx);
            else
                result.Column = group->GetVisibleColumnAt(dx, Y - rowTop);
        } else {
            result.Column = c;
        }
    } else if (row >= 0) {
        result.Grid = FGrid;
    }
    return result;
}

// The leaf under a point of the header: the header cell view under it when it is a data
// column's; otherwise (a group's caption, or below the laid-out cells) the leaf at that x.
TKvGridColumn* TKvGridLayoutManager::HeaderLeafAt(TKvGridColumnGroup* Group, bool Fixed, int X, int Y, int Dx) const
{
    TKvGridHeaderElement* header = Fixed ? GetFixedHeader() : GetHeader();
    if (header && header->GetVisible()) {
        const TPointF p = header->ContainerToSprite(TPointF{static_cast<float>(X), static_cast<float>(Y)});
        if (TKvGridHeaderCellElement* cell = header->GetCellAt(p.X, p.Y))
            if (dynamic_cast<TKvGridDataColumn*>(cell->GetColumn()))
                return cell->GetColumn();
    }
    TKvGridColumn* leaf = Group;
    for (int guard = 0; guard < 64; ++guard) {
        auto* g = dynamic_cast<TKvGridColumnGroup*>(leaf);
        if (!g)
            break;
        TKvGridColumn* next = nullptr;
        for (int i = 0, n = g->VisibleCount(); i < n && !next; ++i) {
            TKvGridColumn* child = g->GetVisible(i);
            const TRect& r = child->GetLayoutRect();
            if (r.Left <= Dx && Dx < r.Right)
                next = child;
        }
        if (!next)
            return g->First() ? static_cast<TKvGridColumn*>(g->First()) : g;
        Dx -= next->GetLayoutRect().Left;
        leaf = next;
    }
    return leaf;
}

// ---- column fitting --------------------------------------------------------------------------

int TKvGridLayoutManager::FitColumnWidth(TKvGridColumn* Column)
{
    if (!Column)
        throw EArgumentNilException(QStringLiteral("column"));
    int result = Column->GetWidth();
    TKvGridCellRenderer* renderer = FGrid->GetGridDelegate()->GetCellRenderer(FGrid->GetIndex(-1, Column));
    if (!renderer)
        return result;
    TKvGridViewStyles* styles = Column->GetStyles();
    int extra = styles->GetBorderLeftWidth() + styles->GetBorderRightWidth();
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    if (data && data->GetButton() != ButtonNone)
        extra += TKvDrawingContext::GetButtonWidth();

    // The stock text renderer measures text plus paddings: text widths are cached per font and
    // text, so a column of few distinct values over many rows measures each value once.
    auto* textRenderer = dynamic_cast<TKvGridDataCellRenderer*>(renderer);
    const bool cached = textRenderer && typeid(*renderer) == typeid(TKvGridDataCellRenderer);
    QHash<QString, int> widths;
    TKvFont* lastFont = nullptr;
    int largest = -1;
    const int count = FGrid->GetItemCount();
    for (int i = 0; i < count; ++i) {
        TKvGridCell* cell = FGrid->GetBody()->GetCell(FGrid->GetIndex(i, Column));
        int w;
        if (cached) {
            TKvGridViewStyles* s = cell->GetStyles();
            if (s->GetFont() != lastFont) {
                widths.clear();
                lastFont = s->GetFont();
            }
            const QString text = textRenderer->GetText(cell);
            auto it = widths.constFind(text);
            if (it == widths.constEnd())
                it = widths.insert(text, static_cast<int>(std::ceil(TKvDrawingContext::MeasureText(text, lastFont).cx)));
            w = *it + s->GetPaddingLeft() + s->GetPaddingRight();
        } else {
            w = renderer->Measure(cell, Column->GetWidth(), 0x7FFFFFFF).cx;
        }
        largest = std::max(largest, w);
    }
    if (largest >= 0)
        result = largest + extra;
    return result;
}

} // namespace kv
