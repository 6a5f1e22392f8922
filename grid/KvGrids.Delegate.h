// The grid delegate: the renderer of every area, item and cell, the cell editor and button
// renderers of a cell, the default tool, and the pools of row, row-group and selection views.
// Area renderers are shared by every grid of the process; a delegate's own field wins.
#pragma once

#include "grid/KvGrids.Renderer.h"
#include "grid/KvGrids.GridTool.h"
#include "platform/rtl/Interfaces.h"

#include <vector>

namespace kv {

class TKvGridView;
class TKvGridItem;
class TKvGridCellEditor;
class TKvGridElement;
class TKvGridRowElement;
class TKvGridRowGroupHeaderElement;
class TKvGridRowGroupFooterElement;
class TKvGridHeaderElement;
class TKvGridHeaderFilterHandle;
class TKvGridFilterSelector;
class TKvSprite;
class TWinControl;

class TKvGridDelegate : public TObject
{
public:
    // Raises EArgumentNilException "owner is nil" for a nil grid.
    explicit TKvGridDelegate(TKvGridView* Grid);
    ~TKvGridDelegate() override;
    void AfterConstruction() override;

    TKvGridView* GetOwner() const { return FOwner; }

    virtual IntfPtr<IKvGridTool> CreateDefaultTool();
    // A view for the item from its pool (made when the pool is empty). Raises "Invalid item
    // type: " with the class name for other items.
    virtual TKvGridElement* BorrowItemView(TKvGridItem* Item);
    // Back into its pool; a view already pooled is an assertion failure.
    virtual void ReturnItemView(TKvGridElement* View);
    virtual TKvSprite* BorrowSelectionView(TObject* Item);
    virtual void ReturnSelectionView(TKvSprite* View);

    virtual IKvGridRenderer* GetEmptyRenderer();
    virtual IKvGridRenderer* GetFixedBodyRenderer();
    virtual IKvGridRenderer* GetBodyRenderer();
    virtual IKvGridRenderer* GetIndicatorRenderer();
    virtual IKvGridRenderer* GetStatesBarRenderer();
    virtual IKvGridRenderer* GetCheckBarRenderer();
    virtual IKvGridRenderer* GetHeaderRenderer();
    virtual IKvGridRenderer* GetFixedHeaderRenderer();
    virtual IKvGridRenderer* GetFooterRenderer();
    virtual IKvGridRenderer* GetFixedFooterRenderer();
    virtual IKvGridItemRenderer* GetRowRenderer();
    virtual IKvGridItemRenderer* GetRowGroupHeaderRenderer();
    virtual IKvGridItemRenderer* GetRowGroupFooterRenderer();
    virtual IKvGridObjectRenderer* GetIndicatorHeadRenderer();
    virtual IKvGridObjectRenderer* GetStatesBarHeadRenderer();
    virtual IKvGridObjectRenderer* GetCheckBarHeadRenderer();
    virtual IKvGridObjectRenderer* GetIndicatorFootRenderer();
    virtual IKvGridObjectRenderer* GetStatesBarFootRenderer();
    virtual IKvGridObjectRenderer* GetCheckBarFootRenderer();
    virtual TKvGridCellRenderer* GetIndicatorCellRenderer();
    virtual TKvGridCellRenderer* GetStatesCellRenderer();
    virtual TKvGridCellRenderer* GetCheckCellRenderer();
    virtual TKvGridCellRenderer* GetHeaderCellRenderer();
    virtual TKvGridCellRenderer* GetHeaderCellHoverRenderer();
    virtual TKvGridCellRenderer* GetFooterCellRenderer();
    virtual TKvGridCellRenderer* GetDataCellRenderer();
    virtual TKvGridCellRenderer* GetDataGroupCellRenderer();
    virtual TKvGridCellRenderer* GetRowGroupHeaderCellRenderer();
    virtual TKvGridCellRenderer* GetRowGroupFooterCellRenderer();
    // Raises "Unknown item type: " with the class name for other items.
    virtual IKvGridItemRenderer* GetItemRenderer(TKvGridItem* Item);
    virtual TKvGridCellRenderer* GetCellRenderer(const TKvGridCellIndex& Index);
    // The column's editor; the shared line editor joins with the cell editors.
    virtual TKvGridCellEditor* GetCellEditor(const TKvGridCellIndex& Index);
    IntfPtr<IKvGridTool> GetDefaultTool() const { return FDefaultTool; }
    // The drop-down list of a header cell's filter handle, made on first use and owned by the
    // grid; while it is down the grid's navigation keys go to it.
    virtual void ShowFilterSelector(TKvGridHeaderFilterHandle* Handle);
    virtual void HideFilterSelector();
    TKvGridView* GetFilterSelector() const;

