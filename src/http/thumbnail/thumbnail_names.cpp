#include "http/thumbnail/thumbnail_names.h"

#include <algorithm>
#include <string>

namespace orvane::thumbnail {

namespace {

struct Extension {
  std::string_view extension;  // lower case, without the "."
  ThumbnailSource source;
  bool headless;  // also decoded by the headless server
};

// clang-format off
constexpr Extension kExtensions[] = {
  // Every system.
  {"jpg", ThumbnailSource::kPicture, true}, {"jpeg", ThumbnailSource::kPicture, true},
  {"jpe", ThumbnailSource::kPicture, true}, {"jfif", ThumbnailSource::kPicture, true},
  {"png", ThumbnailSource::kPicture, true},
  // Windows' built-in decoders.
  {"gif", ThumbnailSource::kPicture, false}, {"bmp", ThumbnailSource::kPicture, false},
  {"dib", ThumbnailSource::kPicture, false}, {"tif", ThumbnailSource::kPicture, false},
  {"tiff", ThumbnailSource::kPicture, false}, {"ico", ThumbnailSource::kPicture, false},
  {"jxr", ThumbnailSource::kPicture, false}, {"wdp", ThumbnailSource::kPicture, false},
  // Codecs Windows installs from its store (HEIF, AV1, WebP, Raw Image).
  {"heic", ThumbnailSource::kPicture, false}, {"heif", ThumbnailSource::kPicture, false},
  {"hif", ThumbnailSource::kPicture, false}, {"avif", ThumbnailSource::kPicture, false},
  {"webp", ThumbnailSource::kPicture, false},
  {"dng", ThumbnailSource::kPicture, false}, {"cr2", ThumbnailSource::kPicture, false},
  {"cr3", ThumbnailSource::kPicture, false}, {"crw", ThumbnailSource::kPicture, false},
  {"nef", ThumbnailSource::kPicture, false}, {"nrw", ThumbnailSource::kPicture, false},
  {"arw", ThumbnailSource::kPicture, false}, {"srf", ThumbnailSource::kPicture, false},
  {"sr2", ThumbnailSource::kPicture, false}, {"orf", ThumbnailSource::kPicture, false},
  {"rw2", ThumbnailSource::kPicture, false}, {"raf", ThumbnailSource::kPicture, false},
  {"pef", ThumbnailSource::kPicture, false}, {"srw", ThumbnailSource::kPicture, false},
  {"erf", ThumbnailSource::kPicture, false}, {"kdc", ThumbnailSource::kPicture, false},
  {"mrw", ThumbnailSource::kPicture, false}, {"3fr", ThumbnailSource::kPicture, false},
  {"rwl", ThumbnailSource::kPicture, false}, {"iiq", ThumbnailSource::kPicture, false},
  // Videos: Explorer's own thumbnail.
  {"mp4", ThumbnailSource::kVideo, false}, {"m4v", ThumbnailSource::kVideo, false},
  {"mov", ThumbnailSource::kVideo, false}, {"avi", ThumbnailSource::kVideo, false},
  {"wmv", ThumbnailSource::kVideo, false}, {"mkv", ThumbnailSource::kVideo, false},
  {"webm", ThumbnailSource::kVideo, false}, {"3gp", ThumbnailSource::kVideo, false},
  {"mts", ThumbnailSource::kVideo, false}, {"m2ts", ThumbnailSource::kVideo, false},
  {"mpg", ThumbnailSource::kVideo, false}, {"mpeg", ThumbnailSource::kVideo, false},
};
// clang-format on

// The longest extension in the table, so a longer one is not even lowered.
constexpr std::size_t kLongestExtension = 4;

}  // namespace

ThumbnailSource ThumbnailSourceFor(std::string_view name, platform::ImageDecoders decoders) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return ThumbnailSource::kNone;
  const std::string_view extension = name.substr(dot + 1);
  // A name that ends in a folder separator or a space is no file's extension.
  if (extension.empty() || extension.size() > kLongestExtension) return ThumbnailSource::kNone;
  std::string lower(extension);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  for (const Extension& known : kExtensions) {
    if (known.extension != lower) continue;
    if (decoders == platform::ImageDecoders::kJpegAndPng && !known.headless)
      return ThumbnailSource::kNone;
    return known.source;
  }
  return ThumbnailSource::kNone;
}

}  // namespace orvane::thumbnail
