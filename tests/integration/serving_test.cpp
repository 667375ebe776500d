// Requests answered end to end by a running server over 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "http/connection.h"
#include "http/access/access_code.h"
#include "http/core/body_source.h"
#include "http/file_transfer.h"
#include "http/core/responses.h"
#include "http/core/serving_options.h"
#include "http/core/settings.h"
#include "platform/codepage.h"
#include "platform/clock.h"
#include "support/gbk_texts.h"
#include "support/test_support.h"

namespace orvane::testing {
namespace {

// Options with the listing and the common types switched as given.
ServingOptions Switched(bool list_folders, bool common_types) {
  ServingOptions options;
  options.list_folders = list_folders;
  options.common_types = common_types;
  return options;
}

// Bytes that are not text, so a transfer that mangles them shows.
std::string BinaryBytes(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t x = 12345;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

std::string OkHead(std::size_t length, const std::string& type_lines) {
  return "HTTP/1.1 200 OK\r\nServer: OrvaneServer/1.0\r\nDate: <date>\r\nContent-Length: " +
         std::to_string(length) + "\r\nContent-Type: " + type_lines +
         "\r\nCache-control: private\r\n\r\n";
}

const std::string kNotFound =
    "HTTP/1.1 404 Object Not Found\r\nServer: OrvaneServer/1.0\r\nDate: <date>\r\n"
    "Connection: close\r\nContent-Length: 10\r\nContent-Type: text/html\r\n\r\n" +
    kNotFoundBody;
const std::string kServerError =
    "HTTP/1.1 500 Error\r\nServer: OrvaneServer/1.0\r\nDate: <date>\r\n"
    "Connection: close\r\nContent-Length: 14\r\nContent-Type: text/html\r\n\r\n" +
    kServerErrorBody;

std::string Get(const std::string& path, const std::string& headers = "") {
  return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n";
}

// A file that fails where a disk or a network share can; it reads as 'f's.
struct FailingFile : BodySource {
  FailingFile(std::optional<std::uint64_t> length, bool seek_fails_ = false, int failing_read = -1)
      : size(length), seek_fails(seek_fails_), reads_before_failure(failing_read) {}
  std::optional<std::uint64_t> size;
  bool seek_fails;
  int reads_before_failure;  // -1: reads never fail

  std::optional<std::uint64_t> Length() const override { return size; }
  bool Seek(std::uint64_t) override { return !seek_fails; }
  std::int64_t Read(char* buffer, std::size_t count) override {
    if (reads_before_failure == 0) return -1;
    if (reads_before_failure > 0) --reads_before_failure;
    std::memset(buffer, 'f', count);
    return static_cast<std::int64_t>(count);
  }
  std::intptr_t native() const override { return -1; }
};

TEST(FileFailureTest, BeforeTheHeadItAnswers500AndAfterItTheConnectionEndsShort) {
  net::SocketLibrary library;
  const CannedResponses canned = BuildCannedResponses();
  const CodePage ansi = platform::AnsiCodePage();
  const SendContext context{canned, 1000, {}};
  const struct {
    const char* what;
    FailingFile file;
    std::string range;
    std::string expected;  // without the date
    bool whole;            // SendReply's result: a whole answer went out
  } cases[] = {
      {"size unreadable", FailingFile{std::nullopt}, "", kServerError, true},
      {"seek fails before a range", FailingFile{20000, true}, "Range: bytes=5-\r\n", kServerError,
       true},
      {"first read fails", FailingFile{20000, false, 0}, "", kServerError, true},
      {"read fails after the first piece", FailingFile{20000, false, 1}, "",
       OkHead(20000, "text/plain") + std::string(kFileChunkSize, 'f'), false},
  };
  for (auto c : cases) {
    SCOPED_TRACE(c.what);
    ConnectedPair pair;
    ASSERT_TRUE(pair.Open());
    const std::string request = Get("/a.txt", c.range);
    Target target;
    target.kind = Target::Kind::kFile;
    target.path = MappedPath{"", "\\a.txt"};
    target.file = std::make_unique<FailingFile>(c.file);
    EXPECT_EQ(
        c.whole,
        SendReply(pair.server_side,
                  DecideReply(ParseRequest(request, ansi), {}, std::move(target), {}), context));
    pair.server_side.Close();
    EXPECT_EQ(c.expected, WithoutDate(ReadUntilClosed(pair.client, 3000)));
  }
}

class ServingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_.Write("index.htm", "<html>home</html>");
    site_.Write("a.txt", "plain text");
    site_.Write("docs/readme", BinaryBytes(3000));
    site_.MakeFolder("folder");
    server_ = std::make_unique<RunningServer>(site_.FolderText());
    ASSERT_TRUE(server_->Running());
  }

