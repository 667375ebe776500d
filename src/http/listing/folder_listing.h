// The page that lists a folder of the site: which names are shown, in what
// order, and the HTML that shows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/local_time.h"

namespace orvane {

// The most entries one page lists; a line says how many more there are.
inline constexpr std::size_t kListingCap = 10000;
// Rows stop once the page has grown past this many bytes (long names full
// of "&" make a row many times the name), so a page costs at most about
// this much memory while it is sent; the line for the rest counts them too.
inline constexpr std::size_t kListingByteBudget = 2 * 1024 * 1024;

// The order of names within the folders and within the files.
using NameLessFn = bool (*)(std::string_view, std::string_view);

// Whether an entry found in a folder appears on its page.
enum class ListedName {
  kListed,
  kHidden,       // hidden or system: the operator did not mean to share it
  kRefused,      // no request path can name it, so its link could not work
  kNotWritable,  // not UTF-8 text: left out, and counted on the page as refused ones are
};

// `name` as the system gave it, in UTF-8 where it is text; `hidden` when
// the system marks the entry hidden or system (on POSIX, a name that begins
// with ".").
[[nodiscard]] ListedName ClassifyListedName(std::string_view name, bool hidden);

// How a file is shown: a row, or a tile with its thumbnail (a picture, or a
// video whose thumbnail the system makes).
enum class Tile { kNone, kPicture, kVideo };

struct ListingEntry {
  std::string name;  // UTF-8, as ClassifyListedName let it through
  bool is_folder = false;
  std::uint64_t size = 0;  // files only
  LocalTime changed;
  std::int64_t changed_unix_seconds = 0;  // the same time, as the file system gave it
  bool in_cloud = false;  // a cloud placeholder: reading it may fetch it from the network
  Tile tile = Tile::kNone;
  // A tile's thumbnail size, written in its tag so the page does not move
  // as thumbnails load.
  int tile_width = 0;
  int tile_height = 0;
};

struct FolderListing {
  // The folder's path under the site folder as the request named it,
  // decoded, in UTF-8: "/" for the site folder itself, else "/a/b/".
  std::string path;
  std::vector<ListingEntry> entries;  // in any order
  // Names left out because no link could fetch them: not UTF-8, or refused
  // by the path rules.
  std::size_t left_out = 0;
  std::size_t cap = kListingCap;  // the most entries the page shows
  std::size_t byte_budget = kListingByteBudget;
  NameLessFn name_less = nullptr;  // null: NaturalLess
  // Sets a file's tile and its size once the page is sure to show it, so a
  // file's header is read only for a tile that is written; null: each file
  // keeps the tile it has.
  std::function<void(ListingEntry&)> tile_of = nullptr;
  // HTML of another feature put under the heading (the upload area); it
  // must outlive the rendering.
  std::string_view top = {};
  // The same path as the folder's own spelling in an address: "/" or
  // "/a%20b/c/" (each segment percent-encoded); its thumbnails and its
  // archive are addressed under it.
  std::string spelling = "/";
};

// The whole UTF-8 HTML page (listing.html filled in): the folder's path as
// its heading, `top` under it, the links to its archive (all, or the ticked
// entries), a link to the parent folder except at "/", then in `name_less`
// order the folders, the pictures as tiles and the other files, each with
// its size and last change and a tick box, at most `cap` of them and no
// more once the page is past `byte_budget`, then a line for the rest and one
// for the names left out.
std::string RenderFolderListing(FolderListing listing);

}  // namespace orvane
