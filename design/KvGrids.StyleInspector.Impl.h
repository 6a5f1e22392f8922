// The style inspector's parts: its delegate (swatch renderers for fills and strokes, a
// set/clear button in every value cell, dialog editors for fills, strokes and fonts and a
// drop-down list per enumeration property), the button and swatch renderers and the editors.
#pragma once

#include "components/KvGrids.ListView.h"
#include "design/KvGrids.Data.Styles.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Renderer.h"

#include <QtCore/QHash>

namespace kv {

// The set/clear button of a value cell: an X when the row's value is set, a check mark when
// it is not.
class TKvGridStyleButtonRenderer : public TKvGridDefaultButtonRenderer
{
public:
    TKvGridStyleButtonRenderer(const QString& name, TKvGridStylesDataProvider* provider)
        : TKvGridDefaultButtonRenderer(name), FProvider(provider)
    {
    }

protected:
    TSize DoMeasure(const TKvGridCellIndex& index, int hintWidth, int hintHeight) override;
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect, bool hovered, bool pressed,
                bool focused) override;

private:
    TKvGridStylesDataProvider* FProvider;
};

// A value cell of a fill (or stroke) property: a swatch (a line) of the parsed value and the text.
class TKvGridStyleFillRenderer : public TKvGridDataCellRenderer
{
public:
    explicit TKvGridStyleFillRenderer(TComponent* owner) : TKvGridDataCellRenderer(owner) {}
    TSize DoMeasure(TKvGridCell* cell, int hintWidth, int hintHeight) override { return TSize{hintWidth, hintHeight}; }
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override;

protected:
    // Draws the swatch of the text's value into the rectangle; nothing when it does not parse.
    virtual void DrawSwatch(const QString& text, TKvDrawingContext* context, const TRectF& swatch);
};

class TKvGridStyleStrokeRenderer : public TKvGridStyleFillRenderer
{
public:
    using TKvGridStyleFillRenderer::TKvGridStyleFillRenderer;

protected:
    void DrawSwatch(const QString& text, TKvDrawingContext* context, const TRectF& swatch) override;
};

// Editors whose button opens a dialog on the current text; OK commits the dialog's text.
class TKvGridStyleButtonEditor : public TKvButtonCellEditor
{
public:
    enum TKind { ekFill, ekStroke, ekFont };
    TKvGridStyleButtonEditor(TComponent* owner, TKind kind) : TKvButtonCellEditor(owner), FKind(kind) {}
    TKind GetKind() const { return FKind; }
    void ButtonClicked() override;
    // The dialog for the kind: current text in, new text out; true on OK.
    static bool RunDialog(TKind kind, const QString& text, QString& output);

private:
    TKind FKind;
};

class TKvGridStyleInspectorDelegate : public TKvListViewDelegate
{
public:
    explicit TKvGridStyleInspectorDelegate(TKvGridView* grid);
    ~TKvGridStyleInspectorDelegate() override;

    TKvGridStyleBag* GetStyles() const { return FStyles; }
    void SetStyles(TKvGridStyleBag* styles) { FStyles = styles; }
    void SetProvider(TKvGridStylesDataProvider* provider);

    TKvGridCellRenderer* GetCellRenderer(const TKvGridCellIndex& Index) override;
    TKvGridCellEditor* GetCellEditor(const TKvGridCellIndex& Index) override;
    TKvGridCellButtonRenderer* GetCellButtonRenderer(const TKvGridCellIndex& Index) override;

    // The list editor of an enumeration property (made on first use), nil for others.
    TKvListCellEditor* GetEnumEditor(const QString& name);
    TKvGridStyleButtonRenderer* GetButtonRenderer() const { return FButtonRenderer.get(); }

private:
    // The style property of a value cell of a data row; nil for other cells.
    const TKvStylePropertyRecord* PropertyOf(const TKvGridCellIndex& Index) const;
    TKvGridStyleButtonEditor* DialogEditor(TKvGridStyleButtonEditor*& field, TKvGridStyleButtonEditor::TKind kind);

    TKvGridStyleBag* FStyles = nullptr;
    TKvGridStylesDataProvider* FProvider = nullptr;
    std::unique_ptr<TKvGridStyleButtonRenderer> FButtonRenderer;
    // Components owned by the grid.
    TKvGridStyleFillRenderer* FFillRenderer = nullptr;
    TKvGridStyleStrokeRenderer* FStrokeRenderer = nullptr;
    TKvGridStyleButtonEditor* FFillEditor = nullptr;
    TKvGridStyleButtonEditor* FStrokeEditor = nullptr;
    TKvGridStyleButtonEditor* FFontEditor = nullptr;
    QHash<QString, TKvListCellEditor*> FEnumEditors;
    QStringList FEnums;
};

// The inspector's list view, made with the inspector's delegate.
class TKvStyleInspectorListView : public TKvListView
{
protected:
    friend class TCreateAccess;
    using TKvListView::TKvListView;
    TOwned<TKvGridDelegate> CreateGridDelegate() override;
};

} // namespace kv
