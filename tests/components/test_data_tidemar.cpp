#include "components/KvGrids.Data.Tidemar.h"
#include "LoopbackServer.h"
#include "model/ModelTestSupport.h"
#include "platform/net/HttpRequest.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/Trace.h"
#include "TestSupport.h"

#include <QtCore/QStringEncoder>

using namespace kv;
using namespace kvtest;

namespace {

QByteArray Escaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray ReadResult(const QStringList& columns, const QList<QStringList>& rows)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Tidemar.Response><results><result><columns>";
    for (const QString& c : columns)
        xml += "<c name=\"" + Escaped(c) + "\"/>";
    xml += "</columns><values>";
    for (const QStringList& row : rows) {
        xml += "<r>";
        for (const QString& v : row)
            xml += "<f>" + Escaped(v) + "</f>";
        xml += "</r>";
    }
    return xml + "</values></result></results></Tidemar.Response>";
}

QByteArray ExecResult(const QList<std::pair<QString, QString>>& results)
{
    QByteArray xml = "<Tidemar.Response><results>";
    for (const auto& [name, value] : results)
        xml += "<m name=\"" + Escaped(name) + "\"><value>" + Escaped(value) + "</value></m>";
    return xml + "</results></Tidemar.Response>";
}

const QByteArray kErrorDoc = "<Tidemar.Response error=\"1\"><error><message>Bad call</message><detail>at line 3</detail>"
                             "<exception>SqlError</exception><trace>stack</trace></error></Tidemar.Response>";

// Parses a recorded request body.
std::unique_ptr<TXmlMessage> Parsed(const QByteArray& body)
{
    auto doc = std::make_unique<TXmlMessage>();
    EXPECT_TRUE(doc->Load(body, QStringLiteral("utf-8")));
    return doc;
}

// A provider bound to the loopback server, loaded with three people.
struct TRemote
{
    TLoopbackServer Server;
    TOwned<TKvTidemarDataProvider> P{MakeOwned<TKvTidemarDataProvider>(nullptr)};
    TDataRecorder Recorder;

    TRemote()
    {
        P->SetHost(QStringLiteral("127.0.0.1"));
        P->SetPort(Server.Port());
        P->SetTimeout(5);
        P->GetEditOptions()->SetUpadtable(true);
        P->AddListener(&Recorder);
    }
    ~TRemote() { P->RemoveListener(&Recorder); }

    void Load()
    {
        Server.Reply(ReadResult({"ID", "Name"}, {{"1", "Ann"}, {"2", "Bob"}, {"3", "Cid"}}));
        P->Request(QStringLiteral("People"), {}, {});
        Recorder.Events.clear();
    }
    QStringList Column(int field) const
    {
        QStringList out;
        for (int r = 0; r < P->GetRowCount(); ++r)
            out << P->GetData(r, field).ToString();
        return out;
    }
};

} // namespace

