// Appending to the two log boxes on the window thread.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string_view>

namespace orvane::ui {

// Text kept in each box, in GBK bytes; the oldest whole lines go first.
inline constexpr std::size_t kConnectionLogCap = 1024 * 1024;
inline constexpr std::size_t kRequestLogCap = 256 * 1024;

// Puts the caret at the end of `box`, scrolls it into view and inserts the
// GBK text there, whatever the operator had selected. When the box would
// then hold more than `cap` bytes, the oldest lines are removed first, down
// to a little under the cap so that the next appends need not trim again.
void AppendToLogBox(HWND box, std::string_view gbk_text, std::size_t cap);

}  // namespace orvane::ui
