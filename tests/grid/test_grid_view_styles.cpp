// The grid view's style linking, form streaming of a configured grid, and its component and
// window hooks.
#include "TestSupport.h"

#include "grid/KvGrids.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"
#include "platform/ui/Messages.h"

#include <QtWidgets/QWidget>
#include <gtest/gtest.h>

using namespace kv;

namespace {

// A grid that publishes its parts (as the ready-made grids do) and records its messages.
class TProbeGrid : public TKvGridView
{
public:
    using TKvGridView::TKvGridView;
    using TKvGridView::Notification;
    void WndProc(TMessage& message) override
    {
        if (message.Msg == WM_KEYDOWN || message.Msg == WM_MOUSEWHEEL)
            Received.push_back(message.Msg);
        TKvGridView::WndProc(message);
    }
    template <typename T>
    static void Ignore(TProbeGrid&, T*)
    {
    }
    std::vector<std::uint32_t> Received;
};

KV_PUBLISH(TProbeGrid, TKvGridView)
    .Property("Indicator", &TProbeGrid::GetIndicator, &TProbeGrid::Ignore<TKvGridIndicator>)
    .Property("StatesBar", &TProbeGrid::GetStatesBar, &TProbeGrid::Ignore<TKvGridStatesBar>)
    .Property("CheckBar", &TProbeGrid::GetCheckBar, &TProbeGrid::Ignore<TKvGridCheckBar>)
    .Property("Header", &TProbeGrid::GetHeader, &TProbeGrid::Ignore<TKvGridHeader>)
    .Property("Footer", &TProbeGrid::GetFooter, &TProbeGrid::Ignore<TKvGridFooter>)
    .Property("Body", &TProbeGrid::GetBody, &TProbeGrid::Ignore<TKvGridBody>)
    .Property("RowGroup", &TProbeGrid::GetRowGroup, &TProbeGrid::Ignore<TKvGridRowGroup>)
    .Property("DisplayOptions", &TProbeGrid::GetDisplayOptions, &TProbeGrid::Ignore<TKvGridDisplayOptions>)
    .Property("SelectOptions", &TProbeGrid::GetSelectOptions, &TProbeGrid::Ignore<TKvGridSelectOptions>)
    .Property("FixedCols", &TProbeGrid::GetFixedCols, &TProbeGrid::Ignore<TKvGridFixedCols>);

// A form that streams the components it owns that have no parent.
class TStylesTestForm : public TComponent
{
public:
    using TComponent::TComponent;
    void GetChildren(const TGetChildProc& proc, TComponent*) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            if (!GetComponent(i)->HasParent())
                proc(GetComponent(i));
    }
};

KV_PUBLISH(TStylesTestForm, TComponent);

int ConsumerCount(const TComponent* grid)
{
    int count = 0;
    for (int i = 0; i < grid->GetComponentCount(); ++i)
        count += dynamic_cast<TKvGridItemConsumer*>(grid->GetComponent(i)) ? 1 : 0;
    return count;
}

struct TViewStylesFixture : ::testing::Test
{
    TOwned<TStylesTestForm> Form{Create<TStylesTestForm>(nullptr)};
    TProbeGrid* Grid = Create<TProbeGrid>(Form.get());
};

