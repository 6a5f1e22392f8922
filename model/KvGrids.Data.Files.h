// Text-file data providers: a base that reads a file into records through a chosen encoding
// and writes it back atomically, the comma-separated provider over it, and an empty ini
// provider on the same base.
#pragma once

#include "model/KvGrids.Data.h"

#include <QtCore/QByteArray>
#include <memory>
#include <vector>

namespace kv {

enum TKvFileEncoding {
    EncodingANSI,
    EncodingASCII,
    EncodingBigEndianUnicode,
    EncodingDefault,
    EncodingUnicode,
    EncodingUTF7,
    EncodingUTF8
};

// The name of the platform encoding behind an encoding value ("UTF-16LE", the system code
// page for EncodingANSI and EncodingDefault, ...).
QString FileEncodingName(TKvFileEncoding Encoding);

// The records of a file as UTF-8 text with the span of each record (line terminators left
// out), and, when a splitter found them, where the values of a range of records end.
class TKvFileLines
{
public:
    int Count() const { return static_cast<int>(FBreaks.size()); }
    QByteArrayView Bytes(int Index) const
    {
        const qsizetype start = Start(Index);
        return QByteArrayView(FText.constData() + start, End(Index) - start);
    }
    QString Line(int Index) const;
    // The line break that ends a record as the file has it; empty for a last record without one.
    QByteArrayView Terminator(int Index) const
    {
        const qsizetype end = End(Index);
        return QByteArrayView(FText.constData() + end, FBreaks[static_cast<size_t>(Index)]);
    }
    // The file's line-break style: its first line break, CR LF when it has none.
    QByteArrayView LineBreak() const;
    void Clear();
    // The records are read from Offset on (a byte-order mark before it is left out). With an
    // encoding name the text is UTF-8 still to be checked (CheckText), named so in the error.
    void SetText(QByteArray Text, qsizetype Offset = 0, const QString& Unchecked = QString());
    // The text holds U+FEFF (known for the checked part); its values need DecodeUtf8 to keep it.
    bool HoldsMarks() const { return FMarks; }
    // Checks the text up to To (at least) as UTF-8, once: an invalid sequence raises
    // EEncodingError naming its byte offset after Offset.
    void CheckText(qsizetype To)
    {
        if (To > FChecked)
            CheckMore(To);
    }
    const QByteArray& Text() const { return FText; }
    qsizetype Offset() const { return FOffset; }
    // Adds the record at Start, ended by a line break of BreakLength bytes.
    void Append(qsizetype Start, int BreakLength)
    {
        if (FBreaks.size() == FBreaks.capacity()) [[unlikely]]
            Grow();
        if (FWideText) [[unlikely]]
            FWide.push_back(Start);
        else
            FStarts.push_back(static_cast<quint32>(Start));
        FBreaks.push_back(static_cast<quint8>(BreakLength));
    }
    void Reserve(size_t Count);

