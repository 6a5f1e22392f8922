// Area and item views.
//
// Sections: area view base; bars (indicator, states, check); header and footer bands; edit
// bar; item views (rows, row-group headers and footers); body with its row pool; row-group
// bar with its pools; corner views; the lines overlay base.
//
// Call flow: the layout manager measures and places the area views and calls LayoutContent;
// bands and rows prepare the cell views of the visible columns (cached per column, created on
// first need) and place them at the layout's column bounds less the horizontal scroll; the
// body lends pooled row views by index on every layout (ClearItems, AddItem).
#include "grid/KvGrids.Elements.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.Impl.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.View.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace kv {

// ---- area view base --------------------------------------------------------------------------

void SetChildren(TKvSpriteElement* element, const std::vector<TKvSprite*>& views)
{
    const int count = element->GetChildCount();
    if (count == static_cast<int>(views.size())) {
        int i = 0;
        while (i < count && element->GetChild(i) == views[static_cast<size_t>(i)])
            ++i;
        if (i == count)
            return;
    }
    element->Clear();
    for (TKvSprite* view : views)
        element->Add(view);
}

TKvGridElement::TKvGridElement(TKvGridView* grid, const QString& name) : TKvSpriteElement(grid, name), FGrid(grid) {}

TKvGridDelegate* TKvGridElement::GetDelegate() const { return FGrid ? FGrid->GetGridDelegate() : nullptr; }

namespace {

TKvGridView* GridOf(TKvGridObject* model)
{
    if (!model)
        throw EArgumentNilException(QStringLiteral("model"));
    return model->GetGrid();
}

} // namespace

TKvGridRegionElement::TKvGridRegionElement(TKvGridObject* model, const QString& name)
    : TKvGridElement(GridOf(model), name), FModel(model)
{
}

TSize TKvGridRegionElement::DoMeasure(TKvGridView* grid, int width, int height)
{
    return FRenderer ? FRenderer->Measure(grid, width, height) : TSize{width, height};
}

void TKvGridRegionElement::DoDraw(TKvDrawingContext* context)
{
    if (FRenderer)
        FRenderer->Render(FGrid, context, TRectF(0, 0, GetWidth(), GetHeight()));
}

// ---- bars ------------------------------------------------------------------------------------

TKvGridBarElement::~TKvGridBarElement()
{
    Clear();
    FCells.clear();
}

TKvGridItemCellElement* TKvGridBarElement::GetCell(int index) const
{
    if (index < 0 || index >= GetCellCount())
        RaiseInvalidIndex(index);
    return FCells[static_cast<size_t>(index)].get();
}

void TKvGridBarElement::DoLayoutContent(TKvAbstractGridLayoutManager* layout)
{
    const int fixed = layout->FixedItemCount();
    const int count = fixed + layout->ItemCount();
    while (static_cast<int>(FCells.size()) < count)
        FCells.emplace_back(CreateCell());
    std::vector<TKvSprite*> views;
    const int headerHeight = layout->HeaderBounds().Height();
    const int first = FGrid->GetTopIndex() + layout->FixedRowCount();
    for (int i = 0; i < count; ++i) {
        TKvGridItemCellElement* cell = FCells[static_cast<size_t>(i)].get();
        cell->SetIndex(i < fixed ? i : first + (i - fixed));
        const TRect b = layout->ItemBounds(i);
        cell->SetBounds(0.0f, static_cast<float>(b.Top + headerHeight), GetWidth(), static_cast<float>(b.Height()));
        cell->LayoutHandles();
        cell->SetRenderer(FCellRenderer);
        views.push_back(cell);
    }
    SetChildren(this, views);
}

TKvGridItemCellElement* TKvGridIndicatorElement::CreateCell()
{
    return Create<TKvGridIndicatorCellElement>(FGrid, QStringLiteral("indicatorCell"));
}

TKvGridItemCellElement* TKvGridStatesBarElement::CreateCell()
{
    return Create<TKvGridStatesCellElement>(FGrid, QStringLiteral("statesCell"));
}

TKvGridItemCellElement* TKvGridCheckBarElement::CreateCell()
{
    return Create<TKvGridCheckCellElement>(FGrid, QStringLiteral("checkCell"));
}

// ---- header and footer bands -----------------------------------------------------------------

