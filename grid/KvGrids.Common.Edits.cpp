// Edit controls of in-place editors.
//
// Sections
//   1. Masked edit       TKvCustomMaskEdit: custom area, Enter toggling the selection.
//   2. Number edit       raw text rules (typing, deleting, sign, point), display and its map
//                        back to raw positions, caret, clipboard, spin strip, painting.
//   3. Date edit         format parsing into elements, typed input and its validation,
//                        composing the date, caret moves, calendar drop-down, painting.
//
// Call flow: the controls' peers deliver keys as WM_KEYDOWN then WM_CHAR to WndProc, which
// calls InputStarting for characters and input-method compositions first (the hook of
// descendants that wait for the first keystroke) and then KeyDown and KeyPress. Mouse and
// focus arrive as MouseDown/MouseMove/MouseUp and DoEnter/DoExit. Painting goes through a
// drawing context on the paint canvas. Every change of a value ends in OnChange.
#include "grid/KvGrids.Common.Edits.h"

#include "platform/ui/Services.h"

#include <QtCore/QDate>
#include <QtCore/QLocale>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

TKvColor SysColor(TSysColor index)
{
    return TKvColor::CreateFromColor(GetSysColor(index));
}

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

// --- 2. number edit ------------------------------------------------------------------------

TKvNumberEdit::TKvNumberEdit(TComponent* owner) : TCustomControl(owner) {}

TKvNumberEdit::~TKvNumberEdit()
{
    if (GetCaretOwner() == this)
        DestroyCaret();
}

void TKvNumberEdit::AfterConstruction()
{
    FFont = std::make_unique<TFont>();
    FFont->OnChange = [this](TObject*) { FontChanged(); };
    FColor = GetSysColor(COLOR_WINDOW);
    SetControlStyle(GetControlStyle() + csOpaque + csInputMethod);
    TCustomControl::AfterConstruction();
    SetBorderStyle(bsSingle);
    SetTabStop(true);
    SetCursor(crIBeam);
    SetBounds(GetLeft(), GetTop(), 121, 21);
    FontChanged();
}

void TKvNumberEdit::FontChanged()
{
    FKvFont = TKvFont::CreateFrom(FFont.get());
    FHCaret = std::max(1, int(std::ceil(FKvFont->GetHeight())));
    ResetCaret();
    Invalidate();
}

void TKvNumberEdit::SetColor(TColor value)
{
    FColor = value;
    Invalidate();
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
    if (accept)
        SetValue(CheckValue(GetValue() + Delta));
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
    return QString(zeros, QChar('0')) + text;
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
    if (FText.isEmpty())
        return;
    ClearSelection();
    const int zero = ZeroPos();
    FCurr = FCurr >= zero ? zero + 1 : zero;
    FCurr = std::min(FCurr, int(FText.size()));
    ResetCaret();
}

void TKvNumberEdit::TypeDigit(QChar digit)
{
    if (HasSelection())
        DeleteSelection();
    ClearSelection();
    const int d = digit.digitValue();
    if (FText.isEmpty()) {
        FText.clear();
        SetValue(FSign * double(d));
        FCurr = ZeroPos();
        ResetCaret();
        return;
    }
    QString text = FText;
    int caret = FCurr;
    const int length = int(text.size());
    const int zero = ZeroPos();
    if (FPrecision > 0) {
        if (caret >= length)
            return;
        if (caret > zero) {
            text[caret] = digit;
            ++caret;
        } else if (zero == 1 && text.at(0) == QChar('0') && caret < 2) {
            text[0] = digit;
            if (caret == 0)
                caret = 1;
        } else {
            if (FMaxLength > 0 && FMaxLength <= FPrecision)
                return;
            if (FMaxLength > 0 && length >= FMaxLength + 1)
                return;
            text.insert(caret, digit);
            ++caret;
        }
    } else {
        if (FMaxLength > 0 && length >= FMaxLength)
            return;
        if (text == QStringLiteral("0"))
            text = digit;
        else
            text.insert(caret, digit);
        ++caret;
    }
    FCurr = std::min(caret, int(text.size()));
    StoreText(text);
}

// Deleting.

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

