// The remote provider's cells against plain references on random data: a response read by
// the provider beside the same bytes read by plain pugixml, and random writes, inserts,
// removals and a rollback beside a plain table of optional texts.
#include "components/KvGrids.Data.Tidemar.h"
#include "LoopbackServer.h"
#include "TestSupport.h"

#include <QtCore/QStringEncoder>
#include <optional>
#include <pugixml.hpp>
#include <random>

using namespace kv;
using namespace kvtest;

namespace {

using TCells = std::vector<std::vector<std::optional<QString>>>;

// A cell's XML: escapes, character references, non-ASCII (a surrogate pair too), CDATA,
// spaces only, empty forms, a comment, and a text before a child element.
QByteArray RandomCell(std::mt19937& rng)
{
    static const char* const pieces[] = {
        "plain", "&amp;", "&lt;tag&gt;", "&quot;q&quot;", "&apos;", "&#xAC00;&#44032;", "\xea\xb9\x80\xec\xb2\xa0\xec\x88\x98",
        "Caf\xc3\xa9", "\xf0\x9f\x98\x80", " ", "  lead", "trail  ", "x\ty", "1.5", "-42", "a\nb"};
    switch (rng() % 12) {
    case 0: return "<f/>";
    case 1: return "<f></f>";
    case 2: return "<f>   </f>";
    case 3: return "<f><![CDATA[a<b & c]]></f>";
    case 4: return "<f><!-- note -->after</f>";
    case 5: return "<f>head<x>inner</x>tail</f>";
    default: {
        QByteArray text;
        const int n = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < n; ++i)
            text += pieces[rng() % std::size(pieces)];
        return "<f>" + text + "</f>";
    }
    }
}

// Rows of up to Width + 1 cells (short rows lack the rest; a longer row's extra cell is no
// field), some laid out over lines.
QByteArray RandomResponse(std::mt19937& rng, int width, int rows)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tidemar.Response><results><result><columns>";
    for (int f = 0; f < width; ++f)
        xml += "<c name=\"F" + QByteArray::number(f) + (f % 2 ? "&amp;\xed\x95\x9c" : "") + "\"/>";
    xml += "</columns><values>\n";
    for (int r = 0; r < rows; ++r) {
        const bool lines = rng() % 4 == 0;
        xml += "<r>";
        const int cells = rng() % 5 == 0 ? static_cast<int>(rng() % static_cast<unsigned>(width + 2)) : width;
        for (int f = 0; f < cells; ++f)
            xml += (lines ? "\n  " : "") + RandomCell(rng);
        xml += lines ? "\n</r>\n" : "</r>";
    }
    return xml + "</values></result></results></Tidemar.Response>";
}

// The same bytes read by plain pugixml: every element child of values is a row, its first
// Width element children its cells, each cell its whole text (its XPath string value).
TCells PlainRead(const QByteArray& bytes, int width, QStringList& names)
{
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()),
                                pugi::parse_default | pugi::parse_ws_pcdata_single));
    const pugi::xml_node result = doc.document_element().child("results").child("result");
    names.clear();
    for (pugi::xml_node c = result.child("columns").first_child(); c; c = c.next_sibling())
        names << QString::fromUtf8(c.attribute("name").value());
    TCells cells;
    const pugi::xpath_query whole("string(.)");
    for (pugi::xml_node row = result.child("values").first_child(); row; row = row.next_sibling()) {
        if (row.type() != pugi::node_element)
            continue;
        std::vector<std::optional<QString>> out(static_cast<size_t>(width));
        size_t f = 0;
        for (pugi::xml_node cell = row.first_child(); cell && f < out.size(); cell = cell.next_sibling())
            if (cell.type() == pugi::node_element)
                out[f++] = QString::fromStdString(whole.evaluate_string(pugi::xpath_node(cell)));
        cells.push_back(std::move(out));
    }
    return cells;
}

