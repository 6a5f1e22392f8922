// Drop-downs of the cell editors on a shown grid: the pick list, the lookup grid, the month
// calendar and the column filter drop-down; placement on the offscreen screen, accepting,
// cancelling and presses outside.
#include "EditingTestSupport.h"

#include "model/KvGrids.Common.h"

#include <QtGui/QScreen>

using namespace kv;
using namespace kvtest;

namespace {

struct TDropDownFixture : TEditingFixture
{
    TKvListCellEditor* List = nullptr;

    void UsePickList()
    {
        Note->SetLookupValues({"apple", "apricot", "banana", "cherry"});
        List = Create<TKvListCellEditor>(Grid.get());
        Note->SetEditor(List);
    }
    // The screen y just below the cell, as the drop-downs compute it from the edit.
    static int BelowCell(TControl* edit, int cellHeight)
    {
        const TPoint origin = edit->ClientToScreen(TPoint{0, 0});
        return origin.Y + edit->GetHeight() + (cellHeight - edit->GetHeight()) / 2 + 1;
    }
};

TEST_F(TDropDownFixture, PickListOpensBelowTheCellAcceptsAndCancels)
{
    UsePickList();
    Focus(0, Note);
    Type("b");
    TKvGridInplaceList* edit = List->GetList();
    ASSERT_TRUE(edit->GetListVisible());
    TKvSimpleInList* list = edit->GetList();
    EXPECT_EQ(list->GetItemIndex(), 2);
    EXPECT_TRUE(edit->Focused());
    const TRect cell = Grid->GetEditBounds(Cell(0, Note));
    const TRect bounds = DropDownBounds(list);
    EXPECT_EQ(bounds.Top, BelowCell(edit, cell.Height()));
    EXPECT_EQ(bounds.Left, edit->ClientToScreen(TPoint{0, 0}).X - 1);
    EXPECT_GE(bounds.Width(), edit->GetWidth());

    // Enter takes the selected string; the grid sees nothing of it.
    Grid->Keys.clear();
    Press(Qt::Key_Return);
    EXPECT_FALSE(edit->GetListVisible());
    EXPECT_FALSE(list->GetVisible());
    EXPECT_EQ(edit->GetText(), "banana");
    EXPECT_EQ(edit->GetItemIndex(), 2);
    EXPECT_TRUE(Grid->Keys.isEmpty());

    // Alt+Down opens it again, Down moves, Escape restores the text from before.
    Press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(edit->GetListVisible());
    Press(Qt::Key_Down);
    EXPECT_EQ(list->GetItemIndex(), 3);
    Press(Qt::Key_Escape);
    EXPECT_FALSE(edit->GetListVisible());
    EXPECT_EQ(edit->GetText(), "banana");

    // Typing while open locates; a click on a row takes it.
    Press(Qt::Key_Down, Qt::AltModifier);
    Type("x");
    EXPECT_EQ(list->GetItemIndex(), -1);
    const TRect row = list->RowRect(1);
    QTest::mouseClick(list->Widget()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      WindowPoint(list, row.Left + 4, (row.Top + row.Bottom) / 2));
    DeliverPosted();
    EXPECT_FALSE(edit->GetListVisible());
    EXPECT_EQ(edit->GetText(), "apricot");

    Controller()->CommitEditor(true);
    Editable->Commit();
    EXPECT_EQ(Data->GetData(0, 3).ToString(), "apricot");
}

TEST_F(TDropDownFixture, PlacementNearTheScreenBottomOpensAboveAndIsClamped)
{
    UsePickList();
    const TRect area = ScreenWorkArea(TPoint{0, 0});
    ASSERT_FALSE(area.IsEmpty());
    const int rowHeight = Grid->GetEditBounds(Cell(0, Note)).Height();
    // The first row a little above the screen's bottom.
    Grid->SetBounds(40, area.Bottom - 2 * rowHeight, 600, 300);
    DeliverPosted();
    Focus(0, Note);
    Press(Qt::Key_Down, Qt::AltModifier);
    TKvGridInplaceList* edit = List->GetList();
    ASSERT_TRUE(edit->GetListVisible());
    const TRect bounds = DropDownBounds(edit->GetList());
    EXPECT_EQ(bounds.Bottom, edit->ClientToScreen(TPoint{0, 0}).Y);
    EXPECT_LE(bounds.Bottom, area.Bottom);
    Press(Qt::Key_Escape);

    // Above the edit there is no room either: the list stays inside the screen.
    const TSize tall{120, area.Height() - 20};
    const TPoint p = PlaceDropDown(area.Left + 10, area.Bottom - 5, area.Top + 30, tall);
    EXPECT_EQ(p.Y, area.Top);
    const TPoint right = PlaceDropDown(area.Right - 10, area.Top + 40, area.Top + 20, TSize{100, 50});
    EXPECT_EQ(right.X, area.Right - 100);
    EXPECT_EQ(right.Y, area.Top + 40);
}

TEST_F(TDropDownFixture, AnOutsidePressClosesWithoutAcceptingAndReachesTheGridOnce)
{
    UsePickList();
    Focus(0, Note);
    TKvGridInplaceList* edit = List->GetList();
    edit->SetButtonVisible(true);
    edit->SetButtonWidth(GetSystemMetrics(SM_CXVSCROLL));
    Press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(edit->GetListVisible());
    Press(Qt::Key_Down);

    const TRect other = Grid->GetEditBounds(Cell(2, Name));
    PressGrid(other.Left + 5, other.Top + 3);
    EXPECT_FALSE(edit->GetListVisible());
    EXPECT_EQ(edit->GetText(), "x");
    EXPECT_EQ(Grid->Presses, 1);
    EXPECT_EQ(Grid->PressTag, std::intptr_t(CLOSEUP_MESSAGE));
    DeliverPosted();
    EXPECT_EQ(GetMessageExtraInfo(), 0);

    // A press on the edit's own button while open closes the list and does not open it again.
    Focus(0, Note);
    edit = List->GetList();
    Press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(edit->GetListVisible());
    const TRect button{edit->GetWidth() - 3, 1, edit->GetWidth() - 2, 2};
    Click(edit, button.Left, button.Top);
    EXPECT_FALSE(edit->GetListVisible());
    Click(edit, button.Left, button.Top);
    EXPECT_TRUE(edit->GetListVisible());

    // A list still open when its editor is hidden closes without accepting.
    Press(Qt::Key_Down);
    const int presses = Grid->Presses;
    Focus(1, Note);
    EXPECT_FALSE(edit->GetListVisible());
    EXPECT_FALSE(edit->GetList()->GetVisible());
    PressGrid(other.Left + 5, other.Top + 3);
    EXPECT_EQ(Grid->Presses, presses + 1);
    EXPECT_EQ(Grid->PressTag, 0);
}

TEST_F(TDropDownFixture, LookupShowsLabelsAndMapsThemBack)
{
    Value->SetLookupValues({"1", "2", "3"});
    Value->SetLookupLabels({"One", "Two"});
    auto* lookup = Create<TKvLookupCellEditor>(Grid.get());
    Value->SetEditor(lookup);
    Focus(1, Value);
    Controller()->ShowEditor(true); // F2 with the editor button: open and drop down
    TKvGridLookupList* edit = lookup->GetList();
    EXPECT_EQ(edit->GetText(), "Two");
    ASSERT_TRUE(edit->GetListVisible());
    TKvGridDataList* list = edit->GetList();
    ASSERT_EQ(list->GetItemCount(), 3);
    EXPECT_EQ(list->GetItemProvider()->GetData(2, 0).ToString(), "3");
    EXPECT_EQ(list->GetItemProvider()->GetData(1, 1).ToString(), "2");
    const TRect bounds = DropDownBounds(list);
    EXPECT_EQ(bounds.Top, BelowCell(edit, Grid->GetEditBounds(Cell(1, Value)).Height()));
    EXPECT_EQ(bounds.Left, edit->ClientToScreen(TPoint{0, 0}).X - 4);

    // Down moves the list's row; Enter takes its name, which maps back to the stored value.
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    Press(Qt::Key_Return);
    EXPECT_FALSE(edit->GetListVisible());
    EXPECT_EQ(edit->GetText(), "3");
    Press(Qt::Key_Down, Qt::AltModifier);
    Press(Qt::Key_Home);
    Press(Qt::Key_Return);
    EXPECT_EQ(edit->GetText(), "One");
    EXPECT_EQ(lookup->GetEditValue().ToString(), "1");

    // A release on a row takes that row.
    Press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(edit->GetListVisible());
    DeliverPosted();
    const TRect second = list->GetEditBounds(TKvGridCellIndex(list, 1, list->GetVisibleColumn(0)));
    QTest::mouseClick(list->Widget()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      WindowPoint(list, second.Left + 5, (second.Top + second.Bottom) / 2));
    DeliverPosted();
    EXPECT_FALSE(edit->GetListVisible());
    EXPECT_EQ(edit->GetText(), "Two");
    Press(Qt::Key_Down, Qt::AltModifier);
    Press(Qt::Key_Home);
    Press(Qt::Key_Return);

    // A text that is no label keeps the old value.
    edit->SetText("Zork");
    EXPECT_EQ(lookup->GetEditValue().ToDouble(), 2.0);
    edit->SetText("Two");
    Controller()->CommitEditor(true);
    Editable->Commit();
    EXPECT_EQ(Data->GetData(1, 1).ToString(), "2");

    // A press outside closes it without accepting.
    Focus(0, Value);
    Controller()->ShowEditor(true);
    edit = lookup->GetList();
    ASSERT_TRUE(edit->GetListVisible());
    Press(Qt::Key_Down);
    const TRect other = Grid->GetEditBounds(Cell(2, Name));
    const int presses = Grid->Presses;
    PressGrid(other.Left + 5, other.Top + 3);
    EXPECT_FALSE(edit->GetListVisible());
    EXPECT_EQ(edit->GetText(), "1.75");
    EXPECT_EQ(Grid->Presses, presses + 1);
}

TEST_F(TDropDownFixture, CalendarKeepsTheTimeOfDayAndTheOtherElements)
{
    auto* date = Create<TKvDateTimeCellEditor>(Grid.get());
    When->SetEditor(date);
    Focus(0, When);
    Press(Qt::Key_Down, Qt::AltModifier);
    TKvGridDateEditor* edit = date->GetControl();
    ASSERT_TRUE(edit->GetListVisible());
    EXPECT_TRUE(Controller()->GetEditing());
    Press(Qt::Key_Right);
    Press(Qt::Key_Return);
    EXPECT_FALSE(edit->GetListVisible());
    Controller()->CommitEditor(true);
    Editable->Commit();
    EXPECT_DOUBLE_EQ(Data->GetData(0, 2).ToDateTime(), EncodeDateTime(2024, 3, 6, 13, 30, 0));

    // A date before the editor's minimum keeps its year when its day is typed.
    Focus(1, When);
    Controller()->ShowEditor(false);
    edit = date->GetControl();
    edit->SetCaret(edit->GetElementCount() - 1);
    Type("09");
    Controller()->CommitEditor(true);
    Editable->Commit();
    EXPECT_DOUBLE_EQ(Data->GetData(1, 2).ToDateTime(), EncodeDate(1995, 6, 9));

    // A press outside the open calendar closes it without taking its date and reaches the
    // grid once.
    Focus(0, When);
    Press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(date->GetControl()->GetListVisible());
    Press(Qt::Key_PageDown);
    const TRect other = Grid->GetEditBounds(Cell(2, Name));
    const int presses = Grid->Presses;
    QPoint global = Grid->Widget()->mapToGlobal(WindowPoint(Grid.get(), other.Left + 5, other.Top + 3) -
                                                Grid->Widget()->mapTo(Grid->Widget()->window(), QPoint()));
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, Qt::NoModifier, popup->mapFromGlobal(global));
    DeliverPosted();
    EXPECT_FALSE(date->GetControl()->GetListVisible());
    EXPECT_EQ(Grid->Presses, presses + 1);
    EXPECT_EQ(Grid->PressTag, std::intptr_t(CLOSEUP_MESSAGE));
    EXPECT_DOUBLE_EQ(date->GetEditValue().ToDateTime(), EncodeDateTime(2024, 3, 6, 13, 30, 0));
}

