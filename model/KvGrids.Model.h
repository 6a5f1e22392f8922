// Items and the item-provider base: the ordered list of items that a grid shows.
#pragma once

#include "model/KvGrids.Data.h"
#include "platform/rtl/Sets.h"

#include <functional>
#include <vector>

namespace kv {

enum TKvGridItemState { ItemNormal = 0, ItemFocused = 1, ItemUpdating = 2, ItemInserting = 3 };
enum TKvGridSortDirection { SortAscending = 0, SortDescending = 1 };
enum TKvGridGroupExpandedStyle { ExpandedBoth, ExpandedHeader, ExpandedFooter };
enum TKvGridGroupCollapsedStyle { CollapsedHeader, CollapsedFooter, CollapsedBoth };
enum TKvGridSearchOption { SearchCaseSensitive, SearchPartialMatch };
using TKvGridSearchOptions = TSet<TKvGridSearchOption>;
using TKvGridSortDirections = std::vector<TKvGridSortDirection>;

class TKvGridItemProvider;
class TKvGridGroupItem;

class TKvGridItem : public TObject
{
public:
    // Raises Exception "Provider is null" without a provider.
    explicit TKvGridItem(TKvGridItemProvider* Provider);

    virtual bool GetLeaf() const { return true; }
    // -1 for items that are not data rows.
    virtual int GetDataRow() const { return -1; }
    virtual TKvGridItemState GetItemState() const { return ItemNormal; }
    // The data source's value of this item's row; unassigned for a negative field or an
    // item that is not a data row.
    virtual Variant GetData(int Field) const;

    TKvGridItemProvider* GetProvider() const { return FProvider; }
    // The group the item is a child of; a group that has not listed its rows yet is found
    // (and lists them) on first ask: const, though it may fill that group's children (see the
    // grouped provider's call flow, KvGrids.Model.Proxy.Group.cpp).
    TKvGridGroupItem* GetParent() const;
    int GetLevel() const;
    TKvGridDataProvider* GetDataSource() const;
    TKvGridDataRowState GetRowState() const;
    // True when the item has a parent and the parent is expanded.
    bool CanVisible() const;
    // Expands every collapsed group above the item.
    void MakeVisible();
    bool GetChecked() const { return FChecked; }

protected:
    TKvGridItemProvider* FProvider;
    TKvGridGroupItem* FParent = nullptr;
    bool FChecked = false;

    friend class TKvGridGroupItem;
    friend class TKvGridItemProvider;
};

using TKvGridItems = std::vector<TKvGridItem*>;

// Where the values of sort fields change along a sorted range of items: each start is a
// position whose values differ from the item before it, with the first field that differs.
struct TKvGridValueRuns
{
    TKvIntegerArray Fields; // the fields compared, in order
    int First = 0;          // the range: items First .. First + Count - 1
    int Count = 0;
    std::vector<int> Starts;
    std::vector<std::uint8_t> Levels;
};

class TKvGridGroupItem : public TKvGridItem
{
public:
    using TKvGridItem::TKvGridItem;

    bool GetLeaf() const override { return false; }
    virtual int GetField() const = 0;
    virtual int GetCount() const = 0;
    virtual TKvGridItem* GetItem(int Index) const = 0;
    virtual bool GetExpanded() const = 0;
    virtual void SetExpanded(bool Value) = 0;
    virtual TKvGridItem* GetFirstItem() const = 0;
    virtual int GetDescendantCount() const = 0;
    virtual int GetRowCount() const = 0;
    virtual double GetSum(int Field) = 0;
    virtual double GetMax(int Field) = 0;
    virtual double GetMin(int Field) = 0;
    virtual double GetMean(int Field) = 0;
    virtual double GetVar(int Field) = 0;
    virtual double GetStdev(int Field) = 0;

protected:
    void AttachChild(TKvGridItem* Item) { Item->FParent = this; }
    static void DetachChild(TKvGridItem* Item) { Item->FParent = nullptr; }
    // The parent the item was given, without looking for a pending one.
    static TKvGridGroupItem* AttachedParent(const TKvGridItem* Item) { return Item->FParent; }
};

// Finds the group of a row item that a group holds without having made it its child yet.
// Registered with the provider that makes the row items; either side may go first.
class TKvGridParentFinder
{
public:
    TKvGridParentFinder() = default;
    TKvGridParentFinder(const TKvGridParentFinder&) = delete;
    TKvGridParentFinder& operator=(const TKvGridParentFinder&) = delete;
    // Nil when the item is not one of the pending rows.
    virtual TKvGridGroupItem* FindParent(const TKvGridItem* Item) const = 0;
    // Registers with Provider (nil: with none), leaving the provider it was registered with.
    void RegisterWith(TKvGridItemProvider* Provider);

protected:
    ~TKvGridParentFinder() { RegisterWith(nullptr); }

private:
    TKvGridItemProvider* FProvider = nullptr;
    friend class TKvGridItemProvider;
};

class TKvGridGroupFooter : public TKvGridItem
{
public:
    using TKvGridItem::TKvGridItem;
    virtual bool GetExpandable() const = 0;
};

class TKvGridItemChangeListener : public TObject
{
public:
    virtual void Reset() = 0;
    virtual void Refresh() = 0;
    virtual void ItemInserted(int Index) = 0;
    virtual void ItemDeleted(int Index) = 0;
    virtual void ItemUpdated(int Index) = 0;
    virtual void ItemChecked(int Index) = 0;
    virtual void ItemStateChanged(int Index) = 0;
    // The provider is being freed: a listener that lets go removes itself here and calls
    // nothing else on it.
    virtual void Disposing() {}
};

class TKvGridItemProvider : public TObject
{
protected:
    friend class TCreateAccess;
    TKvGridItemProvider() = default;

public:
    // Both tell the listeners (Disposing) once: Free while the whole provider is alive, a
    // plain delete at the last moment.
    ~TKvGridItemProvider() override;
    void BeforeDestruction() override;

