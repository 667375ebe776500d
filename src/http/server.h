// The operator's side of the HTTP service: start with the two settings, stop,
// whether it runs, and the final shutdown. Every public call runs on the
// window's thread (or the thread that stands in for it).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "http/archive/archive_reply.h"
#include "http/gate.h"
#include "http/operator_panel.h"
#include "http/core/responses.h"
#include "http/core/settings.h"
#include "http/core/text_rules.h"
#include "http/server_options.h"
#include "http/upload/resumable_store.h"
#include "http/thumbnail/thumbnail_maker.h"
#include "http/worker_pool.h"
#include "net/net_socket.h"
#include "platform/lock.h"

namespace orvane {

class Server : private WorkerHost {
 public:
  // Whole once made: the pool with its suspended workers and the canned
  // response texts are built here, so the server can start at once.
  Server(OperatorPanel& panel, const CodePage& ansi, const ServerOptions& options = {});
  // Runs FinalShutdown's ending of the workers if it has not run.
  ~Server() override;
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // `StartServer`: takes the settled port and site root, creates, binds and
  // listens, and wakes the first waiting worker; the server then runs. The
  // result says which step failed, also when no worker can be woken to wait
  // (every slot busy or broken); the server then stays stopped.
  [[nodiscard]] StartResult StartServer(const ServerSettings& settings);
  // `StopServer`: shuts every connection down (the run ends), then closes
  // the listening socket; the waiting worker's Accept fails, the server no
  // longer runs and the panel hears ServerStopped.
  void StopServer();
  // True from a successful start until the waiter of that run accepts no
  // more (after a stop, or a listening socket that fails).
  [[nodiscard]] bool Running() const { return running_.load(); }
  // The port of the last start (the default before one); window thread only.
  [[nodiscard]] std::int16_t server_port() const { return server_port_; }
  // `FinalShutdown`: ends every worker (bounded wait); true when all ended.
  [[nodiscard]] bool FinalShutdown();
  // FinalShutdown on the program's way out. When a worker outlives the wait
  // (stuck in a call no interrupt ends, such as a read from a hung network
  // share), the process ends here at once with exit code 0 instead of
  // destroying the pool, the server and the panel under that worker.
  void ShutdownForExit();

  [[nodiscard]] std::string site_root() const;
  // The operator's serving options, from the next request on; any thread.
  // Switching the access code on makes a new code; while it stays on, the
  // code in force is kept (options.code is not read then, unless empty).
  void SetServingOptions(ServingOptions options);
  // A new access code: every earlier code and its cookies stop working at
  // the next request. Nothing while the code is off.
  void RenewAccessCode();
  // The options as they stand now, all from one SetServingOptions.
  [[nodiscard]] ServingOptions serving_options() const;
  // Worker threads that exist and have not ended, suspended ones included.
  [[nodiscard]] int LiveWorkerCount() const { return pool_->LiveThreadCount(); }
  // Free slots at this moment; only tests read it.
  [[nodiscard]] int TestFreeSlotCount() { return pool_->FreeSlotCount(); }

 private:
  // StartServer's socket and wake-up under run_lock_.
  StartOutcome OpenAndWakeLocked() REQUIRES(run_lock_);
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
  // The port as workers read it (the access code's cookie is named after
  // it): written by StartServer before it wakes the first waiter.
  std::atomic<std::uint16_t> served_port_{0};
  // SiteRoot: replaced by StartServer while workers of an earlier run may
  // still read the old one, so it is swapped as a whole under site_lock_.
  mutable platform::Lock site_lock_;
  std::shared_ptr<const std::string> site_root_ GUARDED_BY(site_lock_);
  const CannedResponses canned_;
  // Held while the listening socket is opened or closed and while running_
  // changes with it, so that a waiter of an earlier run never closes a later
  // run's socket nor ends a later run. Taken before the pool's lock (a start
  // begins the run and wakes the first waiter under it), never after it.
  platform::Lock run_lock_;
  // Written under run_lock_; read without it by the window thread.
  std::atomic<bool> running_{false};
  // The serving options as one immutable snapshot, swapped whole by the
  // front end on its thread; a request copies it once, so it never sees half
  // of a change, and an option that is a text (not only a flag) can join it.
  mutable platform::Lock serving_lock_;
  std::shared_ptr<const ServingOptions> serving_ GUARDED_BY(serving_lock_) =
      std::make_shared<const ServingOptions>();
  std::uint64_t started_run_ GUARDED_BY(run_lock_) = 0;  // the pool's run of the last start
  // The port of the listener StopServer closed last, and when.
  std::uint16_t stopped_port_ GUARDED_BY(run_lock_) = 0;
  std::int64_t stopped_at_ms_ GUARDED_BY(run_lock_) = 0;
  // Opened and closed under run_lock_; workers Accept on it without the lock.
  net::NetSocket listen_socket_;
  // Folder listings being built now; counts by itself.
  Gate listings_;
  // The unfinished resumable uploads, and the thread that pauses and
  // expires them; made before the pool and gone after it, since workers
  // use them.
  ResumableStore resumable_;
  ResumableHousekeeper housekeeper_;
  // Thumbnails being made and kept: at most one a processor made at once.
  thumbnail::ThumbnailMaker thumbnails_;
  // Archives being sent now and the CRCs of files sent; each counts or
  // locks by itself.
  ArchiveState archives_;
  std::unique_ptr<WorkerPool> pool_;
  bool workers_ended_ = false;
  // Answered connections being drained now (FinishConnection), at most
  // options_.max_lingering of them.
  std::atomic<int> lingering_{0};
};

}  // namespace orvane
