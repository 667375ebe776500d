#include "http/core/request.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace orvane {
namespace {

TEST(RequestTest, CutsTheRequestTextAtTheFirstNul) {
  using namespace std::string_literals;
  EXPECT_EQ("GET /", RequestTextOf("GET /\0Range: bytes=5-\r\n"s));
  EXPECT_EQ("", RequestTextOf("\0GET /"s));
  EXPECT_EQ("GET / HTTP/1.1\r\n", RequestTextOf("GET / HTTP/1.1\r\n"));
  EXPECT_EQ("", RequestTextOf(""));
}

TEST(RequestTest, AnswersOnlyWhenTheFirstThreeBytesAreGet) {
  // clang-format off
  const std::pair<std::string, bool> cases[] = {
      {"GET / HTTP/1.1\r\n", true}, {"GETX /a HTTP/1.1\r\n", true}, {"GET", true},
      {"get / HTTP/1.1\r\n", false}, {"Get /", false},           {"HEAD / HTTP/1.1\r\n", false},
      {"POST / HTTP/1.1\r\n", false}, {" GET /", false},          {"GE", false},
      {"", false},
  };
  // clang-format on
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(expected, IsGetRequest(text));
  }
}

TEST(RequestTest, SeesTheEndOfTheHeaderBlock) {
  const std::pair<std::string, bool> cases[] = {
      {"GET / HTTP/1.1\r\n\r\n", true},
      {"GET / HTTP/1.1\r\nHost: a\r\n\r\n", true},
      {"GET / HTTP/1.1\nHost: a\n\n", true},
      {"GET / HTTP/1.1\nHost: a\n\r\n", true},  // LF lines, then a CR LF empty line
      {"GET / HTTP/1.1\r\nHost: a\r\n", false},
      {"GET / HTTP/1.1\r\n\r", false},
      {"GET / HT", false},
      {"", false},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(expected, HeaderBlockEnded(text));
    // Arriving in two pieces, split anywhere, it ends exactly where it did.
    for (std::size_t checked = 0; checked <= text.size(); ++checked) {
      const bool end_in_first = HeaderBlockEnded(std::string_view(text).substr(0, checked));
      EXPECT_EQ(expected, end_in_first || HeaderBlockEnded(text, checked)) << checked;
    }
  }
}

TEST(RequestTest, KnowsWhenTheClientMayStillSend) {
  const std::pair<std::string, bool> cases[] = {
      {"GET / HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n", false},
      {"GET / HTTP/1.1\n\n", false},
      {"GET / HTTP/1.1\r\ncontent-length: 0\r\n\r\n", false},
      {"GET / HTTP/1.1\r\nX-Content-Length: 5\r\n\r\n", false},
      {"GET / HTTP/1.1\r\nHost: a\r\n", true},  // the block has not ended
      {"GET / HTTP/1.1\r\n\r\nGET /b HTTP/1.1\r\n\r\n", true},
      {"GET / HTTP/1.1\n\nx", true},
      {"GET / HTTP/1.1\r\nContent-Length: 5\r\n\r\n", true},
      {"GET / HTTP/1.1\nCONTENT-LENGTH :  12 \n\n", true},
      {"GET / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", true},
      {"GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", true},
      {"GET / HTTP/1.1\r\nExpect: 100-continue\r\n\r\n", true},
      {"GET /Expect:x HTTP/1.1\r\n\r\n", false},  // the request line is no header
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(expected, ParseRequest(text, CodePage::Gbk()).may_send_more);
  }
}

using F = BodyFraming;

