// The top-level grid on a shown offscreen window, driven by window-level mouse input: header
// clicks sort, headers dragged into the panel group, chips dragged out ungroup, headers
// dragged along the header row move columns; the panel's prompt and chips probed in pixels.
#include "VantrelTestSupport.h"
#include "TestSupport.h"

#include "graphics/KvGrids.Common.Drawing.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"
#include "grid/KvGrids.Editing.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Tool.FilterSelector.h"

using namespace kv;
using namespace kvtest;

namespace {

unsigned ColorOf(TKvStroke* stroke) { return static_cast<TKvSolidPen*>(stroke)->GetColor() & 0xFFFFFFu; }

struct VantrelTool : ::testing::Test
{
    TShownVantrel g;
    void SetUp() override
    {
        g.Fill(40);
        g.Show(460, 320);
    }
    TKvVantrelSelectionTool* Tool() const { return dynamic_cast<TKvVantrelSelectionTool*>(g.Grid->GetActiveTool()); }
    TRect PanelRect() const { return g.Layout()->PanelBounds(); }
    TPoint InPanel() const { return TPoint{PanelRect().Right - 40, PanelRect().Top + PanelRect().Height() / 2}; }
    TRect ChipRect(int i) const { return TShownVantrel::Bounds(g.Panel()->GetGroupByView()->GetColumnView(i)); }
    TPoint BodyPoint() const
    {
        const TRect body = g.Layout()->BodyBounds();
        return TPoint{(body.Left + body.Right) / 2, std::min(body.Bottom, g.Grid->GetClientHeight()) - 10};
    }
    QStringList Order() const
    {
        QStringList names;
        for (int i = 0; i < g.Grid->GetVisibleColumnCount(); ++i)
            names << static_cast<TKvGridDataColumn*>(g.Grid->GetVisibleColumn(i))->GetFieldName();
        return names;
    }
};

} // namespace

TEST_F(VantrelTool, HeaderClickSortsAndCyclesDirections)
{
    EXPECT_NE(Tool(), nullptr);
    const TPoint qty = TShownVantrel::Center(g.HeaderRect(FQty));
    g.Click(qty);
    EXPECT_EQ(g.Grid->GetSortFields(), TKvIntegerArray{FQty});
    EXPECT_EQ(g.Grid->GetSortDirections(), TKvGridSortDirections{SortAscending});
    EXPECT_EQ(g.Cell(0, FQty), QStringLiteral("0"));
    g.Click(qty);
    EXPECT_EQ(g.Grid->GetSortDirections(), TKvGridSortDirections{SortDescending});
    EXPECT_EQ(g.Cell(0, FQty), QStringLiteral("39"));
    g.Click(qty);
    EXPECT_TRUE(g.Grid->GetSortFields().empty());
    // An unsortable column stays as it is.
    g.Columns[FCity]->SetSortable(false);
    g.Click(TShownVantrel::Center(g.HeaderRect(FCity)));
    EXPECT_TRUE(g.Grid->GetSortFields().empty());
}

// The right button is for a context menu: a right click on a header, or on its sort handle,
// sorts nothing; the left one still does.
TEST_F(VantrelTool, OnlyTheLeftButtonSortsAHeader)
{
    const TPoint qty = TShownVantrel::Center(g.HeaderRect(FQty));
    auto rightClick = [&](TPoint p) {
        QTest::mouseClick(g.Win(), Qt::RightButton, {}, g.At(p));
        g.Paint();
    };
    rightClick(qty);
    EXPECT_TRUE(g.Grid->GetSortFields().empty());
    EXPECT_EQ(g.Cell(0, FQty), QStringLiteral("0"));
    g.Click(qty);
    g.Click(qty);
    ASSERT_EQ(g.Grid->GetSortDirections(), TKvGridSortDirections{SortDescending});
    g.Move(qty);
    g.Paint();
    auto* header = dynamic_cast<TKvGridHeaderCellElement*>(g.Grid->GetHeaderView()->GetCells(g.Columns[FQty]));
    ASSERT_NE(header, nullptr);
    ASSERT_TRUE(header->GetSortHandle()->GetVisible());
    rightClick(TShownVantrel::Center(TShownVantrel::Bounds(header->GetSortHandle())));
    rightClick(qty);
    EXPECT_EQ(g.Grid->GetSortFields(), TKvIntegerArray{FQty});
    EXPECT_EQ(g.Grid->GetSortDirections(), TKvGridSortDirections{SortDescending});
    EXPECT_EQ(g.Cell(0, FQty), QStringLiteral("39"));
}

TEST_F(VantrelTool, HeaderClickCommitsThePendingRowEditFirst)
{
    g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), 0, g.Columns[FCity]));
    g.Chain()->Edit(0);
    g.Chain()->UpdateData(0, FCity, Variant(QStringLiteral("Edited")));
    const int row = g.Grid->GetItem(0)->GetDataRow();
    g.Click(TShownVantrel::Center(g.HeaderRect(FQty)));
    g.Click(TShownVantrel::Center(g.HeaderRect(FQty)));
    EXPECT_FALSE(g.Chain()->IsEditing(-1));
    int edited = 0;
    for (int r = 0; r < g.Data->GetRowCount(); ++r)
        edited += g.Data->GetData(r, FCity).ToString() == QStringLiteral("Edited");
    EXPECT_EQ(edited, 1);
    EXPECT_EQ(g.Data->GetData(row, FCity).ToString(), QStringLiteral("Edited"));
}

