// An in-memory data provider whose fields are a collection of typed columns: each field keeps
// its values in one contiguous buffer of fixed-size records (a flag byte, then the value),
// with the texts of a text field kept beside it. Adds typed cell access, row states,
// running sums, edit permissions and events.
#pragma once

#include "model/KvGrids.Data.h"
#include "model/KvGrids.Data.Sum.h"
#include "platform/rtl/Collections.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kv {

enum TKvVantrelDataType { vdtText, vdtBool, vdtByte, vdtInt16, vdtInt, vdtInt64, vdtFloat, vdtDate };

// One typed column buffer.
class TKvVantrelDataPool : public TObject
{
public:
    TKvVantrelDataPool(TKvVantrelDataType DataType, unsigned Length);

    void Init(TKvVantrelDataType DataType, unsigned Length);
    TKvVantrelDataType GetDataType() const { return FDataType; }
    unsigned GetLength() const { return FLength; }
    int GetSize() const { return FSize; }
    int GetCount() const { return FCount; }
    int GetCapacity() const { return FCapacity; }
    // Shrinking below the count first lowers the count.
    void SetCapacity(int Value);
    // Negative is taken as 0; new records are null, dropped values leave the sum.
    void SetCount(int Value);

    bool GetNull(int Row) const;
    // True clears the record; False gives a null record the type's zero value.
    void SetNull(int Row, bool IsNull);
    void ClearValue(int Row);
    // Null for a null record.
    Variant GetValue(int Row) const;
    // Empty and Null clear; so does a value whose text is empty, except in a text field.
    void SetValue(int Row, const Variant& Value);

    // Getters answer the type's zero for a null record and convert from the stored type;
    // a value that does not fit the asked type raises EConvertError.
    QString GetText(int Row) const;
    bool GetBool(int Row) const;
    std::uint8_t GetByte(int Row) const;
    std::int16_t GetInt16(int Row) const;
    int GetInt(int Row) const;
    std::int64_t GetInt64(int Row) const;
    double GetFloat(int Row) const;
    long double GetExtended(int Row) const;
    double GetDate(int Row) const;
    // Setters convert to the stored type (floats round to integers); a value that does not fit
    // raises EConvertError and leaves the record as it was.
    void SetText(int Row, const QString& Value);
    void SetBool(int Row, bool Value);
    void SetByte(int Row, std::uint8_t Value);
    void SetInt16(int Row, std::int16_t Value);
    void SetInt(int Row, int Value);
    void SetInt64(int Row, std::int64_t Value);
    void SetFloat(int Row, double Value);
    void SetExtended(int Row, long double Value);
    void SetDate(int Row, double Value);

    // A null record at the end; answers its index.
    int Add();
    void Insert(int Row);
    // Deletes up to Count records from Row (bounded by what lies after it).
    void Delete(int Row, int Count = 1);
    // Deletes the listed rows (ascending, distinct, inside the pool) in one pass.
    void DeleteSorted(const std::vector<int>& Rows);
    void Clear() { SetCount(0); }
    void Exchange(int Row1, int Row2);
    void Move(int FromRow, int ToRow);

    // Statistics of the numeric types (Byte to Float): the running sum of the values, and the
    // smallest and largest value (recomputed after a change that may have removed them).
    // Infinite and NaN values are counted apart from the finite sum, so the sum is exact
    // again once they leave; a change the running sum cannot take exactly makes it a recount.
    long double GetSum() const;
    long double GetMinimum() const;
    long double GetMaximum() const;
    bool IsNumeric() const { return FDataType >= vdtByte && FDataType <= vdtFloat; }

private:
    std::uint8_t* Record(int Row) const { return FValues.get() + static_cast<size_t>(Row) * static_cast<size_t>(FSize); }
    void CheckRow(int Row, int Limit) const;
    void Grow(int Need);
    void ResetStatistics();
    // The stored value of a record with a value, as a real number (numeric types only).
    long double StoredReal(int Row) const;
    // Writes a value of the pool's type: Real for numbers, Text for text. Updates the sum.
    void WriteReal(int Row, long double Value);
    void WriteText(int Row, const QString& Value);
    void Forget(int Row);
    // Value leaves (removing true) or enters the statistics.
    void Account(long double Value, bool Removing);
    void RecomputeRange() const;

    TKvVantrelDataType FDataType = vdtText;
    unsigned FLength = 0;
    int FSize = 1;
    std::unique_ptr<std::uint8_t[]> FValues;
    std::unique_ptr<std::uint8_t[]> FBuff;
    std::unique_ptr<std::vector<QString>> FStrings;
    int FCount = 0;
    int FCapacity = 0;
    // The exact sum of a float pool's finite values (recounted only after a total that
    // overflowed); the whole-number pools keep theirs in 128 bits.
    mutable TKvExactSum FSum;
    __extension__ __int128 FWhole = 0;
    int FPositiveInfinities = 0;
    int FNegativeInfinities = 0;
    int FNaNs = 0;
    mutable long double FMinimum = 0;
    mutable long double FMaximum = 0;
    long double FMean = 0;
    long double FVariance = 0;
    mutable bool FRangeValid = true;
};

