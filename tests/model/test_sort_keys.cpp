// Fast paths against plain references on random data: the sorter against a stable sort by
// CompareValue (texts in their own strings, a provider's numeric keys, a provider comparing
// without keys), and the CSV provider's values against splitting each record.
#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Data.Files.h"
#include "model/KvGrids.Model.Default.h"

#include <random>

using namespace kv;
using namespace kvtest;

namespace {

// The data rows in the order the default provider's sorter gives them.
std::vector<int> SortedRows(TKvGridDataProvider* data, const TKvIntegerArray& fields,
                            const TKvGridSortDirections& directions)
{
    TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
    provider->SetDataSource(data);
    provider->OrderBy(fields, directions, false);
    std::vector<int> rows;
    for (int i = 0; i < provider->GetItemCount(); ++i)
        rows.push_back(provider->GetItem(i)->GetDataRow());
    provider->SetDataSource(nullptr);
    return rows;
}

// A plain stable sort of the rows by the provider's CompareValue.
std::vector<int> ReferenceRows(const TKvGridDataProvider* data, const TKvIntegerArray& fields,
                               const TKvGridSortDirections& directions)
{
    std::vector<int> rows(static_cast<size_t>(data->GetRowCount()));
    std::iota(rows.begin(), rows.end(), 0);
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        for (size_t k = 0; k < fields.size(); ++k) {
            const int c = data->CompareValue(fields[k], a, b);
            if (c != 0)
                return directions[k] == SortDescending ? c > 0 : c < 0;
        }
        return false;
    });
    return rows;
}

TKvGridSortDirections RandomDirections(std::mt19937& rng, size_t count)
{
    TKvGridSortDirections directions;
    for (size_t i = 0; i < count; ++i)
        directions.push_back(rng() % 2 ? SortAscending : SortDescending);
    return directions;
}

// Orders its first field by text length, without keys.
class TByLengthProvider : public TKvSimpleDataProvider
{
protected:
    friend class TCreateAccess;
    using TKvSimpleDataProvider::TKvSimpleDataProvider;

public:
    int CompareValue(int Field, int Row1, int Row2) const override
    {
        if (Field != 0)
            return TKvSimpleDataProvider::CompareValue(Field, Row1, Row2);
        const qsizetype a = GetData(Row1, 0).AsString().size(), b = GetData(Row2, 0).AsString().size();
        return (a > b) - (a < b);
    }
    TKvGridSortKeyKind GetSortKeyKind(int Field) const override { return Field == 0 ? SortKeyCompare : SortKeyValues; }
};

// A CSV value: plain, padded, numeric in many spellings, quoted (with commas, quotes, line
// breaks and text after the closing quote), non-ASCII.
QByteArray RandomCsvValue(std::mt19937& rng)
{
    static const char* const kValues[] = {
        "12", "-3.5", " 4 ", "1e2", "+.5", "abc", "", "0", "-0", "7.25", "1,5", "x\"y", "٣", "10 apples",
        "Inf", "-inf", "0x10", "3.", "  -12.5e-1", "ünï", "1e400"};
    const unsigned r = rng() % 100;
    const QByteArray base = kValues[rng() % (sizeof kValues / sizeof *kValues)];
    if (r < 60 && !base.contains(',') && !base.contains('"'))
        return r < 30 ? QByteArray::number(static_cast<int>(rng() % 2000) - 1000) + (r < 15 ? ".5" : "") : base;
    QByteArray quoted = "\"" + QByteArray(base).replace("\"", "\"\"") + (r % 3 == 0 ? "\r\n\"\"" : "") + "\"";
    return r % 7 == 0 ? quoted + "tail" : quoted;
}

// A file of records with 3 to 5 values for 4 fields, the second numeric.
QByteArray RandomCsv(std::mt19937& rng, int rows)
{
    QByteArray text = "a,b,c,d\r\nT,N,T,N\r\n";
    for (int i = 0; i < rows; ++i) {
        const int values = 3 + static_cast<int>(rng() % 3);
        for (int v = 0; v < values; ++v)
            text += (v ? "," : "") + RandomCsvValue(rng);
        text += rng() % 5 == 0 ? "\n" : "\r\n";
    }
    return text;
}

} // namespace

