// orvane_stress: load, faults and hostile input against the service, which
// runs in this process so the checks can stop and restart it, shorten its
// waits and look at its slots, descriptors and memory. Every client is on
// 127.0.0.1 and every loop is bounded in count and time.
//   orvane_stress [--short] [--only N] [--port N] [--dir FOLDER]
// Prints one table; exits 1 when a check fails.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "http/core/responses.h"
#include "http/server_options.h"
#include "net/net_socket.h"
#include "stress_client.h"
#include "stress_server.h"

namespace orvane::stress {
namespace {

struct Config {
  bool short_form = false;
  std::uint16_t port = 0;  // 0: a free one is probed
  std::string dir;
  std::uint64_t sparse_bytes = 5ull << 30;
  int ranges = 1000;
  int hostile_connections = 20000;
  int slow_transfers = 200;
  int lingering_clients = 10000;
  int only = 0;  // 1-based number of the one check to run; 0 runs all
};

struct CheckResult {
  std::string name;
  bool ok = false;
  std::string detail;
  double seconds = 0;
};

constexpr std::uint64_t kBigBytes = 64ull << 20;
constexpr std::size_t kSmallBytes = 1024;
// The most client bytes a connection that the kernel completes from a SYN
// cookie can start past: the cookie's check takes a later segment's sequence
// number for the first one and still passes when it is off by at most the
// cookie's MSS index (0-3; 3 on the loopback interface).
constexpr std::size_t kCookieSkipBytes = 3;

std::string RandomBytes(std::size_t n, std::mt19937_64& rng) {
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::string Get(std::string_view path, std::string_view extra = "") {
  std::string r = "GET ";
  r.append(path).append(" HTTP/1.1\r\nHost: 127.0.0.1\r\n").append(extra).append("\r\n");
  return r;
}

// ---- the site ----------------------------------------------------------

struct Site {
  std::string folder;
  std::string small;                 // bytes of small.htm
  std::vector<std::uint64_t> marks;  // offsets of the data blocks in sparse.bin
  std::string sparse_path;
};

bool MakeSite(const Config& config, Site& site) {
  std::mt19937_64 rng(20261207);
  site.folder = config.dir + "/site";
  std::filesystem::create_directories(site.folder);
  site.small = RandomBytes(kSmallBytes, rng);
  if (!WriteFile(site.folder + "/small.htm", site.small)) return false;
  if (!WriteFile(site.folder + "/big64.bin", RandomBytes(kBigBytes, rng))) return false;
  // A sparse file: holes, with 64 KiB of random data at the start, the end
  // and 62 places between, so a wrong offset shows in the bytes.
  site.sparse_path = site.folder + "/sparse.bin";
  const int fd = open(site.sparse_path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = ftruncate(fd, static_cast<off_t>(config.sparse_bytes)) == 0;
  constexpr std::uint64_t kBlock = 64 * 1024;
  site.marks.push_back(0);
  site.marks.push_back(config.sparse_bytes - kBlock);
  for (int i = 0; i < 62; ++i) site.marks.push_back(rng() % (config.sparse_bytes - kBlock));
  for (std::uint64_t mark : site.marks) {
    const std::string block = RandomBytes(kBlock, rng);
    ok = ok && pwrite(fd, block.data(), block.size(), static_cast<off_t>(mark)) ==
                   static_cast<ssize_t>(block.size());
  }
  return close(fd) == 0 && ok;
}

// ---- 1: the connection limit ------------------------------------------

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
    const std::int64_t deadline = NowMs() + 3000;
    while (s.panel().connection_lines() < i + 1 && NowMs() < deadline) SleepMs(1);
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
  const int busy_free = s.server().pool().FreeSlotCount();
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

// ---- 2: StopServer during transfers to slow readers ---------------------

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
    const std::int64_t deadline = NowMs() + 3000;
    while (s.panel().connection_lines() < i + 1 && NowMs() < deadline) SleepMs(1);
    if (i % 20 == 19) read_round();
  }
  const std::int64_t read_until = NowMs() + 1500;
  while (NowMs() < read_until) {
    read_round();
    SleepMs(10);
  }
  const int busy_before = s.slot_count() - s.server().pool().FreeSlotCount();
  const std::int64_t stop_at = NowMs();
  s.server().StopServer();
  const int free_after = s.WaitForFreeSlots(s.slot_count(), 15000);
  const double stop_seconds = (NowMs() - stop_at) / 1000.0;
  const bool start_enabled = s.panel().IsStartEnabled();
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
  s.server().StartServer();
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

// ---- 3: a client that stops reading --------------------------------------

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
  const int free_while_stalled = s.server().pool().FreeSlotCount();
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

// ---- 4: hostile input ------------------------------------------------------

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
  int fds_after = OpenDescriptorCount();
  for (int i = 0; i < 100 && fds_after > fds_before; ++i) {  // lingering closes end within 2 s
    SleepMs(50);
    fds_after = OpenDescriptorCount();
  }
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

// ---- 5: a sparse file larger than 4 GiB ------------------------------------

std::string HexOf(const unsigned char* digest, unsigned size) {
  static const char* kHex = "0123456789abcdef";
  std::string s;
  for (unsigned i = 0; i < size; ++i) {
    s.push_back(kHex[digest[i] >> 4]);
    s.push_back(kHex[digest[i] & 15]);
  }
  return s;
}

class Sha256 {
 public:
  Sha256() : context_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(context_, EVP_sha256(), nullptr); }
  ~Sha256() { EVP_MD_CTX_free(context_); }
  void Add(const char* data, std::size_t size) { EVP_DigestUpdate(context_, data, size); }
  std::string Hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    EVP_DigestFinal_ex(context_, digest, &size);
    return HexOf(digest, size);
  }