class TKvVantrelDataProvider;

class TKvVantrelDataField : public TCollectionItem
{
protected:
    friend class TCreateAccess;
    explicit TKvVantrelDataField(TCollection* Collection);

public:
    ~TKvVantrelDataField() override;
    // Asks the field dialog for the name and type first when the provider is designed.
    void AfterConstruction() override;

    // The dialog that names a field added at design time: on OK it answers true with the
    // name and type. The design layer installs it; without one a field is added unnamed.
    using TFieldDialog = bool (*)(TKvVantrelDataProvider* Provider, QString& Name, TKvVantrelDataType& DataType);
    static void SetFieldDialog(TFieldDialog Dialog);

    TKvVantrelDataPool* GetPool() const { return FPool.get(); }
    const QString& GetName() const { return FName; }
    // Refuses the name of another field (in any letter case).
    void SetName(const QString& Value);
    TKvVantrelDataType GetDataType() const { return FDataType; }
    // Raises "Can not change data field's data type" on a field with a buffer, unless the
    // provider is loading or designed.
    void SetDataType(TKvVantrelDataType Value);
    unsigned GetLength() const { return FLength; }
    void SetLength(unsigned Value);
    const QString& GetDesignValue() const { return FDesignValue; }
    void SetDesignValue(const QString& Value);
    const Variant& GetDefaultValue() const { return FDefaultValue; }
    void SetDefaultValue(const Variant& Value) { FDefaultValue = Value; }
    QString GetDisplayName() const override { return FName; }
    void Assign(const TPersistent* Source) override;

    TKvVantrelDataProvider* GetProvider() const;
    // A new buffer of the field's type and length (sized to the provider's rows unless loading).
    void CreatePool();

private:
    friend class TKvVantrelDataFieldCollection;
    // Raises Message when the field has a buffer and the provider is live.
    void CheckRebuild(const QString& Message) const;

    TCollection* FOwnerCollection;
    std::unique_ptr<TKvVantrelDataPool> FPool;
    QString FName;
    TKvVantrelDataType FDataType = vdtText;
    unsigned FLength = 0;
    QString FDesignValue;
    Variant FDefaultValue;
};

class TKvVantrelDataFieldCollection : public TOwnedCollection
{
public:
    explicit TKvVantrelDataFieldCollection(TKvVantrelDataProvider* Owner);

    TKvVantrelDataField* GetItem(int Index) const { return static_cast<TKvVantrelDataField*>(TCollection::GetItem(Index)); }
    TKvVantrelDataField* Add() { return static_cast<TKvVantrelDataField*>(TCollection::Add()); }
    TKvVantrelDataField* Add(const QString& Name, TKvVantrelDataType DataType, unsigned Length = 0);
    TKvVantrelDataProvider* GetProvider() const { return FProvider; }
    // Field names are unique regardless of case, as the look-up by name is: another field
    // (not Except) of the name raises. Unnamed fields, and names read from a form file, pass.
    void CheckUniqueName(const QString& Name, const TCollectionItem* Except) const;

protected:
    void Update(TCollectionItem* Item) override;

private:
    TKvVantrelDataProvider* FProvider;
};

using TKvVantrelDataRowEvent = std::function<void(TObject* Sender, int Row)>;
using TKvVantrelDataUpdateEvent = std::function<void(TKvVantrelDataField* Field, int Row, const Variant& Value)>;
using TKvVantrelDataFieldRowEvent = std::function<void(TKvVantrelDataField* Field, int Row)>;
using TKvVantrelDataRowUpdateEvent = std::function<void(TObject* Sender, int Row, const TKvGridDataRow& Values)>;
using TKvVantrelDataRowsEvent = std::function<void(TObject* Sender, const TKvIntegerArray& Rows)>;
using TKvNotifyEvent = std::function<void(TObject* Sender)>;

class TKvVantrelDataProvider : public TKvGridDataProvider
{
protected:
    friend class TCreateAccess;
    explicit TKvVantrelDataProvider(TComponent* AOwner = nullptr);

public:
    // A cell of the provider, re-aimed at each GetCell; valid until the next one.
    class TKvVantrelDataCell
    {
    public:
        bool GetNull() const;
        // True clears the value; False gives a null value the type's zero (both notify).
        void SetNull(bool IsNull);
        Variant GetValue() const;
        void SetValue(const Variant& Value);
        QString GetText() const;
        void SetText(const QString& Value);
        bool GetBool() const;
        void SetBool(bool Value);
        std::uint8_t GetByte() const;
        void SetByte(std::uint8_t Value);
        std::int16_t GetInt16() const;
        void SetInt16(std::int16_t Value);
        int GetInt() const;
        void SetInt(int Value);
        std::int64_t GetInt64() const;
        void SetInt64(std::int64_t Value);
        double GetFloat() const;
        void SetFloat(double Value);
        double GetDate() const;
        void SetDate(double Value);
        // Clears the record without notifications.
        void Clear();
        int GetRow() const { return FRow; }
        TKvVantrelDataField* GetField() const { return FField; }

