// NetSocket against the real socket library: time-outs, closing from another
// thread, and the small contracts the server relies on.
#include "net/net_socket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "platform/clock.h"
#include "platform/file.h"
#include "support/test_support.h"

namespace orvane::net {
namespace {

using orvane::testing::ConnectedPair;
using orvane::testing::ListenLocalOnAnyPort;
using orvane::testing::LocalPort;

class NetSocketTest : public ::testing::Test {
 protected:
  SocketLibrary library_;
};

TEST_F(NetSocketTest, ClosingFromAnotherThreadEndsAPendingAccept) {
  NetSocket listener;
  ASSERT_NE(0, ListenLocalOnAnyPort(listener));
  std::atomic<int> result{-1};
  std::thread waiter([&] {
    NetSocket client;
    result = listener.Accept(client) ? 1 : 0;
  });
  platform::SleepMillis(200);
  const std::int64_t closed_at = platform::MonotonicMillis();
  listener.Close();
  waiter.join();
  EXPECT_EQ(0, result.load());
  EXPECT_LT(platform::MonotonicMillis() - closed_at, 2000);
}

TEST_F(NetSocketTest, InterruptFromAnotherThreadEndsAPendingReceive) {
  ConnectedPair pair;
  ASSERT_TRUE(pair.Open());
  std::atomic<long> result{-100};
  std::thread reader([&] {
    char buffer[64];
    result = pair.server_side.ReceiveSome(buffer, sizeof buffer, 10000);
  });
  platform::SleepMillis(200);
  const std::int64_t shut_at = platform::MonotonicMillis();
  pair.server_side.Interrupt();
  reader.join();
  EXPECT_LE(result.load(), 0);
  EXPECT_LT(platform::MonotonicMillis() - shut_at, 2000);
}

TEST_F(NetSocketTest, ShutdownFromAnotherThreadEndsASendToAClientThatDoesNotRead) {
  ConnectedPair pair;
  ASSERT_TRUE(pair.Open());
  std::atomic<int> result{-1};
  std::thread sender([&] {
    const std::string big(64 * 1024 * 1024, 'x');  // far more than the socket buffers hold
    result = pair.server_side.SendAll(big, 10000) ? 1 : 0;
  });
  platform::SleepMillis(300);
  const std::int64_t shut_at = platform::MonotonicMillis();
  pair.server_side.Shutdown(ShutdownHow::kBoth);
  sender.join();
  EXPECT_EQ(0, result.load());
  EXPECT_LT(platform::MonotonicMillis() - shut_at, 3000);
}

TEST_F(NetSocketTest, SendGivesUpWhenTheClientTakesNothingForTheWait) {
  ConnectedPair pair;
  ASSERT_TRUE(pair.Open());
  const std::string big(64 * 1024 * 1024, 'x');
  const std::int64_t start = platform::MonotonicMillis();
  EXPECT_FALSE(pair.server_side.SendAll(big, 300));
  EXPECT_LT(platform::MonotonicMillis() - start, 5000);
}

TEST_F(NetSocketTest, ReceiveTimesOutWhenNothingArrivesAndEndsAtOnceAfterThePeerCloses) {
  ConnectedPair pair;
  ASSERT_TRUE(pair.Open());
  char buffer[8191];
  std::int64_t start = platform::MonotonicMillis();
  EXPECT_EQ(NetSocket::kReceiveTimedOut, pair.server_side.ReceiveSome(buffer, sizeof buffer, 1000));
  const std::int64_t waited = platform::MonotonicMillis() - start;
  EXPECT_GE(waited, 900);
  EXPECT_LT(waited, 3000);

  const std::string sent(20000, 'r');
  ASSERT_TRUE(pair.client.SendAll(sent, 2000));
  pair.client.Close();
  std::size_t total = 0;
  for (long got; (got = pair.server_side.ReceiveSome(buffer, sizeof buffer, 2000)) > 0;) {
    EXPECT_LE(static_cast<std::size_t>(got), sizeof buffer);
    total += static_cast<std::size_t>(got);
  }
  EXPECT_EQ(sent.size(), total);
  start = platform::MonotonicMillis();
  EXPECT_EQ(0, pair.server_side.ReceiveSome(buffer, sizeof buffer, 5000));
  EXPECT_LT(platform::MonotonicMillis() - start, 1000);
}

TEST_F(NetSocketTest, InputWaitingSeesUnreadBytesOnlyAndNeverWaits) {
  const struct {
    const char* what;
    std::string sent;
    bool close_after;
    bool expected;
  } cases[] = {
      {"nothing sent", "", false, false},
      {"bytes sent", "more", false, true},
      {"bytes sent, then the end", "more", true, true},
      {"only the end", "", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConnectedPair pair;
    ASSERT_TRUE(pair.Open());
    ASSERT_TRUE(pair.client.SendAll(c.sent, 1000));
    if (c.close_after) pair.client.Close();
    platform::SleepMillis(100);  // what was sent has arrived
    const std::int64_t start = platform::MonotonicMillis();
    EXPECT_EQ(c.expected, pair.server_side.InputWaiting());
    EXPECT_LT(platform::MonotonicMillis() - start, 500);
  }
}

TEST_F(NetSocketTest, SmallContracts) {
  NetSocket fresh;
  fresh.Close();  // nothing held: nothing happens
  fresh.Close();
  EXPECT_EQ(kNoSocket, fresh.Handle());

  ConnectedPair pair;
  ASSERT_TRUE(pair.Open());
  EXPECT_TRUE(pair.server_side.SendAll("", 100));

  // The peer is the one Accept saw: the client's own address and port.
  NetSocket listener;
  NetSocket client;
  NetSocket accepted;
  const std::uint16_t listen_port = ListenLocalOnAnyPort(listener);
  ASSERT_NE(0, listen_port);
  std::string address;
  std::uint16_t port = 1;
  EXPECT_FALSE(listener.PeerAddress(address, port));  // not an accepted socket
  ASSERT_TRUE(orvane::testing::ConnectLocal(client, listen_port));
  ASSERT_TRUE(listener.Accept(accepted));
  ASSERT_TRUE(accepted.PeerAddress(address, port));
  EXPECT_EQ("127.0.0.1", address);
  EXPECT_EQ(LocalPort(client), port);

  accepted.Close();
  EXPECT_FALSE(accepted.PeerAddress(address, port));
  EXPECT_EQ("", address);
  EXPECT_EQ(0, port);
}

TEST_F(NetSocketTest, AcceptAfterCloseFailsAndAMoveClosesTheSocketMovedOver) {
  NetSocket listener;
  ASSERT_NE(0, ListenLocalOnAnyPort(listener));
  listener.Close();
  NetSocket client;
  EXPECT_FALSE(listener.Accept(client));

  // Moving hands the one socket over; the source no longer owns it.
  NetSocket a;
  ASSERT_TRUE(a.Create());
  const SocketHandle handle = a.Handle();
  NetSocket b(std::move(a));
  EXPECT_EQ(kNoSocket, a.Handle());
  EXPECT_EQ(handle, b.Handle());

  // Moving over a socket closes the one it held: a connection still waiting
  // to be accepted by it is ended at once.
  NetSocket old_listener;
  const std::uint16_t port = ListenLocalOnAnyPort(old_listener);
  ASSERT_NE(0, port);
  NetSocket waiting;
  ASSERT_TRUE(orvane::testing::ConnectLocal(waiting, port));
  old_listener = std::move(b);
  EXPECT_EQ(handle, old_listener.Handle());
  bool ended = false;
  EXPECT_EQ("", orvane::testing::ReadUntilClosed(waiting, 5000, &ended));
  EXPECT_TRUE(ended);
}

TEST_F(NetSocketTest, AFileShorterThanAnnouncedEndsTheZeroCopySend) {
  if (!NetSocket::HasZeroCopySend()) GTEST_SKIP() << "no zero-copy send on this system";
  orvane::testing::TempSite site;
  site.Write("short.bin", std::string(1000, 's'));
  const std::string root = site.FolderText();
  // Shared with the sender, which a spinning fault would leave running.
  auto file = std::make_shared<std::optional<platform::ReadOnlyFile>>(
      platform::ReadOnlyFile::OpenRegular(platform::FileName{root, "\\short.bin", false}));
  ASSERT_TRUE(file->has_value());
  auto pair = std::make_shared<ConnectedPair>();
  ASSERT_TRUE(pair->Open());
  auto result = std::make_shared<std::atomic<int>>(-1);
  std::thread sender([file, pair, result] {
    *result = pair->server_side.SendFileRange((*file)->native(), 0, 5000, 1000) ? 1 : 0;
  });
  for (int i = 0; i < 300 && result->load() == -1; ++i) platform::SleepMillis(10);
  if (result->load() == -1) {
    sender.detach();
    FAIL() << "the send did not end when the file did";
  }
  sender.join();
  EXPECT_EQ(0, result->load());  // fewer bytes than asked for
  pair->server_side.Shutdown(ShutdownHow::kSend);
  EXPECT_EQ(std::string(1000, 's'), orvane::testing::ReadUntilClosed(pair->client, 3000));
}

}  // namespace
}  // namespace orvane::net
