// The cell editor contract (listeners, key hand-off, streaming) and the edit controller
// contract (cell data, the grid's edit notifications).
#include "grid/KvGrids.EditorBase.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.View.h"
#include "model/KvGrids.Model.Editing.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>

namespace kv {

// ---- cell editor -----------------------------------------------------------------------

TKvGridCellEditor::TKvGridCellEditor(TComponent* owner) : TComponent(owner) {}

TKvGridCellEditor::~TKvGridCellEditor() = default;

QString TKvGridCellEditor::GetDisplayName() const { RaiseAbstractError("GetDisplayName"); }
void TKvGridCellEditor::InitEditor() { RaiseAbstractError("InitEditor"); }
void TKvGridCellEditor::SetReadOnly(bool) { RaiseAbstractError("SetReadOnly"); }
void TKvGridCellEditor::SetParent(TWinControl*) { RaiseAbstractError("SetParent"); }
void TKvGridCellEditor::SetBounds(int, int, int, int) { RaiseAbstractError("SetBounds"); }
void TKvGridCellEditor::SetVisible(bool) { RaiseAbstractError("SetVisible"); }
bool TKvGridCellEditor::CanFocus() const { RaiseAbstractError("CanFocus"); }
void TKvGridCellEditor::SetFocus() { RaiseAbstractError("SetFocus"); }
void TKvGridCellEditor::BeginEdit() { RaiseAbstractError("BeginEdit"); }
void TKvGridCellEditor::EndEdit() { RaiseAbstractError("EndEdit"); }
bool TKvGridCellEditor::GetEditing() const { RaiseAbstractError("GetEditing"); }
bool TKvGridCellEditor::GetEdited() const { RaiseAbstractError("GetEdited"); }
void TKvGridCellEditor::SetEditValue(const Variant&) { RaiseAbstractError("SetEditValue"); }
Variant TKvGridCellEditor::GetEditValue() const { RaiseAbstractError("GetEditValue"); }
void TKvGridCellEditor::Commit() { RaiseAbstractError("Commit"); }
void TKvGridCellEditor::Reset() { RaiseAbstractError("Reset"); }
void TKvGridCellEditor::Clear() { RaiseAbstractError("Clear"); }

// Listeners may remove themselves while being told: iterate over a copy.
void TKvGridCellEditor::DoStart(const TKvGridCellIndex& Index)
{
    const auto listeners = FListeners;
    for (IKvGridEditListener* l : listeners)
        l->EditStart(this, Index);
}

void TKvGridCellEditor::DoChanged(const TKvGridCellIndex& Index)
{
    const auto listeners = FListeners;
    for (IKvGridEditListener* l : listeners)
        l->EditChange(this, Index);
}

void TKvGridCellEditor::DoRequestResize(const TKvGridCellIndex& Index, int Width, int Height)
{
    const auto listeners = FListeners;
    for (IKvGridEditListener* l : listeners)
        l->EditRequestResize(this, Index, Width, Height);
}

void TKvGridCellEditor::AddListener(IKvGridEditListener* Listener)
{
    if (!Listener)
        throw EArgumentNilException("listener");
    if (std::find(FListeners.begin(), FListeners.end(), Listener) == FListeners.end())
        FListeners.push_back(Listener);
}

void TKvGridCellEditor::RemoveListener(IKvGridEditListener* Listener)
{
    FListeners.erase(std::remove(FListeners.begin(), FListeners.end(), Listener), FListeners.end());
}

void TKvGridCellEditor::SendKeyToGrid(std::uint16_t& Key, TShiftState Shift)
{
    if (FGrid)
        FGrid->Perform(WM_KEYDOWN, Key, ShiftStateBits(Shift));
}

void TKvGridCellEditor::SendCharToGrid(QChar& Key)
{
    if (FGrid)
        FGrid->Perform(WM_CHAR, Key.unicode(), 0);
}

void TKvGridCellEditor::Changed()
{
    if (auto* grid = dynamic_cast<TKvGridView*>(GetOwner()))
        grid->RefreshView(false);
}

TComponent* TKvGridCellEditor::GetParentComponent() const { return GetParentColumn(); }

void TKvGridCellEditor::ReadState(TReader& Reader)
{
    TComponent::ReadState(Reader);
    if (IsInternal())
        if (auto* column = dynamic_cast<TKvGridDataColumn*>(Reader.GetParent()))
            column->SetEditor(this);
}

// ---- edit controller -------------------------------------------------------------------

TKvGridEditController::TKvGridEditController(TKvGridView* Owner) : FOwner(Owner)
{
    // The contract belongs to the grid's main module.
    if (!Owner)
        RaiseAssertion(QStringLiteral("owner is nil"), "KvGrids.cpp", __LINE__);
}

bool TKvGridEditController::GetEditing() const { RaiseAbstractError("GetEditing"); }
void TKvGridEditController::SetFocus() { RaiseAbstractError("SetFocus"); }
void TKvGridEditController::DoFocusedIndexChanging() { RaiseAbstractError("DoFocusedIndexChanging"); }
void TKvGridEditController::DoFocusedIndexChanged(const TKvGridCellIndex&) { RaiseAbstractError("DoFocusedIndexChanged"); }
void TKvGridEditController::CommitEditor(bool) { RaiseAbstractError("CommitEditor"); }
void TKvGridEditController::CancelEditor(bool) { RaiseAbstractError("CancelEditor"); }
void TKvGridEditController::ShowEditor(bool) { RaiseAbstractError("ShowEditor"); }
void TKvGridEditController::ResetEditor(bool) { RaiseAbstractError("ResetEditor"); }

Variant TKvGridEditController::GetData(const TKvGridCellIndex& Index) const
{
    auto* column = dynamic_cast<TKvGridDataColumn*>(Index.Column);
    TKvGridItemProvider* items = FOwner->GetItemProvider();
    if (!column || !items || column->GetDataIndex() < 0 || Index.ItemIndex < 0 ||
        Index.ItemIndex >= items->GetItemCount())
        return Variant();
    return items->GetData(Index.ItemIndex, column->GetDataIndex());
}

bool TKvGridEditController::SetData(const TKvGridCellIndex& Index, const Variant& Value)
{
    auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(FOwner->GetItemProvider());
    auto* column = dynamic_cast<TKvGridDataColumn*>(Index.Column);
    if (!editable || !column)
        return false;
    editable->UpdateData(Index.ItemIndex, column->GetDataIndex(), Value);
    return true;
}

void TKvGridEditController::GridEditPrepared(TKvGridCellEditor* Editor, const TKvGridCellIndex&)
{
    Editor->SetGrid(FOwner);
}

void TKvGridEditController::GridEditStarted(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index)
{
    FOwner->DoEditorStarted(Editor, Index);
}

void TKvGridEditController::GridEdited(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index, const Variant& Value)
{
    FOwner->DoEditorChanged(Editor, Index, Value);
}

void TKvGridEditController::GridEditCanceled(const TKvGridCellIndex& Index) { FOwner->DoEditorCanceled(Index); }

void TKvGridEditController::GridEditCommit(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index, const Variant& Value)
{
    FOwner->DoEditorCommit(Editor, Index, Value);
}

void TKvGridEditController::GridEditCompleted(const TKvGridCellIndex& Index) { FOwner->DoEditorCompleted(Index); }

void TKvGridEditController::ButtonClick(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index)
{
    if (Editor && Editor->HasButton())
        Editor->ButtonClicked(Index);
}

void TKvGridEditController::ResetFocusedView() { FOwner->ResetFocusedView(); }

} // namespace kv
