#include <windows.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "base/file_attributes.h"
#include "base/long_path.h"
#include "base/upload_temporary.h"
#include "base/utf16_name.h"
#include "platform/clock.h"
#include "platform/upload_file.h"
#include "platform/upload_file_sys.h"
#include "platform/win32/full_path.h"
#include "platform/win32/link_target.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_handle.h"

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

// The Mark of the Web, as browsers mark what they download: zone 3, the
// Internet. Windows warns before it runs a program so marked.
constexpr char kZoneIdentifier[] = "[ZoneTransfer]\r\nZoneId=3\r\n";

HANDLE AsHandle(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }

// True when the volume that holds `folder` (long form) keeps named streams
// (NTFS, ReFS). FAT does not, nor does Wine's view of a Unix folder, where
// a stream's name could become a visible file of its own.
bool KeepsNamedStreams(const std::wstring& folder) {
  std::wstring volume(folder.size() + 2, L'\0');
  if (!GetVolumePathNameW(folder.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) {
    return false;
  }
  DWORD flags = 0;
  return GetVolumeInformationW(volume.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
         (flags & FILE_NAMED_STREAMS) != 0;
}

// Gives the new file at `path` the Mark of the Web in its Zone.Identifier
// stream (sharing is counted per stream, so the open main stream does not
// stand in the way). A failure leaves the file unmarked but received.
void MarkFromTheInternet(const std::wstring& path) {
  const UniqueFileHandle stream(CreateFileW((path + L":Zone.Identifier").c_str(), GENERIC_WRITE, 0,
                                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD wrote = 0;
  if (stream)
    (void)WriteFile(stream.get(), kZoneIdentifier, sizeof kZoneIdentifier - 1, &wrote, nullptr);
}

// Marks the file open as `file` to be deleted when its last handle closes,
// or takes that mark back. Unlike FILE_FLAG_DELETE_ON_CLOSE, the mark can be
// cleared before the rename, so a file in place is never deleted.
bool MarkForDeletion(HANDLE file, bool delete_on_close) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = delete_on_close ? TRUE : FALSE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) !=
         0;
}

// True unless the file open as `file` is surely not marked for deletion.
bool DeletePending(HANDLE file) {
  FILE_STANDARD_INFO info{};
  return !GetFileInformationByHandleEx(file, FileStandardInfo, &info, sizeof info) ||
         info.DeletePending != FALSE;
}

// Renames the file open as `file` to `target` (a full path), never over an
// existing name; 0 or the system's error.
DWORD RenameOpenFile(HANDLE file, const std::wstring& target) {
  // FILE_RENAME_INFO ends in the name, of any length; the zeroed buffer
  // holds its final NUL too.
  const std::size_t name_bytes = target.size() * sizeof(wchar_t);
  std::string buffer(sizeof(FILE_RENAME_INFO) + name_bytes, '\0');
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(buffer.data() + offsetof(FILE_RENAME_INFO, FileName), target.data(), name_bytes);
  return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size()))
             ? 0
             : GetLastError();
}

// A rename refused because another program has the file open for a moment.
bool IsBusy(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

std::function<unsigned long()>& RenameFault() {
  static std::function<unsigned long()> fault;
  return fault;
}

}  // namespace

