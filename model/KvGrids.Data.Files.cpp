// Index
//   1. Records: splitting text into records, values of a record, joining values (the UTF-8
//      check and TKvFileLines are in KvGrids.Data.Files.Lines.cpp)
//   2. TKvFileDataProvider: loading and atomic saving through an encoding
//   3. TKvCsvDataProvider: fields, rows, merged save
//   4. TKvIniDataProvider, publishing
//
// Call flow: Load reads the bytes, converts them to UTF-8, splits them into records
// (SplitRecords) and only then replaces the data (ClearData, LoadData), so a file that does
// not read leaves the old data. The CSV provider's split finds records and the ends of their
// values in one pass; its rows point at their record until a value changes, then hold their
// own values aside. Save opens a QSaveFile and has WriteData stream the UTF-8 text into it
// through a buffer that converts it to the encoding (a character it cannot hold raises and
// drops the temporary file; the file is replaced only when the whole text is written).
#include "model/KvGrids.Data.Files.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/TextEncoding.h"
#include "platform/rtl/TypInfo.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSaveFile>
#include <QtCore/QVarLengthArray>
#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace kv {

// --- 1. Records ---------------------------------------------------------------------------

namespace {

const char kCrLf[] = "\r\n";
const char kUtf8Bom[] = "\xEF\xBB\xBF";


// Where the commas, line breaks (CR, LF) and quotes of 32 bytes from base are, as bits; none
// past n.
struct TBlockMasks
{
    quint32 Commas = 0, Breaks = 0, Quotes = 0;

    TBlockMasks() = default;
    TBlockMasks(const char* p, qsizetype n, qsizetype base)
    {
        const qsizetype left = n - base;
        if (left >= 32) {
            Find(p + base);
            return;
        }
        // The tail through a padded copy.
        alignas(16) char tail[32] = {};
        if (left > 0)
            std::memcpy(tail, p + base, static_cast<size_t>(left));
        Find(tail);
    }

private:
    void Find(const char* p)
    {
#if defined(__SSE2__)
        const __m128i comma = _mm_set1_epi8(','), cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), quote = _mm_set1_epi8('"');
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const auto bits = [](__m128i x, __m128i y) {
            return static_cast<quint32>(_mm_movemask_epi8(x)) | (static_cast<quint32>(_mm_movemask_epi8(y)) << 16);
        };
        Commas = bits(_mm_cmpeq_epi8(a, comma), _mm_cmpeq_epi8(b, comma));
        Breaks = bits(_mm_or_si128(_mm_cmpeq_epi8(a, cr), _mm_cmpeq_epi8(a, lf)),
                      _mm_or_si128(_mm_cmpeq_epi8(b, cr), _mm_cmpeq_epi8(b, lf)));
        Quotes = bits(_mm_cmpeq_epi8(a, quote), _mm_cmpeq_epi8(b, quote));
#else
        for (int i = 0; i < 32; ++i) {
            Commas |= quint32(p[i] == ',') << i;
            Breaks |= quint32(p[i] == '\r' || p[i] == '\n') << i;
            Quotes |= quint32(p[i] == '"') << i;
        }
#endif
    }
};

// Finds commas, CRs and LFs 32 bytes at a time, keeping the found positions of a block as bits.
class TSeparatorScan
{
public:
    // Lines, when given, has its text checked as UTF-8 as far as the blocks loaded.
    TSeparatorScan(const char* p, qsizetype n, TKvFileLines* lines) : FP(p), FN(n), FLines(lines) {}
    // The first comma, CR or LF at or after from; n when there is none.
    qsizetype Next(qsizetype from)
    {
        if (from < FBase || from >= FBase + 32)
            Load(from);
        else
            FMask &= ~0u << (from - FBase);
        while (FMask == 0) {
            if (FBase + 32 >= FN)
                return FN;
            Load(FBase + 32);
        }
        return FBase + std::countr_zero(FMask);
    }

private:
    void Load(qsizetype base)
    {
        FBase = base;
        if (FLines)
            FLines->CheckText(std::min(base + 32, FN));
        const TBlockMasks masks(FP, FN, base);
        FMask = masks.Commas | masks.Breaks;
    }
    const char* FP;
    qsizetype FN;
    TKvFileLines* FLines;
    qsizetype FBase = -64;
    quint32 FMask = 0;
};

// Past the quoted value that begins at at (a quote): after its closing quote ("" is a quote
// inside); -1 when it is not closed before n.
qsizetype SkipQuoted(const char* p, qsizetype at, qsizetype n)
{
    qsizetype i = at + 1;
    for (;;) {
        const auto* q = i < n ? static_cast<const char*>(std::memchr(p + i, '"', static_cast<size_t>(n - i))) : nullptr;
        if (!q)
            return -1;
        i = q - p + 1;
        if (i < n && p[i] == '"') {
            ++i;
            continue;
        }
        return i;
    }
}

// What the splitter indexes: the value ends of records First to First + Rows - 1, as many
// values as record FieldsLine has.
struct TValueIndexPlan
{
    int First = 0;
    int Rows = 0;
    int FieldsLine = 0;
};

// The value ends of the record being read (from its start), and where its line break is.
struct TRecordEnds
{
    std::vector<quint32> Buffer = std::vector<quint32>(64);
    quint32* Ends = Buffer.data();
    size_t Count = 0;
    // The record's line break (n when it has none) and its length.
    qsizetype End = 0;
    int BreakLength = 0;

