// Layout arithmetic and events at the edges: scroll bars turned off, huge and negative column
// widths, the focused rectangle beside fixed columns, searching every item chain, cell click
// events, a cancelled appended row, item classes the delegate does not know, long hints and
// nil arguments.
#include "EditingTestSupport.h"
#include "GridTestSupport.h"
#include "TestSupport.h"

#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.Hints.h"
#include "grid/KvGrids.Layout.h"
#include "model/KvGrids.Model.Proxy.Filter.h"

#include <QtGui/QFontMetrics>
#include <QtTest/QTest>
#include <QtWidgets/QToolTip>

using namespace kv;
using namespace kvtest;

namespace {

// Lays out and paints a few times: faults that carry over from one pass to the next show.
void Settle(TShownGrid& g)
{
    for (int i = 0; i < 3; ++i) {
        g.Grid->RefreshView(false);
        g.Paint();
    }
}

// An item that is neither a data row nor a group item or footer.
class TStrayItem : public TKvGridItem
{
public:
    using TKvGridItem::TKvGridItem;
};

} // namespace

TEST(GridArithmetic, NoVerticalBarLetsTheLastColumnScrollFullyIntoView)
{
    TShownGrid g;
    g.Fill(60, 8, 150);
    g.Show(400, 200);
    g.Grid->GetDisplayOptions()->SetVScrollBar(false);
    Settle(g);
    g.Grid->SetLeftPos(100000);
    Settle(g);
    g.Grid->SetLeftPos(100000);
    TKvGridLayoutManager* m = g.Layout();
    const TRect last = m->ColumnRect(m->ColumnCount() - 1);
    // The last column ends at the client's right edge: no room is kept for a hidden bar.
    EXPECT_FALSE(g.Grid->IsScrollBarVisible(SB_VERT));
    EXPECT_FALSE(g.Grid->GetVScrolled());
    EXPECT_EQ(last.Right - g.Grid->GetLeftPos(), g.Grid->GetClientWidth());
}

TEST(GridArithmetic, ColumnPointsSumWithoutOverflowAndIgnoreNegativeWidths)
{
    TShownGrid g;
    g.Fill(5, 3, 1000000000);
    g.Show(400, 200);
    TKvGridLayoutManager* m = g.Layout();
    EXPECT_GT(m->ColumnsLength(), 1000000000);
    for (int i = 0; i < 3; ++i)
        EXPECT_GE(m->ColumnBounds(i).Right, m->ColumnBounds(i).Left) << i;

    g.Columns[0]->SetWidth(80);
    g.Columns[1]->SetWidth(-50);
    g.Columns[2]->SetWidth(80);
    Settle(g);
    EXPECT_EQ(m->ColumnBounds(1).Left, 80);
    EXPECT_EQ(m->ColumnBounds(1).Right, 80);
    EXPECT_EQ(m->ColumnBounds(2).Left, 80);
    EXPECT_EQ(m->ColumnsLength(), 160);

    // Fixed columns too.
    g.Grid->GetFixedCols()->SetCount(2);
    g.Columns[0]->SetWidth(2000000000);
    g.Columns[1]->SetWidth(2000000000);
    Settle(g);
    EXPECT_GT(m->FixedWidth(), 0);
}

TEST(GridArithmetic, FocusedRectOfAScrolledCellStaysRightOfTheFixedColumns)
{
    TShownGrid g;
    g.Fill(10, 6, 100);
    g.Show(420, 200);
    g.Grid->GetFixedCols()->SetCount(1);
    Settle(g);
    g.Grid->SetFocusedIndex(g.Grid->GetIndex(2, g.Columns[2]), true);
    g.Grid->SetLeftPos(150);
    Settle(g);
    TKvGridLayoutManager* m = g.Layout();
    const int fixedEnd = m->GridBounds().Left + m->FixedWidth();
    const TRect cell = g.Grid->GetCellBounds(g.Grid->GetFocusedIndex());
    ASSERT_LT(cell.Left, fixedEnd); // the cell view reaches under the fixed part
    const TRect focused = g.Grid->GetFocusedRect();
    EXPECT_EQ(focused.Left, fixedEnd);
    EXPECT_EQ(focused.Right, cell.Right);
    EXPECT_EQ(focused.Top, cell.Top);

    // A fixed cell keeps its whole rectangle.
    g.Grid->SetFocusedIndex(g.Grid->GetIndex(2, g.Columns[0]), true);
    EXPECT_EQ(g.Grid->GetFocusedRect(), g.Grid->GetCellBounds(g.Grid->GetFocusedIndex()));

    // A nil column raises before anything touches it.
    KV_EXPECT_THROW_MSG(g.Grid->FitColumnWidth(nullptr), EArgumentNilException, "column");
}

