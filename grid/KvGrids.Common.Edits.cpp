// Edit controls of in-place editors.
//
// Sections
//   1. Masked edit       TKvCustomMaskEdit: custom area, Enter toggling the selection.
//   2. Custom-drawn edits  font, colour, keys wanted, start hook.
//   3. Number edit       raw text rules (typing, deleting, sign, point), display and its map
//                        back to raw positions, caret, clipboard, spin strip, painting.
// The date edit is in KvGrids.Common.Edits.Date.cpp.
//
// Call flow: the controls' peers deliver keys as WM_KEYDOWN then WM_CHAR to WndProc, which
// calls InputStarting for characters and input-method compositions first (the hook of
// descendants that wait for the first keystroke) and then KeyDown and KeyPress. Mouse and
// focus arrive as MouseDown/MouseMove/MouseUp and DoEnter/DoExit. Painting goes through a
// drawing context on the paint canvas. Every change of a value ends in OnChange.
#include "grid/KvGrids.Common.Edits.h"

#include "grid/KvGrids.EditorBase.h"
#include "platform/rtl/TypInfo.h"
#include "platform/ui/Services.h"

#include <QtCore/QLocale>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

// The width of a vertical scroll bar, read once.
int SpinWidth()
{
    static const int width = GetSystemMetrics(SM_CXVSCROLL);
    return width;
}

bool IsInputChar(std::intptr_t c)
{
    return c == 8 || c >= 32;
}

} // namespace

// --- 1. masked edit ------------------------------------------------------------------------

KV_PUBLISH(TKvCustomMaskEdit, TControl)
    .Property("Align", &TKvCustomMaskEdit::GetAlign, &TKvCustomMaskEdit::SetAlign).Default(alNone)
    .Property("Anchors", &TKvCustomMaskEdit::GetAnchors, &TKvCustomMaskEdit::SetAnchors)
    .Default(TAnchors{akLeft, akTop})
    .Property("Color", &TKvCustomMaskEdit::GetColor, &TKvCustomMaskEdit::SetColor).Default(clWindow)
    .Property("Ctl3D", &TKvCustomMaskEdit::GetCtl3D, &TKvCustomMaskEdit::SetCtl3D).Default(true)
    .Property("ReadOnly", &TKvCustomMaskEdit::GetReadOnly, &TKvCustomMaskEdit::SetReadOnly).Default(false)
    .Property("TabOrder", &TKvCustomMaskEdit::GetTabOrder, &TKvCustomMaskEdit::SetTabOrder).Default(-1)
    .Property("TabStop", &TKvCustomMaskEdit::GetTabStop, &TKvCustomMaskEdit::SetTabStop).Default(true)
    .Property("TextHint", &TKvCustomMaskEdit::GetTextHint, &TKvCustomMaskEdit::SetTextHint);

TKvCustomMaskEdit::TKvCustomMaskEdit(TComponent* owner) : TCustomMaskEdit(owner) {}

void TKvCustomMaskEdit::AfterConstruction()
{
    TCustomMaskEdit::AfterConstruction();
    SetTabStop(true);
    SetBorderStyle(bsSingle);
    // The text widget has its own cursor; what the client shows of itself is the custom area.
    SetCursor(crArrow);
}

TRect TKvCustomMaskEdit::GetCustomRect() const
{
    const TRect r = GetClientRect();
    return TRect{r.Right, r.Top, r.Right, r.Bottom};
}

TRect TKvCustomMaskEdit::GetTextRect() const
{
    const TRect edit = GetEditRect();
    if (!edit.IsEmpty())
        return edit;
    TRect r = GetClientRect();
    const TRect custom = GetCustomRect();
    if (!custom.IsEmpty())
        r.Right = std::max(r.Left, custom.Left);
    return r;
}

void TKvCustomMaskEdit::InvalidateCustom()
{
    const TRect r = GetCustomRect();
    if (!r.IsEmpty())
        InvalidateRect(&r);
}

void TKvCustomMaskEdit::WndProc(TMessage& message)
{
    if (((message.Msg == WM_CHAR && IsInputChar(message.WParam)) || message.Msg == WM_IME_STARTCOMPOSITION) &&
        EditCanModify())
        InputStarting();
    TCustomMaskEdit::WndProc(message);
}

