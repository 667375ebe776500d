#include "ui/drop_target.h"

#include <vector>

namespace orvane::ui {
namespace {

// Not in every SDK's headers: the message by which the system copies a drop's
// data into the receiving process.
constexpr UINT kCopyGlobalDataMessage = 0x0049;

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
  const std::wstring item = FirstItem(drop);
  DragFinish(drop);
  if (item.empty()) return std::nullopt;
  const DWORD attributes = GetFileAttributesW(item.c_str());
  const bool is_folder =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return AsPickerWritesIt(is_folder ? item : ContainingFolder(item));
}

}  // namespace orvane::ui