TEST_F(TViewStylesFixture, ColumnsInheritFromFixedOrBodyStylesAndSheetsLinkDefaults)
{
    TKvGridDataColumn* fixed = Grid->AddDataColumn();
    TKvGridDataColumn* plain = Grid->AddDataColumn();
    TKvGridColumnGroup* group = Grid->AddColumnGroup();
    TKvGridDataColumn* child = Grid->AddDataColumn(group);
    TKvGridRowGroupLevel* level = Grid->GetRowGroup()->GetLevels()->Add();
    Grid->GetFixedCols()->SetCount(1);
    Grid->LinkStyles();

    EXPECT_EQ(fixed->GetStyles()->GetParent(), Grid->GetFixedCols()->GetStyles());
    EXPECT_EQ(plain->GetStyles()->GetParent(), Grid->GetBody()->GetStyles());
    EXPECT_EQ(group->GetStyles()->GetParent(), Grid->GetBody()->GetStyles());
    EXPECT_EQ(child->GetStyles()->GetParent(), Grid->GetBody()->GetStyles());
    EXPECT_EQ(child->GetHeader()->GetStyles()->GetParent(), Grid->GetHeader()->GetStyles());
    EXPECT_EQ(child->GetFooter()->GetStyles()->GetParent(), Grid->GetFooter()->GetStyles());
    EXPECT_EQ(group->GetHeader()->GetStyles()->GetParent(), Grid->GetHeader()->GetStyles());
    EXPECT_EQ(level->GetStyles()->GetParent(), Grid->GetRowGroup()->GetHeaderStyles());
    EXPECT_EQ(level->GetFooterStyles()->GetParent(), Grid->GetRowGroup()->GetFooterStyles());
    EXPECT_EQ(Grid->GetIndicator()->GetHeadStyles()->GetParent(), Grid->GetHeader()->GetStyles());
    EXPECT_EQ(Grid->GetCheckBar()->GetFootStyles()->GetParent(), Grid->GetFooter()->GetStyles());
    EXPECT_EQ(Grid->GetBody()->GetStyles()->GetParent(), Grid->GetStyles());
    TKvGridStyleSheet* builtIn = TKvGridStyleSheet::Default();
    EXPECT_EQ(Grid->GetStyles()->GetDefault(), builtIn->GetStyles());
    EXPECT_EQ(Grid->GetBody()->GetStyles()->GetDefault(), builtIn->GetBody());
    EXPECT_EQ(Grid->GetRowGroup()->GetFooterStyles()->GetDefault(), builtIn->GetRowGroupFooter());

    // An assigned sheet gives the defaults; freeing it falls back to the built-in sheet.
    TKvGridStyleSheet* sheet = Create<TKvGridStyleSheet>(Form.get());
    const int padding = builtIn->GetBody()->GetPaddingTop() + 11;
    sheet->GetBody()->SetPaddingTop(padding);
    Grid->SetStyleSheet(sheet);
    Grid->LinkStyles();
    EXPECT_EQ(Grid->GetBody()->GetStyles()->GetPaddingTop(), padding);
    EXPECT_EQ(plain->GetStyles()->GetPaddingTop(), padding);
    sheet->Free();
    EXPECT_EQ(Grid->GetStyleSheet(), nullptr);
    EXPECT_NE(plain->GetStyles()->GetPaddingTop(), padding);
    Grid->LinkStyles();
    EXPECT_EQ(Grid->GetBody()->GetStyles()->GetDefault(), builtIn->GetBody());

    // A paint links the styles of a column added since.
    TKvGridDataColumn* late = Grid->AddDataColumn();
    QWidget* widget = Grid->Widget();
    widget->resize(200, 120);
    EXPECT_EQ(late->GetStyles()->GetParent(), nullptr);
    widget->grab();
    EXPECT_EQ(late->GetStyles()->GetParent(), Grid->GetBody()->GetStyles());
}

