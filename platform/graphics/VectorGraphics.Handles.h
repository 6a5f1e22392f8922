// The handles behind the vector graphics interface, shared by its source files.
#pragma once

#include "platform/graphics/VectorGraphics.h"

#include <QtGui/QFont>
#include <QtGui/QFontInfo>
#include <QtGui/QFontMetricsF>
#include <QtGui/QImage>
#include <QtGui/QImageReader>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QRegion>
#include <QtGui/QTransform>
#include <optional>
#include <cmath>
#include <vector>

namespace kv::gfx {

// --- handles -------------------------------------------------------------------------------

struct GpPen
{
    ARGB Color;
    float Width;
    TGPDashStyle Dash = DashStyleSolid;
    QPen Cached;
    bool Dirty = true;
};

struct GpBrush
{
    TGPBrushType Type = BrushTypeSolidColor;
    ARGB Color = 0;
    QBrush Cached;
    // The hairline pen that paints text with this brush; rebuilt when the brush changes.
    QPen TextPen;
    bool TextPenDirty = true;
};

struct GpFontFamily
{
    QString Name;
};

struct GpFont
{
    QString Family;
    float Size = 0;
    int Style = 0;
    QFont Font;
    // Metrics on the last device resolution asked for.
    std::optional<QFontMetricsF> Metrics;
    int MetricsDpi = 0;
    // Unique for the life of the process: a font made at a freed font's address is another key.
    std::uint64_t Serial = 0;
};

struct GpStringFormat
{
    int Flags = 0;
    TGPStringAlignment Align = StringAlignmentNear;
    TGPStringAlignment LineAlign = StringAlignmentNear;
};

struct GpPath
{
    TGPFillMode FillMode = FillModeAlternate;
    QPainterPath Path;
    bool NewFigure = true;
};

struct GpImage
{
    QImage Image;
    int Users = 0;
    bool DisposePending = false;
};

struct GpMatrix
{
    QTransform Transform;
};

struct GpGraphics
{
    QPainter* Painter = nullptr;
    std::unique_ptr<QPainter> OwnPainter;
    GpImage* Image = nullptr;
    TGPSmoothingMode Smoothing = SmoothingModeNone;
    // A saved state keeps the transform and smoothing itself; the painter saves its own state
    // (for the clip) only once the clip is changed at that level.
    struct Saved
    {
        GraphicsState State;
        TGPSmoothingMode Smoothing;
        QTransform World;
        bool PainterSaved;
    };
    std::vector<Saved> States;
    GraphicsState NextState = 1;
    bool InitialClipping = false;
    QPainterPath InitialClip;
    // The device pixels the painter's clip keeps, as its owner told (SetPaintRegion): what
    // misses them draws nothing.
    bool PaintRegionKnown = false;
    QRegion PaintRegion;
    // Fonts as this painter resolves them (against its device font and resolution), by font
    // serial, as faces of the prepared-text cache; valid while FacesGeneration is current.
    struct Face
    {
        std::uint64_t FontSerial;
        int FaceId;
    };
    std::vector<Face> Faces;
    std::uint64_t FacesGeneration = 0;
};

inline bool Finite(float v) { return std::isfinite(v); }

inline bool FiniteRect(float x, float y, float w, float h) { return Finite(x) && Finite(y) && Finite(w) && Finite(h); }

inline void ApplySmoothing(GpGraphics* g)
{
    const bool on = g->Smoothing == SmoothingModeAntiAlias || g->Smoothing == SmoothingModeHighQuality;
    constexpr QPainter::RenderHints hints = QPainter::Antialiasing | QPainter::SmoothPixmapTransform;
    if ((g->Painter->renderHints() & hints) != (on ? hints : QPainter::RenderHints()))
        g->Painter->setRenderHints(hints, on);
}

inline QRectF DeviceRect(GpGraphics* g)
{
    QPaintDevice* d = g->Painter->device();
    return d ? QRectF(0, 0, d->width(), d->height()) : QRectF();
}

inline bool ValidGraphics(GpGraphics* g) { return g && g->Painter && g->Painter->isActive(); }

// Whether a drawing whose pixels lie in the device rectangle may change one the paint keeps.
inline bool MayShow(const GpGraphics* g, const QRectF& device)
{
    return !g->PaintRegionKnown || g->PaintRegion.intersects(device.toAlignedRect());
}

} // namespace kv::gfx