    void Ensure(size_t more)
    {
        if (Count + more > Buffer.size()) {
            Buffer.resize(std::max(Buffer.size() * 2, Count + more));
            Ends = Buffer.data();
        }
    }
};

// The block of 32 bytes the records are read through, and its masks.
struct TBlockCursor
{
    qsizetype Base = -64;
    TBlockMasks Masks;
};

int BreakLengthAt(const char* p, qsizetype at, qsizetype n)
{
    return p[at] == '\r' && at + 1 < n && p[at + 1] == '\n' ? 2 : 1;
}

// Reads the record at start a block at a time: its commas, then its line break. False, with
// nothing kept, when quoted and a quote comes first.
bool SplitPlainRecord(const char* p, qsizetype n, bool quoted, TKvFileLines& lines, qsizetype start,
                      TBlockCursor& block, TRecordEnds& record)
{
    qsizetype base = block.Base;
    TBlockMasks masks = block.Masks;
    bool plain = true;
    for (qsizetype from = start;;) {
        if (from < base || from >= base + 32) {
            base = from;
            lines.CheckText(std::min(base + 32, n));
            masks = TBlockMasks(p, n, base);
        }
        const quint32 live = ~0u << (from - base);
        const quint32 breaks = masks.Breaks & live;
        const quint32 before = breaks ? (breaks & (0u - breaks)) - 1 : ~0u;
        if (quoted && (masks.Quotes & live & before)) {
            plain = false;
            break;
        }
        record.Ensure(33);
        quint32* ends = record.Ends;
        size_t count = record.Count;
        for (quint32 c = masks.Commas & live & before; c; c &= c - 1)
            ends[count++] = static_cast<quint32>(base + std::countr_zero(c) - start);
        if (breaks) {
            const qsizetype at = base + std::countr_zero(breaks);
            ends[count++] = static_cast<quint32>(at - start);
            record.Count = count;
            record.End = at;
            record.BreakLength = BreakLengthAt(p, at, n);
            break;
        }
        if (base + 32 >= n) {
            ends[count++] = static_cast<quint32>(n - start);
            record.Count = count;
            break;
        }
        record.Count = count;
        from = base + 32;
    }
    block.Base = base;
    block.Masks = masks;
    return plain;
}

// Reads the record at start value by value, a quoted value up to its closing quote; raises
// when a quote is left open (index is the record's, from 0).
void SplitQuotedRecord(const char* p, qsizetype n, bool quoted, TKvFileLines& lines, TSeparatorScan& scan,
                       qsizetype start, int index, TRecordEnds& record)
{
    record.Count = 0;
    for (qsizetype i = start;;) {
        if (quoted && i < n && p[i] == '"') {
            i = SkipQuoted(p, i, n);
            if (i < 0) {
                lines.CheckText(n);
                throw EConvertError(
                    QStringLiteral("Quoted value is not closed at the end of the file in record %1").arg(index + 1));
            }
        }
        const qsizetype at = scan.Next(i);
        record.Ensure(1);
        record.Ends[record.Count++] = static_cast<quint32>(at - start);
        if (at >= n)
            return;
        if (p[at] == ',') {
            i = at + 1;
            continue;
        }
        record.End = at;
        record.BreakLength = BreakLengthAt(p, at, n);
        return;
    }
}

// Splits the text into records at CR LF, LF or CR in one pass over the bytes; with Quoted,
// line breaks inside a value that begins with a quote stay in the record and a quote left
// open raises. With a plan, the value ends of the planned records are kept.
void SplitText(TKvFileLines& lines, bool quoted, const TValueIndexPlan* plan)
{
    const QByteArray& text = lines.Text();
    const char* p = text.constData();
    const qsizetype n = text.size();
    TSeparatorScan scan(p, n, &lines);
    TRecordEnds ends;
    TBlockCursor block;
    bool indexing = false;
    int record = 0;
    // Reserves once the first records show how long a record is.
    bool reserved = false;
    const auto reserve = [&](qsizetype at) {
        reserved = true;
        const double perRecord = static_cast<double>(at - lines.Offset()) / record;
        const size_t expected = static_cast<size_t>(static_cast<double>(n - lines.Offset()) / perRecord * 1.2) + 16;
        lines.Reserve(expected);
        if (indexing)
            lines.ReserveValues(std::min<size_t>(expected, static_cast<size_t>(plan->Rows)));
    };
    qsizetype pos = lines.Offset();
    while (pos < n) {
        const qsizetype start = pos;
        ends.Count = 0;
        ends.End = n;
        ends.BreakLength = 0;
        if (!SplitPlainRecord(p, n, quoted, lines, start, block, ends))
            SplitQuotedRecord(p, n, quoted, lines, scan, start, record, ends);
        lines.Append(start, ends.BreakLength);
        pos = ends.End + ends.BreakLength;
        if (plan) {
            if (record == plan->FieldsLine) {
                lines.BeginValues(plan->First, static_cast<int>(ends.Count));
                indexing = true;
            }
            if (indexing && record >= plan->First && record - plan->First < plan->Rows)
                lines.AppendValues(ends.Ends, ends.Count, ends.End - start);
        }
        ++record;
        if (!reserved && (record == 256 || pos - lines.Offset() >= (1 << 16)) && pos < n)
            reserve(pos);
    }
}

