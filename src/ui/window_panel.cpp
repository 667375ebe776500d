#include "ui/window_panel.h"

#include "ui/captions.h"
#include "ui/control_ids.h"
#include "ui/keyboard_focus.h"
#include "ui/log_box.h"
#include "ui/win_text.h"

namespace orvane::ui {

int ShowInformation(std::string_view gbk_text, UINT buttons_and_icon) {
  return MessageBoxW(nullptr, FromGbk(gbk_text).c_str(), FromGbk(kInfoBoxCaption).c_str(),
                     buttons_and_icon | MB_TASKMODAL);
}

void WindowPanel::Attach(const PanelControls& controls) { controls_ = controls; }

// The port text travels in the ANSI code page, as the service reads it.
std::string WindowPanel::ReadPortText() {
  return WideToBytes(WindowText(controls_.port_box), CP_ACP);
}

// The folder travels in UTF-8: the ANSI code page cannot hold every name,
// and its best-fit mapping could even name another folder.
std::string WindowPanel::ReadSiteFolderText() {
  return WideToBytes(WindowText(controls_.site_folder_box), CP_UTF8);
}

void WindowPanel::WritePortText(const std::string& text) {
  // Raises EN_CHANGE once, which rebuilds the address.
  SetWindowTextW(controls_.port_box, Widen(text, CP_ACP).c_str());
}

InfoBoxAnswer WindowPanel::ShowInfoBox(std::string_view text, InfoBoxKind kind) {
  UINT flags = MB_OK | MB_ICONERROR;
  if (kind == InfoBoxKind::kWarning) flags = MB_OK | MB_ICONWARNING;
  if (kind == InfoBoxKind::kQuestion) {
    flags = MB_OKCANCEL | MB_ICONQUESTION;
    SetWindowPos(controls_.window, HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  // The service's messages are its own GBK texts (digits aside), whatever
  // the system's ANSI code page.
  return ShowInformation(text, flags) == IDOK ? InfoBoxAnswer::kOk : InfoBoxAnswer::kCancel;
}

void WindowPanel::AppendConnectionLog(std::string text) {
  Push(LogBox::kConnection, std::move(text));
}

void WindowPanel::AppendRequestLog(std::string text) { Push(LogBox::kRequest, std::move(text)); }

void WindowPanel::Push(LogBox box, std::string text) {
  // One message per batch: only the push that finds the queue empty posts.
  // Should the post fail (a full message queue), the window's drain timer
  // still empties the queue.
  if (queue_.Push(box, std::move(text))) {
    PostMessageW(controls_.window, kDrainLogsMessage, 0, 0);
  }
}

void WindowPanel::SetStartEnabled(bool enabled) {
  // A disabled button with the focus would leave the keyboard nowhere.
  if (!enabled) MoveFocusFrom(controls_.window, controls_.start_button);
  EnableWindow(controls_.start_button, enabled ? TRUE : FALSE);
}

void WindowPanel::ServerStopped() { PostMessageW(controls_.window, kSetStartEnabledMessage, 0, 0); }

void WindowPanel::DrainLogs() {
  std::string connection_text;
  std::string request_text;
  for (LogEntry& entry : queue_.TakeAll()) {
    (entry.box == LogBox::kConnection ? connection_text : request_text).append(entry.text);
  }
  AppendToLogBox(controls_.connection_log_box, connection_text, kConnectionLogCap);
  AppendToLogBox(controls_.request_log_box, request_text, kRequestLogCap);
}

}  // namespace orvane::ui
