// Filling a fresh simple data provider with rows of four fields (integer, float, 12-character
// text from 1,000 distinct values, date-time) by InsertRow: a new row of values each time,
// the same inside BeginUpdate/EndUpdate, one row of values reused, and a fill followed by
// reading the two numeric columns' sums (which the floor does not keep); against the floor of
// plain vectors doing the same work from the same input (an integer and two doubles appended,
// each text numbered through a QHash of the distinct texts). On texts shared from 1,000
// strings and on texts that are each their own string. Ratios are ours / floor, from medians
// of five runs.
#include "BenchData.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QHash>

using namespace kv;
using namespace kvbench;

namespace {

const TColumns& Data(int rows, bool unshared)
{
    static std::map<std::pair<int, bool>, TColumns> cache;
    auto it = cache.find({rows, unshared});
    if (it == cache.end())
        it = cache.emplace(std::make_pair(rows, unshared), MakeColumns(rows, 42, unshared)).first;
    return it->second;
}

enum class TFill { Rows, InUpdate, ReusedRow, RowsThenSums };

// Rows: a new row of values for each InsertRow (as MakeProvider fills); InUpdate: the same
// between BeginUpdate and EndUpdate; ReusedRow: one row of values assigned again for each;
// RowsThenSums: Rows, then the sums of the two numeric columns read (as a footer reads them).
void KvFill(benchmark::State& state, bool unshared, TFill how)
{
    const TColumns& c = Data(static_cast<int>(state.range(0)), unshared);
    for (auto _ : state) {
        TOwned<TKvSimpleDataProvider> p(Create<TKvSimpleDataProvider>(nullptr));
        p->InsertColumns(0, 4, QStringLiteral("value,amount,name,when"), QStringLiteral("n,n,s,d"));
        if (how == TFill::InUpdate)
            p->BeginUpdate();
        if (how == TFill::ReusedRow) {
            TKvGridDataRow row(4);
            for (int i = 0; i < c.Size(); ++i) {
                const auto r = static_cast<size_t>(i);
                row[0] = c.Ints[r];
                row[1] = c.Floats[r];
                row[2] = c.Texts[r];
                row[3] = Variant::DateTime(c.Dates[r]);
                p->InsertRow(i, row);
            }
        } else {
            for (int i = 0; i < c.Size(); ++i)
                p->InsertRow(i, {c.Ints[size_t(i)], c.Floats[size_t(i)], c.Texts[size_t(i)],
                                 Variant::DateTime(c.Dates[size_t(i)])});
        }
        if (how == TFill::InUpdate)
            p->EndUpdate(false);
        if (how == TFill::RowsThenSums) {
            benchmark::DoNotOptimize(p->GetSum(0));
            benchmark::DoNotOptimize(p->GetSum(1));
        }
        benchmark::DoNotOptimize(p->GetRowCount());
        state.PauseTiming();
        p.reset();
        state.ResumeTiming();
    }
}

void BM_KvFill(benchmark::State& state) { KvFill(state, false, TFill::Rows); }
void BM_KvFillUnshared(benchmark::State& state) { KvFill(state, true, TFill::Rows); }
void BM_KvFillInUpdate(benchmark::State& state) { KvFill(state, false, TFill::InUpdate); }
void BM_KvFillThenSums(benchmark::State& state) { KvFill(state, false, TFill::RowsThenSums); }
void BM_KvFillThenSumsUnshared(benchmark::State& state) { KvFill(state, true, TFill::RowsThenSums); }
void BM_KvFillInUpdateUnshared(benchmark::State& state) { KvFill(state, true, TFill::InUpdate); }
void BM_KvFillReusedRow(benchmark::State& state) { KvFill(state, false, TFill::ReusedRow); }
void BM_KvFillReusedRowUnshared(benchmark::State& state) { KvFill(state, true, TFill::ReusedRow); }

// The floor: four growing vectors, the texts numbered in order of first appearance.
struct TFloorTable
{
    std::vector<qint64> Ints;
    std::vector<double> Floats;
    std::vector<double> Dates;
    QHash<QString, int> TextNumbers;
    std::vector<QString> Texts;
    std::vector<int> TextOf;
};

void FillFloor(benchmark::State& state, bool unshared)
{
    const TColumns& c = Data(static_cast<int>(state.range(0)), unshared);
    for (auto _ : state) {
        auto t = std::make_unique<TFloorTable>();
        for (int i = 0; i < c.Size(); ++i) {
            const auto r = static_cast<size_t>(i);
            t->Ints.push_back(c.Ints[r]);
            t->Floats.push_back(c.Floats[r]);
            const QString& text = c.Texts[r];
            auto it = t->TextNumbers.constFind(text);
            if (it == t->TextNumbers.cend()) {
                it = t->TextNumbers.insert(text, static_cast<int>(t->Texts.size()));
                t->Texts.push_back(text);
            }
            t->TextOf.push_back(it.value());
            t->Dates.push_back(c.Dates[r]);
        }
        benchmark::DoNotOptimize(t->TextOf.data());
        state.PauseTiming();
        t.reset();
        state.ResumeTiming();
    }
}

void BM_FillFloor(benchmark::State& state) { FillFloor(state, false); }
void BM_FillFloorUnshared(benchmark::State& state) { FillFloor(state, true); }

void Rows(benchmark::internal::Benchmark* b) { b->Arg(1000000)->Unit(benchmark::kMillisecond); }

KV_BENCHMARK(BM_KvFill)->Apply(Rows);
KV_BENCHMARK(BM_KvFillInUpdate)->Apply(Rows);
KV_BENCHMARK(BM_KvFillReusedRow)->Apply(Rows);
KV_BENCHMARK(BM_KvFillThenSums)->Apply(Rows);
KV_BENCHMARK(BM_FillFloor)->Apply(Rows);
KV_BENCHMARK(BM_KvFillUnshared)->Apply(Rows);
KV_BENCHMARK(BM_KvFillInUpdateUnshared)->Apply(Rows);
KV_BENCHMARK(BM_KvFillReusedRowUnshared)->Apply(Rows);
KV_BENCHMARK(BM_KvFillThenSumsUnshared)->Apply(Rows);
KV_BENCHMARK(BM_FillFloorUnshared)->Apply(Rows);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    RunAndPrintRatios(&argc, argv,
                      {{"BM_KvFill", "BM_FillFloor"},
                       {"BM_KvFillInUpdate", "BM_FillFloor"},
                       {"BM_KvFillReusedRow", "BM_FillFloor"},
                       {"BM_KvFillThenSums", "BM_FillFloor"},
                       {"BM_KvFillUnshared", "BM_FillFloorUnshared"},
                       {"BM_KvFillInUpdateUnshared", "BM_FillFloorUnshared"},
                       {"BM_KvFillReusedRowUnshared", "BM_FillFloorUnshared"},
                       {"BM_KvFillThenSumsUnshared", "BM_FillFloorUnshared"}});
    return 0;
}
