#include "grid/KvGrids.Hints.h"

#include "grid/KvGrids.View.h"

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

void TKvGridHintManager::Show(int x, int y, const QString& text, const TObject* data)
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
    rect.Offset(origin.X, origin.Y);
    FHintWindow->ActivateHint(rect, text);
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
