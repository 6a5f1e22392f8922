// The lookup edit: a text edit whose drop-down is a small grid of a column's lookup names and
// values; closing with acceptance takes the focused row's name.
#pragma once

#include "grid/KvGrids.Editor.List.h"

namespace kv {

class TKvGridDataList;
class TKvGridDataColumn;

class TKvGridLookupList : public TKvGridDropDownEdit
{
public:
    explicit TKvGridLookupList(TComponent* owner);
    ~TKvGridLookupList() override;
    void AfterConstruction() override;

    bool GetHeaderVisible() const;
    void SetHeaderVisible(bool Value);
    bool GetAutoDropDown() const { return FAutoDropDown; }
    void SetAutoDropDown(bool Value) { FAutoDropDown = Value; }
    void SetEditHeight(int Value) override;
    void SetTargetColumn(TKvGridDataColumn* Column);
    TKvGridDataList* GetList() const { return FList; }
    // Internal invariant "FList is nil" without a list.
    void DropDown(bool Capture) override;
    void CloseUp(bool Accept) override;

    virtual TKvGridDataList* CreateList();
    virtual void LocateItem();
    virtual void ListCloseUp(TObject* Sender, bool Accept) { CloseUp(Accept); }

protected:
    void ListKeyDown(std::uint16_t Key, TShiftState Shift) override;
    void DoStart() override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

private:
    TKvGridDataList* FList = nullptr;
    TKvGridDataColumn* FTargetColumn = nullptr;
    bool FAutoDropDown = true;
};

} // namespace kv
