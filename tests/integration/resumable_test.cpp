// Resumable uploads (tus 1.0.0) over 127.0.0.1: every byte that arrived
// before a cut is kept and told as the offset, an upload arrives once and
// whole under its safe name, many go at once beside a form, each fault gets
// its status, and nothing of an unfinished upload outlives a stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "http/upload/resumable_rules.h"
#include "platform/clock.h"
#include "support/test_support.h"
#include "support/wait.h"

namespace orvane::testing {
namespace {

namespace fs = std::filesystem;

std::string Bytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed * 131 + i * 7 + i / 251);
  return bytes;
}

// The value of a header line of an answer; "" when it has none.
std::string HeaderOf(const std::string& answer, const std::string& name) {
  const std::size_t at = answer.find("\r\n" + name + ": ");
  if (at == std::string::npos || at > answer.find("\r\n\r\n")) return "";
  const std::size_t from = at + name.size() + 4;
  return answer.substr(from, answer.find("\r\n", from) - from);
}

std::string StatusOf(const std::string& answer) { return answer.substr(0, answer.find("\r\n")); }

class ResumableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_.MakeFolder("in");
    inbox_ = site_.path() / "in";
    ServingOptions options;
    options.uploads = true;
    options.upload_folder = inbox_.u8string();
    server_.server->SetServingOptions(options);
    code_ = server_.server->serving_options().code;
  }

  // A request of the protocol to `path` (with the code added), its head
  // lines `more` and `body`.
  std::string Request(const std::string& method, const std::string& path, const std::string& more,
                      const std::string& body = "") const {
    return method + " " + path + "?code=" + code_ +
           " HTTP/1.1\r\nHost: a\r\nTus-Resumable: 1.0.0\r\n" + more +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  }
  std::string Create(std::uint64_t length, const std::string& more = "") {
    return Fetch(server_.port, Request("POST", "/:upload",
                                       "Upload-Length: " + std::to_string(length) +
                                           "\r\nUpload-Metadata: filename YS5iaW4=\r\n" + more));
  }
  std::string Patch(const std::string& at, std::uint64_t offset, const std::string& body) {
    return Fetch(server_.port, Request("PATCH", at, Offset(offset), body));
  }
  static std::string Offset(std::uint64_t offset) {
    return "Content-Type: application/offset+octet-stream\r\nUpload-Offset: " +
           std::to_string(offset) + "\r\n";
  }
  std::string Head(const std::string& at) { return Fetch(server_.port, Request("HEAD", at, "")); }

  net::SocketLibrary library_;
  TempSite site_;
  fs::path inbox_;
  RunningServer server_{site_.FolderText()};
  std::string code_;
};

TEST_F(ResumableTest, ACutInsideAPatchKeepsExactlyTheBytesBeforeIt) {
  const std::string file = Bytes(600000, 1);
  const std::string at = HeaderOf(Create(file.size()), "Location");
  ASSERT_EQ(0u, at.rfind("/:upload/", 0)) << at;
  // Cut at several points: inside the first piece the server reads, past
  // it, and one byte before the end.
  std::uint64_t offset = 0;
  for (const std::size_t cut : {1000u, 300000u, 599999u}) {
    SCOPED_TRACE(cut);
    const std::string request = Request("PATCH", at, Offset(offset), file.substr(offset));
    const std::size_t head = request.size() - (file.size() - offset);
    net::NetSocket client;
    ASSERT_TRUE(ConnectLocal(client, server_.port));
    ASSERT_TRUE(client.SendAll(std::string_view(request).substr(0, head + cut - offset), 5000));
    // The client's end comes after its bytes; the server closes unanswered.
    client.Shutdown(net::ShutdownHow::kSend);
    EXPECT_EQ("", ReadUntilClosed(client, 5000));
    EXPECT_EQ(std::to_string(cut), HeaderOf(Head(at), "Upload-Offset"));
    offset = cut;
  }
  const std::string last = Patch(at, offset, file.substr(offset));
  EXPECT_EQ("HTTP/1.1 204 No Content", StatusOf(last)) << last;
  EXPECT_EQ("600000", HeaderOf(last, "Upload-Offset"));
  EXPECT_EQ((std::map<std::string, std::string>{{"a.bin", file}}), Held(inbox_));
  // Whole, it is told whole to a client whose last answer was lost.
  EXPECT_EQ("600000", HeaderOf(Head(at), "Upload-Offset"));
  EXPECT_NE(std::string::npos, server_.panel.ConnectionLog().find("a.bin 600000 "));
}

