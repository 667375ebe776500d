// The order a folder listing shows names in: on Windows the order Explorer
// shows on this machine, elsewhere the portable natural order.
#pragma once

#include <string_view>

namespace orvane::platform {

// True when the UTF-8 name `a` sorts before `b`. Windows: shlwapi's
// StrCmpLogicalW (runs of digits by value, letters in the user's locale,
// which is Explorer's own comparison and changes with it); POSIX: NaturalLess
// (base/natural_order.h). Names the comparison holds level ("a" and "A")
// are ordered by their bytes, so a listing never depends on the order the
// system gave them in. StrCmpLogicalW is not documented to be a strict weak
// order for every input: sort with std::stable_sort, whose merge never reads
// outside the range whatever the comparison answers, not std::sort.
[[nodiscard]] bool NameLess(std::string_view a, std::string_view b);

}  // namespace orvane::platform
