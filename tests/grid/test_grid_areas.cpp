// Area objects of the grid view: bar texts and states, header, footer and row-group
// summaries, body cells with dynamic styles, and the expression runtimes bound to grid data.
#include "TestSupport.h"

#include "../model/ModelTestSupport.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "model/KvGrids.Model.Proxy.Group.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

namespace {

// A table that counts the sums it is asked for and reports a row state per row.
class TCountingTable : public TKvSimpleDataProvider
{
public:
    using TKvSimpleDataProvider::TKvSimpleDataProvider;
    Variant GetSum(int field) const override
    {
        ++SumCalls;
        return TKvSimpleDataProvider::GetSum(field);
    }
    TKvGridDataRowState GetRowState(int row) const override
    {
        return row < static_cast<int>(States.size()) ? States[row] : RowStateNone;
    }
    mutable int SumCalls = 0;
    std::vector<TKvGridDataRowState> States;
};

struct TAreasFixture : ::testing::Test
{
    TOwned<TCountingTable> Data{Create<TCountingTable>(nullptr)};
    TOwned<TKvGridView> Grid = MakeOwned<TKvGridView>(nullptr);
    TKvGridDataColumn* Name = nullptr;
    TKvGridDataColumn* City = nullptr;
    TKvGridDataColumn* Price = nullptr;

