#include "http/core/url_decode.h"

namespace orvane {

namespace {

bool IsAsciiAlnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// `text` with each byte `keep` refuses written as "%XY".
template <typename Keep>
std::string Encoded(std::string_view text, Keep keep) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (keep(b)) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0x0F]);
    }
  }
  return out;
}

}  // namespace

std::string PercentEncode(std::string_view name) {
  return Encoded(name, [](unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
           b == '.' || b == '_' || b == '~';
  });
}

std::string PercentEncodeUnsafe(std::string_view text) {
  return Encoded(text, [](unsigned char b) {
    return b > 0x20 && b < 0x7F && b != '"' && b != '#' && b != '<' && b != '>' && b != '\\' &&
           b != '^' && b != '`' && b != '{' && b != '|' && b != '}';
  });
}

std::string DecodeUrlPath(std::string_view raw_path, bool* had_nul, bool* escaped_slash) {
  bool escaped = false;
  std::string out;
  out.reserve(raw_path.size());
  std::size_t i = 0;
  while (i < raw_path.size()) {
    const char c = raw_path[i];
    if (c == '+') {
      out.push_back(' ');
      ++i;
    } else if (c != '%') {
      out.push_back(c);
      ++i;
    } else if (i + 2 >= raw_path.size()) {
      // "%" with fewer than two bytes after it: kept as it stands.
      out.append(raw_path.substr(i));
      break;
    } else {
      const char x = raw_path[i + 1];
      const char y = raw_path[i + 2];
      if (!IsAsciiAlnum(x)) {
        out.append(raw_path.substr(i, 2));
        i += 2;
      } else if (!IsAsciiAlnum(y) || HexValue(x) < 0 || HexValue(y) < 0) {
        out.append(raw_path.substr(i, 3));
        i += 3;
      } else {
        out.push_back(static_cast<char>(HexValue(x) * 16 + HexValue(y)));
        escaped = escaped || out.back() == '/';
        i += 3;
      }
    }
  }
  const std::size_t nul = out.find('\0');
  if (had_nul != nullptr) *had_nul = nul != std::string::npos;
  if (escaped_slash != nullptr) *escaped_slash = escaped;
  if (nul != std::string::npos) out.resize(nul);
  return out;
}

bool IsNonAsciiUtf8(std::string_view bytes) {
  bool non_ascii = false;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    non_ascii = true;
    std::size_t length;
    unsigned code;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      length = 2;
      code = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      length = 3;
      code = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      length = 4;
      code = b0 & 0x07u;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto b = static_cast<unsigned char>(bytes[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      code = (code << 6) | (b & 0x3Fu);
    }
    if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) || code > 0x10FFFF ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return non_ascii;
}

}  // namespace orvane
