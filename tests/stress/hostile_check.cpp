// Thousands of connections with malformed, oversized and malicious requests
// from 16 threads: each gets an allowed answer or none, and afterwards the
// descriptors, the memory and the slots are as before.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "http/server_options.h"
#include "stress_check.h"
#include "support/wait.h"
#include "stress_client.h"
#include "stress_server.h"

namespace orvane::stress {
namespace {

// The most client bytes a connection that the kernel completes from a SYN
// cookie can start past: the cookie's check takes a later segment's sequence
// number for the first one and still passes when it is off by at most the
// cookie's MSS index (0-3; 3 on the loopback interface).
constexpr std::size_t kCookieSkipBytes = 3;

struct HostileKind {
  std::string name;
  // Makes the bytes of one connection.
  std::function<std::string(std::mt19937_64&)> make;
  // Statuses allowed; 0 stands for "no answer at all".
  std::vector<int> allowed;
};

std::string PaddedGet(std::size_t total) {
  std::string r = "GET /small.htm HTTP/1.1\r\nX-Pad: ";
  const std::string tail = "\r\n\r\n";
  r.append(total - r.size() - tail.size(), 'a');
  r.append(tail);
  return r;
}

std::vector<HostileKind> HostileKinds() {
  // clang-format off
  const std::vector<std::string> absurd_ranges = {
      "bytes=99999999999999999999999999-", "bytes=18446744073709551615-",
      "bytes=18446744073709551616-",       "bytes=-99999999999999999999",
      "bytes=-0",                          "bytes=0-",
      "bytes=1024-",                       "bytes=1025-",
      "bytes=5-3",                         "bytes=1e10-",
      "bytes=0x10-",                       "bytes=+5-",
      "bytes=-",                           "bytes= 5 - 9 ",
      "bytes=1-2,3-4",                     "bytes=\xA3\xB1\xA3\xB0-",
      "bytes=" + std::string(5000, '9') + "-", "items=1-2",
      "bytes=-1-2",                        "bytes=\x01\x02-\xFF"};
  return {
      {"random bytes",
       [](std::mt19937_64& rng) {
         std::string s = RandomBytes(1 + rng() % 2000, rng);
         if (s[0] == 'G') s[0] = 'X';
         return s;
       },
       {0}},
      {"truncated GET",
       [](std::mt19937_64& rng) {
         const std::string full = Get("/small.htm", "Range: bytes=10-20\r\n");
         return full.substr(0, 3 + rng() % (full.size() - 4));
       },
       {200, 206, 404}},
      {"8191-byte request", [](std::mt19937_64&) { return PaddedGet(8191); }, {200}},
      {"100 KiB request", [](std::mt19937_64&) { return PaddedGet(100 * 1024); }, {200}},
      {"NUL bytes",
       [](std::mt19937_64& rng) {
         std::string s = Get("/small.htm");
         s[3 + rng() % (s.size() - 3)] = '\0';
         return s;
       },
       {200, 404}},
      {"NUL in method", [](std::mt19937_64&) { return std::string("GE\0T / HTTP/1.1\r\n\r\n", 19); }, {0}},
      {"bare LF", [](std::mt19937_64&) { return std::string("GET /small.htm HTTP/1.1\nHost: a\n\n"); }, {404}},
      {"absurd Range",
       [absurd_ranges](std::mt19937_64& rng) {
         return Get("/small.htm", "Range: " + absurd_ranges[rng() % absurd_ranges.size()] + "\r\n");
       },
       {200, 206, 416, 500}},
      {"escape from the site",
       [](std::mt19937_64& rng) {
         const char* paths[] = {"/../../../../etc/passwd", "/..%2f..%2f..%2fetc%2fpasswd",
                                "/%2e%2e/%2e%2e/etc/passwd", "/..\\..\\etc\\passwd",
                                "//etc/passwd", "/%", "/%zz", "/%00small.htm"};
         return Get(paths[rng() % 8]);
       },
       {403, 404, 500}},
  };
  // clang-format on
}

}  // namespace

CheckResult CheckHostile(const Config& config, const Site& site) {
  CheckResult r{std::to_string(config.hostile_connections) + " hostile connections", false, "", 0};
  StressServer s(config.port, site.folder, ServerOptions{});
  if (!s.running()) return r.detail = "server did not start", r;
  const std::vector<HostileKind> kinds = HostileKinds();
  std::mutex mutex;
  std::map<std::string, std::map<int, int>> seen;  // kind -> status -> count; guarded by mutex
  std::vector<std::string> faults;                 // guarded by mutex
  int resets = 0;    // ended by a reset before any answer byte; guarded by mutex
  int emptied = 0;   // accepted with none of the client's bytes; guarded by mutex
  int attempts = 0;  // guarded by mutex
  const auto storm = [&](int total, std::uint64_t seed) {
    constexpr int kThreads = 16;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        std::mt19937_64 rng(seed + static_cast<std::uint64_t>(t));
        for (int i = t; i < total; i += kThreads) {
          const HostileKind& kind = kinds[rng() % kinds.size()];
          const std::string bytes = kind.make(rng);
          // The client's port is taken before the connect and the server's
          // lines for it read then, so its connection line cannot come first.
          int fd = BoundLocalSocket();
          const int port = fd >= 0 ? LocalPort(fd) : 0;
          const CountingPanel::PortLines before = s.panel().LinesForPort(port);
          const std::int64_t cookies_at_connect = SynCookieConnections();
          if (fd >= 0 && !ConnectTo(fd, config.port)) {
            close(fd);
            fd = -1;
          }
          std::string got;
          bool closed = false;
          bool reset = false;
          CountingPanel::PortLines after = before;
          if (fd >= 0) {
            (void)SendAllBytes(fd, bytes, 5000);
            shutdown(fd, SHUT_WR);  // the server judges what arrived at once
            closed = ReadUntilClosed(fd, got, 15000, &reset);
            after = s.panel().LinesForPort(port);  // the port is still ours
            close(fd);
          }
          int status = -1;
          if (got.empty()) {
            status = 0;
          } else if (const auto answer = ParseAnswer(got)) {
            status = answer->status;
            if (answer->body.find("root:") != std::string::npos) status = -2;
            if (status == 200 && answer->body != site.small) status = -3;
          }
          const bool allowed =
              std::find(kind.allowed.begin(), kind.allowed.end(), status) != kind.allowed.end();
          std::lock_guard<std::mutex> lock(mutex);
          ++attempts;
          if (reset && got.empty()) {
            // Either the server never accepted it (checked below), or a fault.
            ++resets;
            continue;
          }
          if (closed && got.empty() && after.connections > before.connections &&
              after.requests == before.requests && bytes.size() <= kCookieSkipBytes &&
              cookies_at_connect >= 0 && SynCookieConnections() > cookies_at_connect) {
            // Accepted, but not one of its bytes reached the server: a
            // connection the kernel set up from a SYN cookie, while this one
            // lived, past all of its few bytes. The server rightly closed it
            // unanswered.
            ++emptied;
            continue;
          }
          ++seen[kind.name][status];
          if (fd < 0 || !closed || !allowed) {
            if (faults.size() < 5) {
              std::string shown;
              for (char c : bytes.substr(0, 60)) {
                shown += (c >= 32 && c < 127)
                             ? std::string(1, c)
                             : "\\x" + std::to_string(static_cast<unsigned char>(c));
              }
              faults.push_back(kind.name + ": status " + std::to_string(status) +
                               (fd < 0   ? " (no connect)"
                                : closed ? ""
                                         : " (no close)") +
                               (reset ? " (reset)" : "") + " [" + shown + "]");
            } else if (faults.size() == 5) {
              faults.push_back("...");
            }
          }
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
  };
  // A warm-up settles the memory allocator's and the thread cache's sizes,
  // then the figures are taken and the storm runs.
  storm(1000, 1);
  const int idle_free = s.WaitForFreeSlots(s.slot_count() - 1, 10000);
  SleepMs(200);
  const int fds_before = OpenDescriptorCount();
  const long rss_before = ResidentKib();
  {
    std::lock_guard<std::mutex> lock(mutex);
    seen.clear();
    faults.clear();
    resets = 0;
    emptied = 0;
    attempts = 0;
  }
  const std::int64_t accepted_before = s.panel().connection_lines();
  const std::int64_t cookies_before = SynCookieConnections();
  const std::int64_t start = NowMs();
  storm(config.hostile_connections, 1000);
  const std::int64_t cookies_after = SynCookieConnections();
  const std::int64_t cookies =
      cookies_before < 0 || cookies_after < 0 ? 0 : cookies_after - cookies_before;
  // With a listen backlog of 5, bursts overflow the kernel's queues; a
  // connection it then admits by SYN cookie can fail the cookie check and be
  // reset before the server ever accepts it. Such resets are the kernel's,
  // not the server's: there must be exactly as many as connections the
  // server never saw. A cookie connection can also be set up from a segment
  // later than the handshake's last one and then starts past the bytes sent
  // before it: the server reads an empty request and rightly closes it.
  // Those are counted by client port (a connection line but no request line
  // for it); only a request of at most kCookieSkipBytes can lose all its
  // bytes so, only while the kernel set up a cookie connection, no more of
  // them than it set up, and they must stay rare. Anything else without an
  // answer is the server's fault.
  const std::int64_t never_accepted = attempts - (s.panel().connection_lines() - accepted_before);
  const double storm_seconds = (NowMs() - start) / 1000.0;
  const int free_after = s.WaitForFreeSlots(idle_free, 15000);
  int fds_after = 0;
  (void)testing::WaitUntil(  // lingering closes end within 2 s
      [&] {
        fds_after = OpenDescriptorCount();
        return fds_after <= fds_before;
      },
      5000, 50);
  const long rss_after = ResidentKib();
  const auto answer = ParseAnswer(Fetch(config.port, Get("/small.htm")));
  const bool up = s.running() && answer && answer->status == 200 && answer->body == site.small;
  const bool rss_back = rss_after <= rss_before + rss_before / 10 + 4096;
  r.ok = faults.empty() && up && free_after == idle_free && fds_after == fds_before && rss_back &&
         attempts == config.hostile_connections && resets == never_accepted && emptied <= cookies &&
         emptied * 100 <= attempts;
  std::string mix;
  for (const auto& [name, statuses] : seen) {
    mix += "\n      " + name + ":";
    for (const auto& [status, count] : statuses) {
      mix += " " + (status == 0 ? std::string("none") : std::to_string(status)) + "x" +
             std::to_string(count);
    }
  }
  r.detail = std::to_string(storm_seconds).substr(0, 5) + " s; fds " + std::to_string(fds_before) +
             " -> " + std::to_string(fds_after) + "; RSS " + std::to_string(rss_before / 1024) +
             " -> " + std::to_string(rss_after / 1024) + " MiB; slots free " +
             std::to_string(free_after) + "/" + std::to_string(idle_free) +
             (up ? "; still serving" : "; NOT serving") + "; " + std::to_string(resets) +
             " reset before an answer, " + std::to_string(never_accepted) + " never accepted, " +
             std::to_string(emptied) + " accepted without a byte (" +
             std::to_string(attempts > 0 ? emptied * 100.0 / attempts : 0.0).substr(0, 4) +
             " %; the kernel set up " + std::to_string(cookies) +
             " connections from SYN cookies under the backlog of 5)";
  for (const std::string& f : faults) r.detail += "\n      fault: " + f;
  r.detail += mix;
  return r;
}

}  // namespace orvane::stress
