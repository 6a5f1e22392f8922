// The vector graphics interface: status codes, objects, drawing probed on rendered images.
#include "PaintRegionSupport.h"
#include "platform/graphics/VectorGraphics.h"

#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtGui/QFontMetricsF>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

using namespace kv;
using namespace kv::gfx;

namespace {

// An image-backed graphics object, freed at scope end.
struct TSurface
{
    GpImage* Image = nullptr;
    GpGraphics* G = nullptr;
    TSurface(int w = 100, int h = 100)
    {
        EXPECT_EQ(CreateBitmap(w, h, &Image), Ok);
        EXPECT_EQ(CreateFromImage(Image, &G), Ok);
        GpBrush* white = nullptr;
        CreateSolidFill(0xFFFFFFFFu, &white);
        FillRectangle(G, white, 0, 0, float(w), float(h));
        DeleteBrush(white);
    }
    ~TSurface()
    {
        if (G)
            DeleteGraphics(G);
        if (Image)
            DisposeImage(Image);
    }
    ARGB Pixel(int x, int y)
    {
        ARGB c = 0;
        EXPECT_EQ(GetImagePixel(Image, x, y, c), Ok) << x << "," << y;
        return c;
    }
};

} // namespace

TEST(VectorGraphics, StartupAcceptsVersionOneOnly)
{
    std::uintptr_t token = 0;
    EXPECT_EQ(Startup(2, token), UnsupportedGdiplusVersion);
    EXPECT_EQ(Startup(1, token), Ok);
    EXPECT_NE(token, 0u);
    Shutdown(token);
}

TEST(VectorGraphics, PensCheckTheirArguments)
{
    GpPen* pen = nullptr;
    EXPECT_EQ(CreatePen(0xFF000000u, -1.0f, UnitWorld, &pen), InvalidParameter);
    EXPECT_EQ(CreatePen(0xFF000000u, std::nanf(""), UnitWorld, &pen), InvalidParameter);
    EXPECT_EQ(CreatePen(0xFF000000u, 1.0f, UnitPoint, &pen), InvalidParameter);
    ASSERT_EQ(CreatePen(0xFF102030u, 1.5f, UnitWorld, &pen), Ok);
    EXPECT_EQ(SetPenDashStyle(pen, DashStyleCustom), InvalidParameter);
    EXPECT_EQ(SetPenDashStyle(pen, DashStyleDashDot), Ok);
    TGPDashStyle dash = DashStyleSolid;
    float width = 0;
    ARGB color = 0;
    EXPECT_EQ(GetPenDashStyle(pen, dash), Ok);
    EXPECT_EQ(GetPenWidth(pen, width), Ok);
    EXPECT_EQ(GetPenColor(pen, color), Ok);
    EXPECT_EQ(dash, DashStyleDashDot);
    EXPECT_FLOAT_EQ(width, 1.5f);
    EXPECT_EQ(color, 0xFF102030u);
    EXPECT_EQ(DeletePen(pen), Ok);
    EXPECT_EQ(DeletePen(nullptr), InvalidParameter);
}

TEST(VectorGraphics, GraphicsNeedAnActiveTarget)
{
    GpGraphics* g = nullptr;
    EXPECT_EQ(CreateFromHDC(nullptr, &g), InvalidParameter);
    QPainter idle;
    EXPECT_EQ(CreateFromHDC(&idle, &g), WrongState);
    EXPECT_EQ(g, nullptr);
}

