// The page that lists a folder of the site: which names are shown, in what
// order, and the HTML that shows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/local_time.h"

namespace orvane {

// The most entries one page lists; a line says how many more there are.
inline constexpr std::size_t kListingCap = 10000;

// Whether an entry found in a folder appears on its page.
enum class ListedName {
  kListed,
  kHidden,       // hidden or system: the operator did not mean to share it
  kRefused,      // no request path can name it, so its link could not work
  kNotWritable,  // not UTF-8 text: left out, and counted on the page
};

// `name` as the system gave it, in UTF-8 where it is text; `hidden` when
// the system marks the entry hidden or system (on POSIX, a name that begins
// with ".").
[[nodiscard]] ListedName ClassifyListedName(std::string_view name, bool hidden);

struct ListingEntry {
  std::string name;  // UTF-8, as ClassifyListedName let it through
  bool is_folder = false;
  std::uint64_t size = 0;  // files only
  LocalTime changed;
};

struct FolderListing {
  // The folder's path under the site folder as the request named it,
  // decoded, in UTF-8: "/" for the site folder itself, else "/a/b/".
  std::string path;
  std::vector<ListingEntry> entries;  // in any order
  std::size_t not_writable = 0;       // names left out as not UTF-8
  std::size_t cap = kListingCap;      // the most entries the page shows
};

// The whole UTF-8 HTML page: the folder's path as its heading, a link to the
// parent folder except at "/", folders then files in NaturalLess order with
// their size and last change, at most `cap` of them, then a line for
// the rest and one for the names left out as not UTF-8.
std::string RenderFolderListing(FolderListing listing);

// "512 B", "1.5 KB", "20.0 MB", "3.2 GB": binary units, one decimal past B.
std::string SizeText(std::uint64_t size);

// Every byte but the unreserved ones (letters, digits, "-", ".", "_", "~")
// as "%XY", so that the URL decoding of a request gives back `name`.
std::string PercentEncode(std::string_view name);

}  // namespace orvane
