// `TrayIcon`: the window's icon in the notification area.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string_view>

#include "platform/unique_resource.h"

namespace orvane::ui {

// The icon's place in the notification area, as the shell knows it: the
// window and the ID. Closing it takes the icon out (NIM_DELETE).
struct TrayIconId {
  HWND window = nullptr;
  UINT id = 0;
  friend bool operator==(const TrayIconId& a, const TrayIconId& b) {
    return a.window == b.window && a.id == b.id;
  }
  friend bool operator!=(const TrayIconId& a, const TrayIconId& b) { return !(a == b); }
};
struct TrayIconTraits {
  using Handle = TrayIconId;
  static Handle Invalid() { return {}; }
  static void Close(Handle handle) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = handle.window;
    data.uID = handle.id;
    Shell_NotifyIconW(NIM_DELETE, &data);
  }
};
using UniqueTrayIcon = platform::UniqueResource<TrayIconTraits>;

class TrayIcon {
 public:
  TrayIcon() = default;
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Shows `icon` with the tip (cut to what the shell holds); clicks arrive at
  // `owner` as `callback_message`, with the event in the low word of lParam
  // and `id` in the high word. False when the shell refused, for example
  // before the taskbar exists; Restore then adds it later.
  [[nodiscard]] bool Add(HWND owner, UINT id, UINT callback_message, HICON icon,
                         std::wstring_view tip);
  // Adds the icon again: after a refusal, or after the taskbar was
  // recreated (Explorer restarted). False while the shell still refuses.
  [[nodiscard]] bool Restore();
  // Whether the shell took the icon the last time it was asked.
  [[nodiscard]] bool shown() const { return shown_; }
  // One balloon notification beside the icon; false without an icon.
  bool ShowBalloon(std::wstring_view title, std::wstring_view text);
  // Takes the icon out of the notification area; nothing without one.
  void Remove();

 private:
  NOTIFYICONDATAW data_{};
  UniqueTrayIcon registration_;  // set once the icon is configured
  bool shown_ = false;
};

}  // namespace orvane::ui
