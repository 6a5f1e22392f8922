// The visual designer on a form file: tree, inspector rows through the property editors,
// value lists that change components, the verb menu with its styles submenu, errors shown,
// and Save writing the form back.
#include "DesignTestSupport.h"
#include "DialogAnswers.h"
#include "VisualHostTestSupport.h"

#include "components/KvGrids.Vantrel.h"
#include "design/KvGrids.ColumnsEditor.h"
#include "design/KvGrids.Regs.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Internals.h"
#include "platform/design/Dialogs.h"
#include "platform/design/VisualHost.h"
#include "platform/ui/MessageBox.h"

#include <deque>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtGui/QWindow>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QMenu>
#include <QtWidgets/QTreeWidget>

using namespace kv;
using namespace kvtest;

namespace {

const char* const FormText = R"(object Form1: TDesignForm
  Caption = 'Sales'
  object Grid1: TKvVantrel
    DataProvider = Sales
    object Grid1Name: TKvGridDataColumn
      FieldName = 'Name'
    end
    object Grid1Units: TKvGridDataColumn
      FieldName = 'Units'
      Renderer = Grid1UnitsBar
      object Grid1UnitsBar: TKvInternalBarCellRenderer
        Maximum = 50.0
      end
    end
    object TKvGridItemConsumer
    end
  end
  object Sales: TKvCsvDataProvider
    FileName = 'sales.csv'
    TypeLine = 1
  end
end
)";

struct VisualHostTest : TFormFolderTest
{
    void SetUp() override
    {
        Register();
        WriteTestFile(Dir, "sales.csv", "Name,Units\nT,N\nbolt,12\nnut,30\n");
        FormFile = WriteTestFile(Dir, "sales.kvf", FormText);
    }
};

void Settle()
{
    kvtest::DeliverPosted();
}

QTreeWidget* Inspector(TVisualDesigner& d)
{
    for (QTreeWidget* tree : d.Window()->findChildren<QTreeWidget*>())
        if (tree->columnCount() == 2)
            return tree;
    return nullptr;
}

QTreeWidgetItem* Row(QTreeWidget* inspector, const QString& name, QTreeWidgetItem* parent = nullptr)
{
    const int count = parent ? parent->childCount() : inspector->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = parent ? parent->child(i) : inspector->topLevelItem(i);
        if (item->text(0) == name)
            return item;
    }
    return nullptr;
}


QWindow* Win(TVisualDesigner& d)
{
    return d.Window()->windowHandle();
}

QTreeWidget* ComponentTree(TVisualDesigner& d)
{
    for (QTreeWidget* t : d.Window()->findChildren<QTreeWidget*>())
        if (t->columnCount() == 1)
            return t;
    return nullptr;
}

// The node of a component in the component tree.
QTreeWidgetItem* Node(TVisualDesigner& d, const QString& name)
{
    const QList<QTreeWidgetItem*> found =
        ComponentTree(d)->findItems(name + QStringLiteral(": "), Qt::MatchStartsWith | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
}

// Clicks a tree item (a component node or an inspector row) in the designer's window.
void ClickItem(QTreeWidget* tree, QTreeWidgetItem* item, Qt::KeyboardModifiers mods = Qt::NoModifier, int column = 0)
{
    ASSERT_NE(item, nullptr);
    QRect r = tree->visualItemRect(item);
    if (column > 0)
        r.setLeft(tree->header()->sectionPosition(column));
    else
        r.setWidth(tree->header()->sectionSize(0));
    QWidget* top = tree->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, mods, tree->viewport()->mapTo(top, r.center()));
    Settle();
}

void ClickWidget(QWidget* w)
{
    ASSERT_NE(w, nullptr);
    QWidget* top = w->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, w->mapTo(top, w->rect().center()));
    Settle();
}

