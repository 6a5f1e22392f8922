// The editable item provider: one edit transaction (an update of a row, or a new row appended
// or inserted) at the top of an item chain.
//
// Sections: pending item (the values of the row being edited); data watch; provider (items
// with the pending row among them, what may be edited); commands; firing; transaction;
// following the source and the data.
//
// Call flow: Edit, UpdateData, Append and Insert open the transaction (BeginUpdate,
// BeginAppend, BeginInsert) and watch the data source; the pending item holds the values and,
// for a new row, stands among the source's items at PendingIndex. Commit writes the values
// (CommitEdit: UpdateRow or InsertRow on the data source) and Cancel drops them; both end
// through EndUpdate before the listeners hear (FireCommitted, FireCanceled). Notices of the
// data (a row inserted, removed, reset) move or end the pending row; the source's notices pass
// on to the listeners with indices shifted past the pending row.
#include "model/KvGrids.Model.Editing.h"

#include "platform/rtl/ScopeGuard.h"

#include <unordered_set>

namespace kv {

// --- pending item ---------------------------------------------------------------------------

TKvGridExtraItem::TKvGridExtraItem(TKvGridItemProvider* Provider, int DataRow, TKvGridItemState State, int FieldCount)
    : TKvGridRow(Provider, DataRow), FValues(static_cast<size_t>(std::max(FieldCount, 0))), FState(State)
{
}

void TKvGridExtraItem::CheckField(int Field) const
{
    if (Field < 0 || static_cast<size_t>(Field) >= FValues.size())
        throw Exception(QStringLiteral("Column index is out of bounds: ") + QString::number(Field));
}

Variant TKvGridExtraItem::GetData(int Field) const
{
    CheckField(Field);
    return FValues[static_cast<size_t>(Field)];
}

void TKvGridExtraItem::SetData(int Field, const Variant& Value)
{
    CheckField(Field);
    FValues[static_cast<size_t>(Field)] = Value;
}

// --- data watch -----------------------------------------------------------------------------

// Follows the rows of the data provider while a transaction is open.
class TKvGridEditableItemProvider::TDataWatch : public TKvGridDataChangeListener
{
public:
    explicit TDataWatch(TKvGridEditableItemProvider* Owner) : FOwner(Owner) {}
    void OnDataDispose() override { FOwner->Data_Dispose(); }
    void OnDataReset() override { FOwner->Data_Reset(); }
    void OnDataRefresh() override {}
    void OnDataRowStateChanged(int) override {}
    void OnDataRowInserted(int Row) override { FOwner->Data_RowInserted(Row); }
    void OnDataRowRemoved(int Row) override { FOwner->Data_RowRemoved(Row); }
    void OnDataRowsRemoved(const TKvIntegerArray& Rows) override { FOwner->Data_RowsRemoved(Rows); }
    void OnDataRowUpdated(int Row) override { FOwner->Data_RowUpdated(Row); }
    void OnDataValueChanged(int, int) override {}
    void OnDataCommitting() override { FOwner->Data_Committing(); }

private:
    TKvGridEditableItemProvider* FOwner;
};

// --- provider -------------------------------------------------------------------------------

TKvGridEditableItemProvider::~TKvGridEditableItemProvider()
{
    Unwatch();
}

void TKvGridEditableItemProvider::BeforeDestruction()
{
    if (IsOpen() || FEditingItem)
        EndUpdate();
    TKvGridProxyItemProvider::BeforeDestruction();
}

int TKvGridEditableItemProvider::PendingIndex() const
{
    if (!IsOpen() || !FEditingItem)
        return -1;
    TKvGridExtraItem* pending = FEditingItem.get();
    switch (FInsertMode) {
    case InsertModeAppend: pending->FIndex = SourceCount(); break;
    case InsertModeInsert: pending->FIndex = std::clamp(pending->FIndex, 0, SourceCount()); break;
    default:
        if (FIndexStale && FSource) {
            try {
                pending->FIndex = FSource->ItemOfData(pending->GetDataRow());
            } catch (const Exception&) {
                // A source that cannot map data rows keeps the index it had.
            }
            FIndexStale = false;
        }
        break;
    }
    return pending->FIndex;
}

bool TKvGridEditableItemProvider::IsEditing(int Index) const
{
    if (!IsOpen())
        return false;
    return Index < 0 || Index == PendingIndex();
}

int TKvGridEditableItemProvider::GetItemCount() const
{
    const int count = SourceCount();
    if (IsOpen() && FInsertMode != InsertModeUpdate)
        return count + 1;
    return count;
}

TKvGridItem* TKvGridEditableItemProvider::GetItem(int Index) const
{
    if (IsEditing(Index))
        return FEditingItem.get();
    if (!FSource)
        RaiseListIndexError(Index, 0);
    if (IsOpen() && FInsertMode == InsertModeInsert && Index > PendingIndex())
        return FSource->GetItem(Index - 1);
    return FSource->GetItem(Index);
}

int TKvGridEditableItemProvider::ToOwnIndex(int SourceIndex) const
{
    if (IsOpen() && FInsertMode == InsertModeInsert && SourceIndex >= PendingIndex())
        return SourceIndex + 1;
    return SourceIndex;
}

int TKvGridEditableItemProvider::ItemOfData(int DataRow) const
{
    if (!FSource)
        return -1;
    const int s = FSource->ItemOfData(DataRow);
    return s < 0 ? s : ToOwnIndex(s);
}

Variant TKvGridEditableItemProvider::GetData(int Index, int Field) const
{
    if (IsEditing(Index))
        return FEditingItem->GetData(Field);
    return TKvGridProxyItemProvider::GetData(Index, Field);
}

void TKvGridEditableItemProvider::SetData(int Index, int Field, const Variant& Value)
{
    if (IsEditing(Index)) {
        FEditingItem->SetData(Field, Value);
        FireItemEdited(Index, Field);
        return;
    }
    TKvGridProxyItemProvider::SetData(Index, Field, Value);
}

bool TKvGridEditableItemProvider::CanUpdate(int Index, int Field) const
{
    TKvGridDataProvider* data = GetDataSource();
    if (!data)
        return false;
    // The row of the open transaction takes edits, a pending new row too; group headers and
    // footers are no data rows.
    const int row = GetItem(Index)->GetDataRow();
    if (!IsEditing(Index) && (row < 0 || !data->CanUpdateRow(row)))
        return false;
    return Field < 0 || data->CanUpdateField(Field);
}

bool TKvGridEditableItemProvider::CanInsert(int Index) const
{
    TKvGridDataProvider* data = GetDataSource();
    if (!data)
        return false;
    if (Index >= GetItemCount())
        return data->CanAppendRow();
    return data->CanInsertRow(GetItem(Index)->GetDataRow());
}

bool TKvGridEditableItemProvider::CanDelete(int Index) const
{
    TKvGridDataProvider* data = GetDataSource();
    if (!data)
        return false;
    const int row = GetItem(Index)->GetDataRow();
    return row >= 0 && data->CanDeleteRow(row);
}

// --- commands -------------------------------------------------------------------------------

void TKvGridEditableItemProvider::Edit(int Index)
{
    // Only a data row, read from a data provider, opens an update.
    if (IsEditing(Index) || !GetDataSource() || GetItem(Index)->GetDataRow() < 0)
        return;
    BeginUpdate(Index);
}

void TKvGridEditableItemProvider::UpdateData(int Index, int Field, const Variant& Value)
{
    if (!IsEditing(Index))
        BeginUpdate(Index);
    SetData(Index, Field, Value);
}

void TKvGridEditableItemProvider::Append(const TKvGridDataRow& Values)
{
    if (!IsOpen())
        BeginAppend(Values);
}

void TKvGridEditableItemProvider::Insert(int Index, const TKvGridDataRow& Values)
{
    if (!IsOpen())
        BeginInsert(Index, Values);
}

void TKvGridEditableItemProvider::Commit()
{
    if (IsOpen() && !FCommitting && !FStoring)
        CommitEdit();
}

void TKvGridEditableItemProvider::Cancel()
{
    if (IsOpen())
        CancelEdit();
}

void TKvGridEditableItemProvider::Delete(int Index)
{
    TKvGridDataProvider* data = GetDataSource();
    if (IsEditing(Index) || !data)
        return;
    const int row = GetItem(Index)->GetDataRow();
    if (row >= 0)
        data->RemoveRow(row);
}

void TKvGridEditableItemProvider::Delete(const TKvIntegerArray& Indices)
{
    TKvGridDataProvider* data = GetDataSource();
    if (!data || Indices.empty())
        return;
    TKvIntegerArray rows;
    std::unordered_set<int> seen;
    for (int index : Indices) {
        const int row = GetItem(index)->GetDataRow();
        // Group rows and a pending new row have none; an item given twice goes once.
        if (row >= 0 && seen.insert(row).second)
            rows.push_back(row);
    }
    if (rows.empty())
        return;
    if (Indices.size() == 1)
        data->RemoveRow(rows.front());
    else
        data->RemoveRows(rows);
}

// --- firing ---------------------------------------------------------------------------------

void TKvGridEditableItemProvider::FireUpdateStarted()
{
    const int index = PendingIndex();
    FEditListeners.Notify([index](TKvGridItemEditListener* l) { l->UpdateStarted(index); });
}

void TKvGridEditableItemProvider::FireAppendStarted()
{
    FEditListeners.Notify([](TKvGridItemEditListener* l) { l->AppendStarted(); });
}

void TKvGridEditableItemProvider::FireInsertStarted(int Index)
{
    FEditListeners.Notify([Index](TKvGridItemEditListener* l) { l->InsertStarted(Index); });
}

void TKvGridEditableItemProvider::FireItemEdited(int Index, int Field)
{
    FEditListeners.Notify([Index, Field](TKvGridItemEditListener* l) { l->Edited(Index, Field); });
}

void TKvGridEditableItemProvider::FireCommitting(int Index)
{
    FEditListeners.Notify([Index](TKvGridItemEditListener* l) { l->Committing(Index); });
}

void TKvGridEditableItemProvider::FireCommitted(int Index)
{
    FEditListeners.Notify([Index](TKvGridItemEditListener* l) { l->Committed(Index); });
}

void TKvGridEditableItemProvider::FireCanceled()
{
    FEditListeners.Notify([](TKvGridItemEditListener* l) { l->Canceled(); });
}

// --- transaction ----------------------------------------------------------------------------

void TKvGridEditableItemProvider::BeginUpdate(int Index)
{
    KV_ASSERT(!IsOpen(), "ItemProvider is already editing");
    FEditingItem.reset();
    TKvGridDataProvider* data = GetDataSource();
    KV_ASSERT(data, "DataSource is nil");
    const int row = GetItem(Index)->GetDataRow();
    const int fieldCount = data->GetFieldCount();
    // Filled before anything changes: a row that cannot be read leaves the provider idle.
    auto pending = std::make_unique<TKvGridExtraItem>(this, row, ItemUpdating, fieldCount);
    for (int f = 0; f < fieldCount; ++f)
        pending->FValues[static_cast<size_t>(f)] = data->GetData(row, f);
    pending->FIndex = Index;
    FEditingItem = std::move(pending);
    FEditingState = ItemUpdating;
    FInsertMode = InsertModeUpdate;
    FIndexStale = false;
    Watch(data);
    DoUpdateStart();
    FireUpdateStarted();
}

void TKvGridEditableItemProvider::BeginAppend(const TKvGridDataRow& Values)
{
    KV_ASSERT(!IsOpen(), "ItemProvider is already editing");
    FEditingItem.reset();
    TKvGridDataProvider* data = GetDataSource();
    const int fieldCount = data ? data->GetFieldCount() : 0;
    auto pending = std::make_unique<TKvGridExtraItem>(this, -1, ItemInserting, fieldCount);
    for (int f = 0; f < fieldCount && static_cast<size_t>(f) < Values.size(); ++f)
        pending->FValues[static_cast<size_t>(f)] = Values[static_cast<size_t>(f)];
    pending->FIndex = SourceCount();
    FEditingItem = std::move(pending);
    FEditingState = ItemInserting;
    FInsertMode = InsertModeAppend;
    Watch(data);
    DoAppendStart();
    FireAppendStarted();
}

void TKvGridEditableItemProvider::BeginInsert(int Index, const TKvGridDataRow& Values)
{
    KV_ASSERT(!IsOpen(), "ItemProvider is already editing");
    FEditingItem.reset();
    TKvGridDataProvider* data = GetDataSource();
    const int fieldCount = data ? data->GetFieldCount() : 0;
    auto pending = std::make_unique<TKvGridExtraItem>(this, -1, ItemInserting, fieldCount);
    for (int f = 0; f < fieldCount && static_cast<size_t>(f) < Values.size(); ++f)
        pending->FValues[static_cast<size_t>(f)] = Values[static_cast<size_t>(f)];
    // The pending row stands before a source item, or after the last one.
    Index = std::clamp(Index, 0, SourceCount());
    pending->FIndex = Index;
    FEditingItem = std::move(pending);
    FEditingState = ItemInserting;
    FInsertMode = InsertModeInsert;
    Watch(data);
    DoInsertStart(Index);
    FireInsertStarted(Index);
}

void TKvGridEditableItemProvider::EndUpdate()
{
    Unwatch();
    FEditingItem.reset();
    FEditingState = ItemNormal;
    FInsertMode = InsertModeUpdate;
    FIndexStale = false;
}

// The transaction ends before its listeners hear of it: they see the items as they now are
// (a new row gone, or committed where the view may not show it).
void TKvGridEditableItemProvider::CancelEdit()
{
    KV_ASSERT(IsOpen(), "ItemProvider is not editing");
    EndUpdate();
    FireCanceled();
}

void TKvGridEditableItemProvider::CommitEdit()
{
    KV_ASSERT(IsOpen(), "ItemProvider is not editing");
    if (FCommitting || FStoring)
        return;
    TKvGridDataProvider* data = GetDataSource();
    KV_ASSERT(data, "DataSource is nil");
    {
        // A value still held for the row (an open cell editor's text) goes in first.
        TRestore<bool> storing(FStoring, true);
        FireCommitting(PendingIndex());
    }
    if (!IsOpen())
        return; // ended by a listener
    const int index = PendingIndex();
    // The values are copied: the data source's notifications may end the transaction.
    const TKvGridDataRow values = FEditingItem->FValues;
    TRestore<bool> committing(FCommitting, true);
    FCommitWritten = false;
    FCommittedRow = -1;
    try {
        if (FEditingState == ItemUpdating) {
            FCommittedRow = FEditingItem->GetDataRow();
            data->UpdateRow(FCommittedRow, values);
        } else {
            int target = data->GetRowCount();
            if (FInsertMode == InsertModeInsert && index < SourceCount()) {
                target = FSource->GetItem(index)->GetDataRow();
                if (target < 0)
                    target = 0;
            }
            // The provider's notice names the row where it put the new one.
            FCommittedRow = target;
            data->InsertRow(target, values);
        }
    } catch (...) {
        FCommitting = false;
        if (FCommitWritten && IsOpen()) {
            EndUpdate();
            FireCommitted(index);
        }
        throw;
    }
    FCommitting = false;
    if (!IsOpen())
        return; // ended by a change the write caused
    EndUpdate();
    FireCommitted(index);
}

// --- following the source and the data ------------------------------------------------------

void TKvGridEditableItemProvider::Watch(TKvGridDataProvider* Data)
{
    Unwatch();
    if (!Data)
        return;
    if (!FDataWatch)
        FDataWatch.reset(Create<TDataWatch>(this));
    FWatched = Data;
    FWatched->AddListener(FDataWatch.get());
}

void TKvGridEditableItemProvider::Unwatch()
{
    if (FWatched && FDataWatch)
        FWatched->RemoveListener(FDataWatch.get());
    FWatched = nullptr;
}

void TKvGridEditableItemProvider::DropTransaction()
{
    if (!IsOpen())
        return;
    EndUpdate();
    FireCanceled();
    FireRefresh();
}

void TKvGridEditableItemProvider::Data_RowUpdated(int Row)
{
    if (FCommitting && FEditingState == ItemUpdating && FEditingItem && Row == FEditingItem->GetDataRow())
        FCommitWritten = true;
}

void TKvGridEditableItemProvider::Data_RowInserted(int Row)
{
    if (FCommitting && FEditingState == ItemInserting) {
        FCommitWritten = true;
        FCommittedRow = Row;
    }
    if (FEditingState != ItemUpdating || !FEditingItem)
        return;
    const int row = FEditingItem->GetDataRow();
    if (Row <= row) {
        FEditingItem->SetDataRow(row + 1);
        FIndexStale = true;
        FireRefresh();
    }
}

void TKvGridEditableItemProvider::Data_RowRemoved(int Row)
{
    if (FEditingState != ItemUpdating || !FEditingItem)
        return;
    const int row = FEditingItem->GetDataRow();
    if (Row == row) {
        DropTransaction();
    } else if (Row < row) {
        FEditingItem->SetDataRow(row - 1);
        FIndexStale = true;
        FireRefresh();
    }
}

void TKvGridEditableItemProvider::Data_RowsRemoved(const TKvIntegerArray& Rows)
{
    if (FEditingState != ItemUpdating || !FEditingItem)
        return;
    const int row = FEditingItem->GetDataRow();
    int below = 0;
    for (int r : Rows) {
        if (r == row) {
            DropTransaction();
            return;
        }
        if (r < row)
            ++below;
    }
    if (below > 0) {
        FEditingItem->SetDataRow(row - below);
        FIndexStale = true;
        FireRefresh();
    }
}

void TKvGridEditableItemProvider::Data_Reset()
{
    // Every row may be another one now: an update cannot know its row any more. A reset
    // that the commit's own write causes leaves the ending to the commit.
    if (FEditingState == ItemUpdating && !FCommitting)
        DropTransaction();
}

// The data provider is about to send or keep its changes: the open transaction is written
// first, so that what the user sees pending goes with them.
void TKvGridEditableItemProvider::Data_Committing()
{
    Commit();
}

void TKvGridEditableItemProvider::Data_Dispose()
{
    DropTransaction();
    Unwatch();
}

void TKvGridEditableItemProvider::Source_Reset()
{
    // Another data source: a transaction opened on the old one cannot be written.
    if (IsOpen() && GetDataSource() != FWatched) {
        EndUpdate();
        FireCanceled();
    }
    FIndexStale = true;
    FireReset();
}

void TKvGridEditableItemProvider::Source_Disposing()
{
    // Nothing may reach the source from here on; an open transaction ends unwritten.
    FSource = nullptr;
    const bool open = IsOpen();
    EndUpdate();
    if (open)
        FireCanceled();
    TKvGridProxyItemProvider::Source_Disposing();
}

void TKvGridEditableItemProvider::Source_Refresh()
{
    FIndexStale = true;
    FireRefresh();
}

void TKvGridEditableItemProvider::Source_ItemInserted(int Index)
{
    if (IsOpen() && FInsertMode == InsertModeInsert) {
        const int pending = PendingIndex();
        if (Index <= pending) {
            FEditingItem->FIndex = pending + 1;
            FireItemInserted(Index);
        } else {
            FireItemInserted(Index + 1);
        }
        return;
    }
    FIndexStale = true;
    FireItemInserted(Index);
}

void TKvGridEditableItemProvider::Source_ItemDeleted(int Index)
{
    if (IsOpen() && FInsertMode == InsertModeInsert) {
        const int pending = PendingIndex();
        if (Index < pending) {
            FEditingItem->FIndex = pending - 1;
            FireItemDeleted(Index);
        } else {
            FireItemDeleted(Index + 1);
        }
        return;
    }
    FIndexStale = true;
    FireItemDeleted(Index);
}

void TKvGridEditableItemProvider::Source_ItemUpdated(int Index) { FireItemUpdated(ToOwnIndex(Index)); }

void TKvGridEditableItemProvider::Source_ItemChecked(int Index) { FireItemChecked(ToOwnIndex(Index)); }

void TKvGridEditableItemProvider::Source_ItemStateChanged(int Index) { FireItemStateChanged(ToOwnIndex(Index)); }

} // namespace kv
