// Area objects of the grid view.
//
// Sections: grid object bases; bars; header and footer; summary texts; panel, edit bar and
// fetch bar; body; row-group levels; row group; published properties.
//
// Call flow: the layout, elements and renderers ask an area for a cell (GetCell and the
// row group's GetHeaderCell/GetFooterCell); the area refills its one cell object, computing
// styles in its runtime style set where they differ per cell. Summaries go through the grid's
// summary runtimes and are kept in the footer and the row group until the grid drops them.
#include "grid/KvGrids.Areas.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Runtime.Grid.h"
#include "grid/KvGrids.View.h"

#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/TypInfo.h"
#include "platform/ui/MessageBox.h"

#include <QtCore/QTimer>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

TKvGridItem* ItemAt(const TKvGridView* grid, int index)
{
    TKvGridItemProvider* provider = grid->GetItemProvider();
    if (!provider || index < 0 || index >= provider->GetItemCount())
        return nullptr;
    return provider->GetItem(index);
}

// Shown once the paint is over, on the library's error path: no box opens inside a paint.
void ReportStyleFailure(const QString& message)
{
    QTimer::singleShot(0, [message] { ShowException(message); });
}

} // namespace

// ---- grid object bases -----------------------------------------------------------------

TPersistent* TKvGridObject::GetOwner() const { return FOwner; }

void TKvGridObject::Changed()
{
    FOwner->InvalidateLayout();
    FOwner->Invalidate();
}

TKvGridVisualObject::TKvGridVisualObject(TKvGridView* grid, const QString& stylesName) : TKvGridObject(grid)
{
    FStyles = MakeStyles(stylesName, true);
    FRuntimeStyles = std::make_unique<TKvGridViewStyles>(this, QString());
}

TKvGridVisualObject::~TKvGridVisualObject()
{
    FRuntimeStyles.reset();
    ReleaseStyles(FStyles, true);
}

std::unique_ptr<TKvGridViewStyles> TKvGridVisualObject::MakeStyles(const QString& name, bool registered)
{
    auto styles = std::make_unique<TKvGridViewStyles>(this, name);
    if (registered)
        FOwner->RegisterStyles(styles.get());
    return styles;
}

void TKvGridVisualObject::ReleaseStyles(std::unique_ptr<TKvGridViewStyles>& styles, bool registered)
{
    if (styles && registered)
        FOwner->UnregisterStyles(styles.get());
    styles.reset();
}

void TKvGridVisualObject::SetVisible(bool value)
{
    if (ChangeField(FVisible, value))
        Changed();
}

void TKvGridVisualObject::SetStyles(TKvGridViewStyles* value)
{
    if (!value || value == FStyles.get())
        return;
    FStyles->Assign(value);
    FOwner->RefreshView(false);
}

void TKvGridVisualObject::Changed() { FOwner->VisualObjectChanged(this); }

void TKvGridVisualObject::AssignTo(TPersistent* dest) const
{
    auto* target = dynamic_cast<TKvGridVisualObject*>(dest);
    if (!target) {
        TKvGridObject::AssignTo(dest);
        return;
    }
    target->FMinimumSize = FMinimumSize;
    target->FVisible = FVisible;
}

TKvGridViewStyles* TKvGridVisualObject::ResetRuntimeStyles(TKvGridStyleBag* parent) const
{
    FRuntimeStyles->ClearValues();
    FRuntimeStyles->SetParent(parent);
    return FRuntimeStyles.get();
}

// ---- bars ------------------------------------------------------------------------------

TKvGridBarObject::TKvGridBarObject(TKvGridView* grid, const QString& prefix, int minWidth)
    : TKvGridVisualObject(grid, prefix + QStringLiteral(" Styles")), FMinWidth(minWidth)
{
    // The corner cells' styles repaint the grid when they change, as the bar's own do.
    FHeadStyles = MakeStyles(prefix + QStringLiteral(" Head Styles"), true);
    FFootStyles = MakeStyles(prefix + QStringLiteral(" Foot Styles"), true);
}

TKvGridBarObject::~TKvGridBarObject()
{
    ReleaseStyles(FFootStyles, true);
    ReleaseStyles(FHeadStyles, true);
}

void TKvGridBarObject::SetHeadStyles(TKvGridViewStyles* value)
{
    if (value && value != FHeadStyles.get())
        FHeadStyles->Assign(value);
}

