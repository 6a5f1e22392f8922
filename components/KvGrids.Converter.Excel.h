// The spreadsheet exporter: writes a grid view's visible column tree, header rows, items
// (data rows, row-group headers and footers), column footers and styles as one XML
// Spreadsheet 2003 workbook with one worksheet, and can save it to a file.
//
// Call flow: Convert -> ConvertAll creates a TKvGridExcelDocument, which PrepareStyles reads
// from the grid's areas, columns and row-group levels; Write streams the prolog and hands the
// root element to the workbook, which writes the styles and the worksheet; the worksheet's
// table builds a TKvGridColumnArray (the merged layout of the column tree) and writes the
// columns, header rows, item rows and footer rows. The writer puts out UTF-8: with AutoSave
// and a FileName straight into a new file that replaces FileName once complete (Output reads
// it back when asked for), otherwise decoded into Output.
//
// Sections: the column array; the element base; styles and their collection; columns; row,
// cell and data placeholders; table, worksheet and workbook; the document; the converter.
#pragma once

#include "components/KvGrids.Converter.h"
#include "model/KvGrids.Common.Types.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kv {

class TKvGridView;
class TKvGridColumn;
class TKvGridDataColumn;
class TKvGridItem;
class TKvGridStyleBag;
class TXmlUtf8Writer;

enum TKvGridExcelVersion { V_XP, V_2007 };

// One position of the spreadsheet's column layout: the column or group that owns it and the
// position's place in the owner's merged rectangle (ColIndex = RowIndex = 0: the anchor).
struct TKvGridColumnArrayItem
{
    TKvGridColumn* Column = nullptr;
    int ColIndex = 0;
    int ColSpan = 0;
    int RowIndex = 0;
    int RowSpan = 0;
    TKvGridValueType ValueType = ValueTypeText;
    // The spreadsheet type text ("String", "Number", "DateTime", "Boolean").
    QString Tag;
    std::intptr_t Data = 0;

    bool IsAnchor() const { return Column && ColIndex == 0 && RowIndex == 0; }
};

// Header rows (one per header level) and data rows (one per data level) of the grid's
// visible column tree; every row has one item per spreadsheet column.
class TKvGridColumnArray
{
public:
    explicit TKvGridColumnArray(TKvGridView* Grid);

    int GetColCount() const { return FHeaderRows.empty() ? 0 : static_cast<int>(FHeaderRows[0].size()); }
    int GetHeaderRowCount() const { return static_cast<int>(FHeaderRows.size()); }
    int GetDataRowCount() const { return static_cast<int>(FDataRows.size()); }
    const TKvGridColumnArrayItem& GetHeaders(int Row, int Col) const { return FHeaderRows[size_t(Row)][size_t(Col)]; }
    const TKvGridColumnArrayItem& GetItem(int Row, int Col) const { return FDataRows[size_t(Row)][size_t(Col)]; }
    void SetItem(int Row, int Col, const TKvGridColumnArrayItem& Item) { FDataRows[size_t(Row)][size_t(Col)] = Item; }

    // Level counts and widths of the tree as the array lays it out (Calc* of the columns,
    // without the designer's extra header rows).
    static int HeaderLevels(TKvGridColumn* Column);
    static int DataLevels(TKvGridColumn* Column);
    static int HorzCount(TKvGridColumn* Column);

private:
    using TRows = std::vector<std::vector<TKvGridColumnArrayItem>>;
    void Place(TRows& Rows, TKvGridColumn* Column, int X, int Y, int W, int H, bool Header);
    static void Fill(TRows& Rows, TKvGridColumn* Column, int X, int Y, int W, int H);

    TRows FHeaderRows;
    TRows FDataRows;
};

class TKvGridExcelDocument;

class TKvGridExcelElement
{
public:
    explicit TKvGridExcelElement(TKvGridExcelElement* Parent) : FParent(Parent) {}
    virtual ~TKvGridExcelElement() = default;
    TKvGridExcelElement(const TKvGridExcelElement&) = delete;
    TKvGridExcelElement& operator=(const TKvGridExcelElement&) = delete;

    virtual TKvGridExcelDocument* GetDocument() const { return FParent ? FParent->GetDocument() : nullptr; }
    // Writes the element's content into the element the writer has open.
    virtual void Write(TXmlUtf8Writer& Node) {}

protected:
    TKvGridExcelElement* FParent;
};

class TKvGridExcelStyle : public TKvGridExcelElement
{
public:
    TKvGridExcelStyle(TKvGridExcelElement* Parent, TKvGridExcelStyle* ParentStyle, const QString& StyleId);

