// In-cell edit controls.
//
// Sections: helpers; text edit; button edit; multi-line edit; date edit; number edit.
//
// Call flow: a waiting control (visible, zero size, focused) receives a character or the
// start of a composition -> RequestStart/Start fires the start event -> the cell editor tells
// the edit controller, which moves the control over the cell, loads the value and arms
// FStarted -> the control selects all its text and the character replaces it. Key-down and
// key-press reach the cell editor's handlers first (OnKeyDown/OnKeyPress); a key they set to
// 0 goes no further.
#include "grid/KvGrids.Editor.Text.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.View.h"
#include "platform/graphics/DeviceContext.h"

#include <utility>

namespace kv {

// ---- helpers ---------------------------------------------------------------------------

void AssignColumnFont(TKvGridColumn* Column, TFont* Font)
{
    if (!Column || !Column->GetStyles())
        return;
    if (TKvFont* font = Column->GetStyles()->GetFont())
        font->ToFont(Font);
}

TKvGridView* OuterGrid(TControl* Control)
{
    TKvGridView* grid = nullptr;
    for (TControl* p = Control ? Control->GetParent() : nullptr; p; p = p->GetParent())
        if (auto* g = dynamic_cast<TKvGridView*>(p))
            grid = g;
    return grid;
}

namespace {

// Ctrl+C, Ctrl+V and Ctrl+X on the control's own text; true when the key was one of them.
bool ClipboardKey(TCustomTextControl* control, std::uint16_t key, TShiftState shift)
{
    if (!shift.Contains(ssCtrl) || shift.Contains(ssAlt) || shift.Contains(ssShift))
        return false;
    switch (key) {
    case 'C': control->CopyToClipboard(); return true;
    case 'V': control->PasteFromClipboard(); return true;
    case 'X': control->CutToClipboard(); return true;
    default: return false;
    }
}

} // namespace

// ---- text edit -------------------------------------------------------------------------

void TKvGridInplaceEditor::AfterConstruction()
{
    TKvInCellControl::AfterConstruction();
    TFont font;
    font.SetName(QStringLiteral("Tahoma"));
    font.SetSize(9);
    SetFont(&font);
}

void TKvGridInplaceEditor::RequestStart()
{
    if (StartEdit(OnStart)) {
        SelectAll();
        DoStart();
    }
}

void TKvGridInplaceEditor::OwnKeyDown(std::uint16_t& key, TShiftState shift)
{
    if (ClipboardKey(this, key, shift))
        key = 0;
}

// ---- button edit -----------------------------------------------------------------------

TRect TKvGridInplaceButton::GetCustomRect() const
{
    const TRect r = GetClientRect();
    const int w = std::min(r.Width(), GetSystemMetrics(SM_CXVSCROLL));
    return TRect{r.Right - w, r.Top, r.Right, r.Bottom};
}

void TKvGridInplaceButton::DrawCustom(HDC DC, const TRect& Rect)
{
    dc::DrawFrameControl(DC, Rect, dc::DFC_BUTTON, dc::DFCS_BUTTONPUSH | (FPressed ? dc::DFCS_PUSHED : 0));
}

void TKvGridInplaceButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft && GetCustomRect().Contains(TPoint{x, y})) {
        SetMouseCapture(true);
        FTracking = true;
        TrackButton(x, y);
        return;
    }
    TKvGridInplaceEditor::MouseDown(button, shift, x, y);
}

void TKvGridInplaceButton::MouseMove(TShiftState shift, int x, int y)
{
    if (FTracking)
        TrackButton(x, y);
    TKvGridInplaceEditor::MouseMove(shift, x, y);
}

void TKvGridInplaceButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    const bool click = FTracking && FPressed;
    StopTracking();
    if (click)
        ButtonClick();
    TKvGridInplaceEditor::MouseUp(button, shift, x, y);
}

void TKvGridInplaceButton::TrackButton(int x, int y)
{
    const bool pressed = GetCustomRect().Contains(TPoint{x, y});
    if (pressed != FPressed) {
        FPressed = pressed;
        InvalidateCustom();
    }
}

void TKvGridInplaceButton::StopTracking()
{
    if (!FTracking)
        return;
    TrackButton(-1, -1);
    FTracking = false;
    SetMouseCapture(false);
}

void TKvGridInplaceButton::ButtonClick()
{
    if (OnButtonClick)
        OnButtonClick(this);
}

// ---- multi-line edit --------------------------------------------------------------------

void TKvGridMultiLineEditor::RequestStart()
{
    if (StartEdit(OnStart))
        SelectAll();
}

void TKvGridMultiLineEditor::WndProc(TMessage& message)
{
    if (((message.Msg == WM_CHAR && (message.WParam == 8 || message.WParam >= 32)) ||
         message.Msg == WM_IME_STARTCOMPOSITION) &&
        CanModify())
        RequestStart();
    TKvInCellControl::WndProc(message);
}

void TKvGridMultiLineEditor::OwnKeyDown(std::uint16_t& key, TShiftState shift)
{
    if (ClipboardKey(this, key, shift)) {
        key = 0;
        return;
    }
    if (key == VK_RETURN && shift.Contains(ssCtrl) && CanModify()) {
        const QString text = GetText();
        const int start = GetSelStart();
        SetText(text.left(start) + QLatin1Char('\n') + text.mid(start + GetSelLength()));
        SetSelStart(start + 1);
        key = 0;
    }
}

// ---- number edit -----------------------------------------------------------------------

void TKvGridNumberEditor::Start()
{
    if (StartEdit(OnStarted)) {
        SelectAll();
        FJustStarted = true;
    }
}

void TKvGridNumberEditor::KeyPress(QChar& key)
{
    const bool first = std::exchange(FJustStarted, false);
    if (OnKeyPress)
        OnKeyPress(this, key);
    if (key.unicode() == 0)
        return;
    // A starting minus or point replaces the selected value: a fresh number follows.
    const bool point = key == QLatin1Char('.') || key == LocaleDecimalSeparator();
    if (first && (key == QLatin1Char('-') || point) && CanModify() && GetSelStart() == 0 &&
        GetSelEnd() == GetText().size() && !GetText().isEmpty()) {
        std::uint16_t del = VK_DELETE;
        TKvNumberEdit::KeyDown(del, TShiftState{});
    }
    if (FFreeDecimals && CanModify())
        GrowDecimals(key);
    TKvNumberEdit::KeyPress(key);
}

void TKvGridNumberEditor::GrowDecimals(QChar key)
{
    const bool point = key == QLatin1Char('.') || key == LocaleDecimalSeparator();
    if (point && GetPrecision() == 0) {
        SetPrecision(1);
        return;
    }
    const bool digit = key >= QLatin1Char('0') && key <= QLatin1Char('9');
    if (!digit || GetPrecision() == 0 || GetSelStart() != GetSelEnd() || GetCaret() < GetText().size())
        return;
    // The caret stays before the new last decimal, which the digit then takes.
    SetPrecision(GetPrecision() + 1);
}

// ---- date edit -------------------------------------------------------------------------

void TKvGridDateEditor::DropDown(bool Capture)
{
    Start();
    TKvDateEdit::DropDown(Capture);
}

void TKvGridDateEditor::ButtonClick()
{
    if (GetListVisible())
        CloseUp(true);
    else
        DropDown(true);
}

} // namespace kv
