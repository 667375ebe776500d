// The system calls a received file is written and put in place with, one
// backend per system; UploadFile (upload_file.cpp) builds on them. Private to
// the platform layer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/upload_file.h"

namespace orvane::platform::upload_sys {

enum class Outcome {
  kDone,
  kTaken,  // the name is already that of another file or folder
  kFailed,
};

// The folder files are received into, as each system names files in it: an
// open descriptor on POSIX (so a folder renamed meanwhile still gets its
// file), its full name in the long form on Windows.
struct Folder;
struct FolderCloser {
  void operator()(Folder* folder) const;
};
using FolderHandle = std::unique_ptr<Folder, FolderCloser>;

// nullptr when the name is not that of a folder that can be opened.
[[nodiscard]] FolderHandle OpenFolder(std::string_view folder_utf8);

// Makes a new file `name` (UTF-8) in the folder, hidden on Windows, and opens
// it for writing into `file`; never opens a file that exists (kTaken).
[[nodiscard]] Outcome CreateNewFile(const Folder& folder, const std::string& name,
                                    std::intptr_t& file);

// Every byte, or the reason why not.
[[nodiscard]] WriteResult WriteAll(std::intptr_t file, std::string_view bytes);

// Sets the file's modification time (milliseconds since 1970 UTC).
[[nodiscard]] bool SetModifiedTime(std::intptr_t file, std::int64_t unix_ms);

// Clears what made the temporary file hidden and would follow it to its
// final name (Windows' hidden attribute); nothing to do on POSIX.
[[nodiscard]] bool Reveal(std::intptr_t file);

// Closes the file; false when the system reports that data were lost.
[[nodiscard]] bool CloseFile(std::intptr_t file);

// Renames `from` to `to` in the folder unless `to` exists: never replaces.
[[nodiscard]] Outcome RenameWithoutReplacing(const Folder& folder, const std::string& from,
                                             const std::string& to);

void RemoveFile(const Folder& folder, const std::string& name);

}  // namespace orvane::platform::upload_sys
