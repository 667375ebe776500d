// The pure rules of thumbnails: their size, the decode size, a photo's Exif
// orientation and header, which names get one, scaling down, the store and
// the replies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/thumbnail/fit.h"
#include "http/thumbnail/orientation.h"
#include "http/thumbnail/picture_header.h"
#include "http/thumbnail/shrink.h"
#include "http/thumbnail/thumbnail_names.h"
#include "http/thumbnail/thumbnail_reply.h"
#include "http/thumbnail/thumbnail_store.h"

namespace orvane::thumbnail {
namespace {

std::string Size(PixelSize size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

TEST(FitWithinTest, LongestSideAtMost360ProportionsKeptNeverEnlarged) {
  const struct {
    PixelSize picture;
    PixelSize fitted;
  } cases[] = {
      {{4000, 3000}, {360, 270}}, {{3000, 4000}, {270, 360}}, {{4032, 3024}, {360, 270}},
      {{5000, 5000}, {360, 360}}, {{360, 200}, {360, 200}},   {{100, 50}, {100, 50}},
      {{1, 1}, {1, 1}},           {{361, 1}, {360, 1}},       {{1, 10000}, {1, 360}},
      {{721, 479}, {360, 239}},   {{722, 361}, {360, 180}},   {{1081, 1}, {360, 1}},
      {{4000, 2999}, {360, 270}},  // 269.91 rounds up
      {{0, 10}, {0, 0}},          {{10, -1}, {0, 0}},         {{65535, 65535}, {360, 360}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Size(c.picture));
    EXPECT_EQ(Size(c.fitted), Size(FitWithin(c.picture)));
  }
}

TEST(DecodeSizeForTest, SmallestNativeSizeNoSmallerThanTheTargetWithinTheCeiling) {
  const std::vector<PixelSize> jpeg_eighths = {{500, 375},   {1000, 750},  {1500, 1125},
                                               {2000, 1500}, {2500, 1875}, {3000, 2250},
                                               {3500, 2625}, {4000, 3000}};
  const struct {
    const char* name;
    std::vector<PixelSize> native;
    PixelSize target;
    const char* expected;  // "none" for nullopt
  } cases[] = {
      {"an eighth is enough", jpeg_eighths, {360, 270}, "500x375"},
      {"a side just over an eighth", jpeg_eighths, {501, 100}, "1000x750"},
      {"the full size when no scaled one is", jpeg_eighths, {4000, 2999}, "4000x3000"},
      {"any order", {{4000, 3000}, {500, 375}, {1000, 750}}, {360, 270}, "500x375"},
      {"only the full size", {{800, 600}}, {360, 270}, "800x600"},
      {"full size at the ceiling", {{8192, 8192}}, {360, 360}, "8192x8192"},
      {"full size past the ceiling", {{8193, 8192}}, {360, 360}, "none"},
      {"a PNG that claims 30000 x 30000", {{30000, 30000}}, {360, 360}, "none"},
      {"a huge JPEG's eighth is within", {{8125, 8125}, {65000, 65000}}, {360, 360}, "8125x8125"},
      {"no size at all", {}, {360, 270}, "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<PixelSize> got = DecodeSizeFor(c.native, c.target);
    EXPECT_EQ(c.expected, got ? Size(*got) : "none");
  }
}

// An Exif block whose first IFD holds `entries` (tag, type, count, value as
// written in its first two bytes), at `ifd_offset`, in either byte order.
std::string ExifBlock(bool big_endian, std::uint32_t ifd_offset,
                      const std::vector<std::vector<std::uint32_t>>& entries,
                      std::size_t cut_to = std::string::npos) {
  std::string tiff = big_endian ? std::string("MM\0*", 4) : std::string("II*\0", 4);
  const auto put = [&](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      const int shift = 8 * (big_endian ? bytes - 1 - i : i);
      tiff.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
  };
  put(ifd_offset, 4);
  while (tiff.size() < ifd_offset && tiff.size() < 64) tiff.push_back('\0');
  put(static_cast<std::uint32_t>(entries.size()), 2);
  for (const auto& entry : entries) {
    put(entry[0], 2);
    put(entry[1], 2);
    put(entry[2], 4);
    put(entry[3], 2);
    put(0, 2);
  }
  put(0, 4);
  return (std::string("Exif\0\0", 6) + tiff).substr(0, cut_to);
}

TEST(ExifOrientationTest, ReadsTag274OfTheFirstIfdAndIsUprightForAnythingElse) {
  const struct {
    const char* name;
    std::string app1;
    Orientation expected;
  } cases[] = {
      {"little-endian", ExifBlock(false, 8, {{274, 3, 1, 6}}), Orientation::kRotateClockwise},
      {"big-endian", ExifBlock(true, 8, {{274, 3, 1, 8}}), Orientation::kRotateCounter},
      {"after other tags", ExifBlock(true, 8, {{271, 2, 4, 0}, {272, 2, 4, 0}, {274, 3, 1, 3}}),
       Orientation::kRotate180},
      {"IFD further on", ExifBlock(false, 20, {{274, 3, 1, 5}}), Orientation::kTranspose},
      {"no tag 274", ExifBlock(false, 8, {{271, 2, 4, 0}}), Orientation::kUpright},
      {"value 0", ExifBlock(false, 8, {{274, 3, 1, 0}}), Orientation::kUpright},
      {"value 9", ExifBlock(true, 8, {{274, 3, 1, 9}}), Orientation::kUpright},
      {"a LONG, not a SHORT", ExifBlock(false, 8, {{274, 4, 1, 6}}), Orientation::kUpright},
      {"a count of 0", ExifBlock(false, 8, {{274, 3, 0, 6}}), Orientation::kUpright},
      {"IFD offset past the end", ExifBlock(false, 0xFFFFFFF0, {{274, 3, 1, 6}}),
       Orientation::kUpright},
      {"cut inside the entry", ExifBlock(false, 8, {{274, 3, 1, 6}}, 6 + 8 + 2 + 9),
       Orientation::kUpright},
      {"a count of 65535 entries in a few bytes",
       [] {
         std::string block = ExifBlock(true, 8, {{271, 2, 4, 0}});
         block[6 + 8] = block[6 + 9] = '\xFF';
         return block;
       }(),
       Orientation::kUpright},
      {"no byte order", "Exif\0\0XX*\0\0\0\0\x08" + std::string(16, '\0'), Orientation::kUpright},
      {"not Exif", "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", Orientation::kUpright},
      {"only the name", std::string("Exif\0\0", 6), Orientation::kUpright},
      {"empty", "", Orientation::kUpright},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(static_cast<int>(c.expected), static_cast<int>(ExifOrientation(c.app1)));
  }
}

std::string Segment(unsigned char marker, const std::string& payload) {
  const std::size_t length = payload.size() + 2;
  return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8),
                     static_cast<char>(length & 0xFF)} +
         payload;
}

// A frame header's payload: precision, height, width, one component.
std::string Frame(int width, int height) {
  return std::string{8,
                     static_cast<char>(height >> 8),
                     static_cast<char>(height & 0xFF),
                     static_cast<char>(width >> 8),
                     static_cast<char>(width & 0xFF),
                     1,
                     1,
                     0x11,
                     0};
}

std::string PngStart(std::uint32_t width, std::uint32_t height) {
  std::string png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
  for (const std::uint32_t v : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<char>(v >> shift));
  }
  return png + std::string("\x08\x02\0\0\0", 5);
}

TEST(ReadPictureHeaderTest, SizeAndOrientationFromTheFirstBytes) {
  const std::string soi = "\xFF\xD8";
  const std::string exif6 = Segment(0xE1, ExifBlock(false, 8, {{274, 3, 1, 6}}));
  const struct {
    const char* name;
    std::string bytes;
    const char* expected;  // format, stored size or "?", orientation; or "none"
  } cases[] = {
      {"baseline JPEG", soi + Segment(0xC0, Frame(4000, 3000)) + "\xFF\xDA", "jpeg 4000x3000 1"},
      {"JFIF, Exif, then a progressive frame",
       soi + Segment(0xE0, "JFIF\0") + exif6 + Segment(0xC2, Frame(4032, 3024)),
       "jpeg 4032x3024 6"},
      {"tables before the frame are skipped",
       soi + Segment(0xDB, std::string(65, 'q')) + Segment(0xC4, std::string(30, 'h')) +
           Segment(0xC1, Frame(640, 480)),
       "jpeg 640x480 1"},
      {"fill bytes before a marker", soi + "\xFF\xFF" + Segment(0xC0, Frame(10, 20)),
       "jpeg 10x20 1"},
      {"XMP, not Exif, in APP1",
       soi + Segment(0xE1, "http://ns.adobe.com/xap/1.0/") + Segment(0xC0, Frame(10, 20)),
       "jpeg 10x20 1"},
      {"frame header past the prefix",
       soi + exif6 + Segment(0xE2, std::string(500, 'i')).substr(0, 100), "jpeg ? 6"},
      {"a scan before any frame", soi + "\xFF\xDA" + Segment(0xC0, Frame(10, 20)), "jpeg ? 1"},
      {"a segment length below 2", soi + "\xFF\xE0\x00\x01" + Segment(0xC0, Frame(10, 20)),
       "jpeg ? 1"},
      {"a frame of width 0", soi + Segment(0xC0, Frame(0, 20)), "jpeg ? 1"},
      {"junk where a marker should be",
       soi + Segment(0xE0, "JFIF") + "junk" + Segment(0xC0, Frame(10, 20)), "jpeg ? 1"},
      {"PNG", PngStart(30000, 30000), "png 30000x30000 1"},
      {"PNG cut inside IHDR", PngStart(300, 200).substr(0, 20), "png ? 1"},
      {"PNG wider than PNG allows", PngStart(0x80000000U, 1), "png ? 1"},
      {"text", "hello, this is text", "none"},
      {"empty", "", "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<PictureHeader> header = ReadPictureHeader(c.bytes);
    std::string got = "none";
    if (header) {
      got = std::string(header->format == PictureFormat::kJpeg ? "jpeg " : "png ") +
            (header->stored ? Size(*header->stored) : "?") + " " +
            std::to_string(static_cast<int>(header->orientation));
    }
    EXPECT_EQ(c.expected, got);
  }
}

TEST(ThumbnailSourceForTest, ByExtensionAndSystem) {
  using platform::ImageDecoders;
  const struct {
    const char* name;
    ThumbnailSource windows;
    ThumbnailSource headless;
  } cases[] = {
      {"\\IMG_20260503_101512.jpg", ThumbnailSource::kPicture, ThumbnailSource::kPicture},
      {"\\a\\b.JPEG", ThumbnailSource::kPicture, ThumbnailSource::kPicture},
      {"\\海边.Jpg", ThumbnailSource::kPicture, ThumbnailSource::kPicture},
      {"\\x.jfif", ThumbnailSource::kPicture, ThumbnailSource::kPicture},
      {"\\screen.png", ThumbnailSource::kPicture, ThumbnailSource::kPicture},
      {"\\anim.gif", ThumbnailSource::kPicture, ThumbnailSource::kNone},
      {"\\scan.TIFF", ThumbnailSource::kPicture, ThumbnailSource::kNone},
      {"\\old.bmp", ThumbnailSource::kPicture, ThumbnailSource::kNone},
      {"\\iphone.HEIC", ThumbnailSource::kPicture, ThumbnailSource::kNone},
      {"\\web.webp", ThumbnailSource::kPicture, ThumbnailSource::kNone},
      {"\\raw.CR2", ThumbnailSource::kPicture, ThumbnailSource::kNone},
      {"\\raw.dng", ThumbnailSource::kPicture, ThumbnailSource::kNone},
      {"\\clip.mp4", ThumbnailSource::kVideo, ThumbnailSource::kNone},
      {"\\clip.MOV", ThumbnailSource::kVideo, ThumbnailSource::kNone},
      {"\\doc.pdf", ThumbnailSource::kNone, ThumbnailSource::kNone},
      {"\\notes.txt", ThumbnailSource::kNone, ThumbnailSource::kNone},
      {"\\jpg", ThumbnailSource::kNone, ThumbnailSource::kNone},
      {"\\photo.jpg.txt", ThumbnailSource::kNone, ThumbnailSource::kNone},
      {"\\a.jpg\\folder", ThumbnailSource::kNone, ThumbnailSource::kNone},
      {"\\trailing.", ThumbnailSource::kNone, ThumbnailSource::kNone},
      {"\\x.jpgx", ThumbnailSource::kNone, ThumbnailSource::kNone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.windows, ThumbnailSourceFor(c.name, ImageDecoders::kWindowsImaging));
    EXPECT_EQ(c.headless, ThumbnailSourceFor(c.name, ImageDecoders::kJpegAndPng));
  }
}

// One channel's values along one side, scaled from in.size() to `out`
// pixels, the same along either side of the picture.
TEST(ShrinkerTest, EachPixelIsTheAverageOfTheAreaItCovers) {
  const struct {
    std::vector<int> in;
    int out;
    std::vector<int> expected;
  } cases[] = {
      {{0, 90, 180}, 2, {30, 150}},  // thirds: 1 + 1/2, 1/2 + 1
      {{0, 255}, 1, {128}},          // rounded to the nearest
      {{10, 20, 30, 40}, 2, {15, 35}},
      {{200, 200, 200, 200, 200}, 3, {200, 200, 200}},
      {{0, 0, 0, 255, 255, 255, 255}, 2, {36, 255}},  // 3.5 each
      {{7, 9}, 2, {7, 9}},                            // same size: unchanged
      {{7, 9}, 5, {7, 9}},                            // never enlarged
  };
  for (const auto& c : cases) {
    for (const bool across : {true, false}) {
      SCOPED_TRACE(std::to_string(c.in.size()) + " to " + std::to_string(c.out) +
                   (across ? " across" : " down"));
      const int n = static_cast<int>(c.in.size());
      const PixelSize in = across ? PixelSize{n, 1} : PixelSize{1, n};
      Shrinker shrinker(in, across ? PixelSize{c.out, 1} : PixelSize{1, c.out});
      std::vector<std::uint8_t> row;
      for (int i = 0; i < n && across; ++i)
        row.insert(row.end(), 3, static_cast<std::uint8_t>(c.in[i]));
      if (across) shrinker.AddRow(row.data());
      for (int i = 0; i < n && !across; ++i) {
        const std::vector<std::uint8_t> one(3, static_cast<std::uint8_t>(c.in[i]));
        EXPECT_FALSE(shrinker.done());
        shrinker.AddRow(one.data());
      }
      ASSERT_TRUE(shrinker.done());
      const Pixels out = shrinker.Take();
      std::vector<int> got;
      for (std::size_t i = 0; i < out.bytes.size(); i += 3) got.push_back(out.bytes[i]);
      EXPECT_EQ(c.expected, got);
    }
  }
}

TEST(ThumbnailStoreTest, KeyedByPathSizeAndTimeBoundedLeastRecentlyUsedOutFirst) {
  // Each thumbnail of these steps costs 1000 bytes and its path, with the
  // bookkeeping: four fit in 4,800 bytes, five do not.
  ThumbnailStore store(4800);
  const auto thumb = [](char fill) {
    return std::make_shared<const Thumbnail>(Thumbnail{std::string(1000, fill), {360, 270}});
  };
  const FileStamp t1{5000, 1700000000};
  // put: the thumbnail's fill to keep first ('-': none, the file gave none;
  // 0: only a look); found: its fill, "" for none, "-" for not found.
  const struct {
    const char* step;
    char put;
    const char* path;
    FileStamp stamp;
    const char* found;
  } steps[] = {
      {"kept", 'a', "/a.jpg", t1, "a"},
      {"another time misses", 0, "/a.jpg", {5000, 1700000001}, "-"},
      {"another size misses", 0, "/a.jpg", {5001, 1700000000}, "-"},
      {"another path misses", 0, "/A.jpg", t1, "-"},
      {"a file that gave none", '-', "/bad.jpg", t1, ""},
      {"b", 'b', "/b.jpg", t1, "b"},
      {"c", 'c', "/c.jpg", t1, "c"},
      {"a used again", 0, "/a.jpg", t1, "a"},
      {"d pushes out bad (least recently used)", 'd', "/d.jpg", t1, "d"},
      {"bad is gone", 0, "/bad.jpg", t1, "-"},
      {"e pushes out b", 'e', "/e.jpg", t1, "e"},
      {"b is gone", 0, "/b.jpg", t1, "-"},
      {"a stays", 0, "/a.jpg", t1, "a"},
      {"a changed file replaces its entry", 'A', "/a.jpg", {6000, 1700000500}, "A"},
      {"the old one is gone with it", 0, "/a.jpg", t1, "-"},
      {"c stays, nothing else was pushed out", 0, "/c.jpg", t1, "c"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    if (s.put != 0) store.Put(s.path, s.stamp, s.put != '-' ? thumb(s.put) : nullptr);
    const auto found = store.Find(s.path, s.stamp);
    const std::string got = !found ? "-" : *found ? std::string(1, (*found)->jpeg[0]) : "";
    EXPECT_EQ(s.found, got);
    EXPECT_LE(store.bytes(), 4800u);
  }
  EXPECT_EQ(4u, store.count());

  // One that alone is larger than the whole store is not kept.
  store.Put("/huge.jpg", t1,
            std::make_shared<const Thumbnail>(Thumbnail{std::string(5000, 'h'), {360, 360}}));
  EXPECT_FALSE(store.Find("/huge.jpg", t1));
  EXPECT_EQ(4u, store.count());
}

TEST(ThumbnailEtagTest, ChangesWithTheFilesSizeOrTime) {
  const std::string tag = ThumbnailEtag({5000, 1700000000});
  EXPECT_EQ('"', tag.front());
  EXPECT_EQ('"', tag.back());
  EXPECT_EQ(tag, ThumbnailEtag({5000, 1700000000}));
  EXPECT_NE(tag, ThumbnailEtag({5001, 1700000000}));
  EXPECT_NE(tag, ThumbnailEtag({5000, 1700000001}));
}

TEST(ThumbnailReplyTest, TagMatchesAsIfNoneMatchComparesThem) {
  const std::string tag = "\"1f-6a-t360\"";
  const struct {
    std::string if_none_match;
    bool matches;
  } cases[] = {
      {tag, true},           {"W/" + tag, true},  {"\"x\"," + tag + " ,\"y\"", true},
      {" * ", true},         {"", false},         {"\"x\"", false},
      {"1f-6a-t360", false}, {"w/" + tag, false}, {tag + "x", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.if_none_match);
    EXPECT_EQ(c.matches, TagMatches(c.if_none_match, tag));
  }
}

TEST(ThumbnailReplyTest, HeadsTellTheTagAndHowLongToKeepIt) {
  const FileStamp stamp{31, 106};
  const auto thumbnail = std::make_shared<const Thumbnail>(Thumbnail{"JPEG bytes", {4, 3}});
  const std::string lines = "ETag: \"1f-6a-t360\"\r\nCache-Control: private, max-age=86400\r\n";
  const std::string start = "Server: OrvaneServer/1.0\r\nDate: D\r\n";
  const struct {
    const char* name;
    Reply reply;
    std::string head;
  } cases[] = {
      {"made", ThumbnailReply(ParsedRequest{}, thumbnail, stamp),
       "HTTP/1.1 200 OK\r\n" + start + "Content-Length: 10\r\nContent-Type: image/jpeg\r\n" +
           lines + "\r\n"},
      {"the browser's copy is current", NotModifiedReply(stamp),
       "HTTP/1.1 304 Not Modified\r\n" + start + lines + "\r\n"},
      {"busy", BusyReply(),
       "HTTP/1.1 503 Service Unavailable\r\n" + start +
           "Connection: close\r\nContent-Length: " + std::to_string(BusyReply().bytes.size()) +
           "\r\nContent-Type: text/html; charset=utf-8\r\nCache-control: private\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.head, BuildHead(c.reply.head, "D"));
  }
}

}  // namespace
}  // namespace orvane::thumbnail
