// Clipboard copy of grid cells: the text writers, the column array of grouped layouts, the
// cell XML block and the clipboard manager.
//
// Sections: text fields; column array; cell writer; writers and the block; manager; paste.
//
// Call flow: Ctrl+C in the selection tool's keys (KvGrids.Tool.Keys.cpp) calls
// the manager's Copy -> CopyToClipboard: one selected cell goes as plain text; several take the
// selection's ranges to BuildClipboardTexts, whose cell writer walks the items once and feeds
// the text and XML writers, and both go on the clipboard together. Ctrl+V calls Paste ->
// PasteFromClipboard: the XML block's rows (else the text's) are written from the focused
// cell through the editable item provider, each value converted to its field's type and each
// row validated and committed before the next; past the last row, rows are appended.
#include "grid/KvGrids.Clipboard.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Editing.h"
#include "grid/KvGrids.Selection.h"
#include "grid/KvGrids.Utils.h"
#include "grid/KvGrids.View.h"
#include "model/KvGrids.Model.Editing.h"
#include "model/KvGrids.Model.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Trace.h"
#include "platform/ui/Clipboard.h"

#include <QtCore/QStringDecoder>
#include <QtCore/QXmlStreamReader>
#include <QtCore/QtEndian>

#include <algorithm>
#include <map>

namespace kv {

const QString KvGridClipboardFormat = QStringLiteral("Quenmark VantrelPlus");

// ---- text fields -----------------------------------------------------------------------

namespace {

bool NeedsQuotes(const QString& s)
{
    for (QChar c : s)
        if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'"')
            return true;
    return false;
}

// A field that keeps the table's shape when pasted into a spreadsheet.
void AppendTsvField(QString& out, const QString& s)
{
    if (!NeedsQuotes(s)) {
        out += s;
        return;
    }
    out += u'"';
    for (QChar c : s) {
        if (c == u'"')
            out += u'"';
        out += c;
    }
    out += u'"';
}

bool XmlAllowed(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// True when the text goes into the cell XML as it is.
bool XmlPlain(const QString& s)
{
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u < 0x20 ? u != 0x9 && u != 0xA : (u == u'&' || u == u'<' || u == u'>' || u >= 0xD800))
            return false;
    }
    return true;
}

// Character data: the predefined entities, CR as a reference, characters XML 1.0 forbids
// left out.
void AppendXmlText(QString& out, const QString& s)
{
    if (XmlPlain(s)) {
        out += s;
        return;
    }
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        switch (c.unicode()) {
        case u'&': out += QLatin1String("&amp;"); continue;
        case u'<': out += QLatin1String("&lt;"); continue;
        case u'>': out += QLatin1String("&gt;"); continue;
        case u'\r': out += QLatin1String("&#13;"); continue;
        default: break;
        }
        if (c.isHighSurrogate() && i + 1 < n && s[i + 1].isLowSurrogate()) {
            out += c;
            out += s[++i];
            continue;
        }
        if (!c.isSurrogate() && XmlAllowed(c.unicode()))
            out += c;
    }
}

bool IsColumnGrouped(TKvGridView* grid)
{
    TKvGridColumnGroup* root = grid ? grid->GetRootGroup() : nullptr;
    if (!root)
        return false;
    for (int i = 0; i < root->VisibleCount(); ++i)
        if (dynamic_cast<TKvGridColumnGroup*>(root->GetVisible(i)))
            return true;
    return false;
}

int DataFieldOf(const TKvGridColumn* column)
{
    const auto* data = dynamic_cast<const TKvGridDataColumn*>(column);
    return data ? data->GetDataIndex() : -1;
}

} // namespace

// ---- column array ----------------------------------------------------------------------

namespace {

// The copy units of a column between two distances: a group whose children are data roots of
// their own (a horizontal group) splits into them; any other column is one unit.
void CollectRangeColumns(TKvGridColumn* column, std::int64_t d1, std::int64_t d2, std::vector<TKvGridColumn*>& list)
{
    if (auto* group = dynamic_cast<TKvGridColumnGroup*>(column)) {
        bool split = false;
        for (int i = 0; i < group->VisibleCount() && !split; ++i)
            split = group->GetVisible(i)->GetDataRoot() == group->GetVisible(i);
        if (split) {
            for (int i = 0; i < group->VisibleCount(); ++i)
                CollectRangeColumns(group->GetVisible(i), d1, d2, list);
            return;
        }
    }
    if (column->GetDistance() >= d1 && column->GetDistance() <= d2)
        list.push_back(column);
}

} // namespace

