// One network adapter's address as the system reports it: the platform layer
// reads the records, the address rules choose among them.
#pragma once

#include <string>

namespace orvane {

// The family of an adapter record's address. The listening socket is IPv4
// only, so only kIpv4 records are offered to other machines today.
enum class AddressFamily { kIpv4, kIpv6 };

// One network adapter: its first address and its first default gateway, both
// as text (dotted for IPv4; empty or "0.0.0.0" for none), and its name as the
// operator knows it (the friendly name where there is one).
struct AdapterRecord {
  std::string address;
  std::string gateway;
  std::string name = {};  // empty when unknown
  AddressFamily family = AddressFamily::kIpv4;
};

}  // namespace orvane
