#include "platform/ui/MessageBox.h"

#include <QtWidgets/QMessageBox>

#include <utility>

namespace kv {

namespace {
TMessageBoxHook& Hook()
{
    static TMessageBoxHook hook;
    return hook;
}
} // namespace

int MessageBox(const QString& Text, const QString& Caption, unsigned Flags)
{
    if (Hook())
        return Hook()(Text, Caption, Flags);
    QMessageBox box;
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

} // namespace kv
