// Registration with the designer, and the grid commands that go through the top-level grid
// and the style archive.
#include "DesignTestSupport.h"
#include "DialogAnswers.h"

#include "components/KvGrids.ListView.h"
#include "components/KvGrids.Vantrel.h"
#include "design/KvGrids.ColumnsEditor.h"
#include "design/KvGrids.StyleInspector.h"
#include "design/KvGrids.Regs.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/ModelTestSupport.h"
#include "platform/design/DesignDialogs.h"
#include "platform/graphics/Graphics.h"

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/MessageBox.h"

#include <deque>

#include <QtCore/QFile>
#include <QtGui/QImage>
#include <QtCore/QTemporaryDir>

using namespace kv;
using namespace kvtest;

namespace {

struct RegsTest : ::testing::Test
{
    void SetUp() override { Register(); }
    void TearDown() override { UnregisterDesignPackage(); }
};

QStringList PaletteNames()
{
    QStringList names;
    for (const TPaletteEntry& e : TDesignRegistry::Instance().GetPalette())
        names << e.Page + "/" + e.Class->Name();
    return names;
}

} // namespace

TEST_F(RegsTest, ClassesPaletteAndEditorsInOrder)
{
    const TDesignRegistry& r = TDesignRegistry::Instance();
    const QStringList classes = TDesignRegistry::Names(r.GetClasses());
    EXPECT_EQ(classes,
              (QStringList{"TKvGridTypeConsumer", "TKvGridItemConsumer", "TKvGridDataColumn", "TKvGridColumnGroup",
                           "TKvProxyCellRenderer", "TKvBarCellRenderer", "TKvCheckCellRenderer", "TKvImageCellRenderer",
                           "TKvInternalBarCellRenderer", "TKvInternalCheckCellRenderer",
                           "TKvInternalImageCellRenderer", "TKvProxyCellEditor", "TKvLineCellEditor",
                           "TKvLookupCellEditor", "TKvNumberCellEditor", "TKvListCellEditor", "TKvDateTimeCellEditor",
                           "TKvMultiLineCellEditor", "TKvInternalLineCellEditor", "TKvInternalLookupCellEditor",
                           "TKvInternalNumberCellEditor", "TKvInternalDateTimeCellEditor",
                           "TKvInternalMultiLineCellEditor"}));
    const QStringList noIcon = TDesignRegistry::Names(r.GetNoIconClasses());
    EXPECT_EQ(noIcon.size(), 13);
    EXPECT_EQ(noIcon.front(), "TKvGridItemConsumer");
    EXPECT_EQ(noIcon.back(), "TKvGridColumn");
    // The two asymmetries: the internal list editor has no icon but is not in the class list;
    // the type consumer is in the class list but gets no no-icon registration.
    EXPECT_TRUE(noIcon.contains("TKvInternalListCellEditor"));
    EXPECT_FALSE(classes.contains("TKvInternalListCellEditor"));
    EXPECT_TRUE(classes.contains("TKvGridTypeConsumer"));
    EXPECT_FALSE(noIcon.contains("TKvGridTypeConsumer"));
    // Form files can name every registered class.
    for (const QString& name : classes)
        EXPECT_NE(GetClass(name), nullptr) << name.toStdString();

    EXPECT_EQ(PaletteNames(),
              (QStringList{"Quenmark/TKvVantrel", "Quenmark/TKvListView", "Quenmark/TKvCsvDataProvider",
                           "Quenmark/TKvVantrelDataProvider", "Quenmark/TKvBDEDataProvider",
                           "Quenmark/TKvTidemarDataProvider", "Quenmark/TKvGridStyleObject",
                           "Quenmark/TKvGridStyleSheet", "Quenmark/TKvGridExcelConverter",
                           "Quenmark/TKvSimpleImageLoader"}));
    // Each palette component has its picture, named after the class in upper case.
    for (const TPaletteEntry& e : r.GetPalette()) {
        TBitmap bitmap;
        EXPECT_EQ(PaletteBitmapName(*e.Class), e.Class->Name().toUpper());
        ASSERT_TRUE(bitmap.LoadFromResource(PaletteBitmapName(*e.Class))) << e.Class->Name().toStdString();
        EXPECT_EQ(bitmap.GetImage().width(), 24);
        EXPECT_FALSE(r.IsNoIcon(*e.Class));
    }

    QStringList editors;
    for (const TComponentEditorEntry& e : r.GetComponentEditors())
        editors << e.ComponentClass->Name() + ">" + e.Editor.Name;
    EXPECT_EQ(editors, (QStringList{"TKvGridView>TKvGridViewEditor", "TKvCsvDataProvider>TKvCsvDataProviderEditor",
                                    "TKvVantrelDataProvider>TKvVantrelDataProviderEditor",
                                    "TKvBDEDataProvider>TKvBDEDataProviderEditor"}));
    QStringList props;
    for (const TPropertyEditorEntry& e : r.GetPropertyEditors())
        props << QStringLiteral("%1/%2/%3>%4")
                     .arg(e.PropertyType ? e.PropertyType->Name() : QString("*"),
                          e.ComponentClass ? e.ComponentClass->Name() : QString("*"),
                          e.PropertyName, e.Editor.Name);
    EXPECT_EQ(props, (QStringList{"TKvGridCellRenderer/TKvGridColumn/>TKvRendererPropertyEditor",
                                  "TKvGridCellEditor/TKvGridColumn/>TKvEditorPropertyEditor",
                                  "TKvGridViewColumns/TKvGridView/>TKvColumnsPropertyEditor",
                                  "TKvGridViewStyles/*/>TKvStylesPropertyEditor",
                                  "TKvGridStyleBag/*/>TKvStyleBagPropertyEditor",
                                  "TKvGridRowGroupLevels/*/>TKvRowGroupLevelsPropertyEditor",
                                  "TKvGridDynamicStyleCollection/TKvGridBody/>TKvDynamicStyleCollectionPropertyEditor",
                                  "*/TKvDateTimeCellEditor/MinDate>TKvDatePropertyEditor",
                                  "*/TKvDateTimeCellEditor/MaxDate>TKvDatePropertyEditor"}));
}

