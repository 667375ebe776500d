#include "app/address_report.h"

#include "app/terminal_qr.h"
#include "http/core/access_code.h"

namespace orvane {

std::string StartReport(std::string_view folder, const AdapterAddresses& lan, int port,
                        OutputKind output, std::string_view code) {
  std::string port_part = ":" + std::to_string(port) + "/";
  if (!code.empty()) port_part = AddressWithCode(port_part, code);
  std::string report = "OrvaneServer serving ";
  report.append(folder).append("\n");
  report += "Open http://127.0.0.1" + port_part + " here";
  if (lan.chosen.empty()) {
    report += "; other machines cannot reach it (no address of this machine is usable by them).";
  } else {
    report += ", or http://" + lan.chosen + port_part + " from other machines.";
  }
  report += " Ctrl-C stops.\n";
  if (!code.empty()) {
    report += "Access code " + std::string(code) +
              ": only visitors who bring it (it is in these addresses) get in.\n";
  }
  // The code is for a phone held up to the screen; a log file gets none.
  if (output == OutputKind::kNotATerminal || lan.chosen.empty()) return report;
  if (const auto code = EncodeQr("http://" + lan.chosen + port_part)) {
    const QrGlyphs glyphs =
        output == OutputKind::kUtf8Terminal ? QrGlyphs::kHalfBlocks : QrGlyphs::kSpaces;
    for (const std::string& line : TerminalQrLines(*code, glyphs)) report += line + "\n";
  }
  for (const UsableAddress& other : lan.usable) {
    if (other.address == lan.chosen) continue;
    report += "Also http://" + other.address + port_part + " (" + other.adapter_name + ")\n";
  }
  return report;
}

}  // namespace orvane
