// Entering and browsing rows as a user meets it: a shown grid over an editable chain, driven
// by window-level keys, clicks, wheel turns and window resizes; checked by the rows written,
// the focused row and what the body shows.
#include "EditTestSupport.h"
#include "GridTestSupport.h"
#include "ToolTestSupport.h"
#include "TestSupport.h"

#include "grid/KvGrids.Editing.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Layout.h"

#include <QtGui/QWindow>
#include <QtTest/QTest>

using namespace kv;
using namespace kvtest;

namespace {

struct UserNavigation : ::testing::Test
{
    TLocaleScope Locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    TOwned<TKvSimpleDataProvider> Data =
        MakeTable("Name,Qty", "s,n", {{"alpha", 3}, {"beta", 40}, {"gamma", 12}});
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridEditableItemProvider> Editable;
    TOwned<TKvGridView> Grid = MakeOwned<TKvGridView>(nullptr);
    TKvGridDataColumn* Name = nullptr;
    TKvGridDataColumn* Qty = nullptr;

    void SetUp() override
    {
        Name = Add("Name");
        Qty = Add("Qty");
        Default->SetDataSource(Data.get());
        Editable = MakeOwned<TKvGridEditableItemProvider>(Default.get());
        Grid->SetItemSource(Editable.get());
        ShowFocused(Grid.get(), 400, 300);
        Paint();
    }
    void TearDown() override
    {
        Grid.reset();
        Editable.reset();
        Default.reset();
    }
    TKvGridDataColumn* Add(const QString& field)
    {
        TKvGridDataColumn* c = Grid->AddDataColumn();
        c->SetFieldName(field);
        c->SetWidth(120);
        return c;
    }
    void Paint()
    {
        Grid->Invalidate();
        Grid->Update();
        DeliverPosted();
    }
    QWindow* Win() const { return Grid->Widget()->window()->windowHandle(); }
    TKvGridCellIndex Cell(int item, TKvGridColumn* column) const { return {Grid.get(), item, column}; }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(Win(), key, mods);
        DeliverPosted();
    }
    void TypeKeys(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(Win(), c.toLatin1());
        DeliverPosted();
    }
    void ClickCell(int item, TKvGridColumn* column)
    {
        const TRect r = Grid->GetCellBounds(Cell(item, column));
        QTest::mouseClick(Win(), Qt::LeftButton, {}, WindowPoint(Grid.get(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
        DeliverPosted();
    }
    QStringList Names() const
    {
        QStringList out;
        for (int r = 0; r < Data->GetRowCount(); ++r)
            out << Data->GetData(r, 0).ToString();
        return out;
    }
    // The focused cell as "item field".
    QString Focused() const
    {
        const TKvGridCellIndex f = Grid->GetFocusedIndex();
        auto* column = dynamic_cast<TKvGridDataColumn*>(f.Column);
        return QStringLiteral("%1 %2").arg(f.ItemIndex).arg(column ? column->GetFieldName() : QStringLiteral("-"));
    }
    // The name in the focused row, as the grid shows it.
    QString FocusedName() const { return Grid->GetCellData(Cell(Grid->GetFocusedIndex().ItemIndex, Name)).ToString(); }
};

} // namespace

// Rows typed one after another at the end of the grid, each left with Down: every row is
// written on its own, with an editor open or closed when Down comes.
TEST_F(UserNavigation, DownAfterTypingIntoANewRowStartsTheNext)
{
    ClickCell(0, Name);
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Focused(), "2 Name");
    Key(Qt::Key_Down);
    ASSERT_EQ(Grid->GetItemCount(), 4);
    EXPECT_EQ(Focused(), "3 Name");
    TypeKeys("Alpha");
    Key(Qt::Key_Down);
    EXPECT_EQ(Focused(), "4 Name");
    EXPECT_TRUE(Grid->IsItemEditing(4));
    TypeKeys("Beta");
    Key(Qt::Key_Down);
    TypeKeys("Gamma");
    Key(Qt::Key_Down);
    EXPECT_EQ(Data->GetRowCount(), 6);
    EXPECT_EQ(Focused(), "6 Name");
    // The blank row Down started last goes with Escape.
    Key(Qt::Key_Escape);
    EXPECT_EQ(Grid->GetItemCount(), 6);
    EXPECT_EQ(Names(), (QStringList{"alpha", "beta", "gamma", "Alpha", "Beta", "Gamma"}));

    // The editor closed with Enter before Down: the same.
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    TypeKeys("Delta");
    Key(Qt::Key_Return);
    EXPECT_FALSE(Grid->GetEditing());
    Key(Qt::Key_Down);
    TypeKeys("7");
    Key(Qt::Key_Return);
    Key(Qt::Key_Down);
    Key(Qt::Key_Escape);
    ASSERT_EQ(Data->GetRowCount(), 8);
    EXPECT_EQ(Data->GetData(6, 0).ToString(), "Delta");
    EXPECT_TRUE(Data->GetData(7, 1) == Variant(7));
    EXPECT_TRUE(Data->GetData(7, 0).IsClear() || Data->GetData(7, 0).ToString().isEmpty());

    // An unchanged new row is no row: Down stays on it and starts no other.
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(Grid->GetItemCount(), 9);
    Key(Qt::Key_Escape);
    EXPECT_EQ(Data->GetRowCount(), 8);
}

// Over a sorted chain a saved new row goes to its place, and the focus with it; leaving a row
// for another one lands on the row the user chose, however the ended edit moved the rows.
TEST_F(UserNavigation, TheFocusFollowsASavedRowThatMoves)
{
    Grid->GetEditOptions()->SetCommitWhenExitLastCell(true);
    Default->OrderBy({0}, {SortAscending});
    Paint();
    ClickCell(0, Name);
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    TypeKeys("aaron");
    Key(Qt::Key_Tab);
    TypeKeys("5");
    Key(Qt::Key_Return); // the last cell: the row is saved and sorted first
    ASSERT_EQ(Data->GetRowCount(), 4);
    EXPECT_FALSE(Grid->IsItemEditing(-1));
    EXPECT_EQ(FocusedName(), "aaron");
    EXPECT_EQ(Focused(), "0 Qty");

    // A new row typed at the end and left with a click on another row: the clicked one.
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Home);
    Key(Qt::Key_Down);
    TypeKeys("abel");
    ClickCell(2, Name); // beta
    ASSERT_EQ(Data->GetRowCount(), 5);
    EXPECT_EQ(FocusedName(), "beta");
    // An unchanged new row dropped by a click: the clicked row as well.
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    ASSERT_EQ(Grid->GetItemCount(), 6);
    ClickCell(1, Name); // abel
    EXPECT_EQ(Grid->GetItemCount(), 5);
    EXPECT_EQ(FocusedName(), "abel");
    // A new row inserted before abel, dropped by a click on alpha below it.
    Grid->GetEditOptions()->SetInsertable(true);
    Key(Qt::Key_Insert);
    ASSERT_EQ(Grid->GetItemCount(), 6);
    EXPECT_EQ(Focused(), "1 Name");
    ClickCell(3, Name);
    EXPECT_EQ(Grid->GetItemCount(), 5);
    EXPECT_EQ(FocusedName(), "alpha");
}

