// The grid's sprites: area views (bars, header, footer, body, row-group bar, corners), pooled
// item views (rows, row-group headers and footers), the cell views cached per column inside
// them, and the small handles inside cells.
//
// Call flow: the grid view creates the area views in CreateElements; the layout manager
// measures them (Measure), places them (SetBounds) and runs LayoutContent, which prepares the
// cell views of the visible columns (PrepareCells) and places them (LayoutCells). Drawing asks
// each cell view's area object for the cell model (GetModel) and hands it to the view's
// renderer. Tools hit-test the views and ask data cells for their hit regions.
//
// Sections: cell views (base, data, header, footer, bar and row-group cells); group cells;
// handles; area and item views (bars, header and footer bands, rows, row-group items, body,
// row-group bar, corners, lines overlay); helpers. Implemented in KvGrids.Elements.Cells.cpp
// (cells, group cells, handles) and KvGrids.Elements.Areas.cpp (areas and items).
#pragma once

#include "graphics/KvGrids.Common.Sprites.h"
#include "grid/KvGrids.Index.h"
#include "grid/KvGrids.Renderer.h"

#include <unordered_map>
#include <vector>

namespace kv {

class TKvGridView;
class TKvGridDelegate;
class TKvAbstractGridLayoutManager;
class TKvGridObject;
class TKvGridVisualObject;
class TKvGridCellRenderer;
class TKvGridCell;
class TKvGridItem;

// ---- cell views ------------------------------------------------------------------------------

class TKvGridCellElement : public TKvSpriteElement
{
public:
    TKvGridCellElement(TKvGridView* grid, const QString& name);

    TKvGridView* GetGrid() const { return FGrid; }
    TKvGridDelegate* GetDelegate() const;
    virtual TKvGridCell* GetModel() = 0;
    virtual void LayoutHandles() {}
    TRectF GetClipRect() const override { return TRectF(0, 0, GetWidth(), GetHeight()); }

    TKvGridCellRenderer* GetRenderer() const { return FRenderer; }
    void SetRenderer(TKvGridCellRenderer* renderer) { FRenderer = renderer; }
    bool GetMouseEntered() const { return FMouseEntered; }
    void SetMouseEntered(bool value);
    bool GetPushed() const { return FPushed; }
    void SetPushed(bool value);

    // The four border lines of a style set around rect (own coordinates).
    static void DrawBorders(TKvDrawingContext* context, TKvGridViewStyles* styles, const TRectF& rect, bool smoothing);

protected:
    // Styles from the model, renderer into the border-inset rectangle, then the borders.
    void DoDraw(TKvDrawingContext* context) override;
    virtual TKvGridCellRenderer* DrawingRenderer() const { return FRenderer; }
    void RenderContent(TKvDrawingContext* context, TKvGridCell* model, const TRectF& content);

    TKvGridView* FGrid;
    TKvGridCellRenderer* FRenderer = nullptr;
    bool FMouseEntered = false;
    bool FPushed = false;
};

class TKvGridIndexedCellElement : public TKvGridCellElement
{
public:
    using TKvGridCellElement::TKvGridCellElement;
    const TKvGridCellIndex& GetIndex() const { return FIndex; }
    void SetIndex(const TKvGridCellIndex& index) { FIndex = index; }
    TKvGridColumn* GetColumn() const { return FIndex.Column; }

protected:
    TKvGridCellIndex FIndex;
};

class TKvGridDataCellElement : public TKvGridIndexedCellElement
{
public:
    using TKvGridIndexedCellElement::TKvGridIndexedCellElement;
    TKvGridCell* GetModel() override;

