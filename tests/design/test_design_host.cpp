// The designer interfaces and the headless designer host: selections, notifications,
// property enumeration and editor choice, component editors, dialog and modal-window hooks.
#include "platform/design/DesignDialogs.h"
#include "platform/design/DesignHost.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Renderers.h"
#include "grid/KvGrids.View.h"
#include "platform/ui/Controls.h"
#include "platform/design/DesignForms.h"

#include "DialogAnswers.h"
#include "TestSupport.h"

#include <QtWidgets/QWidget>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace kv;

namespace {

// Records what designers tell it, as "Event:detail" lines.
class TRecordingNotification : public TInterfacedObject, public IDesignNotification
{
public:
    QStringList Log;
    bool UnregisterOnModified = false;

    void ItemDeleted(IDesigner*, TPersistent* item) override
    {
        auto* c = dynamic_cast<TComponent*>(item);
        Log << "Deleted:" + (c ? c->GetName() : QString());
    }
    void ItemInserted(IDesigner*, TPersistent* item) override
    {
        Log << "Inserted:" + static_cast<TComponent*>(item)->GetName();
    }
    void ItemsModified(IDesigner*) override
    {
        Log << "Modified";
        if (UnregisterOnModified)
            UnregisterDesignNotification(IntfPtr<IDesignNotification>(this));
    }
    void SelectionChanged(IDesigner*, const TDesignerSelections& s) override
    {
        Log << QStringLiteral("Selection:%1").arg(s.Count());
    }
    void DesignerOpened(IDesigner*, bool) override { Log << "Opened"; }
    void DesignerClosed(IDesigner*, bool) override { Log << "Closed"; }
};

QStringList Names(const std::vector<IntfPtr<IProperty>>& props)
{
    QStringList names;
    for (const auto& p : props)
        names << p->GetName();
    return names;
}

QStringList Values(const IntfPtr<IProperty>& prop)
{
    QStringList values;
    prop->GetValues([&values](const QString& v) { values << v; });
    return values;
}

struct DesignHostTest : ::testing::Test
{
    TOwned<TDesignForm> Form{Create<TDesignForm>(nullptr)};
    void TearDown() override { UnregisterDesignPackage(); }
};

} // namespace

TEST_F(DesignHostTest, SelectionsNotificationsAndDesignState)
{
    Form->SetName("Form1");
    auto* grid = Create<TKvGridView>(Form.get());
    grid->SetName("Grid1");
    auto* column = grid->AddDataColumn();
    column->SetName("Col1");
    auto note = MakeIntf<TRecordingNotification>();
    RegisterDesignNotification(note);
    RegisterDesignNotification(note); // a duplicate is ignored
    EXPECT_EQ(GetDesignNotificationCount(), 1);
    {
        TDesignHost host(Form.get());
        EXPECT_TRUE(Form->IsDesigning());
        EXPECT_TRUE(grid->IsDesigning());
        EXPECT_TRUE(column->IsDesigning());
        EXPECT_EQ(GetOpenDesigners(), std::vector<IDesigner*>{&host});
        // Names are unique across every open form, case-insensitively.
        EXPECT_FALSE(IsUniqueGlobalComponentName("grid1"));
        EXPECT_FALSE(IsUniqueGlobalComponentName("Form1"));
        EXPECT_TRUE(IsUniqueGlobalComponentName("Grid2"));
        EXPECT_EQ(host.UniqueName("TKvGridView"), "KvGridView1");

        TDesignerSelections both{grid, column};
        host.SetSelections(both);
        TDesignerSelections got;
        host.GetSelections(got);
        EXPECT_TRUE(got.Equals(both));
        host.Modified();
        EXPECT_EQ(host.GetModifiedCount(), 1);

        // A component made by a command joins the form's design state and its watch.
        auto* renderer = Create<TKvBarCellRenderer>(Form.get());
        renderer->SetName("Bar1");
        host.ComponentInserted(renderer);
        EXPECT_TRUE(renderer->IsDesigning());
        host.SelectComponent(renderer);
        // Freeing a selected component empties the selection and is told as a deletion.
        renderer->Free();
        EXPECT_EQ(host.GetSelection().Count(), 0);
        host.SetSelections(both);
        host.DeleteComponent(column);
        EXPECT_EQ(host.GetSelection().Count(), 1);
        EXPECT_EQ(host.GetSelection()[0], grid);

        // A notification may unregister itself while being told; later ones are not told.
        note->UnregisterOnModified = true;
        host.Modified();
        host.Modified();
        EXPECT_EQ(GetDesignNotificationCount(), 0);
    }
    EXPECT_TRUE(GetOpenDesigners().empty());
    EXPECT_TRUE(IsUniqueGlobalComponentName("Grid1"));
    EXPECT_EQ(note->Log, (QStringList{"Opened", "Selection:2", "Modified", "Inserted:Bar1", "Selection:1",
                                      "Deleted:Bar1", "Selection:0", "Selection:2", "Deleted:Col1",
                                      "Selection:1", "Modified", "Modified"}));
}

