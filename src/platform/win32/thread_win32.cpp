#include <windows.h>

#include <new>

#include "platform/thread.h"

namespace orvane::platform {

namespace {

struct StartInfo {
  ThreadEntry entry;
  void* argument;
};

DWORD WINAPI ThreadMain(LPVOID raw) {
  const StartInfo start = *static_cast<StartInfo*>(raw);
  delete static_cast<StartInfo*>(raw);
  start.entry(start.argument);
  return 0;
}

}  // namespace

struct Thread::Impl {
  HANDLE handle = nullptr;
  ~Impl() {
    if (handle != nullptr) CloseHandle(handle);  // the thread itself runs on
  }
};

Thread::Thread(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Thread::Thread(Thread&& other) noexcept = default;
Thread& Thread::operator=(Thread&& other) noexcept = default;
Thread::~Thread() = default;

namespace {

HANDLE StartThread(ThreadEntry entry, void* argument, DWORD flags) {
  auto* start = new (std::nothrow) StartInfo{entry, argument};
  if (start == nullptr) return nullptr;
  HANDLE handle = CreateThread(nullptr, 0, ThreadMain, start, flags, nullptr);
  if (handle == nullptr) delete start;
  return handle;
}

}  // namespace

std::optional<Thread> Thread::CreateSuspended(ThreadEntry entry, void* argument) {
  HANDLE handle = StartThread(entry, argument, CREATE_SUSPENDED);
  if (handle == nullptr) return std::nullopt;
  auto impl = std::make_unique<Impl>();
  impl->handle = handle;
  return Thread(std::move(impl));
}

std::optional<Thread> Thread::CreateRunning(ThreadEntry entry, void* argument) {
  HANDLE handle = StartThread(entry, argument, 0);
  if (handle == nullptr) return std::nullopt;
  auto impl = std::make_unique<Impl>();
  impl->handle = handle;
  return Thread(std::move(impl));
}

bool Thread::Resume() {
  if (!impl_ || impl_->handle == nullptr) return false;
  // ResumeThread answers the previous suspend count: 1 means it now runs.
  return ResumeThread(impl_->handle) == 1;
}

}  // namespace orvane::platform