TEST_F(ResumableTest, AnUploadStillHeldByADroppedConnectionGoesOnAtOnce) {
  const std::string file = Bytes(200000, 2);
  const std::string at = HeaderOf(Create(file.size()), "Location");
  const std::string request = Request("PATCH", at, Offset(0), file);
  // The old connection stays open, silent: the server cannot tell it is gone.
  net::NetSocket old;
  ASSERT_TRUE(ConnectLocal(old, server_.port));
  ASSERT_TRUE(old.SendAll(std::string_view(request).substr(0, request.size() - 150000), 5000));
  // Told at once, not after the minute of silence the server would wait:
  // at most what was sent (bytes still on their way when the old
  // connection is ended are sent again). A HEAD that comes before the old
  // request has even begun to write finds nothing held, and is asked again.
  std::string head;
  std::uint64_t told = 0;
  for (int tries = 0; tries < 100 && told == 0; ++tries) {
    if (tries > 0) platform::SleepMillis(20);
    const std::int64_t asked = platform::MonotonicMillis();
    head = Head(at);
    EXPECT_LT(platform::MonotonicMillis() - asked, 3000);
    told = std::stoull("0" + HeaderOf(head, "Upload-Offset"));
  }
  EXPECT_LT(0u, told) << head;
  EXPECT_LE(told, 50000u) << head;
  EXPECT_EQ("", ReadUntilClosed(old, 5000));  // interrupted, unanswered
  EXPECT_EQ("HTTP/1.1 204 No Content", StatusOf(Patch(at, told, file.substr(told))));
  EXPECT_EQ(file, Held(inbox_)["a.bin"]);
}

