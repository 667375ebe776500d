#include "ui/tray_icon.h"

#include <algorithm>

namespace orvane::ui {
namespace {

// Copies `text` into a fixed buffer of the notification data, cut to fit.
template <std::size_t kSize>
void CopyText(std::wstring_view text, wchar_t (&buffer)[kSize]) {
  const std::size_t length = std::min(text.size(), kSize - 1);
  text.copy(buffer, length);
  buffer[length] = L'\0';
}

}  // namespace

bool TrayIcon::Add(HWND owner, UINT id, UINT callback_message, HICON icon, std::wstring_view tip) {
  data_ = NOTIFYICONDATAW{};
  data_.cbSize = sizeof data_;
  data_.hWnd = owner;
  data_.uID = id;
  // Version 4 shows the tip only when asked to (NIF_SHOWTIP).
  data_.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP | NIF_SHOWTIP;
  data_.uCallbackMessage = callback_message;
  data_.hIcon = icon;
  CopyText(tip, data_.szTip);
  registration_.reset(TrayIconId{owner, id});
  return Restore();
}

bool TrayIcon::Restore() {
  if (!registration_) return false;
  // After a taskbar restart the old icon is gone; an ADD that fails because
  // the shell still knows the icon is answered with a MODIFY.
  shown_ =
      Shell_NotifyIconW(NIM_ADD, &data_) != FALSE || Shell_NotifyIconW(NIM_MODIFY, &data_) != FALSE;
  if (shown_) {
    // Version 4: the shell reports NIN_SELECT and NIN_KEYSELECT, and puts
    // the event and the icon's ID into lParam. Older shells keep version 0,
    // whose lParam holds the mouse message alone: the same low word.
    data_.uVersion = NOTIFYICON_VERSION_4;
    Shell_NotifyIconW(NIM_SETVERSION, &data_);
  }
  return shown_;
}

bool TrayIcon::ShowBalloon(std::wstring_view title, std::wstring_view text) {
  if (!shown_) return false;
  NOTIFYICONDATAW balloon = data_;
  // Under version 4 a modify without the tip and NIF_SHOWTIP takes the
  // hover tip away.
  balloon.uFlags = NIF_INFO | NIF_TIP | NIF_SHOWTIP;
  balloon.dwInfoFlags = NIIF_INFO;
  CopyText(title, balloon.szInfoTitle);
  CopyText(text, balloon.szInfo);
  return Shell_NotifyIconW(NIM_MODIFY, &balloon) != FALSE;
}

void TrayIcon::Remove() {
  registration_.reset();
  shown_ = false;
}

}  // namespace orvane::ui
