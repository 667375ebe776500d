// The server address shown to the operator: "http://" + the machine's IPv4
// address + ":" and the port unless it is 80 + "/". Pure; the adapter query
// lives in local_address.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "http/core/text_rules.h"

namespace orvane::ui {

// The displayed text for a port box text and an address (which may be
// empty). The port is read exactly as the server reads it when it starts,
// so a text the server would replace by 80 shows no port either.
std::string ServerAddressText(std::string_view port_text, std::string_view ipv4,
                              const CodePage& cp);

// The address to show from the adapters' first addresses in the system's
// order: the last one that another machine could reach (0.0.0.0 and empty
// entries are passed over); empty when there is none.
std::string ChooseAdapterAddress(const std::vector<std::string>& addresses);

}  // namespace orvane::ui
