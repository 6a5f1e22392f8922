// Property editors of columns, style sets and collections, and the component editors of
// grids and providers, driven through the headless designer.
#include "DesignTestSupport.h"

#include "design/KvGrids.Regs.h"

#include "components/KvGrids.Data.BDE.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Internals.h"
#include "grid/KvGrids.Loaders.h"
#include "model/KvGrids.Data.Files.h"
#include "model/KvGrids.Data.Vantrel.h"
#include "platform/design/DesignDialogs.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"

#include <QtCore/QTemporaryDir>

using namespace kv;
using namespace kvtest;

namespace {

class TRecordingStylesEditor : public TClassProperty
{
public:
    using TClassProperty::TClassProperty;
    void Edit() override { Opened.push_back(dynamic_cast<TKvGridStyleBag*>(GetObjectValue())); }
    static inline std::vector<TKvGridStyleBag*> Opened;
};

} // namespace

TEST_F(DesignEditorsTest, RendererKindsAndTheirComponents)
{
    auto* a = Grid->AddDataColumn();
    auto* b = Grid->AddDataColumn();
    auto* c = Grid->AddDataColumn();
    a->SetName("A");
    b->SetName("B");
    c->SetName("C");
    Host->SelectComponent(a);
    auto renderer = Host->FindProperty("Renderer");
    ASSERT_TRUE(renderer);
    EXPECT_EQ(renderer->GetEditorClassName(), "TKvRendererPropertyEditor");
    EXPECT_EQ(renderer->GetAttributes(), (TPropertyAttributes{paValueList, paSubProperties, paSortList, paReadOnly,
                                                              paVolatileSubProperties, paValueEditable}));
    EXPECT_EQ(ValuesOf(renderer), (QStringList{"default", "bar", "check", "image", "custom"}));
    EXPECT_EQ(renderer->GetValue(), "default");

    // A kind makes the column's own internal renderer, owned by the form and named in it.
    renderer->SetValue("image");
    auto* image = dynamic_cast<TKvInternalImageCellRenderer*>(a->GetRenderer());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetOwner(), Form.get());
    EXPECT_EQ(image->GetParentColumn(), a);
    EXPECT_FALSE(image->GetName().isEmpty());
    EXPECT_TRUE(image->IsDesigning());
    EXPECT_EQ(renderer->GetValue(), "image");
    EXPECT_EQ(Host->GetModifiedCount(), 1);

    // Choosing the value shown changes nothing: the image renderer keeps its settings.
    auto* loader = Create<TKvSimpleImageLoader>(Form.get());
    image->SetLoader(loader);
    image->SetKeyField("Photo");
    renderer->SetValue("image");
    EXPECT_EQ(a->GetRenderer(), image);
    EXPECT_EQ(image->GetLoader(), loader);
    EXPECT_EQ(Host->GetModifiedCount(), 1);
    // Text that names no kind changes nothing either.
    renderer->SetValue("sparkline");
    EXPECT_EQ(a->GetRenderer(), image);
    EXPECT_EQ(Host->GetModifiedCount(), 1);

    // Another kind frees the column's own renderer; the designer's selection lets go of it.
    Host->SelectComponent(image);
    Host->SelectComponent(a);
    renderer = Host->FindProperty("Renderer");
    {
        TDesignerSelections withImage{a, image};
        Host->SetSelections(withImage);
        Host->SelectComponent(a);
    }
    const int formCount = Form->GetComponentCount();
    Host->SetSelections({image});
    renderer->SetValue("Bar");
    EXPECT_EQ(Host->GetSelection().Count(), 0);
    EXPECT_EQ(Form->FindComponent("KvInternalImageCellRenderer1"), nullptr);
    EXPECT_NE(dynamic_cast<TKvInternalBarCellRenderer*>(a->GetRenderer()), nullptr);
    EXPECT_EQ(Form->GetComponentCount(), formCount);
    EXPECT_EQ(renderer->GetValue(), "bar");

    // "custom" makes a proxy renderer; a proxy or any other component shows "custom".
    renderer->SetValue("custom");
    EXPECT_NE(dynamic_cast<TKvProxyCellRenderer*>(a->GetRenderer()), nullptr);
    EXPECT_EQ(renderer->GetValue(), "custom");
    // "default" removes the renderer; the proxy, a component of the form that others may
    // use, stays on the form.
    auto* proxy = a->GetRenderer();
    renderer->SetValue("default");
    EXPECT_EQ(a->GetRenderer(), nullptr);
    EXPECT_EQ(renderer->GetValue(), "default");
    EXPECT_EQ(proxy->GetOwner(), Form.get());

    // A renderer placed on the form and shared by columns is detached, never freed.
    auto* shared = Create<TKvCheckCellRenderer>(Form.get());
    shared->SetName("SharedCheck");
    b->SetRenderer(shared);
    c->SetRenderer(shared);
    Host->SelectComponent(b);
    Host->FindProperty("Renderer")->SetValue("bar");
    EXPECT_EQ(Form->FindComponent("SharedCheck"), shared);
    EXPECT_EQ(c->GetRenderer(), shared);
    EXPECT_NE(dynamic_cast<TKvInternalBarCellRenderer*>(b->GetRenderer()), nullptr);

    // Several columns: each gets its own new component.
    Host->SetSelections({a, c});
    auto both = Host->FindProperty("Renderer");
    ASSERT_TRUE(both);
    both->SetValue("image");
    auto* checkA = dynamic_cast<TKvInternalImageCellRenderer*>(a->GetRenderer());
    auto* checkC = dynamic_cast<TKvInternalImageCellRenderer*>(c->GetRenderer());
    ASSERT_NE(checkA, nullptr);
    ASSERT_NE(checkC, nullptr);
    EXPECT_NE(checkA, checkC);
    EXPECT_EQ(checkC->GetParentColumn(), c);
    EXPECT_EQ(Form->FindComponent("SharedCheck"), shared);

    // The form streams and reads back with the renderers the editor made.
    RegisterClasses<TKvGridView, TKvSimpleImageLoader, TKvCheckCellRenderer>();
    const QString text = WriteComponentText(Form.get());
    TOwned<TDesignForm> copy{Create<TDesignForm>(nullptr)};
    ReadComponentText(text, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), text);
}

