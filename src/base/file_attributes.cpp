#include "base/file_attributes.h"

namespace orvane {

namespace {

// IsReparseTagNameSurrogate's bit: the tag names another file or folder.
constexpr std::uint32_t kNameSurrogateBit = 0x20000000;

}  // namespace

FoundKind ClassifyFoundEntry(std::uint32_t attributes, std::uint32_t reparse_tag) {
  if ((attributes & kAttributeReparsePoint) != 0) {
    if ((reparse_tag & kNameSurrogateBit) != 0) return FoundKind::kFollowLink;
    switch (reparse_tag) {
      case kReparseTagAfUnix:
      case kReparseTagLxFifo:
      case kReparseTagLxCharDevice:
      case kReparseTagLxBlockDevice:
      case kReparseTagAppExecLink:
        return FoundKind::kLeaveOut;
      default:
        break;
    }
  }
  return (attributes & kAttributeDirectory) != 0 ? FoundKind::kFolder : FoundKind::kFile;
}

bool HiddenFromExplorer(std::uint32_t attributes) { return (attributes & kAttributeHidden) != 0; }

bool IsCloudPlaceholder(std::uint32_t attributes) {
  return (attributes &
          (kAttributeOffline | kAttributeRecallOnOpen | kAttributeRecallOnDataAccess)) != 0;
}

std::int64_t UnixSecondsFromFileTime(std::uint64_t ticks) {
  // 1970 is 11644473600 s after 1601.
  return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

}  // namespace orvane
