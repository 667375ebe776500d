#include "http/core/folder_listing.h"

#include <algorithm>
#include <cstdio>

#include "base/natural_order.h"
#include "http/core/path_map.h"
#include "http/core/upload_page.h"
#include "http/core/url_decode.h"

namespace orvane {

namespace {

// Sized for a phone of 360 CSS pixels: text at the browser's own size, rows
// at least 48 pixels high to tap, long names broken anywhere rather than
// widening the page; the colours follow the system's light or dark scheme.
constexpr std::string_view kStyle =
    ":root{color-scheme:light dark}"
    "body{margin:0;font:16px/1.4 system-ui,sans-serif;background:#fff;color:#1b1b1b}"
    "h1{font-size:1.2em;margin:0;padding:14px 16px;border-bottom:1px solid #ccc;"
    "overflow-wrap:anywhere}"
    "ul{list-style:none;margin:0;padding:0}"
    "a{display:block;min-height:48px;box-sizing:border-box;padding:12px 16px;"
    "border-bottom:1px solid #e4e4e4;color:#0b57d0;text-decoration:none;overflow-wrap:anywhere}"
    "a span{display:block;font-size:.85em;color:#5f6368}"
    "p{margin:0;padding:12px 16px;color:#5f6368}"
    "@media (prefers-color-scheme:dark){body{background:#121212;color:#e8e8e8}"
    "h1{border-color:#444}a{border-color:#2c2c2c;color:#8ab4f8}a span,p{color:#a8a8a8}}";

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out.push_back(c);
    }
  }
}

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

void AppendRow(std::string& out, const ListingEntry& entry) {
  out += "<li><a href=\"";
  out += PercentEncode(entry.name);
  if (entry.is_folder) out.push_back('/');
  out += "\">";
  AppendEscaped(out, entry.name);
  if (entry.is_folder) out.push_back('/');
  out += "<span>";
  if (!entry.is_folder) out.append(SizeText(entry.size)).append(" \xC2\xB7 ");  // a middle dot
  AppendTime(out, entry.changed);
  out += "</span></a></li>\n";
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

std::string SizeText(std::uint64_t size) {
  if (size < 1024) return std::to_string(size) + " B";
  static constexpr std::string_view kUnits[] = {"KB", "MB", "GB"};
  std::uint64_t unit = 1024;
  std::size_t index = 0;
  // Tenths of the unit, rounded half up, computed without overflow for any
  // 64-bit size; a value that rounds to 1024.0 moves to the next unit.
  for (;;) {
    const std::uint64_t whole = size / unit;
    const std::uint64_t tenths = whole * 10 + ((size % unit) * 10 + unit / 2) / unit;
    if (tenths < 10240 || index + 1 == std::size(kUnits)) {
      return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " +
             std::string(kUnits[index]);
    }
    unit *= 1024;
    ++index;
  }
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

  std::string out;
  out.reserve(std::min(1024 + shown * 160, listing.byte_budget + 4096));
  out +=
      "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
  AppendEscaped(out, listing.path);
  out += "</title>\n<style>";
  out += kStyle;
  out += "</style>\n</head>\n<body>\n<h1>";
  AppendEscaped(out, listing.path);
  out += "</h1>\n";
  if (listing.upload_area) out += UploadArea();
  out += "<ul>\n";
  if (listing.path != "/")
    out +=
        "<li><a href=\"../\">../<span>\xE4\xB8\x8A\xE4\xB8\x80\xE7\xBA\xA7</span></a></li>\n";  // 上一级
  std::size_t written = 0;
  while (written < shown && out.size() < listing.byte_budget) AppendRow(out, entries[written++]);
  out += "</ul>\n";
  if (entries.size() > written) {
    // 另有 N 项未列出
    out += "<p>\xE5\x8F\xA6\xE6\x9C\x89 " + std::to_string(entries.size() - written) +
           " \xE9\xA1\xB9\xE6\x9C\xAA\xE5\x88\x97\xE5\x87\xBA</p>\n";
  }
  if (listing.left_out > 0) {
    // N 个名称无法在网址中使用，未列出
    out += "<p>" + std::to_string(listing.left_out) +
           " \xE4\xB8\xAA\xE5\x90\x8D\xE7\xA7\xB0\xE6\x97\xA0\xE6\xB3\x95\xE5\x9C\xA8"
           "\xE7\xBD\x91\xE5\x9D\x80\xE4\xB8\xAD\xE4\xBD\xBF\xE7\x94\xA8\xEF\xBC\x8C"
           "\xE6\x9C\xAA\xE5\x88\x97\xE5\x87\xBA</p>\n";
  }
  out += "</body>\n</html>\n";
  return out;
}

}  // namespace orvane