TEST(TidemarProvider, ReadRoundTrip)
{
    TRemote t;
    t.P->SetUser(QStringLiteral("kim"));
    t.P->SetPassword(QStringLiteral("pw"));
    t.P->SetMode(QStringLiteral("Re quest&x"));
    EXPECT_EQ(t.P->GetRowCount(), 0);
    EXPECT_EQ(t.P->GetFieldCount(), 0);
    t.Server.Reply(ReadResult({"ID", "Name", "Memo"}, {{"1", QStringLiteral("김철수"), "a < b & \"c\""},
                                                       {"2", "Bob", " "}}));
    TTraceCapture traces;
    t.P->Request(QStringLiteral("svc.List"), {"a", "b", "c"}, {Variant(1.5), Variant(QStringLiteral("x<y 한"))});

    const THttpRecord request = t.Server.Last();
    EXPECT_EQ(request.Method, "POST");
    EXPECT_EQ(request.Target, "/Services.aspx?mode=Re%20quest%26x");
    EXPECT_TRUE(request.Headers.contains("Authorization: Basic " + QByteArray("kim:pw").toBase64()));
    EXPECT_TRUE(request.Body.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Tidemar.Request user=\"kim\" "
                                        "reqType=\"100\" timeout=\"5\" tran=\"0\" name=\"svc.List\" version=\"1.0\">"
                                        "<methods><method name=\"\" huge=\"0\" maxRow=\"0\" scalar=\"0\" proc=\"svc.List\">"))
        << request.Body.constData();
    auto sent = Parsed(request.Body);
    const TXmlMessageNode params = sent->Root().Child("methods").Child("method").Child("params");
    ASSERT_EQ(params.ChildCount(), 2);
    EXPECT_EQ(params.FirstChild().Attribute("name"), QStringLiteral("a"));
    EXPECT_EQ(params.FirstChild().Attribute("direction"), QStringLiteral("1"));
    EXPECT_EQ(params.FirstChild().Text(), QStringLiteral("1.5"));
    EXPECT_EQ(params.FirstChild().NextSibling().Text(), QStringLiteral("x<y 한"));
    ASSERT_FALSE(traces.Lines().isEmpty());
    EXPECT_TRUE(traces.Lines()[0].startsWith(QStringLiteral("[TidemarService Request] svc.List\r\n<?xml")));

    EXPECT_EQ(t.Recorder.Events, QStringList{"reset"});
    EXPECT_EQ(t.P->GetRowCount(), 2);
    EXPECT_EQ(t.P->GetFieldNames(), (QStringList{"ID", "Name", "Memo"}));
    EXPECT_EQ(t.P->GetFieldIndex(QStringLiteral("memo")), 2);
    EXPECT_EQ(t.P->GetFieldIndex(QStringLiteral("x")), -1);
    EXPECT_EQ(t.P->GetData(0, 1), Variant(QStringLiteral("김철수")));
    EXPECT_EQ(t.P->GetData(0, 2), Variant("a < b & \"c\""));
    EXPECT_EQ(t.P->GetData(1, 2), Variant(" "));
    EXPECT_TRUE(t.P->GetData(2, 0).IsEmpty());
    EXPECT_TRUE(t.P->GetData(0, 3).IsEmpty());
    EXPECT_EQ(t.P->GetRow(1), (TKvGridDataRow{Variant("2"), Variant("Bob"), Variant(" ")}));

    // A short row takes a write into a cell it lacked.
    t.Server.Reply(ReadResult({"A", "B"}, {{"1"}}));
    t.P->Request(QStringLiteral("svc.List"), {}, {});
    EXPECT_TRUE(t.P->GetData(0, 1).IsEmpty());
    t.P->SetData(0, 1, QStringLiteral("b"));
    EXPECT_EQ(t.P->GetData(0, 1), Variant("b"));
    t.P->Rollback();
    EXPECT_EQ(t.P->GetData(0, 1), Variant(""));

    // The response's character set is honoured.
    QStringEncoder utf16(QStringEncoder::Utf16LE);
    const QByteArray body = utf16.encode(QString::fromUtf8(ReadResult({"Name"}, {{QStringLiteral("한글")}})));
    t.Server.Reply(THttpReply{200, body, "text/xml; charset=UTF-16LE"});
    t.P->Request(QStringLiteral("svc.List"), {}, {});
    EXPECT_EQ(t.P->GetData(0, 0), Variant(QStringLiteral("한글")));
}

TEST(TidemarProvider, MixedCommitInOneRequest)
{
    TRemote t;
    t.Load();
    t.P->SetCreateService(QStringLiteral("pkg:Ins"));
    t.P->SetCreateParams({QStringLiteral(" NAME = Name "), QString(), QStringLiteral("ID=")});
    t.P->SetUpdateService(QStringLiteral("Upd"));
    t.P->SetUpdateParams({QStringLiteral("ID"), QStringLiteral("NAME=Name")});
    t.P->SetDeleteService(QStringLiteral("Del"));
    t.P->SetDeleteParams({QStringLiteral("ID")});

    t.P->SetData(1, 1, QStringLiteral("새 <b>&"));
    EXPECT_EQ(t.P->GetRowState(1), RowStateUpdated);
    t.P->InsertRow(0, {Variant(), Variant("New")});
    // The insert moved the update to row 2.
    EXPECT_EQ(t.P->GetDirtyRows(), (TKvIntegerArray{0, 2}));
    t.P->UpdateRow(0, {Variant(), Variant("Newer")});
    EXPECT_EQ(t.P->GetRowState(0), RowStateCreated);
    t.P->RemoveRow(3);
    EXPECT_EQ(t.P->GetRowState(3), RowStateDeleted);
    EXPECT_EQ(t.Recorder.Events, (QStringList{"value 1,1", "inserted 0", "updated 0", "state 3"}));

    t.Server.Reply(ExecResult({{"pkg:Ins:0", "77"}, {"Upd:2", "1"}, {"Del:3", "1"}}));
    const int before = t.Server.Count();
    t.P->Commit();
    ASSERT_EQ(t.Server.Count(), before + 1);
    auto sent = Parsed(t.Server.Last().Body);
    const TXmlMessageNode root = sent->Root();
    EXPECT_EQ(root.Attribute("reqType"), QStringLiteral("101"));
    EXPECT_EQ(root.Attribute("tran"), QStringLiteral("1"));
    EXPECT_EQ(root.Attribute("timeout"), QStringLiteral("0"));
    QStringList methods;
    for (TXmlMessageNode m = root.Child("methods").FirstChild(); m; m = m.NextSibling()) {
        QStringList params;
        for (TXmlMessageNode p = m.Child("params").FirstChild(); p; p = p.NextSibling())
            params << p.Attribute("name") + QLatin1Char('=') + p.Text();
        methods << m.Attribute("name") + QLatin1Char('/') + m.Attribute("proc") + QLatin1Char(' ') + params.join(',');
    }
    EXPECT_EQ(methods, (QStringList{"pkg:Ins:0/pkg:Ins NAME=Newer,ID=", "Upd:2/Upd ID=2,NAME=새 <b>&", "Del:3/Del ID=3"}));

    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);
    EXPECT_EQ(t.Column(0), (QStringList{"77", "1", "2"}));
    EXPECT_EQ(t.Column(1), (QStringList{"Newer", "Ann", QStringLiteral("새 <b>&")}));
    EXPECT_EQ(t.Recorder.Events.last(), QStringLiteral("reset"));
    // Nothing pending: nothing sent.
    t.P->Commit();
    EXPECT_EQ(t.Server.Count(), before + 1);
}

