#include "http/core/responses.h"

#include "http/core/text_rules.h"

namespace orvane {

namespace {

// The head every canned error answer shares, with the date's placeholder.
std::string CannedHead(std::string_view status, std::uint64_t body_length) {
  HeadParts head;
  head.status = status;
  head.close = true;
  head.content_length = body_length;
  head.content_type = "text/html";
  return BuildHead(head, kDatePlaceholder);
}

}  // namespace

std::string BuildHead(const HeadParts& head, std::string_view date) {
  std::string out;
  out.reserve(192 + head.location.size());
  out.append("HTTP/1.1 ").append(head.status).append("\r\n");
  out.append("Server: OrvaneServer/1.0\r\n");
  out.append("Date: ").append(date).append("\r\n");
  if (head.close) out.append("Connection: close\r\n");
  if (!head.no_content) {
    out.append("Content-Length: ").append(UnsignedDecimalText(head.content_length)).append("\r\n");
  }
  if (!head.content_range.empty()) {
    out.append("Content-Range: bytes ").append(head.content_range).append("\r\n");
  }
  if (!head.location.empty()) out.append("Location: ").append(head.location).append("\r\n");
  if (!head.no_content) out.append("Content-Type: ").append(head.content_type).append("\r\n");
  for (const std::string& line : head.extra_lines) out.append(line).append("\r\n");
  if (head.private_cache) out.append("Cache-control: private\r\n");
  out.append("\r\n");
  return out;
}

CannedResponses BuildCannedResponses() {
  CannedResponses r;
  // 连接已经达到上限，请稍后重试 (connection limit reached, please try again later)
  r.limit = CannedHead("403 Error", 28) +
            "\xC1\xAC\xBD\xD3\xD2\xD1\xBE\xAD\xB4\xEF\xB5\xBD\xC9\xCF"
            "\xCF\xDE\xA3\xAC\xC7\xEB\xC9\xD4\xBA\xF3\xD6\xD8\xCA\xD4";
  // 文件不存在 (file does not exist)
  r.not_found = CannedHead("404 Object Not Found", 10) + "\xCE\xC4\xBC\xFE\xB2\xBB\xB4\xE6\xD4\xDA";
  // 服务器内部错误 (internal server error)
  r.server_error =
      CannedHead("500 Error", 14) + "\xB7\xFE\xCE\xF1\xC6\xF7\xC4\xDA\xB2\xBF\xB4\xED\xCE\xF3";
  return r;
}

std::string FillCannedResponse(std::string_view canned, std::string_view date) {
  return ReplaceAll(canned, kDatePlaceholder, date, CodePage::SingleByte());
}

}  // namespace orvane