namespace {

// The cached view of a column in a per-column cache, made (again) when missing or of the
// other kind; a column freed and another made at its address may need the other kind.
template <typename Map, typename Make, typename MakeGroup>
TKvGridIndexedCellElement* CachedCell(Map& cells, TKvGridColumn* column, Make&& make, MakeGroup&& makeGroup)
{
    const bool group = dynamic_cast<TKvGridColumnGroup*>(column) != nullptr;
    auto& slot = cells[column];
    if (!slot || (dynamic_cast<TKvGridGroupCellElement*>(slot.get()) != nullptr) != group)
        slot.reset(group ? static_cast<TKvGridIndexedCellElement*>(makeGroup()) : make());
    return slot.get();
}

// Places the visible columns' views of a band or row (the layout's column bounds, less the
// horizontal scroll for scrolled columns) and lays out their content.
void PlaceCells(const std::unordered_map<TKvGridColumn*, TOwned<TKvGridIndexedCellElement>>& cells, bool fixed,
                float height, TKvAbstractGridLayoutManager* layout, const char* nilMessage)
{
    const int first = fixed ? 0 : layout->FirstCol();
    const int last = fixed ? layout->FixedColCount() - 1 : layout->LastCol();
    const int leftPos = fixed ? 0 : layout->GetGrid()->GetLeftPos();
    for (int i = first; i <= last; ++i) {
        const auto it = cells.find(layout->GetColumn(i));
        KV_ASSERT(it != cells.end() && it->second, nilMessage);
        TKvGridIndexedCellElement* view = it->second.get();
        TRect r = layout->ColumnBounds(i);
        r.Offset(-leftPos, 0);
        view->SetBounds(static_cast<float>(r.Left), 0.0f, static_cast<float>(r.Width()), height);
        if (auto* group = dynamic_cast<TKvGridGroupCellElement*>(view))
            group->LayoutContent(layout);
        else
            view->LayoutHandles();
    }
}

} // namespace

TKvGridColumnBandElement::TKvGridColumnBandElement(TKvGridObject* model, const QString& name, bool fixed)
    : TKvGridRegionElement(model, name), FFixed(fixed)
{
}

TKvGridColumnBandElement::~TKvGridColumnBandElement()
{
    Clear();
    FCells.clear();
}

TKvGridIndexedCellElement* TKvGridColumnBandElement::GetCells(TKvGridColumn* column) const
{
    const auto it = FCells.find(column);
    return it == FCells.end() ? nullptr : it->second.get();
}

void TKvGridColumnBandElement::DoLayoutContent(TKvAbstractGridLayoutManager* layout)
{
    std::vector<TKvSprite*> views;
    const int fixedCount = layout->FixedColCount();
    const int from = FFixed ? 0 : fixedCount;
    const int to = FFixed ? fixedCount - 1 : layout->ColumnCount() - 1;
    for (int i = from; i <= to; ++i)
        CachedCell(FCells, layout->GetColumn(i), [this] { return CreateCell(); }, [this] { return CreateGroupCell(); });
    const int first = FFixed ? 0 : layout->FirstCol();
    const int last = FFixed ? fixedCount - 1 : layout->LastCol();
    for (int i = first; i <= last; ++i) {
        TKvGridColumn* column = layout->GetColumn(i);
        TKvGridIndexedCellElement* view = FCells[column].get();
        view->SetIndex(TKvGridCellIndex(FGrid, -1, column));
        view->SetRenderer(dynamic_cast<TKvGridGroupCellElement*>(view) ? FGroupCellRenderer : FCellRenderer);
        PrepareCell(view);
        views.push_back(view);
    }
    SetChildren(this, views);
    PlaceCells(FCells, FFixed, GetHeight(), layout, "header cell view is nil");
}

TKvGridIndexedCellElement* TKvGridHeaderElement::CreateCell()
{
    return Create<TKvGridHeaderCellElement>(FGrid, QStringLiteral("headerCell"));
}

TKvGridGroupCellElement* TKvGridHeaderElement::CreateGroupCell()
{
    return Create<TKvGridHeaderGroupCellElement>(FGrid, QStringLiteral("headerGroupCell"));
}

void TKvGridHeaderElement::PrepareCell(TKvGridIndexedCellElement* view)
{
    if (auto* header = dynamic_cast<TKvGridHeaderCellElement*>(view))
        header->SetHoverRenderer(FCellHoverRenderer ? FCellHoverRenderer : FCellRenderer);
}

TKvGridHeaderCellElement* TKvGridHeaderElement::GetCellAt(float x, float y)
{
    for (TKvSprite* child : FChildren) {
        auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(child);
        if (!cell || !cell->GetVisible())
            continue;
        const float cx = x - cell->GetLeft();
        const float cy = y - cell->GetTop();
        if (cx < 0 || cy < 0 || cx >= cell->GetWidth() || cy >= cell->GetHeight())
            continue;
        if (auto* group = dynamic_cast<TKvGridGroupCellElement*>(cell))
            return dynamic_cast<TKvGridHeaderCellElement*>(group->GetCellAt(cx, cy, true));
        return dynamic_cast<TKvGridHeaderCellElement*>(cell);
    }
    return nullptr;
}

TKvGridIndexedCellElement* TKvGridFooterElement::CreateCell()
{
    return Create<TKvGridFooterCellElement>(FGrid, QStringLiteral("footerCell"));
}

TKvGridGroupCellElement* TKvGridFooterElement::CreateGroupCell()
{
    return Create<TKvGridFooterGroupCellElement>(FGrid, QStringLiteral("footerGroupCell"));
}