  net::SocketLibrary library_;
  TempSite site_;
  std::unique_ptr<RunningServer> server_;
};

TEST_F(ServingTest, EachContentTypeGetsItsExactHeadAndTheFileBytes) {
  struct Case {
    const char* name;
    std::size_t size;
    const char* type_lines;
  };
  const Case cases[] = {
      {"p.gif", 700, "image/gif"},
      {"p.jpg", 20000, "image/jpeg"},
      {"p.jeg", 1, "image/jpeg"},
      {"p.BMP", 8000, "image/x-xbitmap"},
      {"p.htm", 512, "text/html"},
      {"p.html", 16001, "text/html"},
      {"p.shtml", 0, "text/html"},
      {"p.js", 100, "text/plain"},
      {"p.vbs", 100, "text/plain"},
      {"p.txt", 100, "text/plain"},
      {"p.jpeg", 100, "application/octet-stream\r\nAccept-Ranges: bytes"},
      {"noext", 100, "application/octet-stream\r\nAccept-Ranges: bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = BinaryBytes(c.size);
    site_.Write(c.name, bytes);
    const Answer answer = SplitAnswer(Fetch(server_->port, Get(std::string("/") + c.name)));
    EXPECT_EQ(OkHead(c.size, c.type_lines), HeadWithoutDate(answer.head));
    EXPECT_TRUE(answer.body == bytes) << "body of " << answer.body.size() << " bytes differs";
  }
}

TEST_F(ServingTest, MissingFilesFoldersAndHostilePathsGetTheCannedAnswers) {
  struct Case {
    std::string request;
    const std::string& expected;
  };
  // clang-format off
  const Case cases[] = {
      {Get("/nothere.htm"), kNotFound},
      {Get("/docs/"), kNotFound},
      {Get("/folder"), kServerError},
      {"GET /a.txt\r\n\r\n", kServerError},  // no version: the path is the site folder
      {Get("/../a.txt"), kNotFound},
      {Get("/%2e%2e/%2e%2e/etc/passwd"), kNotFound},
      {Get("/docs/..%5c..%5ca.txt"), kNotFound},
      {Get("/a*.txt"), kNotFound},
      {Get("/a%3f.txt"), kNotFound},
      {Get("/con"), kNotFound},
      {Get("/NUL.txt"), kNotFound},
      {"GET /a.txt HTTP/1.1", kNotFound},  // no line end at all
      {"GET /a.txt HTTP/1.1\n\n", kNotFound},  // bare LF lines
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request);
    EXPECT_EQ(c.expected, WithoutDate(Fetch(server_->port, c.request)));
  }
}

TEST_F(ServingTest, DotSegmentsInsideTheSiteStillReachTheFile) {
  EXPECT_EQ(OkHead(10, "text/plain") + "plain text",
            WithoutDate(Fetch(server_->port, Get("/docs/../a.txt"))));
  EXPECT_EQ(OkHead(10, "text/plain") + "plain text",
            WithoutDate(Fetch(server_->port, Get("//./a.txt"))));
  EXPECT_EQ(OkHead(17, "text/html") + "<html>home</html>",
            WithoutDate(Fetch(server_->port, Get("/"))));
}

TEST_F(ServingTest, RangesAnswerPartialContentOrNotSatisfiable) {
  const std::string bytes = BinaryBytes(1000);
  site_.Write("r.bin", bytes);
  const std::string type = "application/octet-stream\r\nAccept-Ranges: bytes";
  auto partial = [&](std::size_t first, std::size_t last) {
    return "HTTP/1.1 206 Partial Content\r\nServer: OrvaneServer/1.0\r\nDate: <date>\r\n"
           "Content-Length: " +
           std::to_string(last - first + 1) + "\r\nContent-Range: bytes " + std::to_string(first) +
           "-" + std::to_string(last) + "/1000\r\nContent-Type: " + type +
           "\r\nCache-control: private\r\n\r\n" + bytes.substr(first, last - first + 1);
  };
  const std::string unsatisfiable =
      "HTTP/1.1 416 Range Not Satisfiable\r\nServer: OrvaneServer/1.0\r\nDate: <date>\r\n"
      "Connection: close\r\nContent-Length: 0\r\nContent-Range: bytes */1000\r\n"
      "Content-Type: text/html\r\n\r\n";
  const std::string whole = OkHead(1000, type) + bytes;
  const struct {
    const char* header;
    std::string expected;
  } cases[] = {
      {"Range: bytes=100-\r\n", partial(100, 999)},
      {"range: BYTES=0-\r\n", partial(0, 999)},
      {"Range: bytes=1-\r\n", partial(1, 999)},
      {"Range: bytes=10-19\r\n", partial(10, 19)},
      {"Range: bytes=990-5000\r\n", partial(990, 999)},
      {"Range: bytes=-100\r\n", partial(900, 999)},
      {"Range: bytes=-5000\r\n", partial(0, 999)},
      {"Range: bytes=1000-\r\n", unsatisfiable},
      {"Range: bytes=99999999999999999999999-\r\n", unsatisfiable},
      {"Range: bytes=-0\r\n", unsatisfiable},
      {"Range: bytes=0-1,5-6\r\n", whole},
      {"Range: bytes=abc\r\n", whole},
      {"Range: bytes=20-10\r\n", whole},
      {"", whole},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(c.expected, WithoutDate(Fetch(server_->port, Get("/r.bin", c.header))));
  }
  // Past its first piece a body may go out without our buffer: a range of a
  // larger file still ends where it was asked to, not at the file's end.
  const std::string big = BinaryBytes(3 * kFileChunkSize);
  site_.Write("big.bin", big);
  EXPECT_EQ(
      big.substr(100, 2 * kFileChunkSize),
      SplitAnswer(Fetch(server_->port,
                        Get("/big.bin", "Range: bytes=100-" +
                                            std::to_string(2 * kFileChunkSize + 99) + "\r\n")))
          .body);
}

TEST_F(ServingTest, ARequestSplitOverSeveralWritesIsReadWhole) {
  net::NetSocket client;
  ASSERT_TRUE(ConnectLocal(client, server_->port));
  const char* pieces[] = {"GET /a.txt HT", "TP/1.1\r\nHost: x\r\nRan", "ge: bytes=6-\r\n", "\r\n"};
  for (const char* piece : pieces) {
    ASSERT_TRUE(client.SendAll(piece, 1000));
    platform::SleepMillis(80);
  }
  const Answer answer = SplitAnswer(ReadUntilClosed(client, 5000));
  EXPECT_NE(std::string::npos, answer.head.find("206 Partial Content"));
  EXPECT_EQ("text", answer.body);
}

TEST_F(ServingTest, OnlyRequestsStartingWithGetAreAnswered) {
  const char* silent[] = {"HEAD / HTTP/1.1\r\n\r\n", "get / HTTP/1.1\r\n\r\n",
                          "POST /a.txt HTTP/1.1\r\nContent-Length: 0\r\n\r\n", "GE"};
  for (const char* request : silent) {
    SCOPED_TRACE(request);
    bool closed = false;
    net::NetSocket client;
    ASSERT_TRUE(ConnectLocal(client, server_->port));
    ASSERT_TRUE(client.SendAll(request, 1000));
    if (std::string(request) == "GE") client.Shutdown(net::ShutdownHow::kSend);
    EXPECT_EQ("", ReadUntilClosed(client, 5000, &closed));
    EXPECT_TRUE(closed);
  }
  // Only the first three bytes count, and the path starts at the fifth byte
  // whatever the fourth is: "GETX /a.txt" is served.
  EXPECT_EQ(OkHead(10, "text/plain") + "plain text",
            WithoutDate(Fetch(server_->port, "GETX /a.txt HTTP/1.1\r\n\r\n")));
}

TEST_F(ServingTest, ASilentClientIsClosedUnansweredAfterTheDeadline) {
  ServerOptions options = RunningServer::FastOptions();
  options.receive_deadline_ms = 400;
  RunningServer quick(site_.FolderText(), options);
  ASSERT_TRUE(quick.Running());
  net::NetSocket client;
  ASSERT_TRUE(ConnectLocal(client, quick.port));
  const std::int64_t start = platform::MonotonicMillis();
  bool closed = false;
  EXPECT_EQ("", ReadUntilClosed(client, 5000, &closed));
  EXPECT_TRUE(closed);
  const std::int64_t waited = platform::MonotonicMillis() - start;
  EXPECT_GE(waited, 300);
  EXPECT_LT(waited, 3000);
  EXPECT_TRUE(quick.WaitAllSlotsFree());
}

TEST_F(ServingTest, AnOversizedRequestStillGetsItsWholeAnswer) {
  // 20000 bytes: the server reads only the first 8191 and must not reset the
  // connection over its answer because the rest is unread.
  std::string request = Get("/docs/readme", "X-Filler: " + std::string(20000, 'f') + "\r\n");
  net::NetSocket client;
  ASSERT_TRUE(ConnectLocal(client, server_->port));
  std::thread writer([&] { (void)client.SendAll(request, 3000); });
  const std::string raw = ReadUntilClosed(client, 5000);
  writer.join();
  // The server goes on reading what still comes for a while after the
  // answer: had it closed with bytes unread, its reset would fail these.
  EXPECT_TRUE(client.SendAll(std::string(4096, 'm'), 1000));
  platform::SleepMillis(50);
  EXPECT_TRUE(client.SendAll(std::string(4096, 'm'), 1000));
  const Answer answer = SplitAnswer(raw);
  EXPECT_EQ(OkHead(3000, "application/octet-stream\r\nAccept-Ranges: bytes"),
            HeadWithoutDate(answer.head));
  EXPECT_EQ(BinaryBytes(3000), answer.body);
}

TEST_F(ServingTest, NulEndsTheRequestTextAndTheLogsShowClientAndRequest) {
  const std::string request = std::string("GET /a.txt HTTP/1.1\r\n\r\n") + '\0' + "hidden";
  EXPECT_EQ(OkHead(10, "text/plain") + "plain text", WithoutDate(Fetch(server_->port, request)));
  ASSERT_TRUE(server_->panel.WaitFor(
      [&] { return server_->panel.RequestLog().find("GET /a.txt") != std::string::npos; }, 2000));
  EXPECT_EQ(std::string::npos, server_->panel.RequestLog().find("hidden"));
  EXPECT_NE(std::string::npos, server_->panel.ConnectionLog().find(kClientFrom + "127.0.0.1:"));
}

TEST_F(ServingTest, AClientPortAbove32767IsLoggedUnsigned) {
  std::uint16_t local_port = 0;
  net::NetSocket client;
  for (std::uint16_t candidate =
           40000 + static_cast<std::uint16_t>(platform::MonotonicMillis() % 9000);
       candidate < 60000; candidate += 13) {
    if (ConnectLocal(client, server_->port, candidate)) {
      local_port = candidate;
      break;
    }
  }
  ASSERT_NE(0, local_port);
  ASSERT_TRUE(client.SendAll(Get("/a.txt"), 1000));
  ReadUntilClosed(client, 5000);
  // Written out here rather than by ClientLogLine, so a signed port would show.
  const std::string expected = kClientFrom + "127.0.0.1:" + std::to_string(local_port) + "\r\n";
  EXPECT_TRUE(server_->panel.WaitFor(
      [&] { return server_->panel.ConnectionLog().find(expected) != std::string::npos; }, 2000))
      << server_->panel.ConnectionLog();
}

TEST_F(ServingTest, NamesAreFoundFromUtf8OrGbkEscapesUnderFoldersOfAnyName) {
  // Hangul lies outside GBK: under code page 936 only a Unicode path reaches
  // the Hangul folder, whose name has no ANSI form at all.
  site_.Write(u8"中文 名.txt", "zh");
  site_.Write(u8"中文目录/中文 名.txt", "zh in zh");
  site_.Write(u8"한글 폴더/한글.txt", "ko in ko");
  site_.Write(u8"한글 폴더/中文 名.txt", "zh in ko");
  const char* const kUtf8Name = "/%E4%B8%AD%E6%96%87+%E5%90%8D.txt";
  // Old clients send the name in the ANSI code page (GBK under 936); only
  // Windows knows that code page, elsewhere names are UTF-8 alone.
  const char* const kGbkName = "/%D6%D0%CE%C4%20%C3%FB.txt";
  const struct {
    const char* folder;  // under the site, "" for the site itself
    const char* path;
    const char* body;
    bool gbk_escapes;
  } cases[] = {
      {"", kUtf8Name, "zh", false},
      {"", kGbkName, "zh", true},
      {u8"中文目录", kUtf8Name, "zh in zh", false},
      {u8"中文目录", kGbkName, "zh in zh", true},
      {u8"한글 폴더", "/%ED%95%9C%EA%B8%80.txt", "ko in ko", false},
      {u8"한글 폴더", kUtf8Name, "zh in ko", false},
      {u8"한글 폴더", kGbkName, "zh in ko", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.folder) + c.path);
#ifndef _WIN32
    if (c.gbk_escapes) continue;
#endif
    std::unique_ptr<RunningServer> other;
    if (*c.folder != '\0') {
      other = std::make_unique<RunningServer>(site_.FolderText() + "/" + c.folder);
      ASSERT_TRUE(other->Running());
    }
    const std::uint16_t port = other ? other->port : server_->port;
    EXPECT_EQ(OkHead(std::strlen(c.body), "text/plain") + c.body,
              WithoutDate(Fetch(port, Get(c.path))));
  }
}

