// Thumbnails made from real files by this system's own codecs (libjpeg-turbo
// and libpng natively, the Windows Imaging Component under Wine) and served
// by a running server over 127.0.0.1 with the listing on: upright as the Exif
// orientation says, 404 for a hostile file, tiles on a folder's page, kept
// until the file changes and revalidated by their tag. The test pictures are
// made here, with the same codecs, and each thumbnail is read back with them.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "http/thumbnail/thumbnail_maker.h"
#include "http/thumbnail/thumbnail_serve.h"
#include "platform/image_codec.h"
#include "support/gbk_texts.h"
#include "support/test_support.h"

namespace orvane::thumbnail {
namespace {

using Rgb = std::vector<std::uint8_t>;
const Rgb kRed = {255, 0, 0};
const Rgb kGreen = {0, 255, 0};
const Rgb kBlue = {0, 0, 255};
const Rgb kWhite = {255, 255, 255};

// The process's peak resident memory so far.
std::uint64_t PeakMemoryBytes() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
#endif
}

// A picture whose four quarters are red, green (top), blue, white (bottom).
Pixels Quarters(PixelSize size) {
  Pixels image;
  image.size = size;
  for (int y = 0; y < size.height; ++y) {
    for (int x = 0; x < size.width; ++x) {
      const bool right = x >= size.width / 2;
      const bool bottom = y >= size.height / 2;
      const Rgb& colour = bottom ? (right ? kWhite : kBlue) : (right ? kGreen : kRed);
      image.bytes.insert(image.bytes.end(), colour.begin(), colour.end());
    }
  }
  return image;
}

std::string Jpeg(const Pixels& image) {
  std::optional<std::string> jpeg = platform::EncodeJpeg(image, 95);
  EXPECT_TRUE(jpeg);
  return jpeg.value_or("");
}

std::string BigEndian(std::uint32_t value, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return out;
}

// `jpeg` with an APP1 segment holding `payload` right after its SOI. A
// `length` other than 0 is written as the segment's length instead of its own.
std::string WithApp1(const std::string& jpeg, const std::string& payload,
                     std::uint32_t length = 0) {
  const std::uint32_t own = static_cast<std::uint32_t>(payload.size() + 2);
  return jpeg.substr(0, 2) + "\xFF\xE1" + BigEndian(length != 0 ? length : own, 2) + payload +
         jpeg.substr(2);
}

// An Exif block whose first IFD holds tag 274 = `orientation`.
std::string OrientationExif(int orientation, bool big_endian) {
  std::string tiff = big_endian ? std::string("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 18)
                                : std::string("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18);
  const auto value = static_cast<char>(orientation);
  tiff += big_endian ? std::string{'\0', value, '\0', '\0'} : std::string{value, '\0', '\0', '\0'};
  return std::string("Exif\0\0", 6) + tiff + std::string(4, '\0');
}

std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFU;
  for (const char c : bytes) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
  }
  return ~crc;
}

std::string PngChunk(const std::string& type, const std::string& data) {
  return BigEndian(static_cast<std::uint32_t>(data.size()), 4) + type + data +
         BigEndian(Crc32(type + data), 4);
}

// A PNG of `rows` (each a filter byte and its pixels, `channels` bytes a
// pixel: 3 RGB, 4 RGBA) that claims to be width × height, its pixels kept
// in stored (uncompressed) deflate blocks.
std::string Png(std::uint32_t width, std::uint32_t height, int channels, const std::string& rows) {
  std::string zlib = "\x78\x01";
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (const char c : rows) {
    a = (a + static_cast<std::uint8_t>(c)) % 65521;
    b = (b + a) % 65521;
  }
  for (std::size_t at = 0; at < rows.size() || at == 0; at += 65535) {
    const std::string block = rows.substr(at, 65535);
    const auto n = static_cast<std::uint16_t>(block.size());
    zlib += (at + 65535 >= rows.size() ? '\x01' : '\x00');
    zlib += std::string{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8),
                        static_cast<char>(~n & 0xFF), static_cast<char>((~n >> 8) & 0xFF)};
    zlib += block;
  }
  zlib += BigEndian((b << 16) | a, 4);
  const char colour_type = channels == 4 ? '\x06' : '\x02';
  return "\x89PNG\r\n\x1A\n" +
         PngChunk("IHDR", BigEndian(width, 4) + BigEndian(height, 4) +
                              std::string{'\x08', colour_type, '\0', '\0', '\0'}) +
         PngChunk("IDAT", zlib) + PngChunk("IEND", "");
}

