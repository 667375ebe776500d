#include "http/log_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvane {
namespace {

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

struct CeilingCase {
  std::vector<std::string> pushed;
  std::vector<std::string> kept;  // after the notice, when one is due
  std::size_t dropped;
};

TEST(LogQueueTest, DropsTheOldestLinesPastItsCeilingAndSaysHowMany) {
  const CeilingCase cases[] = {
      {{"1234", "5678", "90"}, {"1234", "5678", "90"}, 0},  // exactly at the ceiling
      {{"1234", "5678", "901"}, {"5678", "901"}, 1},
      {{"12", "34", "56", "78", "90", "abcdefgh"}, {"90", "abcdefgh"}, 4},
      {{"a", "0123456789x"}, {}, 2},  // a line larger than the ceiling goes too
  };
  for (const CeilingCase& c : cases) {
    LogQueue queue(10);
    for (const std::string& text : c.pushed) queue.Push(LogBox::kRequest, text);
    std::vector<LogEntry> taken = queue.TakeAll();
    std::vector<std::string> expected;
    if (c.dropped > 0) expected.push_back(DroppedLinesNotice(c.dropped));
    expected.insert(expected.end(), c.kept.begin(), c.kept.end());
    std::vector<std::string> texts;
    for (const LogEntry& entry : taken) texts.push_back(entry.text);
    EXPECT_EQ(expected, texts) << c.pushed.size() << " pushed";
    if (c.dropped > 0) {
      EXPECT_EQ(LogBox::kConnection, taken.front().box);
    }
    // The count starts again after a take.
    EXPECT_TRUE(queue.TakeAll().empty());
  }
  EXPECT_EQ(
      "\xC8\xD5\xD6\xBE\xB9\xFD\xB6\xE0\xA3\xAC\xB6\xAA\xC6\xFA\xC1\xCB\xD7\xEE\xD4\xE7\xB5\xC4 "
      "12 \xD0\xD0\r\n",
      DroppedLinesNotice(12));
}

}  // namespace
}  // namespace orvane
