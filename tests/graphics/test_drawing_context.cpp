// The drawing context, checked by pixel probes on rendered images.
#include "graphics/KvGrids.Common.Drawing.h"
#include "platform/graphics/DeviceContext.h"
#include "platform/rtl/Trace.h"

#include "TestSupport.h"

#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtGui/QFontMetricsF>
#include <QtGui/QImage>
#include <QtGui/QPainter>

using namespace kv;

namespace {

constexpr QRgb White = 0xFFFFFFFFu;
constexpr QRgb Black = 0xFF000000u;

// A white memory bitmap with a drawing context over it; smoothing off for exact probes.
struct TPaint
{
    TBitmap Bitmap;
    std::unique_ptr<TKvDrawingContext> Context;
    explicit TPaint(int w = 100, int h = 100, bool smooth = false) : Bitmap(w, h)
    {
        Context = std::make_unique<TKvDrawingContext>(Bitmap.GetCanvas());
        Context->SetSmoothing(smooth);
    }
    TKvDrawingContext* operator->() { return Context.get(); }
    QRgb Pixel(int x, int y) const { return Bitmap.GetImage().pixel(x, y); }
    const QImage& Image() const { return Bitmap.GetImage(); }
    // True when some pixel of the rectangle is not white.
    bool Painted(const QRect& r) const
    {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (Image().valid(x, y) && Image().pixel(x, y) != White)
                    return true;
        return false;
    }
    // Bounds of the non-white pixels.
    QRect Ink() const
    {
        QRect r;
        for (int y = 0; y < Image().height(); ++y)
            for (int x = 0; x < Image().width(); ++x)
                if (Image().pixel(x, y) != White)
                    r |= QRect(x, y, 1, 1);
        return r;
    }
};

struct TThemes
{
    bool Saved = dc::UseThemes();
    explicit TThemes(bool on) { dc::SetUseThemes(on); }
    ~TThemes() { dc::SetUseThemes(Saved); }
};

QFont QFontOf(TKvFont* font)
{
    QFont q;
    gfx::GetFontQFont(font->Font(), q);
    return q;
}

} // namespace

TEST(DrawingContext, CreationNeedsAnActiveCanvas)
{
    KV_EXPECT_THROW_MSG(TKvDrawingContext(nullptr), EGdipError,
                        "(KvGraphics Error: 2) One of the arguments passed to the method was not valid");
    QPainter idle;
    TCanvas canvas(&idle);
    KV_EXPECT_THROW_MSG(TKvDrawingContext context(&canvas), EGdipError,
                        "(KvGraphics Error: 8) The object is in an invalid state");
    TPaint p;
    EXPECT_FALSE(p->GetSmoothing());
    p->SetSmoothing(true);
    EXPECT_TRUE(p->GetSmoothing());
    EXPECT_EQ(p->GetCanvas(), p.Bitmap.GetCanvas());
    EXPECT_EQ(p->GetDC(), p.Bitmap.GetCanvas()->GetHandle());
    TBitmap fresh(10, 10);
    EXPECT_TRUE(TKvDrawingContext(fresh.GetCanvas()).GetSmoothing()); // on from the start
}

TEST(DrawingContext, RectanglesAndEllipsesFillThenStroke)
{
    TPaint p;
    p->DrawRect(nullptr, nullptr, 0, 0, 100, 100);
    EXPECT_FALSE(p.Painted(QRect(0, 0, 100, 100)));
    p->DrawRect(TKvFill::Yellow(), TKvStroke::Blue(), TRect{10, 10, 30, 30});
    EXPECT_EQ(p.Pixel(20, 20), 0xFFFFFF00u);
    EXPECT_EQ(p.Pixel(10, 20), 0xFF0000FFu); // the outline covers the fill's edge
    EXPECT_EQ(p.Pixel(8, 20), White);
    p->DrawRect(TKvFill::Black(), nullptr, 40.0, 10.0, 20.0, 20.0);
    EXPECT_EQ(p.Pixel(40, 10), Black);
    EXPECT_EQ(p.Pixel(59, 29), Black);
    EXPECT_EQ(p.Pixel(60, 30), White);
    p->DrawEllipse(TKvFill::Black(), nullptr, 10, 50, 40, 40);
    EXPECT_EQ(p.Pixel(30, 70), Black);
    EXPECT_EQ(p.Pixel(11, 51), White); // the corner of the bounds stays clear
    p->DrawEllipse(nullptr, TKvStroke::Blue(), TRectF(60, 50, 100, 90));
    EXPECT_EQ(p.Pixel(80, 70), White);
    EXPECT_TRUE(p.Painted(QRect(79, 49, 3, 3)));
}

