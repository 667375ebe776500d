// The window's place in the notification area: the icon (`TrayIcon`), asked
// for again while the shell refuses it (a retry timer) and after Explorer
// made the taskbar anew (TaskbarCreated); the way to the taskbar when a
// hidden window's icon cannot come back (`TrayFallback`); the hide and the
// return. Window thread only.
#pragma once

#include <windows.h>

#include "ui/rules/tray_fallback.h"
#include "ui/tray_icon.h"
#include "ui/win_handles.h"

namespace orvane::ui {

class TrayController {
 public:
  TrayController() = default;
  TrayController(const TrayController&) = delete;
  TrayController& operator=(const TrayController&) = delete;

  // Once `window` exists: listens for Explorer's restart and adds the icon,
  // its clicks arriving as kTrayNotifyMessage.
  void Attach(HINSTANCE instance, HWND window);
  // `HideToTray`: the window hidden, its icon left to bring it back; with no
  // icon to click, minimized to the taskbar instead.
  void Hide();
  // kTrayNotifyMessage's event (lParam's low word): a click brings the
  // window back.
  void OnNotify(UINT kind);
  // kTrayRetryTimerId: the shell is asked again.
  void Retry() { Show(false); }
  // True for the message Explorer broadcasts once it has made the taskbar
  // anew; the icon is then added again.
  [[nodiscard]] bool OnTaskbarCreated(UINT message);
  // The window is being destroyed: no more retries, and the icon goes.
  void Remove();

 private:
  // Adds the icon (`first`) or adds it again; while the shell refuses, the
  // timer keeps asking.
  void Show(bool first);
  // `RestoreFromTray`.
  void Restore();

  HWND window_ = nullptr;
  UINT taskbar_created_message_ = 0;
  UniqueIcon image_;  // at the system's small-icon size
  TrayIcon icon_;
  TrayFallback fallback_;
  bool balloon_shown_ = false;
};

}  // namespace orvane::ui
