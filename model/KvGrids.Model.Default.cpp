// The default item provider: one item per data row of its data source, made when first asked
// for; the order a plain array of data rows (empty while it is the data order).
//
// Sections: data listener; row pool (item memory in chunks) and live rows (the items made so
// far, by data row); provider (items, checks, fixed rows, data-row lookup, exchange and
// ordering by sorters, field domains); building (rebuild, sort by levels); data notifications.
//
// Call flow: SetDataSource, OrderBy, SetMaxItemCount and the source's reset and refresh
// rebuild: ClearRows forgets the order, BuildRows counts the rows, keeps the items already
// made (KeepItems) and sorts through the sorter (SortRange: a multi-key sorter takes every key
// at once, else each level sorts the runs of equal values of the one before). GetItem makes a
// row's item on first ask (NewRow from the pool, kept in the live rows). A single inserted or
// removed row shifts the order and the live rows in place while unsorted; anything else
// rebuilds and refreshes. ItemOfData answers through an index rebuilt after each change.
#include "model/KvGrids.Model.Default.h"

#include "platform/rtl/LargeBlocks.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

namespace kv {

class TKvDefaultGridItemProvider::TDataListener : public TKvGridDataChangeListener
{
public:
    explicit TDataListener(TKvDefaultGridItemProvider* Owner) : FOwner(Owner) {}
    void OnDataDispose() override { FOwner->OnDataDispose(); }
    void OnDataReset() override { FOwner->OnDataReset(); }
    void OnDataRefresh() override { FOwner->OnDataRefresh(); }
    void OnDataRowStateChanged(int Row) override { FOwner->OnDataRowStateChanged(Row); }
    void OnDataRowInserted(int Row) override { FOwner->OnDataRowInserted(Row); }
    void OnDataRowRemoved(int Row) override { FOwner->OnDataRowRemoved(Row); }
    void OnDataRowsRemoved(const TKvIntegerArray& Rows) override { FOwner->OnDataRowsRemoved(Rows); }
    void OnDataRowUpdated(int Row) override { FOwner->OnDataRowUpdated(Row); }
    void OnDataValueChanged(int Row, int Field) override { FOwner->OnDataValueChanged(Row, Field); }

private:
    TKvDefaultGridItemProvider* FOwner;
};

// Row items come from chunks owned by the provider: making and clearing many rows costs no
// allocator round trips, and a rebuild reuses the chunks.
class TKvDefaultGridItemProvider::TRowPool
{
public:
    void* Allocate()
    {
        if (!FFree.empty()) {
            void* slot = FFree.back();
            FFree.pop_back();
            return slot;
        }
        if (FChunk == FChunks.size() || FUsed == FChunks[FChunk].Size) {
            const size_t next = FChunk == FChunks.size() || FUsed == 0 ? FChunk : FChunk + 1;
            if (next == FChunks.size())
                AddChunk(std::clamp(FTotal, kChunk, kMaxChunk));
            FChunk = next;
            FUsed = 0;
        }
        return &FChunks[FChunk].Slots[FUsed++];
    }
    void Release(void* slot) { FFree.push_back(slot); }
    // Every slot is free again; the chunks stay for the next build.
    void Reset()
    {
        FFree.clear();
        FChunk = 0;
        FUsed = 0;
    }

private:
    static constexpr size_t kChunk = 64;
    static constexpr size_t kMaxChunk = 65536;
    struct Slot
    {
        alignas(TKvGridRow) std::byte Bytes[sizeof(TKvGridRow)];
    };
    struct TFreeBlock
    {
        void operator()(Slot* Block) const noexcept { FreeLargeBlock(Block); }
    };
    struct TChunk
    {
        std::unique_ptr<Slot[], TFreeBlock> Slots;
        size_t Size;
    };
    // Chunks double up to the largest size, so a few shown rows take little and all rows few chunks.
    void AddChunk(size_t Size)
    {
        FChunks.push_back({std::unique_ptr<Slot[], TFreeBlock>(static_cast<Slot*>(AllocateLargeBlock(Size * sizeof(Slot)))), Size});
        FTotal += Size;
    }
    std::vector<TChunk> FChunks;
    std::vector<void*> FFree;
    size_t FChunk = 0;
    size_t FUsed = 0;
    size_t FTotal = 0;
};

// The row items made so far, by data row: a hash map while they are few, an array over all
// data rows once they are many (a grouped or fully walked list makes every item).
class TKvDefaultGridItemProvider::TLiveRows
{
public:
    TKvGridRow* Find(int Row) const
    {
        if (FDenseMode)
            return static_cast<size_t>(Row) < FDense.size() ? FDense[static_cast<size_t>(Row)] : nullptr;
        const auto it = FSparse.find(Row);
        return it == FSparse.end() ? nullptr : it->second;
    }
    // Row is one of RowCount data rows and has no item yet.
    void Add(int Row, TKvGridRow* Item, int RowCount)
    {
        ++FSize;
        if (!FDenseMode && FSize >= 64 && FSize > static_cast<size_t>(RowCount) / 8) {
            FDense.assign(static_cast<size_t>(RowCount), nullptr);
            for (const auto& [row, item] : FSparse)
                FDense[static_cast<size_t>(row)] = item;
            FSparse = {};
            FDenseMode = true;
        }
        if (FDenseMode) {
            if (static_cast<size_t>(Row) >= FDense.size())
                FDense.resize(static_cast<size_t>(Row) + 1, nullptr);
            FDense[static_cast<size_t>(Row)] = Item;
        } else {
            FSparse.emplace(Row, Item);
        }
    }
    // Removes and answers the item of Row (nil when it has none).
    TKvGridRow* Take(int Row)
    {
        TKvGridRow* item = nullptr;
        if (FDenseMode) {
            if (static_cast<size_t>(Row) < FDense.size())
                std::swap(item, FDense[static_cast<size_t>(Row)]);
        } else if (const auto it = FSparse.find(Row); it != FSparse.end()) {
            item = it->second;
            FSparse.erase(it);
        }
        if (item)
            --FSize;
        return item;
    }
    // A data row was inserted at Row: the items of Row and after show the next data row.
    void Inserted(int Row)
    {
        if (FDenseMode) {
            if (static_cast<size_t>(Row) <= FDense.size())
                FDense.insert(FDense.begin() + Row, nullptr);
        }
        Renumber(Row, 1);
    }
    // Data row Row was removed (its item taken): the later items show the data row before.
    void Removed(int Row)
    {
        if (FDenseMode && static_cast<size_t>(Row) < FDense.size())
            FDense.erase(FDense.begin() + Row);
        Renumber(Row + 1, -1);
    }
    template <typename F>
    void ForEach(F&& Fn) const
    {
        if (FDenseMode) {
            for (TKvGridRow* item : FDense)
                if (item)
                    Fn(item);
        } else {
            for (const auto& entry : FSparse)
                Fn(entry.second);
        }
    }
    // Frees (through Free) the items of data rows from Count on.
    template <typename F>
    void Trim(int Count, F&& Free)
    {
        if (FDenseMode) {
            for (size_t r = static_cast<size_t>(Count); r < FDense.size(); ++r)
                if (TKvGridRow* item = FDense[r]) {
                    Free(item);
                    --FSize;
                }
            if (FDense.size() > static_cast<size_t>(Count))
                FDense.resize(static_cast<size_t>(Count));
            return;
        }
        for (auto it = FSparse.begin(); it != FSparse.end();) {
            if (it->first >= Count) {
                Free(it->second);
                it = FSparse.erase(it);
                --FSize;
            } else {
                ++it;
            }
        }
    }
    size_t Size() const { return FSize; }
    void Clear()
    {
        FSparse = {};
        FDense = {};
        FDenseMode = false;
        FSize = 0;
    }

private:
    void Renumber(int From, int Delta)
    {
        if (FDenseMode) {
            for (size_t r = static_cast<size_t>(std::max(From + Delta, 0)); r < FDense.size(); ++r)
                if (TKvGridRow* item = FDense[r])
                    item->SetDataRow(static_cast<int>(r));
            return;
        }
        std::unordered_map<int, TKvGridRow*> moved;
        moved.reserve(FSparse.size());
        for (const auto& [row, item] : FSparse) {
            const int to = row >= From ? row + Delta : row;
            item->SetDataRow(to);
            moved.emplace(to, item);
        }
        FSparse.swap(moved);
    }