namespace upload_sys {

struct Folder {
  std::wstring path;  // long form, ending in "\"
  bool named_streams = false;

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
  const std::optional<DWORD> attributes = AttributesThroughLinks(*path);
  if (!attributes || (*attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return nullptr;
  const bool named_streams = KeepsNamedStreams(*path);
  return FolderHandle(new Folder{std::move(*path), named_streams});
}

Outcome CreateNewFile(const Folder& folder, const std::string& name, std::intptr_t& file) {
  const std::optional<std::wstring> path = folder.Child(name);
  if (!path) return Outcome::kFailed;
  // CREATE_NEW: a new file or nothing. No sharing: nobody reads it half
  // made. DELETE: to mark it for deletion and to rename it by the handle.
  const HANDLE handle = CreateFileW(path->c_str(), GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES, 0,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Outcome::kTaken
                                                                       : Outcome::kFailed;
  }
  file = reinterpret_cast<std::intptr_t>(handle);
  // Before the deletion mark, which refuses every later open of the file.
  if (folder.named_streams) MarkFromTheInternet(*path);
  // Should the mark fail, RemoveFile still deletes the file by its name.
  (void)MarkForDeletion(handle, true);
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
  FILE_BASIC_INFO info{};
  if (!GetFileInformationByHandleEx(AsHandle(file), FileBasicInfo, &info, sizeof info)) {
    return false;
  }
  // Only the hidden attribute goes; the archive attribute a new file gets
  // stays. Times set to 0 stay as they are.
  info.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN);
  if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  info.CreationTime.QuadPart = 0;
  info.LastAccessTime.QuadPart = 0;
  info.LastWriteTime.QuadPart = 0;
  info.ChangeTime.QuadPart = 0;
  return SetFileInformationByHandle(AsHandle(file), FileBasicInfo, &info, sizeof info) != 0;
}

bool EndWriting(UniqueResource<FileTraits>& /*file: renamed open*/) { return true; }

bool CloseFile(std::intptr_t file) { return CloseHandle(AsHandle(file)) != 0; }

NameLook LookAt(const Folder& folder, const std::string& name) {
  const std::optional<std::wstring> path = folder.Child(name);
  if (!path) return NameLook::kFailed;
  // The name's own entry, not what a link leads to: a link to nothing takes
  // the name too.
  if (GetFileAttributesW(path->c_str()) != INVALID_FILE_ATTRIBUTES) return NameLook::kTaken;
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
      return NameLook::kFree;
    case ERROR_ACCESS_DENIED:  // a file being deleted still holds its name
    case ERROR_SHARING_VIOLATION:
      return NameLook::kTaken;
    default:
      return NameLook::kFailed;
  }
}

Outcome RenameWithoutReplacing(const Folder& folder, std::intptr_t file,
                               const std::string& /*from*/, const std::string& to) {
  const std::optional<std::wstring> target = folder.Child(to);
  if (!target) return Outcome::kFailed;
  const std::int64_t give_up = MonotonicMillis() + kBusyRetryMs;
  for (int wait_ms = 20;; wait_ms = wait_ms < 250 ? wait_ms * 2 : 250) {
    // Unmarked just before the rename, so that once renamed the file is
    // never deleted; marked again at once when the rename fails.
    // A file system that takes no such mark refuses to clear it too.
    if (!MarkForDeletion(AsHandle(file), false) && DeletePending(AsHandle(file))) {
      return Outcome::kFailed;
    }
    const std::function<unsigned long()>& fault = RenameFault();
    DWORD error = fault ? static_cast<DWORD>(fault()) : 0;
    if (error == 0) error = RenameOpenFile(AsHandle(file), *target);
    if (error == 0) return Outcome::kDone;
    (void)MarkForDeletion(AsHandle(file), true);
    // Whatever the error, a name that is there is taken: a folder of that
    // name, or a file being deleted, can refuse with another error.
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ||
        LookAt(folder, to) == NameLook::kTaken) {
      return Outcome::kTaken;
    }
    // A scanner or the indexer that opened the new file a moment ago lets
    // it go soon.
    if (!IsBusy(error) || MonotonicMillis() + wait_ms > give_up) return Outcome::kFailed;
    SleepMillis(wait_ms);
  }
}

void RemoveFile(const Folder& folder, const std::string& name) {
  const std::optional<std::wstring> path = folder.Child(name);
  if (path) DeleteFileW(path->c_str());
}

void SetRenameFaultForTest(std::function<unsigned long()> fault) {
  RenameFault() = std::move(fault);
}

}  // namespace upload_sys

int RemoveLeftoverUploads(std::string_view folder_utf8, std::int64_t now_unix_seconds) {
  const std::optional<std::wstring> folder = LongFolder(folder_utf8);
  if (!folder) return 0;
  const std::wstring pattern = *folder + Widen(kUploadTemporaryPrefix, CP_UTF8) + L"*" +
                               Widen(kUploadTemporarySuffix, CP_UTF8);
  WIN32_FIND_DATAW found{};
  const UniqueResource<FindTraits> find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                                         FindExSearchNameMatch, nullptr, 0));
  if (!find) return 0;
  int removed = 0;
  do {
    // Only a file of our own: never a folder, nor a link (or junction) of
    // that name, nor what it leads to.
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
      continue;
    }
    const std::wstring_view name = found.cFileName;
    const std::int64_t written = UnixSecondsFromFileTime(
        (static_cast<std::uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
        found.ftLastWriteTime.dwLowDateTime);
    if (!IsLeftoverUpload(Utf16NameToUtf8(std::u16string(name.begin(), name.end())), written,
                          now_unix_seconds)) {
      continue;
    }
    if (DeleteFileW((*folder + std::wstring(name)).c_str())) ++removed;
  } while (FindNextFileW(find.get(), &found));
  return removed;
}

std::optional<std::uint64_t> UploadFile::FreeSpace(std::string_view folder_utf8) {
  const std::optional<std::wstring> folder = LongFolder(folder_utf8);
  if (!folder) return std::nullopt;
  ULARGE_INTEGER available{};
  // What this user may still take, quotas included.
  if (!GetDiskFreeSpaceExW(folder->c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

}  // namespace orvane::platform
