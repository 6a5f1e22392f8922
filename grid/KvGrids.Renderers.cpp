// Ready-made data-cell renderers.
//
// Sections: value helpers; proxy; image (key, fitting, drawing through the loader); bar;
// check (drawing, click); published classes.
//
// Call flow: a cell view asks its column's renderer to Render the cell model; the image
// renderer asks its loader for the picture of the cell's key and draws it from inside the
// loader's callback, which is disarmed once Load returns, so a late delivery never draws on a
// finished paint. A click on a check cell reaches Click from the selection tool. Setters of
// anything that changes the drawing call Changed, which repaints the columns that use it.
#include "grid/KvGrids.Renderers.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Index.h"
#include "grid/KvGrids.Utils.h"
#include "model/KvGrids.Data.h"
#include "model/KvGrids.Model.h"
#include "platform/rtl/TypInfo.h"

#include <algorithm>
#include <cmath>

namespace kv {

// --- value helpers --------------------------------------------------------------------------

namespace {

// The content rectangle: rect moved in by the style's paddings, rounded.
TRect ContentRect(const TKvGridViewStyles* styles, const TRectF& rect)
{
    const TRectF r = styles->ApplyPaddings(rect);
    return TRect{int(std::lround(r.Left)), int(std::lround(r.Top)), int(std::lround(r.Right)),
                 int(std::lround(r.Bottom))};
}

// The cell's styles, nil when there is nothing to draw with; fills the background when asked.
TKvGridViewStyles* CellStyles(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect, bool background)
{
    KV_ASSERT(cell, "cell is nil");
    TKvGridViewStyles* styles = cell->GetStyles();
    if (!styles || !context)
        return nullptr;
    if (background)
        context->DrawRect(styles->GetBackground(), nullptr, rect);
    return styles;
}

} // namespace

// --- proxy ----------------------------------------------------------------------------------

void TKvProxyCellRenderer::SetRenderer(TKvGridCellRenderer* value)
{
    if (ChangeReference(FRenderer, value))
        Changed();
}

// --- image ----------------------------------------------------------------------------------

namespace {

// Where a picture of w x h goes in R by the fit rule; empty when nothing is to be drawn.
TRect FitPicture(TKvContentFit fit, const TRect& r, int w, int h)
{
    const int rw = r.Width();
    const int rh = r.Height();
    if (w <= 0 || h <= 0)
        return TRect{};
    // Scaled sides round to the nearest pixel, ties to even.
    const auto scaled = [](int side, double scale) { return int(std::nearbyint(double(side) * scale)); };
    switch (fit) {
    case FitNone:
        return TRect::Bounds(r.Left, r.Top, w, h);
    case FitCenter:
        return TRect::Bounds(r.Left + (rw - w) / 2, r.Top + (rh - h) / 2, w, h);
    case FitBoth:
        return r;
    case FitWidth: {
        const int height = scaled(h, double(rw) / w);
        return TRect::Bounds(r.Left, r.Top + (rh - height) / 2, rw, height);
    }
    case FitHeight: {
        const int width = scaled(w, double(rh) / h);
        return TRect::Bounds(r.Left + (rw - width) / 2, r.Top, width, rh);
    }
    case FitAuto: {
        const double scale = std::min(double(rw) / w, double(rh) / h);
        const int width = scaled(w, scale);
        const int height = scaled(h, scale);
        if (width <= 0 || height <= 0)
            return TRect{};
        if (double(rw) / width > double(rh) / height)
            return TRect::Bounds(r.Left + (rw - width) / 2, r.Top, width, height);
        return TRect::Bounds(r.Left, r.Top + (rh - height) / 2, width, height);
    }
    }
    return TRect{};
}

// Draws a delivered picture while its paint lasts; disarmed afterwards.
class TImageDrawProc : public TInterfacedObject, public TKvImageLoadProc
{
public:
    TImageDrawProc(TKvDrawingContext* context, const TRect& content, TKvContentFit fit)
        : FContext(context), FContent(content), FFit(fit)
    {
    }
    void Disarm() { FContext = nullptr; }

