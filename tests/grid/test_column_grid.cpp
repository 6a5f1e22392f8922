// Columns inside a grid view: index resets, cell indexes over items, ranges, the current
// cell and form streaming of a column tree.
#include "CellRenderSupport.h"
#include "TestSupport.h"

#include "../model/ModelTestSupport.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"

#include <climits>
#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

namespace {

// A grid that sorts through its default item provider.
class TSortingGrid : public TKvGridView
{
public:
    using TKvGridView::TKvGridView;
    TKvDefaultGridItemProvider* Items() const { return static_cast<TKvDefaultGridItemProvider*>(GetOwnedItemProvider()); }
    TKvIntegerArray GetSortFields() const override { return Items()->GetSortFields(); }
    TKvGridSortDirections GetSortDirections() const override { return Items()->GetSortDirections(); }
    void ColumnFiltersChanged() override { ++FilterChanges; }
    void ColumnsChanged(TKvGridColumn* column) override
    {
        Notices.push_back(column);
        TKvGridView::ColumnsChanged(column);
    }
    int FilterChanges = 0;
    std::vector<TKvGridColumn*> Notices;
};

// A form that streams the components it owns that have no parent.
using TColumnTestForm = kvtest::TRendererForm;

struct TColumnGridFixture : ::testing::Test
{
    TOwned<TKvSimpleDataProvider> Data =
        MakeTable("Name,Value,Qty", "s,n,n", {{"a", 1, 10}, {"b", 3, 20}, {"c", 2, 30}});
    TOwned<TColumnTestForm> Form{Create<TColumnTestForm>(nullptr)};
    TSortingGrid* Grid = Create<TSortingGrid>(Form.get());

    void Bind() { Grid->Items()->SetDataSource(Data.get()); }
    void TearDown() override
    {
        if (Grid)
            Grid->Items()->SetDataSource(nullptr);
    }
};

} // namespace