void TKvCustomMaskEdit::PaintHandler(TMessage& message)
{
    auto* canvas = reinterpret_cast<TCanvas*>(message.WParam);
    const TRect r = GetCustomRect();
    if (canvas && !r.IsEmpty())
        DrawCustom(canvas->GetHandle(), r);
}

void TKvCustomMaskEdit::KeyDown(std::uint16_t& key, TShiftState shift)
{
    // Escape puts back a changed masked input.
    if (key == VK_ESCAPE && shift.Empty() && IsMasked() && GetModified()) {
        Reset();
        key = 0;
    }
}

void TKvCustomMaskEdit::KeyPress(QChar& key)
{
    if (key.unicode() != 13)
        return;
    const int length = int(GetText().size());
    if (length > 0 && GetSelLength() == length)
        ClearSelection();
    else
        SelectAll();
    key = QChar(0);
}

void TKvCustomMaskEdit::DoEnter()
{
    SelectAll();
    TCustomMaskEdit::DoEnter();
}

void TKvCustomMaskEdit::Resize()
{
    UpdateEditRect();
    TCustomMaskEdit::Resize();
}

// --- 2. custom-drawn edits -----------------------------------------------------------------

TKvCustomDrawnEdit::TKvCustomDrawnEdit(TComponent* owner) : TCustomControl(owner) {}

void TKvCustomDrawnEdit::AfterConstruction()
{
    FFont = std::make_unique<TFont>();
    FFont->OnChange = [this](TObject*) { FontChanged(); };
    FColor = GetSysColor(COLOR_WINDOW);
    SetControlStyle(GetControlStyle() + csOpaque + csInputMethod);
    TCustomControl::AfterConstruction();
    SetBorderStyle(bsSingle);
    SetTabStop(true);
    SetBounds(GetLeft(), GetTop(), 121, 21);
    FontChanged();
}

void TKvCustomDrawnEdit::FontChanged()
{
    FKvFont = TKvFont::CreateFrom(FFont.get());
    Invalidate();
}

void TKvCustomDrawnEdit::SetColor(TColor value)
{
    FColor = value;
    Invalidate();
}

TKvColor TKvCustomDrawnEdit::TextColor() const
{
    return GetEnabled() ? TKvColor::CreateFromColor(FFont->GetColor()) : SystemColor(COLOR_GRAYTEXT);
}

TKvColor TKvCustomDrawnEdit::SystemColor(TSysColor index)
{
    return TKvColor::CreateFromColor(GetSysColor(index));
}

void TKvCustomDrawnEdit::PaintBackground(TKvDrawingContext& dc)
{
    dc.DrawRect(TKvSolidBrush::Temp(TKvColor::CreateFromColor(FColor)), nullptr, GetClientRect());
}

void TKvCustomDrawnEdit::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_GETDLGCODE: message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS; return;
    case WM_CHAR:
        if (IsInputChar(message.WParam) && AcceptsInput())
            InputStarting();
        break;
    case WM_IME_STARTCOMPOSITION:
        if (AcceptsInput())
            InputStarting();
        return;
    default: break;
    }
    TCustomControl::WndProc(message);
}

// --- 3. number edit ------------------------------------------------------------------------

TKvNumberEdit::TKvNumberEdit(TComponent* owner) : TKvCustomDrawnEdit(owner) {}

TKvNumberEdit::~TKvNumberEdit()
{
    if (GetCaretOwner() == this)
        DestroyCaret();
}

void TKvNumberEdit::AfterConstruction()
{
    TKvCustomDrawnEdit::AfterConstruction();
    SetCursor(crIBeam);
}

void TKvNumberEdit::FontChanged()
{
    TKvCustomDrawnEdit::FontChanged();
    FHCaret = std::max(1, int(std::ceil(DrawingFont()->GetHeight())));
    ResetCaret();
}

void TKvNumberEdit::Changed()
{
    if (OnChange)
        OnChange(this);
}

int TKvNumberEdit::ZeroPos() const
{
    const int length = int(FText.size());
    return FPrecision > 0 ? std::max(0, length - FPrecision - 1) : length;
}

QString TKvNumberEdit::Format(double absValue) const
{
    return QString::number(std::fabs(absValue), 'f', FPrecision);
}

double TKvNumberEdit::GetValue() const
{
    return FText.isEmpty() ? 0.0 : FText.toDouble() * FSign;
}