    bool GetFocused() const { return FFocused; }
    void SetFocused(bool value) { FFocused = value; }
    void SetButtonState(bool hovered, bool pressed);
    void SetEditButtonState(bool hovered, bool pressed);
    bool GetButtonHovered() const { return FButtonHovered; }
    bool GetButtonPressed() const { return FButtonPressed; }
    bool PtInButton(const TPoint& point) { return PtInButton(point.X, point.Y); }
    bool PtInButton(int x, int y);
    bool PtInEditorButton(const TPoint& point) { return PtInEditorButton(point.X, point.Y); }
    bool PtInEditorButton(int x, int y) const;
    int GetButtonWidth() const { return FButtonWidth; }
    int GetEditorButtonWidth() const { return FEditorButtonWidth; }
    int GetErrorWidth() const { return FErrorWidth; }
    const QString& GetError() const { return FError; }
    // The content rectangle of the last draw (own coordinates).
    const TRectF& GetContentRect() const { return FContentRect; }
    // The fill that the next draw covers content (own coordinates) with first, when this view
    // and its renderer are the stock ones and no button or error icon takes room; else null.
    TKvFill* GetContentFill(TRect& content) const;

protected:
    void DoDraw(TKvDrawingContext* context) override;
    int DrawButton(TKvDrawingContext* context, TKvGridCell* model, const TRectF& r);
    int DrawEditorButton(TKvDrawingContext* context, TKvGridCell* model, const TRectF& r);
    int DrawError(TKvDrawingContext* context, TKvGridCell* model, const TRectF& r);
    bool ButtonShown(bool always) const;
    int RenderButton(TKvGridCellButtonRenderer* renderer, TKvDrawingContext* context, TKvGridCell* model,
                     const TRectF& r, bool hovered, bool pressed, bool focused);
    bool EditingHere() const;

    bool FFocused = false;
    bool FButtonHovered = false;
    bool FButtonPressed = false;
    bool FEditButtonHovered = false;
    bool FEditButtonPressed = false;
    QString FError;
    int FButtonWidth = 0;
    int FEditorButtonWidth = 0;
    int FErrorWidth = 0;
    TRectF FContentRect;
};

class TKvGridCellHandle;
class TKvGridHeaderSortHandle;
class TKvGridHeaderFilterHandle;

class TKvGridHeaderCellElement : public TKvGridIndexedCellElement
{
public:
    TKvGridHeaderCellElement(TKvGridView* grid, const QString& name);
    ~TKvGridHeaderCellElement() override;
    TKvGridCell* GetModel() override;
    void LayoutHandles() override;
    TKvGridHeaderSortHandle* GetSortHandle() const { return FSortHandle; }
    TKvGridHeaderFilterHandle* GetFilterHandle() const { return FFilterHandle; }
    TKvGridCellRenderer* GetHoverRenderer() const { return FHoverRenderer; }
    void SetHoverRenderer(TKvGridCellRenderer* renderer) { FHoverRenderer = renderer; }

protected:
    void HoveredChanged() override { Invalidate(); }
    TKvGridCellRenderer* DrawingRenderer() const override;

    TKvGridHeaderSortHandle* FSortHandle;
    TKvGridHeaderFilterHandle* FFilterHandle;
    TKvGridCellRenderer* FHoverRenderer = nullptr;
};

class TKvGridFooterCellElement : public TKvGridIndexedCellElement
{
public:
    using TKvGridIndexedCellElement::TKvGridIndexedCellElement;
    TKvGridCell* GetModel() override;
};

class TKvGridEditCellElement : public TKvGridFooterCellElement
{
public:
    using TKvGridFooterCellElement::TKvGridFooterCellElement;
};

class TKvGridRowGroupFooterCellElement : public TKvGridIndexedCellElement
{
public:
    using TKvGridIndexedCellElement::TKvGridIndexedCellElement;
    TKvGridCell* GetModel() override;
};

// Cells of the bars and of row-group headers: addressed by item index.
class TKvGridItemCellElement : public TKvGridCellElement
{
public:
    using TKvGridCellElement::TKvGridCellElement;
    int GetIndex() const { return FIndex; }
    void SetIndex(int index) { FIndex = index; }

protected:
    int FIndex = -1;
};

class TKvGridIndicatorCellElement : public TKvGridItemCellElement
{
public:
    using TKvGridItemCellElement::TKvGridItemCellElement;
    TKvGridCell* GetModel() override;
};

class TKvGridStatesCellElement : public TKvGridItemCellElement
{
public:
    using TKvGridItemCellElement::TKvGridItemCellElement;
    TKvGridCell* GetModel() override;
};

class TKvGridCheckCellElement : public TKvGridItemCellElement
{
public:
    using TKvGridItemCellElement::TKvGridItemCellElement;
    TKvGridCell* GetModel() override;
};

class TKvGridRowGroupHeaderCellElement : public TKvGridItemCellElement
{
public:
    using TKvGridItemCellElement::TKvGridItemCellElement;
    TKvGridCell* GetModel() override;
};

// A per-column cache of cell views, keyed by the column.
using TKvGridColumnCells = std::unordered_map<TKvGridColumn*, TOwned<TKvGridIndexedCellElement>>;
// Frees the cached view of a column leaving the tree (it leaves its parent's children) and
// that column's views inside the cached group cells.
void DropColumnCells(TKvGridColumnCells& cells, TKvGridColumn* column);

// The cell of a column group: one child view per visible column, cached per column.
class TKvGridGroupCellElement : public TKvGridIndexedCellElement
{
public:
    using TKvGridIndexedCellElement::TKvGridIndexedCellElement;
    ~TKvGridGroupCellElement() override;

