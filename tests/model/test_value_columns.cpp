// Columns kept by kind against plain arrays under random operations: packed whole numbers
// of every width, and the simple provider's cells, sums and notices with values of every kind.
#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Data.Column.h"
#include "model/KvGrids.Data.Sum.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>

using namespace kv;
using namespace kvtest;

TEST(PackedInts, RandomInsertsSetsAndRemovalsMatchAnArray)
{
    std::mt19937_64 rng(5);
    // Values that need ever more bits, with runs of small ones between.
    auto value = [&]() -> std::int64_t {
        switch (rng() % 8) {
        case 0: return static_cast<std::int64_t>(rng() % 3) - 1;
        case 1: return static_cast<std::int64_t>(rng() % 2000) - 1000;
        case 2: return static_cast<std::int64_t>(rng() % 100000);
        case 3: return -static_cast<std::int64_t>(rng() % (std::int64_t(1) << 40));
        case 4: return static_cast<std::int64_t>(rng() >> (rng() % 64));
        case 5: return rng() % 2 ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
        case 6: return (std::int64_t(1) << 55) - 1 - static_cast<std::int64_t>(rng() % 3);
        default: return static_cast<std::int64_t>(rng() % 256);
        }
    };
    for (int trial = 0; trial < 6; ++trial) {
        TKvPackedInts packed;
        std::vector<std::int64_t> plain;
        // Early trials stay small for longer, so narrow widths see inserts and removals too.
        const unsigned wide = 2 + static_cast<unsigned>(trial) * 40;
        for (int step = 0; step < 3000; ++step) {
            const unsigned op = static_cast<unsigned>(rng() % 10);
            const std::int64_t v = rng() % wide == 0 ? value() : static_cast<std::int64_t>(rng() % 5);
            if (op < 5 || plain.empty()) {
                const size_t at = rng() % (plain.size() + 1);
                packed.Insert(at, v);
                plain.insert(plain.begin() + static_cast<std::ptrdiff_t>(at), v);
            } else if (op < 7) {
                const size_t at = rng() % plain.size();
                packed.Set(at, v);
                plain[at] = v;
            } else if (op < 9) {
                const size_t at = rng() % plain.size();
                packed.Erase(at);
                plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(at));
            } else {
                std::vector<int> rows;
                for (int k = 0; k < 4; ++k)
                    rows.push_back(static_cast<int>(rng() % plain.size()));
                std::sort(rows.begin(), rows.end());
                rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
                packed.EraseRows(rows);
                for (auto it = rows.rbegin(); it != rows.rend(); ++it)
                    plain.erase(plain.begin() + *it);
            }
            ASSERT_EQ(packed.Size(), plain.size());
            for (size_t i = 0; i < plain.size(); ++i)
                ASSERT_EQ(packed.Get(i), plain[i]) << "trial " << trial << " step " << step << " at " << i;
        }
    }
}

namespace {

// Mostly values of the column's own kind, now and then another kind, Empty, Null, a null
// text, a huge whole number or many distinct texts.
Variant RandomValue(std::mt19937& rng, int field, bool mixed)
{
    const unsigned r = rng() % (mixed ? 40 : 1000);
    if (r == 0)
        return Variant();
    if (r == 1)
        return Variant::Null();
    if (r == 2)
        return Variant(QString());
    if (r == 3)
        return Variant(std::numeric_limits<std::int64_t>::max() - static_cast<int>(rng() % 3));
    if (r == 4)
        return Variant(QStringLiteral("x"));
    if (r == 5)
        return Variant(2.5);
    switch (field) {
    case 0: return Variant(static_cast<int>(rng() % 2000) - 1000);
    case 1: return Variant(static_cast<double>(rng() % 10000) / 8);
    case 2: return Variant(QStringLiteral("w%1").arg(rng() % (mixed ? 3000 : 50)));
    case 3: return Variant::DateTime(45000 + static_cast<double>(rng() % 1000) / 4);
    default: return Variant(rng() % 2 == 0);
    }
}

} // namespace