// A sort by a click on a header's sort handle, or on its text, while a cell is being edited
// writes the row and closes the editor: no editor stays open over a row it was not opened on.
TEST_F(VantrelTool, ASortClickDuringAnEditWritesTheRowAndClosesTheEditor)
{
    auto typeInto = [&](int item, int column, const QString& text) {
        g.Click(TShownVantrel::Center(g.Grid->GetCellBounds(TKvGridCellIndex(g.Grid.get(), item, g.Columns[size_t(column)]))));
        for (const QChar c : text)
            QTest::keyClick(g.Win(), c.toLatin1());
        g.Paint();
    };
    typeInto(2, FCity, QStringLiteral("Zurich"));
    ASSERT_TRUE(g.Grid->GetEditing());
    ASSERT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 2);
    const int zurich = g.Grid->GetItem(2)->GetDataRow();

    g.Move(TShownVantrel::Center(g.HeaderRect(FCity)));
    g.Paint();
    auto* header = dynamic_cast<TKvGridHeaderCellElement*>(g.Grid->GetHeaderView()->GetCells(g.Columns[FCity]));
    ASSERT_NE(header, nullptr);
    ASSERT_TRUE(header->GetSortHandle()->GetVisible());
    g.Click(TShownVantrel::Center(TShownVantrel::Bounds(header->GetSortHandle())));
    EXPECT_EQ(g.Grid->GetSortFields(), TKvIntegerArray{FCity});
    EXPECT_FALSE(g.Grid->GetEditing());
    EXPECT_FALSE(g.Chain()->IsEditing(-1));
    EXPECT_EQ(g.Data->GetData(zurich, FCity).ToString(), QStringLiteral("Zurich"));
    EXPECT_EQ(g.Cell(g.Grid->GetItemCount() - 1, FCity), QStringLiteral("Zurich"));
    EXPECT_NE(g.Cell(2, FCity), QStringLiteral("Zurich"));

    // The same for the header's text.
    typeInto(3, FQty, QStringLiteral("99"));
    ASSERT_TRUE(g.Grid->GetEditing());
    const int edited = g.Grid->GetItem(3)->GetDataRow();
    g.Click(TPoint{g.HeaderRect(FQty).Left + 6, TShownVantrel::Center(g.HeaderRect(FQty)).Y});
    EXPECT_EQ(g.Grid->GetSortFields(), TKvIntegerArray{FQty});
    EXPECT_FALSE(g.Grid->GetEditing());
    EXPECT_FALSE(g.Chain()->IsEditing(-1));
    EXPECT_TRUE(g.Data->GetData(edited, FQty) == Variant(99));
    EXPECT_EQ(g.Cell(g.Grid->GetItemCount() - 1, FQty), QStringLiteral("99"));

    // A value its validation refuses keeps its editor open, and the rows stay where they are.
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    g.Columns[FQty]->GetValidations()->Add("positive", "value >= 0", "Qty must not be negative");
    typeInto(5, FQty, QStringLiteral("-5"));
    ASSERT_TRUE(g.Grid->GetEditing());
    const std::vector<int> rows = g.Rows();
    g.Move(TShownVantrel::Center(g.HeaderRect(FCity)));
    g.Paint();
    header = dynamic_cast<TKvGridHeaderCellElement*>(g.Grid->GetHeaderView()->GetCells(g.Columns[FCity]));
    ASSERT_NE(header, nullptr);
    ASSERT_TRUE(header->GetSortHandle()->GetVisible());
    g.Click(TShownVantrel::Center(TShownVantrel::Bounds(header->GetSortHandle())));
    EXPECT_EQ(shown, QStringList{"Qty must not be negative"});
    EXPECT_TRUE(g.Grid->GetEditing());
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 5);
    EXPECT_EQ(g.Grid->GetSortFields(), TKvIntegerArray{FQty});
    EXPECT_EQ(g.Rows(), rows);
    EXPECT_FALSE(g.Data->GetData(rows[5], FQty) == Variant(-5));
}

// A header click while a cell is being typed into saves the row; the rows then move, and the
// focused cell shows the value of the row now under it, not the text typed into another row.
TEST_F(VantrelTool, HeaderClickWhileTypingLeavesNoStaleEditor)
{
    const TKvGridCellIndex cell(g.Grid.get(), 3, g.Columns[FQty]);
    const TRect r = g.Grid->GetCellBounds(cell);
    g.Click(TShownVantrel::Center(r));
    ASSERT_EQ(g.Grid->GetFocusedIndex(), cell);
    QTest::keyClick(g.Win(), '7');
    g.Paint();
    ASSERT_TRUE(g.Grid->GetEditing());
    const int row = g.Grid->GetItem(3)->GetDataRow();

    g.Click(TShownVantrel::Center(g.HeaderRect(FQty)));
    EXPECT_EQ(g.Grid->GetSortFields(), TKvIntegerArray{FQty});
    EXPECT_FALSE(g.Chain()->IsEditing(-1));
    EXPECT_TRUE(g.Data->GetData(row, FQty) == Variant(7));
    ASSERT_EQ(g.Grid->GetFocusedIndex(), cell);
    EXPECT_EQ(g.Cell(3, FQty), QStringLiteral("4"));
    if (g.Grid->GetEditing()) {
        auto* editor = dynamic_cast<TKvLineCellEditor*>(
            static_cast<TKvDefaultGridEditController*>(g.Grid->GetEditController())->GetEditor());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->GetControl()->GetText(), QStringLiteral("4"));
    }
    // Enter there writes nothing the user did not type.
    QTest::keyClick(g.Win(), Qt::Key_Return);
    g.Paint();
    EXPECT_EQ(g.Cell(3, FQty), QStringLiteral("4"));
    EXPECT_TRUE(g.Data->GetData(row, FQty) == Variant(7));
}

