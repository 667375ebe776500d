// The operator's side of the HTTP service: the two settings, start and stop,
// the question before closing, and the final shutdown. Every public call runs
// on the window's thread (or the thread that stands in for it).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "http/operator_panel.h"
#include "http/core/responses.h"
#include "http/core/settings.h"
#include "http/server_options.h"
#include "http/core/text_rules.h"
#include "http/worker_pool.h"
#include "net/net_socket.h"
#include "platform/lock.h"

namespace orvane {

// Messages shown to the operator, in GBK.
// clang-format off
inline constexpr std::string_view kSocketFailedMessage =  // 系统出问题,不能创建网络套接字!
    "\xCF\xB5\xCD\xB3\xB3\xF6\xCE\xCA\xCC\xE2,\xB2\xBB\xC4\xDC\xB4\xB4\xBD\xA8"
    "\xCD\xF8\xC2\xE7\xCC\xD7\xBD\xD3\xD7\xD6!";
inline constexpr std::string_view kBindFailedPrefix = "\xB2\xBB\xC4\xDC\xB0\xF3\xB6\xA8";  // 不能绑定
inline constexpr std::string_view kBindFailedSuffix = "\xB6\xCB\xBF\xDA";                  // 端口
inline constexpr std::string_view kConfirmExitQuestion =  // 服务器正在工作,确定要退出?
    "\xB7\xFE\xCE\xF1\xC6\xF7\xD5\xFD\xD4\xDA\xB9\xA4\xD7\xF7,\xC8\xB7\xB6\xA8\xD2\xAA"
    "\xCD\xCB\xB3\xF6?";
inline constexpr std::string_view kStartFailedMessage =  // 服务器不能启动!
    "\xB7\xFE\xCE\xF1\xC6\xF7\xB2\xBB\xC4\xDC\xC6\xF4\xB6\xAF!";
// clang-format on

class Server : private WorkerHost {
 public:
  Server(OperatorPanel& panel, const CodePage& ansi, const ServerOptions& options = {});
  // Runs FinalShutdown's ending of the workers if it has not run.
  ~Server() override;
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // The start-up steps, in the window's order: the pool with its suspended
  // workers, then the four response texts.
  void BuildWorkerPool();
  void BuildCannedResponses();

  // `StartServer`: settles ServerPort and SiteRoot from the two boxes, writes
  // the port back, creates, binds and listens, disables the start button and
  // wakes the first waiting worker. Failures are shown as information boxes,
  // also when no worker can be woken to wait (every slot busy or broken).
  void StartServer();
  // `StopServer`: closes the listening socket and shuts every connection
  // down; the waiting worker's Accept fails and it enables the start button.
  void StopServer();
  // `ConfirmExit`: true lets the window close. While the server runs it asks
  // first, and OK stops the server.
  bool ConfirmExit();
  // `FinalShutdown`: ends every worker (bounded wait); true when all ended.
  [[nodiscard]] bool FinalShutdown();
  // FinalShutdown on the program's way out. When a worker outlives the wait
  // (stuck in a call no interrupt ends, such as a read from a hung network
  // share), the process ends here at once with exit code 0 instead of
  // destroying the pool, the server and the panel under that worker.
  void ShutdownForExit();

  std::int16_t server_port() const { return server_port_; }
  std::string site_root() const;
  WorkerPool& pool() { return *pool_; }

 private:
  // StartServer's socket and wake-up under run_lock_: the text of the box to
  // show, empty when the server runs.
  std::string OpenAndWakeLocked(InfoBoxKind& kind) REQUIRES(run_lock_);
  // Creates and binds the listening socket at server_port_; false when it
  // cannot, with the socket closed.
  bool BindListenSocketLocked() REQUIRES(run_lock_);

  // WorkerHost, on worker threads.
  net::NetSocket& ListenSocket() override { return listen_socket_; }
  void OnAcceptFailed(std::uint64_t run, bool stopped) override;
  void AfterAccept() override;
  void LogConnection(const net::NetSocket& client) override;
  Served ServeConnection(net::NetSocket& client, std::int64_t accepted_ms) override;
  void SendLimitResponse(net::NetSocket& client) override;
  void FinishConnection(net::NetSocket& client, bool client_may_send) override;

  OperatorPanel& panel_;
  const CodePage ansi_;
  const ServerOptions options_;
  std::int16_t server_port_ = kDefaultPort;  // window thread only
  // SiteRoot: replaced by StartServer while workers of an earlier run may
  // still read the old one, so it is swapped as a whole under site_lock_.
  mutable platform::Lock site_lock_;
  std::shared_ptr<const std::string> site_root_ GUARDED_BY(site_lock_);
  CannedResponses canned_;  // written before the first start, then read-only
  // Held while the listening socket is opened or closed and while the start
  // button changes with it, so that a waiter of an earlier run never closes
  // a later run's socket nor enables Start while a later run serves.
  platform::Lock run_lock_;
  std::uint64_t started_run_ GUARDED_BY(run_lock_) = 0;  // the pool's run of the last start
  // The port of the listener StopServer closed last, and when.
  std::uint16_t stopped_port_ GUARDED_BY(run_lock_) = 0;
  std::int64_t stopped_at_ms_ GUARDED_BY(run_lock_) = 0;
  // Opened and closed under run_lock_; workers Accept on it without the lock.
  net::NetSocket listen_socket_;
  std::unique_ptr<WorkerPool> pool_;
  bool workers_ended_ = false;
  // Answered connections being drained now (FinishConnection), at most
  // options_.max_lingering of them.
  std::atomic<int> lingering_{0};
};

}  // namespace orvane
