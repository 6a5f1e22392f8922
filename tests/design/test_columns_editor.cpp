// The columns editor: one editor per process, the tree, names of new columns, where they go,
// enabled states, delete and its neighbour, clear, moves, the designer's selection, closing.
#include "design/KvGrids.ColumnsEditor.h"

#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Internals.h"
#include "platform/design/DesignHost.h"
#include "components/KvGrids.ListView.h"
#include "model/ModelTestSupport.h"

#include "DialogAnswers.h"
#include "TestSupport.h"

#include <QtCore/QCoreApplication>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QWidget>

using namespace kv;

namespace {

// Answers the next modal column dialog with the texts (OK), or cancels it.
void AnswerColumnDialog(kvtest::TDialogAnswers& answers, const QString& field, const QString& header, bool ok = true)
{
    answers.Expect(QString(), [field, header, ok](TDesignWindow* window) {
        QWidget* w = window->Window();
        EXPECT_EQ(w->windowTitle(), QStringLiteral("New Data Column"));
        auto* okButton = w->findChild<QPushButton*>(QStringLiteral("btnOK"));
        auto* fieldEdit = w->findChild<QLineEdit*>(QStringLiteral("edtFieldName"));
        EXPECT_EQ(w->focusWidget(), fieldEdit);
        EXPECT_FALSE(okButton->isEnabled());
        w->findChild<QLineEdit*>(QStringLiteral("edtHeader"))->setText(QStringLiteral("   "));
        EXPECT_FALSE(okButton->isEnabled());
        QTest::keyClicks(fieldEdit, field);
        w->findChild<QLineEdit*>(QStringLiteral("edtHeader"))->setText(header);
        if (ok)
            QTest::keyClick(w, Qt::Key_Return);
        else
            QTest::keyClick(w, Qt::Key_Escape);
    });
}

void AnswerGroupDialog(kvtest::TDialogAnswers& answers, const QString& header, bool vertical, bool showHeader)
{
    answers.Expect(QString(), [header, vertical, showHeader](TDesignWindow* window) {
        QWidget* w = window->Window();
        EXPECT_EQ(w->windowTitle(), QStringLiteral("New Column Group"));
        auto* okButton = w->findChild<QPushButton*>(QStringLiteral("btnOK"));
        EXPECT_FALSE(okButton->isEnabled());
        EXPECT_TRUE(w->findChild<QCheckBox*>(QStringLiteral("chkShowHeader"))->isChecked());
        QTest::keyClicks(w->findChild<QLineEdit*>(QStringLiteral("edtHeader")), header);
        EXPECT_TRUE(okButton->isEnabled());
        w->findChild<QRadioButton*>(QStringLiteral("rbVertical"))->setChecked(vertical);
        w->findChild<QCheckBox*>(QStringLiteral("chkShowHeader"))->setChecked(showHeader);
        okButton->click();
    });
}

QStringList Texts(TDesignTreeNode* node)
{
    QStringList texts;
    for (int i = 0; i < node->Count(); ++i)
        texts << node->Item(i)->GetText();
    return texts;
}

struct ColumnsEditorTest : ::testing::Test
{
    TOwned<TDesignForm> Form{Create<TDesignForm>(nullptr)};
    TKvGridView* Grid = nullptr;
    std::unique_ptr<TDesignHost> Host;
    kvtest::TDialogAnswers Answers;

    void SetUp() override
    {
        Form->SetName(QStringLiteral("Form1"));
        Grid = Create<TKvGridView>(Form.get());
        Grid->SetName(QStringLiteral("Grid1"));
        Host = std::make_unique<TDesignHost>(Form.get());
    }
    void TearDown() override
    {
        TKvColumnsEditorForm::FreeEditor();
        Host.reset();
    }
    TKvColumnsEditorForm* Open()
    {
        TKvColumnsEditorForm::Execute(Grid, Host.get());
        return TKvColumnsEditorForm::Current();
    }
    TPersistent* DesignerSelected() const
    {
        return Host->GetSelection().Count() == 1 ? Host->GetSelection()[0] : nullptr;
    }
};

} // namespace

