// Grouping a sorted mixed column against a plain reference: runs of values that the total
// variant order finds equal, with their row counts and sums; groups of texts in their own
// strings against hashing each key to its group.
#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "model/KvGrids.Model.Proxy.Group.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
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

namespace {

// Groups split from the source's items by reading values (the total variant order per level),
// compared with the grouped provider: keys, rows in order, counts, and sums equal to the data's
// own range sum of the same rows (bit for bit) with their means.
void ExpectGroupsOfItems(TKvGridGroupedItemProvider& grouped, TKvGridItemProvider& source, TKvGridDataProvider& data,
                         const TKvIntegerArray& fields, int valueField, const std::string& what)
{
    struct TGroup
    {
        std::vector<Variant> Keys;
        std::vector<int> Rows;
    };
    // Per level, the groups in order.
    std::vector<std::vector<TGroup>> levels(fields.size());
    for (int i = source.GetFixedCount(); i < source.GetItemCount(); ++i) { // fixed items stay outside
        const int row = source.GetItem(i)->GetDataRow();
        bool split = false;
        for (size_t l = 0; l < fields.size(); ++l) {
            const Variant key = data.GetData(row, fields[l]);
            split = split || levels[l].empty() || VarCompareTotal(levels[l].back().Keys[l], key) != 0;
            if (split) {
                levels[l].push_back({});
                for (size_t k = 0; k <= l; ++k)
                    levels[l].back().Keys.push_back(data.GetData(row, fields[k]));
            }
            levels[l].back().Rows.push_back(row);
        }
    }
    std::vector<std::vector<TKvGridGroupItemImpl*>> actual(fields.size());
    std::vector<TKvGridGroupItemImpl*> walk{grouped.GetRootItem()};
    for (size_t l = 0; l < fields.size(); ++l) {
        for (TKvGridGroupItemImpl* parent : walk)
            for (int c = 0; c < parent->GetCount(); ++c)
                if (auto* g = dynamic_cast<TKvGridGroupItemImpl*>(parent->GetItem(c)))
                    actual[l].push_back(g);
        walk = actual[l];
    }
    for (size_t l = 0; l < fields.size(); ++l) {
        ASSERT_EQ(actual[l].size(), levels[l].size()) << what << " level " << l;
        // Read from the last group down as well as up: a level read in one pass gives the same.
        for (size_t g = 0; g < levels[l].size(); ++g) {
            TKvGridGroupItemImpl* group = actual[l][g];
            const TGroup& want = levels[l][g];
            ASSERT_EQ(group->GetKey(), want.Keys[l]) << what << " level " << l << " group " << g;
            ASSERT_EQ(group->GetDescendantCount(), static_cast<int>(want.Rows.size())) << what << " group " << g;
            if (l + 1 == fields.size()) {
                std::vector<int> rows;
                for (int i = 0; i < group->GetCount(); ++i)
                    if (const int row = group->GetItem(i)->GetDataRow(); row >= 0)
                        rows.push_back(row);
                ASSERT_EQ(rows, want.Rows) << what << " group " << g;
            }
            if (want.Rows.size() < 2)
                continue;
            const double sum = data.GetRangeSum(valueField, want.Rows).ToDouble();
            EXPECT_EQ(group->GetSum(valueField), sum) << what << " level " << l << " group " << g;
            EXPECT_EQ(group->GetMean(valueField), sum / static_cast<double>(want.Rows.size())) << what << " group " << g;
        }
    }
}

} // namespace

