// Selection items, the default selection manager and the selection sprites.
//
// Sections: items (block, rows, columns); manager; sprites.
//
// Call flow: the selection tool and its trackers call the manager's Add, ClearAndAdd and
// Clear and an item's Resize; each change goes to the listeners, of which the grid view
// re-lays out its selection views. The sprites (one view per item, and the merged mask) draw
// in the grid's selection layer, clipped to the cell area and around the focused cell.
#include "grid/KvGrids.Selection.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.View.h"
#include "graphics/KvGrids.Common.Drawing.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>

namespace kv {

namespace {

std::int64_t DistanceOf(const TKvGridColumn* column) { return column ? column->GetDistance() : -1; }

TKvGridColumn* DataRootOf(TKvGridColumn* column)
{
    if (!column)
        return nullptr;
    return column->GetDataRoot() ? column->GetDataRoot() : column;
}

bool RectsMeet(const TRect& a, const TRect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

TRect RectUnion(const TRect& a, const TRect& b)
{
    if (a.IsEmpty())
        return b;
    if (b.IsEmpty())
        return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

TRect RectIntersection(const TRect& a, const TRect& b)
{
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? TRect{} : r;
}

} // namespace

// ---- items -----------------------------------------------------------------------------

void TKvGridSelectionItem::Changed()
{
    if (FManager)
        FManager->ItemChanged(this);
}

TKvBlockSelection::TKvBlockSelection(TKvGridSelectionManager* manager, const TKvGridCellIndex& from,
                                     const TKvGridCellIndex& to)
    : TKvGridSelectionItem(manager), FTopLeft(from), FBottomRight(to)
{
}

bool TKvBlockSelection::Contains(const TKvGridCellIndex& index) const { return GetBounds().Contains(index); }

TKvGridRange TKvBlockSelection::GetBounds() const
{
    if (IsSingleCell())
        return TKvGridRange(FTopLeft);
    TKvGridCellIndex a = FTopLeft;
    TKvGridCellIndex b = FBottomRight;
    a.Column = DataRootOf(a.Column);
    b.Column = DataRootOf(b.Column);
    return TKvGridRange::Create(a, b);
}

bool TKvBlockSelection::IntersectsWith(const TKvGridSelectionItem* item) const
{
    return item && GetBounds().Intersects(item->GetBounds());
}

void TKvBlockSelection::Resize(const TKvGridCellIndex& index)
{
    if (index == FBottomRight)
        return;
    FBottomRight = index;
    Changed();
}

QString TKvBlockSelection::ToString() const
{
    return QStringLiteral("SEL(") + FTopLeft.ToString() + QStringLiteral(",") + FBottomRight.ToString() +
           QStringLiteral(")");
}

TKvRowsSelection::TKvRowsSelection(TKvGridSelectionManager* manager, TKvGridView* grid, int fromItem, int toItem)
    : TKvGridSelectionItem(manager), FGrid(grid), FStartRow(fromItem), FEndRow(toItem)
{
}

TKvGridCellIndex TKvRowsSelection::GetLastIndex() const { return TKvGridCellIndex(FGrid, FEndRow, nullptr); }

bool TKvRowsSelection::Contains(const TKvGridCellIndex& index) const
{
    return index.ItemIndex >= std::min(FStartRow, FEndRow) && index.ItemIndex <= std::max(FStartRow, FEndRow);
}

TKvGridRange TKvRowsSelection::GetBounds() const
{
    TKvGridColumnGroup* root = FGrid ? FGrid->GetRootGroup() : nullptr;
    return TKvGridRange(std::min(FStartRow, FEndRow), std::max(FStartRow, FEndRow), root ? root->First() : nullptr,
                        root ? root->Last() : nullptr);
}

bool TKvRowsSelection::IntersectsWith(const TKvGridSelectionItem* item) const
{
    if (!item)
        return false;
    // Whole rows meet another item when their rows overlap.
    const TKvGridRange a = GetBounds();
    const TKvGridRange b = item->GetBounds();
    if (item->GetStyle() == SelectRows || !a.C1)
        return a.R1 <= b.R2 && b.R1 <= a.R2;
    return a.Intersects(b);
}

void TKvRowsSelection::MergeWidth(const TKvGridSelectionItem* item)
{
    const auto* other = dynamic_cast<const TKvRowsSelection*>(item);
    if (!other)
        return;
    const int lo = std::min({FStartRow, FEndRow, other->FStartRow, other->FEndRow});
    const int hi = std::max({FStartRow, FEndRow, other->FStartRow, other->FEndRow});
    if (lo == FStartRow && hi == FEndRow)
        return;
    FStartRow = lo;
    FEndRow = hi;
    Changed();
}

void TKvRowsSelection::Resize(const TKvGridCellIndex& index)
{
    const int count = FGrid ? FGrid->GetItemCount() : 0;
    const int row = std::max(0, std::min(index.ItemIndex, count - 1));
    if (row == FEndRow)
        return;
    FEndRow = row;
    Changed();
}

QString TKvRowsSelection::ToString() const
{
    return QStringLiteral("SEL(R:%1,%2)").arg(FStartRow).arg(FEndRow);
}

TKvColumnsSelection::TKvColumnsSelection(TKvGridSelectionManager* manager, TKvGridView* grid,
                                         const TKvGridCellIndex& from, const TKvGridCellIndex& to)
    : TKvGridSelectionItem(manager), FGrid(grid), FStartColumn(DataRootOf(from.Column)),
      FEndColumn(DataRootOf(to.Column))
{
}

TKvGridCellIndex TKvColumnsSelection::GetLastIndex() const { return TKvGridCellIndex(FGrid, -1, FEndColumn); }

bool TKvColumnsSelection::Contains(const TKvGridCellIndex& index) const
{
    TKvGridColumn* root = DataRootOf(index.Column);
    if (!root)
        return false;
    const std::int64_t d = root->GetDistance();
    const std::int64_t a = DistanceOf(FStartColumn);
    const std::int64_t b = DistanceOf(FEndColumn);
    return d >= std::min(a, b) && d <= std::max(a, b);
}

TKvGridRange TKvColumnsSelection::GetBounds() const
{
    const bool startFirst = DistanceOf(FStartColumn) <= DistanceOf(FEndColumn);
    const int last = FGrid ? FGrid->GetItemCount() - 1 : -1;
    return TKvGridRange(0, last, startFirst ? FStartColumn : FEndColumn, startFirst ? FEndColumn : FStartColumn);
}

bool TKvColumnsSelection::IntersectsWith(const TKvGridSelectionItem* item) const
{
    if (!item)
        return false;
    if (const auto* other = dynamic_cast<const TKvColumnsSelection*>(item)) {
        const std::int64_t a1 = std::min(DistanceOf(FStartColumn), DistanceOf(FEndColumn));
        const std::int64_t a2 = std::max(DistanceOf(FStartColumn), DistanceOf(FEndColumn));
        const std::int64_t b1 = std::min(DistanceOf(other->FStartColumn), DistanceOf(other->FEndColumn));
        const std::int64_t b2 = std::max(DistanceOf(other->FStartColumn), DistanceOf(other->FEndColumn));
        return a1 <= b2 && b1 <= a2;
    }
    return GetBounds().Intersects(item->GetBounds());
}

void TKvColumnsSelection::MergeWidth(const TKvGridSelectionItem* item)
{
    const auto* other = dynamic_cast<const TKvColumnsSelection*>(item);
    if (!other)
        return;
    TKvGridColumn* all[] = {FStartColumn, FEndColumn, other->FStartColumn, other->FEndColumn};
    auto byDistance = [](TKvGridColumn* a, TKvGridColumn* b) { return DistanceOf(a) < DistanceOf(b); };
    TKvGridColumn* lo = *std::min_element(std::begin(all), std::end(all), byDistance);
    TKvGridColumn* hi = *std::max_element(std::begin(all), std::end(all), byDistance);
    if (lo == FStartColumn && hi == FEndColumn)
        return;
    FStartColumn = lo;
    FEndColumn = hi;
    Changed();
}

void TKvColumnsSelection::Resize(const TKvGridCellIndex& index)
{
    TKvGridColumn* column = DataRootOf(index.Column);
    if (column == FEndColumn)
        return;
    FEndColumn = column;
    Changed();
}

QString TKvColumnsSelection::ToString() const
{
    return QStringLiteral("SEL(H:%1,%2)")
        .arg(FStartColumn ? FStartColumn->GetDisplayIndex() : -1)
        .arg(FEndColumn ? FEndColumn->GetDisplayIndex() : -1);
}

// ---- manager ---------------------------------------------------------------------------

TKvDefaultGridSelectionManager::TKvDefaultGridSelectionManager(TKvGridView* grid)
    : TKvGridSelectionManager(grid), FFocused(TKvGridCellIndex::Null())
{
}

TKvDefaultGridSelectionManager::~TKvDefaultGridSelectionManager() = default;

TKvGridSelectionItem* TKvDefaultGridSelectionManager::GetItem(int i) const
{
    if (i < 0 || i >= GetCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(i));
    return FItems[static_cast<size_t>(i)].get();
}

TKvGridSelectionItem* TKvDefaultGridSelectionManager::GetCurrent() const
{
    return FItems.empty() ? nullptr : FItems.back().get();
}

void TKvDefaultGridSelectionManager::ItemChanged(TKvGridSelectionItem* item)
{
    FListeners.Notify([&](TKvGridSelectionChangeListener* l) { l->ItemChanged(this, item); });
}

void TKvDefaultGridSelectionManager::AddChangeListener(TKvGridSelectionChangeListener* listener)
{
    FListeners.Add(listener);
}

void TKvDefaultGridSelectionManager::RemoveChangeListener(TKvGridSelectionChangeListener* listener)
{
    FListeners.Remove(listener);
}

bool TKvDefaultGridSelectionManager::IsSingleCell() const
{
    return FItems.empty() || (FItems.size() == 1 && FItems.front()->IsSingleCell());
}

TKvGridSelectionItem* TKvDefaultGridSelectionManager::CreateItem(const TKvGridCellIndex& from,
                                                                 const TKvGridCellIndex& to,
                                                                 TKvGridSelectionStyle style)
{
    switch (style) {
    case SelectRows: return new TKvRowsSelection(this, FGrid, from.ItemIndex, to.ItemIndex);
    case SelectColumns: return new TKvColumnsSelection(this, FGrid, from, to);
    default: return new TKvBlockSelection(this, from, to);
    }
}

TKvGridSelectionItem* TKvDefaultGridSelectionManager::Add(const TKvGridCellIndex& from, const TKvGridCellIndex& to,
                                                          TKvGridSelectionStyle style)
{
    FItems.emplace_back(CreateItem(from, to, style));
    TKvGridSelectionItem* item = FItems.back().get();
    FListeners.Notify([&](TKvGridSelectionChangeListener* l) { l->ItemAdded(this, item); });
    return item;
}

void TKvDefaultGridSelectionManager::Clear()
{
    if (FItems.empty())
        return;
    // Listeners hear Cleared while the items are gone: nothing can reach a freed one.
    auto items = std::move(FItems);
    FItems.clear();
    items.clear();
    FListeners.Notify([&](TKvGridSelectionChangeListener* l) { l->Cleared(this); });
}

void TKvDefaultGridSelectionManager::RemoveAt(size_t i)
{
    std::unique_ptr<TKvGridSelectionItem> item = std::move(FItems[i]);
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(i));
    FListeners.Notify([&](TKvGridSelectionChangeListener* l) { l->ItemRemoved(this, item.get()); });
}

void TKvDefaultGridSelectionManager::ClearOthers(TKvGridSelectionStyle style)
{
    for (size_t i = FItems.size(); i-- > 0;)
        if (i < FItems.size() && FItems[i]->GetStyle() != style)
            RemoveAt(i);
}

TKvGridSelectionItem* TKvDefaultGridSelectionManager::ClearAndAdd(const TKvGridCellIndex& from,
                                                                  const TKvGridCellIndex& to,
                                                                  TKvGridSelectionStyle style)
{
    Clear();
    return Add(from, to, style);
}

void TKvDefaultGridSelectionManager::Remove(TKvGridSelectionItem* item)
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == item) {
            RemoveAt(i);
            return;
        }
}

