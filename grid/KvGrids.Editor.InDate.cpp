// The in-cell date picker.
//
// Call flow: a character or a composition reaches WndProc, or the calendar is about to drop
// down (DoDropDown) -> Start fires OnStarted while the picker waits -> the cell editor moves
// it over the cell, loads the value and arms FStarted -> the first field is selected and the
// character replaces it, or the calendar opens below the cell.
#include "grid/KvGrids.Editor.InDate.h"

#include "platform/rtl/ClassRegistry.h"

namespace kv {

KV_PUBLISH(TKvGridInDateEditor, TControl)
    .Property("Date", &TKvGridInDateEditor::GetDate, &TKvGridInDateEditor::SetDate)
    .Property("Checked", &TKvGridInDateEditor::GetChecked, &TKvGridInDateEditor::SetChecked).Default(true)
    .Property("ShowCheckbox", &TKvGridInDateEditor::GetShowCheckbox, &TKvGridInDateEditor::SetShowCheckbox)
    .Default(true)
    .Property("DateFormat", &TKvGridInDateEditor::GetDateFormat, &TKvGridInDateEditor::SetDateFormat)
    .Default(dfShort)
    .Property("AutoSize", &TKvGridInDateEditor::GetAutoSize, &TKvGridInDateEditor::SetAutoSize).Default(false)
    .Property("Ctl3D", &TKvGridInDateEditor::GetCtl3D, &TKvGridInDateEditor::SetCtl3D).Default(false)
    .Event("OnChange", &TKvGridInDateEditor::OnChange)
    .Event("OnStarted", &TKvGridInDateEditor::OnStarted);

namespace {
[[maybe_unused]] const bool kRegistered = (RegisterClasses<TKvGridInDateEditor>(), true);
} // namespace

void TKvGridInDateEditor::AfterConstruction()
{
    TKvInCellControl::AfterConstruction();
    SetDateFormat(dfShort);
    SetShowCheckbox(true);
    SetAutoSize(false);
    SetCtl3D(false);
}

void TKvGridInDateEditor::Start()
{
    if (StartEdit(OnStarted))
        SelectFirstField();
}

void TKvGridInDateEditor::WndProc(TMessage& message)
{
    if (((message.Msg == WM_CHAR && (message.WParam == 8 || message.WParam >= 32)) ||
         message.Msg == WM_IME_STARTCOMPOSITION) &&
        GetEnabled())
        Start();
    TKvInCellControl::WndProc(message);
}

void TKvGridInDateEditor::DoDropDown()
{
    Start();
    TKvInCellControl::DoDropDown();
}

} // namespace kv