// A PNG of one colour (`pixel`: 3 or 4 bytes) all over.
std::string PlainPng(PixelSize size, const std::string& pixel) {
  std::string rows;
  for (int y = 0; y < size.height; ++y) {
    rows.push_back('\0');
    for (int x = 0; x < size.width; ++x) rows += pixel;
  }
  return Png(static_cast<std::uint32_t>(size.width), static_cast<std::uint32_t>(size.height),
             static_cast<int>(pixel.size()), rows);
}

class CollectingSink final : public platform::PixelRowSink {
 public:
  explicit CollectingSink(Pixels& image) : image_(image) {}
  void TakeRow(const std::uint8_t* row) override {
    image_.bytes.insert(image_.bytes.end(), row, row + image_.stride());
  }

 private:
  Pixels& image_;
};

class ThumbnailTest : public ::testing::Test {
 protected:
  platform::FileName Write(const std::string& name, const std::string& bytes) {
    site_.Write(name, bytes);
    names_.push_back("\\" + name);
    return Name(name);
  }
  platform::FileName Name(const std::string& name) {
    names_.push_back("\\" + name);
    return platform::FileName{root_, names_.back(), true};
  }
  // What the file is now, as the file layer reads it when it opens it.
  static FileStamp StampOf(const platform::FileName& name) {
    const std::optional<platform::ReadOnlyFile> file = platform::ReadOnlyFile::OpenRegular(name);
    EXPECT_TRUE(file);
    if (!file) return {};
    return {file->Length().value_or(0), file->changed_unix_seconds()};
  }
  // The answer to a GET of `path` from the server, its date left out.
  testing::Answer Get(const std::string& path, const std::string& headers = "") {
    return testing::SplitAnswer(testing::WithoutDate(
        testing::Fetch(server_.port, "GET " + path + " HTTP/1.1\r\n" + headers + "\r\n")));
  }
  // The thumbnail's size the site folder's page writes in the tile of `file`.
  PixelSize TileSizeOf(const std::string& file) {
    const std::string page = Get("/").body;
    const std::string tag = "<img src=\"/:thumb/" + file + "\" width=\"";
    const std::size_t at = page.find(tag);
    if (at == std::string::npos) return {};
    const std::size_t height = page.find("height=\"", at);
    return {std::atoi(page.c_str() + at + tag.size()), std::atoi(page.c_str() + height + 8)};
  }
  // The thumbnail read back by this system's decoder.
  Pixels Decoded(const std::string& jpeg) {
    Pixels image;
    const platform::FileName name = Write("decoded.jpg", jpeg);
    std::optional<platform::PictureDecoder> decoder = platform::PictureDecoder::Open(name);
    EXPECT_TRUE(decoder);
    if (!decoder) return image;
    image.size = decoder->full_size();
    CollectingSink sink(image);
    EXPECT_TRUE(decoder->Decode(image.size, sink));
    return image;
  }

  testing::TempSite site_;
  std::string root_ = site_.FolderText();
  std::vector<std::string> names_{1000};  // stable storage for the FileNames' views
  ThumbnailMaker maker_;
  const std::int64_t deadline_ = platform::MonotonicMillis() + 60000;
  net::SocketLibrary sockets_;
  testing::RunningServer server_{root_};
  void SetUp() override {
    ServingOptions options;
    options.list_folders = true;
    server_.server->SetServingOptions(options);
  }
};