// Reads one value from at (a quoted value when it begins with a quote) up to the next comma
// or end; at moves past it.
template <typename Decode>
QString ReadValueWith(QByteArrayView r, qsizetype& at, Decode decode)
{
    const char* p = r.data();
    const qsizetype n = r.size();
    if (at < n && p[at] == '"') {
        QVarLengthArray<char, 256> buf;
        qsizetype i = at + 1;
        while (i < n) {
            const auto* q = static_cast<const char*>(std::memchr(p + i, '"', static_cast<size_t>(n - i)));
            if (!q) {
                buf.append(p + i, n - i);
                i = n;
                break;
            }
            buf.append(p + i, q - p - i);
            i = q - p + 1;
            if (i < n && p[i] == '"') {
                buf.append('"');
                ++i;
            } else {
                break;
            }
        }
        // Text after the closing quote belongs to the value as it stands.
        const auto* comma = i < n ? static_cast<const char*>(std::memchr(p + i, ',', static_cast<size_t>(n - i))) : nullptr;
        const qsizetype stop = comma ? comma - p : n;
        buf.append(p + i, stop - i);
        at = stop;
        return decode(QByteArrayView(buf.constData(), buf.size()));
    }
    const auto* comma = at < n ? static_cast<const char*>(std::memchr(p + at, ',', static_cast<size_t>(n - at))) : nullptr;
    const qsizetype stop = comma ? comma - p : n;
    QString value = decode(r.sliced(at, stop - at));
    at = stop;
    return value;
}



// UTF-8 to text, a leading U+FEFF kept as the character it is.
QString DecodeText(QByteArrayView bytes) { return TEncoding::DecodeUtf8(bytes); }

QString ReadValue(QByteArrayView r, qsizetype& at) { return ReadValueWith(r, at, DecodeText); }

// The ends of the values of a record (ReadValue's rules), in the record.
void FindValueEnds(QByteArrayView r, std::vector<quint32>& ends)
{
    const char* p = r.data();
    const qsizetype n = r.size();
    ends.clear();
    qsizetype at = 0;
    for (;;) {
        if (at < n && p[at] == '"') {
            const qsizetype closed = SkipQuoted(p, at, n);
            at = closed < 0 ? n : closed;
        }
        const auto* comma = at < n ? static_cast<const char*>(std::memchr(p + at, ',', static_cast<size_t>(n - at))) : nullptr;
        if (!comma) {
            ends.push_back(static_cast<quint32>(n));
            return;
        }
        ends.push_back(static_cast<quint32>(comma - p));
        at = comma - p + 1;
    }
}

// Where the value that begins at At ends (ReadValue's rules): at its comma or the record's end.
qsizetype ValueEnd(QByteArrayView r, qsizetype at)
{
    const char* p = r.data();
    const qsizetype n = r.size();
    if (at < n && p[at] == '"') {
        const qsizetype closed = SkipQuoted(p, at, n);
        at = closed < 0 ? n : closed;
    }
    const auto* comma = at < n ? static_cast<const char*>(std::memchr(p + at, ',', static_cast<size_t>(n - at))) : nullptr;
    return comma ? comma - p : n;
}

// The number a numeric text stands for (TryStrToFloat's reading, 0 when not a number);
// plain decimal ASCII is read without decoding it.
double NumberOf(QByteArrayView bytes)
{
    const QByteArrayView t = bytes.trimmed();
    bool plain = !t.isEmpty() && t.size() < 128;
    for (qsizetype i = 0; plain && i < t.size(); ++i) {
        const char c = t[i];
        plain = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    }
    double d = 0;
    if (plain) {
        const char c = t.front();
        if (c == 'e' || c == 'E')
            return 0;
        bool ok = false;
        d = t.toDouble(&ok);
        return ok ? d : 0;
    }
    return TryStrToFloat(DecodeText(bytes), d) ? d : 0;
}

bool NeedsQuotes(const QString& value)
{
    for (const QChar c : value)
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    return false;
}

} // namespace

QStringList TKvCsvDataProvider::SplitValues(QByteArrayView Record)
{
    QStringList values;
    qsizetype at = 0;
    for (;;) {
        values.append(ReadValue(Record, at));
        if (at >= Record.size())
            break;
        ++at;
    }
    return values;
}

QByteArray TKvCsvDataProvider::JoinValues(const QStringList& Values)
{
    QByteArray out;
    for (qsizetype i = 0; i < Values.size(); ++i) {
        if (i > 0)
            out.append(',');
        const QString& value = Values[i];
        if (NeedsQuotes(value)) {
            out.append('"');
            out.append(QString(value).replace(QLatin1Char('"'), QLatin1String("\"\"")).toUtf8());
            out.append('"');
        } else {
            out.append(value.toUtf8());
        }
    }
    return out;
}

// --- 2. TKvFileDataProvider -----------------------------------------------------------------

QString FileEncodingName(TKvFileEncoding Encoding)
{
    switch (Encoding) {
    case EncodingASCII: return QStringLiteral("ASCII");
    case EncodingBigEndianUnicode: return QStringLiteral("UTF-16BE");
    case EncodingUnicode: return QStringLiteral("UTF-16LE");
    case EncodingUTF7: return QStringLiteral("UTF-7");
    case EncodingUTF8: return QStringLiteral("UTF-8");
    case EncodingANSI:
    case EncodingDefault: break;
    }
    return TEncoding::SystemCodePage();
}

