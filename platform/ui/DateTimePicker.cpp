// The date picker.
//
// Sections: the filter of the date edit and of its calendar window; the picker's peer and
// look; values; drop-down.
//
// Call flow: CreatePeer makes the check box and the date edit (with the filter) over the
// client area. The filter turns key presses into WM_KEYDOWN/WM_CHAR through the peer (eating
// what the control consumed), reports compositions and focus changes, and runs DoDropDown
// before a press on the drop-down button reaches the edit. The calendar window's showing and
// hiding set the dropped-down state; its closing runs DoCloseUp. The edit's date changes and
// the check box's toggles end in Change.
#include "platform/ui/DateTimePicker.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "platform/ui/ControlPeer.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Services.h"

#include <QtCore/QPointer>
#include <QtGui/QFocusEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCalendarWidget>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QDateEdit>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOption>

namespace kv {

KV_PUBLISH_ENUM(TDTDateFormat, "dfShort", "dfLong");

namespace {

QColor ToQColor(TColor color)
{
    const auto c = static_cast<std::uint32_t>(color);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// An exception of a handler run from a Qt event or signal stops here and is shown.
template <typename F>
void Guarded(F&& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(QStringLiteral("Unknown exception"));
    }
}

// The dates the edit can show.
const QDate kMinDate(100, 1, 1);
const QDate kMaxDate(9999, 12, 31);

} // namespace

// --- filter -------------------------------------------------------------------------------

class TDateTimePickerFilter : public QObject
{
public:
    TDateTimePickerFilter(TControlPeer* peer, TDateTimePicker* picker, QObject* parent)
        : QObject(parent), FPeer(peer), FPicker(picker)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (!FPeer->Control() || FInner)
            return false;
        if (watched != FPicker->DateEdit()) {
            // The calendar's window.
            if (e->type() == QEvent::Show || e->type() == QEvent::Hide)
                FPicker->CalendarShown(e->type() == QEvent::Show);
            return false;
        }
        auto* widget = static_cast<QWidget*>(watched);
        switch (e->type()) {
        case QEvent::KeyPress: {
            const TKeyResult r = SendKeyPress(FPeer, static_cast<QKeyEvent*>(e));
            return r.Gone || r.KeyConsumed || r.CharConsumed;
        }
        case QEvent::KeyRelease: {
            auto* ke = static_cast<QKeyEvent*>(e);
            const std::uint16_t vk = VirtualKeyFromQt(ke->key(), ke->modifiers());
            if (vk != 0) {
                TMessage m{WM_KEYUP, vk, ShiftStateBits(ShiftStateFromQt(ke->modifiers(), Qt::NoButton)), 0};
                FPeer->Send(m);
            }
            return false;
        }
        case QEvent::InputMethod: return !SendInputMethod(FPeer, static_cast<QInputMethodEvent*>(e), FComposing);
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            // The edit takes the focus change first, then the control hears of it.
            FInner = true;
            QCoreApplication::sendEvent(widget, e);
            FInner = false;
            if (static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason) {
                TMessage m{e->type() == QEvent::FocusIn ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0, 0};
                FPeer->Send(m);
            }
            return true;
        }
        case QEvent::MouseButtonPress: {
            auto* me = static_cast<QMouseEvent*>(e);
            const QPoint p = me->position().toPoint();
            if (me->button() != Qt::LeftButton || FPicker->FOpening || FPicker->FDroppedDown ||
                !FPicker->GetEnabled() || !FPicker->OnButton(p.x(), p.y()))
                return false;
            QPointer<QWidget> alive(widget);
            Guarded([this] { FPicker->DoDropDown(); });
            return !alive || !FPeer->Control();
        }
        default: return false;
        }
    }

private:
    TControlPeer* FPeer;
    TDateTimePicker* FPicker;
    bool FComposing = false;
    bool FInner = false;
};

// --- peer and look ------------------------------------------------------------------------

TDateTimePicker::TDateTimePicker(TComponent* owner) : TWinControl(owner) {}

TDateTimePicker::~TDateTimePicker() = default;

void TDateTimePicker::AfterConstruction()
{
    FFont = std::make_unique<TFont>();
    FFont->OnChange = [this](TObject*) {
        ApplyLook();
        AdjustHeight();
    };
    FDate = QDateToDateTime(QDate::currentDate());
    SetControlStyle(GetControlStyle() + csInputMethod);
    TWinControl::AfterConstruction();
    SetTabStop(true);
    SetBounds(GetLeft(), GetTop(), 186, 21);
}

