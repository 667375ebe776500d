#include "http/core/content_type.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

// Written out here rather than taken from the header.
const std::string kOctet = "application/octet-stream";

struct TypeCase {
  std::string path;
  std::string expected;
};

TEST(ContentTypeTest, ChoosesTheTypeFromTheLastDotOfThePath) {
  const TypeCase cases[] = {
      {"C:\\web\\a.gif", "image/gif"},
      {"C:\\web\\a.jpg", "image/jpeg"},
      {"C:\\web\\a.jeg", "image/jpeg"},
      {"C:\\web\\photo.jpeg", kOctet},
      {"C:\\web\\a.bmp", "image/x-xbitmap"},
      {"C:\\web\\a.htm", "text/html"},
      {"C:\\web\\a.html", "text/html"},
      {"C:\\web\\a.shtml", "text/html"},
      {"C:\\web\\a.js", "text/plain"},
      {"C:\\web\\a.vbs", "text/plain"},
      {"C:\\web\\a.txt", "text/plain"},
      {"C:\\web\\Img\\Logo.GIF", "image/gif"},
      {"C:\\web\\a.HtMl", "text/html"},
      {"C:\\web\\A.TXT", "text/plain"},
      {"C:\\web\\a.css", kOctet},
      {"C:\\web\\a.png", kOctet},
      {"C:\\web\\a.tx", kOctet},
      {"C:\\web\\a.txt.bak", kOctet},
      {"C:\\web\\a.bak.txt", "text/plain"},
      {"C:\\web\\.htm", "text/html"},
      {"C:\\web\\readme", kOctet},
      {"C:\\web\\name.", kOctet},
      {"C:\\my.site\\readme", kOctet},  // the dot of the folder name counts
      {"C:\\web\\\xB0\xA1.txt", "text/plain"},
      {"", kOctet},
  };
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.expected, ContentTypeForPath(c.path));
    EXPECT_EQ(c.expected, ContentTypeForPath(c.path, ContentTypes::kOriginal));
  }
}

// The values come from mime.types (content_type_oracle_test.cpp); here, the
// lookup itself and what lies outside the table.
TEST(ContentTypeTest, CommonTableLooksUpLikeTheOriginal) {
  const TypeCase cases[] = {
      {"C:\\web\\clip.MP4", "video/mp4"},
      {"C:\\web\\a.bmp", "image/bmp"},
      {"C:\\web\\a.js", "text/javascript"},
      {"C:\\web\\a.jeg", "image/jpeg"},
      {"C:\\web\\a.mp4.part", "application/octet-stream"},
      {"C:\\web\\readme", "application/octet-stream"},
  };
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.expected, ContentTypeForPath(c.path, ContentTypes::kCommon));
  }
}

}  // namespace
}  // namespace orvane