    TKvGridCell* GetModel() override;
    TKvGridColumnGroup* GetGroup() const;
    TKvGridIndexedCellElement* GetCell(TKvGridColumn* column) const;
    void SetCell(TKvGridColumn* column, TKvGridIndexedCellElement* view);
    // The outermost group cell above view (view itself when it is one and has no group cell
    // above it).
    static TKvGridGroupCellElement* GetRootOf(TKvSprite* view);
    // Depth-first among the children, into nested group cells.
    TKvGridIndexedCellElement* FindCell(TKvGridColumn* column) const;
    // The child under (x, y) (own coordinates); deep descends into nested group cells.
    TKvGridIndexedCellElement* GetCellAt(float x, float y, bool deep = true);
    TKvGridCellRenderer* GetCellRenderer() const { return FCellRenderer; }
    void SetCellRenderer(TKvGridCellRenderer* renderer) { FCellRenderer = renderer; }
    // Frees the cached views of a column leaving the tree, here and in nested group cells.
    void DropColumn(TKvGridColumn* column) { DropColumnCells(FCells, column); }

    TSize Measure(int width, int height) { return DoMeasure(width, height); }
    void LayoutContent(TKvAbstractGridLayoutManager* layout);

protected:
    virtual TSize DoMeasure(int width, int height) { return TSize{width, height}; }
    virtual void PrepareCells(TKvAbstractGridLayoutManager* layout) = 0;
    virtual void LayoutCells(TKvAbstractGridLayoutManager* layout);
    void DoDraw(TKvDrawingContext* context) override;
    TRectF GetClipRect() const override { return TRectF(0, 0, GetWidth(), GetHeight()); }
    // The cached child of column, made by make when missing or of the wrong kind.
    TKvGridIndexedCellElement* CellOf(TKvGridColumn* column, bool group);
    virtual TKvGridIndexedCellElement* MakeCell(TKvGridColumn* column, bool group) = 0;
    // Children laid out left to right or stacked, in (x, y, w, h).
    void LayoutChildren(const std::vector<TKvGridIndexedCellElement*>& children, float x, float y, float w, float h,
                        bool header, TKvAbstractGridLayoutManager* layout);

    std::unordered_map<TKvGridColumn*, TOwned<TKvGridIndexedCellElement>> FCells;
    TKvGridCellRenderer* FCellRenderer = nullptr;
};

class TKvGridDataGroupCellElement : public TKvGridGroupCellElement
{
public:
    using TKvGridGroupCellElement::TKvGridGroupCellElement;

protected:
    void PrepareCells(TKvAbstractGridLayoutManager* layout) override;
    TKvGridIndexedCellElement* MakeCell(TKvGridColumn* column, bool group) override;
};

class TKvGridHeaderGroupCellElement : public TKvGridGroupCellElement
{
public:
    using TKvGridGroupCellElement::TKvGridGroupCellElement;
    TKvGridCell* GetModel() override;
    // The group's own caption cell, when prepared.
    TKvGridHeaderCellElement* GetCaptionCell() const { return FCaption; }

protected:
    void PrepareCells(TKvAbstractGridLayoutManager* layout) override;
    void LayoutCells(TKvAbstractGridLayoutManager* layout) override;
    TKvGridIndexedCellElement* MakeCell(TKvGridColumn* column, bool group) override;

