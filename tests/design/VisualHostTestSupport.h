// Shared pieces of the tests that open forms in the visual designer: a form file in a temporary
// folder, the designer shown as the active window, file texts and the message boxes shown.
#pragma once

#include "TestSupport.h"
#include "design/KvGrids.Regs.h"
#include "platform/design/VisualHost.h"
#include "platform/ui/MessageBox.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>
#include <deque>
#include <gtest/gtest.h>
#include <vector>

namespace kvtest {

// A temporary folder for a test's form file; the design package is registered for the test and
// the working folder put back after it.
struct TFormFolderTest : ::testing::Test
{
    QTemporaryDir Dir;
    QString FormFile;
    QString OldDir = QDir::currentPath();

    void TearDown() override
    {
        kv::UnregisterDesignPackage();
        QDir::setCurrent(OldDir);
    }
};

// Shows the designer as the active window.
inline void ShowActive(kv::TVisualDesigner& d)
{
    d.Show();
    d.Window()->activateWindow();
    QApplication::setActiveWindow(d.Window());
    WaitUntil([&] { return d.Window()->windowHandle() && d.Window()->windowHandle()->isExposed(); },
              "the designer is shown");
    DeliverPosted();
}

inline QString FileText(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Records the message boxes shown and answers each with the next answer (OK when none is left).
struct TMessageBoxes
{
    QStringList Texts;
    std::vector<unsigned> Flags;
    std::deque<int> Answers;
    kv::TMessageBoxHook Old;
    TMessageBoxes()
    {
        Old = kv::SetMessageBoxHook([this](const QString& text, const QString&, unsigned flags) -> int {
            Texts << text;
            Flags.push_back(flags);
            if (Answers.empty())
                return kv::IDOK;
            const int answer = Answers.front();
            Answers.pop_front();
            return answer;
        });
    }
    ~TMessageBoxes() { kv::SetMessageBoxHook(Old); }
};

} // namespace kvtest