TEST(DrawingContext, RoundedRectanglesKeepTheirRightArcsInside)
{
    TPaint p;
    // Corners 8 by 8: the right arcs start at x + w - cw - 1 = 41 and end at 49.
    p->DrawRoundedRect(TKvFill::Black(), nullptr, 10, 10, 40, 40, 8, 8);
    EXPECT_EQ(p.Pixel(48, 30), Black);
    EXPECT_EQ(p.Pixel(49, 30), White);
    EXPECT_EQ(p.Pixel(30, 48), Black);
    EXPECT_EQ(p.Pixel(30, 49), White);
    EXPECT_EQ(p.Pixel(10, 30), Black);
    EXPECT_EQ(p.Pixel(10, 10), White); // rounded corner
    EXPECT_EQ(p.Pixel(48, 48), White);
    EXPECT_EQ(p.Pixel(46, 46), Black);
    // Width 10, corner width 4: the right arcs sit at x + 5.
    TPaint q;
    q->DrawRoundedRect(nullptr, TKvStroke::Black(), TRect{0, 0, 10, 10}, 4, 4);
    EXPECT_FALSE(q.Painted(QRect(10, 0, 5, 10)));
    EXPECT_TRUE(q.Painted(QRect(8, 3, 2, 4)));
    // Square corners: the figure is the rectangle one pixel in from the right and bottom.
    q->DrawRoundedRect(TKvFill::Black(), nullptr, TRectF(20, 20, 40, 40), 0.0, 0.0);
    EXPECT_EQ(q.Pixel(20, 20), Black);
    EXPECT_EQ(q.Pixel(38, 38), Black);
    EXPECT_EQ(q.Pixel(39, 30), White);
}

TEST(DrawingContext, GradientsAreRebuiltOverEachShape)
{
    TPaint p(200, 60);
    auto fill = TKvFill::CreateLinear(0xFF000000u, 0xFFFFFFFFu, 0);
    p->DrawRect(fill.get(), nullptr, TRect{0, 0, 50, 20});
    p->DrawRect(fill.get(), nullptr, 120.0, 0.0, 80.0, 20.0);
    for (int left : {0, 120}) {
        const int right = left == 0 ? 49 : 199;
        EXPECT_LT(qRed(p.Pixel(left, 10)), 20) << left;
        EXPECT_GT(qRed(p.Pixel(right, 10)), 230) << left;
    }
    // Vertical gradient over a polygon's bounding box.
    auto vertical = TKvFill::CreateLinear(0xFFFF0000u, 0xFF0000FFu, 90);
    p->DrawPolygon(vertical.get(), nullptr, std::vector<TPointF>{{60, 25}, {110, 25}, {110, 59}, {60, 59}});
    EXPECT_GT(qRed(p.Pixel(85, 26)), 220);
    EXPECT_GT(qBlue(p.Pixel(85, 58)), 220);
    // A zero-width shape still gets a gradient one pixel wide.
    EXPECT_NO_THROW(p->DrawRect(fill.get(), nullptr, TRect{5, 30, 5, 40}));
    EXPECT_NO_THROW(p->DrawEllipse(fill.get(), nullptr, 5.0, 30.0, 0.0, 0.0));
    EXPECT_NO_THROW(fill->Recreate(0, 0, 0, -5));
    // The scratch gradient is rebuilt when drawn.
    p->DrawRect(TKvLinearGradientBrush::Temp(0xFF00FF00u, 0xFF00FF00u, 0), nullptr, TRect{0, 40, 20, 60});
    EXPECT_EQ(p.Pixel(10, 50), 0xFF00FF00u);
}

TEST(DrawingContext, GradientTextRunsAcrossItsOwnBox)
{
    TKvFont* font = TKvFont::Default11();
    const QString text = QStringLiteral("MMMMMMMMMMMM");
    const TSizeF size = TKvDrawingContext::MeasureText(text, font);
    // Every ink pixel of red text on white keeps a full red channel and equal green and blue.
    auto allRed = [](const TPaint& p) {
        int ink = 0;
        for (int y = 0; y < p.Image().height(); ++y)
            for (int x = 0; x < p.Image().width(); ++x) {
                const QRgb c = p.Pixel(x, y);
                if (c == White)
                    continue;
                ++ink;
                if (qRed(c) != 255 || qGreen(c) != qBlue(c))
                    return false;
            }
        return ink > 0;
    };
    // The scratch gradient takes its new colours for text too, in both forms.
    for (bool point : {false, true}) {
        TPaint p(200, 60, true);
        p->DrawRect(TKvLinearGradientBrush::Temp(0xFF00FF00u, 0xFF00FF00u, 0), nullptr, TRect{0, 0, 1, 1});
        p->DrawRect(TKvFill::White(), nullptr, TRect{-1, -1, 201, 61});
        TKvFill* red = TKvLinearGradientBrush::Temp(0xFFFF0000u, 0xFFFF0000u, 0);
        if (point)
            p->DrawText(text, font, red, 10.0, 10.0);
        else
            p->DrawText(text, font, red, TRectF(10, 10, 190, 50), AlignNear, AlignNear);
        EXPECT_TRUE(allRed(p)) << point;
    }
    // A red-to-blue gradient over the text's box: red at its left end, blue at its right end.
    auto gradient = TKvFill::CreateLinear(0xFFFF0000u, 0xFF0000FFu, 0);
    for (bool point : {false, true}) {
        TPaint p(200, 60, true);
        p->DrawRect(gradient.get(), nullptr, TRect{150, 0, 160, 5}); // built over another shape first
        p->DrawRect(TKvFill::White(), nullptr, TRect{-1, -1, 201, 61});
        if (point)
            p->DrawText(text, font, gradient.get(), 10.0, 10.0);
        else
            p->DrawText(text, font, gradient.get(), TRectF(10, 10, 10 + size.cx, 10 + size.cy), AlignNear, AlignNear);
        const QRect ink = p.Ink();
        ASSERT_FALSE(ink.isEmpty());
        auto redMinusBlue = [&](int x0, int x1) {
            int sum = 0;
            for (int y = ink.top(); y <= ink.bottom(); ++y)
                for (int x = x0; x <= x1; ++x)
                    if (p.Pixel(x, y) != White)
                        sum += qRed(p.Pixel(x, y)) - qBlue(p.Pixel(x, y));
            return sum;
        };
        EXPECT_GT(redMinusBlue(ink.left(), ink.left() + 4), 0) << point;
        EXPECT_LT(redMinusBlue(ink.right() - 4, ink.right()), 0) << point;
    }
}

