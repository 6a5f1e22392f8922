// The remote service provider against the loopback server: a read of 100,000 rows by 10
// fields, then every cell read through GetData (text; the first field as a number), beside
// a bare libcurl fetch of the same body from the same server, a pugixml parse and every value
// read into a QString (the first field as a number), as a caller of those libraries would
// (the floor), with pugixml's default parse and with parse_embed_pcdata (the provider's). Two bodies: plain ASCII values, and values as users have them (Korean and
// Latin text, entity escapes, empty values and rows short of cells). Also: the request
// alone beside the fetch and parse alone; a sort of the result through the default item
// provider beside a bare sort of the same texts; a commit of 10,000 changed rows beside a
// bare post of the same request.
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

// Arg 0: "value N of row" in every text field. Arg 1: Korean and Latin text with entity
// escapes, every 13th value empty and every 97th row two cells short.
QByteArray BigResult(bool users)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Tidemar.Response><results><result><columns>";
    for (int f = 0; f < kFields; ++f)
        xml += "<c name=\"F" + QByteArray::number(f) + "\"/>";
    xml += "</columns><values>";
    xml.reserve(40 * 1024 * 1024);
    for (int r = 0; r < kRows; ++r) {
        xml += "<r>";
        xml += "<f>" + QByteArray::number(r) + "</f>";
        const int fields = users && r % 97 == 0 ? kFields - 2 : kFields;
        for (int f = 1; f < fields; ++f) {
            const int n = (r * 7919 + f * 104729) % 1000003;
            if (!users)
                xml += "<f>value " + QByteArray::number(n) + " of row</f>";
            else if (n % 13 == 0)
                xml += "<f></f>";
            else if (n % 3 == 0)
                xml += "<f>\xea\xb0\x80\xeb\x82\x98\xeb\x8b\xa4 " + QByteArray::number(n) + " \xec\x84\x9c\xec\x9a\xb8</f>";
            else if (n % 3 == 1)
                xml += "<f>Caf\xc3\xa9 &amp; &lt;" + QByteArray::number(n) + "&gt;</f>";
            else
                xml += "<f>plain " + QByteArray::number(n) + "</f>";
        }
        xml += "</r>";
    }
    return xml + "</values></result></results></Tidemar.Response>";
}

struct TShared
{
    TLoopbackServer Server;
    QByteArray Bodies[2] = {BigResult(false), BigResult(true)};
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
    void Load(int body = 0)
    {
        Server.Reply(Bodies[body]);
        Provider->Request(QStringLiteral("Big"), {}, {});
    }
};

TShared& Shared()
{
    static TShared shared;
    return shared;
}

struct TSink
{
    CURL* Curl;
    std::string Body;
};

