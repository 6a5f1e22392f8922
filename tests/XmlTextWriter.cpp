#include "XmlTextWriter.h"

#include <charconv>

namespace kv {

namespace {

// The replacement text of a character that cannot stand as it is, or null. Attribute values
// keep their tabs and line breaks as references, which attribute normalisation would
// otherwise turn into spaces; a carriage return in text survives only as a reference too.
const char* Entity(char16_t c, bool inAttribute)
{
    switch (c) {
    case u'&': return "&amp;";
    case u'<': return "&lt;";
    case u'>': return "&gt;";
    case u'"': return inAttribute ? "&quot;" : nullptr;
    case u'\r': return "&#13;";
    case u'\n': return inAttribute ? "&#10;" : nullptr;
    case u'\t': return inAttribute ? "&#9;" : nullptr;
    default: return nullptr;
    }
}

bool Special(char16_t c) { return c < 0x20 || c == u'&' || c == u'<' || c == u'>' || c == u'"' || c >= 0xD800; }

} // namespace

void TXmlTextWriter::WriteDeclaration(QLatin1String Encoding)
{
    if (FStarted)
        throw EXmlError(QStringLiteral("The XML declaration must come first"));
    FOut += QLatin1String("<?xml version=\"1.0\" encoding=\"");
    FOut += Encoding;
    FOut += QLatin1String("\"?>\n");
}

void TXmlTextWriter::WriteProcessingInstruction(QLatin1String Target, QStringView Data)
{
    if (!FOpen.empty() || FStarted)
        throw EXmlError(QStringLiteral("Processing instructions are written before the document element"));
    if (Data.contains(QLatin1String("?>")))
        throw EXmlError(QStringLiteral("A processing instruction cannot hold \"?>\""));
    FOut += QLatin1String("<?");
    FOut += Target;
    if (!Data.isEmpty()) {
        FOut += QLatin1Char(' ');
        FOut += Data;
    }
    FOut += QLatin1String("?>\n");
}

void TXmlTextWriter::StartElement(QLatin1String Name)
{
    if (FStarted && FOpen.empty())
        throw EXmlError(QStringLiteral("A document has one document element"));
    CloseStartTag();
    FOut += QLatin1Char('<');
    FOut += Name;
    FOpen.push_back(Name);
    FStartOpen = true;
    FStarted = true;
}

void TXmlTextWriter::OpenAttribute(QLatin1String Name)
{
    if (!FStartOpen)
        throw EXmlError(QStringLiteral("Attribute \"%1\" written outside a start tag").arg(Name));
    FOut += QLatin1Char(' ');
    FOut += Name;
    FOut += QLatin1String("=\"");
}

void TXmlTextWriter::Attribute(QLatin1String Name, QStringView Value)
{
    OpenAttribute(Name);
    Escaped(Value, true);
    FOut += QLatin1Char('"');
}

void TXmlTextWriter::Attribute(QLatin1String Name, QLatin1String Value)
{
    OpenAttribute(Name);
    Escaped(Value, true);
    FOut += QLatin1Char('"');
}

void TXmlTextWriter::Attribute(QLatin1String Name, qint64 Value)
{
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, Value).ptr;
    OpenAttribute(Name);
    FOut += QLatin1String(digits, end - digits);
    FOut += QLatin1Char('"');
}

void TXmlTextWriter::OpenText()
{
    if (FOpen.empty())
        throw EXmlError(QStringLiteral("Text written outside the document element"));
    CloseStartTag();
}

void TXmlTextWriter::Text(QStringView Value)
{
    OpenText();
    Escaped(Value, false);
}

void TXmlTextWriter::Text(QLatin1String Value)
{
    OpenText();
    Escaped(Value, false);
}

void TXmlTextWriter::EndElement()
{
    if (FOpen.empty())
        throw EXmlError(QStringLiteral("No element is open"));
    if (FStartOpen) {
        FOut += QLatin1String("/>");
        FStartOpen = false;
    } else {
        FOut += QLatin1String("</");
        FOut += FOpen.back();
        FOut += QLatin1Char('>');
    }
    FOpen.pop_back();
}

void TXmlTextWriter::EndDocument()
{
    while (!FOpen.empty())
        EndElement();
}

void TXmlTextWriter::Escaped(QStringView Value, bool InAttribute)
{
    const char16_t* p = Value.utf16();
    const qsizetype n = Value.size();
    qsizetype plain = 0; // start of the run not yet copied
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (!Special(c))
            continue;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000) {
            ++i; // a surrogate pair stands as it is
            continue;
        }
        if (c >= 0xE000 && c < 0xFFFE)
            continue;
        // Markup, a control character, an unpaired surrogate, U+FFFE or U+FFFF.
        FOut += Value.mid(plain, i - plain);
        plain = i + 1;
        if (const char* entity = Entity(c, InAttribute))
            FOut += QLatin1String(entity);
        else if (c < 0xD800 && IsXmlChar(c))
            FOut += QChar(c);
    }
    FOut += Value.mid(plain);
}

void TXmlTextWriter::Escaped(QLatin1String Value, bool InAttribute)
{
    const char* p = Value.data();
    const qsizetype n = Value.size();
    qsizetype plain = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (!Special(c))
            continue;
        FOut += QLatin1String(p + plain, i - plain);
        plain = i + 1;
        if (const char* entity = Entity(c, InAttribute))
            FOut += QLatin1String(entity);
        else if (IsXmlChar(c))
            FOut += QLatin1Char(char(c));
    }
    FOut += QLatin1String(p + plain, n - plain);
}

} // namespace kv
