#include "app/address_report.h"

#include "app/terminal_qr.h"
#include "http/core/access_code.h"
#include "http/core/upload_page.h"

namespace orvane {

std::string StartReport(std::string_view folder, const AdapterAddresses& lan, int port,
                        OutputKind output, const ServingOptions& options, bool root_lists) {
  const std::string_view code = options.code;
  const std::string port_only = ":" + std::to_string(port);
  std::string port_part = port_only + "/";
  if (!code.empty()) port_part = AddressWithCode(port_part, code);
  // The upload page's address, after a host.
  const std::string upload_part =
      port_only + std::string(kUploadPath) + "?code=" + std::string(code);
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
  if (options.uploads) {
    report += "Uploads go to " + options.upload_folder + ": send files from http://" +
              (lan.chosen.empty() ? std::string("127.0.0.1") : lan.chosen) + upload_part + "\n";
  }
  // The code is for a phone held up to the screen; a log file gets none.
  if (output == OutputKind::kNotATerminal || lan.chosen.empty()) return report;
  // The phone is led to a page with the upload area: the listing's "/", or
  // the upload page itself.
  const bool upload_home = options.uploads && !root_lists;
  if (const auto qr = EncodeQr("http://" + lan.chosen + (upload_home ? upload_part : port_part))) {
    const QrGlyphs glyphs =
        output == OutputKind::kUtf8Terminal ? QrGlyphs::kHalfBlocks : QrGlyphs::kSpaces;
    for (const std::string& line : TerminalQrLines(*qr, glyphs)) report += line + "\n";
  }
  for (const UsableAddress& other : lan.usable) {
    if (other.address == lan.chosen) continue;
    report += "Also http://" + other.address + port_part + " (" + other.adapter_name + ")\n";
  }
  return report;
}

}  // namespace orvane
