// Owners of COM's own resources, on the platform layer's UniqueResource: an
// interface pointer (Release), a BSTR (SysFreeString) and a thread's
// apartment of its own (CoUninitialize).
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include "platform/unique_resource.h"

namespace orvane::ui {

template <typename Interface>
struct ComTraits {
  using Handle = Interface*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { handle->Release(); }
};
template <typename Interface>
using ComPtr = platform::UniqueResource<ComTraits<Interface>>;

struct BstrTraits {
  using Handle = BSTR;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { SysFreeString(handle); }
};
using UniqueBstr = platform::UniqueResource<BstrTraits>;

// An instance of `Class` through its interface `Interface`; empty when COM
// cannot make one (the class is not registered, as under Wine).
template <typename Interface>
ComPtr<Interface> MakeInstance(const CLSID& class_id, DWORD context) {
  Interface* made = nullptr;
  if (FAILED(CoCreateInstance(class_id, nullptr, context, __uuidof(Interface),
                              reinterpret_cast<void**>(&made)))) {
    return {};
  }
  return ComPtr<Interface>(made);
}

// A thread's own multithreaded apartment, for COM used off the window
// thread; `ok` says whether it was entered (and is left again).
class ThreadApartment {
 public:
  ThreadApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  ~ThreadApartment() {
    if (ok_) CoUninitialize();
  }
  ThreadApartment(const ThreadApartment&) = delete;
  ThreadApartment& operator=(const ThreadApartment&) = delete;
  [[nodiscard]] bool ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace orvane::ui
