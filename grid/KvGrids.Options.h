// Option objects of the grid view (one per concern), the clipboard manager base and the
// listener adapters through which the grid view observes its item provider and style sheet.
// A change either refreshes the grid (RefreshView(false)), repaints it (invalidates the
// control) or is only stored for the parts that read it.
//
// Sections: enumerations; option base; display and edit options; mask and select options;
// sorting, filtering and grouping options; focus and hovering options; fixed columns and rows;
// the clipboard manager base; listener adapters.
//
// Call flow: the grid view creates every option object in Initialize and frees it in Dispose;
// the layout, elements, tools and edit controller read them through the grid's Get...Options.
// The fixed columns and rows register their style sets with the grid and pass their count to
// the item provider (ApplyToItems). The item provider calls TItemChangeListener and
// TItemEditListener, the style sheet TStyleSheetListener; each forwards to one handler of the
// grid (DoItemSourceReset ..., DoItemUpdateStarted ..., StyleSheetChanged).
#pragma once

#include "graphics/KvGrids.Common.Drawing.h"
#include "graphics/KvGrids.Styles.h"
#include "model/KvGrids.Model.Editing.h"
#include "model/KvGrids.Model.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Classes.h"

#include <QtCore/QString>
#include <memory>

namespace kv {

class TKvGridView;

// --- enumerations ---------------------------------------------------------------------------

// The fit style's FitNone would clash with the content-fit style's value of the same name:
// write TKvGridFitStyle::FitNone; FitEven and FitLastFill need no qualification.
namespace gridfit {
enum TKvGridFitStyle { FitNone, FitEven, FitLastFill };
}
using gridfit::TKvGridFitStyle;
using gridfit::FitEven;
using gridfit::FitLastFill;

enum TKvGridSelectionMode { SelectNone, SelectSingle, SelectExtended };
enum TKvGridSelectionStyle { SelectBlock, SelectRows, SelectColumns };
enum TKvGridSortStyle { SortNone, SortExclusive, SortInclusive, SortReverse };

// --- option base ----------------------------------------------------------------------------

class TKvGridViewOptions : public TPersistent
{
public:
    explicit TKvGridViewOptions(TKvGridView* owner) : FOwner(owner) {}
    TKvGridView* GetGrid() const { return FOwner; }
    TPersistent* GetOwner() const override;

protected:
    // RefreshView(false) of the grid.
    void Refresh();
    // Invalidates the grid control.
    void Repaint();

    TKvGridView* FOwner;
};

// --- display and edit options ---------------------------------------------------------------

class TKvGridDisplayOptions : public TKvGridViewOptions
{
public:
    using TKvGridViewOptions::TKvGridViewOptions;

