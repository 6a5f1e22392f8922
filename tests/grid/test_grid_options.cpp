// Option objects: initial values, clamps, what each change does to the grid (refresh,
// repaint or nothing), the mask pens and brushes, and the fixed rows' item settings.
#include "grid/KvGrids.h"
#include "platform/rtl/TypInfo.h"
#include "model/KvGrids.Model.Default.h"
#include "TestSupport.h"
#include "../model/ModelTestSupport.h"

#include <functional>

using namespace kv;
using namespace kvtest;

namespace {

class TRecordingGrid : public TKvGridView
{
public:
    using TKvGridView::TKvGridView;
    int Invalidations = 0;
    int GroupingChanges = 0;
    void Invalidate() override
    {
        ++Invalidations;
        TKvGridView::Invalidate();
    }
    void GroupingOptionsChanged() override { ++GroupingChanges; }
};

enum TEffect { None, Repaint, Refresh };

struct TOptionsFixture : ::testing::Test
{
    TOwned<TRecordingGrid> Grid = MakeOwned<TRecordingGrid>(nullptr);

    TEffect Observe(const std::function<void()>& change)
    {
        const int refreshes = TKvGridView::GetRefreshCount();
        const int invalidations = Grid->Invalidations;
        change();
        if (TKvGridView::GetRefreshCount() != refreshes)
            return Refresh;
        return Grid->Invalidations != invalidations ? Repaint : None;
    }
};

TKvColor ColorOf(TKvFill* fill)
{
    auto* brush = dynamic_cast<TKvSolidBrush*>(fill);
    return brush ? brush->GetColor() : TKvColor();
}

TEST_F(TOptionsFixture, EachChangeRefreshesRepaintsOrOnlyStores)
{
    auto* display = Grid->GetDisplayOptions();
    auto* select = Grid->GetSelectOptions();
    auto* sorting = Grid->GetSortingOptions();
    auto* filtering = Grid->GetFilteringOptions();
    auto* focus = Grid->GetFocusOptions();
    auto* hovering = Grid->GetHoveringOptions();
    auto* edit = Grid->GetEditOptions();
    struct TCase
    {
        const char* Name;
        std::function<void()> Change;
        TEffect Expected;
    };
    const std::vector<TCase> cases{
        {"FitStyle", [&] { display->SetFitStyle(FitEven); }, Refresh},
        {"DefaultRowHeight", [&] { display->SetDefaultRowHeight(30); }, Refresh},
        {"HScrollBar", [&] { display->SetHScrollBar(false); }, Refresh},
        {"VScrollBar", [&] { display->SetVScrollBar(false); }, Refresh},
        {"ColumnResizable", [&] { display->SetColumnResizable(false); }, None},
        {"DefaultColumnWidth", [&] { display->SetDefaultColumnWidth(50); }, None},
        {"ReadOnly", [&] { edit->SetReadOnly(true); }, None},
        {"DeleteRowsMessage", [&] { edit->SetDeleteRowsMessage("x"); }, None},
        {"Select.MaskColor", [&] { select->SetMaskColor(clRed); }, Repaint},
        {"Select.MaskAlpha", [&] { select->SetMaskAlpha(100); }, Repaint},
        {"Select.MaskBorderAlpha", [&] { select->SetMaskBorderAlpha(100); }, Repaint},
        {"Sorting.Enabled", [&] { sorting->SetEnabled(false); }, Refresh},
        {"Sorting.Style", [&] { sorting->SetStyle(SortInclusive); }, Refresh},
        {"Sorting.HandleVisible", [&] { sorting->SetHandleVisible(false); }, Repaint},
        {"Sorting.HandleColor", [&] { sorting->SetHandleColor(clRed); }, Repaint},
        {"Sorting.HandleNoneColor", [&] { sorting->SetHandleNoneColor(clRed); }, Repaint},
        {"Filtering.Enabled", [&] { filtering->SetEnabled(false); }, Refresh},
        {"Filtering.AlwaysHandleVisible", [&] { filtering->SetAlwaysHandleVisible(true); }, Repaint},
        {"Filtering.HandleBorderColor", [&] { filtering->SetHandleBorderColor(clRed); }, Repaint},
        {"Filtering.DropDownCount", [&] { filtering->SetDropDownCount(3); }, None},
        {"Focus.MaskVisible", [&] { focus->SetMaskVisible(false); }, Repaint},
        {"Focus.MaskAlpha", [&] { focus->SetMaskAlpha(10); }, Repaint},
        {"Hovering.Enabled", [&] { hovering->SetEnabled(false); }, Refresh},
        {"Hovering.MaskColor", [&] { hovering->SetMaskColor(clRed); }, Repaint},
        {"FixedCols.Count", [&] { Grid->GetFixedCols()->SetCount(1); }, Refresh},
        {"FixedCols.BarWidth", [&] { Grid->GetFixedCols()->SetBarWidth(5); }, Refresh},
        {"FixedCols.Editable", [&] { Grid->GetFixedCols()->SetEditable(true); }, None},
        // Without fixed rows the bar height is only stored.
        {"FixedRows.BarHeight", [&] { Grid->GetFixedRows()->SetBarHeight(6); }, None},
        {"FixedRows.Editable", [&] { Grid->GetFixedRows()->SetEditable(true); }, None},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Observe(c.Change), c.Expected) << c.Name;
        // The same value again changes nothing.
        EXPECT_EQ(Observe(c.Change), None) << c.Name << " again";
    }
    Grid->GetFixedRows()->SetCount(1);
    EXPECT_EQ(Observe([&] { Grid->GetFixedRows()->SetBarHeight(9); }), Refresh);
}

