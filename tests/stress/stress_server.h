// The service under stress, in this process: a Server on a panel that counts
// log lines instead of keeping them, and the process figures the checks
// compare (open descriptors, resident memory).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "http/operator_panel.h"
#include "http/server.h"

namespace orvane::stress {

class CountingPanel : public OperatorPanel {
 public:
  // A worker logs its connection, then (when bytes came) its request, both on
  // its own thread; so each request is counted against its client's port.
  void AppendConnectionLog(std::string text) override;
  void AppendRequestLog(std::string text) override;
  void ServerStopped() override {}

  std::int64_t connection_lines() const { return connection_lines_.load(); }
  std::int64_t request_lines() const { return request_lines_.load(); }
  // Connection lines and request lines logged so far for a client port.
  struct PortLines {
    int connections = 0;
    int requests = 0;
  };
  PortLines LinesForPort(int port);

 private:
  std::atomic<std::int64_t> connection_lines_{0};
  std::atomic<std::int64_t> request_lines_{0};
  std::mutex ports_mutex_;
  std::map<int, PortLines> ports_;  // guarded by ports_mutex_
};

// A started server on 127.0.0.1:port serving `folder`.
class StressServer {
 public:
  StressServer(std::uint16_t port, const std::string& folder, const ServerOptions& options);
  ~StressServer();

  // StartServer on the port and folder it was made with; true when the
  // server runs.
  bool Start();
  bool running() { return server_->Running(); }
  Server& server() { return *server_; }
  CountingPanel& panel() { return panel_; }
  int slot_count() const { return slot_count_; }
  // Waits until `free` slots are free, at most timeout_ms; the free count last seen.
  int WaitForFreeSlots(int free, int timeout_ms);

 private:
  CountingPanel panel_;
  ServerSettings settings_;
  int slot_count_;
  std::unique_ptr<Server> server_;
};

// Open descriptors of this process (entries of /proc/self/fd).
int OpenDescriptorCount();
// Threads of this process (Threads: in /proc/self/status).
int ThreadCount();
// VmRSS of this process in KiB.
long ResidentKib();
// Connections the kernel has set up from a valid SYN cookie, in this network
// namespace (SyncookiesRecv of /proc/net/netstat); -1 when it cannot be read.
std::int64_t SynCookieConnections();
// Milliseconds of a steady clock.
std::int64_t NowMs();
void SleepMs(int ms);

}  // namespace orvane::stress
