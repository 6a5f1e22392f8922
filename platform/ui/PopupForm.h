// A pop-up form: a frameless top-level window with a thin border that floats over the other
// windows while shown (a Qt pop-up window, which the window system gives a drop shadow), takes
// the keyboard while it is open and is closed by Qt when a press lands outside it or the
// application loses activation. Qt closing it arrives as WM_NCACTIVATE with WParam 0.
//
// Child controls (SetParent(form)) sit in its client area. With KeyPreview on, each key press
// that reaches the window (its focused control, or the window itself) goes to the form's
// KeyDown first, once; a key set to 0 there goes no further.
// Close hides the form and frees it once the event being handled is done.
#pragma once

#include "platform/ui/Controls.h"

#include <memory>

namespace kv {

class TPopupForm : public TWinControl
{
protected:
    friend class TCreateAccess;
    explicit TPopupForm(TComponent* owner);

public:
    ~TPopupForm() override;
    void AfterConstruction() override;

    bool GetKeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool value) { FKeyPreview = value; }

    // Places the window at the screen rectangle (the client area, inside the border) and
    // shows it over everything with the keyboard.
    void ShowPopup(const TRect& screenBounds);
    // Screen rectangle of the window as shown.
    TRect GetScreenBounds();
    // Hides the form, calls OnClose, and frees it after the current event. Closing twice
    // does nothing more.
    void Close();
    bool GetClosing() const { return FClosing; }

    void WndProc(TMessage& message) override;

    TNotifyEvent OnClose;

protected:
    void CreateParams(TCreateParams& params) override;
    void PeerCreated() override;
    // The window lost activation (WM_NCACTIVATE with WParam 0): closes by default.
    virtual void Deactivated();

private:
    class TWatcher;
    friend class TWatcher;
    // A key pressed in the window, before its control sees it: true when consumed.
    bool PreviewKey(std::uint16_t key, TShiftState shift);
    // Qt hid the window without Close.
    void PeerHidden();

    std::unique_ptr<TWatcher> FWatcher;
    std::shared_ptr<bool> FAlive;
    bool FKeyPreview = false;
    bool FClosing = false;
    bool FShowing = false;
};

} // namespace kv
