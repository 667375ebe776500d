// The firewall's verdict from its rules and profiles, the helper step that
// adds a rule (over a stand-in firewall), and the log lines they give.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "front/firewall_allow.h"
#include "front/firewall_lines.h"
#include "front/firewall_verdict.h"

namespace orvane {
namespace {

constexpr const char* kProgram = "C:\\Apps\\OrvaneServer.exe";
constexpr int kPublic = kPublicProfile;
constexpr int kPrivate = kPrivateProfile;
constexpr int kDomain = kDomainProfile;

// Windows folds the case of every letter by its own table; the stand-in
// folds ASCII only, which is all these paths hold.
bool SameAsciiPath(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

FirewallRule Rule(bool allow, int profiles = kAllProfiles, std::string ports = "*",
                  int protocol = kTcpProtocol, std::string application = kProgram) {
  FirewallRule rule;
  rule.allow = allow;
  rule.profiles = profiles;
  rule.local_ports = std::move(ports);
  rule.protocol = protocol;
  rule.application = std::move(application);
  return rule;
}

FirewallRule Disabled(FirewallRule rule) {
  rule.enabled = false;
  return rule;
}

FirewallRule Outbound(FirewallRule rule) {
  rule.inbound = false;
  return rule;
}

TEST(FirewallVerdictTest, DecidesAsWindowsDoesForThisProgramsPort) {
  using V = FirewallVerdict;
  const FirewallRule kAllow = Rule(true);
  const FirewallRule kBlock = Rule(false);
  // The firewall on for every profile, asking, on a Public network.
  const FirewallState kBase{kPublic, kAllProfiles, 0, kAllProfiles, 0, {}};
  const struct {
    const char* name;
    std::vector<FirewallRule> rules;
    FirewallVerdict verdict;
    int profile = kPublic;
    std::uint16_t port = 9000;
  } cases[] = {
      {"no rule", {}, V::kNotDecided},
      {"allow", {kAllow}, V::kAllowed},
      {"another program",
       {Rule(true, kAllProfiles, "*", kTcpProtocol, "C:\\Other.exe")},
       V::kNotDecided},
      {"every program", {Rule(true, kAllProfiles, "9000", kTcpProtocol, "")}, V::kAllowed},
      {"case folded",
       {Rule(true, kAllProfiles, "*", kTcpProtocol, "c:\\apps\\ORVANESERVER.exe")},
       V::kAllowed},
      {"another port", {Rule(true, kAllProfiles, "8080")}, V::kNotDecided},
      {"port list and range", {Rule(true, kAllProfiles, "80, 8990-9010")}, V::kAllowed},
      {"range past the port", {Rule(true, kAllProfiles, "9001-9010,80")}, V::kNotDecided},
      {"port keyword", {Rule(true, kAllProfiles, "RPC")}, V::kNotDecided},
      {"UDP", {Rule(true, kAllProfiles, "*", 17)}, V::kNotDecided},
      {"any protocol", {Rule(true, kAllProfiles, "", kAnyProtocol)}, V::kAllowed},
      {"disabled", {Disabled(kAllow)}, V::kNotDecided},
      {"outbound", {Outbound(kAllow)}, V::kNotDecided},
      {"block before allow", {kAllow, kBlock}, V::kBlockedByRule},
      {"disabled block", {kAllow, Disabled(kBlock)}, V::kAllowed},
      {"block on another profile", {kAllow, Rule(false, kDomain)}, V::kAllowed},
      {"allow on another profile", {Rule(true, kDomain)}, V::kNotDecided},
      {"allowed on Private only", {Rule(true, kPrivate)}, V::kOnlyOnPrivate},
      {"Private allowed, Public blocked",
       {Rule(true, kPrivate), Rule(false, kPublic)},
       V::kOnlyOnPrivate},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FirewallState state = kBase;
    state.rules = c.rules;
    const FirewallFinding found =
        DecideFirewall(state, std::nullopt, c.port, kProgram, SameAsciiPath);
    EXPECT_EQ(c.verdict, found.verdict);
    EXPECT_EQ(c.profile, found.profile);
  }

  // The profiles' own settings, and which profile the verdict is about.
  const struct {
    const char* name;
    FirewallState state;
    std::optional<int> network;
    FirewallVerdict verdict;
    int profile;
  } profiles[] = {
      {"off", {kPublic, kPrivate, 0, kAllProfiles, 0, {}}, std::nullopt, V::kOff, kPublic},
      {"blocks all",
       {kPublic, kAllProfiles, kPublic, 0, 0, {kAllow}},
       std::nullopt,
       V::kBlockedAll,
       kPublic},
      {"no question", {kPublic, kAllProfiles, 0, 0, 0, {}}, std::nullopt, V::kNotAllowed, kPublic},
      {"default allow",
       {kPublic, kAllProfiles, 0, 0, kPublic, {}},
       std::nullopt,
       V::kAllowed,
       kPublic},
      {"worst current",
       {kDomain | kPrivate, kAllProfiles, 0, 0, 0, {Rule(true, kPrivate)}},
       std::nullopt,
       V::kNotAllowed,
       kDomain},
      {"the shown network's",
       {kPublic | kPrivate, kAllProfiles, 0, 0, 0, {Rule(true, kPrivate)}},
       kPrivate,
       V::kAllowed,
       kPrivate},
      {"shown network Public",
       {kPrivate, kAllProfiles, 0, 0, 0, {Rule(true, kPrivate)}},
       kPublic,
       V::kOnlyOnPrivate,
       kPublic},
      {"no current profile", {0, kAllProfiles, 0, 0, 0, {}}, std::nullopt, V::kUnknown, 0},
  };
  for (const auto& c : profiles) {
    SCOPED_TRACE(c.name);
    const FirewallFinding found = DecideFirewall(c.state, c.network, 9000, kProgram, SameAsciiPath);
    EXPECT_EQ(c.verdict, found.verdict);
    EXPECT_EQ(c.profile, found.profile);
  }
  EXPECT_EQ(V::kUnknown,
            DecideFirewall(std::nullopt, kPublic, 80, kProgram, SameAsciiPath).verdict);
}

TEST(FirewallVerdictTest, OnlyAllowedAndOffGoUnlogged) {
  // GBK: Windows 防火墙阻止了其他设备连接本程序（公用网络）, and 阻止 alone.
  const std::string blocked_public =
      "Windows \xB7\xC0\xBB\xF0\xC7\xBD\xD7\xE8\xD6\xB9\xC1\xCB\xC6\xE4\xCB\xFB\xC9\xE8\xB1\xB8"
      "\xC1\xAC\xBD\xD3\xB1\xBE\xB3\xCC\xD0\xF2\xA3\xA8\xB9\xAB\xD3\xC3\xCD\xF8\xC2\xE7\xA3\xA9";
  const std::string block = "\xD7\xE8\xD6\xB9";
  const struct {
    FirewallVerdict verdict;
    bool logged;
    bool claims_block;
  } cases[] = {
      {FirewallVerdict::kAllowed, false, false},      {FirewallVerdict::kOff, false, false},
      {FirewallVerdict::kBlockedByRule, true, true},  {FirewallVerdict::kBlockedAll, true, true},
      {FirewallVerdict::kNotAllowed, true, false},    {FirewallVerdict::kNotDecided, true, false},
      {FirewallVerdict::kOnlyOnPrivate, true, false}, {FirewallVerdict::kUnknown, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.verdict));
    const std::string line = FirewallLine({c.verdict, kPublic});
    EXPECT_EQ(c.logged, !line.empty());
    EXPECT_EQ(c.claims_block, line.rfind(blocked_public, 0) == 0);
    if (!c.claims_block) {
      EXPECT_EQ(std::string::npos, line.find(block));
    }
    if (c.logged) {
      EXPECT_EQ("\r\n", line.substr(line.size() - 2));
    }
  }
}

// A firewall in memory: it keeps what it takes, unless it only pretends to.
class StandInFirewall : public FirewallEditor {
 public:
  std::optional<FirewallState> state;
  bool takes = true;
  bool keeps = true;
  std::vector<FirewallRule> added;

