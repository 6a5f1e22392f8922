// The text of a file as records: its UTF-8 check and the record and value-end store
// (TKvFileLines) that the file providers' splits fill.
//
// Index
//   1. The UTF-8 check: a scalar pass and, where the processor has AVX2, 32 bytes at a time
//   2. TKvFileLines: the text, its checked prefix, record starts and value ends
//
// Call flow: a provider's Load hands the converted text to SetText; the split appends records
// (Grow, BeginValues, AppendValuesSlow) and asks CheckMore for each stretch it reads, so a
// file is checked once, as far as it is read.
#include "model/KvGrids.Data.Files.h"

#include "platform/rtl/TextEncoding.h"

#include <QtCore/QByteArrayView>
#include <cstring>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace kv {

// --- 1. The UTF-8 check ---------------------------------------------------------------------

namespace {

const char kCrLf[] = "\r\n";
const char kUtf8Bom[] = "\xEF\xBB\xBF";

// Checks UTF-8 from at to at least to (a sequence that begins before to is checked whole):
// where the check ended, or -1 at an invalid sequence (overlong forms, surrogates and code
// points past U+10FFFF included). Marks turns true at a U+FEFF.
qsizetype CheckUtf8(const uchar* p, qsizetype at, qsizetype to, qsizetype n, bool& marks)
{
    qsizetype i = at;
    const auto cont = [&](qsizetype k) { return i + k < n && (p[i + k] & 0xC0) == 0x80; };
    while (i < to) {
        while (i + 16 <= to) {
            quint64 a, b;
            std::memcpy(&a, p + i, 8);
            std::memcpy(&b, p + i + 8, 8);
            if ((a | b) & 0x8080808080808080ull)
                break;
            i += 16;
        }
        if (i >= to)
            break;
        const uchar c = p[i];
        if (c < 0x80) {
            ++i;
        } else if (c < 0xC2) {
            return -1;
        } else if (c < 0xE0) {
            if (!cont(1))
                return -1;
            i += 2;
        } else if (c < 0xF0) {
            if (!cont(1) || !cont(2) || (c == 0xE0 && p[i + 1] < 0xA0) || (c == 0xED && p[i + 1] > 0x9F))
                return -1;
            marks = marks || (c == 0xEF && p[i + 1] == 0xBB && p[i + 2] == 0xBF);
            i += 3;
        } else if (c < 0xF5) {
            if (!cont(1) || !cont(2) || !cont(3) || (c == 0xF0 && p[i + 1] < 0x90) || (c == 0xF4 && p[i + 1] > 0x8F))
                return -1;
            i += 4;
        } else {
            return -1;
        }
    }
    return i;
}

#if defined(__x86_64__) || defined(__i386__)
// The lookup tables of the UTF-8 check: the errors a byte's high half, the byte before it
// high and low half allow, and the bytes that leave a sequence open at the end of a block.
struct TUtf8Tables
{
    __m128i Byte1High, Byte1Low, Byte2High, OpenAtEnd;
};

const TUtf8Tables& Utf8Tables()
{
    static const TUtf8Tables tables = [] {
        constexpr char tooShort = 1 << 0, tooLong = 1 << 1, overlong3 = 1 << 2, tooLarge = 1 << 3, surrogate = 1 << 4,
                   overlong2 = 1 << 5, tooLarge1000 = 1 << 6, overlong4 = 1 << 6, twoConts = char(1 << 7);
        constexpr char carry = tooShort | tooLong | twoConts;
        const __m128i byte1High = _mm_setr_epi8(tooLong, tooLong, tooLong, tooLong, tooLong, tooLong, tooLong, tooLong,
                                                twoConts, twoConts, twoConts, twoConts, tooShort | overlong2, tooShort,
                                                tooShort | overlong3 | surrogate, tooShort | tooLarge | tooLarge1000 | overlong4);
        const __m128i byte1Low = _mm_setr_epi8(carry | overlong3 | overlong2 | overlong4, carry | overlong2, carry, carry,
                                               carry | tooLarge, carry | tooLarge | tooLarge1000, carry | tooLarge | tooLarge1000,
                                               carry | tooLarge | tooLarge1000, carry | tooLarge | tooLarge1000,
                                               carry | tooLarge | tooLarge1000, carry | tooLarge | tooLarge1000,
                                               carry | tooLarge | tooLarge1000, carry | tooLarge | tooLarge1000,
                                               carry | tooLarge | tooLarge1000 | surrogate, carry | tooLarge | tooLarge1000,
                                               carry | tooLarge | tooLarge1000);
        const __m128i byte2High = _mm_setr_epi8(tooShort, tooShort, tooShort, tooShort, tooShort, tooShort, tooShort, tooShort,
                                                tooLong | overlong2 | twoConts | overlong3 | tooLarge1000 | overlong4,
                                                tooLong | overlong2 | twoConts | overlong3 | tooLarge,
                                                tooLong | overlong2 | twoConts | surrogate | tooLarge,
                                                tooLong | overlong2 | twoConts | surrogate | tooLarge, tooShort, tooShort,
                                                tooShort, tooShort);
        const __m128i openAtEnd = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, char(0xEF),
                                                char(0xDF), char(0xBF));
        return TUtf8Tables{byte1High, byte1Low, byte2High, openAtEnd};
    }();
    return tables;
}

