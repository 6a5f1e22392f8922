// The vector graphics interface over QPainter, QImage and QFont: flat functions on opaque
// handles, each answering a status instead of raising.
//
// Sections
//   handles            GpPen, GpBrush, GpFont, GpStringFormat, GpPath, GpImage, GpMatrix,
//                      GpGraphics (a painter with its saved states and resolved fonts)
//   helpers            cached QPen of a pen, smoothing, device size and resolution, text flags
//   startup
//   pens, brushes      creation and setters; a linear gradient is rebuilt over a rectangle
//   fonts, string formats, paths, images, matrices
//   graphics           a graphics object over a painter or an image; shapes (FillShape and
//                      StrokeShape apply the brush or pen, then draw)
//   prepared text      the glyph-run cache and DrawString, MeasureString
// (handles in VectorGraphics.Handles.h; images and state in VectorGraphics.State.cpp)
//
// Call flow
//   The drawing context (graphics/) creates one GpGraphics per paint (CreateFromHDC on a
//   canvas's painter) and calls the shape, text, image, transform and clip functions on it.
//   Shapes set the painter's pen or brush from the cached QPen/QBrush of the handle and draw.
//   DrawString takes a line of unwrapped text through DrawPreparedText, which draws glyph runs
//   laid out on the text's second use and kept by face and text, and falls back to
//   QPainter::drawText for everything else. SaveGraphics/RestoreGraphics keep the transform
//   and smoothing themselves and save the painter only when the clip changes at that level.

#include "platform/graphics/VectorGraphics.h"
#include "platform/graphics/VectorGraphics.Handles.h"

#include <QtCore/QCache>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QVarLengthArray>
#include <QtGui/QFont>
#include <QtGui/QFontInfo>
#include <QtGui/QFontMetricsF>
#include <QtGui/QGlyphRun>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QImageReader>
#include <QtGui/QLinearGradient>
#include <QtGui/QPaintEngine>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QRawFont>
#include <QtGui/QRegion>
#include <QtGui/QTextLayout>
#include <QtGui/QTransform>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <unordered_set>
#include <vector>