TEST_F(TDropDownFixture, NumberEditorTakesItsDecimalsFromTheColumn)
{
    auto* number = Create<TKvNumberCellEditor>(Grid.get());
    Value->SetEditor(number);
    Focus(0, Value);
    Controller()->ShowEditor(false);
    EXPECT_EQ(number->GetControl()->GetText(), "1.75");
    EXPECT_DOUBLE_EQ(number->GetEditValue().ToDouble(), 1.75);
    Controller()->CancelEditor(true);

    Value->GetStyles()->SetNumberFormat("#,##0.000");
    Focus(1, Value);
    Controller()->ShowEditor(false);
    EXPECT_EQ(number->GetControl()->GetText(), "2.000");
    number->GetControl()->SelectAll();
    Type("5");
    Controller()->CommitEditor(true);
    Editable->Commit();
    EXPECT_DOUBLE_EQ(Data->GetData(1, 1).ToDouble(), 5.0);

    // Null reads as 0.
    number->SetEditValue(Variant::Null());
    EXPECT_DOUBLE_EQ(number->GetEditValue().ToDouble(), 0.0);
}

TEST_F(TDropDownFixture, FilterDropDownTogglesExactlyOneFilter)
{
    TKvGridColumnFilterCollection* filters = Note->GetFilters();
    const bool initial[] = {false, true, false};
    for (int i = 0; i < 3; ++i) {
        TKvGridColumnFilter* f = filters->Add();
        f->SetName(QStringLiteral("f%1").arg(i));
        f->SetCriteria(QStringLiteral("Note <> 'q%1'").arg(i));
        f->SetActive(initial[i]);
    }
    Grid->Repaint();
    DeliverPosted();
    auto* noteCell = dynamic_cast<TKvGridHeaderCellElement*>(Grid->GetHeaderView()->GetCells(Note));
    auto* valueCell = dynamic_cast<TKvGridHeaderCellElement*>(Grid->GetHeaderView()->GetCells(Value));
    ASSERT_TRUE(noteCell && valueCell);
    TOwned<TKvGridFilterSelector> selector = MakeOwned<TKvGridFilterSelector>(nullptr);
    // Without a handle of a data column nothing opens.
    selector->DropDown(nullptr, Grid->GetFilteringOptions());
    EXPECT_FALSE(selector->GetListing());
    // The column comes from the handle's header cell; the list opens below the handle.
    TKvGridHeaderFilterHandle* handle = noteCell->GetFilterHandle();
    selector->DropDown(handle, Grid->GetFilteringOptions());
    ASSERT_TRUE(selector->GetListing());
    EXPECT_EQ(selector->GetColumn(), Note);
    EXPECT_EQ(selector->GetToolHandle(), handle);
    const TPoint below =
        Grid->ClientToScreen(handle->SpriteToContainer(TPoint{0, int(std::lround(handle->GetHeight()))}));
    EXPECT_EQ(DropDownBounds(selector.get()).Top, below.Y);
    EXPECT_GE(below.Y, Grid->ClientToScreen(TPoint{0, int(noteCell->GetTop())}).Y);
    TKvGridItemProvider* items = selector->GetItemProvider();
    ASSERT_EQ(items->GetItemCount(), 3);
    EXPECT_EQ(items->GetData(1, 0).ToString(), "f1");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(items->GetItem(i)->GetChecked(), initial[i]);

    items->CheckItem(2, true);
    EXPECT_FALSE(filters->GetFilter(0)->GetActive());
    EXPECT_TRUE(filters->GetFilter(1)->GetActive());
    EXPECT_TRUE(filters->GetFilter(2)->GetActive());
    items->CheckItem(1, false);
    EXPECT_FALSE(filters->GetFilter(0)->GetActive());
    EXPECT_FALSE(filters->GetFilter(1)->GetActive());
    EXPECT_TRUE(filters->GetFilter(2)->GetActive());
    EXPECT_FALSE(selector->GetFiltering());

    // A release inside keeps it open; a press outside closes it.
    PressGrid(400, 200);
    EXPECT_FALSE(selector->GetListing());

    // A column without filters shows an empty list.
    selector->DropDown(valueCell->GetFilterHandle(), nullptr);
    ASSERT_TRUE(selector->GetListing());
    EXPECT_EQ(selector->GetColumn(), Value);
    EXPECT_EQ(selector->GetItemProvider()->GetItemCount(), 0);
    selector->CloseUp();
}

