#include <windows.h>

#include "platform/lock.h"

namespace orvane::platform {

struct Lock::Impl {
  CRITICAL_SECTION section;
};

Lock::Lock() : impl_(std::make_unique<Impl>()) { InitializeCriticalSection(&impl_->section); }
Lock::~Lock() { DeleteCriticalSection(&impl_->section); }
void Lock::Enter() { EnterCriticalSection(&impl_->section); }
void Lock::Leave() { LeaveCriticalSection(&impl_->section); }

}  // namespace orvane::platform
