#include "TestSupport.h"
#include "platform/rtl/TextEncoding.h"

using namespace kv;

TEST(TextEncoding, StrictBothWaysWithClearErrors)
{
    const QByteArray korean = QStringLiteral("가나 abc").toUtf8();
    const QByteArray utf16 = TEncoding::FromUtf8(korean, QStringLiteral("UTF-16BE"));
    EXPECT_EQ(utf16.size(), 12);
    EXPECT_EQ(TEncoding::ToUtf8(utf16, QStringLiteral("UTF-16BE")), korean);
    KV_EXPECT_THROW_MSG(TEncoding::ToUtf8(utf16.left(5), QStringLiteral("UTF-16BE")), EEncodingError,
                        "Incomplete byte sequence for encoding UTF-16BE at byte 4");
    KV_EXPECT_THROW_MSG(TEncoding::ToUtf8(QByteArray("a\xFF"), QStringLiteral("CP949")), EEncodingError,
                        "Invalid byte sequence for encoding CP949 at byte 1");
    KV_EXPECT_THROW_MSG(TEncoding::FromUtf8(korean, QStringLiteral("NO-SUCH-SET")), EEncodingError,
                        "Unknown text encoding: NO-SUCH-SET");
    KV_EXPECT_THROW_MSG(TEncoding::FromUtf8(QStringLiteral("x€").toUtf8(), QStringLiteral("ISO-8859-1")), EEncodingError,
                        "Character U+20AC cannot be written in encoding ISO-8859-1");
    EXPECT_EQ(TEncoding::FindInvalidUtf8(QByteArray("ab\xE0\x80")), 2);
    EXPECT_EQ(TEncoding::FindInvalidUtf8(korean), -1);

    // The system code page is a setting; empty goes back to the locale's character set.
    TEncoding::SetSystemCodePage(QStringLiteral("CP949"));
    EXPECT_EQ(TEncoding::SystemCodePage(), QStringLiteral("CP949"));
    TEncoding::SetSystemCodePage(QString());
    EXPECT_FALSE(TEncoding::SystemCodePage().isEmpty());
    EXPECT_NE(TEncoding::SystemCodePage(), QStringLiteral("CP949"));
}

TEST(TextEncoding, DecodedUtf8KeepsALeadingByteOrderMark)
{
    const QChar mark(0xFEFF);
    EXPECT_EQ(TEncoding::DecodeUtf8("\xEF\xBB\xBF" "bom"), QString(mark) + QStringLiteral("bom"));
    EXPECT_EQ(TEncoding::DecodeUtf8("\xEF\xBB\xBF\xEF\xBB\xBFx"), QString(mark) + mark + QStringLiteral("x"));
    EXPECT_EQ(TEncoding::DecodeUtf8("plain \xEF\xBB\xBF"), QStringLiteral("plain ") + mark);
    EXPECT_EQ(TEncoding::DecodeUtf8("bad \xC0"), QStringLiteral("bad ") + QChar(0xFFFD));
}
