#include "platform/win32/io_cancel.h"

#include <cstdint>

#include "platform/clock.h"
#include "platform/unique_resource.h"
#include "platform/win32/win32_handle.h"

namespace orvane::platform {

namespace {

thread_local IoCancelFlag* t_io_cancel = nullptr;

// How often a watched read compares the clock with its limit and looks at
// its thread's flag. Looking again, not only the stop's own cancel, is what
// ends a read that a stop reached just before ReadFile began: that cancel
// found nothing to end.
constexpr DWORD kWatchTickMs = 100;

struct ReadWatch {
  HANDLE thread;
  std::int64_t deadline_ms;
  const IoCancelFlag* flag;
};

VOID CALLBACK WatchRead(PVOID raw, BOOLEAN /*fired*/) {
  const auto* watch = static_cast<const ReadWatch*>(raw);
  if (MonotonicMillis() >= watch->deadline_ms ||
      (watch->flag != nullptr && watch->flag->requested.load())) {
    CancelSynchronousIo(watch->thread);
  }
}

// Deleting waits for a callback under way (INVALID_HANDLE_VALUE), so no
// cancel from this watch can reach a later call of the thread.
struct WatchTimerTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle timer) { DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE); }
};

}  // namespace

void SetThreadIoCancelFlag(IoCancelFlag* flag) { t_io_cancel = flag; }

bool IoCancelRequested() { return t_io_cancel != nullptr && t_io_cancel->requested.load(); }

bool ReadFileWithin(HANDLE file, char* buffer, DWORD want, DWORD& got, int limit_ms) {
  HANDLE self = nullptr;
  HANDLE timer = nullptr;
  // A real handle of this thread (GetCurrentThread's means "the caller" in
  // the timer's thread), closed only after the timer is gone: locals are
  // destroyed in the reverse order of their declaration.
  if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                      DUPLICATE_SAME_ACCESS) == 0) {
    self = nullptr;
  }
  const UniqueKernelHandle thread(self);
  ReadWatch watch{self, MonotonicMillis() + limit_ms, t_io_cancel};
  if (thread && CreateTimerQueueTimer(&timer, nullptr, &WatchRead, &watch, kWatchTickMs,
                                      kWatchTickMs, WT_EXECUTEINTIMERTHREAD) == 0) {
    timer = nullptr;
  }
  // Without a watch (the system refused a handle or a timer) the read still
  // runs, unbounded as any other file's; a stop still ends it.
  const UniqueResource<WatchTimerTraits> watching(timer);
  return ReadFile(file, buffer, want, &got, nullptr) != 0;
}

}  // namespace orvane::platform