TEST(VectorGraphics, GraphicsOverAPainterLeaveItsStateAsFound)
{
    QImage image(50, 50, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(5, 5);
    painter.setClipRect(0, 0, 30, 30);
    GpGraphics* g = nullptr;
    ASSERT_EQ(CreateFromHDC(&painter, &g), Ok);
    // The graphics object starts at identity: (0,0) is the device origin.
    GpMatrix* m = nullptr;
    CreateMatrix(&m);
    float e[6];
    GetWorldTransform(g, m);
    GetMatrixElements(m, e);
    EXPECT_FLOAT_EQ(e[4], 0);
    EXPECT_FLOAT_EQ(e[5], 0);
    TranslateWorldTransform(g, 40, 40, MatrixOrderPrepend);
    GraphicsState s = 0;
    SaveGraphics(g, s);
    EXPECT_EQ(DeleteGraphics(g), Ok);
    DeleteMatrix(m);
    EXPECT_EQ(painter.worldTransform().dx(), 5);
    EXPECT_TRUE(painter.hasClipping());
    painter.end();
}

TEST(VectorGraphics, FillsAndStrokesReachThePixels)
{
    TSurface s;
    GpBrush* red = nullptr;
    GpPen* blue = nullptr;
    ASSERT_EQ(CreateSolidFill(0xFFFF0000u, &red), Ok);
    ASSERT_EQ(CreatePen(0xFF0000FFu, 1.0f, UnitWorld, &blue), Ok);
    EXPECT_EQ(FillRectangle(s.G, red, 10, 10, 20, 20), Ok);
    EXPECT_EQ(DrawRectangle(s.G, blue, 50.5f, 10.5f, 20, 20), Ok);
    EXPECT_EQ(s.Pixel(20, 20), 0xFFFF0000u);
    EXPECT_EQ(s.Pixel(9, 20), 0xFFFFFFFFu);
    EXPECT_EQ(s.Pixel(30, 20), 0xFFFFFFFFu);
    EXPECT_EQ(s.Pixel(50, 20), 0xFF0000FFu);
    EXPECT_EQ(s.Pixel(60, 20), 0xFFFFFFFFu);
    EXPECT_EQ(FillRectangle(s.G, nullptr, 0, 0, 1, 1), InvalidParameter);
    EXPECT_EQ(FillRectangle(s.G, red, std::nanf(""), 0, 1, 1), InvalidParameter);
    TPointF one{1, 1};
    EXPECT_EQ(DrawLines(s.G, blue, &one, 1), InvalidParameter);
    EXPECT_EQ(FillPolygon(s.G, red, nullptr, 0, FillModeAlternate), InvalidParameter);
    DeleteBrush(red);
    DeletePen(blue);
}

TEST(VectorGraphics, LinearGradientRunsAlongItsAngleOverItsRectangle)
{
    TSurface s;
    GpBrush* g0 = nullptr;
    GpBrush* g90 = nullptr;
    ASSERT_EQ(CreateLineBrushFromRectWithAngle(TRectF(0, 0, 100, 50), 0xFF000000u, 0xFFFFFFFFu, 0, true,
                                               WrapModeTile, &g0),
              Ok);
    ASSERT_EQ(CreateLineBrushFromRectWithAngle(TRectF(0, 50, 100, 100), 0xFFFF0000u, 0xFF0000FFu, 90, true,
                                               WrapModeTileFlipXY, &g90),
              Ok);
    FillRectangle(s.G, g0, 0, 0, 100, 50);
    FillRectangle(s.G, g90, 0, 50, 100, 50);
    // Angle 0: dark at the left, light at the right, the same down a column.
    EXPECT_LT(qRed(s.Pixel(2, 25)), 20);
    EXPECT_GT(qRed(s.Pixel(97, 25)), 235);
    EXPECT_NEAR(qRed(s.Pixel(50, 5)), qRed(s.Pixel(50, 45)), 2);
    EXPECT_NEAR(qRed(s.Pixel(50, 25)), 128, 12);
    // Angle 90: red at the top, blue at the bottom, the same along a row.
    EXPECT_GT(qRed(s.Pixel(50, 51)), 230);
    EXPECT_GT(qBlue(s.Pixel(50, 98)), 230);
    EXPECT_EQ(s.Pixel(3, 75), s.Pixel(96, 75));
    GpBrush* bad = nullptr;
    EXPECT_EQ(CreateLineBrushFromRectWithAngle(TRectF(0, 0, 0, 10), 0, 0, 0, true, WrapModeTile, &bad),
              InvalidParameter);
    TGPBrushType type = BrushTypeSolidColor;
    GetBrushType(g0, type);
    EXPECT_EQ(type, BrushTypeLinearGradient);
    ARGB c = 0;
    EXPECT_EQ(GetSolidFillColor(g0, c), InvalidParameter);
    DeleteBrush(g0);
    DeleteBrush(g90);
}

TEST(VectorGraphics, SaveRestoreAndClip)
{
    TSurface s;
    GpBrush* black = nullptr;
    CreateSolidFill(0xFF000000u, &black);
    GraphicsState outer = 0, inner = 0;
    ASSERT_EQ(SaveGraphics(s.G, outer), Ok);
    SetClipRect(s.G, 10, 10, 50, 50, CombineModeIntersect);
    SetClipRect(s.G, 30, 30, 50, 50, CombineModeIntersect);
    TRectF bounds;
    GetClipBounds(s.G, bounds);
    EXPECT_EQ(bounds, TRectF(30, 30, 60, 60));
    ASSERT_EQ(SaveGraphics(s.G, inner), Ok);
    SetClipRect(s.G, 40, 40, 5, 5, CombineModeExclude);
    FillRectangle(s.G, black, 0, 0, 100, 100);
    EXPECT_EQ(s.Pixel(35, 35), 0xFF000000u);
    EXPECT_EQ(s.Pixel(42, 42), 0xFFFFFFFFu);
    EXPECT_EQ(s.Pixel(25, 35), 0xFFFFFFFFu);
    EXPECT_EQ(s.Pixel(65, 35), 0xFFFFFFFFu);
    // Restoring the outer state drops the inner one too; restoring that later does nothing.
    EXPECT_EQ(RestoreGraphics(s.G, outer), Ok);
    EXPECT_EQ(RestoreGraphics(s.G, inner), Ok);
    GetClipBounds(s.G, bounds);
    EXPECT_EQ(bounds, TRectF(0, 0, 100, 100));
    EXPECT_EQ(SetClipRect(s.G, 0, 0, 1, 1, CombineModeXor), NotImplemented);
    DeleteBrush(black);
}

TEST(VectorGraphics, TransformsPrependAndReadBack)
{
    TSurface s;
    TranslateWorldTransform(s.G, 10, 20, MatrixOrderPrepend);
    ScaleWorldTransform(s.G, 2, 3, MatrixOrderPrepend);
    GpMatrix* m = nullptr;
    ASSERT_EQ(CreateMatrix(&m), Ok);
    float e[6];
    GetWorldTransform(s.G, m);
    GetMatrixElements(m, e);
    EXPECT_FLOAT_EQ(e[0], 2);
    EXPECT_FLOAT_EQ(e[3], 3);
    EXPECT_FLOAT_EQ(e[4], 10);
    EXPECT_FLOAT_EQ(e[5], 20);
    // Prepended: the translation now happens in scaled units.
    TranslateWorldTransform(s.G, 1, 1, MatrixOrderPrepend);
    GetWorldTransform(s.G, m);
    GetMatrixElements(m, e);
    EXPECT_FLOAT_EQ(e[4], 12);
    EXPECT_FLOAT_EQ(e[5], 23);
    DeleteMatrix(m);
}

TEST(VectorGraphics, ArcPathsGoClockwiseFromTheirStartAngle)
{
    GpPath* path = nullptr;
    ASSERT_EQ(CreatePath(FillModeAlternate, &path), Ok);
    // A quarter from 0 to 90 degrees clockwise (y down) spans the lower-right quarter.
    AddPathArc(path, 0, 0, 20, 20, 0, 90);
    TRectF b;
    GetPathWorldBounds(path, b);
    EXPECT_NEAR(b.Left, 10, 0.01);
    EXPECT_NEAR(b.Top, 10, 0.01);
    EXPECT_NEAR(b.Right, 20, 0.01);
    EXPECT_NEAR(b.Bottom, 20, 0.01);
    ResetPath(path);
    GetPathWorldBounds(path, b);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(AddPathArc(path, 0, 0, -1, 1, 0, 90), InvalidParameter);
    DeletePath(path);
}

TEST(VectorGraphics, FontsMeasureWithTheFontMetrics)
{
    TSurface s;
    GpFontFamily* family = nullptr;
    EXPECT_EQ(CreateFontFamilyFromName(QStringLiteral("   "), &family), FontFamilyNotFound);
    ASSERT_EQ(CreateFontFamilyFromName(QStringLiteral("DejaVu Sans"), &family), Ok);
    GpFont* font = nullptr;
    EXPECT_EQ(CreateFont(family, 0, 0, UnitPoint, &font), InvalidParameter);
    ASSERT_EQ(CreateFont(family, 10, FontStyleBold | FontStyleItalic, UnitPoint, &font), Ok);
    QFont qf;
    GetFontQFont(font, qf);
    EXPECT_TRUE(qf.bold());
    EXPECT_TRUE(qf.italic());
    EXPECT_DOUBLE_EQ(qf.pointSizeF(), 10.0);
    float height = 0;
    ASSERT_EQ(GetFontHeight(font, s.G, height), Ok);
    QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    const QFontMetricsF metrics(qf, &probe);
    EXPECT_FLOAT_EQ(height, float(metrics.lineSpacing()));
    const QString text = QStringLiteral("Grid text 123");
    TRectF bounds;
    ASSERT_EQ(MeasureString(s.G, text, font, TRectF(), nullptr, bounds), Ok);
    EXPECT_NEAR(bounds.Width(), metrics.horizontalAdvance(text), 0.01);
    EXPECT_NEAR(bounds.Height(), metrics.height(), 0.01);
    ASSERT_EQ(MeasureString(s.G, QStringLiteral("a\nb"), font, TRectF(), nullptr, bounds), Ok);
    EXPECT_NEAR(bounds.Height(), metrics.size(0, QStringLiteral("a\nb")).height(), 0.01);
    ASSERT_EQ(MeasureString(s.G, QString(), font, TRectF(), nullptr, bounds), Ok);
    EXPECT_EQ(bounds.Width(), 0);
    DeleteFont(font);
    DeleteFontFamily(family);
}

TEST(VectorGraphics, TextIsDrawnAtItsLayoutWithTheAlignment)
{
    TSurface s(200, 40);
    GpFontFamily* family = nullptr;
    GetGenericFontFamilySansSerif(&family);
    QString name;
    GetFamilyName(family, name);
    EXPECT_FALSE(name.isEmpty());
    GpFont* font = nullptr;
    ASSERT_EQ(CreateFont(family, 12, 0, UnitPoint, &font), Ok);
    GpBrush* black = nullptr;
    CreateSolidFill(0xFF000000u, &black);
    GpStringFormat* format = nullptr;
    CreateStringFormat(StringFormatFlagsNoWrap, 0, &format);
    SetStringFormatAlign(format, StringAlignmentFar);
    SetStringFormatLineAlign(format, StringAlignmentCenter);
    ASSERT_EQ(DrawString(s.G, QStringLiteral("WWW"), font, TRectF(0, 0, 200, 40), format, black), Ok);
    auto darkIn = [&](int x0, int x1) {
        for (int x = x0; x < x1; ++x)
            for (int y = 0; y < 40; ++y)
                if (qRed(s.Pixel(x, y)) < 128)
                    return true;
        return false;
    };
    EXPECT_FALSE(darkIn(0, 120));
    EXPECT_TRUE(darkIn(150, 200));
    EXPECT_EQ(DrawString(s.G, QStringLiteral("x"), nullptr, TRectF(), nullptr, black), InvalidParameter);
    DeleteStringFormat(format);
    DeleteBrush(black);
    DeleteFont(font);
    DeleteFontFamily(family);
}

TEST(VectorGraphics, ImagesFromFilesAndTheirFailures)
{
    QTemporaryDir dir;
    GpImage* image = nullptr;
    EXPECT_EQ(CreateBitmapFromFile(dir.filePath(QStringLiteral("missing.png")), &image), FileNotFound);
    const QString junk = dir.filePath(QStringLiteral("junk.png"));
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not an image at all");
    }
    EXPECT_EQ(CreateBitmapFromFile(junk, &image), UnknownImageFormat);

    QImage source(3, 2, QImage::Format_ARGB32);
    source.fill(QColor(10, 200, 30));
    const QString png = dir.filePath(QStringLiteral("a.png"));
    const QString jpg = dir.filePath(QStringLiteral("a.jpg"));
    ASSERT_TRUE(source.save(png));
    ASSERT_TRUE(source.save(jpg));
    // A 1 by 1 red GIF.
    const QString gif = dir.filePath(QStringLiteral("a.gif"));
    {
        static const unsigned char bytes[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0, 0, 0, 0,
                                              ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, ';'};
        QFile f(gif);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    }
    ASSERT_EQ(CreateBitmapFromFile(png, &image), Ok);
    int w = 0, h = 0;
    GetImageWidth(image, w);
    GetImageHeight(image, h);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    ARGB c = 0;
    GetImagePixel(image, 2, 1, c);
    EXPECT_EQ(c, 0xFF0AC81Eu);
    EXPECT_EQ(GetImagePixel(image, 3, 0, c), InvalidParameter);
    DisposeImage(image);
    ASSERT_EQ(CreateBitmapFromFile(jpg, &image), Ok);
    GetImagePixel(image, 1, 1, c);
    EXPECT_NEAR(qGreen(c), 200, 12);
    DisposeImage(image);
    ASSERT_EQ(CreateBitmapFromFile(gif, &image), Ok);
    GetImagePixel(image, 0, 0, c);
    EXPECT_EQ(c, 0xFFFF0000u);
    DisposeImage(image);
}

