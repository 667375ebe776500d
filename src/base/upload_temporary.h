// The temporary names received files are written under, and which files of
// such a name are leftovers that a sweep may remove. Pure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// Every temporary name starts and ends so (a folder search's pattern).
inline constexpr std::string_view kUploadTemporaryPrefix = ".orvane-";
inline constexpr std::string_view kUploadTemporarySuffix = ".part";

// A file that has not been written for this long is no upload under way.
inline constexpr std::int64_t kLeftoverUploadSeconds = 24 * 60 * 60;

// ".orvane-", the 16 lowercase hex digits of `random` (8 bytes), ".part": a
// leading dot, which no received file's name has.
[[nodiscard]] std::string UploadTemporaryName(std::string_view random);

// True when `name` has the form UploadTemporaryName gives and the file was
// last written more than kLeftoverUploadSeconds before `now` (both seconds
// since 1970 UTC): what an upload left when the program was killed. A
// younger one may be an upload under way, here or in another copy of the
// program; a name of any other form is never this program's.
[[nodiscard]] bool IsLeftoverUpload(std::string_view name, std::int64_t written_unix_seconds,
                                    std::int64_t now_unix_seconds);

}  // namespace orvane
