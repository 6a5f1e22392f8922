// The grid delegate.
//
// Sections: shared renderers; construction; item-view pools; selection-view pool; renderer
// getters; cells, editors and buttons.
//
// Call flow: the grid's ResetRenderers asks for every area renderer at the start of each
// layout; the layout manager borrows item views to measure rows and returns them at once; row
// and cell views ask for their renderers while they are prepared; cell views ask for the
// button renderers while they draw.
#include "grid/KvGrids.Delegate.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.EditorBase.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Tool.h"
#include "grid/KvGrids.Tool.FilterSelector.h"
#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.Impl.h"
#include "grid/KvGrids.Selection.h"
#include "grid/KvGrids.View.h"
#include "model/KvGrids.Model.Default.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>

#include <typeinfo>

namespace kv {

// ---- shared renderers ------------------------------------------------------------------------

namespace {

// The process-wide area renderers, made by the first getter that needs one.
struct TSharedRenderers
{
    IntfPtr<IKvGridRenderer> Empty, FixedBody, Body, Indicator, StatesBar, CheckBar, Header, FixedHeader, Footer,
        FixedFooter;
    IntfPtr<IKvGridItemRenderer> Row, RowGroupHeader, RowGroupFooter;
    IntfPtr<IKvGridObjectRenderer> IndicatorHead, StatesBarHead, CheckBarHead, IndicatorFoot, StatesBarFoot, CheckBarFoot;
};

TSharedRenderers& Shared()
{
    static TSharedRenderers shared;
    return shared;
}

template <typename I, typename T>
I* SharedOr(const IntfPtr<I>& own, IntfPtr<I>& shared, const char* name)
{
    if (own)
        return own.get();
    if (!shared)
        shared = IntfPtr<I>(MakeIntf<T>(QString::fromLatin1(name)));
    return shared.get();
}

// The shared cell renderers: components without owner, kept for the process.
template <typename T>
TKvGridCellRenderer* SharedCell()
{
    static TOwned<T> renderer(Create<T>(nullptr));
    return renderer.get();
}

} // namespace

void ReleaseSharedGridRenderers() { Shared() = TSharedRenderers(); }

// ---- construction ----------------------------------------------------------------------------

TKvGridDelegate::TKvGridDelegate(TKvGridView* Grid) : FOwner(Grid)
{
    if (!Grid)
        throw EArgumentNilException(QStringLiteral("owner is nil"));
}

void TKvGridDelegate::AfterConstruction()
{
    TObject::AfterConstruction();
    FDefaultTool = CreateDefaultTool();
}

TKvGridDelegate::~TKvGridDelegate()
{
    // The selector belongs to the grid and may outlive this delegate: it reports to no one.
    if (FFilterSelector) {
        FFilterSelector->OnDropDown = nullptr;
        FFilterSelector->OnCloseUp = nullptr;
    }
    FDefaultTool = nullptr;
    for (TKvSprite* view : FSelectionViews)
        view->Free();
    for (TKvGridRowGroupFooterElement* view : FRowGroupFooterViews)
        view->Free();
    for (TKvGridRowGroupHeaderElement* view : FRowGroupHeaderViews)
        view->Free();
    for (TKvGridRowElement* view : FRowViews)
        view->Free();
}

IntfPtr<IKvGridTool> TKvGridDelegate::CreateDefaultTool() { return MakeIntf<TKvGridSelectionTool>(FOwner); }

// ---- item-view pools -------------------------------------------------------------------------

namespace {

template <typename T, typename Make>
T* Borrow(std::vector<T*>& pool, Make&& make)
{
    if (pool.empty())
        pool.push_back(make());
    T* view = pool.back();
    pool.pop_back();
    return view;
}

template <typename T>
void GiveBack(std::vector<T*>& pool, T* view)
{
    KV_ASSERT(std::find(pool.begin(), pool.end(), view) == pool.end(), "Assertion failure");
    pool.push_back(view);
}

} // namespace

TKvGridElement* TKvGridDelegate::BorrowItemView(TKvGridItem* Item)
{
    // Plain rows first, by their exact class: the casts below are the slow way to say so.
    if (Item && typeid(*Item) == typeid(TKvGridRow))
        return Borrow(FRowViews, [this] {
            ++FCreatedViews;
            return Create<TKvGridRowElement>(FOwner, QStringLiteral("rowView"), false);
        });
    if (dynamic_cast<TKvGridGroupItem*>(Item))
        return Borrow(FRowGroupHeaderViews, [this] {
            ++FCreatedViews;
            return Create<TKvGridRowGroupHeaderElement>(FOwner, QStringLiteral("rowGroupHeaderView"));
        });
    if (dynamic_cast<TKvGridGroupFooter*>(Item))
        return Borrow(FRowGroupFooterViews, [this] {
            ++FCreatedViews;
            return Create<TKvGridRowGroupFooterElement>(FOwner, QStringLiteral("rowGroupFooterView"), false);
        });
    if (Item && !dynamic_cast<TKvGridRow*>(Item))
        throw Exception(QStringLiteral("Invalid item type: ") + Item->ClassName());
    if (Item)
        return Borrow(FRowViews, [this] {
            ++FCreatedViews;
            return Create<TKvGridRowElement>(FOwner, QStringLiteral("rowView"), false);
        });
    throw Exception(QStringLiteral("Invalid item type: nil"));
}

void TKvGridDelegate::ReturnItemView(TKvGridElement* View)
{
    if (View && typeid(*View) == typeid(TKvGridRowElement))
        GiveBack(FRowViews, static_cast<TKvGridRowElement*>(View));
    else if (auto* header = dynamic_cast<TKvGridRowGroupHeaderElement*>(View))
        GiveBack(FRowGroupHeaderViews, header);
    else if (auto* footer = dynamic_cast<TKvGridRowGroupFooterElement*>(View))
        GiveBack(FRowGroupFooterViews, footer);
    else if (auto* row = dynamic_cast<TKvGridRowElement*>(View))
        GiveBack(FRowViews, row);
}

void TKvGridDelegate::DropColumnViews(TKvGridColumn* Column)
{
    for (TKvGridRowElement* view : FRowViews)
        view->DropColumn(Column);
    for (TKvGridRowGroupFooterElement* view : FRowGroupFooterViews)
        view->DropColumn(Column);
}

// ---- selection-view pool ---------------------------------------------------------------------

TKvSprite* TKvGridDelegate::BorrowSelectionView(TObject* Item)
{
    TKvSprite* view = Borrow(FSelectionViews, [this] {
        ++FCreatedViews;
        return Create<TKvGridSelectionView>(nullptr);
    });
    if (auto* selection = dynamic_cast<TKvGridSelectionView*>(view))
        selection->SetModel(dynamic_cast<TKvGridSelectionItem*>(Item));
    return view;
}

void TKvGridDelegate::ReturnSelectionView(TKvSprite* View)
{
    if (View && std::find(FSelectionViews.begin(), FSelectionViews.end(), View) == FSelectionViews.end())
        FSelectionViews.push_back(View);
}

// ---- renderer getters ------------------------------------------------------------------------

// clang-format off
IKvGridRenderer* TKvGridDelegate::GetEmptyRenderer() { return SharedOr<IKvGridRenderer, TKvEmptyBodyRenderer>(FEmptyRenderer, Shared().Empty, "defEmptyRenderer"); }
IKvGridRenderer* TKvGridDelegate::GetFixedBodyRenderer() { return SharedOr<IKvGridRenderer, TKvGridFixedBodyRenderer>(FFixedBodyRenderer, Shared().FixedBody, "defFixedBodyRenderer"); }
IKvGridRenderer* TKvGridDelegate::GetBodyRenderer() { return SharedOr<IKvGridRenderer, TKvGridBodyRenderer>(FBodyRenderer, Shared().Body, "defBodyRenderer"); }
IKvGridRenderer* TKvGridDelegate::GetIndicatorRenderer() { return SharedOr<IKvGridRenderer, TKvGridIndicatorRenderer>(FIndicatorRenderer, Shared().Indicator, "defIndicatorRenderer"); }
IKvGridRenderer* TKvGridDelegate::GetStatesBarRenderer() { return SharedOr<IKvGridRenderer, TKvStatesBarRenderer>(FStatesBarRenderer, Shared().StatesBar, "defStatesBarRenderer"); }
IKvGridRenderer* TKvGridDelegate::GetCheckBarRenderer() { return SharedOr<IKvGridRenderer, TKvCheckBarRenderer>(FCheckBarRenderer, Shared().CheckBar, "defCheckBarRenderer"); }
IKvGridRenderer* TKvGridDelegate::GetHeaderRenderer() { return SharedOr<IKvGridRenderer, TKvGridHeaderRenderer>(FHeaderRenderer, Shared().Header, "defHeaderRenderer"); }
IKvGridRenderer* TKvGridDelegate::GetFixedHeaderRenderer() { return SharedOr<IKvGridRenderer, TKvGridFixedHeaderRenderer>(FFixedHeaderRenderer, Shared().FixedHeader, "defHeaderRenderer"); }
IKvGridRenderer* TKvGridDelegate::GetFooterRenderer() { return SharedOr<IKvGridRenderer, TKvGridFooterRenderer>(FFooterRenderer, Shared().Footer, "defFooterRenderer"); }
IKvGridRenderer* TKvGridDelegate::GetFixedFooterRenderer() { return SharedOr<IKvGridRenderer, TKvGridFixedFooterRenderer>(FFixedFooterRenderer, Shared().FixedFooter, "defFooterRenderer"); }
IKvGridItemRenderer* TKvGridDelegate::GetRowRenderer() { return SharedOr<IKvGridItemRenderer, TKvGridRowRenderer>(FRowRenderer, Shared().Row, "defRowRenderer"); }
IKvGridItemRenderer* TKvGridDelegate::GetRowGroupHeaderRenderer() { return SharedOr<IKvGridItemRenderer, TKvGridRowGroupHeaderRenderer>(FRowGroupHeaderRenderer, Shared().RowGroupHeader, "defRowGroupHeaderRenderer"); }
IKvGridItemRenderer* TKvGridDelegate::GetRowGroupFooterRenderer() { return SharedOr<IKvGridItemRenderer, TKvGridRowGroupFooterRenderer>(FRowGroupFooterRenderer, Shared().RowGroupFooter, "defRowGroupFooterRenderer"); }
IKvGridObjectRenderer* TKvGridDelegate::GetIndicatorHeadRenderer() { return SharedOr<IKvGridObjectRenderer, TKvIndicatorHeadRenderer>(FIndicatorHeadRenderer, Shared().IndicatorHead, "defIndicatorHeadRenderer"); }
IKvGridObjectRenderer* TKvGridDelegate::GetStatesBarHeadRenderer() { return SharedOr<IKvGridObjectRenderer, TKvStatesBarHeadRenderer>(FStatesBarHeadRenderer, Shared().StatesBarHead, "defStatesBarHeadRenderer"); }
IKvGridObjectRenderer* TKvGridDelegate::GetCheckBarHeadRenderer() { return SharedOr<IKvGridObjectRenderer, TKvCheckBarHeadRenderer>(FCheckBarHeadRenderer, Shared().CheckBarHead, "defCheckBarHeadRenderer"); }
IKvGridObjectRenderer* TKvGridDelegate::GetIndicatorFootRenderer() { return SharedOr<IKvGridObjectRenderer, TKvIndicatorFootRenderer>(FIndicatorFootRenderer, Shared().IndicatorFoot, "defIndicatorFootRenderer"); }
IKvGridObjectRenderer* TKvGridDelegate::GetStatesBarFootRenderer() { return SharedOr<IKvGridObjectRenderer, TKvStatesBarFootRenderer>(FStatesBarFootRenderer, Shared().StatesBarFoot, "defStatesBarFootRenderer"); }
IKvGridObjectRenderer* TKvGridDelegate::GetCheckBarFootRenderer() { return SharedOr<IKvGridObjectRenderer, TKvCheckBarFootRenderer>(FCheckBarFootRenderer, Shared().CheckBarFoot, "defCheckBarFootRenderer"); }

TKvGridCellRenderer* TKvGridDelegate::GetIndicatorCellRenderer() { return FIndicatorCellRenderer ? FIndicatorCellRenderer : SharedCell<TKvGridIndicatorCellRenderer>(); }
TKvGridCellRenderer* TKvGridDelegate::GetStatesCellRenderer() { return FStatesCellRenderer ? FStatesCellRenderer : SharedCell<TKvGridStatesCellRenderer>(); }
TKvGridCellRenderer* TKvGridDelegate::GetCheckCellRenderer() { return FCheckCellRenderer ? FCheckCellRenderer : SharedCell<TKvGridCheckCellRenderer>(); }
TKvGridCellRenderer* TKvGridDelegate::GetHeaderCellRenderer() { return FHeaderCellRenderer ? FHeaderCellRenderer : SharedCell<TKvGridHeaderCellRenderer>(); }
TKvGridCellRenderer* TKvGridDelegate::GetHeaderCellHoverRenderer() { return FHeaderCellHoverRenderer ? FHeaderCellHoverRenderer : SharedCell<TKvGridHeaderCellHoverRenderer>(); }
TKvGridCellRenderer* TKvGridDelegate::GetFooterCellRenderer() { return FFooterCellRenderer ? FFooterCellRenderer : SharedCell<TKvGridFooterCellRenderer>(); }
TKvGridCellRenderer* TKvGridDelegate::GetDataCellRenderer() { return FDataCellRenderer ? FDataCellRenderer : SharedCell<TKvGridDataCellRenderer>(); }
TKvGridCellRenderer* TKvGridDelegate::GetDataGroupCellRenderer() { return FDataGroupCellRenderer ? FDataGroupCellRenderer : SharedCell<TKvGridDataGroupCellRenderer>(); }
TKvGridCellRenderer* TKvGridDelegate::GetRowGroupHeaderCellRenderer() { return FRowGroupHeaderCellRenderer ? FRowGroupHeaderCellRenderer : SharedCell<TKvGridRowGroupHeaderCellRenderer>(); }
TKvGridCellRenderer* TKvGridDelegate::GetRowGroupFooterCellRenderer() { return FRowGroupFooterCellRenderer ? FRowGroupFooterCellRenderer : SharedCell<TKvGridRowGroupFooterCellRenderer>(); }
// clang-format on

IKvGridItemRenderer* TKvGridDelegate::GetItemRenderer(TKvGridItem* Item)
{
    if (Item && typeid(*Item) == typeid(TKvGridRow))
        return GetRowRenderer();
    if (dynamic_cast<TKvGridGroupItem*>(Item))
        return GetRowGroupHeaderRenderer();
    if (dynamic_cast<TKvGridGroupFooter*>(Item))
        return GetRowGroupFooterRenderer();
    if (dynamic_cast<TKvGridRow*>(Item))
        return GetRowRenderer();
    throw Exception(QStringLiteral("Unknown item type: ") + (Item ? Item->ClassName() : QStringLiteral("nil")));
}

// ---- cells, editors and buttons --------------------------------------------------------------

TKvGridCellRenderer* TKvGridDelegate::GetCellRenderer(const TKvGridCellIndex& Index)
{
    TKvGridDataColumn* data = Index.Column && typeid(*Index.Column) == typeid(TKvGridDataColumn)
                                  ? static_cast<TKvGridDataColumn*>(Index.Column)
                                  : dynamic_cast<TKvGridDataColumn*>(Index.Column);
    if (data)
        return data->GetRenderer() ? data->GetRenderer() : GetDataCellRenderer();
    if (dynamic_cast<TKvGridColumnGroup*>(Index.Column))
        return GetDataGroupCellRenderer();
    return nullptr;
}

TKvGridCellEditor* TKvGridDelegate::GetCellEditor(const TKvGridCellIndex& Index)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Index.Column);
    if (!data)
        return nullptr;
    if (data->GetEditor())
        return data->GetEditor();
    // The shared line editor belongs to the grid.
    if (!FDefCellEditor && !FOwner->IsDestroying())
        FDefCellEditor = Create<TKvLineCellEditor>(FOwner);
    return FDefCellEditor;
}

