// Text edits with a drop-down, and the pick-list edit.
//
// Sections: placement; drop-down edit (keys, button); pick list (items, drop-down and
// close-up, keys, wheel).
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

namespace {

bool IsCloseUpPress() { return GetMessageExtraInfo() == std::intptr_t(CLOSEUP_MESSAGE); }

} // namespace

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

// ---- drop-down edit --------------------------------------------------------------------

void TKvGridDropDownEdit::SetButtonVisible(bool Value)
{
    FButtonVisible = Value;
    UpdateEditRect();
    InvalidateCustom();
}

void TKvGridDropDownEdit::SetButtonWidth(int Value)
{
    FButtonWidth = std::max(0, Value);
    UpdateEditRect();
}

TRect TKvGridDropDownEdit::GetCustomRect() const
{
    const TRect r = GetClientRect();
    if (!FButtonVisible)
        return TRect{r.Right, r.Top, r.Right, r.Bottom};
    return TRect{std::max(r.Left, r.Right - FButtonWidth), r.Top, r.Right, r.Bottom};
}

void TKvGridDropDownEdit::DrawCustom(HDC DC, const TRect& Rect)
{
    dc::DrawFrameControl(DC, Rect, dc::DFC_SCROLL, dc::DFCS_SCROLLCOMBOBOX | (FPressed ? dc::DFCS_PUSHED : 0));
}

int TKvGridDropDownEdit::CellBottom()
{
    const TPoint origin = ClientToScreen(TPoint{0, 0});
    return origin.Y + GetHeight() + (FEditHeight - GetHeight()) / 2 + 1;
}

void TKvGridDropDownEdit::ButtonClick()
{
    if (FListVisible)
        CloseUp(false);
    else if (!IsCloseUpPress())
        DropDown(true);
}

void TKvGridDropDownEdit::WndProc(TMessage& message)
{
    if (message.Msg == WM_KEYDOWN) {
        FEatChar = false;
        const auto key = std::uint16_t(message.WParam);
        const TShiftState shift = ShiftStateOf(message.LParam);
        const bool alt = shift.Contains(ssAlt);
        if ((key == VK_RETURN || key == VK_ESCAPE) && FListVisible && !alt) {
            CloseUp(key == VK_RETURN);
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
            if (FListVisible)
                ListKeyDown(key, shift);
            else if (TKvGridView* grid = GetGrid())
                grid->Perform(WM_KEYDOWN, key, ShiftStateBits(shift));
            message.Result = 1;
            return;
        }
    } else if (message.Msg == WM_CHAR && (message.WParam == 13 || message.WParam == 27)) {
        // Escape typed into the edit closes an open drop-down and is swallowed.
        const bool eat = FEatChar || message.WParam == 27;
        FEatChar = false;
        if (message.WParam == 27 && FListVisible)
            CloseUp(false);
        if (eat) {
            message.WParam = 0;
            return;
        }
    }
    TKvGridInplaceEditor::WndProc(message);
}

void TKvGridDropDownEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft && FButtonVisible && GetCustomRect().Contains(TPoint{x, y})) {
        if (IsCloseUpPress())
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

void TKvGridDropDownEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (FTracking) {
        FTracking = false;
        FPressed = false;
        InvalidateCustom();
    }
    TKvGridInplaceEditor::MouseUp(button, shift, x, y);
}

// ---- pick list -------------------------------------------------------------------------

TKvGridInplaceList::TKvGridInplaceList(TComponent* owner) : TKvGridDropDownEdit(owner) {}

TKvGridInplaceList::~TKvGridInplaceList()
{
    FWatcher.Stop();
    FList = nullptr;
}

void TKvGridInplaceList::AfterConstruction()
{
    TKvGridDropDownEdit::AfterConstruction();
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
    PlaceList();
    if (Capture)
        FWatcher.Start(FList, std::intptr_t(CLOSEUP_MESSAGE), [this](TPoint) { FList->RequestCloseUp(false); });
    FListVisible = true;
    LocateItem();
}

void TKvGridInplaceList::PlaceList()
{
    const TSize size{FList->GetWidth(), FList->GetHeight()};
    const TPoint origin = ClientToScreen(TPoint{0, 0});
    const TPoint p = PlaceDropDown(origin.X - 1, CellBottom(), origin.Y, size);
    ShowDropDown(FList, TRect::Bounds(p.X, p.Y, size.cx, size.cy));
}

void TKvGridInplaceList::SetBounds(int left, int top, int width, int height)
{
    TKvGridDropDownEdit::SetBounds(left, top, width, height);
    if (FListVisible && FList && width > 0 && height > 0)
        PlaceList();
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

void TKvGridInplaceList::Change()
{
    TKvGridDropDownEdit::Change();
    if (FListVisible)
        LocateItem();
}

// Leaving the text sideways with the list open takes the list's selection first.
void TKvGridInplaceList::WndProc(TMessage& message)
{
    if (message.Msg == WM_KEYDOWN && FListVisible) {
        const auto key = std::uint16_t(message.WParam);
        const TShiftState shift = ShiftStateOf(message.LParam);
        const bool noSelection = GetSelLength() == 0;
        if ((key == VK_RIGHT && (shift.Contains(ssCtrl) || (noSelection && GetSelStart() >= GetText().size()))) ||
            (key == VK_LEFT && (shift.Contains(ssCtrl) || (noSelection && GetSelStart() == 0))))
            CloseUp(true);
    }
    TKvGridDropDownEdit::WndProc(message);
}

bool TKvGridInplaceList::DoMouseWheel(TShiftState, int wheelDelta, TPoint)
{
    if (!FListVisible)
        return false;
    FList->SetTopRow(FList->GetTopRow() + (wheelDelta < 0 ? 1 : -1));
    return true;
}

} // namespace kv