    // Takes the effective values of a style set (nil leaves the style empty).
    void Assign(TKvGridStyleBag* Styles);
    // A "Style" element with its Alignment, Borders, Interior and Font (and NumberFormat).
    void Write(TXmlUtf8Writer& Node) override;

    TKvGridExcelStyle* FParentStyle;
    QString FStyleId;
    QString FHorzAlign;
    QString FVertAlign;
    int FBorderLeft = 0;
    int FBorderRight = 0;
    int FBorderTop = 0;
    int FBorderBottom = 0;
    QString FBorderLeftColor;
    QString FBorderRightColor;
    QString FBorderTopColor;
    QString FBorderBottomColor;
    QString FColor;
    QString FPatternColor;
    QString FPattern;
    QString FFontName;
    QString FFontColor;
    double FFontSize = 0;
    bool FFontBold = false;
    bool FFontItalic = false;
    bool FFontUnderline = false;
    // A spreadsheet number format: date-time columns get one so that dates show as dates,
    // other data columns their display format.
    QString FNumberFormat;
};

// The style of each column, made on first request; enumerated in the order they were made.
class TKvGridExcelStyleCollection : public TKvGridExcelElement
{
public:
    using TKvGridExcelElement::TKvGridExcelElement;

    TKvGridExcelStyle* AddStyle(TKvGridExcelStyle* Parent, TKvGridColumn* Column, const QString& Id);
    // The column's style id; empty when it has none.
    QString GetStyles(TKvGridColumn* Column) const;
    TKvGridExcelStyle* Find(TKvGridColumn* Column) const;
    void ForEach(const std::function<void(TKvGridExcelStyle*)>& Proc) const;
    void Write(TXmlUtf8Writer& Node) override;

private:
    std::vector<std::pair<TKvGridColumn*, std::unique_ptr<TKvGridExcelStyle>>> FStyleMap;
    QHash<const TKvGridColumn*, size_t> FIndex;
};

class TKvGridExcelColumn : public TKvGridExcelElement
{
public:
    using TKvGridExcelElement::TKvGridExcelElement;
    void Write(TXmlUtf8Writer& Node) override;

    TKvGridColumn* FColumn = nullptr;
    int FIndex = 0;
    QString FStyleId;
    QString FCaption;
    bool FAutoFitWidth = false;
    bool FHidden = false;
    // Points; not written when negative.
    double FWidth = -1;
    int FSpan = 0;
};

// Placeholders of the format's row, cell and data elements: the table writes those directly.
class TKvGridExcelData : public TKvGridExcelElement
{
public:
    using TKvGridExcelElement::TKvGridExcelElement;
};

class TKvGridExcelCell : public TKvGridExcelElement
{
public:
    using TKvGridExcelElement::TKvGridExcelElement;
    std::unique_ptr<TKvGridExcelData> FData;
};

class TKvGridExcelRow : public TKvGridExcelElement
{
public:
    using TKvGridExcelElement::TKvGridExcelElement;
    int FItemIndex = -1;
    std::vector<std::unique_ptr<TKvGridExcelCell>> FCells;
};

class TKvGridExcelTable : public TKvGridExcelElement
{
public:
    using TKvGridExcelElement::TKvGridExcelElement;
    void Write(TXmlUtf8Writer& Node) override;

    std::vector<std::unique_ptr<TKvGridExcelColumn>> FColumns;
    std::vector<std::unique_ptr<TKvGridExcelRow>> FRows;
    QString FStyleId;
    double FDefaultColumnWidth = 0;
    double FDefaultRowHeight = 0;
    int FExpandedColumnCount = 0;
    int FExpandedRowCount = 0;
    int FLeftCell = 0;
    int FTopCell = 0;
    bool FFullColumns = false;
    bool FFullRows = false;

private:
    class TWriter;
};

class TKvGridExcelWorksheet : public TKvGridExcelElement
{
public:
    explicit TKvGridExcelWorksheet(TKvGridExcelElement* Parent);
    void Write(TXmlUtf8Writer& Node) override;

    std::unique_ptr<TKvGridExcelTable> FTable;
};

class TKvGridExcelWorkbook : public TKvGridExcelElement
{
public:
    explicit TKvGridExcelWorkbook(TKvGridExcelDocument* Document);
    TKvGridExcelDocument* GetDocument() const override { return FDocument; }
    void Write(TXmlUtf8Writer& Node) override;

    TKvGridExcelDocument* FDocument;
    std::vector<std::unique_ptr<TKvGridExcelWorksheet>> FSheets;
};

class TKvGridExcelDocument : public TKvGridExcelElement
{
public:
    TKvGridExcelDocument();
    ~TKvGridExcelDocument() override;
    TKvGridExcelDocument* GetDocument() const override { return const_cast<TKvGridExcelDocument*>(this); }

