#include "http/core/log_line.h"

#include "http/core/text_rules.h"

namespace orvane {

std::string ClientLogLine(std::string_view address, std::uint16_t port) {
  std::string line = "\xBF\xCD\xBB\xA7\xC0\xB4\xD7\xD4:";  // 客户来自:
  line.append(address);
  line.push_back(':');
  line.append(UnsignedDecimalText(port));
  line.append("\r\n");
  return line;
}

}  // namespace orvane
