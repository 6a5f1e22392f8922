// The grouping panel: prompt, chips and their staircase, the panel view and its renderer.
//
// Sections: prompt; chips; staircase; panel view; panel renderer.
#include "components/KvGrids.Vantrel.Panel.h"

#include "components/KvGrids.Vantrel.h"
#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.Options.h"

#include <algorithm>
#include <cmath>

namespace kv {

// ---- prompt ----------------------------------------------------------------------------------

TSize TKvMessageView::Measure() const
{
    if (!FFont)
        return TSize{FPaddingLeft, 0};
    const TSizeF size = TKvDrawingContext::MeasureText(FMessage, FFont);
    return TSize{static_cast<int>(std::lround(size.cx)) + FPaddingLeft, static_cast<int>(std::lround(size.cy))};
}

void TKvMessageView::DoDraw(TKvDrawingContext* Context)
{
    if (!FFont || !FForeground || FMessage.isEmpty())
        return;
    const TRectF r(FPaddingLeft, 0, GetWidth(), GetHeight());
    Context->DrawText(FMessage, FFont, FForeground, r, AlignNear, AlignCenter);
}

// ---- chips -----------------------------------------------------------------------------------

TKvGridCell* TKvColumnView::GetModel()
{
    return FColumn ? FGrid->GetHeader()->GetCell(TKvGridCellIndex(FGrid, -1, FColumn)) : nullptr;
}

TObject* TKvColumnView::GetAdapter(const std::type_info& type)
{
    if (type == typeid(TKvGridColumn) || type == typeid(TKvGridDataColumn))
        return FColumn;
    return TKvGridCellElement::GetAdapter(type);
}

TSize TKvColumnView::Measure()
{
    TKvGridCell* model = GetModel();
    return FRenderer && model ? FRenderer->Measure(model, 10000, 0) : TSize{0, 0};
}

void TKvColumnView::DoDraw(TKvDrawingContext* Context)
{
    const float w = GetWidth();
    const float h = GetHeight();
    Context->DrawRect(TKvFill::White(), nullptr, TRectF(0, 0, w, h));
    if (TKvGridCell* model = GetModel())
        RenderContent(Context, model, TRectF(1, 1, w - 1, h - 1));
    Context->DrawRect(nullptr, TKvStroke::Gray(), TRectF(0, 0, w - 1, h - 1));
}

// ---- staircase -------------------------------------------------------------------------------

TKvGroupByView::TKvGroupByView(TKvGridView* Grid, const QString& Name)
    : TKvSpriteElement(Grid, Name), FGrid(dynamic_cast<TKvVantrel*>(Grid))
{
}

TKvGroupByView::~TKvGroupByView()
{
    // The chips are ours; they leave the child list before they go.
    if (FHasChildList)
        Clear();
    FColumnViews.clear();
}

TKvColumnView* TKvGroupByView::GetColumnView(int Index) const
{
    if (Index < 0 || Index >= static_cast<int>(FColumns.size()))
        RaiseInvalidIndex(Index);
    return FColumnViews[static_cast<size_t>(Index)].get();
}

std::vector<TRectF> TKvGroupByView::Staircase(const TKvIntegerArray& Fields)
{
    while (FColumnViews.size() < Fields.size())
        FColumnViews.push_back(TOwned<TKvColumnView>(Create<TKvColumnView>(FGrid, QStringLiteral("columnGroupingView"))));
    TKvGridDelegate* delegate = FGrid ? FGrid->GetGridDelegate() : nullptr;
    FColumnRenderer = delegate ? delegate->GetHeaderCellRenderer() : nullptr;
    std::vector<TRectF> rects;
    float x = FPaddingLeft;
    float y = FPaddingTop;
    for (size_t i = 0; i < Fields.size(); ++i) {
        TKvColumnView* chip = FColumnViews[i].get();
        chip->SetRenderer(FColumnRenderer);
        chip->SetColumn(FGrid ? FGrid->GetDataColumn(Fields[i]) : nullptr);
        const TSize size = chip->Measure();
        const float w = static_cast<float>(std::max(FDefColumnWidth, size.cx));
        const float h = static_cast<float>(std::max(FDefColumnHeight, size.cy));
        rects.emplace_back(x, y, x + w, y + h);
        x += w + FColumnGap;
        y += static_cast<float>((static_cast<int>(h) * 2) / 3);
    }
    return rects;
}

TSize TKvGroupByView::Measure(int Width)
{
    const TKvIntegerArray fields = FGrid ? FGrid->GetGroupByFields() : TKvIntegerArray{};
    const int count = static_cast<int>(fields.size());
    int height = FPaddingTop + FPaddingBottom + FDefColumnHeight + ((count - 1) * 2 * FDefColumnHeight) / 3;
    // Taller chips (a larger header font) still fit.
    const std::vector<TRectF> rects = Staircase(fields);
    if (!rects.empty())
        height = std::max(height, static_cast<int>(std::ceil(rects.back().Bottom)) + FPaddingBottom);
    return TSize{Width, height};
}

void TKvGroupByView::LayoutColumns()
{
    FColumns = FGrid ? FGrid->GetGroupByFields() : TKvIntegerArray{};
    const std::vector<TRectF> rects = Staircase(FColumns);
    std::vector<TKvSprite*> chips;
    for (size_t i = 0; i < rects.size(); ++i) {
        TKvColumnView* chip = FColumnViews[i].get();
        chip->SetBounds(rects[i]);
        chips.push_back(chip);
    }
    SetChildren(this, chips);
}

void TKvGroupByView::DoDraw(TKvDrawingContext* Context)
{
    const int count = std::min(static_cast<int>(FColumns.size()), static_cast<int>(FColumnViews.size()));
    for (int i = 1; i < count; ++i) {
        const TRectF p = FColumnViews[static_cast<size_t>(i - 1)]->GetBounds();
        const TRectF c = FColumnViews[static_cast<size_t>(i)]->GetBounds();
        const float y = p.Top + p.Height() / 3;
        const float x = c.Left + c.Width() / 4;
        Context->DrawLines(TKvStroke::Black(), std::vector<TPointF>{TPointF(p.Right, y), TPointF(x, y), TPointF(x, c.Top)});
    }
}

// ---- panel view ------------------------------------------------------------------------------

TKvGridPanelElement::TKvGridPanelElement(TKvGridObject* Model, const QString& Name) : TKvGridRegionElement(Model, Name)
{
    FMessageView = Create<TKvMessageView>(FGrid, QStringLiteral("groupMessageView"));
    FGroupByView = Create<TKvGroupByView>(FGrid, QStringLiteral("groupByView"));
    Add(FMessageView);
    Add(FGroupByView);
}

TKvGridPanelElement::~TKvGridPanelElement()
{
    if (TKvSprite* view = std::exchange(FGroupByView, nullptr))
        view->Free();
    if (TKvSprite* view = std::exchange(FMessageView, nullptr))
        view->Free();
}

bool TKvGridPanelElement::RowGrouped() const
{
    auto* grid = dynamic_cast<TKvVantrel*>(FGrid);
    return grid && grid->GetRowGrouped();
}

void TKvGridPanelElement::Relayout()
{
    if (FGrid && FGrid->GetLayoutManager() && FGrid->GetLayouted())
        DoLayoutContent(FGrid->GetLayoutManager());
    Invalidate();
}

void TKvGridPanelElement::SetState(TKvGridPanelState Value)
{
    if (Value == FState)
        return;
    FState = Value;
    switch (Value) {
    case PanelNormal: FGroupingIndex = -1; break;
    case PanelGrouping: FGroupingIndex = FGroupByView->GetColumnViewCount(); break;
    case PanleUngrouping: FGroupingIndex = 0; break;
    }
    Relayout();
}

void TKvGridPanelElement::SetGroupingIndex(int Value)
{
    if (Value == FGroupingIndex)
        return;
    FGroupingIndex = Value;
    Relayout();
}

TSize TKvGridPanelElement::DoMeasure(TKvGridView* Grid, int Width, int Height)
{
    TKvGridViewStyles* styles = Grid->GetPanel()->GetStyles();
    FMessageView->SetFont(styles->GetFont());
    FMessageView->SetForeground(styles->GetForeground());
    FMessageView->SetMessage(Grid->GetGroupingOptions()->GetPrompt());
    const TSize content = RowGrouped() ? FGroupByView->Measure(Width) : FMessageView->Measure();
    const TSize base = FPanelRenderer ? FPanelRenderer->Measure(Grid->GetPanel(), Width, Height) : TSize{Width, 0};
    return TSize{std::max(content.cx, base.cx), std::max(content.cy, base.cy)};
}

void TKvGridPanelElement::DoLayoutContent(TKvAbstractGridLayoutManager* Layout)
{
    const TRectF whole(0, 0, GetWidth(), GetHeight());
    const bool prompt = FState == PanelNormal && !RowGrouped();
    FMessageView->SetVisible(prompt);
    if (prompt)
        FMessageView->SetBounds(whole);
    FGroupByView->SetVisible(true);
    FGroupByView->SetBounds(whole);
    FGroupByView->LayoutColumns();
}

void TKvGridPanelElement::DoDraw(TKvDrawingContext* Context)
{
    if (FPanelRenderer)
        FPanelRenderer->Render(FModel, Context, TRectF(0, 0, GetWidth(), GetHeight()));
}

// ---- panel renderer --------------------------------------------------------------------------

TSize TKvGridPanelRenderer::DoMeasure(TObject* Model, int HintWidth, int HintHeight)
{
    auto* panel = dynamic_cast<TKvGridPanel*>(Model);
    return TSize{HintWidth, panel ? panel->GetMinHeight() : 0};
}

void TKvGridPanelRenderer::DoDraw(TObject* Model, TKvDrawingContext* Context, const TRectF& Rect)
{
    auto* panel = dynamic_cast<TKvGridPanel*>(Model);
    if (!panel)
        return;
    TKvGridViewStyles* styles = panel->GetStyles();
    Context->DrawRect(styles->GetBackground(), nullptr, Rect);
    if (TKvStroke* border = styles->GetBorderBottom())
        Context->DrawLine(border, Rect.Left, Rect.Bottom - 1, Rect.Right, Rect.Bottom - 1);
}

} // namespace kv
