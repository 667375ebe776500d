// The headless server for Linux: `orvane-headless [FOLDER] [PORT]` serves
// FOLDER (default: the current folder) on PORT (default 8080) on every IPv4
// address until SIGINT or SIGTERM. Exit codes: 0 stopped cleanly, 1 could not
// start, 2 wrong command line, 3 (kExitWorkersEnded) workers stuck past the
// shutdown wait were ended with the process.
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/console_panel.h"
#include "app/lan_addresses.h"
#include "http/server.h"
#include "net/net_socket.h"
#include "platform/codepage.h"
#include "ui/rules/operator_messages.h"

namespace {

std::string AbsoluteFolder(const std::string& folder) {
  char resolved[PATH_MAX];
  if (realpath(folder.c_str(), resolved) != nullptr) return resolved;
  return folder;  // a missing folder is accepted: every request then gets 404
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 3 ||
      (argc > 1 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help"))) {
    std::fprintf(stderr, "usage: %s [FOLDER] [PORT]\n", argv[0]);
    return 2;
  }
  const std::string folder = AbsoluteFolder(argc > 1 ? argv[1] : ".");
  const std::string port_text = argc > 2 ? argv[2] : "8080";

  // Signals are taken by this thread alone, with sigwait; every worker
  // thread inherits the blocked mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  orvane::net::SocketLibrary socket_library;
  orvane::ConsolePanel panel;
  const orvane::CodePage ansi = orvane::platform::AnsiCodePage();
  orvane::Server server(panel, ansi);
  const orvane::StartResult started =
      server.StartServer(orvane::SettleServerSettings(port_text, folder, ansi));
  if (const auto box = orvane::StartFailureBox(started)) {
    std::fprintf(stderr, "%s\n", orvane::GbkToUtf8(box->text).c_str());
    return 1;
  }

  const int port = started.port;
  const auto lan = orvane::ui::ListAdapterAddresses(orvane::LanAdapterRecords());
  std::printf("OrvaneServer serving %s\n", folder.c_str());
  std::printf(
      "Open http://127.0.0.1:%d/ here, or http://%s:%d/ from other machines. "
      "Ctrl-C stops.\n",
      port, lan.chosen.empty() ? "127.0.0.1" : lan.chosen.c_str(), port);
  // The code is for a phone held up to the screen; a log file gets none.
  if (isatty(STDOUT_FILENO)) orvane::PrintAddressQr(stdout, lan, port);
  std::fflush(stdout);

  // Wait for a stop signal, or for the server to stop by itself.
  const timespec tick{0, 200 * 1000 * 1000};
  while (server.Running()) {
    if (sigtimedwait(&stop_signals, nullptr, &tick) > 0) break;
  }
  server.StopServer();
  panel.WaitUntilStopped(5000);
  // A worker stuck past the wait ends the process in here, with its own code.
  const int code = orvane::ShutdownHeadless(server, panel);
  std::fprintf(stderr, "Stopped.\n");
  return code;
}
