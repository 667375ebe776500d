// Clients that stop reading mid-body: their slots are held for the send wait
// and no longer.
#include <unistd.h>

#include <string>
#include <vector>

#include "http/server_options.h"
#include "stress_check.h"
#include "stress_client.h"
#include "stress_server.h"

namespace orvane::stress {

CheckResult CheckStalledReaders(const Config& config, const Site& site) {
  constexpr int kWaitMs = 1000;
  constexpr int kClients = 5;
  CheckResult r{"client stops reading mid-body (send wait 1 s)", false, "", 0};
  ServerOptions options;
  options.send_wait_ms = kWaitMs;
  options.linger_ms = 300;
  StressServer s(config.port, site.folder, options);
  if (!s.running()) return r.detail = "server did not start", r;
  const int idle_free = s.WaitForFreeSlots(s.slot_count() - 1, 2000);
  std::vector<int> fds;
  std::vector<char> buffer(64 * 1024);
  for (int i = 0; i < kClients; ++i) {
    const int fd = ConnectLocal(config.port, 64 * 1024);
    if (fd < 0) break;
    (void)SendAllBytes(fd, Get("/big64.bin"), 1000);
    fds.push_back(fd);
  }
  // Read a little of each, then stop reading altogether. The server's last
  // progress is no earlier than the requests, so no slot may be freed sooner
  // than the send wait after them.
  const std::int64_t stalled_at = NowMs();
  SleepMs(100);
  for (int fd : fds) (void)ReadAvailable(fd, buffer.data(), buffer.size());
  SleepMs(kWaitMs / 2 - 100);
  const int free_while_stalled = s.server().TestFreeSlotCount();
  const int free_after = s.WaitForFreeSlots(idle_free, kWaitMs * 10);
  const std::int64_t freed_ms = NowMs() - stalled_at;
  for (int fd : fds) close(fd);
  const auto answer = ParseAnswer(Fetch(config.port, Get("/small.htm")));
  r.ok = static_cast<int>(fds.size()) == kClients && free_while_stalled == idle_free - kClients &&
         free_after == idle_free && freed_ms >= kWaitMs && freed_ms < kWaitMs + 3000 && answer &&
         answer->status == 200;
  r.detail = std::to_string(kClients) + " stalled; slots held " +
             std::to_string(idle_free - free_while_stalled) + " at 0.5 s, all freed after " +
             std::to_string(freed_ms) + " ms";
  return r;
}

}  // namespace orvane::stress