// ---- edit bar ------------------------------------------------------------------------------

TKvGridEditBarElement::~TKvGridEditBarElement()
{
    Clear();
    FCells.clear();
    FGroupCells.clear();
}

void TKvGridEditBarElement::SetCellRenderer(TKvGridCellRenderer* renderer)
{
    FCellRenderer = renderer;
    for (const auto& cell : FCells)
        cell->SetRenderer(renderer);
}

void TKvGridEditBarElement::SetGroupCellRenderer(TKvGridCellRenderer* renderer)
{
    FGroupCellRenderer = renderer;
    for (const auto& cell : FGroupCells)
        cell->SetRenderer(renderer);
}

TKvGridEditCellElement* TKvGridEditBarElement::AddCell()
{
    FCells.emplace_back(CreateCell());
    FCells.back()->SetRenderer(FCellRenderer);
    return FCells.back().get();
}

TKvGridEditGroupCellElement* TKvGridEditBarElement::AddGroupCell()
{
    FGroupCells.emplace_back(CreateGroupCell());
    FGroupCells.back()->SetRenderer(FGroupCellRenderer);
    return FGroupCells.back().get();
}

TKvGridEditCellElement* TKvGridEditBarElement::GetCell(int index) const
{
    if (index < 0 || index >= GetCellCount())
        RaiseInvalidIndex(index);
    return FCells[static_cast<size_t>(index)].get();
}

TKvGridEditGroupCellElement* TKvGridEditBarElement::GetGroupCell(int index) const
{
    if (index < 0 || index >= GetGroupCellCount())
        RaiseInvalidIndex(index);
    return FGroupCells[static_cast<size_t>(index)].get();
}

TKvGridEditCellElement* TKvGridEditBarElement::CreateCell()
{
    return Create<TKvGridEditCellElement>(FGrid, QStringLiteral("editBarCell"));
}

TKvGridEditGroupCellElement* TKvGridEditBarElement::CreateGroupCell()
{
    return Create<TKvGridEditGroupCellElement>(FGrid, QStringLiteral("editBarGroupCell"));
}

// ---- item views ------------------------------------------------------------------------------

TKvGridItem* TKvGridItemElement::GetModel(TKvGridView* grid) const
{
    TKvGridItemProvider* items = grid ? grid->GetItemProvider() : nullptr;
    if (!items || FIndex < 0 || FIndex >= items->GetItemCount())
        return nullptr;
    return items->GetItem(FIndex);
}

TKvGridViewStyles* TKvGridItemElement::ItemStyles() const { return FGrid->GetBody()->GetStyles(); }

TSize TKvGridItemElement::DoMeasure(TKvGridView* grid, int width, int height)
{
    if (!FRenderer)
        return TSize{width, height};
    return FRenderer->Measure(GetModel(grid), ItemStyles(), width, height);
}

void TKvGridItemElement::DoDraw(TKvDrawingContext* context)
{
    if (FRenderer)
        if (TKvGridItem* item = GetModel(FGrid))
            FRenderer->Render(item, ItemStyles(), context, TRectF(0, 0, GetWidth(), GetHeight()));
}

TKvGridRowElement::TKvGridRowElement(TKvGridView* grid, const QString& name, bool fixed)
    : TKvGridItemElement(grid, name), FFixed(fixed)
{
}

TKvGridRowElement::~TKvGridRowElement()
{
    Clear();
    FCells.clear();
}

TKvGridIndexedCellElement* TKvGridRowElement::GetCells(TKvGridColumn* column) const
{
    if (!column)
        return nullptr;
    TKvGridColumn* root = column->GetRoot();
    const auto it = FCells.find(root);
    if (it == FCells.end() || !it->second)
        return nullptr;
    if (root == column)
        return it->second.get();
    auto* group = dynamic_cast<TKvGridGroupCellElement*>(it->second.get());
    return group ? group->FindCell(column) : nullptr;
}

void TKvGridRowElement::DoLayoutContent(TKvAbstractGridLayoutManager* layout)
{
    PrepareCells(layout);
    LayoutCells(layout);
}

bool TKvGridRowElement::SamePrepared(TKvAbstractGridLayoutManager* layout, int from, int to) const
{
    if (FPreparedFrom != from || static_cast<int>(FPrepared.size()) != std::max(0, to - from + 1))
        return false;
    for (int i = from; i <= to; ++i)
        if (FPrepared[static_cast<size_t>(i - from)].Column != layout->GetColumn(i))
            return false;
    return true;
}

