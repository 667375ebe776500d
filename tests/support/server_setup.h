// Making and ending a Server the way the programs do, for every test program
// that runs the service in-process. Header-only: the stress program uses it
// without the GoogleTest-based helpers.
#pragma once

#include <memory>

#include "http/operator_panel.h"
#include "http/server.h"
#include "http/server_options.h"
#include "platform/codepage.h"

namespace orvane::testing {

// A Server on `panel` in the system's ANSI code page: ready for StartServer.
inline std::unique_ptr<Server> BuildServer(OperatorPanel& panel, const ServerOptions& options) {
  return std::make_unique<Server>(panel, platform::AnsiCodePage(), options);
}

// Stops `server` and ends its workers, as the program's exit does; false when
// a worker outlived the shutdown wait.
[[nodiscard]] inline bool StopAndShutDown(Server& server) {
  server.StopServer();
  return server.FinalShutdown();
}

}  // namespace orvane::testing
