// `LocalIPv4Address`: the machine's IPv4 address as other machines see it.
#pragma once

#include <string>

namespace orvane::ui {

// The first IPv4 address of the last adapter in the system's order that has
// a usable one (adapters reporting 0.0.0.0 are passed over); empty when the
// query fails or no adapter qualifies. Queried afresh on every call.
std::string LocalIPv4Address();

}  // namespace orvane::ui