TEST_F(TDropDownFixture, TheDelegateDropsTheFilterSelectorUnderAHeadersFilterHandle)
{
    TKvGridColumnFilter* filter = Note->GetFilters()->Add();
    filter->SetName(QStringLiteral("only x"));
    filter->SetCriteria(QStringLiteral("Note = 'x'"));
    Grid->Repaint();
    DeliverPosted();
    auto* cell = dynamic_cast<TKvGridHeaderCellElement*>(Grid->GetHeaderView()->GetCells(Note));
    ASSERT_NE(cell, nullptr);
    TKvGridDelegate* delegate = Grid->GetGridDelegate();
    delegate->ShowFilterSelector(cell->GetFilterHandle());
    auto* selector = dynamic_cast<TKvGridFilterSelector*>(delegate->GetFilterSelector());
    ASSERT_NE(selector, nullptr);
    EXPECT_TRUE(selector->GetListing());
    EXPECT_EQ(selector->GetOwner(), Grid.get());
    EXPECT_EQ(Grid->GetInList(), selector);
    ASSERT_EQ(selector->GetItemProvider()->GetItemCount(), 1);
    EXPECT_EQ(selector->GetItemProvider()->GetData(0, 0).ToString(), "only x");
    // Below the handle's cell.
    EXPECT_GE(DropDownBounds(selector).Top, Grid->ClientToScreen(TPoint{0, int(cell->GetTop())}).Y);

    delegate->HideFilterSelector();
    EXPECT_FALSE(selector->GetListing());
    EXPECT_EQ(Grid->GetInList(), nullptr);
    // A handle of no data column opens nothing.
    delegate->ShowFilterSelector(nullptr);
    EXPECT_FALSE(selector->GetListing());
}

} // namespace

