#include "test_converter_support.h"

#include "platform/rtl/Streaming.h"
#include "platform/rtl/TypInfo.h"
#include "XmlTextWriter.h"

#include <QtCore/QDir>
#include <QtCore/QLocale>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <climits>
#include <cmath>

using namespace kv;
using namespace kvtest;

namespace {

QString ReadFile(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(f.readAll());
}

} // namespace

TEST(ExcelConverter, FlatGridWritesTypedCellsStylesAndColumns)
{
    TTypedGrid t;
    t.AddSampleRows();
    for (int f : {TTypedGrid::Id, TTypedGrid::Region, TTypedGrid::Ordered, TTypedGrid::Amount, TTypedGrid::Paid,
                  TTypedGrid::Note})
        t.AddColumn(f, nullptr, f == TTypedGrid::Note ? 100 : 80);
    const QString xml = t.Export();

    // The prolog and the root element as the format's readers expect them.
    EXPECT_TRUE(xml.startsWith(QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                              "<?mso-application progid=\"Excel.Sheet\"?>\n<Workbook "
                                              "xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
                                              "xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
                                              "xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
                                              "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\" "
                                              "xmlns:c=\"urn:schemas-microsoft-com:office:component:spreadsheet\" "
                                              "xmlns:html=\"http://www.w3.org/TR/REC-html40\">")))
        << xml.left(600).toStdString();

    TSheet sheet(xml);
    EXPECT_EQ(sheet.Name, QStringLiteral("Vantrel"));
    // One header row, one row per item; all merges "0" and written.
    ASSERT_EQ(sheet.RowCount, 1 + 6 + 1);
    for (const TSheetCell& c : sheet.Cells) {
        EXPECT_TRUE(c.HasAcross && c.HasDown);
        EXPECT_EQ(c.Across, 0);
        EXPECT_EQ(c.Down, 0);
    }
    EXPECT_EQ(sheet.RowTexts(0), (QStringList{"Id", "Region", "Ordered", "Amount", "Paid", "Note"}));
    EXPECT_EQ(sheet.RowTypes(1), (QStringList{"Number", "String", "DateTime", "Number", "Boolean", "String"}));
    EXPECT_EQ(sheet.RowTexts(1),
              (QStringList{"1", "서울", "2026-12-07T13:45:00.000", "1234.5", "1", QStringLiteral("한글 text")}));
    EXPECT_EQ(sheet.RowTexts(2), (QStringList{"2", "서울", "2026-01-31T00:00:00.000", "0.1", "0", "a < b & \"c\""}));
    EXPECT_EQ(sheet.RowTexts(4).mid(3, 3), (QStringList{"1e+20", "0", "line 1\nline 2"}));
    // Numbers read back to the same double.
    EXPECT_EQ(sheet.At(5, 3)->Text.toDouble(), 0.30000000000000004);
    EXPECT_EQ(sheet.At(6, 3)->Text, QStringLiteral("42"));
    // The footer row: no summaries, empty strings.
    EXPECT_EQ(sheet.RowTypes(7), QStringList(6, QStringLiteral("String")));

    // Styles: the four area styles, then header, footer and cell styles per column.
    const QStringList ids = sheet.StyleIds();
    ASSERT_EQ(ids.size(), 4 + 3 * 6);
    EXPECT_EQ(ids.mid(0, 5), (QStringList{"rownum_style", "header_style", "footer_style", "cell_style", "Orders_header_0"}));
    EXPECT_EQ(ids.mid(10, 2), (QStringList{"Orders_footer_0", "Orders_footer_1"}));
    EXPECT_EQ(ids.last(), QStringLiteral("Orders_cell_5"));
    EXPECT_EQ(sheet.Style(QStringLiteral("Orders_cell_3")).Attribute(QStringLiteral("ss:Parent")), QStringLiteral("cell_style"));
    EXPECT_EQ(sheet.At(1, 3)->Style, QStringLiteral("Orders_cell_3"));
    EXPECT_EQ(sheet.At(0, 3)->Style, QStringLiteral("Orders_header_3"));
    EXPECT_EQ(sheet.At(7, 3)->Style, QStringLiteral("Orders_footer_3"));
    // Date columns show dates, not serial numbers.
    EXPECT_EQ(sheet.Style(QStringLiteral("Orders_cell_2")).Child(QStringLiteral("NumberFormat")).Attribute(QStringLiteral("ss:Format")),
              QStringLiteral("yyyy-mm-dd hh:mm:ss"));
    // The others say "General", so that no reader carries the date format over to them.
    EXPECT_EQ(sheet.Style(QStringLiteral("Orders_cell_3")).Child(QStringLiteral("NumberFormat")).Attribute(QStringLiteral("ss:Format")),
              QStringLiteral("General"));

    // Columns: caption, auto fit and the width in points.
    const TXmlNodeList columns = sheet.Columns();
    ASSERT_EQ(columns.size(), 6u);
    EXPECT_EQ(columns[5].Attribute(QStringLiteral("c:Caption")), QStringLiteral("Note"));
    EXPECT_EQ(columns[5].Attribute(QStringLiteral("ss:AutoFitWidth")), QStringLiteral("1"));
    EXPECT_EQ(columns[5].Attribute(QStringLiteral("ss:Width")), QStringLiteral("75"));
    EXPECT_EQ(columns[0].Attribute(QStringLiteral("ss:Width")), QStringLiteral("60"));

    // Numbers keep their point whatever the locale.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(TSheet(t.Export()).At(1, 3)->Text, QStringLiteral("1234.5"));
    QLocale::setDefault(before);

    // Headers and footers off.
    t.Converter->SetHeaderVisible(false);
    t.Converter->SetFooterVisible(false);
    EXPECT_EQ(TSheet(t.Export()).RowCount, 6);
}

