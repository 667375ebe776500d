// The headless server's codecs: libjpeg-turbo (decoding scaled by its DCT
// scaling, M/8) and libpng, reading through the file layer.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include "platform/image_codec.h"

namespace orvane::platform {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// libjpeg's memory for a progressive JPEG's coefficients (the whole picture's,
// even when decoded scaled) past which it gives up rather than allocate more.
constexpr long kJpegMemoryLimit = 256L * 1024 * 1024;

// --- JPEG ---

// libjpeg's error manager: an error jumps back to the call that set `jump`;
// a warning that the data ended early or were cut by a marker marks the
// picture damaged.
struct JpegErrors {
  jpeg_error_mgr manager{};
  std::jmp_buf jump{};
  bool damaged = false;
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

void JpegMessage(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  if (level < 0 &&
      (errors->manager.msg_code == JWRN_JPEG_EOF || errors->manager.msg_code == JWRN_HIT_MARKER)) {
    errors->damaged = true;
  }
}

// A libjpeg source that reads the open file in chunks; the end of the file
// gives a fake EOI marker, as libjpeg's own file source does, and a warning.
struct JpegSource {
  jpeg_source_mgr manager{};
  ReadOnlyFile* file = nullptr;
  unsigned char buffer[kReadChunk];
};

void JpegInitSource(j_decompress_ptr) {}

boolean JpegFill(j_decompress_ptr info) {
  auto* source = reinterpret_cast<JpegSource*>(info->src);
  const std::int64_t got =
      source->file->Read(reinterpret_cast<char*>(source->buffer), sizeof source->buffer);
  if (got <= 0) {
    WARNMS(info, JWRN_JPEG_EOF);
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = 2;
    return TRUE;
  }
  source->manager.next_input_byte = source->buffer;
  source->manager.bytes_in_buffer = static_cast<std::size_t>(got);
  return TRUE;
}

void JpegSkip(j_decompress_ptr info, long count) {
  auto& manager = info->src;
  while (count > static_cast<long>(manager->bytes_in_buffer)) {
    count -= static_cast<long>(manager->bytes_in_buffer);
    manager->bytes_in_buffer = 0;
    (void)manager->fill_input_buffer(info);
  }
  if (count > 0) {
    manager->next_input_byte += count;
    manager->bytes_in_buffer -= static_cast<std::size_t>(count);
  }
}

void JpegTermSource(j_decompress_ptr) {}

// --- PNG ---

struct PngRead {
  ReadOnlyFile* file = nullptr;
};

void PngReadData(png_structp png, png_bytep data, png_size_t length) {
  auto* read = static_cast<PngRead*>(png_get_io_ptr(png));
  while (length > 0) {
    const std::int64_t got = read->file->Read(reinterpret_cast<char*>(data), length);
    if (got <= 0) png_error(png, "cut short");
    data += got;
    length -= static_cast<png_size_t>(got);
  }
}

void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// Lays a row of RGBA over white, into RGB.
void OverWhite(const std::uint8_t* rgba, std::uint8_t* rgb, int width) {
  for (int x = 0; x < width; ++x, rgba += 4, rgb += 3) {
    const unsigned alpha = rgba[3];
    for (int c = 0; c < 3; ++c) {
      rgb[c] = static_cast<std::uint8_t>((rgba[c] * alpha + 255 * (255 - alpha) + 127) / 255);
    }
  }
}

}  // namespace

enum class Format { kJpeg, kPng };

struct PictureDecoder::Impl {
  explicit Impl(ReadOnlyFile opened) : file(std::move(opened)) {}
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl() {
    if (format == Format::kJpeg) {
      jpeg_destroy_decompress(&jpeg);
    } else {
      png_destroy_read_struct(&png, &png_info, nullptr);
    }
  }

  bool OpenJpeg();
  bool DecodeJpeg(unsigned eighths, PixelRowSink& sink);
  bool OpenPng();
  bool DecodePng(PixelRowSink& sink);

  Format format = Format::kJpeg;
  ReadOnlyFile file;
  PixelSize full;
  std::vector<PixelSize> native;
  // What the row buffers the decoders fill live in, owned here so that no
  // object with a destructor lives in a frame libjpeg or libpng jumps out of.
  std::vector<std::uint8_t> row;
  std::vector<std::uint8_t> rgb_row;
  std::vector<std::uint8_t> whole;  // an interlaced PNG's
  std::vector<png_bytep> lines;

