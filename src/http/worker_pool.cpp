#include "http/worker_pool.h"

#include "platform/clock.h"

namespace orvane {

WorkerPool::WorkerPool(WorkerHost& host, int slot_count, ThreadMaker maker)
    : host_(host),
      maker_(maker),
      slots_(static_cast<std::size_t>(slot_count > 0 ? slot_count : 1)) {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    slots_[i].pool = this;
    slots_[i].number = static_cast<int>(i + 1);
  }
}

// Workers still running after the wait are the caller's concern: the
// program's own shutdown has already waited for them.
WorkerPool::~WorkerPool() { (void)ShutdownWorkers(5000); }

void WorkerPool::Build() {
  platform::LockGuard guard(lock_);
  for (Slot& slot : slots_) {
    if (!slot.thread && !slot.broken && !MakeThreadLocked(slot, true)) MarkBrokenLocked(slot);
  }
}

void WorkerPool::MarkBrokenLocked(Slot& slot) {
  slot.thread.reset();
  slot.busy = true;
  if (!slot.broken) {
    slot.broken = true;
    ++broken_count_;
  }
}

std::optional<platform::Thread> WorkerPool::MakeThread(Slot& slot, bool suspended) {
  // Counted before the thread can possibly run, so the count never dips
  // below the number of threads that still touch the pool.
  live_threads_.fetch_add(1);
  std::optional<platform::Thread> thread = maker_(&WorkerPool::ThreadEntry, &slot, suspended);
  if (!thread) live_threads_.fetch_sub(1);
  return thread;
}

bool WorkerPool::MakeThreadLocked(Slot& slot, bool suspended) {
  std::optional<platform::Thread> thread = MakeThread(slot, suspended);
  if (!thread) return false;
  slot.thread = std::move(thread);  // drops the handle of the thread it replaces
  return true;
}

void WorkerPool::RepairBrokenLocked() {
  for (Slot& slot : slots_) {
    if (broken_count_ == 0) return;
    if (slot.broken && MakeThreadLocked(slot, true)) {
      slot.broken = false;
      slot.busy = false;
      --broken_count_;
    }
  }
}

AcquiredSlot WorkerPool::AcquireSlot() {
  platform::LockGuard guard(lock_);
  if (shutting_down_) return {SlotStatus::kShuttingDown, 0};
  for (Slot& slot : slots_) {
    if (!slot.busy) {
      slot.busy = true;
      return {SlotStatus::kAcquired, slot.number};
    }
  }
  return {SlotStatus::kNoneFree, 0};
}

bool WorkerPool::ResumeSlot(int slot) {
  platform::LockGuard guard(lock_);
  return ResumeLocked(At(slot), run_);
}

bool WorkerPool::ResumeLocked(Slot& slot, std::uint64_t run) {
  slot.run = run;
  if (slot.thread && slot.thread->Resume()) return true;
  MarkBrokenLocked(slot);
  return false;
}

AcquiredSlot WorkerPool::HandOverWaitingRole(std::uint64_t run) {
  for (;;) {
    const AcquiredSlot next = AcquireSlot();
    if (next.status != SlotStatus::kAcquired) return next;
    {
      // The next waiter inherits this waiter's run, even if a stop came
      // meanwhile: it then ends at once instead of waiting for a later run.
      platform::LockGuard guard(lock_);
      if (ResumeLocked(At(next.slot), run)) return next;
    }
    // That slot's thread could not run and is now out of use: try the next.
  }
}

void WorkerPool::RecycleSlot(int slot) {
  // The replacement is made before the lock is taken: creating a thread is
  // the slowest step of a connection, and the waiting worker needs the lock
  // for every hand-over. It stays suspended until the slot is handed out.
  std::optional<platform::Thread> fresh = MakeThread(*AddressOf(slot), true);
  platform::LockGuard guard(lock_);
  Slot& s = At(slot);
  if (shutting_down_) {
    // It sees the shutdown and ends at once; a fresh gate always opens.
    if (fresh) (void)fresh->Resume();
    return;
  }
  s.connection = nullptr;
  if (fresh) {
    s.thread = std::move(fresh);  // drops the handle of the calling thread
    s.busy = false;
  } else {
    // Without a thread the slot must not be handed out: it stays busy until a
    // later recycle can make one.
    MarkBrokenLocked(s);
  }
  if (broken_count_ > 0) RepairBrokenLocked();
}

std::uint64_t WorkerPool::BeginRun() {
  platform::LockGuard guard(lock_);
  started_run_ = ++run_;
  return run_;
}

bool WorkerPool::RunStopped(std::uint64_t run) {
  platform::LockGuard guard(lock_);
  return run != run_;
}

WorkerPool::Recorded WorkerPool::RecordConnection(int slot, net::NetSocket& client,
                                                  std::uint64_t run) {
  // ShutdownConnections raises the run under this same lock: a connection is
  // either recorded before it (and interrupted by it) or refused here.
  platform::LockGuard guard(lock_);
  if (shutting_down_) return Recorded::kShuttingDown;
  const bool later_run_serves = run != run_ && run_ == started_run_;
  if (run != run_ && !later_run_serves) return Recorded::kStaleRun;
  At(slot).connection = &client;
  return later_run_serves ? Recorded::kLaterRun : Recorded::kYes;
}

void WorkerPool::ForgetConnection(int slot) {
  platform::LockGuard guard(lock_);
  At(slot).connection = nullptr;
}

bool WorkerPool::ReplaceWithRunningThread(int slot) {
  platform::LockGuard guard(lock_);
  if (shutting_down_) return false;
  return MakeThreadLocked(At(slot), false);
}

