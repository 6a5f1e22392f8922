// Renderers.
//
// Sections: cell renderer component (column list, repaint fan-out, streaming); data-cell
// drawing (measure, draw, icon, text); in-place value access; published classes; cell buttons.
//
// Call flow: a cell view asks its column's renderer (or the delegate's) to Measure and Render
// the cell model that the area's GetCell filled; the data-cell renderer reads the cell's style
// set for background, paddings, icon, number format, prefix, postfix, font and alignment. A
// renderer's property setters call Changed, which asks every column using it for Changed(false),
// so each grid showing one of them repaints.
#include "grid/KvGrids.Renderer.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Index.h"
#include "grid/KvGrids.View.h"
#include "model/KvGrids.Model.Editing.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/TypInfo.h"

#include <QtCore/QHash>
#include <algorithm>
#include <cmath>

namespace kv {

// --- cell renderer component ----------------------------------------------------------------

TKvGridCellRenderer::~TKvGridCellRenderer() = default;

TSize TKvGridCellRenderer::DoMeasure(TKvGridCell* cell, int hintWidth, int hintHeight)
{
    return TSize{hintWidth, hintHeight};
}

void TKvGridCellRenderer::AddColumn(TKvGridColumn* column)
{
    if (!column || std::find(FColumns.begin(), FColumns.end(), column) != FColumns.end())
        return;
    FColumns.push_back(column);
}

void TKvGridCellRenderer::RemoveColumn(TKvGridColumn* column)
{
    const auto it = std::find(FColumns.begin(), FColumns.end(), column);
    if (it != FColumns.end())
        FColumns.erase(it);
}

TKvGridColumn* TKvGridCellRenderer::GetColumn(int index) const
{
    if (index < 0 || index >= GetColumnCount())
        RaiseListIndexError(index, GetColumnCount());
    return FColumns[static_cast<size_t>(index)];
}

void TKvGridCellRenderer::Changed()
{
    // A column may leave the list while it tells its grid.
    const std::vector<TKvGridColumn*> columns = FColumns;
    for (TKvGridColumn* column : columns)
        if (std::find(FColumns.begin(), FColumns.end(), column) != FColumns.end())
            column->Changed(false);
}

TComponent* TKvGridCellRenderer::GetParentComponent() const
{
    return GetParentColumn();
}

void TKvGridCellRenderer::ReadState(TReader& reader)
{
    TComponent::ReadState(reader);
    if (!IsInternal())
        return;
    auto* column = dynamic_cast<TKvGridDataColumn*>(reader.GetParent());
    if (!column)
        throw EReadError(QStringLiteral("Renderer ") + GetName() + QStringLiteral(" is not inside a data column"));
    column->SetRenderer(this);
}

// --- data-cell drawing ----------------------------------------------------------------------

namespace {

int RoundPixel(float value)
{
    return static_cast<int>(std::lround(value));
}

bool SameText(const QString& a, const QString& b)
{
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

} // namespace

TSize TKvGridDataCellRenderer::DoMeasure(TKvGridCell* cell, int hintWidth, int hintHeight)
{
    TKvGridViewStyles* styles = cell ? cell->GetStyles() : nullptr;
    if (!styles)
        return TSize{hintWidth, hintHeight};
    const TSizeF size = TKvDrawingContext::MeasureText(GetText(cell), styles->GetFont());
    return TSize{static_cast<int>(std::ceil(size.cx)) + styles->GetPaddingLeft() + styles->GetPaddingRight(),
                 static_cast<int>(std::ceil(size.cy))};
}

void TKvGridDataCellRenderer::DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect)
{
    KV_ASSERT(cell, "cell is nil");
    TKvGridViewStyles* styles = cell->GetStyles();
    if (!styles || !context)
        return;
    context->DrawRect(styles->GetBackground(), nullptr, rect);
    TRect content{RoundPixel(rect.Left + float(styles->GetPaddingLeft())),
                  RoundPixel(rect.Top + float(styles->GetPaddingTop())),
                  RoundPixel(rect.Right - float(styles->GetPaddingRight())),
                  RoundPixel(rect.Bottom - float(styles->GetPaddingBottom()))};
    DrawIcon(cell, context, content);
    if (!content.IsEmpty())
        context->DrawText(FitCellText(GetText(cell), cell->GetValue(), styles->GetFont(), float(content.Width())),
                          styles->GetFont(), styles->GetForeground(), content, styles->GetTextAlignment(),
                          styles->GetLineAlignment());
}

QString FitCellText(const QString& text, const Variant& value, TKvFont* font, float width)
{
    const auto fits = [&](const QString& t) { return TKvDrawingContext::MeasureText(t, font).cx <= width + 0.01f; };
    // Text short enough to fit with characters a line high wide is not measured.
    if (text.isEmpty() || (font && float(text.size()) * font->GetHeight() <= width) || fits(text))
        return text;
    // A number as its value writes it loses decimals first.
    double number = 0;
    const int point = int(text.indexOf(QLatin1Char('.')));
    if (point >= 0 && !text.contains(QLatin1Char('e'), Qt::CaseInsensitive) && !value.IsClear() &&
        !value.IsString() && value.TryToDouble(number) && std::isfinite(number) && text == Variant(number).ToString()) {
        for (int decimals = int(text.size()) - point - 2; decimals >= 0; --decimals) {
            const QString rounded = Variant(QString::number(number, 'f', decimals).toDouble()).ToString();
            if (fits(rounded))
                return rounded;
        }
    }
    // The longest head that fits with the ellipsis, found by halving: a long text costs a few
    // measurements, not one per character.
    const QString ellipsis(QChar(0x2026));
    qsizetype low = 0;
    qsizetype high = text.size() - 1;
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (fits(text.left(mid) + ellipsis))
            low = mid;
        else
            high = mid - 1;
    }
    if (low > 0 && text.at(low - 1).isHighSurrogate())
        --low;
    return low > 0 ? text.left(low) + ellipsis : ellipsis;
}

