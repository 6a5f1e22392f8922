// Painting a 1920 by 1080 sprite host holding 50 rows of 15 cells (filled, outlined
// rectangles with a line of text) into an offscreen window: a full frame, a frame after one
// cell was invalidated, and one after two cells in opposite corners were.
#include "graphics/KvGrids.Common.Sprites.h"

#include <benchmark/benchmark.h>

#include <QtCore/QElapsedTimer>
#include <QtWidgets/QApplication>

#include <cstdlib>

using namespace kv;

namespace {

class TCell : public TKvSprite
{
public:
    TCell(TKvSpriteControl* host, const QString& text, TKvFill* fill) : TKvSprite(host, text), FFill(fill) {}

protected:
    void DoDraw(TKvDrawingContext* context) override
    {
        context->DrawRect(FFill, TKvStroke::DimGray(), TRectF(0, 0, GetWidth() - 1, GetHeight() - 1));
        context->DrawText(GetName(), TKvFont::Default9(), TKvFill::Black(), TRectF(4, 0, GetWidth() - 4, GetHeight()),
                          AlignNear, AlignCenter);
    }

private:
    TKvFill* FFill;
};

struct TScene
{
    TOwned<TKvSpriteControl> Host{Create<TKvSpriteControl>(nullptr)};
    std::unique_ptr<TKvFill> Even = TKvFill::CreateSolid(0xFFFFFFFFu);
    std::unique_ptr<TKvFill> Odd = TKvFill::CreateSolid(0xFFEAF2FFu);
    std::vector<TCell*> Cells;

    TScene()
    {
        Host->SetBounds(0, 0, 1920, 1080);
        Host->SetBackground(TKvFill::White());
        const float w = 1920.0f / 15;
        const float h = 1080.0f / 50;
        for (int r = 0; r < 50; ++r) {
            auto* row = Create<TKvSpriteElement>(Host.get(), QStringLiteral("row%1").arg(r));
            row->SetBounds(0.0f, r * h, 1920.0f, h);
            Host->AddElement(row);
            for (int c = 0; c < 15; ++c) {
                auto* cell = Create<TCell>(Host.get(), QStringLiteral("Cell %1.%2").arg(r + 1).arg(c + 1),
                                           (r + c) % 2 ? Odd.get() : Even.get());
                cell->SetBounds(c * w, 0.0f, w, h);
                row->Add(cell);
                Cells.push_back(cell);
            }
        }
        Host->Show();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 200)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
};

// Made on first use and freed before the application goes.
std::unique_ptr<TScene> gScene;

TScene& Scene()
{
    if (!gScene)
        gScene = std::make_unique<TScene>();
    return *gScene;
}

void BM_FullFrame(benchmark::State& state)
{
    TScene& s = Scene();
    for (auto _ : state) {
        s.Host->Invalidate();
        s.Host->Update();
    }
}
BENCHMARK(BM_FullFrame)->Unit(benchmark::kMillisecond);

void BM_OneCellFrame(benchmark::State& state)
{
    TScene& s = Scene();
    size_t i = 0;
    for (auto _ : state) {
        s.Cells[(i++ * 37) % s.Cells.size()]->Invalidate();
        s.Host->Update();
    }
}
BENCHMARK(BM_OneCellFrame)->Unit(benchmark::kMicrosecond);

void BM_TwoFarCellsFrame(benchmark::State& state)
{
    TScene& s = Scene();
    for (auto _ : state) {
        s.Cells.front()->Invalidate();
        s.Cells.back()->Invalidate();
        s.Host->Update();
    }
}
BENCHMARK(BM_TwoFarCellsFrame)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_FONT_DPI", "96", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gScene.reset();
    return 0;
}
