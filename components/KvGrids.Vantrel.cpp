// The top-level grid, its layout manager and its delegate.
//
// Sections: layout manager; delegate; factories and parts; data provider and columns;
// filters; grouping; sorting, defaults and permissions; notifications.
//
// Call flow: the view's Initialize calls the factories; grouping and filter commands go to
// the chain (KvGrids.Vantrel.Model), which rebuilds and notifies the view; the view's next
// layout asks the layout manager, which reads the group levels from the chain, and the panel
// view (KvGrids.Vantrel.Panel) lays out its chips.
#include "components/KvGrids.Vantrel.h"

#include "components/KvGrids.Vantrel.Tool.h"
#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Options.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/TypInfo.h"
#include "platform/ui/MessageBox.h"

#include <algorithm>
#include <climits>

namespace kv {

KV_PUBLISH(TKvVantrel, TKvGridView)
    .Property("Body", &TKvVantrel::GetBody)
    .Property("Indicator", &TKvVantrel::GetIndicator)
    .Property("StatesBar", &TKvVantrel::GetStatesBar)
    .Property("CheckBar", &TKvVantrel::GetCheckBar)
    .Property("Header", &TKvVantrel::GetHeader)
    .Property("Footer", &TKvVantrel::GetFooter)
    .Property("Panel", &TKvVantrel::GetPanel)
    .Property("RowGroup", &TKvVantrel::GetRowGroup)
    .Property("DisplayOptions", &TKvVantrel::GetDisplayOptions)
    .Property("EditOptions", &TKvVantrel::GetEditOptions)
    .Property("SelectOptions", &TKvVantrel::GetSelectOptions)
    .Property("FocusOptions", &TKvVantrel::GetFocusOptions)
    .Property("HoveringOptions", &TKvVantrel::GetHoveringOptions)
    .Property("SortingOptions", &TKvVantrel::GetSortingOptions)
    .Property("FilteringOptions", &TKvVantrel::GetFilteringOptions)
    .Property("GroupingOptions", &TKvVantrel::GetGroupingOptions)
    .Property("FixedCols", &TKvVantrel::GetFixedCols)
    .Property("FixedRows", &TKvVantrel::GetFixedRows)
    .Property("MaxRowCount", &TKvVantrel::GetMaxRowCount, &TKvVantrel::SetMaxRowCount).Default(std::uint32_t(0))
    .Property("DataProvider", &TKvVantrel::GetDataProvider, &TKvVantrel::SetDataProvider);

// ---- layout manager --------------------------------------------------------------------------

TSize TKvVantrelLayoutManager::DoMeasure(const TRect& Rect)
{
    auto* grid = dynamic_cast<TKvVantrel*>(FGrid);
    FGroupLevels = grid && grid->GetRowGrouped() ? grid->GetItemSource()->GetGroupLevels() : 0;
    return TKvGridLayoutManager::DoMeasure(Rect);
}

// ---- delegate --------------------------------------------------------------------------------

namespace {
IntfPtr<IKvGridObjectRenderer>& SharedPanelRenderer()
{
    static IntfPtr<IKvGridObjectRenderer> renderer;
    return renderer;
}
} // namespace

void ReleaseSharedPanelRenderer() { SharedPanelRenderer() = nullptr; }

IntfPtr<IKvGridTool> TKvVantrelDelegate::CreateDefaultTool() { return MakeIntf<TKvVantrelSelectionTool>(FOwner); }

IKvGridObjectRenderer* TKvVantrelDelegate::GetPanelRenderer()
{
    if (FPanelRenderer)
        return FPanelRenderer.get();
    IntfPtr<IKvGridObjectRenderer>& shared = SharedPanelRenderer();
    if (!shared)
        shared = IntfPtr<IKvGridObjectRenderer>(MakeIntf<TKvGridPanelRenderer>(QStringLiteral("defPanelRenderer")));
    return shared.get();
}

// ---- factories and parts ---------------------------------------------------------------------

void TKvVantrel::AfterConstruction()
{
    TKvGridView::AfterConstruction();
    GroupingOptionsChanged();
    if (FItemSource)
        FItemSource->SetGroupedStyle(GetRowGroup()->GetExpandedStyle(), GetRowGroup()->GetCollapsedStyle());
}

TOwned<TKvGridItemProvider> TKvVantrel::CreateItemProvider() { return MakeOwned<TKvVantrelItemProvider>(); }

TOwned<TKvGridDelegate> TKvVantrel::CreateGridDelegate() { return MakeOwned<TKvVantrelDelegate>(this); }

TOwned<TKvAbstractGridLayoutManager> TKvVantrel::CreateLayoutManager() { return MakeOwned<TKvVantrelLayoutManager>(this); }

TKvGridRegionElement* TKvVantrel::CreatePanelView()
{
    FPanelView = Create<TKvGridPanelElement>(GetPanel(), QStringLiteral("panelView"));
    return FPanelView;
}

void TKvVantrel::ResetRenderers()
{
    TKvGridView::ResetRenderers();
    if (auto* d = dynamic_cast<TKvVantrelDelegate*>(GetGridDelegate()); d && FPanelView)
        FPanelView->SetPanelRenderer(d->GetPanelRenderer());
}

void TKvVantrel::Dispose()
{
    // The view frees the panel; nothing here may reach it from now on.
    FPanelView = nullptr;
    TKvGridView::Dispose();
}

TKvVantrelItemProvider* TKvVantrel::Chain() const
{
    return FItemSource && GetItemProvider() == FItemSource ? FItemSource.Get() : nullptr;
}

// ---- data provider and columns ---------------------------------------------------------------

TKvGridDataProvider* TKvVantrel::GetDataProvider() const { return FItemSource ? FItemSource->GetDataSource() : nullptr; }

void TKvVantrel::SetDataProvider(TKvGridDataProvider* Value)
{
    if (!FItemSource || Value == FItemSource->GetDataSource())
        return;
    FItemSource->SetDataSource(Value);
    // The column filters apply to the new rows (the form's Loaded does it after reading).
    if (Value && !IsLoading() && !IsDesigning())
        for (TKvGridDataColumn* column : GetDataColumns())
            if (HasActiveFilters(column)) {
                ResetColumnIndicies();
                ApplyFilters();
                break;
            }
}

std::uint32_t TKvVantrel::GetMaxRowCount() const
{
    return FItemSource ? static_cast<std::uint32_t>(std::max(0, FItemSource->GetMaxItemCount())) : 0;
}

void TKvVantrel::SetMaxRowCount(std::uint32_t Value)
{
    if (FItemSource)
        FItemSource->SetMaxItemCount(static_cast<int>(std::min<std::uint32_t>(Value, INT_MAX)));
}

bool TKvVantrel::GetRowGrouped() const
{
    TKvVantrelItemProvider* chain = Chain();
    return chain && chain->IsGrouped();
}

TObject* TKvVantrel::GetAdapter(const std::type_info& type)
{
    if (type == typeid(TKvGridDataProvider))
        return GetDataProvider();
    return TKvGridView::GetAdapter(type);
}

void TKvVantrel::GenerateDataColumns(bool Clear)
{
    GenerateGridDataColumns(this, GetDataProvider(), Clear);
}

void GenerateGridDataColumns(TKvGridView* Grid, TKvGridDataProvider* Data, bool Clear)
{
    if (!Grid)
        return;
    if (Clear)
        Grid->ClearColumns();
    if (!Data)
        return;
    TComponent* form = Grid->GetOwner();
    auto unique = [&](const QString& name) {
        if (!IsNameFreeInOpenDesigners(name) || (form && form->FindComponent(name)))
            return false;
        for (TKvGridDataColumn* column : Grid->GetDataColumns())
            if (column->GetName().compare(name, Qt::CaseInsensitive) == 0)
                return false;
        return true;
    };
    Grid->BeginUpdate();
    {
        TScopeExit endUpdate([&] { Grid->EndUpdate(); });
        for (int i = 0; i < Data->GetFieldCount(); ++i) {
            const QString field = Data->GetFieldName(i);
            TKvGridDataColumn* column = Grid->AddDataColumn(nullptr);
            column->SetFieldIndex(i);
            column->SetFieldName(field);
            column->GetHeader()->SetCaption(field);
            column->SetWidth(Grid->GetDisplayOptions()->GetDefaultColumnWidth());
            if (Grid->IsDesigning()) {
                const QString base = Grid->GetName() + (IsValidIdent(field) ? field : QStringLiteral("column"));
                QString name = base;
                for (int n = 2; !unique(name); ++n)
                    name = base + QString::number(n);
                column->SetName(name);
            }
        }
    }
}

// ---- filters ---------------------------------------------------------------------------------

void TKvVantrel::ApplyFilters()
{
    FFiltersPending = false;
    if (!FItemSource)
        return;
    try {
        FItemSource->ApplyColumnFilters(GetDataColumns());
    } catch (const EKvFilterError&) {
        SetTopIndex(0);
        throw;
    }
    SetTopIndex(0);
}

bool TKvVantrel::IsFiltered(TKvGridColumn* Column) const
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    return data && FItemSource && FItemSource->IsFiltered(data->GetDataIndex());
}