TEST_F(TDropDownFixture, LookupDropDownHeightIsItsRowsWithOrWithoutItsHeader)
{
    QStringList values;
    for (int i = 0; i < 12; ++i)
        values << QString::number(i);
    Value->SetLookupValues(values);
    auto* lookup = Create<TKvLookupCellEditor>(Grid.get());
    Value->SetEditor(lookup);
    Focus(1, Value);
    Controller()->ShowEditor(true);
    TKvGridLookupList* edit = lookup->GetList();
    ASSERT_TRUE(edit->GetListVisible());
    TKvGridDataList* list = edit->GetList();
    DeliverPosted();
    list->UpdateLayout();
    TKvAbstractGridLayoutManager* layout = list->GetLayoutManager();
    const int header = layout->HeaderBounds().Height();
    const int row = layout->ItemBounds(0).Height();
    ASSERT_GT(header, 0);
    ASSERT_GT(row, 0);
    // Eight whole rows below the header, inside a one-pixel border.
    const TRect withHeader = DropDownBounds(list);
    EXPECT_EQ(withHeader.Height(), header + 8 * row + 2);
    EXPECT_GE(list->GetClientHeight(), header + 8 * row) << "the eighth row is cut";
    Press(Qt::Key_Escape);
    ASSERT_FALSE(edit->GetListVisible());

    edit->SetHeaderVisible(false);
    Press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(edit->GetListVisible());
    DeliverPosted();
    const TRect withoutHeader = DropDownBounds(list);
    EXPECT_EQ(withoutHeader.Height(), 8 * row + 2);
    EXPECT_EQ(withHeader.Height() - withoutHeader.Height(), header);
    Press(Qt::Key_Escape);
}
