// Cell views and handles.
//
// Sections: cell view base (states, drawing, borders); data cells (buttons, error icon, hit
// regions); header, footer and bar cells; group cells (prepare, horizontal and vertical
// layout, look-ups); handles (sort, filter, expand).
//
// Call flow: an area or row view prepares the cell views of the visible columns (index and
// renderer) and places them; a group cell does the same for its children. DoDraw asks the
// area object for the model and draws buttons, error icon, content and borders in that order.
#include "grid/KvGrids.Elements.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.View.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/SysUtils.h"

#include <QtCore/QtGlobal>
#include <algorithm>
#include <cmath>
#include <typeinfo>

// The resource object of a static library is linked only when something names it.
static void InitGridResources() { Q_INIT_RESOURCE(kvgrids); }

namespace kv {

void EnsureGridResources()
{
    static const bool done = (InitGridResources(), true);
    (void)done;
}

namespace {

// The error icon, decoded once.
TBitmap* ErrorBitmap()
{
    static std::unique_ptr<TBitmap> bitmap = [] {
        EnsureGridResources();
        auto b = std::make_unique<TBitmap>();
        b->LoadFromResource(QStringLiteral("FBERROR"));
        return b;
    }();
    return bitmap.get();
}

bool IsSortable(TKvGridColumn* column)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(column);
    return data && data->GetSortable();
}

bool HasColumnFilters(TKvGridColumn* column, bool activeOnly)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(column);
    if (!data)
        return false;
    TKvGridColumnFilterCollection* filters = data->GetFilters();
    for (int i = 0, n = filters->Count(); i < n; ++i)
        if (!activeOnly || filters->GetFilter(i)->GetActive())
            return true;
    return false;
}

} // namespace

// ---- cell view base --------------------------------------------------------------------------

TKvGridCellElement::TKvGridCellElement(TKvGridView* grid, const QString& name)
    : TKvSpriteElement(nullptr, name), FGrid(grid)
{
}

TKvGridDelegate* TKvGridCellElement::GetDelegate() const { return FGrid ? FGrid->GetGridDelegate() : nullptr; }

void TKvGridCellElement::SetMouseEntered(bool value)
{
    if (FMouseEntered == value)
        return;
    FMouseEntered = value;
    LayoutHandles();
    Invalidate();
}

void TKvGridCellElement::SetPushed(bool value)
{
    if (FPushed == value)
        return;
    FPushed = value;
    Invalidate();
}

void TKvGridCellElement::DrawBorders(TKvDrawingContext* context, TKvGridViewStyles* styles, const TRectF& r, bool smoothing)
{
    if (!styles)
        return;
    const int l = styles->GetBorderLeftWidth();
    const int t = styles->GetBorderTopWidth();
    const int rw = styles->GetBorderRightWidth();
    const int b = styles->GetBorderBottomWidth();
    if (l <= 0 && t <= 0 && rw <= 0 && b <= 0)
        return;
    const bool old = context->GetSmoothing();
    if (old != smoothing)
        context->SetSmoothing(smoothing);
    if (l > 0)
        context->DrawLine(styles->GetBorderLeft(), r.Left + l / 2.0, r.Top, r.Left + l / 2.0, r.Bottom);
    if (t > 0)
        context->DrawLine(styles->GetBorderTop(), r.Left, r.Top + t / 2.0, r.Right, r.Top + t / 2.0);
    if (rw > 0)
        context->DrawLine(styles->GetBorderRight(), r.Right - (rw + 1) / 2.0, r.Top, r.Right - (rw + 1) / 2.0, r.Bottom);
    if (b > 0)
        context->DrawLine(styles->GetBorderBottom(), r.Left, r.Bottom - (b + 1) / 2.0, r.Right, r.Bottom - (b + 1) / 2.0);
    if (old != smoothing)
        context->SetSmoothing(old);
}

void TKvGridCellElement::RenderContent(TKvDrawingContext* context, TKvGridCell* model, const TRectF& content)
{
    if (TKvGridCellRenderer* renderer = DrawingRenderer())
        if (!content.IsEmpty())
            renderer->Render(model, context, content);
}