// Every cell, GetData and GetRow alike, as the reference has it (Unassigned where missing).
void ExpectCells(const TKvTidemarDataProvider& p, const TCells& expected, const char* when)
{
    SCOPED_TRACE(when);
    ASSERT_EQ(p.GetRowCount(), static_cast<int>(expected.size()));
    for (int r = 0; r < p.GetRowCount(); ++r) {
        const TKvGridDataRow row = p.GetRow(r);
        ASSERT_EQ(row.size(), static_cast<size_t>(p.GetFieldCount()));
        for (int f = 0; f < p.GetFieldCount(); ++f) {
            const std::optional<QString>& cell = expected[static_cast<size_t>(r)][static_cast<size_t>(f)];
            const Variant want = cell ? Variant(*cell) : Variant();
            ASSERT_EQ(p.GetData(r, f), want) << "row " << r << " field " << f;
            ASSERT_EQ(p.GetData(r, f).IsEmpty(), !cell) << "row " << r << " field " << f;
            ASSERT_EQ(row[static_cast<size_t>(f)], want) << "row " << r << " field " << f;
        }
    }
    EXPECT_TRUE(p.GetData(-1, 0).IsEmpty());
    EXPECT_TRUE(p.GetData(p.GetRowCount(), 0).IsEmpty());
    EXPECT_TRUE(p.GetData(0, p.GetFieldCount()).IsEmpty());
}

struct TRemoteTable
{
    TLoopbackServer Server;
    TOwned<TKvTidemarDataProvider> P{MakeOwned<TKvTidemarDataProvider>(nullptr)};

    TRemoteTable()
    {
        P->SetHost(QStringLiteral("127.0.0.1"));
        P->SetPort(Server.Port());
        P->SetTimeout(5);
        P->GetEditOptions()->SetUpadtable(true);
    }
};

} // namespace

TEST(TidemarProvider, RandomResponsesReadAsPlainPugixmlReadsThem)
{
    TRemoteTable t;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const int width = 1 + static_cast<int>(rng() % 6);
        // The last is long enough for the table to size itself from its first rows.
        const QByteArray body = RandomResponse(rng, width, seed == 6 ? 900 : 40 + static_cast<int>(rng() % 60));
        QStringList names;
        const TCells expected = PlainRead(body, width, names);
        ASSERT_EQ(names.size(), width);

        t.Server.Reply(body);
        t.P->Request(QStringLiteral("svc"), {}, {});
        EXPECT_EQ(t.P->GetFieldNames(), names);
        EXPECT_EQ(t.P->GetFieldCount(), width);
        ExpectCells(*t.P, expected, "UTF-8");
        // An empty cell reads as an empty text, as pugixml's text gives it, not a null one.
        for (int r = 0; r < t.P->GetRowCount(); ++r) {
            for (int f = 0; f < width; ++f) {
                if (expected[size_t(r)][size_t(f)]) {
                    ASSERT_FALSE(t.P->GetData(r, f).AsString().isNull()) << "row " << r << " field " << f;
                }
            }
        }

        // The same document as UTF-16 with a byte-order mark and no character set named:
        // the parse converts it, and the texts come out the same.
        QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        t.Server.Reply(THttpReply{200, utf16.encode(QString::fromUtf8(body).replace(
                                           QLatin1String("encoding=\"UTF-8\""), QLatin1String("encoding=\"UTF-16\""))),
                                  "text/xml"});
        t.P->Request(QStringLiteral("svc"), {}, {});
        ExpectCells(*t.P, expected, "UTF-16");
    }
}

