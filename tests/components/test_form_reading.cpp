// Form files of a top-level grid over a CSV file that fail half-way or hold a bad filter: what
// the reader made is freed once, and one bad filter does not fail the form.
#include "components/KvGrids.Vantrel.h"
#include "ComponentTestSupport.h"
#include "TestSupport.h"

#include "model/KvGrids.Data.Files.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"
#include "platform/ui/MessageBox.h"

#include <QtCore/QDir>

using namespace kv;
using namespace kvtest;

namespace {

const QByteArray Regions = "Region,City,Qty\n"
                           "North,C0,1\n"
                           "East,C1,4\n"
                           "South,C2,6\n"
                           "West,C3,9\n";

// A form holding the grid and its CSV provider (the grid first, as a person places them,
// unless providerFirst), with an active filter of each criteria on the column of its field.
QString GridOverCsvForm(const QString& csvPath, const std::vector<std::pair<int, QString>>& filters = {},
                        bool providerFirst = false)
{
    RegisterComponentsTestForm();
    RegisterClasses<TKvVantrel, TKvCsvDataProvider>();
    TOwned<TComponentsTestForm> form{Create<TComponentsTestForm>(nullptr)};
    form->SetName(QStringLiteral("Form1"));
    TKvCsvDataProvider* csv = providerFirst ? Create<TKvCsvDataProvider>(form.get()) : nullptr;
    auto* grid = Create<TKvVantrel>(form.get());
    grid->SetName(QStringLiteral("Grid1"));
    if (!csv)
        csv = Create<TKvCsvDataProvider>(form.get());
    csv->SetName(QStringLiteral("Data1"));
    csv->SetTypeLine(-1);
    csv->SetFileName(csvPath);
    grid->SetDataProvider(csv);
    grid->GenerateDataColumns(true);
    EXPECT_EQ(grid->GetDataColumns().size(), 3u);
    for (const auto& [field, criteria] : filters) {
        TKvGridDataColumn* column = grid->GetDataColumns()[size_t(field)];
        auto* filter = static_cast<TKvGridColumnFilter*>(column->GetFilters()->Add());
        filter->SetCriteria(criteria);
        try {
            filter->SetActive(true);
        } catch (const EKvFilterError&) {
        }
        EXPECT_TRUE(filter->GetActive());
    }
    return WriteComponentText(form.get());
}

// Exceptions that reach the library's error path, recorded for a scope.
struct TExceptionRecorder
{
    QStringList Messages;
    TExceptionHook Previous = SetExceptionHook([this](const QString& m) { Messages << m; });
    ~TExceptionRecorder() { SetExceptionHook(Previous); }
};

} // namespace

// The provider's Loaded raises after the grid's Loaded adopted the consumer it read: the read
// fails with the provider's error, and the grid, its consumer and columns are freed once.
TEST(FormReading, AReadFailingAfterTheGridLoadedFreesEverythingOnce)
{
    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, QStringLiteral("regions.csv"), Regions);
    const QString text = GridOverCsvForm(path);
    ASSERT_TRUE(text.indexOf(QStringLiteral("TKvVantrel")) < text.indexOf(QStringLiteral("TKvCsvDataProvider")))
        << text.toStdString();
    ASSERT_TRUE(text.contains(QStringLiteral("object TKvGridItemConsumer"))) << text.toStdString();

    // Missing, then malformed (a quote left open), into an existing form and as a new root.
    ASSERT_TRUE(QFile::remove(path));
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        const bool malformed = round >= 2;
        if (malformed)
            WriteTestFile(dir, QStringLiteral("regions.csv"), QByteArray(Regions).append("East,\"C4,7\n"));
        const QString expected = malformed ? QStringLiteral("quote") : QStringLiteral("File is not exists: ") + path;
        try {
            if (round % 2 == 0) {
                TOwned<TComponentsTestForm> form{Create<TComponentsTestForm>(nullptr)};
                try {
                    ReadComponentText(text, form.get());
                } catch (...) {
                    EXPECT_EQ(form->GetComponentCount(), 0) << "the form is left as it was";
                    throw;
                }
            } else {
                TOwned<TComponent> root{ReadComponentText(text)};
            }
            ADD_FAILURE() << "the form read";
        } catch (const EReadError& e) {
            EXPECT_TRUE(e.Message().contains(expected, Qt::CaseInsensitive)) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(QStringLiteral("Data1"))) << e.Message().toStdString();
        }
    }
}

// A filter whose criteria does not parse is left out of a grid read from a form and reported
// once through the error path; the form reads, and the other filters apply, also when the
// data provider is read after the grid.
TEST(FormReading, ABadFilterIsLeftOutAndReportedOnce)
{
    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, QStringLiteral("regions.csv"), Regions);
    for (bool providerFirst : {false, true}) {
        SCOPED_TRACE(providerFirst ? "provider first" : "grid first");
        const QString good = GridOverCsvForm(path, {{2, QStringLiteral("value >= 5")}}, providerFirst);
        const QString bad = GridOverCsvForm(path, {{2, QStringLiteral("ralue >= 5")}}, providerFirst);
        const QString both = GridOverCsvForm(path, {{2, QStringLiteral("value >= 5")}, {1, QStringLiteral("ralue = 'C2'")}},
                                             providerFirst);
        struct TCase
        {
            const QString& Text;
            QStringList Cities;
            int Reports;
        };
        for (const TCase& c : {TCase{good, {"C2", "C3"}, 0}, TCase{bad, {"C0", "C1", "C2", "C3"}, 1},
                               TCase{both, {"C2", "C3"}, 1}}) {
            TExceptionRecorder shown;
            TOwned<TComponentsTestForm> form{Create<TComponentsTestForm>(nullptr)};
            ASSERT_NO_THROW(ReadComponentText(c.Text, form.get()));
            auto* grid = dynamic_cast<TKvVantrel*>(form->FindComponent(QStringLiteral("Grid1")));
            ASSERT_NE(grid, nullptr);
            ASSERT_EQ(grid->GetDataColumns().size(), 3u);
            QStringList cities;
            for (int i = 0; i < grid->GetItemCount(); ++i)
                cities << grid->GetCellData(TKvGridCellIndex(grid, i, grid->GetDataColumns()[1])).ToString();
            EXPECT_EQ(cities, c.Cities);
            ASSERT_EQ(shown.Messages.size(), c.Reports) << shown.Messages.join('\n').toStdString();
            if (c.Reports) {
                EXPECT_TRUE(shown.Messages[0].contains(QStringLiteral("ralue"))) << shown.Messages[0].toStdString();
                EXPECT_FALSE(shown.Messages[0].contains(QStringLiteral("value >= 5"))) << shown.Messages[0].toStdString();
            }
            // The filters stay as read.
            EXPECT_TRUE(grid->GetDataColumns()[2]->GetFilters()->GetFilter(0)->GetActive());
        }
    }
}