void TKvNumberEdit::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_GETDLGCODE: message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS; return;
    case WM_CHAR:
        if (IsInputChar(message.WParam) && CanModify())
            InputStarting();
        break;
    case WM_IME_STARTCOMPOSITION:
        if (CanModify())
            InputStarting();
        return;
    default: break;
    }
    TCustomControl::WndProc(message);
}

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
    // The locale's decimal point types the point too.
    const bool point = c == '.' || key == LocaleDecimalSeparator();
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
    return GetTextRect().Left + 2 + int(std::lround(TKvDrawingContext::MeasureText(prefix, FKvFont.get()).cx));
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
    const TRect client = GetClientRect();
    dc.DrawRect(TKvSolidBrush::Temp(TKvColor::CreateFromColor(FColor)), nullptr, client);
    const TRect textRect = GetTextRect();
    if (!FText.isEmpty()) {
        const QString display = DisplayText();
        const QString shown = (FSign < 0 ? QStringLiteral("-") : QString()) + display;
        const int x = textRect.Left + 2;
        const int y = TextTop();
        const std::uint32_t state = dc.Save();
        dc.SetClip(textRect.Left, textRect.Top, textRect.Width(), textRect.Height());
        const TKvColor textColor = GetEnabled() ? TKvColor::CreateFromColor(FFont->GetColor()) : SysColor(COLOR_GRAYTEXT);
        dc.DrawText(shown, FKvFont.get(), TKvSolidBrush::Temp(textColor), x, y);
        if (HasSelection()) {
            const int x1 = PositionToX(GetSelStart());
            const int x2 = PositionToX(GetSelEnd());
            const std::vector<int> map = DisplayMap(display);
            const int offset = FSign < 0 ? 1 : 0;
            const int d1 = DisplayPos(map, GetSelStart()) + offset;
            const int d2 = DisplayPos(map, GetSelEnd()) + offset;
            dc.DrawRect(TKvSolidBrush::Temp(SysColor(COLOR_HIGHLIGHT)), nullptr, TRect{x1, y, x2, y + FHCaret});
            dc.DrawText(shown.mid(d1, d2 - d1), FKvFont.get(), TKvSolidBrush::Temp(SysColor(COLOR_HIGHLIGHTTEXT)), x1, y);
        }
        dc.Restore(state);
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
            dc.DrawRect(TKvSolidBrush::Temp(SysColor(pressed ? COLOR_HIGHLIGHT : COLOR_BTNFACE)), TKvStroke::Gray(),
                        TRect{r.Left, r.Top, r.Right - 1, r.Bottom - 1});
        const float cx = (r.Left + r.Right) / 2.0f;
        const float cy = (r.Top + r.Bottom) / 2.0f;
        const float s = std::max(2.0f, std::min(r.Width(), r.Height()) / 4.0f);
        const float dy = i == 0 ? -s / 2 : s / 2;
        dc.DrawPolygon(TKvFill::Black(), nullptr,
                       std::vector<float>{cx - s, cy - dy, cx + s, cy - dy, cx, cy + dy});
    }
}

// --- 3. date edit --------------------------------------------------------------------------

namespace {

QDate DateOf(TDateTime d)
{
    const QDateTime dt = DateTimeToQDateTime(d);
    return dt.isValid() ? dt.date() : QDate(1899, 12, 30);
}

TDateTime Today()
{
    return QDateToDateTime(QDate::currentDate());
}

// The date of day carrying the time of day of source.
TDateTime WithTimeOf(TDateTime day, TDateTime source)
{
    const double fraction = std::fabs(source - std::trunc(source));
    return day >= 0 ? day + fraction : day - fraction;
}

} // namespace

QString TKvDateEdit::TNumber::GetText() const
{
    if (!FInput.isEmpty())
        return FInput;
    QString s = QString::number(FValue).rightJustified(FDigits, FPadding ? QChar('0') : QChar(' '));
    return s.right(FDigits);
}

TKvDateEdit::TKvDateEdit(TComponent* owner) : TCustomControl(owner) {}

TKvDateEdit::~TKvDateEdit() = default;

