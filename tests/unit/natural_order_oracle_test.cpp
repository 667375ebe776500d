// Explorer sorts names with shlwapi's StrCmpLogicalW: the same names compared
// by it and by NaturalCompare must come out the same way.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "http/core/natural_order.h"

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

}  // namespace
}  // namespace orvane
