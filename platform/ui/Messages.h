// Window messages, virtual-key codes, shift states and scroll-bar constants of the control
// layer. The numbers are our own; controls receive them through WndProc(TMessage&).
#pragma once

#include "platform/rtl/Sets.h"

#include <cstdint>

namespace kv {

// One message: Msg names it, WParam and LParam carry its arguments, Result is the answer.
struct TMessage
{
    std::uint32_t Msg = 0;
    std::intptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};

// Messages. Arguments:
// WM_PAINT       WParam: a TCanvas* to paint into, or 0 to paint the window's update region.
// WM_SIZE        WParam 0, LParam = MakeLParam(client width, client height).
// WM_HSCROLL, WM_VSCROLL  WParam = MakeLParam(SB_ code, position).
// mouse buttons and WM_MOUSEMOVE  WParam = TShiftState bits, LParam = MakeLParam(x, y) in
//                client coordinates.
// WM_MOUSEWHEEL  WParam = MakeLParam(TShiftState bits, delta) (120 per notch, positive away
//                from the user), LParam = MakeLParam(x, y) in client coordinates.
// WM_MOUSEHWHEEL the horizontal wheel, arguments as WM_MOUSEWHEEL; a positive delta scrolls
//                towards the left.
// WM_KEYDOWN, WM_KEYUP  WParam = virtual-key code, LParam = TShiftState bits.
// WM_CHAR        WParam = UTF-16 code unit, LParam = TShiftState bits.
// WM_SETFOCUS, WM_KILLFOCUS, WM_MOUSELEAVE  no arguments.
// WM_TIMER       WParam = the timer id given to SetTimer.
// WM_GETDLGCODE  Result = DLGC_ flags.
// WM_ERASEBKGND  Result 1 when the background was erased (or needs no erasing).
// WM_IME_STARTCOMPOSITION  no arguments: an input-method composition begins.
// WM_NCACTIVATE  WParam 1 when the window becomes active, 0 when it loses activation.
enum : std::uint32_t {
    WM_NULL = 0x0000,
    WM_SIZE = 0x0005,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_PAINT = 0x000F,
    WM_ERASEBKGND = 0x0014,
    WM_NCACTIVATE = 0x0086,
    WM_GETDLGCODE = 0x0087,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_IME_STARTCOMPOSITION = 0x010D,
    WM_TIMER = 0x0113,
    WM_HSCROLL = 0x0114,
    WM_VSCROLL = 0x0115,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_RBUTTONDBLCLK = 0x0206,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
    WM_MBUTTONDBLCLK = 0x0209,
    WM_MOUSEWHEEL = 0x020A,
    WM_MOUSEHWHEEL = 0x020E,
    WM_MOUSELEAVE = 0x02A3,
    WM_USER = 0x0400
};

// Scroll request codes of WM_HSCROLL and WM_VSCROLL.
enum : int {
    SB_LINEUP = 0,
    SB_LINELEFT = 0,
    SB_LINEDOWN = 1,
    SB_LINERIGHT = 1,
    SB_PAGEUP = 2,
    SB_PAGELEFT = 2,
    SB_PAGEDOWN = 3,
    SB_PAGERIGHT = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_LEFT = 6,
    SB_BOTTOM = 7,
    SB_RIGHT = 7,
    SB_ENDSCROLL = 8
};

// Scroll bars of a window.
enum : int { SB_HORZ = 0, SB_VERT = 1 };

// Which members of a TScrollInfo are read or written.
enum : unsigned {
    SIF_RANGE = 0x0001,
    SIF_PAGE = 0x0002,
    SIF_POS = 0x0004,
    SIF_DISABLENOSCROLL = 0x0008,
    SIF_TRACKPOS = 0x0010,
    SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS
};

// Answers to WM_GETDLGCODE.
enum : std::intptr_t {
    DLGC_WANTARROWS = 0x0001,
    DLGC_WANTTAB = 0x0002,
    DLGC_WANTALLKEYS = 0x0004,
    DLGC_WANTCHARS = 0x0080
};

// Virtual-key codes. Letters and digits are their upper-case ASCII codes ('A', '0').
enum : std::uint16_t {
    VK_LBUTTON = 0x01,
    VK_RBUTTON = 0x02,
    VK_MBUTTON = 0x04,
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_CLEAR = 0x0C,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_PRINT = 0x2A,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_HELP = 0x2F,
    VK_APPS = 0x5D,
    VK_NUMPAD0 = 0x60,
    VK_NUMPAD9 = 0x69,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SEPARATOR = 0x6C,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F2 = 0x71,
    VK_F3 = 0x72,
    VK_F4 = 0x73,
    VK_F5 = 0x74,
    VK_F6 = 0x75,
    VK_F7 = 0x76,
    VK_F8 = 0x77,
    VK_F9 = 0x78,
    VK_F10 = 0x79,
    VK_F11 = 0x7A,
    VK_F12 = 0x7B,
    VK_NUMLOCK = 0x90,
    VK_SCROLL = 0x91,
    VK_OEM_1 = 0xBA,      // ;:
    VK_OEM_PLUS = 0xBB,   // =+
    VK_OEM_COMMA = 0xBC,  // ,<
    VK_OEM_MINUS = 0xBD,  // -_
    VK_OEM_PERIOD = 0xBE, // .>
    VK_OEM_2 = 0xBF,      // /?
    VK_OEM_3 = 0xC0,      // `~
    VK_OEM_4 = 0xDB,      // [{
    VK_OEM_5 = 0xDC,      // backslash |
    VK_OEM_6 = 0xDD,      // ]}
    VK_OEM_7 = 0xDE       // '"
};

// Modifier keys and mouse buttons held during an input event.
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Two signed 16-bit halves in one argument, as the pointer and scroll messages carry them.
constexpr std::intptr_t MakeLParam(int low, int high)
{
    return static_cast<std::intptr_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(low)) |
                                      (static_cast<std::uint32_t>(static_cast<std::uint16_t>(high)) << 16));
}
constexpr int LoWordSigned(std::intptr_t value)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF));
}
constexpr int HiWordSigned(std::intptr_t value)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((value >> 16) & 0xFFFF));
}

inline TShiftState ShiftStateOf(std::intptr_t bits)
{
    return TShiftState::FromBits(static_cast<std::uint64_t>(bits) & 0x7F);
}

inline std::intptr_t ShiftStateBits(TShiftState shift)
{
    return static_cast<std::intptr_t>(shift.Bits());
}

} // namespace kv
