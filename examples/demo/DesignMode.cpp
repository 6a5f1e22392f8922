// The demo's design mode: the library's design-time editors on a form file in a small visual
// designer.
//
//   kv_demo --design [FORM_FILE] [--png FILE]
//
// Without FORM_FILE it opens the demo's own form (demo.kvf beside the demo's sources). With
// --png, or without a display, it paints the designer window offscreen to FILE.
#include "DesignMode.h"

#include "design/KvGrids.Regs.h"
#include "platform/design/VisualHost.h"
#include "platform/ui/MessageBox.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace demo {

int RunDesignMode(int argc, char** argv)
{
    QString form;
    QString png;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--design")
            continue;
        if (arg == "--png" && i + 1 < argc)
            png = QString::fromLocal8Bit(argv[++i]);
        else if (!arg.startsWith("--") && form.isEmpty())
            form = QString::fromLocal8Bit(arg);
        else {
            std::fprintf(stderr, "usage: kv_demo --design [FORM_FILE] [--png FILE]\n");
            return 2;
        }
    }
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool display = (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")) &&
                         !(platform && (QByteArray(platform) == "offscreen" || QByteArray(platform) == "minimal"));
    if (!png.isEmpty() || !display) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("QT_FONT_DPI", "96", 0);
        if (png.isEmpty())
            png = QDir::temp().filePath(QStringLiteral("kv_demo_design.png"));
    }
    QApplication app(argc, argv);
    if (form.isEmpty())
        form = QStringLiteral(KV_DEMO_DIR "/demo.kvf");
    else
        form = QFileInfo(form).absoluteFilePath();

    kv::Register();
    // Painting offscreen nobody answers a message box: its text goes to the error output.
    if (!png.isEmpty())
        kv::SetMessageBoxHook([](const QString& text, const QString& caption, unsigned) {
            std::fprintf(stderr, "kv_demo: %s: %s\n", qPrintable(caption), qPrintable(text));
            return kv::IDOK;
        });
    std::unique_ptr<kv::TVisualDesigner> designer;
    try {
        designer = std::make_unique<kv::TVisualDesigner>(form);
    } catch (const kv::Exception& e) {
        std::fprintf(stderr, "kv_demo: %s: %s\n", qPrintable(form), e.what());
        return 1;
    }
    designer->Show();
    if (png.isEmpty())
        return app.exec();

    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 200)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!designer->Window()->grab().toImage().save(png, "PNG")) {
        std::fprintf(stderr, "kv_demo: cannot write %s\n", qPrintable(png));
        return 1;
    }
    std::printf("designer painted offscreen to %s\n", qPrintable(QDir::current().absoluteFilePath(png)));
    return 0;
}

} // namespace demo