namespace {

struct GridBrowsing : GridTool
{
    // A turn of the wheel over the body, sent to the shown window.
    void Wheel(QPoint angle, Qt::KeyboardModifiers m = {})
    {
        const TRect body = Layout()->BodyBounds();
        const QPoint at = At((body.Left + std::min(body.Right, g.Grid->GetClientWidth())) / 2, body.Top + 5);
        QWheelEvent e(QPointF(at), QPointF(Win()->mapToGlobal(at)), QPoint(), angle, Qt::NoButton, m, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(Win(), &e);
        g.Paint();
    }
    // The focused cell is laid out in the scrolled body, fully.
    bool FocusShown() const
    {
        const TKvGridCellIndex f = g.Grid->GetFocusedIndex();
        TKvGridCellElement* view = g.Grid->GetCellView(g.Grid->GetBody(), f);
        if (!view)
            return false;
        const TRect r = Bounds(view);
        const TRect body = Layout()->BodyBounds();
        return r.Top >= body.Top && r.Bottom <= Layout()->FooterBounds().Top && r.Bottom > r.Top;
    }
};

} // namespace

// Ctrl+Home, Ctrl+End, Up and Home on the row that has the focus already: the view comes back
// to it when it was scrolled away.
TEST_F(GridBrowsing, KeysThatKeepTheFocusBringItIntoView)
{
    Make(60, 3, 8);
    Click(Center(CellRect(0, 1)));
    ASSERT_EQ(Grid()->GetFocusedIndex(), Index(0, 1));
    for (int i = 0; i < 5; ++i)
        Wheel(QPoint(0, -120));
    ASSERT_EQ(Grid()->GetTopIndex(), 10);
    ASSERT_FALSE(FocusShown());
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(0, 1));
    EXPECT_EQ(Grid()->GetTopIndex(), 0);
    EXPECT_TRUE(FocusShown());