TEST(RequestTest, ReadsWhatABodyIsReadBy) {
  const std::string post = "POST /:upload HTTP/1.1\r\n";
  const struct {
    std::string request;
    bool is_post;
    std::optional<std::uint64_t> length;
    bool unreadable, without_length, expects;
    std::string type;
    std::string body;  // what follows the header block; "(none)" when it has not ended
    BodyFraming framing;
  } cases[] = {
      {post + "Content-Length: 5\r\nContent-Type: a/b\r\n\r\nabcde", true, 5, false, false, false,
       "a/b", "abcde", F::kLength},
      {post + "content-length:12\r\nExpect: 100-continue\r\n\r\n", true, 12, false, false, true, "",
       "", F::kLength},
      {post + "Expect: 100-continuex\r\n\r\n", true, {}, false, false, false, "", "", F::kNoLength},
      {post + "Transfer-Encoding: chunked\r\n\r\n",
       true,
       {},
       false,
       true,
       false,
       "",
       "",
       F::kNoLength},
      {post + "Content-Length: 5\r\nContent-Length: 6\r\n\r\n", true, 6, true, false, false, "", "",
       F::kMalformedLength},
      {post + "Content-Length: -5\r\n\r\n",
       true,
       {},
       true,
       false,
       false,
       "",
       "",
       F::kMalformedLength},
      {post + "Content-Length: +5\r\n\r\n",
       true,
       {},
       true,
       false,
       false,
       "",
       "",
       F::kMalformedLength},
      {post + "Content-Length: 5\r\n", true, 5, false, false, false, "", "(none)", F::kHeadTooLong},
      {post + "X-Pad: " + std::string(kMaxRequestBytes, 'p'),
       true,
       {},
       false,
       false,
       false,
       "",
       "(none)",
       F::kHeadTooLong},
      {"POSTX / HTTP/1.1\n\n", false, {}, false, false, false, "", "", F::kNoLength},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    const ParsedRequest r = ParseRequest(c.request, CodePage::Gbk());
    EXPECT_EQ(c.is_post, r.is_post);
    EXPECT_EQ(c.length, r.content_length);
    EXPECT_EQ(c.unreadable, r.length_unreadable);
    EXPECT_EQ(c.without_length, r.body_without_length);
    EXPECT_EQ(c.expects, r.expects_continue);
    EXPECT_EQ(c.type, r.content_type);
    EXPECT_EQ(c.body,
              r.body_start == std::string::npos ? "(none)" : c.request.substr(r.body_start));
    EXPECT_EQ(c.framing, FramingOf(r));
  }
}