TEST(DrawingContext, StrokesDrawTheirWidthAndDash)
{
    // The scratch pen, reset for every line: its dash shows as the share of a line that is
    // inked (dash 3 on 1 off, dot 1 on 1 off, ...), its width as the rows across a line.
    struct Case
    {
        TKvDashStyle Dash;
        double Inked;
    };
    const Case cases[] = {{DashStyleSolid, 1.0}, {DashStyleDash, 3.0 / 4}, {DashStyleDot, 1.0 / 2},
                          {DashStyleDashDot, 4.0 / 6}, {DashStyleDashDotDot, 5.0 / 8}, {DashStyleSolid, 1.0}};
    TPaint p(100, 100);
    for (int i = 0; i < 6; ++i) {
        const int y = 5 + 5 * i;
        p->DrawLine(TKvSolidPen::Temp(0xFF000000u, 1, cases[i].Dash), 10, y, 90, y);
        int inked = 0;
        for (int x = 10; x < 90; ++x)
            inked += p.Pixel(x, y) == Black;
        EXPECT_NEAR(inked / 80.0, cases[i].Inked, 0.05) << i;
        EXPECT_EQ(p.Pixel(50, y - 2), White);
    }
    for (int width : {1, 3, 5}) {
        const int x = 10 + 15 * width;
        p->DrawLine(TKvSolidPen::Temp(0xFF000000u, float(width), DashStyleSolid), x, 50, x, 90);
        int inked = 0;
        for (int dx = -4; dx <= 4; ++dx)
            inked += p.Pixel(x + dx, 70) == Black;
        EXPECT_EQ(inked, width);
    }
}

TEST(DrawingContext, OutlinesLieCentredOnTheEdgesAndFractionsRound)
{
    // A 1-wide outline of 10..20 covers columns 10 and 20: the fill's first and one past its last.
    TPaint p;
    p->DrawRect(TKvFill::Black(), TKvStroke::Blue(), TRect{10, 10, 20, 20});
    EXPECT_EQ(p.Ink(), QRect(10, 10, 11, 11));
    EXPECT_EQ(p.Pixel(20, 15), 0xFF0000FFu);
    EXPECT_EQ(p.Pixel(19, 15), Black);
    EXPECT_EQ(p.Pixel(11, 11), Black);
    // Width 3 covers the three pixels from the edge - 1.
    TPaint q;
    q->DrawRect(nullptr, TKvSolidPen::Temp(0xFF000000u, 3, DashStyleSolid), TRect{30, 30, 40, 40});
    EXPECT_EQ(q.Ink(), QRect(29, 29, 13, 13));
    EXPECT_EQ(q.Pixel(31, 35), Black);
    EXPECT_EQ(q.Pixel(32, 35), White);
    EXPECT_EQ(q.Pixel(38, 35), White);
    EXPECT_EQ(q.Pixel(39, 35), Black);
    // A line has flat ends; fractional edges round to the nearest pixel edge.
    TPaint r;
    r->DrawLine(TKvStroke::Black(), 10, 5, 20, 5);
    EXPECT_EQ(r.Ink(), QRect(10, 5, 10, 1));
    TPaint f;
    f->DrawRect(TKvFill::Black(), nullptr, TRectF(2.3f, 2.6f, 8.7f, 8.2f));
    EXPECT_EQ(f.Ink(), QRect(2, 3, 7, 5));
}

TEST(DrawingContext, StateGuardRestoresOnEveryExit)
{
    TPaint p;
    const auto paintInside = [&](bool fail) {
        TKvDrawingState state(p.Context.get());
        p->Translate(50, 50);
        p->SetClip(0, 0, 10, 10);
        p->SetSmoothing(true);
        if (fail)
            throw std::runtime_error("drawing failed");
    };
    for (bool fail : {false, true}) {
        if (fail)
            EXPECT_THROW(paintInside(true), std::runtime_error);
        else
            paintInside(false);
        EXPECT_FALSE(p->GetSmoothing());
        p->DrawRect(TKvFill::Black(), nullptr, 0, 0, 5, 5);
        EXPECT_EQ(p.Pixel(2, 2), Black) << fail;
        EXPECT_EQ(p.Ink(), QRect(0, 0, 5, 5));
    }
}

