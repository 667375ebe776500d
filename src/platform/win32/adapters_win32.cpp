#include "platform/adapters.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstring>
#include <map>
#include <string>

#include "platform/win32/wide_text.h"

namespace orvane::platform {
namespace {

std::string FieldText(const char* field, std::size_t size) {
  return std::string(field, strnlen(field, size));
}

// GetAdaptersInfo gives only the adapter's description ("Intel(R) Wi-Fi 6
// AX201"); the name the operator sees in the system's settings ("WLAN")
// comes from GetAdaptersAddresses, matched by the adapter's GUID name.
std::map<std::string, std::wstring> FriendlyNames() {
  std::map<std::string, std::wstring> names;
  constexpr ULONG kFlags = GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                           GAA_FLAG_SKIP_DNS_SERVER;
  ULONG size = 16 * 1024;
  std::vector<IP_ADAPTER_ADDRESSES> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  // The list may grow between the size query and the call: a few tries.
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size / sizeof(IP_ADAPTER_ADDRESSES) + 1);
    size = static_cast<ULONG>(buffer.size() * sizeof(IP_ADAPTER_ADDRESSES));
    result = GetAdaptersAddresses(AF_INET, kFlags, nullptr, buffer.data(), &size);
  }
  if (result != NO_ERROR) return names;
  for (const IP_ADAPTER_ADDRESSES* adapter = buffer.data(); adapter != nullptr;
       adapter = adapter->Next) {
    if (adapter->AdapterName != nullptr && adapter->FriendlyName != nullptr &&
        adapter->FriendlyName[0] != L'\0') {
      names[adapter->AdapterName] = adapter->FriendlyName;
    }
  }
  return names;
}

}  // namespace

std::vector<AdapterRecord> QueryAdapters() {
  ULONG size = 0;
  // The first call only learns the size; its result code says nothing more.
  (void)GetAdaptersInfo(nullptr, &size);
  if (size == 0) return {};
  // IP_ADAPTER_INFO holds pointers, so the buffer must be aligned for them.
  std::vector<IP_ADAPTER_INFO> buffer(size / sizeof(IP_ADAPTER_INFO) + 1);
  if (GetAdaptersInfo(buffer.data(), &size) != NO_ERROR) return {};

  const std::map<std::string, std::wstring> friendly = FriendlyNames();
  std::vector<AdapterRecord> adapters;
  for (const IP_ADAPTER_INFO* adapter = buffer.data(); adapter != nullptr;
       adapter = adapter->Next) {
    AdapterRecord entry;
    entry.address = FieldText(adapter->IpAddressList.IpAddress.String,
                              sizeof adapter->IpAddressList.IpAddress.String);
    entry.gateway = FieldText(adapter->GatewayList.IpAddress.String,
                              sizeof adapter->GatewayList.IpAddress.String);
    const auto known = friendly.find(FieldText(adapter->AdapterName, sizeof adapter->AdapterName));
    const std::wstring name =
        known != friendly.end()
            ? known->second
            : Widen(FieldText(adapter->Description, sizeof adapter->Description), CP_ACP);
    entry.name = WideToBytes(name, CP_UTF8);
    entry.family = AddressFamily::kIpv4;
    adapters.push_back(std::move(entry));
  }
  return adapters;
}

}  // namespace orvane::platform