TEST(GroupReference, GroupsFromTheSortAndLevelSumsMatchGroupsReadFromValues)
{
    std::mt19937 rng(53);
    auto data = MakeTable("A,B,V", "s,n,n", {});
    const int rows = 5000;
    auto value = [&]() -> Variant {
        const unsigned r = rng() % 20;
        return r == 0   ? Variant::Null()
               : r == 1 ? Variant(std::int64_t(1) << 62) // sums past 64 bits go on as doubles
               : r < 10 ? Variant((static_cast<int>(rng() % 4000) - 2000) / 7.0)
                        : Variant(static_cast<int>(rng() % 1000));
    };
    for (int i = 0; i < rows; ++i) {
        const unsigned r = rng() % 16;
        // Texts each in their own string, whole numbers, nulls (keys of one word: the sort tells
        // where they change).
        const QString word = QStringLiteral("g%1").arg(rng() % 40);
        const Variant a = r == 0 ? Variant::Null()
                          : r < 3 ? Variant(static_cast<int>(rng() % 3))
                                  : Variant(QString(word.constData(), word.size()));
        data->InsertRow(i, {a, static_cast<int>(rng() % 5), value()});
    }
    TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
    source->SetDataSource(data.get());
    auto grouped = MakeOwned<TKvGridGroupedItemProvider>(source.get());
    struct TCase
    {
        TKvIntegerArray Sort;
        TKvGridSortDirections Directions;
        TKvIntegerArray Groups;
    };
    // Sorted by the group fields (the sort tells the groups), by more fields than grouped,
    // and by other fields first (the groups are read from the values).
    const TCase cases[] = {{{0}, {SortAscending}, {0}},
                           {{0}, {SortDescending}, {0}},
                           {{0, 1}, {SortAscending, SortDescending}, {0, 1}},
                           {{0, 1}, {SortDescending, SortAscending}, {0}},
                           {{1, 0}, {SortAscending, SortAscending}, {0, 1}},
                           {{1}, {SortAscending}, {1, 0}}};
    for (const TCase& c : cases) {
        const std::string what = "sort " + std::to_string(c.Sort[0]) + " x" + std::to_string(c.Sort.size()) +
                                 (c.Directions[0] == SortDescending ? " desc" : "") + " groups " +
                                 std::to_string(c.Groups.size());
        source->OrderBy(c.Sort, c.Directions, false);
        grouped->GroupBy(c.Groups);
        ExpectGroupsOfItems(*grouped, *source, *data, c.Groups, 2, what);
        // A value changes within its group: the sums follow.
        const int item = static_cast<int>(rng() % static_cast<unsigned>(source->GetItemCount()));
        data->SetData(source->GetItem(item)->GetDataRow(), 2, Variant(12345.5));
        ExpectGroupsOfItems(*grouped, *source, *data, c.Groups, 2, what + " after a value edit");
        // A row moves to another group: grouped again from the new order.
        const int moved = source->GetItem(static_cast<int>(rng() % static_cast<unsigned>(source->GetItemCount())))->GetDataRow();
        data->SetData(moved, c.Groups[0], QStringLiteral("g7"));
        ExpectGroupsOfItems(*grouped, *source, *data, c.Groups, 2, what + " after a group edit");
        grouped->GroupBy(c.Groups);
        ExpectGroupsOfItems(*grouped, *source, *data, c.Groups, 2, what + " regrouped");
        // A row inserted in place into its group, then the whole regrouped.
        data->InsertRow(data->GetRowCount(), {QStringLiteral("g3"), 1, Variant(0.1)});
        ExpectGroupsOfItems(*grouped, *source, *data, c.Groups, 2, what + " after an insert");
    }
    grouped.reset();
    source->SetDataSource(nullptr);
}

namespace {
// The sums of all lists in one call equal each list summed alone, in value and kind.
void ExpectRangeSumsAsOneByOne(const TKvGridDataProvider* data, const std::vector<int>& rows,
                               const std::vector<int>& ends, int trial)
{
    std::vector<Variant> sums(ends.size());
    data->GetRangeSums(0, rows, ends, sums.data());
    size_t begin = 0;
    for (size_t k = 0; k < ends.size(); ++k) {
        const Variant one = data->GetRangeSum(0, TKvRowIndices(rows).subspan(begin, size_t(ends[k]) - begin));
        ASSERT_EQ(sums[k].Kind(), one.Kind()) << trial << " list " << k;
        ASSERT_EQ(sums[k].ToDouble(), one.ToDouble()) << trial << " list " << k;
        begin = size_t(ends[k]);
    }
}
} // namespace

