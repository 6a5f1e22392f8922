// The drawing context and the button painters of the drawing module.
//
// Sections: TKvDrawingUtils (themed buttons into a device context); the shared measuring
// context; construction and state; shapes (and the fill of what the cover leaves out); text;
// images; clip, state and transforms; device-context items (check boxes, buttons).
//
// Call flow: a sprite's paint gets a context over the canvas it paints into. A shape prepares
// its fill for its bounds (a gradient spans them) and fills, then strokes. FillUncovered fills
// only the parts of a rectangle that the cover list (what cells paint themselves) leaves out,
// while the transform is a whole-pixel offset; otherwise it fills the whole rectangle. Text is
// drawn with the font and alignment given and measured (MeasureText) on the shared measuring
// context, whatever canvas the context paints. Save and Restore (TKvDrawingState) put back transform, clip and
// smoothing; themed items draw through the device context under the current offset.
#include "graphics/KvGrids.Common.Drawing.h"

#include "platform/graphics/DeviceContext.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kv {

// --- TKvDrawingUtils -----------------------------------------------------------------------

namespace {

// Themed push-button and drop-down states: 1 normal, 2 hot, 3 pressed, 4 disabled.
int ButtonState(bool enabled, bool hot, bool pressed)
{
    if (!enabled)
        return 4;
    if (pressed)
        return 3;
    return hot ? 2 : 1;
}

} // namespace

void TKvDrawingUtils::DrawButton(HDC dc, const TRect& rect, bool enabled, bool hot, bool pressed)
{
    if (dc::UseThemes()) {
        dc::DrawThemeBackground(dc, "BUTTON", dc::BP_PUSHBUTTON, ButtonState(enabled, hot, pressed), rect);
        return;
    }
    unsigned state = dc::DFCS_BUTTONPUSH;
    if (!enabled)
        state |= dc::DFCS_INACTIVE;
    else if (pressed)
        state |= dc::DFCS_PUSHED;
    else if (hot)
        state |= dc::DFCS_HOT;
    dc::DrawFrameControl(dc, rect, dc::DFC_BUTTON, state);
}

void TKvDrawingUtils::DrawEllipsisButton(HDC dc, const TRect& rect, bool enabled, bool hot, bool pressed)
{
    DrawButton(dc, rect, enabled, hot, pressed);
    const int width = rect.Width(), height = rect.Height();
    const int s = std::max(1, width / 7);
    const int t = std::min(s, std::max(1, height >> 3));
    int x = rect.Left + (width - 5 * s) / 2;
    int y = rect.Top + (height - t) / 2;
    if (pressed) {
        ++x;
        ++y;
    }
    for (int i = 0; i < 3; ++i)
        dc::PatBlt(dc, x + 2 * s * i, y, s, t, dc::BLACKNESS);
}

void TKvDrawingUtils::DrawMenuButton(HDC dc, const TRect& rect, bool enabled, bool hot, bool pressed)
{
    DrawButton(dc, rect, enabled, hot, pressed);
    const int width = rect.Width(), height = rect.Height();
    const int t = std::min(width, std::max(1, height >> 3));
    int x = rect.Left + 4;
    int y = rect.Top + (height - t) / 2;
    if (pressed) {
        ++x;
        ++y;
    }
    for (int dy : {-3, 0, 3})
        dc::PatBlt(dc, x, y + dy, width - 8, 1, dc::BLACKNESS);
}

void TKvDrawingUtils::DrawDropdownButton(HDC dc, const TRect& rect, bool enabled, bool hot, bool pressed)
{
    if (dc::UseThemes()) {
        dc::DrawThemeBackground(dc, "COMBOBOX", dc::CP_DROPDOWNBUTTON, ButtonState(enabled, hot, pressed), rect);
        return;
    }
    unsigned state = dc::DFCS_SCROLLCOMBOBOX;
    if (!enabled)
        state |= dc::DFCS_INACTIVE;
    else if (pressed)
        state |= dc::DFCS_PUSHED;
    dc::DrawFrameControl(dc, rect, dc::DFC_SCROLL, state);
}

