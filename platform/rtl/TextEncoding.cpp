#include "platform/rtl/TextEncoding.h"

#include <QtCore/QList>
#include <QtCore/QStringDecoder>
#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>

namespace kv {

namespace {

QString gSystemCodePage;

// One conversion descriptor, closed on scope exit.
class TIconv
{
public:
    TIconv(const QString& to, const QString& from)
    {
        FHandle = iconv_open(to.toLatin1().constData(), from.toLatin1().constData());
        if (FHandle == reinterpret_cast<iconv_t>(-1))
            throw EEncodingError(QStringLiteral("Unknown text encoding: %1").arg(IsUtf8Name(to) ? from : to));
    }
    ~TIconv() { iconv_close(FHandle); }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;

    // Converts all of input; on failure answers errno and sets failedAt to the input offset.
    int Run(const QByteArray& input, QByteArray& output, qsizetype& failedAt)
    {
        output.resize(std::max<qsizetype>(64, input.size() * 2 + 16));
        char* in = const_cast<char*>(input.constData());
        size_t inLeft = static_cast<size_t>(input.size());
        char* out = output.data();
        size_t outLeft = static_cast<size_t>(output.size());
        for (;;) {
            const size_t r = in ? iconv(FHandle, &in, &inLeft, &out, &outLeft) : iconv(FHandle, nullptr, nullptr, &out, &outLeft);
            if (r != static_cast<size_t>(-1)) {
                if (!in)
                    break;
                in = nullptr; // flush the shift state
                continue;
            }
            if (errno == E2BIG) {
                const qsizetype used = out - output.data();
                output.resize(output.size() * 2);
                out = output.data() + used;
                outLeft = static_cast<size_t>(output.size() - used);
                continue;
            }
            failedAt = in ? in - input.constData() : input.size();
            return errno;
        }
        output.resize(out - output.data());
        return 0;
    }

    static bool IsUtf8Name(const QString& name) { return TEncoding::IsUtf8(name); }

private:
    iconv_t FHandle;
};

// The character that starts at a UTF-8 offset, as "U+XXXX".
QString CodePointAt(const QByteArray& utf8, qsizetype at)
{
    const QString s = QString::fromUtf8(utf8.mid(at, 4));
    const char32_t c = s.isEmpty() ? 0 : s.toUcs4().value(0);
    return QStringLiteral("U+") + QStringLiteral("%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString TEncoding::SystemCodePage()
{
    if (!gSystemCodePage.isEmpty())
        return gSystemCodePage;
    const char* codeset = nl_langinfo(CODESET);
    return codeset && *codeset ? QString::fromLatin1(codeset) : QStringLiteral("ASCII");
}

void TEncoding::SetSystemCodePage(const QString& Name) { gSystemCodePage = Name; }

bool TEncoding::IsUtf8(const QString& Name)
{
    return Name.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0 ||
           Name.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) == 0;
}

QString TEncoding::DecodeUtf8(QByteArrayView Utf8)
{
    if (!Utf8.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(Utf8);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder(Utf8);
}

qsizetype TEncoding::FindInvalidUtf8(QByteArrayView Bytes)
{
    if (Bytes.isValidUtf8())
        return -1;
    const auto* p = reinterpret_cast<const unsigned char*>(Bytes.data());
    const qsizetype n = Bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        int len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > n || !QByteArrayView(p + i, len).isValidUtf8())
            return i;
        i += len;
    }
    return n;
}

QByteArray TEncoding::ToUtf8(QByteArray Bytes, const QString& Name)
{
    if (IsUtf8(Name)) {
        const qsizetype bad = FindInvalidUtf8(Bytes);
        if (bad >= 0)
            throw EEncodingError(QStringLiteral("Invalid byte sequence for encoding %1 at byte %2").arg(Name).arg(bad));
        return Bytes;
    }
    TIconv cd(QStringLiteral("UTF-8"), Name);
    QByteArray out;
    qsizetype at = 0;
    const int error = cd.Run(Bytes, out, at);
    if (error == EINVAL)
        throw EEncodingError(QStringLiteral("Incomplete byte sequence for encoding %1 at byte %2").arg(Name).arg(at));
    if (error != 0)
        throw EEncodingError(QStringLiteral("Invalid byte sequence for encoding %1 at byte %2").arg(Name).arg(at));
    return out;
}

QByteArray TEncoding::FromUtf8(QByteArray Utf8, const QString& Name)
{
    if (IsUtf8(Name))
        return Utf8;
    TIconv cd(Name, QStringLiteral("UTF-8"));
    QByteArray out;
    qsizetype at = 0;
    if (cd.Run(Utf8, out, at) != 0)
        throw EEncodingError(QStringLiteral("Character %1 cannot be written in encoding %2").arg(CodePointAt(Utf8, at), Name));
    return out;
}

QByteArray TEncoding::Preamble(const QString& Name)
{
    if (IsUtf8(Name))
        return QByteArray("\xEF\xBB\xBF", 3);
    if (Name.compare(QLatin1String("UTF-16LE"), Qt::CaseInsensitive) == 0)
        return QByteArray("\xFF\xFE", 2);
    if (Name.compare(QLatin1String("UTF-16BE"), Qt::CaseInsensitive) == 0)
        return QByteArray("\xFE\xFF", 2);
    return QByteArray();
}

} // namespace kv
