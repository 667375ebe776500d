// What the HTTP service tells the operator's side: the log lines and the end
// of a run. The window, a headless front end or a test implements it. Texts
// are in the ANSI code page.
#pragma once

#include <string>

namespace orvane {

class OperatorPanel {
 public:
  virtual ~OperatorPanel() = default;

  // Any thread. These never wait for the window thread, and the calls of one
  // thread take effect in the order they were made.
  virtual void AppendConnectionLog(std::string text) = 0;
  virtual void AppendRequestLog(std::string text) = 0;
  // The server stopped running (Server::Running is already false): the
  // waiter of the current run accepts no more, after a stop or because the
  // listening socket failed.
  virtual void ServerStopped() = 0;
};

}  // namespace orvane