    bool GetColumnResizable() const { return FColumnResizable; }
    void SetColumnResizable(bool value) { FColumnResizable = value; }
    bool GetColumnMovable() const { return FColumnMovable; }
    void SetColumnMovable(bool value) { FColumnMovable = value; }
    int GetDefaultColumnWidth() const { return FDefaultColumnWidth; }
    void SetDefaultColumnWidth(int value) { FDefaultColumnWidth = value; }
    TKvGridFitStyle GetFitStyle() const { return FFitStyle; }
    void SetFitStyle(TKvGridFitStyle value);
    bool GetRowResizable() const { return FRowResizable; }
    void SetRowResizable(bool value) { FRowResizable = value; }
    int GetDefaultRowHeight() const { return FDefaultRowHeight; }
    // Negative values become 0.
    void SetDefaultRowHeight(int value);
    bool GetHeaderResizable() const { return FHeaderResizable; }
    void SetHeaderResizable(bool value) { FHeaderResizable = value; }
    bool GetFooterResizable() const { return FFooterResizable; }
    void SetFooterResizable(bool value) { FFooterResizable = value; }
    bool GetHScrollBar() const { return FHScrollBar; }
    void SetHScrollBar(bool value);
    bool GetVScrollBar() const { return FVScrollBar; }
    void SetVScrollBar(bool value);

private:
    bool FColumnResizable = true;
    bool FColumnMovable = true;
    int FDefaultColumnWidth = 120;
    TKvGridFitStyle FFitStyle = TKvGridFitStyle::FitNone;
    bool FRowResizable = false;
    int FDefaultRowHeight = 0;
    bool FHeaderResizable = false;
    bool FFooterResizable = false;
    bool FHScrollBar = true;
    bool FVScrollBar = true;
};

// Every setter only stores.
class TKvGridEditOptions : public TKvGridViewOptions
{
public:
    explicit TKvGridEditOptions(TKvGridView* owner);

    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool GetEditable() const { return FEditable; }
    void SetEditable(bool value) { FEditable = value; }
    bool GetAppendable() const { return FAppendable; }
    void SetAppendable(bool value) { FAppendable = value; }
    bool GetInsertable() const { return FInsertable; }
    void SetInsertable(bool value) { FInsertable = value; }
    bool GetDeletable() const { return FDeletable; }
    void SetDeletable(bool value) { FDeletable = value; }
    bool GetEditWhenFocused() const { return FEditWhenFocused; }
    void SetEditWhenFocused(bool value) { FEditWhenFocused = value; }
    bool GetCommitWhenNoEdit() const { return FCommitWhenNoEdit; }
    void SetCommitWhenNoEdit(bool value) { FCommitWhenNoEdit = value; }
    bool GetCommitWhenExitLastCell() const { return FCommitWhenExitLastCell; }
    void SetCommitWhenExitLastCell(bool value) { FCommitWhenExitLastCell = value; }
    bool GetCrossWhenExitLastCell() const { return FCrossWhenExitLastCell; }
    void SetCrossWhenExitLastCell(bool value) { FCrossWhenExitLastCell = value; }
    bool GetValidateOnEdited() const { return FValidateOnEdited; }
    void SetValidateOnEdited(bool value) { FValidateOnEdited = value; }
    bool GetHintOnError() const { return FHintOnError; }
    void SetHintOnError(bool value) { FHintOnError = value; }
    const QString& GetDeleteRowsMessage() const { return FDeleteRowsMessage; }
    void SetDeleteRowsMessage(const QString& value) { FDeleteRowsMessage = value; }
    bool GetDeleteRowsConfirm() const { return FDeleteRowsConfirm; }
    void SetDeleteRowsConfirm(bool value) { FDeleteRowsConfirm = value; }
    bool GetEditWhenClickFocused() const { return FEditWhenClickFocused; }
    void SetEditWhenClickFocused(bool value) { FEditWhenClickFocused = value; }
    int GetMaxRowCount() const { return FMaxRowCount; }
    // Does nothing.
    void SetMaxRowCount(int value) {}
    bool GetSkipReadOnly() const { return FSkipReadOnly; }
    void SetSkipReadOnly(bool value) { FSkipReadOnly = value; }

private:
    bool FReadOnly = false;
    bool FEditable = true;
    bool FAppendable = true;
    bool FInsertable = false;
    bool FDeletable = false;
    bool FEditWhenFocused = false;
    bool FCommitWhenNoEdit = false;
    bool FCommitWhenExitLastCell = false;
    bool FCrossWhenExitLastCell = false;
    bool FValidateOnEdited = true;
    bool FHintOnError = true;
    QString FDeleteRowsMessage;
    bool FDeleteRowsConfirm = true;
    bool FEditWhenClickFocused = false;
    int FMaxRowCount = 0;
    bool FSkipReadOnly = false;
};

// --- mask and select options ----------------------------------------------------------------

// Options that draw a mask: a colour and an alpha from which the mask pen (and brush) are
// built; a change rebuilds them and repaints the grid.
class TKvGridMaskOptions : public TKvGridViewOptions
{
public:
    void AfterConstruction() override;

    TColor GetMaskColor() const { return FMaskColor; }
    void SetMaskColor(TColor value);
    int GetMaskAlpha() const { return FMaskAlpha; }
    // Stored as given; the pen and brush take it clamped to 0..255.
    virtual void SetMaskAlpha(int value);

    // Nil when the options draw no such mask part.
    TKvFill* GetFill() const { return FFill.get(); }
    TKvStroke* GetStroke() const { return FStroke.get(); }

protected:
    TKvGridMaskOptions(TKvGridView* owner, TColor color, int alpha)
        : TKvGridViewOptions(owner), FMaskColor(color), FMaskAlpha(alpha)
    {
    }
    virtual void RebuildMask() = 0;
    void MaskChanged();

    TColor FMaskColor;
    int FMaskAlpha;
    std::unique_ptr<TKvFill> FFill;
    std::unique_ptr<TKvStroke> FStroke;
};

class TKvGridSelectOptions : public TKvGridMaskOptions
{
public:
    explicit TKvGridSelectOptions(TKvGridView* owner);

