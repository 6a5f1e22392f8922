// The default edit controller.
//
// Sections: field values; mask; listener; construction; waiting editor (register, prepare,
// hide); editing (activate, move, bounds); editor reports; commit, cancel, show, reset.
//
// Call flow: focus change -> DoFocusedIndexChanging (commit an open edit) ->
// DoFocusedIndexChanged (hide the old editor, prepare the new one at 0 x 0, focused). Typing
// into the waiting editor -> listener EditStart -> DoEditorStarted -> ActivateEditor (bounds
// from the grid, value loaded, BeginEdit). First change -> the grid opens the item edit.
// CommitEditor converts the value to its field's type (refusing text that does not convert),
// writes through the editable item provider and raises commit, then completed. A row commit
// asked for elsewhere -> ItemCommitting writes the open editor's text first (or refuses).
#include "grid/KvGrids.Editing.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.Renderers.h"
#include "grid/KvGrids.View.h"
#include "model/KvGrids.Model.Editing.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/MessageBox.h"

#include <QtCore/QLocale>
#include <algorithm>
#include <cmath>

namespace kv {

// ---- field values ----------------------------------------------------------------------

namespace {

// Numbers are read with '.' first, then with the user's locale (digit groups allowed).
bool ReadNumber(const QString& text, Variant& out)
{
    std::int64_t whole = 0;
    if (TryStrToInt64(text, whole)) {
        out = Variant(whole);
        return true;
    }
    double number = 0;
    bool ok = TryStrToFloat(text, number);
    if (!ok)
        number = QLocale().toDouble(text, &ok);
    if (ok)
        out = Variant(number);
    return ok;
}

// A number written out (no exponent) that is no whole number of 64 bits and whose size
// passes the digits a double keeps exactly would be stored as another number.
bool TooLongToStore(const QString& text, const Variant& number)
{
    return number.IsDouble() && !text.contains(QLatin1Char('e'), Qt::CaseInsensitive) &&
           std::fabs(number.ToDouble()) >= 9007199254740992.0;
}

bool ReadBoolean(const QString& text, Variant& out)
{
    bool value = false;
    if (!Variant(text).TryToBoolean(value))
        return false;
    out = Variant(value);
    return true;
}

bool ReadDateTime(const QString& text, Variant& out)
{
    TDateTime value = 0;
    if (!TryStrToDateTime(text, value))
        return false;
    out = Variant::DateTime(value);
    return true;
}

} // namespace

// The edited value as the field's type: text read as a number, a Boolean or a date; an empty
// text is null. Text that does not convert raises EConvertError naming the field.
Variant FieldValue(const Variant& Value, TKvGridValueType Type, const QString& Field)
{
    if (Type == ValueTypeText || !Value.IsString())
        return Value;
    if (Value.ToString().isEmpty())
        return Variant::Null();
    // Blanks alone are no value of any type.
    const QString text = Value.ToString().trimmed();
    Variant out;
    switch (Type) {
    case ValueTypeNumeric:
        if (ReadNumber(text, out)) {
            if (TooLongToStore(text, out))
                throw EConvertError(QStringLiteral("'%1' is too long a number to store exactly: %2").arg(Value.ToString(), Field));
            return out;
        }
        throw EConvertError(QStringLiteral("'%1' is not a valid number: %2").arg(Value.ToString(), Field));
    case ValueTypeBool:
        if (ReadBoolean(text, out))
            return out;
        throw EConvertError(QStringLiteral("'%1' is not a valid Boolean value: %2").arg(Value.ToString(), Field));
    case ValueTypeDateTime:
        if (ReadDateTime(text, out))
            return out;
        throw EConvertError(QStringLiteral("'%1' is not a valid date: %2").arg(Value.ToString(), Field));
    default: return Value;
    }
}

// ---- mask ------------------------------------------------------------------------------

void TEditorMask::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    Invalidate();
}

void TEditorMask::Paint()
{
    if (TCanvas* canvas = GetCanvas())
        canvas->FillRect(GetClientRect(), FColor);
}

// ---- listener --------------------------------------------------------------------------

class TKvDefaultGridEditController::TKvGridEditListener : public TInterfacedObject, public IKvGridEditListener
{
public:
    explicit TKvGridEditListener(TKvDefaultGridEditController* controller) : FController(controller) {}
    int AddRef() override { return TInterfacedObject::AddRef(); }
    int Release() override { return TInterfacedObject::Release(); }

