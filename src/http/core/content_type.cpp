#include "http/core/content_type.h"

#include <string>

#include "http/core/text_rules.h"

namespace orvane {

namespace {

struct ContentTypeRow {
  std::string_view extension;
  std::string_view value;
};

// "jeg" rather than "jpeg" and the x-xbitmap type for bitmaps are what this
// server has always sent; clients have adapted to them.
constexpr ContentTypeRow kContentTypeTable[] = {
    {"gif", "image/gif"},       {"jpg", "image/jpeg"}, {"jeg", "image/jpeg"},
    {"bmp", "image/x-xbitmap"}, {"htm", "text/html"},  {"html", "text/html"},
    {"shtml", "text/html"},     {"js", "text/plain"},  {"vbs", "text/plain"},
    {"txt", "text/plain"},
};

// The types that browsers and phones open in place, as the registered media
// types name them. "jeg" and "vbs" stay from the original table so that
// switching to this one takes nothing away.
// clang-format off
constexpr ContentTypeRow kCommonTypeTable[] = {
    {"htm", "text/html"}, {"html", "text/html"}, {"shtml", "text/html"},
    {"css", "text/css"}, {"js", "text/javascript"}, {"mjs", "text/javascript"},
    {"json", "application/json"}, {"txt", "text/plain"}, {"vbs", "text/plain"},
    {"png", "image/png"}, {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"}, {"jpe", "image/jpeg"},
    {"jfif", "image/jpeg"}, {"jeg", "image/jpeg"}, {"gif", "image/gif"}, {"bmp", "image/bmp"},
    {"webp", "image/webp"}, {"svg", "image/svg+xml"}, {"ico", "image/vnd.microsoft.icon"},
    {"avif", "image/avif"}, {"heic", "image/heic"}, {"heif", "image/heif"},
    {"mp4", "video/mp4"}, {"m4v", "video/mp4"}, {"webm", "video/webm"},
    {"mov", "video/quicktime"}, {"mkv", "video/x-matroska"}, {"ogv", "video/ogg"},
    {"mp3", "audio/mpeg"}, {"m4a", "audio/mp4"}, {"aac", "audio/aac"}, {"ogg", "audio/ogg"},
    {"oga", "audio/ogg"}, {"opus", "audio/ogg"}, {"wav", "audio/x-wav"}, {"flac", "audio/flac"},
    {"pdf", "application/pdf"}, {"zip", "application/zip"}, {"gz", "application/gzip"},
    {"tar", "application/x-tar"}, {"7z", "application/x-7z-compressed"},
    {"rar", "application/vnd.rar"}, {"apk", "application/vnd.android.package-archive"},
    {"epub", "application/epub+zip"}, {"woff", "font/woff"}, {"woff2", "font/woff2"},
    {"ttf", "font/ttf"}, {"otf", "font/otf"}, {"wasm", "application/wasm"},
};
// clang-format on

template <std::size_t N>
std::string_view Lookup(std::string_view path, const ContentTypeRow (&table)[N],
                        std::string_view fallback) {
  // "." is never the second byte of a double-byte character in GBK or UTF-8,
  // so a plain byte search finds the right dot.
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return fallback;
  std::string extension(path.substr(dot + 1));
  for (char& c : extension) c = AsciiLower(c);
  for (const ContentTypeRow& row : table) {
    if (row.extension == extension) return row.value;
  }
  return fallback;
}

}  // namespace

std::string_view ContentTypeForPath(std::string_view path) {
  return Lookup(path, kContentTypeTable, kOctetStreamType);
}

std::string_view ContentTypeForPath(std::string_view path, ContentTypes types) {
  if (types == ContentTypes::kCommon) return Lookup(path, kCommonTypeTable, kCommonOctetStreamType);
  return ContentTypeForPath(path);
}

std::vector<std::string_view> CommonTypeExtensions() {
  std::vector<std::string_view> extensions;
  for (const ContentTypeRow& row : kCommonTypeTable) extensions.push_back(row.extension);
  return extensions;
}

bool AdvertisesByteRanges(std::string_view content_type) {
  return content_type == kOctetStreamType;
}

}  // namespace orvane
