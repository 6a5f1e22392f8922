// Renderers: the counted area, object and item renderer interfaces and their bases, the cell
// model that renderers draw from, the cell renderer component with its default data-cell
// drawing, and the cell-button renderers with the two stock ones.
#pragma once

#include "graphics/KvGrids.Common.Drawing.h"
#include "graphics/KvGrids.Styles.h"
#include "platform/rtl/Interfaces.h"
#include "platform/rtl/Variant.h"
#include "platform/ui/Controls.h"

#include <QtCore/QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace kv {

class TKvGridView;
class TKvGridColumn;
class TKvGridDataColumn;
class TKvGridItem;
struct TKvGridCellIndex;

// The cell model: one reusable object per grid area, refilled by the area's GetCell.
class TKvGridCell : public TObject
{
public:
    virtual TKvGridCellIndex GetIndex() const = 0;
    virtual TKvGridItem* GetItem() const = 0;
    virtual QString GetDisplayText() const = 0;
    virtual Variant GetValue() const = 0;
    virtual TKvGridViewStyles* GetStyles() const = 0;
    virtual QString GetError() const { return QString(); }
};

// --- counted renderers ----------------------------------------------------------------------

// Renderer of a grid area (body, indicator, header, ...).
class IKvGridRenderer : public virtual IInterface
{
public:
    virtual TSize Measure(TKvGridView* grid, int hintWidth, int hintHeight) = 0;
    virtual void Render(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) = 0;
};

// Renderer of a visual object such as a bar corner; the model is the area object.
class IKvGridObjectRenderer : public virtual IInterface
{
public:
    virtual TSize Measure(TObject* model, int hintWidth, int hintHeight) = 0;
    virtual void Render(TObject* model, TKvDrawingContext* context, const TRectF& rect) = 0;
};

// Renderer of rows, row-group headers and footers.
class IKvGridItemRenderer : public virtual IInterface
{
public:
    virtual TSize Measure(TKvGridItem* item, TKvGridViewStyles* styles, int hintWidth, int hintHeight) = 0;
    virtual void Render(TKvGridItem* item, TKvGridViewStyles* styles, TKvDrawingContext* context,
                        const TRectF& rect) = 0;
};

class TKvGridRenderer : public TInterfacedObject, public IKvGridRenderer
{
public:
    explicit TKvGridRenderer(const QString& name) : FName(name) {}
    QString ToString() const { return FName; }
    TSize Measure(TKvGridView* grid, int hintWidth, int hintHeight) override { return DoMeasure(grid, hintWidth, hintHeight); }
    void Render(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) override { DoDraw(grid, context, rect); }

protected:
    virtual TSize DoMeasure(TKvGridView* grid, int hintWidth, int hintHeight) = 0;
    virtual void DoDraw(TKvGridView* grid, TKvDrawingContext* context, const TRectF& rect) = 0;

    QString FName;
};

class TKvGridObjectRenderer : public TInterfacedObject, public IKvGridObjectRenderer
{
public:
    explicit TKvGridObjectRenderer(const QString& name) : FName(name) {}
    QString ToString() const { return FName; }
    TSize Measure(TObject* model, int hintWidth, int hintHeight) override { return DoMeasure(model, hintWidth, hintHeight); }
    void Render(TObject* model, TKvDrawingContext* context, const TRectF& rect) override { DoDraw(model, context, rect); }

protected:
    virtual TSize DoMeasure(TObject* model, int hintWidth, int hintHeight) = 0;
    virtual void DoDraw(TObject* model, TKvDrawingContext* context, const TRectF& rect) = 0;

    QString FName;
};

