// The worker pool on its own: slots, their threads and the shutdown, with a
// host that serves nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <stdexcept>

#include "http/worker_pool.h"
#include "net/net_socket.h"
#include "platform/thread.h"
#include "support/wait.h"

namespace orvane::testing {
namespace {

// A thread maker that refuses after a number of threads.
std::atomic<int> g_threads_allowed{0};
std::optional<platform::Thread> LimitedThreads(platform::ThreadEntry entry, void* argument,
                                               bool suspended) {
  if (g_threads_allowed.fetch_sub(1) <= 0) return std::nullopt;
  return platform::Thread::Create(entry, argument, suspended);
}

// A host whose listening socket has no socket: a resumed worker's Accept
// fails at once and it recycles its own slot, as after a stop.
class IdleHost : public WorkerHost {
 public:
  net::NetSocket& ListenSocket() override { return listener; }
  void OnAcceptFailed(std::uint64_t, bool) override { ++accept_failures; }
  void LogConnection(const net::NetSocket&) override {}
  Served ServeConnection(net::NetSocket&, std::int64_t) override { return Served::kUnanswered; }
  void SendLimitResponse(net::NetSocket&) override {}
  void FinishConnection(net::NetSocket&, bool) override {}
  net::NetSocket listener;
  std::atomic<int> accept_failures{0};
};

TEST(WorkerPoolTest, ASlotWithoutAThreadIsNotHandedOutUntilARecycleMakesOne) {
  IdleHost host;
  g_threads_allowed = 2;  // slots 1 and 2 get threads, slot 3 does not
  WorkerPool pool(host, 3, &LimitedThreads);
  pool.Build();
  EXPECT_EQ(2, pool.FreeSlotCount());

  // Slot 1's worker runs and recycles its slot, but no new thread can be made.
  g_threads_allowed = 0;
  ASSERT_EQ(1, pool.AcquireSlot().slot);
  ASSERT_TRUE(pool.ResumeSlot(1));
  ASSERT_TRUE(WaitUntil([&] { return host.accept_failures == 1 && pool.LiveThreadCount() == 1; },
                        3000, 10));
  EXPECT_EQ(1, pool.FreeSlotCount());  // only slot 2
  EXPECT_EQ(2, pool.AcquireSlot().slot);
  EXPECT_EQ(SlotStatus::kNoneFree,
            pool.AcquireSlot().status);  // slots 1 and 3 are never offered without a thread

  // Slot 2's worker recycles with threads available again: its own slot and
  // the two left without threads are all back in use.
  g_threads_allowed = 10;
  ASSERT_TRUE(pool.ResumeSlot(2));
  ASSERT_TRUE(WaitUntil([&] { return pool.FreeSlotCount() == 3; }, 3000, 10));
  EXPECT_TRUE(WaitUntil([&] { return pool.LiveThreadCount() == 3; }, 3000, 10));
  EXPECT_EQ(1, pool.AcquireSlot().slot);
  EXPECT_TRUE(pool.ShutdownWorkers(3000));
  EXPECT_EQ(0, pool.LiveThreadCount());
  EXPECT_EQ(SlotStatus::kShuttingDown, pool.AcquireSlot().status);
}

// A thread entry that throws: the thread ends quietly, with its stack
// unwound, instead of ending the whole process (a plain unhandled
// exception would call std::terminate before unwinding anything).
TEST(ThreadTest, AnExceptionEndsOnlyItsOwnThread) {
  struct Unwound {
    std::atomic<bool>* flag;
    ~Unwound() { flag->store(true); }
  };
  static std::atomic<bool> unwound{false};
  auto entry = [](void*) {
    const Unwound mark{&unwound};
    throw std::runtime_error("from a thread");
  };
  std::optional<platform::Thread> thread = platform::Thread::Create(entry, nullptr, false);
  ASSERT_TRUE(thread.has_value());
  EXPECT_TRUE(WaitUntil([] { return unwound.load(); }, 5000));
}

}  // namespace
}  // namespace orvane::testing