void TKvGridRowElement::PrepareCells(TKvAbstractGridLayoutManager* layout)
{
    const int fixedCount = layout->FixedColCount();
    const int from = FFixed ? 0 : fixedCount;
    const int to = FFixed ? fixedCount - 1 : layout->ColumnCount() - 1;
    if (!SamePrepared(layout, from, to)) {
        FPrepared.clear();
        FPreparedFrom = from;
        for (int i = from; i <= to; ++i) {
            TKvGridColumn* column = layout->GetColumn(i);
            TKvGridIndexedCellElement* view = CachedCell(
                FCells, column, [this] { return Create<TKvGridDataCellElement>(FGrid, QStringLiteral("dataCell")); },
                [this] { return Create<TKvGridDataGroupCellElement>(FGrid, QStringLiteral("rowGroupCell")); });
            FPrepared.push_back(TPreparedCell{column, view, dynamic_cast<TKvGridDataCellElement*>(view),
                                              dynamic_cast<TKvGridGroupCellElement*>(view)});
        }
    }
    std::vector<TKvSprite*>& views = FShown;
    views.clear();
    TKvGridDelegate* delegate = GetDelegate();
    const TKvGridCellIndex focused = FGrid->GetFocusedIndex();
    const int first = FFixed ? 0 : layout->FirstCol();
    const int last = FFixed ? fixedCount - 1 : layout->LastCol();
    views.reserve(static_cast<size_t>(std::max(0, last - first + 1)));
    for (int i = first; i <= last; ++i) {
        const TPreparedCell& cell = FPrepared[static_cast<size_t>(i - from)];
        TKvGridIndexedCellElement* view = cell.View;
        const TKvGridCellIndex index(FGrid, FIndex, cell.Column);
        view->SetIndex(index);
        view->SetRenderer(delegate ? delegate->GetCellRenderer(index) : nullptr);
        if (TKvGridDataCellElement* data = cell.Data) {
            data->SetButtonState(false, false);
            data->SetEditButtonState(false, false);
            data->SetFocused(index == focused);
        }
        views.push_back(view);
    }
    SetChildren(this, views);
}

void TKvGridRowElement::LayoutCells(TKvAbstractGridLayoutManager* layout)
{
    const int fixedCount = layout->FixedColCount();
    const int from = FFixed ? 0 : fixedCount;
    const int to = FFixed ? fixedCount - 1 : layout->ColumnCount() - 1;
    if (!SamePrepared(layout, from, to)) {
        PlaceCells(FCells, FFixed, GetHeight(), layout, "data cell view is nil");
        return;
    }
    // PlaceCells over the prepared views.
    const int first = FFixed ? 0 : layout->FirstCol();
    const int last = FFixed ? fixedCount - 1 : layout->LastCol();
    const int leftPos = FFixed ? 0 : layout->GetGrid()->GetLeftPos();
    const float height = GetHeight();
    for (int i = first; i <= last; ++i) {
        const TPreparedCell& cell = FPrepared[static_cast<size_t>(i - from)];
        KV_ASSERT(cell.View, "data cell view is nil");
        TRect r = layout->ColumnBounds(i);
        r.Offset(-leftPos, 0);
        cell.View->SetBounds(static_cast<float>(r.Left), 0.0f, static_cast<float>(r.Width()), height);
        if (cell.Group)
            cell.Group->LayoutContent(layout);
        else
            cell.View->LayoutHandles();
    }
}

TKvGridRowGroupHeaderElement::TKvGridRowGroupHeaderElement(TKvGridView* grid, const QString& name)
    : TKvGridRowGroupItemElement(grid, name)
{
    FCell = Create<TKvGridRowGroupHeaderCellElement>(grid, QStringLiteral("rowGroupHeaderCellView"));
}

TKvGridRowGroupHeaderElement::~TKvGridRowGroupHeaderElement() { FreeObject(FCell); }

void TKvGridRowGroupHeaderElement::DoLayoutContent(TKvAbstractGridLayoutManager* layout)
{
    FCell->SetIndex(FIndex);
    FCell->SetRenderer(GetDelegate() ? GetDelegate()->GetRowGroupHeaderCellRenderer() : nullptr);
    // The expand sign of the item renderer keeps its box at the level indent; the caption
    // cell takes the rest.
    TKvGridItem* item = GetModel(FGrid);
    const int indent = FGrid->GetRowGroup()->GetLevelIndent();
    const float left = item ? static_cast<float>(std::max(1, item->GetLevel()) * indent) : 0.0f;
    FCell->SetBounds(std::min(left, GetWidth()), 0.0f, std::max(0.0f, GetWidth() - left), GetHeight());
    Add(FCell);
}

void TKvGridRowGroupHeaderElement::DoDraw(TKvDrawingContext* context)
{
    context->DrawRect(TKvFill::White(), nullptr, TRectF(0, 0, GetWidth(), GetHeight()));
    if (FRenderer)
        if (TKvGridItem* item = GetModel(FGrid))
            FRenderer->Render(item, FGrid->GetRowGroup()->GetHeaderStyles(), context, TRectF(0, 0, GetWidth(), GetHeight()));
}

