// Files sent to the upload address over 127.0.0.1: what arrives whole is
// kept under a safe, free name in the upload folder, byte for byte; nothing
// else is ever left there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/mount.h>
#include <unistd.h>
#endif

#include "http/upload/upload_name.h"
#include "support/test_support.h"

namespace orvane::testing {
namespace {

namespace fs = std::filesystem;

using Files = std::vector<std::pair<std::string, std::string>>;  // name, bytes

std::string Form(const Files& files) {
  std::string body = "preamble\r\n";
  for (const auto& [name, bytes] : files) {
    body += "--Xy-Z\r\nContent-Disposition: form-data; name=\"f\"; filename=\"" + name +
            "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n";
  }
  return body + "--Xy-Z--\r\n";
}

// A POST of `body` that says it is `length` bytes long (its own length unless given).
std::string Post(const std::string& path, const std::string& body, const std::string& more = "",
                 std::optional<std::size_t> length = std::nullopt) {
  return "POST " + path +
         " HTTP/1.1\r\nHost: a\r\nContent-Type: multipart/form-data; boundary=Xy-Z\r\n" + more +
         "Content-Length: " + std::to_string(length.value_or(body.size())) + "\r\n\r\n" + body;
}

// Bytes with line breaks and boundary-like runs in them.
std::string Bytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = i % 97 == 0   ? '\r'
               : i % 89 == 0 ? '\n'
               : i % 83 == 0 ? '-'
                             : static_cast<char>(seed * 31 + i * 7);
  }
  return bytes;
}

class UploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_.MakeFolder("in");
    inbox_ = site_.path() / "in";
    server_ = std::make_unique<RunningServer>(site_.FolderText());
    ServingOptions options;
    options.uploads = true;
    options.upload_folder = inbox_.u8string();
    server_->server->SetServingOptions(options);
    code_ = server_->server->serving_options().code;
  }
  std::string Address() const { return "/:upload?code=" + code_; }

  net::SocketLibrary library_;
  TempSite site_;
  fs::path inbox_;
  std::unique_ptr<RunningServer> server_;
  std::string code_;
};

