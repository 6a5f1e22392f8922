// The remote service's message documents: texts read and replaced after a parse, whatever
// form the text had in the bytes.
#include "platform/net/XmlMessage.h"
#include "TestSupport.h"

using namespace kv;

TEST(XmlMessage, ParsedTextsReadAndReplace)
{
    TXmlMessage doc;
    ASSERT_TRUE(doc.Load(QByteArray("<a><b>old &amp; \xed\x95\x9c</b><c><![CDATA[x<y]]></c><d>head<e/>tail</d>"
                                    "<f>  </f><g/></a>"),
                         QStringLiteral("utf-8")));
    TXmlMessageNode b = doc.Root().Child("b");
    EXPECT_EQ(b.Text(), QStringLiteral("old & 한"));
    EXPECT_EQ(doc.Root().Child("c").Text(), QStringLiteral("x<y"));
    // The whole text, the child element's included.
    EXPECT_EQ(doc.Root().Child("d").Text(), QStringLiteral("headtail"));
    EXPECT_EQ(doc.Root().Child("f").Text(), QStringLiteral("  "));
    EXPECT_EQ(doc.Root().Child("g").Text(), QString());

    b.SetText(QStringLiteral("new"));
    EXPECT_EQ(b.Text(), QStringLiteral("new"));
    doc.Root().Child("c").SetText(QStringLiteral("z"));
    doc.Root().Child("d").SetText(QStringLiteral("one"));
    doc.Root().Child("f").SetText(QString());
    EXPECT_EQ(QString::fromUtf8(doc.ToUtf8()),
              QStringLiteral("<?xml version=\"1.0\"?><a><b>new</b><c>z</c><d>one<e/></d><f/><g/></a>"));
}
