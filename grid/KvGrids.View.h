// The grid view control: a sprite host that owns the column tree, the area objects, the
// option objects, the layout manager, the selection manager, the delegate, the observed
// item provider, the edit controller and the expression runtimes of one grid.
//
// Life: Create<TKvGridView>(owner) runs the host's AfterConstruction, which calls
// Initialize (owned objects, in a fixed order) and CreateElements (the named views and
// layers); then the grid's own construction defaults. Free() runs Destroying (the
// destructor body: managers, columns) and then Dispose (owned objects, reverse order).
//
// Binding: SetItemSource moves the item and edit listeners to the new provider and resets
// the grid. Every item, edit, column, option and style change ends in RefreshView, which is
// skipped while loading, destroying, initializing, disposing or inside BeginUpdate.
//
// Where the members are: KvGrids.View.cpp (construction, binding, refresh, notifications),
// .View.Layout.cpp (views and layers, factories, layout passes, scroll information),
// .View.Styles.cpp (style linking, summaries, kind factories, streaming), .View.Focus.cpp
// (focus, scroll messages, row commands, validation, sorting, search, selection views),
// .View.Scroll.cpp (cell rectangles, making a cell visible), .View.Input.cpp (key and mouse
// routing, edit commands), .View.Editing.cpp (the edit controller's side).
#pragma once

#include "grid/KvGrids.Index.h"
#include "grid/KvGrids.Options.h"
#include "graphics/KvGrids.Common.Sprites.h"
#include "graphics/KvGrids.Styles.h"
#include "model/KvGrids.Model.h"
#include "model/KvGrids.Model.Editing.h"

#include <QtCore/QStringList>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace kv {

class TKvGridView;
class TKvGridColumn;
class TKvGridDataColumn;
class TKvGridColumnGroup;
class TKvGridViewColumns;
class TKvGridValidationCollection;
class TKvGridCurrent;
class TKvGridRowGroupLevel;
// Area objects.
class TKvGridIndicator;
class TKvGridStatesBar;
class TKvGridCheckBar;
class TKvGridHeader;
class TKvGridFooter;
class TKvGridPanel;
class TKvGridEditBar;
class TKvGridBody;
class TKvGridRowGroup;
// Option objects.
class TKvGridDisplayOptions;
class TKvGridEditOptions;
class TKvGridSelectOptions;
class TKvGridFocusOptions;
class TKvGridHoveringOptions;
class TKvGridSortingOptions;
class TKvGridFilteringOptions;
class TKvGridGroupingOptions;
class TKvGridFixedCols;
class TKvGridFixedRows;
// Parts built with the layout, selection, delegate, editing and tools.
class TKvAbstractGridLayoutManager;
class TKvGridSelectionManager;
class TKvGridSelectionItem;
class TKvGridSelectionChangeListener;
class TKvGridSelectionMask;
class TKvGridSelectionView;
class TKvGridDelegate;
class TKvAbstractGridTool;
class TKvGridEditController;
class TKvGridClipboardManager;
class TKvGridHintManager;
class TItemChangeListener;
class TItemEditListener;
class TStyleSheetListener;
class IKvGridTool;
class TKvExpressionRuntime;
// Views (KvGrids.Elements).
class TKvSprite;
class TKvLayerElement;
class TKvGridRegionElement;
class TKvGridIndicatorElement;
class TKvGridStatesBarElement;
class TKvGridCheckBarElement;
class TKvGridRowGroupElement;
class TKvGridHeaderElement;
class TKvGridFooterElement;
class TKvGridEditBarElement;
class TKvGridBodyElement;
class TKvGridRowElement;
class TKvGridObjectHeaderElement;
class TKvGridObjectFooterElement;
class TKvGridLinesElement;
class TKvGridCellElement;
class TKvGridObject;
class TKvDataCellExpressionRuntime;
class TKvDataRowExpressionRuntime;
class TKvColumnSummaryRuntime;
class TKvRowGroupSummaryRuntime;
class TKvDataCellValidationRuntime;
class TKvDataRowValidationRuntime;
class TKvGridCellEditor;
class TKvGridCellRenderer;
struct TMessage;

using TKvGridCellEvent = std::function<void(TKvGridView* Sender, const TKvGridCellIndex& Index)>;
using TKvGridFocusChangingEvent =
    std::function<void(TKvGridView* Sender, const TKvGridCellIndex& Index, bool& Cancel)>;
using TKvGridItemChangingEvent = std::function<void(TKvGridView* Sender, int OldItemIndex, int NewItemIndex)>;
using TKvGridColumnChangingEvent =
    std::function<void(TKvGridView* Sender, TKvGridColumn* OldColumn, TKvGridColumn* NewColumn)>;
using TKvGridNotifyEvent = std::function<void(TKvGridView* Sender)>;
using TKvGridItemIndexEvent = std::function<void(TKvGridView* Sender, int ItemIndex)>;
using TKvGridEditEvent = std::function<void(TKvGridView* Sender, const TKvGridCellIndex& Index)>;
using TKvGridEditValueEvent =
    std::function<void(TKvGridView* Sender, const TKvGridCellIndex& Index, const Variant& Value)>;
using TKvGridCheckItemEvent = std::function<void(TKvGridView* Sender, int ItemIndex, bool Checked)>;

