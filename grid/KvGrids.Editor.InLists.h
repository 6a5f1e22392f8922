// Drop-down grids: a whole grid view shown as a floating drop-down window, and its lookup
// specialisation listing a column's lookup labels and values.
#pragma once

#include "grid/KvGrids.Impl.h"
#include "platform/ui/Popups.h"

namespace kv {

class TKvGridDataColumn;
class TKvGridInplaceEditor;

class TKvGridInList : public TKvGridViewImpl
{
protected:
    friend class TCreateAccess;
    explicit TKvGridInList(TComponent* owner);

public:
    ~TKvGridInList() override;
    void AfterConstruction() override;

    bool GetListing() const { return FListing; }
    bool GetListOnly() const { return FListOnly; }
    void SetListOnly(bool Value) { FListOnly = Value; }
    TKvGridDataProvider* GetProvider() const { return FProvider; }
    TObject* GetActivator() const { return FActivator; }
    void RequestCloseUp(bool Accept);

    virtual void DropDown(TObject* Activator, int Count, bool Capture);
    virtual void CloseUp();
    // The drop-down's size for Count rows, with or without the header.
    virtual TSize CalcBounds(int Count, bool Header);
    // The item at a client point, or -1.
    int ItemAt(int X, int Y);

    std::function<void(TObject* Sender, bool Accept)> OnRequestCloseUp;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    virtual void CreateColumns() = 0;
    virtual TKvGridDataProvider* CreateDataSource() = 0;
    virtual TPoint GetLocation() = 0;
    virtual void ResetData(TKvGridDataProvider* Provider) = 0;
    // The height of one row and of the header.
    int RowHeight() const;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

    // Made by CreateDataSource, owned as a component; cleared when it is freed.
    TComponentRef<TKvGridDataProvider> FProvider;
    TObject* FActivator = nullptr;
    bool FInScroll = false;
    bool FListing = false;
    bool FListOnly = false;
    bool FHeaderVisible = true;

private:
    void OutsidePress();
    TOutsidePressWatcher FWatcher;
    TDropDownKeyGrab FKeys;
};

// The lookup drop-down: one row per entry of the edited column's lookup lists.
class TKvGridDataList : public TKvGridInList
{
protected:
    friend class TCreateAccess;
    explicit TKvGridDataList(TComponent* owner) : TKvGridInList(owner) {}

public:
    void SetTargetColumn(TKvGridDataColumn* Column);
    TKvGridDataColumn* GetTargetColumn() const { return FTargetColumn; }
    void SetEditHeight(int Value) { FEditHeight = Value; }
    bool GetHeaderVisible() const { return FHeaderVisible; }
    void SetHeaderVisible(bool Value);
    void DropDown(TObject* Activator, int Count, bool Capture) override;
    // The name (first field) of the focused row, or an empty text.
    QString FocusedName() const;
    void Locate(const QString& Text) {}

protected:
    void CreateColumns() override;
    TKvGridDataProvider* CreateDataSource() override;
    TPoint GetLocation() override;
    void ResetData(TKvGridDataProvider* Provider) override;

private:
    TComponentRef<TKvGridInplaceEditor> FEditor;
    TComponentRef<TKvGridDataColumn> FTargetColumn;
    int FEditHeight = 0;
};

} // namespace kv