void WorkerPool::ShutdownConnections() {
  // Interrupting and cancelling never block, and holding the lock keeps each connection
  // alive while it is used here: a worker forgets its connection under this
  // lock before the socket goes away.
  platform::LockGuard guard(lock_);
  ++run_;
  for (Slot& slot : slots_) {
    if (slot.connection != nullptr) InterruptLocked(slot);
  }
}

void WorkerPool::InterruptLocked(Slot& slot) {
  slot.connection->Interrupt();
  slot.connection = nullptr;
  // The slot's thread is the worker that serves the connection (a recycle
  // forgets the connection before it installs a new thread): a file read it
  // waits in, a cloud file's or a hung share's, ends too.
  if (slot.thread) slot.thread->CancelBlockingIo();
}

bool WorkerPool::ShutdownWorkers(int wait_ms) {
  {
    platform::LockGuard guard(lock_);
    shutting_down_ = true;
    for (Slot& slot : slots_) {
      if (slot.connection != nullptr) InterruptLocked(slot);
      // A thread that never ran starts now, sees the pool shutting down and
      // ends; for one that already runs, Resume() is false and changes nothing.
      if (slot.thread) (void)slot.thread->Resume();
    }
  }
  const std::int64_t deadline = platform::MonotonicMillis() + wait_ms;
  while (live_threads_.load() > 0) {
    if (platform::MonotonicMillis() >= deadline) return false;
    platform::SleepMillis(5);
  }
  return true;
}

int WorkerPool::FreeSlotCount() {
  platform::LockGuard guard(lock_);
  int free = 0;
  for (const Slot& slot : slots_) free += slot.busy ? 0 : 1;
  return free;
}

Served WorkerPool::ServeGuarded(net::NetSocket& client, std::int64_t accepted_ms) {
  // An exception (memory running out while a large listing is built) ends
  // this one answer, not the worker: the connection counts as unanswered and
  // is closed at once, and the slot is recycled as after any answer, so it
  // neither stays out of use nor keeps pointing at a socket that is gone.
  try {
    return host_.ServeConnection(client, accepted_ms);
  } catch (...) {
    return Served::kUnanswered;
  }
}

void WorkerPool::Finish(net::NetSocket& client, Served served) {
  // An unanswered connection is closed by its owner's end.
  if (served == Served::kUnanswered) return;
  host_.FinishConnection(client, served == Served::kAnsweredClientMaySend);
}

void WorkerPool::ThreadEntry(void* raw) {
  auto* slot = static_cast<Slot*>(raw);
  WorkerPool* pool = slot->pool;
  pool->WorkerMain(slot->number);
  pool->live_threads_.fetch_sub(1);  // the last touch of the pool
}

void WorkerPool::WorkerMain(int slot) {
  // The run this worker waits for, given when it was woken. The listening
  // socket is shared by every run, so only the run number tells whether the
  // socket there now is still this waiter's.
  std::uint64_t run = 0;
  {
    platform::LockGuard guard(lock_);
    run = At(slot).run;
  }
  for (;;) {
    bool stopped = false;
    {
      platform::LockGuard guard(lock_);
      if (shutting_down_) return;
      stopped = run != run_;
    }
    net::NetSocket client;
    if (stopped || !host_.ListenSocket().Accept(client)) {
      const net::AcceptFailure kind = net::NetSocket::LastAcceptFailure();
      // A stopped run's waiter leaves the socket alone: it is closed, or it is
      // a later run's. One still open may have lost a single connection or
      // run short of descriptors, and keeps serving.
      stopped = stopped || RunStopped(run);
      if (!stopped && kind == net::AcceptFailure::kRetry) continue;
      if (!stopped && kind == net::AcceptFailure::kRetryLater) {
        platform::SleepMillis(50);
        continue;
      }
      host_.OnAcceptFailed(run, stopped);
      RecycleSlot(slot);
      return;
    }
    const std::int64_t accepted_ms = platform::MonotonicMillis();
    host_.AfterAccept();
    const Recorded recorded = RecordConnection(slot, client, run);
    if (recorded == Recorded::kShuttingDown) return;  // closed unanswered
    if (recorded == Recorded::kStaleRun) {
      // Accepted just before a stop: closed unanswered. The next round sees
      // the stop and ends this waiter.
      client.Close();
      continue;
    }
    host_.LogConnection(client);
    if (recorded == Recorded::kLaterRun) {
      // Stopped and started again while this waiter was in Accept: the later
      // run has its own waiter, so this worker serves the client and ends.
      const Served served = ServeGuarded(client, accepted_ms);
      RecycleSlot(slot);
      Finish(client, served);
      return;
    }
    const AcquiredSlot next = HandOverWaitingRole(run);
    if (next.status == SlotStatus::kShuttingDown) {
      ForgetConnection(slot);
      return;
    }
    if (next.status == SlotStatus::kNoneFree) {
      // Every slot is busy: a new thread takes over the waiting role and this
      // one answers with the limit text, outside the pool.
      ForgetConnection(slot);
      const bool replaced = ReplaceWithRunningThread(slot);
      host_.SendLimitResponse(client);
      // Sent without reading the request: the client may still be sending it.
      host_.FinishConnection(client, true);
      if (replaced) return;
      continue;  // no thread could be made: keep waiting in Accept ourselves
    }
    const Served served = ServeGuarded(client, accepted_ms);
    // Recycle first, close after: the slot is free again while the client
    // reads the end of its answer.
    RecycleSlot(slot);
    Finish(client, served);
    return;
  }
}

}  // namespace orvane
