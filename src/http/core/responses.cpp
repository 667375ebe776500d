#include "http/core/responses.h"

#include "http/core/text_rules.h"

namespace orvane {

namespace {

constexpr std::string_view kServerLine = "Server: OrvaneServer/1.0\r\n";

// The head every canned error answer shares, up to and including the empty line.
std::string CannedHead(std::string_view status_line, std::string_view body_length) {
  std::string text;
  text.append(status_line);
  text.append(kServerLine);
  text.append("Date: ").append(kDatePlaceholder).append("\r\n");
  text.append("Connection: close\r\n");
  text.append("Content-Length: ").append(body_length).append("\r\n");
  text.append("Content-Type: text/html\r\n\r\n");
  return text;
}

}  // namespace

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
  std::string& ok = r.ok_header_template;
  ok.append("HTTP/1.1 200 OK\r\n");
  ok.append(kServerLine);
  ok.append("Date: ").append(kDatePlaceholder).append("\r\n");
  ok.append("Content-Length: ").append(kLengthPlaceholder).append("\r\n");
  ok.append("Content-Type: ").append(kTypePlaceholder).append("\r\n");
  ok.append("Cache-control: private\r\n\r\n");
  return r;
}

std::string FillCannedResponse(std::string_view canned, std::string_view date) {
  return ReplaceAll(canned, kDatePlaceholder, date, CodePage::SingleByte());
}

std::string FillOkHead(std::string_view ok_template, std::uint64_t body_length,
                       std::string_view date, std::string_view content_type) {
  const CodePage bytes = CodePage::SingleByte();
  std::string head =
      ReplaceAll(ok_template, kLengthPlaceholder, UnsignedDecimalText(body_length), bytes);
  head = ReplaceAll(head, kDatePlaceholder, date, bytes);
  return ReplaceAll(head, kTypePlaceholder, content_type, bytes);
}

std::string BuildPartialHead(std::string_view date, std::string_view content_type,
                             std::uint64_t first, std::uint64_t last, std::uint64_t total) {
  std::string head;
  head.append("HTTP/1.1 206 Partial Content\r\n");
  head.append(kServerLine);
  head.append("Date: ").append(date).append("\r\n");
  head.append("Content-Length: ").append(UnsignedDecimalText(last - first + 1)).append("\r\n");
  head.append("Content-Range: bytes ")
      .append(UnsignedDecimalText(first))
      .append("-")
      .append(UnsignedDecimalText(last))
      .append("/")
      .append(UnsignedDecimalText(total))
      .append("\r\n");
  head.append("Content-Type: ").append(content_type).append("\r\n");
  head.append("Cache-control: private\r\n\r\n");
  return head;
}

std::string BuildRangeNotSatisfiable(std::string_view date, std::uint64_t total) {
  std::string head;
  head.append("HTTP/1.1 416 Range Not Satisfiable\r\n");
  head.append(kServerLine);
  head.append("Date: ").append(date).append("\r\n");
  head.append("Connection: close\r\n");
  head.append("Content-Length: 0\r\n");
  head.append("Content-Range: bytes */").append(UnsignedDecimalText(total)).append("\r\n");
  head.append("Content-Type: text/html\r\n\r\n");
  return head;
}

}  // namespace orvane