void TKvGridCellElement::DoDraw(TKvDrawingContext* context)
{
    TKvGridCell* model = GetModel();
    if (!model)
        return;
    TKvGridViewStyles* styles = model->GetStyles();
    const TRectF r(0, 0, GetWidth(), GetHeight());
    TRectF content = r;
    if (styles) {
        content.Left += styles->GetBorderLeftWidth();
        content.Top += styles->GetBorderTopWidth();
        content.Right -= styles->GetBorderRightWidth();
        content.Bottom -= styles->GetBorderBottomWidth();
    }
    RenderContent(context, model, content);
    DrawBorders(context, styles, r, FGrid->GetSmoothing());
}

// ---- data cells ------------------------------------------------------------------------------

TKvGridCell* TKvGridDataCellElement::GetModel() { return FGrid->GetBody()->GetCell(FIndex); }

void TKvGridDataCellElement::SetButtonState(bool hovered, bool pressed)
{
    if (FButtonHovered == hovered && FButtonPressed == pressed)
        return;
    FButtonHovered = hovered;
    FButtonPressed = pressed;
    Invalidate();
}

void TKvGridDataCellElement::SetEditButtonState(bool hovered, bool pressed)
{
    if (FEditButtonHovered == hovered && FEditButtonPressed == pressed)
        return;
    FEditButtonHovered = hovered;
    FEditButtonPressed = pressed;
    Invalidate();
}

bool TKvGridDataCellElement::ButtonShown(bool always) const
{
    return FMouseEntered || always || FFocused || (FGrid->IsDesignTime() && FIndex.ItemIndex == 0);
}

// A button at the right edge of r through its renderer, over the cell's background (white
// while this focused cell is being edited); answers its width.
int TKvGridDataCellElement::RenderButton(TKvGridCellButtonRenderer* renderer, TKvDrawingContext* context,
                                         TKvGridCell* model, const TRectF& r, bool hovered, bool pressed, bool focused)
{
    if (!renderer)
        return 0;
    const int w = renderer->Measure(FIndex, static_cast<int>(r.Width()), static_cast<int>(std::lround(r.Height()))).cx;
    if (w < 1)
        return w;
    const TRectF rect(r.Left + r.Width() - w - 1, r.Top, r.Left + r.Width(), r.Bottom);
    TKvGridViewStyles* styles = model->GetStyles();
    context->DrawRect(EditingHere() || !styles ? TKvFill::White() : styles->GetBackground(), nullptr, rect);
    renderer->Render(model, context, rect, hovered, pressed, focused);
    return w;
}

bool TKvGridDataCellElement::EditingHere() const
{
    const TKvGridView* grid = GetGrid();
    return FFocused && grid && grid->GetEditing();
}

int TKvGridDataCellElement::DrawButton(TKvDrawingContext* context, TKvGridCell* model, const TRectF& r)
{
    auto* column = dynamic_cast<TKvGridDataColumn*>(FIndex.Column);
    if (!column || column->GetButton() == ButtonNone || !ButtonShown(column->GetAlwaysShowButton()) || !GetDelegate())
        return 0;
    return RenderButton(GetDelegate()->GetCellButtonRenderer(FIndex), context, model, r, FButtonHovered,
                        FButtonPressed, EditingHere());
}

int TKvGridDataCellElement::DrawEditorButton(TKvDrawingContext* context, TKvGridCell* model, const TRectF& r)
{
    auto* column = dynamic_cast<TKvGridDataColumn*>(FIndex.Column);
    TKvGridDelegate* delegate = GetDelegate();
    if (!column || !delegate)
        return 0;
    TKvGridCellEditor* editor = delegate->GetCellEditor(FIndex);
    if (!editor || !delegate->EditorHasButton(editor) || !ButtonShown(column->GetAlwaysShowEditButton()))
        return 0;
    return RenderButton(delegate->GetEditButtonRenderer(FIndex), context, model, r, FEditButtonHovered,
                        FEditButtonPressed, FFocused);
}

int TKvGridDataCellElement::DrawError(TKvDrawingContext* context, TKvGridCell* model, const TRectF& r)
{
    if (FError.isEmpty())
        return 0;
    TBitmap* bitmap = ErrorBitmap();
    const int bw = bitmap->GetWidth();
    const int bh = bitmap->GetHeight();
    const int e = bw + 4;
    TKvGridViewStyles* styles = model->GetStyles();
    context->DrawRect(styles ? styles->GetBackground() : TKvFill::White(), nullptr,
                      TRectF::Bounds(r.Right - e - 1, r.Top, static_cast<float>(e), r.Height()));
    if (!bitmap->Empty())
        context->DrawImage(bitmap, static_cast<int>(std::lround(r.Right - bw - 2)),
                           static_cast<int>(std::lround((r.Height() - bh) / 2.0 + r.Top)));
    return e;
}