  jpeg_decompress_struct jpeg{};
  JpegErrors jpeg_errors;
  std::unique_ptr<JpegSource> jpeg_source;

  png_structp png = nullptr;
  png_infop png_info = nullptr;
  PngRead png_read;
  bool png_alpha = false;
  bool png_interlaced = false;
};

bool PictureDecoder::Impl::OpenJpeg() {
  jpeg.err = jpeg_std_error(&jpeg_errors.manager);
  jpeg_errors.manager.error_exit = JpegErrorExit;
  jpeg_errors.manager.emit_message = JpegMessage;
  if (setjmp(jpeg_errors.jump) != 0) return false;
  jpeg_create_decompress(&jpeg);
  jpeg.mem->max_memory_to_use = kJpegMemoryLimit;
  jpeg_source = std::make_unique<JpegSource>();
  jpeg_source->file = &file;
  jpeg_source->manager.init_source = JpegInitSource;
  jpeg_source->manager.fill_input_buffer = JpegFill;
  jpeg_source->manager.skip_input_data = JpegSkip;
  jpeg_source->manager.resync_to_restart = jpeg_resync_to_restart;
  jpeg_source->manager.term_source = JpegTermSource;
  jpeg.src = &jpeg_source->manager;
  if (jpeg_read_header(&jpeg, TRUE) != JPEG_HEADER_OK) return false;
  full = {static_cast<int>(jpeg.image_width), static_cast<int>(jpeg.image_height)};
  for (unsigned m = 1; m <= 8; ++m) {
    jpeg.scale_num = m;
    jpeg.scale_denom = 8;
    jpeg_calc_output_dimensions(&jpeg);
    native.push_back({static_cast<int>(jpeg.output_width), static_cast<int>(jpeg.output_height)});
  }
  return !jpeg_errors.damaged;
}

bool PictureDecoder::Impl::DecodeJpeg(unsigned eighths, PixelRowSink& sink) {
  if (setjmp(jpeg_errors.jump) != 0) return false;
  jpeg.scale_num = eighths;
  jpeg.scale_denom = 8;
  jpeg.out_color_space = JCS_RGB;
  if (!jpeg_start_decompress(&jpeg)) return false;
  JSAMPROW line = row.data();
  while (jpeg.output_scanline < jpeg.output_height && !jpeg_errors.damaged) {
    if (jpeg_read_scanlines(&jpeg, &line, 1) != 1) return false;
    sink.TakeRow(line);
  }
  return !jpeg_errors.damaged;
}

bool PictureDecoder::Impl::OpenPng() {
  png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (png == nullptr) return false;
  png_info = png_create_info_struct(png);
  if (png_info == nullptr) return false;
  png_read.file = &file;
  png_set_read_fn(png, &png_read, PngReadData);
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_read_info(png, png_info);
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_interlaced = png_set_interlace_handling(png) > 1;
  png_read_update_info(png, png_info);
  png_alpha = png_get_channels(png, png_info) == 4;
  full = {static_cast<int>(png_get_image_width(png, png_info)),
          static_cast<int>(png_get_image_height(png, png_info))};
  native = {full};
  return true;
}

bool PictureDecoder::Impl::DecodePng(PixelRowSink& sink) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  const std::size_t width = static_cast<std::size_t>(full.width);
  const std::size_t channels = png_alpha ? 4 : 3;
  if (png_interlaced) {
    // Every pass fills the whole picture, so it is held whole (within the
    // ceiling the caller checked against the full size).
    whole.assign(width * channels * static_cast<std::size_t>(full.height), 0);
    lines.resize(static_cast<std::size_t>(full.height));
    for (std::size_t y = 0; y < lines.size(); ++y) lines[y] = whole.data() + y * width * channels;
    png_read_image(png, lines.data());
    for (png_bytep line : lines) {
      if (png_alpha) {
        OverWhite(line, rgb_row.data(), full.width);
        sink.TakeRow(rgb_row.data());
      } else {
        sink.TakeRow(line);
      }
    }
    return true;
  }
  for (int y = 0; y < full.height; ++y) {
    png_read_row(png, row.data(), nullptr);
    if (png_alpha) {
      OverWhite(row.data(), rgb_row.data(), full.width);
      sink.TakeRow(rgb_row.data());
    } else {
      sink.TakeRow(row.data());
    }
  }
  return true;
}

