// Which files get a thumbnail, by their name's extension: what the system's
// own decoders can read.
#pragma once

#include <string_view>

#include "platform/image_codec.h"

namespace orvane::thumbnail {

enum class ThumbnailSource {
  kNone,     // no thumbnail: the page shows an icon by type
  kPicture,  // decoded from the file
  kVideo,    // a frame the system's shell picks (Windows only)
};

// What a file named `name` (UTF-8 or ANSI bytes; only its extension after
// the last "." is read, in any case) gets from `decoders`. Windows: JPEG, PNG,
// GIF, BMP, TIFF, ICO and JPEG XR, which every Windows decodes, and HEIC,
// HEIF, AVIF, WebP and camera RAW, whose codecs Windows may have installed
// (a file they do not decode gets no thumbnail then); the common video
// containers. Headless: JPEG and PNG only.
[[nodiscard]] ThumbnailSource ThumbnailSourceFor(std::string_view name,
                                                 platform::ImageDecoders decoders);

}  // namespace orvane::thumbnail
