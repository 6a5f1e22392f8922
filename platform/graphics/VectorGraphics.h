// The 2D vector graphics interface: flat calls over opaque objects, each answering a status.
// Backed by QPainter, QImage, QFont and QFontMetricsF. Objects made by a Create call are
// released by the matching Delete or Dispose call.
#pragma once

#include "platform/graphics/Graphics.h"
#include "platform/graphics/Types.h"

#include <QtCore/QString>
#include <cstdint>

namespace kv {

// Status of every graphics call.
enum TGPStatus : std::uint8_t {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20
};

namespace gfx {

using ARGB = std::uint32_t;
using GraphicsState = std::uint32_t;

enum TGPDashStyle {
    DashStyleSolid = 0,
    DashStyleDash = 1,
    DashStyleDot = 2,
    DashStyleDashDot = 3,
    DashStyleDashDotDot = 4,
    DashStyleCustom = 5
};

enum TGPUnit { UnitWorld = 0, UnitDisplay = 1, UnitPixel = 2, UnitPoint = 3 };
enum TGPFillMode { FillModeAlternate = 0, FillModeWinding = 1 };
enum TGPWrapMode { WrapModeTile = 0, WrapModeTileFlipX = 1, WrapModeTileFlipY = 2, WrapModeTileFlipXY = 3, WrapModeClamp = 4 };
enum TGPSmoothingMode { SmoothingModeDefault = 0, SmoothingModeHighSpeed = 1, SmoothingModeHighQuality = 2, SmoothingModeNone = 3, SmoothingModeAntiAlias = 4 };
enum TGPMatrixOrder { MatrixOrderPrepend = 0, MatrixOrderAppend = 1 };
enum TGPCombineMode { CombineModeReplace = 0, CombineModeIntersect = 1, CombineModeUnion = 2, CombineModeXor = 3, CombineModeExclude = 4, CombineModeComplement = 5 };
enum TGPStringAlignment { StringAlignmentNear = 0, StringAlignmentCenter = 1, StringAlignmentFar = 2 };
enum TGPBrushType { BrushTypeSolidColor = 0, BrushTypeLinearGradient = 4 };
// Font style bits.
enum : int { FontStyleRegular = 0, FontStyleBold = 1, FontStyleItalic = 2, FontStyleUnderline = 4, FontStyleStrikeout = 8 };
// String format flags.
enum : int { StringFormatFlagsNoWrap = 0x1000, StringFormatFlagsNoClip = 0x4000 };

struct GpPen;
struct GpBrush;
struct GpFontFamily;
struct GpFont;
struct GpStringFormat;
struct GpPath;
struct GpImage;
struct GpGraphics;
struct GpMatrix;

// Start-up and shut-down. Version 1 only; start-up needs the GUI application object.
TGPStatus Startup(std::uint32_t version, std::uintptr_t& token);
void Shutdown(std::uintptr_t token);

// The system's text for the last error that a failing call recorded (status Win32Error).
QString GetLastErrorText();

// Pens: width in world units, unit UnitWorld only.
TGPStatus CreatePen(ARGB color, float width, TGPUnit unit, GpPen** pen);
TGPStatus DeletePen(GpPen* pen);
TGPStatus SetPenColor(GpPen* pen, ARGB color);
TGPStatus GetPenColor(GpPen* pen, ARGB& color);
TGPStatus SetPenWidth(GpPen* pen, float width);
TGPStatus GetPenWidth(GpPen* pen, float& width);
TGPStatus SetPenDashStyle(GpPen* pen, TGPDashStyle dash);
TGPStatus GetPenDashStyle(GpPen* pen, TGPDashStyle& dash);

// Brushes.
TGPStatus CreateSolidFill(ARGB color, GpBrush** brush);
TGPStatus SetSolidFillColor(GpBrush* brush, ARGB color);
TGPStatus GetSolidFillColor(GpBrush* brush, ARGB& color);
// A linear gradient from color1 to color2 over the rectangle at the angle (degrees, clockwise
// from the x axis); when angleScalable the angle is taken in the unit square and stretched
// with the rectangle.
TGPStatus CreateLineBrushFromRectWithAngle(const TRectF& rect, ARGB color1, ARGB color2, float angle,
                                           bool angleScalable, TGPWrapMode wrap, GpBrush** brush);
TGPStatus GetBrushType(GpBrush* brush, TGPBrushType& type);
TGPStatus DeleteBrush(GpBrush* brush);

// Font families. A name that no installed font carries is kept and drawn with the
// platform's substitute; a blank name is FontFamilyNotFound.
TGPStatus CreateFontFamilyFromName(const QString& name, GpFontFamily** family);
TGPStatus GetGenericFontFamilySansSerif(GpFontFamily** family);
TGPStatus GetFamilyName(GpFontFamily* family, QString& name);
TGPStatus DeleteFontFamily(GpFontFamily* family);

// Fonts: size (above 0, at most 16384) in UnitPoint or UnitPixel; style is a combination of
// the FontStyle bits.
TGPStatus CreateFont(GpFontFamily* family, float size, int style, TGPUnit unit, GpFont** font);
TGPStatus DeleteFont(GpFont* font);
TGPStatus GetFontFamilyName(GpFont* font, QString& name);
TGPStatus GetFontSize(GpFont* font, float& size);
TGPStatus GetFontStyle(GpFont* font, int& style);
// Line spacing in pixels on the graphics' device.
TGPStatus GetFontHeight(GpFont* font, GpGraphics* graphics, float& height);
// The Qt font (for platform code).
TGPStatus GetFontQFont(GpFont* font, QFont& qfont);

// String formats.
TGPStatus CreateStringFormat(int flags, int language, GpStringFormat** format);
TGPStatus SetStringFormatAlign(GpStringFormat* format, TGPStringAlignment align);
TGPStatus SetStringFormatLineAlign(GpStringFormat* format, TGPStringAlignment align);
TGPStatus DeleteStringFormat(GpStringFormat* format);

// Paths.
TGPStatus CreatePath(TGPFillMode fillMode, GpPath** path);
TGPStatus ResetPath(GpPath* path);
TGPStatus AddPathArc(GpPath* path, float x, float y, float width, float height, float startAngle, float sweepAngle);
TGPStatus ClosePathFigure(GpPath* path);
TGPStatus GetPathWorldBounds(GpPath* path, TRectF& bounds);
TGPStatus DeletePath(GpPath* path);

// Images: decoded from files (PNG, JPEG, GIF, BMP) or copied from a platform bitmap.
TGPStatus CreateBitmapFromFile(const QString& fileName, GpImage** image);
TGPStatus CreateBitmapFromBitmap(const TBitmap* bitmap, GpImage** image);
TGPStatus CreateBitmap(int width, int height, GpImage** image);
TGPStatus GetImageWidth(GpImage* image, int& width);
TGPStatus GetImageHeight(GpImage* image, int& height);
TGPStatus GetImagePixel(GpImage* image, int x, int y, ARGB& color);
// Releases the image. While a graphics object is open over it the answer is ObjectBusy and
// the image is released when that graphics object is deleted.
TGPStatus DisposeImage(GpImage* image);

// Matrices.
TGPStatus CreateMatrix(GpMatrix** matrix);
TGPStatus GetMatrixElements(GpMatrix* matrix, float elements[6]);
TGPStatus DeleteMatrix(GpMatrix* matrix);

// Graphics over an image or over a device context (an active painter). Over a device
// context the painter's state is left as found when the graphics object is deleted.
TGPStatus CreateFromImage(GpImage* image, GpGraphics** graphics);
TGPStatus CreateFromHDC(HDC dc, GpGraphics** graphics);
TGPStatus DeleteGraphics(GpGraphics* graphics);
// The pixels the painter's clip keeps, as whole rectangles in the painter's present
// coordinates, told by the owner of the paint: prepared text that cannot reach one of them is
// not drawn. No rectangles: everything is drawn.
TGPStatus SetPaintRegion(GpGraphics* graphics, const TRect* rects, int count);
TGPStatus SetSmoothingMode(GpGraphics* graphics, TGPSmoothingMode mode);
TGPStatus GetSmoothingMode(GpGraphics* graphics, TGPSmoothingMode& mode);

TGPStatus FillRectangle(GpGraphics* graphics, GpBrush* brush, float x, float y, float width, float height);
// Whole-pixel rectangles, none overlapping another, filled in one call; a solid brush without
// edge smoothing (under an integer translation each pixel is covered fully either way).
TGPStatus FillRectangles(GpGraphics* graphics, GpBrush* brush, const TRect* rects, int count);
TGPStatus DrawRectangle(GpGraphics* graphics, GpPen* pen, float x, float y, float width, float height);
TGPStatus FillEllipse(GpGraphics* graphics, GpBrush* brush, float x, float y, float width, float height);
TGPStatus DrawEllipse(GpGraphics* graphics, GpPen* pen, float x, float y, float width, float height);
TGPStatus FillPolygon(GpGraphics* graphics, GpBrush* brush, const TPointF* points, int count, TGPFillMode fillMode);
TGPStatus DrawPolygon(GpGraphics* graphics, GpPen* pen, const TPointF* points, int count);
TGPStatus DrawLine(GpGraphics* graphics, GpPen* pen, float x1, float y1, float x2, float y2);
TGPStatus DrawLines(GpGraphics* graphics, GpPen* pen, const TPointF* points, int count);
TGPStatus DrawLinesI(GpGraphics* graphics, GpPen* pen, const TPoint* points, int count);
TGPStatus FillPath(GpGraphics* graphics, GpBrush* brush, GpPath* path);
TGPStatus DrawPath(GpGraphics* graphics, GpPen* pen, GpPath* path);

// Text: the layout rectangle's top-left is where the text starts; a layout of width and
// height 0 is unbounded. Without a format the text is not clipped and wraps only at line breaks.
TGPStatus DrawString(GpGraphics* graphics, const QString& text, GpFont* font, const TRectF& layout,
                     GpStringFormat* format, GpBrush* brush);
TGPStatus MeasureString(GpGraphics* graphics, const QString& text, GpFont* font, const TRectF& layout,
                        GpStringFormat* format, TRectF& bounds);

// Lines of text drawn without wrapping are laid out on their second draw and kept, by font
// and text, in a small bounded cache shared by all graphics objects. Its counters are for
// diagnostics: Hits counts lines drawn from a prepared layout, Misses the layouts prepared.
struct TTextCacheInfo
{
    qsizetype Entries;
    std::uint64_t Hits;
    std::uint64_t Misses;
};
TTextCacheInfo GetTextCacheInfo();
// Off: every line takes the painter's general layout, as the benchmarks' peer does.
void SetPreparedTextEnabled(bool on);

TGPStatus DrawImageRectI(GpGraphics* graphics, GpImage* image, int x, int y, int width, int height);

TGPStatus SaveGraphics(GpGraphics* graphics, GraphicsState& state);
// Restores a saved state and drops every state saved after it; an unknown state does nothing.
TGPStatus RestoreGraphics(GpGraphics* graphics, GraphicsState state);
TGPStatus TranslateWorldTransform(GpGraphics* graphics, float dx, float dy, TGPMatrixOrder order);
TGPStatus ScaleWorldTransform(GpGraphics* graphics, float sx, float sy, TGPMatrixOrder order);
TGPStatus RotateWorldTransform(GpGraphics* graphics, float angle, TGPMatrixOrder order);
TGPStatus GetWorldTransform(GpGraphics* graphics, GpMatrix* matrix);
// Replace, intersect and exclude are supported.
TGPStatus SetClipRect(GpGraphics* graphics, float x, float y, float width, float height, TGPCombineMode mode);
TGPStatus ResetClip(GpGraphics* graphics);
// The clip's bounds in world coordinates; the device bounds when there is no clip.
TGPStatus GetClipBounds(GpGraphics* graphics, TRectF& bounds);

} // namespace gfx
} // namespace kv