TEST(SortKeys, TextsInTheirOwnStringsSortAsSharedOnes)
{
    std::mt19937 rng(5);
    // Past the sorter's first look at how often addresses repeat; shared, own and mixed strings.
    for (const int shared : {100, 0, 50}) {
        std::vector<QString> words;
        for (int i = 0; i < 300; ++i)
            words.push_back(QStringLiteral("w%1").arg(rng() % 1000));
        auto data = MakeTable("A,B", "s,n", {});
        const int rows = 20000;
        for (int i = 0; i < rows; ++i) {
            const QString& word = words[rng() % words.size()];
            const bool share = static_cast<int>(rng() % 100) < shared;
            data->InsertRow(i, {share ? word : QString(word.constData(), word.size()), static_cast<int>(rng() % 3)});
        }
        for (int trial = 0; trial < 2; ++trial) {
            const TKvGridSortDirections directions = RandomDirections(rng, 2);
            ASSERT_EQ(SortedRows(data.get(), {0, 1}, directions), ReferenceRows(data.get(), {0, 1}, directions))
                << "shared " << shared;
        }
    }
}

TEST(SortKeys, ProvidersCompareTheirOwnWay)
{
    std::mt19937 rng(11);
    // Keys handed by the CSV provider for its numeric fields, beside its text fields.
    QTemporaryDir dir;
    for (const int rows : {0, 1, 40, 3000}) {
        const QString path = WriteTestFile(dir, QStringLiteral("n%1.csv").arg(rows), RandomCsv(rng, rows));
        TOwned<TKvCsvDataProvider> csv = MakeOwned<TKvCsvDataProvider>(nullptr);
        csv->SetAutoSave(false);
        csv->SetTypeLine(1);
        csv->SetFileName(path);
        ASSERT_EQ(csv->GetRowCount(), rows);
        ASSERT_EQ(csv->GetSortKeyKind(1), SortKeyOwn);
        ASSERT_EQ(csv->GetSortKeyKind(0), SortKeyValues);
        // Rows of values of their own compare the same way.
        for (int r = 0; r < rows / 10; ++r)
            csv->SetData(static_cast<int>(rng() % static_cast<unsigned>(rows)), 1, Variant(QString::number(static_cast<int>(rng() % 50) - 25)));
        for (const TKvIntegerArray& fields : {TKvIntegerArray{1}, TKvIntegerArray{3, 0}, TKvIntegerArray{0, 1, 3}}) {
            const TKvGridSortDirections directions = RandomDirections(rng, fields.size());
            ASSERT_EQ(SortedRows(csv.get(), fields, directions), ReferenceRows(csv.get(), fields, directions))
                << "rows " << rows << " first field " << fields[0];
        }
    }
    // A numeric column orders by value, not as text.
    const QString small = WriteTestFile(dir, "small.csv", "v\r\nN\r\n10\r\n9\r\n-1\r\n\" 2.5\"\r\nx\r\n");
    TOwned<TKvCsvDataProvider> csv = MakeOwned<TKvCsvDataProvider>(nullptr);
    csv->SetTypeLine(1);
    csv->SetFileName(small);
    EXPECT_EQ(SortedRows(csv.get(), {0}, {SortAscending}), (std::vector<int>{2, 4, 3, 1, 0}));

    // A provider without keys is asked row pair by row pair.
    TOwned<TByLengthProvider> byLength(Create<TByLengthProvider>(nullptr));
    byLength->InsertColumns(0, 2, QStringLiteral("A,B"), QStringLiteral("s,n"));
    for (int i = 0; i < 2000; ++i)
        byLength->InsertRow(i, {QString(static_cast<qsizetype>(rng() % 6), QLatin1Char('a' + rng() % 3)), static_cast<int>(rng() % 4)});
    for (const TKvIntegerArray& fields : {TKvIntegerArray{0}, TKvIntegerArray{1, 0}}) {
        const TKvGridSortDirections directions = RandomDirections(rng, fields.size());
        ASSERT_EQ(SortedRows(byLength.get(), fields, directions), ReferenceRows(byLength.get(), fields, directions));
    }
}