TControlPeer* TDateTimePicker::CreatePeer()
{
    TControlPeer* peer = TWinControl::CreatePeer();
    auto* check = new QCheckBox(peer);
    check->setObjectName(QStringLiteral("check"));
    check->setFocusPolicy(Qt::NoFocus);
    auto* edit = new QDateEdit(peer);
    edit->setObjectName(QStringLiteral("date"));
    edit->setCalendarPopup(true);
    edit->setDateRange(kMinDate, kMaxDate);
    auto* filter = new TDateTimePickerFilter(peer, this, edit);
    edit->installEventFilter(filter);
    QCalendarWidget* calendar = edit->calendarWidget();
    calendar->window()->installEventFilter(filter);
    peer->Client()->setFocusProxy(edit);

    // Nothing reaches the control once it has let its window go.
    QObject::connect(edit, &QDateEdit::dateChanged, edit, [this, peer](QDate date) {
        if (peer->Control() && FSyncing == 0)
            Guarded([&] { UserDate(date); });
    });
    // A day picked in the calendar is a date, even the one shown.
    auto picked = [this, peer](QDate) {
        if (peer->Control() && FSyncing == 0 && !FChecked)
            Guarded([&] { SetChecked(true); });
    };
    QObject::connect(calendar, &QCalendarWidget::clicked, edit, picked);
    QObject::connect(calendar, &QCalendarWidget::activated, edit, picked);
    QObject::connect(check, &QCheckBox::toggled, check, [this, peer](bool on) {
        if (peer->Control() && FSyncing == 0)
            Guarded([&] { SetChecked(on); });
    });
    return peer;
}

QDateEdit* TDateTimePicker::DateEdit() const
{
    TControlPeer* peer = Peer();
    return peer ? peer->findChild<QDateEdit*>(QStringLiteral("date"), Qt::FindDirectChildrenOnly) : nullptr;
}

QCheckBox* TDateTimePicker::CheckBox() const
{
    TControlPeer* peer = Peer();
    return peer ? peer->findChild<QCheckBox*>(QStringLiteral("check"), Qt::FindDirectChildrenOnly) : nullptr;
}

void TDateTimePicker::PeerCreated()
{
    TWinControl::PeerCreated();
    if (QDateEdit* edit = DateEdit())
        edit->setFocusPolicy(GetTabStop() ? Qt::StrongFocus : Qt::ClickFocus);
    ApplyFormat();
    ApplyDate();
    ApplyLook();
    AdjustHeight();
}

void TDateTimePicker::LayoutPeer()
{
    TWinControl::LayoutPeer();
    QDateEdit* edit = DateEdit();
    QCheckBox* check = CheckBox();
    if (!edit || !check)
        return;
    const TPoint origin = GetClientOrigin();
    const TRect client = GetClientRect();
    int left = 0;
    check->setVisible(FShowCheckbox);
    if (FShowCheckbox) {
        const int box = check->sizeHint().width();
        const int height = std::min(check->sizeHint().height(), client.Height());
        left = std::min(box + 2, client.Width());
        check->setGeometry(origin.X + 2, origin.Y + (client.Height() - height) / 2, std::max(0, left - 2), height);
    }
    edit->setGeometry(origin.X + left, origin.Y, std::max(0, client.Width() - left), client.Height());
    edit->raise();
}

void TDateTimePicker::ApplyLook()
{
    QDateEdit* edit = DateEdit();
    QCheckBox* check = CheckBox();
    if (!edit || !check)
        return;
    const QFont font = FFont->ToQFont();
    edit->setFont(font);
    check->setFont(font);
    edit->setFrame(FCtl3D);
    // Without a date the date is shown grey.
    QPalette pal = edit->palette();
    const bool noDate = FShowCheckbox && !FChecked;
    pal.setColor(QPalette::Text, ToQColor(noDate ? GetSysColor(COLOR_GRAYTEXT) : FFont->GetColor()));
    edit->setPalette(pal);
}

void TDateTimePicker::ApplyFormat()
{
    if (QDateEdit* edit = DateEdit()) {
        ++FSyncing;
        edit->setDisplayFormat(FDateFormat == dfShort ? LocaleShortDateFormat()
                                                      : QLocale().dateFormat(QLocale::LongFormat));
        --FSyncing;
    }
}

void TDateTimePicker::ApplyDate()
{
    QDateEdit* edit = DateEdit();
    QCheckBox* check = CheckBox();
    if (!edit || !check)
        return;
    ++FSyncing;
    edit->setDate(DateTimeToQDateTime(FDate).date());
    check->setChecked(FChecked);
    --FSyncing;
}

void TDateTimePicker::AdjustHeight()
{
    QDateEdit* edit = DateEdit();
    if (!FAutoSize || !edit)
        return;
    SetHeight(edit->sizeHint().height() + GetHeight() - GetClientHeight());
}

// --- values -------------------------------------------------------------------------------

