// The port box's entry rules: which typed characters it takes and what its
// up/down arrows do. Pure, so the rules are tested without a window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::ui {

// The arrows' range; the box's text itself is not limited to it.
inline constexpr std::int64_t kArrowMin = 0;
inline constexpr std::int64_t kArrowMax = 10000;

enum class ArrowDirection { kUp, kDown };

// A typed character is kept when it is a control character (below 32:
// Backspace, the clipboard shortcuts), a digit 0-9 or the minus sign.
bool IsAcceptedPortChar(char32_t ch);

// The leading integer of a text: white space skipped, one optional sign,
// then the leading digits; no digits give 0. Far outside the int64 range the
// value stops growing (it is then far outside the arrows' range anyway).
std::int64_t LeadingInteger(std::string_view text);

// The value an arrow click leaves: the text's integer plus or minus 1; out
// of range it wraps to 0 going up and to 10000 going down.
std::int64_t ArrowStep(std::string_view text, ArrowDirection direction);

}  // namespace orvane::ui
