// The list view's item-provider chain: an editable top over a filtered provider over the
// default provider. The top owns the two lower links; the data provider goes to the bottom.
#pragma once

#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "model/KvGrids.Model.Proxy.Filter.h"

namespace kv {

class TKvListViewItemProvider : public TKvGridEditableItemProvider
{
protected:
    friend class TCreateAccess;
    TKvListViewItemProvider() : TKvGridEditableItemProvider(nullptr) {}

public:
    ~TKvListViewItemProvider() override;
    // Builds the chain: default provider, the filtered one over it, then this top over that.
    void AfterConstruction() override;
    // Detaches the top, then frees the filtered and the default provider.
    void BeforeDestruction() override;

    TKvDefaultGridItemProvider* GetItemProvider() const { return FItemProvider.get(); }
    TKvGridFilteredItemProvider* GetFilteredProvider() const { return FFilteredProvider.get(); }

    // The bottom default provider.
    void SetDataSource(TKvGridDataProvider* Provider);
    TVariantArray GetFieldDomain(int Field) const;
    void OrderBy(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions);
    TKvIntegerArray GetSortFields() const;
    TKvGridSortDirections GetSortDirections() const;

    // The filtered provider.
    bool IsFiltered(int Field) const;
    TKvColumnFilter* AddFilter(int Field, const QString& Expression);
    void RemoveFilter(int Field, TKvColumnFilter* Filter);
    void ClearFilters(int Field);
    void ClearAllFilters();
    // Filters added between the two apply once, at the end.
    void BeginFiltering();
    void EndFiltering();
    // Every item that passes the filters, in order.
    TKvGridItems GetAllItems() const override;
    // The filtered provider's items emptied, or found again; neither sends a notification.
    void ClearItems() override;
    void PopulateItems() override;

private:
    TOwned<TKvDefaultGridItemProvider> FItemProvider;
    TOwned<TKvGridFilteredItemProvider> FFilteredProvider;
};

} // namespace kv