    Wheel(QPoint(0, -240));
    ASSERT_FALSE(FocusShown());
    Key(Qt::Key_Up);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(0, 1));
    EXPECT_TRUE(FocusShown());

    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(59, 1));
    EXPECT_TRUE(FocusShown());
    const int bottom = Grid()->GetTopIndex();
    for (int i = 0; i < 4; ++i)
        Wheel(QPoint(0, 120));
    ASSERT_FALSE(FocusShown());
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(59, 1));
    EXPECT_EQ(Grid()->GetTopIndex(), bottom);
    EXPECT_TRUE(FocusShown());

    // Down on the last row that cannot grow, and Home on the first column.
    Wheel(QPoint(0, 240));
    Key(Qt::Key_Down);
    EXPECT_TRUE(FocusShown());
    Key(Qt::Key_Home);
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(59, 0));
    Wheel(QPoint(0, 240));
    ASSERT_FALSE(FocusShown());
    Key(Qt::Key_Home);
    EXPECT_TRUE(FocusShown());
}

// Scrolled to the end, the window made taller: rows from above fill the new room at once, and
// they are painted there.
TEST_F(GridBrowsing, AWindowMadeTallerFillsItsBodyWithRows)
{
    Make(60, 3, 8);
    const int unit = BodyRowUnit(Grid());
    Click(Center(CellRect(0, 0)));
    Key(Qt::Key_End, Qt::ControlModifier);
    const int before = Grid()->GetTopIndex();
    ASSERT_GT(before, 40);
    ASSERT_TRUE(FocusShown());
    QWidget* window = g.Grid->Widget()->window();
    const int width = window->width();
    window->resize(width, window->height() + unit * 10);
    DeliverPosted(); // the window's own paint, nothing asked by the test
    // The last row stays at the bottom of the body; the rows above it fill the rest.
    const int full = Layout()->FullItemCount();
    EXPECT_GE(full, 16);
    EXPECT_EQ(Grid()->GetTopIndex(), 60 - full);
    EXPECT_LT(Grid()->GetTopIndex(), before);
    EXPECT_EQ(Layout()->ItemCount() + Grid()->GetTopIndex(), 60);
    EXPECT_TRUE(FocusShown());
    // The frame painted shows text in the first and in the lowest full row band of the body:
    // the new room is painted with rows.
    const QImage& image = g.Image();
    const TRect body = Layout()->BodyBounds();
    const TRect column = Layout()->DataColumnRect(g.Columns[0]);
    for (const int band : {0, 15}) {
        const int top = body.Top + band * unit;
        ASSERT_LE(top + unit, std::min(image.height(), Layout()->FooterBounds().Top));
        int ink = 0;
        for (int y = top + 1; y < top + unit - 1; ++y)
            for (int x = column.Left + 1; x < column.Right - 1; ++x)
                ink += qGray(image.pixel(x, y)) < 128;
        EXPECT_GT(ink, 5) << "row band " << band;
    }
}