TEST(TidemarProvider, FailuresLoseNothing)
{
    TRemote t;
    t.Load();
    t.P->SetUpdateService(QStringLiteral("Upd"));
    t.P->SetUpdateParams({QStringLiteral("ID"), QStringLiteral("Name")});
    t.P->SetCreateService(QStringLiteral("Ins"));
    t.P->SetCreateParams({QStringLiteral("Name")});
    t.P->UpdateRow(1, {Variant("2"), Variant("Bobby")});
    t.P->InsertRow(3, {Variant(), Variant("Dan")});
    const QStringList names = t.Column(1);

    auto expectUnchanged = [&] {
        EXPECT_EQ(t.P->GetDirtyRows(), (TKvIntegerArray{1, 3}));
        EXPECT_EQ(t.Column(1), names);
        EXPECT_EQ(t.P->GetFieldCount(), 2);
    };
    t.Server.Reply(kErrorDoc);
    KV_EXPECT_THROW_MSG(t.P->Commit(), Exception, "[SqlError]Bad call\r\nat line 3\r\nstack");
    expectUnchanged();
    t.Server.Reply(THttpReply{500, ExecResult({{"Upd:1", "1"}, {"Ins:3", "9"}})});
    KV_EXPECT_THROW_MSG(t.P->Commit(), EHttpError, "HTTP status 500 Server Error");
    expectUnchanged();
    t.Server.Reply(QByteArray("this is not xml"));
    KV_EXPECT_THROW_MSG(t.P->Commit(), Exception,
                        QStringLiteral("Invalid xml document from http://127.0.0.1:%1/Services.aspx?mode=Request: "
                                       "No document element found at byte 14")
                            .arg(t.Server.Port()));
    t.Server.Reply(QByteArray("<Tidemar.Response/>"));
    KV_EXPECT_THROW_MSG(t.P->Commit(), Exception, "Results node is not exists");
    t.Server.Reply(ExecResult({{"Upd:1", "1"}, {"Ins", "9"}}));
    KV_EXPECT_THROW_MSG(t.P->Commit(), Exception, "Invalid result name: Ins");
    t.Server.Reply(ExecResult({{"Upd:1", "1"}}));
    KV_EXPECT_THROW_MSG(t.P->Commit(), Exception, "Result is not exists for row: 3");
    expectUnchanged();
    // A read that fails keeps the table and the changes too.
    t.Server.Reply(THttpReply{500, ReadResult({"X"}, {})});
    EXPECT_THROW(t.P->Request(QStringLiteral("People"), {}, {}), EHttpError);
    t.Server.Reply(QByteArray("<Tidemar.Response><results/></Tidemar.Response>"));
    KV_EXPECT_THROW_MSG(t.P->Request(QStringLiteral("People"), {}, {}), Exception, "Results node is not exists");
    expectUnchanged();

    // Local faults are found before anything is sent.
    const int sent = t.Server.Count();
    t.P->SetKeyField(QStringLiteral("Nothing"));
    try {
        t.P->Commit();
        ADD_FAILURE() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.AssertMessage(), QStringLiteral("KeyField is not exists"));
        EXPECT_EQ(e.Module(), QStringLiteral("KvGrids.Data.Tidemar"));
    }
    t.P->SetKeyField(QStringLiteral("id"));
    t.P->SetUpdateService(QString());
    KV_EXPECT_THROW_MSG(t.P->Commit(), Exception, QStringLiteral("UpdateService가 지정되지 않았습니다."));
    t.P->SetUpdateService(QStringLiteral("Upd"));
    t.P->SetData(1, 1, QStringLiteral("bad\x01value"));
    KV_EXPECT_THROW_MSG(t.P->Commit(), Exception, "The value of parameter Name holds a character that XML does not allow");
    EXPECT_EQ(t.Server.Count(), sent);
    t.P->SetData(1, 1, QStringLiteral("Bobby"));
    expectUnchanged();

    // Refused connection, then a time-out (the dropped answer is in the next test).
    const int port = t.P->GetPort();
    t.P->SetPort(TLoopbackServer::ClosedPort());
    EXPECT_THROW(t.P->Commit(), EHttpError);
    EXPECT_TRUE(t.P->GetUnknownRows().empty()) << "nothing was sent";
    expectUnchanged();
    t.P->SetPort(port);
    t.P->SetTimeout(1);
    t.Server.Reply(THttpReply{200, ExecResult({}), "text/xml", 4000});
    // Timed out (a late answer would have raised the missing result instead).
    EXPECT_THROW(t.P->Commit(), EHttpError);
    expectUnchanged();
}