TEST(GroupReference, RangeSumsOfManyListsMatchOneByOne)
{
    std::mt19937 rng(59);
    auto data = MakeTable("V", "n", {});
    for (int i = 0; i < 3000; ++i) {
        const unsigned r = rng() % 12;
        data->InsertRow(i, {r == 0   ? Variant::Null()
                            : r == 1 ? Variant(std::numeric_limits<std::int64_t>::max() - 5)
                            : r == 2 ? Variant::DateTime(45000.25)
                            : r < 7  ? Variant((static_cast<int>(rng() % 1000) - 500) / 3.0)
                                     : Variant(static_cast<int>(rng() % 100))});
    }
    for (int trial = 0; trial < 6; ++trial) {
        // Lists of rows: ascending and disjoint, or (some trials) overlapping and unordered.
        std::vector<int> rows, ends;
        std::vector<int> all(3000);
        std::iota(all.begin(), all.end(), 0);
        std::shuffle(all.begin(), all.end(), rng);
        const int lists = 1 + static_cast<int>(rng() % 50);
        size_t taken = 0;
        for (int k = 0; k < lists; ++k) {
            const size_t n = rng() % 120;
            std::vector<int> list(all.begin() + std::ptrdiff_t(taken), all.begin() + std::ptrdiff_t(std::min(taken + n, all.size())));
            taken = std::min(taken + n, all.size());
            if (trial % 3 != 2)
                std::sort(list.begin(), list.end());
            if (trial % 3 == 1 && !list.empty())
                list.push_back(list.front()); // a row twice
            rows.insert(rows.end(), list.begin(), list.end());
            ends.push_back(static_cast<int>(rows.size()));
        }
        ExpectRangeSumsAsOneByOne(data.get(), rows, ends, trial);
    }
}

// A column of texts only (kept as numbers into its table of texts: empty texts, letter case,
// ties) grouped after a sort each way, with fixed rows kept out: the groups in order, each
// one's rows in data order, and the sums of whole numbers and of fractions.
TEST(GroupReference, TypedTextGroupsMatchAHashedReference)
{
    std::mt19937 rng(67);
    static const char* const kWords[] = {"b", "B", "", "a", "ab", "a b", "Z", "zz"};
    auto data = MakeTable("K,I,D", "s,n,n", {});
    const int rows = 3000;
    for (int i = 0; i < rows; ++i) {
        const QString suffix = rng() % 3 ? QString() : QString::number(rng() % 40);
        data->InsertRow(i, {QString::fromLatin1(kWords[rng() % 8]) + suffix, static_cast<int>(rng() % 2000) - 1000,
                            (static_cast<int>(rng() % 4000) - 2000) / 16.0});
    }
    for (const int fixed : {0, 5}) {
        for (const TKvGridSortDirection direction : {SortAscending, SortDescending}) {
            const std::string what = "fixed " + std::to_string(fixed) + (direction == SortDescending ? " desc" : "");
            TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
            source->SetDataSource(data.get());
            source->SetFixed(fixed, false, false);
            source->OrderBy({0}, {direction}, false);
            auto grouped = MakeOwned<TKvGridGroupedItemProvider>(source.get());
            grouped->GroupBy({0});
            struct TGroup
            {
                QString Key;
                std::vector<int> Rows;
                std::int64_t Ints = 0;
                double Doubles = 0;
            };
            std::unordered_map<QString, size_t> index;
            std::vector<TGroup> expected;
            for (int row = fixed; row < rows; ++row) {
                const QString key = data->GetData(row, 0).ToString();
                const auto [it, added] = index.emplace(key, expected.size());
                if (added)
                    expected.push_back({key, {}, 0, 0});
                TGroup& group = expected[it->second];
                group.Rows.push_back(row);
                group.Ints += data->GetData(row, 1).AsInt();
                group.Doubles += data->GetData(row, 2).ToDouble();
            }
            std::stable_sort(expected.begin(), expected.end(), [&](const TGroup& a, const TGroup& b) {
                const int c = a.Key.compare(b.Key, Qt::CaseSensitive);
                return direction == SortDescending ? c > 0 : c < 0;
            });
            for (int i = 0; i < fixed; ++i)
                ASSERT_EQ(source->GetItem(i)->GetDataRow(), i) << what;
            TKvGridGroupItemImpl* root = grouped->GetRootItem();
            ASSERT_EQ(root->GetCount(), static_cast<int>(expected.size())) << what;
            for (int g = 0; g < root->GetCount(); ++g) {
                auto* group = static_cast<TKvGridGroupItemImpl*>(root->GetItem(g));
                const TGroup& want = expected[size_t(g)];
                ASSERT_EQ(group->GetKey().ToString(), want.Key) << what << " group " << g;
                std::vector<int> actual;
                for (int i = 0; i < group->GetCount(); ++i)
                    if (const int row = group->GetItem(i)->GetDataRow(); row >= 0)
                        actual.push_back(row);
                ASSERT_EQ(actual, want.Rows) << what << " group " << g;
                ASSERT_EQ(group->GetSum(1), static_cast<double>(want.Ints)) << what << " group " << g;
                ASSERT_EQ(group->GetSum(2), want.Doubles) << what << " group " << g;
                ASSERT_EQ(group->GetMean(2), want.Doubles / static_cast<double>(want.Rows.size()))
                    << what << " group " << g;
            }
            grouped.reset();
            source->SetDataSource(nullptr);
        }
    }
}

