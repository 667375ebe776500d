#include "http/core/path_map.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "http/core/request.h"

namespace orvane {
namespace {

const std::string kOctet = "application/octet-stream";

// The request's path mapped as the service maps it, in GBK.
std::optional<MappedPath> MapRequest(std::string_view request, std::string_view root,
                                     const PathExistsFn& exists) {
  return MapRequestPath(RawRequestPath(request, CodePage::Gbk()), root, CodePage::Gbk(), exists);
}
const std::string kRefused = "(refused)";

// The full path a request line maps to when every name exists, or kRefused.
std::string MapLine(const std::string& line, std::string_view root = "C:\\web") {
  const auto everything = [](const MappedPath&) { return true; };
  const std::optional<MappedPath> mapped =
      MapRequest(line + "\r\nHost: a\r\n\r\n", root, everything);
  return mapped ? mapped->FullPath() : kRefused;
}

struct LineCase {
  std::string line;
  std::string path;
  std::string type;
};

TEST(PathMapTest, MapsRequestLinesUnderTheSiteFolder) {
  const LineCase cases[] = {
      {"GET / HTTP/1.1", "C:\\web\\index.htm", "text/html"},
      {"GET /Img/Logo.GIF HTTP/1.1", "C:\\web\\Img\\Logo.GIF", "image/gif"},
      {"GET /a+b.txt HTTP/1.1", "C:\\web\\a b.txt", "text/plain"},
      {"GET /a%20b.txt HTTP/1.1", "C:\\web\\a b.txt", "text/plain"},
      {"GET /a b.txt HTTP/1.1", "C:\\web\\a b.txt", "text/plain"},
      {"GET /photo.jpeg HTTP/1.1", "C:\\web\\photo.jpeg", kOctet},
      {"GET //x.txt HTTP/1.1", "C:\\web\\x.txt", "text/plain"},
      {"GET /a//b\\\\c.htm HTTP/1.1", "C:\\web\\a\\b\\c.htm", "text/html"},
      {"GET /docs HTTP/1.1", "C:\\web\\docs", kOctet},
      {"GET /name. HTTP/1.1", "C:\\web\\name.", kOctet},
      {"GET  /a.txt  HTTP/1.1", "C:\\web\\a.txt", "text/plain"},
      {"GET \xA1\xA1/a.txt HTTP/1.1", "C:\\web\\a.txt", "text/plain"},
      // The first four bytes are skipped whatever they are.
      {"GETX/a.txt HTTP/1.1", "C:\\web\\a.txt", "text/plain"},
      // No version: the last space is the one after GET, so the path is empty
      // and names the site folder itself.
      {"GET /a.txt", "C:\\web", kOctet},
      {"GET  HTTP/1.1", "C:\\web", kOctet},
      {"GET /a/./b.txt HTTP/1.1", "C:\\web\\a\\b.txt", "text/plain"},
      {"GET /a/../b.txt HTTP/1.1", "C:\\web\\b.txt", "text/plain"},
      {"GET /a/.. HTTP/1.1", "C:\\web", kOctet},
      {"GET /%5Cx.txt HTTP/1.1", "C:\\web\\x.txt", "text/plain"},
      // A GBK name whose second byte is 0x5C keeps it.
      {"GET /\x95\x5C.txt HTTP/1.1", "C:\\web\\\x95\x5C.txt", "text/plain"},
      {"GET /%95%5C HTTP/1.1", "C:\\web\\\x95\x5C", kOctet},
      {"GET /a.b/c HTTP/1.1", "C:\\web\\a.b\\c", kOctet},
      // "%00" ends the decoded path before anything after it is looked at.
      {"GET /a%00:c*\n HTTP/1.1", "C:\\web\\a", kOctet},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.line);
    const auto everything = [](const MappedPath&) { return true; };
    const std::optional<MappedPath> mapped = MapRequest(c.line + "\r\n\r\n", "C:\\web", everything);
    ASSERT_TRUE(mapped.has_value());
    EXPECT_EQ(c.path, mapped->FullPath());
    EXPECT_EQ(c.type, ContentTypeOf(*mapped));
  }
}

struct RootCase {
  std::string root;
  std::string line;
  std::string path;
};

TEST(PathMapTest, JoinsOddSiteFoldersWithOneSeparator) {
  const RootCase cases[] = {
      {"C:\\my.site", "GET /readme HTTP/1.1", "C:\\my.site\\readme"},
      {"D:", "GET /a.txt HTTP/1.1", "D:\\a.txt"},
      {"D:\\site\\", "GET /a.txt HTTP/1.1", "D:\\site\\a.txt"},
      {"C:/web", "GET /a.txt HTTP/1.1", "C:\\web\\a.txt"},
      {"\\\\server\\share", "GET /a.txt HTTP/1.1", "\\\\server\\share\\a.txt"},
      {"//server//share", "GET /a.txt HTTP/1.1", "\\\\server\\share\\a.txt"},
      // The folder is UTF-8 whatever the request's code page: under GBK rules
      // the last byte of 한 (ED 95 9C) would take the separator as its pair.
      {u8"C:\\\uD55C\\", "GET /a.txt HTTP/1.1", u8"C:\\\uD55C\\a.txt"},
      {u8"C:\\\u4E2D\u6587", "GET /%D6%D0.txt HTTP/1.1", u8"C:\\\u4E2D\u6587\\\xD6\xD0.txt"},
      {"", "GET /a.txt HTTP/1.1", "\\a.txt"},
  };
  for (const RootCase& c : cases) {
    SCOPED_TRACE(c.root + " " + c.line);
    EXPECT_EQ(c.path, MapLine(c.line, c.root));
  }
  const auto everything = [](const MappedPath&) { return true; };
  const std::optional<MappedPath> readme =
      MapRequest("GET /readme HTTP/1.1\r\n\r\n", "C:\\my.site", everything);
  ASSERT_TRUE(readme.has_value());
  EXPECT_EQ(kOctet, ContentTypeOf(*readme));
}

TEST(PathMapTest, RefusesPathsThatLeaveOrProbeTheSiteFolder) {
  // clang-format off
  const std::string hostile[] = {
      // Climbing above the root, plainly or escaped.
      "/..", "/../x", "/a/../../x", "/%2e%2e/x", "/%2E%2E%2Fwin.ini", "/..%5cx",
      "/x/..%2f..%2fwin.ini", "/x/..%2f..%2f", "/./../x",
      // Names Windows would shorten to "..", "." or nothing.
      "/...", "/. .", "/.. /x", "/..../x", "/%20", "/a/ /b", "/a/%20",
      // Devices, in any case and with an extension.
      "/CON", "/con", "/nul.txt", "/com1", "/COM9.log", "/LPT1", "/lpt9.txt", "/a/aux.htm",
      "/prn", "/conin$", "/CONOUT$", "/Con .txt", "/x/NUL/y",
      // Drive letters, streams, wildcards and control bytes.
      "/x:y", "/a.txt::$DATA", "/C:/windows/win.ini", "/a*", "/a?b", "/index.htm?v=2",
      "/%01", "/a%09b", "/a%0d%0a", "/%1f",
      // Not starting with a separator: "C:\web" + "x" names a sibling folder.
      "x.txt", "..", "a/b", "%2e%2e",
      // Ending with a separator: the folder search would not find it.
      "/docs/", "/docs%5c", "//",
  };
  // clang-format on
  for (const std::string& path : hostile) {
    SCOPED_TRACE(path);
    EXPECT_EQ(kRefused, MapLine("GET " + path + " HTTP/1.1"));
  }
}

TEST(PathMapTest, RefusesDeviceNamesWithSuperscriptDigits) {
  // Windows reads the Latin-1 superscripts one, two and three as digits of
  // COM and LPT device names, both through the wide and the ANSI file API.
  const std::string hostile[] = {"/COM%C2%B9", "/com%C2%B2.txt", "/LPT%C2%B3", "/a/lpt%C2%B9.htm",
                                 "/COM%B9",    "/lpt%B2.txt",    "/COM%B3"};
  for (const std::string& path : hostile) {
    SCOPED_TRACE(path);
    EXPECT_EQ(kRefused, MapLine("GET " + path + " HTTP/1.1"));
  }
}

TEST(PathMapTest, KeepsNamesThatOnlyLookLikeDevices) {
  const std::string allowed[] = {"/com0", "/com10",     "/console", "/lpt",
                                 "/nul1", "/aux_x.htm", "/a.con",   "/conin"};
  for (const std::string& path : allowed) {
    SCOPED_TRACE(path);
    EXPECT_EQ("C:\\web\\" + path.substr(1), MapLine("GET " + path + " HTTP/1.1"));
  }
}

TEST(PathMapTest, RecognisesWindowsDeviceNames) {
  EXPECT_TRUE(IsReservedDeviceName("nul"));
  EXPECT_TRUE(IsReservedDeviceName("Com1.txt"));
  EXPECT_TRUE(IsReservedDeviceName("CONOUT$"));
  EXPECT_TRUE(IsReservedDeviceName("lpt5.tar.gz"));
  EXPECT_TRUE(IsReservedDeviceName("COM\xC2\xB3 .txt"));
  EXPECT_FALSE(IsReservedDeviceName("COM\xC2\xB4"));  // acute accent, not a digit
  EXPECT_FALSE(IsReservedDeviceName("COM\xC2"));
  EXPECT_FALSE(IsReservedDeviceName("nul1"));
  EXPECT_FALSE(IsReservedDeviceName("com0"));
  EXPECT_FALSE(IsReservedDeviceName(""));
}

TEST(PathMapTest, RefusesMalformedRequestLines) {
  const auto everything = [](const MappedPath&) { return true; };
  // clang-format off
  const std::string lines[] = {
      "GET /a.txt HTTP/1.1",            // no CR LF at all
      "GET /a.txt HTTP/1.1\nHost: a\n\n",  // bare LF line ends
      "GET/a.txt\r\n",                  // no space on the request line
      "",
  };
  // clang-format on
  for (const std::string& request : lines) {
    SCOPED_TRACE(request);
    EXPECT_FALSE(MapRequest(request, "C:\\web", everything).has_value());
  }
}

TEST(PathMapTest, ALeadByteWithoutAValidTrailByteStandsAlone) {
  // GBK trail bytes are 0x40-0xFE: B0 before CR is a character of its own,
  // so the line end after it is still seen.
  const CodePage gbk = CodePage::Gbk();
  EXPECT_EQ("/\xB0",
            RawRequestPath("GET /\xB0 HTTP/1.1\r\nHost: a\r\n\r\n", gbk).value_or("(none)"));
  EXPECT_EQ("", RawRequestPath("GET /\xB0\r\nHost: a HTTP/1.1\r\n\r\n", gbk).value_or("(none)"));
  // Once "/" is turned into "\", the bytes AD 5C are one character for the
  // resolver as for the file system, so the ".." after them is part of that
  // name and climbs nowhere.
  const std::optional<MappedPath> kept =
      MapDecodedPath("C:\\web", gbk, "/a\xAD/../x", NameEncoding::kAnsi);
  ASSERT_TRUE(kept.has_value());
  EXPECT_EQ("C:\\web\\a\xAD\\..\\x", kept->FullPath());
  // In every double-byte code page a lead byte before "/" cannot hide the
  // separator: no "/" reaches the file system (which would split there and
  // open the device COM1) behind the resolver's back.
  for (unsigned number : {932u, 936u, 949u, 950u}) {
    SCOPED_TRACE(number);
    const CodePage cp = CodePage::KnownDoubleByte(number).value();
    const std::optional<MappedPath> mapped =
        MapDecodedPath("C:\\web", cp, "/\x81/COM1", NameEncoding::kAnsi);
    EXPECT_EQ(std::string::npos, mapped ? mapped->FullPath().find('/') : std::string::npos);
  }
}

TEST(PathMapTest, CutsTheRawPathOutOfTheRequestLine) {
  const CodePage gbk = CodePage::Gbk();
  EXPECT_EQ("/a b.txt", RawRequestPath("GET /a b.txt HTTP/1.1\r\n", gbk));
  EXPECT_EQ("", RawRequestPath("GET /a.txt\r\n", gbk));
  EXPECT_EQ("", RawRequestPath("GET  \r\n", gbk));
  EXPECT_EQ("\t/x", RawRequestPath("GET \t/x HTTP/1.1\r\n", gbk).value_or("(none)"));
  EXPECT_FALSE(RawRequestPath("GET /a HTTP/1.1", gbk).has_value());
  EXPECT_FALSE(RawRequestPath("GET\r\n", gbk).has_value());
  // The space that ends the path is the last one before the first CR LF.
  EXPECT_EQ("/a", RawRequestPath("GET /a HTTP/1.1\r\nHost: b c\r\n", gbk));
}

// A file system that knows a fixed set of names and records each question.
class FakeFiles {
 public:
  explicit FakeFiles(std::set<std::pair<NameEncoding, std::string>> names)
      : names_(std::move(names)) {}
  PathExistsFn Fn() {
    return [this](const MappedPath& m) {
      asked_.push_back({m.encoding, m.FullPath()});
      return names_.count({m.encoding, m.FullPath()}) > 0;
    };
  }
  const std::vector<std::pair<NameEncoding, std::string>>& asked() const { return asked_; }

