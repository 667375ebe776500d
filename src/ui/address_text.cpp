#include "ui/address_text.h"

namespace orvane::ui {

std::string ServerAddressText(std::string_view port_text, std::string_view ipv4,
                              const CodePage& cp) {
  const std::int16_t port = PortNumberFromText(port_text, cp);
  std::string text = "http://";
  text.append(ipv4);
  if (port > 0 && port != 80) text.append(":").append(DecimalText(port));
  text.append("/");
  return text;
}

std::string ChooseAdapterAddress(const std::vector<std::string>& addresses) {
  std::string chosen;
  for (const std::string& address : addresses) {
    // An adapter without an address reports 0.0.0.0; no machine reaches it.
    if (address.empty() || address == "0.0.0.0") continue;
    chosen = address;
  }
  return chosen;
}

}  // namespace orvane::ui
