// Sections: fields - dataset (open, navigation, edit cycle, bookmarks, events) - data source
// - data link - SQLite database and dataset.
//
// Call flow: Open reads the records (InternalOpen); navigation moves the current record. Edit,
// Insert and Append copy a record into the edit buffer; Post asks the controls to write their
// changes (deUpdateRecord), stores the buffer through InternalPost (which may raise, leaving
// the dataset editing and the records as they were) and goes back to browsing; Cancel drops
// the buffer. Every change reaches the data sources as a data event (none while controls are
// disabled), and each source passes it to its data links, which keep their window of records.
#include "platform/data/DataSet.h"
#include "platform/rtl/ScopeGuard.h"

#include <sqlite3.h>

#include <QtCore/QRegularExpression>
#include <cmath>

namespace kv {

namespace {

// Names the field after the platform's text, as the grid names its columns.
[[noreturn]] void ConvertError(const Variant& value, const char* kind, const TField* field)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid %2 value: %3")
                            .arg(value.ToString(), QLatin1String(kind), field->GetFieldName()));
}

bool TryNumber(const Variant& value, Variant& out)
{
    if (value.IsInteger() || value.IsDouble()) {
        out = value;
        return true;
    }
    if (value.IsBoolean()) {
        out = Variant(value.AsBool() ? 1 : 0);
        return true;
    }
    if (value.IsDateTime()) {
        out = Variant(value.AsDouble());
        return true;
    }
    if (!value.IsString())
        return false;
    const QString text = value.AsString().trimmed();
    bool ok = false;
    const qlonglong i = text.toLongLong(&ok);
    if (ok) {
        out = Variant(static_cast<std::int64_t>(i));
        return true;
    }
    const double d = text.toDouble(&ok);
    if (ok) {
        out = Variant(d);
        return true;
    }
    return false;
}

} // namespace

// --- fields -------------------------------------------------------------------------------

TField::TField(TDataSet* dataSet, const QString& fieldName, int index, TFieldType dataType)
    : FDataSet(dataSet), FFieldName(fieldName), FIndex(index), FDataType(dataType)
{
}

Variant TField::GetValue() const
{
    return FDataSet->GetFieldData(this);
}

void TField::SetValue(const Variant& value)
{
    FDataSet->SetFieldData(this, value.IsClear() ? value : Convert(value));
}

double TField::GetAsFloat() const
{
    const Variant value = GetValue();
    if (value.IsClear())
        return 0;
    double d = 0;
    if (value.IsString()) {
        bool ok = false;
        d = value.AsString().trimmed().toDouble(&ok);
        if (!ok)
            ConvertError(value, "floating point", this);
        return d;
    }
    if (!value.TryToDouble(d))
        ConvertError(value, "floating point", this);
    return d;
}

std::int64_t TField::GetAsInteger() const
{
    const Variant value = GetValue();
    return value.IsClear() ? 0 : value.ToInt64();
}

void TField::FocusControl()
{
    FDataSet->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(this));
}

Variant TStringField::Convert(const Variant& value) const
{
    return Variant(value.ToString());
}

Variant TNumericField::Convert(const Variant& value) const
{
    Variant number;
    return TryNumber(value, number) ? number : value;
}

Variant TIntegerField::Convert(const Variant& value) const
{
    Variant number;
    if (!TryNumber(value, number))
        ConvertError(value, "integer", this);
    if (number.IsDouble()) {
        const double d = number.AsDouble();
        if (d != std::trunc(d) || std::abs(d) > 9.2e18)
            ConvertError(value, "integer", this);
        return Variant(static_cast<std::int64_t>(d));
    }
    return number;
}

Variant TFloatField::Convert(const Variant& value) const
{
    Variant number;
    if (!TryNumber(value, number))
        ConvertError(value, "floating point", this);
    return Variant(number.IsDouble() ? number.AsDouble() : static_cast<double>(number.AsInt()));
}

TField* TFields::GetField(int index) const
{
    if (index < 0 || index >= Count())
        RaiseListIndexError(index, Count());
    return FItems[static_cast<size_t>(index)].get();
}

// --- dataset ------------------------------------------------------------------------------

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

TDataSet::~TDataSet()
{
    for (TDataSource* source : FDataSources)
        source->FDataSet = nullptr;
}

