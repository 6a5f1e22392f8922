// The memory bitmap behind a double-buffered window: kept between paints, grown (never
// shrunk), painted through a clipped canvas and copied to the window by rectangles.
#pragma once

#include "platform/graphics/Graphics.h"
#include "platform/graphics/Types.h"

#include <memory>
#include <vector>

class QImage;
class QPainter;
class QRegion;

namespace kv {

class TWinControl;

class TPaintBuffer
{
public:
    TPaintBuffer();
    ~TPaintBuffer();
    TPaintBuffer(const TPaintBuffer&) = delete;
    TPaintBuffer& operator=(const TPaintBuffer&) = delete;

    bool Exists() const;
    TSize GetSize() const;
    // Grows to at least width by height, keeping the old content at the top-left. True when
    // a new bitmap was made.
    bool EnsureSize(int width, int height);
    void Clear();

    // Moves the pixels of src by (dx, dy) inside the buffer (overlap allowed); parts that
    // would leave the buffer are dropped. During a window paint the window's pixels move:
    // src and its destination must lie in the paint's region.
    void MoveRect(const TRect& src, int dx, int dy);

    // A canvas over the buffer clipped to clip; valid until EndPaint.
    TCanvas* BeginPaint(const TRect& clip);
    void EndPaint();

    // During the paint of window: when its paint goes straight into the window's raster image
    // (TWinControl::GetClientImage), canvases act on the window's own pixels under the client,
    // set up as over the buffer but kept inside region (what the paint shows), until
    // EndWindowPaint; true then. The buffer itself is left as it was.
    bool BeginWindowPaint(const TWinControl* window, const std::vector<TRect>& region);
    void EndWindowPaint();
    // The buffer takes the picture window shows; false when it cannot be read.
    bool TakeWindowPicture(const TWinControl* window);

    // Copies rect of the buffer to the same position on target.
    void CopyTo(TCanvas* target, const TRect& rect) const;

    // The pixels (for checks of what was painted).
    const QImage& GetImage() const;

private:
    std::unique_ptr<QImage> FImage;
    // The window's pixels during a paint that goes straight there, else null.
    std::unique_ptr<QImage> FWindow;
    std::unique_ptr<QRegion> FWindowRegion;
    // What canvases and moves act on.
    QImage& Target() const;
    std::unique_ptr<QPainter> FPainter;
    std::unique_ptr<TCanvas> FCanvas;
};

} // namespace kv
