// A data provider over a remote data service that speaks XML over HTTP, and the services
// that build one request, post it and read the response.
//
// Call flow: Request posts a read request (TKvTidemarReadService) and keeps the response's
// cells as the provider's rows, taken out of the parsed document once (texts stay in the
// response's bytes; the element tree is dropped). Local changes write into those cells and
// record row states plus each changed row's values before its first change. Commit posts one exec request (TKvTidemarExecService) with one method per changed
// row, validates the whole response, then writes returned keys, drops deleted rows and
// clears the states; Rollback undoes the changes locally.
#pragma once

#include "model/KvGrids.Data.h"
#include "platform/net/XmlMessage.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace kv {

class TKvTidemarDataProvider;

// Parameters in the order they were first added.
using TKvTidemarParams = std::vector<std::pair<QString, Variant>>;

class TKvTidemarService : public TObject
{
public:
    TKvTidemarService();

    // Posts the request and answers the response document: "Invalid xml document from <url>:
    // <where and what>" when the response is not one, the server's error when it reports one, EHttpError for transport
    // failures and HTTP statuses other than 2xx.
    std::unique_ptr<TXmlMessage> Send();
    QString GetUrl() const;

    QString FHost;
    quint16 FPort = 80;
    QString FContext;
    QString FMode;
    QString FUser;
    QString FPassword;
    int FTimeout = 60;
    QString FService;

protected:
    // The request document; values that XML cannot hold raise before anything is sent.
    virtual QByteArray CreateRequest() const = 0;
    // Checks the response for an error; descendants then read their results.
    virtual void ReadResponse(const TXmlMessage& Response);

    // A request root with user, reqType, timeout, tran, name and version, and its methods element.
    static std::pair<std::unique_ptr<TXmlMessage>, TXmlMessageNode> NewRequest(const QString& user, int reqType,
                                                                                int timeout, int tran,
                                                                                const QString& name);
    static void AddMethod(TXmlMessageNode methods, const QString& name, const QString& proc,
                          const TKvTidemarParams& params);
};

class TKvTidemarReadService : public TKvTidemarService
{
public:
    // Adds or replaces.
    void AddParam(const QString& Name, const Variant& Value);
    const TKvTidemarParams& GetParams() const { return FParams; }
    static std::unique_ptr<TKvTidemarReadService> CreateServiceFor(const TKvTidemarDataProvider* Provider,
                                                                   const QString& Service);

protected:
    QByteArray CreateRequest() const override;

private:
    TKvTidemarParams FParams;
};

class TKvTidemarExecService : public TKvTidemarService
{
public:
    // Registers a row once; a second call for the row is ignored.
    void AddProc(int Row, const QString& Proc);
    // Adds or replaces; "Param map is not exists for row: <row>" for an unregistered row.
    void AddParam(int Row, const QString& Name, const Variant& Value);
    const std::map<int, Variant>& GetResults() const { return FResults; }
    static std::unique_ptr<TKvTidemarExecService> CreateServiceFor(const TKvTidemarDataProvider* Provider);

protected:
    QByteArray CreateRequest() const override;
    // Every result is read (and its name checked) before any is kept.
    void ReadResponse(const TXmlMessage& Response) override;

private:
    std::map<int, QString> FProcs;
    std::map<int, TKvTidemarParams> FParams;
    std::map<int, Variant> FResults;
};

using TKvTidemarRequestEvent = std::function<void(TObject* Sender, int Row)>;

class TKvTidemarDataProvider : public TKvGridDataProvider
{
public:
    explicit TKvTidemarDataProvider(TComponent* AOwner = nullptr);
    ~TKvTidemarDataProvider() override;

    // Reads a result set; on failure the loaded rows and pending changes stay as they were.
    void Request(const QString& Service, const QStringList& Names, const TVariantArray& Values);
    // Sends every change in one request, a row still pending in an item provider over this one
    // written first; on failure nothing local changes. A commit asked
    // for while one runs (by a listener of its reset) does nothing. When the request went out
    // and no answer came (a time-out), the outcome is unknown: the error says so, and the new
    // rows it carried are not sent again (a commit holding one raises before sending) until
    // they are dropped by Request, Rollback or RemoveRow.
    void Commit();
    void Rollback();
    void CallService(const QString& Proc, const QStringList& Names, const TVariantArray& Values);
    void CallServices() {}
    int GetDirtyRowCount() const { return static_cast<int>(FRowStates.size()); }
    // New rows sent by a commit whose outcome is unknown.
    TKvIntegerArray GetUnknownRows() const { return TKvIntegerArray(FUnknownRows.begin(), FUnknownRows.end()); }
    TKvIntegerArray GetDirtyRows() const;

