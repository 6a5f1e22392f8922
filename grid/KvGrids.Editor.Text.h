// In-cell edit controls: the text, button, multi-line, date and number edits that cell
// editors put over a cell. Each sits in the grid without border or tab stop, takes the
// column's font, and while it waits at zero size tells its cell editor when the user starts
// typing (a character or an input-method composition), so that the edit opens with the cell
// value selected and the typed character replacing it.
#pragma once

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

class TKvGridInplaceEditor : public TKvCustomMaskEdit
{
public:
    explicit TKvGridInplaceEditor(TComponent* owner);
    void AfterConstruction() override;

    void SetEditColumn(TKvGridColumn* Column);
    TKvGridColumn* GetEditColumn() const { return FEditColumn; }
    // Visible and at least one pixel high: open over its cell.
    bool GetEditing() const;
    TKvGridView* GetGrid() { return OuterGrid(this); }
    bool GetStarted() const { return FStarted; }
    void SetStarted(bool Value) { FStarted = Value; }
    // Starts the edit when waiting: the start event, then all text selected.
    void RequestStart();

    TNotifyEvent OnStart;
    TKvKeyEvent OnKeyDown;
    TKvKeyPressEvent OnKeyPress;

protected:
    void InputStarting() override { RequestStart(); }
    virtual void DoStart() {}
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;

    TKvGridColumn* FEditColumn = nullptr;
    bool FStarted = false;
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

class TKvGridMultiLineEditor : public TCustomMemo
{
public:
    explicit TKvGridMultiLineEditor(TComponent* owner);
    void AfterConstruction() override;

    void SetEditColumn(TKvGridColumn* Column);
    bool GetEditing() const;
    TKvGridView* GetGrid() { return OuterGrid(this); }
    bool GetStarted() const { return FStarted; }
    void SetStarted(bool Value) { FStarted = Value; }
    void RequestStart();

    TNotifyEvent OnStart;
    TKvKeyEvent OnKeyDown;
    TKvKeyPressEvent OnKeyPress;

protected:
    void WndProc(TMessage& message) override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;

private:
    TKvGridColumn* FEditColumn = nullptr;
    bool FStarted = false;
};

class TKvGridDateEditor : public TKvDateEdit
{
public:
    explicit TKvGridDateEditor(TComponent* owner);
    void AfterConstruction() override;

    void SetEditColumn(TKvGridColumn* Column);
    bool GetEditing() const;
    bool GetStarted() const { return FStarted; }
    void SetStarted(bool Value) { FStarted = Value; }
    // Starts the edit when waiting.
    void Start();
    // Closes an open calendar accepting it, or drops a closed one down with capture.
    void ButtonClick();
    void DropDown(bool Capture) override;

    TNotifyEvent OnStarted;
    TKvKeyEvent OnKeyDown;
    TKvKeyPressEvent OnKeyPress;

protected:
    void InputStarting() override { Start(); }
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;

private:
    TKvGridColumn* FEditColumn = nullptr;
    bool FStarted = false;
};

class TKvGridNumberEditor : public TKvNumberEdit
{
public:
    explicit TKvGridNumberEditor(TComponent* owner);
    void AfterConstruction() override;

    void SetEditColumn(TKvGridColumn* Column);
    bool GetEditing() const;
    bool GetStarted() const { return FStarted; }
    void SetStarted(bool Value) { FStarted = Value; }
    void Start();

    TNotifyEvent OnStarted;
    TKvKeyEvent OnKeyDown;
    TKvKeyPressEvent OnKeyPress;

protected:
    void InputStarting() override { Start(); }
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;

private:
    bool FStarted = false;
};

} // namespace kv