std::vector<TKvGridColumn*> GroupedRangeColumns(TKvGridView* grid, const TKvGridRange& range)
{
    std::vector<TKvGridColumn*> list;
    if (!range.C1 || !range.C2)
        return list;
    if (range.C1 == range.C2) {
        list.push_back(range.C1);
        return list;
    }
    const std::int64_t d1 = range.C1->GetDistance();
    const std::int64_t d2 = range.C2->GetDistance();
    TKvGridColumnGroup* root = grid->GetRootGroup();
    const int first = range.C1->GetRoot()->GetDisplayIndex();
    const int last = range.C2->GetRoot()->GetDisplayIndex();
    for (int i = 0; i < root->VisibleCount(); ++i) {
        TKvGridColumn* top = root->GetVisible(i);
        if (top->GetDisplayIndex() >= first && top->GetDisplayIndex() <= last)
            CollectRangeColumns(top, d1, d2, list);
    }
    return list;
}

namespace {
int WidthOf(TKvGridColumn* column)
{
    auto* group = dynamic_cast<TKvGridColumnGroup*>(column);
    return group ? std::max(1, group->CalcHorz()) : 1;
}

int LevelsOf(TKvGridColumn* column)
{
    auto* group = dynamic_cast<TKvGridColumnGroup*>(column);
    return group ? std::max(1, group->CalcDataLevels()) : 1;
}
} // namespace

TColumnArray::TColumnArray(const std::vector<TKvGridColumn*>& columns)
{
    int rows = 1;
    int width = 0;
    for (TKvGridColumn* column : columns) {
        rows = std::max(rows, LevelsOf(column));
        width += WidthOf(column);
    }
    FRows.assign(static_cast<size_t>(rows), std::vector<TColumnArrayItem>(static_cast<size_t>(width)));
    int x = 0;
    for (TKvGridColumn* column : columns) {
        Place(column, x, 0);
        x += WidthOf(column);
    }
    // Empty positions widen the nearest placed cell above them, else to their left.
    for (int r = 0; r < RowCount(); ++r)
        for (int c = 0; c < ColCount(); ++c) {
            TColumnArrayItem& item = FRows[static_cast<size_t>(r)][static_cast<size_t>(c)];
            if (item.ColSpan > 0)
                continue;
            item.RowIndex = r;
            item.ColIndex = c;
            for (int up = r - 1; up >= 0; --up)
                if (TColumnArrayItem& above = FRows[static_cast<size_t>(up)][static_cast<size_t>(c)];
                    above.Column && above.RowIndex == up) {
                    above.RowSpan = std::max(above.RowSpan, r - up + 1);
                    break;
                }
        }
    if (TraceEnabled())
        trace(ToString());
}

void TColumnArray::Put(TKvGridColumn* column, int x, int y)
{
    if (y < 0 || y >= RowCount() || x < 0 || x >= ColCount())
        return;
    TColumnArrayItem& item = FRows[static_cast<size_t>(y)][static_cast<size_t>(x)];
    item.Column = column;
    item.ColIndex = x;
    item.RowIndex = y;
    item.ColSpan = 1;
    item.RowSpan = 1;
}

void TColumnArray::Place(TKvGridColumn* column, int x, int y)
{
    auto* group = dynamic_cast<TKvGridColumnGroup*>(column);
    if (!group || group->VisibleCount() == 0) {
        Put(column, x, y);
        return;
    }
    const bool vertical = group->GetOrientation() == ColumnsVertical;
    for (int i = 0; i < group->VisibleCount(); ++i) {
        TKvGridColumn* child = group->GetVisible(i);
        Place(child, x, y);
        if (vertical)
            y += LevelsOf(child);
        else
            x += WidthOf(child);
    }
}

const TColumnArrayItem& TColumnArray::GetItem(int row, int position) const
{
    if (row < 0 || row >= RowCount() || position < 0 || position >= ColCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(row < 0 || row >= RowCount() ? row : position));
    return FRows[static_cast<size_t>(row)][static_cast<size_t>(position)];
}

void TColumnArray::SetItem(int row, int position, const TColumnArrayItem& item)
{
    GetItem(row, position);
    FRows[static_cast<size_t>(row)][static_cast<size_t>(position)] = item;
}

QString TColumnArray::ToString() const
{
    QString s = QStringLiteral("ColumnArray %1 x %2").arg(RowCount()).arg(ColCount());
    for (const auto& row : FRows) {
        s += QStringLiteral("\n");
        for (const TColumnArrayItem& item : row)
            s += QStringLiteral("[%1 %2x%3]")
                     .arg(item.Column ? item.Column->GetDisplayName() : QStringLiteral("-"))
                     .arg(item.ColSpan)
                     .arg(item.RowSpan);
    }
    return s;
}

