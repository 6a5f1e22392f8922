// The default item provider against a plain reference under random operations (inserts,
// removals, moves, sorts, checks, resets), with a filter and a group tree stacked on it;
// and the items callers hold: the same object for a row until the next reset or refresh.
#include "test_proxy_support.h"
#include "TestSupport.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "model/KvGrids.Model.Proxy.Group.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

using namespace kv;
using namespace kvtest;

namespace {

// Fields: Id (distinct), Key (0 .. 4), Name.
Variant NameOf(unsigned n) { return QStringLiteral("n%1").arg(n % 7); }

// What the provider should show: the data rows in item order, the checked data rows, and the
// items the caller holds with the data row each should show.
struct TReference
{
    std::vector<int> Order;
    std::map<int, bool> Checked;
    std::map<TKvGridItem*, int> Held;
    TKvIntegerArray SortFields;
    std::vector<bool> Descending;

    void Rebuild(const TKvSimpleDataProvider& Data)
    {
        Order.resize(static_cast<size_t>(Data.GetRowCount()));
        std::iota(Order.begin(), Order.end(), 0);
        if (!SortFields.empty())
            std::sort(Order.begin(), Order.end(), [&](int a, int b) {
                for (size_t k = 0; k < SortFields.size(); ++k) {
                    const int c = VarCompareTotal(Data.GetData(a, SortFields[k]), Data.GetData(b, SortFields[k]));
                    if (c != 0)
                        return Descending[k] ? c > 0 : c < 0;
                }
                return false;
            });
        Checked.clear();
        Held.clear();
    }
    // A data row came in at Row: later data rows move down by one.
    void Inserted(int Row)
    {
        for (int& r : Order)
            if (r >= Row)
                ++r;
        Order.insert(Order.begin() + Row, Row);
        Shift(Row, 1);
    }
    void Removed(int Row)
    {
        Order.erase(std::find(Order.begin(), Order.end(), Row));
        for (int& r : Order)
            if (r > Row)
                --r;
        Checked.erase(Row);
        for (auto it = Held.begin(); it != Held.end();)
            it = it->second == Row ? Held.erase(it) : std::next(it);
        Shift(Row + 1, -1);
    }
    void Shift(int From, int Delta)
    {
        std::map<int, bool> checked;
        for (const auto& [row, on] : Checked)
            checked[row >= From ? row + Delta : row] = on;
        Checked.swap(checked);
        for (auto& [item, row] : Held)
            if (row >= From)
                row += Delta;
    }
    bool IsChecked(int Row) const
    {
        const auto it = Checked.find(Row);
        return it != Checked.end() && it->second;
    }
};

void ExpectSame(TKvDefaultGridItemProvider& Provider, const TReference& Ref, std::mt19937& Rng, int Step)
{
    const int n = Provider.GetItemCount();
    ASSERT_EQ(n, static_cast<int>(Ref.Order.size())) << "step " << Step;
    std::vector<int> rows(static_cast<size_t>(n));
    Provider.GetDataRows(0, n, rows.data());
    ASSERT_EQ(rows, Ref.Order) << "step " << Step;
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(Provider.ItemOfData(Ref.Order[size_t(i)]), i) << "step " << Step;
    for (const auto& [item, row] : Ref.Held) {
        ASSERT_EQ(item->GetDataRow(), row) << "step " << Step;
        ASSERT_EQ(Provider.GetItem(Provider.ItemOfData(row)), item) << "step " << Step;
        ASSERT_EQ(Provider.FindRow(row), item) << "step " << Step;
        ASSERT_EQ(item->GetChecked(), Ref.IsChecked(row)) << "step " << Step;
    }
    // A few items asked for: the right row and check; the provider keeps them for the caller.
    for (int k = 0; k < 3 && n > 0; ++k) {
        const int i = static_cast<int>(Rng() % static_cast<unsigned>(n));
        TKvGridItem* item = Provider.GetItem(i);
        ASSERT_EQ(item->GetDataRow(), Ref.Order[size_t(i)]) << "step " << Step;
        ASSERT_EQ(item->GetChecked(), Ref.IsChecked(Ref.Order[size_t(i)])) << "step " << Step;
        ASSERT_EQ(item->GetProvider(), &Provider);
    }
}

} // namespace

