// The top-level grid's chain and commands: sort merging under grouping, grouping changes with
// filters, filters that do not apply, defaults of inserted rows inside groups, column
// generation, edit permissions, the row limit and a data provider freed first.
#include "VantrelTestSupport.h"
#include "TestSupport.h"

#include "platform/design/DesignHost.h"
#include "platform/rtl/Streaming.h"

#include <map>

using namespace kv;
using namespace kvtest;

namespace {

TKvGridColumnFilter* AddFilter(TKvGridDataColumn* column, const QString& criteria, bool active)
{
    auto* filter = static_cast<TKvGridColumnFilter*>(column->GetFilters()->Add());
    filter->SetCriteria(criteria);
    filter->SetActive(active);
    return filter;
}

} // namespace

TEST(Vantrel, ChainIsBuiltAndGroupSortingKeepsGroupFieldsLeading)
{
    TShownVantrel g;
    g.Fill(40);
    TKvVantrelItemProvider* chain = g.Chain();
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(g.Grid->GetItemProvider(), chain);
    EXPECT_EQ(g.Grid->GetOwnedItemProvider(), chain);
    EXPECT_EQ(chain->GetSource(), chain->GetGroupedProvider());
    EXPECT_EQ(chain->GetGroupedProvider()->GetSource(), chain->GetFilteredProvider());
    EXPECT_EQ(chain->GetFilteredProvider()->GetSource(), chain->GetItemProvider());
    EXPECT_EQ(g.Grid->GetDataProvider(), g.Data.get());
    EXPECT_EQ(g.Grid->GetAdapter(typeid(TKvGridDataProvider)), g.Data.get());

    ASSERT_EQ(g.Grid->GetItemCount(), 40);
    ASSERT_EQ(g.Rows().size(), 40u);
    // Not grouped: a plain sort.
    g.Grid->SortItems({FQty}, {SortDescending});
    EXPECT_EQ(g.Rows().front(), 39);

    g.Grid->GroupBy({FRegion}, true, SortAscending);
    EXPECT_TRUE(g.Grid->GetRowGrouped());
    EXPECT_EQ(g.Grid->GetGroupByFields(), TKvIntegerArray{FRegion});
    EXPECT_EQ(g.Grid->GetSortFields(), TKvIntegerArray{FRegion});

    // Sorting by the grouped field changes only its direction.
    g.Grid->SortItems({FRegion}, {SortDescending});
    EXPECT_EQ(g.Grid->GetSortFields(), TKvIntegerArray{FRegion});
    EXPECT_EQ(g.Grid->GetSortDirections(), TKvGridSortDirections{SortDescending});
    EXPECT_EQ(g.Data->GetData(g.Rows().front(), FRegion).ToString(), QStringLiteral("West"));

    // Another field goes after the group fields, which keep their direction.
    g.Grid->SortItems({FQty}, {SortDescending});
    EXPECT_EQ(g.Grid->GetSortFields(), (TKvIntegerArray{FRegion, FQty}));
    EXPECT_EQ(g.Grid->GetSortDirections(), (TKvGridSortDirections{SortDescending, SortDescending}));
    const std::vector<int> rows = g.Rows();
    for (size_t i = 1; i < rows.size(); ++i) {
        const QString a = RegionOf(rows[i - 1]), b = RegionOf(rows[i]);
        ASSERT_GE(a, b) << "groups stay in region order";
        if (a == b) {
            EXPECT_GT(rows[i - 1], rows[i]) << "within a group the quantity descends";
        }
    }

    // A header click on the grouped column cycles its direction only.
    g.Grid->SortColumn(g.Columns[FRegion]);
    EXPECT_EQ(g.Grid->GetSortFields().front(), FRegion);
}