void TKvGridDataCellElement::DoDraw(TKvDrawingContext* context)
{
    TKvGridCell* model = GetModel();
    if (!model)
        return;
    TKvGridViewStyles* styles = model->GetStyles();
    FError = model->GetError();
    const int l = styles ? styles->GetBorderLeftWidth() : 0;
    const int t = styles ? styles->GetBorderTopWidth() : 0;
    const int rr = styles ? styles->GetBorderRightWidth() : 0;
    const int b = styles ? styles->GetBorderBottomWidth() : 0;
    const TRectF r(0, 0, GetWidth(), GetHeight());
    FButtonWidth = std::max(0, DrawButton(context, model, r));
    TRectF rest = r;
    rest.Right -= FButtonWidth;
    FEditorButtonWidth = std::max(0, DrawEditorButton(context, model, rest));
    rest.Right -= FEditorButtonWidth;
    FErrorWidth = DrawError(context, model, rest);
    FContentRect = TRectF(r.Left + l, r.Top + t, r.Right - (FButtonWidth + FEditorButtonWidth + FErrorWidth + rr), r.Bottom - b);
    if (FRenderer)
        RenderContent(context, model, FContentRect);
    DrawBorders(context, styles, r, FGrid->GetSmoothing());
}

TKvFill* TKvGridDataCellElement::GetContentFill(TRect& content) const
{
    auto* column = dynamic_cast<TKvGridDataColumn*>(FIndex.Column);
    if (typeid(*this) != typeid(TKvGridDataCellElement) || !FRenderer ||
        typeid(*FRenderer) != typeid(TKvGridDataCellRenderer) || !column || !FGrid)
        return nullptr;
    // Buttons and the error icon take room from the content; the cell is left to itself then.
    if ((column->GetButton() != ButtonNone && ButtonShown(column->GetAlwaysShowButton())) ||
        ButtonShown(column->GetAlwaysShowEditButton()) || !column->GetError().isEmpty())
        return nullptr;
    // Dynamic styles give each cell its own set.
    const TKvGridDynamicStyleCollection* bodyStyles = FGrid->GetBody()->GetDynamicStyles();
    const TKvGridDynamicStyleCollection* columnStyles = column->GetDynamicStyles();
    if ((bodyStyles && bodyStyles->Count() > 0) || (columnStyles && columnStyles->Count() > 0))
        return nullptr;
    TKvGridViewStyles* styles = column->GetStyles();
    if (!styles)
        return nullptr;
    const float w = GetWidth(), h = GetHeight();
    if (w != std::floor(w) || h != std::floor(h) || w <= 0 || h <= 0 || w > 1e7f || h > 1e7f)
        return nullptr;
    content = TRect{styles->GetBorderLeftWidth(), styles->GetBorderTopWidth(), int(w) - styles->GetBorderRightWidth(),
                    int(h) - styles->GetBorderBottomWidth()};
    return content.IsEmpty() ? nullptr : styles->GetBackground();
}

bool TKvGridDataCellElement::PtInButton(int x, int y)
{
    const int width = static_cast<int>(std::lround(GetWidth()));
    if (FButtonWidth < 1 || y < 0 || y >= GetHeight() || x < width - FButtonWidth || x >= GetWidth())
        return false;
    TKvGridCellButtonRenderer* renderer = GetDelegate() ? GetDelegate()->GetCellButtonRenderer(FIndex) : nullptr;
    return renderer && renderer->HitTest(x - (width - FButtonWidth), y);
}

bool TKvGridDataCellElement::PtInEditorButton(int x, int y) const
{
    return FEditorButtonWidth >= 1 && y >= 0 && y < GetHeight() && x >= GetWidth() - FEditorButtonWidth - FButtonWidth &&
           x < GetWidth() - FButtonWidth;
}

// ---- header, footer and bar cells ------------------------------------------------------------

