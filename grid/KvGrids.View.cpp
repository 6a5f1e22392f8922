// The grid view: construction and dispose order, item-source binding, refresh and batching,
// style registration.
//
// Sections: listeners; construction and destruction; item source; refresh and batching;
// focus and scrolling; notifications; styles.
#include "grid/KvGrids.View.h"

#include "model/KvGrids.Model.Default.h"
#include "platform/rtl/Trace.h"

#include <QtCore/QElapsedTimer>

namespace kv {

namespace {
int gRefreshCount = 0;
} // namespace

// ---- listeners -------------------------------------------------------------------------

class TKvGridView::TItemChangeListener : public TKvGridItemChangeListener
{
public:
    explicit TItemChangeListener(TKvGridView* grid) : FGrid(grid) {}
    void Reset() override { FGrid->DoItemSourceReset(); }
    void Refresh() override { FGrid->DoItemSourceRefresh(); }
    void ItemInserted(int Index) override { FGrid->DoItemSourceItemInserted(Index); }
    void ItemDeleted(int Index) override { FGrid->DoItemSourceItemDelete(Index); }
    void ItemUpdated(int Index) override { FGrid->DoItemSourceItemUpdate(Index); }
    void ItemChecked(int Index) override { FGrid->DoItemSourceItemChecked(Index); }
    void ItemStateChanged(int Index) override { FGrid->DoItemSourceItemStateChanged(Index); }

private:
    TKvGridView* FGrid;
};

class TKvGridView::TItemEditListener : public TKvGridItemEditListener
{
public:
    explicit TItemEditListener(TKvGridView* grid) : FGrid(grid) {}
    void UpdateStarted(int Index) override { FGrid->DoItemUpdateStarted(Index); }
    void AppendStarted() override { FGrid->DoItemAppendStarted(); }
    void InsertStarted(int Index) override { FGrid->DoItemInsertStarted(Index); }
    void Edited(int Index, int Field) override { FGrid->DoItemEdited(Index, Field); }
    void Committed(int Index) override { FGrid->DoItemCommitted(Index); }
    void Canceled() override { FGrid->DoItemCanceled(); }

private:
    TKvGridView* FGrid;
};

// Style sets of the grid report through StyleChanged; the style sheet through StyleSheetChanged.
class TKvGridView::TStylesListener : public TKvGridViewStyleChangeListener
{
public:
    TStylesListener(TKvGridView* grid, bool sheet) : FGrid(grid), FSheet(sheet) {}
    void StyleChanged(TKvGridStyleBag* bag, TKvGridViewStyleEntry entry) override
    {
        if (FSheet)
            FGrid->StyleSheetChanged(bag, entry);
        else
            FGrid->StyleChanged(bag, entry);
    }

private:
    TKvGridView* FGrid;
    bool FSheet;
};

// ---- construction and destruction ------------------------------------------------------

TKvGridView::TKvGridView(TComponent* owner) : TKvSpriteControl(owner) {}

TKvGridView::~TKvGridView() = default;

void TKvGridView::Initialize()
{
    TKvSpriteControl::Initialize();
    FItemChangeListener = std::make_unique<TItemChangeListener>(this);
    FItemEditListener = std::make_unique<TItemEditListener>(this);
    FStylesListener = std::make_unique<TStylesListener>(this, false);

    // Column tree: the root column and the columns facade.

    // Area objects.

    // Option objects.

    // Layout manager, selection manager and delegate.

    FOwnedItemProvider = CreateItemProvider();
    SetItemSource(FOwnedItemProvider);
    FStyles = std::make_unique<TKvGridViewStyles>(this, "Default Styles");
    RegisterStyles(FStyles.get());

    // Edit controller and expression runtimes.

    // Validations and the current cell.

    FModelConsumer = Create<TKvGridItemConsumer>(this);
}

void TKvGridView::CreateElements() {}

void TKvGridView::AfterConstruction()
{
    TKvSpriteControl::AfterConstruction();
    FFocusedIndex = TKvGridCellIndex::Null();
    FDefaultColumnWidth = 120;
    FGroupIndentSize = 20;
    FHorzScrollStep = 8;
    SetSmoothing(false);
    SetBounds(GetLeft(), GetTop(), 300, 250);
    FStyleSheetListener = std::make_unique<TStylesListener>(this, true);
    SetTabStop(true);
}

void TKvGridView::Destroying()
{
    TKvSpriteControl::Destroying();
    if (FStyleSheet) {
        FStyleSheet->RemoveListener(FStyleSheetListener.get());
        FStyleSheet->RemoveFreeNotification(this);
        FStyleSheet = nullptr;
    }
}

void TKvGridView::Dispose()
{
    if (FModelConsumer) {
        FModelConsumer->Free();
        FModelConsumer = nullptr;
    }
    if (FStyles) {
        UnregisterStyles(FStyles.get());
        FStyles.reset();
    }
    // An item provider assigned from outside outlives the grid: detach from it first.
    SetItemSource(nullptr);
    if (FOwnedItemProvider) {
        FOwnedItemProvider->Free();
        FOwnedItemProvider = nullptr;
    }
    FStylesListener.reset();
    FItemEditListener.reset();
    FItemChangeListener.reset();
    TKvSpriteControl::Dispose();
}

TKvGridItemProvider* TKvGridView::CreateItemProvider() { return Create<TKvDefaultGridItemProvider>(); }

// ---- item source -----------------------------------------------------------------------

void TKvGridView::SetItemSource(TKvGridItemProvider* Provider)
{
    if (Provider == FItemProvider)
        return;
    if (FItemProvider) {
        FItemProvider->RemoveListener(FItemChangeListener.get());
        if (auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(FItemProvider))
            editable->RemoveEditListener(FItemEditListener.get());
    }
    FItemProvider = Provider;
    if (FItemProvider) {
        FItemProvider->AddListener(FItemChangeListener.get());
        if (auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(FItemProvider))
            editable->AddEditListener(FItemEditListener.get());
    }
    ResetGrid();
}

void TKvGridView::ResetGrid()
{
    if (IsDestroying() || GetDisposing())
        return;
    SetTopIndex(0);
    SetLeftPos(0);
    // The first visible column comes with the column tree.
    SetFocusedIndex(TKvGridCellIndex::Null(), true);
    RefreshView(false);
}

TObject* TKvGridView::GetAdapter(const std::type_info& type)
{
    if (type == typeid(TKvGridDataProvider))
        return FItemProvider ? FItemProvider->GetDataSource() : nullptr;
    return TKvSpriteControl::GetAdapter(type);
}

int TKvGridView::GetItemCount() const { return FItemProvider ? FItemProvider->GetItemCount() : 0; }

int TKvGridView::GetColumnCount() const { return 0; }

int TKvGridView::GetVisibleColumnCount() const { return 0; }

bool TKvGridView::CanUpdate() const { return false; }

bool TKvGridView::CanAppend() const { return false; }

bool TKvGridView::CanInsert() const { return false; }

bool TKvGridView::CanDelete() const { return false; }

void TKvGridView::ResetItems()
{
    if (FItemProvider)
        FItemProvider->ResetItems();
}

// ---- refresh and batching --------------------------------------------------------------

bool TKvGridView::RefreshSkipped() const
{
    return IsDestroying() || FUpdateLock > 0 || GetInitializing() || GetDisposing() || IsLoading();
}

void TKvGridView::RefreshView(bool Repaint)
{
    if (RefreshSkipped())
        return;
    QElapsedTimer timer;
    timer.start();
    SetTopIndex(FTopIndex);
    SetLeftPos(FLeftPos);
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

void TKvGridView::InvalidateItem(int ItemIndex) { Invalidate(); }

// ---- focus and scrolling ---------------------------------------------------------------

void TKvGridView::SetFocusedIndex(const TKvGridCellIndex& Index, bool Force)
{
    if (Index == FFocusedIndex && !Force)
        return;
    FFocusedIndex = Index;
    FFocusedIndex.Grid = Index.IsNull() ? nullptr : this;
}

void TKvGridView::SetTopIndex(int Value) { FTopIndex = Value < 0 ? 0 : Value; }

void TKvGridView::SetLeftPos(int Value) { FLeftPos = Value < 0 ? 0 : Value; }

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
    if (!Column)
        ResetColumnIndicies();
    RefreshView(false);
}

void TKvGridView::ResetColumnIndicies() {}

void TKvGridView::ResetCheckStates() {}

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

void TKvGridView::DoItemEditFinished(int Index) { FItemEdited = false; }

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
    RefreshView(false);
}

void TKvGridView::Notification(TComponent* Component, TOperation Operation)
{
    TKvSpriteControl::Notification(Component, Operation);
    if (Operation != opRemove || IsDestroying())
        return;
    if (Component == FStyleSheet) {
        FStyleSheet = nullptr;
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
    if (FStyleSheet) {
        FStyleSheet->RemoveListener(FStyleSheetListener.get());
        FStyleSheet->RemoveFreeNotification(this);
    }
    FStyleSheet = Value;
    if (FStyleSheet) {
        FStyleSheet->FreeNotification(this);
        FStyleSheet->AddListener(FStyleSheetListener.get());
    }
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
