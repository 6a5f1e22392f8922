// Peak memory of a grid over 10,000,000 rows of four fields (integer, float, 12-character
// text from 1,000 distinct values, date-time) as users have them: our simple data provider
// filled row by row and bound to a shown grid that paints once, beside a QAbstractTableModel
// over typed column vectors shown in a QTableView that paints once. Each side runs in a
// child process of its own (this program started again with arguments), once with no rows
// and once with all of them; the difference over the row count is the cost of a row. Texts
// are each their own string (as read from a file), and, in a second pair of runs, copies of
// the 1,000 words.
#include "BenchData.h"
#include "grid/KvGrids.h"

#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QTableView>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kv;

namespace {

constexpr int Width = 1920;
constexpr int Height = 1080;

void Settle()
{
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The rows of kvbench::MakeColumns, one at a time, without keeping them.
class TRowSource
{
public:
    explicit TRowSource(bool unshared) : FUnshared(unshared)
    {
        for (int i = 0; i < 1000; ++i)
            FWords.push_back(QStringLiteral("w%1").arg(i * 7919 % 100000, 11, 10, QLatin1Char('0')).left(12));
    }
    void Next(qint64& value, double& amount, QString& name, double& when)
    {
        value = FInts(FRng);
        amount = FFloats(FRng);
        const QString& word = FWords[static_cast<size_t>(FInts(FRng))];
        name = FUnshared ? QString(word.constData(), word.size()) : word;
        when = 45000 + FInts(FRng) + FFloats(FRng) / 1000;
    }

private:
    bool FUnshared;
    std::mt19937 FRng{42};
    std::uniform_int_distribution<int> FInts{0, 999};
    std::uniform_real_distribution<double> FFloats{0, 1000};
    std::vector<QString> FWords;
};

void RunOurs(int rows, bool unshared)
{
    TOwned<TKvSimpleDataProvider> data(Create<TKvSimpleDataProvider>(nullptr));
    data->InsertColumns(0, 4, QStringLiteral("value,amount,name,when"), QStringLiteral("n,n,s,d"));
    TRowSource source(unshared);
    qint64 value = 0;
    double amount = 0, when = 0;
    QString name;
    for (int i = 0; i < rows; ++i) {
        source.Next(value, amount, name, when);
        data->InsertRow(i, {value, amount, name, Variant::DateTime(when)});
    }
    TOwned<TKvGridViewImpl> grid = MakeOwned<TKvGridViewImpl>(nullptr);
    for (const char* field : {"value", "amount", "name", "when"}) {
        TKvGridDataColumn* column = grid->AddDataColumn();
        column->SetFieldName(QString::fromLatin1(field));
        column->SetWidth(150);
    }
    grid->SetBounds(0, 0, Width, Height);
    grid->Show();
    Settle();
    grid->SetDataProvider(data.get());
    grid->ResetColumnIndicies();
    grid->RefreshView(false);
    grid->Update();
    Settle();
    grid.reset();
}

// Typed column vectors, as a Qt programmer holds such a table.
class TPeerTable : public QAbstractTableModel
{
public:
    TPeerTable(int rows, bool unshared)
    {
        FInts.reserve(static_cast<size_t>(rows));
        FFloats.reserve(static_cast<size_t>(rows));
        FTexts.reserve(static_cast<size_t>(rows));
        FDates.reserve(static_cast<size_t>(rows));
        TRowSource source(unshared);
        qint64 value = 0;
        double amount = 0, when = 0;
        QString name;
        for (int i = 0; i < rows; ++i) {
            source.Next(value, amount, name, when);
            FInts.push_back(value);
            FFloats.push_back(amount);
            FTexts.push_back(name);
            FDates.push_back(when);
        }
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(FInts.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        const auto r = static_cast<size_t>(index.row());
        switch (index.column()) {
        case 0: return FInts[r];
        case 1: return FFloats[r];
        case 2: return FTexts[r];
        default: return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>((FDates[r] - 25569) * 86400000.0));
        }
    }

private:
    std::vector<qint64> FInts;
    std::vector<double> FFloats;
    std::vector<QString> FTexts;
    std::vector<double> FDates;
};

void RunPeer(int rows, bool unshared)
{
    TPeerTable model(rows, unshared);
    QTableView view;
    view.resize(Width, Height);
    view.horizontalHeader()->setDefaultSectionSize(150);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.setModel(&model);
    view.show();
    Settle();
    view.viewport()->repaint();
    Settle();
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The child's peak resident set in bytes, or -1 when it failed.
double RunChild(const char* side, int rows, bool unshared)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string count = std::to_string(rows);
        execl("/proc/self/exe", "kv_bench_grid_memory", "--side", side, count.c_str(), unshared ? "unshared" : "shared",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return static_cast<double>(usage.ru_maxrss) * 1024;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_FONT_DPI", "96", 1);
    if (argc == 5 && std::strcmp(argv[1], "--side") == 0) {
        int qtArgc = 1;
        QApplication app(qtArgc, argv);
        const int rows = std::atoi(argv[3]);
        const bool unshared = std::strcmp(argv[4], "unshared") == 0;
        if (std::strcmp(argv[2], "ours") == 0)
            RunOurs(rows, unshared);
        else
            RunPeer(rows, unshared);
        std::fprintf(stderr, "%s %d rows: peak %ld kB\n", argv[2], rows, PeakKilobytes());
        return 0;
    }
    // A row count as the first argument; other arguments (benchmark flags) leave the default.
    const int rows = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 10000000;
    std::printf("peak resident memory, %d rows of four fields (each side in a process of its own):\n", rows);
    for (const bool unshared : {true, false}) {
        const double ours = RunChild("ours", rows, unshared), oursBase = RunChild("ours", 0, unshared);
        const double peer = RunChild("peer", rows, unshared), peerBase = RunChild("peer", 0, unshared);
        if (ours < 0 || oursBase < 0 || peer < 0 || peerBase < 0) {
            std::printf("  a child process failed\n");
            return 1;
        }
        std::printf("  texts %s:\n", unshared ? "each its own string" : "copies of 1,000 words");
        std::printf("    ours (simple provider + grid):   %7.1f MB peak, %6.1f MB with no rows, %5.1f bytes per row\n",
                    ours / 1e6, oursBase / 1e6, (ours - oursBase) / rows);
        std::printf("    QAbstractTableModel + QTableView: %7.1f MB peak, %6.1f MB with no rows, %5.1f bytes per row\n",
                    peer / 1e6, peerBase / 1e6, (peer - peerBase) / rows);
        std::printf("    ours / theirs: %.2f peak, %.2f per row\n", ours / peer, (ours - oursBase) / (peer - peerBase));
    }
    kvbench::PrintProcessCpuAndLoad();
    return 0;
}
