#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/file_attributes.h"
#include "base/long_path.h"
#include "base/utf16_name.h"
#include "platform/file.h"
#include "platform/win32/full_path.h"
#include "platform/win32/io_cancel.h"
#include "platform/win32/link_target.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_handle.h"

namespace orvane::platform {

namespace {

// The whole name in UTF-16 for the W API, in the long form so that a deep
// site folder still works past MAX_PATH. The folder is UTF-8, so a folder of
// any name works, whatever the ANSI code page; an ANSI request path (old
// clients' GBK bytes) is converted from that code page as the A API would
// convert it, so it still names the same file. Bytes that are not text of
// their code page name nothing, rather than a name with a replacement
// character in it. The request path is already confined to the folder; the
// long form is built only after that (LongPathForm refuses anything the
// confinement should have removed).
std::optional<std::wstring> WidePath(const FileName& name) {
  const std::optional<std::wstring> root = WidenExactly(name.root, CP_UTF8);
  const std::optional<std::wstring> relative =
      WidenExactly(name.relative, name.relative_is_utf8 ? CP_UTF8 : CP_ACP);
  if (!root || !relative) return std::nullopt;
  const std::optional<std::wstring> full_root = FullFolderPath(*root);
  if (!full_root) return std::nullopt;
  return LongPathForm(*full_root, *relative);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Kind, size, last write time and whether a cloud provider still holds the
// data into `entry`; the size of a folder is 0.
void Describe(FolderEntry& entry, FoundKind kind, DWORD attributes, DWORD size_high, DWORD size_low,
              const FILETIME& written) {
  entry.is_folder = kind == FoundKind::kFolder;
  entry.in_cloud = IsCloudPlaceholder(attributes);
  entry.size = entry.is_folder ? 0 : (static_cast<std::uint64_t>(size_high) << 32) | size_low;
  entry.changed_unix_seconds = UnixSecondsFromFileTime(
      (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime);
}

// The entry at `path` described by what it leads to, opened through every
// link on the way (attributes only, so a cloud file is not fetched). False
// when that cannot be opened (a dangling link, a loop, a WSL link, which
// Windows cannot follow, a place the server may not look) or is neither a
// file nor a folder.
bool DescribeTarget(const std::wstring& path, FolderEntry& entry) {
  const UniqueFileHandle target(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!target || !GetFileInformationByHandle(target.get(), &info)) return false;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
      !GetFileInformationByHandleEx(target.get(), FileAttributeTagInfo, &tag, sizeof tag)) {
    return false;
  }
  const FoundKind kind = ClassifyFoundEntry(info.dwFileAttributes, tag.ReparseTag);
  if (kind != FoundKind::kFile && kind != FoundKind::kFolder) return false;
  Describe(entry, kind, info.dwFileAttributes, info.nFileSizeHigh, info.nFileSizeLow,
           info.ftLastWriteTime);
  return true;
}

}  // namespace

std::optional<std::vector<FolderEntry>> ListFolder(const FileName& name) {
  const std::optional<std::wstring> path = WidePath(name);
  if (!path) return std::nullopt;
  const std::optional<DWORD> attributes = AttributesThroughLinks(*path);
  if (!attributes || (*attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
  const std::wstring folder = *path + (path->back() == L'\\' ? L"" : L"\\");
  WIN32_FIND_DATAW found{};
  // The basic level skips the short 8.3 names, and the large fetch asks for
  // many entries a call: both only make a large folder quicker.
  UniqueResource<FindTraits> find(FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found,
                                                   FindExSearchNameMatch, nullptr,
                                                   FIND_FIRST_EX_LARGE_FETCH));
  std::vector<FolderEntry> entries;
  if (!find) {
    // Only a drive's root can hold no entry at all, not even "." and "..".
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return entries;
    return std::nullopt;
  }
  do {
    const std::wstring_view entry_name = found.cFileName;
    if (entry_name == L"." || entry_name == L"..") continue;
    FolderEntry entry;
    // Hidden is the entry's own attribute, also for a link: Explorer shows
    // the link as its attributes say, whatever it leads to.
    entry.hidden = HiddenFromExplorer(found.dwFileAttributes);
    // dwReserved0 holds the reparse tag when the reparse point attribute is set.
    const FoundKind kind = ClassifyFoundEntry(found.dwFileAttributes, found.dwReserved0);
    if (kind == FoundKind::kLeaveOut) continue;
    if (kind == FoundKind::kFollowLink) {
      // The found data describe the link itself (0 bytes, its own time),
      // while a request is served what it leads to.
      if (!DescribeTarget(folder + std::wstring(entry_name), entry)) continue;
    } else {
      Describe(entry, kind, found.dwFileAttributes, found.nFileSizeHigh, found.nFileSizeLow,
               found.ftLastWriteTime);
    }
    entry.name = Utf16NameToUtf8(std::u16string(entry_name.begin(), entry_name.end()));
    entries.push_back(std::move(entry));
  } while (FindNextFileW(find.get(), &found));
  if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
  return entries;
}

// Both look through links, as the listing does: a request and the listing
// agree on every entry.
bool FileNameExists(const FileName& name) {
  const std::optional<std::wstring> path = WidePath(name);
  return path && AttributesThroughLinks(*path).has_value();
}

bool FolderExists(const FileName& name) {
  const std::optional<std::wstring> path = WidePath(name);
  if (!path) return false;
  const std::optional<DWORD> attributes = AttributesThroughLinks(*path);
  return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<ReadOnlyFile> ReadOnlyFile::OpenRegular(const FileName& name) {
  const std::optional<std::wstring> path = WidePath(name);
  if (!path) return std::nullopt;
  HANDLE handle = CreateFileW(path->c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  ReadOnlyFile file(reinterpret_cast<std::intptr_t>(handle));
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  file.length_ = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  file.changed_unix_seconds_ = UnixSecondsFromFileTime(
      (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
      info.ftLastWriteTime.dwLowDateTime);
  // Opening does not fetch a placeholder's data; the first read does.
  file.in_cloud_ = IsCloudPlaceholder(info.dwFileAttributes);
  file.timed_reads_ = file.in_cloud_;
  file.first_read_limit_ms_ = CloudFirstReadLimitMs(file.length_);
  file.read_limit_ms_ = file.first_read_limit_ms_;
  return file;
}

ReadOnlyFile ReadOnlyFile::AdoptForTest(std::intptr_t native, bool in_cloud, int read_limit_ms) {
  ReadOnlyFile file(native);
  file.in_cloud_ = in_cloud;
  file.timed_reads_ = in_cloud;
  file.first_read_limit_ms_ = read_limit_ms;
  file.read_limit_ms_ = read_limit_ms;
  return file;
}

void FileTraits::Close(Handle handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

bool ReadOnlyFile::Seek(std::uint64_t offset) {
  LARGE_INTEGER distance{};
  distance.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(reinterpret_cast<HANDLE>(native()), distance, nullptr, FILE_BEGIN) != 0;
}

std::int64_t ReadOnlyFile::Read(char* buffer, std::size_t size) {
  // After a stop no read begins: it could wait for the disk or the network.
  if (IoCancelRequested()) return -1;
  const auto handle = reinterpret_cast<HANDLE>(native());
  DWORD got = 0;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!timed_reads_) {
    if (!ReadFile(handle, buffer, want, &got, nullptr)) return -1;
    return static_cast<std::int64_t>(got);
  }
  // Full hydration: the first read returns once the whole file is here.
  if (!ReadFileWithin(handle, buffer, want, got, read_limit_ms_)) return -1;
  read_limit_ms_ = kCloudReadLimitMs;
  // A file now whole on this machine needs no timer (nor a handle and a
  // timer made for each read); one the system cannot tell of is read as any
  // other file, which a stop still ends.
  BY_HANDLE_FILE_INFORMATION info{};
  timed_reads_ =
      GetFileInformationByHandle(handle, &info) != 0 && IsCloudPlaceholder(info.dwFileAttributes);
  return static_cast<std::int64_t>(got);
}

}  // namespace orvane::platform
