#include "components/KvGrids.ListView.Model.h"

namespace kv {

TKvListViewItemProvider::~TKvListViewItemProvider() = default;

void TKvListViewItemProvider::AfterConstruction()
{
    TKvGridEditableItemProvider::AfterConstruction();
    FItemProvider = MakeOwned<TKvDefaultGridItemProvider>();
    FFilteredProvider = MakeOwned<TKvGridFilteredItemProvider>(FItemProvider.get());
    SetSource(FFilteredProvider.get());
}

void TKvListViewItemProvider::BeforeDestruction()
{
    TKvGridEditableItemProvider::BeforeDestruction();
    FFilteredProvider.reset();
    FItemProvider.reset();
}

void TKvListViewItemProvider::SetDataSource(TKvGridDataProvider* Provider)
{
    if (FItemProvider)
        FItemProvider->SetDataSource(Provider);
}

TVariantArray TKvListViewItemProvider::GetFieldDomain(int Field) const
{
    return FItemProvider ? FItemProvider->GetFieldDomain(Field) : TVariantArray{};
}

void TKvListViewItemProvider::OrderBy(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions)
{
    if (FItemProvider)
        FItemProvider->OrderBy(Fields, Directions, true);
}

TKvIntegerArray TKvListViewItemProvider::GetSortFields() const
{
    return FItemProvider ? FItemProvider->GetSortFields() : TKvIntegerArray{};
}

TKvGridSortDirections TKvListViewItemProvider::GetSortDirections() const
{
    return FItemProvider ? FItemProvider->GetSortDirections() : TKvGridSortDirections{};
}

bool TKvListViewItemProvider::IsFiltered(int Field) const { return FFilteredProvider && FFilteredProvider->HasFilter(Field); }

TKvColumnFilter* TKvListViewItemProvider::AddFilter(int Field, const QString& Expression)
{
    return FFilteredProvider ? FFilteredProvider->AddFilter(Field, Expression) : nullptr;
}

void TKvListViewItemProvider::RemoveFilter(int Field, TKvColumnFilter* Filter)
{
    if (FFilteredProvider)
        FFilteredProvider->RemoveFilter(Field, Filter);
}

void TKvListViewItemProvider::ClearFilters(int Field)
{
    if (FFilteredProvider)
        FFilteredProvider->ClearFilters(Field);
}

void TKvListViewItemProvider::ClearAllFilters()
{
    if (FFilteredProvider)
        FFilteredProvider->ClearAllFilters();
}

void TKvListViewItemProvider::BeginFiltering()
{
    if (FFilteredProvider)
        FFilteredProvider->BeginUpdate();
}

void TKvListViewItemProvider::EndFiltering()
{
    if (FFilteredProvider)
        FFilteredProvider->EndUpdate(true);
}

void TKvListViewItemProvider::ClearItems()
{
    if (FFilteredProvider)
        FFilteredProvider->ClearItems();
}

void TKvListViewItemProvider::PopulateItems()
{
    if (FFilteredProvider)
        FFilteredProvider->PopulateItems();
}

TKvGridItems TKvListViewItemProvider::GetAllItems() const
{
    TKvGridItems out;
    if (!FFilteredProvider)
        return out;
    const int count = FFilteredProvider->GetItemCount();
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        out.push_back(FFilteredProvider->GetItem(i));
    return out;
}

} // namespace kv
