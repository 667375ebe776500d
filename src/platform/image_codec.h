// The system's own picture codecs: decoding a picture already scaled where
// its codec can, and writing a thumbnail as JPEG. Windows: the Windows
// Imaging Component (and the shell for a video's frame); POSIX: libjpeg-turbo
// and libpng.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/pixels.h"
#include "platform/file.h"

namespace orvane::platform {

// Which codecs this system has.
enum class ImageDecoders {
  kWindowsImaging,  // every format a WIC codec is installed for, videos through the shell
  kJpegAndPng,      // libjpeg-turbo and libpng
};
[[nodiscard]] ImageDecoders SystemImageDecoders();

// Takes a decoded picture's rows, top to bottom.
class PixelRowSink {
 public:
  virtual ~PixelRowSink() = default;
  // One row: the decode's width in pixels of Pixels::kChannels bytes, in the
  // codec's order (transparency already laid over white).
  virtual void TakeRow(const std::uint8_t* row) = 0;
};

// A picture file opened and its header read; nothing is decoded yet.
class PictureDecoder {
 public:
  // nullopt when the file cannot be opened or is no picture this system
  // decodes (its first frame, for a file of several).
  [[nodiscard]] static std::optional<PictureDecoder> Open(const FileName& name);
  PictureDecoder(PictureDecoder&&) noexcept;
  PictureDecoder& operator=(PictureDecoder&&) noexcept;
  ~PictureDecoder();

  // The stored pixels' size.
  [[nodiscard]] PixelSize full_size() const;
  // The sizes the codec decodes to without making the full size first (a
  // JPEG's eighths), the full size among them.
  [[nodiscard]] const std::vector<PixelSize>& native_sizes() const;
  // The EXIF orientation (1-8) the codec found in the picture's metadata; 0
  // when it looked for none (libjpeg and libpng never do: a JPEG's is read
  // from its bytes by the caller).
  [[nodiscard]] int orientation() const;
  // Decodes at `size`, one of native_sizes(), handing every row to `sink`.
  // False when the picture is damaged (cut short, corrupt) or `size` is not
  // one of those; some rows may have been handed by then.
  [[nodiscard]] bool Decode(PixelSize size, PixelRowSink& sink);

 private:
  struct Impl;
  explicit PictureDecoder(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The frame the system's shell shows for a video (Explorer's thumbnail), at
// most about `longest_side` on its longest side; nullopt where the shell
// gives none (and always on POSIX).
[[nodiscard]] std::optional<Pixels> VideoFrame(const FileName& name, int longest_side);

// `image` as a baseline JPEG file at `quality` (1-100); nullopt on failure.
[[nodiscard]] std::optional<std::string> EncodeJpeg(const Pixels& image, int quality);

}  // namespace orvane::platform
