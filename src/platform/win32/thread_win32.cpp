#include <windows.h>

#include <memory>
#include <new>

#include "platform/thread.h"
#include "platform/win32/io_cancel.h"
#include "platform/win32/win32_handle.h"

namespace orvane::platform {

namespace {

struct StartInfo {
  ThreadEntry entry;
  void* argument;
  std::shared_ptr<IoCancelFlag> io_cancel;  // shared with the handle
};

DWORD WINAPI ThreadMain(LPVOID raw) {
  const StartInfo start = *static_cast<StartInfo*>(raw);
  delete static_cast<StartInfo*>(raw);
  SetThreadIoCancelFlag(start.io_cancel.get());
  // An exception must not leave the thread: past here the process would end.
  try {
    start.entry(start.argument);
  } catch (...) {
  }
  return 0;
}

}  // namespace

// Closing the handle does not end the thread: it runs on to its end.
struct Thread::Impl {
  UniqueKernelHandle handle;
  std::shared_ptr<IoCancelFlag> io_cancel;
};

Thread::Thread(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Thread::Thread(Thread&& other) noexcept = default;
Thread& Thread::operator=(Thread&& other) noexcept = default;
Thread::~Thread() = default;

// Address space reserved for each thread's stack. The program's default
// (2 MB) times 500 workers is a gigabyte: more than a 32-bit process has to
// spare. A worker's deepest path uses a few kilobytes plus the system's
// socket and file calls; pages are committed only as they are touched.
constexpr SIZE_T kStackReserve = 256 * 1024;

std::optional<Thread> Thread::Create(ThreadEntry entry, void* argument, bool suspended) {
  auto impl = std::make_unique<Impl>();
  impl->io_cancel = std::make_shared<IoCancelFlag>();
  auto* start = new (std::nothrow) StartInfo{entry, argument, impl->io_cancel};
  if (start == nullptr) return std::nullopt;
  const DWORD flags = (suspended ? CREATE_SUSPENDED : 0) | STACK_SIZE_PARAM_IS_A_RESERVATION;
  impl->handle.reset(CreateThread(nullptr, kStackReserve, ThreadMain, start, flags, nullptr));
  if (!impl->handle) {
    delete start;
    return std::nullopt;
  }
  return Thread(std::move(impl));
}

bool Thread::Resume() {
  if (!impl_ || !impl_->handle) return false;
  // ResumeThread answers the previous suspend count: 1 means it now runs.
  return ResumeThread(impl_->handle.get()) == 1;
}

void Thread::CancelBlockingIo() {
  if (!impl_ || !impl_->handle) return;
  // The flag first: a read that begins after the cancel below fails at once
  // or at its watch's next look (ReadFileWithin).
  impl_->io_cancel->requested.store(true);
  CancelSynchronousIo(impl_->handle.get());
}

int ProcessorCount() {
  // Every processor group's, as a machine of more than 64 has several.
  const DWORD count = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  return count == 0 ? 1 : static_cast<int>(count);
}

}  // namespace orvane::platform