// Enough rows that the sort writes its order a cache line at a time: a text column of a few
// thousand values (empty, letter case) and whole numbers, grouped after a sort each way.
TEST(GroupReference, ManyRowsOfFewTextsGroupInOrderWithTheirRowsAndSums)
{
    std::mt19937 rng(71);
    std::vector<QString> words{QString(), QStringLiteral("a"), QStringLiteral("A")};
    for (int w = 0; words.size() < 3000; ++w)
        words.push_back(QStringLiteral("w%1").arg(w * 7919 % 100000));
    auto data = MakeTable("K,V", "s,n", {});
    const int rows = 300000;
    std::vector<size_t> wordOf(static_cast<size_t>(rows));
    std::vector<int> values(static_cast<size_t>(rows));
    data->BeginUpdate();
    for (int i = 0; i < rows; ++i) {
        wordOf[size_t(i)] = rng() % words.size();
        values[size_t(i)] = static_cast<int>(rng() % 1000) - 300;
        data->InsertRow(i, {words[wordOf[size_t(i)]], values[size_t(i)]});
    }
    // A text no row has any more, ordered among the others.
    data->InsertRow(rows, {QStringLiteral("b"), 0});
    data->RemoveRow(rows);
    data->EndUpdate(false);
    // The reference: each word's rows in data order and their sum; the words in code unit order.
    std::vector<std::vector<int>> rowsOf(words.size());
    std::vector<std::int64_t> sumOf(words.size(), 0);
    for (int i = 0; i < rows; ++i) {
        rowsOf[wordOf[size_t(i)]].push_back(i);
        sumOf[wordOf[size_t(i)]] += values[size_t(i)];
    }
    std::vector<size_t> used;
    for (size_t w = 0; w < words.size(); ++w)
        if (!rowsOf[w].empty())
            used.push_back(w);
    for (const TKvGridSortDirection direction : {SortAscending, SortDescending}) {
        std::vector<size_t> expected = used;
        std::sort(expected.begin(), expected.end(), [&](size_t a, size_t b) {
            const int c = words[a].compare(words[b], Qt::CaseSensitive);
            return direction == SortDescending ? c > 0 : c < 0;
        });
        TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
        source->SetDataSource(data.get());
        source->OrderBy({0}, {direction}, false);
        auto grouped = MakeOwned<TKvGridGroupedItemProvider>(source.get());
        grouped->GroupBy({0});
        TKvGridGroupItemImpl* root = grouped->GetRootItem();
        ASSERT_EQ(root->GetCount(), static_cast<int>(expected.size()));
        int item = 0;
        for (int g = 0; g < root->GetCount(); ++g) {
            auto* group = static_cast<TKvGridGroupItemImpl*>(root->GetItem(g));
            const size_t word = expected[size_t(g)];
            ASSERT_EQ(group->GetKey().ToString(), words[word]) << g;
            ASSERT_EQ(group->GetDescendantCount(), static_cast<int>(rowsOf[word].size())) << g;
            for (const int row : rowsOf[word])
                ASSERT_EQ(source->GetItem(item++)->GetDataRow(), row) << "group " << g;
            ASSERT_EQ(group->GetSum(1), static_cast<double>(sumOf[word])) << g;
        }
        grouped.reset();
        source->SetDataSource(nullptr);
    }
}

