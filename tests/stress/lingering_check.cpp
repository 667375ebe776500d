// Thousands of clients that read their answer and never close: the lingering
// drains keep the server's threads and descriptors under a ceiling, and all
// of them are back once the clients go.
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "http/server_options.h"
#include "stress_check.h"
#include "support/wait.h"
#include "stress_client.h"
#include "stress_server.h"

namespace orvane::stress {

CheckResult CheckLingering(const Config& config, const Site& site) {
  CheckResult r{std::to_string(config.lingering_clients) + " clients that never close", false, "",
                0};
  // The workers of the checks before may still be leaving the system's
  // thread list; only this thread should remain.
  (void)testing::WaitUntil([] { return ThreadCount() <= 1; }, 5000, 50);
  const int base_threads = ThreadCount();
  const int base_fds = OpenDescriptorCount();
  StressServer s(config.port, site.folder, ServerOptions{});
  if (!s.running()) return r.detail = "server did not start", r;
  const int idle_free = s.WaitForFreeSlots(s.slot_count() - 1, 2000);
  const int idle_threads = ThreadCount();
  const int idle_fds = OpenDescriptorCount();
  // The server's threads and descriptors: the process's, less this check's
  // own client sockets. Taken between two connects, so the count of client
  // sockets is exact; the drains last 2 s, so no plateau is missed.
  std::vector<int> fds;
  int peak_threads = 0;
  int peak_fds = 0;
  const auto sample = [&] {
    peak_fds = std::max(peak_fds, OpenDescriptorCount() - base_fds - static_cast<int>(fds.size()));
    peak_threads = std::max(peak_threads, ThreadCount() - base_threads);
  };
  // As fast as the server takes them: never more than 4 waiting to be
  // accepted, so the backlog of 5 does not overflow.
  const std::string request = Get("/small.htm");
  const std::int64_t start = NowMs();
  for (int i = 0; i < config.lingering_clients; ++i) {
    const std::int64_t deadline = NowMs() + 3000;
    while (i - s.panel().connection_lines() >= 4 && NowMs() < deadline) SleepMs(0);
    const int fd = ConnectLocal(config.port);
    if (fd < 0) break;
    fds.push_back(fd);
    (void)SendAllBytes(fd, request, 1000);
    if (i % 20 == 0) sample();
  }
  const double open_seconds = (NowMs() - start) / 1000.0;
  sample();
  int whole = 0;
  for (int fd : fds) {
    std::string got;
    (void)ReadUntilClosed(fd, got, 5000);  // the server's end of sending
    const auto answer = ParseAnswer(got);
    if (answer && answer->status == 200 && answer->body == site.small) ++whole;
  }
  for (int fd : fds) close(fd);
  const int free_after = s.WaitForFreeSlots(idle_free, 5000);
  int threads_after = 0;
  int fds_after = 0;
  // The drains see the clients' close and end.
  (void)testing::WaitUntil(
      [&] {
        threads_after = ThreadCount();
        fds_after = OpenDescriptorCount();
        return threads_after <= idle_threads && fds_after <= idle_fds;
      },
      5000, 50);
  const auto answer = ParseAnswer(Fetch(config.port, Get("/small.htm")));
  const bool up = s.running() && answer && answer->status == 200 && answer->body == site.small;
  const int ceiling = s.slot_count() + kMaxLingering + 32;
  r.ok = static_cast<int>(fds.size()) == config.lingering_clients &&
         whole == config.lingering_clients && peak_threads <= ceiling && peak_fds <= ceiling &&
         free_after == idle_free && threads_after <= idle_threads && fds_after <= idle_fds && up;
  r.detail = std::to_string(fds.size()) + " opened in " +
             std::to_string(open_seconds).substr(0, 4) + " s, " + std::to_string(whole) +
             " whole answers; server peaks: " + std::to_string(peak_threads) + " threads, " +
             std::to_string(peak_fds) + " descriptors (ceiling " + std::to_string(ceiling) + " = " +
             std::to_string(s.slot_count()) + " slots + " + std::to_string(kMaxLingering) +
             " lingering + 32); afterwards slots free " + std::to_string(free_after) + "/" +
             std::to_string(idle_free) + ", threads " + std::to_string(threads_after) + "/" +
             std::to_string(idle_threads) + ", fds " + std::to_string(fds_after) + "/" +
             std::to_string(idle_fds) + (up ? ", still serving" : ", NOT serving");
  return r;
}

}  // namespace orvane::stress