// A commit that the server applied but answered too late: the client cannot know the outcome.
// It says so, and the new row is not sent again as new until the data is refreshed.
TEST(TidemarProvider, ACommitWithoutAnAnswerIsNotSentAgainAsNew)
{
    TRemote t;
    t.Load();
    t.P->SetCreateService(QStringLiteral("Ins"));
    t.P->SetCreateParams({QStringLiteral("Name")});
    t.P->SetUpdateService(QStringLiteral("Upd"));
    t.P->SetUpdateParams({QStringLiteral("ID"), QStringLiteral("Name")});
    t.P->InsertRow(3, {Variant(), Variant("Dan")});
    t.P->SetTimeout(1);
    // The server takes the insert (it records it) and answers after the client gave up.
    t.Server.Reply(THttpReply{200, ExecResult({{"Ins:3", "9"}}), "text/xml", 2500});
    const int before = t.Server.Count();
    try {
        t.P->Commit();
        ADD_FAILURE() << "the commit timed out";
    } catch (const EHttpError& e) {
        EXPECT_TRUE(e.Message().contains("The outcome of the commit is unknown")) << e.Message().toStdString();
    }
    EXPECT_EQ(t.Server.Count(), before + 1);
    // Nothing is lost locally.
    EXPECT_EQ(t.P->GetDirtyRows(), (TKvIntegerArray{3}));
    EXPECT_EQ(t.Column(1), (QStringList{"Ann", "Bob", "Cid", "Dan"}));
    EXPECT_EQ(t.P->GetUnknownRows(), (TKvIntegerArray{3}));

    // The next commit, with another change too, refuses before sending anything.
    t.P->SetTimeout(5);
    t.P->UpdateRow(0, {Variant("1"), Variant("Anne")});
    KV_EXPECT_THROW_MSG(t.P->Commit(), Exception,
                        "Row 3 was sent by a commit that got no answer and may already exist on the server; refresh "
                        "the data (or remove the row) before committing");
    // A row inserted above it moves its mark with it.
    t.P->InsertRow(0, {Variant(), Variant("Eve")});
    EXPECT_EQ(t.P->GetUnknownRows(), (TKvIntegerArray{4}));
    KV_EXPECT_THROW_MSG(t.P->Commit(), Exception,
                        "Row 4 was sent by a commit that got no answer and may already exist on the server; refresh "
                        "the data (or remove the row) before committing");
    EXPECT_EQ(t.Server.Count(), before + 1);

    // Refreshing shows what the server holds; new rows then commit as usual.
    t.Server.Reply(ReadResult({"ID", "Name"}, {{"1", "Ann"}, {"2", "Bob"}, {"3", "Cid"}, {"9", "Dan"}}));
    t.P->Request(QStringLiteral("People"), {}, {});
    EXPECT_TRUE(t.P->GetUnknownRows().empty());
    EXPECT_EQ(t.Column(1), (QStringList{"Ann", "Bob", "Cid", "Dan"}));
    t.P->InsertRow(4, {Variant(), Variant("Fay")});
    t.Server.Reply(ExecResult({{"Ins:4", "10"}}));
    t.P->Commit();
    EXPECT_EQ(t.Column(0), (QStringList{"1", "2", "3", "9", "10"}));
    EXPECT_EQ(t.Server.Count(), before + 3);

    // A dropped connection is no answer either; removing the row locally (or a rollback)
    // lets the other changes go.
    t.P->InsertRow(5, {Variant(), Variant("Gus")});
    t.P->UpdateRow(1, {Variant("2"), Variant("Bobby")});
    t.Server.Reply(THttpReply{200, {}, "text/xml", 0, true});
    try {
        t.P->Commit();
        ADD_FAILURE() << "the connection was dropped";
    } catch (const EHttpError& e) {
        EXPECT_TRUE(e.Message().contains("The outcome of the commit is unknown")) << e.Message().toStdString();
    }
    EXPECT_EQ(t.P->GetUnknownRows(), (TKvIntegerArray{5}));
    t.P->RemoveRow(5);
    EXPECT_TRUE(t.P->GetUnknownRows().empty());
    t.Server.Reply(ExecResult({{"Upd:1", "1"}}));
    t.P->Commit();
    const auto sent = Parsed(t.Server.Last().Body);
    EXPECT_EQ(sent->Root().Child("methods").ChildCount(), 1);
    EXPECT_EQ(t.Column(1), (QStringList{"Ann", "Bobby", "Cid", "Dan", "Fay"}));
}

