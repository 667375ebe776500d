// Blocking file reads that another thread or a time limit can end: a stop
// ends a worker's read (Thread::CancelBlockingIo), and a read of a cloud file
// that its provider does not deliver fails after a limit. Both end the read
// with CancelSynchronousIo, which makes ReadFile fail with
// ERROR_OPERATION_ABORTED.
#pragma once

#include <windows.h>

#include <atomic>

namespace orvane::platform {

// Shared by a thread made by Thread::Create and its handle: set once a stop
// asked the thread's file reads to end.
struct IoCancelFlag {
  std::atomic<bool> requested{false};
};

// Called by the thread itself as it starts: the flag its reads check.
void SetThreadIoCancelFlag(IoCancelFlag* flag);

// True once a stop asked the calling thread's file reads to end; always false
// on a thread that Thread::Create did not make.
[[nodiscard]] bool IoCancelRequested();

// ReadFile on a handle opened without FILE_FLAG_OVERLAPPED, ended when it has
// not returned within `limit_ms` or when a stop asks the calling thread's
// reads to end. False on any failure, the end included (GetLastError says
// which: ERROR_OPERATION_ABORTED for an ended read).
[[nodiscard]] bool ReadFileWithin(HANDLE file, char* buffer, DWORD want, DWORD& got, int limit_ms);

}  // namespace orvane::platform
