// The list view on shown offscreen windows: its chain, rows fed before and after the columns
// exist, sorting by a click on the header text, handles and check cells that do nothing, no
// focus-changing event, column filters applied in one batch, and form streaming.
#include "components/KvGrids.ListView.h"
#include "grid/GridTestSupport.h"
#include "ComponentTestSupport.h"
#include "TestSupport.h"

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"

#include <QtGui/QWindow>
#include <QtTest/QTest>

using namespace kv;
using namespace kvtest;

namespace {

struct ListView : ::testing::Test
{
    TOwned<TKvSimpleDataProvider> Data = MakeTable("Name,Qty", "s,n",
                                                   {{"pear", 3}, {"apple", 7}, {"fig", 1}, {"kiwi", 5}, {"date", 9}});
    TOwned<TKvListView> View = MakeOwned<TKvListView>(nullptr);
    TKvGridDataColumn* Name = nullptr;
    TKvGridDataColumn* Qty = nullptr;

    void AddColumns()
    {
        Name = View->AddDataColumn();
        Name->SetFieldName("Name");
        Qty = View->AddDataColumn();
        Qty->SetFieldName("Qty");
    }
    void Show()
    {
        View->SetBounds(0, 0, 360, 220);
        View->Show();
        QWidget* window = View->Widget()->window();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        View->SetFocus();
        Paint();
    }
    void Paint()
    {
        View->Invalidate();
        View->Update();
        QApplication::processEvents();
    }
    QStringList Names() const
    {
        QStringList out;
        for (int i = 0; i < View->GetItemCount(); ++i)
            out << View->GetCellData(View->GetCell(i, Name)).ToString();
        return out;
    }
    QWindow* Win() const { return View->Widget()->window()->windowHandle(); }
    QPoint At(TPoint p) const
    {
        const TPoint o = View->GetClientOrigin();
        return View->Widget()->mapTo(View->Widget()->window(), QPoint(o.X + p.X, o.Y + p.Y));
    }
    void Click(TPoint p)
    {
        QTest::mouseMove(Win(), At(p));
        QTest::mouseClick(Win(), Qt::LeftButton, {}, At(p));
        Paint();
    }
    TKvGridHeaderCellElement* HeaderCell(TKvGridColumn* column) const
    {
        return dynamic_cast<TKvGridHeaderCellElement*>(View->GetHeaderView()->GetCells(column));
    }
    // The centre of a sprite in the view's client coordinates.
    static TPoint Centre(TKvSprite* sprite)
    {
        const TRectF r = sprite->SpriteToContainer(TRectF(0, 0, sprite->GetWidth(), sprite->GetHeight()));
        return TPoint{int(std::lround((r.Left + r.Right) / 2)), int(std::lround((r.Top + r.Bottom) / 2))};
    }
};

TEST_F(ListView, ChainAndRowsFedBeforeAndAfterTheColumnsExist)
{
    TKvListViewItemProvider* top = View->GetItemSource();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(View->GetItemProvider(), top);
    EXPECT_EQ(top->GetSource(), top->GetFilteredProvider());
    EXPECT_EQ(top->GetFilteredProvider()->GetSource(), top->GetItemProvider());
    EXPECT_TRUE(dynamic_cast<TKvListViewSelectionTool*>(View->GetActiveTool()));
    EXPECT_TRUE(dynamic_cast<TKvListViewDelegate*>(View->GetGridDelegate()));

    // Without a data provider the list is empty.
    AddColumns();
    Show();
    EXPECT_EQ(View->GetDataProvider(), nullptr);
    EXPECT_EQ(View->GetItemCount(), 0);

    // Columns first, then the data.
    View->SetDataProvider(Data.get());
    EXPECT_EQ(View->GetDataProvider(), Data.get());
    Paint();
    EXPECT_EQ(Names(), (QStringList{"pear", "apple", "fig", "kiwi", "date"}));
    EXPECT_EQ(View->GetCellData(View->GetCell(1, Qty)).ToInt(), 7);

    // Data first, then the columns.
    TOwned<TKvListView> other = MakeOwned<TKvListView>(nullptr);
    other->SetDataProvider(Data.get());
    TKvGridDataColumn* qty = other->AddDataColumn();
    qty->SetFieldName("Qty");
    EXPECT_EQ(other->GetItemCount(), 5);
    EXPECT_EQ(other->GetCellData(other->GetCell(4, qty)).ToInt(), 9);
    EXPECT_EQ(other->GetAllItems().size(), 5u);

    // The data provider going away empties the list; the view lives on.
    Data.reset();
    EXPECT_EQ(View->GetItemCount(), 0);
    EXPECT_EQ(other->GetDataProvider(), nullptr);
    Paint();
}

TEST_F(ListView, HeaderTextSortsAndHandlesCheckCellsAndCornersDoNothing)
{
    AddColumns();
    View->SetDataProvider(Data.get());
    Name->GetFilters()->Add()->SetName("short");
    View->GetCheckBar()->SetVisible(true);
    Show();

    // The header text of a sortable column sorts it, ascending and then descending.
    TKvGridHeaderCellElement* nameCell = HeaderCell(Name);
    ASSERT_NE(nameCell, nullptr);
    const TRectF r = nameCell->SpriteToContainer(TRectF(0, 0, nameCell->GetWidth(), nameCell->GetHeight()));
    const TPoint text{int(r.Left) + 6, int((r.Top + r.Bottom) / 2)};
    Click(text);
    EXPECT_EQ(View->GetSortFields(), (TKvIntegerArray{0}));
    EXPECT_EQ(View->GetSortDirections(), (TKvGridSortDirections{SortAscending}));
    EXPECT_EQ(Names(), (QStringList{"apple", "date", "fig", "kiwi", "pear"}));
    // (a little to the right: two clicks on one spot would make a double click)
    Click(TPoint{text.X + 12, text.Y});
    EXPECT_EQ(View->GetSortDirections(), (TKvGridSortDirections{SortDescending}));
    EXPECT_EQ(Names(), (QStringList{"pear", "kiwi", "fig", "date", "apple"}));

    // Hovered, the header shows its sort and filter handles: clicking them changes nothing
    // and drops nothing down.
    QTest::mouseMove(Win(), At(text));
    Paint();
    nameCell = HeaderCell(Name);
    ASSERT_TRUE(nameCell->GetSortHandle()->GetVisible());
    ASSERT_TRUE(nameCell->GetFilterHandle()->GetVisible());
    Click(Centre(nameCell->GetSortHandle()));
    Click(Centre(nameCell->GetFilterHandle()));
    EXPECT_EQ(View->GetSortDirections(), (TKvGridSortDirections{SortDescending}));
    EXPECT_EQ(View->GetGridDelegate()->GetFilterSelector(), nullptr);
    EXPECT_EQ(Names(), (QStringList{"pear", "kiwi", "fig", "date", "apple"}));

    // A column that is not sortable stays unsorted.
    Qty->SetSortable(false);
    Paint();
    Click(Centre(HeaderCell(Qty)));
    EXPECT_EQ(View->GetSortFields(), (TKvIntegerArray{0}));

    // A check cell and the check bar's corner check nothing.
    TKvGridCheckBarElement* bar = View->GetCheckBarView();
    ASSERT_NE(bar, nullptr);
    TKvGridCellElement* check = nullptr;
    for (int i = 0; i < bar->GetCellCount() && !check; ++i)
        if (bar->GetCell(i)->GetVisible())
            check = bar->GetCell(i);
    ASSERT_NE(check, nullptr);
    Click(Centre(check));
    Click(Centre(View->GetCheckBarHeadView()));
    for (int i = 0; i < View->GetItemCount(); ++i)
        EXPECT_FALSE(View->GetItem(i)->GetChecked()) << i;
}

TEST_F(ListView, FocusMovesWithoutTheFocusChangingEvent)
{
    AddColumns();
    View->SetDataProvider(Data.get());
    int changing = 0;
    int changed = 0;
    View->OnFocuedIndexChanging = [&](TKvGridView*, const TKvGridCellIndex&, bool& cancel) {
        ++changing;
        cancel = true;
    };
    View->OnFocuedIndexChange = [&](TKvGridView*, const TKvGridCellIndex&) { ++changed; };
    Show();
    View->SetFocusedIndex(View->GetCell(3, Qty));
    EXPECT_EQ(changing, 0);
    EXPECT_GT(changed, 0);
    EXPECT_EQ(View->GetFocusedIndex().ItemIndex, 3);
    QTest::keyClick(Win(), Qt::Key_Up);
    Paint();
    EXPECT_EQ(View->GetFocusedIndex().ItemIndex, 2);
    EXPECT_EQ(changing, 0);
}

TEST_F(ListView, ActiveColumnFiltersFilterInOneBatch)
{
    AddColumns();
    View->SetDataProvider(Data.get());
    Show();
    TKvGridColumnFilter* small = Qty->GetFilters()->Add();
    small->SetCriteria("value < 4");
    TKvGridColumnFilter* big = Qty->GetFilters()->Add();
    big->SetCriteria("value > 8");
    EXPECT_EQ(View->GetItemCount(), 5); // inactive filters filter nothing

    const int refreshes = TKvGridView::GetRefreshCount();
    small->SetActive(true);
    EXPECT_EQ(Names(), (QStringList{"pear", "fig"}));
    EXPECT_TRUE(View->IsFiltered(Qty));
    EXPECT_FALSE(View->IsFiltered(Name));
    // Filters of one column combine with "or", of different columns with "and".
    big->SetActive(true);
    EXPECT_EQ(Names(), (QStringList{"pear", "fig", "date"}));
    TKvGridColumnFilter* named = Name->GetFilters()->Add();
    named->SetCriteria("value <> 'fig'");
    named->SetActive(true);
    EXPECT_EQ(Names(), (QStringList{"pear", "date"}));
    EXPECT_GT(TKvGridView::GetRefreshCount(), refreshes);

    // Sorting keeps the filter; deactivating brings the rows back.
    View->SortItems({0}, {SortAscending});
    EXPECT_EQ(Names(), (QStringList{"date", "pear"}));
    small->SetActive(false);
    big->SetActive(false);
    EXPECT_EQ(Names(), (QStringList{"apple", "date", "kiwi", "pear"}));

    // A filter whose text does not parse raises; the other active filters stay in force.
    TKvGridColumnFilter* broken = Qty->GetFilters()->Add();
    broken->SetCriteria("value > (");
    EXPECT_ANY_THROW(broken->SetActive(true));
    EXPECT_EQ(Names(), (QStringList{"apple", "date", "kiwi", "pear"}));
    broken->Free();
    named->SetActive(false);
    EXPECT_EQ(View->GetItemCount(), 5);
    Paint();
}

// A filter that does not apply (a field the data does not have, a column that shows no
// field) is left out while the others apply, and one error names each column and text.
TEST_F(ListView, AFilterThatDoesNotApplyIsLeftOutAndNamed)
{
    AddColumns();
    View->SetDataProvider(Data.get());
    Show();
    TKvGridColumnFilter* small = Qty->GetFilters()->Add();
    small->SetCriteria("value < 4");
    small->SetActive(true);
    ASSERT_EQ(Names(), (QStringList{"pear", "fig"}));

    TKvGridColumnFilter* unknown = Name->GetFilters()->Add();
    unknown->SetCriteria("nosuchfield > 1");
    try {
        unknown->SetActive(true);
        ADD_FAILURE() << "no error for a filter naming an unknown field";
    } catch (const EKvFilterError& e) {
        EXPECT_TRUE(e.Message().contains("\"Name\"")) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains("\"nosuchfield > 1\"")) << e.Message().toStdString();
    }
    Paint();
    EXPECT_EQ(Names(), (QStringList{"pear", "fig"}));
    EXPECT_FALSE(View->IsFiltered(Name));
    unknown->SetActive(false);

