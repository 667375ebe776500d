// The window's DPI. Per-monitor DPI calls exist only on newer Windows, so
// they are looked up at run time; without them every window has the
// system DPI, as on Windows 7.
#pragma once

#include <windows.h>

namespace orvane::ui {

inline constexpr int kBaseDpi = 96;

// The DPI of the screen as a whole (96 when it cannot be read).
int SystemDpi();
// The DPI the window is drawn at: its monitor's under per-monitor
// awareness, else the system DPI.
int WindowDpi(HWND window);
// The outer size of a window of `style` (with a menu bar) whose client
// area is `client_width` x `client_height` at `dpi`.
SIZE FrameSize(int client_width, int client_height, DWORD style, int dpi);
// The side in pixels of an icon of kind `metric` (SM_CXICON, SM_CXSMICON)
// at `dpi`.
int IconSide(int metric, int dpi);

}  // namespace orvane::ui