    // Value ends: up to Fields of them for each record from record First on, offsets in the
    // record. A record keeps only the ends it has, so a short record takes room for its own
    // values, however many fields there are.
    void BeginValues(int First, int Fields);
    // Room for the ends of Records more records, at the pace of the records indexed so far.
    void ReserveValues(size_t Records);
    // The ends of the values of the next indexed record (the first Fields of Count).
    void AppendValues(const quint32* Ends, size_t Count, qsizetype RecordLength)
    {
        const size_t n = std::min(Count, static_cast<size_t>(FValueFields));
        if (RecordLength >= kLong || FEndsSize + n > FEndsCapacity || FWideText) [[unlikely]] {
            AppendValuesSlow(Ends, Count, RecordLength);
            return;
        }
        FEndsAt.push_back(static_cast<quint32>(FEndsSize));
        quint16* to = FEnds.get() + FEndsSize;
        for (size_t k = 0; k < n; ++k)
            to[k] = static_cast<quint16>(Ends[k]);
        FEndsSize += n;
        ++FValueRecords;
    }
    bool HasValues(int First, int Fields, int Records) const
    {
        return FValueFirst == First && FValueFields == Fields && FValueRecords >= Records;
    }
    // Where value Field of record Index starts and ends in the text; false past a short
    // record's last value. Index must be among the indexed records.
    bool ValueSpan(int Index, int Field, qsizetype& Start, qsizetype& End) const
    {
        const size_t k = static_cast<size_t>(Index - FValueFirst);
        const size_t at = EndsAt(k);
        const size_t count = (k + 1 < static_cast<size_t>(FValueRecords) ? EndsAt(k + 1) : FEndsSize) - at;
        const quint16* ends = FEnds.get() + at;
        if (count > 0 && ends[0] == kLong) [[unlikely]]
            return LongValueSpan(Index, Field, Start, End);
        if (static_cast<size_t>(Field) >= count)
            return false;
        const qsizetype base = this->Start(Index);
        Start = base + (Field == 0 ? 0 : ends[Field - 1] + 1);
        End = base + ends[Field];
        return true;
    }

private:
    qsizetype Start(int Index) const
    {
        return FWideText ? FWide[static_cast<size_t>(Index)] : static_cast<qsizetype>(FStarts[static_cast<size_t>(Index)]);
    }
    qsizetype End(int Index) const
    {
        const qsizetype next = static_cast<size_t>(Index) + 1 < FBreaks.size() ? Start(Index + 1) : FText.size();
        return next - FBreaks[static_cast<size_t>(Index)];
    }
    bool LongValueSpan(int Index, int Field, qsizetype& Start, qsizetype& End) const;
    void CheckMore(qsizetype To);
    void Grow();
    void AppendValuesSlow(const quint32* Ends, size_t Count, qsizetype RecordLength);
    void ReserveEnds(size_t Count);
    // Where the ends of the indexed record K begin in FEnds.
    size_t EndsAt(size_t K) const
    {
        return FWideText ? static_cast<size_t>(FWideEndsAt[K]) : FEndsAt[K];
    }
    // 16-bit value ends; kLong alone marks a record too long for them, whose ends are in
    // FLongEnds.
    static constexpr quint16 kLong = 0xFFFE;
    QByteArray FText;
    qsizetype FOffset = 0;
    // The text is valid UTF-8 up to FChecked.
    qsizetype FChecked = 0;
    bool FMarks = false;
    QString FUnchecked;
    // Record starts: 32-bit while the text is below 4 GB, else FWide.
    bool FWideText = false;
    std::vector<quint32> FStarts;
    std::vector<qint64> FWide;
    std::vector<quint8> FBreaks;
    int FValueFirst = 0;
    int FValueFields = 0;
    int FValueRecords = 0;
    // Allocated, not filled: only the ends written take memory.
    std::unique_ptr<quint16[]> FEnds;
    // Per indexed record, its first end in FEnds: 32-bit while the text is below 4 GB (there
    // are fewer ends than bytes), else FWideEndsAt.
    std::vector<quint32> FEndsAt;
    std::vector<qint64> FWideEndsAt;
    size_t FEndsSize = 0;
    size_t FEndsCapacity = 0;
    std::vector<std::pair<int, std::vector<quint32>>> FLongEnds;
};

// Where a provider writes its text, as UTF-8, piece by piece.
class TKvTextSink
{
public:
    virtual ~TKvTextSink() = default;
    virtual void Write(QByteArrayView Utf8) = 0;
};

class TKvFileDataProvider : public TKvGridDataProvider
{
protected:
    friend class TCreateAccess;
    explicit TKvFileDataProvider(TComponent* AOwner = nullptr);

public:
    ~TKvFileDataProvider() override;

    // Reads the file (Path, else the file name; at design time the design data file when it
    // exists) into records and hands them to LoadData. A missing file raises
    // "File is not exists: <path>" at run time. A file that does not read raises and leaves
    // the data loaded before.
    void Load(const QString& Path = QString());
    // Writes WriteData's text over the file name in the encoding, streamed through a buffer
    // into a temporary file renamed over it: a failed write leaves the old file whole. Only
    // the file that was loaded is written: after a load of another path, or a failed load,
    // nothing is saved over the file name. Text that begins
    // with U+FEFF is written after the encoding's byte-order mark, so that it reads back.
    void Save();
    bool GetLoaded() const { return FLoaded; }

    const QString& GetFileName() const { return FFileName; }
    // Loads the file when AutoLoad is on; a load that raises puts the previous name back.
    void SetFileName(const QString& Value);
    TKvFileEncoding GetEncoding() const { return FEncoding; }
    // Reloads when loaded; a reload that raises puts the previous encoding back.
    void SetEncoding(TKvFileEncoding Value);
    bool GetAutoLoad() const { return FAutoLoad; }
    void SetAutoLoad(bool Value);
    bool GetAutoSave() const { return FAutoSave; }
    void SetAutoSave(bool Value) { FAutoSave = Value; }
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    const QString& GetDesignDataFile() const { return FDesignDataFile; }
    void SetDesignDataFile(const QString& Value);