TEST_F(TOptionsFixture, GroupingOptionsTellTheGrid)
{
    auto* grouping = Grid->GetGroupingOptions();
    EXPECT_EQ(grouping->GetPrompt(), QStringLiteral("컬럼 헤더를 이 곳으로 끌어다 놓으면 그 컬럼으로 그룹핑합니다."));
    EXPECT_EQ(Observe([&] { grouping->SetEnabled(false); }), Refresh);
    EXPECT_EQ(Observe([&] { grouping->SetPrompt("drop here"); }), Refresh);
    EXPECT_EQ(Grid->GroupingChanges, 2);
    EXPECT_EQ(Observe([&] { grouping->SetExpanded(false); }), None);
    EXPECT_EQ(Observe([&] { grouping->SetSummarizing(false); }), None);
    EXPECT_EQ(Grid->GroupingChanges, 4);
    grouping->SetSummarizing(false);
    EXPECT_EQ(Grid->GroupingChanges, 4);
}

TEST_F(TOptionsFixture, ClampsAndMaskPens)
{
    auto* select = Grid->GetSelectOptions();
    EXPECT_EQ(ColorOf(select->GetFill()), TKvColor::Create(47, 30, 144, 255));
    auto* border = dynamic_cast<TKvSolidPen*>(select->GetStroke());
    ASSERT_NE(border, nullptr);
    EXPECT_EQ(border->GetColor(), TKvColor::Create(95, 30, 144, 255));
    EXPECT_FLOAT_EQ(border->GetWidth(), 1.0f);
    EXPECT_EQ(border->GetDash(), DashStyleSolid);
    select->SetMaskAlpha(300);
    EXPECT_EQ(select->GetMaskAlpha(), 255);
    select->SetMaskBorderAlpha(-4);
    EXPECT_EQ(select->GetMaskBorderAlpha(), 0);
    select->SetMaskColor(clRed);
    EXPECT_EQ(ColorOf(select->GetFill()), TKvColor::Create(255, 255, 0, 0));
    EXPECT_EQ(dynamic_cast<TKvSolidPen*>(select->GetStroke())->GetColor(), TKvColor::Create(0, 255, 0, 0));

    // Focus and hover alphas are stored as given; the pens take them clamped.
    auto* focus = Grid->GetFocusOptions();
    auto* focusPen = dynamic_cast<TKvSolidPen*>(focus->GetStroke());
    ASSERT_NE(focusPen, nullptr);
    EXPECT_EQ(focusPen->GetColor(), TKvColor::Create(255, 51, 51, 51));
    EXPECT_FLOAT_EQ(focusPen->GetWidth(), 2.0f);
    focus->SetMaskAlpha(300);
    EXPECT_EQ(focus->GetMaskAlpha(), 300);
    EXPECT_EQ(dynamic_cast<TKvSolidPen*>(focus->GetStroke())->GetColor().GetAlpha(), 255);
    auto* hovering = Grid->GetHoveringOptions();
    EXPECT_EQ(ColorOf(hovering->GetFill()), TKvColor::Create(31, 82, 146, 247));
    hovering->SetMaskAlpha(-20);
    EXPECT_EQ(hovering->GetMaskAlpha(), -20);
    EXPECT_EQ(ColorOf(hovering->GetFill()).GetAlpha(), 0);
    EXPECT_EQ(dynamic_cast<TKvSolidPen*>(hovering->GetStroke())->GetColor().GetAlpha(), 0);

    Grid->GetDisplayOptions()->SetDefaultRowHeight(-3);
    EXPECT_EQ(Grid->GetDisplayOptions()->GetDefaultRowHeight(), 0);
    Grid->GetFixedCols()->SetCount(-2);
    Grid->GetFixedCols()->SetBarWidth(-1);
    EXPECT_EQ(Grid->GetFixedCols()->GetCount(), 0);
    EXPECT_EQ(Grid->GetFixedCols()->GetBarWidth(), 0);
    Grid->GetFixedRows()->SetCount(-2);
    Grid->GetFixedRows()->SetBarHeight(-2);
    EXPECT_EQ(Grid->GetFixedRows()->GetCount(), 0);
    EXPECT_EQ(Grid->GetFixedRows()->GetBarHeight(), 0);
    EXPECT_EQ(Grid->GetEditOptions()->GetDeleteRowsMessage(), QStringLiteral("선택한 row들을 삭제하시겠습니까?"));
    Grid->GetEditOptions()->SetMaxRowCount(10);
    EXPECT_EQ(Grid->GetEditOptions()->GetMaxRowCount(), 0);
}

