// The operator panel of the headless server: logs on standard output, the
// end of the run for the main thread to wait on.
#pragma once

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
  ConsolePanel();
  // Writes out what is still queued (StopWriter).
  ~ConsolePanel() override;

  void AppendConnectionLog(std::string text) override;
  // The request log is the window's hidden box; the console does not show it.
  void AppendRequestLog(std::string) override {}
  void ServerStopped() override;

  // Blocks until the server has told that it stopped or `timeout_ms`
  // passes; true when it did.
  bool WaitUntilStopped(int timeout_ms);
  // Writes out every line queued so far and ends the writer; lines that come
  // later are dropped. Safe to call more than once.
  void StopWriter();

 private:
  void WriterMain();

  std::mutex state_mutex_;
  std::condition_variable state_changed_;
  bool stopped_ = false;          // guarded by state_mutex_
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