    void Invoke(const QString&, const QString&, TBitmap* bitmap, bool) override
    {
        if (!FContext || !bitmap || bitmap->Empty() || FContent.IsEmpty())
            return;
        const TRect target = FitPicture(FFit, FContent, bitmap->GetWidth(), bitmap->GetHeight());
        if (target.IsEmpty())
            return;
        bitmap->ReleaseCanvas();
        TKvBitmap picture(bitmap);
        TKvDrawingState state(FContext);
        FContext->SetClip(FContent.Left, FContent.Top, FContent.Width(), FContent.Height());
        FContext->DrawImage(&picture, target.Left, target.Top, target.Width(), target.Height());
    }

private:
    TKvDrawingContext* FContext;
    TRect FContent;
    TKvContentFit FFit;
};

// Disarms the draw procedure on every exit from the paint.
struct TDisarmOnExit
{
    TImageDrawProc* Proc;
    ~TDisarmOnExit() { Proc->Disarm(); }
};

} // namespace

QString TKvImageCellRenderer::GetKey(TKvGridCell* cell) const
{
    if (!cell)
        return QString();
    if (FKeyField.isEmpty())
        return TKvGridViewHelper::ValueText(cell->GetValue());
    const TKvGridItem* item = cell->GetItem();
    if (!item)
        return QString();
    int field = -1;
    if (const TKvGridDataProvider* data = item->GetDataSource())
        field = data->GetFieldIndex(FKeyField);
    if (field < 0)
        field = cell->GetIndex().GetDataField();
    return TKvGridViewHelper::ValueText(item->GetData(field));
}

void TKvImageCellRenderer::DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect)
{
    TKvGridViewStyles* styles = CellStyles(cell, context, rect, true);
    if (!styles || !FLoader)
        return;
    const IntfPtr<TImageDrawProc> proc = MakeIntf<TImageDrawProc>(context, ContentRect(styles, rect), styles->GetContentFit());
    const TDisarmOnExit disarm{proc.get()};
    TBitmap bitmap;
    FLoader->Load(FGroup, GetKey(cell), &bitmap, IntfPtr<TKvImageLoadProc>(proc));
}

void TKvImageCellRenderer::SetLoader(TKvImageLoader* value)
{
    if (ChangeReference(FLoader, value))
        Changed();
}

void TKvImageCellRenderer::SetGroup(const QString& value)
{
    if (ChangeField(FGroup, value))
        Changed();
}

void TKvImageCellRenderer::SetKeyField(const QString& value)
{
    if (ChangeField(FKeyField, value))
        Changed();
}

void TKvImageCellRenderer::Notification(TComponent* component, TOperation operation)
{
    TKvGridDataCellRenderer::Notification(component, operation);
    if (operation == opRemove && component == FLoader) {
        FLoader = nullptr;
        if (!IsDestroying())
            Changed();
    }
}

// --- bar ------------------------------------------------------------------------------------

void TKvBarCellRenderer::DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect)
{
    TKvGridViewStyles* styles = CellStyles(cell, context, rect, true);
    if (!styles)
        return;
    // An empty range, or a cell too low for the bar's margins, shows no bar.
    const double range = FMaximum - FMinimum;
    const float height = rect.Height() - 8;
    if (!(range > 0) || !std::isfinite(range) || height <= 0)
        return;
    // Numbers as they are (their text reads back the same), anything else through its text.
    const Variant data = cell->GetValue();
    double value = 0;
    if (data.IsInteger())
        value = double(data.AsInt());
    else if (data.IsDouble())
        value = data.AsDouble();
    else if (!TryStrToFloat(TKvGridViewHelper::ValueText(data), value))
        value = 0;
    if (std::isnan(value))
        value = 0;
    const double share = std::clamp((value - FMinimum) / range, 0.0, 1.0);
    const float inner = rect.Width() - float(styles->GetPaddingLeft() + styles->GetPaddingRight());
    if (inner <= 0)
        return;
    context->DrawRect(styles->GetFigureBackground(), styles->GetFigureBorder(), rect.Left + float(styles->GetPaddingLeft()),
                      rect.Top + 4, double(inner) * share, height);
}

void TKvBarCellRenderer::SetMinimum(double value)
{
    if (ChangeField(FMinimum, value))
        Changed();
}

void TKvBarCellRenderer::SetMaximum(double value)
{
    if (ChangeField(FMaximum, value))
        Changed();
}

// --- check ----------------------------------------------------------------------------------

bool TKvCheckCellRenderer::IsChecked(const Variant& value)
{
    return Variant(TKvGridViewHelper::ValueText(value)).IsTrue();
}