TKvGridRowGroupFooterElement::TKvGridRowGroupFooterElement(TKvGridView* grid, const QString& name, bool fixed)
    : TKvGridRowGroupItemElement(grid, name), FFixed(fixed)
{
}

TKvGridRowGroupFooterElement::~TKvGridRowGroupFooterElement()
{
    Clear();
    FCells.clear();
}

TKvGridIndexedCellElement* TKvGridRowGroupFooterElement::GetCells(TKvGridColumn* column) const
{
    const auto it = FCells.find(column);
    return it == FCells.end() ? nullptr : it->second.get();
}

void TKvGridRowGroupFooterElement::DoLayoutContent(TKvAbstractGridLayoutManager* layout)
{
    Clear();
    FCellRenderer = GetDelegate() ? GetDelegate()->GetRowGroupFooterCellRenderer() : nullptr;
    const int fixedCount = layout->FixedColCount();
    const int first = FFixed ? 0 : layout->FirstCol();
    const int last = FFixed ? fixedCount - 1 : layout->LastCol();
    for (int i = first; i <= last; ++i) {
        TKvGridColumn* column = layout->GetColumn(i);
        TKvGridIndexedCellElement* view = CachedCell(
            FCells, column,
            [this] { return Create<TKvGridRowGroupFooterCellElement>(FGrid, QStringLiteral("rowGroupFooterCell")); },
            [this] { return Create<TKvGridRowGroupFooterGroupCellElement>(FGrid, QStringLiteral("rowGroupFooterGroupCell")); });
        view->SetIndex(TKvGridCellIndex(FGrid, FIndex, column));
        view->SetRenderer(FCellRenderer);
        Add(view);
    }
    // The footer view starts at its level's indent: its cells move right by the levels below
    // it, so they keep the body's column positions.
    const int leftPos = FFixed ? 0 : FGrid->GetLeftPos();
    for (int i = first; i <= last; ++i) {
        TKvGridIndexedCellElement* view = FCells[layout->GetColumn(i)].get();
        KV_ASSERT(view, "data cell view is nil");
        TRect r = layout->ColumnBounds(i);
        r.Offset(FIndents - leftPos, 0);
        view->SetBounds(static_cast<float>(r.Left), 0.0f, static_cast<float>(r.Width()), GetHeight());
        if (auto* group = dynamic_cast<TKvGridGroupCellElement*>(view))
            group->LayoutContent(layout);
    }
}

// ---- body ------------------------------------------------------------------------------------

TKvGridBodyElement::TKvGridBodyElement(TKvGridObject* model, const QString& name, bool fixed)
    : TKvGridRegionElement(model, name), FFixed(fixed)
{
}

TKvGridBodyElement::~TKvGridBodyElement()
{
    Clear();
    FRows.clear();
}

void TKvGridBodyElement::ClearItems()
{
    FUsed = 0;
    Clear();
}

TKvGridRowElement* TKvGridBodyElement::AddItem(int index)
{
    if (static_cast<int>(FRows.size()) == FUsed)
        FRows.emplace_back(Create<TKvGridRowElement>(FGrid, QStringLiteral("rowView"), FFixed));
    TKvGridRowElement* row = FRows[static_cast<size_t>(FUsed)].get();
    row->SetIndex(index);
    row->SetVisible(true);
    Add(row);
    ++FUsed;
    return row;
}

void TKvGridBodyElement::DropColumn(TKvGridColumn* column)
{
    for (const TOwned<TKvGridRowElement>& row : FRows)
        row->DropColumn(column);
}

TKvGridRowElement* TKvGridBodyElement::FindByItem(int index) const
{
    for (int i = 0; i < FUsed; ++i)
        if (FRows[static_cast<size_t>(i)]->GetIndex() == index)
            return FRows[static_cast<size_t>(i)].get();
    return nullptr;
}

void TKvGridBodyElement::DoDraw(TKvDrawingContext* context)
{
    const TRectF r(0, 0, GetWidth(), GetHeight());
    const bool content = FGrid->GetVisibleColumnCount() > 0 && FGrid->GetItemCount() > 0;
    IKvGridRenderer* renderer = content ? FRenderer.get() : FEmptyRenderer.get();
    if (!renderer)
        return;
    // The renderer's fills leave out what the cells drawn next cover.
    const std::vector<TRect>* old = context->GetCover();
    context->SetCover(FGrid->GetPaintCover(this, context));
    TScopeExit restore([&] { context->SetCover(old); });
    renderer->Render(FGrid, context, r);
}

TKvFill* TKvGridBodyElement::GetStockFill() const
{
    if (typeid(*this) != typeid(TKvGridBodyElement) || !FRenderer || FGrid->GetVisibleColumnCount() < 1 ||
        FGrid->GetItemCount() < 1)
        return nullptr;
    const std::type_info& type = typeid(*FRenderer.get());
    if (type == typeid(TKvGridBodyRenderer))
        return FGrid->GetBody()->GetStyles()->GetBackground();
    if (type == typeid(TKvGridFixedBodyRenderer))
        return FGrid->GetFixedCols()->GetStyles()->GetBackground();
    return nullptr;
}

