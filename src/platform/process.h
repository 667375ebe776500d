// Ending the process.
#pragma once

namespace orvane::platform {

// Ends the process at once with `exit_code`: no destructor, no exit handler
// and no other thread runs any more (TerminateProcess on Windows, _exit on
// POSIX). For an exit path that must not free what a stuck thread still uses.
[[noreturn]] void EndProcessNow(int exit_code);

}  // namespace orvane::platform