void TDataSet::BeforeDestruction()
{
    // The sources hear of it through free notification; their links then see no dataset.
    FState = dsInactive;
    FDisableCount = 0;
    TComponent::BeforeDestruction();
}

void TDataSet::SetActive(bool value)
{
    if (value)
        Open();
    else
        Close();
}

void TDataSet::Open()
{
    if (GetActive())
        return;
    std::vector<TFieldDef> defs;
    ClearRecords();
    {
        TScopeExit clear([&] { ClearRecords(); });
        InternalOpen(defs);
        clear.Dismiss();
    }
    FFields.FItems.clear();
    for (size_t i = 0; i < defs.size(); ++i) {
        const int index = static_cast<int>(i);
        TField* field = nullptr;
        switch (defs[i].DataType) {
        case ftString: field = new TStringField(this, defs[i].Name, index); break;
        case ftInteger: field = new TIntegerField(this, defs[i].Name, index); break;
        case ftFloat: field = new TFloatField(this, defs[i].Name, index); break;
        case ftNumeric: field = new TNumericField(this, defs[i].Name, index); break;
        default: field = new TVariantField(this, defs[i].Name, index); break;
        }
        field->SetRequired(defs[i].Required);
        FFields.FItems.emplace_back(field);
    }
    FCurrent = 0;
    FBof = true;
    FEof = FRowIds.empty();
    SetState(dsBrowse);
}

void TDataSet::Close()
{
    if (!GetActive())
        return;
    FEditBuffer.clear();
    InternalClose();
    ClearRecords();
    SetState(dsInactive);
    FFields.FItems.clear();
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    CheckActive();
    const TBookmark current = FRowIds.empty() ? 0 : FRowIds[static_cast<size_t>(FCurrent)];
    const bool hadCurrent = !FRowIds.empty();
    std::vector<TFieldDef> defs;
    std::vector<TBookmark> rowIds;
    std::vector<Variant> records;
    rowIds.swap(FRowIds);
    records.swap(FRecords);
    {
        TScopeExit restore([&] {
            FRowIds.swap(rowIds);
            FRecords.swap(records);
        });
        InternalOpen(defs);
        restore.Dismiss();
    }
    if (static_cast<int>(defs.size()) != FFields.Count()) {
        // The columns changed under us: open anew.
        FRowIds.swap(rowIds);
        FRecords.swap(records);
        Close();
        Open();
        return;
    }
    FCurrent = 0;
    if (hadCurrent)
        for (size_t i = 0; i < FRowIds.size(); ++i)
            if (FRowIds[i] == current) {
                FCurrent = static_cast<int>(i);
                break;
            }
    FEof = FRowIds.empty();
    FBof = FCurrent == 0;
    DataEvent(deDataSetChange);
}

