// Standard text controls and the pop-up calendar.
//
// Sections: the key and focus filter of text widgets; TCustomTextControl (peer with the text
// widget, layout, look, selection and clipboard); TCustomMaskEdit over QLineEdit; TCustomMemo
// over QPlainTextEdit; TPopupCalendar over a QCalendarWidget in a Qt::Popup window.
//
// Call flow: CreatePeer makes the frame and asks CreateTextWidget for the widget, which gets
// the filter. The filter turns key presses into WM_KEYDOWN/WM_CHAR through the peer (eating
// what the control consumed), reports compositions and hands focus changes on after the widget
// has taken them. The calendar's filter hands key presses to its owner's callbacks; a day
// clicked or activated, a press outside and a hide by the system end in OnCloseUp.
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Popups.h"

#include "platform/ui/ControlPeer.h"
#include "platform/ui/Services.h"

#include <QtCore/QPointer>
#include <QtGui/QFocusEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QTextDocument>
#include <QtGui/QTextOption>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCalendarWidget>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QVBoxLayout>

namespace kv {

// Sends the text widget's input to its control first.
class TTextControlFilter : public QObject
{
public:
    TTextControlFilter(TControlPeer* peer, QWidget* widget) : QObject(widget), FPeer(peer) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (!FPeer->Control() || FInner)
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        switch (e->type()) {
        case QEvent::KeyPress: {
            const TKeyResult r = SendKeyPress(FPeer, static_cast<QKeyEvent*>(e));
            if (r.Gone || r.KeyConsumed || r.CharConsumed)
                return true;
            return Deliver(widget, e);
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
        case QEvent::InputMethod:
            if (!SendInputMethod(FPeer, static_cast<QInputMethodEvent*>(e), FComposing))
                return true;
            return Deliver(widget, e);
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Drop:
            return Deliver(widget, e);
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            // The widget takes the focus change first, then the control hears of it.
            FInner = true;
            QCoreApplication::sendEvent(widget, e);
            FInner = false;
            if (static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason) {
                TMessage m{e->type() == QEvent::FocusIn ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0, 0};
                FPeer->Send(m);
            }
            return true;
        }
        default: return false;
        }
    }

private:
    // The widget's own handling of input (typing, pasting, dropping) changes the text, and the
    // control's change handlers run inside it: it runs as the control's input.
    bool Deliver(QWidget* widget, QEvent* e)
    {
        auto* control = dynamic_cast<TCustomTextControl*>(FPeer->Control());
        if (!control)
            return false;
        const QPointer<TControlPeer> peer = FPeer;
        FPeer->DeliverToChild(widget, e, [peer] {
            if (auto* text = peer ? dynamic_cast<TCustomTextControl*>(peer->Control()) : nullptr)
                text->RaiseDeferred();
        });
        return true;
    }

    TControlPeer* FPeer;
    bool FComposing = false;
    bool FInner = false;
};

// --- TCustomTextControl -------------------------------------------------------------------

TCustomTextControl::TCustomTextControl(TComponent* owner) : TWinControl(owner) {}

TCustomTextControl::~TCustomTextControl() = default;

void TCustomTextControl::AfterConstruction()
{
    FFont = std::make_unique<TFont>();
    FFont->OnChange = [this](TObject*) { FontChanged(); };
    FColor = GetSysColor(COLOR_WINDOW);
    TWinControl::AfterConstruction();
}

TControlPeer* TCustomTextControl::CreatePeer()
{
    TControlPeer* peer = TWinControl::CreatePeer();
    QWidget* widget = CreateTextWidget(peer);
    widget->setObjectName(QStringLiteral("text"));
    widget->installEventFilter(new TTextControlFilter(peer, widget));
    peer->Client()->setFocusProxy(widget);
    return peer;
}

QWidget* TCustomTextControl::TextWidget() const
{
    TControlPeer* peer = Peer();
    return peer ? peer->findChild<QWidget*>(QStringLiteral("text"), Qt::FindDirectChildrenOnly) : nullptr;
}

void TCustomTextControl::PeerCreated()
{
    TWinControl::PeerCreated();
    ApplyLook();
}

