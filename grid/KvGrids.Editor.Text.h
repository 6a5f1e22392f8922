// In-cell edit controls: the text, button, multi-line, date and number edits that cell
// editors put over a cell. Each sits in the grid without border or tab stop, takes the
// column's font, and while it waits at zero size tells its cell editor when the user starts
// typing (a character or an input-method composition), so that the edit opens with the cell
// value selected and the typed character replacing it.
#pragma once

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Common.Edits.h"

#include <functional>

namespace kv {

class TKvGridColumn;
class TKvGridView;

using TKvKeyEvent = std::function<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)>;
using TKvKeyPressEvent = std::function<void(TObject* Sender, QChar& Key)>;

// Copies the column's style font into font (nothing for nil).
void AssignColumnFont(TKvGridColumn* Column, TFont* Font);
// The outermost grid view among the control's parents, or nil.
TKvGridView* OuterGrid(TControl* Control);

// What every in-cell control adds to its base: the edited column and its font, the start
// flag that the cell editor arms, the waiting/open test, the start request, and key events
// that the cell editor sees before the control (a key set to 0 goes no further).
template <typename TBase>
class TKvInCellControl : public TBase
{
public:
    explicit TKvInCellControl(TComponent* owner) : TBase(owner) {}

    void AfterConstruction() override
    {
        TBase::AfterConstruction();
        this->SetBorderStyle(bsNone);
        this->SetTabStop(false);
    }
    void SetEditColumn(TKvGridColumn* Column)
    {
        FEditColumn = Column;
        if (!Column)
            return;
        if (auto* data = dynamic_cast<TKvGridDataColumn*>(Column)) {
            SetImeMode(data->GetImeMode());
            SetImeName(data->GetImeName());
        }
        TFont font;
        const TFont* own = this->GetFont();
        font.Assign(own);
        AssignColumnFont(Column, &font);
        // The same font again would only restyle the control.
        if (font.GetName() != own->GetName() || font.GetSize() != own->GetSize() || font.GetStyle() != own->GetStyle() ||
            font.GetColor() != own->GetColor())
            this->SetFont(&font);
    }
    TKvGridColumn* GetEditColumn() const { return FEditColumn; }
    // The input-method mode and name typed text comes through; a mode other than
    // imDontCare opens or closes the input method for the control.
    TImeMode GetImeMode() const { return FImeMode; }
    void SetImeMode(TImeMode Value)
    {
        FImeMode = Value;
        if (Value == imDontCare)
            return;
        const bool open = Value != imDisable && Value != imClose;
        this->SetControlStyle(open ? this->GetControlStyle() + csInputMethod : this->GetControlStyle() - csInputMethod);
    }
    const QString& GetImeName() const { return FImeName; }
    void SetImeName(const QString& Value) { FImeName = Value; }
    // Visible and at least one pixel high (and wide where asked): open over its cell.
    bool GetEditing() const
    {
        return this->GetVisible() && this->GetHeight() >= 1 && (!FNeedsWidth || this->GetWidth() > 0);
    }
    TKvGridView* GetGrid() { return OuterGrid(this); }
    bool GetStarted() const { return FStarted; }
    void SetStarted(bool Value) { FStarted = Value; }

    TKvKeyEvent OnKeyDown;
    TKvKeyPressEvent OnKeyPress;

protected:
    // Fires the start event while waiting; true when the cell editor armed the edit.
    bool StartEdit(const TNotifyEvent& Event)
    {
        if (GetEditing())
            return false;
        FStarted = false;
        if (Event)
            Event(this);
        return FStarted;
    }
    void KeyDown(std::uint16_t& key, TShiftState shift) override
    {
        if (OnKeyDown)
            OnKeyDown(this, key, shift);
        if (key != 0)
            OwnKeyDown(key, shift);
        if (key != 0)
            TBase::KeyDown(key, shift);
    }
    void KeyPress(QChar& key) override
    {
        if (OnKeyPress)
            OnKeyPress(this, key);
        if (key.unicode() != 0)
            TBase::KeyPress(key);
    }
    // Keys the control handles itself before its base.
    virtual void OwnKeyDown(std::uint16_t& key, TShiftState shift) {}

    TKvGridColumn* FEditColumn = nullptr;
    TImeMode FImeMode = imDontCare;
    QString FImeName;
    bool FStarted = false;
    bool FNeedsWidth = false;
};

class TKvGridInplaceEditor : public TKvInCellControl<TKvCustomMaskEdit>
{
public:
    explicit TKvGridInplaceEditor(TComponent* owner) : TKvInCellControl(owner) {}
    void AfterConstruction() override;
    // Starts the edit when waiting: the start event, then all text selected.
    void RequestStart();

    TNotifyEvent OnStart;

protected:
    void InputStarting() override { RequestStart(); }
    virtual void DoStart() {}
    // Ctrl+C, Ctrl+V and Ctrl+X on the edit's own text.
    void OwnKeyDown(std::uint16_t& key, TShiftState shift) override;
};

// The text edit with an ellipsis button at its right.
class TKvGridInplaceButton : public TKvGridInplaceEditor
{
public:
    explicit TKvGridInplaceButton(TComponent* owner) : TKvGridInplaceEditor(owner) {}
    void ButtonClick();
    bool GetPressed() const { return FPressed; }

    TNotifyEvent OnButtonClick;

protected:
    TRect GetCustomRect() const override;
    void DrawCustom(HDC DC, const TRect& Rect) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void TrackButton(int x, int y);
    void StopTracking();

private:
    bool FPressed = false;
    bool FTracking = false;
};

class TKvGridMultiLineEditor : public TKvInCellControl<TCustomMemo>
{
public:
    explicit TKvGridMultiLineEditor(TComponent* owner) : TKvInCellControl(owner) {}
    void RequestStart();

    TNotifyEvent OnStart;

protected:
    void WndProc(TMessage& message) override;
    // Ctrl+C, Ctrl+V and Ctrl+X on the memo's own text; Ctrl+Enter breaks the line.
    void OwnKeyDown(std::uint16_t& key, TShiftState shift) override;
};

class TKvGridDateEditor : public TKvInCellControl<TKvDateEdit>
{
public:
    explicit TKvGridDateEditor(TComponent* owner) : TKvInCellControl(owner) { FNeedsWidth = true; }
    // Starts the edit when waiting.
    void Start() { StartEdit(OnStarted); }
    // Closes an open calendar accepting it, or drops a closed one down with capture.
    void ButtonClick();
    void DropDown(bool Capture) override;

    TNotifyEvent OnStarted;

protected:
    void InputStarting() override { Start(); }
};

// Takes the column's font only: the number edit keeps no column. The first character typed
// into the waiting editor replaces the value, a minus sign or a point included; with free
// decimals the decimals grow as the user types them (a column's number format only rounds
// what the cell shows).
class TKvGridNumberEditor : public TKvInCellControl<TKvNumberEdit>
{
public:
    explicit TKvGridNumberEditor(TComponent* owner) : TKvInCellControl(owner) {}
    void Start();
    bool GetFreeDecimals() const { return FFreeDecimals; }
    void SetFreeDecimals(bool Value) { FFreeDecimals = Value; }

    TNotifyEvent OnStarted;

protected:
    void InputStarting() override { Start(); }
    void KeyPress(QChar& key) override;

private:
    // Makes room for one more decimal when the caret stands past the last one.
    void GrowDecimals(QChar key);
    bool FFreeDecimals = false;
    bool FJustStarted = false;
};

} // namespace kv
