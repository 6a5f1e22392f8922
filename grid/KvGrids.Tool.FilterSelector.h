// The column filter drop-down: a small drop-down grid under a header's filter handle that
// lists the column's filters with a check each; checking a row activates that filter. While
// it is open it follows the column's filters.
#pragma once

#include "grid/KvGrids.Editor.InLists.h"

#include <memory>

namespace kv {

class TKvGridFilteringOptions;
class TKvGridHeaderFilterHandle;
class TKvObjectDataProvider;

// Sets Active of the column's filter behind the item's data row to the item's check, with
// Filtering true meanwhile; an item whose row lies past the filters changes nothing.
void SetRowFilterActive(TKvGridDataColumn* Column, const TKvGridItem* Item, bool& Filtering);

class TKvGridFilterSelector : public TKvGridInList
{
protected:
    friend class TCreateAccess;
    explicit TKvGridFilterSelector(TComponent* owner);

public:
    ~TKvGridFilterSelector() override;
    void AfterConstruction() override;

    // Opens below the filter handle for the data column of the handle's header cell, with
    // DropDownCount rows of the options (8 without options); a handle of no data column
    // opens nothing.
    void DropDown(TKvGridHeaderFilterHandle* Handle, TKvGridFilteringOptions* FilteringOptions);
    TKvGridDataColumn* GetColumn() const { return FColumn; }
    TKvGridHeaderFilterHandle* GetToolHandle() const { return FToolHandle; }
    bool GetFiltering() const { return FFiltering; }

protected:
    void CreateColumns() override;
    TKvGridDataProvider* CreateDataSource() override;
    // Below the filter handle it drops from; below the grid's top-left corner while the
    // handle is not shown.
    TPoint GetLocation() override;
    void ResetData(TKvGridDataProvider* Provider) override;
    void DoItemSourceItemChecked(int Index) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    class TFiltersListener;
    // The column's filters changed: an open list reads its rows again.
    void FiltersChanged();

    TKvGridHeaderFilterHandle* FToolHandle = nullptr;
    TKvGridDataColumn* FColumn = nullptr;
    std::unique_ptr<TFiltersListener> FFiltersListener;
    bool FFiltering = false;
};

} // namespace kv