TEST_F(TColumnGridFixture, IndexAndStateResets)
{
    auto* value = Grid->AddDataColumn();
    value->SetFieldName("VALUE");
    auto* byIndex = Grid->AddDataColumn();
    byIndex->SetFieldIndex(2);
    auto* unknown = Grid->AddDataColumn();
    unknown->SetFieldName("nope");
    auto* outside = Grid->AddDataColumn();
    outside->SetFieldIndex(9);
    auto* group = Grid->InsertColumnGroup(nullptr, -4);
    auto* name = Grid->AddDataColumn(group);
    name->SetFieldName("Name");
    Bind();

    EXPECT_EQ(Grid->GetColumn(0), group);
    EXPECT_EQ(value->GetDataIndex(), 1);
    EXPECT_EQ(byIndex->GetDataIndex(), 2);
    EXPECT_EQ(unknown->GetDataIndex(), -1);
    EXPECT_EQ(outside->GetDataIndex(), -1);
    EXPECT_EQ(name->GetDataIndex(), 0);
    EXPECT_EQ(value->GetIndex(), 1);
    EXPECT_EQ(Grid->GetDataColumn(2), byIndex);
    EXPECT_EQ(Grid->GetDataColumn("name"), name);
    EXPECT_EQ(Grid->GetDataColumns(), (std::vector<TKvGridDataColumn*>{name, value, byIndex, unknown, outside}));
    EXPECT_EQ(value->GetValueType(), ValueTypeNumeric);
    EXPECT_EQ(unknown->GetValueType(), ValueTypeText);
    // The first visible column is a group: the focus goes to its first leaf.
    EXPECT_EQ(Grid->GetFocusedIndex().Column, name);
    EXPECT_EQ(Grid->GetFocusedIndex().ItemIndex, 0);

    // A field change re-resolves at once; sorting states follow the provider's sort.
    unknown->SetFieldName("qty");
    EXPECT_EQ(unknown->GetDataIndex(), 2);
    Grid->Items()->OrderBy({1}, {SortDescending});
    EXPECT_EQ(value->GetSortOrder(), 0);
    EXPECT_EQ(value->GetSortDirection(), SortDescending);
    EXPECT_EQ(byIndex->GetSortOrder(), -1);
    Grid->Items()->OrderBy({}, {});
    EXPECT_EQ(value->GetSortOrder(), -1);

    // Hidden columns count but have no display index, unless the grid is being designed.
    outside->SetVisible(false);
    EXPECT_EQ(Grid->GetColumnCount(), 5);
    EXPECT_EQ(Grid->GetVisibleColumnCount(), 4);
    EXPECT_EQ(outside->GetDisplayIndex(), -1);
    EXPECT_EQ(Grid->GetIndex(1, 4).Column, nullptr);
    EXPECT_EQ(Grid->GetIndex(1, 3).Column, unknown);
    Grid->SetDesigning(true);
    Grid->ResetColumnIndicies();
    EXPECT_EQ(outside->GetDisplayIndex(), 4);
    // In design, the header caption follows the field name it showed.
    unknown->GetHeader()->SetCaption("qty");
    unknown->SetFieldName("Value");
    EXPECT_EQ(unknown->GetHeader()->GetCaption(), "Value");
    Grid->SetDesigning(false);

    // A light change only refreshes; removing a column frees it and leaves the focus.
    const int refreshes = TKvGridView::GetRefreshCount();
    value->SetResizable(false);
    EXPECT_GT(TKvGridView::GetRefreshCount(), refreshes);
    Grid->SetFocusedIndex(TKvGridCellIndex(Grid, 1, byIndex), true);
    Grid->RemoveColumn(byIndex);
    EXPECT_EQ(Grid->GetColumnCount(), 4);
    EXPECT_EQ(Grid->GetFocusedIndex().Column, nullptr);
    Grid->RemoveColumn(group);
    EXPECT_EQ(Form->FindComponent(QString()), nullptr);
    EXPECT_EQ(Grid->GetColumnCount(), 3);
    EXPECT_EQ(Form->GetComponentCount(), 4); // the grid and three columns

    // Freeing the grid frees its columns without notices reaching it.
    Grid->Free();
    EXPECT_EQ(Form->GetComponentCount(), 0);
    Grid = Create<TSortingGrid>(Form.get());
}