 private:
  EVP_MD_CTX* context_;
};

std::string FileSha256(const std::string& path) {
  Sha256 sha;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<char> buffer(1 << 20);
  ssize_t got;
  while ((got = read(fd, buffer.data(), buffer.size())) > 0) sha.Add(buffer.data(), got);
  close(fd);
  return sha.Hex();
}

CheckResult CheckSparse(const Config& config, const Site& site) {
  const std::string size_text = std::to_string(config.sparse_bytes >> 30) + " GiB";
  CheckResult r{size_text + " sparse file whole + " + std::to_string(config.ranges) + " ranges",
                false, "", 0};
  StressServer s(config.port, site.folder, ServerOptions{});
  if (!s.running()) return r.detail = "server did not start", r;
  std::string expected_hash;
  std::thread hasher([&] { expected_hash = FileSha256(site.sparse_path); });
  // The whole file, hashed as it arrives.
  Sha256 sha;
  std::string head;
  std::uint64_t body_bytes = 0;
  const std::int64_t start = NowMs();
  const int fd = ConnectLocal(config.port);
  bool closed = false;
  if (fd >= 0 && SendAllBytes(fd, Get("/sparse.bin"), 2000)) {
    std::vector<char> buffer(1 << 20);
    const std::int64_t deadline = NowMs() + 300000;
    while (NowMs() < deadline) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 15000) <= 0) break;
      const long got = ReadAvailable(fd, buffer.data(), buffer.size());
      if (got == 0) {
        closed = true;
        break;
      }
      if (got == -2) break;
      if (got < 0) continue;
      std::size_t from = 0;
      if (head.empty() || head.find("\r\n\r\n") == std::string::npos) {
        const std::size_t before = head.size();
        head.append(buffer.data(), static_cast<std::size_t>(got));
        const std::size_t end = head.find("\r\n\r\n");
        if (end == std::string::npos) continue;
        from = end + 4 - before;
        head.resize(end + 4);
      }
      sha.Add(buffer.data() + from, static_cast<std::size_t>(got) - from);
      body_bytes += static_cast<std::uint64_t>(got) - from;
    }
  }
  if (fd >= 0) close(fd);
  const double whole_seconds = (NowMs() - start) / 1000.0;
  hasher.join();
  const std::string got_hash = sha.Hex();
  const bool whole_ok = closed && body_bytes == config.sparse_bytes && got_hash == expected_hash &&
                        HeaderValue(head, "Content-Length") == std::to_string(config.sparse_bytes);
  // Random ranges, half of them touching a data block, checked against the file.
  std::atomic<int> exact{0};
  std::atomic<int> wrong{0};
  const int file_fd = open(site.sparse_path.c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937_64 rng(77 + static_cast<std::uint64_t>(t));
      for (int i = t; i < config.ranges; i += 8) {
        std::uint64_t first = (i % 2 == 0)
                                  ? site.marks[rng() % site.marks.size()] + rng() % (96 * 1024)
                                  : rng() % config.sparse_bytes;
        first = std::min(first, config.sparse_bytes - 1);
        const std::uint64_t span = 1 + rng() % (128 * 1024);
        const bool open_ended = i % 10 == 0 && config.sparse_bytes - first < 4 * 1024 * 1024;
        std::uint64_t last = std::min(first + span - 1, config.sparse_bytes - 1);
        std::string range = "Range: bytes=" + std::to_string(first) + "-";
        if (!open_ended)
          range += std::to_string(first + span - 1);
        else
          last = config.sparse_bytes - 1;
        const auto answer =
            ParseAnswer(Fetch(config.port, Get("/sparse.bin", range + "\r\n"), 15000));
        std::string want(last - first + 1, '\0');
        const bool read_ok = pread(file_fd, want.data(), want.size(), static_cast<off_t>(first)) ==
                             static_cast<ssize_t>(want.size());
        const std::string content_range = "bytes " + std::to_string(first) + "-" +
                                          std::to_string(last) + "/" +
                                          std::to_string(config.sparse_bytes);
        if (read_ok && answer && answer->status == 206 && answer->body == want &&
            HeaderValue(answer->head, "Content-Range") == content_range) {
          ++exact;
        } else {
          ++wrong;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  close(file_fd);
  r.ok = whole_ok && exact == config.ranges;
  const double mib_s = body_bytes / 1048576.0 / (whole_seconds > 0 ? whole_seconds : 1);
  r.detail = std::string("whole: ") + (whole_ok ? "identical SHA-256 " : "MISMATCH ") +
             got_hash.substr(0, 16) + "..., " + std::to_string(body_bytes) + " bytes in " +
             std::to_string(whole_seconds).substr(0, 5) + " s (" +
             std::to_string(static_cast<int>(mib_s)) +
             " MiB/s); ranges: " + std::to_string(exact.load()) + " exact, " +
             std::to_string(wrong.load()) + " wrong";
  return r;
}

// ---- 6: clients that read their answer and never close ---------------------

CheckResult CheckLingering(const Config& config, const Site& site) {
  CheckResult r{std::to_string(config.lingering_clients) + " clients that never close", false, "",
                0};
  // The workers of the checks before may still be leaving the system's
  // thread list; only this thread should remain.
  for (int i = 0; i < 100 && ThreadCount() > 1; ++i) SleepMs(50);
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
  int threads_after = ThreadCount();
  int fds_after = OpenDescriptorCount();
  for (int i = 0; i < 100 && (threads_after > idle_threads || fds_after > idle_fds); ++i) {
    SleepMs(50);  // the drains see the clients' close and end
    threads_after = ThreadCount();
    fds_after = OpenDescriptorCount();
  }
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

// A port the server can take (it takes ports up to 32767) that nothing on
// this machine holds now: several runs may share the machine. 0 when none.
std::uint16_t ProbeFreePort() {
  std::mt19937 rng(std::random_device{}());
  for (int attempt = 0; attempt < 200; ++attempt) {
    const auto port = static_cast<std::uint16_t>(20000 + rng() % 12000);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_ANY);
    const bool free = bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
    close(fd);
    if (free) return port;
  }
  return 0;
}

int Main(int argc, char** argv) {
  Config config;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--short") {
      config.short_form = true;
    } else if (arg == "--port" && i + 1 < argc) {
      config.port = static_cast<std::uint16_t>(std::atoi(argv[++i]));
    } else if (arg == "--only" && i + 1 < argc) {
      config.only = std::atoi(argv[++i]);
    } else if (arg == "--dir" && i + 1 < argc) {
      config.dir = argv[++i];
    } else {
      std::fprintf(stderr, "usage: %s [--short] [--only N] [--port N] [--dir FOLDER]\n", argv[0]);
      return 2;
    }
  }
  if (config.port == 0) config.port = ProbeFreePort();
  if (config.port == 0) {
    std::fprintf(stderr, "no free port found\n");
    return 1;
  }
  if (config.short_form) {
    config.sparse_bytes = 1ull << 30;
    config.ranges = 100;
    config.hostile_connections = 5000;
    config.lingering_clients = 3000;
  }
  // 600 clients and their 600 server ends, plus the pool: raise the soft
  // descriptor limit to the hard one.
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
  bool own_dir = false;
  if (config.dir.empty()) {
    char pattern[] = "/tmp/orvane-stress.XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    config.dir = pattern;
    own_dir = true;
  }
  net::SocketLibrary socket_library;
  Site site;
  if (!MakeSite(config, site)) {
    std::fprintf(stderr, "could not make the site in %s\n", config.dir.c_str());
    return 1;
  }
  const std::vector<std::function<CheckResult(const Config&, const Site&)>> checks = {
      CheckLimit,    CheckStopDuringTransfers, CheckStalledReaders, CheckHostile, CheckSparse,
      CheckLingering};
  std::vector<CheckResult> results;
  const std::int64_t all_start = NowMs();
  for (std::size_t n = 0; n < checks.size(); ++n) {
    if (config.only != 0 && config.only != static_cast<int>(n + 1)) continue;
    const auto& check = checks[n];
    const std::int64_t start = NowMs();
    CheckResult result = check(config, site);
    result.seconds = (NowMs() - start) / 1000.0;
    std::fprintf(stderr, "%s %s (%.1f s)\n", result.ok ? "ok  " : "FAIL", result.name.c_str(),
                 result.seconds);
    results.push_back(std::move(result));
  }
  if (own_dir) std::filesystem::remove_all(config.dir);

  std::printf("\nOrvaneServer stress (%s form), port %u\n", config.short_form ? "short" : "full",
              config.port);
  std::printf("%-6s %-52s %8s  %s\n", "result", "check", "seconds", "figures");
  bool all_ok = true;
  for (const CheckResult& result : results) {
    all_ok = all_ok && result.ok;
    std::printf("%-6s %-52s %8.1f  %s\n", result.ok ? "ok" : "FAIL", result.name.c_str(),
                result.seconds, result.detail.c_str());
  }
  std::printf("total %.1f s: %s\n", (NowMs() - all_start) / 1000.0,
              all_ok ? "every check passed" : "SOME CHECKS FAILED");
  return all_ok ? 0 : 1;
}

}  // namespace
}  // namespace orvane::stress

int main(int argc, char** argv) { return orvane::stress::Main(argc, argv); }
