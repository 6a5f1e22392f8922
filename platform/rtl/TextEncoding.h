// Text encodings by name ("UTF-8", "UTF-16LE", "UTF-16BE", "UTF-7", "ASCII", "CP949", ...):
// conversion between a named encoding and UTF-8, strict both ways, and the system code page.
#pragma once

#include "platform/rtl/SysUtils.h"

#include <QtCore/QByteArray>
#include <QtCore/QByteArrayView>
#include <QtCore/QString>

namespace kv {

KV_DECLARE_EXCEPTION(EEncodingError, Exception)

class TEncoding
{
public:
    // The code page of the "system" encodings: the locale's character set unless set.
    static QString SystemCodePage();
    // An empty name goes back to the locale's character set.
    static void SetSystemCodePage(const QString& Name);

    // Bytes in the encoding to UTF-8. Invalid or cut-off input raises EEncodingError naming
    // the byte offset; UTF-8 input is checked and returned as it is.
    static QByteArray ToUtf8(QByteArray Bytes, const QString& Name);
    // UTF-8 to the encoding. A character the encoding cannot hold raises EEncodingError.
    static QByteArray FromUtf8(QByteArray Utf8, const QString& Name);
    // The byte-order mark of the encoding; empty for encodings without one.
    static QByteArray Preamble(const QString& Name);
    // UTF-8 to text, keeping a leading U+FEFF as the character it is (QString::fromUtf8
    // drops it); invalid sequences become U+FFFD.
    static QString DecodeUtf8(QByteArrayView Utf8);
    // The same for text already checked as UTF-8 (FindInvalidUtf8), faster: decoded straight
    // into a string of its length. Text that is not valid gives text that is not specified.
    static QString DecodeValidUtf8(QByteArrayView Utf8);
    // The byte offset of the first invalid UTF-8 sequence, or -1.
    static qsizetype FindInvalidUtf8(QByteArrayView Bytes);
    static bool IsUtf8(const QString& Name);
};

} // namespace kv
