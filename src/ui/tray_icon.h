// `TrayIcon`: the window's icon in the notification area.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string_view>

namespace orvane::ui {

class TrayIcon {
 public:
  TrayIcon() = default;
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Shows `icon` with the tip (cut to what the shell holds); clicks arrive at
  // `owner` as `callback_message`. False when the shell refused, for example
  // before the taskbar exists; Restore then adds it later.
  bool Add(HWND owner, UINT id, UINT callback_message, HICON icon, std::wstring_view tip);
  // Adds the icon again after the taskbar was recreated (Explorer restarted).
  bool Restore();
  // Takes the icon out of the notification area; nothing without one.
  void Remove();

 private:
  NOTIFYICONDATAW data_{};
  bool configured_ = false;
};

}  // namespace orvane::ui