void TDataSet::CheckActive() const
{
    if (!GetActive())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

TField* TDataSet::FindField(const QString& name) const
{
    for (const auto& field : FFields.FItems)
        if (field->GetFieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field.get();
    return nullptr;
}

TField* TDataSet::FieldByName(const QString& name) const
{
    TField* field = FindField(name);
    if (!field)
        throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
    return field;
}

void TDataSet::ClearRecords()
{
    // The room stays for the next open, which gives back what it does not need (FitRecords).
    FRowIds.clear();
    FRecords.clear();
    FCurrent = 0;
}

void TDataSet::ReserveRecords(size_t count, size_t width)
{
    FRowIds.reserve(count);
    FRecords.reserve(count * width);
}

void TDataSet::FitRecords()
{
    if (FRowIds.capacity() > 2 * FRowIds.size() + 1024) {
        FRowIds.shrink_to_fit();
        FRecords.shrink_to_fit();
    }
}

void TDataSet::SetCurrent(int index)
{
    CheckBrowseMode();
    const int count = GetRecordCount();
    const int target = std::clamp(index, 0, std::max(0, count - 1));
    FBof = index < 0 || count == 0;
    FEof = index >= count || count == 0;
    if (target == FCurrent)
        return;
    const int distance = target - FCurrent;
    FCurrent = target;
    if (distance != 0)
        DataEvent(deDataSetScroll, distance);
}

void TDataSet::SetRecNo(int value)
{
    CheckActive();
    SetCurrent(value);
}

void TDataSet::First()
{
    CheckActive();
    SetCurrent(0);
    FBof = true;
}

void TDataSet::Last()
{
    CheckActive();
    SetCurrent(GetRecordCount() - 1);
    FEof = true;
}

void TDataSet::Next()
{
    CheckActive();
    SetCurrent(FCurrent + 1);
}

void TDataSet::Prior()
{
    CheckActive();
    SetCurrent(FCurrent - 1);
}

int TDataSet::MoveBy(int distance)
{
    CheckActive();
    const int before = FCurrent;
    SetCurrent(FCurrent + distance);
    return FCurrent - before;
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    if (FState == dsEdit || FState == dsInsert)
        Post();
}

void TDataSet::Edit()
{
    CheckActive();
    if (FState == dsEdit || FState == dsInsert)
        return;
    if (FRowIds.empty()) {
        Insert();
        return;
    }
    const Variant* values = RecordValues(FCurrent);
    FEditBuffer.assign(values, values + FFields.Count());
    FEditRecord = FCurrent;
    SetState(dsEdit);
}

void TDataSet::Insert()
{
    CheckBrowseMode();
    FInsertAt = FRowIds.empty() ? 0 : FCurrent;
    FEditRecord = FCurrent;
    FEditBuffer.assign(static_cast<size_t>(FFields.Count()), Variant());
    SetState(dsInsert);
}

void TDataSet::Append()
{
    CheckBrowseMode();
    FInsertAt = GetRecordCount();
    FEditRecord = FCurrent;
    FEditBuffer.assign(static_cast<size_t>(FFields.Count()), Variant());
    SetState(dsInsert);
}

void TDataSet::Post()
{
    CheckActive();
    if (FState != dsEdit && FState != dsInsert)
        return;
    // Controls holding changes write them into the record first.
    DataEvent(deUpdateRecord);
    const bool inserting = FState == dsInsert;
    const size_t width = static_cast<size_t>(FFields.Count());
    std::vector<Variant> original;
    TBookmark rowId = 0;
    if (!inserting) {
        const Variant* values = RecordValues(FEditRecord);
        original.assign(values, values + width);
        rowId = FRowIds[static_cast<size_t>(FEditRecord)];
    }
    std::vector<Variant> stored = FEditBuffer;
    // Throws with the dataset still editing and the records untouched.
    rowId = InternalPost(inserting, rowId, original, stored);
    stored.resize(width);
    if (inserting) {
        FRowIds.insert(FRowIds.begin() + FInsertAt, rowId);
        FRecords.insert(FRecords.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(FInsertAt) * width),
                        std::make_move_iterator(stored.begin()), std::make_move_iterator(stored.end()));
        FCurrent = FInsertAt;
        FEof = FBof = false;
    } else {
        FCurrent = FEditRecord;
        std::move(stored.begin(), stored.end(), FRecords.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(FEditRecord) * width));
    }
    FEditBuffer.clear();
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
}

void TDataSet::Cancel()
{
    if (FState != dsEdit && FState != dsInsert)
        return;
    FEditBuffer.clear();
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
}

void TDataSet::Delete()
{
    CheckActive();
    if (FState == dsInsert) {
        Cancel();
        return;
    }
    if (FRowIds.empty())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (FState == dsEdit)
        Cancel();
    InternalDelete(FRowIds[static_cast<size_t>(FCurrent)]);
    const size_t width = static_cast<size_t>(FFields.Count());
    FRowIds.erase(FRowIds.begin() + FCurrent);
    const auto first = FRecords.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(FCurrent) * width);
    FRecords.erase(first, first + static_cast<std::ptrdiff_t>(width));
    if (FCurrent >= GetRecordCount())
        FCurrent = std::max(0, GetRecordCount() - 1);
    FEof = FRowIds.empty();
    DataEvent(deDataSetChange);
}

void TDataSet::DisableControls()
{
    if (FDisableCount++ == 0) {
        FDisableState = FState;
        FEventsSuppressed = false;
    }
}

void TDataSet::EnableControls()
{
    if (FDisableCount == 0 || --FDisableCount > 0)
        return;
    if (FDisableState != FState)
        DataEvent(deUpdateState);
    if (FEventsSuppressed && FDisableState != dsInactive && FState != dsInactive)
        DataEvent(deDataSetChange);
    FEventsSuppressed = false;
}

