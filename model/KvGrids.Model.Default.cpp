#include "model/KvGrids.Model.Default.h"

#include "platform/rtl/LargeBlocks.h"

#include <algorithm>
#include <memory>
#include <numeric>
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

// Row items come from chunks owned by the provider: building and clearing a million rows
// costs no allocator round trips, a build takes the rows it lacks as one chunk, and a
// rebuild reuses the chunks.
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
                AddChunk(kChunk);
            FChunk = next;
            FUsed = 0;
        }
        return &FChunks[FChunk].Slots[FUsed++];
    }
    void Release(void* slot) { FFree.push_back(slot); }
    // Makes room for Count more rows, adding at most one chunk.
    void Reserve(size_t Count)
    {
        size_t room = FFree.size();
        for (size_t c = FChunk; c < FChunks.size(); ++c)
            room += FChunks[c].Size - (c == FChunk ? FUsed : 0);
        if (room < Count)
            AddChunk(std::max(Count - room, kChunk));
    }
    // Every slot is free again; the chunks stay for the next build.
    void Reset()
    {
        FFree.clear();
        FChunk = 0;
        FUsed = 0;
    }

private:
    static constexpr size_t kChunk = 4096;
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
    void AddChunk(size_t Size)
    {
        FChunks.push_back({std::unique_ptr<Slot[], TFreeBlock>(static_cast<Slot*>(AllocateLargeBlock(Size * sizeof(Slot)))), Size});
    }
    std::vector<TChunk> FChunks;
    std::vector<void*> FFree;
    size_t FChunk = 0;
    size_t FUsed = 0;
};

TKvDefaultGridItemProvider::TKvDefaultGridItemProvider()
    : FDataListener(Create<TDataListener>(this)), FRowPool(std::make_unique<TRowPool>())
{
}

TKvGridRow* TKvDefaultGridItemProvider::NewRow(int DataRow)
{
    return new (FRowPool->Allocate()) TKvGridRow(this, DataRow);
}

void TKvDefaultGridItemProvider::FreeRow(TKvGridRow* Row)
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
}

int TKvDefaultGridItemProvider::GetFixedCount() const
{
    return std::clamp(FFixedCount, 0, GetItemCount());
}

TKvGridItem* TKvDefaultGridItemProvider::GetItem(int Index) const
{
    if (Index < 0 || Index >= GetItemCount())
        RaiseListIndexError(Index, GetItemCount());
    return FItems[static_cast<size_t>(Index)];
}

TKvGridItems TKvDefaultGridItemProvider::GetAllItems() const
{
    return TKvGridItems(FItems.begin(), FItems.end());
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
    if (DataRow < 0 || DataRow >= GetItemCount())
        return -1;
    if (!GetSorting())
        return DataRow;
    if (!FRowIndexValid) {
        FRowIndex.assign(FItems.size(), -1);
        for (size_t i = 0; i < FItems.size(); ++i) {
            const int row = FItems[i]->GetDataRow();
            if (row >= 0 && static_cast<size_t>(row) < FRowIndex.size())
                FRowIndex[static_cast<size_t>(row)] = static_cast<int>(i);
        }
        FRowIndexValid = true;
    }
    return FRowIndex[static_cast<size_t>(DataRow)];
}

TKvGridRow* TKvDefaultGridItemProvider::FindRow(int DataRow) const
{
    if (GetSorting()) {
        const int index = ItemOfData(DataRow);
        return index < 0 ? nullptr : FItems[static_cast<size_t>(index)];
    }
    for (size_t i = FItems.size(); i-- > 0;)
        if (FItems[i]->GetDataRow() == DataRow)
            return FItems[i];
    return nullptr;
}

void TKvDefaultGridItemProvider::Exchange(int Index1, int Index2)
{
    if (Index1 == Index2)
        return;
    if (Index1 < 0 || Index1 >= GetItemCount())
        throw EArgumentOutOfRangeException(QStringLiteral("index1: ") + QString::number(Index1));
    if (Index2 < 0 || Index2 >= GetItemCount())
        throw EArgumentOutOfRangeException(QStringLiteral("index2: ") + QString::number(Index2));
    std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
    ForgetRuns();
    FInDataOrder = false;
    InvalidateRowIndex();
}

void TKvDefaultGridItemProvider::GetDataRows(int First, int Count, int* Rows) const
{
    if (First < 0 || Count < 0 || First + Count > GetItemCount())
        RaiseListIndexError(First + Count - 1, GetItemCount());
    if (FInDataOrder) {
        std::iota(Rows, Rows + Count, First);
        return;
    }
    // Sorted items lie anywhere in memory: fetch ahead.
    constexpr int ahead = 16;
    for (int i = 0; i < Count; ++i) {
        if (i + ahead < Count)
            __builtin_prefetch(FItems[static_cast<size_t>(First + i + ahead)]);
        Rows[i] = FItems[static_cast<size_t>(First + i)]->GetDataRow();
    }
}