// The errors of a block of UTF-8 after the block before it (bits set where a byte is wrong),
// found by looking up the high half of each byte and the high and low halves of the byte
// before it; the bytes two and three before tell which must continue a sequence.
__attribute__((target("avx2"))) inline __m256i CheckUtf8Block(__m256i in, __m256i prev, __m256i byte1High,
                                                               __m256i byte1Low, __m256i byte2High, __m256i& marks)
{
    const __m256i low4 = _mm256_set1_epi8(0x0F);
    // The 32 bytes before each byte's position, across the two lanes.
    const __m256i shifted = _mm256_permute2x128_si256(prev, in, 0x21);
    const __m256i prev1 = _mm256_alignr_epi8(in, shifted, 15);
    const __m256i prev2 = _mm256_alignr_epi8(in, shifted, 14);
    const __m256i prev3 = _mm256_alignr_epi8(in, shifted, 13);
    const __m256i special = _mm256_and_si256(
        _mm256_and_si256(_mm256_shuffle_epi8(byte1High, _mm256_and_si256(_mm256_srli_epi16(prev1, 4), low4)),
                         _mm256_shuffle_epi8(byte1Low, _mm256_and_si256(prev1, low4))),
        _mm256_shuffle_epi8(byte2High, _mm256_and_si256(_mm256_srli_epi16(in, 4), low4)));
    const __m256i must23 = _mm256_or_si256(_mm256_subs_epu8(prev2, _mm256_set1_epi8(char(0xE0 - 0x80))),
                                           _mm256_subs_epu8(prev3, _mm256_set1_epi8(char(0xF0 - 0x80))));
    // U+FEFF ends where EF BB BF does.
    marks = _mm256_or_si256(marks, _mm256_and_si256(_mm256_and_si256(_mm256_cmpeq_epi8(prev2, _mm256_set1_epi8(char(0xEF))),
                                                                      _mm256_cmpeq_epi8(prev1, _mm256_set1_epi8(char(0xBB)))),
                                                     _mm256_cmpeq_epi8(in, _mm256_set1_epi8(char(0xBF)))));
    return _mm256_xor_si256(_mm256_and_si256(must23, _mm256_set1_epi8(char(0x80))), special);
}