void TKvVantrel::ApplyFilter(TKvGridColumn* Column)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    if (!data || !FItemSource)
        return;
    FItemSource->ClearFilters(data->GetDataIndex());
    SetTopIndex(0);
}

// ---- grouping --------------------------------------------------------------------------------

bool TKvVantrel::IsGrouped(TKvGridColumn* Column) const
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    return data && FItemSource && FItemSource->IsGroupedField(data->GetDataIndex());
}

void TKvVantrel::GroupingChanged() { SetTopIndex(0); }

void TKvVantrel::GroupBy(const TKvIntegerArray& Fields, bool Sort, TKvGridSortDirection Direction)
{
    // Without data no field is known.
    if (!GetDataProvider() && !Fields.empty())
        throw EArgumentOutOfRangeException(QStringLiteral("field: ") + QString::number(Fields.front()));
    if (!FItemSource)
        return;
    FItemSource->GroupBy(Fields, Sort, Direction);
    GroupingChanged();
}

TKvIntegerArray TKvVantrel::GetGroupByFields() const
{
    TKvVantrelItemProvider* chain = Chain();
    return chain && chain->IsGrouped() ? chain->GetGroupByFields() : TKvIntegerArray{};
}

void TKvVantrel::AddGroupBy(int Index, TKvGridColumn* Column)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    if (!data || !FItemSource || data->GetDataIndex() < 0 || IsGrouped(data))
        return;
    FItemSource->AddGroupBy(Index, data->GetDataIndex());
    GroupingChanged();
}

