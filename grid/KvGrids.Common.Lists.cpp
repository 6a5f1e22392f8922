// Drop-down lists.
//
// Sections: list box (items, selection, scrolling, keys, mouse, painting); drop-down list;
// calendar.
//
// Call flow: the owning edit fills the list (SetItems, SetItemCount), shows it as a drop-down
// window and hands it the navigation keys (KeyDown); presses and moves select rows; a release
// inside asks the owner to close with acceptance (OnRequestCloseUp), and the owner hides it.
#include "grid/KvGrids.Common.Lists.h"

#include "model/KvGrids.Common.h"
#include "platform/ui/Services.h"

#include <algorithm>

namespace kv {

// ---- list box --------------------------------------------------------------------------

TKvSimpleListBox::TKvSimpleListBox(TComponent* owner) : TCustomControl(owner), FFont(std::make_unique<TFont>()) {}

TKvSimpleListBox::~TKvSimpleListBox() = default;

void TKvSimpleListBox::AfterConstruction()
{
    TCustomControl::AfterConstruction();
    SetBorderStyle(bsSingle);
    FFont->OnChange = [this](TObject*) {
        Measure();
        ResetBounds();
    };
    Measure();
}

void TKvSimpleListBox::CreateParams(TCreateParams& params)
{
    TCustomControl::CreateParams(params);
    params.Style |= WS_BORDER;
}

void TKvSimpleListBox::WndProc(TMessage& message)
{
    // The arrow keys are the list's.
    if (message.Msg == WM_GETDLGCODE) {
        message.Result = DLGC_WANTARROWS;
        return;
    }
    TCustomControl::WndProc(message);
}

void TKvSimpleListBox::Measure()
{
    FKvFont = TKvFont::CreateFrom(FFont.get());
    FItemHeight = FontTextHeight(FFont.get()) + 2;
}

void TKvSimpleListBox::SetItems(const QStringList& Strings)
{
    FItems = Strings;
    if (FSelIndex >= FItems.size())
        FSelIndex = -1;
    FTopRow = std::clamp(FTopRow, 0, std::max(0, int(FItems.size()) - FItemCount));
    ResetBounds();
    UpdateScrollRange();
    InvalidateData();
}

void TKvSimpleListBox::SetItemCount(int Count)
{
    FItemCount = std::max(1, Count);
    ResetBounds();
    UpdateScrollRange();
}

void TKvSimpleListBox::SetButtonWidth(int Width)
{
    FButtonWidth = Width;
    ResetBounds();
}

void TKvSimpleListBox::ResetBounds()
{
    const int border = 2 * GetBorderWidth();
    const int rows = std::min(FItemCount, int(FItems.size()));
    if (rows <= 0) {
        SetBounds(GetLeft(), GetTop(), FOwnerWidth + FButtonWidth, 12);
        return;
    }
    int longest = 0;
    for (const QString& s : FItems)
        longest = std::max(longest, int(s.size()));
    int width = longest * FontAverageCharWidth(FFont.get());
    if (FItems.size() > FItemCount)
        width += GetSystemMetrics(SM_CXVSCROLL);
    width = std::max(FOwnerWidth + FButtonWidth, width + border);
    SetBounds(GetLeft(), GetTop(), width, rows * FItemHeight + FPRows + border);
}

void TKvSimpleListBox::UpdateScrollRange()
{
    TScrollInfo info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = std::max(0, int(FItems.size()) - 1);
    info.nPage = unsigned(FItemCount);
    info.nPos = FTopRow;
    SetScrollInfo(SB_VERT, info);
}

void TKvSimpleListBox::SetItemIndex(int Index)
{
    const int i = std::clamp(Index, -1, int(FItems.size()) - 1);
    if (i == FSelIndex)
        return;
    const int old = FSelIndex;
    FSelIndex = i;
    if (i >= 0) {
        FCurIndex = i;
        if (i < FTopRow)
            SetTopRow(i);
        else if (i >= FTopRow + FItemCount)
            SetTopRow(i - FItemCount + 1);
    }
    InvalidateRow(old);
    InvalidateRow(i);
}

void TKvSimpleListBox::SetTopRow(int Row)
{
    const int r = std::clamp(Row, 0, std::max(0, int(FItems.size()) - FItemCount));
    if (r == FTopRow)
        return;
    FTopRow = r;
    InvalidateData();
    UpdateScrollRange();
}

void TKvSimpleListBox::Locate(const QString& Text, bool Clear)
{
    const Qt::CaseSensitivity cs = FCaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (int i = 0; i < FItems.size(); ++i)
        if (FItems.at(i).startsWith(Text, cs)) {
            SetItemIndex(i);
            return;
        }
    if (Clear)
        SetItemIndex(-1);
}

int TKvSimpleListBox::MouseToRow(int X, int Y) const
{
    if (X < 0 || X >= GetClientWidth() || Y < FPRows || Y >= GetClientHeight())
        return -1;
    return (Y - FPRows) / FItemHeight + FTopRow;
}

TRect TKvSimpleListBox::RowRect(int Index) const
{
    const int top = FPRows + (Index - FTopRow) * FItemHeight;
    return TRect{0, top, GetClientWidth(), top + FItemHeight};
}

void TKvSimpleListBox::InvalidateRow(int Index)
{
    if (Index < FTopRow || Index >= FTopRow + FItemCount)
        return;
    const TRect r = RowRect(Index);
    InvalidateRect(&r);
}

void TKvSimpleListBox::InvalidateData() { Invalidate(); }

void TKvSimpleListBox::KeyDown(std::uint16_t& key, TShiftState shift)
{
    if (FItems.isEmpty())
        return;
    const int from = FSelIndex >= 0 ? FSelIndex : FCurIndex;
    switch (key) {
    case VK_PRIOR: SetItemIndex(std::max(0, from - FItemCount)); break;
    case VK_NEXT: SetItemIndex(from + FItemCount); break;
    case VK_HOME: SetItemIndex(0); break;
    case VK_END: SetItemIndex(int(FItems.size()) - 1); break;
    case VK_UP: SetItemIndex(FSelIndex < 0 ? std::max(0, FCurIndex) : std::max(0, from - 1)); break;
    case VK_DOWN: SetItemIndex(FSelIndex < 0 ? std::max(0, FCurIndex) : from + 1); break;
    default: return;
    }
    key = 0;
}

void TKvSimpleListBox::MouseDown(TMouseButton button, TShiftState, int x, int y)
{
    if (button != mbLeft)
        return;
    FInScroll = true;
    const int row = MouseToRow(x, y);
    if (row >= 0 && row < FItems.size())
        SetItemIndex(row);
}

void TKvSimpleListBox::MouseMove(TShiftState shift, int x, int y)
{
    const int row = MouseToRow(x, y);
    if (row >= 0 && row < FItems.size()) {
        SetItemIndex(row);
        return;
    }
    if (shift.Contains(ssLeft) && FSelIndex >= 0) {
        if (y < FPRows)
            SetItemIndex(FSelIndex - 1);
        else if (y >= GetClientHeight())
            SetItemIndex(FSelIndex + 1);
    }
}

bool TKvSimpleListBox::DoMouseWheel(TShiftState, int wheelDelta, TPoint)
{
    SetTopRow(FTopRow + (wheelDelta < 0 ? 1 : -1));
    return true;
}

void TKvSimpleListBox::WMScroll(TMessage& message)
{
    const int code = LoWordSigned(message.WParam);
    const int pos = HiWordSigned(message.WParam);
    switch (code) {
    case SB_LINEUP: SetTopRow(FTopRow - 1); break;
    case SB_LINEDOWN: SetTopRow(FTopRow + 1); break;
    case SB_PAGEUP: SetTopRow(FTopRow - FItemCount); break;
    case SB_PAGEDOWN: SetTopRow(FTopRow + FItemCount); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: SetTopRow(pos); break;
    default: break;
    }
}

void TKvSimpleListBox::Paint()
{
    TKvDrawingContext dc(GetCanvas());
    const TKvColor back = TKvColor::CreateFromColor(clWhite);
    dc.DrawRect(TKvSolidBrush::Temp(back), nullptr, GetClientRect());
    const int last = std::min(int(FItems.size()), FTopRow + FItemCount);
    for (int i = FTopRow; i < last; ++i) {
        const TRect r = RowRect(i);
        const bool selected = i == FSelIndex;
        if (selected)
            dc.DrawRect(TKvSolidBrush::Temp(TKvColor::CreateFromColor(clBlack)), nullptr, r);
        const TKvColor text = TKvColor::CreateFromColor(selected ? clWhite : FFont->GetColor());
        dc.DrawText(FItems.at(i), FKvFont.get(), TKvSolidBrush::Temp(text), r.Left + 2, r.Top + 1);
    }
}

// ---- drop-down list --------------------------------------------------------------------

void TKvSimpleInList::AfterConstruction()
{
    TKvSimpleListBox::AfterConstruction();
    SetVisible(false);
}

void TKvSimpleInList::RequestCloseUp(bool Accept)
{
    if (OnRequestCloseUp)
        OnRequestCloseUp(this, Accept);
}

void TKvSimpleInList::MouseUp(TMouseButton button, TShiftState, int x, int y)
{
    FInScroll = false;
    if (button == mbLeft && GetClientRect().Contains(TPoint{x, y}))
        RequestCloseUp(true);
}

// ---- calendar --------------------------------------------------------------------------

TKvDateList::TKvDateList()
{
    OnCloseUp = [this](TObject*, bool accept) { RequestCloseUp(accept); };
    SetResendTag(std::intptr_t(CLOSEUP_MESSAGE));
}

void TKvDateList::RequestCloseUp(bool Accept)
{
    if (OnRequestCloseUp)
        OnRequestCloseUp(this, Accept);
}

} // namespace kv