TEST(TidemarProvider, RollbackAutoCommitAndRowStates)
{
    TRemote t;
    // Inserting before any response is loaded.
    t.P->InsertRow(0, {Variant("x")});
    EXPECT_EQ(t.P->GetRowCount(), 1);
    EXPECT_EQ(t.P->GetRowState(0), RowStateCreated);
    KV_EXPECT_THROW_MSG(t.P->InsertRow(3, {}), EArgumentOutOfRangeException, "row: 3");

    t.Load();
    const QStringList names = t.Column(1);
    t.P->UpdateRow(0, {Variant("1"), Variant("Changed")});
    t.P->RemoveRow(0);
    t.P->SetData(2, 1, Variant(2.5));
    t.P->InsertRow(1, {Variant("9"), Variant("New")});
    EXPECT_EQ(t.P->GetDirtyRows(), (TKvIntegerArray{0, 1, 3}));
    EXPECT_EQ(t.P->GetData(3, 1), Variant("2.5"));
    KV_EXPECT_THROW_MSG(t.P->RemoveRow(4), EArgumentOutOfRangeException, "row: 4");
    t.P->Rollback();
    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);
    EXPECT_EQ(t.Column(1), names);

    // A row created and removed again is never sent.
    t.P->InsertRow(3, {Variant("9"), Variant("Temp")});
    t.P->RemoveRow(3);
    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);
    EXPECT_EQ(t.P->GetRowCount(), 3);
    t.P->SetDeleteService(QStringLiteral("Del"));
    t.P->RemoveRow(2);
    t.P->InsertRow(0, {Variant("8"), Variant("Zero")});
    EXPECT_EQ(t.P->GetDirtyRows(), (TKvIntegerArray{0, 3}));
    t.P->RemoveRow(0);
    EXPECT_EQ(t.P->GetDirtyRows(), (TKvIntegerArray{2}));
    t.P->Rollback();

    // AutoCommit: each change is sent at once; a failure keeps the change pending.
    t.P->SetUpdateService(QStringLiteral("Upd"));
    t.P->SetUpdateParams({QStringLiteral("ID")});
    t.P->SetAutoCommit(true);
    t.Server.Reply(ExecResult({{"Upd:1", "1"}}));
    t.P->UpdateRow(1, {Variant("2"), Variant("Robert")});
    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);
    EXPECT_EQ(t.P->GetData(1, 1), Variant("Robert"));
    t.Server.Reply(kErrorDoc);
    EXPECT_THROW(t.P->UpdateRow(0, {Variant("1"), Variant("Kept")}), Exception);
    EXPECT_EQ(t.P->GetDirtyRows(), (TKvIntegerArray{0}));
    EXPECT_EQ(t.P->GetData(0, 1), Variant("Kept"));
    KV_EXPECT_THROW_MSG(t.P->InsertRow(0, {}), Exception, QStringLiteral("CreateService가 지정되지 않았습니다."));
    EXPECT_EQ(t.P->GetRowCount(), 4);
    EXPECT_EQ(t.P->GetDirtyRows(), (TKvIntegerArray{0, 1}));
    t.P->Rollback();
    EXPECT_EQ(t.Column(1), QStringList({"Ann", "Robert", "Cid"}));
}

