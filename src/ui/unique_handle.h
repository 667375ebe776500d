// One small move-only owner for Win32 handles, aliased per kind.
#pragma once

#include <windows.h>

#include <utility>

namespace orvane::ui {

template <typename Handle, typename Closer>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  Handle release() { return std::exchange(handle_, nullptr); }
  void reset(Handle handle = nullptr) {
    if (handle_ != nullptr) Closer{}(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

struct IconCloser {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct FontCloser {
  void operator()(HFONT font) const { DeleteObject(font); }
};
struct MenuCloser {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};

using UniqueIcon = UniqueHandle<HICON, IconCloser>;
using UniqueFont = UniqueHandle<HFONT, FontCloser>;
using UniqueMenu = UniqueHandle<HMENU, MenuCloser>;

}  // namespace orvane::ui
