#include "ui/tray_controller.h"

#include "ui/captions.h"
#include "ui/control_ids.h"
#include "ui/resource_ids.h"
#include "ui/timer_ids.h"
#include "ui/win_text.h"

namespace orvane::ui {
namespace {

// While the shell refuses the icon (log-on, Explorer restarting).
constexpr UINT kTrayRetryMs = 2000;

}  // namespace

void TrayController::Attach(HINSTANCE instance, HWND window) {
  window_ = window;
  taskbar_created_message_ = RegisterWindowMessageW(L"TaskbarCreated");
  // Run elevated, the program would not hear Explorer's restart (sent from
  // a lower integrity level) without this.
  if (taskbar_created_message_ != 0) {
    ChangeWindowMessageFilterEx(window_, taskbar_created_message_, MSGFLT_ALLOW, nullptr);
  }
  const int side = GetSystemMetrics(SM_CXSMICON);
  image_.reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON, side, side, 0)));
  Show(true);
}

void TrayController::Show(bool first) {
  const bool shown = first ? icon_.Add(window_, kTrayIconId, kTrayNotifyMessage, image_.get(),
                                       FromGbk(kProductTitle))
                           : icon_.Restore();
  if (shown) {
    KillTimer(window_, kTrayRetryTimerId);
    fallback_.Accepted();
    return;
  }
  SetTimer(window_, kTrayRetryTimerId, kTrayRetryMs, nullptr);
  // Hidden with no icon the window could not be reached: after a few
  // refusals it waits minimized on the taskbar while the timer goes on.
  if (!first && fallback_.Refused(!IsWindowVisible(window_))) {
    ShowWindow(window_, SW_SHOWMINNOACTIVE);
  }
}

bool TrayController::OnTaskbarCreated(UINT message) {
  if (message == 0 || message != taskbar_created_message_) return false;
  Show(false);
  return true;
}

void TrayController::Hide() {
  // Hidden without an icon, the window could not be brought back: while the
  // shell refuses the icon, the window goes to the taskbar instead.
  if (!icon_.shown()) {
    ShowWindow(window_, SW_MINIMIZE);
    return;
  }
  ShowWindow(window_, SW_HIDE);
  // New icons may sit in the overflow area: say once where the program went.
  if (!balloon_shown_) {
    balloon_shown_ = icon_.ShowBalloon(FromGbk(kProductTitle), FromGbk(kStillRunningBalloon));
  }
}

void TrayController::OnNotify(UINT kind) {
  switch (kind) {
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
    case NIN_SELECT:
    case NIN_KEYSELECT:
    case NIN_BALLOONUSERCLICK:
      Restore();
      break;
    default:
      break;  // movement and presses alone
  }
}

void TrayController::Restore() {
  ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window_);
}

void TrayController::Remove() {
  KillTimer(window_, kTrayRetryTimerId);
  icon_.Remove();
}

}  // namespace orvane::ui
