// The keyed sorter against a plain stable sort by the total variant order.
#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Model.Default.h"

#include <random>

using namespace kv;
using namespace kvtest;

namespace {

// Values of a column drawn by one of several kinds of mix.
Variant RandomCell(std::mt19937& rng, int mix)
{
    const unsigned r = rng() % 100;
    switch (mix) {
    case 0: return Variant(static_cast<int>(rng() % 7)); // integers with many ties
    case 1: return r < 10 ? Variant::Null() : Variant(QStringLiteral("w%1").arg(rng() % 20)); // text and nulls
    case 2: // every kind but arrays
        if (r < 5)
            return Variant::Null();
        if (r < 10)
            return Variant();
        if (r < 15)
            return Variant(r % 2 == 0);
        if (r < 40)
            return Variant(static_cast<int>(rng() % 9) - 4);
        if (r < 55)
            return Variant((static_cast<int>(rng() % 17) - 8) / 4.0);
        if (r < 60)
            return Variant(std::numeric_limits<double>::quiet_NaN());
        if (r < 65)
            return Variant::DateTime(static_cast<double>(rng() % 5));
        if (r < 80)
            return Variant(QString::number(static_cast<int>(rng() % 12)));
        return Variant(r < 85 ? QString() : QStringLiteral("t%1").arg(rng() % 5));
    case 3: // integers that doubles cannot hold exactly, beside doubles
        return r < 50 ? Variant((std::int64_t(1) << 60) + static_cast<std::int64_t>(rng() % 3)) : Variant(1e18);
    default: // arrays among numbers
        return r < 20 ? Variant::Array({static_cast<int>(rng() % 3)}) : Variant(static_cast<int>(rng() % 3));
    }
}

} // namespace

TEST(QuickSorter, MatchesAPlainStableSortOfTheVariants)
{
    std::mt19937 rng(17);
    for (const int rows : {0, 1, 7, 300, 3000}) {
        for (int trial = 0; trial < 6; ++trial) {
            const int mixA = static_cast<int>(rng() % 5), mixB = static_cast<int>(rng() % 5);
            auto data = MakeTable("A,B", "n,n", {});
            for (int i = 0; i < rows; ++i)
                data->InsertRow(i, {RandomCell(rng, mixA), RandomCell(rng, mixB)});
            const TKvGridSortDirections directions = {rng() % 2 ? SortAscending : SortDescending,
                                                      rng() % 2 ? SortAscending : SortDescending};
            TOwned<TKvDefaultGridItemProvider> providerOwner = MakeOwned<TKvDefaultGridItemProvider>();
            TKvDefaultGridItemProvider& provider = *providerOwner;
            provider.SetDataSource(data.get());
            provider.OrderBy({0, 1}, directions, false);

            std::vector<int> expected(static_cast<size_t>(rows));
            std::iota(expected.begin(), expected.end(), 0);
            std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
                for (int k = 0; k < 2; ++k) {
                    const int c = VarCompareTotal(data->GetData(a, k), data->GetData(b, k));
                    if (c != 0)
                        return directions[size_t(k)] == SortDescending ? c > 0 : c < 0;
                }
                return false;
            });
            std::vector<int> actual;
            for (int i = 0; i < provider.GetItemCount(); ++i)
                actual.push_back(provider.GetItem(i)->GetDataRow());
            ASSERT_EQ(actual, expected) << "rows " << rows << " mixes " << mixA << "," << mixB;
            for (int row = 0; row < rows; ++row)
                ASSERT_EQ(provider.GetItem(provider.ItemOfData(row))->GetDataRow(), row);
            provider.SetDataSource(nullptr);
        }
    }
}

