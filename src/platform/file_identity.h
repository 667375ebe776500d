// Which file or folder a name leads to, as the system tells them apart: two
// names (through links or junctions) lead to the same one exactly when their
// identities are equal.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/file.h"

namespace orvane::platform {

struct FileIdentity {
  // POSIX: the device and the inode. Windows: the volume's serial number and
  // the file index NTFS keeps for the file.
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  friend bool operator==(const FileIdentity& a, const FileIdentity& b) {
    return a.volume == b.volume && a.index == b.index;
  }
  friend bool operator!=(const FileIdentity& a, const FileIdentity& b) { return !(a == b); }
};

// The identity of what `name` leads to, through every link on the way;
// nullopt when that cannot be looked at.
[[nodiscard]] std::optional<FileIdentity> IdentityOf(const FileName& name);

}  // namespace orvane::platform
