// The grouped item provider.
//
// Sections: footer; group item (children, aggregates computed on first read); visible items
// (the flat list by the groups' states, replaced in place on expand and collapse); provider
// (building, expand and collapse, lookups, source notifications).
//
// Call flow: GroupBy and the source's reset and refresh call PopulateItems, which builds the
// tree over runs of equal group values of the source's items (BuildGroups, BuildLevel) and
// lists the visible items (TKvGroupedVisibleItems::Reset). An inserted or removed source item
// joins or leaves its group in place when a neighbour shares its group (SourceItemInserted,
// SourceItemDeleted); anything else repopulates. A changed row that leaves its group asks the
// source to order its items again (Regroup).
//
// Pending rows: a leaf group lists its rows as children only when first asked (EnsureRows);
// until then they are pending and have no parent set. TKvGridItem::GetParent() is const, as
// the item contract has it, and still answers a pending row: it asks the provider's parent
// finder (TPendingParents::FindParent), which finds the row's group by its place and makes
// that group's pending rows its children. The answer is what it would have been; only the
// group's storage changes.
#include "model/KvGrids.Model.Proxy.Group.h"
#include "platform/rtl/ScopeGuard.h"

#include <cmath>
#include <limits>
#include <utility>

namespace kv {

namespace {

constexpr double NotComputed = std::numeric_limits<double>::quiet_NaN();

// Unassigned, null and values that do not read as numbers count as 0.
double AsDouble(const Variant& v)
{
    double d = 0;
    if (v.IsClear() || !v.TryToDouble(d))
        return 0;
    return d;
}

} // namespace

// --- footer ---------------------------------------------------------------------------------

TKvGridGroupItemImpl* TKvGridGroupFooterImpl::GetGroup() const
{
    return static_cast<TKvGridGroupItemImpl*>(GetParent());
}

// --- group item -----------------------------------------------------------------------------

TKvGridGroupItemImpl::TKvGridGroupItemImpl(TKvGridGroupedItemProvider* Provider, int Field, bool Expanded)
    : TKvGridGroupItem(Provider), FExpanded(Expanded), FField(Field)
{
}

TKvGridGroupedItemProvider* TKvGridGroupItemImpl::Grouped() const
{
    return static_cast<TKvGridGroupedItemProvider*>(GetProvider());
}

TKvGridItem* TKvGridGroupItemImpl::GetItem(int Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw EArgumentNilException(QStringLiteral("index"));
    EnsureRows();
    return FChildren[static_cast<size_t>(Index)];
}

int TKvGridGroupItemImpl::PendingEnd() const
{
    const TKvGridItemProvider* source = Grouped()->GetSource();
    return source ? std::min(FSourceFirst + FDescendantCount, source->GetItemCount()) : 0;
}

void TKvGridGroupItemImpl::EnsureRows() const
{
    if (!FLazy)
        return;
    const int end = PendingEnd();
    auto* self = const_cast<TKvGridGroupItemImpl*>(this);
    self->FLazy = false;
    TKvGridItemProvider* source = Grouped()->GetSource();
    std::vector<TKvGridItem*> children;
    children.reserve(static_cast<size_t>(std::max(end - FSourceFirst, 0)) + FChildren.size());
    for (int i = FSourceFirst; i < end; ++i) {
        TKvGridItem* item = source->GetItem(i);
        self->AttachChild(item);
        children.push_back(item);
    }
    children.insert(children.end(), FChildren.begin(), FChildren.end());
    self->FChildren.swap(children);
}

void TKvGridGroupItemImpl::SetExpanded(bool Value)
{
    if (Value == FExpanded)
        return;
    if (Value)
        Grouped()->Expand(this, false);
    else
        Grouped()->Collapse(this);
}

TKvGridItem* TKvGridGroupItemImpl::GetFirstItem() const
{
    // The first row is read without making the others children.
    if (FLazy)
        return PendingEnd() > FSourceFirst ? Grouped()->GetSource()->GetItem(FSourceFirst) : nullptr;
    if (FChildren.empty())
        return nullptr;
    TKvGridItem* first = FChildren.front();
    if (first->GetProvider() == GetProvider() && !first->GetLeaf())
        return static_cast<TKvGridGroupItemImpl*>(first)->GetFirstItem();
    return first;
}

void TKvGridGroupItemImpl::Add(TKvGridItem* Item)
{
    KV_ASSERT(Item, "item is nil in TKvGridGroupItemImpl.Add()");
    EnsureRows();
    KV_ASSERT(std::find(FChildren.begin(), FChildren.end(), Item) == FChildren.end(),
              "item is already contained in TKvGridGroupItemImpl.Add()");
    KV_ASSERT(!Item->GetParent(), "item's parent is not nil");
    if (Item->GetProvider() == GetProvider() && !Item->GetLeaf())
        FRowsOnly = false;
    AddChild(Item);
}

void TKvGridGroupItemImpl::Remove(TKvGridItem* Item)
{
    EnsureRows();
    const auto it = std::find(FChildren.begin(), FChildren.end(), Item);
    if (it == FChildren.end())
        return;
    FChildren.erase(it);
    if (Item->GetParent() == this)
        DetachChild(Item);
}

void TKvGridGroupItemImpl::AddChild(TKvGridItem* Item)
{
    FChildren.push_back(Item);
    AttachChild(Item);
}

void TKvGridGroupItemImpl::InsertChild(int Index, TKvGridItem* Item)
{
    EnsureRows();
    Index = std::clamp(Index, 0, GetCount());
    FChildren.insert(FChildren.begin() + Index, Item);
    AttachChild(Item);
}

void TKvGridGroupItemImpl::Clear()
{
    // Children may already be gone with their provider: they are not touched.
    FChildren.clear();
    FLazy = false;
}

void TKvGridGroupItemImpl::InvalidateSummary()
{
    Grouped()->FLevelSums.clear();
    FSummarized = false;
    std::fill(FVariances.begin(), FVariances.end(), NotComputed);
}

void TKvGridGroupItemImpl::CollectRows(std::vector<int>& Rows) const
{
    if (FLazy) {
        const int end = PendingEnd();
        if (end > FSourceFirst) {
            TKvGridItemProvider* source = Grouped()->GetSource();
            const size_t at = Rows.size();
            Rows.resize(at + static_cast<size_t>(end - FSourceFirst));
            source->GetDataRows(FSourceFirst, end - FSourceFirst, Rows.data() + at);
            Rows.erase(std::remove(Rows.begin() + static_cast<std::ptrdiff_t>(at), Rows.end(), -1), Rows.end());
        }
    }
    constexpr size_t ahead = 16; // the items lie anywhere in memory
    for (size_t i = 0; i < FChildren.size(); ++i) {
        TKvGridItem* child = FChildren[i];
        if (i + ahead < FChildren.size())
            __builtin_prefetch(FChildren[i + ahead]);
        if (child->GetProvider() == GetProvider()) {
            if (!child->GetLeaf())
                static_cast<const TKvGridGroupItemImpl*>(child)->CollectRows(Rows);
            continue; // a footer
        }
        const int row = child->GetDataRow();
        if (row >= 0)
            Rows.push_back(row);
    }
}

TKvRowIndices TKvGridGroupItemImpl::Rows() const
{
    TKvGridGroupedItemProvider* grouped = Grouped();
    if (grouped->FBuildRowsValid)
        return TKvRowIndices(grouped->FBuildRows).subspan(static_cast<size_t>(FFirstRow),
                                                          static_cast<size_t>(FEndRow - FFirstRow));
    std::vector<int>& rows = grouped->ScratchRows();
    rows.clear();
    CollectRows(rows);
    return rows;
}

void TKvGridGroupItemImpl::Summarize(int Field)
{
    const auto f = static_cast<size_t>(Field);
    if (FSummarized && FSummed[f])
        return;
    if (!FSummarized) {
        FSummed.assign(FSums.size(), 0);
        FSummarized = true;
    }
    if (TKvGridDataProvider* data = GetDataSource()) {
        const TKvRowIndices rows = Rows();
        const Variant* sum = Grouped()->LevelSum(this, Field);
        FSums[f] = sum ? *sum : data->GetRangeSum(Field, rows);
        FMinimums[f] = data->GetRangeMin(Field, rows);
        FMaximums[f] = data->GetRangeMax(Field, rows);
    }
    FSummed[f] = 1;
}

void TKvGridGroupItemImpl::CheckField(int Field) const
{
    if (Field < 0 || static_cast<size_t>(Field) >= FSums.size())
        throw EArgumentOutOfRangeException(QStringLiteral("field: ") + QString::number(Field));
}

double TKvGridGroupItemImpl::FirstValue(int Field) const
{
    const TKvGridItem* first = FLazy ? GetFirstItem() : FChildren.empty() ? nullptr : FChildren.front();
    return first ? AsDouble(first->GetData(Field)) : 0;
}

double TKvGridGroupItemImpl::GetSum(int Field)
{
    if (FSums.empty())
        return FirstValue(Field);
    CheckField(Field);
    Summarize(Field);
    return AsDouble(FSums[static_cast<size_t>(Field)]);
}

double TKvGridGroupItemImpl::GetMax(int Field)
{
    if (FSums.empty())
        return FirstValue(Field);
    CheckField(Field);
    Summarize(Field);
    return AsDouble(FMaximums[static_cast<size_t>(Field)]);
}

double TKvGridGroupItemImpl::GetMin(int Field)
{
    if (FSums.empty())
        return FirstValue(Field);
    CheckField(Field);
    Summarize(Field);
    return AsDouble(FMinimums[static_cast<size_t>(Field)]);
}

double TKvGridGroupItemImpl::GetMean(int Field)
{
    if (FSums.empty())
        return FirstValue(Field);
    CheckField(Field);
    Summarize(Field);
    if (FDescendantCount <= 0)
        return 0;
    return AsDouble(FSums[static_cast<size_t>(Field)]) / FDescendantCount;
}

double TKvGridGroupItemImpl::Variance(int Field)
{
    if (FSums.empty())
        return 0; // one row
    CheckField(Field);
    double& cached = FVariances[static_cast<size_t>(Field)];
    if (!std::isnan(cached))
        return cached;
    TKvGridDataProvider* data = GetDataSource();
    double result = 0;
    if (data) {
        const TKvRowIndices rows = Rows();
        const Variant given = data->GetRangeVar(Field, rows);
        if (!given.IsClear()) {
            result = AsDouble(given);
        } else {
            // Sample variance of the values that read as numbers (Welford's method).
            double mean = 0, m2 = 0;
            int n = 0;
            for (int row : rows) {
                const Variant v = data->GetData(row, Field);
                double x = 0;
                if (v.IsClear() || !v.TryToDouble(x))
                    continue;
                ++n;
                const double delta = x - mean;
                mean += delta / n;
                m2 += delta * (x - mean);
            }
            result = n > 1 ? m2 / (n - 1) : 0;
        }
    }
    cached = result;
    return result;
}

double TKvGridGroupItemImpl::GetVar(int Field) { return Variance(Field); }

double TKvGridGroupItemImpl::GetStdev(int Field)
{
    if (FSums.empty())
        return 0;
    CheckField(Field);
    if (TKvGridDataProvider* data = GetDataSource()) {
        const Variant given = data->GetRangeStdev(Field, Rows());
        if (!given.IsClear())
            return AsDouble(given);
    }
    return std::sqrt(Variance(Field));
}

// --- visible items --------------------------------------------------------------------------

TKvGridItem* TKvGroupedVisibleItems::GetItem(int Index) const
{
    if (Index < 0 || Index >= GetCount())
        RaiseListIndexError(Index, GetCount());
    return FItems[static_cast<size_t>(Index)];
}

void TKvGroupedVisibleItems::Clear()
{
    FItems.clear();
    FTmpList.clear();
    FFixedCount = 0;
}

bool TKvGroupedVisibleItems::IsShown(const TKvGridGroupItemImpl* Group)
{
    for (const TKvGridGroupItem* p = Group->GetParent(); p; p = p->GetParent())
        if (!p->GetExpanded())
            return false;
    return true;
}

void TKvGroupedVisibleItems::Reset()
{
    FItems.clear();
    TKvGridItemProvider* source = FProvider->GetSource();
    const int count = source ? source->GetItemCount() : 0;
    FFixedCount = std::clamp(FProvider->GetFixedCount(), 0, count);
    for (int i = 0; i < FFixedCount; ++i)
        FItems.push_back(source->GetItem(i));
    // The walk numbers the groups it lists.
    for (TKvGridItem* child : FProvider->FRootItem->FChildren)
        WalkChild(child, FItems, false);
}

void TKvGroupedVisibleItems::WalkChild(TKvGridItem* Item, std::vector<TKvGridItem*>& Out, bool Recursive)
{
    if (Item->GetProvider() != FProvider) {
        Out.push_back(Item); // a row of the source
        return;
    }
    if (Item->GetLeaf())
        return; // footers are listed by their group
    auto* group = static_cast<TKvGridGroupItemImpl*>(Item);
    if (group->FExpanded || Recursive)
        WalkExpanded(group, Out, Recursive);
    else
        PushCollapsed(group, Out);
}

void TKvGroupedVisibleItems::WalkExpanded(TKvGridGroupItemImpl* Group, std::vector<TKvGridItem*>& Out, bool Recursive)
{
    Group->FExpanded = true;
    TKvGridGroupFooterImpl* footer = Group->FFooter;
    const TKvGridGroupExpandedStyle style = FProvider->FExpandedStyle;
    Group->FVIndex = static_cast<int>(Out.size());
    if (style == ExpandedFooter && footer) {
        footer->FExpandable = true;
        Out.push_back(footer);
    } else {
        Out.push_back(Group);
    }
    Group->EnsureRows();
    if (Group->FRowsOnly) {
        // Rows are listed without touching them (they lie anywhere in memory).
        for (TKvGridItem* child : Group->FChildren)
            if (child != footer)
                Out.push_back(child);
    } else {
        for (TKvGridItem* child : Group->FChildren)
            WalkChild(child, Out, Recursive);
    }
    if (style == ExpandedBoth && footer) {
        footer->FExpandable = false;
        Out.push_back(footer);
    }
}

void TKvGroupedVisibleItems::PushCollapsed(TKvGridGroupItemImpl* Group, std::vector<TKvGridItem*>& Out)
{
    Group->FVIndex = static_cast<int>(Out.size());
    TKvGridGroupFooterImpl* footer = Group->FFooter;
    switch (FProvider->FCollapsedStyle) {
    case CollapsedFooter:
        if (footer) {
            footer->FExpandable = true;
            Out.push_back(footer);
        } else {
            Out.push_back(Group);
        }
        break;
    case CollapsedBoth:
        Out.push_back(Group);
        if (footer) {
            footer->FExpandable = false;
            Out.push_back(footer);
        }
        break;
    default: Out.push_back(Group); break;
    }
}

void TKvGroupedVisibleItems::WalkAll(const TKvGridGroupItemImpl* Group, std::vector<TKvGridItem*>& Out) const
{
    Group->EnsureRows();
    for (TKvGridItem* child : Group->FChildren) {
        if (child->GetProvider() != FProvider) {
            Out.push_back(child);
            continue;
        }
        if (child->GetLeaf())
            continue;
        const auto* sub = static_cast<const TKvGridGroupItemImpl*>(child);
        const TKvGridGroupExpandedStyle style = FProvider->FExpandedStyle;
        Out.push_back(style == ExpandedFooter && sub->FFooter ? static_cast<TKvGridItem*>(sub->FFooter)
                                                              : const_cast<TKvGridGroupItemImpl*>(sub));
        WalkAll(sub, Out);
        if (style == ExpandedBoth && sub->FFooter)
            Out.push_back(sub->FFooter);
    }
}

void TKvGroupedVisibleItems::AllItems(std::vector<TKvGridItem*>& Out) const
{
    Out.assign(FItems.begin(), FItems.begin() + std::min<size_t>(static_cast<size_t>(FFixedCount), FItems.size()));
    WalkAll(FProvider->FRootItem.get(), Out);
}

int TKvGroupedVisibleItems::ShownSize(const TKvGridGroupItemImpl* Group) const
{
    if (!Group->FExpanded)
        return FProvider->FCollapsedStyle == CollapsedBoth && Group->FFooter ? 2 : 1;
    int size = Group->FLazy ? 1 + Group->FDescendantCount : 1;
    for (TKvGridItem* child : Group->FChildren) {
        if (child->GetProvider() != FProvider)
            ++size;
        else if (!child->GetLeaf())
            size += ShownSize(static_cast<const TKvGridGroupItemImpl*>(child));
    }
    if (FProvider->FExpandedStyle == ExpandedBoth && Group->FFooter)
        ++size;
    return size;
}

void TKvGroupedVisibleItems::Replace(int Position, int OldCount)
{
    const auto pos = static_cast<std::ptrdiff_t>(Position);
    const auto oldCount = static_cast<std::ptrdiff_t>(OldCount);
    const auto newCount = static_cast<std::ptrdiff_t>(FTmpList.size());
    if (newCount > oldCount)
        FItems.insert(FItems.begin() + pos + oldCount, static_cast<size_t>(newCount - oldCount), nullptr);
    else if (newCount < oldCount)
        FItems.erase(FItems.begin() + pos + newCount, FItems.begin() + pos + oldCount);
    std::copy(FTmpList.begin(), FTmpList.end(), FItems.begin() + pos);
    FTmpList.clear();
    // Groups after the replaced entries move by the difference (visited through the tree,
    // not the list); the replaced entries are numbered afresh.
    const int delta = static_cast<int>(newCount - oldCount);
    if (delta != 0)
        Shift(Position + OldCount, delta);
    Renumber(Position, Position + static_cast<int>(newCount));
}

void TKvGroupedVisibleItems::Shift(int From, int Delta)
{
    for (const auto& item : FProvider->FTreeItems)
        if (!item->GetLeaf()) {
            auto* group = static_cast<TKvGridGroupItemImpl*>(item.get());
            if (group->FVIndex >= From)
                group->FVIndex += Delta;
        }
}

void TKvGroupedVisibleItems::InsertRow(int Position, TKvGridItem* Item)
{
    FItems.insert(FItems.begin() + Position, Item);
    Shift(Position, 1);
}

void TKvGroupedVisibleItems::RemoveRow(int Position)
{
    FItems.erase(FItems.begin() + Position);
    Shift(Position + 1, -1);
}

void TKvGroupedVisibleItems::Renumber(int From, int To)
{
    const size_t end = To < 0 ? FItems.size() : std::min(FItems.size(), static_cast<size_t>(To));
    for (size_t i = static_cast<size_t>(std::max(From, 0)); i < end; ++i) {
        TKvGridItem* item = FItems[i];
        if (item->GetProvider() != FProvider)
            continue;
        if (!item->GetLeaf())
            static_cast<TKvGridGroupItemImpl*>(item)->FVIndex = static_cast<int>(i);
        else if (static_cast<TKvGridGroupFooterImpl*>(item)->FExpandable)
            static_cast<TKvGridGroupFooterImpl*>(item)->GetGroup()->FVIndex = static_cast<int>(i);
    }
}

void TKvGroupedVisibleItems::MarkExpanded(TKvGridGroupItemImpl* Group, bool Recursive)
{
    Group->FExpanded = true;
    if (!Recursive)
        return;
    for (TKvGridItem* child : Group->FChildren)
        if (child->GetProvider() == FProvider && !child->GetLeaf())
            MarkExpanded(static_cast<TKvGridGroupItemImpl*>(child), true);
}

bool TKvGroupedVisibleItems::Expand(TKvGridGroupItemImpl* Group, bool Recursive)
{
    if (Group == FProvider->FRootItem.get())
        return false;
    if (Group->FExpanded && !Recursive)
        return false;
    if (!IsShown(Group)) {
        MarkExpanded(Group, Recursive);
        return true;
    }
    const int pos = Group->FVIndex;
    const int oldCount = ShownSize(Group);
    FTmpList.clear();
    WalkExpanded(Group, FTmpList, Recursive);
    Replace(pos, oldCount);
    return true;
}

bool TKvGroupedVisibleItems::Collapse(TKvGridGroupItemImpl* Group)
{
    if (Group == FProvider->FRootItem.get() || !Group->FExpanded)
        return false;
    if (!IsShown(Group)) {
        Group->FExpanded = false;
        return true;
    }
    const int pos = Group->FVIndex;
    const int oldCount = ShownSize(Group);
    Group->FExpanded = false;
    FTmpList.clear();
    PushCollapsed(Group, FTmpList);
    Replace(pos, oldCount);
    return true;
}

// --- provider -------------------------------------------------------------------------------

void TKvGridGroupedItemProvider::Initialize()
{
    FVisibleItems = std::make_unique<TKvGroupedVisibleItems>(this);
    FRootItem = std::make_unique<TRootItem>(this);
    TKvGridProxyItemProvider::Initialize();
}

TKvGridGroupedItemProvider::~TKvGridGroupedItemProvider()
{
    // Deleted without Free: the rows still may not keep the groups freed with it.
    if (FSource)
        ClearItems();
}

void TKvGridGroupedItemProvider::ClearItems()
{
    FPendingParents.RegisterWith(nullptr);
    DetachRows();
    if (FVisibleItems)
        FVisibleItems->Clear();
    if (FRootItem) {
        FRootItem->Clear();
        FRootItem->FDescendantCount = 0;
        FRootItem->FSums.clear();
        FRootItem->FMinimums.clear();
        FRootItem->FMaximums.clear();
        FRootItem->FVariances.clear();
        FRootItem->FSummarized = false;
    }
    FTreeItems.clear();
    FBuildRows.clear();
    FBuildRowsValid = false;
    FLevelSums.clear();
}

void TKvGridGroupedItemProvider::DetachRows()
{
    if (!FTreeItems.empty()) {
        // Row items outlive the tree: none may keep a parent that is about to be freed. Only
        // items their providers still hold are touched (the tree's own references may be stale).
        auto detach = [this](TKvGridItem* item) {
            const TKvGridGroupItem* parent = TKvGridGroupItemImpl::ParentOf(item);
            if (parent && parent->GetProvider() == this)
                TKvGridGroupItemImpl::Detach(item);
        };
        // Only items made so far can have a group; a source that cannot tell is walked whole.
        if (!FSource || !FSource->VisitMadeItems(detach)) {
            TKvGridItemProvider* bottom = BottomSource();
            if (bottom) {
                const TKvGridItems all = bottom->GetAllItems();
                if (all.empty()) {
                    for (int i = 0, n = bottom->GetItemCount(); i < n; ++i)
                        detach(bottom->GetItem(i));
                } else {
                    for (TKvGridItem* item : all)
                        detach(item);
                }
            }
            if (FSource && FSource != bottom)
                for (int i = 0, n = FSource->GetItemCount(); i < n; ++i)
                    detach(FSource->GetItem(i));
        }
    }
}

std::unique_ptr<TKvGridGroupedItemProvider::TGroupsState> TKvGridGroupedItemProvider::TakeGroups()
{
    FPendingParents.RegisterWith(nullptr);
    DetachRows();
    auto state = std::make_unique<TGroupsState>();
    state->Groups = FGroups;
    state->Grouped = FGrouped;
    state->Root = std::exchange(FRootItem, std::make_unique<TRootItem>(this));
    state->Visible = std::exchange(FVisibleItems, std::make_unique<TKvGroupedVisibleItems>(this));
    state->TreeItems = std::exchange(FTreeItems, {});
    state->BuildRows = std::exchange(FBuildRows, {});
    state->BuildRowsValid = std::exchange(FBuildRowsValid, false);
    state->LevelSums = std::exchange(FLevelSums, {});
    return state;
}

void TKvGridGroupedItemProvider::RestoreGroups(std::unique_ptr<TGroupsState> State)
{
    ClearItems();
    FGroups = std::move(State->Groups);
    FGrouped = State->Grouped;
    FRootItem = std::move(State->Root);
    FVisibleItems = std::move(State->Visible);
    FTreeItems = std::move(State->TreeItems);
    FBuildRows = std::move(State->BuildRows);
    FBuildRowsValid = State->BuildRowsValid;
    FLevelSums = std::move(State->LevelSums);
    // The rows a group had listed are its children again; the pending ones are found on ask.
    for (const auto& item : FTreeItems)
        if (auto* group = dynamic_cast<TKvGridGroupItemImpl*>(item.get()); group && !group->FLazy)
            for (TKvGridItem* child : group->FChildren)
                if (child->GetProvider() != this)
                    group->AttachChild(child);
    if (FGrouped && !FTreeItems.empty())
        FPendingParents.RegisterWith(BottomSource());
}

const Variant* TKvGridGroupedItemProvider::LevelSum(TKvGridGroupItemImpl* Group, int Field)
{
    // A few groups are summed one by one (a grid asks for those it shows); after that, the
    // whole level in one pass over the data.
    constexpr int kOneByOne = 8;
    TKvGridDataProvider* data = GetDataSource();
    if (!FBuildRowsValid || !data || Group == FRootItem.get())
        return nullptr;
    const int level = Group->GetLevel();
    TLevelSums& sums = FLevelSums[{level, Field}];
    if (sums.Sums.empty()) {
        if (++sums.Asked <= kOneByOne)
            return nullptr;
        // The groups of a level cover the build's rows in order, one slice after another.
        std::vector<int> ends;
        for (const auto& item : FTreeItems)
            if (!item->GetLeaf() && item->GetLevel() == level) {
                auto* g = static_cast<TKvGridGroupItemImpl*>(item.get());
                g->FLevelIndex = static_cast<int>(ends.size());
                ends.push_back(g->FEndRow);
            }
        sums.Sums.resize(ends.size());
        data->GetRangeSums(Field, FBuildRows, ends, sums.Sums.data());
    }
    return &sums.Sums[static_cast<size_t>(Group->FLevelIndex)];
}

void TKvGridGroupedItemProvider::PopulateItems()
{
    ++FPopulateCount;
    ClearItems();
    FGrouped = !FGroups.empty();
    if (!FGrouped || !FSource || FSource->GetItemCount() == 0)
        return;
    {
        TScopeExit clear([&] { ClearItems(); });
        BuildGroups();
        FVisibleItems->Reset();
        clear.Dismiss();
    }
    // Rows the groups hold but have not made children are given their group when asked.
    FPendingParents.RegisterWith(BottomSource());
}

TKvGridItemProvider* TKvGridGroupedItemProvider::BottomSource() const
{
    TKvGridItemProvider* bottom = FSource;
    while (TKvGridItemProvider* next = SourceOf(bottom))
        bottom = next;
    return bottom;
}

TKvGridGroupItem* TKvGridGroupedItemProvider::TPendingParents::FindParent(const TKvGridItem* Item) const
{
    const TKvGridGroupedItemProvider* owner = FOwner;
    TKvGridItemProvider* source = owner->FSource;
    const int row = Item->GetDataRow();
    if (!owner->FGrouped || !source || row < 0)
        return nullptr;
    const int index = source->ItemOfData(row);
    const int fixed = source->GetFixedCount();
    if (index < fixed || index >= source->GetItemCount() || source->GetItem(index) != Item)
        return nullptr;
    int position = 0;
    TKvGridGroupItemImpl* group = owner->LeafOf(index - fixed, position);
    if (!group || !group->FLazy)
        return nullptr;
    group->EnsureRows();
    return TKvGridGroupItemImpl::ParentOf(Item);
}

void TKvGridGroupedItemProvider::SizeArrays(TKvGridGroupItemImpl* Group) const
{
    TKvGridDataProvider* data = GetDataSource();
    const int fieldCount = data ? data->GetFieldCount() : 0;
    if (fieldCount <= 0 || !Group->FSums.empty())
        return;
    const auto n = static_cast<size_t>(fieldCount);
    Group->FSums.resize(n);
    Group->FMinimums.resize(n);
    Group->FMaximums.resize(n);
    Group->FVariances.assign(n, NotComputed);
}

namespace {
// The grouping relation: equality in the total variant order, the common same-kind cases first.
inline bool SameGroupValue(const Variant& a, const Variant& b) noexcept
{
    if (a.IsString() && b.IsString())
        return a.StringUnchecked() == b.StringUnchecked();
    if (a.IsInteger() && b.IsInteger())
        return a.IntUnchecked() == b.IntUnchecked();
    return VarCompareTotal(a, b) == 0;
}

// A group field's value of a data row; a field the data does not have (after its columns
// changed) or an item without a row reads as unassigned.
inline Variant GroupValue(const TKvGridDataProvider* Data, int FieldCount, int Row, int Field)
{
    return Row >= 0 && Field >= 0 && Field < FieldCount ? Data->GetData(Row, Field) : Variant();
}
} // namespace

struct TKvGridGroupedItemProvider::TBuild
{
    // The source's fixed items; the data rows of the items after them, read once.
    int Fixed = 0;
    std::vector<int> Rows;
    TKvGridDataProvider* Data = nullptr;
    int FieldCount = 0;
    // Per level: the field's values in place, or else copies in item order (none when the
    // source told where its values change).
    std::vector<const Variant*> Columns;
    std::vector<std::vector<Variant>> Copies;
    const Variant Unassigned;
    // Where the group values change: the entry and the first level whose value differs from
    // the entry before it, in entry order.
    struct TBound
    {
        size_t Position;
        int Level;
    };
    std::vector<TBound> Bounds;

