// The dataset framework: datasets of records with typed fields, data sources, data links
// with their callbacks, bookmarks and the edit cycle (Edit/Insert, Post or Cancel, Delete).
//
// A TDataSet keeps every record of its result in memory (a row id and one value per field);
// the descendant supplies the storage (InternalOpen, InternalPost, InternalDelete).
// TSQLiteDataSet reads "SELECT rowid, * FROM table [WHERE ...]" and writes back by rowid.
//
// Call flow: the application opens a dataset; the dataset tells its data sources of every
// change (DataEvent), and each source tells its links, which call their virtual callbacks
// (ActiveChanged, DataSetChanged, DataSetScrolled, EditingChanged, RecordChanged, ...).
// A link's ActiveRecord addresses a window of BufferCount records; setting it makes that
// record the dataset's current one without any notification.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Variant.h"

#include <QtCore/QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace kv {

KV_DECLARE_EXCEPTION(EDatabaseError, Exception)

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum TFieldType { ftUnknown, ftString, ftInteger, ftFloat, ftNumeric, ftVariant };
enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deFocusControl
};

// A record's identity: its row id.
using TBookmark = std::int64_t;

class TDataSet;
class TDataSource;
class TDataLink;

// --- fields -------------------------------------------------------------------------------

class TField : public TObject
{
public:
    TField(TDataSet* dataSet, const QString& fieldName, int index, TFieldType dataType);

    TDataSet* GetDataSet() const { return FDataSet; }
    const QString& GetFieldName() const { return FFieldName; }
    int GetIndex() const { return FIndex; }
    TFieldType GetDataType() const { return FDataType; }

    // The current record's value; Null for SQL NULL.
    Variant GetValue() const;
    // Converts to the field's kind (EConvertError when it cannot) and stores into the record
    // being edited (EDatabaseError when the dataset is not editing).
    void SetValue(const Variant& value);
    bool IsNull() const { return GetValue().IsClear(); }
    // The field must have a value (a NOT NULL column).
    bool GetRequired() const { return FRequired; }
    void SetRequired(bool value) { FRequired = value; }
    // Null reads as 0 or ''.
    double GetAsFloat() const;
    std::int64_t GetAsInteger() const;
    QString GetAsString() const { return GetValue().ToString(); }
    // Asks the controls linked to the dataset to focus this field.
    void FocusControl();

protected:
    // The value as this kind of field stores it; Null and Empty pass unchanged.
    virtual Variant Convert(const Variant& value) const { return value; }

private:
    TDataSet* FDataSet;
    QString FFieldName;
    int FIndex;
    TFieldType FDataType;
    bool FRequired = false;
};

class TStringField : public TField
{
public:
    TStringField(TDataSet* dataSet, const QString& fieldName, int index) : TField(dataSet, fieldName, index, ftString) {}

protected:
    Variant Convert(const Variant& value) const override;
};

// Base of the number fields; also the field of columns that hold numbers where they can
// (text that does not read as a number is kept as text).
class TNumericField : public TField
{
public:
    TNumericField(TDataSet* dataSet, const QString& fieldName, int index, TFieldType dataType = ftNumeric)
        : TField(dataSet, fieldName, index, dataType)
    {
    }

protected:
    Variant Convert(const Variant& value) const override;
};

class TIntegerField : public TNumericField
{
public:
    TIntegerField(TDataSet* dataSet, const QString& fieldName, int index) : TNumericField(dataSet, fieldName, index, ftInteger) {}

protected:
    Variant Convert(const Variant& value) const override;
};

class TFloatField : public TNumericField
{
public:
    TFloatField(TDataSet* dataSet, const QString& fieldName, int index) : TNumericField(dataSet, fieldName, index, ftFloat) {}

protected:
    Variant Convert(const Variant& value) const override;
};

// Keeps values of any kind as they are.
class TVariantField : public TField
{
public:
    TVariantField(TDataSet* dataSet, const QString& fieldName, int index) : TField(dataSet, fieldName, index, ftVariant) {}
};