  std::optional<FirewallState> Read() override { return state; }
  bool Add(const FirewallRule& rule) override {
    added.push_back(rule);
    if (takes && keeps) state->rules.push_back(rule);
    return takes;
  }
};

TEST(FirewallAllowTest, AddsOneAllowRuleForThisProgramOnTheCurrentProfiles) {
  using O = AllowOutcome;
  const struct {
    const char* name;
    std::optional<FirewallState> state;
    bool takes, keeps;
    AllowOutcome outcome;
    int rules_added;
  } cases[] = {
      {"no firewall", std::nullopt, true, true, O::kNoFirewall, 0},
      {"no current profile", FirewallState{0, kAllProfiles, 0, 0, 0, {}}, true, true,
       O::kNoFirewall, 0},
      {"added", FirewallState{kPublic | kPrivate, kAllProfiles, 0, 0, 0, {}}, true, true, O::kAdded,
       1},
      {"refused", FirewallState{kPublic, kAllProfiles, 0, 0, 0, {}}, false, false, O::kRefused, 1},
      // Wine's INetFwRules::Add answers S_OK and keeps nothing.
      {"taken, not kept", FirewallState{kPublic, kAllProfiles, 0, 0, 0, {}}, true, false,
       O::kNotFound, 1},
      {"already", FirewallState{kPublic | kPrivate, kAllProfiles, 0, 0, 0, {Rule(true)}}, true,
       true, O::kAlreadyAllowed, 0},
      {"only Private before", FirewallState{kPublic, kAllProfiles, 0, 0, 0, {Rule(true, kPrivate)}},
       true, true, O::kAdded, 1},
      {"one port before",
       FirewallState{kPublic, kAllProfiles, 0, 0, 0, {Rule(true, kPublic, "80")}}, true, true,
       O::kAdded, 1},
      // The dismissed question's block rule stays: the helper cannot touch it.
      {"blocked before", FirewallState{kPublic, kAllProfiles, 0, 0, 0, {Rule(false)}}, true, true,
       O::kAdded, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StandInFirewall firewall;
    firewall.state = c.state;
    firewall.takes = c.takes;
    firewall.keeps = c.keeps;
    const AllowResult result = AllowThroughFirewall(firewall, kProgram, SameAsciiPath);
    EXPECT_EQ(c.outcome, result.outcome);
    ASSERT_EQ(static_cast<std::size_t>(c.rules_added), firewall.added.size());
    if (c.rules_added == 0) continue;
    const FirewallRule& rule = firewall.added.front();
    EXPECT_EQ(c.state->current_profiles, rule.profiles);
    EXPECT_EQ(c.state->current_profiles, result.profiles);
    EXPECT_EQ(kProgram, rule.application);
    EXPECT_EQ(kTcpProtocol, rule.protocol);
    EXPECT_EQ("*", rule.local_ports);
    EXPECT_TRUE(rule.allow && rule.inbound && rule.enabled);
    if (c.keeps && c.takes) {
      EXPECT_EQ(c.state->rules.size() + 1, firewall.state->rules.size());
    }
  }
}

TEST(FirewallAllowTest, ExitCodesCarryTheOutcomeAndNoForeignCodeReadsAsOne) {
  for (const AllowOutcome outcome :
       {AllowOutcome::kAdded, AllowOutcome::kAlreadyAllowed, AllowOutcome::kNoFirewall,
        AllowOutcome::kRefused, AllowOutcome::kNotFound}) {
    for (const int profiles : {0, kPublic, kPrivate | kPublic, kDomain | kPrivate | kPublic}) {
      const std::optional<AllowResult> back =
          AllowResultOfExitCode(AllowExitCode({outcome, profiles}));
      ASSERT_TRUE(back.has_value());
      EXPECT_EQ(outcome, back->outcome);
      EXPECT_EQ(profiles, back->profiles);
    }
  }
  // A crash, "still active", a plain 0 or 1, an outcome of no kind.
  for (const std::uint32_t code : {0u, 1u, 259u, 0xC0000005u, 0x4F70u, 0x14F00u}) {
    SCOPED_TRACE(code);
    EXPECT_FALSE(AllowResultOfExitCode(code).has_value());
  }
  // The helper's switch is the first word only, in any case.
  EXPECT_TRUE(IsFirewallHelperLine({"/Firewall-Allow"}));
  EXPECT_FALSE(IsFirewallHelperLine({"/list", "/firewall-allow"}));
  EXPECT_FALSE(IsFirewallHelperLine({"/firewall-allowed"}));
  EXPECT_FALSE(IsFirewallHelperLine({}));
}

TEST(FirewallAllowTest, TheWindowSaysWhatTheHelperDidOrWhyNot) {
  using K = HelperEnd::Kind;
  const std::string networks =
      "\xD7\xA8\xD3\xC3\xCD\xF8\xC2\xE7\xA1\xA2\xB9\xAB\xD3\xC3\xCD\xF8"
      "\xC2\xE7";                                                  // 专用网络、公用网络
  const std::string no_rule = "\xC3\xBB\xD3\xD0\xCC\xED\xBC\xD3";  // 没有添加
  const struct {
    HelperEnd end;
    std::string contains;
    bool added;
  } cases[] = {
      {{K::kExited, AllowExitCode({AllowOutcome::kAdded, kPrivate | kPublic})}, networks, true},
      {{K::kExited, AllowExitCode({AllowOutcome::kAlreadyAllowed, kPrivate | kPublic})},
       networks,
       false},
      {{K::kExited, AllowExitCode({AllowOutcome::kNotFound, kPublic})}, no_rule, false},
      {{K::kExited, 0xC0000005u}, "3221225477", false},
      {{K::kDeclined}, no_rule, false},
      {{K::kNotRun, 0, 1155}, "1155", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.end.kind));
    const std::string line = HelperEndLine(c.end);
    EXPECT_NE(std::string::npos, line.find(c.contains));
    EXPECT_EQ(c.added, line.find(no_rule) == std::string::npos &&
                           line.find("OrvaneServer (TCP)") != std::string::npos);
  }
}

}  // namespace
}  // namespace orvane
