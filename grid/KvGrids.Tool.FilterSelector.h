// The column filter drop-down: a small drop-down grid under a header's filter handle that
// lists the column's filters with a check each; checking a row activates that filter.
#pragma once

#include "grid/KvGrids.Editor.InLists.h"

namespace kv {

class TKvGridFilteringOptions;
class TKvObjectDataProvider;

// Sets Active of the column's filter behind the item's data row to the item's check, with
// Filtering true meanwhile; an item whose row lies past the filters changes nothing.
void SetRowFilterActive(TKvGridDataColumn* Column, const TKvGridItem* Item, bool& Filtering);

class TKvGridFilterSelector : public TKvGridInList
{
protected:
    friend class TCreateAccess;
    explicit TKvGridFilterSelector(TComponent* owner) : TKvGridInList(owner) {}

public:
    void AfterConstruction() override;

    // Opens below the handle (an object with screen bounds: the anchor point is given by
    // SetAnchor) for the column, DropDownCount rows of the options (8 without options).
    void DropDown(TObject* Handle, TKvGridDataColumn* Column, TKvGridFilteringOptions* FilteringOptions);
    // The screen point the drop-down opens at (the handle's bottom-left corner).
    void SetAnchor(TPoint ScreenPoint) { FAnchor = ScreenPoint; }
    TKvGridDataColumn* GetColumn() const { return FColumn; }
    TObject* GetToolHandle() const { return FToolHandle; }
    bool GetFiltering() const { return FFiltering; }

protected:
    void CreateColumns() override;
    TKvGridDataProvider* CreateDataSource() override;
    // Below the filter handle it drops from; the anchor without a handle.
    TPoint GetLocation() override;
    void ResetData(TKvGridDataProvider* Provider) override;
    void DoItemSourceItemChecked(int Index) override;

private:
    TObject* FToolHandle = nullptr;
    TComponentRef<TKvGridDataColumn> FColumn;
    bool FFiltering = false;
    TPoint FAnchor;
};

} // namespace kv
