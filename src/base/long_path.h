// The long ("\\?\") form of a file name under the site folder. Windows opens
// a name in that form whatever its length, but takes it literally: no "/" to
// "\", no "." or "..", no trimming of trailing dots and spaces. So the form is
// built only from a path the mapping has already confined, and whatever the
// ordinary form would still have cleaned up is done, or refused, here.
// Pure: UTF-16 text in, UTF-16 text out; the Windows backend calls it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// `full_root` is the site folder as a full path, as GetFullPathNameW gives it
// ("C:\site", "C:\", "\\server\share\site", or already "\\?\..." or
// "\\.\...", which stay as they are); `relative` is empty or "\" followed by
// segments. Drive paths get "\\?\", shares "\\?\UNC\". The last segment loses
// trailing dots and spaces, as the ordinary form would drop them. nullopt for
// a root that is not a full path, and for a relative part that is not clean:
// a "/", an empty, "." or ".." segment, an inner segment that ends in a dot or
// a space, or a last segment of dots and spaces only.
std::optional<std::wstring> LongPathForm(std::wstring_view full_root, std::wstring_view relative);

}  // namespace orvane
