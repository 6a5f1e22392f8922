#include "platform/rtl/TextEncoding.h"

#include <QtCore/QList>
#include <QtCore/QStringDecoder>
#include <cerrno>
#include <bit>
#include <clocale>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

// Per byte of a word, its top bit where the byte continues a UTF-8 sequence (10xxxxxx), and
// where it begins a four-byte one (11110xxx), which takes two UTF-16 units.
constexpr quint64 kTopBits = 0x8080808080808080ull;
inline quint64 ContinuationBits(quint64 x) { return x & ~(x << 1) & kTopBits; }
inline quint64 FourByteBits(quint64 x) { return x & (x << 1) & (x << 2) & (x << 3) & kTopBits; }
inline quint64 Load64(const uchar* p)
{
    quint64 x;
    std::memcpy(&x, p, 8);
    return x;
}
inline quint32 Load32(const uchar* p)
{
    quint32 x;
    std::memcpy(&x, p, 4);
    return x;
}

// ASCII bytes as a string, eight at a time.
QString WidenAscii(const uchar* p, qsizetype n)
{
    QString text(n, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
#if defined(__SSE2__)
    if (n >= 8) {
        const __m128i zero = _mm_setzero_si128();
        const auto widen8 = [&](qsizetype at) {
            const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + at));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(bytes, zero));
        };
        for (qsizetype i = 0; i + 8 < n; i += 8)
            widen8(i);
        // The last eight, overlapping what is written.
        widen8(n - 8);
        return text;
    }
#endif
    for (qsizetype i = 0; i < n; ++i)
        out[i] = p[i];
    return text;
}

// How many top bits are set (a multiply adds the bytes; needs no popcount instruction).
inline qsizetype CountTopBits(quint64 bits) { return static_cast<qsizetype>(((bits >> 7) * 0x0101010101010101ull) >> 56); }

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

QString TEncoding::DecodeValidUtf8(QByteArrayView Utf8)
{
    const auto* p = reinterpret_cast<const uchar*>(Utf8.data());
    const qsizetype n = Utf8.size();
    if (n == 0)
        return QString::fromUtf8(Utf8);
    // The UTF-16 length, a word at a time: a unit per byte that does not continue a sequence,
    // two for a four-byte sequence.
    qsizetype cont = 0, four = 0;
    quint64 high = 0;
    const auto count = [&](quint64 x) {
        high |= x;
        if (x & kTopBits) {
            cont += CountTopBits(ContinuationBits(x));
            four += CountTopBits(FourByteBits(x));
        }
    };
    if constexpr (std::endian::native == std::endian::little) {
        if (n >= 8) {
            qsizetype i = 0;
            for (; i + 8 < n; i += 8)
                count(Load64(p + i));
            // The last word ends with the text; the bytes it shares with the one before drop out.
            count(Load64(p + n - 8) >> (8 * (i + 8 - n)));
        } else if (n >= 4) {
            // Two words of four that overlap in the middle.
            count(Load32(p) | (static_cast<quint64>(Load32(p + n - 4)) << (8 * (n - 4))));
        } else {
            count(p[0] | (static_cast<quint64>(p[n / 2]) << (8 * (n / 2))) | (static_cast<quint64>(p[n - 1]) << (8 * (n - 1))));
        }
    } else {
        for (qsizetype i = 0; i < n; ++i)
            count(p[i]);
    }
    if ((high & kTopBits) == 0)
        return WidenAscii(p, n);
    const qsizetype units = n - cont + four;
    QString text(units, Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(text.data());
    char16_t* out = begin;
    char16_t* const end = begin + units;
    // Bounded by both ends, so that text that is not valid after all cannot overrun them.
    for (qsizetype i = 0; i < n && out < end;) {
        const uchar c = p[i];
        if (c < 0x80) {
            *out++ = c;
            ++i;
        } else if (c >= 0xE0 && c < 0xF0 && i + 3 <= n) {
            *out++ = static_cast<char16_t>(((c & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F));
            i += 3;
        } else if (c < 0xE0 && i + 2 <= n) {
            *out++ = static_cast<char16_t>(((c & 0x1F) << 6) | (p[i + 1] & 0x3F));
            i += 2;
        } else if (c >= 0xF0 && i + 4 <= n && end - out >= 2) {
            const char32_t code =
                ((c & 0x07u) << 18) | ((p[i + 1] & 0x3Fu) << 12) | ((p[i + 2] & 0x3Fu) << 6) | (p[i + 3] & 0x3Fu);
            *out++ = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            *out++ = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
            i += 4;
        } else {
            break;
        }
    }
    if (out != end) [[unlikely]]
        text.resize(out - begin);
    return text;
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
