// StopServer while slow readers are in the middle of 64 MiB transfers: every
// slot comes back, every connection ends short, and a restart serves at once.
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "http/server_options.h"
#include "stress_check.h"
#include "support/wait.h"
#include "stress_client.h"
#include "stress_server.h"

namespace orvane::stress {

CheckResult CheckStopDuringTransfers(const Config& config, const Site& site) {
  CheckResult r{
      "StopServer during " + std::to_string(config.slow_transfers) + " slow 64 MiB transfers",
      false, "", 0};
  StressServer s(config.port, site.folder, ServerOptions{});
  if (!s.running()) return r.detail = "server did not start", r;
  std::vector<int> fds;
  std::vector<std::uint64_t> received;
  std::vector<char> buffer(16 * 1024);
  // Slow readers: a little from each, round and round.
  const auto read_round = [&] {
    for (std::size_t i = 0; i < fds.size(); ++i) {
      const long got = ReadAvailable(fds[i], buffer.data(), buffer.size());
      if (got > 0) received[i] += static_cast<std::uint64_t>(got);
    }
  };
  for (int i = 0; i < config.slow_transfers; ++i) {
    const int fd = ConnectLocal(config.port, 64 * 1024);
    if (fd < 0) break;
    (void)SendAllBytes(fd, Get("/big64.bin"), 1000);
    fds.push_back(fd);
    received.push_back(0);
    // One at a time, as the server accepts them (its backlog is 5).
    (void)testing::WaitUntil([&] { return s.panel().connection_lines() >= i + 1; }, 3000, 1);
    if (i % 20 == 19) read_round();
  }
  const std::int64_t read_until = NowMs() + 1500;
  while (NowMs() < read_until) {
    read_round();
    SleepMs(10);
  }
  const int busy_before = s.slot_count() - s.server().TestFreeSlotCount();
  const std::int64_t stop_at = NowMs();
  s.server().StopServer();
  const int free_after = s.WaitForFreeSlots(s.slot_count(), 15000);
  const double stop_seconds = (NowMs() - stop_at) / 1000.0;
  const bool start_enabled = !s.running();
  // Every client's connection ends, short of the whole file.
  int ended = 0;
  int whole = 0;
  const std::int64_t end_deadline = NowMs() + 10000;
  std::vector<bool> done(fds.size(), false);
  while (ended < static_cast<int>(fds.size()) && NowMs() < end_deadline) {
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (done[i]) continue;
      long got;
      while ((got = ReadAvailable(fds[i], buffer.data(), buffer.size())) > 0) {
        received[i] += static_cast<std::uint64_t>(got);
      }
      if (got == 0 || got == -2) {
        done[i] = true;
        ++ended;
        if (received[i] > kBigBytes) ++whole;
      }
    }
    SleepMs(5);
  }
  for (int fd : fds) close(fd);
  // A restart serves at once.
  const std::int64_t restart_at = NowMs();
  (void)s.Start();
  const auto answer = ParseAnswer(Fetch(config.port, Get("/small.htm"), 2000));
  const double restart_ms = static_cast<double>(NowMs() - restart_at);
  const bool served = s.running() && answer && answer->status == 200 && answer->body == site.small;
  r.ok = static_cast<int>(fds.size()) == config.slow_transfers &&
         busy_before >= config.slow_transfers && free_after == s.slot_count() && start_enabled &&
         ended == static_cast<int>(fds.size()) && whole == 0 && served && restart_ms < 1000;
  r.detail = std::to_string(busy_before) + " slots busy at the stop; all " +
             std::to_string(free_after) + " free " + std::to_string(stop_seconds).substr(0, 4) +
             " s later; " + std::to_string(ended) + " connections ended; restart served in " +
             std::to_string(static_cast<int>(restart_ms)) + " ms";
  return r;
}

}  // namespace orvane::stress