TKvGridCellButtonRenderer* TKvGridDelegate::GetCellButtonRenderer(const TKvGridCellIndex& Index)
{
    if (auto* data = dynamic_cast<TKvGridDataColumn*>(Index.Column))
        if (TKvGridCellRenderer* renderer = data->GetRenderer())
            if (TKvGridCellButtonRenderer* button = renderer->GetButtonRenderer())
                return button;
    if (!FDefCellButtonRenderer)
        FDefCellButtonRenderer = std::make_unique<TKvGridDefaultButtonRenderer>(QStringLiteral("defCellButtonRendeerer"));
    return FDefCellButtonRenderer.get();
}

TKvGridCellButtonRenderer* TKvGridDelegate::GetEditButtonRenderer(const TKvGridCellIndex& Index)
{
    if (!FDefEditButtonRenderer)
        FDefEditButtonRenderer = std::make_unique<TKvGridEditButtonRenderer>(QStringLiteral("defEditButtonRendeerer"));
    // The kind follows the cell's editor on every call (calendar, ellipsis, else combo).
    TKvGridCellEditor* editor = GetCellEditor(Index);
    const QString kind = editor ? editor->ClassName() : QString();
    FDefEditButtonRenderer->SetButton(kind.contains(QLatin1String("DateTime")) ? ButtonCalendar
                                      : kind.contains(QLatin1String("Button"))  ? ButtonEllipsis
                                                                                : ButtonCombo);
    return FDefEditButtonRenderer.get();
}