// Registers the grid's streamable classes with the class registry; once per process.
void RegisterGridClasses();

class TKvGridView : public TKvSpriteControl
{
protected:
    friend class TCreateAccess;
    explicit TKvGridView(TComponent* owner);

public:
    ~TKvGridView() override;
    void AfterConstruction() override;

    // Item source.
    TKvGridItemProvider* GetItemProvider() const { return FItemProvider; }
    TKvGridItemProvider* GetOwnedItemProvider() const { return FOwnedItemProvider.get(); }
    void SetItemSource(TKvGridItemProvider* Provider);
    void ResetGrid();

    // Refresh and batching.
    void RefreshView(bool Repaint = false);
    void BeginUpdate();
    void EndUpdate();
    int GetUpdateLock() const { return FUpdateLock; }
    void InvalidateLayout() { FLayoutNeeded = true; }
    bool GetLayoutNeeded() const { return FLayoutNeeded; }
    bool GetLayoutLock() const { return FLayoutLock; }
    void SetLayoutLock(bool Value) { FLayoutLock = Value; }
    bool GetLayouted() const { return FLayouted; }
    void InvalidateItem(int ItemIndex);
    // Rebuilds the items of the item provider (fixed-row settings changed).
    void ResetItems();
    // True when the layout shows fixed rows / fixed columns.
    bool HasFixedRows() const;
    bool HasFixedColumns() const;
    // Empties the selection (the selection options' mode or style changed).
    void ClearSelection();
    // Process-wide count of refreshes that ran.
    static int GetRefreshCount();

    // Counts and sorting answered from the item source.
    virtual void SortItems(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions) {}
    virtual int GetColumnCount() const;
    virtual int GetVisibleColumnCount() const;
    virtual int GetItemCount() const;
    virtual TKvIntegerArray GetSortFields() const { return {}; }
    virtual TKvGridSortDirections GetSortDirections() const { return {}; }
    virtual bool IsGroupedColumn(TKvGridColumn* Column) const { return false; }
    virtual void ColumnFiltersChanged() {}
    virtual void GroupingOptionsChanged() {}
    virtual void RowGroupOptionsChanged() { RefreshView(false); }
    virtual void DoStyleChanged(TKvGridStyleBag* Bag, TKvGridViewStyleEntry Entry) { RefreshView(false); }
    virtual void GetItemDefaults(int ItemIndex, TKvGridDataRow& Values) {}
    virtual void OrderBy(const std::vector<TKvGridDataColumn*>& Columns, const TKvGridSortDirections& Directions);
    virtual bool CanUpdate(int ItemIndex, int Field) const;
    virtual bool CanAppend() const;
    virtual bool CanInsert(int ItemIndex) const;
    virtual bool CanDelete(int ItemIndex) const;
    virtual bool HasFilters(TKvGridColumn* Column) const;
    virtual bool HasActiveFilters(TKvGridColumn* Column) const;

    // Change notifications from the grid's parts.
    virtual void ColumnsChanged(TKvGridColumn* Column);
    virtual void RowGroupLevelsChanged(TKvGridRowGroupLevel* Level) { RefreshView(false); }
    virtual void VisualObjectChanged(TObject* Object) { RefreshView(false); }
    virtual void StyleSheetChanged(TKvGridStyleBag* Bag, TKvGridViewStyleEntry Entry) { RefreshView(false); }
    void ResetColumnIndicies();

    // Styles.
    TKvGridViewStyles* GetStyles() const { return FStyles.get(); }
    void SetStyles(TKvGridViewStyles* Value);
    TKvGridStyleSheet* GetStyleSheet() const { return FStyleSheet; }
    void SetStyleSheet(TKvGridStyleSheet* Value);
    // Raise EArgumentNilException "styles is nil" for nil.
    void RegisterStyles(TKvGridStyleBag* Bag);
    void UnregisterStyles(TKvGridStyleBag* Bag);

    // Column tree at grid level. Inserting clamps the position to the target group (nil: the
    // root) and returns the new column, owned by the grid's owner.
    TKvGridDataColumn* InsertDataColumn(TKvGridColumnGroup* Group, int Index);
    TKvGridColumnGroup* InsertColumnGroup(TKvGridColumnGroup* Group, int Index);
    TKvGridDataColumn* AddDataColumn(TKvGridColumnGroup* Group = nullptr);
    TKvGridColumnGroup* AddColumnGroup(TKvGridColumnGroup* Group = nullptr);
    // Only columns of this grid; a group loses its children first.
    void RemoveColumn(TKvGridColumn* Column);
    // A column (still whole) is leaving the tree: the tool lets go of the views and gestures
    // on it, an editor on it closes, and the views cached for it are freed.
    void ColumnLeaving(TKvGridColumn* Column);
    void RemoveChildren(TKvGridColumnGroup* Group);
    void ClearColumns();
    TKvGridColumn* GetColumn(int Index) const;
    TKvGridColumn* GetVisibleColumn(int Index) const;
    TKvGridDataColumn* GetDataColumn(int DataIndex) const;
    TKvGridDataColumn* GetDataColumn(const QString& FieldName) const;
    void MoveColumn(int From, int To);
    void SetColumnIndex(TKvGridColumnGroup* Group, int From, int To);
    // Every data column, depth-first.
    std::vector<TKvGridDataColumn*> GetDataColumns() const;
    TKvGridCellIndex GetIndex(int ItemIndex, TKvGridColumn* Column) { return TKvGridCellIndex(this, ItemIndex, Column); }
    // The visible top-level column at a position; no column past the visible count.
    TKvGridCellIndex GetIndex(int ItemIndex, int VisibleColumn);
    // Streaming: the top-level columns owned by root.
    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

