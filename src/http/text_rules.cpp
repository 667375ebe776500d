#include "http/text_rules.h"

#include <cmath>
#include <limits>

namespace orvane {

namespace {

std::bitset<256> GbkLeadBytes() {
  std::bitset<256> lead;
  for (int b = 0x81; b <= 0xFE; ++b) lead.set(static_cast<std::size_t>(b));
  return lead;
}

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

std::size_t FindText(std::string_view text, std::string_view needle, const CodePage& cp,
                     std::size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  std::size_t i = 0;
  while (i < text.size()) {
    if (i >= from && text.compare(i, needle.size(), needle) == 0) return i;
    i += cp.CharLength(text, i);
  }
  return std::string_view::npos;
}

std::size_t FindLastText(std::string_view text, std::string_view needle, const CodePage& cp) {
  std::size_t last = std::string_view::npos;
  if (needle.empty()) return text.size();
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, needle.size(), needle) == 0) last = i;
    i += cp.CharLength(text, i);
  }
  return last;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to,
                       const CodePage& cp) {
  std::string out;
  if (from.empty()) return std::string(text);
  out.reserve(text.size());
  std::size_t start = 0;
  for (;;) {
    const std::size_t hit = FindText(text, from, cp, start);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(start, hit - start));
    out.append(to);
    start = hit + from.size();
  }
  out.append(text.substr(start));
  return out;
}

std::string_view TrimBlanks(std::string_view text, const CodePage& cp) {
  const std::string_view wide_space = cp.IdeographicSpace();
  // Leading blanks: step character by character from the start.
  std::size_t begin = 0;
  for (;;) {
    if (begin < text.size() && text[begin] == ' ') {
      ++begin;
    } else if (!wide_space.empty() && text.compare(begin, wide_space.size(), wide_space) == 0) {
      begin += wide_space.size();
    } else {
      break;
    }
  }
  // Trailing blanks: a trailing space only counts when it starts a character,
  // so walk the characters and remember where the last non-blank one ended.
  std::size_t end = begin;
  std::size_t i = begin;
  while (i < text.size()) {
    std::size_t len;
    bool blank;
    if (text[i] == ' ') {
      len = 1;
      blank = true;
    } else if (!wide_space.empty() && text.compare(i, wide_space.size(), wide_space) == 0) {
      len = wide_space.size();
      blank = true;
    } else {
      len = cp.CharLength(text, i);
      blank = false;
    }
    i += len;
    if (!blank) end = i;
  }
  return text.substr(begin, end - begin);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

double ReadLeadingDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Collect the mantissa digits and the decimal exponent they imply, then let
  // the exponent part adjust it; long digit runs keep their leading digits.
  long double mantissa = 0;
  long exponent = 0;
  bool any_digit = false;
  while (i < text.size() && IsDigit(text[i])) {
    mantissa = mantissa * 10 + (text[i] - '0');
    any_digit = true;
    ++i;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      mantissa = mantissa * 10 + (text[i] - '0');
      --exponent;
      any_digit = true;
      ++i;
    }
  }
  if (!any_digit) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    bool exp_negative = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      exp_negative = text[j] == '-';
      ++j;
    }
    if (j < text.size() && IsDigit(text[j])) {
      long e = 0;
      while (j < text.size() && IsDigit(text[j])) {
        if (e < 100000) e = e * 10 + (text[j] - '0');
        ++j;
      }
      exponent += exp_negative ? -e : e;
    }
  }
  // Scale by repeated multiplication rather than powl so both C runtimes give
  // bit-identical results.
  long double scale = 1;
  const long steps = exponent < 0 ? -exponent : exponent;
  for (long k = 0; k < steps && k < 4000 && scale < 1e4000L; ++k) scale *= 10;
  long double value = exponent < 0 ? mantissa / scale : mantissa * scale;
  const double result = static_cast<double>(value);
  return negative ? -result : result;
}

std::int16_t LowSigned16(double value) {
  if (std::isnan(value)) return 0;
  const double truncated = std::trunc(value);
  std::int64_t whole;
  if (truncated >= 9223372036854775807.0) {
    whole = std::numeric_limits<std::int64_t>::max();
  } else if (truncated <= -9223372036854775808.0) {
    whole = std::numeric_limits<std::int64_t>::min();
  } else {
    whole = static_cast<std::int64_t>(truncated);
  }
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(whole)));
}

std::int16_t PortNumberFromText(std::string_view text, const CodePage& cp) {
  return LowSigned16(ReadLeadingDecimal(cp.Narrow(TrimBlanks(text, cp))));
}

std::string DecimalText(std::int64_t value) {
  if (value < 0) {
    // Negate in unsigned arithmetic so the most negative value works too.
    return "-" + UnsignedDecimalText(0 - static_cast<std::uint64_t>(value));
  }
  return UnsignedDecimalText(static_cast<std::uint64_t>(value));
}

std::string UnsignedDecimalText(std::uint64_t value) {
  char buffer[24];
  std::size_t pos = sizeof buffer;
  do {
    buffer[--pos] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::string(buffer + pos, sizeof buffer - pos);
}

}  // namespace orvane