class TKvGridItemRenderer : public TInterfacedObject, public IKvGridItemRenderer
{
public:
    explicit TKvGridItemRenderer(const QString& name) : FName(name) {}
    QString ToString() const { return FName; }
    TSize Measure(TKvGridItem* item, TKvGridViewStyles* styles, int hintWidth, int hintHeight) override
    {
        return DoMeasure(item, styles, hintWidth, hintHeight);
    }
    void Render(TKvGridItem* item, TKvGridViewStyles* styles, TKvDrawingContext* context, const TRectF& rect) override
    {
        DoDraw(item, styles, context, rect);
    }

protected:
    virtual TSize DoMeasure(TKvGridItem* item, TKvGridViewStyles* styles, int hintWidth, int hintHeight) = 0;
    virtual void DoDraw(TKvGridItem* item, TKvGridViewStyles* styles, TKvDrawingContext* context,
                        const TRectF& rect) = 0;

    QString FName;
};

// --- cell buttons ---------------------------------------------------------------------------

class TKvGridCellButtonRenderer : public TObject
{
public:
    explicit TKvGridCellButtonRenderer(const QString& name) : FName(name) {}
    const QString& GetName() const { return FName; }

    TSize Measure(const TKvGridCellIndex& index, int hintWidth, int hintHeight) { return DoMeasure(index, hintWidth, hintHeight); }
    void Render(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect, bool hovered, bool pressed, bool focused)
    {
        DoDraw(cell, context, rect, hovered, pressed, focused);
    }
    bool HitTest(int x, int y) { return DoHitTest(x, y); }

protected:
    virtual TSize DoMeasure(const TKvGridCellIndex& index, int hintWidth, int hintHeight);
    virtual void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect, bool hovered, bool pressed,
                        bool focused) {}
    virtual bool DoHitTest(int x, int y) { return true; }

    QString FName;
};

// The button of a data column whose Button is ButtonAction or ButtonPopup.
class TKvGridDefaultButtonRenderer : public TKvGridCellButtonRenderer
{
public:
    static constexpr int BUTTON_WIDTH = 17;
    static constexpr int BUTTON_HEIGHT = 17;

    using TKvGridCellButtonRenderer::TKvGridCellButtonRenderer;

    // The rectangle rounded, its left edge moved right by 1 and its right edge left by 2, in a
    // band BUTTON_HEIGHT high centred vertically.
    static TRect ButtonRect(const TRectF& rect);

protected:
    TSize DoMeasure(const TKvGridCellIndex& index, int hintWidth, int hintHeight) override;
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect, bool hovered, bool pressed,
                bool focused) override;
};

enum TKvGridEditButton { ButtonCombo, ButtonEllipsis, ButtonCalendar };

// The editor's button; the delegate sets its kind before each use.
class TKvGridEditButtonRenderer : public TKvGridDefaultButtonRenderer
{
public:
    using TKvGridDefaultButtonRenderer::TKvGridDefaultButtonRenderer;
    TKvGridEditButton GetButton() const { return FButton; }
    void SetButton(TKvGridEditButton value) { FButton = value; }

protected:
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect, bool hovered, bool pressed,
                bool focused) override;

private:
    void DrawCalendar(TKvDrawingContext* context, TRect r, bool pressed);

    TKvGridEditButton FButton = ButtonCombo;
};

// --- cell renderer components ---------------------------------------------------------------

// A renderer attached to data columns; one component may serve several columns, which it
// lists (references only) so that a change repaints every grid showing one of them.
class TKvGridCellRenderer : public TComponent
{
public:
    explicit TKvGridCellRenderer(TComponent* owner) : TComponent(owner) {}
    ~TKvGridCellRenderer() override;