void TKvNumberEdit::StoreText(const QString& text)
{
    const bool changed = text != FText;
    FText = text;
    FCurr = std::clamp(FCurr, 0, int(FText.size()));
    FSelStart = std::clamp(FSelStart, 0, int(FText.size()));
    FSelEnd = std::clamp(FSelEnd, 0, int(FText.size()));
    Invalidate();
    ResetCaret();
    if (changed)
        Changed();
}

void TKvNumberEdit::SetValue(double Value)
{
    if (!std::isfinite(Value))
        throw EConvertError(QStringLiteral("Invalid number"));
    const int sign = Value >= 0 ? 1 : -1;
    const bool signChanged = sign != FSign;
    FSign = sign;
    const QString text = Format(Value);
    if (text == FText && signChanged) {
        Invalidate();
        Changed();
    }
    StoreText(text);
}

void TKvNumberEdit::Clear()
{
    if (!FEnableNull)
        return;
    FSign = 1;
    FCurr = 0;
    ClearSelection();
    StoreText(QString());
}

double TKvNumberEdit::CheckValue(double Value) const
{
    if (HasRange()) {
        if (Value < FMinValue)
            return FMinValue;
        if (Value > FMaxValue)
            return FMaxValue;
    }
    return Value;
}

void TKvNumberEdit::SpinClick(double Delta)
{
    if (!CanModify())
        return;
    bool accept = true;
    if (OnSpinClick)
        OnSpinClick(this, Delta, accept);
    if (!accept)
        return;
    const double value = CheckValue(GetValue() + Delta);
    if (std::isfinite(value))
        SetValue(value);
    else
        MessageBeep();
}

QString TKvNumberEdit::DisplayText() const
{
    if (FText.isEmpty())
        return QString();
    QLocale locale;
    if (!FThousandSep)
        locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    QString text = locale.toString(FText.toDouble(), 'f', FPrecision);
    // Leading zeros typed before the integer digits stay visible.
    const int integerLength = ZeroPos();
    int zeros = 0;
    while (zeros < integerLength - 1 && FText.at(zeros) == QChar('0'))
        ++zeros;
    return locale.zeroDigit().repeated(zeros) + text;
}

void TKvNumberEdit::SetPrecision(int value)
{
    if (FMaxLength > 0)
        value = std::clamp(value, 0, FMaxLength);
    value = std::clamp(value, 0, 0xFFFF);
    if (value == FPrecision)
        return;
    const double v = GetValue();
    FPrecision = static_cast<std::uint16_t>(value);
    if (!IsLoading() && !FText.isEmpty())
        SetValue(v);
    else
        Invalidate();
}

void TKvNumberEdit::SetMaxLength(int value)
{
    FMaxLength = std::max(0, value);
    if (!IsLoading() && !FText.isEmpty())
        SetValue(GetValue());
}

void TKvNumberEdit::SetThousandSep(bool value)
{
    FThousandSep = value;
    Invalidate();
    ResetCaret();
}

void TKvNumberEdit::SetSpinner(bool value)
{
    FSpinner = value;
    Invalidate();
    ResetCaret();
}

void TKvNumberEdit::SetSpinner3D(bool value)
{
    FSpinner3D = value;
    Invalidate();
}

void TKvNumberEdit::SetLayout(TKvTextLayout value)
{
    FLayout = value;
    Invalidate();
    ResetCaret();
}

// Selection.

bool TKvNumberEdit::HasSelection() const
{
    return FSelecting && GetSelStart() != GetSelEnd();
}

int TKvNumberEdit::GetSelStart() const
{
    if (!FSelecting)
        return FCurr;
    return std::clamp(std::min(FSelStart, FSelEnd), 0, int(FText.size()));
}

int TKvNumberEdit::GetSelEnd() const
{
    if (!FSelecting)
        return FCurr;
    return std::clamp(std::max(FSelStart, FSelEnd), 0, int(FText.size()));
}

void TKvNumberEdit::ClearSelection()
{
    if (FSelecting)
        Invalidate();
    FSelecting = false;
    FSelStart = FSelEnd = FCurr;
}

void TKvNumberEdit::SelectAll()
{
    FSelecting = true;
    FSelStart = 0;
    FSelEnd = int(FText.size());
    FCurr = FSelEnd;
    Invalidate();
    ResetCaret();
}