TEST_F(VantrelTool, HeaderDraggedIntoThePanelGroupsAndShowsItsFeedback)
{
    g.Grid->GroupBy({FRegion});
    g.Paint();
    ASSERT_EQ(g.Panel()->GetGroupByView()->GetColumnViewCount(), 1);
    EXPECT_EQ(g.Panel()->GetState(), PanelNormal);
    EXPECT_EQ(g.Panel()->GetGroupingIndex(), -1);

    g.DragTo(TShownVantrel::Center(g.HeaderRect(FCity)), InPanel());
    EXPECT_EQ(g.Panel()->GetState(), PanelGrouping);
    EXPECT_EQ(g.Panel()->GetGroupingIndex(), 1) << "a drop appends at the end";
    auto* tracker = dynamic_cast<TKvRowGroupingTracker*>(Tool()->GetDragTracker());
    ASSERT_NE(tracker, nullptr);
    ASSERT_NE(tracker->GetColumnView(), nullptr);
    EXPECT_TRUE(tracker->GetColumnView()->GetAcceptable());
    EXPECT_EQ(g.Grid->GetCursor(), crDrag);
    g.Release(InPanel());
    EXPECT_EQ(g.Panel()->GetState(), PanelNormal);
    EXPECT_EQ(g.Grid->GetGroupByFields(), (TKvIntegerArray{FRegion, FCity}));
    EXPECT_EQ(g.Grid->GetCursor(), crDefault);
    EXPECT_EQ(g.Panel()->GetGroupByView()->GetColumnViewCount(), 2);

    // A grouped column dragged in again: the chip is crossed and nothing changes.
    g.DragTo(TShownVantrel::Center(g.HeaderRect(FRegion)), InPanel());
    tracker = dynamic_cast<TKvRowGroupingTracker*>(Tool()->GetDragTracker());
    ASSERT_NE(tracker, nullptr);
    EXPECT_FALSE(tracker->GetColumnView()->GetAcceptable());
    g.Release(InPanel());
    EXPECT_EQ(g.Grid->GetGroupByFields(), (TKvIntegerArray{FRegion, FCity}));
}

