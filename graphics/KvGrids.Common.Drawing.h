// Colours, strokes, fills, fonts and bitmaps over the vector graphics API, their text forms,
// the process-wide stock objects, the button painters and the drawing context.
#pragma once

#include "graphics/KvGrids.Common.GdiPlus.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Types.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Sets.h"

#include <QtCore/QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace kv {

// ARGB colour: alpha in bits 24-31, red 16-23, green 8-15, blue 0-7. 0 is transparent black.
struct TKvColor
{
    std::uint32_t Value = 0;

    constexpr TKvColor() = default;
    constexpr TKvColor(std::uint32_t value) : Value(value) {}
    constexpr operator std::uint32_t() const { return Value; }

    // Text forms: "#aarrggbb" out; in: "" is 0, "#" or "$" hexadecimal (short forms are
    // opaque: "#abc" is $FF000ABC), otherwise decimal. Raises EConvertError for other text.
    explicit TKvColor(const QString& text);
    explicit operator QString() const { return ToString(); }
    QString ToString() const;
    static TKvColor FromString(const QString& text) { return TKvColor(text); }

    static constexpr TKvColor Create(std::uint32_t value) { return TKvColor(value); }
    static constexpr TKvColor Create(TKvColor color, std::uint8_t alpha)
    {
        return TKvColor((color.Value & 0x00FFFFFFu) | (std::uint32_t(alpha) << 24));
    }
    static constexpr TKvColor Create(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return MakeARGB(255, r, g, b); }
    static constexpr TKvColor Create(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b) { return MakeARGB(a, r, g, b); }
    static constexpr TKvColor MakeARGB(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b)
    {
        return TKvColor((std::uint32_t(a) << 24) | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b));
    }
    // From a platform colour (blue-green-red); taken as plain RGB.
    static constexpr TKvColor CreateFromColor(TColor color) { return CreateFromColor(color, 255); }
    static constexpr TKvColor CreateFromColor(TColor color, std::uint8_t alpha)
    {
        const auto c = static_cast<std::uint32_t>(color);
        return MakeARGB(alpha, std::uint8_t(c & 0xFF), std::uint8_t((c >> 8) & 0xFF), std::uint8_t((c >> 16) & 0xFF));
    }
    static constexpr TKvColor CreateFromColorRef(std::uint32_t colorRef) { return CreateFromColor(TColor(colorRef), 255); }

    constexpr std::uint32_t GetColorRef() const { return GetRed() | (std::uint32_t(GetGreen()) << 8) | (std::uint32_t(GetBlue()) << 16); }
    constexpr void SetColorRef(std::uint32_t colorRef) { Value = CreateFromColorRef(colorRef).Value; }

    constexpr std::uint8_t GetAlpha() const { return std::uint8_t(Value >> 24); }
    constexpr std::uint8_t GetRed() const { return std::uint8_t(Value >> 16); }
    constexpr std::uint8_t GetGreen() const { return std::uint8_t(Value >> 8); }
    constexpr std::uint8_t GetBlue() const { return std::uint8_t(Value); }
    constexpr void SetAlpha(std::uint8_t v) { Value = (Value & 0x00FFFFFFu) | (std::uint32_t(v) << 24); }
    constexpr void SetRed(std::uint8_t v) { Value = (Value & 0xFF00FFFFu) | (std::uint32_t(v) << 16); }
    constexpr void SetGreen(std::uint8_t v) { Value = (Value & 0xFFFF00FFu) | (std::uint32_t(v) << 8); }
    constexpr void SetBlue(std::uint8_t v) { Value = (Value & 0xFFFFFF00u) | std::uint32_t(v); }

    // Opaque black.
    constexpr void Initialize() { Value = 0xFF000000u; }
    constexpr void Initialize(std::uint32_t value) { Value = value; }
    constexpr void Initialize(std::uint8_t r, std::uint8_t g, std::uint8_t b) { Value = Create(r, g, b).Value; }
    constexpr void Initialize(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b) { Value = MakeARGB(a, r, g, b).Value; }
    constexpr void InitializeFromColorRef(std::uint32_t colorRef) { SetColorRef(colorRef); }
};

enum TKvDashStyle {
    DashStyleSolid = 0,
    DashStyleDash = 1,
    DashStyleDot = 2,
    DashStyleDashDot = 3,
    DashStyleDashDotDot = 4
};

// Font style members; as a set their bits are 1, 2, 4, 8, the graphics API's style bits.
enum TKvFontStyleItem { FontBold, FontItalic, FontUnderline, FontStrikeout };
using TKvFontStyle = TSet<TKvFontStyleItem>;

