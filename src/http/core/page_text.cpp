#include "http/core/page_text.h"

#include <iterator>

namespace orvane {

void AppendHtmlEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out.push_back(c);
    }
  }
}

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendHtmlEscaped(out, text);
  return out;
}

std::string SizeText(std::uint64_t size) {
  if (size < 1024) return std::to_string(size) + " B";
  static constexpr std::string_view kUnits[] = {"KB", "MB", "GB"};
  std::uint64_t unit = 1024;
  std::size_t index = 0;
  // Tenths of the unit, rounded half up, computed without overflow for any
  // 64-bit size; a value that rounds to 1024.0 moves to the next unit.
  for (;;) {
    const std::uint64_t whole = size / unit;
    const std::uint64_t tenths = whole * 10 + ((size % unit) * 10 + unit / 2) / unit;
    if (tenths < 10240 || index + 1 == std::size(kUnits)) {
      return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " +
             std::string(kUnits[index]);
    }
    unit *= 1024;
    ++index;
  }
}

std::string FillPage(std::string_view page, std::initializer_list<PageField> fields) {
  std::size_t room = page.size();
  for (const PageField& field : fields) room += field.second.size();
  std::string out;
  out.reserve(room);
  std::size_t at = 0;
  for (;;) {
    const std::size_t open = page.find("{{", at);
    if (open == std::string_view::npos) break;
    const std::size_t close = page.find("}}", open + 2);
    if (close == std::string_view::npos) break;
    const std::string_view name = page.substr(open + 2, close - open - 2);
    const PageField* found = nullptr;
    for (const PageField& field : fields) {
      if (field.first == name) found = &field;
    }
    if (found == nullptr) {
      out.append(page.substr(at, open + 2 - at));
      at = open + 2;
      continue;
    }
    out.append(page.substr(at, open - at)).append(found->second);
    at = close + 2;
  }
  out.append(page.substr(at));
  return out;
}

}  // namespace orvane