void TKvGridDataCellRenderer::DrawIcon(TKvGridCell* cell, TKvDrawingContext* context, TRect& content)
{
    TKvGridViewStyles* styles = cell->GetStyles();
    const int index = styles->GetIconIndex();
    if (index < 0)
        return;
    const TKvGridDataColumn* column = cell->GetIndex().GetDataColumn();
    TCustomImageList* images = column ? column->GetImageList() : nullptr;
    if (!images || index >= images->GetCount())
        return;
    const int w = images->GetWidth();
    const int h = images->GetHeight();
    const int offset = styles->GetIconOffset();
    const int padding = styles->GetIconPadding();
    const int centreX = content.Left + (content.Width() - w) / 2;
    const int centreY = content.Top + (content.Height() - h) / 2;
    int x = centreX;
    int y = centreY;
    switch (styles->GetIconLocation()) {
    case IconLeft:
        x = content.Left + offset;
        content.Left += w + offset + padding;
        break;
    case IconRight:
        x = content.Right - w - offset;
        content.Right -= w + offset + padding;
        break;
    case IconTop:
        y = content.Top + offset;
        content.Top += h + offset + padding;
        break;
    case IconBottom:
        y = content.Bottom - h - offset;
        content.Bottom -= h + offset + padding;
        break;
    case IconCenter:
        content.Right = content.Left;
        break;
    }
    context->DrawImage(images, index, x, y);
}

QString TKvGridDataCellRenderer::GetText(TKvGridCell* cell)
{
    if (!cell)
        return QString();
    TKvGridViewStyles* styles = cell->GetStyles();
    if (!styles)
        return cell->GetDisplayText();
    const QString format = styles->GetNumberFormat();
    const QString prefix = styles->GetPrefix();
    const QString postfix = styles->GetPostfix();
    if (format.isEmpty() && prefix.isEmpty() && postfix.isEmpty())
        return cell->GetDisplayText();

    bool numeric = false;
    double number = 0;
    if (!format.isEmpty()) {
        const Variant value = cell->GetValue();
        numeric = !value.IsClear() && value.TryToDouble(number) && !std::isnan(number);
    }
    const QString source = numeric ? QString() : cell->GetDisplayText();
    // Style texts are shared with their bag: the same data is the same text.
    const size_t hash = qHashMulti(numeric ? qHash(number) : qHash(source), format.constData(), prefix.constData(),
                                   postfix.constData());
    if (!FTextCache)
        FTextCache = std::make_unique<std::array<TTextSet, TEXT_SETS>>();
    TTextSet& set = (*FTextCache)[hash % TEXT_SETS];
    for (const TTextSlot& slot : set.Slots)
        if (slot.Used && slot.Numeric == numeric && (numeric ? slot.Number == number : slot.Source == source) &&
            SameText(slot.Format, format) && SameText(slot.Prefix, prefix) && SameText(slot.Postfix, postfix))
            return slot.Text;

    QString text = numeric ? FormatFloat(format, number) : source;
    if (!prefix.isEmpty() || !postfix.isEmpty())
        text = prefix + text + postfix;
    TTextSlot& slot = set.Slots[set.Next];
    set.Next ^= 1;
    slot.Used = true;
    slot.Numeric = numeric;
    slot.Number = number;
    slot.Source = source;
    slot.Format = format;
    slot.Prefix = prefix;
    slot.Postfix = postfix;
    slot.Text = text;
    return text;
}

// --- in-place value access ------------------------------------------------------------------

bool TKvGridDataCellRenderer::BeginEdit(const TKvGridCellIndex& index)
{
    return index.Grid ? index.Grid->Edit(index) : false;
}

