// The visual designer on a form file: tree, inspector rows through the property editors,
// value lists that change components, the verb menu with its styles submenu, errors shown,
// and Save writing the form back.
#include "DesignTestSupport.h"

#include "components/KvGrids.Vantrel.h"
#include "design/KvGrids.Regs.h"
#include "grid/KvGrids.Internals.h"
#include "platform/design/VisualHost.h"
#include "platform/ui/MessageBox.h"

#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
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
  end
  object Sales: TKvCsvDataProvider
    FileName = 'sales.csv'
    TypeLine = 1
  end
end
)";

struct VisualHostTest : ::testing::Test
{
    QTemporaryDir Dir;
    QString FormFile;
    QString OldDir = QDir::currentPath();

    void SetUp() override
    {
        Register();
        WriteTestFile(Dir, "sales.csv", "Name,Units\nT,N\nbolt,12\nnut,30\n");
        FormFile = WriteTestFile(Dir, "sales.kvf", FormText);
    }
    void TearDown() override
    {
        UnregisterDesignPackage();
        QDir::setCurrent(OldDir);
    }
};

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
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
    // A verb runs from the menu: clear and generate makes one column per field.
    verbs->actions()[2]->trigger();
    Settle();
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
            if (c.Reports)
                EXPECT_TRUE(shown[0].contains("Sales")) << shown[0].toStdString();
            host.reset();
            designer.reset();
            form.reset();
        }
    }
    SetExceptionHook(oldHook);
}
