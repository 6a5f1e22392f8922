// The area objects of a grid view: indicator, states bar, check bar, header, footer, panel,
// edit bar, body and row group. Each holds its area's settings and style sets and owns one
// reusable cell object that GetCell refills and returns; a cell (and the styles it hands
// out) stays valid only until the next GetCell of the same area.
//
// Sections: grid object bases; bars (indicator, states, check); header and footer; panel,
// edit bar and fetch bar; body; row-group levels; row group.
//
// Call flow: the grid view creates the areas in Initialize and frees them in Dispose; the
// layout, elements and renderers call GetCell while measuring and painting. Cells that need
// computed styles (footer, body with dynamic styles, row-group header and footer) refill one
// owned runtime style set per area. Footer and row-group summaries are evaluated through the
// grid's summary runtimes once per data change and kept until DropSummaries.
#pragma once

#include "grid/KvGrids.Index.h"
#include "grid/KvGrids.Renderer.h"

#include "graphics/KvGrids.Styles.Dynamic.h"
#include "graphics/KvGrids.Styles.h"
#include "model/KvGrids.Model.h"
#include "platform/rtl/Collections.h"
#include "platform/rtl/Variant.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <memory>
#include <utility>

namespace kv {

class TKvGridView;
class TKvGridColumn;
class TKvGridDataColumn;
class TKvGridColumnFooter;

enum TKvGridIndicatorValue { IndicatorNone, IndicatorIndex, IndicatorRow };
enum TKvGridGroupSummaryLocation { SummaryFooter, SummaryHeader };

// --- grid object bases ----------------------------------------------------------------------

// A part of a grid view that lives as long as the grid.
class TKvGridObject : public TPersistent
{
public:
    explicit TKvGridObject(TKvGridView* grid) : FOwner(grid) {}

    TKvGridView* GetGrid() const { return FOwner; }
    TPersistent* GetOwner() const override;
    // Marks the grid's layout as needed and invalidates the control.
    virtual void Changed();

protected:
    TKvGridView* FOwner;
};

// An area with a visibility, a minimum size, a registered style set and one runtime style
// set refilled per cell.
class TKvGridVisualObject : public TKvGridObject
{
public:
    // stylesName: the name of the published style set (registered with the grid).
    TKvGridVisualObject(TKvGridView* grid, const QString& stylesName);
    ~TKvGridVisualObject() override;

    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    int GetMinimumSize() const { return FMinimumSize; }
    TKvGridViewStyles* GetStyles() const { return FStyles.get(); }
    // Copies the values in; the grid refreshes.
    void SetStyles(TKvGridViewStyles* value);
    TKvGridViewStyles* GetRuntimeStyles() const { return FRuntimeStyles.get(); }
    // The grid's VisualObjectChanged (a refresh).
    void Changed() override;

protected:
    void AssignTo(TPersistent* dest) const override;
    // Clears the runtime styles (assigned bits and graphics) and parents them.
    TKvGridViewStyles* ResetRuntimeStyles(TKvGridStyleBag* parent) const;
    // A style set owned by this area under the name, registered with the grid when asked.
    std::unique_ptr<TKvGridViewStyles> MakeStyles(const QString& name, bool registered);
    void ReleaseStyles(std::unique_ptr<TKvGridViewStyles>& styles, bool registered);

    std::unique_ptr<TKvGridViewStyles> FStyles;
    std::unique_ptr<TKvGridViewStyles> FRuntimeStyles;
    bool FVisible = true;
    int FMinimumSize = 0;
};

// --- bars -----------------------------------------------------------------------------------

// The indicator, states bar and check bar: head and foot style sets and a width.
class TKvGridBarObject : public TKvGridVisualObject
{
public:
    TKvGridBarObject(TKvGridView* grid, const QString& prefix, int minWidth);
    ~TKvGridBarObject() override;

