// The elevated helper step behind 选项→允许通过防火墙, run in this program's
// own process when it is started with the helper's switch: no window, one
// rule added, and an exit code that tells the window what was done.
#pragma once

namespace orvane::ui {

// True when the command line starts with the helper's switch.
[[nodiscard]] bool IsFirewallHelperRun();

// Adds the allow rule for this program (AllowThroughFirewall) and returns
// the exit code for the window (AllowExitCode).
[[nodiscard]] int RunFirewallHelper();

}  // namespace orvane::ui
