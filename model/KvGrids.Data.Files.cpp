// Index
//   1. Records: splitting text into records, values of a record, joining values
//   2. TKvFileDataProvider: loading and atomic saving through an encoding
//   3. TKvCsvDataProvider: fields, rows, merged save
//   4. TKvIniDataProvider, publishing
//
// Call flow: Load reads the bytes, converts them to UTF-8, splits them into records
// (SplitRecords) and only then replaces the data (ClearData, LoadData), so a file that does
// not read leaves the old data. Rows of the CSV provider point at their record (whose value
// starts LoadData finds once) until a value changes, then hold their own values. Save asks
// SaveData for the UTF-8 text, converts it to the encoding (a character it cannot hold raises
// before the file is touched) and writes it through QSaveFile.
#include "model/KvGrids.Data.Files.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/TextEncoding.h"
#include "platform/rtl/TypInfo.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSaveFile>
#include <algorithm>
#include <cstring>

namespace kv {

// --- 1. Records ---------------------------------------------------------------------------

namespace {

const char kCrLf[] = "\r\n";
const char kUtf8Bom[] = "\xEF\xBB\xBF";

// Splits text into records at CR LF, LF or CR; with Quoted, line breaks inside a value that
// begins with a quote stay in the record.
void SplitText(TKvFileLines& lines, bool quoted)
{
    const QByteArray& text = lines.Text();
    const char* p = text.constData();
    const qsizetype n = text.size();
    lines.Reserve(static_cast<size_t>(n / 64 + 1));
    qsizetype pos = 0;
    while (pos < n) {
        const auto* nl = static_cast<const char*>(std::memchr(p + pos, '\n', static_cast<size_t>(n - pos)));
        const qsizetype end = nl ? nl - p : n;
        const size_t span = static_cast<size_t>(end - pos);
        const auto* cr = static_cast<const char*>(std::memchr(p + pos, '\r', span));
        const bool quote = quoted && std::memchr(p + pos, '"', span) != nullptr;
        if (!quote && (!cr || cr == p + end - 1)) {
            lines.Append(pos, end - pos - (cr ? 1 : 0));
            pos = end + 1;
            continue;
        }
        // A record with quotes or a lone CR: walk it value by value.
        qsizetype i = pos;
        bool valueStart = true;
        for (;;) {
            if (i >= n) {
                lines.Append(pos, n - pos);
                pos = n;
                break;
            }
            const char c = p[i];
            if (quoted && valueStart && c == '"') {
                ++i;
                for (;;) {
                    const auto* q = static_cast<const char*>(std::memchr(p + i, '"', static_cast<size_t>(n - i)));
                    if (!q)
                        throw EConvertError(QStringLiteral("Quoted value is not closed at the end of the file in record %1")
                                                .arg(lines.Count() + 1));
                    i = q - p + 1;
                    if (i < n && p[i] == '"') {
                        ++i;
                        continue;
                    }
                    break;
                }
                valueStart = false;
                continue;
            }
            valueStart = c == ',';
            if (c == '\n' || c == '\r') {
                lines.Append(pos, i - pos);
                pos = i + (c == '\r' && i + 1 < n && p[i + 1] == '\n' ? 2 : 1);
                break;
            }
            ++i;
        }
    }
}

// Reads one value from at (a quoted value when it begins with a quote); at moves past it.
QString ReadValue(QByteArrayView r, qsizetype& at)
{
    const qsizetype n = r.size();
    if (at < n && r[at] == '"') {
        QByteArray buf;
        qsizetype i = at + 1;
        while (i < n) {
            const qsizetype q = r.indexOf('"', i);
            if (q < 0) {
                buf.append(r.sliced(i));
                i = n;
                break;
            }
            buf.append(r.sliced(i, q - i));
            if (q + 1 < n && r[q + 1] == '"') {
                buf.append('"');
                i = q + 2;
            } else {
                i = q + 1;
                break;
            }
        }
        // Text after the closing quote belongs to the value as it stands.
        qsizetype comma = r.indexOf(',', i);
        if (comma < 0)
            comma = n;
        buf.append(r.sliced(i, comma - i));
        at = comma;
        return TEncoding::DecodeUtf8(buf);
    }
    qsizetype comma = r.indexOf(',', at);
    if (comma < 0)
        comma = n;
    const QString value = TEncoding::DecodeUtf8(r.sliced(at, comma - at));
    at = comma;
    return value;
}

// Writes where each of the first count values of a record starts (the rules of ReadValue);
// starts past the record's last value are noValue.
void FindValueStarts(QByteArrayView r, quint32* starts, size_t count, quint32 noValue)
{
    const char* p = r.data();
    const qsizetype n = r.size();
    const bool quotes = r.contains('"');
    qsizetype at = 0;
    size_t k = 0;
    for (; k < count; ++k) {
        starts[k] = static_cast<quint32>(at);
        if (quotes && at < n && p[at] == '"') {
            qsizetype i = at + 1;
            while (i < n) {
                const auto* q = static_cast<const char*>(std::memchr(p + i, '"', static_cast<size_t>(n - i)));
                if (!q) {
                    i = n;
                    break;
                }
                i = q - p + 1;
                if (i < n && p[i] == '"')
                    ++i;
                else
                    break;
            }
            at = i;
        }
        const auto* comma = at < n ? static_cast<const char*>(std::memchr(p + at, ',', static_cast<size_t>(n - at))) : nullptr;
        if (!comma)
            break;
        at = comma - p + 1;
    }
    for (++k; k < count; ++k)
        starts[k] = noValue;
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
    return TryStrToFloat(TEncoding::DecodeUtf8(bytes), d) ? d : 0;
}

bool NeedsQuotes(const QString& value)
{
    for (const QChar c : value)
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    return false;
}

} // namespace

void TKvFileLines::Clear()
{
    FText.clear();
    FSpans.clear();
    FSpans.shrink_to_fit();
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

void TKvFileDataProvider::SplitRecords(TKvFileLines& Lines) const { SplitText(Lines, false); }

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

    // Everything that can fail happens before the old data goes.
    const QString encoding = FileEncodingName(FEncoding);
    const QByteArray preamble = TEncoding::Preamble(encoding);
    if (!preamble.isEmpty() && bytes.startsWith(preamble))
        bytes.remove(0, preamble.size());
    TKvFileLines lines;
    lines.SetText(TEncoding::ToUtf8(std::move(bytes), encoding));
    SplitRecords(lines);

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
    const QString encoding = FileEncodingName(FEncoding);
    QByteArray text = SaveData();
    const QByteArray mark = text.startsWith(kUtf8Bom) ? TEncoding::Preamble(encoding) : QByteArray();
    const QByteArray bytes = mark + TEncoding::FromUtf8(std::move(text), encoding);
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EInOutError(QStringLiteral("Cannot write file %1: %2").arg(FFileName, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit()) {
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

void TKvCsvDataProvider::SplitRecords(TKvFileLines& Lines) const { SplitText(Lines, true); }

void TKvCsvDataProvider::ClearData()
{
    FData.clear();
    FStarts.clear();
    FStarts.shrink_to_fit();
    FFields.clear();
    FFieldTypes.clear();
    FLoadedRows = 0;
    FTailLine = 0;
}

void TKvCsvDataProvider::LoadData(const TKvFileLines& Lines)
{
    ClearData();
    const int count = Lines.Count();
    if (FHeadLine >= 0 && count > FHeadLine) {
        FFields = SplitValues(Lines.Bytes(FHeadLine));
    } else if (count > 0) {
        const qsizetype n = SplitValues(Lines.Bytes(0)).size();
        for (qsizetype i = 1; i <= n; ++i)
            FFields.append(QStringLiteral("Field%1").arg(i));
    }
    FFieldTypes.assign(static_cast<size_t>(FFields.size()), ValueTypeText);
    if (FTypeLine > 0 && count > FTypeLine) {
        const QStringList letters = SplitValues(Lines.Bytes(FTypeLine));
        for (qsizetype i = 0; i < std::min(letters.size(), FFields.size()); ++i) {
            const QString t = letters[i].trimmed().toUpper();
            FFieldTypes[static_cast<size_t>(i)] = t == QLatin1String("N")   ? ValueTypeNumeric
                                                  : t == QLatin1String("B") ? ValueTypeBool
                                                  : t == QLatin1String("D") ? ValueTypeDateTime
                                                                            : ValueTypeText;
        }
    }
    const int first = FirstDataLine();
    int rows = std::max(0, count - first);
    if (FMaxLoadRows > 0)
        rows = std::min(rows, FMaxLoadRows);
    if (IsDesigning())
        rows = std::min(rows, 10);
    FData.resize(static_cast<size_t>(rows));
    const size_t fields = static_cast<size_t>(FFields.size());
    FStarts.resize(static_cast<size_t>(rows) * fields);
    FStartsLine = first;
    for (int i = 0; i < rows; ++i) {
        FData[static_cast<size_t>(i)].Line = first + i;
        FindValueStarts(Lines.Bytes(first + i), FStarts.data() + static_cast<size_t>(i) * fields, fields, kNoValue);
    }
    FLoadedRows = rows;
    FTailLine = std::min(count, first + rows);
}

QByteArray TKvCsvDataProvider::SaveData()
{
    const int count = FFileData.Count();
    const int first = FirstDataLine();
    const QByteArrayView lineBreak = FFileData.LineBreak();
    // A file whose last record has no line break keeps it so.
    const bool openEnd = count > 0 && FFileData.Terminator(count - 1).isEmpty();
    QByteArray out;
    out.reserve(FFileData.Text().size() + 2 * static_cast<qsizetype>(count) + 64);
    qsizetype lastLength = 0;
    const auto line = [&](QByteArrayView bytes, int origin) {
        lastLength = bytes.size();
        out.append(bytes);
        const QByteArrayView own = origin >= 0 ? FFileData.Terminator(origin) : QByteArrayView();
        QByteArrayView end = own.isEmpty() ? lineBreak : own;
        // An empty line ended by LF after a line ended by a lone CR would read as one CR LF.
        if (bytes.isEmpty() && end.startsWith('\n') && out.endsWith('\r'))
            end = QByteArrayView(kCrLf, 2);
        out.append(end);
    };
    for (int i = 0; i < std::min(first, count); ++i)
        line(FFileData.Bytes(i), i);
    // A short file keeps its rows below the header and type lines; a header line it lacked
    // names the fields as they were read.
    if (!FData.empty())
        for (int i = count; i < first; ++i)
            line(i == FHeadLine ? QByteArrayView(JoinValues(FFields)) : QByteArrayView(), -1);
    for (const TRow& row : FData)
        line(row.Values ? QByteArrayView(JoinValues(*row.Values)) : FFileData.Bytes(row.Line), row.Line);
    for (int i = FTailLine; i < count; ++i)
        line(FFileData.Bytes(i), i);
    // An empty last line keeps its line break, or it would not read back.
    if (openEnd && lastLength > 0 && out.endsWith(lineBreak))
        out.chop(lineBreak.size());
    return out;
}

void TKvCsvDataProvider::CheckRow(int Row) const
{
    if (Row < 0 || Row >= GetRowCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid index.").arg(Row));
}

void TKvCsvDataProvider::CheckField(int Field) const
{
    if (Field < 0 || Field >= GetFieldCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Field %1 is invalid index.").arg(Field));
}

QString TKvCsvDataProvider::GetFieldName(int Field) const
{
    CheckField(Field);
    return FFields[Field];
}

int TKvCsvDataProvider::GetFieldIndex(const QString& Name) const
{
    for (qsizetype i = 0; i < FFields.size(); ++i)
        if (FFields[i].compare(Name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

TKvGridValueType TKvCsvDataProvider::GetValueType(int Field) const
{
    CheckField(Field);
    return FFieldTypes[static_cast<size_t>(Field)];
}

Variant TKvCsvDataProvider::GetData(int Row, int Field) const
{
    CheckRow(Row);
    CheckField(Field);
    const TRow& row = FData[static_cast<size_t>(Row)];
    if (row.Values)
        return Variant(row.Values->value(Field));
    qsizetype at = ValueStart(row.Line, Field);
    if (at == kNoValue)
        return Variant(QString());
    return Variant(ReadValue(FFileData.Bytes(row.Line), at));
}

QStringList& TKvCsvDataProvider::Own(int Row)
{
    TRow& row = FData[static_cast<size_t>(Row)];
    if (!row.Values) {
        row.Values = std::make_unique<QStringList>(SplitValues(FFileData.Bytes(row.Line)));
        while (row.Values->size() < FFields.size())
            row.Values->append(QString());
    }
    return *row.Values;
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
    TRow row;
    row.Values = std::make_unique<QStringList>();
    for (int i = 0; i < GetFieldCount(); ++i)
        row.Values->append(static_cast<size_t>(i) < Values.size() ? Values[static_cast<size_t>(i)].ToString() : QString());
    FData.insert(FData.begin() + Row, std::move(row));
    DoRowInserted(Row);
    SaveIfAuto();
}

void TKvCsvDataProvider::RemoveRow(int Row)
{
    if (Row < 0 || Row >= GetRowCount())
        return;
    FData.erase(FData.begin() + Row);
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
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        FData.erase(FData.begin() + *it);
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
    return Field >= 0 && Field < GetFieldCount() && FFieldTypes[static_cast<size_t>(Field)] == ValueTypeNumeric
               ? SortKeyOwn
               : SortKeyValues;
}

double TKvCsvDataProvider::NumberAt(const TRow& Row, int Field) const
{
    double d = 0;
    if (Row.Values)
        return TryStrToFloat(Row.Values->value(Field), d) ? d : 0;
    const quint32 start = ValueStart(Row.Line, Field);
    if (start == kNoValue)
        return 0;
    const QByteArrayView r = FFileData.Bytes(Row.Line);
    if (start < r.size() && r[start] == '"') {
        qsizetype at = start;
        return TryStrToFloat(ReadValue(r, at), d) ? d : 0;
    }
    qsizetype end = r.indexOf(',', start);
    if (end < 0)
        end = r.size();
    return NumberOf(r.sliced(start, end - start));
}

void TKvCsvDataProvider::GetSortKeys(int Field, TKvRowIndices Rows, Variant* Keys) const
{
    CheckField(Field);
    for (size_t i = 0; i < Rows.size(); ++i)
        Keys[i] = Variant(NumberAt(FData[static_cast<size_t>(Rows[i])], Field));
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