TEST(TidemarProvider, ServicesAndParamMaps)
{
    const auto map = TKvTidemarDataProvider::CreateParamMap(
        {QStringLiteral(" a = x "), QString(), QStringLiteral("b"), QStringLiteral("c ="), QStringLiteral("a = y")});
    ASSERT_EQ(map.size(), 3u);
    for (const auto& [param, field] : map)
        EXPECT_EQ(field, param == "a" ? QStringLiteral("x") : param);

    TKvTidemarExecService exec;
    exec.AddProc(2, QStringLiteral("P"));
    exec.AddProc(2, QStringLiteral("Q"));
    exec.AddParam(2, QStringLiteral("n"), 1);
    KV_EXPECT_THROW_MSG(exec.AddParam(5, QStringLiteral("n"), 1), Exception, "Param map is not exists for row: 5");

    TLoopbackServer server;
    TOwned<TKvTidemarDataProvider> p(MakeOwned<TKvTidemarDataProvider>(nullptr));
    p->SetHost(QStringLiteral("127.0.0.1"));
    p->SetPort(server.Port());
    server.Reply(ExecResult({{"a:b:-1", "done"}}));
    p->CallService(QStringLiteral("a:b"), {"k", "d"}, {Variant(true), Variant::DateTime(45000.5)});
    auto sent = Parsed(server.Last().Body);
    const TXmlMessageNode method = sent->Root().Child("methods").Child("method");
    EXPECT_EQ(method.Attribute("name"), QStringLiteral("a:b:-1"));
    EXPECT_EQ(method.Child("params").FirstChild().NextSibling().Text(), QStringLiteral("2023-03-15 12:00:00"));
    EXPECT_EQ(p->GetRowCount(), 0);
}

TEST(TidemarProvider, AnInsertAtAChangedRowMovesItsUpdateDownAndTheCommitWritesTheEditedRow)
{
    TRemote t;
    t.Load();
    t.P->SetCreateService(QStringLiteral("Ins"));
    t.P->SetCreateParams({QStringLiteral("Name")});
    t.P->SetUpdateService(QStringLiteral("Upd"));
    t.P->SetUpdateParams({QStringLiteral("ID"), QStringLiteral("Name")});

    t.P->SetData(1, 1, QStringLiteral("Bobby"));
    // A new row at the changed row's own place: the change moves down with its row.
    t.P->InsertRow(1, {Variant(), Variant("New")});
    EXPECT_EQ(t.Column(1), (QStringList{"Ann", "New", "Bobby", "Cid"}));
    EXPECT_EQ(t.P->GetRowState(1), RowStateCreated);
    EXPECT_EQ(t.P->GetRowState(2), RowStateUpdated);
    EXPECT_EQ(t.P->GetDirtyRows(), (TKvIntegerArray{1, 2}));

    t.Server.Reply(ExecResult({{"Ins:1", "9"}, {"Upd:2", "1"}}));
    t.P->Commit();
    auto sent = Parsed(t.Server.Last().Body);
    QStringList methods;
    for (TXmlMessageNode m = sent->Root().Child("methods").FirstChild(); m; m = m.NextSibling()) {
        QStringList params;
        for (TXmlMessageNode p = m.Child("params").FirstChild(); p; p = p.NextSibling())
            params << p.Attribute("name") + QLatin1Char('=') + p.Text();
        methods << m.Attribute("name") + QLatin1Char(' ') + params.join(',');
    }
    EXPECT_EQ(methods, (QStringList{"Ins:1 Name=New", "Upd:2 ID=2,Name=Bobby"}));
    EXPECT_EQ(t.Column(0), (QStringList{"1", "9", "2", "3"}));
    EXPECT_EQ(t.Column(1), (QStringList{"Ann", "New", "Bobby", "Cid"}));
    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);

    // The committed values are the ones a later rollback goes back to.
    t.P->SetData(2, 1, QStringLiteral("Robert"));
    t.P->UpdateRow(1, {Variant("9"), Variant("Newer")});
    EXPECT_EQ(t.Column(1), (QStringList{"Ann", "Newer", "Robert", "Cid"}));
    t.P->Rollback();
    EXPECT_EQ(t.Column(0), (QStringList{"1", "9", "2", "3"}));
    EXPECT_EQ(t.Column(1), (QStringList{"Ann", "New", "Bobby", "Cid"}));
    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);
}

