// Sections: button renderer, swatch renderers, dialog editors, delegate, list view.
//
// The grid asks the delegate for a cell's renderer, editor and button renderer; for a "Value"
// cell of a data row the delegate looks up the row's style property (by the provider's row
// name) and answers the swatch renderer, the dialog or list editor and the set/clear button.
#include "design/KvGrids.StyleInspector.Impl.h"

#include "design/KvGrids.Styles.FillDlg.h"
#include "design/KvGrids.Styles.StrokeDlg.h"
#include "grid/KvGrids.h"
#include "platform/design/DesignDialogs.h"

#include <cmath>

namespace kv {

namespace {

bool IsValueCell(const TKvGridCellIndex& index)
{
    const TKvGridDataColumn* column = index.GetDataColumn();
    return column && column->GetFieldName() == QLatin1String("Value");
}

} // namespace

// --- Button renderer ------------------------------------------------------------------------

TSize TKvGridStyleButtonRenderer::DoMeasure(const TKvGridCellIndex&, int, int hintHeight) { return TSize{19, hintHeight}; }

void TKvGridStyleButtonRenderer::DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect,
                                        bool hovered, bool pressed, bool)
{
    if (!cell || !context)
        return;
    context->DrawRect(TKvSolidBrush::Temp(TKvColor(0x0A000000u)), nullptr, rect);
    context->DrawLine(TKvStroke::LightGray(), double(rect.Left), double(rect.Top), double(rect.Left),
                      double(rect.Bottom));
    const int row = cell->GetIndex().GetDataRow();
    const bool set = FProvider && row >= 0 && row < FProvider->GetRowCount() &&
                     FProvider->GetData(row, TKvGridStylesDataProvider::FieldIsSet).AsBool();

    TKvDrawingState state(context);
    context->SetSmoothing(true);
    const double size = TKvDrawingContext::GetButtonWidth();
    double left = rect.Left + (rect.Width() - size) / 2 + 5;
    double top = rect.Top + (rect.Height() - size) / 2 + 6;
    double right = rect.Left + (rect.Width() + size) / 2 - 5;
    double bottom = rect.Top + (rect.Height() + size) / 2 - 6;
    if (pressed) {
        left += 1;
        top += 1;
        right += 1;
        bottom += 1;
    }
    if (set) {
        const TKvColor color = pressed ? 0xFF0000FFu : hovered ? 0xFF000000u : 0xFF696969u;
        TKvSolidPen* pen = TKvSolidPen::Temp(color, 2, DashStyleSolid);
        context->DrawLine(pen, left, top, right, bottom);
        context->DrawLine(pen, left, bottom, right, top);
    } else {
        const TKvColor color = pressed ? 0xFF0000FFu : hovered ? 0xFF808080u : 0xFFD3D3D3u;
        const double w = right - left;
        const double h = bottom - top;
        context->DrawLines(TKvSolidPen::Temp(color, 2, DashStyleSolid),
                           std::vector<TPointF>{TPointF{float(left), float(top + h / 3)},
                                                TPointF{float(left + w / 3), float(bottom)},
                                                TPointF{float(right), float(top)}});
    }
}

// --- Swatch renderers -----------------------------------------------------------------------

void TKvGridStyleFillRenderer::DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect)
{
    TKvGridViewStyles* styles = cell ? cell->GetStyles() : nullptr;
    if (!styles || !context)
        return;
    context->DrawRect(styles->GetBackground(), nullptr, rect);
    const QString text = cell->GetValue().IsClear() ? QString() : cell->GetValue().ToString();
    DrawSwatch(text, context, TRectF(rect.Left + 4, rect.Top + rect.Height() / 4, rect.Left + 36,
                                     rect.Top + rect.Height() / 4 + rect.Height() / 2));
    const TRectF content(rect.Left + 4 + 32 + 2 + float(styles->GetPaddingLeft()),
                         rect.Top + float(styles->GetPaddingTop()), rect.Right - float(styles->GetPaddingRight()),
                         rect.Bottom - float(styles->GetPaddingBottom()));
    if (content.Width() > 0 && content.Height() > 0)
        context->DrawText(GetText(cell), styles->GetFont(), styles->GetForeground(), content,
                          styles->GetTextAlignment(), styles->GetLineAlignment());
}

void TKvGridStyleFillRenderer::DrawSwatch(const QString& text, TKvDrawingContext* context, const TRectF& swatch)
{
    std::unique_ptr<TKvFill> fill;
    try {
        fill = TKvFill::CreateFrom(text);
    } catch (const Exception&) {
        return;
    }
    if (fill)
        context->DrawRect(fill.get(), TKvStroke::Gray(), swatch);
}

void TKvGridStyleStrokeRenderer::DrawSwatch(const QString& text, TKvDrawingContext* context, const TRectF& swatch)
{
    std::unique_ptr<TKvStroke> stroke;
    try {
        stroke = TKvStroke::CreateFrom(text);
    } catch (const Exception&) {
        return;
    }
    if (!stroke)
        return;
    TKvDrawingState state(context);
    context->SetSmoothing(false);
    const double y = std::floor(double(swatch.Top + swatch.Bottom) / 2);
    context->DrawLine(stroke.get(), double(swatch.Left), y, double(swatch.Right), y);
}

// --- Dialog editors -------------------------------------------------------------------------

