// The vector graphics interface, continued: DrawImageRectI, saved states, world transforms and
// the clip.
#include "platform/graphics/VectorGraphics.Handles.h"

#include <algorithm>

namespace kv::gfx {

// --- images, state -------------------------------------------------------------------------

TGPStatus DrawImageRectI(GpGraphics* graphics, GpImage* image, int x, int y, int width, int height)
{
    if (!ValidGraphics(graphics) || !image || image->DisposePending)
        return InvalidParameter;
    if (image == graphics->Image)
        return ObjectBusy;
    graphics->Painter->drawImage(QRectF(x, y, width, height), image->Image);
    return Ok;
}

namespace {

// The clip is about to change: the innermost saved state must be able to bring it back.
void SaveClipOnce(GpGraphics* g)
{
    if (!g->States.empty() && !g->States.back().PainterSaved) {
        g->Painter->save();
        g->States.back().PainterSaved = true;
    }
}

} // namespace

TGPStatus SaveGraphics(GpGraphics* graphics, GraphicsState& state)
{
    if (!ValidGraphics(graphics))
        return InvalidParameter;
    state = graphics->NextState++;
    graphics->States.push_back({state, graphics->Smoothing, graphics->Painter->worldTransform(), false});
    return Ok;
}

TGPStatus RestoreGraphics(GpGraphics* graphics, GraphicsState state)
{
    if (!ValidGraphics(graphics))
        return InvalidParameter;
    auto& states = graphics->States;
    auto it = std::find_if(states.begin(), states.end(), [&](const GpGraphics::Saved& s) { return s.State == state; });
    if (it == states.end())
        return Ok;
    QPainter* p = graphics->Painter;
    for (auto i = states.end(); i != it;)
        if ((--i)->PainterSaved)
            p->restore();
    if (p->worldTransform() != it->World)
        p->setWorldTransform(it->World);
    graphics->Smoothing = it->Smoothing;
    ApplySmoothing(graphics);
    states.erase(it, states.end());
    return Ok;
}

TGPStatus TranslateWorldTransform(GpGraphics* graphics, float dx, float dy, TGPMatrixOrder order)
{
    if (!ValidGraphics(graphics) || !Finite(dx) || !Finite(dy))
        return InvalidParameter;
    QTransform t;
    t.translate(dx, dy);
    graphics->Painter->setWorldTransform(order == MatrixOrderPrepend ? t * graphics->Painter->worldTransform()
                                                                     : graphics->Painter->worldTransform() * t);
    return Ok;
}

TGPStatus ScaleWorldTransform(GpGraphics* graphics, float sx, float sy, TGPMatrixOrder order)
{
    if (!ValidGraphics(graphics) || !Finite(sx) || !Finite(sy))
        return InvalidParameter;
    QTransform t;
    t.scale(sx, sy);
    graphics->Painter->setWorldTransform(order == MatrixOrderPrepend ? t * graphics->Painter->worldTransform()
                                                                     : graphics->Painter->worldTransform() * t);
    return Ok;
}

TGPStatus RotateWorldTransform(GpGraphics* graphics, float angle, TGPMatrixOrder order)
{
    if (!ValidGraphics(graphics) || !Finite(angle))
        return InvalidParameter;
    QTransform t;
    t.rotate(angle);
    graphics->Painter->setWorldTransform(order == MatrixOrderPrepend ? t * graphics->Painter->worldTransform()
                                                                     : graphics->Painter->worldTransform() * t);
    return Ok;
}

TGPStatus GetWorldTransform(GpGraphics* graphics, GpMatrix* matrix)
{
    if (!ValidGraphics(graphics) || !matrix)
        return InvalidParameter;
    matrix->Transform = graphics->Painter->worldTransform();
    return Ok;
}

TGPStatus SetClipRect(GpGraphics* graphics, float x, float y, float width, float height, TGPCombineMode mode)
{
    if (!ValidGraphics(graphics) || !FiniteRect(x, y, width, height))
        return InvalidParameter;
    if (mode != CombineModeReplace && mode != CombineModeIntersect && mode != CombineModeExclude)
        return NotImplemented;
    SaveClipOnce(graphics);
    QPainter* p = graphics->Painter;
    const QRectF r(x, y, width, height);
    switch (mode) {
    case CombineModeReplace: {
        const QTransform world = p->worldTransform();
        if (graphics->InitialClipping) {
            p->resetTransform();
            p->setClipPath(graphics->InitialClip, Qt::ReplaceClip);
            p->setWorldTransform(world);
            p->setClipRect(r, Qt::IntersectClip);
        } else {
            p->setClipRect(r, Qt::ReplaceClip);
        }
        return Ok;
    }
    case CombineModeIntersect:
        if (p->hasClipping())
            p->setClipRect(r, Qt::IntersectClip);
        else
            p->setClipRect(r, Qt::ReplaceClip);
        return Ok;
    case CombineModeExclude: {
        QPainterPath current;
        if (p->hasClipping()) {
            current = p->clipPath();
        } else {
            bool invertible = false;
            const QTransform inverse = p->worldTransform().inverted(&invertible);
            if (!invertible)
                return InvalidParameter;
            QPainterPath device;
            device.addRect(DeviceRect(graphics));
            current = inverse.map(device);
        }
        QPainterPath cut;
        cut.addRect(r);
        p->setClipPath(current.subtracted(cut), Qt::ReplaceClip);
        return Ok;
    }
    default:
        return NotImplemented;
    }
}

TGPStatus ResetClip(GpGraphics* graphics)
{
    if (!ValidGraphics(graphics))
        return InvalidParameter;
    SaveClipOnce(graphics);
    QPainter* p = graphics->Painter;
    if (graphics->InitialClipping) {
        const QTransform world = p->worldTransform();
        p->resetTransform();
        p->setClipPath(graphics->InitialClip, Qt::ReplaceClip);
        p->setWorldTransform(world);
    } else {
        p->setClipping(false);
    }
    return Ok;
}

TGPStatus GetClipBounds(GpGraphics* graphics, TRectF& bounds)
{
    if (!ValidGraphics(graphics))
        return InvalidParameter;
    QPainter* p = graphics->Painter;
    QRectF r;
    if (p->hasClipping()) {
        r = p->clipBoundingRect();
    } else {
        bool invertible = false;
        const QTransform inverse = p->worldTransform().inverted(&invertible);
        r = invertible ? inverse.mapRect(DeviceRect(graphics)) : QRectF();
    }
    bounds = TRectF(float(r.left()), float(r.top()), float(r.right()), float(r.bottom()));
    return Ok;
}

} // namespace kv::gfx