    virtual TKvGridCellButtonRenderer* GetCellButtonRenderer(const TKvGridCellIndex& Index);
    virtual TKvGridCellButtonRenderer* GetEditButtonRenderer(const TKvGridCellIndex& Index);
    // Whether the cell's editor shows a button.
    virtual bool EditorHasButton(TKvGridCellEditor* Editor) const;

    // Per-delegate overrides (a descendant or a caller sets them; empty uses the default).
    void SetBodyRenderer(IKvGridRenderer* Renderer) { FBodyRenderer = IntfPtr<IKvGridRenderer>(Renderer); }
    void SetEmptyRenderer(IKvGridRenderer* Renderer) { FEmptyRenderer = IntfPtr<IKvGridRenderer>(Renderer); }
    void SetDataCellRenderer(TKvGridCellRenderer* Renderer) { FDataCellRenderer = Renderer; }

    int GetPooledRowViewCount() const { return static_cast<int>(FRowViews.size()); }
    // The pooled row and footer views free their cached views of a column leaving the tree.
    void DropColumnViews(TKvGridColumn* Column);
    int GetPooledSelectionViewCount() const { return static_cast<int>(FSelectionViews.size()); }
    // Views this delegate made (pooled or lent out).
    int GetCreatedViewCount() const { return FCreatedViews; }

protected:
    TKvGridView* FOwner;
    IntfPtr<IKvGridRenderer> FEmptyRenderer, FFixedBodyRenderer, FBodyRenderer, FIndicatorRenderer,
        FStatesBarRenderer, FCheckBarRenderer, FHeaderRenderer, FFixedHeaderRenderer, FFooterRenderer,
        FFixedFooterRenderer;
    IntfPtr<IKvGridItemRenderer> FRowRenderer, FRowGroupHeaderRenderer, FRowGroupFooterRenderer;
    IntfPtr<IKvGridObjectRenderer> FIndicatorHeadRenderer, FStatesBarHeadRenderer, FCheckBarHeadRenderer,
        FIndicatorFootRenderer, FStatesBarFootRenderer, FCheckBarFootRenderer;
    TKvGridCellRenderer* FIndicatorCellRenderer = nullptr;
    TKvGridCellRenderer* FStatesCellRenderer = nullptr;
    TKvGridCellRenderer* FCheckCellRenderer = nullptr;
    TKvGridCellRenderer* FHeaderCellRenderer = nullptr;
    TKvGridCellRenderer* FHeaderCellHoverRenderer = nullptr;
    TKvGridCellRenderer* FColumnGroupItemHeaderRenderer = nullptr;
    TKvGridCellRenderer* FFooterCellRenderer = nullptr;
    TKvGridCellRenderer* FDataCellRenderer = nullptr;
    TKvGridCellRenderer* FDataGroupCellRenderer = nullptr;
    TKvGridCellRenderer* FRowGroupHeaderCellRenderer = nullptr;
    TKvGridCellRenderer* FRowGroupFooterCellRenderer = nullptr;
    std::vector<TKvGridRowElement*> FRowViews;
    std::vector<TKvGridRowGroupHeaderElement*> FRowGroupHeaderViews;
    std::vector<TKvGridRowGroupFooterElement*> FRowGroupFooterViews;
    TKvGridFilterSelector* FFilterSelector = nullptr;
    std::vector<TKvSprite*> FSelectionViews;
    TKvGridCellEditor* FDefCellEditor = nullptr;
    std::unique_ptr<TKvGridDefaultButtonRenderer> FDefCellButtonRenderer;
    std::unique_ptr<TKvGridEditButtonRenderer> FDefEditButtonRenderer;
    IntfPtr<IKvGridTool> FDefaultTool;
    int FCreatedViews = 0;
};

// Releases the process-wide area renderers (at exit; tests may call it).
void ReleaseSharedGridRenderers();

} // namespace kv
