// The string list box and the button edit on their own, and the edit controller's internal
// invariants.
#include "EditingTestSupport.h"

using namespace kv;
using namespace kvtest;

namespace {

TEST(GridLists, ListBoxSelectionScrollingAndSize)
{
    TOwned<TKvSimpleListBox> list{Create<TKvSimpleListBox>(nullptr)};
    list->SetOwnerWidth(80);
    list->SetItemCount(3);
    // No rows: as wide as the edit and 12 pixels high.
    list->SetItems({});
    EXPECT_EQ(list->GetHeight(), 12);
    EXPECT_EQ(list->GetWidth(), 80);

    list->SetItems({"one", "two", "three", "four", "five", "six"});
    list->Show();
    const int border = 2 * list->GetBorderWidth();
    EXPECT_EQ(list->GetHeight(), 3 * list->GetItemHeight() + 1 + border);
    // Clamped to the items; a row below the view scrolls it into view.
    list->SetItemIndex(40);
    EXPECT_EQ(list->GetItemIndex(), 5);
    EXPECT_EQ(list->GetTopRow(), 3);
    list->SetItemIndex(0);
    EXPECT_EQ(list->GetTopRow(), 0);
    list->SetTopRow(-4);
    EXPECT_EQ(list->GetTopRow(), 0);

    // Keys move the selection; Page Down by the visible rows.
    std::uint16_t key = VK_NEXT;
    list->KeyDown(key, {});
    EXPECT_EQ(list->GetItemIndex(), 3);
    key = VK_END;
    list->KeyDown(key, {});
    EXPECT_EQ(list->GetItemIndex(), 5);
    key = VK_UP;
    list->KeyDown(key, {});
    EXPECT_EQ(list->GetItemIndex(), 4);

    // Locate compares the beginnings, case-insensitively unless asked.
    list->Locate("T", true);
    EXPECT_EQ(list->GetItemIndex(), 1);
    list->SetCaseSensitive(true);
    list->Locate("T", false);
    EXPECT_EQ(list->GetItemIndex(), 1);
    list->Locate("T", true);
    EXPECT_EQ(list->GetItemIndex(), -1);

    // Rows under the mouse.
    list->SetTopRow(2);
    EXPECT_EQ(list->MouseToRow(2, 1 + list->GetItemHeight() + 1), 3);
    EXPECT_EQ(list->MouseToRow(-1, 5), -1);
    EXPECT_EQ(list->MouseToRow(2, 0), -1);
}

TEST(GridLists, ButtonEditClicksOnlyWhenReleasedOnItsButton)
{
    TOwned<TKvGridInplaceButton> edit{Create<TKvGridInplaceButton>(nullptr)};
    int clicks = 0;
    edit->OnButtonClick = [&](TObject*) { ++clicks; };
    ShowFocused(edit.get(), 200, FontTextHeight(edit->GetFont()) + 8);
    const int x = edit->GetClientWidth() - 3;
    Click(edit.get(), x, 3);
    EXPECT_EQ(clicks, 1);
    // Pressed on the button, released elsewhere: no click.
    QWidget* window = edit->Widget()->window();
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, WindowPoint(edit.get(), x, 3));
    EXPECT_TRUE(edit->GetPressed());
    QTest::mouseMove(window->windowHandle(), WindowPoint(edit.get(), 5, 3));
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, WindowPoint(edit.get(), 5, 3));
    DeliverPosted();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(edit->GetPressed());
}

TEST_F(TEditingFixture, ControllerInvariants)
{
    Focus(0, Note);
    TKvGridCellEditor* editor = Controller()->GetEditor();
    ASSERT_NE(editor, nullptr);
    // Another cell while an editor stands: not hidden.
    try {
        Controller()->PrepareEditor(Cell(1, Note));
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_TRUE(e.Message().startsWith("Editor is not hidden at (I:1"));
    }
    Controller()->ShowEditor(false);
    EXPECT_THROW(Controller()->ActivateEditor(), EAssertionFailed);
    // Reports from another editor or for another cell.
    auto* stranger = Create<TKvLineCellEditor>(Grid.get());
    stranger->InitEditor();
    Controller()->RegisterEditor(stranger);
    Controller()->RegisterEditor(stranger);
    EXPECT_EQ(stranger->GetListenerCount(), 1);
    EXPECT_THROW(stranger->DoChanged(Cell(0, Note)), EAssertionFailed);
    EXPECT_THROW(editor->DoChanged(Cell(2, Note)), EAssertionFailed);
    EXPECT_THROW(Controller()->RegisterEditor(nullptr), EAssertionFailed);
    // A freed editor is forgotten.
    stranger->Free();
    EXPECT_FALSE(Controller()->IsRegistered(stranger));
    // A column that is no data column gets no editor.
    TKvGridColumnGroup* group = Grid->AddColumnGroup();
    Controller()->DoFocusedIndexChanged(Cell(0, group));
    EXPECT_EQ(Controller()->GetEditor(), nullptr);
    Controller()->ShowEditor(false);
    EXPECT_FALSE(Controller()->GetEditing());
}

} // namespace