void TypeText(QWindow* window, const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

// The editor of an inspector row.
QLineEdit* RowEdit(TVisualDesigner& d, const QString& name, QTreeWidgetItem* parent = nullptr)
{
    QTreeWidgetItem* row = Row(Inspector(d), name, parent);
    return row ? qobject_cast<QLineEdit*>(Inspector(d)->itemWidget(row, 1)) : nullptr;
}

// Types a new value into an inspector row as the user does: click, select all, type, Enter.
void EditRow(TVisualDesigner& d, const QString& name, const QString& text, QTreeWidgetItem* parent = nullptr)
{
    QLineEdit* edit = RowEdit(d, name, parent);
    ASSERT_NE(edit, nullptr) << name.toStdString();
    ClickWidget(edit);
    QTest::keyClick(Win(d), Qt::Key_A, Qt::ControlModifier);
    TypeText(Win(d), text);
    QTest::keyClick(Win(d), Qt::Key_Return);
    Settle();
}



QStringList MenuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

} // namespace

TEST_F(VisualHostTest, InspectorVerbsAndSave)
{
    auto designer = std::make_unique<TVisualDesigner>(FormFile);
    designer->Show();
    Settle();
    TComponent* form = designer->GetForm();
    auto* grid = dynamic_cast<TKvVantrel*>(form->FindComponent("Grid1"));
    auto* units = dynamic_cast<TKvGridDataColumn*>(form->FindComponent("Grid1Units"));
    ASSERT_NE(grid, nullptr);
    ASSERT_NE(units, nullptr);
    EXPECT_TRUE(grid->IsDesigning());
    EXPECT_EQ(grid->GetItemCount(), 2);

    // The tree holds the form, its components, and each grid's columns below it.
    QTreeWidget* tree = nullptr;
    for (QTreeWidget* t : designer->Window()->findChildren<QTreeWidget*>())
        if (t->columnCount() == 1)
            tree = t;
    ASSERT_NE(tree, nullptr);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Form1: TDesignForm");
    QTreeWidgetItem* gridNode = tree->topLevelItem(0)->child(0);
    EXPECT_EQ(gridNode->text(0), "Grid1: TKvVantrel");
    EXPECT_EQ(gridNode->child(1)->text(0), "Grid1Units: TKvGridDataColumn");
    // Picking a node selects the component.
    tree->clearSelection();
    gridNode->child(1)->setSelected(true);
    Settle();
    ASSERT_EQ(designer->GetHost().GetSelection().Count(), 1);
    EXPECT_EQ(designer->GetHost().GetSelection()[0], units);

    // The inspector shows the renderer kind in a value list with the renderer's own
    // properties below it.
    QTreeWidget* inspector = Inspector(*designer);
    ASSERT_NE(inspector, nullptr);
    QTreeWidgetItem* renderer = Row(inspector, "Renderer");
    ASSERT_NE(renderer, nullptr);
    auto* kinds = qobject_cast<QComboBox*>(inspector->itemWidget(renderer, 1));
    ASSERT_NE(kinds, nullptr);
    EXPECT_EQ(kinds->currentText(), "bar");
    EXPECT_EQ(kinds->count(), 5);
    ASSERT_NE(Row(inspector, "Maximum", renderer), nullptr);
    // Choosing another kind makes the column's new renderer, and the form is modified.
    emit kinds->textActivated("check");
    Settle();
    EXPECT_NE(dynamic_cast<TKvInternalCheckCellRenderer*>(units->GetRenderer()), nullptr);
    EXPECT_EQ(form->FindComponent("Grid1UnitsBar"), nullptr);
    EXPECT_TRUE(designer->Window()->windowTitle().contains("*"));
    renderer = Row(Inspector(*designer), "Renderer");
    EXPECT_EQ(qobject_cast<QComboBox*>(Inspector(*designer)->itemWidget(renderer, 1))->currentText(), "check");

    // A value the property refuses is shown as an error and changes nothing.
    QStringList shown;
    auto old = SetMessageBoxHook([&shown](const QString& text, const QString&, unsigned) {
        shown << text;
        return IDOK;
    });
    TScopeExit restoreMessageBoxHook([old] { SetMessageBoxHook(old); });
    auto* width = qobject_cast<QLineEdit*>(Inspector(*designer)->itemWidget(Row(Inspector(*designer), "Width"), 1));
    ASSERT_NE(width, nullptr);
    width->setText("wide");
    width->setModified(true);
    emit width->editingFinished();
    Settle();
    EXPECT_EQ(shown.size(), 1);
    EXPECT_EQ(units->GetWidth(), 100);
    SetMessageBoxHook(old);

    // The grid's verbs, with the styles submenu.
    designer->PopupVerbMenu(grid, 100, 100);
    Settle();
    QMenu* verbs = designer->Window()->findChild<QMenu*>("verbs");
    ASSERT_NE(verbs, nullptr);
    EXPECT_EQ(MenuTexts(verbs), (QStringList{"Columns...", "Generate Columns", "Clear and Generate Columns", "-",
                                             "Styles", "Load Styles...", "Save Styles...",
                                             "Load Styles from Quenmark...", "Register Styles..."}));
    QMenu* styles = verbs->actions()[4]->menu();
    ASSERT_NE(styles, nullptr);
    const QStringList entries = MenuTexts(styles);
    EXPECT_EQ(entries.size(), 22);
    EXPECT_EQ(entries.count("-"), 4);
    EXPECT_EQ(entries.back(), "RowGroup Footer...");
    // A verb runs from the menu: clear and generate asks first, then makes one column per field.
    {
        TMessageBoxes boxes;
        boxes.Answers = {IDYES};
        verbs->actions()[2]->trigger();
        Settle();
        ASSERT_EQ(boxes.Texts.size(), 1);
        EXPECT_TRUE(boxes.Texts[0].contains("1 renderer")) << boxes.Texts[0].toStdString();
    }
    ASSERT_EQ(grid->GetColumnCount(), 2);
    EXPECT_EQ(static_cast<TKvGridDataColumn*>(grid->GetColumn(1))->GetRenderer(), nullptr);
    verbs->close();

    // Save writes the form back; another designer reads what was saved.
    designer->Save();
    designer.reset();
    TVisualDesigner again(FormFile);
    auto* grid2 = dynamic_cast<TKvVantrel*>(again.GetForm()->FindComponent("Grid1"));
    ASSERT_NE(grid2, nullptr);
    ASSERT_EQ(grid2->GetColumnCount(), 2);
    EXPECT_EQ(static_cast<TKvGridDataColumn*>(grid2->GetColumn(1))->GetFieldName(), "Units");
    EXPECT_EQ(static_cast<TKvGridDataColumn*>(grid2->GetColumn(1))->GetRenderer(), nullptr);
}