TKvFileDataProvider::TKvFileDataProvider(TComponent* AOwner) : TKvGridDataProvider(AOwner) {}

TKvFileDataProvider::~TKvFileDataProvider() = default;

void TKvFileDataProvider::SplitRecords(TKvFileLines& Lines) const { SplitText(Lines, false, nullptr); }

void TKvFileDataProvider::WriteData(TKvTextSink& Out) { Out.Write(SaveData()); }

namespace {

// Writes UTF-8 text to a file in an encoding through a buffer: a text that begins with
// U+FEFF goes after the encoding's byte-order mark. Encodings that keep no state between
// characters are converted a buffer at a time; any other is converted whole at the end.
class TFileSink : public TKvTextSink
{
public:
    TFileSink(QSaveFile& file, const QString& encoding)
        : FFile(file), FEncoding(encoding), FDirect(TEncoding::IsUtf8(encoding)),
          FStreamed(FDirect || encoding.compare(QLatin1String("UTF-16LE"), Qt::CaseInsensitive) == 0 ||
                    encoding.compare(QLatin1String("UTF-16BE"), Qt::CaseInsensitive) == 0 ||
                    encoding.compare(QLatin1String("ASCII"), Qt::CaseInsensitive) == 0)
    {
        FBuffer.reserve(kBuffer);
    }
    void Write(QByteArrayView Utf8) override
    {
        // A long piece of UTF-8 goes to the file as it is, after what the buffer holds.
        if (FDirect && Utf8.size() >= kBuffer) {
            Flush();
            Begin(Utf8);
            Put(Utf8);
            return;
        }
        FBuffer.append(Utf8);
        if (FStreamed && FBuffer.size() >= kBuffer)
            Flush();
    }
    void Finish() { Flush(); }

private:
    static constexpr qsizetype kBuffer = 1 << 20;
    // Before the first bytes: the mark, when the text begins with U+FEFF.
    void Begin(QByteArrayView first)
    {
        if (FStarted)
            return;
        FStarted = true;
        if (first.startsWith(kUtf8Bom))
            Put(TEncoding::Preamble(FEncoding));
    }
    void Flush()
    {
        if (FBuffer.isEmpty())
            return;
        Begin(FBuffer);
        if (FDirect)
            Put(FBuffer);
        else
            Put(TEncoding::FromUtf8(FBuffer, FEncoding));
        FBuffer.clear();
    }
    void Put(QByteArrayView bytes)
    {
        if (!bytes.isEmpty() && FFile.write(bytes.data(), bytes.size()) != bytes.size())
            throw EInOutError(QStringLiteral("Cannot write file %1: %2").arg(FFile.fileName(), FFile.errorString()));
    }
    QSaveFile& FFile;
    const QString FEncoding;
    const bool FDirect;
    const bool FStreamed;
    bool FStarted = false;
    QByteArray FBuffer;
};

} // namespace

