#include "http/core/reply.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "http/listing/folder_listing.h"
#include "support/stand_in_file.h"

namespace orvane {
namespace {

using namespace std::string_literals;

// Options with the listing and the common types switched as given.
ServingOptions Switched(bool list_folders, bool common_types) {
  ServingOptions options;
  options.list_folders = list_folders;
  options.common_types = common_types;
  return options;
}

Target FileTarget(const std::string& relative, std::optional<std::uint64_t> size) {
  Target target;
  target.kind = Target::Kind::kFile;
  target.path = MappedPath{"C:\\web", relative};
  target.file = std::make_unique<testing::StandInFile>(size);
  return target;
}

Target OfKind(Target::Kind kind) {
  Target target;
  target.kind = kind;
  return target;
}

TEST(ReplyTest, DecidesFromTheRequestAndTheTarget) {
  const std::string get = "GET /a.txt HTTP/1.1\r\n";
  using K = Target::Kind;
  const struct {
    std::string what;
    std::string request;
    K target;
    std::optional<std::uint64_t> size;
    std::string expected;  // the canned answer, or status first+count
  } cases[] = {
      {"not GET", "POST /a.txt HTTP/1.1\r\n\r\n", K::kIgnored, 10, "nothing"},
      {"nothing there", get + "\r\n", K::kMissing, {}, "canned 404"},
      {"refused", get + "\r\n", K::kRefused, {}, "canned 404"},
      {"there, does not open", get + "\r\n", K::kUnreadable, {}, "canned 500"},
      {"size unreadable", get + "\r\n", K::kFile, {}, "canned 500"},
      {"whole", get + "\r\n", K::kFile, 10, "200 OK 0+10"},
      {"an index.htm", get + "\r\n", K::kFolderIndex, 10, "200 OK 0+10"},
      {"empty file", get + "\r\n", K::kFile, 0, "200 OK 0+0"},
      {"range", get + "Range: bytes=2-4\r\n\r\n", K::kFile, 10, "206 Partial Content 2+3"},
      {"suffix", get + "Range: bytes=-3\r\n\r\n", K::kFile, 10, "206 Partial Content 7+3"},
      {"past the end", get + "Range: bytes=10-\r\n\r\n", K::kFile, 10,
       "416 Range Not Satisfiable 0+0"},
      // A missing file is 404 whatever the Range says.
      {"range, nothing there", get + "Range: bytes=10-\r\n\r\n", K::kMissing, {}, "canned 404"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Target target = c.target == K::kFile || c.target == K::kFolderIndex
                        ? FileTarget("\\a.txt", c.size)
                        : OfKind(c.target);
    target.kind = c.target;
    const Reply reply =
        DecideReply(ParseRequest(c.request, CodePage::Gbk()), {}, std::move(target), {});
    std::string got = "nothing";
    if (reply.kind == Reply::Kind::kCanned) {
      got = reply.canned == CannedAnswer::kNotFound      ? "canned 404"
            : reply.canned == CannedAnswer::kServerError ? "canned 500"
                                                         : "canned 403";
    } else if (reply.kind == Reply::Kind::kHead) {
      got = std::string(reply.head.status) + " " + std::to_string(reply.first) + "+" +
            std::to_string(reply.count);
      if (reply.body == Reply::Body::kSource) {
        EXPECT_EQ("text/plain", reply.head.content_type);
      }
    }
    EXPECT_EQ(c.expected, got);
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
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    const Reply reply =
        DecideReply(ParseRequest(c.request, CodePage::Gbk()), {}, FileTarget(c.relative, 5), {});
    EXPECT_EQ(c.expected, BuildHead(reply.head, date));
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
  const ServingOptions list = Switched(true, false);
  const ServingOptions types = Switched(false, true);
  enum Found { kFile, kRedirect, kListing, kListingUnread };
  const struct {
    std::string what;
    ServingOptions options;
    std::string relative;
    Found found;
    std::string range;
    std::string expected;  // head and body
  } cases[] = {
      {"a folder sent on", list, "/docs/", kRedirect, "", moved("/docs/")},
      {"a folder's listing", list, "\\docs", kListing, "", page_head + page},
      {"a range asks nothing of a page", list, "\\docs", kListing, "bytes=1-", page_head + page},
      {"folder that cannot be read", list, "\\docs", kListingUnread, "", server_error},
      {"a file, listing on", list, "\\a.htm", kFile, "", ok("text/html") + "hello"},
      {"common type", types, "\\p.png", kFile, "",
       ok("image/png\r\nAccept-Ranges: bytes") + "hello"},
      {"common type, outside the table", types, "\\p.xyz", kFile, "",
       ok("application/octet-stream\r\nAccept-Ranges: bytes") + "hello"},
      {"original type", off, "\\p.png", kFile, "",
       ok("application/octet-stream\r\nAccept-Ranges: bytes") + "hello"},
      {"common type, a range", types, "\\a.htm", kFile, "bytes=1-",
       "HTTP/1.1 206 Partial Content\r\n" + top +
           "Content-Length: 4\r\nContent-Range: bytes 1-4/5\r\n"
           "Content-Type: text/html\r\nAccept-Ranges: bytes\r\nCache-control: private\r\n\r\n"
           "ello"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string request =
        "GET /x HTTP/1.1\r\n" + (c.range.empty() ? "" : "Range: " + c.range + "\r\n") + "\r\n";
    Target target;
    std::optional<Reply> listing_page;
    if (c.found == kFile) {
      target = FileTarget(c.relative, 5);
    } else if (c.found == kRedirect) {
      target.kind = Target::Kind::kFolderRedirect;
      target.location = c.relative;
    } else {
      target.kind = Target::Kind::kListing;
      if (c.found == kListing) listing_page = PageReply("200 OK", page);
    }
    const Reply reply = DecideReply(ParseRequest(request, CodePage::Gbk()), {}, std::move(target),
                                    c.options, std::move(listing_page));
    std::string sent = reply.kind == Reply::Kind::kCanned
                           ? FillCannedResponse(canned.server_error, date)
                           : BuildHead(reply.head, date) + reply.bytes;
    if (reply.body == Reply::Body::kSource) sent += std::string("hello").substr(reply.first);
    EXPECT_EQ(c.expected, sent);
  }
}

TEST(ReplyTest, PlainTextTellsItsCharacterSetFromItsFirstKilobyte) {
  const std::string utf8_tail = std::string(1022, 'a') + "\xE4\xB8\xAD";  // cut after 2 bytes
  const struct {
    std::string start;
    std::string charset;  // of the ANSI code page
    std::string expected;
  } cases[] = {
      {"plain ASCII", "gbk", "text/plain; charset=utf-8"},
      {"\xE4\xB8\xAD\xE6\x96\x87", "gbk", "text/plain; charset=utf-8"},
      {"\xD6\xD0\xCE\xC4", "gbk", "text/plain; charset=gbk"},
      {"\xD6\xD0\xCE\xC4", "", "text/plain"},
      {"\xEF\xBB\xBF\xD6\xD0", "gbk", "text/plain; charset=utf-8"},  // a BOM decides
      {utf8_tail, "gbk", "text/plain; charset=utf-8"},
      // Only the first kilobyte is looked at.
      {std::string(1024, 'a') + "\xD6\xD0", "gbk", "text/plain; charset=utf-8"},
      {std::string(1021, 'a') + "\xD6\xD0\xD6", "gbk", "text/plain; charset=gbk"},
      {"", "gbk", "text/plain; charset=utf-8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start.substr(0, 8));
    EXPECT_EQ(c.expected, TextTypeFor(c.start, c.charset));
  }
}

TEST(ReplyTest, OnlyCommonTypesTellThePlainTextCharacterSet) {
  for (const bool common : {false, true}) {
    const Reply reply = DecideReply(ParseRequest("GET /a.txt HTTP/1.1\r\n\r\n", CodePage::Gbk()),
                                    {}, FileTarget("\\a.txt", 5), Switched(false, common));
    EXPECT_EQ(common, reply.text_charset_from_body);
    EXPECT_EQ("text/plain", reply.head.content_type);
  }
}

TEST(ReplyTest, TheRequestTextEndsAtANulAndTheBlockEndIsSeenInEverythingReceived) {
  const struct {
    std::string received;
    std::string text;
    bool may_send_more;
  } cases[] = {
      {"GET / HTTP/1.1\r\n\r\n", "GET / HTTP/1.1\r\n\r\n", false},
      {"GET / HTTP/1.1\r\nHost: a\r\n", "GET / HTTP/1.1\r\nHost: a\r\n", true},
      // The request text stops at a NUL; the end of the block is still seen.
      {"GET /\0 HTTP/1.1\r\n\r\n"s, "GET /", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ParsedRequest parsed = ParseRequest(c.received, CodePage::Gbk());
    EXPECT_EQ(c.text, parsed.text);
    EXPECT_EQ(c.may_send_more, parsed.may_send_more);
  }
}

}  // namespace
}  // namespace orvane
