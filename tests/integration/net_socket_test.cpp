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

using orvane::testing::ConnectLocal;
using orvane::testing::FindFreePort;

using orvane::testing::ConnectedPair;

class NetSocketTest : public ::testing::Test {
 protected:
  SocketLibrary library_;
};

TEST_F(NetSocketTest, ClosingFromAnotherThreadEndsAPendingAccept) {
  NetSocket listener;
  const std::uint16_t port = FindFreePort();
  ASSERT_TRUE(listener.Create(false));
  ASSERT_TRUE(listener.Bind(port, "", false));
  ASSERT_TRUE(listener.Listen());
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

TEST_F(NetSocketTest, ReceiveTimesOutWithEmptyDataWhenNothingArrives) {
  ConnectedPair pair;
  ASSERT_TRUE(pair.Open());
  std::string data = "stale";
  const std::int64_t start = platform::MonotonicMillis();
  EXPECT_FALSE(pair.server_side.Receive(data, 1, true));
  const std::int64_t waited = platform::MonotonicMillis() - start;
  EXPECT_TRUE(data.empty());
  EXPECT_GE(waited, 900);
  EXPECT_LT(waited, 3000);
}

TEST_F(NetSocketTest, ReceiveReturnsAtMost8191BytesAndThenFailsAfterThePeerCloses) {
  ConnectedPair pair;
  ASSERT_TRUE(pair.Open());
  const std::string sent(20000, 'r');
  ASSERT_TRUE(pair.client.SendAll(sent, 2000));
  platform::SleepMillis(100);
  std::string first;
  ASSERT_TRUE(pair.server_side.Receive(first, 2, true));
  EXPECT_GE(first.size(), 1u);
  EXPECT_LE(first.size(), kReceiveBufferBytes);
  // Drain the rest, then the closed peer makes Receive fail at once.
  pair.client.Close();
  std::string more;
  std::size_t total = first.size();
  while (pair.server_side.Receive(more, 2, true)) total += more.size();
  EXPECT_EQ(sent.size(), total);
  const std::int64_t start = platform::MonotonicMillis();
  EXPECT_FALSE(pair.server_side.Receive(more, 5, true));
  EXPECT_LT(platform::MonotonicMillis() - start, 1000);
}

TEST_F(NetSocketTest, SmallContracts) {
  NetSocket fresh;
  fresh.Close();  // nothing held: nothing happens
  fresh.Close();
  EXPECT_EQ(kNoSocket, fresh.Handle());

  ConnectedPair pair;
  ASSERT_TRUE(pair.Open());
  EXPECT_TRUE(pair.server_side.SendAll("", 100));
  EXPECT_TRUE(pair.server_side.Send("", 1, true));

  std::string address;
  std::uint16_t port = 1;
  ASSERT_TRUE(pair.server_side.PeerAddress(address, port));
  EXPECT_EQ("127.0.0.1", address);
  std::uint16_t client_port = 0;
  std::string client_address;
  ASSERT_TRUE(pair.client.LocalAddress(client_address, client_port));
  EXPECT_EQ(client_port, port);

  pair.server_side.Close();
  EXPECT_FALSE(pair.server_side.PeerAddress(address, port));
  EXPECT_EQ("", address);
  EXPECT_EQ(0, port);
}

TEST_F(NetSocketTest, BindRefusesAnAddressInetAddrCannotRead) {
  NetSocket socket;
  ASSERT_TRUE(socket.Create(false));
  EXPECT_FALSE(socket.Bind(FindFreePort(), "255.255.255.255", true));
  EXPECT_EQ(sys::InvalidArgumentError(), socket.LastError());
  EXPECT_FALSE(socket.Bind(FindFreePort(), "not an address", true));
  EXPECT_EQ(sys::InvalidArgumentError(), socket.LastError());
}

TEST_F(NetSocketTest, AcceptAfterCloseFailsAndAdoptClosesTheOldSocket) {
  NetSocket listener;
  ASSERT_TRUE(listener.Create(false));
  ASSERT_TRUE(listener.Bind(FindFreePort(), "", false));
  ASSERT_TRUE(listener.Listen());
  listener.Close();
  NetSocket client;
  EXPECT_FALSE(listener.Accept(client));

  // Moving hands the one socket over; the source no longer owns it.
  NetSocket a;
  ASSERT_TRUE(a.Create(false));
  const SocketHandle handle = a.Handle();
  NetSocket b(std::move(a));
  EXPECT_EQ(kNoSocket, a.Handle());
  EXPECT_EQ(handle, b.Handle());

  // Moving over a socket closes the one it held: its port is free again.
  NetSocket old_listener;
  const std::uint16_t port = FindFreePort();
  ASSERT_TRUE(old_listener.Create(false));
  ASSERT_TRUE(old_listener.Bind(port, "127.0.0.1", true));
  ASSERT_TRUE(old_listener.Listen());
  old_listener = std::move(b);
  EXPECT_EQ(handle, old_listener.Handle());
  NetSocket rebound;
  ASSERT_TRUE(rebound.Create(false));
  EXPECT_TRUE(rebound.Bind(port, "127.0.0.1", true));
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

TEST_F(NetSocketTest, DatagramsGoBothWays) {
  NetSocket receiver;
  NetSocket sender;
  const std::uint16_t port = FindFreePort();
  ASSERT_TRUE(receiver.Create(true));
  ASSERT_TRUE(receiver.Bind(port, "127.0.0.1", true));
  ASSERT_TRUE(sender.Create(true));
  EXPECT_TRUE(sender.EnableBroadcast());
  EXPECT_EQ(5, sender.SendTo("hello", "127.0.0.1", port));
  std::string host;
  std::uint16_t from_port = 0;
  EXPECT_EQ("hello", receiver.ReceiveFrom(host, from_port, 2, true));
  EXPECT_EQ("127.0.0.1", host);
  EXPECT_NE(0, from_port);
  // Nothing more: a time-out gives an empty buffer.
  EXPECT_EQ("", receiver.ReceiveFrom(host, from_port, 1, true));
}

}  // namespace
}  // namespace orvane::net