void TKvGridBarObject::SetFootStyles(TKvGridViewStyles* value)
{
    if (value && value != FFootStyles.get())
        FFootStyles->Assign(value);
}

void TKvGridBarObject::SetMinWidth(int value)
{
    if (ChangeField(FMinWidth, std::max(0, value)))
        Changed();
}

void TKvGridBarObject::SetWidth(int value)
{
    if (ChangeField(FWidth, std::max(0, value)))
        Changed();
}

TKvGridCellIndex TKvGridBarCell::GetIndex() const { return TKvGridCellIndex(FGrid, FIndex, nullptr); }

TKvGridIndicator::TKvGridIndicator(TKvGridView* grid)
    : TKvGridBarObject(grid, QStringLiteral("Indicator"), 40), FCell(std::make_unique<TKvIndicatorCell>(this))
{
    FCell->FGrid = grid;
}

TKvGridIndicator::~TKvGridIndicator() = default;

void TKvGridIndicator::SetDisplayValue(TKvGridIndicatorValue value)
{
    if (ChangeField(FDisplayValue, value))
        Changed();
}

TKvGridIndicator::TKvIndicatorCell* TKvGridIndicator::GetCell(int ItemIndex)
{
    FCell->FIndex = ItemIndex;
    FCell->FItem = ItemAt(FOwner, ItemIndex);
    TKvGridItemState state = FCell->FItem ? FCell->FItem->GetItemState() : ItemNormal;
    if (state == ItemNormal && FCell->FItem && ItemIndex == FOwner->GetFocusedIndex().ItemIndex)
        state = ItemFocused;
    FCell->FItemState = state;
    FCell->FStyles = FStyles.get();
    return FCell.get();
}

QString TKvGridIndicator::TKvIndicatorCell::GetDisplayText() const
{
    if (!FItem || FOwner->GetDisplayValue() == IndicatorNone)
        return QString();
    if (FOwner->GetDisplayValue() == IndicatorIndex)
        return QString::number(FIndex + 1);
    const int row = FItem->GetDataRow();
    return row >= 0 ? QString::number(row) : QString();
}

TKvGridStatesBar::TKvGridStatesBar(TKvGridView* grid)
    : TKvGridBarObject(grid, QStringLiteral("StatesBar"), 20), FCell(std::make_unique<TKvStatesCell>())
{
    FVisible = false;
    FCell->FGrid = grid;
}

TKvGridStatesBar::~TKvGridStatesBar() = default;

TKvGridStatesBar::TKvStatesCell* TKvGridStatesBar::GetCell(int ItemIndex)
{
    FCell->FIndex = ItemIndex;
    FCell->FItem = ItemAt(FOwner, ItemIndex);
    FCell->FStyles = FStyles.get();
    return FCell.get();
}

QString TKvGridStatesBar::TKvStatesCell::GetDisplayText() const
{
    if (!FItem)
        return QString();
    switch (FItem->GetRowState()) {
    case RowStateCreated: return QStringLiteral("C");
    case RowStateUpdated: return QStringLiteral("U");
    case RowStateDeleted: return QStringLiteral("D");
    default: return QString();
    }
}

TKvGridCheckBar::TKvGridCheckBar(TKvGridView* grid)
    : TKvGridBarObject(grid, QStringLiteral("CheckBar"), DefaultMinWidth), FCell(std::make_unique<TKvCheckCell>())
{
    FVisible = false;
    FCell->FGrid = grid;
}

TKvGridCheckBar::~TKvGridCheckBar() = default;

void TKvGridCheckBar::InvalidateView() { FOwner->Invalidate(); }

void TKvGridCheckBar::SetShowAll(bool value)
{
    if (ChangeField(FShowAll, value))
        InvalidateView();
}

void TKvGridCheckBar::SetResetField(const QString& value)
{
    if (ChangeField(FResetField, value))
        InvalidateView();
}

void TKvGridCheckBar::CheckAll(bool Checked)
{
    FAllChecked = Checked;
    if (TKvGridItemProvider* provider = FOwner->GetItemProvider())
        for (int i = 0; i < provider->GetItemCount(); ++i)
            provider->CheckItem(i, Checked);
    FOwner->Invalidate();
}

void TKvGridCheckBar::Reset() { FOwner->ResetCheckStates(); }

TKvGridCheckBar::TKvCheckCell* TKvGridCheckBar::GetCell(int ItemIndex)
{
    FCell->FIndex = ItemIndex;
    FCell->FItem = ItemAt(FOwner, ItemIndex);
    FCell->FStyles = FStyles.get();
    return FCell.get();
}

