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

TEST(GridLayout, ColumnPointsForEveryFitStyle)
{
    int length = 0;
    EXPECT_EQ(FitColumnPoints({100, 100, 200}, FitEven, 200, length), (std::vector<int>{0, 50, 100, 200}));
    EXPECT_EQ(length, 200);
    EXPECT_EQ(FitColumnPoints({100, 100, 200}, FitLastFill, 800, length), (std::vector<int>{0, 100, 200, 800}));
    EXPECT_EQ(length, 800);
    EXPECT_EQ(FitColumnPoints({100, 100, 200}, TKvGridFitStyle::FitNone, 800, length), (std::vector<int>{0, 100, 200, 400}));
    EXPECT_EQ(length, 400);
    // Columns of no width: shared evenly, no division by zero.
    EXPECT_EQ(FitColumnPoints({0, 0, 0, 0}, FitEven, 200, length), (std::vector<int>{0, 50, 100, 150, 200}));
    // Overflowing columns under last-fill keep their widths (and so can be scrolled to).
    EXPECT_EQ(FitColumnPoints({300, 300}, FitLastFill, 400, length), (std::vector<int>{0, 300, 600}));
    EXPECT_EQ(length, 600);
    EXPECT_EQ(FitColumnPoints({}, FitEven, 400, length), (std::vector<int>{0}));
}

TEST(GridLayout, RowHeightsFromOptionsStylesAndLevels)
{
    TShownGrid g;
    g.Fill(50, 4);
    TKvGridColumnGroup* group = g.Grid->AddColumnGroup();
    group->SetOrientation(ColumnsVertical);
    g.Columns[2]->GetParentGroup()->GetColumns()->Remove(g.Columns[2]);
    g.Columns[3]->GetParentGroup()->GetColumns()->Remove(g.Columns[3]);
    group->GetColumns()->Add(g.Columns[2]);
    group->GetColumns()->Add(g.Columns[3]);
    g.Grid->ResetColumnIndicies();
    g.Show(500, 300);
    const int unit = BodyRowUnit(g.Grid.get());
    TKvGridLayoutManager* m = g.Layout();
    EXPECT_TRUE(m->IsColumnGrouped());
    EXPECT_EQ(m->GetDataLevels(), 2);
    EXPECT_EQ(m->GetCalcedRowHeight(), 2 * unit);
    EXPECT_EQ(m->ItemRect(1).Height(), 2 * unit);

    g.Grid->GetDisplayOptions()->SetDefaultRowHeight(25);
    g.Paint();
    EXPECT_EQ(m->GetCalcedRowHeight(), 25);
    EXPECT_EQ(m->ItemRect(3).Height(), 25);
    EXPECT_EQ(m->MeasureClientHeight(4, true), 100 + m->GetCalcedHeaderHeight());
}

TEST(GridLayout, RowCountsOfAShortBodyAndTheAvailablePage)
{
    TShownGrid g;
    g.Fill(100, 2);
    g.Grid->GetDisplayOptions()->SetHScrollBar(false);
    g.Show(300, 300);
    TKvGridLayoutManager* m = g.Layout();
    const int unit = m->GetCalcedRowHeight();
    // A body 10 pixels too short for the sixth row.
    const int extra = g.Grid->GetHeight() - g.Grid->GetClientHeight();
    g.Grid->SetBounds(0, 0, 300, m->HeaderBounds().Height() + 6 * unit - 10 + extra);
    g.Paint();
    EXPECT_EQ(m->ItemCount(), 6);
    EXPECT_EQ(m->FullItemCount(), 5);
    EXPECT_EQ(m->AvaliableItemCount(), 5);
    EXPECT_EQ(m->ScrollBounds().Top, m->BodyBounds().Top);
    TScrollInfo info;
    info.fMask = SIF_ALL;
    ASSERT_TRUE(g.Grid->GetScrollInfo(SB_VERT, info));
    EXPECT_EQ(info.nMax, 99);
    EXPECT_EQ(info.nPage, 5u);
}

