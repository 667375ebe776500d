#include <pthread.h>

#include "platform/lock.h"

namespace orvane::platform {

struct Lock::Impl {
  pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
};

Lock::Lock() : impl_(std::make_unique<Impl>()) {}
Lock::~Lock() { pthread_mutex_destroy(&impl_->mutex); }
void Lock::Enter() { pthread_mutex_lock(&impl_->mutex); }
void Lock::Leave() { pthread_mutex_unlock(&impl_->mutex); }

}  // namespace orvane::platform