QString TKvGridCheckBar::TKvCheckCell::GetDisplayText() const
{
    return FItem ? QString::number(FItem->GetDataRow()) : QString();
}

// ---- header and footer -----------------------------------------------------------------

TKvGridHeightObject::TKvGridHeightObject(TKvGridView* grid, const QString& stylesName, int minHeight, bool visible)
    : TKvGridVisualObject(grid, stylesName), FMinHeight(minHeight)
{
    FVisible = visible;
}

void TKvGridHeightObject::SetMinHeight(int value)
{
    if (ChangeField(FMinHeight, std::max(0, value)))
        Changed();
}

void TKvGridHeightObject::SetHeight(int value)
{
    if (ChangeField(FHeight, std::max(0, value)))
        Changed();
}

TKvGridHeader::TKvGridHeader(TKvGridView* grid)
    : TKvGridHeightObject(grid, QStringLiteral("Column Header Styles"), 23, true), FCell(std::make_unique<TKvHeaderCell>())
{
    FGroupStyles = MakeStyles(QStringLiteral("ColumnGroup Header Styles"), false);
}

TKvGridHeader::~TKvGridHeader() = default;

TKvGridViewStyles* TKvGridHeader::GetGroupStyles() const
{
    FGroupStyles->SetParent(FOwner->GetStyles());
    return FGroupStyles.get();
}

void TKvGridHeader::SetGroupStyles(TKvGridViewStyles* value)
{
    if (!value || value == FGroupStyles.get())
        return;
    FGroupStyles->Assign(value);
    FOwner->RefreshView(false);
}

TKvGridHeader::TKvHeaderCell* TKvGridHeader::GetCell(const TKvGridCellIndex& Index)
{
    FCell->FIndex = Index;
    FCell->FStyles = Index.Column ? Index.Column->GetHeader()->GetStyles() : GetGroupStyles();
    return FCell.get();
}

QString TKvGridHeader::TKvHeaderCell::GetDisplayText() const
{
    return FIndex.Column ? FIndex.Column->GetHeader()->GetDisplayName() : QString();
}

TKvGridFooter::TKvGridFooter(TKvGridView* grid)
    : TKvGridHeightObject(grid, QStringLiteral("TKvGridFooter Styles"), 23, false),
      FCell(std::make_unique<TKvFooterCell>(this))
{
}

TKvGridFooter::~TKvGridFooter() = default;

TKvGridFooter::TKvFooterCell* TKvGridFooter::GetCell(const TKvGridCellIndex& Index)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Index.Column);
    // Columns without a footer of their own inherit the footer area's styles.
    FCell->FIndex = Index;
    FCell->FStyles = ResetRuntimeStyles(data ? data->GetFooter()->GetStyles() : FStyles.get());
    return FCell.get();
}

const TKvGridSummary& TKvGridFooter::GetSummary(TKvGridDataColumn* Column)
{
    static const TKvGridSummary none;
    TKvGridItemProvider* provider = FOwner->GetItemProvider();
    if (!Column || Column->GetDataIndex() < 0 || Column->GetFooter()->GetExpression().isEmpty() ||
        FOwner->IsDesignTime() || !provider)
        return none;
    auto found = FSummaries.find(Column);
    if (found != FSummaries.end())
        return found.value();
    TKvGridSummary summary;
    try {
        TKvColumnSummaryRuntime* runtime = FOwner->GetColumnSummaryRuntime();
        runtime->SetColumn(Column, provider->GetDataSource());
        summary.Value = Column->GetFooter()->Evaluate(runtime);
    } catch (const std::exception&) {
        summary.Failed = true;
    }
    return FSummaries.insert(Column, summary).value();
}

Variant TKvGridFooter::TKvFooterCell::GetValue() const
{
    return FOwner->GetSummary(dynamic_cast<TKvGridDataColumn*>(FIndex.Column)).Value;
}

QString TKvGridFooter::TKvFooterCell::GetDisplayText() const
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(FIndex.Column);
    if (!data)
        return QString();
    const TKvGridColumnFooter* footer = data->GetFooter();
    if (FOwner->GetGrid()->IsDesignTime())
        return footer->GetExpression().isEmpty() ? footer->GetCaption() : footer->GetExpression();
    const TKvGridSummary& summary = FOwner->GetSummary(data);
    if (summary.Failed)
        return QString();
    return FormatSummaryText(summary.Value, footer->GetCaption(), FStyles);
}

