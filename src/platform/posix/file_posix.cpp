#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/file.h"

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

}  // namespace

bool FileNameExists(const FileName& name) {
  struct stat info {};
  return stat(PosixPath(name).c_str(), &info) == 0;
}

std::optional<ReadOnlyFile> ReadOnlyFile::OpenRegular(const FileName& name) {
  // O_NONBLOCK so that opening a FIFO cannot hang the worker; it is refused below.
  const int fd = open(PosixPath(name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  ReadOnlyFile file(fd);
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  file.length_ = static_cast<std::uint64_t>(info.st_size);
  // O_NONBLOCK stays: it has no effect on a regular file (reads and sendfile
  // still wait for the disk), and clearing it would cost two calls a request.
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