TEST(DrawingContext, PolygonsLinesAndChecks)
{
    TPaint p;
    p->DrawPolygon(TKvFill::Black(), nullptr, std::vector<float>{10, 10, 40, 10, 10, 40, 99});
    EXPECT_EQ(p.Pixel(15, 15), Black);
    EXPECT_EQ(p.Pixel(35, 35), White);
    KV_EXPECT_THROW_MSG(p->DrawPolygon(TKvFill::Black(), nullptr, std::vector<TPointF>{}), EGdipError,
                        "(KvGraphics Error: 2) One of the arguments passed to the method was not valid");
    EXPECT_NO_THROW(p->DrawPolygon(nullptr, nullptr, std::vector<TPointF>{}));

    p->DrawLine(TKvStroke::Black(), 50, 5, 90, 5);
    EXPECT_EQ(p.Pixel(70, 5), Black);
    p->DrawLine(nullptr, 50, 8, 90, 8);
    EXPECT_EQ(p.Pixel(70, 8), White);
    p->DrawLine(TKvStroke::Black(), TPointF{50.5f, 20}, TPointF{50.5f, 40});
    EXPECT_EQ(p.Pixel(50, 30), Black);

    // A flat array of three numbers is one point: nothing is drawn.
    const QImage before = p.Image().copy();
    p->DrawLines(TKvStroke::Black(), std::vector<float>{60, 60, 90});
    p->DrawLines(TKvStroke::Black(), std::vector<int>{60, 60});
    EXPECT_EQ(p.Image(), before);
    KV_EXPECT_THROW_MSG(p->DrawLines(TKvStroke::Black(), std::vector<TPoint>{{1, 1}}), EGdipError,
                        "(KvGraphics Error: 2) One of the arguments passed to the method was not valid");
    p->DrawLines(TKvStroke::Black(), std::vector<int>{60, 70, 90, 70, 90, 90});
    EXPECT_EQ(p.Pixel(75, 70), Black);
    EXPECT_EQ(p.Pixel(90, 80), Black);

    TPaint c(80, 70);
    c->DrawCheck(TRectF(0, 0, 80, 70), TKvFill::Black(), nullptr);
    // The polygon's points scaled into the rectangle: (3.95, 7) is the bottom tip, (8, 1.2) the right.
    EXPECT_EQ(c.Pixel(39, 65), Black);
    EXPECT_EQ(c.Pixel(76, 13), Black);
    EXPECT_EQ(c.Pixel(5, 5), White);
    EXPECT_EQ(c.Pixel(40, 10), White);

    TPaint b(60, 60);
    b->DrawBoolean(TRectF(0, 0, 60, 60), false, TKvStroke::Black());
    EXPECT_FALSE(b.Painted(QRect(0, 0, 60, 60)));
    b->DrawBoolean(TRectF(0, 0, 60, 60), true, TKvStroke::Black());
    const QRect ink = b.Ink();
    const int side = dc::GetSystemMetrics(dc::SM_CXVSCROLL);
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), (60 - side) / 2);
    EXPECT_LE(ink.right(), (60 + side) / 2 + 1);
}

TEST(DrawingContext, TransformsSaveAndRestore)
{
    TPaint p;
    const auto state = p->Save();
    p->Translate(10, 20);
    p->DrawRect(TKvFill::Black(), nullptr, 0, 0, 5, 5);
    EXPECT_EQ(p.Pixel(12, 22), Black);
    EXPECT_EQ(p.Pixel(2, 2), White);
    p->Scale(2, 2);
    p->DrawRect(TKvFill::Blue(), nullptr, 10, 10, 5, 5); // device 30..40, 40..50
    EXPECT_EQ(p.Pixel(31, 41), 0xFF0000FFu);
    EXPECT_EQ(p.Pixel(39, 49), 0xFF0000FFu);
    EXPECT_EQ(p.Pixel(41, 51), White);
    p->Restore(state);
    p->DrawRect(TKvFill::Black(), nullptr, 0, 0, 5, 5);
    EXPECT_EQ(p.Pixel(2, 2), Black);

    // A quarter turn about (50, 50) carries a bar right of the centre to below it.
    TPaint r;
    r->Rotate(90, 50, 50);
    r->DrawRect(TKvFill::Black(), nullptr, 60, 48, 20, 4);
    EXPECT_EQ(r.Pixel(50, 70), Black);
    EXPECT_EQ(r.Pixel(70, 50), White);
}

