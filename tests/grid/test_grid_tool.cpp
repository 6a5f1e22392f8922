// The selection tool on shown offscreen grids, driven by synthetic Qt mouse and key input:
// block and extended selection, resize bands and double-click fit, cell buttons, check
// toggles, navigation over vertical column groups, auto-scroll on a fake clock, hovering.
#include "GridTestSupport.h"
#include "TestSupport.h"

#include "model/KvGrids.Common.h"
#include "platform/ui/Services.h"

#include <QtGui/QWindow>
#include <QtTest/QTest>

using namespace kv;
using namespace kvtest;

namespace {

// A clock the test advances by hand.
struct TFakeTimer : TKvGridTimer
{
    static inline std::function<void()> Tick;
    static inline int Running = 0;
    void Start(unsigned, std::function<void()> tick) override
    {
        Tick = std::move(tick);
        ++Running;
    }
    void Stop() override
    {
        Tick = nullptr;
        --Running;
    }
};

// A clickable cell renderer counting its clicks.
class TClickRenderer : public TKvGridDataCellRenderer
{
public:
    using TKvGridDataCellRenderer::TKvGridDataCellRenderer;
    bool IsClickable(const TRectF&, int, int, TShiftState) override { return true; }
    bool Click(const TRectF&, int, int, const TKvGridCellIndex&) override
    {
        ++Clicks;
        return true;
    }
    int Clicks = 0;
};

struct GridTool : ::testing::Test
{
    TShownGrid g;
    TPoint Cursor; // client coordinates of the fake screen cursor

    void SetUp() override
    {
        TKvGridInput::CursorPos = [this] { return g.Grid->ClientToScreen(Cursor); };
        TKvGridInput::NewTimer = [] { return std::unique_ptr<TKvGridTimer>(new TFakeTimer()); };
    }
    void TearDown() override { TKvGridInput::Reset(); }

    // rows by cols, showing about visible rows, columns a little wider than their text.
    void Make(int rows, int cols, int visibleRows = 10)
    {
        const int unit = BodyRowUnit(g.Grid.get());
        g.Fill(rows, cols, unit * 4);
        Show(g.Grid->GetIndicator()->GetMinWidth() + cols * unit * 4 + unit * 2, unit * (visibleRows + 2));
    }
    void Show(int width, int height)
    {
        g.Show(width, height);
        QWidget* window = g.Grid->Widget()->window();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        g.Grid->SetFocus();
        g.Paint();
    }
    TKvGridView* Grid() const { return g.Grid.get(); }
    TKvAbstractGridLayoutManager* Layout() const { return g.Grid->GetLayoutManager(); }
    TKvGridSelectionManager* Sel() const { return g.Grid->GetSelections(); }
    TKvGridSelectionTool* Tool() const { return dynamic_cast<TKvGridSelectionTool*>(g.Grid->GetActiveTool()); }
    TKvGridCellIndex Index(int item, int col) const { return TKvGridCellIndex(g.Grid.get(), item, g.Columns[col]); }

