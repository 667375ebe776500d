// Draws the program's icon and writes it as a Windows .ico file with eight
// 32-bit images (16 to 128 px). Runs on the build machine at build time:
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.ico\n", argv[0]);
    return 2;
  }
  const int sizes[] = {16, 24, 32, 48, 64, 72, 96, 128};
  constexpr unsigned kCount = sizeof sizes / sizeof sizes[0];
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : sizes) images.push_back(EncodeImage(size));

  std::vector<std::uint8_t> file;
  Put16(file, 0);  // reserved
  Put16(file, 1);  // icon
  Put16(file, kCount);
  unsigned offset = 6 + 16 * kCount;
  for (unsigned i = 0; i < kCount; ++i) {
    file.push_back(static_cast<std::uint8_t>(sizes[i]));
    file.push_back(static_cast<std::uint8_t>(sizes[i]));
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
