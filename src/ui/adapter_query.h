// This machine's network adapters as the system reports them, with the
// names the operator knows them by.
#pragma once

#include <string>
#include <vector>

namespace orvane::ui {

struct NamedAdapter {
  std::string address;  // its first IPv4 address, dotted ("0.0.0.0": none)
  std::string gateway;  // its first default gateway, dotted or empty
  std::wstring name;    // its friendly name ("WLAN"), else its description
};

// The adapters in the system's order (GetAdaptersInfo); empty when the query
// fails. Queried afresh on every call.
std::vector<NamedAdapter> QueryAdapters();

}  // namespace orvane::ui
