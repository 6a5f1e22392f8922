#include "platform/ui/MessageBox.h"

#include "platform/rtl/SysUtils.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

#include <utility>

namespace kv {

namespace {
TMessageBoxHook& Hook()
{
    static TMessageBoxHook hook;
    return hook;
}
TExceptionHook& ExceptionHook()
{
    static TExceptionHook hook;
    return hook;
}
} // namespace

int MessageBox(const QString& Text, const QString& Caption, unsigned Flags)
{
    if (Hook())
        return Hook()(Text, Caption, Flags);
    QMessageBox box;
    // Above the window it is opened from, as the window manager keeps a transient window.
    QWidget* over = QApplication::activeModalWidget();
    if (!over)
        over = QApplication::activeWindow();
    if (over) {
        box.winId();
        if (box.windowHandle() && over->window()->windowHandle())
            box.windowHandle()->setTransientParent(over->window()->windowHandle());
    }
    box.setText(Text);
    box.setWindowTitle(Caption);
    switch (Flags & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    switch (Flags & 0xF) {
    case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return IDOK;
    }
}

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook Hook_)
{
    return std::exchange(Hook(), std::move(Hook_));
}

void ShowException(const QString& Message)
{
    if (ExceptionHook()) {
        ExceptionHook()(Message);
        return;
    }
    MessageBox(Message, QCoreApplication::applicationName(), MB_OK | MB_ICONERROR);
}

void ShowException(const std::exception& E)
{
    ShowException(ExceptionMessage(E));
}

namespace {
// What the lower layers report reaches the user through the same path.
[[maybe_unused]] const bool gReporterInstalled = (SetExceptionReporter([](const QString& Message) { ShowException(Message); }), true);
} // namespace

TExceptionHook SetExceptionHook(TExceptionHook Hook_)
{
    return std::exchange(ExceptionHook(), std::move(Hook_));
}

} // namespace kv