TKvGridHeaderCellElement::TKvGridHeaderCellElement(TKvGridView* grid, const QString& name)
    : TKvGridIndexedCellElement(grid, name)
{
    FSortHandle = Create<TKvGridHeaderSortHandle>(this, QStringLiteral("sortHandle"));
    FSortHandle->SetClickable(true);
    FFilterHandle = Create<TKvGridHeaderFilterHandle>(this, QStringLiteral("filterHandle"));
    // A press on either handle goes to the tool's CellHandleClicked, not to the header cell.
    FFilterHandle->SetClickable(true);
    FSortHandle->SetVisible(false);
    FFilterHandle->SetVisible(false);
    Add(FSortHandle);
    Add(FFilterHandle);
}

TKvGridHeaderCellElement::~TKvGridHeaderCellElement()
{
    FreeObject(FFilterHandle);
    FreeObject(FSortHandle);
}

TKvGridCell* TKvGridHeaderCellElement::GetModel() { return FGrid->GetHeader()->GetCell(FIndex); }

TKvGridCellRenderer* TKvGridHeaderCellElement::DrawingRenderer() const
{
    return FMouseEntered && FHoverRenderer ? FHoverRenderer : FRenderer;
}

void TKvGridHeaderCellElement::LayoutHandles()
{
    const float height = GetHeight();
    float x = static_cast<float>(std::lround(GetWidth() - 4));
    float top = 0;
    float h = height;
    if (FMouseEntered) {
        x += 1;
        top = 1;
        h -= 1;
    }
    if (!dynamic_cast<TKvGridDataColumn*>(FIndex.Column)) {
        FFilterHandle->SetVisible(false);
        FSortHandle->SetVisible(false);
        return;
    }
    const bool filter = FMouseEntered && FGrid->GetFilteringOptions()->GetEnabled() && HasColumnFilters(FIndex.Column, false);
    FFilterHandle->SetVisible(filter);
    if (filter) {
        FFilterHandle->SetBounds(x - 11, top, 11, h);
        x -= 13;
    }
    const bool sort = FMouseEntered && IsSortable(FIndex.Column);
    FSortHandle->SetVisible(sort);
    if (sort)
        FSortHandle->SetBounds(x - 11, top, 11, h);
}

TKvGridCell* TKvGridFooterCellElement::GetModel() { return FGrid->GetFooter()->GetCell(FIndex); }

TKvGridCell* TKvGridRowGroupFooterCellElement::GetModel() { return FGrid->GetRowGroup()->GetFooterCell(FIndex); }

TKvGridCell* TKvGridIndicatorCellElement::GetModel() { return FGrid->GetIndicator()->GetCell(FIndex); }

TKvGridCell* TKvGridStatesCellElement::GetModel() { return FGrid->GetStatesBar()->GetCell(FIndex); }

TKvGridCell* TKvGridCheckCellElement::GetModel() { return FGrid->GetCheckBar()->GetCell(FIndex); }

TKvGridCell* TKvGridRowGroupHeaderCellElement::GetModel()
{
    TKvGridCell* cell = FGrid->GetRowGroup()->GetHeaderCell(FIndex);
    KV_ASSERT(cell, "cell is nil");
    return cell;
}

// ---- group cells -----------------------------------------------------------------------------

void DropColumnCells(TKvGridColumnCells& cells, TKvGridColumn* column)
{
    cells.erase(column);
    for (auto& [key, view] : cells)
        if (auto* group = dynamic_cast<TKvGridGroupCellElement*>(view.get()))
            group->DropColumn(column);
}

TKvGridGroupCellElement::~TKvGridGroupCellElement()
{
    Clear();
    FCells.clear();
}

TKvGridCell* TKvGridGroupCellElement::GetModel() { return FGrid->GetBody()->GetCell(FIndex); }

TKvGridColumnGroup* TKvGridGroupCellElement::GetGroup() const { return dynamic_cast<TKvGridColumnGroup*>(FIndex.Column); }

TKvGridIndexedCellElement* TKvGridGroupCellElement::GetCell(TKvGridColumn* column) const
{
    const auto it = FCells.find(column);
    return it == FCells.end() ? nullptr : it->second.get();
}

void TKvGridGroupCellElement::SetCell(TKvGridColumn* column, TKvGridIndexedCellElement* view)
{
    FCells[column] = TOwned<TKvGridIndexedCellElement>(view);
}

TKvGridIndexedCellElement* TKvGridGroupCellElement::CellOf(TKvGridColumn* column, bool group)
{
    auto& slot = FCells[column];
    // A column freed and another made at its address may need the other kind of view.
    if (!slot || (dynamic_cast<TKvGridGroupCellElement*>(slot.get()) != nullptr) != group)
        slot.reset(MakeCell(column, group));
    return slot.get();
}