namespace {

// A form that owns a remote provider and handles its request events.
class TRemoteForm : public TComponent
{
public:
    using TComponent::TComponent;
    QStringList Fired;
    void GetChildren(const TGetChildProc& proc, TComponent*) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            proc(GetComponent(i));
    }
    void Created(TObject*, int Row) { Fired << QStringLiteral("create %1").arg(Row); }
    void Updated(TObject*, int Row) { Fired << QStringLiteral("update %1").arg(Row); }
    void Deleted(TObject*, int Row) { Fired << QStringLiteral("delete %1").arg(Row); }
};

} // namespace

KV_PUBLISH(TRemoteForm, TComponent)
    .Method("Created", &TRemoteForm::Created)
    .Method("Updated", &TRemoteForm::Updated)
    .Method("Deleted", &TRemoteForm::Deleted);

TEST(TidemarProvider, AFormFileHoldsTheParameterMapsAndTheRequestEvents)
{
    RegisterClasses<TRemoteForm, TKvTidemarDataProvider>();
    const QString text = QStringLiteral(
        "object Form1: TRemoteForm\n"
        "  object Remote1: TKvTidemarDataProvider\n"
        "    Host = '127.0.0.1'\n"
        "    UpdateService = 'Upd'\n"
        "    EditOptions.Upadtable = True\n"
        "    OnRequestCreate = Created\n"
        "    OnRequestUpdate = Updated\n"
        "    OnRequestDelete = Deleted\n"
        "    CreateParams = (\n"
        "      'NAME = Name'\n"
        "      'ID=')\n"
        "    UpdateParams = (\n"
        "      'ID'\n"
        "      'NAME=Name')\n"
        "    DeleteParams = (\n"
        "      'ID')\n"
        "  end\n"
        "end\n");
    TOwned<TRemoteForm> form{Create<TRemoteForm>(nullptr)};
    ReadComponentText(text, form.get());
    auto* remote = dynamic_cast<TKvTidemarDataProvider*>(form->FindComponent(QStringLiteral("Remote1")));
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(remote->GetCreateParams(), (QStringList{"NAME = Name", "ID="}));
    EXPECT_EQ(remote->GetUpdateParams(), (QStringList{"ID", "NAME=Name"}));
    EXPECT_EQ(remote->GetDeleteParams(), (QStringList{"ID"}));
    // The events are the form's handlers.
    ASSERT_TRUE(remote->OnRequestCreate && remote->OnRequestUpdate && remote->OnRequestDelete);
    remote->OnRequestCreate(remote, 1);
    remote->OnRequestUpdate(remote, 2);
    remote->OnRequestDelete(remote, 3);
    EXPECT_EQ(form->Fired, (QStringList{"create 1", "update 2", "delete 3"}));

    // The maps read back drive a commit.
    TLoopbackServer server;
    remote->SetPort(server.Port());
    remote->SetTimeout(5);
    server.Reply(ReadResult({"ID", "Name"}, {{"1", "Ann"}, {"2", "Bob"}}));
    remote->Request(QStringLiteral("People"), {}, {});
    remote->SetData(1, 1, QStringLiteral("Bea"));
    server.Reply(ExecResult({{"Upd:1", "1"}}));
    remote->Commit();
    auto sent = Parsed(server.Last().Body);
    QStringList params;
    for (TXmlMessageNode p = sent->Root().Child("methods").Child("method").Child("params").FirstChild(); p;
         p = p.NextSibling())
        params << p.Attribute("name") + QLatin1Char('=') + p.Text();
    EXPECT_EQ(params, (QStringList{"ID=2", "NAME=Bea"}));

    // Written back as read; setting a list copies it, and an emptied list is left out.
    const QString written = WriteComponentText(form.get());
    EXPECT_TRUE(written.contains(QStringLiteral("OnRequestUpdate = Updated")));
    EXPECT_TRUE(written.contains(QStringLiteral("CreateParams = (")));
    TOwned<TRemoteForm> copy{Create<TRemoteForm>(nullptr)};
    ReadComponentText(written, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), written);
    auto* remote2 = dynamic_cast<TKvTidemarDataProvider*>(copy->FindComponent(QStringLiteral("Remote1")));
    ASSERT_NE(remote2, nullptr);
    EXPECT_EQ(remote2->GetUpdateParams(), remote->GetUpdateParams());
    QStringList lines{QStringLiteral("KEY = ID")};
    remote->SetDeleteParams(lines);
    lines << QStringLiteral("more");
    EXPECT_EQ(remote->GetDeleteParams(), (QStringList{"KEY = ID"}));
    remote->SetCreateParams({});
    EXPECT_FALSE(WriteComponentText(form.get()).contains(QStringLiteral("CreateParams")));

    // A list of something else than texts is refused with the line.
    TOwned<TRemoteForm> bad{Create<TRemoteForm>(nullptr)};
    QString broken = text;
    broken.replace(QStringLiteral("'ID')"), QStringLiteral("12)"));
    EXPECT_THROW(ReadComponentText(broken, bad.get()), EReadError);
}

