// libFuzzer target: arbitrary bytes as a JPEG's Exif block and as the first
// bytes of a picture file, read for their orientation and size. Neither
// reader may read outside its bytes (AddressSanitizer watches), and what
// they give must be a real orientation and a real size.
//
// Input: the bytes, tried as they are, as an Exif block's TIFF structure, and
// as a JPEG's segments after its SOI (fuzz/exif_corpus holds real ones).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "http/thumbnail/orientation.h"
#include "http/thumbnail/picture_header.h"

namespace orvane::thumbnail {
namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

void CheckOrientation(Orientation orientation) {
  const int value = static_cast<int>(orientation);
  Check(value >= 1 && value <= 8, "an orientation outside 1-8");
}

void CheckHeader(std::string_view bytes) {
  const std::optional<PictureHeader> header = ReadPictureHeader(bytes);
  if (!header) return;
  CheckOrientation(header->orientation);
  if (header->stored) Check(header->stored->width > 0 && header->stored->height > 0, "a size of 0");
  if (header->format == PictureFormat::kPng) {
    Check(header->orientation == Orientation::kUpright, "a PNG's orientation");
  }
}

}  // namespace
}  // namespace orvane::thumbnail

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvane::thumbnail;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckOrientation(ExifOrientation(bytes));
  // Each copy is exactly as long as its bytes, so a read past them is caught.
  const std::string exif = std::string("Exif\0\0", 6) + std::string(bytes);
  CheckOrientation(ExifOrientation(exif));
  CheckHeader(bytes);
  const std::string jpeg = "\xFF\xD8" + std::string(bytes);
  CheckHeader(jpeg);
  return 0;
}