// ---- summary texts ---------------------------------------------------------------------

QString FormatSummaryText(const Variant& value, const QString& caption, TKvGridStyleBag* styles)
{
    const QString format = styles ? styles->GetNumberFormat() : QString();
    QString text;
    if (value.IsClear())
        text = caption;
    else if (format.isEmpty())
        text = value.ToString();
    else if (double number = 0; value.IsNumeric() && value.TryToDouble(number) && !std::isnan(number))
        text = FormatFloat(format, number);
    if (!styles)
        return text;
    return styles->GetPrefix() + text + styles->GetPostfix();
}

// ---- panel, edit bar and fetch bar -----------------------------------------------------

TKvGridPanel::TKvGridPanel(TKvGridView* grid)
    : TKvGridHeightObject(grid, QStringLiteral("TKvGridPanel Styles"), 35, false)
{
}

TKvGridEditBar::TKvGridEditBar(TKvGridView* grid) : TKvGridVisualObject(grid, QStringLiteral("TKvGridEditBar Styles"))
{
    FVisible = false;
}

TKvGridFetchBar::TKvGridFetchBar(TKvGridView* grid) : TKvGridVisualObject(grid, QStringLiteral("TKvGridFetchBar Styles"))
{
    FVisible = false;
}

// ---- body ------------------------------------------------------------------------------

TKvGridBody::TKvGridBody(TKvGridView* grid)
    : TKvGridVisualObject(grid, QStringLiteral("bodyStyles")), FCell(std::make_unique<TKvDataCell>()),
      FGroupCell(std::make_unique<TKvGroupCell>())
{
    FEmptyStyles = MakeStyles(QStringLiteral("emptyBodyStyles"), true);
    FDynamicStyles = std::make_unique<TKvGridDynamicStyleCollection>(this);
    FDynamicStyles->SetKnowsIdentifier(&KnowsDataRowIdentifier);
}

TKvGridBody::~TKvGridBody()
{
    FDynamicStyles.reset();
    ReleaseStyles(FEmptyStyles, true);
}

void TKvGridBody::SetEmptyStyles(TKvGridViewStyles* value)
{
    if (!value || value == FEmptyStyles.get())
        return;
    FEmptyStyles->Assign(value);
    FOwner->RefreshView(false);
}

void TKvGridBody::SetEmptyMessage(const QString& value)
{
    if (ChangeField(FEmptyMessage, value))
        FOwner->RefreshView(false);
}

TKvGridCell* TKvGridBody::GetCell(const TKvGridCellIndex& Index)
{
    TKvGridItem* item = ItemAt(FOwner, Index.ItemIndex);
    auto* data = dynamic_cast<TKvGridDataColumn*>(Index.Column);
    if (!data) {
        FGroupCell->FIndex = Index;
        FGroupCell->FItem = item;
        FGroupCell->FStyles = Index.Column ? Index.Column->GetStyles() : FStyles.get();
        return FGroupCell.get();
    }
    FCell->FIndex = Index;
    FCell->FItem = item;
    TKvGridDynamicStyleCollection* columnStyles = data->GetDynamicStyles();
    const bool bodyDynamic = FDynamicStyles->Count() > 0;
    const bool columnDynamic = columnStyles && columnStyles->Count() > 0;
    if (!bodyDynamic && !columnDynamic) {
        FCell->FStyles = data->GetStyles();
    } else {
        TKvGridViewStyles* styles = ResetRuntimeStyles(data->GetStyles());
        FCell->FStyles = styles;
        // A condition that fails leaves what was applied before it; the user hears of each
        // failing condition once.
        QString failure;
        bool applied = true;
        if (bodyDynamic && item) {
            TKvDataRowExpressionRuntime* runtime = FOwner->GetDataRowRuntime();
            runtime->SetItem(Index.ItemIndex, item);
            applied = FDynamicStyles->PaintApplyTo(runtime, styles, failure);
        }
        if (applied && columnDynamic) {
            TKvDataCellExpressionRuntime* runtime = FOwner->GetDataCellRuntime();
            runtime->SetCell(FCell.get());
            columnStyles->PaintApplyTo(runtime, styles, failure);
        }
        if (!failure.isEmpty())
            ReportStyleFailure(failure);
    }
    const bool editing = item && (item->GetItemState() == ItemUpdating || item->GetItemState() == ItemInserting);
    FCell->FError = editing ? data->GetError() : QString();
    return FCell.get();
}