namespace {

const char* const PreviewFormText = R"(object Form1: TDesignForm
  object Grid1: TKvVantrel
    DataProvider = Sales
    object Grid1Name: TKvGridDataColumn
      FieldName = 'Name'
    end
    object Grid1Units: TKvGridDataColumn
      FieldName = 'Units'
      Filters = <
        item
          Criteria = 'value > 5'
          Active = True
        end>
    end
    object TKvGridItemConsumer
    end
  end
  object Sales: TKvCsvDataProvider
    FileName = 'sales.csv'
    TypeLine = 1%1
  end
end
)";

// A data file of rows rows named prefix0, prefix1, ... with units 0, 1, ...
QByteArray SalesRows(const char* prefix, int rows)
{
    QByteArray text = "Name,Units\nT,N\n";
    for (int r = 0; r < rows; ++r)
        text += QByteArray(prefix) + QByteArray::number(r) + ',' + QByteArray::number(r) + '\n';
    return text;
}

QStringList Names(TKvGridView* grid)
{
    QStringList names;
    for (int i = 0; i < grid->GetItemCount(); ++i)
        names << grid->GetCellData(grid->GetCell(i, grid->GetDataColumn(0))).ToString();
    return names;
}

} // namespace

// Both designers open a form whose data file is missing or does not read: the grid and its
// columns are there without rows, a file that does not read is reported once. A form opens
// with the design-time rules of its data provider: the design data file, ten rows at most.
TEST_F(VisualHostTest, FormsOpenWhateverTheirDataFile)
{
    QStringList shown;
    const TExceptionHook oldHook = SetExceptionHook([&shown](const QString& m) { shown << m; });
    TScopeExit restoreExceptionHook([oldHook] { SetExceptionHook(oldHook); });
    const QString plain = WriteTestFile(Dir, "plain.kvf", QString::fromLatin1(PreviewFormText).arg(QString()).toUtf8());
    const QString previewed = WriteTestFile(
        Dir, "previewed.kvf", QString::fromLatin1(PreviewFormText).arg(QStringLiteral("\n    DesignDataFile = 'preview.csv'")).toUtf8());
    const QString sales = Dir.filePath("sales.csv");
    struct TCase
    {
        QString Form;
        QByteArray Sales; // empty: no file
        QStringList Names;
        int Reports;
    };
    QStringList first10;
    for (int r = 0; r < 10; ++r)
        first10 << QStringLiteral("s%1").arg(r);
    QStringList preview10;
    for (int r = 0; r < 10; ++r)
        preview10 << QStringLiteral("p%1").arg(r);
    WriteTestFile(Dir, "preview.csv", SalesRows("p", 12));
    const std::vector<TCase> cases{
        {plain, QByteArray(), {}, 0},
        {plain, SalesRows("s", 3).append("nut,\"7\n"), {}, 1},
        {plain, SalesRows("s", 15), first10, 0},
        {previewed, SalesRows("s", 15), preview10, 0},
        {previewed, QByteArray(), preview10, 0},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const TCase& c = cases[i];
        QFile::remove(sales);
        if (!c.Sales.isEmpty())
            WriteTestFile(Dir, "sales.csv", c.Sales);
        for (bool visual : {false, true}) {
            SCOPED_TRACE(QStringLiteral("case %1, %2").arg(i).arg(visual ? "visual" : "headless").toStdString());
            shown.clear();
            std::unique_ptr<TVisualDesigner> designer;
            TOwned<TComponent> form;
            std::unique_ptr<TDesignHost> host;
            if (visual) {
                ASSERT_NO_THROW(designer = std::make_unique<TVisualDesigner>(c.Form));
                designer->Show();
                Settle();
            } else {
                ASSERT_NO_THROW(form.reset(OpenDesignForm(c.Form)));
                host = std::make_unique<TDesignHost>(form.get());
            }
            TComponent* root = visual ? designer->GetForm() : form.get();
            auto* grid = dynamic_cast<TKvVantrel*>(root->FindComponent("Grid1"));
            ASSERT_NE(grid, nullptr);
            EXPECT_TRUE(grid->IsDesigning());
            EXPECT_TRUE(root->FindComponent("Sales")->IsDesigning());
            EXPECT_EQ(grid->GetColumnCount(), 2);
            // At design time the filters do not apply.
            EXPECT_EQ(Names(grid), c.Names);
            ASSERT_EQ(shown.size(), c.Reports) << shown.join('\n').toStdString();
            if (c.Reports) {
                EXPECT_TRUE(shown[0].contains("Sales")) << shown[0].toStdString();
            }
            host.reset();
            designer.reset();
            form.reset();
        }
    }
}

