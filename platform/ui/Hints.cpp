#include "platform/ui/Hints.h"

#include <QtGui/QFontMetrics>
#include <QtWidgets/QLabel>
#include <QtWidgets/QToolTip>

#include <algorithm>
#include <climits>
#include <utility>

namespace kv {

namespace {

constexpr int kMargin = 3;
constexpr int kFrame = 1;

QLabel* MakeLabel()
{
    auto* label = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    label->setAttribute(Qt::WA_ShowWithoutActivating);
    label->setFont(QToolTip::font());
    label->setPalette(QToolTip::palette());
    label->setAutoFillBackground(true);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(kFrame);
    label->setMargin(kMargin);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

THintWindow::THintWindow() = default;

THintWindow::~THintWindow()
{
    ReleaseHandle();
}

void THintWindow::SetCaption(const QString& value)
{
    FCaption = value;
    if (FLabel)
        FLabel->setText(value);
}

TRect THintWindow::CalcHintRect(int maxWidth, const QString& text) const
{
    const int extra = 2 * (kMargin + kFrame);
    const QFontMetrics metrics(FLabel ? FLabel->font() : QToolTip::font());
    const int textWidth = std::max(1, maxWidth - extra);
    const QRect bounds =
        metrics.boundingRect(QRect(0, 0, textWidth, INT_MAX / 2), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    return TRect{0, 0, bounds.width() + extra, std::max(bounds.height(), metrics.height()) + extra};
}

void THintWindow::ActivateHint(const TRect& rect, const QString& text)
{
    if (!FLabel)
        FLabel = MakeLabel();
    SetCaption(text);
    // The label's own layout may need a pixel more than the metrics' estimate.
    const int height = std::max(rect.Height(), FLabel->heightForWidth(rect.Width()));
    FLabel->setGeometry(rect.Left, rect.Top, rect.Width(), height);
    FLabel->show();
}

void THintWindow::ReleaseHandle()
{
    if (QLabel* label = std::exchange(FLabel, nullptr)) {
        label->hide();
        delete label;
    }
}

bool THintWindow::IsShowing() const
{
    return FLabel && FLabel->isVisible();
}

TRect THintWindow::GetBoundsRect() const
{
    if (!FLabel)
        return TRect{};
    const QRect g = FLabel->geometry();
    return TRect::Bounds(g.x(), g.y(), g.width(), g.height());
}

QWidget* THintWindow::Widget() const
{
    return FLabel;
}

} // namespace kv
