#include "ui/drop_target.h"

#include <shlobj.h>

#include <cwctype>
#include <vector>

#include "ui/win_handles.h"

namespace orvane::ui {
namespace {

// Not in every SDK's headers: the message by which the system copies a drop's
// data into the receiving process.
constexpr UINT kCopyGlobalDataMessage = 0x0049;

// A drop is finished (DragFinish) by its owner, once its item is read.
void FinishDrop(HDROP drop) { DragFinish(drop); }
using UniqueDrop = platform::UniqueResource<PointerTraits<HDROP, &FinishDrop>>;

// The first item's path, as long as it is (it may exceed MAX_PATH).
std::wstring FirstItem(HDROP drop) {
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  if (length == 0) return {};
  std::vector<wchar_t> path(length + 1);
  const UINT copied = DragQueryFileW(drop, 0, path.data(), length + 1);
  return std::wstring(path.data(), copied);
}

// "C:\site\a.txt" -> "C:\site"; "C:\a.txt" -> "C:\"; "\\host\share\a.txt"
// -> "\\host\share".
std::wstring ContainingFolder(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return path;
  std::wstring folder = path.substr(0, slash);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return folder;
}

// A drive's root stays "C:\"; every other folder loses a trailing separator.
std::wstring AsPickerWritesIt(std::wstring folder) {
  while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/') &&
         !(folder.size() == 3 && folder[1] == L':')) {
    folder.pop_back();
  }
  return folder;
}

// The path as the file functions read it whatever its length: past MAX_PATH
// only with the "\\?\" prefix, since the program is not long-path aware.
std::wstring LongForm(const std::wstring& path) {
  if (path.size() < MAX_PATH || path.rfind(LR"(\\?\)", 0) == 0) return path;
  if (path.rfind(LR"(\\)", 0) == 0) return LR"(\\?\UNC\)" + path.substr(2);
  if (path.size() > 2 && path[1] == L':') return LR"(\\?\)" + path;
  return path;
}

bool IsShortcut(const std::wstring& path) {
  constexpr std::wstring_view kExtension = L".lnk";
  if (path.size() <= kExtension.size()) return false;
  for (std::size_t i = 0; i < kExtension.size(); ++i) {
    if (std::towlower(path[path.size() - kExtension.size() + i]) != kExtension[i]) return false;
  }
  return true;
}

template <typename Interface>
struct ComTraits {
  using Handle = Interface*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { handle->Release(); }
};

// The path a shortcut points to; empty when it cannot be read or points to
// no file system item.
std::wstring ShortcutTarget(const std::wstring& shortcut) {
  IShellLinkW* raw_link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&raw_link)))) {
    return {};
  }
  const platform::UniqueResource<ComTraits<IShellLinkW>> link(raw_link);
  IPersistFile* raw_file = nullptr;
  if (FAILED(link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&raw_file)))) {
    return {};
  }
  const platform::UniqueResource<ComTraits<IPersistFile>> file(raw_file);
  if (FAILED(file.get()->Load(shortcut.c_str(), STGM_READ))) return {};
  // Room for a long target; GetPath cuts, it does not fail, on a short buffer.
  std::vector<wchar_t> target(32768);
  if (link.get()->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0) != S_OK) {
    return {};
  }
  return std::wstring(target.data());
}

}  // namespace

void AcceptDroppedFolders(HWND window) {
  DragAcceptFiles(window, TRUE);
  // Without these, an elevated program never hears a drop from Explorer,
  // which runs at a lower integrity level.
  ChangeWindowMessageFilterEx(window, WM_DROPFILES, MSGFLT_ALLOW, nullptr);
  ChangeWindowMessageFilterEx(window, WM_COPYDATA, MSGFLT_ALLOW, nullptr);
  ChangeWindowMessageFilterEx(window, kCopyGlobalDataMessage, MSGFLT_ALLOW, nullptr);
}

std::optional<std::wstring> TakeDroppedFolder(HDROP drop) {
  std::wstring item;
  {
    const UniqueDrop finished_after(drop);
    item = FirstItem(finished_after.get());
  }
  if (item.empty()) return std::nullopt;
  // A shortcut (one dragged from the desktop, say) stands for its target,
  // not for the folder it lies in.
  if (IsShortcut(item)) item = ShortcutTarget(item);
  if (item.empty()) return std::nullopt;
  // An item that cannot be read is taken for nothing: taking it for a file
  // would serve whatever folder holds it.
  const DWORD attributes = GetFileAttributesW(LongForm(item).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  const bool is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return AsPickerWritesIt(is_folder ? item : ContainingFolder(item));
}

}  // namespace orvane::ui