enum TKvAlignment { AlignNear, AlignCenter, AlignFar };

// Owns one graphics API object.
class TKvGraphicsObject : public TObject
{
public:
    TKvGraphicsObject() { KvGraphicsEnsureStarted(); }
    ~TKvGraphicsObject() override = default;
    void* GetHandle() const { return FHandle; }

protected:
    void* FHandle = nullptr;
};

class TKvSolidPen;

class TKvStroke : public TKvGraphicsObject
{
public:
    ~TKvStroke() override;
    virtual float GetWidth() const = 0;
    gfx::GpPen* Pen() const { return static_cast<gfx::GpPen*>(FHandle); }

    static std::unique_ptr<TKvSolidPen> CreateSolid(TKvColor color, float width, TKvDashStyle dash);
    // Parses the stroke text form "colour[,width[,dash]]"; null for empty text.
    static std::unique_ptr<TKvStroke> CreateFrom(const QString& text);

    // Stock pens of width 1, owned by the module.
    static TKvStroke* Black();
    static TKvStroke* Gray();
    static TKvStroke* DimGray();
    static TKvStroke* LightGray();
    static TKvStroke* Blue();

    virtual QString ToString() const = 0;
};

class TKvSolidPen : public TKvStroke
{
public:
    TKvSolidPen(TKvColor color, float width, TKvDashStyle dash);
    float GetWidth() const override { return FWidth; }
    TKvColor GetColor() const;
    TKvDashStyle GetDash() const;
    // "colour,width[,dash]".
    QString ToString() const override;

    // The module's one scratch pen set to these values; valid until the next Temp call.
    static TKvSolidPen* Temp(TKvColor color, float width, TKvDashStyle dash);

private:
    float FWidth;
};

class TKvSolidBrush;
class TKvLinearGradientBrush;

class TKvFill : public TKvGraphicsObject
{
public:
    ~TKvFill() override;
    gfx::GpBrush* Brush() const { return static_cast<gfx::GpBrush*>(FHandle); }
    // The linear gradient, rebuilt over each shape it fills; null for a solid fill.
    TKvLinearGradientBrush* AsGradient() { return FGradient; }

    static std::unique_ptr<TKvSolidBrush> CreateSolid(TKvColor color);
    static std::unique_ptr<TKvLinearGradientBrush> CreateLinear(TKvColor color1, TKvColor color2, float angle);
    // Parses the fill text form: a colour, or "linear,colour1,colour2,angle"; null for empty
    // text and for "radial,...".
    static std::unique_ptr<TKvFill> CreateFrom(const QString& text);

    static TKvFill* Black();
    static TKvFill* Gray();
    static TKvFill* DimGray();
    static TKvFill* LightGray();
    static TKvFill* Yellow();
    static TKvFill* Blue();
    static TKvFill* White();
    static TKvFill* Fixed();

    virtual QString ToString() const = 0;

protected:
    // Set by the gradient itself, so that painting a shape needs no type query.
    TKvLinearGradientBrush* FGradient = nullptr;
};

class TKvSolidBrush : public TKvFill
{
public:
    explicit TKvSolidBrush(TKvColor color);
    TKvColor GetColor() const;
    QString ToString() const override;
    // The module's scratch brush set to the colour; valid until the next Temp call.
    static TKvSolidBrush* Temp(TKvColor color);
};

class TKvLinearGradientBrush : public TKvFill
{
public:
    TKvLinearGradientBrush(TKvColor color1, TKvColor color2, float angle);
    TKvColor GetColor1() const { return FColor1; }
    TKvColor GetColor2() const { return FColor2; }
    float GetAngle() const { return FAngle; }
    // Rebuilds the gradient over a rectangle (sizes at least 1): the integer form tiles, the
    // float form tiles flipped in x and y.
    void Recreate(int x, int y, int width, int height);
    void Recreate(double x, double y, double width, double height);
    // "linear,colour1,colour2,angle".
    QString ToString() const override;
    // The module's scratch gradient with these values; rebuilt when drawn.
    static TKvLinearGradientBrush* Temp(TKvColor color1, TKvColor color2, float angle);

private:
    void Build(const TRectF& rect, gfx::TGPWrapMode wrap);

    TKvColor FColor1;
    TKvColor FColor2;
    float FAngle;
};

