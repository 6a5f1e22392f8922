// The lookup edit: a text edit whose drop-down is a small grid of a column's lookup names and
// values; closing with acceptance takes the focused row's name.
#pragma once

#include "grid/KvGrids.Editor.Text.h"

namespace kv {

class TKvGridDataList;
class TKvGridDataColumn;

class TKvGridLookupList : public TKvGridInplaceEditor
{
public:
    explicit TKvGridLookupList(TComponent* owner);
    ~TKvGridLookupList() override;
    void AfterConstruction() override;

    bool GetHeaderVisible() const;
    void SetHeaderVisible(bool Value);
    bool GetButtonVisible() const { return FButtonVisible; }
    void SetButtonVisible(bool Value);
    int GetDropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value) { FDropDownCount = Value; }
    bool GetAutoDropDown() const { return FAutoDropDown; }
    void SetAutoDropDown(bool Value) { FAutoDropDown = Value; }
    void SetEditHeight(int Value);
    void SetTargetColumn(TKvGridDataColumn* Column);
    bool GetListVisible() const { return FListVisible; }
    TKvGridDataList* GetList() const { return FList; }
    void ButtonClick();
    // Internal invariant "FList is nil" without a list.
    void DropDown(bool Capture);
    void CloseUp(bool Accept);

    virtual TKvGridDataList* CreateList();
    virtual void LocateItem();
    virtual void ListCloseUp(TObject* Sender, bool Accept) { CloseUp(Accept); }

protected:
    void WndProc(TMessage& message) override;
    void DoStart() override;
    TRect GetCustomRect() const override;
    void DrawCustom(HDC DC, const TRect& Rect) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

private:
    bool FPressed = false;
    bool FTracking = false;
    bool FEatChar = false;
    TKvGridDataList* FList = nullptr;
    bool FListVisible = false;
    QString FOldText;
    bool FButtonVisible = false;
    TKvGridDataColumn* FTargetColumn = nullptr;
    bool FAutoDropDown = true;
    int FDropDownCount = 8;
    int FEditHeight = 0;
};

} // namespace kv
