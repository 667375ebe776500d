// A received file on its way into a folder: written under a hidden temporary
// name beside its final place and renamed there only when it is whole,
// never over an existing file. Whatever fails, nothing is left behind.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::platform {

enum class WriteResult {
  kOk,
  kDiskFull,  // no room left (or the user's quota is used up)
  kFailed,    // any other error
};

class UploadFile {
 public:
  // A new, empty temporary file in `folder_utf8`, under a name no received
  // file can get (".orvane-" and random hex, ".part": a leading dot, and on
  // Windows the hidden attribute too). nullopt when it cannot be made.
  [[nodiscard]] static std::optional<UploadFile> Create(std::string_view folder_utf8);

  UploadFile(UploadFile&& other) noexcept;
  UploadFile& operator=(UploadFile&& other) noexcept;
  UploadFile(const UploadFile&) = delete;
  UploadFile& operator=(const UploadFile&) = delete;
  // Deletes the temporary file unless it was committed.
  ~UploadFile();

  // Appends bytes. They are gathered and written in large pieces, so a
  // failure may only show at a later Write or at Flush; once one failed,
  // every later call fails the same way.
  [[nodiscard]] WriteResult Write(std::string_view bytes);
  // Hands every byte written so far to the system.
  [[nodiscard]] WriteResult Flush();

  // Flushes what was written and gives the file the modification time
  // `unix_ms` (milliseconds since 1970 UTC), which Commit keeps; false when
  // the system refuses.
  [[nodiscard]] bool SetModifiedTime(std::int64_t unix_ms);

  // Flushes the file and renames it to `safe_name` or, when that is taken,
  // to a free FreeNameCandidate(safe_name, n) that FreeNumberAbove finds
  // (base/free_name.h), never replacing a file, even one made meanwhile by
  // another process or thread; returns the name taken (UTF-8). `safe_name`
  // must be a name SafeUploadName made. nullopt on any failure: the
  // temporary file is then gone, unless only the close after the rename
  // failed (Windows), which leaves the file under its new name. Once called,
  // the object holds no file any more.
  [[nodiscard]] std::optional<std::string> Commit(std::string_view safe_name);

  // The temporary file's name in its folder (UTF-8); empty after Commit.
  [[nodiscard]] const std::string& temporary_name() const;

  // The bytes free for this user on the disk that holds the folder; nullopt
  // when the system cannot tell.
  [[nodiscard]] static std::optional<std::uint64_t> FreeSpace(std::string_view folder_utf8);

 private:
  struct Parts;  // per system
  explicit UploadFile(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

// Removes from `folder_utf8` (not from the folders in it) the temporary
// files that uploads cut short by a killed program left: regular files whose
// name and last write IsLeftoverUpload (base/upload_temporary.h) accepts at
// `now_unix_seconds`; never a folder, a link or a file of any other name.
// Returns how many were removed.
int RemoveLeftoverUploads(std::string_view folder_utf8, std::int64_t now_unix_seconds);

}  // namespace orvane::platform
