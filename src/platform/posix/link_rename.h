// Renaming without replacing where the file system has no such rename: a
// second link under the new name (which fails when the name exists), then
// the old name removed.
#pragma once

#include "platform/upload_file_sys.h"

namespace orvane::platform::upload_sys {

// `from` and `to` are names in the folder open as `folder_fd`.
[[nodiscard]] Outcome RenameByLink(int folder_fd, const char* from, const char* to);

}  // namespace orvane::platform::upload_sys
