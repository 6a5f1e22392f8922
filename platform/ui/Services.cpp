#include "platform/ui/Services.h"

#include "platform/ui/ControlPeer.h"

#include <QtCore/QLocale>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QClipboard>
#include <QtGui/QCursor>
#include <QtGui/QGuiApplication>
#include <QtGui/QPainter>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>

namespace kv {

namespace {

// The caret bar: a child of the owner's client widget that ignores the mouse.
class TCaretWidget : public QWidget
{
public:
    explicit TCaretWidget(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents, true);
        setFocusPolicy(Qt::NoFocus);
        const int flash = QApplication::cursorFlashTime();
        if (flash > 0) {
            FBlink.setInterval(flash / 2);
            QObject::connect(&FBlink, &QTimer::timeout, this, [this] { setVisible(FShown && !isVisible()); });
        }
    }
    void SetShown(bool shown)
    {
        FShown = shown;
        setVisible(shown);
        if (shown && FBlink.interval() > 0)
            FBlink.start();
        else
            FBlink.stop();
    }
    bool Shown() const { return FShown; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Text));
    }

private:
    QTimer FBlink;
    bool FShown = false;
};

struct TCaretState
{
    TWinControl* Owner = nullptr;
    QPointer<TCaretWidget> Widget;
    TPoint Pos;
};

TCaretState& Caret()
{
    static TCaretState state;
    return state;
}

// The caret exists while its widget does (the owner's window may have gone).
bool CaretAlive()
{
    TCaretState& c = Caret();
    if (c.Owner && !c.Widget)
        c.Owner = nullptr;
    return c.Owner != nullptr;
}

int gBeeps = 0;

TColor FromQColor(const QColor& c)
{
    return static_cast<TColor>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

} // namespace

bool CreateCaret(TWinControl* control, int width, int height)
{
    DestroyCaret();
    if (!control)
        return false;
    auto* peer = dynamic_cast<TControlPeer*>(control->Widget());
    if (!peer)
        return false;
    TCaretState& c = Caret();
    c.Owner = control;
    c.Widget = new TCaretWidget(peer->Client());
    c.Widget->setGeometry(0, 0, std::max(1, width), std::max(1, height));
    c.Pos = TPoint();
    return true;
}

bool DestroyCaret()
{
    TCaretState& c = Caret();
    const bool had = CaretAlive();
    delete c.Widget.data();
    c.Owner = nullptr;
    return had;
}

bool SetCaretPos(int x, int y)
{
    if (!CaretAlive())
        return false;
    TCaretState& c = Caret();
    c.Pos = TPoint{x, y};
    c.Widget->move(x, y);
    return true;
}

bool GetCaretPos(TPoint& pos)
{
    if (!CaretAlive())
        return false;
    pos = Caret().Pos;
    return true;
}

bool ShowCaret(TWinControl* control)
{
    if (!CaretAlive() || (control && Caret().Owner != control))
        return false;
    Caret().Widget->SetShown(true);
    return true;
}

bool HideCaret(TWinControl* control)
{
    if (!CaretAlive() || (control && Caret().Owner != control))
        return false;
    Caret().Widget->SetShown(false);
    return true;
}

TWinControl* GetCaretOwner()
{
    return CaretAlive() ? Caret().Owner : nullptr;
}

bool IsCaretShown()
{
    return CaretAlive() && Caret().Widget->Shown();
}

void MessageBeep()
{
    ++gBeeps;
    QApplication::beep();
}

int GetBeepCount()
{
    return gBeeps;
}

bool ClipboardHasText()
{
    QClipboard* cb = QGuiApplication::clipboard();
    return cb && !cb->text().isEmpty();
}

QString GetClipboardText()
{
    QClipboard* cb = QGuiApplication::clipboard();
    return cb ? cb->text() : QString();
}

void SetClipboardText(const QString& text)
{
    if (QClipboard* cb = QGuiApplication::clipboard())
        cb->setText(text);
}

TColor GetSysColor(TSysColor index)
{
    const QPalette pal = QApplication::palette();
    switch (index) {
    case COLOR_WINDOW: return FromQColor(pal.color(QPalette::Active, QPalette::Base));
    case COLOR_WINDOWTEXT: return FromQColor(pal.color(QPalette::Active, QPalette::Text));
    case COLOR_HIGHLIGHT: return FromQColor(pal.color(QPalette::Active, QPalette::Highlight));
    case COLOR_HIGHLIGHTTEXT: return FromQColor(pal.color(QPalette::Active, QPalette::HighlightedText));
    case COLOR_GRAYTEXT: return FromQColor(pal.color(QPalette::Disabled, QPalette::Text));
    case COLOR_BTNFACE: return FromQColor(pal.color(QPalette::Active, QPalette::Button));
    }
    return clWhite;
}

TPoint GetCursorPos()
{
    const QPoint p = QCursor::pos();
    return TPoint{p.x(), p.y()};
}

TRect ScreenWorkArea(TPoint point)
{
    QScreen* screen = QGuiApplication::screenAt(QPoint(point.X, point.Y));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return TRect{};
    const QRect r = screen->availableGeometry();
    return TRect::Bounds(r.left(), r.top(), r.width(), r.height());
}

QChar LocaleDecimalSeparator()
{
    const QString s = QLocale().decimalPoint();
    return s.isEmpty() ? QChar('.') : s.at(0);
}

QChar LocaleThousandSeparator()
{
    const QString s = QLocale().groupSeparator();
    return s.isEmpty() ? QChar(',') : s.at(0);
}

QString LocaleShortDateFormat()
{
    return QLocale().dateFormat(QLocale::ShortFormat);
}

QChar LocaleDateSeparator()
{
    for (const QChar c : LocaleShortDateFormat())
        if (!c.isLetter() && !c.isSpace() && c != QChar('\''))
            return c;
    return QChar('/');
}

} // namespace kv