// Rows that measure no height at all.
class TFlatRowRenderer : public TKvGridItemRenderer
{
public:
    using TKvGridItemRenderer::TKvGridItemRenderer;
    int Measured = 0;

protected:
    TSize DoMeasure(TKvGridItem*, TKvGridViewStyles*, int w, int) override
    {
        ++Measured;
        return TSize{w, 0};
    }
    void DoDraw(TKvGridItem*, TKvGridViewStyles*, TKvDrawingContext*, const TRectF&) override {}
};

class TFlatDelegate : public TKvGridDelegate
{
public:
    using TKvGridDelegate::TKvGridDelegate;
    IntfPtr<TFlatRowRenderer> Rows = MakeIntf<TFlatRowRenderer>(QStringLiteral("flat"));
    IKvGridItemRenderer* GetRowRenderer() override { return Rows.get(); }
};

TEST(GridLayout, ARowOfNoHeightCountsOnePixelSoMeasuringEnds)
{
    TShownGrid g;
    g.Fill(5000, 2);
    auto* flat = Create<TFlatDelegate>(g.Grid.get());
    g.Grid->SetGridDelegate(flat);
    g.Show(300, 200);
    TKvGridLayoutManager* m = g.Layout();
    EXPECT_EQ(m->ItemRect(0).Height(), 1);
    EXPECT_LE(m->ItemCount(), m->BodyBounds().Height() + 1);
    EXPECT_LT(flat->Rows->Measured, 3 * 300);
}

TEST(GridLayout, EmptyGridGetsNoScrollAreaAndABodyFromTheLeftEdge)
{
    TShownGrid g;
    g.Show(300, 200);
    TKvGridLayoutManager* m = g.Layout();
    EXPECT_EQ(m->ItemCount(), 0);
    EXPECT_TRUE(m->ScrollBounds().IsEmpty());
    EXPECT_EQ(g.Grid->GetBodyView()->GetLeft(), 0.0f);
    EXPECT_EQ(g.Grid->GetBodyView()->GetWidth(), static_cast<float>(g.Grid->GetClientWidth()));
    EXPECT_FALSE(g.Grid->IsScrollBarVisible(SB_VERT));
    EXPECT_FALSE(g.Grid->IsScrollBarVisible(SB_HORZ));
}

TEST(GridLayout, ScrollBarsAreDecidedOnTheShownWidget)
{
    TShownGrid g;
    g.Fill(3, 8, 100); // 800 pixels of columns, three rows
    g.Show(400, 300);
    TKvGridLayoutManager* m = g.Layout();
    // Wide but short: only the horizontal bar, and the layout ran again in what is left.
    EXPECT_TRUE(g.Grid->IsScrollBarVisible(SB_HORZ));
    EXPECT_FALSE(g.Grid->IsScrollBarVisible(SB_VERT));
    EXPECT_TRUE(g.Grid->GetHScrolled());
    EXPECT_FALSE(g.Grid->GetVScrolled());
    EXPECT_EQ(m->FooterBounds().Bottom, g.Grid->GetClientHeight());
    TScrollInfo info;
    info.fMask = SIF_ALL;
    ASSERT_TRUE(g.Grid->GetScrollInfo(SB_HORZ, info));
    EXPECT_EQ(info.nMax, 799);
    EXPECT_EQ(static_cast<int>(info.nPage), g.Grid->GetClientWidth() - m->IndicatorBounds().Width());

    // Wide and tall: both bars in one decision.
    TShownGrid tall;
    tall.Fill(200, 8, 100);
    tall.Show(400, 300);
    EXPECT_TRUE(tall.Grid->IsScrollBarVisible(SB_HORZ));
    EXPECT_TRUE(tall.Grid->IsScrollBarVisible(SB_VERT));
    EXPECT_TRUE(tall.Grid->GetHScrolled() && tall.Grid->GetVScrolled());

    // Fit-even never scrolls sideways; last-fill still reaches columns beyond the body.
    tall.Grid->GetDisplayOptions()->SetFitStyle(FitEven);
    tall.Paint();
    EXPECT_FALSE(tall.Grid->IsScrollBarVisible(SB_HORZ));
    EXPECT_EQ(tall.Layout()->ColumnsLength(), tall.Layout()->BodyBounds().Width());
    tall.Grid->GetDisplayOptions()->SetFitStyle(FitLastFill);
    tall.Paint();
    EXPECT_TRUE(tall.Grid->IsScrollBarVisible(SB_HORZ));
    EXPECT_EQ(tall.Layout()->ColumnsLength(), 800);
}

