// The data provider contract: an abstract table of rows by typed fields holding variants,
// with change listeners and an update flag.
#pragma once

#include "model/KvGrids.Common.Types.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Listeners.h"
#include "platform/rtl/Variant.h"

#include <QtCore/QStringList>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace kv {

enum TKvGridDataRowState { RowStateNone = 0, RowStateCreated = 1, RowStateUpdated = 2, RowStateDeleted = 3 };

// How bulk sorting orders a field: by the total variant order of its values (what the base
// CompareValue does), by keys the provider writes (GetSortKeys), or row pair by row pair
// through CompareValue.
enum TKvGridSortKeyKind { SortKeyValues, SortKeyOwn, SortKeyCompare };

// One row of values in field order.
using TKvGridDataRow = TVariantArray;
using TKvGridDataTable = std::vector<TKvGridDataRow>;
using TKvIntegerArray = std::vector<int>;
// Row indices handed to the range aggregates.
using TKvRowIndices = std::span<const int>;

class TKvGridDataChangeListener : public TObject
{
public:
    virtual void OnDataDispose() = 0;
    virtual void OnDataReset() = 0;
    virtual void OnDataRefresh() = 0;
    virtual void OnDataRowStateChanged(int Row) = 0;
    virtual void OnDataRowInserted(int Row) = 0;
    virtual void OnDataRowRemoved(int Row) = 0;
    virtual void OnDataRowsRemoved(const TKvIntegerArray& Rows) = 0;
    virtual void OnDataRowUpdated(int Row) = 0;
    virtual void OnDataValueChanged(int Row, int Field) = 0;
    // The provider is about to commit its changes (send or keep them): a listener holding a
    // pending row for it writes it now, or raises to stop the commit.
    virtual void OnDataCommitting() {}
};

class TKvGridDataEditOptions : public TPersistent
{
public:
    bool GetUpadtable() const { return FUpadtable; }
    void SetUpadtable(bool Value) { FUpadtable = Value; }
    bool GetAppendable() const { return FAppendable; }
    void SetAppendable(bool Value) { FAppendable = Value; }
    bool GetInsertable() const { return FInsertable; }
    void SetInsertable(bool Value) { FInsertable = Value; }
    bool GetDeletable() const { return FDeletable; }
    void SetDeletable(bool Value) { FDeletable = Value; }

protected:
    // Copies the four flags; raises Exception "Dest is not a TKvGridDataEditOptions" otherwise.
    void AssignTo(TPersistent* Dest) const override;

private:
    bool FUpadtable = false;
    bool FAppendable = false;
    bool FInsertable = false;
    bool FDeletable = false;
};

class TKvGridDataProvider : public TComponent
{
protected:
    friend class TCreateAccess;
    explicit TKvGridDataProvider(TComponent* AOwner);

public:
    ~TKvGridDataProvider() override;
    // Tells the listeners (OnDataDispose) while the whole provider is still alive.
    void BeforeDestruction() override;

    virtual int GetRowCount() const = 0;
    virtual int GetFieldCount() const = 0;
    virtual bool GetImmediateUpdate() const { return false; }
    virtual QStringList GetFieldNames() const = 0;
    virtual QString GetFieldName(int Field) const = 0;
    // -1 when unknown.
    virtual int GetFieldIndex(const QString& Name) const = 0;
    virtual TKvGridValueType GetValueType(int Field) const { return ValueTypeText; }
    virtual Variant GetDefaultValue(int Field) const { return Variant(); }
    // A flag, not a counter: the first EndUpdate ends it.
    virtual void BeginUpdate();
    virtual void EndUpdate(bool Reset);
    virtual Variant GetData(int Row, int Field) const = 0;
    // The field's values in row order, in one array (valid until the next change of the
    // data); nil when the provider has no such array to give.
    virtual const Variant* GetFieldValues(int Field) const { return nullptr; }
    // The same array only when the provider keeps the field that way already, else nil:
    // bulk readers (sorting, filtering, grouping) then take their faster paths by kind.
    virtual const Variant* GetKeptFieldValues(int Field) const { return nullptr; }
    // The cells of Rows (all valid) into Cells, as GetData reads them.
    virtual void GetCells(int Field, TKvRowIndices Rows, Variant* Cells) const;
    // For a SortKeyValues field the provider keeps by kind: one key per row of Rows (all
    // valid), from 0 up to Max, ordered as the total variant order of the cells and equal
    // exactly where the cells are. False when it has no such keys (sorting reads the cells).
    virtual bool GetOrderKeys(int Field, TKvRowIndices Rows, std::uint64_t* Keys, std::uint64_t& Max) const
    {
        return false;
    }
    virtual void SetData(int Row, int Field, const Variant& Value) = 0;
    virtual TKvGridDataRow GetRow(int Row) const = 0;
    virtual TKvGridDataRowState GetRowState(int Row) const = 0;
    // Inserts before Row; Row = row count appends.
    virtual void InsertRow(int Row, const TKvGridDataRow& Values) = 0;
    virtual void RemoveRow(int Row) = 0;
    virtual void RemoveRows(const TKvIntegerArray& Rows) = 0;
    virtual void UpdateRow(int Row, const TKvGridDataRow& Values) = 0;
    virtual bool IsLocal() const = 0;
    virtual bool CanUpdateRow(int Row) const { return false; }
    virtual bool CanAppendRow() const { return false; }
    virtual bool CanInsertRow(int Row) const { return false; }
    virtual bool CanDeleteRow(int Row) const { return false; }
    virtual bool CanUpdateField(int Field) const { return true; }
    // Value relation of two rows' values of one field (the total variant order: never throws).
    virtual bool EqualsValue(int Field, int Row1, int Row2) const;
    virtual int CompareValue(int Field, int Row1, int Row2) const;
    // A provider whose CompareValue is not the variant order of GetData says so here.
    virtual TKvGridSortKeyKind GetSortKeyKind(int Field) const { return SortKeyValues; }
    // For SortKeyOwn: one key per row of Rows (all valid) whose total variant order is CompareValue's.
    virtual void GetSortKeys(int Field, TKvRowIndices Rows, Variant* Keys) const {}
    virtual Variant GetSum(int Field) const { return Variant(); }
    virtual Variant GetMax(int Field) const { return Variant(); }
    virtual Variant GetMin(int Field) const { return Variant(); }
    virtual Variant GetMean(int Field) const { return Variant(); }
    virtual Variant GetVar(int Field) const { return Variant(); }
    virtual Variant GetStdev(int Field) const { return Variant(); }
    virtual Variant GetRangeSum(int Field, TKvRowIndices Rows) const { return Variant(); }
    virtual Variant GetRangeMax(int Field, TKvRowIndices Rows) const { return Variant(); }
    virtual Variant GetRangeMin(int Field, TKvRowIndices Rows) const { return Variant(); }
    virtual Variant GetRangeMean(int Field, TKvRowIndices Rows) const { return Variant(); }
    virtual Variant GetRangeVar(int Field, TKvRowIndices Rows) const { return Variant(); }
    virtual Variant GetRangeStdev(int Field, TKvRowIndices Rows) const { return Variant(); }
    // GetRangeSum of several lists at once: list k is Rows[Ends[k - 1] .. Ends[k]) (from 0 for
    // the first), its sum goes to Sums[k].
    virtual void GetRangeSums(int Field, TKvRowIndices Rows, std::span<const int> Ends, Variant* Sums) const;