TEST_F(VantrelTool, AGroupingDragReleasedElsewhereOrCancelledChangesNothing)
{
    const TPoint qty = TShownVantrel::Center(g.HeaderRect(FQty));
    // Into the panel, then released over the body.
    g.DragTo(qty, InPanel());
    ASSERT_EQ(g.Panel()->GetState(), PanelGrouping);
    g.Move(BodyPoint());
    g.Release(BodyPoint());
    EXPECT_FALSE(g.Grid->GetRowGrouped());
    EXPECT_EQ(g.Panel()->GetState(), PanelNormal);
    EXPECT_TRUE(g.Panel()->GetMessageView()->GetVisible());

    // Escape during the drag.
    g.DragTo(qty, InPanel());
    ASSERT_EQ(g.Panel()->GetState(), PanelGrouping);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(g.Panel()->GetState(), PanelNormal);
    g.Release(InPanel());
    EXPECT_FALSE(g.Grid->GetRowGrouped());

    // Focus leaves the grid during the drag.
    g.DragTo(qty, InPanel());
    ASSERT_EQ(g.Panel()->GetState(), PanelGrouping);
    g.Grid->Perform(WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(g.Panel()->GetState(), PanelNormal);
    EXPECT_EQ(Tool()->GetDragTracker(), nullptr);
    g.Release(InPanel());
    EXPECT_FALSE(g.Grid->GetRowGrouped());

    // With grouping disabled a header does not turn into a grouping drag.
    g.Show(460, 320);
    g.Grid->GetGroupingOptions()->SetEnabled(false);
    g.Paint();
    g.DragTo(qty, InPanel());
    EXPECT_EQ(g.Panel()->GetState(), PanelNormal);
    EXPECT_EQ(dynamic_cast<TKvRowGroupingTracker*>(Tool()->GetDragTracker()), nullptr);
    g.Release(InPanel());
    EXPECT_FALSE(g.Grid->GetRowGrouped());
}

TEST_F(VantrelTool, ChipDraggedBelowThePanelUngroupsInsideChangesNothing)
{
    g.Grid->GroupBy({FRegion, FCity});
    g.Paint();
    ASSERT_EQ(g.Panel()->GetGroupByView()->GetColumnViewCount(), 2);
    const TPoint chip = TShownVantrel::Center(ChipRect(1));
    // Hovering a chip shows the hand.
    g.Move(chip);
    EXPECT_EQ(g.Grid->GetCursor(), crHandPoint);

    g.Drag(chip, InPanel());
    EXPECT_EQ(g.Grid->GetGroupByFields(), (TKvIntegerArray{FRegion, FCity}));
    g.DragTo(chip, BodyPoint());
    auto* tracker = dynamic_cast<TKvPanelCellTracker*>(Tool()->GetDragTracker());
    ASSERT_NE(tracker, nullptr);
    ASSERT_NE(tracker->GetColumnView(), nullptr);
    EXPECT_EQ(TShownVantrel::Bounds(tracker->GetColumnView()).Left, BodyPoint().X - 10);
    g.Release(BodyPoint());
    EXPECT_EQ(g.Grid->GetGroupByFields(), TKvIntegerArray{FRegion});

    // The last chip out: the prompt shows again.
    g.Drag(TShownVantrel::Center(ChipRect(0)), BodyPoint());
    EXPECT_FALSE(g.Grid->GetRowGrouped());
    EXPECT_TRUE(g.Panel()->GetMessageView()->GetVisible());
}

TEST_F(VantrelTool, HeaderDraggedAlongTheHeaderRowMovesItsColumn)
{
    ASSERT_EQ(Order(), (QStringList{"Region", "City", "Qty"}));
    g.DragTo(TShownVantrel::Center(g.HeaderRect(FQty)), TShownVantrel::Center(g.HeaderRect(FRegion)));
    auto* tracker = dynamic_cast<TKvColumnMoveTracker2*>(Tool()->GetDragTracker());
    ASSERT_NE(tracker, nullptr);
    ASSERT_NE(tracker->GetTarget(), nullptr);
    EXPECT_EQ(tracker->GetTarget()->GetColumn(), g.Columns[FRegion]);
    EXPECT_TRUE(tracker->GetTargetFeedback()->GetVisible());
    EXPECT_TRUE(g.Grid->ContainsFeedbackElement(tracker->GetSourceFeedback()));
    g.Release(TShownVantrel::Center(g.HeaderRect(FRegion)));
    EXPECT_EQ(Order(), (QStringList{"Qty", "Region", "City"}));
    EXPECT_EQ(Tool()->GetDragTracker(), nullptr);

    // A hidden column before the target does not shift the drop: collection indices.
    g.Columns[FRegion]->SetVisible(false);
    g.Paint();
    g.Drag(TShownVantrel::Center(g.HeaderRect(FCity)), TShownVantrel::Center(g.HeaderRect(FQty)));
    EXPECT_EQ(g.Grid->GetColumn(0), g.Columns[FCity]);
    EXPECT_EQ(g.Grid->GetColumn(1), g.Columns[FQty]);
    EXPECT_EQ(g.Grid->GetColumn(2), g.Columns[FRegion]);

    // Released away from any header: nothing moves.
    g.Drag(TShownVantrel::Center(g.HeaderRect(FQty)), BodyPoint());
    EXPECT_EQ(Order(), (QStringList{"City", "Qty"}));

    // One visible column: no column-move tracker.
    g.Columns[FCity]->SetVisible(false);
    g.Paint();
    g.DragTo(TShownVantrel::Center(g.HeaderRect(FQty)), BodyPoint());
    EXPECT_EQ(dynamic_cast<TKvColumnMoveTracker2*>(Tool()->GetDragTracker()), nullptr);
    g.Release(BodyPoint());
}

TEST_F(VantrelTool, AHeaderDroppedIntoAnotherColumnGroupDoesNotMove)
{
    // Region and City inside a group; Qty beside it.
    TKvGridColumnGroup* group = g.Grid->AddColumnGroup();
    group->GetHeader()->SetCaption(QStringLiteral("Place"));
    g.Grid->GetRootGroup()->GetColumns()->Move(group->GetIndex(), 0);
    group->GetColumns()->Add(g.Columns[FRegion]);
    group->GetColumns()->Add(g.Columns[FCity]);
    group->SetWidth(g.Columns[FRegion]->GetWidth() + g.Columns[FCity]->GetWidth());
    g.Grid->ResetColumnIndicies();
    g.Paint();
    g.Drag(TShownVantrel::Center(g.HeaderRect(FQty)), TShownVantrel::Center(g.HeaderRect(FCity)));
    EXPECT_EQ(group->GetItem(0), g.Columns[FRegion]);
    EXPECT_EQ(group->GetItem(1), g.Columns[FCity]);
    EXPECT_EQ(g.Grid->GetColumn(1), g.Columns[FQty]);
    // Inside the group the children move.
    g.Drag(TShownVantrel::Center(g.HeaderRect(FCity)), TShownVantrel::Center(g.HeaderRect(FRegion)));
    EXPECT_EQ(group->GetItem(0), g.Columns[FCity]);
    EXPECT_EQ(group->GetItem(1), g.Columns[FRegion]);
}

TEST_F(VantrelTool, PanelPromptAndChipStaircaseInPixels)
{
    const TRect panel = PanelRect();
    TKvGridViewStyles* styles = g.Grid->GetPanel()->GetStyles();
    const unsigned background = static_cast<TKvSolidBrush*>(styles->GetBackground())->GetColor() & 0xFFFFFFu;
    const unsigned border = ColorOf(styles->GetBorderBottom());
    // The prompt: its text from the left padding on, the background right of it, the border.
    const TSizeF text = TKvDrawingContext::MeasureText(g.Grid->GetGroupingOptions()->GetPrompt(), styles->GetFont());
    EXPECT_GE(panel.Height(), std::max<int>(g.Grid->GetPanel()->GetMinHeight(), int(std::lround(text.cy))));
    int ink = 0;
    for (int x = panel.Left + 4; x < panel.Left + 4 + int(text.cx) && x < panel.Right; ++x)
        for (int y = panel.Top; y < panel.Bottom - 1; ++y)
            ink += g.Rgb(x, y) != background;
    EXPECT_GT(ink, 20) << "the prompt's text is drawn";
    for (int x = panel.Left; x < panel.Left + 3; ++x)
        EXPECT_EQ(g.Rgb(x, panel.Top + panel.Height() / 2), background) << "left padding " << x;
    EXPECT_EQ(g.Rgb(panel.Right - 3, panel.Top + 2), background);
    EXPECT_EQ(g.Rgb(panel.Left + 10, panel.Bottom - 1), border);

    // Grouped by two fields: no prompt; two chips as a staircase joined by a connector.
    g.Grid->GroupBy({FRegion, FCity});
    g.Paint();
    EXPECT_FALSE(g.Panel()->GetMessageView()->GetVisible());
    const TRect c0 = ChipRect(0), c1 = ChipRect(1);
    const TSizeF caption = TKvDrawingContext::MeasureText(QStringLiteral("Region"), g.Grid->GetHeader()->GetStyles()->GetFont());
    EXPECT_EQ(c0.Left - panel.Left, TKvGroupByView::FPaddingLeft);
    EXPECT_EQ(c0.Top - panel.Top, TKvGroupByView::FPaddingTop);
    EXPECT_EQ(c0.Width(), std::max<int>(TKvGroupByView::FDefColumnWidth, int(std::lround(caption.cx))));
    EXPECT_EQ(c1.Left, c0.Right + TKvGroupByView::FColumnGap);
    EXPECT_EQ(c1.Top, c0.Top + c0.Height() * 2 / 3);
    EXPECT_GE(PanelRect().Bottom, c1.Bottom + TKvGroupByView::FPaddingBottom) << "the panel holds the staircase";
    const unsigned gray = ColorOf(TKvStroke::Gray());
    EXPECT_EQ(g.Rgb(c0.Left, c0.Top + 3), gray) << "chip outline";
    EXPECT_EQ(g.Rgb(c1.Left, c1.Top + 3), gray) << "chip outline";
    const int y = c0.Top + c0.Height() / 3;
    const int x = c1.Left + c1.Width() / 4;
    EXPECT_EQ(g.Rgb(c0.Right + 3, y), 0u) << "connector, across";
    EXPECT_EQ(g.Rgb(x, (y + c1.Top) / 2 + 1), 0u) << "connector, down";
    EXPECT_EQ(g.Rgb(c0.Right + 3, y + 4), background);

    // A taller header font: the chips and the panel grow with it.
    g.Grid->GetHeader()->GetStyles()->SetFont(g.Grid->GetHeader()->GetStyles()->CreateFont(QStringLiteral("DejaVu Sans,30")));
    g.Paint();
    const TRect tall = ChipRect(1);
    EXPECT_GT(ChipRect(0).Height(), TKvGroupByView::FDefColumnHeight);
    EXPECT_GE(PanelRect().Bottom, tall.Bottom + TKvGroupByView::FPaddingBottom);
}

TEST(VantrelTrackers, ConstructionChecksItsRequest)
{
    TShownVantrel g;
    g.Fill(3);
    g.Show();
    TKvGridCellElement* header = g.Grid->GetCellView(g.Grid->GetHeader(), TKvGridCellIndex(g.Columns[0]));
    ASSERT_NE(header, nullptr);
    IntfPtr<IKvGridEditRequest> move(new TKvColumnMoveRequest(header));
    IntfPtr<IKvGridEditRequest> panel(new TKvPanelCellRequest(header));
    KV_EXPECT_THROW_MSG(TKvColumnMoveTracker t(panel.get()), EArgumentException, "request is not TKvColumnMoveRquest");
    KV_EXPECT_THROW_MSG(TKvPanelCellTracker t(move.get()), EArgumentException, "request is not TKvPanelCellRequest");
    EXPECT_THROW(TKvRowGroupingTracker t(nullptr), EArgumentNilException);

    // The older column move drags the header cell itself and moves the column on release.
    TKvColumnMoveTracker old(move.get());
    const TPoint from = TShownVantrel::Center(g.HeaderRect(0));
    const TPoint to = TShownVantrel::Center(g.HeaderRect(2));
    ASSERT_TRUE(old.Start(from.X, from.Y));
    EXPECT_TRUE(old.Drag(to.X + 10, to.Y));
    EXPECT_EQ(old.GetTargetIndex(), 2);
    old.Stop(to.X + 10, to.Y, true);
    EXPECT_EQ(g.Grid->GetColumn(2), g.Columns[0]);
}

TEST_F(VantrelTool, AFilterHandleClickOpensTheFilterDropDown)
{
    auto* filter = static_cast<TKvGridColumnFilter*>(g.Columns[FQty]->GetFilters()->Add());
    filter->SetName(QStringLiteral("small"));
    filter->SetCriteria(QStringLiteral("value < 10"));
    const TRect header = g.HeaderRect(FQty);
    g.Move(TShownVantrel::Center(header));
    g.Paint();
    auto* cell = dynamic_cast<TKvGridHeaderCellElement*>(g.Grid->GetHeaderView()->GetCells(g.Columns[FQty]));
    ASSERT_NE(cell, nullptr);
    ASSERT_TRUE(cell->GetFilterHandle()->GetVisible());
    const TRect handle = TShownVantrel::Bounds(cell->GetFilterHandle());
    g.Click(TShownVantrel::Center(handle));
    auto* selector = dynamic_cast<TKvGridFilterSelector*>(g.Grid->GetGridDelegate()->GetFilterSelector());
    ASSERT_NE(selector, nullptr);
    EXPECT_TRUE(selector->GetListing());
    ASSERT_EQ(selector->GetItemProvider()->GetItemCount(), 1);
    EXPECT_TRUE(g.Grid->GetSortFields().empty()) << "the handle press is no header click";
    g.Grid->GetGridDelegate()->HideFilterSelector();
    EXPECT_FALSE(selector->GetListing());
}

// The open drop-down follows the column's filters: emptied, added to and switched from
// outside, it lists what is there and never paints a filter that went.
TEST_F(VantrelTool, AnOpenFilterDropDownFollowsTheColumnsFilters)
{
    for (const char* name : {"small", "big", "odd"}) {
        auto* filter = static_cast<TKvGridColumnFilter*>(g.Columns[FQty]->GetFilters()->Add());
        filter->SetName(QString::fromLatin1(name));
        filter->SetCriteria(QStringLiteral("value < 10"));
    }
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    g.Move(TShownVantrel::Center(g.HeaderRect(FQty)));
    g.Paint();
    auto* cell = dynamic_cast<TKvGridHeaderCellElement*>(g.Grid->GetHeaderView()->GetCells(g.Columns[FQty]));
    ASSERT_NE(cell, nullptr);
    g.Click(TShownVantrel::Center(TShownVantrel::Bounds(cell->GetFilterHandle())));
    auto* selector = dynamic_cast<TKvGridFilterSelector*>(g.Grid->GetGridDelegate()->GetFilterSelector());
    ASSERT_NE(selector, nullptr);
    ASSERT_TRUE(selector->GetListing());
    auto paintList = [&] {
        selector->Invalidate();
        selector->Update();
        QApplication::processEvents();
    };
    auto names = [&] {
        QStringList out;
        for (int i = 0; i < selector->GetItemCount(); ++i)
            out << selector->GetCellData(selector->GetCell(i, selector->GetDataColumn(0))).ToString() +
                       (selector->GetItem(i)->GetChecked() ? "+" : "-");
        return out;
    };
    paintList();
    ASSERT_EQ(names(), (QStringList{"small-", "big-", "odd-"}));

    g.Columns[FQty]->GetFilters()->Clear();
    paintList();
    EXPECT_EQ(selector->GetItemCount(), 0);
    EXPECT_EQ(selector->GetCheckBarView()->GetChildCount(), 0);
    auto* fresh = static_cast<TKvGridColumnFilter*>(g.Columns[FQty]->GetFilters()->Add());
    fresh->SetName(QStringLiteral("fresh"));
    fresh->SetCriteria(QStringLiteral("value >= 30"));
    fresh->SetActive(true);
    paintList();
    EXPECT_EQ(names(), (QStringList{"fresh+"}));
    EXPECT_EQ(g.Rows().size(), 10u);
    EXPECT_TRUE(selector->GetListing());
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    g.Grid->GetGridDelegate()->HideFilterSelector();
}

// While the filter drop-down is open it takes the keyboard: typed keys edit no cell of the
// grid, arrows move in the list, and Escape closes it leaving the grid as it was.
TEST_F(VantrelTool, AnOpenFilterDropDownTakesTheKeys)
{
    auto* small = static_cast<TKvGridColumnFilter*>(g.Columns[FQty]->GetFilters()->Add());
    small->SetName(QStringLiteral("small"));
    small->SetCriteria(QStringLiteral("value < 10"));
    auto* big = static_cast<TKvGridColumnFilter*>(g.Columns[FQty]->GetFilters()->Add());
    big->SetName(QStringLiteral("big"));
    big->SetCriteria(QStringLiteral("value > 30"));
    const TRect cellRect = g.Grid->GetCellBounds(TKvGridCellIndex(g.Grid.get(), 2, g.Columns[FCity]));
    g.Click(TShownVantrel::Center(cellRect));
    ASSERT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 2);
    const QString before = g.Cell(2, FCity);
    const int top = g.Grid->GetTopIndex();

    const TRect header = g.HeaderRect(FQty);
    g.Move(TShownVantrel::Center(header));
    g.Paint();
    auto* cell = dynamic_cast<TKvGridHeaderCellElement*>(g.Grid->GetHeaderView()->GetCells(g.Columns[FQty]));
    ASSERT_NE(cell, nullptr);
    g.Click(TShownVantrel::Center(TShownVantrel::Bounds(cell->GetFilterHandle())));
    auto* selector = dynamic_cast<TKvGridFilterSelector*>(g.Grid->GetGridDelegate()->GetFilterSelector());
    ASSERT_NE(selector, nullptr);
    ASSERT_TRUE(selector->GetListing());

    auto key = [&](Qt::Key k) {
        QTest::keyClick(g.Win(), k);
        g.Paint();
    };
    key(Qt::Key_Space);
    key(Qt::Key_A);
    EXPECT_TRUE(selector->GetListing());
    EXPECT_FALSE(g.Grid->GetEditing());
    EXPECT_FALSE(g.Grid->IsItemEditing(-1));
    EXPECT_EQ(g.Cell(2, FCity), before);
    EXPECT_EQ(g.Grid->GetTopIndex(), top);
    // The arrows move in the list, not in the grid.
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(selector->GetFocusedIndex().ItemIndex, 1);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 2);

    key(Qt::Key_Escape);
    EXPECT_FALSE(selector->GetListing());
    EXPECT_FALSE(g.Grid->GetEditing());
    EXPECT_FALSE(g.Grid->IsItemEditing(-1));
    EXPECT_EQ(g.Cell(2, FCity), before);
    EXPECT_FALSE(small->GetActive());
    EXPECT_FALSE(big->GetActive());
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 2);
    // Closed, the keys are the grid's again.
    key(Qt::Key_Down);
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 3);
}