    void ReadLevels(const TKvIntegerArray& Fields)
    {
        Columns.assign(Fields.size(), nullptr);
        Copies.resize(Fields.size());
        // Rows outside the table (data changed under an update) are read the checked way.
        const int rowCount = Data->GetRowCount();
        const bool inTable = std::all_of(Rows.begin(), Rows.end(), [&](int r) { return r < rowCount; });
        for (size_t level = 0; level < Fields.size(); ++level) {
            const int field = Fields[level];
            if (field < 0 || field >= FieldCount)
                continue;
            Columns[level] = inTable ? Data->GetKeptFieldValues(field) : nullptr;
            if (Columns[level])
                continue;
            Copies[level].reserve(Rows.size());
            for (int row : Rows)
                Copies[level].push_back(GroupValue(Data, FieldCount, row, field));
        }
    }
    // Sorted rows lie anywhere in the column: fetched ahead.
    void Prefetch(size_t Index, int Level) const
    {
        if (const Variant* column = Columns[static_cast<size_t>(Level)]; column && Rows[Index] >= 0)
            __builtin_prefetch(&column[static_cast<size_t>(Rows[Index])]);
    }
    const Variant& Value(size_t Index, int Level) const
    {
        const auto level = static_cast<size_t>(Level);
        if (const Variant* column = Columns[level])
            return Rows[Index] >= 0 ? column[static_cast<size_t>(Rows[Index])] : Unassigned;
        return Copies[level].empty() ? Unassigned : Copies[level][Index];
    }
    // The group value of an entry.
    Variant Key(size_t Index, const TKvIntegerArray& Fields, int Level) const
    {
        if (Columns.empty())
            return GroupValue(Data, FieldCount, Rows[Index], Fields[static_cast<size_t>(Level)]);
        return Value(Index, Level);
    }
    // Where the values change, read entry by entry; a level is read only where the levels
    // above it are equal.
    void FindBounds(int Levels)
    {
        const size_t n = Rows.size();
        for (size_t i = 1; i < n; ++i) {
            if (i + 64 < n)
                for (int level = 0; level < Levels; ++level)
                    Prefetch(i + 64, level); // far ahead: memory is slow to answer
            for (int level = 0; level < Levels; ++level)
                if (!SameGroupValue(Value(i, level), Value(i - 1, level))) {
                    Bounds.push_back({i, level});
                    break;
                }
        }
    }
    // The changes a sort of the source found, when it ordered these entries by the group
    // fields (in front of any others); false when it did not.
    bool TakeRuns(const TKvGridValueRuns* Runs, const TKvIntegerArray& Fields, int Fixed)
    {
        const auto n = static_cast<int>(Rows.size());
        if (!Runs || Runs->Fields.size() < Fields.size() ||
            !std::equal(Fields.begin(), Fields.end(), Runs->Fields.begin()) || Runs->First > Fixed ||
            Runs->First + Runs->Count < Fixed + n)
            return false;
        const auto levels = static_cast<int>(Fields.size());
        for (size_t k = 0; k < Runs->Starts.size(); ++k) {
            const int at = Runs->First + Runs->Starts[k] - Fixed;
            if (at > 0 && at < n && Runs->Levels[k] < levels)
                Bounds.push_back({static_cast<size_t>(at), Runs->Levels[k]});
        }
        return true;
    }
};

void TKvGridGroupedItemProvider::BuildGroups()
{
    const int count = FSource->GetItemCount();
    const int fixed = std::clamp(FSource->GetFixedCount(), 0, count);
    TBuild build;
    build.Data = GetDataSource();
    if (count <= fixed || !build.Data)
        return;
    build.FieldCount = build.Data->GetFieldCount();
    build.Fixed = fixed;
    const auto n = static_cast<size_t>(count - fixed);
    build.Rows.swap(FBuildRows); // the last build's storage, emptied by ClearItems
    build.Rows.resize(n);
    FSource->GetDataRows(fixed, static_cast<int>(n), build.Rows.data());
    // A sort of the source by the group fields told where their values change; else the
    // values are read.
    if (!build.TakeRuns(FSource->GetValueRuns(), FGroups, fixed)) {
        build.ReadLevels(FGroups);
        build.FindBounds(GetGroupCount());
    }
    FRootItem->FFirstRow = 0;
    FRootItem->FEndRow = static_cast<int>(n);
    BuildLevel(build, FRootItem.get(), 0, n, 0, build.Bounds.size(), 0);
    // The groups read their rows from their slices while no row is -1 (such rows are skipped).
    FBuildRows = std::move(build.Rows);
    FBuildRowsValid = std::none_of(FBuildRows.begin(), FBuildRows.end(), [](int r) { return r < 0; });
}

void TKvGridGroupedItemProvider::BuildLevel(const TBuild& Build, TKvGridGroupItemImpl* Parent, size_t Start,
                                            size_t End, size_t BoundFirst, size_t BoundEnd, int Level)
{
    if (Level < GetGroupCount()) {
        SizeArrays(Parent);
        const int field = FGroups[static_cast<size_t>(Level)];
        auto makeGroup = [&](size_t first, size_t last, size_t boundFirst, size_t boundEnd) {
            auto group = std::make_unique<TKvGridGroupItemImpl>(this, field, FExpandWhenGrouping);
            TKvGridGroupItemImpl* g = group.get();
            FTreeItems.push_back(std::move(group));
            g->FKey = Build.Key(first, FGroups, Level);
            g->FRowsOnly = Level + 1 == GetGroupCount();
            g->FFirstRow = static_cast<int>(first);
            g->FEndRow = static_cast<int>(last);
            Parent->AddChild(g);
            BuildLevel(Build, g, first, last, boundFirst, boundEnd, Level + 1);
            auto footer = std::make_unique<TKvGridGroupFooterImpl>(this);
            g->FFooter = footer.get();
            g->AddChild(footer.get());
            FTreeItems.push_back(std::move(footer));
        };
        // A group ends where this level's value or one above it changes.
        size_t start = Start, startBound = BoundFirst;
        for (size_t b = BoundFirst; b < BoundEnd; ++b) {
            const TBuild::TBound& bound = Build.Bounds[b];
            if (bound.Level > Level)
                continue;
            makeGroup(start, bound.Position, startBound, b);
            start = bound.Position;
            startBound = b + 1;
        }
        makeGroup(start, End, startBound, BoundEnd);
        return;
    }
    // The rows become children when the group is first listed or asked for them.
    const auto count = static_cast<int>(End - Start);
    if (count >= 2)
        SizeArrays(Parent);
    Parent->FLazy = true;
    Parent->FSourceFirst = Build.Fixed + static_cast<int>(Start);
    for (TKvGridGroupItem* g = Parent; g; g = g->GetParent())
        static_cast<TKvGridGroupItemImpl*>(g)->FDescendantCount += count;
}

void TKvGridGroupedItemProvider::GroupBy(const TKvIntegerArray& Fields)
{
    if (TKvGridDataProvider* data = GetDataSource())
        for (int field : Fields)
            if (field < 0 || field >= data->GetFieldCount())
                throw EArgumentOutOfRangeException(QStringLiteral("field: ") + QString::number(field));
    FGroups = Fields;
    PopulateItems();
    FireRefresh();
}

void TKvGridGroupedItemProvider::AddGroupBy(int Level, int Field)
{
    if (IsGroupedField(Field))
        return;
    TKvIntegerArray fields = FGroups;
    Level = std::clamp(Level, 0, GetGroupCount());
    fields.insert(fields.begin() + Level, Field);
    GroupBy(fields);
}

void TKvGridGroupedItemProvider::RemoveGroupBy(int Field)
{
    if (!IsGroupedField(Field))
        return;
    TKvIntegerArray fields = FGroups;
    fields.erase(std::find(fields.begin(), fields.end(), Field));
    GroupBy(fields);
}

bool TKvGridGroupedItemProvider::IsGroupedField(int Field) const
{
    return std::find(FGroups.begin(), FGroups.end(), Field) != FGroups.end();
}

void TKvGridGroupedItemProvider::SetExpandedStyle(TKvGridGroupExpandedStyle Value)
{
    if (Value == FExpandedStyle)
        return;
    FExpandedStyle = Value;
    if (FGrouped) {
        FVisibleItems->Reset();
        FireRefresh();
    }
}

void TKvGridGroupedItemProvider::SetCollapsedStyle(TKvGridGroupCollapsedStyle Value)
{
    if (Value == FCollapsedStyle)
        return;
    FCollapsedStyle = Value;
    if (FGrouped) {
        FVisibleItems->Reset();
        FireRefresh();
    }
}

TKvGridGroupItemImpl* TKvGridGroupedItemProvider::GroupOf(TKvGridItem* Item) const
{
    if (!Item || Item->GetProvider() != this)
        return nullptr;
    if (!Item->GetLeaf())
        return static_cast<TKvGridGroupItemImpl*>(Item);
    return static_cast<TKvGridGroupFooterImpl*>(Item)->GetGroup();
}

void TKvGridGroupedItemProvider::Expand(TKvGridItem* Item, bool Recursive)
{
    KV_ASSERT(Item, "item is nil");
    TKvGridGroupItemImpl* group = GroupOf(Item);
    if (group && FVisibleItems->Expand(group, Recursive))
        FireRefresh();
}

void TKvGridGroupedItemProvider::Collapse(TKvGridItem* Item)
{
    KV_ASSERT(Item, "item is nil");
    TKvGridGroupItemImpl* group = GroupOf(Item);
    if (group && FVisibleItems->Collapse(group))
        FireRefresh();
}

int TKvGridGroupedItemProvider::GetItemCount() const
{
    if (FGrouped)
        return FVisibleItems->GetCount();
    return FSource ? FSource->GetItemCount() : 0;
}

TKvGridItem* TKvGridGroupedItemProvider::GetItem(int Index) const
{
    if (FGrouped)
        return FVisibleItems->GetItem(Index);
    if (!FSource)
        RaiseListIndexError(Index, 0);
    return FSource->GetItem(Index);
}

int TKvGridGroupedItemProvider::GetRowCount() const
{
    if (FGrouped)
        return FRootItem->FDescendantCount;
    return FSource ? FSource->GetRowCount() : 0;
}

int TKvGridGroupedItemProvider::IndexOfItem(const TKvGridItem* Item) const
{
    if (!Item)
        return -1;
    if (!FGrouped) {
        for (int i = 0, n = GetItemCount(); i < n; ++i)
            if (GetItem(i) == Item)
                return i;
        return -1;
    }
    const std::vector<TKvGridItem*>& items = FVisibleItems->Items();
    const int count = static_cast<int>(items.size());
    auto at = [&](int p) { return p >= 0 && p < count && items[static_cast<size_t>(p)] == Item; };
    const TKvGridGroupItemImpl* group = nullptr;
    if (Item->GetProvider() == this) {
        group = Item->GetLeaf() ? static_cast<const TKvGridGroupFooterImpl*>(Item)->GetGroup()
                                : static_cast<const TKvGridGroupItemImpl*>(Item);
        if (!TKvGroupedVisibleItems::IsShown(group))
            return -1;
        if (at(group->FVIndex))
            return group->FVIndex;
        if (at(group->FVIndex + 1))
            return group->FVIndex + 1;
    } else {
        // A row of a group with pending rows is not listed.
        const TKvGridGroupItem* parent = TKvGridGroupItemImpl::ParentOf(Item);
        if (!parent || parent->GetProvider() != this) {
            // A fixed item, or none of ours.
            for (int i = 0; i < FVisibleItems->GetFixedCount(); ++i)
                if (at(i))
                    return i;
            return -1;
        }
        group = static_cast<const TKvGridGroupItemImpl*>(parent);
        if (!group->FExpanded || !TKvGroupedVisibleItems::IsShown(group))
            return -1;
        const auto& children = group->FChildren;
        const auto it = std::find(children.begin(), children.end(), Item);
        if (it != children.end()) {
            const int p = group->FVIndex + 1 + static_cast<int>(it - children.begin());
            if (at(p))
                return p;
        }
    }
    for (int i = count - 1; i >= 0; --i)
        if (at(i))
            return i;
    return -1;
}

int TKvGridGroupedItemProvider::VisibleIndexOfSource(int SourceIndex) const
{
    if (!FSource || SourceIndex < 0 || SourceIndex >= FSource->GetItemCount())
        return -1;
    return IndexOfItem(FSource->GetItem(SourceIndex));
}

int TKvGridGroupedItemProvider::ItemOfData(int DataRow) const
{
    if (!FSource)
        return -1;
    const int s = FSource->ItemOfData(DataRow);
    if (!FGrouped || s < 0)
        return s;
    return VisibleIndexOfSource(s);
}

bool TKvGridGroupedItemProvider::VisitMadeItems(const std::function<void(TKvGridItem*)>& Visit) const
{
    for (const auto& item : FTreeItems)
        Visit(item.get());
    return !FSource || FSource->VisitMadeItems(Visit);
}

TKvGridItems TKvGridGroupedItemProvider::GetAllItems() const
{
    TKvGridItems out;
    if (FGrouped) {
        FVisibleItems->AllItems(out);
    } else if (FSource) {
        for (int i = 0, n = FSource->GetItemCount(); i < n; ++i)
            out.push_back(FSource->GetItem(i));
    }
    return out;
}

int TKvGridGroupedItemProvider::FindItem(const TKvIntegerArray& Fields, const TVariantArray& Values,
                                         TKvGridSearchOptions Options, int StartIndex, int EndIndex) const
{
    return FindDataItem(Fields, Values, Options, StartIndex, EndIndex);
}

TKvGridGroupItemImpl* TKvGridGroupedItemProvider::LeafOf(int Offset, int& Position) const
{
    TKvGridGroupItemImpl* group = FRootItem.get();
    for (int level = 0; level < GetGroupCount(); ++level) {
        TKvGridGroupItemImpl* next = nullptr;
        for (TKvGridItem* child : group->FChildren) {
            if (child->GetProvider() != this || child->GetLeaf())
                continue; // a footer
            auto* sub = static_cast<TKvGridGroupItemImpl*>(child);
            if (Offset < sub->FDescendantCount) {
                next = sub;
                break;
            }
            Offset -= sub->FDescendantCount;
        }
        if (!next)
            return nullptr;
        group = next;
    }
    Position = Offset;
    return Offset >= 0 && Offset < group->FDescendantCount ? group : nullptr;
}

bool TKvGridGroupedItemProvider::BelongsTo(const TKvGridGroupItemImpl* Group, int Row) const
{
    const TKvGridDataProvider* data = GetDataSource();
    const int fieldCount = data->GetFieldCount();
    for (const TKvGridGroupItemImpl* g = Group; g && g != FRootItem.get();
         g = static_cast<const TKvGridGroupItemImpl*>(g->GetParent()))
        if (!SameGroupValue(GroupValue(data, fieldCount, Row, g->FField), g->FKey))
            return false;
    return true;
}

void TKvGridGroupedItemProvider::RowsChanged(TKvGridGroupItemImpl* Group, int Delta, int Position)
{
    for (TKvGridGroupItemImpl* g = Group; g; g = static_cast<TKvGridGroupItemImpl*>(g->GetParent())) {
        g->FDescendantCount += Delta;
        g->InvalidateSummary();
    }
    // As built: a group of one row has no aggregate arrays (it reads its row).
    if (Group->FDescendantCount >= 2) {
        SizeArrays(Group);
    } else {
        Group->FSums.clear();
        Group->FMinimums.clear();
        Group->FMaximums.clear();
        Group->FVariances.clear();
    }
    if (Position != 0)
        return;
    // A new first row gives the groups it now leads their keys, as a build would.
    const TKvGridDataProvider* data = GetDataSource();
    const TKvGridItem* first = Group->GetFirstItem();
    if (!first)
        return;
    const int row = first->GetDataRow();
    for (TKvGridGroupItemImpl* g = Group; g != FRootItem.get();) {
        g->FKey = GroupValue(data, data->GetFieldCount(), row, g->FField);
        auto* parent = static_cast<TKvGridGroupItemImpl*>(g->GetParent());
        if (parent->FChildren.front() != g)
            break;
        g = parent;
    }
}

bool TKvGridGroupedItemProvider::SourceItemInserted(int Index)
{
    const int count = FSource->GetItemCount();
    if (!GetDataSource() || FSource->GetFixedCount() != 0 || Index < 0 || Index >= count)
        return false;
    TKvGridItem* item = FSource->GetItem(Index);
    const int row = item->GetDataRow();
    // The row joins the group of the row before it or of the row after it; a row that
    // starts a group of its own, or splits one, regroups everything.
    TKvGridGroupItemImpl* group = nullptr;
    int position = 0;
    if (Index > 0)
        if (TKvGridGroupItemImpl* g = LeafOf(Index - 1, position); g && BelongsTo(g, row)) {
            group = g;
            ++position;
        }
    if (!group && Index < count - 1)
        if (TKvGridGroupItemImpl* g = LeafOf(Index, position); g && BelongsTo(g, row))
            group = g;
    if (!group)
        return false;
    // A group whose rows are pending only counts the new one.
    if (!group->FLazy)
        group->InsertChild(position, item);
    ShiftPendingRows(group, Index, 1);
    FBuildRowsValid = false;
    RowsChanged(group, 1, position);
    if (group->FExpanded && TKvGroupedVisibleItems::IsShown(group))
        FVisibleItems->InsertRow(group->FVIndex + 1 + position, item);
    return true;
}

bool TKvGridGroupedItemProvider::SourceItemDeleted(int Index)
{
    int position = 0;
    TKvGridGroupItemImpl* group = FSource->GetFixedCount() == 0 && GetDataSource() ? LeafOf(Index, position) : nullptr;
    // A group that empties goes away: regrouped.
    if (!group || group->FDescendantCount < 2)
        return false;
    // The item is gone with its provider: only its place is used.
    if (!group->FLazy)
        group->FChildren.erase(group->FChildren.begin() + position);
    ShiftPendingRows(group, Index, -1);
    FBuildRowsValid = false;
    RowsChanged(group, -1, position);
    if (group->FExpanded && TKvGroupedVisibleItems::IsShown(group))
        FVisibleItems->RemoveRow(group->FVIndex + 1 + position);
    return true;
}

void TKvGridGroupedItemProvider::ShiftPendingRows(const TKvGridGroupItemImpl* Except, int From, int Delta)
{
    for (const auto& item : FTreeItems)
        if (!item->GetLeaf() && item.get() != Except) {
            auto* group = static_cast<TKvGridGroupItemImpl*>(item.get());
            if (group->FLazy && (group->FSourceFirst > From || (Delta > 0 && group->FSourceFirst == From)))
                group->FSourceFirst += Delta;
        }
}

void TKvGridGroupedItemProvider::Regroup()
{
    // The row now belongs to another group: the source is asked to order its items again,
    // and its refresh rebuilds the groups. A source that sends nothing is regrouped here.
    const unsigned before = FPopulateCount;
    FSource->ResetItems();
    const bool rebuilt = FPopulateCount != before;
    if (!rebuilt) {
        PopulateItems();
        FireRefresh();
    }
}

void TKvGridGroupedItemProvider::Source_ItemUpdated(int Index)
{
    if (!FGrouped) {
        FireItemUpdated(Index);
        return;
    }
    if (!FSource || Index < 0 || Index >= FSource->GetItemCount()) {
        FireRefresh();
        return;
    }
    TKvGridItem* item = FSource->GetItem(Index);
    const TKvGridGroupItem* parent = TKvGridGroupItemImpl::ParentOf(item);
    TKvGridDataProvider* data = GetDataSource();
    if (!parent && data && Index >= FSource->GetFixedCount()) {
        // A row of a group whose rows are pending: found by its place.
        int position = 0;
        parent = LeafOf(Index - FSource->GetFixedCount(), position);
    }
    if (parent && parent->GetProvider() == this && data) {
        const int fieldCount = data->GetFieldCount();
        for (auto* g = static_cast<const TKvGridGroupItemImpl*>(parent); g && g != FRootItem.get();
             g = static_cast<const TKvGridGroupItemImpl*>(g->GetParent()))
            if (!SameGroupValue(GroupValue(data, fieldCount, item->GetDataRow(), g->FField), g->FKey)) {
                Regroup();
                return;
            }
        for (auto* g = static_cast<TKvGridGroupItemImpl*>(const_cast<TKvGridGroupItem*>(parent)); g;
             g = static_cast<TKvGridGroupItemImpl*>(g->GetParent()))
            g->InvalidateSummary();
    }
    const int p = IndexOfItem(item);
    if (p >= 0)
        FireItemUpdated(p);
    else
        FireRefresh();
}

void TKvGridGroupedItemProvider::Source_ItemChecked(int Index)
{
    if (!FGrouped) {
        FireItemChecked(Index);
        return;
    }
    const int p = VisibleIndexOfSource(Index);
    if (p >= 0)
        FireItemChecked(p);
    else
        FireRefresh();
}

void TKvGridGroupedItemProvider::Source_ItemStateChanged(int Index)
{
    if (!FGrouped) {
        FireItemStateChanged(Index);
        return;
    }
    const int p = VisibleIndexOfSource(Index);
    if (p >= 0)
        FireItemStateChanged(p);
    else
        FireRefresh();
}

} // namespace kv