TEST_F(TColumnGridFixture, CellIndexOverItems)
{
    auto* a = Grid->AddDataColumn();
    a->SetFieldName("Name");
    auto* b = Grid->AddDataColumn();
    b->SetFieldName("Qty");
    Bind();

    const TKvGridCellIndex last(Grid, 2, b);
    EXPECT_EQ(last.ItemBy(1).ItemIndex, 2);
    EXPECT_EQ(last.ItemBy(INT_MAX).ItemIndex, 2);
    EXPECT_EQ(last.ItemBy(INT_MIN).ItemIndex, 0);
    EXPECT_EQ(TKvGridCellIndex(Grid, 7, a).Normalize().ItemIndex, 2);
    EXPECT_EQ(last.FirstItem().ItemIndex, 0);
    EXPECT_EQ(last.ItemIndex, 2);
    EXPECT_TRUE(last.IsValid(Grid));
    EXPECT_FALSE(TKvGridCellIndex(Grid, 3, b).IsValid(Grid));
    EXPECT_FALSE(TKvGridCellIndex(Grid, 1, nullptr).IsValid(Grid));
    EXPECT_EQ(last.GetFieldName(), "Qty");
    EXPECT_EQ(last.GetDataField(), 2);
    EXPECT_EQ(last.GetDataRow(), 2);
    EXPECT_EQ(last.ToString(), "(I:2, C:1)");
    EXPECT_EQ(TKvGridCellIndex::Null().ToString(), "(I:-1, C:-1)");
    EXPECT_EQ(TKvGridCellIndex(nullptr, 2, b), last);
    EXPECT_FALSE(TKvGridCellIndex(Grid, 5, a) < TKvGridCellIndex(Grid, 3, b));
    EXPECT_TRUE(TKvGridCellIndex(Grid, 3, a) < TKvGridCellIndex(Grid, 3, b));
    EXPECT_EQ(TKvGridCellIndex::Create(1, a).Grid, Grid);
    KV_EXPECT_THROW_MSG(TKvGridCellIndex::Create(1, nullptr), EArgumentNilException, "column is nil");
    EXPECT_EQ(TKvGridCellIndex(a).ItemIndex, -1);

    // The current cell reads and writes through the focused index.
    TKvGridCurrent* current = Grid->GetCurrent();
    ASSERT_NE(current, nullptr);
    current->SetIndex(TKvGridCellIndex(Grid, 1, b));
    EXPECT_EQ(current->GetValue().ToInt(), 20);
    current->SetValue(Variant(21));
    EXPECT_EQ(Data->GetData(1, 2).ToInt(), 21);
    EXPECT_EQ(current->GetColumnValue(a).ToString(), "b");
    EXPECT_EQ(current->GetFieldValue("value").ToInt(), 3);
    KV_EXPECT_THROW_MSG(current->GetFieldValue("none"), Exception, "Field name is invalid: none");
    KV_EXPECT_THROW_MSG(current->SetColumnValue(nullptr, Variant(1)), Exception, "Column is not a DataColumn");
    current->SetDataRow(99);
    EXPECT_EQ(current->GetItemIndex(), 2);
    EXPECT_EQ(current->GetColumn(), b);
    current->SetColumn(a);
    EXPECT_EQ(current->GetFieldName(), "Name");
    auto* loose = Grid->AddDataColumn();
    Grid->ResetColumnIndicies();
    current->SetColumn(loose);
    KV_EXPECT_THROW_MSG(current->SetValue(Variant(1)), Exception, "Column is a invalid DataColumn");
    EXPECT_TRUE(current->GetValue().IsEmpty());
    KV_EXPECT_THROW_MSG(TKvGridCurrent(nullptr), Exception, "owner is nil");

    // An empty provider has no current data row.
    Data->RemoveRows({0, 1, 2});
    current->SetDataRow(1);
    EXPECT_EQ(current->GetItemIndex(), -1);
    EXPECT_EQ(current->GetDataRow(), -1);
    EXPECT_EQ(TKvGridCellIndex(Grid, 0, a).ItemBy(1).ItemIndex, -1);
    Grid->SetItemSource(nullptr);
    KV_EXPECT_THROW_MSG(current->SetValue(Variant(1)), Exception, "ItemSource is nil");
    Grid->SetItemSource(Grid->GetOwnedItemProvider());
}