TEST(Vantrel, AddAndRemoveGroupByAndTheirNoOps)
{
    TShownVantrel g;
    g.Fill(40);
    g.Show();
    g.Grid->SetTopIndex(5);
    g.Grid->AddGroupBy(0, g.Columns[FRegion]);
    EXPECT_EQ(g.Grid->GetTopIndex(), 0);
    g.Chain()->GroupBy({FRegion}, true, SortDescending);

    // AddGroupBy(0, f) while grouped by g: f first, both sorted in the group direction.
    g.Grid->AddGroupBy(0, g.Columns[FCity]);
    EXPECT_EQ(g.Grid->GetGroupByFields(), (TKvIntegerArray{FCity, FRegion}));
    EXPECT_EQ(g.Grid->GetSortFields(), (TKvIntegerArray{FCity, FRegion}));
    EXPECT_EQ(g.Grid->GetSortDirections(), (TKvGridSortDirections{SortDescending, SortDescending}));
    g.Paint();
    EXPECT_EQ(g.Layout()->RowGroupLevels(), 2);

    // Grouping a grouped column again, or removing one that is not grouped, changes nothing
    // (the sort stays, no rebuild).
    g.Grid->SortItems({FQty}, {SortAscending});
    const TKvIntegerArray sort = g.Grid->GetSortFields();
    const int refreshes = TKvGridView::GetRefreshCount();
    g.Grid->AddGroupBy(1, g.Columns[FCity]);
    g.Grid->RemoveGroupBy(g.Columns[FQty]);
    g.Chain()->AddGroupBy(0, FRegion);
    g.Chain()->RemoveGroupBy(FQty);
    EXPECT_EQ(g.Grid->GetGroupByFields(), (TKvIntegerArray{FCity, FRegion}));
    EXPECT_EQ(g.Grid->GetSortFields(), sort);
    g.Paint();
    EXPECT_EQ(TKvGridView::GetRefreshCount(), refreshes);

    // The index is clamped to the level count.
    g.Grid->RemoveGroupBy(g.Columns[FCity]);
    g.Grid->AddGroupBy(99, g.Columns[FQty]);
    EXPECT_EQ(g.Grid->GetGroupByFields(), (TKvIntegerArray{FRegion, FQty}));
    g.Grid->AddGroupBy(-5, g.Columns[FCity]);
    EXPECT_EQ(g.Grid->GetGroupByFields(), (TKvIntegerArray{FCity, FRegion, FQty}));

    // Removing the last field ends grouping; the prompt shows again.
    g.Grid->RemoveGroupBy(g.Columns[FCity]);
    g.Grid->RemoveGroupBy(g.Columns[FQty]);
    g.Grid->RemoveGroupBy(g.Columns[FRegion]);
    EXPECT_FALSE(g.Grid->GetRowGrouped());
    EXPECT_TRUE(g.Grid->GetGroupByFields().empty());
    g.Paint();
    EXPECT_EQ(g.Layout()->RowGroupLevels(), 0);
    EXPECT_TRUE(g.Panel()->GetMessageView()->GetVisible());
    EXPECT_EQ(g.Rows().size(), 40u);
}

TEST(Vantrel, GroupingChangesKeepActiveFiltersApplied)
{
    TShownVantrel g;
    g.Fill(40);
    AddFilter(g.Columns[FQty], QStringLiteral("value >= 30"), true);
    EXPECT_TRUE(g.Grid->IsFiltered(g.Columns[FQty]));
    ASSERT_EQ(g.Rows().size(), 10u);
    auto expectFiltered = [&](const char* step) {
        const std::vector<int> rows = g.Rows();
        EXPECT_EQ(rows.size(), 10u) << step;
        for (int row : rows)
            EXPECT_GE(row, 30) << step;
    };
    g.Grid->GroupBy({FRegion});
    expectFiltered("GroupBy");
    g.Grid->AddGroupBy(1, g.Columns[FCity]);
    expectFiltered("AddGroupBy");
    g.Grid->RemoveGroupBy(g.Columns[FRegion]);
    expectFiltered("RemoveGroupBy");
    g.Grid->GroupBy({FRegion}, true, SortDescending);
    expectFiltered("GroupBy descending");
    g.Grid->SortItems({FQty}, {SortDescending});
    expectFiltered("sort");

    // ApplyFilter clears the column's filters in the chain.
    g.Grid->ApplyFilter(g.Columns[FQty]);
    EXPECT_FALSE(g.Grid->IsFiltered(g.Columns[FQty]));
    EXPECT_EQ(g.Rows().size(), 40u);
}