namespace kv::gfx {

// --- helpers -------------------------------------------------------------------------------

namespace {

thread_local QString tLastError;

bool Whole(qreal v)
{
    return v == std::floor(v) && std::fabs(v) <= 1e7;
}

// A transform that only moves, by whole pixels: device pixels map one to one.
bool WholeShift(const QTransform& t)
{
    return t.type() <= QTransform::TxTranslate && Whole(t.dx()) && Whole(t.dy());
}

QColor ToQColor(ARGB c) { return QColor::fromRgba(c); }

const QPen& PenOf(GpPen* pen)
{
    if (pen->Dirty) {
        QPen p(ToQColor(pen->Color), pen->Width);
        p.setCapStyle(Qt::FlatCap);
        p.setJoinStyle(Qt::MiterJoin);
        switch (pen->Dash) {
        case DashStyleDash: p.setDashPattern({3, 1}); break;
        case DashStyleDot: p.setDashPattern({1, 1}); break;
        case DashStyleDashDot: p.setDashPattern({3, 1, 1, 1}); break;
        case DashStyleDashDotDot: p.setDashPattern({3, 1, 1, 1, 1, 1}); break;
        default: break;
        }
        pen->Cached = p;
        pen->Dirty = false;
    }
    return pen->Cached;
}

int DpiOf(GpGraphics* g)
{
    QPaintDevice* d = g->Painter->device();
    return d ? d->logicalDpiY() : 96;
}

const QFontMetricsF& MetricsOf(GpFont* font, GpGraphics* g)
{
    const int dpi = DpiOf(g);
    if (!font->Metrics || font->MetricsDpi != dpi) {
        font->Metrics.emplace(font->Font, g->Painter->device());
        font->MetricsDpi = dpi;
    }
    return *font->Metrics;
}

int TextFlags(GpStringFormat* format)
{
    int flags = 0;
    if (!format)
        return Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;
    switch (format->Align) {
    case StringAlignmentCenter: flags |= Qt::AlignHCenter; break;
    case StringAlignmentFar: flags |= Qt::AlignRight; break;
    default: flags |= Qt::AlignLeft; break;
    }
    switch (format->LineAlign) {
    case StringAlignmentCenter: flags |= Qt::AlignVCenter; break;
    case StringAlignmentFar: flags |= Qt::AlignBottom; break;
    default: flags |= Qt::AlignTop; break;
    }
    if (!(format->Flags & StringFormatFlagsNoWrap))
        flags |= Qt::TextWordWrap;
    if (format->Flags & StringFormatFlagsNoClip)
        flags |= Qt::TextDontClip;
    return flags;
}

void ReleaseImageUser(GpImage* image)
{
    if (!image)
        return;
    --image->Users;
    if (image->Users == 0 && image->DisposePending)
        delete image;
}

} // namespace

// --- startup -------------------------------------------------------------------------------

TGPStatus Startup(std::uint32_t version, std::uintptr_t& token)
{
    token = 0;
    if (version != 1)
        return UnsupportedGdiplusVersion;
    if (!QGuiApplication::instance())
        return WrongState;
    static std::uintptr_t counter = 0;
    token = ++counter;
    return Ok;
}

void Shutdown(std::uintptr_t) {}

QString GetLastErrorText() { return tLastError; }

// --- pens ----------------------------------------------------------------------------------

TGPStatus CreatePen(ARGB color, float width, TGPUnit unit, GpPen** pen)
{
    if (!pen || !Finite(width) || width < 0 || unit != UnitWorld)
        return InvalidParameter;
    auto* p = new GpPen;
    p->Color = color;
    p->Width = width;
    *pen = p;
    return Ok;
}

TGPStatus DeletePen(GpPen* pen)
{
    if (!pen)
        return InvalidParameter;
    delete pen;
    return Ok;
}

TGPStatus SetPenColor(GpPen* pen, ARGB color)
{
    if (!pen)
        return InvalidParameter;
    if (pen->Color != color) {
        pen->Color = color;
        pen->Dirty = true;
    }
    return Ok;
}

TGPStatus GetPenColor(GpPen* pen, ARGB& color)
{
    if (!pen)
        return InvalidParameter;
    color = pen->Color;
    return Ok;
}

TGPStatus SetPenWidth(GpPen* pen, float width)
{
    if (!pen || !Finite(width) || width < 0)
        return InvalidParameter;
    if (pen->Width != width) {
        pen->Width = width;
        pen->Dirty = true;
    }
    return Ok;
}

TGPStatus GetPenWidth(GpPen* pen, float& width)
{
    if (!pen)
        return InvalidParameter;
    width = pen->Width;
    return Ok;
}

TGPStatus SetPenDashStyle(GpPen* pen, TGPDashStyle dash)
{
    if (!pen || dash < DashStyleSolid || dash > DashStyleDashDotDot)
        return InvalidParameter;
    if (pen->Dash != dash) {
        pen->Dash = dash;
        pen->Dirty = true;
    }
    return Ok;
}

TGPStatus GetPenDashStyle(GpPen* pen, TGPDashStyle& dash)
{
    if (!pen)
        return InvalidParameter;
    dash = pen->Dash;
    return Ok;
}

// --- brushes -------------------------------------------------------------------------------

TGPStatus CreateSolidFill(ARGB color, GpBrush** brush)
{
    if (!brush)
        return InvalidParameter;
    auto* b = new GpBrush;
    b->Type = BrushTypeSolidColor;
    b->Color = color;
    b->Cached = QBrush(ToQColor(color));
    *brush = b;
    return Ok;
}

TGPStatus SetSolidFillColor(GpBrush* brush, ARGB color)
{
    if (!brush || brush->Type != BrushTypeSolidColor)
        return InvalidParameter;
    if (brush->Color != color) {
        brush->Color = color;
        brush->Cached.setColor(ToQColor(color));
        brush->TextPenDirty = true;
    }
    return Ok;
}

TGPStatus GetSolidFillColor(GpBrush* brush, ARGB& color)
{
    if (!brush || brush->Type != BrushTypeSolidColor)
        return InvalidParameter;
    color = brush->Color;
    return Ok;
}

TGPStatus CreateLineBrushFromRectWithAngle(const TRectF& rect, ARGB color1, ARGB color2, float angle,
                                           bool angleScalable, TGPWrapMode wrap, GpBrush** brush)
{
    const float w = rect.Width(), h = rect.Height();
    if (!brush || !Finite(rect.Left) || !Finite(rect.Top) || !Finite(w) || !Finite(h) || !(w > 0) || !(h > 0)
        || !Finite(angle) || wrap < WrapModeTile || wrap > WrapModeClamp)
        return InvalidParameter;
    // The gradient runs along the angle's direction across the unit square (or the rectangle's
    // own square when the angle is not scalable) and is then mapped onto the rectangle.
    const double rad = double(angle) * M_PI / 180.0;
    const double dx = std::cos(rad), dy = std::sin(rad);
    const double sw = angleScalable ? 1.0 : w, sh = angleScalable ? 1.0 : h;
    const double d1 = sw * dx, d2 = sh * dy, d3 = sw * dx + sh * dy;
    const double lo = std::min({0.0, d1, d2, d3});
    const double hi = std::max({0.0, d1, d2, d3});
    const QPointF centre(sw / 2, sh / 2);
    const double c = centre.x() * dx + centre.y() * dy;
    const QPointF start = centre + QPointF(dx, dy) * (lo - c);
    const QPointF end = centre + QPointF(dx, dy) * (hi - c);
    QLinearGradient g(start, end);
    g.setColorAt(0, ToQColor(color1));
    g.setColorAt(1, ToQColor(color2));
    switch (wrap) {
    case WrapModeTile: g.setSpread(QGradient::RepeatSpread); break;
    case WrapModeClamp: g.setSpread(QGradient::PadSpread); break;
    default: g.setSpread(QGradient::ReflectSpread); break;
    }
    auto* b = new GpBrush;
    b->Type = BrushTypeLinearGradient;
    b->Cached = QBrush(g);
    QTransform t;
    t.translate(rect.Left, rect.Top);
    if (angleScalable)
        t.scale(w, h);
    b->Cached.setTransform(t);
    *brush = b;
    return Ok;
}

TGPStatus GetBrushType(GpBrush* brush, TGPBrushType& type)
{
    if (!brush)
        return InvalidParameter;
    type = brush->Type;
    return Ok;
}

TGPStatus DeleteBrush(GpBrush* brush)
{
    if (!brush)
        return InvalidParameter;
    delete brush;
    return Ok;
}

// --- fonts ---------------------------------------------------------------------------------

TGPStatus CreateFontFamilyFromName(const QString& name, GpFontFamily** family)
{
    if (!family)
        return InvalidParameter;
    if (name.trimmed().isEmpty() || name.contains(QChar(0)))
        return FontFamilyNotFound;
    *family = new GpFontFamily{name};
    return Ok;
}

TGPStatus GetGenericFontFamilySansSerif(GpFontFamily** family)
{
    if (!family)
        return InvalidParameter;
    if (!QGuiApplication::instance())
        return WrongState;
    static const QString name = [] {
        QFont f(QStringLiteral("Sans Serif"));
        f.setStyleHint(QFont::SansSerif);
        const QString resolved = QFontInfo(f).family();
        return resolved.isEmpty() ? QStringLiteral("Sans Serif") : resolved;
    }();
    *family = new GpFontFamily{name};
    return Ok;
}

TGPStatus GetFamilyName(GpFontFamily* family, QString& name)
{
    if (!family)
        return InvalidParameter;
    name = family->Name;
    return Ok;
}

TGPStatus DeleteFontFamily(GpFontFamily* family)
{
    if (!family)
        return InvalidParameter;
    delete family;
    return Ok;
}

TGPStatus CreateFont(GpFontFamily* family, float size, int style, TGPUnit unit, GpFont** font)
{
    // Sizes beyond any display are refused rather than rasterised.
    constexpr float MaxFontSize = 16384;
    if (!family || !font || !Finite(size) || !(size > 0) || size > MaxFontSize || (unit != UnitPoint && unit != UnitPixel)
        || (style & ~0xF) != 0)
        return InvalidParameter;
    static std::uint64_t serials = 0;
    auto* f = new GpFont;
    f->Serial = ++serials;
    f->Family = family->Name;
    f->Size = size;
    f->Style = style;
    QFont q(family->Name);
    if (unit == UnitPoint)
        q.setPointSizeF(size);
    else
        q.setPixelSize(std::max(1, int(std::lround(size))));
    q.setBold(style & FontStyleBold);
    q.setItalic(style & FontStyleItalic);
    q.setUnderline(style & FontStyleUnderline);
    q.setStrikeOut(style & FontStyleStrikeout);
    f->Font = q;
    *font = f;
    return Ok;
}

TGPStatus DeleteFont(GpFont* font)
{
    if (!font)
        return InvalidParameter;
    delete font;
    return Ok;
}

TGPStatus GetFontFamilyName(GpFont* font, QString& name)
{
    if (!font)
        return InvalidParameter;
    name = font->Family;
    return Ok;
}

TGPStatus GetFontSize(GpFont* font, float& size)
{
    if (!font)
        return InvalidParameter;
    size = font->Size;
    return Ok;
}

TGPStatus GetFontStyle(GpFont* font, int& style)
{
    if (!font)
        return InvalidParameter;
    style = font->Style;
    return Ok;
}

TGPStatus GetFontHeight(GpFont* font, GpGraphics* graphics, float& height)
{
    if (!font || !ValidGraphics(graphics))
        return InvalidParameter;
    height = float(MetricsOf(font, graphics).lineSpacing());
    return Ok;
}

TGPStatus GetFontQFont(GpFont* font, QFont& qfont)
{
    if (!font)
        return InvalidParameter;
    qfont = font->Font;
    return Ok;
}

// --- string formats ------------------------------------------------------------------------

TGPStatus CreateStringFormat(int flags, int, GpStringFormat** format)
{
    if (!format)
        return InvalidParameter;
    *format = new GpStringFormat{flags};
    return Ok;
}

TGPStatus SetStringFormatAlign(GpStringFormat* format, TGPStringAlignment align)
{
    if (!format || align < StringAlignmentNear || align > StringAlignmentFar)
        return InvalidParameter;
    format->Align = align;
    return Ok;
}

TGPStatus SetStringFormatLineAlign(GpStringFormat* format, TGPStringAlignment align)
{
    if (!format || align < StringAlignmentNear || align > StringAlignmentFar)
        return InvalidParameter;
    format->LineAlign = align;
    return Ok;
}

TGPStatus DeleteStringFormat(GpStringFormat* format)
{
    if (!format)
        return InvalidParameter;
    delete format;
    return Ok;
}

// --- paths ---------------------------------------------------------------------------------

TGPStatus CreatePath(TGPFillMode fillMode, GpPath** path)
{
    if (!path || (fillMode != FillModeAlternate && fillMode != FillModeWinding))
        return InvalidParameter;
    auto* p = new GpPath;
    p->FillMode = fillMode;
    p->Path.setFillRule(fillMode == FillModeWinding ? Qt::WindingFill : Qt::OddEvenFill);
    *path = p;
    return Ok;
}

TGPStatus ResetPath(GpPath* path)
{
    if (!path)
        return InvalidParameter;
    path->Path.clear();
    path->Path.setFillRule(path->FillMode == FillModeWinding ? Qt::WindingFill : Qt::OddEvenFill);
    path->NewFigure = true;
    return Ok;
}

TGPStatus AddPathArc(GpPath* path, float x, float y, float width, float height, float startAngle, float sweepAngle)
{
    if (!path || !Finite(x) || !Finite(y) || !Finite(width) || !Finite(height) || !Finite(startAngle)
        || !Finite(sweepAngle) || width < 0 || height < 0)
        return InvalidParameter;
    // Angles are clockwise in y-down space; Qt's are counter-clockwise.
    const QRectF r(x, y, width, height);
    if (width == 0 || height == 0) {
        // A flat ellipse: the arc is the straight run between its end points.
        auto at = [&](float degrees) {
            const double rad = double(degrees) * M_PI / 180.0;
            return QPointF(x + width / 2.0 * (1 + std::cos(rad)), y + height / 2.0 * (1 + std::sin(rad)));
        };
        if (path->NewFigure)
            path->Path.moveTo(at(startAngle));
        else
            path->Path.lineTo(at(startAngle));
        path->Path.lineTo(at(startAngle + sweepAngle));
        path->NewFigure = false;
        return Ok;
    }
    if (path->NewFigure) {
        path->Path.arcMoveTo(r, -startAngle);
        path->NewFigure = false;
    }
    path->Path.arcTo(r, -startAngle, -sweepAngle);
    return Ok;
}

TGPStatus ClosePathFigure(GpPath* path)
{
    if (!path)
        return InvalidParameter;
    path->Path.closeSubpath();
    path->NewFigure = true;
    return Ok;
}

TGPStatus GetPathWorldBounds(GpPath* path, TRectF& bounds)
{
    if (!path)
        return InvalidParameter;
    const QRectF r = path->Path.boundingRect();
    bounds = TRectF(float(r.left()), float(r.top()), float(r.right()), float(r.bottom()));
    return Ok;
}

TGPStatus DeletePath(GpPath* path)
{
    if (!path)
        return InvalidParameter;
    delete path;
    return Ok;
}

// --- images --------------------------------------------------------------------------------

TGPStatus CreateBitmapFromFile(const QString& fileName, GpImage** image)
{
    if (!image)
        return InvalidParameter;
    // A directory is opened like a file and fails with the system's reason; other special
    // files (pipes, devices) are never opened, as reading them may block.
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.exists() || (!info.isFile() && !info.isDir()))
        return FileNotFound;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        tLastError = file.errorString();
        return Win32Error;
    }
    QImageReader reader(&file);
    QImage decoded = reader.read();
    if (decoded.isNull())
        return UnknownImageFormat;
    *image = new GpImage{decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied)};
    return Ok;
}