void TKvVantrel::RemoveGroupBy(TKvGridColumn* Column)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    if (!data || !FItemSource || !IsGrouped(data))
        return;
    FItemSource->RemoveGroupBy(data->GetDataIndex());
    GroupingChanged();
}

// ---- sorting, defaults and permissions -------------------------------------------------------

void TKvVantrel::SortItems(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions)
{
    if (!FItemSource)
        return;
    // Sorting by grouped fields alone turns only their direction: the other sort keys stay.
    const bool groupedOnly =
        FItemSource->IsGrouped() && !Fields.empty() &&
        std::all_of(Fields.begin(), Fields.end(), [this](int field) { return FItemSource->IsGroupedField(field); });
    if (!groupedOnly) {
        FItemSource->OrderBy(Fields, Directions);
        return;
    }
    TKvIntegerArray fields = Fields;
    TKvGridSortDirections directions = Directions;
    directions.resize(fields.size(), SortAscending);
    const TKvIntegerArray current = FItemSource->GetSortFields();
    const TKvGridSortDirections currentDirections = FItemSource->GetSortDirections();
    for (size_t i = 0; i < current.size(); ++i)
        if (std::find(fields.begin(), fields.end(), current[i]) == fields.end()) {
            fields.push_back(current[i]);
            directions.push_back(i < currentDirections.size() ? currentDirections[i] : SortAscending);
        }
    FItemSource->OrderBy(fields, directions);
}

TKvIntegerArray TKvVantrel::GetSortFields() const { return FItemSource ? FItemSource->GetSortFields() : TKvIntegerArray{}; }

TKvGridSortDirections TKvVantrel::GetSortDirections() const
{
    return FItemSource ? FItemSource->GetSortDirections() : TKvGridSortDirections{};
}

bool TKvVantrel::IsGroupedColumn(TKvGridColumn* Column) const { return IsGrouped(Column); }

