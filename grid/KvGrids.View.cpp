// The grid view: construction and dispose order, item-source binding, refresh and batching,
// style registration.
//
// Sections: class registration; listeners; construction and destruction; item source;
// refresh and batching; focus events; notifications; styles.
//
// Call flow: Create runs Initialize (listeners, column tree, areas, options, the factories'
// layout manager, selection manager and delegate, the owned item provider bound through
// SetItemSource, styles, edit controller, runtimes), then CreateElements, then the
// construction defaults. SetItemSource moves the listeners and resets the grid. The
// listener adapters (KvGrids.Options) and the column, option and style notifications end in
// RefreshView, which re-applies top row, left position and focus, asks for a layout and
// invalidates; BeginUpdate/EndUpdate batch it into one refresh.
#include "grid/KvGrids.View.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.EditorBase.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Hints.h"
#include "grid/KvGrids.Internals.h"
#include "grid/KvGrids.Renderers.h"
#include "grid/KvGrids.Clipboard.h"
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.Selection.h"
#include "grid/KvGrids.Runtime.Grid.h"

#include "model/KvGrids.Model.Default.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Trace.h"

#include <QtCore/QElapsedTimer>

namespace kv {

namespace {
int gRefreshCount = 0;
} // namespace

// ---- class registration ----------------------------------------------------------------

// The classes that form files of grids name, registered once per process by the first grid.
void RegisterGridClasses()
{
    static const bool registered = [] {
        RegisterClasses<TKvGridItemConsumer, TKvGridDataColumn, TKvGridColumnGroup, TKvBarCellRenderer,
                        TKvCheckCellRenderer, TKvImageCellRenderer, TKvInternalBarCellRenderer,
                        TKvInternalCheckCellRenderer, TKvInternalImageCellRenderer, TKvLineCellEditor,
                        TKvLookupCellEditor, TKvNumberCellEditor, TKvListCellEditor, TKvDateTimeCellEditor,
                        TKvMultiLineCellEditor, TKvInternalLineCellEditor, TKvInternalLookupCellEditor,
                        TKvInternalNumberCellEditor, TKvInternalListCellEditor, TKvInternalDateTimeCellEditor,
                        TKvInternalMultiLineCellEditor, TKvProxyCellRenderer, TKvProxyCellEditor>();
        // The further editors that columns may hold.
        RegisterClasses<TKvButtonCellEditor, TKvImageCellEditor, TKvCheckCellEditor, TKvRadioCellEditor,
                        TKvInternalButtonCellEditor, TKvInternalImageCellEditor, TKvInternalCheckCellEditor,
                        TKvInternalRadioCellEditor>();
        return true;
    }();
    (void)registered;
}

// ---- listeners -------------------------------------------------------------------------

// Style sets of the grid report through StyleChanged.
class TKvGridView::TStylesListener : public TKvGridViewStyleChangeListener
{
public:
    explicit TStylesListener(TKvGridView* grid) : FGrid(grid) {}
    void StyleChanged(TKvGridStyleBag* bag, TKvGridViewStyleEntry entry) override { FGrid->StyleChanged(bag, entry); }

private:
    TKvGridView* FGrid;
};

// Form files name grids by class.
KV_PUBLISH(TKvGridView, TControl)
    .Property("Styles", &TKvGridView::GetStyles, &TKvGridView::SetStyles)
    .Property("StyleSheet", &TKvGridView::GetStyleSheet, &TKvGridView::SetStyleSheet)
    .Property("Validations", &TKvGridView::GetValidations, [](TKvGridView&, TKvGridValidationCollection*) {})
    // The column tree, for designers (the columns themselves stream as children).
    .Property("Columns", &TKvGridView::GetColumns)
    .Property("Align", &TKvGridView::GetAlign, &TKvGridView::SetAlign).Default(alNone)
    .Property("BevelEdges", &TKvGridView::GetBevelEdges, &TKvGridView::SetBevelEdges)
    .Default(TBevelEdges{beLeft, beTop, beRight, beBottom})
    .Property("BevelInner", &TKvGridView::GetBevelInner, &TKvGridView::SetBevelInner).Default(bvNone)
    .Property("BevelOuter", &TKvGridView::GetBevelOuter, &TKvGridView::SetBevelOuter).Default(bvLowered)
    .Property("BevelKind", &TKvGridView::GetBevelKind, &TKvGridView::SetBevelKind).Default(bkFlat)
    .Property("BevelWidth", &TKvGridView::GetBevelWidth, &TKvGridView::SetBevelWidth).Default(1)
    .Property("BorderStyle", &TKvGridView::GetBorderStyle, &TKvGridView::SetBorderStyle).Default(bsNone)
    .Property("TabOrder", &TKvGridView::GetTabOrder, &TKvGridView::SetTabOrder).Default(-1)
    .Property("TabStop", &TKvGridView::GetTabStop, &TKvGridView::SetTabStop).Default(true)
    .Event("OnKeyPress", &TKvGridView::OnKeyPress)
    .Event("OnKeyDown", &TKvGridView::OnKeyDown)
    .Event("OnKeyUp", &TKvGridView::OnKeyUp)
    .Event("OnMouseDown", &TKvGridView::OnMouseDown)
    .Event("OnMouseMove", &TKvGridView::OnMouseMove)
    .Event("OnMouseUp", &TKvGridView::OnMouseUp)
    .Event("OnDblClick", &TKvGridView::OnDblClick)
    .Event("OnClick", &TKvGridView::OnClick)
    .Event("OnCurrentItemChanging", &TKvGridView::OnCurrentItemChanging)
    .Event("OnCurrentColumnChanging", &TKvGridView::OnCurrentColumnChanging)
    .Event("OnCurrentItemChange", &TKvGridView::OnCurrentItemChange)
    .Event("OnCurrentColumnChange", &TKvGridView::OnCurrentColumnChange)
    .Event("OnFocuedIndexChanging", &TKvGridView::OnFocuedIndexChanging)
    .Event("OnFocuedIndexChange", &TKvGridView::OnFocuedIndexChange)
    .Event("OnCellClick", &TKvGridView::OnCellClick)
    .Event("OnCellDblClick", &TKvGridView::OnCellDblClick)
    .Event("OnCellAction", &TKvGridView::OnCellAction)
    .Event("OnCellPopup", &TKvGridView::OnCellPopup)
    .Event("OnCheckCellClick", &TKvGridView::OnCheckCellClick)
    .Event("OnCheckItem", &TKvGridView::OnCheckItem)
    .Event("OnEditStart", &TKvGridView::OnEditStart)
    .Event("OnEdit", &TKvGridView::OnEdit)
    .Event("OnEditCancel", &TKvGridView::OnEditCancel)
    .Event("OnEditCommit", &TKvGridView::OnEditCommit)
    .Event("OnEditComplete", &TKvGridView::OnEditComplete);

// ---- area-object setters ----------------------------------------------------------------

void TKvGridView::SetIndicator(TKvGridIndicator*) { trace(QStringLiteral("SetIndicator...")); }
void TKvGridView::SetStatesBar(TKvGridStatesBar*) { trace(QStringLiteral("SetStatesBar...")); }
void TKvGridView::SetCheckBar(TKvGridCheckBar*) { trace(QStringLiteral("SetCheckBar...")); }
void TKvGridView::SetHeader(TKvGridHeader*) { trace(QStringLiteral("SetHeader...")); }
void TKvGridView::SetFooter(TKvGridFooter*) { trace(QStringLiteral("SetFooter...")); }
void TKvGridView::SetEditBar(TKvGridEditBar*) { trace(QStringLiteral("SetEditBar...")); }
void TKvGridView::SetPanel(TKvGridPanel*) { trace(QStringLiteral("SetPanel...")); }
void TKvGridView::SetBody(TKvGridBody*) { trace(QStringLiteral("SetBody...")); }
void TKvGridView::SetRowGroup(TKvGridRowGroup*) { trace(QStringLiteral("SetRowGroup...")); }

// ---- construction and destruction ------------------------------------------------------

TKvGridView::TKvGridView(TComponent* owner) : TKvSpriteControl(owner) {}

// Parts still alive here only when construction threw half-way (Free disposed of them in
// order): the observed provider hears no more, and the members free the rest.
TKvGridView::~TKvGridView()
{
    if (FItemProvider && FItemChangeListener)
        FItemProvider->RemoveListener(FItemChangeListener.get());
    if (auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(FItemProvider))
        editable->RemoveEditListener(FItemEditListener.get());
    FItemProvider = nullptr;
}

void TKvGridView::Initialize()
{
    TKvSpriteControl::Initialize();
    FItemChangeListener = std::make_unique<TItemChangeListener>(this);
    FItemEditListener = std::make_unique<TItemEditListener>(this);
    FStylesListener = std::make_unique<TStylesListener>(this);

    // Column tree: the root column and the columns facade.
    FRootGroup.reset(Create<TKvGridRootColumn>(this));
    FColumns.reset(Create<TKvGridViewColumns>(this));

    // Area objects.
    FIndicator.reset(Create<TKvGridIndicator>(this));
    FStatesBar.reset(Create<TKvGridStatesBar>(this));
    FCheckBar.reset(Create<TKvGridCheckBar>(this));
    FHeader.reset(Create<TKvGridHeader>(this));
    FFooter.reset(Create<TKvGridFooter>(this));
    FPanel.reset(Create<TKvGridPanel>(this));
    FEditBar.reset(Create<TKvGridEditBar>(this));
    FBody.reset(Create<TKvGridBody>(this));
    FRowGroup.reset(Create<TKvGridRowGroup>(this));

    // Option objects.
    FDisplayOptions.reset(Create<TKvGridDisplayOptions>(this));
    FEditOptions.reset(Create<TKvGridEditOptions>(this));
    FSelectOptions.reset(Create<TKvGridSelectOptions>(this));
    FFocusOptions.reset(Create<TKvGridFocusOptions>(this));
    FHoveringOptions.reset(Create<TKvGridHoveringOptions>(this));
    FSortingOptions.reset(Create<TKvGridSortingOptions>(this));
    FFilteringOptions.reset(Create<TKvGridFilteringOptions>(this));
    FGroupingOptions.reset(Create<TKvGridGroupingOptions>(this));
    FFixedCols.reset(Create<TKvGridFixedCols>(this));
    FFixedRows.reset(Create<TKvGridFixedRows>(this));

    // Layout manager, selection manager and delegate.
    FLayoutManager = CreateLayoutManager();
    CreateSelectionManager();
    FGridDelegate = CreateGridDelegate();

    FOwnedItemProvider = CreateItemProvider();
    SetItemSource(FOwnedItemProvider.get());
    FStyles = std::make_unique<TKvGridViewStyles>(this, "Default Styles");
    RegisterStyles(FStyles.get());

    // Edit controller and expression runtimes.
    FEditController = CreateEditController();
    FDataCellRuntime.reset(Create<TKvDataCellExpressionRuntime>());
    FDataRowRuntime.reset(Create<TKvDataRowExpressionRuntime>());
    FColumnSummaryRuntime.reset(Create<TKvColumnSummaryRuntime>());
    FRowGroupSummaryRuntime.reset(Create<TKvRowGroupSummaryRuntime>());
    FColumnValidationRuntime.reset(Create<TKvDataCellValidationRuntime>());
    FRowValidationRuntime.reset(Create<TKvDataRowValidationRuntime>());

    // Validations and the current cell.
    FValidations.reset(Create<TKvGridValidationCollection>(this));
    FCurrent = Create<TKvGridCurrent>(this);

    FModelConsumer = Create<TKvGridItemConsumer>(this);
}

void TKvGridView::CreateElements() { CreateViews(); }

void TKvGridView::AfterConstruction()
{
    TKvSpriteControl::AfterConstruction();
    FFocusedIndex = TKvGridCellIndex::Null();
    FDefaultColumnWidth = 120;
    FGroupIndentSize = 20;
    FHorzScrollStep = 8;
    SetSmoothing(false);
    SetBevelInner(bvNone);
    SetBevelKind(bkFlat);
    SetBounds(GetLeft(), GetTop(), 300, 250);
    FStyleSheetListener = std::make_unique<TStyleSheetListener>(this);
    FClipboardManager.reset(Create<TKvGridClipboardManagerImpl>(this));
    FHintManager.reset(Create<TKvGridHintManager>(this));
    SetTabStop(true);
    RegisterGridClasses();
}

void TKvGridView::Destroying()
{
    TKvSpriteControl::Destroying();
    ClearColumns();
    FClipboardManager.reset();
    FHintManager.reset();
    if (FStyleSheet) {
        FStyleSheet->RemoveListener(FStyleSheetListener.get());
        FStyleSheet = nullptr;
    }
}

void TKvGridView::Dispose()
{
    FreeObject(FModelConsumer);
    FreeObject(FCurrent);
    FValidations.reset();
    FRowValidationRuntime.reset();
    FColumnValidationRuntime.reset();
    FRowGroupSummaryRuntime.reset();
    FColumnSummaryRuntime.reset();
    FDataRowRuntime.reset();
    FDataCellRuntime.reset();
    FreeSelectionManager();
    FEditController.reset();
    if (FStyles) {
        UnregisterStyles(FStyles.get());
        FStyles.reset();
    }
    // Row views go back to the delegate before it goes; the tool before the delegate.
    FreeViews();
    FGridDelegate.reset();
    // An item provider assigned from outside outlives the grid: detach from it first.
    SetItemSource(nullptr);
    FOwnedItemProvider.reset();
    FFixedRows.reset();
    FFixedCols.reset();
    FGroupingOptions.reset();
    FFilteringOptions.reset();
    FSortingOptions.reset();
    FHoveringOptions.reset();
    FFocusOptions.reset();
    FSelectOptions.reset();
    FEditOptions.reset();
    FDisplayOptions.reset();
    FRowGroup.reset();
    FPanel.reset();
    FEditBar.reset();
    FBody.reset();
    FFooter.reset();
    FHeader.reset();
    FCheckBar.reset();
    FStatesBar.reset();
    FIndicator.reset();
    FLayoutManager.reset();
    FColumns.reset();
    FRootGroup.reset();
    FStylesListener.reset();
    FItemEditListener.reset();
    FItemChangeListener.reset();
    TKvSpriteControl::Dispose();
}

TOwned<TKvGridItemProvider> TKvGridView::CreateItemProvider() { return MakeOwned<TKvDefaultGridItemProvider>(); }

// ---- item source -----------------------------------------------------------------------

void TKvGridView::SetItemSource(TKvGridItemProvider* Provider)
{
    if (Provider == FItemProvider)
        return;
    // An open editor belongs to a row of the old provider: it closes unwritten.
    if (FEditController && GetEditing())
        CancelEditor(false);
    if (FItemProvider) {
        FItemProvider->RemoveListener(FItemChangeListener.get());
        if (auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(FItemProvider))
            editable->RemoveEditListener(FItemEditListener.get());
    }
    FItemProvider = Provider;
    DropSummaries();
    if (FItemProvider) {
        FItemProvider->AddListener(FItemChangeListener.get());
        if (auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(FItemProvider))
            editable->AddEditListener(FItemEditListener.get());
    }
    // Columns named before binding find their fields in the new source.
    ResetColumnIndicies();
    ResetGrid();
}

void TKvGridView::ResetGrid()
{
    if (IsDestroying() || GetDisposing())
        return;
    SetTopIndex(0);
    SetLeftPos(0);
    TKvGridCellIndex index;
    if (GetVisibleColumnCount() > 0 && GetItemCount() > 0)
        index = TKvGridCellIndex(this, 0, GetVisibleColumn(0)).FirstColumn();
    SetFocusedIndex(index, true);
    RefreshView(false);
}

void TKvGridView::DoItemSourceDisposing()
{
    // Told from a plain delete, the provider is no longer editable by type, and its edit
    // listeners have gone with it.
    if (auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(FItemProvider))
        editable->RemoveEditListener(FItemEditListener.get());
    if (FItemProvider)
        FItemProvider->RemoveListener(FItemChangeListener.get());
    // The grid's own provider freed by someone else is gone already.
    if (FItemProvider == FOwnedItemProvider.get())
        (void)FOwnedItemProvider.release();
    FItemProvider = nullptr;
    FItemEdited = false;
    // An open editor closes unwritten: its row is going.
    if (FEditController && GetEditing() && !IsDestroying() && !GetDisposing())
        CancelEditor(false);
    DropSummaries();
    ClearItemViews();
    ClearRowGroupBodyViews();
    ResetGrid();
}

TObject* TKvGridView::GetAdapter(const std::type_info& type)
{
    if (type == typeid(TKvGridDataProvider))
        return FItemProvider ? FItemProvider->GetDataSource() : nullptr;
    return TKvSpriteControl::GetAdapter(type);
}

int TKvGridView::GetItemCount() const { return FItemProvider ? FItemProvider->GetItemCount() : 0; }

int TKvGridView::GetColumnCount() const { return FRootGroup ? FRootGroup->Count() : 0; }

int TKvGridView::GetVisibleColumnCount() const { return FRootGroup ? FRootGroup->VisibleCount() : 0; }

void TKvGridView::ResetItems()
{
    if (FItemProvider)
        FItemProvider->ResetItems();
}

bool TKvGridView::HasFixedRows() const
{
    return FFixedRows && FFixedRows->GetCount() > 0;
}

bool TKvGridView::HasFixedColumns() const
{
    return FFixedCols && FFixedCols->GetCount() > 0;
}

void TKvGridView::ClearSelection()
{
    ClearSelections();
    Invalidate();
}

// ---- refresh and batching --------------------------------------------------------------

bool TKvGridView::RefreshSkipped() const
{
    return IsDestroying() || FUpdateLock > 0 || GetInitializing() || GetDisposing() || IsLoading();
}

void TKvGridView::RefreshView(bool Repaint)
{
    // A grid being freed holds no provider it may ask.
    if (IsDestroying() || GetDisposing())
        return;
    FollowPendingRow();
    if (RefreshSkipped())
        return;
    QElapsedTimer timer;
    timer.start();
    SetTopIndex(FTopIndex);
    SetLeftPos(FLeftPos);
    if (!FMovingFocus)
        SetFocusedIndex(GetFocusedIndex(), true);
    InvalidateLayout();
    Invalidate();
    if (Repaint)
        Update();
    ++gRefreshCount;
    if (TraceEnabled())
        trace(QStringLiteral(">>>>>>>>>>>>>>>>>>>>>>>>>>>> REFRESHED[%1] : %2").arg(gRefreshCount).arg(timer.elapsed()));
}

int TKvGridView::GetRefreshCount() { return gRefreshCount; }

void TKvGridView::BeginUpdate() { ++FUpdateLock; }

void TKvGridView::EndUpdate()
{
    const int count = FUpdateLock > 0 ? FUpdateLock - 1 : 0;
    if (count == FUpdateLock)
        return;
    FUpdateLock = count;
    if (count == 0)
        RefreshView(false);
}

void TKvGridView::Resize()
{
    TKvSpriteControl::Resize();
    RefreshView(false);
}

// ---- focus events ----------------------------------------------------------------------

void TKvGridView::FocusedIndexChanging(const TKvGridCellIndex& Index, bool& Cancel)
{
    if (OnFocuedIndexChanging)
        OnFocuedIndexChanging(this, Index, Cancel);
}

void TKvGridView::FocusedIndexChanged(const TKvGridCellIndex& Index)
{
    if (OnFocuedIndexChange)
        OnFocuedIndexChange(this, Index);
}

// ---- notifications ---------------------------------------------------------------------

void TKvGridView::ColumnsChanged(TKvGridColumn* Column)
{
    DropSummaries();
    if (!Column)
        ResetColumnIndicies();
    RefreshView(false);
}

void TKvGridView::ResetColumnIndicies()
{
    if (IsDestroying() || !FRootGroup)
        return;
    FRootGroup->ResetIndicies();
    FRootGroup->ResetDataRoots();
}

void TKvGridView::DoItemSourceReset()
{
    ResetColumnIndicies();
    ResetCheckStates();
    ResetGrid();
}

void TKvGridView::DoItemSourceRefresh()
{
    ResetColumnIndicies();
    ResetCheckStates();
    RefreshView(false);
}

void TKvGridView::DoItemSourceItemChecked(int Index)
{
    InvalidateItem(Index);
    if (OnCheckItem && FItemProvider && Index >= 0 && Index < FItemProvider->GetItemCount())
        OnCheckItem(this, Index, FItemProvider->GetItem(Index)->GetChecked());
}

void TKvGridView::DoItemEditStart(int Index) { FItemEdited = false; }

// The finished edit's validation errors and their hint go with it.
void TKvGridView::DoItemEditFinished(int Index)
{
    FItemEdited = false;
    if (FRootGroup && !IsDestroying())
        for (TKvGridDataColumn* column : GetDataColumns())
            column->SetError(QString());
    if (FHintManager)
        FHintManager->Hide();
}

void TKvGridView::DoItemUpdateStarted(int Index)
{
    DoItemEditStart(Index);
    RefreshView(false);
}

void TKvGridView::DoItemAppendStarted()
{
    DoItemEditStart(GetItemCount() - 1);
    RefreshView(false);
}

void TKvGridView::DoItemInsertStarted(int Index)
{
    DoItemEditStart(Index);
    RefreshView(false);
}

void TKvGridView::DoItemEdited(int Index, int Field)
{
    FItemEdited = true;
    RefreshView(false);
}

void TKvGridView::DoItemCommitted(int Index)
{
    DoItemEditFinished(Index);
    RefreshView(false);
}

void TKvGridView::DoItemCanceled()
{
    DoItemEditFinished(-1);
    // The row's edit ended under typed text (its data went, or another source came): the
    // text has no row to go to.
    if (FEditController && FEditController->GetModified())
        CancelEditor(false);
    RefreshView(false);
}

void TKvGridView::Notification(TComponent* Component, TOperation Operation)
{
    TKvSpriteControl::Notification(Component, Operation);
    if (Operation != opRemove || !Component)
        return;
    // What the grid borrows is let go of also while the grid or its owner is going: an owner
    // frees its components in any order, the grid among them. Only the refreshing waits for
    // a grid that stays.
    const bool going = IsDestroying() || GetDisposing();
    if (auto* editor = dynamic_cast<TKvGridCellEditor*>(Component))
        EditorRemoved(editor);
    if (auto* column = dynamic_cast<TKvGridColumn*>(Component)) {
        if (going) {
            if (column == FFocusedIndex.Column)
                FFocusedIndex = TKvGridCellIndex::Null();
        } else {
            ClearSelection();
            if (column == FFocusedIndex.Column)
                SetFocusedIndex(TKvGridCellIndex::Null(), true);
            if (column->GetGrid() == this) {
                if (TKvGridColumnGroup* parent = column->GetParentGroup())
                    parent->GetColumns()->Remove(column);
                RefreshView(false);
            }
        }
    }
    if (Component == FStyleSheet) {
        FStyleSheet = nullptr;
        if (!going)
            RefreshView(false);
    }
}

// ---- styles ----------------------------------------------------------------------------

void TKvGridView::SetStyles(TKvGridViewStyles* Value)
{
    if (Value == FStyles.get() || !Value)
        return;
    FStyles->Assign(Value);
    RefreshView(false);
}

void TKvGridView::SetStyleSheet(TKvGridStyleSheet* Value)
{
    if (Value == FStyleSheet)
        return;
    if (FStyleSheet)
        FStyleSheet->RemoveListener(FStyleSheetListener.get());
    FStyleSheet = Value;
    if (FStyleSheet)
        FStyleSheet->AddListener(FStyleSheetListener.get());
    RefreshView(false);
}

void TKvGridView::RegisterStyles(TKvGridStyleBag* Bag)
{
    if (!Bag)
        throw EArgumentNilException("styles is nil");
    Bag->AddListener(FStylesListener.get());
}

void TKvGridView::UnregisterStyles(TKvGridStyleBag* Bag)
{
    if (!Bag)
        throw EArgumentNilException("styles is nil");
    Bag->RemoveListener(FStylesListener.get());
}

} // namespace kv
