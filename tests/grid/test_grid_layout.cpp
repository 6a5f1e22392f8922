// The layout manager: rectangles from font metrics, column points, row counts, scroll bars,
// hit testing and column fitting on shown offscreen grids.
#include "GridTestSupport.h"
#include "TestSupport.h"

using namespace kv;
using namespace kvtest;

namespace {

TEST(GridLayout, RectanglesFollowTheFontMetrics)
{
    TShownGrid g;
    g.Fill(100, 3);
    g.Show(400, 300);
    const int unit = BodyRowUnit(g.Grid.get());
    TKvGridLayoutManager* m = g.Layout();
    EXPECT_EQ(m->GetCalcedRowHeight(), unit);
    const int indicator = g.Grid->GetIndicator()->GetMinWidth();
    EXPECT_EQ(m->IndicatorBounds().Width(), indicator);
    EXPECT_EQ(m->BodyBounds().Left, indicator);
    EXPECT_EQ(m->HeaderBounds().Top, 0);
    EXPECT_EQ(m->BodyBounds().Top, m->HeaderBounds().Bottom);
    EXPECT_EQ(m->ColumnRect(1), (TRect{indicator + 80, 0, indicator + 160, 0}));
    EXPECT_EQ(m->ItemRect(0).Top, m->BodyBounds().Top);
    EXPECT_EQ(m->ItemRect(0).Height(), unit);
    EXPECT_GT(m->ItemCount(), 1);
    EXPECT_LT(m->ItemCount(), 100);
}

} // namespace
TEST(GridLayoutTmp, Save)
{
    TShownGrid g;
    g.Fill(100, 6);
    g.Grid->GetFixedCols()->SetCount(1);
    g.Grid->GetFooter()->SetVisible(true);
    g.Show(500, 300);
    g.Paint();
    g.Image().copy(0, 0, 500, 300).save("/tmp/grid.png");
    printf("v=%d h=%d client=%d,%d body=%d\n", g.Grid->IsScrollBarVisible(SB_VERT), g.Grid->IsScrollBarVisible(SB_HORZ), g.Grid->GetClientWidth(), g.Grid->GetClientHeight(), g.Layout()->BodyBounds().Width());
}