void TKvNumberEdit::MoveCaret(int index, bool extend)
{
    index = std::clamp(index, 0, int(FText.size()));
    if (extend) {
        if (!FSelecting) {
            FSelecting = true;
            FSelStart = FCurr;
        }
        FSelEnd = index;
    } else {
        FSelecting = false;
    }
    FCurr = index;
    Invalidate();
    ResetCaret();
}

// Typing.

void TKvNumberEdit::TypeMinus()
{
    if (HasRange() && FMinValue >= 0 && FSign > 0) {
        MessageBeep();
        return;
    }
    ClearSelection();
    FSign = -FSign;
    Invalidate();
    ResetCaret();
    if (GetValue() != 0)
        Changed();
}

void TKvNumberEdit::TypePoint()
{
    ClearSelection();
    // A point typed into no value starts the decimals of 0.
    if (FText.isEmpty()) {
        StoreText(Format(0));
        FCurr = int(FText.size());
    }
    const int zero = ZeroPos();
    FCurr = FCurr >= zero ? zero + 1 : zero;
    FCurr = std::min(FCurr, int(FText.size()));
    ResetCaret();
}

// The digit is worked out on a copy: a refused digit leaves text, caret and selection as
// they were.
void TKvNumberEdit::TypeDigit(QChar digit)
{
    QString text = FText;
    int caret = FCurr;
    int sign = FSign;
    if (HasSelection()) {
        const int start = GetSelStart();
        text = TextWithout(start, GetSelEnd());
        caret = std::clamp(start, 0, int(text.size()));
        if (text.isEmpty())
            sign = 1;
    }
    const int d = digit.digitValue();
    if (text.isEmpty()) {
        ClearSelection();
        FText.clear();
        FSign = sign;
        SetValue(FSign * double(d));
        FCurr = ZeroPos();
        ResetCaret();
        return;
    }
    const int length = int(text.size());
    const int zero = FPrecision > 0 ? std::max(0, length - FPrecision - 1) : length;
    // A digit that finds no room is refused with the beep, never dropped silently.
    if (FPrecision > 0) {
        if (caret >= length) {
            MessageBeep();
            return;
        }
        if (caret > zero) {
            text[caret] = digit;
            ++caret;
        } else if (zero == 1 && text.at(0) == QChar('0') && caret < 2) {
            text[0] = digit;
            if (caret == 0)
                caret = 1;
        } else {
            if (FMaxLength > 0 && (FMaxLength <= FPrecision || length >= FMaxLength + 1)) {
                MessageBeep();
                return;
            }
            text.insert(caret, digit);
            ++caret;
        }
    } else {
        if (FMaxLength > 0 && length >= FMaxLength) {
            MessageBeep();
            return;
        }
        if (text == QStringLiteral("0"))
            text = digit;
        else
            text.insert(caret, digit);
        ++caret;
    }
    // Typing that would leave the range of a double is refused.
    if (!std::isfinite(text.toDouble())) {
        MessageBeep();
        return;
    }
    ClearSelection();
    FSign = sign;
    FCurr = std::min(caret, int(text.size()));
    StoreText(text);
}

// Deleting.

QString TKvNumberEdit::TextWithout(int start, int end) const
{
    const int length = int(FText.size());
    start = std::clamp(start, 0, length);
    end = std::clamp(end, start, length);
    if (start == 0 && end == length)
        return QString();
    QString text = FText;
    const int zero = ZeroPos();
    if (FPrecision > 0 && start > zero) {
        for (int i = start; i < end; ++i)
            text[i] = QChar('0');
    } else if (FPrecision > 0 && end > zero) {
        for (int i = zero + 1; i < end; ++i)
            text[i] = QChar('0');
        text.remove(start, zero - start);
    } else {
        text.remove(start, end - start);
    }
    if (text.startsWith(QChar('.')))
        text.prepend(QChar('0'));
    return text;
}

void TKvNumberEdit::DeleteRange(int start, int end, int caret)
{
    const int length = int(FText.size());
    start = std::clamp(start, 0, length);
    end = std::clamp(end, start, length);
    if (start == end)
        return;
    if (start == 0 && end == length) {
        FCurr = 0;
        ClearSelection();
        FSign = 1;
        StoreText(QString());
        return;
    }
    const QString text = TextWithout(start, end);
    FCurr = std::clamp(caret, 0, int(text.size()));
    ClearSelection();
    StoreText(text);
}

