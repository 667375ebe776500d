// orvane_stress: load, faults and hostile input against the service, which
// runs in this process so the checks can stop and restart it, shorten its
// waits and look at its slots, descriptors and memory. Every client is on
// 127.0.0.1 and every loop is bounded in count and time.
//   orvane_stress [--short] [--only N] [--port N] [--dir FOLDER]
// Prints one table; exits 1 when a check fails.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "net/net_socket.h"
#include "stress_check.h"
#include "stress_server.h"

namespace orvane::stress {
namespace {

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
      CheckLimit,  CheckStopDuringTransfers, CheckStalledReaders, CheckHostile,
      CheckSparse, CheckLingering,           CheckListingMemory};
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