TEST_F(VisualHostTest, ClosingWithUnsavedChangesAsksToSaveDiscardOrCancel)
{
    TMessageBoxes boxes;
    {
        // Without changes the designer closes without a question.
        TVisualDesigner designer(FormFile);
        ShowActive(designer);
        Win(designer)->close();
        Settle();
        EXPECT_FALSE(designer.Window()->isVisible());
        EXPECT_TRUE(boxes.Texts.isEmpty());
    }
    const QString original = FileText(FormFile);
    {
        TVisualDesigner designer(FormFile);
        ShowActive(designer);
        auto* units = dynamic_cast<TKvGridDataColumn*>(designer.GetForm()->FindComponent("Grid1Units"));
        ASSERT_NE(units, nullptr);
        ClickItem(ComponentTree(designer), Node(designer, "Grid1Units"));
        EditRow(designer, "Width", "120");
        EXPECT_EQ(units->GetWidth(), 120);
        EXPECT_TRUE(designer.Window()->windowTitle().contains("*"));

        // Cancel keeps the designer open with its changes.
        boxes.Answers = {IDCANCEL};
        Win(designer)->close();
        Settle();
        ASSERT_EQ(boxes.Texts.size(), 1);
        EXPECT_TRUE(boxes.Texts[0].contains("sales.kvf")) << boxes.Texts[0].toStdString();
        EXPECT_EQ(boxes.Flags[0] & 0xF, unsigned(MB_YESNOCANCEL));
        EXPECT_TRUE(designer.Window()->isVisible());
        EXPECT_EQ(units->GetWidth(), 120);
        EXPECT_TRUE(designer.Window()->windowTitle().contains("*"));
        EXPECT_EQ(FileText(FormFile), original);

        // Save writes the form and closes.
        boxes.Answers = {IDYES};
        Win(designer)->close();
        Settle();
        EXPECT_EQ(boxes.Texts.size(), 2);
        EXPECT_FALSE(designer.Window()->isVisible());
        EXPECT_TRUE(FileText(FormFile).contains("Width = 120"));
        EXPECT_FALSE(designer.Window()->windowTitle().contains("*"));
    }
    {
        TVisualDesigner designer(FormFile);
        ShowActive(designer);
        ClickItem(ComponentTree(designer), Node(designer, "Grid1Units"));
        EditRow(designer, "Width", "90");
        EXPECT_TRUE(designer.Window()->windowTitle().contains("*"));
        // Saving with the keyboard takes the star off the title; closing then asks nothing.
        QTest::keyClick(Win(designer), Qt::Key_S, Qt::ControlModifier);
        Settle();
        EXPECT_TRUE(FileText(FormFile).contains("Width = 90"));
        EXPECT_FALSE(designer.Window()->windowTitle().contains("*"));
        EditRow(designer, "Width", "70");
        EXPECT_TRUE(designer.Window()->windowTitle().contains("*"));

        // Discard closes without writing.
        boxes.Answers = {IDNO};
        Win(designer)->close();
        Settle();
        EXPECT_EQ(boxes.Texts.size(), 3);
        EXPECT_FALSE(designer.Window()->isVisible());
        EXPECT_TRUE(FileText(FormFile).contains("Width = 90"));
    }
}

