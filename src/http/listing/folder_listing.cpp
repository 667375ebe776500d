#include "http/listing/folder_listing.h"

#include <algorithm>
#include <cstdio>

#include "base/natural_order.h"
#include "http/core/page_text.h"
#include "http/core/path_map.h"
#include "http/core/reserved_paths.h"
#include "http/core/url_decode.h"
#include "http/listing/listing_pages.h"

namespace orvane {

namespace {

// "2026-03-05 07:09". Written digit by digit: a large folder has a time on
// every row, and a formatted print each costs more than the rest of the row.
void AppendTime(std::string& out, const LocalTime& t) {
  const int fields[] = {t.year, t.month, t.day, t.hour, t.minute};
  const bool plain = t.year >= 0 && t.year <= 9999 && t.month >= 0 && t.month <= 99 && t.day >= 0 &&
                     t.day <= 99 && t.hour >= 0 && t.hour <= 99 && t.minute >= 0 && t.minute <= 99;
  if (!plain) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", fields[0], fields[1], fields[2],
                  fields[3], fields[4]);
    out += text;
    return;
  }
  const auto two = [&out](int value) {
    out.push_back(static_cast<char>('0' + value / 10));
    out.push_back(static_cast<char>('0' + value % 10));
  };
  two(t.year / 100);
  two(t.year % 100);
  out.push_back('-');
  two(t.month);
  out.push_back('-');
  two(t.day);
  out.push_back(' ');
  two(t.hour);
  out.push_back(':');
  two(t.minute);
}

// The size and date under a name: "1.5 KB · 2026-03-05 07:09", the date
// alone for a folder.
void AppendDetails(std::string& out, const ListingEntry& entry) {
  if (!entry.is_folder) out.append(SizeText(entry.size)).append(" \xC2\xB7 ");  // a middle dot
  AppendTime(out, entry.changed);
}

// The tick box that puts an entry into the archive of the ticked ones.
void AppendTickBox(std::string& out, const ListingEntry& entry) {
  out += "<input type=\"checkbox\" name=\"n\" value=\"";
  AppendHtmlEscaped(out, entry.name);
  out += "\">";
}

void AppendRow(std::string& out, const ListingEntry& entry) {
  out += "<li>";
  AppendTickBox(out, entry);
  out += "<a href=\"";
  out += PercentEncode(entry.name);
  if (entry.is_folder) out.push_back('/');
  out += "\">";
  AppendHtmlEscaped(out, entry.name);
  if (entry.is_folder) out.push_back('/');
  out += "<span>";
  AppendDetails(out, entry);
  out += "</span></a></li>\n";
}

// A picture's (or a video's) tile: its thumbnail at /:thumb and the
// picture's own path, with the thumbnail's size so nothing moves as it
// loads, and the name under it.
void AppendTile(std::string& out, const ListingEntry& entry, std::string_view folder) {
  out += entry.tile == Tile::kVideo ? "<li class=\"video\">" : "<li>";
  AppendTickBox(out, entry);
  const std::string link = PercentEncode(entry.name);
  out.append("<a href=\"").append(link).append("\"><img src=\"").append(kThumbnailPath);
  out.append(folder).append(link).append("\" width=\"");
  out.append(std::to_string(entry.tile_width)).append("\" height=\"");
  out.append(std::to_string(entry.tile_height)).append("\" loading=\"lazy\" alt=\"\"><span>");
  AppendHtmlEscaped(out, entry.name);
  out += "</span><small>";
  AppendDetails(out, entry);
  out += "</small></a></li>\n";
}

}  // namespace

ListedName ClassifyListedName(std::string_view name, bool hidden) {
  // A hidden name is never counted either: the page does not tell of it.
  if (hidden) return ListedName::kHidden;
  // ASCII alone is UTF-8 too; IsNonAsciiUtf8 answers for the rest.
  const bool ascii = std::all_of(name.begin(), name.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii && !IsNonAsciiUtf8(name)) return ListedName::kNotWritable;
  if (IsRefusedName(name)) return ListedName::kRefused;
  return ListedName::kListed;
}

