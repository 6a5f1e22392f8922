// The in-cell date picker: the platform's date picker (a date typed field by field or picked
// in its calendar, with a check box for "no date") set up to sit in a cell: short date
// format, check box shown, no automatic sizing, flat, no border or tab stop, the column's
// font. While it waits at zero size, a typed character, the start of an input-method
// composition or its own drop-down asks its cell editor to start the edit (OnStarted); once
// armed, the first field is selected and the character replaces it. No editor of the library
// makes it; form files name it.
#pragma once

#include "grid/KvGrids.Editor.Text.h"
#include "platform/ui/DateTimePicker.h"

namespace kv {

class TKvGridInDateEditor : public TKvInCellControl<TDateTimePicker>
{
protected:
    friend class TCreateAccess;
    explicit TKvGridInDateEditor(TComponent* owner) : TKvInCellControl(owner) {}

public:
    void AfterConstruction() override;
    // Starts the edit when waiting: the start event, then the first field selected.
    void Start();

    TNotifyEvent OnStarted;

protected:
    void WndProc(TMessage& message) override;
    // The calendar drops down: the edit starts first.
    void DoDropDown() override;
};

} // namespace kv