TEST_F(DesignEditorsTest, RendererSubPropertiesOfSeveralColumns)
{
    auto* a = Grid->AddDataColumn();
    auto* b = Grid->AddDataColumn();
    auto* none = Grid->AddDataColumn();
    Host->SelectComponent(a);
    Host->FindProperty("Renderer")->SetValue("bar");
    Host->SelectComponent(b);
    Host->FindProperty("Renderer")->SetValue("bar");
    // The renderer's own properties, less Name and Tag, show below the column's Renderer;
    // a column without a renderer is skipped.
    Host->SetSelections({a, b, none});
    auto renderer = Host->FindProperty("Renderer");
    QStringList names;
    renderer->GetProperties([&names](const IntfPtr<IProperty>& p) { names << p->GetName(); });
    EXPECT_EQ(names, (QStringList{"Minimum", "Maximum"}));
    auto maximum = Host->FindProperty("Renderer.Maximum");
    ASSERT_TRUE(maximum);
    EXPECT_EQ(maximum->GetPropCount(), 2);
    maximum->SetValue("250");
    EXPECT_EQ(static_cast<TKvBarCellRenderer*>(a->GetRenderer())->GetMaximum(), 250);
    EXPECT_EQ(static_cast<TKvBarCellRenderer*>(b->GetRenderer())->GetMaximum(), 250);
    // Mixed kinds share only their common properties.
    Host->SelectComponent(b);
    Host->FindProperty("Renderer")->SetValue("image");
    Host->SetSelections({a, b});
    names.clear();
    Host->FindProperty("Renderer")->GetProperties([&names](const IntfPtr<IProperty>& p) { names << p->GetName(); });
    EXPECT_TRUE(names.isEmpty());
    // Nothing below a column without renderer.
    Host->SelectComponent(none);
    names.clear();
    Host->FindProperty("Renderer")->GetProperties([&names](const IntfPtr<IProperty>& p) { names << p->GetName(); });
    EXPECT_TRUE(names.isEmpty());
}

