#include "http/server.h"

#include "http/access/access_code.h"
#include "http/connection.h"
#include "http/file_transfer.h"
#include "http/core/request.h"
#include "http/core/settings.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "platform/random.h"
#include "platform/upload_file.h"

namespace orvane {

namespace {

// How long a start keeps trying a port that an earlier run's closing
// listener still holds.
constexpr int kRebindWaitMs = 1000;

// A new access code from the system's random source; empty (nobody gets
// in) when the source fails.
std::string NewAccessCode() {
  const std::optional<std::string> random = platform::RandomBytes(64);
  if (!random) return {};
  return AccessCodeFrom(*random).value_or(std::string());
}

}  // namespace

Server::Server(OperatorPanel& panel, const CodePage& ansi, const ServerOptions& options)
    : panel_(panel),
      ansi_(ansi),
      options_(options),
      site_root_(std::make_shared<const std::string>()),
      canned_(BuildCannedResponses()),
      listings_(options.max_listings),
      resumable_(panel),
      housekeeper_(resumable_),
      pool_(std::make_unique<WorkerPool>(static_cast<WorkerHost&>(*this), options.slot_count,
                                         options.test_make_thread)) {
  pool_->Build();
}

Server::~Server() {
  if (!workers_ended_) (void)FinalShutdown();  // a bounded wait; nothing more to do
}

void Server::SetServingOptions(ServingOptions options) {
  options = WithOptionRules(std::move(options));
  // Uploads start into a folder: temporary files a killed program left there go first.
  if (const ServingOptions before = serving_options();
      options.uploads && (!before.uploads || before.upload_folder != options.upload_folder)) {
    platform::RemoveLeftoverUploads(options.upload_folder, platform::CurrentUnixSeconds());
  }
  platform::LockGuard guard(serving_lock_);
  // A code is made when the option is switched on; while it stays on, the
  // one in force is kept. Without it no code is held.
  if (!options.access_code) {
    options.code.clear();
  } else if (!serving_->access_code || options.code.empty()) {
    options.code = NewAccessCode();
  }
  serving_ = std::make_shared<const ServingOptions>(std::move(options));
}

void Server::RenewAccessCode() {
  platform::LockGuard guard(serving_lock_);
  if (!serving_->access_code) return;
  ServingOptions options = *serving_;
  options.code = NewAccessCode();
  serving_ = std::make_shared<const ServingOptions>(std::move(options));
}

ServingOptions Server::serving_options() const {
  std::shared_ptr<const ServingOptions> snapshot;
  {
    platform::LockGuard guard(serving_lock_);
    snapshot = serving_;
  }
  return *snapshot;
}

std::string Server::site_root() const {
  platform::LockGuard guard(site_lock_);
  return *site_root_;
}

StartResult Server::StartServer(const ServerSettings& settings) {
  if (const ServingOptions serving = serving_options(); serving.uploads) {
    platform::RemoveLeftoverUploads(serving.upload_folder, platform::CurrentUnixSeconds());
  }
  server_port_ = settings.port;
  served_port_.store(static_cast<std::uint16_t>(settings.port));
  {
    auto root = std::make_shared<const std::string>(settings.site_root);
    platform::LockGuard guard(site_lock_);
    site_root_ = std::move(root);
  }
  platform::LockGuard guard(run_lock_);
  return StartResult{OpenAndWakeLocked(), server_port_};
}

StartOutcome Server::OpenAndWakeLocked() {
  if (!listen_socket_.Create()) return StartOutcome::kSocketFailed;
  if (!BindListenSocketLocked()) return StartOutcome::kBindFailed;
  (void)listen_socket_.Listen();  // a failure shows as the first Accept failing
  // Before the first waiter is woken: whatever an earlier run's worker
  // accepts from now on is closed unanswered.
  started_run_ = pool_->BeginRun();
  // The first waiter is the lowest free slot, not always slot 1: after a stop
  // the worker of slot 1 may still be finishing its connection.
  const AcquiredSlot first = pool_->AcquireSlot();
  if (first.status == SlotStatus::kAcquired) {
    // Set before the waiter runs: its Accept may fail at once, and that end
    // of the run must find the run begun.
    running_.store(true);
    if (pool_->ResumeSlot(first.slot)) return StartOutcome::kStarted;
    running_.store(false);
  }
  // Nobody would wait in Accept: the server does not run after all.
  listen_socket_.Close();
  return StartOutcome::kNoFirstWorker;
}

bool Server::BindListenSocketLocked() {
  const auto port = static_cast<std::uint16_t>(server_port_);
  if (listen_socket_.Bind(port)) return true;
  // Closed at once, so nothing holds a half-made socket until the next try.
  listen_socket_.Close();
  // The listener of a run stopped just now may still hold the port for a
  // moment (Wine frees it only some time after the waiter's Accept ended).
  // Only then is the bind tried again, until that moment is surely past.
  if (port != stopped_port_) return false;
  const std::int64_t give_up = stopped_at_ms_ + kRebindWaitMs;
  while (platform::MonotonicMillis() < give_up) {
    platform::SleepMillis(10);
    if (!listen_socket_.Create()) return false;
    if (listen_socket_.Bind(port)) return true;
    listen_socket_.Close();
  }
  return false;
}

void Server::StopServer() {
  // The run ends first, so a waiter whose Accept fails from here on knows it
  // was stopped, and a connection accepted meanwhile is closed unanswered.
  pool_->ShutdownConnections();
  // Nothing of an unfinished upload outlives its run.
  resumable_.RemoveAll(true);
  platform::LockGuard guard(run_lock_);
  if (listen_socket_.Handle() != net::kNoSocket) {
    stopped_port_ = static_cast<std::uint16_t>(server_port_);
    stopped_at_ms_ = platform::MonotonicMillis();
  }
  listen_socket_.Close();
}

bool Server::FinalShutdown() {
  {
    platform::LockGuard guard(run_lock_);
    listen_socket_.Close();
    running_.store(false);
  }
  const bool kept = housekeeper_.Stop(options_.shutdown_wait_ms);
  resumable_.RemoveAll(false);
  const bool ended = pool_->ShutdownWorkers(options_.shutdown_wait_ms);
  workers_ended_ = true;
  return ended && kept;
}

void Server::ShutdownForExit() {
  if (!FinalShutdown()) platform::EndProcessNow(0);
}

void Server::OnAcceptFailed(std::uint64_t run, bool stopped) {
  platform::LockGuard guard(run_lock_);
  if (run != started_run_) return;  // a later start owns the socket and the run
  // A socket that cannot accept at all (it never listened) is closed, so a
  // later start can bind the port again.
  if (!stopped) listen_socket_.Close();
  running_.store(false);
  panel_.ServerStopped();
}

void Server::AfterAccept() {
  if (options_.test_after_accept) options_.test_after_accept();
}

void Server::LogConnection(const net::NetSocket& client) { orvane::LogConnection(client, panel_); }

Served Server::ServeConnection(net::NetSocket& client, std::int64_t accepted_ms) {
  std::shared_ptr<const std::string> root;
  {
    platform::LockGuard guard(site_lock_);
    root = site_root_;
  }
  const std::int64_t deadline = accepted_ms + options_.receive_deadline_ms;
  const std::string received = ReadRequest(client, deadline);
  if (received.empty()) return Served::kUnanswered;
  const ParsedRequest request = ParseRequest(received, ansi_);
  panel_.AppendRequestLog(std::string(request.text));
  if (options_.test_before_answer) options_.test_before_answer();
  // The options as they stand now, read once for the whole request.
  std::shared_ptr<const ServingOptions> snapshot;
  {
    platform::LockGuard guard(serving_lock_);
    snapshot = serving_;
  }
  const ServingOptions& serving = *snapshot;
  const AnswerContext context{*root,
                              canned_,
                              ansi_,
                              options_.send_wait_ms,
                              serving,
                              listings_,
                              deadline,
                              options_.test_listing_cap,
                              &panel_,
                              served_port_.load(),
                              options_.body_limits,
                              &resumable_,
                              &thumbnails_,
                              &archives_};
  if (!AnswerRequest(client, request, context)) return Served::kUnanswered;
  // The answer is complete: end the sending side now, so the client sees the
  // end while the slot is recycled (a thread creation). Where FinishConnection
  // must drain, the client has usually closed by then, and the drain ends
  // without waiting.
  client.Shutdown(net::ShutdownHow::kSend);
  return request.may_send_more ? Served::kAnsweredClientMaySend : Served::kAnswered;
}

void Server::SendLimitResponse(net::NetSocket& client) {
  (void)SendReply(client, CannedReply(CannedAnswer::kLimit),
                  SendContext{canned_, options_.send_wait_ms, {}});
  client.Shutdown(net::ShutdownHow::kSend);
}

void Server::FinishConnection(net::NetSocket& client, bool client_may_send) {
  // Closing with unread request bytes makes the system send a reset, which
  // can destroy the answer before the client has read it. A client whose
  // whole request was read, which announced no body and has sent nothing
  // since, has nothing more to send: its connection closes at once. Any
  // other is drained: with the sending side already ended by whoever
  // answered, what the client still sends is read for a short while, then
  // the connection closes. Each drain holds this thread and the socket
  // outside the pool's slots, so only max_lingering run at once; above that
  // the close comes at once, which can cost a reset only to a client that is
  // still sending. The drain ends at the client's end of stream.
  if (!client_may_send && !client.InputWaiting()) {
    client.CloseUnwatched();
    return;
  }
  if (lingering_.fetch_add(1) < options_.max_lingering) {
    const std::int64_t deadline = platform::MonotonicMillis() + options_.linger_ms;
    char sink[4096];
    for (;;) {
      const std::int64_t left = deadline - platform::MonotonicMillis();
      if (left <= 0 || client.ReceiveSome(sink, sizeof sink, static_cast<int>(left)) <= 0) break;
    }
  }
  lingering_.fetch_sub(1);
  client.CloseUnwatched();
}

}  // namespace orvane
