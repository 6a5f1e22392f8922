// The stock renderers of the concrete grid view.
//
// Sections: area renderers; corner renderers; item renderers; cell renderers; the body's outer
// lines.
//
// Call flow: the delegate makes one renderer of each class for the process and hands it to
// the views in ResetRenderers and while they are prepared; views call Measure while the
// layout runs and Render while they draw. Styles come from the area objects.
#include "grid/KvGrids.Impl.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Options.h"
#include "model/KvGrids.Model.Default.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/SysUtils.h"

#include <cmath>

namespace kv {

// ---- area renderers --------------------------------------------------------------------------

namespace {

// The fixed columns' bar: a band at the right edge and its right border line.
void DrawFixedBar(TKvGridView* grid, TKvDrawingContext* context, const TRectF& r)
{
    TKvGridFixedCols* fixed = grid->GetFixedCols();
    const int bar = fixed->GetBarWidth();
    if (bar <= 0)
        return;
    TKvGridViewStyles* styles = fixed->GetBarStyles();
    context->DrawRect(styles->GetBackground(), nullptr, TRectF(r.Right - bar, r.Top, r.Right, r.Bottom));
    if (styles->GetBorderRightWidth() > 0)
        context->DrawLine(styles->GetBorderRight(), r.Right - 1, r.Top, r.Right - 1, r.Bottom);
}

} // namespace

void TKvEmptyBodyRenderer::DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect)
{
    TKvGridBody* body = grid->GetBody();
    TKvGridViewStyles* styles = body->GetEmptyStyles();
    context->DrawRect(styles->GetBackground(), nullptr, rect);
    const QString text = body->GetEmptyMessage().isEmpty() ? EmptyBodyDefaultText() : body->GetEmptyMessage();
    context->DrawText(text, styles->GetFont(), styles->GetForeground(), rect.Left + 8, rect.Top + 8);
}

void TKvGridBodyRenderer::DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect)
{
    context->FillUncovered(grid->GetBody()->GetStyles()->GetBackground(), rect);
}

void TKvGridFixedBodyRenderer::DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect)
{
    context->FillUncovered(grid->GetFixedCols()->GetStyles()->GetBackground(), rect);
    DrawFixedBar(grid, context, rect);
}

// As wide as the widest number the indicator can show (a digit run as long as the largest
// item number or data row), and never below its minimum width.
TSize TKvGridIndicatorRenderer::DoMeasure(TKvGridView* grid, int w, int h)
{
    TKvGridIndicator* indicator = grid->GetIndicator();
    int width = std::max(indicator->GetMinWidth(), indicator->GetWidth());
    TKvGridItemProvider* items = grid->GetItemProvider();
    int largest = -1;
    if (items && indicator->GetDisplayValue() == IndicatorIndex)
        largest = items->GetItemCount();
    else if (items && indicator->GetDisplayValue() == IndicatorRow && items->GetDataSource())
        largest = items->GetDataSource()->GetRowCount() - 1;
    if (largest >= 0) {
        TKvGridViewStyles* styles = indicator->GetStyles();
        TKvFont* font = styles->GetFont();
        const QString number = QString::number(largest);
        const QString key = number + QLatin1Char('|') + (font ? font->ToString() : QString());
        if (key != FMeasuredKey) {
            const QString digits(number.size(), QLatin1Char('8'));
            FMeasuredText = std::max(TKvDrawingContext::MeasureText(digits, font).cx,
                                     TKvDrawingContext::MeasureText(number, font).cx);
            FMeasuredKey = key;
        }
        const double text = FMeasuredText;
        width = std::max(width, static_cast<int>(std::ceil(text)) + styles->GetPaddingLeft() + styles->GetPaddingRight() +
                                    styles->GetBorderLeftWidth() + styles->GetBorderRightWidth() + 2);
    }
    return TSize{width, h};
}

TSize TKvStatesBarRenderer::DoMeasure(TKvGridView* grid, int w, int h) { return TSize{grid->GetStatesBar()->GetMinWidth(), h}; }

void TKvStatesBarRenderer::DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect)
{
    context->DrawRect(TKvFill::White(), nullptr, rect);
}

TSize TKvCheckBarRenderer::DoMeasure(TKvGridView* grid, int w, int h) { return TSize{grid->GetCheckBar()->GetMinWidth(), h}; }

TSize TKvGridHeaderRenderer::DoMeasure(TKvGridView* grid, int w, int h) { return TSize{w, grid->GetHeader()->GetMinHeight()}; }

void TKvGridHeaderRenderer::DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect)
{
    context->DrawRect(grid->GetVisibleColumnCount() < 1 ? grid->GetHeader()->GetStyles()->GetBackground() : TKvFill::White(),
                      nullptr, rect);
}

void TKvGridFixedHeaderRenderer::DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect)
{
    if (grid->GetFixedCols()->GetCount() < 1) {
        context->DrawRect(grid->GetHeader()->GetStyles()->GetBackground(), nullptr, rect);
        return;
    }
    context->DrawRect(TKvFill::White(), nullptr, rect);
    DrawFixedBar(grid, context, rect);
}

