// Drop-down grids.
//
// Sections: drop-down grid (placement, open and close, keys and mouse); lookup list.
//
// Call flow: the owning edit calls DropDown(activator, rows, capture): the data source is
// made on first use and refilled (ResetData), bound to the grid, and the window shown at
// GetLocation. A release on a row asks to close with acceptance, Escape or a press outside
// without; a list-only drop-down closes itself instead.
#include "grid/KvGrids.Editor.InLists.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Editor.List.h"
#include "grid/KvGrids.Editor.Text.h"
#include "grid/KvGrids.LayoutManager.h"
#include "grid/KvGrids.Options.h"
#include "model/KvGrids.Common.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"

#include <algorithm>

namespace kv {

// ---- drop-down grid --------------------------------------------------------------------

TKvGridInList::TKvGridInList(TComponent* owner) : TKvGridViewImpl(owner) {}

TKvGridInList::~TKvGridInList()
{
    FWatcher.Stop();
    FKeys.Stop();
}

void TKvGridInList::AfterConstruction()
{
    TKvGridViewImpl::AfterConstruction();
    GetEditOptions()->SetReadOnly(true);
    GetEditOptions()->SetEditable(false);
    GetEditOptions()->SetAppendable(false);
    GetDisplayOptions()->SetFitStyle(FitLastFill);
    GetDisplayOptions()->SetHScrollBar(false);
    GetPanel()->SetVisible(false);
    GetIndicator()->SetVisible(false);
    GetCheckBar()->SetVisible(false);
    GetStatesBar()->SetVisible(false);
    GetHoveringOptions()->SetEnabled(false);
    GetFocusOptions()->SetMaskVisible(false);
    SetVisible(false);
    MakeDropDownWindow(this);
    CreateColumns();
}

int TKvGridInList::RowHeight() const
{
    TFont font;
    if (TKvFont* f = GetStyles()->GetFont())
        f->ToFont(&font);
    return FontTextHeight(&font) + 4;
}

TSize TKvGridInList::CalcBounds(int Count, bool Header)
{
    // The rows and header as this grid lays them out, plus the border: measured with the
    // styles it paints with, linked before its first paint.
    LinkStyles();
    TKvAbstractGridLayoutManager* layout = GetLayoutManager();
    const int height = layout ? layout->MeasureClientHeight(std::max(0, Count), Header)
                              : (std::max(0, Count) + (Header ? 1 : 0)) * RowHeight();
    return TSize{250, std::max(10, height) + 2};
}

int TKvGridInList::ItemAt(int X, int Y)
{
    if (TKvAbstractGridLayoutManager* layout = GetLayoutManager()) {
        if (GetLayoutNeeded() || !GetLayouted())
            UpdateLayout();
        const int item = layout->MouseToIndex(X, Y).ItemIndex;
        return item >= 0 && item < GetItemCount() ? item : -1;
    }
    const int top = FHeaderVisible ? RowHeight() : 0;
    if (Y < top)
        return -1;
    const int item = GetTopIndex() + (Y - top) / RowHeight();
    return item < GetItemCount() ? item : -1;
}

void TKvGridInList::RequestCloseUp(bool Accept)
{
    if (OnRequestCloseUp)
        OnRequestCloseUp(this, Accept);
}

void TKvGridInList::OutsidePress()
{
    if (FListOnly) {
        CloseUp();
        return;
    }
    RequestCloseUp(false);
}

void TKvGridInList::DropDown(TObject* Activator, int Count, bool Capture)
{
    if (FListing)
        return;
    FActivator = Activator;
    auto* items = dynamic_cast<TKvDefaultGridItemProvider*>(GetItemProvider());
    if (!FProvider)
        FProvider = CreateDataSource();
    else if (items)
        items->SetDataSource(nullptr);
    ResetData(FProvider);
    if (items)
        items->SetDataSource(FProvider);
    const TSize size = CalcBounds(Count, FHeaderVisible);
    const TPoint p = GetLocation();
    ShowDropDown(this, TRect::Bounds(p.X, p.Y, size.cx, size.cy));
    if (Capture)
        FWatcher.Start(this, std::intptr_t(CLOSEUP_MESSAGE), [this](TPoint) { OutsidePress(); });
    // No edit owns a list-only drop-down: while open, it takes the keyboard itself.
    if (FListOnly)
        FKeys.Start(this);
    FListing = true;
    if (OnDropDown)
        OnDropDown(this);
}

void TKvGridInList::CloseUp()
{
    if (!FListing)
        return;
    FWatcher.Stop();
    FKeys.Stop();
    SetMouseCapture(false);
    HideDropDown(this);
    if (OnCloseUp)
        OnCloseUp(this);
    FListing = false;
}

void TKvGridInList::KeyDown(std::uint16_t& key, TShiftState shift)
{
    const int count = GetItemCount();
    const int rows = std::max(1, (GetClientHeight() - (FHeaderVisible ? RowHeight() : 0)) / RowHeight());
    TKvGridCellIndex focused = GetFocusedIndex();
    int item = focused.ItemIndex;
    switch (key) {
    case VK_ESCAPE:
        OutsidePress();
        key = 0;
        return;
    case VK_UP: item = item < 0 ? 0 : item - 1; break;
    case VK_DOWN: item = item < 0 ? 0 : item + 1; break;
    case VK_PRIOR: item -= rows; break;
    case VK_NEXT: item += rows; break;
    case VK_HOME: item = 0; break;
    case VK_END: item = count - 1; break;
    default: TKvGridViewImpl::KeyDown(key, shift); return;
    }
    key = 0;
    if (count == 0 || GetVisibleColumnCount() == 0)
        return;
    item = std::clamp(item, 0, count - 1);
    SetFocusedIndex(TKvGridCellIndex(this, item, focused.Column ? focused.Column : GetVisibleColumn(0)));
    if (item < GetTopIndex())
        SetTopIndex(item);
    else if (item >= GetTopIndex() + rows)
        SetTopIndex(item - rows + 1);
    Invalidate();
}

void TKvGridInList::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    const int item = ItemAt(x, y);
    if (button == mbLeft && item >= 0 && GetVisibleColumnCount() > 0)
        SetFocusedIndex(TKvGridCellIndex(this, item, GetVisibleColumn(0)));
    TKvGridViewImpl::MouseDown(button, shift, x, y);
}

