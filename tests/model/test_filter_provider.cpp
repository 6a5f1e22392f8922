// The column-filter runtime, column filters and the filtered item provider.
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "TestSupport.h"
#include "test_proxy_support.h"

using namespace kv;
using namespace kvtest;

namespace {

struct TFilterFixture : ::testing::Test
{
    // Name, Value (numeric), Tag.
    TOwned<TKvSimpleDataProvider> Data = MakeTable(
        "Name,Value,Tag", "s,n,s",
        {{"a", 11, "x"}, {"b", 5, "y"}, {"c", -1, "x"}, {"d", 20, "y"}, {"e", 0, "x"}, {"f", 15, "x"}});
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridFilteredItemProvider> Filtered;
    TRecorder Recorder;

    void SetUp() override
    {
        Default->SetDataSource(Data.get());
        Filtered = MakeOwned<TKvGridFilteredItemProvider>(Default.get());
        Filtered->AddListener(&Recorder);
    }
    void TearDown() override
    {
        Filtered.reset();
        Default.reset();
    }
    QStringList Names() const { return Texts(*Filtered, 0); }
};

} // namespace

TEST(ColumnFilterRuntime, IdentifiersReadTheCell)
{
    auto data = MakeTable("Name,Value", "s,n", {{"hello", 7}, {Variant(), 3}});
    TKvColumnFilterExpressionRuntime rt;
    int key = -1;
    for (const auto& [name, expected] : std::vector<std::pair<QString, int>>{
             {"value", 0}, {"LEN", 1}, {"max", 2}, {"Min", 3}, {"mean", 4}}) {
        EXPECT_TRUE(rt.IsIdentifier(name, key, false)) << name.toStdString();
        EXPECT_EQ(key, expected);
    }
    rt.SetData(data.get(), 0, 0);
    EXPECT_EQ(rt.EvaluateIdent(0), Variant("hello"));
    EXPECT_EQ(rt.EvaluateIdent(1), Variant(5));
    EXPECT_EQ(rt.EvaluateIdent(2), Variant(0));
    EXPECT_EQ(rt.EvaluateIdent(4), Variant(0));
    rt.SetData(data.get(), 1, 0);
    EXPECT_EQ(TKvExpressionParser::Parse("len = 0")->Evaluate(&rt), Variant(true));
    rt.SetData(data.get(), 0, 1);
    EXPECT_EQ(TKvExpressionParser::Parse("Value * 2 > 10")->Evaluate(&rt), Variant(true));
    KV_EXPECT_THROW_MSG(rt.EvaluateIdent(9), Exception, "Invalid identifier key: 9");
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("value[1]")->Evaluate(&rt), Exception,
                        "Invalid identifier indexer: value");
    KV_EXPECT_THROW_MSG(TKvExpressionParser::Parse("price > 1")->Evaluate(&rt), TKvSyntaxError,
                        "Token is a not valid Identifier: price");

    TKvColumnFilter blank("   ");
    EXPECT_EQ(blank.GetExprTree(), nullptr);
    EXPECT_FALSE(blank.Select(&rt, data.get(), 0, 1));
    TKvColumnFilter positive("value > 5");
    EXPECT_TRUE(positive.Select(&rt, data.get(), 0, 1));
    EXPECT_FALSE(positive.Select(&rt, data.get(), 1, 1));
    EXPECT_THROW(TKvColumnFilter("value >"), TKvSyntaxError);
}

TEST_F(TFilterFixture, OrWithinAFieldAndAcrossFields)
{
    EXPECT_FALSE(Filtered->GetFiltered());
    EXPECT_EQ(Filtered->GetItemCount(), 6);

    TKvColumnFilter* big = Filtered->AddFilter(1, "value > 10");
    EXPECT_TRUE(Filtered->GetFiltered());
    EXPECT_EQ(Names(), QStringList({"a", "d", "f"}));
    Filtered->AddFilter(1, "value < 0");
    EXPECT_EQ(Names(), QStringList({"a", "c", "d", "f"}));
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh", "refresh"}));

    // Another field narrows: both fields must hold.
    Filtered->AddFilter(2, "value = 'x'");
    EXPECT_EQ(Names(), QStringList({"a", "c", "f"}));
    EXPECT_EQ(DataRows(*Filtered), (std::vector<int>{0, 2, 5}));
    EXPECT_TRUE(Filtered->HasFilter(2));
    EXPECT_FALSE(Filtered->HasFilter(0));
    EXPECT_EQ(Filtered->ItemOfData(5), 2);
    EXPECT_EQ(Filtered->ItemOfData(1), -1);
    EXPECT_EQ(Filtered->GetItem(1), Default->GetItem(2));
    EXPECT_THROW(Filtered->GetItem(3), EListError);

    Filtered->RemoveFilter(1, big);
    EXPECT_EQ(Names(), QStringList({"c"}));
    Filtered->ClearFilters(1);
    EXPECT_EQ(Names(), QStringList({"a", "c", "e", "f"}));
    EXPECT_FALSE(Filtered->HasFilter(1));
    // Removing the last filter makes every item visible and filtering inactive.
    Filtered->ClearFilters(2);
    EXPECT_FALSE(Filtered->GetFiltered());
    EXPECT_EQ(Filtered->GetItemCount(), 6);
    EXPECT_EQ(Filtered->ItemOfData(4), 4);
    Filtered->AddFilter(0, "len = 1");
    Filtered->ClearAllFilters();
    EXPECT_FALSE(Filtered->GetFiltered());
    EXPECT_EQ(Filtered->GetItemCount(), 6);
}