TKvGridGroupCellElement* TKvGridGroupCellElement::GetRootOf(TKvSprite* view)
{
    TKvGridGroupCellElement* root = nullptr;
    for (TKvSprite* s = view; s; s = s->GetParent())
        if (auto* g = dynamic_cast<TKvGridGroupCellElement*>(s))
            root = g;
    return root;
}

TKvGridIndexedCellElement* TKvGridGroupCellElement::FindCell(TKvGridColumn* column) const
{
    for (TKvSprite* child : FChildren) {
        auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(child);
        if (!cell)
            continue;
        if (cell->GetColumn() == column)
            return cell;
        if (auto* group = dynamic_cast<TKvGridGroupCellElement*>(cell))
            if (TKvGridIndexedCellElement* found = group->FindCell(column))
                return found;
    }
    return nullptr;
}

TKvGridIndexedCellElement* TKvGridGroupCellElement::GetCellAt(float x, float y, bool deep)
{
    for (TKvSprite* child : FChildren) {
        auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(child);
        if (!cell || !cell->GetVisible())
            continue;
        const float cx = x - cell->GetLeft();
        const float cy = y - cell->GetTop();
        if (cx < 0 || cy < 0 || cx >= cell->GetWidth() || cy >= cell->GetHeight())
            continue;
        if (deep)
            if (auto* group = dynamic_cast<TKvGridGroupCellElement*>(cell))
                if (TKvGridIndexedCellElement* inner = group->GetCellAt(cx, cy, true))
                    return inner;
        return cell;
    }
    return nullptr;
}

void TKvGridGroupCellElement::LayoutContent(TKvAbstractGridLayoutManager* layout)
{
    PrepareCells(layout);
    LayoutCells(layout);
}

void TKvGridGroupCellElement::LayoutChildren(const std::vector<TKvGridIndexedCellElement*>& children, float x, float y,
                                             float w, float h, bool header, TKvAbstractGridLayoutManager* layout)
{
    TKvGridColumnGroup* group = GetGroup();
    if (!group || children.empty())
        return;
    if (group->GetOrientation() == ColumnsHorizontal) {
        float left = x;
        for (size_t i = 0; i < children.size(); ++i) {
            TKvGridIndexedCellElement* child = children[i];
            const bool last = i + 1 == children.size();
            const float width = last ? x + w - left : static_cast<float>(std::max(0, child->GetColumn()->GetGroupWidth()));
            child->SetBounds(left, y, std::max(0.0f, width), h);
            if (!header)
                child->GetColumn()->SetLayoutRect(TRect::Bounds(static_cast<int>(left), static_cast<int>(y),
                                                                static_cast<int>(std::max(0.0f, width)), static_cast<int>(h)));
            left += width;
        }
    } else {
        // A level count of 0 would divide by zero: one level at least.
        const int levels = std::max(1, header ? group->GetHeaderLevel() - (FCells.count(group) ? 1 : 0) : group->GetDataLevel());
        const float unit = static_cast<float>(std::lround(h / levels));
        float top = y;
        for (size_t i = 0; i < children.size(); ++i) {
            TKvGridIndexedCellElement* child = children[i];
            auto* nested = dynamic_cast<TKvGridColumnGroup*>(child->GetColumn());
            const int own = nested ? std::max(1, header ? nested->GetHeaderLevel() : nested->GetDataLevel()) : 1;
            const bool last = i + 1 == children.size();
            const float height = last ? y + h - top : unit * own;
            child->SetBounds(x, top, w, std::max(0.0f, height));
            if (!header)
                child->GetColumn()->SetLayoutRect(TRect::Bounds(static_cast<int>(x), static_cast<int>(top), static_cast<int>(w),
                                                                static_cast<int>(std::max(0.0f, height))));
            top += height;
        }
    }
    for (TKvGridIndexedCellElement* child : children) {
        if (auto* nested = dynamic_cast<TKvGridGroupCellElement*>(child))
            nested->LayoutCells(layout);
        else
            child->LayoutHandles();
    }
}

void TKvGridGroupCellElement::LayoutCells(TKvAbstractGridLayoutManager* layout)
{
    std::vector<TKvGridIndexedCellElement*> children;
    for (TKvSprite* child : FChildren)
        if (auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(child))
            children.push_back(cell);
    LayoutChildren(children, 0, 0, GetWidth(), GetHeight(), false, layout);
}