void TKvDrawingUtils::DrawUpdownButton(HDC dc, const TRect& rect, bool enabled, bool hot, bool pressed)
{
    const int half = rect.Height() / 2;
    const TRect upper{rect.Left, rect.Top, rect.Right, rect.Top + half};
    TRect lower = upper;
    lower.Offset(0, half);
    if (dc::UseThemes()) {
        const int state = ButtonState(enabled, hot, pressed);
        dc::DrawThemeBackground(dc, "SCROLLBAR", dc::SBP_ARROWBTN, dc::ABS_UPNORMAL + state - 1, upper);
        dc::DrawThemeBackground(dc, "SCROLLBAR", dc::SBP_ARROWBTN, dc::ABS_DOWNNORMAL + state - 1, lower);
        return;
    }
    const unsigned pushed = pressed ? dc::DFCS_PUSHED : 0;
    dc::DrawFrameControl(dc, upper, dc::DFC_SCROLL, dc::DFCS_SCROLLUP | pushed);
    dc::DrawFrameControl(dc, lower, dc::DFC_SCROLL, dc::DFCS_SCROLLDOWN | pushed);
}

// --- TKvDrawingContext: shared measuring context -------------------------------------------

TBitmap* TKvDrawingContext::FGlobalCanvas = nullptr;
gfx::GpGraphics* TKvDrawingContext::FGlobalContext = nullptr;
gfx::GpPath* TKvDrawingContext::FTempPath = nullptr;
gfx::GpStringFormat* TKvDrawingContext::FTempFormat = nullptr;
float TKvDrawingContext::FMatElements[6] = {};

void TKvDrawingContext::CreateGlobals()
{
    FGlobalCanvas = new TBitmap(100, 100);
    GdipCheck(gfx::CreateFromHDC(FGlobalCanvas->GetCanvas()->GetHandle(), &FGlobalContext));
    GdipCheck(gfx::CreatePath(gfx::FillModeAlternate, &FTempPath));
    GdipCheck(gfx::CreateStringFormat(gfx::StringFormatFlagsNoWrap, 0, &FTempFormat));
}

void TKvDrawingContext::FreeGlobals()
{
    if (FTempFormat)
        gfx::DeleteStringFormat(FTempFormat);
    FTempFormat = nullptr;
    if (FTempPath)
        gfx::DeletePath(FTempPath);
    FTempPath = nullptr;
    if (FGlobalContext)
        gfx::DeleteGraphics(FGlobalContext);
    FGlobalContext = nullptr;
    delete FGlobalCanvas;
    FGlobalCanvas = nullptr;
}

gfx::GpGraphics* TKvDrawingContext::GetGlobalContext()
{
    KvGraphicsEnsureStarted();
    return FGlobalContext;
}

// --- construction and state ----------------------------------------------------------------

TKvDrawingContext::TKvDrawingContext(TCanvas* canvas)
    : FCanvas(canvas), FDC(canvas ? canvas->GetHandle() : nullptr)
{
    gfx::GpGraphics* graphics = nullptr;
    GdipCheck(gfx::CreateFromHDC(FDC, &graphics));
    FHandle = graphics;
    SetSmoothing(true);
}

TKvDrawingContext::~TKvDrawingContext()
{
    if (FHandle)
        gfx::DeleteGraphics(Graphics());
}

void TKvDrawingContext::SetPaintRegion(const std::vector<TRect>& rects)
{
    GdipCheck(gfx::SetPaintRegion(Graphics(), rects.data(), static_cast<int>(rects.size())));
}

bool TKvDrawingContext::GetSmoothing() const
{
    gfx::TGPSmoothingMode mode = gfx::SmoothingModeNone;
    GdipCheck(gfx::GetSmoothingMode(Graphics(), mode));
    return mode == gfx::SmoothingModeAntiAlias;
}

void TKvDrawingContext::SetSmoothing(bool on)
{
    GdipCheck(gfx::SetSmoothingMode(Graphics(), on ? gfx::SmoothingModeAntiAlias : gfx::SmoothingModeNone));
}

void TKvDrawingContext::PrepareFill(TKvFill* fill, const TRectF& bounds)
{
    if (TKvLinearGradientBrush* gradient = fill ? fill->AsGradient() : nullptr)
        gradient->Recreate(double(bounds.Left), double(bounds.Top), double(bounds.Width()), double(bounds.Height()));
}

