// The service's pieces that need no socket: how many listings are built at
// once, and what a folder's entries become on its page.
#include <gtest/gtest.h>

#include "http/listing/listing_read.h"
#include "http/gate.h"
#include "platform/clock.h"

namespace orvane {
namespace {

TEST(GateTest, LetsInAFewAtATimeAndTheRestWaitUntilTheirDeadline) {
  Gate gate(2);
  const std::int64_t now = platform::MonotonicMillis();
  // Each step: enter (with a deadline already past, so a full gate answers
  // at once) or leave, and whether an entry got in.
  const struct {
    bool enter;
    bool got_in;
  } steps[] = {{true, true},  {true, true},   {true, false},  {false, false}, {true, true},
               {true, false}, {false, false}, {false, false}, {true, true},   {true, true}};
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    if (steps[i].enter) {
      EXPECT_EQ(steps[i].got_in, gate.Enter(now));
    } else {
      gate.Leave();
    }
  }
}

TEST(ListingOfTest, EachEntryShowsItsOwnTimeWhateverTheOrderTheyCameIn) {
  // Newer, older, the same, newer again: a time converted for one entry must
  // never stand for another's.
  const std::int64_t times[] = {1700000000, 1000000000, 1000000000, 1600000000, 1700000060};
  std::vector<platform::FolderEntry> found;
  for (std::int64_t t : times) {
    platform::FolderEntry entry;
    entry.name = "f" + std::to_string(found.size());
    entry.changed_unix_seconds = t;
    found.push_back(entry);
  }
  const FolderListing listing = ListingOf(found, "/", kListingCap);
  ASSERT_EQ(std::size(times), listing.entries.size());
  for (std::size_t i = 0; i < std::size(times); ++i) {
    SCOPED_TRACE(i);
    const LocalTime expected = platform::LocalTimeFromUnixSeconds(times[i]);
    const LocalTime& got = listing.entries[i].changed;
    EXPECT_EQ(expected.year, got.year);
    EXPECT_EQ(expected.day, got.day);
    EXPECT_EQ(expected.hour, got.hour);
    EXPECT_EQ(expected.minute, got.minute);
  }
}

}  // namespace
}  // namespace orvane
