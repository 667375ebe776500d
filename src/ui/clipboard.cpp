#include "ui/clipboard.h"

#include <cstring>

#include "ui/win_handles.h"

namespace orvane::ui {
namespace {

inline void ReleaseGlobal(HGLOBAL memory) { GlobalFree(memory); }
using UniqueGlobal = platform::UniqueResource<PointerTraits<HGLOBAL, &ReleaseGlobal>>;

struct OpenClipboardTraits {
  using Handle = bool;
  static Handle Invalid() { return false; }
  static void Close(Handle) { CloseClipboard(); }
};
using ClipboardSession = platform::UniqueResource<OpenClipboardTraits>;

// Another program (a clipboard manager, say) may hold the clipboard for a
// moment; a few short tries ride that out.
ClipboardSession OpenClipboardPatiently(HWND owner) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (OpenClipboard(owner)) return ClipboardSession(true);
    Sleep(10);
  }
  return ClipboardSession();
}

}  // namespace

bool CopyToClipboard(HWND owner, const std::wstring& text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) return false;
  void* target = GlobalLock(memory.get());
  if (target == nullptr) return false;
  std::memcpy(target, text.c_str(), bytes);
  GlobalUnlock(memory.get());

  const ClipboardSession session = OpenClipboardPatiently(owner);
  if (!session || !EmptyClipboard()) return false;
  if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) return false;
  memory.release();  // the clipboard owns it now
  return true;
}

}  // namespace orvane::ui