class TKvFont : public TKvGraphicsObject
{
public:
    // An empty family name uses the shared generic sans-serif family. Size in points.
    TKvFont(const QString& familyName, float size, TKvFontStyle style);
    // A font on a family that the caller keeps.
    TKvFont(gfx::GpFontFamily* family, float size, TKvFontStyle style);
    ~TKvFont() override;
    gfx::GpFont* Font() const { return static_cast<gfx::GpFont*>(FHandle); }

    // Parses "family[,size[,style...]]"; null for empty text.
    static std::unique_ptr<TKvFont> CreateFrom(const QString& text);
    static std::unique_ptr<TKvFont> CreateFrom(const TFont* font);

    QString GetFamilyName() const;
    float GetSize() const;
    TKvFontStyle GetStyle() const;
    // Line height in pixels, measured once on the shared measuring context.
    float GetHeight() const;
    // "family,size[,bold][,italic][,underline][,strikeout]".
    QString ToString() const;
    // Copies into a platform font; creates one (owned by the caller) when font is null.
    TFont* ToFont(TFont* font) const;

    static gfx::GpFontFamily* GetSansSerifFamily();
    static TKvFont* Default8();
    static TKvFont* Default9();
    static TKvFont* Default10();
    static TKvFont* Default11();

private:
    gfx::GpFontFamily* FFamily = nullptr;
    mutable float FHeight = -1.0f;
};

class TKvBitmap : public TKvGraphicsObject
{
public:
    // A copy of a platform bitmap's pixels.
    explicit TKvBitmap(const TBitmap* bitmap);
    // Decodes an image file; raises EGdipError for a missing file or an unknown format.
    explicit TKvBitmap(const QString& fileName);
    // A failing release is not raised from here.
    ~TKvBitmap() override;
    gfx::GpImage* Image() const { return static_cast<gfx::GpImage*>(FHandle); }
    int GetWidth() const;
    int GetHeight() const;
};

// Button painters on a device context; the three flags are enabled, hot, pressed.
class TKvDrawingUtils
{
public:
    static void DrawButton(HDC dc, const TRect& rect, bool enabled, bool hot, bool pressed);
    static void DrawEllipsisButton(HDC dc, const TRect& rect, bool enabled, bool hot, bool pressed);
    static void DrawMenuButton(HDC dc, const TRect& rect, bool enabled, bool hot, bool pressed);
    static void DrawDropdownButton(HDC dc, const TRect& rect, bool enabled, bool hot, bool pressed);
    static void DrawUpdownButton(HDC dc, const TRect& rect, bool enabled, bool hot, bool pressed);
};

// The one drawing interface: shapes filled then outlined, aligned text, measuring, images,
// clip, saved states and world transforms over a canvas.
//
// Contract of every shape (coordinates in the current world transform, pixels on the device):
// - A rectangle (TRect{Left, Top, Right, Bottom} or x, y, width, height) is filled over the
//   pixels Left..Right-1 and Top..Bottom-1. With smoothing off a fractional edge is rounded to
//   the nearest pixel edge; with smoothing on the edge pixels are partly covered.
// - A stroke lies centred on the outline, the lines x = Left, x = Right, y = Top, y = Bottom:
//   with smoothing off a stroke of width n covers the n pixels from Left - n/2 (integer
//   division) and from Right - n/2, so a 1-wide outline covers the fill's left and top edge
//   pixels and the pixels just right of and below it. A line from (x1, y) to (x2, y) has flat
//   ends: width 1 covers x1..x2-1.
// - The fill is painted first, then the stroke. A nil fill paints no inside, a nil stroke no
//   outline, both nil paint nothing; text with a nil fill draws nothing.
// - A linear gradient fill is rebuilt over the bounds of each shape it paints (the rectangle,
//   the polygon's bounding box, the text's box or rectangle), so one gradient object serves
//   many shapes, each from its own start colour to its end colour.
// Failures of the graphics layer (a nil font for text, a released canvas) raise EGdipError.
// The parts of area outside every cover rectangle: disjoint rectangles in bands from top to
// bottom, left to right within a band, a band joined with the one above when their columns
// match.
void UncoveredParts(const TRect& area, const std::vector<TRect>& cover, std::vector<TRect>& parts);

class TKvDrawingContext : public TKvGraphicsObject
{
public:
    explicit TKvDrawingContext(TCanvas* canvas);
    ~TKvDrawingContext() override;
    gfx::GpGraphics* Graphics() const { return static_cast<gfx::GpGraphics*>(FHandle); }
    TCanvas* GetCanvas() const { return FCanvas; }
    HDC GetDC() const { return FDC; }