    // Parts (nil until the part exists).
    TKvGridColumnGroup* GetRootGroup() const { return FRootGroup.get(); }
    TKvGridViewColumns* GetColumns() const { return FColumns.get(); }
    TKvGridValidationCollection* GetValidations() const { return FValidations.get(); }
    TKvGridCurrent* GetCurrent() const { return FCurrent; }
    TKvGridIndicator* GetIndicator() const { return FIndicator.get(); }
    TKvGridStatesBar* GetStatesBar() const { return FStatesBar.get(); }
    TKvGridCheckBar* GetCheckBar() const { return FCheckBar.get(); }
    TKvGridHeader* GetHeader() const { return FHeader.get(); }
    TKvGridFooter* GetFooter() const { return FFooter.get(); }
    TKvGridPanel* GetPanel() const { return FPanel.get(); }
    TKvGridEditBar* GetEditBar() const { return FEditBar.get(); }
    TKvGridBody* GetBody() const { return FBody.get(); }
    TKvGridRowGroup* GetRowGroup() const { return FRowGroup.get(); }
    TKvGridDisplayOptions* GetDisplayOptions() const { return FDisplayOptions.get(); }
    TKvGridEditOptions* GetEditOptions() const { return FEditOptions.get(); }
    TKvGridSelectOptions* GetSelectOptions() const { return FSelectOptions.get(); }
    TKvGridFocusOptions* GetFocusOptions() const { return FFocusOptions.get(); }
    TKvGridHoveringOptions* GetHoveringOptions() const { return FHoveringOptions.get(); }
    TKvGridSortingOptions* GetSortingOptions() const { return FSortingOptions.get(); }
    TKvGridFilteringOptions* GetFilteringOptions() const { return FFilteringOptions.get(); }
    TKvGridGroupingOptions* GetGroupingOptions() const { return FGroupingOptions.get(); }
    TKvGridFixedCols* GetFixedCols() const { return FFixedCols.get(); }
    TKvGridFixedRows* GetFixedRows() const { return FFixedRows.get(); }
    TKvAbstractGridLayoutManager* GetLayoutManager() const { return FLayoutManager.get(); }
    TKvGridSelectionManager* GetSelections() const { return FSelections.get(); }
    TKvGridDelegate* GetGridDelegate() const { return FGridDelegate.get(); }
    TKvGridEditController* GetEditController() const { return FEditController.get(); }
    TKvGridClipboardManager* GetClipboardManager() const { return FClipboardManager.get(); }
    TKvGridHintManager* GetHintManager() const { return FHintManager.get(); }
    TKvGridItemConsumer* GetModelConsumer() const { return FModelConsumer; }

    // Area objects live as long as the grid: their setters only write a trace line.
    void SetIndicator(TKvGridIndicator* Value);
    void SetStatesBar(TKvGridStatesBar* Value);
    void SetCheckBar(TKvGridCheckBar* Value);
    void SetHeader(TKvGridHeader* Value);
    void SetFooter(TKvGridFooter* Value);
    void SetEditBar(TKvGridEditBar* Value);
    void SetPanel(TKvGridPanel* Value);
    void SetBody(TKvGridBody* Value);
    void SetRowGroup(TKvGridRowGroup* Value);

    int GetDefaultColumnWidth() const { return FDefaultColumnWidth; }
    void SetDefaultColumnWidth(int Value) { FDefaultColumnWidth = Value; }
    int GetGroupIndentSize() const { return FGroupIndentSize; }
    void SetGroupIndentSize(int Value) { FGroupIndentSize = Value; }
    int GetHorzScrollStep() const { return FHorzScrollStep; }
    void SetHorzScrollStep(int Value) { FHorzScrollStep = Value < 1 ? 1 : Value; }
    bool IsDesignTime() const { return IsDesigning(); }
    bool GetItemEdited() const { return FItemEdited; }

    TObject* GetAdapter(const std::type_info& type) override;