TBookmark TDataSet::GetBookmark() const
{
    CheckActive();
    if (FRowIds.empty())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    return FRowIds[static_cast<size_t>(FCurrent)];
}

bool TDataSet::BookmarkValid(TBookmark bookmark) const
{
    return std::find(FRowIds.begin(), FRowIds.end(), bookmark) != FRowIds.end();
}

void TDataSet::GotoBookmark(TBookmark bookmark)
{
    CheckActive();
    const auto it = std::find(FRowIds.begin(), FRowIds.end(), bookmark);
    if (it == FRowIds.end())
        throw EDatabaseError(QStringLiteral("Record not found"));
    SetCurrent(static_cast<int>(it - FRowIds.begin()));
}

const Variant& TDataSet::GetFieldData(const TField* field) const
{
    static const Variant none;
    if ((FState == dsEdit || FState == dsInsert) && FCurrent == FEditRecord)
        return FEditBuffer[static_cast<size_t>(field->GetIndex())];
    if (FState == dsInactive || FRowIds.empty())
        return none;
    return RecordValues(FCurrent)[field->GetIndex()];
}

void TDataSet::SetFieldData(const TField* field, const Variant& value)
{
    if (FState != dsEdit && FState != dsInsert)
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    FEditBuffer[static_cast<size_t>(field->GetIndex())] = value;
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

void TDataSet::SetState(TDataSetState value)
{
    if (FState == value)
        return;
    const bool activeChange = (FState == dsInactive) != (value == dsInactive);
    FState = value;
    if (activeChange) {
        // Activation reaches the links even while controls are disabled.
        for (TDataSource* source : std::vector<TDataSource*>(FDataSources))
            source->NotifyLinks(&TDataLink::UpdateState);
        return;
    }
    DataEvent(deUpdateState);
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info)
{
    if (FDisableCount > 0) {
        FEventsSuppressed = true;
        return;
    }
    for (TDataSource* source : std::vector<TDataSource*>(FDataSources))
        source->DataEvent(event, info);
}

void TDataSet::AddDataSource(TDataSource* source)
{
    if (std::find(FDataSources.begin(), FDataSources.end(), source) == FDataSources.end())
        FDataSources.push_back(source);
}

void TDataSet::RemoveDataSource(TDataSource* source)
{
    FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), source), FDataSources.end());
}

void TDataSet::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
}

// --- data source --------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource()
{
    for (TDataLink* link : FLinks)
        link->FDataSource = nullptr;
    if (FDataSet)
        FDataSet->RemoveDataSource(this);
}

void TDataSource::BeforeDestruction()
{
    TComponent::BeforeDestruction();
    std::vector<TDataLink*> links = FLinks;
    FLinks.clear();
    for (TDataLink* link : links) {
        link->FDataSource = nullptr;
        link->UpdateState();
    }
}

void TDataSource::SetDataSet(TDataSet* value)
{
    if (value == FDataSet)
        return;
    if (FDataSet)
        FDataSet->RemoveDataSource(this);
    FDataSet = value;
    if (FDataSet)
        FDataSet->AddDataSource(this);
    NotifyLinks(&TDataLink::UpdateState);
}

void TDataSource::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FDataSet)
        SetDataSet(nullptr);
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info)
{
    for (TDataLink* link : std::vector<TDataLink*>(FLinks))
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end())
            link->DataEvent(event, info);
}

void TDataSource::NotifyLinks(void (TDataLink::*update)())
{
    for (TDataLink* link : std::vector<TDataLink*>(FLinks))
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end())
            (link->*update)();
}

// --- data link ----------------------------------------------------------------------------

TDataLink::~TDataLink()
{
    if (FDataSource)
        FDataSource->FLinks.erase(std::remove(FDataSource->FLinks.begin(), FDataSource->FLinks.end(), this),
                                  FDataSource->FLinks.end());
}

void TDataLink::SetDataSource(TDataSource* value)
{
    if (value == FDataSource)
        return;
    if (FDataSource)
        FDataSource->FLinks.erase(std::remove(FDataSource->FLinks.begin(), FDataSource->FLinks.end(), this),
                                  FDataSource->FLinks.end());
    FDataSource = value;
    if (FDataSource)
        FDataSource->FLinks.push_back(this);
    UpdateState();
}