void TKvNumberEdit::DeleteSelection()
{
    if (HasSelection()) {
        const int s = GetSelStart();
        DeleteRange(s, GetSelEnd(), s);
    }
}

// Keys.

void TKvNumberEdit::KeyDown(std::uint16_t& key, TShiftState shift)
{
    const bool extend = shift.Contains(ssShift);
    switch (key) {
    case VK_HOME: MoveCaret(0, extend); break;
    case VK_END: MoveCaret(int(FText.size()), extend); break;
    case VK_LEFT: MoveCaret(FCurr - 1, extend); break;
    case VK_RIGHT: MoveCaret(FCurr + 1, extend); break;
    case VK_DELETE:
        if (shift == TShiftState{ssCtrl}) {
            CutToClipboard();
        } else if (CanModify()) {
            if (HasSelection()) {
                DeleteSelection();
            } else if (FPrecision > 0 && FCurr == ZeroPos()) {
                MoveCaret(FCurr + 1, false); // over the point
            } else if (FCurr < int(FText.size())) {
                const bool decimal = FPrecision > 0 && FCurr > ZeroPos();
                DeleteRange(FCurr, FCurr + 1, decimal ? FCurr + 1 : FCurr);
            }
        }
        key = 0;
        break;
    case VK_BACK:
        if (CanModify()) {
            if (HasSelection()) {
                DeleteSelection();
            } else if (FPrecision > 0 && FCurr == ZeroPos() + 1) {
                MoveCaret(FCurr - 1, false); // back over the point
            } else if (FCurr > 0) {
                DeleteRange(FCurr - 1, FCurr, FCurr - 1);
            }
        }
        key = 0;
        break;
    case VK_INSERT:
        if (shift == TShiftState{ssCtrl})
            CopyToClipboard();
        else if (shift == TShiftState{ssShift})
            PasteFromClipboard();
        break;
    default: break;
    }
}

void TKvNumberEdit::KeyPress(QChar& key)
{
    const char16_t c = key.unicode();
    switch (c) {
    case 3: CopyToClipboard(); return;
    case 22: PasteFromClipboard(); return;
    case 24: CutToClipboard(); return;
    default: break;
    }
    if (c < 32)
        return;
    // The locale's decimal point types the point too; its digit group separator is taken
    // and changes nothing.
    const bool point = c == '.' || key == LocaleDecimalSeparator();
    if (!point && QLocale().groupSeparator() == QString(key))
        return;
    const bool valid = (c >= '0' && c <= '9') || c == '-' || (point && FPrecision > 0);
    if (!CanModify() || !valid) {
        MessageBeep();
        return;
    }
    if (c == '-')
        TypeMinus();
    else if (point)
        TypePoint();
    else
        TypeDigit(key);
}

// Clipboard.

void TKvNumberEdit::CopyToClipboard()
{
    if (HasSelection())
        SetClipboardText(FText.mid(GetSelStart(), GetSelEnd() - GetSelStart()));
}

void TKvNumberEdit::CutToClipboard()
{
    if (!HasSelection())
        return;
    CopyToClipboard();
    if (CanModify())
        DeleteSelection();
}

void TKvNumberEdit::PasteFromClipboard()
{
    if (!CanModify() || !ClipboardHasText())
        return;
    // The pasted text is read as a number, in the locale's form or with "." as point; it
    // becomes the whole value. Anything else is refused.
    const QString pasted = GetClipboardText().trimmed();
    bool ok = false;
    double value = QLocale().toDouble(pasted, &ok);
    if (!ok)
        value = QLocale::c().toDouble(pasted, &ok);
    if (ok && !std::isfinite(value))
        ok = false;
    const QString text = ok ? Format(value) : QString();
    const int limit = FMaxLength <= 0 ? -1 : (FPrecision > 0 ? FMaxLength + 1 : FMaxLength);
    if (!ok || (limit >= 0 && text.size() > limit) || (value < 0 && HasRange() && FMinValue >= 0)) {
        MessageBeep();
        return;
    }
    ClearSelection();
    FSign = value < 0 ? -1 : 1;
    FCurr = int(text.size());
    Invalidate();
    StoreText(text);
}