// ---- cell writer -----------------------------------------------------------------------

namespace {

// Fields of one copied line: data field index per position, -1 for an empty field.
using TFieldRow = std::vector<int>;

std::vector<TFieldRow> FlatFields(TKvGridView* grid, const TKvGridRange& range)
{
    TFieldRow row;
    TKvGridColumnGroup* root = grid->GetRootGroup();
    const int first = range.C1->GetRoot()->GetDisplayIndex();
    const int last = range.C2->GetRoot()->GetDisplayIndex();
    for (int i = 0; i < root->VisibleCount(); ++i) {
        TKvGridColumn* column = root->GetVisible(i);
        if (column->GetDisplayIndex() >= first && column->GetDisplayIndex() <= last)
            row.push_back(DataFieldOf(column));
    }
    return {row};
}

std::vector<TFieldRow> GroupedFields(TKvGridView* grid, const TKvGridRange& range)
{
    TColumnArray array(GroupedRangeColumns(grid, range));
    std::vector<TFieldRow> rows(static_cast<size_t>(array.RowCount()));
    for (int r = 0; r < array.RowCount(); ++r)
        for (int c = 0; c < array.ColCount(); ++c)
            rows[static_cast<size_t>(r)].push_back(DataFieldOf(array.GetItem(r, c).Column));
    return rows;
}

} // namespace

void BuildClipboardTexts(const std::vector<TKvGridRange>& ranges, QString* tsv, QString* xml)
{
    if (ranges.empty() || !ranges.front().C1)
        return;
    TKvGridView* grid = ranges.front().C1->GetGrid();
    TKvGridItemProvider* items = grid ? grid->GetItemProvider() : nullptr;
    if (!items || grid->GetVisibleColumnCount() == 0)
        return;
    const bool grouped = IsColumnGrouped(grid);
    const int count = items->GetItemCount();

    // Field layouts per range, and a size estimate to reserve once.
    std::vector<std::vector<TFieldRow>> layouts;
    qsizetype estimate = 0;
    for (const TKvGridRange& range : ranges) {
        if (!range.C1 || !range.C2 || range.C1->GetGrid() != grid)
            layouts.emplace_back();
        else
            layouts.push_back(grouped ? GroupedFields(grid, range) : FlatFields(grid, range));
        qsizetype fields = 0;
        for (const TFieldRow& row : layouts.back())
            fields += static_cast<qsizetype>(row.size()) + 1;
        const qsizetype rows = std::max(0, std::min(range.R2, count - 1) - std::max(range.R1, 0) + 1);
        estimate += rows * fields * 8;
    }
    if (tsv)
        tsv->reserve(tsv->size() + estimate);
    if (xml) {
        xml->reserve(xml->size() + estimate * 2 + 64);
        *xml += QLatin1String("<?xml version=\"1.0\"?><cells>");
    }

    QString value;
    for (size_t k = 0; k < ranges.size(); ++k) {
        const TKvGridRange& range = ranges[k];
        const std::vector<TFieldRow>& layout = layouts[k];
        if (layout.empty())
            continue;
        for (int i = std::max(range.R1, 0); i <= std::min(range.R2, count - 1); ++i) {
            TKvGridItem* item = items->GetItem(i);
            if (!item || item->GetDataRow() < 0)
                continue;
            for (const TFieldRow& row : layout) {
                if (xml)
                    *xml += QLatin1String("<r>");
                bool firstField = true;
                for (int field : row) {
                    value = field >= 0 ? TKvGridViewHelper::ValueText(item->GetData(field)) : QString();
                    if (tsv) {
                        if (!firstField)
                            *tsv += u'\t';
                        AppendTsvField(*tsv, value);
                    }
                    firstField = false;
                    if (xml) {
                        *xml += QLatin1String("<c>");
                        AppendXmlText(*xml, value);
                        *xml += QLatin1String("</c>");
                    }
                }
                if (tsv)
                    *tsv += QLatin1String("\r\n");
                if (xml)
                    *xml += QLatin1String("</r>\r\n");
            }
        }
    }
    if (xml)
        *xml += QLatin1String("</cells>");
}

// ---- writers and the block -------------------------------------------------------------

QString TKvGridCliboardTsv::GetData(const std::vector<TKvGridRange>& ranges)
{
    QString text;
    BuildClipboardTexts(ranges, &text, nullptr);
    return text;
}

