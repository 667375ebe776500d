// `UniqueResource`: the one owner of a system handle (a socket, a file, a
// thread handle, an icon, a COM apartment...). Move-only, so every handle is
// released exactly once, by whoever holds it last.
//
// A kind is described by a traits type:
//   struct Traits {
//     using Handle = ...;             // the raw handle type
//     static Handle Invalid();        // the value that means "none"
//     static void Close(Handle h);    // releases a valid handle
//   };
// kShared makes the stored value atomic, for a handle that one thread owns
// while another may release it (a listening socket closed by the window
// thread while a worker waits in accept). Say so where such a member is
// declared.
#pragma once

#include <atomic>
#include <type_traits>
#include <utility>

namespace orvane::platform {

template <typename Traits, bool kShared = false>
class UniqueResource {
 public:
  using Handle = typename Traits::Handle;

  UniqueResource() noexcept : handle_(Traits::Invalid()) {}
  explicit UniqueResource(Handle handle) noexcept : handle_(handle) {}
  ~UniqueResource() { reset(); }

  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  [[nodiscard]] Handle get() const noexcept {
    if constexpr (kShared) {
      return handle_.load(std::memory_order_acquire);
    } else {
      return handle_;
    }
  }
  [[nodiscard]] bool valid() const noexcept { return get() != Traits::Invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  // Gives up ownership without releasing the handle.
  Handle release() noexcept { return Exchange(Traits::Invalid()); }

  // Releases the handle held so far (unless it is `handle` itself) and takes
  // `handle`.
  void reset(Handle handle = Traits::Invalid()) noexcept {
    const Handle old = Exchange(handle);
    if (old != Traits::Invalid() && old != handle) Traits::Close(old);
  }

 private:
  Handle Exchange(Handle next) noexcept {
    if constexpr (kShared) {
      return handle_.exchange(next, std::memory_order_acq_rel);
    } else {
      return std::exchange(handle_, next);
    }
  }

  std::conditional_t<kShared, std::atomic<Handle>, Handle> handle_;
};

}  // namespace orvane::platform