TEST_F(ServingTest, EverySlotIsFreeAgainAfterAMixOfRequests) {
  for (int i = 0; i < 20; ++i) Fetch(server_->port, Get(i % 2 ? "/a.txt" : "/missing"));
  EXPECT_TRUE(server_->WaitAllSlotsFree());
  // One thread per slot: every served connection left a fresh one behind
  // and its own has ended.
  Server& server = *server_->server;
  const int slots = server_->slot_count;
  EXPECT_TRUE(server_->panel.WaitFor([&] { return server.LiveWorkerCount() == slots; }, 3000))
      << server.LiveWorkerCount();
}

// The operator's options over the wire, switched while the server runs. The
// listing shows at most three entries here, so a small folder reaches the
// line for the rest.
class ListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_.Write("a.txt", "plain text");
    site_.Write("p.png", "png");
    site_.Write("with/index.htm", "<p>own</p>");
    site_.Write("with/other.txt", "x");
    site_.Write("without/b.txt", "bb");
    site_.Write("without/deeper/c.txt", "c");
    for (const char* name : {"1", "2", "3", "4", "5"}) site_.Write(std::string("many/") + name, "");
#ifdef _WIN32
    // Hidden and system by attribute (Wine also hides its dot-names).
    site_.Write("without/secret.txt", "s");
    site_.Write("without/system.txt", "s");
    const std::filesystem::path without = site_.path() / "without";
    ASSERT_TRUE(
        SetFileAttributesW((without / "secret.txt").wstring().c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(
        SetFileAttributesW((without / "system.txt").wstring().c_str(), FILE_ATTRIBUTE_SYSTEM));
#else
    site_.Write("without/.secret.txt", "s");
    // Names no request can fetch, and one that is not UTF-8: Windows holds none of them.
    site_.Write("without/con", "c");
    site_.Write("without/x:y.txt", "c");
    std::ofstream(site_.path() / "without" / "\xFF.txt") << "ff";
#endif
    ServerOptions options = RunningServer::FastOptions();
    options.test_listing_cap = 3;
    server_ = std::make_unique<RunningServer>(site_.FolderText(), options);
    ASSERT_TRUE(server_->Running());
  }

#ifdef _WIN32
  void TearDown() override {
    const std::filesystem::path without = site_.path() / "without";
    for (const char* name : {"secret.txt", "system.txt"}) {
      SetFileAttributesW((without / name).wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
  }
#endif

  std::string FetchWith(ServingOptions options, const std::string& path) {
    server_->server->SetServingOptions(options);
    return Fetch(server_->port, Get(path));
  }

  net::SocketLibrary library_;
  TempSite site_;
  std::unique_ptr<RunningServer> server_;
};

TEST_F(ListingTest, FoldersAnswerWithTheirIndexARedirectOrTodaysAnswer) {
  const ServingOptions off;
  const ServingOptions list = Switched(true, false);
  const ServingOptions types = Switched(false, true);
  const auto moved = [](const std::string& location) {
    return "HTTP/1.1 301 Moved Permanently\r\nServer: OrvaneServer/1.0\r\nDate: <date>\r\n"
           "Connection: close\r\nContent-Length: 0\r\nLocation: " +
           location + "\r\nContent-Type: text/html\r\n\r\n";
  };
  const struct {
    ServingOptions options;
    std::string path;
    std::string expected;
  } cases[] = {
      {list, "/with/", OkHead(10, "text/html") + "<p>own</p>"},
      {list, "/with", moved("/with/")},
      {list, "/with%2Fother.txt", OkHead(1, "text/plain") + "x"},
      {list, "/without/deeper", moved("/without/deeper/")},
      {list, "/nothere/", kNotFound},
      {list, "/a.txt/", kNotFound},
      {list, "/../", kNotFound},
      {list, "/with/../../", kNotFound},
      {list, "/a.txt", OkHead(10, "text/plain") + "plain text"},
      // Off again: the next request gets today's answers.
      {off, "/with", kServerError},
      {off, "/with/", kNotFound},
      {off, "/", kNotFound},
      {off, "/p.png", OkHead(3, "application/octet-stream\r\nAccept-Ranges: bytes") + "png"},
      {types, "/p.png", OkHead(3, "image/png\r\nAccept-Ranges: bytes") + "png"},
      {types, "/a.txt",
       OkHead(10, "text/plain; charset=utf-8\r\nAccept-Ranges: bytes") + "plain text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + (c.options.list_folders ? " listing" : "") +
                 (c.options.common_types ? " types" : ""));
    EXPECT_EQ(c.expected, WithoutDate(FetchWith(c.options, c.path)));
  }
}

TEST_F(ListingTest, AFolderWithoutIndexListsWhatCanBeFetched) {
  const std::string more = "\xE5\x8F\xA6\xE6\x9C\x89 2 \xE9\xA1\xB9";  // 另有 2 项
  const std::string not_utf8 = "<p>1 \xE4\xB8\xAA";                    // <p>1 个
  const struct {
    std::string path;
    std::vector<std::string> shown;
    std::vector<std::string> left_out;
  } cases[] = {
      // Folders first: the three shown are the folders, the files are the rest.
      {"/",
       {"<h1>/</h1>", "href=\"many/\"", "href=\"with/\"", "href=\"without/\"", more},
       {"href=\"../\"", "href=\"a.txt\""}},
      {"/without/",
       {"<h1>/without/</h1>", "href=\"../\"", "href=\"b.txt\"", "href=\"deeper/\""},
       {"secret.txt", "href=\"con\"", "x:y", "x%3Ay", more}},
      {"/many/", {"href=\"1\"", "href=\"3\"", more}, {"href=\"4\"", not_utf8}},
      {"/without/deeper/", {"<h1>/without/deeper/</h1>", "href=\"c.txt\""}, {more}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const Answer answer = SplitAnswer(FetchWith(Switched(true, false), c.path));
    EXPECT_EQ(
        "HTTP/1.1 200 OK\r\nServer: OrvaneServer/1.0\r\nDate: <date>\r\nConnection: close\r\n"
        "Content-Length: " +
            std::to_string(answer.body.size()) +
            "\r\nContent-Type: text/html; charset=utf-8\r\nCache-control: private\r\n\r\n",
        HeadWithoutDate(answer.head));
    for (const std::string& text : c.shown)
      EXPECT_NE(std::string::npos, answer.body.find(text)) << text;
    for (const std::string& text : c.left_out)
      EXPECT_EQ(std::string::npos, answer.body.find(text)) << text;
  }
#ifdef _WIN32
  // Explorer shows a file that is only a system file, and so does the list.
  EXPECT_NE(
      std::string::npos,
      SplitAnswer(FetchWith(Switched(true, false), "/without/")).body.find("href=\"system.txt\""));
#endif
#ifndef _WIN32
  // The name that is not UTF-8 and the two the path rules refuse are
  // counted, not shown.
  const std::string page = SplitAnswer(FetchWith(Switched(true, false), "/without/")).body;
  EXPECT_NE(std::string::npos, page.find("<p>3 \xE4\xB8\xAA")) << page;
#endif
}

TEST_F(ListingTest, AFolderThatCannotBeReadAnswers500) {
#ifdef _WIN32
  GTEST_SKIP() << "no way to take the right to list from this process's own user";
#else
  site_.MakeFolder("locked");
  site_.Write("locked/a.txt", "a");
  ASSERT_EQ(0, chmod((site_.path() / "locked").c_str(), 0));
  // Permissions do not bind root: run as root, the answer is made by a child
  // that is the user 65534, on its one thread (a child forked from this
  // threaded process must make none), over a connected pair of its own.
  int out[2] = {-1, -1};
  ASSERT_EQ(0, pipe(out));
  const pid_t child = fork();
  if (child == 0) {
    std::string answer = "no user";
    if (geteuid() != 0 ||
        (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0)) {
      const CannedResponses canned = BuildCannedResponses();
      const CodePage ansi = platform::AnsiCodePage();
      const ServingOptions list = Switched(true, false);
      Gate listings(1);
      const std::string root = SettleSiteRoot(site_.FolderText());
      const AnswerContext context{
          root, canned, ansi, 1000, list, listings, platform::MonotonicMillis() + 3000};
      ConnectedPair pair;
      if (pair.Open()) {
        (void)AnswerRequest(pair.server_side, ParseRequest(Get("/locked/"), ansi), context);
        pair.server_side.Close();
      }
      answer = WithoutDate(ReadUntilClosed(pair.client, 3000));
    }
    _exit(write(out[1], answer.data(), answer.size()) < 0 ? 1 : 0);
  }
  close(out[1]);
  std::string answer;
  char buffer[512];
  for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, got);
  close(out[0]);
  waitpid(child, nullptr, 0);
  chmod((site_.path() / "locked").c_str(), 0755);
  EXPECT_EQ(kServerError, answer);
#endif
}

}  // namespace
}  // namespace orvane::testing