    TRect Bounds(TKvSprite* view) const
    {
        const TRectF r = view->BoundsByContainer();
        return TRect{int(r.Left), int(r.Top), int(r.Right), int(r.Bottom)};
    }
    TRect CellRect(int item, int col) const
    {
        TKvGridCellElement* view = g.Grid->GetCellView(g.Grid->GetBody(), Index(item, col));
        EXPECT_NE(view, nullptr);
        return view ? Bounds(view) : TRect{};
    }
    TRect HeaderRect(int col) const
    {
        return Bounds(g.Grid->GetCellView(g.Grid->GetHeader(), TKvGridCellIndex(g.Columns[col])));
    }
    TRect IndicatorRect(int item) const
    {
        TKvGridIndicatorElement* bar = g.Grid->GetIndicatorView();
        for (int i = 0; i < bar->GetCellCount(); ++i)
            if (bar->GetCell(i)->GetVisible() && bar->GetCell(i)->GetIndex() == item)
                return Bounds(bar->GetCell(i));
        ADD_FAILURE() << "no indicator cell for " << item;
        return TRect{};
    }
    static TPoint Center(const TRect& r) { return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

    QWindow* Win() const { return g.Grid->Widget()->window()->windowHandle(); }
    QPoint At(int x, int y) const { return WindowPointOf(g.Grid.get(), x, y); }
    static QPoint WindowPointOf(TControl* c, int x, int y)
    {
        const TPoint o = c->GetClientOrigin();
        return c->Widget()->mapTo(c->Widget()->window(), QPoint(o.X + x, o.Y + y));
    }
    void Press(TPoint p, Qt::KeyboardModifiers m = {})
    {
        Cursor = p;
        QTest::mousePress(Win(), Qt::LeftButton, m, At(p.X, p.Y));
    }
    void Move(TPoint p, Qt::KeyboardModifiers m = {})
    {
        Cursor = p;
        QTest::mouseMove(Win(), At(p.X, p.Y));
    }
    void Release(TPoint p, Qt::KeyboardModifiers m = {})
    {
        Cursor = p;
        QTest::mouseRelease(Win(), Qt::LeftButton, m, At(p.X, p.Y));
        g.Paint();
    }
    void Click(TPoint p, Qt::KeyboardModifiers m = {})
    {
        Press(p, m);
        Release(p, m);
    }
    // Press, release, and a second press that Qt reports as the double click.
    void DoubleClick(TPoint p)
    {
        Cursor = p;
        QTest::mouseDClick(Win(), Qt::LeftButton, {}, At(p.X, p.Y));
        g.Paint();
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers m = {})
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, m);
        g.Paint();
    }
    TKvGridRange Range(int i) const { return Sel()->GetItem(i)->GetBounds(); }
};

TEST_F(GridTool, BlockDragAndExtendedSelectionWithCtrlAndShift)
{
    Make(30, 4);
    // A block from (1, 0) dragged to (3, 2): one item, focus on the pressed cell.
    Press(Center(CellRect(1, 0)));
    Move(Center(CellRect(2, 1)));
    Move(Center(CellRect(3, 2)));
    Release(Center(CellRect(3, 2)));
    ASSERT_EQ(Sel()->GetCount(), 1);
    EXPECT_EQ(Range(0).R1, 1);
    EXPECT_EQ(Range(0).R2, 3);
    EXPECT_EQ(Range(0).C1, g.Columns[0]);
    EXPECT_EQ(Range(0).C2, g.Columns[2]);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(1, 0));
    EXPECT_TRUE(Sel()->GetItem(0)->Contains(Index(2, 1)));

    // Ctrl on the indicator adds rows items; overlapping ones normalise into one.
    Click(Center(IndicatorRect(5)), Qt::ControlModifier);
    ASSERT_EQ(Sel()->GetCount(), 1) << "a rows press drops the block items";
    EXPECT_EQ(Sel()->GetItem(0)->GetStyle(), SelectRows);
    Press(Center(IndicatorRect(7)), Qt::ControlModifier);
    Move(Center(IndicatorRect(8)), Qt::ControlModifier);
    Release(Center(IndicatorRect(8)), Qt::ControlModifier);
    ASSERT_EQ(Sel()->GetCount(), 2);
    EXPECT_EQ(Range(1).R1, 7);
    EXPECT_EQ(Range(1).R2, 8);
    Press(Center(IndicatorRect(6)), Qt::ControlModifier);
    Move(Center(IndicatorRect(4)), Qt::ControlModifier);
    Release(Center(IndicatorRect(4)), Qt::ControlModifier);
    Click(Center(IndicatorRect(9)), Qt::ControlModifier); // normalises the overlap first
    ASSERT_EQ(Sel()->GetCount(), 3);
    EXPECT_EQ(Range(0).R1, 4);
    EXPECT_EQ(Range(0).R2, 6);
    EXPECT_EQ(Range(1).R1, 7);
    EXPECT_EQ(Range(2).R1, 9);

    // Shift extends the current item from its anchor; the focus stays.
    Click(Center(IndicatorRect(2)));
    Press(Center(IndicatorRect(4)), Qt::ShiftModifier);
    Move(Center(IndicatorRect(5)), Qt::ShiftModifier);
    Move(Center(IndicatorRect(6)), Qt::ShiftModifier);
    Release(Center(IndicatorRect(6)), Qt::ShiftModifier);
    ASSERT_EQ(Sel()->GetCount(), 1);
    EXPECT_EQ(Range(0).R1, 2);
    EXPECT_EQ(Range(0).R2, 6);
    EXPECT_EQ(Grid()->GetFocusedIndex().ItemIndex, 2);

    // Single mode: any press clears, Ctrl too.
    Grid()->GetSelectOptions()->SetMode(SelectSingle);
    Click(Center(CellRect(2, 2)));
    Click(Center(CellRect(4, 3)), Qt::ControlModifier);
    ASSERT_EQ(Sel()->GetCount(), 1);
    EXPECT_EQ(Range(0).R1, 4);

    // A plain press on a header never starts a column selection; Ctrl does.
    Grid()->GetSelectOptions()->SetMode(SelectExtended);
    Grid()->GetSelectOptions()->SetStyle(SelectColumns);
    g.Paint();
    Click(Center(HeaderRect(1)));
    EXPECT_EQ(Sel()->GetCount(), 0);
    // A plain body drag with the columns style makes no item and does not fail.
    Press(Center(CellRect(1, 1)));
    Move(Center(CellRect(2, 3)));
    Release(Center(CellRect(2, 3)));
    EXPECT_EQ(Sel()->GetCount(), 0);
    Press(Center(HeaderRect(1)), Qt::ControlModifier);
    Move(Center(HeaderRect(2)), Qt::ControlModifier);
    Release(Center(HeaderRect(2)), Qt::ControlModifier);
    ASSERT_EQ(Sel()->GetCount(), 1);
    EXPECT_EQ(Range(0).C1, g.Columns[1]);
    EXPECT_EQ(Range(0).C2, g.Columns[2]);
}

