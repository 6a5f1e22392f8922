// The streaming UTF-8 XML writer that the spreadsheet export writes its files through. The input,
// read as UTF-16 code units (unpaired surrogates and every control character included) and cut
// at each U+0000, gives texts written in turn as element text and attribute values, with
// rendered start tags among them. The bytes must be the plain text writer's text in UTF-8, the
// string sink must decode to that text, and the document must parse with one element per text.
#include "FuzzSupport.h"
#include "XmlTextWriter.h"

#include "platform/xml/XmlDom.h"
#include "platform/xml/XmlUtf8Writer.h"

#include <QtCore/QByteArray>
#include <QtCore/QStringList>

using namespace kv;
using namespace kvfuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StartQt();
    const QString units(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
    const QStringList texts = units.split(QChar(0));

    QString plainText;
    TXmlTextWriter plain(plainText);
    QByteArray streamed;
    TXmlUtf8Writer writer([&](QByteArrayView bytes) { streamed.append(bytes.data(), bytes.size()); });
    QString decoded;
    TXmlUtf8Writer decoding(TXmlUtf8Writer::StringSink(decoded));
    auto both = [&](auto&& step) {
        const bool a = Refusable([&] { step(plain); });
        const bool b = Refusable([&] { step(writer); });
        const bool c = Refusable([&] { step(decoding); });
        Check(a == b && b == c, "one writer refused a step another took");
    };
    both([](auto& w) { w.WriteDeclaration(QLatin1String("UTF-8")); });
    both([](auto& w) { w.StartElement(QLatin1String("d")); });
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString& t = texts[i];
        if (i % 3 == 2) {
            // A rendered start tag carries the same attribute the plain writer writes.
            plain.StartElement(QLatin1String("c"));
            plain.Attribute(QLatin1String("a"), t);
            const TXmlStartTag tag = TXmlStartTag(QLatin1String("c")).Attribute(QLatin1String("a"), QStringView(t));
            writer.StartElement(tag);
            decoding.StartElement(tag);
        } else {
            both([](auto& w) { w.StartElement(QLatin1String("c")); });
            if (i % 3 == 1)
                both([&](auto& w) { w.Attribute(QLatin1String("a"), QStringView(t)); });
        }
        both([&](auto& w) { w.Text(QStringView(t)); });
        both([](auto& w) { w.EndElement(); });
    }
    both([](auto& w) { w.EndDocument(); });
    writer.Flush();
    decoding.Flush();

    Check(streamed == plainText.toUtf8(), "the UTF-8 writer's bytes are not the text writer's text",
          QString::fromUtf8(streamed.left(200)));
    QString doc;
    bool parsed = Refusable([&] {
        auto document = TXmlDocument::Parse(QString::fromUtf8(streamed));
        const TXmlNode root = document->Root();
        Check(root.ChildCount() == texts.size(), "the document has another count of elements than texts");
    }, &doc);
    Check(parsed, "the written document does not parse", doc);
    Check(decoded == plainText, "the string sink's text is not the text writer's", decoded.left(200));
    return 0;
}
