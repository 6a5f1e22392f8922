#include "platform/ui/PaintSupport.h"

#include <QtGui/QPaintDevice>
#include <QtGui/QPainter>

namespace kv {

TRect GetCanvasClipRect(const TCanvas* canvas)
{
    QPainter* painter = canvas ? canvas->GetHandle() : nullptr;
    if (!painter || !painter->isActive())
        return TRect{};
    QRect r;
    if (painter->hasClipping()) {
        r = painter->clipBoundingRect().toAlignedRect();
    } else if (QPaintDevice* device = painter->device()) {
        r = painter->deviceTransform().inverted().mapRect(QRect(0, 0, device->width(), device->height()));
    }
    return TRect::Bounds(r.left(), r.top(), r.width(), r.height());
}

} // namespace kv