    private:
        friend class TKvVantrelDataProvider;
        TKvVantrelDataPool* Pool() const { return FField->GetPool(); }
        int FRow = -1;
        TKvVantrelDataField* FField = nullptr;
        TKvVantrelDataProvider* FProvider = nullptr;
    };

    ~TKvVantrelDataProvider() override;
    void Loaded() override;

    int GetRowCount() const override { return FRowCount; }
    int GetFieldCount() const override { return FFields ? FFields->Count() : 0; }
    QStringList GetFieldNames() const override;
    QString GetFieldName(int Field) const override;
    // The last field of that name (case-insensitive); -1 when none.
    int GetFieldIndex(const QString& Name) const override;
    TKvGridValueType GetValueType(int Field) const override;
    // Raises "Field %d is invalid index." outside the fields.
    Variant GetDefaultValue(int Field) const override;
    Variant GetData(int Row, int Field) const override;
    void SetData(int Row, int Field, const Variant& Value) override;
    TKvGridDataRow GetRow(int Row) const override { return {}; }
    TKvGridDataRowState GetRowState(int Row) const override;
    void InsertRow(int Row, const TKvGridDataRow& Values) override;
    void RemoveRow(int Row) override;
    // Each listed row inside the table goes once; duplicates and others are ignored.
    void RemoveRows(const TKvIntegerArray& Rows) override;
    void UpdateRow(int Row, const TKvGridDataRow& Values) override;
    bool IsLocal() const override { return true; }
    bool CanUpdateRow(int Row) const override { return FUpdatable; }
    bool CanAppendRow() const override { return FInsertable; }
    bool CanInsertRow(int Row) const override { return FInsertable; }
    bool CanDeleteRow(int Row) const override { return FDeletable; }
    bool CanUpdateField(int Field) const override { return true; }
    // Running sum, smallest and largest value of a numeric field; Unassigned without rows.
    Variant GetSum(int Field) const override;
    Variant GetMax(int Field) const override;
    Variant GetMin(int Field) const override;
    // Sum of the listed rows of a Bool to Float field (nulls count 0); 0 for other fields.
    Variant GetRangeSum(int Field, TKvRowIndices Rows) const override;

    // Inserts at the end; answers the new row.
    int AppendRow(const TKvGridDataRow& Values);
    int AppendRow(std::initializer_list<Variant> Values) { return AppendRow(TKvGridDataRow(Values)); }
    void InsertRow(int Row, std::initializer_list<Variant> Values) { InsertRow(Row, TKvGridDataRow(Values)); }
    void SetRowState(int Row, TKvGridDataRowState State);
    void ClearStates();
    // First field of that name (case-insensitive), or nil.
    TKvVantrelDataField* GetFieldByName(const QString& Name) const;
    TKvVantrelDataCell* GetCell(int Row, int FieldIndex);
    TKvVantrelDataCell* GetCellByName(int Row, const QString& Name);

    TKvVantrelDataFieldCollection* GetFields() const { return FFields.get(); }
    void SetFields(TKvVantrelDataFieldCollection* Value);
    void SetRowCount(int Value);
    bool GetInsertable() const { return FInsertable; }
    void SetInsertable(bool Value) { FInsertable = Value; }
    bool GetUpdatable() const { return FUpdatable; }
    void SetUpdatable(bool Value) { FUpdatable = Value; }
    bool GetDeletable() const { return FDeletable; }
    void SetDeletable(bool Value) { FDeletable = Value; }
    bool GetSoftDeleting() const { return FSoftDeleting; }
    void SetSoftDeleting(bool Value) { FSoftDeleting = Value; }
    bool IsUpdating() const { return GetComponentState().Contains(csUpdating); }

    TKvNotifyEvent OnRowCountChange;
    TKvNotifyEvent OnRowStatesClear;
    TKvVantrelDataRowEvent OnRowStateChange;
    TKvVantrelDataUpdateEvent OnValueUpdating;
    TKvVantrelDataFieldRowEvent OnValueUpdate;
    TKvVantrelDataRowUpdateEvent OnRowUpdating;
    TKvVantrelDataRowEvent OnRowUpdate;
    TKvVantrelDataRowsEvent OnRowsInsert;
    TKvVantrelDataRowsEvent OnRowsDelete;

private:
    friend class TKvVantrelDataField;
    friend class TKvVantrelDataFieldCollection;
    TKvVantrelDataField* Field(int Index) const { return FFields->GetItem(Index); }
    void CheckField(int Field) const;
    // The value path of SetData and the cell setters.
    void WriteValue(TKvVantrelDataField* Field, int Row, const Variant& Value);
    void ResizeAll();
    void FieldsChanged();

    std::unique_ptr<TKvVantrelDataFieldCollection> FFields;
    int FRowCount = 0;
    std::vector<TKvGridDataRowState> FRowStates;
    TKvVantrelDataCell FCell;
    bool FInsertable = true;
    bool FUpdatable = true;
    bool FDeletable = true;
    bool FSoftDeleting = false;
    // Set while the collection adds a field it names itself (no dialog).
    bool FAddingNamed = false;
};

using TKvVantrelDataCell = TKvVantrelDataProvider::TKvVantrelDataCell;

} // namespace kv
