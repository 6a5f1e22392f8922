// A graphics drawing through a painter clipped to strips of the image, for checks that what a
// paint region leaves out changes no pixel.
#pragma once

#include "platform/graphics/VectorGraphics.h"

#include <QtGui/QPainter>
#include <QtGui/QRegion>
#include <gtest/gtest.h>
#include <vector>

// Told: the graphics also knows the strips as its paint region. Free it with DeleteGraphics.
inline kv::gfx::GpGraphics* GraphicsInStrips(QPainter& Painter, const std::vector<kv::TRect>& Strips, bool Told)
{
    QRegion region;
    for (const kv::TRect& s : Strips)
        region += QRect(s.Left, s.Top, s.Width(), s.Height());
    Painter.setClipRegion(region);
    kv::gfx::GpGraphics* g = nullptr;
    EXPECT_EQ(kv::gfx::CreateFromHDC(&Painter, &g), kv::Ok);
    if (Told) {
        EXPECT_EQ(kv::gfx::SetPaintRegion(g, Strips.data(), static_cast<int>(Strips.size())), kv::Ok);
    }
    return g;
}
