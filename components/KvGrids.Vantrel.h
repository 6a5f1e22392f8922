// The top-level grid: a grid view over its own item-provider chain (editable over grouped
// over filtered over default), with a grouping panel above the header, column filters
// applied in one batch, grouping by field and the column-move and grouping tools.
//
// Life: Create<TKvVantrel>(owner). The view's Initialize calls the factories below: the
// layout manager (group levels from the chain), the delegate (the tool and the panel
// renderer), the item provider (the chain, owned through the view's owned slot); the views
// then get the panel view. Panel sprites are in KvGrids.Vantrel.Panel, tools in
// KvGrids.Vantrel.Tool, the chain in KvGrids.Vantrel.Model.
#pragma once

#include "components/KvGrids.Vantrel.Model.h"
#include "components/KvGrids.Vantrel.Panel.h"
#include "grid/KvGrids.Delegate.h"
#include "grid/KvGrids.Layout.h"
#include "grid/KvGrids.View.h"

#include <cstdint>

namespace kv {

class TKvVantrel;

class TKvVantrelLayoutManager : public TKvGridLayoutManager
{
public:
    explicit TKvVantrelLayoutManager(TKvGridView* Grid) : TKvGridLayoutManager(Grid) {}
    TSize DoMeasure(const TRect& Rect) override;
    bool IsRowGrouped() const override { return FGroupLevels > 0; }
    int RowGroupLevels() const override { return FGroupLevels; }

protected:
    int FGroupLevels = 0;
};

class TKvVantrelDelegate : public TKvGridDelegate
{
public:
    using TKvGridDelegate::TKvGridDelegate;
    IntfPtr<IKvGridTool> CreateDefaultTool() override;
    // The delegate's own panel renderer, else the shared "defPanelRenderer".
    virtual IKvGridObjectRenderer* GetPanelRenderer();
    void SetPanelRenderer(IKvGridObjectRenderer* Renderer) { FPanelRenderer = IntfPtr<IKvGridObjectRenderer>(Renderer); }

protected:
    IntfPtr<IKvGridObjectRenderer> FPanelRenderer;
};

// Releases the shared panel renderer (at exit; tests may call it).
void ReleaseSharedPanelRenderer();

// One data column per field of the data provider on any grid view (after removing all its
// columns when Clear); at design time each gets a unique name. Nothing without a provider.
void GenerateGridDataColumns(TKvGridView* Grid, TKvGridDataProvider* Data, bool Clear);

class TKvVantrel : public TKvGridView
{
protected:
    friend class TCreateAccess;
    explicit TKvVantrel(TComponent* Owner) : TKvGridView(Owner) {}

public:
    // The chain starts with the grouping and row-group options' expand settings.
    void AfterConstruction() override;
    TKvVantrelItemProvider* GetItemSource() const { return FItemSource; }
    TKvGridPanelElement* GetGroupingPanel() const { return FPanelView; }

    TKvGridDataProvider* GetDataProvider() const;
    void SetDataProvider(TKvGridDataProvider* Value);
    // Values above the signed range are clamped.
    std::uint32_t GetMaxRowCount() const;
    void SetMaxRowCount(std::uint32_t Value);
    // True while the view's item provider is this chain and it groups.
    bool GetRowGrouped() const;

    // One data column per field of the data provider (after removing all columns when
    // Clear); nothing without a data provider.
    void GenerateDataColumns(bool Clear);

    // Clears the chain's filters and adds every active filter of every data column, then
    // rebuilds once. A filter whose criteria does not apply is left out; the others apply and
    // one EKvFilterError then names each column and text that was left out.
    void ApplyFilters();
    bool IsFiltered(TKvGridColumn* Column) const;
    // Clears the filters of the column's field.
    void ApplyFilter(TKvGridColumn* Column);
    bool IsGrouped(TKvGridColumn* Column) const;
    void GroupBy(const TKvIntegerArray& Fields, bool Sort = true, TKvGridSortDirection Direction = SortAscending);
    TKvIntegerArray GetGroupByFields() const;
    // A column already grouped is not added again.
    void AddGroupBy(int Index, TKvGridColumn* Column);
    void RemoveGroupBy(TKvGridColumn* Column);

    void SortItems(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions) override;
    TKvIntegerArray GetSortFields() const override;
    TKvGridSortDirections GetSortDirections() const override;
    bool IsGroupedColumn(TKvGridColumn* Column) const override;
    void GetItemDefaults(int ItemIndex, TKvGridDataRow& Values) override;
    void ColumnFiltersChanged() override;
    void GroupingOptionsChanged() override;
    void RowGroupOptionsChanged() override;
    void Loaded() override;
    TObject* GetAdapter(const std::type_info& type) override;
    bool CanUpdate(int ItemIndex, int Field) const override;
    bool CanAppend() const override;
    bool CanInsert(int ItemIndex) const override;
    bool CanDelete(int ItemIndex) const override;

protected:
    TOwned<TKvGridItemProvider> CreateItemProvider() override;
    TOwned<TKvGridDelegate> CreateGridDelegate() override;
    TOwned<TKvAbstractGridLayoutManager> CreateLayoutManager() override;
    TKvGridRegionElement* CreatePanelView() override;
    void ResetRenderers() override;
    void Dispose() override;
    // Leaving the window ends a drag of the tool without completing it.
    void DoExit() override;
    // Applies the filters read from the form once their data provider has loaded.
    void DoItemSourceReset() override;

private:
    // The chain while it is the view's item provider.
    TKvVantrelItemProvider* Chain() const;
    void GroupingChanged();
    // ApplyFilters for filters read from a form: those left out are reported through the
    // application's error path, and the form reads.
    void ApplyReadFilters();

    TKvOwnedItemSource<TKvVantrelItemProvider> FItemSource{this};
    TKvGridPanelElement* FPanelView = nullptr;
    // Read filters wait for a data provider that was read after the grid.
    bool FFiltersPending = false;
};

} // namespace kv
