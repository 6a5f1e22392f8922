// The filter selector form: a pop-up window under a header's filter handle listing the
// column's filters in a top-level grid, one row per filter with a check that activates it.
//
// Call flow: Open(handle) (or ShowDlg on a form made by the caller) fills gridMain from the
// column's Filters collection through an object data provider and shows the form one pixel
// below the handle. A check click sets Active of the filter behind the clicked row's data
// row; the check bar's head checks or unchecks every row and so every filter. Escape, a press outside or losing activation closes
// the form, and closing frees it. If the grid or the column goes, the form closes untouched.
// While open the list follows the column's Filters: a filter added, removed, renamed or
// switched elsewhere shows at once.
#pragma once

#include "components/KvGrids.Vantrel.h"
#include "platform/ui/PopupForm.h"

#include <memory>

namespace kv {

class TKvGridHeaderFilterHandle;
class TKvObjectDataProvider;

class TKvFilterSelector : public TPopupForm
{
protected:
    friend class TCreateAccess;
    explicit TKvFilterSelector(TComponent* owner);

public:
    ~TKvFilterSelector() override;
    void AfterConstruction() override;

    // A new form owned by the handle's grid, shown for the handle; nil when the handle's
    // column is not a data column.
    static TKvFilterSelector* Open(TKvGridHeaderFilterHandle* Handle);
    // Shows the column's filters under the handle, 200 x 300, with the keyboard.
    void ShowDlg(TKvGridHeaderFilterHandle* Handle);

    TKvVantrel* GetGridMain() const { return FGridMain; }
    TKvGridDataColumn* GetColumn() const { return FColumn; }
    TKvGridView* GetGrid() const { return FGrid; }
    TKvGridDataProvider* GetProvider() const;
    bool GetFiltering() const { return FFiltering; }

protected:
    void KeyDown(std::uint16_t& Key, TShiftState Shift) override;
    void Notification(TComponent* Component, TOperation Operation) override;

private:
    void PrepareGrid();
    void CheckCellClicked(int ItemIndex);
    void Watch(TKvGridDataColumn* Column, TKvGridView* Grid);
    // The column's filters changed: the rows and checks are read again.
    void FiltersChanged();
    class TCheckListener;
    class TFiltersListener;

    std::unique_ptr<TCheckListener> FChecks;
    std::unique_ptr<TFiltersListener> FFilters;
    TKvVantrel* FGridMain = nullptr;
    TKvObjectDataProvider* FProvider = nullptr;
    TKvGridDataColumn* FColumn = nullptr;
    TKvGridView* FGrid = nullptr;
    bool FFiltering = false;
};

} // namespace kv