// The value of an answer's ETag line.
std::string EtagOf(const testing::Answer& answer) {
  const std::size_t at = answer.head.find("\r\nETag: ") + 8;
  return answer.head.substr(at, answer.head.find("\r\n", at) - at);
}

std::string Size(PixelSize size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// A colour as this system's codecs order its bytes: WIC's are BGR.
Rgb InCodecOrder(const Rgb& colour) {
  if (platform::SystemImageDecoders() != platform::ImageDecoders::kWindowsImaging) return colour;
  return {colour[2], colour[1], colour[0]};
}

bool Near(const std::uint8_t* pixel, const Rgb& colour) {
  for (int c = 0; c < 3; ++c) {
    if (std::abs(pixel[c] - colour[static_cast<std::size_t>(c)]) > 48) return false;
  }
  return true;
}

TEST_F(ThumbnailTest, EachExifOrientationShowsThePhotoUpright) {
  // The photo is stored with red, green / blue, white quarters; each row is
  // what a viewer that honours the tag shows in the top-left, top-right,
  // bottom-left and bottom-right quarters.
  const std::string photo = Jpeg(Quarters({800, 600}));
  const struct {
    const char* name;
    std::string app1;
    PixelSize shown;
    Rgb corners[4];
  } cases[] = {
      {"1 upright", OrientationExif(1, false), {360, 270}, {kRed, kGreen, kBlue, kWhite}},
      {"2 mirrored", OrientationExif(2, true), {360, 270}, {kGreen, kRed, kWhite, kBlue}},
      {"3 turned half", OrientationExif(3, false), {360, 270}, {kWhite, kBlue, kGreen, kRed}},
      {"4 flipped", OrientationExif(4, true), {360, 270}, {kBlue, kWhite, kRed, kGreen}},
      {"5 transposed", OrientationExif(5, false), {270, 360}, {kRed, kBlue, kGreen, kWhite}},
      {"6 a quarter clockwise",
       OrientationExif(6, true),
       {270, 360},
       {kBlue, kRed, kWhite, kGreen}},
      {"7 transversed", OrientationExif(7, false), {270, 360}, {kWhite, kGreen, kBlue, kRed}},
      {"8 a quarter counter-clockwise",
       OrientationExif(8, true),
       {270, 360},
       {kGreen, kWhite, kRed, kBlue}},
      {"broken Exif inside a sound segment: as stored",
       "Exif\0\0MM\0*\xFF\xFF\xFF\x00garbage" + std::string(40, '\xFF'),
       {360, 270},
       {kRed, kGreen, kBlue, kWhite}},
      {"no Exif at all", "", {360, 270}, {kRed, kGreen, kBlue, kWhite}},
  };
  int i = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = "photo" + std::to_string(i++) + ".jpg";
    const std::string bytes = c.app1.empty() ? photo : WithApp1(photo, c.app1);
    Write(file, bytes);
    // The page's cheap reading of the header gives the size it will have.
    EXPECT_EQ(Size(c.shown), Size(TileSizeOf(file)));

    const testing::Answer answer = Get("/:thumb/" + file);
    ASSERT_EQ(0u, answer.head.find("HTTP/1.1 200 OK\r\n"));
    const Pixels shown = Decoded(answer.body);
    ASSERT_TRUE(c.shown == shown.size);
    const int w = shown.size.width;
    const int h = shown.size.height;
    EXPECT_TRUE(Near(shown.At(w / 4, h / 4), c.corners[0]));
    EXPECT_TRUE(Near(shown.At(3 * w / 4, h / 4), c.corners[1]));
    EXPECT_TRUE(Near(shown.At(w / 4, 3 * h / 4), c.corners[2]));
    EXPECT_TRUE(Near(shown.At(3 * w / 4, 3 * h / 4), c.corners[3]));
  }
}

