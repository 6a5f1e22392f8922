// The stock layout manager: column points for every fit style, rows measured only until the
// body is full, area rectangles, hit testing of cells and column fitting.
#pragma once

#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Options.h"

#include <vector>

namespace kv {

class TKvGridLayoutManager : public TKvAbstractGridLayoutManager
{
public:
    explicit TKvGridLayoutManager(TKvGridView* Grid);

    TSize DoMeasure(const TRect& Rect) override;
    void DoLayout(const TRect& Rect) override;
    void DoLayoutMeasured(const TRect& Rect) override;
    bool IsColumnGrouped() const override { return FColumnGrouped; }
    int ItemCount() const override { return FItemCount; }
    int FixedItemCount() const override { return FFixedItemCount; }
    int FullItemCount() const override { return FFullItemCount; }
    int AvaliableItemCount() const override { return FAvaliableItemCount; }
    int ColumnCount() const override { return FColumnCount; }
    TKvGridColumn* GetColumn(int Index) const override;
    int FirstCol() const override { return FFirstCol; }
    int LastCol() const override { return FLastCol; }
    int FixedColCount() const override { return FFixedCols; }
    int FixedRowCount() const override { return FFixedItems; }
    TRect ColumnBounds(int Index) const override;
    TRect ColumnRect(int Index) const override;
    TRect DataColumnRect(TKvGridColumn* Column) const override;
    TRect ItemBounds(int Index) const override;
    TRect ItemRect(int Index) const override;
    TRect BodyBounds() const override { return FBodyBounds; }
    TRect GridBounds() const override { return FGridBounds; }
    TRect PanelBounds() const override { return FPanelBounds; }
    TRect IndicatorBounds() const override { return FIndicatorBounds; }
    TRect StatesBarBounds() const override { return FStatesBarBounds; }
    TRect CheckBarBounds() const override { return FCheckBarBounds; }
    unsigned RowGroupBarWidth() const override { return FRowGroupBarWidth; }
    TRect RowGroupBounds() const override { return FRowGroupBounds; }
    TRect FixedBounds() const override { return FFixedBounds; }
    TRect HeaderBounds() const override { return FHeaderBounds; }
    TRect FixedHeaderBounds() const override { return FFixedHeaderBounds; }
    TRect FooterBounds() const override { return FFooterBounds; }
    TRect FixedFooterBounds() const override { return FFixedFooterBounds; }
    int FixedWidth() const override { return FFixedWidth; }
    int FixedHeight() const override { return FFixedHeight; }
    int ColumnsLength() const override { return FColumnsLength; }
    TRect DataCellRect(const TKvGridCellIndex& Index) override;
    TKvGridCellIndex MouseToIndex(int X, int Y) override;
    TRect ScrollBounds() const override { return FScrollBounds; }
    int FitColumnWidth(TKvGridColumn* Column) override;
    int MeasureClientHeight(int Rows, bool WithHeader) override;

    int GetHeaderLevels() const { return FHeaderLevels; }
    int GetDataLevels() const { return FDataLevels; }
    int GetCalcedRowHeight() const { return FCalcedRowHeight; }
    int GetCalcedHeaderHeight() const { return FCalcedHeaderHeight; }
    int GetCalcedFooterHeight() const { return FCalcedFooterHeight; }
    const std::vector<int>& GetColumnPoints() const { return FColumnPoints; }
    const std::vector<int>& GetFixedColumnPoints() const { return FFixedColumnPoints; }

protected:
    void CheckColumnGrouping();
    void CalcFixedColumnPoints();
    void CalcColumnPoints(TRect& Rect);
    void CalcItemPoints(TRect& Rect);
    void LayoutItems(TKvGridBodyElement* BodyView, const TRect& Rect);
    // The measured height of item Index (a pooled view borrowed and returned at once).
    int MeasureItem(int Index, int Width);
    // Top and bottom of laid-out row Index (fixed rows first), relative to the body top.
    bool RowSpan(int Index, int& Top, int& Bottom) const;
    TKvGridColumn* HeaderLeafAt(TKvGridColumnGroup* Group, bool Fixed, int X, int Y, int Dx) const;

    bool FColumnGrouped = false;
    int FColumnCount = 0;
    std::vector<TKvGridColumn*> FColumns;
    std::vector<int> FColumnPoints;
    std::vector<int> FFixedColumnPoints;
    int FFixedItemCount = 0;
    int FItemCount = 0;
    int FFullItemCount = 0;
    int FAvaliableItemCount = 0;
    std::vector<int> FFixedItemPoints;
    std::vector<int> FItemPoints;
    int FFirstCol = 0;
    int FLastCol = -1;
    TRect FPanelBounds, FIndicatorBounds, FStatesBarBounds, FCheckBarBounds, FRowGroupBounds;
    unsigned FRowGroupBarWidth = 0;
    TRect FFixedBounds, FHeaderBounds, FFixedHeaderBounds, FFooterBounds, FFixedFooterBounds, FBodyBounds,
        FGridBounds, FScrollBounds;
    int FFixedCols = 0;
    int FFixedItems = 0;
    int FFixedWidth = 0;
    int FFixedHeight = 0;
    int FColumnsLength = 0;
    int FHeaderLevels = 1;
    int FDataLevels = 1;
    int FCalcedHeaderHeight = 0;
    int FCalcedRowHeight = 0;
    int FCalcedFooterHeight = 0;
};

// Column points of n widths fitted into an area of the given width; the result has n + 1
// entries and length gets the fitted total. Shared by the layout and its tests.
std::vector<int> FitColumnPoints(const std::vector<int>& Widths, TKvGridFitStyle Style, int AreaWidth, int& Length);

} // namespace kv
