// The grid's published surface: a whole grid (areas, option sets, sizes, a column tree and a
// handler for every event) written to a form file reads back equal and its handlers fire;
// area setters trace; Tag; a column nested in a data column is a read error.
#include "GridTestSupport.h"
#include "TestSupport.h"

#include "grid/KvGrids.Tool.FilterSelector.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"

#include <QtTest/QTest>

using namespace kv;
using namespace kvtest;

namespace {

// A form whose published methods handle every event of its grid, recording the event names.
class TGridEventsForm : public TComponent
{
public:
    using TComponent::TComponent;
    QStringList Fired;

    void GetChildren(const TGetChildProc& proc, TComponent*) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            if (!GetComponent(i)->HasParent())
                proc(GetComponent(i));
    }

    void KeyPress(TObject*, QChar&) { Fired << "KeyPress"; }
    void KeyDown(TObject*, std::uint16_t&, TShiftState) { Fired << "KeyDown"; }
    void KeyUp(TObject*, std::uint16_t&, TShiftState) { Fired << "KeyUp"; }
    void MouseDown(TObject*, TMouseButton, TShiftState, int, int) { Fired << "MouseDown"; }
    void MouseMove(TObject*, TShiftState, int, int) { Fired << "MouseMove"; }
    void MouseUp(TObject*, TMouseButton, TShiftState, int, int) { Fired << "MouseUp"; }
    void DblClick(TObject*) { Fired << "DblClick"; }
    void Click(TObject*) { Fired << "Click"; }
    void ItemChanging(TKvGridView*, int, int) { Fired << "ItemChanging"; }
    void ColumnChanging(TKvGridView*, TKvGridColumn*, TKvGridColumn*) { Fired << "ColumnChanging"; }
    void ItemChange(TKvGridView*) { Fired << "ItemChange"; }
    void ColumnChange(TKvGridView*) { Fired << "ColumnChange"; }
    void FocusChanging(TKvGridView*, const TKvGridCellIndex&, bool&) { Fired << "FocusChanging"; }
    void FocusChange(TKvGridView*, const TKvGridCellIndex&) { Fired << "FocusChange"; }
    void CellClick(TKvGridView*, const TKvGridCellIndex&) { Fired << "CellClick"; }
    void CellDblClick(TKvGridView*, const TKvGridCellIndex&) { Fired << "CellDblClick"; }
    void CellAction(TKvGridView*, const TKvGridCellIndex&) { Fired << "CellAction"; }
    void CellPopup(TKvGridView*, const TKvGridCellIndex&) { Fired << "CellPopup"; }
    void CheckCellClick(TKvGridView*, int) { Fired << "CheckCellClick"; }
    void CheckItem(TKvGridView*, int, bool) { Fired << "CheckItem"; }
    void EditStart(TKvGridView*, const TKvGridCellIndex&) { Fired << "EditStart"; }
    void Edit(TKvGridView*, const TKvGridCellIndex&, const Variant&) { Fired << "Edit"; }
    void EditCancel(TKvGridView*, const TKvGridCellIndex&) { Fired << "EditCancel"; }
    void EditCommit(TKvGridView*, const TKvGridCellIndex&, const Variant&) { Fired << "EditCommit"; }
    void EditComplete(TKvGridView*, const TKvGridCellIndex&) { Fired << "EditComplete"; }
};

