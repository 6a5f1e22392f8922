// Grouping a sorted mixed column against a plain reference: runs of values that the total
// variant order finds equal, with their row counts and sums.
#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Group.h"

#include <cmath>
#include <random>

using namespace kv;
using namespace kvtest;

TEST(GroupReference, RunsOfEqualValuesWithTheirSums)
{
    std::mt19937 rng(31);
    auto data = MakeTable("A,B", "s,n", {});
    for (int i = 0; i < 4000; ++i) {
        const unsigned r = rng() % 12;
        const Variant a = r == 0 ? Variant::Null()
                          : r == 1 ? Variant()
                          : r == 2 ? Variant(false)
                          : r < 6  ? Variant(static_cast<int>(rng() % 4))
                          : r < 8  ? Variant((rng() % 8) / 2.0)
                          : r < 10 ? Variant(QString::number(rng() % 4))
                                   : Variant(QStringLiteral("k%1").arg(rng() % 30));
        data->InsertRow(i, {a, static_cast<int>(rng() % 100)});
    }
    TOwned<TKvDefaultGridItemProvider> sourceOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& source = *sourceOwner;
    source.SetDataSource(data.get());
    source.OrderBy({0}, {}, false);
    auto grouped = MakeOwned<TKvGridGroupedItemProvider>(&source);
    grouped->GroupBy({0});

    struct TRun
    {
        Variant Key;
        int Count = 0;
        double Sum = 0;
    };
    std::vector<TRun> expected;
    for (int i = 0; i < source.GetItemCount(); ++i) {
        const int row = source.GetItem(i)->GetDataRow();
        const Variant a = data->GetData(row, 0);
        if (expected.empty() || VarCompareTotal(expected.back().Key, a) != 0)
            expected.push_back({a});
        ++expected.back().Count;
        expected.back().Sum += static_cast<double>(data->GetData(row, 1).AsInt());
    }
    TKvGridGroupItemImpl* root = grouped->GetRootItem();
    ASSERT_EQ(root->GetCount(), static_cast<int>(expected.size()));
    ASSERT_GT(expected.size(), 30u);
    for (int g = 0; g < root->GetCount(); ++g) {
        auto* group = static_cast<TKvGridGroupItemImpl*>(root->GetItem(g));
        const TRun& run = expected[size_t(g)];
        EXPECT_EQ(group->GetKey(), run.Key) << g;
        EXPECT_EQ(group->GetDescendantCount(), run.Count) << g;
        EXPECT_DOUBLE_EQ(group->GetSum(1), run.Sum) << g;
        EXPECT_DOUBLE_EQ(group->GetMean(1), run.Sum / run.Count) << g;
    }
}
