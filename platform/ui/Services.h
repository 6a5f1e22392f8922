// Small services of the desktop that text-input controls need: the caret, the default beep,
// clipboard text, system colours, the screen's work area and the locale's separators.
#pragma once

#include "platform/graphics/Graphics.h"
#include "platform/graphics/Types.h"

#include <QtCore/QString>

namespace kv {

class TWinControl;

// The one caret of the application: a solid bar in a control's client area, blinking while
// shown. Creating it for a control destroys the one before; it goes with its control's window.
bool CreateCaret(TWinControl* control, int width, int height);
bool DestroyCaret();
bool SetCaretPos(int x, int y);
bool GetCaretPos(TPoint& pos);
bool ShowCaret(TWinControl* control);
bool HideCaret(TWinControl* control);
// The control owning the caret, or null.
TWinControl* GetCaretOwner();
// Created and shown (whatever the blink phase).
bool IsCaretShown();

// The default beep; the count of beeps so far lets callers notice that one sounded.
void MessageBeep();
int GetBeepCount();

// The clipboard's plain text; setting replaces the whole clipboard content.
bool ClipboardHasText();
QString GetClipboardText();
void SetClipboardText(const QString& text);

// System colours, as platform colours (red in the low byte).
enum TSysColor { COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_GRAYTEXT, COLOR_BTNFACE };
TColor GetSysColor(TSysColor index);

// The mouse cursor's position on the screen.
TPoint GetCursorPos();

// The available geometry of the screen that holds the point.
TRect ScreenWorkArea(TPoint point);

// The default locale's separators: decimal point, digit group, and the date separator of its
// short date format ("/" when it has none).
QChar LocaleDecimalSeparator();
QChar LocaleThousandSeparator();
QChar LocaleDateSeparator();
// The default locale's short date format.
QString LocaleShortDateFormat();

} // namespace kv