void TCustomTextControl::ApplyFocusPolicy()
{
    // The client's policy reaches the text widget, its focus proxy; the widget's own follows.
    TWinControl::ApplyFocusPolicy();
    if (QWidget* w = TextWidget())
        w->setFocusPolicy(GetTabStop() ? Qt::StrongFocus : Qt::ClickFocus);
}

void TCustomTextControl::LayoutPeer()
{
    TWinControl::LayoutPeer();
    QWidget* w = TextWidget();
    if (!w)
        return;
    const TPoint origin = GetClientOrigin();
    const TRect r = GetTextRect();
    w->setGeometry(origin.X + r.Left, origin.Y + r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
    w->raise();
}

void TCustomTextControl::UpdateEditRect()
{
    LayoutPeer();
}

void TCustomTextControl::ApplyLook()
{
    QWidget* w = TextWidget();
    if (!w)
        return;
    w->setFont(FFont->ToQFont());
    QPalette pal = w->palette();
    const auto c = static_cast<std::uint32_t>(FColor);
    pal.setColor(QPalette::Base, QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
    const auto t = static_cast<std::uint32_t>(FFont->GetColor());
    pal.setColor(QPalette::Text, QColor(int(t & 0xFF), int((t >> 8) & 0xFF), int((t >> 16) & 0xFF)));
    w->setPalette(pal);
    const Qt::Alignment horizontal = FAlignment == taRightJustify ? Qt::AlignRight
                                     : FAlignment == taCenter     ? Qt::AlignHCenter
                                                                  : Qt::AlignLeft;
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setAlignment(horizontal | Qt::AlignVCenter);
        e->setTextMargins(FMarginLeft, 0, FMarginRight, 0);
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
        QTextOption option = m->document()->defaultTextOption();
        option.setAlignment(horizontal);
        m->document()->setDefaultTextOption(option);
    }
}

void TCustomTextControl::SetAlignment(TAlignment value)
{
    if (value == FAlignment)
        return;
    FAlignment = value;
    ApplyLook();
}

void TCustomTextControl::SetTextMargins(int left, int right)
{
    if (left == FMarginLeft && right == FMarginRight)
        return;
    FMarginLeft = left;
    FMarginRight = right;
    ApplyLook();
}

void TCustomTextControl::FontChanged()
{
    ApplyLook();
    UpdateEditRect();
}

void TCustomTextControl::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    ApplyLook();
    Invalidate();
}

void TCustomTextControl::SetReadOnly(bool value)
{
    FReadOnly = value;
    HandleNeeded();
    if (auto* e = qobject_cast<QLineEdit*>(TextWidget()))
        e->setReadOnly(value);
    else if (auto* m = qobject_cast<QPlainTextEdit*>(TextWidget()))
        m->setReadOnly(value);
}

void TCustomTextControl::WndProc(TMessage& message)
{
    if (message.Msg == WM_ERASEBKGND && message.WParam != 0) {
        auto* canvas = reinterpret_cast<TCanvas*>(message.WParam);
        canvas->FillRect(GetClientRect(), FColor);
        message.Result = 1;
        return;
    }
    TWinControl::WndProc(message);
}

void TCustomTextControl::Change()
{
    if (OnChange && !EventsBlocked())
        OnChange(this);
}

void TCustomTextControl::WidgetChanged()
{
    try {
        Change();
    } catch (...) {
        if (!FDeferred)
            FDeferred = std::current_exception();
    }
}

void TCustomTextControl::RaiseDeferred()
{
    if (std::exception_ptr e = std::exchange(FDeferred, nullptr))
        std::rethrow_exception(e);
}

namespace {

// Selection of either text widget as start and length.
void GetSelection(QWidget* w, int& start, int& length)
{
    start = 0;
    length = 0;
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        if (e->hasSelectedText()) {
            start = e->selectionStart();
            length = e->selectionLength();
        } else {
            start = e->cursorPosition();
        }
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
        const QTextCursor c = m->textCursor();
        start = c.selectionStart();
        length = c.selectionEnd() - c.selectionStart();
    }
}