// The body in one string, reserved from the Content-Length on the first chunk.
size_t Collect(char* data, size_t size, size_t count, void* user)
{
    auto* sink = static_cast<TSink*>(user);
    if (sink->Body.empty()) {
        curl_off_t length = -1;
        if (curl_easy_getinfo(sink->Curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length > 0)
            sink->Body.reserve(static_cast<size_t>(length));
    }
    sink->Body.append(data, size * count);
    return size * count;
}

// One bare POST; answers the response body.
std::string BarePost(int port, const QByteArray& request)
{
    CURL* curl = curl_easy_init();
    TSink sink{curl, {}};
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/Services.aspx?mode=Request";
    curl_slist* headers = curl_slist_append(nullptr, "Expect:");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_perform(curl);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return std::move(sink.Body);
}

const QByteArray kReadRequest = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Tidemar.Request/>";

// What a caller keeps of a read: the sum of the first field and the characters of the others.
struct TTally
{
    std::int64_t Sum = 0;
    std::int64_t Chars = 0;
    bool operator==(const TTally& o) const { return Sum == o.Sum && Chars == o.Chars; }
};
TTally gOurs, gFloor;

void BM_TidemarRequestAndReadEveryCell(benchmark::State& state)
{
    TShared& s = Shared();
    const int body = static_cast<int>(state.range(0));
    for (auto _ : state) {
        s.Load(body);
        TTally tally;
        const int rows = s.Provider->GetRowCount(), fields = s.Provider->GetFieldCount();
        for (int r = 0; r < rows; ++r) {
            tally.Sum += s.Provider->GetData(r, 0).ToInt64();
            for (int f = 1; f < fields; ++f) {
                const Variant v = s.Provider->GetData(r, f);
                if (v.IsString())
                    tally.Chars += v.AsString().size();
            }
        }
        gOurs = tally;
    }
    if (s.Provider->GetRowCount() != kRows || s.Provider->GetFieldCount() != kFields)
        state.SkipWithError("wrong row or field count");
}

// Arg 2: pugixml's default parse (0), or with each element's text kept in the element
// (parse_embed_pcdata, half the nodes), as the provider parses.
void BM_FloorCurlPugixmlReadEveryValue(benchmark::State& state)
{
    TShared& s = Shared();
    const int body = static_cast<int>(state.range(0));
    const unsigned options = pugi::parse_default | (state.range(1) ? pugi::parse_embed_pcdata : 0);
    for (auto _ : state) {
        s.Server.Reply(s.Bodies[body]);
        std::string text = BarePost(s.Server.Port(), kReadRequest);
        pugi::xml_document doc;
        if (!doc.load_buffer_inplace(text.data(), text.size(), options)) {
            state.SkipWithError("the floor did not read the body");
            break;
        }
        TTally tally;
        const pugi::xml_node values = doc.document_element().child("results").child("result").child("values");
        for (pugi::xml_node row = values.first_child(); row; row = row.next_sibling()) {
            pugi::xml_node cell = row.first_child();
            tally.Sum += cell.text().as_llong();
            for (cell = cell.next_sibling(); cell; cell = cell.next_sibling())
                tally.Chars += QString::fromUtf8(cell.text().get()).size();
        }
        gFloor = tally;
    }
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
    const unsigned options = pugi::parse_default | (state.range(0) ? pugi::parse_embed_pcdata : 0);
    for (auto _ : state) {
        s.Server.Reply(s.Bodies[0]);
        std::string body = BarePost(s.Server.Port(), kReadRequest);
        pugi::xml_document doc;
        if (body.size() != static_cast<size_t>(s.Bodies[0].size()) ||
            !doc.load_buffer_inplace(body.data(), body.size(), options))
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
        std::string body = BarePost(s.Server.Port(), s.CommitRequest);
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer_inplace(body.data(), body.size()));
    }
}

KV_BENCHMARK(BM_TidemarRequestAndReadEveryCell)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
KV_BENCHMARK(BM_FloorCurlPugixmlReadEveryValue)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(3);
KV_BENCHMARK(BM_TidemarRequest)->Unit(benchmark::kMillisecond)->Iterations(3);
KV_BENCHMARK(BM_FloorCurlPugixml)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
KV_BENCHMARK(BM_TidemarSortThroughItemProvider)->Unit(benchmark::kMillisecond)->Iterations(2);
KV_BENCHMARK(BM_BareSortOfTexts)->Unit(benchmark::kMillisecond)->Iterations(2);
KV_BENCHMARK(BM_TidemarCommit10000Rows)->Unit(benchmark::kMillisecond)->Iterations(2);
KV_BENCHMARK(BM_FloorPostCommitRequest)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const char* body : {"0", "1"})
        for (const char* parse : {"0", "1"})
            reporter.PrintRatio(std::string("BM_TidemarRequestAndReadEveryCell/") + body,
                                std::string("BM_FloorCurlPugixmlReadEveryValue/") + body + "/" + parse);
    reporter.PrintRatio("BM_TidemarRequest", "BM_FloorCurlPugixml/0");
    reporter.PrintRatio("BM_TidemarRequest", "BM_FloorCurlPugixml/1");
    reporter.PrintRatio("BM_TidemarSortThroughItemProvider", "BM_BareSortOfTexts");
    reporter.PrintRatio("BM_TidemarCommit10000Rows", "BM_FloorPostCommitRequest");
    if (reporter.Find("BM_TidemarRequestAndReadEveryCell") > 0 && reporter.Find("BM_FloorCurlPugixmlReadEveryValue") > 0)
        std::printf("every value read the same by both: %s\n", gOurs == gFloor ? "yes" : "NO");
    std::fflush(stdout);
    return 0;
}