    // Views, layout and delegate (KvGrids.View.Layout.cpp)
    TKvGridRegionElement* GetPanelView() const { return FPanelView; }
    TKvGridIndicatorElement* GetIndicatorView() const { return FIndicatorView; }
    TKvGridStatesBarElement* GetStatesBarView() const { return FStatesBarView; }
    TKvGridCheckBarElement* GetCheckBarView() const { return FCheckBarView; }
    TKvGridRowGroupElement* GetRowGroupView() const { return FRowGroupView; }
    TKvGridHeaderElement* GetHeaderView() const { return FHeaderView; }
    TKvGridHeaderElement* GetFixedHeaderView() const { return FFixedHeaderView; }
    TKvGridFooterElement* GetFooterView() const { return FFooterView; }
    TKvGridFooterElement* GetFixedFooterView() const { return FFixedFooterView; }
    TKvGridEditBarElement* GetEditBarView() const { return FEditBarView; }
    TKvGridBodyElement* GetBodyView() const { return FBodyView; }
    TKvGridBodyElement* GetFixedBodyView() const { return FFixedBodyView; }
    // The device pixels that fills drawn after view's own fill cover, while the paint that
    // draws on context runs; null otherwise (KvGrids.View.Paint.cpp).
    const std::vector<TRect>* GetPaintCover(const TKvGridBodyElement* view, const TKvDrawingContext* context) const;
    TKvGridObjectHeaderElement* GetIndicatorHeadView() const { return FIndicatorHeadView; }
    TKvGridObjectHeaderElement* GetStatesBarHeadView() const { return FStatesBarHeadView; }
    TKvGridObjectHeaderElement* GetCheckBarHeadView() const { return FCheckBarHeadView; }
    TKvGridObjectHeaderElement* GetEditBarHeadView() const { return FEditBarHeadView; }
    TKvGridObjectFooterElement* GetIndicatorFootView() const { return FIndicatorFootView; }
    TKvGridObjectFooterElement* GetStatesBarFootView() const { return FStatesBarFootView; }
    TKvGridObjectFooterElement* GetCheckBarFootView() const { return FCheckBarFootView; }
    TKvGridLinesElement* GetLinesLayer() const { return FLinesLayer; }
    TKvLayerElement* GetSelectionLayer() const { return FSelectionLayer; }
    TKvLayerElement* GetFocusLayer() const { return FFocusLayer; }
    TKvLayerElement* GetFeedbackLayer() const { return FFeedbackLayer; }
    // Row views of the fixed or scrolling body: every one goes back to the pool.
    void ClearItemViews();
    // Raises the assertion "index error in TKvGridView.AddRowView" for an index outside the items.
    TKvGridRowElement* AddRowView(int Index, bool Fixed);
    TKvGridRowElement* GetRowView(int Index, bool Fixed) const;
    void AddRowGroupHeaderView(int Index);
    void AddRowGroupFooterView(int Index);
    void ClearRowGroupBodyViews();
    // The cell view of an area object (body, header, footer) for the index; nil when not shown.
    TKvGridCellElement* GetCellView(TKvGridObject* Area, const TKvGridCellIndex& Index) const;
    // Raises EArgumentNilException "Delegate is nil" and EArgumentException "Delegate is
    // already use by another grid"; the old delegate's views go back first.
    void SetGridDelegate(TKvGridDelegate* Delegate);
    IKvGridTool* GetActiveTool() const;
    void SetActiveTool(IKvGridTool* Tool);
    bool GetHovering() const;
    void SetHovering(bool Value);
    int GetTopItem() const;
    bool GetHScrolled() const { return FHScrolled; }
    bool GetVScrolled() const { return FVScrolled; }
    virtual void ResetRenderers();
    virtual void UpdateLayout();
    // The selection ranges' rectangles in the selection mask; the selection manager fills them.
    virtual void LayoutSelectionViews(TKvAbstractGridLayoutManager* LayoutManager);
    // The on-screen rectangle (control coordinates) of a rows, columns or block selection;
    // false when the range shows nowhere.
    bool RowsSelectionRect(int R1, int R2, TRect& Rect) const;
    bool ColumnsSelectionRect(TKvGridColumn* C1, TKvGridColumn* C2, TRect& Rect) const;
    bool BlockSelectionRect(const TKvGridRange& Range, TRect& Rect) const;
    // Areas, runtimes, style linking, streaming and window hooks (KvGrids.View.Styles.cpp)
    TKvDataCellExpressionRuntime* GetDataCellRuntime() const { return FDataCellRuntime.get(); }
    TKvDataRowExpressionRuntime* GetDataRowRuntime() const { return FDataRowRuntime.get(); }
    TKvColumnSummaryRuntime* GetColumnSummaryRuntime() const { return FColumnSummaryRuntime.get(); }
    TKvRowGroupSummaryRuntime* GetRowGroupSummaryRuntime() const { return FRowGroupSummaryRuntime.get(); }
    TKvDataCellValidationRuntime* GetColumnValidationRuntime() const { return FColumnValidationRuntime.get(); }
    TKvDataRowValidationRuntime* GetRowValidationRuntime() const { return FRowValidationRuntime.get(); }
    // Gives every style set its default bag from the style sheet (or the built-in sheet) and
    // its inheritance parent. Runs before each paint and before any layout, measure or export.
    void LinkStyles();
    // Forgets the footer and row-group summaries (data, item source or columns changed).
    void DropSummaries();
    // New editors and renderers by kind ("text", "lookup", "number", "list", "date"; "bar");
    // nil for any other kind.
    static TKvGridCellEditor* CreateCellEditor(TComponent* Owner, const QString& Kind);
    static TKvGridCellRenderer* CraeteCellRenderer(TComponent* Owner, const QString& Kind);
    // The drop-down list grid that receives this grid's navigation keys (not owned).
    TKvGridView* GetInList() const { return FInList; }
    void SetInList(TKvGridView* Value) { FInList = Value; }
    void SetName(const QString& Value) override;
    void Loaded() override;
    void WndProc(TMessage& Message) override;

