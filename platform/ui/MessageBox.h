// Modal message boxes and the hook that answers them instead (tests, embedding hosts).
#pragma once

#include <QtCore/QString>
#include <exception>
#include <functional>

namespace kv {

// Buttons, icons and answers of MessageBox.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

using TMessageBoxHook = std::function<int(const QString& Text, const QString& Caption, unsigned Flags)>;

// Shows the box modally and answers the button pressed; with a hook set, the hook answers.
int MessageBox(const QString& Text, const QString& Caption, unsigned Flags);
// Sets the hook (empty: the real box) and returns the one it replaces.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook Hook);

// What an exception that reached the event dispatch shows the user: its message, in an error
// box captioned with the application's name unless a hook takes the message instead.
using TExceptionHook = std::function<void(const QString& Message)>;
void ShowException(const std::exception& E);
void ShowException(const QString& Message);
// Sets the hook (empty: the error box) and returns the one it replaces.
TExceptionHook SetExceptionHook(TExceptionHook Hook);

} // namespace kv
