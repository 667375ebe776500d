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
  // lead and trail bytes, ideographic space and full-width forms. nullopt for
  // any other number.
  static std::optional<CodePage> KnownDoubleByte(unsigned number);
  // UTF-8: an ASCII byte never occurs inside a multi-byte sequence, so a
  // byte-wise search is already safe; full-width forms are U+FF01-U+FF5E.
  static CodePage Utf8();
  // A single-byte code page such as 1252: every byte is a character.
  static CodePage SingleByte();
  // Another double-byte code page, by its lead and trail bytes (asked from
  // the system); it has no known ideographic space or full-width forms.
  static CodePage DoubleByte(const std::bitset<256>& lead_bytes,
                             const std::bitset<256>& trail_bytes);

  [[nodiscard]] bool IsLead(unsigned char byte) const { return lead_[byte]; }
  // True when every byte is a character of its own (no lead bytes), so a
  // search may go byte by byte.
  [[nodiscard]] bool IsBytewise() const { return lead_.none(); }
  // Length in bytes of the character that starts at `pos`: 2 for a lead byte
  // followed by a valid trail byte, else 1. A lead byte before anything else
  // stands alone, so it can never swallow a separator or a line end.
  [[nodiscard]] std::size_t CharLength(std::string_view text, std::size_t pos) const;
  // The ideographic space in this code page, empty where it has none.
  [[nodiscard]] std::string_view IdeographicSpace() const;
  // Full-width forms and the ideographic space turned into their ASCII forms.
  [[nodiscard]] std::string FoldFullWidth(std::string_view text) const;

  // Double-byte characters lead, trail_first..trail_last that stand for the
  // ASCII bytes ascii_first onwards (full-width forms, the ideographic space).
  struct FoldRun {
    unsigned char lead;
    unsigned char trail_first;
    unsigned char trail_last;
    char ascii_first;
  };
  struct FoldTable {
    const FoldRun* runs;
    std::size_t count;
  };

 private:
  CodePage(bool utf8, const std::bitset<256>& lead, const std::bitset<256>& trail,
           std::string_view wide_space, FoldTable folds)
      : utf8_(utf8), lead_(lead), trail_(trail), wide_space_(wide_space), folds_(folds) {}
  // The ASCII byte a double-byte character at `pos` folds to, 0 for none.
  [[nodiscard]] char FoldedPair(std::string_view text, std::size_t pos) const;

  bool utf8_;
  std::bitset<256> lead_;
  std::bitset<256> trail_;
  std::string_view wide_space_;  // points at a string literal
  FoldTable folds_;              // points at a static table
};

}  // namespace orvane
