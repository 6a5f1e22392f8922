// The filter selector form opened under a real header filter handle of a shown list view:
// its place and size, its rows and checks, check clicks activating the filter of the row's
// data row (also in a sorted list), Escape, deactivation, a press outside, and the column or
// the grid going away while it is open.
#include "components/KvGrids.FilterSelector.h"
#include "components/KvGrids.ListView.h"
#include "grid/GridTestSupport.h"
#include "TestSupport.h"

#include "platform/rtl/Streaming.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"

#include <QtCore/QPointer>
#include <QtGui/QWindow>
#include <QtTest/QTest>
#include <cmath>

using namespace kv;
using namespace kvtest;

namespace {

class TComponentOwner : public TComponent
{
protected:
    friend class TCreateAccess;
    using TComponent::TComponent;
};

struct FilterSelector : ::testing::Test
{
    TOwned<TKvSimpleDataProvider> Data =
        MakeTable("Name,Qty", "s,n", {{"pear", 3}, {"apple", 7}, {"fig", 1}, {"kiwi", 5}, {"date", 9}});
    TOwned<TKvListView> View = MakeOwned<TKvListView>(nullptr);
    TKvGridDataColumn* Qty = nullptr;
    TKvGridColumnFilter* Small = nullptr;
    TKvGridColumnFilter* Big = nullptr;

    void SetUp() override
    {
        View->AddDataColumn()->SetFieldName("Name");
        Qty = View->AddDataColumn();
        Qty->SetFieldName("Qty");
        Small = Qty->GetFilters()->Add();
        Small->SetName("small");
        Small->SetCriteria("value < 4");
        Big = Qty->GetFilters()->Add();
        Big->SetName("big");
        Big->SetCriteria("value > 8");
        View->SetDataProvider(Data.get());
        View->SetBounds(0, 0, 360, 220);
        View->Show();
        QWidget* window = View->Widget()->window();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        Paint();
    }
    void Paint()
    {
        View->Invalidate();
        View->Update();
        QApplication::processEvents();
    }
    static QPoint WindowPoint(TControl* c, TPoint p)
    {
        const TPoint o = c->GetClientOrigin();
        return c->Widget()->mapTo(c->Widget()->window(), QPoint(o.X + p.X, o.Y + p.Y));
    }
    // The filter handle of the Qty header, shown by hovering the header.
    TKvGridHeaderFilterHandle* Handle()
    {
        auto* cell = dynamic_cast<TKvGridHeaderCellElement*>(View->GetHeaderView()->GetCells(Qty));
        EXPECT_NE(cell, nullptr);
        const TRectF r = cell->SpriteToContainer(TRectF(0, 0, cell->GetWidth(), cell->GetHeight()));
        QTest::mouseMove(View->Widget()->window()->windowHandle(), WindowPoint(View.get(), TPoint{5, View->GetHeight() - 5}));
        QTest::mouseMove(View->Widget()->window()->windowHandle(),
                         WindowPoint(View.get(), TPoint{int(r.Left) + 5, int(r.Top + r.Bottom) / 2}));
        Paint();
        EXPECT_TRUE(cell->GetFilterHandle()->GetVisible());
        return cell->GetFilterHandle();
    }
    // A click on the check cell of gridMain's row item.
    static void ClickCheck(TKvFilterSelector* form, int item)
    {
        TKvVantrel* grid = form->GetGridMain();
        grid->Invalidate();
        grid->Update();
        QApplication::processEvents();
        TKvGridCheckBarElement* bar = grid->GetCheckBarView();
        for (int i = 0; i < bar->GetCellCount(); ++i) {
            TKvGridItemCellElement* cell = bar->GetCell(i);
            if (!cell->GetVisible() || cell->GetIndex() != item)
                continue;
            const TRectF r = cell->SpriteToContainer(TRectF(0, 0, cell->GetWidth(), cell->GetHeight()));
            const TPoint p{int(std::lround((r.Left + r.Right) / 2)), int(std::lround((r.Top + r.Bottom) / 2))};
            QTest::mouseClick(grid->Widget()->window()->windowHandle(), Qt::LeftButton, {}, WindowPoint(grid, p));
            return;
        }
        ADD_FAILURE() << "no check cell for item " << item;
    }
    static QStringList Rows(TKvGridView* grid)
    {
        QStringList out;
        for (int i = 0; i < grid->GetItemCount(); ++i)
            out << grid->GetCellData(grid->GetCell(i, grid->GetDataColumn(0))).ToString() +
                       (grid->GetItem(i)->GetChecked() ? "+" : "-");
        return out;
    }
};

TEST_F(FilterSelector, OpensBelowTheHandleAndCheckClicksToggleTheRowsFilter)
{
    Big->SetActive(true);
    ASSERT_EQ(View->GetItemCount(), 1);
    TKvGridHeaderFilterHandle* handle = Handle();
    TKvFilterSelector* form = TKvFilterSelector::Open(handle);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->GetOwner(), View.get());
    EXPECT_EQ(form->GetColumn(), Qty);

