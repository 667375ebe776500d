#include "http/log_queue.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace orvane