TEST(Vantrel, AFilterThatDoesNotApplyIsLeftOutAndNamed)
{
    TShownVantrel g;
    g.Fill(40);
    AddFilter(g.Columns[FQty], QStringLiteral("value < 10"), true);
    ASSERT_EQ(g.Rows().size(), 10u);
    // A text that does not parse: the other filters apply, one error names column and text.
    try {
        AddFilter(g.Columns[FCity], QStringLiteral("value = ("), true);
        ADD_FAILURE() << "no error for a filter that does not parse";
    } catch (const EKvFilterError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("\"City\""))) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("\"value = (\""))) << e.Message().toStdString();
        EXPECT_EQ(e.Message().count(QStringLiteral("value = (")), 1);
    }
    EXPECT_EQ(g.Rows().size(), 10u);
    EXPECT_FALSE(g.Grid->IsFiltered(g.Columns[FCity]));
    // Later changes are not blocked by it.
    g.Columns[FCity]->GetFilters()->GetFilter(0)->SetCriteria(QStringLiteral("value = 'C1'"));
    g.Grid->ApplyFilters();
    EXPECT_EQ(g.Rows(), (std::vector<int>{1, 6}));
    // A criteria naming an unknown identifier fails on the rows: left out the same way.
    TKvGridColumnFilter* unknown = AddFilter(g.Columns[FRegion], QStringLiteral("region"), false);
    try {
        unknown->SetCriteria(QStringLiteral("nosuchfield > 1"));
        unknown->SetActive(true);
        ADD_FAILURE() << "no error for an unknown identifier";
    } catch (const EKvFilterError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("\"Region\""))) << e.Message().toStdString();
    }
    EXPECT_EQ(g.Rows(), (std::vector<int>{1, 6}));
    unknown->SetActive(false);
    EXPECT_EQ(g.Rows(), (std::vector<int>{1, 6}));
    // A column that shows no field is left out too.
    TKvGridDataColumn* loose = g.Grid->AddDataColumn();
    loose->SetFieldName(QStringLiteral("Nowhere"));
    EXPECT_THROW(AddFilter(loose, QStringLiteral("value = 1"), true), EKvFilterError);
    EXPECT_EQ(g.Rows(), (std::vector<int>{1, 6}));
}

TEST(Vantrel, ItemDefaultsInsideGroupsAndTheRowLimit)
{
    TShownVantrel g;
    g.Fill(40);
    TKvGridDataRow values(3);
    g.Grid->GetItemDefaults(0, values);
    EXPECT_TRUE(values[FRegion].IsEmpty()) << "not grouped: nothing";

    g.Grid->GroupingOptionsChanged();
    g.Grid->GroupBy({FRegion, FCity});
    // Item 0 is the first group header: its own field, never blanks; the deeper level stays.
    ASSERT_NE(dynamic_cast<TKvGridGroupItem*>(g.Grid->GetItem(0)), nullptr);
    g.Grid->GetItemDefaults(0, values);
    EXPECT_EQ(values[FRegion].ToString(), QStringLiteral("East"));
    EXPECT_TRUE(values[FCity].IsEmpty());
    // A data row inside the groups gives both levels.
    int row = -1;
    for (int i = 0; i < g.Grid->GetItemCount() && row < 0; ++i)
        if (g.Grid->GetItem(i)->GetDataRow() >= 0)
            row = i;
    ASSERT_GE(row, 0);
    const int data = g.Grid->GetItem(row)->GetDataRow();
    TKvGridDataRow inside(3);
    g.Grid->GetItemDefaults(row, inside);
    EXPECT_EQ(inside[FRegion].ToString(), RegionOf(data));
    EXPECT_EQ(inside[FCity].ToString(), QStringLiteral("C%1").arg(data % 5));
    EXPECT_TRUE(inside[FQty].IsEmpty());
    // A group footer stands for its group.
    for (int i = 0; i < g.Grid->GetItemCount(); ++i)
        if (dynamic_cast<TKvGridGroupFooter*>(g.Grid->GetItem(i))) {
            TKvGridDataRow footer(3);
            g.Grid->GetItemDefaults(i, footer);
            EXPECT_FALSE(footer[FRegion].IsEmpty());
            break;
        }
    // At or past the item count: unchanged.
    TKvGridDataRow past(3, Variant(QStringLiteral("x")));
    g.Grid->GetItemDefaults(g.Grid->GetItemCount(), past);
    EXPECT_EQ(past[FRegion].ToString(), QStringLiteral("x"));

    // The row limit; values above the signed range are clamped.
    g.Grid->GroupBy({});
    g.Grid->SetMaxRowCount(7);
    EXPECT_EQ(g.Grid->GetMaxRowCount(), 7u);
    EXPECT_EQ(g.Grid->GetItemCount(), 7);
    g.Grid->SetMaxRowCount(0xFFFFFFF0u);
    EXPECT_EQ(g.Grid->GetMaxRowCount(), 0x7FFFFFFFu);
    EXPECT_EQ(g.Grid->GetItemCount(), 40);
}

