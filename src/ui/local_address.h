// `LocalIPv4Address`: the machine's IPv4 address as other machines see it.
#pragma once

#include <string>

namespace orvane::ui {

// The address other machines use, chosen from the adapters' first addresses
// and gateways by ChooseAdapterAddress; empty when the query fails or no
// adapter qualifies. Queried afresh on every call.
std::string LocalIPv4Address();

}  // namespace orvane::ui
