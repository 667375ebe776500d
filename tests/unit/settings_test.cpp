#include "http/core/settings.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

struct PortCase {
  std::string text;
  std::int16_t expected;
};

TEST(SettingsTest, SettlesThePortFromThePortBoxText) {
  // clang-format off
  const PortCase cases[] = {
      {"8080", 8080},
      {" 81 ", 81},
      {"\xA1\xA1" "81" "\xA1\xA1", 81},
      {"81.9", 81},
      {"8080abc", 8080},
      {"\xA3\xB8\xA3\xB0\xA3\xB8\xA3\xB0", 8080},  // full-width digits
      {"", 80},
      {"0", 80},
      {"-21", 80},
      {"\xA3\xAD" "21", 80},  // full-width minus
      {"-", 80},
      {"abc", 80},
      {"1", 1},
      {"32767", 32767},
      {"32768", 80},
      {"40000", 80},
      {"65535", 80},
      {"65536", 80},
      {"65537", 1},
      {"65616", 80},  // low 16 bits are 80
      {"70000", 4464},
      {"\t8080", 8080},  // not a blank, but atof skips it
      {"8 080", 8},
      {"1e3", 1000},
      // Rounded to the nearest double first, then truncated.
      {"8080.99999999999999", 8081},
      {"8080.999999999999", 8080},
      {"99999999999999999999999", 80},
  };
  // clang-format on
  for (const PortCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, SettleServerPort(c.text, CodePage::Gbk()));
  }
}

struct FolderCase {
  std::string text;
  std::string expected;
};

TEST(SettingsTest, SettlesTheSiteRootByDroppingOneTrailingBackslash) {
  const FolderCase cases[] = {
      {"D:\\site\\", "D:\\site"},
      {"D:\\site\\\\", "D:\\site\\"},
      {"D:\\", "D:"},
      {"", ""},
      {"D:\\site", "D:\\site"},
      {"\\", ""},
      {"D:/site/", "D:/site/"},
      // The folder is UTF-8 text, where 0x5C is always a backslash of its own.
      {u8"D:\\\uD55C\\", u8"D:\\\uD55C"},
      {u8"D:\\\u4E2D\u6587", u8"D:\\\u4E2D\u6587"},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, SettleSiteRoot(c.text));
  }
}

}  // namespace
}  // namespace orvane