    TKvGridViewStyles* GetHeadStyles() const { return FHeadStyles.get(); }
    void SetHeadStyles(TKvGridViewStyles* value);
    TKvGridViewStyles* GetFootStyles() const { return FFootStyles.get(); }
    void SetFootStyles(TKvGridViewStyles* value);
    int GetMinWidth() const { return FMinWidth; }
    // Negative values store 0.
    void SetMinWidth(int value);
    int GetWidth() const { return FWidth; }
    void SetWidth(int value);

protected:
    std::unique_ptr<TKvGridViewStyles> FHeadStyles;
    std::unique_ptr<TKvGridViewStyles> FFootStyles;
    int FMinWidth;
    int FWidth = 0;
};

// A cell of a bar: an item index and its item.
class TKvGridBarCell : public TKvGridCell
{
public:
    TKvGridCellIndex GetIndex() const override;
    TKvGridItem* GetItem() const override { return FItem; }
    Variant GetValue() const override { return Variant(); }
    TKvGridViewStyles* GetStyles() const override { return FStyles; }

protected:
    friend class TKvGridIndicator;
    friend class TKvGridStatesBar;
    friend class TKvGridCheckBar;

    TKvGridView* FGrid = nullptr;
    int FIndex = -1;
    TKvGridItem* FItem = nullptr;
    TKvGridViewStyles* FStyles = nullptr;
};

class TKvGridIndicator : public TKvGridBarObject
{
public:
    class TKvIndicatorCell : public TKvGridBarCell
    {
    public:
        explicit TKvIndicatorCell(TKvGridIndicator* owner) : FOwner(owner) {}
        // Empty without an item; the item index + 1 for IndicatorIndex, else the data row
        // (empty for items that are not data rows).
        QString GetDisplayText() const override;
        TKvGridItemState GetItemState() const { return FItemState; }

    private:
        friend class TKvGridIndicator;
        TKvGridIndicator* FOwner;
        TKvGridItemState FItemState = ItemNormal;
    };

    explicit TKvGridIndicator(TKvGridView* grid);
    ~TKvGridIndicator() override;

    TKvGridIndicatorValue GetDisplayValue() const { return FDisplayValue; }
    void SetDisplayValue(TKvGridIndicatorValue value);
    // A normal item that is focused reports ItemFocused.
    TKvIndicatorCell* GetCell(int ItemIndex);

private:
    std::unique_ptr<TKvIndicatorCell> FCell;
    TKvGridIndicatorValue FDisplayValue = IndicatorIndex;
};

class TKvGridStatesBar : public TKvGridBarObject
{
public:
    // "C", "U" or "D" by the item's row state.
    class TKvStatesCell : public TKvGridBarCell
    {
    public:
        QString GetDisplayText() const override;
    };

    explicit TKvGridStatesBar(TKvGridView* grid);
    ~TKvGridStatesBar() override;

    TKvStatesCell* GetCell(int ItemIndex);

private:
    std::unique_ptr<TKvStatesCell> FCell;
};

class TKvGridCheckBar : public TKvGridBarObject
{
public:
    // The item's data row in decimal.
    class TKvCheckCell : public TKvGridBarCell
    {
    public:
        QString GetDisplayText() const override;
    };

    // The minimum width a new check bar starts with and the value form files leave out.
    static constexpr int DefaultMinWidth = 20;

    explicit TKvGridCheckBar(TKvGridView* grid);
    ~TKvGridCheckBar() override;

    bool GetShowAll() const { return FShowAll; }
    void SetShowAll(bool value);
    bool GetAllChecked() const { return FAllChecked; }
    const QString& GetResetField() const { return FResetField; }
    void SetResetField(const QString& value);
    // Checks or unchecks every item of the grid's item provider.
    void CheckAll(bool Checked);
    // The grid's ResetCheckStates.
    void Reset();
    TKvCheckCell* GetCell(int ItemIndex);

private:
    void InvalidateView();

    std::unique_ptr<TKvCheckCell> FCell;
    bool FShowAll = true;
    bool FAllChecked = false;
    QString FResetField;
};

// --- header and footer ----------------------------------------------------------------------

class TKvGridHeightObject : public TKvGridVisualObject
{
public:
    TKvGridHeightObject(TKvGridView* grid, const QString& stylesName, int minHeight, bool visible);

    int GetMinHeight() const { return FMinHeight; }
    // Negative values store 0.
    void SetMinHeight(int value);
    int GetHeight() const { return FHeight; }
    void SetHeight(int value);

protected:
    int FMinHeight;
    int FHeight = 0;
};

// A cell of a column's header or footer: the cell index and its styles.
class TKvGridColumnCell : public TKvGridCell
{
public:
    TKvGridCellIndex GetIndex() const override { return FIndex; }
    TKvGridItem* GetItem() const override { return nullptr; }
    Variant GetValue() const override { return Variant(); }
    TKvGridViewStyles* GetStyles() const override { return FStyles; }

protected:
    friend class TKvGridHeader;
    friend class TKvGridFooter;

