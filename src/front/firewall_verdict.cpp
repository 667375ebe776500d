#include "front/firewall_verdict.h"

namespace orvane {
namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A port number of 1 to 5 digits; none for anything else.
std::optional<long> PortNumber(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != text.npos) {
    return std::nullopt;
  }
  long value = 0;
  for (const char digit : text) value = value * 10 + (digit - '0');
  return value;
}

// A rule's LocalPorts: "*", or items "N" and "N-M" separated by commas.
bool PortsCover(std::string_view ports, std::uint16_t port) {
  ports = Trim(ports);
  if (ports.empty() || ports == "*") return true;
  while (!ports.empty()) {
    const std::size_t comma = ports.find(',');
    const std::string_view item = ports.substr(0, comma);
    ports = comma == std::string_view::npos ? std::string_view() : ports.substr(comma + 1);
    const std::size_t dash = item.find('-');
    const std::optional<long> low = PortNumber(item.substr(0, dash));
    const std::optional<long> high =
        dash == std::string_view::npos ? low : PortNumber(item.substr(dash + 1));
    if (low && high && *low <= port && port <= *high) return true;
  }
  return false;
}

// The order of badness, for the worst of several profiles.
int Rank(FirewallVerdict verdict) {
  switch (verdict) {
    case FirewallVerdict::kAllowed:
    case FirewallVerdict::kOff:
      return 0;
    case FirewallVerdict::kNotDecided:
      return 1;
    case FirewallVerdict::kNotAllowed:
    case FirewallVerdict::kOnlyOnPrivate:
      return 2;
    case FirewallVerdict::kBlockedByRule:
    case FirewallVerdict::kBlockedAll:
      return 3;
    case FirewallVerdict::kUnknown:
      return 4;
  }
  return 4;
}

FirewallVerdict DecideProfile(const FirewallState& state, int profile, std::uint16_t port,
                              std::string_view program, SamePathFn same_path) {
  if ((state.on & profile) == 0) return FirewallVerdict::kOff;
  if ((state.block_all & profile) != 0) return FirewallVerdict::kBlockedAll;
  bool allowed = false;
  for (const FirewallRule& rule : state.rules) {
    if (!RuleCovers(rule, profile, port, program, same_path)) continue;
    if (!rule.allow) return FirewallVerdict::kBlockedByRule;  // a block wins over any allow
    allowed = true;
  }
  if (allowed || (state.default_allow & profile) != 0) return FirewallVerdict::kAllowed;
  return (state.asks & profile) != 0 ? FirewallVerdict::kNotDecided : FirewallVerdict::kNotAllowed;
}

}  // namespace

bool RuleCovers(const FirewallRule& rule, int profile, std::uint16_t port, std::string_view program,
                SamePathFn same_path) {
  if (!rule.enabled || !rule.inbound || (rule.profiles & profile) == 0) return false;
  if (!rule.application.empty() && !same_path(rule.application, program)) return false;
  if (rule.protocol == kAnyProtocol) return true;
  return rule.protocol == kTcpProtocol && PortsCover(rule.local_ports, port);
}

FirewallFinding DecideFirewall(const std::optional<FirewallState>& state,
                               std::optional<int> network_profile, std::uint16_t port,
                               std::string_view program, SamePathFn same_path) {
  if (!state) return {};
  const int profiles = network_profile ? *network_profile : state->current_profiles;
  FirewallFinding worst{FirewallVerdict::kAllowed, 0};
  for (const int profile : {kDomainProfile, kPrivateProfile, kPublicProfile}) {
    if ((profiles & profile) == 0) continue;
    const FirewallVerdict verdict = DecideProfile(*state, profile, port, program, same_path);
    if (worst.profile == 0 || Rank(verdict) > Rank(worst.verdict)) worst = {verdict, profile};
  }
  if (worst.profile == 0) return {};
  // The usual case behind a phone that cannot connect: allowed when asked
  // at home, on a network Windows has since been told is Public.
  if (worst.profile == kPublicProfile && Rank(worst.verdict) > 0 &&
      worst.verdict != FirewallVerdict::kBlockedAll &&
      DecideProfile(*state, kPrivateProfile, port, program, same_path) ==
          FirewallVerdict::kAllowed &&
      (state->on & kPrivateProfile) != 0) {
    worst.verdict = FirewallVerdict::kOnlyOnPrivate;
  }
  return worst;
}

}  // namespace orvane
