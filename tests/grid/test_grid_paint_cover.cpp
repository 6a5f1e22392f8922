// Covers: the window's background and the body views' fills leave out what the cells fill
// next; the picture stays the one painted without covers.
#include "GridTestSupport.h"
#include "TestSupport.h"
#include <QtGui/QPainter>

using namespace kv;
using namespace kvtest;

namespace {

struct TPictures
{
    QImage With;
    QImage Without;
    std::uint64_t LeftOut = 0;
};

// The grid painted with covers and without, each over a buffer last painted in another window
// colour, so that a fill left out where nothing covers it shows.
TPictures Paint(TShownGrid& g, TKvFill* window)
{
    auto poison = TKvFill::CreateSolid(0xFF00FF00u);
    TPictures p;
    for (bool covers : {true, false}) {
        g.Grid->GetStyles()->SetBackground(poison.get());
        g.Paint();
        g.Grid->GetStyles()->SetBackground(window);
        TKvDrawingContext::SetCoverEnabled(covers);
        const std::uint64_t before = TKvDrawingContext::GetLeftOutArea();
        g.Paint();
        TKvDrawingContext::SetCoverEnabled(true);
        (covers ? p.With : p.Without) = g.Image().copy();
        if (covers)
            p.LeftOut = TKvDrawingContext::GetLeftOutArea() - before;
    }
    return p;
}

unsigned Blend(unsigned under, unsigned argb)
{
    QImage image(1, 1, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(under));
    QPainter p(&image);
    p.fillRect(QRect(0, 0, 1, 1), QColor::fromRgba(argb));
    p.end();
    return image.pixel(0, 0) & 0xFFFFFFu;
}

} // namespace

// Opaque cells, a translucent column, a custom-drawn column, a column without background, a
// translucent body, a gradient window, room right of the last column and below the last row,
// a fixed column and a scrolled body: the picture is the one painted without covers, and the
// covers leave out at least the body's area when its cells are opaque.
TEST(GridPaint, CoversKeepThePicture)
{
    TShownGrid g;
    g.Fill(4, 5, 70);
    g.Grid->GetFixedCols()->SetCount(1);
    g.Grid->GetFooter()->SetVisible(true);
    auto red = TKvFill::CreateSolid(0xFFFF0000u);
    g.Show(560, 260);
    TKvGridLayoutManager* m = g.Layout();
    const TRect body = m->BodyBounds();
    ASSERT_LT(body.Right, g.Grid->GetClientWidth() - 10);
    ASSERT_LT(body.Bottom, m->FooterBounds().Top - 10);

    TPictures p = Paint(g, red.get());
    EXPECT_EQ(PictureDifference(p.With, p.Without), "") << "opaque cells";
    EXPECT_GE(p.LeftOut, std::uint64_t(body.Width()) * body.Height());
    EXPECT_EQ(p.With.pixel(body.Right + 4, body.Top + 4) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(p.With.pixel(body.Left + 4, body.Bottom + 4) & 0xFFFFFFu, 0xFF0000u);

    auto blue = TKvFill::CreateSolid(0x800000FFu);
    g.Columns[2]->GetStyles()->SetBackground(blue.get());
    p = Paint(g, red.get());
    EXPECT_EQ(PictureDifference(p.With, p.Without), "") << "translucent column";

    auto clear = TKvFill::CreateSolid(0x00FFFFFFu);
    g.Columns[3]->GetStyles()->SetBackground(clear.get());
    p = Paint(g, red.get());
    EXPECT_EQ(PictureDifference(p.With, p.Without), "") << "column without background";

    TOwned<TOverlayRenderer> overlay(Create<TOverlayRenderer>(nullptr));
    auto green = TKvFill::CreateSolid(0x8000FF00u);
    overlay->Fill = green.get();
    g.Columns[1]->SetRenderer(overlay.get());
    p = Paint(g, red.get());
    EXPECT_EQ(PictureDifference(p.With, p.Without), "") << "custom-drawn column";

    auto half = TKvFill::CreateSolid(0x80FFFF00u);
    g.Grid->GetBody()->GetStyles()->SetBackground(half.get());
    g.Grid->GetFixedCols()->GetStyles()->SetBackground(half.get());
    auto opaque = TKvFill::CreateSolid(0xFF336699u);
    for (TKvGridDataColumn* column : {g.Columns[0], g.Columns[4]})
        column->GetStyles()->SetBackground(opaque.get());
    p = Paint(g, red.get());
    EXPECT_EQ(PictureDifference(p.With, p.Without), "") << "translucent body";

    auto gradient = TKvFill::CreateLinear(0xFFFF0000u, 0xFF0000FFu, 45);
    p = Paint(g, gradient.get());
    EXPECT_EQ(PictureDifference(p.With, p.Without), "") << "gradient window";

    g.Grid->SetBounds(0, 0, 260, 200);
    g.Grid->SetLeftPos(35);
    p = Paint(g, red.get());
    EXPECT_EQ(PictureDifference(p.With, p.Without), "") << "scrolled";
    g.Columns[1]->SetRenderer(nullptr);
}

// A translucent body background blends once over the window inside the cells that take it
// from the body, not once for the body and again for the cell.
TEST(GridPaint, TranslucentBodyBlendsOnce)
{
    TShownGrid g;
    g.Fill(3, 2, 80);
    g.Grid->GetFixedCols()->SetCount(1);
    auto red = TKvFill::CreateSolid(0xFFFF0000u);
    g.Grid->GetStyles()->SetBackground(red.get());
    auto blue = TKvFill::CreateSolid(0x800000FFu);
    g.Grid->GetBody()->GetStyles()->SetBackground(blue.get());
    g.Grid->GetFixedCols()->GetStyles()->SetBackground(blue.get());
    g.Show(420, 250);
    TKvGridLayoutManager* m = g.Layout();
    const unsigned once = Blend(0xFF0000u, 0x800000FFu);
    // Near the right end of the last row's cell, clear of its text and borders.
    const int y = m->BodyBounds().Top + m->ItemBounds(m->ItemCount() - 1).Top + 3;
    EXPECT_EQ(g.Rgb(m->BodyBounds().Right - 6, y), once);
    EXPECT_EQ(g.Rgb(m->FixedBounds().Right - 10, y), once);
    // Below the last row only the window shows.
    EXPECT_EQ(g.Rgb(m->BodyBounds().Left + 5, m->BodyBounds().Bottom + 5), 0xFF0000u);
}
