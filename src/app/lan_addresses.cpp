#include "app/lan_addresses.h"

#include <string>

#include "address/qr_modules.h"
#include "app/terminal_qr.h"

namespace orvane {

void PrintAddressQr(std::FILE* out, const AdapterAddresses& lan, int port) {
  if (lan.chosen.empty()) return;
  const std::string port_part = ":" + std::to_string(port) + "/";
  if (const auto code = EncodeQr("http://" + lan.chosen + port_part)) {
    for (const std::string& line : TerminalQrLines(*code)) std::fprintf(out, "%s\n", line.c_str());
  }
  for (const UsableAddress& other : lan.usable) {
    if (other.address == lan.chosen) continue;
    std::fprintf(out, "Also http://%s%s (%s)\n", other.address.c_str(), port_part.c_str(),
                 other.adapter_name.c_str());
  }
}

}  // namespace orvane
