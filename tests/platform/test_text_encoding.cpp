#include "TestSupport.h"
#include "platform/rtl/TextEncoding.h"

#include <random>
#include <vector>

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

// Checked UTF-8 decodes as DecodeUtf8 decodes it: every kind of character at every offset
// around the word boundaries of the fast path, after ASCII runs of every length; text that
// is not valid never reads or writes past its ends.
TEST(TextEncoding, CheckedUtf8DecodesAsTheGeneralDecoder)
{
    const QStringList characters = {"a", QStringLiteral("é"), QStringLiteral("한"), QString::fromUtf8("\xF0\x9F\x98\x80"),
                                    QString(QChar(0xFEFF)), QStringLiteral("\"")};
    // In a buffer of exactly its size, so that the sanitizer sees a read past it.
    const auto exact = [](const QByteArray& bytes) { return std::vector<char>(bytes.begin(), bytes.end()); };
    const auto same = [&](const QByteArray& bytes) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        const std::vector<char> buffer = exact(bytes);
        const QByteArrayView view = bytes.isNull() ? QByteArrayView() : QByteArrayView(buffer.data(), bytes.size());
        const QString general = TEncoding::DecodeUtf8(view);
        const QString checked = TEncoding::DecodeValidUtf8(view);
        EXPECT_EQ(checked, general);
        EXPECT_EQ(checked.isNull(), general.isNull());
        return checked;
    };
    for (int run = 0; run <= 20; ++run) {
        for (const QString& c : characters) {
            for (const QString& after : characters) {
                // A run, the character, and the same again behind it.
                const QString text = QString(run, QLatin1Char('x')) + c + QString(run % 9, QLatin1Char('y')) + after;
                EXPECT_EQ(same(text.toUtf8()), text);
                EXPECT_EQ(same((c + QString(run, QLatin1Char('z'))).toUtf8()), c + QString(run, QLatin1Char('z')));
            }
        }
        const QString ascii(run, QLatin1Char('q'));
        EXPECT_EQ(same(ascii.toUtf8()), ascii);
    }
    same(QByteArray());
    same(QByteArray(""));

    std::mt19937 rng(11);
    for (int round = 0; round < 2000; ++round) {
        QString text;
        for (int k = std::uniform_int_distribution<int>(0, 24)(rng); k > 0; --k)
            text += characters[std::uniform_int_distribution<int>(0, static_cast<int>(characters.size()) - 1)(rng)];
        EXPECT_EQ(same(text.toUtf8()), text);
        // Cut anywhere, or a byte changed: no more units than bytes, and (under the sanitizer)
        // no access out of bounds.
        QByteArray bad = text.toUtf8();
        if (bad.isEmpty())
            continue;
        bad[std::uniform_int_distribution<qsizetype>(0, bad.size() - 1)(rng)] = static_cast<char>(rng());
        const std::vector<char> cut = exact(bad.left(std::uniform_int_distribution<qsizetype>(1, bad.size())(rng)));
        EXPECT_LE(TEncoding::DecodeValidUtf8(QByteArrayView(cut.data(), static_cast<qsizetype>(cut.size()))).size(),
                  static_cast<qsizetype>(cut.size()));
    }
}