TEST(SortKeys, CsvValuesMatchTheirRecordsAndSaveUnchanged)
{
    std::mt19937 rng(23);
    QTemporaryDir dir;
    for (int trial = 0; trial < 4; ++trial) {
        const QByteArray text = RandomCsv(rng, 500);
        const QString path = WriteTestFile(dir, QStringLiteral("v%1.csv").arg(trial), text);
        TOwned<TKvCsvDataProvider> csv = MakeOwned<TKvCsvDataProvider>(nullptr);
        csv->SetAutoSave(false);
        csv->SetTypeLine(1);
        csv->SetFileName(path);
        TKvFileLines lines;
        lines.SetText(text);
        csv->SplitRecords(lines);
        ASSERT_EQ(csv->GetRowCount(), lines.Count() - 2);
        for (int r = 0; r < csv->GetRowCount(); ++r) {
            const QStringList values = TKvCsvDataProvider::SplitValues(lines.Bytes(r + 2));
            for (int f = 0; f < csv->GetFieldCount(); ++f)
                ASSERT_EQ(csv->GetData(r, f).AsString(), values.value(f)) << "row " << r << " field " << f;
        }
        // Unchanged, the file saves byte for byte.
        csv->Save();
        QFile saved(path);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        ASSERT_EQ(saved.readAll(), text);
    }
}

namespace {

// A text as read from a file: its own string, drawn from few words in mixed case, with
// non-ASCII letters, surrogate pairs, prefixes of each other and the empty text.
QString RandomOwnText(std::mt19937& rng)
{
    static const char16_t* const kWords[] = {u"apple", u"Apple", u"APPLE", u"appl", u"", u"Äpfel", u"äpfel",
                                             u"zebra", u"Zebra", u"éclair", u"eclair", u"\u00e9", u"e\u0301",
                                             u"\U0001F600", u"\uFFFD", u"straße", u"STRASSE", u"a b", u"a"};
    const QString word = QString::fromUtf16(kWords[rng() % (sizeof kWords / sizeof *kWords)]);
    const QString text = rng() % 3 == 0 ? word + QString::number(rng() % 40) : word;
    return QString(text.constData(), text.size()); // never shared
}

Variant RandomTextCell(std::mt19937& rng)
{
    const unsigned r = rng() % 100;
    if (r < 8)
        return Variant::Null();
    if (r < 11)
        return Variant();
    if (r < 16)
        return Variant(static_cast<int>(rng() % 5) - 2);
    return Variant(RandomOwnText(rng));
}

} // namespace

TEST(SortKeys, OwnTextsWithNullsAndNumbersMatchAStableSortByCompareValue)
{
    std::mt19937 rng(29);
    // Past the radix threshold and past the sorter's look at how often addresses repeat.
    for (const int rows : {3, 600, 9000}) {
        auto data = MakeTable("A,B,C", "s,s,n", {});
        for (int i = 0; i < rows; ++i)
            data->InsertRow(i, {RandomTextCell(rng), Variant(RandomOwnText(rng)),
                                rng() % 10 == 0 ? Variant::Null() : Variant(static_cast<int>(rng() % 3))});
        for (const TKvIntegerArray& fields :
             {TKvIntegerArray{0}, TKvIntegerArray{0, 1}, TKvIntegerArray{1, 2}, TKvIntegerArray{2, 0}}) {
            for (int trial = 0; trial < 3; ++trial) {
                const TKvGridSortDirections directions = RandomDirections(rng, fields.size());
                ASSERT_EQ(SortedRows(data.get(), fields, directions), ReferenceRows(data.get(), fields, directions))
                    << "rows " << rows << " fields " << fields.size() << " first " << fields[0];
            }
        }
        // With fixed rows kept out of sorting, and sorted again by a sorter over a range of items.
        TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
        provider->SetDataSource(data.get());
        provider->SetFixed(2, false, false);
        const TKvGridSortDirections directions = RandomDirections(rng, 2);
        provider->OrderBy({0, 1}, directions, false);
        std::vector<int> expected = ReferenceRows(data.get(), {0, 1}, directions);
        expected.erase(std::remove_if(expected.begin(), expected.end(), [](int r) { return r < 2; }), expected.end());
        if (rows >= 2)
            expected.insert(expected.begin(), {0, 1});
        std::vector<int> actual;
        for (int i = 0; i < provider->GetItemCount(); ++i)
            actual.push_back(provider->GetItem(i)->GetDataRow());
        ASSERT_EQ(actual, expected) << "fixed rows, rows " << rows;
        auto* multi = dynamic_cast<IKvGridMultiKeySorter*>(GetSharedQuickSorter());
        ASSERT_TRUE(multi);
        multi->RunKeys(provider.get(), {1, 0}, {SortDescending, SortAscending}, 0, provider->GetItemCount() - 1);
        actual.clear();
        for (int i = 0; i < provider->GetItemCount(); ++i)
            actual.push_back(provider->GetItem(i)->GetDataRow());
        ASSERT_EQ(actual, ReferenceRows(data.get(), {1, 0}, {SortDescending, SortAscending})) << "range, rows " << rows;
        for (int row = 0; row < rows; ++row)
            ASSERT_EQ(provider->GetItem(provider->ItemOfData(row))->GetDataRow(), row);
        provider->SetDataSource(nullptr);
    }
}