TEST(TidemarProvider, RandomWritesInsertsRemovalsAndRollbackMatchAPlainTable)
{
    TRemoteTable t;
    t.P->GetEditOptions()->SetInsertable(true);
    t.P->GetEditOptions()->SetDeletable(true);
    static const char* const values[] = {"", "x", "\xec\x84\x9c\xec\x9a\xb8", "a<b&c", "  ", "\xf0\x9f\x98\x80 ok"};
    for (unsigned seed = 11; seed <= 14; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const int width = 2 + static_cast<int>(rng() % 4);
        const QByteArray body = RandomResponse(rng, width, 30);
        QStringList names;
        const TCells loaded = PlainRead(body, width, names);
        t.Server.Reply(body);
        t.P->Request(QStringLiteral("svc"), {}, {});
        ExpectCells(*t.P, loaded, "loaded");

        // The reference: cells, which rows are new, and each changed old row's first values.
        TCells cells = loaded;
        std::vector<bool> created(cells.size(), false);
        std::vector<std::optional<TCells::value_type>> saved(cells.size());
        const auto remember = [&](size_t r) {
            if (!created[r] && !saved[r])
                saved[r] = cells[r];
        };
        const auto write = [&](size_t r, int f, const QString& text) {
            // A write beyond a short row's cells adds the ones between as empty.
            for (int g = 0; g < f; ++g)
                if (!cells[r][static_cast<size_t>(g)])
                    cells[r][static_cast<size_t>(g)] = QString();
            cells[r][static_cast<size_t>(f)] = text;
        };
        for (int step = 0; step < 120; ++step) {
            const QString text = QString::fromUtf8(values[rng() % std::size(values)]);
            const unsigned op = rng() % 10;
            if (op < 6 && !cells.empty()) {
                const size_t r = rng() % cells.size();
                const int f = static_cast<int>(rng() % static_cast<unsigned>(width));
                remember(r);
                write(r, f, text);
                t.P->SetData(static_cast<int>(r), f, text);
            } else if (op < 7 && !cells.empty()) {
                const size_t r = rng() % cells.size();
                TKvGridDataRow row;
                for (int f = 0; f < static_cast<int>(rng() % static_cast<unsigned>(width + 1)); ++f)
                    row.push_back(Variant(text + QString::number(f)));
                remember(r);
                for (size_t f = 0; f < row.size(); ++f)
                    write(r, static_cast<int>(f), row[f].ToString());
                t.P->UpdateRow(static_cast<int>(r), row);
            } else if (op < 9) {
                const size_t r = rng() % (cells.size() + 1);
                std::vector<std::optional<QString>> row(static_cast<size_t>(width), QString());
                TKvGridDataRow given;
                for (int f = 0; f < width - 1; ++f) {
                    given.push_back(Variant(text));
                    row[static_cast<size_t>(f)] = text;
                }
                cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(r), row);
                created.insert(created.begin() + static_cast<std::ptrdiff_t>(r), true);
                saved.insert(saved.begin() + static_cast<std::ptrdiff_t>(r), std::nullopt);
                t.P->InsertRow(static_cast<int>(r), given);
            } else {
                // A new row is dropped at once; an old one is only marked.
                const auto it = std::find(created.begin(), created.end(), true);
                if (it == created.end())
                    continue;
                const auto r = static_cast<size_t>(it - created.begin());
                cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(r));
                created.erase(it);
                saved.erase(saved.begin() + static_cast<std::ptrdiff_t>(r));
                t.P->RemoveRow(static_cast<int>(r));
            }
            if (step % 20 == 19)
                ExpectCells(*t.P, cells, "editing");
        }
        ExpectCells(*t.P, cells, "edited");

        // Rollback: new rows go, changed rows get their first values back (a cell the row
        // lacked comes back empty, as the first values are written).
        TCells restored;
        for (size_t r = 0; r < cells.size(); ++r) {
            if (created[r])
                continue;
            restored.push_back(cells[r]);
            if (saved[r])
                for (size_t f = 0; f < saved[r]->size(); ++f)
                    restored.back()[f] = (*saved[r])[f].value_or(QString());
        }
        t.P->Rollback();
        EXPECT_EQ(t.P->GetDirtyRowCount(), 0);
        ExpectCells(*t.P, restored, "rolled back");
    }
}