TEST_F(VisualHostTest, ASelectionOfSeveralComponentsOffersNoName)
{
    TVisualDesigner designer(FormFile);
    ShowActive(designer);
    TComponent* form = designer.GetForm();
    auto* name = dynamic_cast<TKvGridDataColumn*>(form->FindComponent("Grid1Name"));
    auto* units = dynamic_cast<TKvGridDataColumn*>(form->FindComponent("Grid1Units"));
    ASSERT_NE(name, nullptr);
    ASSERT_NE(units, nullptr);

    ClickItem(ComponentTree(designer), Node(designer, "Grid1Name"));
    EXPECT_NE(Row(Inspector(designer), "Name"), nullptr);
    ClickItem(ComponentTree(designer), Node(designer, "Grid1Units"), Qt::ControlModifier);
    ASSERT_EQ(designer.GetHost().GetSelection().Count(), 2);
    // No Name to type over both; what both can share stays.
    EXPECT_EQ(Row(Inspector(designer), "Name"), nullptr);
    EXPECT_EQ(designer.GetHost().FindProperty("Name"), nullptr);
    EditRow(designer, "Width", "60");
    EXPECT_EQ(name->GetWidth(), 60);
    EXPECT_EQ(units->GetWidth(), 60);
    EXPECT_EQ(name->GetName(), "Grid1Name");
    EXPECT_EQ(units->GetName(), "Grid1Units");
}

