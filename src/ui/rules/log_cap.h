// How much a log box keeps: the size policy of the two log boxes, pure so it
// is tested on every system.
#pragma once

#include <cstddef>
#include <string_view>

namespace orvane::ui {

// How many bytes to drop from the front of a log box holding `current` so
// that appending `incoming` more bytes keeps it at or under `cap`: whole
// lines are dropped (up to and including a line feed), oldest first. When
// even the new text alone is over the cap, everything old goes.
std::size_t BytesToDropForCap(std::string_view current, std::size_t incoming, std::size_t cap);

}  // namespace orvane::ui
