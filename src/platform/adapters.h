// This machine's network adapters as the system reports them, with the
// names the operator knows them by.
#pragma once

#include <vector>

#include "base/adapter_record.h"

namespace orvane::platform {

// The adapters in the system's order, each with its first IPv4 address, its
// first default gateway and its name, in UTF-8; empty when the query fails.
// Queried afresh on every call. Windows: GetAdaptersInfo's list, named by
// the friendly name ("WLAN"), else the description. POSIX: one record per
// IPv4 address of every interface that is up, named by its interface, with
// the gateway of the interface's default route.
[[nodiscard]] std::vector<AdapterRecord> QueryAdapters();

}  // namespace orvane::platform
