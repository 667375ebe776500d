#include "http/log_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

// Every heap block of this program is counted, so a test can see what a
// queue really holds.
namespace {
std::atomic<std::size_t> g_heap_bytes{0};
constexpr std::size_t kBlockHeader = alignof(std::max_align_t);
}  // namespace

void* operator new(std::size_t size) {
  void* block = std::malloc(size + kBlockHeader);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  g_heap_bytes += size;
  return static_cast<char*>(block) + kBlockHeader;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  char* block = static_cast<char*>(p) - kBlockHeader;
  g_heap_bytes -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

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
  // A short line costs its entry alone; a long one its text's heap block too.
  const std::size_t unit = LogEntryCost("");
  const std::string longer(unit, 'L');  // about two units
  const std::string huge(3 * unit, 'H');
  const CeilingCase cases[] = {
      {{"1", "2", "3"}, {"1", "2", "3"}, 0},  // exactly at the ceiling
      {{"1", "2", "3", "4"}, {"2", "3", "4"}, 1},
      {{"1", "2", longer}, {longer}, 2},
      {{"a", huge}, {}, 2},  // a line larger than the ceiling goes too
  };
  for (const CeilingCase& c : cases) {
    LogQueue queue(3 * unit);
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

TEST(LogQueueTest, TheCeilingBoundsTheMemoryHeldAlsoForShortLines) {
  constexpr std::size_t kCeiling = 1024 * 1024;
  struct Line {
    std::string text;
    std::size_t capacity;  // what the pushed string holds on the heap
  };
  const Line lines[] = {
      {"\xBF\xCD\xBB\xA7\xC0\xB4\xD7\xD4 192.168.1.20:52311\r\n", 0},  // a client line
      {"x", 0},                                                        // kept inside the string
      {std::string(300, 'r'), 0},                                      // a request text
      // Moved in with room to spare (a request buffer cut down a little):
      // its heap block is the capacity, not the size.
      {std::string(100, 'r'), 200},
  };
  for (const Line& line : lines) {
    SCOPED_TRACE(line.text.size());
    const std::size_t before = g_heap_bytes.load();
    {
      LogQueue queue(kCeiling);
      for (int i = 0; i < 200000; ++i) {
        std::string pushed;
        pushed.reserve(line.capacity);
        pushed.assign(line.text);
        queue.Push(LogBox::kConnection, std::move(pushed));
      }
      const std::size_t held = g_heap_bytes.load() - before;
      EXPECT_LE(held, kCeiling + kCeiling / 20) << held;
      // And it still keeps about as much as it may.
      EXPECT_GE(held, kCeiling / 2);
    }
  }
}

}  // namespace
}  // namespace orvane
