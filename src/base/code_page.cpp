#include "base/code_page.h"

namespace orvane {

namespace {

struct ByteRange {
  int first;
  int last;
};

template <std::size_t N>
std::bitset<256> BytesIn(const ByteRange (&ranges)[N]) {
  std::bitset<256> bytes;
  for (const ByteRange& range : ranges) {
    for (int b = range.first; b <= range.last; ++b) bytes.set(static_cast<std::size_t>(b));
  }
  return bytes;
}

// Lead and trail bytes of the double-byte ANSI code pages, as Windows reads them.
constexpr ByteRange kGbkLead[] = {{0x81, 0xFE}};
constexpr ByteRange kGbkTrail[] = {{0x40, 0x7E}, {0x80, 0xFE}};
constexpr ByteRange kShiftJisLead[] = {{0x81, 0x9F}, {0xE0, 0xFC}};
constexpr ByteRange kShiftJisTrail[] = {{0x40, 0x7E}, {0x80, 0xFC}};
constexpr ByteRange kUhcLead[] = {{0x81, 0xFE}};
constexpr ByteRange kUhcTrail[] = {{0x41, 0x5A}, {0x61, 0x7A}, {0x81, 0xFE}};
constexpr ByteRange kBig5Lead[] = {{0x81, 0xFE}};
constexpr ByteRange kBig5Trail[] = {{0x40, 0x7E}, {0xA1, 0xFE}};

}  // namespace

CodePage CodePage::Gbk() { return CodePage(Kind::kGbk, BytesIn(kGbkLead), BytesIn(kGbkTrail)); }
CodePage CodePage::Utf8() { return CodePage(Kind::kUtf8, {}, {}); }
CodePage CodePage::SingleByte() { return CodePage(Kind::kSingleByte, {}, {}); }
CodePage CodePage::DoubleByte(const std::bitset<256>& lead_bytes,
                              const std::bitset<256>& trail_bytes) {
  return CodePage(Kind::kDoubleByte, lead_bytes, trail_bytes);
}

std::optional<CodePage> CodePage::KnownDoubleByte(unsigned number) {
  switch (number) {
    case 932:
      return DoubleByte(BytesIn(kShiftJisLead), BytesIn(kShiftJisTrail));
    case 936:
      return Gbk();
    case 949:
      return DoubleByte(BytesIn(kUhcLead), BytesIn(kUhcTrail));
    case 950:
      return DoubleByte(BytesIn(kBig5Lead), BytesIn(kBig5Trail));
    default:
      return std::nullopt;
  }
}

std::size_t CodePage::CharLength(std::string_view text, std::size_t pos) const {
  if (pos + 1 >= text.size() || !IsLead(static_cast<unsigned char>(text[pos]))) return 1;
  return trail_[static_cast<unsigned char>(text[pos + 1])] ? 2 : 1;
}

std::string_view CodePage::IdeographicSpace() const {
  switch (kind_) {
    case Kind::kGbk:
      return "\xA1\xA1";
    case Kind::kUtf8:
      return "\xE3\x80\x80";
    default:
      return {};
  }
}

std::string CodePage::Narrow(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (kind_ == Kind::kGbk && CharLength(text, i) == 2) {
      const auto b1 = static_cast<unsigned char>(text[i + 1]);
      if (b0 == 0xA3 && b1 >= 0xA1 && b1 <= 0xFE) {
        out.push_back(static_cast<char>(b1 - 0x80));  // row A3 mirrors ASCII 0x21-0x7E
      } else if (b0 == 0xA1 && b1 == 0xA1) {
        out.push_back(' ');
      } else {
        out.append(text.substr(i, 2));
      }
      i += 2;
      continue;
    }
    if (kind_ == Kind::kUtf8 && i + 2 < text.size() && (b0 == 0xEF || b0 == 0xE3)) {
      const auto b1 = static_cast<unsigned char>(text[i + 1]);
      const auto b2 = static_cast<unsigned char>(text[i + 2]);
      const unsigned code = ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
      const bool well_formed = (b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80;
      if (well_formed && code >= 0xFF01 && code <= 0xFF5E) {
        out.push_back(static_cast<char>(code - 0xFF01 + 0x21));
        i += 3;
        continue;
      }
      if (well_formed && code == 0x3000) {
        out.push_back(' ');
        i += 3;
        continue;
      }
    }
    out.push_back(text[i]);
    i += 1;
  }
  return out;
}

}  // namespace orvane
