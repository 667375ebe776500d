// Draws the program's icon and writes it as a Windows .ico file of 32-bit
// images, 16 to 256 px: the sizes Windows asks for at 100 % to 200 % scale
// (20 and 40 px at 125 % and 175 %) and 256 px for Explorer's large views.
// Runs on the build machine at build time:
//   make_icon OUTPUT.ico
// The picture: a blue rounded square with a white globe, the sign of a web
// server. Every size is drawn from the same shapes, 4 x 4 samples a pixel.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Rgba {
  double r, g, b, a;
};

// How far (in icon units, 0..1) a point lies from the outline of a circle
// or an ellipse with centre (0.5, 0.5); approximate for ellipses, which is
// enough for a stroke.
double EllipseDistance(double x, double y, double rx, double ry) {
  const double dx = (x - 0.5) / rx;
  const double dy = (y - 0.5) / ry;
  return std::fabs(std::sqrt(dx * dx + dy * dy) - 1.0) * std::min(rx, ry);
}

bool InRoundedSquare(double x, double y) {
  constexpr double kMargin = 0.03;
  constexpr double kRadius = 0.2;
  const double lo = kMargin + kRadius;
  const double hi = 1.0 - kMargin - kRadius;
  const double cx = std::clamp(x, lo, hi);
  const double cy = std::clamp(y, lo, hi);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= kRadius * kRadius && x >= kMargin &&
         x <= 1 - kMargin && y >= kMargin && y <= 1 - kMargin;
}

// The colour at one sample point; `stroke` is half the line width.
Rgba Sample(double x, double y, double stroke) {
  if (!InRoundedSquare(x, y)) return {0, 0, 0, 0};
  constexpr double kGlobe = 0.33;
  const double inside = std::hypot(x - 0.5, y - 0.5);
  bool line = EllipseDistance(x, y, kGlobe, kGlobe) <= stroke;
  if (inside < kGlobe) {
    line = line || EllipseDistance(x, y, kGlobe * 0.45, kGlobe) <= stroke;  // meridian
    line = line || std::fabs(x - 0.5) <= stroke;                            // axis
    line = line || std::fabs(y - 0.5) <= stroke;                            // equator
    // Two latitudes, each a chord of the globe.
    line = line || std::fabs(std::fabs(y - 0.5) - kGlobe * 0.55) <= stroke;
  }
  if (line) return {255, 255, 255, 255};
  // A vertical gradient from light to deep blue.
  const double t = y;
  return {40 - 25 * t, 140 - 70 * t, 230 - 80 * t, 255};
}

std::vector<std::uint8_t> DrawImage(int size) {
  const double stroke = std::max(0.028, 0.55 / size);
  constexpr int kSamples = 4;
  std::vector<std::uint8_t> bgra(static_cast<std::size_t>(size) * size * 4);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double x = (px + (sx + 0.5) / kSamples) / size;
          const double y = (py + (sy + 0.5) / kSamples) / size;
          const Rgba c = Sample(x, y, stroke);
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      }
      // Rows are stored bottom-up; colour is straight (not premultiplied).
      std::uint8_t* out = &bgra[(static_cast<std::size_t>(size - 1 - py) * size + px) * 4];
      if (a > 0) {
        out[0] = static_cast<std::uint8_t>(std::lround(b / a));
        out[1] = static_cast<std::uint8_t>(std::lround(g / a));
        out[2] = static_cast<std::uint8_t>(std::lround(r / a));
      }
      out[3] = static_cast<std::uint8_t>(std::lround(a / (kSamples * kSamples)));
    }
  }
  return bgra;
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, unsigned value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// One icon image: BITMAPINFOHEADER (height counts colour and mask), the
// colour rows, then the 1-bit transparency mask with rows padded to 4 bytes.
std::vector<std::uint8_t> EncodeImage(int size) {
  const std::vector<std::uint8_t> bgra = DrawImage(size);
  const unsigned mask_row = ((static_cast<unsigned>(size) + 31) / 32) * 4;
  std::vector<std::uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<unsigned>(size));
  Put32(out, static_cast<unsigned>(size) * 2);
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, static_cast<unsigned>(bgra.size()) + mask_row * static_cast<unsigned>(size));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  out.insert(out.end(), bgra.begin(), bgra.end());
  for (int row = 0; row < size; ++row) {
    std::vector<std::uint8_t> bits(mask_row, 0);
    for (int px = 0; px < size; ++px) {
      if (bgra[(static_cast<std::size_t>(row) * size + px) * 4 + 3] == 0) {
        bits[static_cast<std::size_t>(px / 8)] |= static_cast<std::uint8_t>(0x80 >> (px % 8));
      }
    }
    out.insert(out.end(), bits.begin(), bits.end());
  }
  return out;
}

// --- The large images as PNG, which icons may hold since Windows Vista: the
// 256 px one a few kilobytes instead of the bitmap's 270. Each row is stored with the
// Sub filter (each byte less the one a pixel before), so flat areas become
// runs of zeros, and deflated in one block of the fixed Huffman codes,
// taking repeats at a distance of one byte, one pixel or one row.

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  // `count` bits of `value`, lowest first (deflate's order for data).
  void Bits(unsigned value, int count) {
    for (int i = 0; i < count; ++i) {
      if (used_ == 0) out_.push_back(0);
      out_.back() |= static_cast<std::uint8_t>(((value >> i) & 1) << used_);
      used_ = (used_ + 1) % 8;
    }
  }
  // A Huffman code, highest bit first.
  void Code(unsigned code, int count) {
    for (int i = count - 1; i >= 0; --i) Bits((code >> i) & 1, 1);
  }

 private:
  std::vector<std::uint8_t>& out_;
  int used_ = 0;
};

