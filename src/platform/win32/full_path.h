// A folder's name as a full path, for the long form the backends build.
#pragma once

#include <optional>
#include <string>

namespace orvane::platform {

// `folder` as a full path ending in "\", read as the ordinary form reads a
// folder before "\name": relative to the current folder, "/" and ".."
// resolved; "D:" is that drive's root and an empty name the current drive's
// root, which is why a separator is added before asking. nullopt when the
// system cannot make it full.
[[nodiscard]] std::optional<std::wstring> FullFolderPath(const std::wstring& folder);

}  // namespace orvane::platform