    TKvGridHeaderCellElement* FCaption = nullptr;
};

class TKvGridFooterGroupCellElement : public TKvGridGroupCellElement
{
public:
    using TKvGridGroupCellElement::TKvGridGroupCellElement;
    TKvGridCell* GetModel() override;

protected:
    void PrepareCells(TKvAbstractGridLayoutManager* layout) override;
    TKvGridIndexedCellElement* MakeCell(TKvGridColumn* column, bool group) override;
};

class TKvGridEditGroupCellElement : public TKvGridFooterGroupCellElement
{
public:
    using TKvGridFooterGroupCellElement::TKvGridFooterGroupCellElement;

protected:
    TKvGridIndexedCellElement* MakeCell(TKvGridColumn* column, bool group) override;
};

class TKvGridRowGroupFooterGroupCellElement : public TKvGridFooterGroupCellElement
{
public:
    using TKvGridFooterGroupCellElement::TKvGridFooterGroupCellElement;
    TKvGridCell* GetModel() override;

protected:
    TKvGridIndexedCellElement* MakeCell(TKvGridColumn* column, bool group) override;
};

// ---- handles ---------------------------------------------------------------------------------

class TKvGridCellHandle : public TKvSprite
{
public:
    TKvGridCellHandle(TKvGridCellElement* cell, const QString& name);
    TKvGridCellElement* GetCell() const { return FCell; }
    bool GetClickable() const { return FClickable; }
    void SetClickable(bool value) { FClickable = value; }

protected:
    void HoveredChanged() override { Invalidate(); }

    TKvGridCellElement* FCell;
    bool FClickable = false;
};

class TKvGridHeaderSortHandle : public TKvGridCellHandle
{
public:
    using TKvGridCellHandle::TKvGridCellHandle;

protected:
    void DoDraw(TKvDrawingContext* context) override;
};

class TKvGridHeaderFilterHandle : public TKvGridCellHandle
{
public:
    using TKvGridCellHandle::TKvGridCellHandle;
    TObject* GetAdapter(const std::type_info& type) override;

protected:
    void DoDraw(TKvDrawingContext* context) override;
};

class TKvGridRowGroupExpandHandle : public TKvGridCellHandle
{
public:
    using TKvGridCellHandle::TKvGridCellHandle;

protected:
    void DoDraw(TKvDrawingContext* context) override;
};

class TKvGridRowGroupIndicatorExpander : public TKvGridCellElement
{
public:
    TKvGridRowGroupIndicatorExpander(TKvGridView* grid, const QString& name);
    ~TKvGridRowGroupIndicatorExpander() override;
    TKvGridCell* GetModel() override { return nullptr; }
    int GetIndex() const { return FIndex; }
    void SetIndex(int index) { FIndex = index; }
    TKvGridRowGroupExpandHandle* GetHandle() const { return FHandle; }
    void LayoutHandles() override;

protected:
    void DoDraw(TKvDrawingContext* context) override {}

    int FIndex = -1;
    TKvGridRowGroupExpandHandle* FHandle;
};

// ---- area and item views ---------------------------------------------------------------------

class TKvGridElement : public TKvSpriteElement
{
public:
    TKvGridElement(TKvGridView* grid, const QString& name);
    TKvGridView* GetGrid() const { return FGrid; }
    TKvGridDelegate* GetDelegate() const;
    TSize Measure(TKvGridView* grid, int width, int height) { return DoMeasure(grid, width, height); }
    void LayoutContent(TKvAbstractGridLayoutManager* layout) { DoLayoutContent(layout); }
    TRectF GetClipRect() const override { return TRectF(0, 0, GetWidth(), GetHeight()); }

protected:
    virtual TSize DoMeasure(TKvGridView* grid, int width, int height) { return TSize{width, height}; }
    virtual void DoLayoutContent(TKvAbstractGridLayoutManager* layout) {}

    TKvGridView* FGrid;
};

class TKvGridRegionElement : public TKvGridElement
{
public:
    // Raises EArgumentNilException "model" for a nil model.
    TKvGridRegionElement(TKvGridObject* model, const QString& name);
    TKvGridObject* GetModel() const { return FModel; }
    IKvGridRenderer* GetRenderer() const { return FRenderer.get(); }
    void SetRenderer(IKvGridRenderer* renderer) { FRenderer = IntfPtr<IKvGridRenderer>(renderer); }

protected:
    TSize DoMeasure(TKvGridView* grid, int width, int height) override;
    void DoDraw(TKvDrawingContext* context) override;