TEST_F(ColumnsEditorTest, OneEditorShowsTheColumnTree)
{
    TKvGridDataColumn* name = Grid->AddDataColumn();
    name->SetFieldName(QStringLiteral("Name"));
    TKvGridColumnGroup* group = Grid->AddColumnGroup();
    group->GetHeader()->SetCaption(QStringLiteral("Address"));
    TKvGridDataColumn* city = Grid->AddDataColumn(group);
    city->SetFieldName(QStringLiteral("City"));

    TKvColumnsEditorForm* editor = Open();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->Window()->IsShowing());
    EXPECT_EQ(editor->Window()->GetCaption(), QStringLiteral("Columns - Grid1"));
    TDesignTreeNode* root = editor->GetRoot();
    EXPECT_EQ(root->GetText(), QStringLiteral("Grid1"));
    EXPECT_EQ(root->GetImageIndex(), 0);
    EXPECT_EQ(Texts(root), (QStringList{"Name", group->GetDisplayName()}));
    EXPECT_EQ(root->Item(0)->GetImageIndex(), 2);
    EXPECT_EQ(root->Item(1)->GetImageIndex(), 1);
    EXPECT_EQ(Texts(root->Item(1)), QStringList{"City"});
    EXPECT_EQ(editor->FindNode(city), root->Item(1)->Item(0));
    EXPECT_EQ(editor->tbarMain->GetItems(), (QStringList{"Add DataColumn", "Add ColumnGroup", "Delete", "-", "Move Up",
                                                         "Move Down", "-", "Styles..."}));
    EXPECT_EQ(editor->popMain->GetItems(),
              (QStringList{"Add DataColumn", "Add ColumnGroup", "-", "Delete", "Clear", "-", "Move Up", "Move Down", "-",
                           "Styles...", "Header Styles...", "Footer Styles..."}));
    EXPECT_EQ(editor->actAddColumn->GetHint(), QStringLiteral("New Data Column"));
    EXPECT_EQ(editor->actAddGroup->GetHint(), QStringLiteral("New Column Group"));

    // Picking a node selects its object in the designer.
    editor->SelectColumn(city);
    EXPECT_EQ(DesignerSelected(), city);
    editor->tvMain->Select(root);
    EXPECT_EQ(DesignerSelected(), Grid);

    // The same grid only brings the editor forward; a modification refreshes node texts.
    TKvColumnsEditorForm::Execute(Grid, Host.get());
    EXPECT_EQ(TKvColumnsEditorForm::Current(), editor);
    city->SetFieldName(QStringLiteral("Town"));
    Host->Modified();
    EXPECT_EQ(editor->FindNode(city)->GetText(), QStringLiteral("Town"));
    EXPECT_EQ(root->GetText(), QStringLiteral("Grid1"));

    // Another grid closes the first editor.
    auto* other = Create<TKvGridView>(Form.get());
    other->SetName(QStringLiteral("Grid2"));
    Host->ComponentInserted(other);
    TKvColumnsEditorForm::Execute(other, Host.get());
    ASSERT_NE(TKvColumnsEditorForm::Current(), nullptr);
    EXPECT_EQ(TKvColumnsEditorForm::Current()->GetGrid(), other);
    EXPECT_EQ(TKvColumnsEditorForm::Current()->GetRoot()->Count(), 0);
    TKvColumnsEditorForm::RefreshEditor(Grid);
    EXPECT_EQ(TKvColumnsEditorForm::Current()->GetRoot()->GetText(), QStringLiteral("Grid2"));
}