void TDataLink::UpdateState()
{
    const TDataSet* set = GetDataSet();
    const bool active = set && set->GetActive();
    if (active != FActive) {
        FActive = active;
        FFirstRecord = 0;
        if (FActive)
            ClampWindow();
        ActiveChanged();
    }
    UpdateEditing();
}

void TDataLink::UpdateEditing()
{
    const TDataSet* set = GetDataSet();
    const bool editing = FActive && set && (set->GetState() == dsEdit || set->GetState() == dsInsert);
    if (editing != FEditing) {
        FEditing = editing;
        FModified = false;
        EditingChanged();
    }
}

void TDataLink::ClampWindow()
{
    const TDataSet* set = GetDataSet();
    if (!set)
        return;
    const int count = set->GetRecordCount();
    const int current = set->FCurrent;
    FFirstRecord = std::clamp(FFirstRecord, 0, std::max(0, count - FBufferCount));
    if (current < FFirstRecord)
        FFirstRecord = current;
    else if (current >= FFirstRecord + FBufferCount)
        FFirstRecord = current - FBufferCount + 1;
}

int TDataLink::GetRecordCount() const
{
    const TDataSet* set = GetDataSet();
    if (!FActive || !set)
        return 0;
    return std::clamp(set->GetRecordCount() - FFirstRecord, 0, FBufferCount);
}

int TDataLink::GetActiveRecord() const
{
    const TDataSet* set = GetDataSet();
    return FActive && set ? set->FCurrent - FFirstRecord : 0;
}

void TDataLink::SetActiveRecord(int value)
{
    TDataSet* set = GetDataSet();
    if (!FActive || !set)
        return;
    if (value < 0 || value >= GetRecordCount())
        RaiseListIndexError(value, GetRecordCount());
    set->FCurrent = FFirstRecord + value;
}

void TDataLink::SetBufferCount(int value)
{
    FBufferCount = std::max(1, value);
    if (FActive)
        ClampWindow();
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive)
        return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!FModified)
            RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
        ClampWindow();
        FModified = false;
        DataSetChanged();
        break;
    case deDataSetScroll: {
        const int before = FFirstRecord;
        ClampWindow();
        DataSetScrolled(FFirstRecord - before);
        break;
    }
    case deLayoutChange:
        ClampWindow();
        FModified = false;
        LayoutChanged();
        break;
    case deUpdateRecord:
        if (FModified) {
            UpdateData();
            FModified = false;
        }
        break;
    case deFocusControl: FocusControl(reinterpret_cast<TField*>(info)); break;
    default: break;
    }
}

// --- SQLite -------------------------------------------------------------------------------

namespace {

sqlite3* Db(const TSQLiteDatabase* database)
{
    return static_cast<sqlite3*>(database->Handle());
}

[[noreturn]] void RaiseSQLite(sqlite3* db)
{
    throw EDatabaseError(QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory"));
}

// A prepared statement, finalized on every path.
class TStatement
{
public:
    TStatement(sqlite3* db, const QString& sql) : FDb(db)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &FStmt, nullptr) != SQLITE_OK)
            RaiseSQLite(db);
    }
    ~TStatement() { sqlite3_finalize(FStmt); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    sqlite3_stmt* operator*() const { return FStmt; }
    // True while a row is there; raises on errors.
    bool Step()
    {
        const int rc = sqlite3_step(FStmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        RaiseSQLite(FDb);
    }
    void Bind(int index, const Variant& value)
    {
        int rc = SQLITE_OK;
        switch (value.Kind()) {
        case TVarKind::Empty:
        case TVarKind::Null: rc = sqlite3_bind_null(FStmt, index); break;
        case TVarKind::Boolean: rc = sqlite3_bind_int64(FStmt, index, value.AsBool() ? 1 : 0); break;
        case TVarKind::Integer: rc = sqlite3_bind_int64(FStmt, index, value.AsInt()); break;
        case TVarKind::Double: rc = sqlite3_bind_double(FStmt, index, value.AsDouble()); break;
        case TVarKind::Array: throw EDatabaseError(QStringLiteral("Cannot store an array in a field"));
        default: {
            const QByteArray text = value.ToString().toUtf8();
            rc = sqlite3_bind_text(FStmt, index, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            break;
        }
        }
        if (rc != SQLITE_OK)
            RaiseSQLite(FDb);
    }
    Variant Column(int index) const
    {
        Variant out;
        ReadColumn(index, [&out](auto&& value) { out = Variant(std::forward<decltype(value)>(value)); });
        return out;
    }
    // Hands Put the column's value as SQLite holds it (an integer, a double, Null, a text;
    // a blob as Latin-1 text), without a Variant in between.
    template <typename F>
    void ReadColumn(int index, F&& put) const
    {
        sqlite3_value* value = sqlite3_column_value(FStmt, index);
        switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER: put(static_cast<std::int64_t>(sqlite3_value_int64(value))); break;
        case SQLITE_FLOAT: put(sqlite3_value_double(value)); break;
        case SQLITE_NULL: put(Variant::Null()); break;
        case SQLITE_BLOB: {
            const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
            put(QString::fromLatin1(bytes, sqlite3_value_bytes(value)));
            break;
        }
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
            put(QString::fromUtf8(text, sqlite3_value_bytes(value)));
            break;
        }
        }
    }

private:
    sqlite3* FDb;
    sqlite3_stmt* FStmt = nullptr;
};

