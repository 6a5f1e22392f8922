// The date edit: format parsing into elements, typed input and its validation, composing the
// date, caret moves, the calendar drop-down and painting.
//
// Sections: elements and construction; format; values (set, null, bounds, validation,
// DoChanged); caret (taking typed input over, moves); calendar (drop-down, close-up, its
// keys); input (keys, characters, mouse, focus); painting.
//
// Call flow: a typed digit goes into the current element's input (Validate); a complete input
// becomes the element's value and DoChanged composes the date from all elements; leaving an
// element (SetCaret) takes a partial input over the same way. A part refused while typed (a
// day the month lacks, a year out of range) stays refused until a value is typed into it, and
// CheckDate refuses the date until then. The calendar reports a pick or a press outside
// through CloseUp; while it is open the keys typed into it come back here.
#include "grid/KvGrids.Common.Edits.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Services.h"

#include <QtCore/QDate>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kv {


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

TKvDateEdit::TKvDateEdit(TComponent* owner) : TKvCustomDrawnEdit(owner) {}

TKvDateEdit::~TKvDateEdit() = default;

void TKvDateEdit::AfterConstruction()
{
    FMinDate = EncodeDate(2000, 1, 1);
    FMaxDate = EncodeDate(2200, 12, 31);
    FDate = FMinDate;
    FCalendar = std::make_unique<TKvDateList>();
    FCalendar->OnRequestCloseUp = [this](TObject*, bool accept) { CloseUp(accept); };
    // Keys typed while the calendar holds the keyboard are the edit's.
    FCalendar->OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState shift) {
        Perform(WM_KEYDOWN, key, ShiftStateBits(shift));
        key = 0;
    };
    FCalendar->OnKeyPress = [this](TObject*, QChar& key) {
        Perform(WM_CHAR, key.unicode(), 0);
        key = QChar(0);
    };
    TKvCustomDrawnEdit::AfterConstruction();
    ParseFormat();
}

void TKvDateEdit::Measure()
{
    float w = 1, h = 1;
    for (const QChar c : QStringLiteral("0123456789-./:")) {
        const TSizeF size = TKvDrawingContext::MeasureText(QString(c), DrawingFont());
        w = std::max(w, size.cx);
        h = std::max(h, size.cy);
    }
    FWChar = int(std::ceil(w));
    FHChar = int(std::ceil(h));
}

