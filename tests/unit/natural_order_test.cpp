#include "base/natural_order.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

struct OrderCase {
  std::string a;
  std::string b;
  int expected;  // the sign of NaturalCompare(a, b)
};

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(NaturalOrderTest, ComparesDigitRunsAsNumbersAndLettersWithoutCase) {
  const OrderCase cases[] = {
      {"2.jpg", "10.jpg", -1},
      {"img9", "img10", -1},
      {"img10", "img9", 1},
      {"a2b10", "a2b9", 1},
      {"007", "7", 0},
      {"file01", "file1", 0},
      {"01a", "1b", -1},
      {"99999999999999999999999", "100000000000000000000000", -1},  // past 64 bits
      // The shared start ends inside a run of digits: the runs are still compared whole.
      {"img1.jpg", "img12.jpg", -1},
      {"19", "100", -1},
      {"abc", "ABC", 0},
      {"Apple", "banana", -1},
      {"Zebra", "apple", 1},
      {"a", "ab", -1},
      {"", "a", -1},
      {"1", "a", -1},  // a number sorts before any other character
      {"1", "_", -1},
      {"x1", "x.", -1},
      {"_a", "a", -1},  // letters compare as lower case, so "_" stays before them
      {"a b", "a_b", -1},
      {"a-b", "a b", -1},  // hyphen and apostrophe before the other punctuation
      {"a'b", "a-b", -1},
      {"a~b", "a+b", -1},  // "+<=>" after it
      {"a+b", "ab", -1},
      {"\xE7\x85\xA7\xE7\x89\x87", "z", 1},  // other text after ASCII
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.a + " | " + c.b);
    EXPECT_EQ(c.expected, Sign(NaturalCompare(c.a, c.b)));
    EXPECT_EQ(-c.expected, Sign(NaturalCompare(c.b, c.a)));
    // Level names still get a fixed order, by their bytes.
    EXPECT_EQ(c.expected < 0 || (c.expected == 0 && c.a < c.b), NaturalLess(c.a, c.b));
  }
}

}  // namespace
}  // namespace orvane
