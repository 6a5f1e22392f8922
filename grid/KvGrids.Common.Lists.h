// Drop-down lists: an owner-drawn string list, the same list as a floating drop-down window
// that asks its owner to close it, and the month calendar drop-down of the date edit.
#pragma once

#include "graphics/KvGrids.Common.Drawing.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Popups.h"
#include "platform/ui/StdCtrls.h"

#include <QtCore/QStringList>

#include <functional>
#include <memory>

namespace kv {

using TKvReqeustCloseUpEvent = std::function<void(TObject* Sender, bool Accept)>;

class TKvSimpleListBox : public TCustomControl
{
protected:
    friend class TCreateAccess;
    explicit TKvSimpleListBox(TComponent* owner);

public:
    ~TKvSimpleListBox() override;
    void AfterConstruction() override;

    const QStringList& GetItems() const { return FItems; }
    // Copies, then sizes the list and its scroll range again.
    void SetItems(const QStringList& Strings);
    int GetItemIndex() const { return FSelIndex; }
    void SetItemIndex(int Index);
    // The number of visible rows.
    int GetItemCount() const { return FItemCount; }
    void SetItemCount(int Count);
    void SetButtonWidth(int Width);
    // The width of the edit the list drops down from.
    void SetOwnerWidth(int Width) { FOwnerWidth = Width; }
    int GetTopRow() const { return FTopRow; }
    void SetTopRow(int Row);
    int GetItemHeight() const { return FItemHeight; }
    bool GetCaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }
    // Selects the first item that begins with Text; with none, Clear clears the selection.
    void Locate(const QString& Text, bool Clear);
    int MouseToRow(int X, int Y) const;
    void InvalidateRow(int Index);
    void InvalidateData();
    void ResetBounds();
    void UpdateScrollRange();
    TFont* GetFont() const { return FFont.get(); }
    // The row's rectangle in client coordinates.
    TRect RowRect(int Index) const;
    // Moves the selection as the navigation key does (Page Up/Down, Home, End, Up, Down).
    void KeyDown(std::uint16_t& key, TShiftState shift) override;

protected:
    void WndProc(TMessage& message) override;
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void WMScroll(TMessage& message) override;
    void Measure();

    int FPRows = 1;
    bool FInScroll = false;
    int FCurIndex = -1;
    int FSelIndex = -1;
    int FItemCount = 8;
    int FItemHeight = 16;
    int FTitleHeight = 0;
    int FTopRow = 0;
    QStringList FItems;
    bool FCaseSensitive = false;
    int FButtonWidth = 0;
    int FOwnerWidth = 0;

private:
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TKvFont> FKvFont;
};

// The list as a drop-down window: a release on a row asks to close with acceptance.
class TKvSimpleInList : public TKvSimpleListBox
{
protected:
    friend class TCreateAccess;
    explicit TKvSimpleInList(TComponent* owner) : TKvSimpleListBox(owner) {}

public:
    void AfterConstruction() override;
    void RequestCloseUp(bool Accept);

    TKvReqeustCloseUpEvent OnRequestCloseUp;

protected:
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
};

// The month calendar that the date edit drops down.
class TKvDateList : public TPopupCalendar
{
public:
    TKvDateList();
    void RequestCloseUp(bool Accept);

    TKvReqeustCloseUpEvent OnRequestCloseUp;
};

} // namespace kv