TEST_F(TFilterFixture, BadTextsFailingRowsAndBlankFilters)
{
    // A filter that does not parse is not stored: nothing is hidden by an empty list.
    KV_EXPECT_THROW_MSG(Filtered->AddFilter(1, "value > (1"), TKvSyntaxError,
                        "Token Is not expected token kind: TokenRoundClose");
    EXPECT_THROW(Filtered->AddFilter(1, "value >"), TKvSyntaxError);
    EXPECT_FALSE(Filtered->HasFilter(1));
    EXPECT_FALSE(Filtered->GetFiltered());
    EXPECT_EQ(Filtered->GetItemCount(), 6);
    EXPECT_TRUE(Recorder.Take().isEmpty());

    // Rows where the expression fails do not pass; the others are all listed.
    Data->SetData(3, 1, "n/a");
    Filtered->AddFilter(1, "value - 1 >= 0");
    EXPECT_EQ(Names(), QStringList({"a", "b", "f"}));
    Filtered->ClearAllFilters();
    Filtered->AddFilter(1, "10 div value > 1");
    EXPECT_EQ(Names(), QStringList({"b"}));

    // A blank text selects nothing.
    Filtered->ClearAllFilters();
    Filtered->AddFilter(0, "  ");
    EXPECT_TRUE(Filtered->GetFiltered());
    EXPECT_EQ(Filtered->GetItemCount(), 0);
    Default->SetFixed(2, false, false);
    Filtered->SetFixed(2, false, false);
    EXPECT_EQ(Names(), QStringList({"a", "b"}));
}

TEST_F(TFilterFixture, FixedItemsAndDeferredApplication)
{
    Filtered->SetFixed(2, false, false);
    EXPECT_EQ(Default->GetFixedCount(), 2);
    Filtered->AddFilter(1, "value > 12");
    EXPECT_EQ(Names(), QStringList({"a", "b", "d", "f"}));
    Recorder.Take();
    Filtered->SetFixed(2, false, true);
    EXPECT_TRUE(Filtered->GetFixedFiltering());
    EXPECT_EQ(Names(), QStringList({"d", "f"}));
    EXPECT_FALSE(Recorder.Take().isEmpty());
    Filtered->ClearAllFilters();
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));

    Filtered->BeginUpdate();
    Filtered->AddFilter(1, "value > 12");
    Filtered->AddFilter(0, "value <> 'f'");
    EXPECT_FALSE(Filtered->GetFiltered());
    EXPECT_EQ(Filtered->GetItemCount(), 6);
    Filtered->ClearFilters(1); // not filtering yet: nothing happens
    Filtered->ClearAllFilters();
    EXPECT_TRUE(Filtered->HasFilter(1));
    Filtered->EndUpdate(false);
    EXPECT_FALSE(Filtered->GetFiltered());
    EXPECT_TRUE(Recorder.Take().isEmpty());
    Filtered->ApplyFilters(true);
    EXPECT_EQ(Names(), QStringList({"d"}));
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));
    Filtered->BeginUpdate();
    Filtered->BeginUpdate();
    Filtered->EndUpdate(true);
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));
    Filtered->EndUpdate(true); // a flag: the second end does nothing
    EXPECT_TRUE(Recorder.Take().isEmpty());
}