TEST_F(GridTool, ResizeBandsAndDoubleClickFit)
{
    Make(30, 4);
    const TRect header = HeaderRect(0);
    const int width = g.Columns[0]->GetWidth();
    const TKvGridCellIndex focus = Grid()->GetFocusedIndex();
    const TPoint edge{header.Right - 2, Center(header).Y};
    Move(edge);
    EXPECT_EQ(Grid()->GetCursor(), crHSplit);
    // Fewer than 3 pixels do not start; then the column follows the mouse.
    Press(edge);
    Move(TPoint{edge.X + 2, edge.Y});
    EXPECT_EQ(g.Columns[0]->GetWidth(), width);
    Move(TPoint{edge.X + 3, edge.Y});
    Move(TPoint{edge.X + 25, edge.Y});
    Release(TPoint{edge.X + 25, edge.Y});
    EXPECT_EQ(g.Columns[0]->GetWidth(), width + 25);
    EXPECT_EQ(Grid()->GetFocusedIndex(), focus) << "a resize press does not move the focus";
    // Not narrower than 2 pixels.
    const TRect wide = HeaderRect(0);
    Press(TPoint{wide.Right - 1, edge.Y});
    Move(TPoint{wide.Right + 5, edge.Y});
    Move(TPoint{wide.Left + 1, edge.Y});
    EXPECT_EQ(g.Columns[0]->GetWidth(), 2);
    Move(TPoint{wide.Left - 40, edge.Y});
    Release(TPoint{wide.Left - 40, edge.Y});
    EXPECT_EQ(g.Columns[0]->GetWidth(), 2);

    // Double-clicking the band fits the column to its content.
    const TRect narrow = HeaderRect(0);
    DoubleClick(TPoint{narrow.Right - 1, edge.Y});
    EXPECT_EQ(g.Columns[0]->GetWidth(), Layout()->FitColumnWidth(g.Columns[0]));
    EXPECT_GT(g.Columns[0]->GetWidth(), 10);

    // Under FitEven the last visible column offers no band; the others shrink their neighbour.
    Grid()->GetDisplayOptions()->SetFitStyle(FitEven);
    g.Paint();
    const TRect last = HeaderRect(3);
    Move(TPoint{last.Right - 2, Center(last).Y});
    EXPECT_EQ(Grid()->GetCursor(), crDefault);
    const int w1 = g.Columns[1]->GetWidth(), w2 = g.Columns[2]->GetWidth();
    const TRect second = HeaderRect(1);
    Press(TPoint{second.Right - 1, edge.Y});
    Move(TPoint{second.Right + 3, edge.Y});
    Move(TPoint{second.Right + 9, edge.Y});
    Release(TPoint{second.Right + 9, edge.Y});
    EXPECT_EQ(g.Columns[1]->GetWidth() - w1, w2 - g.Columns[2]->GetWidth());
    EXPECT_GT(g.Columns[1]->GetWidth(), w1);
    Grid()->GetDisplayOptions()->SetFitStyle(TKvGridFitStyle::FitNone);

    // Row band at the first row's bottom in the indicator: all rows take the new height.
    Grid()->GetDisplayOptions()->SetRowResizable(true);
    g.Paint();
    const TRect row = IndicatorRect(0);
    const int rowHeight = row.Height();
    Move(TPoint{row.Left + 2, row.Bottom - 1});
    EXPECT_EQ(Grid()->GetCursor(), crVSplit);
    Press(TPoint{row.Left + 2, row.Bottom - 1});
    Move(TPoint{row.Left + 2, row.Bottom + 4});
    Move(TPoint{row.Left + 2, row.Bottom + 11});
    Release(TPoint{row.Left + 2, row.Bottom + 11});
    EXPECT_EQ(Grid()->GetDisplayOptions()->GetDefaultRowHeight(), rowHeight + 12);
    EXPECT_EQ(IndicatorRect(1).Height(), rowHeight + 12);

    // Header band left of the columns.
    Grid()->GetDisplayOptions()->SetHeaderResizable(true);
    g.Paint();
    const TRect hb = Layout()->HeaderBounds();
    Press(TPoint{2, hb.Bottom - 1});
    Move(TPoint{2, hb.Bottom + 5});
    Move(TPoint{2, hb.Bottom + 20});
    Release(TPoint{2, hb.Bottom + 20});
    EXPECT_EQ(Grid()->GetHeader()->GetHeight(), hb.Height() + 21);
    EXPECT_EQ(Layout()->HeaderBounds().Height(), hb.Height() + 21);
}

