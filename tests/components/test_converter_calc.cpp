// Exported workbooks opened by a real spreadsheet: LibreOffice Calc converts them to CSV (every
// cell's value) and to xlsx (merged ranges and the row count), and both are compared with the
// workbook the grid wrote.
#include "test_converter_support.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <cmath>

using namespace kv;
using namespace kvtest;

namespace {

// Converts every file in one run of soffice, with a private profile.
void Convert(const QString& soffice, const QTemporaryDir& dir, const QString& format, const QStringList& files)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args{QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                     QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"), format,
                     QStringLiteral("--outdir"), dir.filePath(QStringLiteral("out"))};
    p.start(soffice, args + files);
    ASSERT_TRUE(p.waitForFinished(100000)) << "soffice did not finish";
    ASSERT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
}

// Rows of fields of a CSV text with '"' quotes and doubled quotes inside them.
QList<QStringList> ParseCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            row << field;
            rows << row;
            row.clear();
            field.clear();
        } else {
            field += c;
        }
        any = true;
    }
    if (any && (!field.isEmpty() || !row.isEmpty()))
        rows << (row << field);
    return rows;
}

QString ColumnName(int col)
{
    QString name;
    for (int n = col + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

QString Ref(int row, int col) { return ColumnName(col) + QString::number(row + 1); }

QString CsvAt(const QList<QStringList>& csv, int row, int col)
{
    return row < csv.size() && col < csv[row].size() ? csv[row][col] : QString();
}

// Compares Calc's view of one workbook with the workbook itself.
void Compare(const QString& name, const QString& xml, const QString& csvText, const QString& xlsxSheet)
{
    SCOPED_TRACE(name.toStdString());
    const TSheet sheet(xml);
    const QList<QStringList> csv = ParseCsv(csvText);

    // Every cell's value at its place; covered and empty places empty.
    int values = 0;
    for (int r = 0; r < std::max<int>(sheet.RowCount, int(csv.size())); ++r) {
        const int cols = std::max<int>(r < csv.size() ? int(csv[r].size()) : 0, 40);
        for (int c = 0; c < cols; ++c) {
            const QString got = CsvAt(csv, r, c);
            const TSheetCell* cell = sheet.At(r, c);
            const QString where = QStringLiteral("%1 (%2)").arg(Ref(r, c), cell ? cell->Text : QStringLiteral("-"));
            if (!cell || !cell->HasData) {
                EXPECT_EQ(got, QString()) << where.toStdString();
                continue;
            }
            ++values;
            if (cell->Type == QLatin1String("Number")) {
                const double expected = cell->Text.toDouble();
                bool ok = false;
                const double value = got.toDouble(&ok);
                EXPECT_TRUE(ok) << where.toStdString() << " reads " << got.toStdString();
                // Calc keeps 15 significant digits in its texts.
                EXPECT_NEAR(value, expected, std::fabs(expected) * 1e-14) << where.toStdString();
            } else if (cell->Type == QLatin1String("DateTime")) {
                // Shown in the cell style's date format: the date alone, or to the second.
                const QDateTime dt = QDateTime::fromString(cell->Text, Qt::ISODateWithMs);
                ASSERT_TRUE(dt.isValid()) << where.toStdString();
                const QString format = sheet.Style(cell->Style).Child(QStringLiteral("NumberFormat")).Attribute(QStringLiteral("ss:Format"));
                EXPECT_EQ(got, dt.toString(format == QLatin1String("yyyy-mm-dd") ? QStringLiteral("yyyy-MM-dd")
                                                                                  : QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                    << where.toStdString();
            } else if (cell->Type == QLatin1String("Boolean")) {
                // Calc 7.4 imports no Boolean cells of this format (they come out empty);
                // when it does, the value must match.
                const bool truth = cell->Text == QLatin1String("1");
                EXPECT_TRUE(got.isEmpty() || got == (truth ? QStringLiteral("TRUE") : QStringLiteral("FALSE")) ||
                            got == (truth ? QStringLiteral("1") : QStringLiteral("0")))
                    << where.toStdString() << " reads " << got.toStdString();
            } else {
                EXPECT_EQ(got, cell->Text) << where.toStdString();
            }
        }
    }
    EXPECT_GT(values, 10);
    EXPECT_LE(csv.size(), sheet.RowCount);

    // The row count and the merged ranges as Calc stores them.
    TXmlDocument doc;
    doc.LoadFromText(xlsxSheet);
    int lastRow = 0;
    for (const TXmlNode& row : doc.Root().Child(QStringLiteral("sheetData")).Children())
        lastRow = std::max(lastRow, row.Attribute(QStringLiteral("r")).toInt());
    EXPECT_EQ(lastRow, sheet.RowCount);
    QStringList merged, expected;
    for (const TXmlNode& m : doc.Root().Child(QStringLiteral("mergeCells")).Children())
        merged << m.Attribute(QStringLiteral("ref"));
    for (const TSheetCell& c : sheet.Cells)
        if (c.Across > 0 || c.Down > 0)
            expected << Ref(c.Row, c.Col) + QLatin1Char(':') + Ref(c.Row + c.Down, c.Col + c.Across);
    merged.sort();
    expected.sort();
    EXPECT_EQ(merged, expected);
}

} // namespace

TEST(ExcelConverterCalc, WorkbooksOpenInCalcWithTheGridsValues)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    ASSERT_FALSE(soffice.isEmpty()) << "LibreOffice Calc (soffice) is not installed: scripts/setup installs it";
    const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
    ASSERT_FALSE(unzip.isEmpty()) << "unzip is not installed: scripts/setup installs it";
    QTemporaryDir dir;
    std::vector<std::pair<QString, QString>> books;

    {
        // A flat grid: row numbers, Booleans, dates, fractions, Korean and Latin text, escapes.
        TTypedGrid t;
        t.AddSampleRows();
        t.AddRow({7, QStringLiteral("제주 & <Jeju>"), QStringLiteral("c"), Variant(), 1.0 / 3, true,
                  QStringLiteral("\"quoted\", 'single' & <tag>")});
        for (int f : {TTypedGrid::Id, TTypedGrid::Region, TTypedGrid::Ordered, TTypedGrid::Amount, TTypedGrid::Paid,
                      TTypedGrid::Note})
            t.AddColumn(f);
        t.Grid->GetDataColumn(QStringLiteral("Amount"))->GetFooter()->SetExpression(QStringLiteral("sum"));
        t.Converter->SetRowNumVisible(true);
        books.emplace_back(QStringLiteral("flat"), t.Export());
    }
    {
        // Two header levels with merges, and two data levels.
        TTypedGrid t;
        t.AddSampleRows();
        t.AddCustomerAndOrder();
        t.Grid->ResetColumnIndicies();
        books.emplace_back(QStringLiteral("headers"), t.Export());
    }
    {
        // Two row-group levels with group headers and footers, row numbers and the grid footer.
        TTypedGrid t;
        t.AddSampleRows();
        t.AddColumn(TTypedGrid::Id)->GetFooter()->SetGroupExpression(QStringLiteral("row"));
        t.AddColumn(TTypedGrid::Note);
        TKvGridDataColumn* amount = t.AddColumn(TTypedGrid::Amount);
        amount->GetFooter()->SetExpression(QStringLiteral("sum"));
        amount->GetFooter()->SetGroupExpression(QStringLiteral("sum"));
        t.AddColumn(TTypedGrid::Paid);
        t.GroupBy({TTypedGrid::Region, TTypedGrid::City});
        t.Converter->SetRowNumVisible(true);
        books.emplace_back(QStringLiteral("rowgroups"), t.Export());
    }

    // Dates without a time of day, and a column group whose members are all hidden.
    std::vector<QStringList> datesShown;
    {
        TTypedGrid t;
        t.AddSampleRows();
        t.AddColumn(TTypedGrid::Id);
        TKvGridColumnGroup* hidden = t.AddGroup(QStringLiteral("Hidden"));
        t.AddColumn(TTypedGrid::Note, hidden)->SetVisible(false);
        t.AddColumn(TTypedGrid::Ordered);
        t.Grid->ResetColumnIndicies();
        t.Data->SetData(0, TTypedGrid::Ordered, Variant::DateTime(EncodeDate(2026, 8, 24)));
        for (int i = 0; i < t.Grid->GetItemCount(); ++i)
            datesShown.push_back(QStringList{
                t.Grid->GetCellData(TKvGridCellIndex(t.Grid.get(), i, t.Grid->GetDataColumn(QStringLiteral("Id")))).ToString(),
                QString(),
                t.Grid->GetCellData(TKvGridCellIndex(t.Grid.get(), i, t.Grid->GetDataColumn(QStringLiteral("Ordered")))).ToString()});
        ASSERT_EQ(datesShown.front().back(), QStringLiteral("2026-08-24"));
        books.emplace_back(QStringLiteral("dates"), t.Export());
    }

    QStringList files;
    for (const auto& [name, xml] : books)
        files << WriteTestFile(dir, name + QStringLiteral(".xml"), xml.toUtf8());
    Convert(soffice, dir, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false"), files);
    Convert(soffice, dir, QStringLiteral("xlsx"), files);

    for (const auto& [name, xml] : books) {
        QFile csv(dir.filePath(QStringLiteral("out/") + name + QStringLiteral(".csv")));
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << name.toStdString();
        QProcess p;
        p.start(unzip, {QStringLiteral("-p"), dir.filePath(QStringLiteral("out/") + name + QStringLiteral(".xlsx")),
                        QStringLiteral("xl/worksheets/sheet1.xml")});
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString sheet = QString::fromUtf8(p.readAllStandardOutput());
        ASSERT_FALSE(sheet.isEmpty()) << name.toStdString();
        const QString csvText = QString::fromUtf8(csv.readAll());
        Compare(name, xml, csvText, sheet);
        if (name == QLatin1String("dates")) {
            // Calc shows each data row as the grid does: the dates alone, nothing under the group.
            const QList<QStringList> rows = ParseCsv(csvText);
            for (size_t i = 0; i < datesShown.size(); ++i) {
                const int r = 1 + int(i);
                EXPECT_EQ((QStringList{CsvAt(rows, r, 0), CsvAt(rows, r, 1), CsvAt(rows, r, 2)}), datesShown[i]) << "row " << r;
            }
        }
    }
}
