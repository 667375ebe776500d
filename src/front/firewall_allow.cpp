#include "front/firewall_allow.h"

#include "http/core/text_rules.h"

namespace orvane {
namespace {

// Exit codes carry this mark in the bits above the outcome and the profiles,
// so that no code of a crash or of another program reads as one of ours.
constexpr std::uint32_t kExitMark = 0x4F00;
constexpr int kProfileBits = kDomainProfile | kPrivateProfile | kPublicProfile;

// True when an allow rule lets other machines reach every port of
// `program` over TCP on `profile`.
bool AllowedEverywhere(const FirewallState& state, int profile, std::string_view program,
                       SamePathFn same_path) {
  for (const FirewallRule& rule : state.rules) {
    const bool every_port =
        rule.protocol == kAnyProtocol || rule.local_ports.empty() || rule.local_ports == "*";
    if (rule.allow && every_port && RuleCovers(rule, profile, 0, program, same_path)) return true;
  }
  return false;
}

bool AllowedOnEach(const FirewallState& state, int profiles, std::string_view program,
                   SamePathFn same_path) {
  for (const int profile : {kDomainProfile, kPrivateProfile, kPublicProfile}) {
    if ((profiles & profile) != 0 && !AllowedEverywhere(state, profile, program, same_path)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool IsFirewallHelperLine(const std::vector<std::string>& words) {
  return !words.empty() && EqualsIgnoreAsciiCase(words.front(), kFirewallHelperSwitch);
}

AllowResult AllowThroughFirewall(FirewallEditor& editor, std::string_view program,
                                 SamePathFn same_path) {
  const std::optional<FirewallState> before = editor.Read();
  if (!before || (before->current_profiles & kProfileBits) == 0) return {};
  const int profiles = before->current_profiles & kProfileBits;
  if (AllowedOnEach(*before, profiles, program, same_path)) {
    return {AllowOutcome::kAlreadyAllowed, profiles};
  }
  FirewallRule rule;
  rule.application = std::string(program);
  rule.protocol = kTcpProtocol;
  rule.local_ports = "*";
  rule.profiles = profiles;
  if (!editor.Add(rule)) return {AllowOutcome::kRefused, profiles};
  // A firewall that only pretends (a stand-in API) takes the rule and keeps
  // nothing: what counts is what can be read back.
  const std::optional<FirewallState> after = editor.Read();
  if (!after || !AllowedOnEach(*after, profiles, program, same_path)) {
    return {AllowOutcome::kNotFound, profiles};
  }
  return {AllowOutcome::kAdded, profiles};
}

std::uint32_t AllowExitCode(const AllowResult& result) {
  return kExitMark | (static_cast<std::uint32_t>(result.outcome) << 4) |
         static_cast<std::uint32_t>(result.profiles & kProfileBits);
}

std::optional<AllowResult> AllowResultOfExitCode(std::uint32_t code) {
  const std::uint32_t outcome = (code >> 4) & 0xF;
  if ((code & ~0xFFu) != kExitMark ||
      outcome > static_cast<std::uint32_t>(AllowOutcome::kNotFound)) {
    return std::nullopt;
  }
  return AllowResult{static_cast<AllowOutcome>(outcome), static_cast<int>(code & kProfileBits)};
}

}  // namespace orvane