PictureDecoder::PictureDecoder(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PictureDecoder::PictureDecoder(PictureDecoder&&) noexcept = default;
PictureDecoder& PictureDecoder::operator=(PictureDecoder&&) noexcept = default;
PictureDecoder::~PictureDecoder() = default;

std::optional<PictureDecoder> PictureDecoder::Open(const FileName& name) {
  std::optional<ReadOnlyFile> file = ReadOnlyFile::OpenRegular(name);
  if (!file) return std::nullopt;
  unsigned char signature[8] = {};
  if (file->Read(reinterpret_cast<char*>(signature), sizeof signature) != sizeof signature ||
      !file->Seek(0)) {
    return std::nullopt;
  }
  auto impl = std::make_unique<Impl>(std::move(*file));
  bool opened = false;
  if (signature[0] == 0xFF && signature[1] == 0xD8 && signature[2] == 0xFF) {
    impl->format = Format::kJpeg;
    opened = impl->OpenJpeg();
  } else if (png_sig_cmp(signature, 0, sizeof signature) == 0) {
    impl->format = Format::kPng;
    opened = impl->OpenPng();
  } else {
    return std::nullopt;
  }
  if (!opened || impl->full.width <= 0 || impl->full.height <= 0) return std::nullopt;
  return PictureDecoder(std::move(impl));
}

PixelSize PictureDecoder::full_size() const { return impl_->full; }
const std::vector<PixelSize>& PictureDecoder::native_sizes() const { return impl_->native; }
int PictureDecoder::orientation() const { return 0; }

bool PictureDecoder::Decode(PixelSize size, PixelRowSink& sink) {
  Impl& impl = *impl_;
  const std::size_t width = static_cast<std::size_t>(size.width);
  impl.row.assign(width * 4, 0);
  impl.rgb_row.assign(width * 3, 0);
  if (impl.format == Format::kJpeg) {
    for (unsigned eighths = 1; eighths <= impl.native.size(); ++eighths) {
      if (impl.native[eighths - 1] == size) return impl.DecodeJpeg(eighths, sink);
    }
    return false;
  }
  if (size != impl.full) return false;
  return impl.DecodePng(sink);
}

std::optional<Pixels> VideoFrame(const FileName&, int) { return std::nullopt; }

ImageDecoders SystemImageDecoders() { return ImageDecoders::kJpegAndPng; }

namespace {

// What EncodeJpeg holds across libjpeg's jump: plain data only.
struct JpegWrite {
  jpeg_compress_struct jpeg{};
  JpegErrors errors;
  unsigned char* out = nullptr;
  unsigned long out_size = 0;  // NOLINT(google-runtime-int): jpeg_mem_dest's own type
};

bool Compress(JpegWrite& write, const Pixels& image, int quality) {
  if (setjmp(write.errors.jump) != 0) return false;
  jpeg_create_compress(&write.jpeg);
  jpeg_mem_dest(&write.jpeg, &write.out, &write.out_size);
  write.jpeg.image_width = static_cast<JDIMENSION>(image.size.width);
  write.jpeg.image_height = static_cast<JDIMENSION>(image.size.height);
  write.jpeg.input_components = Pixels::kChannels;
  write.jpeg.in_color_space = JCS_RGB;
  jpeg_set_defaults(&write.jpeg);
  jpeg_set_quality(&write.jpeg, quality, TRUE);
  jpeg_start_compress(&write.jpeg, TRUE);
  while (write.jpeg.next_scanline < write.jpeg.image_height) {
    // libjpeg takes rows as non-const pointers but only reads them.
    auto* line = const_cast<JSAMPROW>(image.At(0, static_cast<int>(write.jpeg.next_scanline)));
    jpeg_write_scanlines(&write.jpeg, &line, 1);
  }
  jpeg_finish_compress(&write.jpeg);
  return true;
}

}  // namespace

std::optional<std::string> EncodeJpeg(const Pixels& image, int quality) {
  if (image.size.width <= 0 || image.size.height <= 0 ||
      image.bytes.size() != image.stride() * static_cast<std::size_t>(image.size.height)) {
    return std::nullopt;
  }
  JpegWrite write;
  write.jpeg.err = jpeg_std_error(&write.errors.manager);
  write.errors.manager.error_exit = JpegErrorExit;
  write.errors.manager.emit_message = JpegMessage;
  const bool made = Compress(write, image, quality);
  jpeg_destroy_compress(&write.jpeg);
  if (!made) {
    std::free(write.out);
    return std::nullopt;
  }
  std::string jpeg(reinterpret_cast<const char*>(write.out), write.out_size);
  std::free(write.out);
  return jpeg;
}

}  // namespace orvane::platform