void SetSelection(QWidget* w, int start, int length)
{
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        start = std::clamp(start, 0, int(e->text().size()));
        length = std::clamp(length, 0, int(e->text().size()) - start);
        if (length > 0)
            e->setSelection(start, length);
        else
            e->setCursorPosition(start);
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
        QTextCursor c = m->textCursor();
        const int size = m->document()->characterCount() - 1;
        start = std::clamp(start, 0, size);
        c.setPosition(start);
        c.setPosition(std::clamp(start + length, start, size), QTextCursor::KeepAnchor);
        m->setTextCursor(c);
    }
}

} // namespace

int TCustomTextControl::GetSelStart() const
{
    int start, length;
    GetSelection(TextWidget(), start, length);
    return start;
}

void TCustomTextControl::SetSelStart(int value)
{
    HandleNeeded();
    SetSelection(TextWidget(), value, 0);
}

int TCustomTextControl::GetSelLength() const
{
    int start, length;
    GetSelection(TextWidget(), start, length);
    return length;
}

void TCustomTextControl::SetSelLength(int value)
{
    HandleNeeded();
    SetSelection(TextWidget(), GetSelStart(), value);
}

void TCustomTextControl::ClearSelection()
{
    HandleNeeded();
    if (auto* e = qobject_cast<QLineEdit*>(TextWidget())) {
        e->deselect();
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(TextWidget())) {
        QTextCursor c = m->textCursor();
        c.clearSelection();
        m->setTextCursor(c);
    }
}

QString TCustomTextControl::GetSelText() const
{
    return GetText().mid(GetSelStart(), GetSelLength());
}

void TCustomTextControl::CutToClipboard()
{
    HandleNeeded();
    if (auto* e = qobject_cast<QLineEdit*>(TextWidget()))
        e->cut();
    else if (auto* m = qobject_cast<QPlainTextEdit*>(TextWidget()))
        m->cut();
    RaiseDeferred();
}

void TCustomTextControl::CopyToClipboard()
{
    HandleNeeded();
    if (auto* e = qobject_cast<QLineEdit*>(TextWidget()))
        e->copy();
    else if (auto* m = qobject_cast<QPlainTextEdit*>(TextWidget()))
        m->copy();
}

void TCustomTextControl::PasteFromClipboard()
{
    HandleNeeded();
    if (auto* e = qobject_cast<QLineEdit*>(TextWidget()))
        e->paste();
    else if (auto* m = qobject_cast<QPlainTextEdit*>(TextWidget()))
        m->paste();
    RaiseDeferred();
}

// --- TCustomMaskEdit ----------------------------------------------------------------------

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TCustomTextControl(owner) {}

QWidget* TCustomMaskEdit::CreateTextWidget(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setFrame(false);
    e->setReadOnly(GetReadOnly());
    if (FMaxLength > 0)
        e->setMaxLength(FMaxLength);
    e->setInputMask(FEditMask);
    e->setPlaceholderText(FTextHint);
    QObject::connect(e, &QLineEdit::textChanged, e, [this](const QString&) { WidgetChanged(); });
    return e;
}

QLineEdit* TCustomMaskEdit::LineEdit() const
{
    const_cast<TCustomMaskEdit*>(this)->HandleNeeded();
    return qobject_cast<QLineEdit*>(TextWidget());
}

QString TCustomMaskEdit::GetText() const
{
    QLineEdit* e = LineEdit();
    return e ? e->text() : QString();
}

void TCustomMaskEdit::SetText(const QString& value)
{
    if (QLineEdit* e = LineEdit())
        e->setText(value);
    RaiseDeferred();
}

void TCustomMaskEdit::SelectAll()
{
    if (QLineEdit* e = LineEdit())
        e->selectAll();
}

void TCustomMaskEdit::SetMaxLength(int value)
{
    FMaxLength = std::max(0, value);
    if (QLineEdit* e = LineEdit())
        e->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
    RaiseDeferred();
}

void TCustomMaskEdit::SetEditMask(const QString& value)
{
    FEditMask = value;
    if (QLineEdit* e = LineEdit())
        e->setInputMask(value);
    RaiseDeferred();
}

