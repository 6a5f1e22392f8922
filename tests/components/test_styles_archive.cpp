#include "components/KvGrids.Styles.Archive.h"

#include "../grid/GridTestSupport.h"
#include "TestSupport.h"

#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <nlohmann/json.hpp>

using namespace kv;
using namespace kvtest;
using json = nlohmann::json;

namespace {

// The ten archived style sets of a grid, by their place in the file.
std::vector<std::pair<QString, TKvGridStyleBag*>> ArchivedSets(TKvGridView* g)
{
    return {{"grid", g->GetStyles()},
            {"panel", g->GetPanel()->GetStyles()},
            {"body", g->GetBody()->GetStyles()},
            {"empty", g->GetBody()->GetEmptyStyles()},
            {"header", g->GetHeader()->GetStyles()},
            {"header.group", g->GetHeader()->GetGroupStyles()},
            {"footer", g->GetFooter()->GetStyles()},
            {"rowGroup.header", g->GetRowGroup()->GetHeaderStyles()},
            {"rowGroup.footer", g->GetRowGroup()->GetFooterStyles()},
            {"indicator", g->GetIndicator()->GetStyles()},
            {"checkBar", g->GetCheckBar()->GetStyles()},
            {"statesBar", g->GetStatesBar()->GetStyles()}};
}

// Every own value of a style set as "Name=text".
QStringList OwnValues(TKvGridStyleBag* bag)
{
    QStringList values;
    TKvGridStylesAgent agent(bag);
    for (const QString& name : TKvGridStyleBag::GetNames())
        if (agent.HasValue(name))
            values << name + QLatin1Char('=') + agent.GetValue(name);
    return values;
}

// Every own value of every archived set, and of a few sets outside the archive.
QStringList Snapshot(TKvGridView* g)
{
    QStringList all;
    for (const auto& [name, bag] : ArchivedSets(g))
        all << name + QLatin1Char(':') + OwnValues(bag).join(QLatin1Char(';'));
    all << QStringLiteral("indicator.head:") + OwnValues(g->GetIndicator()->GetHeadStyles()).join(QLatin1Char(';'));
    return all;
}

struct TArchiveGrids
{
    TOwned<TKvGridViewImpl> Source = MakeOwned<TKvGridViewImpl>(nullptr);
    TOwned<TKvGridViewImpl> Target = MakeOwned<TKvGridViewImpl>(nullptr);
    TKvGridStylesJsonArchive Archive;

    // Distinct values in every archived set of the source.
    void FillSource()
    {
        int i = 0;
        for (const auto& [name, bag] : ArchivedSets(Source.get())) {
            ++i;
            bag->SetPaddingLeft(i);
            bag->SetTextAlignment(i % 2 ? AlignFar : AlignCenter);
            bag->SetBackground(bag->CreateFill(QStringLiteral("#ff10%1%1").arg(10 + i)));
            bag->SetNumberFormat(QStringLiteral("#,##0.%1").arg(QString(i, QLatin1Char('0'))));
        }
        TKvGridViewStyles* body = Source->GetBody()->GetStyles();
        body->SetBorderLeft(body->CreateStroke(QStringLiteral("#ff336699,2")));
        body->SetFont(body->CreateFont(QStringLiteral("DejaVu Sans,11,bold,italic")));
        body->SetForeground(body->CreateFill(QStringLiteral("linear,#ff000000,#ffffffff,45")));
        body->SetPrefix(QStringLiteral("합계 😀 ≈ "));
        body->SetContentFit(FitBoth);
    }
};

} // namespace

TEST(StylesArchive, EmptyGridSavesTenSections)
{
    TArchiveGrids g;
    for (const auto& [name, bag] : ArchivedSets(g.Source.get()))
        bag->ClearValues();
    const QString text = g.Archive.SaveGrid(g.Source.get());
    const json root = json::parse(text.toStdString());
    ASSERT_TRUE(root.is_object());
    EXPECT_EQ(root.size(), 10u);
    for (const char* name : {"grid", "panel", "body", "empty", "footer", "indicator", "checkBar", "statesBar"})
        EXPECT_EQ(root.at(name), json::object()) << name;
    EXPECT_EQ(root.at("header"), json({{"group", json::object()}}));
    EXPECT_EQ(root.at("rowGroup"), json({{"header", json::object()}, {"footer", json::object()}}));
    // Indented text.
    EXPECT_TRUE(text.contains(QStringLiteral("\n  \"body\": {}")));
    EXPECT_EQ(json::parse(g.Archive.SaveStyles(g.Source->GetBody()->GetStyles()).toStdString()), json::object());
}

