// Image and bar cells on the paint path: a frame of image cells drawn by the image renderer
// through the simple loader (pictures decoded once and kept; and, for comparison, decoded on
// every frame), and a frame of bar cells, against QPainter drawing the same pictures from a
// hash of decoded images and the same bars.
#include "BenchData.h"
#include "grid/KvGrids.h"

#include <QtCore/QHash>
#include <QtCore/QTemporaryDir>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

using namespace kv;

namespace {

constexpr int kCols = 30;
constexpr int kRows = 20; // 600 cells, about one frame
constexpr int kCellW = 64;
constexpr int kCellH = 40;
constexpr int kPictures = 20;

class TBenchCell : public TKvGridCell
{
public:
    Variant Value;
    TKvGridViewStyles* Styles = nullptr;
    TKvGridCellIndex GetIndex() const override { return TKvGridCellIndex(); }
    TKvGridItem* GetItem() const override { return nullptr; }
    QString GetDisplayText() const override { return QString(); }
    Variant GetValue() const override { return Value; }
    TKvGridViewStyles* GetStyles() const override { return Styles; }
};

// Twenty PNG pictures of 80 x 60 pixels in a temporary folder.
struct TPictures
{
    QTemporaryDir Dir;
    QStringList Keys;
    TPictures()
    {
        for (int i = 0; i < kPictures; ++i) {
            TBitmap bitmap(80, 60);
            bitmap.GetCanvas()->FillRect(TRect{i, i, 80 - i, 60 - i}, TColor(0x102030 * (i + 1)));
            bitmap.ReleaseCanvas();
            Keys << QStringLiteral("p%1.png").arg(i);
            bitmap.SaveToFile(Dir.filePath(Keys.back()), ifPng);
        }
    }
    QString Key(int cell) const { return Keys[cell % kPictures]; }
};

TPictures& Pictures()
{
    static TPictures pictures;
    return pictures;
}

struct TKvFrame
{
    TBitmap Target{kCols * kCellW, kRows * kCellH};
    TKvGridViewStyles Styles{nullptr, "cells"};
    TBenchCell Cell;
    TKvFrame()
    {
        Styles.SetBackground(Styles.CreateBrush(TKvColor(0xFFFFFFFFu)));
        Styles.SetPaddingLeft(2);
        Styles.SetPaddingRight(2);
        Cell.Styles = &Styles;
    }
    template <typename F>
    void Paint(TKvGridCellRenderer* renderer, F value)
    {
        TKvDrawingContext context(Target.GetCanvas());
        context.SetSmoothing(false); // as the grid paints
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c) {
                Cell.Value = value(r * kCols + c);
                renderer->Render(&Cell, &context,
                                 TRectF::Bounds(float(c * kCellW), float(r * kCellH), kCellW, kCellH));
            }
    }
};

void RunImages(benchmark::State& state, bool keep)
{
    TPictures& pictures = Pictures();
    TKvFrame frame;
    TOwned<TKvSimpleImageLoader> loader = MakeOwned<TKvSimpleImageLoader>(nullptr);
    loader->OnLoadBitmap = [&](TObject*, const QString&, const QString& key, TBitmap* bitmap) {
        return TKvSimpleImageLoader::LoadPng(pictures.Dir.filePath(key), bitmap);
    };
    TOwned<TKvImageCellRenderer> renderer = MakeOwned<TKvImageCellRenderer>(nullptr);
    renderer->SetLoader(loader.get());
    for (auto _ : state) {
        if (!keep)
            loader->ClearCache();
        frame.Paint(renderer.get(), [&](int cell) { return Variant(pictures.Key(cell)); });
    }
    state.SetItemsProcessed(state.iterations() * kRows * kCols);
}

void BM_KvImageFrame(benchmark::State& state) { RunImages(state, true); }
KV_BENCHMARK(BM_KvImageFrame);

void BM_KvImageFrameDecodingEachPaint(benchmark::State& state) { RunImages(state, false); }
KV_BENCHMARK(BM_KvImageFrameDecodingEachPaint);

// The content rectangle and the fitted picture, as the renderer places them.
QRect FitAuto(const QRect& r, int w, int h)
{
    const double s = std::min(double(r.width()) / w, double(r.height()) / h);
    const int nw = int(std::nearbyint(w * s));
    const int nh = int(std::nearbyint(h * s));
    if (double(r.width()) / nw > double(r.height()) / nh)
        return QRect(r.x() + (r.width() - nw) / 2, r.y(), nw, nh);
    return QRect(r.x(), r.y() + (r.height() - nh) / 2, nw, nh);
}

void BM_QtImageFrame(benchmark::State& state)
{
    TPictures& pictures = Pictures();
    QHash<QString, QImage> decoded;
    QImage target(kCols * kCellW, kRows * kCellH, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&target);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c) {
                const QString key = pictures.Key(r * kCols + c);
                auto it = decoded.find(key);
                if (it == decoded.end())
                    it = decoded.insert(key, QImage(pictures.Dir.filePath(key), "png"));
                const QRect cell(c * kCellW, r * kCellH, kCellW, kCellH);
                painter.fillRect(cell, Qt::white);
                const QRect content = cell.adjusted(2, 0, -2, 0);
                painter.save();
                painter.setClipRect(content);
                painter.drawImage(QRectF(FitAuto(content, it->width(), it->height())), *it);
                painter.restore();
            }
    }
    state.SetItemsProcessed(state.iterations() * kRows * kCols);
}
KV_BENCHMARK(BM_QtImageFrame);

void BM_KvBarFrame(benchmark::State& state)
{
    TKvFrame frame;
    TOwned<TKvBarCellRenderer> renderer = MakeOwned<TKvBarCellRenderer>(nullptr);
    for (auto _ : state)
        frame.Paint(renderer.get(), [](int cell) { return Variant(cell % 101); });
    state.SetItemsProcessed(state.iterations() * kRows * kCols);
}
KV_BENCHMARK(BM_KvBarFrame);

void BM_QtBarFrame(benchmark::State& state)
{
    QImage target(kCols * kCellW, kRows * kCellH, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&target);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c) {
                const int cell = r * kCols + c;
                const QString text = QString::number(cell % 101);
                const double share = std::clamp(text.toDouble() / 100.0, 0.0, 1.0);
                painter.fillRect(QRectF(c * kCellW, r * kCellH, kCellW, kCellH), Qt::white);
                painter.fillRect(QRectF(c * kCellW + 2, r * kCellH + 4, (kCellW - 4) * share, kCellH - 8), Qt::black);
            }
    }
    state.SetItemsProcessed(state.iterations() * kRows * kCols);
}
KV_BENCHMARK(BM_QtBarFrame);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    kvbench::RunAndPrintRatios(&argc, argv, {{"BM_KvImageFrame", "BM_QtImageFrame"},
                                             {"BM_KvImageFrameDecodingEachPaint", "BM_KvImageFrame"},
                                             {"BM_KvBarFrame", "BM_QtBarFrame"}});
    return 0;
}
