// The grouped item provider: a tree of group items over runs of equal values of the
// group fields (the source is ordered by them), with a footer per group, per-group
// aggregates computed on first use, and the flat list of visible items.
#pragma once

#include "model/KvGrids.Model.Proxy.h"

#include <map>
#include <memory>
#include <vector>

namespace kv {

class TKvGridGroupedItemProvider;
class TKvGridGroupItemImpl;

class TKvGridGroupFooterImpl : public TKvGridGroupFooter
{
public:
    using TKvGridGroupFooter::TKvGridGroupFooter;
    // True when the footer is the row that expands its group.
    bool GetExpandable() const override { return FExpandable; }
    TKvGridGroupItemImpl* GetGroup() const;

private:
    bool FExpandable = false;

    friend class TKvGroupedVisibleItems;
};

class TKvGridGroupItemImpl : public TKvGridGroupItem
{
public:
    TKvGridGroupItemImpl(TKvGridGroupedItemProvider* Provider, int Field, bool Expanded);

    int GetField() const override { return FField; }
    int GetCount() const override
    {
        return static_cast<int>(FChildren.size()) + (FLazy ? FDescendantCount : 0);
    }
    // Raises EArgumentNilException "index" out of range.
    TKvGridItem* GetItem(int Index) const override;
    bool GetExpanded() const override { return FExpanded; }
    void SetExpanded(bool Value) override;
    TKvGridItem* GetFirstItem() const override;
    int GetDescendantCount() const override { return FDescendantCount; }
    int GetRowCount() const override { return FDescendantCount; }
    // Aggregates of the rows below the group (unassigned and text read as 0).
    double GetSum(int Field) override;
    double GetMax(int Field) override;
    double GetMin(int Field) override;
    double GetMean(int Field) override;
    // Sample variance and standard deviation of the numeric values below the group.
    double GetVar(int Field) override;
    double GetStdev(int Field) override;

    // Asserts the item is not nil, not a child yet and has no parent; then appends it.
    void Add(TKvGridItem* Item);
    void Remove(TKvGridItem* Item);
    void AddChild(TKvGridItem* Item);
    void InsertChild(int Index, TKvGridItem* Item);
    void Clear();

    int GetVIndex() const { return FVIndex; }
    TKvGridGroupFooterImpl* GetFooter() const { return FFooter; }
    // The group-by value its rows share (unassigned for the root).
    const Variant& GetKey() const { return FKey; }
    bool GetSummarized() const { return FSummarized; }
    // Drops the cached aggregates; they are computed again on the next read.
    void InvalidateSummary();

    static void Detach(TKvGridItem* Item) { DetachChild(Item); }
    static TKvGridGroupItem* ParentOf(const TKvGridItem* Item) { return AttachedParent(Item); }

protected:
    // Computes the field's sum, minimum and maximum once per build (or data change).
    void Summarize(int Field);
    void CollectRows(std::vector<int>& Rows) const;
    // The data rows below the group in order: its slice of the build's rows while they hold,
    // else collected from the items into the provider's scratch list.
    TKvRowIndices Rows() const;
    TKvGridGroupedItemProvider* Grouped() const;
    void CheckField(int Field) const;
    // Makes the pending rows children, ahead of the footer.
    void EnsureRows() const;
    // One past the source index of the last pending row the source still has.
    int PendingEnd() const;
    double FirstValue(int Field) const;
    double Variance(int Field);

    int FVIndex = -1;
    bool FExpanded;
    int FField;
    std::vector<TKvGridItem*> FChildren;
    TKvGridGroupFooterImpl* FFooter = nullptr;
    // A group of the last level: its children are source rows and its footer.
    bool FRowsOnly = false;
    // A last-level group built without its rows: they are the source items FSourceFirst ..
    // FSourceFirst + FDescendantCount - 1, made children when first listed or asked for; until
    // then FChildren holds only the footer and the rows do not know their group.
    bool FLazy = false;
    int FSourceFirst = 0;
    int FDescendantCount = 0;
    bool FSummarized = false;
    TVariantArray FSums;
    TVariantArray FMinimums;
    TVariantArray FMaximums;
    std::vector<double> FVariances; // NaN until computed
    std::vector<char> FSummed;      // per field: sum, minimum and maximum computed
    Variant FKey;
    // Its rows among the build's rows (TKvGridGroupedItemProvider::FBuildRows).
    int FFirstRow = 0;
    int FEndRow = 0;
    // Its place among the groups of its level, once their sums were read together.
    int FLevelIndex = 0;

    friend class TKvGridGroupedItemProvider;
    friend class TKvGroupedVisibleItems;
};

// The invisible root: field -1, always expanded.
class TRootItem : public TKvGridGroupItemImpl
{
public:
    explicit TRootItem(TKvGridGroupedItemProvider* Provider) : TKvGridGroupItemImpl(Provider, -1, true) {}
    void SetExpanded(bool) override {}
};

class TKvGroupedVisibleItems : public TObject
{
public:
    explicit TKvGroupedVisibleItems(TKvGridGroupedItemProvider* Provider) : FProvider(Provider) {}