// The kind of field for a declared column type, by SQLite's affinity rules.
TFieldType AffinityOf(const char* declared)
{
    const QString type = QString::fromUtf8(declared ? declared : "").toUpper();
    if (type.contains(QLatin1String("INT")))
        return ftInteger;
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) || type.contains(QLatin1String("TEXT")))
        return ftString;
    if (type.isEmpty() || type.contains(QLatin1String("BLOB")))
        return ftVariant;
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) || type.contains(QLatin1String("DOUB")))
        return ftFloat;
    return ftNumeric;
}

QString QuoteIdent(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

TSQLiteDatabase::TSQLiteDatabase(TComponent* owner) : TComponent(owner) {}

TSQLiteDatabase::~TSQLiteDatabase()
{
    Close();
}

void TSQLiteDatabase::Open(const QString& fileName)
{
    Close();
    sqlite3* db = nullptr;
    // One thread uses the connection: no per-call locking.
    const int rc = sqlite3_open_v2(fileName.toUtf8().constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        throw EDatabaseError(message);
    }
    FHandle = db;
}

void TSQLiteDatabase::Close()
{
    if (FHandle)
        sqlite3_close_v2(static_cast<sqlite3*>(FHandle));
    FHandle = nullptr;
}

void TSQLiteDatabase::ExecSQL(const QString& sql)
{
    if (!FHandle)
        throw EDatabaseError(QStringLiteral("Database is not connected"));
    char* error = nullptr;
    if (sqlite3_exec(Db(this), sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(Db(this)));
        sqlite3_free(error);
        throw EDatabaseError(message);
    }
}

TSQLiteDataSet::TSQLiteDataSet(TComponent* owner) : TDataSet(owner) {}

void TSQLiteDataSet::CheckInactive() const
{
    if (GetActive())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
}

void TSQLiteDataSet::SetDatabase(TSQLiteDatabase* value)
{
    if (value == FDatabase)
        return;
    CheckInactive();
    FDatabase = value;
}

void TSQLiteDataSet::SetTableName(const QString& value)
{
    CheckInactive();
    FTableName = value;
}

void TSQLiteDataSet::SetWhere(const QString& value)
{
    CheckInactive();
    FWhere = value;
}

void TSQLiteDataSet::Notification(TComponent* component, TOperation operation)
{
    TDataSet::Notification(component, operation);
    if (operation == opRemove && component == FDatabase) {
        Close();
        FDatabase = nullptr;
    }
}

QString TSQLiteDataSet::QuotedTable() const
{
    return QuoteIdent(FTableName);
}

void TSQLiteDataSet::InternalOpen(std::vector<TFieldDef>& defs)
{
    if (!FDatabase || !FDatabase->GetConnected())
        throw EDatabaseError(QStringLiteral("Database is not connected"));
    if (FTableName.isEmpty())
        throw EDatabaseError(QStringLiteral("Table name is missing"));
    QString sql = QStringLiteral("SELECT rowid, * FROM ") + QuotedTable();
    if (!FWhere.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE ") + FWhere;
    TStatement stmt(Db(FDatabase), sql);
    const int columns = sqlite3_column_count(*stmt);
    FColumns.clear();
    for (int c = 1; c < columns; ++c) {
        FColumns.append(QString::fromUtf8(sqlite3_column_name(*stmt, c)));
        defs.push_back({FColumns.back(), AffinityOf(sqlite3_column_decltype(*stmt, c))});
    }
    {
        // The table's NOT NULL columns.
        TStatement info(Db(FDatabase), QStringLiteral("PRAGMA table_info(%1)").arg(QuotedTable()));
        while (info.Step())
            if (sqlite3_column_int(*info, 3) != 0) {
                const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(*info, 1)));
                for (TFieldDef& def : defs)
                    if (def.Name.compare(name, Qt::CaseInsensitive) == 0)
                        def.Required = true;
            }
    }
    const auto width = static_cast<size_t>(columns - 1);
    if (FWhere.trimmed().isEmpty()) {
        // Without deletions the highest rowid is the row count; found in one index probe.
        TStatement last(Db(FDatabase), QStringLiteral("SELECT max(rowid) FROM ") + QuotedTable());
        if (last.Step()) {
            const std::int64_t estimate = sqlite3_column_int64(*last, 0);
            if (estimate > 0 && estimate < 50000000)
                ReserveRecords(static_cast<size_t>(estimate), width);
        }
    }
    while (stmt.Step()) {
        AddRecordId(sqlite3_column_int64(*stmt, 0));
        for (int c = 1; c < columns; ++c)
            stmt.ReadColumn(c, [this](auto&& value) { AddRecordValue(std::forward<decltype(value)>(value)); });
    }
    FitRecords();
}

