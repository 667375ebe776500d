#include "http/core/responses.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "http/core/reply.h"
#include "support/gbk_texts.h"
#include "support/stand_in_file.h"

namespace orvane {
namespace {

// The bytes below are written out independently of the code under test.
const std::string kDate = "Sun, 06 Dec 2026 14:05:09 GMT";
const std::string kDatePlace = "\xCA\xB1\xBC\xE4";  // 时间

std::string Canned(const std::string& status, const std::string& length, const std::string& date,
                   const std::string& body) {
  return status + "\r\nServer: OrvaneServer/1.0\r\nDate: " + date +
         "\r\nConnection: close\r\nContent-Length: " + length +
         "\r\nContent-Type: text/html\r\n\r\n" + body;
}

using testing::kLimitBody;
using testing::kNotFoundBody;
using testing::kServerErrorBody;

TEST(ResponsesTest, BuildsTheThreeCannedAnswersByteForByte) {
  const CannedResponses r = BuildCannedResponses();
  EXPECT_EQ(Canned("HTTP/1.1 403 Error", "28", kDatePlace, kLimitBody), r.limit);
  EXPECT_EQ(Canned("HTTP/1.1 404 Object Not Found", "10", kDatePlace, kNotFoundBody), r.not_found);
  EXPECT_EQ(Canned("HTTP/1.1 500 Error", "14", kDatePlace, kServerErrorBody), r.server_error);
}

TEST(ResponsesTest, FillsTheDateIntoACannedAnswer) {
  const CannedResponses r = BuildCannedResponses();
  EXPECT_EQ(Canned("HTTP/1.1 404 Object Not Found", "10", kDate, kNotFoundBody),
            FillCannedResponse(r.not_found, kDate));
  EXPECT_EQ(Canned("HTTP/1.1 403 Error", "28", kDate, kLimitBody),
            FillCannedResponse(r.limit, kDate));
  EXPECT_EQ(Canned("HTTP/1.1 500 Error", "14", kDate, kServerErrorBody),
            FillCannedResponse(r.server_error, kDate));
}

// The head a GET of `name` with `headers` is answered with, for a file of
// `size` bytes, dated kDate.
std::string HeadFor(const std::string& name, std::uint64_t size, const std::string& headers) {
  Target target;
  target.kind = Target::Kind::kFile;
  target.path = MappedPath{"C:\\web", "\\" + name};
  target.file = std::make_unique<testing::StandInFile>(size);
  const std::string request = "GET /" + name + " HTTP/1.1\r\n" + headers + "\r\n";
  return BuildHead(
      DecideReply(ParseRequest(request, CodePage::Gbk()), {}, std::move(target), {}).head, kDate);
}

TEST(ResponsesTest, BuildsTheHeadsOfFileAnswers) {
  const std::string top = "Server: OrvaneServer/1.0\r\nDate: " + kDate + "\r\n";
  const struct {
    std::string name;
    std::uint64_t size;
    std::string headers;
    std::string expected;
  } cases[] = {
      {"p.htm", 512, "",
       "HTTP/1.1 200 OK\r\n" + top +
           "Content-Length: 512\r\nContent-Type: text/html\r\nCache-control: private\r\n\r\n"},
      {"p.txt", 0, "",
       "HTTP/1.1 200 OK\r\n" + top +
           "Content-Length: 0\r\nContent-Type: text/plain\r\nCache-control: private\r\n\r\n"},
      {"p.bin", 5368709120, "",
       "HTTP/1.1 200 OK\r\n" + top +
           "Content-Length: 5368709120\r\nContent-Type: application/octet-stream\r\n"
           "Accept-Ranges: bytes\r\nCache-control: private\r\n\r\n"},
      {"p.txt", 1000, "Range: bytes=100-199\r\n",
       "HTTP/1.1 206 Partial Content\r\n" + top +
           "Content-Length: 100\r\nContent-Range: bytes 100-199/1000\r\n"
           "Content-Type: text/plain\r\nCache-control: private\r\n\r\n"},
      {"p.bin", 5368709120, "Range: bytes=5368709119-\r\n",
       "HTTP/1.1 206 Partial Content\r\n" + top +
           "Content-Length: 1\r\nContent-Range: bytes 5368709119-5368709119/5368709120\r\n"
           "Content-Type: application/octet-stream\r\nAccept-Ranges: bytes\r\n"
           "Cache-control: private\r\n\r\n"},
      {"p.txt", 1000, "Range: bytes=1000-\r\n",
       "HTTP/1.1 416 Range Not Satisfiable\r\n" + top +
           "Connection: close\r\nContent-Length: 0\r\nContent-Range: bytes */1000\r\n"
           "Content-Type: text/html\r\n\r\n"},
      {"p.txt", 0, "Range: bytes=-5\r\n",
       "HTTP/1.1 416 Range Not Satisfiable\r\n" + top +
           "Connection: close\r\nContent-Length: 0\r\nContent-Range: bytes */0\r\n"
           "Content-Type: text/html\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " " + c.headers);
    EXPECT_EQ(c.expected, HeadFor(c.name, c.size, c.headers));
  }
}

}  // namespace
}  // namespace orvane