TEST_F(VantrelTool, CellClicksAndDoubleClicksAreTraced)
{
    g.Grid->GetEditOptions()->SetReadOnly(true); // a double click opens no editor
    QStringList lines;
    SetTraceSink([&](const QString& line) { lines << line; });
    TKvGridCellElement* cell = g.Grid->GetCellView(g.Grid->GetBody(), TKvGridCellIndex(g.Grid.get(), 2, g.Columns[FCity]));
    ASSERT_NE(cell, nullptr);
    const TPoint p = TShownVantrel::Center(TShownVantrel::Bounds(cell));
    g.Click(p);
    QTest::mouseDClick(g.Win(), Qt::LeftButton, {}, g.At(p));
    SetTraceSink(nullptr);
    const QString index = TKvGridCellIndex(g.Grid.get(), 2, g.Columns[FCity]).ToString();
    EXPECT_TRUE(lines.contains(QStringLiteral(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>> Cell clicked: ") + index)) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>> Cell dblClicked: ") + index));
}

TEST_F(VantrelTool, ARowGroupExpandHandleTogglesItsGroup)
{
    g.Grid->GetRowGroup()->GetLevels()->Add(); // the bar shows one expander column per level
    g.Grid->GroupBy({FRegion});
    g.Paint();
    const int expanded = g.Grid->GetItemCount();
    TKvGridRowGroupElement* bar = g.Grid->GetRowGroupView();
    ASSERT_GT(bar->GetIndicatorCount(), 0);
    TKvGridRowGroupIndicatorElement* level = bar->GetIndicator(0);
    ASSERT_GT(level->GetExpanderCount(), 0);
    TKvGridRowGroupIndicatorExpander* expander = level->GetExpander(0);
    auto* group = dynamic_cast<TKvGridGroupItem*>(g.Grid->GetItem(expander->GetIndex()));
    ASSERT_NE(group, nullptr);
    ASSERT_TRUE(group->GetExpanded());
    g.Click(TShownVantrel::Center(TShownVantrel::Bounds(expander->GetHandle())));
    EXPECT_FALSE(group->GetExpanded());
    EXPECT_LT(g.Grid->GetItemCount(), expanded);
}

