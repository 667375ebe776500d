#include "http/worker_pool.h"

#include "platform/clock.h"

namespace orvane {

std::optional<platform::Thread> MakeSystemThread(platform::ThreadEntry entry, void* argument,
                                                 bool suspended) {
  return suspended ? platform::Thread::CreateSuspended(entry, argument)
                   : platform::Thread::CreateRunning(entry, argument);
}

WorkerPool::WorkerPool(WorkerHost& host, int slot_count, ThreadMaker maker)
    : host_(host), maker_(maker), slots_(static_cast<std::size_t>(slot_count > 0 ? slot_count : 1)) {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    slots_[i].pool = this;
    slots_[i].number = static_cast<int>(i + 1);
  }
}

WorkerPool::~WorkerPool() { ShutdownWorkers(5000); }

void WorkerPool::Build() {
  platform::LockGuard guard(lock_);
  for (Slot& slot : slots_) {
    if (!slot.thread && !slot.broken && !MakeThreadLocked(slot, true)) {
      slot.busy = true;
      slot.broken = true;
      ++broken_count_;
    }
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

int WorkerPool::AcquireSlot() {
  platform::LockGuard guard(lock_);
  if (shutting_down_) return -1;
  for (Slot& slot : slots_) {
    if (!slot.busy) {
      slot.busy = true;
      return slot.number;
    }
  }
  return 0;
}

bool WorkerPool::ResumeSlot(int slot) {
  platform::LockGuard guard(lock_);
  Slot& s = At(slot);
  return s.thread && s.thread->Resume();
}

void WorkerPool::RecycleSlot(int slot) {
  Slot& s = At(slot);
  // The replacement is made before the lock is taken: creating a thread is
  // the slowest step of a connection, and the waiting worker needs the lock
  // for every hand-over. It stays suspended until the slot is handed out.
  std::optional<platform::Thread> fresh = MakeThread(s, true);
  platform::LockGuard guard(lock_);
  if (shutting_down_) {
    if (fresh) fresh->Resume();  // it sees the shutdown and ends at once
    return;
  }
  s.connection = nullptr;
  if (fresh) {
    s.thread = std::move(fresh);  // drops the handle of the calling thread
    s.busy = false;
  } else if (!s.broken) {
    // Without a thread the slot must not be handed out: it stays busy until a
    // later recycle can make one.
    s.thread.reset();
    s.broken = true;
    ++broken_count_;
  }
  if (broken_count_ > 0) RepairBrokenLocked();
}

bool WorkerPool::RecordConnection(int slot, net::NetSocket& client) {
  platform::LockGuard guard(lock_);
  if (shutting_down_) return false;
  At(slot).connection = &client;
  return true;
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
  // Interrupting never blocks, and holding the lock keeps each connection
  // alive while it is used here: a worker forgets its connection under this
  // lock before the socket goes away.
  platform::LockGuard guard(lock_);
  for (Slot& slot : slots_) {
    if (slot.connection != nullptr) {
      slot.connection->Interrupt();
      slot.connection = nullptr;
    }
  }
}

bool WorkerPool::ShutdownWorkers(int wait_ms) {
  {
    platform::LockGuard guard(lock_);
    shutting_down_ = true;
    for (Slot& slot : slots_) {
      if (slot.connection != nullptr) {
        slot.connection->Interrupt();
        slot.connection = nullptr;
      }
      // A thread that never ran starts now, sees the pool shutting down and
      // ends; one that is running is not affected.
      if (slot.thread) slot.thread->Resume();
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

void WorkerPool::ThreadEntry(void* raw) {
  auto* slot = static_cast<Slot*>(raw);
  WorkerPool* pool = slot->pool;
  pool->WorkerMain(slot->number);
  pool->live_threads_.fetch_sub(1);  // the last touch of the pool
}

void WorkerPool::WorkerMain(int slot) {
  {
    platform::LockGuard guard(lock_);
    if (shutting_down_) return;
  }
  for (;;) {
    net::NetSocket client;
    if (!host_.ListenSocket().Accept(client)) {
      const int error = host_.ListenSocket().LastError();
      // A closed listening socket (StopServer) has no handle any more; a
      // still-open one may have lost a single connection or run short of
      // descriptors, and keeps serving.
      if (host_.ListenSocket().Handle() != net::kNoSocket) {
        const net::sys::AcceptFailure kind = net::sys::ClassifyAcceptError(error);
        if (kind == net::sys::AcceptFailure::kRetry) continue;
        if (kind == net::sys::AcceptFailure::kRetryLater) {
          platform::SleepMillis(50);
          continue;
        }
        // It cannot accept at all (it never listened): close it so a later
        // start can bind the port again.
        host_.ListenSocket().Close();
      }
      host_.OnAcceptFailed();
      RecycleSlot(slot);
      return;
    }
    const std::int64_t accepted_ms = platform::MonotonicMillis();
    if (!RecordConnection(slot, client)) return;  // shutting down: closed unanswered
    host_.LogConnection(client);
    const int next = AcquireSlot();
    if (next == -1) {
      ForgetConnection(slot);
      return;
    }
    if (next == 0) {
      // Every slot is busy: a new thread takes over the waiting role and this
      // one answers with the limit text, outside the pool.
      ForgetConnection(slot);
      const bool replaced = ReplaceWithRunningThread(slot);
      host_.SendLimitResponse(client);
      host_.FinishConnection(client);
      if (replaced) return;
      continue;  // no thread could be made: keep waiting in Accept ourselves
    }
    ResumeSlot(next);
    if (host_.ServeConnection(slot, client, accepted_ms)) host_.FinishConnection(client);
    return;
  }
}

}  // namespace orvane
