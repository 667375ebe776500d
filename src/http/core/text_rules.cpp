#include "http/core/text_rules.h"

#include <cmath>
#include <limits>

namespace orvane {

namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::size_t FindText(std::string_view text, std::string_view needle, const CodePage& cp,
                     std::size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  // Without lead bytes every position is a character start: no walk needed.
  if (cp.IsBytewise()) return text.find(needle, from);
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
  if (cp.IsBytewise()) return text.rfind(needle);
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

bool EndsWithChar(std::string_view text, char c, const CodePage& cp) {
  std::size_t i = 0;
  std::size_t last = std::string_view::npos;
  while (i < text.size()) {
    last = i;
    i += cp.CharLength(text, i);
  }
  return last != std::string_view::npos && last + 1 == text.size() && text[last] == c;
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
  return LowSigned16(ReadLeadingDecimal(cp.FoldFullWidth(TrimBlanks(text, cp))));
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