TEST(GridLayout, FixedRowsAndColumnsAgreeInEveryRectangle)
{
    TShownGrid g;
    g.Fill(60, 5);
    g.Grid->GetFixedRows()->SetCount(2);
    g.Grid->GetFixedCols()->SetCount(1);
    g.Show(500, 300);
    TKvGridLayoutManager* m = g.Layout();
    ASSERT_EQ(m->FixedItemCount(), 2);
    EXPECT_EQ(m->FixedColCount(), 1);
    EXPECT_EQ(m->FixedWidth(), 80 + g.Grid->GetFixedCols()->GetBarWidth());
    for (int i = 0; i < m->FixedItemCount() + m->ItemCount(); ++i) {
        TRect bounds = m->ItemBounds(i);
        bounds.Offset(0, m->BodyBounds().Top);
        EXPECT_EQ(m->ItemRect(i), bounds) << i;
    }
    // The first scrolled row starts below the fixed rows and their bar.
    EXPECT_EQ(m->ItemBounds(2).Top, m->FixedHeight() + g.Grid->GetFixedRows()->GetBarHeight());
    EXPECT_EQ(m->ColumnRect(0).Left, m->GridBounds().Left);
    EXPECT_EQ(m->ColumnRect(1).Left, m->BodyBounds().Left);
    EXPECT_EQ(m->BodyBounds().Left, m->FixedBounds().Right);
    // Fixed rows have views in both bodies.
    EXPECT_NE(g.Grid->GetRowView(0, true), nullptr);
    EXPECT_NE(g.Grid->GetRowView(0, false), nullptr);
}

TEST(GridLayout, MouseToIndexOnFixedScrolledAndGroupedCells)
{
    TShownGrid g;
    g.Fill(100, 6);
    g.Grid->GetFixedCols()->SetCount(1);
    g.Grid->GetFixedRows()->SetCount(1);
    g.Show(400, 300);
    TKvGridLayoutManager* m = g.Layout();
    const TRect body = m->BodyBounds();
    const int unit = m->GetCalcedRowHeight();
    auto at = [&](int x, int y) { return m->MouseToIndex(x, y); };
    // The fixed row and the fixed column.
    TKvGridCellIndex i = at(m->GridBounds().Left + 5, body.Top + 2);
    EXPECT_EQ(i.ItemIndex, 0);
    EXPECT_EQ(i.Column, g.Columns[0]);
    // A scrolled cell: third scrolled row, second scrolled column.
    const int y = body.Top + m->ItemBounds(3).Top + 2;
    i = at(body.Left + 80 + 5, y);
    EXPECT_EQ(i.ItemIndex, 3);
    EXPECT_EQ(i.Column, g.Columns[2]);
    // Scrolled by ten rows and by a column and a half.
    g.Grid->SetTopIndex(10);
    g.Grid->SetLeftPos(120);
    g.Grid->InvalidateLayout();
    g.Paint();
    i = at(body.Left + 5, y);
    EXPECT_EQ(i.ItemIndex, 13);
    EXPECT_EQ(i.Column, g.Columns[2]);
    // The header: no row; over the indicator: no column.
    i = at(body.Left + 5, m->HeaderBounds().Top + 2);
    EXPECT_EQ(i.ItemIndex, -1);
    EXPECT_EQ(i.Column, g.Columns[2]);
    i = at(m->GridBounds().Left - 3, y);
    EXPECT_EQ(i.ItemIndex, 13);
    EXPECT_EQ(i.Column, nullptr);
    EXPECT_EQ(at(body.Left + 5, body.Top + 40 * unit).ItemIndex, -1);

    // A grouped header answers the leaf under the point.
    TShownGrid grouped;
    grouped.Fill(20, 3);
    TKvGridColumnGroup* group = grouped.Grid->AddColumnGroup();
    group->GetHeader()->SetCaption("Group");
    for (int c : {1, 2}) {
        grouped.Columns[c]->GetParentGroup()->GetColumns()->Remove(grouped.Columns[c]);
        group->GetColumns()->Add(grouped.Columns[c]);
    }
    group->SetWidth(160);
    grouped.Grid->ResetColumnIndicies();
    grouped.Show(400, 300);
    TKvGridLayoutManager* gm = grouped.Layout();
    ASSERT_EQ(gm->GetHeaderLevels(), 2);
    const TRect groupRect = gm->ColumnRect(1);
    const TRect header = gm->HeaderBounds();
    for (int y2 : {header.Top + 2, header.Bottom - 3}) {
        i = gm->MouseToIndex(groupRect.Left + 100, y2);
        EXPECT_EQ(i.ItemIndex, -1);
        EXPECT_EQ(i.Column, grouped.Columns[2]) << y2;
    }
    i = gm->MouseToIndex(groupRect.Left + 10, gm->BodyBounds().Top + 2);
    EXPECT_EQ(i.ItemIndex, 0);
    EXPECT_EQ(i.Column, grouped.Columns[1]);
    // The data cell rectangle of a nested column is its view's.
    const TRect cell = gm->DataCellRect(TKvGridCellIndex(grouped.Grid.get(), 0, grouped.Columns[2]));
    EXPECT_EQ(cell.Left, groupRect.Left + 80);
    EXPECT_EQ(cell.Top, gm->BodyBounds().Top);
    EXPECT_EQ(cell.Height(), gm->GetCalcedRowHeight());
}