class TFields
{
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    // EListError for an index out of range.
    TField* GetField(int index) const;
    TField* operator[](int index) const { return GetField(index); }

private:
    friend class TDataSet;
    std::vector<TOwned<TField>> FItems;
};

// --- dataset ------------------------------------------------------------------------------

class TDataSet : public TComponent
{
public:
    explicit TDataSet(TComponent* owner);
    ~TDataSet() override;
    void BeforeDestruction() override;

    void Open();
    void Close();
    bool GetActive() const { return FState != dsInactive; }
    void SetActive(bool value);
    TDataSetState GetState() const { return FState; }
    // Reads the records again (the current position is kept where it can be).
    void Refresh();

    const TFields& GetFields() const { return FFields; }
    TField* FindField(const QString& name) const;
    // EDatabaseError "Field 'name' not found" when there is none.
    TField* FieldByName(const QString& name) const;

    int GetRecordCount() const { return static_cast<int>(FRowIds.size()); }
    // The current record, from 0; -1 when there is none.
    int GetRecNo() const { return FRecords.empty() ? -1 : FCurrent; }
    void SetRecNo(int value);
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }
    bool IsEmpty() const { return FRowIds.empty(); }

    void Edit();
    // A new record before the current one; Append adds it at the end.
    void Insert();
    void Append();
    // Writes the record being edited; on failure the dataset stays in its edit state.
    void Post();
    void Cancel();
    void Delete();

    // Nested; while disabled the links hear nothing, and the outermost EnableControls tells
    // them once that the dataset changed when anything happened meanwhile.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    TBookmark GetBookmark() const;
    bool BookmarkValid(TBookmark bookmark) const;
    // EDatabaseError "Record not found" when the bookmark's record is gone.
    void GotoBookmark(TBookmark bookmark);

    // Field access for TField.
    const Variant& GetFieldData(const TField* field) const;
    void SetFieldData(const TField* field, const Variant& value);

protected:
    struct TFieldDef
    {
        QString Name;
        TFieldType DataType = ftVariant;
        bool Required = false;
    };
    // Fill Defs with the fields and add every record (AddRecordId, AddRecordValue).
    virtual void InternalOpen(std::vector<TFieldDef>& defs) = 0;
    virtual void InternalClose() {}
    // Stores Values (Inserting: a new record, else the record RowId; Original holds its
    // values before the edit) and answers the record as stored, with its row id.
    virtual TBookmark InternalPost(bool inserting, TBookmark rowId, const std::vector<Variant>& original,
                                   std::vector<Variant>& values) = 0;
    virtual void InternalDelete(TBookmark rowId) = 0;

    // A new record at the end: its row id, then one value per field.
    void AddRecordId(TBookmark rowId) { FRowIds.push_back(rowId); }
    // Built in place from what a Variant is made of (a QString, a number, a Variant).
    template <typename T>
    void AddRecordValue(T&& value)
    {
        FRecords.emplace_back(std::forward<T>(value));
    }
    // Room for Count records, and giving back room far beyond the records read.
    void ReserveRecords(size_t count, size_t width);
    void FitRecords();
    void CheckActive() const;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TField;
    friend class TDataSource;
    friend class TDataLink;

    void DataEvent(TDataEvent event, std::intptr_t info = 0);
    void SetState(TDataSetState value);
    void CheckBrowseMode();
    void SetCurrent(int index);
    void ClearRecords();
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    const Variant* RecordValues(int index) const { return FRecords.data() + static_cast<size_t>(index) * FFields.Count(); }

    TFields FFields;
    std::vector<TBookmark> FRowIds;
    std::vector<Variant> FRecords; // row-major, FFields.Count() values per record
    std::vector<Variant> FEditBuffer;
    int FCurrent = 0;
    int FInsertAt = 0;
    int FEditRecord = 0; // the record whose values the edit buffer holds
    bool FEof = true;
    bool FBof = true;
    TDataSetState FState = dsInactive;
    int FDisableCount = 0;
    TDataSetState FDisableState = dsInactive;
    bool FEventsSuppressed = false;
    std::vector<TDataSource*> FDataSources;
};

