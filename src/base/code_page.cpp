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

template <std::size_t N>
constexpr CodePage::FoldTable TableOf(const CodePage::FoldRun (&runs)[N]) {
  return {runs, N};
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

// The characters each code page maps to U+3000 (ideographic space) and to
// U+FF01-U+FF5E (full-width ASCII). Shift-JIS, UHC and Big5 are the code
// pages' own mappings (as Windows and iconv decode them); GBK folds its
// whole row A3 onto ASCII, as the port box has always read it.
// clang-format off
constexpr CodePage::FoldRun kGbkFolds[] = {
    {0xA1, 0xA1, 0xA1, ' '}, {0xA3, 0xA1, 0xFE, '!'},
};
constexpr CodePage::FoldRun kShiftJisFolds[] = {
    {0x81, 0x40, 0x40, ' '},  {0x81, 0x43, 0x43, ','},  {0x81, 0x44, 0x44, '.'},
    {0x81, 0x46, 0x47, ':'},  {0x81, 0x48, 0x48, '?'},  {0x81, 0x49, 0x49, '!'},
    {0x81, 0x4D, 0x4D, '`'},  {0x81, 0x4F, 0x4F, '^'},  {0x81, 0x51, 0x51, '_'},
    {0x81, 0x5E, 0x5E, '/'},  {0x81, 0x5F, 0x5F, '\\'}, {0x81, 0x60, 0x60, '~'},
    {0x81, 0x62, 0x62, '|'},  {0x81, 0x69, 0x6A, '('},  {0x81, 0x6D, 0x6D, '['},
    {0x81, 0x6E, 0x6E, ']'},  {0x81, 0x6F, 0x6F, '{'},  {0x81, 0x70, 0x70, '}'},
    {0x81, 0x7B, 0x7B, '+'},  {0x81, 0x7C, 0x7C, '-'},  {0x81, 0x81, 0x81, '='},
    {0x81, 0x83, 0x83, '<'},  {0x81, 0x84, 0x84, '>'},  {0x81, 0x90, 0x90, '$'},
    {0x81, 0x93, 0x93, '%'},  {0x81, 0x94, 0x94, '#'},  {0x81, 0x95, 0x95, '&'},
    {0x81, 0x96, 0x96, '*'},  {0x81, 0x97, 0x97, '@'},  {0x82, 0x4F, 0x58, '0'},
    {0x82, 0x60, 0x79, 'A'},  {0x82, 0x81, 0x9A, 'a'},  {0xEE, 0xFB, 0xFB, '\''},
    {0xEE, 0xFC, 0xFC, '"'},  {0xFA, 0x56, 0x56, '\''}, {0xFA, 0x57, 0x57, '"'},
};
constexpr CodePage::FoldRun kUhcFolds[] = {
    {0xA1, 0xA1, 0xA1, ' '},  {0xA1, 0xAC, 0xAC, '\\'}, {0xA2, 0xA6, 0xA6, '~'},
    {0xA3, 0xA1, 0xDB, '!'},  {0xA3, 0xDD, 0xFD, ']'},
};
constexpr CodePage::FoldRun kBig5Folds[] = {
    {0xA1, 0x40, 0x40, ' '},  {0xA1, 0x41, 0x41, ','},  {0xA1, 0x44, 0x44, '.'},
    {0xA1, 0x46, 0x46, ';'},  {0xA1, 0x47, 0x47, ':'},  {0xA1, 0x48, 0x48, '?'},
    {0xA1, 0x49, 0x49, '!'},  {0xA1, 0x55, 0x55, '|'},  {0xA1, 0x5D, 0x5E, '('},
    {0xA1, 0x61, 0x61, '{'},  {0xA1, 0x62, 0x62, '}'},  {0xA1, 0xAD, 0xAD, '#'},
    {0xA1, 0xAE, 0xAE, '&'},  {0xA1, 0xAF, 0xAF, '*'},  {0xA1, 0xC4, 0xC4, '_'},
    {0xA1, 0xCF, 0xCF, '+'},  {0xA1, 0xD0, 0xD0, '-'},  {0xA1, 0xD5, 0xD5, '<'},
    {0xA1, 0xD6, 0xD6, '>'},  {0xA1, 0xD7, 0xD7, '='},  {0xA1, 0xE3, 0xE3, '~'},
    {0xA1, 0xFE, 0xFE, '/'},  {0xA2, 0x40, 0x40, '\\'}, {0xA2, 0x43, 0x43, '$'},
    {0xA2, 0x48, 0x48, '%'},  {0xA2, 0x49, 0x49, '@'},  {0xA2, 0xAF, 0xB8, '0'},
    {0xA2, 0xCF, 0xE8, 'A'},  {0xA2, 0xE9, 0xFE, 'a'},  {0xA3, 0x40, 0x43, 'w'},
};
// clang-format on

}  // namespace

CodePage CodePage::Gbk() {
  return CodePage(false, BytesIn(kGbkLead), BytesIn(kGbkTrail), "\xA1\xA1", TableOf(kGbkFolds));
}
CodePage CodePage::Utf8() { return CodePage(true, {}, {}, "\xE3\x80\x80", {}); }
CodePage CodePage::SingleByte() { return CodePage(false, {}, {}, {}, {}); }
CodePage CodePage::DoubleByte(const std::bitset<256>& lead_bytes,
                              const std::bitset<256>& trail_bytes) {
  return CodePage(false, lead_bytes, trail_bytes, {}, {});
}

std::optional<CodePage> CodePage::KnownDoubleByte(unsigned number) {
  switch (number) {
    case 932:
      return CodePage(false, BytesIn(kShiftJisLead), BytesIn(kShiftJisTrail), "\x81\x40",
                      TableOf(kShiftJisFolds));
    case 936:
      return Gbk();
    case 949:
      return CodePage(false, BytesIn(kUhcLead), BytesIn(kUhcTrail), "\xA1\xA1", TableOf(kUhcFolds));
    case 950:
      return CodePage(false, BytesIn(kBig5Lead), BytesIn(kBig5Trail), "\xA1\x40",
                      TableOf(kBig5Folds));
    default:
      return std::nullopt;
  }
}

std::size_t CodePage::CharLength(std::string_view text, std::size_t pos) const {
  if (pos + 1 >= text.size() || !IsLead(static_cast<unsigned char>(text[pos]))) return 1;
  return trail_[static_cast<unsigned char>(text[pos + 1])] ? 2 : 1;
}

std::string_view CodePage::IdeographicSpace() const { return wide_space_; }

char CodePage::FoldedPair(std::string_view text, std::size_t pos) const {
  const auto lead = static_cast<unsigned char>(text[pos]);
  const auto trail = static_cast<unsigned char>(text[pos + 1]);
  for (std::size_t k = 0; k < folds_.count; ++k) {
    const FoldRun& run = folds_.runs[k];
    if (run.lead == lead && trail >= run.trail_first && trail <= run.trail_last) {
      return static_cast<char>(run.ascii_first + (trail - run.trail_first));
    }
  }
  return 0;
}

std::string CodePage::FoldFullWidth(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (!utf8_ && CharLength(text, i) == 2) {
      const char folded = FoldedPair(text, i);
      if (folded != 0) {
        out.push_back(folded);
      } else {
        out.append(text.substr(i, 2));
      }
      i += 2;
      continue;
    }
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (utf8_ && i + 2 < text.size() && (b0 == 0xEF || b0 == 0xE3)) {
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
