// What a name of the site folder leads to, looked at as a request opens it:
// through every symbolic link and junction on the way. GetFileAttributesW
// alone describes a link itself, where POSIX's stat follows it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace orvane::platform {

// The attributes of what `path` (a full path, in the long form) names once
// its links are followed; nullopt when nothing is there or a link leads
// nowhere the server may look (a dangling link, a loop, a WSL link, which
// Windows cannot follow, a place it may not enter).
[[nodiscard]] std::optional<DWORD> AttributesThroughLinks(const std::wstring& path);

// For tests only: what reads a name's own attributes in place of
// GetFileAttributesW (nullptr: GetFileAttributesW again), so that a test
// can present names as NTFS presents its links on a file system that has
// none.
void SetOwnAttributesForTest(DWORD (*own_attributes)(const wchar_t* path));

}  // namespace orvane::platform
