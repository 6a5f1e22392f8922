// The grouping panel of the top-level grid: the panel view with its prompt and its
// staircase of chips, one per grouped field, joined by connector lines.
//
// Call flow: the layout manager measures the panel view (Measure: the prompt's text size or
// the staircase's height, at least the panel's MinHeight), places it and calls LayoutContent,
// which shows the prompt only while nothing is grouped and lays the chips out from the
// grid's group-by fields. The tools set the panel's state while a header is dragged over it.
#pragma once

#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.Renderer.h"

#include <vector>

namespace kv {

class TKvVantrel;
class TKvGridDataColumn;

enum TKvGridPanelState { PanelNormal, PanelGrouping, PanleUngrouping };

// The prompt shown while the grid is not grouped.
class TKvMessageView : public TKvSprite
{
public:
    TKvMessageView(TKvSpriteControl* Control, const QString& Name) : TKvSprite(Control, Name) {}
    void SetFont(TKvFont* Value) { FFont = Value; }
    void SetForeground(TKvFill* Value) { FForeground = Value; }
    const QString& GetMessage() const { return FMessage; }
    void SetMessage(const QString& Value) { FMessage = Value; }
    int GetPaddingLeft() const { return FPaddingLeft; }
    // The text's size rounded, plus the left padding in width.
    TSize Measure() const;

protected:
    void DoDraw(TKvDrawingContext* Context) override;

    TKvFont* FFont = nullptr;
    TKvFill* FForeground = nullptr;
    QString FMessage;
    int FPaddingLeft = 4;
};

// One chip: the header cell of a grouped column.
class TKvColumnView : public TKvGridCellElement
{
public:
    TKvColumnView(TKvGridView* Grid, const QString& Name) : TKvGridCellElement(Grid, Name) {}
    TKvGridCell* GetModel() override;
    TKvGridDataColumn* GetColumn() const { return FColumn; }
    void SetColumn(TKvGridDataColumn* Value) { FColumn = Value; }
    TObject* GetAdapter(const std::type_info& type) override;
    // The header-cell renderer's measure with a width limit of 10000.
    TSize Measure();

protected:
    void DoDraw(TKvDrawingContext* Context) override;

    TKvGridDataColumn* FColumn = nullptr;
};

// The chips of the grouped fields as a descending staircase.
class TKvGroupByView : public TKvSpriteElement
{
public:
    TKvGroupByView(TKvGridView* Grid, const QString& Name);
    ~TKvGroupByView() override;
    // The given width; the height that holds the staircase of the grid's group-by fields.
    TSize Measure(int Width);
    void LayoutColumns();
    int GetColumnViewCount() const { return static_cast<int>(FColumns.size()); }
    // Raises "index is invalid: " with the index out of range.
    TKvColumnView* GetColumnView(int Index) const;
    const TKvIntegerArray& GetColumns() const { return FColumns; }

    static constexpr int FPaddingLeft = 8;
    static constexpr int FPaddingTop = 4;
    static constexpr int FPaddingBottom = 6;
    static constexpr int FDefColumnHeight = 20;
    static constexpr int FDefColumnWidth = 80;
    static constexpr int FColumnGap = 12;

protected:
    void DoDraw(TKvDrawingContext* Context) override;
    TRectF GetClipRect() const override { return TRectF(0, 0, GetWidth(), GetHeight()); }

private:
    // The chip rectangles of the fields (own coordinates), measured.
    std::vector<TRectF> Staircase(const TKvIntegerArray& Fields);

    TKvVantrel* FGrid;
    std::vector<TOwned<TKvColumnView>> FColumnViews;
    TKvIntegerArray FColumns;
    TKvGridCellRenderer* FColumnRenderer = nullptr;
};

class TKvGridPanelElement : public TKvGridRegionElement
{
public:
    TKvGridPanelElement(TKvGridObject* Model, const QString& Name);
    ~TKvGridPanelElement() override;

    TKvGridPanelState GetState() const { return FState; }
    void SetState(TKvGridPanelState Value);
    int GetGroupingIndex() const { return FGroupingIndex; }
    void SetGroupingIndex(int Value);
    TKvGroupByView* GetGroupByView() const { return FGroupByView; }
    TKvMessageView* GetMessageView() const { return FMessageView; }
    IKvGridObjectRenderer* GetPanelRenderer() const { return FPanelRenderer.get(); }
    void SetPanelRenderer(IKvGridObjectRenderer* Value) { FPanelRenderer = IntfPtr<IKvGridObjectRenderer>(Value); }

protected:
    TSize DoMeasure(TKvGridView* Grid, int Width, int Height) override;
    void DoLayoutContent(TKvAbstractGridLayoutManager* Layout) override;
    void DoDraw(TKvDrawingContext* Context) override;
    // The layout again, and a repaint of the panel.
    void Relayout();
    bool RowGrouped() const;

    TKvGroupByView* FGroupByView = nullptr;
    TKvMessageView* FMessageView = nullptr;
    IntfPtr<IKvGridObjectRenderer> FPanelRenderer;
    TKvGridPanelState FState = PanelNormal;
    int FGroupingIndex = -1;
};

// Paints the panel area: its background and its bottom border line.
class TKvGridPanelRenderer : public TKvGridObjectRenderer
{
public:
    using TKvGridObjectRenderer::TKvGridObjectRenderer;

protected:
    // (width, the panel's MinHeight).
    TSize DoMeasure(TObject* Model, int HintWidth, int HintHeight) override;
    void DoDraw(TObject* Model, TKvDrawingContext* Context, const TRectF& Rect) override;
};

} // namespace kv
