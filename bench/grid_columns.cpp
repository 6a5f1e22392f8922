// Column look-ups as cells ask them while painting: every field name of a 300-column tree
// (three levels of groups) found through the tree's hashed look-up, against a bare
// depth-first search comparing names without letter case, as the peer.
#include "grid/KvGrids.Columns.h"

#include <QtCore/QCoreApplication>
#include "BenchData.h"
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>

using namespace kv;

namespace {

constexpr int kGroups = 30;
constexpr int kPerGroup = 10;

struct TTree
{
    TOwned<TComponent> Form{Create<TComponent>(nullptr)};
    TOwned<TKvGridRootColumn> Root{Create<TKvGridRootColumn>(nullptr)};
    QStringList Names;

    TTree()
    {
        for (int g = 0; g < kGroups; ++g) {
            auto* group = Create<TKvGridColumnGroup>(Form.get());
            Root->GetColumns()->Add(group);
            auto* inner = Create<TKvGridColumnGroup>(Form.get());
            group->GetColumns()->Add(inner);
            for (int c = 0; c < kPerGroup; ++c) {
                auto* column = Create<TKvGridDataColumn>(Form.get());
                const QString name = QStringLiteral("Field_%1_%2").arg(g).arg(c);
                column->SetFieldName(name);
                (c % 2 ? group : inner)->GetColumns()->Add(column);
                Names << name.toUpper();
            }
        }
    }
};

TTree& Tree()
{
    static TTree tree;
    return tree;
}

TKvGridDataColumn* LinearFind(const TKvGridColumnGroup* group, const QString& name)
{
    for (int i = 0; i < group->Count(); ++i) {
        TKvGridColumn* column = group->GetItem(i);
        if (auto* data = dynamic_cast<TKvGridDataColumn*>(column)) {
            if (data->GetFieldName().compare(name, Qt::CaseInsensitive) == 0)
                return data;
        } else if (auto* sub = dynamic_cast<TKvGridColumnGroup*>(column)) {
            if (TKvGridDataColumn* found = LinearFind(sub, name))
                return found;
        }
    }
    return nullptr;
}

void BM_HashedFieldLookup(benchmark::State& state)
{
    TTree& tree = Tree();
    for (auto _ : state)
        for (const QString& name : tree.Names)
            benchmark::DoNotOptimize(tree.Root->GetDataColumn(name));
    state.SetItemsProcessed(state.iterations() * tree.Names.size());
}
KV_BENCHMARK(BM_HashedFieldLookup);

void BM_LinearFieldSearch(benchmark::State& state)
{
    TTree& tree = Tree();
    for (auto _ : state)
        for (const QString& name : tree.Names)
            benchmark::DoNotOptimize(LinearFind(tree.Root.get(), name));
    state.SetItemsProcessed(state.iterations() * tree.Names.size());
}
KV_BENCHMARK(BM_LinearFieldSearch);



} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    kvbench::TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double gHashed = reporter.Find("BM_HashedFieldLookup") / (kGroups * kPerGroup);
    const double gLinear = reporter.Find("BM_LinearFieldSearch") / (kGroups * kPerGroup);
    if (gHashed > 0)
        std::printf("field look-up: hashed %.1f ns, linear search %.1f ns per look-up (ratio %.2f)\n", gHashed,
                    gLinear, gLinear / gHashed);
    return 0;
}
