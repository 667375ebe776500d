#include "front/address_text.h"

#include <algorithm>
#include <utility>

namespace orvane {

std::string ServerAddressText(std::string_view port_text, std::string_view ipv4,
                              const CodePage& cp) {
  const std::int16_t port = PortNumberFromText(port_text, cp);
  std::string text = "http://";
  text.append(ipv4);
  if (port > 0 && port != 80) text.append(":").append(DecimalText(port));
  text.append("/");
  return text;
}

namespace {

// The four parts of a dotted IPv4 text ("10.0.0.7"): each 1-3 decimal digits
// up to 255, nothing else. False for anything else.
bool ParseIpv4(std::string_view text, unsigned (&parts)[4]) {
  std::size_t i = 0;
  for (int n = 0; n < 4; ++n) {
    if (n > 0) {
      if (i >= text.size() || text[i] != '.') return false;
      ++i;
    }
    const std::size_t start = i;
    unsigned value = 0;
    while (i < text.size() && i - start < 3 && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + static_cast<unsigned>(text[i] - '0');
      ++i;
    }
    if (i == start || value > 255) return false;
    parts[n] = value;
  }
  return i == text.size();
}

bool IsUsableAddress(std::string_view text) {
  unsigned p[4];
  if (!ParseIpv4(text, p)) return false;
  const bool unspecified = p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0;
  const bool loopback = p[0] == 127;
  const bool link_local = p[0] == 169 && p[1] == 254;
  return !unspecified && !loopback && !link_local;
}

bool HasGateway(std::string_view text) {
  unsigned p[4];
  return ParseIpv4(text, p) && (p[0] | p[1] | p[2] | p[3]) != 0;
}

}  // namespace

AdapterAddresses ListAdapterAddresses(const std::vector<AdapterRecord>& adapters) {
  AdapterAddresses result;
  std::string any;
  for (const AdapterRecord& adapter : adapters) {
    if (adapter.family != AddressFamily::kIpv4 || !IsUsableAddress(adapter.address)) continue;
    any = adapter.address;
    if (HasGateway(adapter.gateway)) result.chosen = adapter.address;
    const bool listed =
        std::any_of(result.usable.begin(), result.usable.end(),
                    [&](const UsableAddress& usable) { return usable.address == adapter.address; });
    if (!listed) result.usable.push_back({adapter.address, adapter.name});
  }
  if (result.chosen.empty()) result.chosen = any;
  return result;
}

std::string ChooseAdapterAddress(const std::vector<AdapterRecord>& adapters) {
  return ListAdapterAddresses(adapters).chosen;
}

std::string FollowAdapterAddress(std::string_view operator_choice,
                                 const std::vector<AdapterRecord>& adapters) {
  AdapterAddresses found = ListAdapterAddresses(adapters);
  if (!operator_choice.empty()) {
    for (const UsableAddress& usable : found.usable) {
      if (usable.address == operator_choice) return usable.address;
    }
  }
  return std::move(found.chosen);
}

}  // namespace orvane
