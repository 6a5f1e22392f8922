#include "platform/graphics/DeviceContext.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QPixmap>
#include <QtWidgets/QApplication>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOption>
#include <QtWidgets/qdrawutil.h>
#include <cstring>

namespace kv::dc {

namespace {

bool gUseThemes = true;

QStyle* Style()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::style() : nullptr;
}

QPalette Palette()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::palette() : QPalette();
}

bool Active(HDC dc) { return dc && dc->isActive(); }

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

enum TArrow { ArrowUp, ArrowDown };

// A solid triangle centred in the rectangle.
void DrawArrow(QPainter* p, const QRect& r, TArrow arrow, const QColor& color, int shift)
{
    const int size = std::max(2, std::min(r.width(), r.height()) / 4);
    const int cx = r.left() + r.width() / 2 + shift;
    const int cy = r.top() + r.height() / 2 + shift;
    QPolygon poly;
    if (arrow == ArrowDown)
        poly << QPoint(cx - size, cy - size / 2) << QPoint(cx + size, cy - size / 2) << QPoint(cx, cy + size / 2 + 1);
    else
        poly << QPoint(cx - size, cy + size / 2) << QPoint(cx + size, cy + size / 2) << QPoint(cx, cy - size / 2 - 1);
    p->setPen(Qt::NoPen);
    p->setBrush(color);
    p->drawPolygon(poly);
}

void ClassicButton(QPainter* p, const QRect& r, bool pushed, bool flat)
{
    const QPalette pal = Palette();
    if (flat) {
        p->fillRect(r, pal.button());
        p->setPen(pal.color(QPalette::Dark));
        p->setBrush(Qt::NoBrush);
        p->drawRect(r.adjusted(0, 0, -1, -1));
    } else {
        const QBrush fill = pal.button();
        qDrawWinButton(p, r, pal, pushed, &fill);
    }
}

void ClassicCheck(QPainter* p, const QRect& r, unsigned state)
{
    const QPalette pal = Palette();
    const bool inactive = state & DFCS_INACTIVE;
    const QBrush fill = (state & DFCS_PUSHED) || inactive ? pal.button() : pal.base();
    if (state & DFCS_FLAT) {
        p->fillRect(r, fill);
        p->setPen(pal.color(QPalette::Dark));
        p->setBrush(Qt::NoBrush);
        p->drawRect(r.adjusted(0, 0, -1, -1));
    } else {
        qDrawWinPanel(p, r, pal, true, &fill);
    }
    if (state & DFCS_CHECKED) {
        const QRect in = r.adjusted(3, 3, -3, -3);
        QPolygon tick;
        tick << QPoint(in.left(), in.top() + in.height() / 2) << QPoint(in.left() + in.width() / 3, in.bottom())
             << QPoint(in.right(), in.top());
        QPen pen(inactive ? pal.color(QPalette::Dark) : pal.color(QPalette::Text), 2);
        p->setPen(pen);
        p->setBrush(Qt::NoBrush);
        p->drawPolyline(tick);
    }
}

QStyle::State ButtonState(bool enabled, bool hot, bool pressed)
{
    QStyle::State s = QStyle::State_None;
    if (enabled)
        s |= QStyle::State_Enabled;
    if (hot && enabled)
        s |= QStyle::State_MouseOver;
    s |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    return s;
}

void StyledBevel(QStyle* style, QPainter* p, const QRect& r, QStyle::State state)
{
    QStyleOptionButton opt;
    opt.rect = r;
    opt.state = state;
    opt.palette = Palette();
    style->drawControl(QStyle::CE_PushButtonBevel, &opt, p, nullptr);
}

void StyledArrow(QStyle* style, QPainter* p, const QRect& r, TArrow arrow, QStyle::State state)
{
    QStyleOption opt;
    opt.rect = r.adjusted(r.width() / 4, r.height() / 4, -r.width() / 4, -r.height() / 4);
    opt.state = state;
    opt.palette = Palette();
    style->drawPrimitive(arrow == ArrowUp ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &opt, p,
                         nullptr);
}

} // namespace

bool UseThemes() { return gUseThemes && Style() != nullptr; }

void SetUseThemes(bool on) { gUseThemes = on; }

int GetSystemMetrics(TSystemMetric metric)
{
    QStyle* style = Style();
    switch (metric) {
    case SM_CXVSCROLL: return style ? style->pixelMetric(QStyle::PM_ScrollBarExtent) : 17;
    case SM_CXMENUCHECK: return style ? style->pixelMetric(QStyle::PM_IndicatorWidth) : 13;
    case SM_CYMENUCHECK: return style ? style->pixelMetric(QStyle::PM_IndicatorHeight) : 13;
    }
    return 0;
}

