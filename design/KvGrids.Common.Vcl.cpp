#include "design/KvGrids.Common.Vcl.h"

#include <algorithm>
#include <array>

namespace kv {

namespace {

constexpr std::array<std::uint32_t, 13> Palette = {
    0xFF000000, 0xFF696969, 0xFFA9A9A9, 0xFF808080, 0xFFD3D3D3, 0xFF00FF00, 0xFF008000,
    0xFF0000FF, 0xFF00FFFF, 0xFFFF00FF, 0xFFFF0000, 0xFFFFFF00, 0xFFFFFFFF,
};

TKvColor ItemColor(TDesignComboBox* combo, int index)
{
    try {
        return TKvColor(combo->GetItem(index));
    } catch (const Exception&) {
        return TKvColor(0xFFFFFFFFu);
    }
}

} // namespace

void TKvColorComboHelper::InitColors(TDesignComboBox* combo)
{
    combo->Clear();
    for (const std::uint32_t color : Palette)
        combo->Add(TKvColor(color).ToString());
    FPaletteSize = static_cast<int>(Palette.size());
}

void TKvColorComboHelper::Repack(TDesignComboBox* combo, int mostCustom)
{
    while (combo->Count() > FPaletteSize + mostCustom)
        combo->Delete(combo->Count() - FPaletteSize - 1);
}

void TKvColorComboHelper::DrawItem(TDesignComboBox* combo, TCanvas* canvas, const TRect& rect, TKvColor color)
{
    (void)combo;
    TKvDrawingContext context(canvas);
    TRect back = rect;
    back.Inflate(1, 1);
    context.DrawRect(TKvFill::White(), nullptr, back);
    const TRect swatch = TRect::Bounds(rect.Left + 2, rect.Top + 3, 40, std::max(0, rect.Height() - 6));
    context.DrawRect(TKvSolidBrush::Temp(color), TKvStroke::Gray(), swatch);
    const QString text = QStringLiteral("#%1").arg(color.Value & 0x00FFFFFFu, 6, 16, QLatin1Char('0')).toLower();
    const TRect textRect{swatch.Right + 4, rect.Top, rect.Right, rect.Bottom};
    context.DrawText(text, TKvFont::Default8(), TKvFill::Black(), textRect, AlignNear, AlignCenter);
}

void TKvColorComboHelper::AddColor(TDesignComboBox* combo, TKvColor color)
{
    const QString text = TKvColor::Create(color, 255).ToString();
    for (int i = 0; i < combo->Count(); ++i)
        if (combo->GetItem(i).compare(text, Qt::CaseInsensitive) == 0) {
            combo->SetItemIndex(i);
            return;
        }
    combo->Insert(0, text);
    combo->SetItemIndex(0);
}

TKvColor TKvColorComboHelper::GetColor(TDesignComboBox* combo)
{
    const int index = combo->GetItemIndex();
    return index < 0 ? TKvColor(0xFFFFFFFFu) : ItemColor(combo, index);
}

void TKvColorComboHelper::Prepare(TDesignComboBox* combo)
{
    combo->SetItemHeight(18);
    combo->SetMinimumWidth(150);
    combo->OnDrawItem = [](TDesignComboBox* sender, TCanvas* canvas, const TRect& rect, int index, bool) {
        DrawItem(sender, canvas, rect, ItemColor(sender, index));
    };
    InitColors(combo);
}

void TKvDashComboHelper::DrawItem(TDesignComboBox* combo, TCanvas* canvas, const TRect& rect, int width,
                                  TKvDashStyle dash)
{
    (void)combo;
    TKvDrawingContext context(canvas);
    TRect back = rect;
    back.Inflate(1, 1);
    context.DrawRect(TKvFill::White(), nullptr, back);
    const int y = rect.Top + rect.Height() / 2;
    context.DrawLine(TKvSolidPen::Temp(TKvColor(0xFF000000u), float(std::max(1, width)), dash), rect.Left + 10, y,
                     rect.Right - 10, y);
}

TKvNumberControls TKvNumberControls::Create(TDesignWindow* form, int min, int max, int fallback, bool track)
{
    TKvNumberControls c;
    c.Min = min;
    c.Max = max;
    c.Fallback = fallback;
    c.Edit = form->Add<TDesignEdit>();
    c.UpDown = form->Add<TDesignUpDown>(min, max);
    c.UpDown->SetAssociate(c.Edit);
    c.Edit->SetMinimumWidth(60);
    if (track) {
        c.Track = form->Add<TDesignTrackBar>(min, max);
        c.Track->SetMinimumWidth(100);
    }
    return c;
}

int TKvNumberControls::ReadEdit() const
{
    bool ok = false;
    const int value = Edit->GetText().trimmed().toInt(&ok);
    return ok ? std::clamp(value, Min, Max) : Fallback;
}

void TKvNumberControls::Show(int value) const
{
    UpDown->SetPosition(value);
    if (Track)
        Track->SetPosition(value);
}

void TKvNumberControls::SetVisible(bool value) const
{
    Edit->SetVisible(value);
    UpDown->SetVisible(value);
    if (Track)
        Track->SetVisible(value);
}

void TKvNumberControls::Place(TDesignContainer* container, int row, int column) const
{
    container->Place(Edit, row, column);
    container->Place(UpDown, row, column + 1);
    if (Track)
        container->Place(Track, row, column + 2);
}

} // namespace kv
