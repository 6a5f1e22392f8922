// Grouping a sorted mixed column against a plain reference: runs of values that the total
// variant order finds equal, with their row counts and sums; groups of texts in their own
// strings against hashing each key to its group.
#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Group.h"

#include <cmath>
#include <random>
#include <unordered_map>

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

namespace {

// The visible list a plain recursive walk gives for one group under the styles.
void ReferenceWalk(TKvGridGroupItemImpl* group, TKvGridGroupExpandedStyle expanded, TKvGridGroupCollapsedStyle collapsed,
                   std::vector<TKvGridItem*>& out)
{
    TKvGridItem* footer = group->GetFooter();
    if (!group->GetExpanded()) {
        if (collapsed == CollapsedFooter)
            out.push_back(footer ? footer : group);
        else
            out.push_back(group);
        if (collapsed == CollapsedBoth && footer)
            out.push_back(footer);
        return;
    }
    out.push_back(expanded == ExpandedFooter && footer ? footer : group);
    for (int i = 0; i < group->GetCount(); ++i) {
        TKvGridItem* child = group->GetItem(i);
        if (child == footer)
            continue;
        if (child->GetProvider() == group->GetProvider())
            ReferenceWalk(static_cast<TKvGridGroupItemImpl*>(child), expanded, collapsed, out);
        else
            out.push_back(child);
    }
    if (expanded == ExpandedBoth && footer)
        out.push_back(footer);
}

} // namespace

TEST(GroupReference, VisibleRowsAndGroupPositionsMatchAPlainWalk)
{
    std::mt19937 rng(43);
    auto data = MakeTable("A,B,C", "s,n,n", {});
    for (int i = 0; i < 3000; ++i)
        data->InsertRow(i, {QStringLiteral("k%1").arg(rng() % 25), static_cast<int>(rng() % 4), static_cast<int>(rng() % 100)});
    TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
    source->SetDataSource(data.get());
    source->OrderBy({0, 1}, {}, false);
    auto grouped = MakeOwned<TKvGridGroupedItemProvider>(source.get());
    for (int trial = 0; trial < 12; ++trial) {
        const auto expanded = static_cast<TKvGridGroupExpandedStyle>(rng() % 3);
        const auto collapsed = static_cast<TKvGridGroupCollapsedStyle>(rng() % 3);
        grouped->SetExpandedStyle(expanded);
        grouped->SetCollapsedStyle(collapsed);
        grouped->SetExpandWhenGrouping(rng() % 2 == 0);
        grouped->GroupBy(trial % 3 == 0 ? TKvIntegerArray{0} : TKvIntegerArray{0, 1});
        TKvGridGroupItemImpl* root = grouped->GetRootItem();
        // Some groups toggled, some of them with their subgroups.
        for (int k = 0; k < 10; ++k) {
            auto* group = static_cast<TKvGridGroupItemImpl*>(root->GetItem(static_cast<int>(rng() % static_cast<unsigned>(root->GetCount()))));
            if (group->GetExpanded())
                grouped->Collapse(group);
            else
                grouped->Expand(group, rng() % 2 == 0);
        }
        std::vector<TKvGridItem*> expected;
        for (int g = 0; g < root->GetCount(); ++g)
            ReferenceWalk(static_cast<TKvGridGroupItemImpl*>(root->GetItem(g)), expanded, collapsed, expected);
        ASSERT_EQ(grouped->GetItemCount(), static_cast<int>(expected.size())) << "trial " << trial;
        for (int i = 0; i < grouped->GetItemCount(); ++i) {
            TKvGridItem* item = grouped->GetItem(i);
            ASSERT_EQ(item, expected[size_t(i)]) << "trial " << trial << " item " << i;
            // A listed group, or the footer that stands for it, knows its position.
            if (auto* group = dynamic_cast<TKvGridGroupItemImpl*>(item)) {
                ASSERT_EQ(group->GetVIndex(), i);
            } else if (auto* footer = dynamic_cast<TKvGridGroupFooterImpl*>(item); footer && footer->GetExpandable()) {
                ASSERT_EQ(footer->GetGroup()->GetVIndex(), i);
            }
        }
    }
}

TEST(GroupReference, OwnTextGroupsWithTheirRowsSumsAndMeansMatchAHashedReference)
{
    std::mt19937 rng(47);
    static const char16_t* const kWords[] = {u"north", u"North", u"NORTH", u"süd", u"Süd", u"\U0001F600", u"", u"ost"};
    auto data = MakeTable("K,V", "s,n", {});
    const int rows = 6000;
    for (int i = 0; i < rows; ++i) {
        const QString word = QString::fromUtf16(kWords[rng() % 8]) + QString::number(rng() % 60);
        const unsigned r = rng() % 20;
        const Variant key = r == 0 ? Variant::Null() : Variant(QString(word.constData(), word.size()));
        const Variant value = r == 1 ? Variant::Null() : r < 8 ? Variant((static_cast<int>(rng() % 400) - 200) / 8.0)
                                                               : Variant(static_cast<int>(rng() % 1000));
        data->InsertRow(i, {key, value});
    }
    for (const TKvGridSortDirection direction : {SortAscending, SortDescending}) {
        TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
        source->SetDataSource(data.get());
        source->OrderBy({0}, {direction}, false);
        auto grouped = MakeOwned<TKvGridGroupedItemProvider>(source.get());
        grouped->GroupBy({0});

        // The reference: each key hashed to its group with the rows in data order, the groups
        // ordered by the total variant order, a sum and a mean of the values that are numbers.
        struct TGroup
        {
            Variant Key;
            std::vector<int> Rows;
            double Sum = 0;
        };
        std::unordered_map<Variant, size_t, TVariantKeyHash, TVariantKeyEqual> index;
        std::vector<TGroup> expected;
        for (int row = 0; row < rows; ++row) {
            const Variant key = data->GetData(row, 0);
            const auto [it, added] = index.emplace(key, expected.size());
            if (added)
                expected.push_back({key, {}, 0});
            TGroup& group = expected[it->second];
            group.Rows.push_back(row);
            const Variant value = data->GetData(row, 1);
            group.Sum += value.IsNull() ? 0.0 : value.ToDouble();
        }
        std::stable_sort(expected.begin(), expected.end(), [&](const TGroup& a, const TGroup& b) {
            const int c = VarCompareTotal(a.Key, b.Key);
            return direction == SortDescending ? c > 0 : c < 0;
        });

        TKvGridGroupItemImpl* root = grouped->GetRootItem();
        ASSERT_EQ(root->GetCount(), static_cast<int>(expected.size()));
        for (int g = 0; g < root->GetCount(); ++g) {
            auto* group = static_cast<TKvGridGroupItemImpl*>(root->GetItem(g));
            const TGroup& want = expected[size_t(g)];
            ASSERT_EQ(group->GetKey(), want.Key) << g;
            std::vector<int> actual;
            for (int i = 0; i < group->GetCount(); ++i)
                if (const int row = group->GetItem(i)->GetDataRow(); row >= 0)
                    actual.push_back(row);
            ASSERT_EQ(actual, want.Rows) << g;
            ASSERT_EQ(group->GetDescendantCount(), static_cast<int>(want.Rows.size())) << g;
            EXPECT_NEAR(group->GetSum(1), want.Sum, 1e-9 * (1 + std::abs(want.Sum))) << g;
            EXPECT_NEAR(group->GetMean(1), want.Sum / static_cast<double>(want.Rows.size()),
                        1e-9 * (1 + std::abs(want.Sum))) << g;
        }
        grouped.reset();
        source->SetDataSource(nullptr);
    }
}
