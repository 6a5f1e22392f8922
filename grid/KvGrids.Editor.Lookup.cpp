// The lookup edit.
//
// Call flow: the start of an edit drops the data list down (FAutoDropDown); the navigation
// keys move its focused row; Enter, a release on a row or Alt+Up/Down close it taking the
// row's name, Escape or a press outside without. The lookup cell editor maps the name back
// to the stored value.
#include "grid/KvGrids.Editor.Lookup.h"

#include "grid/KvGrids.Editor.InLists.h"
#include "platform/rtl/SysUtils.h"

namespace kv {

TKvGridLookupList::TKvGridLookupList(TComponent* owner) : TKvGridDropDownEdit(owner) {}

TKvGridLookupList::~TKvGridLookupList() { FList = nullptr; }

void TKvGridLookupList::AfterConstruction()
{
    TKvGridDropDownEdit::AfterConstruction();
    FButtonWidth = GetSystemMetrics(SM_CXVSCROLL);
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

void TKvGridLookupList::SetEditHeight(int Value)
{
    TKvGridDropDownEdit::SetEditHeight(Value);
    if (FList)
        FList->SetEditHeight(Value);
}

void TKvGridLookupList::SetTargetColumn(TKvGridDataColumn* Column)
{
    FTargetColumn = Column;
    if (FList)
        FList->SetTargetColumn(Column);
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

void TKvGridLookupList::ListKeyDown(std::uint16_t Key, TShiftState Shift)
{
    FList->Perform(WM_KEYDOWN, Key, ShiftStateBits(Shift));
}

void TKvGridLookupList::DoStart()
{
    if (FAutoDropDown)
        DropDown(true);
}

bool TKvGridLookupList::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint)
{
    if (!FListVisible)
        return false;
    FList->Perform(WM_MOUSEWHEEL, MakeLParam(int(ShiftStateBits(shift)), wheelDelta), 0);
    return true;
}

} // namespace kv