TEST_F(ColumnsEditorTest, AddsNamedColumnsAndGroupsWhereTheSelectionSays)
{
    TKvColumnsEditorForm* editor = Open();
    const int modified = Host->GetModifiedCount();

    // Nothing selected: at the end of the top level, named after the grid.
    AnswerColumnDialog(Answers, QStringLiteral("First Name"), QStringLiteral("First"));
    EXPECT_TRUE(editor->actAddColumn->Execute());
    ASSERT_EQ(Grid->GetRootGroup()->Count(), 1);
    auto* first = dynamic_cast<TKvGridDataColumn*>(Grid->GetColumn(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetName(), QStringLiteral("Grid1column"));
    EXPECT_EQ(first->GetFieldName(), QStringLiteral("First Name"));
    EXPECT_EQ(first->GetHeader()->GetCaption(), QStringLiteral("First"));
    EXPECT_EQ(editor->tvMain->GetSelected(), editor->FindNode(first));
    EXPECT_EQ(DesignerSelected(), first);
    EXPECT_EQ(Host->GetModifiedCount(), modified + 1);

    AnswerColumnDialog(Answers, QStringLiteral("Last Name"), QString());
    editor->tvMain->Select(editor->GetRoot());
    editor->actAddColumn->Execute();
    EXPECT_EQ(Grid->GetColumn(1)->GetName(), QStringLiteral("Grid1column2"));

    // A selected column takes the new one after it, in its group; a valid field names it.
    // Columns added one after another (each new one selected) keep the order they came in.
    editor->SelectColumn(first);
    AnswerColumnDialog(Answers, QStringLiteral("Price"), QString());
    editor->actAddColumn->Execute();
    EXPECT_EQ(Grid->GetColumn(1)->GetName(), QStringLiteral("Grid1Price"));
    EXPECT_EQ(Grid->GetColumn(0), first);
    AnswerColumnDialog(Answers, QStringLiteral("Qty"), QString());
    editor->actAddColumn->Execute();
    EXPECT_EQ(Grid->GetColumn(2)->GetName(), QStringLiteral("Grid1Qty"));
    EXPECT_EQ(editor->tvMain->GetSelected(), editor->FindNode(Grid->GetColumn(2)));
    EXPECT_EQ(Texts(editor->GetRoot()), (QStringList{"First Name", "Price", "Qty", "Last Name"}));

    // Cancel adds nothing.
    AnswerColumnDialog(Answers, QStringLiteral("Nothing"), QString(), false);
    editor->actAddColumn->Execute();
    EXPECT_EQ(Grid->GetRootGroup()->Count(), 4);

    // A group, then a column into the selected group at its end.
    editor->tvMain->Select(editor->GetRoot());
    AnswerGroupDialog(Answers, QStringLiteral("Totals"), true, false);
    EXPECT_TRUE(editor->actAddGroup->Execute());
    auto* group = dynamic_cast<TKvGridColumnGroup*>(Grid->GetColumn(4));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->GetName(), QStringLiteral("Grid1group"));
    EXPECT_EQ(group->GetHeader()->GetCaption(), QStringLiteral("Totals"));
    EXPECT_EQ(group->GetOrientation(), ColumnsVertical);
    EXPECT_FALSE(group->GetGroupHeader()->GetVisible());
    EXPECT_EQ(editor->FindNode(group)->GetImageIndex(), 1);
    EXPECT_EQ(editor->tvMain->GetSelected(), editor->FindNode(group));
    AnswerColumnDialog(Answers, QStringLiteral("Sum"), QString());
    editor->actAddColumn->Execute();
    ASSERT_EQ(group->Count(), 1);
    EXPECT_EQ(group->GetItem(0)->GetName(), QStringLiteral("Grid1Sum"));
    EXPECT_EQ(Texts(editor->FindNode(group)), QStringList{"Sum"});
    AnswerGroupDialog(Answers, QStringLiteral("Inner"), false, true);
    editor->SelectColumn(group);
    editor->actAddGroup->Execute();
    EXPECT_EQ(group->GetItem(1)->GetName(), QStringLiteral("Grid1group2"));
    EXPECT_EQ(static_cast<TKvGridColumnGroup*>(group->GetItem(1))->GetOrientation(), ColumnsHorizontal);
}

