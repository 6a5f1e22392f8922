// The list view: a ready-made grid with sorting and column filters and no row grouping, no
// grouping panel and no column moving. Its item source is an editable top over a filtered
// provider over the default provider (KvGrids.ListView.Model).
//
// Use: Create<TKvListView>(owner), add columns, SetDataProvider(provider) (before or after
// the columns exist). A click on a sortable column's header text sorts it; active column
// filters are applied in one batch whenever a column's filters change.
#pragma once

#include "components/KvGrids.ListView.Model.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.Tool.h"
#include "grid/KvGrids.View.h"

namespace kv {

class TKvListView : public TKvGridView
{
protected:
    friend class TCreateAccess;
    explicit TKvListView(TComponent* owner);

public:
    TKvListViewItemProvider* GetItemSource() const { return FItemSource; }
    // The data provider is not owned; the bottom of the chain listens to it.
    TKvGridDataProvider* GetDataProvider() const;
    void SetDataProvider(TKvGridDataProvider* Provider);
    // One data column per field of the data provider, as the top-level grid makes them.
    void GenerateDataColumns(bool Clear);

    void SortItems(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions) override;
    TKvIntegerArray GetSortFields() const override;
    TKvGridSortDirections GetSortDirections() const override;
    // Clears the filters of the chain and adds every active filter of every data column, in
    // column order, as one batch; then scrolls to the top. A filter that does not apply is
    // left out; the others apply and one EKvFilterError then names each column and text.
    void ApplyFilters();
    bool IsFiltered(TKvGridColumn* Column) const;
    void ColumnFiltersChanged() override;
    void Loaded() override;

protected:
    TOwned<TKvGridItemProvider> CreateItemProvider() override;
    TOwned<TKvGridDelegate> CreateGridDelegate() override;
    // A list view raises no focus-changing event.
    void FocusedIndexChanging(const TKvGridCellIndex& Index, bool& Cancel) override {}

private:
    bool CanApplyFilters() const;
    bool HasAnyActiveFilter() const;

    TKvOwnedItemSource<TKvListViewItemProvider> FItemSource{this};
};

class TKvListViewDelegate : public TKvGridDelegate
{
public:
    using TKvGridDelegate::TKvGridDelegate;
    IntfPtr<IKvGridTool> CreateDefaultTool() override;
};

// Sorts on a click on a sortable column's header text; handle, check-cell, bar-corner and
// cell clicks do nothing.
class TKvListViewSelectionTool : public TKvGridSelectionTool
{
public:
    using TKvGridSelectionTool::TKvGridSelectionTool;

protected:
    void ColumnHeaderClicked(TKvGridColumn* Column) override;
    void CheckCellClicked(int Index) override {}
    void GridObjectHeaderClicked(TKvGridVisualObject* Object) override {}
    void GridObjectFooterClicked(TKvGridVisualObject* Object) override {}
    void CellHandleClicked(TKvGridCellHandle* Handle) override {}
    void CellClicked(const TKvGridCellIndex& Index) override {}
};

// Registers the list view for form files; once per process (also done on first creation).
void RegisterListViewClasses();

} // namespace kv
