// The spreadsheet exporter.
//
// Sections: column array; styles; style collection; columns; table (header rows, item rows,
// footer rows, cell values); worksheet, workbook and document; converter.
//
// Call flow: TKvGridExcelConverter::ConvertAll checks the sheet name, fills a document and
// asks it to Write: the prolog and the root element go through a streaming UTF-8 XML writer
// (into the file, or decoded into the text), the workbook writes the styles and the
// worksheet, and the table's writer walks the items once.
// Values become text here: numbers in their shortest round-trip form with ".", date-times in
// the format's ISO form, Booleans as "1"/"0"; a value that does not fit its column's type is
// written as a String cell.
#include "components/KvGrids.Converter.Excel.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Utils.h"
#include "grid/KvGrids.View.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Proxy.Group.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/TypInfo.h"
#include "platform/rtl/Variant.h"
#include "platform/xml/XmlUtf8Writer.h"

#include <QtCore/QSaveFile>
#include <QtCore/QStringEncoder>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kv {

namespace {

QLatin1String L(const char* text) { return QLatin1String(text); }

bool IsVertical(TKvGridColumnGroup* group) { return group->GetOrientation() == ColumnsVertical; }

} // namespace

// ---- column array ------------------------------------------------------------------------

int TKvGridColumnArray::HorzCount(TKvGridColumn* Column)
{
    auto* group = dynamic_cast<TKvGridColumnGroup*>(Column);
    if (!group || group->VisibleCount() == 0)
        return 1;
    int result = IsVertical(group) ? 1 : 0;
    for (int i = 0, n = group->VisibleCount(); i < n; ++i) {
        const int w = HorzCount(group->GetVisible(i));
        result = IsVertical(group) ? std::max(result, w) : result + w;
    }
    return result;
}

namespace {

// Children across (a horizontal group) take the greatest count, at least 1; stacked children
// add up, a plain column counting 1.
template <typename F>
int CombineLevels(TKvGridColumnGroup* group, F levels)
{
    const bool across = !IsVertical(group);
    int result = across ? 1 : 0;
    for (int i = 0, n = group->VisibleCount(); i < n; ++i) {
        TKvGridColumn* child = group->GetVisible(i);
        const bool isGroup = dynamic_cast<TKvGridColumnGroup*>(child) != nullptr;
        const int value = isGroup ? levels(child) : 1;
        if (!across)
            result += value;
        else if (isGroup)
            result = std::max(result, value);
    }
    return result;
}

} // namespace

int TKvGridColumnArray::HeaderLevels(TKvGridColumn* Column)
{
    auto* group = dynamic_cast<TKvGridColumnGroup*>(Column);
    if (!group)
        return 1;
    const int own = group->GetGroupHeader()->GetVisible() ? 1 : 0;
    if (group->GetHideChildHeaders() || group->VisibleCount() == 0)
        return own;
    return own + CombineLevels(group, &TKvGridColumnArray::HeaderLevels);
}

int TKvGridColumnArray::DataLevels(TKvGridColumn* Column)
{
    auto* group = dynamic_cast<TKvGridColumnGroup*>(Column);
    if (!group)
        return 1;
    return group->VisibleCount() == 0 ? 0 : CombineLevels(group, &TKvGridColumnArray::DataLevels);
}

TKvGridColumnArray::TKvGridColumnArray(TKvGridView* Grid)
{
    int width = 0, headers = 1, datas = 1;
    for (int i = 0, n = Grid->GetVisibleColumnCount(); i < n; ++i) {
        TKvGridColumn* column = Grid->GetVisibleColumn(i);
        width += HorzCount(column);
        if (dynamic_cast<TKvGridColumnGroup*>(column)) {
            headers = std::max(headers, HeaderLevels(column));
            datas = std::max(datas, DataLevels(column));
        }
    }
    FHeaderRows.assign(size_t(headers), std::vector<TKvGridColumnArrayItem>(size_t(width)));
    FDataRows.assign(size_t(datas), std::vector<TKvGridColumnArrayItem>(size_t(width)));
    for (bool header : {true, false}) {
        TRows& rows = header ? FHeaderRows : FDataRows;
        int x = 0;
        for (int i = 0, n = Grid->GetVisibleColumnCount(); i < n; ++i) {
            TKvGridColumn* column = Grid->GetVisibleColumn(i);
            const int w = HorzCount(column);
            Place(rows, column, x, 0, w, static_cast<int>(rows.size()), header);
            x += w;
        }
    }
}

void TKvGridColumnArray::Fill(TRows& Rows, TKvGridColumn* Column, int X, int Y, int W, int H)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    const TKvGridValueType type = data ? data->GetValueType() : ValueTypeText;
    for (int r = 0; r < H; ++r)
        for (int c = 0; c < W; ++c) {
            TKvGridColumnArrayItem& item = Rows[size_t(Y + r)][size_t(X + c)];
            item = TKvGridColumnArrayItem();
            item.Column = Column;
            item.ColIndex = c;
            item.ColSpan = W;
            item.RowIndex = r;
            item.RowSpan = H;
            item.ValueType = type;
        }
}

// Lays a column out in its rectangle. Every position of the rectangle gets one owner: the
// last member of a group takes what its siblings leave, so that no position stays empty and
// no two owners overlap, whatever the level counts of the members.
void TKvGridColumnArray::Place(TRows& Rows, TKvGridColumn* Column, int X, int Y, int W, int H, bool Header)
{
    if (W <= 0 || H <= 0)
        return;
    auto* group = dynamic_cast<TKvGridColumnGroup*>(Column);
    if (!group || group->VisibleCount() == 0 || (Header && group->GetHideChildHeaders())) {
        Fill(Rows, Column, X, Y, W, H);
        return;
    }
    if (Header && group->GetGroupHeader()->GetVisible()) {
        Fill(Rows, Column, X, Y, W, 1);
        ++Y;
        --H;
        if (H == 0)
            return;
    }
    const int n = group->VisibleCount();
    if (IsVertical(group)) {
        for (int i = 0; i < n && H > 0; ++i) {
            TKvGridColumn* member = group->GetVisible(i);
            const bool isGroup = dynamic_cast<TKvGridColumnGroup*>(member) != nullptr;
            int rows = isGroup ? (Header ? HeaderLevels(member) : DataLevels(member)) : 1;
            rows = i == n - 1 ? H : std::min(rows, H);
            Place(Rows, member, X, Y, W, rows, Header);
            Y += rows;
            H -= rows;
        }
    } else {
        for (int i = 0; i < n && W > 0; ++i) {
            TKvGridColumn* member = group->GetVisible(i);
            const int cols = i == n - 1 ? W : std::min(HorzCount(member), W);
            Place(Rows, member, X, Y, cols, H, Header);
            X += cols;
            W -= cols;
        }
    }
}

