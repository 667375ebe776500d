#include "platform/win32/adapters_win32.h"

#include <cstring>
#include <map>
#include <string>

#include "platform/adapters.h"
#include "platform/win32/wide_text.h"

namespace orvane::platform {
namespace {

// How often a call that found the list grown is made again before the query
// gives up (and reports no adapters rather than wait on a list in flux).
constexpr int kQueryTries = 4;

std::string FieldText(const char* field, std::size_t size) {
  return std::string(field, strnlen(field, size));
}

// Fills `buffer` by `call(records, &size)`, starting from `size` bytes and
// growing to what an ERROR_BUFFER_OVERFLOW reports, kQueryTries calls at
// most. The records hold pointers, so the buffer is a vector of them (aligned
// for those pointers) rather than of bytes. Returns the last call's result.
template <typename Record, typename Call>
ULONG FillGrowing(std::vector<Record>& buffer, ULONG size, Call call) {
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < kQueryTries && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.assign(size / sizeof(Record) + 1, Record{});
    size = static_cast<ULONG>(buffer.size() * sizeof(Record));
    result = call(buffer.data(), &size);
  }
  return result;
}

// GetAdaptersInfo gives only the adapter's description ("Intel(R) Wi-Fi 6
// AX201"); the name the operator sees in the system's settings ("WLAN")
// comes from GetAdaptersAddresses, matched by the adapter's GUID name.
std::map<std::string, std::wstring> FriendlyNames(const AdapterSource& source) {
  std::map<std::string, std::wstring> names;
  constexpr ULONG kFlags = GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                           GAA_FLAG_SKIP_DNS_SERVER;
  // 15 KB holds the usual list at the first call, as the system's
  // documentation advises.
  std::vector<IP_ADAPTER_ADDRESSES> buffer;
  const ULONG result =
      FillGrowing(buffer, 15 * 1024, [&](IP_ADAPTER_ADDRESSES* records, ULONG* size) {
        return source.adapters_addresses(AF_INET, kFlags, nullptr, records, size);
      });
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

std::vector<AdapterRecord> QueryAdaptersFrom(const AdapterSource& source) {
  ULONG size = 0;
  // The first call only learns the size; its result code says nothing more.
  (void)source.adapters_info(nullptr, &size);
  if (size == 0) return {};
  std::vector<IP_ADAPTER_INFO> buffer;
  if (FillGrowing(buffer, size, source.adapters_info) != NO_ERROR) return {};

  const std::map<std::string, std::wstring> friendly = FriendlyNames(source);
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

std::vector<AdapterRecord> QueryAdapters() { return QueryAdaptersFrom(AdapterSource{}); }

}  // namespace orvane::platform