Variant TKvGridDataCellRenderer::GetData(const TKvGridCellIndex& index) const
{
    const TKvGridDataColumn* column = index.GetDataColumn();
    TKvGridItemProvider* provider = index.Grid ? index.Grid->GetItemProvider() : nullptr;
    if (!column || !provider || index.ItemIndex < 0 || index.ItemIndex >= provider->GetItemCount())
        return Variant();
    return provider->GetData(index.ItemIndex, column->GetDataIndex());
}

void TKvGridDataCellRenderer::SetData(const TKvGridCellIndex& index, const Variant& value)
{
    const TKvGridDataColumn* column = index.GetDataColumn();
    auto* provider =
        dynamic_cast<TKvGridEditableItemProvider*>(index.Grid ? index.Grid->GetItemProvider() : nullptr);
    if (column && provider)
        provider->UpdateData(index.ItemIndex, column->GetDataIndex(), value);
}

// --- published classes --------------------------------------------------------------------

KV_PUBLISH(TKvGridCellRenderer, TComponent);
KV_PUBLISH(TKvGridDataCellRenderer, TKvGridCellRenderer);
KV_PUBLISH(TKvGridDataGroupCellRenderer, TKvGridCellRenderer);

// --- cell buttons ---------------------------------------------------------------------------

TSize TKvGridCellButtonRenderer::DoMeasure(const TKvGridCellIndex& index, int hintWidth, int hintHeight)
{
    return TSize{hintWidth, hintHeight};
}

TRect TKvGridDefaultButtonRenderer::ButtonRect(const TRectF& rect)
{
    TRect r{RoundPixel(rect.Left) + 1, RoundPixel(rect.Top), RoundPixel(rect.Right) - 2, RoundPixel(rect.Bottom)};
    r.Top += (r.Height() - BUTTON_HEIGHT) / 2;
    r.Bottom = r.Top + BUTTON_HEIGHT;
    return r;
}

TSize TKvGridDefaultButtonRenderer::DoMeasure(const TKvGridCellIndex& index, int hintWidth, int hintHeight)
{
    return TSize{BUTTON_WIDTH + 3, hintHeight};
}

void TKvGridDefaultButtonRenderer::DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect,
                                          bool hovered, bool pressed, bool focused)
{
    const TKvGridDataColumn* column = cell ? cell->GetIndex().GetDataColumn() : nullptr;
    if (!column || !context)
        return;
    const TRect r = ButtonRect(rect);
    switch (column->GetButton()) {
    case ButtonAction:
        context->DrawEllipsisButton(r, true, hovered, pressed);
        break;
    case ButtonPopup:
        context->DrawMenuButton(r, true, hovered, pressed);
        break;
    case ButtonNone:
        break;
    }
}

void TKvGridEditButtonRenderer::DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect,
                                       bool hovered, bool pressed, bool focused)
{
    if (!cell || !cell->GetIndex().GetDataColumn() || !context)
        return;
    const TRect r = ButtonRect(rect);
    switch (FButton) {
    case ButtonCombo: {
        context->DrawButton(r, true, hovered, pressed);
        TRect inner = r;
        inner.Inflate(-1, -1);
        const float x0 = float(inner.Left + (inner.Width() - 8) / 2);
        const float y0 = float(inner.Top + (inner.Height() - 5) / 2);
        const float p = pressed ? 1.0f : 0.0f;
        context->DrawPolygon(TKvFill::Black(), nullptr,
                             std::vector<TPointF>{{x0 + p, y0 + p}, {x0 + 9, y0 + p}, {x0 + p + 4, y0 + 5}});
        break;
    }
    case ButtonEllipsis:
        context->DrawEllipsisButton(r, true, hovered, pressed);
        break;
    case ButtonCalendar:
        DrawCalendar(context, r, pressed);
        break;
    }
}

void TKvGridEditButtonRenderer::DrawCalendar(TKvDrawingContext* context, TRect r, bool pressed)
{
    if (pressed)
        r.Offset(1, 1);
    r.Inflate(-2, -2);
    context->DrawRect(TKvFill::White(), TKvStroke::DimGray(), r);
    context->DrawLine(TKvStroke::DimGray(), r.Left, r.Top, r.Right, r.Top);
    context->DrawLine(TKvStroke::DimGray(), r.Left, r.Top + 1, r.Right, r.Top + 1);
    for (int dx : {3, 6, 9})
        context->DrawLine(TKvStroke::LightGray(), r.Left + dx, r.Bottom - 1, r.Left + dx, r.Top + 2);
    for (int dy : {5, 8})
        context->DrawLine(TKvStroke::LightGray(), r.Left + 1, r.Top + dy, r.Right - 1, r.Top + dy);
    context->DrawRect(nullptr, TKvStroke::Blue(), r.Left + 6, r.Top + 6, 3, 3);
}

} // namespace kv
