#include <sys/stat.h>

#include <string>

#include "platform/file_identity.h"

namespace orvane::platform {

std::optional<FileIdentity> IdentityOf(const FileName& name) {
  std::string path;
  path.reserve(name.root.size() + name.relative.size());
  path.append(name.root).append(name.relative);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace orvane::platform