Variant TKvGridBody::TKvDataCell::GetValue() const
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(FIndex.Column);
    if (!FItem || !data || data->GetDataIndex() < 0)
        return Variant();
    return FItem->GetData(data->GetDataIndex());
}

QString TKvGridBody::TKvDataCell::GetDisplayText() const
{
    const Variant value = GetValue();
    if (value.IsClear())
        return QString();
    auto* data = dynamic_cast<TKvGridDataColumn*>(FIndex.Column);
    if (data && data->GetLookupDisplay()) {
        Variant label;
        if (data->GetLookupValue(value, label))
            return label.ToString();
    }
    return value.ToString();
}

// ---- row-group levels ------------------------------------------------------------------

TKvGridRowGroupLevel::TKvGridRowGroupLevel(TCollection* collection) : TCollectionItem(collection)
{
    FStyles = std::make_unique<TKvGridViewStyles>(this, QStringLiteral("rowGroupLevelStyles"));
    FFooterStyles = std::make_unique<TKvGridViewStyles>(this, QStringLiteral("rowGroupLevelFooterStyles"));
}

TKvGridRowGroupLevel::~TKvGridRowGroupLevel() = default;

TKvGridView* TKvGridRowGroupLevel::GetGrid() const
{
    auto* levels = dynamic_cast<TKvGridRowGroupLevels*>(GetCollection());
    return levels ? levels->GetGrid() : nullptr;
}

void TKvGridRowGroupLevel::SetMinHeight(int value)
{
    if (ChangeField(FMinHeight, value))
        Changed(false);
}

void TKvGridRowGroupLevel::SetStyles(TKvGridViewStyles* value)
{
    if (!value || value == FStyles.get())
        return;
    FStyles->Assign(value);
    Changed(false);
}

void TKvGridRowGroupLevel::SetFooterStyles(TKvGridViewStyles* value)
{
    if (!value || value == FFooterStyles.get())
        return;
    FFooterStyles->Assign(value);
    Changed(false);
}

void TKvGridRowGroupLevel::Assign(const TPersistent* source)
{
    auto* level = dynamic_cast<const TKvGridRowGroupLevel*>(source);
    if (!level) {
        TCollectionItem::Assign(source);
        return;
    }
    FMinHeight = level->FMinHeight;
    FStyles->Clear();
    FStyles->Assign(level->FStyles.get());
    FFooterStyles->Clear();
    FFooterStyles->Assign(level->FFooterStyles.get());
    Changed(false);
}

TKvGridRowGroupLevels::TKvGridRowGroupLevels(TKvGridView* grid)
    : TOwnedCollection(grid, ClassInfo<TKvGridRowGroupLevel>()), FGrid(grid)
{
}

void TKvGridRowGroupLevels::Update(TCollectionItem* item)
{
    FGrid->RowGroupLevelsChanged(static_cast<TKvGridRowGroupLevel*>(item));
}

// ---- row group -------------------------------------------------------------------------

TKvGridRowGroup::TKvGridRowGroup(TKvGridView* grid)
    : TKvGridObject(grid), FHeaderCell(std::make_unique<TKvRowGroupHeaderCell>()),
      FFooterCell(std::make_unique<TKvRowGroupFooterCell>(this)),
      FRuntimeStyles(std::make_unique<TKvGridViewStyles>(this, QString())),
      FLevels(std::make_unique<TKvGridRowGroupLevels>(grid)),
      FHeaderStyles(std::make_unique<TKvGridViewStyles>(this, QStringLiteral("RowGroup Header Styles"))),
      FFooterStyles(std::make_unique<TKvGridViewStyles>(this, QStringLiteral("RowGroup Footer Styles")))
{
    FHeaderCell->FGrid = grid;
    FFooterCell->FGrid = grid;
    grid->RegisterStyles(FHeaderStyles.get());
    grid->RegisterStyles(FFooterStyles.get());
}

TKvGridRowGroup::~TKvGridRowGroup()
{
    FOwner->UnregisterStyles(FFooterStyles.get());
    FOwner->UnregisterStyles(FHeaderStyles.get());
    FLevels.reset();
}

TKvGridRowGroupLevel* TKvGridRowGroup::GetLevel(int Index) const
{
    return Index >= 0 && Index < FLevels->Count() ? FLevels->GetLevel(Index) : nullptr;
}

void TKvGridRowGroup::Changed() { FOwner->RowGroupOptionsChanged(); }