TGPStatus CreateBitmapFromBitmap(const TBitmap* bitmap, GpImage** image)
{
    if (!bitmap || !image)
        return InvalidParameter;
    const QImage& source = bitmap->GetImage();
    if (source.isNull())
        return InvalidParameter;
    *image = new GpImage{source.convertToFormat(QImage::Format_ARGB32_Premultiplied)};
    return Ok;
}

TGPStatus CreateBitmap(int width, int height, GpImage** image)
{
    if (!image || width <= 0 || height <= 0)
        return InvalidParameter;
    QImage img(width, height, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull())
        return OutOfMemory;
    img.fill(Qt::transparent);
    *image = new GpImage{img};
    return Ok;
}

TGPStatus GetImageWidth(GpImage* image, int& width)
{
    if (!image)
        return InvalidParameter;
    width = image->Image.width();
    return Ok;
}

TGPStatus GetImageHeight(GpImage* image, int& height)
{
    if (!image)
        return InvalidParameter;
    height = image->Image.height();
    return Ok;
}

TGPStatus GetImagePixel(GpImage* image, int x, int y, ARGB& color)
{
    if (!image || !image->Image.valid(x, y))
        return InvalidParameter;
    color = image->Image.pixel(x, y);
    return Ok;
}

TGPStatus DisposeImage(GpImage* image)
{
    if (!image || image->DisposePending)
        return InvalidParameter;
    if (image->Users > 0) {
        image->DisposePending = true;
        return ObjectBusy;
    }
    delete image;
    return Ok;
}