bool TKvDefaultGridSelectionManager::Intersects(const TKvGridSelectionItem* item1,
                                                const TKvGridSelectionItem* item2) const
{
    if (!item1)
        throw EArgumentNilException("item1");
    if (!item2)
        throw EArgumentNilException("item2");
    return item1->IntersectsWith(item2);
}

TKvGridSelectionItem* TKvDefaultGridSelectionManager::Merge(TKvGridSelectionItem* item1, TKvGridSelectionItem* item2)
{
    if (!item1)
        throw EArgumentNilException("item1");
    if (!item2)
        throw EArgumentNilException("item2");
    return item1;
}

void TKvDefaultGridSelectionManager::Normalize()
{
    bool changed = true;
    while (changed) {
        changed = false;
        for (int i = GetCount() - 2; i >= 0 && GetCount() >= 2; --i) {
            TKvGridSelectionItem* last = FItems.back().get();
            TKvGridSelectionItem* item = FItems[static_cast<size_t>(i)].get();
            if (item->IntersectsWith(last)) {
                item->MergeWidth(last);
                RemoveAt(FItems.size() - 1);
                changed = true;
            }
        }
    }
}

TKvGridRanges TKvDefaultGridSelectionManager::GetRanges() const
{
    TKvGridRanges ranges;
    if (FItems.empty())
        return ranges;
    const TKvGridSelectionStyle style = FItems.front()->GetStyle();
    if (style == SelectBlock) {
        ranges.push_back(FItems.front()->GetBounds());
        return ranges;
    }
    ranges.reserve(FItems.size());
    for (const auto& item : FItems)
        ranges.push_back(item->GetBounds());
    if (style == SelectRows)
        std::stable_sort(ranges.begin(), ranges.end(),
                         [](const TKvGridRange& a, const TKvGridRange& b) { return a.R1 < b.R1; });
    else
        std::stable_sort(ranges.begin(), ranges.end(), [](const TKvGridRange& a, const TKvGridRange& b) {
            return DistanceOf(a.C1) < DistanceOf(b.C1);
        });
    return ranges;
}

