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

namespace {

// A table whose reads of one field raise "boom" while armed, as a provider over a source that
// fails does: either the reads that sort and group its rows, or reading single values (which
// a paint does too).
class TFailingTable : public TKvSimpleDataProvider
{
public:
    enum TReads { OrderingReads, ValueReads };
    using TKvSimpleDataProvider::TKvSimpleDataProvider;
    bool Armed = false;
    TReads Reads = OrderingReads;
    int Field = FCity;

    Variant GetData(int Row, int F) const override
    {
        if (Reads == ValueReads)
            Check(F);
        return TKvSimpleDataProvider::GetData(Row, F);
    }
    const Variant* GetFieldValues(int F) const override
    {
        CheckOrdering(F);
        return TKvSimpleDataProvider::GetFieldValues(F);
    }
    const Variant* GetKeptFieldValues(int F) const override
    {
        CheckOrdering(F);
        return TKvSimpleDataProvider::GetKeptFieldValues(F);
    }
    void GetCells(int F, TKvRowIndices Rows, Variant* Cells) const override
    {
        CheckOrdering(F);
        TKvSimpleDataProvider::GetCells(F, Rows, Cells);
    }
    bool GetOrderKeys(int F, TKvRowIndices Rows, std::uint64_t* Keys, std::uint64_t& Max) const override
    {
        CheckOrdering(F);
        return TKvSimpleDataProvider::GetOrderKeys(F, Rows, Keys, Max);
    }
    bool EqualsValue(int F, int Row1, int Row2) const override
    {
        CheckOrdering(F);
        return TKvSimpleDataProvider::EqualsValue(F, Row1, Row2);
    }
    int CompareValue(int F, int Row1, int Row2) const override
    {
        CheckOrdering(F);
        return TKvSimpleDataProvider::CompareValue(F, Row1, Row2);
    }

private:
    void Check(int F) const
    {
        if (Armed && F == Field)
            throw Exception(QStringLiteral("boom"));
    }
    void CheckOrdering(int F) const
    {
        if (Reads == OrderingReads)
            Check(F);
    }
};

// What the user sees of the grid and its panel.
struct TSeenGrid
{
    TKvIntegerArray Groups;
    TKvIntegerArray SortFields;
    TKvGridSortDirections Directions;
    QStringList Items;
    int Focused = -1;
    TKvGridColumn* FocusedColumn = nullptr;
    int Top = -1;
    TCursor Cursor = crDefault;
    TKvGridPanelState Panel = PanelNormal;
    int GroupingIndex = -1;
    QStringList Chips;
    bool Prompt = false;
    bool Tracker = false;

