// Rows inserted into and removed from the data under an active filter or grouping: the
// providers follow each row in place and end where a full rebuild ends.
#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "model/KvGrids.Model.Proxy.Group.h"

#include <random>

using namespace kv;
using namespace kvtest;

namespace {

Variant RandomValue(std::mt19937& rng, bool text = true)
{
    std::uniform_int_distribution<int> pick(0, 9);
    const int v = pick(rng);
    if (v == 0 && text)
        return Variant(QStringLiteral("t%1").arg(pick(rng) % 3));
    if (v == 1)
        return Variant::Null();
    return Variant(v % 4);
}

// Random inserts and removals, made to both tables alike; Check runs after each.
void RandomEdits(TKvSimpleDataProvider* data, TKvSimpleDataProvider* twin, std::mt19937& rng, int edits,
                 const std::function<void()>& check,
                 const std::function<TKvGridDataRow()>& make = {})
{
    for (int e = 0; e < edits; ++e) {
        const int count = data->GetRowCount();
        std::uniform_int_distribution<int> at(0, count);
        if (count > 2 && rng() % 3 == 0) {
            const int row = at(rng) % count;
            data->RemoveRow(row);
            if (twin)
                twin->RemoveRow(row);
        } else {
            const int row = at(rng);
            const TKvGridDataRow values = make ? make() : TKvGridDataRow{RandomValue(rng), RandomValue(rng, false)};
            data->InsertRow(row, values);
            if (twin)
                twin->InsertRow(row, values);
        }
        check();
    }
}

QStringList Describe(const TKvGridItemProvider* p)
{
    QStringList out;
    for (int i = 0; i < p->GetItemCount(); ++i) {
        const TKvGridItem* item = p->GetItem(i);
        if (auto* g = dynamic_cast<const TKvGridGroupItemImpl*>(item)) {
            const auto group = const_cast<TKvGridGroupItemImpl*>(g);
            out << QStringLiteral("G%1 %2 n%3 %4 sum %5 mean %6 vi %7")
                       .arg(g->GetLevel())
                       .arg(g->GetKey().KindName() + g->GetKey().ToString())
                       .arg(g->GetDescendantCount())
                       .arg(g->GetExpanded())
                       .arg(group->GetSum(1))
                       .arg(group->GetMean(1))
                       .arg(g->GetVIndex() == i);
        } else if (auto* f = dynamic_cast<const TKvGridGroupFooterImpl*>(item)) {
            out << QStringLiteral("F %1").arg(f->GetExpandable());
        } else {
            out << QStringLiteral("R%1 %2").arg(item->GetDataRow()).arg(item->GetParent() ? item->GetParent()->GetLevel() : -1);
        }
    }
    return out;
}

} // namespace

TEST(ProxyRowChanges, FilteredRowsFollowEachEdit)
{
    std::mt19937 rng(3);
    auto data = MakeTable("A,B", "n,s", {});
    for (int i = 0; i < 40; ++i)
        data->InsertRow(i, {RandomValue(rng), RandomValue(rng)});
    TOwned<TKvDefaultGridItemProvider> sourceOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& source = *sourceOwner;
    source.SetDataSource(data.get());
    auto filtered = MakeOwned<TKvGridFilteredItemProvider>(&source);
    filtered->AddFilter(0, QStringLiteral("value > 1"));
    filtered->AddFilter(0, QStringLiteral("value = 't1'"));
    filtered->AddFilter(1, QStringLiteral("value <> 2"));
    TItemRecorder recorder;
    filtered->AddListener(&recorder);
    RandomEdits(data.get(), nullptr, rng, 300, [&] {
        // Each edit is one refresh, as a rebuild sends.
        ASSERT_EQ(recorder.Events, QStringList{QStringLiteral("refresh")});
        recorder.Events.clear();
        auto rebuilt = MakeOwned<TKvGridFilteredItemProvider>(&source);
        for (int field : {0, 1})
            for (TKvColumnFilter* f : filtered->GetFilters(field))
                rebuilt->AddFilter(field, f->GetCriteria());
        ASSERT_EQ(Describe(filtered.get()), Describe(rebuilt.get()));
        for (int row = 0; row < data->GetRowCount(); ++row)
            ASSERT_EQ(filtered->ItemOfData(row), rebuilt->ItemOfData(row));
    });
    filtered->RemoveListener(&recorder);
}

TEST(ProxyRowChanges, GroupsFollowEachEdit)
{
    // Row items have one parent: the rebuilt grouping runs over a twin of the data.
    for (const bool expanded : {true, false}) {
        std::mt19937 rng(expanded ? 5 : 9);
        auto data = MakeTable("A,B", "n,n", {});
        auto twin = MakeTable("A,B", "n,n", {});
        // Few distinct values, so that runs are long and most edits stay in place.
        auto make = [&]() -> TKvGridDataRow {
            const unsigned a = rng() % 10;
            return {a < 6 ? Variant(0) : a < 8 ? Variant(1) : a == 8 ? Variant::Null() : Variant("t"),
                    Variant(static_cast<int>(rng() % 3 == 0))};
        };
        for (int i = 0; i < 30; ++i) {
            const TKvGridDataRow values = make();
            data->InsertRow(i, values);
            twin->InsertRow(i, values);
        }
        TOwned<TKvDefaultGridItemProvider> sourceOwner = MakeOwned<TKvDefaultGridItemProvider>();
        TKvDefaultGridItemProvider& source = *sourceOwner;
        source.SetDataSource(data.get());
        auto grouped = MakeOwned<TKvGridGroupedItemProvider>(&source);
        grouped->SetExpandWhenGrouping(expanded);
        grouped->GroupBy({0, 1});
        TItemRecorder recorder;
        grouped->AddListener(&recorder);
        int inPlace = 0;
        const TKvGridItem* first = grouped->GetRootItem()->GetItem(0);
        RandomEdits(data.get(), twin.get(), rng, 300, [&] {
            ASSERT_EQ(recorder.Events, QStringList{QStringLiteral("refresh")});
            recorder.Events.clear();
            TOwned<TKvDefaultGridItemProvider> twinSourceOwner = MakeOwned<TKvDefaultGridItemProvider>();
            TKvDefaultGridItemProvider& twinSource = *twinSourceOwner;
            twinSource.SetDataSource(twin.get());
            auto rebuilt = MakeOwned<TKvGridGroupedItemProvider>(&twinSource);
            rebuilt->SetExpandWhenGrouping(expanded);
            rebuilt->GroupBy({0, 1});
            ASSERT_EQ(Describe(grouped.get()), Describe(rebuilt.get()));
            ASSERT_EQ(grouped->GetRowCount(), rebuilt->GetRowCount());
            for (int row = 0; row < data->GetRowCount(); ++row)
                ASSERT_EQ(grouped->ItemOfData(row), rebuilt->ItemOfData(row));
            rebuilt.reset();
            // An edit in place keeps the group objects.
            inPlace += grouped->GetRootItem()->GetItem(0) == first ? 1 : 0;
            first = grouped->GetRootItem()->GetItem(0);
        }, make);
        EXPECT_GT(inPlace, 100);
        grouped->RemoveListener(&recorder);
    }
}
