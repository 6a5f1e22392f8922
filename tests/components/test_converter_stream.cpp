// The exporter streaming to its file: random grids read back cell by cell, the file and the
// text path byte for byte, failed writes.
#include "test_converter_support.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <cmath>
#include <csignal>
#include <limits>
#include <random>
#include <sys/resource.h>

using namespace kv;
using namespace kvtest;

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Random text: markup, quotes, controls, line breaks, Latin-1, Hangul, pairs, unpaired
// surrogates, U+FFFE/U+FFFF.
QString RandomText(std::mt19937& rng)
{
    QString s;
    for (int i = 0, n = int(rng() % 24); i < n; ++i) {
        switch (rng() % 12) {
        case 0: s += QChar(char16_t(rng() % 0x20)); break;
        case 1: s += QLatin1String("&<>\"'\r\n\t").at(int(rng() % 8)); break;
        case 2: s += QChar(char16_t(0xA0 + rng() % 0x60)); break;
        case 3: s += QChar(char16_t(0xAC00 + rng() % 0x2BA4)); break;
        case 4: s += QChar(char16_t(0xD83D)); s += QChar(char16_t(0xDE00 + rng() % 0x40)); break;
        case 5: s += QChar(char16_t(0xD800 + rng() % 0x800)); break;
        case 6: s += QChar(char16_t(0xFFFE + rng() % 2)); break;
        default: s += QChar(char16_t(0x21 + rng() % 0x5E));
        }
    }
    return s;
}

// The text as XML can hold it: characters XML 1.0 refuses left out.
QString XmlText(const QString& s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            out += c;
            out += s[++i];
        } else if (!c.isSurrogate() && (c.unicode() >= 0x20 ? c.unicode() < 0xFFFE : c == u'\t' || c == u'\n' || c == u'\r')) {
            out += c;
        }
    }
    return out;
}

Variant RandomDate(std::mt19937& rng)
{
    // 1900-01-01 is day 2; 9999-12-31 is day 2958465; a random time of day, whole milliseconds.
    const double day = 2 + double(rng() % 2958000);
    return Variant::DateTime(day + double(rng() % 86400000) / 86400000.0);
}

// A value for a column of that field: mostly of the column's type, sometimes not (or none).
Variant RandomValue(std::mt19937& rng, int field)
{
    const int odd = int(rng() % 10);
    if (odd == 0)
        return Variant();
    if (odd == 1)
        return Variant(RandomText(rng));
    switch (field) {
    case TTypedGrid::Id:
    case TTypedGrid::Amount:
        switch (rng() % 6) {
        case 0: return Variant(qint64((quint64(rng()) << 31) ^ rng()) * (rng() % 2 ? -1 : 1));
        case 1: return Variant(std::ldexp(double(rng()) - 2147483648.0, int(rng() % 200) - 100));
        case 2: return Variant(QStringLiteral(" %1 ").arg(double(rng() % 100000) / 8));
        case 3: return Variant(std::numeric_limits<double>::infinity());
        default: return Variant(double(rng() % 1000000) / 100);
        }
    case TTypedGrid::Ordered:
        switch (rng() % 5) {
        case 0: return Variant::DateTime(-double(rng() % 10000)); // before 1900: no spreadsheet date
        case 1: return Variant(QStringLiteral("2024-02-29 10:11:12"));
        default: return RandomDate(rng);
        }
    case TTypedGrid::Paid:
        switch (rng() % 4) {
        case 0: return Variant(int(rng() % 3));
        case 1: return Variant(QStringLiteral("false"));
        default: return Variant(rng() % 2 == 0);
        }
    default: return rng() % 8 == 0 ? Variant(double(rng() % 1000) / 4) : Variant(RandomText(rng));
    }
}

