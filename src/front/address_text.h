// The server address shown to other machines, by the window and the headless
// program alike: "http://" + the machine's IPv4 address + ":" and the port
// unless it is 80 + "/", and which adapter's address that is. Pure; the
// adapter query lives in platform/adapters.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/adapter_record.h"
#include "http/core/text_rules.h"

namespace orvane {

// The displayed text for a port box text and an address (which may be
// empty). The port is read exactly as the server reads it when it starts,
// so a text the server would replace by 80 shows no port either.
std::string ServerAddressText(std::string_view port_text, std::string_view ipv4,
                              const CodePage& cp);

// An address other machines can use, with the adapter that carries it.
struct UsableAddress {
  std::string address;
  std::string adapter_name;
};

// The usable addresses in the system's order, and the one shown by default.
struct AdapterAddresses {
  std::vector<UsableAddress> usable;
  std::string chosen;  // empty when none is usable
};

// Addresses no other machine can reach are passed over: any but IPv4 (the
// server listens on IPv4 only), 0.0.0.0, loopback
// 127.0.0.0/8, link-local 169.254.0.0/16 (no DHCP answer), and empty or
// malformed texts; an address already listed is not listed again. Of the
// rest, the last adapter with a default gateway is chosen (host-only networks
// and virtual switches usually have none); without one, the last usable one.
[[nodiscard]] AdapterAddresses ListAdapterAddresses(const std::vector<AdapterRecord>& adapters);

// ListAdapterAddresses(adapters).chosen.
[[nodiscard]] std::string ChooseAdapterAddress(const std::vector<AdapterRecord>& adapters);

// The address to show after the adapters changed: the operator's choice
// (empty for none) while it is still usable, otherwise the automatic choice.
[[nodiscard]] std::string FollowAdapterAddress(std::string_view operator_choice,
                                               const std::vector<AdapterRecord>& adapters);

}  // namespace orvane
