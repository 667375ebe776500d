#include "http/core/log_line.h"

#include "http/core/text_rules.h"

#include <utility>

namespace orvane {

namespace {

std::string AddressLine(std::string line, std::string_view address, std::uint16_t port) {
  line.append(address);
  line.push_back(':');
  line.append(UnsignedDecimalText(port));
  line.append("\r\n");
  return line;
}

}  // namespace

std::string ClientLogLine(std::string_view address, std::uint16_t port) {
  return AddressLine("\xBF\xCD\xBB\xA7\xC0\xB4\xD7\xD4:", address, port);  // 客户来自:
}

std::string RefusedLogLine(std::string_view address, std::uint16_t port) {
  // 拒绝(没有正确的访问码):
  return AddressLine(
      "\xBE\xDC\xBE\xF8(\xC3\xBB\xD3\xD0\xD5\xFD\xC8\xB7\xB5\xC4\xB7\xC3\xCE\xCA\xC2\xEB):",
      address, port);
}

std::string StoredFileLogLine(std::string_view name, std::uint64_t size, std::string_view address,
                              std::uint16_t port) {
  std::string line = "\xCA\xD5\xB5\xBD\xCE\xC4\xBC\xFE:";  // 收到文件:
  line.append(name).append(" ").append(UnsignedDecimalText(size));
  line.append(" \xD7\xD6\xBD\xDA\xA3\xAC\xC0\xB4\xD7\xD4 ");  // " 字节，来自 "
  return AddressLine(std::move(line), address, port);
}

}  // namespace orvane
