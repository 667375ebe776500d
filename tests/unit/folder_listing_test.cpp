#include "http/listing/folder_listing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/utf16_name.h"
#include "http/core/page_text.h"
#include "http/core/url_decode.h"

namespace orvane {
namespace {

ListingEntry File(const std::string& name, std::uint64_t size = 0) {
  ListingEntry entry;
  entry.name = name;
  entry.size = size;
  return entry;
}

ListingEntry Folder(const std::string& name) {
  ListingEntry entry = File(name);
  entry.is_folder = true;
  return entry;
}

std::string Render(const std::string& path, std::vector<ListingEntry> entries,
                   std::size_t not_writable = 0) {
  return RenderFolderListing({path, std::move(entries), not_writable});
}

struct HostileName {
  std::string name;
  std::string shown;  // the name as the page's HTML writes it
};

TEST(FolderListingTest, EscapesEveryNameAndLinksItBackToTheSameName) {
  const HostileName cases[] = {
      {"<b>.txt", "&lt;b&gt;.txt"},
      {"a&b.txt", "a&amp;b.txt"},
      {"say \"hi\".txt", "say &quot;hi&quot;.txt"},
      {"it's.txt", "it&#39;s.txt"},
      {"#1.txt", "#1.txt"},
      {"100%.txt", "100%.txt"},
      {"%41.txt", "%41.txt"},
      {"c++ notes.txt", "c++ notes.txt"},
      {"why?.txt", "why?.txt"},
      {"  two  spaces ", "  two  spaces "},
      {"\xE7\x85\xA7\xE7\x89\x87.png", "\xE7\x85\xA7\xE7\x89\x87.png"},  // 照片.png
      {"\xF0\x9F\x98\x80.mp4", "\xF0\x9F\x98\x80.mp4"},                  // an emoji
      {"a;b=c,d@e$f!g(h)[i].txt", "a;b=c,d@e$f!g(h)[i].txt"},
  };
  for (const HostileName& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string link = PercentEncode(c.name);
    EXPECT_EQ(c.name, DecodeUrlPath(link));
    EXPECT_EQ(std::string::npos,
              link.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                     "0123456789-._~%"));
    const std::string page = Render("/", {File(c.name)});
    EXPECT_NE(std::string::npos,
              page.find("<li><input type=\"checkbox\" name=\"n\" value=\"" + c.shown +
                        "\"><a href=\"" + link + "\">" + c.shown + "<span>"));
  }
}

TEST(FolderListingTest, AsksForTheTilesOfTheFilesThePageShowsOnly) {
  const struct {
    std::size_t cap;
    std::size_t byte_budget;
    std::vector<std::string> asked;
  } cases[] = {
      {10, kListingByteBudget, {"1.jpg", "2.txt", "3.jpg"}},
      {2, kListingByteBudget, {"1.jpg"}},
      {10, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cap);
    FolderListing listing{"/", {File("3.jpg"), Folder("d"), File("2.txt"), File("1.jpg")}};
    listing.cap = c.cap;
    listing.byte_budget = c.byte_budget;
    std::vector<std::string> asked;
    listing.tile_of = [&asked](ListingEntry& entry) {
      asked.push_back(entry.name);
      if (entry.name != "2.txt") entry.tile = Tile::kPicture;
    };
    const std::string page = RenderFolderListing(std::move(listing));
    EXPECT_EQ(c.asked, asked);
    EXPECT_EQ(!c.asked.empty(), page.find("<img src=\"/:thumb/1.jpg\"") != std::string::npos);
  }
}

TEST(FolderListingTest, ListsFoldersThenPicturesAsTilesThenFilesInNaturalOrder) {
  ListingEntry dated = File("10.jpg", 1536);
  dated.changed = {2026, 3, 5, 7, 9};
  dated.tile = Tile::kPicture;
  dated.tile_width = 360;
  dated.tile_height = 270;
  ListingEntry video = File("3 \xE6\xB5\xB7.mp4", 2048);  // 3 海.mp4
  video.tile = Tile::kVideo;
  video.tile_width = video.tile_height = 360;
  ListingEntry sub = Folder("Zeta");
  sub.changed = {1999, 12, 31, 23, 59};
  FolderListing listing{"/\xE7\x85\xA7\xE7\x89\x87/",
                        {File("B.txt", 0), dated, sub, File("2.jpg", 1023), Folder("alpha"),
                         File("a.txt", 1048575), video}};
  listing.spelling = "/%E7%85%A7%E7%89%87/";
  const std::string page = RenderFolderListing(listing);
  const std::string box = "<input type=\"checkbox\" name=\"n\" value=\"";
  const std::string rows[] = {
      "<form method=\"post\" action=\"/:zip/%E7%85%A7%E7%89%87/\">",
      "<a class=\"all\" href=\"/:zip/%E7%85%A7%E7%89%87/\">",
      "<li><a href=\"../\">",
      "<li>" + box + "alpha\"><a href=\"alpha/\">alpha/<span>1970-01-01 00:00</span>",
      "<li>" + box + "Zeta\"><a href=\"Zeta/\">Zeta/<span>1999-12-31 23:59</span>",
      "<ul class=\"tiles\">",
      "<li class=\"video\">" + box +
          "3 \xE6\xB5\xB7.mp4\"><a href=\"3%20%E6%B5%B7.mp4\"><img "
          "src=\"/:thumb/%E7%85%A7%E7%89%87/3%20%E6%B5%B7.mp4\" width=\"360\" height=\"360\" "
          "loading=\"lazy\" alt=\"\"><span>3 \xE6\xB5\xB7.mp4</span><small>2.0 KB \xC2\xB7",
      "<li>" + box +
          "10.jpg\"><a href=\"10.jpg\"><img src=\"/:thumb/%E7%85%A7%E7%89%87/10.jpg\" "
          "width=\"360\" height=\"270\" loading=\"lazy\" alt=\"\"><span>10.jpg</span><small>1.5 KB "
          "\xC2\xB7 2026-03-05 07:09</small></a></li>",
      "</ul>\n<ul class=\"rows\">",
      "<li>" + box + "2.jpg\"><a href=\"2.jpg\">2.jpg<span>1023 B \xC2\xB7 1970-01-01 00:00</span>",
      "<li>" + box + "a.txt\"><a href=\"a.txt\">a.txt<span>1.0 MB \xC2\xB7",
      "<li>" + box + "B.txt\"><a href=\"B.txt\">B.txt<span>0 B \xC2\xB7",
  };
  std::size_t from = 0;
  for (const std::string& row : rows) {
    SCOPED_TRACE(row);
    const std::size_t at = page.find(row, from);
    ASSERT_NE(std::string::npos, at);
    from = at;
  }
  EXPECT_NE(std::string::npos, page.find("<h1>/\xE7\x85\xA7\xE7\x89\x87/</h1>"));
  EXPECT_EQ(std::string::npos, Render("/", {}).find("href=\"../\""));
}

TEST(FolderListingTest, SizesInBinaryUnitsWithOneDecimal) {
  const std::pair<std::uint64_t, std::string> cases[] = {
      {0, "0 B"},
      {1023, "1023 B"},
      {1024, "1.0 KB"},
      {1075, "1.0 KB"},
      {1076, "1.1 KB"},
      {1048575, "1.0 MB"},  // 1023.999 KB rounds up into the next unit
      {5 * 1048576 + 524288, "5.5 MB"},
      {3435973837ULL, "3.2 GB"},
      {1099511627776ULL, "1024.0 GB"},  // no unit past GB
      {UINT64_MAX, "17179869184.0 GB"},
  };
  for (const auto& [size, text] : cases) {
    SCOPED_TRACE(size);
    EXPECT_EQ(text, SizeText(size));
  }
}

TEST(FolderListingTest, CountsWhatIsLeftOutPastTheCapAndAsNotUtf8) {
  std::vector<ListingEntry> many;
  for (std::size_t i = kListingCap + 3; i > 0; --i) many.push_back(File(std::to_string(i)));
  const std::string page = Render("/", many, 2);
  std::size_t rows = 0;
  for (std::size_t at = page.find("<li>"); at != std::string::npos;
       at = page.find("<li>", at + 1)) {
    ++rows;
  }
  EXPECT_EQ(kListingCap, rows);
  // The first ones by number are shown, the last ones counted.
  EXPECT_NE(std::string::npos, page.find("href=\"10000\""));
  EXPECT_EQ(std::string::npos, page.find("href=\"10001\""));
  EXPECT_NE(std::string::npos,
            page.find("<p>\xE5\x8F\xA6\xE6\x9C\x89 3 \xE9\xA1\xB9"));  // 另有 3 项
  EXPECT_NE(std::string::npos, page.find("<p>2 \xE4\xB8\xAA"));        // 2 个
  const std::string whole = Render("/", {File("a")});
  EXPECT_EQ(std::string::npos, whole.find("<p>"));
}

TEST(FolderListingTest, StopsAddingRowsOnceThePageIsPastItsByteBudget) {
  // Names of 255 "&": each row is some 2 KB, so the whole folder would be a
  // page of about 20 MB.
  std::vector<ListingEntry> many;
  for (std::size_t i = 0; i < kListingCap; ++i) {
    many.push_back(File(std::string(250, '&') + std::to_string(10000 + i)));
  }
  const std::string page = Render("/", many);
  std::size_t rows = 0;
  for (std::size_t at = page.find("<li>"); at != std::string::npos;
       at = page.find("<li>", at + 1)) {
    ++rows;
  }
  EXPECT_LT(page.size(), kListingByteBudget + 8192);
  EXPECT_GT(rows, 500u);
  // Every entry is either shown or counted in the line for the rest.
  const std::string more =
      "<p>\xE5\x8F\xA6\xE6\x9C\x89 " + std::to_string(kListingCap - rows) + " ";
  EXPECT_NE(std::string::npos, page.find(more));
}

TEST(FolderListingTest, PageStandsAloneAndFitsAPhone) {
  const std::string page = Render("/", {File("a")});
  const std::string present[] = {
      "<meta charset=\"utf-8\">",
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
      "@media (prefers-color-scheme: dark)", "min-height: 48px"};
  for (const std::string& text : present) {
    SCOPED_TRACE(text);
    EXPECT_NE(std::string::npos, page.find(text));
  }
  // Nothing fetched from anywhere else.
  const std::string absent[] = {"src=\"http", "src=\"//", "url(http", "url(//", "@import", "<link"};
  for (const std::string& text : absent) {
    SCOPED_TRACE(text);
    EXPECT_EQ(std::string::npos, page.find(text));
  }
}

struct NameCase {
  std::string name;
  bool hidden;
  ListedName expected;
};

TEST(FolderListingTest, LeavesOutHiddenRefusedAndNotUtf8Names) {
  const NameCase cases[] = {
      {"photo.jpg", false, ListedName::kListed},
      {"\xE7\x85\xA7\xE7\x89\x87.png", false, ListedName::kListed},
      {"a b #%&+.txt", false, ListedName::kListed},
      {".profile", true, ListedName::kHidden},
      {"desktop.ini", true, ListedName::kHidden},
      {"CON", false, ListedName::kRefused},
      {"nul.txt", false, ListedName::kRefused},
      {"a:b", false, ListedName::kRefused},
      {"a*b", false, ListedName::kRefused},
      {"a?b", false, ListedName::kRefused},
      {"tab\there", false, ListedName::kRefused},
      {"a\\b", false, ListedName::kRefused},
      {"...", false, ListedName::kRefused},
      {". .", false, ListedName::kRefused},
      {"\xB0\xA1.txt", false, ListedName::kNotWritable},      // GBK bytes
      {"\xED\xA0\x80.txt", false, ListedName::kNotWritable},  // a lone surrogate
      {"\xC0\xAF", false, ListedName::kNotWritable},          // overlong "/"
      {"\xB0\xA1", true, ListedName::kHidden},                // hidden names are not counted
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, ClassifyListedName(c.name, c.hidden));
  }
}