// ---- row-group bar ---------------------------------------------------------------------------

void TKvGridRowGroupIndicatorHeadElement::DoDraw(TKvDrawingContext* context)
{
    const float w = GetWidth();
    const float h = GetHeight();
    context->DrawRect(FStyles ? FStyles->GetBackground() : TKvFill::White(), nullptr, TRectF(0, 0, w, h));
    context->DrawLine(TKvStroke::LightGray(), w - 1, 0.0, w - 1, h);
}

void TKvGridRowGroupIndicatorFootElement::DoDraw(TKvDrawingContext* context)
{
    const float w = GetWidth();
    const float h = GetHeight();
    context->DrawRect(FStyles ? FStyles->GetBackground() : TKvFill::White(), nullptr, TRectF(0, 0, w, h));
    context->DrawLine(TKvStroke::LightGray(), 0.0, 0.0, w, 0.0);
    context->DrawLine(TKvStroke::LightGray(), 0.0, h - 1, w, h - 1);
}

TKvGridRowGroupIndicatorElement::TKvGridRowGroupIndicatorElement(TKvGridView* grid, const QString& name, int level)
    : TKvGridElement(grid, name), FLevel(level)
{
    FHead = Create<TKvGridRowGroupIndicatorHeadElement>(grid, QStringLiteral("rowGroupIndicatorHead"));
    Add(FHead);
}

TKvGridRowGroupIndicatorElement::~TKvGridRowGroupIndicatorElement()
{
    Clear();
    FExpanders.clear();
}

TKvGridRowGroupIndicatorExpander* TKvGridRowGroupIndicatorElement::GetExpander(int index) const
{
    if (index < 0 || index >= FExpanderCount)
        RaiseInvalidIndex(index);
    return FExpanders[static_cast<size_t>(index)].get();
}

void TKvGridRowGroupIndicatorElement::DoDraw(TKvDrawingContext* context)
{
    context->DrawRect(TKvFill::White(), nullptr, TRectF(0, 0, GetWidth(), GetHeight()));
    context->DrawLine(TKvStroke::LightGray(), GetWidth() - 1, 0.0, GetWidth() - 1, GetHeight());
}

void TKvGridRowGroupIndicatorElement::DoLayoutContent(TKvAbstractGridLayoutManager* layout)
{
    Clear();
    Add(FHead);
    const int headerHeight = layout->HeaderBounds().Height();
    FHead->SetStyles(FGrid->GetRowGroup()->GetHeaderStyles());
    FHead->SetBounds(0.0f, 0.0f, GetWidth(), static_cast<float>(headerHeight));
    FExpanderCount = 0;
    const int fixed = layout->FixedItemCount();
    const int rows = fixed + layout->ItemCount();
    const int first = FGrid->GetTopIndex() + layout->FixedRowCount();
    for (int i = 0; i < rows; ++i) {
        const int index = i < fixed ? i : first + (i - fixed);
        TKvGridItem* item = layout->GetItem(index);
        const bool header = dynamic_cast<TKvGridGroupItem*>(item) && item->GetLevel() - 1 == FLevel;
        const bool footer = dynamic_cast<TKvGridGroupFooter*>(item) && item->GetParent() &&
                            item->GetParent()->GetLevel() - 1 == FLevel;
        if (!header && !footer)
            continue;
        if (static_cast<int>(FExpanders.size()) == FExpanderCount)
            FExpanders.emplace_back(Create<TKvGridRowGroupIndicatorExpander>(FGrid, QStringLiteral("rowGroupIndicatorExpander")));
        TKvGridRowGroupIndicatorExpander* expander = FExpanders[static_cast<size_t>(FExpanderCount++)].get();
        expander->SetIndex(index);
        const TRect b = layout->ItemBounds(i);
        expander->SetBounds(0.0f, static_cast<float>(b.Top + headerHeight), GetWidth(), static_cast<float>(b.Height()));
        expander->LayoutHandles();
        Add(expander);
    }
}

TKvGridRowGroupElement::TKvGridRowGroupElement(TKvGridObject* model, const QString& name) : TKvGridRegionElement(model, name)
{
    FBarElement = Create<TKvLayerElement>(nullptr, QStringLiteral("rowGroupBar"));
    FBodyElement = Create<TKvLayerElement>(nullptr, QStringLiteral("rowGroupBody"));
    FFooterElement = Create<TKvLayerElement>(nullptr, QStringLiteral("rowGroupFooter"));
    Add(FBarElement);
    Add(FBodyElement);
    Add(FFooterElement);
}