    TKvGridCellIndex FIndex;
    TKvGridViewStyles* FStyles = nullptr;
};

class TKvGridHeader : public TKvGridHeightObject
{
public:
    // The column header's display name.
    class TKvHeaderCell : public TKvGridColumnCell
    {
    public:
        QString GetDisplayText() const override;
    };

    explicit TKvGridHeader(TKvGridView* grid);
    ~TKvGridHeader() override;

    // Parented to the grid's styles each time they are read.
    TKvGridViewStyles* GetGroupStyles() const;
    void SetGroupStyles(TKvGridViewStyles* value);
    // Styles: the column's header styles, or the group styles without a column.
    TKvHeaderCell* GetCell(const TKvGridCellIndex& Index);

private:
    std::unique_ptr<TKvHeaderCell> FCell;
    std::unique_ptr<TKvGridViewStyles> FGroupStyles;
};

// A summary as evaluated: its value, or a failure (shown as nothing).
struct TKvGridSummary
{
    Variant Value;
    bool Failed = false;
};

class TKvGridFooter : public TKvGridHeightObject
{
public:
    // The column summary with its caption, number format, prefix and postfix.
    class TKvFooterCell : public TKvGridColumnCell
    {
    public:
        explicit TKvFooterCell(TKvGridFooter* owner) : FOwner(owner) {}
        Variant GetValue() const override;
        QString GetDisplayText() const override;

    private:
        TKvGridFooter* FOwner;
    };

    explicit TKvGridFooter(TKvGridView* grid);
    ~TKvGridFooter() override;

    // Runtime styles parented to the column footer's styles (data columns).
    TKvFooterCell* GetCell(const TKvGridCellIndex& Index);
    // The column's summary, evaluated once until DropSummaries; unassigned for columns
    // without a field or an expression, in the designer and without an item provider.
    const TKvGridSummary& GetSummary(TKvGridDataColumn* Column);
    // Forgets every evaluated summary (data, item source or columns changed).
    void DropSummaries() { FSummaries.clear(); }
    int GetSummaryCount() const { return static_cast<int>(FSummaries.size()); }

private:
    std::unique_ptr<TKvFooterCell> FCell;
    QHash<const TKvGridDataColumn*, TKvGridSummary> FSummaries;
};

class TKvGridPanel : public TKvGridHeightObject
{
public:
    explicit TKvGridPanel(TKvGridView* grid);
};

class TKvGridEditBar : public TKvGridVisualObject
{
public:
    explicit TKvGridEditBar(TKvGridView* grid);
};

// A bar that fetches further rows; descendants that page their data create it.
class TKvGridFetchBar : public TKvGridVisualObject
{
public:
    explicit TKvGridFetchBar(TKvGridView* grid);
};

// Texts of summary cells: a number format (numbers only), then the prefix and postfix.
QString FormatSummaryText(const Variant& value, const QString& caption, TKvGridStyleBag* styles);

// --- body -----------------------------------------------------------------------------------

class TKvGridBody : public TKvGridVisualObject
{
public:
    class TKvDataCell : public TKvGridCell
    {
    public:
        TKvGridCellIndex GetIndex() const override { return FIndex; }
        TKvGridItem* GetItem() const override { return FItem; }
        // The item's value of the column's field; unassigned without a field.
        Variant GetValue() const override;
        // Empty for empty and null; the lookup label when the column shows labels.
        QString GetDisplayText() const override;
        TKvGridViewStyles* GetStyles() const override { return FStyles; }
        QString GetError() const override { return FError; }
        bool GetHovered() const { return false; }

    private:
        friend class TKvGridBody;
        TKvGridCellIndex FIndex;
        TKvGridItem* FItem = nullptr;
        TKvGridViewStyles* FStyles = nullptr;
        QString FError;
    };

    // The cell of a column group: only styles.
    class TKvGroupCell : public TKvGridCell
    {
    public:
        TKvGridCellIndex GetIndex() const override { return FIndex; }
        TKvGridItem* GetItem() const override { return FItem; }
        QString GetDisplayText() const override { return QString(); }
        Variant GetValue() const override { return Variant(); }
        TKvGridViewStyles* GetStyles() const override { return FStyles; }