TEST(DefaultRowsReference, RandomOperationsMatchAPlainList)
{
    for (const unsigned seed : {3u, 17u, 101u}) {
        std::mt19937 rng(seed);
        auto data = MakeTable("Id,Key,Name", "n,n,s", {});
        unsigned nextId = 0;
        auto newRow = [&] {
            const unsigned id = nextId++;
            return TKvGridDataRow{static_cast<int>(id), static_cast<int>(rng() % 5), NameOf(rng())};
        };
        for (int i = 0; i < 300; ++i)
            data->InsertRow(i, newRow());
        TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
        TRecorder recorder;
        provider->AddListener(&recorder);
        provider->SetDataSource(data.get());
        TReference ref;
        ref.Rebuild(*data);
        EXPECT_EQ(provider->GetLiveItemCount(), 0);

        for (int step = 0; step < 600; ++step) {
            const int n = provider->GetItemCount();
            const unsigned op = rng() % 12;
            recorder.Take();
            if (op == 0 || (op == 1 && n < 50)) {
                const int row = static_cast<int>(rng() % static_cast<unsigned>(n + 1));
                data->InsertRow(row, newRow());
                if (ref.SortFields.empty()) {
                    ref.Inserted(row);
                    EXPECT_EQ(recorder.Take(), QStringList{QStringLiteral("inserted %1").arg(row)});
                } else {
                    ref.Rebuild(*data);
                    EXPECT_EQ(recorder.Take(), QStringList{"refresh"});
                }
            } else if (op == 1) {
                const int row = static_cast<int>(rng() % static_cast<unsigned>(n));
                const int index = provider->ItemOfData(row);
                data->RemoveRow(row);
                if (ref.SortFields.empty()) {
                    ref.Removed(row);
                    EXPECT_EQ(recorder.Take(), QStringList{QStringLiteral("deleted %1").arg(index)});
                } else {
                    ref.Rebuild(*data);
                }
            } else if (op == 2 && n > 1) {
                // A move between two positions: the items trade places.
                const int a = static_cast<int>(rng() % static_cast<unsigned>(n));
                const int b = static_cast<int>(rng() % static_cast<unsigned>(n));
                provider->Exchange(a, b);
                std::swap(ref.Order[size_t(a)], ref.Order[size_t(b)]);
            } else if (op == 3 && n > 2) {
                const int first = static_cast<int>(rng() % static_cast<unsigned>(n - 1));
                const int count = 1 + static_cast<int>(rng() % static_cast<unsigned>(std::min(n - first, 20)));
                std::vector<int> order(static_cast<size_t>(count));
                std::iota(order.begin(), order.end(), 0);
                std::shuffle(order.begin(), order.end(), rng);
                const std::vector<int> old(ref.Order.begin() + first, ref.Order.begin() + first + count);
                provider->ApplyOrder(first, order);
                for (int i = 0; i < count; ++i)
                    ref.Order[size_t(first + i)] = old[size_t(order[size_t(i)])];
            } else if (op == 4) {
                // Sorts end with the distinct Id, so the order is one.
                const unsigned kind = rng() % 4;
                ref.SortFields = kind == 0 ? TKvIntegerArray{} : kind == 1 ? TKvIntegerArray{1, 0} : kind == 2 ? TKvIntegerArray{2, 0} : TKvIntegerArray{0};
                TKvGridSortDirections directions;
                ref.Descending.clear();
                for (size_t k = 0; k < ref.SortFields.size(); ++k) {
                    const bool down = rng() % 2 == 0;
                    directions.push_back(down ? SortDescending : SortAscending);
                    ref.Descending.push_back(down);
                }
                provider->OrderBy(ref.SortFields, directions);
                ref.Rebuild(*data);
                EXPECT_EQ(recorder.Take(), QStringList{"refresh"});
            } else if ((op == 5 || op == 6) && n > 0) {
                const int i = static_cast<int>(rng() % static_cast<unsigned>(n));
                const bool on = rng() % 3 != 0;
                const int row = ref.Order[size_t(i)];
                const bool was = ref.IsChecked(row);
                provider->CheckItem(i, on);
                ref.Checked[row] = on;
                EXPECT_EQ(recorder.Take(), was == on ? QStringList{} : QStringList{QStringLiteral("checked %1").arg(i)});
            } else if ((op == 7 || op == 8) && n > 0) {
                const int i = static_cast<int>(rng() % static_cast<unsigned>(n));
                ref.Held[provider->GetItem(i)] = ref.Order[size_t(i)];
            } else if (op == 9 && n > 0) {
                // A value change: the item is updated in place, the order stays.
                const int row = static_cast<int>(rng() % static_cast<unsigned>(n));
                data->SetData(row, 1, static_cast<int>(rng() % 5));
            } else if (op == 10 && n > 0 && rng() % 4 == 0) {
                if (rng() % 2 == 0) {
                    provider->ResetItems();
                } else {
                    TKvIntegerArray rows;
                    for (int k = 0; k < 3; ++k)
                        rows.push_back(static_cast<int>(rng() % static_cast<unsigned>(n)));
                    data->RemoveRows(rows);
                }
                ref.Rebuild(*data);
                EXPECT_EQ(recorder.Take(), QStringList{"refresh"});
            } else if (op == 11 && n > 0 && rng() % 8 == 0) {
                // Every row checked or unchecked at once makes no items.
                const int live = provider->GetLiveItemCount();
                const bool on = rng() % 2 == 0;
                for (int i = 0; i < n; ++i)
                    provider->CheckItem(i, on);
                EXPECT_EQ(provider->GetLiveItemCount(), live);
                for (int row : ref.Order)
                    ref.Checked[row] = on;
            }
            ExpectSame(*provider, ref, rng, step);
            if (HasFatalFailure())
                return;
        }

        // A filter and a group tree over it show the provider's own items.
        auto filtered = MakeOwned<TKvGridFilteredItemProvider>(provider.get());
        filtered->AddFilter(1, "value <> 2");
        std::vector<int> expected;
        for (int row : ref.Order)
            if (data->GetData(row, 1).AsInt() != 2)
                expected.push_back(row);
        ASSERT_EQ(filtered->GetItemCount(), static_cast<int>(expected.size()));
        for (int i = 0; i < filtered->GetItemCount(); ++i) {
            TKvGridItem* item = filtered->GetItem(i);
            ASSERT_EQ(item->GetDataRow(), expected[size_t(i)]);
            ASSERT_EQ(item, provider->GetItem(provider->ItemOfData(expected[size_t(i)])));
        }
        auto grouped = MakeOwned<TKvGridGroupedItemProvider>(filtered.get());
        grouped->GroupBy({1});
        TKvGridGroupItemImpl* root = grouped->GetRootItem();
        int leaves = 0;
        for (int g = 0; g < root->GetCount(); ++g) {
            auto* group = static_cast<TKvGridGroupItemImpl*>(root->GetItem(g));
            for (int c = 0; c < group->GetCount(); ++c) {
                TKvGridItem* child = group->GetItem(c);
                if (child->GetDataRow() < 0)
                    continue;
                ++leaves;
                EXPECT_EQ(child->GetParent(), group);
                EXPECT_EQ(child->GetData(1), group->GetKey());
                EXPECT_EQ(child, provider->FindRow(child->GetDataRow()));
            }
        }
        EXPECT_EQ(leaves, static_cast<int>(expected.size()));
        // Collapsing a group hides its rows; expanding shows them again.
        if (root->GetCount() > 0) {
            auto* first = static_cast<TKvGridGroupItemImpl*>(root->GetItem(0));
            if (!first->GetExpanded())
                grouped->Expand(first, false);
            const int shown = grouped->GetItemCount();
            grouped->Collapse(first);
            EXPECT_LT(grouped->GetItemCount(), shown);
            grouped->Expand(first, false);
            EXPECT_EQ(grouped->GetItemCount(), shown);
        }
        // Ungrouping lets go of every parent.
        grouped->GroupBy({});
        for (int i = 0; i < provider->GetItemCount(); ++i)
            EXPECT_EQ(provider->GetItem(i)->GetParent(), nullptr);
        grouped.reset();
        filtered.reset();
        provider->RemoveListener(&recorder);
    }
}