    bool GetUpdateLock() const { return FUpdateLock; }

    // Nil and duplicates are ignored.
    void AddListener(TKvGridDataChangeListener* Listener);
    void RemoveListener(TKvGridDataChangeListener* Listener);

    // By field name; an unknown name raises Exception "<name> is a invalid field name".
    Variant GetValue(int Row, const QString& Name) const;
    void SetValue(int Row, const QString& Name, const Variant& Value);

    // Copies a block of values from Source (which may be this provider; overlapping blocks
    // copy through a buffer). Only the overlap of the block with both tables is copied; a
    // nil source, a row outside either table or a negative field raises before any write.
    void CopyValues(const TKvGridDataProvider* Source, int SourceRow, int RowCount, int SourceField, int FieldCount,
                    int Row, int Field);
    void CopyValues(const TKvGridDataProvider* Source, int Row, int RowCount, int Field, int FieldCount);
    void CopyValues(const TKvGridDataProvider* Source, int Row, int Field, int FieldCount);
    // By name: source name i into name i, for i up to the shorter list; values are copied unchanged.
    void CopyValues(const TKvGridDataProvider* Source, int SourceRow, int RowCount, const QStringList& SourceNames,
                    int Row, const QStringList& Names);
    void CopyValues(const TKvGridDataProvider* Source, int Row, int RowCount, const QStringList& SourceNames,
                    const QStringList& Names);
    void CopyValues(const TKvGridDataProvider* Source, int Row, const QStringList& SourceNames, const QStringList& Names);
    void CopyValues(const TKvGridDataProvider* Source, int Row, int RowCount, const QStringList& Names);
    void CopyValues(const TKvGridDataProvider* Source, int Row, const QStringList& Names);

    static TKvGridDataRow CreateRowData(std::initializer_list<Variant> Values) { return TKvGridDataRow(Values); }
    static TKvGridDataTable CreateTableData(int RowCount, std::initializer_list<Variant> Values);
    // One row of defaults by value type: '' for text, False for bool, 0 for numbers and dates.
    TKvGridDataRow CreateDefRowData() const;
    TKvGridDataTable CreateDefTableData(int Count) const;

    // Notifications: nothing while the update flag is set; else every listener in order.
    virtual void DoDispose();
    virtual void DoReset();
    virtual void DoRefresh();
    virtual void DoRowStateChanged(int Row);
    virtual void DoRowInserted(int Row);
    virtual void DoRowRemoved(int Row);
    virtual void DoRowsRemoved(const TKvIntegerArray& Rows);
    virtual void DoRowUpdated(int Row);
    virtual void DoValueChanged(int Row, int Field);
    // Sent also under the update flag: a pending row must reach the commit.
    void DoCommitting();

protected:
    int RequireFieldIndex(const QString& Name) const;

private:
    void CheckCopyBounds(const TKvGridDataProvider* Source, int SourceRow, int Row) const;
    void Dispose();

    TListenerList<TKvGridDataChangeListener> FListeners;
    bool FUpdateLock = false;
    bool FDisposed = false;
};

class TCollection;
class TCollectionItem;

// Refuses name when a field of fields other than except already has it in any letter case, as
// field look-up matches names; nameOf reads a field's name. Empty names are not checked.
void CheckUniqueFieldName(const QString& name, const TCollection& fields, const TCollectionItem* except,
                          QString (*nameOf)(const TCollectionItem*));

} // namespace kv