// --- matrices ------------------------------------------------------------------------------

TGPStatus CreateMatrix(GpMatrix** matrix)
{
    if (!matrix)
        return InvalidParameter;
    *matrix = new GpMatrix;
    return Ok;
}

TGPStatus GetMatrixElements(GpMatrix* matrix, float elements[6])
{
    if (!matrix || !elements)
        return InvalidParameter;
    const QTransform& t = matrix->Transform;
    elements[0] = float(t.m11());
    elements[1] = float(t.m12());
    elements[2] = float(t.m21());
    elements[3] = float(t.m22());
    elements[4] = float(t.dx());
    elements[5] = float(t.dy());
    return Ok;
}

TGPStatus DeleteMatrix(GpMatrix* matrix)
{
    if (!matrix)
        return InvalidParameter;
    delete matrix;
    return Ok;
}

// --- graphics ------------------------------------------------------------------------------

TGPStatus CreateFromImage(GpImage* image, GpGraphics** graphics)
{
    if (!image || !graphics || image->DisposePending || image->Image.isNull())
        return InvalidParameter;
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(&image->Image))
        return WrongState;
    auto* g = new GpGraphics;
    g->Painter = painter.get();
    g->OwnPainter = std::move(painter);
    g->Image = image;
    ++image->Users;
    ApplySmoothing(g);
    *graphics = g;
    return Ok;
}

TGPStatus CreateFromHDC(HDC dc, GpGraphics** graphics)
{
    if (!dc || !graphics)
        return InvalidParameter;
    if (!dc->isActive())
        return WrongState;
    auto* g = new GpGraphics;
    g->Painter = dc;
    dc->save();
    dc->resetTransform();
    g->InitialClipping = dc->hasClipping();
    if (g->InitialClipping)
        g->InitialClip = dc->clipPath();
    ApplySmoothing(g);
    *graphics = g;
    return Ok;
}

TGPStatus SetPaintRegion(GpGraphics* graphics, const TRect* rects, int count)
{
    if (!graphics || count < 0 || (count > 0 && !rects))
        return InvalidParameter;
    graphics->PaintRegion = QRegion();
    graphics->PaintRegionKnown = false;
    // Kept in device pixels: only a whole-pixel translation maps them exactly.
    const QTransform device = graphics->Painter ? graphics->Painter->deviceTransform() : QTransform();
    if (count == 0 || !WholeShift(device))
        return Ok;
    for (int i = 0; i < count; ++i)
        if (!rects[i].IsEmpty())
            graphics->PaintRegion += QRect(rects[i].Left, rects[i].Top, rects[i].Width(), rects[i].Height())
                                         .translated(int(device.dx()), int(device.dy()));
    graphics->PaintRegionKnown = true;
    return Ok;
}

TGPStatus DeleteGraphics(GpGraphics* graphics)
{
    if (!graphics)
        return InvalidParameter;
    if (graphics->Painter && graphics->Painter->isActive()) {
        for (const GpGraphics::Saved& saved : graphics->States)
            if (saved.PainterSaved)
                graphics->Painter->restore();
        if (graphics->OwnPainter)
            graphics->OwnPainter->end();
        else
            graphics->Painter->restore();
    }
    ReleaseImageUser(graphics->Image);
    delete graphics;
    return Ok;
}

TGPStatus SetSmoothingMode(GpGraphics* graphics, TGPSmoothingMode mode)
{
    if (!ValidGraphics(graphics) || mode < SmoothingModeDefault || mode > SmoothingModeAntiAlias)
        return InvalidParameter;
    graphics->Smoothing = mode;
    ApplySmoothing(graphics);
    return Ok;
}

TGPStatus GetSmoothingMode(GpGraphics* graphics, TGPSmoothingMode& mode)
{
    if (!graphics)
        return InvalidParameter;
    mode = graphics->Smoothing;
    return Ok;
}

