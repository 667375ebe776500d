#include "http/core/settings.h"

namespace orvane {

std::int16_t SettleServerPort(std::string_view port_text, const CodePage& cp) {
  const std::int16_t port = PortNumberFromText(port_text, cp);
  return port < 1 ? kDefaultPort : port;
}

std::string SettleSiteRoot(std::string_view folder_text) {
  if (!folder_text.empty() && folder_text.back() == '\\') folder_text.remove_suffix(1);
  return std::string(folder_text);
}

ServerSettings SettleServerSettings(std::string_view port_text, std::string_view folder_text,
                                    const CodePage& cp) {
  return ServerSettings{SettleServerPort(port_text, cp), SettleSiteRoot(folder_text)};
}

}  // namespace orvane
