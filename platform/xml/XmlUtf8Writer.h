// The streaming XML writer over UTF-8 bytes: elements, attributes and texts written as they
// come (the tests check it against a reference writer into a string, tests/XmlTextWriter.h),
// gathered in a 64 KB buffer that goes to
// a sink whenever it fills. Memory stays flat whatever the document's size.
#pragma once

#include "platform/xml/XmlDom.h"

#include <QtCore/QByteArray>
#include <QtCore/QByteArrayView>
#include <QtCore/QLatin1String>
#include <QtCore/QStringView>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class QString;

namespace kv {

// A start tag rendered once, its attribute values escaped, for elements written many times
// alike: TXmlUtf8Writer::StartElement copies its bytes.
class TXmlStartTag
{
public:
    explicit TXmlStartTag(QLatin1String Name = QLatin1String("_"));
    TXmlStartTag& Attribute(QLatin1String Name, QStringView Value);
    TXmlStartTag& Attribute(QLatin1String Name, QLatin1String Value);
    TXmlStartTag& Attribute(QLatin1String Name, qint64 Value);
    QLatin1String Name() const { return FName; }
    // "<Name" and the attributes, as the writer writes them.
    QByteArrayView Bytes() const { return FBytes; }

private:
    QLatin1String FName;
    QByteArray FBytes;
};

// Copies a few bytes with fixed-size moves: the library's copy costs more on short pieces.
inline void CopyShort(char* To, const char* From, qsizetype N)
{
    if (N >= 16) {
        qsizetype i = 0;
        for (; i + 16 <= N; i += 16)
            std::memcpy(To + i, From + i, 16);
        if (i < N)
            std::memcpy(To + N - 16, From + N - 16, 16);
    } else if (N >= 8) {
        std::memcpy(To, From, 8);
        std::memcpy(To + N - 8, From + N - 8, 8);
    } else if (N >= 4) {
        std::memcpy(To, From, 4);
        std::memcpy(To + N - 4, From + N - 4, 4);
    } else {
        for (qsizetype i = 0; i < N; ++i)
            To[i] = From[i];
    }
}

class TXmlUtf8Writer
{
public:
    // Receives the bytes in order; an exception it raises leaves the writer through the call
    // that was writing.
    using TSink = std::function<void(QByteArrayView Bytes)>;
    static constexpr qsizetype BufferSize = 1 << 16;

    explicit TXmlUtf8Writer(TSink Sink);
    // Whatever is still buffered is dropped: call Flush when the document is done.
    ~TXmlUtf8Writer();
    TXmlUtf8Writer(const TXmlUtf8Writer&) = delete;
    TXmlUtf8Writer& operator=(const TXmlUtf8Writer&) = delete;

    // A sink writing to an open device; a failed write raises EInOutError naming FileName. A
    // file's bytes are started towards the disk every 8 MB (Linux), so that a commit that
    // waits for the disk waits for the last piece only.
    static TSink DeviceSink(QIODevice& Device, const QString& FileName);
    // A sink decoding into Out (appended to), which must outlive the writer.
    static TSink StringSink(QString& Out);

    void WriteDeclaration(QLatin1String Encoding);
    void WriteProcessingInstruction(QLatin1String Target, QStringView Data);
    void StartElement(QLatin1String Name);
    // The same as StartElement(Tag.Name()) and its attributes; more may follow.
    void StartElement(const TXmlStartTag& Tag);
    void Attribute(QLatin1String Name, QStringView Value);
    void Attribute(QLatin1String Name, QLatin1String Value);
    void Attribute(QLatin1String Name, qint64 Value);
    void Text(QStringView Value);
    void Text(QLatin1String Value);
    void EndElement();
    void EndDocument();
    // Markup the caller vouches for, as it is (a line break after the document).
    void Raw(QLatin1String Markup);
    // Hands the buffered bytes to the sink.
    void Flush();
    int Depth() const { return static_cast<int>(FOpen.size()); }
    // Bytes written so far, buffered ones included.
    qint64 Size() const { return FFlushed + FLength; }

private:
    // Room for N more bytes (at most BufferSize), the buffer flushed first when needed.
    char* Room(qsizetype N)
    {
        if (FLength + N > BufferSize)
            Flush();
        return FBuffer.get() + FLength;
    }
    void Put(char C) { *Room(1) = C; ++FLength; }
    // Before, Text and After, Text converted from Latin-1; names and markup are short ASCII,
    // copied as they are.
    void PutLatin1(QLatin1String Text) { PutMarkup(0, Text, 0, 0); }
    void PutMarkup(char Before, QLatin1String Text, char After1, char After2)
    {
        const qsizetype n = Text.size();
        if (n <= 64) {
            unsigned char high = 0;
            for (qsizetype i = 0; i < n; ++i)
                high |= static_cast<unsigned char>(Text.data()[i]);
            if (high < 0x80) {
                char* o = Room(n + 3);
                const char* start = o;
                if (Before)
                    *o++ = Before;
                CopyShort(o, Text.data(), n);
                o += n;
                if (After1)
                    *o++ = After1;
                if (After2)
                    *o++ = After2;
                FLength += o - start;
                return;
            }
        }
        if (Before)
            Put(Before);
        PutLatin1Slow(Text);
        if (After1)
            Put(After1);
        if (After2)
            Put(After2);
    }
    void PutLatin1Slow(QLatin1String Text);
    void CloseStartTag()
    {
        if (FStartOpen) {
            Put('>');
            FStartOpen = false;
        }
    }
    void OpenAttribute(QLatin1String Name);
    void OpenText();
    void Escaped(QStringView Value, bool InAttribute);
    void Escaped(QLatin1String Value, bool InAttribute);

    TSink FSink;
    std::unique_ptr<char[]> FBuffer;
    qsizetype FLength = 0;
    qint64 FFlushed = 0;
    std::vector<QLatin1String> FOpen;
    bool FStartOpen = false;
    bool FStarted = false;
};

} // namespace kv