// Geometry.

TRect TKvNumberEdit::GetSpinRect() const
{
    if (!FSpinner)
        return TRect{};
    const TRect r = GetClientRect();
    return TRect{std::max(r.Left, r.Right - SpinWidth()), r.Top, r.Right, r.Bottom};
}

TRect TKvNumberEdit::GetTextRect() const
{
    TRect r = GetClientRect();
    if (FSpinner)
        r.Right = GetSpinRect().Left;
    return r;
}

int TKvNumberEdit::TextTop() const
{
    const TRect r = GetTextRect();
    switch (FLayout) {
    case tlTop: return r.Top;
    case tlBottom: return r.Bottom - FHCaret;
    default: return r.Top + (r.Height() - FHCaret) / 2;
    }
}

// Where each raw position falls in the display text: digits match digits, the point matches
// the locale's decimal point, group separators are skipped.
std::vector<int> TKvNumberEdit::DisplayMap(const QString& display) const
{
    const QChar decimal = LocaleDecimalSeparator();
    std::vector<int> map(size_t(FText.size()) + 1, int(display.size()));
    int j = 0;
    for (int i = 0; i < FText.size(); ++i) {
        const bool isPoint = FText.at(i) == QChar('.');
        while (j < display.size() && !(isPoint ? display.at(j) == decimal : display.at(j).isDigit()))
            ++j;
        map[size_t(i)] = std::min(j, int(display.size()));
        if (j < display.size())
            ++j;
    }
    return map;
}

// A raw position in the display: right after the display character of the raw one before it.
int TKvNumberEdit::DisplayPos(const std::vector<int>& map, int index) const
{
    index = std::clamp(index, 0, int(FText.size()));
    return index == 0 ? map[0] : map[size_t(index - 1)] + 1;
}

int TKvNumberEdit::PositionToX(int index) const
{
    const QString display = DisplayText();
    const std::vector<int> map = DisplayMap(display);
    const QString prefix = (FSign < 0 ? QStringLiteral("-") : QString()) + display.left(DisplayPos(map, index));
    return TextLeft() + int(std::lround(TKvDrawingContext::MeasureText(prefix, DrawingFont()).cx));
}

int TKvNumberEdit::TextLeft() const
{
    const TRect r = GetTextRect();
    if (FAlignment == taLeftJustify || FText.isEmpty())
        return r.Left + 2;
    const QString shown = (FSign < 0 ? QStringLiteral("-") : QString()) + DisplayText();
    const int width = int(std::lround(TKvDrawingContext::MeasureText(shown, DrawingFont()).cx));
    return FAlignment == taRightJustify ? r.Right - 2 - width : r.Left + (r.Width() - width) / 2;
}

void TKvNumberEdit::SetAlignment(TAlignment value)
{
    if (value == FAlignment)
        return;
    FAlignment = value;
    Invalidate();
    ResetCaret();
}

int TKvNumberEdit::IndexAt(int x) const
{
    int best = 0;
    int bestDistance = std::abs(PositionToX(0) - x);
    for (int i = 1; i <= FText.size(); ++i) {
        const int distance = std::abs(PositionToX(i) - x);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void TKvNumberEdit::ResetCaret()
{
    if (!Focused())
        return;
    if (GetCaretOwner() != this)
        CreateCaret(this, FWCaret, FHCaret);
    SetCaretPos(PositionToX(FCurr), TextTop());
    ShowCaret(this);
}

void TKvNumberEdit::Resize()
{
    ResetCaret();
    TCustomControl::Resize();
}

// Mouse and focus.

int TKvNumberEdit::SpinStepAt(int y) const
{
    const TRect r = GetSpinRect();
    return y < r.Top + r.Height() / 2 ? 1 : -1;
}

void TKvNumberEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button != mbLeft)
        return;
    if (CanFocus() && !Focused())
        SetFocus();
    const TRect spin = GetSpinRect();
    if (!spin.IsEmpty() && spin.Contains(TPoint{x, y})) {
        FSpinState = SpinStepAt(y);
        FPressed = true;
        FTracking = true;
        InvalidateRect(&spin);
        return;
    }
    const int index = IndexAt(x);
    if (shift.Contains(ssShift)) {
        MoveCaret(index, true);
    } else {
        FSelecting = true;
        FSelStart = FSelEnd = FCurr = index;
        Invalidate();
        ResetCaret();
    }
}