TEST(DrawingContext, ClipsIntersectAndRestore)
{
    TPaint p;
    const auto outer = p->Save();
    p->SetClip(10, 10, 50, 50);
    const auto inner = p->Save();
    p->SetClip(30.0, 30.0, 50.0, 50.0);
    p->DrawRect(TKvFill::Black(), nullptr, 0, 0, 100, 100);
    EXPECT_EQ(p.Pixel(45, 45), Black);
    EXPECT_EQ(p.Pixel(20, 20), White);
    EXPECT_EQ(p.Pixel(65, 65), White);
    EXPECT_EQ(p.Ink(), QRect(30, 30, 30, 30));
    p->Restore(inner);
    p->DrawRect(TKvFill::Blue(), nullptr, 0, 0, 100, 100);
    EXPECT_EQ(p.Pixel(20, 20), 0xFF0000FFu); // the earlier clip is back
    EXPECT_EQ(p.Pixel(5, 5), White);
    p->Restore(outer);
    p->ExcludeClip(0, 0, 50, 100);
    p->DrawRect(TKvFill::Yellow(), nullptr, 0, 0, 100, 100);
    EXPECT_EQ(p.Pixel(5, 5), White);
    EXPECT_EQ(p.Pixel(75, 5), 0xFFFFFF00u);
    p->ExcludeClip(60.0, 0.0, 10.0, 100.0);
    p->DrawRect(TKvFill::Black(), nullptr, 0, 0, 100, 100);
    EXPECT_EQ(p.Pixel(65, 50), 0xFFFFFF00u);
    EXPECT_EQ(p.Pixel(55, 50), Black);
}

TEST(DrawingContext, TextIsMeasuredWithTheFontMetrics)
{
    TKvFont* font = TKvFont::Default9();
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    const QFontMetricsF fm(QFontOf(font), &device);
    for (const QString& text : {QStringLiteral("Total"), QStringLiteral("12,345.67"),
                                QStringLiteral("\uc548\ub155\ud558\uc138\uc694"), QStringLiteral("two\nlines")}) {
        const TSizeF size = TKvDrawingContext::MeasureText(text, font);
        const QSizeF expected = fm.size(0, text);
        EXPECT_NEAR(size.cx, expected.width(), 0.01) << text.toStdString();
        EXPECT_NEAR(size.cy, expected.height(), 0.01) << text.toStdString();
        const TSizeF inRect = TKvDrawingContext::MeasureText(text, font, TRectF(0, 0, 10, 10), AlignFar, AlignFar);
        EXPECT_EQ(inRect, size);
    }
    EXPECT_EQ(TKvDrawingContext::MeasureText(QString(), font), TSizeF());
    const TSizeF bold = TKvDrawingContext::MeasureText(QStringLiteral("Total"),
                                                       TKvFont::CreateFrom(QStringLiteral("DejaVu Sans,9,bold")).get());
    EXPECT_GT(bold.cx, TKvDrawingContext::MeasureText(QStringLiteral("Total"),
                                                      TKvFont::CreateFrom(QStringLiteral("DejaVu Sans,9")).get()).cx);
    KV_EXPECT_THROW_MSG(TKvDrawingContext::MeasureText(QStringLiteral("x"), nullptr), EGdipError,
                        "(KvGraphics Error: 2) One of the arguments passed to the method was not valid");
}

TEST(DrawingContext, TextIsPlacedByItsAlignment)
{
    TKvFont* font = TKvFont::Default11();
    const QString text = QStringLiteral("Hg");
    const TSizeF size = TKvDrawingContext::MeasureText(text, font);
    const TRectF cell(10, 10, 190, 50);
    struct Case
    {
        TKvAlignment H, V;
    };
    for (Case c : {Case{AlignNear, AlignNear}, Case{AlignCenter, AlignCenter}, Case{AlignFar, AlignFar}}) {
        TPaint p(200, 60, true);
        p->DrawText(text, font, TKvFill::Black(), cell, c.H, c.V);
        const QRect ink = p.Ink();
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_TRUE(QRect(10, 10, 180, 40).contains(ink));
        const double expectedLeft = c.H == AlignNear ? 10 : c.H == AlignCenter ? 10 + (180 - size.cx) / 2 : 190 - size.cx;
        const double expectedTop = c.V == AlignNear ? 10 : c.V == AlignCenter ? 10 + (40 - size.cy) / 2 : 50 - size.cy;
        // Ink lies inside the measured box placed by the alignment.
        EXPECT_GE(ink.left(), expectedLeft - 1.5) << c.H;
        EXPECT_LE(ink.right(), expectedLeft + size.cx + 1.5) << c.H;
        EXPECT_GE(ink.top(), expectedTop - 1.5) << c.V;
        EXPECT_LE(ink.bottom(), expectedTop + size.cy + 1.5) << c.V;
    }
    // Text is clipped to its rectangle and drawn on one line.
    TPaint clip(200, 60, true);
    clip->DrawText(QStringLiteral("WWWWWWWWWWWWWWWWWWWW"), font, TKvFill::Black(), TRect{10, 10, 40, 50}, AlignNear,
                   AlignNear);
    EXPECT_FALSE(clip.Painted(QRect(41, 0, 159, 60)));
    EXPECT_TRUE(clip.Painted(QRect(10, 10, 30, 40)));
    // The point form starts at the point; a nil fill draws nothing.
    TPaint at(200, 60, true);
    at->DrawText(text, font, nullptr, 5.0, 5.0);
    EXPECT_FALSE(at.Painted(QRect(0, 0, 200, 60)));
    at->DrawText(text, font, TKvFill::Black(), 120.0, 5.0);
    EXPECT_GE(at.Ink().left(), 119);
    EXPECT_GE(at.Ink().top(), 4);
    // The centred forms.
    TPaint mid(200, 60, true);
    mid->DrawText(text, font, TKvFill::Black(), 0.0, 0.0, 200.0, 60.0);
    EXPECT_NEAR(mid.Ink().center().x(), 100, 6);
    EXPECT_NEAR(mid.Ink().center().y(), 30, 8);
}

