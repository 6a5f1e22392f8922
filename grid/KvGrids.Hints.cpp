#include "grid/KvGrids.Hints.h"

#include "grid/KvGrids.View.h"
#include "platform/ui/Services.h"

#include <algorithm>

namespace kv {

TKvGridHintManager::TKvGridHintManager(TKvGridView* owner) : FOwner(owner), FTimer(Create<TTimer>(nullptr))
{
    FTimer->SetEnabled(false);
}

TKvGridHintManager::~TKvGridHintManager()
{
    Hide();
    FTimer.reset();
}

template <typename Place>
void TKvGridHintManager::ShowPlaced(int x, int y, const QString& text, const TObject* data, Place place)
{
    if (FHintWindow && FHintWindow->IsShowing() && FData == data)
        return;
    Hide();
    if (!FHintWindow)
        FHintWindow.reset(Create<THintWindow>());
    FData = data;
    FHintWindow->SetCaption(text);
    TRect rect = FHintWindow->CalcHintRect(HINT_MAX_WIDTH, text);
    const TPoint origin = FOwner ? FOwner->ClientToScreen(TPoint{x, y}) : TPoint{x, y};
    const TPoint at = place(origin, rect);
    rect.Offset(at.X, at.Y);
    FHintWindow->ActivateHint(rect, text);
}

void TKvGridHintManager::Show(int x, int y, const QString& text, const TObject* data)
{
    ShowPlaced(x, y, text, data, [](TPoint origin, const TRect&) { return origin; });
}

void TKvGridHintManager::ShowBesidePointer(int x, int y, const QString& text, const TObject* data)
{
    ShowPlaced(x, y, text, data, [](TPoint pointer, const TRect& size) {
        TPoint at{pointer.X, pointer.Y + POINTER_HEIGHT};
        const TRect area = ScreenWorkArea(pointer);
        if (area.IsEmpty())
            return at;
        if (at.Y + size.Height() > area.Bottom)
            at.Y = pointer.Y - size.Height() - 1;
        at.X = std::max(area.Left, std::min(at.X, area.Right - size.Width()));
        return at;
    });
}

void TKvGridHintManager::Hide()
{
    if (FHintWindow) {
        FHintWindow->ReleaseHandle();
        FHintWindow.reset();
    }
    FData = nullptr;
    if (FTimer)
        FTimer->SetEnabled(false);
}

} // namespace kv