void TKvNumberEdit::MouseMove(TShiftState shift, int x, int y)
{
    if (FTracking) {
        const TRect spin = GetSpinRect();
        const bool pressed = spin.Contains(TPoint{x, y}) && SpinStepAt(y) == FSpinState;
        if (pressed != FPressed) {
            FPressed = pressed;
            InvalidateRect(&spin);
        }
        return;
    }
    if (shift.Contains(ssLeft) && FSelecting) {
        FSelEnd = FCurr = IndexAt(x);
        Invalidate();
        ResetCaret();
    }
}

void TKvNumberEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!FTracking)
        return;
    FTracking = false;
    const TRect spin = GetSpinRect();
    InvalidateRect(&spin);
    if (FPressed) {
        FPressed = false;
        SpinClick(FSpinState);
    }
}

void TKvNumberEdit::DoEnter()
{
    CreateCaret(this, FWCaret, FHCaret);
    ResetCaret();
    if (FAutoSelect)
        SelectAll();
    TCustomControl::DoEnter();
}

void TKvNumberEdit::DoExit()
{
    if (GetCaretOwner() == this) {
        HideCaret(this);
        DestroyCaret();
    }
    Invalidate();
    if (!(FText.isEmpty() && FEnableNull))
        SetValue(CheckValue(GetValue()));
    TCustomControl::DoExit();
}

// Painting.

void TKvNumberEdit::Paint()
{
    TKvDrawingContext dc(GetCanvas());
    PaintBackground(dc);
    const TRect textRect = GetTextRect();
    if (!FText.isEmpty()) {
        const QString display = DisplayText();
        const QString shown = (FSign < 0 ? QStringLiteral("-") : QString()) + display;
        const int x = TextLeft();
        const int y = TextTop();
        const TKvDrawingState state(&dc);
        dc.SetClip(textRect.Left, textRect.Top, textRect.Width(), textRect.Height());
        dc.DrawText(shown, DrawingFont(), TKvSolidBrush::Temp(TextColor()), x, y);
        if (HasSelection()) {
            const int x1 = PositionToX(GetSelStart());
            const int x2 = PositionToX(GetSelEnd());
            const std::vector<int> map = DisplayMap(display);
            const int offset = FSign < 0 ? 1 : 0;
            const int d1 = DisplayPos(map, GetSelStart()) + offset;
            const int d2 = DisplayPos(map, GetSelEnd()) + offset;
            dc.DrawRect(TKvSolidBrush::Temp(SystemColor(COLOR_HIGHLIGHT)), nullptr, TRect{x1, y, x2, y + FHCaret});
            dc.DrawText(shown.mid(d1, d2 - d1), DrawingFont(), TKvSolidBrush::Temp(SystemColor(COLOR_HIGHLIGHTTEXT)), x1, y);
        }
    }
    const TRect spin = GetSpinRect();
    if (spin.IsEmpty())
        return;
    const int half = spin.Height() / 2;
    const TRect halves[2] = {TRect{spin.Left, spin.Top, spin.Right, spin.Top + half},
                             TRect{spin.Left, spin.Top + half, spin.Right, spin.Bottom}};
    for (int i = 0; i < 2; ++i) {
        const TRect& r = halves[i];
        const bool pressed = FPressed && FSpinState == (i == 0 ? 1 : -1);
        if (FSpinner3D)
            dc.DrawButton(r, GetEnabled(), false, pressed);
        else
            dc.DrawRect(TKvSolidBrush::Temp(SystemColor(pressed ? COLOR_HIGHLIGHT : COLOR_BTNFACE)), TKvStroke::Gray(),
                        TRect{r.Left, r.Top, r.Right - 1, r.Bottom - 1});
        const float cx = (r.Left + r.Right) / 2.0f;
        const float cy = (r.Top + r.Bottom) / 2.0f;
        const float s = std::max(2.0f, std::min(r.Width(), r.Height()) / 4.0f);
        const float dy = i == 0 ? -s / 2 : s / 2;
        dc.DrawPolygon(TKvFill::Black(), nullptr,
                       std::vector<float>{cx - s, cy - dy, cx + s, cy - dy, cx, cy + dy});
    }
}

} // namespace kv