// The horizontal wheel and Shift with the vertical wheel scroll sideways, never up or down.
TEST_F(GridBrowsing, SidewaysWheelTurnsScrollSideways)
{
    g.Fill(40, 8, 120);
    Show(400, 300);
    Grid()->SetTopIndex(5);
    g.Paint();
    ASSERT_EQ(Grid()->GetLeftPos(), 0);
    const int step = Grid()->GetHorzScrollStep();

    Wheel(QPoint(-120, 0)); // the wheel tilted right
    EXPECT_EQ(Grid()->GetTopIndex(), 5);
    const int right = Grid()->GetLeftPos();
    EXPECT_GE(right, step);
    Wheel(QPoint(-240, 0));
    EXPECT_EQ(Grid()->GetLeftPos(), right * 3);
    Wheel(QPoint(120, 0));
    EXPECT_EQ(Grid()->GetLeftPos(), right * 2);
    EXPECT_EQ(Grid()->GetTopIndex(), 5);

    Wheel(QPoint(0, -120), Qt::ShiftModifier);
    EXPECT_EQ(Grid()->GetLeftPos(), right * 3);
    Wheel(QPoint(0, 240), Qt::ShiftModifier);
    EXPECT_EQ(Grid()->GetLeftPos(), right);
    EXPECT_EQ(Grid()->GetTopIndex(), 5);
    // The columns shown follow: the first one is scrolled past far enough.
    for (int i = 0; i < 20; ++i)
        Wheel(QPoint(-120, 0));
    EXPECT_GT(Layout()->FirstCol(), 0);
    EXPECT_EQ(Grid()->GetTopIndex(), 5);

    // The plain wheel still moves two rows a notch.
    Wheel(QPoint(0, -120));
    EXPECT_EQ(Grid()->GetTopIndex(), 7);
}

// A double click on the right border of a header cell inside a column group fits that column
// to its text, as dragging the border would size it; its neighbour keeps its width.
TEST_F(GridBrowsing, DoubleClickFitsAColumnInsideAColumnGroup)
{
    g.Fill(12, 3, 80);
    g.Data->SetData(4, 1, Variant(QStringLiteral("a much longer text than the others")));
    TKvGridColumnGroup* group = Grid()->AddColumnGroup();
    group->GetColumns()->Add(g.Columns[1]);
    group->GetColumns()->Add(g.Columns[2]);
    group->SetWidth(240);
    Show(700, 300);
    const TRect inner = HeaderRect(1);
    const TRect neighbour = HeaderRect(2);
    ASSERT_EQ(inner.Width(), 120);
    const int fit = Layout()->FitColumnWidth(g.Columns[1]);
    ASSERT_GT(fit, inner.Width() + 20);

    DoubleClick(TPoint{inner.Right - 1, Center(inner).Y});
    EXPECT_EQ(HeaderRect(1).Width(), fit);
    EXPECT_EQ(CellRect(4, 1).Width(), fit);
    EXPECT_EQ(HeaderRect(2).Width(), neighbour.Width());
    EXPECT_EQ(HeaderRect(2).Left, HeaderRect(1).Right);
    EXPECT_EQ(group->GetWidth(), fit + neighbour.Width());

    // Fitted again after a drag made it narrower: the same width.
    const TRect now = HeaderRect(1);
    Press(TPoint{now.Right - 1, Center(now).Y});
    Move(TPoint{now.Right - 10, Center(now).Y});
    Move(TPoint{now.Right - 60, Center(now).Y});
    Release(TPoint{now.Right - 60, Center(now).Y});
    ASSERT_EQ(HeaderRect(1).Width(), fit - 59);
    DoubleClick(TPoint{HeaderRect(1).Right - 1, Center(now).Y});
    EXPECT_EQ(HeaderRect(1).Width(), fit);
    EXPECT_EQ(HeaderRect(2).Width(), neighbour.Width());
}

// Scrolled to the right end, the window made wider: the columns move right to fill the room.
TEST_F(GridBrowsing, AWindowMadeWiderFillsItsBodyWithColumns)
{
    g.Fill(10, 8, 120);
    Show(400, 300);
    Grid()->SetLeftPos(1 << 20);
    g.Paint();
    const int before = Grid()->GetLeftPos();
    ASSERT_GT(before, 400);
    const TRect lastBefore = HeaderRect(7);
    ASSERT_LE(lastBefore.Right, Grid()->GetClientWidth());
    QWidget* window = g.Grid->Widget()->window();
    window->resize(window->width() + 200, window->height());
    DeliverPosted();
    // The last column ends at the right edge of the client area; nothing blank beyond it.
    EXPECT_LT(Grid()->GetLeftPos(), before);
    EXPECT_EQ(HeaderRect(7).Right, Grid()->GetClientWidth());
    const TScrollInfo info = [&] {
        TScrollInfo i;
        i.fMask = SIF_ALL;
        Grid()->GetScrollInfo(SB_HORZ, i);
        return i;
    }();
    EXPECT_EQ(Grid()->GetLeftPos(), info.nMax - static_cast<int>(info.nPage) + 1);
}
