// The window as the HTTP service sees it (OperatorPanel). Workers queue log
// text and post one message; the window thread drains the queue into the
// boxes. Nothing here ever waits for the window thread.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "http/log_queue.h"
#include "http/operator_panel.h"
#include "front/operator_messages.h"

namespace orvane::ui {

struct PanelControls {
  HWND window = nullptr;
  HWND port_box = nullptr;
  HWND site_folder_box = nullptr;
  HWND start_button = nullptr;
  HWND connection_log_box = nullptr;
  HWND request_log_box = nullptr;
};

class WindowPanel : public OperatorPanel {
 public:
  // Called on the window thread once the controls exist, before any worker
  // runs.
  void Attach(const PanelControls& controls);

  // Window thread only.
  std::string ReadPortText();
  // The site folder box's text in UTF-8.
  std::string ReadSiteFolderText();
  // Replaces the port box's text; the window rebuilds the address from it.
  void WritePortText(const std::string& text);
  // A task-modal box without owner, captioned "信息："; blocks until answered.
  // A question box first takes the window out of the always-on-top state.
  InfoBoxAnswer ShowInfoBox(std::string_view text, InfoBoxKind kind);
  // The start button, which shows whether the server runs.
  void SetStartEnabled(bool enabled);

  // Any thread.
  void AppendConnectionLog(std::string text) override;
  void AppendRequestLog(std::string text) override;
  // Posts kSetStartEnabledMessage: the window thread sets the button from
  // the server's state.
  void ServerStopped() override;

  // Window thread: moves everything queued into the two boxes.
  void DrainLogs();

 private:
  void Push(LogBox box, std::string text);

  // Written once by Attach before any worker runs, then only read.
  PanelControls controls_;
  LogQueue queue_;
};

// An information box as the program shows them: task-modal, no owner,
// captioned "信息：". The text is GBK; returns MessageBox's answer.
int ShowInformation(std::string_view gbk_text, UINT buttons_and_icon);

}  // namespace orvane::ui