TEST_F(ThumbnailTest, PngsAreScaledAndTransparencyLaidOverWhite) {
  const struct {
    const char* name;
    PixelSize size;
    std::string pixel;
    PixelSize thumbnail;
    Rgb colour;
  } cases[] = {
      {"opaque red", {1000, 200}, std::string("\xFF\0\0", 3), {360, 72}, kRed},
      {"small, not enlarged", {40, 30}, std::string("\0\0\xFF", 3), {40, 30}, kBlue},
      {"transparent", {500, 500}, std::string("\0\0\0\0", 4), {360, 360}, kWhite},
      {"half-transparent black",
       {100, 100},
       std::string("\0\0\0\x80", 4),
       {100, 100},
       {127, 127, 127}},
  };
  int i = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = PlainPng(c.size, c.pixel);
    const platform::FileName name = Write("plain" + std::to_string(i++) + ".png", bytes);
    const ThumbnailResult result = maker_.ThumbnailOf(name, StampOf(name), deadline_);
    ASSERT_EQ(Outcome::kMade, result.outcome);
    EXPECT_TRUE(c.thumbnail == result.thumbnail->size);
    const Pixels shown = Decoded(result.thumbnail->jpeg);
    ASSERT_TRUE(c.thumbnail == shown.size);
    EXPECT_TRUE(
        Near(shown.At(shown.size.width / 2, shown.size.height / 2), InCodecOrder(c.colour)));
  }
}

TEST_F(ThumbnailTest, HostilePicturesAreAnswered404WithMemoryBounded) {
  const std::string photo = Jpeg(Quarters({800, 600}));
  // A frame header that claims 65,500 × 65,500 pixels, and nothing after it.
  const std::string huge_jpeg =
      std::string(
          "\xFF\xD8\xFF\xC0\0\x11\x08\xFF\xDC\xFF\xDC\x03\x01\x22\0\x02\x11\x01\x03\x11\x01", 21) +
      "\xFF\xD9";
  // 30,000 × 30,000 RGB pixels claimed, one row of them given.
  const std::string huge_png = Png(30000, 30000, 3, std::string(1 + 30000 * 3, '\0'));
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"truncated.jpg", photo.substr(0, photo.size() * 2 / 3)},
      {"empty.jpg", ""},
      {"text.png", "This is not a picture, only text named as one.\n"},
      {"text.jpg", "\xFF\xD8\xFF but then text"},
      {"claims-30000x30000.png", huge_png.substr(0, 600)},
      {"claims-30000x30000-whole-header.png", huge_png},
      {"claims-65500x65500.jpg", huge_jpeg},
      {"exif-runs-past-the-end.jpg",
       WithApp1(photo, OrientationExif(6, false), 0xFFF0).substr(0, 4000)},
      {"exif-swallows-the-frame.jpg", WithApp1(photo, OrientationExif(6, true), 0x0800)},
  };
  Write("good.jpg", photo);
  const std::uint64_t before = PeakMemoryBytes();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write(c.name, c.bytes);
    const testing::Answer answer = Get("/:thumb/" + std::string(c.name));
    EXPECT_EQ(testing::kNotFoundBody, answer.body);
    // And the server still serves.
    EXPECT_EQ(0u, Get("/:thumb/good.jpg").head.find("HTTP/1.1 200 OK\r\n"));
  }
  EXPECT_LT(PeakMemoryBytes() - before, 64u * 1024 * 1024);
}

TEST_F(ThumbnailTest, AFolderPageShowsPicturesAsTilesAndOtherFilesAsRows) {
  Write("a.jpg", Jpeg(Quarters({800, 600})));
  Write("b.png", PlainPng({100, 50}, std::string("\0\0\xFF", 3)));
  Write("broken.jpg", "text named as a picture");
  Write("empty.jpg", "");
  Write("clip.mp4", "not a video either");
  Write("notes.txt", "text");
  site_.MakeFolder("sub");
  const bool videos = platform::SystemImageDecoders() == platform::ImageDecoders::kWindowsImaging;
  const struct {
    std::string name;
    std::string shown;  // a tile's size, or "row"
  } cases[] = {
      {"a.jpg", "360x270"},
      {"b.png", "100x50"},
      // No size to be read: a square, and the page's sign when it gives no thumbnail.
      {"broken.jpg", "360x360"},
      {"empty.jpg", "row"},
      {"clip.mp4", videos ? "360x360" : "row"},
      {"notes.txt", "row"},
      {"sub", "row"},
  };
  const std::string page = Get("/").body;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bool row = page.find("<a href=\"" + c.name) != std::string::npos &&
                     page.find("\">" + c.name) != std::string::npos;
    const PixelSize tile = TileSizeOf(c.name);
    EXPECT_EQ(c.shown, tile.width > 0 ? Size(tile) : row ? "row" : "neither");
  }
}

