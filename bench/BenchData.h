// Benchmark data shared by the benchmark programs: rows of four fields (integer, float,
// 12-character text from 1,000 distinct values, date-time), in our providers and in Qt models.
#pragma once

#include "model/KvGrids.Data.Simple.h"

#include <QtCore/QAbstractTableModel>
#include <QtCore/QDateTime>
#include <cstdlib>
#include <sys/resource.h>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kvbench {

struct TColumns
{
    std::vector<qint64> Ints;
    std::vector<double> Floats;
    std::vector<QString> Texts;
    std::vector<double> Dates;
    int Size() const { return static_cast<int>(Ints.size()); }
};

// With Unshared, every text is its own string (as after reading a file), not a copy of one
// of the 1,000 words.
inline TColumns MakeColumns(int rows, unsigned seed = 42, bool unshared = false)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> intDist(0, 999);
    std::uniform_real_distribution<double> floatDist(0, 1000);
    std::vector<QString> words;
    for (int i = 0; i < 1000; ++i)
        words.push_back(QStringLiteral("w%1").arg(i * 7919 % 100000, 11, 10, QLatin1Char('0')).left(12));
    TColumns c;
    c.Ints.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        c.Ints.push_back(intDist(rng));
        c.Floats.push_back(floatDist(rng));
        const QString& word = words[static_cast<size_t>(intDist(rng))];
        c.Texts.push_back(unshared ? QString(word.constData(), word.size()) : word);
        c.Dates.push_back(45000 + intDist(rng) + floatDist(rng) / 1000);
    }
    return c;
}

// Owned by the caller (Free).
inline kv::TKvSimpleDataProvider* MakeProvider(const TColumns& c)
{
    auto* p = kv::Create<kv::TKvSimpleDataProvider>(nullptr);
    p->InsertColumns(0, 4, QStringLiteral("value,amount,name,when"), QStringLiteral("n,n,s,d"));
    for (int i = 0; i < c.Size(); ++i)
        p->InsertRow(i, {c.Ints[size_t(i)], c.Floats[size_t(i)], c.Texts[size_t(i)], kv::Variant::DateTime(c.Dates[size_t(i)])});
    return p;
}

// The same data as a Qt table model.
class TQtTable : public QAbstractTableModel
{
public:
    explicit TQtTable(const TColumns& c) : FColumns(c) {}
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : FColumns.Size(); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return {};
        const auto r = static_cast<size_t>(index.row());
        switch (index.column()) {
        case 0: return FColumns.Ints[r];
        case 1: return FColumns.Floats[r];
        case 2: return FColumns.Texts[r];
        default: return FColumns.Dates[r];
        }
    }

private:
    const TColumns& FColumns;
};

// The process CPU time of all threads so far, in seconds.
inline double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline void PrintProcessCpuAndLoad()
{
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("process CPU time (all threads) %.1f s; load average %.2f %.2f %.2f\n", ProcessCpuSeconds(), load[0],
                load[1], load[2]);
}

// Every timed case runs five times; the ratios take the medians of wall time and of the
// process CPU time of all threads.
inline void TimedFiveTimes(benchmark::internal::Benchmark* b)
{
    b->Repetitions(5)->DisplayAggregatesOnly(true)->MeasureProcessCPUTime()->UseRealTime();
}
#define KV_BENCHMARK(fn) BENCHMARK(fn)->Apply(kvbench::TimedFiveTimes)

// Collects each benchmark's median wall and process CPU times (a single run's when it is not
// repeated) and prints ratios of named pairs, with the process CPU time and the machine's load.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            std::string name = r.run_name.function_name;
            if (!r.run_name.args.empty())
                name += "/" + r.run_name.args;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (median || (r.run_type == Run::RT_Iteration && !FMedians.count(name))) {
                FTimes[name] = r.GetAdjustedRealTime();
                FCpuTimes[name] = r.GetAdjustedCPUTime();
                if (median)
                    FMedians.insert(name);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // Prints how many times faster the run named by the prefix ours was than theirs.
    void PrintRatio(const std::string& ours, const std::string& theirs) const
    {
        const double a = Find(ours), b = Find(theirs);
        const double ca = FindCpu(ours), cb = FindCpu(theirs);
        if (a > 0 && b > 0)
            std::printf("%s / %s: %.3gx wall, %.3gx process CPU (medians; below 1 is faster)\n", ours.c_str(),
                        theirs.c_str(), a / b, cb > 0 ? ca / cb : 0.0);
    }
    double Find(const std::string& prefix) const { return Lookup(FTimes, prefix); }
    double FindCpu(const std::string& prefix) const { return Lookup(FCpuTimes, prefix); }
    const std::map<std::string, double>& Times() const { return FTimes; }
    const std::map<std::string, double>& CpuTimes() const { return FCpuTimes; }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        PrintProcessCpuAndLoad();
    }

private:
    static double Lookup(const std::map<std::string, double>& times, const std::string& prefix)
    {
        for (const auto& [name, time] : times)
            if (name == prefix || name.rfind(prefix + "/", 0) == 0)
                return time;
        return 0;
    }
    std::map<std::string, double> FTimes;
    std::map<std::string, double> FCpuTimes;
    std::set<std::string> FMedians;
};

// Runs the benchmarks under a ratio reporter, then prints the ratio of each (ours, theirs) pair.
inline void RunAndPrintRatios(int* argc, char** argv,
                              std::initializer_list<std::pair<const char*, const char*>> ratios)
{
    benchmark::Initialize(argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const auto& [ours, theirs] : ratios)
        reporter.PrintRatio(ours, theirs);
    std::fflush(stdout);
}

} // namespace kvbench
