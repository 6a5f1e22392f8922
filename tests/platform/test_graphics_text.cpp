// Text drawing: lines of text drawn from prepared layouts give the same pixels as the
// painter's general text layout, for every alignment, clip and font change.
#include "PaintRegionSupport.h"
#include "platform/graphics/VectorGraphics.h"

#include <QtCore/QFile>
#include <QtGui/QFontDatabase>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace kv;
using namespace kv::gfx;

namespace {

constexpr int W = 160;
constexpr int H = 48;

// A font made through the graphics interface, freed at scope end.
struct TTestFont
{
    GpFontFamily* Family = nullptr;
    GpFont* Font = nullptr;
    TTestFont(const QString& family, float size, int style)
    {
        EXPECT_EQ(CreateFontFamilyFromName(family, &Family), Ok);
        EXPECT_EQ(CreateFont(Family, size, style, UnitPoint, &Font), Ok);
    }
    ~TTestFont()
    {
        DeleteFont(Font);
        DeleteFontFamily(Family);
    }
    QFont Q() const
    {
        QFont q;
        GetFontQFont(Font, q);
        return q;
    }
};

struct TCase
{
    QString Text;
    TRectF Layout;                   // left, top, right, bottom
    TGPStringAlignment Align = StringAlignmentNear;
    TGPStringAlignment LineAlign = StringAlignmentNear;
    QPointF Offset;                  // world translation before drawing
    bool Formatted = true;           // false: no format (the point form)
    int Flags = StringFormatFlagsNoWrap;
};

// What the painter's own text layout draws for the case.
QImage Reference(const TCase& c, const QFont& font, ARGB color)
{
    QImage image(W, H, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(c.Offset);
    p.setFont(font);
    p.setPen(QPen(QBrush(QColor::fromRgba(color)), 0));
    const QRectF r(c.Layout.Left, c.Layout.Top, std::max(0.0f, c.Layout.Width()), std::max(0.0f, c.Layout.Height()));
    int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;
    if (c.Formatted) {
        flags = (c.Align == StringAlignmentCenter ? Qt::AlignHCenter : c.Align == StringAlignmentFar ? Qt::AlignRight : Qt::AlignLeft)
                | (c.LineAlign == StringAlignmentCenter ? Qt::AlignVCenter
                   : c.LineAlign == StringAlignmentFar  ? Qt::AlignBottom
                                                        : Qt::AlignTop);
        if (!(c.Flags & StringFormatFlagsNoWrap))
            flags |= Qt::TextWordWrap;
        if (c.Flags & StringFormatFlagsNoClip)
            flags |= Qt::TextDontClip;
    }
    if (r.width() <= 0 || r.height() <= 0)
        flags |= Qt::TextDontClip;
    if (r.width() <= 0)
        flags &= ~Qt::TextWordWrap;
    p.drawText(r, flags, c.Text);
    return image;
}

// What DrawString draws for the case on one graphics object (drawn twice when asked, to go
// through the cached layout).
QImage Drawn(const TCase& c, GpFont* font, ARGB color, int times = 1)
{
    QImage image(W, H, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < times; ++i) {
        image.fill(Qt::white);
        QPainter painter(&image);
        GpGraphics* g = nullptr;
        EXPECT_EQ(CreateFromHDC(&painter, &g), Ok);
        SetSmoothingMode(g, SmoothingModeAntiAlias);
        TranslateWorldTransform(g, float(c.Offset.x()), float(c.Offset.y()), MatrixOrderPrepend);
        GpBrush* brush = nullptr;
        CreateSolidFill(color, &brush);
        GpStringFormat* format = nullptr;
        if (c.Formatted) {
            CreateStringFormat(c.Flags, 0, &format);
            SetStringFormatAlign(format, c.Align);
            SetStringFormatLineAlign(format, c.LineAlign);
        }
        EXPECT_EQ(DrawString(g, c.Text, font, c.Layout, format, brush), Ok);
        if (format)
            DeleteStringFormat(format);
        DeleteBrush(brush);
        DeleteGraphics(g);
    }
    return image;
}

// The first differing pixel, for the failure message; empty when the images are equal.
std::string Difference(const QImage& a, const QImage& b)
{
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return "first difference at " + std::to_string(x) + "," + std::to_string(y);
    return {};
}

bool Inked(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != 0xFFFFFFFFu)
                return true;
    return false;
}

std::string Describe(const TCase& c)
{
    return c.Text.toStdString() + " in " + std::to_string(c.Layout.Left) + "," + std::to_string(c.Layout.Top) + ","
           + std::to_string(c.Layout.Right) + "," + std::to_string(c.Layout.Bottom) + " align "
           + std::to_string(c.Align) + "/" + std::to_string(c.LineAlign) + " offset "
           + std::to_string(c.Offset.x()) + "," + std::to_string(c.Offset.y());
}

} // namespace