TEST_F(VantrelTool, ADoubleClickOnARowGroupHeaderTogglesIt)
{
    g.Grid->GroupBy({FRegion});
    g.Paint();
    const int expanded = g.Grid->GetItemCount();
    TKvGridRowGroupElement* bar = g.Grid->GetRowGroupView();
    ASSERT_GT(bar->GetHeaderCount(), 0);
    TKvGridRowGroupHeaderElement* header = bar->GetHeader(0);
    const int index = header->GetIndex();
    auto group = [&] { return dynamic_cast<TKvGridGroupItem*>(g.Grid->GetItem(index)); };
    ASSERT_NE(group(), nullptr);
    ASSERT_TRUE(group()->GetExpanded());
    // Right of the caption, away from the expand handle.
    const TRect r = TShownVantrel::Bounds(header);
    const TPoint p{r.Right - 12, (r.Top + r.Bottom) / 2};
    g.Cursor = p;
    QTest::mouseDClick(g.Win(), Qt::LeftButton, {}, g.At(p));
    g.Paint();
    ASSERT_NE(group(), nullptr);
    EXPECT_FALSE(group()->GetExpanded());
    EXPECT_LT(g.Grid->GetItemCount(), expanded);
    // Its header stays where it was: a second double click opens it again.
    QTest::mouseDClick(g.Win(), Qt::LeftButton, {}, g.At(p));
    g.Paint();
    EXPECT_TRUE(group()->GetExpanded());
    EXPECT_EQ(g.Grid->GetItemCount(), expanded);
}

