// The default item provider: one row item per data row, sorted by several fields,
// following every change of its data provider. The order is a plain array of data rows
// (none while it is the data order); row items are made when first asked for and live until
// the next rebuild or the removal of their data row.
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
    friend class TKvDefaultGridItemProvider;
    void SetCheckedState(bool Value) { FChecked = Value; }
    // As made anew: unchecked, in no group.
    void ResetState()
    {
        FChecked = false;
        FParent = nullptr;
    }

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
    int GetItemCount() const override { return FCount; }
    int GetRowCount() const override { return GetItemCount(); }
    TKvGridItem* GetItem(int Index) const override;
    void ResetItems() override;
    void SetFixed(int Count, bool FixedSorting, bool FixedFiltering) override;
    int ItemOfData(int DataRow) const override;
    void Exchange(int Index1, int Index2) override;
    void GetDataRows(int First, int Count, int* Rows) const override;
    void ApplyOrder(int First, const std::vector<int>& Order) override;
    // Makes every row item.
    TKvGridItems GetAllItems() const override;
    bool VisitMadeItems(const std::function<void(TKvGridItem*)>& Visit) const override;
    void SetValueRuns(TKvGridValueRuns&& Runs) override { FRuns = std::move(Runs); }
    const TKvGridValueRuns* GetValueRuns() const override { return FRuns.Fields.empty() ? nullptr : &FRuns; }
    // Keeps the checked state of rows without items apart, so checking every row makes none.
    void CheckItem(int Index, bool Checked) override;
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
    // How many row items exist now.
    int GetLiveItemCount() const;

    // The order, the sort and the checked rows as they are now, put back by RestoreOrder when
    // a change of the chain above fails half-way. Items made meanwhile stay.
    struct TOrderState
    {
        TKvIntegerArray SortFields;
        TKvGridSortDirections SortDirections;
        int Count = 0;
        std::vector<int, TLargeBlockAllocator<int>> Order;
        std::vector<bool> CheckedRows;
        // The data rows of the checked items.
        std::vector<int> CheckedItems;
        TKvGridValueRuns Runs;
    };
    TOrderState SaveOrder() const;
    void RestoreOrder(TOrderState&& State);

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
    class TLiveRows;

    TKvGridRow* NewRow(int DataRow) const;
    void FreeRow(TKvGridRow* Row) const;
    int DataRowAt(int Index) const { return FOrder.empty() ? Index : FOrder[static_cast<size_t>(Index)]; }
    // Gives up the data order: the order array starts as the identity.
    void UseOrder();

    // Forgets the rows; their items stay until BuildRows or DropItems.
    void ClearRows();
    // Counts (and sorts) the rows; items of rows still there stay the same objects, as new.
    void BuildRows();
    void KeepItems();
    void DropItems();
    void Rebuild();
    void SortRange(int First, int Last, int Level);
    // A structural change that the item limit makes a rebuild.
    bool LimitBinds(int SourceRowCount) const;
    void InvalidateRowIndex() { FRowIndexValid = false; }
    void ForgetRuns() { FRuns = {}; }

    IntfPtr<IKvGridItemSorter> FSorter;
    TOwned<TDataListener> FDataListener;
    std::unique_ptr<TRowPool> FRowPool;
    // The row items made so far, by data row.
    std::unique_ptr<TLiveRows> FLive;
    int FCount = 0;
    // Data row of each item; empty while item i shows data row i.
    std::vector<int, TLargeBlockAllocator<int>> FOrder;
    // Checked data rows whose items were not made yet (sized on the first check).
    std::vector<bool> FCheckedRows;
    int FFixedCount = 0;
    bool FFixedSorting = false;
    int FMaxItemCount = 0;
    TKvIntegerArray FSortFields;
    TKvGridSortDirections FSortDirections;
    TKvGridDataProvider* FDataSource = nullptr;
    // Data row -> item index, rebuilt on demand after the order changed.
    mutable std::vector<int, TLargeBlockAllocator<int>> FRowIndex;
    mutable bool FRowIndexValid = false;
    // Where the sort's values change, until the order or the data changes.
    TKvGridValueRuns FRuns;
};

} // namespace kv