    bool GetSmoothing() const;
    void SetSmoothing(bool on);
    // The device pixels the canvas's clip keeps in this paint (empty: all); text that misses
    // them is left out.
    void SetPaintRegion(const std::vector<TRect>& rects);

    // Fills and outlines the rectangle as the contract above says.
    void DrawRect(TKvFill* fill, TKvStroke* stroke, const TRectF& rect);
    void DrawRect(TKvFill* fill, TKvStroke* stroke, double x, double y, double width, double height);
    void DrawRect(TKvFill* fill, TKvStroke* stroke, const TRect& rect);
    void DrawRect(TKvFill* fill, TKvStroke* stroke, int x, int y, int width, int height);

    // Device pixels that fills still to come in this paint cover (not owned; null for none);
    // FillUncovered leaves them out.
    void SetCover(const std::vector<TRect>* cover) { FCover = cover; }
    const std::vector<TRect>* GetCover() const { return FCover; }
    // DrawRect(fill, nullptr, rect), but without the cover's pixels when the fill is solid and
    // the rectangle lies on whole device pixels under an integer offset (no scale or rotation).
    void FillUncovered(TKvFill* fill, const TRectF& rect);
    // Pixels that FillUncovered has left out since the process started.
    static std::uint64_t GetLeftOutArea() { return FLeftOutArea; }
    // Off, FillUncovered fills the whole rectangle (a reference to compare with).
    static void SetCoverEnabled(bool value) { FCoverEnabled = value; }
    static bool GetCoverEnabled() { return FCoverEnabled; }

    // The ellipse inscribed in the rectangle; its stroke is centred on the curve.
    void DrawEllipse(TKvFill* fill, TKvStroke* stroke, const TRectF& rect);
    void DrawEllipse(TKvFill* fill, TKvStroke* stroke, double x, double y, double width, double height);
    void DrawEllipse(TKvFill* fill, TKvStroke* stroke, const TRect& rect);
    void DrawEllipse(TKvFill* fill, TKvStroke* stroke, int x, int y, int width, int height);

    // A figure one pixel in from the right and bottom of the rectangle (so that it and its
    // 1-wide outline stay inside it), with corner arcs cornerWidth by cornerHeight.
    void DrawRoundedRect(TKvFill* fill, TKvStroke* stroke, const TRectF& rect, double cornerWidth, double cornerHeight);
    void DrawRoundedRect(TKvFill* fill, TKvStroke* stroke, double x, double y, double width, double height,
                         double cornerWidth, double cornerHeight);
    void DrawRoundedRect(TKvFill* fill, TKvStroke* stroke, const TRect& rect, int cornerWidth, int cornerHeight);
    void DrawRoundedRect(TKvFill* fill, TKvStroke* stroke, int x, int y, int width, int height, int cornerWidth,
                         int cornerHeight);

    // Closed; filled by the even-odd rule.
    void DrawPolygon(TKvFill* fill, TKvStroke* stroke, const std::vector<TPointF>& points);
    // Flat x, y pairs.
    void DrawPolygon(TKvFill* fill, TKvStroke* stroke, const std::vector<float>& points);

    // Flat-ended, centred on the segment; nothing for a nil stroke.
    void DrawLine(TKvStroke* stroke, const TPointF& p1, const TPointF& p2);
    void DrawLine(TKvStroke* stroke, double x1, double y1, double x2, double y2);
    void DrawLine(TKvStroke* stroke, const TPoint& p1, const TPoint& p2);
    void DrawLine(TKvStroke* stroke, int x1, int y1, int x2, int y2);

    void DrawLines(TKvStroke* stroke, const std::vector<TPointF>& points);
    void DrawLines(TKvStroke* stroke, const std::vector<TPoint>& points);
    // Flat x, y pairs; drawn only when they hold at least two points.
    void DrawLines(TKvStroke* stroke, const std::vector<float>& points);
    void DrawLines(TKvStroke* stroke, const std::vector<int>& points);

    // Text from the point (its top-left), unbounded.
    void DrawText(const QString& text, TKvFont* font, TKvFill* fill, double x, double y);
    // Text in the rectangle, on one line, aligned and clipped to it.
    void DrawText(const QString& text, TKvFont* font, TKvFill* fill, const TRectF& rect, TKvAlignment horz,
                  TKvAlignment vert);
    void DrawText(const QString& text, TKvFont* font, TKvFill* fill, const TRect& rect, TKvAlignment horz,
                  TKvAlignment vert);
    // Centred both ways.
    void DrawText(const QString& text, TKvFont* font, TKvFill* fill, const TRectF& rect);
    void DrawText(const QString& text, TKvFont* font, TKvFill* fill, double x, double y, double width, double height);