// The fixed literal/length code of symbol 0..287.
void FixedSymbol(BitWriter& bits, unsigned symbol) {
  if (symbol < 144) {
    bits.Code(0x30 + symbol, 8);
  } else if (symbol < 256) {
    bits.Code(0x190 + symbol - 144, 9);
  } else if (symbol < 280) {
    bits.Code(symbol - 256, 7);
  } else {
    bits.Code(0xC0 + symbol - 280, 8);
  }
}

void Match(BitWriter& bits, unsigned length, unsigned distance) {
  // clang-format off
  static const unsigned kLengthBase[] = {3,  4,  5,  6,  7,  8,   9,   10,  11,  13,
                                         15, 17, 19, 23, 27, 31,  35,  43,  51,  59,
                                         67, 83, 99, 115, 131, 163, 195, 227, 258};
  static const int kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  static const unsigned kDistanceBase[] = {1,    2,    3,    4,    5,    7,    9,    13,
                                           17,   25,   33,   49,   65,   97,   129,  193,
                                           257,  385,  513,  769,  1025, 1537, 2049, 3073,
                                           4097, 6145, 8193, 12289, 16385, 24577};
  // clang-format on
  int l = 28;
  while (kLengthBase[l] > length) --l;
  FixedSymbol(bits, 257 + static_cast<unsigned>(l));
  bits.Bits(length - kLengthBase[l], kLengthExtra[l]);
  int d = 29;
  while (kDistanceBase[d] > distance) --d;
  bits.Code(static_cast<unsigned>(d), 5);
  bits.Bits(distance - kDistanceBase[d], d < 4 ? 0 : d / 2 - 1);
}

// A zlib stream of `data`: one fixed-code deflate block, then the Adler-32.
std::vector<std::uint8_t> Zlib(const std::vector<std::uint8_t>& data, unsigned row_bytes) {
  std::vector<std::uint8_t> out = {0x78, 0x01};
  BitWriter bits(out);
  bits.Bits(1, 1);  // the last block
  bits.Bits(1, 2);  // fixed codes
  const unsigned distances[] = {1, 4, row_bytes};
  for (std::size_t i = 0; i < data.size();) {
    unsigned best_length = 0;
    unsigned best_distance = 0;
    for (unsigned distance : distances) {
      if (distance > i) continue;
      unsigned length = 0;
      while (length < 258 && i + length < data.size() &&
             data[i + length] == data[i + length - distance]) {
        ++length;
      }
      if (length > best_length) {
        best_length = length;
        best_distance = distance;
      }
    }
    if (best_length >= 3) {
      Match(bits, best_length, best_distance);
      i += best_length;
    } else {
      FixedSymbol(bits, data[i]);
      ++i;
    }
  }
  FixedSymbol(bits, 256);  // end of block
  unsigned a = 1, b = 0;
  for (std::uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  const unsigned adler = (b << 16) | a;
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(adler >> shift));
  }
  return out;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

void PutBig32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

void PngChunk(std::vector<std::uint8_t>& png, const char* type,
              const std::vector<std::uint8_t>& data) {
  PutBig32(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  PutBig32(png, Crc32(&png[start], png.size() - start));
}

std::vector<std::uint8_t> EncodePng(int size) {
  const std::vector<std::uint8_t> bgra = DrawImage(size);
  const unsigned row_bytes = 1 + static_cast<unsigned>(size) * 4;
  std::vector<std::uint8_t> rows;
  for (int y = 0; y < size; ++y) {
    // Top row first, RGBA; the drawing is bottom-up BGRA.
    const std::uint8_t* in = &bgra[static_cast<std::size_t>(size - 1 - y) * size * 4];
    rows.push_back(1);  // the Sub filter
    for (int i = 0; i < size * 4; ++i) {
      const int channel = i % 4;
      const int source = i - channel + (channel == 3 ? 3 : 2 - channel);
      const std::uint8_t left = i >= 4 ? in[source - 4] : 0;
      rows.push_back(static_cast<std::uint8_t>(in[source] - left));
    }
  }
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  PutBig32(header, static_cast<std::uint32_t>(size));
  PutBig32(header, static_cast<std::uint32_t>(size));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no interlace
  PngChunk(png, "IHDR", header);
  PngChunk(png, "IDAT", Zlib(rows, row_bytes));
  PngChunk(png, "IEND", {});
  return png;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.ico\n", argv[0]);
    return 2;
  }
  const int sizes[] = {16, 20, 24, 32, 40, 48, 64, 72, 96, 128, 256};
  constexpr unsigned kCount = sizeof sizes / sizeof sizes[0];
  std::vector<std::vector<std::uint8_t>> images;
  // Windows (since Vista) reads an icon's image as PNG too: the large ones,
  // which only Explorer's views and high-DPI screens ask for, are PNG, a
  // fifth of their bitmap's bytes; the small ones, which the title bar, the
  // taskbar and the notification area take, stay bitmaps, which every
  // reader of icons takes.
  for (int size : sizes) images.push_back(size >= 64 ? EncodePng(size) : EncodeImage(size));

  std::vector<std::uint8_t> file;
  Put16(file, 0);  // reserved
  Put16(file, 1);  // icon
  Put16(file, kCount);
  unsigned offset = 6 + 16 * kCount;
  for (unsigned i = 0; i < kCount; ++i) {
    // Width and height in one byte each: 0 stands for 256.
    file.push_back(static_cast<std::uint8_t>(sizes[i] & 0xFF));
    file.push_back(static_cast<std::uint8_t>(sizes[i] & 0xFF));
    file.push_back(0);  // no palette
    file.push_back(0);
    Put16(file, 1);   // planes
    Put16(file, 32);  // bits per pixel
    Put32(file, static_cast<unsigned>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<unsigned>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());

  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  if (std::fclose(out) != 0 || !written) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