void TKvFileDataProvider::Load(const QString& Path)
{
    if (IsLoading() || IsDestroying())
        return;
    QString path = Path;
    if (path.isEmpty())
        path = IsDesigning() && !FDesignDataFile.isEmpty() && QFile::exists(FDesignDataFile) ? FDesignDataFile : FFileName;
    if (path.isEmpty())
        return;
    if (!QFile::exists(path)) {
        if (IsDesigning())
            return;
        throw Exception(QStringLiteral("File is not exists: ") + path);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Cannot open file %1: %2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(QStringLiteral("Cannot read file %1: %2").arg(path, file.errorString()));
    file.close();

    // Everything that can fail happens before the old data goes. UTF-8 is checked in place,
    // its byte-order mark skipped rather than cut off.
    const QString encoding = FileEncodingName(FEncoding);
    const QByteArray preamble = TEncoding::Preamble(encoding);
    const qsizetype mark = !preamble.isEmpty() && bytes.startsWith(preamble) ? preamble.size() : 0;
    TKvFileLines lines;
    try {
        if (TEncoding::IsUtf8(encoding)) {
            // Checked while it is split, and whatever the split left unchecked after it.
            lines.SetText(std::move(bytes), mark, encoding);
        } else {
            bytes.remove(0, mark);
            lines.SetText(TEncoding::ToUtf8(std::move(bytes), encoding));
        }
        SplitRecords(lines);
        lines.CheckText(lines.Text().size());
    } catch (const EEncodingError& e) {
        // The encoding names the byte; the file it is in is named here.
        throw EEncodingError(e.Message() + QStringLiteral(" in ") + path);
    }

    ClearData();
    FFileData = std::move(lines);
    FLoaded = false;
    FLoadedPath.clear();
    LoadData(FFileData);
    FLoaded = true;
    FLoadedPath = path;
    DoReset();
    if (!PreserveData())
        FFileData.Clear();
}

void TKvFileDataProvider::Save()
{
    if (IsDestroying() || !FLoaded || FFileName.isEmpty() || IsDesigning())
        return;
    if (QFileInfo(FLoadedPath).absoluteFilePath() != QFileInfo(FFileName).absoluteFilePath())
        return;
    if (!QFile::exists(FFileName))
        throw Exception(QStringLiteral("File is not exists: ") + FFileName);
    // The text goes to a temporary file beside the file, renamed over it once whole; a write
    // or an encoding that fails drops the temporary file.
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EInOutError(QStringLiteral("Cannot write file %1: %2").arg(FFileName, file.errorString()));
    TFileSink sink(file, FileEncodingName(FEncoding));
    WriteData(sink);
    sink.Finish();
    if (!file.commit()) {
        const QString error = file.errorString();
        file.cancelWriting();
        throw EInOutError(QStringLiteral("Cannot write file %1: %2").arg(FFileName, error));
    }
}

void TKvFileDataProvider::SaveIfAuto()
{
    if (FAutoSave)
        Save();
}

void TKvFileDataProvider::SetFileName(const QString& Value)
{
    if (Value == FFileName)
        return;
    const QString old = FFileName;
    FFileName = Value;
    if (!FAutoLoad && !IsDesigning())
        return;
    {
        TScopeExit restore([&] { FFileName = old; });
        Load();
        restore.Dismiss();
    }
}

void TKvFileDataProvider::SetEncoding(TKvFileEncoding Value)
{
    if (Value == FEncoding)
        return;
    const TKvFileEncoding old = FEncoding;
    FEncoding = Value;
    if (!FLoaded)
        return;
    {
        TScopeExit restore([&] { FEncoding = old; });
        Load();
        restore.Dismiss();
    }
}

void TKvFileDataProvider::SetAutoLoad(bool Value)
{
    const bool was = FAutoLoad;
    FAutoLoad = Value;
    if (Value && !was)
        Load();
}

void TKvFileDataProvider::SetDesignDataFile(const QString& Value)
{
    if (Value == FDesignDataFile)
        return;
    FDesignDataFile = Value;
    if (IsDesigning())
        Load();
}

// --- 3. TKvCsvDataProvider ------------------------------------------------------------------

TKvCsvDataProvider::TKvCsvDataProvider(TComponent* AOwner) : TKvFileDataProvider(AOwner) {}

TKvCsvDataProvider::~TKvCsvDataProvider() = default;

void TKvCsvDataProvider::Loaded()
{
    TKvFileDataProvider::Loaded();
    if (!IsDesigning()) {
        if (GetAutoLoad())
            Load();
        return;
    }
    // At design time the rows are a preview: a file that does not read is reported, and the
    // form opens without them.
    try {
        Load();
    } catch (const Exception& e) {
        const QString name = GetName().isEmpty() ? ClassName() : GetName();
        ReportException(QStringLiteral("Error reading %1: %2").arg(name, e.Message()));
    }
}

void TKvCsvDataProvider::Reload()
{
    if (GetLoaded())
        Load();
}

void TKvCsvDataProvider::SetHeadLine(int Value)
{
    if (ChangeField(FHeadLine, Value))
        Reload();
}

void TKvCsvDataProvider::SetTypeLine(int Value)
{
    if (ChangeField(FTypeLine, Value))
        Reload();
}

void TKvCsvDataProvider::SetMaxLoadRows(int Value)
{
    Value = std::max(Value, 0);
    if (Value == FMaxLoadRows)
        return;
    FMaxLoadRows = Value;
    Reload();
}

int TKvCsvDataProvider::RowLimit() const
{
    int rows = FMaxLoadRows > 0 ? FMaxLoadRows : std::numeric_limits<int>::max();
    if (IsDesigning())
        rows = std::min(rows, 10);
    return rows;
}

void TKvCsvDataProvider::SplitRecords(TKvFileLines& Lines) const
{
    TValueIndexPlan plan;
    plan.First = FirstDataLine();
    plan.Rows = RowLimit();
    plan.FieldsLine = std::max(FHeadLine, 0);
    SplitText(Lines, true, &plan);
}

void TKvCsvDataProvider::ClearData()
{
    FInOrder = true;
    FRowCount = 0;
    FRows = {};
    FOwnRows = {};
    FFreeOwnRows = {};
    FFields = TNames();
    FFieldTypes.clear();
    FLoadedRows = 0;
    FTailLine = 0;
}

void TKvCsvDataProvider::LoadData(const TKvFileLines& Lines)
{
    ClearData();
    const int count = Lines.Count();
    // The header and type lines are read value by value, without a list of them.
    const auto eachValue = [](QByteArrayView record, auto&& take) {
        qsizetype at = 0;
        for (;;) {
            if (!take(ReadValue(record, at)) || at >= record.size())
                break;
            ++at;
        }
    };
    if (FHeadLine >= 0 && count > FHeadLine) {
        const QByteArrayView header = Lines.Bytes(FHeadLine);
        FFields.Line = FHeadLine;
        for (qsizetype at = 0;; ++at) {
            if (FFields.Count % kNameBlock == 0)
                FFields.Blocks.push_back(at);
            ++FFields.Count;
            at = ValueEnd(header, at);
            if (at >= header.size())
                break;
        }
        FFields.Blocks.shrink_to_fit();
    } else if (count > 0) {
        eachValue(Lines.Bytes(0), [this](const QString&) { return ++FFields.Count > 0; });
    }
    if (FTypeLine > 0 && count > FTypeLine) {
        eachValue(Lines.Bytes(FTypeLine), [this](const QString& letter) {
            if (static_cast<int>(FFieldTypes.size()) >= FFields.Count)
                return false;
            const QString t = letter.trimmed().toUpper();
            FFieldTypes.push_back(t == QLatin1String("N")   ? ValueTypeNumeric
                                  : t == QLatin1String("B") ? ValueTypeBool
                                  : t == QLatin1String("D") ? ValueTypeDateTime
                                                            : ValueTypeText);
            return true;
        });
    }
    const int first = FirstDataLine();
    const int rows = std::min(std::max(0, count - first), RowLimit());
    const int fields = FFields.Count;
    // The rows read their values from the kept records; their value ends come from the split,
    // or are found here for records split another way.
    if (!FFileData.HasValues(first, fields, rows)) {
        FFileData.BeginValues(first, fields);
        FFileData.ReserveValues(static_cast<size_t>(rows));
        std::vector<quint32> ends;
        for (int i = 0; i < rows; ++i) {
            const QByteArrayView r = FFileData.Bytes(first + i);
            FindValueEnds(r, ends);
            FFileData.AppendValues(ends.data(), ends.size(), r.size());
        }
    }
    FStartsLine = first;
    FRowCount = rows;
    FLoadedRows = rows;
    FTailLine = std::min(count, first + rows);
}

void TKvCsvDataProvider::WriteData(TKvTextSink& Out)
{
    const int count = FFileData.Count();
    const int first = FirstDataLine();
    const QByteArrayView lineBreak = FFileData.LineBreak();
    // A file whose last record has no line break keeps it so.
    const bool openEnd = count > 0 && FFileData.Terminator(count - 1).isEmpty();
    // Each line break is written when the next line comes, so that the last can be left off.
    QByteArrayView pending;
    // The last two bytes written.
    char tail[2] = {0, 0};
    const auto put = [&](QByteArrayView bytes) {
        if (bytes.isEmpty())
            return;
        Out.Write(bytes);
        if (bytes.size() >= 2) {
            tail[0] = bytes[bytes.size() - 2];
            tail[1] = bytes.back();
        } else {
            tail[0] = tail[1];
            tail[1] = bytes.back();
        }
    };
    qsizetype lastLength = 0;
    const auto line = [&](QByteArrayView bytes, int origin) {
        put(pending);
        lastLength = bytes.size();
        put(bytes);
        const QByteArrayView own = origin >= 0 ? FFileData.Terminator(origin) : QByteArrayView();
        pending = own.isEmpty() ? lineBreak : own;
        // An empty line ended by LF after a line ended by a lone CR would read as one CR LF.
        if (bytes.isEmpty() && pending.startsWith('\n') && tail[1] == '\r')
            pending = QByteArrayView(kCrLf, 2);
    };
    // Records A to B - 1 of the file: the first as a line, the rest as the file has them.
    const auto records = [&](int a, int b) {
        if (a >= b)
            return;
        line(FFileData.Bytes(a), a);
        if (b - a == 1)
            return;
        const QByteArrayView last = FFileData.Bytes(b - 1);
        const char* from = FFileData.Bytes(a + 1).data();
        put(pending);
        put(QByteArrayView(from, last.data() + last.size() - from));
        lastLength = last.size();
        const QByteArrayView own = FFileData.Terminator(b - 1);
        pending = own.isEmpty() ? lineBreak : own;
        if (last.isEmpty() && pending.startsWith('\n') && tail[1] == '\r')
            pending = QByteArrayView(kCrLf, 2);
    };
    records(0, std::min(first, count));
    // A short file keeps its rows below the header and type lines; a header line it lacked
    // names the fields as they were read.
    if (FRowCount > 0)
        for (int i = count; i < first; ++i)
            line(i == FHeadLine ? QByteArrayView(JoinValues(NameList())) : QByteArrayView(), -1);
    for (int r = 0; r < FRowCount;) {
        const qint32 ref = RowRef(r);
        if (ref < 0) {
            const TOwnRow& own = FOwnRows[static_cast<size_t>(-1 - ref)];
            line(JoinValues(own.Values), own.Line);
            ++r;
            continue;
        }
        // Rows that are the file's records in order go out as one run.
        int next = r + 1;
        while (next < FRowCount && RowRef(next) == ref + (next - r))
            ++next;
        records(ref, ref + (next - r));
        r = next;
    }
    records(FTailLine, count);
    // An empty last line keeps its line break, or it would not read back.
    if (openEnd && lastLength > 0 && !pending.isEmpty()) {
        char ends[4];
        qsizetype n = 0;
        if (pending.size() < lineBreak.size()) {
            ends[n++] = tail[0];
            ends[n++] = tail[1];
        }
        for (const char c : pending)
            ends[n++] = c;
        if (QByteArrayView(ends, n).endsWith(lineBreak))
            pending.chop(lineBreak.size());
    }
    put(pending);
}

namespace {

// Collects the text in memory.
class TBufferSink : public TKvTextSink
{
public:
    void Write(QByteArrayView Utf8) override { Text.append(Utf8); }
    QByteArray Text;
};

} // namespace

QByteArray TKvCsvDataProvider::SaveData()
{
    TBufferSink sink;
    sink.Text.reserve(FFileData.Text().size() + 2 * static_cast<qsizetype>(FFileData.Count()) + 64);
    WriteData(sink);
    return std::move(sink.Text);
}

void TKvCsvDataProvider::RowError(int Row)
{
    throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid index.").arg(Row));
}

void TKvCsvDataProvider::FieldError(int Field)
{
    throw EArgumentOutOfRangeException(QStringLiteral("Field %1 is invalid index.").arg(Field));
}

QString TKvCsvDataProvider::GetFieldName(int Field) const
{
    CheckField(Field);
    return NameAt(Field);
}

int TKvCsvDataProvider::GetFieldIndex(const QString& Name) const
{
    if (FFields.Line < 0) {
        for (int i = 0; i < FFields.Count; ++i)
            if (NameAt(i).compare(Name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    const QByteArrayView header = FFileData.Bytes(FFields.Line);
    qsizetype at = 0;
    for (int i = 0; i < FFields.Count; ++i, ++at)
        if (ReadValue(header, at).compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TKvGridValueType TKvCsvDataProvider::GetValueType(int Field) const
{
    CheckField(Field);
    return static_cast<size_t>(Field) < FFieldTypes.size() ? FFieldTypes[static_cast<size_t>(Field)] : ValueTypeText;
}

QString TKvCsvDataProvider::NameAt(int Index) const
{
    if (FFields.Line < 0)
        return QStringLiteral("Field%1").arg(Index + 1);
    const QByteArrayView header = FFileData.Bytes(FFields.Line);
    qsizetype at = FFields.Blocks[static_cast<size_t>(Index / kNameBlock)];
    for (int k = Index % kNameBlock; k > 0; --k)
        at = ValueEnd(header, at) + 1;
    return ReadValue(header, at);
}

QStringList TKvCsvDataProvider::NameList() const
{
    QStringList names;
    names.reserve(FFields.Count);
    if (FFields.Line < 0) {
        for (int i = 0; i < FFields.Count; ++i)
            names.append(NameAt(i));
        return names;
    }
    const QByteArrayView header = FFileData.Bytes(FFields.Line);
    qsizetype at = 0;
    for (int i = 0; i < FFields.Count; ++i, ++at)
        names.append(ReadValue(header, at));
    return names;
}

QString TKvCsvDataProvider::RecordValue(int Line, int Field) const
{
    qsizetype start = 0, end = 0;
    if (!FFileData.ValueSpan(Line, Field, start, end))
        return QString();
    const QByteArrayView value(FFileData.Text().constData() + start, end - start);
    // The file's text was checked as UTF-8 when it was loaded.
    if (value.isEmpty() || value.front() != '"')
        return TEncoding::DecodeValidUtf8(value);
    qsizetype at = 0;
    return ReadValueWith(value, at, TEncoding::DecodeValidUtf8);
}

Variant TKvCsvDataProvider::GetData(int Row, int Field) const
{
    CheckRow(Row);
    CheckField(Field);
    const qint32 ref = RowRef(Row);
    if (ref < 0)
        return Variant(FOwnRows[static_cast<size_t>(-1 - ref)].Values.value(Field));
    return Variant(RecordValue(ref, Field));
}

void TKvCsvDataProvider::Unorder()
{
    if (!FInOrder)
        return;
    FRows.resize(static_cast<size_t>(FRowCount));
    for (int i = 0; i < FRowCount; ++i)
        FRows[static_cast<size_t>(i)] = FStartsLine + i;
    FInOrder = false;
}

QStringList& TKvCsvDataProvider::Own(int Row)
{
    const qint32 ref = RowRef(Row);
    if (ref < 0)
        return FOwnRows[static_cast<size_t>(-1 - ref)].Values;
    TOwnRow own;
    own.Line = ref;
    own.Values = SplitValues(FFileData.Bytes(ref));
    while (own.Values.size() < FFields.Count)
        own.Values.append(QString());
    Unorder();
    const qint32 ownRef = AddOwn(std::move(own));
    FRows[static_cast<size_t>(Row)] = ownRef;
    return FOwnRows[static_cast<size_t>(-1 - ownRef)].Values;
}

qint32 TKvCsvDataProvider::AddOwn(TOwnRow Own)
{
    if (!FFreeOwnRows.empty()) {
        const size_t at = FFreeOwnRows.back();
        FFreeOwnRows.pop_back();
        FOwnRows[at] = std::move(Own);
        return -1 - static_cast<qint32>(at);
    }
    FOwnRows.push_back(std::move(Own));
    return -static_cast<qint32>(FOwnRows.size());
}

void TKvCsvDataProvider::SetData(int Row, int Field, const Variant& Value)
{
    CheckRow(Row);
    CheckField(Field);
    const QString text = Value.ToString();
    Own(Row)[Field] = text;
    DoValueChanged(Row, Field);
    SaveIfAuto();
}

void TKvCsvDataProvider::UpdateRow(int Row, const TKvGridDataRow& Values)
{
    CheckRow(Row);
    QStringList texts;
    const int n = std::min(GetFieldCount(), static_cast<int>(Values.size()));
    for (int i = 0; i < n; ++i)
        texts.append(Values[static_cast<size_t>(i)].ToString());
    QStringList& row = Own(Row);
    for (int i = n - 1; i >= 0; --i)
        row[i] = texts[i];
    DoRowUpdated(Row);
    SaveIfAuto();
}

void TKvCsvDataProvider::InsertRow(int Row, const TKvGridDataRow& Values)
{
    if (Row < 0 || Row > GetRowCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid inserting index.").arg(Row));
    TOwnRow own;
    for (int i = 0; i < GetFieldCount(); ++i)
        own.Values.append(static_cast<size_t>(i) < Values.size() ? Values[static_cast<size_t>(i)].ToString() : QString());
    Unorder();
    FRows.reserve(FRows.size() + 1);
    FRows.insert(FRows.begin() + Row, AddOwn(std::move(own)));
    ++FRowCount;
    DoRowInserted(Row);
    SaveIfAuto();
}

void TKvCsvDataProvider::EraseRows(const TKvIntegerArray& Sorted)
{
    Unorder();
    // One pass: the kept rows close up; the slots of removed rows' own values are freed.
    size_t to = 0, next = 0;
    for (size_t from = 0; from < FRows.size(); ++from) {
        if (next < Sorted.size() && static_cast<size_t>(Sorted[next]) == from) {
            ++next;
            if (FRows[from] < 0) {
                const size_t own = static_cast<size_t>(-1 - FRows[from]);
                FOwnRows[own] = TOwnRow();
                FFreeOwnRows.push_back(own);
            }
            continue;
        }
        FRows[to++] = FRows[from];
    }
    FRows.resize(to);
    FRowCount = static_cast<int>(to);
}

void TKvCsvDataProvider::RemoveRow(int Row)
{
    if (Row < 0 || Row >= GetRowCount())
        return;
    EraseRows({Row});
    DoRowRemoved(Row);
    SaveIfAuto();
}

void TKvCsvDataProvider::RemoveRows(const TKvIntegerArray& Rows)
{
    TKvIntegerArray rows;
    for (int row : Rows)
        if (row >= 0 && row < GetRowCount())
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return;
    EraseRows(rows);
    DoRowsRemoved(rows);
    SaveIfAuto();
}

int TKvCsvDataProvider::CompareValue(int Field, int Row1, int Row2) const
{
    if (GetValueType(Field) != ValueTypeNumeric)
        return TKvFileDataProvider::CompareValue(Field, Row1, Row2);
    double a = 0, b = 0;
    if (!TryStrToFloat(GetData(Row1, Field).AsString(), a))
        a = 0;
    if (!TryStrToFloat(GetData(Row2, Field).AsString(), b))
        b = 0;
    return (a > b) - (a < b);
}

TKvGridSortKeyKind TKvCsvDataProvider::GetSortKeyKind(int Field) const
{
    return Field >= 0 && Field < GetFieldCount() && GetValueType(Field) == ValueTypeNumeric
               ? SortKeyOwn
               : SortKeyValues;
}

double TKvCsvDataProvider::NumberAt(qint32 Ref, int Field) const
{
    double d = 0;
    if (Ref < 0)
        return TryStrToFloat(FOwnRows[static_cast<size_t>(-1 - Ref)].Values.value(Field), d) ? d : 0;
    qsizetype start = 0, end = 0;
    if (!FFileData.ValueSpan(Ref, Field, start, end))
        return 0;
    const QByteArrayView value(FFileData.Text().constData() + start, end - start);
    if (!value.isEmpty() && value.front() == '"') {
        qsizetype at = 0;
        return TryStrToFloat(ReadValue(value, at), d) ? d : 0;
    }
    return NumberOf(value);
}

void TKvCsvDataProvider::GetSortKeys(int Field, TKvRowIndices Rows, Variant* Keys) const
{
    CheckField(Field);
    for (size_t i = 0; i < Rows.size(); ++i)
        Keys[i] = Variant(NumberAt(RowRef(Rows[i]), Field));
}

// --- 4. TKvIniDataProvider, publishing --------------------------------------------------------

TKvIniDataProvider::TKvIniDataProvider(TComponent* AOwner) : TKvFileDataProvider(AOwner) {}

KV_PUBLISH_ENUM(TKvFileEncoding, "EncodingANSI", "EncodingASCII", "EncodingBigEndianUnicode", "EncodingDefault",
                "EncodingUnicode", "EncodingUTF7", "EncodingUTF8");

using TFileProvider = TKvFileDataProvider;
KV_PUBLISH(TKvFileDataProvider, TComponent)
    .Property("FileName", &TFileProvider::GetFileName, &TFileProvider::SetFileName)
    .Property("Encoding", &TFileProvider::GetEncoding, &TFileProvider::SetEncoding).Default(EncodingUTF8)
    .Property("AutoLoad", &TFileProvider::GetAutoLoad, &TFileProvider::SetAutoLoad).Default(true)
    // The stored default is the initial value, so a False is written and reads back.
    .Property("AutoSave", &TFileProvider::GetAutoSave, &TFileProvider::SetAutoSave).Default(true)
    .Property("ReadOnly", &TFileProvider::GetReadOnly, &TFileProvider::SetReadOnly).Default(false)
    .Property("DesignDataFile", &TFileProvider::GetDesignDataFile, &TFileProvider::SetDesignDataFile);

KV_PUBLISH(TKvCsvDataProvider, TKvFileDataProvider)
    .Property("HeadLine", &TKvCsvDataProvider::GetHeadLine, &TKvCsvDataProvider::SetHeadLine).Default(0)
    .Property("TypeLine", &TKvCsvDataProvider::GetTypeLine, &TKvCsvDataProvider::SetTypeLine).Default(-1)
    .Property("MaxLoadRows", &TKvCsvDataProvider::GetMaxLoadRows, &TKvCsvDataProvider::SetMaxLoadRows).Default(0)
    .Property("MergeWhenSave", &TKvCsvDataProvider::GetMergeWhenSave, &TKvCsvDataProvider::SetMergeWhenSave).Default(true);

KV_PUBLISH(TKvIniDataProvider, TKvFileDataProvider);

} // namespace kv