TEST_F(VisualHostTest, ValuesAColumnCannotHoldAreRefusedAndExpandedRowsStayExpanded)
{
    TMessageBoxes boxes;
    TVisualDesigner designer(FormFile);
    ShowActive(designer);
    auto* units = dynamic_cast<TKvGridDataColumn*>(designer.GetForm()->FindComponent("Grid1Units"));
    ASSERT_NE(units, nullptr);
    ClickItem(ComponentTree(designer), Node(designer, "Grid1Units"));

    // A negative width is refused with a message; the column keeps its width.
    EditRow(designer, "Width", "-50");
    ASSERT_EQ(boxes.Texts.size(), 1);
    EXPECT_TRUE(boxes.Texts[0].contains("Width")) << boxes.Texts[0].toStdString();
    EXPECT_EQ(units->GetWidth(), 100);
    EXPECT_FALSE(designer.IsModified());
    EXPECT_EQ(RowEdit(designer, "Width")->text(), "100");

    // An empty name is refused; the column keeps its name.
    QLineEdit* nameEdit = RowEdit(designer, "Name");
    ASSERT_NE(nameEdit, nullptr);
    ClickWidget(nameEdit);
    QTest::keyClick(Win(designer), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Win(designer), Qt::Key_Backspace);
    QTest::keyClick(Win(designer), Qt::Key_Return);
    Settle();
    ASSERT_EQ(boxes.Texts.size(), 2);
    EXPECT_TRUE(boxes.Texts[1].contains("name")) << boxes.Texts[1].toStdString();
    EXPECT_EQ(units->GetName(), "Grid1Units");
    EXPECT_EQ(RowEdit(designer, "Name")->text(), "Grid1Units");
    EXPECT_FALSE(designer.IsModified());

    // The renderer's row, opened with the keyboard, stays open across edits of other rows
    // and of its own sub-properties.
    QTreeWidget* inspector = Inspector(designer);
    QTreeWidgetItem* renderer = Row(inspector, "Renderer");
    ASSERT_NE(renderer, nullptr);
    EXPECT_FALSE(renderer->isExpanded());
    ClickItem(inspector, renderer);
    QTest::keyClick(Win(designer), Qt::Key_Right);
    Settle();
    EXPECT_TRUE(renderer->isExpanded());
    EditRow(designer, "Width", "80");
    EXPECT_EQ(units->GetWidth(), 80);
    // The edited row keeps the keyboard focus: typing on goes to the width, not to the name.
    EXPECT_EQ(QApplication::focusWidget(), RowEdit(designer, "Width"));
    renderer = Row(Inspector(designer), "Renderer");
    ASSERT_NE(renderer, nullptr);
    EXPECT_TRUE(renderer->isExpanded());
    EditRow(designer, "Maximum", "70", renderer);
    EXPECT_EQ(static_cast<TKvBarCellRenderer*>(units->GetRenderer())->GetMaximum(), 70.0);
    renderer = Row(Inspector(designer), "Renderer");
    ASSERT_NE(renderer, nullptr);
    EXPECT_TRUE(renderer->isExpanded());
    EXPECT_EQ(boxes.Texts.size(), 2);
}

