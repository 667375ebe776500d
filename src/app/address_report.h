// What the headless program prints once it serves: the folder, the address
// for this machine and for others, and on a terminal the address as a QR
// code a phone can scan with the other usable addresses under it. Pure.
#pragma once

#include <string>
#include <string_view>

#include "front/address_text.h"
#include "http/core/serving_options.h"

namespace orvane {

// Where standard output goes: a file or pipe gets no code; a terminal gets
// it in UTF-8 half blocks or, when its character set is another, in plain
// spaces.
enum class OutputKind { kNotATerminal, kUtf8Terminal, kOtherTerminal };

// The whole report, every line ending in "\n", to be written at once so no
// client line lands inside it. With no usable address it says that other
// machines cannot reach this one, and draws no code. With the access code
// every address carries it in its query, the one for this machine too. With
// uploads a line of its own gives the upload page's address, and unless
// "/" answers with the folder's listing (`root_lists`), which holds the
// upload area, the QR code leads to that page.
[[nodiscard]] std::string StartReport(std::string_view folder, const AdapterAddresses& lan,
                                      int port, OutputKind output,
                                      const ServingOptions& options = {}, bool root_lists = false);

}  // namespace orvane
