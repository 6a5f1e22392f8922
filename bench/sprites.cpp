// Painting a 1920 by 1080 sprite host holding 50 rows of 15 cells (filled, outlined
// rectangles with a line of text) into an offscreen window: a full frame, a frame after one
// cell was invalidated, one after two cells in opposite corners were, and a full frame of
// texts never drawn before (as after a page scroll), beside the same frame with every line
// laid out by QPainter::drawText.
#include "graphics/KvGrids.Common.Sprites.h"
#include "platform/graphics/VectorGraphics.h"
#include "BenchData.h"

#include <benchmark/benchmark.h>

#include <QtCore/QElapsedTimer>
#include <QtWidgets/QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

using namespace kv;

namespace {

class TCell : public TKvSprite
{
public:
    TCell(TKvSpriteControl* host, const QString& text, TKvFill* fill) : TKvSprite(host, text), Text(text), FFill(fill)
    {
    }
    QString Text;

protected:
    void DoDraw(TKvDrawingContext* context) override
    {
        context->DrawRect(FFill, TKvStroke::DimGray(), TRectF(0, 0, GetWidth() - 1, GetHeight() - 1));
        context->DrawText(Text, TKvFont::Default9(), TKvFill::Black(), TRectF(4, 0, GetWidth() - 4, GetHeight()),
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
KV_BENCHMARK(BM_FullFrame)->Unit(benchmark::kMillisecond);

void BM_OneCellFrame(benchmark::State& state)
{
    TScene& s = Scene();
    size_t i = 0;
    for (auto _ : state) {
        s.Cells[(i++ * 37) % s.Cells.size()]->Invalidate();
        s.Host->Update();
    }
}
KV_BENCHMARK(BM_OneCellFrame)->Unit(benchmark::kMicrosecond);

void BM_TwoFarCellsFrame(benchmark::State& state)
{
    TScene& s = Scene();
    for (auto _ : state) {
        s.Cells.front()->Invalidate();
        s.Cells.back()->Invalidate();
        s.Host->Update();
    }
}
KV_BENCHMARK(BM_TwoFarCellsFrame)->Unit(benchmark::kMicrosecond);

// Every frame shows texts that no frame showed before.
void NewTextsFrame(benchmark::State& state, bool prepared)
{
    TScene& s = Scene();
    static int frame = 0;
    gfx::SetPreparedTextEnabled(prepared);
    for (auto _ : state) {
        state.PauseTiming();
        ++frame;
        for (size_t i = 0; i < s.Cells.size(); ++i)
            s.Cells[i]->Text = QStringLiteral("Row %1 / %2").arg(frame).arg(i);
        state.ResumeTiming();
        s.Host->Invalidate();
        s.Host->Update();
    }
    gfx::SetPreparedTextEnabled(true);
}

void BM_NewTextsFrame(benchmark::State& state) { NewTextsFrame(state, true); }
KV_BENCHMARK(BM_NewTextsFrame)->Unit(benchmark::kMillisecond);

void BM_NewTextsFrameDrawText(benchmark::State& state) { NewTextsFrame(state, false); }
KV_BENCHMARK(BM_NewTextsFrameDrawText)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_FONT_DPI", "96", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    kvbench::TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("BM_NewTextsFrame", "BM_NewTextsFrameDrawText");
    std::fflush(stdout);
    benchmark::Shutdown();
    gScene.reset();
    return 0;
}
