#include "stress_server.h"

#include <dirent.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/server_setup.h"
#include "support/wait.h"

namespace orvane::stress {

namespace {
thread_local int t_client_port = 0;  // the port of this worker's connection line
}  // namespace

void CountingPanel::AppendConnectionLog(std::string text) {
  const std::size_t colon = text.rfind(':');
  t_client_port = colon == std::string::npos ? 0 : std::atoi(text.c_str() + colon + 1);
  {
    std::lock_guard<std::mutex> lock(ports_mutex_);
    ++ports_[t_client_port].connections;
  }
  connection_lines_.fetch_add(1);
}

void CountingPanel::AppendRequestLog(std::string) {
  {
    std::lock_guard<std::mutex> lock(ports_mutex_);
    ++ports_[t_client_port].requests;
  }
  request_lines_.fetch_add(1);
}

CountingPanel::PortLines CountingPanel::LinesForPort(int port) {
  std::lock_guard<std::mutex> lock(ports_mutex_);
  const auto it = ports_.find(port);
  return it == ports_.end() ? PortLines{} : it->second;
}

StressServer::StressServer(std::uint16_t port, const std::string& folder,
                           const ServerOptions& options)
    : settings_{static_cast<std::int16_t>(port), folder},
      slot_count_(options.slot_count),
      server_(testing::BuildServer(panel_, options)) {
  (void)Start();
}

bool StressServer::Start() {
  const StartResult result = server_->StartServer(settings_);
  if (result.outcome != StartOutcome::kStarted) {
    std::fprintf(stderr, "stress: the server did not start (%d)\n",
                 static_cast<int>(result.outcome));
  }
  return running();
}

StressServer::~StressServer() {
  if (!testing::StopAndShutDown(*server_))
    std::fprintf(stderr, "stress: a worker outlived the shutdown wait\n");
}

int StressServer::WaitForFreeSlots(int free, int timeout_ms) {
  int now = 0;
  (void)testing::WaitUntil(
      [&] {
        now = server_->TestFreeSlotCount();
        return now >= free;
      },
      timeout_ms, 10);
  return now;
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

namespace {

// A number field of /proc/self/status, or -1.
long StatusField(const std::string& name) {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == name) {
      long value = 0;
      status >> value;
      return value;
    }
    std::getline(status, key);
  }
  return -1;
}

}  // namespace

int ThreadCount() { return static_cast<int>(StatusField("Threads:")); }

long ResidentKib() { return StatusField("VmRSS:"); }

std::int64_t SynCookieConnections() {
  // Pairs of lines: "TcpExt: Name Name ..." then "TcpExt: value value ...".
  std::ifstream netstat("/proc/net/netstat");
  std::string names;
  std::string values;
  while (std::getline(netstat, names) && std::getline(netstat, values)) {
    if (names.rfind("TcpExt:", 0) != 0) continue;
    std::istringstream name_words(names);
    std::istringstream value_words(values);
    std::string name;
    std::string value;
    while (name_words >> name && value_words >> value) {
      if (name == "SyncookiesRecv") return std::atoll(value.c_str());
    }
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
