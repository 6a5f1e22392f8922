// A surface being painted: a window during its paint, or a memory bitmap.
#pragma once

#include "platform/ui/UiTypes.h"

class QPainter;

namespace kv {

class TCanvas
{
public:
    // The painter is not owned and must outlive the canvas.
    explicit TCanvas(QPainter* painter) : FPainter(painter) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The device the canvas paints on; painters outside the platform layer pass it on
    // without using it.
    QPainter* Painter() const { return FPainter; }

    // The bounding box of the current clip in canvas coordinates; the whole device when
    // nothing clips.
    TRect GetClipRect() const;

    // Fills a rectangle with an opaque RGB colour (0xRRGGBB).
    void FillRect(const TRect& rect, unsigned rgb);

private:
    QPainter* FPainter;
};

} // namespace kv