void TKvGridRowGroup::SetHeaderStyles(TKvGridViewStyles* value)
{
    if (!value || value == FHeaderStyles.get())
        return;
    FHeaderStyles->Assign(value);
    Changed();
}

void TKvGridRowGroup::SetFooterStyles(TKvGridViewStyles* value)
{
    if (!value || value == FFooterStyles.get())
        return;
    FFooterStyles->Assign(value);
    Changed();
}

void TKvGridRowGroup::SetHeadersVisible(bool value)
{
    if (ChangeField(FHeadersVisible, value))
        Changed();
}

void TKvGridRowGroup::SetRowsVisible(bool value)
{
    if (ChangeField(FRowsVisible, value))
        Changed();
}

void TKvGridRowGroup::SetLevelIndent(int value)
{
    if (ChangeField(FLevelIndent, static_cast<std::uint16_t>(std::clamp(value, 0, 0xFFFF))))
        Changed();
}

void TKvGridRowGroup::SetExpandedStyle(TKvGridGroupExpandedStyle value)
{
    if (ChangeField(FExpandedStyle, value))
        Changed();
}

void TKvGridRowGroup::SetCollapsedStyle(TKvGridGroupCollapsedStyle value)
{
    if (ChangeField(FCollapsedStyle, value))
        Changed();
}

TKvGridRowGroup::TKvRowGroupHeaderCell* TKvGridRowGroup::GetHeaderCell(int ItemIndex)
{
    return FillHeaderCell(ItemIndex, ItemAt(FOwner, ItemIndex));
}

TKvGridRowGroup::TKvRowGroupHeaderCell* TKvGridRowGroup::GetHeaderCell(TKvGridItem* Item)
{
    return FillHeaderCell(-1, Item);
}

TKvGridRowGroup::TKvRowGroupHeaderCell* TKvGridRowGroup::FillHeaderCell(int ItemIndex, TKvGridItem* Item)
{
    TKvGridRowGroupLevel* level = Item ? GetLevel(Item->GetLevel() - 1) : nullptr;
    FRuntimeStyles->ClearValues();
    FRuntimeStyles->SetParent(level ? level->GetStyles() : FHeaderStyles.get());
    FHeaderCell->FIndex = ItemIndex;
    FHeaderCell->FItem = Item;
    FHeaderCell->FStyles = FRuntimeStyles.get();
    return FHeaderCell.get();
}

TKvGridCellIndex TKvGridRowGroup::TKvRowGroupHeaderCell::GetIndex() const
{
    return TKvGridCellIndex(FGrid, FIndex, nullptr);
}

QString TKvGridRowGroup::TKvRowGroupHeaderCell::GetDisplayText() const
{
    auto* group = dynamic_cast<TKvGridGroupItem*>(FItem);
    if (!group)
        return QString();
    const int field = group->GetField();
    TKvGridDataProvider* source = group->GetDataSource();
    QString text = source ? source->GetFieldName(field) : QString();
    text += QStringLiteral(" : ");
    if (TKvGridItem* first = group->GetFirstItem())
        text += first->GetData(field).ToString();
    return text + QStringLiteral(" - ") + QString::number(group->GetDescendantCount()) + QStringLiteral(" rows");
}

TKvGridRowGroup::TKvRowGroupFooterCell* TKvGridRowGroup::GetFooterCell(const TKvGridCellIndex& Index)
{
    return FillFooterCell(Index.ItemIndex, ItemAt(FOwner, Index.ItemIndex), Index.Column);
}

TKvGridRowGroup::TKvRowGroupFooterCell* TKvGridRowGroup::GetFooterCell(TKvGridItem* Item, TKvGridColumn* Column)
{
    return FillFooterCell(-1, Item, Column);
}

TKvGridRowGroup::TKvRowGroupFooterCell* TKvGridRowGroup::FillFooterCell(int ItemIndex, TKvGridItem* Item,
                                                                         TKvGridColumn* Column)
{
    TKvGridGroupItem* group = Item ? Item->GetParent() : nullptr;
    TKvGridRowGroupLevel* level = group ? GetLevel(group->GetLevel() - 1) : nullptr;
    FRuntimeStyles->ClearValues();
    if (auto* data = dynamic_cast<TKvGridDataColumn*>(Column))
        FRuntimeStyles->Assign(data->GetFooter()->GetStyles());
    FRuntimeStyles->SetParent(level ? level->GetFooterStyles() : FFooterStyles.get());
    FFooterCell->FIndex = ItemIndex;
    FFooterCell->FColumn = Column;
    FFooterCell->FItem = Item;
    FFooterCell->FStyles = FRuntimeStyles.get();
    return FFooterCell.get();
}

