// The window's DPI. Per-monitor DPI calls exist only on newer Windows, so
// they are looked up at run time; without them every window has the
// system DPI, as on Windows 7.
#pragma once

#include <windows.h>

#include "ui/win_handles.h"

namespace orvane::ui {

inline constexpr int kBaseDpi = 96;

// The DPI of the screen as a whole (96 when it cannot be read).
int SystemDpi();
// The DPI the window is drawn at: its monitor's under per-monitor
// awareness, else the system DPI.
int WindowDpi(HWND window);
// The DPI that `window`'s title and menu bars are drawn at: `window_dpi`
// under per-monitor v2; else the system DPI, as under per-monitor v1
// (Windows 8.1, and Windows 10 before 1703), where the system scales only
// the client area.
int FrameDpi(HWND window, int window_dpi);
// Windows 10 1703's WM_GETDPISCALEDSIZE, which the headers give only to
// programs built for that version.
inline constexpr UINT kGetDpiScaledSizeMessage = 0x02E4;
// The outer size of a window of `style` (with a menu bar when `menu`) whose
// client area is `client_width` x `client_height`, its frame drawn at `dpi`.
SIZE FrameSize(int client_width, int client_height, DWORD style, bool menu, int dpi);
// The system's message font at `dpi`; none when it cannot be made.
UniqueFont MessageFont(int dpi);
// The side in pixels of an icon of kind `metric` (SM_CXICON, SM_CXSMICON)
// at `dpi`.
int IconSide(int metric, int dpi);

}  // namespace orvane::ui