TEST_F(TViewStylesFixture, ConfiguredGridStreamsAndReadsBackEqual)
{
    RegisterClasses<TStylesTestForm, TProbeGrid>();
    Form->SetName("Form1");
    Grid->SetName("Grid1");
    TKvGridDataColumn* amount = Grid->AddDataColumn();
    amount->SetName("Amount");
    amount->SetFieldName("Value");
    amount->GetStyles()->SetPrefix("$");
    amount->GetFooter()->SetExpression("sum");
    TKvGridColumnGroup* group = Grid->AddColumnGroup();
    group->SetName("Group1");
    Grid->AddDataColumn(group)->SetName("Inner");
    Grid->GetStyles()->SetPaddingLeft(4);
    Grid->GetIndicator()->SetDisplayValue(IndicatorRow);
    Grid->GetIndicator()->SetMinWidth(55);
    Grid->GetIndicator()->GetHeadStyles()->SetTextAlignment(AlignFar);
    Grid->GetCheckBar()->SetVisible(true);
    Grid->GetCheckBar()->SetMinWidth(40);
    Grid->GetStatesBar()->SetVisible(true);
    Grid->GetHeader()->SetHeight(30);
    Grid->GetFooter()->SetVisible(true);
    Grid->GetFooter()->GetStyles()->SetNumberFormat("#,##0.00");
    Grid->GetBody()->SetEmptyMessage("Nothing here");
    Grid->GetBody()->GetDynamicStyles()->Add("row > 2", "PaddingTop=2");
    Grid->GetRowGroup()->SetLevelIndent(30);
    Grid->GetRowGroup()->SetExpandedStyle(ExpandedHeader);
    Grid->GetRowGroup()->GetLevels()->Add()->SetMinHeight(5);
    Grid->GetDisplayOptions()->SetFitStyle(FitEven);
    Grid->GetSelectOptions()->SetMode(SelectSingle);
    Grid->GetFixedCols()->SetCount(1);
    Grid->GetValidations()->Add("positive", "row >= 0", "Must be positive");

    const QString text = WriteComponentText(Form.get());
    TOwned<TStylesTestForm> copy{Create<TStylesTestForm>(nullptr)};
    ReadComponentText(text, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), text);

    auto* grid = dynamic_cast<TProbeGrid*>(copy->FindComponent("Grid1"));
    ASSERT_NE(grid, nullptr);
    // One item consumer, the one that was read.
    EXPECT_EQ(ConsumerCount(grid), 1);
    EXPECT_EQ(grid->GetModelConsumer()->GetOwner(), grid);
    ASSERT_EQ(grid->GetColumnCount(), 2);
    EXPECT_EQ(grid->GetColumn(0)->GetStyles()->GetPrefix(), "$");
    EXPECT_EQ(grid->GetStyles()->GetPaddingLeft(), 4);
    EXPECT_EQ(grid->GetIndicator()->GetDisplayValue(), IndicatorRow);
    EXPECT_EQ(grid->GetIndicator()->GetMinWidth(), 55);
    EXPECT_EQ(grid->GetIndicator()->GetHeadStyles()->GetTextAlignment(), AlignFar);
    EXPECT_TRUE(grid->GetCheckBar()->GetVisible());
    EXPECT_EQ(grid->GetCheckBar()->GetMinWidth(), 40);
    EXPECT_EQ(grid->GetHeader()->GetHeight(), 30);
    EXPECT_EQ(grid->GetFooter()->GetStyles()->GetNumberFormat(), "#,##0.00");
    EXPECT_EQ(grid->GetBody()->GetEmptyMessage(), "Nothing here");
    ASSERT_EQ(grid->GetBody()->GetDynamicStyles()->Count(), 1);
    EXPECT_EQ(grid->GetRowGroup()->GetLevelIndent(), 30);
    EXPECT_EQ(grid->GetRowGroup()->GetExpandedStyle(), ExpandedHeader);
    ASSERT_EQ(grid->GetRowGroup()->GetLevels()->Count(), 1);
    EXPECT_EQ(grid->GetRowGroup()->GetLevel(0)->GetMinHeight(), 5);
    EXPECT_EQ(grid->GetDisplayOptions()->GetFitStyle(), FitEven);
    EXPECT_EQ(grid->GetSelectOptions()->GetMode(), SelectSingle);
    EXPECT_EQ(grid->GetFixedCols()->GetCount(), 1);
    ASSERT_EQ(grid->GetValidations()->Count(), 1);

    // The check bar's minimum width reads back as stored, the default included.
    grid->GetCheckBar()->SetMinWidth(TKvGridCheckBar::DefaultMinWidth);
    grid->GetIndicator()->SetMinWidth(0);
    TOwned<TStylesTestForm> again{Create<TStylesTestForm>(nullptr)};
    ReadComponentText(WriteComponentText(copy.get()), again.get());
    auto* grid2 = dynamic_cast<TProbeGrid*>(again->FindComponent("Grid1"));
    ASSERT_NE(grid2, nullptr);
    EXPECT_EQ(grid2->GetCheckBar()->GetMinWidth(), TKvGridCheckBar::DefaultMinWidth);
    EXPECT_EQ(grid2->GetIndicator()->GetMinWidth(), 0);
    EXPECT_EQ(ConsumerCount(grid2), 1);
}

