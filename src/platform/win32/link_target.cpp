#include "platform/win32/link_target.h"

#include "platform/win32/win32_handle.h"

namespace orvane::platform {

namespace {

DWORD (*g_own_attributes)(const wchar_t*) = nullptr;

}  // namespace

std::optional<DWORD> AttributesThroughLinks(const std::wstring& path) {
  const DWORD own = g_own_attributes != nullptr ? g_own_attributes(path.c_str())
                                                : GetFileAttributesW(path.c_str());
  if (own == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  if ((own & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return own;
  // Opened as the listing opens a link's target: attributes only, so a
  // cloud file is not fetched, and backup semantics, so a folder opens too.
  const UniqueFileHandle target(CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!target || !GetFileInformationByHandle(target.get(), &info)) return std::nullopt;
  return info.dwFileAttributes;
}

void SetOwnAttributesForTest(DWORD (*own_attributes)(const wchar_t* path)) {
  g_own_attributes = own_attributes;
}

}  // namespace orvane::platform