TEST_F(ColumnsEditorTest, EnabledStatesFollowTheSelection)
{
    TKvColumnsEditorForm* editor = Open();
    // An empty grid: nothing to clear, delete or move.
    EXPECT_TRUE(editor->actAddColumn->GetEnabled());
    EXPECT_TRUE(editor->actAddGroup->GetEnabled());
    EXPECT_FALSE(editor->actDelete->GetEnabled());
    EXPECT_FALSE(editor->actClear->GetEnabled());
    EXPECT_FALSE(editor->actMoveUp->GetEnabled());
    EXPECT_FALSE(editor->actStyles->GetEnabled());
    EXPECT_FALSE(editor->actDelete->Execute());

    TKvGridColumnGroup* group = Grid->AddColumnGroup();
    TKvGridDataColumn* a = Grid->AddDataColumn(group);
    TKvGridDataColumn* b = Grid->AddDataColumn(group);
    TKvColumnsEditorForm::RefreshEditor(Grid);
    EXPECT_TRUE(editor->actClear->GetEnabled());

    editor->tvMain->Select(editor->GetRoot());
    EXPECT_TRUE(editor->actStyles->GetEnabled());
    EXPECT_FALSE(editor->actDelete->GetEnabled());
    EXPECT_FALSE(editor->actHeaderStyles->GetEnabled());

    editor->SelectColumn(a);
    EXPECT_FALSE(editor->actMoveUp->GetEnabled());
    EXPECT_TRUE(editor->actMoveDown->GetEnabled());
    EXPECT_FALSE(editor->actAddGroup->GetEnabled());
    EXPECT_TRUE(editor->actStyles->GetEnabled());
    EXPECT_TRUE(editor->actFooterStyles->GetEnabled());
    EXPECT_TRUE(editor->actDelete->GetEnabled());

    editor->SelectColumn(b);
    EXPECT_TRUE(editor->actMoveUp->GetEnabled());
    EXPECT_FALSE(editor->actMoveDown->GetEnabled());

    editor->SelectColumn(group);
    EXPECT_TRUE(editor->actAddGroup->GetEnabled());
    EXPECT_FALSE(editor->actStyles->GetEnabled());
    EXPECT_FALSE(editor->actMoveUp->GetEnabled());
    EXPECT_FALSE(editor->actMoveDown->GetEnabled());
}

TEST_F(ColumnsEditorTest, DeleteSelectsTheNeighbourAndTakesTheColumnsOwnParts)
{
    TKvGridColumnGroup* group = Grid->AddColumnGroup();
    TKvGridDataColumn* a = Grid->AddDataColumn(group);
    TKvGridDataColumn* b = Grid->AddDataColumn(group);
    TKvGridDataColumn* top = Grid->AddDataColumn();
    a->SetName(QStringLiteral("ColA"));
    b->SetName(QStringLiteral("ColB"));
    auto* renderer = Create<TKvInternalBarCellRenderer>(Form.get());
    renderer->SetName(QStringLiteral("ColBRenderer"));
    renderer->SetInternalColumn(b);
    b->SetRenderer(renderer);
    auto* editorPart = Create<TKvInternalNumberCellEditor>(Form.get());
    editorPart->SetName(QStringLiteral("ColBEditor"));
    editorPart->SetInternalColumn(b);
    b->SetEditor(editorPart);
    // A shared renderer of the form stays.
    auto* shared = Create<TKvBarCellRenderer>(Form.get());
    shared->SetName(QStringLiteral("SharedBar"));
    a->SetRenderer(shared);

    TKvColumnsEditorForm* editor = Open();
    const int modified = Host->GetModifiedCount();

    // The last of a group: its previous sibling is selected next.
    editor->SelectColumn(b);
    EXPECT_TRUE(editor->actDelete->Execute());
    EXPECT_EQ(group->Count(), 1);
    EXPECT_EQ(Form->FindComponent(QStringLiteral("ColB")), nullptr);
    EXPECT_EQ(Form->FindComponent(QStringLiteral("ColBRenderer")), nullptr);
    EXPECT_EQ(Form->FindComponent(QStringLiteral("ColBEditor")), nullptr);
    EXPECT_EQ(editor->tvMain->GetSelected(), editor->FindNode(a));
    EXPECT_EQ(DesignerSelected(), a);
    EXPECT_EQ(Host->GetModifiedCount(), modified + 1);

    // The only one of a group: the group is selected next; shared parts stay.
    editor->actDelete->Execute();
    EXPECT_EQ(group->Count(), 0);
    EXPECT_NE(Form->FindComponent(QStringLiteral("SharedBar")), nullptr);
    EXPECT_EQ(editor->tvMain->GetSelected(), editor->FindNode(group));

    // A first top-level column: the next sibling.
    editor->actDelete->Execute();
    EXPECT_EQ(editor->tvMain->GetSelected(), editor->FindNode(top));
    // The only top-level column: nothing stays selected in the tree.
    editor->actDelete->Execute();
    EXPECT_EQ(Grid->GetRootGroup()->Count(), 0);
    EXPECT_EQ(editor->tvMain->GetSelected(), nullptr);
    EXPECT_EQ(editor->tvMain->SelectionCount(), 0);
    EXPECT_EQ(Host->GetSelection().Count(), 0);
}