TEST_F(GridTool, CellButtonsFireOnAcceptedReleaseOnly)
{
    Make(10, 3);
    g.Columns[1]->SetButton(ButtonAction);
    g.Columns[1]->SetAlwaysShowButton(true);
    int actions = 0;
    Grid()->OnCellAction = [&](TKvGridView*, const TKvGridCellIndex& index) {
        ++actions;
        EXPECT_EQ(index, Index(2, 1));
    };
    g.Paint();
    auto* cell = dynamic_cast<TKvGridDataCellElement*>(Grid()->GetCellView(Grid()->GetBody(), Index(2, 1)));
    ASSERT_NE(cell, nullptr);
    ASSERT_GT(cell->GetButtonWidth(), 0);
    const TRect r = CellRect(2, 1);
    TPoint button{r.Right - 1, Center(r).Y};
    while (button.X > r.Left && !cell->PtInButton(cell->ContainerToSprite(button)))
        --button.X;
    ASSERT_TRUE(cell->PtInButton(cell->ContainerToSprite(button)));

    Press(button);
    EXPECT_TRUE(cell->GetButtonPressed());
    Release(button);
    EXPECT_EQ(actions, 1);
    EXPECT_FALSE(cell->GetButtonPressed());
    // Released outside the button: nothing.
    Press(button);
    Move(Center(CellRect(5, 0)));
    EXPECT_FALSE(cell->GetButtonPressed());
    Release(Center(CellRect(5, 0)));
    EXPECT_EQ(actions, 1);
    // The press a closing drop-down sends on is ignored.
    TKvGridInput::MessageExtraInfo = [] { return std::intptr_t(CLOSEUP_MESSAGE); };
    Click(button);
    EXPECT_EQ(actions, 1);
}

TEST_F(GridTool, CheckTogglesOnReleaseInEveryMode)
{
    Make(10, 3);
    TOwned<TClickRenderer> renderer = MakeOwned<TClickRenderer>(nullptr);
    g.Columns[2]->SetRenderer(renderer.get());
    g.Paint();
    Press(Center(CellRect(3, 2)));
    EXPECT_EQ(renderer->Clicks, 0) << "not on the press";
    Release(Center(CellRect(3, 2)));
    EXPECT_EQ(renderer->Clicks, 1);
    Grid()->GetSelectOptions()->SetMode(SelectNone);
    Click(Center(CellRect(4, 2)));
    EXPECT_EQ(renderer->Clicks, 2);
    EXPECT_EQ(Sel()->GetCount(), 0);
    // Released on another cell: no click.
    Press(Center(CellRect(4, 2)));
    Release(Center(CellRect(6, 2)));
    EXPECT_EQ(renderer->Clicks, 2);
    g.Columns[2]->SetRenderer(nullptr);

    // The check bar: a cell toggles its item, the corner toggles them all.
    Grid()->GetCheckBar()->SetVisible(true);
    g.Paint();
    TKvGridCheckBarElement* bar = Grid()->GetCheckBarView();
    TKvGridItemCellElement* checkCell = nullptr;
    for (int i = 0; i < bar->GetCellCount() && !checkCell; ++i)
        if (bar->GetCell(i)->GetIndex() == 2)
            checkCell = bar->GetCell(i);
    ASSERT_NE(checkCell, nullptr);
    Click(Center(Bounds(checkCell)));
    EXPECT_TRUE(Grid()->GetItem(2)->GetChecked());
    EXPECT_EQ(Tool()->GetLastCheckIndex(), 2);
    Click(Center(Bounds(Grid()->GetCheckBarHeadView())));
    for (int i = 0; i < Grid()->GetItemCount(); ++i)
        EXPECT_TRUE(Grid()->GetItem(i)->GetChecked()) << i;
}

