// Windows Firewall through its COM interface (INetFwPolicy2 from hnetcfg),
// read for the verdict and, in the elevated helper step, added to; and the
// category of the network an address belongs to, from the Network List
// Manager (INetworkListManager from netprofm). A thin backend: the deciding
// is front/firewall_verdict's. Each call needs COM on the calling thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "front/firewall_allow.h"
#include "front/firewall_verdict.h"

namespace orvane::ui {

// This program's file as the firewall names it (the long form), UTF-8.
[[nodiscard]] std::string ThisProgramPath();

// Whether two UTF-8 paths name the same file as Windows compares names:
// ordinally, with case folded by the system's own table.
[[nodiscard]] bool SameWindowsPath(std::string_view a, std::string_view b);

// The firewall's profiles and inbound rules; none when any of it cannot be
// read (no firewall service, an interface the system lacks).
[[nodiscard]] std::optional<FirewallState> ReadFirewallState();

// The firewall as the helper step edits it: read, and add under the
// helper's rule name. There is nothing that removes or changes a rule.
class WindowsFirewall : public FirewallEditor {
 public:
  std::optional<FirewallState> Read() override { return ReadFirewallState(); }
  bool Add(const FirewallRule& rule) override;
};

// The firewall profile (kPublicProfile...) of the connected network whose
// adapter holds the IPv4 address `ipv4`; none when it cannot be told.
[[nodiscard]] std::optional<int> NetworkProfileOf(std::string_view ipv4);

}  // namespace orvane::ui