TEST(TextDrawing, PreparedLinesDrawWhatTheGeneralLayoutDraws)
{
    TTestFont sans(QStringLiteral("DejaVu Sans"), 9, FontStyleRegular);
    TTestFont bold(QStringLiteral("DejaVu Sans"), 11.5f, FontStyleBold | FontStyleItalic);
    TTestFont lined(QStringLiteral("DejaVu Serif"), 10, FontStyleUnderline | FontStyleStrikeout);
    const std::vector<QString> texts{QStringLiteral("Cell 12.7"), QStringLiteral("WWW iii fi office"),
                                     QStringLiteral("  padded  "), QStringLiteral("Grid 한국어 text"),
                                     QStringLiteral("abc \u05D0\u05D1\u05D2 def"), QStringLiteral("e\u0301 \u00E9 Hg")};
    const std::vector<TRectF> layouts{TRectF(4, 0, 124, 21.6f), TRectF(3.3f, 2.7f, 90.6f, 30.1f),
                                      TRectF(0, 0, 40, 12), TRectF(10.5f, 5.25f, 150, 45.75f)};
    const std::vector<QPointF> offsets{{0, 0}, {0.4, 21.6}, {128, 1058.4 - 1040}};
    const TGPStringAlignment aligns[] = {StringAlignmentNear, StringAlignmentCenter, StringAlignmentFar};

    const TTextCacheInfo before = GetTextCacheInfo();
    int compared = 0;
    for (TTestFont* font : {&sans, &bold, &lined})
        for (const QString& text : texts)
            for (const TRectF& layout : layouts)
                for (TGPStringAlignment h : aligns)
                    for (TGPStringAlignment v : aligns)
                        for (const QPointF& offset : offsets) {
                            TCase c{text, layout, h, v, offset};
                            const QImage expected = Reference(c, font->Q(), 0xFF102030u);
                            const QImage drawn = Drawn(c, font->Font, 0xFF102030u, 2);
                            ASSERT_EQ(Difference(drawn, expected), "") << Describe(c);
                            ++compared;
                        }
    EXPECT_EQ(compared, 3 * 6 * 4 * 9 * 3);
    // The lines were drawn from prepared layouts (the second draw of each case found its
    // first), except in the underlined and struck-out font.
    const TTextCacheInfo after = GetTextCacheInfo();
    EXPECT_GE(after.Hits - before.Hits, std::uint64_t(compared * 2 / 3));
    EXPECT_GT(after.Entries, 0);
}

TEST(TextDrawing, PreparedLinesMatchAtAnyFractionalPlace)
{
    // Fractions of a pixel decide where glyphs land; a fixed seed keeps the run repeatable.
    TTestFont sans(QStringLiteral("DejaVu Sans"), 9, FontStyleRegular);
    TTestFont large(QStringLiteral("DejaVu Sans"), 40, FontStyleBold); // beyond the glyph cache's size
    const std::vector<QString> texts{QStringLiteral("Cell 3.14"), QStringLiteral("Wide WWWWWWWWWWWWWWWWWWW"),
                                     QStringLiteral("x"), QStringLiteral("Grid 한국어")};
    std::mt19937 random(20240611u);
    std::uniform_real_distribution<float> position(-2.0f, 60.0f);
    std::uniform_real_distribution<float> extent(0.0f, 120.0f);
    std::uniform_real_distribution<double> offset(-1.0, 40.0);
    std::uniform_int_distribution<int> pick(0, 1000);
    for (int i = 0; i < 400; ++i) {
        TCase c;
        c.Text = texts[size_t(pick(random)) % texts.size()];
        const float x = position(random), y = position(random) / 2;
        c.Layout = TRectF(x, y, x + extent(random), y + extent(random) / 3);
        c.Align = TGPStringAlignment(pick(random) % 3);
        c.LineAlign = TGPStringAlignment(pick(random) % 3);
        c.Offset = QPointF(offset(random), offset(random) / 4);
        c.Formatted = pick(random) % 8 != 0;
        TTestFont& font = i % 10 == 9 ? large : sans;
        const QImage expected = Reference(c, font.Q(), 0xFF000000u);
        ASSERT_EQ(Difference(Drawn(c, font.Font, 0xFF000000u, 2), expected), "") << Describe(c) << " case " << i;
    }
}

