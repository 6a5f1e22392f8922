#include "TestSupport.h"
#include "platform/xml/XmlDom.h"

using namespace kv;

TEST(XmlDom, ParseWalkSelectAndWrite)
{
    TXmlDocument doc;
    doc.LoadFromText(QStringLiteral("<a x=\"1\"><b>t&amp;1</b><b>t2</b><c><![CDATA[<raw>]]></c></a>"));
    const TXmlNode root = doc.Root();
    EXPECT_EQ(root.NodeName(), QStringLiteral("a"));
    EXPECT_EQ(root.Attribute(QStringLiteral("x")), QStringLiteral("1"));
    EXPECT_FALSE(root.HasAttribute(QStringLiteral("y")));
    EXPECT_EQ(root.ChildCount(), 3);
    EXPECT_EQ(root.Child(0).Text(), QStringLiteral("t&1"));
    EXPECT_EQ(root.Child(0).FirstChild().NodeName(), QStringLiteral("#text"));
    EXPECT_EQ(root.Child(QStringLiteral("c")).FirstChild().NodeValue(), QStringLiteral("<raw>"));
    EXPECT_TRUE(root.Child(5).IsNull());
    EXPECT_TRUE(root.Child(5).FirstChild().IsNull());
    EXPECT_EQ(doc.SelectNodes(QStringLiteral("/a/b")).size(), 2u);
    EXPECT_EQ(root.SelectNodes(QStringLiteral("b[2]")).at(0).Text(), QStringLiteral("t2"));
    EXPECT_THROW(doc.SelectNodes(QStringLiteral("/a/[")), EXmlError);

    // Bad text raises and leaves the document as it was.
    try {
        doc.LoadFromText(QStringLiteral("<a><b></a>"));
        ADD_FAILURE() << "no error";
    } catch (const EXmlError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("XML parse error at offset ")));
    }
    EXPECT_EQ(doc.Root().ChildCount(), 3);

    // Built documents write and read back.
    TXmlNode top = doc.CreateRoot(QStringLiteral("목록"));
    TXmlNode item = top.AddChild(QStringLiteral("item"));
    item.SetAttribute(QStringLiteral("id"), QStringLiteral("7"));
    item.SetText(QStringLiteral("값 <1>"));
    const auto back = TXmlDocument::Parse(doc.SaveToText());
    EXPECT_EQ(back->Root().NodeName(), QStringLiteral("목록"));
    EXPECT_EQ(back->Root().Child(0).Attribute(QStringLiteral("id")), QStringLiteral("7"));
    EXPECT_EQ(back->Root().Child(0).Text(), QStringLiteral("값 <1>"));
}