struct WideNameCase {
  std::u16string name;
  std::string bytes;
  ListedName expected;
};

// A Windows name reaches the rule as Utf16NameToUtf8 writes it.
TEST(FolderListingTest, WindowsNamesWithLoneSurrogatesAreCountedNotListed) {
  const WideNameCase cases[] = {
      {u"a.txt", "a.txt", ListedName::kListed},
      {u"\u7167\u7247", "\xE7\x85\xA7\xE7\x89\x87", ListedName::kListed},
      {u"\xD83D\xDE00", "\xF0\x9F\x98\x80", ListedName::kListed},  // a pair: one emoji
      {u"x\xD800", "x\xED\xA0\x80", ListedName::kNotWritable},
      {u"\xDE00x", "\xED\xB8\x80x", ListedName::kNotWritable},
      {u"\xDE00\xD83D", "\xED\xB8\x80\xED\xA0\xBD", ListedName::kNotWritable},  // reversed
  };
  for (const WideNameCase& c : cases) {
    SCOPED_TRACE(c.bytes);
    const std::string bytes = Utf16NameToUtf8(c.name);
    EXPECT_EQ(c.bytes, bytes);
    EXPECT_EQ(c.expected, ClassifyListedName(bytes, false));
  }
}

}  // namespace
}  // namespace orvane
