// zip-bench MODE PATH: one turn of ./x bench zip, one line of figures.
//   read-file FILE   read() of one file in pieces of 256 KiB
//   read-zip DIR     the folder's archive through ArchiveBody::Read, same pieces
//   send-file FILE   sendfile() of one file over a loopback connection
//   send-zip DIR     the archive's spans over a loopback connection: made bytes
//                    with send(), file ranges with sendfile(); twice, the second
//                    time with the CRCs the first one left in the cache
//   send-zip-read DIR  the archive read into a buffer and sent with send()
// A thread of the same process drains the connection. The line gives the
// seconds, GiB/s, the bytes and the process's peak resident memory in MB;
// for a folder, also the walk's own seconds; and the processor time of the
// turn, user and system (both ends of the connection).
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

#include "http/archive/archive_walk.h"

namespace {

using orvane::ArchiveBody;
using orvane::ArchiveLayout;
using orvane::ArchiveWalk;
using orvane::CrcCache;

constexpr std::size_t kPiece = 256 * 1024;

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The process's processor time so far, user and system, in seconds.
struct Cpu {
  double user = 0;
  double system = 0;
  static Cpu Now() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
      return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return Cpu{seconds(usage.ru_utime), seconds(usage.ru_stime)};
  }
};

double PeakMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// One line of figures; `cpu` is the processor time at the turn's start (both
// ends of a loopback connection count: the drain is a thread of this process).
void Report(const char* mode, double seconds, std::uint64_t bytes, double walk_seconds,
            const Cpu& cpu) {
  const Cpu now = Cpu::Now();
  std::printf("%s seconds=%.3f gibps=%.3f bytes=%llu walk=%.3f peak_mb=%.1f user=%.2f sys=%.2f\n",
              mode, seconds, static_cast<double>(bytes) / seconds / (1u << 30),
              static_cast<unsigned long long>(bytes), walk_seconds, PeakMb(), now.user - cpu.user,
              now.system - cpu.system);
}

// A connected pair on 127.0.0.1: the sending end, and a thread that reads
// the other end until it closes, counting the bytes.
struct Loopback {
  int sender = -1;
  std::thread drain;
  std::uint64_t received = 0;

  bool Open() {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return false;
    }
    sender = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(sender, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
    const int receiver = accept(listener, nullptr, nullptr);
    close(listener);
    if (receiver < 0) return false;
    drain = std::thread([this, receiver] {
      std::string buffer(kPiece, '\0');
      for (ssize_t got; (got = recv(receiver, buffer.data(), buffer.size(), 0)) > 0;)
        received += static_cast<std::uint64_t>(got);
      close(receiver);
    });
    return true;
  }
  // Closes the sending end and waits until the other end has read it all.
  std::uint64_t Finish() {
    shutdown(sender, SHUT_WR);
    drain.join();
    close(sender);
    return received;
  }
};