// A data cell read back holds its value: as the column's type when the value fits it, else
// as text; either way the same value.
void ExpectCell(const TSheetCell* cell, const Variant& value, TKvGridValueType type, const std::string& where)
{
    ASSERT_NE(cell, nullptr) << where;
    ASSERT_TRUE(cell->HasData) << where;
    const bool fits = (type == ValueTypeNumeric && (value.IsInteger() || (value.IsDouble() && std::isfinite(value.DoubleUnchecked())))) ||
                      (type == ValueTypeDateTime && value.IsDateTime() && value.DoubleUnchecked() >= 2) ||
                      (type == ValueTypeBool && value.IsBoolean()) || (type == ValueTypeText && value.IsString());
    const char* own = type == ValueTypeNumeric ? "Number" : type == ValueTypeDateTime ? "DateTime" : type == ValueTypeBool ? "Boolean" : "String";
    if (fits) {
        EXPECT_EQ(cell->Type, QLatin1String(own)) << where;
    }
    if (cell->Type == QLatin1String("Number")) {
        bool ok = false;
        const double read = cell->Text.toDouble(&ok);
        EXPECT_TRUE(ok) << where;
        if (value.IsInteger())
            EXPECT_EQ(cell->Text, QString::number(value.IntUnchecked())) << where;
        else
            EXPECT_EQ(read, value.IsString() ? value.StringUnchecked().trimmed().toDouble() : value.ToDouble()) << where;
    } else if (cell->Type == QLatin1String("DateTime")) {
        TDateTime days = 0;
        if (value.IsDateTime())
            days = value.DoubleUnchecked();
        else
            EXPECT_TRUE(value.IsString() && TryStrToDateTime(value.StringUnchecked(), days)) << where;
        EXPECT_EQ(cell->Text, DateTimeToQDateTime(days).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))) << where;
    } else if (cell->Type == QLatin1String("Boolean")) {
        bool b = false;
        EXPECT_TRUE(value.TryToBoolean(b)) << where;
        EXPECT_EQ(cell->Text, QLatin1String(b ? "1" : "0")) << where;
    } else {
        EXPECT_EQ(cell->Type, QLatin1String("String")) << where;
        const QString expected = XmlText(value.IsString() ? value.StringUnchecked() : value.ToString());
        // The reader drops text that is all white space.
        if (expected.trimmed().isEmpty())
            EXPECT_TRUE(cell->Text.isEmpty() || cell->Text == expected) << where;
        else
            EXPECT_EQ(cell->Text, expected) << where;
    }
}

// Exports through the file and through Output: the bytes agree, Output reads the file back.
QByteArray ExportBoth(TTypedGrid& t, const QString& path, const std::string& where)
{
    t.Converter->SetAutoSave(false);
    const QString text = t.Export();
    t.Converter->SetAutoSave(true);
    t.Converter->SetFileName(path);
    t.Converter->Convert(t.Grid.get(), false);
    t.Converter->SetAutoSave(false);
    const QByteArray bytes = ReadBytes(path);
    EXPECT_EQ(bytes, text.toUtf8()) << where;
    EXPECT_EQ(t.Converter->GetOutput(), text) << where;
    return bytes;
}

} // namespace

// Random flat grids (every kind of text, numbers, dates, Booleans, nulls, values that do not
// fit their column, a styled column) exported to a file: every cell reads back as the grid's
// value, and the file holds the bytes of the text Output gives.
TEST(ExcelConverterStream, RandomGridsReadBackCellByCell)
{
    QTemporaryDir dir;
    std::mt19937 rng(77031);
    for (int round = 0; round < 12; ++round) {
        TTypedGrid t;
        std::vector<int> fields{TTypedGrid::Id, TTypedGrid::Region, TTypedGrid::City, TTypedGrid::Ordered,
                                TTypedGrid::Amount, TTypedGrid::Paid, TTypedGrid::Note};
        std::shuffle(fields.begin(), fields.end(), rng);
        fields.resize(2 + rng() % 6);
        const int rows = int(rng() % 150);
        for (int r = 0; r < rows; ++r) {
            TKvGridDataRow row(7);
            for (int f = 0; f < 7; ++f)
                row[size_t(f)] = RandomValue(rng, f);
            t.AddRow(row);
        }
        std::vector<TKvGridDataColumn*> columns;
        for (int f : fields)
            columns.push_back(t.AddColumn(f));
        const QString family = QStringLiteral("Nanum & \"Co\" <나눔>");
        TKvGridViewStyles* styles = columns[0]->GetStyles();
        styles->SetFont(styles->CreateFont(family + QStringLiteral(",11,italic")));
        columns[0]->GetHeader()->SetCaption(RandomText(rng));
        const bool numbers = rng() % 2;
        t.Converter->SetRowNumVisible(numbers);
        t.Converter->SetSheetName(QStringLiteral("S&<%1>").arg(round));
        const std::string where = "round " + std::to_string(round);

        const QByteArray bytes = ExportBoth(t, dir.filePath(QStringLiteral("flat.xml")), where);
        const TSheet sheet(QString::fromUtf8(bytes));
        EXPECT_EQ(sheet.Name, QStringLiteral("S&<%1>").arg(round));
        ASSERT_EQ(sheet.RowCount, rows + 2) << where;
        const int first = numbers ? 1 : 0;
        ExpectCell(sheet.At(0, first), Variant(columns[0]->GetHeader()->GetDisplayName()), ValueTypeText, where + ", header");
        EXPECT_EQ(sheet.Style(QStringLiteral("Orders_cell_0")).Child(QStringLiteral("Font")).Attribute(QStringLiteral("ss:FontName")),
                  family)
            << where;
        for (int r = 0; r < rows; ++r) {
            if (numbers) {
                EXPECT_EQ(sheet.At(1 + r, 0)->Text, QString::number(r + 1)) << where;
            }
            for (size_t c = 0; c < columns.size(); ++c)
                ExpectCell(sheet.At(1 + r, first + int(c)), t.Data->GetData(r, fields[c]), columns[c]->GetValueType(),
                           where + ", row " + std::to_string(r) + ", column " + std::to_string(c));
        }
    }
}

