// Copying the selected cells of a grid view as tab-separated text and as the private cell
// XML block, and reading both back.
//
// Call flow: the tools call Copy / Paste of the grid's clipboard manager; Copy takes the
// selection's ranges and builds both texts in one walk over the items (TKvGridCellWriter),
// then puts them on the clipboard together. Under a grouped column layout each range's
// columns are placed in a TColumnArray, one text line per array row.
#pragma once

#include "grid/KvGrids.Index.h"
#include "grid/KvGrids.Options.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <memory>
#include <vector>

namespace kv {

class TKvGridView;
class TKvGridColumn;

// One position of a column array.
struct TColumnArrayItem
{
    TKvGridColumn* Column = nullptr;
    int ColIndex = 0;
    int ColSpan = 0;
    int RowIndex = 0;
    int RowSpan = 0;
    int Tag = 0;
    void* Data = nullptr;
};

// The visible columns under a grouped layout as rows of positions.
class TColumnArray : public TObject
{
public:
    explicit TColumnArray(const std::vector<TKvGridColumn*>& columns);

    int RowCount() const { return static_cast<int>(FRows.size()); }
    int ColCount() const { return FRows.empty() ? 0 : static_cast<int>(FRows.front().size()); }
    const TColumnArrayItem& GetItem(int row, int position) const;
    void SetItem(int row, int position, const TColumnArrayItem& item);
    QString ToString() const;

private:
    void Place(TKvGridColumn* column, int x, int y);
    void Put(TKvGridColumn* column, int x, int y);

    std::vector<std::vector<TColumnArrayItem>> FRows;
};

// The columns a grouped range copies, in the order the layout shows them.
std::vector<TKvGridColumn*> GroupedRangeColumns(TKvGridView* grid, const TKvGridRange& range);

class TKvGridClipboardData : public TObject
{
public:
    virtual QString GetData(const std::vector<TKvGridRange>& ranges) = 0;
};

class TKvGridCliboardTsv : public TKvGridClipboardData
{
public:
    QString GetData(const std::vector<TKvGridRange>& ranges) override;
};

class TKvGridCliboardXml : public TKvGridClipboardData
{
public:
    QString GetData(const std::vector<TKvGridRange>& ranges) override;
    // Puts the XML on the clipboard as the cell block, beside the text when one is given.
    static void CopyXml(const QString& xml, const QString& text = QString());
    // The XML of the clipboard's cell block; empty when it holds none or the block is bad.
    static void PasteXml(QString& xml);
    // The block bytes: the UTF-8 length (32-bit little-endian), then the UTF-8 text.
    static QByteArray EncodeBlock(const QString& xml);
    // Empty for a block whose stated length does not fit it or whose text is not UTF-8.
    static QString DecodeBlock(const QByteArray& block);
};

// Both texts of the ranges in one walk; either output may be nil.
void BuildClipboardTexts(const std::vector<TKvGridRange>& ranges, QString* tsv, QString* xml);

// The cells of a copied block: the rows of the cell XML (false when it is not one), and the
// rows of tab-separated text (fields quoted as the copy quotes them).
bool ReadClipboardXml(const QString& xml, std::vector<QStringList>& rows);
std::vector<QStringList> ReadClipboardTsv(const QString& text);

class TKvGridClipboardManagerImpl : public TKvGridClipboardManager
{
public:
    explicit TKvGridClipboardManagerImpl(TKvGridView* owner) : TKvGridClipboardManager(owner) {}
    void Copy() override { CopyToClipboard(); }
    void Cut() override { CopyToClipboard(); }
    void Paste() override { PasteFromClipboard(); }

    void CopyToClipboard();
    // Writes the clipboard's cells (the cell XML when present, else the tab-separated text)
    // into the grid from the focused cell: pasted columns go to the visible columns from the
    // focused one (a read-only one keeps its value), pasted rows to the data rows from the
    // focused one, one committed row at a time, then to rows appended when the grid may
    // append. A value that does not convert or a row that fails validation or commit stops
    // the paste with an exception naming the pasted row; the rows before it stay pasted.
    void PasteFromClipboard();
    const QString& GetPastedText() const { return FPastedText; }
    const QString& GetPastedXml() const { return FPastedXml; }

private:
    QString FPastedText;
    QString FPastedXml;
};

// The private format's name.
extern const QString KvGridClipboardFormat;

} // namespace kv