    virtual TKvGridDataProvider* GetDataSource() const = 0;
    virtual int GetFixedCount() const = 0;
    virtual int GetMaxItemCount() const = 0;
    virtual void SetMaxItemCount(int Value) = 0;
    virtual int GetItemCount() const = 0;
    virtual int GetRowCount() const { return GetItemCount(); }
    virtual TKvGridItem* GetItem(int Index) const = 0;
    // Raises EArgumentNilException "listener" for nil; ignores a duplicate.
    virtual void AddListener(TKvGridItemChangeListener* Listener);
    virtual void RemoveListener(TKvGridItemChangeListener* Listener);
    virtual void ResetItems() = 0;
    virtual void SetFixed(int Count, bool FixedSorting, bool FixedFiltering) = 0;
    // Item index showing DataRow, or -1.
    virtual int ItemOfData(int DataRow) const = 0;
    virtual void Exchange(int Index1, int Index2) = 0;
    // The data rows of the items First .. First + Count - 1 into Rows.
    virtual void GetDataRows(int First, int Count, int* Rows) const;
    // Moves the items so that First + i holds the item that was at First + Order[i] (Order
    // is a permutation of 0 .. size - 1); by default through the fewest exchanges.
    virtual void ApplyOrder(int First, const std::vector<int>& Order);
    virtual bool CanUpdate(int Index, int Field) const { return false; }
    virtual bool CanInsert(int Index) const { return false; }
    virtual bool CanDelete(int Index) const { return false; }
    virtual TKvGridItems GetAllItems() const { return {}; }
    // Calls Visit for every item made so far, making none; false when the provider cannot
    // tell which items exist (nothing was visited).
    virtual bool VisitMadeItems(const std::function<void(TKvGridItem*)>& Visit) const { return false; }
    // The runs of equal values that a sort found in the range it ordered, kept until the order
    // or the data changes; a provider that keeps none ignores them and answers nil.
    virtual void SetValueRuns(TKvGridValueRuns&& Runs) {}
    virtual const TKvGridValueRuns* GetValueRuns() const { return nullptr; }
    virtual int FindItem(const TKvIntegerArray& Fields, const TVariantArray& Values, TKvGridSearchOptions Options,
                         int StartIndex, int EndIndex) const
    {
        return -1;
    }
    virtual int FindItem(const Variant& Value, TKvGridSearchOptions Options, int StartIndex, int EndIndex) const
    {
        return -1;
    }

    virtual Variant GetData(int Index, int Field) const;
    virtual void SetData(int Index, int Field, const Variant& Value);
    virtual void ResetItemsChecked(int Field, bool Refresh);
    virtual void CheckItem(int Index, bool Checked);

    void FireReset();
    void FireRefresh();
    void FireItemInserted(int Index);
    void FireItemDeleted(int Index);
    void FireItemUpdated(int Index);
    void FireItemChecked(int Index);
    void FireItemStateChanged(int Index);
    void FireDisposing();

protected:
    // The data row of the item at Index, without asking for the item itself.
    int DataRowOf(int Index) const
    {
        int row = -1;
        GetDataRows(Index, 1, &row);
        return row;
    }
    bool HasListener(const TKvGridItemChangeListener* Listener) const { return FListeners.Contains(Listener); }
    // The first item from StartIndex to EndIndex (-1: the last) with a data row whose value
    // texts match all fields: equal, or containing them with SearchPartialMatch; letter case
    // is ignored unless SearchCaseSensitive is given. -1 when none matches.
    int FindDataItem(const TKvIntegerArray& Fields, const TVariantArray& Values, TKvGridSearchOptions Options,
                     int StartIndex, int EndIndex) const;

private:
    friend class TKvGridItem;
    friend class TKvGridParentFinder;
    TKvGridGroupItem* FindPendingParent(const TKvGridItem* Item) const;

    TListenerList<TKvGridItemChangeListener> FListeners;
    bool FDisposed = false;
    std::vector<TKvGridParentFinder*> FParentFinders;
};

inline TKvGridGroupItem* TKvGridItem::GetParent() const
{
    if (FParent || FProvider->FParentFinders.empty())
        return FParent;
    return FProvider->FindPendingParent(this);
}

// Streams as a child of the component that owns it.
class TKvGridItemConsumer : public TComponent
{
public:
    using TComponent::TComponent;
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return GetOwner(); }
    // Read from a form file inside its parent: the parent becomes its owner.
    void SetParentComponent(TComponent* parent) override;
};

} // namespace kv
