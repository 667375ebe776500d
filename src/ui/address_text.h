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

// One network adapter as the system reports it: its first IPv4 address and
// its first default gateway, both dotted text (empty or "0.0.0.0" for none).
struct AdapterRecord {
  std::string address;
  std::string gateway;
};

// The address other machines use, from the adapters in the system's order.
// Addresses no other machine can reach are passed over: 0.0.0.0, loopback
// 127.0.0.0/8, link-local 169.254.0.0/16 (no DHCP answer), and empty or
// malformed texts. Of the rest, the last adapter with a default gateway wins
// (host-only networks and virtual switches usually have none); without one,
// the last usable adapter; empty when none is usable.
std::string ChooseAdapterAddress(const std::vector<AdapterRecord>& adapters);

}  // namespace orvane::ui