namespace orvane::testing {
namespace {

TEST(AccessCodeServingTest, NothingOfTheFolderWithoutTheCodeEverythingWithIt) {
  net::SocketLibrary library;
  TempSite site;
  site.Write("a.txt", "plain text");
  RunningServer s(site.FolderText());
  ServingOptions options = Switched(true, false);
  options.access_code = true;
  s.server->SetServingOptions(options);
  const std::string code = s.server->serving_options().code;
  ASSERT_EQ(12u, code.size());
  const std::string cookie = "orvane_code_" + std::to_string(s.port) + "=" + code;
  const std::string refused =
      "HTTP/1.1 403 Forbidden\r\nServer: OrvaneServer/1.0\r\nDate: <date>\r\n"
      "Connection: close\r\nContent-Length: " +
      std::to_string(RefusalPage().size()) + "\r\nContent-Type: text/html; charset=utf-8\r\n\r\n" +
      std::string(RefusalPage());
  const auto moved = [&](const std::string& location) {
    return "HTTP/1.1 302 Found\r\nServer: OrvaneServer/1.0\r\nDate: <date>\r\nConnection: close\r\n"
           "Content-Length: 0\r\nLocation: " +
           location + "\r\nContent-Type: text/html\r\nSet-Cookie: " + cookie +
           "; Path=/; HttpOnly; SameSite=Lax\r\n\r\n";
  };
  const struct {
    std::string path;
    std::string headers;
    std::string expected;
  } cases[] = {
      // Not a file, not a listing, not whether a path exists.
      {"/a.txt", "", refused},
      {"/", "", refused},
      {"/missing", "", refused},
      {"/:zip/", "", refused},
      {"/a.txt?code=23456789ABCD", "", refused},
      {"/a.txt", "Cookie: " + cookie + "x\r\n", refused},
      {"/a.txt?code=" + code, "", moved("/a.txt")},
      {"/?v=1&code=" + code, "", moved("/?v=1")},
      {"/a.txt", "Cookie: " + cookie + "\r\n", OkHead(10, "text/plain") + "plain text"},
      {"/missing", "Cookie: " + cookie + "\r\n", kNotFound},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + " " + c.headers);
    EXPECT_EQ(c.expected, WithoutDate(Fetch(s.port, Get(c.path, c.headers))));
  }
  EXPECT_NE(std::string::npos, s.panel.ConnectionLog().find("\xBE\xDC\xBE\xF8("));  // 拒绝(
  // A new code: the old code and its cookie stop working at once.
  s.server->RenewAccessCode();
  EXPECT_NE(code, s.server->serving_options().code);
  EXPECT_EQ(refused, WithoutDate(Fetch(s.port, Get("/a.txt", "Cookie: " + cookie + "\r\n"))));
  EXPECT_EQ(refused, WithoutDate(Fetch(s.port, Get("/a.txt?code=" + code))));
  // Switched off, every answer is today's again.
  s.server->SetServingOptions(ServingOptions{});
  EXPECT_EQ(OkHead(10, "text/plain") + "plain text", WithoutDate(Fetch(s.port, Get("/a.txt"))));
  EXPECT_EQ(kNotFound, WithoutDate(Fetch(s.port, Get("/a.txt?code=" + code))));
}

// The bytes of a file of the repository.
std::string RepositoryFile(const std::string& relative) {
  std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/" + relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// True when every stretch of `file` between its "{{...}}" places appears in
// `page`, in order: the page is that file, filled in.
bool MadeFrom(const std::string& page, const std::string& file) {
  if (file.empty()) return false;
  std::size_t at = 0;
  std::size_t from = 0;
  while (from <= file.size()) {
    const std::size_t open = std::min(file.find("{{", from), file.size());
    const std::string stretch = file.substr(from, open - from);
    at = page.find(stretch, at);
    if (at == std::string::npos) return false;
    at += stretch.size();
    if (open == file.size()) break;
    from = file.find("}}", open) + 2;
  }
  return true;
}

TEST(PagesTest, ThePagesServedAreTheFilesOfTheRepository) {
  net::SocketLibrary library;
  TempSite site;
  site.Write("a.txt", "a");
  RunningServer s(site.FolderText());
  ServingOptions options = Switched(true, false);
  options.uploads = true;
  options.upload_folder = site.FolderText();
  s.server->SetServingOptions(options);
  const std::string cookie = "Cookie: orvane_code_" + std::to_string(s.port) + "=" +
                             s.server->serving_options().code + "\r\n";
  const std::vector<std::string> upload = {"upload/upload_area.html", "upload/upload_area.css",
                                           "upload/upload_area.js"};
  const struct {
    std::string path;
    std::string headers;
    std::vector<std::string> files;
  } cases[] = {
      {"/", "", {"access/refusal.html"}},
      {"/:upload", cookie, {"upload/upload_page.html", upload[0], upload[1], upload[2]}},
      {"/",
       cookie,
       {"listing/listing.html", "listing/listing.css", upload[0], upload[1], upload[2]}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + " " + c.headers);
    const std::string answer = Fetch(s.port, Get(c.path, c.headers));
    const std::string page = answer.substr(std::min(answer.find("\r\n\r\n") + 4, answer.size()));
    for (const std::string& file : c.files) {
      EXPECT_TRUE(MadeFrom(page, RepositoryFile("src/http/" + file))) << file;
    }
  }
  EXPECT_EQ(RepositoryFile("src/http/access/refusal.html"), std::string(RefusalPage()));
}

}  // namespace
}  // namespace orvane::testing