    static TSeenGrid Of(const TShownVantrel& g, TKvGridSelectionTool* tool)
    {
        TSeenGrid s;
        s.Groups = g.Grid->GetGroupByFields();
        s.SortFields = g.Grid->GetSortFields();
        s.Directions = g.Grid->GetSortDirections();
        for (int i = 0; i < g.Grid->GetItemCount(); ++i) {
            TKvGridItem* item = g.Grid->GetItem(i);
            if (auto* group = dynamic_cast<TKvGridGroupItemImpl*>(item))
                s.Items << QStringLiteral("group %1 %2 %3 rows %4")
                               .arg(group->GetField())
                               .arg(group->GetKey().ToString())
                               .arg(group->GetExpanded() ? QStringLiteral("open") : QStringLiteral("closed"))
                               .arg(group->GetRowCount());
            else if (item && item->GetDataRow() < 0)
                s.Items << QStringLiteral("footer");
            else
                s.Items << g.Cell(i, FRegion) + ' ' + g.Cell(i, FCity) + ' ' + g.Cell(i, FQty) +
                               (item->GetChecked() ? QStringLiteral(" checked") : QString()) + ' ' +
                               QString::number(item->GetParent() ? item->GetParent()->GetLevel() : -1);
        }
        s.Focused = g.Grid->GetFocusedIndex().ItemIndex;
        s.FocusedColumn = g.Grid->GetFocusedIndex().Column;
        s.Top = g.Grid->GetTopIndex();
        s.Cursor = g.Grid->GetCursor();
        s.Panel = g.Panel()->GetState();
        s.GroupingIndex = g.Panel()->GetGroupingIndex();
        TKvGroupByView* chips = g.Panel()->GetGroupByView();
        for (int i = 0; i < chips->GetColumnViewCount(); ++i)
            if (TKvGridDataColumn* column = chips->GetColumnView(i)->GetColumn())
                s.Chips << column->GetFieldName();
        s.Prompt = g.Panel()->GetMessageView()->GetVisible();
        s.Tracker = tool && tool->GetDragTracker();
        return s;
    }
};

void ExpectSame(const TSeenGrid& was, const TSeenGrid& now)
{
    EXPECT_EQ(now.Groups, was.Groups);
    EXPECT_EQ(now.SortFields, was.SortFields);
    EXPECT_EQ(now.Directions, was.Directions);
    EXPECT_EQ(now.Items.join('\n'), was.Items.join('\n'));
    EXPECT_EQ(now.Focused, was.Focused);
    EXPECT_EQ(now.FocusedColumn, was.FocusedColumn);
    EXPECT_EQ(now.Top, was.Top);
    EXPECT_EQ(now.Cursor, was.Cursor);
    EXPECT_EQ(now.Panel, was.Panel);
    EXPECT_EQ(now.GroupingIndex, was.GroupingIndex);
    EXPECT_EQ(now.Chips, was.Chips);
    EXPECT_EQ(now.Prompt, was.Prompt);
    EXPECT_FALSE(now.Tracker) << "a drag tracker was left";
}

void GestureFailsOnce(TFailingTable::TReads reads)
{
    TShownVantrel g;
    TOwned<TFailingTable> failing = MakeOwned<TFailingTable>(nullptr);
    TFailingTable* data = failing.get();
    g.Data = std::move(failing);
    g.Fill(40);
    g.Show(460, 320);
    data->Reads = reads;
    auto* tool = dynamic_cast<TKvVantrelSelectionTool*>(g.Grid->GetActiveTool());
    ASSERT_NE(tool, nullptr);
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    const TRect panel = g.Layout()->PanelBounds();
    const TPoint inPanel{panel.Right - 40, panel.Top + panel.Height() / 2};
    auto chip = [&](int i) {
        return TShownVantrel::Center(TShownVantrel::Bounds(g.Panel()->GetGroupByView()->GetColumnView(i)));
    };
    // The second group of the first level closed, a row of the first checked and focused (in
    // the column a header press would focus).
    auto arrange = [&](int column) {
        int groups = 0;
        for (int i = 0; i < g.Grid->GetItemCount(); ++i)
            if (auto* group = dynamic_cast<TKvGridGroupItem*>(g.Grid->GetItem(i)); group && group->GetLevel() == 1 && ++groups == 2) {
                group->SetExpanded(false);
                break;
            }
        int row = 0;
        while (g.Grid->GetItem(row)->GetDataRow() < 0)
            ++row;
        g.Chain()->CheckItem(row, true);
        g.Grid->SetFocusedIndex(TKvGridCellIndex(g.Grid.get(), row, g.Columns[static_cast<size_t>(column)]));
        g.Paint();
    };
    // The release and the paints after it run with the provider failing (paints meet it too);
    // the grid is looked at once the provider works again.
    auto failingRelease = [&](TPoint at) {
        data->Armed = true;
        g.Release(at);
        g.Paint();
        data->Armed = false;
        g.Paint();
    };

    {
        SCOPED_TRACE("a header dropped into the panel");
        g.Grid->SortColumn(g.Columns[FQty]);
        g.Grid->GroupBy({FRegion});
        arrange(FCity);
        const TSeenGrid was = TSeenGrid::Of(g, tool);
        ASSERT_EQ(was.Chips, QStringList{"Region"});
        g.DragTo(TShownVantrel::Center(g.HeaderRect(FCity)), inPanel);
        ASSERT_EQ(g.Panel()->GetState(), PanelGrouping);
        failingRelease(inPanel);
        EXPECT_EQ(shown, QStringList{"boom"});
        ExpectSame(was, TSeenGrid::Of(g, tool));
    }
    {
        SCOPED_TRACE("a chip dragged out, the level left being the field that fails");
        shown.clear();
        g.Grid->GroupBy({FRegion, FCity});
        arrange(FQty);
        const TSeenGrid was = TSeenGrid::Of(g, tool);
        ASSERT_EQ(was.Chips, (QStringList{"Region", "City"}));
        const TPoint below{chip(0).X, g.Layout()->BodyBounds().Top + 20};
        g.DragTo(chip(0), below);
        ASSERT_NE(dynamic_cast<TKvPanelCellTracker*>(tool->GetDragTracker()), nullptr);
        failingRelease(below);
        EXPECT_EQ(shown, QStringList{"boom"});
        ExpectSame(was, TSeenGrid::Of(g, tool));
    }
    {
        SCOPED_TRACE("a header sort while grouped by the field that fails");
        shown.clear();
        g.Grid->GroupBy({FCity});
        arrange(FQty);
        const TSeenGrid was = TSeenGrid::Of(g, tool);
        const TPoint qty = TShownVantrel::Center(g.HeaderRect(FQty));
        g.Press(qty);
        g.Paint();
        failingRelease(qty);
        EXPECT_EQ(shown, QStringList{"boom"});
        ExpectSame(was, TSeenGrid::Of(g, tool));
    }
    {
        SCOPED_TRACE("the same gestures once the provider works");
        shown.clear();
        g.Click(TShownVantrel::Center(g.HeaderRect(FQty)));
        EXPECT_EQ(g.Grid->GetSortFields(), (TKvIntegerArray{FCity, FQty}));
        g.Drag(TShownVantrel::Center(g.HeaderRect(FRegion)), inPanel);
        EXPECT_EQ(g.Grid->GetGroupByFields(), (TKvIntegerArray{FCity, FRegion}));
        g.Drag(chip(0), TPoint{chip(0).X, g.Layout()->BodyBounds().Top + 20});
        EXPECT_EQ(g.Grid->GetGroupByFields(), TKvIntegerArray{FRegion});
        EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    }
}

} // namespace

// A data provider that fails while a grouping or a sort reads its field: the user hears of it
// once, and the grid is left as it was before the gesture, groups, order, expansion, checks,
// focus and panel alike.
TEST(VantrelToolFailures, AGroupingOrSortThatFailsHalfWayLeavesTheGridAsItWas)
{
    {
        SCOPED_TRACE("the sort's and the grouping's reads fail");
        GestureFailsOnce(TFailingTable::OrderingReads);
    }
    {
        SCOPED_TRACE("reading a single value fails");
        GestureFailsOnce(TFailingTable::ValueReads);
    }
}
