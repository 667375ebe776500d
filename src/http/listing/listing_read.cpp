#include "http/listing/listing_read.h"

#include <utility>

#include "http/site_files.h"
#include "platform/codepage.h"
#include "platform/clock.h"
#include "platform/name_order.h"

namespace orvane {

std::optional<FolderListing> ReadFolderListing(const platform::FileName& name, std::string heading,
                                               std::size_t cap) {
  std::optional<std::vector<platform::FolderEntry>> found = platform::ListFolder(name);
  if (!found) return std::nullopt;
  return ListingOf(std::move(*found), std::move(heading), cap);
}

FolderListing ListingOf(std::vector<platform::FolderEntry> found, std::string heading,
                        std::size_t cap) {
  FolderListing listing;
  listing.path = std::move(heading);
  listing.cap = cap;
  listing.entries.reserve(found.size());
  // Files made together share their time: each second is converted once.
  std::int64_t converted_seconds = 0;
  LocalTime converted;
  bool any_converted = false;
  for (platform::FolderEntry& entry : found) {
    const ListedName kind = ClassifyListedName(entry.name, entry.hidden);
    if (kind == ListedName::kNotWritable || kind == ListedName::kRefused) ++listing.left_out;
    if (kind != ListedName::kListed) continue;
    if (!any_converted || entry.changed_unix_seconds != converted_seconds) {
      converted = platform::LocalTimeFromUnixSeconds(entry.changed_unix_seconds);
      converted_seconds = entry.changed_unix_seconds;
      any_converted = true;
    }
    listing.entries.push_back(ListingEntry{std::move(entry.name), entry.is_folder, entry.size,
                                           converted, entry.changed_unix_seconds, entry.in_cloud});
  }
  return listing;
}

std::optional<std::string> ListingPageOf(const Target& target, std::string_view top,
                                         TileSource* tiles, Gate& gate, std::int64_t deadline_ms,
                                         std::size_t cap) {
  const GateTurn turn(gate, deadline_ms);
  if (!turn.entered()) return std::nullopt;
  const platform::FileName folder = FileNameOf(target.path);
  std::optional<FolderListing> listing = ReadFolderListing(folder, target.heading, cap);
  if (!listing) return std::nullopt;
  // The entries' names are UTF-8; so must the folder's be to join them.
  std::optional<std::string> relative(std::string(folder.relative));
  if (!folder.relative_is_utf8) relative = platform::AnsiToUtf8(folder.relative);
  if (tiles != nullptr && relative) {
    listing->tile_of = [tiles, utf8_folder = platform::FileName{folder.root, *relative, true}](
                           ListingEntry& entry) { tiles->TileOf(utf8_folder, entry); };
  }
  listing->name_less = &platform::NameLess;  // Explorer's order on Windows
  listing->top = top;
  listing->spelling = target.spelling;
  return RenderFolderListing(std::move(*listing));
}

}  // namespace orvane
