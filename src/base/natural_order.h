// Explorer's order of file names: runs of digits compared as numbers, letters
// without regard to case ("2.jpg" before "10.jpg", "a" beside "A").
#pragma once

#include <string_view>

namespace orvane {

// Negative, zero or positive as `a` sorts before, level with or after `b`.
// Runs of ASCII digits compare by their value (leading zeros do not count)
// and sort before any other character; other ASCII characters in Windows'
// order (punctuation before letters, letters without case); the rest after
// ASCII by code point. Windows places accented letters beside their base
// letter and, in a Chinese locale, ideographs by pinyin: those differ.
int NaturalCompare(std::string_view a, std::string_view b);

// A strict order for sorting: NaturalCompare, with names it holds level
// ("a" and "A", "01" and "1") ordered by their bytes so a listing never
// depends on the order the system gave them in.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace orvane