TEST_F(TColumnGridFixture, RangesOrderColumnsByLayoutInEveryDragDirection)
{
    // H[P, Q, R] | A | V(vertical)[X, Y]: A has display index 1 but lies right of R (index 2).
    auto* h = Grid->AddColumnGroup();
    auto* p = Grid->AddDataColumn(h);
    auto* q = Grid->AddDataColumn(h);
    auto* r = Grid->AddDataColumn(h);
    auto* a = Grid->AddDataColumn();
    auto* v = Grid->AddColumnGroup();
    v->SetOrientation(ColumnsVertical);
    auto* x = Grid->AddDataColumn(v);
    auto* y = Grid->AddDataColumn(v);
    Bind();
    ASSERT_GT(a->GetDisplayIndex(), -1);
    ASSERT_LT(a->GetDisplayIndex(), r->GetDisplayIndex());

    const auto at = [this](int row, TKvGridColumn* c) { return TKvGridCellIndex(Grid, row, c); };
    const TKvGridRange expected(1, 2, r, a);
    for (const auto& corners : {std::pair{at(1, r), at(2, a)}, std::pair{at(2, a), at(1, r)},
                                std::pair{at(2, r), at(1, a)}, std::pair{at(1, a), at(2, r)}}) {
        const TKvGridRange range = TKvGridRange::Create(corners.first, corners.second);
        EXPECT_EQ(range.R1, expected.R1);
        EXPECT_EQ(range.R2, expected.R2);
        EXPECT_EQ(range.C1, r);
        EXPECT_EQ(range.C2, a);
        EXPECT_TRUE(range.Contains(at(1, a)));
        EXPECT_FALSE(range.Contains(at(1, q)));
        EXPECT_FALSE(range.Contains(at(0, r)));
    }

    // Stacked columns share their place; the block spans them both.
    const TKvGridRange block = TKvGridRange::Create(at(0, q), at(2, x));
    EXPECT_EQ(block.C1, q);
    EXPECT_TRUE(block.Contains(at(1, y)));
    EXPECT_TRUE(block.Contains(TKvGridRange(1, 2, r, a)));
    EXPECT_FALSE(block.Contains(TKvGridRange(1, 2, p, a)));
    EXPECT_TRUE(block.IsValid(Grid) == (q->GetDisplayIndex() < Grid->GetVisibleColumnCount()));
    EXPECT_FALSE(TKvGridRange(0, 3, q, a).IsValid(Grid));

    // Two ranges crossing like a plus sign intersect without holding each other's corners.
    const TKvGridRange tall(0, 2, q, q);
    const TKvGridRange wide(1, 1, p, a);
    EXPECT_TRUE(tall.Intersects(wide));
    EXPECT_TRUE(wide.Intersects(tall));
    EXPECT_FALSE(tall.Intersects(TKvGridRange(0, 2, r, a)));
    EXPECT_FALSE(tall.Intersects(TKvGridRange(3, 4, q, q)));
    EXPECT_EQ(TKvGridRange(1, 2, p, p), TKvGridRange(1, 2, a, a));
    EXPECT_TRUE(TKvGridRange(1, 2, p, p) < TKvGridRange(1, 2, a, a));
    EXPECT_TRUE(TKvGridRange(at(2, x)).Contains(at(2, y)));
}

TEST_F(TColumnGridFixture, ChangeNoticesFollowTheRules)
{
    auto* group = Grid->AddColumnGroup();
    auto* c = Grid->AddDataColumn(group);
    Bind();
    // Each change, and the notice it sends: nil re-resolves indices, the column only refreshes.
    const auto notice = [this](const std::function<void()>& change) {
        Grid->Notices.clear();
        change();
        return Grid->Notices;
    };
    using N = std::vector<TKvGridColumn*>;
    const N all{nullptr};
    const N light{c};
    EXPECT_EQ(notice([&] { c->SetWidth(77); }), all);
    EXPECT_EQ(notice([&] { c->SetWidth(77); }), N{});
    EXPECT_EQ(notice([&] { c->SetVisible(false); }), all);
    EXPECT_EQ(notice([&] { c->SetFieldIndex(1); }), all);
    EXPECT_EQ(notice([&] { c->SetLookupValues({"x"}); }), all);
    EXPECT_EQ(notice([&] { c->SetAutoEdit(false); }), all);
    EXPECT_EQ(notice([&] { c->SetMovable(false); }), light);
    EXPECT_EQ(notice([&] { c->SetButton(ButtonAction); }), light);
    EXPECT_EQ(notice([&] { c->SetRequired(true); }), light);
    EXPECT_EQ(notice([&] { c->GetHeader()->SetCaption("Caption"); }), light);
    EXPECT_EQ(notice([&] { c->GetFooter()->SetCaption("Total"); }), light);
    EXPECT_EQ(notice([&] { c->GetStyles()->SetPaddingLeft(4); }), light);
    EXPECT_EQ(notice([&] { c->SetSortOrder(3); }), N{});
    EXPECT_EQ(notice([&] { c->SetImageList(nullptr); }), N{});
    EXPECT_EQ(notice([&] { group->SetOrientation(ColumnsVertical); }), (N{nullptr}));
    EXPECT_EQ(notice([&] { group->GetGroupHeader()->SetVisible(false); }), (N{group}));
    EXPECT_EQ(notice([&] { group->GetColumns()->Move(0, 0); }), N{});
}