void TKvGridGroupCellElement::DoDraw(TKvDrawingContext* context)
{
    const float w = GetWidth();
    const float h = GetHeight();
    TKvGridColumnGroup* group = GetGroup();
    if (group && group->Count() == 0 && FRenderer)
        if (TKvGridCell* model = GetModel())
            FRenderer->Render(model, context, TRectF(0, 0, w - 1, h - 1));
    context->DrawLine(TKvStroke::LightGray(), w - 1, 0.0, w - 1, h);
    context->DrawLine(TKvStroke::LightGray(), 0.0, h - 1, w, h - 1);
}

// Prepares the children of a data-like group cell: index, renderer, states.
template <typename Prepare>
static void PrepareGroupChildren(TKvGridGroupCellElement* self, TKvGridColumnGroup* group, Prepare&& prepare)
{
    self->Clear();
    if (!group)
        return;
    for (int i = 0, n = group->VisibleCount(); i < n; ++i)
        prepare(group->GetVisible(i));
}

void TKvGridDataGroupCellElement::PrepareCells(TKvAbstractGridLayoutManager* layout)
{
    TKvGridDelegate* delegate = GetDelegate();
    const TKvGridCellIndex focused = FGrid->GetFocusedIndex();
    PrepareGroupChildren(this, GetGroup(), [&](TKvGridColumn* column) {
        auto* nested = dynamic_cast<TKvGridColumnGroup*>(column);
        TKvGridIndexedCellElement* view = CellOf(column, nested != nullptr);
        const TKvGridCellIndex index(FGrid, FIndex.ItemIndex, column);
        view->SetIndex(index);
        view->SetRenderer(delegate ? delegate->GetCellRenderer(index) : nullptr);
        if (auto* data = dynamic_cast<TKvGridDataCellElement*>(view)) {
            data->SetButtonState(false, false);
            data->SetEditButtonState(false, false);
            data->SetFocused(index == focused);
            data->SetMouseEntered(false);
        }
        Add(view);
        if (auto* group = dynamic_cast<TKvGridGroupCellElement*>(view))
            group->LayoutContent(layout);
    });
}

TKvGridIndexedCellElement* TKvGridDataGroupCellElement::MakeCell(TKvGridColumn* column, bool group)
{
    if (group)
        return Create<TKvGridDataGroupCellElement>(FGrid, QStringLiteral("dataGroupCell"));
    return Create<TKvGridDataCellElement>(FGrid, QStringLiteral("dataCell"));
}

TKvGridCell* TKvGridHeaderGroupCellElement::GetModel() { return FGrid->GetHeader()->GetCell(FIndex); }

TKvGridCell* TKvGridFooterGroupCellElement::GetModel() { return FGrid->GetFooter()->GetCell(FIndex); }

TKvGridCell* TKvGridRowGroupFooterGroupCellElement::GetModel() { return FGrid->GetRowGroup()->GetFooterCell(FIndex); }

void TKvGridHeaderGroupCellElement::PrepareCells(TKvAbstractGridLayoutManager* layout)
{
    Clear();
    FCaption = nullptr;
    TKvGridColumnGroup* group = GetGroup();
    if (!group)
        return;
    TKvGridDelegate* delegate = GetDelegate();
    TKvGridCellRenderer* cellRenderer = delegate ? delegate->GetHeaderCellRenderer() : nullptr;
    TKvGridCellRenderer* hover = delegate ? delegate->GetHeaderCellHoverRenderer() : nullptr;
    if (!hover)
        hover = cellRenderer;
    auto prepare = [&](TKvGridIndexedCellElement* view, TKvGridColumn* column) {
        view->SetIndex(TKvGridCellIndex(FGrid, -1, column));
        view->SetRenderer(cellRenderer);
        if (auto* header = dynamic_cast<TKvGridHeaderCellElement*>(view))
            header->SetHoverRenderer(hover);
        Add(view);
    };
    if (group->GetGroupHeader()->GetVisible() || FGrid->IsDesignTime()) {
        auto& slot = FCells[group];
        if (!slot || !dynamic_cast<TKvGridHeaderCellElement*>(slot.get()))
            slot.reset(Create<TKvGridHeaderCellElement>(FGrid, QStringLiteral("headerCell")));
        FCaption = static_cast<TKvGridHeaderCellElement*>(slot.get());
        prepare(FCaption, group);
    }
    if (group->GetHideChildHeaders())
        return;
    for (int i = 0, n = group->VisibleCount(); i < n; ++i) {
        TKvGridColumn* column = group->GetVisible(i);
        auto* nested = dynamic_cast<TKvGridColumnGroup*>(column);
        TKvGridIndexedCellElement* view = CellOf(column, nested != nullptr);
        prepare(view, column);
        if (auto* g = dynamic_cast<TKvGridGroupCellElement*>(view))
            g->LayoutContent(layout);
    }
}

