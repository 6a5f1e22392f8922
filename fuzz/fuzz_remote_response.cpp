// The remote service's response reader, through a loopback HTTP server. The input's first byte
// chooses a read or a commit and the HTTP status; the rest is the response body. A response
// that is refused raises the library's error and leaves the rows, values and pending changes
// as they were; a read that is taken gives a table whose rows, cells and names agree; a commit
// that is taken leaves no pending change and gives the new row the key the server returned.
#include "FuzzSupport.h"

#include "../tests/LoopbackServer.h"
#include "components/KvGrids.Data.Tidemar.h"

using namespace kv;
using namespace kvfuzz;

namespace {

const QByteArray kTable = "<R><results><result><columns><c name=\"ID\"/><c name=\"Name\"/></columns><values>"
                          "<r><f>1</f><f>Ann</f></r><r><f>2</f><f>Bob</f></r><r><f>3</f><f>Cid</f></r>"
                          "</values></result></results></R>";

kvtest::TLoopbackServer& Server()
{
    static kvtest::TLoopbackServer server;
    return server;
}

QStringList Snapshot(const TKvTidemarDataProvider& p)
{
    QStringList out{p.GetFieldNames().join(QChar(0x1F))};
    for (int r = 0; r < p.GetRowCount(); ++r) {
        QStringList row;
        for (const Variant& v : p.GetRow(r))
            row << v.ToString();
        out << row.join(QChar(0x1F)) + QStringLiteral(" state %1").arg(int(p.GetRowState(r)));
    }
    return out;
}

void CheckTable(const TKvTidemarDataProvider& p)
{
    Check(p.GetFieldNames().size() == p.GetFieldCount(), "field names and count differ");
    for (int f = 0; f < p.GetFieldCount(); ++f)
        Check(p.GetFieldIndex(p.GetFieldName(f)) <= f, "a field name finds a later field", p.GetFieldName(f));
    for (int r = 0; r < std::min(p.GetRowCount(), 64); ++r) {
        const TKvGridDataRow row = p.GetRow(r);
        Check(static_cast<int>(row.size()) == p.GetFieldCount(), "a row has another width than the fields");
        for (int f = 0; f < std::min(p.GetFieldCount(), 64); ++f) {
            const Variant cell = p.GetData(r, f);
            Check(cell.IsEmpty() ? row[static_cast<size_t>(f)].IsEmpty() : cell == row[static_cast<size_t>(f)],
                  "a cell and its row differ", cell.ToString());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const bool commit = data[0] & 1;
    const int status = data[0] & 2 ? 500 : 200;
    const QByteArray body(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));

    TOwned<TKvTidemarDataProvider> p = MakeOwned<TKvTidemarDataProvider>(nullptr);
    p->SetHost(QStringLiteral("127.0.0.1"));
    p->SetPort(Server().Port());
    p->SetTimeout(5);
    p->GetEditOptions()->SetUpadtable(true);
    p->SetUpdateService(QStringLiteral("Upd"));
    p->SetUpdateParams({QStringLiteral("ID"), QStringLiteral("Name")});
    p->SetCreateService(QStringLiteral("Ins"));
    p->SetCreateParams({QStringLiteral("Name")});
    p->SetDeleteService(QStringLiteral("Del"));
    p->SetDeleteParams({QStringLiteral("ID")});
    Server().Reply(kTable);
    QString error;
    Check(Refusable([&] { p->Request(QStringLiteral("People"), {}, {}); }, &error), "the table does not load", error);

    if (!commit) {
        p->UpdateRow(1, {Variant(QStringLiteral("2")), Variant(QStringLiteral("Bobby"))});
        const QStringList before = Snapshot(*p);
        Server().Reply(kvtest::THttpReply{status, body});
        if (!Refusable([&] { p->Request(QStringLiteral("People"), {}, {}); }, &error)) {
            Check(Snapshot(*p) == before, "a refused read changes the table", error);
            return 0;
        }
        Check(status == 200, "a read took a response of status 500");
        Check(p->GetDirtyRowCount() == 0, "a read keeps pending changes");
        CheckTable(*p);
        return 0;
    }

    p->UpdateRow(0, {Variant(QStringLiteral("1")), Variant(QStringLiteral("Anna"))});
    p->InsertRow(1, {Variant(), Variant(QStringLiteral("Dan"))});
    p->RemoveRow(3);
    const QStringList before = Snapshot(*p);
    Server().Reply(kvtest::THttpReply{status, body});
    if (!Refusable([&] { p->Commit(); }, &error)) {
        Check(Snapshot(*p) == before, "a refused commit changes the table", error);
        Check(p->GetDirtyRows() == TKvIntegerArray({0, 1, 3}), "a refused commit drops pending changes", error);
        return 0;
    }
    Check(status == 200, "a commit took a response of status 500");
    Check(p->GetDirtyRowCount() == 0, "a commit keeps pending changes");
    Check(p->GetRowCount() == 3, "a commit leaves the deleted row");
    Check(p->GetData(0, 1) == Variant(QStringLiteral("Anna")) && p->GetData(1, 1) == Variant(QStringLiteral("Dan")),
          "a commit changes the values sent");
    CheckTable(*p);
    return 0;
}