TEST_F(ResumableTest, EachFaultGetsItsStatusAndNothingIsLost) {
  const std::string at = HeaderOf(Create(10), "Location");
  ASSERT_FALSE(at.empty());
  const struct {
    std::string what;
    std::string request;
    std::string status;
    std::string offset;  // told afterwards
  } cases[] = {
      {"a wrong offset", Request("PATCH", at, Offset(3), "abc"), "409 Conflict", "0"},
      {"another type",
       Request("PATCH", at, "Content-Type: text/plain\r\nUpload-Offset: 0\r\n", "abc"),
       "415 Unsupported Media Type", "0"},
      {"no version",
       "PATCH " + at + "?code=" + code_ + " HTTP/1.1\r\n" + Offset(0) + "Content-Length: 0\r\n\r\n",
       "412 Precondition Failed", "0"},
      {"some bytes", Request("PATCH", at, Offset(0), "abcd"), "204 No Content", "4"},
      {"past its length", Request("PATCH", at, Offset(4), "efghijklmn"), "400 Bad Request", ""},
      {"ended", Request("PATCH", at, Offset(10), "x"), "404 Not Found", ""},
      {"never made", Request("HEAD", "/:upload/" + std::string(32, 'a'), ""), "404 Not Found", ""},
      {"no id", Request("HEAD", "/:upload/..", ""), "404 Not Found", ""},
      {"no file name",
       Request("POST", "/:upload", "Upload-Length: 5\r\nUpload-Metadata: filename //4=\r\n"),
       "400 Bad Request", ""},
      {"more than any disk holds",
       Request("POST", "/:upload",
               "Upload-Length: 9000000000000000000\r\n"
               "Upload-Metadata: filename YQ==\r\n"),
       "507 Insufficient Storage", ""},
      {"no code", "HEAD " + at + " HTTP/1.1\r\nTus-Resumable: 1.0.0\r\n\r\n", "403 Forbidden", ""},
      {"from another site's page",
       Request("POST", "/:upload", "Origin: http://b\r\nUpload-Length: 1\r\n"), "403 Forbidden",
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string answer = Fetch(server_.port, c.request);
    EXPECT_EQ("HTTP/1.1 " + c.status, StatusOf(answer)) << answer;
    if (!c.offset.empty()) {
      EXPECT_EQ(c.offset, HeaderOf(Head(at), "Upload-Offset"));
    }
  }
  // The bytes up to the length were kept: the file is whole.
  EXPECT_EQ((std::map<std::string, std::string>{{"a.bin", "abcdefghij"}}), Held(inbox_));

  // At most 64 unfinished at once; an ended one makes room.
  fs::remove_all(inbox_);
  fs::create_directory(inbox_);
  std::vector<std::string> made;
  for (std::size_t i = 0; i < kMaxUnfinishedUploads; ++i) {
    made.push_back(HeaderOf(Create(5), "Location"));
    ASSERT_FALSE(made.back().empty()) << i;
  }
  EXPECT_EQ("HTTP/1.1 429 Too Many Requests", StatusOf(Create(5)));
  EXPECT_EQ("HTTP/1.1 204 No Content",
            StatusOf(Fetch(server_.port, Request("DELETE", made[0], ""))));
  EXPECT_EQ("HTTP/1.1 201 Created", StatusOf(Create(5)));
  EXPECT_EQ(kMaxUnfinishedUploads, Held(inbox_).size());  // the ended one's file is gone
}

TEST_F(ResumableTest, TwentyUploadsAtOnceBesideAFormArriveExact) {
  constexpr unsigned kCount = 20;
  std::vector<std::string> files, places;
  for (unsigned i = 0; i < kCount; ++i) {
    files.push_back(Bytes(70000 + i, i));
    places.push_back(HeaderOf(Create(files[i].size()), "Location"));
    ASSERT_FALSE(places.back().empty());
  }
  // Each PATCH sends half, one after the other (each once accepted: the
  // listen backlog is the design's 5); once all are under way (twenty
  // workers receiving at once), each sends the rest.
  const auto lines = [&] {
    const std::string log = server_.panel.ConnectionLog();
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
  };
  const std::size_t before = lines();
  std::vector<net::NetSocket> clients(kCount);
  std::vector<std::string> requests;
  for (unsigned i = 0; i < kCount; ++i) {
    requests.push_back(Request("PATCH", places[i], Offset(0), files[i]));
    ASSERT_TRUE(ConnectLocal(clients[i], server_.port));
    ASSERT_TRUE(server_.panel.WaitFor([&] { return lines() == before + i + 1; }, 5000));
    ASSERT_TRUE(
        clients[i].SendAll(std::string_view(requests[i]).substr(0, requests[i].size() / 2), 5000));
  }
  const std::string form =
      "--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"form.txt\""
      "\r\n\r\nfrom the form\r\n--B--\r\n";
  std::string form_answer;
  std::thread form_sender([&] {
    form_answer = Fetch(server_.port, "POST /:upload?code=" + code_ +
                                          " HTTP/1.1\r\nContent-Type: multipart/form-data; "
                                          "boundary=B\r\nContent-Length: " +
                                          std::to_string(form.size()) + "\r\n\r\n" + form);
  });
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
  form_sender.join();
  EXPECT_EQ("HTTP/1.1 200 OK", StatusOf(form_answer));
  std::multiset<std::string> sent{"from the form"}, held;
  for (unsigned i = 0; i < kCount; ++i) {
    EXPECT_EQ("HTTP/1.1 204 No Content", StatusOf(answers[i])) << i;
    sent.insert(files[i]);
  }
  for (const auto& [name, bytes] : Held(inbox_)) held.insert(bytes);
  EXPECT_TRUE(sent == held) << held.size() << " files held";
}

TEST_F(ResumableTest, StopWithUploadsUnderWayLeavesNoFileBehind) {
  const std::string idle = HeaderOf(Create(1000), "Location");
  ASSERT_EQ("HTTP/1.1 204 No Content", StatusOf(Patch(idle, 0, Bytes(300, 3))));
  const std::string busy = HeaderOf(Create(100000), "Location");
  const std::string request = Request("PATCH", busy, Offset(0), Bytes(100000, 4));
  net::NetSocket client;
  ASSERT_TRUE(ConnectLocal(client, server_.port));
  ASSERT_TRUE(client.SendAll(std::string_view(request).substr(0, request.size() / 2), 5000));
  ASSERT_TRUE(WaitUntil([&] { return Held(inbox_).size() == 2; }, 5000));
  ASSERT_TRUE(server_.Stop());
  EXPECT_TRUE(WaitUntil([&] { return Held(inbox_).empty(); }, 5000))
      << Held(inbox_).size() << " files left";
  // 未完成的上传已删除: a.bin, once for each.
  const std::string line = RemovedLogLine("a.bin");
  const std::string log = server_.panel.ConnectionLog();
  EXPECT_NE(log.find(line), log.rfind(line));
  ASSERT_TRUE(server_.Start());
  EXPECT_EQ("HTTP/1.1 404 Not Found", StatusOf(Head(idle)));
}

}  // namespace
}  // namespace orvane::testing