    // The workbook's styles from the grid's areas, columns and row-group levels.
    void PrepareStyles(TKvGridView* Grid);
    // Every style in the order the workbook writes them: row number, header, footer and cell
    // defaults, the column collections, then the group header, footer, expander and
    // indicator styles by level.
    void ForEachStyle(const std::function<void(TKvGridExcelStyle*)>& Proc);
    // The whole workbook, appended to Text or written through Node (then flushed by the caller).
    void Write(TKvGridView* Grid, QString& Text);
    void Write(TKvGridView* Grid, TXmlUtf8Writer& Node);
    // Date columns whose exported rows have no time of day get a date-only format.
    void ChooseDateFormats(TKvGridView* Grid);

    // The grid's row-group level count, read from its item chain (the grouped provider in
    // it), so that it is right before the grid lays out; the layout manager's otherwise.
    static int RowGroupLevelCount(TKvGridView* Grid);

    std::unique_ptr<TKvGridExcelStyle> FRowNumStyle;
    std::unique_ptr<TKvGridExcelStyle> FDefHeaderStyle;
    std::unique_ptr<TKvGridExcelStyle> FDefCellStyle;
    std::unique_ptr<TKvGridExcelStyle> FDefFooterStyle;
    std::unique_ptr<TKvGridExcelStyleCollection> FHeaderStyles;
    std::unique_ptr<TKvGridExcelStyleCollection> FFooterStyles;
    std::unique_ptr<TKvGridExcelStyleCollection> FCellStyles;
    std::vector<std::unique_ptr<TKvGridExcelStyle>> FGroupHeaderStyles;
    std::vector<std::unique_ptr<TKvGridExcelStyle>> FGroupFooterStyles;
    std::vector<std::unique_ptr<TKvGridExcelStyle>> FGroupExpanderStyles;
    std::vector<std::unique_ptr<TKvGridExcelStyle>> FGroupIndicatorStyles;
    TKvGridView* FGrid = nullptr;
    QString FSheetName;
    bool FRowNum = false;
    int FRowNumBase = 1;
    bool FHeaderVisible = true;
    bool FFooterVisible = true;
    bool FGroupHeaderVisible = true;
    bool FGroupFooterVisible = true;
    bool FAllItems = false;
    // The row-group level count PrepareStyles read; the table writes as many level columns.
    int FGroupLevels = 0;
    // The date columns with their cell and footer styles.
    struct TDateColumn
    {
        TKvGridDataColumn* Column;
        TKvGridExcelStyle* Cell;
        TKvGridExcelStyle* Footer;
    };
    std::vector<TDateColumn> FDateColumns;
    std::unique_ptr<TKvGridExcelWorkbook> FWorkbook;
};

class TKvGridExcelConverter : public TKvGridConverter
{
protected:
    friend class TCreateAccess;
    explicit TKvGridExcelConverter(TComponent* AOwner) : TKvGridConverter(AOwner) {}

public:
    TKvGridExcelVersion GetExcelVersion() const { return FExcelVersion; }
    void SetExcelVersion(TKvGridExcelVersion Value) { FExcelVersion = Value; }
    bool GetAutoSave() const { return FAutoSave; }
    void SetAutoSave(bool Value) { FAutoSave = Value; }
    const QString& GetFileName() const { return FFileName; }
    void SetFileName(const QString& Value) { FFileName = Value; }
    const QString& GetSheetName() const { return FSheetName; }
    void SetSheetName(const QString& Value) { FSheetName = Value; }
    bool GetRowNumVisible() const { return FRowNumVisible; }
    void SetRowNumVisible(bool Value) { FRowNumVisible = Value; }
    int GetRowNumBase() const { return FRowNumBase; }
    void SetRowNumBase(int Value) { FRowNumBase = Value; }

    // Raises EArgumentException for a sheet name that spreadsheets refuse: empty, longer than
    // 31 characters, or holding one of []:*?/\ .
    static void CheckSheetName(const QString& Name);
    // Replaces the file as a whole with the text in UTF-8: a failed write raises EInOutError
    // and leaves the old file as it was.
    static void SaveText(const QString& FileName, const QString& Text);

protected:
    void ConvertAll(TKvGridView* Grid, bool AllItems, QString& Text) override;
    void ConvertRange(const TKvGridRange& Range, QString& Text) override { Text.clear(); }

private:
    TKvGridExcelVersion FExcelVersion = V_2007;
    bool FAutoSave = true;
    QString FFileName;
    QString FSheetName = QStringLiteral("Vantrel");
    bool FRowNumVisible = false;
    int FRowNumBase = 1;
};

} // namespace kv
