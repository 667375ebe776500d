// The one kind of lock the service uses: a critical section on Windows, a
// mutex on POSIX. Not recursive. Held through a LockGuard.
#pragma once

#include <memory>

#include "platform/thread_annotations.h"

namespace orvane::platform {

class CAPABILITY("mutex") Lock {
 public:
  Lock();
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void Enter() ACQUIRE();
  void Leave() RELEASE();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class SCOPED_CAPABILITY LockGuard {
 public:
  explicit LockGuard(Lock& lock) ACQUIRE(lock) : lock_(lock) { lock_.Enter(); }
  ~LockGuard() RELEASE() { lock_.Leave(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  Lock& lock_;
};

}  // namespace orvane::platform
