// The pick-list edit: a text edit with a drop-down button that opens a list of strings below
// the cell (above it near the screen's bottom). Closing with acceptance takes the selected
// string; closing without it puts back the text from before the list opened.
#pragma once

#include "grid/KvGrids.Common.Lists.h"
#include "grid/KvGrids.Editor.Text.h"

namespace kv {

// Where a drop-down of the given size goes for an edit: below the cell (cellBottom, screen
// y), or above the edit (editTop) when it would run past the screen's bottom; kept inside
// the screen's available area.
TPoint PlaceDropDown(int left, int cellBottom, int editTop, TSize size);

class TKvGridInplaceList : public TKvGridInplaceEditor
{
public:
    explicit TKvGridInplaceList(TComponent* owner);
    ~TKvGridInplaceList() override;
    void AfterConstruction() override;

    const QStringList& GetItems() const { return FItems; }
    void SetItems(const QStringList& Items);
    int GetItemIndex() const { return FItemIndex; }
    int GetDropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value) { FDropDownCount = Value; }
    bool GetButtonVisible() const { return FButtonVisible; }
    void SetButtonVisible(bool Value);
    int GetButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int Value);
    void SetEditHeight(int Value) { FEditHeight = Value; }
    bool GetListVisible() const { return FListVisible; }
    TKvSimpleInList* GetList() const { return FList; }
    void ButtonClick();

    virtual TKvSimpleInList* CreateList();
    virtual void LocateItem();
    virtual void CloseUp(bool Accept);
    virtual void DropDown(bool Capture);

protected:
    void WndProc(TMessage& message) override;
    void DoStart() override { DropDown(true); }
    void Change() override;
    TRect GetCustomRect() const override;
    void DrawCustom(HDC DC, const TRect& Rect) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

private:
    bool FPressed = false;
    bool FTracking = false;
    bool FEatChar = false;
    TKvSimpleInList* FList = nullptr;
    bool FListVisible = false;
    QString FOldText;
    bool FButtonVisible = false;
    int FButtonWidth = 0;
    QStringList FItems;
    int FItemIndex = -1;
    int FDropDownCount = 8;
    int FEditHeight = 0;
    TOutsidePressWatcher FWatcher;
};

} // namespace kv