void TKvDateEdit::FontChanged()
{
    TKvCustomDrawnEdit::FontChanged();
    Measure();
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
    ResetTyping();
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
    TRestore<QString> previous(FFormat, value);
    ParseFormat();
    previous.Commit();
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
    ResetTyping();
    if (D != FDate || wasNull) {
        FDate = D;
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
    ResetTyping();
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
    if (dynamic_cast<TMonth*>(element))
        return n >= 1 && n <= 12;
    if (dynamic_cast<TDay*>(element))
        return n >= 1 && n <= DayLimit();
    return n <= YearOf(FMaxDate);
}

int TKvDateEdit::DayIndex() const
{
    for (const auto& e : FElements)
        if (dynamic_cast<const TDay*>(e.get()))
            return e->FIndex;
    return -1;
}

int TKvDateEdit::DayLimit() const
{
    int month = -1, year = -1;
    for (const auto& e : FElements) {
        if (dynamic_cast<const TMonth*>(e.get()))
            month = e->FIndex;
        else if (dynamic_cast<const TYear*>(e.get()))
            year = e->FIndex;
    }
    const int day = DayIndex();
    const QDate current = DateOf(FNull ? Today() : FDate);
    if (month > day)
        return 31;
    if (year > day)
        return QDate(2000, current.month(), 1).daysInMonth(); // the month in a leap year
    return current.daysInMonth();
}

bool TKvDateEdit::InputComplete(TNumber* element, const QString& input) const
{
    if (input.size() >= element->FDigits)
        return true;
    if (dynamic_cast<TYear*>(element))
        return false;
    const int limit = dynamic_cast<TMonth*>(element) ? 12 : 31;
    return input.toInt() * 10 > limit;
}

bool TKvDateEdit::TypedDayFits(TNumber* element, int value, int& year, int& month) const
{
    const QDate current = DateOf(FNull ? Today() : FDate);
    year = current.year();
    month = current.month();
    if (dynamic_cast<TYear*>(element))
        year = std::clamp(value, YearOf(FMinDate), YearOf(FMaxDate));
    else if (dynamic_cast<TMonth*>(element))
        month = std::clamp(value, 1, 12);
    else
        return true;
    const int day = DayIndex();
    if (FTypedDay <= 0 || day < 0 || element->FIndex < day)
        return true;
    // A year still to come may yet make it a leap year.
    bool yearLater = false;
    for (const auto& e : FElements)
        if (dynamic_cast<const TYear*>(e.get()) && e->FIndex > element->FIndex)
            yearLater = true;
    return FTypedDay <= QDate(yearLater ? 2000 : year, month, 1).daysInMonth();
}

void TKvDateEdit::Refuse(TNumber* element, const QString& message)
{
    element->FInput.clear();
    FRefused = element->FIndex;
    FRefusal = message;
    Invalidate();
    MessageBeep();
    ShowException(message);
}

void TKvDateEdit::RefuseDate(TNumber* element, int year, int month, int day)
{
    Refuse(element, QStringLiteral("'%1-%2-%3' is not a valid date")
                        .arg(year, 4, 10, QChar('0'))
                        .arg(month, 2, 10, QChar('0'))
                        .arg(day, 2, 10, QChar('0')));
}

QString TKvDateEdit::RangeMessage(const QString& text, bool before) const
{
    const QString format = QStringLiteral("yyyy-MM-dd");
    return before ? QStringLiteral("'%1' is before the first date %2").arg(text, DateOf(FMinDate).toString(format))
                  : QStringLiteral("'%1' is after the last date %2").arg(text, DateOf(FMaxDate).toString(format));
}

bool TKvDateEdit::AcceptYear(TNumber* element, int year)
{
    const bool before = year < YearOf(FMinDate);
    if (!before && year <= YearOf(FMaxDate))
        return true;
    Refuse(element, RangeMessage(QString::number(year), before));
    return false;
}

bool TKvDateEdit::TakeValue(TNumber* element, int value)
{
    if (dynamic_cast<TYear*>(element) && !AcceptYear(element, value))
        return false;
    int year = 0, month = 0;
    if (!TypedDayFits(element, value, year, month)) {
        RefuseDate(element, year, month, FTypedDay);
        return false;
    }
    element->FValue = value;
    element->FInput.clear();
    if (FRefused == element->FIndex) {
        FRefused = -1;
        FRefusal.clear();
    }
    DoChanged(element);
    return true;
}

void TKvDateEdit::ResetTyping()
{
    FTypedDay = 0;
    FMovedOn = false;
    FRefused = -1;
    FRefusal.clear();
    for (const auto& e : FElements)
        if (e->IsNumber())
            static_cast<TNumber*>(e.get())->FInput.clear();
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
    // A typed day outlives a month or year that cannot hold it yet, so that a date typed day
    // first keeps its day once the rest is typed.
    if (dynamic_cast<TDay*>(element))
        FTypedDay = d;
    else if (element && FTypedDay > 0 && element->FIndex > DayIndex())
        d = FTypedDay;
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
    if (Validate(e, input))
        TakeValue(e, InputValue(e, input));
}

void TKvDateEdit::SetCaret(int Index)
{
    if (FNull)
        return;
    FMovedOn = false;
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

void TKvDateEdit::CheckDate()
{
    if (FNull)
        return;
    if (FRefused >= 0 && FRefused < int(FElements.size())) {
        const QString message = FRefusal;
        SetCaret(FRefused);
        throw EConvertError(message);
    }
    const QDate date = DateOf(FDate);
    if (date < DateOf(FMinDate) || date > DateOf(FMaxDate))
        throw EConvertError(RangeMessage(date.toString(QStringLiteral("yyyy-MM-dd")), date < DateOf(FMinDate)));
}

// Calendar.

void TKvDateEdit::DropDown(bool Capture)
{
    if (FListVisible)
        return;
    Commit();
    FCalendar->SetDate(FNull ? Today() : FDate);
    const int border = GetClientOrigin().X;
    TPoint p = ClientToScreen(TPoint{-border, GetClientHeight() + border});
    p.Y += 1;
    const int top = ClientToScreen(TPoint{0, -border}).Y - 1;
    FListVisible = true;
    FCalendar->Popup(p, top);
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
    if (message.Msg == WM_KEYDOWN && CalendarKey(std::uint16_t(message.WParam), ShiftStateOf(message.LParam))) {
        message.Result = 1;
        return;
    }
    TKvCustomDrawnEdit::WndProc(message);
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
    const bool movedOn = std::exchange(FMovedOn, false);
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
    // A separator right after a complete part only confirms the move that part made.
    if (!separator || FNull || movedOn)
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
        // A complete part is taken and the caret moves on to the next one.
        if (InputComplete(e, input)) {
            if (!TakeValue(e, InputValue(e, input)))
                return;
            if (!GetCaretLast()) {
                MoveCaret(1);
                FMovedOn = true;
            }
        }
    } else if (dynamic_cast<TMonth*>(e)) {
        // A month no date has starts the month again with the digit: 1 then 3 gives 3.
        e->FInput = QString(digit);
    } else if (input.size() >= e->FDigits) {
        // A whole year beyond the range, or a day that no date or not this month has: refused,
        // and the user types it again.
        const int n = input.toInt();
        if (dynamic_cast<TYear*>(e)) {
            AcceptYear(e, n);
            return;
        }
        const QDate current = DateOf(FNull ? Today() : FDate);
        RefuseDate(e, current.year(), current.month(), n);
        return;
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
    PaintBackground(dc);
    if (FNull)
        return;
    const TRect client = GetClientRect();
    const int y = client.Top + (client.Height() - FHChar) / 2;
    const TKvColor text = TextColor();
    for (int i = 0; i < int(FElements.size()); ++i) {
        const TElement* e = FElements[size_t(i)].get();
        const QString s = e->GetText();
        int x = ElementX(i);
        const bool current = e == FCurrent;
        if (current)
            dc.DrawRect(TKvSolidBrush::Temp(SystemColor(COLOR_HIGHLIGHT)), nullptr,
                        TRect::Bounds(x, y, int(s.size()) * FWChar, FHChar));
        for (const QChar c : s) {
            dc.DrawText(QString(c), DrawingFont(), TKvSolidBrush::Temp(current ? SystemColor(COLOR_HIGHLIGHTTEXT) : text),
                        TRect::Bounds(x, y, FWChar, FHChar), AlignCenter, AlignCenter);
            x += FWChar;
        }
    }
}

} // namespace kv