    int GetCount() const { return static_cast<int>(FItems.size()); }
    TKvGridItem* GetItem(int Index) const;
    int GetFixedCount() const { return FFixedCount; }
    const std::vector<TKvGridItem*>& Items() const { return FItems; }

    void Clear();
    // Fixed items of the source, then the root's contents by the groups' states.
    void Reset();
    // Replace the group's entries in place; the rest of the list is only shifted.
    bool Expand(TKvGridGroupItemImpl* Group, bool Recursive);
    bool Collapse(TKvGridGroupItemImpl* Group);
    // One row entry added or removed; the groups after it move.
    void InsertRow(int Position, TKvGridItem* Item);
    void RemoveRow(int Position);
    // Every item as if every group were expanded; no group's state changes.
    void AllItems(std::vector<TKvGridItem*>& Out) const;
    // True when every ancestor of the group is expanded (its entries are listed).
    static bool IsShown(const TKvGridGroupItemImpl* Group);

private:
    void WalkChild(TKvGridItem* Item, std::vector<TKvGridItem*>& Out, bool Recursive);
    void WalkExpanded(TKvGridGroupItemImpl* Group, std::vector<TKvGridItem*>& Out, bool Recursive);
    void PushCollapsed(TKvGridGroupItemImpl* Group, std::vector<TKvGridItem*>& Out);
    void WalkAll(const TKvGridGroupItemImpl* Group, std::vector<TKvGridItem*>& Out) const;
    int ShownSize(const TKvGridGroupItemImpl* Group) const;
    void Replace(int Position, int OldCount);
    // Moves the stored positions at or after From by Delta.
    void Shift(int From, int Delta);
    // Stores the positions of the groups listed in From .. To - 1 (To < 0: to the end).
    void Renumber(int From, int To = -1);
    void MarkExpanded(TKvGridGroupItemImpl* Group, bool Recursive);

    int FFixedCount = 0;
    TKvGridGroupedItemProvider* FProvider;
    std::vector<TKvGridItem*> FItems;
    std::vector<TKvGridItem*> FTmpList;
};

class TKvGridGroupedItemProvider : public TKvGridProxyItemProvider
{
public:
    using TKvGridProxyItemProvider::TKvGridProxyItemProvider;
    ~TKvGridGroupedItemProvider() override;

    void GroupBy(const TKvIntegerArray& Fields);
    void AddGroupBy(int Level, int Field);
    void RemoveGroupBy(int Field);
    // The number of group fields (levels).
    int GetGroupCount() const { return static_cast<int>(FGroups.size()); }
    bool IsGroupedField(int Field) const;
    TKvIntegerArray GetGroupByFields() const { return FGroups; }
    bool GetGrouped() const { return FGrouped; }

    TKvGridGroupExpandedStyle GetExpandedStyle() const { return FExpandedStyle; }
    void SetExpandedStyle(TKvGridGroupExpandedStyle Value);
    TKvGridGroupCollapsedStyle GetCollapsedStyle() const { return FCollapsedStyle; }
    void SetCollapsedStyle(TKvGridGroupCollapsedStyle Value);
    bool GetSummarizing() const { return FSummarizing; }
    void SetSummarizing(bool Value) { FSummarizing = Value; }
    bool GetGroupSorting() const { return FGroupSorting; }
    void SetGroupSorting(bool Value) { FGroupSorting = Value; }
    TKvGridSortDirection GetSortDirection() const { return FSortDirection; }
    void SetSortDirection(TKvGridSortDirection Value) { FSortDirection = Value; }
    int GetInsertMode() const { return FInsertMode; }
    void SetInsertMode(int Value) { FInsertMode = Value; }
    bool GetExpandWhenGrouping() const { return FExpandWhenGrouping; }
    void SetExpandWhenGrouping(bool Value) { FExpandWhenGrouping = Value; }

    // Item is a group or a footer (standing for its group); asserts "item is nil".
    void Expand(TKvGridItem* Item, bool Recursive);
    void Collapse(TKvGridItem* Item);

    TKvGridGroupItemImpl* GetRootItem() const { return FRootItem.get(); }
    const TKvGroupedVisibleItems* GetVisibleItems() const { return FVisibleItems.get(); }

    int GetItemCount() const override;
    TKvGridItem* GetItem(int Index) const override;
    int GetRowCount() const override;
    int ItemOfData(int DataRow) const override;
    TKvGridItems GetAllItems() const override;
    // The groups and footers, then the source's items.
    bool VisitMadeItems(const std::function<void(TKvGridItem*)>& Visit) const override;
    // The first item from StartIndex to EndIndex (-1: the last) with a data row whose value
    // texts match all fields: equal, or containing them with SearchPartialMatch; letter case
    // is ignored unless SearchCaseSensitive is given.
    int FindItem(const TKvIntegerArray& Fields, const TVariantArray& Values, TKvGridSearchOptions Options,
                 int StartIndex, int EndIndex) const override;
    using TKvGridItemProvider::FindItem;
    // The visible position of an item of this provider or its source, or -1.
    int IndexOfItem(const TKvGridItem* Item) const;

