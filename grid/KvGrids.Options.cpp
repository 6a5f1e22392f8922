// Option objects.
//
// Sections: base; display, edit, select, sorting, filtering, grouping, focus and hovering
// options; fixed columns and rows; listener adapters; published properties.
//
// Every setter ignores an unchanged value and then stores it; a refresh goes to the grid's
// RefreshView(false), a repaint invalidates the grid control. Mask pens and brushes are
// rebuilt from the colour and alpha (clamped to 0..255 when the pen or brush is made).
#include "grid/KvGrids.Options.h"

#include "grid/KvGrids.View.h"
#include "platform/rtl/TypInfo.h"

#include <algorithm>

namespace kv {

// The texts options start with; form files hold them only when they differ.
const char* const DefaultDeleteRowsMessage = "선택한 row들을 삭제하시겠습니까?";
const char* const DefaultGroupingPrompt = "컬럼 헤더를 이 곳으로 끌어다 놓으면 그 컬럼으로 그룹핑합니다.";

namespace {

std::uint8_t ClampAlpha(int alpha)
{
    return static_cast<std::uint8_t>(std::clamp(alpha, 0, 255));
}

TKvColor MaskColor(TColor color, int alpha)
{
    return TKvColor::CreateFromColor(color, ClampAlpha(alpha));
}

// Platform colours are blue-green-red.
constexpr TColor Rgb(int r, int g, int b)
{
    return TColor(r | (g << 8) | (b << 16));
}

} // namespace

// --- base -----------------------------------------------------------------------------------

TPersistent* TKvGridViewOptions::GetOwner() const
{
    return FOwner;
}

void TKvGridViewOptions::Refresh()
{
    if (FOwner)
        FOwner->RefreshView(false);
}

void TKvGridViewOptions::Repaint()
{
    if (FOwner)
        FOwner->Invalidate();
}

// --- display --------------------------------------------------------------------------------

void TKvGridDisplayOptions::SetFitStyle(TKvGridFitStyle value)
{
    if (ChangeField(FFitStyle, value))
        Refresh();
}

void TKvGridDisplayOptions::SetDefaultRowHeight(int value)
{
    if (ChangeField(FDefaultRowHeight, std::max(0, value)))
        Refresh();
}

void TKvGridDisplayOptions::SetHScrollBar(bool value)
{
    if (ChangeField(FHScrollBar, value))
        Refresh();
}

void TKvGridDisplayOptions::SetVScrollBar(bool value)
{
    if (ChangeField(FVScrollBar, value))
        Refresh();
}

// --- edit -----------------------------------------------------------------------------------

TKvGridEditOptions::TKvGridEditOptions(TKvGridView* owner)
    : TKvGridViewOptions(owner), FDeleteRowsMessage(QString::fromUtf8(DefaultDeleteRowsMessage))
{
}

// --- masks and selection ------------------------------------------------------------------

void TKvGridMaskOptions::AfterConstruction()
{
    TKvGridViewOptions::AfterConstruction();
    RebuildMask();
}

void TKvGridMaskOptions::MaskChanged()
{
    RebuildMask();
    Repaint();
}

void TKvGridMaskOptions::SetMaskColor(TColor value)
{
    if (ChangeField(FMaskColor, value))
        MaskChanged();
}

void TKvGridMaskOptions::SetMaskAlpha(int value)
{
    if (ChangeField(FMaskAlpha, value))
        MaskChanged();
}

TKvGridSelectOptions::TKvGridSelectOptions(TKvGridView* owner) : TKvGridMaskOptions(owner, Rgb(30, 144, 255), 47) {}

void TKvGridSelectOptions::RebuildMask()
{
    FFill = TKvFill::CreateSolid(MaskColor(FMaskColor, FMaskAlpha));
    FStroke = TKvStroke::CreateSolid(MaskColor(FMaskColor, FMaskBorderAlpha), 1.0f, DashStyleSolid);
}

void TKvGridSelectOptions::ClearSelection()
{
    if (FOwner)
        FOwner->ClearSelection();
}

void TKvGridSelectOptions::SetMode(TKvGridSelectionMode value)
{
    if (ChangeField(FMode, value))
        ClearSelection();
}

void TKvGridSelectOptions::SetStyle(TKvGridSelectionStyle value)
{
    if (ChangeField(FStyle, value))
        ClearSelection();
}

void TKvGridSelectOptions::SetMaskAlpha(int value)
{
    TKvGridMaskOptions::SetMaskAlpha(std::clamp(value, 0, 255));
}

void TKvGridSelectOptions::SetMaskBorderAlpha(int value)
{
    if (ChangeField(FMaskBorderAlpha, std::clamp(value, 0, 255)))
        MaskChanged();
}

// --- sorting and filtering ------------------------------------------------------------------

TKvGridSortingOptions::TKvGridSortingOptions(TKvGridView* owner)
    : TKvGridViewOptions(owner), FHandleColor(clBlack), FHandleNoneColor(Rgb(128, 128, 128))
{
}

void TKvGridSortingOptions::SetEnabled(bool value)
{
    if (ChangeField(FEnabled, value))
        Refresh();
}

void TKvGridSortingOptions::SetStyle(TKvGridSortStyle value)
{
    if (ChangeField(FStyle, value))
        Refresh();
}

void TKvGridSortingOptions::SetHandleVisible(bool value)
{
    if (ChangeField(FHandleVisible, value))
        Repaint();
}

void TKvGridSortingOptions::SetHandleColor(TColor value)
{
    if (ChangeField(FHandleColor, value))
        Repaint();
}

void TKvGridSortingOptions::SetHandleNoneColor(TColor value)
{
    if (ChangeField(FHandleNoneColor, value))
        Repaint();
}

TKvGridFilteringOptions::TKvGridFilteringOptions(TKvGridView* owner)
    : TKvGridViewOptions(owner), FHandleColor(Rgb(255, 165, 0)), FHandleBorderColor(Rgb(139, 69, 19))
{
}

void TKvGridFilteringOptions::SetEnabled(bool value)
{
    if (ChangeField(FEnabled, value))
        Refresh();
}

void TKvGridFilteringOptions::SetAlwaysHandleVisible(bool value)
{
    if (ChangeField(FAlwaysHandleVisible, value))
        Repaint();
}

void TKvGridFilteringOptions::SetHandleColor(TColor value)
{
    if (ChangeField(FHandleColor, value))
        Repaint();
}

void TKvGridFilteringOptions::SetHandleBorderColor(TColor value)
{
    if (ChangeField(FHandleBorderColor, value))
        Repaint();
}

// --- grouping -------------------------------------------------------------------------------

TKvGridGroupingOptions::TKvGridGroupingOptions(TKvGridView* owner)
    : TKvGridViewOptions(owner),
      FPrompt(QString::fromUtf8(DefaultGroupingPrompt))
{
}

void TKvGridGroupingOptions::SetEnabled(bool value)
{
    if (ChangeField(FEnabled, value) && FOwner) {
        FOwner->GroupingOptionsChanged();
        Refresh();
    }
}

void TKvGridGroupingOptions::SetPrompt(const QString& value)
{
    if (ChangeField(FPrompt, value) && FOwner) {
        FOwner->GroupingOptionsChanged();
        Refresh();
    }
}

void TKvGridGroupingOptions::SetExpanded(bool value)
{
    if (ChangeField(FExpanded, value) && FOwner)
        FOwner->GroupingOptionsChanged();
}

void TKvGridGroupingOptions::SetSummarizing(bool value)
{
    if (ChangeField(FSummarizing, value) && FOwner)
        FOwner->GroupingOptionsChanged();
}

// --- focus and hovering ---------------------------------------------------------------------

TKvGridFocusOptions::TKvGridFocusOptions(TKvGridView* owner) : TKvGridMaskOptions(owner, Rgb(51, 51, 51), 255) {}

void TKvGridFocusOptions::RebuildMask()
{
    FStroke = TKvStroke::CreateSolid(MaskColor(FMaskColor, FMaskAlpha), 2.0f, DashStyleSolid);
}

void TKvGridFocusOptions::SetMaskVisible(bool value)
{
    if (ChangeField(FMaskVisible, value))
        Repaint();
}

TKvGridHoveringOptions::TKvGridHoveringOptions(TKvGridView* owner) : TKvGridMaskOptions(owner, Rgb(82, 146, 247), 31) {}

void TKvGridHoveringOptions::RebuildMask()
{
    const TKvColor color = MaskColor(FMaskColor, FMaskAlpha);
    FFill = TKvFill::CreateSolid(color);
    FStroke = TKvStroke::CreateSolid(color, 1.0f, DashStyleSolid);
}

void TKvGridHoveringOptions::SetEnabled(bool value)
{
    if (ChangeField(FEnabled, value))
        Refresh();
}

void TKvGridHoveringOptions::SetMaskVisible(bool value)
{
    if (ChangeField(FMaskVisible, value))
        Repaint();
}

// --- fixed columns and rows -----------------------------------------------------------------

TKvGridFixedItems::TKvGridFixedItems(TKvGridView* grid, const QString& stylesName, const QString& barStylesName)
    : FGrid(grid),
      FStyles(std::make_unique<TKvGridViewStyles>(this, stylesName)),
      FBarStyles(std::make_unique<TKvGridViewStyles>(this, barStylesName))
{
    if (FGrid) {
        FGrid->RegisterStyles(FStyles.get());
        FGrid->RegisterStyles(FBarStyles.get());
    }
}

TKvGridFixedItems::~TKvGridFixedItems()
{
    if (FGrid) {
        FGrid->UnregisterStyles(FBarStyles.get());
        FGrid->UnregisterStyles(FStyles.get());
    }
}

TPersistent* TKvGridFixedItems::GetOwner() const
{
    return FGrid;
}

void TKvGridFixedItems::RefreshWhenFixed()
{
    if (HasFixed())
        FGrid->RefreshView(false);
}

bool TKvGridFixedItems::StoreBarSize(int value)
{
    return ChangeField(FBarSize, std::max(0, value));
}

void TKvGridFixedItems::SetStyles(TKvGridViewStyles* value)
{
    FStyles->Assign(value);
    RefreshWhenFixed();
}

void TKvGridFixedItems::SetBarStyles(TKvGridViewStyles* value)
{
    FBarStyles->Assign(value);
    RefreshWhenFixed();
}

TKvGridFixedCols::TKvGridFixedCols(TKvGridView* grid)
    : TKvGridFixedItems(grid, QStringLiteral("fixedColStyles"), QStringLiteral("fixedColBarStyles"))
{
}

bool TKvGridFixedCols::HasFixed() const
{
    return FGrid && FGrid->HasFixedColumns();
}

void TKvGridFixedCols::SetCount(int value)
{
    if (ChangeField(FCount, std::max(0, value)) && FGrid)
        FGrid->RefreshView(false);
}

void TKvGridFixedCols::SetFocusable(bool value)
{
    if (ChangeField(FFocusable, value) && FGrid)
        FGrid->RefreshView(false);
}

void TKvGridFixedCols::SetBarWidth(int value)
{
    if (StoreBarSize(value) && FGrid)
        FGrid->RefreshView(false);
}

TKvGridFixedRows::TKvGridFixedRows(TKvGridView* grid)
    : TKvGridFixedItems(grid, QStringLiteral("fixedRowStyles"), QStringLiteral("fixedRowBarStyles"))
{
}

bool TKvGridFixedRows::HasFixed() const
{
    return FGrid && FGrid->HasFixedRows();
}

void TKvGridFixedRows::ApplyToItems()
{
    if (TKvGridItemProvider* provider = FGrid ? FGrid->GetItemProvider() : nullptr)
        provider->SetFixed(FCount, !FExceptFromSorting, !FExceptFromFiltering);
}

void TKvGridFixedRows::SetCount(int value)
{
    if (ChangeField(FCount, std::max(0, value)))
        ApplyToItems();
}

void TKvGridFixedRows::SetFocusable(bool value)
{
    if (ChangeField(FFocusable, value))
        ApplyToItems();
}

void TKvGridFixedRows::ExceptChanged()
{
    if (!FGrid)
        return;
    ApplyToItems();
    FGrid->ResetItems();
}

void TKvGridFixedRows::SetExceptFromFiltering(bool value)
{
    if (ChangeField(FExceptFromFiltering, value))
        ExceptChanged();
}

void TKvGridFixedRows::SetExceptFromSorting(bool value)
{
    if (ChangeField(FExceptFromSorting, value))
        ExceptChanged();
}

void TKvGridFixedRows::SetBarHeight(int value)
{
    if (StoreBarSize(value))
        RefreshWhenFixed();
}

// --- listener adapters ----------------------------------------------------------------------

// Data changes drop the footer and row-group summaries first.
void TItemChangeListener::Disposing() { FOwner->DoItemSourceDisposing(); }
void TItemChangeListener::Reset() { FOwner->DropSummaries(); FOwner->DoItemSourceReset(); }
void TItemChangeListener::Refresh() { FOwner->DropSummaries(); FOwner->DoItemSourceRefresh(); }
void TItemChangeListener::ItemInserted(int Index) { FOwner->DropSummaries(); FOwner->DoItemSourceItemInserted(Index); }
void TItemChangeListener::ItemDeleted(int Index) { FOwner->DropSummaries(); FOwner->DoItemSourceItemDelete(Index); }
void TItemChangeListener::ItemUpdated(int Index) { FOwner->DropSummaries(); FOwner->DoItemSourceItemUpdate(Index); }
void TItemChangeListener::ItemChecked(int Index) { FOwner->DoItemSourceItemChecked(Index); }
void TItemChangeListener::ItemStateChanged(int Index) { FOwner->DoItemSourceItemStateChanged(Index); }

void TItemEditListener::UpdateStarted(int Index) { FOwner->DoItemUpdateStarted(Index); }
void TItemEditListener::AppendStarted() { FOwner->DoItemAppendStarted(); }
void TItemEditListener::InsertStarted(int Index) { FOwner->DoItemInsertStarted(Index); }
void TItemEditListener::Edited(int Index, int Field) { FOwner->DoItemEdited(Index, Field); }
void TItemEditListener::Committing(int Index) { FOwner->DoItemCommitting(Index); }
void TItemEditListener::Committed(int Index) { FOwner->DoItemCommitted(Index); }
void TItemEditListener::Canceled() { FOwner->DoItemCanceled(); }

void TStyleSheetListener::StyleChanged(TKvGridStyleBag* bag, TKvGridViewStyleEntry entry)
{
    FOwner->StyleSheetChanged(bag, entry);
}

// --- published properties -------------------------------------------------------------------

KV_PUBLISH_ENUM(TKvGridFitStyle, "FitNone", "FitEven", "FitLastFill");
KV_PUBLISH_ENUM(TKvGridSelectionMode, "SelectNone", "SelectSingle", "SelectExtended");
KV_PUBLISH_ENUM(TKvGridSelectionStyle, "SelectBlock", "SelectRows", "SelectColumns");
KV_PUBLISH_ENUM(TKvGridSortStyle, "SortNone", "SortExclusive", "SortInclusive", "SortReverse");

KV_PUBLISH(TKvGridViewOptions, TPersistent);
KV_PUBLISH(TKvGridMaskOptions, TKvGridViewOptions);
using TMask = TKvGridMaskOptions;

using TDisplay = TKvGridDisplayOptions;
KV_PUBLISH(TKvGridDisplayOptions, TKvGridViewOptions)
    .Property("ColumnResizable", &TDisplay::GetColumnResizable, &TDisplay::SetColumnResizable).Default(true)
    .Property("ColumnMovable", &TDisplay::GetColumnMovable, &TDisplay::SetColumnMovable).Default(true)
    .Property("DefaultColumnWidth", &TDisplay::GetDefaultColumnWidth, &TDisplay::SetDefaultColumnWidth).Default(120)
    .Property("FitStyle", &TDisplay::GetFitStyle, &TDisplay::SetFitStyle).Default(TKvGridFitStyle::FitNone)
    .Property("RowResizable", &TDisplay::GetRowResizable, &TDisplay::SetRowResizable).Default(false)
    .Property("DefaultRowHeight", &TDisplay::GetDefaultRowHeight, &TDisplay::SetDefaultRowHeight).Default(0)
    .Property("HeaderResizable", &TDisplay::GetHeaderResizable, &TDisplay::SetHeaderResizable).Default(false)
    .Property("FooterResizable", &TDisplay::GetFooterResizable, &TDisplay::SetFooterResizable).Default(false)
    .Property("HScrollBar", &TDisplay::GetHScrollBar, &TDisplay::SetHScrollBar).Default(true)
    .Property("VScrollBar", &TDisplay::GetVScrollBar, &TDisplay::SetVScrollBar).Default(true);

using TEdit = TKvGridEditOptions;
KV_PUBLISH(TKvGridEditOptions, TKvGridViewOptions)
    .Property("ReadOnly", &TEdit::GetReadOnly, &TEdit::SetReadOnly).Default(false)
    .Property("Editable", &TEdit::GetEditable, &TEdit::SetEditable).Default(true)
    .Property("Appendable", &TEdit::GetAppendable, &TEdit::SetAppendable).Default(true)
    .Property("Insertable", &TEdit::GetInsertable, &TEdit::SetInsertable).Default(false)
    .Property("Deletable", &TEdit::GetDeletable, &TEdit::SetDeletable).Default(false)
    .Property("EditWhenFocused", &TEdit::GetEditWhenFocused, &TEdit::SetEditWhenFocused).Default(false)
    .Property("CommitWhenNoEdit", &TEdit::GetCommitWhenNoEdit, &TEdit::SetCommitWhenNoEdit).Default(false)
    .Property("CommitWhenExitLastCell", &TEdit::GetCommitWhenExitLastCell, &TEdit::SetCommitWhenExitLastCell).Default(false)
    .Property("CrossWhenExitLastCell", &TEdit::GetCrossWhenExitLastCell, &TEdit::SetCrossWhenExitLastCell).Default(false)
    .Property("ValidateOnEdited", &TEdit::GetValidateOnEdited, &TEdit::SetValidateOnEdited).Default(true)
    .Property("HintOnError", &TEdit::GetHintOnError, &TEdit::SetHintOnError).Default(true)
    .Property("DeleteRowsMessage", &TEdit::GetDeleteRowsMessage, &TEdit::SetDeleteRowsMessage).Default(DefaultDeleteRowsMessage)
    .Property("DeleteRowsConfirm", &TEdit::GetDeleteRowsConfirm, &TEdit::SetDeleteRowsConfirm).Default(true)
    .Property("EditWhenClickFocused", &TEdit::GetEditWhenClickFocused, &TEdit::SetEditWhenClickFocused).Default(false);

using TSelect = TKvGridSelectOptions;
KV_PUBLISH(TKvGridSelectOptions, TKvGridMaskOptions)
    .Property("Mode", &TSelect::GetMode, &TSelect::SetMode).Default(SelectExtended)
    .Property("Style", &TSelect::GetStyle, &TSelect::SetStyle).Default(SelectBlock)
    .Property("MaskColor", &TMask::GetMaskColor, &TMask::SetMaskColor).Default(Rgb(30, 144, 255))
    .Property("MaskAlpha", &TMask::GetMaskAlpha, &TMask::SetMaskAlpha).Default(47)
    .Property("MaskBorderAlpha", &TSelect::GetMaskBorderAlpha, &TSelect::SetMaskBorderAlpha).Default(95);

using TSorting = TKvGridSortingOptions;
KV_PUBLISH(TKvGridSortingOptions, TKvGridViewOptions)
    .Property("Enabled", &TSorting::GetEnabled, &TSorting::SetEnabled).Default(true)
    .Property("Style", &TSorting::GetStyle, &TSorting::SetStyle).Default(SortExclusive)
    .Property("HandleVisible", &TSorting::GetHandleVisible, &TSorting::SetHandleVisible).Default(true)
    .Property("HandleColor", &TSorting::GetHandleColor, &TSorting::SetHandleColor).Default(clBlack)
    .Property("HandleNoneColor", &TSorting::GetHandleNoneColor, &TSorting::SetHandleNoneColor).Default(Rgb(128, 128, 128));

using TFiltering = TKvGridFilteringOptions;
KV_PUBLISH(TKvGridFilteringOptions, TKvGridViewOptions)
    .Property("Enabled", &TFiltering::GetEnabled, &TFiltering::SetEnabled).Default(true)
    .Property("AlwaysHandleVisible", &TFiltering::GetAlwaysHandleVisible, &TFiltering::SetAlwaysHandleVisible).Default(false)
    .Property("HandleColor", &TFiltering::GetHandleColor, &TFiltering::SetHandleColor).Default(Rgb(255, 165, 0))
    .Property("HandleBorderColor", &TFiltering::GetHandleBorderColor, &TFiltering::SetHandleBorderColor).Default(Rgb(139, 69, 19))
    .Property("DropDownCount", &TFiltering::GetDropDownCount, &TFiltering::SetDropDownCount).Default(8);

using TGrouping = TKvGridGroupingOptions;
KV_PUBLISH(TKvGridGroupingOptions, TKvGridViewOptions)
    .Property("Enabled", &TGrouping::GetEnabled, &TGrouping::SetEnabled).Default(true)
    .Property("Prompt", &TGrouping::GetPrompt, &TGrouping::SetPrompt).Default(DefaultGroupingPrompt)
    .Property("Expaneded", &TGrouping::GetExpanded, &TGrouping::SetExpanded).Default(true);

using TFocus = TKvGridFocusOptions;
KV_PUBLISH(TKvGridFocusOptions, TKvGridMaskOptions)
    .Property("MaskVisible", &TFocus::GetMaskVisible, &TFocus::SetMaskVisible).Default(true)
    .Property("MaskColor", &TMask::GetMaskColor, &TMask::SetMaskColor).Default(Rgb(51, 51, 51))
    .Property("MaskAlpha", &TMask::GetMaskAlpha, &TMask::SetMaskAlpha).Default(255);

using THovering = TKvGridHoveringOptions;
KV_PUBLISH(TKvGridHoveringOptions, TKvGridMaskOptions)
    .Property("Enabled", &THovering::GetEnabled, &THovering::SetEnabled).Default(true)
    .Property("MaskVisible", &THovering::GetMaskVisible, &THovering::SetMaskVisible).Default(true)
    .Property("MaskColor", &TMask::GetMaskColor, &TMask::SetMaskColor).Default(Rgb(82, 146, 247))
    .Property("MaskAlpha", &TMask::GetMaskAlpha, &TMask::SetMaskAlpha).Default(31);

using TFixed = TKvGridFixedItems;
KV_PUBLISH(TKvGridFixedItems, TPersistent)
    .Property("Count", &TFixed::GetCount, &TFixed::SetCount).Default(0)
    .Property("Focusable", &TFixed::GetFocusable, &TFixed::SetFocusable).Default(false)
    .Property("Editable", &TFixed::GetEditable, &TFixed::SetEditable).Default(false)
    .Property("Styles", &TFixed::GetStyles, &TFixed::SetStyles)
    .Property("BarStyles", &TFixed::GetBarStyles, &TFixed::SetBarStyles);

KV_PUBLISH(TKvGridFixedCols, TKvGridFixedItems)
    .Property("BarWidth", &TKvGridFixedCols::GetBarWidth, &TKvGridFixedCols::SetBarWidth).Default(3);

using TFixedRows = TKvGridFixedRows;
KV_PUBLISH(TKvGridFixedRows, TKvGridFixedItems)
    .Property("ExceptFromFiltering", &TFixedRows::GetExceptFromFiltering, &TFixedRows::SetExceptFromFiltering).Default(true)
    .Property("ExceptFromSorting", &TFixedRows::GetExceptFromSorting, &TFixedRows::SetExceptFromSorting).Default(true)
    .Property("BarHeight", &TFixedRows::GetBarHeight, &TFixedRows::SetBarHeight).Default(3);

} // namespace kv