TSize TKvGridFooterRenderer::DoMeasure(TKvGridView* grid, int w, int h) { return TSize{w, grid->GetFooter()->GetMinHeight()}; }

void TKvGridFooterRenderer::DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect)
{
    context->DrawRect(grid->GetVisibleColumnCount() < 1 ? grid->GetFooter()->GetStyles()->GetBackground() : TKvFill::White(),
                      nullptr, rect);
}

void TKvGridFixedFooterRenderer::DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect)
{
    if (grid->GetFixedCols()->GetCount() < 1) {
        context->DrawRect(grid->GetFooter()->GetStyles()->GetBackground(), nullptr, rect);
        return;
    }
    context->DrawRect(TKvFill::White(), nullptr, rect);
    DrawFixedBar(grid, context, rect);
}

// ---- corner renderers ------------------------------------------------------------------------

void TKvBarCornerRenderer::DoDraw(TObject* model, TKvDrawingContext* context, const TRectF& rect)
{
    auto* bar = dynamic_cast<TKvGridBarObject*>(model);
    if (!bar)
        return;
    TKvGridViewStyles* styles = FHead ? bar->GetHeadStyles() : bar->GetFootStyles();
    context->DrawRect(styles->GetBackground(), nullptr, rect);
}

void TKvCheckBarHeadRenderer::DoDraw(TObject* model, TKvDrawingContext* context, const TRectF& rect)
{
    TKvBarCornerRenderer::DoDraw(model, context, rect);
    auto* bar = dynamic_cast<TKvGridCheckBar*>(model);
    if (!bar || !bar->GetShowAll())
        return;
    const TSize box = TKvDrawingContext::GetCheckBoxSize();
    context->DrawCheckBox(static_cast<int>(std::lround(rect.Left + (rect.Width() - box.cx) / 2.0)),
                          static_cast<int>(std::lround(rect.Top + (rect.Height() - box.cy) / 2.0)), bar->GetAllChecked(), false);
}

// ---- item renderers --------------------------------------------------------------------------

QString TKvGridRowGroupHeaderRenderer::Caption(TKvGridItem* item)
{
    auto* group = dynamic_cast<TKvGridGroupItem*>(item);
    if (!group)
        return QString();
    TKvGridDataProvider* source = group->GetDataSource();
    const int field = group->GetField();
    QString text = source && field >= 0 && field < source->GetFieldCount() ? source->GetFieldName(field) : QString();
    text += QStringLiteral(" : ");
    if (TKvGridItem* first = group->GetFirstItem())
        text += first->GetData(field).ToString();
    text += QStringLiteral(" - %1 rows").arg(group->GetDescendantCount());
    return text;
}

void TKvGridRowGroupHeaderRenderer::DoDraw(TKvGridItem* item, TKvGridViewStyles* styles, TKvDrawingContext* context,
                                           const TRectF& rect)
{
    auto* group = dynamic_cast<TKvGridGroupItem*>(item);
    KV_ASSERT(group, "item is not TKvGridGroupItem");
    context->DrawRect(styles->GetBackground(), nullptr, rect);
    if (styles->GetBorderRightWidth() > 0)
        context->DrawLine(styles->GetBorderRight(), rect.Right - 1, rect.Top, rect.Right - 1, rect.Bottom);
    if (styles->GetBorderBottomWidth() > 0)
        context->DrawLine(styles->GetBorderBottom(), rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom - 1);
    const int level = std::max(1, group->GetLevel());
    const TRectF sign(rect.Left + (level - 1) * FIndentSize, rect.Top, rect.Left + level * FIndentSize, rect.Bottom);
    context->DrawText(group->GetExpanded() ? QStringLiteral("-") : QStringLiteral("+"), TKvFont::Default11(),
                      TKvFill::Yellow(), sign, AlignCenter, AlignCenter);
    const TRectF caption(sign.Right, rect.Top, rect.Right, rect.Bottom);
    if (!caption.IsEmpty())
        context->DrawText(Caption(group), styles->GetFont(), styles->GetForeground(), caption, AlignNear, AlignCenter);
}

void TKvGridRowGroupFooterRenderer::DoDraw(TKvGridItem* item, TKvGridViewStyles* styles, TKvDrawingContext* context,
                                           const TRectF& rect)
{
    KV_ASSERT(dynamic_cast<TKvGridGroupFooter*>(item), "item is not TKvGroupFooter");
}

// ---- cell renderers --------------------------------------------------------------------------

TKvFill* TKvGridTextCellRenderer::Background(TKvGridViewStyles* styles) const { return styles->GetBackground(); }

void TKvGridTextCellRenderer::DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect)
{
    KV_ASSERT(cell, "cell is nil");
    TKvGridViewStyles* styles = cell->GetStyles();
    if (!styles)
        return;
    context->DrawRect(Background(styles), nullptr, rect);
    const QString text = cell->GetDisplayText();
    if (text.isEmpty())
        return;
    const TRectF inner(rect.Left + styles->GetPaddingLeft(), rect.Top + styles->GetPaddingTop(),
                       rect.Right - styles->GetPaddingRight(), rect.Bottom - styles->GetPaddingBottom());
    if (!inner.IsEmpty())
        context->DrawText(FitCellText(text, cell->GetValue(), styles->GetFont(), inner.Width()), styles->GetFont(),
                          styles->GetForeground(), inner, styles->GetTextAlignment(), styles->GetLineAlignment());
}