TEST_F(TColumnGridFixture, LinkedComponentsAndNotices)
{
    auto* a = Grid->AddDataColumn();
    auto* b = Grid->AddDataColumn();
    Bind();
    auto* renderer = Create<TKvGridDataCellRenderer>(Form.get());
    a->SetRenderer(renderer);
    a->SetRenderer(renderer);
    b->SetRenderer(renderer);
    EXPECT_EQ(renderer->GetColumnCount(), 2);
    // A renderer change repaints every grid showing one of its columns.
    const int refreshes = TKvGridView::GetRefreshCount();
    renderer->Changed();
    EXPECT_EQ(TKvGridView::GetRefreshCount(), refreshes + 2);
    b->Free();
    EXPECT_EQ(renderer->GetColumnCount(), 1);
    renderer->Free();
    EXPECT_EQ(a->GetRenderer(), nullptr);

    auto* editor = Create<TKvGridCellEditor>(Form.get());
    a->SetEditor(editor);
    a->SetHeaderRenderer(Create<TKvGridDataCellRenderer>(Form.get()));
    editor->Free();
    a->GetHeaderRenderer()->Free();
    EXPECT_EQ(a->GetEditor(), nullptr);
    EXPECT_EQ(a->GetHeaderRenderer(), nullptr);

    // Filters tell the grid of every change.
    TKvGridColumnFilter* filter = a->GetFilters()->Add();
    const int added = Grid->FilterChanges;
    EXPECT_GT(added, 0);
    filter->SetActive(true);
    filter->SetCriteria("value > 1");
    EXPECT_EQ(Grid->FilterChanges, added + 2);
    a->GetFilters()->Clear();
    EXPECT_EQ(Grid->FilterChanges, added + 3);

    // A freed column that held the focus leaves the grid without a focused column.
    Grid->ResetGrid();
    ASSERT_EQ(Grid->GetFocusedIndex().Column, a);
    a->Free();
    EXPECT_EQ(Grid->GetFocusedIndex().Column, nullptr);
    EXPECT_EQ(Grid->GetColumnCount(), 0);

    // The Columns facade forwards to the grid.
    TKvGridViewColumns* columns = Grid->GetColumns();
    TKvGridColumnGroup* group = columns->AddGroup();
    TKvGridDataColumn* inner = columns->Add(group);
    EXPECT_EQ(columns->Count(), 1);
    EXPECT_EQ(columns->GetItem(0), group);
    EXPECT_EQ(columns->GetDataColumns(), (std::vector<TKvGridDataColumn*>{inner}));
    EXPECT_EQ(inner->GetOwner(), Form.get());
    columns->Remove(inner);
    EXPECT_EQ(group->Count(), 0);
    columns->Clear();
    EXPECT_EQ(columns->Count(), 0);
    EXPECT_EQ(Form->GetComponentCount(), 1);
    // A column of another grid is left alone.
    auto* other = Create<TKvGridView>(Form.get());
    auto* foreign = other->AddDataColumn();
    Grid->RemoveColumn(foreign);
    EXPECT_EQ(other->GetColumnCount(), 1);
}

