#include "platform/adapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/unique_resource.h"

namespace orvane::platform {
namespace {

struct InterfaceListTraits {
  using Handle = ifaddrs*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle list) { freeifaddrs(list); }
};

std::string DottedText(in_addr address) {
  char text[INET_ADDRSTRLEN] = {};
  if (inet_ntop(AF_INET, &address, text, sizeof text) == nullptr) return {};
  return text;
}

// Interface name -> gateway of its default route. The kernel writes each
// route as hexadecimal words of the addresses as they lie in memory.
std::map<std::string, std::string> DefaultGateways() {
  std::map<std::string, std::string> gateways;
  std::ifstream table("/proc/net/route");
  std::string line;
  std::getline(table, line);  // the column names
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string name, destination, gateway, flags, refs, use, metric, mask;
    if (!(fields >> name >> destination >> gateway >> flags >> refs >> use >> metric >> mask)) {
      continue;
    }
    if (destination != "00000000" || mask != "00000000") continue;
    in_addr address{};
    address.s_addr = static_cast<in_addr_t>(std::strtoul(gateway.c_str(), nullptr, 16));
    gateways.emplace(name, DottedText(address));
  }
  return gateways;
}

}  // namespace

std::vector<AdapterRecord> QueryAdapters() {
  std::vector<AdapterRecord> records;
  ifaddrs* raw = nullptr;
  if (getifaddrs(&raw) != 0) return records;
  const UniqueResource<InterfaceListTraits> list(raw);
  const std::map<std::string, std::string> gateways = DefaultGateways();
  for (const ifaddrs* it = list.get(); it != nullptr; it = it->ifa_next) {
    if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
    if ((it->ifa_flags & IFF_UP) == 0) continue;
    const auto* sa = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
    const auto gateway = gateways.find(it->ifa_name);
    records.push_back({DottedText(sa->sin_addr),
                       gateway == gateways.end() ? std::string() : gateway->second, it->ifa_name,
                       AddressFamily::kIpv4});
  }
  return records;
}

}  // namespace orvane::platform