void TKvDrawingContext::PrepareFill(TKvFill* fill, const TRect& bounds)
{
    if (TKvLinearGradientBrush* gradient = fill ? fill->AsGradient() : nullptr)
        gradient->Recreate(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
}

void TKvDrawingContext::FillAndStroke(TKvFill* fill, TKvStroke* stroke, float x, float y, float w, float h,
                                      bool ellipse)
{
    if (fill)
        GdipCheck(ellipse ? gfx::FillEllipse(Graphics(), fill->Brush(), x, y, w, h)
                          : gfx::FillRectangle(Graphics(), fill->Brush(), x, y, w, h));
    if (stroke)
        GdipCheck(ellipse ? gfx::DrawEllipse(Graphics(), stroke->Pen(), x, y, w, h)
                          : gfx::DrawRectangle(Graphics(), stroke->Pen(), x, y, w, h));
}

// --- shapes --------------------------------------------------------------------------------

void TKvDrawingContext::DrawRect(TKvFill* fill, TKvStroke* stroke, const TRectF& rect)
{
    PrepareFill(fill, rect);
    FillAndStroke(fill, stroke, rect.Left, rect.Top, rect.Width(), rect.Height(), false);
}

void TKvDrawingContext::DrawRect(TKvFill* fill, TKvStroke* stroke, double x, double y, double width, double height)
{
    DrawRect(fill, stroke, TRectF::Bounds(float(x), float(y), float(width), float(height)));
}

void TKvDrawingContext::DrawRect(TKvFill* fill, TKvStroke* stroke, const TRect& rect)
{
    PrepareFill(fill, rect);
    FillAndStroke(fill, stroke, float(rect.Left), float(rect.Top), float(rect.Width()), float(rect.Height()), false);
}

void TKvDrawingContext::DrawRect(TKvFill* fill, TKvStroke* stroke, int x, int y, int width, int height)
{
    DrawRect(fill, stroke, TRect::Bounds(x, y, width, height));
}

void UncoveredParts(const TRect& area, const std::vector<TRect>& cover, std::vector<TRect>& parts)
{
    parts.clear();
    if (area.IsEmpty())
        return;
    std::vector<TRect> cut;
    cut.reserve(cover.size());
    for (const TRect& c : cover) {
        const TRect r{std::max(c.Left, area.Left), std::max(c.Top, area.Top), std::min(c.Right, area.Right),
                      std::min(c.Bottom, area.Bottom)};
        if (!r.IsEmpty())
            cut.push_back(r);
    }
    if (cut.empty()) {
        parts.push_back(area);
        return;
    }
    std::sort(cut.begin(), cut.end(), [](const TRect& a, const TRect& b) { return a.Top < b.Top; });
    std::vector<int> ys{area.Top, area.Bottom};
    ys.reserve(cut.size() * 2 + 2);
    for (const TRect& r : cut) {
        ys.push_back(r.Top);
        ys.push_back(r.Bottom);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::vector<TRect> active;
    std::vector<std::pair<int, int>> spans, gaps, previous;
    size_t next = 0, band = 0;
    bool first = true;
    for (size_t i = 0; i + 1 < ys.size(); ++i) {
        const int y0 = ys[i], y1 = ys[i + 1];
        while (next < cut.size() && cut[next].Top <= y0)
            active.push_back(cut[next++]);
        active.erase(std::remove_if(active.begin(), active.end(), [&](const TRect& r) { return r.Bottom <= y0; }),
                     active.end());
        spans.clear();
        for (const TRect& r : active)
            spans.emplace_back(r.Left, r.Right);
        std::sort(spans.begin(), spans.end());
        gaps.clear();
        int x = area.Left;
        for (const auto& [left, right] : spans) {
            if (left > x)
                gaps.emplace_back(x, left);
            x = std::max(x, right);
        }
        if (x < area.Right)
            gaps.emplace_back(x, area.Right);
        if (!first && gaps == previous) {
            for (size_t k = band; k < parts.size(); ++k)
                parts[k].Bottom = y1;
            continue;
        }
        first = false;
        band = parts.size();
        for (const auto& [left, right] : gaps)
            parts.push_back(TRect{left, y0, right, y1});
        previous.swap(gaps);
    }
}

bool TKvDrawingContext::IntegerOffset(TPoint& offset) const
{
    gfx::GpMatrix* matrix = nullptr;
    GdipCheck(gfx::CreateMatrix(&matrix));
    float m[6] = {};
    TGPStatus status = gfx::GetWorldTransform(Graphics(), matrix);
    if (status == Ok)
        status = gfx::GetMatrixElements(matrix, m);
    gfx::DeleteMatrix(matrix);
    GdipCheck(status);
    if (m[0] != 1.0f || m[1] != 0.0f || m[2] != 0.0f || m[3] != 1.0f || m[4] != std::floor(m[4]) ||
        m[5] != std::floor(m[5]) || std::fabs(m[4]) > 1e7f || std::fabs(m[5]) > 1e7f)
        return false;
    offset = TPoint{int(m[4]), int(m[5])};
    return true;
}

void TKvDrawingContext::FillUncovered(TKvFill* fill, const TRectF& rect)
{
    TPoint offset;
    // A gradient's colours depend on where each run of pixels starts: it is filled whole.
    if (!fill || fill->AsGradient() || !FCover || FCover->empty() || !FCoverEnabled || !IntegerOffset(offset) ||
        rect.Left != std::floor(rect.Left) || rect.Top != std::floor(rect.Top) || rect.Right != std::floor(rect.Right) ||
        rect.Bottom != std::floor(rect.Bottom) || rect.IsEmpty() || std::fabs(rect.Left) > 1e7f ||
        std::fabs(rect.Top) > 1e7f || std::fabs(rect.Right) > 1e7f || std::fabs(rect.Bottom) > 1e7f) {
        DrawRect(fill, nullptr, rect);
        return;
    }
    const TRect area{int(rect.Left) + offset.X, int(rect.Top) + offset.Y, int(rect.Right) + offset.X,
                     int(rect.Bottom) + offset.Y};
    std::vector<TRect> parts;
    UncoveredParts(area, *FCover, parts);
    std::int64_t left = std::int64_t(area.Width()) * area.Height();
    for (TRect& part : parts) {
        left -= std::int64_t(part.Width()) * part.Height();
        part.Offset(-offset.X, -offset.Y);
    }
    if (left == 0) {
        DrawRect(fill, nullptr, rect);
        return;
    }
    FLeftOutArea += std::uint64_t(left);
    if (!parts.empty())
        GdipCheck(gfx::FillRectangles(Graphics(), fill->Brush(), parts.data(), int(parts.size())));
}

void TKvDrawingContext::DrawEllipse(TKvFill* fill, TKvStroke* stroke, const TRectF& rect)
{
    PrepareFill(fill, rect);
    FillAndStroke(fill, stroke, rect.Left, rect.Top, rect.Width(), rect.Height(), true);
}

void TKvDrawingContext::DrawEllipse(TKvFill* fill, TKvStroke* stroke, double x, double y, double width, double height)
{
    DrawEllipse(fill, stroke, TRectF::Bounds(float(x), float(y), float(width), float(height)));
}

void TKvDrawingContext::DrawEllipse(TKvFill* fill, TKvStroke* stroke, const TRect& rect)
{
    PrepareFill(fill, rect);
    FillAndStroke(fill, stroke, float(rect.Left), float(rect.Top), float(rect.Width()), float(rect.Height()), true);
}

void TKvDrawingContext::DrawEllipse(TKvFill* fill, TKvStroke* stroke, int x, int y, int width, int height)
{
    DrawEllipse(fill, stroke, TRect::Bounds(x, y, width, height));
}

namespace {

void BuildRoundedPath(gfx::GpPath* path, float x, float y, float w, float h, float cw, float ch)
{
    GdipCheck(gfx::ResetPath(path));
    GdipCheck(gfx::AddPathArc(path, x, y, cw, ch, 180, 90));
    GdipCheck(gfx::AddPathArc(path, x + w - cw - 1, y, cw, ch, 270, 90));
    GdipCheck(gfx::AddPathArc(path, x + w - cw - 1, y + h - ch - 1, cw, ch, 0, 90));
    GdipCheck(gfx::AddPathArc(path, x, y + h - ch - 1, cw, ch, 90, 90));
    GdipCheck(gfx::ClosePathFigure(path));
}

void FillAndStrokePath(gfx::GpGraphics* graphics, TKvFill* fill, TKvStroke* stroke, gfx::GpPath* path)
{
    if (fill)
        GdipCheck(gfx::FillPath(graphics, fill->Brush(), path));
    if (stroke)
        GdipCheck(gfx::DrawPath(graphics, stroke->Pen(), path));
}

} // namespace

void TKvDrawingContext::DrawRoundedRect(TKvFill* fill, TKvStroke* stroke, const TRectF& rect, double cornerWidth,
                                        double cornerHeight)
{
    KvGraphicsEnsureStarted();
    BuildRoundedPath(FTempPath, rect.Left, rect.Top, rect.Width(), rect.Height(), float(cornerWidth),
                     float(cornerHeight));
    PrepareFill(fill, rect);
    FillAndStrokePath(Graphics(), fill, stroke, FTempPath);
}

void TKvDrawingContext::DrawRoundedRect(TKvFill* fill, TKvStroke* stroke, double x, double y, double width,
                                        double height, double cornerWidth, double cornerHeight)
{
    DrawRoundedRect(fill, stroke, TRectF::Bounds(float(x), float(y), float(width), float(height)), cornerWidth,
                    cornerHeight);
}

void TKvDrawingContext::DrawRoundedRect(TKvFill* fill, TKvStroke* stroke, const TRect& rect, int cornerWidth,
                                        int cornerHeight)
{
    KvGraphicsEnsureStarted();
    BuildRoundedPath(FTempPath, float(rect.Left), float(rect.Top), float(rect.Width()), float(rect.Height()),
                     float(cornerWidth), float(cornerHeight));
    PrepareFill(fill, rect);
    FillAndStrokePath(Graphics(), fill, stroke, FTempPath);
}

void TKvDrawingContext::DrawRoundedRect(TKvFill* fill, TKvStroke* stroke, int x, int y, int width, int height,
                                        int cornerWidth, int cornerHeight)
{
    DrawRoundedRect(fill, stroke, TRect::Bounds(x, y, width, height), cornerWidth, cornerHeight);
}

void TKvDrawingContext::DrawPolygon(TKvFill* fill, TKvStroke* stroke, const std::vector<TPointF>& points)
{
    if (!fill && !stroke)
        return;
    const int count = static_cast<int>(points.size());
    if (fill) {
        if (!points.empty()) {
            TRectF box(points[0].X, points[0].Y, points[0].X, points[0].Y);
            for (const TPointF& p : points) {
                box.Left = std::min(box.Left, p.X);
                box.Top = std::min(box.Top, p.Y);
                box.Right = std::max(box.Right, p.X);
                box.Bottom = std::max(box.Bottom, p.Y);
            }
            PrepareFill(fill, box);
        }
        GdipCheck(gfx::FillPolygon(Graphics(), fill->Brush(), points.data(), count, gfx::FillModeAlternate));
    }
    if (stroke)
        GdipCheck(gfx::DrawPolygon(Graphics(), stroke->Pen(), points.data(), count));
}

namespace {

std::vector<TPointF> PairsOf(const std::vector<float>& flat)
{
    std::vector<TPointF> points(flat.size() / 2);
    for (size_t i = 0; i < points.size(); ++i)
        points[i] = {flat[2 * i], flat[2 * i + 1]};
    return points;
}

} // namespace

void TKvDrawingContext::DrawPolygon(TKvFill* fill, TKvStroke* stroke, const std::vector<float>& points)
{
    DrawPolygon(fill, stroke, PairsOf(points));
}

void TKvDrawingContext::DrawLine(TKvStroke* stroke, const TPointF& p1, const TPointF& p2)
{
    if (stroke)
        GdipCheck(gfx::DrawLine(Graphics(), stroke->Pen(), p1.X, p1.Y, p2.X, p2.Y));
}

void TKvDrawingContext::DrawLine(TKvStroke* stroke, double x1, double y1, double x2, double y2)
{
    DrawLine(stroke, TPointF{float(x1), float(y1)}, TPointF{float(x2), float(y2)});
}

void TKvDrawingContext::DrawLine(TKvStroke* stroke, const TPoint& p1, const TPoint& p2)
{
    DrawLine(stroke, TPointF{float(p1.X), float(p1.Y)}, TPointF{float(p2.X), float(p2.Y)});
}

void TKvDrawingContext::DrawLine(TKvStroke* stroke, int x1, int y1, int x2, int y2)
{
    DrawLine(stroke, TPointF{float(x1), float(y1)}, TPointF{float(x2), float(y2)});
}

void TKvDrawingContext::DrawLines(TKvStroke* stroke, const std::vector<TPointF>& points)
{
    if (stroke)
        GdipCheck(gfx::DrawLines(Graphics(), stroke->Pen(), points.data(), static_cast<int>(points.size())));
}

void TKvDrawingContext::DrawLines(TKvStroke* stroke, const std::vector<TPoint>& points)
{
    if (stroke)
        GdipCheck(gfx::DrawLinesI(Graphics(), stroke->Pen(), points.data(), static_cast<int>(points.size())));
}

void TKvDrawingContext::DrawLines(TKvStroke* stroke, const std::vector<float>& points)
{
    if (stroke && points.size() / 2 >= 2)
        DrawLines(stroke, PairsOf(points));
}

void TKvDrawingContext::DrawLines(TKvStroke* stroke, const std::vector<int>& points)
{
    if (!stroke || points.size() / 2 < 2)
        return;
    std::vector<TPoint> pairs(points.size() / 2);
    for (size_t i = 0; i < pairs.size(); ++i)
        pairs[i] = {points[2 * i], points[2 * i + 1]};
    DrawLines(stroke, pairs);
}

// --- text ----------------------------------------------------------------------------------

namespace {

gfx::TGPStringAlignment StringAlignment(TKvAlignment a)
{
    switch (a) {
    case AlignCenter: return gfx::StringAlignmentCenter;
    case AlignFar: return gfx::StringAlignmentFar;
    default: return gfx::StringAlignmentNear;
    }
}

} // namespace

void TKvDrawingContext::DrawText(const QString& text, TKvFont* font, TKvFill* fill, double x, double y)
{
    if (!fill)
        return;
    // A gradient runs across the text's own box, as it runs across a shape.
    if (TKvLinearGradientBrush* gradient = fill->AsGradient()) {
        const TSizeF size = MeasureText(text, font);
        gradient->Recreate(x, y, double(size.cx), double(size.cy));
    }
    GdipCheck(gfx::DrawString(Graphics(), text, font ? font->Font() : nullptr, TRectF(float(x), float(y), float(x), float(y)),
                              nullptr, fill->Brush()));
}

void TKvDrawingContext::DrawText(const QString& text, TKvFont* font, TKvFill* fill, const TRectF& rect,
                                 TKvAlignment horz, TKvAlignment vert)
{
    if (!fill)
        return;
    PrepareFill(fill, rect);
    // One no-wrap format serves every aligned call; only its alignments change.
    KvGraphicsEnsureStarted();
    GdipCheck(gfx::SetStringFormatAlign(FTempFormat, StringAlignment(horz)));
    GdipCheck(gfx::SetStringFormatLineAlign(FTempFormat, StringAlignment(vert)));
    GdipCheck(gfx::DrawString(Graphics(), text, font ? font->Font() : nullptr, rect, FTempFormat, fill->Brush()));
}

void TKvDrawingContext::DrawText(const QString& text, TKvFont* font, TKvFill* fill, const TRect& rect,
                                 TKvAlignment horz, TKvAlignment vert)
{
    DrawText(text, font, fill, TRectF(rect), horz, vert);
}

void TKvDrawingContext::DrawText(const QString& text, TKvFont* font, TKvFill* fill, const TRectF& rect)
{
    DrawText(text, font, fill, rect, AlignCenter, AlignCenter);
}

void TKvDrawingContext::DrawText(const QString& text, TKvFont* font, TKvFill* fill, double x, double y, double width,
                                 double height)
{
    DrawText(text, font, fill, TRectF::Bounds(float(x), float(y), float(width), float(height)), AlignCenter,
             AlignCenter);
}

TSizeF TKvDrawingContext::MeasureText(const QString& text, TKvFont* font)
{
    TRectF bounds;
    GdipCheck(gfx::MeasureString(GetGlobalContext(), text, font ? font->Font() : nullptr, TRectF(), nullptr, bounds));
    return TSizeF{bounds.Width(), bounds.Height()};
}

TSizeF TKvDrawingContext::MeasureText(const QString& text, TKvFont* font, const TRectF&, TKvAlignment, TKvAlignment)
{
    return MeasureText(text, font);
}

// --- images --------------------------------------------------------------------------------

void TKvDrawingContext::DrawImage(TKvBitmap* bitmap, int x, int y, int width, int height)
{
    if (bitmap)
        GdipCheck(gfx::DrawImageRectI(Graphics(), bitmap->Image(), x, y, width, height));
}

void TKvDrawingContext::DrawImage(TCustomImageList* imageList, int index, int x, int y)
{
    if (!imageList || index < 0 || index >= imageList->GetCount())
        return;
    const TPoint offset = DeviceOffset();
    imageList->Draw(FCanvas, x + offset.X, y + offset.Y, index, true);
}

void TKvDrawingContext::DrawImage(TBitmap* bitmap, int x, int y)
{
    if (!bitmap)
        return;
    const TPoint offset = DeviceOffset();
    FCanvas->Draw(x + offset.X, y + offset.Y, bitmap);
}

// --- clip, state, transforms ---------------------------------------------------------------

std::uint32_t TKvDrawingContext::Save()
{
    gfx::GraphicsState state = 0;
    GdipCheck(gfx::SaveGraphics(Graphics(), state));
    return state;
}

void TKvDrawingContext::Restore(std::uint32_t state) { GdipCheck(gfx::RestoreGraphics(Graphics(), state)); }

TKvDrawingState::~TKvDrawingState()
{
    // Fails only for a context whose graphics are gone, where there is nothing to restore.
    gfx::RestoreGraphics(FContext->Graphics(), FState);
}

void TKvDrawingContext::Translate(double dx, double dy)
{
    GdipCheck(gfx::TranslateWorldTransform(Graphics(), float(dx), float(dy), gfx::MatrixOrderPrepend));
}

void TKvDrawingContext::Scale(double sx, double sy)
{
    GdipCheck(gfx::ScaleWorldTransform(Graphics(), float(sx), float(sy), gfx::MatrixOrderPrepend));
}

void TKvDrawingContext::Rotate(double angle, double cx, double cy)
{
    GdipCheck(gfx::TranslateWorldTransform(Graphics(), float(cx), float(cy), gfx::MatrixOrderPrepend));
    GdipCheck(gfx::RotateWorldTransform(Graphics(), float(angle), gfx::MatrixOrderPrepend));
    GdipCheck(gfx::TranslateWorldTransform(Graphics(), float(-cx), float(-cy), gfx::MatrixOrderPrepend));
}

void TKvDrawingContext::SetClip(double x, double y, double width, double height)
{
    GdipCheck(gfx::SetClipRect(Graphics(), float(x), float(y), float(width), float(height), gfx::CombineModeIntersect));
}

void TKvDrawingContext::SetClip(int x, int y, int width, int height)
{
    SetClip(double(x), double(y), double(width), double(height));
}

void TKvDrawingContext::ExcludeClip(double x, double y, double width, double height)
{
    GdipCheck(gfx::SetClipRect(Graphics(), float(x), float(y), float(width), float(height), gfx::CombineModeExclude));
}

void TKvDrawingContext::ExcludeClip(int x, int y, int width, int height)
{
    ExcludeClip(double(x), double(y), double(width), double(height));
}

// --- device-context items ------------------------------------------------------------------

TPoint TKvDrawingContext::DeviceOffset() const
{
    gfx::GpMatrix* matrix = nullptr;
    GdipCheck(gfx::CreateMatrix(&matrix));
    TGPStatus status = gfx::GetWorldTransform(Graphics(), matrix);
    if (status == Ok)
        status = gfx::GetMatrixElements(matrix, FMatElements);
    gfx::DeleteMatrix(matrix);
    GdipCheck(status);
    return TPoint{int(std::lround(FMatElements[4])), int(std::lround(FMatElements[5]))};
}

TSize TKvDrawingContext::GetCheckBoxSize()
{
    return TSize{dc::GetSystemMetrics(dc::SM_CXMENUCHECK), dc::GetSystemMetrics(dc::SM_CYMENUCHECK)};
}

void TKvDrawingContext::DrawCheckBox(int x, int y, bool checked, bool hot)
{
    const TPoint offset = DeviceOffset();
    const TSize size = GetCheckBoxSize();
    const TRect box = TRect::Bounds(x + offset.X, y + offset.Y, size.cx, size.cy);
    if (dc::UseThemes()) {
        const int state = checked ? (hot ? 6 : 5) : (hot ? 2 : 1);
        dc::DrawThemeBackground(FDC, "BUTTON", dc::BP_CHECKBOX, state, box);
    } else {
        dc::DrawFrameControl(FDC, box, dc::DFC_BUTTON,
                             dc::DFCS_BUTTONCHECK | dc::DFCS_FLAT | (checked ? dc::DFCS_CHECKED : 0));
    }
}

int TKvDrawingContext::GetButtonWidth() { return dc::GetSystemMetrics(dc::SM_CXVSCROLL) + 1; }

namespace {

TRect Moved(TRect rect, const TPoint& offset)
{
    rect.Offset(offset.X, offset.Y);
    return rect;
}

} // namespace

void TKvDrawingContext::DrawButton(const TRect& rect, bool enabled, bool hot, bool pressed)
{
    TKvDrawingUtils::DrawButton(FDC, Moved(rect, DeviceOffset()), enabled, hot, pressed);
}

void TKvDrawingContext::DrawEllipsisButton(const TRect& rect, bool enabled, bool hot, bool pressed)
{
    TKvDrawingUtils::DrawEllipsisButton(FDC, Moved(rect, DeviceOffset()), enabled, hot, pressed);
}

void TKvDrawingContext::DrawMenuButton(const TRect& rect, bool enabled, bool hot, bool pressed)
{
    TKvDrawingUtils::DrawMenuButton(FDC, Moved(rect, DeviceOffset()), enabled, hot, pressed);
}

void TKvDrawingContext::DrawDropdownButton(const TRect& rect, bool enabled, bool hot, bool pressed)
{
    TKvDrawingUtils::DrawDropdownButton(FDC, Moved(rect, DeviceOffset()), enabled, hot, pressed);
}

void TKvDrawingContext::DrawCheckButton(const TRect& rect, bool, bool hot, bool pressed)
{
    TKvDrawingUtils::DrawButton(FDC, Moved(rect, DeviceOffset()), true, hot, pressed);
}

void TKvDrawingContext::DrawComboButton(const TRect& rect, bool enabled, bool pressed, bool flat)
{
    unsigned state = dc::DFCS_SCROLLCOMBOBOX;
    if (!enabled)
        state |= dc::DFCS_INACTIVE;
    if (pressed)
        state |= dc::DFCS_PUSHED;
    if (flat)
        state |= dc::DFCS_FLAT;
    dc::DrawFrameControl(FDC, Moved(rect, DeviceOffset()), dc::DFC_SCROLL, state);
}

void TKvDrawingContext::DrawUpdownButton(const TRect& rect, bool pressed)
{
    TKvDrawingUtils::DrawUpdownButton(FDC, Moved(rect, DeviceOffset()), true, false, pressed);
}

void TKvDrawingContext::DrawCheck(const TRectF& rect, TKvFill* fill, TKvStroke* stroke)
{
    static constexpr float uv[6][2] = {{1.25f, 2.65f}, {0, 4.25f}, {3.95f, 7}, {8, 1.2f}, {6.3f, 0}, {3.45f, 4.25f}};
    std::vector<TPointF> points(6);
    for (int i = 0; i < 6; ++i)
        points[size_t(i)] = {rect.Left + rect.Width() * uv[i][0] / 8, rect.Top + rect.Height() * uv[i][1] / 7};
    DrawPolygon(fill, stroke, points);
}

void TKvDrawingContext::DrawBoolean(const TRectF& rect, bool value, TKvStroke* stroke)
{
    if (!stroke || !value)
        return;
    const float side = float(dc::GetSystemMetrics(dc::SM_CXVSCROLL));
    const float left = rect.Left + (rect.Width() - side) / 2;
    const float top = rect.Top + (rect.Height() - side) / 2;
    const std::vector<TPointF> tick{{left + side * 0.25f, top + side * 0.5f},
                                    {left + side * 0.42f, top + side * 0.7f},
                                    {left + side * 0.75f, top + side * 0.3f}};
    DrawLines(stroke, tick);
}

} // namespace kv