using TForm = TGridEventsForm;
KV_PUBLISH(TGridEventsForm, TComponent)
    .Method("KeyPress", &TForm::KeyPress)
    .Method("KeyDown", &TForm::KeyDown)
    .Method("KeyUp", &TForm::KeyUp)
    .Method("MouseDown", &TForm::MouseDown)
    .Method("MouseMove", &TForm::MouseMove)
    .Method("MouseUp", &TForm::MouseUp)
    .Method("DblClick", &TForm::DblClick)
    .Method("Click", &TForm::Click)
    .Method("ItemChanging", &TForm::ItemChanging)
    .Method("ColumnChanging", &TForm::ColumnChanging)
    .Method("ItemChange", &TForm::ItemChange)
    .Method("ColumnChange", &TForm::ColumnChange)
    .Method("FocusChanging", &TForm::FocusChanging)
    .Method("FocusChange", &TForm::FocusChange)
    .Method("CellClick", &TForm::CellClick)
    .Method("CellDblClick", &TForm::CellDblClick)
    .Method("CellAction", &TForm::CellAction)
    .Method("CellPopup", &TForm::CellPopup)
    .Method("CheckCellClick", &TForm::CheckCellClick)
    .Method("CheckItem", &TForm::CheckItem)
    .Method("EditStart", &TForm::EditStart)
    .Method("Edit", &TForm::Edit)
    .Method("EditCancel", &TForm::EditCancel)
    .Method("EditCommit", &TForm::EditCommit)
    .Method("EditComplete", &TForm::EditComplete);

// Event property -> handler method.
const QList<QPair<const char*, const char*>> kHandlers = {
    {"OnKeyPress", "KeyPress"},           {"OnKeyDown", "KeyDown"},
    {"OnKeyUp", "KeyUp"},                 {"OnMouseDown", "MouseDown"},
    {"OnMouseMove", "MouseMove"},         {"OnMouseUp", "MouseUp"},
    {"OnDblClick", "DblClick"},           {"OnClick", "Click"},
    {"OnCurrentItemChanging", "ItemChanging"}, {"OnCurrentColumnChanging", "ColumnChanging"},
    {"OnCurrentItemChange", "ItemChange"}, {"OnCurrentColumnChange", "ColumnChange"},
    {"OnFocuedIndexChanging", "FocusChanging"}, {"OnFocuedIndexChange", "FocusChange"},
    {"OnCellClick", "CellClick"},         {"OnCellDblClick", "CellDblClick"},
    {"OnCellAction", "CellAction"},       {"OnCellPopup", "CellPopup"},
    {"OnCheckCellClick", "CheckCellClick"}, {"OnCheckItem", "CheckItem"},
    {"OnEditStart", "EditStart"},         {"OnEdit", "Edit"},
    {"OnEditCancel", "EditCancel"},       {"OnEditCommit", "EditCommit"},
    {"OnEditComplete", "EditComplete"}};

} // namespace