    // Its top-left corner one pixel below the handle's bottom edge, at its left edge; 200 x 300.
    const TRectF h = handle->SpriteToContainer(TRectF(0, 0, handle->GetWidth(), handle->GetHeight()));
    const TPoint expected =
        View->ClientToScreen(TPoint{int(std::lround(h.Left)), int(std::lround(h.Top)) + int(std::ceil(h.Height())) + 1});
    const TRect shown = form->GetScreenBounds();
    EXPECT_EQ(shown.Left, expected.X);
    EXPECT_EQ(shown.Top, expected.Y);
    EXPECT_EQ(shown.Width(), 200);
    EXPECT_EQ(shown.Height(), 300);
    EXPECT_TRUE(form->Widget()->isVisible());
    EXPECT_TRUE(form->Widget()->isWindow());
    EXPECT_EQ(QApplication::activePopupWidget(), form->Widget());

    // One row per filter, checked as the filter is active.
    TKvVantrel* grid = form->GetGridMain();
    EXPECT_EQ(grid->GetParent(), form);
    EXPECT_FALSE(grid->GetIndicator()->GetVisible());
    EXPECT_TRUE(grid->GetCheckBar()->GetVisible());
    EXPECT_EQ(Rows(grid), (QStringList{"small-", "big+"}));

    // A check click activates the row's filter and the list filters again.
    ClickCheck(form, 0);
    EXPECT_TRUE(Small->GetActive());
    EXPECT_FALSE(form->GetFiltering());
    EXPECT_EQ(View->GetItemCount(), 3);
    ClickCheck(form, 1);
    EXPECT_FALSE(Big->GetActive());
    EXPECT_EQ(View->GetItemCount(), 2);

    // Sorted by name, row 0 shows "big" (data row 1): its check toggles "big", not "small".
    grid->SortItems({0}, {SortAscending});
    EXPECT_EQ(Rows(grid), (QStringList{"big-", "small+"}));
    ClickCheck(form, 0);
    EXPECT_TRUE(Big->GetActive());
    EXPECT_TRUE(Small->GetActive());
    EXPECT_EQ(View->GetItemCount(), 3);
    ClickCheck(form, 1);
    EXPECT_FALSE(Small->GetActive());
    EXPECT_EQ(View->GetItemCount(), 1);

    // Escape closes it, goes no further, and the form is freed afterwards.
    QPointer<QWidget> peer = form->Widget();
    bool closed = false;
    form->OnClose = [&](TObject*) { closed = true; };
    QTest::keyClick(peer->windowHandle(), Qt::Key_Escape);
    EXPECT_TRUE(closed);
    QApplication::processEvents();
    EXPECT_TRUE(peer.isNull());
    // The filters stay as they were left.
    EXPECT_TRUE(Big->GetActive());
    EXPECT_EQ(View->GetItemCount(), 1);
}