TEST(Vantrel, GenerateDataColumnsTwiceWithoutProviderAndAtDesignTime)
{
    TOwned<TKvVantrel> grid = MakeOwned<TKvVantrel>(nullptr);
    grid->GenerateDataColumns(false);
    EXPECT_EQ(grid->GetDataColumns().size(), 0u) << "no data provider, no columns";

    TShownVantrel g;
    g.Fill(3);
    ASSERT_EQ(g.Columns.size(), 3u);
    EXPECT_EQ(g.Columns[FCity]->GetFieldName(), QStringLiteral("City"));
    EXPECT_EQ(g.Columns[FCity]->GetFieldIndex(), FCity);
    EXPECT_EQ(g.Columns[FCity]->GetHeader()->GetCaption(), QStringLiteral("City"));
    EXPECT_EQ(g.Columns[FCity]->GetWidth(), g.Grid->GetDisplayOptions()->GetDefaultColumnWidth());
    g.Grid->GenerateDataColumns(false);
    EXPECT_EQ(g.Grid->GetDataColumns().size(), 6u) << "a second set";
    g.Grid->GenerateDataColumns(true);
    EXPECT_EQ(g.Grid->GetDataColumns().size(), 3u);

    // At design time the columns get unique names from the grid's name and the field's.
    TOwned<TComponent> form = MakeOwned<TComponent>(nullptr);
    TOwned<TKvSimpleDataProvider> data = MakeOwned<TKvSimpleDataProvider>(nullptr);
    data->InsertColumns(0, 2, QStringLiteral("Qty,unit price"), QStringLiteral("n,n"));
    auto* designed = Create<TKvVantrel>(form.get());
    designed->SetDesigning(true);
    designed->SetName(QStringLiteral("Grid1"));
    auto* taken = Create<TComponent>(form.get());
    taken->SetName(QStringLiteral("Grid1Qty"));
    designed->SetDataProvider(data.get());
    designed->GenerateDataColumns(false);
    designed->GenerateDataColumns(false);
    QStringList names;
    for (TKvGridDataColumn* column : designed->GetDataColumns())
        names << column->GetName();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Grid1Qty2"), QStringLiteral("Grid1column"), QStringLiteral("Grid1Qty3"),
                                  QStringLiteral("Grid1column2")}));
    designed->SetDataProvider(nullptr);
}

TEST(Vantrel, GeneratedColumnNamesAreUniqueAcrossOpenDesigners)
{
    TOwned<TComponent> other = MakeOwned<TComponent>(nullptr);
    other->SetName(QStringLiteral("Form2"));
    Create<TComponent>(other.get())->SetName(QStringLiteral("Grid1column3"));
    TOwned<TComponent> form = MakeOwned<TComponent>(nullptr);
    form->SetName(QStringLiteral("Form1"));
    TOwned<TKvSimpleDataProvider> data = MakeOwned<TKvSimpleDataProvider>(nullptr);
    data->InsertColumns(0, 3, QStringLiteral("unit price,net weight,gross weight"), QStringLiteral("n,n,n"));
    auto* grid = Create<TKvVantrel>(form.get());
    grid->SetName(QStringLiteral("Grid1"));
    {
        TDesignHost otherHost(other.get());
        TDesignHost host(form.get());
        ASSERT_TRUE(grid->IsDesigning());
        grid->SetDataProvider(data.get());
        grid->GenerateDataColumns(false);
        QStringList names;
        for (TKvGridDataColumn* column : grid->GetDataColumns())
            names << column->GetName();
        EXPECT_EQ(names, (QStringList{QStringLiteral("Grid1column"), QStringLiteral("Grid1column2"),
                                      QStringLiteral("Grid1column4")}));
        grid->SetDataProvider(nullptr);
    }
}