TEST(GridPublished, WholeGridStreamsThroughAFormFileAndItsHandlersFire)
{
    RegisterClasses<TGridEventsForm, TKvGridViewImpl>();
    TOwned<TForm> form{Create<TForm>(nullptr)};
    form->SetName("Form1");
    auto* grid = Create<TKvGridViewImpl>(form.get());
    grid->SetName("Grid1");
    grid->SetTag(7);
    grid->SetBorderStyle(bsSingle);
    grid->SetTabStop(false);
    grid->GetIndicator()->SetMinWidth(33);
    grid->GetStatesBar()->SetVisible(true);
    grid->GetCheckBar()->SetVisible(true);
    grid->GetCheckBar()->SetResetField("Active");
    grid->GetHeader()->SetMinHeight(30);
    grid->GetFooter()->SetVisible(true);
    grid->GetPanel()->SetVisible(true);
    grid->GetEditBar()->SetVisible(true);
    grid->GetBody()->SetEmptyMessage("Nothing here");
    grid->GetRowGroup()->SetLevelIndent(25);
    grid->GetDisplayOptions()->SetVScrollBar(false);
    grid->GetEditOptions()->SetAppendable(false);
    grid->GetSelectOptions()->SetStyle(SelectRows);
    grid->GetSortingOptions()->SetStyle(SortInclusive);
    grid->GetFixedCols()->SetCount(1);
    grid->GetFixedRows()->SetCount(2);
    grid->SetDefaultColumnWidth(90);
    grid->SetGroupIndentSize(15);
    grid->SetHorzScrollStep(4);
    TKvGridDataColumn* code = grid->AddDataColumn();
    code->SetName("Code");
    code->SetFieldName("Code");
    auto* group = Create<TKvGridColumnGroup>(form.get());
    group->SetName("Names");
    grid->GetRootGroup()->GetColumns()->Add(group);
    for (const char* n : {"First", "Last"}) {
        TKvGridDataColumn* c = grid->AddDataColumn(group);
        c->SetName(n);
        c->SetFieldName(n);
    }
    for (const auto& [event, method] : kHandlers)
        SetMethodProp(grid, GetPropInfo(grid, event), form.get(), method);

    const QString text = WriteComponentText(form.get());
    for (const char* line : {"Tag = 7", "BorderStyle = bsSingle", "TabStop = False", "Indicator.MinWidth = 33",
                             "StatesBar.Visible = True", "CheckBar.ResetField = 'Active'", "Header.MinHeight = 30",
                             "Footer.Visible = True", "Panel.Visible = True", "EditBar.Visible = True",
                             "Body.EmptyMessage = 'Nothing here'", "RowGroup.LevelIndent = 25",
                             "DisplayOptions.VScrollBar = False", "EditOptions.Appendable = False",
                             "SelectOptions.Style = SelectRows", "FixedCols.Count = 1", "FixedRows.Count = 2",
                             "DefaultColumnWidth = 90", "GroupIndentSize = 15", "HorzScrollStep = 4",
                             "OnCellClick = CellClick", "OnKeyDown = KeyDown", "OnEditComplete = EditComplete"})
        EXPECT_TRUE(text.contains(QLatin1String(line))) << line;

    TOwned<TForm> copy{Create<TForm>(nullptr)};
    ReadComponentText(text, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), text);
    auto* grid2 = dynamic_cast<TKvGridViewImpl*>(copy->FindComponent("Grid1"));
    ASSERT_NE(grid2, nullptr);
    EXPECT_EQ(grid2->GetTag(), 7);
    EXPECT_EQ(grid2->GetFixedRows()->GetCount(), 2);
    EXPECT_EQ(grid2->GetSelectOptions()->GetStyle(), SelectRows);
    ASSERT_EQ(grid2->GetColumnCount(), 2);
    auto* group2 = dynamic_cast<TKvGridColumnGroup*>(grid2->GetColumn(1));
    ASSERT_NE(group2, nullptr);
    EXPECT_EQ(group2->GetColumns()->Count(), 2);
    for (const auto& [event, method] : kHandlers) {
        EXPECT_EQ(GetPropValue(grid2, event).ToString(), QLatin1String(method)) << event;
        EXPECT_EQ(GetMethodInstance(grid2, GetPropInfo(grid2, event)), copy.get()) << event;
    }

    // The read handlers run the copy's methods.
    const TKvGridCellIndex index(grid2, 0, grid2->GetColumn(0));
    bool cancel = false;
    std::uint16_t key = VK_DOWN;
    QChar ch('a');
    grid2->OnKeyPress(grid2, ch);
    grid2->OnKeyDown(grid2, key, {});
    grid2->OnKeyUp(grid2, key, {});
    grid2->OnMouseDown(grid2, mbLeft, {}, 1, 2);
    grid2->OnMouseMove(grid2, {}, 1, 2);
    grid2->OnMouseUp(grid2, mbLeft, {}, 1, 2);
    grid2->OnDblClick(grid2);
    grid2->OnClick(grid2);
    grid2->OnCurrentItemChanging(grid2, 0, 1);
    grid2->OnCurrentColumnChanging(grid2, nullptr, nullptr);
    grid2->OnCurrentItemChange(grid2);
    grid2->OnCurrentColumnChange(grid2);
    grid2->OnFocuedIndexChanging(grid2, index, cancel);
    grid2->OnFocuedIndexChange(grid2, index);
    grid2->OnCellClick(grid2, index);
    grid2->OnCellDblClick(grid2, index);
    grid2->OnCellAction(grid2, index);
    grid2->OnCellPopup(grid2, index);
    grid2->OnCheckCellClick(grid2, 0);
    grid2->OnCheckItem(grid2, 0, true);
    grid2->OnEditStart(grid2, index);
    grid2->OnEdit(grid2, index, Variant(1));
    grid2->OnEditCancel(grid2, index);
    grid2->OnEditCommit(grid2, index, Variant(1));
    grid2->OnEditComplete(grid2, index);
    QStringList expected;
    for (const auto& handler : kHandlers)
        expected << QLatin1String(handler.second);
    EXPECT_EQ(copy->Fired, expected);
    EXPECT_TRUE(form->Fired.isEmpty());
}