namespace {

// Shapes set the pen and brush they need and leave them set: every call here sets its own, and
// the painter's state as found is restored when the graphics object is deleted. Setting the
// pen or brush that is already set costs a comparison of shared data only.
template <typename Draw>
TGPStatus FillShape(GpGraphics* g, GpBrush* brush, Draw&& draw)
{
    if (!ValidGraphics(g) || !brush)
        return InvalidParameter;
    QPainter* p = g->Painter;
    p->setPen(Qt::NoPen);
    p->setBrush(brush->Cached);
    draw(p);
    return Ok;
}

template <typename Draw>
TGPStatus StrokeShape(GpGraphics* g, GpPen* pen, Draw&& draw)
{
    if (!ValidGraphics(g) || !pen)
        return InvalidParameter;
    QPainter* p = g->Painter;
    p->setPen(PenOf(pen));
    p->setBrush(Qt::NoBrush);
    draw(p);
    return Ok;
}

// Many small rectangles of an opaque colour on a 32-bit image, under a whole-pixel translation
// and a clip of rectangles: written straight into the image, as the painter would write them.
// False when the painter's state asks for its own path.
bool FillOpaqueRects(QPainter* p, const QColor& color, const TRect* rects, int count)
{
    QPaintDevice* device = p->device();
    if (color.alpha() != 255 || !device || device->devType() != QInternal::Image ||
        p->compositionMode() != QPainter::CompositionMode_SourceOver || p->opacity() != 1.0)
        return false;
    auto* image = static_cast<QImage*>(device);
    if ((image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32_Premultiplied &&
         image->format() != QImage::Format_ARGB32) || image->isNull())
        return false;
    const QTransform& world = p->worldTransform();
    if (!WholeShift(world))
        return false;
    const int dx = int(world.dx()), dy = int(world.dy());
    QRegion clip = p->hasClipping() ? p->clipRegion().translated(dx, dy) : QRegion(image->rect());
    clip &= image->rect();
    const quint32 value = color.rgba();
    uchar* bits = image->bits();
    const qsizetype stride = image->bytesPerLine();
    for (const QRect& c : clip)
        for (int i = 0; i < count; ++i) {
            const QRect r = QRect(rects[i].Left + dx, rects[i].Top + dy, rects[i].Width(), rects[i].Height()) & c;
            for (int y = r.top(); y <= r.bottom(); ++y)
                std::fill_n(reinterpret_cast<quint32*>(bits + y * stride) + r.left(), r.width(), value);
        }
    return true;
}

// Where rectangles of whole pixels may be filled straight into the spans, past the rasterizer
// and the pen and brush: the raster engine without edge smoothing (whose coverage of a whole
// pixel may fall short of full), under a device transform that moves by whole pixels.
bool WholePixelTarget(const QPainter* p)
{
    const QPaintEngine* engine = p->paintEngine();
    return engine && engine->type() == QPaintEngine::Raster && !p->testRenderHint(QPainter::Antialiasing) &&
           WholeShift(p->deviceTransform());
}

// Fills the rectangles (painter coordinates, whole pixels, none overlapping) as the raster
// engine fills them.
void FillPixels(QPainter* p, const QColor& color, std::initializer_list<QRect> rects)
{
    for (const QRect& r : rects)
        if (!r.isEmpty())
            p->fillRect(r, color);
}

// Fills [left, right) x [top, bottom) when those are whole numbers on a whole-pixel target.
bool FillWholePixels(QPainter* p, const QColor& color, qreal left, qreal top, qreal right, qreal bottom)
{
    if (!(left < right && top < bottom) || !Whole(left) || !Whole(top) || !Whole(right) || !Whole(bottom) ||
        !WholePixelTarget(p))
        return false;
    FillPixels(p, color, {QRect(int(left), int(top), int(right - left), int(bottom - top))});
    return true;
}

bool SolidPen(const QPen& pen)
{
    return pen.style() == Qt::SolidLine && pen.brush().style() == Qt::SolidPattern;
}

// A level or upright line of a solid pen of one pixel or less, ends on whole numbers, without
// edge smoothing: the pixel row or column the line falls in, filled as one rectangle. False for
// any other line, which the painter strokes.
bool LineAsPixels(QPainter* p, const QPointF& a, const QPointF& b)
{
    const QPen& pen = p->pen();
    if (!SolidPen(pen) || pen.capStyle() != Qt::FlatCap)
        return false;
    const bool level = a.y() == b.y(), upright = a.x() == b.x();
    if (level == upright)
        return false;
    const qreal from = level ? std::min(a.x(), b.x()) : std::min(a.y(), b.y());
    const qreal to = level ? std::max(a.x(), b.x()) : std::max(a.y(), b.y());
    const qreal across = level ? a.y() : a.x();
    const qreal width = pen.widthF();
    if (width != 0 && width != 1)
        return false;
    const qreal low = std::floor(across), high = low + 1;
    const QColor color = pen.color();
    return level ? FillWholePixels(p, color, from, low, to, high) : FillWholePixels(p, color, low, from, high, to);
}

// The outline of a rectangle at least two pixels each way, stroked without edge smoothing by a
// solid pen of up to two pixels with mitred corners, filled as the four bands of its ring: a pen
// of one pixel or less covers the pixel rows and columns the edges fall in, one of two pixels
// the two around each edge's nearest whole number. Only for outlines wholly on the device.
bool RectAsPixels(QPainter* p, qreal x1, qreal y1, qreal x2, qreal y2)
{
    const QPen& pen = p->pen();
    const qreal width = pen.widthF();
    if (!SolidPen(pen) || pen.joinStyle() != Qt::MiterJoin ||
        (width != 0 && width != 1 && width != 2) || !(x2 - x1 >= 2 && y2 - y1 >= 2) || std::fabs(x1) > 1e7 ||
        std::fabs(y1) > 1e7 || std::fabs(x2) > 1e7 || std::fabs(y2) > 1e7 || !WholePixelTarget(p))
        return false;
    int left, top, right, bottom, band; // outer edges and the width of the ring
    if (width <= 1) {
        left = int(std::floor(x1));
        top = int(std::floor(y1));
        right = int(std::floor(x2)) + 1;
        bottom = int(std::floor(y2)) + 1;
        band = 1;
    } else {
        left = int(std::floor(x1 + 0.5)) - 1;
        top = int(std::floor(y1 + 0.5)) - 1;
        right = int(std::floor(x2 + 0.5)) + 1;
        bottom = int(std::floor(y2 + 0.5)) + 1;
        band = 2;
    }
    // The stroker closes an outline that leaves the device by other rules: inside it only.
    const QPaintDevice* device = p->device();
    const QTransform& shift = p->deviceTransform();
    if (!device || left + shift.dx() < 0 || top + shift.dy() < 0 || right + shift.dx() > device->width() ||
        bottom + shift.dy() > device->height())
        return false;
    const int inTop = std::min(top + band, bottom), inBottom = std::max(bottom - band, inTop);
    const int inLeft = std::min(left + band, right), inRight = std::max(right - band, inLeft);
    FillPixels(p, pen.color(),
               {QRect(left, top, right - left, inTop - top), QRect(left, inBottom, right - left, bottom - inBottom),
                QRect(left, inTop, inLeft - left, inBottom - inTop),
                QRect(inRight, inTop, right - inRight, inBottom - inTop)});
    return true;
}

QPolygonF ToPolygon(const TPointF* points, int count)
{
    QPolygonF poly;
    poly.reserve(count);
    for (int i = 0; i < count; ++i)
        poly.append(QPointF(points[i].X, points[i].Y));
    return poly;
}

} // namespace

TGPStatus FillRectangle(GpGraphics* graphics, GpBrush* brush, float x, float y, float width, float height)
{
    if (!FiniteRect(x, y, width, height))
        return InvalidParameter;
    if (brush && ValidGraphics(graphics) && brush->Cached.style() == Qt::SolidPattern &&
        FillWholePixels(graphics->Painter, brush->Cached.color(), x, y, qreal(x) + width, qreal(y) + height))
        return Ok;
    return FillShape(graphics, brush, [&](QPainter* p) { p->drawRect(QRectF(x, y, width, height)); });
}