TEST(VectorGraphics, ImageInUseIsReleasedWithItsLastGraphics)
{
    GpImage* image = nullptr;
    ASSERT_EQ(CreateBitmap(4, 4, &image), Ok);
    GpGraphics* g = nullptr;
    ASSERT_EQ(CreateFromImage(image, &g), Ok);
    EXPECT_EQ(DrawImageRectI(g, image, 0, 0, 4, 4), ObjectBusy);
    EXPECT_EQ(DisposeImage(image), ObjectBusy);
    // A pending image takes no new graphics and is not released twice.
    GpGraphics* second = nullptr;
    EXPECT_EQ(CreateFromImage(image, &second), InvalidParameter);
    EXPECT_EQ(DisposeImage(image), InvalidParameter);
    EXPECT_EQ(DeleteGraphics(g), Ok); // frees the image; the leak checker would see it otherwise
}

namespace {

// Lines drawn on a painter clipped to strips, with the strips told as the paint region or not.
QImage LinesInStrips(const std::vector<std::array<float, 4>>& lines, GpPen* pen, bool smooth, QPointF offset,
                     const std::vector<TRect>& strips, bool told)
{
    QImage image(120, 90, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    GpGraphics* g = GraphicsInStrips(painter, strips, told);
    SetSmoothingMode(g, smooth ? SmoothingModeAntiAlias : SmoothingModeNone);
    TranslateWorldTransform(g, float(offset.x()), float(offset.y()), MatrixOrderPrepend);
    for (const auto& l : lines)
        EXPECT_EQ(DrawLine(g, pen, l[0], l[1], l[2], l[3]), Ok);
    DeleteGraphics(g);
    return image;
}

} // namespace

TEST(VectorGraphics, LinesCutToThePaintRegionLeaveThePixelsOfWholeLines)
{
    std::mt19937 random(20261207u);
    std::uniform_real_distribution<float> coordinate(-30.0f, 150.0f);
    std::uniform_int_distribution<int> pick(0, 1000);
    int inked = 0;
    for (int i = 0; i < 200; ++i) {
        // Level, upright and slanted lines, some far longer than the image, in solid and dashed
        // pens of several widths, with and without edge smoothing, at whole and fractional places.
        std::vector<std::array<float, 4>> lines;
        for (int k = 0; k < 6; ++k) {
            const float a = coordinate(random), b = coordinate(random), c = coordinate(random);
            const float at = pick(random) % 2 ? std::round(c) : c;
            switch (pick(random) % 3) {
            case 0: lines.push_back({a * 4 - 200, at, b * 4, at}); break;
            case 1: lines.push_back({at, a, at, b * 5 - 100}); break;
            default: lines.push_back({a, b, c, a}); break;
            }
        }
        GpPen* pen = nullptr;
        ASSERT_EQ(CreatePen(0xFF203040u, float(pick(random) % 4) + (pick(random) % 2 ? 0.5f : 0.0f), UnitWorld, &pen), Ok);
        if (pick(random) % 4 == 0)
            SetPenDashStyle(pen, DashStyleDash);
        std::vector<TRect> strips;
        for (int k = 1 + pick(random) % 3; k > 0; --k) {
            const int left = pick(random) % 120, top = pick(random) % 90;
            strips.push_back(TRect{left, top, left + 1 + pick(random) % 30, top + 1 + pick(random) % 20});
        }
        const bool smooth = pick(random) % 2;
        const QPointF offset(pick(random) % 3 ? 0.0 : 0.5, pick(random) % 5 - 2);
        const QImage whole = LinesInStrips(lines, pen, smooth, offset, strips, false);
        const QImage cut = LinesInStrips(lines, pen, smooth, offset, strips, true);
        DeletePen(pen);
        bool same = true;
        for (int y = 0; y < whole.height() && same; ++y)
            for (int x = 0; x < whole.width() && same; ++x)
                same = whole.pixel(x, y) == cut.pixel(x, y);
        ASSERT_TRUE(same) << "case " << i;
        bool any = false;
        for (int y = 0; y < whole.height() && !any; ++y)
            for (int x = 0; x < whole.width() && !any; ++x)
                any = whole.pixel(x, y) != 0xFFFFFFFFu;
        inked += any ? 1 : 0;
    }
    EXPECT_GT(inked, 40);
}

namespace {

// One filled rectangle, line or rectangle outline, drawn through a graphics object or straight
// by the painter, on a patterned image under the same painter state.
struct TShapeCase
{
    enum TKind { Fill, Line, Outline } Kind = Fill;
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0; // a line's ends, or a rectangle's left, top, width, height
    float Width = 1;
    bool Dashed = false;
    ARGB Color = 0xFF000000u;
    bool Smooth = false;
    QPointF Offset;
    int Clip = 0; // none, a rectangle, two rectangles
    qreal Opacity = 1.0;
    QPainter::CompositionMode Mode = QPainter::CompositionMode_SourceOver;
};

QImage DrawShape(const TShapeCase& c, bool throughGraphics)
{
    QImage image(90, 70, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 2, y * 3, (x * y) % 256, 200 + (x + y) % 56));
    QPainter p(&image);
    p.translate(c.Offset);
    if (c.Clip == 1)
        p.setClipRect(QRectF(7.5, 5, 60, 40));
    else if (c.Clip == 2)
        p.setClipRegion(QRegion(3, 2, 30, 50) + QRegion(40, 20, 35, 30));
    p.setOpacity(c.Opacity);
    p.setCompositionMode(c.Mode);
    p.setRenderHint(QPainter::Antialiasing, c.Smooth);
    const QColor color = QColor::fromRgba(c.Color);
    if (!throughGraphics) {
        if (c.Kind != TShapeCase::Fill) {
            QPen pen(color, c.Width);
            pen.setCapStyle(Qt::FlatCap);
            pen.setJoinStyle(Qt::MiterJoin);
            if (c.Dashed)
                pen.setDashPattern({3, 1});
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            if (c.Kind == TShapeCase::Line)
                p.drawLine(QPointF(c.X1, c.Y1), QPointF(c.X2, c.Y2));
            else
                p.drawRect(QRectF(c.X1, c.Y1, c.X2, c.Y2));
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawRect(QRectF(c.X1, c.Y1, c.X2, c.Y2));
        }
        return image;
    }
    GpGraphics* g = nullptr;
    EXPECT_EQ(CreateFromHDC(&p, &g), Ok); // which starts from no transform
    SetSmoothingMode(g, c.Smooth ? SmoothingModeAntiAlias : SmoothingModeNone);
    TranslateWorldTransform(g, float(c.Offset.x()), float(c.Offset.y()), MatrixOrderPrepend);
    if (c.Kind != TShapeCase::Fill) {
        GpPen* pen = nullptr;
        EXPECT_EQ(CreatePen(c.Color, c.Width, UnitWorld, &pen), Ok);
        if (c.Dashed)
            SetPenDashStyle(pen, DashStyleDash);
        if (c.Kind == TShapeCase::Line)
            EXPECT_EQ(DrawLine(g, pen, c.X1, c.Y1, c.X2, c.Y2), Ok);
        else
            EXPECT_EQ(DrawRectangle(g, pen, c.X1, c.Y1, c.X2, c.Y2), Ok);
        DeletePen(pen);
    } else {
        GpBrush* brush = nullptr;
        EXPECT_EQ(CreateSolidFill(c.Color, &brush), Ok);
        EXPECT_EQ(FillRectangle(g, brush, c.X1, c.Y1, c.X2, c.Y2), Ok);
        DeleteBrush(brush);
    }
    DeleteGraphics(g);
    return image;
}

} // namespace