    TKvGridSelectionMode GetMode() const { return FMode; }
    // A new mode or style clears the grid's selection.
    void SetMode(TKvGridSelectionMode value);
    TKvGridSelectionStyle GetStyle() const { return FStyle; }
    void SetStyle(TKvGridSelectionStyle value);
    // Clamped to 0..255.
    void SetMaskAlpha(int value) override;
    int GetMaskBorderAlpha() const { return FMaskBorderAlpha; }
    void SetMaskBorderAlpha(int value);

protected:
    // A brush of the mask alpha and a pen of the border alpha, width 1.
    void RebuildMask() override;

private:
    void ClearSelection();

    TKvGridSelectionMode FMode = SelectExtended;
    TKvGridSelectionStyle FStyle = SelectBlock;
    int FMaskBorderAlpha = 95;
};

// --- sorting, filtering and grouping options ------------------------------------------------

class TKvGridSortingOptions : public TKvGridViewOptions
{
public:
    explicit TKvGridSortingOptions(TKvGridView* owner);

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    TKvGridSortStyle GetStyle() const { return FStyle; }
    void SetStyle(TKvGridSortStyle value);
    bool GetHandleVisible() const { return FHandleVisible; }
    void SetHandleVisible(bool value);
    TColor GetHandleColor() const { return FHandleColor; }
    void SetHandleColor(TColor value);
    TColor GetHandleNoneColor() const { return FHandleNoneColor; }
    void SetHandleNoneColor(TColor value);

private:
    bool FEnabled = true;
    TKvGridSortStyle FStyle = SortExclusive;
    bool FHandleVisible = true;
    TColor FHandleColor;
    TColor FHandleNoneColor;
};

class TKvGridFilteringOptions : public TKvGridViewOptions
{
public:
    explicit TKvGridFilteringOptions(TKvGridView* owner);

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool GetAlwaysHandleVisible() const { return FAlwaysHandleVisible; }
    void SetAlwaysHandleVisible(bool value);
    TColor GetHandleColor() const { return FHandleColor; }
    void SetHandleColor(TColor value);
    TColor GetHandleBorderColor() const { return FHandleBorderColor; }
    void SetHandleBorderColor(TColor value);
    int GetDropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int value) { FDropDownCount = value; }

private:
    bool FEnabled = true;
    bool FAlwaysHandleVisible = false;
    TColor FHandleColor;
    TColor FHandleBorderColor;
    int FDropDownCount = 8;
};

class TKvGridGroupingOptions : public TKvGridViewOptions
{
public:
    explicit TKvGridGroupingOptions(TKvGridView* owner);

    bool GetEnabled() const { return FEnabled; }
    // Enabled and Prompt tell the grid (GroupingOptionsChanged) and refresh; Expanded and
    // Summarizing only tell the grid.
    void SetEnabled(bool value);
    const QString& GetPrompt() const { return FPrompt; }
    void SetPrompt(const QString& value);
    bool GetExpanded() const { return FExpanded; }
    void SetExpanded(bool value);
    bool GetSummarizing() const { return FSummarizing; }
    void SetSummarizing(bool value);

private:
    bool FEnabled = true;
    QString FPrompt;
    bool FExpanded = true;
    bool FSummarizing = true;
};

// --- focus and hovering options -------------------------------------------------------------

class TKvGridFocusOptions : public TKvGridMaskOptions
{
public:
    explicit TKvGridFocusOptions(TKvGridView* owner);

    bool GetMaskVisible() const { return FMaskVisible; }
    void SetMaskVisible(bool value);

protected:
    // A pen of width 2.
    void RebuildMask() override;

private:
    bool FMaskVisible = true;
};

class TKvGridHoveringOptions : public TKvGridMaskOptions
{
public:
    explicit TKvGridHoveringOptions(TKvGridView* owner);

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool GetMaskVisible() const { return FMaskVisible; }
    void SetMaskVisible(bool value);

protected:
    // A brush and a pen of width 1.
    void RebuildMask() override;

private:
    bool FEnabled = true;
    bool FMaskVisible = true;
};

// --- fixed columns and rows -----------------------------------------------------------------

// What the fixed columns and the fixed rows share: count, focusable and editable flags, the
// bar size, and two style sets registered with the grid on creation and unregistered on
// destruction; assigning one copies its values and refreshes when the layout has fixed items.
class TKvGridFixedItems : public TPersistent
{
public:
    TKvGridFixedItems(TKvGridView* grid, const QString& stylesName, const QString& barStylesName);
    ~TKvGridFixedItems() override;
    TPersistent* GetOwner() const override;
    TKvGridView* GetGrid() const { return FGrid; }

