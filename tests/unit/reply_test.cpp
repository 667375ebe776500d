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
    const FileFacts facts{c.found ? &path : nullptr, c.opened, c.size, false, {}};
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
        DecideReply(ParseRequest(c.request, CodePage::Gbk()), FileFacts{&path, true, 5, false, {}});
    EXPECT_EQ(c.expected, ReplyHead(reply, canned, date));
  }
}

TEST(ReplyTest, TheServingOptionsAddRedirectsListingsAndTheCommonTypes) {
  const std::string date = "Sun, 06 Dec 2026 14:05:09 GMT";
  const std::string top = "Server: OrvaneServer/1.0\r\nDate: " + date + "\r\n";
  const std::string close = top + "Connection: close\r\n";
  const auto moved = [&](const std::string& location) {
    return "HTTP/1.1 301 Moved Permanently\r\n" + close +
           "Content-Length: 0\r\nLocation: " + location + "\r\nContent-Type: text/html\r\n\r\n";
  };
  const auto ok = [&](const std::string& type_lines) {
    return "HTTP/1.1 200 OK\r\n" + top + "Content-Length: 5\r\nContent-Type: " + type_lines +
           "\r\nCache-control: private\r\n\r\n";
  };
  const CannedResponses canned = BuildCannedResponses();
  const std::string server_error = FillCannedResponse(canned.server_error, date);
  FolderListing listing;
  listing.path = "/docs/";
  listing.entries.push_back({"a.txt", false, 3, {}});
  const std::string page = RenderFolderListing(listing);
  const std::string page_head = "HTTP/1.1 200 OK\r\n" + close +
                                "Content-Length: " + std::to_string(page.size()) +
                                "\r\nContent-Type: text/html; charset=utf-8\r\n"
                                "Cache-control: private\r\n\r\n";
  const ServingOptions off;
  const ServingOptions list{true, false};
  const ServingOptions types{false, true};
  enum Found { kFile, kFolder, kFolderUnread };
  const struct {
    std::string what;
    ServingOptions options;
    std::string request_path;
    std::string relative;
    Found found;
    std::string range;
    std::string expected;  // head and body
  } cases[] = {
      {"folder without its slash", list, "/docs", "\\docs", kFolder, "", moved("/docs/")},
      {"escapes kept as sent", list, "/my%20docs+x", "\\my docs x", kFolder, "",
       moved("/my%20docs+x/")},
      {"bytes a URL cannot hold", list, "/a b\xE4\xB8\xAD\"<>#", "\\x", kFolder, "",
       moved("/a%20b%E4%B8%AD%22%3C%3E%23/")},
      {"the site folder named by nothing", list, "", "", kFolder, "", moved("/")},
      {"folder with its slash", list, "/docs/", "\\docs", kFolder, "", page_head + page},
      {"a range asks nothing of a page", list, "/docs/", "\\docs", kFolder, "bytes=1-",
       page_head + page},
      {"folder that cannot be read", list, "/docs/", "\\docs", kFolderUnread, "", server_error},
      {"folder, listing off", off, "/docs", "\\docs", kFolder, "", server_error},
      {"a file, listing on", list, "/a.htm", "\\a.htm", kFile, "", ok("text/html") + "hello"},
      {"common type", types, "/p.png", "\\p.png", kFile, "",
       ok("image/png\r\nAccept-Ranges: bytes") + "hello"},
      {"common type, outside the table", types, "/p.xyz", "\\p.xyz", kFile, "",
       ok("application/octet-stream\r\nAccept-Ranges: bytes") + "hello"},
      {"original type", off, "/p.png", "\\p.png", kFile, "",
       ok("application/octet-stream\r\nAccept-Ranges: bytes") + "hello"},
      {"common type, a range", types, "/a.htm", "\\a.htm", kFile, "bytes=1-",
       "HTTP/1.1 206 Partial Content\r\n" + top +
           "Content-Length: 4\r\nContent-Range: bytes 1-4/5\r\n"
           "Content-Type: text/html\r\nAccept-Ranges: bytes\r\nCache-control: private\r\n\r\n"
           "ello"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string request = "GET " + c.request_path + " HTTP/1.1\r\n" +
                                (c.range.empty() ? "" : "Range: " + c.range + "\r\n") + "\r\n";
    const MappedPath path{"C:\\web", c.relative};
    FileFacts facts;
    facts.path = &path;
    facts.opened = c.found == kFile;
    if (c.found == kFile) facts.size = 5;
    facts.is_folder = c.found != kFile;
    if (c.found == kFolder) facts.listing = listing;
    const Reply reply =
        DecideReply(ParseRequest(request, CodePage::Gbk()), std::move(facts), c.options);
    std::string sent = ReplyHead(reply, canned, date) + reply.body;
    if (reply.kind == Reply::Kind::kFile) sent += std::string("hello").substr(reply.first);
    EXPECT_EQ(c.expected, sent);
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
