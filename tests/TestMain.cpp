// Test entry point: Qt runs headless on its offscreen platform with a fixed DPI.
#include <gtest/gtest.h>
#include <QtWidgets/QApplication>
#include "platform/ui/MessageBox.h"
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_FONT_DPI", "96", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // No modal error box in a headless run: an exception that reached the event dispatch is
    // printed; tests that look for it set their own hook.
    kv::SetExceptionHook([](const QString& message) {
        std::fprintf(stderr, "KvGrids: exception shown to the user: %s\n", qPrintable(message));
    });
    return RUN_ALL_TESTS();
}
