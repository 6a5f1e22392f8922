// The hint manager: one tool-tip window per grid, shown at a client point for an owner object
// (the input tools show cell errors with it) and word-wrapped at HINT_MAX_WIDTH pixels.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/ui/Hints.h"
#include "platform/ui/Timers.h"

#include <QtCore/QString>

namespace kv {

class TKvGridView;

class TKvGridHintManager : public TObject
{
public:
    static constexpr int HINT_MAX_WIDTH = 300;

    // Creates the timer, disabled.
    explicit TKvGridHintManager(TKvGridView* owner);
    // Hides the hint and frees the timer.
    ~TKvGridHintManager() override;

    // Room left below the pointer's hot spot for the pointer's own glyph.
    static constexpr int POINTER_HEIGHT = 20;

    // Shows text at the grid's client point (x, y); nothing when the hint of data is showing.
    void Show(int x, int y, const QString& text, const TObject* data);
    // Shows text beside the pointer at the grid's client point (x, y): below its glyph, or
    // above the pointer when the screen has no room below; never under the pointer, so the
    // grid keeps the pointer. Nothing when the hint of data is showing.
    void ShowBesidePointer(int x, int y, const QString& text, const TObject* data);
    // Frees the window, forgets the data and stops the timer.
    void Hide();

    THintWindow* GetHintWindow() const { return FHintWindow.get(); }
    const TObject* GetData() const { return FData; }
    TTimer* GetTimer() const { return FTimer.get(); }

private:
    // Shows text in the rectangle placed by place (screen point of (x, y), hint size).
    template <typename Place>
    void ShowPlaced(int x, int y, const QString& text, const TObject* data, Place place);

    TKvGridView* FOwner;
    TOwned<THintWindow> FHintWindow;
    TOwned<TTimer> FTimer;
    const TObject* FData = nullptr;
};

} // namespace kv
