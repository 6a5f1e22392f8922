// Graphics objects over the vector graphics interface: colours, strokes, fills, fonts and
// bitmaps, their text forms, and the process-wide stock objects.
//
// Sections: number text (locale-free numbers of the text forms); TKvColor; module state (the
// stock, start-up and shut-down); strokes; fills; fonts; bitmaps.
//
// Call flow: the first use of a stock object or a temporary (Black, White, Temp) starts the
// module (KvGraphicsEnsureStarted: the interface, the stock, the drawing context's globals;
// shut down again when the application ends), and a start-up that fails undoes what it made.
// The text forms go both ways: ToString writes a colour, pen, brush or font, CreateFrom reads
// one back (empty text gives none, a malformed number raises). Temp objects are shared and
// reset on every call; the caller uses one before the next.
#include "graphics/KvGrids.Common.Drawing.h"

#include "platform/rtl/Trace.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QStringList>
#include <array>
#include <charconv>
#include <cmath>

namespace kv {

// --- number text ---------------------------------------------------------------------------
// Numbers in the text forms are written and read with "." whatever the locale, so that a
// decimal comma never meets the "," separator.

namespace {

QString FloatText(float value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return QString::number(double(value), 'g', 9);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

// Reads straight to the nearest float, so that every text FloatText writes reads back exactly.
float FloatFrom(const QString& text)
{
    QByteArray digits = text.trimmed().toLatin1();
    if (digits.startsWith('+') && digits.size() > 1 && digits[1] != '-')
        digits.remove(0, 1);
    float value = 0;
    const char* end = digits.constData() + digits.size();
    const auto result = std::from_chars(digits.constData(), end, value);
    if (digits.isEmpty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

[[noreturn]] void RaiseNotInteger(const QString& text)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

// Splits on "," ; empty text has no parts.
QStringList SplitParts(const QString& text)
{
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char(','));
}

} // namespace

// --- TKvColor ------------------------------------------------------------------------------

TKvColor::TKvColor(const QString& text)
{
    QString t = text.trimmed();
    if (t.isEmpty()) {
        Value = 0;
        return;
    }
    if (t.startsWith(QLatin1Char('#')))
        t[0] = QLatin1Char('$');
    if (t.startsWith(QLatin1Char('$'))) {
        if (t.length() < 8) {
            while (t.length() < 7)
                t.insert(1, QLatin1Char('0'));
            t.insert(1, QStringLiteral("FF"));
        }
        const QString digits = t.mid(1);
        bool ok = false;
        const qulonglong v = digits.toULongLong(&ok, 16);
        if (!ok || digits.length() > 8 || digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-')))
            RaiseNotInteger(text);
        Value = std::uint32_t(v);
        return;
    }
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, 10);
    if (!ok || v < -2147483648LL || v > 4294967295LL)
        RaiseNotInteger(text);
    Value = std::uint32_t(v);
}

QString TKvColor::ToString() const
{
    return QStringLiteral("#%1").arg(Value, 8, 16, QLatin1Char('0'));
}

// --- module state --------------------------------------------------------------------------

namespace {

struct TStock
{
    std::array<TKvSolidPen*, 5> Pens{};
    TKvSolidPen* TempPen = nullptr;
    std::array<TKvSolidBrush*, 8> Fills{};
    TKvSolidBrush* TempBrush = nullptr;
    TKvLinearGradientBrush* TempGradient = nullptr;
    std::array<TKvFont*, 4> Fonts{};
    gfx::GpFontFamily* SansSerif = nullptr;
};

TStock gStock;
int gStartCount = 0;
bool gStarting = false;
bool gAutoStarted = false;
std::uintptr_t gToken = 0;

template <typename T>
void DeleteAndNil(T*& object)
{
    delete object;
    object = nullptr;
}

void FreeStock()
{
    for (auto*& font : gStock.Fonts)
        DeleteAndNil(font);
    DeleteAndNil(gStock.TempGradient);
    DeleteAndNil(gStock.TempBrush);
    for (auto*& fill : gStock.Fills)
        DeleteAndNil(fill);
    DeleteAndNil(gStock.TempPen);
    for (auto*& pen : gStock.Pens)
        DeleteAndNil(pen);
    if (gStock.SansSerif) {
        gfx::DeleteFontFamily(gStock.SansSerif);
        gStock.SansSerif = nullptr;
    }
}

void CreateStock()
{
    const std::array<std::uint32_t, 5> pens{0xFF000000u, 0xFF808080u, 0xFF696969u, 0xFFD3D3D3u, 0xFF0000FFu};
    for (size_t i = 0; i < pens.size(); ++i)
        gStock.Pens[i] = new TKvSolidPen(pens[i], 1.0f, DashStyleSolid);
    gStock.TempPen = new TKvSolidPen(0xFF000000u, 1.0f, DashStyleSolid);
    const std::array<std::uint32_t, 8> fills{0xFF000000u, 0xFF808080u, 0xFF696969u, 0xFFD3D3D3u,
                                             0xFFFFFF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFFF0F0F0u};
    for (size_t i = 0; i < fills.size(); ++i)
        gStock.Fills[i] = new TKvSolidBrush(fills[i]);
    gStock.TempBrush = new TKvSolidBrush(0xFFFFFFFFu);
    gStock.TempGradient = new TKvLinearGradientBrush(0xFFFFFFFFu, 0xFFFFFFFFu, 0.0f);
    for (size_t i = 0; i < gStock.Fonts.size(); ++i)
        gStock.Fonts[i] = new TKvFont(QString(), float(8 + i), TKvFontStyle());
}

void AutoShutdown()
{
    if (gAutoStarted) {
        gAutoStarted = false;
        KvGraphicsShutdown();
    }
}

} // namespace

void KvGraphicsStartup()
{
    if (gStartCount > 0) {
        ++gStartCount;
        return;
    }
    gStarting = true;
    try {
        GdipCheck(gfx::Startup(1, gToken));
        CreateStock();
        TKvDrawingContext::CreateGlobals();
    } catch (...) {
        TKvDrawingContext::FreeGlobals();
        FreeStock();
        gfx::Shutdown(gToken);
        gStarting = false;
        throw;
    }
    gStarting = false;
    gStartCount = 1;
}

void KvGraphicsShutdown()
{
    if (gStartCount == 0 || --gStartCount > 0)
        return;
    TKvDrawingContext::FreeGlobals();
    FreeStock();
    gfx::Shutdown(gToken);
    gToken = 0;
}

bool KvGraphicsStarted() { return gStartCount > 0; }

void KvGraphicsEnsureStarted()
{
    if (gStartCount > 0 || gStarting)
        return;
    KvGraphicsStartup();
    gAutoStarted = true;
    qAddPostRoutine(AutoShutdown);
}

// --- strokes -------------------------------------------------------------------------------

TKvStroke::~TKvStroke()
{
    if (FHandle)
        gfx::DeletePen(Pen());
}

std::unique_ptr<TKvSolidPen> TKvStroke::CreateSolid(TKvColor color, float width, TKvDashStyle dash)
{
    return std::make_unique<TKvSolidPen>(color, width, dash);
}

std::unique_ptr<TKvStroke> TKvStroke::CreateFrom(const QString& text)
{
    const QStringList parts = SplitParts(text);
    if (parts.isEmpty())
        return nullptr;
    const TKvColor color(parts[0].trimmed());
    float width = 1.0f;
    TKvDashStyle dash = DashStyleSolid;
    if (parts.size() >= 2)
        width = FloatFrom(parts[1]);
    if (parts.size() >= 3) {
        const QString& word = parts[2];
        if (word.compare(QLatin1String("dash"), Qt::CaseInsensitive) == 0)
            dash = DashStyleDash;
        else if (word.compare(QLatin1String("dot"), Qt::CaseInsensitive) == 0)
            dash = DashStyleDot;
        else if (word.compare(QLatin1String("dashdot"), Qt::CaseInsensitive) == 0)
            dash = DashStyleDashDot;
        else if (word.compare(QLatin1String("dashdotdot"), Qt::CaseInsensitive) == 0)
            dash = DashStyleDashDotDot;
    }
    return std::make_unique<TKvSolidPen>(color, width, dash);
}

TKvStroke* TKvStroke::Black() { return KvGraphicsEnsureStarted(), gStock.Pens[0]; }
TKvStroke* TKvStroke::Gray() { return KvGraphicsEnsureStarted(), gStock.Pens[1]; }
TKvStroke* TKvStroke::DimGray() { return KvGraphicsEnsureStarted(), gStock.Pens[2]; }
TKvStroke* TKvStroke::LightGray() { return KvGraphicsEnsureStarted(), gStock.Pens[3]; }
TKvStroke* TKvStroke::Blue() { return KvGraphicsEnsureStarted(), gStock.Pens[4]; }

TKvSolidPen::TKvSolidPen(TKvColor color, float width, TKvDashStyle dash) : FWidth(width)
{
    gfx::GpPen* pen = nullptr;
    GdipCheck(gfx::CreatePen(color, width, gfx::UnitWorld, &pen));
    FHandle = pen;
    GdipCheck(gfx::SetPenDashStyle(pen, gfx::TGPDashStyle(dash)));
}

TKvColor TKvSolidPen::GetColor() const
{
    gfx::ARGB color = 0;
    GdipCheck(gfx::GetPenColor(Pen(), color));
    return color;
}

TKvDashStyle TKvSolidPen::GetDash() const
{
    gfx::TGPDashStyle dash = gfx::DashStyleSolid;
    GdipCheck(gfx::GetPenDashStyle(Pen(), dash));
    return TKvDashStyle(dash);
}

QString TKvSolidPen::ToString() const
{
    QString text = GetColor().ToString() + QLatin1Char(',') + FloatText(FWidth);
    switch (GetDash()) {
    case DashStyleDash: text += QStringLiteral(",dash"); break;
    case DashStyleDot: text += QStringLiteral(",dot"); break;
    case DashStyleDashDot: text += QStringLiteral(",dashdot"); break;
    case DashStyleDashDotDot: text += QStringLiteral(",dashdotdot"); break;
    default: break;
    }
    return text;
}

TKvSolidPen* TKvSolidPen::Temp(TKvColor color, float width, TKvDashStyle dash)
{
    KvGraphicsEnsureStarted();
    TKvSolidPen* pen = gStock.TempPen;
    GdipCheck(gfx::SetPenColor(pen->Pen(), color));
    GdipCheck(gfx::SetPenWidth(pen->Pen(), width));
    GdipCheck(gfx::SetPenDashStyle(pen->Pen(), gfx::TGPDashStyle(dash)));
    pen->FWidth = width;
    return pen;
}

// --- fills ---------------------------------------------------------------------------------

TKvFill::~TKvFill()
{
    if (FHandle)
        gfx::DeleteBrush(Brush());
}

std::unique_ptr<TKvSolidBrush> TKvFill::CreateSolid(TKvColor color) { return std::make_unique<TKvSolidBrush>(color); }

std::unique_ptr<TKvLinearGradientBrush> TKvFill::CreateLinear(TKvColor color1, TKvColor color2, float angle)
{
    return std::make_unique<TKvLinearGradientBrush>(color1, color2, angle);
}

std::unique_ptr<TKvFill> TKvFill::CreateFrom(const QString& text)
{
    const QStringList parts = SplitParts(text);
    if (parts.isEmpty())
        return nullptr;
    const QString kind = parts[0].trimmed();
    if (kind == QLatin1String("linear")) {
        TKvColor color1 = 0, color2 = 0;
        float angle = 0;
        if (parts.size() >= 2)
            color1 = color2 = TKvColor(parts[1].trimmed());
        if (parts.size() >= 3)
            color2 = TKvColor(parts[2].trimmed());
        if (parts.size() >= 4)
            angle = FloatFrom(parts[3]);
        return std::make_unique<TKvLinearGradientBrush>(color1, color2, angle);
    }
    if (kind == QLatin1String("radial"))
        return nullptr;
    return std::make_unique<TKvSolidBrush>(TKvColor(text));
}

TKvFill* TKvFill::Black() { return KvGraphicsEnsureStarted(), gStock.Fills[0]; }
TKvFill* TKvFill::Gray() { return KvGraphicsEnsureStarted(), gStock.Fills[1]; }
TKvFill* TKvFill::DimGray() { return KvGraphicsEnsureStarted(), gStock.Fills[2]; }
TKvFill* TKvFill::LightGray() { return KvGraphicsEnsureStarted(), gStock.Fills[3]; }
TKvFill* TKvFill::Yellow() { return KvGraphicsEnsureStarted(), gStock.Fills[4]; }
TKvFill* TKvFill::Blue() { return KvGraphicsEnsureStarted(), gStock.Fills[5]; }
TKvFill* TKvFill::White() { return KvGraphicsEnsureStarted(), gStock.Fills[6]; }
TKvFill* TKvFill::Fixed() { return KvGraphicsEnsureStarted(), gStock.Fills[7]; }

TKvSolidBrush::TKvSolidBrush(TKvColor color)
{
    gfx::GpBrush* brush = nullptr;
    GdipCheck(gfx::CreateSolidFill(color, &brush));
    FHandle = brush;
}

TKvColor TKvSolidBrush::GetColor() const
{
    gfx::ARGB color = 0;
    GdipCheck(gfx::GetSolidFillColor(Brush(), color));
    return color;
}

QString TKvSolidBrush::ToString() const { return GetColor().ToString(); }

TKvSolidBrush* TKvSolidBrush::Temp(TKvColor color)
{
    KvGraphicsEnsureStarted();
    GdipCheck(gfx::SetSolidFillColor(gStock.TempBrush->Brush(), color));
    return gStock.TempBrush;
}

TKvLinearGradientBrush::TKvLinearGradientBrush(TKvColor color1, TKvColor color2, float angle)
    : FColor1(color1), FColor2(color2), FAngle(angle)
{
    FGradient = this;
    Build(TRectF(0, 0, 1, 1), gfx::WrapModeTile);
}

void TKvLinearGradientBrush::Build(const TRectF& rect, gfx::TGPWrapMode wrap)
{
    gfx::GpBrush* brush = nullptr;
    GdipCheck(gfx::CreateLineBrushFromRectWithAngle(rect, FColor1, FColor2, FAngle, true, wrap, &brush));
    if (FHandle)
        gfx::DeleteBrush(Brush());
    FHandle = brush;
}

void TKvLinearGradientBrush::Recreate(int x, int y, int width, int height)
{
    Build(TRectF::Bounds(float(x), float(y), float(std::max(1, width)), float(std::max(1, height))),
          gfx::WrapModeTile);
}

void TKvLinearGradientBrush::Recreate(double x, double y, double width, double height)
{
    Build(TRectF::Bounds(float(x), float(y), float(std::max(width, 1.0)), float(std::max(height, 1.0))),
          gfx::WrapModeTileFlipXY);
}

QString TKvLinearGradientBrush::ToString() const
{
    return QStringLiteral("linear,") + FColor1.ToString() + QLatin1Char(',') + FColor2.ToString() + QLatin1Char(',')
           + FloatText(FAngle);
}

TKvLinearGradientBrush* TKvLinearGradientBrush::Temp(TKvColor color1, TKvColor color2, float angle)
{
    KvGraphicsEnsureStarted();
    TKvLinearGradientBrush* brush = gStock.TempGradient;
    brush->FColor1 = color1;
    brush->FColor2 = color2;
    brush->FAngle = angle;
    return brush;
}

// --- fonts ---------------------------------------------------------------------------------

namespace {

int StyleBits(TKvFontStyle style) { return int(style.Bits() & 0xF); }

} // namespace

TKvFont::TKvFont(const QString& familyName, float size, TKvFontStyle style)
{
    gfx::GpFontFamily* family = nullptr;
    if (familyName.isEmpty()) {
        family = GetSansSerifFamily();
    } else {
        GdipCheck(gfx::CreateFontFamilyFromName(familyName, &family));
        FFamily = family;
    }
    gfx::GpFont* font = nullptr;
    const TGPStatus status = gfx::CreateFont(family, size, StyleBits(style), gfx::UnitPoint, &font);
    if (status != Ok) {
        if (FFamily)
            gfx::DeleteFontFamily(FFamily);
        FFamily = nullptr;
        throw EGdipError(status);
    }
    FHandle = font;
}

TKvFont::TKvFont(gfx::GpFontFamily* family, float size, TKvFontStyle style)
{
    gfx::GpFont* font = nullptr;
    GdipCheck(gfx::CreateFont(family, size, StyleBits(style), gfx::UnitPoint, &font));
    FHandle = font;
}

TKvFont::~TKvFont()
{
    if (FHandle)
        gfx::DeleteFont(Font());
    if (FFamily)
        gfx::DeleteFontFamily(FFamily);
}

std::unique_ptr<TKvFont> TKvFont::CreateFrom(const QString& text)
{
    const QStringList parts = SplitParts(text);
    if (parts.isEmpty())
        return nullptr;
    const QString family = parts[0].trimmed();
    float size = 8.0f;
    TKvFontStyle style;
    if (parts.size() >= 2)
        size = FloatFrom(parts[1]);
    for (qsizetype i = 2; i < parts.size(); ++i) {
        const QString word = parts[i].trimmed();
        if (word.compare(QLatin1String("bold"), Qt::CaseInsensitive) == 0)
            style += FontBold;
        else if (word.compare(QLatin1String("italic"), Qt::CaseInsensitive) == 0)
            style += FontItalic;
        else if (word.compare(QLatin1String("underline"), Qt::CaseInsensitive) == 0)
            style += FontUnderline;
        else if (word.compare(QLatin1String("strikeout"), Qt::CaseInsensitive) == 0)
            style += FontStrikeout;
    }
    return std::make_unique<TKvFont>(family, size, style);
}

std::unique_ptr<TKvFont> TKvFont::CreateFrom(const TFont* font)
{
    if (!font)
        throw EGdipError(InvalidParameter);
    TKvFontStyle style;
    const TFontStyles s = font->GetStyle();
    if (s.Contains(fsBold))
        style += FontBold;
    if (s.Contains(fsItalic))
        style += FontItalic;
    if (s.Contains(fsUnderline))
        style += FontUnderline;
    if (s.Contains(fsStrikeOut))
        style += FontStrikeout;
    return std::make_unique<TKvFont>(font->GetName(), float(font->GetSize()), style);
}

QString TKvFont::GetFamilyName() const
{
    QString name;
    GdipCheck(gfx::GetFontFamilyName(Font(), name));
    return name;
}

float TKvFont::GetSize() const
{
    float size = 0;
    GdipCheck(gfx::GetFontSize(Font(), size));
    return size;
}

TKvFontStyle TKvFont::GetStyle() const
{
    int bits = 0;
    GdipCheck(gfx::GetFontStyle(Font(), bits));
    TKvFontStyle style;
    if (bits & gfx::FontStyleBold)
        style += FontBold;
    if (bits & gfx::FontStyleItalic)
        style += FontItalic;
    if (bits & gfx::FontStyleUnderline)
        style += FontUnderline;
    if (bits & gfx::FontStyleStrikeout)
        style += FontStrikeout;
    return style;
}

float TKvFont::GetHeight() const
{
    if (FHeight < 0) {
        float height = 0;
        GdipCheck(gfx::GetFontHeight(Font(), TKvDrawingContext::GetGlobalContext(), height));
        FHeight = height;
    }
    return FHeight;
}

QString TKvFont::ToString() const
{
    QString text = GetFamilyName() + QLatin1Char(',') + FloatText(GetSize());
    const TKvFontStyle style = GetStyle();
    if (style.Contains(FontBold))
        text += QStringLiteral(",bold");
    if (style.Contains(FontItalic))
        text += QStringLiteral(",italic");
    if (style.Contains(FontUnderline))
        text += QStringLiteral(",underline");
    if (style.Contains(FontStrikeout))
        text += QStringLiteral(",strikeout");
    return text;
}

TFont* TKvFont::ToFont(TFont* font) const
{
    std::unique_ptr<TFont> created;
    if (!font) {
        created = std::make_unique<TFont>();
        font = created.get();
    }
    const TKvFontStyle style = GetStyle();
    TFontStyles s;
    if (style.Contains(FontBold))
        s += fsBold;
    if (style.Contains(FontItalic))
        s += fsItalic;
    if (style.Contains(FontUnderline))
        s += fsUnderline;
    if (style.Contains(FontStrikeout))
        s += fsStrikeOut;
    font->SetName(GetFamilyName());
    font->SetSize(int(std::lround(GetSize())));
    font->SetStyle(s);
    created.release();
    return font;
}

gfx::GpFontFamily* TKvFont::GetSansSerifFamily()
{
    if (!gStock.SansSerif) {
        gfx::GpFontFamily* family = nullptr;
        GdipCheck(gfx::GetGenericFontFamilySansSerif(&family));
        gStock.SansSerif = family;
    }
    return gStock.SansSerif;
}

TKvFont* TKvFont::Default8() { return KvGraphicsEnsureStarted(), gStock.Fonts[0]; }
TKvFont* TKvFont::Default9() { return KvGraphicsEnsureStarted(), gStock.Fonts[1]; }
TKvFont* TKvFont::Default10() { return KvGraphicsEnsureStarted(), gStock.Fonts[2]; }
TKvFont* TKvFont::Default11() { return KvGraphicsEnsureStarted(), gStock.Fonts[3]; }

// --- bitmaps -------------------------------------------------------------------------------

TKvBitmap::TKvBitmap(const TBitmap* bitmap)
{
    gfx::GpImage* image = nullptr;
    GdipCheck(gfx::CreateBitmapFromBitmap(bitmap, &image));
    FHandle = image;
}

TKvBitmap::TKvBitmap(const QString& fileName)
{
    gfx::GpImage* image = nullptr;
    GdipCheck(gfx::CreateBitmapFromFile(fileName, &image));
    FHandle = image;
}

TKvBitmap::~TKvBitmap()
{
    if (!FHandle)
        return;
    const TGPStatus status = gfx::DisposeImage(Image());
    if (status != Ok)
        KV_TRACE(QStringLiteral("TKvBitmap release failed: ") + EGdipError(status).Message());
}

int TKvBitmap::GetWidth() const
{
    int width = 0;
    GdipCheck(gfx::GetImageWidth(Image(), width));
    return width;
}

int TKvBitmap::GetHeight() const
{
    int height = 0;
    GdipCheck(gfx::GetImageHeight(Image(), height));
    return height;
}

} // namespace kv
