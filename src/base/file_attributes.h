// How a folder listing treats an entry that Windows describes by attribute
// bits and a reparse tag: which entries it shows, which it looks through to
// what they lead to, and which files a cloud provider still has to fetch.
// Pure, with winnt.h's values spelled out, so the rules build and are tested
// on every system; the Windows backend feeds them what the system found.
#pragma once

#include <cstdint>

namespace orvane {

inline constexpr std::uint32_t kAttributeHidden = 0x2;
inline constexpr std::uint32_t kAttributeSystem = 0x4;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400;
inline constexpr std::uint32_t kAttributeOffline = 0x1000;
inline constexpr std::uint32_t kAttributeRecallOnOpen = 0x40000;
inline constexpr std::uint32_t kAttributeRecallOnDataAccess = 0x400000;

inline constexpr std::uint32_t kReparseTagMountPoint = 0xA0000003;  // junctions, mounted volumes
inline constexpr std::uint32_t kReparseTagSymlink = 0xA000000C;
inline constexpr std::uint32_t kReparseTagAppExecLink = 0x8000001B;
inline constexpr std::uint32_t kReparseTagAfUnix = 0x80000023;
inline constexpr std::uint32_t kReparseTagLxFifo = 0x80000024;
inline constexpr std::uint32_t kReparseTagLxCharDevice = 0x80000025;
inline constexpr std::uint32_t kReparseTagLxBlockDevice = 0x80000026;
inline constexpr std::uint32_t kReparseTagCloud = 0x9000001A;  // OneDrive's placeholders

// What a listing does with an entry.
enum class FoundKind {
  kFile,
  kFolder,
  // A link (a name surrogate: symbolic link, junction, WSL link): the entry
  // describes the link, so kind, size and time come from what it leads to,
  // and it is left out when that cannot be opened.
  kFollowLink,
  // Neither a file nor a folder that a request can read (an AF_UNIX socket,
  // a WSL FIFO or device, an app's execution alias): never listed.
  kLeaveOut,
};

// The kind of an entry from its attributes and, with the reparse point
// attribute only (the tag means nothing without it), its reparse tag. Other
// reparse points (cloud placeholders, deduplicated or compressed files) hold
// ordinary data behind a filter and are what their attributes say.
[[nodiscard]] FoundKind ClassifyFoundEntry(std::uint32_t attributes, std::uint32_t reparse_tag);

// True when Explorer's default view does not show the entry: it is hidden.
// The system attribute alone hides nothing; protected system files carry
// both, and only the option "hide protected operating system files", which
// hides them even when hidden items are shown, looks at it.
[[nodiscard]] bool HiddenFromExplorer(std::uint32_t attributes);

// True for a file whose data a cloud provider (OneDrive, ...) or a storage
// tier may still have to fetch: its first read can wait for the network.
[[nodiscard]] bool IsCloudPlaceholder(std::uint32_t attributes);

// A FILETIME (100-ns ticks since 1601 UTC) as whole seconds since 1970 UTC,
// rounded down.
[[nodiscard]] std::int64_t UnixSecondsFromFileTime(std::uint64_t ticks);

}  // namespace orvane