TBookmark TSQLiteDataSet::InternalPost(bool inserting, TBookmark rowId, const std::vector<Variant>& original,
                                       std::vector<Variant>& values)
{
    sqlite3* db = Db(FDatabase);
    if (!db)
        throw EDatabaseError(QStringLiteral("Database is not connected"));
    // Only the columns that changed (or, for a new record, were given) are written.
    std::vector<int> written;
    for (size_t c = 0; c < values.size(); ++c)
        if (inserting ? !values[c].IsEmpty() : !(values[c] == original[c]))
            written.push_back(static_cast<int>(c));
    if (inserting) {
        QString sql;
        if (written.empty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(QuotedTable());
        } else {
            QStringList names, marks;
            for (int c : written) {
                names << QuoteIdent(FColumns[c]);
                marks << QStringLiteral("?");
            }
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(QuotedTable(), names.join(','), marks.join(','));
        }
        TStatement stmt(db, sql);
        for (size_t i = 0; i < written.size(); ++i)
            stmt.Bind(static_cast<int>(i) + 1, values[static_cast<size_t>(written[i])]);
        stmt.Step();
        rowId = sqlite3_last_insert_rowid(db);
    } else {
        if (written.empty())
            return rowId;
        QStringList sets;
        for (int c : written)
            sets << QuoteIdent(FColumns[c]) + QStringLiteral("=?");
        TStatement stmt(db, QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?").arg(QuotedTable(), sets.join(',')));
        int index = 1;
        for (int c : written)
            stmt.Bind(index++, values[static_cast<size_t>(c)]);
        stmt.Bind(index, Variant(rowId));
        stmt.Step();
        if (sqlite3_changes(db) == 0)
            throw EDatabaseError(QStringLiteral("Record not found"));
    }
    // Read the record back as stored (defaults, affinity conversions, triggers).
    TStatement read(db, QStringLiteral("SELECT rowid, * FROM %1 WHERE rowid=?").arg(QuotedTable()));
    read.Bind(1, Variant(rowId));
    if (read.Step()) {
        const int columns = std::min(sqlite3_column_count(*read) - 1, static_cast<int>(values.size()));
        for (int c = 0; c < columns; ++c)
            values[static_cast<size_t>(c)] = read.Column(c + 1);
    }
    return rowId;
}

void TSQLiteDataSet::InternalDelete(TBookmark rowId)
{
    sqlite3* db = Db(FDatabase);
    if (!db)
        throw EDatabaseError(QStringLiteral("Database is not connected"));
    TStatement stmt(db, QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(QuotedTable()));
    stmt.Bind(1, Variant(rowId));
    stmt.Step();
}

} // namespace kv
