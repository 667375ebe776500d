// An open file of the site folder as a COM stream, so that the Windows
// Imaging Component reads a picture through the file layer (its waits for a
// cloud file, its end on a stop) like every other read of the server.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "platform/file.h"

namespace orvane::platform {

// A new read-only IStream over `file`, with one reference for the caller;
// null when no memory is left.
[[nodiscard]] IStream* NewFileStream(ReadOnlyFile file);

}  // namespace orvane::platform