    private:
        friend class TKvGridBody;
        TKvGridCellIndex FIndex;
        TKvGridItem* FItem = nullptr;
        TKvGridViewStyles* FStyles = nullptr;
    };

    explicit TKvGridBody(TKvGridView* grid);
    ~TKvGridBody() override;

    TKvGridViewStyles* GetEmptyStyles() const { return FEmptyStyles.get(); }
    void SetEmptyStyles(TKvGridViewStyles* value);
    TKvGridDynamicStyleCollection* GetDynamicStyles() const { return FDynamicStyles.get(); }
    // Edited in place: the setter ignores the value.
    void SetDynamicStyles(TKvGridDynamicStyleCollection*) {}
    const QString& GetEmptyMessage() const { return FEmptyMessage; }
    void SetEmptyMessage(const QString& value);

    // A data column's cell (styles computed when the body or the column has dynamic
    // styles), or the group cell for a column group.
    TKvGridCell* GetCell(const TKvGridCellIndex& Index);

private:
    std::unique_ptr<TKvDataCell> FCell;
    std::unique_ptr<TKvGroupCell> FGroupCell;
    std::unique_ptr<TKvGridViewStyles> FEmptyStyles;
    std::unique_ptr<TKvGridDynamicStyleCollection> FDynamicStyles;
    QString FEmptyMessage;
};

// --- row-group levels -----------------------------------------------------------------------

class TKvGridRowGroupLevel : public TCollectionItem
{
public:
    explicit TKvGridRowGroupLevel(TCollection* collection);
    ~TKvGridRowGroupLevel() override;

    TKvGridView* GetGrid() const;
    int GetLevel() const { return FLevel; }
    void SetLevel(int value) { FLevel = value; }
    TKvGridColumn* GetColumn() const { return FColumn; }
    void SetColumn(TKvGridColumn* value) { FColumn = value; }
    int GetMinHeight() const { return FMinHeight; }
    void SetMinHeight(int value);
    TKvGridViewStyles* GetStyles() const { return FStyles.get(); }
    void SetStyles(TKvGridViewStyles* value);
    TKvGridViewStyles* GetFooterStyles() const { return FFooterStyles.get(); }
    void SetFooterStyles(TKvGridViewStyles* value);

    void Assign(const TPersistent* source) override;

private:
    int FLevel = -1;
    TKvGridColumn* FColumn = nullptr;
    int FMinHeight = 0;
    std::unique_ptr<TKvGridViewStyles> FStyles;
    std::unique_ptr<TKvGridViewStyles> FFooterStyles;
};

class TKvGridRowGroupLevels : public TOwnedCollection
{
public:
    explicit TKvGridRowGroupLevels(TKvGridView* grid);

    TKvGridView* GetGrid() const { return FGrid; }
    TKvGridRowGroupLevel* Add() { return static_cast<TKvGridRowGroupLevel*>(TCollection::Add()); }
    TKvGridRowGroupLevel* GetLevel(int index) const { return static_cast<TKvGridRowGroupLevel*>(GetItem(index)); }
    QString GetNamePath() const override { return QStringLiteral("RowGroupLevel"); }

protected:
    // The grid's RowGroupLevelsChanged.
    void Update(TCollectionItem* item) override;

private:
    TKvGridView* FGrid;
};

// --- row group ------------------------------------------------------------------------------

class TKvGridRowGroup : public TKvGridObject
{
public:
    // "field : value - n rows" of a group item.
    class TKvRowGroupHeaderCell : public TKvGridCell
    {
    public:
        TKvGridCellIndex GetIndex() const override;
        TKvGridItem* GetItem() const override { return FItem; }
        QString GetDisplayText() const override;
        Variant GetValue() const override { return Variant(); }
        TKvGridViewStyles* GetStyles() const override { return FStyles; }

    private:
        friend class TKvGridRowGroup;
        TKvGridView* FGrid = nullptr;
        int FIndex = -1;
        TKvGridItem* FItem = nullptr;
        TKvGridViewStyles* FStyles = nullptr;
    };

    // The group summary of one column in a group footer.
    class TKvRowGroupFooterCell : public TKvGridCell
    {
    public:
        explicit TKvRowGroupFooterCell(TKvGridRowGroup* owner) : FOwner(owner) {}
        TKvGridCellIndex GetIndex() const override;
        TKvGridItem* GetItem() const override { return FItem; }
        QString GetDisplayText() const override;
        Variant GetValue() const override;
        TKvGridViewStyles* GetStyles() const override { return FStyles; }
        TKvGridColumn* GetColumn() const { return FColumn; }