// Grids with column groups over two data levels and row groups with their footers: the file
// and Output agree byte for byte and read back whole, with as many data cells as the grid has
// values.
TEST(ExcelConverterStream, GroupedGridsGiveTheSameBytesThroughFileAndText)
{
    QTemporaryDir dir;
    std::mt19937 rng(4242);
    for (int round = 0; round < 6; ++round) {
        TTypedGrid t;
        const int rows = 20 + int(rng() % 200);
        const QString regions[] = {QStringLiteral("서울"), QStringLiteral("A & <B>"), QStringLiteral("\"C\"")};
        for (int r = 0; r < rows; ++r) {
            TKvGridDataRow row(7);
            for (int f = 0; f < 7; ++f)
                row[size_t(f)] = RandomValue(rng, f);
            row[TTypedGrid::Region] = regions[(r * 3) / rows];
            row[TTypedGrid::City] = QStringLiteral("c%1").arg((r * 7) / rows);
            t.AddRow(row);
        }
        t.AddCustomerAndOrder();
        t.AddColumn(TTypedGrid::Paid)->GetFooter()->SetExpression(QStringLiteral("count"));
        if (round % 2)
            t.GroupBy({TTypedGrid::Region, TTypedGrid::City});
        t.Converter->SetRowNumVisible(round % 3 == 0);
        const std::string where = "round " + std::to_string(round);
        const QByteArray bytes = ExportBoth(t, dir.filePath(QStringLiteral("grouped.xml")), where);
        const TSheet sheet(QString::fromUtf8(bytes));
        int dataCells = 0;
        for (const TSheetCell& c : sheet.Cells)
            dataCells += c.Style.startsWith(QStringLiteral("Orders_cell_")) ? 1 : 0;
        EXPECT_EQ(dataCells, rows * 7) << where;
    }
}

// A file that cannot be made or written raises a clear error and leaves no file behind (the
// old one whole); Output keeps the last text, and reads it back only while its file is the
// one written.
TEST(ExcelConverterStream, FailedWritesLeaveNoFile)
{
    QTemporaryDir dir;
    TTypedGrid t;
    t.AddSampleRows();
    t.AddColumn(TTypedGrid::Id);
    t.AddColumn(TTypedGrid::Note);
    const QString path = dir.filePath(QStringLiteral("orders.xml"));
    const QByteArray bytes = ExportBoth(t, path, "small");
    const QString text = QString::fromUtf8(bytes);

    // A folder that is a file.
    const QString blocked = WriteTestFile(dir, QStringLiteral("plain.txt"), "x") + QStringLiteral("/orders.xml");
    t.Converter->SetAutoSave(true);
    t.Converter->SetFileName(blocked);
    try {
        t.Converter->Convert(t.Grid.get(), false);
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot write file ") + blocked + QStringLiteral(": ")))
            << e.Message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(blocked));
    EXPECT_EQ(t.Converter->GetOutput(), text);

    // A write that fails halfway (the file size limit): the old file stays whole, no
    // temporary file is left.
    for (int r = 0; r < 3000; ++r)
        t.AddRow({r, QStringLiteral("r"), QStringLiteral("c"), Variant(), 1, true, QString(60, QLatin1Char('n'))});
    t.Converter->SetFileName(path);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 200 * 1024;
    auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool raised = false;
    QString message;
    try {
        t.Converter->Convert(t.Grid.get(), false);
    } catch (const EInOutError& e) {
        raised = true;
        message = e.Message();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_TRUE(raised);
    EXPECT_TRUE(message.startsWith(QStringLiteral("Cannot write file ") + path + QStringLiteral(": "))) << message.toStdString();
    EXPECT_EQ(ReadBytes(path), bytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{QStringLiteral("orders.xml"), QStringLiteral("plain.txt")}));
    EXPECT_EQ(t.Converter->GetOutput(), text);

    // The big export goes through; Output reads it back, and refuses a file changed since.
    t.Converter->Convert(t.Grid.get(), false);
    const QByteArray big = ReadBytes(path);
    EXPECT_GT(big.size(), 200 * 1024);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("<!-- -->");
    }
    EXPECT_THROW(t.Converter->GetOutput(), EInOutError);
    t.Converter->Convert(t.Grid.get(), false);
    EXPECT_EQ(t.Converter->GetOutput().toUtf8(), big);
    t.Converter->Convert(t.Grid.get(), false);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_THROW(t.Converter->GetOutput(), EInOutError);
}