// Checks UTF-8 32 bytes at a time (overlong forms, surrogates, code points past U+10FFFF,
// missing and extra continuation bytes): [at, to), where to is at plus whole blocks or n. The
// 32 bytes before at (from the text's start on) are the context, so that a sequence cut by at
// is checked whole. At n a sequence left open is an error. Marks turns true at a U+FEFF.
__attribute__((target("avx2"))) bool CheckUtf8Blocks(const uchar* p, qsizetype start, qsizetype at, qsizetype to,
                                                      qsizetype n, bool& marks)
{
    const TUtf8Tables& tables = Utf8Tables();
    const __m256i byte1High = _mm256_broadcastsi128_si256(tables.Byte1High);
    const __m256i byte1Low = _mm256_broadcastsi128_si256(tables.Byte1Low);
    const __m256i byte2High = _mm256_broadcastsi128_si256(tables.Byte2High);
    const __m256i openAtEnd = _mm256_set_m128i(tables.OpenAtEnd, _mm_set1_epi8(-1));
    alignas(32) uchar buffer[32] = {};
    __m256i prev;
    if (at - start >= 32) {
        prev = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + at - 32));
    } else {
        std::memcpy(buffer + 32 - (at - start), p + start, static_cast<size_t>(at - start));
        prev = _mm256_load_si256(reinterpret_cast<const __m256i*>(buffer));
    }
    __m256i error = _mm256_setzero_si256();
    __m256i found = _mm256_setzero_si256();
    qsizetype i = at;
    for (; i + 32 <= to; i += 32) {
        const __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        if (_mm256_movemask_epi8(in) == 0)
            error = _mm256_or_si256(error, _mm256_subs_epu8(prev, openAtEnd));
        else
            error = _mm256_or_si256(error, CheckUtf8Block(in, prev, byte1High, byte1Low, byte2High, found));
        prev = in;
    }
    if (to == n) {
        // The end, padded with ASCII: a sequence left open shows as too short.
        std::memset(buffer, 0, sizeof buffer);
        std::memcpy(buffer, p + i, static_cast<size_t>(to - i));
        error = _mm256_or_si256(error, CheckUtf8Block(_mm256_load_si256(reinterpret_cast<const __m256i*>(buffer)), prev,
                                                      byte1High, byte1Low, byte2High, found));
    }
    marks = marks || !_mm256_testz_si256(found, found);
    return _mm256_testz_si256(error, error);
}
#endif

} // namespace

// --- 2. TKvFileLines ------------------------------------------------------------------------

void TKvFileLines::Clear()
{
    FText.clear();
    FOffset = 0;
    FChecked = 0;
    FMarks = false;
    FUnchecked.clear();
    FStarts = {};
    FWide = {};
    FBreaks = {};
    FValueFirst = FValueFields = FValueRecords = 0;
    FEnds.reset();
    FEndsSize = FEndsCapacity = 0;
    FEndsAt = {};
    FWideEndsAt = {};
    FLongEnds = {};
    FWideText = false;
}

void TKvFileLines::SetText(QByteArray Text, qsizetype Offset, const QString& Unchecked)
{
    Clear();
    FText = std::move(Text);
    FWideText = FText.size() > static_cast<qsizetype>(0xFFFFFFFFu);
    FOffset = Offset;
    FUnchecked = Unchecked;
    FChecked = Unchecked.isEmpty() ? FText.size() : Offset;
    // Checked text finds its marks as it is checked.
    FMarks = Unchecked.isEmpty() && QByteArrayView(FText).sliced(Offset).indexOf(kUtf8Bom) >= 0;
}

void TKvFileLines::CheckMore(qsizetype To)
{
    const auto* p = reinterpret_cast<const uchar*>(FText.constData());
    const qsizetype n = FText.size();
#if defined(__x86_64__) || defined(__i386__)
    // Short texts byte by byte.
    static const bool blocks = __builtin_cpu_supports("avx2");
    if (blocks && n - FOffset >= 64) {
        // At least 4 KB at a time, in whole blocks unless the text ends.
        const qsizetype want = std::max<qsizetype>(To - FChecked, 4096);
        const qsizetype to = std::min(n, FChecked + (want + 31) / 32 * 32);
        if (CheckUtf8Blocks(p, FOffset, FChecked, to, n, FMarks)) {
            FChecked = to;
            return;
        }
    } else
#endif
    if (CheckUtf8(p, FChecked, n, n, FMarks) >= 0) {
        FChecked = n;
        return;
    }
    const qsizetype bad = TEncoding::FindInvalidUtf8(QByteArrayView(FText).sliced(FOffset));
    throw EEncodingError(QStringLiteral("Invalid byte sequence for encoding %1 at byte %2").arg(FUnchecked).arg(bad));
}