TEST_F(DesignEditorsTest, EditorKindsAndTheirComponents)
{
    auto* a = Grid->AddDataColumn();
    auto* b = Grid->AddDataColumn();
    Host->SelectComponent(a);
    auto editor = Host->FindProperty("Editor");
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->GetEditorClassName(), "TKvEditorPropertyEditor");
    EXPECT_EQ(ValuesOf(editor), (QStringList{"default", "text", "lookup", "number", "list", "date", "memo", "custom"}));
    EXPECT_EQ(editor->GetValue(), "default");

    struct TCase
    {
        const char* Text;
        bool (*Is)(TKvGridCellEditor*);
    };
    const TCase cases[] = {
        {"text", [](TKvGridCellEditor* e) { return dynamic_cast<TKvInternalLineCellEditor*>(e) != nullptr; }},
        {"lookup", [](TKvGridCellEditor* e) { return dynamic_cast<TKvInternalLookupCellEditor*>(e) != nullptr; }},
        {"number", [](TKvGridCellEditor* e) { return dynamic_cast<TKvInternalNumberCellEditor*>(e) != nullptr; }},
        {"list", [](TKvGridCellEditor* e) { return dynamic_cast<TKvInternalListCellEditor*>(e) != nullptr; }},
        {"date", [](TKvGridCellEditor* e) { return dynamic_cast<TKvInternalDateTimeCellEditor*>(e) != nullptr; }},
        {"memo", [](TKvGridCellEditor* e) { return dynamic_cast<TKvInternalMultiLineCellEditor*>(e) != nullptr; }},
        {"custom", [](TKvGridCellEditor* e) { return dynamic_cast<TKvProxyCellEditor*>(e) != nullptr; }},
    };
    const int before = Form->GetComponentCount();
    for (const TCase& k : cases) {
        editor->SetValue(k.Text);
        ASSERT_NE(a->GetEditor(), nullptr) << k.Text;
        EXPECT_TRUE(k.Is(a->GetEditor())) << k.Text;
        EXPECT_EQ(editor->GetValue(), k.Text);
        EXPECT_EQ(a->GetEditor()->GetOwner(), Form.get());
        if (QByteArray(k.Text) != "custom") {
            EXPECT_EQ(a->GetEditor()->GetParentColumn(), a) << k.Text;
        }
        // The previous internal editor was freed: one component at a time.
        EXPECT_EQ(Form->GetComponentCount(), before + 1) << k.Text;
    }
    // The same value again keeps the component.
    auto* proxy = a->GetEditor();
    const int modified = Host->GetModifiedCount();
    editor->SetValue("custom");
    EXPECT_EQ(a->GetEditor(), proxy);
    EXPECT_EQ(Host->GetModifiedCount(), modified);
    editor->SetValue("default");
    EXPECT_EQ(a->GetEditor(), nullptr);
    EXPECT_EQ(Form->GetComponentCount(), before + 1);
    EXPECT_EQ(proxy->GetOwner(), Form.get());

    // A line editor's descendant shows its kind; a check editor is none of the six: "custom".
    auto* button = Create<TKvButtonCellEditor>(Form.get());
    b->SetEditor(button);
    Host->SelectComponent(b);
    EXPECT_EQ(Host->FindProperty("Editor")->GetValue(), "text");
    auto* check = Create<TKvCheckCellEditor>(Form.get());
    b->SetEditor(check);
    EXPECT_EQ(Host->FindProperty("Editor")->GetValue(), "custom");
    Host->FindProperty("Editor")->SetValue("number");
    EXPECT_NE(dynamic_cast<TKvInternalNumberCellEditor*>(b->GetEditor()), nullptr);
    EXPECT_EQ(check->GetOwner(), Form.get()); // detached, not freed
}