// More lists than 16-bit list numbers reach: each list of one or two rows, some rows in none;
// then a row in two lists, summed one by one.
TEST(GroupReference, RangeSumsOfMoreListsThanShortNumbersMatchOneByOne)
{
    std::mt19937 rng(61);
    const int rowCount = 150000;
    auto data = MakeTable("V", "n", {});
    data->BeginUpdate();
    for (int i = 0; i < rowCount; ++i)
        data->InsertRow(i, {i % 3 == 0 ? Variant(static_cast<int>(rng() % 1000))
                                       : Variant((static_cast<int>(rng() % 1000) - 500) / 7.0)});
    data->EndUpdate(false);
    std::vector<int> all(static_cast<size_t>(rowCount));
    std::iota(all.begin(), all.end(), 0);
    std::shuffle(all.begin(), all.end(), rng);
    std::vector<int> rows, ends;
    for (size_t taken = 0; taken + 2 <= all.size() - 5000;) {
        const size_t n = 1 + rng() % 2;
        std::vector<int> list(all.begin() + std::ptrdiff_t(taken), all.begin() + std::ptrdiff_t(taken + n));
        taken += n;
        std::sort(list.begin(), list.end());
        rows.insert(rows.end(), list.begin(), list.end());
        ends.push_back(static_cast<int>(rows.size()));
    }
    ASSERT_GT(ends.size(), size_t(0xFFFF));
    for (const bool twice : {false, true}) {
        if (twice) {
            rows.push_back(rows.front());
            ends.push_back(static_cast<int>(rows.size()));
        }
        ExpectRangeSumsAsOneByOne(data.get(), rows, ends, twice);
    }
}

// Groups make their rows children only when listed or asked: rows still know their group, and
// rows joining and leaving groups in place keep every group's rows, counts and sums right.
TEST(GroupReference, PendingRowsFollowInPlaceChangesAndFindTheirGroups)
{
    std::mt19937 rng(61);
    auto data = MakeTable("A,V", "s,n", {});
    // Runs of one key in data order: the unsorted source keeps them, and rows join in place.
    for (int run = 0, row = 0; run < 60; ++run)
        for (int k = 0, n = 1 + static_cast<int>(rng() % 30); k < n; ++k)
            data->InsertRow(row++, {QStringLiteral("r%1").arg(run, 2, 10, QLatin1Char('0')), static_cast<int>(rng() % 100)});
    TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
    source->SetDataSource(data.get());
    auto grouped = MakeOwned<TKvGridGroupedItemProvider>(source.get());
    grouped->GroupBy({0});
    EXPECT_EQ(source->GetLiveItemCount(), 0) << "grouping made row items";

    // The groups of the rows in source order, told apart by their keys.
    auto referenceGroups = [&] {
        std::vector<int> groupOf;
        int g = -1;
        for (int i = 0; i < source->GetItemCount(); ++i) {
            const int row = source->GetItem(i)->GetDataRow();
            if (i == 0 || data->GetData(row, 0) != data->GetData(source->GetItem(i - 1)->GetDataRow(), 0))
                ++g;
            groupOf.push_back(g);
        }
        return groupOf;
    };
    for (int round = 0; round < 6; ++round) {
        const std::string what = "round " + std::to_string(round);
        grouped->GroupBy({0});
        TKvGridGroupItemImpl* root = grouped->GetRootItem();
        // A few groups listed (their rows made children), the rest pending.
        for (int k = 0; k < 4; ++k)
            grouped->Expand(root->GetItem(static_cast<int>(rng() % static_cast<unsigned>(root->GetCount()))), false);
        // Rows join their neighbours' groups and leave them, in place.
        for (int op = 0; op < 40; ++op) {
            const int count = data->GetRowCount();
            const int at = static_cast<int>(rng() % static_cast<unsigned>(count));
            if (rng() % 2 == 0) {
                const int from = rng() % 2 == 0 && at > 0 ? at - 1 : at;
                data->InsertRow(at, {data->GetData(from, 0), static_cast<int>(rng() % 100)});
            } else {
                data->RemoveRow(at);
            }
        }
        ASSERT_EQ(grouped->GetRootItem(), root);
        const std::vector<int> groupOf = referenceGroups();
        ASSERT_EQ(root->GetCount(), groupOf.back() + 1) << what;
        // Rows asked from the source find their group, and a hidden one is brought into view.
        for (int k = 0; k < 30; ++k) {
            const int i = static_cast<int>(rng() % static_cast<unsigned>(source->GetItemCount()));
            TKvGridItem* item = source->GetItem(i);
            ASSERT_EQ(item->GetParent(), root->GetItem(groupOf[size_t(i)])) << what << " item " << i;
            ASSERT_EQ(item->GetLevel(), 2) << what; // the root, then its group
            if (!item->CanVisible()) {
                EXPECT_EQ(grouped->ItemOfData(item->GetDataRow()), -1) << what;
                item->MakeVisible();
                const int shown = grouped->ItemOfData(item->GetDataRow());
                ASSERT_GE(shown, 0) << what << " item " << i;
                EXPECT_EQ(grouped->GetItem(shown), item) << what;
            }
        }
        std::vector<TKvGridItem*> expected;
        for (int g = 0; g < root->GetCount(); ++g)
            ReferenceWalk(static_cast<TKvGridGroupItemImpl*>(root->GetItem(g)), ExpandedBoth, CollapsedHeader, expected);
        ASSERT_EQ(grouped->GetItemCount(), static_cast<int>(expected.size())) << what;
        for (int i = 0; i < grouped->GetItemCount(); ++i)
            ASSERT_EQ(grouped->GetItem(i), expected[size_t(i)]) << what << " item " << i;
        ExpectGroupsOfItems(*grouped, *source, *data, {0}, 1, what);
    }
    // Ungrouping leaves no row with a group.
    grouped->GroupBy({});
    for (int i = 0; i < source->GetItemCount(); ++i)
        ASSERT_EQ(source->GetItem(i)->GetParent(), nullptr);
    grouped.reset();
    source->SetDataSource(nullptr);
}

