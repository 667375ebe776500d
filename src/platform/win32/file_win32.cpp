#include <windows.h>

#include <optional>
#include <string>

#include "platform/file.h"
#include "platform/win32/wide_text.h"

namespace orvane::platform {

namespace {

// The whole name in UTF-16 for the W API. The folder is UTF-8, so a folder
// of any name works, whatever the ANSI code page; an ANSI request path (old
// clients' GBK bytes) is converted from that code page as the A API would
// convert it, so it still names the same file. Bytes that are not text of
// their code page name nothing, rather than a name with a replacement
// character in it.
std::optional<std::wstring> WidePath(const FileName& name) {
  const std::optional<std::wstring> root = WidenExactly(name.root, CP_UTF8);
  const std::optional<std::wstring> relative =
      WidenExactly(name.relative, name.relative_is_utf8 ? CP_UTF8 : CP_ACP);
  if (!root || !relative) return std::nullopt;
  return *root + *relative;
}

}  // namespace

bool FileNameExists(const FileName& name) {
  const std::optional<std::wstring> path = WidePath(name);
  return path && GetFileAttributesW(path->c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<ReadOnlyFile> ReadOnlyFile::OpenRegular(const FileName& name) {
  const std::optional<std::wstring> path = WidePath(name);
  if (!path) return std::nullopt;
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE handle = CreateFileW(path->c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  ReadOnlyFile file(reinterpret_cast<std::intptr_t>(handle));
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return file;
}

void FileTraits::Close(Handle handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

std::optional<std::uint64_t> ReadOnlyFile::Length() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(reinterpret_cast<HANDLE>(native()), &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

bool ReadOnlyFile::Seek(std::uint64_t offset) {
  LARGE_INTEGER distance{};
  distance.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(reinterpret_cast<HANDLE>(native()), distance, nullptr, FILE_BEGIN) != 0;
}

std::int64_t ReadOnlyFile::Read(char* buffer, std::size_t size) {
  DWORD got = 0;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!ReadFile(reinterpret_cast<HANDLE>(native()), buffer, want, &got, nullptr)) return -1;
  return static_cast<std::int64_t>(got);
}

}  // namespace orvane::platform