TEST_F(DesignEditorsTest, StyleSetsColumnsAndCollections)
{
    auto* column = Grid->AddDataColumn();
    Host->SelectComponent(Grid);
    auto styles = Host->FindProperty("Styles");
    ASSERT_TRUE(styles);
    EXPECT_EQ(styles->GetEditorClassName(), "TKvStylesPropertyEditor");
    EXPECT_EQ(styles->GetAttributes(), (TPropertyAttributes{paSubProperties, paDialog, paReadOnly, paValueEditable}));
    QStringList subs;
    styles->GetProperties([&subs](const IntfPtr<IProperty>& p) { subs << p->GetName(); });
    EXPECT_EQ(subs, QStringList{"Reference"});
    auto* styleObject = Create<TKvGridStyleObject>(Form.get());
    styleObject->SetName("Look1");
    auto reference = Host->FindProperty("Styles.Reference");
    EXPECT_EQ(ValuesOf(reference), QStringList{"Look1"});
    reference->SetValue("Look1");
    EXPECT_EQ(Grid->GetStyles()->GetReference(), styleObject);

    // The grid's columns show the columns editor's name.
    auto columns = Host->FindProperty("Columns");
    ASSERT_TRUE(columns);
    EXPECT_EQ(columns->GetEditorClassName(), "TKvColumnsPropertyEditor");
    EXPECT_EQ(columns->GetValue(), "(Columns Editor)");
    EXPECT_EQ(columns->GetAttributes(), (TPropertyAttributes{paDialog, paReadOnly}));

    // Every style set of every area uses the styles editor; a column's too.
    EXPECT_EQ(Host->FindProperty("GroupStyles", Grid->GetHeader())->GetEditorClassName(), "TKvStylesPropertyEditor");
    EXPECT_EQ(Host->FindProperty("Styles", column)->GetEditorClassName(), "TKvStylesPropertyEditor");

    // Row-group levels and the body's dynamic styles open the collection editor by name.
    auto levels = Host->FindProperty("Levels", Grid->GetRowGroup());
    ASSERT_TRUE(levels);
    EXPECT_EQ(levels->GetEditorClassName(), "TKvRowGroupLevelsPropertyEditor");
    EXPECT_EQ(levels->GetAttributes(), (TPropertyAttributes{paDialog, paReadOnly, paValueEditable}));
    levels->Edit();
    auto dynamic = Host->FindProperty("DynamicStyles", Grid->GetBody());
    EXPECT_EQ(dynamic->GetEditorClassName(), "TKvDynamicStyleCollectionPropertyEditor");
    dynamic->Edit();
    ASSERT_EQ(Host->GetCollectionEdits().size(), 2u);
    EXPECT_EQ(Host->GetCollectionEdits()[0].PropertyName, "Levels");
    EXPECT_EQ(Host->GetCollectionEdits()[0].Collection, Grid->GetRowGroup()->GetLevels());
    EXPECT_EQ(Host->GetCollectionEdits()[0].Owner, Grid);
    EXPECT_EQ(Host->GetCollectionEdits()[1].PropertyName, "Dynamic Styles");
    EXPECT_EQ(Host->GetCollectionEdits()[1].Collection, Grid->GetBody()->GetDynamicStyles());
    // A column's dynamic styles are not the body's: the designer's own collection editor.
    auto columnDynamic = Host->FindProperty("DynamicStyles", column);
    EXPECT_EQ(columnDynamic->GetEditorClassName(), "TCollectionProperty");
    columnDynamic->Edit();
    EXPECT_EQ(Host->GetCollectionEdits().back().PropertyName, "DynamicStyles");
    EXPECT_EQ(Host->GetCollectionEdits().back().Owner, column);
}