TEST_F(ColumnsEditorTest, ClearMovesAndSelectionsReachTheDesigner)
{
    TKvGridDataColumn* a = Grid->AddDataColumn();
    TKvGridDataColumn* b = Grid->AddDataColumn();
    TKvGridDataColumn* c = Grid->AddDataColumn();
    a->SetFieldName(QStringLiteral("A"));
    b->SetFieldName(QStringLiteral("B"));
    c->SetFieldName(QStringLiteral("C"));
    TKvColumnsEditorForm* editor = Open();
    int changes = 0;
    editor->FOnChange = [&changes](TObject*) { ++changes; };

    int modified = Host->GetModifiedCount();
    editor->SelectColumn(a);
    EXPECT_GT(changes, 0);
    EXPECT_TRUE(editor->actMoveDown->Execute());
    EXPECT_EQ(Texts(editor->GetRoot()), (QStringList{"B", "A", "C"}));
    EXPECT_EQ(editor->tvMain->GetSelected(), editor->FindNode(a));
    EXPECT_EQ(Host->GetModifiedCount(), modified + 1);
    editor->actMoveUp->Execute();
    EXPECT_EQ(Grid->GetColumn(0), a);

    // Several nodes: the designer selects the list of their columns.
    editor->FindNode(b)->SetSelected(true);
    editor->FindNode(c)->SetSelected(true);
    EXPECT_EQ(Host->GetSelection().Count(), 3);
    EXPECT_TRUE(Host->GetSelection().Contains(c));

    modified = Host->GetModifiedCount();
    EXPECT_TRUE(editor->actClear->Execute());
    EXPECT_EQ(Grid->GetRootGroup()->Count(), 0);
    EXPECT_EQ(editor->GetRoot()->Count(), 0);
    EXPECT_EQ(Host->GetModifiedCount(), modified + 1);
    EXPECT_FALSE(Host->GetSelection().Contains(a));
    EXPECT_FALSE(Host->GetSelection().Contains(b));
    EXPECT_FALSE(editor->actClear->GetEnabled());
}

TEST_F(ColumnsEditorTest, MouseSelectsAndClearsInTheTree)
{
    Grid->AddDataColumn()->SetFieldName(QStringLiteral("A"));
    TKvColumnsEditorForm* editor = Open();
    TDesignTreeNode* node = editor->GetRoot()->Item(0);
    QCoreApplication::processEvents();
    const TPoint p = editor->tvMain->NodeCenter(node);
    QTest::mouseClick(editor->tvMain->Viewport(), Qt::RightButton, {}, QPoint(p.X, p.Y));
    EXPECT_EQ(editor->tvMain->GetSelected(), node);
    const int bottom = editor->tvMain->Viewport()->height() - 3;
    QTest::mouseClick(editor->tvMain->Viewport(), Qt::LeftButton, {}, QPoint(p.X, bottom));
    EXPECT_EQ(editor->tvMain->SelectionCount(), 0);
    EXPECT_EQ(Host->GetSelection().Count(), 0);
}

TEST_F(ColumnsEditorTest, ClosesWithItsGridItsDesignerAndItsWindow)
{
    TKvColumnsEditorForm* editor = Open();
    editor->Window()->Close();
    QCoreApplication::processEvents();
    EXPECT_EQ(TKvColumnsEditorForm::Current(), nullptr);

    // The grid freed while the editor is open.
    Grid->AddDataColumn();
    editor = Open();
    editor->SelectColumn(Grid->GetColumn(0));
    Host->DeleteComponent(Grid);
    Grid = nullptr;
    EXPECT_FALSE(editor->Window()->IsShowing());
    QCoreApplication::processEvents();
    EXPECT_EQ(TKvColumnsEditorForm::Current(), nullptr);

    // The designer closing frees the editor at once.
    Grid = Create<TKvGridView>(Form.get());
    Grid->SetName(QStringLiteral("Grid3"));
    Open();
    ASSERT_NE(TKvColumnsEditorForm::Current(), nullptr);
    Host.reset();
    EXPECT_EQ(TKvColumnsEditorForm::Current(), nullptr);
}