TEST(Vantrel, EditPermissionTable)
{
    TShownVantrel g;
    g.Fill(5);
    TKvGridEditOptions* o = g.Grid->GetEditOptions();
    o->SetEditable(true);
    o->SetAppendable(true);
    o->SetInsertable(false);
    o->SetDeletable(false);
    EXPECT_TRUE(g.Grid->CanUpdate(0, FQty));
    EXPECT_TRUE(g.Grid->CanAppend());
    EXPECT_FALSE(g.Grid->CanInsert(1)) << "Appendable does not allow inserting";
    EXPECT_FALSE(g.Grid->CanDelete(1));
    o->SetInsertable(true);
    o->SetDeletable(true);
    EXPECT_TRUE(g.Grid->CanInsert(1));
    EXPECT_TRUE(g.Grid->CanDelete(1));
    o->SetEditable(false);
    EXPECT_FALSE(g.Grid->CanUpdate(0, FQty));
    // No column needs to exist.
    o->SetEditable(true);
    g.Grid->ClearColumns();
    EXPECT_TRUE(g.Grid->CanAppend());
    EXPECT_TRUE(g.Grid->CanInsert(1));
    // ReadOnly wins over every option.
    o->SetReadOnly(true);
    EXPECT_FALSE(g.Grid->CanUpdate(0, FQty));
    EXPECT_FALSE(g.Grid->CanAppend());
    EXPECT_FALSE(g.Grid->CanInsert(1));
    EXPECT_FALSE(g.Grid->CanDelete(1));
}

TEST(Vantrel, DataProviderFreedBeforeTheGrid)
{
    TShownVantrel g;
    g.Fill(20);
    g.Grid->GroupBy({FRegion});
    g.Show();
    g.Data.reset();
    EXPECT_EQ(g.Grid->GetDataProvider(), nullptr);
    EXPECT_EQ(g.Grid->GetItemCount(), 0);
    g.Paint();
    g.Grid->GroupBy({});
    g.Grid->SortItems({}, {});
    g.Paint();
}

namespace {

// A table that fills itself when made, so that a form file can name it.
class TFilledTable : public TKvSimpleDataProvider
{
public:
    using TKvSimpleDataProvider::TKvSimpleDataProvider;
    void AfterConstruction() override
    {
        TKvSimpleDataProvider::AfterConstruction();
        InsertColumns(0, 3, QStringLiteral("Region,City,Qty"), QStringLiteral("s,s,n"));
        for (int r = 0; r < 40; ++r)
            InsertRow(r, TKvGridDataRow{Variant(RegionOf(r)), Variant(QStringLiteral("C%1").arg(r % 5)), Variant(r)});
    }
};

class TVantrelForm : public TComponent
{
public:
    using TComponent::TComponent;
    void GetChildren(const TGetChildProc& proc, TComponent* root) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            if (!GetComponent(i)->HasParent())
                proc(GetComponent(i));
    }
};

} // namespace

KV_PUBLISH(TFilledTable, TKvSimpleDataProvider);
KV_PUBLISH(TVantrelForm, TComponent);

TEST(Vantrel, AGridReadFromAFormFileShowsItsRowsFiltered)
{
    RegisterClasses<TVantrelForm, TFilledTable, TKvVantrel>();
    TOwned<TVantrelForm> form{Create<TVantrelForm>(nullptr)};
    form->SetName(QStringLiteral("Form1"));
    auto* data = Create<TFilledTable>(form.get());
    data->SetName(QStringLiteral("Data1"));
    auto* grid = Create<TKvVantrel>(form.get());
    grid->SetName(QStringLiteral("Grid1"));
    grid->SetDataProvider(data);
    grid->SetMaxRowCount(30);
    grid->GenerateDataColumns(true);
    TKvGridDataColumn* qty = grid->GetDataColumns()[FQty];
    qty->SetName(QStringLiteral("QtyColumn"));
    AddFilter(qty, QStringLiteral("value >= 25"), true);
    ASSERT_EQ(grid->GetItemCount(), 5);
    const QString text = WriteComponentText(form.get());
    EXPECT_TRUE(text.contains(QStringLiteral("MaxRowCount = 30"))) << text.toStdString();

    TOwned<TVantrelForm> copy{Create<TVantrelForm>(nullptr)};
    ReadComponentText(text, copy.get());
    auto* read = dynamic_cast<TKvVantrel*>(copy->FindComponent(QStringLiteral("Grid1")));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetDataProvider(), copy->FindComponent(QStringLiteral("Data1")));
    EXPECT_EQ(read->GetMaxRowCount(), 30u);
    EXPECT_EQ(read->GetItemCount(), 5) << "Loaded applied the active filter";
    // A data provider assigned later is filtered too.
    auto* table = static_cast<TKvGridDataProvider*>(copy->FindComponent(QStringLiteral("Data1")));
    read->SetDataProvider(nullptr);
    EXPECT_EQ(read->GetItemCount(), 0);
    read->SetDataProvider(table);
    EXPECT_EQ(read->GetItemCount(), 5);
    read->SetDataProvider(nullptr);
    grid->SetDataProvider(nullptr);
}