    // Events.
    TKvGridFocusChangingEvent OnFocuedIndexChanging;
    TKvGridCellEvent OnFocuedIndexChange;
    TKvGridItemChangingEvent OnCurrentItemChanging;
    TKvGridColumnChangingEvent OnCurrentColumnChanging;
    TKvGridNotifyEvent OnCurrentItemChange;
    TKvGridNotifyEvent OnCurrentColumnChange;
    TKvGridCellEvent OnCellClick;
    TKvGridCellEvent OnCellDblClick;
    TKvGridItemIndexEvent OnCheckCellClick;
    TKvGridCellEvent OnCellAction;
    TKvGridCellEvent OnCellPopup;
    TKvGridCheckItemEvent OnCheckItem;

    // Focus, scrolling and row commands (KvGrids.View.Focus.cpp)
    TKvGridCellIndex GetFocusedIndex() const { return FFocusedIndex; }
    // Reselect also resets the selection to the focused cell.
    void SetFocusedIndex(const TKvGridCellIndex& Index, bool Reselect = false);
    int GetTopIndex() const { return FTopIndex; }
    void SetTopIndex(int Value);
    int GetLeftPos() const { return FLeftPos; }
    void SetLeftPos(int Value);
    void SetTopItem(int Item) { SetTopIndex(Item - (GetTopItem() - FTopIndex)); }
    // Scrolls the column (a position among the visible top-level columns) to the left edge.
    void SetLeftCol(int Column);
    void MakeCellVisible(const TKvGridCellIndex& Index);
    // The body cell's rectangle in control coordinates; empty when the cell is not shown.
    TRect GetCellBounds(const TKvGridCellIndex& Index) const;
    TKvGridCellIndex MouseToIndex(int X, int Y) const;
    // The rectangle of the cell's in-place editor: inside the cell, left of its buttons.
    TRect GetEditBounds(const TKvGridCellIndex& Index) const;
    // Invalidates the laid-out rows of the items (clamped to what is laid out).
    void InvalidateItems(int From, int To);
    void RefreshDataCell(const TKvGridCellIndex& Index);
    void RefreshDataRow(int ItemIndex) { InvalidateItem(ItemIndex); }
    // The column takes the width that fits its widest body cell.
    void FitColumnWidth(TKvGridColumn* Column);
    TKvGridCellIndex GetCell(int ItemIndex, TKvGridColumn* Column) { return TKvGridCellIndex(this, ItemIndex, Column); }
    TKvGridCellIndex GetCell(int ItemIndex) { return TKvGridCellIndex(this, ItemIndex, nullptr); }
    TKvGridItem* GetItem(int Index) const;
    TKvGridColumn* GetFirstVisibleColumn() const;
    Variant GetCellData(const TKvGridCellIndex& Index) const;
    TKvGridItems GetAllItems() const;
    bool IsItemEditing(int ItemIndex) const;
    // One-shot: the next row change keeps the pending row edit.
    void SetNoCancel(bool Value) { FNoCancel = Value; }
    virtual bool CanCommit(int ItemIndex) const;
    virtual bool CanCancel(int ItemIndex) const;
    // Row commands: true when the command reached the item provider.
    bool Append();
    bool Insert(int ItemIndex);
    bool Edit(const TKvGridCellIndex& Index);
    bool Delete();
    bool Commit();
    bool Cancel();
    // The values of a new row: the data source's defaults, then the columns' default values.
    TKvGridDataRow NewRowValues() const;
    void ValidateColumn(TKvGridDataColumn* Column, int ItemIndex, bool Inserting);
    void ValidateRow(const TKvGridCellIndex& Index, bool Inserting);
    void SortColumn(TKvGridColumn* Column);
    void UnsortColumn(TKvGridColumn* Column);
    void SortColumn(TKvGridSortStyle Style, TKvGridColumn* Column);
    void UnsortColumn(TKvGridSortStyle Style, TKvGridColumn* Column);
    void CellButtonClicked(const TKvGridCellIndex& Index);
    virtual int Search(const TKvIntegerArray& Fields, const TVariantArray& Values, int Start,
                       TKvGridSearchOptions Options, bool Focus, bool Wrap);
    int Search(const QStringList& FieldNames, const TVariantArray& Values, int Start, TKvGridSearchOptions Options,
               bool Focus, bool Wrap);
    // The tools call the clipboard manager; at grid level these do nothing.
    virtual void CopyToClipboard() {}
    virtual void CutToClipboard() {}
    virtual void PasteFromClipboard() {}
    virtual void DeleteSelections() {}
    virtual void DeleteSelectedRows() {}
    void ClearSelections();
    void ResetCheckStates();
    // Selection, focus and feedback layers.
    bool AddSelectionElement(TKvSprite* View);
    bool RemoveSelectionElement(TKvSprite* View);
    bool AddFocusElement(TKvSprite* View);
    bool RemoveFocusElement(TKvSprite* View);
    bool AddFeedbackElement(TKvSprite* View);
    bool RemoveFeedbackElement(TKvSprite* View);
    bool ContainsFeedbackElement(TKvSprite* View) const;
    TKvSprite* AddSelectionView(TKvGridSelectionItem* Item);
    void RemoveSelectionView(TKvGridSelectionItem* Item);
    void ClearSelectionViews();
    TKvSprite* GetSelectionView(TKvGridSelectionItem* Item) const;
    TKvGridSelectionMask* GetSelectionMask() const { return FSelectionMask; }
    // The cell area the selection sprites clip to, and the focused cell (control coordinates);
    // empty before a layout.
    TRect GetSelectionClipBounds() const;
    TRect GetFocusedRect() const;
    // Asks the user to confirm deleting rows (a question box by default).
    static std::function<bool(TKvGridView* Sender, const QString& Text, const QString& Caption)> ConfirmDelete;
    TKvGridEditEvent OnEditStart;
    TKvGridEditValueEvent OnEdit;
    TKvGridEditEvent OnEditCancel;
    TKvGridEditValueEvent OnEditCommit;
    TKvGridEditEvent OnEditComplete;
    // Called by the edit controller and the tools.
    virtual void DoCheckedCellClicked(int ItemIndex);
    virtual void DoEditorStarted(TObject* Editor, const TKvGridCellIndex& Index);
    virtual void DoEditorChanged(TObject* Editor, const TKvGridCellIndex& Index, const Variant& Value);
    virtual void DoEditorCanceled(const TKvGridCellIndex& Index);
    virtual void DoEditorCommit(TObject* Editor, const TKvGridCellIndex& Index, const Variant& Value);
    virtual void DoEditorCompleted(const TKvGridCellIndex& Index);
    // Editing (KvGrids.View.Editing.cpp): the active tool rebuilds its focus feedback.
    virtual void ResetFocusedView();