TKvFill* TKvGridHeaderCellHoverRenderer::Background(TKvGridViewStyles* styles) const
{
    return styles->GetHoveredMaskBackground();
}

TSize TKvGridHeaderCellRenderer::DoMeasure(TKvGridCell* cell, int hintWidth, int hintHeight)
{
    KV_ASSERT(cell, "cell is nil");
    TKvGridViewStyles* styles = cell->GetStyles();
    const TSizeF size = TKvDrawingContext::MeasureText(cell->GetDisplayText(), styles->GetFont());
    return TSize{static_cast<int>(std::lround(size.cx)), static_cast<int>(std::lround(size.cy))};
}

TCustomImageList* TKvGridIndicatorCellRenderer::StateImages()
{
    static TOwned<TCustomImageList> images = [] {
        EnsureGridResources();
        TOwned<TCustomImageList> list(Create<TCustomImageList>(nullptr));
        for (const char* name : {"URARROW", "UREDIT", "URINSERT"}) {
            TBitmap bitmap;
            bitmap.LoadFromResource(QString::fromLatin1(name));
            list->AddMasked(&bitmap, static_cast<TColor>(0x008080)); // red 128, green 128, blue 0
        }
        return list;
    }();
    return images.get();
}

void TKvGridIndicatorCellRenderer::DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect)
{
    KV_ASSERT(cell, "cell is nil");
    auto* indicator = dynamic_cast<TKvGridIndicator::TKvIndicatorCell*>(cell);
    const TKvGridItemState state = indicator ? indicator->GetItemState() : ItemNormal;
    if (state == ItemNormal) {
        TKvGridTextCellRenderer::DoDraw(cell, context, rect);
        return;
    }
    context->DrawRect(cell->GetStyles()->GetBackground(), nullptr, rect);
    TCustomImageList* images = StateImages();
    context->DrawImage(images, static_cast<int>(state) - 1,
                       static_cast<int>(std::lround(rect.Left + (rect.Width() - images->GetWidth()) / 2.0)),
                       static_cast<int>(std::lround(rect.Top + (rect.Height() - images->GetHeight()) / 2.0)));
}

void TKvGridCheckCellRenderer::DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect)
{
    KV_ASSERT(cell, "cell is nil");
    context->DrawRect(cell->GetStyles()->GetBackground(), nullptr, rect);
    const TSize box = TKvDrawingContext::GetCheckBoxSize();
    TKvGridItem* item = cell->GetItem();
    context->DrawCheckBox(static_cast<int>(std::lround(rect.Left + (rect.Width() - box.cx) / 2.0)),
                          static_cast<int>(std::lround(rect.Top + (rect.Height() - box.cy) / 2.0)), item && item->GetChecked(),
                          false);
}

// ---- the body's outer lines ------------------------------------------------------------------

void TKvGridLinesElementImpl::PrepareLines(TKvGridView* grid, TKvAbstractGridLayoutManager* layout, const TRect& rect)
{
    FLayout = layout;
}

void TKvGridLinesElementImpl::DoDraw(TKvDrawingContext* context)
{
    if (!FLayout)
        return;
    const bool old = context->GetSmoothing();
    context->SetSmoothing(false);
    const TRect b = FLayout->BodyBounds();
    const TRect f = FLayout->FooterBounds();
    const int x0 = b.Right - FGrid->GetLeftPos();
    TKvGridViewStyles* s = FGrid->GetBody()->GetStyles();
    if (const int w = s->GetBorderRightWidth(); w > 0 && x0 <= FGrid->GetClientWidth()) {
        const double x = x0 - (w + 1) / 2.0;
        context->DrawLine(s->GetBorderRight(), x, 0.0, x, std::min(f.Top, b.Bottom) - 1.0);
    }
    if (const int w = s->GetBorderBottomWidth(); w > 0 && f.Top > b.Bottom) {
        const double y = b.Bottom - (w + 1) / 2.0;
        context->DrawLine(s->GetBorderBottom(), 0.0, y, x0 - 1.0, y);
    }
    TKvGridFixedRows* rows = FGrid->GetFixedRows();
    if (FLayout->FixedHeight() >= 1 && rows->GetBarHeight() >= 1) {
        const TKvDrawingState state(context);
        context->SetClip(0.0, 0.0, static_cast<double>(GetWidth()), static_cast<double>(f.Top));
        TKvGridViewStyles* bar = rows->GetBarStyles();
        const int top = b.Top + FLayout->FixedHeight();
        const int height = rows->GetBarHeight();
        context->DrawRect(bar->GetBackground(), nullptr, TRect::Bounds(0, top, x0, height));
        if (bar->GetBorderBottomWidth() > 0)
            context->DrawLine(bar->GetBorderBottom(), 0.0, top + height - 1.0, x0 - 1.0, top + height - 1.0);
    }
    context->SetSmoothing(old);
}

} // namespace kv
