// The grid view's style linking, summaries, kind factories, streaming hooks and window hooks.
//
// Sections: style linking; summaries; kind factories; streaming hooks; window hooks.
//
// Call flow: Paint (and the layout, measuring and export, which call LinkStyles themselves)
// gives every style set its default bag from the style sheet and its inheritance parent,
// then the host paints. Form reading ends in Loaded; writing asks GetChildren.
#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.EditorBase.h"
#include "grid/KvGrids.Elements.h"
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.Renderer.h"
#include "grid/KvGrids.View.h"

#include "platform/rtl/ClassRegistry.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Messages.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace kv {

// ---- style linking ---------------------------------------------------------------------

void TKvGridView::LinkColumnStyles(TKvGridColumn* Column, TKvGridViewStyles* Parent)
{
    Column->GetStyles()->SetParent(Parent);
    Column->GetHeader()->GetStyles()->SetParent(FHeader->GetStyles());
    if (auto* data = dynamic_cast<TKvGridDataColumn*>(Column)) {
        data->GetFooter()->GetStyles()->SetParent(FFooter->GetStyles());
        data->GetDynamicStyles()->Prepare();
    } else if (auto* group = dynamic_cast<TKvGridColumnGroup*>(Column)) {
        for (int i = group->Count() - 1; i >= 0; --i)
            LinkColumnStyles(group->GetItem(i), Parent);
    }
}

void TKvGridView::LinkStyles()
{
    if (!FStyles || !FBody)
        return;
    TKvGridStyleSheet* sheet = FStyleSheet ? FStyleSheet : TKvGridStyleSheet::Default();
    TKvGridViewStyles* styles = FStyles.get();

    styles->SetDefault(sheet->GetStyles());
    FPanel->GetStyles()->SetDefault(sheet->GetPanel());
    FBody->GetStyles()->SetDefault(sheet->GetBody());
    FBody->GetEmptyStyles()->SetDefault(sheet->GetBodyEmpty());
    FFixedCols->GetStyles()->SetDefault(sheet->GetFixedCols());
    FFixedCols->GetBarStyles()->SetDefault(sheet->GetFixedColsBar());
    FFixedRows->GetStyles()->SetDefault(sheet->GetFixedRows());
    FFixedRows->GetBarStyles()->SetDefault(sheet->GetFixedRowsBar());
    FHeader->GetStyles()->SetDefault(sheet->GetHeader());
    FHeader->GetGroupStyles()->SetDefault(sheet->GetHeaderGroup());
    FFooter->GetStyles()->SetDefault(sheet->GetFooter());
    FIndicator->GetStyles()->SetDefault(sheet->GetIndicator());
    FCheckBar->GetStyles()->SetDefault(sheet->GetCheckBar());
    FStatesBar->GetStyles()->SetDefault(sheet->GetStatesBar());
    FRowGroup->GetHeaderStyles()->SetDefault(sheet->GetRowGroupHeader());
    FRowGroup->GetFooterStyles()->SetDefault(sheet->GetRowGroupFooter());

    for (TKvGridViewStyles* bag : {FPanel->GetStyles(), FBody->GetStyles(), FBody->GetEmptyStyles(),
                                   FFixedCols->GetStyles(), FFixedCols->GetBarStyles(), FFixedRows->GetStyles(),
                                   FFixedRows->GetBarStyles(), FHeader->GetStyles(), FFooter->GetStyles(),
                                   FEditBar->GetStyles(), FIndicator->GetStyles(), FCheckBar->GetStyles(),
                                   FStatesBar->GetStyles(), FRowGroup->GetHeaderStyles(),
                                   FRowGroup->GetFooterStyles()})
        bag->SetParent(styles);
    FBody->GetDynamicStyles()->Prepare();
    for (TKvGridBarObject* bar : std::array<TKvGridBarObject*, 3>{FIndicator.get(), FCheckBar.get(), FStatesBar.get()}) {
        bar->GetHeadStyles()->SetParent(FHeader->GetStyles());
        bar->GetFootStyles()->SetParent(FFooter->GetStyles());
    }

    const int fixedCount = FFixedCols->GetCount();
    for (int i = GetColumnCount() - 1; i >= 0; --i)
        LinkColumnStyles(GetColumn(i), i < fixedCount ? FFixedCols->GetStyles() : FBody->GetStyles());

    TKvGridRowGroupLevels* levels = FRowGroup->GetLevels();
    for (int i = levels->Count() - 1; i >= 0; --i) {
        levels->GetLevel(i)->GetStyles()->SetParent(FRowGroup->GetHeaderStyles());
        levels->GetLevel(i)->GetFooterStyles()->SetParent(FRowGroup->GetFooterStyles());
    }
    SetBackground(styles->GetBackground());
}

