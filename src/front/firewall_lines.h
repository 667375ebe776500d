// The connection log's lines about the firewall, in GBK, each ending in
// CRLF: what other machines will meet at this Start and how to mend it, and
// what the helper behind 选项→允许通过防火墙 did.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "front/firewall_allow.h"
#include "front/firewall_verdict.h"

namespace orvane {

// The line for a Start's finding; empty when other machines get in (the
// firewall allows the program, or it is off).
[[nodiscard]] std::string FirewallLine(const FirewallFinding& finding);

// How the helper step ended, as the window learns it.
struct HelperEnd {
  enum class Kind {
    kExited,    // the helper ran: `exit_code` is its exit code
    kDeclined,  // the operator said no to the elevation prompt
    kNotRun,    // it could not be started: `error` is the system's error code
  };
  Kind kind = Kind::kExited;
  std::uint32_t exit_code = 0;
  std::uint32_t error = 0;
};

// The line that says what was done, or why nothing was.
[[nodiscard]] std::string HelperEndLine(const HelperEnd& end);

}  // namespace orvane