    // Input (KvGrids.View.Input.cpp)
    // The edit controller's state and commands, as the tools use them.
    bool GetEditing() const;
    void ShowEditor(bool Select);
    void CommitEditor(bool Select);
    void CancelEditor(bool Select);
    TSize GetEditorSize() const;

    // The upper layers' sprites and where they draw, as a scroll finds them.
    using TOverlayMarks = std::vector<std::pair<const TKvSprite*, TRect>>;

protected:
    virtual void DoSelectionItemAdded(TKvGridSelectionItem* Item);
    virtual void DoSelectionItemRemoved(TKvGridSelectionItem* Item);
    virtual void DoSelectionItemChanged(TKvGridSelectionItem* Item);
    virtual void DoSelectionCleared();
    // Re-lays out the selection sprites after a selection change.
    void SelectionViewsChanged();
    void CreateSelectionManager();
    // Input goes to the active tool; the grid itself reads no keys or clicks.
    void DoKeyDown(std::uint16_t& Key, TShiftState Shift) override;
    void DoKeyPress(QChar& Key) override;
    void DoKeyUp(std::uint16_t& Key, TShiftState Shift) override;
    void DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DoMouseMove(TShiftState Shift, int X, int Y) override;
    void DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // Scroll-bar input: rows on the vertical bar, pixels on the horizontal one.
    void WMScroll(TMessage& message) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    bool DoMouseHWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    // Rows a page step moves.
    int PageItemCount() const;
    bool MoveScrollPos(int Bar, int Value, int& Pos);
    void PageLeft();
    void FreeSelectionManager();
    // Moves the scrolled rows' pixels by one row instead of repainting them.
    void ScrollWindow(int Delta);
    // After the top index moved from OldTop: lays out now and, when the layout is the old one
    // shifted by whole rows, moves the rows' pixels and marks only the rows that came into
    // view and what the change touched. False when the grid must be refreshed whole.
    bool ScrollRows(int OldTop);
    // After the left position moved from OldLeft: the same for the scrolled columns.
    bool ScrollColumns(int OldLeft);
    bool CanScrollPixels() const;
    void LayoutForScroll();
    void MarkAfterScroll(const TOverlayMarks& Marks, const TRect& Hovered, const TRect& Area, int DX, int DY,
                         bool Band);
    // Marks the item's row in the indicator, states and check bars for painting.
    void InvalidateItemBars(int ItemIndex);
    // The full-width rectangle of a shown item's row; false when it is not shown or painting is held.
    bool ShownItemRect(int ItemIndex, TRect& Rect) const;
    // Sets or clears the focused flag of the index's data-cell view.
    void MarkFocusedCell(const TKvGridCellIndex& Index, bool Focused);
    TKvGridSelectionView* BorrowSelectionView();
    void ReturnSelectionView(TKvSprite* View);
    void ValidateColumnExpressions(TKvGridDataColumn* Column, const TKvGridCellIndex& Index, bool Inserting);
    void ValidateRowExpressions(const TKvGridCellIndex& Index, bool Inserting);
    // Editing (KvGrids.View.Editing.cpp)
    virtual TOwned<TKvGridEditController> CreateEditController();
    void DoEnter() override;
    // A registered editor is being freed.
    void EditorRemoved(TKvGridCellEditor* Editor);

    void Initialize() override;
    void Dispose() override;
    void CreateElements() override;
    void Destroying() override;
    void Notification(TComponent* Component, TOperation Operation) override;
    void Resize() override;
    void MouseLeave() override;
    // Style linking, then the host's paint (KvGrids.View.Styles.cpp).
    void Paint() override;
    // The window's background without what the body views and their cells cover.
    void DoDrawBackground(TKvDrawingContext* context, const TRectF& rect) override;
    void CreateWnd() override;

    // Factories a descendant may replace.
    virtual TOwned<TKvGridItemProvider> CreateItemProvider();
    virtual TOwned<TKvGridDelegate> CreateGridDelegate();
    virtual TOwned<TKvAbstractGridLayoutManager> CreateLayoutManager();
    virtual TKvGridRegionElement* CreatePanelView() { return nullptr; }
    virtual TKvGridHeaderElement* CreateHeaderView(TKvGridHeader* Header, const QString& Name, bool Fixed);
    void DoLayoutElements() override;
    // Views and layers in drawing order (KvGrids.View.Layout.cpp).
    void CreateViews();
    void FreeViews();