TEST_F(TFilterFixture, NotificationsCarryThisProvidersIndex)
{
    // Not filtering: the source's notifications pass with their index.
    Data->InsertRow(1, {"g", 30, "x"});
    Data->SetData(2, 1, 6);
    Data->RemoveRow(1);
    EXPECT_EQ(Recorder.Take(), QStringList({"inserted 1", "updated 2", "deleted 1"}));

    Filtered->AddFilter(1, "value > 10"); // a, d, f at 0, 3, 5
    Recorder.Take();
    Data->SetData(3, 1, 21);
    EXPECT_EQ(Recorder.Take(), QStringList({"updated 1"}));
    Data->SetData(5, 2, "z");
    EXPECT_EQ(Recorder.Take(), QStringList({"updated 2"}));
    Filtered->CheckItem(2, true);
    EXPECT_EQ(Recorder.Take(), QStringList({"checked 2"}));
    Filtered->ResetItemsChecked(2, false); // the source checks its items by text: "x" is not a Boolean
    Default->CheckItem(3, true);
    EXPECT_EQ(Recorder.Take().last(), "checked 1");
    Default->CheckItem(1, true); // a hidden item: no single index
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));

    // A change that makes a row pass or fail rebuilds the list.
    Data->SetData(1, 1, 50);
    EXPECT_EQ(Names(), QStringList({"a", "b", "d", "f"}));
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));
    Data->SetData(0, 1, 1);
    EXPECT_EQ(Names(), QStringList({"b", "d", "f"}));
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh"}));

    // Inserts and removals while filtering repopulate.
    Data->InsertRow(0, {"h", 99, "x"});
    EXPECT_EQ(Names(), QStringList({"h", "b", "d", "f"}));
    Data->RemoveRow(2);
    EXPECT_EQ(Names(), QStringList({"h", "d", "f"}));
    EXPECT_EQ(Recorder.Take(), QStringList({"refresh", "refresh"}));
    Data->ClearRows();
    EXPECT_EQ(Filtered->GetItemCount(), 0);
    EXPECT_EQ(Recorder.Take(), QStringList({"reset"}));
}

TEST_F(TFilterFixture, SourceChangesAndForwarding)
{
    Filtered->AddFilter(1, "value >= 11");
    EXPECT_EQ(Filtered->GetRowCount(), 6);
    EXPECT_EQ(Filtered->GetDataSource(), Data.get());
    Filtered->SetMaxItemCount(3);
    EXPECT_EQ(Default->GetItemCount(), 3);
    EXPECT_EQ(Names(), QStringList({"a"}));
    Filtered->SetMaxItemCount(0);
    EXPECT_EQ(Names(), QStringList({"a", "d", "f"}));
    Filtered->SetSource(nullptr);
    EXPECT_EQ(Filtered->GetItemCount(), 0);
    EXPECT_EQ(Filtered->GetDataSource(), nullptr);
    Data->SetData(0, 1, 12); // no longer heard
    Filtered->SetSource(Default.get());
    EXPECT_EQ(Names(), QStringList({"a", "d", "f"}));
    EXPECT_THROW(Filtered->Exchange(0, 1), EAbstractError);
}

TEST(FilteredProvider, ResultsPerDistinctValueMatchEvaluatingEveryRow)
{
    // Many distinct integers (past what a pass remembers), repeated texts, and cells on which
    // the expression fails: a pass must select exactly what evaluating each row selects.
    auto data = MakeTable("Value,Mixed", "n,s", {});
    for (int i = 0; i < 12000; ++i)
        data->InsertRow(i, {i % 9000, i % 5 == 0 ? Variant(QStringLiteral("text")) : Variant(i % 11)});
    TOwned<TKvDefaultGridItemProvider> sourceOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& source = *sourceOwner;
    source.SetDataSource(data.get());
    auto filtered = MakeOwned<TKvGridFilteredItemProvider>(&source);
    filtered->AddFilter(0, QStringLiteral("value mod 3 = 0"));
    filtered->AddFilter(1, QStringLiteral("value - 1 > 4"));

    TKvColumnFilter byValue(QStringLiteral("value mod 3 = 0"));
    TKvColumnFilter byMixed(QStringLiteral("value - 1 > 4"));
    TKvColumnFilterExpressionRuntime runtime;
    std::vector<int> expected;
    for (int row = 0; row < data->GetRowCount(); ++row) {
        bool mixed = false;
        try {
            mixed = byMixed.Select(&runtime, data.get(), row, 1);
        } catch (const Exception&) {
            mixed = false;
        }
        if (byValue.Select(&runtime, data.get(), row, 0) && mixed)
            expected.push_back(row);
    }
    ASSERT_FALSE(expected.empty());
    std::vector<int> rows;
    for (int i = 0; i < filtered->GetItemCount(); ++i)
        rows.push_back(filtered->GetItem(i)->GetDataRow());
    EXPECT_EQ(rows, expected);

    // A later change of a cell is seen: nothing is remembered between passes.
    const int passing = expected.front();
    ASSERT_GE(filtered->ItemOfData(passing), 0);
    data->SetData(passing, 0, 1);
    filtered->ApplyFilters(true);
    EXPECT_EQ(filtered->ItemOfData(passing), -1);
}
