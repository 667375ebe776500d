// The listing's part of the service: a folder of the site read from the
// file system and made into its page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/core/resolve.h"
#include "http/listing/folder_listing.h"
#include "http/gate.h"
#include "platform/file.h"

namespace orvane {

// The listing of the folder `name` names, under the heading `heading`:
// hidden entries and names no request can fetch left out (the latter
// counted); nullopt when the folder cannot be read whole.
std::optional<FolderListing> ReadFolderListing(const platform::FileName& name, std::string heading,
                                               std::size_t cap);
// ReadFolderListing's part once the folder was read: the entries found, in
// the order the system gave them, made into the page's listing, each with
// its own time in this machine's time zone.
FolderListing ListingOf(std::vector<platform::FolderEntry> found, std::string heading,
                        std::size_t cap);

// Which files of a listing are shown as tiles, and the size of each one's
// thumbnail: the thumbnails' feature answers it.
class TileSource {
 public:
  virtual ~TileSource() = default;
  // Sets `entry`'s tile and its size, for a file the page shows; `folder`
  // is the folder's file name with its names in UTF-8.
  virtual void TileOf(const platform::FileName& folder, ListingEntry& entry) = 0;
};

// The page of the folder a kListing target names, with `top` under its
// heading and the tiles `tiles` gives (rows only when null), in Explorer's
// order on Windows; nullopt (a 500) when the folder cannot be read whole or
// its turn in `gate` does not come before `deadline_ms` (monotonic).
std::optional<std::string> ListingPageOf(const Target& target, std::string_view top,
                                         TileSource* tiles, Gate& gate, std::int64_t deadline_ms,
                                         std::size_t cap);

}  // namespace orvane