TEST_F(VisualHostTest, AColourPropertyTakesColourNamesAndHexText)
{
    const QString file = WriteTestFile(Dir, "editor.kvf", R"(object Form1: TDesignForm
  object Grid1: TKvVantrel
    object Grid1Units: TKvGridDataColumn
      FieldName = 'Units'
      Editor = Grid1UnitsEditor
      object Grid1UnitsEditor: TKvInternalNumberCellEditor
      end
    end
  end
end
)");
    TMessageBoxes boxes;
    TVisualDesigner designer(file);
    ShowActive(designer);
    auto* editor = dynamic_cast<TKvNumberCellEditor*>(designer.GetForm()->FindComponent("Grid1UnitsEditor"));
    ASSERT_NE(editor, nullptr);
    ClickItem(ComponentTree(designer), Node(designer, "Grid1Units"));
    QTreeWidgetItem* row = Row(Inspector(designer), "Editor");
    ASSERT_NE(row, nullptr);
    ClickItem(Inspector(designer), row);
    QTest::keyClick(Win(designer), Qt::Key_Right);
    Settle();
    const auto editorRow = [&designer] { return Row(Inspector(designer), "Editor"); };

    EditRow(designer, "Color", "red", editorRow());
    EXPECT_EQ(editor->GetColor(), clRed);
    EXPECT_EQ(RowEdit(designer, "Color", editorRow())->text(), "#FF0000");
    EditRow(designer, "Color", "#0000ff", editorRow());
    EXPECT_EQ(editor->GetColor(), clBlue);
    EditRow(designer, "Color", "#FF00FF00", editorRow());
    EXPECT_EQ(editor->GetColor(), clLime);
    EditRow(designer, "Color", "255", editorRow());
    EXPECT_EQ(editor->GetColor(), clRed);
    EXPECT_TRUE(boxes.Texts.isEmpty());

    // Text that is no colour, and a colour the property cannot show (a transparent one), are
    // refused with a message and change nothing.
    EditRow(designer, "Color", "zzz", editorRow());
    ASSERT_EQ(boxes.Texts.size(), 1);
    EXPECT_TRUE(boxes.Texts[0].contains("'zzz'") && boxes.Texts[0].contains("colour")) << boxes.Texts[0].toStdString();
    EditRow(designer, "Color", "#800000FF", editorRow());
    ASSERT_EQ(boxes.Texts.size(), 2);
    EXPECT_TRUE(boxes.Texts[1].contains("opaque")) << boxes.Texts[1].toStdString();
    EXPECT_EQ(editor->GetColor(), clRed);
}

TEST_F(VisualHostTest, TheColumnsEditorStaysAboveItsDesignerAndMessageBoxesAboveIt)
{
    TVisualDesigner designer(FormFile);
    ShowActive(designer);
    // The grid's menu from the component tree, then "Columns...".
    QTreeWidget* tree = ComponentTree(designer);
    QTreeWidgetItem* grid = Node(designer, "Grid1");
    ASSERT_NE(grid, nullptr);
    QTest::mouseClick(Win(designer), Qt::RightButton, Qt::NoModifier,
                      tree->viewport()->mapTo(designer.Window(), tree->visualItemRect(grid).center()));
    Settle();
    auto* verbs = designer.Window()->findChild<QMenu*>("verbs");
    ASSERT_NE(verbs, nullptr);
    ASSERT_TRUE(verbs->isVisible());
    QAction* columns = verbs->actions().value(0);
    ASSERT_NE(columns, nullptr);
    EXPECT_EQ(columns->text(), "Columns...");
    QTest::mouseClick(verbs->windowHandle(), Qt::LeftButton, Qt::NoModifier, verbs->actionGeometry(columns).center());
    Settle();
    TKvColumnsEditorForm* editor = TKvColumnsEditorForm::Current();
    ASSERT_NE(editor, nullptr);
    QWidget* tool = editor->Window()->Window();
    ASSERT_TRUE(tool->isVisible());
    // A tool window of the designer's window: the window manager keeps it above that window.
    EXPECT_EQ(tool->windowHandle()->transientParent(), Win(designer));

    // Clicking the designer leaves it showing, still above the designer.
    ClickItem(tree, Node(designer, "Sales"));
    EXPECT_TRUE(tool->isVisible());
    EXPECT_EQ(tool->windowHandle()->transientParent(), Win(designer));

    // A message box opened while the columns editor is active shows above it.
    tool->activateWindow();
    QApplication::setActiveWindow(tool);
    Settle();
    QWindow* boxParent = nullptr;
    TDialogAnswers answers;
    answers.ExpectMessageBox("Columns", [&](QMessageBox* box) {
        boxParent = box->windowHandle() ? box->windowHandle()->transientParent() : nullptr;
        QTest::keyClick(box->windowHandle(), Qt::Key_Return);
    });
    EXPECT_EQ(MessageBox("Nothing to delete", "Columns", MB_OK), IDOK);
    answers.Check();
    EXPECT_EQ(boxParent, tool->windowHandle());
}