TEST_F(RegsTest, GenerateColumnsOnBothGridsAndAskBeforeClearingWhatWouldBeLost)
{
    TOwned<TDesignForm> form{Create<TDesignForm>(nullptr)};
    TOwned<TKvSimpleDataProvider> data = MakeTable("Name,Amount", "s,n", {{"a", 1}});
    auto* grid = Create<TKvVantrel>(form.get());
    grid->SetName("Grid1");
    grid->SetDataProvider(data.get());
    auto* list = Create<TKvListView>(form.get());
    list->SetName("List1");
    list->SetDataProvider(data.get());
    auto* kept = list->AddDataColumn();
    TDesignHost host(form.get());
    QStringList asked;
    std::deque<int> answers;
    TMessageBoxHook old = SetMessageBoxHook([&](const QString& text, const QString&, unsigned) {
        asked << text;
        const int answer = answers.empty() ? IDCANCEL : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    });
    TScopeExit restore([&] { SetMessageBoxHook(old); });

    // The list view gets the grid view editor through its base class.
    EXPECT_EQ(host.GetVerbs(list).size(), 9);
    EXPECT_EQ(host.GetVerbs(grid).size(), 9);

    host.ExecuteVerb(grid, 1);
    ASSERT_EQ(grid->GetColumnCount(), 2);
    EXPECT_EQ(static_cast<TKvGridDataColumn*>(grid->GetColumn(1))->GetFieldName(), "Amount");
    EXPECT_EQ(host.GetModifiedCount(), 1);
    host.ExecuteVerb(grid, 1);
    EXPECT_EQ(grid->GetColumnCount(), 4);
    EXPECT_TRUE(asked.isEmpty());

    // Work done on the columns is named before it goes; "No" keeps every column.
    TKvGridColumnGroup* group = grid->AddColumnGroup();
    auto* first = static_cast<TKvGridDataColumn*>(grid->GetColumn(0));
    first->SetRenderer(Create<TKvBarCellRenderer>(form.get()));
    first->GetStyles()->SetValue("Background", "#FFFF0000");
    const int modified = host.GetModifiedCount();
    answers = {IDNO};
    host.ExecuteVerb(grid, 2);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], "Clear the columns of Grid1 and generate them again? This deletes 4 columns, 1 column group, "
                        "1 renderer and 1 column with its own styles.");
    EXPECT_EQ(grid->GetColumnCount(), 5);
    EXPECT_EQ(grid->GetColumn(4), group);
    EXPECT_EQ(first->GetRenderer() != nullptr, true);
    EXPECT_EQ(host.GetModifiedCount(), modified);
    answers = {IDYES};
    host.ExecuteVerb(grid, 2);
    EXPECT_EQ(asked.size(), 2);
    ASSERT_EQ(grid->GetColumnCount(), 2);
    EXPECT_EQ(static_cast<TKvGridDataColumn*>(grid->GetColumn(0))->GetFieldName(), "Name");
    EXPECT_EQ(host.GetModifiedCount(), modified + 1);

    // A list view generates its columns from its provider as the top-level grid does.
    host.ExecuteVerb(list, 1);
    ASSERT_EQ(list->GetColumnCount(), 3);
    EXPECT_EQ(list->GetColumn(0), kept);
    EXPECT_EQ(static_cast<TKvGridDataColumn*>(list->GetColumn(2))->GetFieldName(), "Amount");
    EXPECT_EQ(list->GetColumn(2)->GetName(), "List1Amount");
    answers = {IDYES};
    host.ExecuteVerb(list, 2);
    EXPECT_EQ(asked.size(), 3);
    EXPECT_EQ(asked.back(), "Clear the columns of List1 and generate them again? This deletes 3 columns.");
    ASSERT_EQ(list->GetColumnCount(), 2);
    EXPECT_EQ(static_cast<TKvGridDataColumn*>(list->GetColumn(0))->GetFieldName(), "Name");
    EXPECT_TRUE(host.GetErrors().isEmpty()) << host.GetErrors().join("; ").toStdString();

    // Without columns there is nothing to lose and nothing to ask.
    grid->ClearColumns();
    host.ExecuteVerb(grid, 2);
    EXPECT_EQ(asked.size(), 3);
    EXPECT_EQ(grid->GetColumnCount(), 2);
    grid->SetDataProvider(nullptr);
    list->SetDataProvider(nullptr);
}