void TKvFileLines::Reserve(size_t Count)
{
    if (FWideText)
        FWide.reserve(Count);
    else
        FStarts.reserve(Count);
    FBreaks.reserve(Count);
}

void TKvFileLines::Grow()
{
    const size_t size = FBreaks.size();
    const size_t capacity = std::max(size + size / 4 + 64, size + 1);
    if (FWideText)
        FWide.reserve(capacity);
    else
        FStarts.reserve(capacity);
    FBreaks.reserve(capacity);
}

void TKvFileLines::BeginValues(int First, int Fields)
{
    FValueFirst = First;
    FValueFields = std::max(Fields, 0);
    FValueRecords = 0;
    FEnds.reset();
    FEndsSize = FEndsCapacity = 0;
    FEndsAt = {};
    FWideEndsAt = {};
    FLongEnds.clear();
}

void TKvFileLines::ReserveEnds(size_t Count)
{
    if (Count <= FEndsCapacity)
        return;
    std::unique_ptr<quint16[]> ends(new quint16[Count]);
    if (FEndsSize > 0)
        std::memcpy(ends.get(), FEnds.get(), FEndsSize * sizeof(quint16));
    FEnds = std::move(ends);
    FEndsCapacity = Count;
}

void TKvFileLines::ReserveValues(size_t Records)
{
    if (FWideText)
        FWideEndsAt.reserve(FWideEndsAt.size() + Records);
    else
        FEndsAt.reserve(FEndsAt.size() + Records);
    // As many ends per record as the records so far had, and a little more.
    if (FValueRecords > 0) {
        const double pace = static_cast<double>(FEndsSize) / FValueRecords;
        ReserveEnds(FEndsSize + static_cast<size_t>(pace * 1.1 * static_cast<double>(Records)) + 64);
    }
}

void TKvFileLines::AppendValuesSlow(const quint32* Ends, size_t Count, qsizetype RecordLength)
{
    const size_t n = RecordLength >= kLong ? std::min<size_t>(1, FValueFields) : std::min(Count, static_cast<size_t>(FValueFields));
    // Grown by a quarter, so that a large index never needs twice its size.
    if (FEndsSize + n > FEndsCapacity)
        ReserveEnds(std::max(FEndsSize + n, FEndsSize + FEndsSize / 4 + 64 + n));
    if (FWideText)
        FWideEndsAt.push_back(static_cast<qint64>(FEndsSize));
    else
        FEndsAt.push_back(static_cast<quint32>(FEndsSize));
    ++FValueRecords;
    if (n == 0)
        return;
    quint16* to = FEnds.get() + FEndsSize;
    FEndsSize += n;
    if (RecordLength >= kLong) {
        FLongEnds.emplace_back(FValueFirst + FValueRecords - 1,
                               std::vector<quint32>(Ends, Ends + std::min(Count, static_cast<size_t>(FValueFields))));
        to[0] = kLong;
        return;
    }
    for (size_t k = 0; k < n; ++k)
        to[k] = static_cast<quint16>(Ends[k]);
}

bool TKvFileLines::LongValueSpan(int Index, int Field, qsizetype& Start, qsizetype& End) const
{
    const auto it = std::lower_bound(FLongEnds.begin(), FLongEnds.end(), Index,
                                     [](const auto& entry, int index) { return entry.first < index; });
    const std::vector<quint32>& ends = it->second;
    if (static_cast<size_t>(Field) >= ends.size())
        return false;
    const qsizetype base = this->Start(Index);
    Start = base + (Field == 0 ? 0 : ends[static_cast<size_t>(Field) - 1] + 1);
    End = base + ends[static_cast<size_t>(Field)];
    return true;
}

QString TKvFileLines::Line(int Index) const { return TEncoding::DecodeUtf8(Bytes(Index)); }

QByteArrayView TKvFileLines::LineBreak() const
{
    for (int i = 0; i < Count(); ++i) {
        const QByteArrayView t = Terminator(i);
        if (!t.isEmpty())
            return t;
    }
    return QByteArrayView(kCrLf, 2);
}

} // namespace kv