TEST(Vantrel, TheChainClearsAndRebuildsItsGroupedItems)
{
    TShownVantrel g;
    g.Fill(40);
    g.Show();
    g.Grid->GroupBy({FRegion}, true, SortAscending);
    g.Paint();
    TKvVantrelItemProvider* chain = g.Chain();
    const int grouped = g.Grid->GetItemCount();
    ASSERT_GT(grouped, 40); // group headers and footers besides the rows
    const int groups = chain->GetGroupedProvider()->GetRootItem()->GetCount();
    ASSERT_EQ(groups, 4);

    // The grouped link empties: no groups and no visible items are left.
    chain->ClearItems();
    EXPECT_EQ(chain->GetGroupedProvider()->GetRootItem()->GetCount(), 0);
    EXPECT_EQ(chain->GetGroupedProvider()->GetItemCount(), 0);
    EXPECT_EQ(g.Grid->GetItemCount(), 0);
    EXPECT_TRUE(g.Rows().empty());
    g.Paint();

    // And is built again, grouping and order as they were.
    chain->PopulateItems();
    EXPECT_EQ(chain->GetGroupedProvider()->GetRootItem()->GetCount(), groups);
    EXPECT_EQ(g.Grid->GetItemCount(), grouped);
    const std::vector<int> rows = g.Rows();
    ASSERT_EQ(rows.size(), 40u);
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(RegionOf(rows[i - 1]), RegionOf(rows[i]));
    g.Grid->RefreshView();
    g.Paint();
}

// With a fixed column and two group levels, the fixed cell of every group footer shows its whole
// value: the outer level's, moved right by the inner level's indent, as the inner level's does.
TEST(Vantrel, GroupFootersOfEveryLevelShowTheirFixedCellWhole)
{
    TShownVantrel g;
    g.Fill(4); // one row per region and city
    g.Grid->GetFixedCols()->SetCount(1);
    g.Columns[FRegion]->GetFooter()->SetGroupExpression(QStringLiteral("row"));
    g.Show(500, 600);
    g.Grid->GroupBy({FRegion, FCity}, true, SortAscending);
    g.Paint();
    const QImage& image = g.Image();
    // The first and last x of dark pixels in r.
    auto ink = [&](const TRect& r) {
        std::pair<int, int> span{-1, -1};
        for (int x = std::max(0, r.Left); x < std::min(image.width(), r.Right); ++x)
            for (int y = std::max(0, r.Top); y < std::min(image.height(), r.Bottom); ++y)
                if (qGray(image.pixel(x, y)) < 100) {
                    if (span.first < 0)
                        span.first = x;
                    span.second = x;
                    break;
                }
        return span;
    };
    TKvGridRowGroupElement* groups = g.Grid->GetRowGroupView();
    std::map<int, std::vector<std::pair<int, int>>> byLevel;
    for (int i = 0; i < groups->GetFixedFooterCount(); ++i) {
        TKvGridRowGroupFooterElement* view = groups->GetFixedFooter(i);
        TKvGridIndexedCellElement* cell = view->GetCells(g.Columns[FRegion]);
        ASSERT_NE(cell, nullptr);
        const TRect viewRect = TShownVantrel::Bounds(view);
        const TRect cellRect = TShownVantrel::Bounds(cell);
        if (cellRect.Bottom > g.Grid->GetClientHeight())
            continue;
        const int level = g.Grid->GetItem(view->GetIndex())->GetParent()->GetLevel();
        EXPECT_EQ(g.Grid->GetRowGroup()->GetFooterCell(cell->GetIndex())->GetDisplayText(), QStringLiteral("1"));
        // The cell lies inside its view and where the body shows the column.
        EXPECT_LE(cellRect.Right, viewRect.Right) << "level " << level;
        const TRect body = g.Grid->GetCellBounds(TKvGridCellIndex(g.Grid.get(), 2, g.Columns[FRegion]));
        EXPECT_EQ(cellRect.Left, body.Left) << "level " << level;
        byLevel[level].push_back(ink(cellRect));
    }
    ASSERT_EQ(byLevel.size(), 2u);
    ASSERT_FALSE(byLevel[2].empty());
    const std::pair<int, int> inner = byLevel[2].front();
    ASSERT_GE(inner.first, 0);
    for (const auto& [level, spans] : byLevel)
        for (const std::pair<int, int>& span : spans)
            EXPECT_EQ(span, inner) << "level " << level;
}