QString TKvGridCliboardXml::GetData(const std::vector<TKvGridRange>& ranges)
{
    QString text;
    BuildClipboardTexts(ranges, nullptr, &text);
    return text;
}

QByteArray TKvGridCliboardXml::EncodeBlock(const QString& xml)
{
    const QByteArray utf8 = xml.toUtf8();
    QByteArray block(4 + utf8.size(), '\0');
    qToLittleEndian<quint32>(static_cast<quint32>(utf8.size()), block.data());
    std::copy(utf8.begin(), utf8.end(), block.begin() + 4);
    return block;
}

QString TKvGridCliboardXml::DecodeBlock(const QByteArray& block)
{
    if (block.size() < 4)
        return QString();
    const quint32 n = qFromLittleEndian<quint32>(block.constData());
    if (n > static_cast<quint64>(block.size() - 4))
        return QString();
    // A leading U+FEFF is part of the text, not a mark to drop.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder(QByteArrayView(block.constData() + 4, static_cast<qsizetype>(n)));
    if (decoder.hasError())
        return QString();
    return text;
}

void TKvGridCliboardXml::CopyXml(const QString& xml, const QString& text)
{
    TClipboard::SetContent(text, {{KvGridClipboardFormat, EncodeBlock(xml)}});
}

void TKvGridCliboardXml::PasteXml(QString& xml)
{
    xml.clear();
    if (!TClipboard::HasFormat(KvGridClipboardFormat))
        return;
    xml = DecodeBlock(TClipboard::GetFormat(KvGridClipboardFormat));
}

// ---- manager ---------------------------------------------------------------------------

void TKvGridClipboardManagerImpl::CopyToClipboard()
{
    TKvGridSelectionManager* selections = FOwner ? FOwner->GetSelections() : nullptr;
    if (!selections || selections->GetCount() == 0 || FOwner->GetVisibleColumnCount() == 0)
        return;
    if (!selections->IsSingleCell()) {
        const TKvGridRanges ranges = selections->GetRanges();
        QString tsv;
        QString xml;
        BuildClipboardTexts(ranges, &tsv, &xml);
        if (xml.isEmpty())
            return;
        TClipboard::SetContent(tsv.isEmpty() ? QString() : tsv, {{KvGridClipboardFormat, TKvGridCliboardXml::EncodeBlock(xml)}});
        return;
    }
    const TKvGridRange bounds = selections->GetItem(0)->GetBounds();
    const TKvGridCellIndex index(FOwner, bounds.R1, bounds.C1);
    TKvGridDataColumn* column = index.GetDataColumn();
    TKvGridItem* item = index.GetItem();
    if (!column || !item || item->GetDataRow() < 0 || column->GetDataIndex() < 0)
        return;
    // An empty value empties the clipboard's text too.
    QString text = TKvGridViewHelper::ValueText(item->GetData(column->GetDataIndex()));
    if (text.isNull())
        text = QLatin1String("");
    TClipboard::SetText(text);
}

// ---- paste -----------------------------------------------------------------------------

bool ReadClipboardXml(const QString& xml, std::vector<QStringList>& rows)
{
    rows.clear();
    if (xml.isEmpty())
        return false;
    QXmlStreamReader reader(xml);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("cells"))
        return false;
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("r")) {
            reader.skipCurrentElement();
            continue;
        }
        QStringList row;
        while (reader.readNextStartElement()) {
            if (reader.name() == QLatin1String("c"))
                row << reader.readElementText(QXmlStreamReader::IncludeChildElements);
            else
                reader.skipCurrentElement();
        }
        rows.push_back(row);
    }
    if (reader.hasError()) {
        rows.clear();
        return false;
    }
    return true;
}

std::vector<QStringList> ReadClipboardTsv(const QString& text)
{
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    const qsizetype n = text.size();
    qsizetype i = 0;
    bool lineOpen = false;
    while (i < n) {
        lineOpen = true;
        if (text[i] == u'"' && field.isEmpty()) {
            // A quoted field: "" is one quote; the field ends at the lone closing quote.
            for (++i; i < n; ++i) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        field += u'"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i];
            }
            continue;
        }
        const QChar c = text[i++];
        if (c == u'\t') {
            row << field;
            field.clear();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i < n && text[i] == u'\n')
                ++i;
            row << field;
            field.clear();
            rows.push_back(row);
            row.clear();
            lineOpen = false;
        } else {
            field += c;
        }
    }
    if (lineOpen) {
        row << field;
        rows.push_back(row);
    }
    return rows;
}

