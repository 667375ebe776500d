// What Windows Firewall will do with other machines' connections to this
// program: its settings per network profile and its rules, as the Windows
// backend reads them (INetFwPolicy2), turned into one verdict. Pure: the
// reading, and the comparison of paths as Windows makes it, are the
// backend's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The firewall's network profiles as bits, as NET_FW_PROFILE_TYPE2 has them.
inline constexpr int kDomainProfile = 1;
inline constexpr int kPrivateProfile = 2;
inline constexpr int kPublicProfile = 4;
inline constexpr int kAllProfiles = 0x7FFFFFFF;

// IP protocol numbers as a rule gives them.
inline constexpr int kTcpProtocol = 6;
inline constexpr int kAnyProtocol = 256;

struct FirewallRule {
  std::string application;  // UTF-8, environment variables expanded; empty: every program
  int protocol = kAnyProtocol;
  // "*" or empty: every port; else numbers and ranges ("80,8000-8080"); a
  // keyword ("RPC") names no port of ours.
  std::string local_ports;
  int profiles = kAllProfiles;
  bool enabled = true;
  bool inbound = true;
  bool allow = true;
};

struct FirewallState {
  int current_profiles = 0;  // of the networks this machine is connected to now
  // Profiles (bits) on which the firewall is on; blocks every inbound
  // connection whatever the rules say; asks when a program with no rule
  // listens; lets in what no rule names.
  int on = 0;
  int block_all = 0;
  int asks = 0;
  int default_allow = 0;
  std::vector<FirewallRule> rules;
};

enum class FirewallVerdict {
  kAllowed,        // an allow rule lets other machines in
  kOff,            // the firewall is off on this network
  kBlockedByRule,  // a block rule: the one Windows adds when its question is dismissed
  kBlockedAll,     // the network's profile blocks every inbound connection
  kNotAllowed,     // no rule, and Windows will not ask
  kNotDecided,     // no rule yet: Windows asks when the program listens
  kOnlyOnPrivate,  // a Public network, and the program is allowed on Private ones only
  kUnknown,        // the firewall could not be read
};

struct FirewallFinding {
  FirewallVerdict verdict = FirewallVerdict::kUnknown;
  int profile = 0;  // the one profile bit the verdict is about; 0 when unknown
};

// Whether two paths name the same file as Windows compares them (case
// folded by the system's own table).
using SamePathFn = bool (*)(std::string_view a, std::string_view b);

// True when `rule` is an enabled inbound rule for `program` (or for every
// program) that covers TCP `port` on `profile`.
[[nodiscard]] bool RuleCovers(const FirewallRule& rule, int profile, std::uint16_t port,
                              std::string_view program, SamePathFn same_path);

// The verdict for TCP connections to `port` of `program`. It is about the
// profile of the network that the shown address belongs to when that is
// known (`network_profile`, from the Network List Manager), else about the
// worst of the current profiles. As Windows decides: a profile with the
// firewall off lets everything in; one that blocks all inbound traffic lets
// nothing in; else a block rule wins over an allow rule, and with neither
// the profile's default decides (or Windows asks). No state, or no current
// profile, is unknown.
[[nodiscard]] FirewallFinding DecideFirewall(const std::optional<FirewallState>& state,
                                             std::optional<int> network_profile, std::uint16_t port,
                                             std::string_view program, SamePathFn same_path);

}  // namespace orvane