TEST_F(TOptionsFixture, FixedRowsReachTheItemsAtOnce)
{
    auto table = MakeTable("Name", "s", {{"a"}, {"b"}, {"c"}});
    auto* items = dynamic_cast<TKvDefaultGridItemProvider*>(Grid->GetItemProvider());
    ASSERT_NE(items, nullptr);
    items->SetDataSource(table.get());
    TKvGridFixedRows* rows = Grid->GetFixedRows();
    rows->SetCount(2);
    EXPECT_EQ(items->GetFixedCount(), 2);
    EXPECT_FALSE(items->GetFixedSorting());
    // Not only after the form is read again: the provider sorts the fixed rows now.
    EXPECT_EQ(Observe([&] { rows->SetExceptFromSorting(false); }), Refresh);
    EXPECT_TRUE(items->GetFixedSorting());
    rows->SetExceptFromSorting(true);
    EXPECT_FALSE(items->GetFixedSorting());
    EXPECT_EQ(Observe([&] { rows->SetExceptFromFiltering(false); }), Refresh);
    rows->SetCount(-1);
    EXPECT_EQ(items->GetFixedCount(), 0);
    items->SetDataSource(nullptr);
}

TEST_F(TOptionsFixture, FixedStylesAreRegisteredAndCopied)
{
    TKvGridFixedCols* cols = Grid->GetFixedCols();
    TKvGridFixedRows* rows = Grid->GetFixedRows();
    EXPECT_EQ(cols->GetStyles()->GetName(), "fixedColStyles");
    EXPECT_EQ(cols->GetBarStyles()->GetName(), "fixedColBarStyles");
    EXPECT_EQ(rows->GetStyles()->GetName(), "fixedRowStyles");
    EXPECT_EQ(rows->GetBarStyles()->GetName(), "fixedRowBarStyles");
    // Registered: a style change reaches the grid.
    EXPECT_EQ(Observe([&] { rows->GetBarStyles()->SetPaddingLeft(4); }), Refresh);

    TKvGridViewStyles source(nullptr, "source");
    source.SetPaddingTop(7);
    TKvGridViewStyles* own = cols->GetStyles();
    EXPECT_EQ(Observe([&] { cols->SetStyles(&source); }), Refresh); // copying notifies the grid
    EXPECT_EQ(cols->GetStyles(), own);
    EXPECT_EQ(own->GetPaddingTop(), 7);
    source.SetPaddingTop(9);
    EXPECT_EQ(own->GetPaddingTop(), 7);
}

} // namespace

namespace {

TEST_F(TOptionsFixture, PublishedUnderTheirNames)
{
    TKvGridGroupingOptions* grouping = Grid->GetGroupingOptions();
    SetPropValue(grouping, "Expaneded", false);
    EXPECT_FALSE(grouping->GetExpanded());
    SetPropValue(Grid->GetDisplayOptions(), "FitStyle", "FitLastFill");
    EXPECT_EQ(Grid->GetDisplayOptions()->GetFitStyle(), FitLastFill);
    EXPECT_EQ(GetPropValue(Grid->GetSelectOptions(), "Mode").ToString(), "SelectExtended");
    SetPropValue(Grid->GetSelectOptions(), "MaskAlpha", 999);
    EXPECT_EQ(Grid->GetSelectOptions()->GetMaskAlpha(), 255);
    ASSERT_NE(FindPropInfo(Grid->GetFixedRows(), "ExceptFromSorting"), nullptr);
    EXPECT_EQ(FindPropInfo(Grid->GetGroupingOptions(), "Summarizing"), nullptr); // unpublished
    EXPECT_EQ(GetPropValue(Grid->GetEditOptions(), "DeleteRowsConfirm").ToBoolean(), true);
}

} // namespace