    bool IsLocal() const override { return true; }
    bool CanUpdateRow(int Row) const override { return !FReadOnly; }
    bool CanAppendRow() const override { return !FReadOnly; }
    bool CanInsertRow(int Row) const override { return !FReadOnly; }
    bool CanDeleteRow(int Row) const override { return !FReadOnly; }
    bool CanUpdateField(int Field) const override { return !FReadOnly; }

    virtual void ClearData() = 0;
    virtual void LoadData(const TKvFileLines& Lines) = 0;
    // The text to write, as UTF-8.
    virtual QByteArray SaveData() = 0;
    // Writes the text to Out; SaveData's text by default.
    virtual void WriteData(TKvTextSink& Out);
    // Keep the records after loading.
    virtual bool PreserveData() const { return true; }
    // Splits the decoded text into records: one per line (CR LF, LF or CR) by default.
    virtual void SplitRecords(TKvFileLines& Lines) const;

protected:
    void SaveIfAuto();
    TKvFileLines FFileData;

private:
    bool FLoaded = false;
    // The file whose records FFileData holds.
    QString FLoadedPath;
    QString FFileName;
    TKvFileEncoding FEncoding = EncodingUTF8;
    bool FAutoLoad = true;
    bool FAutoSave = true;
    bool FReadOnly = false;
    QString FDesignDataFile;
};

class TKvCsvDataProvider : public TKvFileDataProvider
{
protected:
    friend class TCreateAccess;
    explicit TKvCsvDataProvider(TComponent* AOwner = nullptr);

public:
    ~TKvCsvDataProvider() override;
    // Loads when AutoLoad is on, and always at design time, where a file that does not read
    // is reported (ReportException) instead of failing the form.
    void Loaded() override;

    int GetHeadLine() const { return FHeadLine; }
    void SetHeadLine(int Value);
    int GetTypeLine() const { return FTypeLine; }
    void SetTypeLine(int Value);
    int GetMaxLoadRows() const { return FMaxLoadRows; }
    void SetMaxLoadRows(int Value);
    bool GetMergeWhenSave() const { return FMergeWhenSave; }
    void SetMergeWhenSave(bool Value) { FMergeWhenSave = Value; }
    // Rows taken from the file by the last load.
    int GetLoadedRows() const { return FLoadedRows; }

    void ClearData() override;
    void LoadData(const TKvFileLines& Lines) override;
    // The records before the data, the current rows, then the file's records after the rows
    // that were loaded. Values holding a comma, a quote or a line break are quoted. Records
    // keep their own line breaks; new ones take the file's style. A header line that the
    // file lacked is written as the field names, so that a reload gives the same fields.
    QByteArray SaveData() override;
    void WriteData(TKvTextSink& Out) override;
    // Records end at line breaks outside quoted values; a quote left open at the end of the
    // file raises. The same pass finds where the values of the data records end.
    void SplitRecords(TKvFileLines& Lines) const override;

    int GetRowCount() const override { return FRowCount; }
    int GetFieldCount() const override { return FFields.Count; }
    QStringList GetFieldNames() const override { return NameList(); }
    QString GetFieldName(int Field) const override;
    int GetFieldIndex(const QString& Name) const override;
    TKvGridValueType GetValueType(int Field) const override;
    TKvGridDataRowState GetRowState(int Row) const override { return RowStateNone; }
    // The stored text; empty for a field past a short row's values.
    Variant GetData(int Row, int Field) const override;
    void SetData(int Row, int Field, const Variant& Value) override;
    TKvGridDataRow GetRow(int Row) const override { return {}; }
    void UpdateRow(int Row, const TKvGridDataRow& Values) override;
    void InsertRow(int Row, const TKvGridDataRow& Values) override;
    void RemoveRow(int Row) override;
    void RemoveRows(const TKvIntegerArray& Rows) override;
    // Numeric fields compare their texts as numbers (0 when not a number).
    int CompareValue(int Field, int Row1, int Row2) const override;
    // Numeric fields hand the sorter their numbers, read once per sort.
    TKvGridSortKeyKind GetSortKeyKind(int Field) const override;
    void GetSortKeys(int Field, TKvRowIndices Rows, Variant* Keys) const override;

