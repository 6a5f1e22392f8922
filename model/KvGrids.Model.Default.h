// The default item provider: one row item per data row, sorted by several fields,
// following every change of its data provider.
#pragma once

#include "model/KvGrids.Model.Sorting.h"
#include "platform/rtl/LargeBlocks.h"

namespace kv {

class TKvGridRow : public TKvGridItem
{
public:
    TKvGridRow(TKvGridItemProvider* Provider, int DataRow) : TKvGridItem(Provider), FDataRow(DataRow) {}
    int GetDataRow() const override { return FDataRow; }
    void SetDataRow(int Value) { FDataRow = Value; }

private:
    int FDataRow;
};

class TKvDefaultGridItemProvider : public TKvGridItemProvider
{
protected:
    friend class TCreateAccess;
    TKvDefaultGridItemProvider();

public:
    ~TKvDefaultGridItemProvider() override;

    TKvGridDataProvider* GetDataSource() const override { return FDataSource; }
    int GetFixedCount() const override;
    int GetMaxItemCount() const override { return FMaxItemCount; }
    void SetMaxItemCount(int Value) override;
    int GetItemCount() const override { return static_cast<int>(FItems.size()); }
    int GetRowCount() const override { return GetItemCount(); }
    TKvGridItem* GetItem(int Index) const override;
    void ResetItems() override;
    void SetFixed(int Count, bool FixedSorting, bool FixedFiltering) override;
    int ItemOfData(int DataRow) const override;
    void Exchange(int Index1, int Index2) override;
    void GetDataRows(int First, int Count, int* Rows) const override;
    void ApplyOrder(int First, const std::vector<int>& Order) override;
    TKvGridItems GetAllItems() const override;
    void SetValueRuns(TKvGridValueRuns&& Runs) override { FRuns = std::move(Runs); }
    const TKvGridValueRuns* GetValueRuns() const override { return FRuns.Fields.empty() ? nullptr : &FRuns; }
    // Finds by data values as TKvGridItemProvider::FindDataItem does.
    int FindItem(const TKvIntegerArray& Fields, const TVariantArray& Values, TKvGridSearchOptions Options,
                 int StartIndex, int EndIndex) const override;
    using TKvGridItemProvider::FindItem;

    void SetDataSource(TKvGridDataProvider* Provider);
    IntfPtr<IKvGridItemSorter> GetSorter() const;
    void SetSorter(const IntfPtr<IKvGridItemSorter>& Sorter);
    bool GetSorting() const { return !FSortFields.empty(); }
    void OrderBy(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions, bool Refresh = true);
    TKvIntegerArray GetSortFields() const { return FSortFields; }
    TKvGridSortDirections GetSortDirections() const { return FSortDirections; }
    bool GetFixedSorting() const { return FFixedSorting; }
    // Distinct values of Field in item order of first appearance.
    TVariantArray GetFieldDomain(int Field) const;
    TKvGridRow* FindRow(int DataRow) const;

protected:
    virtual void OnDataDispose();
    virtual void OnDataReset();
    virtual void OnDataRefresh();
    virtual void OnDataRowStateChanged(int Row);
    virtual void OnDataRowInserted(int Row);
    virtual void OnDataRowRemoved(int Row);
    virtual void OnDataRowsRemoved(const TKvIntegerArray& Rows);
    virtual void OnDataRowUpdated(int Row);
    virtual void OnDataValueChanged(int Row, int Field);

private:
    class TDataListener;
    class TRowPool;

    TKvGridRow* NewRow(int DataRow);
    void FreeRow(TKvGridRow* Row);

    void ClearRows();
    void BuildRows();
    // Builds the rows of an empty list already sorted, when the sorter orders data rows itself.
    bool BuildSorted(int Count);
    void Rebuild();
    void SortRange(int First, int Last, int Level);
    // A structural change that the item limit makes a rebuild.
    bool LimitBinds(int SourceRowCount) const;
    void InvalidateRowIndex() { FRowIndexValid = false; }
    void ForgetRuns() { FRuns = {}; }

    IntfPtr<IKvGridItemSorter> FSorter;
    TOwned<TDataListener> FDataListener;
    std::unique_ptr<TRowPool> FRowPool;
    std::vector<TKvGridRow*, TLargeBlockAllocator<TKvGridRow*>> FItems;
    int FFixedCount = 0;
    bool FFixedSorting = false;
    int FMaxItemCount = 0;
    TKvIntegerArray FSortFields;
    TKvGridSortDirections FSortDirections;
    TKvGridDataProvider* FDataSource = nullptr;
    // Data row -> item index, rebuilt on demand after the order changed.
    mutable std::vector<int> FRowIndex;
    // Item i shows data row i (built unsorted, and only rows inserted or removed since).
    bool FInDataOrder = true;
    mutable bool FRowIndexValid = false;
    // Where the sort's values change, until the order or the data changes.
    TKvGridValueRuns FRuns;
};

} // namespace kv