TEST_F(ThumbnailTest, AFileACloudProviderHoldsIsASquareTileWithNothingRead) {
  Write("a.jpg", Jpeg(Quarters({800, 600})));
  ThumbnailTiles tiles(maker_);
  for (const bool in_cloud : {true, false}) {
    ListingEntry entry{"a.jpg", false, 1000, {}, 0, in_cloud};
    tiles.TileOf(platform::FileName{root_, "", true}, entry);
    EXPECT_EQ(in_cloud ? "360x360" : "360x270", Size({entry.tile_width, entry.tile_height}));
  }
}

TEST_F(ThumbnailTest, ItsTagGetsNotModifiedUntilTheFileChanges) {
  Write("kept.jpg", Jpeg(Quarters({800, 600})));
  const testing::Answer first = Get("/:thumb/kept.jpg");
  ASSERT_EQ(0u, first.head.find("HTTP/1.1 200 OK\r\n"));
  const std::string tag = EtagOf(first);
  // Another tag: the thumbnail itself.
  EXPECT_TRUE(first.body == Get("/:thumb/kept.jpg", "If-None-Match: \"x\"\r\n").body);
  const testing::Answer again = Get("/:thumb/kept.jpg", "If-None-Match: \"x\", " + tag + "\r\n");
  EXPECT_EQ(0u, again.head.find("HTTP/1.1 304 Not Modified\r\n"));
  EXPECT_EQ("", again.body);

  site_.Write("kept.jpg", Jpeg(Quarters({600, 800})));
  const testing::Answer changed = Get("/:thumb/kept.jpg", "If-None-Match: " + tag + "\r\n");
  ASSERT_EQ(0u, changed.head.find("HTTP/1.1 200 OK\r\n"));
  EXPECT_NE(tag, EtagOf(changed));
  EXPECT_EQ("270x360", Size(Decoded(changed.body).size));
}

TEST_F(ThumbnailTest, KeptUntilTheFileChanges) {
  const std::string first = Jpeg(Quarters({800, 600}));
  const platform::FileName name = Write("kept.jpg", first);
  const FileStamp before = StampOf(name);
  EXPECT_EQ(first.size(), before.size);
  EXPECT_NEAR(static_cast<double>(std::time(nullptr)),
              static_cast<double>(before.changed_unix_seconds), 86400.0);
  const ThumbnailResult made = maker_.ThumbnailOf(name, before, deadline_);
  ASSERT_EQ(Outcome::kMade, made.outcome);
  // The same file: the very same thumbnail, not made again.
  EXPECT_EQ(made.thumbnail, maker_.ThumbnailOf(name, before, deadline_).thumbnail);

  const std::string second = Jpeg(Quarters({600, 800}));
  site_.Write("kept.jpg", second);
  const ThumbnailResult remade = maker_.ThumbnailOf(name, StampOf(name), deadline_);
  ASSERT_EQ(Outcome::kMade, remade.outcome);
  EXPECT_TRUE(PixelSize({270, 360}) == remade.thumbnail->size);
  EXPECT_EQ(1u, maker_.kept_count());
  EXPECT_EQ(Outcome::kNone, maker_.ThumbnailOf(Name("missing.jpg"), {1, 1}, deadline_).outcome);
}

}  // namespace
}  // namespace orvane::thumbnail