    // The renderer's type key: "default", "custom", "image", "bar" or "check".
    virtual QString GetDisplayName() const = 0;
    virtual TKvGridCellButtonRenderer* GetButtonRenderer() const { return nullptr; }
    virtual TSize DoMeasure(TKvGridCell* cell, int hintWidth, int hintHeight);
    virtual void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) {}
    virtual TSize Measure(TKvGridCell* cell, int hintWidth, int hintHeight) { return DoMeasure(cell, hintWidth, hintHeight); }
    virtual void Render(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) { DoDraw(cell, context, rect); }

    virtual bool IsInternal() const { return false; }
    virtual TKvGridColumn* GetParentColumn() const { return nullptr; }
    // Every listed column reports Changed(false): the grids showing them repaint.
    virtual void Changed();

    // Nil and a listed column are ignored.
    void AddColumn(TKvGridColumn* column);
    void RemoveColumn(TKvGridColumn* column);
    int GetColumnCount() const { return static_cast<int>(FColumns.size()); }
    // Raises EListError for an index out of range.
    TKvGridColumn* GetColumn(int index) const;

    bool HasParent() const override { return IsInternal(); }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override {}
    // An internal renderer becomes the renderer of its reader parent, a data column.
    void ReadState(TReader& reader) override;

protected:
    // The data columns drawn by this renderer; each adds and removes itself.
    std::vector<TKvGridColumn*> FColumns;
};

// The text a cell shows in width pixels of font: the text itself when it fits; a number that
// is the value's own text rounded to fewer decimals while that fits; else its leading part
// with an ellipsis. Never the tail of a text.
QString FitCellText(const QString& text, const Variant& value, TKvFont* font, float width);

// Draws a data cell: background, paddings, icon by location, then the text.
class TKvGridDataCellRenderer : public TKvGridCellRenderer
{
public:
    explicit TKvGridDataCellRenderer(TComponent* owner) : TKvGridCellRenderer(owner) {}

    QString GetDisplayName() const override { return QStringLiteral("default"); }
    TSize DoMeasure(TKvGridCell* cell, int hintWidth, int hintHeight) override;
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override;

    virtual TCursor GetCursor() const { return crDefault; }
    virtual bool IsClickable(const TRectF& rect, int x, int y, TShiftState shift) { return false; }
    virtual bool ProcessKey(std::uint16_t key, TShiftState shift, const TKvGridCellIndex& index) { return false; }
    virtual bool Click(const TRectF& rect, int x, int y, const TKvGridCellIndex& index) { return false; }
    // The number-formatted value (or the display text) with the style's prefix and postfix.
    virtual QString GetText(TKvGridCell* cell);

    bool GetEditWhenClick() const { return FEditWhenClick; }
    void SetEditWhenClick(bool value) { FEditWhenClick = value; }

    // For clickable descendants that change a value in place.
    bool BeginEdit(const TKvGridCellIndex& index);
    Variant GetData(const TKvGridCellIndex& index) const;
    void SetData(const TKvGridCellIndex& index, const Variant& value);

protected:
    // Draws the style's icon and takes its room from the content rectangle.
    void DrawIcon(TKvGridCell* cell, TKvDrawingContext* context, TRect& content);

    bool FEditWhenClick = true;

private:
    // Texts made from a value, a number format, a prefix and a postfix, kept in a two-way
    // table of about one frame of cells, so that drawing an unchanged cell again makes no new
    // string. Made on the first text that needs formatting.
    struct TTextSlot
    {
        bool Used = false;
        bool Numeric = false;
        double Number = 0;
        QString Source; // the display text when not numeric
        QString Format;
        QString Prefix;
        QString Postfix;
        QString Text;
    };
    struct TTextSet
    {
        TTextSlot Slots[2];
        std::uint8_t Next = 0;
    };
    static constexpr size_t TEXT_SETS = 1024;
    std::unique_ptr<std::array<TTextSet, TEXT_SETS>> FTextCache;
};

// The cell of a vertical column group: only a frame for its children.
class TKvGridDataGroupCellRenderer : public TKvGridCellRenderer
{
public:
    explicit TKvGridDataGroupCellRenderer(TComponent* owner) : TKvGridCellRenderer(owner) {}
    QString GetDisplayName() const override { return QStringLiteral("default"); }
};

} // namespace kv