TKvGridRowGroupElement::~TKvGridRowGroupElement()
{
    FBarElement->Clear();
    FBodyElement->Clear();
    FFooterElement->Clear();
    FHeaderBuff.clear();
    FFooterBuff.clear();
    FFixedFooterBuff.clear();
    FIndicators.clear();
    FFoots.clear();
    FreeObject(FFooterElement);
    FreeObject(FBodyElement);
    FreeObject(FBarElement);
}

// The grouped depth the layout manager reports, whatever style entries the row group has.
int TKvGridRowGroupElement::Levels() const
{
    TKvAbstractGridLayoutManager* layout = FGrid->GetLayoutManager();
    return layout ? std::max(0, layout->RowGroupLevels()) : 0;
}

void TKvGridRowGroupElement::ClearBody()
{
    FBodyElement->Clear();
    FHeaderUsed = 0;
    FFooterUsed = 0;
    FFixedFooterUsed = 0;
    FHeaders.clear();
    FFooters.clear();
    FFixedFooters.clear();
}

TKvGridRowGroupHeaderElement* TKvGridRowGroupElement::AddHeader(int index)
{
    if (static_cast<int>(FHeaderBuff.size()) == FHeaderUsed)
        FHeaderBuff.emplace_back(Create<TKvGridRowGroupHeaderElement>(FGrid, QStringLiteral("rowGroupHeaderView")));
    TKvGridRowGroupHeaderElement* view = FHeaderBuff[static_cast<size_t>(FHeaderUsed++)].get();
    view->SetIndex(index);
    view->SetRenderer(GetDelegate() ? GetDelegate()->GetRowGroupHeaderRenderer() : nullptr);
    view->SetVisible(true);
    FBodyElement->Add(view);
    FHeaders.push_back(view);
    return view;
}

void TKvGridRowGroupElement::AddFooter(int index)
{
    if (static_cast<int>(FFooterBuff.size()) == FFooterUsed) {
        FFooterBuff.emplace_back(Create<TKvGridRowGroupFooterElement>(FGrid, QStringLiteral("rowGroupFooterView"), false));
        FFixedFooterBuff.emplace_back(Create<TKvGridRowGroupFooterElement>(FGrid, QStringLiteral("rowGroupFixedFooterView"), true));
    }
    IKvGridItemRenderer* renderer = GetDelegate() ? GetDelegate()->GetRowGroupFooterRenderer() : nullptr;
    TKvGridRowGroupFooterElement* views[] = {FFooterBuff[static_cast<size_t>(FFooterUsed)].get(),
                                             FFixedFooterBuff[static_cast<size_t>(FFooterUsed)].get()};
    ++FFooterUsed;
    ++FFixedFooterUsed;
    for (TKvGridRowGroupFooterElement* view : views) {
        view->SetIndex(index);
        view->SetRenderer(renderer);
        view->SetVisible(true);
        FBodyElement->Add(view);
    }
    FFooters.push_back(views[0]);
    FFixedFooters.push_back(views[1]);
}

TKvGridRowGroupIndicatorElement* TKvGridRowGroupElement::GetIndicator(int i) const
{
    if (i < 0 || i >= GetIndicatorCount())
        RaiseInvalidIndex(i);
    return FIndicators[static_cast<size_t>(i)].get();
}

TKvGridRowGroupHeaderElement* TKvGridRowGroupElement::GetHeader(int i) const
{
    if (i < 0 || i >= GetHeaderCount())
        RaiseInvalidIndex(i);
    return FHeaders[static_cast<size_t>(i)];
}

TKvGridRowGroupFooterElement* TKvGridRowGroupElement::GetFooter(int i) const
{
    if (i < 0 || i >= GetFooterCount())
        RaiseInvalidIndex(i);
    return FFooters[static_cast<size_t>(i)];
}

TKvGridRowGroupFooterElement* TKvGridRowGroupElement::GetFixedFooter(int i) const
{
    if (i < 0 || i >= GetFixedFooterCount())
        RaiseInvalidIndex(i);
    return FFixedFooters[static_cast<size_t>(i)];
}

void TKvGridRowGroupElement::DropColumn(TKvGridColumn* column)
{
    for (auto* buff : {&FFooterBuff, &FFixedFooterBuff})
        for (const TOwned<TKvGridRowGroupFooterElement>& footer : *buff)
            footer->DropColumn(column);
}

TSize TKvGridRowGroupElement::DoMeasure(TKvGridView* grid, int width, int height)
{
    const int levels = Levels();
    while (static_cast<int>(FIndicators.size()) < levels)
        FIndicators.emplace_back(Create<TKvGridRowGroupIndicatorElement>(FGrid, QStringLiteral("rowGroupIndicator"),
                                                                          static_cast<int>(FIndicators.size())));
    while (static_cast<int>(FFoots.size()) < levels)
        FFoots.emplace_back(Create<TKvGridRowGroupIndicatorFootElement>(FGrid, QStringLiteral("rowGroupIndicatorFoot")));
    // Surplus levels leave the bar.
    FBarElement->Clear();
    for (int i = 0; i < levels; ++i) {
        FBarElement->Add(FIndicators[static_cast<size_t>(i)].get());
        FBarElement->Add(FFoots[static_cast<size_t>(i)].get());
    }
    return TSize{levels * static_cast<int>(FGrid->GetRowGroup()->GetLevelIndent()), height};
}