TEST(TextDrawing, ClippingOnlyWhereTheTextDoesNotFit)
{
    TTestFont font(QStringLiteral("DejaVu Sans"), 12, FontStyleRegular);
    const QString wide = QStringLiteral("WWWWWWWWWWWWWWWWWWWW");
    for (TGPStringAlignment h : {StringAlignmentNear, StringAlignmentCenter, StringAlignmentFar}) {
        // Wider than its rectangle: clipped to it, on both sides when centred or far.
        TCase c{wide, TRectF(40, 10, 100, 38), h, StringAlignmentCenter, {0.5, 0}};
        const QImage drawn = Drawn(c, font.Font, 0xFF000000u);
        ASSERT_EQ(Difference(drawn, Reference(c, font.Q(), 0xFF000000u)), "") << Describe(c);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                const bool inside = x >= 40 && x <= 100 && y >= 10 && y <= 38;
                if (!inside) {
                    ASSERT_EQ(drawn.pixel(x, y), 0xFFFFFFFFu) << x << "," << y << " align " << h;
                }
            }
        }
        EXPECT_TRUE(Inked(drawn));
        // Without clipping (the no-clip flag) the same text runs past the rectangle.
        c.Flags |= StringFormatFlagsNoClip;
        const QImage free = Drawn(c, font.Font, 0xFF000000u);
        ASSERT_EQ(Difference(free, Reference(c, font.Q(), 0xFF000000u)), "") << Describe(c);
        EXPECT_NE(Difference(free, drawn), "");
    }
    // Taller than its rectangle: clipped at the top and bottom.
    TCase low{QStringLiteral("Hgjy"), TRectF(10, 20, 150, 24), StringAlignmentNear, StringAlignmentCenter, {}};
    const QImage drawn = Drawn(low, font.Font, 0xFF000000u);
    ASSERT_EQ(Difference(drawn, Reference(low, font.Q(), 0xFF000000u)), "");
    for (int x = 0; x < W; ++x) {
        EXPECT_EQ(drawn.pixel(x, 19), 0xFFFFFFFFu) << x;
        EXPECT_EQ(drawn.pixel(x, 24), 0xFFFFFFFFu) << x;
    }
    EXPECT_TRUE(Inked(drawn));
    // Text without a clip of its own (the point form) keeps to the painter's clip and leaves it.
    QImage image(W, H, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setClipRect(QRect(0, 0, 100, 40));
    GpGraphics* g = nullptr;
    ASSERT_EQ(CreateFromHDC(&painter, &g), Ok);
    GpBrush* black = nullptr;
    CreateSolidFill(0xFF000000u, &black);
    ASSERT_EQ(DrawString(g, wide, font.Font, TRectF(0, 0, 160, 40), nullptr, black), Ok);
    TRectF clip;
    GetClipBounds(g, clip);
    EXPECT_EQ(clip.Right, 100);
    DeleteBrush(black);
    DeleteGraphics(g);
    painter.end();
    for (int y = 0; y < H; ++y)
        EXPECT_EQ(image.pixel(120, y), 0xFFFFFFFFu) << y;
}