TGPStatus FillRectangles(GpGraphics* graphics, GpBrush* brush, const TRect* rects, int count)
{
    if (count < 0 || (count > 0 && !rects))
        return InvalidParameter;
    return FillShape(graphics, brush, [&](QPainter* p) {
        if (brush->Cached.style() != Qt::SolidPattern) {
            for (int i = 0; i < count; ++i)
                if (!rects[i].IsEmpty())
                    p->drawRect(QRectF(rects[i].Left, rects[i].Top, rects[i].Width(), rects[i].Height()));
            return;
        }
        if (FillOpaqueRects(p, brush->Cached.color(), rects, count))
            return;
        const bool smooth = p->testRenderHint(QPainter::Antialiasing);
        if (smooth)
            p->setRenderHint(QPainter::Antialiasing, false);
        QVarLengthArray<QRect, 64> list;
        list.reserve(count);
        for (int i = 0; i < count; ++i)
            if (!rects[i].IsEmpty())
                list.append(QRect(rects[i].Left, rects[i].Top, rects[i].Width(), rects[i].Height()));
        p->drawRects(list.constData(), int(list.size()));
        if (smooth)
            p->setRenderHint(QPainter::Antialiasing, true);
    });
}

TGPStatus DrawRectangle(GpGraphics* graphics, GpPen* pen, float x, float y, float width, float height)
{
    if (!FiniteRect(x, y, width, height))
        return InvalidParameter;
    return StrokeShape(graphics, pen, [&](QPainter* p) {
        if (!RectAsPixels(p, x, y, qreal(x) + width, qreal(y) + height))
            p->drawRect(QRectF(x, y, width, height));
    });
}

TGPStatus FillEllipse(GpGraphics* graphics, GpBrush* brush, float x, float y, float width, float height)
{
    if (!FiniteRect(x, y, width, height))
        return InvalidParameter;
    return FillShape(graphics, brush, [&](QPainter* p) { p->drawEllipse(QRectF(x, y, width, height)); });
}

TGPStatus DrawEllipse(GpGraphics* graphics, GpPen* pen, float x, float y, float width, float height)
{
    if (!FiniteRect(x, y, width, height))
        return InvalidParameter;
    return StrokeShape(graphics, pen, [&](QPainter* p) { p->drawEllipse(QRectF(x, y, width, height)); });
}

TGPStatus FillPolygon(GpGraphics* graphics, GpBrush* brush, const TPointF* points, int count, TGPFillMode fillMode)
{
    if (!points || count < 1)
        return InvalidParameter;
    const QPolygonF poly = ToPolygon(points, count);
    const Qt::FillRule rule = fillMode == FillModeWinding ? Qt::WindingFill : Qt::OddEvenFill;
    return FillShape(graphics, brush, [&](QPainter* p) { p->drawPolygon(poly, rule); });
}

TGPStatus DrawPolygon(GpGraphics* graphics, GpPen* pen, const TPointF* points, int count)
{
    if (!points || count < 1)
        return InvalidParameter;
    const QPolygonF poly = ToPolygon(points, count);
    return StrokeShape(graphics, pen, [&](QPainter* p) { p->drawPolygon(poly); });
}

namespace {

// Cuts a solid level or upright line under a translation to the paint's pixels, on whole
// coordinates beyond the reach of its pen and caps: the pixels in the paint stay those of the
// whole line. False when nothing of it is left there.
bool CutToPaint(const GpGraphics* g, const QPainter* p, QPointF& a, QPointF& b)
{
    const QTransform& device = p->deviceTransform();
    const bool upright = a.x() == b.x();
    if (!g->PaintRegionKnown || device.type() > QTransform::TxTranslate || (!upright && a.y() != b.y()) ||
        p->pen().style() != Qt::SolidLine)
        return true;
    const QRectF paint = QRectF(g->PaintRegion.boundingRect()).translated(-device.dx(), -device.dy());
    const qreal reach = std::ceil(std::max<qreal>(1.0, p->pen().widthF())) + 2;
    // Along the line, and across it.
    const qreal low = std::floor(upright ? paint.top() : paint.left()) - reach;
    const qreal high = std::ceil(upright ? paint.bottom() : paint.right()) + reach;
    const qreal across = upright ? a.x() : a.y();
    const qreal acrossLow = (upright ? paint.left() : paint.top()) - reach;
    const qreal acrossHigh = (upright ? paint.right() : paint.bottom()) + reach;
    if (across < acrossLow || across > acrossHigh)
        return false;
    qreal& ra = upright ? a.ry() : a.rx();
    qreal& rb = upright ? b.ry() : b.rx();
    qreal& from = ra <= rb ? ra : rb;
    qreal& to = ra <= rb ? rb : ra;
    if (to < low || from > high)
        return false;
    from = std::max(from, low);
    to = std::min(to, high);
    return true;
}

} // namespace

TGPStatus DrawLine(GpGraphics* graphics, GpPen* pen, float x1, float y1, float x2, float y2)
{
    if (!FiniteRect(x1, y1, x2, y2))
        return InvalidParameter;
    return StrokeShape(graphics, pen, [&](QPainter* p) {
        QPointF a(x1, y1), b(x2, y2);
        if (CutToPaint(graphics, p, a, b) && !LineAsPixels(p, a, b))
            p->drawLine(a, b);
    });
}

TGPStatus DrawLines(GpGraphics* graphics, GpPen* pen, const TPointF* points, int count)
{
    if (!points || count < 2)
        return InvalidParameter;
    const QPolygonF poly = ToPolygon(points, count);
    return StrokeShape(graphics, pen, [&](QPainter* p) { p->drawPolyline(poly); });
}

TGPStatus DrawLinesI(GpGraphics* graphics, GpPen* pen, const TPoint* points, int count)
{
    if (!points || count < 2)
        return InvalidParameter;
    QPolygonF poly;
    poly.reserve(count);
    for (int i = 0; i < count; ++i)
        poly.append(QPointF(points[i].X, points[i].Y));
    return StrokeShape(graphics, pen, [&](QPainter* p) { p->drawPolyline(poly); });
}

TGPStatus FillPath(GpGraphics* graphics, GpBrush* brush, GpPath* path)
{
    if (!path)
        return InvalidParameter;
    return FillShape(graphics, brush, [&](QPainter* p) { p->drawPath(path->Path); });
}