    TKvGridObject* FModel;
    IntfPtr<IKvGridRenderer> FRenderer;
};

// The indicator, states bar and check bar: one cell view per shown row.
class TKvGridBarElement : public TKvGridRegionElement
{
public:
    using TKvGridRegionElement::TKvGridRegionElement;
    ~TKvGridBarElement() override;
    TKvGridCellRenderer* GetCellRenderer() const { return FCellRenderer; }
    void SetCellRenderer(TKvGridCellRenderer* renderer) { FCellRenderer = renderer; }
    int GetCellCount() const { return static_cast<int>(FCells.size()); }
    // Raises "index is invalid: " with the index out of range.
    TKvGridItemCellElement* GetCell(int index) const;

protected:
    void DoLayoutContent(TKvAbstractGridLayoutManager* layout) override;
    virtual TKvGridItemCellElement* CreateCell() = 0;

    std::vector<TOwned<TKvGridItemCellElement>> FCells;
    TKvGridCellRenderer* FCellRenderer = nullptr;
};

class TKvGridIndicatorElement : public TKvGridBarElement
{
public:
    using TKvGridBarElement::TKvGridBarElement;

protected:
    TKvGridItemCellElement* CreateCell() override;
};

class TKvGridStatesBarElement : public TKvGridBarElement
{
public:
    using TKvGridBarElement::TKvGridBarElement;

protected:
    TKvGridItemCellElement* CreateCell() override;
};

class TKvGridCheckBarElement : public TKvGridBarElement
{
public:
    using TKvGridBarElement::TKvGridBarElement;

protected:
    TKvGridItemCellElement* CreateCell() override;
};

// Header and footer: the cell views of the top-level columns, cached per column.
class TKvGridColumnBandElement : public TKvGridRegionElement
{
public:
    TKvGridColumnBandElement(TKvGridObject* model, const QString& name, bool fixed);
    ~TKvGridColumnBandElement() override;
    bool GetFixed() const { return FFixed; }
    TKvGridIndexedCellElement* GetCells(TKvGridColumn* column) const;
    TKvGridCellRenderer* GetCellRenderer() const { return FCellRenderer; }
    void SetCellRenderer(TKvGridCellRenderer* renderer) { FCellRenderer = renderer; }
    TKvGridCellRenderer* GetGroupCellRenderer() const { return FGroupCellRenderer; }
    void SetGroupCellRenderer(TKvGridCellRenderer* renderer) { FGroupCellRenderer = renderer; }
    void DropColumn(TKvGridColumn* column) { DropColumnCells(FCells, column); }

protected:
    void DoLayoutContent(TKvAbstractGridLayoutManager* layout) override;
    virtual TKvGridIndexedCellElement* CreateCell() = 0;
    virtual TKvGridGroupCellElement* CreateGroupCell() = 0;
    virtual void PrepareCell(TKvGridIndexedCellElement* view) {}

    bool FFixed;
    std::unordered_map<TKvGridColumn*, TOwned<TKvGridIndexedCellElement>> FCells;
    TKvGridCellRenderer* FCellRenderer = nullptr;
    TKvGridCellRenderer* FGroupCellRenderer = nullptr;
};

class TKvGridHeaderElement : public TKvGridColumnBandElement
{
public:
    using TKvGridColumnBandElement::TKvGridColumnBandElement;
    TKvGridCellRenderer* GetCellHoverRenderer() const { return FCellHoverRenderer; }
    void SetCellHoverRenderer(TKvGridCellRenderer* renderer) { FCellHoverRenderer = renderer; }
    // The header cell view under (x, y) (own coordinates), descending into column groups.
    TKvGridHeaderCellElement* GetCellAt(float x, float y);

protected:
    TKvGridIndexedCellElement* CreateCell() override;
    TKvGridGroupCellElement* CreateGroupCell() override;
    void PrepareCell(TKvGridIndexedCellElement* view) override;

    TKvGridCellRenderer* FCellHoverRenderer = nullptr;
};

class TKvGridFooterElement : public TKvGridColumnBandElement
{
public:
    using TKvGridColumnBandElement::TKvGridColumnBandElement;

protected:
    TKvGridIndexedCellElement* CreateCell() override;
    TKvGridGroupCellElement* CreateGroupCell() override;
};

// The edit bar is not laid out by the stock layout; it makes and keeps its cells for
// descendants: "editBarCell" and "editBarGroupCell" views in owned lists, each holding the
// bar's cell or group-cell renderer from the moment it is made.
class TKvGridEditBarElement : public TKvGridRegionElement
{
public:
    using TKvGridRegionElement::TKvGridRegionElement;
    ~TKvGridEditBarElement() override;
    IKvGridRenderer* GetGroupRenderer() const { return FGroupRenderer.get(); }
    void SetGroupRenderer(IKvGridRenderer* renderer) { FGroupRenderer = IntfPtr<IKvGridRenderer>(renderer); }
    TKvGridCellRenderer* GetCellRenderer() const { return FCellRenderer; }
    // Also given to every cell view made so far.
    void SetCellRenderer(TKvGridCellRenderer* renderer);
    TKvGridCellRenderer* GetGroupCellRenderer() const { return FGroupCellRenderer; }
    // Also given to every group cell view made so far.
    void SetGroupCellRenderer(TKvGridCellRenderer* renderer);