TEST_F(TColumnGridFixture, StreamingRoundTripOfAColumnTree)
{
    RegisterClasses<TColumnTestForm, TKvGridView>();
    FreeAndNil(Grid);
    auto* view = Create<TKvGridView>(Form.get());
    Form->SetName("Form1");
    view->SetName("Grid1");
    auto* amount = view->AddDataColumn();
    amount->SetName("Amount");
    amount->SetFieldName("Value");
    amount->SetWidth(80);
    amount->GetHeader()->SetCaption("Amount 'in' €");
    amount->GetFooter()->SetExpression("sum");
    amount->SetLookupValues({"1", "2"});
    amount->SetLookupLabels({"one", "two"});
    amount->SetButton(ButtonPopup);
    auto* filter = amount->GetFilters()->Add();
    filter->SetName("big");
    filter->SetCriteria("value > 2");
    amount->GetValidations()->Add("positive", "value > 0", "Must be positive")->SetMode(ValidationModeUpdate);
    auto* group = view->AddColumnGroup();
    group->SetName("Group1");
    group->SetOrientation(ColumnsVertical);
    group->GetGroupHeader()->SetVisible(false);
    auto* inner = view->AddColumnGroup(group);
    inner->SetName("Inner");
    auto* name = view->AddDataColumn(inner);
    name->SetName("NameCol");
    name->SetFieldName("Name");
    name->SetVisible(false);
    auto* qty = view->AddDataColumn(group);
    qty->SetName("QtyCol");
    qty->SetFieldIndex(2);
    qty->SetDefaultValue(Variant(5));

    const QString text = WriteComponentText(Form.get());
    TOwned<TColumnTestForm> copy{Create<TColumnTestForm>(nullptr)};
    ReadComponentText(text, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), text);

    auto* grid = dynamic_cast<TKvGridView*>(copy->FindComponent("Grid1"));
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->GetColumnCount(), 2);
    auto* amount2 = dynamic_cast<TKvGridDataColumn*>(grid->GetColumn(0));
    ASSERT_NE(amount2, nullptr);
    EXPECT_EQ(amount2->GetName(), "Amount");
    EXPECT_EQ(amount2->GetWidth(), 80);
    EXPECT_EQ(amount2->GetHeader()->GetCaption(), "Amount 'in' €");
    EXPECT_EQ(amount2->GetFooter()->GetExpression(), "sum");
    EXPECT_NE(amount2->GetFooter()->GetExprTree(), nullptr);
    EXPECT_EQ(amount2->GetLookupLabels(), (QStringList{"one", "two"}));
    EXPECT_EQ(amount2->GetButton(), ButtonPopup);
    ASSERT_EQ(amount2->GetFilters()->Count(), 1);
    EXPECT_EQ(amount2->GetFilters()->GetFilter(0)->GetCriteria(), "value > 2");
    ASSERT_EQ(amount2->GetValidations()->Count(), 1);
    EXPECT_EQ(amount2->GetValidations()->GetValidation(0)->GetMode(), ValidationModeUpdate);
    EXPECT_NE(amount2->GetValidations()->GetValidation(0)->GetExprTree(), nullptr);
    auto* group2 = dynamic_cast<TKvGridColumnGroup*>(grid->GetColumn(1));
    ASSERT_NE(group2, nullptr);
    EXPECT_EQ(group2->GetOrientation(), ColumnsVertical);
    EXPECT_FALSE(group2->GetGroupHeader()->GetVisible());
    ASSERT_EQ(group2->Count(), 2);
    auto* inner2 = dynamic_cast<TKvGridColumnGroup*>(group2->GetItem(0));
    ASSERT_NE(inner2, nullptr);
    EXPECT_EQ(inner2->GetName(), "Inner");
    auto* name2 = dynamic_cast<TKvGridDataColumn*>(inner2->GetItem(0));
    ASSERT_NE(name2, nullptr);
    EXPECT_FALSE(name2->GetVisible());
    EXPECT_EQ(group2->GetItem(1)->GetName(), "QtyCol");
    EXPECT_EQ(static_cast<TKvGridDataColumn*>(group2->GetItem(1))->GetDefaultValue().ToInt(), 5);
    EXPECT_EQ(name2->GetOwner(), copy.get());

    // A bad criteria in a form file is refused with a read error.
    QString bad = text;
    bad.replace("value > 0", "value >");
    TOwned<TColumnTestForm> broken{Create<TColumnTestForm>(nullptr)};
    EXPECT_THROW(ReadComponentText(bad, broken.get()), EReadError);
}
