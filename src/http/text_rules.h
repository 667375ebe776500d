// Byte-text rules shared by the service and the window: which bytes start a
// double-byte character, searching that never matches on a trail byte,
// trimming of blanks, full-width to ASCII folding and the C-style number read.
// Pure: no I/O, no globals; the platform tells which code page is in force.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// How the bytes of "ANSI" text are grouped into characters.
class CodePage {
 public:
  // GBK (Windows code page 936): lead bytes 0x81-0xFE, full-width forms in row A3.
  static CodePage Gbk();
  // UTF-8: an ASCII byte never occurs inside a multi-byte sequence, so a
  // byte-wise search is already safe; full-width forms are U+FF01-U+FF5E.
  static CodePage Utf8();
  // A single-byte code page such as 1252: every byte is a character.
  static CodePage SingleByte();
  // Another double-byte code page, by its lead-byte set (asked from the system).
  static CodePage DoubleByte(const std::bitset<256>& lead_bytes);

  bool IsLead(unsigned char byte) const { return lead_[byte]; }
  // Length in bytes of the character that starts at `pos` (1 or 2; 1 at the end).
  std::size_t CharLength(std::string_view text, std::size_t pos) const;
  // The ideographic space in this code page, empty where it has none.
  std::string_view IdeographicSpace() const;
  // Full-width forms and the ideographic space turned into their ASCII forms.
  std::string Narrow(std::string_view text) const;

 private:
  enum class Kind { kSingleByte, kGbk, kUtf8, kDoubleByte };
  CodePage(Kind kind, const std::bitset<256>& lead) : kind_(kind), lead_(lead) {}
  Kind kind_;
  std::bitset<256> lead_;
};

// First occurrence of `needle` at or after `from` that begins on a character
// boundary; npos when there is none.
std::size_t FindText(std::string_view text, std::string_view needle, const CodePage& cp,
                     std::size_t from = 0);
// Last occurrence of `needle` that begins on a character boundary; npos when none.
std::size_t FindLastText(std::string_view text, std::string_view needle, const CodePage& cp);
// Every occurrence of `from` (on character boundaries) replaced by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to,
                       const CodePage& cp);

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