// `more`: file bytes follow at once, so the kernel may hold a short piece
// back to fill a segment with them.
bool SendAll(int socket_fd, const char* data, std::size_t size, bool more = false) {
  while (size > 0) {
    const ssize_t sent = send(socket_fd, data, size, more ? MSG_MORE : 0);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool SendFileRange(int socket_fd, int file, std::uint64_t offset, std::uint64_t count) {
  auto at = static_cast<off_t>(offset);
  while (count > 0) {
    const ssize_t sent = sendfile(socket_fd, file, &at, count);
    if (sent <= 0) return false;
    count -= static_cast<std::uint64_t>(sent);
  }
  return true;
}

int ReadFile(const char* path) {
  const int fd = open(path, O_RDONLY);
  std::string buffer(kPiece, '\0');
  std::uint64_t total = 0;
  const Cpu cpu = Cpu::Now();
  const auto start = std::chrono::steady_clock::now();
  for (ssize_t got; (got = read(fd, buffer.data(), buffer.size())) > 0;)
    total += static_cast<std::uint64_t>(got);
  Report("read-file", Since(start), total, 0, cpu);
  close(fd);
  return 0;
}

int SendFile(const char* path) {
  Loopback loop;
  if (!loop.Open()) return 1;
  const int fd = open(path, O_RDONLY);
  const Cpu cpu = Cpu::Now();
  const auto start = std::chrono::steady_clock::now();
  const off_t size = lseek(fd, 0, SEEK_END);
  if (!SendFileRange(loop.sender, fd, 0, static_cast<std::uint64_t>(size))) return 1;
  const std::uint64_t received = loop.Finish();
  Report("send-file", Since(start), received, 0, cpu);
  close(fd);
  return received == static_cast<std::uint64_t>(size) ? 0 : 1;
}

ArchiveWalk Walk(const char* folder, double& seconds) {
  const auto start = std::chrono::steady_clock::now();
  ArchiveWalk walk = orvane::WalkForArchive(orvane::platform::FileName{folder, "", true}, nullptr);
  seconds = Since(start);
  return walk;
}

// Drains `body` as a zero-copy send loop would.
bool SendSpans(ArchiveBody& body, int socket_fd) {
  for (;;) {
    const ArchiveBody::Span span = body.NextSpan(std::uint64_t{1} << 30);
    switch (span.kind) {
      case ArchiveBody::Span::Kind::kEnd:
        return true;
      case ArchiveBody::Span::Kind::kFailed:
        return false;
      case ArchiveBody::Span::Kind::kBytes:
        if (!SendAll(socket_fd, span.bytes.data(), span.bytes.size(), true)) return false;
        body.Advance(span.bytes.size());
        break;
      case ArchiveBody::Span::Kind::kFile:
        if (!SendFileRange(socket_fd, static_cast<int>(span.file), span.offset, span.count))
          return false;
        body.Advance(span.count);
        break;
    }
  }
}

int Zip(const std::string& mode, const char* folder) {
  double walk_seconds = 0;
  Cpu cpu = Cpu::Now();
  const auto start = std::chrono::steady_clock::now();
  ArchiveWalk walk = Walk(folder, walk_seconds);
  if (walk.outcome != ArchiveWalk::Outcome::kDone) return 1;
  const auto layout = std::make_shared<const ArchiveLayout>(std::move(walk.entries));
  CrcCache cache;
  const int turns = mode == "send-zip" ? 2 : 1;
  for (int turn = 0; turn < turns; ++turn) {
    const auto turn_start = turn == 0 ? start : std::chrono::steady_clock::now();
    ArchiveBody body(layout, orvane::DiskEntryOpener(walk), &cache, orvane::CachePrefixOf(walk));
    std::uint64_t total = 0;
    if (mode == "read-zip") {
      std::string buffer(kPiece, '\0');
      for (std::int64_t got; (got = body.Read(buffer.data(), buffer.size())) > 0;)
        total += static_cast<std::uint64_t>(got);
    } else {
      Loopback loop;
      if (!loop.Open()) return 1;
      bool sent = true;
      if (mode == "send-zip") {
        sent = SendSpans(body, loop.sender);
      } else {
        std::string buffer(kPiece, '\0');
        for (std::int64_t got; sent && (got = body.Read(buffer.data(), buffer.size())) > 0;)
          sent = SendAll(loop.sender, buffer.data(), static_cast<std::size_t>(got));
      }
      total = loop.Finish();
      if (!sent) return 1;
    }
    const std::string label = mode + (turns == 2 ? (turn == 0 ? "-cold" : "-cached") : "");
    Report(label.c_str(), Since(turn_start), total, turn == 0 ? walk_seconds : 0, cpu);
    cpu = Cpu::Now();
    if (total != layout->length() || body.fault()) return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: zip-bench read-file|read-zip|send-file|send-zip|send-zip-read PATH\n");
    return 2;
  }
  const std::string mode = argv[1];
  if (mode == "read-file") return ReadFile(argv[2]);
  if (mode == "send-file") return SendFile(argv[2]);
  return Zip(mode, argv[2]);
}