// A column's display format becomes its cell style's number format, written so that the
// spreadsheet shows the texts the grid shows: grouping, decimals, sections, literal text.
TEST(ExcelConverter, ColumnsKeepTheirDisplayFormat)
{
    TTypedGrid t;
    t.AddSampleRows();
    TKvGridDataColumn* id = t.AddColumn(TTypedGrid::Id);
    TKvGridDataColumn* amount = t.AddColumn(TTypedGrid::Amount);
    t.AddColumn(TTypedGrid::Note);
    amount->GetStyles()->SetNumberFormat(QStringLiteral("#,##0"));
    auto format = [&](int column) {
        return TSheet(t.Export()).Style(QStringLiteral("Orders_cell_%1").arg(column)).Child(QStringLiteral("NumberFormat"))
            .Attribute(QStringLiteral("ss:Format"));
    };
    EXPECT_EQ(format(1), QStringLiteral("#,##0"));
    // The columns without a format name "General", so that no reader carries it over.
    EXPECT_EQ(format(0), QStringLiteral("General"));
    EXPECT_EQ(format(2), QStringLiteral("General"));
    // The numbers stay the numbers: the format only shows them.
    EXPECT_EQ(TSheet(t.Export()).At(1, 1)->Text, QStringLiteral("1234.5"));

    const std::pair<const char*, const char*> cases[] = {
        {"0.00", "0.00"},
        {"0,000.0", "0,000.0"},
        {"0,", "#,0"},
        {"#,##0.00;(#,##0.00);'zero'", "#,##0.00;\\(#,##0.00\\);\\z\\e\\r\\o"},
        {"0.0E+00", "0.0E+00"},
        {"0 \"pcs\"", "0\\ \\p\\c\\s"},
        {"0%", "0\\%"},
        {"0.0;", "0.0;-0.0"},
    };
    for (const auto& [grid, sheet] : cases) {
        SCOPED_TRACE(grid);
        id->GetStyles()->SetNumberFormat(QString::fromUtf8(grid));
        EXPECT_EQ(format(0), QString::fromUtf8(sheet));
    }
}

