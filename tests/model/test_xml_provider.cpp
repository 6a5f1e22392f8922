#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Data.Xml.h"

using namespace kv;
using namespace kvtest;

namespace {

const char* const kBooks = R"(<?xml version="1.0" encoding="UTF-8"?>
<library>
  <shelf name="a">
    <book><title>채식주의자</title><year>2007</year><price>12.5</price></book>
    <book><year>1999</year><title>Second</title><price/></book>
    <book><title>Short</title></book>
  </shelf>
  <shelf name="b">
    <book><title>Other</title><year>2020</year><price>3</price></book>
  </shelf>
</library>)";

} // namespace

TEST(XmlDomProvider, PathsPositionsAndShortRows)
{
    auto p = MakeOwned<TKvXmlDomDataProvider>(nullptr);
    auto doc = TXmlDocument::Parse(QString::fromUtf8(kBooks));
    TDataRecorder rec;
    p->AddListener(&rec);
    p->SetDocument(doc, QStringLiteral("/library/shelf[@name='a']/book"));
    EXPECT_EQ(rec.Events, QStringList({"reset"}));
    EXPECT_EQ(p->GetRowCount(), 3);
    EXPECT_EQ(p->GetFieldNames(), QStringList({"title", "year", "price"}));
    EXPECT_EQ(p->GetFieldIndex(QStringLiteral("YEAR")), 1);
    EXPECT_EQ(p->GetData(0, 0), Variant(QStringLiteral("채식주의자")));
    // Cells go by position, not by name.
    EXPECT_EQ(p->GetData(1, 0), Variant(QStringLiteral("1999")));
    // An empty element and a short row read as unassigned.
    EXPECT_TRUE(p->GetData(1, 2).IsEmpty());
    EXPECT_TRUE(p->GetData(2, 1).IsEmpty());
    KV_EXPECT_THROW_MSG(p->GetData(3, 0), EArgumentOutOfRangeException, "Row 3 is invalid index.");
    EXPECT_FALSE(p->CanUpdateRow(0));
    p->SetData(0, 0, QStringLiteral("x"));
    EXPECT_EQ(p->GetData(0, 0), Variant(QStringLiteral("채식주의자")));

    // Every shelf's books; a path that selects nothing gives no rows and no fields.
    p->SetDocument(doc, QStringLiteral("//book"));
    EXPECT_EQ(p->GetRowCount(), 4);
    EXPECT_EQ(p->GetData(3, 0), Variant(QStringLiteral("Other")));
    p->SetDocument(doc, QStringLiteral("/library/none"));
    EXPECT_EQ(p->GetRowCount(), 0);
    EXPECT_EQ(p->GetFieldCount(), 0);

    // A path that does not parse raises and keeps the rows; replacing the document tells the
    // listeners each time.
    p->SetDocument(doc, QStringLiteral("//shelf"));
    EXPECT_THROW(p->SetDocument(doc, QStringLiteral("//book[")), EXmlError);
    EXPECT_EQ(p->GetRowCount(), 2);
    auto other = TXmlDocument::Parse(QStringLiteral("<r><i><v>1</v></i><i><v>2</v></i></r>"));
    p->SetDocument(other, QStringLiteral("/r/i"));
    EXPECT_EQ(p->GetData(1, 0), Variant(QStringLiteral("2")));
    other->LoadFromText(QStringLiteral("<r/>")); // the selected nodes are gone
    EXPECT_THROW(p->GetData(0, 0), EXmlError);
    p->SetDocument(nullptr, QStringLiteral("/r/i"));
    EXPECT_EQ(p->GetRowCount(), 0);
    EXPECT_EQ(rec.Events.count(QStringLiteral("reset")), 6);
    p->RemoveListener(&rec);
}
