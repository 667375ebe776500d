#include "http/log_queue.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

struct DropCase {
  std::string current;
  std::size_t incoming;
  std::size_t cap;
  std::size_t expected;
};

TEST(LogQueueTest, DropsWholeOldLinesToStayUnderTheCap) {
  const DropCase cases[] = {
      {"ab\ncd\n", 2, 8, 0},   // fits exactly
      {"ab\ncd\n", 0, 6, 0},
      {"ab\ncd\n", 3, 8, 3},   // one byte over: the first line goes
      {"ab\ncd\n", 5, 8, 3},
      {"ab\ncd\n", 6, 8, 6},   // both lines go
      {"ab\ncd\nef", 6, 8, 6},
      {"abc", 1, 3, 3},        // no line end: everything goes
      {"ab\ncd\n", 8, 8, 6},   // the new text alone fills the cap
      {"ab\ncd\n", 20, 8, 6},
      {"", 20, 8, 0},
      {"\n\n\n\n", 2, 4, 2},
  };
  for (const DropCase& c : cases) {
    SCOPED_TRACE(c.current + " +" + std::to_string(c.incoming) + " cap " +
                 std::to_string(c.cap));
    EXPECT_EQ(c.expected, BytesToDropForCap(c.current, c.incoming, c.cap));
  }
}

TEST(LogQueueTest, KeepsTheLinesInTheOrderTheyCame) {
  LogQueue queue;
  EXPECT_TRUE(queue.Push(LogBox::kConnection, "a"));
  EXPECT_FALSE(queue.Push(LogBox::kRequest, "b"));
  const std::vector<LogEntry> taken = queue.TakeAll();
  ASSERT_EQ(2u, taken.size());
  EXPECT_EQ("a", taken[0].text);
  EXPECT_EQ(LogBox::kRequest, taken[1].box);
  EXPECT_TRUE(queue.TakeAll().empty());
  EXPECT_TRUE(queue.Push(LogBox::kRequest, "c"));
}

}  // namespace
}  // namespace orvane
