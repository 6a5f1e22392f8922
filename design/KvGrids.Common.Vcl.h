// Helpers for the design dialogs' controls: the colour combo (palette, custom colours in
// front of it, owner-drawn items), the dash combo, and the edit + up-down + track bar rows
// that take a clamped integer.
#pragma once

#include "graphics/KvGrids.Common.Drawing.h"
#include "platform/design/DesignForms.h"

namespace kv {

class TKvColorComboHelper
{
public:
    // Clears the items and adds the 13 palette colours; remembers the palette size.
    static void InitColors(TDesignComboBox* combo);
    // Deletes the oldest custom colours (just in front of the palette) until at most
    // mostCustom are left.
    static void Repack(TDesignComboBox* combo, int mostCustom);
    // Paints one item: a swatch of the colour and its "#rrggbb" text.
    static void DrawItem(TDesignComboBox* combo, TCanvas* canvas, const TRect& rect, TKvColor color);
    // Forces the alpha to 255 and selects the colour's item, inserting it in front when the
    // combo has none of that text (in any letter case).
    static void AddColor(TDesignComboBox* combo, TKvColor color);
    // The selected item's colour; opaque white when nothing is selected.
    static TKvColor GetColor(TDesignComboBox* combo);
    // Sets up an owner-drawn colour combo filled with the palette.
    static void Prepare(TDesignComboBox* combo);
    static int GetPaletteSize() { return FPaletteSize; }

private:
    static inline int FPaletteSize = 0;
};

class TKvDashComboHelper
{
public:
    // Paints one item: a black line of the width (at least 1) in the dash style.
    static void DrawItem(TDesignComboBox* combo, TCanvas* canvas, const TRect& rect, int width, TKvDashStyle dash);
};

// An edit with an up-down and, optionally, a track bar, over one integer in [min, max].
// Text that is not a number reads as the fallback; numbers are clamped.
struct TKvNumberControls
{
    TDesignEdit* Edit = nullptr;
    TDesignUpDown* UpDown = nullptr;
    TDesignTrackBar* Track = nullptr;
    int Min = 0;
    int Max = 0;
    int Fallback = 0;

    static TKvNumberControls Create(TDesignWindow* form, int min, int max, int fallback, bool track);
    // The edit's text as a clamped integer.
    int ReadEdit() const;
    // Up-down (and so the edit text) and track bar to the value.
    void Show(int value) const;
    void SetVisible(bool value) const;
    // Edit at (row, column), up-down next to it, track bar after.
    void Place(TDesignContainer* container, int row, int column) const;
};

} // namespace kv