    TKvGridDataColumn* loose = View->AddDataColumn();
    loose->SetFieldName("Nowhere");
    TKvGridColumnFilter* nowhere = loose->GetFilters()->Add();
    nowhere->SetCriteria("value = 1");
    EXPECT_THROW(nowhere->SetActive(true), EKvFilterError);
    EXPECT_EQ(Names(), (QStringList{"pear", "fig"}));

    // Both left out at once: one error names each of them once.
    try {
        unknown->SetActive(true);
        ADD_FAILURE() << "no error for the filters left out";
    } catch (const EKvFilterError& e) {
        EXPECT_EQ(e.Message().count("nosuchfield > 1"), 1) << e.Message().toStdString();
        EXPECT_EQ(e.Message().count("\"Nowhere\""), 1) << e.Message().toStdString();
    }
    EXPECT_EQ(Names(), (QStringList{"pear", "fig"}));
    Paint();

    // Put right, they apply again.
    EXPECT_THROW(nowhere->SetActive(false), EKvFilterError); // the other is still left out
    unknown->SetCriteria("value <> 'fig'");
    EXPECT_EQ(Names(), (QStringList{"pear"}));
    EXPECT_TRUE(View->IsFiltered(Name));
}

TEST_F(ListView, FormFileRoundTripKeepsThePublishedPartsAndAppliesActiveFilters)
{
        kvtest::RegisterComponentsTestForm();
    TOwned<kvtest::TComponentsTestForm> form{Create<kvtest::TComponentsTestForm>(nullptr)};
    form->SetName("Form1");
    TKvListView* view = Create<TKvListView>(form.get());
    view->SetName("List1");
    TKvGridDataColumn* qty = view->AddDataColumn();
    qty->SetName("QtyColumn");
    qty->SetFieldName("Qty");
    TKvGridColumnFilter* filter = qty->GetFilters()->Add();
    filter->SetName("few");
    filter->SetCriteria("value < 4");
    filter->SetActive(true);
    view->GetIndicator()->SetMinWidth(33);
    view->GetHeader()->SetHeight(31);
    view->GetDisplayOptions()->SetFitStyle(FitEven);
    view->GetFooter()->SetVisible(true); // not published: not stored

    const QString text = WriteComponentText(form.get());
    EXPECT_TRUE(text.contains("TKvListView"));
    EXPECT_FALSE(text.contains("Footer."));
    TOwned<kvtest::TComponentsTestForm> copy{Create<kvtest::TComponentsTestForm>(nullptr)};
    ReadComponentText(text, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), text);
    auto* read = dynamic_cast<TKvListView*>(copy->FindComponent("List1"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetIndicator()->GetMinWidth(), 33);
    EXPECT_EQ(read->GetHeader()->GetHeight(), 31);
    EXPECT_EQ(read->GetDisplayOptions()->GetFitStyle(), FitEven);
    EXPECT_FALSE(read->GetFooter()->GetVisible());
    ASSERT_EQ(read->GetColumnCount(), 1);

    // The filter read active takes effect once the data arrives.
    read->SetDataProvider(Data.get());
    EXPECT_EQ(read->GetItemCount(), 2);
}

} // namespace

TEST_F(ListView, TheChainClearsAndRefindsItsFilteredItems)
{
    AddColumns();
    View->SetDataProvider(Data.get());
    Show();
    TKvGridColumnFilter* small = Qty->GetFilters()->Add();
    small->SetCriteria("value < 4");
    small->SetActive(true);
    ASSERT_EQ(Names(), (QStringList{"pear", "fig"}));
    TKvListViewItemProvider* top = View->GetItemSource();

    // The filtered link empties: nothing passes until it looks again.
    top->ClearItems();
    EXPECT_EQ(top->GetFilteredProvider()->GetItemCount(), 0);
    EXPECT_EQ(View->GetItemCount(), 0);
    Paint();
    top->PopulateItems();
    EXPECT_EQ(top->GetFilteredProvider()->GetItemCount(), 2);
    EXPECT_EQ(Names(), (QStringList{"pear", "fig"}));
    View->RefreshView();
    Paint();
}
