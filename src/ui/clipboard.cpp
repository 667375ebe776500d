#include "ui/clipboard.h"

#include <cstring>
#include <utility>
#include <vector>

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

// A copy of `data`, a block of global memory; none when memory runs out.
UniqueGlobal CopyGlobal(HANDLE data) {
  const SIZE_T size = GlobalSize(data);
  const void* source = size != 0 ? GlobalLock(data) : nullptr;
  if (source == nullptr) return UniqueGlobal();
  UniqueGlobal copy(GlobalAlloc(GMEM_MOVEABLE, size));
  void* target = copy ? GlobalLock(copy.get()) : nullptr;
  if (target != nullptr) {
    std::memcpy(target, source, size);
    GlobalUnlock(copy.get());
  } else {
    copy.reset();
  }
  GlobalUnlock(data);
  return copy;
}

// Formats whose data is not a block of global memory (GDI objects, the
// owner's own drawing, private handles), which cannot be copied as bytes.
bool IsMemoryFormat(UINT format) {
  switch (format) {
    case CF_BITMAP:
    case CF_METAFILEPICT:
    case CF_PALETTE:
    case CF_ENHMETAFILE:
    case CF_OWNERDISPLAY:
    case CF_DSPBITMAP:
    case CF_DSPMETAFILEPICT:
    case CF_DSPENHMETAFILE:
      return false;
    default:
      return format < CF_PRIVATEFIRST || format > CF_GDIOBJLAST;
  }
}

// The clipboard's memory formats, copied while it is open, to be put back
// should the new content be refused after the clipboard was emptied.
std::vector<std::pair<UINT, UniqueGlobal>> SaveContent() {
  std::vector<std::pair<UINT, UniqueGlobal>> saved;
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
    if (!IsMemoryFormat(format)) continue;
    if (HANDLE data = GetClipboardData(format)) {
      if (UniqueGlobal copy = CopyGlobal(data)) saved.emplace_back(format, std::move(copy));
    }
  }
  return saved;
}

void RestoreContent(std::vector<std::pair<UINT, UniqueGlobal>>& saved) {
  EmptyClipboard();
  for (auto& [format, data] : saved) {
    if (SetClipboardData(format, data.get()) != nullptr) (void)data.release();
  }
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
  if (!session) return false;
  std::vector<std::pair<UINT, UniqueGlobal>> saved = SaveContent();
  if (!EmptyClipboard()) return false;
  if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) {
    RestoreContent(saved);
    return false;
  }
  memory.release();  // the clipboard owns it now
  return true;
}

}  // namespace orvane::ui