TEST(StylesArchive, RoundTripReproducesEveryArchivedValueAndNothingElse)
{
    TArchiveGrids g;
    g.FillSource();
    // The target holds values of its own: in an archived set under names the archive leaves
    // out, and in a set outside the archive.
    g.Target->GetBody()->GetStyles()->SetPaddingTop(7);
    g.Target->GetIndicator()->GetHeadStyles()->SetPaddingRight(9);
    g.Target->GetPanel()->GetStyles()->SetPaddingLeft(99);

    const QString text = g.Archive.SaveGrid(g.Source.get());
    // Every non-ASCII character is a \u escape; outside the BMP a surrogate pair.
    for (QChar c : text)
        ASSERT_LT(c.unicode(), 0x80) << "non-ASCII character in the archive";
    EXPECT_TRUE(text.contains(QStringLiteral("\\ud569\\uacc4 \\ud83d\\ude00 \\u2248 ")));

    g.Archive.LoadGrid(text, g.Target.get());
    const auto source = ArchivedSets(g.Source.get());
    const auto target = ArchivedSets(g.Target.get());
    for (size_t i = 0; i < source.size(); ++i) {
        QStringList expected = OwnValues(source[i].second);
        if (source[i].first == QLatin1String("body"))
            expected << QStringLiteral("PaddingTop=7");
        expected.sort();
        QStringList got = OwnValues(target[i].second);
        got.sort();
        EXPECT_EQ(got, expected) << source[i].first.toStdString();
    }
    EXPECT_EQ(g.Target->GetBody()->GetStyles()->GetPrefix(), QStringLiteral("합계 😀 ≈ "));
    EXPECT_EQ(g.Target->GetBody()->GetStyles()->GetContentFit(), FitBoth);
    EXPECT_EQ(OwnValues(g.Target->GetIndicator()->GetHeadStyles()), QStringList{QStringLiteral("PaddingRight=9")});

    // Through files: UTF-8 without a byte-order mark, and back.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("styles.vts"));
    g.Archive.SaveGridToFile(g.Source.get(), path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(bytes, text.toUtf8());
    TOwned<TKvGridViewImpl> third = MakeOwned<TKvGridViewImpl>(nullptr);
    g.Archive.LoadGridFromFile(path, third.get());
    QStringList a = Snapshot(g.Source.get()), b = Snapshot(third.get());
    a.removeLast();
    b.removeLast();
    EXPECT_EQ(a, b);
}

TEST(StylesArchive, MissingSectionsAndByteOrderMarks)
{
    TArchiveGrids g;
    g.Target->GetHeader()->GetStyles()->SetPaddingLeft(3);
    g.Target->GetRowGroup()->GetFooterStyles()->SetPaddingLeft(4);
    const QStringList before = Snapshot(g.Target.get());
    // Only the body, a header without "group", a rowGroup without "footer", unknown members.
    const QString text = QStringLiteral("{\"body\": {\"PaddingLeft\": \"5\", \"NoSuchStyle\": [1]},\n"
                                        " \"header\": {}, \"rowGroup\": {\"header\": {\"Prefix\": \"x\"}}, \"extra\": 1}");
    g.Archive.LoadGrid(text, g.Target.get());
    QStringList after = Snapshot(g.Target.get());
    EXPECT_EQ(g.Target->GetBody()->GetStyles()->GetPaddingLeft(), 5);
    EXPECT_EQ(g.Target->GetRowGroup()->GetHeaderStyles()->GetPrefix(), QStringLiteral("x"));
    EXPECT_EQ(g.Target->GetHeader()->GetStyles()->GetPaddingLeft(), 3);
    EXPECT_EQ(g.Target->GetRowGroup()->GetFooterStyles()->GetPaddingLeft(), 4);
    int changed = 0;
    for (int i = 0; i < before.size(); ++i)
        changed += before[i] != after[i];
    EXPECT_EQ(changed, 2);

    // A byte-order mark in the text and in a file.
    g.Archive.LoadGrid(QChar(0xFEFF) + QStringLiteral("{\"body\": {\"PaddingLeft\": \"6\"}}"), g.Target.get());
    EXPECT_EQ(g.Target->GetBody()->GetStyles()->GetPaddingLeft(), 6);
    QTemporaryDir dir;
    const QString path = WriteTestFile(dir, QStringLiteral("bom.vts"), "\xEF\xBB\xBF{\"body\": {\"Prefix\": \"\\u00e9\xC3\xA9\"}}");
    EXPECT_TRUE(TKvGridViewStylesArchive::LoadFromFile(path).startsWith(QChar(0xFEFF)));
    g.Archive.LoadGridFromFile(path, g.Target.get());
    EXPECT_EQ(g.Target->GetBody()->GetStyles()->GetPrefix(), QStringLiteral("éé"));
}

TEST(StylesArchive, BadTextsAndValuesChangeNothing)
{
    TArchiveGrids g;
    g.Target->GetBody()->GetStyles()->SetPaddingLeft(1);
    g.Target->GetPanel()->GetStyles()->SetPrefix(QStringLiteral("keep"));
    const QStringList before = Snapshot(g.Target.get());
    auto load = [&](const QString& text) { g.Archive.LoadGrid(text, g.Target.get()); };

    // Text that does not parse: line and column of the fault.
    KV_EXPECT_THROW_MSG(load(QStringLiteral("{\n  \"body\": {\n    \"PaddingLeft\": ,\n  }\n}")), EConvertError,
                        "Style archive text does not parse at line 3, column 20: syntax error while parsing value - "
                        "unexpected ','; expected '[', '{', or a literal");
    EXPECT_THROW(load(QString()), EConvertError);
    EXPECT_THROW(load(QStringLiteral("[1, 2]")), EConvertError);
    EXPECT_THROW(load(QStringLiteral("{\"body\": {\"Prefix\": \"한글\"")), EConvertError);
    // Sections and members of the wrong kind name themselves.
    KV_EXPECT_THROW_MSG(load(QStringLiteral("{\"body\": {\"PaddingLeft\": \"5\"}, \"panel\": {\"Prefix\": null}}")),
                        EConvertError,
                        "Style archive member \"Prefix\" of section \"panel\" is not a string, a number or a Boolean");
    EXPECT_THROW(load(QStringLiteral("{\"panel\": {\"Prefix\": [\"a\"]}}")), EConvertError);
    EXPECT_THROW(load(QStringLiteral("{\"panel\": {\"Prefix\": {}}}")), EConvertError);
    KV_EXPECT_THROW_MSG(load(QStringLiteral("{\"header\": {\"group\": 5}}")), EConvertError,
                        "Style archive section \"header.group\" is not an object");
    EXPECT_THROW(load(QStringLiteral("{\"rowGroup\": []}")), EConvertError);
    // A value its property refuses: nothing before or after it is applied.
    try {
        load(QStringLiteral("{\"body\": {\"PaddingLeft\": \"5\"}, \"panel\": {\"Background\": \"linear,#zz\"}, "
                            "\"statesBar\": {\"PaddingLeft\": \"8\"}}"));
        ADD_FAILURE() << "a refused value loaded";
    } catch (const EConvertError& e) {
        EXPECT_TRUE(e.Message().startsWith(
            QStringLiteral("Style archive value \"linear,#zz\" of member \"Background\" in section \"panel\" is refused: ")))
            << e.Message().toStdString();
    }
    EXPECT_EQ(Snapshot(g.Target.get()), before);

    // Numbers and Booleans read as their text.
    load(QStringLiteral("{\"body\": {\"PaddingLeft\": 12, \"Prefix\": true, \"Postfix\": 1.5}}"));
    EXPECT_EQ(g.Target->GetBody()->GetStyles()->GetPaddingLeft(), 12);
    EXPECT_EQ(g.Target->GetBody()->GetStyles()->GetPrefix(), QStringLiteral("true"));
    EXPECT_EQ(g.Target->GetBody()->GetStyles()->GetPostfix(), QStringLiteral("1.5"));

    // Files that cannot be read.
    QTemporaryDir dir;
    EXPECT_THROW(g.Archive.LoadGridFromFile(dir.filePath(QStringLiteral("missing.vts")), g.Target.get()), EInOutError);
    const QString latin1 = WriteTestFile(dir, QStringLiteral("latin1.vts"), "{\"body\": {\"Prefix\": \"\xE9\"}}");
    EXPECT_THROW(g.Archive.LoadGridFromFile(latin1, g.Target.get()), EConvertError);
    EXPECT_THROW(g.Archive.SaveGridToFile(g.Target.get(), dir.filePath(QStringLiteral("no/such/dir.vts"))), EInOutError);
}

namespace {

// Counts what a style set tells its listeners.
class TStyleCounter : public TKvGridViewStyleChangeListener
{
public:
    int Count = 0;
    void StyleChanged(TKvGridStyleBag*, TKvGridViewStyleEntry) override { ++Count; }
};

} // namespace

TEST(StylesArchive, OneStyleSetSavesAndLoadsAsAnObject)
{
    TArchiveGrids g;
    g.FillSource();
    TKvGridViewStyles* source = g.Source->GetBody()->GetStyles();
    const QString text = g.Archive.SaveStyles(source);
    ASSERT_FALSE(text.isEmpty());
    for (QChar c : text)
        ASSERT_LT(c.unicode(), 0x80) << "non-ASCII character in the archive";
    const json object = json::parse(text.toStdString());
    ASSERT_TRUE(object.is_object());
    EXPECT_EQ(object.size(), size_t(OwnValues(source).size()));
    EXPECT_EQ(object.at("PaddingLeft"), json(source->GetValue(QStringLiteral("PaddingLeft")).toStdString()));
    EXPECT_EQ(object.at("BorderLeft"), json("#ff336699,2"));
    EXPECT_TRUE(text.contains(QStringLiteral("\n  \"BorderLeft\": ")));

    // Into a set of another grid: the saved values, and its own others kept.
    TKvGridViewStyles* target = g.Target->GetFooter()->GetStyles();
    target->SetPaddingBottom(6);
    TStyleCounter counter;
    target->AddListener(&counter);
    counter.Count = 0;
    g.Archive.LoadStyles(text, target);
    EXPECT_EQ(counter.Count, 1);
    QStringList expected = OwnValues(source);
    expected << QStringLiteral("PaddingBottom=6");
    expected.sort();
    QStringList got = OwnValues(target);
    got.sort();
    EXPECT_EQ(got, expected);
    EXPECT_EQ(target->GetPrefix(), QStringLiteral("합계 😀 ≈ "));

    // All or nothing: a refused value anywhere keeps every value as it was.
    const QStringList before = OwnValues(target);
    counter.Count = 0;
    try {
        g.Archive.LoadStyles(QStringLiteral("{\"Prefix\": \"new\", \"Background\": \"linear,#zz\", \"PaddingTop\": \"4\"}"),
                             target);
        ADD_FAILURE() << "a refused value loaded";
    } catch (const EConvertError& e) {
        EXPECT_TRUE(e.Message().startsWith(
            QStringLiteral("Style archive value \"linear,#zz\" of member \"Background\" is refused: ")))
            << e.Message().toStdString();
    }
    KV_EXPECT_THROW_MSG(g.Archive.LoadStyles(QStringLiteral("{\"Prefix\": [\"new\"]}"), target), EConvertError,
                        "Style archive member \"Prefix\" is not a string, a number or a Boolean");
    EXPECT_THROW(g.Archive.LoadStyles(QStringLiteral("[\"Prefix\"]"), target), EConvertError);
    EXPECT_THROW(g.Archive.LoadStyles(QStringLiteral("{\"Prefix\": \"new\""), target), EConvertError);
    EXPECT_EQ(OwnValues(target), before);
    EXPECT_EQ(counter.Count, 0);
    target->RemoveListener(&counter);

    // A set without values is an empty object, and loads as nothing.
    source->ClearValues();
    EXPECT_EQ(json::parse(g.Archive.SaveStyles(source).toStdString()), json::object());
    g.Archive.LoadStyles(g.Archive.SaveStyles(source), target);
    EXPECT_EQ(OwnValues(target), before);
}

TEST(StylesArchive, IntegerStylesRefuseTextsThatAreNoIntegers)
{
    TArchiveGrids g;
    g.Target->GetBody()->GetStyles()->SetIconPadding(5);
    const QStringList before = Snapshot(g.Target.get());
    auto load = [&](const QString& text) { g.Archive.LoadGrid(text, g.Target.get()); };

    // The bag itself still reads such a text as 0.
    TKvGridStyleBag bag(nullptr, QStringLiteral("plain"));
    bag.SetValue(QStringLiteral("IconPadding"), QStringLiteral("abc"));
    EXPECT_EQ(bag.GetIconPadding(), 0);

    KV_EXPECT_THROW_MSG(load(QStringLiteral("{\"panel\": {\"Prefix\": \"p\"}, \"body\": {\"IconPadding\": \"abc\"}}")),
                        EConvertError,
                        "Style archive value \"abc\" of member \"IconPadding\" in section \"body\" is refused: "
                        "not an integer");
    KV_EXPECT_THROW_MSG(load(QStringLiteral("{\"rowGroup\": {\"footer\": {\"ButtonWidth\": 2.5}}}")), EConvertError,
                        "Style archive value \"2.5\" of member \"ButtonWidth\" in section \"rowGroup.footer\" is refused: "
                        "not an integer");
    for (const char* text : {"", " ", "1 2", "--1", "+-1", "0x", "$", "1e3", "12px", "99999999999", "2147483648",
                             "-2147483649", "true"}) {
        const QString archive = QStringLiteral("{\"grid\": {\"PaddingTop\": \"1\"}, \"body\": {\"IconPadding\": \"%1\"}}")
                                    .arg(QLatin1String(text));
        EXPECT_THROW(load(archive), EConvertError) << text;
    }
    EXPECT_THROW(load(QStringLiteral("{\"body\": {\"IconPadding\": 99999999999}}")), EConvertError);
    EXPECT_THROW(load(QStringLiteral("{\"body\": {\"IconPadding\": true}}")), EConvertError);
    EXPECT_EQ(Snapshot(g.Target.get()), before);
    KV_EXPECT_THROW_MSG(g.Archive.LoadStyles(QStringLiteral("{\"PaddingLeft\": \"x\"}"), g.Target->GetBody()->GetStyles()),
                        EConvertError, "Style archive value \"x\" of member \"PaddingLeft\" is refused: not an integer");
    EXPECT_EQ(Snapshot(g.Target.get()), before);

    // Every spelling of an integer the style set reads is taken, zero included.
    load(QStringLiteral("{\"body\": {\"IconPadding\": \"0\", \"PaddingLeft\": \"-7\", \"PaddingRight\": \"$1F\", "
                        "\"PaddingTop\": \"0x10\", \"PaddingBottom\": \"+3\", \"ButtonWidth\": 12, "
                        "\"IconIndex\": \"-2147483648\", \"IconOffset\": \"2147483647\"}}"));
    TKvGridViewStyles* body = g.Target->GetBody()->GetStyles();
    EXPECT_EQ(body->GetIconPadding(), 0);
    EXPECT_TRUE(body->HasValue(ICON_PADDING, false));
    EXPECT_EQ(body->GetPaddingLeft(), -7);
    EXPECT_EQ(body->GetPaddingRight(), 31);
    EXPECT_EQ(body->GetPaddingTop(), 16);
    EXPECT_EQ(body->GetPaddingBottom(), 3);
    EXPECT_EQ(body->GetButtonWidth(), 12);
    EXPECT_EQ(body->GetIconIndex(), std::numeric_limits<int>::min());
    EXPECT_EQ(body->GetIconOffset(), std::numeric_limits<int>::max());
}

TEST(StylesArchive, EveryParserFailureRaisesAnArchiveErrorAndChangesNothing)
{
    TArchiveGrids g;
    g.FillSource();
    g.Target->GetBody()->GetStyles()->SetPaddingLeft(1);
    const QStringList before = Snapshot(g.Target.get());
    auto load = [&](const QString& text) { g.Archive.LoadGrid(text, g.Target.get()); };

    // A number beyond the library's range, where the parser stopped: its last digit.
    KV_EXPECT_THROW_MSG(load(QStringLiteral("{\"body\":{\"PaddingLeft\":1e400}}")), EConvertError,
                        "Style archive text does not parse at line 1, column 28: number overflow parsing '1e400'");
    KV_EXPECT_THROW_MSG(load(QStringLiteral("{\n \"body\": {\"Prefix\": -1e999}}")), EConvertError,
                        "Style archive text does not parse at line 2, column 26: number overflow parsing '-1e999'");
    EXPECT_THROW(g.Archive.LoadStyles(QStringLiteral("{\"PaddingLeft\": 1E+400}"), g.Target->GetBody()->GetStyles()),
                 EConvertError);

    // Every cut of a whole archive.
    const QString whole = g.Archive.SaveGrid(g.Source.get());
    int cuts = 0;
    for (qsizetype n = 0; n < whole.size(); ++n) {
        if (whole.mid(n).trimmed().isEmpty())
            break;
        try {
            load(whole.left(n));
            ADD_FAILURE() << "the first " << n << " characters loaded";
        } catch (const EConvertError& e) {
            ++cuts;
            ASSERT_TRUE(e.Message().startsWith(QStringLiteral("Style archive text does not parse at line ")))
                << e.Message().toStdString();
        }
    }
    EXPECT_GT(cuts, 500);

    // Deep nesting, closed and open.
    const int depth = 100000;
    const QString deep = QString(depth, QLatin1Char('[')) + QString(depth, QLatin1Char(']'));
    KV_EXPECT_THROW_MSG(load(QStringLiteral("{\"body\": {\"Prefix\": %1}}").arg(deep)), EConvertError,
                        "Style archive member \"Prefix\" of section \"body\" is not a string, a number or a Boolean");
    EXPECT_THROW(load(QStringLiteral("{\"body\": {\"Prefix\": %1").arg(QString(depth, QLatin1Char('{')))), EConvertError);
    KV_EXPECT_THROW_MSG(load(QStringLiteral("{\"body\": %1}").arg(deep)), EConvertError,
                        "Style archive section \"body\" is not an object");
    EXPECT_THROW(load(deep), EConvertError);

    // Text that is not Unicode: escapes of lone surrogates, lone surrogates in the text, and
    // files that are not UTF-8.
    KV_EXPECT_THROW_MSG(load(QStringLiteral("{\"body\": {\"Prefix\": \"\\udc00\"}}")), EConvertError,
                        "Style archive text does not parse at line 1, column 27: syntax error while parsing value - "
                        "invalid string: surrogate U+DC00..U+DFFF must follow U+D800..U+DBFF; last read: '\"\\udc00'");
    EXPECT_THROW(load(QStringLiteral("{\"body\": {\"Prefix\": \"\\ud800x\"}}")), EConvertError);
    KV_EXPECT_THROW_MSG(load(QStringLiteral("{\"body\":\n {\"Prefix\": \"a") + QChar(0xD800) + QStringLiteral("b\"}}")),
                        EConvertError, "Style archive text is not Unicode at line 2, column 15: a lone surrogate");
    EXPECT_THROW(load(QStringLiteral("{\"body\": {\"Prefix\": \"") + QChar(0xDC00) + QStringLiteral("\"}}")), EConvertError);
    EXPECT_THROW(g.Archive.LoadStyles(QStringLiteral("{\"Prefix\": \"") + QChar(0xD83D) + QStringLiteral("\"}"),
                                      g.Target->GetBody()->GetStyles()),
                 EConvertError);
    QTemporaryDir dir;
    for (const QByteArray& bad : {QByteArray("\xED\xA0\x80"), QByteArray("\xC0\xAF"), QByteArray("\xF4\x90\x80\x80"),
                                  QByteArray("\xE2\x82")}) {
        const QString path = WriteTestFile(dir, QStringLiteral("bad.vts"), "{\"body\": {\"Prefix\": \"" + bad + "\"}}");
        EXPECT_THROW(g.Archive.LoadGridFromFile(path, g.Target.get()), EConvertError) << bad.toHex().toStdString();
    }
    EXPECT_EQ(Snapshot(g.Target.get()), before);
}

TEST(StylesArchive, AParseErrorAfterNonAsciiTextCountsItsColumnInCharacters)
{
    TArchiveGrids g;
    const QStringList before = Snapshot(g.Target.get());
    auto message = [&](const QString& text) {
        try {
            g.Archive.LoadGrid(text, g.Target.get());
        } catch (const EConvertError& e) {
            return e.Message();
        }
        return QStringLiteral("no error");
    };
    // Four Hangul syllables (three UTF-8 bytes each) before the stray comma on the same line.
    const QString one = QStringLiteral("{\"body\": {\"Prefix\": \"합계합계\", \"PaddingLeft\": ,}}");
    const int comma = int(one.indexOf(QStringLiteral(": ,"))) + 2;
    EXPECT_TRUE(message(one).startsWith(
        QStringLiteral("Style archive text does not parse at line 1, column %1: ").arg(comma + 1)))
        << message(one).toStdString();
    // On a later line the column counts from that line's start.
    const QString two = QStringLiteral("{\"body\": {\"Prefix\": \"합계\",\n \"Postfix\": \"≈≈\", \"PaddingLeft\": ]}}");
    const int bracket = int(two.indexOf(QLatin1Char(']')) - two.indexOf(QLatin1Char('\n')));
    EXPECT_TRUE(message(two).startsWith(
        QStringLiteral("Style archive text does not parse at line 2, column %1: ").arg(bracket)))
        << message(two).toStdString();
    EXPECT_EQ(Snapshot(g.Target.get()), before);
}
