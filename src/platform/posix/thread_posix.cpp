#include <pthread.h>
#ifdef __linux__
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <condition_variable>
#include <cstdint>
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

#ifdef __linux__
// The kernel's scheduling attributes (the first version of struct sched_attr).
struct SchedulingAttributes {
  std::uint32_t size;
  std::uint32_t policy;
  std::uint64_t flags;
  std::int32_t nice;
  std::uint32_t priority;
  std::uint64_t runtime_ns;  // for SCHED_OTHER: the thread's time slice
  std::uint64_t deadline_ns;
  std::uint64_t period_ns;
};

// The shortest time slice the kernel grants a normal thread.
constexpr std::uint64_t kShortSliceNs = 100 * 1000;

// A resumed worker takes over the waiting role: the sooner it runs, the
// sooner the next connection leaves the short listen queue. A thread with a
// short slice gets an early deadline when it wakes, so the kernel (EEVDF,
// Linux 6.12 and later) lets it preempt the thread that resumed it instead of
// queueing it behind that thread's whole slice (half the hand-over time on a
// busy machine). Its share of the processor is unchanged; kernels without
// custom slices ignore the value. Nice value and policy stay as they are.
void AskForShortSlice() {
  SchedulingAttributes attributes{};
  if (syscall(SYS_sched_getattr, 0, &attributes, sizeof attributes, 0) != 0) return;
  if (attributes.policy != SCHED_OTHER || attributes.runtime_ns == kShortSliceNs) return;
  attributes.size = sizeof attributes;
  attributes.flags = 0;
  attributes.runtime_ns = kShortSliceNs;
  (void)syscall(SYS_sched_setattr, 0, &attributes, 0);
}
#else
void AskForShortSlice() {}
#endif

void* ThreadMain(void* raw) {
  auto* held = static_cast<std::shared_ptr<StartGate>*>(raw);
  std::shared_ptr<StartGate> gate = std::move(*held);
  delete held;
  AskForShortSlice();
  {
    std::unique_lock<std::mutex> lock(gate->mutex);
    gate->opened.wait(lock, [&] { return gate->open; });
  }
  gate->entry(gate->argument);
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

}  // namespace orvane::platform
