// The elevated helper step behind 选项→允许通过防火墙: the same program,
// started with a switch of its own, adds one inbound allow rule for itself
// and tells the window what it did through its exit code. Its logic is pure;
// the firewall is reached through FirewallEditor, which can only read and
// add, so the helper can never remove or change a rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "front/firewall_verdict.h"

namespace orvane {

// The helper's switch: the first word of the command line, in any case.
inline constexpr std::string_view kFirewallHelperSwitch = "/firewall-allow";
[[nodiscard]] bool IsFirewallHelperLine(const std::vector<std::string>& words);

// The name and description of the rule the helper adds, UTF-8.
inline constexpr std::string_view kFirewallRuleName = "OrvaneServer (TCP)";
inline constexpr std::string_view
    kFirewallRuleDescription =  // 由 OrvaneServer 的 选项→允许通过防火墙 添加
    "\xE7\x94\xB1 OrvaneServer \xE7\x9A\x84 \xE9\x80\x89\xE9\xA1\xB9\xE2\x86\x92\xE5\x85\x81"
    "\xE8\xAE\xB8\xE9\x80\x9A\xE8\xBF\x87\xE9\x98\xB2\xE7\x81\xAB\xE5\xA2\x99 \xE6\xB7\xBB"
    "\xE5\x8A\xA0";

// The firewall as the helper reaches it (INetFwPolicy2 on Windows).
class FirewallEditor {
 public:
  virtual ~FirewallEditor() = default;
  // The profiles and the rules; none when the firewall cannot be read.
  virtual std::optional<FirewallState> Read() = 0;
  // Adds `rule` under kFirewallRuleName; false when the firewall refused it.
  virtual bool Add(const FirewallRule& rule) = 0;
};

enum class AllowOutcome {
  kAdded,           // the rule is added and read back
  kAlreadyAllowed,  // an allow rule for this program covers every current profile
  kNoFirewall,      // the firewall could not be read: nothing was added
  kRefused,         // the firewall did not take the rule
  kNotFound,        // taken, but not there when read back
};

struct AllowResult {
  AllowOutcome outcome = AllowOutcome::kNoFirewall;
  int profiles = 0;  // the current profiles the rule is (or would be) for
};

// Adds an enabled inbound allow rule for TCP, every port, `program` and
// the current profiles, unless allow rules for the program already cover
// all of them; nothing else.
[[nodiscard]] AllowResult AllowThroughFirewall(FirewallEditor& editor, std::string_view program,
                                               SamePathFn same_path);

// The helper's exit code for `result`, and back: the window reads none
// from a code the helper does not give (it crashed, it was never run).
[[nodiscard]] std::uint32_t AllowExitCode(const AllowResult& result);
[[nodiscard]] std::optional<AllowResult> AllowResultOfExitCode(std::uint32_t code);

}  // namespace orvane
