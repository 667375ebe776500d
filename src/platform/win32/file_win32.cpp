#include <windows.h>

#include <string>

#include "platform/file.h"

namespace orvane::platform {

namespace {

std::wstring Widen(std::string_view text, UINT code_page) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  }
  return wide;
}

// UTF-8 names go through the wide API; ANSI names through the ANSI one, so
// old clients that send GBK bytes reach exactly the file they name.
HANDLE OpenForReading(const FileName& name) {
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  if (name.relative_is_utf8) {
    const std::wstring path = Widen(name.root, CP_ACP) + Widen(name.relative, CP_UTF8);
    return CreateFileW(path.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  }
  std::string path;
  path.append(name.root).append(name.relative);
  return CreateFileA(path.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

}  // namespace

bool FileNameExists(const FileName& name) {
  DWORD attributes;
  if (name.relative_is_utf8) {
    const std::wstring path = Widen(name.root, CP_ACP) + Widen(name.relative, CP_UTF8);
    attributes = GetFileAttributesW(path.c_str());
  } else {
    std::string path;
    path.append(name.root).append(name.relative);
    attributes = GetFileAttributesA(path.c_str());
  }
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