TEST_F(GridTool, NavigationOverNestedVerticalGroups)
{
    // Columns: A | group(vertical: B, group(horizontal: C, D)) | E
    TShownGrid& s = g;
    const int unit = BodyRowUnit(s.Grid.get());
    s.Fill(40, 5, unit * 4);
    auto move = [&](TKvGridColumn* c, TKvGridColumnGroup* to) {
        c->GetParentGroup()->GetColumns()->Remove(c);
        to->GetColumns()->Add(c);
    };
    TKvGridColumnGroup* outer = s.Grid->InsertColumnGroup(nullptr, 1);
    outer->SetOrientation(ColumnsVertical);
    move(s.Columns[1], outer);
    TKvGridColumnGroup* inner = s.Grid->AddColumnGroup(outer);
    move(s.Columns[2], inner);
    move(s.Columns[3], inner);
    s.Grid->ResetColumnIndicies();
    Show(s.Grid->GetIndicator()->GetMinWidth() + unit * 24, unit * 20);
    const auto A = s.Columns[0], B = s.Columns[1], C = s.Columns[2], D = s.Columns[3], E = s.Columns[4];
    auto at = [&](int item, TKvGridColumn* c) { return TKvGridCellIndex(s.Grid.get(), item, c); };
    auto expect = [&](Qt::Key key, Qt::KeyboardModifiers m, TKvGridCellIndex from, TKvGridCellIndex to) {
        s.Grid->SetFocusedIndex(from);
        Key(key, m);
        EXPECT_EQ(s.Grid->GetFocusedIndex(), to)
            << QTest::toString(QKeySequence(key | m)) << " from " << from.ToString().toStdString() << " got "
            << s.Grid->GetFocusedIndex().ToString().toStdString();
    };
    expect(Qt::Key_Right, {}, at(3, A), at(3, B));
    expect(Qt::Key_Right, {}, at(3, B), at(3, E));
    expect(Qt::Key_Right, {}, at(3, C), at(3, D));
    expect(Qt::Key_Left, {}, at(3, B), at(3, A));
    expect(Qt::Key_Down, {}, at(3, B), at(3, C));
    expect(Qt::Key_Down, {}, at(3, D), at(4, D));
    expect(Qt::Key_Up, {}, at(3, C), at(3, B));
    expect(Qt::Key_Up, {}, at(3, B), at(2, B));
    expect(Qt::Key_Up, {}, at(0, A), at(0, A));
    expect(Qt::Key_Home, {}, at(3, D), at(3, A));
    expect(Qt::Key_End, {}, at(3, A), at(3, E));
    expect(Qt::Key_Home, Qt::ControlModifier, at(7, C), at(0, C));
    expect(Qt::Key_End, Qt::ControlModifier, at(7, C), at(39, C));
    expect(Qt::Key_Tab, {}, at(3, B), at(3, C));
    expect(Qt::Key_Tab, {}, at(3, D), at(3, E));
    expect(Qt::Key_Tab, Qt::ShiftModifier, at(3, C), at(3, B));
    expect(Qt::Key_Return, {}, at(3, A), at(3, B));
    const int page = s.Grid->GetLayoutManager()->FullItemCount();
    ASSERT_GT(page, 1);
    expect(Qt::Key_PageDown, {}, at(0, A), at(page, A));
    expect(Qt::Key_PageUp, {}, at(page + 2, A), at(2, A));

    // Leaving the last cell: without crossing the focus stays; with it, the next row begins.
    expect(Qt::Key_Tab, {}, at(3, E), at(3, E));
    s.Grid->GetEditOptions()->SetCrossWhenExitLastCell(true);
    expect(Qt::Key_Tab, {}, at(3, E), at(4, A));
    expect(Qt::Key_Return, {}, at(3, E), at(4, A));
    expect(Qt::Key_Right, {}, at(3, E), at(4, A));
    expect(Qt::Key_Tab, Qt::ShiftModifier, at(4, A), at(4, A));

    // Shift extends the current selection item and leaves the focus.
    s.Grid->SetFocusedIndex(at(5, A), true);
    ASSERT_EQ(Sel()->GetCount(), 1);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(s.Grid->GetFocusedIndex(), at(5, A));
    EXPECT_EQ(Sel()->GetCurrent()->GetLastIndex(), at(6, B));
    // A rows item has no column to move: Shift+Left and Shift+End change nothing.
    Sel()->ClearAndAdd(at(5, nullptr), at(6, nullptr), SelectRows);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    Key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(Sel()->GetCurrent()->GetLastIndex().ItemIndex, 6);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Sel()->GetCurrent()->GetLastIndex().ItemIndex, 7);
    // Ctrl+C copies the focused cell through the clipboard manager.
    SetClipboardText(QString());
    s.Grid->SetFocusedIndex(at(7, C), true);
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(GetClipboardText(), s.Grid->GetCellData(at(7, C)).ToString());
    EXPECT_FALSE(GetClipboardText().isEmpty());
    s.Grid->SetFocusedIndex(at(5, A), true);
    // With no item Shift+arrow does nothing.
    Sel()->Clear();
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Sel()->GetCount(), 0);
    EXPECT_EQ(s.Grid->GetFocusedIndex(), at(5, A));
}