TEST_F(DesignHostTest, PropertiesOfASelectionThroughStandardEditors)
{
    auto* grid = Create<TKvGridView>(Form.get());
    auto* a = grid->AddDataColumn();
    auto* b = grid->AddDataColumn();
    a->SetName("A");
    b->SetName("B");
    auto* bar = Create<TKvBarCellRenderer>(Form.get());
    bar->SetName("Bar1");
    TDesignHost host(Form.get());
    host.SelectComponent(a);

    // Published order, ancestors first; events are left out of the properties filter.
    const QStringList names = Names(host.GetProperties());
    ASSERT_GE(names.size(), 10);
    EXPECT_EQ(names.mid(0, 5), (QStringList{"Name", "Tag", "Header", "Styles", "Width"}));
    EXPECT_TRUE(names.contains("Renderer"));

    auto width = host.FindProperty("Width");
    ASSERT_TRUE(width);
    EXPECT_EQ(width->GetValue(), "100");
    width->SetValue("80");
    EXPECT_EQ(a->GetWidth(), 80);
    EXPECT_EQ(host.GetModifiedCount(), 1);

    auto button = host.FindProperty("Button");
    EXPECT_TRUE(button->GetAttributes().Contains(paValueList));
    EXPECT_EQ(Values(button), (QStringList{"ButtonNone", "ButtonAction", "ButtonPopup"}));
    EXPECT_EQ(Values(host.FindProperty("Visible")), (QStringList{"False", "True"}));

    // A component reference offers the form's components of its type by name.
    auto renderer = host.FindProperty("Renderer");
    EXPECT_EQ(renderer->GetEditorClassName(), "TComponentProperty");
    EXPECT_EQ(Values(renderer), QStringList{"Bar1"});
    renderer->SetValue("bar1");
    EXPECT_EQ(a->GetRenderer(), bar);
    EXPECT_EQ(renderer->GetValue(), "Bar1");
    EXPECT_THROW(renderer->SetValue("Nobody"), EPropertyError);
    EXPECT_EQ(a->GetRenderer(), bar);

    // Owned sub-objects show their class and their properties below.
    auto caption = host.FindProperty("Header.Caption");
    ASSERT_TRUE(caption);
    caption->SetValue("Amount");
    EXPECT_EQ(a->GetHeader()->GetCaption(), "Amount");
    EXPECT_EQ(host.FindProperty("Header")->GetValue(), "(TKvGridColumnHeader)");

    // Several columns: one editor writes each of them; AllEqual tells when they differ.
    host.SetSelections({a, b});
    auto both = host.FindProperty("Width");
    EXPECT_EQ(both->GetPropCount(), 2);
    EXPECT_FALSE(both->AllEqual());
    both->SetValue("55");
    EXPECT_EQ(a->GetWidth(), 55);
    EXPECT_EQ(b->GetWidth(), 55);
    EXPECT_TRUE(both->AllEqual());
    // Only the properties both have are offered: a group and a column share the column's.
    auto* group = grid->AddColumnGroup();
    host.SetSelections({a, group});
    const QStringList common = Names(host.GetProperties());
    EXPECT_TRUE(common.contains("Width"));
    EXPECT_FALSE(common.contains("Renderer"));
    EXPECT_FALSE(common.contains("Orientation"));
}

