// This machine's network adapters as the system reports them, with the
// names the operator knows them by.
#pragma once

#include <vector>

#include "ui/rules/address_text.h"

namespace orvane::ui {

// The adapters in the system's order (GetAdaptersInfo), each with its first
// IPv4 address, its first gateway and its friendly name ("WLAN"), else its
// description, in UTF-8; empty when the query fails. Queried afresh on every
// call.
std::vector<AdapterRecord> QueryAdapters();

}  // namespace orvane::ui