    // A new cell view, kept until the bar goes.
    TKvGridEditCellElement* AddCell();
    TKvGridEditGroupCellElement* AddGroupCell();
    int GetCellCount() const { return static_cast<int>(FCells.size()); }
    int GetGroupCellCount() const { return static_cast<int>(FGroupCells.size()); }
    // Raise "index is invalid: " with the index out of range.
    TKvGridEditCellElement* GetCell(int index) const;
    TKvGridEditGroupCellElement* GetGroupCell(int index) const;

protected:
    virtual TKvGridEditCellElement* CreateCell();
    virtual TKvGridEditGroupCellElement* CreateGroupCell();

    std::vector<TOwned<TKvGridEditCellElement>> FCells;
    std::vector<TOwned<TKvGridEditGroupCellElement>> FGroupCells;
    IntfPtr<IKvGridRenderer> FGroupRenderer;
    TKvGridCellRenderer* FCellRenderer = nullptr;
    TKvGridCellRenderer* FGroupCellRenderer = nullptr;
};

class TKvGridItemElement : public TKvGridElement
{
public:
    using TKvGridElement::TKvGridElement;
    int GetIndex() const { return FIndex; }
    void SetIndex(int index) { FIndex = index; }
    IKvGridItemRenderer* GetRenderer() const { return FRenderer.get(); }
    void SetRenderer(IKvGridItemRenderer* renderer) { FRenderer = IntfPtr<IKvGridItemRenderer>(renderer); }
    TKvGridItem* GetModel(TKvGridView* grid) const;

protected:
    TSize DoMeasure(TKvGridView* grid, int width, int height) override;
    void DoDraw(TKvDrawingContext* context) override;
    virtual TKvGridViewStyles* ItemStyles() const;

    int FIndex = -1;
    IntfPtr<IKvGridItemRenderer> FRenderer;
};

class TKvGridRowElement : public TKvGridItemElement
{
public:
    TKvGridRowElement(TKvGridView* grid, const QString& name, bool fixed);
    ~TKvGridRowElement() override;
    bool GetFixed() const { return FFixed; }
    void SetFixed(bool value) { FFixed = value; }
    // The view of a top-level column, or of a nested column inside its root group's view.
    TKvGridIndexedCellElement* GetCells(TKvGridColumn* column) const;
    void DropColumn(TKvGridColumn* column)
    {
        FPrepared.clear();
        DropColumnCells(FCells, column);
    }

protected:
    void DoLayoutContent(TKvAbstractGridLayoutManager* layout) override;
    void PrepareCells(TKvAbstractGridLayoutManager* layout);
    void LayoutCells(TKvAbstractGridLayoutManager* layout);

    // The views of the row's columns as the last layout found them, in the layout's column
    // order: a layout over the same columns takes them from here.
    struct TPreparedCell
    {
        TKvGridColumn* Column;
        TKvGridIndexedCellElement* View;
        TKvGridDataCellElement* Data;
        TKvGridGroupCellElement* Group;
    };
    bool SamePrepared(TKvAbstractGridLayoutManager* layout, int from, int to) const;

    bool FFixed;
    std::unordered_map<TKvGridColumn*, TOwned<TKvGridIndexedCellElement>> FCells;
    std::vector<TPreparedCell> FPrepared;
    int FPreparedFrom = 0;
    std::vector<TKvSprite*> FShown; // PrepareCells' list of children, kept for its storage
};

class TKvGridRowGroupItemElement : public TKvGridItemElement
{
public:
    using TKvGridItemElement::TKvGridItemElement;
};

class TKvGridRowGroupHeaderElement : public TKvGridRowGroupItemElement
{
public:
    TKvGridRowGroupHeaderElement(TKvGridView* grid, const QString& name);
    ~TKvGridRowGroupHeaderElement() override;
    TKvGridRowGroupHeaderCellElement* GetCell() const { return FCell; }

protected:
    void DoLayoutContent(TKvAbstractGridLayoutManager* layout) override;
    void DoDraw(TKvDrawingContext* context) override;