TEST_F(RegsTest, LoadAndSaveStylesThroughTheArchive)
{
    QTemporaryDir dir;
    TOwned<TDesignForm> form{Create<TDesignForm>(nullptr)};
    auto* grid = Create<TKvVantrel>(form.get());
    auto* other = Create<TKvVantrel>(form.get());
    TDesignHost host(form.get());
    grid->GetBody()->GetStyles()->SetValue("Background", "#ffff0000");
    grid->GetHeader()->GetGroupStyles()->SetValue("Foreground", "#FF0000FF");

    // Save: the dialog asks for ".vts"; a name without extension gets it.
    QString filter, ext;
    auto old = SetFileDialogHook([&](TFileDialog& d) {
        filter = d.GetFilter();
        ext = d.GetDefaultExt();
        d.SetFileName(dir.filePath("look"));
        return d.GetKind() == fdSave;
    });
    TScopeExit restoreFileDialogHook([old] { SetFileDialogHook(old); });
    host.ExecuteVerb(grid, 6);
    EXPECT_EQ(filter, "VantrelPlus Styles(*.vts)|*.vts|All Files (*.*)|*.*");
    EXPECT_EQ(ext, "vts");
    QFile saved(dir.filePath("look.vts"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    saved.close();
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.contains("\"body\""));
    EXPECT_TRUE(bytes.toLower().contains("#ffff0000"));

    // Load: into another grid, from the saved file and from one with a byte-order mark.
    SetFileDialogHook([&](TFileDialog& d) {
        d.SetFileName(dir.filePath("look.vts"));
        return d.GetKind() == fdOpen;
    });
    int modifiedBefore = host.GetModifiedCount();
    host.ExecuteVerb(other, 5);
    EXPECT_EQ(other->GetBody()->GetStyles()->GetValue("Background"), "#ffff0000");
    EXPECT_EQ(other->GetHeader()->GetGroupStyles()->GetValue("Foreground"), "#ff0000ff");
    EXPECT_EQ(host.GetModifiedCount(), modifiedBefore + 1);
    // Loading it again changes no style, and the form stays unmodified.
    host.ExecuteVerb(other, 5);
    EXPECT_EQ(host.GetModifiedCount(), modifiedBefore + 1);
    const QString bom = WriteTestFile(dir, "bom.vts", "\xEF\xBB\xBF{\"panel\": {\"Background\": \"#FF00FF00\"}}");
    SetFileDialogHook([&](TFileDialog& d) {
        d.SetFileName(bom);
        return true;
    });
    host.ExecuteVerb(other, 5);
    EXPECT_EQ(other->GetPanel()->GetStyles()->GetValue("Background"), "#ff00ff00");

    // A file that does not parse, or a value a style refuses: a clear error reaches the
    // designer and nothing is applied.
    const int errors = host.GetErrors().size();
    for (const QByteArray& text : {QByteArray("{\"body\": {\"Background\": "),
                                   QByteArray("{\"body\": {\"Background\": \"#FF00FFFF\", \"Font\": \"no,such,size\"}}")}) {
        const QString bad = WriteTestFile(dir, "bad.vts", text);
        SetFileDialogHook([&](TFileDialog& d) {
            d.SetFileName(bad);
            return true;
        });
        EXPECT_THROW(host.ExecuteVerb(other, 5), EConvertError);
        EXPECT_EQ(other->GetBody()->GetStyles()->GetValue("Background"), "#ffff0000");
    }
    EXPECT_EQ(host.GetErrors().size(), errors + 2);
    EXPECT_FALSE(host.GetErrors().back().isEmpty());
    // A missing file is an error too.
    SetFileDialogHook([&](TFileDialog& d) {
        d.SetFileName(dir.filePath("missing.vts"));
        return true;
    });
    EXPECT_ANY_THROW(host.ExecuteVerb(other, 5));
    EXPECT_EQ(host.GetErrors().size(), errors + 3);

    // A cancelled dialog does nothing.
    const int modified = host.GetModifiedCount();
    SetFileDialogHook([](TFileDialog&) { return false; });
    host.ExecuteVerb(other, 5);
    host.ExecuteVerb(other, 6);
    EXPECT_EQ(host.GetModifiedCount(), modified);
    EXPECT_EQ(host.GetErrors().size(), errors + 3);
    // The two commands without behaviour do nothing at all.
    host.ExecuteVerb(other, 7);
    host.ExecuteVerb(other, 8);
    EXPECT_EQ(host.GetModifiedCount(), modified);
}

TEST_F(RegsTest, CommandsOpenTheColumnsEditorAndTheStyleInspector)
{
    TOwned<TDesignForm> form{Create<TDesignForm>(nullptr)};
    TOwned<TKvSimpleDataProvider> data = MakeTable("Name,Amount", "s,n", {{"a", 1}});
    auto* grid = Create<TKvVantrel>(form.get());
    grid->SetName("Grid1");
    grid->SetDataProvider(data.get());
    TDesignHost host(form.get());

    // "Columns..." opens the columns editor on the grid, with this designer.
    host.ExecuteVerb(grid, 0);
    TKvColumnsEditorForm* editor = TKvColumnsEditorForm::Current();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->GetGrid(), grid);
    EXPECT_EQ(editor->GetDesigner(), &host);
    EXPECT_EQ(editor->GetRoot()->Count(), 0);
    // Generating columns reloads the open editor's tree.
    host.ExecuteVerb(grid, 1);
    EXPECT_EQ(editor->GetRoot()->Count(), 2);
    TKvColumnsEditorForm::FreeEditor();
    // The Columns property opens it too.
    host.SelectComponent(grid);
    host.FindProperty("Columns")->Edit();
    ASSERT_NE(TKvColumnsEditorForm::Current(), nullptr);
    EXPECT_EQ(TKvColumnsEditorForm::Current()->GetGrid(), grid);
    TKvColumnsEditorForm::FreeEditor();

    // A styles entry opens the inspector on its style set; a change in it modifies the form.
    auto menu = host.GetVerbMenu(grid);
    TDesignMenuItem* footer = menu[4]->GetItem(menu[4]->Count() - 1);
    ASSERT_EQ(footer->GetCaption(), "RowGroup Footer...");
    TKvGridStyleBag* shown = nullptr;
    kvtest::TDialogAnswers answers;
    answers.Expect(QString(), [&shown](TDesignWindow* window) {
        auto* inspector = kvtest::OwnerOf<TKvStyleInspectorForm>(window);
        ASSERT_NE(inspector, nullptr);
        shown = inspector->GetStyles();
        inspector->Window()->SetModalResult(mrOk);
    });
    const int modified = host.GetModifiedCount();
    footer->Click();
    EXPECT_EQ(shown, grid->GetRowGroup()->GetFooterStyles());
    EXPECT_EQ(host.GetModifiedCount(), modified);
    answers.Expect(QString(), [](TDesignWindow* window) {
        auto* inspector = kvtest::OwnerOf<TKvStyleInspectorForm>(window);
        ASSERT_NE(inspector, nullptr);
        const int row = inspector->DataRowOf(inspector->IndexOfName("Background"));
        inspector->GetProvider()->SetData(row, 1, Variant(QStringLiteral("#ff00ff00")));
        inspector->Window()->SetModalResult(mrOk);
    });
    menu[4]->GetItem(menu[4]->Count() - 4)->Click(); // "Header Group..."
    EXPECT_EQ(grid->GetHeader()->GetGroupStyles()->GetValue("Background"), "#ff00ff00");
    EXPECT_EQ(host.GetModifiedCount(), modified + 1);
    grid->SetDataProvider(nullptr);
}
