#include <pthread.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>

#include "platform/thread.h"

namespace orvane::platform {

namespace {

// Shared by the handle and the thread, so either may go first.
struct StartGate {
  ThreadEntry entry = nullptr;
  void* argument = nullptr;
  std::mutex mutex;
  std::condition_variable opened;
  bool open = false;  // guarded by mutex
};

void* ThreadMain(void* raw) {
  auto* held = static_cast<std::shared_ptr<StartGate>*>(raw);
  std::shared_ptr<StartGate> gate = std::move(*held);
  delete held;
  {
    std::unique_lock<std::mutex> lock(gate->mutex);
    gate->opened.wait(lock, [&] { return gate->open; });
  }
  // An exception must not leave the thread: past here the process would end.
  try {
    gate->entry(gate->argument);
  } catch (...) {
  }
  return nullptr;
}

}  // namespace

struct Thread::Impl {
  std::shared_ptr<StartGate> gate;
};

Thread::Thread(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Thread::Thread(Thread&& other) noexcept = default;
Thread& Thread::operator=(Thread&& other) noexcept = default;
Thread::~Thread() = default;

std::optional<Thread> Thread::Create(ThreadEntry entry, void* argument, bool suspended) {
  auto gate = std::make_shared<StartGate>();
  gate->entry = entry;
  gate->argument = argument;
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return std::nullopt;
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  auto* handed = new std::shared_ptr<StartGate>(gate);
  pthread_t id;
  const int rc = pthread_create(&id, &attr, ThreadMain, handed);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete handed;
    return std::nullopt;
  }
  auto impl = std::make_unique<Impl>();
  impl->gate = std::move(gate);
  Thread thread(std::move(impl));
  if (!suspended) (void)thread.Resume();  // a fresh gate always opens
  return thread;
}

bool Thread::Resume() {
  if (!impl_) return false;
  StartGate& gate = *impl_->gate;
  {
    std::lock_guard<std::mutex> lock(gate.mutex);
    if (gate.open) return false;
    gate.open = true;
  }
  gate.opened.notify_one();
  return true;
}

void Thread::CancelBlockingIo() {}

int ProcessorCount() {
  const long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count < 1 ? 1 : static_cast<int>(count);
}

}  // namespace orvane::platform