void TKvGridRowGroupElement::DoLayoutContent(TKvAbstractGridLayoutManager* layout)
{
    const int indent = FGrid->GetRowGroup()->GetLevelIndent();
    const int levels = Levels();
    const int footerHeight = layout->FooterBounds().Height();
    const int barHeight = static_cast<int>(GetHeight()) - footerHeight;
    for (int i = 0; i < levels && i < static_cast<int>(FIndicators.size()); ++i) {
        TKvGridRowGroupIndicatorElement* indicator = FIndicators[static_cast<size_t>(i)].get();
        indicator->SetBounds(TRect::Bounds(i * indent, 0, indent, barHeight));
        indicator->LayoutContent(layout);
        TKvGridRowGroupIndicatorFootElement* foot = FFoots[static_cast<size_t>(i)].get();
        foot->SetStyles(FGrid->GetFooter()->GetStyles());
        foot->SetBounds(TRect::Bounds(i * indent, barHeight, indent, footerHeight));
    }
    // Group headers and footers sit at their item's row, indented by their level.
    const int bodyTop = layout->BodyBounds().Top - static_cast<int>(GetTop());
    const int leftPos = FGrid->GetLeftPos();
    const int fixedWidth = layout->FixedWidth();
    auto rowOf = [&](int index, TRect& bounds) {
        const int fixed = layout->FixedItemCount();
        const int row = index < fixed ? index : index - FGrid->GetTopItem() + fixed;
        bounds = layout->ItemBounds(row);
        return !(bounds.Top == 0 && bounds.Bottom == 0);
    };
    for (TKvGridRowGroupHeaderElement* view : FHeaders) {
        TRect b;
        TKvGridItem* item = layout->GetItem(view->GetIndex());
        if (!item || !rowOf(view->GetIndex(), b))
            continue;
        const int x = item->GetLevel() * indent;
        view->SetBounds(TRect::Bounds(x, b.Top + bodyTop, std::max(0, static_cast<int>(GetWidth()) - x - leftPos), b.Height()));
        view->LayoutContent(layout);
    }
    for (size_t i = 0; i < FFooters.size(); ++i) {
        TRect b;
        TKvGridRowGroupFooterElement* view = FFooters[i];
        TKvGridItem* item = layout->GetItem(view->GetIndex());
        if (!item || !rowOf(view->GetIndex(), b))
            continue;
        const int level = item->GetParent() ? item->GetParent()->GetLevel() : 1;
        view->SetIndents((levels - level) * indent);
        const int x = level * indent + fixedWidth;
        view->SetBounds(TRect::Bounds(x, b.Top + bodyTop, std::max(0, static_cast<int>(GetWidth()) - x - leftPos), b.Height()));
        view->LayoutContent(layout);
        TKvGridRowGroupFooterElement* fixedView = FFixedFooters[i];
        fixedView->SetVisible(layout->FixedColCount() > 0);
        if (fixedView->GetVisible()) {
            fixedView->SetIndents(view->GetIndents());
            // Its cells move right by the indents: the view reaches the fixed columns' end.
            fixedView->SetBounds(TRect::Bounds(level * indent, b.Top + bodyTop, std::max(0, fixedWidth + view->GetIndents()),
                                               b.Height()));
            fixedView->LayoutContent(layout);
        }
    }
}

// ---- corner views ----------------------------------------------------------------------------

TKvGridObjectCellElement::TKvGridObjectCellElement(TKvGridVisualObject* model, const QString& name)
    : TKvGridElement(GridOf(model), name), FModel(model)
{
}

void TKvGridObjectCellElement::DoDraw(TKvDrawingContext* context)
{
    const float w = GetWidth();
    const float h = GetHeight();
    context->DrawRect(TKvFill::White(), nullptr, TRectF(0, 0, w, h));
    if (FRenderer)
        FRenderer->Render(FModel, context, TRectF(0, 0, w - 1, h - 1));
    else
        context->DrawRect(TKvFill::LightGray(), nullptr, TRectF(0, 0, w, h));
    const bool old = context->GetSmoothing();
    context->SetSmoothing(FGrid->GetSmoothing());
    context->DrawLine(TKvStroke::Gray(), w - 1, 0.0, w - 1, h);
    context->DrawLine(TKvStroke::Gray(), 0.0, h - 1, w, h - 1);
    context->SetSmoothing(old);
}

// ---- lines overlay base ----------------------------------------------------------------------

void TKvGridLinesElement::PrepareLines(TKvGridView* grid, TKvAbstractGridLayoutManager* layout, const TRect& rect) {}

} // namespace kv