TEST(DrawingContext, TextDrawsAsThePaintersOwnLayoutDoes)
{
    // Cells as the sprites draw them: translated by fractions of a pixel, every alignment, text
    // that fits and text wider than its cell, each drawn twice (the second time from the
    // prepared line) and compared with the painter's own layout of the same text.
    const QString texts[] = {QStringLiteral("Cell 7.3"), QStringLiteral("A cell text far wider than its cell")};
    const TKvAlignment aligns[] = {AlignNear, AlignCenter, AlignFar};
    const TRectF cell(4, 0, 124, 21.6f);
    for (TKvFont* font : {TKvFont::Default9(), TKvFont::Default11()}) {
        for (const QString& text : texts) {
            for (TKvAlignment h : aligns) {
                for (TKvAlignment v : aligns) {
                    TPaint p(140, 50, true);
                    p->Translate(0.5, 21.6);
                    for (int i = 0; i < 2; ++i) {
                        p->DrawRect(TKvFill::White(), nullptr, -1, -1, 142, 52);
                        p->DrawText(text, font, TKvFill::Black(), cell, h, v);
                    }
                    QImage expected(140, 50, QImage::Format_ARGB32_Premultiplied);
                    expected.fill(Qt::white);
                    QPainter q(&expected);
                    q.setRenderHint(QPainter::Antialiasing);
                    q.translate(0.5, 21.6);
                    q.setFont(QFontOf(font));
                    q.setPen(QPen(QBrush(Qt::black), 0));
                    const int flags = (h == AlignNear ? Qt::AlignLeft : h == AlignCenter ? Qt::AlignHCenter : Qt::AlignRight)
                                      | (v == AlignNear ? Qt::AlignTop : v == AlignCenter ? Qt::AlignVCenter : Qt::AlignBottom);
                    q.drawText(QRectF(4, 0, 120, 21.6), flags, text);
                    q.end();
                    const QImage drawn = p.Image().convertToFormat(QImage::Format_ARGB32_Premultiplied);
                    bool same = true;
                    for (int y = 0; y < 50 && same; ++y)
                        for (int x = 0; x < 140 && same; ++x)
                            same = drawn.pixel(x, y) == expected.pixel(x, y);
                    EXPECT_TRUE(same) << text.toStdString() << " " << h << "/" << v;
                    // Nothing outside the cell (device 4.5..124.5 by 21.6..43.2).
                    EXPECT_FALSE(p.Painted(QRect(126, 0, 14, 50))) << h << "/" << v;
                    EXPECT_FALSE(p.Painted(QRect(0, 0, 140, 21))) << h << "/" << v;
                    EXPECT_TRUE(p.Painted(QRect(4, 21, 122, 23)));
                }
            }
        }
    }
    // The same text after the font changed is drawn in the new font.
    TPaint small(140, 50, true), large(140, 50, true);
    small->DrawText(texts[0], TKvFont::Default8(), TKvFill::Black(), cell, AlignNear, AlignNear);
    large->DrawText(texts[0], TKvFont::Default8(), TKvFill::Black(), cell, AlignNear, AlignNear);
    large->DrawRect(TKvFill::White(), nullptr, -1, -1, 142, 52);
    large->DrawText(texts[0], TKvFont::Default11(), TKvFill::Black(), cell, AlignNear, AlignNear);
    EXPECT_GT(large.Ink().width(), small.Ink().width());
    EXPECT_GT(large.Ink().height(), small.Ink().height());
}

TEST(DrawingContext, ImagesListsAndBitmaps)
{
    TBitmap source(4, 4);
    source.GetCanvas()->FillRect(TRect{0, 0, 4, 4}, clRed);
    source.ReleaseCanvas();
    TOwned<TCustomImageList> listOwner = MakeOwned<TCustomImageList>(nullptr);
    TCustomImageList& list = *listOwner;
    list.Add(&source);

    TPaint p;
    p->Translate(10.4, 20.6);
    p->Scale(3, 3); // device items are moved, never scaled
    p->DrawImage(&list, -1, 0, 0);
    p->DrawImage(&list, 1, 0, 0);
    p->DrawImage(static_cast<TCustomImageList*>(nullptr), 0, 0, 0);
    EXPECT_FALSE(p.Painted(QRect(0, 0, 100, 100)));
    p->DrawImage(&list, 0, 1, 2);
    EXPECT_EQ(p.Pixel(11, 23), 0xFFFF0000u);
    EXPECT_EQ(p.Pixel(14, 26), 0xFFFF0000u);
    EXPECT_EQ(p.Pixel(15, 27), White);
    p->DrawImage(&source, 30, 0);
    EXPECT_EQ(p.Pixel(40, 21), 0xFFFF0000u);
    EXPECT_EQ(p.Pixel(44, 21), White);
    p->DrawImage(static_cast<TBitmap*>(nullptr), 0, 0);

    TKvBitmap bitmap(&source);
    EXPECT_EQ(bitmap.GetWidth(), 4);
    TPaint s;
    s->DrawImage(&bitmap, 10, 10, 40, 20); // stretched
    EXPECT_EQ(s.Pixel(12, 12), 0xFFFF0000u);
    EXPECT_EQ(s.Pixel(48, 28), 0xFFFF0000u);
    EXPECT_EQ(s.Pixel(51, 31), White);
    s->DrawImage(static_cast<TKvBitmap*>(nullptr), 0, 0, 5, 5);
    EXPECT_EQ(s.Pixel(2, 2), White);
}

