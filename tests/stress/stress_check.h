// What the stress checks share: the run's settings, the site the server
// serves, one check's row of the result table, and the checks themselves.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::stress {

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

inline constexpr std::uint64_t kBigBytes = 64ull << 20;

struct Site {
  std::string folder;
  std::string small;                 // bytes of small.htm
  std::vector<std::uint64_t> marks;  // offsets of the data blocks in sparse.bin
  std::string sparse_path;
};

// n bytes of rng's output.
std::string RandomBytes(std::size_t n, std::mt19937_64& rng);

// A GET request for path, with `extra` header lines ("Name: value\r\n").
std::string Get(std::string_view path, std::string_view extra = "");

// Writes small.htm, big64.bin and sparse.bin into config.dir/site; false
// when a file cannot be written.
bool MakeSite(const Config& config, Site& site);

// The checks, in the order they run. Each starts its own server on
// config.port and stops it before it returns.
CheckResult CheckLimit(const Config& config, const Site& site);
CheckResult CheckStopDuringTransfers(const Config& config, const Site& site);
CheckResult CheckStalledReaders(const Config& config, const Site& site);
CheckResult CheckHostile(const Config& config, const Site& site);
CheckResult CheckSparse(const Config& config, const Site& site);
CheckResult CheckLingering(const Config& config, const Site& site);
CheckResult CheckListingMemory(const Config& config, const Site& site);

}  // namespace orvane::stress
