// Explorer sorts names with shlwapi's StrCmpLogicalW: the same names compared
// by it and by NaturalCompare must come out the same way.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "base/natural_order.h"
#include "platform/name_order.h"

namespace orvane {
namespace {

std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                         wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(length));
  return wide;
}

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(NaturalOrderOracleTest, AgreesWithStrCmpLogicalW) {
  const std::string names[] = {
      "2.jpg",
      "10.jpg",
      "1.jpg",
      "01.jpg",
      "img9",
      "img10",
      "IMG10",
      "a2b10",
      "a2b9",
      "abc",
      "ABC",
      "Apple",
      "banana",
      "Zebra",
      "a",
      "ab",
      "a b",
      "a_b",
      "a-b",
      "a.b",
      "_a",
      "1",
      "x1",
      "x.",
      "x",
      "007",
      "7",
      "file01",
      "file1",
      "file1a",
      "99999999999999999999",
      "100000000000000000000",
      "report 2",
      "report 10",
      "Report 3.txt",
      "v1.2.10",
      "v1.2.9",
      "v1.10",
  };
  for (const std::string& a : names) {
    for (const std::string& b : names) {
      SCOPED_TRACE(a + " | " + b);
      EXPECT_EQ(Sign(StrCmpLogicalW(Wide(a).c_str(), Wide(b).c_str())), Sign(NaturalCompare(a, b)));
    }
  }
}

// Pairs in Explorer's order (on Wine, Chinese locale); the portable one differs.
TEST(NaturalOrderOracleTest, NameLessOnWindowsIsExplorersOrderWhereThePortableOneDiffers) {
  const char* const pairs[][2] = {
      {"\xC3\xA9t\xC3\xA9.jpg", "f.jpg"},        // été: an accent sorts beside its letter
      {"\xEF\xBD\x82.txt", "x1.txt"},            // a fullwidth b sorts as b
      {"\xE9\x98\xBF.mp4", "\xE4\xB8\xAD.mp4"},  // 阿 (a) before 中 (zhong), by pinyin
      {"ABC", "abc"},                            // held level by Explorer: ordered by their bytes
  };
  for (const auto& pair : pairs) {
    SCOPED_TRACE(std::string(pair[0]) + " | " + pair[1]);
    EXPECT_TRUE(platform::NameLess(pair[0], pair[1]));
    EXPECT_FALSE(platform::NameLess(pair[1], pair[0]));
  }
}

}  // namespace
}  // namespace orvane