TEST(ColumnsEditorRunning, DeletingAColumnWhoseEditorIsOpenIsSafe)
{
    TOwned<TKvSimpleDataProvider> data = kvtest::MakeTable("Name,Qty", "s,n", {{"pear", 3}, {"apple", 7}});
    TOwned<TKvListView> view = MakeOwned<TKvListView>(nullptr);
    view->SetName(QStringLiteral("List1"));
    TKvGridDataColumn* name = view->AddDataColumn();
    name->SetFieldName(QStringLiteral("Name"));
    view->AddDataColumn()->SetFieldName(QStringLiteral("Qty"));
    view->SetDataProvider(data.get());
    view->SetBounds(0, 0, 360, 200);
    view->Show();
    QApplication::setActiveWindow(view->Widget()->window());
    view->SetFocus();
    QCoreApplication::processEvents();
    view->SetFocusedIndex(TKvGridCellIndex(view.get(), 0, name));
    QCoreApplication::processEvents();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("plum"));
    ASSERT_TRUE(view->GetEditing());

    // A grid outside any designer: the editor works without one.
    TKvColumnsEditorForm::Execute(view.get(), nullptr);
    TKvColumnsEditorForm* editor = TKvColumnsEditorForm::Current();
    ASSERT_NE(editor, nullptr);
    editor->SelectColumn(name);
    EXPECT_TRUE(editor->actDelete->Execute());
    EXPECT_FALSE(view->GetEditing());
    ASSERT_EQ(view->GetRootGroup()->Count(), 1);
    EXPECT_EQ(Texts(editor->GetRoot()), QStringList{"Qty"});
    EXPECT_EQ(data->GetData(0, 0).ToString(), QStringLiteral("pear"));
    view->Invalidate();
    view->Update();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1"));
    QCoreApplication::processEvents();
    TKvColumnsEditorForm::FreeEditor();
}

// Columns added to a group in the editor, and widths typed in the inspector, are drawn at the
// width the inspector shows: the group fits its columns.
TEST_F(ColumnsEditorTest, ColumnsOfAGroupAreDrawnAtTheWidthTheInspectorShows)
{
    TKvColumnsEditorForm* editor = Open();
    editor->tvMain->Select(editor->GetRoot());
    AnswerGroupDialog(Answers, QStringLiteral("Totals"), false, true);
    ASSERT_TRUE(editor->actAddGroup->Execute());
    auto* group = dynamic_cast<TKvGridColumnGroup*>(Grid->GetColumn(0));
    ASSERT_NE(group, nullptr);
    AnswerColumnDialog(Answers, QStringLiteral("Sum"), QString());
    editor->actAddColumn->Execute();
    AnswerColumnDialog(Answers, QStringLiteral("Count"), QString());
    editor->actAddColumn->Execute();
    ASSERT_EQ(group->Count(), 2);
    TKvGridColumn* sum = group->GetItem(0);
    TKvGridColumn* count = group->GetItem(1);
    EXPECT_EQ(sum->GetName(), QStringLiteral("Grid1Sum"));
    EXPECT_EQ(count->GetName(), QStringLiteral("Grid1Count"));

    auto drawnAsShown = [&] {
        Grid->UpdateLayout();
        for (TKvGridColumn* column : {sum, count})
            EXPECT_EQ(column->GetGroupWidth(), Host->FindProperty(QStringLiteral("Width"), column)->GetValue().toInt())
                << column->GetName().toStdString();
        EXPECT_EQ(group->GetWidth(), sum->GetWidth() + count->GetWidth());
    };
    drawnAsShown();
    // A width typed for a column of the group is the width drawn; the group follows.
    Host->FindProperty(QStringLiteral("Width"), sum)->SetValue(QStringLiteral("150"));
    EXPECT_EQ(sum->GetWidth(), 150);
    drawnAsShown();
    EXPECT_EQ(sum->GetGroupWidth(), 150);
    // Deleting a column narrows the group to the columns it keeps.
    editor->SelectColumn(count);
    ASSERT_TRUE(editor->actDelete->Execute());
    ASSERT_EQ(group->Count(), 1);
    Grid->UpdateLayout();
    EXPECT_EQ(group->GetWidth(), sum->GetWidth());
    EXPECT_EQ(sum->GetGroupWidth(), sum->GetWidth());
}