TEST(SimpleProviderColumns, RandomEditsMatchAPlainTable)
{
    for (const bool mixed : {false, true}) {
        std::mt19937 rng(mixed ? 77 : 7);
        auto data = MakeTable("I,F,S,D,B", "n,n,s,d,b", {});
        TDataRecorder recorder;
        data->AddListener(&recorder);
        std::vector<std::vector<Variant>> plain; // by row
        const int fields = 5;
        auto row = [&] {
            std::vector<Variant> values;
            for (int f = 0; f < fields; ++f)
                values.push_back(RandomValue(rng, f, mixed));
            return values;
        };
        for (int step = 0; step < 4000; ++step) {
            const unsigned op = rng() % 20;
            const int n = static_cast<int>(plain.size());
            recorder.Events.clear();
            if (op < 8 || n == 0) {
                const int at = op < 6 ? n : static_cast<int>(rng() % static_cast<unsigned>(n + 1));
                std::vector<Variant> values = row();
                // Short rows leave the remaining cells empty.
                if (rng() % 50 == 0)
                    values.resize(2);
                data->InsertRow(at, TKvGridDataRow(values.begin(), values.end()));
                values.resize(fields);
                plain.insert(plain.begin() + at, values);
                EXPECT_EQ(recorder.Events, QStringList{QStringLiteral("inserted %1").arg(at)});
            } else if (op < 13) {
                const int r = static_cast<int>(rng() % static_cast<unsigned>(n));
                const int f = static_cast<int>(rng() % fields);
                const Variant v = RandomValue(rng, f, mixed);
                const bool same = plain[size_t(r)][size_t(f)] == v;
                data->SetData(r, f, v);
                plain[size_t(r)][size_t(f)] = v;
                EXPECT_EQ(recorder.Events, same ? QStringList{} : QStringList{QStringLiteral("value %1,%2").arg(r).arg(f)});
            } else if (op < 15) {
                const int r = static_cast<int>(rng() % static_cast<unsigned>(n));
                const std::vector<Variant> values = row();
                data->UpdateRow(r, TKvGridDataRow(values.begin(), values.end()));
                plain[size_t(r)] = values;
            } else if (op < 18) {
                const int r = static_cast<int>(rng() % static_cast<unsigned>(n));
                data->RemoveRow(r);
                plain.erase(plain.begin() + r);
            } else if (op < 19) {
                TKvIntegerArray rows;
                for (int k = 0; k < 5; ++k)
                    rows.push_back(static_cast<int>(rng() % static_cast<unsigned>(n)));
                data->RemoveRows(rows);
                std::sort(rows.begin(), rows.end());
                rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
                for (auto it = rows.rbegin(); it != rows.rend(); ++it)
                    plain.erase(plain.begin() + *it);
            } else if (rng() % 10 == 0) {
                data->ClearRows();
                plain.clear();
            }
            ASSERT_EQ(data->GetRowCount(), static_cast<int>(plain.size()));
            // Every cell gives back what was stored, kind and value.
            for (size_t r = 0; r < plain.size(); ++r)
                for (int f = 0; f < fields; ++f)
                    ASSERT_EQ(data->GetData(static_cast<int>(r), f), plain[r][size_t(f)])
                        << "step " << step << " row " << r << " field " << f;
            for (int f = 0; f < fields; ++f)
                if (const Variant* cells = data->GetFieldValues(f)) {
                    for (size_t r = 0; r < plain.size(); ++r)
                        ASSERT_EQ(cells[r], plain[r][size_t(f)]);
                }
            if (step % 50 == 0 && !plain.empty()) {
                const int r = static_cast<int>(rng() % plain.size());
                EXPECT_EQ(data->GetRow(r), TKvGridDataRow(plain[size_t(r)].begin(), plain[size_t(r)].end()));
                // The whole-number column's running sum.
                __extension__ __int128 whole = 0;
                bool ints = true;
                for (const auto& values : plain) {
                    if (values[0].IsInteger())
                        whole += values[0].AsInt();
                    else if (!values[0].IsClear())
                        ints = false;
                }
                if (ints && whole >= std::numeric_limits<std::int64_t>::min() && whole <= std::numeric_limits<std::int64_t>::max()) {
                    EXPECT_EQ(data->GetSum(0), Variant(static_cast<std::int64_t>(whole))) << "step " << step;
                }
            }
        }
        data->RemoveListener(&recorder);
    }
}

