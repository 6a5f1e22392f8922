// Drop-down windows: a control's peer made a frameless, top-most tool window that floats over
// everything and never takes the keyboard focus (the edit that opened it keeps it), and a
// watcher of left-button presses that land outside it while it is open.
//
// A press outside an open drop-down is not swallowed: the watcher reports it (the owner closes
// the drop-down) and the press goes on to the window under the mouse, tagged for the time of
// its dispatch so that GetMessageExtraInfo() answers the tag given to the watcher.
#pragma once

#include "platform/graphics/Types.h"
#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <memory>

class QObject;
class QEvent;

namespace kv {

class TControl;
class TFont;

// Makes the control's peer a drop-down window (made when needed).
void MakeDropDownWindow(TControl* control);
// Places it at screen bounds and shows it without activating it.
void ShowDropDown(TControl* control, const TRect& screenBounds);
void HideDropDown(TControl* control);
// Screen bounds of a shown drop-down.
TRect DropDownBounds(TControl* control);

// The extra information of the mouse press being dispatched (0 for an ordinary press).
std::intptr_t GetMessageExtraInfo();
// Delivers a left press (and its release) to the top-level window at the screen point,
// carrying extraInfo for its dispatch.
void ResendMousePress(TPoint screenPos, std::intptr_t extraInfo);

class TOutsidePressWatcher
{
public:
    TOutsidePressWatcher();
    ~TOutsidePressWatcher();
    TOutsidePressWatcher(const TOutsidePressWatcher&) = delete;
    TOutsidePressWatcher& operator=(const TOutsidePressWatcher&) = delete;

    // Watches presses outside popup (its peer window) until Stop; each one calls onOutside
    // with the screen point before the press goes on with extraInfo.
    void Start(TControl* popup, std::intptr_t extraInfo, std::function<void(TPoint)> onOutside);
    void Stop();
    bool Active() const;

private:
    class TFilter;
    std::unique_ptr<TFilter> FFilter;
};

// While started, the keyboard belongs to the drop-down: key and input-method events meant for
// any other widget go to the drop-down's control instead, and shortcuts do not fire.
class TDropDownKeyGrab
{
public:
    TDropDownKeyGrab();
    ~TDropDownKeyGrab();
    TDropDownKeyGrab(const TDropDownKeyGrab&) = delete;
    TDropDownKeyGrab& operator=(const TDropDownKeyGrab&) = delete;

    void Start(TControl* popup);
    void Stop();
    bool Active() const;

private:
    class TFilter;
    std::unique_ptr<TFilter> FFilter;
};

// Text metrics of a font on the screen: one line's height, and the size of a text laid out
// within a width (word-wrapped when wordBreak is set).
int FontTextHeight(const TFont* font);
TSize FontTextBounds(const TFont* font, const QString& text, int maxWidth, bool wordBreak);
// The average character width of a font.
int FontAverageCharWidth(const TFont* font);

} // namespace kv