namespace {

// A pasted row that could not be written: the paste stops at it.
[[noreturn]] void RaisePasteStop(int row, int rows, const QString& reason)
{
    throw Exception(QStringLiteral("Paste stopped at pasted row %1 of %2: %3").arg(row + 1).arg(rows).arg(reason));
}

} // namespace

void TKvGridClipboardManagerImpl::PasteFromClipboard()
{
    FPastedText = TClipboard::GetText();
    TKvGridCliboardXml::PasteXml(FPastedXml);
    TKvGridView* grid = FOwner;
    auto* editable = grid ? dynamic_cast<TKvGridEditableItemProvider*>(grid->GetItemProvider()) : nullptr;
    TKvGridDataProvider* data = editable ? editable->GetDataSource() : nullptr;
    const TKvGridCellIndex focused = grid ? grid->GetFocusedIndex() : TKvGridCellIndex::Null();
    if (!data || !focused.Column || focused.ItemIndex < 0 || grid->GetEditOptions()->GetReadOnly() ||
        !grid->GetEditOptions()->GetEditable())
        return;
    std::vector<QStringList> rows;
    if (!ReadClipboardXml(FPastedXml, rows))
        rows = ReadClipboardTsv(FPastedText);
    if (rows.empty())
        return;

    // An open cell editor writes its text first; another row's open edit stops the paste.
    if (grid->GetEditing())
        grid->CommitEditor(false);
    if (editable->IsEditing(-1) && !editable->IsEditing(focused.ItemIndex))
        throw Exception(QStringLiteral("Commit or cancel the row being edited before pasting"));

    // The target columns: the visible columns in the grid's order from the focused one.
    std::vector<TKvGridColumn*> columns{focused.Column};
    for (TKvGridCellIndex c = focused.NextColumn(); !(c.Column == columns.back()) && c.Column;
         c = c.NextColumn()) {
        if (std::find(columns.begin(), columns.end(), c.Column) != columns.end())
            break;
        columns.push_back(c.Column);
    }
    // The target rows: the data rows of the items from the focused one (group rows skipped),
    // found again by data row before each write, as a committed row may move.
    const int count = grid->GetItemCount();
    std::vector<int> targets;
    for (int i = focused.ItemIndex; i < count && targets.size() < rows.size(); ++i) {
        TKvGridItem* item = grid->GetItem(i);
        if (item && editable->IsEditing(i))
            targets.push_back(item->GetDataRow() >= 0 ? item->GetDataRow() : -1);
        else if (item && item->GetDataRow() >= 0)
            targets.push_back(item->GetDataRow());
    }

    const int total = static_cast<int>(rows.size());
    for (int k = 0; k < total; ++k) {
        const bool wasOpen = editable->IsEditing(-1);
        int index = -1;
        if (wasOpen) {
            index = editable->GetEditingIndex();
        } else if (k < static_cast<int>(targets.size()) && targets[static_cast<size_t>(k)] >= 0) {
            index = editable->ItemOfData(targets[static_cast<size_t>(k)]);
            if (index < 0)
                RaisePasteStop(k, total, QStringLiteral("its target row is no longer shown"));
        } else {
            if (!grid->CanAppend())
                RaisePasteStop(k, total, QStringLiteral("the grid cannot append rows"));
            grid->Append();
            index = editable->GetEditingIndex();
        }
        try {
            const bool pending = editable->IsEditing(index);
            const QStringList& fields = rows[static_cast<size_t>(k)];
            for (int j = 0; j < fields.size() && j < static_cast<int>(columns.size()); ++j) {
                auto* column = dynamic_cast<TKvGridDataColumn*>(columns[static_cast<size_t>(j)]);
                const int field = column ? column->GetDataIndex() : -1;
                // Read-only columns and positions without a field keep their values.
                if (field < 0 || !column->GetEditable() || !data->CanUpdateField(field) ||
                    (!pending && !editable->CanUpdate(index, field)))
                    continue;
                const Variant value = FieldValue(Variant(fields[j]), data->GetValueType(field), column->GetFieldName());
                editable->UpdateData(index, field, value);
            }
            if (editable->IsEditing(index)) {
                TKvGridItem* item = editable->GetItem(index);
                grid->ValidateRow(TKvGridCellIndex(grid, index, focused.Column), item && item->GetItemState() == ItemInserting);
                editable->Commit();
            }
        } catch (const std::exception& e) {
            if (!wasOpen && editable->IsEditing(-1))
                editable->Cancel();
            grid->Invalidate();
            RaisePasteStop(k, total, ExceptionMessage(e));
        }
    }
    grid->Invalidate();
}

} // namespace kv
