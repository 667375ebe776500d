#include "ui/firewall_com.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <netfw.h>
#include <netlistmgr.h>

#include <vector>

#include "http/core/text_rules.h"
#include "ui/com_handles.h"
#include "ui/win_text.h"
#include "ui/program_file.h"

namespace orvane::ui {
namespace {

// Far more rules than any firewall holds: an enumeration that never ends
// is cut here rather than followed.
constexpr int kMostRules = 100000;

constexpr NET_FW_PROFILE_TYPE2 kProfiles[] = {NET_FW_PROFILE2_DOMAIN, NET_FW_PROFILE2_PRIVATE,
                                              NET_FW_PROFILE2_PUBLIC};

std::string Utf8(const BSTR text) {
  return text == nullptr ? std::string() : WideToBytes(text, CP_UTF8);
}

// A rule's program as the firewall applies it: environment variables
// ("%ProgramFiles%\...") expanded.
std::string ExpandedPath(const BSTR path) {
  if (path == nullptr || path[0] == L'\0') return {};
  const DWORD length = ExpandEnvironmentStringsW(path, nullptr, 0);
  std::wstring expanded(length, L'\0');
  if (length == 0 || ExpandEnvironmentStringsW(path, expanded.data(), length) != length) {
    return Utf8(path);
  }
  expanded.resize(length - 1);  // the count held the terminating null
  return WideToBytes(expanded, CP_UTF8);
}

// One inbound rule; none for an outbound one or one that cannot be read.
std::optional<FirewallRule> ReadRule(INetFwRule& source, bool& failed) {
  NET_FW_RULE_DIRECTION direction = NET_FW_RULE_DIR_IN;
  if (FAILED(source.get_Direction(&direction))) failed = true;
  if (failed || direction != NET_FW_RULE_DIR_IN) return std::nullopt;
  FirewallRule rule;
  VARIANT_BOOL enabled = VARIANT_FALSE;
  NET_FW_ACTION action = NET_FW_ACTION_BLOCK;
  LONG protocol = 0;
  LONG profiles = 0;
  BSTR ports = nullptr;
  BSTR application = nullptr;
  failed = FAILED(source.get_Enabled(&enabled)) || FAILED(source.get_Action(&action)) ||
           FAILED(source.get_Protocol(&protocol)) || FAILED(source.get_Profiles(&profiles)) ||
           FAILED(source.get_LocalPorts(&ports));
  const UniqueBstr owned_ports(ports);
  if (failed || FAILED(source.get_ApplicationName(&application))) {
    failed = true;
    return std::nullopt;
  }
  const UniqueBstr owned_application(application);
  rule.enabled = enabled != VARIANT_FALSE;
  rule.allow = action == NET_FW_ACTION_ALLOW;
  rule.protocol = static_cast<int>(protocol);
  rule.profiles = static_cast<int>(profiles);
  rule.local_ports = Utf8(ports);
  rule.application = ExpandedPath(application);
  return rule;
}

// Every inbound rule; false when the list cannot be read to its end.
bool ReadRules(INetFwPolicy2& policy, std::vector<FirewallRule>& rules) {
  INetFwRules* raw_rules = nullptr;
  if (FAILED(policy.get_Rules(&raw_rules)) || raw_rules == nullptr) return false;
  const ComPtr<INetFwRules> all(raw_rules);
  IUnknown* raw_enum = nullptr;
  if (FAILED(all.get()->get__NewEnum(&raw_enum)) || raw_enum == nullptr) return false;
  const ComPtr<IUnknown> unknown(raw_enum);
  IEnumVARIANT* raw_variants = nullptr;
  if (FAILED(unknown.get()->QueryInterface(__uuidof(IEnumVARIANT),
                                           reinterpret_cast<void**>(&raw_variants)))) {
    return false;
  }
  const ComPtr<IEnumVARIANT> variants(raw_variants);
  for (int count = 0; count < kMostRules; ++count) {
    VARIANT item;
    VariantInit(&item);
    ULONG fetched = 0;
    const HRESULT next = variants.get()->Next(1, &item, &fetched);
    if (next != S_OK || fetched != 1) return SUCCEEDED(next);  // S_FALSE: the end
    bool failed = item.vt != VT_DISPATCH || item.pdispVal == nullptr;
    INetFwRule* raw_rule = nullptr;
    if (!failed && FAILED(item.pdispVal->QueryInterface(__uuidof(INetFwRule),
                                                        reinterpret_cast<void**>(&raw_rule)))) {
      failed = true;
    }
    VariantClear(&item);
    if (failed) return false;
    const ComPtr<INetFwRule> source(raw_rule);
    if (std::optional<FirewallRule> rule = ReadRule(*source.get(), failed)) {
      rules.push_back(std::move(*rule));
    }
    if (failed) return false;
  }
  return false;
}

// Sets a BSTR property from UTF-8 text.
template <typename Setter>
bool PutText(INetFwRule& rule, Setter setter, std::string_view text) {
  const UniqueBstr value(SysAllocString(Widen(text, CP_UTF8).c_str()));
  return value && SUCCEEDED((rule.*setter)(value.get()));
}

std::string DottedIpv4(const SOCKADDR* address) {
  if (address == nullptr || address->sa_family != AF_INET) return {};
  const auto* bytes = reinterpret_cast<const unsigned char*>(
      &reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
  return UnsignedDecimalText(bytes[0]) + "." + UnsignedDecimalText(bytes[1]) + "." +
         UnsignedDecimalText(bytes[2]) + "." + UnsignedDecimalText(bytes[3]);
}

// The GUID of the adapter that holds `ipv4`, as the Network List Manager
// names adapters.
std::optional<GUID> AdapterOf(std::string_view ipv4) {
  constexpr ULONG kFlags =
      GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  std::vector<IP_ADAPTER_ADDRESSES> buffer;
  ULONG size = 15 * 1024;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.assign(size / sizeof(IP_ADAPTER_ADDRESSES) + 1, IP_ADAPTER_ADDRESSES{});
    size = static_cast<ULONG>(buffer.size() * sizeof(IP_ADAPTER_ADDRESSES));
    result = GetAdaptersAddresses(AF_INET, kFlags, nullptr, buffer.data(), &size);
  }
  if (result != NO_ERROR) return std::nullopt;
  for (const IP_ADAPTER_ADDRESSES* adapter = buffer.data(); adapter != nullptr;
       adapter = adapter->Next) {
    for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress;
         unicast != nullptr; unicast = unicast->Next) {
      if (DottedIpv4(unicast->Address.lpSockaddr) != ipv4 || adapter->AdapterName == nullptr) {
        continue;
      }
      GUID id{};
      std::wstring name = Widen(adapter->AdapterName, CP_ACP);
      if (SUCCEEDED(CLSIDFromString(name.data(), &id))) return id;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace

std::string ThisProgramPath() {
  std::wstring path = ProgramFile();
  // Started by a short (8.3) name, the program would not match its rules.
  const DWORD length = GetLongPathNameW(path.c_str(), nullptr, 0);
  std::wstring long_path(length, L'\0');
  if (length != 0 && GetLongPathNameW(path.c_str(), long_path.data(), length) == length - 1) {
    long_path.resize(length - 1);
    path = long_path;
  }
  return WideToBytes(path, CP_UTF8);
}

bool SameWindowsPath(std::string_view a, std::string_view b) {
  const std::wstring wide_a = Widen(a, CP_UTF8);
  const std::wstring wide_b = Widen(b, CP_UTF8);
  return CompareStringOrdinal(wide_a.c_str(), static_cast<int>(wide_a.size()), wide_b.c_str(),
                              static_cast<int>(wide_b.size()), TRUE) == CSTR_EQUAL;
}

std::optional<FirewallState> ReadFirewallState() {
  const ComPtr<INetFwPolicy2> policy =
      MakeInstance<INetFwPolicy2>(__uuidof(NetFwPolicy2), CLSCTX_INPROC_SERVER);
  if (!policy) return std::nullopt;
  FirewallState state;
  LONG current = 0;
  if (FAILED(policy.get()->get_CurrentProfileTypes(&current))) return std::nullopt;
  state.current_profiles = static_cast<int>(current);
  for (const NET_FW_PROFILE_TYPE2 profile : kProfiles) {
    VARIANT_BOOL on = VARIANT_FALSE;
    VARIANT_BOOL block_all = VARIANT_FALSE;
    VARIANT_BOOL quiet = VARIANT_FALSE;
    NET_FW_ACTION default_action = NET_FW_ACTION_BLOCK;
    if (FAILED(policy.get()->get_FirewallEnabled(profile, &on)) ||
        FAILED(policy.get()->get_BlockAllInboundTraffic(profile, &block_all)) ||
        FAILED(policy.get()->get_NotificationsDisabled(profile, &quiet)) ||
        FAILED(policy.get()->get_DefaultInboundAction(profile, &default_action))) {
      return std::nullopt;
    }
    const int bit = static_cast<int>(profile);
    if (on != VARIANT_FALSE) state.on |= bit;
    if (block_all != VARIANT_FALSE) state.block_all |= bit;
    if (quiet == VARIANT_FALSE) state.asks |= bit;
    if (default_action == NET_FW_ACTION_ALLOW) state.default_allow |= bit;
  }
  if (!ReadRules(*policy.get(), state.rules)) return std::nullopt;
  return state;
}

bool WindowsFirewall::Add(const FirewallRule& rule) {
  const ComPtr<INetFwPolicy2> policy =
      MakeInstance<INetFwPolicy2>(__uuidof(NetFwPolicy2), CLSCTX_INPROC_SERVER);
  const ComPtr<INetFwRule> added =
      MakeInstance<INetFwRule>(__uuidof(NetFwRule), CLSCTX_INPROC_SERVER);
  if (!policy || !added) return false;
  INetFwRule& made = *added.get();
  // The protocol before the ports: ports belong to TCP and UDP only.
  const bool described =
      PutText(made, &INetFwRule::put_Name, kFirewallRuleName) &&
      PutText(made, &INetFwRule::put_Description, kFirewallRuleDescription) &&
      PutText(made, &INetFwRule::put_Grouping, "OrvaneServer") &&
      PutText(made, &INetFwRule::put_ApplicationName, rule.application) &&
      SUCCEEDED(made.put_Protocol(rule.protocol)) &&
      PutText(made, &INetFwRule::put_LocalPorts, rule.local_ports) &&
      SUCCEEDED(made.put_Direction(rule.inbound ? NET_FW_RULE_DIR_IN : NET_FW_RULE_DIR_OUT)) &&
      SUCCEEDED(made.put_Action(rule.allow ? NET_FW_ACTION_ALLOW : NET_FW_ACTION_BLOCK)) &&
      SUCCEEDED(made.put_Profiles(rule.profiles)) &&
      SUCCEEDED(made.put_Enabled(rule.enabled ? VARIANT_TRUE : VARIANT_FALSE));
  if (!described) return false;
  INetFwRules* raw_rules = nullptr;
  if (FAILED(policy.get()->get_Rules(&raw_rules)) || raw_rules == nullptr) return false;
  const ComPtr<INetFwRules> rules(raw_rules);
  return SUCCEEDED(rules.get()->Add(&made));
}

std::optional<int> NetworkProfileOf(std::string_view ipv4) {
  const std::optional<GUID> adapter = AdapterOf(ipv4);
  if (!adapter) return std::nullopt;
  const ComPtr<INetworkListManager> manager =
      MakeInstance<INetworkListManager>(__uuidof(NetworkListManager), CLSCTX_ALL);
  if (!manager) return std::nullopt;
  IEnumNetworkConnections* raw_connections = nullptr;
  if (FAILED(manager.get()->GetNetworkConnections(&raw_connections)) ||
      raw_connections == nullptr) {
    return std::nullopt;
  }
  const ComPtr<IEnumNetworkConnections> connections(raw_connections);
  for (int count = 0; count < kMostRules; ++count) {
    INetworkConnection* raw_connection = nullptr;
    ULONG fetched = 0;
    if (connections.get()->Next(1, &raw_connection, &fetched) != S_OK || fetched != 1) break;
    const ComPtr<INetworkConnection> connection(raw_connection);
    GUID id{};
    if (FAILED(connection.get()->GetAdapterId(&id)) || !IsEqualGUID(id, *adapter)) continue;
    INetwork* raw_network = nullptr;
    if (FAILED(connection.get()->GetNetwork(&raw_network)) || raw_network == nullptr) break;
    const ComPtr<INetwork> network(raw_network);
    NLM_NETWORK_CATEGORY category = NLM_NETWORK_CATEGORY_PUBLIC;
    if (FAILED(network.get()->GetCategory(&category))) break;
    switch (category) {
      case NLM_NETWORK_CATEGORY_PRIVATE:
        return kPrivateProfile;
      case NLM_NETWORK_CATEGORY_DOMAIN_AUTHENTICATED:
        return kDomainProfile;
      default:
        return kPublicProfile;
    }
  }
  return std::nullopt;
}

}  // namespace orvane::ui
