#include "platform/ui/PaintBuffer.h"

#include "platform/ui/Controls.h"

#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QRegion>

#include <algorithm>
#include <cstring>

namespace kv {

TPaintBuffer::TPaintBuffer() : FImage(std::make_unique<QImage>()) {}

TPaintBuffer::~TPaintBuffer()
{
    EndWindowPaint();
    EndPaint();
}

bool TPaintBuffer::Exists() const
{
    return !FImage->isNull();
}

TSize TPaintBuffer::GetSize() const
{
    return TSize{FImage->width(), FImage->height()};
}

bool TPaintBuffer::EnsureSize(int width, int height)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (!FImage->isNull() && width <= FImage->width() && height <= FImage->height())
        return false;
    EndPaint();
    const int w = std::max(width, FImage->isNull() ? 0 : FImage->width());
    const int h = std::max(height, FImage->isNull() ? 0 : FImage->height());
    // Opaque: the windows it is copied to are opaque too, and an opaque 32-bit image is
    // painted and copied without alpha conversions.
    auto image = std::make_unique<QImage>(w, h, QImage::Format_RGB32);
    image->fill(Qt::white);
    if (!FImage->isNull()) {
        QPainter p(image.get());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, *FImage);
    }
    FImage = std::move(image);
    return true;
}

void TPaintBuffer::Clear()
{
    EndPaint();
    FImage = std::make_unique<QImage>();
}

QImage& TPaintBuffer::Target() const
{
    return FWindow ? *FWindow : *FImage;
}

void TPaintBuffer::MoveRect(const TRect& src, int dx, int dy)
{
    QImage& image = Target();
    if (image.isNull())
        return;
    EndPaint();
    const QRect bounds = image.rect();
    const QRect from = QRect(src.Left, src.Top, src.Width(), src.Height()) & bounds;
    const QRect to = from.translated(dx, dy) & bounds;
    if (to.isEmpty())
        return;
    const QRect source = to.translated(-dx, -dy);
    const int bytes = to.width() * 4;
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    auto row = [&](int y) { return bits + y * stride; };
    // Rows in the order that never reads a row already written.
    if (dy > 0) {
        for (int i = to.height() - 1; i >= 0; --i)
            std::memmove(row(to.top() + i) + to.left() * 4, row(source.top() + i) + source.left() * 4, bytes);
    } else {
        for (int i = 0; i < to.height(); ++i)
            std::memmove(row(to.top() + i) + to.left() * 4, row(source.top() + i) + source.left() * 4, bytes);
    }
}

TCanvas* TPaintBuffer::BeginPaint(const TRect& clip)
{
    EndPaint();
    QImage& target = Target();
    if (target.isNull())
        return nullptr;
    FPainter = std::make_unique<QPainter>(&target);
    const QRect r(clip.Left, clip.Top, clip.Width(), clip.Height());
    // On the window nothing reaches past what this paint shows.
    if (FWindow && !(QRegion(r) - *FWindowRegion).isEmpty())
        FPainter->setClipRegion(*FWindowRegion & r);
    else
        FPainter->setClipRect(r);
    FCanvas = std::make_unique<TCanvas>(FPainter.get());
    return FCanvas.get();
}

void TPaintBuffer::EndPaint()
{
    FCanvas.reset();
    if (FPainter) {
        FPainter->end();
        FPainter.reset();
    }
}

void TPaintBuffer::CopyTo(TCanvas* target, const TRect& rect) const
{
    QPainter* p = target ? target->GetHandle() : nullptr;
    if (!p || FImage->isNull() || rect.IsEmpty())
        return;
    const QRect r = QRect(rect.Left, rect.Top, rect.Width(), rect.Height()) & FImage->rect();
    if (r.isEmpty())
        return;
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->drawImage(r.topLeft(), *FImage, r);
    p->restore();
}

bool TPaintBuffer::BeginWindowPaint(const TWinControl* window, const std::vector<TRect>& region)
{
    EndWindowPaint();
    QImage image = window ? window->GetClientImage() : QImage();
    if (image.isNull())
        return false;
    FWindow = std::make_unique<QImage>(std::move(image));
    FWindowRegion = std::make_unique<QRegion>();
    for (const TRect& r : region)
        *FWindowRegion += QRect(r.Left, r.Top, r.Width(), r.Height());
    return true;
}

void TPaintBuffer::EndWindowPaint()
{
    if (!FWindow)
        return;
    EndPaint();
    FWindow.reset();
    FWindowRegion.reset();
}

bool TPaintBuffer::TakeWindowPicture(const TWinControl* window)
{
    const QImage picture = window ? window->GetClientImage() : QImage();
    if (picture.isNull())
        return false;
    EndWindowPaint();
    EnsureSize(picture.width(), picture.height());
    EndPaint();
    QPainter p(FImage.get());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, picture);
    return true;
}

const QImage& TPaintBuffer::GetImage() const
{
    return *FImage;
}

} // namespace kv