    // The size of the text laid out without bounds on the shared measuring context.
    static TSizeF MeasureText(const QString& text, TKvFont* font);
    // The same measured size (the rectangle and alignments only place the text).
    static TSizeF MeasureText(const QString& text, TKvFont* font, const TRectF& rect, TKvAlignment horz,
                              TKvAlignment vert);

    // The bitmap stretched into the rectangle.
    void DrawImage(TKvBitmap* bitmap, int x, int y, int width, int height);
    // Image index of the list at x, y plus the current translation; nothing for a bad index.
    void DrawImage(TCustomImageList* imageList, int index, int x, int y);
    // A platform bitmap at x, y plus the current translation.
    void DrawImage(TBitmap* bitmap, int x, int y);

    // Saves the world transform, clip and smoothing; Restore(state) brings them back and drops
    // every state saved after it. Prefer TKvDrawingState, which restores on every exit.
    std::uint32_t Save();
    void Restore(std::uint32_t state);
    void Translate(double dx, double dy);
    void Scale(double sx, double sy);
    // Rotation by angle degrees about (cx, cy).
    void Rotate(double angle, double cx, double cy);
    // Intersects the clip with the rectangle.
    void SetClip(double x, double y, double width, double height);
    void SetClip(int x, int y, int width, int height);
    // Removes the rectangle from the clip.
    void ExcludeClip(double x, double y, double width, double height);
    void ExcludeClip(int x, int y, int width, int height);

    // Device-context items: moved by the current translation (rounded), never scaled.
    static TSize GetCheckBoxSize();
    void DrawCheckBox(int x, int y, bool checked, bool hot);
    // The width of an in-cell button.
    static int GetButtonWidth();
    void DrawButton(const TRect& rect, bool enabled, bool hot, bool pressed);
    void DrawEllipsisButton(const TRect& rect, bool enabled, bool hot, bool pressed);
    void DrawMenuButton(const TRect& rect, bool enabled, bool hot, bool pressed);
    void DrawDropdownButton(const TRect& rect, bool enabled, bool hot, bool pressed);
    void DrawCheckButton(const TRect& rect, bool enabled, bool hot, bool pressed);
    void DrawComboButton(const TRect& rect, bool enabled, bool pressed, bool flat);
    void DrawUpdownButton(const TRect& rect, bool pressed);
    // A check mark polygon scaled into the rectangle.
    void DrawCheck(const TRectF& rect, TKvFill* fill, TKvStroke* stroke);
    // A tick of lines in a square of the scroll-bar width, centred in the rectangle.
    void DrawBoolean(const TRectF& rect, bool value, TKvStroke* stroke);

    // The shared measuring graphics (100 by 100 pixels).
    static gfx::GpGraphics* GetGlobalContext();

private:
    friend void KvGraphicsStartup();
    friend void KvGraphicsShutdown();
    static void CreateGlobals();
    static void FreeGlobals();

    void PrepareFill(TKvFill* fill, const TRectF& bounds);
    void PrepareFill(TKvFill* fill, const TRect& bounds);
    void FillAndStroke(TKvFill* fill, TKvStroke* stroke, float x, float y, float w, float h, bool ellipse);
    TPoint DeviceOffset() const;

    // The integer device offset of the world transform; false under scale, rotation or a
    // fractional offset.
    bool IntegerOffset(TPoint& offset) const;

    TCanvas* FCanvas = nullptr;
    HDC FDC = nullptr;
    const std::vector<TRect>* FCover = nullptr;
    static inline std::uint64_t FLeftOutArea = 0;
    static inline bool FCoverEnabled = true;

    static TBitmap* FGlobalCanvas;
    static gfx::GpGraphics* FGlobalContext;
    static gfx::GpPath* FTempPath;
    static gfx::GpStringFormat* FTempFormat;
    static float FMatElements[6];
};

// Saves the context's state (world transform, clip, smoothing) on construction and restores it
// when the scope ends, also when an exception leaves the scope.
class TKvDrawingState
{
public:
    explicit TKvDrawingState(TKvDrawingContext* context) : FContext(context), FState(context->Save()) {}
    ~TKvDrawingState();
    TKvDrawingState(const TKvDrawingState&) = delete;
    TKvDrawingState& operator=(const TKvDrawingState&) = delete;

private:
    TKvDrawingContext* FContext;
    std::uint32_t FState;
};

} // namespace kv
