#include "components/KvGrids.FilterSelector.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.Tool.FilterSelector.h"
#include "model/KvGrids.Data.Objects.h"
#include "platform/rtl/ClassRegistry.h"

#include <cmath>

namespace kv {

KV_PUBLISH(TKvFilterSelector, TComponent)
    .Property("gridMain", &TKvFilterSelector::GetGridMain, [](TKvFilterSelector&, TKvVantrel*) {});

namespace {
[[maybe_unused]] const bool kRegistered = (RegisterClasses<TKvFilterSelector>(), true);
} // namespace

// Every row checked or unchecked, by a click or by the check bar's head, sets its filter.
class TKvFilterSelector::TCheckListener : public TKvGridItemChangeListener
{
public:
    explicit TCheckListener(TKvFilterSelector* form) : FForm(form) {}
    void Reset() override {}
    void Refresh() override {}
    void ItemInserted(int) override {}
    void ItemDeleted(int) override {}
    void ItemUpdated(int) override {}
    void ItemChecked(int Index) override { FForm->CheckCellClicked(Index); }
    void ItemStateChanged(int) override {}

private:
    TKvFilterSelector* FForm;
};

// A change of the column's filters, by anyone, reaches the list.
class TKvFilterSelector::TFiltersListener : public TKvGridColumnFilterListener
{
public:
    explicit TFiltersListener(TKvFilterSelector* form) : FForm(form) {}
    void FiltersChanged(TKvGridColumnFilterCollection*) override { FForm->FiltersChanged(); }

private:
    TKvFilterSelector* FForm;
};

TKvFilterSelector::TKvFilterSelector(TComponent* owner) : TPopupForm(owner) {}

TKvFilterSelector::~TKvFilterSelector()
{
    if (FChecks && FGridMain && FGridMain->GetItemProvider())
        FGridMain->GetItemProvider()->RemoveListener(FChecks.get());
    if (FColumn && FFilters)
        FColumn->GetFilters()->RemoveListener(FFilters.get());
}

void TKvFilterSelector::AfterConstruction()
{
    TPopupForm::AfterConstruction();
    SetKeyPreview(true);
    SetBounds(0, 0, 303, 340);
    FGridMain = Create<TKvVantrel>(this);
    FGridMain->SetName(QStringLiteral("gridMain"));
    FGridMain->SetParent(this);
    FGridMain->SetAlign(alClient);
    FGridMain->GetIndicator()->SetVisible(false);
    FGridMain->GetCheckBar()->SetVisible(true);
    FGridMain->GetCheckBar()->SetMinWidth(20);
    FGridMain->GetCheckBar()->SetResetField(QStringLiteral("Active"));
    FGridMain->GetDisplayOptions()->SetFitStyle(FitLastFill);
    // A list to check, not to edit: keys change no filter; the check bar still does.
    FGridMain->GetEditOptions()->SetReadOnly(true);
    FGridMain->GetEditOptions()->SetEditable(false);
    FGridMain->GetEditOptions()->SetAppendable(false);
    FGridMain->GetEditOptions()->SetInsertable(false);
    FGridMain->GetEditOptions()->SetDeletable(false);
    TKvGridDataColumn* name = FGridMain->AddDataColumn();
    name->SetFieldName(QStringLiteral("Name"));
    name->GetHeader()->SetCaption(QStringLiteral("Filter"));
    FGridMain->OnCheckCellClick = [this](TKvGridView*, int ItemIndex) { CheckCellClicked(ItemIndex); };
    FChecks = std::make_unique<TCheckListener>(this);
    if (FGridMain->GetItemProvider())
        FGridMain->GetItemProvider()->AddListener(FChecks.get());
}

TKvGridDataProvider* TKvFilterSelector::GetProvider() const { return FProvider; }

TKvFilterSelector* TKvFilterSelector::Open(TKvGridHeaderFilterHandle* Handle)
{
    auto* column = Handle ? dynamic_cast<TKvGridDataColumn*>(Handle->AdapterAs<TKvGridColumn>()) : nullptr;
    auto* cell = Handle ? Handle->GetCell() : nullptr;
    if (!column || !cell || !cell->GetGrid())
        return nullptr;
    TKvFilterSelector* form = Create<TKvFilterSelector>(cell->GetGrid());
    form->ShowDlg(Handle);
    return form;
}

void TKvFilterSelector::Watch(TKvGridDataColumn* Column, TKvGridView* Grid)
{
    if (!FFilters)
        FFilters = std::make_unique<TFiltersListener>(this);
    if (FColumn && FColumn != Column) {
        FColumn->RemoveFreeNotification(this);
        FColumn->GetFilters()->RemoveListener(FFilters.get());
    }
    if (FGrid && FGrid != Grid && FGrid != GetOwner())
        FGrid->RemoveFreeNotification(this);
    FColumn = Column;
    FGrid = Grid;
    if (FColumn) {
        FColumn->FreeNotification(this);
        FColumn->GetFilters()->AddListener(FFilters.get());
    }
    if (FGrid)
        FGrid->FreeNotification(this);
}

// Every row is read again, so no row of a filter that went is painted; a change made by the
// form's own check is already shown.
void TKvFilterSelector::FiltersChanged()
{
    if (FFiltering || !FProvider || GetClosing() || IsDestroying())
        return;
    FProvider->DoReset();
}

void TKvFilterSelector::ShowDlg(TKvGridHeaderFilterHandle* Handle)
{
    auto* column = Handle ? dynamic_cast<TKvGridDataColumn*>(Handle->AdapterAs<TKvGridColumn>()) : nullptr;
    TKvGridCellElement* cell = Handle ? Handle->GetCell() : nullptr;
    TKvGridView* grid = cell ? cell->GetGrid() : nullptr;
    if (!column || !grid)
        throw EArgumentException(QStringLiteral("handle is not a filter handle of a data column"));
    Watch(column, grid);
    PrepareGrid();
    // One pixel below the handle's bottom edge, at its left edge.
    const TRectF bounds = Handle->SpriteToContainer(TRectF(0, 0, Handle->GetWidth(), Handle->GetHeight()));
    const int left = int(std::lround(bounds.Left));
    const int top = int(std::lround(bounds.Top)) + int(std::ceil(bounds.Height()));
    const TPoint at = grid->ClientToScreen(TPoint{left, top + 1});
    ShowPopup(TRect::Bounds(at.X, at.Y, 200, 300));
    FGridMain->SetFocus();
}

void TKvFilterSelector::PrepareGrid()
{
    if (!FProvider)
        FProvider = Create<TKvObjectDataProvider>(this);
    FProvider->SetSource(FColumn ? FColumn->GetFilters() : nullptr);
    FGridMain->SetDataProvider(FProvider);
    // Each row's check follows its filter's Active.
    FGridMain->ResetCheckStates();
}

// The filter behind the clicked row is the row's data row, so a sorted list toggles the right
// one; a row past the collection (changed meanwhile) changes nothing.
void TKvFilterSelector::CheckCellClicked(int ItemIndex)
{
    if (!GetClosing() && !FFiltering)
        SetRowFilterActive(FColumn, FGridMain->GetItem(ItemIndex), FFiltering);
}

void TKvFilterSelector::KeyDown(std::uint16_t& Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE) {
        Key = 0;
        Close();
        return;
    }
    TPopupForm::KeyDown(Key, Shift);
}

void TKvFilterSelector::Notification(TComponent* Component, TOperation Operation)
{
    TPopupForm::Notification(Component, Operation);
    if (Operation != opRemove || (Component != FColumn && Component != FGrid))
        return;
    // The filters are going: show nothing of them and close without touching them. The
    // pointers go also while the form itself is going, as its owner frees in any order.
    if (Component == FColumn) {
        if (FFilters)
            FColumn->GetFilters()->RemoveListener(FFilters.get());
        FColumn = nullptr;
    }
    if (Component == FGrid)
        FGrid = nullptr;
    if (IsDestroying())
        return;
    if (FProvider)
        FProvider->SetSource(nullptr);
    Close();
}

} // namespace kv