void TKvGridView::Paint()
{
    LinkStyles();
    TKvSpriteControl::Paint();
}

namespace {

TRectF IntersectRectF(const TRectF& a, const TRectF& b)
{
    const TRectF r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom));
    return r.IsEmpty() ? TRectF() : r;
}

// Where the body view's own fill will cover the window, in window pixels: its bounds cut by
// every clip and update box that decides whether it is drawn, when it is drawn unrotated, at
// scale 1 and on whole pixels; empty when that is not known.
TRect CoveredByFill(TKvGridBodyElement* view, int scrollX, int scrollY)
{
    if (!view || !view->GetOpaqueFill() || view->GetWidth() == 0 || view->GetHeight() == 0)
        return TRect{};
    TRectF r = view->BoundsByContainer();
    for (const TKvSprite* s = view; s; s = s->GetParent()) {
        if (!s->GetVisible() || s->GetRotation() != 0 || s->GetAlpha() != 1.0f)
            return TRect{};
        r = IntersectRectF(r, TRectF(s->UpdateBounds()));
        if (s->IsBounded()) {
            const TRectF clip = s->GetClipRect();
            if (!clip.IsEmpty())
                r = IntersectRectF(r, s->SpriteToContainer(clip));
        }
        if (r.IsEmpty())
            return TRect{};
    }
    const TRect whole{static_cast<int>(r.Left), static_cast<int>(r.Top), static_cast<int>(r.Right), static_cast<int>(r.Bottom)};
    if (whole.Left != r.Left || whole.Top != r.Top || whole.Right != r.Right || whole.Bottom != r.Bottom)
        return TRect{};
    return TRect{whole.Left - scrollX, whole.Top - scrollY, whole.Right - scrollX, whole.Bottom - scrollY};
}

// The parts of each rectangle outside cut.
std::vector<TRectF> Subtract(const std::vector<TRectF>& rects, const TRect& cut)
{
    if (cut.IsEmpty())
        return rects;
    const TRectF c(cut.Left, cut.Top, cut.Right, cut.Bottom);
    std::vector<TRectF> out;
    for (const TRectF& r : rects) {
        const TRectF i = IntersectRectF(r, c);
        if (i.IsEmpty()) {
            out.push_back(r);
            continue;
        }
        if (r.Top < i.Top)
            out.emplace_back(r.Left, r.Top, r.Right, i.Top);
        if (i.Bottom < r.Bottom)
            out.emplace_back(r.Left, i.Bottom, r.Right, r.Bottom);
        if (r.Left < i.Left)
            out.emplace_back(r.Left, i.Top, i.Left, i.Bottom);
        if (i.Right < r.Right)
            out.emplace_back(i.Right, i.Top, r.Right, i.Bottom);
    }
    return out;
}

} // namespace

void TKvGridView::DoDrawBackground(TKvDrawingContext* context, const TRectF& rect)
{
    if (!GetBackground() || GetScaleX() != 1.0f || GetScaleY() != 1.0f) {
        TKvSpriteControl::DoDrawBackground(context, rect);
        return;
    }
    // As the host: a pixel beyond each side of the paint box.
    std::vector<TRectF> parts{TRectF(rect.Left - 1, rect.Top - 1, rect.Right + 1, rect.Bottom + 1)};
    parts = Subtract(parts, CoveredByFill(FBodyView, GetScrollX(), GetScrollY()));
    parts = Subtract(parts, CoveredByFill(FFixedBodyView, GetScrollX(), GetScrollY()));
    for (const TRectF& part : parts)
        context->DrawRect(GetBackground(), nullptr, part);
}

// ---- summaries -------------------------------------------------------------------------

void TKvGridView::DropSummaries()
{
    if (FFooter)
        FFooter->DropSummaries();
    if (FRowGroup)
        FRowGroup->DropSummaries();
}

// ---- kind factories --------------------------------------------------------------------

