// Filtering at the fixed-row edge: fixed rows counted after filtering, and a row just below
// them filtered again after an update.
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "TestSupport.h"
#include "test_proxy_support.h"

using namespace kv;
using namespace kvtest;

namespace {

struct TFilterEdges : ::testing::Test
{
    TOwned<TKvSimpleDataProvider> Data = MakeTable(
        "Name,Value", "s,n", {{"a", 11}, {"b", 5}, {"c", 30}, {"d", 20}, {"e", 0}, {"f", 15}});
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridFilteredItemProvider> Filtered;

    void SetUp() override
    {
        Default->SetDataSource(Data.get());
        Filtered = MakeOwned<TKvGridFilteredItemProvider>(Default.get());
    }
    void TearDown() override
    {
        Filtered.reset();
        Default.reset();
    }
    QStringList Names() const { return Texts(*Filtered, 0); }
};

} // namespace

// With the fixed rows filtered too, only the fixed rows that pass stay fixed, and never more
// fixed rows than items.
TEST_F(TFilterEdges, FixedRowsCountedAfterFiltering)
{
    Filtered->SetFixed(2, false, true);
    Filtered->AddFilter(1, "value > 12");
    EXPECT_EQ(Names(), QStringList({"c", "d", "f"}));
    EXPECT_EQ(Filtered->GetFixedCount(), 0);
    Filtered->ClearAllFilters();
    Filtered->AddFilter(1, "value > 10");
    EXPECT_EQ(Names(), QStringList({"a", "c", "d", "f"}));
    EXPECT_EQ(Filtered->GetFixedCount(), 1);
    Filtered->ClearAllFilters();
    Filtered->AddFilter(1, "value > 100");
    EXPECT_EQ(Filtered->GetItemCount(), 0);
    EXPECT_EQ(Filtered->GetFixedCount(), 0);
    // Fixed rows exempt from filtering: both stay fixed above what passes.
    Filtered->SetFixed(2, false, false);
    EXPECT_EQ(Names(), QStringList({"a", "b"}));
    EXPECT_EQ(Filtered->GetFixedCount(), 2);
    Filtered->ClearAllFilters();
    EXPECT_EQ(Filtered->GetFixedCount(), 2);
}

// The first row below the fixed ones, updated so that it fails and then passes again.
TEST_F(TFilterEdges, UpdateToTheFirstRowBelowTheFixedRows)
{
    Filtered->SetFixed(2, false, false);
    Filtered->AddFilter(1, "value > 12");
    ASSERT_EQ(Names(), QStringList({"a", "b", "c", "d", "f"}));
    Data->SetData(2, 1, Variant(1));
    EXPECT_EQ(Names(), QStringList({"a", "b", "d", "f"}));
    Data->SetData(2, 1, Variant(13));
    EXPECT_EQ(Names(), QStringList({"a", "b", "c", "d", "f"}));
    // A fixed row updated to fail stays: fixed rows are exempt.
    Data->SetData(1, 1, Variant(-7));
    EXPECT_EQ(Names(), QStringList({"a", "b", "c", "d", "f"}));
    EXPECT_EQ(Filtered->GetFixedCount(), 2);
}
