// The item-provider chain of the ready-made grids: an editable top over a filtered provider
// over the default provider, which reads the data provider. The top owns the lower links.
// The list view uses it as it is; the top-level grid's chain stacks a grouped provider
// between the filtered one and the top (StackLinks, FreeLinks).
//
// Column filters of both grids are applied here (ApplyColumnFilters): every active filter of
// the given columns in one batch; the ones that cannot apply are left out and named together
// in one EKvFilterError once the others are in force.
#pragma once

#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "platform/rtl/SysUtils.h"

#include <vector>

namespace kv {

class TKvGridDataColumn;

// A column filter that does not apply; the message names the column and the criteria.
class EKvFilterError : public Exception
{
public:
    using Exception::Exception;
};

class TKvGridChainItemProvider : public TKvGridEditableItemProvider
{
protected:
    friend class TCreateAccess;
    TKvGridChainItemProvider() : TKvGridEditableItemProvider(nullptr) {}

public:
    ~TKvGridChainItemProvider() override;
    // Builds the default provider, the filtered one over it and the links StackLinks adds,
    // then takes the topmost of them as the top's source.
    void AfterConstruction() override;
    // Detaches the top, then frees the links from the top down (FreeLinks).
    void BeforeDestruction() override;

    TKvDefaultGridItemProvider* GetItemProvider() const { return FItemProvider.get(); }
    TKvGridFilteredItemProvider* GetFilteredProvider() const { return FFilteredProvider.get(); }

    // The data provider, at the bottom of the chain.
    void SetDataSource(TKvGridDataProvider* Provider);
    TKvGridDataProvider* GetDataSource() const override;
    TVariantArray GetFieldDomain(int Field) const;
    // Sorts the default provider (and refreshes).
    virtual void OrderBy(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions);
    TKvIntegerArray GetSortFields() const;
    TKvGridSortDirections GetSortDirections() const;

    // Filtering (the filtered provider).
    bool IsFiltered(int Field) const;
    TKvColumnFilter* AddFilter(int Field, const QString& Expression);
    void RemoveFilter(int Field, TKvColumnFilter* Filter);
    void ClearFilters(int Field);
    void ClearAllFilters();
    // Filter changes between these rebuild once, at the end.
    void BeginFiltering();
    void EndFiltering();
    // Clears the filters and adds every active filter of the columns, in order, as one
    // batch. A filter whose column shows no field of the data, whose criteria does not parse,
    // names an unknown identifier or fails on the rows is left out; the others apply and one
    // EKvFilterError then names each column and text left out. Without a data provider the
    // filters are only cleared.
    void ApplyColumnFilters(const std::vector<TKvGridDataColumn*>& Columns);

    // Every item the link under the top shows, in order.
    TKvGridItems GetAllItems() const override;
    // The link under the top (the top's source) empties its items, or finds them again;
    // neither sends a notification.
    void ClearItems() override;
    void PopulateItems() override;

protected:
    // Adds links over the filtered provider and answers the topmost, the top's source.
    virtual TKvGridItemProvider* StackLinks(TKvGridFilteredItemProvider* Filtered) { return Filtered; }
    // Frees the links StackLinks added, then the filtered and the default provider.
    virtual void FreeLinks();

private:
    TOwned<TKvDefaultGridItemProvider> FItemProvider;
    TOwned<TKvGridFilteredItemProvider> FFilteredProvider;
};

} // namespace kv