const TKvGridSummary& TKvGridRowGroup::GetSummary(TKvGridItem* Footer, TKvGridDataColumn* Column)
{
    static const TKvGridSummary none;
    if (!Footer || !Column || Column->GetDataIndex() < 0 || Column->GetFooter()->GetGroupExpression().isEmpty())
        return none;
    const std::pair<const TKvGridItem*, const TKvGridDataColumn*> key(Footer, Column);
    auto found = FSummaries.find(key);
    if (found != FSummaries.end())
        return found.value();
    TKvGridSummary summary;
    try {
        TKvRowGroupSummaryRuntime* runtime = FOwner->GetRowGroupSummaryRuntime();
        runtime->SetColumn(Column, Footer->GetDataSource());
        runtime->SetItem(Footer->GetParent());
        summary.Value = Column->GetFooter()->EvaluateGroup(runtime);
    } catch (const std::exception&) {
        summary.Failed = true;
    }
    return FSummaries.insert(key, summary).value();
}

TKvGridCellIndex TKvGridRowGroup::TKvRowGroupFooterCell::GetIndex() const
{
    return TKvGridCellIndex(FGrid, FIndex, FColumn);
}

Variant TKvGridRowGroup::TKvRowGroupFooterCell::GetValue() const
{
    return FOwner->GetSummary(FItem, dynamic_cast<TKvGridDataColumn*>(FColumn)).Value;
}

QString TKvGridRowGroup::TKvRowGroupFooterCell::GetDisplayText() const
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(FColumn);
    const TKvGridSummary& summary = FOwner->GetSummary(FItem, data);
    if (summary.Failed)
        return QString();
    return FormatSummaryText(summary.Value, data ? data->GetFooter()->GetGroupCaption() : QString(), FStyles);
}

// ---- published properties --------------------------------------------------------------

KV_PUBLISH_ENUM(TKvGridIndicatorValue, "IndicatorNone", "IndicatorIndex", "IndicatorRow");
KV_PUBLISH_ENUM(TKvGridGroupSummaryLocation, "SummaryFooter", "SummaryHeader");
KV_PUBLISH_ENUM(TKvGridGroupExpandedStyle, "ExpandedBoth", "ExpandedHeader", "ExpandedFooter");
KV_PUBLISH_ENUM(TKvGridGroupCollapsedStyle, "CollapsedHeader", "CollapsedFooter", "CollapsedBoth");

KV_PUBLISH(TKvGridObject, TPersistent);
KV_PUBLISH(TKvGridVisualObject, TKvGridObject);

using TBar = TKvGridBarObject;
KV_PUBLISH(TKvGridBarObject, TKvGridVisualObject)
    .Property("HeadStyles", &TBar::GetHeadStyles, &TBar::SetHeadStyles)
    .Property("FootStyles", &TBar::GetFootStyles, &TBar::SetFootStyles)
    .Property("Width", &TBar::GetWidth, &TBar::SetWidth).Default(0);

KV_PUBLISH(TKvGridIndicator, TKvGridBarObject)
    .Property("Visible", &TKvGridIndicator::GetVisible, &TKvGridIndicator::SetVisible).Default(true)
    .Property("Styles", &TKvGridIndicator::GetStyles, &TKvGridIndicator::SetStyles)
    .Property("MinWidth", &TKvGridIndicator::GetMinWidth, &TKvGridIndicator::SetMinWidth).Default(40)
    .Property("DisplayValue", &TKvGridIndicator::GetDisplayValue, &TKvGridIndicator::SetDisplayValue).Default(IndicatorIndex);

KV_PUBLISH(TKvGridStatesBar, TKvGridBarObject)
    .Property("Visible", &TKvGridStatesBar::GetVisible, &TKvGridStatesBar::SetVisible).Default(false)
    .Property("Styles", &TKvGridStatesBar::GetStyles, &TKvGridStatesBar::SetStyles)
    .Property("MinWidth", &TKvGridStatesBar::GetMinWidth, &TKvGridStatesBar::SetMinWidth).Default(20);

