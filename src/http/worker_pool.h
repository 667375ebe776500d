// `WorkerPool`: a fixed number of slots, each with a worker thread made
// suspended ahead of time. Exactly one worker waits in Accept; when it gets a
// connection it wakes the lowest free slot's thread to wait in its place and
// serves its own client. A worker serves one connection, then leaves a fresh
// suspended thread in its slot (RecycleSlot) and ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "net/net_socket.h"
#include "platform/lock.h"
#include "platform/thread.h"

namespace orvane {

// How ServeConnection left its connection.
enum class Served {
  kUnanswered,             // nothing sent, or an answer cut short: closed at once
  kAnswered,               // a whole answer, and the request said nothing more is coming
  kAnsweredClientMaySend,  // a whole answer, but the client may still be sending
};

// What a worker needs from the server around it. Every call runs on the
// worker's own thread and must not wait for the window thread.
class WorkerHost {
 public:
  virtual ~WorkerHost() = default;
  virtual net::NetSocket& ListenSocket() = 0;
  // The waiting worker of `run` accepts no more. `stopped`: that run was
  // stopped (its listening socket is closed, and the one there now, if any,
  // belongs to a later run); otherwise the socket cannot accept at all.
  virtual void OnAcceptFailed(std::uint64_t run, bool stopped) = 0;
  // Runs between Accept and the recording of the connection in the slot: a
  // seam for tests, which hold a worker there to stop the server meanwhile.
  virtual void AfterAccept() {}
  virtual void LogConnection(const net::NetSocket& client) = 0;
  // Reads and answers the request. Once a whole answer was sent, the close
  // must let the client read it (FinishConnection). The pool recycles the
  // slot next. The sending side is shut down once the answer is complete.
  virtual Served ServeConnection(net::NetSocket& client, std::int64_t accepted_ms) = 0;
  // Sends the limit text and shuts the sending side down.
  virtual void SendLimitResponse(net::NetSocket& client) = 0;
  // Closes an answered connection, whose sending side is already shut down,
  // without a reset destroying the answer: `client_may_send` when the
  // request did not show that the client has said all it will.
  virtual void FinishConnection(net::NetSocket& client, bool client_may_send) = 0;
};

// How threads are made; replaceable so tests can make creation fail.
using ThreadMaker = std::optional<platform::Thread> (*)(platform::ThreadEntry, void*,
                                                        bool suspended);

// A slot handed out by AcquireSlot or HandOverWaitingRole, or why none was.
enum class SlotStatus { kAcquired, kNoneFree, kShuttingDown };
struct AcquiredSlot {
  SlotStatus status = SlotStatus::kNoneFree;
  int slot = 0;  // 1..slot_count when kAcquired, else 0
};

class WorkerPool {
 public:
  WorkerPool(WorkerHost& host, int slot_count, ThreadMaker maker = &platform::Thread::Create);
  // Ends the workers (ShutdownWorkers) if that has not happened yet.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // One suspended thread per slot. A slot whose thread cannot be made stays
  // out of use until a later RecycleSlot manages to make one.
  void Build();

  // The lowest free slot, now marked busy; kNoneFree when every slot is busy,
  // kShuttingDown once the workers are being ended.
  [[nodiscard]] AcquiredSlot AcquireSlot();
  // Lets the suspended thread of an acquired slot run: it becomes the waiter
  // of the current run. False when it cannot run; the slot then stays out of use until a later
  // RecycleSlot makes it a new thread.
  [[nodiscard]] bool ResumeSlot(int slot);
  // A fresh suspended thread for the slot (made before the lock is taken),
  // its connection forgotten, the slot free. Changes nothing while shutting
  // down.
  void RecycleSlot(int slot);

  // A new run of the server begins (StartServer, before the first waiter is
  // woken): a connection accepted by an earlier run is closed unanswered, and
  // a waiter of an earlier run ends without accepting again. Its number.
  std::uint64_t BeginRun();
  // StopServer's first part, before the listening socket is closed: a new
  // run begins, so a connection accepted just before the stop but not yet
  // recorded is closed unanswered, and the waiter whose Accept then fails
  // sees its run stopped; every connection a worker serves is interrupted
  // (never closed here: its worker closes it, exactly once), and a file read
  // its worker waits in ends with a failure.
  void ShutdownConnections();
  // FinalShutdown's part: no slot is handed out or recycled any more, every
  // connection is shut down and every suspended thread is woken to end at
  // once. Then waits up to wait_ms for all workers to end; true if they did.
  [[nodiscard]] bool ShutdownWorkers(int wait_ms);