TEST(ExcelConverter, StylesComeFromTheEffectiveAreaAndColumnValues)
{
    TTypedGrid t;
    t.AddSampleRows();
    TKvGridDataColumn* amount = t.AddColumn(TTypedGrid::Amount);
    TKvGridViewStyles* s = amount->GetStyles();
    s->SetTextAlignment(AlignFar);
    s->SetLineAlignment(AlignCenter);
    s->SetBackground(s->CreateFill(QStringLiteral("linear,#ff204060,#ff406080,90")));
    s->SetForeground(s->CreateFill(QStringLiteral("#ff112233")));
    s->SetBorderLeft(s->CreateStroke(QStringLiteral("#ff00ff00,2.5")));
    s->SetBorderBottom(s->CreateStroke(QStringLiteral("#ff0000ff,1")));
    s->SetFont(s->CreateFont(QStringLiteral("DejaVu Sans,12,bold,underline")));
    t.Grid->GetBody()->GetStyles()->SetBackground(
        t.Grid->GetBody()->GetStyles()->CreateFill(QStringLiteral("#ffabcdef")));

    TSheet sheet(t.Export());
    const TXmlNode cell = sheet.Style(QStringLiteral("Orders_cell_0"));
    ASSERT_FALSE(cell.IsNull());
    const TXmlNode align = cell.Child(QStringLiteral("Alignment"));
    EXPECT_EQ(align.Attribute(QStringLiteral("ss:Horizontal")), QStringLiteral("Right"));
    EXPECT_EQ(align.Attribute(QStringLiteral("ss:Vertical")), QStringLiteral("Center"));
    // Borders: width rounded half to even (2.5 -> 2), left before bottom, with colours.
    std::map<QString, TXmlNode> borders;
    for (const TXmlNode& b : cell.Child(QStringLiteral("Borders")).Children())
        borders[b.Attribute(QStringLiteral("ss:Position"))] = b;
    ASSERT_TRUE(borders.count(QStringLiteral("Left")) && borders.count(QStringLiteral("Bottom")));
    EXPECT_EQ(borders[QStringLiteral("Left")].Attribute(QStringLiteral("ss:Weight")), QStringLiteral("2"));
    EXPECT_EQ(borders[QStringLiteral("Left")].Attribute(QStringLiteral("ss:Color")).toLower(), QStringLiteral("#00ff00"));
    EXPECT_EQ(borders[QStringLiteral("Left")].Attribute(QStringLiteral("ss:LineStyle")), QStringLiteral("Continuous"));
    EXPECT_EQ(borders[QStringLiteral("Bottom")].Attribute(QStringLiteral("ss:Color")).toLower(), QStringLiteral("#0000ff"));
    EXPECT_EQ(cell.Child(QStringLiteral("Borders")).FirstChild().Attribute(QStringLiteral("ss:Position")), QStringLiteral("Left"));
    // A gradient background is the mean of its colours.
    const TXmlNode interior = cell.Child(QStringLiteral("Interior"));
    EXPECT_EQ(interior.Attribute(QStringLiteral("ss:Color")).toLower(), QStringLiteral("#305070"));
    EXPECT_EQ(interior.Attribute(QStringLiteral("ss:Pattern")), QStringLiteral("Solid"));
    const TXmlNode font = cell.Child(QStringLiteral("Font"));
    EXPECT_EQ(font.Attribute(QStringLiteral("ss:FontName")), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(font.Attribute(QStringLiteral("ss:Color")).toLower(), QStringLiteral("#112233"));
    EXPECT_EQ(font.Attribute(QStringLiteral("ss:Size")), QStringLiteral("12"));
    EXPECT_EQ(font.Attribute(QStringLiteral("ss:Bold")), QStringLiteral("1"));
    EXPECT_EQ(font.Attribute(QStringLiteral("ss:Underline")), QStringLiteral("1"));
    EXPECT_FALSE(font.HasAttribute(QStringLiteral("ss:Italic")));
    // No date column, no number formats: the four children only.
    EXPECT_EQ(cell.ChildCount(), 4);
    // The body's own background goes to the default cell style.
    EXPECT_EQ(sheet.Style(QStringLiteral("cell_style")).Child(QStringLiteral("Interior")).Attribute(QStringLiteral("ss:Color")).toLower(),
              QStringLiteral("#abcdef"));
}

TEST(ExcelConverter, ColumnGroupsMergeHeadersAndStackDataLevels)
{
    TTypedGrid t;
    t.AddSampleRows();
    // The Order group without a header: its members stacked in the header rows too.
    t.AddCustomerAndOrder()->GetGroupHeader()->SetVisible(false);
    TKvGridColumnGroup* empty = t.AddGroup(QStringLiteral("Nothing yet"));
    t.Grid->ResetColumnIndicies();

    TKvGridColumnArray array(t.Grid.get());
    EXPECT_EQ(array.GetColCount(), 1 + 3 + 1 + 1);
    EXPECT_EQ(array.GetHeaderRowCount(), 2);
    EXPECT_EQ(array.GetDataRowCount(), 2);
    EXPECT_TRUE(array.GetItem(1, 4).Column == t.Grid->GetDataColumn(QStringLiteral("Amount")));

    t.Converter->SetRowNumVisible(true);
    TSheet sheet(t.Export());
    // Header: the row number and Id span both header rows, the group header spans its three columns.
    EXPECT_EQ(sheet.At(0, 0)->Down, 1);
    EXPECT_EQ(sheet.At(0, 1)->Text, QStringLiteral("Id"));
    EXPECT_EQ(sheet.At(0, 1)->Down, 1);
    EXPECT_EQ(sheet.At(0, 2)->Text, QStringLiteral("Customer · 고객"));
    EXPECT_EQ(sheet.At(0, 2)->Across, 2);
    EXPECT_EQ(sheet.At(0, 2)->Down, 0);
    EXPECT_EQ(sheet.RowTexts(1).mid(2, 3), (QStringList{"Region", "City", "Note"}));
    // The vertical group without a header: its members stacked in the header rows too.
    EXPECT_EQ(sheet.At(0, 5)->Text, QStringLiteral("Ordered"));
    EXPECT_EQ(sheet.At(1, 5)->Text, QStringLiteral("Amount"));
    // The empty group fills its column itself, in headers and data.
    EXPECT_EQ(sheet.At(0, 6)->Text, QStringLiteral("Nothing yet"));
    EXPECT_EQ(sheet.At(0, 6)->Down, 1);
    // Data: two spreadsheet rows per item; plain columns merge down over both.
    EXPECT_EQ(sheet.RowCount, 2 + 6 * 2 + 2);
    const TSheetCell* number = sheet.At(2, 0);
    EXPECT_EQ(number->Type, QStringLiteral("Number"));
    EXPECT_EQ(number->Text, QStringLiteral("1"));
    EXPECT_EQ(number->Down, 1);
    EXPECT_EQ(sheet.At(2, 1)->Down, 1);
    EXPECT_EQ(sheet.At(2, 5)->Text, QStringLiteral("2026-12-07T13:45:00.000"));
    EXPECT_EQ(sheet.At(3, 5)->Text, QStringLiteral("1234.5"));
    // The empty group holds no value: its data cell is empty, not a placeholder text.
    EXPECT_FALSE(sheet.At(2, 6)->HasData) << sheet.At(2, 6)->Text.toStdString();
    EXPECT_EQ(sheet.At(2, 6)->Down, 1);
    EXPECT_EQ(sheet.At(4, 0)->Text, QStringLiteral("2"));
    // Style ids follow the leaf list with groups: Id, Customer, Region, City, Note, Ordered, Amount, empty.
    EXPECT_EQ(sheet.At(0, 2)->Style, QStringLiteral("Orders_header_1"));
    EXPECT_EQ(sheet.At(2, 4)->Style, QStringLiteral("Orders_cell_4"));
    EXPECT_EQ(sheet.At(2, 6)->Style, QStringLiteral("Orders_cell_7"));
    // A column spread over one spreadsheet column keeps its width; ordered and amount share a column.
    const TXmlNodeList columns = sheet.Columns();
    ASSERT_EQ(columns.size(), 7u);
    EXPECT_EQ(columns[5].Attribute(QStringLiteral("ss:Width")), QStringLiteral("90"));
    EXPECT_EQ(columns[5].Attribute(QStringLiteral("c:Caption")), QStringLiteral("Ordered"));
    (void)empty;
}

TEST(ExcelConverter, RowGroupsWriteLevelColumnsHeadersAndFooters)
{
    TTypedGrid t;
    t.AddSampleRows();
    t.AddColumn(TTypedGrid::Id)->GetFooter()->SetGroupExpression(QStringLiteral("row"));
    t.AddColumn(TTypedGrid::City);
    TKvGridDataColumn* amount = t.AddColumn(TTypedGrid::Amount);
    amount->GetFooter()->SetExpression(QStringLiteral("sum"));
    amount->GetFooter()->SetGroupExpression(QStringLiteral("sum"));
    TKvGridColumnGroup* vertical = t.AddGroup(QStringLiteral("When"));
    vertical->SetOrientation(ColumnsVertical);
    t.AddColumn(TTypedGrid::Ordered, vertical);
    t.AddColumn(TTypedGrid::Note, vertical);
    t.Grid->GetRowGroup()->GetLevels()->Add()->GetStyles()->SetTextAlignment(AlignCenter);
    t.Converter->SetRowNumVisible(true);

    // Exported right after grouping, before any layout or paint.
    t.GroupBy({TTypedGrid::Region, TTypedGrid::City});
    ASSERT_EQ(t.Grid->GetLayoutManager()->RowGroupLevels(), 0);
    TSheet sheet(t.Export());
    // Columns: row number, two level columns of width 16, then the array's four columns.
    const TXmlNodeList columns = sheet.Columns();
    ASSERT_EQ(columns.size(), 1u + 2u + 4u);
    EXPECT_EQ(columns[1].Attribute(QStringLiteral("ss:Width")), QStringLiteral("16"));
    EXPECT_EQ(columns[2].Attribute(QStringLiteral("ss:Width")), QStringLiteral("16"));
    // Group styles per level; level 0 from the row group's level, level 1 from the row group.
    for (const char* id : {"group_header_style_0", "group_header_style_1", "group_footer_style)0",
                           "group_footer_style)1", "group_expander_style_1", "group_indicator_style_1"})
        EXPECT_FALSE(sheet.Style(QLatin1String(id)).IsNull()) << id;
    EXPECT_EQ(sheet.Style(QStringLiteral("group_header_style_0")).Child(QStringLiteral("Alignment")).Attribute(QStringLiteral("ss:Horizontal")),
              QStringLiteral("Center"));

    // Header rows (the group header over two stacked columns): every level column spans all three.
    EXPECT_EQ(sheet.At(0, 1)->Down, 2);
    EXPECT_EQ(sheet.At(0, 2)->Style, QStringLiteral("header_style"));
    // First item: the group header of 서울, one row high, its text across the level-1 column and the array.
    int r = 3;
    ASSERT_NE(sheet.At(r, 0), nullptr);
    EXPECT_EQ(sheet.At(r, 0)->HasData, false);
    EXPECT_EQ(sheet.At(r, 1)->Style, QStringLiteral("group_expander_style_0"));
    EXPECT_EQ(sheet.At(r, 1)->Down, 0);
    const TSheetCell* header = sheet.At(r, 2);
    EXPECT_EQ(header->Text, QStringLiteral("Region : 서울 - 3 rows"));
    EXPECT_EQ(header->Across, 3 + 1);
    EXPECT_EQ(header->Down, 0);
    EXPECT_EQ(header->Style, QStringLiteral("group_header_style_0"));
    // The level-1 header of Mapo: indicator, expander, then the text.
    ++r;
    EXPECT_EQ(sheet.At(r, 1)->Style, QStringLiteral("group_indicator_style_0"));
    EXPECT_EQ(sheet.At(r, 1)->Down, 0);
    EXPECT_EQ(sheet.At(r, 2)->Style, QStringLiteral("group_expander_style_1"));
    EXPECT_EQ(sheet.At(r, 3)->Text, QStringLiteral("City : Mapo - 2 rows"));
    EXPECT_EQ(sheet.At(r, 3)->Across, 3);
    // Two data rows of Mapo, numbered 1 and 2, each two spreadsheet rows high.
    ++r;
    EXPECT_EQ(sheet.At(r, 0)->Text, QStringLiteral("1"));
    EXPECT_EQ(sheet.At(r, 0)->Down, 1);
    EXPECT_EQ(sheet.At(r, 1)->Style, QStringLiteral("group_indicator_style_0"));
    EXPECT_EQ(sheet.At(r, 1)->Down, 1);
    EXPECT_EQ(sheet.At(r, 3)->Text, QStringLiteral("1"));
    EXPECT_EQ(sheet.At(r + 1, 6)->Text, QStringLiteral("한글 text"));
    r += 2;
    EXPECT_EQ(sheet.At(r, 0)->Text, QStringLiteral("2"));
    r += 2;
    // The footer of Mapo: no row number, a count typed Number, the sum of its amounts.
    EXPECT_FALSE(sheet.At(r, 0)->HasData);
    EXPECT_EQ(sheet.At(r, 0)->Down, 0);
    EXPECT_EQ(sheet.At(r, 3)->Type, QStringLiteral("Number"));
    EXPECT_EQ(sheet.At(r, 3)->Text, QStringLiteral("2"));
    EXPECT_EQ(sheet.At(r, 3)->Style, QStringLiteral("group_footer_style)1"));
    EXPECT_EQ(sheet.At(r, 5)->Text.toDouble(), 1234.6);
    EXPECT_EQ(sheet.At(r, 4)->Type, QStringLiteral("String"));
    // The grid footer: the total of all amounts.
    const int last = sheet.RowCount - 2;
    EXPECT_EQ(sheet.At(last, 5)->Type, QStringLiteral("Number"));
    EXPECT_DOUBLE_EQ(sheet.At(last, 5)->Text.toDouble(), 1234.5 + 0.1 - 2.75 + 1e20 + 0.30000000000000004 + 42);
    EXPECT_EQ(sheet.At(last, 0)->Style, QStringLiteral("footer_style"));
    // Every item: 2 regions + 4 cities headers, 6 rows x 2, 4 city footers x 2 + 2 region footers x 2.
    EXPECT_EQ(sheet.RowCount, 3 + 6 + 12 + 12 + 2);
    // Row numbers carry on over the groups.
    int numbers = 0;
    for (const TSheetCell& c : sheet.Cells)
        if (c.Col == 0 && c.HasData && c.Row >= 3 && c.Row < last)
            ++numbers;
    EXPECT_EQ(numbers, 6);

    // Group headers and footers can be left out.
    t.Converter->SetGroupHeaderVisible(false);
    EXPECT_EQ(TSheet(t.Export()).RowCount, 3 + 12 + 12 + 2);
    t.Converter->SetGroupFooterVisible(false);
    t.Converter->SetGroupHeaderVisible(true);
    EXPECT_EQ(TSheet(t.Export()).RowCount, 3 + 6 + 12 + 2);
    t.Converter->SetGroupFooterVisible(true);

    // A collapsed group: shown items leave its rows out, all items keep them.
    t.Grouped->Collapse(t.Grouped->GetItem(0));
    // 서울 collapsed to its header; Busan: headers, rows and footers.
    EXPECT_EQ(TSheet(t.Export()).RowCount, 3 + 1 + 15 + 2);
    EXPECT_EQ(TSheet(t.Export(true)).RowCount, 3 + 6 + 12 + 12 + 2);

    // Ungrouped again before any paint: no level columns.
    t.GroupBy({});
    TSheet flat(t.Export());
    EXPECT_EQ(flat.Columns().size(), 1u + 4u);
    EXPECT_EQ(flat.RowCount, 3 + 12 + 2);
    EXPECT_TRUE(flat.Style(QStringLiteral("group_header_style_0")).IsNull());
}

TEST(ExcelConverter, ValuesThatDoNotFitTheirColumnAreWrittenAsText)
{
    TTypedGrid t;
    t.AddRow({Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant()});
    t.AddRow({QStringLiteral("abc"), 5, QStringLiteral("x"), QStringLiteral("someday"), std::nan(""),
              QStringLiteral("maybe"), Variant::Null()});
    t.AddRow({QStringLiteral(" 2.5 "), QStringLiteral("r"), QStringLiteral("c"), QStringLiteral("2024-02-29"),
              std::numeric_limits<double>::infinity(), QStringLiteral("TRUE"), true});
    t.AddRow({7, QStringLiteral("r"), QStringLiteral("c"), Variant::DateTime(EncodeDate(1850, 1, 1)), 3, 1, 2.5});
    for (int f : {TTypedGrid::Id, TTypedGrid::Ordered, TTypedGrid::Amount, TTypedGrid::Paid, TTypedGrid::Note})
        t.AddColumn(f);
    t.Grid->GetDataColumn(QStringLiteral("Id"))->GetFooter()->SetExpression(QStringLiteral("row"));
    TSheet sheet(t.Export());
    // Unassigned values: empty String cells whatever the column's type.
    EXPECT_EQ(sheet.RowTypes(1), QStringList(5, QStringLiteral("String")));
    EXPECT_EQ(sheet.RowTexts(1), QStringList(5, QString()));
    // Text that is no number, date or Boolean, and NaN, stay text.
    EXPECT_EQ(sheet.RowTypes(2), QStringList(5, QStringLiteral("String")));
    EXPECT_EQ(sheet.RowTexts(2), (QStringList{"abc", "someday", "NAN", "maybe", ""}));
    // Text that reads as the column's type is written as that type.
    EXPECT_EQ(sheet.RowTypes(3), (QStringList{"Number", "DateTime", "String", "Boolean", "String"}));
    EXPECT_EQ(sheet.RowTexts(3), (QStringList{"2.5", "2024-02-29T00:00:00.000", "INF", "1", "True"}));
    // A date before 1900 has no spreadsheet date: its text; 1 in a Boolean column is true.
    EXPECT_EQ(sheet.RowTypes(4), (QStringList{"Number", "String", "Number", "Boolean", "String"}));
    EXPECT_EQ(sheet.RowTexts(4).mid(1, 3), (QStringList{"1850-01-01", "3", "1"}));
    // A count in the footer is a Number, whatever its column holds.
    EXPECT_EQ(sheet.At(5, 0)->Type, QStringLiteral("Number"));
    EXPECT_EQ(sheet.At(5, 0)->Text, QStringLiteral("4"));
}

TEST(ExcelConverter, EveryExportIsWellFormedWhateverTheText)
{
    TTypedGrid t;
    const QString nasty = QStringLiteral("<a href=\"x\">&amp;'</a>") + QChar(0x01) + QChar(0x1F) + QStringLiteral("\t|\r|") +
                          QChar(0xD800) + QStringLiteral("|") + QChar(0xFFFE) + QStringLiteral("|😀|");
    t.AddRow({1, QStringLiteral("r"), QStringLiteral("c"), Variant(), 1, true, nasty});
    t.AddColumn(TTypedGrid::Note)->GetHeader()->SetCaption(QStringLiteral("\"Quoted\" <&> ") + QChar(0x02));
    t.Grid->SetName(QString());
    t.Converter->SetSheetName(QStringLiteral("Q&A <1> \"x\""));
    const QString xml = t.Export();
    TSheet sheet(xml); // parses: the document is well-formed
    EXPECT_EQ(sheet.Name, QStringLiteral("Q&A <1> \"x\""));
    // Forbidden characters are gone; a carriage return stays as a reference.
    EXPECT_TRUE(xml.contains(QStringLiteral("<Data ss:Type=\"String\">&lt;a href=\"x\"&gt;&amp;amp;'&lt;/a&gt;\t|&#13;|||😀|</Data>")));
    EXPECT_EQ(QString(sheet.At(1, 0)->Text).remove(QLatin1Char('\r')), QStringLiteral("<a href=\"x\">&amp;'</a>\t||||😀|"));
    EXPECT_EQ(sheet.At(0, 0)->Text, QStringLiteral("\"Quoted\" <&> "));
    EXPECT_EQ(sheet.Columns()[0].Attribute(QStringLiteral("c:Caption")), QStringLiteral("\"Quoted\" <&> "));
    // An unnamed grid still has distinct ids.
    EXPECT_TRUE(sheet.StyleIds().contains(QStringLiteral("_cell_0")));

    // The writer keeps its own rules.
    QString out;
    TXmlTextWriter w(out);
    w.StartElement(QLatin1String("a"));
    w.Attribute(QLatin1String("v"), QStringView(u"tab\tline\nend"));
    w.StartElement(QLatin1String("b"));
    w.EndElement();
    w.Text(QStringView(u"x>y"));
    EXPECT_THROW(w.Attribute(QLatin1String("late"), QStringView(u"1")), EXmlError);
    w.EndDocument();
    EXPECT_EQ(out, QStringLiteral("<a v=\"tab&#9;line&#10;end\"><b/>x&gt;y</a>"));
    EXPECT_THROW(w.EndElement(), EXmlError);
    EXPECT_THROW(w.StartElement(QLatin1String("second")), EXmlError);
    TXmlDocument doc;
    doc.LoadFromText(out);
    EXPECT_EQ(doc.Root().Attribute(QStringLiteral("v")), QStringLiteral("tab\tline\nend"));
}

TEST(ExcelConverter, RowNumbersStartAtTheBaseWithoutOverflow)
{
    TTypedGrid t;
    t.AddSampleRows();
    t.AddColumn(TTypedGrid::Id);
    t.Converter->SetRowNumVisible(true);
    TSheet one(t.Export());
    EXPECT_EQ(one.At(1, 0)->Text, QStringLiteral("1"));
    EXPECT_EQ(one.At(1, 0)->Type, QStringLiteral("Number"));
    EXPECT_EQ(one.At(1, 0)->Style, QStringLiteral("rownum_style"));
    EXPECT_EQ(one.At(6, 0)->Text, QStringLiteral("6"));
    EXPECT_EQ(one.At(0, 0)->Style, QStringLiteral("header_style"));
    EXPECT_EQ(one.At(7, 0)->Style, QStringLiteral("footer_style"));
    EXPECT_EQ(one.Columns()[0].Attribute(QStringLiteral("ss:AutoFitWidth")), QStringLiteral("1"));
    EXPECT_EQ(one.At(1, 1)->Col, 1);

    t.Converter->SetRowNumBase(INT_MAX - 1);
    TSheet high(t.Export());
    EXPECT_EQ(high.At(1, 0)->Text, QStringLiteral("2147483646"));
    EXPECT_EQ(high.At(6, 0)->Text, QStringLiteral("2147483651"));
}

TEST(ExcelConverter, ArgumentsSheetNamesAndFiles)
{
    TTypedGrid t;
    t.AddSampleRows();
    t.AddColumn(TTypedGrid::Id);
    TKvGridExcelConverter* c = t.Converter.get();
    // Published defaults.
    EXPECT_EQ(c->GetExcelVersion(), V_2007);
    EXPECT_TRUE(c->GetHeaderVisible() && c->GetFooterVisible() && c->GetGroupHeaderVisible() &&
                c->GetGroupFooterVisible());
    EXPECT_FALSE(c->GetRowNumVisible());
    EXPECT_EQ(c->GetRowNumBase(), 1);
    const TClassInfo& info = ClassInfo<TKvGridExcelConverter>();
    for (const char* name : {"ExcelVersion", "AutoSave", "FileName", "SheetName", "RowNumVisible", "RowNumBase",
                             "HeaderVisible", "FooterVisible", "GroupHeaderVisible", "GroupFooterVisible"})
        EXPECT_NE(info.FindProperty(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(info.FindProperty(QStringLiteral("SheetName"))->Default.ToString(), QStringLiteral("Vantrel"));
    // Form files keep what differs from the defaults, ExcelVersion included.
    {
        TOwned<TKvGridExcelConverter> saved = MakeOwned<TKvGridExcelConverter>(nullptr);
        saved->SetName(QStringLiteral("Exporter"));
        saved->SetExcelVersion(V_XP);
        saved->SetSheetName(QStringLiteral("주문"));
        saved->SetGroupFooterVisible(false);
        saved->SetRowNumBase(0);
        const QString form = WriteComponentText(saved.get());
        EXPECT_FALSE(form.contains(QStringLiteral("AutoSave")));
        TOwned<TKvGridExcelConverter> read = MakeOwned<TKvGridExcelConverter>(nullptr);
        ReadComponentText(form, read.get());
        EXPECT_EQ(read->GetExcelVersion(), V_XP);
        EXPECT_EQ(read->GetSheetName(), QStringLiteral("주문"));
        EXPECT_FALSE(read->GetGroupFooterVisible());
        EXPECT_TRUE(read->GetGroupHeaderVisible());
        EXPECT_EQ(read->GetRowNumBase(), 0);
    }

    KV_EXPECT_THROW_MSG(c->Convert(nullptr, false), Exception, "grid is nil");
    // A grid without columns or data still makes a workbook: one empty header row and footer row.
    TOwned<TKvGridViewImpl> bare = MakeOwned<TKvGridViewImpl>(nullptr);
    c->Convert(bare.get(), true);
    const TSheet empty(c->GetOutput());
    EXPECT_EQ(empty.RowCount, 2);
    EXPECT_TRUE(empty.Cells.empty());
    KV_EXPECT_THROW_MSG(c->Convert(TKvGridRange(0, 1, nullptr, t.Grid->GetColumn(0))), Exception, "Invalid grid range");
    c->Convert(t.Grid.get(), false);
    ASSERT_FALSE(c->GetOutput().isEmpty());
    c->Convert(TKvGridRange(0, 1, t.Grid->GetColumn(0), t.Grid->GetColumn(0)));
    EXPECT_TRUE(c->GetOutput().isEmpty());

    // AutoSave with no file name writes nothing; Output still holds the text.
    QTemporaryDir dir;
    c->SetAutoSave(true);
    QDir::setCurrent(dir.path());
    c->Convert(t.Grid.get(), false);
    const QString text = c->GetOutput();
    EXPECT_FALSE(text.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    // A file name: the file holds the text in UTF-8, no byte-order mark.
    const QString path = dir.filePath(QStringLiteral("orders.xml"));
    c->SetFileName(path);
    c->Convert(t.Grid.get(), false);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), text.toUtf8());
    f.close();

    // Sheet names spreadsheets refuse: an error before anything is written.
    for (const QString& bad : {QString(), QString(32, QLatin1Char('x')), QStringLiteral("a/b"), QStringLiteral("[x]"),
                               QStringLiteral("a:b"), QStringLiteral("a*"), QStringLiteral("a?"), QStringLiteral("a\\b")}) {
        c->SetSheetName(bad);
        EXPECT_THROW(c->Convert(t.Grid.get(), false), EArgumentException) << bad.toStdString();
    }
    c->SetSheetName(QString(31, QLatin1Char('x')));
    t.AddRow({99, QStringLiteral("r"), QStringLiteral("c"), Variant(), 1, true, QStringLiteral("n")});
    c->SetSheetName(QStringLiteral("a/b"));
    EXPECT_THROW(c->Convert(t.Grid.get(), false), EArgumentException);
    EXPECT_EQ(ReadFile(path), text);
    EXPECT_EQ(c->GetOutput(), text);

    // A write that fails raises and leaves the old file whole.
    c->SetSheetName(QStringLiteral("Vantrel"));
    c->SetFileName(dir.filePath(QStringLiteral("missing/orders.xml")));
    EXPECT_THROW(c->Convert(t.Grid.get(), false), EInOutError);
    EXPECT_EQ(ReadFile(path), text);
    QDir::setCurrent(QDir::tempPath());
}
