// Request and response documents of the remote service: parse, walk elements, read and
// write attributes and texts, add and remove elements, write the document as UTF-8; and a
// table of texts taken out of a parsed response (TXmlMessageTable), which keeps the texts in
// the response's own bytes and drops the element tree.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace kv {

class TXmlMessage;
class TXmlMessageTable;

// An element of a TXmlMessage (a handle; valid while the element is in its document).
class TXmlMessageNode
{
public:
    TXmlMessageNode() = default;

    bool IsNull() const { return FNode == nullptr; }
    explicit operator bool() const { return FNode != nullptr; }
    bool operator==(const TXmlMessageNode& other) const { return FNode == other.FNode; }

    QString Name() const;
    // The element's whole text: every text and CDATA piece in it, in order; '' when none.
    QString Text() const;
    // Replaces the element's text.
    void SetText(const QString& value);
    bool HasAttribute(const char* name) const;
    QString Attribute(const char* name) const;
    // Replaces the attribute's value, or adds it after the others.
    void SetAttribute(const char* name, const QString& value);

    // Element children only.
    TXmlMessageNode FirstChild() const;
    TXmlMessageNode NextSibling() const;
    TXmlMessageNode Child(const char* name) const;
    // The element child at Index (from 0); null when there are fewer.
    TXmlMessageNode ChildAt(int index) const;
    int ChildCount() const;
    // Appends every element child to Out.
    void GetChildren(std::vector<TXmlMessageNode>& out) const;
    TXmlMessageNode AppendChild(const char* name);
    // A new element before Before (at the end when Before is null).
    TXmlMessageNode InsertChildBefore(const char* name, TXmlMessageNode before);
    bool RemoveChild(TXmlMessageNode child);

private:
    friend class TXmlMessage;
    explicit TXmlMessageNode(void* node) : FNode(node) {}
    void* FNode = nullptr;
};

class TXmlMessage
{
public:
    TXmlMessage();
    ~TXmlMessage();
    TXmlMessage(const TXmlMessage&) = delete;
    TXmlMessage& operator=(const TXmlMessage&) = delete;

    // Parses bytes in the character set given (empty: as the document declares, else UTF-8).
    // False, with the document empty, when the bytes are not a well-formed document or the
    // character set is unknown.
    // UTF-8 bytes are parsed in place, without a copy.
    bool Load(QByteArray bytes, const QString& charset = QString());
    bool LoadText(const QString& text) { return Load(text.toUtf8(), QStringLiteral("utf-8")); }
    // Why the last Load failed, and where ("Start-end tags mismatch at byte 120"); after a
    // Load without a document element, "no document element".
    const QString& GetError() const;
    // The document element; null when none.
    TXmlMessageNode Root() const;
    // The document as UTF-8 text without indentation.
    QByteArray ToUtf8() const;
    // Moves the texts under Rows into a table of Width fields: each element child of Rows is
    // a row, and its first Width element children are its cells, read as Text reads them
    // (a row with fewer children lacks the rest). The document is empty afterwards.
    TXmlMessageTable TakeTable(TXmlMessageNode rows, int width);

    // False when the text holds a character that XML 1.0 does not allow (control characters
    // other than tab, line feed and carriage return, lone surrogates, U+FFFE and U+FFFF).
    static bool IsValidText(const QString& text);

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// Rows of Width text cells. Cells read from a response are offsets of its NUL-terminated
// UTF-8 texts in one buffer; written cells hold their own strings. A cell is missing when its
// row came with fewer cells; a written cell beyond them adds the ones between as empty.
class TXmlMessageTable
{
public:
    TXmlMessageTable() = default;
    explicit TXmlMessageTable(int width) : FWidth(width > 0 ? width : 0) {}

    int RowCount() const { return FRowCount; }
    int Width() const { return FWidth; }
    // False outside the table and for a missing cell.
    bool HasCell(int row, int field) const { return Contains(row, field) && Cell(row, field) != kMissing; }
    // The cell's text; null when missing or outside the table.
    QString Text(int row, int field) const
    {
        if (!Contains(row, field))
            return QString();
        const std::int64_t cell = Cell(row, field);
        if (cell >= 0)
            return QString::fromUtf8(FText.constData() + cell);
        return cell == kMissing ? QString() : FWritten[static_cast<size_t>(kEmpty - cell)];
    }
    // Writes the cell (missing cells before it in the row become empty); ignored outside.
    void SetText(int row, int field, const QString& text);
    // A row of empty cells at Row (0 .. RowCount).
    void InsertRow(int row);
    void RemoveRow(int row);

private:
    friend class TXmlMessage;
    static constexpr std::int64_t kMissing = -1;
    static constexpr std::int64_t kEmpty = -2; // FWritten[0], always ''; -2 - i is FWritten[i]

    bool Contains(int row, int field) const { return row >= 0 && row < FRowCount && field >= 0 && field < FWidth; }
    std::int64_t Cell(int row, int field) const
    {
        return FCells[static_cast<size_t>(row) * static_cast<size_t>(FWidth) + static_cast<size_t>(field)];
    }

    int FWidth = 0;
    int FRowCount = 0;
    QByteArray FText;
    std::vector<std::int64_t> FCells; // row-major
    std::vector<QString> FWritten{QString::fromUtf8("")}; // an empty cell reads as an empty, not a null, text
};

} // namespace kv
