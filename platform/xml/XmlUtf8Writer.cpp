#include "platform/xml/XmlUtf8Writer.h"

#include <QtCore/QFileDevice>
#include <QtCore/QIODevice>
#include <QtCore/QString>
#include <QtCore/QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#ifdef __linux__
#include <fcntl.h>
#endif

namespace kv {

namespace {

// What becomes of an ASCII character: 0 as it is, 1 dropped (a control character XML does not
// allow), else the index of its reference in Entities.
struct TEntity
{
    const char* Text;
    int Size;
};
constexpr TEntity Entities[] = {{"", 0},       {"", 0},       {"&amp;", 5}, {"&lt;", 4},
                                {"&gt;", 4},   {"&quot;", 6}, {"&#13;", 5}, {"&#10;", 5}, {"&#9;", 4}};
constexpr int MaxExpansion = 6; // bytes written for one UTF-16 unit or Latin-1 character at most

struct TAsciiClasses
{
    std::uint8_t Text[128] = {};
    std::uint8_t Attribute[128] = {};
    constexpr TAsciiClasses()
    {
        for (int c = 0; c < 0x20; ++c)
            Text[c] = Attribute[c] = 1;
        Text['\t'] = Text['\n'] = 0;
        Text['\r'] = Attribute['\r'] = 6;
        Attribute['\n'] = 7;
        Attribute['\t'] = 8;
        Text['&'] = Attribute['&'] = 2;
        Text['<'] = Attribute['<'] = 3;
        Text['>'] = Attribute['>'] = 4;
        Attribute['"'] = 5;
    }
};
constexpr TAsciiClasses Classes;

inline char* PutEntity(char* o, std::uint8_t k)
{
    const TEntity& e = Entities[k];
    CopyShort(o, e.Text, e.Size);
    return o + e.Size;
}

inline char* PutTwo(char* o, unsigned c)
{
    o[0] = char(0xC0 | (c >> 6));
    o[1] = char(0x80 | (c & 0x3F));
    return o + 2;
}

} // namespace

namespace {

// The bytes a writer puts out for one attribute in an open start tag.
template <typename T>
QByteArray RenderAttribute(QLatin1String name, T value)
{
    QByteArray bytes;
    TXmlUtf8Writer w([&](QByteArrayView b) { bytes += b; });
    w.StartElement(QLatin1String("_"));
    w.Attribute(name, value);
    w.Flush();
    return bytes.mid(2); // after "<_"
}

} // namespace

TXmlStartTag::TXmlStartTag(QLatin1String Name) : FName(Name)
{
    TXmlUtf8Writer w([&](QByteArrayView b) { FBytes += b; });
    w.StartElement(Name);
    w.Flush();
}

TXmlStartTag& TXmlStartTag::Attribute(QLatin1String Name, QStringView Value)
{
    FBytes += RenderAttribute(Name, Value);
    return *this;
}

TXmlStartTag& TXmlStartTag::Attribute(QLatin1String Name, QLatin1String Value)
{
    FBytes += RenderAttribute(Name, Value);
    return *this;
}

TXmlStartTag& TXmlStartTag::Attribute(QLatin1String Name, qint64 Value)
{
    FBytes += RenderAttribute(Name, Value);
    return *this;
}

TXmlUtf8Writer::TXmlUtf8Writer(TSink Sink) : FSink(std::move(Sink)), FBuffer(new char[BufferSize]) {}

TXmlUtf8Writer::~TXmlUtf8Writer() = default;

TXmlUtf8Writer::TSink TXmlUtf8Writer::DeviceSink(QIODevice& Device, const QString& FileName)
{
    // A file's bytes are started towards the disk every few megabytes, so that a commit that
    // waits for the disk (QSaveFile) waits for the last piece only.
    auto* file = qobject_cast<QFileDevice*>(&Device);
    const int handle = file ? file->handle() : -1;
    return [&Device, FileName, handle, written = qint64(0), started = qint64(0)](QByteArrayView bytes) mutable {
        if (Device.write(bytes.data(), bytes.size()) != bytes.size())
            throw EInOutError(QStringLiteral("Cannot write file %1: %2").arg(FileName, Device.errorString()));
        written += bytes.size();
#ifdef __linux__
        constexpr qint64 step = 8 << 20;
        if (handle >= 0 && written - started >= step) {
            sync_file_range(handle, started, written - started, SYNC_FILE_RANGE_WRITE);
            started = written;
        }
#else
        Q_UNUSED(handle);
        Q_UNUSED(started);
#endif
    };
}

TXmlUtf8Writer::TSink TXmlUtf8Writer::StringSink(QString& Out)
{
    auto decoder = std::make_shared<QStringDecoder>(QStringDecoder::Utf8);
    return [&Out, decoder](QByteArrayView bytes) {
        const qsizetype at = Out.size();
        const qsizetype need = at + decoder->requiredSpace(bytes.size());
        if (Out.capacity() < need)
            Out.reserve(std::max(need, 2 * Out.capacity()));
        Out.resize(need);
        QChar* end = decoder->appendToBuffer(Out.data() + at, bytes);
        Out.resize(end - Out.constData());
    };
}

void TXmlUtf8Writer::Flush()
{
    if (FLength == 0)
        return;
    const qsizetype n = FLength;
    FLength = 0;
    FSink(QByteArrayView(FBuffer.get(), n));
    FFlushed += n;
}

void TXmlUtf8Writer::PutLatin1Slow(QLatin1String Text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(Text.data());
    const qsizetype n = Text.size();
    for (qsizetype i = 0; i < n;) {
        const qsizetype stop = std::min(n, i + BufferSize / 2);
        char* const start = Room(2 * (stop - i));
        char* o = start;
        for (; i < stop; ++i)
            o = p[i] < 0x80 ? (*o = char(p[i]), o + 1) : PutTwo(o, p[i]);
        FLength += o - start;
    }
}

void TXmlUtf8Writer::Raw(QLatin1String Markup)
{
    PutLatin1(Markup);
}

void TXmlUtf8Writer::WriteDeclaration(QLatin1String Encoding)
{
    if (FStarted)
        throw EXmlError(QStringLiteral("The XML declaration must come first"));
    PutLatin1(QLatin1String("<?xml version=\"1.0\" encoding=\""));
    PutLatin1(Encoding);
    PutLatin1(QLatin1String("\"?>\n"));
}

void TXmlUtf8Writer::WriteProcessingInstruction(QLatin1String Target, QStringView Data)
{
    if (!FOpen.empty() || FStarted)
        throw EXmlError(QStringLiteral("Processing instructions are written before the document element"));
    if (Data.contains(QLatin1String("?>")))
        throw EXmlError(QStringLiteral("A processing instruction cannot hold \"?>\""));
    PutLatin1(QLatin1String("<?"));
    PutLatin1(Target);
    if (!Data.isEmpty()) {
        Put(' ');
        const QByteArray bytes = Data.toUtf8();
        for (qsizetype i = 0; i < bytes.size();) {
            const qsizetype n = std::min(bytes.size() - i, BufferSize);
            std::memcpy(Room(n), bytes.constData() + i, size_t(n));
            FLength += n;
            i += n;
        }
    }
    PutLatin1(QLatin1String("?>\n"));
}

void TXmlUtf8Writer::StartElement(QLatin1String Name)
{
    if (FStarted && FOpen.empty())
        throw EXmlError(QStringLiteral("A document has one document element"));
    CloseStartTag();
    PutMarkup('<', Name, 0, 0);
    FOpen.push_back(Name);
    FStartOpen = true;
    FStarted = true;
}

void TXmlUtf8Writer::StartElement(const TXmlStartTag& Tag)
{
    if (FStarted && FOpen.empty())
        throw EXmlError(QStringLiteral("A document has one document element"));
    CloseStartTag();
    const QByteArrayView bytes = Tag.Bytes();
    if (bytes.size() <= 256) {
        CopyShort(Room(bytes.size()), bytes.data(), bytes.size());
        FLength += bytes.size();
    } else {
        for (qsizetype at = 0; at < bytes.size();) {
            const qsizetype n = std::min(bytes.size() - at, BufferSize);
            std::memcpy(Room(n), bytes.data() + at, size_t(n));
            FLength += n;
            at += n;
        }
    }
    FOpen.push_back(Tag.Name());
    FStartOpen = true;
    FStarted = true;
}

void TXmlUtf8Writer::OpenAttribute(QLatin1String Name)
{
    if (!FStartOpen)
        throw EXmlError(QStringLiteral("Attribute \"%1\" written outside a start tag").arg(Name));
    PutMarkup(' ', Name, '=', '"');
}

void TXmlUtf8Writer::Attribute(QLatin1String Name, QStringView Value)
{
    OpenAttribute(Name);
    Escaped(Value, true);
    Put('"');
}

void TXmlUtf8Writer::Attribute(QLatin1String Name, QLatin1String Value)
{
    OpenAttribute(Name);
    Escaped(Value, true);
    Put('"');
}

void TXmlUtf8Writer::Attribute(QLatin1String Name, qint64 Value)
{
    OpenAttribute(Name);
    char* o = Room(24);
    o = std::to_chars(o, o + 22, Value).ptr;
    *o++ = '"';
    FLength = o - FBuffer.get();
}

void TXmlUtf8Writer::OpenText()
{
    if (FOpen.empty())
        throw EXmlError(QStringLiteral("Text written outside the document element"));
    CloseStartTag();
}

void TXmlUtf8Writer::Text(QStringView Value)
{
    OpenText();
    Escaped(Value, false);
}

void TXmlUtf8Writer::Text(QLatin1String Value)
{
    OpenText();
    Escaped(Value, false);
}

void TXmlUtf8Writer::EndElement()
{
    if (FOpen.empty())
        throw EXmlError(QStringLiteral("No element is open"));
    if (FStartOpen) {
        char* o = Room(2);
        o[0] = '/';
        o[1] = '>';
        FLength += 2;
        FStartOpen = false;
    } else {
        Put('<');
        PutMarkup('/', FOpen.back(), '>', 0);
    }
    FOpen.pop_back();
}

void TXmlUtf8Writer::EndDocument()
{
    while (!FOpen.empty())
        EndElement();
}

// In pieces that fit the buffer at the greatest expansion; a surrogate pair at a piece's end
// is read whole.
void TXmlUtf8Writer::Escaped(QStringView Value, bool InAttribute)
{
    const std::uint8_t* classes = InAttribute ? Classes.Attribute : Classes.Text;
    const char16_t* p = Value.utf16();
    const qsizetype n = Value.size();
    constexpr qsizetype piece = BufferSize / MaxExpansion - 1;
    for (qsizetype i = 0; i < n;) {
        const qsizetype stop = std::min(n, i + piece);
        char* const start = Room(MaxExpansion * (stop - i + 1));
        char* o = start;
        for (; i < stop; ++i) {
            const char16_t c = p[i];
            if (c < 0x80) {
                const std::uint8_t k = classes[c];
                if (k == 0)
                    *o++ = char(c);
                else if (k > 1)
                    o = PutEntity(o, k);
            } else if (c < 0x800) {
                o = PutTwo(o, c);
            } else if (c >= 0xD800 && c < 0xE000) {
                // A pair stands as its code point; an unpaired surrogate is dropped.
                if (c < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000) {
                    const char32_t u = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(p[i + 1]) - 0xDC00);
                    o[0] = char(0xF0 | (u >> 18));
                    o[1] = char(0x80 | ((u >> 12) & 0x3F));
                    o[2] = char(0x80 | ((u >> 6) & 0x3F));
                    o[3] = char(0x80 | (u & 0x3F));
                    o += 4;
                    ++i;
                }
            } else if (c < 0xFFFE) {
                o[0] = char(0xE0 | (c >> 12));
                o[1] = char(0x80 | ((c >> 6) & 0x3F));
                o[2] = char(0x80 | (c & 0x3F));
                o += 3;
            }
        }
        FLength += o - start;
    }
}

void TXmlUtf8Writer::Escaped(QLatin1String Value, bool InAttribute)
{
    const std::uint8_t* classes = InAttribute ? Classes.Attribute : Classes.Text;
    const auto* p = reinterpret_cast<const unsigned char*>(Value.data());
    const qsizetype n = Value.size();
    constexpr qsizetype piece = BufferSize / MaxExpansion;
    for (qsizetype i = 0; i < n;) {
        const qsizetype stop = std::min(n, i + piece);
        char* const start = Room(MaxExpansion * (stop - i));
        char* o = start;
        for (; i < stop; ++i) {
            const unsigned char c = p[i];
            if (c >= 0x80) {
                o = PutTwo(o, c);
                continue;
            }
            const std::uint8_t k = classes[c];
            if (k == 0)
                *o++ = char(c);
            else if (k > 1)
                o = PutEntity(o, k);
        }
        FLength += o - start;
    }
}

} // namespace kv