void TKvDateEdit::AfterConstruction()
{
    FMinDate = EncodeDate(2000, 1, 1);
    FMaxDate = EncodeDate(2200, 12, 31);
    FDate = FMinDate;
    FFont = std::make_unique<TFont>();
    FFont->OnChange = [this](TObject*) { FontChanged(); };
    FColor = GetSysColor(COLOR_WINDOW);
    FCalendar = std::make_unique<TPopupCalendar>();
    FCalendar->OnCloseUp = [this](TObject*, bool accept) { CloseUp(accept); };
    // Keys typed while the calendar holds the keyboard are the edit's.
    FCalendar->OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState shift) {
        Perform(WM_KEYDOWN, key, ShiftStateBits(shift));
        key = 0;
    };
    FCalendar->OnKeyPress = [this](TObject*, QChar& key) {
        Perform(WM_CHAR, key.unicode(), 0);
        key = QChar(0);
    };
    SetControlStyle(GetControlStyle() + csOpaque + csInputMethod);
    TCustomControl::AfterConstruction();
    SetBorderStyle(bsSingle);
    SetTabStop(true);
    SetBounds(GetLeft(), GetTop(), 121, 21);
    Measure();
    ParseFormat();
}

void TKvDateEdit::Measure()
{
    FKvFont = TKvFont::CreateFrom(FFont.get());
    float w = 1, h = 1;
    for (const QChar c : QStringLiteral("0123456789-./:")) {
        const TSizeF size = TKvDrawingContext::MeasureText(QString(c), FKvFont.get());
        w = std::max(w, size.cx);
        h = std::max(h, size.cy);
    }
    FWChar = int(std::ceil(w));
    FHChar = int(std::ceil(h));
}

void TKvDateEdit::FontChanged()
{
    Measure();
    Invalidate();
}

void TKvDateEdit::SetColor(TColor value)
{
    FColor = value;
    Invalidate();
}

void TKvDateEdit::Change()
{
    if (OnChange)
        OnChange(this);
}

int TKvDateEdit::YearOf(TDateTime d) const
{
    return DateOf(d).year();
}

// Format.

void TKvDateEdit::ParseFormat()
{
    QString format;
    if (FUseSystemFormat) {
        // The locale's short date format: its day, month and year runs, the rest separators.
        for (const QChar c : LocaleShortDateFormat()) {
            const QChar l = c.toLower();
            if (l == QChar('d') || l == QChar('m') || l == QChar('y'))
                format += l;
            else if (!c.isLetter() && !c.isSpace() && c != QChar('\''))
                format += QChar('/');
        }
    } else {
        format = FFormat.trimmed();
    }
    if (format.isEmpty())
        format = QStringLiteral("yyyy/mm/dd");
    format = format.toLower();
    const QString separator = FUseSystemSeparator ? QString(LocaleDateSeparator()) : QString(FSeparator);

    std::vector<std::unique_ptr<TElement>> elements;
    for (int i = 0; i < format.size();) {
        const QChar c = format.at(i);
        int j = i;
        while (j < format.size() && format.at(j) == c)
            ++j;
        const int run = j - i;
        if (c == QChar('/')) {
            for (int k = 0; k < run; ++k) {
                auto sep = std::make_unique<TSeperator>();
                sep->FText = separator;
                elements.push_back(std::move(sep));
            }
        } else if (c == QChar('d') || c == QChar('m') || c == QChar('y')) {
            std::unique_ptr<TNumber> number;
            if (c == QChar('d'))
                number = std::make_unique<TDay>();
            else if (c == QChar('m'))
                number = std::make_unique<TMonth>();
            else
                number = std::make_unique<TYear>();
            number->FDigits = c == QChar('y') && run >= 3 ? 4 : 2;
            number->FPadding = c == QChar('y') ? (run == 2 || run >= 4) : run >= 2;
            elements.push_back(std::move(number));
        } else {
            throw EConvertError(QStringLiteral("Invalid format character: ") + c);
        }
        i = j;
    }
    for (size_t k = 0; k < elements.size(); ++k)
        elements[k]->FIndex = int(k);
    FElements = std::move(elements);
    FCaret = -1;
    FCurrent = nullptr;
    const int first = FirstNumber();
    if (first >= 0) {
        FCaret = first;
        FCurrent = FElements[size_t(first)].get();
    }
    EncodeElements();
    Invalidate();
}

void TKvDateEdit::EncodeElements()
{
    const QDate date = DateOf(FDate);
    for (const auto& e : FElements) {
        if (auto* y = dynamic_cast<TYear*>(e.get()))
            y->FValue = date.year();
        else if (auto* m = dynamic_cast<TMonth*>(e.get()))
            m->FValue = date.month();
        else if (auto* d = dynamic_cast<TDay*>(e.get()))
            d->FValue = date.day();
    }
}

void TKvDateEdit::SetFormat(const QString& value)
{
    const QString previous = FFormat;
    FFormat = value;
    try {
        ParseFormat();
    } catch (...) {
        FFormat = previous;
        throw;
    }
}