void TCustomMaskEdit::SetTextHint(const QString& value)
{
    FTextHint = value;
    if (QLineEdit* e = LineEdit())
        e->setPlaceholderText(value);
}

bool TCustomMaskEdit::GetModified() const
{
    QLineEdit* e = LineEdit();
    return e && e->isModified();
}

void TCustomMaskEdit::SetModified(bool value)
{
    if (QLineEdit* e = LineEdit())
        e->setModified(value);
}

void TCustomMaskEdit::Undo()
{
    if (QLineEdit* e = LineEdit())
        e->undo();
    RaiseDeferred();
}

void TCustomMaskEdit::Reset()
{
    if (!GetModified())
        return;
    SetText(FOldValue);
    SetModified(false);
}

void TCustomMaskEdit::DoEnter()
{
    FOldValue = GetText();
    SetModified(false);
    TCustomTextControl::DoEnter();
}

// --- TCustomMemo --------------------------------------------------------------------------

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomTextControl(owner) {}

QWidget* TCustomMemo::CreateTextWidget(QWidget* parent)
{
    auto* m = new QPlainTextEdit(parent);
    m->setFrameShape(QFrame::NoFrame);
    m->setReadOnly(GetReadOnly());
    m->setLineWrapMode(FWordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    QObject::connect(m, &QPlainTextEdit::textChanged, m, [this] { WidgetChanged(); });
    return m;
}

QPlainTextEdit* TCustomMemo::Memo() const
{
    const_cast<TCustomMemo*>(this)->HandleNeeded();
    return qobject_cast<QPlainTextEdit*>(TextWidget());
}

QString TCustomMemo::GetText() const
{
    QPlainTextEdit* m = Memo();
    return m ? m->toPlainText() : QString();
}

void TCustomMemo::SetText(const QString& value)
{
    if (QPlainTextEdit* m = Memo())
        m->setPlainText(value);
    RaiseDeferred();
}

void TCustomMemo::SelectAll()
{
    if (QPlainTextEdit* m = Memo())
        m->selectAll();
}

void TCustomMemo::SetWordWrap(bool value)
{
    FWordWrap = value;
    if (QPlainTextEdit* m = Memo())
        m->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

int TCustomMemo::GetLineCount() const
{
    QPlainTextEdit* m = Memo();
    return m ? m->document()->blockCount() : 0;
}

// --- TPopupCalendar -----------------------------------------------------------------------

class TCalendarPopupWidget : public QWidget
{
public:
    explicit TCalendarPopupWidget(TPopupCalendar* owner) : QWidget(nullptr, Qt::Popup), FOwner(owner)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(1, 1, 1, 1);
        Calendar = new QCalendarWidget(this);
        Calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        layout->addWidget(Calendar);
        QObject::connect(Calendar, &QCalendarWidget::clicked, this, [this](QDate) { FOwner->Request(true); });
        QObject::connect(Calendar, &QCalendarWidget::activated, this, [this](QDate) { FOwner->Request(true); });
        // Clicks never take the focus from the control that dropped the calendar down.
        setFocusPolicy(Qt::NoFocus);
        for (QWidget* w : findChildren<QWidget*>()) {
            w->setFocusPolicy(Qt::NoFocus);
            w->installEventFilter(this);
        }
        installEventFilter(this);
        adjustSize();
    }

    QCalendarWidget* Calendar;
    bool Forwarding = false;
    bool Hiding = false;

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (!rect().contains(e->position().toPoint())) {
            // Qt does not pass the press on: it is re-sent once the calendar is closed.
            setAttribute(Qt::WA_NoMouseReplay, true);
            const QPoint global = e->globalPosition().toPoint();
            const std::intptr_t tag = FOwner->FResendTag;
            FOwner->Request(false);
            if (tag != 0)
                ResendMousePress(TPoint{global.x(), global.y()}, tag);
            return;
        }
        QWidget::mousePressEvent(e);
    }
    void hideEvent(QHideEvent* e) override
    {
        QWidget::hideEvent(e);
        // Closed by the system (not by its owner): a close-up without acceptance.
        if (!Hiding)
            FOwner->Request(false);
    }
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (Forwarding || e->type() != QEvent::KeyPress)
            return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        const TShiftState shift = ShiftStateFromQt(ke->modifiers(), Qt::NoButton);
        std::uint16_t vk = VirtualKeyFromQt(ke->key(), ke->modifiers());
        QPointer<QWidget> self(this);
        if (vk != 0 && FOwner->OnKeyDown) {
            FOwner->OnKeyDown(FOwner, vk, shift);
            if (!self || vk == 0)
                return true;
        }
        for (QChar c : ke->text()) {
            if (c.unicode() < 32 || c.unicode() == 0x7F || !FOwner->OnKeyPress)
                continue;
            FOwner->OnKeyPress(FOwner, c);
            if (!self || c.unicode() == 0)
                return true;
        }
        return false;
    }