    void EditStart(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index) override
    {
        FController->CheckController(Editor, Index);
        FController->DoEditorStarted();
    }
    void EditChange(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index) override
    {
        FController->CheckController(Editor, Index);
        FController->DoEditorChange();
    }
    void EditRequestResize(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index, int Width, int Height) override
    {
        FController->CheckController(Editor, Index);
        FController->DoEditorRequestResize(Width, Height);
    }

private:
    TKvDefaultGridEditController* FController;
};

void TKvDefaultGridEditController::CheckController(TKvGridCellEditor* Editor, const TKvGridCellIndex& Index) const
{
    KV_ASSERT(!(FEditor && Editor && Editor != FEditor), "editor is invalid");
    KV_ASSERT(!(FEditor && !(Index == FEditIndex)), "edit index is invalid");
}

// ---- construction ----------------------------------------------------------------------

TKvDefaultGridEditController::TKvDefaultGridEditController(TKvGridView* Owner) : TKvGridEditController(Owner)
{
    FEditListener = MakeIntf<TKvGridEditListener>(this);
    FEditorMask = Create<TEditorMask>(nullptr);
    FEditorMask->SetVisible(false);
    FEditorMask->SetParent(Owner);
}

TKvDefaultGridEditController::~TKvDefaultGridEditController()
{
    FreeAndNil(FEditorMask);
    for (TKvGridCellEditor* editor : FEditors)
        editor->RemoveListener(FEditListener.get());
    FEditors.clear();
}

bool TKvDefaultGridEditController::IsRegistered(TKvGridCellEditor* Editor) const
{
    return std::find(FEditors.begin(), FEditors.end(), Editor) != FEditors.end();
}

void TKvDefaultGridEditController::EditorRemoved(TKvGridCellEditor* Editor)
{
    FEditors.erase(std::remove(FEditors.begin(), FEditors.end(), Editor), FEditors.end());
    if (Editor == FEditor)
        FEditor = nullptr;
}

// ---- waiting editor --------------------------------------------------------------------

void TKvDefaultGridEditController::RegisterEditor(TKvGridCellEditor* Editor)
{
    KV_ASSERT(Editor, "editor is nil");
    if (IsRegistered(Editor))
        return;
    FEditors.push_back(Editor);
    Editor->FreeNotification(FOwner);
    Editor->SetParent(FOwner);
    Editor->AddListener(FEditListener.get());
}

void TKvDefaultGridEditController::PrepareEditor(const TKvGridCellIndex& Index)
{
    if (FEditor && !(FEditIndex == Index))
        RaiseAssertion(QStringLiteral("Editor is not hidden at ") + Index.ToString(), __FILE__, __LINE__);
    FEditIndex = Index;
    TKvGridDelegate* delegate = FOwner->GetGridDelegate();
    FEditor = delegate ? delegate->GetCellEditor(Index) : nullptr;
    // A check cell is toggled in place (Space, a click), never edited as text.
    if (delegate && dynamic_cast<TKvCheckCellRenderer*>(delegate->GetCellRenderer(Index)))
        FEditor = nullptr;
    if (!FEditor)
        return;
    FEditor->InitEditor();
    RegisterEditor(FEditor);
    FEditorMask->SetBounds(0, 0, 0, 0);
    FEditorMask->SetVisible(false);
    FEditor->SetBounds(0, 0, 0, 0);
    FEditor->SetVisible(true);
    FEditor->SetEditIndex(FEditIndex);
    if (FOwner->HandleAllocated() && FEditor->CanFocus())
        FEditor->SetFocus();
    GridEditPrepared(FEditor, FEditIndex);
}

void TKvDefaultGridEditController::HideEditor()
{
    FEditorMask->SetBounds(0, 0, 0, 0);
    FEditorMask->SetVisible(false);
    if (!FEditor)
        return;
    FEditor->SetBounds(0, 0, 0, 0);
    FEditor->SetVisible(false);
    FEditor->EndEdit();
    // A hidden editor is on no cell: its cell's column may go while it waits.
    FEditor->SetEditIndex(TKvGridCellIndex::Null());
    FEditor = nullptr;
    ResetFocusedView();
}

void TKvDefaultGridEditController::InitEditor()
{
    KV_ASSERT(FEditor, "Editor is nil");
    FEditor->SetEditValue(GetData(FEditIndex));
    FEditor->BeginEdit();
}