void TKvDateEdit::SetSeparator(QChar value)
{
    FSeparator = value;
    ParseFormat();
}

void TKvDateEdit::SetUseSystemFormat(bool value)
{
    FUseSystemFormat = value;
    ParseFormat();
}

void TKvDateEdit::SetUseSystemSeparator(bool value)
{
    FUseSystemSeparator = value;
    ParseFormat();
}

void TKvDateEdit::SetPaddingLeft(int value)
{
    FPaddingLeft = value;
    Invalidate();
}

void TKvDateEdit::PeerCreated()
{
    TCustomControl::PeerCreated();
    Invalidate();
}

void TKvDateEdit::Loaded()
{
    TCustomControl::Loaded();
    ParseFormat();
}

QString TKvDateEdit::GetDisplayText() const
{
    if (FNull)
        return QString();
    QString s;
    for (const auto& e : FElements)
        s += e->GetText();
    return s;
}

int TKvDateEdit::ElementX(int index) const
{
    int cells = 0;
    for (int i = 0; i < index && i < int(FElements.size()); ++i) {
        const TElement* e = FElements[size_t(i)].get();
        cells += e->IsNumber() ? static_cast<const TNumber*>(e)->FDigits : int(e->GetText().size());
    }
    return FPaddingLeft + cells * FWChar;
}

// Values.

void TKvDateEdit::SetDate(TDateTime D)
{
    const bool wasNull = FNull;
    FNull = false;
    if (D != FDate || wasNull) {
        FDate = D;
        for (const auto& e : FElements)
            if (e->IsNumber())
                static_cast<TNumber*>(e.get())->FInput.clear();
        EncodeElements();
        if (FCaret < 0 || !FCurrent)
            SetCaret(FirstNumber());
    }
    Invalidate();
}

void TKvDateEdit::SetNull()
{
    if (FNull)
        return;
    FNull = true;
    for (const auto& e : FElements)
        if (e->IsNumber())
            static_cast<TNumber*>(e.get())->FInput.clear();
    FCaret = FirstNumber();
    FCurrent = FCaret >= 0 ? FElements[size_t(FCaret)].get() : nullptr;
    Invalidate();
    Change();
}

void TKvDateEdit::SetMinDate(TDateTime D)
{
    if (D == FMinDate)
        return;
    FMinDate = D;
    if (FDate < D)
        SetDate(D);
}

void TKvDateEdit::SetMaxDate(TDateTime D)
{
    if (D == FMaxDate)
        return;
    FMaxDate = D;
    if (FDate > D)
        SetDate(D);
}

bool TKvDateEdit::Validate(TNumber* element, const QString& input) const
{
    if (input.isEmpty())
        return false;
    bool ok = false;
    const int n = input.toInt(&ok);
    if (!ok)
        return false;
    const QDate current = DateOf(FNull ? Today() : FDate);
    if (dynamic_cast<TMonth*>(element))
        return n >= 1 && n <= 12;
    if (dynamic_cast<TDay*>(element))
        return n >= 1 && n <= current.daysInMonth();
    return n <= YearOf(FMaxDate);
}

int TKvDateEdit::InputValue(TNumber* element, const QString& input) const
{
    const int n = input.toInt();
    if (!dynamic_cast<TYear*>(element) || input.size() >= 4)
        return n;
    const QString year = QString::number(DateOf(FNull ? Today() : FDate).year()).rightJustified(4, QChar('0'));
    return (year.left(4 - int(input.size())) + input).toInt();
}

void TKvDateEdit::DoChanged(TNumber* element)
{
    const TDateTime previous = FDate;
    const QDate base = DateOf(FNull ? Today() : FDate);
    int y = base.year(), m = base.month(), d = base.day();
    for (const auto& e : FElements) {
        if (auto* ye = dynamic_cast<TYear*>(e.get()))
            y = ye->FValue;
        else if (auto* me = dynamic_cast<TMonth*>(e.get()))
            m = me->FValue;
        else if (auto* de = dynamic_cast<TDay*>(e.get()))
            d = de->FValue;
    }
    // Only a year the user typed is held to the range; the other elements of an existing
    // date stay as they are.
    if (dynamic_cast<TYear*>(element))
        y = std::clamp(y, YearOf(FMinDate), YearOf(FMaxDate));
    y = std::clamp(y, 1, 9999);
    m = std::clamp(m, 1, 12);
    d = std::clamp(d, 1, QDate(y, m, 1).daysInMonth());
    FDate = WithTimeOf(EncodeDate(y, m, d), FNull ? 0.0 : FDate);
    FNull = false;
    EncodeElements();
    Invalidate();
    if (std::trunc(FDate) != std::trunc(previous))
        Change();
}