std::string RenderFolderListing(FolderListing listing) {
  std::vector<ListingEntry>& entries = listing.entries;
  const NameLessFn less = listing.name_less != nullptr ? listing.name_less : &NaturalLess;
  const auto order = [less](const ListingEntry& a, const ListingEntry& b) {
    if (a.is_folder != b.is_folder) return a.is_folder;
    return less(a.name, b.name);
  };
  const std::size_t shown = std::min(entries.size(), listing.cap);
  // A whole sort is quicker than a partial one that keeps everything. A
  // system's comparison need not be a strict weak order for every pair of
  // names: a stable sort's merge stays inside the range whatever it answers,
  // where std::sort's may not.
  if (shown == entries.size()) {
    std::stable_sort(entries.begin(), entries.end(), order);
  } else {
    std::partial_sort(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(shown),
                      entries.end(), order);
  }

  // The page's own bytes count toward the budget with the rows, as they
  // are held together while it is sent.
  const std::size_t fixed = pages::ListingPage().size() + pages::ListingStyle().size() +
                            pages::ListingScript().size() + listing.top.size() +
                            2 * listing.path.size() + 2 * listing.spelling.size();
  const std::size_t budget = listing.byte_budget > fixed ? listing.byte_budget - fixed : 0;
  // Folders, then the pictures as tiles, then the other files; each list in
  // the order sorted above.
  std::string rows;
  std::string tiles;
  std::string files;
  rows.reserve(std::min(shown * 160, budget + 4096));
  if (listing.path != "/")
    rows +=
        "<li><a href=\"../\">../<span>\xE4\xB8\x8A\xE4\xB8\x80\xE7\xBA\xA7</span></a></li>\n";  // 上一级
  std::size_t written = 0;
  while (written < shown && rows.size() + tiles.size() + files.size() < budget) {
    ListingEntry& entry = entries[written++];
    if (!entry.is_folder && listing.tile_of) listing.tile_of(entry);
    if (entry.is_folder) {
      AppendRow(rows, entry);
    } else if (entry.tile != Tile::kNone) {
      AppendTile(tiles, entry, listing.spelling);
    } else {
      AppendRow(files, entry);
    }
  }
  std::string notes;
  if (entries.size() > written) {
    // 另有 N 项未列出
    notes += "<p>\xE5\x8F\xA6\xE6\x9C\x89 " + std::to_string(entries.size() - written) +
             " \xE9\xA1\xB9\xE6\x9C\xAA\xE5\x88\x97\xE5\x87\xBA</p>\n";
  }
  if (listing.left_out > 0) {
    // N 个名称无法在网址中使用，未列出
    notes += "<p>" + std::to_string(listing.left_out) +
             " \xE4\xB8\xAA\xE5\x90\x8D\xE7\xA7\xB0\xE6\x97\xA0\xE6\xB3\x95\xE5\x9C\xA8"
             "\xE7\xBD\x91\xE5\x9D\x80\xE4\xB8\xAD\xE4\xBD\xBF\xE7\x94\xA8\xEF\xBC\x8C"
             "\xE6\x9C\xAA\xE5\x88\x97\xE5\x87\xBA</p>\n";
  }
  const std::string path = HtmlEscaped(listing.path);
  const std::string zip = std::string(kArchivePath) + listing.spelling;
  return FillPage(pages::ListingPage(), {{"path", path},
                                         {"style", pages::ListingStyle()},
                                         {"top", listing.top},
                                         {"zip", zip},
                                         {"rows", rows},
                                         {"tiles", tiles},
                                         {"files", files},
                                         {"notes", notes},
                                         {"script", pages::ListingScript()}});
}

}  // namespace orvane