    int GetRowCount() const override { return FValues.RowCount(); }
    int GetFieldCount() const override { return FValues.Width(); }
    QStringList GetFieldNames() const override { return FFieldNames; }
    QString GetFieldName(int Field) const override;
    int GetFieldIndex(const QString& Name) const override;
    Variant GetData(int Row, int Field) const override;
    void SetData(int Row, int Field, const Variant& Value) override;
    TKvGridDataRow GetRow(int Row) const override;
    TKvGridDataRowState GetRowState(int Row) const override;
    void InsertRow(int Row, const TKvGridDataRow& Values) override;
    // A row created since the last commit is dropped at once; others are marked deleted.
    void RemoveRow(int Row) override;
    void RemoveRows(const TKvIntegerArray& Rows) override;
    void UpdateRow(int Row, const TKvGridDataRow& Values) override;
    bool IsLocal() const override { return true; }
    bool CanUpdateRow(int Row) const override { return FEditOptions->GetUpadtable(); }
    bool CanAppendRow() const override { return FEditOptions->GetAppendable(); }
    bool CanInsertRow(int Row) const override { return FEditOptions->GetInsertable(); }
    bool CanDeleteRow(int Row) const override { return FEditOptions->GetDeletable(); }
    bool CanUpdateField(int Field) const override { return true; }

    const QString& GetHost() const { return FHost; }
    void SetHost(const QString& Value) { FHost = Value; }
    int GetPort() const { return FPort; }
    void SetPort(int Value) { FPort = static_cast<quint16>(Value); }
    const QString& GetContext() const { return FContext; }
    void SetContext(const QString& Value) { FContext = Value; }
    const QString& GetMode() const { return FMode; }
    void SetMode(const QString& Value) { FMode = Value; }
    const QString& GetUser() const { return FUser; }
    void SetUser(const QString& Value) { FUser = Value; }
    const QString& GetPassword() const { return FPassword; }
    void SetPassword(const QString& Value) { FPassword = Value; }
    int GetTimeout() const { return FTimeout; }
    void SetTimeout(int Value) { FTimeout = Value; }
    const QString& GetService() const { return FService; }
    void SetService(const QString& Value) { FService = Value; }
    const QString& GetCreateService() const { return FCreateService; }
    void SetCreateService(const QString& Value) { FCreateService = Value; }
    const QStringList& GetCreateParams() const { return FCreateParams; }
    void SetCreateParams(const QStringList& Value) { FCreateParams = Value; }
    const QString& GetUpdateService() const { return FUpdateService; }
    void SetUpdateService(const QString& Value) { FUpdateService = Value; }
    const QStringList& GetUpdateParams() const { return FUpdateParams; }
    void SetUpdateParams(const QStringList& Value) { FUpdateParams = Value; }
    const QString& GetDeleteService() const { return FDeleteService; }
    void SetDeleteService(const QString& Value) { FDeleteService = Value; }
    const QStringList& GetDeleteParams() const { return FDeleteParams; }
    void SetDeleteParams(const QStringList& Value) { FDeleteParams = Value; }
    const QString& GetKeyField() const { return FKeyField; }
    void SetKeyField(const QString& Value) { FKeyField = Value; }
    TKvGridDataEditOptions* GetEditOptions() const { return FEditOptions.get(); }
    void SetEditOptions(TKvGridDataEditOptions* Value) { FEditOptions->Assign(Value); }
    bool GetAutoCommit() const { return FAutoCommit; }
    // Switching it on commits at once. A change made with AutoCommit is committed at once;
    // when that fails, the change stays pending (its row state and first values kept) and
    // the error is raised once.
    void SetAutoCommit(bool Value);

    // Parameter name to field name, from lines "param = field" or "param".
    static std::vector<std::pair<QString, QString>> CreateParamMap(const QStringList& Lines);

    TKvTidemarRequestEvent OnRequestCreate;
    TKvTidemarRequestEvent OnRequestUpdate;
    TKvTidemarRequestEvent OnRequestDelete;

private:
    friend class TKvTidemarReadService;
    friend class TKvTidemarExecService;

    void Adopt(std::unique_ptr<TXmlMessage> Document);
    void CheckRow(int Row, int Count) const;
    void RememberRow(int Row);
    void MarkUpdated(int Row);
    void AutoCommitChange();
    // Moves the state and buffer entries at or after Row by Delta rows.
    void ShiftEntries(int Row, int Delta);
    void Restore();

    QStringList FFieldNames;
    // The rows' texts, taken out of the response once; a row's missing cells read Unassigned.
    TXmlMessageTable FValues;
    std::map<int, TKvGridDataRowState> FRowStates;
    std::map<int, TKvGridDataRow> FUpdateBuffer;
    std::set<int> FUnknownRows;

    QString FHost;
    quint16 FPort = 80;
    QString FContext;
    QString FMode;
    QString FUser;
    QString FPassword;
    int FTimeout = 60;
    QString FService;
    QString FCreateService;
    QStringList FCreateParams;
    QString FUpdateService;
    QStringList FUpdateParams;
    QString FDeleteService;
    QStringList FDeleteParams;
    QString FKeyField;
    TOwned<TKvGridDataEditOptions> FEditOptions;
    bool FAutoCommit = false;
    bool FCommitting = false;
};

} // namespace kv
