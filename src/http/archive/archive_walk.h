// The walk through a folder that collects an archive's entries: what the
// folder's listing shows, folders with everything under them, as the
// listing's rules decide.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "http/archive/archive_body.h"
#include "http/archive/zip_records.h"
#include "platform/file.h"

namespace orvane {

// More entries than this are refused with a page that says so.
inline constexpr std::size_t kMaxArchiveEntries = 100000;

struct ArchiveWalk {
  enum class Outcome {
    kDone,
    kTooMany,     // more than the limit of entries
    kNotAnEntry,  // a ticked name the folder's listing does not show
    kUnreadable,  // a folder that cannot be read whole, or a path too long for a header
  };
  Outcome outcome = Outcome::kDone;
  std::vector<ArchiveEntry> entries;  // kDone only
  std::string problem;  // the ticked name, or the folder's path in the archive ("" for the top)
  // Where the entries' files are: the site folder and the walked folder's
  // path under it, both UTF-8 ("" or "\a\b").
  std::string root;
  std::string folder;
};

// The entries under `folder` (as FileNameOf makes it), or only the ticked
// ones of its entries (`ticked` non-null: UTF-8 names, each a folder's
// entry as its listing shows it) with everything under those. Left out as
// the listing leaves them out: hidden entries, names the path rules refuse
// or that are not UTF-8, what is neither a file nor a folder. Links are
// followed as the listing follows them, but a folder met again along the
// path that leads to it (a link or junction back to a parent) is not entered
// again. A folder with nothing to show becomes an entry of its own. Entries
// come in a fixed order (names by their bytes, depth first), so that the
// same folder gives the same archive, byte for byte, to a resumed download.
[[nodiscard]] ArchiveWalk WalkForArchive(const platform::FileName& folder,
                                         const std::vector<std::string>* ticked,
                                         std::size_t max_entries = kMaxArchiveEntries);

// Opens the walked entries' files from the disk.
[[nodiscard]] std::unique_ptr<EntryOpener> DiskEntryOpener(const ArchiveWalk& walk);

// The text by which the CRC cache knows the walked folder's entries: the
// folder's full path.
[[nodiscard]] std::string CachePrefixOf(const ArchiveWalk& walk);

}  // namespace orvane
