// `BaseWindow<Derived>`: the window procedure every window of the program
// shares. It finds the object from the `this` passed to CreateWindowExW
// (WM_NCCREATE), owns the window handle, keeps exceptions out of the
// system's code, and hands each message to `Derived::HandleMessage`.
#pragma once

#include <windows.h>

#include "ui/win_handles.h"

namespace orvane::ui {

template <typename Derived>
class BaseWindow {
 public:
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;

  // The procedure of the derived window's class (RegisterWindowClasses).
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Derived*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
      // WM_NCCREATE hands its CREATESTRUCTW over as an integer: the API's
      // contract, not a cast to avoid (the window's own folder says so too,
      // but this header is also read from app/).
      // NOLINTNEXTLINE(performance-no-int-to-ptr)
      self = static_cast<Derived*>(reinterpret_cast<const CREATESTRUCTW*>(lparam)->lpCreateParams);
      self->window_.reset(hwnd);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    LRESULT result = 0;
    // No exception may unwind into the system's code that called us.
    try {
      result = self->HandleMessage(message, wparam, lparam);
    } catch (...) {
      result = DefWindowProcW(hwnd, message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
      // The system has destroyed the window: the handle is only forgotten.
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      (void)self->window_.release();
    }
    return result;
  }

 protected:
  BaseWindow() = default;
  // By now the derived object is gone: the window, should it still exist,
  // is destroyed without a word to it. A derived window that must hear its
  // WM_DESTROY destroys itself in its own destructor (DestroyNow).
  ~BaseWindow() {
    if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  }

  // Creates the window with `this` as the object its messages go to. Its
  // class is registered already (RegisterWindowClasses).
  HWND CreateThis(DWORD ex_style, const wchar_t* class_name, const wchar_t* title, DWORD style,
                  POINT at, SIZE size, HWND owner, HMENU menu, HINSTANCE instance) {
    return CreateWindowExW(ex_style, class_name, title, style, at.x, at.y, size.cx, size.cy, owner,
                           menu, instance, static_cast<Derived*>(this));
  }
  // Destroys the window now (WM_DESTROY reaches HandleMessage); nothing
  // without one. The handle stays known until WM_NCDESTROY, for the
  // messages of the destruction itself.
  void DestroyNow() {
    if (window_) DestroyWindow(window_.get());
  }

  // The window; nullptr before it is made and once it is destroyed.
  [[nodiscard]] HWND hwnd() const { return window_.get(); }

 private:
  UniqueWindow window_;
};

}  // namespace orvane::ui