TEST(SimpleProviderColumns, ColumnsInsertedAndRemovedBetweenRows)
{
    auto data = MakeTable("A,B", "n,s", {{1, "a"}, {2, "b"}});
    // A new column between filled rows starts empty and takes any value.
    data->InsertColumns(1, 1, "C", "n");
    EXPECT_EQ(data->GetData(0, 1), Variant());
    EXPECT_EQ(data->GetData(1, 2), Variant("b"));
    data->SetData(1, 1, Variant(7));
    EXPECT_EQ(data->GetData(1, 1), Variant(7));
    EXPECT_EQ(data->GetData(0, 1), Variant());
    data->RemoveColumns(0, 1);
    EXPECT_EQ(data->GetRow(1), (TKvGridDataRow{Variant(7), Variant("b")}));
    // An empty text and a null text stay what they were.
    data->InsertRow(2, {Variant(1), Variant(QString(""))});
    data->InsertRow(3, {Variant(1), Variant(QString())});
    EXPECT_FALSE(data->GetData(2, 1).AsString().isNull());
    EXPECT_TRUE(data->GetData(3, 1).AsString().isNull());
    // Cleared, a column starts over with the kind of its next value.
    data->ClearRows();
    data->InsertRow(0, {Variant(true), Variant::DateTime(45000.5)});
    EXPECT_EQ(data->GetData(0, 0), Variant(true));
    EXPECT_EQ(data->GetData(0, 1), Variant::DateTime(45000.5));
}

TEST(SimpleProviderColumns, TextsKeepATableUnlessMostAreDistinct)
{
    TKvValueColumn few, distinct;
    for (int i = 0; i < 70000; ++i) {
        few.Insert(static_cast<size_t>(i), Variant(QStringLiteral("t%1").arg(i * 7 % 5000)));
        distinct.Insert(static_cast<size_t>(i), Variant(QStringLiteral("t%1").arg(i)));
    }
    EXPECT_EQ(few.Mode(), TKvValueColumn::ModeTexts);
    EXPECT_EQ(distinct.Mode(), TKvValueColumn::ModeVariants);
    for (int i = 0; i < 70000; i += 683) {
        EXPECT_EQ(few.Get(static_cast<size_t>(i)), Variant(QStringLiteral("t%1").arg(i * 7 % 5000)));
        EXPECT_EQ(distinct.Get(static_cast<size_t>(i)), Variant(QStringLiteral("t%1").arg(i)));
    }
    // Another kind in a typed column turns it to variants, keeping every cell.
    few.Set(5, Variant(12));
    EXPECT_EQ(few.Mode(), TKvValueColumn::ModeVariants);
    EXPECT_EQ(few.Get(5), Variant(12));
    EXPECT_EQ(few.Get(6), Variant(QStringLiteral("t%1").arg(42)));
}

namespace {

// A random cell of one kind: whole numbers of every width, doubles with NaN, infinities and
// -0, date-times, Booleans, texts (shared and own strings, prefixes, non-ASCII, empty).
Variant RandomCellOfKind(std::mt19937_64& rng, int kind)
{
    static const char16_t* const kWords[] = {u"apple", u"Apple", u"appl", u"", u"Äpfel", u"\U0001F600",
                                             u"\uFFFD", u"zebra", u"a b", u"a", u"e\u0301", u"\u00e9"};
    switch (kind) {
    case 0:
        switch (rng() % 5) {
        case 0: return Variant(static_cast<std::int64_t>(rng()));
        case 1: return Variant(rng() % 2 ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max());
        default: return Variant(static_cast<int>(rng() % 200) - 100);
        }
    case 1:
        switch (rng() % 8) {
        case 0: return Variant(std::numeric_limits<double>::quiet_NaN());
        case 1: return Variant(rng() % 2 ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity());
        case 2: return Variant(rng() % 2 ? -0.0 : 0.0);
        default: return Variant((static_cast<int>(rng() % 2000) - 1000) / 7.0);
        }
    case 2: return Variant::DateTime(45000 + static_cast<double>(rng() % 500) / 4);
    case 3: return Variant(rng() % 2 == 0);
    default: {
        QString word = QString::fromUtf16(kWords[rng() % (sizeof kWords / sizeof *kWords)]) +
                       (rng() % 3 ? QString() : QString::number(rng() % 30));
        if (word.isEmpty())
            return Variant(QStringLiteral("")); // empty, not null (a null text keeps variants)
        return Variant(rng() % 2 ? QString(word.constData(), word.size()) : word);
    }
    }
}

int Sign(int c) { return (c > 0) - (c < 0); }

} // namespace

