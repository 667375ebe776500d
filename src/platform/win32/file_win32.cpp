#include <windows.h>

#include <string>

#include "platform/file.h"
#include "platform/win32/wide_text.h"

namespace orvane::platform {

namespace {

// The whole name, for the W API (a UTF-8 request path) or the A API (an ANSI
// one): UTF-8 names go through the wide API and ANSI names through the ANSI
// one, so old clients that send GBK bytes reach exactly the file they name.
std::wstring WidePath(const FileName& name) {
  return Widen(name.root, CP_ACP) + Widen(name.relative, CP_UTF8);
}

std::string AnsiPath(const FileName& name) {
  std::string path;
  path.append(name.root).append(name.relative);
  return path;
}

HANDLE OpenForReading(const FileName& name) {
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  if (name.relative_is_utf8) {
    return CreateFileW(WidePath(name).c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  }
  return CreateFileA(AnsiPath(name).c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

}  // namespace

bool FileNameExists(const FileName& name) {
  const DWORD attributes = name.relative_is_utf8 ? GetFileAttributesW(WidePath(name).c_str())
                                                 : GetFileAttributesA(AnsiPath(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES;
}

std::optional<ReadOnlyFile> ReadOnlyFile::OpenRegular(const FileName& name) {
  HANDLE handle = OpenForReading(name);
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

std::uint64_t ReadOnlyFile::Length() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(reinterpret_cast<HANDLE>(native()), &size)) return 0;
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
