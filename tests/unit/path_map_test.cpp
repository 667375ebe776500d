#include "http/core/path_map.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "http/core/request.h"
#include "http/core/resolve.h"
#include "support/stand_in_file.h"

namespace orvane {
namespace {

const std::string kOctet = "application/octet-stream";

// A site where every name is a file that opens.
class EverythingOpens : public SiteLookup {
 public:
  std::unique_ptr<BodySource> Open(const MappedPath&) override {
    return std::make_unique<testing::StandInFile>();
  }
  Kind KindOf(const MappedPath&) override { return Kind::kFile; }
  std::optional<std::string> AnsiToUtf8(std::string_view ansi) override {
    return std::string(ansi);
  }
};

// The request's path mapped as the service maps it with the listing off, in
// GBK: the file it names, or nullopt when none.
std::optional<MappedPath> MapRequest(std::string_view request, std::string_view root) {
  EverythingOpens files;
  Target target = Resolve(ParseRequest(request, CodePage::Gbk()), root, CodePage::Gbk(),
                          ServingOptions{}, files);
  if (target.kind != Target::Kind::kFile && target.kind != Target::Kind::kFolderIndex) {
    return std::nullopt;
  }
  return target.path;
}
const std::string kRefused = "(refused)";

// The full path a request line maps to when every name exists, or kRefused.
std::string MapLine(const std::string& line, std::string_view root = "C:\\web") {
  const std::optional<MappedPath> mapped = MapRequest(line + "\r\nHost: a\r\n\r\n", root);
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
    const std::optional<MappedPath> mapped = MapRequest(c.line + "\r\n\r\n", "C:\\web");
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
  const std::optional<MappedPath> readme =
      MapRequest("GET /readme HTTP/1.1\r\n\r\n", "C:\\my.site");
  ASSERT_TRUE(readme.has_value());
  EXPECT_EQ(kOctet, ContentTypeOf(*readme));
}

TEST(PathMapTest, RefusesPathsThatLeaveOrProbeTheSiteFolder) {
  // clang-format off
  const std::string hostile[] = {
      // Climbing above the root, plainly or escaped.
      "/..", "/../x", "/a/../../x", "/%2e%2e/x", "/%2E%2E%2Fwin.ini", "/..%5cx",
      "/x/..%2f..%2fwin.ini", "/x/..%2f..%2f", "/./../x",
      // Names Windows would shorten to "..", "." or nothing, or to another
      // name, which it would find as a file but not as a folder on the way.
      "/...", "/. .", "/.. /x", "/..../x", "/%20", "/a/ /b", "/a/%20", "/name.", "/sub./x",
      "/a.txt%20",
      // Devices, in any case and with an extension.
      "/CON", "/con", "/nul.txt", "/com1", "/COM9.log", "/LPT1", "/lpt9.txt", "/a/aux.htm",
      "/COM0", "/lpt0.txt",
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
  const std::string allowed[] = {"/com00", "/com10",     "/console", "/lpt",
                                 "/nul1",  "/aux_x.htm", "/a.con",   "/conin"};
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
  EXPECT_TRUE(IsReservedDeviceName("com0"));
  EXPECT_FALSE(IsReservedDeviceName("com00"));
  EXPECT_FALSE(IsReservedDeviceName(""));
}

TEST(PathMapTest, RefusesMalformedRequestLines) {
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
    EXPECT_FALSE(MapRequest(request, "C:\\web").has_value());
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
  // name and climbs nowhere: a name that ends in dots, which is refused.
  EXPECT_FALSE(MapDecodedPath("C:\\web", gbk, "/a\xAD/../x", NameEncoding::kAnsi).has_value());
  const std::optional<MappedPath> kept =
      MapDecodedPath("C:\\web", gbk, "/a\xAD/..x/y", NameEncoding::kAnsi);
  ASSERT_TRUE(kept.has_value());
  EXPECT_EQ("C:\\web\\a\xAD\\..x\\y", kept->FullPath());
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

}  // namespace
}  // namespace orvane