namespace {

class TTestBagEditor : public TClassProperty
{
public:
    using TClassProperty::TClassProperty;
};
class TTestStylesEditor : public TClassProperty
{
public:
    using TClassProperty::TClassProperty;
};
class TTestBodyStylesEditor : public TClassProperty
{
public:
    using TClassProperty::TClassProperty;
};
class TTestEmptyEditor : public TClassProperty
{
public:
    using TClassProperty::TClassProperty;
};
class TTestGridEditor : public TComponentEditor
{
public:
    using TComponentEditor::TComponentEditor;
    int GetVerbCount() override { return 2; }
    QString GetVerb(int index) override { return index == 0 ? "First" : "Second"; }
    void ExecuteVerb(int index) override
    {
        if (index == 1)
            throw EInvalidOperation("Second failed");
        ++Runs;
    }
    void PrepareItem(int index, TDesignMenuItem* item) override
    {
        if (index == 1)
            item->AddItem("Sub", [](TObject*) {});
    }
    static inline int Runs = 0;
};

} // namespace

TEST_F(DesignHostTest, EditorChoiceFollowsTypeClassAndName)
{
    auto* grid = Create<TKvGridView>(Form.get());
    TDesignHost host(Form.get());
    using namespace DesignIntf;
    RegisterPropertyEditor(&ClassInfo<TKvGridStyleBag>(), nullptr, QString(), PropertyEditorClass<TTestBagEditor>());
    const TPropInfo& bodyStyles = *FindPropInfo(grid->GetBody(), "Styles");
    const TPropInfo& emptyStyles = *FindPropInfo(grid->GetBody(), "EmptyStyles");
    // A descendant type is served by its ancestor's editor.
    EXPECT_EQ(GetEditorClass(bodyStyles, grid->GetBody()).Name, "TTestBagEditor");
    // The nearer type wins, whatever the order of registration.
    RegisterPropertyEditor(&ClassInfo<TKvGridViewStyles>(), nullptr, QString(), PropertyEditorClass<TTestStylesEditor>());
    RegisterPropertyEditor(&ClassInfo<TKvGridStyleBag>(), nullptr, QString(), PropertyEditorClass<TTestBagEditor>());
    EXPECT_EQ(GetEditorClass(bodyStyles, grid->GetBody()).Name, "TTestStylesEditor");
    // A registration for a class serves only that class and its descendants.
    RegisterPropertyEditor(&ClassInfo<TKvGridViewStyles>(), &ClassInfo<TKvGridBody>(), QString(),
                           PropertyEditorClass<TTestBodyStylesEditor>());
    EXPECT_EQ(GetEditorClass(bodyStyles, grid->GetBody()).Name, "TTestBodyStylesEditor");
    EXPECT_EQ(GetEditorClass(*FindPropInfo(grid, "Styles"), grid).Name, "TTestStylesEditor");
    // A named registration beats all others for its property.
    RegisterPropertyEditor(&ClassInfo<TKvGridViewStyles>(), nullptr, "EmptyStyles", PropertyEditorClass<TTestEmptyEditor>());
    EXPECT_EQ(GetEditorClass(emptyStyles, grid->GetBody()).Name, "TTestEmptyEditor");
    EXPECT_EQ(GetEditorClass(bodyStyles, grid->GetBody()).Name, "TTestBodyStylesEditor");
    EXPECT_EQ(host.FindProperty("EmptyStyles", grid->GetBody())->GetEditorClassName(), "TTestEmptyEditor");

    // Component editors: a registration for a class serves its descendants too.
    EXPECT_EQ(GetComponentEditor(grid, &host)->GetVerbCount(), 0);
    RegisterComponentEditor(ClassInfo<TKvGridView>(), ComponentEditorClass<TTestGridEditor>());
    auto* derived = Create<TKvGridView>(Form.get());
    EXPECT_EQ(host.GetVerbs(derived), (QStringList{"First", "Second"}));
    TTestGridEditor::Runs = 0;
    auto menu = host.GetVerbMenu(grid);
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_TRUE(menu[0]->Click());
    EXPECT_EQ(TTestGridEditor::Runs, 1);
    ASSERT_EQ(menu[1]->Count(), 1);
    EXPECT_EQ(menu[1]->GetItem(0)->GetCaption(), "Sub");
    // A failing command reaches the designer as an error, and its caller as the exception.
    EXPECT_THROW(host.ExecuteVerb(grid, 1), EInvalidOperation);
    EXPECT_EQ(host.GetErrors(), QStringList{"Second failed"});

    UnregisterDesignPackage();
    EXPECT_TRUE(TDesignRegistry::Instance().GetPropertyEditors().empty());
    EXPECT_EQ(GetEditorClass(bodyStyles, grid->GetBody()).Name, "TClassProperty");
}