    std::unordered_map<int, TKvGridRow*> FSparse;
    std::vector<TKvGridRow*, TLargeBlockAllocator<TKvGridRow*>> FDense;
    size_t FSize = 0;
    bool FDenseMode = false;
};

TKvDefaultGridItemProvider::TKvDefaultGridItemProvider()
    : FDataListener(Create<TDataListener>(this)), FRowPool(std::make_unique<TRowPool>()),
      FLive(std::make_unique<TLiveRows>())
{
}

TKvGridRow* TKvDefaultGridItemProvider::NewRow(int DataRow) const
{
    auto* self = const_cast<TKvDefaultGridItemProvider*>(this);
    auto* row = new (FRowPool->Allocate()) TKvGridRow(self, DataRow);
    if (static_cast<size_t>(DataRow) < FCheckedRows.size() && FCheckedRows[static_cast<size_t>(DataRow)])
        row->SetCheckedState(true);
    FLive->Add(DataRow, row, FCount);
    return row;
}

void TKvDefaultGridItemProvider::FreeRow(TKvGridRow* Row) const
{
    Row->~TKvGridRow();
    FRowPool->Release(Row);
}

TKvDefaultGridItemProvider::~TKvDefaultGridItemProvider()
{
    // Deleted without Free: the listeners hear the notice first; those that stay hear the
    // detaching reset.
    FireDisposing();
    SetDataSource(nullptr);
    ClearRows();
    DropItems();
}

int TKvDefaultGridItemProvider::GetFixedCount() const
{
    return std::clamp(FFixedCount, 0, GetItemCount());
}

TKvGridItem* TKvDefaultGridItemProvider::GetItem(int Index) const
{
    if (Index < 0 || Index >= FCount)
        RaiseListIndexError(Index, FCount);
    const int row = DataRowAt(Index);
    if (TKvGridRow* item = FLive->Find(row))
        return item;
    return NewRow(row);
}

TKvGridItems TKvDefaultGridItemProvider::GetAllItems() const
{
    TKvGridItems items(static_cast<size_t>(FCount));
    for (int i = 0; i < FCount; ++i)
        items[static_cast<size_t>(i)] = GetItem(i);
    return items;
}

bool TKvDefaultGridItemProvider::VisitMadeItems(const std::function<void(TKvGridItem*)>& Visit) const
{
    FLive->ForEach([&](TKvGridRow* item) { Visit(item); });
    return true;
}

int TKvDefaultGridItemProvider::GetLiveItemCount() const
{
    return static_cast<int>(FLive->Size());
}

void TKvDefaultGridItemProvider::CheckItem(int Index, bool Checked)
{
    if (Index < 0 || Index >= FCount)
        RaiseListIndexError(Index, FCount);
    const int row = DataRowAt(Index);
    TKvGridRow* item = FLive->Find(row);
    const bool was = item ? item->GetChecked()
                          : static_cast<size_t>(row) < FCheckedRows.size() && FCheckedRows[static_cast<size_t>(row)];
    if (was == Checked)
        return;
    if (item)
        item->SetCheckedState(Checked);
    else {
        if (static_cast<size_t>(row) >= FCheckedRows.size())
            FCheckedRows.resize(static_cast<size_t>(FCount), false);
        FCheckedRows[static_cast<size_t>(row)] = Checked;
    }
    FireItemChecked(Index);
}

void TKvDefaultGridItemProvider::SetMaxItemCount(int Value)
{
    Value = std::max(Value, 0);
    if (Value == FMaxItemCount)
        return;
    FMaxItemCount = Value;
    ClearRows();
    BuildRows();
    FireReset();
}

void TKvDefaultGridItemProvider::ResetItems()
{
    Rebuild();
    FireRefresh();
}

void TKvDefaultGridItemProvider::SetFixed(int Count, bool FixedSorting, bool FixedFiltering)
{
    Count = std::max(Count, 0);
    if (Count == FFixedCount && FixedSorting == FFixedSorting)
        return;
    FFixedCount = Count;
    FFixedSorting = FixedSorting;
    if (GetSorting())
        Rebuild();
    FireRefresh();
}

int TKvDefaultGridItemProvider::ItemOfData(int DataRow) const
{
    if (DataRow < 0 || DataRow >= FCount)
        return -1;
    if (FOrder.empty())
        return DataRow;
    if (!FRowIndexValid) {
        FRowIndex.assign(static_cast<size_t>(FCount), -1);
        for (size_t i = 0; i < FOrder.size(); ++i) {
            const int row = FOrder[i];
            if (row >= 0 && row < FCount)
                FRowIndex[static_cast<size_t>(row)] = static_cast<int>(i);
        }
        FRowIndexValid = true;
    }
    return FRowIndex[static_cast<size_t>(DataRow)];
}

TKvGridRow* TKvDefaultGridItemProvider::FindRow(int DataRow) const
{
    const int index = ItemOfData(DataRow);
    return index < 0 ? nullptr : static_cast<TKvGridRow*>(GetItem(index));
}

void TKvDefaultGridItemProvider::UseOrder()
{
    if (!FOrder.empty() || FCount == 0)
        return;
    FOrder.resize(static_cast<size_t>(FCount));
    std::iota(FOrder.begin(), FOrder.end(), 0);
}

void TKvDefaultGridItemProvider::Exchange(int Index1, int Index2)
{
    if (Index1 == Index2)
        return;
    if (Index1 < 0 || Index1 >= GetItemCount())
        throw EArgumentOutOfRangeException(QStringLiteral("index1: ") + QString::number(Index1));
    if (Index2 < 0 || Index2 >= GetItemCount())
        throw EArgumentOutOfRangeException(QStringLiteral("index2: ") + QString::number(Index2));
    UseOrder();
    std::swap(FOrder[static_cast<size_t>(Index1)], FOrder[static_cast<size_t>(Index2)]);
    ForgetRuns();
    InvalidateRowIndex();
}

void TKvDefaultGridItemProvider::GetDataRows(int First, int Count, int* Rows) const
{
    if (First < 0 || Count < 0 || First + Count > GetItemCount())
        RaiseListIndexError(First + Count - 1, GetItemCount());
    if (FOrder.empty())
        std::iota(Rows, Rows + Count, First);
    else
        std::copy_n(FOrder.begin() + First, Count, Rows);
}

void TKvDefaultGridItemProvider::ApplyOrder(int First, const std::vector<int>& Order)
{
    const auto n = static_cast<int>(Order.size());
    if (First < 0 || First + n > GetItemCount())
        RaiseListIndexError(First + n - 1, GetItemCount());
    if (FOrder.empty()) {
        // From the data order: the range's data rows are its positions, so the order is read
        // straight through.
        if (First == 0 && n == FCount) {
            FOrder.assign(Order.begin(), Order.end());
        } else {
            UseOrder();
            for (int i = 0; i < n; ++i)
                FOrder[static_cast<size_t>(First + i)] = First + Order[static_cast<size_t>(i)];
        }
    } else {
        const std::vector<int> old(FOrder.begin() + First, FOrder.begin() + First + n);
        for (int i = 0; i < n; ++i)
            FOrder[static_cast<size_t>(First + i)] = old[static_cast<size_t>(Order[static_cast<size_t>(i)])];
    }
    ForgetRuns();
    InvalidateRowIndex();
}

void TKvDefaultGridItemProvider::SetDataSource(TKvGridDataProvider* Provider)
{
    if (Provider == FDataSource)
        return;
    ClearRows();
    if (FDataSource)
        FDataSource->RemoveListener(FDataListener.get());
    FDataSource = Provider;
    if (FDataSource)
        FDataSource->AddListener(FDataListener.get());
    BuildRows();
    FireReset();
}

IntfPtr<IKvGridItemSorter> TKvDefaultGridItemProvider::GetSorter() const
{
    return FSorter ? FSorter : IntfPtr<IKvGridItemSorter>(GetSharedQuickSorter());
}

void TKvDefaultGridItemProvider::SetSorter(const IntfPtr<IKvGridItemSorter>& Sorter)
{
    if (Sorter != FSorter)
        FSorter = Sorter;
}

void TKvDefaultGridItemProvider::OrderBy(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions,
                                         bool Refresh)
{
    FSortFields = Fields;
    FSortDirections.clear();
    for (size_t i = 0; i < Fields.size(); ++i) {
        if (i < Directions.size())
            FSortDirections.push_back(Directions[i]);
        else
            FSortDirections.push_back(Directions.empty() ? SortAscending : Directions.back());
    }
    // The rebuild starts from data order, so the previous order is undone.
    Rebuild();
    if (Refresh)
        FireRefresh();
}

TKvDefaultGridItemProvider::TOrderState TKvDefaultGridItemProvider::SaveOrder() const
{
    TOrderState state{FSortFields, FSortDirections, FCount, FOrder, FCheckedRows, {}, FRuns};
    FLive->ForEach([&](TKvGridRow* item) {
        if (item->GetChecked())
            state.CheckedItems.push_back(item->GetDataRow());
    });
    return state;
}

void TKvDefaultGridItemProvider::RestoreOrder(TOrderState&& State)
{
    FSortFields = std::move(State.SortFields);
    FSortDirections = std::move(State.SortDirections);
    FCount = State.Count;
    FOrder = std::move(State.Order);
    FCheckedRows = std::move(State.CheckedRows);
    FRuns = std::move(State.Runs);
    InvalidateRowIndex();
    // A rebuild made the items as new: they get their checks back.
    std::sort(State.CheckedItems.begin(), State.CheckedItems.end());
    FLive->ForEach([&](TKvGridRow* item) {
        item->SetCheckedState(
            std::binary_search(State.CheckedItems.begin(), State.CheckedItems.end(), item->GetDataRow()));
    });
}

TVariantArray TKvDefaultGridItemProvider::GetFieldDomain(int Field) const
{
    TVariantArray domain;
    if (!FDataSource)
        return domain;
    std::unordered_set<Variant, TVariantKeyHash, TVariantKeyEqual> seen;
    Variant previous;
    bool first = true;
    for (int i = 0; i < FCount; ++i) {
        Variant value = FDataSource->GetData(DataRowAt(i), Field);
        if (!first && VarKeyEqual(value, previous))
            continue;
        first = false;
        if (seen.insert(value).second)
            domain.push_back(value);
        previous = std::move(value);
    }
    return domain;
}

// --- building -----------------------------------------------------------------------------

void TKvDefaultGridItemProvider::ClearRows()
{
    FCount = 0;
    FOrder = {};
    FRowIndex = {};
    FCheckedRows = {};
    ForgetRuns();
    InvalidateRowIndex();
}

void TKvDefaultGridItemProvider::Rebuild()
{
    ClearRows();
    BuildRows();
}

// A reference kept across a rebuild (which callers may not rely on) still finds an item of
// the same data row rather than freed memory.
void TKvDefaultGridItemProvider::KeepItems()
{
    if (FCount == 0) {
        DropItems();
        return;
    }
    FLive->Trim(FCount, [this](TKvGridRow* item) { FreeRow(item); });
    FLive->ForEach([](TKvGridRow* item) { item->ResetState(); });
}

void TKvDefaultGridItemProvider::DropItems()
{
    FLive->ForEach([](TKvGridRow* item) { item->~TKvGridRow(); });
    FLive->Clear();
    FRowPool->Reset();
}

void TKvDefaultGridItemProvider::BuildRows()
{
    int n = FDataSource ? FDataSource->GetRowCount() : 0;
    if (FMaxItemCount > 0)
        n = std::min(n, FMaxItemCount);
    // Rows are only counted: their items are made when asked for.
    FCount = std::max(n, FCount);
    KeepItems();
    InvalidateRowIndex();
    if (!FDataSource)
        return;
    if (!GetSorting())
        return;
    if (FFixedCount > 0 && !FFixedSorting) {
        if (n > FFixedCount + 1)
            SortRange(FFixedCount, n - 1, 0);
    } else {
        SortRange(0, n - 1, 0);
    }
    // A sort that left every row in place keeps the data order.
    if (!FOrder.empty() && std::is_sorted(FOrder.begin(), FOrder.end()))
        FOrder = {};
}
void TKvDefaultGridItemProvider::SortRange(int First, int Last, int Level)
{
    if (Last <= First)
        return;
    const IntfPtr<IKvGridItemSorter> sorter = GetSorter();
    // A sorter that takes every key at once orders ties of one key by the next itself.
    if (Level == 0)
        if (auto* multi = dynamic_cast<IKvGridMultiKeySorter*>(sorter.get())) {
            multi->RunKeys(this, FSortFields, FSortDirections, First, Last);
            return;
        }
    const int field = FSortFields[static_cast<size_t>(Level)];
    sorter->Run(this, field, FSortDirections[static_cast<size_t>(Level)], First, Last);
    if (static_cast<size_t>(Level) + 1 >= FSortFields.size())
        return;
    if (field < 0 || field >= FDataSource->GetFieldCount())
        return;
    int start = First;
    for (int i = First + 1; i <= Last; ++i) {
        const int prevRow = DataRowAt(i - 1);
        const int row = DataRowAt(i);
        if (!FDataSource->EqualsValue(field, prevRow, row)) {
            SortRange(start, i - 1, Level + 1);
            start = i;
        }
    }
    if (Last > start)
        SortRange(start, Last, Level + 1);
}

bool TKvDefaultGridItemProvider::LimitBinds(int SourceRowCount) const
{
    return FMaxItemCount > 0 && SourceRowCount > FMaxItemCount;
}

// --- data notifications -------------------------------------------------------------------

void TKvDefaultGridItemProvider::OnDataDispose()
{
    if (!FDataSource)
        return;
    // The provider is going: forget it first so that no one calls into it from the reset.
    FDataSource = nullptr;
    ClearRows();
    DropItems();
    FireReset();
}

void TKvDefaultGridItemProvider::OnDataReset()
{
    if (!FDataSource)
        return;
    Rebuild();
    FireReset();
}

void TKvDefaultGridItemProvider::OnDataRefresh()
{
    if (!FDataSource)
        return;
    Rebuild();
    FireRefresh();
}

void TKvDefaultGridItemProvider::OnDataRowStateChanged(int Row)
{
    FireItemStateChanged(ItemOfData(Row));
}

void TKvDefaultGridItemProvider::OnDataRowInserted(int Row)
{
    if (!FDataSource)
        return;
    // Sorted, past the item limit, or out of step: the list is rebuilt instead.
    if (GetSorting() || LimitBinds(FDataSource->GetRowCount()) || Row < 0 || Row > GetItemCount()) {
        Rebuild();
        FireRefresh();
        return;
    }
    ForgetRuns();
    // Every item showing Row or a later data row shows the next one; the new row's item
    // stands at index Row.
    if (!FOrder.empty()) {
        for (int& row : FOrder)
            if (row >= Row)
                ++row;
        FOrder.insert(FOrder.begin() + Row, Row);
    }
    if (static_cast<size_t>(Row) < FCheckedRows.size())
        FCheckedRows.insert(FCheckedRows.begin() + Row, false);
    FLive->Inserted(Row);
    ++FCount;
    InvalidateRowIndex();
    FireItemInserted(Row);
}

void TKvDefaultGridItemProvider::OnDataRowRemoved(int Row)
{
    if (!FDataSource)
        return;
    if (GetSorting() || LimitBinds(FDataSource->GetRowCount() + 1) || Row < 0 || Row >= GetItemCount()) {
        Rebuild();
        FireRefresh();
        return;
    }
    ForgetRuns();
    // The item showing Row leaves; later data rows move one up.
    const int index = ItemOfData(Row);
    if (!FOrder.empty()) {
        FOrder.erase(FOrder.begin() + index);
        for (int& row : FOrder)
            if (row > Row)
                --row;
    }
    if (static_cast<size_t>(Row) < FCheckedRows.size())
        FCheckedRows.erase(FCheckedRows.begin() + Row);
    TKvGridRow* removed = FLive->Take(Row);
    FLive->Removed(Row);
    --FCount;
    if (removed)
        FreeRow(removed);
    InvalidateRowIndex();
    FireItemDeleted(index);
}

void TKvDefaultGridItemProvider::OnDataRowsRemoved(const TKvIntegerArray& Rows)
{
    if (!FDataSource)
        return;
    Rebuild();
    FireRefresh();
}

void TKvDefaultGridItemProvider::OnDataRowUpdated(int Row)
{
    ForgetRuns(); // the values may no longer run as sorted
    FireItemUpdated(ItemOfData(Row));
}

void TKvDefaultGridItemProvider::OnDataValueChanged(int Row, int Field)
{
    ForgetRuns();
    FireItemUpdated(ItemOfData(Row));
}

int TKvDefaultGridItemProvider::FindItem(const TKvIntegerArray& Fields, const TVariantArray& Values, TKvGridSearchOptions Options,
                                         int StartIndex, int EndIndex) const
{
    return FindDataItem(Fields, Values, Options, StartIndex, EndIndex);
}

} // namespace kv