// ---- styles ------------------------------------------------------------------------------

namespace {

// "#rrggbb": the colour's text form without its alpha digits.
QString ColorText(TKvColor color) { return QStringLiteral("#") + color.ToString().mid(3); }

// One section of a display format as the spreadsheet writes it: "0" and "#" digits, the first
// "." and an exponent "E+0" as they are, "," anywhere a grouping of the integer digits (one
// comma between them), every other character (quoted or not) a literal escaped with "\".
QString ExcelSection(QStringView s)
{
    QString out;
    bool point = false, grouping = false, exponent = false;
    qsizetype firstInt = -1; // where the first integer digit went in out
    int intDigits = 0;
    QChar open;
    auto literal = [&out](QChar c) {
        out += u'\\';
        out += c;
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (!open.isNull()) {
            if (c == open)
                open = QChar();
            else
                literal(c);
        } else if (c == u'\'' || c == u'"') {
            open = c;
        } else if (exponent) {
            literal(c);
        } else if (c == u'0' || c == u'#') {
            if (!point) {
                if (firstInt < 0)
                    firstInt = out.size();
                ++intDigits;
            }
            out += c;
        } else if (c == u'.' && !point) {
            point = true;
            out += c;
        } else if (c == u',') {
            grouping = true;
        } else if ((c == u'E' || c == u'e') && i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-')) {
            out += c;
            out += s[++i];
            while (i + 1 < s.size() && s[i + 1] == u'0')
                out += s[++i];
            exponent = true;
        } else {
            literal(c);
        }
    }
    if (grouping) {
        if (intDigits >= 2)
            out.insert(firstInt + 1, u',');
        else if (intDigits == 1)
            out.insert(firstInt, QStringLiteral("#,"));
        else
            out.prepend(QStringLiteral("#,#"));
    }
    return out;
}

// A column's display format (the grid's float pattern: "positive;negative;zero") as the
// spreadsheet's number format, which shows the same texts; empty for none.
QString ExcelNumberFormat(const QString& format)
{
    if (format.isEmpty())
        return QString();
    std::vector<QStringView> sections;
    qsizetype start = 0;
    QChar open;
    for (qsizetype i = 0; i < format.size() && sections.size() < 2; ++i) {
        const QChar c = format[i];
        if (!open.isNull()) {
            if (c == open)
                open = QChar();
        } else if (c == u'\'' || c == u'"') {
            open = c;
        } else if (c == u';') {
            sections.push_back(QStringView(format).mid(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(QStringView(format).mid(start));
    // An empty negative or zero section means the first one here (with a sign for negatives),
    // where the spreadsheet would show nothing.
    const QString first = ExcelSection(sections[0]);
    QString out = first;
    for (size_t k = 1; k < sections.size(); ++k) {
        out += u';';
        if (!sections[k].isEmpty()) {
            out += ExcelSection(sections[k]);
            continue;
        }
        if (k == 1)
            out += u'-';
        out += first;
    }
    return out;
}

void AssignBorder(TKvStroke* stroke, int& width, QString& color)
{
    width = stroke ? static_cast<int>(std::nearbyint(stroke->GetWidth())) : 0; // ties to even
    auto* pen = dynamic_cast<TKvSolidPen*>(stroke);
    color = pen ? ColorText(pen->GetColor()) : QString();
}

QString AlignText(TKvAlignment align, bool horizontal)
{
    switch (align) {
    case AlignNear: return horizontal ? QStringLiteral("Left") : QStringLiteral("Top");
    case AlignCenter: return QStringLiteral("Center");
    case AlignFar: return horizontal ? QStringLiteral("Right") : QStringLiteral("Bottom");
    }
    return QString();
}

} // namespace

TKvGridExcelStyle::TKvGridExcelStyle(TKvGridExcelElement* Parent, TKvGridExcelStyle* ParentStyle, const QString& StyleId)
    : TKvGridExcelElement(Parent), FParentStyle(ParentStyle), FStyleId(StyleId)
{
}

void TKvGridExcelStyle::Assign(TKvGridStyleBag* Styles)
{
    if (!Styles)
        return;
    FHorzAlign = AlignText(Styles->GetTextAlignment(), true);
    FVertAlign = AlignText(Styles->GetLineAlignment(), false);
    AssignBorder(Styles->GetBorderLeft(), FBorderLeft, FBorderLeftColor);
    AssignBorder(Styles->GetBorderRight(), FBorderRight, FBorderRightColor);
    AssignBorder(Styles->GetBorderTop(), FBorderTop, FBorderTopColor);
    AssignBorder(Styles->GetBorderBottom(), FBorderBottom, FBorderBottomColor);

    TKvFill* foreground = Styles->GetForeground();
    if (auto* solid = dynamic_cast<TKvSolidBrush*>(foreground))
        FFontColor = ColorText(solid->GetColor());
    else if (auto* linear = dynamic_cast<TKvLinearGradientBrush*>(foreground))
        FFontColor = ColorText(linear->GetColor1());
    else
        FFontColor = ColorText(TKvColor(0));

    TKvFill* background = Styles->GetBackground();
    if (auto* solid = dynamic_cast<TKvSolidBrush*>(background)) {
        FColor = ColorText(solid->GetColor());
        FPattern = QStringLiteral("Solid");
    } else if (auto* linear = dynamic_cast<TKvLinearGradientBrush*>(background)) {
        const TKvColor a = linear->GetColor1(), b = linear->GetColor2();
        FColor = ColorText(TKvColor::Create(std::uint8_t((a.GetRed() + b.GetRed()) / 2),
                                            std::uint8_t((a.GetGreen() + b.GetGreen()) / 2),
                                            std::uint8_t((a.GetBlue() + b.GetBlue()) / 2)));
        FPattern = QStringLiteral("Solid");
    } else {
        FColor.clear();
        FPattern.clear();
    }

    if (TKvFont* font = Styles->GetFont()) {
        FFontName = font->GetFamilyName();
        FFontSize = font->GetSize();
        const TKvFontStyle style = font->GetStyle();
        FFontBold = style.Contains(FontBold);
        FFontItalic = style.Contains(FontItalic);
        FFontUnderline = style.Contains(FontUnderline);
    }
}

void TKvGridExcelStyle::Write(TXmlUtf8Writer& Node)
{
    Node.StartElement(L("Style"));
    Node.Attribute(L("ss:ID"), FStyleId);
    if (FParentStyle)
        Node.Attribute(L("ss:Parent"), FParentStyle->FStyleId);

    Node.StartElement(L("Alignment"));
    if (!FHorzAlign.isEmpty())
        Node.Attribute(L("ss:Horizontal"), FHorzAlign);
    if (!FVertAlign.isEmpty())
        Node.Attribute(L("ss:Vertical"), FVertAlign);
    Node.EndElement();

    Node.StartElement(L("Borders"));
    const std::pair<int, const QString*> sides[] = {
        {FBorderLeft, &FBorderLeftColor}, {FBorderRight, &FBorderRightColor},
        {FBorderTop, &FBorderTopColor}, {FBorderBottom, &FBorderBottomColor}};
    const char* positions[] = {"Left", "Right", "Top", "Bottom"};
    for (int i = 0; i < 4; ++i) {
        if (sides[i].first <= 0)
            continue;
        Node.StartElement(L("Border"));
        Node.Attribute(L("ss:Position"), L(positions[i]));
        Node.Attribute(L("ss:LineStyle"), L("Continuous"));
        Node.Attribute(L("ss:Weight"), qint64(sides[i].first));
        if (!sides[i].second->isEmpty())
            Node.Attribute(L("ss:Color"), *sides[i].second);
        Node.EndElement();
    }
    Node.EndElement();

    Node.StartElement(L("Interior"));
    if (!FColor.isEmpty())
        Node.Attribute(L("ss:Color"), FColor);
    if (!FPattern.isEmpty())
        Node.Attribute(L("ss:Pattern"), FPattern);
    if (!FPatternColor.isEmpty())
        Node.Attribute(L("ss:PatternColor"), FPatternColor);
    Node.EndElement();

    Node.StartElement(L("Font"));
    if (!FFontName.isEmpty())
        Node.Attribute(L("ss:FontName"), FFontName);
    if (!FFontColor.isEmpty())
        Node.Attribute(L("ss:Color"), FFontColor);
    if (FFontSize > 0)
        Node.Attribute(L("ss:Size"), FloatToStr(FFontSize));
    if (FFontBold)
        Node.Attribute(L("ss:Bold"), L("1"));
    if (FFontItalic)
        Node.Attribute(L("ss:Italic"), L("1"));
    if (FFontUnderline)
        Node.Attribute(L("ss:Underline"), L("1"));
    Node.EndElement();

    if (!FNumberFormat.isEmpty()) {
        Node.StartElement(L("NumberFormat"));
        Node.Attribute(L("ss:Format"), FNumberFormat);
        Node.EndElement();
    }
    Node.EndElement();
}

// ---- style collection ----------------------------------------------------------------------

TKvGridExcelStyle* TKvGridExcelStyleCollection::AddStyle(TKvGridExcelStyle* Parent, TKvGridColumn* Column,
                                                         const QString& Id)
{
    if (TKvGridExcelStyle* found = Find(Column))
        return found;
    FIndex.insert(Column, FStyleMap.size());
    FStyleMap.emplace_back(Column, std::make_unique<TKvGridExcelStyle>(this, Parent, Id));
    return FStyleMap.back().second.get();
}

TKvGridExcelStyle* TKvGridExcelStyleCollection::Find(TKvGridColumn* Column) const
{
    const auto found = FIndex.constFind(Column);
    return found == FIndex.constEnd() ? nullptr : FStyleMap[found.value()].second.get();
}

QString TKvGridExcelStyleCollection::GetStyles(TKvGridColumn* Column) const
{
    const TKvGridExcelStyle* style = Find(Column);
    return style ? style->FStyleId : QString();
}

void TKvGridExcelStyleCollection::Write(TXmlUtf8Writer& Node)
{
    ForEach([&](TKvGridExcelStyle* style) { style->Write(Node); });
}

void TKvGridExcelStyleCollection::ForEach(const std::function<void(TKvGridExcelStyle*)>& Proc) const
{
    for (const auto& entry : FStyleMap)
        Proc(entry.second.get());
}

// ---- columns -------------------------------------------------------------------------------

void TKvGridExcelColumn::Write(TXmlUtf8Writer& Node)
{
    Node.StartElement(L("Column"));
    if (FIndex > 0)
        Node.Attribute(L("ss:Index"), qint64(FIndex));
    if (!FStyleId.isEmpty())
        Node.Attribute(L("ss:StyleID"), FStyleId);
    if (FColumn)
        Node.Attribute(L("c:Caption"), FCaption);
    if (FAutoFitWidth)
        Node.Attribute(L("ss:AutoFitWidth"), L("1"));
    if (FHidden)
        Node.Attribute(L("ss:Hidden"), L("1"));
    if (FWidth >= 0)
        Node.Attribute(L("ss:Width"), FloatToStr(FWidth));
    if (FSpan > 0)
        Node.Attribute(L("ss:Span"), qint64(FSpan));
    Node.EndElement();
}

// ---- table ---------------------------------------------------------------------------------

namespace {

// Texts of typed values, formatted into a small buffer without allocating.
struct TValueText
{
    char Buffer[64];
    int Length = 0;

    QLatin1String Text() const { return QLatin1String(Buffer, Length); }

    bool Integer(std::int64_t value)
    {
        Length = static_cast<int>(std::to_chars(Buffer, Buffer + sizeof Buffer, value).ptr - Buffer);
        return true;
    }
    // The shortest text that reads back as the same double; false for NaN and infinities.
    bool Number(double value)
    {
        if (!std::isfinite(value))
            return false;
        Length = static_cast<int>(std::to_chars(Buffer, Buffer + sizeof Buffer, value).ptr - Buffer);
        return true;
    }
    // A number cell's text: integers, finite doubles and text that reads as one.
    bool Numeric(const Variant& value)
    {
        switch (value.Kind()) {
        case TVarKind::Integer: return Integer(value.IntUnchecked());
        case TVarKind::Double: return Number(value.DoubleUnchecked());
        case TVarKind::String: {
            double d = 0;
            return TryStrToFloat(value.StringUnchecked().trimmed(), d) && Number(d);
        }
        default: return false;
        }
    }
    // "yyyy-mm-ddThh:mm:ss.zzz" for the years 1900 to 9999, which spreadsheets can hold.
    bool DateTime(double days)
    {
        const QDateTime dt = DateTimeToQDateTime(days);
        if (!dt.isValid())
            return false;
        int y = 0, m = 0, d = 0;
        dt.date().getDate(&y, &m, &d);
        if (y < 1900 || y > 9999)
            return false;
        const QTime t = dt.time();
        Length = std::snprintf(Buffer, sizeof Buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", y, m, d, t.hour(),
                               t.minute(), t.second(), t.msec());
        return true;
    }
    bool Date(const Variant& value)
    {
        if (value.IsDateTime())
            return DateTime(value.DoubleUnchecked());
        TDateTime days = 0;
        return value.IsString() && TryStrToDateTime(value.StringUnchecked(), days) && DateTime(days);
    }
};

} // namespace

// Writes one table: the state of a run and its steps.
class TKvGridExcelTable::TWriter
{
public:
    TWriter(TKvGridExcelDocument* Document, TXmlUtf8Writer& Node)
        : FDoc(Document), FGrid(Document->FGrid), W(Node), FArray(Document->FGrid)
    {
        H = FArray.GetHeaderRowCount();
        D = FArray.GetDataRowCount();
        C = FArray.GetColCount();
        R = FDoc->FRowNum ? 1 : 0;
        LevelCount = FDoc->FGroupLevels;
        FRowNumber = FDoc->FRowNumBase;
        FRowNumStyle = FDoc->FRowNumStyle->FStyleId;
        FHeaderStyle = FDoc->FDefHeaderStyle->FStyleId;
        FFooterStyle = FDoc->FDefFooterStyle->FStyleId;
        FRowNumberTag = CellTag(1, -1, D - 1, FRowNumStyle);
        for (int i = 0; i < LevelCount; ++i) {
            FIndicatorTags.push_back(
                CellTag(LevelColumn(i), -1, D - 1, FDoc->FGroupIndicatorStyles[size_t(i)]->FStyleId));
            FIndicatorStyles << FDoc->FGroupIndicatorStyles[size_t(i)]->FStyleId;
            FExpanderStyles << FDoc->FGroupExpanderStyles[size_t(i)]->FStyleId;
            FGroupHeaderStyles << FDoc->FGroupHeaderStyles[size_t(i)]->FStyleId;
            FGroupFooterStyles << FDoc->FGroupFooterStyles[size_t(i)]->FStyleId;
        }
        // The data rows' spreadsheet types, and their anchors with the owners' style ids.
        for (int d = 0; d < D; ++d)
            for (int c = 0; c < C; ++c) {
                TKvGridColumnArrayItem typed = FArray.GetItem(d, c);
                typed.Tag = TypeTag(typed.ValueType);
                FArray.SetItem(d, c, typed);
                const TKvGridColumnArrayItem& item = FArray.GetItem(d, c);
                if (!item.IsAnchor())
                    continue;
                TAnchor anchor;
                anchor.Row = d;
                anchor.Col = c;
                anchor.Item = &item;
                anchor.Data = dynamic_cast<TKvGridDataColumn*>(item.Column);
                anchor.Field = anchor.Data ? anchor.Data->GetDataIndex() : -1;
                anchor.CellStyle = FDoc->FCellStyles->GetStyles(item.Column);
                anchor.FooterStyle = FDoc->FFooterStyles->GetStyles(item.Column);
                anchor.CellTag = CellTag(ArrayColumn(c), item.ColSpan - 1, item.RowSpan - 1, anchor.CellStyle);
                FAnchors.push_back(anchor);
            }
    }

    void Run(TKvGridExcelTable* Table)
    {
        Columns(Table);
        if (FDoc->FHeaderVisible)
            HeaderRows();
        Items();
        if (FDoc->FFooterVisible)
            FooterRows();
    }

private:
    struct TAnchor
    {
        int Row = 0;
        int Col = 0;
        const TKvGridColumnArrayItem* Item = nullptr;
        TKvGridDataColumn* Data = nullptr;
        int Field = -1;
        QString CellStyle;
        QString FooterStyle;
        // The data rows' start tag of the cell.
        TXmlStartTag CellTag;
    };

    static QString TypeTag(TKvGridValueType Type)
    {
        switch (Type) {
        case ValueTypeBool: return QStringLiteral("Boolean");
        case ValueTypeNumeric: return QStringLiteral("Number");
        case ValueTypeDateTime: return QStringLiteral("DateTime");
        default: return QStringLiteral("String");
        }
    }
    int LevelColumn(int Level) const { return 1 + Level + R; }
    int ArrayColumn(int Col) const { return 1 + Col + R + LevelCount; }

    void Columns(TKvGridExcelTable* Table)
    {
        auto add = [&](TKvGridColumn* column) {
            Table->FColumns.push_back(std::make_unique<TKvGridExcelColumn>(Table));
            TKvGridExcelColumn* result = Table->FColumns.back().get();
            result->FColumn = column;
            return result;
        };
        if (R)
            add(nullptr)->FAutoFitWidth = true;
        for (int i = 0; i < LevelCount; ++i)
            add(nullptr)->FWidth = 16;
        for (int c = 0; c < C; ++c) {
            const TKvGridColumnArrayItem& item = FArray.GetItem(0, c);
            TKvGridExcelColumn* column = add(item.Column);
            column->FAutoFitWidth = true;
            if (item.Column) {
                column->FCaption = item.Column->GetHeader()->GetDisplayName();
                // Points from pixels; a column spread over several spreadsheet columns shares its width.
                column->FWidth = item.Column->GetWidth() * 72.0 / 96.0 / std::max(1, item.ColSpan);
            }
        }
        for (auto& column : Table->FColumns)
            column->Write(W);
    }

    // A cell's start tag as StartCell writes it, rendered once for the data rows.
    static TXmlStartTag CellTag(int Index, int Across, int Down, const QString& Style)
    {
        TXmlStartTag tag(L("Cell"));
        tag.Attribute(L("ss:Index"), qint64(Index));
        if (Across >= 0)
            tag.Attribute(L("ss:MergeAcross"), qint64(Across));
        if (Down >= 0)
            tag.Attribute(L("ss:MergeDown"), qint64(Down));
        if (!Style.isEmpty())
            tag.Attribute(L("ss:StyleID"), Style);
        return tag;
    }

    void StartCell(int Index, int Across, int Down, const QString& Style)
    {
        W.StartElement(L("Cell"));
        W.Attribute(L("ss:Index"), qint64(Index));
        if (Across >= 0)
            W.Attribute(L("ss:MergeAcross"), qint64(Across));
        if (Down >= 0)
            W.Attribute(L("ss:MergeDown"), qint64(Down));
        if (!Style.isEmpty())
            W.Attribute(L("ss:StyleID"), Style);
    }
    // A cell without data.
    void EmptyCell(int Index, int Across, int Down, const QString& Style)
    {
        StartCell(Index, Across, Down, Style);
        W.EndElement();
    }
    enum TDataType { DataString, DataNumber, DataDateTime, DataBoolean };
    template <typename T>
    void Data(TDataType Type, const T& Text)
    {
        W.StartElement(FDataTags[Type]);
        W.Text(Text);
        W.EndElement();
    }

    // A cell value typed by its column: the value's own text as a String when it does not fit.
    void TypedData(const Variant& Value, TKvGridValueType Type)
    {
        TValueText text;
        switch (Type) {
        case ValueTypeBool: {
            bool b = false;
            if (!Value.IsClear() && Value.TryToBoolean(b))
                return Data(DataBoolean, L(b ? "1" : "0"));
            break;
        }
        case ValueTypeNumeric:
            if (text.Numeric(Value))
                return Data(DataNumber, text.Text());
            break;
        case ValueTypeDateTime:
            if (text.Date(Value))
                return Data(DataDateTime, text.Text());
            break;
        default: break;
        }
        if (Value.IsString())
            return Data(DataString, Value.StringUnchecked());
        Data(DataString, Value.ToString());
    }

    // A summary typed by its own value.
    void SummaryData(const Variant& Value)
    {
        switch (Value.Kind()) {
        case TVarKind::Boolean: return TypedData(Value, ValueTypeBool);
        case TVarKind::Integer:
        case TVarKind::Double: return TypedData(Value, ValueTypeNumeric);
        case TVarKind::DateTime: return TypedData(Value, ValueTypeDateTime);
        default: return TypedData(Value, ValueTypeText);
        }
    }

    void HeaderRows()
    {
        for (int h = 0; h < H; ++h) {
            W.StartElement(L("Row"));
            if (h == 0) {
                if (R)
                    EmptyCell(1, 0, H - 1, FHeaderStyle);
                for (int i = 0; i < LevelCount; ++i)
                    EmptyCell(LevelColumn(i), 0, H - 1, FHeaderStyle);
            }
            for (int c = 0; c < C; ++c) {
                const TKvGridColumnArrayItem& item = FArray.GetHeaders(h, c);
                if (!item.IsAnchor())
                    continue;
                StartCell(ArrayColumn(c), item.ColSpan - 1, item.RowSpan - 1, FDoc->FHeaderStyles->GetStyles(item.Column));
                Data(DataString, item.Column->GetHeader()->GetDisplayName());
                W.EndElement();
            }
            W.EndElement();
        }
    }

    void RowNumberCell()
    {
        W.StartElement(FRowNumberTag);
        TValueText text;
        text.Integer(FRowNumber++);
        Data(DataNumber, text.Text());
        W.EndElement();
    }

    void DataRow(TKvGridItem* Item)
    {
        size_t next = 0;
        for (int d = 0; d < D; ++d) {
            W.StartElement(L("Row"));
            if (d == 0) {
                if (R)
                    RowNumberCell();
                for (const TXmlStartTag& tag : FIndicatorTags) {
                    W.StartElement(tag);
                    W.EndElement();
                }
            }
            for (; next < FAnchors.size() && FAnchors[next].Row == d; ++next) {
                const TAnchor& a = FAnchors[next];
                W.StartElement(a.CellTag);
                // A column group shows no value of its own: its cell stays empty.
                if (a.Data)
                    TypedData(a.Field >= 0 ? Item->GetData(a.Field) : Variant(), a.Item->ValueType);
                W.EndElement();
            }
            W.EndElement();
        }
    }

    // Group rows are one spreadsheet row high: their cells merge down 0.
    void GroupHeaderRow(TKvGridItem* Item)
    {
        const int k = std::clamp(Item->GetLevel() - 1, 0, std::max(0, LevelCount - 1));
        W.StartElement(L("Row"));
        if (R)
            EmptyCell(1, -1, 0, FRowNumStyle);
        for (int j = 0; j < k && j < LevelCount; ++j)
            EmptyCell(LevelColumn(j), -1, 0, FIndicatorStyles[j]);
        if (k < LevelCount)
            EmptyCell(LevelColumn(k), -1, 0, FExpanderStyles[k]);
        const int first = LevelCount > 0 ? k + 1 : 0;
        StartCell(LevelColumn(first), std::max(0, (C - 1) + (LevelCount - first)), 0,
                  k < LevelCount ? FGroupHeaderStyles[k] : QString());
        Data(DataString, FGrid->GetRowGroup()->GetHeaderCell(Item)->GetDisplayText());
        W.EndElement();
        W.EndElement();
    }

    void GroupFooterRows(TKvGridItem* Item)
    {
        TKvGridItem* group = Item->GetParent();
        const int k = std::clamp(group ? group->GetLevel() - 1 : 0, 0, std::max(0, LevelCount - 1));
        const QString style = k < LevelCount ? FGroupFooterStyles[k] : QString();
        size_t next = 0;
        for (int d = 0; d < D; ++d) {
            W.StartElement(L("Row"));
            if (d == 0) {
                if (R)
                    EmptyCell(1, -1, 0, FRowNumStyle);
                for (int i = 0; i < LevelCount; ++i)
                    EmptyCell(LevelColumn(i), -1, D - 1, FIndicatorStyles[i]);
            }
            for (; next < FAnchors.size() && FAnchors[next].Row == d; ++next) {
                const TAnchor& a = FAnchors[next];
                StartCell(ArrayColumn(a.Col), a.Item->ColSpan - 1, a.Item->RowSpan - 1, style);
                SummaryData(FGrid->GetRowGroup()->GetFooterCell(Item, a.Item->Column)->GetValue());
                W.EndElement();
            }
            W.EndElement();
        }
    }

    void Item(TKvGridItem* Item)
    {
        if (!Item)
            return;
        if (dynamic_cast<TKvGridRow*>(Item))
            DataRow(Item);
        else if (dynamic_cast<TKvGridGroupItem*>(Item)) {
            if (FDoc->FGroupHeaderVisible)
                GroupHeaderRow(Item);
        } else if (dynamic_cast<TKvGridGroupFooter*>(Item)) {
            if (FDoc->FGroupFooterVisible)
                GroupFooterRows(Item);
        }
    }

    void Items()
    {
        if (FDoc->FAllItems) {
            for (TKvGridItem* item : FGrid->GetAllItems())
                Item(item);
            return;
        }
        TKvGridItemProvider* provider = FGrid->GetItemProvider();
        for (int i = 0, n = provider ? FGrid->GetItemCount() : 0; i < n; ++i)
            Item(provider->GetItem(i));
    }

    void FooterRows()
    {
        TKvGridFooter* footer = FGrid->GetFooter();
        size_t next = 0;
        for (int d = 0; d < D; ++d) {
            W.StartElement(L("Row"));
            if (d == 0) {
                if (R)
                    EmptyCell(1, 0, D - 1, FFooterStyle);
                for (int i = 0; i < LevelCount; ++i)
                    EmptyCell(LevelColumn(i), 0, D - 1, FFooterStyle);
            }
            for (; next < FAnchors.size() && FAnchors[next].Row == d; ++next) {
                const TAnchor& a = FAnchors[next];
                StartCell(ArrayColumn(a.Col), a.Item->ColSpan - 1, a.Item->RowSpan - 1, a.FooterStyle);
                SummaryData(footer->GetCell(TKvGridCellIndex(FGrid, -1, a.Item->Column))->GetValue());
                W.EndElement();
            }
            W.EndElement();
        }
    }

    TKvGridExcelDocument* FDoc;
    TKvGridView* FGrid;
    TXmlUtf8Writer& W;
    TKvGridColumnArray FArray;
    std::vector<TAnchor> FAnchors;
    int H = 1, D = 1, C = 0, R = 0, LevelCount = 0;
    qint64 FRowNumber = 1;
    QString FRowNumStyle, FHeaderStyle, FFooterStyle;
    QStringList FIndicatorStyles, FExpanderStyles, FGroupHeaderStyles, FGroupFooterStyles;
    TXmlStartTag FRowNumberTag;
    std::vector<TXmlStartTag> FIndicatorTags;
    const TXmlStartTag FDataTags[4] = {TXmlStartTag(L("Data")).Attribute(L("ss:Type"), L("String")),
                                       TXmlStartTag(L("Data")).Attribute(L("ss:Type"), L("Number")),
                                       TXmlStartTag(L("Data")).Attribute(L("ss:Type"), L("DateTime")),
                                       TXmlStartTag(L("Data")).Attribute(L("ss:Type"), L("Boolean"))};
};

void TKvGridExcelTable::Write(TXmlUtf8Writer& Node)
{
    TWriter(GetDocument(), Node).Run(this);
}

// ---- worksheet, workbook and document ------------------------------------------------------

TKvGridExcelWorksheet::TKvGridExcelWorksheet(TKvGridExcelElement* Parent)
    : TKvGridExcelElement(Parent), FTable(std::make_unique<TKvGridExcelTable>(this))
{
}

void TKvGridExcelWorksheet::Write(TXmlUtf8Writer& Node)
{
    Node.Attribute(L("ss:Name"), GetDocument()->FSheetName);
    Node.StartElement(L("Table"));
    FTable->Write(Node);
    Node.EndElement();
}

TKvGridExcelWorkbook::TKvGridExcelWorkbook(TKvGridExcelDocument* Document)
    : TKvGridExcelElement(Document), FDocument(Document)
{
}

void TKvGridExcelWorkbook::Write(TXmlUtf8Writer& Node)
{
    FSheets.push_back(std::make_unique<TKvGridExcelWorksheet>(this));
    Node.StartElement(L("Styles"));
    FDocument->ForEachStyle([&](TKvGridExcelStyle* style) { style->Write(Node); });
    Node.EndElement();
    Node.StartElement(L("Worksheet"));
    FSheets.front()->Write(Node);
    Node.EndElement();
}

TKvGridExcelDocument::TKvGridExcelDocument()
    : TKvGridExcelElement(nullptr),
      FRowNumStyle(std::make_unique<TKvGridExcelStyle>(this, nullptr, QStringLiteral("rownum_style"))),
      FDefHeaderStyle(std::make_unique<TKvGridExcelStyle>(this, nullptr, QStringLiteral("header_style"))),
      FDefCellStyle(std::make_unique<TKvGridExcelStyle>(this, nullptr, QStringLiteral("cell_style"))),
      FDefFooterStyle(std::make_unique<TKvGridExcelStyle>(this, nullptr, QStringLiteral("footer_style"))),
      FHeaderStyles(std::make_unique<TKvGridExcelStyleCollection>(this)),
      FFooterStyles(std::make_unique<TKvGridExcelStyleCollection>(this)),
      FCellStyles(std::make_unique<TKvGridExcelStyleCollection>(this))
{
}

TKvGridExcelDocument::~TKvGridExcelDocument() = default;

int TKvGridExcelDocument::RowGroupLevelCount(TKvGridView* Grid)
{
    for (TKvGridItemProvider* p = Grid->GetItemProvider(); p; p = TKvGridProxyItemProvider::SourceOf(p))
        if (auto* grouped = dynamic_cast<TKvGridGroupedItemProvider*>(p))
            return grouped->GetGrouped() ? grouped->GetGroupCount() : 0;
    TKvAbstractGridLayoutManager* layout = Grid->GetLayoutManager();
    return layout ? std::max(0, layout->RowGroupLevels()) : 0;
}

void TKvGridExcelDocument::PrepareStyles(TKvGridView* Grid)
{
    Grid->LinkStyles();
    FRowNumStyle->Assign(Grid->GetIndicator()->GetStyles());
    FDefHeaderStyle->Assign(Grid->GetHeader()->GetStyles());
    FDefFooterStyle->Assign(Grid->GetFooter()->GetStyles());
    FDefCellStyle->Assign(Grid->GetBody()->GetStyles());

    const QString name = Grid->GetName();
    const std::vector<TKvGridColumn*> columns = TKvGridViewHelper::GetLeafColumns(Grid, true);
    bool formats = false;
    for (size_t i = 0; i < columns.size(); ++i) {
        TKvGridColumn* column = columns[i];
        const QString n = QString::number(i);
        FHeaderStyles->AddStyle(FDefHeaderStyle.get(), column, name + QStringLiteral("_header_") + n)
            ->Assign(column->GetHeader()->GetStyles());
        TKvGridExcelStyle* footer =
            FFooterStyles->AddStyle(FDefFooterStyle.get(), column, name + QStringLiteral("_footer_") + n);
        footer->Assign(Grid->GetFooter()->GetStyles());
        TKvGridExcelStyle* cell = FCellStyles->AddStyle(FDefCellStyle.get(), column, name + QStringLiteral("_cell_") + n);
        cell->Assign(column->GetStyles());
        auto* data = dynamic_cast<TKvGridDataColumn*>(column);
        if (data && data->GetValueType() == ValueTypeDateTime) {
            cell->FNumberFormat = QStringLiteral("yyyy-mm-dd hh:mm:ss");
            footer->FNumberFormat = cell->FNumberFormat;
            FDateColumns.push_back(TDateColumn{data, cell, footer});
            formats = true;
        } else if (data) {
            // The display format ("#,##0") shows the numbers as the grid shows them.
            cell->FNumberFormat = ExcelNumberFormat(column->GetStyles()->GetNumberFormat());
            formats = formats || !cell->FNumberFormat.isEmpty();
        }
    }

    FGroupLevels = RowGroupLevelCount(Grid);
    TKvGridRowGroup* rowGroup = Grid->GetRowGroup();
    for (int i = 0; i < FGroupLevels; ++i) {
        TKvGridRowGroupLevel* level = rowGroup->GetLevel(i);
        TKvGridViewStyles* header = level ? level->GetStyles() : rowGroup->GetHeaderStyles();
        TKvGridViewStyles* footer = level ? level->GetFooterStyles() : rowGroup->GetFooterStyles();
        const QString n = QString::number(i);
        auto make = [&](const QString& id, TKvGridViewStyles* styles) {
            auto style = std::make_unique<TKvGridExcelStyle>(this, nullptr, id);
            style->Assign(styles);
            return style;
        };
        FGroupHeaderStyles.push_back(make(QStringLiteral("group_header_style_") + n, header));
        auto expander = make(QStringLiteral("group_expander_style_") + n, header);
        expander->FBorderRight = 0;
        expander->FBorderBottom = 0;
        FGroupExpanderStyles.push_back(std::move(expander));
        auto indicator = make(QStringLiteral("group_indicator_style_") + n, header);
        indicator->FBorderBottom = 0;
        FGroupIndicatorStyles.push_back(std::move(indicator));
        // The id keeps its odd spelling: stored files and readers rely on it.
        FGroupFooterStyles.push_back(make(QStringLiteral("group_footer_style)") + n, footer));
    }
    // With a number format in the workbook every other style names "General": some readers
    // carry a style's number format over to the styles after it that name none.
    if (formats)
        ForEachStyle([](TKvGridExcelStyle* style) {
            if (style->FNumberFormat.isEmpty())
                style->FNumberFormat = QStringLiteral("General");
        });
}

void TKvGridExcelDocument::ForEachStyle(const std::function<void(TKvGridExcelStyle*)>& Proc)
{
    for (TKvGridExcelStyle* style : {FRowNumStyle.get(), FDefHeaderStyle.get(), FDefFooterStyle.get(), FDefCellStyle.get()})
        Proc(style);
    for (TKvGridExcelStyleCollection* list : {FHeaderStyles.get(), FFooterStyles.get(), FCellStyles.get()})
        list->ForEach(Proc);
    for (auto* list : {&FGroupHeaderStyles, &FGroupFooterStyles, &FGroupExpanderStyles, &FGroupIndicatorStyles})
        for (auto& style : *list)
            Proc(style.get());
}

namespace {
// True when the value is a date (or text that reads as one) with a time of day.
bool HasTimeOfDay(const Variant& value)
{
    TDateTime days = 0;
    if (value.IsDateTime())
        days = value.DoubleUnchecked();
    else if (!value.IsString() || !TryStrToDateTime(value.StringUnchecked(), days))
        return false;
    const QDateTime dt = DateTimeToQDateTime(days);
    return dt.isValid() && dt.time().msecsSinceStartOfDay() != 0;
}
} // namespace

void TKvGridExcelDocument::ChooseDateFormats(TKvGridView* Grid)
{
    // As the grid shows them: a date column whose exported rows hold no time of day shows dates.
    std::vector<TDateColumn*> open;
    for (TDateColumn& column : FDateColumns)
        if (column.Column->GetDataIndex() >= 0)
            open.push_back(&column);
    auto scan = [&](TKvGridItem* item) {
        if (!dynamic_cast<TKvGridRow*>(item))
            return;
        std::erase_if(open, [&](TDateColumn* c) { return HasTimeOfDay(item->GetData(c->Column->GetDataIndex())); });
    };
    if (FAllItems) {
        for (TKvGridItem* item : Grid->GetAllItems()) {
            if (open.empty())
                break;
            scan(item);
        }
    } else if (TKvGridItemProvider* provider = Grid->GetItemProvider()) {
        for (int i = 0, n = Grid->GetItemCount(); i < n && !open.empty(); ++i)
            scan(provider->GetItem(i));
    }
    for (TDateColumn* column : open) {
        column->Cell->FNumberFormat = QStringLiteral("yyyy-mm-dd");
        column->Footer->FNumberFormat = column->Cell->FNumberFormat;
    }
}

void TKvGridExcelDocument::Write(TKvGridView* Grid, QString& Text)
{
    TXmlUtf8Writer node(TXmlUtf8Writer::StringSink(Text));
    Write(Grid, node);
    node.Flush();
}

void TKvGridExcelDocument::Write(TKvGridView* Grid, TXmlUtf8Writer& Node)
{
    FGrid = Grid;
    ChooseDateFormats(Grid);
    Node.WriteDeclaration(L("utf-8"));
    Node.WriteProcessingInstruction(L("mso-application"), u"progid=\"Excel.Sheet\"");
    Node.StartElement(L("Workbook"));
    Node.Attribute(L("xmlns"), L("urn:schemas-microsoft-com:office:spreadsheet"));
    Node.Attribute(L("xmlns:o"), L("urn:schemas-microsoft-com:office:office"));
    Node.Attribute(L("xmlns:x"), L("urn:schemas-microsoft-com:office:excel"));
    Node.Attribute(L("xmlns:ss"), L("urn:schemas-microsoft-com:office:spreadsheet"));
    Node.Attribute(L("xmlns:c"), L("urn:schemas-microsoft-com:office:component:spreadsheet"));
    Node.Attribute(L("xmlns:html"), L("http://www.w3.org/TR/REC-html40"));
    FWorkbook = std::make_unique<TKvGridExcelWorkbook>(this);
    FWorkbook->Write(Node);
    Node.EndDocument();
    Node.Raw(L("\n"));
}

// ---- converter -----------------------------------------------------------------------------

void TKvGridExcelConverter::CheckSheetName(const QString& Name)
{
    static const QString refused = QStringLiteral("[]:*?/\\");
    if (Name.isEmpty())
        throw EArgumentException(QStringLiteral("Invalid sheet name: a sheet name cannot be empty"));
    if (Name.size() > 31)
        throw EArgumentException(
            QStringLiteral("Invalid sheet name \"%1\": a sheet name has at most 31 characters").arg(Name));
    for (QChar c : Name)
        if (refused.contains(c))
            throw EArgumentException(
                QStringLiteral("Invalid sheet name \"%1\": a sheet name cannot hold any of %2").arg(Name, refused));
}

void TKvGridExcelConverter::SaveText(const QString& FileName, const QString& Text)
{
    QSaveFile file(FileName);
    auto fail = [&]() {
        throw EInOutError(QStringLiteral("Cannot write file %1: %2").arg(FileName, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    // In pieces, so that a large text never sits in memory twice.
    QStringEncoder encoder(QStringEncoder::Utf8);
    constexpr qsizetype piece = 1 << 20;
    for (qsizetype at = 0; at < Text.size();) {
        const qsizetype n = std::min(piece, Text.size() - at);
        const QByteArray bytes = encoder.encode(QStringView(Text).mid(at, n));
        if (file.write(bytes) != bytes.size())
            fail();
        at += n;
    }
    if (!file.commit())
        fail();
}

void TKvGridExcelConverter::ConvertAll(TKvGridView* Grid, bool AllItems, QString& Text)
{
    CheckSheetName(FSheetName);
    TKvGridExcelDocument document;
    document.PrepareStyles(Grid);
    document.FSheetName = FSheetName;
    document.FRowNum = FRowNumVisible;
    document.FRowNumBase = FRowNumBase;
    document.FAllItems = AllItems;
    document.FHeaderVisible = GetHeaderVisible();
    document.FFooterVisible = GetFooterVisible();
    document.FGroupHeaderVisible = GetGroupHeaderVisible();
    document.FGroupFooterVisible = GetGroupFooterVisible();
    if (!FAutoSave || FFileName.isEmpty()) {
        document.Write(Grid, Text);
        return;
    }
    // Streamed into a new file that replaces FileName once complete; Output reads it back.
    QSaveFile file(FFileName);
    auto fail = [&]() {
        throw EInOutError(QStringLiteral("Cannot write file %1: %2").arg(FFileName, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail();
    TXmlUtf8Writer out(TXmlUtf8Writer::DeviceSink(file, FFileName));
    document.Write(Grid, out);
    out.Flush();
    if (!file.commit())
        fail();
    SetOutputFile(FFileName);
}

KV_PUBLISH_ENUM(TKvGridExcelVersion, "V_XP", "V_2007");

using TExcel = TKvGridExcelConverter;
KV_PUBLISH(TKvGridExcelConverter, TKvGridConverter)
    .Property("ExcelVersion", &TExcel::GetExcelVersion, &TExcel::SetExcelVersion).Default(V_2007)
    .Property("AutoSave", &TExcel::GetAutoSave, &TExcel::SetAutoSave).Default(true)
    .Property("FileName", &TExcel::GetFileName, &TExcel::SetFileName)
    .Property("SheetName", &TExcel::GetSheetName, &TExcel::SetSheetName).Default("Vantrel")
    .Property("RowNumVisible", &TExcel::GetRowNumVisible, &TExcel::SetRowNumVisible).Default(false)
    .Property("RowNumBase", &TExcel::GetRowNumBase, &TExcel::SetRowNumBase).Default(1);

} // namespace kv