void TKvGridHeaderGroupCellElement::LayoutCells(TKvAbstractGridLayoutManager* layout)
{
    TKvGridColumnGroup* group = GetGroup();
    if (!group)
        return;
    float top = 0;
    if (FCaption) {
        // A header level of 0 would divide by zero: one level at least.
        top = std::floor(GetHeight() / std::max(1, group->GetHeaderLevel()));
        FCaption->SetBounds(0, 0, GetWidth(), top);
        FCaption->LayoutHandles();
    }
    std::vector<TKvGridIndexedCellElement*> children;
    for (TKvSprite* child : FChildren)
        if (child != FCaption)
            if (auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(child))
                children.push_back(cell);
    LayoutChildren(children, 0, top, GetWidth(), GetHeight() - top, true, layout);
}

TKvGridIndexedCellElement* TKvGridHeaderGroupCellElement::MakeCell(TKvGridColumn* column, bool group)
{
    if (group)
        return Create<TKvGridHeaderGroupCellElement>(FGrid, QStringLiteral("headerGroupCell"));
    return Create<TKvGridHeaderCellElement>(FGrid, QStringLiteral("headerCell"));
}

void TKvGridFooterGroupCellElement::PrepareCells(TKvAbstractGridLayoutManager* layout)
{
    TKvGridDelegate* delegate = GetDelegate();
    PrepareGroupChildren(this, GetGroup(), [&](TKvGridColumn* column) {
        auto* nested = dynamic_cast<TKvGridColumnGroup*>(column);
        TKvGridIndexedCellElement* view = CellOf(column, nested != nullptr);
        view->SetIndex(TKvGridCellIndex(FGrid, FIndex.ItemIndex, column));
        view->SetRenderer(delegate ? delegate->GetFooterCellRenderer() : nullptr);
        Add(view);
        if (auto* g = dynamic_cast<TKvGridGroupCellElement*>(view))
            g->LayoutContent(layout);
    });
}

TKvGridIndexedCellElement* TKvGridFooterGroupCellElement::MakeCell(TKvGridColumn* column, bool group)
{
    if (group)
        return Create<TKvGridFooterGroupCellElement>(FGrid, QStringLiteral("footerGroupCell"));
    return Create<TKvGridFooterCellElement>(FGrid, QStringLiteral("footerCell"));
}

TKvGridIndexedCellElement* TKvGridEditGroupCellElement::MakeCell(TKvGridColumn* column, bool group)
{
    if (group)
        return Create<TKvGridEditGroupCellElement>(FGrid, QStringLiteral("editBarGroupCell"));
    return Create<TKvGridEditCellElement>(FGrid, QStringLiteral("editBarCell"));
}

TKvGridIndexedCellElement* TKvGridRowGroupFooterGroupCellElement::MakeCell(TKvGridColumn* column, bool group)
{
    if (group)
        return Create<TKvGridRowGroupFooterGroupCellElement>(FGrid, QStringLiteral("rowGroupFooterGroupCell"));
    return Create<TKvGridRowGroupFooterCellElement>(FGrid, QStringLiteral("rowGroupFooterCell"));
}

// ---- handles ---------------------------------------------------------------------------------

TKvGridCellHandle::TKvGridCellHandle(TKvGridCellElement* cell, const QString& name) : TKvSprite(nullptr, name), FCell(cell) {}

