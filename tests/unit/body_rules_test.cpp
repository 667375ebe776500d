// The rules a request body is read by: the floor on its rate, and the page
// of what arrived, whose size does not grow with the number of files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/core/page_text.h"
#include "http/core/rate_floor.h"
#include "http/upload/upload_page.h"

namespace orvane {
namespace {

TEST(RateFloorTest, EachMinuteMustBringItsBytes) {
  struct Arrival {
    std::uint64_t bytes;
    std::int64_t at_ms;
  };
  const struct {
    const char* what;
    std::vector<Arrival> arrivals;  // from 0 ms, a window of 60,000 ms and 1,000 bytes
    bool kept;
  } cases[] = {
      {"enough in the first minute", {{600, 1000}, {400, 59999}, {0, 60000}}, true},
      {"a byte every 45 s", {{1, 45000}, {1, 90000}}, false},
      {"nothing at all, asked at the window's end", {{0, 60000}}, false},
      {"asked just before the end", {{0, 59999}}, true},
      {"late bytes count in the next window", {{1000, 59000}, {999, 60000}, {0, 120000}}, false},
      {"two windows, each enough", {{1000, 1}, {1000, 61000}, {0, 120000}}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RateFloor floor(0, 60000, 1000);
    bool kept = true;
    for (const Arrival& a : c.arrivals) kept = kept && floor.Arrived(a.bytes, a.at_ms);
    EXPECT_EQ(c.kept, kept);
  }
}

TEST(UploadResultTest, NamesTheFirstThousandFilesAndCountsTheRest) {
  for (const std::size_t files : {std::size_t{0}, std::size_t{3}, kMaxNamedFiles + 5}) {
    SCOPED_TRACE(files);
    StoredFiles stored;
    for (std::size_t i = 0; i < files; ++i) stored.Add({"f" + std::to_string(i), 1});
    EXPECT_EQ(std::min(files, kMaxNamedFiles), stored.named().size());
    const std::string page = UploadResultPage(stored, "");
    std::size_t rows = 0;
    for (std::size_t at = page.find("<li>"); at != std::string::npos;
         at = page.find("<li>", at + 1))
      ++rows;
    EXPECT_EQ(std::min(files, kMaxNamedFiles), rows);
    // 另有 5 个文件已收到 (5 more files arrived)
    EXPECT_EQ(files > kMaxNamedFiles, page.find(u8"另有 5 个文件已收到") != std::string::npos);
  }
}

TEST(PageTextTest, FillsEachPlaceOnceAndNeverReadsWhatItPutIn) {
  const struct {
    std::string page;
    std::string expected;
  } cases[] = {
      {"<t>{{a}}</t>{{b}}", "<t>1</t>{{a}}"},
      {"{{a}}{{a}}", "11"},
      {"{{c}} {{a", "{{c}} {{a"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    EXPECT_EQ(c.expected, FillPage(c.page, {{"a", "1"}, {"b", "{{a}}"}}));
  }
}

}  // namespace
}  // namespace orvane
