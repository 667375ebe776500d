#include <windows.h>

#include <optional>
#include <string>

#include "base/long_path.h"
#include "platform/file_identity.h"
#include "platform/win32/full_path.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_handle.h"

namespace orvane::platform {

std::optional<FileIdentity> IdentityOf(const FileName& name) {
  // The long form of the name, built as the file layer builds it.
  const std::optional<std::wstring> root = WidenExactly(name.root, CP_UTF8);
  const std::optional<std::wstring> relative =
      WidenExactly(name.relative, name.relative_is_utf8 ? CP_UTF8 : CP_ACP);
  if (!root || !relative) return std::nullopt;
  const std::optional<std::wstring> full_root = FullFolderPath(*root);
  if (!full_root) return std::nullopt;
  const std::optional<std::wstring> path = LongPathForm(*full_root, *relative);
  if (!path) return std::nullopt;
  // Attributes only, through links and junctions (no FILE_FLAG_OPEN_REPARSE_POINT);
  // backup semantics let a folder be opened at all.
  const UniqueFileHandle handle(CreateFileW(
      path->c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!handle || !GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace orvane::platform
