// The remote service provider against the loopback server: a read of 100,000 rows by 10
// fields end to end, beside a bare libcurl fetch plus pugixml parse of the same body (the
// floor); a sort of the result through the default item provider beside a bare sort of the
// same texts; a commit of 10,000 changed rows beside a bare post of the same request.
#include "BenchData.h"
#include "components/KvGrids.Data.Tidemar.h"
#include "model/KvGrids.Model.Default.h"
#include "tests/LoopbackServer.h"

#include <QtCore/QCoreApplication>
#include <curl/curl.h>
#include <pugixml.hpp>

using namespace kv;
using namespace kvbench;
using namespace kvtest;

namespace {

constexpr int kRows = 100000;
constexpr int kFields = 10;
constexpr int kChanged = 10000;

QByteArray BigResult()
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Tidemar.Response><results><result><columns>";
    for (int f = 0; f < kFields; ++f)
        xml += "<c name=\"F" + QByteArray::number(f) + "\"/>";
    xml += "</columns><values>";
    xml.reserve(32 * 1024 * 1024);
    for (int r = 0; r < kRows; ++r) {
        xml += "<r>";
        xml += "<f>" + QByteArray::number(r) + "</f>";
        for (int f = 1; f < kFields; ++f)
            xml += "<f>value " + QByteArray::number((r * 7919 + f * 104729) % 1000003) + " of row</f>";
        xml += "</r>";
    }
    return xml + "</values></result></results></Tidemar.Response>";
}

struct TShared
{
    TLoopbackServer Server;
    QByteArray Body = BigResult();
    TOwned<TKvTidemarDataProvider> Provider{MakeOwned<TKvTidemarDataProvider>(nullptr)};
    QByteArray CommitRequest;

    TShared()
    {
        Provider->SetHost(QStringLiteral("127.0.0.1"));
        Provider->SetPort(Server.Port());
        Provider->SetUpdateService(QStringLiteral("Upd"));
        Provider->SetUpdateParams({QStringLiteral("F0"), QStringLiteral("F1")});
        Provider->GetEditOptions()->SetUpadtable(true);
    }
    void Load()
    {
        Server.Reply(Body);
        Provider->Request(QStringLiteral("Big"), {}, {});
    }
};

TShared& Shared()
{
    static TShared shared;
    return shared;
}

size_t Collect(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// One bare POST; answers the response body.
std::string BarePost(int port, const QByteArray& request)
{
    CURL* curl = curl_easy_init();
    std::string body;
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/Services.aspx?mode=Request";
    curl_slist* headers = curl_slist_append(nullptr, "Expect:");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_perform(curl);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return body;
}

void BM_TidemarRequest(benchmark::State& state)
{
    TShared& s = Shared();
    for (auto _ : state) {
        s.Load();
        benchmark::DoNotOptimize(s.Provider->GetRowCount());
    }
    if (s.Provider->GetRowCount() != kRows || s.Provider->GetFieldCount() != kFields)
        state.SkipWithError("wrong row or field count");
}

void BM_FloorCurlPugixml(benchmark::State& state)
{
    TShared& s = Shared();
    const QByteArray request = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Tidemar.Request/>";
    for (auto _ : state) {
        s.Server.Reply(s.Body);
        const std::string body = BarePost(s.Server.Port(), request);
        pugi::xml_document doc;
        if (body.size() != static_cast<size_t>(s.Body.size()) || !doc.load_buffer(body.data(), body.size()))
            state.SkipWithError("the floor did not read the body");
    }
}

void BM_TidemarSortThroughItemProvider(benchmark::State& state)
{
    TShared& s = Shared();
    s.Load();
    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    items->SetDataSource(s.Provider.get());
    for (auto _ : state) {
        items->OrderBy({1}, {SortAscending}, false);
        benchmark::DoNotOptimize(items->GetItem(0));
        state.PauseTiming();
        items->OrderBy({}, {}, false);
        state.ResumeTiming();
    }
    items->SetDataSource(nullptr);
}

void BM_BareSortOfTexts(benchmark::State& state)
{
    TShared& s = Shared();
    s.Load();
    for (auto _ : state) {
        std::vector<std::pair<QString, int>> keys;
        keys.reserve(kRows);
        for (int r = 0; r < kRows; ++r)
            keys.emplace_back(s.Provider->GetData(r, 1).AsString(), r);
        std::stable_sort(keys.begin(), keys.end(),
                         [](const auto& a, const auto& b) { return QString::compare(a.first, b.first) < 0; });
        benchmark::DoNotOptimize(keys.front().second);
    }
}

void BM_TidemarCommit10000Rows(benchmark::State& state)
{
    TShared& s = Shared();
    for (auto _ : state) {
        state.PauseTiming();
        s.Load();
        state.ResumeTiming();
        for (int r = 0; r < kRows; r += kRows / kChanged)
            s.Provider->SetData(r, 1, QStringLiteral("changed %1").arg(r));
        s.Server.Reply(QByteArray("<Tidemar.Response><results/></Tidemar.Response>"));
        s.Provider->Commit();
    }
    s.CommitRequest = s.Server.Last().Body;
    if (s.Provider->GetDirtyRowCount() != 0)
        state.SkipWithError("commit left changes");
}

void BM_FloorPostCommitRequest(benchmark::State& state)
{
    TShared& s = Shared();
    for (auto _ : state) {
        s.Server.Reply(QByteArray("<Tidemar.Response><results/></Tidemar.Response>"));
        const std::string body = BarePost(s.Server.Port(), s.CommitRequest);
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(body.data(), body.size()));
    }
}

BENCHMARK(BM_TidemarRequest)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_FloorCurlPugixml)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_TidemarSortThroughItemProvider)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BareSortOfTexts)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TidemarCommit10000Rows)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FloorPostCommitRequest)->Unit(benchmark::kMillisecond)->Iterations(3);

void PrintTimes(const TRatioReporter& reporter, const char* ours, const char* floor, const char* target)
{
    const double a = reporter.Find(ours), b = reporter.Find(floor);
    if (a > 0 && b > 0)
        std::printf("%s takes %.2fx the time of %s%s\n", ours, a / b, floor, target);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintTimes(reporter, "BM_TidemarRequest", "BM_FloorCurlPugixml", " (target 1.5x)");
    PrintTimes(reporter, "BM_TidemarSortThroughItemProvider", "BM_BareSortOfTexts", "");
    PrintTimes(reporter, "BM_TidemarCommit10000Rows", "BM_FloorPostCommitRequest", "");
    benchmark::Shutdown();
    return 0;
}
