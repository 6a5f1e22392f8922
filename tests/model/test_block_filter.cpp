// Filters evaluated a block of rows at a time select exactly what evaluating the parsed tree
// for each row selects (a failing evaluation selects nothing).
#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Filter.h"

#include <random>

using namespace kv;
using namespace kvtest;

TEST(BlockFilter, SelectsWhatTheTreeSelectsRowByRow)
{
    std::mt19937 rng(23);
    auto data = MakeTable("A", "n", {});
    for (int i = 0; i < 5000; ++i) {
        const unsigned r = rng() % 20;
        Variant v = r < 10  ? Variant(static_cast<int>(rng() % 1000))
                    : r < 12 ? Variant((rng() % 2000) / 2.0)
                    : r == 12 ? Variant::Null()
                    : r == 13 ? Variant()
                    : r == 14 ? Variant(QString::number(rng() % 1000))
                    : r == 15 ? Variant(QStringLiteral("text %1").arg(rng() % 5))
                    : r == 16 ? Variant(std::numeric_limits<double>::quiet_NaN())
                    : r == 17 ? Variant(rng() % 2 == 0)
                    : r == 18 ? Variant::DateTime(400 + rng() % 300)
                              : Variant(std::int64_t(rng() % 1000) - 500);
        data->InsertRow(i, {v});
    }
    struct TCase
    {
        QString Text;
        bool Compiled;
    };
    const std::vector<TCase> cases = {
        {"value > 500", true},
        {"(value > 100) and (value <= 900)", true},
        {"(500 < value) or (value = 'text 1')", true},
        {"not (value <> 7)", true},
        {"(value >= -3.5) xor (value < 250)", true},
        {"value < max", true},
        {"(value > +10) and not (value > -(20))", true},
        {"(1 > 2) or (value = 3)", true},
        {"('a' < 2) or (value = 3)", true},
        {"value", false},
        {"value * 2 > 500", false},
        {"len > 2", false},
        {"value mod 7 = 0", false},
    };
    TOwned<TKvDefaultGridItemProvider> sourceOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& source = *sourceOwner;
    source.SetDataSource(data.get());
    // Sorted, so that rows are read out of data order too.
    source.OrderBy({0}, {SortDescending}, false);
    TKvColumnFilterExpressionRuntime runtime;
    for (const TCase& c : cases) {
        auto filtered = MakeOwned<TKvGridFilteredItemProvider>(&source);
        TKvColumnFilter* filter = filtered->AddFilter(0, c.Text);
        EXPECT_EQ(filter->GetBlockPredicate() != nullptr, c.Compiled) << c.Text.toStdString();
        auto tree = TKvExpressionParser::Parse(c.Text);
        std::vector<int> expected;
        for (int i = 0; i < source.GetItemCount(); ++i) {
            runtime.SetData(data.get(), source.GetItem(i)->GetDataRow(), 0);
            bool selected = false;
            try {
                selected = tree->Evaluate(&runtime).ToBoolean();
            } catch (const Exception&) {
            }
            if (selected)
                expected.push_back(i);
        }
        std::vector<int> actual;
        for (int i = 0; i < filtered->GetItemCount(); ++i)
            actual.push_back(source.ItemOfData(filtered->GetItem(i)->GetDataRow()));
        EXPECT_EQ(actual, expected) << c.Text.toStdString();
    }
}