TGPStatus DrawPath(GpGraphics* graphics, GpPen* pen, GpPath* path)
{
    if (!path)
        return InvalidParameter;
    return StrokeShape(graphics, pen, [&](QPainter* p) { p->drawPath(path->Path); });
}

namespace {

// --- prepared text -------------------------------------------------------------------------
//
// Drawing a line of text through QPainter::drawText lays it out (itemizes, shapes, breaks)
// on every call. Text that stays on one line and is drawn again is laid out once per font
// face and text, kept as glyph runs in a small bounded cache, and placed by the same
// arithmetic that drawText uses, so the pixels are the same. The first draw of a text only
// notes it and takes drawText, so that a frame of new texts (after a scroll) costs what
// drawText costs; everything else (wrapping, line breaks, tabs, transforms
// beyond a translation, right-to-left paragraphs, underlined or struck-out fonts) takes
// drawText.

// Faces: fonts as a painter resolves them. Interned so that equal fonts share cache entries;
// when there are too many, the faces and the cache start over (a new generation).
struct TTextFace
{
    QFont Font;
    int Dpi;
};

struct TTextKey
{
    int FaceId;
    Qt::LayoutDirection Direction;
    QString Text;
    bool operator==(const TTextKey& other) const
    {
        return FaceId == other.FaceId && Direction == other.Direction && Text == other.Text;
    }
};

size_t qHash(const TTextKey& key, size_t seed = 0) { return qHashMulti(seed, key.FaceId, int(key.Direction), key.Text); }

struct TPreparedText
{
    // Laid out on one line with every glyph at or right of and below the origin.
    bool Simple = false;
    qreal Width = 0;   // natural width, for the bounds that decide clipping
    qreal Advance = 0; // horizontal advance, for placing the line
    qreal Height = 0;
    QRectF Ink; // what the glyphs cover, from the line's origin
    QList<QGlyphRun> Runs;
};

constexpr int MaxTextFaces = 64;
constexpr int MaxPreparedTexts = 2048;
// Texts drawn once, by hash; cleared when full (a text noted again is then drawn once more
// through drawText before it is prepared).
constexpr size_t MaxSeenTexts = 4 * MaxPreparedTexts;

struct TTextCache
{
    std::vector<TTextFace> Faces;
    QCache<TTextKey, TPreparedText> Texts{MaxPreparedTexts};
    std::unordered_set<size_t> Seen;
    std::uint64_t Generation = 1;
    bool Watching = false;
    bool Enabled = true;
    std::uint64_t Hits = 0;
    std::uint64_t Misses = 0;
};

void ResetTextCache(TTextCache& cache)
{
    cache.Faces.clear();
    cache.Texts.clear();
    cache.Seen.clear();
    ++cache.Generation;
}

TTextCache& TextCache()
{
    static TTextCache cache;
    if (!cache.Watching) {
        if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            cache.Watching = true;
            // Fonts added or removed may change what a family name resolves to; the prepared
            // glyphs go before the application (and its fonts) does.
            QObject::connect(app, &QGuiApplication::fontDatabaseChanged, app, [] { ResetTextCache(TextCache()); });
            qAddPostRoutine([] {
                ResetTextCache(cache);
                cache.Watching = false;
            });
        }
    }
    return cache;
}

const QPen& TextPenOf(GpBrush* brush)
{
    if (brush->TextPenDirty) {
        brush->TextPen = QPen(brush->Cached, 0);
        brush->TextPenDirty = false;
    }
    return brush->TextPen;
}

// The face of the font as this graphics object's painter uses it for drawText.
int FaceOf(GpGraphics* g, GpFont* font)
{
    TTextCache& cache = TextCache();
    if (g->FacesGeneration != cache.Generation) {
        g->Faces.clear();
        g->FacesGeneration = cache.Generation;
    }
    for (const GpGraphics::Face& f : g->Faces)
        if (f.FontSerial == font->Serial)
            return f.FaceId;
    QPainter* p = g->Painter;
    const QFont previous = p->font();
    p->setFont(font->Font);
    const QFont resolved = p->font();
    p->setFont(previous);
    const int dpi = DpiOf(g);
    int id = -1;
    for (size_t i = 0; i < cache.Faces.size(); ++i)
        if (cache.Faces[i].Dpi == dpi && cache.Faces[i].Font == resolved) {
            id = int(i);
            break;
        }
    if (id < 0) {
        if (int(cache.Faces.size()) >= MaxTextFaces) {
            ResetTextCache(cache);
            g->Faces.clear();
            g->FacesGeneration = cache.Generation;
        }
        cache.Faces.push_back({resolved, dpi});
        id = int(cache.Faces.size()) - 1;
    }
    g->Faces.push_back({font->Serial, id});
    return id;
}

// Lays the text out as drawText does for one unwrapped line.
std::unique_ptr<TPreparedText> PrepareText(const QFont& font, Qt::LayoutDirection direction, const QString& text)
{
    auto prepared = std::make_unique<TPreparedText>();
    QTextLayout layout(text, font);
    QTextOption option;
    option.setTextDirection(direction);
    option.setAlignment(Qt::AlignLeft);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    const qreal leading = QFontMetricsF(font).leading();
    qreal height = -leading;
    qreal width = 0;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(0x01000000);
        height += leading;
        line.setPosition(QPointF(0, height));
        // The line's exact height (ascent plus descent), not the rounded-up line height.
        height += line.ascent() + line.descent();
        width = std::max(width, line.naturalTextWidth());
    }
    layout.endLayout();
    if (layout.lineCount() != 1)
        return prepared;
    const QTextLine line = layout.lineAt(0);
    prepared->Width = width;
    prepared->Advance = line.horizontalAdvance();
    prepared->Height = height;
    prepared->Runs = line.glyphRuns();
    for (const QGlyphRun& run : prepared->Runs) {
        for (const QPointF& at : run.positions())
            if (at.x() < 0 || at.y() < 0)
                return prepared;
        // Each glyph's own box (not the run's line box, which leaves out overhangs).
        const QRawFont font = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
            prepared->Ink |= font.boundingRect(glyphs[i]).translated(positions[i]);
    }
    prepared->Simple = true;
    return prepared;
}

// The painter's fixed-point position of a coordinate (1/64 pixel, truncated).
qreal FixedPosition(qreal v) { return qreal(int(v * 64.0)) / 64.0; }

