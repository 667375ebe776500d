// `FrameDpiFor`: the DPI a window's title and menu bars are drawn at, which
// is not always the DPI of its client area.
#pragma once

namespace orvane::ui {

// How the window is DPI-aware, as the system reports it for that window.
enum class DpiAwareness { kUnaware, kSystem, kPerMonitorV1, kPerMonitorV2 };

// Under per-monitor v2 the system scales the frame with the client area:
// `window_dpi`. Under per-monitor v1 (Windows 8.1, and Windows 10 before
// 1703) only the client area scales, and the frame stays at `system_dpi`, as
// it does for a window that is system-aware or unaware.
[[nodiscard]] int FrameDpiFor(DpiAwareness awareness, int window_dpi, int system_dpi);

}  // namespace orvane::ui
