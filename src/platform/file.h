// Files of the site folder: the literal existence test and reading.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/cloud_wait.h"
#include "platform/unique_resource.h"

namespace orvane::platform {

// A file name in two pieces: the site folder in UTF-8 and the request path
// in the ANSI code page or in UTF-8. Both use "\" as separator (the POSIX
// backend turns it into "/"; there the ANSI code page is UTF-8 as well).
struct FileName {
  std::string_view root;
  std::string_view relative;
  bool relative_is_utf8 = false;
};

// True when a file or folder of exactly this name exists; never a pattern.
bool FileNameExists(const FileName& name);

// True when a folder of exactly this name exists (readable or not).
bool FolderExists(const FileName& name);

// One entry of a folder, as the system describes it.
struct FolderEntry {
  // UTF-8 where the system's name is text. On Windows a name with an unpaired
  // surrogate keeps it in the same three-byte form (WTF-8), which no UTF-8
  // check accepts; on POSIX the bytes are the name's own.
  std::string name;
  // Kind, size and time are those of what a link leads to, as a request for
  // the name is served that.
  bool is_folder = false;
  // Hidden as Explorer's default view hides it: on Windows the hidden
  // attribute (the system attribute alone hides nothing: HiddenFromExplorer,
  // base/file_attributes.h); on POSIX a leading ".".
  bool hidden = false;
  std::uint64_t size = 0;
  std::int64_t changed_unix_seconds = 0;  // last write, seconds since 1970 UTC
  // A cloud placeholder (IsCloudPlaceholder, base/file_attributes.h): a read
  // may first fetch it from the network. Always false on POSIX.
  bool in_cloud = false;
};

// Every entry of the folder `name` names that a request could fetch, in no
// particular order: "." and ".." left out, and so is an entry that is neither
// a regular file nor a folder (a FIFO, socket or device; on Windows an
// AF_UNIX socket, a WSL special file) or that cannot be looked at through its
// links (a link to nothing, to itself, through a file, into a place the
// server may not enter). nullopt when the folder itself cannot be read whole
// (missing, not a folder, refused, or an error midway): never a part
// presented as all.
[[nodiscard]] std::optional<std::vector<FolderEntry>> ListFolder(const FileName& name);

// The owner kind of an open file: a HANDLE on Windows, a descriptor on POSIX,
// both held as an integer; -1 (INVALID_HANDLE_VALUE) means none.
struct FileTraits {
  using Handle = std::intptr_t;
  static Handle Invalid() { return -1; }
  static void Close(Handle handle);  // per system
};

// A regular disk file opened for reading, with no sharing restriction: other
// processes may read, write or delete it meanwhile.
class ReadOnlyFile {
 public:
  // nullopt when the file cannot be opened or is not a regular disk file (a
  // folder, pipe or device is never opened as a body).
  [[nodiscard]] static std::optional<ReadOnlyFile> OpenRegular(const FileName& name);

  // The size the file had when it was opened (read by the same call that
  // checked its kind, so it costs no call of its own).
  [[nodiscard]] std::optional<std::uint64_t> Length() const { return length_; }
  // Its last write when it was opened, in seconds since 1970 UTC (read by the
  // same call as its size): with the size, what tells a changed file, as a
  // thumbnail's ETag and its kept copy do.
  [[nodiscard]] std::int64_t changed_unix_seconds() const { return changed_unix_seconds_; }
  // True for a cloud placeholder (OneDrive's files kept online only, files a
  // storage tier moved away: IsCloudPlaceholder, base/file_attributes.h), from
  // the attributes the open read: its data may first have to come from the
  // network, and a read waits for that. Always false on POSIX.
  [[nodiscard]] bool in_cloud() const { return in_cloud_; }
  bool Seek(std::uint64_t offset);
  // Bytes read (0 at the end of the file) or -1 on an error. The first read
  // of a cloud file fails when it has not returned within
  // first_read_limit_ms(); a later one, while the file is still a
  // placeholder (a provider that fetches it piece by piece), within
  // kCloudReadLimitMs; once the file is on this machine, reads are those of
  // any file, with no timer. On a thread whose blocking reads a stop
  // cancelled (Thread::CancelBlockingIo) every read fails.
  std::int64_t Read(char* buffer, std::size_t size);
  // How long the first read of a cloud file may wait: CloudFirstReadLimitMs
  // of its size (base/cloud_wait.h), for the request log to tell.
  [[nodiscard]] int first_read_limit_ms() const { return first_read_limit_ms_; }
  // The native descriptor or handle, for zero-copy sending.
  [[nodiscard]] std::intptr_t native() const { return native_.get(); }

  // For tests only: owns `native` (a pipe's read end, whose reads wait for a
  // writer as a cloud file's wait for its provider) as a file whose first
  // read, when `in_cloud`, waits at most `read_limit_ms`.
  [[nodiscard]] static ReadOnlyFile AdoptForTest(std::intptr_t native, bool in_cloud,
                                                 int read_limit_ms);

 private:
  explicit ReadOnlyFile(std::intptr_t native) : native_(native) {}
  UniqueResource<FileTraits> native_;
  std::uint64_t length_ = 0;
  std::int64_t changed_unix_seconds_ = 0;
  bool in_cloud_ = false;
  // While the file may still be in the cloud, reads are timed; cleared once
  // a read finds it on this machine.
  bool timed_reads_ = false;
  int first_read_limit_ms_ = kCloudReadLimitMs;
  int read_limit_ms_ = kCloudReadLimitMs;  // the next timed read's
};

}  // namespace orvane::platform