bool NeedsGeneralLayout(const QString& text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n' || u == u'\r' || u == u'\t' || u == 0x9C)
            return true;
    }
    return false;
}

// Draws one line of text as drawText(rect, flags, text) would; false when the text needs the
// general path (nothing is drawn then).
bool DrawPreparedText(GpGraphics* g, const QString& text, GpFont* font, const QRectF& r, int flags,
                      GpBrush* brush)
{
    QPainter* p = g->Painter;
    if ((flags & Qt::TextWordWrap) || !TextCache().Enabled)
        return false;
    // Left to right, or automatic for text whose paragraph runs left to right.
    const Qt::LayoutDirection direction = p->layoutDirection();
    if (direction == Qt::RightToLeft || (direction == Qt::LayoutDirectionAuto && text.isRightToLeft()))
        return false;
    QPaintEngine* engine = p->paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster)
        return false;
    const QTransform& device = p->deviceTransform();
    if (device.type() > QTransform::TxTranslate || NeedsGeneralLayout(text))
        return false;

    TTextCache& cache = TextCache();
    const TTextKey key{FaceOf(g, font), direction, text};
    // Glyph runs place their underline and strike-out lines as drawText does only without a
    // translation; decorated fonts take drawText.
    const QFont& face = cache.Faces[size_t(key.FaceId)].Font;
    if (face.underline() || face.strikeOut() || face.overline())
        return false;
    TPreparedText* prepared = cache.Texts.object(key);
    if (!prepared) {
        // First sight: note the text and let drawText lay it out.
        if (cache.Seen.size() >= MaxSeenTexts)
            cache.Seen.clear();
        if (cache.Seen.insert(qHash(key)).second)
            return false;
        ++cache.Misses;
        auto made = PrepareText(face, direction, text);
        prepared = made.get();
        if (!cache.Texts.insert(key, made.release()))
            return false;
    }
    if (!prepared->Simple)
        return false;

    // Placement: the bounds (by the natural width) decide the clip; the line is placed by its
    // advance.
    qreal yoff = 0;
    if (flags & Qt::AlignBottom)
        yoff = r.height() - prepared->Height;
    else if (flags & Qt::AlignVCenter)
        yoff = (r.height() - prepared->Height) / 2;
    qreal boundsX = 0;
    qreal lineX = 0;
    if (flags & Qt::AlignRight) {
        boundsX = r.width() - prepared->Width;
        lineX = r.width() - prepared->Advance;
    } else if (flags & Qt::AlignHCenter) {
        boundsX = (r.width() - prepared->Width) / 2;
        lineX = (r.width() - prepared->Advance) / 2;
    }
    const QPointF origin(FixedPosition(r.x() + lineX), FixedPosition(r.y() + yoff));
    // Glyph positions are summed in fixed point from the origin; summing in floating point
    // gives the same pixels only where no position is negative on the device.
    if (origin.x() + device.dx() < 0 || origin.y() + device.dy() < 0)
        return false;

    const QRectF bounds(r.x() + boundsX, r.y() + yoff, prepared->Width, prepared->Height);
    const bool clip = !(flags & Qt::TextDontClip) && !r.contains(bounds);
    ++cache.Hits;
    // Glyphs that miss the paint's pixels by more than their edge smoothing draw nothing.
    if (!MayShow(g, prepared->Ink.translated(origin + QPointF(device.dx(), device.dy())).adjusted(-3, -3, 3, 3)))
        return true;
    p->setPen(TextPenOf(brush));
    if (clip) {
        p->save();
        p->setClipRect(r, Qt::IntersectClip);
    }
    for (const QGlyphRun& run : prepared->Runs)
        p->drawGlyphRun(origin, run);
    if (clip)
        p->restore();
    return true;
}

} // namespace

TGPStatus DrawString(GpGraphics* graphics, const QString& text, GpFont* font, const TRectF& layout,
                     GpStringFormat* format, GpBrush* brush)
{
    if (!ValidGraphics(graphics) || !font || !brush || !FiniteRect(layout.Left, layout.Top, layout.Right, layout.Bottom))
        return InvalidParameter;
    if (text.isEmpty())
        return Ok;
    const QRectF rect(layout.Left, layout.Top, std::max(0.0f, layout.Width()), std::max(0.0f, layout.Height()));
    int flags = TextFlags(format);
    if (rect.width() <= 0 || rect.height() <= 0)
        flags |= Qt::TextDontClip;
    if (rect.width() <= 0)
        flags &= ~Qt::TextWordWrap;
    if (DrawPreparedText(graphics, text, font, rect, flags, brush))
        return Ok;
    QPainter* p = graphics->Painter;
    p->setFont(font->Font);
    p->setPen(TextPenOf(brush));
    p->drawText(rect, flags, text);
    return Ok;
}

TTextCacheInfo GetTextCacheInfo()
{
    const TTextCache& cache = TextCache();
    return TTextCacheInfo{cache.Texts.count(), cache.Hits, cache.Misses};
}

void SetPreparedTextEnabled(bool on) { TextCache().Enabled = on; }

TGPStatus MeasureString(GpGraphics* graphics, const QString& text, GpFont* font, const TRectF& layout,
                        GpStringFormat* format, TRectF& bounds)
{
    if (!ValidGraphics(graphics) || !font || !FiniteRect(layout.Left, layout.Top, layout.Right, layout.Bottom))
        return InvalidParameter;
    if (text.isEmpty()) {
        bounds = TRectF(layout.Left, layout.Top, layout.Left, layout.Top);
        return Ok;
    }
    const QFontMetricsF& fm = MetricsOf(font, graphics);
    const QRectF rect(layout.Left, layout.Top, std::max(0.0f, layout.Width()), std::max(0.0f, layout.Height()));
    int flags = TextFlags(format) | Qt::TextDontClip;
    QRectF r;
    if (rect.width() <= 0 && rect.height() <= 0) {
        const QSizeF s = fm.size(0, text);
        r = QRectF(rect.topLeft(), s);
    } else {
        if (rect.width() <= 0)
            flags &= ~Qt::TextWordWrap;
        r = fm.boundingRect(rect, flags, text);
    }
    bounds = TRectF(float(r.left()), float(r.top()), float(r.right()), float(r.bottom()));
    return Ok;
}

} // namespace kv::gfx
