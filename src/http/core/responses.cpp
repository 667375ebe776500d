#include "http/core/responses.h"

#include "http/core/content_type.h"
#include "http/core/text_rules.h"

namespace orvane {

namespace {

constexpr std::string_view kServerLine = "Server: OrvaneServer/1.0\r\n";

// The lines every head is made of, in this order; the optional ones are left
// out when empty or false.
struct HeadFields {
  std::string_view status_line;
  std::string_view date;
  bool close = false;  // "Connection: close"
  std::string_view length;
  std::string_view content_range;  // the value after "bytes "
  std::string_view content_type;
  bool private_cache = false;  // "Cache-control: private"
  std::string_view location;
  bool all_ranges = false;  // ContentTypeLines
};

// The one head builder, up to and including the empty line.
std::string BuildHead(const HeadFields& f) {
  std::string head;
  head.append(f.status_line);
  head.append(kServerLine);
  head.append("Date: ").append(f.date).append("\r\n");
  if (f.close) head.append("Connection: close\r\n");
  head.append("Content-Length: ").append(f.length).append("\r\n");
  if (!f.content_range.empty()) {
    head.append("Content-Range: bytes ").append(f.content_range).append("\r\n");
  }
  if (!f.location.empty()) head.append("Location: ").append(f.location).append("\r\n");
  head.append("Content-Type: ")
      .append(ContentTypeLines(f.content_type, f.all_ranges))
      .append("\r\n");
  if (f.private_cache) head.append("Cache-control: private\r\n");
  head.append("\r\n");
  return head;
}

// The head every canned error answer shares.
std::string CannedHead(std::string_view status_line, std::string_view body_length) {
  return BuildHead(
      {status_line, kDatePlaceholder, true, body_length, {}, "text/html", false, {}, false});
}

}  // namespace

std::string ContentTypeLines(std::string_view content_type, bool all_ranges) {
  std::string lines(content_type);
  if (all_ranges || AdvertisesByteRanges(content_type)) lines.append("\r\nAccept-Ranges: bytes");
  return lines;
}

CannedResponses BuildCannedResponses() {
  CannedResponses r;
  // 连接已经达到上限，请稍后重试 (connection limit reached, please try again later)
  r.limit = CannedHead("HTTP/1.1 403 Error\r\n", "28") +
            "\xC1\xAC\xBD\xD3\xD2\xD1\xBE\xAD\xB4\xEF\xB5\xBD\xC9\xCF"
            "\xCF\xDE\xA3\xAC\xC7\xEB\xC9\xD4\xBA\xF3\xD6\xD8\xCA\xD4";
  // 文件不存在 (file does not exist)
  r.not_found = CannedHead("HTTP/1.1 404 Object Not Found\r\n", "10") +
                "\xCE\xC4\xBC\xFE\xB2\xBB\xB4\xE6\xD4\xDA";
  // 服务器内部错误 (internal server error)
  r.server_error = CannedHead("HTTP/1.1 500 Error\r\n", "14") +
                   "\xB7\xFE\xCE\xF1\xC6\xF7\xC4\xDA\xB2\xBF\xB4\xED\xCE\xF3";
  r.ok_header_template = BuildHead({"HTTP/1.1 200 OK\r\n",
                                    kDatePlaceholder,
                                    false,
                                    kLengthPlaceholder,
                                    {},
                                    kTypePlaceholder,
                                    true,
                                    {},
                                    false});
  return r;
}

std::string FillCannedResponse(std::string_view canned, std::string_view date) {
  return ReplaceAll(canned, kDatePlaceholder, date, CodePage::SingleByte());
}

std::string FillOkHead(std::string_view ok_template, std::uint64_t body_length,
                       std::string_view date, std::string_view content_type, bool all_ranges) {
  const CodePage bytes = CodePage::SingleByte();
  std::string head =
      ReplaceAll(ok_template, kLengthPlaceholder, UnsignedDecimalText(body_length), bytes);
  head = ReplaceAll(head, kDatePlaceholder, date, bytes);
  return ReplaceAll(head, kTypePlaceholder, ContentTypeLines(content_type, all_ranges), bytes);
}

std::string BuildPartialHead(std::string_view date, std::string_view content_type,
                             std::uint64_t first, std::uint64_t last, std::uint64_t total,
                             bool all_ranges) {
  const std::string range = UnsignedDecimalText(first) + "-" + UnsignedDecimalText(last) + "/" +
                            UnsignedDecimalText(total);
  return BuildHead({"HTTP/1.1 206 Partial Content\r\n",
                    date,
                    false,
                    UnsignedDecimalText(last - first + 1),
                    range,
                    content_type,
                    true,
                    {},
                    all_ranges});
}

std::string BuildRangeNotSatisfiable(std::string_view date, std::uint64_t total) {
  const std::string range = "*/" + UnsignedDecimalText(total);
  return BuildHead({"HTTP/1.1 416 Range Not Satisfiable\r\n",
                    date,
                    true,
                    "0",
                    range,
                    "text/html",
                    false,
                    {},
                    false});
}

std::string BuildPageHead(std::string_view date, std::uint64_t body_length,
                          std::string_view content_type) {
  return BuildHead({"HTTP/1.1 200 OK\r\n",
                    date,
                    true,
                    UnsignedDecimalText(body_length),
                    {},
                    content_type,
                    true,
                    {},
                    false});
}

std::string BuildRedirect(std::string_view date, std::string_view location) {
  return BuildHead({"HTTP/1.1 301 Moved Permanently\r\n",
                    date,
                    true,
                    "0",
                    {},
                    "text/html",
                    false,
                    location,
                    false});
}

}  // namespace orvane
