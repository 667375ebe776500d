// The site every check serves: a small file, a 64 MiB one and a sparse one.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "stress_check.h"

namespace orvane::stress {
namespace {

constexpr std::size_t kSmallBytes = 1024;

bool WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

std::string RandomBytes(std::size_t n, std::mt19937_64& rng) {
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

std::string Get(std::string_view path, std::string_view extra) {
  std::string r = "GET ";
  r.append(path).append(" HTTP/1.1\r\nHost: 127.0.0.1\r\n").append(extra).append("\r\n");
  return r;
}

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

}  // namespace orvane::stress
