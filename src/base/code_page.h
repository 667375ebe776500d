// Which bytes of "ANSI" text form one character. Every layer needs it: the
// platform says which code page is in force, the core searches and trims by it.
#pragma once

#include <bitset>
#include <cstddef>
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

}  // namespace orvane