TEST(TextDrawing, TheGeneralLayoutStillServesWhatALineCannot)
{
    TTestFont font(QStringLiteral("DejaVu Sans"), 9, FontStyleRegular);
    const TTextCacheInfo before = GetTextCacheInfo();
    std::vector<TCase> cases{
        // Line breaks, tabs, wrapping, a right-to-left paragraph, a negative device origin, the point form.
        {QStringLiteral("two\nlines"), TRectF(2, 2, 150, 46), StringAlignmentCenter, StringAlignmentCenter, {}},
        {QStringLiteral("tab\there\rand"), TRectF(2, 2, 150, 46), StringAlignmentFar, StringAlignmentNear, {}},
        {QStringLiteral("a long line that wraps at words"), TRectF(2, 2, 80, 46), StringAlignmentNear,
         StringAlignmentNear, {}, true, 0},
        {QStringLiteral("\u05E9\u05DC\u05D5\u05DD abc"), TRectF(2, 2, 150, 46), StringAlignmentNear,
         StringAlignmentCenter, {}},
        {QStringLiteral("offscreen start"), TRectF(-30.3f, -4.6f, 100, 20), StringAlignmentNear, StringAlignmentNear,
         {0, 0}},
        {QStringLiteral("point form"), TRectF(12.3f, 7.7f, 12.3f, 7.7f), StringAlignmentNear, StringAlignmentNear, {},
         false},
    };
    for (const TCase& c : cases) {
        const QImage drawn = Drawn(c, font.Font, 0xFF000000u, 2);
        EXPECT_TRUE(Inked(drawn)) << Describe(c);
        EXPECT_EQ(Difference(drawn, Reference(c, font.Q(), 0xFF000000u)), "") << Describe(c);
    }
    // Breaks, tabs, wrapping and right-to-left paragraphs never reach the prepared layouts; the
    // line starting off the device and the point form are prepared on their second draw (and
    // only the point form is drawn from its layout).
    const TTextCacheInfo after = GetTextCacheInfo();
    EXPECT_EQ(after.Hits - before.Hits, 1u);
    EXPECT_EQ(after.Misses - before.Misses, 2u);

    // A text drawn once is not laid out for the cache: a page of new texts costs what drawText
    // costs. Its second draw prepares it, the third finds it.
    const TCase fresh{QStringLiteral("drawn once, then again"), TRectF(2, 2, 150, 46), StringAlignmentNear,
                      StringAlignmentCenter, {}};
    const QImage reference = Reference(fresh, font.Q(), 0xFF000000u);
    for (std::uint64_t draw = 1; draw <= 3; ++draw) {
        const TTextCacheInfo was = GetTextCacheInfo();
        EXPECT_EQ(Difference(Drawn(fresh, font.Font, 0xFF000000u), reference), "") << draw;
        const TTextCacheInfo is = GetTextCacheInfo();
        EXPECT_EQ(is.Misses - was.Misses, draw == 2 ? 1u : 0u) << draw;
        EXPECT_EQ(is.Hits - was.Hits, draw >= 2 ? 1u : 0u) << draw;
    }
}

TEST(TextDrawing, TheSameTextAfterItsFontChangedIsLaidOutAgain)
{
    const QString text = QStringLiteral("Same text");
    const TCase c{text, TRectF(4, 0, 156, 48), StringAlignmentNear, StringAlignmentCenter, {}};
    QImage small;
    {
        TTestFont font(QStringLiteral("DejaVu Sans"), 8, FontStyleRegular);
        small = Drawn(c, font.Font, 0xFF000000u, 2);
        ASSERT_EQ(Difference(small, Reference(c, font.Q(), 0xFF000000u)), "");
    }
    // A new font, likely at the freed font's address, with the same text.
    TTestFont large(QStringLiteral("DejaVu Sans"), 16, FontStyleBold);
    const QImage big = Drawn(c, large.Font, 0xFF000000u, 2);
    ASSERT_EQ(Difference(big, Reference(c, large.Q(), 0xFF000000u)), "");
    EXPECT_NE(Difference(big, small), "");
    // Changing the brush colour between draws of the same prepared line changes the ink.
    const QImage red = Drawn(c, large.Font, 0xFFFF0000u);
    ASSERT_EQ(Difference(red, Reference(c, large.Q(), 0xFFFF0000u)), "");
    bool reddish = false;
    for (int y = 0; y < H && !reddish; ++y)
        for (int x = 0; x < W && !reddish; ++x)
            reddish = qRed(red.pixel(x, y)) > 200 && qGreen(red.pixel(x, y)) < 60;
    EXPECT_TRUE(reddish);
    // One graphics object, two fonts, one text: each draw uses its own font.
    QImage image(W, H, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        GpGraphics* g = nullptr;
        ASSERT_EQ(CreateFromHDC(&painter, &g), Ok);
        SetSmoothingMode(g, SmoothingModeAntiAlias);
        TTestFont other(QStringLiteral("DejaVu Sans"), 8, FontStyleRegular);
        GpBrush* black = nullptr;
        CreateSolidFill(0xFF000000u, &black);
        GpStringFormat* format = nullptr;
        CreateStringFormat(StringFormatFlagsNoWrap, 0, &format);
        SetStringFormatLineAlign(format, StringAlignmentCenter);
        DrawString(g, text, other.Font, c.Layout, format, black);
        image.fill(Qt::white);
        DrawString(g, text, large.Font, c.Layout, format, black);
        DeleteStringFormat(format);
        DeleteBrush(black);
        DeleteGraphics(g);
    }
    EXPECT_EQ(Difference(image, big), "");

    // Fonts added to the application may change what a family resolves to: the prepared
    // lines are dropped, and drawing lays them out again.
    const QString file = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    if (QFile::exists(file)) {
        ASSERT_GT(GetTextCacheInfo().Entries, 0);
        const int id = QFontDatabase::addApplicationFont(file);
        EXPECT_EQ(GetTextCacheInfo().Entries, 0);
        const std::uint64_t misses = GetTextCacheInfo().Misses;
        EXPECT_EQ(Difference(Drawn(c, large.Font, 0xFF000000u, 2), Reference(c, large.Q(), 0xFF000000u)), "");
        EXPECT_EQ(GetTextCacheInfo().Misses, misses + 1);
        if (id >= 0)
            QFontDatabase::removeApplicationFont(id);
    }
}

