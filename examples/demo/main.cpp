// The demo: the top-level grid over a million generated rows of mixed types, grouped by
// region in its grouping panel, with a two-level column group, a fixed column, a footer with
// summaries, filter handles, sortable headers, movable columns and dynamic styles.
//
//   kv_demo [--rows N] [--png FILE] [--size WIDTHxHEIGHT]
//
// With a display it opens a window; with --png, or without a display, it paints the grid
// offscreen and writes the picture to FILE (kv_demo.png in the temporary folder by default).
#include "DemoFiles.h"
#include "DemoGrid.h"

#include <QtCore/QCommandLineParser>
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTextStream>
#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <cstdio>
#include <cstdlib>

using namespace kv;

namespace {

bool HasDisplay()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return QByteArray(platform) != "offscreen" && QByteArray(platform) != "minimal";
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

// Lets the window appear, then lays out and paints what is due.
void Paint(TKvGridView* grid)
{
    QElapsedTimer t;
    t.start();
    do
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    while (t.elapsed() < 100);
    grid->Invalidate();
    grid->Update();
}

} // namespace

int main(int argc, char** argv)
{
    // Scan for --png before Qt starts: the platform is chosen when the application is made.
    bool png = false;
    for (int i = 1; i < argc; ++i)
        png = png || QByteArray(argv[i]) == "--png";
    const bool window = !png && HasDisplay();
    if (!window) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("QT_FONT_DPI", "96", 0);
    }
    QApplication app(argc, argv);
    QTextStream out(stdout);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KvGrids demo"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("rows"), QStringLiteral("Number of generated rows."), QStringLiteral("N"),
                      QStringLiteral("1000000")});
    parser.addOption({QStringLiteral("png"), QStringLiteral("Paint offscreen into this PNG file."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("size"), QStringLiteral("Window size."), QStringLiteral("WxH"),
                      QStringLiteral("1200x700")});
    parser.addOption({QStringLiteral("styles"), QStringLiteral("Load a style archive (.vts) into the grid."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("export"), QStringLiteral("Write the grid as a spreadsheet workbook and exit."), QStringLiteral("FILE")});
    parser.process(app);

    bool ok = false;
    const int rows = parser.value(QStringLiteral("rows")).toInt(&ok);
    const QStringList size = parser.value(QStringLiteral("size")).split(QLatin1Char('x'));
    bool okW = false, okH = false;
    const int width = size.value(0).toInt(&okW), height = size.value(1).toInt(&okH);
    constexpr int MaxRows = 10000000;
    if (!ok || rows < 1 || rows > MaxRows || !okW || !okH || width < 100 || height < 100 || width > 10000 ||
        height > 10000) {
        std::fprintf(stderr, "kv_demo: --rows takes 1 to %d rows and --size WIDTHxHEIGHT 100 to 10000 pixels a side\n",
                     MaxRows);
        return 2;
    }

    QElapsedTimer timer;
    timer.start();
    demo::TDemoGrid demo(rows);
    TKvVantrel* grid = demo.Grid();
    grid->SetBounds(0, 0, width, height);
    grid->Widget()->setWindowTitle(QStringLiteral("KvGrids demo — %L1 rows").arg(rows));
    if (parser.isSet(QStringLiteral("styles")) && !demo::LoadStyles(grid, parser.value(QStringLiteral("styles"))))
        return 1;
    if (parser.isSet(QStringLiteral("export")))
        return demo::ExportWorkbook(grid, parser.value(QStringLiteral("export"))) ? 0 : 1;
    grid->Show();
    Paint(grid);
    out << QStringLiteral("%L1 rows generated in %2 ms, bound in %3 ms, first frame after %4 ms\n")
               .arg(rows)
               .arg(demo.GetFillTime())
               .arg(demo.GetBindTime())
               .arg(timer.elapsed());
    out.flush();

    if (window)
        return app.exec();

    const QString file = parser.isSet(QStringLiteral("png")) ? parser.value(QStringLiteral("png"))
                                                                 : QDir::temp().filePath(QStringLiteral("kv_demo.png"));
    // The window as shown: the painted grid with its scroll bars.
    const QImage image = grid->Widget()->grab().toImage();
    if (!image.save(file, "PNG")) {
        std::fprintf(stderr, "kv_demo: cannot write %s\n", qPrintable(file));
        return 1;
    }
    out << QStringLiteral("painted offscreen to %1\n").arg(QDir::current().absoluteFilePath(file));
    return 0;
}