TEST(SimpleProviderColumns, OrderKeysAndGatheredCellsMatchTheVariantOrder)
{
    std::mt19937_64 rng(71);
    // Kinds 0..4 typed; 5: empty cells only; 6: a typed column that met another kind; 7: nulls among numbers.
    for (int kind = 0; kind < 8; ++kind) {
        for (const int count : {1, 7, 2000}) {
            TKvValueColumn column;
            std::vector<Variant> plain;
            bool anyNull = false;
            for (int i = 0; i < count; ++i) {
                Variant v = kind == 5   ? Variant()
                            : kind == 6 ? RandomCellOfKind(rng, i == count / 2 ? 4 : 0)
                            : kind == 7 ? (rng() % 5 == 0 ? Variant::Null() : RandomCellOfKind(rng, 0))
                                        : RandomCellOfKind(rng, kind);
                anyNull = anyNull || v.IsNull();
                column.Insert(plain.size(), v);
                plain.push_back(v);
            }
            const bool typed = kind <= 5 || (kind == 6 && count == 1) || (kind == 7 && !anyNull);
            EXPECT_EQ(column.Mode() != TKvValueColumn::ModeVariants, typed) << kind;
            // Rows in a random order, some twice, and a range of them.
            std::vector<int> rows;
            for (int i = 0; i < count; ++i)
                rows.push_back(static_cast<int>(rng() % static_cast<unsigned>(count)));
            for (const std::span<const int> part : {std::span<const int>(rows), std::span<const int>(rows).first(rows.size() / 2)}) {
                std::vector<Variant> cells(part.size());
                column.Gather(part, cells.data());
                for (size_t i = 0; i < part.size(); ++i) {
                    ASSERT_EQ(cells[i].Kind(), plain[size_t(part[i])].Kind());
                    ASSERT_EQ(VarCompareTotal(cells[i], plain[size_t(part[i])]), 0);
                }
                std::vector<std::uint64_t> keys(part.size());
                std::uint64_t max = 0;
                const bool keyed = column.OrderKeys(part, keys.data(), max);
                ASSERT_EQ(keyed, typed) << "kind " << kind;
                if (!keyed)
                    continue;
                for (size_t i = 0; i < part.size(); ++i) {
                    ASSERT_LE(keys[i], max);
                    for (size_t j = i; j < std::min(part.size(), i + 40); ++j) {
                        const int want = Sign(VarCompareTotal(plain[size_t(part[i])], plain[size_t(part[j])]));
                        const int got = keys[i] < keys[j] ? -1 : keys[i] > keys[j] ? 1 : 0;
                        ASSERT_EQ(got, want) << "kind " << kind << " rows " << part[i] << ", " << part[j];
                    }
                }
            }
        }
    }
}

TEST(SimpleProviderColumns, SumsOfTypedColumnsMatchTheSameCellsAsVariants)
{
    std::mt19937_64 rng(73);
    // Whole numbers (some near the limits, so sums overflow into doubles), doubles, empty cells,
    // small whole numbers.
    for (int kind = 0; kind < 4; ++kind) {
        auto typed = MakeTable("V", "n", {});
        auto variants = MakeTable("V", "n", {});
        const int count = 3000;
        for (int i = 0; i < count; ++i) {
            Variant v = kind == 0   ? (rng() % 50 == 0 ? Variant(std::numeric_limits<std::int64_t>::max() - 3)
                                                       : Variant(static_cast<int>(rng() % 1000) - 500))
                        : kind == 1 ? Variant((static_cast<int>(rng() % 2000) - 1000) / 3.0)
                        : kind == 2 ? Variant()
                                    : Variant(static_cast<int>(rng() % 1000) - 500);
            typed->InsertRow(i, {v});
            variants->InsertRow(i, {v});
        }
        // A null row past the summed ones keeps the second table in variants.
        variants->InsertRow(count, {Variant::Null()});
        // The column sums, first read after every row was appended.
        const Variant typedSum = typed->GetSum(0), variantSum = variants->GetSum(0);
        ASSERT_EQ(typedSum.Kind(), variantSum.Kind()) << "kind " << kind;
        ASSERT_EQ(VarCompareTotal(typedSum, variantSum), 0) << "kind " << kind;
        for (int trial = 0; trial < 4; ++trial) {
            std::vector<int> rows, ends;
            for (int row = 0; row < count; ++row) {
                if (rng() % 3 == 0)
                    rows.push_back(row);
                if (rng() % 97 == 0)
                    ends.push_back(static_cast<int>(rows.size()));
            }
            ends.push_back(static_cast<int>(rows.size()));
            // As groups hand them: each list ascending, the lists interleaved over the table.
            std::vector<int> lists;
            std::vector<int> listEnds;
            for (int k = 0; k < 5; ++k) {
                for (size_t i = static_cast<size_t>(k); i < rows.size(); i += 5)
                    lists.push_back(rows[i]);
                listEnds.push_back(static_cast<int>(lists.size()));
            }
            for (const auto& [list, listEnd] : {std::pair(rows, ends), std::pair(lists, listEnds)}) {
                std::vector<Variant> a(listEnd.size()), b(listEnd.size());
                typed->GetRangeSums(0, list, listEnd, a.data());
                variants->GetRangeSums(0, list, listEnd, b.data());
                for (size_t k = 0; k < listEnd.size(); ++k) {
                    ASSERT_EQ(a[k].Kind(), b[k].Kind()) << "kind " << kind << " list " << k;
                    ASSERT_EQ(VarCompareTotal(a[k], b[k]), 0) << "kind " << kind << " list " << k;
                }
            }
            const Variant a = typed->GetRangeSum(0, rows), b = variants->GetRangeSum(0, rows);
            ASSERT_EQ(a.Kind(), b.Kind()) << "kind " << kind;
            ASSERT_EQ(VarCompareTotal(a, b), 0) << "kind " << kind;
        }
        EXPECT_THROW(typed->GetRangeSum(0, std::vector<int>{0, count}), EArgumentOutOfRangeException);
    }
}

