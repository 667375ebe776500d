// Owners of the window's GDI, USER, shell and COM resources, one kind each,
// on the platform layer's UniqueResource.
#pragma once

#include <windows.h>
#include <imm.h>
#include <objbase.h>
#include <shtypes.h>

#include "platform/unique_resource.h"

namespace orvane::ui {

template <typename H, void (*kRelease)(H)>
struct PointerTraits {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { kRelease(handle); }
};

inline void ReleaseWindow(HWND window) { DestroyWindow(window); }
inline void ReleaseIcon(HICON icon) { DestroyIcon(icon); }
inline void ReleaseFont(HFONT font) { DeleteObject(font); }
inline void ReleaseMenu(HMENU menu) { DestroyMenu(menu); }
inline void ReleaseScreenDc(HDC dc) { ReleaseDC(nullptr, dc); }
inline void ReleaseItemIdList(PIDLIST_ABSOLUTE list) { CoTaskMemFree(list); }
inline void ReleaseArgv(wchar_t** argv) { LocalFree(argv); }

// Destroyed on the thread that made it, as DestroyWindow requires.
using UniqueWindow = platform::UniqueResource<PointerTraits<HWND, &ReleaseWindow>>;
using UniqueIcon = platform::UniqueResource<PointerTraits<HICON, &ReleaseIcon>>;
using UniqueFont = platform::UniqueResource<PointerTraits<HFONT, &ReleaseFont>>;
using UniqueMenu = platform::UniqueResource<PointerTraits<HMENU, &ReleaseMenu>>;
// GetDC(nullptr): the whole screen's device context.
using UniqueScreenDc = platform::UniqueResource<PointerTraits<HDC, &ReleaseScreenDc>>;
// What SHBrowseForFolder hands back.
using UniqueItemIdList =
    platform::UniqueResource<PointerTraits<PIDLIST_ABSOLUTE, &ReleaseItemIdList>>;
// What CommandLineToArgvW hands back.
using UniqueArgv = platform::UniqueResource<PointerTraits<wchar_t**, &ReleaseArgv>>;

// An input context borrowed from a window by ImmGetContext, given back to
// that window by ImmReleaseContext.
struct BorrowedInputContext {
  HWND window = nullptr;
  HIMC context = nullptr;
  friend bool operator==(const BorrowedInputContext& a, const BorrowedInputContext& b) {
    return a.window == b.window && a.context == b.context;
  }
  friend bool operator!=(const BorrowedInputContext& a, const BorrowedInputContext& b) {
    return !(a == b);
  }
};
struct InputContextTraits {
  using Handle = BorrowedInputContext;
  static Handle Invalid() { return {}; }
  static void Close(Handle handle) { ImmReleaseContext(handle.window, handle.context); }
};
using UniqueInputContext = platform::UniqueResource<InputContextTraits>;

// COM on this thread, from a successful CoInitializeEx to its CoUninitialize.
struct ComApartmentTraits {
  using Handle = bool;
  static Handle Invalid() { return false; }
  static void Close(Handle) { CoUninitialize(); }
};
using ComApartment = platform::UniqueResource<ComApartmentTraits>;

}  // namespace orvane::ui
