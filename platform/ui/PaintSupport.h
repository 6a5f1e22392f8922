// What painting code needs of a canvas beyond the graphics layer's TCanvas.
#pragma once

#include "platform/graphics/Graphics.h"
#include "platform/graphics/Types.h"

namespace kv {

// The bounding box of the canvas's current clip in its painter's coordinates; the whole
// device when nothing clips; empty for a canvas without an open painter.
TRect GetCanvasClipRect(const TCanvas* canvas);

} // namespace kv
