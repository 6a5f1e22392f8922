// The concrete grid view over the default item provider, and the stock renderers that the
// delegate hands out: area backgrounds, bar corners, rows and row-group headers, the cells of
// the bars, header, footer and row groups, and the overlay of the body's outer lines.
//
// Sections: the grid view; area renderers; corner renderers; item renderers; cell renderers;
// the body's outer lines. Renderers are made once per process by the delegate (KvGrids.Delegate)
// and called by the views while the layout measures and while they draw. The view's code is
// in KvGrids.Impl.cpp, the renderers' in KvGrids.Impl.Renderers.cpp.
#pragma once

#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.Renderer.h"
#include "grid/KvGrids.View.h"

namespace kv {

class TKvDefaultGridItemProvider;

class TKvGridViewImpl : public TKvGridView
{
public:
    explicit TKvGridViewImpl(TComponent* Owner) : TKvGridView(Owner) {}

    TKvDefaultGridItemProvider* GetItemSourceImpl() const;
    TKvGridDataProvider* GetDataProvider() const;
    void SetDataProvider(TKvGridDataProvider* Value);
    void SortItems(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions);
    TKvIntegerArray GetSortFields() const override;
    TKvGridSortDirections GetSortDirections() const override;

protected:
    TOwned<TKvGridItemProvider> CreateItemProvider() override;

    TKvOwnedItemSource<TKvDefaultGridItemProvider> FItemSource{this};
};

// The empty-body text when the body's EmptyMessage is empty; the application may replace it.
QString& EmptyBodyDefaultText();

// ---- area renderers --------------------------------------------------------------------------

class TKvEmptyBodyRenderer : public TKvGridRenderer
{
public:
    using TKvGridRenderer::TKvGridRenderer;

protected:
    TSize DoMeasure(TKvGridView* grid, int w, int h) override { return TSize{w, h}; }
    void DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) override;
};

class TKvGridBodyRenderer : public TKvEmptyBodyRenderer
{
public:
    using TKvEmptyBodyRenderer::TKvEmptyBodyRenderer;

protected:
    void DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) override;
};

class TKvGridFixedBodyRenderer : public TKvEmptyBodyRenderer
{
public:
    using TKvEmptyBodyRenderer::TKvEmptyBodyRenderer;

protected:
    void DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) override;
};

class TKvGridIndicatorRenderer : public TKvGridRenderer
{
public:
    using TKvGridRenderer::TKvGridRenderer;

protected:
    TSize DoMeasure(TKvGridView* grid, int w, int h) override;
    void DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) override {}

private:
    // The text width of the largest number last measured, keyed by the number and the font's
    // description: each layout pass asks for it.
    QString FMeasuredKey;
    double FMeasuredText = 0;
};

class TKvStatesBarRenderer : public TKvGridRenderer
{
public:
    using TKvGridRenderer::TKvGridRenderer;

protected:
    TSize DoMeasure(TKvGridView* grid, int w, int h) override;
    void DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) override;
};

class TKvCheckBarRenderer : public TKvStatesBarRenderer
{
public:
    using TKvStatesBarRenderer::TKvStatesBarRenderer;

protected:
    TSize DoMeasure(TKvGridView* grid, int w, int h) override;
};

class TKvGridHeaderRenderer : public TKvGridRenderer
{
public:
    using TKvGridRenderer::TKvGridRenderer;

protected:
    TSize DoMeasure(TKvGridView* grid, int w, int h) override;
    void DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) override;
};

class TKvGridFixedHeaderRenderer : public TKvGridHeaderRenderer
{
public:
    using TKvGridHeaderRenderer::TKvGridHeaderRenderer;

protected:
    void DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) override;
};

class TKvGridFooterRenderer : public TKvGridRenderer
{
public:
    using TKvGridRenderer::TKvGridRenderer;

protected:
    TSize DoMeasure(TKvGridView* grid, int w, int h) override;
    void DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) override;
};

class TKvGridFixedFooterRenderer : public TKvGridFooterRenderer
{
public:
    using TKvGridFooterRenderer::TKvGridFooterRenderer;

protected:
    void DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) override;
};

// ---- corner renderers ------------------------------------------------------------------------

class TKvBarCornerRenderer : public TKvGridObjectRenderer
{
public:
    TKvBarCornerRenderer(const QString& name, bool head) : TKvGridObjectRenderer(name), FHead(head) {}

protected:
    TSize DoMeasure(TObject* model, int w, int h) override { return TSize{w, h}; }
    void DoDraw(TObject* model, TKvDrawingContext* context, const TRectF& rect) override;

    bool FHead;
};

class TKvIndicatorHeadRenderer : public TKvBarCornerRenderer
{
public:
    explicit TKvIndicatorHeadRenderer(const QString& name) : TKvBarCornerRenderer(name, true) {}
};
class TKvStatesBarHeadRenderer : public TKvBarCornerRenderer
{
public:
    explicit TKvStatesBarHeadRenderer(const QString& name) : TKvBarCornerRenderer(name, true) {}
};
class TKvCheckBarHeadRenderer : public TKvBarCornerRenderer
{
public:
    explicit TKvCheckBarHeadRenderer(const QString& name) : TKvBarCornerRenderer(name, true) {}

protected:
    void DoDraw(TObject* model, TKvDrawingContext* context, const TRectF& rect) override;
};
class TKvIndicatorFootRenderer : public TKvBarCornerRenderer
{
public:
    explicit TKvIndicatorFootRenderer(const QString& name) : TKvBarCornerRenderer(name, false) {}
};
class TKvStatesBarFootRenderer : public TKvBarCornerRenderer
{
public:
    explicit TKvStatesBarFootRenderer(const QString& name) : TKvBarCornerRenderer(name, false) {}
};
class TKvCheckBarFootRenderer : public TKvBarCornerRenderer
{
public:
    explicit TKvCheckBarFootRenderer(const QString& name) : TKvBarCornerRenderer(name, false) {}
};