TEST(RequestTest, ReadsTheMethodItsPathAndAnyHeaderLine) {
  const struct {
    std::string request;
    std::string method;
    std::string path;
    std::optional<std::string> value;  // of Upload-Offset
  } cases[] = {
      {"PATCH /:upload/a HTTP/1.1\r\nUpload-Offset: 5\r\n\r\n", "PATCH", "/:upload/a", "5"},
      {"DELETE /x?y HTTP/1.1\r\nupload-offset:\t 7 \r\n\r\n", "DELETE", "/x?y", "7"},
      {"OPTIONS / HTTP/1.1\r\nUpload-Offset: 1\r\nUpload-Offset: 2\r\n\r\n", "OPTIONS", "/", "2"},
      // Bare LF line ends: the header lines count, the request line has no path.
      {"HEAD /a HTTP/1.1\nUpload-Offset: 3\n\n", "HEAD", "(none)", "3"},
      {"HEAD /a HTTP/1.1\r\nUpload-Offset:\r\n\r\n", "HEAD", "/a", ""},
      {"HEAD /a HTTP/1.1\r\nX-Upload-Offset: 3\r\n\r\n", "HEAD", "/a", std::nullopt},
      // Only the head is read: a line of the body is no header line.
      {"PATCH /a HTTP/1.1\r\n\r\nUpload-Offset: 9\r\n", "PATCH", "/a", std::nullopt},
      {"POST /p HTTP/1.1\r\n\r\n", "POST", "/p", std::nullopt},
      {"GET /g HTTP/1.1\r\n\r\n", "GET", "/g", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    const ParsedRequest r = ParseRequest(c.request, CodePage::Gbk());
    EXPECT_EQ(c.method, r.method);
    EXPECT_EQ(c.path, r.raw_path.value_or("(none)"));
    const std::optional<std::string_view> value = HeaderValue(r, "Upload-Offset");
    EXPECT_EQ(c.value, value ? std::optional<std::string>(*value) : std::nullopt);
  }
}

TEST(RequestTest, SplitsTheQueryOffThePathOnce) {
  const struct {
    std::string line;
    std::string path, query;
    bool has_query;
  } cases[] = {
      {"GET /a.txt HTTP/1.1", "/a.txt", "", false},
      {"GET /:upload?code=K7&x=1 HTTP/1.1", "/:upload", "code=K7&x=1", true},
      {"GET /?code=K7?x HTTP/1.1", "/", "code=K7?x", true},
      {"GET /a? HTTP/1.1", "/a", "", true},
      {"GET %3F?b HTTP/1.1", "%3F", "b", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string request = c.line + "\r\n\r\n";
    const ParsedRequest r = ParseRequest(request, CodePage::Gbk());
    EXPECT_EQ(c.path, r.target.path);
    EXPECT_EQ(c.query, r.target.query);
    EXPECT_EQ(c.has_query, r.target.has_query);
  }
}

using Kind = RangeDecision::Kind;
constexpr std::uint64_t kKiB = 1000;
constexpr std::uint64_t kFourGiB = 4294967296;

struct RangeCase {
  std::string headers;  // the lines after the request line
  std::uint64_t length;
  Kind kind;
  std::uint64_t first;
  std::uint64_t last;
};

TEST(RequestTest, DecidesWhatPartOfTheFileToSend) {
  // clang-format off
  const RangeCase cases[] = {
      {"Host: a\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"Range: bytes=0-\r\n\r\n", kKiB, Kind::kPartial, 0, 999},
      {"range: BYTES=100-\r\n\r\n", kKiB, Kind::kPartial, 100, 999},
      {"RANGE:bytes=100-\r\n\r\n", kKiB, Kind::kPartial, 100, 999},
      {"Range:  bytes=100- \r\n\r\n", kKiB, Kind::kPartial, 100, 999},
      {"Range:\tbytes=100-\t\r\n\r\n", kKiB, Kind::kPartial, 100, 999},
      {"Range: bytes=999-\r\n\r\n", kKiB, Kind::kPartial, 999, 999},
      {"Range: bytes=1000-\r\n\r\n", kKiB, Kind::kUnsatisfiable, 0, 0},
      {"Range: bytes=1001-\r\n\r\n", kKiB, Kind::kUnsatisfiable, 0, 0},
      {"Range: bytes=100-199\r\n\r\n", kKiB, Kind::kPartial, 100, 199},
      {"Range: bytes=5-5\r\n\r\n", kKiB, Kind::kPartial, 5, 5},
      {"Range: bytes=100-5000\r\n\r\n", kKiB, Kind::kPartial, 100, 999},
      {"Range: bytes=100-1000\r\n\r\n", kKiB, Kind::kPartial, 100, 999},  // one past the end
      {"Range: bytes=100-999\r\n\r\n", kKiB, Kind::kPartial, 100, 999},
      {"Range: bytes=-500\r\n\r\n", kKiB, Kind::kPartial, 500, 999},
      {"Range: bytes=-1\r\n\r\n", kKiB, Kind::kPartial, 999, 999},
      {"Range: bytes=-0\r\n\r\n", kKiB, Kind::kUnsatisfiable, 0, 0},
      {"Range: bytes=-5000\r\n\r\n", kKiB, Kind::kPartial, 0, 999},
      {"Range: bytes=0-\r\n\r\n", 0, Kind::kUnsatisfiable, 0, 0},
      {"Range: bytes=-5\r\n\r\n", 0, Kind::kUnsatisfiable, 0, 0},
      // Not one byte range: ignored, the whole file goes out with 200.
      {"Range: bytes=1-2,4-5\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"Range: items=0-5\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"Range: abc\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"Range: bytes=abc-\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"Range: bytes=-\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"Range: bytes=5-3\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"Range: bytes=1-2-3\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"Range: bytes=+5-\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"Range: bytes=1 00-\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"Range: bytes=\xA3\xB1-\r\n\r\n", kKiB, Kind::kWhole, 0, 0},  // full-width digit
      {"If-Range: bytes=5-\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"X-Range: bytes=5-\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      {"Range : bytes=5-\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      // Only complete header lines count.
      {"Range: bytes=5-", kKiB, Kind::kWhole, 0, 0},
      {"Host: a\r\nRange: bytes=5-", kKiB, Kind::kWhole, 0, 0},
      {"Range: bytes=5-\n\n", kKiB, Kind::kWhole, 0, 0},
      // Text after the empty line is body, not a header.
      {"Host: a\r\n\r\nRange: bytes=5-\r\n", kKiB, Kind::kWhole, 0, 0},
      // A header block not yet ended still has its complete lines read.
      {"Range: bytes=5-\r\n", kKiB, Kind::kPartial, 5, 999},
      // The last Range line wins, also when it is not usable.
      {"Range: bytes=5-\r\nRange: bytes=7-\r\n\r\n", kKiB, Kind::kPartial, 7, 999},
      {"Range: bytes=5-\r\nRange: lines=7-\r\n\r\n", kKiB, Kind::kWhole, 0, 0},
      // Huge numbers saturate instead of wrapping around.
      {"Range: bytes=99999999999999999999999-\r\n\r\n", kKiB, Kind::kUnsatisfiable, 0, 0},
      {"Range: bytes=18446744073709551616-\r\n\r\n", kKiB, Kind::kUnsatisfiable, 0, 0},
      {"Range: bytes=0-99999999999999999999999\r\n\r\n", kKiB, Kind::kPartial, 0, 999},
      {"Range: bytes=-99999999999999999999999\r\n\r\n", kKiB, Kind::kPartial, 0, 999},
      // Offsets past 4 GiB.
      {"Range: bytes=4294967296-\r\n\r\n", 5 * kFourGiB / 4, Kind::kPartial, kFourGiB,
       5 * kFourGiB / 4 - 1},
      {"Range: bytes=4294967296-4294967300\r\n\r\n", 2 * kFourGiB, Kind::kPartial, kFourGiB,
       kFourGiB + 4},
      {"Range: bytes=-1\r\n\r\n", 2 * kFourGiB, Kind::kPartial, 2 * kFourGiB - 1,
       2 * kFourGiB - 1},
      {"Range: bytes=8589934592-\r\n\r\n", 2 * kFourGiB, Kind::kUnsatisfiable, 0, 0},
  };
  // clang-format on
  for (const RangeCase& c : cases) {
    const std::string request = "GET /a.bin HTTP/1.1\r\n" + c.headers;
    SCOPED_TRACE(request);
    const RangeDecision d = DecideRange(ParseRequest(request, CodePage::Gbk()).range, c.length);
    EXPECT_EQ(c.kind, d.kind);
    if (c.kind == Kind::kPartial) {
      EXPECT_EQ(c.first, d.first);
      EXPECT_EQ(c.last, d.last);
    }
  }
}

TEST(RequestTest, ReadsNoRangeFromTheRequestLineItself) {
  for (const char* text : {"Range: bytes=5-\r\n\r\n", "GET / HTTP/1.1", ""}) {
    EXPECT_EQ(ByteRangeSpec::Kind::kNone, ParseRequest(text, CodePage::Gbk()).range.kind) << text;
  }
}

TEST(RequestTest, ReadsTheLastValueOfAHeaderLineInAnyCase) {
  const struct {
    std::string request;
    std::optional<std::string> value;  // of If-None-Match
  } cases[] = {
      {"GET / HTTP/1.1\r\nIf-None-Match: \"a\"\r\n\r\n", "\"a\""},
      {"GET / HTTP/1.1\r\nif-none-match:\t \"a\", W/\"b\" \r\n\r\n", "\"a\", W/\"b\""},
      {"GET / HTTP/1.1\r\nIf-None-Match: 1\r\nHost: x\r\nIf-None-Match: 2\r\n\r\n", "2"},
      {"GET / HTTP/1.1\nIf-None-Match: 3\n\n", "3"},
      {"GET / HTTP/1.1\r\nIf-None-Match:\r\n\r\n", ""},
      {"GET / HTTP/1.1\r\nX-If-None-Match: 4\r\n\r\n", std::nullopt},
      {"GET /If-None-Match: 5 HTTP/1.1\r\n\r\n", std::nullopt},
      // Only the head: a line of the body is no header line.
      {"POST / HTTP/1.1\r\n\r\nIf-None-Match: 6\r\n", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    const std::optional<std::string_view> value =
        HeaderValue(ParseRequest(c.request, CodePage::Gbk()), "If-None-Match");
    EXPECT_EQ(c.value, value ? std::optional<std::string>(*value) : std::nullopt);
  }
}

}  // namespace
}  // namespace orvane
