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

template <typename TControlT>
bool KeyToHandler(TControlT* self, const TKvKeyEvent& handler, std::uint16_t& key, TShiftState shift)
{
    if (handler)
        handler(self, key, shift);
    return key != 0;
}

template <typename TControlT>
bool CharToHandler(TControlT* self, const TKvKeyPressEvent& handler, QChar& key)
{
    if (handler)
        handler(self, key);
    return key.unicode() != 0;
}

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

bool OpenOverCell(const TControl* control, bool needWidth)
{
    return control->GetVisible() && control->GetHeight() >= 1 && (!needWidth || control->GetWidth() > 0);
}

} // namespace

// ---- text edit -------------------------------------------------------------------------

TKvGridInplaceEditor::TKvGridInplaceEditor(TComponent* owner) : TKvCustomMaskEdit(owner) {}

void TKvGridInplaceEditor::AfterConstruction()
{
    TKvCustomMaskEdit::AfterConstruction();
    SetBorderStyle(bsNone);
    SetTabStop(false);
    TFont font;
    font.SetName(QStringLiteral("Tahoma"));
    font.SetSize(9);
    SetFont(&font);
}

void TKvGridInplaceEditor::SetEditColumn(TKvGridColumn* Column)
{
    FEditColumn = Column;
    if (Column) {
        TFont font;
        font.Assign(GetFont());
        AssignColumnFont(Column, &font);
        SetFont(&font);
    }
}

bool TKvGridInplaceEditor::GetEditing() const { return OpenOverCell(this, false); }

void TKvGridInplaceEditor::RequestStart()
{
    if (GetEditing())
        return;
    FStarted = false;
    if (OnStart)
        OnStart(this);
    if (FStarted) {
        SelectAll();
        DoStart();
    }
}

void TKvGridInplaceEditor::KeyDown(std::uint16_t& key, TShiftState shift)
{
    if (!KeyToHandler(this, OnKeyDown, key, shift))
        return;
    if (ClipboardKey(this, key, shift)) {
        key = 0;
        return;
    }
    TKvCustomMaskEdit::KeyDown(key, shift);
}

void TKvGridInplaceEditor::KeyPress(QChar& key)
{
    if (CharToHandler(this, OnKeyPress, key))
        TKvCustomMaskEdit::KeyPress(key);
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

// ---- multi-line edit -------------------------------------------------------------------

TKvGridMultiLineEditor::TKvGridMultiLineEditor(TComponent* owner) : TCustomMemo(owner) {}

void TKvGridMultiLineEditor::AfterConstruction()
{
    TCustomMemo::AfterConstruction();
    SetBorderStyle(bsNone);
    SetTabStop(false);
}

void TKvGridMultiLineEditor::SetEditColumn(TKvGridColumn* Column)
{
    FEditColumn = Column;
    if (Column) {
        TFont font;
        font.Assign(GetFont());
        AssignColumnFont(Column, &font);
        SetFont(&font);
    }
}

bool TKvGridMultiLineEditor::GetEditing() const { return OpenOverCell(this, false); }

void TKvGridMultiLineEditor::RequestStart()
{
    if (GetEditing())
        return;
    FStarted = false;
    if (OnStart)
        OnStart(this);
    if (FStarted)
        SelectAll();
}

void TKvGridMultiLineEditor::WndProc(TMessage& message)
{
    if (((message.Msg == WM_CHAR && (message.WParam == 8 || message.WParam >= 32)) ||
         message.Msg == WM_IME_STARTCOMPOSITION) &&
        CanModify())
        RequestStart();
    TCustomMemo::WndProc(message);
}

void TKvGridMultiLineEditor::KeyDown(std::uint16_t& key, TShiftState shift)
{
    if (!KeyToHandler(this, OnKeyDown, key, shift))
        return;
    if (ClipboardKey(this, key, shift)) {
        key = 0;
        return;
    }
    // Ctrl+Enter breaks the line.
    if (key == VK_RETURN && shift.Contains(ssCtrl) && CanModify()) {
        const QString text = GetText();
        const int start = GetSelStart();
        SetText(text.left(start) + QLatin1Char('\n') + text.mid(start + GetSelLength()));
        SetSelStart(start + 1);
        key = 0;
        return;
    }
    TCustomMemo::KeyDown(key, shift);
}

void TKvGridMultiLineEditor::KeyPress(QChar& key)
{
    if (CharToHandler(this, OnKeyPress, key))
        TCustomMemo::KeyPress(key);
}

// ---- date edit -------------------------------------------------------------------------

TKvGridDateEditor::TKvGridDateEditor(TComponent* owner) : TKvDateEdit(owner) {}

void TKvGridDateEditor::AfterConstruction()
{
    TKvDateEdit::AfterConstruction();
    SetBorderStyle(bsNone);
    SetTabStop(false);
}

void TKvGridDateEditor::SetEditColumn(TKvGridColumn* Column)
{
    FEditColumn = Column;
    if (Column) {
        TFont font;
        font.Assign(GetFont());
        AssignColumnFont(Column, &font);
        SetFont(&font);
    }
}

bool TKvGridDateEditor::GetEditing() const { return OpenOverCell(this, true); }

void TKvGridDateEditor::Start()
{
    if (GetEditing())
        return;
    FStarted = false;
    if (OnStarted)
        OnStarted(this);
}

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

void TKvGridDateEditor::KeyDown(std::uint16_t& key, TShiftState shift)
{
    if (KeyToHandler(this, OnKeyDown, key, shift))
        TKvDateEdit::KeyDown(key, shift);
}

void TKvGridDateEditor::KeyPress(QChar& key)
{
    if (CharToHandler(this, OnKeyPress, key))
        TKvDateEdit::KeyPress(key);
}

// ---- number edit -----------------------------------------------------------------------

TKvGridNumberEditor::TKvGridNumberEditor(TComponent* owner) : TKvNumberEdit(owner) {}

void TKvGridNumberEditor::AfterConstruction()
{
    TKvNumberEdit::AfterConstruction();
    SetBorderStyle(bsNone);
    SetTabStop(false);
}

// The font only: the number edit keeps no column.
void TKvGridNumberEditor::SetEditColumn(TKvGridColumn* Column)
{
    if (Column) {
        TFont font;
        font.Assign(GetFont());
        AssignColumnFont(Column, &font);
        SetFont(&font);
    }
}

bool TKvGridNumberEditor::GetEditing() const { return OpenOverCell(this, false); }

void TKvGridNumberEditor::Start()
{
    if (GetEditing())
        return;
    FStarted = false;
    if (OnStarted)
        OnStarted(this);
}

void TKvGridNumberEditor::KeyDown(std::uint16_t& key, TShiftState shift)
{
    if (KeyToHandler(this, OnKeyDown, key, shift))
        TKvNumberEdit::KeyDown(key, shift);
}

void TKvGridNumberEditor::KeyPress(QChar& key)
{
    if (CharToHandler(this, OnKeyPress, key))
        TKvNumberEdit::KeyPress(key);
}

} // namespace kv