TEST(SortKeys, TypedColumnsSortAsTheirValues)
{
    std::mt19937 rng(31);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const int rows : {2, 300, 5000}) {
        // Whole numbers, doubles, dates, Booleans, texts through the table of distinct texts, a
        // column that turns to variants halfway, whole numbers with nulls, empty cells only.
        auto data = MakeTable("I,D,T,B,S,M,N,E", "n,n,d,b,s,n,n,n", {});
        for (int i = 0; i < rows; ++i) {
            const QString word = QStringLiteral("w%1").arg(rng() % 40);
            const unsigned r = rng() % 10;
            data->InsertRow(i, {Variant(r == 0 ? std::numeric_limits<std::int64_t>::min() : std::int64_t(rng() % 50) - 25),
                                Variant(r == 1 ? nan : r == 2 ? -0.0 : (static_cast<int>(rng() % 40) - 20) / 4.0),
                                Variant::DateTime(45000 + rng() % 30),
                                Variant(rng() % 2 == 0),
                                Variant(rng() % 2 ? QString(word.constData(), word.size()) : word),
                                i == rows / 2 ? Variant(word) : Variant(static_cast<int>(rng() % 9)),
                                r == 3 ? Variant::Null() : Variant(static_cast<int>(rng() % 7)),
                                Variant()});
        }
        for (const TKvIntegerArray& fields :
             {TKvIntegerArray{0}, TKvIntegerArray{1, 0}, TKvIntegerArray{4, 3, 2}, TKvIntegerArray{5, 4},
              TKvIntegerArray{6, 1}, TKvIntegerArray{7, 4}, TKvIntegerArray{3, 5, 6, 0}}) {
            for (int trial = 0; trial < 2; ++trial) {
                const TKvGridSortDirections directions = RandomDirections(rng, fields.size());
                ASSERT_EQ(SortedRows(data.get(), fields, directions), ReferenceRows(data.get(), fields, directions))
                    << "rows " << rows << " first field " << fields[0];
            }
        }
    }
    // A text column whose table holds many texts no longer used: a short range sorts by its cells.
    auto data = MakeTable("S,I", "s,n", {});
    for (int i = 0; i < 300; ++i)
        data->InsertRow(i, {QStringLiteral("x%1").arg(rng() % 20), static_cast<int>(rng() % 3)});
    for (int i = 0; i < 6000; ++i)
        data->SetData(static_cast<int>(rng() % 300), 0, QStringLiteral("old%1").arg(i));
    for (int i = 0; i < 300; ++i)
        data->SetData(i, 0, QStringLiteral("x%1").arg(rng() % 20));
    TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
    provider->SetDataSource(data.get());
    auto* multi = dynamic_cast<IKvGridMultiKeySorter*>(GetSharedQuickSorter());
    ASSERT_TRUE(multi);
    multi->RunKeys(provider.get(), {0, 1}, {SortDescending, SortAscending}, 10, 290);
    std::vector<int> middle(281);
    std::iota(middle.begin(), middle.end(), 10);
    std::stable_sort(middle.begin(), middle.end(), [&](int a, int b) {
        const int c = data->CompareValue(0, a, b);
        return c != 0 ? c > 0 : data->CompareValue(1, a, b) < 0;
    });
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(provider->GetItem(i)->GetDataRow(), i < 10 || i > 290 ? i : middle[size_t(i - 10)]) << i;
    provider->SetDataSource(nullptr);
}