// Cancel in the dialog that names a new field (the collection editor's Add under "Fields...")
// shows nothing, adds nothing and leaves the form unmodified; OK adds the field.
TEST_F(VisualHostTest, CancellingTheNewFieldDialogIsSilentAndChangesNothing)
{
    const QString file = WriteTestFile(Dir, "fields.kvf", R"(object Form1: TDesignForm
  object Store: TKvVantrelDataProvider
  end
  object Link: TKvBDEDataProvider
  end
end
)");
    TMessageBoxes boxes;
    TVisualDesigner designer(file);
    ShowActive(designer);
    const struct
    {
        const char* Name;
        const char* Caption;
    } providers[] = {{"Store", "New VantrelData Field "}, {"Link", "New BDEData Field"}};
    for (const auto& p : providers) {
        SCOPED_TRACE(p.Name);
        TComponent* provider = designer.GetForm()->FindComponent(p.Name);
        ASSERT_NE(provider, nullptr);
        designer.GetHost().ExecuteVerb(provider, 0);
        Settle();
        QWidget* editor = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QStringLiteral("Editing %1.Fields").arg(p.Name))
                editor = w;
        ASSERT_NE(editor, nullptr);
        QPushButton* add = nullptr;
        for (QPushButton* b : editor->findChildren<QPushButton*>())
            if (b->text() == "Add")
                add = b;
        ASSERT_NE(add, nullptr);
        auto* list = editor->findChild<QListWidget*>();
        ASSERT_NE(list, nullptr);
        {
            TDialogAnswers answers;
            answers.Expect(p.Caption, [](TDesignWindow* w) {
                if (auto* d = OwnerOf<TFormDialog>(w))
                    d->ClickCancel();
            });
            ClickWidget(add);
        }
        EXPECT_TRUE(boxes.Texts.isEmpty()) << boxes.Texts.join("; ").toStdString();
        EXPECT_TRUE(designer.GetHost().GetErrors().isEmpty()) << designer.GetHost().GetErrors().join("; ").toStdString();
        EXPECT_FALSE(designer.IsModified());
        EXPECT_FALSE(designer.Window()->windowTitle().contains("*"));
        EXPECT_EQ(list->count(), 0);
        {
            TDialogAnswers answers;
            answers.Expect(p.Caption, [](TDesignWindow* w) {
                if (auto* d = OwnerOf<TFormDialog>(w)) {
                    d->SetText(1, "amount");
                    d->ClickOk();
                }
            });
            ClickWidget(add);
        }
        EXPECT_EQ(list->count(), 1);
        EXPECT_TRUE(designer.IsModified());
        editor->close();
        designer.Save();
    }
}

// Saving a form that was not changed writes the text that was read, default texts included.
TEST_F(VisualHostTest, SavingAnUnchangedFormWritesTheTextItRead)
{
    const QString text = QString::fromUtf8(FormText);
    const QString file = WriteTestFile(Dir, "unchanged.kvf", text.toUtf8());
    {
        TVisualDesigner designer(file);
        ShowActive(designer);
        EXPECT_FALSE(designer.IsModified());
        designer.Save();
    }
    EXPECT_EQ(FileText(file), text);
    // A text set to something else than the default is written, and read back.
    {
        TVisualDesigner designer(file);
        auto* grid = dynamic_cast<TKvVantrel*>(designer.GetForm()->FindComponent("Grid1"));
        ASSERT_NE(grid, nullptr);
        grid->GetGroupingOptions()->SetPrompt("Drop a header here");
        designer.Save();
    }
    EXPECT_TRUE(FileText(file).contains("GroupingOptions.Prompt = 'Drop a header here'")) << FileText(file).toStdString();
    TVisualDesigner again(file);
    auto* grid = dynamic_cast<TKvVantrel*>(again.GetForm()->FindComponent("Grid1"));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->GetGroupingOptions()->GetPrompt(), "Drop a header here");
}