    TKvGridRowGroupHeaderCellElement* FCell;
};

class TKvGridRowGroupFooterElement : public TKvGridRowGroupItemElement
{
public:
    TKvGridRowGroupFooterElement(TKvGridView* grid, const QString& name, bool fixed);
    ~TKvGridRowGroupFooterElement() override;
    bool GetFixed() const { return FFixed; }
    int GetIndents() const { return FIndents; }
    void SetIndents(int value) { FIndents = value; }
    TKvGridIndexedCellElement* GetCells(TKvGridColumn* column) const;
    void DropColumn(TKvGridColumn* column) { DropColumnCells(FCells, column); }

protected:
    void DoLayoutContent(TKvAbstractGridLayoutManager* layout) override;

    bool FFixed;
    std::unordered_map<TKvGridColumn*, TOwned<TKvGridIndexedCellElement>> FCells;
    TKvGridCellRenderer* FCellRenderer = nullptr;
    int FIndents = 0;
};

class TKvGridBodyElement : public TKvGridRegionElement
{
public:
    TKvGridBodyElement(TKvGridObject* model, const QString& name, bool fixed);
    ~TKvGridBodyElement() override;
    bool GetFixed() const { return FFixed; }
    IKvGridRenderer* GetEmptyRenderer() const { return FEmptyRenderer.get(); }
    void SetEmptyRenderer(IKvGridRenderer* renderer) { FEmptyRenderer = IntfPtr<IKvGridRenderer>(renderer); }

    void ClearItems();
    TKvGridRowElement* AddItem(int index);
    TKvGridRowElement* FindByItem(int index) const;
    int GetUsed() const { return FUsed; }
    int GetPoolCount() const { return static_cast<int>(FRows.size()); }
    // Every row view, laid out or pooled, frees its cached views of the column.
    void DropColumn(TKvGridColumn* column);
    // The fill that the next draw covers the whole view with first, when this view and its
    // renderer are the stock ones and there are rows and columns; else null.
    TKvFill* GetStockFill() const;

protected:
    void DoDraw(TKvDrawingContext* context) override;

    bool FFixed;
    IntfPtr<IKvGridRenderer> FEmptyRenderer;
    std::vector<TOwned<TKvGridRowElement>> FRows;
    int FUsed = 0;
};

class TKvGridRowGroupIndicatorHeadElement;
class TKvGridRowGroupIndicatorFootElement;

class TKvGridRowGroupIndicatorElement : public TKvGridElement
{
public:
    TKvGridRowGroupIndicatorElement(TKvGridView* grid, const QString& name, int level);
    ~TKvGridRowGroupIndicatorElement() override;
    int GetLevel() const { return FLevel; }
    int GetExpanderCount() const { return FExpanderCount; }
    TKvGridRowGroupIndicatorExpander* GetExpander(int index) const;
    TKvGridRowGroupIndicatorHeadElement* GetHead() const { return FHead; }

protected:
    void DoLayoutContent(TKvAbstractGridLayoutManager* layout) override;
    void DoDraw(TKvDrawingContext* context) override;

    int FLevel;
    TKvGridRowGroupIndicatorHeadElement* FHead;
    int FExpanderCount = 0;
    std::vector<TOwned<TKvGridRowGroupIndicatorExpander>> FExpanders;
};

class TKvGridRowGroupIndicatorHeadElement : public TKvGridElement
{
public:
    using TKvGridElement::TKvGridElement;
    void SetStyles(TKvGridViewStyles* styles) { FStyles = styles; }

protected:
    void DoDraw(TKvDrawingContext* context) override;
    TKvGridViewStyles* FStyles = nullptr;
};

class TKvGridRowGroupIndicatorFootElement : public TKvGridRowGroupIndicatorHeadElement
{
public:
    using TKvGridRowGroupIndicatorHeadElement::TKvGridRowGroupIndicatorHeadElement;

protected:
    void DoDraw(TKvDrawingContext* context) override;
};

class TKvGridRowGroupElement : public TKvGridRegionElement
{
public:
    TKvGridRowGroupElement(TKvGridObject* model, const QString& name);
    ~TKvGridRowGroupElement() override;
    bool IsLayer() const override { return true; }
    bool IsBounded() const override { return false; }

