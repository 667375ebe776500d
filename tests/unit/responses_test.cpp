#include "http/core/responses.h"

#include <gtest/gtest.h>

#include <string>

#include "support/gbk_texts.h"

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

TEST(ResponsesTest, BuildsTheOkHeadTemplateWithItsPlaceholders) {
  EXPECT_EQ(
      "HTTP/1.1 200 OK\r\nServer: OrvaneServer/1.0\r\nDate: \xCA\xB1\xBC\xE4\r\n"
      "Content-Length: \xB3\xA4\xB6\xC8\r\nContent-Type: \xC0\xE0\xD0\xCD\r\n"
      "Cache-control: private\r\n\r\n",
      BuildCannedResponses().ok_header_template);
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

struct OkHeadCase {
  std::uint64_t length;
  std::string type;
  std::string expected;
};

TEST(ResponsesTest, FillsTheOkHead) {
  const std::string top = "HTTP/1.1 200 OK\r\nServer: OrvaneServer/1.0\r\nDate: " + kDate + "\r\n";
  const OkHeadCase cases[] = {
      {512, "text/html",
       top + "Content-Length: 512\r\nContent-Type: text/html\r\nCache-control: private\r\n\r\n"},
      {0, "text/plain",
       top + "Content-Length: 0\r\nContent-Type: text/plain\r\nCache-control: private\r\n\r\n"},
      {5368709120, "application/octet-stream",
       top + "Content-Length: 5368709120\r\nContent-Type: application/octet-stream\r\n"
             "Accept-Ranges: bytes\r\nCache-control: private\r\n\r\n"},
  };
  const std::string ok_template = BuildCannedResponses().ok_header_template;
  for (const OkHeadCase& c : cases) {
    SCOPED_TRACE(c.length);
    EXPECT_EQ(c.expected, FillOkHead(ok_template, c.length, kDate, c.type));
  }
}

TEST(ResponsesTest, BuildsThePartialHead) {
  EXPECT_EQ("HTTP/1.1 206 Partial Content\r\nServer: OrvaneServer/1.0\r\nDate: " + kDate +
                "\r\nContent-Length: 100\r\nContent-Range: bytes 100-199/1000\r\n"
                "Content-Type: text/plain\r\nCache-control: private\r\n\r\n",
            BuildPartialHead(kDate, "text/plain", 100, 199, 1000));
  EXPECT_EQ("HTTP/1.1 206 Partial Content\r\nServer: OrvaneServer/1.0\r\nDate: " + kDate +
                "\r\nContent-Length: 1\r\nContent-Range: bytes 5368709119-5368709119/5368709120\r\n"
                "Content-Type: application/octet-stream\r\nAccept-Ranges: bytes\r\n"
                "Cache-control: private\r\n\r\n",
            BuildPartialHead(kDate, "application/octet-stream\r\nAccept-Ranges: bytes", 5368709119,
                             5368709119, 5368709120));
}

TEST(ResponsesTest, BuildsTheRangeNotSatisfiableAnswer) {
  EXPECT_EQ("HTTP/1.1 416 Range Not Satisfiable\r\nServer: OrvaneServer/1.0\r\nDate: " + kDate +
                "\r\nConnection: close\r\nContent-Length: 0\r\nContent-Range: bytes */1000\r\n"
                "Content-Type: text/html\r\n\r\n",
            BuildRangeNotSatisfiable(kDate, 1000));
  EXPECT_NE(std::string::npos,
            BuildRangeNotSatisfiable(kDate, 0).find("\r\nContent-Range: bytes */0\r\n"));
}

}  // namespace
}  // namespace orvane
