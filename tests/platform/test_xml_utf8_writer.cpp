#include "TestSupport.h"
#include "platform/xml/XmlUtf8Writer.h"
#include "XmlTextWriter.h"

#include <QtCore/QBuffer>
#include <random>

using namespace kv;

namespace {

// Random UTF-16 text: mostly ASCII with markup, controls, Latin-1, Hangul, pairs, unpaired
// surrogates, U+FFFE/U+FFFF; now and then long enough to cross the writer's buffer.
QString RandomText(std::mt19937& rng)
{
    std::uniform_int_distribution<int> kind(0, 19);
    const int length = rng() % 20 == 0 ? 20000 + int(rng() % 60000) : int(rng() % 40);
    QString s;
    for (int i = 0; i < length; ++i) {
        switch (kind(rng)) {
        case 0: s += QChar(char16_t(rng() % 0x20)); break;
        case 1: s += QLatin1String("&<>\"'\r\n\t").at(int(rng() % 8)); break;
        case 2: s += QChar(char16_t(0x80 + rng() % 0x780)); break;
        case 3: s += QChar(char16_t(0xAC00 + rng() % 0x2BA4)); break;
        case 4: s += QChar(char16_t(0xD800 + rng() % 0x400)); s += QChar(char16_t(0xDC00 + rng() % 0x400)); break;
        case 5: s += QChar(char16_t(0xD800 + rng() % 0x800)); break;
        case 6: s += QChar(char16_t(0xFFFC + rng() % 4)); break;
        case 7: s += QChar(char16_t(0xE000 + rng() % 0x1FFE)); break;
        default: s += QChar(char16_t(0x20 + rng() % 0x5F));
        }
    }
    return s;
}

QByteArray RandomLatin1(std::mt19937& rng)
{
    QByteArray s;
    for (int i = 0, n = int(rng() % 30); i < n; ++i)
        s += char(rng() % 4 == 0 ? rng() % 256 : 0x20 + rng() % 0x5F);
    return s;
}

} // namespace

// The UTF-8 writer puts out the text writer's text in UTF-8, byte for byte, whatever the
// calls and texts, across buffer boundaries; both sinks deliver the same.
TEST(XmlUtf8Writer, WritesTheTextWritersTextInUtf8)
{
    std::mt19937 rng(20261207);
    const QLatin1String names[] = {QLatin1String("a"), QLatin1String("ss:Cell"), QLatin1String("Data"),
                                   QLatin1String("\xe9l\xe9ment")};
    for (int round = 0; round < 60; ++round) {
        QString text;
        TXmlTextWriter plain(text);
        QByteArray bytes;
        int flushes = 0;
        TXmlUtf8Writer fast([&](QByteArrayView b) {
            EXPECT_LE(b.size(), TXmlUtf8Writer::BufferSize);
            bytes += b;
            ++flushes;
        });
        QString decoded;
        TXmlUtf8Writer decoding(TXmlUtf8Writer::StringSink(decoded));
        auto both = [&](auto call) {
            call(plain);
            call(fast);
            call(decoding);
        };
        if (round % 2) {
            both([](auto& w) { w.WriteDeclaration(QLatin1String("utf-8")); });
            both([](auto& w) { w.WriteProcessingInstruction(QLatin1String("pi"), u"x=\"\u00e9\U0001F600\""); });
        }
        both([&](auto& w) { w.StartElement(names[0]); });
        for (int step = 0, steps = 50 + int(rng() % 400); step < steps; ++step) {
            const QLatin1String name = names[rng() % 4];
            const QString value = RandomText(rng);
            const QByteArray latin = RandomLatin1(rng);
            const qint64 number = qint64(rng()) * (rng() % 2 ? -1 : 1) * qint64(rng() % 100000);
            switch (rng() % 9) {
            case 0: both([&](auto& w) { w.StartElement(name); }); break;
            case 8: {
                // A start tag rendered once writes what the element and its attributes write.
                TXmlStartTag tag(name);
                tag.Attribute(QLatin1String("s"), QStringView(value)).Attribute(QLatin1String("l"), QLatin1String(latin));
                tag.Attribute(QLatin1String("n"), number);
                plain.StartElement(name);
                plain.Attribute(QLatin1String("s"), QStringView(value));
                plain.Attribute(QLatin1String("l"), QLatin1String(latin));
                plain.Attribute(QLatin1String("n"), number);
                fast.StartElement(tag);
                decoding.StartElement(tag);
                break;
            }
            case 1:
                if (plain.Depth() > 1)
                    both([](auto& w) { w.EndElement(); });
                break;
            case 2: both([&](auto& w) { w.Text(value); }); break;
            case 3: both([&](auto& w) { w.Text(QLatin1String(latin)); }); break;
            default: {
                const int which = int(rng() % 3);
                bool plainThrew = false, fastThrew = false, decodingThrew = false;
                auto attribute = [&](auto& w) {
                    if (which == 0)
                        w.Attribute(name, QStringView(value));
                    else if (which == 1)
                        w.Attribute(name, QLatin1String(latin));
                    else
                        w.Attribute(name, number);
                };
                try { attribute(plain); } catch (const EXmlError&) { plainThrew = true; }
                try { attribute(fast); } catch (const EXmlError&) { fastThrew = true; }
                try { attribute(decoding); } catch (const EXmlError&) { decodingThrew = true; }
                EXPECT_EQ(fastThrew, plainThrew);
                EXPECT_EQ(decodingThrew, plainThrew);
            }
            }
        }
        both([](auto& w) { w.EndDocument(); });
        EXPECT_THROW(fast.EndElement(), EXmlError);
        EXPECT_THROW(fast.StartElement(QLatin1String("second")), EXmlError);
        fast.Raw(QLatin1String("\n"));
        decoding.Raw(QLatin1String("\n"));
        text += QLatin1Char('\n');
        EXPECT_EQ(fast.Size(), text.toUtf8().size());
        fast.Flush();
        decoding.Flush();
        ASSERT_EQ(bytes, text.toUtf8()) << "round " << round;
        EXPECT_EQ(decoded, text) << "round " << round;
        if (text.size() > 3 * TXmlUtf8Writer::BufferSize) {
            EXPECT_GT(flushes, 1);
        }
        // What it writes reads back.
        TXmlDocument doc;
        doc.LoadFromText(decoded);
        EXPECT_EQ(doc.Root().NodeName(), names[0]);
    }
}

// A device that refuses bytes stops the writer with the file's name; the device sink writes
// what it is given.
TEST(XmlUtf8Writer, DeviceSinkRaisesOnAFailedWrite)
{
    QByteArray stored;
    QBuffer buffer(&stored);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    TXmlUtf8Writer ok(TXmlUtf8Writer::DeviceSink(buffer, QStringLiteral("in memory")));
    ok.StartElement(QLatin1String("a"));
    ok.Text(QStringView(u"\uac00 & b"));
    ok.EndDocument();
    ok.Flush();
    EXPECT_EQ(stored, QByteArray("<a>\xea\xb0\x80 &amp; b</a>"));

    QBuffer closed;
    TXmlUtf8Writer refused(TXmlUtf8Writer::DeviceSink(closed, QStringLiteral("/no/such/file.xml")));
    refused.StartElement(QLatin1String("a"));
    try {
        refused.Flush();
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot write file /no/such/file.xml: "))) << e.Message().toStdString();
    }
}