// A text's number follows its characters, not the string that carries them: strings sharing
// characters, own copies, a raw string over the first characters of another, case, empty and
// null texts, edits of a cell whose text other cells share, and enough texts to grow the table.
TEST(SimpleProviderColumns, TextNumbersFollowTheCharacters)
{
    const QString word = QStringLiteral("apple pie %1").arg(7);
    const QString own(word.constData(), word.size());
    const QString prefix = QString::fromRawData(word.constData(), 5); // "apple", word's characters
    const QString whole = QString::fromRawData(word.constData(), word.size());
    const QString upper = QStringLiteral("Apple pie 7");
    const std::vector<QString> texts = {word, own, prefix, whole, upper, QStringLiteral(""), word, prefix, QStringLiteral("apple")};
    TKvValueColumn column;
    std::vector<QString> plain;
    for (const QString& text : texts) {
        column.Insert(plain.size(), Variant(text));
        plain.push_back(text);
    }
    // Many more texts, each twice, some as raw strings over the characters of others.
    std::vector<QString> many;
    for (int i = 0; i < 3000; ++i)
        many.push_back(QStringLiteral("text %1 of many").arg(i));
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < many.size(); ++i) {
            const QString text = round == 0 ? many[i] : QString::fromRawData(many[i].constData(), many[i].size() - (i % 3 == 0 ? 8 : 0));
            column.Insert(plain.size(), Variant(text));
            plain.emplace_back(text.constData(), text.size());
        }
    ASSERT_EQ(column.Mode(), TKvValueColumn::ModeTexts);
    // Edits: a cell whose text others share takes another text, then a known one again.
    column.Set(0, Variant(QStringLiteral("cake")));
    plain[0] = QStringLiteral("cake");
    column.Set(6, Variant(prefix));
    plain[6] = prefix;
    column.Set(1, Variant(QString(upper.constData(), upper.size())));
    plain[1] = upper;

    auto check = [&](const char* when) {
        std::vector<int> rows(plain.size());
        std::iota(rows.begin(), rows.end(), 0);
        std::vector<std::uint64_t> keys(rows.size());
        std::uint64_t max = 0;
        ASSERT_TRUE(column.OrderKeys(rows, keys.data(), max)) << when;
        for (size_t i = 0; i < plain.size(); ++i) {
            const Variant cell = column.Get(i);
            ASSERT_TRUE(cell.IsString()) << when << " row " << i;
            ASSERT_EQ(cell.StringUnchecked(), plain[i]) << when << " row " << i;
            ASSERT_FALSE(cell.StringUnchecked().isNull()) << when << " row " << i;
        }
        // Equal keys exactly where the texts are equal (a sample of pairs, every early row).
        for (size_t i = 0; i < plain.size(); ++i)
            for (size_t j = i + 1; j < plain.size(); j += i < 20 ? 1 : 997)
                ASSERT_EQ(keys[i] == keys[j], plain[i] == plain[j]) << when << " rows " << i << ", " << j;
    };
    check("filled");
    // Rows removed, the texts left keep their numbers; a known text appended finds its own.
    for (size_t i = plain.size(); i-- > 0;)
        if (i % 2) {
            column.Erase(i);
            plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(i));
        }
    column.Insert(plain.size(), Variant(prefix));
    plain.push_back(prefix);
    check("after removals");

    // Small tables: a text and raw strings over its first characters, each its own text.
    for (int w = 0; w < 200; ++w) {
        const QString text = QStringLiteral("word %1 again").arg(w);
        TKvValueColumn words;
        std::vector<QString> want;
        for (qsizetype length = text.size(); length > 0; --length)
            for (const QString& cell : {text, QString::fromRawData(text.constData(), length)}) {
                words.Insert(want.size(), Variant(cell));
                want.emplace_back(cell.constData(), cell.size());
            }
        for (size_t i = 0; i < want.size(); ++i)
            ASSERT_EQ(words.Get(i).StringUnchecked(), want[i]) << "word " << w << " row " << i;
    }

    // A null text among texts turns the column to variants and stays apart from the empty one.
    TKvValueColumn small;
    small.Insert(0, Variant(QStringLiteral("")));
    small.Insert(1, Variant(QStringLiteral("a")));
    small.Insert(1, Variant(QString()));
    EXPECT_EQ(small.Mode(), TKvValueColumn::ModeVariants);
    EXPECT_FALSE(small.Get(0).StringUnchecked().isNull());
    EXPECT_TRUE(small.Get(0).StringUnchecked().isEmpty());
    EXPECT_TRUE(small.Get(1).StringUnchecked().isNull());
    EXPECT_EQ(small.Get(2), Variant(QStringLiteral("a")));
}