// Caret.

TKvDateEdit::TNumber* TKvDateEdit::Current() const
{
    return FCurrent && FCurrent->IsNumber() ? static_cast<TNumber*>(FCurrent) : nullptr;
}

int TKvDateEdit::FirstNumber() const
{
    for (size_t i = 0; i < FElements.size(); ++i)
        if (FElements[i]->IsNumber())
            return int(i);
    return -1;
}

void TKvDateEdit::TakeInput()
{
    TNumber* e = Current();
    if (!e || e->FInput.isEmpty())
        return;
    const QString input = e->FInput;
    e->FInput.clear();
    if (!Validate(e, input))
        return;
    int value = InputValue(e, input);
    if (dynamic_cast<TYear*>(e))
        value = std::clamp(value, YearOf(FMinDate), YearOf(FMaxDate));
    e->FValue = value;
    DoChanged(e);
}

void TKvDateEdit::SetCaret(int Index)
{
    if (FNull)
        return;
    TakeInput();
    if (Index >= 0 && Index < int(FElements.size()) && FElements[size_t(Index)]->IsNumber()) {
        FCaret = Index;
        FCurrent = FElements[size_t(Index)].get();
    }
    Invalidate();
}

void TKvDateEdit::MoveCaret(int Delta)
{
    const int count = int(FElements.size());
    if (count == 0)
        return;
    const int target = std::clamp(FCaret + Delta, 0, count - 1);
    auto isNumber = [this](int i) { return FElements[size_t(i)]->IsNumber(); };
    int found = -1;
    if (Delta >= 0) {
        for (int i = target; i < count && found < 0; ++i)
            if (isNumber(i))
                found = i;
        for (int i = target - 1; i >= 0 && found < 0; --i)
            if (isNumber(i))
                found = i;
    } else {
        for (int i = target; i >= 0 && found < 0; --i)
            if (isNumber(i))
                found = i;
        for (int i = target + 1; i < count && found < 0; ++i)
            if (isNumber(i))
                found = i;
    }
    if (found >= 0)
        SetCaret(found);
}

bool TKvDateEdit::GetCaretFirst() const
{
    for (int i = 0; i < FCaret && i < int(FElements.size()); ++i)
        if (FElements[size_t(i)]->IsNumber())
            return false;
    return true;
}

bool TKvDateEdit::GetCaretLast() const
{
    for (int i = std::max(0, FCaret + 1); i < int(FElements.size()); ++i)
        if (FElements[size_t(i)]->IsNumber())
            return false;
    return true;
}

void TKvDateEdit::Commit()
{
    if (FNull)
        return;
    MoveCaret(-1);
    DoChanged(nullptr);
}

// Calendar.

void TKvDateEdit::DropDown(bool Capture)
{
    if (FListVisible)
        return;
    Commit();
    FCalendar->SetDate(FNull ? Today() : FDate);
    const int border = GetClientOrigin().X;
    TPoint p = ClientToScreen(this, TPoint{-border, GetClientHeight() + border});
    p.Y += 1;
    FListVisible = true;
    FCalendar->Popup(p);
    if (OnDropDown)
        OnDropDown(this);
}

void TKvDateEdit::CloseUp(bool Accept)
{
    if (!FListVisible)
        return;
    FListVisible = false;
    FCalendar->Hide();
    if (Accept) {
        SetDate(WithTimeOf(FCalendar->GetDate(), FNull ? 0.0 : FDate));
        Change();
    }
    if (OnCloseUp)
        OnCloseUp(this);
}

bool TKvDateEdit::CalendarKey(std::uint16_t key, TShiftState shift)
{
    const bool alt = shift.Contains(ssAlt);
    if (FListVisible && !alt && (key == VK_RETURN || key == VK_ESCAPE)) {
        CloseUp(key == VK_RETURN);
        return true;
    }
    if (alt && (key == VK_UP || key == VK_DOWN)) {
        if (FListVisible)
            CloseUp(true);
        else
            DropDown(true);
        return true;
    }
    if (FListVisible) {
        switch (key) {
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: FCalendar->SendKey(key, shift); return true;
        default: break;
        }
    }
    return false;
}

