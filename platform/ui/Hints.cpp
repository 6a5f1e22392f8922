#include "platform/ui/Hints.h"

#include <QtCore/QRegularExpression>
#include <QtGui/QFontMetrics>
#include <QtGui/QTextLayout>
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
    // The pointer passes through the hint to the window below it.
    auto* label = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                                          Qt::WindowTransparentForInput);
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

// The text broken into lines of at most width pixels: at word boundaries where it can,
// anywhere inside a word that is wider than the line.
QString WrapText(const QFont& font, const QString& text, int width)
{
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << paragraph.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
        if (paragraph.isEmpty())
            lines << QString();
    }
    return lines.join(QLatin1Char('\n'));
}

QFont HintFont(const QLabel* label)
{
    return label ? label->font() : QToolTip::font();
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
    const QFont font = HintFont(FLabel);
    const QFontMetrics metrics(font);
    const int textWidth = std::max(1, maxWidth - extra);
    const QRect bounds = metrics.boundingRect(QRect(0, 0, textWidth, INT_MAX / 2), Qt::AlignLeft | Qt::AlignTop,
                                              WrapText(font, text, textWidth));
    return TRect{0, 0, std::min(bounds.width(), textWidth) + extra, std::max(bounds.height(), metrics.height()) + extra};
}

void THintWindow::ActivateHint(const TRect& rect, const QString& text)
{
    if (!FLabel)
        FLabel = MakeLabel();
    SetCaption(text);
    // A word wider than the window is broken here; the label wraps the rest at words.
    const int width = std::max(1, rect.Width() - 2 * (kMargin + kFrame));
    const QFontMetrics metrics(FLabel->font());
    const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (std::any_of(words.begin(), words.end(), [&](const QString& w) { return metrics.horizontalAdvance(w) > width; }))
        FLabel->setText(WrapText(FLabel->font(), text, width));
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