void TDateTimePicker::SetDate(TDateTime value)
{
    const QDateTime dt = DateTimeToQDateTime(value);
    if (!dt.isValid() || dt.date() < kMinDate || dt.date() > kMaxDate)
        throw EConvertError(QStringLiteral("Date is out of range: %1").arg(value));
    const TDateTime day = QDateToDateTime(dt.date());
    if (day == FDate)
        return;
    FDate = day;
    ApplyDate();
    Change();
}

void TDateTimePicker::SetChecked(bool value)
{
    if (value == FChecked)
        return;
    FChecked = value;
    ApplyDate();
    ApplyLook();
    Change();
}

void TDateTimePicker::UserDate(const QDate& date)
{
    FDate = QDateToDateTime(date);
    if (!FChecked) {
        FChecked = true;
        ApplyDate();
        ApplyLook();
    }
    Change();
}

void TDateTimePicker::SetShowCheckbox(bool value)
{
    if (value == FShowCheckbox)
        return;
    FShowCheckbox = value;
    LayoutPeer();
    ApplyLook();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat value)
{
    if (value == FDateFormat)
        return;
    FDateFormat = value;
    ApplyFormat();
    ApplyDate();
}

void TDateTimePicker::SetAutoSize(bool value)
{
    if (value == FAutoSize)
        return;
    FAutoSize = value;
    AdjustHeight();
}

void TDateTimePicker::SetCtl3D(bool value)
{
    if (value == FCtl3D)
        return;
    FCtl3D = value;
    ApplyLook();
    AdjustHeight();
}

QString TDateTimePicker::GetText() const
{
    const_cast<TDateTimePicker*>(this)->HandleNeeded();
    QDateEdit* edit = DateEdit();
    return edit ? edit->text() : QString();
}

void TDateTimePicker::SelectFirstField()
{
    HandleNeeded();
    if (QDateEdit* edit = DateEdit()) {
        edit->setCurrentSectionIndex(0);
        edit->setSelectedSection(edit->sectionAt(0));
    }
}

void TDateTimePicker::Change()
{
    if (OnChange && !EventsBlocked())
        OnChange(this);
}

void TDateTimePicker::KeyPress(QChar& key)
{
    // Typing into a picker without a date gives it one.
    if (FShowCheckbox && !FChecked && (key.unicode() == 8 || key.unicode() >= 32))
        SetChecked(true);
}

// --- drop-down ----------------------------------------------------------------------------

void TDateTimePicker::KeyDown(std::uint16_t& key, TShiftState shift)
{
    const bool alt = shift.Contains(ssAlt) && !shift.Contains(ssCtrl);
    if ((key == VK_F4 && shift.Empty()) || (alt && (key == VK_DOWN || key == VK_UP))) {
        if (FDroppedDown)
            CloseUp();
        else
            DropDown();
        key = 0;
    }
}

bool TDateTimePicker::OnButton(int x, int y) const
{
    QDateEdit* edit = DateEdit();
    if (!edit)
        return false;
    // The date edit's own test of its button.
    QStyleOptionComboBox option;
    option.initFrom(edit);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    return edit->style()->hitTestComplexControl(QStyle::CC_ComboBox, &option, QPoint(x, y), edit) ==
           QStyle::SC_ComboBoxArrow;
}

void TDateTimePicker::DropDown()
{
    if (FDroppedDown || !GetEnabled())
        return;
    HandleNeeded();
    QPointer<QDateEdit> edit(DateEdit());
    if (!edit)
        return;
    DoDropDown();
    if (!edit || !IsShowing() || edit->width() <= 0 || edit->height() <= 0)
        return;
    QStyleOptionComboBox option;
    option.initFrom(edit);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    const QRect button =
        edit->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, edit);
    if (button.isEmpty())
        return;
    // The edit opens its calendar on a press on its button.
    const QPoint local = button.center();
    QMouseEvent press(QEvent::MouseButtonPress, local, edit->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    FOpening = true;
    QCoreApplication::sendEvent(edit, &press);
    FOpening = false;
}

void TDateTimePicker::CloseUp()
{
    if (!FDroppedDown)
        return;
    if (QDateEdit* edit = DateEdit())
        edit->calendarWidget()->window()->hide();
}

bool TDateTimePicker::GetDroppedDown() const { return FDroppedDown; }

void TDateTimePicker::DoDropDown()
{
    if (OnDropDown)
        OnDropDown(this);
}

void TDateTimePicker::DoCloseUp()
{
    if (OnCloseUp)
        OnCloseUp(this);
}

void TDateTimePicker::CalendarShown(bool shown)
{
    if (shown == FDroppedDown)
        return;
    FDroppedDown = shown;
    if (!shown)
        Guarded([this] { DoCloseUp(); });
}

} // namespace kv
