// The server as the window drives it: `StartServer` from the two boxes,
// `StopServer`, `ConfirmExit`, the start button after a run ends, the log
// boxes fed from the service's queue, and `FinalShutdown` on the way out.
// Owns the server and the panel through which the service reaches the
// window. Window thread only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/code_page.h"
#include "http/server.h"
#include "ui/window_panel.h"

namespace orvane::ui {

class ServerControl {
 public:
  // The server, made whole (its pool and canned texts), with `options`.
  ServerControl(const CodePage& ansi, const ServingOptions& options);
  ServerControl(const ServerControl&) = delete;
  ServerControl& operator=(const ServerControl&) = delete;

  // Once the controls exist, before any worker runs; the log boxes are also
  // drained on a timer of `controls.window`, should a drain message be lost.
  void Attach(const PanelControls& controls);
  // `StartServer`: the two boxes settled and the port written back, then the
  // server started. The start button shows that it runs; a box says why not.
  void Start();
  void Stop() { server_->StopServer(); }
  // `ConfirmExit`: true lets the window close. While the server runs it
  // asks first, and OK stops the server.
  [[nodiscard]] bool ConfirmExit();
  // kSetStartEnabledMessage: a run ended. The button follows the server,
  // which a start made since the message was posted may run again.
  void RunEnded();
  // kDrainLogsMessage and the drain timer.
  void DrainLogs() { panel_.DrainLogs(); }
  // WM_DESTROY: `FinalShutdown`. Every worker ends before the message loop
  // does, or the process ends here if one is stuck past the wait.
  void ShutdownForExit();

  // A line (GBK, ending in CRLF) for the connection log, through the
  // panel's queue like the service's own; the panel, for other threads.
  void Log(std::string gbk_line) { panel_.AppendConnectionLog(std::move(gbk_line)); }
  [[nodiscard]] OperatorPanel& panel() { return panel_; }

  [[nodiscard]] Server& server() { return *server_; }
  [[nodiscard]] const Server& server() const { return *server_; }
  [[nodiscard]] const CodePage& ansi() const { return ansi_; }

 private:
  const CodePage ansi_;
  HWND window_ = nullptr;
  WindowPanel panel_;
  // Declared after the panel, so it (and its workers) goes first.
  std::unique_ptr<Server> server_;
};

}  // namespace orvane::ui