    // The groups and the visible list emptied, or built again; neither sends a notification.
    void ClearItems() override;
    void PopulateItems() override;

    // The group fields, the groups with their states and the visible list, taken out so that
    // a change of the chain that fails half-way puts them back as they were (RestoreGroups).
    // The provider is left cleared; no row has a parent among the groups taken out.
    struct TGroupsState;
    std::unique_ptr<TGroupsState> TakeGroups();
    // Drops what was built since, puts the state back and gives the rows their groups again.
    void RestoreGroups(std::unique_ptr<TGroupsState> State);

protected:
    void Initialize() override;
    bool GetTransforming() const override { return FGrouped; }
    // A row joins or leaves its group in place when its neighbours share its group.
    bool SourceItemInserted(int Index) override;
    bool SourceItemDeleted(int Index) override;
    void Source_ItemUpdated(int Index) override;
    void Source_ItemChecked(int Index) override;
    void Source_ItemStateChanged(int Index) override;

private:
    struct TBuild;
    void BuildGroups();
    // Groups the build's entries Start .. End - 1 by the group field of Level; the build's
    // value changes BoundFirst .. BoundEnd - 1 lie inside the range.
    void BuildLevel(const TBuild& Build, TKvGridGroupItemImpl* Parent, size_t Start, size_t End, size_t BoundFirst,
                    size_t BoundEnd, int Level);
    void SizeArrays(TKvGridGroupItemImpl* Group) const;
    TKvGridGroupItemImpl* GroupOf(TKvGridItem* Item) const;
    // The leaf group of the Offset-th grouped row (in source order) and the row's position
    // among its children; nil when there is no such row.
    TKvGridGroupItemImpl* LeafOf(int Offset, int& Position) const;
    // Whether the data row has the group's key at the group's level and every level above.
    bool BelongsTo(const TKvGridGroupItemImpl* Group, int Row) const;
    // Counts, cached aggregates and keys after a row was added to or removed from Group.
    void RowsChanged(TKvGridGroupItemImpl* Group, int Delta, int Position);
    // Pending rows of groups other than Except that start at or after From (after it when
    // Delta < 0) move by Delta source items.
    void ShiftPendingRows(const TKvGridGroupItemImpl* Except, int From, int Delta);
    // The provider at the start of the chain, which makes the row items.
    TKvGridItemProvider* BottomSource() const;
    void Regroup();
    int VisibleIndexOfSource(int SourceIndex) const;
    std::vector<int>& ScratchRows() { return FScratchRows; }

    // Gives a row of a group with pending rows its group when the row is asked for it.
    class TPendingParents : public TKvGridParentFinder
    {
    public:
        explicit TPendingParents(const TKvGridGroupedItemProvider* Owner) : FOwner(Owner) {}
        ~TPendingParents() { RegisterWith(nullptr); }
        TKvGridGroupItem* FindParent(const TKvGridItem* Item) const override;

    private:
        const TKvGridGroupedItemProvider* FOwner;
    };
    TPendingParents FPendingParents{this};

    bool FGrouped = false;
    std::unique_ptr<TRootItem> FRootItem;
    std::unique_ptr<TKvGroupedVisibleItems> FVisibleItems;
    TKvIntegerArray FGroups;
    bool FGroupSorting = false;
    TKvGridSortDirection FSortDirection = SortAscending;
    TKvGridGroupExpandedStyle FExpandedStyle = ExpandedBoth;
    TKvGridGroupCollapsedStyle FCollapsedStyle = CollapsedHeader;
    bool FSummarizing = true;
    int FInsertMode = 0;
    bool FExpandWhenGrouping = false;
    // Every group and footer of the current tree (the root aside).
    std::vector<std::unique_ptr<TKvGridItem>> FTreeItems;
    std::vector<int> FScratchRows;
    // The data rows of the grouped items in build order; each group covers a slice of them
    // until a row joins or leaves a group in place.
    std::vector<int> FBuildRows;
    bool FBuildRowsValid = false;
    // The sum of a field for a group, read for every group of its level in one pass once a
    // few of them asked; nil while they are read one by one.
    const Variant* LevelSum(TKvGridGroupItemImpl* Group, int Field);
    struct TLevelSums
    {
        int Asked = 0;
        std::vector<Variant> Sums; // by the groups' FLevelIndex
    };
    std::map<std::pair<int, int>, TLevelSums> FLevelSums; // by level and field
    unsigned FPopulateCount = 0;

    // Row items leave the groups of the current tree (those their providers still hold).
    void DetachRows();

public:
    struct TGroupsState
    {
        TKvIntegerArray Groups;
        bool Grouped = false;
        std::unique_ptr<TRootItem> Root;
        std::unique_ptr<TKvGroupedVisibleItems> Visible;
        std::vector<std::unique_ptr<TKvGridItem>> TreeItems;
        std::vector<int> BuildRows;
        bool BuildRowsValid = false;
        std::map<std::pair<int, int>, TLevelSums> LevelSums;
    };

    friend class TKvGridGroupItemImpl;
    friend class TKvGroupedVisibleItems;
};

} // namespace kv