TEST(GridArithmetic, SearchFindsOnDefaultFilteredAndEditableChains)
{
    TOwned<TKvSimpleDataProvider> data =
        MakeTable("Name,Value", "s,n", {{"Alpha", 1}, {"beta", 2}, {"Gamma", 3}, {"alphabet", 4}});
    TOwned<TKvDefaultGridItemProvider> plain = MakeOwned<TKvDefaultGridItemProvider>();
    plain->SetDataSource(data.get());
    TOwned<TKvGridViewImpl> grid = MakeOwned<TKvGridViewImpl>(nullptr);
    TKvGridDataColumn* name = grid->AddDataColumn();
    name->SetFieldName("Name");
    const QStringList fields{"Name"};
    auto find = [&](const QString& text, int start, TKvGridSearchOptions options, bool wrap = false) {
        return grid->Search(fields, {Variant(text)}, start, options, false, wrap);
    };

    grid->SetItemSource(plain.get());
    EXPECT_EQ(find("alpha", 0, {}), 0);
    EXPECT_EQ(find("alpha", 0, {SearchCaseSensitive}), -1);
    EXPECT_EQ(find("alpha", 1, {SearchPartialMatch}), 3);
    EXPECT_EQ(find("alpha", 1, {SearchPartialMatch, SearchCaseSensitive}), 3);
    EXPECT_EQ(find("Alpha", 1, {}, true), 0);
    EXPECT_EQ(grid->Search(fields, {Variant(QStringLiteral("gamma"))}, 0, {}, true, false), 2);
    EXPECT_EQ(grid->GetFocusedIndex().ItemIndex, 2);

    TOwned<TKvGridFilteredItemProvider> filtered = MakeOwned<TKvGridFilteredItemProvider>(plain.get());
    filtered->AddFilter(1, "Value > 1");
    grid->SetItemSource(filtered.get());
    ASSERT_EQ(filtered->GetItemCount(), 3);
    EXPECT_EQ(find("Alpha", 0, {}), -1);
    EXPECT_EQ(find("alphabet", 0, {}), 2);
    EXPECT_EQ(find("BETA", 0, {}), 0);

    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(filtered.get());
    grid->SetItemSource(editable.get());
    EXPECT_EQ(find("gam", 0, {SearchPartialMatch}), 1);
    grid->SetItemSource(nullptr);
}

TEST(GridArithmetic, DelegateRejectsItemsThatAreNoRows)
{
    TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridViewImpl> grid = MakeOwned<TKvGridViewImpl>(nullptr);
    TStrayItem stray(provider.get());
    TKvGridDelegate* delegate = grid->GetGridDelegate();
    const QString name = stray.ClassName();
    KV_EXPECT_THROW_MSG(delegate->BorrowItemView(&stray), Exception, "Invalid item type: " + name);
    KV_EXPECT_THROW_MSG(delegate->GetItemRenderer(&stray), Exception, "Unknown item type: " + name);
}

TEST(GridArithmetic, HintOfALongUnbrokenTextStaysNarrow)
{
    TShownGrid g;
    g.Fill(3, 2);
    g.Show(300, 200);
    TKvGridHintManager* hints = g.Grid->GetHintManager();
    ASSERT_NE(hints->GetTimer(), nullptr);
    EXPECT_FALSE(hints->GetTimer()->GetEnabled());
    const QString text(10000, QLatin1Char('x'));
    hints->Show(5, 5, text, g.Grid.get());
    const TRect r = hints->GetHintWindow()->GetBoundsRect();
    EXPECT_LE(r.Width(), TKvGridHintManager::HINT_MAX_WIDTH);
    // Broken anywhere: as many lines as the text needs at that width.
    const QFontMetrics metrics(QToolTip::font());
    const int perLine = std::max(1, (r.Width() - 8) / metrics.horizontalAdvance(QLatin1Char('x')));
    EXPECT_GE(r.Height(), (10000 / perLine) * metrics.lineSpacing() / 2);
    hints->Hide();
    EXPECT_EQ(hints->GetHintWindow(), nullptr);
}

struct GridEdgesEditing : TEditingFixture
{
};

TEST_F(GridEdgesEditing, CellClicksRaiseOnce)
{
    QStringList clicks;
    Grid->OnCellClick = [&](TKvGridView*, const TKvGridCellIndex& i) { clicks << QStringLiteral("click %1").arg(i.ItemIndex); };
    Grid->OnCellDblClick = [&](TKvGridView*, const TKvGridCellIndex& i) {
        clicks << QStringLiteral("dbl %1").arg(i.ItemIndex);
    };
    const TRect cell = Grid->GetCellBounds(Cell(1, Note));
    Click(Grid.get(), cell.Left + 3, cell.Top + 3);
    EXPECT_EQ(clicks, QStringList({"click 1"}));
    EXPECT_EQ(Grid->GetFocusedIndex().ItemIndex, 1);
    const TRect other = Grid->GetCellBounds(Cell(2, Name));
    QWidget* window = Grid->Widget()->window();
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, WindowPoint(Grid.get(), other.Left + 3, other.Top + 3));
    DeliverPosted();
    EXPECT_EQ(clicks, QStringList({"click 1", "click 2", "dbl 2"}));
}

TEST_F(GridEdgesEditing, EscapeOnAnAppendedRowReturnsToTheLastRow)
{
    // This fixture's grid keeps the keys it is sent: they go to its tool directly here.
    auto key = [&](std::uint16_t k) { Grid->GetActiveTool()->KeyDown(k, TShiftState{}); };
    // Down on the last row appends; Escape drops the new row and the focus goes back.
    Focus(2, Name);
    key(VK_DOWN);
    ASSERT_EQ(Grid->GetItemCount(), 4);
    EXPECT_EQ(Grid->GetFocusedIndex().ItemIndex, 3);
    key(VK_ESCAPE);
    if (Grid->GetEditing())
        key(VK_ESCAPE);
    ASSERT_EQ(Grid->GetItemCount(), 3);
    EXPECT_EQ(Grid->GetFocusedIndex().ItemIndex, 2);
    EXPECT_EQ(Grid->GetFocusedIndex().Column, Name);
    // The next Down appends again instead of jumping to the top.
    key(VK_DOWN);
    EXPECT_EQ(Grid->GetItemCount(), 4);
    EXPECT_EQ(Grid->GetFocusedIndex().ItemIndex, 3);
}