namespace {

template <typename T>
T* CreateByClassName(TComponent* owner, const QString& className)
{
    const TClassInfo* info = GetClass(className);
    if (!info || !info->CanCreateComponent())
        return nullptr;
    TComponent* component = info->CreateComponent(owner);
    if (auto* typed = dynamic_cast<T*>(component))
        return typed;
    component->Free();
    return nullptr;
}

} // namespace

TKvGridCellEditor* TKvGridView::CreateCellEditor(TComponent* Owner, const QString& Kind)
{
    static const std::array<std::pair<const char*, const char*>, 5> kinds{{{"text", "TKvLineCellEditor"},
                                                                            {"lookup", "TKvLookupCellEditor"},
                                                                            {"number", "TKvNumberCellEditor"},
                                                                            {"list", "TKvListCellEditor"},
                                                                            {"date", "TKvDateTimeCellEditor"}}};
    for (const auto& [kind, className] : kinds)
        if (Kind.compare(QLatin1String(kind), Qt::CaseInsensitive) == 0)
            return CreateByClassName<TKvGridCellEditor>(Owner, QLatin1String(className));
    return nullptr;
}

TKvGridCellRenderer* TKvGridView::CraeteCellRenderer(TComponent* Owner, const QString& Kind)
{
    if (Kind.compare(QLatin1String("bar"), Qt::CaseInsensitive) == 0)
        return CreateByClassName<TKvGridCellRenderer>(Owner, QStringLiteral("TKvBarCellRenderer"));
    return nullptr;
}

// ---- streaming hooks -------------------------------------------------------------------

void TKvGridView::Loaded()
{
    TKvSpriteControl::Loaded();
    // A consumer read from the form file replaces the one the grid made for itself.
    for (int i = GetComponentCount() - 1; i >= 0; --i) {
        auto* consumer = dynamic_cast<TKvGridItemConsumer*>(GetComponent(i));
        if (!consumer || consumer == FModelConsumer.get())
            continue;
        FModelConsumer.reset(consumer);
        break;
    }
    for (int i = GetComponentCount() - 1; i >= 0; --i)
        if (auto* extra = dynamic_cast<TKvGridItemConsumer*>(GetComponent(i)); extra && extra != FModelConsumer.get())
            extra->Free();
    ResetColumnIndicies();
    FFixedRows->ApplyToItems();
    InvalidateLayout();
}

void TKvGridView::SetName(const QString& Value)
{
    const QString oldName = GetName();
    TKvSpriteControl::SetName(Value);
    if (!IsDesigning() || oldName.isEmpty() || oldName == Value)
        return;
    const auto rename = [&](TComponent* component) {
        if (!component || component->GetOwner() != GetOwner())
            return;
        const QString name = component->GetName();
        if (name.size() > oldName.size() && name.startsWith(oldName, Qt::CaseInsensitive))
            component->SetName(Value + name.mid(oldName.size()));
    };
    const std::function<void(TKvGridColumnGroup*)> walk = [&](TKvGridColumnGroup* group) {
        for (int i = 0; i < group->Count(); ++i) {
            TKvGridColumn* column = group->GetItem(i);
            rename(column);
            if (auto* data = dynamic_cast<TKvGridDataColumn*>(column)) {
                rename(data->GetRenderer());
                rename(data->GetEditor());
            } else if (auto* sub = dynamic_cast<TKvGridColumnGroup*>(column)) {
                walk(sub);
            }
        }
    };
    walk(FRootGroup.get());
}

// ---- window hooks ----------------------------------------------------------------------

void TKvGridView::CreateWnd()
{
    TKvSpriteControl::CreateWnd();
    TScrollInfo info;
    info.fMask = SIF_ALL;
    SetScrollInfo(SB_HORZ, info);
    SetScrollInfo(SB_VERT, info);
    RefreshView(false);
}

void TKvGridView::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
        return;
    }
    if (FInList) {
        bool toList = Message.Msg == WM_MOUSEWHEEL;
        if (Message.Msg == WM_KEYDOWN) {
            switch (Message.WParam) {
            case VK_ESCAPE:
            case VK_PRIOR:
            case VK_NEXT:
            case VK_END:
            case VK_HOME:
            case VK_UP:
            case VK_DOWN: toList = true; break;
            default: break;
            }
        }
        if (toList) {
            Message.Result = FInList->Perform(Message.Msg, Message.WParam, Message.LParam);
            return;
        }
    }
    TKvSpriteControl::WndProc(Message);
}

} // namespace kv
