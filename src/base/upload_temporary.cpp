#include "base/upload_temporary.h"

namespace orvane {

namespace {

constexpr std::string_view kPrefix = kUploadTemporaryPrefix;
constexpr std::string_view kSuffix = kUploadTemporarySuffix;
constexpr std::size_t kHexDigits = 16;
constexpr char kHex[] = "0123456789abcdef";

}  // namespace

std::string UploadTemporaryName(std::string_view random) {
  std::string name(kPrefix);
  for (const char c : random.substr(0, kHexDigits / 2)) {
    const auto byte = static_cast<unsigned char>(c);
    name += kHex[byte >> 4];
    name += kHex[byte & 0x0F];
  }
  name += kSuffix;
  return name;
}

bool IsLeftoverUpload(std::string_view name, std::int64_t written_unix_seconds,
                      std::int64_t now_unix_seconds) {
  if (name.size() != kPrefix.size() + kHexDigits + kSuffix.size() ||
      name.substr(0, kPrefix.size()) != kPrefix ||
      name.substr(name.size() - kSuffix.size()) != kSuffix) {
    return false;
  }
  for (const char c : name.substr(kPrefix.size(), kHexDigits)) {
    if (std::string_view(kHex).find(c) == std::string_view::npos) return false;
  }
  return now_unix_seconds - written_unix_seconds > kLeftoverUploadSeconds;
}

}  // namespace orvane
