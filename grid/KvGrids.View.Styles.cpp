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
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.Renderer.h"
#include "grid/KvGrids.View.h"

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Messages.h"

#include <array>
#include <utility>

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
    TScopeExit forget([&] { FCoverContext = nullptr; });
    TKvSpriteControl::Paint();
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
        if (!consumer || consumer == FModelConsumer)
            continue;
        TKvGridItemConsumer* made = FModelConsumer;
        FModelConsumer = consumer;
        FreeObject(made);
        break;
    }
    for (int i = GetComponentCount() - 1; i >= 0; --i)
        if (auto* extra = dynamic_cast<TKvGridItemConsumer*>(GetComponent(i)); extra && extra != FModelConsumer)
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