bool TKvGridStyleButtonEditor::RunDialog(TKind kind, const QString& text, QString& output)
{
    switch (kind) {
    case ekFill:
        return TKvStyleFillDlg::Execute(text, output);
    case ekStroke:
        return TKvStyleStrokeDlg::Execute(text, output);
    case ekFont:
        break;
    }
    TFontDialog dialog;
    std::unique_ptr<TKvFont> font;
    try {
        font = TKvFont::CreateFrom(text);
    } catch (const Exception&) {
        font.reset();
    }
    if (font) {
        TFontDesc desc;
        desc.Name = font->GetFamilyName();
        desc.Size = font->GetSize();
        desc.Bold = font->GetStyle().Contains(FontBold);
        desc.Italic = font->GetStyle().Contains(FontItalic);
        desc.Underline = font->GetStyle().Contains(FontUnderline);
        desc.StrikeOut = font->GetStyle().Contains(FontStrikeout);
        dialog.SetFont(desc);
    }
    if (!dialog.Execute())
        return false;
    const TFontDesc& chosen = dialog.GetFont();
    TKvFontStyle style;
    if (chosen.Bold)
        style.Include(FontBold);
    if (chosen.Italic)
        style.Include(FontItalic);
    if (chosen.Underline)
        style.Include(FontUnderline);
    if (chosen.StrikeOut)
        style.Include(FontStrikeout);
    output = TKvFont(chosen.Name, float(chosen.Size), style).ToString();
    return true;
}

void TKvGridStyleButtonEditor::ButtonClicked()
{
    if (!FEditor)
        return;
    QString output;
    if (!RunDialog(FKind, FEditor->GetText(), output))
        return;
    FEditor->SetText(output);
    if (TKvGridView* grid = GetGrid())
        grid->CommitEditor(true);
}

// --- Delegate -------------------------------------------------------------------------------

TKvGridStyleInspectorDelegate::TKvGridStyleInspectorDelegate(TKvGridView* grid) : TKvListViewDelegate(grid) {}

TKvGridStyleInspectorDelegate::~TKvGridStyleInspectorDelegate() = default;

void TKvGridStyleInspectorDelegate::SetProvider(TKvGridStylesDataProvider* provider)
{
    FProvider = provider;
    FButtonRenderer = std::make_unique<TKvGridStyleButtonRenderer>(QStringLiteral("styleCellButtonRenderrer"), provider);
}

const TKvStylePropertyRecord* TKvGridStyleInspectorDelegate::PropertyOf(const TKvGridCellIndex& Index) const
{
    if (!FProvider || !IsValueCell(Index))
        return nullptr;
    const int row = Index.GetDataRow();
    if (row < 0 || row >= FProvider->GetRowCount())
        return nullptr;
    return TKvStyleProperties::FindText(FProvider->GetRecord(row).Name);
}

TKvGridCellRenderer* TKvGridStyleInspectorDelegate::GetCellRenderer(const TKvGridCellIndex& Index)
{
    if (const TKvStylePropertyRecord* rec = PropertyOf(Index)) {
        if (rec->Kind == svkFill) {
            if (!FFillRenderer)
                FFillRenderer = Create<TKvGridStyleFillRenderer>(GetOwner());
            return FFillRenderer;
        }
        if (rec->Kind == svkStroke) {
            if (!FStrokeRenderer)
                FStrokeRenderer = Create<TKvGridStyleStrokeRenderer>(GetOwner());
            return FStrokeRenderer;
        }
    }
    return TKvListViewDelegate::GetCellRenderer(Index);
}

TKvGridStyleButtonEditor* TKvGridStyleInspectorDelegate::DialogEditor(TKvGridStyleButtonEditor*& field,
                                                                      TKvGridStyleButtonEditor::TKind kind)
{
    if (!field)
        field = Create<TKvGridStyleButtonEditor>(GetOwner(), kind);
    return field;
}

TKvListCellEditor* TKvGridStyleInspectorDelegate::GetEnumEditor(const QString& name)
{
    const TKvStylePropertyRecord* rec = TKvStyleProperties::FindText(name);
    if (!rec || rec->Kind != svkEnumeration)
        return nullptr;
    if (TKvListCellEditor* editor = FEnumEditors.value(rec->Name))
        return editor;
    // Each enumeration keeps its own items.
    FEnums = rec->EnumNames;
    auto* editor = Create<TKvListCellEditor>(GetOwner());
    editor->SetUseColumnItems(false);
    editor->InitEditor();
    editor->SetItems(FEnums);
    FEnumEditors.insert(rec->Name, editor);
    return editor;
}

TKvGridCellEditor* TKvGridStyleInspectorDelegate::GetCellEditor(const TKvGridCellIndex& Index)
{
    if (const TKvStylePropertyRecord* rec = PropertyOf(Index)) {
        switch (rec->Kind) {
        case svkEnumeration:
            return GetEnumEditor(rec->Name);
        case svkFill:
            return DialogEditor(FFillEditor, TKvGridStyleButtonEditor::ekFill);
        case svkStroke:
            return DialogEditor(FStrokeEditor, TKvGridStyleButtonEditor::ekStroke);
        case svkFont:
            return DialogEditor(FFontEditor, TKvGridStyleButtonEditor::ekFont);
        default:
            break;
        }
    }
    return TKvListViewDelegate::GetCellEditor(Index);
}

TKvGridCellButtonRenderer* TKvGridStyleInspectorDelegate::GetCellButtonRenderer(const TKvGridCellIndex& Index)
{
    if (FButtonRenderer && IsValueCell(Index))
        return FButtonRenderer.get();
    return TKvListViewDelegate::GetCellButtonRenderer(Index);
}

// --- List view ------------------------------------------------------------------------------

TOwned<TKvGridDelegate> TKvStyleInspectorListView::CreateGridDelegate() { return MakeOwned<TKvGridStyleInspectorDelegate>(this); }

} // namespace kv
