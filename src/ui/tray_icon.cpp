#include "ui/tray_icon.h"

#include <algorithm>

namespace orvane::ui {

bool TrayIcon::Add(HWND owner, UINT id, UINT callback_message, HICON icon, std::wstring_view tip) {
  data_ = NOTIFYICONDATAW{};
  data_.cbSize = sizeof data_;
  data_.hWnd = owner;
  data_.uID = id;
  data_.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  data_.uCallbackMessage = callback_message;
  data_.hIcon = icon;
  const std::size_t room = sizeof data_.szTip / sizeof data_.szTip[0] - 1;
  const std::size_t length = std::min(tip.size(), room);
  tip.copy(data_.szTip, length);
  data_.szTip[length] = L'\0';
  configured_ = true;
  return Restore();
}

bool TrayIcon::Restore() {
  if (!configured_) return false;
  // After a taskbar restart the old icon is gone; an ADD that fails because
  // the shell still knows the icon is answered with a MODIFY.
  return Shell_NotifyIconW(NIM_ADD, &data_) != FALSE ||
         Shell_NotifyIconW(NIM_MODIFY, &data_) != FALSE;
}

void TrayIcon::Remove() {
  if (!configured_) return;
  Shell_NotifyIconW(NIM_DELETE, &data_);
  configured_ = false;
}

}  // namespace orvane::ui