// Input.

void TKvDateEdit::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_GETDLGCODE: message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS; return;
    case WM_KEYDOWN:
        if (CalendarKey(std::uint16_t(message.WParam), ShiftStateOf(message.LParam))) {
            message.Result = 1;
            return;
        }
        break;
    case WM_CHAR:
        if (IsInputChar(message.WParam) && GetEnabled())
            InputStarting();
        break;
    case WM_IME_STARTCOMPOSITION:
        if (GetEnabled())
            InputStarting();
        return;
    default: break;
    }
    TCustomControl::WndProc(message);
}

void TKvDateEdit::KeyDown(std::uint16_t& key, TShiftState shift)
{
    switch (key) {
    case VK_LEFT: MoveCaret(-1); break;
    case VK_RIGHT: MoveCaret(1); break;
    case VK_DELETE:
        if (!FReadOnly)
            SetNull();
        break;
    default: break;
    }
}

void TKvDateEdit::KeyPress(QChar& key)
{
    if (key.unicode() == 27) {
        CloseUp(false);
        key = QChar(0);
        return;
    }
    if (FReadOnly || key.unicode() < 32)
        return;
    if (key.isDigit() && key.unicode() < 128) {
        TypeDigit(key);
        return;
    }
    bool separator = key == QChar('/') || key == QChar('.') || key == QChar('-');
    for (const auto& e : FElements)
        if (!e->IsNumber() && e->GetText().startsWith(key))
            separator = true;
    if (!separator || FNull)
        return;
    if (GetCaretLast())
        SetCaret(FirstNumber());
    else
        MoveCaret(1);
}

void TKvDateEdit::TypeDigit(QChar digit)
{
    if (FNull) {
        FNull = false;
        FCaret = -1;
        FCurrent = nullptr;
        SetCaret(FirstNumber());
        Change();
    }
    TNumber* e = Current();
    if (!e)
        return;
    const QString input = e->FInput.size() < e->FDigits ? e->FInput + digit : QString(digit);
    if (Validate(e, input)) {
        e->FInput = input;
        if (input.size() >= e->FDigits) {
            e->FValue = InputValue(e, input);
            e->FInput.clear();
            DoChanged(e);
        }
    } else {
        e->FInput = QString(digit);
    }
    Invalidate();
}

void TKvDateEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button != mbLeft)
        return;
    if (CanFocus() && !Focused())
        SetFocus();
    int chosen = FirstNumber();
    for (int i = 0; i < int(FElements.size()); ++i)
        if (FElements[size_t(i)]->IsNumber() && ElementX(i) < x)
            chosen = i;
    SetCaret(chosen);
}

void TKvDateEdit::DoEnter()
{
    Invalidate();
    TCustomControl::DoEnter();
}

void TKvDateEdit::DoExit()
{
    CloseUp(false);
    TakeInput();
    Invalidate();
    TCustomControl::DoExit();
}

void TKvDateEdit::Paint()
{
    TKvDrawingContext dc(GetCanvas());
    const TRect client = GetClientRect();
    dc.DrawRect(TKvSolidBrush::Temp(TKvColor::CreateFromColor(FColor)), nullptr, client);
    if (FNull)
        return;
    const int y = client.Top + (client.Height() - FHChar) / 2;
    const TKvColor text = GetEnabled() ? TKvColor::CreateFromColor(FFont->GetColor()) : SysColor(COLOR_GRAYTEXT);
    for (int i = 0; i < int(FElements.size()); ++i) {
        const TElement* e = FElements[size_t(i)].get();
        const QString s = e->GetText();
        int x = ElementX(i);
        const bool current = e == FCurrent;
        if (current)
            dc.DrawRect(TKvSolidBrush::Temp(SysColor(COLOR_HIGHLIGHT)), nullptr,
                        TRect::Bounds(x, y, int(s.size()) * FWChar, FHChar));
        for (const QChar c : s) {
            dc.DrawText(QString(c), FKvFont.get(), TKvSolidBrush::Temp(current ? SysColor(COLOR_HIGHLIGHTTEXT) : text),
                        TRect::Bounds(x, y, FWChar, FHChar), AlignCenter, AlignCenter);
            x += FWChar;
        }
    }
}

} // namespace kv