void TKvGridHeaderSortHandle::DoDraw(TKvDrawingContext* context)
{
    auto* header = dynamic_cast<TKvGridIndexedCellElement*>(FCell);
    auto* column = header ? dynamic_cast<TKvGridDataColumn*>(header->GetColumn()) : nullptr;
    if (!column)
        return;
    // The sort of the column as the grid reports it.
    TKvGridView* grid = header->GetGrid();
    const TKvIntegerArray fields = grid->GetSortFields();
    const TKvGridSortDirections directions = grid->GetSortDirections();
    int order = -1;
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i] == column->GetDataIndex() && column->GetDataIndex() >= 0) {
            order = static_cast<int>(i);
            break;
        }
    const bool sorted = order >= 0;
    const bool descending = sorted && static_cast<size_t>(order) < directions.size() && directions[order] == SortDescending;
    const double cx = std::lround(GetWidth() / 2.0);
    const double cy = std::lround((GetHeight() - 9) / 2.0);
    std::vector<TPointF> points;
    if (descending)
        points = {{float(cx - 4), float(cy)}, {float(cx + 4), float(cy)}, {float(cx), float(cy + 8)}};
    else
        points = {{float(cx), float(cy)}, {float(cx - 4), float(cy + 8)}, {float(cx + 4), float(cy + 8)}};
    const bool hovered = GetHovered();
    TKvFill* fill = sorted ? (hovered ? TKvFill::Black() : TKvFill::Gray()) : nullptr;
    context->DrawPolygon(fill, hovered ? TKvStroke::Black() : TKvStroke::Gray(), points);
}

TObject* TKvGridHeaderFilterHandle::GetAdapter(const std::type_info& type)
{
    if (type == typeid(TKvGridColumn))
        if (auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(FCell))
            return cell->GetColumn();
    return TKvGridCellHandle::GetAdapter(type);
}

void TKvGridHeaderFilterHandle::DoDraw(TKvDrawingContext* context)
{
    auto* cell = dynamic_cast<TKvGridIndexedCellElement*>(FCell);
    const bool active = cell && HasColumnFilters(cell->GetColumn(), true);
    const float cx = static_cast<float>(std::lround(GetWidth() / 2.0));
    const float cy = static_cast<float>(std::lround((GetHeight() - 12) / 2.0));
    const std::vector<TPointF> funnel = {{cx - 4, cy - 1}, {cx + 4, cy - 1}, {cx, cy + 7}};
    TKvFill* fill = TKvSolidBrush::Temp(active ? TKvColor(0xFFFFA500u) : TKvColor(0x22FFA500u));
    TKvStroke* stroke = GetHovered() ? static_cast<TKvStroke*>(TKvSolidPen::Temp(TKvColor(0xFF8B4513u), 1, DashStyleSolid))
                                     : TKvStroke::Gray();
    context->DrawPolygon(fill, stroke, funnel);
    context->DrawLine(stroke, cx, cy + 7, cx, cy + 11);
}

void TKvGridRowGroupExpandHandle::DoDraw(TKvDrawingContext* context)
{
    auto* expander = dynamic_cast<TKvGridRowGroupIndicatorExpander*>(FCell);
    if (!expander)
        return;
    TKvGridItem* item = nullptr;
    if (TKvGridItemProvider* items = expander->GetGrid()->GetItemProvider())
        if (expander->GetIndex() >= 0 && expander->GetIndex() < items->GetItemCount())
            item = items->GetItem(expander->GetIndex());
    auto* group = dynamic_cast<TKvGridGroupItem*>(item);
    const float size = 8;
    const float x = std::floor((GetWidth() - size) / 2);
    const float y = std::floor((GetHeight() - size) / 2);
    context->DrawRect(TKvFill::White(), TKvStroke::Gray(), TRectF::Bounds(x, y, size, size));
    context->DrawLine(TKvStroke::Black(), x + 2, y + size / 2, x + size - 2, y + size / 2);
    if (group && !group->GetExpanded())
        context->DrawLine(TKvStroke::Black(), x + size / 2, y + 2, x + size / 2, y + size - 2);
}

TKvGridRowGroupIndicatorExpander::TKvGridRowGroupIndicatorExpander(TKvGridView* grid, const QString& name)
    : TKvGridCellElement(grid, name)
{
    FHandle = Create<TKvGridRowGroupExpandHandle>(this, QStringLiteral("expandHandle"));
    FHandle->SetClickable(true);
    Add(FHandle);
}

TKvGridRowGroupIndicatorExpander::~TKvGridRowGroupIndicatorExpander() { FreeObject(FHandle); }

void TKvGridRowGroupIndicatorExpander::LayoutHandles() { FHandle->SetBounds(0, 0, GetWidth(), GetHeight()); }

void RaiseInvalidIndex(int index) { throw Exception(QStringLiteral("index is invalid: %1").arg(index)); }

} // namespace kv