TEST_F(DesignEditorsTest, GridViewVerbsAndStylesSubmenu)
{
    EXPECT_EQ(Host->GetVerbs(Grid),
              (QStringList{"Columns...", "Generate Columns", "Clear and Generate Columns", "-", "Styles",
                           "Load Styles...", "Save Styles...", "Load Styles from Quenmark...", "Register Styles..."}));
    auto menu = Host->GetVerbMenu(Grid);
    ASSERT_EQ(menu.size(), 9u);
    for (size_t i = 0; i < menu.size(); ++i)
        EXPECT_EQ(menu[i]->Count(), i == 4 ? 22 : 0) << i;
    TDesignMenuItem* styles = menu[4].get();
    QStringList captions;
    std::vector<int> lines;
    for (int i = 0; i < styles->Count(); ++i) {
        captions << styles->GetItem(i)->GetCaption();
        if (styles->GetItem(i)->IsLine())
            lines.push_back(i);
    }
    EXPECT_EQ(captions.size() - static_cast<int>(lines.size()), 18);
    // Separators after the fourth, seventh, tenth and thirteenth caption.
    EXPECT_EQ(lines, (std::vector<int>{4, 8, 12, 16}));
    EXPECT_EQ(captions.front(), "Default...");
    EXPECT_EQ(captions.back(), "RowGroup Footer...");

    // Each entry opens the style set it names.
    const std::pair<const char*, TKvGridViewStyles*> expected[] = {
        {"Default...", Grid->GetStyles()},
        {"Panel...", Grid->GetPanel()->GetStyles()},
        {"Body...", Grid->GetBody()->GetStyles()},
        {"Body Empty...", Grid->GetBody()->GetEmptyStyles()},
        {"Indicator...", Grid->GetIndicator()->GetStyles()},
        {"Indicator Head...", Grid->GetIndicator()->GetHeadStyles()},
        {"Indicator Foot...", Grid->GetIndicator()->GetFootStyles()},
        {"CheckBar...", Grid->GetCheckBar()->GetStyles()},
        {"CheckBar Head...", Grid->GetCheckBar()->GetHeadStyles()},
        {"CheckBar Foot...", Grid->GetCheckBar()->GetFootStyles()},
        {"StatesBar...", Grid->GetStatesBar()->GetStyles()},
        {"StatesBar Head...", Grid->GetStatesBar()->GetHeadStyles()},
        {"StatesBar Foot...", Grid->GetStatesBar()->GetFootStyles()},
        {"Header...", Grid->GetHeader()->GetStyles()},
        {"Header Group...", Grid->GetHeader()->GetGroupStyles()},
        {"Footer...", Grid->GetFooter()->GetStyles()},
        {"RowGroup Header...", Grid->GetRowGroup()->GetHeaderStyles()},
        {"RowGroup Footer...", Grid->GetRowGroup()->GetFooterStyles()},
    };
    // A recording editor stands in for the style inspector on every style set.
    std::vector<TKvGridStyleBag*>& opened = TRecordingStylesEditor::Opened;
    DesignIntf::RegisterPropertyEditor(&ClassInfo<TKvGridViewStyles>(), nullptr, QString(),
                                       PropertyEditorClass<TRecordingStylesEditor>());
    int entry = 0;
    for (int i = 0; i < styles->Count(); ++i) {
        if (styles->GetItem(i)->IsLine())
            continue;
        opened.clear();
        ASSERT_TRUE(styles->GetItem(i)->Click());
        EXPECT_EQ(styles->GetItem(i)->GetCaption(), expected[entry].first);
        ASSERT_EQ(opened.size(), 1u) << expected[entry].first;
        EXPECT_EQ(opened[0], expected[entry].second) << expected[entry].first;
        ++entry;
    }
    EXPECT_EQ(entry, 18);
}

TEST_F(DesignEditorsTest, ProviderVerbs)
{
    QTemporaryDir dir;
    const QString csv = WriteTestFile(dir, "people.csv", "Name,Age\nAnn,31\nBob,42\n");
    auto* provider = Create<TKvCsvDataProvider>(Form.get());
    EXPECT_EQ(Host->GetVerbs(provider), QStringList{"Import Columns..."});
    // A cancelled dialog does nothing.
    auto old = SetFileDialogHook([](TFileDialog&) { return false; });
    Host->ExecuteVerb(provider, 0);
    EXPECT_EQ(provider->GetFieldCount(), 0);
    QString filter = "unset";
    SetFileDialogHook([&](TFileDialog& d) {
        filter = d.GetFilter();
        d.SetFileName(csv);
        return true;
    });
    Host->ExecuteVerb(provider, 0);
    EXPECT_TRUE(filter.isEmpty());
    EXPECT_EQ(provider->GetFieldCount(), 2);
    EXPECT_EQ(provider->GetRowCount(), 2);
    SetFileDialogHook(old);

    // The field-collection providers open the collection editor on their Fields.
    auto* vantrel = Create<TKvVantrelDataProvider>(Form.get());
    auto* bde = Create<TKvBDEDataProvider>(Form.get());
    EXPECT_EQ(Host->GetVerbs(vantrel), QStringList{"Fields..."});
    EXPECT_EQ(Host->GetVerbs(bde), QStringList{"Fields..."});
    Host->ExecuteVerb(vantrel, 0);
    Host->ExecuteVerb(bde, 0);
    ASSERT_EQ(Host->GetCollectionEdits().size(), 2u);
    EXPECT_EQ(Host->GetCollectionEdits()[0].Collection, vantrel->GetFields());
    EXPECT_EQ(Host->GetCollectionEdits()[0].Owner, vantrel);
    EXPECT_EQ(Host->GetCollectionEdits()[0].PropertyName, "Fields");
    EXPECT_EQ(Host->GetCollectionEdits()[1].Collection, bde->GetFields());
}

void kvtest::DesignEditorsTest::RegisterEditors()
{
    Register();
}
