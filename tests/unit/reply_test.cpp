#include "http/core/reply.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

using namespace std::string_literals;

struct DecideCase {
  std::string what;
  std::string request;
  bool found;
  bool opened;
  std::optional<std::uint64_t> size;
  Reply::Kind kind;
  CannedAnswer canned;  // kCanned
  bool partial;         // kFile
  std::uint64_t first;
  std::uint64_t count;
};

TEST(ReplyTest, DecidesFromTheRequestAndWhatTheFileSystemSaid) {
  const std::string get = "GET /a.txt HTTP/1.1\r\n";
  const auto canned = Reply::Kind::kCanned;
  const auto file = Reply::Kind::kFile;
  const DecideCase cases[] = {
      {"not GET", "POST /a.txt HTTP/1.1\r\n\r\n", true, true, 10, Reply::Kind::kNothing,
       CannedAnswer::kNotFound, false, 0, 0},
      {"no file", get + "\r\n", false, false, {}, canned, CannedAnswer::kNotFound, false, 0, 0},
      {"cannot open",
       get + "\r\n",
       true,
       false,
       {},
       canned,
       CannedAnswer::kServerError,
       false,
       0,
       0},
      {"size unreadable",
       get + "\r\n",
       true,
       true,
       {},
       canned,
       CannedAnswer::kServerError,
       false,
       0,
       0},
      {"whole", get + "\r\n", true, true, 10, file, CannedAnswer::kNotFound, false, 0, 10},
      {"empty file", get + "\r\n", true, true, 0, file, CannedAnswer::kNotFound, false, 0, 0},
      {"range", get + "Range: bytes=2-4\r\n\r\n", true, true, 10, file, CannedAnswer::kNotFound,
       true, 2, 3},
      {"suffix", get + "Range: bytes=-3\r\n\r\n", true, true, 10, file, CannedAnswer::kNotFound,
       true, 7, 3},
      {"past the end", get + "Range: bytes=10-\r\n\r\n", true, true, 10,
       Reply::Kind::kRangeNotSatisfiable, CannedAnswer::kNotFound, false, 0, 0},
      // A missing file is 404 whatever the Range says.
      {"range, no file",
       get + "Range: bytes=10-\r\n\r\n",
       false,
       false,
       {},
       canned,
       CannedAnswer::kNotFound,
       false,
       0,
       0},
  };
  const MappedPath path{"C:\\web", "\\a.txt"};
  for (const DecideCase& c : cases) {
    SCOPED_TRACE(c.what);
    const FileFacts facts{c.found ? &path : nullptr, c.opened, c.size};
    const Reply reply = DecideReply(ParseRequest(c.request, CodePage::Gbk()), facts);
    EXPECT_EQ(c.kind, reply.kind);
    if (reply.kind == Reply::Kind::kCanned) {
      EXPECT_EQ(c.canned, reply.canned);
    }
    if (reply.kind == Reply::Kind::kFile) {
      EXPECT_EQ(c.partial, reply.partial);
      EXPECT_EQ(c.first, reply.first);
      EXPECT_EQ(c.count, reply.count);
      EXPECT_EQ("text/plain", reply.content_type);
    }
  }
}

TEST(ReplyTest, OnlyFilesOutsideTheTypeTableAdvertiseByteRanges) {
  const std::string date = "Sun, 06 Dec 2026 14:05:09 GMT";
  const std::string top = "Server: OrvaneServer/1.0\r\nDate: " + date + "\r\n";
  const struct {
    std::string request;
    std::string relative;
    std::string expected;
  } cases[] = {
      {"GET /a.zip HTTP/1.1\r\n\r\n", "\\a.zip",
       "HTTP/1.1 200 OK\r\n" + top +
           "Content-Length: 5\r\nContent-Type: application/octet-stream\r\n"
           "Accept-Ranges: bytes\r\nCache-control: private\r\n\r\n"},
      {"GET /a.zip HTTP/1.1\r\nRange: bytes=1-\r\n\r\n", "\\a.zip",
       "HTTP/1.1 206 Partial Content\r\n" + top +
           "Content-Length: 4\r\nContent-Range: bytes 1-4/5\r\n"
           "Content-Type: application/octet-stream\r\nAccept-Ranges: bytes\r\n"
           "Cache-control: private\r\n\r\n"},
      {"GET /a.htm HTTP/1.1\r\nRange: bytes=1-\r\n\r\n", "\\a.htm",
       "HTTP/1.1 206 Partial Content\r\n" + top +
           "Content-Length: 4\r\nContent-Range: bytes 1-4/5\r\n"
           "Content-Type: text/html\r\nCache-control: private\r\n\r\n"},
  };
  const CannedResponses canned = BuildCannedResponses();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    const MappedPath path{"C:\\web", c.relative};
    const Reply reply =
        DecideReply(ParseRequest(c.request, CodePage::Gbk()), FileFacts{&path, true, 5});
    EXPECT_EQ(c.expected, ReplyHead(reply, canned, date));
  }
}

TEST(ReplyTest, TheHeaderBlockEndIsSeenInEverythingReceived) {
  const struct {
    std::string received;
    std::string text;
    bool ended;
  } cases[] = {
      {"GET / HTTP/1.1\r\n\r\n", "GET / HTTP/1.1\r\n\r\n", true},
      {"GET / HTTP/1.1\r\nHost: a\r\n", "GET / HTTP/1.1\r\nHost: a\r\n", false},
      // The request text stops at a NUL; the end of the block is still seen.
      {"GET /\0 HTTP/1.1\r\n\r\n"s, "GET /", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ParsedRequest parsed = ParseRequest(c.received, CodePage::Gbk());
    EXPECT_EQ(c.text, parsed.text);
    EXPECT_EQ(c.ended, parsed.header_ended);
  }
}

}  // namespace
}  // namespace orvane