// An editable column bound to a field, under an editable grid; an editable item provider
// must also let the field be updated. Otherwise the editor shows read-only.
bool TKvDefaultGridEditController::CanEditCell() const
{
    auto* column = dynamic_cast<TKvGridDataColumn*>(FEditIndex.Column);
    if (FOwner->GetEditOptions()->GetReadOnly() || !column || !column->GetEditable() || column->GetDataIndex() < 0)
        return false;
    auto* editable = dynamic_cast<TKvGridEditableItemProvider*>(FOwner->GetItemProvider());
    return !editable || FEditIndex.ItemIndex < 0 || FEditIndex.ItemIndex >= editable->GetItemCount() ||
           editable->CanUpdate(FEditIndex.ItemIndex, column->GetDataIndex());
}

void TKvDefaultGridEditController::ApplyReadOnly()
{
    if (FEditor)
        FEditor->SetReadOnly(!CanEditCell());
}

// ---- editing ---------------------------------------------------------------------------

void TKvDefaultGridEditController::ActivateEditor()
{
    // A grid in design state edits no cell.
    if (!FEditor || FOwner->IsDesigning())
        return;
    KV_ASSERT(!FEditor->GetEditing(), "Editor is already editing");
    // The items may have changed under the waiting editor (grouped, filtered, sorted): the
    // cell as it is now decides.
    ApplyReadOnly();
    MoveEditor();
    InitEditor();
    FModified = false;
}

void TKvDefaultGridEditController::MoveEditor()
{
    if (!FEditor)
        return;
    // The cell's place comes from the laid-out views.
    if (FOwner->GetLayoutNeeded() || !FOwner->GetLayouted())
        FOwner->UpdateLayout();
    TRect r = FOwner->GetEditBounds(FEditIndex);
    FEditBounds = r;
    FEditorBounds = r;
    TRect r2 = r;
    FEditor->CheckBounds(r2);
    r.Right = r.Left + std::max(r.Width(), r2.Width());
    r.Bottom = r.Top + std::max(r.Height(), r2.Height());
    SetEditorBounds(r);
}

void TKvDefaultGridEditController::SetEditorBounds(const TRect& R)
{
    FEditorBounds = R;
    FEditor->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    if (FEditor->NeedMask()) {
        FEditorMask->SetColor(FEditor->GetBackColor());
        FEditorMask->SetBounds(R.Left, R.Top, R.Width(), R.Height());
        FEditorMask->SetVisible(!R.IsEmpty());
        // Under the editor, never over it.
        FEditorMask->SendToBack();
    } else {
        FEditorMask->SetVisible(false);
    }
}

bool TKvDefaultGridEditController::GetEditing() const { return FEditor && FEditor->GetEditing(); }

TSize TKvDefaultGridEditController::GetEditorSize() const
{
    if (!GetEditing())
        return TSize{0, 0};
    return TSize{FEditorBounds.Width(), FEditorBounds.Height()};
}

void TKvDefaultGridEditController::SetFocus()
{
    if (FEditor)
        FEditor->SetFocus();
}

// ---- editor reports --------------------------------------------------------------------

void TKvDefaultGridEditController::DoEditorStarted()
{
    if (FOwner->GetEditOptions()->GetReadOnly() || !FEditor || FEditor->GetEditing())
        return;
    ActivateEditor();
    FOwner->MakeCellVisible(FEditIndex);
    FOwner->Update();
}

void TKvDefaultGridEditController::DoEditorChange()
{
    if (!FEditor)
        return;
    if (!FModified) {
        FModified = true;
        GridEditStarted(FEditor, FEditIndex);
    }
    FOwner->MakeCellVisible(FEditIndex);
    FOwner->Update();
    GridEdited(FEditor, FEditIndex, FEditor->GetEditValue());
}

void TKvDefaultGridEditController::DoEditorRequestResize(int Width, int Height)
{
    if (!FEditor)
        return;
    const TRect r = TRect::Bounds(FEditBounds.Left, FEditBounds.Top, std::max(FEditBounds.Width(), Width),
                                  std::max(FEditBounds.Height(), Height));
    SetEditorBounds(r);
    ResetFocusedView();
}

// ---- commit, cancel, show, reset -------------------------------------------------------

