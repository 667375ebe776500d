// Clients that ask for the listing of a folder of long names full of "&"
// (each row many times its name) and never read: the server's memory stays
// bounded (a page stops growing past its byte budget, a few are built at
// once, none is copied again to be sent), and every worker comes back.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "http/server_options.h"
#include "stress_check.h"
#include "stress_client.h"
#include "stress_server.h"

namespace orvane::stress {

CheckResult CheckListingMemory(const Config& config, const Site& site) {
  const int clients = 100;
  const int names = config.short_form ? 3000 : 10000;
  constexpr long kCeilingKib = 400 * 1024;
  CheckResult r{"100 clients ask for a listing of long names and never read", false, "", 0};
  const std::filesystem::path folder = std::filesystem::path(site.folder) / "many";
  std::filesystem::create_directories(folder);
  for (int i = 0; i < names; ++i) {
    const std::string number = std::to_string(100000 + i);
    std::ofstream(folder / (std::string(255 - number.size(), '&') + number));
  }
  ServerOptions options;
  options.send_wait_ms = config.short_form ? 2000 : 4000;
  options.linger_ms = 200;
  StressServer s(config.port, site.folder, options);
  ServingOptions listing;
  listing.list_folders = true;
  s.server().SetServingOptions(listing);
  if (!s.running()) return r.detail = "server did not start", r;
  const int idle_free = s.WaitForFreeSlots(s.slot_count() - 1, 2000);
  const int idle_threads = ThreadCount();
  const long before_kib = ResidentKib();
  const std::int64_t requests = s.panel().request_lines();
  std::vector<int> fds;
  for (int i = 0; i < clients; ++i) {
    const int fd = ConnectLocal(config.port, 4096);
    if (fd < 0 || !SendAllBytes(fd, Get("/many/"), 1000)) break;
    fds.push_back(fd);
    // One at a time: the listen backlog is the design's five, and a client
    // that finds it full waits a second to try again.
    for (int waited = 0; s.panel().request_lines() < requests + i + 1 && waited < 2000;
         waited += 2) {
      SleepMs(2);
    }
  }
  // Every request read, every page made and held, unread, until the send
  // wait ends.
  long peak_kib = before_kib;
  const std::int64_t give_up = NowMs() + options.send_wait_ms * 3;
  while ((s.panel().request_lines() < requests + static_cast<std::int64_t>(fds.size()) ||
          s.server().TestFreeSlotCount() < idle_free) &&
         NowMs() < give_up) {
    peak_kib = std::max(peak_kib, ResidentKib());
    SleepMs(20);
  }
  for (int fd : fds) close(fd);
  const int free_after = s.WaitForFreeSlots(idle_free, 10000);
  // Threads end a moment after their slots are free again.
  int threads_after = ThreadCount();
  for (int i = 0; i < 100 && threads_after > idle_threads; ++i, SleepMs(50)) {
    threads_after = ThreadCount();
  }
  std::filesystem::remove_all(folder);
  r.ok = static_cast<int>(fds.size()) == clients && peak_kib < kCeilingKib &&
         free_after == idle_free && threads_after <= idle_threads;
  r.detail = std::to_string(names) + " names; memory " + std::to_string(before_kib / 1024) +
             " MB before, at most " + std::to_string(peak_kib / 1024) + " MB (ceiling " +
             std::to_string(kCeilingKib / 1024) + "); slots free " + std::to_string(free_after) +
             "/" + std::to_string(idle_free) + ", threads " + std::to_string(threads_after) + "/" +
             std::to_string(idle_threads);
  return r;
}

}  // namespace orvane::stress
