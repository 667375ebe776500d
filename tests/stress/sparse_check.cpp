// A sparse file past 4 GiB, whole (its SHA-256 against the file's) and in
// random ranges read from 8 threads, each compared with the file's bytes.
#include <fcntl.h>
#include <openssl/evp.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "http/server_options.h"
#include "stress_check.h"
#include "stress_client.h"
#include "stress_server.h"

namespace orvane::stress {
namespace {

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

}  // namespace

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

}  // namespace orvane::stress