bool TKvDefaultGridSelectionManager::Holds(const TKvGridSelectionItem* item) const
{
    return item && std::any_of(FItems.begin(), FItems.end(), [&](const auto& p) { return p.get() == item; });
}

// ---- sprites ---------------------------------------------------------------------------

namespace {

TKvGridView* GridOf(const TKvSprite* sprite) { return dynamic_cast<TKvGridView*>(sprite->GetContainer()); }

// Clips to the grid's cell area and keeps the focused cell clear when its mask shows.
void ClipSelection(TKvDrawingContext* context, TKvGridView* grid, const TKvSprite* sprite)
{
    const TRectF world = sprite->BoundsByContainer();
    const TRect clip = grid->GetSelectionClipBounds();
    if (!clip.IsEmpty())
        context->SetClip(double(clip.Left - world.Left), double(clip.Top - world.Top), double(clip.Width()),
                         double(clip.Height()));
    if (grid->GetFocusOptions() && grid->GetFocusOptions()->GetMaskVisible()) {
        const TRect focused = grid->GetFocusedRect();
        if (!focused.IsEmpty())
            context->ExcludeClip(double(focused.Left - world.Left), double(focused.Top - world.Top),
                                 double(focused.Width()), double(focused.Height()));
    }
}

} // namespace

