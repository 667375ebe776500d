// The operator panel of the headless server: settings from the command line,
// logs on standard output, information boxes on standard error.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "http/log_queue.h"
#include "http/operator_panel.h"
#include "http/server.h"

namespace orvane {

class ConsolePanel : public OperatorPanel {
 public:
  ConsolePanel(std::string port_text, std::string folder_text);
  // Writes out what is still queued (StopWriter).
  ~ConsolePanel() override;

  std::string ReadPortText() override { return port_text_; }
  std::string ReadSiteFolderText() override { return folder_text_; }
  void WritePortText(const std::string& text) override { port_text_ = text; }
  bool IsStartEnabled() override { return start_enabled_.load(); }
  InfoBoxAnswer ShowInfoBox(std::string_view text, InfoBoxKind kind) override;
  void AppendConnectionLog(std::string text) override;
  // The request log is the window's hidden box; the console does not show it.
  void AppendRequestLog(std::string) override {}
  void SetStartEnabled(bool enabled) override;

  // Blocks until the start button would be enabled again (the server
  // stopped) or `timeout_ms` passes; true when it did.
  bool WaitUntilStopped(int timeout_ms);
  // Writes out every line queued so far and ends the writer; lines that come
  // later are dropped. Safe to call more than once.
  void StopWriter();

 private:
  void WriterMain();

  std::string port_text_;    // main thread only
  std::string folder_text_;  // main thread only
  std::atomic<bool> start_enabled_{true};
  std::mutex state_mutex_;
  std::condition_variable state_changed_;
  bool stopping_writer_ = false;  // guarded by state_mutex_
  LogQueue queue_;
  std::thread writer_;
};

// The headless program's exit code when workers outlived the shutdown wait
// and were ended with the process (0 is a clean stop, 1 a failed start, 2 a
// wrong command line).
inline constexpr int kExitWorkersEnded = 3;

// The headless program's end, after StopServer: ends the workers and returns
// 0. When some outlive the shutdown wait (stuck in a call no interrupt ends),
// writes out the queued lines and one line on standard error saying how many
// were still busy, then ends the process at once with kExitWorkersEnded,
// without destroying what those workers still use.
int ShutdownHeadless(Server& server, ConsolePanel& panel);

// GBK bytes (the service's own texts) as UTF-8 for the terminal; bytes that
// are not GBK pass through unchanged.
std::string GbkToUtf8(std::string_view gbk);

}  // namespace orvane