    void SetUp() override
    {
        Data->InsertColumns(0, 4, "Name,City,Price,Cost", "s,s,n,n");
        const std::vector<TKvGridDataRow> rows{{"a", "Paris", 150, 100}, {"b", "Rome", 20, 30},
                                               {"c", "Paris", 5, 1},     {"d", "Paris", 7, 9}};
        // Values go in through SetData so that the table keeps its running sums.
        for (const TKvGridDataRow& row : rows) {
            const int r = Data->GetRowCount();
            Data->InsertRow(r, TKvGridDataRow(row.size()));
            for (int f = 0; f < static_cast<int>(row.size()); ++f)
                Data->SetData(r, f, row[f]);
        }
        Items()->SetDataSource(Data.get());
        Name = Grid->AddDataColumn();
        Name->SetFieldName("Name");
        City = Grid->AddDataColumn();
        City->SetFieldName("City");
        Price = Grid->AddDataColumn();
        Price->SetFieldName("Price");
        Grid->ResetColumnIndicies();
    }
    void TearDown() override
    {
        // The failures a test's cells reported are shown now, not inside the next test.
        DeliverPosted();
        Grid.reset();
        Data.reset();
    }
    TKvDefaultGridItemProvider* Items() const
    {
        return static_cast<TKvDefaultGridItemProvider*>(Grid->GetOwnedItemProvider());
    }
};

TEST_F(TAreasFixture, BarTextsStatesAndClamps)
{
    TKvGridIndicator* indicator = Grid->GetIndicator();
    EXPECT_EQ(indicator->GetStyles()->GetName(), "Indicator Styles");
    EXPECT_EQ(indicator->GetHeadStyles()->GetName(), "Indicator Head Styles");
    EXPECT_EQ(indicator->GetCell(0)->GetDisplayText(), "1");
    EXPECT_EQ(indicator->GetCell(3)->GetDisplayText(), "4");
    EXPECT_EQ(indicator->GetCell(9)->GetDisplayText(), "");
    indicator->SetDisplayValue(IndicatorRow);
    Items()->OrderBy({0}, {SortDescending});
    EXPECT_EQ(indicator->GetCell(0)->GetDisplayText(), "3");
    EXPECT_EQ(indicator->GetCell(3)->GetDisplayText(), "0");

    // The focused normal item reports focused; the others stay normal.
    Grid->SetFocusedIndex(Grid->GetIndex(2, Name), true);
    EXPECT_EQ(indicator->GetCell(2)->GetItemState(), ItemFocused);
    // One reusable cell, refilled.
    auto* first = indicator->GetCell(1);
    EXPECT_EQ(first, indicator->GetCell(2));
    EXPECT_EQ(indicator->GetCell(1)->GetItemState(), ItemNormal);

    Data->States = {RowStateCreated, RowStateUpdated, RowStateDeleted, RowStateNone};
    TKvGridStatesBar* states = Grid->GetStatesBar();
    QStringList marks;
    Items()->OrderBy({}, {});
    for (int i = 0; i < 4; ++i)
        marks << states->GetCell(i)->GetDisplayText();
    EXPECT_EQ(marks, (QStringList{"C", "U", "D", ""}));
    EXPECT_FALSE(states->GetVisible());

    TKvGridCheckBar* check = Grid->GetCheckBar();
    EXPECT_EQ(check->GetMinWidth(), 20);
    EXPECT_EQ(check->GetCell(2)->GetDisplayText(), "2");
    check->SetMinWidth(-5);
    EXPECT_EQ(check->GetMinWidth(), 0);
    indicator->SetWidth(-1);
    EXPECT_EQ(indicator->GetWidth(), 0);
    Grid->GetHeader()->SetMinHeight(-3);
    EXPECT_EQ(Grid->GetHeader()->GetMinHeight(), 0);
    Grid->GetRowGroup()->SetLevelIndent(-4);
    EXPECT_EQ(Grid->GetRowGroup()->GetLevelIndent(), 0);

    check->CheckAll(true);
    EXPECT_TRUE(check->GetAllChecked());
    EXPECT_TRUE(Grid->GetItemProvider()->GetItem(3)->GetChecked());
}

TEST_F(TAreasFixture, InsertingItemKeepsItsStateAndShowsTheColumnError)
{
    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(Items());
    Grid->SetItemSource(editable.get());
    editable->Insert(1, {"new", "Oslo", 1, 1});
    Grid->SetFocusedIndex(Grid->GetIndex(1, Name), true);
    EXPECT_EQ(Grid->GetIndicator()->GetCell(1)->GetItemState(), ItemInserting);
    EXPECT_EQ(Grid->GetIndicator()->GetCell(2)->GetItemState(), ItemNormal);
    // The column's error shows on the item in edit only.
    Price->SetError("too big");
    EXPECT_EQ(Grid->GetBody()->GetCell(Grid->GetIndex(1, Price))->GetError(), "too big");
    EXPECT_EQ(Grid->GetBody()->GetCell(Grid->GetIndex(2, Price))->GetError(), "");
    editable->Cancel();
    EXPECT_EQ(Grid->GetBody()->GetCell(Grid->GetIndex(1, Price))->GetError(), "");
    Grid->SetItemSource(Items());
}

TEST_F(TAreasFixture, HeaderCellsAndGroupStyles)
{
    Price->GetHeader()->SetCaption("Cost €");
    TKvGridHeader::TKvHeaderCell* cell = Grid->GetHeader()->GetCell(TKvGridCellIndex(Price));
    EXPECT_EQ(cell->GetDisplayText(), "Cost €");
    EXPECT_EQ(cell->GetStyles(), Price->GetHeader()->GetStyles());
    EXPECT_EQ(Grid->GetHeader()->GetCell(TKvGridCellIndex(Name))->GetDisplayText(), "Name");
    TKvGridHeader::TKvHeaderCell* none = Grid->GetHeader()->GetCell(TKvGridCellIndex());
    EXPECT_EQ(none->GetStyles(), Grid->GetHeader()->GetGroupStyles());
    EXPECT_EQ(none->GetStyles()->GetParent(), Grid->GetStyles());
}

TEST_F(TAreasFixture, FooterFormatsCaptionsAndSurvivesFailures)
{
    TKvGridFooter* footer = Grid->GetFooter();
    TKvGridColumnFooter* priceFooter = Price->GetFooter();
    priceFooter->SetCaption("Total");
    priceFooter->SetExpression("sum");
    priceFooter->GetStyles()->SetNumberFormat("0.00");
    priceFooter->GetStyles()->SetPrefix("$");
    priceFooter->GetStyles()->SetPostfix(" net");
    auto* cell = footer->GetCell(TKvGridCellIndex(Price));
    EXPECT_EQ(cell->GetStyles()->GetParent(), priceFooter->GetStyles());
    EXPECT_EQ(cell->GetValue().ToDouble(), 182.0);
    EXPECT_EQ(cell->GetDisplayText(), "$182.00 net");

    // Without a format the value's text; an empty summary shows the caption.
    priceFooter->GetStyles()->ClearValue(NUMBER_FORMAT);
    priceFooter->GetStyles()->ClearValue(PREFIX_STYLE);
    priceFooter->GetStyles()->ClearValue(POSTFIX_STYLE);
    EXPECT_EQ(footer->GetCell(TKvGridCellIndex(Price))->GetDisplayText(), "182");
    // A text field has no sum.
    City->GetFooter()->SetCaption("Cities");
    City->GetFooter()->SetExpression("sum");
    EXPECT_TRUE(footer->GetCell(TKvGridCellIndex(City))->GetValue().IsClear());
    EXPECT_EQ(footer->GetCell(TKvGridCellIndex(City))->GetDisplayText(), "Cities");

    // A summary that fails to evaluate shows nothing and raises nothing.
    priceFooter->SetExpression("value + 1");
    EXPECT_NO_THROW(EXPECT_EQ(footer->GetCell(TKvGridCellIndex(Price))->GetDisplayText(), ""));
    EXPECT_TRUE(footer->GetCell(TKvGridCellIndex(Price))->GetValue().IsClear());

    // A column without an expression shows its caption; in the designer the expression.
    Name->GetFooter()->SetCaption("Names");
    EXPECT_EQ(footer->GetCell(TKvGridCellIndex(Name))->GetDisplayText(), "Names");
    Grid->SetDesigning(true);
    priceFooter->SetExpression("sum");
    EXPECT_EQ(footer->GetCell(TKvGridCellIndex(Price))->GetDisplayText(), "sum");
    EXPECT_TRUE(footer->GetCell(TKvGridCellIndex(Price))->GetValue().IsClear());
}

TEST_F(TAreasFixture, SummariesAreComputedOncePerDataChange)
{
    Price->GetFooter()->SetExpression("sum / row");
    TKvGridFooter* footer = Grid->GetFooter();
    EXPECT_EQ(footer->GetCell(TKvGridCellIndex(Price))->GetValue().ToDouble(), 45.5);
    const int calls = Data->SumCalls;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(footer->GetCell(TKvGridCellIndex(Price))->GetDisplayText(), "45.5");
    EXPECT_EQ(Data->SumCalls, calls);

    Data->SetData(1, 2, Variant(22));
    EXPECT_EQ(footer->GetCell(TKvGridCellIndex(Price))->GetValue().ToDouble(), 46.0);
    EXPECT_EQ(Data->SumCalls, calls + 1);

    // A column change and a new item source drop the cache too.
    Price->GetFooter()->SetExpression("sum");
    EXPECT_EQ(footer->GetCell(TKvGridCellIndex(Price))->GetValue().ToDouble(), 184.0);
    TOwned<TKvDefaultGridItemProvider> other = MakeOwned<TKvDefaultGridItemProvider>();
    Grid->SetItemSource(other.get());
    EXPECT_EQ(footer->GetSummaryCount(), 0);
    EXPECT_EQ(footer->GetCell(TKvGridCellIndex(Price))->GetDisplayText(), "");
    Grid->SetItemSource(Items());
}

TEST_F(TAreasFixture, RowGroupHeaderCaptionFooterSummaryAndLevels)
{
    // The grouped provider groups runs of equal keys: the source is sorted by the key.
    Items()->OrderBy({1}, {});
    TOwned<TKvGridGroupedItemProvider> grouped = MakeOwned<TKvGridGroupedItemProvider>(Items());
    grouped->SetExpandWhenGrouping(true);
    grouped->SetExpandedStyle(ExpandedBoth);
    Grid->SetItemSource(grouped.get());
    grouped->GroupBy({1});
    TKvGridRowGroup* rowGroup = Grid->GetRowGroup();
    TKvGridRowGroupLevel* level = rowGroup->GetLevels()->Add();
    EXPECT_EQ(rowGroup->GetLevel(0), level);
    EXPECT_EQ(rowGroup->GetLevel(1), nullptr);

    int header = -1;
    int footer = -1;
    for (int i = 0; i < grouped->GetItemCount(); ++i) {
        auto* group = dynamic_cast<TKvGridGroupItem*>(grouped->GetItem(i));
        if (group && group->GetFirstItem()->GetData(1).ToString() == "Paris" && header < 0)
            header = i;
        if (header >= 0 && footer < 0 && dynamic_cast<TKvGridGroupFooter*>(grouped->GetItem(i)))
            footer = i;
    }
    ASSERT_GE(header, 0);
    ASSERT_GT(footer, header);
    auto* headerCell = rowGroup->GetHeaderCell(header);
    EXPECT_EQ(headerCell->GetDisplayText(), "City : Paris - 3 rows");
    EXPECT_EQ(headerCell->GetStyles()->GetParent(), level->GetStyles());
    // The cell runtime on a group header reads the group item: no data row.
    TKvDataCellExpressionRuntime* cellRuntime = Grid->GetDataCellRuntime();
    cellRuntime->SetCell(headerCell);
    EXPECT_EQ(TKvExpressionParser::Parse("datarow")->Evaluate(cellRuntime).ToInt(), -1);
    grouped->CheckItem(header, true);
    EXPECT_TRUE(TKvExpressionParser::Parse("checked")->Evaluate(cellRuntime).IsTrue());
    // A group item shows no row number.
    Grid->GetIndicator()->SetDisplayValue(IndicatorRow);
    EXPECT_EQ(Grid->GetIndicator()->GetCell(header)->GetDisplayText(), "");

    // A column bound to data index 0 and one to Price show their group summaries.
    Name->GetFooter()->SetGroupExpression("row");
    Price->GetFooter()->SetGroupExpression("sum");
    Price->GetFooter()->SetGroupCaption("none");
    Price->GetFooter()->GetStyles()->SetPrefix("= ");
    auto* nameCell = rowGroup->GetFooterCell(Grid->GetIndex(footer, Name));
    EXPECT_EQ(nameCell->GetDisplayText(), "3");
    auto* priceCell = rowGroup->GetFooterCell(Grid->GetIndex(footer, Price));
    EXPECT_EQ(priceCell, nameCell);
    EXPECT_EQ(priceCell->GetDisplayText(), "= 162");
    EXPECT_EQ(priceCell->GetStyles()->GetParent(), level->GetFooterStyles());
    EXPECT_EQ(priceCell->GetStyles()->GetPrefix(), "= ");
    EXPECT_EQ(rowGroup->GetFooterCell(Grid->GetIndex(footer, City))->GetDisplayText(), "");
    Price->GetFooter()->SetGroupExpression("nosuch");
    EXPECT_EQ(rowGroup->GetFooterCell(Grid->GetIndex(footer, Price))->GetDisplayText(), "");
    Grid->SetItemSource(Items());
}

TEST_F(TAreasFixture, BodyCellsApplyDynamicStylesAndSwallowFailures)
{
    TKvGridBody* body = Grid->GetBody();
    auto* plain = body->GetCell(Grid->GetIndex(0, Price));
    EXPECT_EQ(plain->GetStyles(), Price->GetStyles());
    EXPECT_EQ(plain->GetDisplayText(), "150");
    EXPECT_EQ(plain, body->GetCell(Grid->GetIndex(1, Name)));
    EXPECT_EQ(plain->GetDisplayText(), "b");

    Price->GetDynamicStyles()->Add("value > 100", "PaddingTop=7");
    body->GetDynamicStyles()->Add("value['Price'] > value['Cost']", "PaddingLeft=3");
    auto* cell = body->GetCell(Grid->GetIndex(0, Price));
    EXPECT_EQ(cell->GetStyles(), body->GetRuntimeStyles());
    EXPECT_EQ(cell->GetStyles()->GetParent(), Price->GetStyles());
    EXPECT_EQ(cell->GetStyles()->GetPaddingTop(), 7);
    EXPECT_EQ(cell->GetStyles()->GetPaddingLeft(), 3);
    cell = body->GetCell(Grid->GetIndex(1, Price));
    EXPECT_FALSE(cell->GetStyles()->HasValue(PADDING_TOP));
    EXPECT_FALSE(cell->GetStyles()->HasValue(PADDING_LEFT));

    // A condition that cannot be evaluated leaves what was applied before it.
    Price->GetDynamicStyles()->Add("nosuch > 1", "PaddingRight=9");
    EXPECT_NO_THROW(cell = body->GetCell(Grid->GetIndex(0, Price)));
    EXPECT_EQ(cell->GetStyles()->GetPaddingTop(), 7);
    EXPECT_FALSE(cell->GetStyles()->HasValue(PADDING_RIGHT));

    // Lookup labels and group cells.
    City->SetLookupValues({"Paris"});
    City->SetLookupLabels({"City of light"});
    City->SetLookupDisplay(true);
    EXPECT_EQ(body->GetCell(Grid->GetIndex(0, City))->GetDisplayText(), "City of light");
    EXPECT_EQ(body->GetCell(Grid->GetIndex(1, City))->GetDisplayText(), "Rome");
    TKvGridColumnGroup* group = Grid->AddColumnGroup();
    TKvGridCell* groupCell = body->GetCell(Grid->GetIndex(0, group));
    EXPECT_EQ(groupCell->GetStyles(), group->GetStyles());
    EXPECT_TRUE(groupCell->GetValue().IsClear());
}

TEST_F(TAreasFixture, RuntimeIdentifiersAndIndexers)
{
    const auto eval = [](const QString& text, TKvExpressionRuntime* runtime) {
        return TKvExpressionParser::Parse(text)->Evaluate(runtime);
    };
    TKvDataCellExpressionRuntime* cellRuntime = Grid->GetDataCellRuntime();
    cellRuntime->SetCell(Grid->GetBody()->GetCell(Grid->GetIndex(2, Price)));
    EXPECT_TRUE(eval("value < 10", cellRuntime).IsTrue());
    EXPECT_EQ(eval("row", cellRuntime).ToInt(), 2);
    EXPECT_EQ(eval("datarow", cellRuntime).ToInt(), 2);
    EXPECT_EQ(eval("index", cellRuntime).ToInt(), 2);
    EXPECT_EQ(eval("column", cellRuntime).ToInt(), 2);
    EXPECT_EQ(eval("len", cellRuntime).ToInt(), 1);
    EXPECT_FALSE(eval("checked", cellRuntime).IsTrue());
    EXPECT_EQ(eval("value[1]", cellRuntime).ToString(), "Paris");
    EXPECT_EQ(eval("value['cost']", cellRuntime).ToInt(), 1);
    EXPECT_TRUE(eval("value['nosuch']", cellRuntime).IsClear());
    KV_EXPECT_THROW_MSG(eval("row[1]", cellRuntime), Exception, "Invalid identifier indexer: row");
    KV_EXPECT_THROW_MSG(eval("total", cellRuntime), TKvSyntaxError, "Token is a not valid Identifier: total");
    // An empty cell has length 0.
    Data->SetData(0, 0, Variant());
    cellRuntime->SetCell(Grid->GetBody()->GetCell(Grid->GetIndex(0, Name)));
    EXPECT_TRUE(eval("len = 0", cellRuntime).IsTrue());

    // Row runtimes: without an item, "checked", "datarow" and values are unassigned.
    TKvDataRowExpressionRuntime* rowRuntime = Grid->GetDataRowRuntime();
    EXPECT_TRUE(eval("datarow", rowRuntime).IsClear());
    EXPECT_TRUE(eval("checked", rowRuntime).IsClear());
    EXPECT_TRUE(eval("value[0]", rowRuntime).IsClear());
    try {
        rowRuntime->SetItem(0, nullptr);
        ADD_FAILURE() << "a nil item passed";
    } catch (const EAssertionFailed& e) {
        EXPECT_TRUE(e.Message().startsWith("item is nil"));
    }
    rowRuntime->SetItem(1, Grid->GetItemProvider()->GetItem(1));
    EXPECT_EQ(eval("row", rowRuntime).ToInt(), 1);
    EXPECT_FALSE(eval("value['Price'] > value['Cost']", rowRuntime).IsTrue());
    KV_EXPECT_THROW_MSG(eval("value", rowRuntime), Exception, "Invalid identifier key: value");
    TKvDataRowValidationRuntime* rowValidation = Grid->GetRowValidationRuntime();
    rowValidation->SetItem(-1, nullptr);
    EXPECT_TRUE(eval("checked", rowValidation).IsClear());

    // Summaries over all rows, and without a data source.
    TKvColumnSummaryRuntime* summary = Grid->GetColumnSummaryRuntime();
    summary->SetColumn(Price, Data.get());
    EXPECT_EQ(eval("sum / row", summary).ToDouble(), 45.5);
    summary->SetColumn(Price, nullptr);
    EXPECT_TRUE(eval("sum", summary).IsClear());
    EXPECT_EQ(eval("row", summary).ToInt(), 0);

    // Cell validation caches the value at the index.
    TKvDataCellValidationRuntime* validation = Grid->GetColumnValidationRuntime();
    validation->SetIndex(Grid->GetIndex(1, City));
    EXPECT_EQ(eval("value", validation).ToString(), "Rome");
    EXPECT_EQ(eval("len", validation).ToInt(), 4);
    EXPECT_EQ(eval("datarow", validation).ToInt(), 1);
    EXPECT_EQ(eval("value[2]", validation).ToInt(), 20);
    validation->SetIndex(Grid->GetIndex(7, City));
    EXPECT_TRUE(eval("datarow", validation).IsClear());
}

} // namespace
