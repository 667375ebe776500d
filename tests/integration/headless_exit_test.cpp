// The headless program's exit while a worker is stuck past the shutdown wait.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/console_panel.h"
#include "platform/clock.h"
#include "support/server_setup.h"
#include "support/test_support.h"

namespace orvane::testing {
namespace {

// Runs in a child process with standard output sent to `out_path`: one
// client is served by a worker that never returns from its file read.
void ExitWithAStuckWorker(const std::string& out_path) {
  if (std::freopen(out_path.c_str(), "w", stdout) == nullptr) std::_Exit(6);
  // A hang past the wait ends the child with another code.
  std::thread([] {
    platform::SleepMillis(5000);
    std::_Exit(7);
  }).detach();
  net::SocketLibrary library;
  TempSite site;
  site.Write("a.txt", "abc");
  std::mutex mutex;
  std::condition_variable changed;
  bool stuck = false;
  ServerOptions options = RunningServer::FastOptions();
  options.shutdown_wait_ms = 300;
  options.test_before_answer = [&] {
    std::unique_lock<std::mutex> lock(mutex);
    stuck = true;
    changed.notify_all();
    changed.wait(lock, [] { return false; });  // never released
  };
  const std::uint16_t port = FindFreePort();
  ConsolePanel panel;
  const std::unique_ptr<Server> server = BuildServer(panel, options);
  const ServerSettings settings{static_cast<std::int16_t>(port), site.FolderText()};
  net::NetSocket client;
  if (server->StartServer(settings).outcome != StartOutcome::kStarted ||
      !ConnectLocal(client, port) || !client.SendAll("GET /a.txt HTTP/1.1\r\n\r\n", 1000)) {
    std::_Exit(4);
  }
  {
    std::unique_lock<std::mutex> lock(mutex);
    if (!changed.wait_for(lock, std::chrono::seconds(3), [&] { return stuck; })) std::_Exit(4);
  }
  server->StopServer();
  (void)ShutdownHeadless(*server, panel);
  std::_Exit(5);  // it returned although a worker still runs
}

TEST(HeadlessExitTest, AStuckWorkerIsReportedAfterTheQueuedLinesWithItsOwnExitCode) {
  // Forked, so the child writes to the file named here; no thread runs yet.
  GTEST_FLAG_SET(death_test_style, "fast");
  const std::filesystem::path out =
      std::filesystem::temp_directory_path() /
      ("orvane-headless-exit-" + std::to_string(platform::MonotonicMillis()) + ".txt");
  EXPECT_EXIT(ExitWithAStuckWorker(out.string()), ::testing::ExitedWithCode(kExitWorkersEnded),
              "^Stopped; 1 worker was still busy and was ended\\.\n$");
  std::stringstream written;
  written << std::ifstream(out).rdbuf();
  std::filesystem::remove(out);
  // The stuck client's connection line, queued before the stop, got out.
  EXPECT_NE(std::string::npos, written.str().find("127.0.0.1:")) << written.str();
}

}  // namespace
}  // namespace orvane::testing
