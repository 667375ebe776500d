#include "ui/local_address.h"

#include <windows.h>
#include <iphlpapi.h>

#include <vector>

#include "ui/address_text.h"

namespace orvane::ui {

std::string LocalIPv4Address() {
  ULONG size = 0;
  // The first call only learns the size; its result code says nothing more.
  (void)GetAdaptersInfo(nullptr, &size);
  if (size == 0) return {};
  // IP_ADAPTER_INFO holds pointers, so the buffer must be aligned for them.
  std::vector<IP_ADAPTER_INFO> buffer(size / sizeof(IP_ADAPTER_INFO) + 1);
  if (GetAdaptersInfo(buffer.data(), &size) != NO_ERROR) return {};

  // The text fields are fixed arrays, NUL-terminated when shorter.
  const auto text_of = [](const IP_ADDR_STRING& entry) {
    return std::string(entry.IpAddress.String,
                       strnlen(entry.IpAddress.String, sizeof entry.IpAddress.String));
  };
  std::vector<AdapterRecord> adapters;
  for (const IP_ADAPTER_INFO* adapter = buffer.data(); adapter != nullptr;
       adapter = adapter->Next) {
    adapters.push_back({text_of(adapter->IpAddressList), text_of(adapter->GatewayList)});
  }
  return ChooseAdapterAddress(adapters);
}

}  // namespace orvane::ui