TEST_F(VantrelTool, AColumnThatIsNotMovableCannotBeDragged)
{
    g.Columns[FQty]->SetMovable(false);
    g.Paint();
    g.DragTo(TShownVantrel::Center(g.HeaderRect(FQty)), TShownVantrel::Center(g.HeaderRect(FRegion)));
    EXPECT_EQ(dynamic_cast<TKvColumnMoveTracker2*>(Tool()->GetDragTracker()), nullptr);
    g.Release(TShownVantrel::Center(g.HeaderRect(FRegion)));
    EXPECT_EQ(Order(), (QStringList{"Region", "City", "Qty"}));
    // The others still move, also onto its place.
    g.Drag(TShownVantrel::Center(g.HeaderRect(FRegion)), TShownVantrel::Center(g.HeaderRect(FQty)));
    EXPECT_EQ(Order(), (QStringList{"City", "Qty", "Region"}));
    // Movable again, it moves.
    g.Columns[FQty]->SetMovable(true);
    g.Drag(TShownVantrel::Center(g.HeaderRect(FQty)), TShownVantrel::Center(g.HeaderRect(FCity)));
    EXPECT_EQ(Order(), (QStringList{"Qty", "City", "Region"}));
}

TEST_F(VantrelTool, EveryGroupedLevelHasItsBarColumnAndExpandBoxes)
{
    // No row-group style entries: the bar follows the grouped depth alone.
    ASSERT_EQ(g.Grid->GetRowGroup()->GetLevels()->Count(), 0);
    g.Grid->GroupBy({FRegion, FCity});
    g.Paint();
    const int indent = g.Grid->GetRowGroup()->GetLevelIndent();
    const int left = g.Layout()->RowGroupBounds().Left;
    EXPECT_EQ(g.Layout()->RowGroupBarWidth(), 2u * indent);
    const TRect bar{left, 0, left + 2 * indent, 0};

    // The first city group below the first region group.
    int city = -1;
    for (int i = 0; i < g.Grid->GetItemCount() && city < 0; ++i)
        if (auto* group = dynamic_cast<TKvGridGroupItem*>(g.Grid->GetItem(i)); group && group->GetLevel() == 2)
            city = i;
    ASSERT_GE(city, 0);
    auto* group = static_cast<TKvGridGroupItem*>(g.Grid->GetItem(city));
    ASSERT_TRUE(group->GetExpanded());
    TKvGridRowGroupElement* groups = g.Grid->GetRowGroupView();
    TKvGridRowGroupHeaderElement* header = nullptr;
    for (int i = 0; i < groups->GetHeaderCount(); ++i)
        if (groups->GetHeader(i)->GetIndex() == city)
            header = groups->GetHeader(i);
    ASSERT_NE(header, nullptr);
    const TRect row = TShownVantrel::Bounds(header);
    // Its header starts after both level columns, not inside the first data column.
    EXPECT_EQ(row.Left, bar.Right);

    // Its expand box sits in the second level column.
    const TPoint box{bar.Left + indent + indent / 2, (row.Top + row.Bottom) / 2};
    bool framed = false;
    for (int x = bar.Left + indent; x < bar.Left + 2 * indent; ++x)
        framed = framed || g.Rgb(x, box.Y) == ColorOf(TKvStroke::Gray());
    EXPECT_TRUE(framed) << "no expand box on the city group's row";

    const int shown = g.Grid->GetItemCount();
    g.Click(box);
    EXPECT_FALSE(group->GetExpanded());
    EXPECT_LT(g.Grid->GetItemCount(), shown);
}