 private:
  std::set<std::pair<NameEncoding, std::string>> names_;
  std::vector<std::pair<NameEncoding, std::string>> asked_;
};

TEST(PathMapTest, MapsFolderPathsUnderTheSameConfinementAsFiles) {
  const auto everything = [](const MappedPath&) { return true; };
  const std::string kNotFolder = "(not a folder path)";
  // clang-format off
  const struct {
    std::string path;
    std::string folder;  // the folder's full path, its index.htm after a space
  } cases[] = {
      {"/", "C:\\web C:\\web\\index.htm"},
      {"//", "C:\\web C:\\web\\index.htm"},
      {"/docs/", "C:\\web\\docs C:\\web\\docs\\index.htm"},
      {"/docs%2F", "C:\\web\\docs C:\\web\\docs\\index.htm"},
      {"/a/../b/", "C:\\web\\b C:\\web\\b\\index.htm"},
      {"/a+b/", "C:\\web\\a b C:\\web\\a b\\index.htm"},
      {"/docs", kNotFolder}, {"/docs%5c", kNotFolder}, {"/a.txt", kNotFolder},
      // What is refused as a file is refused as a folder.
      {"/../", kRefused}, {"/%2e%2e/", kRefused}, {"/x/..%2f..%2f", kRefused},
      {"/.../", kRefused}, {"/%20/", kRefused}, {"/con/", kRefused}, {"/x/NUL/", kRefused},
      {"/x:y/", kRefused}, {"/a*/", kRefused}, {"/a?b/", kRefused}, {"/docs?v=2/", kRefused},
      {"/%01/", kRefused}, {"/docs%5c/", kRefused}, {"x/", kRefused}, {"../", kRefused},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string request = "GET " + c.path + " HTTP/1.1\r\n\r\n";
    const std::optional<std::string_view> raw = RawRequestPath(request, CodePage::Gbk());
    std::string got = kNotFolder;
    if (NamesFolder(raw)) {
      const std::optional<MappedFolder> folder =
          MapRequestFolder(raw, "C:\\web", CodePage::Gbk(), everything);
      got = folder ? folder->folder.FullPath() + " " + folder->index.FullPath() : kRefused;
    }
    EXPECT_EQ(c.folder, got);
  }
}

constexpr NameEncoding kUtf8 = NameEncoding::kUtf8;
constexpr NameEncoding kAnsi = NameEncoding::kAnsi;

TEST(PathMapTest, LooksUpUtf8NamesAsUnicodeFirst) {
  const std::string utf8_name = "C:\\web\\\xE4\xB8\xAD.txt";  // U+4E2D
  FakeFiles files({{kUtf8, utf8_name}, {kAnsi, utf8_name}});
  const auto mapped = MapRequest("GET /%E4%B8%AD.txt HTTP/1.1\r\n\r\n", "C:\\web", files.Fn());
  ASSERT_TRUE(mapped.has_value());
  EXPECT_EQ(kUtf8, mapped->encoding);
  EXPECT_EQ("C:\\web", mapped->root);
  EXPECT_EQ("\\\xE4\xB8\xAD.txt", mapped->relative);
  EXPECT_EQ("text/plain", ContentTypeOf(*mapped));
  ASSERT_EQ(1u, files.asked().size());
}

TEST(PathMapTest, FallsBackToTheAnsiNameWhenTheUnicodeOneIsMissing) {
  const std::string name = "C:\\web\\\xE4\xB8\xAD.txt";
  FakeFiles files({{kAnsi, name}});
  const auto mapped = MapRequest("GET /%E4%B8%AD.txt HTTP/1.1\r\n\r\n", "C:\\web", files.Fn());
  ASSERT_TRUE(mapped.has_value());
  EXPECT_EQ(kAnsi, mapped->encoding);
  const std::vector<std::pair<NameEncoding, std::string>> expected = {{kUtf8, name}, {kAnsi, name}};
  EXPECT_EQ(expected, files.asked());
}

TEST(PathMapTest, AsksOnlyForTheAnsiNameWhenBytesAreNotUtf8) {
  const std::string gbk_name = "C:\\web\\\xC4\xE3.htm";  // GBK bytes
  FakeFiles files({{kAnsi, gbk_name}});
  const auto mapped = MapRequest("GET /%C4%E3.htm HTTP/1.1\r\n\r\n", "C:\\web", files.Fn());
  ASSERT_TRUE(mapped.has_value());
  EXPECT_EQ(kAnsi, mapped->encoding);
  EXPECT_EQ(gbk_name, mapped->FullPath());
  EXPECT_EQ(1u, files.asked().size());
}

TEST(PathMapTest, FailsWhenNothingExists) {
  FakeFiles files({{kAnsi, "C:\\web\\b.txt"}});
  EXPECT_FALSE(MapRequest("GET /a.txt HTTP/1.1\r\n\r\n", "C:\\web", files.Fn()).has_value());
  EXPECT_FALSE(MapRequest("GET /%E4%B8%AD HTTP/1.1\r\n\r\n", "C:\\web", files.Fn()).has_value());
  EXPECT_EQ(3u, files.asked().size());
}

TEST(PathMapTest, NeverAsksTheFileSystemAboutARefusedPath) {
  FakeFiles files({});
  for (const char* request : {"GET /../x HTTP/1.1\r\n", "GET /a* HTTP/1.1\r\n",
                              "GET /%E4%B8%AD%E6%96%87/../../x HTTP/1.1\r\n",
                              "GET /nul HTTP/1.1\r\n", "GET /a\r\n\r\n"}) {
    SCOPED_TRACE(request);
    EXPECT_FALSE(MapRequest(request, "C:\\web", files.Fn()).has_value());
  }
  // Only the last one, the site folder itself, is a question worth asking.
  ASSERT_EQ(1u, files.asked().size());
  EXPECT_EQ("C:\\web", files.asked()[0].second);
}

}  // namespace
}  // namespace orvane
