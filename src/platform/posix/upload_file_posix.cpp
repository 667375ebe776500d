#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <string>

#include "base/upload_temporary.h"
#include "platform/posix/dir_traits.h"
#include "platform/posix/link_rename.h"
#include "platform/unique_resource.h"
#include "platform/upload_file.h"
#include "platform/upload_file_sys.h"

namespace orvane::platform {

namespace upload_sys {

struct Folder {
  int fd = -1;
};

void FolderCloser::operator()(Folder* folder) const {
  if (folder->fd >= 0) close(folder->fd);
  delete folder;
}

FolderHandle OpenFolder(std::string_view folder_utf8) {
  const std::string name(folder_utf8);
  const int fd = open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return FolderHandle(new Folder{fd});
}

Outcome CreateNewFile(const Folder& folder, const std::string& name, std::intptr_t& file) {
  // O_EXCL: a new file or nothing, never one that is there (nor a link).
  const int fd =
      openat(folder.fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return errno == EEXIST ? Outcome::kTaken : Outcome::kFailed;
  file = fd;
  return Outcome::kDone;
}

WriteResult WriteAll(std::intptr_t file, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = write(static_cast<int>(file), bytes.data(), bytes.size());
    if (wrote < 0) {
      const int error = errno;
      if (error == EINTR) continue;
      return error == ENOSPC || error == EDQUOT ? WriteResult::kDiskFull : WriteResult::kFailed;
    }
    bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return WriteResult::kOk;
}

bool SetModifiedTime(std::intptr_t file, std::int64_t unix_ms) {
  // Whole seconds rounded down, so a time before 1970 keeps a positive part.
  const std::int64_t seconds = unix_ms >= 0 ? unix_ms / 1000 : -((-unix_ms + 999) / 1000);
  struct timespec times[2] = {};
  times[0].tv_nsec = UTIME_OMIT;  // the access time stays
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = static_cast<long>((unix_ms - seconds * 1000) * 1000000);
  return futimens(static_cast<int>(file), times) == 0;
}

bool Reveal(std::intptr_t) { return true; }

bool CloseFile(std::intptr_t file) {
  // Linux releases the descriptor even when close fails, EINTR included.
  return close(static_cast<int>(file)) == 0 || errno == EINTR;
}

bool EndWriting(UniqueResource<FileTraits>& file) { return CloseFile(file.release()); }

NameLook LookAt(const Folder& folder, const std::string& name) {
  // The name's own entry: a link to nothing takes the name too.
  struct stat info {};
  if (fstatat(folder.fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) return NameLook::kTaken;
  return errno == ENOENT ? NameLook::kFree : NameLook::kFailed;
}

Outcome RenameByLink(int folder_fd, const char* from, const char* to) {
  if (linkat(folder_fd, from, folder_fd, to, 0) != 0) {
    return errno == EEXIST ? Outcome::kTaken : Outcome::kFailed;
  }
  unlinkat(folder_fd, from, 0);
  return Outcome::kDone;
}

Outcome RenameWithoutReplacing(const Folder& folder, std::intptr_t /*file: closed*/,
                               const std::string& from, const std::string& to) {
  if (renameat2(folder.fd, from.c_str(), folder.fd, to.c_str(), RENAME_NOREPLACE) == 0) {
    return Outcome::kDone;
  }
  const int error = errno;
  if (error == EEXIST) return Outcome::kTaken;
  // File systems that cannot check for the name in the rename itself (some
  // network and FUSE file systems) refuse the flag.
  if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
    return RenameByLink(folder.fd, from.c_str(), to.c_str());
  }
  return Outcome::kFailed;
}

void RemoveFile(const Folder& folder, const std::string& name) {
  unlinkat(folder.fd, name.c_str(), 0);
}

}  // namespace upload_sys

int RemoveLeftoverUploads(std::string_view folder_utf8, std::int64_t now_unix_seconds) {
  const std::string name(folder_utf8);
  // glibc opens the folder close-on-exec.
  const UniqueResource<DirTraits> dir(opendir(name.c_str()));
  if (!dir) return 0;
  const int fd = dirfd(dir.get());
  int removed = 0;
  while (const dirent* found = readdir(dir.get())) {
    // The entry itself, not what a link leads to: only a regular file is
    // one of ours.
    struct stat info {};
    if (fstatat(fd, found->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
        !IsLeftoverUpload(found->d_name, info.st_mtime, now_unix_seconds)) {
      continue;
    }
    if (unlinkat(fd, found->d_name, 0) == 0) ++removed;
  }
  return removed;
}

std::optional<std::uint64_t> UploadFile::FreeSpace(std::string_view folder_utf8) {
  const std::string name(folder_utf8);
  struct statvfs info {};
  if (statvfs(name.c_str(), &info) != 0) return std::nullopt;
  // f_bavail: the blocks an unprivileged user may still take.
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

}  // namespace orvane::platform
