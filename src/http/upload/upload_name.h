// The name a received file is stored under, from the name the client sent.
// Pure. The names to fall back on when it is taken (FreeNameCandidate) come
// with it.
#pragma once

#include <string>
#include <string_view>

#include "base/free_name.h"

namespace orvane {

// A name Windows and Linux both take as one plain, visible file of this
// folder: only what follows the last "/"; UTF-8 kept, each byte that
// is not part of a UTF-8 character, each control character (C0, DEL, C1
// and the bidirectional controls that can disguise an extension) and each of
// <>:"/\|?* made "_"; final dots and spaces dropped; a leading dot made "_"
// (never hidden, never "." or ".."); a Windows device name ("CON",
// "com1.txt", in any case) given a leading "_"; at most kMaxUploadNameBytes,
// cut between characters, an extension of up to kMaxKeptExtensionBytes
// kept. "upload" when nothing is left.
[[nodiscard]] std::string SafeUploadName(std::string_view filename);

}  // namespace orvane
