#include "stress_server.h"

#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "platform/codepage.h"

namespace orvane::stress {

InfoBoxAnswer CountingPanel::ShowInfoBox(std::string_view text, InfoBoxKind) {
  std::fprintf(stderr, "information box: %.*s\n", static_cast<int>(text.size()), text.data());
  return InfoBoxAnswer::kOk;
}

StressServer::StressServer(std::uint16_t port, const std::string& folder,
                           const ServerOptions& options)
    : panel_(std::to_string(port), folder),
      slot_count_(options.slot_count),
      server_(std::make_unique<Server>(panel_, platform::AnsiCodePage(), options)) {
  server_->BuildWorkerPool();
  server_->BuildCannedResponses();
  server_->StartServer();
}

StressServer::~StressServer() {
  server_->StopServer();
  if (!server_->FinalShutdown())
    std::fprintf(stderr, "stress: a worker outlived the shutdown wait\n");
}

int StressServer::WaitForFreeSlots(int free, int timeout_ms) {
  const std::int64_t deadline = NowMs() + timeout_ms;
  for (;;) {
    const int now = server_->pool().FreeSlotCount();
    if (now >= free || NowMs() >= deadline) return now;
    SleepMs(10);
  }
}

int OpenDescriptorCount() {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int count = 0;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  closedir(dir);
  return count - 1;  // the descriptor of the listing itself
}

long ResidentKib() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      long kib = 0;
      status >> kib;
      return kib;
    }
    std::getline(status, key);
  }
  return -1;
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace orvane::stress