// Level and upright lines, rectangles and rectangle outlines on whole pixels are filled as
// rectangles; every pixel must be the one the painter gives, whatever the smoothing, clip,
// opacity, composition, pen width or the fraction of the places.
TEST(VectorGraphics, WholePixelLinesAndFillsGiveThePaintersPixels)
{
    std::mt19937 random(20261208u);
    std::uniform_int_distribution<int> pick(0, 1 << 20);
    const float fractions[] = {0.0f, 0.0f, 0.0f, 0.25f, 0.5f, 0.5f, 0.75f};
    const float widths[] = {0.0f, 1.0f, 1.0f, 2.0f, 3.0f, 0.5f};
    const QPainter::CompositionMode modes[] = {QPainter::CompositionMode_SourceOver, QPainter::CompositionMode_Source,
                                               QPainter::CompositionMode_Multiply};
    const QImage blank = DrawShape(TShapeCase{}, false);
    int inked = 0;
    for (int i = 0; i < 4500; ++i) {
        TShapeCase c;
        auto fraction = [&] { return fractions[pick(random) % 7]; };
        auto place = [&](int span) { return float(pick(random) % span - 10) + (pick(random) % 3 ? 0.0f : fraction()); };
        c.Kind = TShapeCase::TKind(pick(random) % 3);
        if (c.Kind == TShapeCase::Line) {
            const float across = float(pick(random) % 80 - 5) + fraction();
            float from = place(100), to = place(100);
            if (pick(random) % 10 == 0)
                to = from;
            if (pick(random) % 2)
                c.X1 = c.X2 = across, c.Y1 = from, c.Y2 = to;
            else
                c.Y1 = c.Y2 = across, c.X1 = from, c.X2 = to;
            c.Width = widths[pick(random) % 6];
            c.Dashed = pick(random) % 8 == 0;
        } else {
            c.X1 = place(80);
            c.Y1 = place(60);
            c.X2 = float(pick(random) % 70 - 3) + (pick(random) % 4 ? 0.0f : fraction());
            c.Y2 = float(pick(random) % 50 - 3) + (pick(random) % 4 ? 0.0f : fraction());
            c.Width = widths[pick(random) % 6];
            c.Dashed = c.Kind == TShapeCase::Outline && pick(random) % 8 == 0;
        }
        c.Color = pick(random) % 3 ? 0xFF1F3F7Fu : 0x80C04010u;
        c.Smooth = pick(random) % 2;
        c.Offset = QPointF(pick(random) % 7 - 3 + (pick(random) % 5 ? 0.0 : 0.5), pick(random) % 7 - 3);
        c.Clip = pick(random) % 3;
        c.Opacity = pick(random) % 4 ? 1.0 : 0.6;
        c.Mode = modes[pick(random) % 5 < 3 ? 0 : pick(random) % 3];
        const QImage expected = DrawShape(c, false);
        const QImage drawn = DrawShape(c, true);
        int x = 0, y = 0;
        bool same = true;
        for (y = 0; y < drawn.height() && same; ++y)
            for (x = 0; x < drawn.width() && same; ++x)
                same = drawn.pixel(x, y) == expected.pixel(x, y);
        ASSERT_TRUE(same) << "case " << i << " kind " << int(c.Kind) << " " << c.X1 << "," << c.Y1 << " "
                          << c.X2 << "," << c.Y2 << " width " << c.Width << " smooth " << c.Smooth << " offset "
                          << c.Offset.x() << "," << c.Offset.y() << " clip " << c.Clip << " opacity " << c.Opacity
                          << " mode " << int(c.Mode) << " at " << x - 1 << "," << y - 1 << std::hex << ": "
                          << drawn.pixel(x - 1, y - 1) << " for " << expected.pixel(x - 1, y - 1);
        inked += drawn != blank ? 1 : 0;
    }
    EXPECT_GT(inked, 2200);
}
