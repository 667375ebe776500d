// Byte-text rules shared by the service and the window: searching that never
// matches on a trail byte, trimming of blanks and the C-style number read.
// Pure: no I/O, no globals; the platform tells which code page is in force.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/code_page.h"

namespace orvane {

// First occurrence of `needle` at or after `from` that begins on a character
// boundary; npos when there is none.
std::size_t FindText(std::string_view text, std::string_view needle, const CodePage& cp,
                     std::size_t from = 0);
// Last occurrence of `needle` that begins on a character boundary; npos when none.
std::size_t FindLastText(std::string_view text, std::string_view needle, const CodePage& cp);
// Every occurrence of `from` (on character boundaries) replaced by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to,
                       const CodePage& cp);

// True when the last character of the text (not merely its last byte: it may
// be the trail byte of a double-byte character) is `c`.
bool EndsWithChar(std::string_view text, char c, const CodePage& cp);

// Removes ASCII spaces and ideographic spaces at both ends; tabs and line
// breaks are not blanks.
std::string_view TrimBlanks(std::string_view text, const CodePage& cp);

// ASCII-only case folding for comparisons.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
char AsciiLower(char c);

// Reads a decimal floating-point number the way C's atof does: leading white
// space skipped, optional sign, digits, optional fraction and exponent, stops
// at the first byte that cannot continue the number; no number gives 0.
// Hexadecimal, "inf" and "nan" forms are not read (they give 0), so the
// result is the same with every C runtime.
double ReadLeadingDecimal(std::string_view text);

// Truncates toward zero to a 64-bit integer, saturating outside its range
// (NaN gives 0), and keeps the low 16 bits as a signed value.
std::int16_t LowSigned16(double value);

// The port number a text stands for: blanks trimmed, full-width folded, read
// as a decimal number, truncated and cut to 16 signed bits. May be <= 0.
std::int16_t PortNumberFromText(std::string_view text, const CodePage& cp);

// Integers as plain decimal digits with a minus sign when negative.
std::string DecimalText(std::int64_t value);
std::string UnsignedDecimalText(std::uint64_t value);

}  // namespace orvane
