// A worker reads a cloud file that its provider does not deliver (a pipe
// nobody writes): the read fails at its limit, a stop ends it at once, and a
// read that delivered ends the limit. Windows only: POSIX reads never hang.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>

#include "http/worker_pool.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "support/test_client.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace orvane::testing {
namespace {

// Start() has one of four workers serve a client by reading the pipe's read
// end as a file in the cloud, with reads limited to `limit_ms`.
class CloudReadTest : public ::testing::Test, public WorkerHost {
 protected:
  void Start(int limit_ms) {
    HANDLE read = nullptr;
    ASSERT_NE(0, CreatePipe(&read, &write_, nullptr, 0));
    file_.emplace(platform::ReadOnlyFile::AdoptForTest(reinterpret_cast<std::intptr_t>(read), true,
                                                       limit_ms));
    const std::uint16_t port = FindFreePort();
    ASSERT_TRUE(ListenLocal(listener_, port));
    pool_.Build();
    (void)pool_.BeginRun();
    ASSERT_TRUE(pool_.ResumeSlot(pool_.AcquireSlot().slot));
    net::NetSocket client;  // the worker reads the file, not the client
    ASSERT_TRUE(ConnectLocal(client, port));
    ASSERT_TRUE(WaitUntil([this] { return started_ms_ != 0; }, 5000));
  }
  void TearDown() override {
    // A read still waiting ends now, before what it reads goes away.
    DWORD written = 0;
    if (write_ != nullptr) (void)WriteFile(write_, "x", 1, &written, nullptr);
    listener_.Close();  // the next waiter's Accept fails and it ends
    EXPECT_TRUE(pool_.ShutdownWorkers(5000));
    if (write_ != nullptr) CloseHandle(write_);
  }

  net::NetSocket& ListenSocket() override { return listener_; }
  void OnAcceptFailed(std::uint64_t, bool) override {}
  void LogConnection(const net::NetSocket&) override {}
  Served ServeConnection(net::NetSocket&, std::int64_t) override {
    char buffer[16];
    started_ms_ = platform::MonotonicMillis();
    got_ = file_->Read(buffer, sizeof buffer);
    ended_ms_ = platform::MonotonicMillis();
    if (got_ > 0 && read_again_) {
      got_again_ = file_->Read(buffer, sizeof buffer);
      ended_again_ms_ = platform::MonotonicMillis();
    }
    return Served::kUnanswered;
  }
  void SendLimitResponse(net::NetSocket&) override {}
  void FinishConnection(net::NetSocket&, bool) override {}

  net::SocketLibrary library_;
  HANDLE write_ = nullptr;
  std::optional<platform::ReadOnlyFile> file_;
  std::atomic<std::int64_t> started_ms_{0};  // the read began (the clock is never 0)
  std::atomic<std::int64_t> ended_ms_{0};
  std::atomic<std::int64_t> got_{0};
  bool read_again_ = false;  // a second read after a first that delivered
  std::atomic<std::int64_t> ended_again_ms_{0};
  std::atomic<std::int64_t> got_again_{0};
  net::NetSocket listener_;
  WorkerPool pool_{*this, 4};
};

TEST_F(CloudReadTest, AReadTheProviderDoesNotAnswerFailsAtTheLimit) {
  ASSERT_NO_FATAL_FAILURE(Start(300));
  ASSERT_TRUE(WaitUntil([this] { return ended_ms_ != 0; }, 10000));
  EXPECT_EQ(-1, got_);
  EXPECT_GE(ended_ms_ - started_ms_, 300);
}

TEST_F(CloudReadTest, StoppingTheServerEndsAWorkersCloudReadAtOnce) {
  ASSERT_NO_FATAL_FAILURE(Start(kCloudReadLimitMs));
  pool_.ShutdownConnections();
  EXPECT_TRUE(WaitUntil([this] { return ended_ms_ != 0; }, 10000));
  EXPECT_EQ(-1, got_);
}

TEST_F(CloudReadTest, OnceAReadDeliveredTheFileIsReadWithoutALimit) {
  read_again_ = true;
  ASSERT_NO_FATAL_FAILURE(Start(300));
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(write_, "x", 1, &written, nullptr));
  ASSERT_TRUE(WaitUntil([this] { return ended_ms_ != 0; }, 10000));
  EXPECT_EQ(1, got_);
  // The pipe is no placeholder: the second read waits for it, past the limit.
  EXPECT_FALSE(WaitUntil([this] { return ended_again_ms_ != 0; }, 900));
  ASSERT_TRUE(WriteFile(write_, "y", 1, &written, nullptr));
  ASSERT_TRUE(WaitUntil([this] { return ended_again_ms_ != 0; }, 10000));
  EXPECT_EQ(1, got_again_);
}

}  // namespace
}  // namespace orvane::testing