TEST_F(GridTool, AutoScrollFollowsTheDistanceOnAFakeClock)
{
    Make(100, 3, 8);
    Grid()->GetSelectOptions()->SetStyle(SelectRows);
    g.Paint();
    Press(Center(CellRect(2, 1)));
    ASSERT_EQ(Sel()->GetCount(), 1);
    const int footer = Layout()->FooterBounds().Top;
    auto ticks = [&](int n) {
        for (int i = 0; i < n && TFakeTimer::Tick; ++i)
            TFakeTimer::Tick();
    };
    // 20 pixels below: one row every 4 ticks.
    Move(TPoint{Center(CellRect(2, 1)).X, footer + 20});
    ASSERT_TRUE(TFakeTimer::Tick);
    EXPECT_EQ(TFakeTimer::Running, 1);
    ticks(3);
    EXPECT_EQ(Grid()->GetTopIndex(), 0);
    ticks(1);
    EXPECT_EQ(Grid()->GetTopIndex(), 1);
    EXPECT_EQ(Sel()->GetCurrent()->GetLastIndex().ItemIndex, Grid()->GetTopItem() + Layout()->ItemCount() - 1);
    ticks(4);
    EXPECT_EQ(Grid()->GetTopIndex(), 2);
    // 120 pixels below: every 2 ticks (4 - 120 div 50).
    Cursor = TPoint{Cursor.X, footer + 120};
    ticks(2);
    EXPECT_EQ(Grid()->GetTopIndex(), 3);
    ticks(4);
    EXPECT_EQ(Grid()->GetTopIndex(), 5);
    // 200 pixels below: every tick.
    Cursor = TPoint{Cursor.X, footer + 200};
    ticks(3);
    EXPECT_EQ(Grid()->GetTopIndex(), 8);
    const int end = Sel()->GetCurrent()->GetLastIndex().ItemIndex;
    EXPECT_EQ(end, Grid()->GetTopItem() + Layout()->ItemCount() - 1);
    EXPECT_TRUE(Sel()->GetCurrent()->Contains(TKvGridCellIndex(Grid(), 5, nullptr)));
    // Each full 50 pixels past the edge make it one tick faster.
    auto* tracker = dynamic_cast<TKvGridSelectTracker*>(Tool()->GetDragTracker());
    ASSERT_NE(tracker, nullptr);
    Cursor = TPoint{Cursor.X, footer + 49};
    ticks(1);
    EXPECT_EQ(tracker->GetInterval(), 4);
    Cursor = TPoint{Cursor.X, footer + 50};
    ticks(1);
    EXPECT_EQ(tracker->GetInterval(), 3);
    // Back inside: the timer stops.
    Move(Center(CellRect(Grid()->GetTopItem() + 1, 1)));
    EXPECT_FALSE(TFakeTimer::Tick);
    EXPECT_EQ(TFakeTimer::Running, 0);
    // Clearing the selection during the drag ends it: no tick or release touches the item.
    Move(TPoint{Cursor.X, footer + 60});
    ASSERT_TRUE(TFakeTimer::Tick);
    Sel()->Clear();
    EXPECT_EQ(TFakeTimer::Running, 0);
    ticks(5);
    Move(TPoint{Cursor.X, footer + 80});
    Release(TPoint{Cursor.X, footer + 80});
    EXPECT_EQ(Sel()->GetCount(), 0);
    EXPECT_EQ(Tool()->GetDragTracker(), nullptr);
}

