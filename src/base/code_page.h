// Which bytes of "ANSI" text form one character. Every layer needs it: the
// platform says which code page is in force, the core searches and trims by it.
#pragma once

#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// How the bytes of "ANSI" text are grouped into characters.
class CodePage {
 public:
  // GBK (Windows code page 936): lead bytes 0x81-0xFE, trail bytes 0x40-0xFE
  // but 0x7F, full-width forms in row A3.
  static CodePage Gbk();
  // The double-byte ANSI code pages of Windows by number: 932 (Shift-JIS),
  // 936 (GBK), 949 (Unified Hangul Code) and 950 (Big5), each with its own
  // lead and trail bytes. nullopt for any other number.
  static std::optional<CodePage> KnownDoubleByte(unsigned number);
  // UTF-8: an ASCII byte never occurs inside a multi-byte sequence, so a
  // byte-wise search is already safe; full-width forms are U+FF01-U+FF5E.
  static CodePage Utf8();
  // A single-byte code page such as 1252: every byte is a character.
  static CodePage SingleByte();
  // Another double-byte code page, by its lead and trail bytes (asked from
  // the system).
  static CodePage DoubleByte(const std::bitset<256>& lead_bytes,
                             const std::bitset<256>& trail_bytes);

  bool IsLead(unsigned char byte) const { return lead_[byte]; }
  // True when every byte is a character of its own (no lead bytes), so a
  // search may go byte by byte.
  bool IsBytewise() const { return lead_.none(); }
  // Length in bytes of the character that starts at `pos`: 2 for a lead byte
  // followed by a valid trail byte, else 1. A lead byte before anything else
  // stands alone, so it can never swallow a separator or a line end.
  std::size_t CharLength(std::string_view text, std::size_t pos) const;
  // The ideographic space in this code page, empty where it has none.
  std::string_view IdeographicSpace() const;
  // Full-width forms and the ideographic space turned into their ASCII forms.
  std::string Narrow(std::string_view text) const;

 private:
  enum class Kind { kSingleByte, kGbk, kUtf8, kDoubleByte };
  CodePage(Kind kind, const std::bitset<256>& lead, const std::bitset<256>& trail)
      : kind_(kind), lead_(lead), trail_(trail) {}
  Kind kind_;
  std::bitset<256> lead_;
  std::bitset<256> trail_;
};

}  // namespace orvane