void TKvDefaultGridItemProvider::ApplyOrder(int First, const std::vector<int>& Order)
{
    const auto n = static_cast<int>(Order.size());
    if (First < 0 || First + n > GetItemCount())
        RaiseListIndexError(First + n - 1, GetItemCount());
    const std::vector<TKvGridRow*> old(FItems.begin() + First, FItems.begin() + First + n);
    for (int i = 0; i < n; ++i)
        FItems[static_cast<size_t>(First + i)] = old[static_cast<size_t>(Order[static_cast<size_t>(i)])];
    ForgetRuns();
    FInDataOrder = false;
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
    if (FDataSource) {
        FDataSource->AddListener(FDataListener.get());
        BuildRows();
    }
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

TVariantArray TKvDefaultGridItemProvider::GetFieldDomain(int Field) const
{
    TVariantArray domain;
    if (!FDataSource)
        return domain;
    std::unordered_set<Variant, TVariantKeyHash, TVariantKeyEqual> seen;
    Variant previous;
    bool first = true;
    for (const TKvGridRow* item : FItems) {
        Variant value = FDataSource->GetData(item->GetDataRow(), Field);
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
    // The pool holds row items of this one class: no virtual call per item.
    for (TKvGridRow* item : FItems)
        item->TKvGridRow::~TKvGridRow();
    FItems.clear();
    FRowPool->Reset();
    ForgetRuns();
    FInDataOrder = true;
    InvalidateRowIndex();
}

void TKvDefaultGridItemProvider::Rebuild()
{
    ClearRows();
    BuildRows();
}

void TKvDefaultGridItemProvider::BuildRows()
{
    if (!FDataSource)
        return;
    int n = FDataSource->GetRowCount();
    if (FMaxItemCount > 0)
        n = std::min(n, FMaxItemCount);
    FItems.reserve(static_cast<size_t>(std::max(n, 0)));
    if (n > GetItemCount())
        FRowPool->Reserve(static_cast<size_t>(n - GetItemCount()));
    if (BuildSorted(n))
        return;
    for (int i = GetItemCount(); i < n; ++i)
        FItems.push_back(NewRow(i));
    InvalidateRowIndex();
    if (!GetSorting())
        return;
    if (FFixedCount > 0 && !FFixedSorting) {
        if (n > FFixedCount + 1)
            SortRange(FFixedCount, n - 1, 0);
    } else {
        SortRange(0, n - 1, 0);
    }
}

bool TKvDefaultGridItemProvider::BuildSorted(int Count)
{
    if (!GetSorting() || !FItems.empty())
        return false;
    const int first = FFixedCount > 0 && !FFixedSorting ? FFixedCount : 0;
    if (Count - first < 2)
        return false;
    const IntfPtr<IKvGridItemSorter> sorter = GetSorter();
    auto* rowSorter = dynamic_cast<IKvGridRowSorter*>(sorter.get());
    if (!rowSorter)
        return false;
    std::vector<int> rows(static_cast<size_t>(Count - first));
    std::iota(rows.begin(), rows.end(), first);
    std::vector<int> order;
    const bool ordered = rowSorter->OrderRows(FDataSource, rows, FSortFields, FSortDirections, order, &FRuns);
    FRuns.First = first;
    // Each row item made once, in its place (so the sorted items also lie in order in memory).
    for (int i = 0; i < first; ++i)
        FItems.push_back(NewRow(i));
    for (size_t i = 0; i < rows.size(); ++i)
        FItems.push_back(NewRow(first + (ordered ? order[i] : static_cast<int>(i))));
    FInDataOrder = !ordered;
    InvalidateRowIndex();
    return true;
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
        const int prevRow = FItems[static_cast<size_t>(i - 1)]->GetDataRow();
        const int row = FItems[static_cast<size_t>(i)]->GetDataRow();
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
    for (size_t i = static_cast<size_t>(Row); i < FItems.size(); ++i)
        FItems[i]->SetDataRow(FItems[i]->GetDataRow() + 1);
    FItems.insert(FItems.begin() + Row, NewRow(Row));
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
    TKvGridRow* removed = FItems[static_cast<size_t>(Row)];
    FItems.erase(FItems.begin() + Row);
    for (size_t i = static_cast<size_t>(Row); i < FItems.size(); ++i)
        FItems[i]->SetDataRow(static_cast<int>(i));
    FreeRow(removed);
    InvalidateRowIndex();
    FireItemDeleted(Row);
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