TEST_F(DesignHostTest, DialogHooksAnswerAndModalWindowsEnd)
{
    EXPECT_EQ(TFileDialog::QtNameFilters("VantrelPlus Styles(*.vts)|*.vts|All Files (*.*)|*.*"),
              (QStringList{"VantrelPlus Styles (*.vts)", "All Files (*.*)"}));
    QString seenFilter;
    auto old = SetFileDialogHook([&seenFilter](TFileDialog& d) {
        seenFilter = d.GetFilter();
        d.SetFileName("/tmp/styles");
        return d.GetKind() == fdSave;
    });
    TScopeExit restoreFileDialogHook([old] { SetFileDialogHook(old); });
    TSaveDialog save;
    save.SetDefaultExt("vts");
    save.SetFilter("A|*.a");
    ASSERT_TRUE(save.Execute());
    // A name without extension gets the default one.
    EXPECT_EQ(save.GetFileName(), "/tmp/styles.vts");
    EXPECT_EQ(seenFilter, "A|*.a");
    TOpenDialog open;
    EXPECT_FALSE(open.Execute());
    SetFileDialogHook(old);

    SetColorDialogHook([](TColorDialog& d) {
        d.SetColor(d.GetColor() | 0x00FF0000u);
        return true;
    });
    TColorDialog colour;
    colour.SetColor(0xFF000010u);
    EXPECT_TRUE(colour.Execute());
    EXPECT_EQ(colour.GetColor(), 0xFFFF0010u);
    SetColorDialogHook({});
    SetFontDialogHook([](TFontDialog& d) {
        TFontDesc f = d.GetFont();
        f.Bold = true;
        d.SetFont(f);
        return true;
    });
    TFontDialog font;
    EXPECT_TRUE(font.Execute());
    EXPECT_TRUE(font.GetFont().Bold);
    SetFontDialogHook({});

    // A modal window (here holding a library control): the hook runs once it shows and can
    // end it with a result.
    TDesignWindow window(QStringLiteral("Modal"), fkDialog);
    TOwned<TWinControl> control{Create<TWinControl>(nullptr)};
    control->SetBounds(0, 0, 200, 100);
    window.Body()->PlaceControl(control.get(), 0, 0);
    TDesignWindow* seen = nullptr;
    bool visible = false;
    SetModalWindowHook([&](TDesignWindow* w) {
        seen = w;
        visible = w->Window()->isVisible() && control->Widget()->isVisible() && TDesignWindow::ActiveModal() == w;
        w->SetModalResult(mrOk);
    });
    EXPECT_EQ(window.ShowModal(), mrOk);
    EXPECT_EQ(seen, &window);
    EXPECT_TRUE(visible);
    EXPECT_EQ(window.Window()->windowTitle(), "Modal");
    EXPECT_EQ(TDesignWindow::ActiveModal(), nullptr);
    EXPECT_FALSE(window.Window()->isVisible());
    // Closing the window cancels.
    SetModalWindowHook([](TDesignWindow* w) { w->Window()->close(); });
    EXPECT_EQ(window.ShowModal(), mrCancel);
    SetModalWindowHook({});
    // A window that tests answer: a missing window fails at once instead of waiting.
    bool answered = false;
    {
        kvtest::TDialogAnswers answers;
        answers.Expect(QStringLiteral("Modal"), [&answered](TDesignWindow* w) {
            answered = true;
            w->SetModalResult(mrOk);
        });
        EXPECT_EQ(window.ShowModal(), mrOk);
    }
    EXPECT_TRUE(answered);
    EXPECT_NONFATAL_FAILURE(
        {
            kvtest::TDialogAnswers answers;
            answers.Expect(QStringLiteral("Never"), [](TDesignWindow*) {});
        },
        "the window \"Never\" did not show");
    EXPECT_NONFATAL_FAILURE(
        {
            kvtest::TDialogAnswers answers;
            EXPECT_EQ(window.ShowModal(), mrCancel);
        },
        "unexpected window \"Modal\"");
    EXPECT_NONFATAL_FAILURE(
        {
            kvtest::TDialogAnswers answers;
            answers.Expect(QStringLiteral("Modal"), [](TDesignWindow*) {});
            EXPECT_EQ(window.ShowModal(), mrCancel);
        },
        "left the window \"Modal\" open");
}
