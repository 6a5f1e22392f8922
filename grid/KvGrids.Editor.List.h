// Text edits with a drop-down: the shared key and button handling, and the pick-list edit,
// which opens a list of strings below the cell (above it near the screen's bottom). Closing
// with acceptance takes the selected string; closing without it puts back the text from
// before the list opened.
#pragma once

#include "grid/KvGrids.Common.Lists.h"
#include "grid/KvGrids.Editor.Text.h"

namespace kv {

// Where a drop-down of the given size goes for an edit: below the cell (cellBottom, screen
// y), or above the edit (editTop) when it would run past the screen's bottom; kept inside
// the screen's available area.
TPoint PlaceDropDown(int left, int cellBottom, int editTop, TSize size);

// An edit whose drop-down opens and closes by keys and by its button. In its window
// procedure, before anything else: Enter or Escape close an open drop-down (accepting on
// Enter), Alt+Up/Down close an open one accepting it or start the edit and open a closed
// one, and the navigation keys go to the open drop-down or, while closed, to the grid.
class TKvGridDropDownEdit : public TKvGridInplaceEditor
{
public:
    explicit TKvGridDropDownEdit(TComponent* owner) : TKvGridInplaceEditor(owner) {}

    bool GetListVisible() const { return FListVisible; }
    bool GetButtonVisible() const { return FButtonVisible; }
    void SetButtonVisible(bool Value);
    int GetButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int Value);
    virtual void SetEditHeight(int Value) { FEditHeight = Value; }
    int GetDropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value) { FDropDownCount = Value; }
    // Closes an open drop-down without acceptance; opens a closed one, except for the press
    // that closed it.
    void ButtonClick();
    virtual void DropDown(bool Capture) = 0;
    virtual void CloseUp(bool Accept) = 0;

protected:
    // A navigation key for the open drop-down.
    virtual void ListKeyDown(std::uint16_t Key, TShiftState Shift) = 0;
    void WndProc(TMessage& message) override;
    TRect GetCustomRect() const override;
    void DrawCustom(HDC DC, const TRect& Rect) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    // The screen y just below the cell.
    int CellBottom();

    bool FPressed = false;
    bool FTracking = false;
    bool FListVisible = false;
    QString FOldText;
    bool FButtonVisible = false;
    int FButtonWidth = 0;
    int FDropDownCount = 8;
    int FEditHeight = 0;

private:
    // The character of a key that closed the drop-down goes no further.
    bool FEatChar = false;
};

class TKvGridInplaceList : public TKvGridDropDownEdit
{
public:
    explicit TKvGridInplaceList(TComponent* owner);
    ~TKvGridInplaceList() override;
    void AfterConstruction() override;

    const QStringList& GetItems() const { return FItems; }
    void SetItems(const QStringList& Items);
    int GetItemIndex() const { return FItemIndex; }
    TKvSimpleInList* GetList() const { return FList; }

    virtual TKvSimpleInList* CreateList();
    virtual void LocateItem();
    void CloseUp(bool Accept) override;
    void DropDown(bool Capture) override;
    // An open list goes with the edit when the grid moves it (a scroll, a resize).
    void SetBounds(int left, int top, int width, int height) override;

protected:
    void WndProc(TMessage& message) override;
    void ListKeyDown(std::uint16_t Key, TShiftState Shift) override { FList->KeyDown(Key, Shift); }
    void DoStart() override { DropDown(true); }
    void Change() override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

private:
    // The list just below the cell, at the edit's left.
    void PlaceList();

    TKvSimpleInList* FList = nullptr;
    QStringList FItems;
    int FItemIndex = -1;
    TOutsidePressWatcher FWatcher;
};

} // namespace kv
