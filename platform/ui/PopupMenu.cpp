#include "platform/ui/PopupMenu.h"

#include "platform/rtl/SysUtils.h"

#include <QtWidgets/QMenu>

#include <vector>

namespace kv {

struct TPopupMenu::TImpl
{
    struct TItem
    {
        QString Caption;
        std::function<void(TPopupMenu*, int)> OnClick;
    };
    std::vector<TItem> Items;
    std::unique_ptr<QMenu> Menu;
};

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), FImpl(std::make_unique<TImpl>()) {}

TPopupMenu::~TPopupMenu() = default;

int TPopupMenu::Add(const QString& Caption, std::function<void(TPopupMenu*, int)> OnClick)
{
    FImpl->Items.push_back({Caption, std::move(OnClick)});
    return Count() - 1;
}

int TPopupMenu::Count() const { return static_cast<int>(FImpl->Items.size()); }

QString TPopupMenu::GetCaption(int Item) const
{
    if (Item < 0 || Item >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Item));
    return FImpl->Items[static_cast<size_t>(Item)].Caption;
}

void TPopupMenu::Popup(int X, int Y)
{
    FPopupX = X;
    FPopupY = Y;
    if (OnPopup)
        OnPopup(this);
    FImpl->Menu = std::make_unique<QMenu>();
    for (int i = 0; i < Count(); ++i) {
        const QString& caption = FImpl->Items[static_cast<size_t>(i)].Caption;
        if (caption == QStringLiteral("-")) {
            FImpl->Menu->addSeparator();
            continue;
        }
        QAction* action = FImpl->Menu->addAction(caption);
        QObject::connect(action, &QAction::triggered, [this, i] { Click(i); });
    }
    FImpl->Menu->popup(QPoint(X, Y));
}

bool TPopupMenu::IsShowing() const { return FImpl->Menu && FImpl->Menu->isVisible(); }

void TPopupMenu::Close()
{
    if (FImpl->Menu)
        FImpl->Menu->close();
}

void TPopupMenu::Click(int Item)
{
    if (Item < 0 || Item >= Count())
        return;
    auto onClick = FImpl->Items[static_cast<size_t>(Item)].OnClick;
    if (onClick)
        onClick(this, Item);
}

} // namespace kv
