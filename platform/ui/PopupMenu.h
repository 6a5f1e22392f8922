// A pop-up menu component: captioned items with click events, shown at a screen point.
#pragma once

#include "platform/rtl/Classes.h"

#include <QtCore/QString>
#include <functional>
#include <memory>

namespace kv {

class TPopupMenu : public TComponent
{
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // Answers the item's index; an empty-caption "-" is a separator.
    int Add(const QString& Caption, std::function<void(TPopupMenu* Sender, int Item)> OnClick = {});
    int Count() const;
    QString GetCaption(int Item) const;
    // Shows the menu at the screen point without waiting for a choice.
    void Popup(int X, int Y);
    bool IsShowing() const;
    // The screen point of the last Popup.
    int GetPopupX() const { return FPopupX; }
    int GetPopupY() const { return FPopupY; }
    void Close();
    // Runs the item's click event as a choice would.
    void Click(int Item);

    std::function<void(TPopupMenu* Sender)> OnPopup;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
    int FPopupX = 0;
    int FPopupY = 0;
};

} // namespace kv
