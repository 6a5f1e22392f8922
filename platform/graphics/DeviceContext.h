// Classic device-context drawing: system metrics, themed parts drawn through the widget
// style, unthemed frame controls, and raster fills. Every position is in device pixels;
// the painter's world transform does not apply (its clip does).
#pragma once

#include "platform/graphics/Graphics.h"
#include "platform/graphics/Types.h"

namespace kv::dc {

// Visual themes: on by default; when off, the frame-control painters are used.
bool UseThemes();
void SetUseThemes(bool on);

enum TSystemMetric { SM_CXVSCROLL = 2, SM_CXMENUCHECK = 71, SM_CYMENUCHECK = 72 };
int GetSystemMetrics(TSystemMetric metric);

// Frame controls.
constexpr unsigned DFC_SCROLL = 3;
constexpr unsigned DFC_BUTTON = 4;
constexpr unsigned DFCS_BUTTONCHECK = 0x0000;
constexpr unsigned DFCS_BUTTONPUSH = 0x0010;
constexpr unsigned DFCS_SCROLLUP = 0x0000;
constexpr unsigned DFCS_SCROLLDOWN = 0x0001;
constexpr unsigned DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr unsigned DFCS_INACTIVE = 0x0100;
constexpr unsigned DFCS_PUSHED = 0x0200;
constexpr unsigned DFCS_CHECKED = 0x0400;
constexpr unsigned DFCS_HOT = 0x1000;
constexpr unsigned DFCS_FLAT = 0x4000;
bool DrawFrameControl(HDC dc, const TRect& rect, unsigned type, unsigned state);

// Themed parts by class name ("BUTTON", "COMBOBOX", "SCROLLBAR"), part and state.
constexpr int BP_PUSHBUTTON = 1;
constexpr int BP_CHECKBOX = 3;
constexpr int CP_DROPDOWNBUTTON = 1;
constexpr int SBP_ARROWBTN = 1;
// Scroll-bar arrow states: up 1-4, down 5-8 (normal, hot, pressed, disabled).
constexpr int ABS_UPNORMAL = 1;
constexpr int ABS_UPHOT = 2;
constexpr int ABS_UPPRESSED = 3;
constexpr int ABS_UPDISABLED = 4;
constexpr int ABS_DOWNNORMAL = 5;
constexpr int ABS_DOWNHOT = 6;
constexpr int ABS_DOWNPRESSED = 7;
constexpr int ABS_DOWNDISABLED = 8;
// False for an unknown class or part (nothing is drawn).
bool DrawThemeBackground(HDC dc, const char* themeClass, int part, int state, const TRect& rect);

// Raster fills.
constexpr unsigned BLACKNESS = 0x00000042;
constexpr unsigned WHITENESS = 0x00FF0062;
void PatBlt(HDC dc, int x, int y, int width, int height, unsigned rop);
// Copies width by height pixels from the source canvas at (sx, sy) to (x, y).
void BitBlt(HDC dc, int x, int y, int width, int height, TCanvas* source, int sx, int sy);

} // namespace kv::dc
