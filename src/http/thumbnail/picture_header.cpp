#include "http/thumbnail/picture_header.h"

#include <cstdint>

namespace orvane::thumbnail {

namespace {

std::uint32_t BigEndian(std::string_view bytes, std::size_t offset, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) {
    value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + static_cast<std::size_t>(i)]);
  }
  return value;
}

// The start-of-frame markers that carry a frame's size: C0-CF except DHT
// (C4), JPG (C8) and DAC (CC).
bool IsFrameHeader(std::uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, with no length after them: TEM and RST0-RST7.
bool StandsAlone(std::uint8_t marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

std::optional<PictureHeader> ReadJpeg(std::string_view bytes) {
  PictureHeader header;
  header.format = PictureFormat::kJpeg;
  bool seen_exif = false;
  std::size_t at = 2;
  while (at + 1 < bytes.size()) {
    if (static_cast<std::uint8_t>(bytes[at]) != 0xFF) break;  // not a marker: damaged
    const auto marker = static_cast<std::uint8_t>(bytes[at + 1]);
    if (marker == 0xFF) {  // a fill byte before the marker
      ++at;
      continue;
    }
    at += 2;
    if (StandsAlone(marker)) continue;
    if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA) break;  // no frame header before
    if (at + 2 > bytes.size()) break;
    const std::uint32_t length = BigEndian(bytes, at, 2);
    if (length < 2) break;
    const std::string_view payload = bytes.substr(at + 2, length - 2);
    if (marker == 0xE1 && !seen_exif && payload.substr(0, 6) == std::string_view("Exif\0\0", 6)) {
      seen_exif = true;
      header.orientation = ExifOrientation(payload);
    } else if (IsFrameHeader(marker)) {
      if (payload.size() >= 5) {
        const PixelSize stored{static_cast<int>(BigEndian(payload, 3, 2)),
                               static_cast<int>(BigEndian(payload, 1, 2))};
        if (stored.width > 0 && stored.height > 0) header.stored = stored;
      }
      break;
    }
    at += length;
  }
  return header;
}

std::optional<PictureHeader> ReadPng(std::string_view bytes) {
  PictureHeader header;
  header.format = PictureFormat::kPng;
  // Signature (8), then IHDR: length (4), "IHDR", width (4), height (4).
  if (bytes.size() >= 24 && bytes.substr(12, 4) == "IHDR") {
    const std::uint32_t width = BigEndian(bytes, 16, 4);
    const std::uint32_t height = BigEndian(bytes, 20, 4);
    // PNG's own limit on a side is 2^31 - 1.
    if (width > 0 && height > 0 && width < 0x80000000U && height < 0x80000000U) {
      header.stored = PixelSize{static_cast<int>(width), static_cast<int>(height)};
    }
  }
  return header;
}

}  // namespace

std::optional<PictureHeader> ReadPictureHeader(std::string_view prefix) {
  if (prefix.substr(0, 3) == "\xFF\xD8\xFF") return ReadJpeg(prefix);
  if (prefix.substr(0, 8) == "\x89PNG\r\n\x1A\n") return ReadPng(prefix);
  return std::nullopt;
}

}  // namespace orvane::thumbnail
