#include "http/archive/download_name.h"

#include <algorithm>
#include <cctype>

#include "http/core/url_decode.h"

namespace orvane {

namespace {

constexpr std::string_view kFallbackName = "archive.zip";

// The last segment of `path` after trailing separators are dropped.
std::string_view LastSegment(std::string_view path) {
  while (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.remove_suffix(1);
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool IsAsciiAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string ArchiveFileName(std::string_view folder_path, std::string_view site_root) {
  std::string_view name = LastSegment(folder_path);
  if (name.empty()) name = LastSegment(site_root);
  if (name.empty() || name.find(':') != std::string_view::npos) return std::string(kFallbackName);
  return std::string(name) + ".zip";
}

std::string ContentDispositionFor(std::string_view file_name) {
  std::string plain;
  for (std::size_t i = 0; i < file_name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(file_name[i]);
    if (byte >= 0x80) {
      // One "_" for the whole character: skip its continuation bytes.
      while (i + 1 < file_name.size() &&
             (static_cast<unsigned char>(file_name[i + 1]) & 0xC0) == 0x80)
        ++i;
      plain.push_back('_');
    } else if (byte < 0x20 || byte == 0x7F || byte == '"' || byte == '\\' || byte == '%') {
      plain.push_back('_');
    } else {
      plain.push_back(static_cast<char>(byte));
    }
  }
  const std::string_view stem = std::string_view(plain).substr(0, plain.rfind('.'));
  if (std::none_of(stem.begin(), stem.end(), IsAsciiAlnum)) plain = kFallbackName;
  return "attachment; filename=\"" + plain + "\"; filename*=UTF-8''" + PercentEncode(file_name);
}

}  // namespace orvane