bool DrawFrameControl(HDC dc, const TRect& rect, unsigned type, unsigned state)
{
    if (!Active(dc) || rect.IsEmpty())
        return false;
    TDeviceScope scope(dc);
    const QRect r = ToQRect(rect);
    const QPalette pal = Palette();
    const bool pushed = state & DFCS_PUSHED;
    const bool inactive = state & DFCS_INACTIVE;
    const QColor arrowColor = inactive ? pal.color(QPalette::Dark) : pal.color(QPalette::ButtonText);
    switch (type) {
    case DFC_BUTTON:
        if (state & DFCS_BUTTONPUSH) {
            ClassicButton(dc, r, pushed, state & DFCS_FLAT);
            return true;
        }
        if ((state & 0xFF) == DFCS_BUTTONCHECK) {
            ClassicCheck(dc, r, state);
            return true;
        }
        return false;
    case DFC_SCROLL:
        switch (state & 0xFF) {
        case DFCS_SCROLLUP:
            ClassicButton(dc, r, pushed, state & DFCS_FLAT);
            DrawArrow(dc, r, ArrowUp, arrowColor, pushed ? 1 : 0);
            return true;
        case DFCS_SCROLLDOWN:
        case DFCS_SCROLLCOMBOBOX:
            ClassicButton(dc, r, pushed, state & DFCS_FLAT);
            DrawArrow(dc, r, ArrowDown, arrowColor, pushed ? 1 : 0);
            return true;
        default: return false;
        }
    default: return false;
    }
}

bool DrawThemeBackground(HDC dc, const char* themeClass, int part, int state, const TRect& rect)
{
    QStyle* style = Style();
    if (!Active(dc) || !style || !themeClass || rect.IsEmpty())
        return false;
    const QRect r = ToQRect(rect);
    if (std::strcmp(themeClass, "BUTTON") == 0 && part == BP_PUSHBUTTON) {
        TDeviceScope scope(dc);
        StyledBevel(style, dc, r, ButtonState(state != 4, state == 2, state == 3));
        return true;
    }
    if (std::strcmp(themeClass, "BUTTON") == 0 && part == BP_CHECKBOX) {
        // 1-4 unchecked, 5-8 checked; within each: normal, hot, pressed, disabled.
        if (state < 1 || state > 8)
            return false;
        const int kind = (state - 1) % 4;
        QStyleOptionButton opt;
        opt.rect = r;
        opt.palette = Palette();
        opt.state = (state >= 5 ? QStyle::State_On : QStyle::State_Off);
        if (kind != 3)
            opt.state |= QStyle::State_Enabled;
        if (kind == 1)
            opt.state |= QStyle::State_MouseOver;
        if (kind == 2)
            opt.state |= QStyle::State_Sunken;
        TDeviceScope scope(dc);
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, dc, nullptr);
        return true;
    }
    if (std::strcmp(themeClass, "COMBOBOX") == 0 && part == CP_DROPDOWNBUTTON) {
        TDeviceScope scope(dc);
        const QStyle::State s = ButtonState(state != 4, state == 2, state == 3);
        StyledBevel(style, dc, r, s);
        StyledArrow(style, dc, r, ArrowDown, s);
        return true;
    }
    if (std::strcmp(themeClass, "SCROLLBAR") == 0 && part == SBP_ARROWBTN) {
        if (state < ABS_UPNORMAL || state > ABS_DOWNDISABLED)
            return false;
        const int kind = (state - 1) % 4;
        TDeviceScope scope(dc);
        const QStyle::State s = ButtonState(kind != 3, kind == 1, kind == 2);
        StyledBevel(style, dc, r, s);
        StyledArrow(style, dc, r, state >= ABS_DOWNNORMAL ? ArrowDown : ArrowUp, s);
        return true;
    }
    return false;
}

void PatBlt(HDC dc, int x, int y, int width, int height, unsigned rop)
{
    if (!Active(dc) || width <= 0 || height <= 0)
        return;
    TDeviceScope scope(dc);
    if (rop == BLACKNESS)
        dc->fillRect(QRect(x, y, width, height), Qt::black);
    else if (rop == WHITENESS)
        dc->fillRect(QRect(x, y, width, height), Qt::white);
}

void BitBlt(HDC dc, int x, int y, int width, int height, TCanvas* source, int sx, int sy)
{
    if (!Active(dc) || !source || width <= 0 || height <= 0)
        return;
    QPaintDevice* device = source->GetDevice();
    TDeviceScope scope(dc);
    dc->setCompositionMode(QPainter::CompositionMode_Source);
    if (auto* image = dynamic_cast<QImage*>(device))
        dc->drawImage(QPoint(x, y), *image, QRect(sx, sy, width, height));
    else if (auto* pixmap = dynamic_cast<QPixmap*>(device))
        dc->drawPixmap(QPoint(x, y), *pixmap, QRect(sx, sy, width, height));
}

} // namespace kv::dc