    void ClearBody();
    TKvGridRowGroupHeaderElement* AddHeader(int index);
    void AddFooter(int index);
    int GetIndicatorCount() const { return static_cast<int>(FIndicators.size()); }
    int GetHeaderCount() const { return static_cast<int>(FHeaders.size()); }
    int GetFooterCount() const { return static_cast<int>(FFooters.size()); }
    int GetFixedFooterCount() const { return static_cast<int>(FFixedFooters.size()); }
    // Each raises "index is invalid: " with the index out of range.
    TKvGridRowGroupIndicatorElement* GetIndicator(int i) const;
    TKvGridRowGroupHeaderElement* GetHeader(int i) const;
    TKvGridRowGroupFooterElement* GetFooter(int i) const;
    TKvGridRowGroupFooterElement* GetFixedFooter(int i) const;
    // Every footer view, laid out or pooled, frees its cached views of the column.
    void DropColumn(TKvGridColumn* column);

protected:
    TSize DoMeasure(TKvGridView* grid, int width, int height) override;
    void DoLayoutContent(TKvAbstractGridLayoutManager* layout) override;
    void DoDraw(TKvDrawingContext* context) override {}
    int Levels() const;

    TKvLayerElement* FBarElement;
    TKvLayerElement* FBodyElement;
    TKvLayerElement* FFooterElement;
    std::vector<TOwned<TKvGridRowGroupHeaderElement>> FHeaderBuff;
    std::vector<TOwned<TKvGridRowGroupFooterElement>> FFooterBuff;
    std::vector<TOwned<TKvGridRowGroupFooterElement>> FFixedFooterBuff;
    int FHeaderUsed = 0;
    int FFooterUsed = 0;
    int FFixedFooterUsed = 0;
    std::vector<TKvGridRowGroupHeaderElement*> FHeaders;
    std::vector<TKvGridRowGroupFooterElement*> FFooters;
    std::vector<TKvGridRowGroupFooterElement*> FFixedFooters;
    std::vector<TOwned<TKvGridRowGroupIndicatorElement>> FIndicators;
    std::vector<TOwned<TKvGridRowGroupIndicatorFootElement>> FFoots;
};

// Corner views above and below the indicator, states and check bars.
class TKvGridObjectCellElement : public TKvGridElement
{
public:
    TKvGridObjectCellElement(TKvGridVisualObject* model, const QString& name);
    TKvGridVisualObject* GetModel() const { return FModel; }
    IKvGridObjectRenderer* GetRenderer() const { return FRenderer.get(); }
    void SetRenderer(IKvGridObjectRenderer* renderer) { FRenderer = IntfPtr<IKvGridObjectRenderer>(renderer); }

protected:
    void DoDraw(TKvDrawingContext* context) override;

    TKvGridVisualObject* FModel;
    IntfPtr<IKvGridObjectRenderer> FRenderer;
};

class TKvGridObjectHeaderElement : public TKvGridObjectCellElement
{
public:
    using TKvGridObjectCellElement::TKvGridObjectCellElement;
};

class TKvGridObjectFooterElement : public TKvGridObjectCellElement
{
public:
    using TKvGridObjectCellElement::TKvGridObjectCellElement;
};

class TKvGridFetchBarElement : public TKvGridElement
{
public:
    using TKvGridElement::TKvGridElement;
};

// The overlay that draws the body's outer lines; the stock one is in KvGrids.Impl.
class TKvGridLinesElement : public TKvGridElement
{
public:
    using TKvGridElement::TKvGridElement;
    bool IsLayer() const override { return true; }
    virtual void PrepareLines(TKvGridView* grid, TKvAbstractGridLayoutManager* layout, const TRect& rect);
};

// Makes views the element's children in that order; nothing changes when they already are, so
// a relayout of an unchanged view touches no child list.
void SetChildren(TKvSpriteElement* element, const std::vector<TKvSprite*>& views);

// Registers the grid's compiled-in bitmap resources (once).
void EnsureGridResources();

// Raises the pool error "index is invalid: " followed by the index.
[[noreturn]] void RaiseInvalidIndex(int index);

} // namespace kv