void TKvVantrel::GetItemDefaults(int ItemIndex, TKvGridDataRow& Values)
{
    if (!GetRowGrouped() || ItemIndex < 0 || ItemIndex >= GetItemCount())
        return;
    TKvGridItem* item = GetItem(ItemIndex);
    if (!item)
        return;
    const TKvIntegerArray fields = GetGroupByFields();
    // A group header or footer stands for its group: its own levels come from its first row.
    int levels = static_cast<int>(fields.size());
    TKvGridGroupItem* group = dynamic_cast<TKvGridGroupItem*>(item);
    if (!group && dynamic_cast<TKvGridGroupFooter*>(item))
        group = item->GetParent();
    if (group) {
        const auto at = std::find(fields.begin(), fields.end(), group->GetField());
        if (at != fields.end())
            levels = static_cast<int>(at - fields.begin()) + 1;
        item = group->GetFirstItem();
        while (auto* inner = dynamic_cast<TKvGridGroupItem*>(item))
            item = inner->GetFirstItem();
        if (!item)
            return;
    }
    for (int i = levels - 1; i >= 0; --i) {
        const int field = fields[static_cast<size_t>(i)];
        if (field >= 0 && field < static_cast<int>(Values.size()))
            Values[static_cast<size_t>(field)] = item->GetData(field);
    }
}

bool TKvVantrel::CanUpdate(int ItemIndex, int Field) const
{
    TKvGridEditOptions* o = GetEditOptions();
    return !o->GetReadOnly() && o->GetEditable() && FItemSource && FItemSource->CanUpdate(ItemIndex, Field);
}

bool TKvVantrel::CanAppend() const
{
    TKvGridEditOptions* o = GetEditOptions();
    return !o->GetReadOnly() && o->GetAppendable() && FItemSource && FItemSource->CanInsert(FItemSource->GetItemCount());
}

bool TKvVantrel::CanInsert(int ItemIndex) const
{
    TKvGridEditOptions* o = GetEditOptions();
    return !o->GetReadOnly() && o->GetInsertable() && FItemSource && FItemSource->CanInsert(ItemIndex);
}

bool TKvVantrel::CanDelete(int ItemIndex) const
{
    TKvGridEditOptions* o = GetEditOptions();
    return !o->GetReadOnly() && o->GetDeletable() && FItemSource && FItemSource->CanDelete(ItemIndex);
}

// ---- notifications ---------------------------------------------------------------------------

void TKvVantrel::ColumnFiltersChanged()
{
    if (IsLoading() || IsDestroying() || IsDesigning())
        return;
    ApplyFilters();
}

void TKvVantrel::GroupingOptionsChanged()
{
    TKvGridView::GroupingOptionsChanged();
    if (FItemSource)
        FItemSource->SetExpandWhenGrouping(GetGroupingOptions()->GetExpanded());
}

void TKvVantrel::RowGroupOptionsChanged()
{
    TKvGridView::RowGroupOptionsChanged();
    if (FItemSource)
        FItemSource->SetGroupedStyle(GetRowGroup()->GetExpandedStyle(), GetRowGroup()->GetCollapsedStyle());
}

void TKvVantrel::Loaded()
{
    TKvGridView::Loaded();
    GroupingOptionsChanged();
    // Filters read with the columns are active: the rows show filtered. A data provider read
    // after the grid has no fields yet: its first reset applies them.
    if (IsDesigning())
        return;
    TKvGridDataProvider* data = GetDataProvider();
    if (data && data->IsLoading())
        FFiltersPending = true;
    else
        ApplyReadFilters();
}

void TKvVantrel::ApplyReadFilters()
{
    try {
        ApplyFilters();
    } catch (const EKvFilterError& e) {
        ShowException(e);
    }
}

void TKvVantrel::DoItemSourceReset()
{
    TKvGridView::DoItemSourceReset();
    if (!FFiltersPending || IsLoading() || IsDestroying() || GetDisposing())
        return;
    TKvGridDataProvider* data = GetDataProvider();
    if (data && !data->IsLoading())
        ApplyReadFilters();
}

void TKvVantrel::DoExit()
{
    TKvGridView::DoExit();
    if (auto* tool = dynamic_cast<TKvVantrelSelectionTool*>(GetActiveTool()))
        tool->CancelDrag();
}

} // namespace kv
