#include <windows.h>

#include <optional>
#include <string>

#include "base/long_path.h"
#include "platform/upload_file.h"
#include "platform/win32/full_path.h"
#include "platform/upload_file_sys.h"
#include "platform/win32/wide_text.h"

namespace orvane::platform {

namespace {

// The folder in the long form with a final "\", which every call below
// takes whatever the length.
std::optional<std::wstring> LongFolder(std::string_view folder_utf8) {
  const std::optional<std::wstring> wide = WidenExactly(folder_utf8, CP_UTF8);
  if (!wide || wide->empty()) return std::nullopt;
  const std::optional<std::wstring> full = FullFolderPath(*wide);
  if (!full) return std::nullopt;
  std::optional<std::wstring> folder = LongPathForm(*full, L"");
  if (!folder) return std::nullopt;
  if (folder->back() != L'\\') *folder += L'\\';
  return folder;
}

// A user's disk quota used up; newer than MinGW's headers.
constexpr DWORD kErrorDiskQuotaExceeded = 1295;

HANDLE AsHandle(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

namespace upload_sys {

struct Folder {
  std::wstring path;  // long form, ending in "\"

  // A name in the folder; nullopt when it is not UTF-8.
  [[nodiscard]] std::optional<std::wstring> Child(const std::string& name) const {
    const std::optional<std::wstring> wide = WidenExactly(name, CP_UTF8);
    if (!wide) return std::nullopt;
    return path + *wide;
  }
};

void FolderCloser::operator()(Folder* folder) const { delete folder; }

FolderHandle OpenFolder(std::string_view folder_utf8) {
  std::optional<std::wstring> path = LongFolder(folder_utf8);
  if (!path) return nullptr;
  const DWORD attributes = GetFileAttributesW(path->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return nullptr;
  }
  return FolderHandle(new Folder{std::move(*path)});
}

Outcome CreateNewFile(const Folder& folder, const std::string& name, std::intptr_t& file) {
  const std::optional<std::wstring> path = folder.Child(name);
  if (!path) return Outcome::kFailed;
  // CREATE_NEW: a new file or nothing. No sharing: nobody reads it half made.
  const HANDLE handle = CreateFileW(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Outcome::kTaken
                                                                       : Outcome::kFailed;
  }
  file = reinterpret_cast<std::intptr_t>(handle);
  return Outcome::kDone;
}

WriteResult WriteAll(std::intptr_t file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD want = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
    DWORD wrote = 0;
    if (!WriteFile(AsHandle(file), bytes.data(), want, &wrote, nullptr)) {
      const DWORD error = GetLastError();
      return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ||
                     error == kErrorDiskQuotaExceeded
                 ? WriteResult::kDiskFull
                 : WriteResult::kFailed;
    }
    if (wrote == 0) return WriteResult::kFailed;
    bytes.remove_prefix(wrote);
  }
  return WriteResult::kOk;
}

bool SetModifiedTime(std::intptr_t file, std::int64_t unix_ms) {
  // FILETIME counts 100 ns from 1601; the rules keep the time at or after it.
  constexpr std::int64_t kMsFrom1601To1970 = 11644473600000;
  const auto ticks = static_cast<std::uint64_t>(unix_ms + kMsFrom1601To1970) * 10000;
  FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  return SetFileTime(AsHandle(file), nullptr, nullptr, &time) != 0;
}

bool Reveal(std::intptr_t file) {
  // Times left at 0 stay as they are; only the attributes change.
  FILE_BASIC_INFO info{};
  info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(AsHandle(file), FileBasicInfo, &info, sizeof info) != 0;
}

bool CloseFile(std::intptr_t file) { return CloseHandle(AsHandle(file)) != 0; }

Outcome RenameWithoutReplacing(const Folder& folder, const std::string& from,
                               const std::string& to) {
  const std::optional<std::wstring> source = folder.Child(from);
  const std::optional<std::wstring> target = folder.Child(to);
  if (!source || !target) return Outcome::kFailed;
  // No MOVEFILE_REPLACE_EXISTING: an existing name (in any case) fails.
  if (MoveFileExW(source->c_str(), target->c_str(), 0)) return Outcome::kDone;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return Outcome::kTaken;
  // A folder of that name, or a file being deleted, can refuse with another
  // error: the name is taken all the same.
  if (GetFileAttributesW(target->c_str()) != INVALID_FILE_ATTRIBUTES) return Outcome::kTaken;
  return Outcome::kFailed;
}

void RemoveFile(const Folder& folder, const std::string& name) {
  const std::optional<std::wstring> path = folder.Child(name);
  if (path) DeleteFileW(path->c_str());
}

}  // namespace upload_sys

std::optional<std::uint64_t> UploadFile::FreeSpace(std::string_view folder_utf8) {
  const std::optional<std::wstring> folder = LongFolder(folder_utf8);
  if (!folder) return std::nullopt;
  ULARGE_INTEGER available{};
  // What this user may still take, quotas included.
  if (!GetDiskFreeSpaceExW(folder->c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

}  // namespace orvane::platform