// The list follows the column's filters while it is open: emptied, added to, renamed and
// activated from outside; painting it never reads a filter that went.
TEST_F(FilterSelector, TheListFollowsTheColumnsFiltersWhileOpen)
{
    TKvGridColumnFilter* one = Qty->GetFilters()->Add();
    one->SetName("one");
    one->SetCriteria("value = 1");
    QStringList shown;
    const TExceptionHook old = SetExceptionHook([&](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    TKvFilterSelector* form = TKvFilterSelector::Open(Handle());
    ASSERT_NE(form, nullptr);
    TKvVantrel* grid = form->GetGridMain();
    auto paintList = [&] {
        grid->Invalidate();
        grid->Update();
        QApplication::processEvents();
    };
    // The check cells laid out in the bar.
    auto shownChecks = [&] { return grid->GetCheckBarView()->GetChildCount(); };
    paintList();
    ASSERT_EQ(Rows(grid), (QStringList{"small-", "big-", "one-"}));
    EXPECT_EQ(shownChecks(), 3);

    Qty->GetFilters()->Clear();
    paintList();
    EXPECT_TRUE(shown.isEmpty()) << shown.join("\n").toStdString();
    EXPECT_EQ(grid->GetItemCount(), 0);
    EXPECT_EQ(shownChecks(), 0);
    EXPECT_EQ(View->GetItemCount(), 5);

    TKvGridColumnFilter* fresh = Qty->GetFilters()->Add();
    fresh->SetName("fresh");
    fresh->SetCriteria("value > 4");
    paintList();
    EXPECT_EQ(Rows(grid), (QStringList{"fresh-"}));
    EXPECT_EQ(shownChecks(), 1);
    fresh->SetActive(true);
    fresh->SetName("large");
    paintList();
    EXPECT_EQ(Rows(grid), (QStringList{"large+"}));
    EXPECT_EQ(View->GetItemCount(), 3);

    // Still open, and its check still sets the filter.
    EXPECT_FALSE(form->GetClosing());
    ClickCheck(form, 0);
    EXPECT_FALSE(fresh->GetActive());
    EXPECT_EQ(View->GetItemCount(), 5);
    EXPECT_EQ(Rows(grid), (QStringList{"large-"}));
    EXPECT_TRUE(shown.isEmpty()) << shown.join("\n").toStdString();
    form->Close();
    QApplication::processEvents();
}

// The check bar's head checks every row at once; the filters follow the checks shown.
TEST_F(FilterSelector, TheCheckBarHeadActivatesAndClearsEveryFilter)
{
    TKvFilterSelector* form = TKvFilterSelector::Open(Handle());
    ASSERT_NE(form, nullptr);
    TKvVantrel* grid = form->GetGridMain();
    grid->Invalidate();
    grid->Update();
    QApplication::processEvents();
    TKvSprite* head = grid->GetCheckBarHeadView();
    ASSERT_NE(head, nullptr);
    const TRectF r = head->SpriteToContainer(TRectF(0, 0, head->GetWidth(), head->GetHeight()));
    const QPoint at = WindowPoint(grid, TPoint{int(std::lround((r.Left + r.Right) / 2)), int(std::lround((r.Top + r.Bottom) / 2))});

    QTest::mouseClick(grid->Widget()->window()->windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_EQ(Rows(grid), (QStringList{"small+", "big+"}));
    EXPECT_TRUE(Small->GetActive());
    EXPECT_TRUE(Big->GetActive());
    EXPECT_EQ(View->GetItemCount(), 3); // pear, fig and date
    EXPECT_FALSE(form->GetFiltering());

    QTest::mouseClick(grid->Widget()->window()->windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_EQ(Rows(grid), (QStringList{"small-", "big-"}));
    EXPECT_FALSE(Small->GetActive());
    EXPECT_FALSE(Big->GetActive());
    EXPECT_EQ(View->GetItemCount(), 5);
    form->Close();
    QApplication::processEvents();
}

TEST_F(FilterSelector, ClosesOnDeactivationAPressOutsideAndWhenItsColumnGoes)
{
    // Losing activation closes it.
    TKvFilterSelector* form = TKvFilterSelector::Open(Handle());
    ASSERT_NE(form, nullptr);
    QPointer<QWidget> peer = form->Widget();
    form->Perform(WM_NCACTIVATE, 0);
    EXPECT_TRUE(form->GetClosing());
    QApplication::processEvents();
    EXPECT_TRUE(peer.isNull());

    // A press outside: Qt closes the pop-up, which closes the form.
    form = TKvFilterSelector::Open(Handle());
    peer = form->Widget();
    ASSERT_TRUE(peer->isVisible());
    QTest::mouseClick(peer->windowHandle(), Qt::LeftButton, {}, QPoint(-40, -40));
    QApplication::processEvents();
    EXPECT_TRUE(peer.isNull());
    EXPECT_FALSE(Small->GetActive());

    // The column going away closes it without touching anything; so does the grid.
    form = TKvFilterSelector::Open(Handle());
    peer = form->Widget();
    View->RemoveColumn(Qty);
    EXPECT_EQ(form->GetColumn(), nullptr);
    EXPECT_TRUE(form->GetClosing());
    EXPECT_EQ(form->GetProvider()->GetRowCount(), 0);
    QApplication::processEvents();
    EXPECT_TRUE(peer.isNull());

    TKvGridDataColumn* name = View->GetDataColumn(0);
    name->GetFilters()->Add()->SetName("n");
    Paint();
    auto* cell = dynamic_cast<TKvGridHeaderCellElement*>(View->GetHeaderView()->GetCells(name));
    ASSERT_NE(cell, nullptr);
    cell->SetMouseEntered(true);
    form = TKvFilterSelector::Open(cell->GetFilterHandle());
    ASSERT_NE(form, nullptr);
    peer = form->Widget();
    View.reset();
    QApplication::processEvents();
    EXPECT_TRUE(peer.isNull());

    // A handle of no data column opens nothing.
    EXPECT_EQ(TKvFilterSelector::Open(nullptr), nullptr);
}

// The list is not an editor: keys typed at the form rename nothing; the check still works.
TEST_F(FilterSelector, KeysTypedAtTheListRenameNoFilter)
{
    TKvFilterSelector* form = TKvFilterSelector::Open(Handle());
    ASSERT_NE(form, nullptr);
    TKvVantrel* grid = form->GetGridMain();
    grid->Invalidate();
    grid->Update();
    QApplication::processEvents();
    QWindow* window = form->Widget()->windowHandle();
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Space, Qt::Key_X, Qt::Key_Y, Qt::Key_Return, Qt::Key_F2, Qt::Key_Z,
                        Qt::Key_Return, Qt::Key_Up, Qt::Key_Delete, Qt::Key_Return}) {
        QTest::keyClick(window, key);
        QApplication::processEvents();
    }
    grid->Invalidate();
    grid->Update();
    QApplication::processEvents();
    EXPECT_EQ(Small->GetName(), QStringLiteral("small"));
    EXPECT_EQ(Big->GetName(), QStringLiteral("big"));
    EXPECT_EQ(Rows(grid), (QStringList{"small-", "big-"}));
    EXPECT_FALSE(grid->GetEditing());
    EXPECT_EQ(Qty->GetFilters()->Count(), 2);

    ClickCheck(form, 1);
    EXPECT_TRUE(Big->GetActive());
    EXPECT_EQ(View->GetItemCount(), 1);
    form->Close();
    QApplication::processEvents();
}

TEST_F(FilterSelector, ARowPastTheFiltersChangesNothingAndTheFormStreams)
{
    TKvFilterSelector* form = TKvFilterSelector::Open(Handle());
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(form->GetGridMain()->GetItemCount(), 2);
    // The second filter goes inside an update of the filters, so the list still holds its
    // row; checking that row (as the check bar's click does) changes nothing.
    Qty->GetFilters()->BeginUpdate();
    Big->Free();
    Big = nullptr;
    form->GetGridMain()->DoCheckedCellClicked(1);
    EXPECT_FALSE(form->GetFiltering());
    EXPECT_FALSE(Small->GetActive());
    Qty->GetFilters()->EndUpdate();
    EXPECT_EQ(View->GetItemCount(), 5);
    EXPECT_EQ(form->GetGridMain()->GetItemCount(), 1);

    // The form and its grid stream and read back the same.
    const QString text = WriteComponentText(form);
    EXPECT_TRUE(text.contains("TKvFilterSelector"));
    EXPECT_TRUE(text.contains("gridMain"));
    TOwned<TKvFilterSelector> copy = MakeOwned<TKvFilterSelector>(nullptr);
    ReadComponentText(text, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), text);
    EXPECT_TRUE(copy->GetGridMain()->GetCheckBar()->GetVisible());
    form->Close();
    QApplication::processEvents();
    EXPECT_EQ(TKvFilterSelector::Open(nullptr), nullptr);
}

// Reads what an open selector names while the form that owns the list frees its components.
class TSelectorProbe : public TComponent
{
public:
    using TComponent::TComponent;
    TKvFilterSelector* Selector = nullptr;
    QStringList* Seen = nullptr;
    void BeforeDestruction() override
    {
        *Seen << QStringLiteral("column %1, grid %2")
                     .arg(Selector->GetColumn() ? "named" : "none")
                     .arg(Selector->GetGrid() ? "named" : "none");
        TComponent::BeforeDestruction();
    }
};

// The form owns the list and, after it, the columns: freeing the form frees the columns first,
// while the selector (owned by the list) is already going. It names no freed column.
TEST_F(FilterSelector, TheFormFreedWithTheSelectorOpen)
{
    TKvFilterSelector* selector = TKvFilterSelector::Open(Handle());
    ASSERT_NE(selector, nullptr);
    ASSERT_EQ(selector->GetColumn(), Qty);
    QStringList seen;
    TOwned<TComponentOwner> form = MakeOwned<TComponentOwner>(nullptr);
    TKvListView* view = View.release();
    form->InsertComponent(view);
    auto* probe = Create<TSelectorProbe>(form.get());
    probe->Selector = selector;
    probe->Seen = &seen;
    form->InsertComponent(view->GetDataColumn(0));
    form->InsertComponent(Qty);
    form.reset();
    EXPECT_EQ(seen, QStringList{"column none, grid named"});
    QApplication::processEvents();
}

} // namespace