void TKvCheckCellRenderer::DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect)
{
    TKvGridViewStyles* styles = CellStyles(cell, context, rect, false);
    if (!styles)
        return;
    const TRectF box = TRectF::Bounds(rect.Left + (rect.Width() - BOX_WIDTH) / 2, rect.Top + (rect.Height() - BOX_HEIGHT) / 2,
                                      BOX_WIDTH, BOX_HEIGHT);
    TKvDrawingState state(context);
    context->SetSmoothing(true);
    if (IsChecked(cell->GetValue()))
        context->DrawCheck(box, styles->GetFigureBackground(), styles->GetFigureBorder());
    else
        context->DrawCheck(box, styles->GetFigureDisabledBackground(), nullptr);
}

bool TKvCheckCellRenderer::Click(const TRectF& rect, int x, int y, const TKvGridCellIndex& index)
{
    const bool inside = float(x) >= rect.Left && float(x) < rect.Right && float(y) >= rect.Top && float(y) < rect.Bottom;
    return inside && Toggle(index);
}

bool TKvCheckCellRenderer::Toggle(const TKvGridCellIndex& index)
{
    if (!BeginEdit(index))
        return false;
    SetData(index, Variant(!IsChecked(GetData(index))));
    return true;
}

bool TKvCheckCellRenderer::ProcessKey(std::uint16_t key, TShiftState shift, const TKvGridCellIndex& index)
{
    if (key == VK_SPACE && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt))
        Toggle(index);
    return true;
}

// --- published classes ----------------------------------------------------------------------

KV_PUBLISH_ENUM(TKvRatingShape, "RatingCircle", "RatingBox", "RatingStar");

KV_PUBLISH(TKvProxyCellRenderer, TKvGridDataCellRenderer)
    .Property("Renderer", &TKvProxyCellRenderer::GetRenderer, &TKvProxyCellRenderer::SetRenderer);

KV_PUBLISH(TKvClickableCellRenderer, TKvGridDataCellRenderer)
    .Property(
        "ClickCursor", [](const TKvClickableCellRenderer& r) { return int(r.GetClickCursor()); },
        [](TKvClickableCellRenderer& r, int value) { r.SetClickCursor(TCursor(value)); })
    .Default(int(crHandPoint))
    .Property("ShowClickCursor", &TKvClickableCellRenderer::GetShowClickCursor,
              &TKvClickableCellRenderer::SetShowClickCursor)
    .Default(true);

KV_PUBLISH(TKvTextCellRenderer, TKvGridDataCellRenderer);

KV_PUBLISH(TKvImageCellRenderer, TKvGridDataCellRenderer)
    .Property("Loader", &TKvImageCellRenderer::GetLoader, &TKvImageCellRenderer::SetLoader)
    .Property("Group", &TKvImageCellRenderer::GetGroup, &TKvImageCellRenderer::SetGroup)
    .Property("KeyField", &TKvImageCellRenderer::GetKeyField, &TKvImageCellRenderer::SetKeyField)
    .Event("OnGetCellImage", &TKvImageCellRenderer::OnGetCellImage);

KV_PUBLISH(TKvBarCellRenderer, TKvGridDataCellRenderer)
    .Property("Minimum", &TKvBarCellRenderer::GetMinimum, &TKvBarCellRenderer::SetMinimum)
    .Property("Maximum", &TKvBarCellRenderer::GetMaximum, &TKvBarCellRenderer::SetMaximum);

KV_PUBLISH(TKvRatingCellRenderer, TKvGridDataCellRenderer)
    .Property("MaxRate", &TKvRatingCellRenderer::GetMaxRate, &TKvRatingCellRenderer::SetMaxRate)
    .Default(5)
    .Property("MinValue", &TKvRatingCellRenderer::GetMinValue, &TKvRatingCellRenderer::SetMinValue)
    .Property("MaxValue", &TKvRatingCellRenderer::GetMaxValue, &TKvRatingCellRenderer::SetMaxValue)
    .Property("RatingShape", &TKvRatingCellRenderer::GetRatingShape, &TKvRatingCellRenderer::SetRatingShape)
    .Default(RatingCircle);

KV_PUBLISH(TKvCheckCellRenderer, TKvClickableCellRenderer)
    .Property("EditWhenClick", &TKvCheckCellRenderer::GetEditWhenClick, &TKvCheckCellRenderer::SetEditWhenClick)
    .Default(true);

KV_PUBLISH(TKvPieCellRenderer, TKvGridDataCellRenderer)
    .Property("MinValue", &TKvPieCellRenderer::GetMinValue, &TKvPieCellRenderer::SetMinValue)
    .Property("MaxValue", &TKvPieCellRenderer::GetMaxValue, &TKvPieCellRenderer::SetMaxValue);

} // namespace kv