TEST(GridPublished, ControlEventsFireFromRealInput)
{
    TShownGrid g;
    g.Fill(4, 2);
    g.Show(300, 200);
    QStringList fired;
    g.Grid->OnMouseDown = [&](TObject* s, TMouseButton, TShiftState, int, int) { fired << "down"; };
    g.Grid->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { fired << "up"; };
    g.Grid->OnClick = [&](TObject* s) { fired << (s == g.Grid.get() ? "click" : "other"); };
    g.Grid->OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState) {
        fired << QStringLiteral("key %1").arg(key);
        key = 0; // kept from the grid
    };
    const TRect cell = g.Grid->GetCellBounds(g.Grid->GetIndex(1, 0));
    QWidget* window = g.Grid->Widget()->window();
    const QPoint p = g.Grid->Widget()->mapTo(window, QPoint(cell.Left + 3, cell.Top + 3) +
                                                          QPoint(g.Grid->GetClientOrigin().X, g.Grid->GetClientOrigin().Y));
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, p);
    QApplication::processEvents();
    EXPECT_EQ(fired, QStringList({"down", "up", "click"}));
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 1);
    fired.clear();
    QTest::keyClick(window->windowHandle(), Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(fired, QStringList({QStringLiteral("key %1").arg(VK_DOWN)}));
    // The handler kept Down from the grid: the focus stays.
    EXPECT_EQ(g.Grid->GetFocusedIndex().ItemIndex, 1);
}

TEST(GridPublished, AreaSettersTraceTagAndNestedDataColumns)
{
    TOwned<TKvGridViewImpl> grid = MakeOwned<TKvGridViewImpl>(nullptr);
    TKvGridIndicator* indicator = grid->GetIndicator();
    {
        TTraceCapture capture;
        SetObjectProp(grid.get(), GetPropInfo(grid.get(), "Indicator"), grid->GetIndicator());
        grid->SetBody(nullptr);
        grid->SetRowGroup(nullptr);
        EXPECT_TRUE(capture.Lines().contains("SetIndicator...")) << capture.Lines().join("|").toStdString();
        EXPECT_TRUE(capture.Lines().contains("SetBody..."));
        EXPECT_TRUE(capture.Lines().contains("SetRowGroup..."));
    }
    EXPECT_EQ(grid->GetIndicator(), indicator);
    EXPECT_NE(grid->GetBody(), nullptr);

    // Tag: published with default 0; the filter drop-down carries 1111.
    const TPropInfo& tag = GetPropInfo(grid.get(), "Tag");
    EXPECT_TRUE(IsDefaultPropValue(grid.get(), tag));
    TOwned<TKvGridFilterSelector> selector = MakeOwned<TKvGridFilterSelector>(nullptr);
    EXPECT_EQ(selector->GetTag(), 1111);

    // A data column inside a data column is a read error naming its line.
    RegisterClasses<TGridEventsForm, TKvGridViewImpl, TKvGridDataColumn>();
    const QString text = "object Form1: TGridEventsForm\n"
                         "  object Grid1: TKvGridViewImpl\n"
                         "    object Outer: TKvGridDataColumn\n"
                         "      FieldName = 'A'\n"
                         "      object Inner: TKvGridDataColumn\n"
                         "        FieldName = 'B'\n"
                         "      end\n"
                         "    end\n"
                         "  end\n"
                         "end\n";
    TOwned<TForm> form{Create<TForm>(nullptr)};
    try {
        ReadComponentText(text, form.get());
        ADD_FAILURE() << "a nested data column read";
    } catch (const EReadError& e) {
        EXPECT_TRUE(e.Message().contains("line 5")) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains("TKvGridDataColumn")) << e.Message().toStdString();
    }
    EXPECT_EQ(form->FindComponent("Grid1"), nullptr);
}