TEST(DefaultRowsContract, HeldItemsKeepTheirRowUntilTheNextRebuild)
{
    auto data = MakeTable("Id,Key,Name", "n,n,s", {});
    for (int i = 0; i < 100000; ++i)
        data->InsertRow(i, {i, i % 5, NameOf(static_cast<unsigned>(i))});
    TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
    provider->SetDataSource(data.get());
    // Binding makes no items; asking for a row makes its item once.
    EXPECT_EQ(provider->GetItemCount(), 100000);
    EXPECT_EQ(provider->GetLiveItemCount(), 0);
    TKvGridItem* held = provider->GetItem(500);
    EXPECT_EQ(provider->GetItem(500), held);
    EXPECT_EQ(provider->GetLiveItemCount(), 1);
    EXPECT_EQ(held->GetData(0), Variant(500));

    // Rows come and go before it: the same item, showing its row at its new place.
    data->InsertRow(10, {-1, 0, Variant("new")});
    EXPECT_EQ(held->GetDataRow(), 501);
    EXPECT_EQ(held->GetData(0), Variant(500));
    EXPECT_EQ(provider->GetItem(501), held);
    data->RemoveRow(0);
    data->RemoveRow(0);
    EXPECT_EQ(held->GetDataRow(), 499);
    EXPECT_EQ(provider->GetItem(499), held);
    EXPECT_EQ(held->GetData(0), Variant(500));
    // Values change in place; moves keep the object.
    data->SetData(499, 2, Variant("changed"));
    EXPECT_EQ(held->GetData(2), Variant("changed"));
    provider->Exchange(499, 7);
    EXPECT_EQ(provider->GetItem(7), held);
    EXPECT_EQ(held->GetDataRow(), 499);
    EXPECT_EQ(provider->ItemOfData(499), 7);
    provider->CheckItem(7, true);
    EXPECT_TRUE(held->GetChecked());

    // Every row checked: no items made, each item made afterwards checked.
    for (int i = 0; i < provider->GetItemCount(); ++i)
        provider->CheckItem(i, true);
    EXPECT_EQ(provider->GetLiveItemCount(), 1);
    EXPECT_TRUE(provider->GetItem(90000)->GetChecked());
    provider->CheckItem(90000, false);
    EXPECT_FALSE(provider->GetItem(90000)->GetChecked());

    // Searching and the check state of a field read data rows, not items.
    EXPECT_EQ(provider->FindItem({0}, {Variant(70000)}, {}, 0, -1), provider->ItemOfData(69999));
    provider->ResetItemsChecked(1, false);
    EXPECT_EQ(provider->GetLiveItemCount(), 2);

    // Every item at once: one object per row, the held one among them.
    const TKvGridItems all = provider->GetAllItems();
    ASSERT_EQ(all.size(), size_t(provider->GetItemCount()));
    EXPECT_EQ(all[7], held);
    for (size_t i = 0; i < all.size(); i += 997)
        EXPECT_EQ(all[i], provider->GetItem(static_cast<int>(i)));

    // A rebuild starts over: the rows are counted again and sorted, checks cleared; an item
    // still referenced (which callers may not rely on) shows the same data row, as new.
    const int live = provider->GetLiveItemCount();
    provider->OrderBy({1, 0}, {SortDescending, SortAscending});
    EXPECT_EQ(provider->GetLiveItemCount(), live);
    EXPECT_EQ(provider->GetItem(0)->GetData(1), Variant(4));
    EXPECT_FALSE(provider->GetItem(0)->GetChecked());
    EXPECT_EQ(provider->FindRow(499), held);
    EXPECT_FALSE(held->GetChecked());
    // Fewer rows: the items past the end go.
    TKvIntegerArray tail;
    for (int r = 1000; r < provider->GetItemCount(); ++r)
        tail.push_back(r);
    data->RemoveRows(tail);
    EXPECT_EQ(provider->GetItemCount(), 1000);
    EXPECT_LE(provider->GetLiveItemCount(), 1000);
    EXPECT_EQ(provider->FindRow(499), held);
    provider->SetDataSource(nullptr);
    EXPECT_EQ(provider->GetItemCount(), 0);
    EXPECT_EQ(provider->GetLiveItemCount(), 0);
}