TEST_F(UploadTest, AFormsFilesArriveWholeUnderSafeFreeNamesOrNotAtAll) {
  const std::string big = Bytes(700000, 1);
  const std::string hostile[] = {"../../escape.txt", "C:\\\\Windows\\\\win.ini", "CON.txt",
                                 "a<b>|c?.txt", "\xE7\x85\xA7\xE7\x89\x87 1.jpg"};
  Files five;
  for (unsigned i = 0; i < 5; ++i) five.push_back({hostile[i], Bytes(1000 * i + 3, i)});
  const std::string form = Form({{"a.bin", "abc"}});
  const struct {
    std::string what;
    std::string request;
    std::string status;  // the first line of the answer
    Files expected;      // what the folder holds afterwards (name, bytes)
  } cases[] = {
      {"hostile names", Post(Address(), Form(five)), "HTTP/1.1 200 OK", five},
      {"the same name twice",
       Post(Address(), Form({{"x.jpg", "1"}, {"x.jpg", "22"}})),
       "HTTP/1.1 200 OK",
       {{"x.jpg", "1"}, {"x (1).jpg", "22"}}},
      {"a large file",
       Post(Address(), Form({{"big.bin", big}})),
       "HTTP/1.1 200 OK",
       {{"big.bin", big}}},
      {"an empty file field", Post(Address(), Form({{"", ""}})), "HTTP/1.1 200 OK", {}},
      {"asked to wait",
       Post(Address(), form, "Expect: 100-continue\r\n"),
       "HTTP/1.1 100 Continue",
       {{"a.bin", "abc"}}},
      {"chunked",
       "POST " + Address() + " HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n",
       "HTTP/1.1 411 Length Required",
       {}},
      {"not a form", Post(Address(), "just bytes"), "HTTP/1.1 400 Bad Request", {}},
      {"cut before its end",
       Post(Address(), form.substr(0, form.size() - 9)),
       "HTTP/1.1 400 Bad Request",
       {}},
      // Only the bytes the length names are the body, though more came.
      {"a length short of the body",
       Post(Address(), form, "", form.size() - 9),
       "HTTP/1.1 400 Bad Request",
       {}},
      {"no code",
       "POST /:upload HTTP/1.1\r\nContent-Length: 0\r\n\r\n",
       "HTTP/1.1 403 Forbidden",
       {}},
      {"a page of this server",
       Post(Address(), form, "Origin: http://a\r\n"),
       "HTTP/1.1 200 OK",
       {{"a.bin", "abc"}}},
      {"a page of another program on this computer",
       Post(Address(), form, "Origin: http://a:8081\r\n"),
       "HTTP/1.1 403 Forbidden",
       {}},
      {"a signed length",
       "POST " + Address() + " HTTP/1.1\r\nContent-Length: +5\r\n\r\nabcde",
       "HTTP/1.1 400 Bad Request",
       {}},
      // The form would be read from inside the head: nothing may be stored.
      {"a head past the request limit",
       Post(Address(), Form({{"a.bin", "abc"}, {"b.bin", "def"}}),
            "X-Pad: " + std::string(kMaxRequestBytes, 'p') + "\r\n"),
       "HTTP/1.1 431 Request Header Fields Too Large",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(inbox_);
    fs::create_directory(inbox_);
    const std::string answer = Fetch(server_->port, c.request);
    EXPECT_EQ(0u, answer.rfind(c.status + "\r\n", 0)) << answer.substr(0, 60);
    std::map<std::string, std::string> expected;
    // The name rule has its own table; here each file is where it says.
    for (const auto& [name, bytes] : c.expected) expected[SafeUploadName(name)] = bytes;
    EXPECT_EQ(expected, Held(inbox_));
  }
  // Nothing ever lands beside the folder.
  EXPECT_FALSE(fs::exists(site_.path() / "escape.txt"));
  EXPECT_FALSE(fs::exists(site_.path().parent_path() / "escape.txt"));
}

TEST_F(UploadTest, AClientThatLeavesHalfWayLeavesNothingBehind) {
  const std::string request = Post(Address(), Form({{"whole.bin", Bytes(300000, 2)}}));
  net::NetSocket client;
  ASSERT_TRUE(ConnectLocal(client, server_->port));
  ASSERT_TRUE(client.SendAll(std::string_view(request).substr(0, request.size() / 2), 3000));
  // The file under way is on the disk now, under its temporary name.
  EXPECT_TRUE(server_->panel.WaitFor([&] { return Held(inbox_).size() == 1; }, 5000));
  client.Close();
  EXPECT_TRUE(server_->panel.WaitFor([&] { return Held(inbox_).empty(); }, 5000));
  EXPECT_EQ(0u, Fetch(server_->port, "GET / HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 403", 0));
}

TEST_F(UploadTest, ADripTooSlowForItsMinuteIsCutAndLeavesNothing) {
  ServerOptions options = RunningServer::FastOptions();
  options.body_limits.window_ms = 400;
  options.body_limits.min_bytes = 1000;
  RunningServer slow(site_.FolderText(), options);
  slow.server->SetServingOptions(server_->server->serving_options());
  const std::string code = slow.server->serving_options().code;
  const std::string request = Post("/:upload?code=" + code, Form({{"drip.bin", Bytes(5000, 5)}}));
  net::NetSocket client;
  ASSERT_TRUE(ConnectLocal(client, slow.port));
  ASSERT_TRUE(client.SendAll(std::string_view(request).substr(0, 300), 3000));
  // A byte every 50 ms never falls silent, but brings 8 of the 1000 bytes
  // each window asks for.
  bool cut = false;
  for (std::size_t at = 300; at < 400 && !cut; ++at) {
    cut = !client.SendAll(std::string_view(request).substr(at, 1), 1000);
    char answer[16];
    const long got = client.ReceiveSome(answer, sizeof answer, 50);
    cut = cut || got == 0 || (got < 0 && got != net::NetSocket::kReceiveTimedOut);
  }
  EXPECT_TRUE(cut) << "the drip was still read after 5 s";
  EXPECT_TRUE(slow.panel.WaitFor([&] { return Held(inbox_).empty(); }, 5000));
}

TEST_F(UploadTest, TwentyUploadsAtOnceAllArriveExact) {
  // Connected one after the other (the listen backlog is the design's 5),
  // each then sends half its form, and only once all twenty are under way
  // does each send the rest: twenty workers receive at the same time.
  constexpr unsigned kCount = 20;
  std::vector<net::NetSocket> clients(kCount);
  const auto clients_logged = [&] {
    const std::string log = server_->panel.ConnectionLog();
    std::size_t lines = 0;
    for (std::size_t at = log.find('\n'); at != std::string::npos; at = log.find('\n', at + 1)) {
      ++lines;
    }
    return lines;
  };
  for (unsigned i = 0; i < kCount; ++i) {
    ASSERT_TRUE(ConnectLocal(clients[i], server_->port));
    ASSERT_TRUE(server_->panel.WaitFor([&] { return clients_logged() == i + 1; }, 5000));
  }
  std::vector<std::string> requests;
  for (unsigned i = 0; i < kCount; ++i) {
    requests.push_back(Post(Address(), Form({{"same.bin", Bytes(50000 + i, i)}})));
    ASSERT_TRUE(
        clients[i].SendAll(std::string_view(requests[i]).substr(0, requests[i].size() / 2), 5000));
  }
  std::vector<std::string> answers(kCount);
  std::vector<std::thread> senders;
  for (unsigned i = 0; i < kCount; ++i) {
    senders.emplace_back([&, i] {
      if (clients[i].SendAll(std::string_view(requests[i]).substr(requests[i].size() / 2), 10000)) {
        answers[i] = ReadUntilClosed(clients[i], 10000);
      }
    });
  }
  for (std::thread& sender : senders) sender.join();
  std::set<std::string> sent;
  for (unsigned i = 0; i < kCount; ++i) {
    EXPECT_EQ(0u, answers[i].rfind("HTTP/1.1 200 OK\r\n", 0))
        << i << ": " << answers[i].substr(0, 40);
    sent.insert(Bytes(50000 + i, i));
  }
  std::set<std::string> held;
  for (const auto& [name, bytes] : Held(inbox_)) held.insert(bytes);
  EXPECT_EQ(kCount, held.size());
  EXPECT_TRUE(sent == held) << "the files held are not the ones sent";
}

TEST_F(UploadTest, WithoutUploadsOrWithoutTheCodeNothingIsWritten) {
  ServingOptions off;
  server_->server->SetServingOptions(off);
  EXPECT_EQ("", Fetch(server_->port, Post(Address(), Form({{"a.bin", "abc"}}))));
  ServingOptions code_only;
  code_only.access_code = true;
  server_->server->SetServingOptions(code_only);
  const std::string code = server_->server->serving_options().code;
  EXPECT_EQ("", Fetch(server_->port, Post("/:upload?code=" + code, Form({{"a.bin", "abc"}}))));
  EXPECT_TRUE(Held(inbox_).empty());
}

#ifndef _WIN32
// A disk that fills up: a small tmpfs, which only root can mount.
TEST_F(UploadTest, AFullDiskAnswers507AndLeavesNothing) {
  const fs::path small = site_.path() / "small";
  fs::create_directory(small);
  if (geteuid() != 0 || mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "no tmpfs of our own to fill (needs root and the right to mount)";
  }
  struct Unmount {
    const fs::path& at;
    ~Unmount() { umount(at.c_str()); }
  } unmount{small};
  ServingOptions options = server_->server->serving_options();
  options.upload_folder = small.u8string();
  server_->server->SetServingOptions(options);
  // Too large to fit: refused before a byte is read, so not asked to go on.
  const std::string too_big =
      Post(Address(), Form({{"big.bin", Bytes(400000, 3)}}), "Expect: 100-continue\r\n");
  EXPECT_EQ(0u, Fetch(server_->port, too_big).rfind("HTTP/1.1 507 Insufficient Storage\r\n", 0));
  // Fits when asked, but the disk fills up meanwhile: the server says go on
  // (100 Continue) after its check, then the room is taken.
  const std::string body = Form({{"late.bin", Bytes(150000, 4)}});
  const std::string request = Post(Address(), body, "Expect: 100-continue\r\n");
  const std::size_t head = request.size() - body.size();
  net::NetSocket client;
  ASSERT_TRUE(ConnectLocal(client, server_->port));
  ASSERT_TRUE(client.SendAll(std::string_view(request).substr(0, head), 3000));
  char interim[64] = {};
  EXPECT_LT(0, client.ReceiveSome(interim, sizeof interim, 5000));
  std::ofstream(small / "filler", std::ios::binary) << std::string(200000, 'f');
  ASSERT_TRUE(client.SendAll(body, 5000));
  const std::string answer = ReadUntilClosed(client, 5000);
  EXPECT_EQ(0u, answer.rfind("HTTP/1.1 507 Insufficient Storage\r\n", 0)) << answer.substr(0, 60);
  fs::remove(small / "filler");
  const std::map<std::string, std::string> left = Held(small);
  EXPECT_TRUE(left.empty()) << left.begin()->first;
  // Still serving, and storing again once there is room.
  EXPECT_EQ(0u, Fetch(server_->port, Post(Address(), Form({{"ok.bin", "ok"}})))
                    .rfind("HTTP/1.1 200 OK\r\n", 0));
}
#endif

}  // namespace
}  // namespace orvane::testing