TEST(GridLayout, FitColumnWidthMeasuresEveryRowOnceAndRefusesNil)
{
    TShownGrid g;
    g.Fill(0, 2);
    // Many rows of few distinct values, one much longer.
    for (int r = 0; r < 20000; ++r)
        g.Data->InsertRow(r, {Variant(QStringLiteral("x%1").arg(r % 7)), Variant(r == 777 ? QStringLiteral("a much longer text") : QStringLiteral("y"))});
    g.Show(300, 200);
    TKvGridViewStyles* styles = g.Columns[1]->GetStyles();
    const int text = static_cast<int>(std::ceil(TKvDrawingContext::MeasureText("a much longer text", styles->GetFont()).cx));
    auto border = [](TKvStroke* s) { return s ? static_cast<int>(std::lround(s->GetWidth())) : 0; };
    const int expected = text + styles->GetPaddingLeft() + styles->GetPaddingRight() + border(styles->GetBorderLeft()) +
                         border(styles->GetBorderRight());
    EXPECT_EQ(g.Layout()->FitColumnWidth(g.Columns[1]), expected);
    KV_EXPECT_THROW_MSG(g.Layout()->FitColumnWidth(nullptr), EArgumentNilException, "column");
}

} // namespace

namespace {

TEST(GridLayout, SelectionRectanglesClipToWhatIsShown)
{
    TShownGrid g;
    g.Fill(200, 6, 100);
    g.Grid->GetFixedRows()->SetCount(1);
    g.Show(400, 300);
    TKvGridLayoutManager* m = g.Layout();
    const TRect body = m->BodyBounds();
    TRect r;
    // Rows 2..4 of the scrolled part.
    ASSERT_TRUE(g.Grid->RowsSelectionRect(4, 2, r));
    EXPECT_EQ(r.Top, m->ItemRect(2).Top);
    EXPECT_EQ(r.Bottom, m->ItemRect(4).Bottom);
    EXPECT_EQ(r.Right, body.Right);
    // A range reaching past the shown rows stops at the last one; one wholly below is nowhere.
    ASSERT_TRUE(g.Grid->RowsSelectionRect(3, 150, r));
    EXPECT_EQ(r.Bottom, std::min(m->ItemRect(m->FixedItemCount() + m->ItemCount() - 1).Bottom, m->FooterBounds().Top));
    EXPECT_FALSE(g.Grid->RowsSelectionRect(150, 160, r));
    // Scrolled: the fixed row stays, rows above the top item are cut.
    g.Grid->SetTopIndex(20);
    g.Grid->SetLeftPos(150);
    g.Grid->InvalidateLayout();
    g.Paint();
    ASSERT_TRUE(g.Grid->RowsSelectionRect(0, 25, r));
    EXPECT_EQ(r.Top, body.Top);
    EXPECT_EQ(r.Bottom, m->ItemRect(m->FixedItemCount() + 25 - 21).Bottom);
    EXPECT_EQ(r.Right, body.Right - 150);
    // Columns 1..2 scrolled left by 150: from the body's left edge to column 2's right.
    ASSERT_TRUE(g.Grid->ColumnsSelectionRect(g.Columns[2], g.Columns[1], r));
    EXPECT_EQ(r.Left, body.Left);
    EXPECT_EQ(r.Right, body.Left + 300 - 150);
    EXPECT_EQ(r.Top, body.Top);
    EXPECT_EQ(r.Bottom, m->FooterBounds().Top);
    ASSERT_TRUE(g.Grid->BlockSelectionRect(TKvGridRange(21, 22, g.Columns[1], g.Columns[2]), r));
    EXPECT_EQ(r, (TRect{body.Left, m->ItemRect(1).Top, body.Left + 150, m->ItemRect(2).Bottom})); // top item 21 is row 1
    EXPECT_FALSE(g.Grid->BlockSelectionRect(TKvGridRange(1, 5, g.Columns[1], g.Columns[2]), r));
}

} // namespace