void TKvGridInList::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TKvGridViewImpl::MouseUp(button, shift, x, y);
    if (button != mbLeft || !GetClientRect().Contains(TPoint{x, y}))
        return;
    if (!FListOnly && ItemAt(x, y) >= 0)
        RequestCloseUp(true);
}

bool TKvGridInList::DoMouseWheel(TShiftState, int wheelDelta, TPoint)
{
    SetTopIndex(std::clamp(GetTopIndex() + (wheelDelta < 0 ? 1 : -1), 0, std::max(0, GetItemCount() - 1)));
    Invalidate();
    return true;
}

// ---- lookup list -----------------------------------------------------------------------

void TKvGridDataList::SetTargetColumn(TKvGridDataColumn* Column) { FTargetColumn = Column; }

void TKvGridDataList::CreateColumns()
{
    TKvGridDataColumn* name = AddDataColumn();
    name->SetFieldName(QStringLiteral("Name"));
    name->SetWidth(100);
    name->GetHeader()->SetCaption(QStringLiteral("Name"));
    name->GetStyles()->SetTextAlignment(AlignNear);
    TKvGridDataColumn* value = AddDataColumn();
    value->SetFieldName(QStringLiteral("Value"));
    value->GetHeader()->SetCaption(QStringLiteral("Value"));
    value->GetStyles()->SetTextAlignment(AlignNear);
    value->GetStyles()->SetBorderRight(nullptr);
    value->GetHeader()->GetStyles()->SetBorderRight(nullptr);
    GetSelectOptions()->SetStyle(SelectRows);
}

TKvGridDataProvider* TKvGridDataList::CreateDataSource()
{
    auto* data = Create<TKvSimpleDataProvider>(this);
    data->InsertColumns(0, 2, QStringLiteral("Name,Value"), QStringLiteral("s,s"));
    return data;
}

void TKvGridDataList::ResetData(TKvGridDataProvider* Provider)
{
    auto* data = dynamic_cast<TKvSimpleDataProvider*>(Provider);
    if (!data)
        return;
    data->BeginUpdate();
    data->ClearRows();
    if (FTargetColumn) {
        const QStringList& labels = FTargetColumn->GetLookupLabels();
        const QStringList& values = FTargetColumn->GetLookupValues();
        const int count = int(std::max(labels.size(), values.size()));
        for (int i = 0; i < count; ++i) {
            const QString value = i < values.size() ? values.at(i) : QString();
            const QString name = i < labels.size() ? labels.at(i) : value;
            data->InsertRow(data->GetRowCount(), TKvGridDataRow{Variant(name), Variant(value)});
        }
    }
    data->EndUpdate(true);
}

TPoint TKvGridDataList::GetLocation()
{
    if (!FEditor)
        return TPoint{};
    const TPoint origin = FEditor->ClientToScreen(TPoint{0, 0});
    const int cellBottom = origin.Y + FEditor->GetHeight() + (FEditHeight - FEditor->GetHeight()) / 2 + 1;
    const TSize size = CalcBounds(8, FHeaderVisible);
    return PlaceDropDown(origin.X - 4, cellBottom, origin.Y, TSize{size.cx, GetHeight() > 0 ? GetHeight() : size.cy});
}

void TKvGridDataList::DropDown(TObject* Activator, int Count, bool Capture)
{
    FEditor = dynamic_cast<TKvGridInplaceEditor*>(Activator);
    if (FListing)
        return;
    // The size goes first so that the location can keep the list on the screen.
    const TSize size = CalcBounds(Count, FHeaderVisible);
    SetBounds(GetLeft(), GetTop(), size.cx, size.cy);
    TKvGridInList::DropDown(Activator, Count, Capture);
}

void TKvGridDataList::SetHeaderVisible(bool Value)
{
    FHeaderVisible = Value;
    GetHeader()->SetVisible(Value);
}

QString TKvGridDataList::FocusedName() const
{
    const TKvGridCellIndex focused = GetFocusedIndex();
    if (focused.ItemIndex < 0 || focused.ItemIndex >= GetItemCount())
        return QString();
    return GetItemProvider()->GetData(focused.ItemIndex, 0).ToString();
}

} // namespace kv
