// Geometric and column queries on a grid view, and the text form of a cell value.
#include "grid/KvGrids.Utils.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.View.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace kv {

QString TKvGridViewHelper::ValueText(const Variant& Value)
{
    try {
        return Value.ToString();
    } catch (const Exception&) {
        return QString();
    }
}

std::vector<TKvGridColumn*> TKvGridViewHelper::GetLeafColumns(TKvGridView* Grid, bool WithGroups)
{
    std::vector<TKvGridColumn*> result;
    const std::function<void(TKvGridColumn*)> walk = [&](TKvGridColumn* column) {
        auto* group = dynamic_cast<TKvGridColumnGroup*>(column);
        if (!group || group->VisibleCount() == 0) {
            result.push_back(column);
            return;
        }
        if (WithGroups && group->GetGroupHeader()->GetVisible())
            result.push_back(group);
        for (int i = 0, n = group->VisibleCount(); i < n; ++i)
            walk(group->GetVisible(i));
    };
    for (int i = 0, n = Grid->GetVisibleColumnCount(); i < n; ++i)
        walk(Grid->GetVisibleColumn(i));
    return result;
}

namespace {

TKvGridDataColumn* DataColumnOf(TKvGridColumn* column, bool first)
{
    if (auto* group = dynamic_cast<TKvGridColumnGroup*>(column))
        return first ? group->First() : group->Last();
    return dynamic_cast<TKvGridDataColumn*>(column);
}

} // namespace

TKvGridDataColumn* TKvGridViewHelper::GetFirstColumn(TKvGridView* Grid)
{
    for (int i = 0, n = Grid->GetVisibleColumnCount(); i < n; ++i)
        if (TKvGridDataColumn* data = DataColumnOf(Grid->GetVisibleColumn(i), true))
            return data;
    return nullptr;
}

TKvGridDataColumn* TKvGridViewHelper::GetLastColumn(TKvGridView* Grid)
{
    for (int i = Grid->GetVisibleColumnCount() - 1; i >= 0; --i)
        if (TKvGridDataColumn* data = DataColumnOf(Grid->GetVisibleColumn(i), false))
            return data;
    return nullptr;
}

TRectF TKvGridViewHelper::GetClipBounds(TKvGridView* Grid, TKvSprite* Sprite, bool InBody)
{
    TKvAbstractGridLayoutManager* layout = Grid->GetLayoutManager();
    const TRectF area(InBody ? layout->BodyBounds() : layout->GridBounds());
    const TRectF s = Sprite->BoundsByContainer();
    TRectF r(std::max(s.Left, area.Left) - 1, std::max(s.Top, area.Top) - 1, std::min(s.Right, area.Right + 2),
             std::min(s.Bottom, area.Bottom + 2));
    r.Offset(-s.Left, -s.Top);
    return r;
}

TRect TKvGridViewHelper::GetFocusedRect(TKvGridView* Grid)
{
    const TKvGridCellIndex index = Grid->GetFocusedIndex();
    if (!index.IsValid(Grid))
        return TRect{};
    TKvGridCellElement* view = Grid->GetCellView(Grid->GetBody(), index);
    if (!view)
        return TRect{};
    const TRectF b = view->BoundsByContainer();
    TRect r{static_cast<int>(std::lround(b.Left)), static_cast<int>(std::lround(b.Top)),
            static_cast<int>(std::lround(b.Right)), static_cast<int>(std::lround(b.Bottom))};
    TKvAbstractGridLayoutManager* layout = Grid->GetLayoutManager();
    const int fixed = layout->FixedColCount();
    bool scrolled = fixed > 0;
    for (int i = 0; i < fixed && scrolled; ++i)
        scrolled = layout->GetColumn(i) != index.Column->GetRoot();
    if (scrolled)
        r.Left = std::max(r.Left, layout->BodyBounds().Left);
    return r;
}

} // namespace kv
