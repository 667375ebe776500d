#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "platform/file.h"
#include "platform/posix/dir_traits.h"

namespace orvane::platform {

namespace {

std::string PosixPath(const FileName& name) {
  std::string path;
  path.reserve(name.root.size() + name.relative.size());
  path.append(name.root).append(name.relative);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

// After a failed look at a folder's entry through its links: true when the
// entry may be left out, because it went away meanwhile or its own record can
// be read (a link to nothing, to itself, through a file or into a folder the
// server may not enter: no request can fetch it either); false when the entry
// itself cannot be looked at (no search right on the folder, a failing disk),
// which fails the folder.
bool OnlyTargetFails(int folder, const char* name, int error) {
  if (error == ENOENT) return true;
  struct stat own {};
  return fstatat(folder, name, &own, AT_SYMLINK_NOFOLLOW) == 0 || errno == ENOENT;
}

}  // namespace

std::optional<std::vector<FolderEntry>> ListFolder(const FileName& name) {
  const int fd = open(PosixPath(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  UniqueResource<DirTraits> dir(fdopendir(fd));
  if (!dir) {
    close(fd);
    return std::nullopt;
  }
  std::vector<FolderEntry> entries;
  for (;;) {
    errno = 0;
    const dirent* found = readdir(dir.get());
    if (found == nullptr) {
      if (errno != 0) return std::nullopt;
      break;
    }
    const std::string_view entry_name = found->d_name;
    if (entry_name == "." || entry_name == "..") continue;
    // Followed through links, as a request for the name would be.
    struct stat info {};
    if (fstatat(dirfd(dir.get()), found->d_name, &info, 0) != 0) {
      if (OnlyTargetFails(dirfd(dir.get()), found->d_name, errno)) continue;
      return std::nullopt;
    }
    // FIFOs, sockets and devices are never served (OpenRegular refuses them).
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) continue;
    FolderEntry entry;
    entry.name = std::string(entry_name);
    entry.is_folder = S_ISDIR(info.st_mode);
    entry.hidden = entry_name.front() == '.';
    entry.size = entry.is_folder ? 0 : static_cast<std::uint64_t>(info.st_size);
    entry.changed_unix_seconds = static_cast<std::int64_t>(info.st_mtime);
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool FileNameExists(const FileName& name) {
  struct stat info {};
  return stat(PosixPath(name).c_str(), &info) == 0;
}

bool FolderExists(const FileName& name) {
  struct stat info {};
  return stat(PosixPath(name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<ReadOnlyFile> ReadOnlyFile::OpenRegular(const FileName& name) {
  // O_NONBLOCK so that opening a FIFO cannot hang the worker; it is refused below.
  const int fd = open(PosixPath(name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  ReadOnlyFile file(fd);
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  file.length_ = static_cast<std::uint64_t>(info.st_size);
  file.changed_unix_seconds_ = static_cast<std::int64_t>(info.st_mtime);
  // O_NONBLOCK stays: it has no effect on a regular file (reads and sendfile
  // still wait for the disk), and clearing it would cost two calls a request.
  return file;
}

// POSIX has no cloud placeholders: the file's reads are ordinary ones.
ReadOnlyFile ReadOnlyFile::AdoptForTest(std::intptr_t native, bool in_cloud, int read_limit_ms) {
  ReadOnlyFile file(native);
  file.in_cloud_ = in_cloud;
  file.timed_reads_ = in_cloud;
  file.first_read_limit_ms_ = read_limit_ms;
  file.read_limit_ms_ = read_limit_ms;
  return file;
}

void FileTraits::Close(Handle handle) { close(static_cast<int>(handle)); }

bool ReadOnlyFile::Seek(std::uint64_t offset) {
  return lseek(static_cast<int>(native()), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

std::int64_t ReadOnlyFile::Read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = read(static_cast<int>(native()), buffer, size);
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

}  // namespace orvane::platform
