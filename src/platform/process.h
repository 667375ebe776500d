// Ending the process, and how the system treats its failing disk calls.
#pragma once

namespace orvane::platform {

// Ends the process at once with `exit_code`: no destructor, no exit handler
// and no other thread runs any more (TerminateProcess on Windows, _exit on
// POSIX). For an exit path that must not free what a stuck thread still uses.
[[noreturn]] void EndProcessNow(int exit_code);

// Makes a file call on a drive with no disk in it (an empty card reader or
// DVD drive) fail at once rather than show the system's "insert a disk" box,
// which the calling worker would wait on: Windows' critical-error and
// open-file boxes are turned off for the process, the error mode's other
// bits kept. For the program's start; nothing to do on POSIX.
void FailCriticalErrorsQuietly();

}  // namespace orvane::platform