TEST(KvBitmap, FilesAndReleaseFailures)
{
    QTemporaryDir dir;
    KV_EXPECT_THROW_MSG(TKvBitmap(dir.filePath(QStringLiteral("none.png"))), EGdipError,
                        "(KvGraphics Error: 10) The specified image file or metafile cannot be found");
    const QString junk = dir.filePath(QStringLiteral("junk.gif"));
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("GIF? no");
    }
    KV_EXPECT_THROW_MSG(TKvBitmap{junk}, EGdipError,
                        "(KvGraphics Error: 13) The specified image file format is not known");
    TBitmap empty;
    KV_EXPECT_THROW_MSG(TKvBitmap{&empty}, EGdipError,
                        "(KvGraphics Error: 2) One of the arguments passed to the method was not valid");

    QImage pic(6, 3, QImage::Format_ARGB32);
    pic.fill(QColor(0, 0, 255));
    const QString png = dir.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(pic.save(png));
    auto bitmap = std::make_unique<TKvBitmap>(png);
    EXPECT_EQ(bitmap->GetWidth(), 6);
    EXPECT_EQ(bitmap->GetHeight(), 3);
    // A bitmap still in use cannot be released; its destructor reports that and does not raise.
    gfx::GpGraphics* user = nullptr;
    ASSERT_EQ(gfx::CreateFromImage(bitmap->Image(), &user), Ok);
    TTraceCapture trace;
    EXPECT_NO_THROW(bitmap.reset());
    ASSERT_EQ(trace.Lines().size(), 1);
    EXPECT_TRUE(trace.Lines()[0].contains(QStringLiteral("(KvGraphics Error: 4)")));
    EXPECT_EQ(gfx::DeleteGraphics(user), Ok); // the image goes with its last user
}

TEST(DrawingContext, CheckBoxesFollowTheTranslationOnly)
{
    for (bool themed : {true, false}) {
        TThemes themes(themed);
        const TSize box = TKvDrawingContext::GetCheckBoxSize();
        ASSERT_GT(box.cx, 0);
        TPaint p;
        p->Translate(10, 20);
        p->Scale(2, 2);
        p->DrawCheckBox(0, 0, true, false);
        const QRect ink = p.Ink();
        ASSERT_FALSE(ink.isEmpty()) << themed;
        EXPECT_TRUE(QRect(10, 20, box.cx, box.cy).contains(ink)) << themed;
        EXPECT_GE(ink.width(), box.cx / 2) << themed;
        TPaint off;
        off->DrawCheckBox(0, 0, false, false);
        TPaint on;
        on->DrawCheckBox(0, 0, true, true);
        EXPECT_NE(off.Image(), on.Image()) << themed;
    }
    EXPECT_EQ(TKvDrawingContext::GetButtonWidth(), dc::GetSystemMetrics(dc::SM_CXVSCROLL) + 1);
}

TEST(DrawingContext, ButtonsPaintInTheirMovedRectangle)
{
    for (bool themed : {true, false}) {
        TThemes themes(themed);
        TPaint p(120, 60);
        p->Translate(5, 5);
        p->DrawButton(TRect{0, 0, 20, 20}, true, false, false);
        p->DrawDropdownButton(TRect{25, 0, 45, 20}, false, false, false);
        p->DrawComboButton(TRect{50, 0, 70, 20}, true, true, true);
        p->DrawCheckButton(TRect{75, 0, 95, 20}, false, true, false);
        p->DrawUpdownButton(TRect{0, 25, 20, 51}, true);
        EXPECT_TRUE(p.Painted(QRect(5, 5, 20, 20))) << themed;
        EXPECT_TRUE(p.Painted(QRect(30, 5, 20, 20))) << themed;
        EXPECT_TRUE(p.Painted(QRect(55, 5, 20, 20))) << themed;
        EXPECT_TRUE(p.Painted(QRect(80, 5, 20, 20))) << themed;
        EXPECT_TRUE(p.Painted(QRect(5, 30, 20, 13))) << themed;
        EXPECT_TRUE(p.Painted(QRect(5, 43, 20, 13))) << themed;
        EXPECT_FALSE(p.Painted(QRect(0, 0, 120, 5))) << themed;
        EXPECT_FALSE(p.Painted(QRect(0, 0, 5, 60))) << themed;
        EXPECT_FALSE(p.Painted(QRect(101, 0, 19, 60))) << themed;
        EXPECT_FALSE(p.Painted(QRect(26, 30, 94, 30))) << themed;
    }
}