// Grouping through a filter: its data rows read without items, the sort's runs passed on while
// every item passes, and groups read from the values once some do not.
TEST(GroupReference, GroupsThroughAFilterMatchItsItems)
{
    std::mt19937 rng(67);
    auto data = MakeTable("A,V", "s,n", {});
    for (int i = 0; i < 3000; ++i)
        data->InsertRow(i, {QStringLiteral("k%1").arg(rng() % 50), static_cast<int>(rng() % 100)});
    TOwned<TKvDefaultGridItemProvider> source = MakeOwned<TKvDefaultGridItemProvider>();
    source->SetDataSource(data.get());
    source->SetFixed(3, false, false);
    source->OrderBy({0}, {}, false);
    auto filtered = MakeOwned<TKvGridFilteredItemProvider>(source.get());
    auto grouped = MakeOwned<TKvGridGroupedItemProvider>(filtered.get());
    auto expectRows = [&](const std::string& what) {
        const int n = filtered->GetItemCount();
        std::vector<int> rows(static_cast<size_t>(n), -2), expected;
        filtered->GetDataRows(0, n, rows.data());
        // The items made after the rows were read: reading them made none.
        for (int i = 0; i < n; ++i)
            expected.push_back(filtered->GetItem(i)->GetDataRow());
        EXPECT_EQ(rows, expected) << what;
        std::vector<int> tail(2);
        filtered->GetDataRows(n - 2, 2, tail.data());
        EXPECT_EQ(tail, std::vector<int>(expected.end() - 2, expected.end())) << what;
        EXPECT_THROW(filtered->GetDataRows(n - 1, 2, tail.data()), Exception) << what;
    };
    grouped->GroupBy({0});
    EXPECT_EQ(source->GetLiveItemCount(), 3) << "grouping through the filter made items besides the fixed ones";
    ExpectGroupsOfItems(*grouped, *filtered, *data, {0}, 1, "every item passes");
    expectRows("every item passes");

    filtered->AddFilter(1, "value >= 30");
    filtered->AddFilter(0, "value <> 'k7'");
    ASSERT_LT(filtered->GetItemCount(), source->GetItemCount());
    grouped->GroupBy({0});
    ExpectGroupsOfItems(*grouped, *filtered, *data, {0}, 1, "filtered");
    expectRows("filtered");
    grouped.reset();
    filtered.reset();
    source->SetDataSource(nullptr);
}