void TKvDefaultGridEditController::DoFocusedIndexChanging()
{
    if (FOwner->IsDesigning())
        return;
    if (GetEditing())
        CommitEditor(false);
}

void TKvDefaultGridEditController::DoFocusedIndexChanged(const TKvGridCellIndex& Index)
{
    const bool hadEditor = FEditor != nullptr;
    // An editor left open when the grid went into design state goes with the focus.
    HideEditor();
    if (FOwner->IsDesigning() || !Index.IsValid(FOwner))
        return;
    PrepareEditor(Index);
    // A cell without an editor takes its keys through the grid, not through the hidden
    // editor that held the focus.
    if (!FEditor && hadEditor && FOwner->HandleAllocated() && FOwner->CanFocus())
        FOwner->SetFocus();
    if (FOwner->GetEditOptions()->GetEditWhenFocused() && FEditor && !FOwner->GetEditOptions()->GetReadOnly())
        ActivateEditor();
    ApplyReadOnly();
}

// A fresh waiting editor on the same cell, or the value reloaded into the open one.
void TKvDefaultGridEditController::EndCellEdit(bool Prepare)
{
    if (Prepare) {
        const TKvGridCellIndex index = FEditIndex;
        HideEditor();
        PrepareEditor(index);
    } else {
        InitEditor();
    }
    ApplyReadOnly();
}

// A value that does not convert to the field's type, or a failing commit notification
// (validation), leaves the editor open with the user's text and the edit modified; a value
// that does not convert is not written.
void TKvDefaultGridEditController::CommitEditor(bool Hide)
{
    if (!GetEditing())
        return;
    auto* column = dynamic_cast<TKvGridDataColumn*>(FEditIndex.Column);
    bool committed = false;
    if (FEditor->GetEdited() && column && column->GetDataIndex() >= 0) {
        FEditor->Commit();
        Variant value = FEditor->GetEditValue();
        TKvGridItemProvider* items = FOwner->GetItemProvider();
        if (TKvGridDataProvider* data = items ? items->GetDataSource() : nullptr)
            value = FieldValue(value, data->GetValueType(column->GetDataIndex()), column->GetFieldName());
        SetData(FEditIndex, value);
        GridEditCommit(FEditor, FEditIndex, value);
        // A validation that failed inside the commit leaves the user's text open; the user's
        // own commit (Enter) shows why.
        if (!column->GetError().isEmpty()) {
            if (Hide)
                ShowException(column->GetError());
            return;
        }
        FModified = false;
        committed = true;
    }
    EndCellEdit(Hide);
    if (committed)
        GridEditCompleted(FEditIndex);
}

void TKvDefaultGridEditController::CancelEditor(bool Prepare)
{
    if (!GetEditing())
        return;
    // The clean-up runs even when the cancel notification raises.
    TScopeExit cleanUp([&] {
        FModified = false;
        EndCellEdit(Prepare);
    });
    GridEditCanceled(FEditIndex);
}

void TKvDefaultGridEditController::ShowEditor(bool Button)
{
    if (FOwner->GetEditOptions()->GetReadOnly() || !FEditor || FOwner->IsDesigning())
        return;
    if (!GetEditing())
        ActivateEditor();
    if (Button)
        ButtonClick(FEditor, FEditIndex);
}

// A commit of the row from anywhere (code, a button that keeps no focus) takes the open
// editor's text first. Text that does not convert raises; a validation that fails raises its
// message; either way the row is not written.
void TKvDefaultGridEditController::ItemCommitting(int Index)
{
    if (!GetEditing() || FEditIndex.ItemIndex != Index || !FEditor->GetEdited())
        return;
    CommitEditor(false);
    auto* column = dynamic_cast<TKvGridDataColumn*>(FEditIndex.Column);
    if (FModified && column && !column->GetError().isEmpty())
        throw Exception(column->GetError());
}

void TKvDefaultGridEditController::ItemMoved(int From, int To)
{
    if (From < 0 || FEditIndex.ItemIndex != From)
        return;
    FEditIndex.ItemIndex = To;
    if (FEditor)
        FEditor->SetEditIndex(FEditIndex);
}

void TKvDefaultGridEditController::ResetEditor(bool Reload)
{
    if (!GetEditing())
        return;
    MoveEditor();
    if (Reload)
        FEditor->SetEditValue(GetData(FEditIndex));
}

} // namespace kv