TEST(DrawingUtils, EllipsisAndMenuMarksArePlacedExactly)
{
    for (bool themed : {true, false}) {
        TThemes themes(themed);
        for (bool pressed : {false, true}) {
            // Width 21, height 16: dots 3 wide and 2 high, from x = (21 - 15) / 2 = 3, y = 7.
            TBitmap b(40, 40);
            HDC dc = b.GetCanvas()->GetHandle();
            TKvDrawingUtils::DrawEllipsisButton(dc, TRect{10, 10, 31, 26}, true, false, pressed);
            const int x = 13 + (pressed ? 1 : 0), y = 17 + (pressed ? 1 : 0);
            for (int dot = 0; dot < 3; ++dot) {
                EXPECT_EQ(b.GetImage().pixel(x + 6 * dot, y), Black) << themed << pressed << dot;
                EXPECT_EQ(b.GetImage().pixel(x + 6 * dot + 2, y + 1), Black) << themed << pressed << dot;
            }
            // Menu lines: width - 8 wide from left + 4, at y - 3, y and y + 3 with y = top + (16 - 2) / 2.
            TBitmap m(40, 40);
            TKvDrawingUtils::DrawMenuButton(m.GetCanvas()->GetHandle(), TRect{10, 10, 31, 26}, true, false, pressed);
            const int lx = 14 + (pressed ? 1 : 0), ly = 17 + (pressed ? 1 : 0);
            for (int dy : {-3, 0, 3}) {
                EXPECT_EQ(m.GetImage().pixel(lx, ly + dy), Black) << themed << pressed << dy;
                EXPECT_EQ(m.GetImage().pixel(lx + 12, ly + dy), Black) << themed << pressed << dy;
            }
        }
    }
}

// The uncovered parts of an area against a pixel mask of area less cover, on random covers:
// the parts are disjoint, inside the area and together exactly the uncovered pixels.
TEST(DrawingContext, UncoveredPartsMatchAPixelMask)
{
    std::uint32_t seed = 12345;
    auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % std::uint32_t(n));
    };
    for (int round = 0; round < 300; ++round) {
        const TRect area{next(10), next(10), 10 + next(40), 10 + next(40)};
        std::vector<TRect> cover;
        for (int i = 0, n = next(12); i < n; ++i) {
            const int x = next(60) - 5, y = next(60) - 5;
            cover.push_back(TRect{x, y, x + next(25), y + next(25)});
        }
        std::vector<TRect> parts;
        UncoveredParts(area, cover, parts);
        std::vector<int> painted(60 * 60, 0);
        for (const TRect& p : parts) {
            ASSERT_FALSE(p.IsEmpty());
            ASSERT_TRUE(p.Left >= area.Left && p.Top >= area.Top && p.Right <= area.Right && p.Bottom <= area.Bottom);
            for (int y = p.Top; y < p.Bottom; ++y)
                for (int x = p.Left; x < p.Right; ++x)
                    ++painted[y * 60 + x];
        }
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x) {
                bool want = x >= area.Left && x < area.Right && y >= area.Top && y < area.Bottom;
                for (const TRect& c : cover)
                    if (x >= c.Left && x < c.Right && y >= c.Top && y < c.Bottom)
                        want = false;
                ASSERT_EQ(painted[y * 60 + x], want ? 1 : 0) << "round " << round << " at " << x << ", " << y;
            }
    }
}

// FillUncovered under a random offset and clip, opaque and translucent, smoothed or not: each
// pixel of the rectangle inside the clip and outside the cover takes the fill's colour as a
// plain fill paints it, every other pixel keeps its white.
TEST(DrawingContext, FillUncoveredMatchesAPlainFill)
{
    std::uint32_t seed = 777;
    auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % std::uint32_t(n));
    };
    for (int round = 0; round < 60; ++round) {
        const bool smooth = round % 2 == 0;
        auto fill = TKvFill::CreateSolid(round % 3 == 0 ? 0x80336699u : 0xFF336699u);
        TPaint reference(4, 4, smooth);
        reference->DrawRect(fill.get(), nullptr, TRectF(0, 0, 4, 4));
        const QRgb colour = reference.Pixel(1, 1);
        TPaint p(60, 60, smooth);
        const int dx = next(10), dy = next(10);
        const QRect clip(next(20), next(20), 20 + next(40), 20 + next(40));
        const TRect area{next(20), next(20), 20 + next(30), 20 + next(30)};
        std::vector<TRect> cover;
        for (int i = 0, n = next(10); i < n; ++i) {
            const int x = next(60), y = next(60);
            cover.push_back(TRect{x, y, x + next(20), y + next(20)});
        }
        p->SetClip(clip.x(), clip.y(), clip.width(), clip.height());
        p->Translate(dx, dy);
        p->SetCover(&cover);
        p->FillUncovered(fill.get(), TRectF(area.Left, area.Top, area.Right, area.Bottom));
        p->SetCover(nullptr);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x) {
                bool inside = clip.contains(x, y) && x >= area.Left + dx && x < area.Right + dx && y >= area.Top + dy &&
                              y < area.Bottom + dy;
                for (const TRect& c : cover)
                    if (x >= c.Left && x < c.Right && y >= c.Top && y < c.Bottom)
                        inside = false;
                ASSERT_EQ(p.Pixel(x, y), inside ? colour : White) << "round " << round << " at " << x << ", " << y;
            }
    }
}