    // Item-source notifications.
    virtual void DoItemSourceReset();
    virtual void DoItemSourceRefresh();
    virtual void DoItemSourceItemInserted(int Index);
    virtual void DoItemSourceItemDelete(int Index);
    virtual void DoItemSourceItemUpdate(int Index) { RefreshView(false); }
    virtual void DoItemSourceItemChecked(int Index);
    virtual void DoItemSourceItemStateChanged(int Index) { InvalidateItem(Index); }
    virtual void DoItemSourceUpdateStarted() { RefreshView(false); }
    virtual void DoItemSourceUpdateFinished() { RefreshView(false); }
    // The observed provider is being freed: the grid lets go of it and shows no rows.
    virtual void DoItemSourceDisposing();

    // Edit-transaction notifications.
    virtual void DoItemEditStart(int Index);
    virtual void DoItemEditFinished(int Index);
    virtual void DoItemUpdateStarted(int Index);
    virtual void DoItemAppendStarted();
    virtual void DoItemInsertStarted(int Index);
    virtual void DoItemEdited(int Index, int Field);
    // The row is about to be written: the open editor's text goes into it first.
    void DoItemCommitting(int Index);
    virtual void DoItemCommitted(int Index);
    virtual void DoItemCanceled();

    virtual void FocusedIndexChanging(const TKvGridCellIndex& Index, bool& Cancel);
    virtual void FocusedIndexChanged(const TKvGridCellIndex& Index);

private:
    // Commit of the pending row at Index, its open cell first, after the row's validations.
    bool CommitItem(const TKvGridCellIndex& Index);
    void LeavePendingRow(TKvGridCellIndex& Next);
    class TStylesListener;
    class TSelectionListener;
    friend class TSelectionListener;
    friend class TItemChangeListener;
    friend class TItemEditListener;
    friend class TStyleSheetListener;
    friend class TStylesListener;
    friend class TKvAbstractGridTool;

    void StyleChanged(TKvGridStyleBag* Bag, TKvGridViewStyleEntry Entry) { DoStyleChanged(Bag, Entry); }
    bool RefreshSkipped() const;
    void KeepSelectionInItems();
    // The items from First on moved by Delta: the focus and the editor go with their row.
    void ShiftItems(int First, int Delta);
    // The focused row now stands at item To: the focus, its editor and its lone selection go along.
    void MoveFocusedRow(int To);
    // A pending row the focus was on that the items moved (sorted, grouped, filtered): the focus follows.
    void FollowPendingRow();
    void FollowCommittedRow(int DataRow, const TKvGridCellIndex& At);
    void LayoutForInput();
    // SetFocusedIndex's steps: ending the old row's edit, and storing the new focus.
    void LeaveFocusedRow(const TKvGridCellIndex& Old, TKvGridCellIndex& Index);
    void StoreFocusedIndex(const TKvGridCellIndex& Old, const TKvGridCellIndex& Index);

    int FUpdateLock = 0;
    bool FLayoutLock = false;
    bool FLayoutNeeded = false;
    // UpdateLayout runs again after scrolling back into room left below the rows or right of
    // the columns.
    bool FRefilling = false;
    TOwned<TKvGridColumnGroup> FRootGroup;
    TOwned<TKvGridViewColumns> FColumns;
    TOwned<TKvGridItemProvider> FOwnedItemProvider;
    TKvGridItemProvider* FItemProvider = nullptr;
    std::unique_ptr<TItemChangeListener> FItemChangeListener;
    std::unique_ptr<TItemEditListener> FItemEditListener;
    std::unique_ptr<TKvGridViewStyles> FStyles;
    std::unique_ptr<TStylesListener> FStylesListener;
    TOwned<TKvGridEditController> FEditController;
    bool FLayouted = false;
    bool FNoCancel = false;
    // SetFocusedIndex is ending the old row's edit and places the focus itself afterwards.
    bool FMovingFocus = false;
    // The pending row's item as the grid last saw it, or -1.
    int FPendingItem = -1;
    bool FItemEdited = false;
    // Components the grid owns (it frees them in Dispose); the references clear themselves.
    TComponentRef<TKvGridItemConsumer> FModelConsumer;
    std::unique_ptr<TStyleSheetListener> FStyleSheetListener;
    TOwned<TKvGridClipboardManager> FClipboardManager;
    TOwned<TKvGridHintManager> FHintManager;
    int FDefaultColumnWidth = 120;
    int FGroupIndentSize = 20;
    TOwned<TKvGridIndicator> FIndicator;
    TOwned<TKvGridStatesBar> FStatesBar;
    TOwned<TKvGridCheckBar> FCheckBar;
    TOwned<TKvGridHeader> FHeader;
    TOwned<TKvGridFooter> FFooter;
    TOwned<TKvGridPanel> FPanel;
    TOwned<TKvGridEditBar> FEditBar;
    TOwned<TKvGridBody> FBody;
    TOwned<TKvGridRowGroup> FRowGroup;
    TOwned<TKvGridDelegate> FGridDelegate;
    TOwned<TKvAbstractGridLayoutManager> FLayoutManager;
    TOwned<TKvGridSelectionManager> FSelections;
    TKvGridCellIndex FFocusedIndex;
    // Owned by the grid as a component, as the model consumer is.
    TComponentRef<TKvGridCurrent> FCurrent;
    TOwned<TKvGridValidationCollection> FValidations;
    TOwned<TKvGridDisplayOptions> FDisplayOptions;
    TOwned<TKvGridEditOptions> FEditOptions;
    TOwned<TKvGridSelectOptions> FSelectOptions;
    TOwned<TKvGridFocusOptions> FFocusOptions;
    TOwned<TKvGridHoveringOptions> FHoveringOptions;
    TOwned<TKvGridSortingOptions> FSortingOptions;
    TOwned<TKvGridFilteringOptions> FFilteringOptions;
    TOwned<TKvGridGroupingOptions> FGroupingOptions;
    TOwned<TKvGridFixedCols> FFixedCols;
    TOwned<TKvGridFixedRows> FFixedRows;
    int FTopIndex = 0;
    int FLeftPos = 0;
    int FHorzScrollStep = 8;
    // Focus, scrolling and row commands
    // Made and freed with the selection manager.
    std::unique_ptr<TKvGridSelectionChangeListener> FSelectionListner;
    std::map<TKvGridSelectionItem*, TKvSprite*> FSelectionViewMap;
    bool FCheckScrolling = false;
    TComponentRef<TKvGridStyleSheet> FStyleSheet{TNotifyHolder{this}};

