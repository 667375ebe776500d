// Threads that are made before they are needed and started later.
#pragma once

#include <memory>
#include <optional>

namespace orvane::platform {

using ThreadEntry = void (*)(void* argument);

// A move-only handle to a thread. Dropping the handle does not stop the
// thread: it runs to its end on its own (detached).
class Thread {
 public:
  // A thread that runs `entry(argument)`: at once, or when `suspended` only
  // once Resume() is called (CreateThread with CREATE_SUSPENDED on Windows;
  // on POSIX a thread that waits on its own start gate). nullopt when the
  // system refuses a thread.
  [[nodiscard]] static std::optional<Thread> Create(ThreadEntry entry, void* argument,
                                                    bool suspended);

  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;
  ~Thread();

  // Lets a suspended thread run; false if it was already resumed or is gone.
  [[nodiscard]] bool Resume();

  // Ends a file read the thread is blocked in (a cloud file its provider has
  // not delivered, a network share that hangs), and fails every file read it
  // starts from now on: a stop must not wait for the disk. Never blocks.
  // Windows only; on POSIX a regular file's read does not hang, and this does
  // nothing.
  void CancelBlockingIo();

  struct Impl;

 private:
  explicit Thread(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// How many processors this machine runs threads on (at least 1).
[[nodiscard]] int ProcessorCount();

}  // namespace orvane::platform