TEST_F(GridTool, HoverFeedbackAndItsLock)
{
    Make(20, 3);
    const TRect cell = CellRect(4, 1);
    g.Paint();
    const unsigned plain = g.Rgb(Center(cell).X + 3, Center(cell).Y + 2);
    Move(Center(cell));
    g.Paint();
    EXPECT_NE(g.Rgb(Center(cell).X + 3, Center(cell).Y + 2), plain) << "the hover mask is painted over the cell";
    TKvSprite* feedback = Tool()->GetHoverFeedback();
    EXPECT_TRUE(Grid()->ContainsFeedbackElement(feedback));
    EXPECT_EQ(Bounds(feedback), cell);
    EXPECT_EQ(Tool()->GetHoveredCell(), Grid()->GetCellView(Grid()->GetBody(), Index(4, 1)));
    // The focused cell gets no hover feedback but the focus view.
    Click(Center(cell));
    Move(TPoint{Center(cell).X + 1, Center(cell).Y});
    EXPECT_FALSE(Grid()->ContainsFeedbackElement(feedback));
    EXPECT_TRUE(Tool()->GetFocusedView()->GetVisible());
    EXPECT_EQ(Bounds(Tool()->GetFocusedView()), cell);
    EXPECT_EQ(Bounds(Tool()->GetRowHeaderMask()), IndicatorRect(4));
    // After a key the hover stays off until the mouse has moved 6 pixels.
    Key(Qt::Key_Down);
    const TRect other = CellRect(2, 2);
    Cursor = Center(other);
    Key(Qt::Key_Shift);
    Move(TPoint{Center(other).X + 3, Center(other).Y});
    EXPECT_FALSE(Grid()->ContainsFeedbackElement(feedback));
    Move(TPoint{Center(other).X + 2, Center(other).Y + 1});
    EXPECT_FALSE(Grid()->ContainsFeedbackElement(feedback));
    Move(TPoint{Center(other).X - 6, Center(other).Y + 1});
    Move(TPoint{Center(other).X - 7, Center(other).Y + 1});
    EXPECT_TRUE(Grid()->ContainsFeedbackElement(feedback));
    EXPECT_EQ(Bounds(feedback), other);
    // Leaving the cells clears it, and so does leaving the window.
    Move(TPoint{Grid()->GetClientWidth() - 2, Layout()->FooterBounds().Top - 1});
    EXPECT_FALSE(Grid()->ContainsFeedbackElement(feedback));
    Move(Center(cell));
    ASSERT_NE(Tool()->GetHoveredCell(), nullptr);
    QList<QWidget*> widgets = Grid()->Widget()->findChildren<QWidget*>();
    widgets << Grid()->Widget();
    for (QWidget* w : widgets) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(w, &leave);
    }
    EXPECT_EQ(Tool()->GetHoveredCell(), nullptr);
    EXPECT_FALSE(Grid()->ContainsFeedbackElement(feedback));
}

} // namespace

