// A settable cell model and pixel helpers for renderer tests.
#pragma once

#include "grid/KvGrids.h"

#include <QtGui/QImage>
#include <functional>

namespace kvtest {

using namespace kv;

// A cell whose index, item, text, value and styles the test sets.
class TKvGridCellMock : public TKvGridCell
{
public:
    TKvGridCellIndex Index;
    TKvGridItem* Item = nullptr;
    QString Text;
    Variant Value;
    TKvGridViewStyles* Styles = nullptr;

    TKvGridCellIndex GetIndex() const override { return Index; }
    TKvGridItem* GetItem() const override { return Item; }
    QString GetDisplayText() const override { return Text; }
    Variant GetValue() const override { return Value; }
    TKvGridViewStyles* GetStyles() const override { return Styles; }
};

// A form that streams its components that have no parent (published by the renderer tests).
class TRendererForm : public TComponent
{
public:
    using TComponent::TComponent;
    void GetChildren(const TGetChildProc& proc, TComponent* root) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            if (!GetComponent(i)->HasParent())
                proc(GetComponent(i));
    }
};

// The pixels of a white bitmap after one drawing call (smoothing off unless the call sets it).
inline QImage PaintImage(int width, int height, const std::function<void(TKvDrawingContext&)>& draw)
{
    TBitmap bitmap(width, height);
    {
        TKvDrawingContext context(bitmap.GetCanvas());
        context.SetSmoothing(false);
        draw(context);
    }
    bitmap.ReleaseCanvas();
    return bitmap.GetImage().copy();
}

// The bounding box of the pixels that match.
inline QRect InkBounds(const QImage& image, const std::function<bool(QRgb)>& match)
{
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixel(x, y)))
                r |= QRect(x, y, 1, 1);
    return r;
}

inline QRect ColorBounds(const QImage& image, QRgb color)
{
    return InkBounds(image, [color](QRgb c) { return c == color; });
}

} // namespace kvtest