    // Views, layout and delegate (KvGrids.View.Layout.cpp)
    void SetScrollInfos(bool Vertical, int Width);
    TKvGridRegionElement* FPanelView = nullptr;
    TKvGridIndicatorElement* FIndicatorView = nullptr;
    TKvGridStatesBarElement* FStatesBarView = nullptr;
    TKvGridCheckBarElement* FCheckBarView = nullptr;
    TKvGridRowGroupElement* FRowGroupView = nullptr;
    TKvGridHeaderElement* FHeaderView = nullptr;
    TKvGridHeaderElement* FFixedHeaderView = nullptr;
    TKvGridFooterElement* FFooterView = nullptr;
    TKvGridFooterElement* FFixedFooterView = nullptr;
    TKvGridEditBarElement* FEditBarView = nullptr;
    TKvGridBodyElement* FFixedBodyView = nullptr;
    TKvGridBodyElement* FBodyView = nullptr;
    TKvGridObjectHeaderElement* FIndicatorHeadView = nullptr;
    TKvGridObjectHeaderElement* FStatesBarHeadView = nullptr;
    TKvGridObjectHeaderElement* FCheckBarHeadView = nullptr;
    TKvGridObjectHeaderElement* FEditBarHeadView = nullptr;
    TKvGridObjectFooterElement* FIndicatorFootView = nullptr;
    TKvGridObjectFooterElement* FStatesBarFootView = nullptr;
    TKvGridObjectFooterElement* FCheckBarFootView = nullptr;
    TKvGridLinesElement* FLinesLayer = nullptr;
    TKvLayerElement* FSelectionLayer = nullptr;
    TKvLayerElement* FFocusLayer = nullptr;
    TKvLayerElement* FFeedbackLayer = nullptr;
    TKvGridSelectionMask* FSelectionMask = nullptr;
    // What later fills of the paint under way cover: under the window's background, under the
    // body view's fill and under the fixed one's (KvGrids.View.Paint.cpp).
    void MakePaintCovers(const TRect& clip);
    std::vector<TRect> FWindowCover;
    std::vector<TRect> FBodyCover;
    std::vector<TRect> FFixedBodyCover;
    const TKvDrawingContext* FCoverContext = nullptr;
    IntfPtr<IKvGridTool> FActiveTool;
    bool FHScrolled = false;
    bool FVScrolled = false;
    // Areas, runtimes, style linking, streaming and window hooks (KvGrids.View.Styles.cpp)
    void LinkColumnStyles(TKvGridColumn* Column, TKvGridViewStyles* Parent);
    TOwned<TKvDataCellExpressionRuntime> FDataCellRuntime;
    TOwned<TKvDataRowExpressionRuntime> FDataRowRuntime;
    TOwned<TKvColumnSummaryRuntime> FColumnSummaryRuntime;
    TOwned<TKvRowGroupSummaryRuntime> FRowGroupSummaryRuntime;
    TOwned<TKvDataCellValidationRuntime> FColumnValidationRuntime;
    TOwned<TKvDataRowValidationRuntime> FRowValidationRuntime;
    TKvGridView* FInList = nullptr;
};

// A descendant's view of the item provider its CreateItemProvider made, as its own type, read
// through the grid's owning slot: null once the grid has let go of it.
template <typename T>
class TKvOwnedItemSource
{
public:
    explicit TKvOwnedItemSource(const TKvGridView* grid) : FGrid(grid) {}
    TKvOwnedItemSource(const TKvOwnedItemSource&) = delete;
    TKvOwnedItemSource& operator=(const TKvOwnedItemSource&) = delete;

    T* Get() const { return dynamic_cast<T*>(FGrid->GetOwnedItemProvider()); }
    operator T*() const { return Get(); }
    T* operator->() const { return Get(); }

private:
    const TKvGridView* FGrid;
};

} // namespace kv
