#include <windows.h>

#include "platform/process.h"

namespace orvane::platform {

void EndProcessNow(int exit_code) {
  // TerminateProcess rather than ExitProcess: the latter still runs every
  // library's detach code, which may wait for a lock a stuck thread holds.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exit_code));
  ExitProcess(static_cast<UINT>(exit_code));  // not reached
}

void FailCriticalErrorsQuietly() {
  // As Microsoft advises every program to do at its start.
  SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

}  // namespace orvane::platform
