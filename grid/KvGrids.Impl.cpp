// The concrete grid view over its default item provider and its published properties. The
// stock renderers of the module are in KvGrids.Impl.Renderers.cpp.
//
// Call flow: the grid view's Initialize calls CreateItemProvider, which makes the default item
// provider this view owns; the data provider and sorting go to it.
#include "grid/KvGrids.Impl.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Options.h"
#include "model/KvGrids.Model.Default.h"

namespace kv {

// ---- the grid view ---------------------------------------------------------------------------

TOwned<TKvGridItemProvider> TKvGridViewImpl::CreateItemProvider() { return MakeOwned<TKvDefaultGridItemProvider>(); }

TKvDefaultGridItemProvider* TKvGridViewImpl::GetItemSourceImpl() const { return FItemSource; }

TKvGridDataProvider* TKvGridViewImpl::GetDataProvider() const
{
    return GetItemProvider() ? GetItemProvider()->GetDataSource() : nullptr;
}

void TKvGridViewImpl::SetDataProvider(TKvGridDataProvider* Value)
{
    if (FItemSource)
        FItemSource->SetDataSource(Value);
}

void TKvGridViewImpl::SortItems(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions)
{
    if (FItemSource)
        FItemSource->OrderBy(Fields, Directions);
}

// The sort shown by the header handles is the item source's.
TKvIntegerArray TKvGridViewImpl::GetSortFields() const { return FItemSource ? FItemSource->GetSortFields() : TKvIntegerArray{}; }

TKvGridSortDirections TKvGridViewImpl::GetSortDirections() const
{
    return FItemSource ? FItemSource->GetSortDirections() : TKvGridSortDirections{};
}

QString& EmptyBodyDefaultText()
{
    static QString text = QStringLiteral("표시할 데이터가 없습니다.");
    return text;
}

// The implementation grid publishes what the grid view keeps public: the area objects, the
// option sets, the columns and the sizes. Object setters ignore the value (the objects live
// as long as the grid); the area setters write their trace line.
KV_PUBLISH(TKvGridViewColumns, TPersistent);

using TImpl = TKvGridViewImpl;
template <typename T>
void KeepOwned(TImpl&, T*)
{
}

KV_PUBLISH(TKvGridViewImpl, TKvGridView)
    .Property("Indicator", &TImpl::GetIndicator, &TImpl::SetIndicator)
    .Property("StatesBar", &TImpl::GetStatesBar, &TImpl::SetStatesBar)
    .Property("CheckBar", &TImpl::GetCheckBar, &TImpl::SetCheckBar)
    .Property("Header", &TImpl::GetHeader, &TImpl::SetHeader)
    .Property("Footer", &TImpl::GetFooter, &TImpl::SetFooter)
    .Property("Panel", &TImpl::GetPanel, &TImpl::SetPanel)
    .Property("EditBar", &TImpl::GetEditBar, &TImpl::SetEditBar)
    .Property("Body", &TImpl::GetBody, &TImpl::SetBody)
    .Property("RowGroup", &TImpl::GetRowGroup, &TImpl::SetRowGroup)
    .Property("DisplayOptions", &TImpl::GetDisplayOptions, &KeepOwned<TKvGridDisplayOptions>)
    .Property("EditOptions", &TImpl::GetEditOptions, &KeepOwned<TKvGridEditOptions>)
    .Property("SelectOptions", &TImpl::GetSelectOptions, &KeepOwned<TKvGridSelectOptions>)
    .Property("FocusOptions", &TImpl::GetFocusOptions, &KeepOwned<TKvGridFocusOptions>)
    .Property("HoveringOptions", &TImpl::GetHoveringOptions, &KeepOwned<TKvGridHoveringOptions>)
    .Property("SortingOptions", &TImpl::GetSortingOptions, &KeepOwned<TKvGridSortingOptions>)
    .Property("FilteringOptions", &TImpl::GetFilteringOptions, &KeepOwned<TKvGridFilteringOptions>)
    .Property("GroupingOptions", &TImpl::GetGroupingOptions, &KeepOwned<TKvGridGroupingOptions>)
    .Property("FixedCols", &TImpl::GetFixedCols, &KeepOwned<TKvGridFixedCols>)
    .Property("FixedRows", &TImpl::GetFixedRows, &KeepOwned<TKvGridFixedRows>)
    .Property("DefaultColumnWidth", &TImpl::GetDefaultColumnWidth, &TImpl::SetDefaultColumnWidth).Default(120)
    .Property("GroupIndentSize", &TImpl::GetGroupIndentSize, &TImpl::SetGroupIndentSize).Default(20)
    .Property("HorzScrollStep", &TImpl::GetHorzScrollStep, &TImpl::SetHorzScrollStep).Default(8);

} // namespace kv
