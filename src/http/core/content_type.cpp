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

}  // namespace

std::string_view ContentTypeForPath(std::string_view path) {
  // "." is never the second byte of a double-byte character in GBK or UTF-8,
  // so a plain byte search finds the right dot.
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return kOctetStreamType;
  std::string extension(path.substr(dot + 1));
  for (char& c : extension) c = AsciiLower(c);
  for (const ContentTypeRow& row : kContentTypeTable) {
    if (row.extension == extension) return row.value;
  }
  return kOctetStreamType;
}

bool AdvertisesByteRanges(std::string_view content_type) {
  return content_type == kOctetStreamType;
}

}  // namespace orvane
