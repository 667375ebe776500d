#include "ui/dpi.h"

#include "ui/rules/frame_dpi.h"
#include "ui/win_handles.h"

namespace orvane::ui {
namespace {

// A function of user32 by name, or nullptr on a Windows without it.
template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  // Through void*: FARPROC and the real signature are unrelated types.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using GetWindowDpiAwarenessContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
using AreDpiAwarenessContextsEqualFunction = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT,
                                                           DPI_AWARENESS_CONTEXT);

}  // namespace

int SystemDpi() {
  const UniqueScreenDc screen(GetDC(nullptr));
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : kBaseDpi;
  return dpi > 0 ? dpi : kBaseDpi;
}

int WindowDpi(HWND window) {
  static const auto get_dpi_for_window = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (get_dpi_for_window != nullptr) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

int FrameDpi(HWND window, int window_dpi) {
  static const auto context_of =
      User32Function<GetWindowDpiAwarenessContextFunction>("GetWindowDpiAwarenessContext");
  static const auto same_context =
      User32Function<AreDpiAwarenessContextsEqualFunction>("AreDpiAwarenessContextsEqual");
  // Only v2 changes the frame's DPI, so only v2 is told apart; a system
  // without these calls has no per-monitor v2 at all.
  const bool v2 = context_of != nullptr && same_context != nullptr &&
                  same_context(context_of(window), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  return FrameDpiFor(v2 ? DpiAwareness::kPerMonitorV2 : DpiAwareness::kSystem, window_dpi,
                     SystemDpi());
}

SIZE FrameSize(int client_width, int client_height, DWORD style, bool menu, int dpi) {
  static const auto adjust_for_dpi =
      User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  RECT frame{0, 0, client_width, client_height};
  if (adjust_for_dpi == nullptr ||
      !adjust_for_dpi(&frame, style, menu ? TRUE : FALSE, 0, static_cast<UINT>(dpi))) {
    frame = RECT{0, 0, client_width, client_height};
    AdjustWindowRectEx(&frame, style, menu ? TRUE : FALSE, 0);
  }
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

// The metrics come at the system DPI, so the height is scaled from there.
UniqueFont MessageFont(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return {};
  metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
  return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

int IconSide(int metric, int dpi) {
  static const auto metrics_for_dpi =
      User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
  if (metrics_for_dpi != nullptr) {
    const int side = metrics_for_dpi(metric, static_cast<UINT>(dpi));
    if (side > 0) return side;
  }
  return MulDiv(GetSystemMetrics(metric), dpi, SystemDpi());
}

}  // namespace orvane::ui