  [[nodiscard]] int slot_count() const NO_THREAD_SAFETY_ANALYSIS {
    return static_cast<int>(slots_.size());
  }
  // Free slots at this moment (for tests and diagnostics).
  int FreeSlotCount();
  // Worker threads that exist and have not ended, suspended ones included.
  [[nodiscard]] int LiveThreadCount() const { return live_threads_.load(); }

 private:
  struct Slot {
    WorkerPool* pool = nullptr;
    int number = 0;
    // Guarded by lock_.
    bool busy = false;
    std::uint64_t run = 0;  // the run its thread was woken to wait for
    bool broken = false;    // no thread could be made for it
    std::optional<platform::Thread> thread;
    // The connection the slot's worker serves: it lives on that worker's stack
    // and is forgotten here, under the lock, before it goes away.
    net::NetSocket* connection = nullptr;
  };

  static void ThreadEntry(void* slot);
  void WorkerMain(int slot);
  // The host's ServeConnection; an exception out of it is kUnanswered.
  Served ServeGuarded(net::NetSocket& client, std::int64_t accepted_ms);
  // The close of a served connection, as ServeConnection left it.
  void Finish(net::NetSocket& client, Served served);
  // A thread for the slot, counted as live; nullopt when the system refused.
  std::optional<platform::Thread> MakeThread(Slot& slot, bool suspended);
  // Under lock_: makes a thread and installs it in the slot.
  bool MakeThreadLocked(Slot& slot, bool suspended) REQUIRES(lock_);
  // Under lock_: retries slots that were left without a thread.
  void RepairBrokenLocked() REQUIRES(lock_);
  // Under lock_: interrupts the slot's connection and ends a file read its
  // worker waits in; the connection is forgotten (its worker closes it).
  void InterruptLocked(Slot& slot) REQUIRES(lock_);
  // Under lock_: the slot has no thread that can run; it stays busy.
  void MarkBrokenLocked(Slot& slot) REQUIRES(lock_);
  bool ResumeLocked(Slot& slot, std::uint64_t run) REQUIRES(lock_);
  // Wakes the next waiter of `run` in a free slot: that slot, kNoneFree when
  // no slot is free (or none can run), kShuttingDown when shutting down.
  [[nodiscard]] AcquiredSlot HandOverWaitingRole(std::uint64_t run);
  // True when `run` is no longer the current run (a stop came since).
  bool RunStopped(std::uint64_t run);
  enum class Recorded { kYes, kShuttingDown, kStaleRun, kLaterRun };
  // Records the connection in the slot, unless the pool is shutting down or
  // the connection was accepted by a run that has since been stopped
  // (kStaleRun). kLaterRun: a later run serves now, so the connection is
  // recorded as one of its own (see WorkerMain).
  [[nodiscard]] Recorded RecordConnection(int slot, net::NetSocket& client, std::uint64_t run);
  void ForgetConnection(int slot);
  // The limit path: a new running thread takes over this slot's waiting role.
  [[nodiscard]] bool ReplaceWithRunningThread(int slot);
  Slot& At(int slot) REQUIRES(lock_) { return slots_[static_cast<std::size_t>(slot - 1)]; }
  // Only the slot's address, which never changes, so no lock is needed.
  Slot* AddressOf(int slot) NO_THREAD_SAFETY_ANALYSIS { return &At(slot); }

  WorkerHost& host_;
  ThreadMaker maker_;
  // The pool lock: the slot fields, the runs, shutting_down_ and
  // broken_count_. No other lock is taken while it is held.
  platform::Lock lock_;
  std::vector<Slot> slots_ GUARDED_BY(lock_);  // sized once, in the constructor
  int broken_count_ GUARDED_BY(lock_) = 0;
  bool shutting_down_ GUARDED_BY(lock_) = false;
  std::uint64_t run_ GUARDED_BY(lock_) = 0;          // raised by each start and stop
  std::uint64_t started_run_ GUARDED_BY(lock_) = 0;  // run_ as the last start set it
  std::atomic<int> live_threads_{0};
};

}  // namespace orvane
