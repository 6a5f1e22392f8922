// The remote data provider and its services.
//
// Sections: services (request building, posting, response checks) - provider (loading and
// reading a response, reading, local changes, commit and rollback).
//
// Call flow: Request and CallService make a service (CreateServiceFor), whose Send builds the
// request document, posts it through THttpRequest and checks the response (ReadResponse);
// Request then adopts it (Adopt checks it and takes its cells out as a table of texts) and
// resets the listeners. SetData, UpdateRow, InsertRow and RemoveRow(s) change the table and
// record row states; with AutoCommit they end in Commit, which posts one exec request; a
// failure keeps the changes pending.
#include "components/KvGrids.Data.Tidemar.h"

#include "platform/net/HttpRequest.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/Trace.h"
#include "platform/rtl/TypInfo.h"

#include <QtCore/QUrl>
#include <algorithm>
#include <limits>

namespace kv {

namespace {

const char* const kRequestText = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Tidemar.Request/>";

// Every value is written in one invariant form ('.' decimals, ISO dates).
QString ValueText(const Variant& value)
{
    return value.ToString();
}

QString CheckedText(const QString& what, const QString& text)
{
    if (!TXmlMessage::IsValidText(text))
        throw Exception(QStringLiteral("%1 holds a character that XML does not allow").arg(what));
    return text;
}

[[noreturn]] void RaiseNoResults()
{
    throw Exception(QStringLiteral("Results node is not exists"));
}

} // namespace

// --- services -----------------------------------------------------------------------------

TKvTidemarService::TKvTidemarService()
    : FHost(QStringLiteral("localhost")), FContext(QStringLiteral("Services.aspx")), FMode(QStringLiteral("Request"))
{
}

QString TKvTidemarService::GetUrl() const
{
    return QStringLiteral("http://") + FHost + QLatin1Char(':') + QString::number(FPort) + QLatin1Char('/') + FContext +
           QStringLiteral("?mode=") + QString::fromLatin1(QUrl::toPercentEncoding(FMode));
}

std::unique_ptr<TXmlMessage> TKvTidemarService::Send()
{
    const QByteArray request = CreateRequest();
    if (TraceEnabled())
        trace(QStringLiteral("[TidemarService Request] ") + FService + QStringLiteral("\r\n") + QString::fromUtf8(request));
    THttpRequest http;
    const int receive = FTimeout > std::numeric_limits<int>::max() / 1000 ? std::numeric_limits<int>::max() : FTimeout * 1000;
    http.SetTimeouts(15000, 15000, 15000, std::max(0, receive));
    http.Open(QStringLiteral("POST"), GetUrl(), false, FUser, FPassword);
    http.SetRequestHeader(QStringLiteral("Content-Type"), QStringLiteral("text/xml; charset=utf-8"));
    http.Send(request);
    if (http.GetStatus() < 200 || http.GetStatus() > 299)
        throw EHttpError(QStringLiteral("HTTP status %1 %2").arg(http.GetStatus()).arg(http.GetStatusText()).trimmed());
    auto response = std::make_unique<TXmlMessage>();
    if (!response->Load(http.TakeResponseBody(), http.GetResponseCharset()) || !response->Root()) {
        const QString why = response->GetError().isEmpty() ? QStringLiteral("no document element") : response->GetError();
        throw Exception(QStringLiteral("Invalid xml document from %1: %2").arg(GetUrl(), why));
    }
    ReadResponse(*response);
    return response;
}

void TKvTidemarService::ReadResponse(const TXmlMessage& Response)
{
    const TXmlMessageNode root = Response.Root();
    if (!root.HasAttribute("error"))
        return;
    const TXmlMessageNode error = root.Child("error");
    throw Exception(QLatin1Char('[') + error.Child("exception").Text() + QLatin1Char(']') +
                    error.Child("message").Text() + QStringLiteral("\r\n") + error.Child("detail").Text() +
                    QStringLiteral("\r\n") + error.Child("trace").Text());
}

std::pair<std::unique_ptr<TXmlMessage>, TXmlMessageNode> TKvTidemarService::NewRequest(const QString& user, int reqType,
                                                                                        int timeout, int tran,
                                                                                        const QString& name)
{
    auto doc = std::make_unique<TXmlMessage>();
    doc->Load(QByteArray(kRequestText));
    TXmlMessageNode root = doc->Root();
    root.SetAttribute("user", CheckedText(QStringLiteral("The user name"), user));
    root.SetAttribute("reqType", QString::number(reqType));
    root.SetAttribute("timeout", QString::number(timeout));
    root.SetAttribute("tran", QString::number(tran));
    root.SetAttribute("name", CheckedText(QStringLiteral("The service name"), name));
    root.SetAttribute("version", QStringLiteral("1.0"));
    TXmlMessageNode methods = root.AppendChild("methods");
    return {std::move(doc), methods};
}

void TKvTidemarService::AddMethod(TXmlMessageNode methods, const QString& name, const QString& proc,
                                  const TKvTidemarParams& params)
{
    TXmlMessageNode method = methods.AppendChild("method");
    method.SetAttribute("name", CheckedText(QStringLiteral("The method name"), name));
    method.SetAttribute("huge", QStringLiteral("0"));
    method.SetAttribute("maxRow", QStringLiteral("0"));
    method.SetAttribute("scalar", QStringLiteral("0"));
    method.SetAttribute("proc", CheckedText(QStringLiteral("The procedure name"), proc));
    TXmlMessageNode list = method.AppendChild("params");
    for (const auto& [paramName, value] : params) {
        TXmlMessageNode param = list.AppendChild("param");
        param.SetAttribute("name", CheckedText(QStringLiteral("The parameter name"), paramName));
        param.SetAttribute("direction", QStringLiteral("1"));
        param.SetText(CheckedText(QStringLiteral("The value of parameter ") + paramName, ValueText(value)));
    }
}

namespace {

void SetParam(TKvTidemarParams& params, const QString& name, const Variant& value)
{
    for (auto& entry : params)
        if (entry.first == name) {
            entry.second = value;
            return;
        }
    params.emplace_back(name, value);
}

template <typename S>
void CopyConnection(S& service, const TKvTidemarDataProvider* provider)
{
    service.FHost = provider->GetHost();
    service.FPort = static_cast<quint16>(provider->GetPort());
    service.FContext = provider->GetContext();
    service.FMode = provider->GetMode();
    service.FUser = provider->GetUser();
    service.FPassword = provider->GetPassword();
    service.FTimeout = provider->GetTimeout();
}

} // namespace

void TKvTidemarReadService::AddParam(const QString& Name, const Variant& Value)
{
    SetParam(FParams, Name, Value);
}

std::unique_ptr<TKvTidemarReadService> TKvTidemarReadService::CreateServiceFor(const TKvTidemarDataProvider* Provider,
                                                                               const QString& Service)
{
    auto service = std::make_unique<TKvTidemarReadService>();
    CopyConnection(*service, Provider);
    service->FService = Service;
    return service;
}

QByteArray TKvTidemarReadService::CreateRequest() const
{
    auto [doc, methods] = NewRequest(FUser, 100, FTimeout, 0, FService);
    AddMethod(methods, QString(), FService, FParams);
    return doc->ToUtf8();
}

void TKvTidemarExecService::AddProc(int Row, const QString& Proc)
{
    if (FProcs.count(Row))
        return;
    FProcs[Row] = Proc;
    FParams[Row];
}

void TKvTidemarExecService::AddParam(int Row, const QString& Name, const Variant& Value)
{
    const auto it = FParams.find(Row);
    if (it == FParams.end())
        throw Exception(QStringLiteral("Param map is not exists for row: %1").arg(Row));
    SetParam(it->second, Name, Value);
}

std::unique_ptr<TKvTidemarExecService> TKvTidemarExecService::CreateServiceFor(const TKvTidemarDataProvider* Provider)
{
    auto service = std::make_unique<TKvTidemarExecService>();
    CopyConnection(*service, Provider);
    return service;
}

QByteArray TKvTidemarExecService::CreateRequest() const
{
    auto [doc, methods] = NewRequest(QString(), 101, 0, 1, FService);
    for (const auto& [row, proc] : FProcs)
        AddMethod(methods, proc + QLatin1Char(':') + QString::number(row), proc, FParams.at(row));
    return doc->ToUtf8();
}

void TKvTidemarExecService::ReadResponse(const TXmlMessage& Response)
{
    TKvTidemarService::ReadResponse(Response);
    const TXmlMessageNode results = Response.Root().Child("results");
    if (!results)
        RaiseNoResults();
    std::map<int, Variant> read;
    for (TXmlMessageNode result = results.FirstChild(); result; result = result.NextSibling()) {
        // "proc:row"; a procedure name may hold ':' itself.
        const QString name = result.Attribute("name").left(1000);
        const qsizetype colon = name.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int row = colon < 0 ? 0 : name.mid(colon + 1).toInt(&ok);
        if (!ok)
            throw Exception(QStringLiteral("Invalid result name: %1").arg(name));
        if (const TXmlMessageNode value = result.Child("value"))
            read[row] = Variant(value.Text());
    }
    FResults = std::move(read);
}

// --- provider: loading and reading --------------------------------------------------------

TKvTidemarDataProvider::TKvTidemarDataProvider(TComponent* AOwner)
    : TKvGridDataProvider(AOwner), FHost(QStringLiteral("localhost")), FContext(QStringLiteral("Services.aspx")),
      FMode(QStringLiteral("Request")), FKeyField(QStringLiteral("ID")),
      FEditOptions(MakeOwned<TKvGridDataEditOptions>())
{
}

TKvTidemarDataProvider::~TKvTidemarDataProvider() = default;

void TKvTidemarDataProvider::Request(const QString& Service, const QStringList& Names, const TVariantArray& Values)
{
    auto service = TKvTidemarReadService::CreateServiceFor(this, Service);
    const qsizetype count = std::min<qsizetype>(Names.size(), static_cast<qsizetype>(Values.size()));
    for (qsizetype i = 0; i < count; ++i)
        service->AddParam(Names[i], Values[static_cast<size_t>(i)]);
    Adopt(service->Send());
    DoReset();
}

void TKvTidemarDataProvider::Adopt(std::unique_ptr<TXmlMessage> Document)
{
    // Everything is checked and read before the current data is replaced.
    const TXmlMessageNode result = Document->Root().Child("results").Child("result");
    const TXmlMessageNode columns = result.Child("columns");
    const TXmlMessageNode values = result.Child("values");
    if (!columns || !values)
        RaiseNoResults();
    QStringList names;
    for (TXmlMessageNode c = columns.FirstChild(); c; c = c.NextSibling())
        names.append(c.Attribute("name"));
    TXmlMessageTable table = Document->TakeTable(values, static_cast<int>(names.size()));
    FFieldNames = std::move(names);
    FValues = std::move(table);
    FRowStates.clear();
    FUpdateBuffer.clear();
    FUnknownRows.clear();
}

QString TKvTidemarDataProvider::GetFieldName(int Field) const
{
    return Field >= 0 && Field < FFieldNames.size() ? FFieldNames[Field] : QString();
}

int TKvTidemarDataProvider::GetFieldIndex(const QString& Name) const
{
    for (int i = 0; i < FFieldNames.size(); ++i)
        if (FFieldNames[i].compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Variant TKvTidemarDataProvider::GetData(int Row, int Field) const
{
    return FValues.HasCell(Row, Field) ? Variant(FValues.Text(Row, Field)) : Variant();
}

TKvGridDataRow TKvTidemarDataProvider::GetRow(int Row) const
{
    TKvGridDataRow row(static_cast<size_t>(GetFieldCount()));
    for (int f = 0; f < GetFieldCount(); ++f)
        if (FValues.HasCell(Row, f))
            row[static_cast<size_t>(f)] = Variant(FValues.Text(Row, f));
    return row;
}

TKvGridDataRowState TKvTidemarDataProvider::GetRowState(int Row) const
{
    const auto it = FRowStates.find(Row);
    return it == FRowStates.end() ? RowStateNone : it->second;
}

TKvIntegerArray TKvTidemarDataProvider::GetDirtyRows() const
{
    TKvIntegerArray rows;
    for (const auto& entry : FRowStates)
        rows.push_back(entry.first);
    return rows;
}

// --- provider: local changes --------------------------------------------------------------

void TKvTidemarDataProvider::CheckRow(int Row, int Count) const
{
    if (Row < 0 || Row >= Count)
        throw EArgumentOutOfRangeException(QStringLiteral("row: %1").arg(Row));
}

void TKvTidemarDataProvider::RememberRow(int Row)
{
    if (GetRowState(Row) != RowStateNone || FUpdateBuffer.count(Row))
        return;
    FUpdateBuffer[Row] = GetRow(Row);
}

void TKvTidemarDataProvider::MarkUpdated(int Row)
{
    if (GetRowState(Row) == RowStateNone)
        FRowStates[Row] = RowStateUpdated;
}

void TKvTidemarDataProvider::AutoCommitChange()
{
    if (!FAutoCommit || FUpdateService.isEmpty() || FCommitting)
        return;
    // A failure keeps the change pending: rolling back would lose what the user typed, and
    // its reset would have the grid commit the same change again.
    Commit();
}

void TKvTidemarDataProvider::SetData(int Row, int Field, const Variant& Value)
{
    if (!FEditOptions->GetUpadtable())
        return;
    if (Row < 0 || Row >= GetRowCount() || Field < 0 || Field >= GetFieldCount())
        return;
    RememberRow(Row);
    FValues.SetText(Row, Field, ValueText(Value));
    MarkUpdated(Row);
    DoValueChanged(Row, Field);
}

void TKvTidemarDataProvider::UpdateRow(int Row, const TKvGridDataRow& Values)
{
    if (Row < 0 || Row >= GetRowCount())
        return;
    RememberRow(Row);
    const int count = std::min(GetFieldCount(), static_cast<int>(Values.size()));
    for (int f = 0; f < count; ++f)
        FValues.SetText(Row, f, ValueText(Values[static_cast<size_t>(f)]));
    MarkUpdated(Row);
    DoRowUpdated(Row);
    AutoCommitChange();
}

void TKvTidemarDataProvider::ShiftEntries(int Row, int Delta)
{
    std::map<int, TKvGridDataRowState> states;
    for (const auto& [row, state] : FRowStates)
        states[row >= Row ? row + Delta : row] = state;
    FRowStates = std::move(states);
    std::set<int> unknown;
    for (int row : FUnknownRows)
        unknown.insert(row >= Row ? row + Delta : row);
    FUnknownRows = std::move(unknown);
    std::map<int, TKvGridDataRow> buffer;
    for (auto& [row, values] : FUpdateBuffer)
        buffer[row >= Row ? row + Delta : row] = std::move(values);
    FUpdateBuffer = std::move(buffer);
}

void TKvTidemarDataProvider::InsertRow(int Row, const TKvGridDataRow& Values)
{
    CheckRow(Row, GetRowCount() + 1);
    FValues.InsertRow(Row);
    const int count = std::min(GetFieldCount(), static_cast<int>(Values.size()));
    for (int f = 0; f < count; ++f)
        FValues.SetText(Row, f, ValueText(Values[static_cast<size_t>(f)]));
    ShiftEntries(Row, 1);
    FRowStates[Row] = RowStateCreated;
    DoRowInserted(Row);
    AutoCommitChange();
}

void TKvTidemarDataProvider::RemoveRow(int Row)
{
    CheckRow(Row, GetRowCount());
    if (GetRowState(Row) == RowStateCreated) {
        // Never sent: it simply goes.
        FValues.RemoveRow(Row);
        FRowStates.erase(Row);
        FUpdateBuffer.erase(Row);
        FUnknownRows.erase(Row);
        ShiftEntries(Row + 1, -1);
        DoRowRemoved(Row);
    } else {
        FRowStates[Row] = RowStateDeleted;
        DoRowStateChanged(Row);
    }
    AutoCommitChange();
}

void TKvTidemarDataProvider::RemoveRows(const TKvIntegerArray& Rows)
{
    TKvIntegerArray rows = Rows;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows)
        CheckRow(row, GetRowCount());
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        RemoveRow(*it);
}

void TKvTidemarDataProvider::SetAutoCommit(bool Value)
{
    if (Value == FAutoCommit)
        return;
    FAutoCommit = Value;
    if (FAutoCommit)
        Commit();
}

// --- provider: commit and rollback --------------------------------------------------------

std::vector<std::pair<QString, QString>> TKvTidemarDataProvider::CreateParamMap(const QStringList& Lines)
{
    std::vector<std::pair<QString, QString>> map;
    // From the last line up, a later (upper) line replaces an entry of the same name.
    for (qsizetype i = Lines.size() - 1; i >= 0; --i) {
        const QString line = Lines[i].trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString param = eq < 0 ? line : line.left(eq).trimmed();
        QString field = eq < 0 ? line : line.mid(eq + 1).trimmed();
        if (field.isEmpty())
            field = param;
        const auto it = std::find_if(map.begin(), map.end(), [&](const auto& e) { return e.first == param; });
        if (it != map.end())
            it->second = field;
        else
            map.emplace_back(param, field);
    }
    std::reverse(map.begin(), map.end());
    return map;
}

void TKvTidemarDataProvider::Commit()
{
    if (FCommitting)
        return;
    // A row still pending over this provider (an open editor's text in it) is written first;
    // a refusal there stops the commit before anything is sent.
    DoCommitting();
    if (FRowStates.empty() || FCommitting)
        return;
    TRestore<bool> committing(FCommitting, true);
    auto service = TKvTidemarExecService::CreateServiceFor(this);
    // Parameter name and field index, per kind of change.
    std::map<TKvGridDataRowState, std::vector<std::pair<QString, int>>> maps;
    int keyField = -1;
    // Everything that can fail locally fails here, before the request is sent.
    for (const auto& [row, state] : FRowStates) {
        const QString* name = nullptr;
        const QStringList* lines = nullptr;
        const char* missing = nullptr;
        switch (state) {
        case RowStateCreated:
            name = &FCreateService, lines = &FCreateParams, missing = "CreateService가 지정되지 않았습니다.";
            break;
        case RowStateUpdated:
            name = &FUpdateService, lines = &FUpdateParams, missing = "UpdateService가 지정되지 않았습니다.";
            break;
        case RowStateDeleted:
            name = &FDeleteService, lines = &FDeleteParams, missing = "DeleteService가 지정되지 않았습니다.";
            break;
        default: continue;
        }
        if (name->isEmpty())
            throw Exception(QString::fromUtf8(missing));
        if (state == RowStateCreated) {
            keyField = GetFieldIndex(FKeyField);
            KV_ASSERT(keyField >= 0, "KeyField is not exists");
        }
        auto found = maps.find(state);
        if (found == maps.end()) {
            std::vector<std::pair<QString, int>> fields;
            for (const auto& [param, field] : CreateParamMap(*lines))
                fields.emplace_back(param, RequireFieldIndex(field));
            found = maps.emplace(state, std::move(fields)).first;
        }
        service->AddProc(row, *name);
        for (const auto& [param, field] : found->second)
            service->AddParam(row, param, GetData(row, field));
    }
    // A new row that an unanswered commit carried may exist on the server already.
    for (const auto& [row, state] : FRowStates)
        if (state == RowStateCreated && FUnknownRows.count(row))
            throw Exception(QStringLiteral("Row %1 was sent by a commit that got no answer and may already exist on "
                                           "the server; refresh the data (or remove the row) before committing")
                                .arg(row));
    try {
        service->Send();
    } catch (const EHttpNoAnswer& e) {
        for (const auto& [row, state] : FRowStates)
            if (state == RowStateCreated)
                FUnknownRows.insert(row);
        throw EHttpNoAnswer(e.Message() + QStringLiteral("\r\nThe outcome of the commit is unknown: the server may have "
                                                         "applied the changes. Refresh the data before committing them again."));
    }
    const std::map<int, Variant>& results = service->GetResults();
    for (const auto& [row, state] : FRowStates)
        if (state == RowStateCreated && !results.count(row))
            throw Exception(QStringLiteral("Result is not exists for row: %1").arg(row));

    for (const auto& [row, state] : FRowStates)
        if (state == RowStateCreated)
            FValues.SetText(row, keyField, ValueText(results.at(row)));
    for (auto it = FRowStates.rbegin(); it != FRowStates.rend(); ++it)
        if (it->second == RowStateDeleted)
            FValues.RemoveRow(it->first);
    FUpdateBuffer.clear();
    FRowStates.clear();
    FUnknownRows.clear();
    DoReset();
}

void TKvTidemarDataProvider::Restore()
{
    for (auto it = FRowStates.rbegin(); it != FRowStates.rend(); ++it) {
        const int row = it->first;
        if (it->second == RowStateCreated) {
            FValues.RemoveRow(row);
            continue;
        }
        // Updated rows, and rows updated and then deleted, get their first values back.
        const auto saved = FUpdateBuffer.find(row);
        if (saved == FUpdateBuffer.end())
            continue;
        for (int f = 0; f < GetFieldCount() && f < static_cast<int>(saved->second.size()); ++f)
            FValues.SetText(row, f, ValueText(saved->second[static_cast<size_t>(f)]));
    }
    FUpdateBuffer.clear();
}

void TKvTidemarDataProvider::Rollback()
{
    if (FRowStates.empty())
        return;
    Restore();
    FRowStates.clear();
    FUnknownRows.clear();
    DoReset();
}

void TKvTidemarDataProvider::CallService(const QString& Proc, const QStringList& Names, const TVariantArray& Values)
{
    auto service = TKvTidemarExecService::CreateServiceFor(this);
    service->AddProc(-1, Proc);
    const qsizetype count = std::min<qsizetype>(Names.size(), static_cast<qsizetype>(Values.size()));
    for (qsizetype i = 0; i < count; ++i)
        service->AddParam(-1, Names[i], Values[static_cast<size_t>(i)]);
    service->Send();
}

using TTidemar = TKvTidemarDataProvider;
KV_PUBLISH(TKvTidemarDataProvider, TComponent)
    .Property("Host", &TTidemar::GetHost, &TTidemar::SetHost)
    .Property("Port", &TTidemar::GetPort, &TTidemar::SetPort).Default(80)
    .Property("Context", &TTidemar::GetContext, &TTidemar::SetContext)
    .Property("Mode", &TTidemar::GetMode, &TTidemar::SetMode)
    .Property("User", &TTidemar::GetUser, &TTidemar::SetUser)
    .Property("Password", &TTidemar::GetPassword, &TTidemar::SetPassword)
    .Property("Timeout", &TTidemar::GetTimeout, &TTidemar::SetTimeout).Default(60)
    .Property("Service", &TTidemar::GetService, &TTidemar::SetService)
    .Property("CreateService", &TTidemar::GetCreateService, &TTidemar::SetCreateService)
    .Property("CreateParams", &TTidemar::GetCreateParams, &TTidemar::SetCreateParams)
    .Property("UpdateService", &TTidemar::GetUpdateService, &TTidemar::SetUpdateService)
    .Property("UpdateParams", &TTidemar::GetUpdateParams, &TTidemar::SetUpdateParams)
    .Property("DeleteService", &TTidemar::GetDeleteService, &TTidemar::SetDeleteService)
    .Property("DeleteParams", &TTidemar::GetDeleteParams, &TTidemar::SetDeleteParams)
    .Property("KeyField", &TTidemar::GetKeyField, &TTidemar::SetKeyField)
    .Property("EditOptions", &TTidemar::GetEditOptions, &TTidemar::SetEditOptions)
    .Property("AutoCommit", &TTidemar::GetAutoCommit, &TTidemar::SetAutoCommit).Default(false)
    .Event("OnRequestCreate", &TTidemar::OnRequestCreate)
    .Event("OnRequestUpdate", &TTidemar::OnRequestUpdate)
    .Event("OnRequestDelete", &TTidemar::OnRequestDelete);

} // namespace kv