// ---- filter selector -------------------------------------------------------------------

void TKvGridDelegate::ShowFilterSelector(TKvGridHeaderFilterHandle* Handle)
{
    auto* column = Handle ? dynamic_cast<TKvGridDataColumn*>(Handle->AdapterAs<TKvGridColumn>()) : nullptr;
    if (!column)
        return;
    if (!FFilterSelector) {
        FFilterSelector = Create<TKvGridFilterSelector>(FOwner);
        FFilterSelector->SetVisible(false);
        TKvGridView* grid = FOwner;
        TKvGridFilterSelector* selector = FFilterSelector;
        FFilterSelector->OnDropDown = [grid, selector](TObject*) { grid->SetInList(selector); };
        FFilterSelector->OnCloseUp = [grid](TObject*) { grid->SetInList(nullptr); };
    }
    FFilterSelector->DropDown(Handle, FOwner->GetFilteringOptions());
}

void TKvGridDelegate::HideFilterSelector()
{
    if (FFilterSelector)
        FFilterSelector->CloseUp();
}

TKvGridView* TKvGridDelegate::GetFilterSelector() const { return FFilterSelector; }

bool TKvGridDelegate::EditorHasButton(TKvGridCellEditor* Editor) const { return Editor && Editor->HasButton(); }

} // namespace kv
