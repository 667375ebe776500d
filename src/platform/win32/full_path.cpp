#include "platform/win32/full_path.h"

#include <windows.h>

namespace orvane::platform {

std::optional<std::wstring> FullFolderPath(const std::wstring& folder) {
  const std::wstring name = folder + L"\\";
  const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::nullopt;
  std::wstring full(size, L'\0');
  const DWORD written = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
  if (written == 0 || written >= size) return std::nullopt;
  full.resize(written);
  return full;
}

}  // namespace orvane::platform