    private:
        friend class TKvGridRowGroup;
        TKvGridRowGroup* FOwner;
        TKvGridView* FGrid = nullptr;
        int FIndex = -1;
        TKvGridColumn* FColumn = nullptr;
        TKvGridItem* FItem = nullptr;
        TKvGridViewStyles* FStyles = nullptr;
    };

    explicit TKvGridRowGroup(TKvGridView* grid);
    ~TKvGridRowGroup() override;

    TKvGridRowGroupLevels* GetLevels() const { return FLevels.get(); }
    void SetLevels(TKvGridRowGroupLevels*) {}
    // Nil when Index is not below the level count.
    TKvGridRowGroupLevel* GetLevel(int Index) const;
    TKvGridViewStyles* GetHeaderStyles() const { return FHeaderStyles.get(); }
    void SetHeaderStyles(TKvGridViewStyles* value);
    TKvGridViewStyles* GetFooterStyles() const { return FFooterStyles.get(); }
    void SetFooterStyles(TKvGridViewStyles* value);
    bool GetHeadersVisible() const { return FHeadersVisible; }
    void SetHeadersVisible(bool value);
    bool GetFootersVisible() const { return FFootersVisible; }
    void SetFootersVisible(bool value) { FFootersVisible = value; }
    bool GetRowsVisible() const { return FRowsVisible; }
    void SetRowsVisible(bool value);
    int GetLevelIndent() const { return FLevelIndent; }
    void SetLevelIndent(int value);
    TKvGridGroupSummaryLocation GetSummaryLocation() const { return FSummaryLocation; }
    void SetSummaryLocation(TKvGridGroupSummaryLocation) {}
    bool GetColumnMerge() const { return FColumnMerge; }
    void SetColumnMerge(bool) {}
    TKvGridGroupExpandedStyle GetExpandedStyle() const { return FExpandedStyle; }
    void SetExpandedStyle(TKvGridGroupExpandedStyle value);
    TKvGridGroupCollapsedStyle GetCollapsedStyle() const { return FCollapsedStyle; }
    void SetCollapsedStyle(TKvGridGroupCollapsedStyle value);

    // The grid's RowGroupOptionsChanged.
    void Changed() override;

    TKvRowGroupHeaderCell* GetHeaderCell(int ItemIndex);
    TKvRowGroupHeaderCell* GetHeaderCell(TKvGridItem* Item);
    TKvRowGroupFooterCell* GetFooterCell(const TKvGridCellIndex& Index);
    TKvRowGroupFooterCell* GetFooterCell(TKvGridItem* Item, TKvGridColumn* Column);

    // The group summary of a footer item's group for a column, evaluated once until
    // DropSummaries.
    const TKvGridSummary& GetSummary(TKvGridItem* Footer, TKvGridDataColumn* Column);
    void DropSummaries() { FSummaries.clear(); }
    int GetSummaryCount() const { return static_cast<int>(FSummaries.size()); }

private:
    TKvRowGroupHeaderCell* FillHeaderCell(int ItemIndex, TKvGridItem* Item);
    TKvRowGroupFooterCell* FillFooterCell(int ItemIndex, TKvGridItem* Item, TKvGridColumn* Column);

    std::unique_ptr<TKvRowGroupHeaderCell> FHeaderCell;
    std::unique_ptr<TKvRowGroupFooterCell> FFooterCell;
    std::unique_ptr<TKvGridViewStyles> FRuntimeStyles;
    std::unique_ptr<TKvGridRowGroupLevels> FLevels;
    std::unique_ptr<TKvGridViewStyles> FHeaderStyles;
    std::unique_ptr<TKvGridViewStyles> FFooterStyles;
    bool FHeadersVisible = true;
    bool FFootersVisible = true;
    bool FRowsVisible = true;
    std::uint16_t FLevelIndent = 20;
    TKvGridGroupSummaryLocation FSummaryLocation = SummaryFooter;
    bool FColumnMerge = false;
    TKvGridGroupExpandedStyle FExpandedStyle = ExpandedBoth;
    TKvGridGroupCollapsedStyle FCollapsedStyle = CollapsedHeader;
    QHash<std::pair<const TKvGridItem*, const TKvGridDataColumn*>, TKvGridSummary> FSummaries;
};

} // namespace kv
