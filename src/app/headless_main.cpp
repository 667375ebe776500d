// The headless server for Linux: `orvane-headless [--list] [--types] [FOLDER]
// [PORT]` serves FOLDER (default: the current folder) on PORT (default 8080)
// on every IPv4 address until SIGINT or SIGTERM. The switches are the rows of
// the options table (front/option_table.h), each off by default. Exit codes:
// 0 stopped cleanly, 1 could not start, 2 wrong command line, 3
// (kExitWorkersEnded) workers stuck past the shutdown wait were ended with
// the process.
#include <langinfo.h>
#include <limits.h>
#include <locale.h>
#include <signal.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/console_panel.h"
#include "app/address_report.h"
#include "http/core/resolve.h"
#include "http/server.h"
#include "http/site_files.h"
#include "net/net_socket.h"
#include "platform/adapters.h"
#include "platform/codepage.h"
#include "front/operator_messages.h"
#include "front/option_table.h"

namespace {

std::string AbsoluteFolder(const std::string& folder) {
  char resolved[PATH_MAX];
  if (realpath(folder.c_str(), resolved) != nullptr) return resolved;
  return folder;  // a missing folder is accepted: every request then gets 404
}

// Whether standard output is a terminal, and whether it shows UTF-8. The
// terminal's character set is the one the environment's locale names
// (LC_ALL, LC_CTYPE, LANG); the program's own locale is left as it was.
orvane::OutputKind StdoutKind() {
  if (isatty(STDOUT_FILENO) == 0) return orvane::OutputKind::kNotATerminal;
  const std::string previous = setlocale(LC_CTYPE, nullptr);
  const bool utf8 =
      setlocale(LC_CTYPE, "") != nullptr && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  setlocale(LC_CTYPE, previous.c_str());
  return utf8 ? orvane::OutputKind::kUtf8Terminal : orvane::OutputKind::kOtherTerminal;
}

// Holds standard output's lock (the console writer's lines wait for it)
// until Release or the end of its scope.
class StdoutHold {
 public:
  StdoutHold() { flockfile(stdout); }
  ~StdoutHold() { Release(); }
  StdoutHold(const StdoutHold&) = delete;
  StdoutHold& operator=(const StdoutHold&) = delete;
  void Release() {
    if (held_) funlockfile(stdout);
    held_ = false;
  }

 private:
  bool held_ = true;
};

}  // namespace

int main(int argc, char** argv) {
  const std::optional<orvane::CommandLine> line = orvane::ParseCommandLine(
      std::vector<std::string>(argv + 1, argv + argc), orvane::SwitchStyle::kHeadless);
  if (!line) {
    std::fputs(orvane::HeadlessUsage(argv[0]).c_str(), stderr);
    return 2;
  }
  const std::vector<std::string>& positional = line->positional;
  orvane::ServingOptions options = line->options;
  if (options.uploads) {
    options.upload_folder = AbsoluteFolder(options.upload_folder);
    struct stat info {};
    if (stat(options.upload_folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      std::fprintf(stderr, "%s is not a folder to store uploads in\n",
                   options.upload_folder.c_str());
      return 1;
    }
  }
  const std::string folder = AbsoluteFolder(!positional.empty() ? positional[0] : ".");
  const std::string port_text = positional.size() > 1 ? positional[1] : "8080";

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
  server.SetServingOptions(options);
  // The start report goes out before any client line: standard output is
  // held from before the first accept until the report is written.
  StdoutHold hold;
  const orvane::StartResult started =
      server.StartServer(orvane::SettleServerSettings(port_text, folder, ansi));
  if (const auto box = orvane::StartFailureBox(started)) {
    std::fprintf(stderr, "%s\n", orvane::GbkToUtf8(box->text).c_str());
    return 1;
  }

  const int port = started.port;
  orvane::SiteFiles files;
  const bool root_lists =
      orvane::ResolveRoot(server.site_root(), ansi, server.serving_options(), files).kind ==
      orvane::Target::Kind::kListing;
  const std::string report =
      orvane::StartReport(folder, orvane::ListAdapterAddresses(orvane::platform::QueryAdapters()),
                          port, StdoutKind(), server.serving_options(), root_lists);
  std::fwrite(report.data(), 1, report.size(), stdout);
  std::fflush(stdout);
  hold.Release();

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
