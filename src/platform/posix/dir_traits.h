// The owner kind of an open directory stream, for UniqueResource; closing
// the stream closes its descriptor too.
#pragma once

#include <dirent.h>

namespace orvane::platform {

struct DirTraits {
  using Handle = DIR*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { closedir(handle); }
};

}  // namespace orvane::platform