namespace {

// DrawString for the case, twice on one image (the second draw from the prepared layout),
// through a painter clipped to strips; told the strips as the paint region or not.
QImage DrawnInStrips(const TCase& c, GpFont* font, const std::vector<TRect>& strips, bool told)
{
    QImage image(W, H, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    for (int i = 0; i < 2; ++i) {
        QPainter painter(&image);
        GpGraphics* g = GraphicsInStrips(painter, strips, told);
        SetSmoothingMode(g, SmoothingModeAntiAlias);
        TranslateWorldTransform(g, float(c.Offset.x()), float(c.Offset.y()), MatrixOrderPrepend);
        GpBrush* brush = nullptr;
        CreateSolidFill(0xFF000000u, &brush);
        GpStringFormat* format = nullptr;
        CreateStringFormat(c.Flags, 0, &format);
        SetStringFormatAlign(format, c.Align);
        SetStringFormatLineAlign(format, c.LineAlign);
        EXPECT_EQ(DrawString(g, c.Text, font, c.Layout, format, brush), Ok);
        DeleteStringFormat(format);
        DeleteBrush(brush);
        DeleteGraphics(g);
    }
    return image;
}

} // namespace

TEST(TextDrawing, TextOutsideThePaintRegionIsLeftOutWithoutLosingAPixel)
{
    // Overhanging italics, accents above capitals, descenders, and a size past the glyph cache.
    TTestFont italic(QStringLiteral("DejaVu Serif"), 13, FontStyleItalic | FontStyleBold);
    TTestFont sans(QStringLiteral("DejaVu Sans"), 9, FontStyleRegular);
    TTestFont large(QStringLiteral("DejaVu Sans"), 30, FontStyleRegular);
    const std::vector<QString> texts{QStringLiteral("ffj fly"), QStringLiteral("\u00C5\u00C9\u00D1 \u0174"),
                                     QStringLiteral("gjpqy|"), QStringLiteral("W")};
    std::mt19937 random(20261207u);
    std::uniform_real_distribution<float> place(-4.0f, 30.0f);
    std::uniform_int_distribution<int> pick(0, 1000);
    int compared = 0, inked = 0;
    for (int i = 0; i < 300; ++i) {
        TTestFont& font = i % 3 == 0 ? italic : i % 3 == 1 ? sans : large;
        TCase c;
        c.Text = texts[size_t(pick(random)) % texts.size()];
        const float x = place(random), y = place(random) / 3;
        c.Layout = TRectF(x, y, x + 120, y + 30);
        c.Align = TGPStringAlignment(pick(random) % 3);
        c.LineAlign = TGPStringAlignment(pick(random) % 3);
        c.Offset = QPointF(place(random) / 8, place(random) / 8);
        // Thin strips all over the image: each case meets the glyphs, their edges or nothing.
        std::vector<TRect> strips;
        const int n = 1 + pick(random) % 3;
        for (int k = 0; k < n; ++k) {
            const int left = pick(random) % W, top = pick(random) % H;
            strips.push_back(pick(random) % 2 ? TRect{left, top, left + 1 + pick(random) % 3, H}
                                              : TRect{0, top, W, top + 1 + pick(random) % 3});
        }
        const QImage whole = DrawnInStrips(c, font.Font, strips, false);
        ASSERT_EQ(Difference(DrawnInStrips(c, font.Font, strips, true), whole), "") << Describe(c) << " case " << i;
        ++compared;
        inked += Inked(whole) ? 1 : 0;
    }
    EXPECT_EQ(compared, 300);
    // The strips met ink in some cases and missed it in others.
    EXPECT_GT(inked, 30);
    EXPECT_LT(inked, 290);
}