TEST_F(TViewStylesFixture, NotificationActsOnlyOnRemoval)
{
    TKvGridDataColumn* a = Grid->AddDataColumn();
    TKvGridDataColumn* b = Grid->AddDataColumn();
    Grid->Notification(a, opInsert);
    EXPECT_EQ(Grid->GetColumnCount(), 2);
    Grid->Notification(a, opRemove);
    ASSERT_EQ(Grid->GetColumnCount(), 1);
    EXPECT_EQ(Grid->GetColumn(0), b);
    a->Free();

    // A column of another grid is not taken out of its tree.
    TProbeGrid* other = Create<TProbeGrid>(Form.get());
    TKvGridDataColumn* foreign = other->AddDataColumn();
    Grid->Notification(foreign, opRemove);
    EXPECT_EQ(other->GetColumnCount(), 1);
    Grid->RemoveColumn(foreign);
    EXPECT_EQ(other->GetColumnCount(), 1);

    EXPECT_EQ(TKvGridView::CreateCellEditor(Form.get(), "memo"), nullptr);
    EXPECT_EQ(TKvGridView::CraeteCellRenderer(Form.get(), "image"), nullptr);
}

TEST_F(TViewStylesFixture, DesignerRenameFollowsTheGridName)
{
    Grid->SetName("Grid1");
    TKvGridDataColumn* prefixed = Grid->AddDataColumn();
    prefixed->SetName("Grid1Amount");
    TKvGridColumnGroup* group = Grid->AddColumnGroup();
    group->SetName("grid1Group");
    TKvGridDataColumn* inner = Grid->AddDataColumn(group);
    inner->SetName("Grid1Inner");
    TKvGridDataColumn* other = Grid->AddDataColumn();
    other->SetName("Amount");

    Grid->SetName("Plain");
    EXPECT_EQ(prefixed->GetName(), "Grid1Amount");
    Grid->SetName("Grid1");
    Form->SetDesigning(true);
    Grid->SetName("Orders");
    EXPECT_EQ(prefixed->GetName(), "OrdersAmount");
    EXPECT_EQ(group->GetName(), "OrdersGroup");
    EXPECT_EQ(inner->GetName(), "OrdersInner");
    EXPECT_EQ(other->GetName(), "Amount");
}

TEST_F(TViewStylesFixture, NavigationKeysGoToTheOpenListAndScrollBarsStartHidden)
{
    Grid->Widget();
    EXPECT_FALSE(Grid->IsScrollBarVisible(SB_HORZ));
    EXPECT_FALSE(Grid->IsScrollBarVisible(SB_VERT));

    TProbeGrid* list = Create<TProbeGrid>(Form.get());
    Grid->SetInList(list);
    Grid->Perform(WM_KEYDOWN, VK_DOWN);
    Grid->Perform(WM_KEYDOWN, VK_ESCAPE);
    Grid->Perform(WM_MOUSEWHEEL, 0, 0);
    Grid->Perform(WM_KEYDOWN, VK_LEFT);
    EXPECT_EQ(list->Received, (std::vector<std::uint32_t>{WM_KEYDOWN, WM_KEYDOWN, WM_MOUSEWHEEL}));
    Grid->SetInList(nullptr);
    Grid->Perform(WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(list->Received.size(), 3u);
}

} // namespace