    // The values of one record: split at commas, a value that begins with a quote read as
    // quoted ("" is a quote inside).
    static QStringList SplitValues(QByteArrayView Record);
    // One record of the values, quoting those that need it.
    static QByteArray JoinValues(const QStringList& Values);

private:
    // A row's own values (a changed or inserted row) and the record it came from (-1 for none).
    struct TOwnRow
    {
        int Line = -1;
        QStringList Values;
    };
    int FirstDataLine() const { return std::max(0, std::max(FHeadLine, FTypeLine) + 1); }
    // The most data rows a load takes.
    int RowLimit() const;
    void CheckRow(int Row) const
    {
        if (Row < 0 || Row >= FRowCount) [[unlikely]]
            RowError(Row);
    }
    void CheckField(int Field) const
    {
        if (Field < 0 || Field >= FFields.Count) [[unlikely]]
            FieldError(Field);
    }
    [[noreturn]] static void RowError(int Row);
    [[noreturn]] static void FieldError(int Field);
    // A row's record (0 or more) or own values (-1 - index in FOwnRows).
    qint32 RowRef(int Row) const { return FInOrder ? FStartsLine + Row : FRows[static_cast<size_t>(Row)]; }
    // The rows as a list of their own, before they are moved or inserted.
    void Unorder();
    // Drops the rows at the sorted, valid, distinct indices.
    void EraseRows(const TKvIntegerArray& Sorted);
    // The row's values, made its own (padded to the field count).
    QStringList& Own(int Row);
    // Stores own values (in a slot a removed row left when there is one); their RowRef.
    qint32 AddOwn(TOwnRow Own);
    void Reload();
    QString RecordValue(int Line, int Field) const;
    double NumberAt(qint32 Ref, int Field) const;

    // The field names: read from the header record the file data keeps, through the start
    // of every 16th name (so a header of many short names takes little beyond its bytes), or
    // "Field1" ... "FieldN" made when asked for.
    struct TNames
    {
        int Count = 0;
        // The header record; -1 for made names.
        int Line = -1;
        std::vector<qsizetype> Blocks;
    };
    static constexpr int kNameBlock = 16;
    QString NameAt(int Index) const;
    QStringList NameList() const;
    TNames FFields;
    // The types the type line gives, in field order; fields beyond them are text.
    std::vector<TKvGridValueType> FFieldTypes;
    // While FInOrder the rows are the loaded records from FStartsLine in order; else FRows
    // holds each row's RowRef.
    bool FInOrder = true;
    int FRowCount = 0;
    std::vector<qint32> FRows;
    std::vector<TOwnRow> FOwnRows;
    std::vector<size_t> FFreeOwnRows;
    int FStartsLine = 0;
    int FLoadedRows = 0;
    // First record of the file after the loaded rows.
    int FTailLine = 0;
    int FHeadLine = 0;
    int FTypeLine = -1;
    int FMaxLoadRows = 0;
    bool FMergeWhenSave = true;
};

// Declared on the file base; every operation is empty.
class TKvIniDataProvider : public TKvFileDataProvider
{
protected:
    friend class TCreateAccess;
    explicit TKvIniDataProvider(TComponent* AOwner = nullptr);

public:

    void ClearData() override {}
    void LoadData(const TKvFileLines& Lines) override {}
    QByteArray SaveData() override { return QByteArray(); }
    int GetRowCount() const override { return 0; }
    int GetFieldCount() const override { return 0; }
    QStringList GetFieldNames() const override { return {}; }
    QString GetFieldName(int Field) const override { return QString(); }
    int GetFieldIndex(const QString& Name) const override { return -1; }
    TKvGridValueType GetValueType(int Field) const override { return ValueTypeText; }
    TKvGridDataRowState GetRowState(int Row) const override { return RowStateNone; }
    Variant GetData(int Row, int Field) const override { return Variant(); }
    void SetData(int Row, int Field, const Variant& Value) override {}
    TKvGridDataRow GetRow(int Row) const override { return {}; }
    void UpdateRow(int Row, const TKvGridDataRow& Values) override {}
    void InsertRow(int Row, const TKvGridDataRow& Values) override {}
    void RemoveRow(int Row) override {}
    void RemoveRows(const TKvIntegerArray& Rows) override {}
};

} // namespace kv