// --- data source and data link ------------------------------------------------------------

class TDataSource : public TComponent
{
public:
    explicit TDataSource(TComponent* owner);
    ~TDataSource() override;
    void BeforeDestruction() override;

    TDataSet* GetDataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* value);
    TDataSetState GetState() const { return FDataSet ? FDataSet->GetState() : dsInactive; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, std::intptr_t info);
    void NotifyLinks(void (TDataLink::*update)());

    TComponentRef<TDataSet> FDataSet{TNotifyHolder{this}};
    std::vector<TDataLink*> FLinks;
};

class TDataLink : public TObject
{
public:
    TDataLink() = default;
    ~TDataLink() override;

    TDataSource* GetDataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* value);
    TDataSet* GetDataSet() const { return FDataSource ? FDataSource->GetDataSet() : nullptr; }
    bool GetActive() const { return FActive; }
    bool GetEditing() const { return FEditing; }

    // The current record within the link's window (0 .. RecordCount - 1).
    int GetActiveRecord() const;
    // EListError for a record outside the window.
    void SetActiveRecord(int value);
    int GetBufferCount() const { return FBufferCount; }
    void SetBufferCount(int value);
    // The records in the window.
    int GetRecordCount() const;

    // The control holding this link changed its value.
    void Modified() { FModified = true; }
    // Tells the link to show the record again, dropping its control's changes.
    void Reset() { RecordChanged(nullptr); }

protected:
    virtual void ActiveChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField* field) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) {}
    virtual void UpdateData() {}

    bool FModified = false;

private:
    friend class TDataSet;
    friend class TDataSource;
    void DataEvent(TDataEvent event, std::intptr_t info);
    void UpdateState();
    void UpdateEditing();
    void ClampWindow();

    TDataSource* FDataSource = nullptr;
    bool FActive = false;
    bool FEditing = false;
    int FBufferCount = 1;
    int FFirstRecord = 0;
};

// --- SQLite -------------------------------------------------------------------------------

// One connection to a database file (":memory:" for a private in-memory database).
class TSQLiteDatabase : public TComponent
{
public:
    explicit TSQLiteDatabase(TComponent* owner);
    ~TSQLiteDatabase() override;

    // EDatabaseError with the database's message when the file cannot be opened.
    void Open(const QString& fileName);
    void Close();
    bool GetConnected() const { return FHandle != nullptr; }
    // Runs one or more statements without results.
    void ExecSQL(const QString& sql);
    // The connection for the platform's own use.
    void* Handle() const { return FHandle; }

private:
    void* FHandle = nullptr;
};

// The records of one table, optionally filtered by a condition; posts write back by rowid.
// Field kinds follow the columns' type affinity: INTEGER a TIntegerField, REAL a TFloatField,
// NUMERIC a TNumericField, TEXT a TStringField, BLOB (no declared type) a TVariantField.
// A NOT NULL column's field is Required.
class TSQLiteDataSet : public TDataSet
{
public:
    explicit TSQLiteDataSet(TComponent* owner);

    TSQLiteDatabase* GetDatabase() const { return FDatabase; }
    void SetDatabase(TSQLiteDatabase* value);
    const QString& GetTableName() const { return FTableName; }
    void SetTableName(const QString& value);
    // An SQL condition ("age > 30 ORDER BY name"), appended after WHERE; empty reads every row.
    const QString& GetWhere() const { return FWhere; }
    void SetWhere(const QString& value);

protected:
    void InternalOpen(std::vector<TFieldDef>& defs) override;
    TBookmark InternalPost(bool inserting, TBookmark rowId, const std::vector<Variant>& original,
                           std::vector<Variant>& values) override;
    void InternalDelete(TBookmark rowId) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void CheckInactive() const;
    QString QuotedTable() const;

    TComponentRef<TSQLiteDatabase> FDatabase{TNotifyHolder{this}};
    QString FTableName;
    QString FWhere;
    QStringList FColumns;
};

} // namespace kv