private:
    TPopupCalendar* FOwner;
};

TPopupCalendar::TPopupCalendar() : FWidget(new TCalendarPopupWidget(this)) {}

TPopupCalendar::~TPopupCalendar()
{
    FWidget->Hiding = true;
    delete FWidget;
}

TDateTime TPopupCalendar::GetDate() const
{
    return QDateToDateTime(FWidget->Calendar->selectedDate());
}

void TPopupCalendar::SetDate(TDateTime value)
{
    const QDateTime dt = DateTimeToQDateTime(value);
    if (dt.isValid())
        FWidget->Calendar->setSelectedDate(dt.date());
}

void TPopupCalendar::Popup(TPoint screenPos) { Popup(screenPos, screenPos.Y); }

void TPopupCalendar::Popup(TPoint screenPos, int anchorTop)
{
    const QSize size = FWidget->sizeHint();
    int x = screenPos.X;
    int y = screenPos.Y;
    const TRect area = ScreenWorkArea(TPoint{screenPos.X, std::min(screenPos.Y, anchorTop)});
    if (!area.IsEmpty()) {
        if (y + size.height() > area.Bottom && anchorTop - size.height() >= area.Top)
            y = anchorTop - size.height();
        x = std::max(area.Left, std::min(x, area.Right - size.width()));
        y = std::max(area.Top, std::min(y, area.Bottom - size.height()));
    }
    FWidget->setGeometry(x, y, size.width(), size.height());
    FWidget->Hiding = false;
    FWidget->show();
}

void TPopupCalendar::Hide()
{
    FWidget->Hiding = true;
    FWidget->hide();
}

bool TPopupCalendar::GetVisible() const
{
    return FWidget->isVisible();
}

TRect TPopupCalendar::GetBoundsRect() const
{
    const QRect r = FWidget->geometry();
    return TRect::Bounds(r.left(), r.top(), r.width(), r.height());
}

QWidget* TPopupCalendar::Widget() const
{
    return FWidget;
}

void TPopupCalendar::SendKey(std::uint16_t key, TShiftState shift)
{
    int qtKey = 0;
    switch (key) {
    case VK_LEFT: qtKey = Qt::Key_Left; break;
    case VK_RIGHT: qtKey = Qt::Key_Right; break;
    case VK_UP: qtKey = Qt::Key_Up; break;
    case VK_DOWN: qtKey = Qt::Key_Down; break;
    case VK_PRIOR: qtKey = Qt::Key_PageUp; break;
    case VK_NEXT: qtKey = Qt::Key_PageDown; break;
    case VK_HOME: qtKey = Qt::Key_Home; break;
    case VK_END: qtKey = Qt::Key_End; break;
    default: return;
    }
    Qt::KeyboardModifiers mods;
    if (shift.Contains(ssShift))
        mods |= Qt::ShiftModifier;
    if (shift.Contains(ssCtrl))
        mods |= Qt::ControlModifier;
    QWidget* target = FWidget->Calendar->findChild<QAbstractItemView*>();
    if (!target)
        return;
    QKeyEvent e(QEvent::KeyPress, qtKey, mods);
    FWidget->Forwarding = true;
    QCoreApplication::sendEvent(target, &e);
    FWidget->Forwarding = false;
}

void TPopupCalendar::Request(bool accept)
{
    if (OnCloseUp)
        OnCloseUp(this, accept);
}

} // namespace kv