// ---- item renderers --------------------------------------------------------------------------

class TKvGridRowRenderer : public TKvGridItemRenderer
{
public:
    using TKvGridItemRenderer::TKvGridItemRenderer;

protected:
    TSize DoMeasure(TKvGridItem* item, TKvGridViewStyles* styles, int w, int h) override { return TSize{w, h}; }
    void DoDraw(TKvGridItem*, TKvGridViewStyles*, TKvDrawingContext*, const TRectF&) override {}
};

class TKvGridRowGroupHeaderRenderer : public TKvGridItemRenderer
{
public:
    using TKvGridItemRenderer::TKvGridItemRenderer;
    int GetIndentSize() const { return FIndentSize; }
    void SetIndentSize(int value) { FIndentSize = value; }
    // "field : value - n rows".
    static QString Caption(TKvGridItem* item);

protected:
    TSize DoMeasure(TKvGridItem* item, TKvGridViewStyles* styles, int w, int h) override { return TSize{w, 23}; }
    void DoDraw(TKvGridItem* item, TKvGridViewStyles* styles, TKvDrawingContext* context, const TRectF& rect) override;

    int FIndentSize = 20;
};

class TKvGridRowGroupFooterRenderer : public TKvGridItemRenderer
{
public:
    using TKvGridItemRenderer::TKvGridItemRenderer;
    int GetIndentSize() const { return FIndentSize; }

protected:
    TSize DoMeasure(TKvGridItem* item, TKvGridViewStyles* styles, int w, int h) override { return TSize{w, 23}; }
    void DoDraw(TKvGridItem* item, TKvGridViewStyles* styles, TKvDrawingContext* context, const TRectF& rect) override;

    int FIndentSize = 20;
};

// ---- cell renderers --------------------------------------------------------------------------

// Background, then the display text inside the paddings.
class TKvGridTextCellRenderer : public TKvGridCellRenderer
{
public:
    using TKvGridCellRenderer::TKvGridCellRenderer;
    QString GetDisplayName() const override { return QStringLiteral("default"); }
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override;

protected:
    virtual TKvFill* Background(TKvGridViewStyles* styles) const;
};

class TKvGridIndicatorCellRenderer : public TKvGridTextCellRenderer
{
public:
    using TKvGridTextCellRenderer::TKvGridTextCellRenderer;
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override;
    // "URARROW", "UREDIT", "URINSERT", made on first use.
    static TCustomImageList* StateImages();
};

class TKvGridStatesCellRenderer : public TKvGridTextCellRenderer
{
public:
    using TKvGridTextCellRenderer::TKvGridTextCellRenderer;
};

class TKvGridCheckCellRenderer : public TKvGridCellRenderer
{
public:
    using TKvGridCellRenderer::TKvGridCellRenderer;
    QString GetDisplayName() const override { return QStringLiteral("check"); }
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override;
};

class TKvGridHeaderCellRenderer : public TKvGridTextCellRenderer
{
public:
    using TKvGridTextCellRenderer::TKvGridTextCellRenderer;
    TSize DoMeasure(TKvGridCell* cell, int hintWidth, int hintHeight) override;
};

class TKvGridHeaderCellHoverRenderer : public TKvGridHeaderCellRenderer
{
public:
    using TKvGridHeaderCellRenderer::TKvGridHeaderCellRenderer;

protected:
    TKvFill* Background(TKvGridViewStyles* styles) const override;
};

class TKvColumnGroupItemHeaderRenderer : public TKvGridTextCellRenderer
{
public:
    using TKvGridTextCellRenderer::TKvGridTextCellRenderer;
};

class TKvGridFooterCellRenderer : public TKvGridTextCellRenderer
{
public:
    using TKvGridTextCellRenderer::TKvGridTextCellRenderer;
};

class TKvGridRowGroupHeaderCellRenderer : public TKvGridTextCellRenderer
{
public:
    using TKvGridTextCellRenderer::TKvGridTextCellRenderer;
};

class TKvGridRowGroupFooterCellRenderer : public TKvGridTextCellRenderer
{
public:
    using TKvGridTextCellRenderer::TKvGridTextCellRenderer;
};

// ---- the body's outer lines ------------------------------------------------------------------

class TKvGridLinesElementImpl : public TKvGridLinesElement
{
public:
    using TKvGridLinesElement::TKvGridLinesElement;
    void PrepareLines(TKvGridView* grid, TKvAbstractGridLayoutManager* layout, const TRect& rect) override;

protected:
    void DoDraw(TKvDrawingContext* context) override;

    TKvAbstractGridLayoutManager* FLayout = nullptr;
};

} // namespace kv