void TKvGridSelectionView::DoDraw(TKvDrawingContext* context)
{
    TKvGridView* grid = GridOf(this);
    if (!grid || !grid->GetSelectOptions())
        return;
    const TKvDrawingState state(context);
    ClipSelection(context, grid, this);
    context->DrawRect(grid->GetSelectOptions()->GetFill(), grid->GetSelectOptions()->GetStroke(), 0.0, 0.0,
                      GetWidth() - 1.0, GetHeight() - 1.0);
}

void TKvGridSelectionMask::Clear()
{
    Invalidate();
    FSelections.clear();
    Invalidate();
}

void TKvGridSelectionMask::Add(const TRect& rect)
{
    FSelections.push_back(rect);
    bool changed = true;
    while (changed) {
        changed = false;
        for (int i = static_cast<int>(FSelections.size()) - 2; i >= 0; --i) {
            TRect& r = FSelections[static_cast<size_t>(i)];
            if (RectsMeet(r, FSelections.back())) {
                r = RectUnion(r, FSelections.back());
                FSelections.pop_back();
                changed = true;
                break;
            }
        }
    }
    Invalidate();
}

bool TKvGridSelectionMask::Hidden() const
{
    TKvGridView* grid = GridOf(this);
    return FSingleCell && grid && grid->GetFocusOptions() && grid->GetFocusOptions()->GetMaskVisible();
}

TRect TKvGridSelectionMask::UpdateBounds() const
{
    if (Hidden())
        return {};
    TRect all;
    for (const TRect& r : FSelections)
        all = RectUnion(all, r);
    const TRectF b = BoundsByContainer();
    const TRect own{static_cast<int>(b.Left), static_cast<int>(b.Top), static_cast<int>(b.Right),
                    static_cast<int>(b.Bottom)};
    TRect result = RectIntersection(all, own);
    if (!result.IsEmpty())
        result.Inflate(1, 1);
    return result;
}

void TKvGridSelectionMask::DoDraw(TKvDrawingContext* context)
{
    TKvGridView* grid = GridOf(this);
    if (!grid || !grid->GetSelectOptions() || Hidden())
        return;
    const TKvDrawingState state(context);
    ClipSelection(context, grid, this);
    const TRectF world = BoundsByContainer();
    for (auto it = FSelections.rbegin(); it != FSelections.rend(); ++it)
        context->DrawRect(grid->GetSelectOptions()->GetFill(), grid->GetSelectOptions()->GetStroke(),
                          it->Left - static_cast<int>(world.Left), it->Top - static_cast<int>(world.Top),
                          it->Width(), it->Height());
}

} // namespace kv