using TCheck = TKvGridCheckBar;
KV_PUBLISH(TKvGridCheckBar, TKvGridBarObject)
    .Property("Visible", &TCheck::GetVisible, &TCheck::SetVisible).Default(false)
    .Property("Styles", &TCheck::GetStyles, &TCheck::SetStyles)
    .Property("ResetField", &TCheck::GetResetField, &TCheck::SetResetField)
    .Property("ShowAll", &TCheck::GetShowAll, &TCheck::SetShowAll).Default(true)
    .Property("MinWidth", &TCheck::GetMinWidth, &TCheck::SetMinWidth).Default(TCheck::DefaultMinWidth);

using THeight = TKvGridHeightObject;
KV_PUBLISH(TKvGridHeightObject, TKvGridVisualObject)
    .Property("Styles", &THeight::GetStyles, &THeight::SetStyles)
    .Property("Height", &THeight::GetHeight, &THeight::SetHeight).Default(0);

KV_PUBLISH(TKvGridHeader, TKvGridHeightObject)
    .Property("Visible", &TKvGridHeader::GetVisible, &TKvGridHeader::SetVisible).Default(true)
    .Property("GroupStyles", &TKvGridHeader::GetGroupStyles, &TKvGridHeader::SetGroupStyles)
    .Property("MinHeight", &TKvGridHeader::GetMinHeight, &TKvGridHeader::SetMinHeight).Default(23);

KV_PUBLISH(TKvGridFooter, TKvGridHeightObject)
    .Property("Visible", &TKvGridFooter::GetVisible, &TKvGridFooter::SetVisible).Default(false)
    .Property("MinHeight", &TKvGridFooter::GetMinHeight, &TKvGridFooter::SetMinHeight).Default(23);

KV_PUBLISH(TKvGridPanel, TKvGridHeightObject)
    .Property("Visible", &TKvGridPanel::GetVisible, &TKvGridPanel::SetVisible).Default(false)
    .Property("MinHeight", &TKvGridPanel::GetMinHeight, &TKvGridPanel::SetMinHeight).Default(35);

KV_PUBLISH(TKvGridEditBar, TKvGridVisualObject)
    .Property("Visible", &TKvGridEditBar::GetVisible, &TKvGridEditBar::SetVisible).Default(false)
    .Property("Styles", &TKvGridEditBar::GetStyles, &TKvGridEditBar::SetStyles);

KV_PUBLISH(TKvGridFetchBar, TKvGridVisualObject)
    .Property("Visible", &TKvGridFetchBar::GetVisible, &TKvGridFetchBar::SetVisible).Default(false);

KV_PUBLISH(TKvGridBody, TKvGridVisualObject)
    .Property("Styles", &TKvGridBody::GetStyles, &TKvGridBody::SetStyles)
    .Property("EmptyStyles", &TKvGridBody::GetEmptyStyles, &TKvGridBody::SetEmptyStyles)
    .Property("DynamicStyles", &TKvGridBody::GetDynamicStyles, &TKvGridBody::SetDynamicStyles)
    .Property("EmptyMessage", &TKvGridBody::GetEmptyMessage, &TKvGridBody::SetEmptyMessage);

using TLevel = TKvGridRowGroupLevel;
KV_PUBLISH(TKvGridRowGroupLevel, TCollectionItem)
    .Property("MinHeight", &TLevel::GetMinHeight, &TLevel::SetMinHeight).Default(0)
    .Property("Styles", &TLevel::GetStyles, &TLevel::SetStyles)
    .Property("FooterStyles", &TLevel::GetFooterStyles, &TLevel::SetFooterStyles);

KV_PUBLISH(TKvGridRowGroupLevels, TOwnedCollection);

using TRowGroup = TKvGridRowGroup;
KV_PUBLISH(TKvGridRowGroup, TKvGridObject)
    .Property("Levels", &TRowGroup::GetLevels, &TRowGroup::SetLevels)
    .Property("HeaderStyles", &TRowGroup::GetHeaderStyles, &TRowGroup::SetHeaderStyles)
    .Property("FooterStyles", &TRowGroup::GetFooterStyles, &TRowGroup::SetFooterStyles)
    .Property("LevelIndent", &TRowGroup::GetLevelIndent, &TRowGroup::SetLevelIndent).Default(20)
    .Property("ExpandedStyle", &TRowGroup::GetExpandedStyle, &TRowGroup::SetExpandedStyle).Default(ExpandedBoth)
    .Property("CollapsedStyle", &TRowGroup::GetCollapsedStyle, &TRowGroup::SetCollapsedStyle).Default(CollapsedHeader);

} // namespace kv
