#include "http/core/settings.h"

namespace orvane {

std::int16_t SettleServerPort(std::string_view port_text, const CodePage& cp) {
  const std::int16_t port = PortNumberFromText(port_text, cp);
  return port < 1 ? kDefaultPort : port;
}

std::string SettleSiteRoot(std::string_view folder_text, const CodePage& cp) {
  std::size_t i = 0;
  std::size_t last_char = std::string_view::npos;
  while (i < folder_text.size()) {
    last_char = i;
    i += cp.CharLength(folder_text, i);
  }
  if (last_char != std::string_view::npos && last_char == folder_text.size() - 1 &&
      folder_text[last_char] == '\\') {
    folder_text.remove_suffix(1);
  }
  return std::string(folder_text);
}

}  // namespace orvane
