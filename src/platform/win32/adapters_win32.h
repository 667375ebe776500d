// The Windows adapter query, over the two IP Helper calls it reads the list
// with: QueryAdapters passes the system's own, and a test passes stand-ins
// whose list grows between the calls.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <vector>

#include "base/adapter_record.h"

namespace orvane::platform {

struct AdapterSource {
  decltype(&GetAdaptersInfo) adapters_info = GetAdaptersInfo;
  decltype(&GetAdaptersAddresses) adapters_addresses = GetAdaptersAddresses;
};

// QueryAdapters' body (platform/adapters.h) over `source`. A call that says
// ERROR_BUFFER_OVERFLOW (the list grew since its size was learnt: adapters
// come and go exactly when the address watch fires) is made again with the
// size it reports, a few times at most.
[[nodiscard]] std::vector<AdapterRecord> QueryAdaptersFrom(const AdapterSource& source);

}  // namespace orvane::platform