    int GetCount() const { return FCount; }
    // Negative values become 0.
    virtual void SetCount(int value) = 0;
    bool GetFocusable() const { return FFocusable; }
    virtual void SetFocusable(bool value) = 0;
    bool GetEditable() const { return FEditable; }
    void SetEditable(bool value) { FEditable = value; }
    TKvGridViewStyles* GetStyles() const { return FStyles.get(); }
    void SetStyles(TKvGridViewStyles* value);
    TKvGridViewStyles* GetBarStyles() const { return FBarStyles.get(); }
    void SetBarStyles(TKvGridViewStyles* value);

protected:
    // True when the grid's layout shows fixed items of this kind.
    virtual bool HasFixed() const = 0;
    void RefreshWhenFixed();
    // Stores the bar size clamped at 0; true when it changed.
    bool StoreBarSize(int value);

    TKvGridView* FGrid;
    int FCount = 0;
    bool FFocusable = false;
    bool FEditable = false;
    int FBarSize = 3;
    std::unique_ptr<TKvGridViewStyles> FStyles;
    std::unique_ptr<TKvGridViewStyles> FBarStyles;
};

class TKvGridFixedCols : public TKvGridFixedItems
{
public:
    explicit TKvGridFixedCols(TKvGridView* grid);

    // Count, Focusable and BarWidth refresh the grid.
    void SetCount(int value) override;
    void SetFocusable(bool value) override;
    int GetBarWidth() const { return FBarSize; }
    void SetBarWidth(int value);

protected:
    bool HasFixed() const override;
};

class TKvGridFixedRows : public TKvGridFixedItems
{
public:
    explicit TKvGridFixedRows(TKvGridView* grid);

    // Count and Focusable pass the fixed-row settings to the grid's item provider.
    void SetCount(int value) override;
    void SetFocusable(bool value) override;
    bool GetExceptFromFiltering() const { return FExceptFromFiltering; }
    // A new value reaches the item provider at once and resets the grid's items.
    void SetExceptFromFiltering(bool value);
    bool GetExceptFromSorting() const { return FExceptFromSorting; }
    void SetExceptFromSorting(bool value);
    int GetBarHeight() const { return FBarSize; }
    // Clamped at 0; refreshes when the layout has fixed rows.
    void SetBarHeight(int value);

    // SetFixed(Count, not ExceptFromSorting, not ExceptFromFiltering) on the item provider.
    void ApplyToItems();

protected:
    bool HasFixed() const override;

private:
    void ExceptChanged();

    bool FExceptFromFiltering = true;
    bool FExceptFromSorting = true;
};

// --- the clipboard manager base -------------------------------------------------------------

// Copy, cut and paste of the grid's cells; the concrete manager comes with the clipboard.
class TKvGridClipboardManager : public TObject
{
public:
    explicit TKvGridClipboardManager(TKvGridView* owner) : FOwner(owner) {}
    TKvGridView* GetOwner() const { return FOwner; }
    virtual void Copy() = 0;
    virtual void Cut() = 0;
    virtual void Paste() = 0;

protected:
    TKvGridView* FOwner;
};

// --- listener adapters: each callback goes to one handler of the grid ----------------------

class TItemChangeListener : public TKvGridItemChangeListener
{
public:
    explicit TItemChangeListener(TKvGridView* owner) : FOwner(owner) {}
    void Reset() override;
    void Refresh() override;
    void ItemInserted(int Index) override;
    void ItemDeleted(int Index) override;
    void ItemUpdated(int Index) override;
    void ItemChecked(int Index) override;
    void ItemStateChanged(int Index) override;
    void Disposing() override;

private:
    TKvGridView* FOwner;
};

class TItemEditListener : public TKvGridItemEditListener
{
public:
    explicit TItemEditListener(TKvGridView* owner) : FOwner(owner) {}
    void UpdateStarted(int Index) override;
    void AppendStarted() override;
    void InsertStarted(int Index) override;
    void Edited(int Index, int Field) override;
    void Committing(int Index) override;
    void Committed(int Index) override;
    void Canceled() override;

private:
    TKvGridView* FOwner;
};

class TStyleSheetListener : public TKvGridViewStyleChangeListener
{
public:
    explicit TStyleSheetListener(TKvGridView* owner) : FOwner(owner) {}
    void StyleChanged(TKvGridStyleBag* bag, TKvGridViewStyleEntry entry) override;

private:
    TKvGridView* FOwner;
};

} // namespace kv
