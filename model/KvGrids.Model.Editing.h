// The editable item provider: the top of a grid's item-provider chain. It passes its
// source's items through and holds one edit transaction at a time (update, append or
// insert) whose values live in a pending item until they are committed or cancelled.
#pragma once

#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.h"

namespace kv {

class TKvGridItemEditListener : public TObject
{
public:
    virtual void UpdateStarted(int Index) = 0;
    virtual void AppendStarted() = 0;
    virtual void InsertStarted(int Index) = 0;
    virtual void Edited(int Index, int Field) = 0;
    virtual void Committed(int Index) = 0;
    virtual void Canceled() = 0;
    // The pending item at Index is about to be written: a listener holding a value for it that
    // is not stored yet (an open cell editor) stores it now, or raises to refuse the commit.
    virtual void Committing(int Index) {}
};

// The pending item of a transaction: the values being edited, one per field.
class TKvGridExtraItem : public TKvGridRow
{
public:
    TKvGridExtraItem(TKvGridItemProvider* Provider, int DataRow, TKvGridItemState State, int FieldCount);

    TKvGridItemState GetItemState() const override { return FState; }
    // Raise Exception "Column index is out of bounds: N" outside the fields.
    Variant GetData(int Field) const override;
    void SetData(int Field, const Variant& Value);
    int GetIndex() const { return FIndex; }
    const TKvGridDataRow& GetValues() const { return FValues; }

private:
    void CheckField(int Field) const;

    int FIndex = -1;
    TKvGridDataRow FValues;
    TKvGridItemState FState;

    friend class TKvGridEditableItemProvider;
};

class TKvGridEditableItemProvider : public TKvGridProxyItemProvider
{
public:
    using TKvGridProxyItemProvider::TKvGridProxyItemProvider;
    ~TKvGridEditableItemProvider() override;
    void BeforeDestruction() override;

    enum { InsertModeUpdate = 0, InsertModeAppend = 1, InsertModeInsert = 2 };

    // True while a transaction is open and Index is the pending item's index (or negative).
    bool IsEditing(int Index) const;
    TKvGridItemState GetEditingState() const { return FEditingState; }
    TKvGridExtraItem* GetEditingItem() const { return FEditingItem.get(); }
    int GetInsertMode() const { return FInsertMode; }
    // The item index of the pending item, or -1 (idle, or the edited row is not listed).
    int GetEditingIndex() const { return PendingIndex(); }
    // The data row the last commit wrote (the new row's as the data provider placed it), or -1.
    int GetCommittedRow() const { return FCommittedRow; }
    // The commit is writing the pending row to the data.
    bool GetCommitting() const { return FCommitting; }

    int GetItemCount() const override;
    TKvGridItem* GetItem(int Index) const override;
    int ItemOfData(int DataRow) const override;
    Variant GetData(int Index, int Field) const override;
    void SetData(int Index, int Field, const Variant& Value) override;
    bool CanUpdate(int Index, int Field) const override;
    bool CanInsert(int Index) const override;
    bool CanDelete(int Index) const override;

    // Commands: each checks the state before it opens, commits or cancels.
    void Edit(int Index);
    void UpdateData(int Index, int Field, const Variant& Value);
    void Append(const TKvGridDataRow& Values);
    void Insert(int Index, const TKvGridDataRow& Values);
    // Does nothing while a commit is running (a reset it causes may ask again).
    void Commit();
    void Cancel();
    void Delete(int Index);
    void Delete(const TKvIntegerArray& Indices);

    // Nil and duplicates are ignored.
    void AddEditListener(TKvGridItemEditListener* Listener) { FEditListeners.Add(Listener); }
    void RemoveEditListener(TKvGridItemEditListener* Listener) { FEditListeners.Remove(Listener); }

    void FireUpdateStarted();
    void FireAppendStarted();
    void FireInsertStarted(int Index);
    void FireItemEdited(int Index, int Field);
    void FireCommitting(int Index);
    void FireCommitted(int Index);
    void FireCanceled();

    // Transaction steps; opening while open or ending while idle is an assertion failure.
    virtual void BeginUpdate(int Index);
    virtual void BeginAppend(const TKvGridDataRow& Values);
    virtual void BeginInsert(int Index, const TKvGridDataRow& Values);
    virtual void EndUpdate();
    virtual void CancelEdit();
    // Lets the edit listeners store what they hold for the pending item (Committing), then
    // writes it; a listener that raises refuses the commit and the transaction stays open.
    // A write that reached the data provider ends the transaction
    // even when the provider raises afterwards (a failed send of a kept change), and the
    // error goes on; a write that was refused raises and leaves the transaction open.
    virtual void CommitEdit();

protected:
    virtual void DoUpdateStart() {}
    virtual void DoAppendStart() {}
    virtual void DoInsertStart(int Index) {}

    void ClearItems() override {}
    void PopulateItems() override {}
    void Source_Reset() override;
    void Source_Refresh() override;
    void Source_ItemInserted(int Index) override;
    void Source_ItemDeleted(int Index) override;
    void Source_ItemUpdated(int Index) override;
    void Source_ItemChecked(int Index) override;
    void Source_ItemStateChanged(int Index) override;
    void Source_Disposing() override;

private:
    class TDataWatch;

    bool IsOpen() const { return FEditingState == ItemUpdating || FEditingState == ItemInserting; }
    int SourceCount() const { return FSource ? FSource->GetItemCount() : 0; }
    int PendingIndex() const;
    // This provider's index of a source index (a pending insert shifts the later items).
    int ToOwnIndex(int SourceIndex) const;
    void Watch(TKvGridDataProvider* Data);
    void Unwatch();
    // The edited row went away under the transaction.
    void DropTransaction();
    void Data_RowInserted(int Row);
    void Data_RowUpdated(int Row);
    void Data_RowRemoved(int Row);
    void Data_RowsRemoved(const TKvIntegerArray& Rows);
    void Data_Reset();
    void Data_Dispose();
    void Data_Committing();

    TListenerList<TKvGridItemEditListener> FEditListeners;
    TKvGridItemState FEditingState = ItemNormal;
    std::unique_ptr<TKvGridExtraItem> FEditingItem;
    int FInsertMode = InsertModeUpdate;
    // An update's index is found again from its data row after the source changed.
    mutable bool FIndexStale = false;
    TOwned<TKvGridDataChangeListener> FDataWatch;
    TKvGridDataProvider* FWatched = nullptr;
    bool FCommitting = false;
    // The edit listeners are storing their values before a commit.
    bool FStoring = false;
    // The data provider reported the commit's row as written.
    bool FCommitWritten = false;
    int FCommittedRow = -1;
};

} // namespace kv
