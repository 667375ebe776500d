// 600 clients that each send half a request: the first slots hold them, the
// rest get the exact 403, and every slot comes back once they let go.
#include <poll.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "http/core/responses.h"
#include "http/server_options.h"
#include "stress_check.h"
#include "support/wait.h"
#include "stress_client.h"
#include "stress_server.h"

namespace orvane::stress {

CheckResult CheckLimit(const Config& config, const Site& site) {
  CheckResult r{"600 half requests: limit, then recovery", false, "", 0};
  ServerOptions options;
  options.receive_deadline_ms = 60000;  // the holders must outlast the check
  StressServer s(config.port, site.folder, options);
  if (!s.running()) return r.detail = "server did not start", r;
  const int clients = 600;
  const int served = s.slot_count() - 1;  // one slot always waits in Accept
  std::vector<int> fds;
  for (int i = 0; i < clients; ++i) {
    const int fd = ConnectLocal(config.port);
    if (fd < 0) {
      r.detail = "connect " + std::to_string(i + 1) + " failed";
      for (int f : fds) close(f);
      return r;
    }
    fds.push_back(fd);
    (void)SendAllBytes(fd, "GET /small.htm HT", 1000);
    // Wait until the server has taken this one, so they are accepted in order.
    (void)testing::WaitUntil([&] { return s.panel().connection_lines() >= i + 1; }, 3000, 1);
  }
  const CannedResponses canned = BuildCannedResponses();
  int exact_limit = 0;
  for (int i = served; i < clients; ++i) {
    std::string got;
    (void)ReadUntilClosed(fds[i], got, 5000);
    const std::string date = HeaderValue(got, "Date");
    if (date.size() == 29 && got == FillCannedResponse(canned.limit, date)) ++exact_limit;
  }
  int answered_early = 0;
  for (int i = 0; i < served; ++i) {
    pollfd p{fds[i], POLLIN, 0};
    if (poll(&p, 1, 0) > 0) ++answered_early;
  }
  const int busy_free = s.server().TestFreeSlotCount();
  for (int i = 0; i < served; ++i) close(fds[i]);
  for (int i = served; i < clients; ++i) close(fds[i]);
  const std::int64_t released = NowMs();
  const int free_after = s.WaitForFreeSlots(served, 15000);
  const double free_seconds = (NowMs() - released) / 1000.0;
  int good = 0;
  for (int i = 0; i < 50; ++i) {
    const auto answer = ParseAnswer(Fetch(config.port, Get("/small.htm")));
    if (answer && answer->status == 200 && answer->body == site.small) ++good;
  }
  r.ok = exact_limit == clients - served && answered_early == 0 && busy_free == 0 &&
         free_after == served && good == 50;
  r.detail = std::to_string(exact_limit) + "/" + std::to_string(clients - served) +
             " got the exact 403; " + std::to_string(answered_early) + " of the first " +
             std::to_string(served) + " answered early; free slots " + std::to_string(busy_free) +
             " while held, " + std::to_string(free_after) + "/" + std::to_string(served) + " " +
             std::to_string(free_seconds).substr(0, 4) + " s after release; " +
             std::to_string(good) + "/50 served after";
  return r;
}

}  // namespace orvane::stress