// A cell's value is its whole text, however the server split it: CDATA sections (a "]]>"
// written as two of them), text beside CDATA, text around a comment, text in child elements.
TEST(TidemarProvider, ACellReadsItsWholeText)
{
    TRemote t;
    t.Server.Reply(QByteArray("<Tidemar.Response><results><result><columns><c name=\"A\"/><c name=\"B\"/></columns><values>"
                              "<r><i><![CDATA[ab]]]]><![CDATA[>cd]]></i><i><![CDATA[]]>aaa</i></r>"
                              "<r><i>x<![CDATA[<y>]]>z</i><i>one<!-- note -->two</i></r>"
                              "<r><i>p<b>q</b>r</i><i><![CDATA[]]></i></r>"
                              "<r><i>plain</i><i/></r>"
                              "</values></result></results></Tidemar.Response>"));
    t.P->Request(QStringLiteral("People"), {}, {});
    EXPECT_EQ(t.Column(0), (QStringList{"ab]]>cd", "x<y>z", "pqr", "plain"}));
    EXPECT_EQ(t.Column(1), (QStringList{"aaa", "onetwo", "", ""}));

    // An exec result's value the same way.
    t.P->SetCreateService(QStringLiteral("Ins"));
    t.P->SetCreateParams({QStringLiteral("A")});
    t.P->SetKeyField(QStringLiteral("A"));
    t.P->InsertRow(4, {Variant("new")});
    t.Server.Reply(QByteArray("<Tidemar.Response><results><m name=\"Ins:4\"><value>4<!-- id -->2<![CDATA[]]]]><![CDATA[>]]>"
                              "</value></m></results></Tidemar.Response>"));
    t.P->Commit();
    EXPECT_EQ(t.P->GetData(4, 0), Variant("42]]>"));
}

// A reply that is no XML document is reported with the address asked and where it broke.
TEST(TidemarProvider, AnUnreadableReplyNamesTheAddressAndThePlace)
{
    TRemote t;
    const QString url = QStringLiteral("http://127.0.0.1:%1/Services.aspx?mode=Request").arg(t.Server.Port());
    t.Server.Reply(QByteArray("<Tidemar.Response><results>\n<result></results></Tidemar.Response>"));
    KV_EXPECT_THROW_MSG(t.P->Request(QStringLiteral("People"), {}, {}), Exception,
                        QStringLiteral("Invalid xml document from %1: Start-end tags mismatch at byte 38").arg(url));
    t.Server.Reply(QByteArray());
    KV_EXPECT_THROW_MSG(t.P->Request(QStringLiteral("People"), {}, {}), Exception,
                        QStringLiteral("Invalid xml document from %1: No document element found at byte 0").arg(url));
    EXPECT_EQ(t.P->GetRowCount(), 0);
}

// A commit with two deleted rows removes exactly those rows, and sends one method for each.
TEST(TidemarProvider, ACommitRemovesExactlyTheDeletedRows)
{
    TRemote t;
    t.Server.Reply(ReadResult({"ID", "Name"}, {{"1", "Ann"}, {"2", "Bob"}, {"3", "Cid"}, {"4", "Dan"}, {"5", "Eve"}}));
    t.P->Request(QStringLiteral("People"), {}, {});
    t.P->SetDeleteService(QStringLiteral("Del"));
    t.P->SetDeleteParams({QStringLiteral("ID")});
    t.P->RemoveRow(1);
    t.P->RemoveRows({3});
    EXPECT_EQ(t.P->GetDirtyRows(), (TKvIntegerArray{1, 3}));
    t.Server.Reply(ExecResult({{"Del:1", "1"}, {"Del:3", "1"}}));
    t.P->Commit();
    auto sent = Parsed(t.Server.Last().Body);
    QStringList methods;
    for (TXmlMessageNode m = sent->Root().Child("methods").FirstChild(); m; m = m.NextSibling())
        methods << m.Attribute("name") + QLatin1Char(' ') + m.Child("params").FirstChild().Text();
    EXPECT_EQ(methods, (QStringList{"Del:1 2", "Del:3 4"}));
    EXPECT_EQ(t.Column(0), (QStringList{"1", "3", "5"}));
    EXPECT_EQ(t.Column(1), (QStringList{"Ann", "Cid", "Eve"}));
    EXPECT_EQ(t.P->GetDirtyRowCount(), 0);
}
