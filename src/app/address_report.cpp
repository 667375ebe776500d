#include "app/address_report.h"

#include "app/terminal_qr.h"
#include "front/phone_landing.h"
#include "http/core/reserved_paths.h"

namespace orvane {

std::string StartReport(std::string_view folder, const AdapterAddresses& lan, int port,
                        OutputKind output, const ServingOptions& options, bool root_lists) {
  const std::string_view code = options.code;
  const std::string port_only = ":" + std::to_string(port);
  // An address of this server on `host`, leading to `path`.
  const auto address = [&](std::string_view host, std::string_view path) {
    return VisitorAddress("http://" + std::string(host) + port_only + "/", path, code);
  };
  std::string report = "OrvaneServer serving ";
  report.append(folder).append("\n");
  report += "Open " + address("127.0.0.1", "/") + " here";
  if (lan.chosen.empty()) {
    report += "; other machines cannot reach it (no address of this machine is usable by them).";
  } else {
    report += ", or " + address(lan.chosen, "/") + " from other machines.";
  }
  report += " Ctrl-C stops.\n";
  if (!code.empty()) {
    report += "Access code " + std::string(code) +
              ": only visitors who bring it (it is in these addresses) get in.\n";
  }
  if (options.uploads) {
    report += "Uploads go to " + options.upload_folder + ": send files from " +
              address(lan.chosen.empty() ? std::string("127.0.0.1") : lan.chosen, kUploadPath) +
              "\n";
  }
  // The code is for a phone held up to the screen; a log file gets none.
  if (output == OutputKind::kNotATerminal || lan.chosen.empty()) return report;
  if (const auto qr = EncodeQr(address(lan.chosen, PhoneLandingPath(options, root_lists)))) {
    const QrGlyphs glyphs =
        output == OutputKind::kUtf8Terminal ? QrGlyphs::kHalfBlocks : QrGlyphs::kSpaces;
    for (const std::string& line : TerminalQrLines(*qr, glyphs)) report += line + "\n";
  }
  for (const UsableAddress& other : lan.usable) {
    if (other.address == lan.chosen) continue;
    report += "Also " + address(other.address, "/") + " (" + other.adapter_name + ")\n";
  }
  return report;
}

}  // namespace orvane
