// The system calls a received file is written and put in place with, one
// backend per system; UploadFile (upload_file.cpp) builds on them. Private to
// the platform layer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/free_name.h"
#include "platform/file.h"
#include "platform/unique_resource.h"
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
// it for writing into `file`; never opens a file that exists (kTaken). On
// Windows the file is marked to be deleted when its handle closes, so that
// not even a killed program leaves it behind, and it carries the Mark of the
// Web where the volume keeps named streams.
[[nodiscard]] Outcome CreateNewFile(const Folder& folder, const std::string& name,
                                    std::intptr_t& file);

// Every byte, or the reason why not.
[[nodiscard]] WriteResult WriteAll(std::intptr_t file, std::string_view bytes);

// Sets the file's modification time (milliseconds since 1970 UTC).
[[nodiscard]] bool SetModifiedTime(std::intptr_t file, std::int64_t unix_ms);

// Clears what made the temporary file hidden and would follow it to its
// final name (Windows' hidden attribute; its other attributes stay);
// nothing to do on POSIX.
[[nodiscard]] bool Reveal(std::intptr_t file);

// Ends the writing before the rename. POSIX closes the file here, false when
// the close reports that data were lost (a network file system); Windows
// keeps it open, as it renames by the handle.
[[nodiscard]] bool EndWriting(UniqueResource<FileTraits>& file);

// Whether a file, folder or link of this name is in the folder.
[[nodiscard]] NameLook LookAt(const Folder& folder, const std::string& name);

// Renames the temporary file `from` (open as `file` until EndWriting closed
// it) to `to` unless `to` exists: never replaces. On Windows, a rename
// refused because another program holds the file for a moment (a virus
// scanner, the search indexer) is tried again for up to kBusyRetryMs.
[[nodiscard]] Outcome RenameWithoutReplacing(const Folder& folder, std::intptr_t file,
                                             const std::string& from, const std::string& to);

// Closes the file (if EndWriting left it open); false when the system
// reports that data were lost.
[[nodiscard]] bool CloseFile(std::intptr_t file);

void RemoveFile(const Folder& folder, const std::string& name);

// How long a rename refused by a sharing violation is tried again.
inline constexpr int kBusyRetryMs = 2000;

// For tests only, and only in the Windows backend: called before each rename
// attempt; a nonzero system error code it returns is taken as that attempt's
// failure, as if another program held the file, and 0 lets the real rename
// run. An empty function (the default) injects nothing.
void SetRenameFaultForTest(std::function<unsigned long()> fault);

}  // namespace orvane::platform::upload_sys
