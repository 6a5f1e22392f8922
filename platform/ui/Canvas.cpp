#include "platform/ui/Canvas.h"

#include <QtGui/QPaintDevice>
#include <QtGui/QPainter>

namespace kv {

TRect TCanvas::GetClipRect() const
{
    if (!FPainter || !FPainter->isActive())
        return TRect();
    QRect r;
    if (FPainter->hasClipping()) {
        r = FPainter->clipBoundingRect().toAlignedRect();
    } else if (QPaintDevice* device = FPainter->device()) {
        // Device pixels back into the painter's coordinates.
        r = FPainter->deviceTransform().inverted().mapRect(QRect(0, 0, device->width(), device->height()));
    }
    return TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

void TCanvas::FillRect(const TRect& rect, unsigned rgb)
{
    if (FPainter && !rect.IsEmpty())
        FPainter->fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), QColor::fromRgb(rgb));
}

} // namespace kv
