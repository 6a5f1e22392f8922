// The pick-list edit.
//
// Sections: placement; construction and items; drop-down and close-up; keys; mouse.
//
// Call flow: typing into the waiting edit starts the edit (RequestStart), whose DoStart hook
// drops the list down; text changes then locate the item. Enter/Escape/Alt+arrows and the
// navigation keys are taken in WndProc before the cell editor sees them. A press outside the
// open list closes it without acceptance and goes on to its window, tagged CLOSEUP_MESSAGE.
#include "grid/KvGrids.Editor.List.h"

#include "grid/KvGrids.View.h"
#include "model/KvGrids.Common.h"
#include "platform/graphics/DeviceContext.h"
#include "platform/ui/Services.h"

#include <algorithm>

namespace kv {

// ---- placement -------------------------------------------------------------------------

TPoint PlaceDropDown(int left, int cellBottom, int editTop, TSize size)
{
    TPoint p{left, cellBottom};
    const TRect area = ScreenWorkArea(TPoint{left, editTop});
    if (area.IsEmpty())
        return p;
    if (p.Y + size.cy > area.Bottom)
        p.Y = editTop - size.cy;
    p.Y = std::max(area.Top, std::min(p.Y, area.Bottom - size.cy));
    p.X = std::max(area.Left, std::min(p.X, area.Right - size.cx));
    return p;
}

// ---- construction and items ------------------------------------------------------------

TKvGridInplaceList::TKvGridInplaceList(TComponent* owner) : TKvGridInplaceEditor(owner) {}

TKvGridInplaceList::~TKvGridInplaceList()
{
    FWatcher.Stop();
    FList = nullptr;
}

void TKvGridInplaceList::AfterConstruction()
{
    TKvGridInplaceEditor::AfterConstruction();
    FList = CreateList();
}

TKvSimpleInList* TKvGridInplaceList::CreateList()
{
    auto* list = Create<TKvSimpleInList>(this);
    MakeDropDownWindow(list);
    list->OnRequestCloseUp = [this](TObject*, bool accept) { CloseUp(accept); };
    return list;
}

void TKvGridInplaceList::SetItems(const QStringList& Items)
{
    FItems = Items;
    if (FListVisible)
        FList->SetItems(FItems);
}

void TKvGridInplaceList::SetButtonVisible(bool Value)
{
    FButtonVisible = Value;
    UpdateEditRect();
    InvalidateCustom();
}

void TKvGridInplaceList::SetButtonWidth(int Value)
{
    FButtonWidth = std::max(0, Value);
    UpdateEditRect();
}

TRect TKvGridInplaceList::GetCustomRect() const
{
    const TRect r = GetClientRect();
    if (!FButtonVisible)
        return TRect{r.Right, r.Top, r.Right, r.Bottom};
    return TRect{std::max(r.Left, r.Right - FButtonWidth), r.Top, r.Right, r.Bottom};
}

void TKvGridInplaceList::DrawCustom(HDC DC, const TRect& Rect)
{
    dc::DrawFrameControl(DC, Rect, dc::DFC_SCROLL, dc::DFCS_SCROLLCOMBOBOX | (FPressed ? dc::DFCS_PUSHED : 0));
}

// ---- drop-down and close-up ------------------------------------------------------------

void TKvGridInplaceList::LocateItem()
{
    const QString text = GetText();
    if (text.isEmpty())
        FList->SetItemIndex(-1);
    else
        FList->Locate(text, true);
}

void TKvGridInplaceList::DropDown(bool Capture)
{
    if (FListVisible || !FList)
        return;
    FOldText = GetText();
    FList->SetOwnerWidth(GetWidth());
    FList->SetItems(FItems);
    FList->SetItemCount(FDropDownCount);
    FList->SetButtonWidth(FButtonWidth);
    const TPoint origin = ClientToScreen(TPoint{0, 0});
    const int cellBottom = origin.Y + GetHeight() + (FEditHeight - GetHeight()) / 2 + 1;
    const TSize size{FList->GetWidth(), FList->GetHeight()};
    const TPoint p = PlaceDropDown(origin.X - 1, cellBottom, origin.Y, size);
    ShowDropDown(FList, TRect::Bounds(p.X, p.Y, size.cx, size.cy));
    if (Capture)
        FWatcher.Start(FList, std::intptr_t(CLOSEUP_MESSAGE), [this](TPoint) { FList->RequestCloseUp(false); });
    FListVisible = true;
    LocateItem();
}

void TKvGridInplaceList::CloseUp(bool Accept)
{
    if (!FListVisible)
        return;
    FWatcher.Stop();
    FList->SetMouseCapture(false);
    HideDropDown(FList);
    FListVisible = false;
    if (Accept) {
        if (!EditCanModify())
            return;
        const int index = FList->GetItemIndex();
        if (index >= 0 && index < FItems.size()) {
            FItemIndex = index;
            SetText(FItems.at(index));
            SetSelStart(int(GetText().size()));
            SetSelLength(0);
        } else {
            FItemIndex = -1;
        }
    } else if (GetText() != FOldText) {
        SetText(FOldText);
    }
}

void TKvGridInplaceList::ButtonClick()
{
    if (FListVisible)
        CloseUp(false);
    else if (GetMessageExtraInfo() != std::intptr_t(CLOSEUP_MESSAGE))
        DropDown(true);
}

void TKvGridInplaceList::Change()
{
    TKvGridInplaceEditor::Change();
    if (FListVisible)
        LocateItem();
}

// ---- keys ------------------------------------------------------------------------------

void TKvGridInplaceList::WndProc(TMessage& message)
{
    if (message.Msg == WM_KEYDOWN) {
        FEatChar = false;
        auto key = std::uint16_t(message.WParam);
        const TShiftState shift = ShiftStateOf(message.LParam);
        const bool alt = shift.Contains(ssAlt);
        if ((key == VK_RETURN || key == VK_ESCAPE) && FListVisible && !alt) {
            CloseUp(key == VK_RETURN);
            // The key's character must not reach the grid either.
            FEatChar = true;
            message.Result = 1;
            return;
        }
        if ((key == VK_UP || key == VK_DOWN) && alt) {
            if (FListVisible) {
                CloseUp(true);
            } else {
                RequestStart();
                DropDown(true);
            }
            message.Result = 1;
            return;
        }
        if (key == VK_PRIOR || key == VK_NEXT || key == VK_END || key == VK_HOME || key == VK_UP || key == VK_DOWN) {
            if (FListVisible) {
                FList->KeyDown(key, shift);
            } else if (TKvGridView* grid = GetGrid()) {
                grid->Perform(WM_KEYDOWN, key, ShiftStateBits(shift));
            }
            message.Result = 1;
            return;
        }
        const bool noSelection = GetSelLength() == 0;
        if (FListVisible &&
            ((key == VK_RIGHT && (shift.Contains(ssCtrl) || (noSelection && GetSelStart() >= GetText().size()))) ||
             (key == VK_LEFT && (shift.Contains(ssCtrl) || (noSelection && GetSelStart() == 0)))))
            CloseUp(true);
    } else if (message.Msg == WM_CHAR && FEatChar && (message.WParam == 13 || message.WParam == 27)) {
        FEatChar = false;
        message.WParam = 0;
        return;
    } else if (message.Msg == WM_CHAR && message.WParam == 27) {
        // Escape typed into the edit is swallowed.
        message.WParam = 0;
        return;
    }
    TKvGridInplaceEditor::WndProc(message);
}

// ---- mouse -----------------------------------------------------------------------------

void TKvGridInplaceList::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft && FButtonVisible && GetCustomRect().Contains(TPoint{x, y})) {
        if (GetMessageExtraInfo() == std::intptr_t(CLOSEUP_MESSAGE))
            return;
        if (FListVisible) {
            CloseUp(false);
            return;
        }
        FTracking = true;
        FPressed = true;
        InvalidateCustom();
        RequestStart();
        DropDown(true);
        return;
    }
    TKvGridInplaceEditor::MouseDown(button, shift, x, y);
}

void TKvGridInplaceList::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (FTracking) {
        FTracking = false;
        FPressed = false;
        InvalidateCustom();
    }
    TKvGridInplaceEditor::MouseUp(button, shift, x, y);
}

bool TKvGridInplaceList::DoMouseWheel(TShiftState, int wheelDelta, TPoint)
{
    if (!FListVisible)
        return false;
    FList->SetTopRow(FList->GetTopRow() + (wheelDelta < 0 ? 1 : -1));
    return true;
}

} // namespace kv
