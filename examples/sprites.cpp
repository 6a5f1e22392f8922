// A sprite tree in a window: rows of cells, each a filled, outlined rectangle with text.
// Usage: kv_example_sprites [--png FILE]   (with --png the window is written to FILE)
#include "graphics/KvGrids.Common.Sprites.h"

#include <QtCore/QElapsedTimer>
#include <QtGui/QImage>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace kv;

namespace {

class TCell : public TKvSprite
{
public:
    TCell(TKvSpriteControl* host, const QString& text, TKvColor color)
        : TKvSprite(host, text), FFill(TKvFill::CreateSolid(color))
    {
    }

protected:
    void DoDraw(TKvDrawingContext* context) override
    {
        context->DrawRect(FFill.get(), TKvStroke::DimGray(), TRectF(0, 0, GetWidth() - 1, GetHeight() - 1));
        context->DrawText(GetName(), TKvFont::Default9(), TKvFill::Black(), TRectF(4, 0, GetWidth() - 4, GetHeight()),
                          AlignNear, AlignCenter);
    }

private:
    std::unique_ptr<TKvFill> FFill;
};

} // namespace

int main(int argc, char** argv)
{
    const char* png = nullptr;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc)
            png = argv[++i];
    if (png && !std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    TOwned<TKvSpriteControl> host(Create<TKvSpriteControl>(nullptr));
    host->SetBounds(100, 100, 640, 400);
    host->SetBorderStyle(bsSingle);
    host->SetBackground(TKvFill::White());
    auto* rows = Create<TKvLayerElement>(host.get(), QStringLiteral("rows"));
    host->AddElement(rows);
    const int cols = 6;
    for (int r = 0; r < 30; ++r) {
        auto* row = Create<TKvSpriteElement>(host.get(), QStringLiteral("row%1").arg(r));
        row->SetBounds(0.0f, r * 24.0f, cols * 100.0f, 24.0f);
        rows->Add(row);
        for (int c = 0; c < cols; ++c) {
            const TKvColor color = (r + c) % 2 ? 0xFFEAF2FFu : 0xFFFFFFFFu;
            auto* cell = Create<TCell>(host.get(), QStringLiteral("R%1 C%2").arg(r + 1).arg(c + 1), color);
            cell->SetBounds(c * 100.0f, 0.0f, 100.0f, 24.0f);
            cell->SetDraggable(true);
            row->Add(cell);
        }
    }
    host->SetScrollRect(TRectF(0, 0, cols * 100.0f, 30 * 24.0f));
    host->Widget()->setWindowTitle(QStringLiteral("Sprites"));
    host->Show();

    if (!png)
        return app.exec();

    // Let the window appear, then write what it shows.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    host->Invalidate();
    host->Update();
    const QImage image = host->Widget()->grab().toImage();
    if (!image.save(QString::fromLocal8Bit(png))) {
        std::fprintf(stderr, "could not write %s\n", png);
        return 1;
    }
    std::printf("wrote %s (%dx%d) on the %s platform\n", png, image.width(), image.height(),
                qPrintable(QGuiApplication::platformName()));
    return 0;
}