namespace {

TEST(GridLayout, EachPassIsTracedAndThePassesDecideTheBarsOnce)
{
    TShownGrid g;
    g.Fill(300, 3);
    g.Grid->SetBounds(0, 0, 300, 200);
    g.Grid->Show();
    TTraceCapture capture;
    g.Paint();
    const int passes = static_cast<int>(capture.Lines().filter(QStringLiteral(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>> Layout: ")).size());
    // Tall content: the vertical bar comes through the second branch and one relayout.
    EXPECT_GE(passes, 1);
    EXPECT_LE(passes, 3);
    EXPECT_FALSE(capture.Lines().filter(QStringLiteral(">>> firstCol = 0, lastCol = ")).isEmpty());
    EXPECT_TRUE(g.Grid->IsScrollBarVisible(SB_VERT));
    EXPECT_TRUE(g.Grid->GetVScrolled());
    // Painting again without a change lays out nothing.
    capture.Clear();
    g.Grid->Invalidate();
    g.Grid->Update();
    EXPECT_TRUE(capture.Lines().filter(QStringLiteral("Layout: ")).isEmpty());
}

TEST(GridDelegate, CellRenderersAndButtonRenderersByColumn)
{
    TShownGrid g;
    g.Fill(3, 2);
    TKvGridDelegate* d = g.Grid->GetGridDelegate();
    TKvGridColumnGroup* group = g.Grid->AddColumnGroup();
    EXPECT_EQ(d->GetCellRenderer(g.Grid->GetIndex(0, g.Columns[0])), d->GetDataCellRenderer());
    EXPECT_EQ(d->GetCellRenderer(g.Grid->GetIndex(0, group)), d->GetDataGroupCellRenderer());
    EXPECT_EQ(d->GetCellRenderer(TKvGridCellIndex::Null()), nullptr);
    TOwned<TKvGridDataCellRenderer> own(Create<TKvGridDataCellRenderer>(nullptr));
    g.Columns[1]->SetRenderer(own.get());
    EXPECT_EQ(d->GetCellRenderer(g.Grid->GetIndex(0, g.Columns[1])), own.get());
    TKvGridCellButtonRenderer* button = d->GetCellButtonRenderer(g.Grid->GetIndex(0, g.Columns[1]));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetName(), QStringLiteral("defCellButtonRendeerer"));
    EXPECT_EQ(d->GetCellButtonRenderer(g.Grid->GetIndex(1, g.Columns[0])), button);
    EXPECT_EQ(d->GetEditButtonRenderer(g.Grid->GetIndex(0, g.Columns[0]))->GetName(), QStringLiteral("defEditButtonRendeerer"));
    EXPECT_EQ(d->GetCellEditor(g.Grid->GetIndex(0, group)), nullptr);
    g.Columns[1]->SetRenderer(nullptr);
}

} // namespace

// The indicator is as wide as the widest number it shows; IndicatorNone shows none.
TEST(GridLayout, TheIndicatorFitsItsWidestNumberAndNoneShowsNothing)
{
    TShownGrid g;
    g.Fill(100000, 1);
    g.Show(400, 300);
    g.Grid->SetTopIndex(100000);
    g.Paint();
    TKvGridIndicator* indicator = g.Grid->GetIndicator();
    TKvGridViewStyles* s = indicator->GetStyles();
    const double text = TKvDrawingContext::MeasureText("100000", s->GetFont()).cx;
    EXPECT_GE(g.Layout()->IndicatorBounds().Width(), int(std::ceil(text)) + s->GetPaddingLeft() + s->GetPaddingRight());
    // The last rows' numbers are drawn whole: their ink is as wide as the text.
    TKvGridIndicatorElement* bar = g.Grid->GetIndicatorView();
    auto inkOf = [&](int item) {
        for (int i = 0; i < bar->GetCellCount(); ++i)
            if (bar->GetCell(i)->GetVisible() && bar->GetCell(i)->GetIndex() == item) {
                const TRectF r = bar->GetCell(i)->BoundsByContainer();
                int first = -1, last = -1;
                for (int x = int(r.Left); x < int(r.Right); ++x)
                    for (int y = int(r.Top) + 1; y < int(r.Bottom) - 1; ++y)
                        if (qGray(g.Image().pixel(x, y)) < 128) {
                            first = first < 0 ? x : first;
                            last = x;
                            break;
                        }
                return first < 0 ? 0 : last - first + 1;
            }
        ADD_FAILURE() << "no indicator cell for " << item;
        return 0;
    };
    const int shown = g.Grid->GetFocusedIndex().ItemIndex == 99998 ? 99997 : 99998;
    EXPECT_GE(inkOf(shown), int(TKvDrawingContext::MeasureText("99999", s->GetFont()).cx * 0.85));
    EXPECT_EQ(indicator->GetCell(shown)->GetDisplayText(), "99999");

    indicator->SetDisplayValue(IndicatorNone);
    g.Paint();
    EXPECT_EQ(indicator->GetCell(shown)->GetDisplayText(), "");
    EXPECT_EQ(g.Layout()->IndicatorBounds().Width(), indicator->GetMinWidth());
    EXPECT_EQ(inkOf(shown), 0);
}

// The indicator's width after its font or its largest number changed is the width a grid made
// with them from the start has.
TEST(GridLayout, TheIndicatorWidthFollowsItsFontAndItsLargestNumber)
{
    auto width = [](TShownGrid& g) { return g.Layout()->IndicatorBounds().Width(); };
    TShownGrid g;
    g.Fill(100000, 1);
    g.Show(400, 300);
    const int first = width(g);
    g.Grid->GetIndicator()->GetStyles()->SetFont(TKvFont::Default11());
    g.Paint();
    const int larger = width(g);
    EXPECT_GT(larger, first);
    TShownGrid fresh;
    fresh.Grid->GetIndicator()->GetStyles()->SetFont(TKvFont::Default11());
    fresh.Fill(100000, 1);
    fresh.Show(400, 300);
    EXPECT_EQ(width(fresh), larger);

    // One row less: the largest number has a digit less.
    for (TShownGrid* grid : {&g, &fresh}) {
        grid->Data->RemoveRow(0);
        grid->Paint();
    }
    EXPECT_LT(width(g), larger);
    EXPECT_EQ(width(g), width(fresh));
}
