// An in-memory table with named, typed columns declared by text; each column keeps its
// values by kind (see KvGrids.Data.Column.h).
#pragma once

#include "model/KvGrids.Data.Column.h"
#include "model/KvGrids.Data.h"
#include "model/KvGrids.Data.Sum.h"

#include <initializer_list>
#include <map>

namespace kv {

class TKvSimpleDataProvider : public TKvGridDataProvider
{
protected:
    friend class TCreateAccess;
    explicit TKvSimpleDataProvider(TComponent* AOwner = nullptr);

public:
    ~TKvSimpleDataProvider() override;

    int GetRowCount() const override { return FRowCount; }
    int GetFieldCount() const override { return FColumnCount; }
    QStringList GetFieldNames() const override { return FFields; }
    QString GetFieldName(int Field) const override;
    // Case-insensitive, from the last column down.
    int GetFieldIndex(const QString& Name) const override;
    TKvGridValueType GetValueType(int Field) const override;
    Variant GetData(int Row, int Field) const override;
    // A column kept by kind has its values made on request, kept until the table changes.
    const Variant* GetFieldValues(int Field) const override;
    const Variant* GetKeptFieldValues(int Field) const override
    {
        return Field >= 0 && Field < FColumnCount ? FValues[static_cast<size_t>(Field)].Values() : nullptr;
    }
    // Typed columns are read without a variant per cell.
    void GetCells(int Field, TKvRowIndices Rows, Variant* Cells) const override;
    bool GetOrderKeys(int Field, TKvRowIndices Rows, std::uint64_t* Keys, std::uint64_t& Max) const override;
    void SetData(int Row, int Field, const Variant& Value) override;
    TKvGridDataRow GetRow(int Row) const override;
    TKvGridDataRowState GetRowState(int Row) const override { return RowStateNone; }
    void InsertRow(int Row, const TKvGridDataRow& Values) override;
    // The same from a braced list, without copying the values into a row first.
    void InsertRow(int Row, std::initializer_list<Variant> Values) { InsertValues(Row, Values.begin(), Values.size()); }
    void RemoveRow(int Row) override;
    // Removes the given rows (highest first) and sends one DoRowsRemoved.
    void RemoveRows(const TKvIntegerArray& Rows) override;
    void UpdateRow(int Row, const TKvGridDataRow& Values) override;
    bool IsLocal() const override { return true; }
    bool CanUpdateRow(int Row) const override { return FUpdatable; }
    bool CanAppendRow() const override { return FInsertable; }
    bool CanInsertRow(int Row) const override { return FInsertable; }
    bool CanDeleteRow(int Row) const override { return FDeletable; }
    bool CanUpdateField(int Field) const override { return true; }

    // The sum of a numeric column, kept up to date by every write (values, rows, removals,
    // clearing): whole numbers exactly (an integer while it fits 64 bits); other numbers
    // apart, recounted when a change could not be added exactly.
    Variant GetSum(int Field) const override;
    Variant GetMax(int Field) const override { return Variant(0); }
    Variant GetMin(int Field) const override { return Variant(0); }
    Variant GetMean(int Field) const override { return Variant(0); }
    Variant GetVar(int Field) const override { return Variant(0); }
    Variant GetStdev(int Field) const override { return Variant(0); }
    // Sum of a numeric column over the rows, skipping null and empty cells; 0 for other columns.
    Variant GetRangeSum(int Field, TKvRowIndices Rows) const override;
    // Ascending lists of distinct rows are summed in one pass in row order.
    void GetRangeSums(int Field, TKvRowIndices Rows, std::span<const int> Ends, Variant* Sums) const override;

    void ClearRows();
    // Headers and Types are separated by "," or ";"; type letters "n", "d", "b", else text;
    // a missing type repeats the previous column's type (the first column's is text).
    void InsertColumns(int Index, int Count, const QString& Headers, const QString& Types);
    void InsertColumns(int Index, const QStringList& Names, const std::vector<TKvGridValueType>& Types);
    void RemoveColumns(int Index, int Count);

    bool GetInsertable() const { return FInsertable; }
    void SetInsertable(bool Value) { FInsertable = Value; }
    bool GetUpdatable() const { return FUpdatable; }
    void SetUpdatable(bool Value) { FUpdatable = Value; }
    bool GetDeletable() const { return FDeletable; }
    void SetDeletable(bool Value) { FDeletable = Value; }

private:
    void CheckRow(int Row) const;
    void CheckColumn(int Field) const;
    void InsertValues(int Row, const Variant* Values, size_t Count);
    // Moves a numeric column's running sum by added - removed (values that do not read as
    // numbers count as 0).
    void MoveSum(int Field, const Variant& Added, const Variant& Removed);

    // A column's sum in parts: whole numbers exactly, the other finite numbers as an exact
    // sum of doubles (recounted only after a total that overflowed), infinities and NaNs counted.
    // Numbers that are not whole gather in fixed point (Pending) until the sum is read.
    struct TRunningSum
    {
        __extension__ __int128 Whole = 0;
        TKvExactSum Fraction;
        TKvChunkSum Pending;
        int Fractions = 0;
        int PositiveInfinities = 0;
        int NegativeInfinities = 0;
        int NaNs = 0;
        bool Touched = false;
        void Account(const Variant& Value, int Sign);
        void AccountNumber(double Value, int Sign);
        // A new cell (nothing leaves the sum).
        void Add(const Variant& Value)
        {
            Touched = true;
            if (Value.IsInteger())
                Whole += Value.IntUnchecked();
            else
                Account(Value, 1);
        }
    };
    void RecountFractions(int Field) const;
    // Rows appended at the end join the sums when the sums are read or before any other change.
    void CatchUpSums() const
    {
        if (FSummedRows != FRowCount) [[unlikely]]
            AddAppendedRowsToSums();
    }
    void AddAppendedRowsToSums() const;
    Variant Cell(int Row, int Field) const { return FValues[static_cast<size_t>(Field)].Get(static_cast<size_t>(Row)); }

    // Any change of the values drops the arrays GetFieldValues made.
    void ValuesChanged()
    {
        if (!FMadeValues.empty()) [[unlikely]]
            FMadeValues.clear();
    }

    // Column-major: one array of values per column, kept by kind.
    std::vector<TKvValueColumn> FValues;
    mutable std::map<int, TVariantArray> FMadeValues;
    int FRowCount = 0;
    int FColumnCount = 0;
    QStringList FFields;
    std::vector<TKvGridValueType> FTypes;
    mutable std::vector<TRunningSum> FSums;
    // Rows 0 .. FSummedRows - 1 are in FSums.
    mutable int FSummedRows = 0;
    TVariantArray FMinimums;
    TVariantArray FMaximums;
    bool FInsertable = true;
    bool FUpdatable = true;
    bool FDeletable = true;
};

} // namespace kv