TEST_F(VantrelTool, HeaderClickOnAGroupedColumnTurnsOnlyItsDirection)
{
    g.Grid->GroupBy({FRegion});
    g.Click(TShownVantrel::Center(g.HeaderRect(FCity)));
    ASSERT_EQ(g.Grid->GetSortFields(), (TKvIntegerArray{FRegion, FCity}));
    // The cities of every region, as shown.
    auto shown = [&] {
        std::vector<std::pair<QString, QString>> rows;
        for (int row : g.Rows())
            rows.emplace_back(g.Data->GetData(row, FRegion).ToString(), g.Data->GetData(row, FCity).ToString());
        return rows;
    };
    auto citiesAscendWithinRegions = [](const std::vector<std::pair<QString, QString>>& rows) {
        for (size_t i = 1; i < rows.size(); ++i)
            if (rows[i].first == rows[i - 1].first && rows[i].second < rows[i - 1].second)
                return false;
        return true;
    };
    ASSERT_TRUE(citiesAscendWithinRegions(shown()));

    const TPoint region = TShownVantrel::Center(g.HeaderRect(FRegion));
    g.Click(region);
    EXPECT_EQ(g.Grid->GetSortFields(), (TKvIntegerArray{FRegion, FCity}));
    EXPECT_EQ(g.Grid->GetSortDirections(), (TKvGridSortDirections{SortDescending, SortAscending}));
    std::vector<std::pair<QString, QString>> rows = shown();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front().first, QStringLiteral("West"));
    EXPECT_TRUE(citiesAscendWithinRegions(rows));
    // Back to ascending: the city order still holds.
    g.Click(region);
    EXPECT_EQ(g.Grid->GetSortFields(), (TKvIntegerArray{FRegion, FCity}));
    EXPECT_EQ(g.Grid->GetSortDirections(), (TKvGridSortDirections{SortAscending, SortAscending}));
    rows = shown();
    EXPECT_EQ(rows.front().first, QStringLiteral("East"));
    EXPECT_TRUE(citiesAscendWithinRegions(rows));
}