// Numbers below 2^53 of every exponent (subnormals too), added and removed, total in fixed
// point exactly what the exact sum gives them added one by one; handing the total over midway
// and going on changes nothing.
TEST(ExactSums, FixedPointTotalsMatchTheExactSum)
{
    std::mt19937_64 rng(13);
    auto number = [&]() {
        const std::uint64_t exponent = rng() % 1076; // biased: 0 (subnormals) to 2^52 .. 2^53
        const std::uint64_t bits = (rng() % 2) << 63 | exponent << 52 | (rng() & ((std::uint64_t(1) << 52) - 1));
        return std::bit_cast<double>(bits);
    };
    for (int run = 0; run < 200; ++run) {
        TKvExactSum direct, handed;
        TKvChunkSum chunks;
        std::vector<double> added;
        const int count = 1 + static_cast<int>(rng() % 300);
        // Some runs keep to a narrow range of exponents, so that carries and cancellations meet.
        const bool narrow = run % 3 == 0;
        for (int i = 0; i < count; ++i) {
            double v = narrow ? std::ldexp(static_cast<double>(rng() % 2000) - 1000.5, -static_cast<int>(rng() % 4)) : number();
            if (!added.empty() && rng() % 4 == 0) { // remove an earlier number
                const size_t k = rng() % added.size();
                v = added[k];
                added.erase(added.begin() + static_cast<std::ptrdiff_t>(k));
                direct.Add(-v);
                chunks.Add(v, -1);
            } else {
                added.push_back(v);
                direct.Add(v);
                chunks.Add(v, 1);
            }
            if (rng() % 50 == 0) {
                chunks.MoveTo(handed);
                EXPECT_FALSE(chunks.Used());
            }
        }
        chunks.MoveTo(handed);
        ASSERT_FALSE(direct.Overflowed());
        ASSERT_EQ(std::bit_cast<std::uint64_t>(handed.Value()), std::bit_cast<std::uint64_t>(direct.Value()))
            << "run " << run << ": " << handed.Value() << " against " << direct.Value();
    }
    // The smallest numbers and the largest, and a total that cancels to nothing.
    TKvChunkSum chunks;
    const double tiny = std::numeric_limits<double>::denorm_min();
    const double big = std::nextafter(0x1p53, 0);
    chunks.Add(tiny, 1);
    chunks.Add(tiny, 1);
    chunks.Add(big, 1);
    chunks.Add(big, -1);
    TKvExactSum sum;
    chunks.MoveTo(sum);
    EXPECT_EQ(sum.Value(), 2 * tiny);
    chunks.Add(big, 1);
    chunks.Add(0.5, -1);
    chunks.Add(-big, 1);
    chunks.Add(-0.5, -1);
    TKvExactSum zero;
    chunks.MoveTo(zero);
    EXPECT_EQ(zero.Value(), 0.0);
}
