#include "http/upload/multipart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace orvane {
namespace {

// Events as text, the data of a part joined whatever pieces it came in.
class Recorder : public MultipartSink {
 public:
  explicit Recorder(int stop_at_part) : stop_at_part_(stop_at_part) {}
  bool PartBegins(const PartHeader& h) override {
    events.push_back("begin " + h.name + (h.has_filename ? " file=" + h.filename : "") +
                     " type=" + h.content_type);
    return ++parts_ != stop_at_part_;
  }
  bool PartData(std::string_view data) override {
    if (data.empty()) events.push_back("empty data piece");
    if (events.empty() || events.back().rfind("data ", 0) != 0) events.push_back("data ");
    events.back() += data;
    return true;
  }
  bool PartEnds() override {
    events.push_back("end");
    return true;
  }
  std::vector<std::string> events;

 private:
  int stop_at_part_;
  int parts_ = 0;
};

// Feeds `body` in the pieces that begin at `cuts`, checking what is held;
// the events, then the state at the end.
std::vector<std::string> Read(const std::string& boundary, std::string_view body,
                              const std::vector<size_t>& cuts, int stop_at_part) {
  MultipartReader reader(boundary);
  Recorder sink(stop_at_part);
  std::size_t from = 0;
  for (std::size_t i = 0; i <= cuts.size(); ++i) {
    const std::size_t to = i < cuts.size() ? cuts[i] : body.size();
    (void)reader.Feed(body.substr(from, to - from), sink);
    EXPECT_LE(reader.held_bytes(), std::max(boundary.size() + 3, kMaxPartHeaderBytes + 2));
    from = to;
  }
  sink.events.push_back("state " + std::to_string(static_cast<int>(reader.Finish())));
  return sink.events;
}

const std::string kCurl = "------------------------d74496d66958873e";
const std::string kChrome = "----WebKitFormBoundary7MA4YWxkTrZu0gW";
const std::string kFirefox = "----geckoformboundary9d2a07e8d3b1f4c6";
const std::string kShort = "AaB";

std::string Part(const std::string& b, const std::string& headers, const std::string& data) {
  return "--" + b + "\r\n" + headers + "\r\n\r\n" + data + "\r\n";
}
std::string FilePart(const std::string& b, const std::string& name, const std::string& data) {
  return Part(b, "Content-Disposition: form-data; name=\"f\"; filename=" + name, data);
}

struct Case {
  const char* what;
  std::string boundary;
  std::string body;
  std::vector<std::string> events;
  MultipartState state;
  int stop_at_part = 0;
};

using S = MultipartState;

TEST(MultipartReaderTest, GivesTheSameEventsHoweverTheBodyIsSplit) {
  const std::string big_header = "Content-Disposition: form-data; name=\"f\"\r\nX-Pad: ";
  // A header block of exactly the limit: the lines, their CR LF and the empty line.
  const std::string at_limit =
      big_header + std::string(kMaxPartHeaderBytes - 4 - big_header.size(), 'p');
  const std::string cd = "Content-Disposition: form-data; ";
  // clang-format off
  const Case cases[] = {
      {"curl", kCurl,
       Part(kCurl, cd + "name=\"f\"; filename=\"photo.jpg\"\r\nContent-Type: image/jpeg",
            "\xFF\xD8jpeg") + "--" + kCurl + "--\r\n",
       {"begin f file=photo.jpg type=image/jpeg", "data \xFF\xD8jpeg", "end"}, S::kDone},
      {"Chromium: two files and a text field", kChrome,
       Part(kChrome, cd + "name=\"files\"; filename=\"a.txt\"\r\nContent-Type: text/plain",
            "line\r\nline\r\n") +
       Part(kChrome, cd + "name=\"files\"; filename=\"b.bin\"\r\nContent-Type: application/x",
            std::string("\0\r\r\n--", 6) + kChrome.substr(0, 10) + "x--" + kChrome + "\r\n") +
       Part(kChrome, cd + "name=\"note\"", "hi there") + "--" + kChrome + "--\r\n",
       {"begin files file=a.txt type=text/plain", "data line\r\nline\r\n", "end",
        "begin files file=b.bin type=application/x",
        std::string("data \0\r\r\n--", 11) + kChrome.substr(0, 10) + "x--" + kChrome + "\r\n",
        "end", "begin note type=", "data hi there", "end"}, S::kDone},
      {"Firefox: a file field with no file chosen", kFirefox,
       Part(kFirefox, cd + "name=\"f\"; filename=\"\"\r\nContent-Type: application/octet-stream",
            "") + "--" + kFirefox + "--\r\n",
       {"begin f file= type=application/octet-stream", "end"}, S::kDone},
      {"names as browsers write them: %22, %0D, %0A; a backslash is a character", kShort,
       FilePart(kShort, "\"say %22hi%22 \xE7\x85\xA7%0d%0A.jpg\"", "x") +
       FilePart(kShort, "\"C:\\Users\\a\\\\b.jpg\"", "y") +
       FilePart(kShort, "\"dir\\\"", "z") + FilePart(kShort, "\"100%.jpg\"", "") + "--" +
       kShort + "--",
       {"begin f file=say \"hi\" \xE7\x85\xA7\r\n.jpg type=", "data x", "end",
        "begin f file=C:\\Users\\a\\\\b.jpg type=", "data y", "end",
        "begin f file=dir\\ type=", "data z", "end", "begin f file=100%.jpg type=", "end"},
       S::kDone},
      {"filename* preferred; unquoted values; any case", kShort,
       Part(kShort, "content-disposition: FORM-DATA; Name=g; filename=\"fallback.jpg\"; "
                    "FILENAME*=utf-8''%E7%85%A7%e7%89%87.jpg", "") +
       Part(kShort, cd + "name=h; filename=my photo.jpg ;", "") +
       Part(kShort, cd + "name=i; filename*=latin1''x.jpg", "") +
       Part(kShort, cd + "name=j; filename*=UTF-8''%E7%85%A7", "") + "--" + kShort + "--",
       {"begin g file=\xE7\x85\xA7\xE7\x89\x87.jpg type=", "end",
        "begin h file=my photo.jpg type=", "end", "begin i type=", "end",
        "begin j file=\xE7\x85\xA7 type=", "end"}, S::kDone},
      {"preamble, padding and epilogue", kShort,
       "ignored --AaB\r\n--AaB \t\r\n" + cd + "name=a\r\n\r\n1\r\n--AaB--\r\nepilogue\r\n"
       "--AaB\r\nx",
       {"begin a type=", "data 1", "end"}, S::kDone},
      {"a header block of exactly the limit", kShort, Part(kShort, at_limit, "z") + "--AaB--",
       {"begin f type=", "data z", "end"}, S::kDone},
      {"the first boundary closes the body", kShort, "--AaB--\r\n", {}, S::kDone},
      {"a CR and another byte, then the boundary's text", kShort,
       FilePart(kShort, "a", "1\rx--AaB") + "--AaB--",
       {"begin f file=a type=", "data 1\rx--AaB", "end"}, S::kDone},
      {"the sink stops at the second part", kShort,
       FilePart(kShort, "a", "1") + FilePart(kShort, "b", "2") + "--AaB--",
       {"begin f file=a type=", "data 1", "end", "begin f file=b type="}, S::kStopped, 2},
      {"no boundary at all", kShort, "hello world\r\n", {}, S::kMalformed},
      {"a boundary not at the start of a line", kShort, "x--AaB\r\n\r\n", {}, S::kMalformed},
      {"a header block over the limit", kShort, Part(kShort, at_limit + "p", "z") + "--AaB--",
       {}, S::kMalformed},
      {"no Content-Disposition", kShort, Part(kShort, "Content-Type: text/plain", "1"), {},
       S::kMalformed},
      {"a disposition other than form-data", kShort,
       Part(kShort, "Content-Disposition: attachment; filename=a", "1"), {}, S::kMalformed},
      {"two Content-Disposition lines", kShort,
       Part(kShort, cd + "name=a\r\n" + cd + "name=b", ""), {}, S::kMalformed},
      {"a folded header line", kShort, Part(kShort, cd + "name=a;\r\n\tfilename=\"x:y\"", ""),
       {}, S::kMalformed},
      {"a quoted value not closed", kShort, FilePart(kShort, "\"a.jpg", "") + "--AaB--", {},
       S::kMalformed},
      {"the body ends inside a part", kShort,
       "--AaB\r\n" + cd + "name=f; filename=a\r\n\r\ndata\r\n--Aa",
       {"begin f file=a type=", "data data"}, S::kMalformed},
      {"the body ends after a boundary line", kShort, FilePart(kShort, "a", "1") + "--AaB\r\n",
       {"begin f file=a type=", "data 1", "end"}, S::kMalformed},
      {"a boundary followed by other text", kShort, FilePart(kShort, "a", "1") + "--AaBx\r\n",
       {"begin f file=a type=", "data 1"}, S::kMalformed},
      {"a CR without its LF after a boundary", kShort, "--AaB\rX", {}, S::kMalformed},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> expected = c.events;
    expected.push_back("state " + std::to_string(static_cast<int>(c.state)));
    ASSERT_EQ(expected, Read(c.boundary, c.body, {}, c.stop_at_part));
    for (std::size_t cut = 1; cut < c.body.size(); ++cut) {
      ASSERT_EQ(expected, Read(c.boundary, c.body, {cut}, c.stop_at_part)) << "cut at " << cut;
    }
    std::vector<std::size_t> every(c.body.size() > 0 ? c.body.size() - 1 : 0);
    for (std::size_t i = 0; i < every.size(); ++i) every[i] = i + 1;
    ASSERT_EQ(expected, Read(c.boundary, c.body, every, c.stop_at_part)) << "byte by byte";
  }
}

TEST(MultipartReaderTest, HoldsNoMoreThanABoundaryWhileDataFlows) {
  std::string body = FilePart(kChrome, "big.bin", std::string(4 << 20, '\r')) + "--" + kChrome;
  body += "--";
  MultipartReader reader(kChrome);
  Recorder sink(0);
  for (std::size_t at = 0; at < body.size(); at += 65536) {
    (void)reader.Feed(std::string_view(body).substr(at, 65536), sink);
    ASSERT_LT(reader.held_bytes(), kChrome.size() + 4);
  }
  EXPECT_EQ(MultipartState::kDone, reader.Finish());
}

TEST(MultipartReaderTest, BoundaryOfReadsOnlyAFormDataBoundary) {
  const std::string seventy(70, 'b');
  const struct {
    std::string content_type;
    std::optional<std::string> boundary;
  } cases[] = {
      {"multipart/form-data; boundary=" + kChrome, kChrome},
      {"Multipart/Form-Data; charset=utf-8; BOUNDARY=\"a b:c\"", "a b:c"},
      {"multipart/form-data;boundary=abc ", "abc"},
      {"multipart/form-data; boundary=" + seventy, seventy},
      {"multipart/form-data; boundary=" + seventy + "b", std::nullopt},
      {"multipart/form-data; boundary=\"abc \"", std::nullopt},
      {"multipart/form-data; boundary=ab\"c", std::nullopt},
      {"multipart/form-data; boundary=\"abc", std::nullopt},
      {"multipart/form-data; boundary=", std::nullopt},
      {"multipart/form-data", std::nullopt},
      {"multipart/mixed; boundary=abc", std::nullopt},
      {"multipart/form-datax; boundary=abc", std::nullopt},
      {"text/plain; boundary=abc", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(c.boundary, BoundaryOf(c.content_type)) << c.content_type;
}

}  // namespace
}  // namespace orvane
