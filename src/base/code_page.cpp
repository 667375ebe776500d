#include "base/code_page.h"

namespace orvane {

namespace {

std::bitset<256> GbkLeadBytes() {
  std::bitset<256> lead;
  for (int b = 0x81; b <= 0xFE; ++b) lead.set(static_cast<std::size_t>(b));
  return lead;
}

}  // namespace

CodePage CodePage::Gbk() { return CodePage(Kind::kGbk, GbkLeadBytes()); }
CodePage CodePage::Utf8() { return CodePage(Kind::kUtf8, {}); }
CodePage CodePage::SingleByte() { return CodePage(Kind::kSingleByte, {}); }
CodePage CodePage::DoubleByte(const std::bitset<256>& lead_bytes) {
  return CodePage(Kind::kDoubleByte, lead_bytes);
}

std::size_t CodePage::CharLength(std::string_view text, std::size_t pos) const {
  if (pos + 1 >= text.size() || !IsLead(static_cast<unsigned char>(text[pos]))) return 1;
  if (kind_ == Kind::kGbk) {
    // A GBK pair needs a trail byte in 0x40-0xFE (not 0x7F); a lead byte
    // before anything else stands alone, so "\xAD/" still has its separator.
    const auto trail = static_cast<unsigned char>(text[pos + 1]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return 1;
  }
  return 2;
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
    if (kind_ == Kind::kGbk && i + 1 < text.size() && IsLead(b0)) {
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
