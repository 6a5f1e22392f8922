// The layout manager contract: the geometry of a grid's areas, columns and rows, and the
// questions the views, tools and exporters ask of it. The stock manager is in KvGrids.Layout.
#pragma once

#include "grid/KvGrids.Index.h"
#include "platform/graphics/Types.h"

namespace kv {

class TKvGridView;
class TKvGridColumn;
class TKvGridItem;
class TKvGridCell;
class TKvGridRegionElement;
class TKvGridIndicatorElement;
class TKvGridStatesBarElement;
class TKvGridCheckBarElement;
class TKvGridRowGroupElement;
class TKvGridObjectHeaderElement;
class TKvGridObjectFooterElement;
class TKvGridHeaderElement;
class TKvGridFooterElement;
class TKvGridBodyElement;
class TKvGridRowElement;
class IKvGridItemRenderer;

class TKvAbstractGridLayoutManager : public TObject
{
public:
    // Raises EArgumentNilException "owner is nil" for a nil grid.
    explicit TKvAbstractGridLayoutManager(TKvGridView* Grid);

    TKvGridView* GetGrid() const { return FGrid; }

    virtual TSize DoMeasure(const TRect& Rect) = 0;
    virtual void DoLayout(const TRect& Rect) = 0;
    // Places the views by the measures of Rect taken last; a manager that does not keep them
    // lays out anew.
    virtual void DoLayoutMeasured(const TRect& Rect) { DoLayout(Rect); }
    virtual bool IsColumnGrouped() const = 0;
    virtual bool IsRowGrouped() const { return false; }
    virtual int RowGroupLevels() const { return 0; }
    virtual int ItemCount() const = 0;
    virtual int FixedItemCount() const = 0;
    virtual int FullItemCount() const = 0;
    virtual int AvaliableItemCount() const = 0;
    virtual int ColumnCount() const = 0;
    virtual TKvGridColumn* GetColumn(int Index) const = 0;
    virtual int FirstCol() const = 0;
    virtual int LastCol() const = 0;
    virtual int FixedColCount() const = 0;
    virtual int FixedRowCount() const = 0;
    virtual TRect ColumnBounds(int Index) const = 0;
    virtual TRect ColumnRect(int Index) const = 0;
    virtual TRect DataColumnRect(TKvGridColumn* Column) const = 0;
    virtual TRect ItemBounds(int Index) const = 0;
    virtual TRect ItemRect(int Index) const = 0;
    virtual TRect BodyBounds() const = 0;
    virtual TRect GridBounds() const = 0;
    virtual TRect PanelBounds() const = 0;
    virtual TRect IndicatorBounds() const = 0;
    virtual TRect StatesBarBounds() const = 0;
    virtual TRect CheckBarBounds() const = 0;
    virtual unsigned RowGroupBarWidth() const = 0;
    virtual TRect RowGroupBounds() const = 0;
    virtual TRect FixedBounds() const = 0;
    virtual TRect HeaderBounds() const = 0;
    virtual TRect FixedHeaderBounds() const = 0;
    virtual TRect FooterBounds() const = 0;
    virtual TRect FixedFooterBounds() const = 0;
    virtual int FixedWidth() const = 0;
    virtual int FixedHeight() const = 0;
    virtual int ColumnsLength() const = 0;
    virtual TRect DataCellRect(const TKvGridCellIndex& Index) = 0;
    virtual TKvGridCellIndex MouseToIndex(int X, int Y) = 0;
    virtual TRect ScrollBounds() const = 0;
    // Raises EArgumentNilException "column" for nil.
    virtual int FitColumnWidth(TKvGridColumn* Column) = 0;
    virtual int MeasureClientHeight(int Rows, bool WithHeader) = 0;

    TSize Measure(const TRect& Rect) { return DoMeasure(Rect); }
    // DoLayout, timed by a trace line.
    void Layout(const TRect& Rect);
    // Layout of a rectangle that Measure has just measured, nothing changed since.
    void LayoutMeasured(const TRect& Rect);

    TKvGridRegionElement* GetPanel() const;
    TKvGridIndicatorElement* GetIndicator() const;
    TKvGridStatesBarElement* GetStatesBar() const;
    TKvGridCheckBarElement* GetCheckBar() const;
    TKvGridRowGroupElement* GetRowGroup() const;
    TKvGridObjectHeaderElement* GetHeaderIndicator() const;
    TKvGridObjectHeaderElement* GetHeaderStates() const;
    TKvGridObjectHeaderElement* GetHeaderCheck() const;
    TKvGridHeaderElement* GetHeader() const;
    TKvGridHeaderElement* GetFixedHeader() const;
    TKvGridObjectFooterElement* GetFooterStates() const;
    TKvGridObjectFooterElement* GetFooterCheck() const;
    TKvGridObjectFooterElement* GetFooterIndicator() const;
    TKvGridFooterElement* GetFooter() const;
    TKvGridFooterElement* GetFixedFooter() const;
    TKvGridBodyElement* GetBody() const;
    TKvGridBodyElement* GetFixedBody() const;

    TKvGridItem* GetItem(int Index) const;
    // min(item count, the provider's fixed count); 0 without a provider.
    int GetFixedRowCount() const;
    void ClearItemViews();
    void ClearRowGroupBodyViews();
    TKvGridRowElement* AddRowView(int Index, bool Fixed);
    TKvGridRowElement* GetRowView(int Index, bool Fixed) const;
    void AddRowGroupHeaderView(int Index);
    void AddRowGroupFooterView(int Index);
    IKvGridItemRenderer* GetItemRenderer(TKvGridItem* Item) const;
    TKvGridCell* GetCell(TObject* Object, const TKvGridCellIndex& Index) const;

protected:
    TKvGridView* FGrid;
};

} // namespace kv