namespace {

TEST_F(GridTool, RowCommandsFromKeys)
{
    Make(5, 3);
    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(g.Grid->GetItemProvider());
    g.Grid->SetItemSource(editable.get());
    struct TRestore
    {
        TKvGridView* Grid;
        ~TRestore() { Grid->SetItemSource(Grid->GetOwnedItemProvider()); }
    } restore{g.Grid.get()};
    g.Paint();
    TKvGridEditOptions* options = Grid()->GetEditOptions();

    // Down on the last row appends and moves into the new row, which the move keeps.
    Grid()->SetFocusedIndex(Index(4, 1));
    Key(Qt::Key_Down);
    EXPECT_EQ(Grid()->GetItemCount(), 6);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(5, 1));
    EXPECT_TRUE(Grid()->IsItemEditing(5));
    // Down again on the unchanged pending row: nothing to commit, the focus stays.
    Key(Qt::Key_Down);
    EXPECT_EQ(Grid()->GetItemCount(), 6);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(5, 1));
    // Escape cancels the pending row.
    Key(Qt::Key_Escape);
    EXPECT_EQ(Grid()->GetItemCount(), 5);
    EXPECT_EQ(g.Data->GetRowCount(), 5);

    // Insert starts a pending row before the focused one when inserting is allowed.
    Grid()->SetFocusedIndex(Index(2, 0));
    Key(Qt::Key_Insert);
    EXPECT_EQ(Grid()->GetItemCount(), 5);
    options->SetInsertable(true);
    Key(Qt::Key_Insert);
    ASSERT_EQ(Grid()->GetItemCount(), 6);
    EXPECT_EQ(Grid()->GetItem(2)->GetItemState(), ItemInserting);
    // Enter on its last cell commits it (exit rule) and the focus stays.
    options->SetCommitWhenExitLastCell(true);
    options->SetCommitWhenNoEdit(true);
    Grid()->SetFocusedIndex(Index(2, 2));
    Key(Qt::Key_Return);
    EXPECT_EQ(g.Data->GetRowCount(), 6);
    EXPECT_FALSE(Grid()->IsItemEditing(2));
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(2, 2));

    // Delete removes the selected rows; it needs Ctrl and the option.
    options->SetDeleteRowsConfirm(false);
    Press(Center(IndicatorRect(1)));
    Move(Center(IndicatorRect(2)));
    Release(Center(IndicatorRect(2)));
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(g.Data->GetRowCount(), 6);
    options->SetDeletable(true);
    Key(Qt::Key_Delete);
    EXPECT_EQ(g.Data->GetRowCount(), 6);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(g.Data->GetRowCount(), 4);
}

} // namespace

// A Shift+click without a drag extends the selection from the focused cell, which stays, on
// cells, the indicator and the header.
TEST_F(GridTool, ShiftClickExtendsTheSelectionFromTheFocusedCell)
{
    Make(30, 4);
    Grid()->GetSelectOptions()->SetMode(SelectExtended);
    Click(Center(CellRect(2, 1)));
    ASSERT_EQ(Grid()->GetFocusedIndex(), Index(2, 1));
    Click(Center(CellRect(5, 3)), Qt::ShiftModifier);
    ASSERT_EQ(Sel()->GetCount(), 1);
    EXPECT_EQ(Range(0).R1, 2);
    EXPECT_EQ(Range(0).R2, 5);
    EXPECT_EQ(Range(0).C1, g.Columns[1]);
    EXPECT_EQ(Range(0).C2, g.Columns[3]);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(2, 1));
    // A second Shift+click moves the far corner of the same block.
    Click(Center(CellRect(1, 0)), Qt::ShiftModifier);
    ASSERT_EQ(Sel()->GetCount(), 1);
    EXPECT_EQ(Range(0).R1, 1);
    EXPECT_EQ(Range(0).R2, 2);
    EXPECT_EQ(Range(0).C1, g.Columns[0]);
    EXPECT_EQ(Range(0).C2, g.Columns[1]);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(2, 1));

    // The indicator: rows from the focused one.
    Click(Center(CellRect(4, 0)));
    Click(Center(IndicatorRect(7)), Qt::ShiftModifier);
    ASSERT_EQ(Sel()->GetCount(), 1);
    EXPECT_EQ(Sel()->GetItem(0)->GetStyle(), SelectRows);
    EXPECT_EQ(Range(0).R1, 4);
    EXPECT_EQ(Range(0).R2, 7);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(4, 0));

    // The header: columns from the focused one.
    Click(Center(CellRect(4, 1)));
    Click(Center(HeaderRect(3)), Qt::ShiftModifier);
    ASSERT_EQ(Sel()->GetCount(), 1);
    EXPECT_EQ(Sel()->GetItem(0)->GetStyle(), SelectColumns);
    EXPECT_EQ(Range(0).C1, g.Columns[1]);
    EXPECT_EQ(Range(0).C2, g.Columns[3]);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(4, 1));
}
