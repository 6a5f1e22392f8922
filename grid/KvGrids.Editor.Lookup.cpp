// The lookup edit.
//
// Call flow: the start of an edit drops the data list down (FAutoDropDown); the navigation
// keys move its focused row; Enter, a release on a row or Alt+Up/Down close it taking the
// row's name, Escape or a press outside without. The lookup cell editor maps the name back
// to the stored value.
#include "grid/KvGrids.Editor.Lookup.h"

#include "grid/KvGrids.Editor.InLists.h"
#include "grid/KvGrids.View.h"
#include "model/KvGrids.Common.h"
#include "platform/graphics/DeviceContext.h"
#include "platform/rtl/SysUtils.h"

namespace kv {

TKvGridLookupList::TKvGridLookupList(TComponent* owner) : TKvGridInplaceEditor(owner) {}

TKvGridLookupList::~TKvGridLookupList() { FList = nullptr; }

void TKvGridLookupList::AfterConstruction()
{
    TKvGridInplaceEditor::AfterConstruction();
    FList = CreateList();
}

TKvGridDataList* TKvGridLookupList::CreateList()
{
    auto* list = Create<TKvGridDataList>(this);
    list->OnRequestCloseUp = [this](TObject* sender, bool accept) { ListCloseUp(sender, accept); };
    return list;
}

bool TKvGridLookupList::GetHeaderVisible() const { return FList && FList->GetHeaderVisible(); }

void TKvGridLookupList::SetHeaderVisible(bool Value)
{
    if (FList)
        FList->SetHeaderVisible(Value);
}

void TKvGridLookupList::SetButtonVisible(bool Value)
{
    FButtonVisible = Value;
    UpdateEditRect();
    InvalidateCustom();
}

void TKvGridLookupList::SetEditHeight(int Value)
{
    FEditHeight = Value;
    if (FList)
        FList->SetEditHeight(Value);
}

void TKvGridLookupList::SetTargetColumn(TKvGridDataColumn* Column)
{
    FTargetColumn = Column;
    if (FList)
        FList->SetTargetColumn(Column);
}

TRect TKvGridLookupList::GetCustomRect() const
{
    const TRect r = GetClientRect();
    if (!FButtonVisible)
        return TRect{r.Right, r.Top, r.Right, r.Bottom};
    return TRect{std::max(r.Left, r.Right - GetSystemMetrics(SM_CXVSCROLL)), r.Top, r.Right, r.Bottom};
}

void TKvGridLookupList::DrawCustom(HDC DC, const TRect& Rect)
{
    dc::DrawFrameControl(DC, Rect, dc::DFC_SCROLL, dc::DFCS_SCROLLCOMBOBOX | (FPressed ? dc::DFCS_PUSHED : 0));
}

void TKvGridLookupList::LocateItem()
{
    if (FList)
        FList->Locate(GetText());
}

void TKvGridLookupList::DropDown(bool Capture)
{
    KV_ASSERT(FList, "FList is nil");
    if (FListVisible)
        return;
    FOldText = GetText();
    FList->DropDown(this, FDropDownCount, Capture);
    FListVisible = true;
    LocateItem();
}

void TKvGridLookupList::CloseUp(bool Accept)
{
    KV_ASSERT(FList, "FList is nil");
    if (!FListVisible)
        return;
    const QString name = FList->FocusedName();
    FList->CloseUp();
    FListVisible = false;
    if (Accept && EditCanModify() && FList->GetFocusedIndex().ItemIndex >= 0) {
        SetText(name);
        SetSelStart(int(GetText().size()));
        SetSelLength(0);
    }
}

void TKvGridLookupList::ButtonClick()
{
    if (FListVisible)
        CloseUp(false);
    else if (GetMessageExtraInfo() != std::intptr_t(CLOSEUP_MESSAGE))
        DropDown(true);
}

void TKvGridLookupList::DoStart()
{
    if (FAutoDropDown)
        DropDown(true);
}

void TKvGridLookupList::WndProc(TMessage& message)
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
            if (FListVisible)
                FList->Perform(WM_KEYDOWN, key, ShiftStateBits(shift));
            else if (TKvGridView* grid = GetGrid())
                grid->Perform(WM_KEYDOWN, key, ShiftStateBits(shift));
            message.Result = 1;
            return;
        }
    } else if (message.Msg == WM_CHAR && FEatChar && (message.WParam == 13 || message.WParam == 27)) {
        FEatChar = false;
        message.WParam = 0;
        return;
    } else if (message.Msg == WM_CHAR && message.WParam == 27) {
        if (FListVisible)
            CloseUp(false);
        message.WParam = 0;
        return;
    }
    TKvGridInplaceEditor::WndProc(message);
}

void TKvGridLookupList::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (button == mbLeft && FButtonVisible && GetCustomRect().Contains(TPoint{x, y})) {
        if (GetMessageExtraInfo() == std::intptr_t(CLOSEUP_MESSAGE))
            return;
        if (FListVisible) {
            CloseUp(false);
            return;
        }
        RequestStart();
        DropDown(true);
        return;
    }
    TKvGridInplaceEditor::MouseDown(button, shift, x, y);
}

bool TKvGridLookupList::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos)
{
    if (!FListVisible)
        return false;
    FList->Perform(WM_MOUSEWHEEL, MakeLParam(int(ShiftStateBits(shift)), wheelDelta), 0);
    return true;
}

} // namespace kv
